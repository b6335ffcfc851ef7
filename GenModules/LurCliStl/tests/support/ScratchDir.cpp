#include "ScratchDir.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace lurtest {

std::string BinDir() {
    const char* dir = std::getenv("LUR_TEST_BIN_DIR");
    return dir && *dir ? dir : ".";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

// A new directory (with its "data" directory) named from the prefix.
std::string MakeScratchDir(const std::string& prefix) {
    const std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) throw std::runtime_error("cannot create a temporary directory");
    std::filesystem::create_directories(std::string(name.data()) + "/data");
    return name.data();
}

}  // namespace

ScratchDir::ScratchDir(const std::string& prefix)
    : m_path(MakeScratchDir(prefix)),
      m_registry("LUR_REGISTRY", m_path + "/registry.reg"),
      m_data("LURDB_DATA", m_path + "/data") {}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

}  // namespace lurtest
