// The extension packages the stand-in serves in place of the server's own:
// a fixed table of packages and functions, run on a logged-in session.
//
//   "RaRerurud"  "xd16"  the service's volume id: 4 bytes, little-endian.
//   "LurTest"    "echo"  hands the argument bytes back (no argument: no block).
//                "fail"  the argument is a decimal status, optionally followed
//                        by a zero byte and the bytes of the block to hand
//                        back with it; the call answers that status (the way
//                        a server package reports its own failures).
//
// Package and function names are compared without regard to case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lurdbcli {

class Session;

// Whether the table has a package of that name.
bool IsExtPackage(const std::string& name);

// The answer of one package function: its status and the block it hands
// back, if any.
struct ExtCallResult {
    int32_t status = 0;
    std::optional<std::string> block;
};

// Runs a function of an open package; StoreError kNotSupported for a
// function the package does not have.
ExtCallResult CallExtPackageFunction(Session& session, const std::string& package, const std::string& function,
                                     const std::string& argument);

}  // namespace lurdbcli
