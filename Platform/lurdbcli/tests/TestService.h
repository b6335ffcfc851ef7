// Test support: a service of its own in a temporary directory for every
// test (LUR_REGISTRY and LURDB_DATA point there), created with lurdbadm, and
// the client library loaded from the build's bin directory.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "EnvScope.h"
#include "lurdbcli.h"

namespace testsupport {

inline std::string BinDir() {
    const char* dir = std::getenv("LUR_TEST_BIN_DIR");
    return dir ? dir : ".";
}

inline std::string FixturePath(const std::string& name) {
    return std::string(LUR_SOURCE_DIR) + "/tests/fixtures/" + name;
}

// Runs a lurdbadm command line; its exit status.
inline int RunAdmin(const std::string& arguments, std::string* output = nullptr) {
    const std::string outFile = std::string(std::getenv("LURDB_DATA")) + "/../admin.out";
    const int status = std::system((BinDir() + "/lurdbadm " + arguments + " >" + outFile + " 2>&1").c_str());
    if (output) {
        std::ifstream in(outFile);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A loaded client library (the full build or the one in bin/partial).
class Library {
public:
    explicit Library(const std::string& path) : m_module(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~Library() {
        if (m_module) {
            dlclose(m_module);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const { return m_module != nullptr; }
    void* Symbol(const char* name) const { return m_module ? dlsym(m_module, name) : nullptr; }
    template <typename Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(Symbol(name));
    }

private:
    void* m_module;
};

inline Library& FullLibrary() {
    static Library library(BinDir() + "/liblurdbcli.so");
    return library;
}

// The connect block of a login (texts cut to 31 bytes, as a caller must).
inline std::array<char, lurdbcli::connect_info::kSize> ConnectBlock(const std::string& service, const std::string& user,
                                                                    const std::string& password) {
    namespace info = lurdbcli::connect_info;
    std::array<char, info::kSize> block{};
    const int32_t size = info::kSize;
    std::memcpy(block.data() + info::kBlockSize, &size, 4);
    std::memcpy(block.data() + info::kService, service.c_str(), std::min<size_t>(service.size(), 31));
    std::memcpy(block.data() + info::kUser, user.c_str(), std::min<size_t>(user.size(), 31));
    std::memcpy(block.data() + info::kPassword, password.c_str(), std::min<size_t>(password.size(), 31));
    return block;
}

// A temporary directory with its own registry and store location, which
// LUR_REGISTRY and LURDB_DATA name while it lives.
class TempServiceDir {
public:
    TempServiceDir()
        : m_dir(MakeDir()),
          m_registry("LUR_REGISTRY", m_dir + "/registry.reg"),
          m_data("LURDB_DATA", m_dir + "/data") {}
    ~TempServiceDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    TempServiceDir(const TempServiceDir&) = delete;
    TempServiceDir& operator=(const TempServiceDir&) = delete;
    const std::string& Path() const { return m_dir; }

private:
    static std::string MakeDir() {
        char pattern[] = "/tmp/lurdbcli_test_XXXXXX";
        const std::string dir = mkdtemp(pattern);
        std::filesystem::create_directories(dir + "/data");
        return dir;
    }

    std::string m_dir;
    lurtest::EnvScope m_registry;
    lurtest::EnvScope m_data;
};

}  // namespace testsupport
