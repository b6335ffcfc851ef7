#include "StoreLocation.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "CodePage.h"
#include "Crt.h"

namespace lurstore {

namespace {

// LURDB_DATA when it is set and not empty, else null.
const char* ChosenDirectory() {
    const char* dir = std::getenv("LURDB_DATA");
    return dir && *dir ? dir : nullptr;
}

}  // namespace

std::string DataDirectory() {
    if (const char* dir = ChosenDirectory()) return dir;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return std::string(xdg) + "/lurdb";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/lurdb";
}

std::string StoreFilePath(const std::string& service) {
    return DataDirectory() + "/" + win::Cp1250ToUtf8(win::crt::UpperCp1250(service)) + ".lurdb";
}

std::string DescribeStoreFile(const std::string& service) {
    const std::string path = StoreFilePath(service);
    const std::string text = "the store file " + path +
                             (ChosenDirectory() ? " in the folder that LURDB_DATA names"
                                                : " (in the default folder, as LURDB_DATA is not set)");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) return text + ", which does not exist";
        return text + ", which cannot be opened: " + std::strerror(error);
    }
    ::close(fd);
    return text;
}

}  // namespace lurstore
