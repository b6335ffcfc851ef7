// Test support: a temporary directory that holds one test's registry file
// and service stores. While it lives, LUR_REGISTRY and LURDB_DATA point into
// it, so every program and library the test runs works there and nowhere
// else; it is removed with everything in it at the end, and both variables
// get back the values they had.
#pragma once

#include <string>

#include "EnvScope.h"

namespace lurtest {

// The build's bin directory (LUR_TEST_BIN_DIR, else ".").
std::string BinDir();

// The whole content of a file ("" when it cannot be read).
std::string ReadText(const std::string& path);

class ScratchDir {
public:
    // std::runtime_error when no directory can be made.
    explicit ScratchDir(const std::string& prefix = "lur_test");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    EnvScope m_registry;
    EnvScope m_data;
};

}  // namespace lurtest
