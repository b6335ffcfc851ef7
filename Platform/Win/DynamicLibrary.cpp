#include "DynamicLibrary.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "LastError.h"

namespace win {

namespace {

// The libraries this process loaded through LoadLibraryA, by module handle:
// the loader's own handle and how many loads are not yet released.
struct Loaded {
    void* handle = nullptr;
    int loads = 0;
};

std::map<HMODULE, Loaded>& LoadedLibraries() {
    static std::map<HMODULE, Loaded> libraries;
    return libraries;
}

std::string ProgramDirectory() {
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return {};
    std::string path(buffer.data(), static_cast<size_t>(n));
    return path.substr(0, path.find_last_of('/'));
}

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
    if (text.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        char c = text[text.size() - tail.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

// The files to try for a name, in order.
std::vector<std::string> Candidates(const std::string& name) {
    if (EndsWithNoCase(name, "lurdbcli.dll") && name.find_first_of("/\\") == std::string::npos) {
        if (const char* overridePath = std::getenv("LURDBCLI_LIBRARY"); overridePath && *overridePath)
            return {overridePath};
    }
    if (name.find_first_of("/\\") == std::string::npos && EndsWithNoCase(name, ".dll")) {
        const std::string file = "lib" + name.substr(0, name.size() - 4) + ".so";
        std::vector<std::string> paths;
        if (const std::string dir = ProgramDirectory(); !dir.empty()) paths.push_back(dir + "/" + file);
        paths.push_back(file);  // the loader's normal search
        return paths;
    }
    return {name};
}

// The module handle of a library the loader has open, found by an address
// inside it (its dynamic section): two files of the same name in different
// directories are different modules.
HMODULE ModuleOf(void* handle) {
    link_map* map = nullptr;
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_ld) return nullptr;
    HMODULE module = nullptr;
    return GetModuleHandleFromAddress(map->l_ld, module) ? module : nullptr;
}

}  // namespace

HMODULE LoadLibraryA(const char* name) {
    // Made before any module is held, so that it outlives a static holder
    // that releases its module at exit.
    std::map<HMODULE, Loaded>& libraries = LoadedLibraries();
    if (!name || !*name) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    for (const std::string& candidate : Candidates(name)) {
        void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) continue;
        HMODULE module = ModuleOf(handle);
        if (!module) {
            ::dlclose(handle);
            continue;
        }
        Loaded& entry = libraries[module];
        if (entry.loads > 0) ::dlclose(handle);  // keep one loader reference per module
        entry.handle = entry.loads > 0 ? entry.handle : handle;
        ++entry.loads;
        SetLastError(ERROR_SUCCESS);
        return module;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

void* GetProcAddress(HMODULE module, const char* name) {
    const auto it = LoadedLibraries().find(module);
    if (it == LoadedLibraries().end() || !name) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::string symbol(name);
    for (char& c : symbol)
        if (c == '@') c = '$';
    void* address = ::dlsym(it->second.handle, symbol.c_str());
    SetLastError(address ? ERROR_SUCCESS : ERROR_PROC_NOT_FOUND);
    return address;
}

bool FreeLibrary(HMODULE module) {
    const auto it = LoadedLibraries().find(module);
    if (it == LoadedLibraries().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (--it->second.loads == 0) {
        ::dlclose(it->second.handle);
        LoadedLibraries().erase(it);
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

}  // namespace win
