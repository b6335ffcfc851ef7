#include "ExtPackages.h"

#include <cstdlib>

#include "Schema.h"
#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

constexpr const char* kVolumePackage = "RaRerurud";
constexpr const char* kTestPackage = "LurTest";

ExtCallResult VolumeId(Session& session) {
    const std::string text = session.ServerParam("volumeid");
    const uint32_t id = static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
    std::string bytes(4, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((id >> (8 * i)) & 0xFF);
    }
    return {kOk, bytes};
}

ExtCallResult Fail(const std::string& argument) {
    const size_t zero = argument.find('\0');
    const std::string status = argument.substr(0, zero);
    char* end = nullptr;
    const long value = std::strtol(status.c_str(), &end, 10);
    if (status.empty() || *end != '\0' || value == 0) {
        throw StoreError{kBadArgument, "fail needs a nonzero decimal status"};
    }
    ExtCallResult result{static_cast<int32_t>(value), std::nullopt};
    if (zero != std::string::npos) {
        result.block = argument.substr(zero + 1);
    }
    return result;
}

}  // namespace

bool IsExtPackage(const std::string& name) {
    return EqualsIgnoreCase(name, kVolumePackage) || EqualsIgnoreCase(name, kTestPackage);
}

ExtCallResult CallExtPackageFunction(Session& session, const std::string& package, const std::string& function,
                                     const std::string& argument) {
    if (EqualsIgnoreCase(package, kVolumePackage) && EqualsIgnoreCase(function, "xd16")) {
        return VolumeId(session);
    }
    if (EqualsIgnoreCase(package, kTestPackage) && EqualsIgnoreCase(function, "echo")) {
        ExtCallResult result;
        if (!argument.empty()) {
            result.block = argument;
        }
        return result;
    }
    if (EqualsIgnoreCase(package, kTestPackage) && EqualsIgnoreCase(function, "fail")) {
        return Fail(argument);
    }
    throw StoreError{kNotSupported, "package " + package + " has no function " + function};
}

}  // namespace lurdbcli
