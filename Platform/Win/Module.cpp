#include "Module.h"

#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LastError.h"
#include "ModuleRecord.h"

namespace win {

namespace {

// One object of the process's link map.
struct LoadedObject {
    std::string path;  // empty for the program
    bool program = false;
    bool containsAddress = false;
};

std::string ProgramPath() {
    std::vector<char> buffer(4096);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

// The objects of the link map; the program is always the first.
std::vector<LoadedObject> LoadedObjects(const void* address) {
    struct Walk {
        const void* address;
        std::vector<LoadedObject> objects;
    } walk{address, {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* w = static_cast<Walk*>(data);
            LoadedObject object;
            object.program = w->objects.empty();
            if (!object.program && info->dlpi_name != nullptr) object.path = info->dlpi_name;
            const auto target = reinterpret_cast<uintptr_t>(w->address);
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& ph = info->dlpi_phdr[i];
                if (ph.p_type != PT_LOAD) continue;
                const uintptr_t start = info->dlpi_addr + ph.p_vaddr;
                if (target >= start && target < start + ph.p_memsz) object.containsAddress = true;
            }
            w->objects.push_back(std::move(object));
            return 0;
        },
        &walk);
    return walk.objects;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A library's file name without the version after ".so" ("libx.so.1" -> "libx.so").
std::string WithoutSoVersion(const std::string& name) {
    const size_t so = name.find(".so.");
    return so == std::string::npos ? name : name.substr(0, so + 3);
}

// The file names a Windows-style module name stands for: "lurdbcli.dll" and
// "lurdbcli" are the library file liblurdbcli.so; "Varnok.exe" is Varnok.
std::vector<std::string> CandidateNames(const std::string& name) {
    const std::string base = Lower(BaseName(name));
    std::vector<std::string> names{base};
    std::string stem;
    if (EndsWith(base, ".dll")) {
        stem = base.substr(0, base.size() - 4);
    } else if (EndsWith(base, ".exe")) {
        names.push_back(base.substr(0, base.size() - 4));
    } else if (base.find('.') == std::string::npos) {
        stem = base;
    }
    if (!stem.empty()) {
        names.push_back("lib" + stem + ".so");
        names.push_back(stem + ".so");
    }
    return names;
}

struct ModuleTable {
    ModuleRecord program;
    std::map<std::string, std::unique_ptr<ModuleRecord>> libraries;  // by path
};

ModuleTable& Modules() {
    static ModuleTable table = [] {
        ModuleTable t;
        t.program.fileName = ProgramPath();
        return t;
    }();
    return table;
}

HMODULE RecordOf(const LoadedObject& object) {
    ModuleTable& table = Modules();
    if (object.program) return &table.program;
    std::unique_ptr<ModuleRecord>& record = table.libraries[object.path];
    if (!record) {
        record = std::make_unique<ModuleRecord>();
        record->fileName = object.path;
    }
    return record.get();
}

}  // namespace

ModuleRecord* ResolveModule(HMODULE module) {
    ModuleTable& table = Modules();
    if (module == nullptr || module == &table.program) return &table.program;
    for (const auto& entry : table.libraries) {
        if (entry.second.get() == module) return module;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

HMODULE GetModuleHandle(const char* name) {
    if (name == nullptr || *name == '\0') return &Modules().program;
    const std::vector<std::string> candidates = CandidateNames(name);
    auto matches = [&candidates](const std::string& path) {
        const std::string base = Lower(BaseName(path));
        return std::find(candidates.begin(), candidates.end(), base) != candidates.end() ||
               std::find(candidates.begin(), candidates.end(), WithoutSoVersion(base)) != candidates.end();
    };
    if (matches(Modules().program.fileName)) return &Modules().program;
    for (const LoadedObject& object : LoadedObjects(nullptr)) {
        if (!object.program && !object.path.empty() && (object.path == name || matches(object.path)))
            return RecordOf(object);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

uint32_t GetModuleFileName(HMODULE module, char* buffer, uint32_t size) {
    const ModuleRecord* record = ResolveModule(module);
    if (record == nullptr) return 0;
    if (buffer == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (record->fileName.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        buffer[0] = '\0';
        return 0;
    }
    const size_t copied = std::min<size_t>(record->fileName.size(), size - 1);
    std::memcpy(buffer, record->fileName.data(), copied);
    buffer[copied] = '\0';
    if (copied < record->fileName.size()) SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return static_cast<uint32_t>(copied);
}

bool GetModuleHandleFromAddress(const void* address, HMODULE& module) {
    module = nullptr;
    if (address == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    for (const LoadedObject& object : LoadedObjects(address)) {
        if (object.containsAddress) {
            module = RecordOf(object);
            return true;
        }
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return false;
}

}  // namespace win
