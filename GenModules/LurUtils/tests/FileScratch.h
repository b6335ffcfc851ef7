// Test helper shared by the file tests: a scratch directory named both ways,
// in the libraries' C: form (W) and as the POSIX path (P). Relative names use
// '\' as the libraries do.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FileApi.h"

namespace testing_lurutils {

class FileScratch : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lur_file_test_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_posix = tmpl;
        m_win = win::FromPosixPath(m_posix) + "\\";
    }
    void TearDown() override {
        namespace fs = std::filesystem;
        std::error_code ignored;
        for (auto it = fs::recursive_directory_iterator(m_posix, ignored); it != fs::recursive_directory_iterator();
             it.increment(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::remove_all(m_posix, ignored);
    }

    std::string W(const std::string& rel = "") const { return m_win + rel; }
    std::string P(std::string rel = "") const {
        std::replace(rel.begin(), rel.end(), '\\', '/');
        return m_posix + "/" + rel;
    }
    void Write(const std::string& rel, const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(P(rel)).parent_path());
        std::ofstream(P(rel), std::ios::binary) << bytes;
    }
    void MakeDir(const std::string& rel) const { std::filesystem::create_directories(P(rel)); }
    std::string Read(const std::string& rel) const {
        std::ifstream in(P(rel), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Has(const std::string& rel) const { return std::filesystem::exists(P(rel)); }
    void MakeReadOnly(const std::string& rel) const {
        std::filesystem::permissions(P(rel),
                                     std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
    }

    std::string m_posix;  // no trailing '/'
    std::string m_win;    // with its trailing '\'
};

}  // namespace testing_lurutils
