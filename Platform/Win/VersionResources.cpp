#include "VersionResources.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "CodePage.h"
#include "LastError.h"
#include "Locale.h"
#include "ModuleRecord.h"

namespace win {

namespace {

// Block layout: a header, then entries; every part starts on a 4-byte
// boundary, so a caller's block allocated with new char[] reads safely.
//   header: magic, total size, entry count
//   entry:  key size (with its zero), value size in bytes, reported length,
//           key (normalised path), value
constexpr uint32_t kBlockMagic = 0x3152564C;  // "LVR1"
constexpr size_t kHeaderWords = 3;
constexpr size_t kEntryWords = 3;

struct Registrations {
    std::map<const ModuleRecord*, const VersionResource*> modules;
    std::map<std::string, const VersionResource*> files;
};

Registrations& Registry() {
    static Registrations registrations;
    return registrations;
}

// Sub-block paths compare without their leading backslashes and ignoring
// ASCII letter case.
std::string NormalisePath(const char* path) {
    std::string text = path != nullptr ? path : "";
    text.erase(0, std::min(text.find_first_not_of('\\'), text.size()));
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); });
    return text;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

const VersionResource* FindResource(const char* fileName) {
    const Registrations& registry = Registry();
    for (const auto& [path, resource] : registry.files) {
        if (SameFile(path, fileName)) return resource;
    }
    for (const auto& [record, resource] : registry.modules) {
        if (!record->fileName.empty() && SameFile(record->fileName, fileName)) return resource;
    }
    return nullptr;
}

class BlockWriter {
public:
    BlockWriter() : m_bytes(kHeaderWords * 4, '\0') {}

    void Add(const std::string& key, const void* value, uint32_t size, uint32_t length) {
        const uint32_t keySize = static_cast<uint32_t>(key.size() + 1);
        const uint32_t header[kEntryWords] = {keySize, size, length};
        Append(header, sizeof header);
        Append(key.c_str(), keySize);
        Append(value, size);
        ++m_count;
    }

    void AddText(const std::string& key, const std::string& text) {
        Add(key, text.c_str(), static_cast<uint32_t>(text.size() + 1), static_cast<uint32_t>(text.size() + 1));
    }

    std::vector<char> Finish() {
        const uint32_t header[kHeaderWords] = {kBlockMagic, static_cast<uint32_t>(m_bytes.size()), m_count};
        std::memcpy(m_bytes.data(), header, sizeof header);
        return std::move(m_bytes);
    }

private:
    void Append(const void* data, size_t size) {
        const auto* bytes = static_cast<const char*>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
        m_bytes.resize((m_bytes.size() + 3) / 4 * 4, '\0');
    }

    std::vector<char> m_bytes;
    uint32_t m_count = 0;
};

std::vector<char> BuildBlock(const VersionResource& resource) {
    BlockWriter writer;
    writer.Add("", &resource.fixed, sizeof resource.fixed, sizeof resource.fixed);

    std::vector<uint32_t> translations;
    for (size_t t = 0; t < resource.tableCount; ++t) {
        const VersionStringTable& table = resource.tables[t];
        translations.push_back(VersionHalf(table.codePage, table.language));
        char prefix[40];
        std::snprintf(prefix, sizeof prefix, "stringfileinfo\\%04hx%04hx\\", table.language, table.codePage);
        for (size_t s = 0; s < table.count; ++s) {
            const VersionString& entry = table.strings[s];
            if (entry.key == nullptr) continue;
            writer.AddText(NormalisePath((prefix + std::string(entry.key)).c_str()),
                           Utf8ToCp1250(entry.value != nullptr ? entry.value : ""));
        }
    }
    if (!translations.empty()) {
        const auto size = static_cast<uint32_t>(translations.size() * sizeof(uint32_t));
        writer.Add("varfileinfo\\translation", translations.data(), size, size);
    }
    return writer.Finish();
}

// The registered resource of the file, or null with the last error set.
const VersionResource* ResourceOf(const char* fileName) {
    if (fileName == nullptr || *fileName == '\0') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (const VersionResource* resource = FindResource(fileName)) return resource;
    struct stat info {};
    SetLastError(::stat(fileName, &info) == 0 ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    return nullptr;
}

uint32_t ReadWord(const char* at) {
    uint32_t word = 0;
    std::memcpy(&word, at, sizeof word);
    return word;
}

size_t Padded(size_t size) { return (size + 3) / 4 * 4; }

}  // namespace

bool RegisterVersionResource(HMODULE module, const VersionResource* resource) {
    const ModuleRecord* record = ResolveModule(module);
    if (record == nullptr) return false;
    if (resource == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    Registry().modules[record] = resource;
    return true;
}

bool RegisterFileVersionResource(const char* fileName, const VersionResource* resource) {
    if (fileName == nullptr || *fileName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (resource == nullptr) {
        Registry().files.erase(fileName);
    } else {
        Registry().files[fileName] = resource;
    }
    return true;
}

uint32_t GetFileVersionInfoSize(const char* fileName, uint32_t* handle) {
    if (handle != nullptr) *handle = 0;
    const VersionResource* resource = ResourceOf(fileName);
    return resource != nullptr ? static_cast<uint32_t>(BuildBlock(*resource).size()) : 0;
}

bool GetFileVersionInfo(const char* fileName, uint32_t /*handle*/, uint32_t size, void* data) {
    const VersionResource* resource = ResourceOf(fileName);
    if (resource == nullptr) return false;
    const std::vector<char> block = BuildBlock(*resource);
    if (data == nullptr || size < block.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    std::memcpy(data, block.data(), block.size());
    return true;
}

bool VerQueryValue(const void* block, const char* subBlock, void** value, uint32_t* length) {
    if (block == nullptr || subBlock == nullptr || value == nullptr || length == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const auto* bytes = static_cast<const char*>(block);
    if (ReadWord(bytes) != kBlockMagic) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    const size_t total = ReadWord(bytes + 4);
    const uint32_t count = ReadWord(bytes + 8);
    const std::string wanted = NormalisePath(subBlock);
    size_t at = kHeaderWords * 4;
    for (uint32_t i = 0; i < count && at + kEntryWords * 4 <= total; ++i) {
        const size_t keySize = ReadWord(bytes + at);
        const size_t valueSize = ReadWord(bytes + at + 4);
        const uint32_t reported = ReadWord(bytes + at + 8);
        const size_t keyAt = at + kEntryWords * 4;
        const size_t valueAt = keyAt + Padded(keySize);
        if (keySize == 0 || valueAt + valueSize > total) break;
        if (keySize == wanted.size() + 1 && std::memcmp(bytes + keyAt, wanted.c_str(), keySize) == 0) {
            *value = const_cast<char*>(bytes + valueAt);
            *length = reported;
            return true;
        }
        at = valueAt + Padded(valueSize);
    }
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return false;
}

uint32_t VerLanguageName(uint32_t language, char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0) return 0;
    std::string name;
    char languageName[128];
    char countryName[128];
    if (language == 0) {
        name = "Language Neutral";
    } else if (GetLocaleInfo(language, LOCALE_SENGLANGUAGE, languageName, sizeof languageName) > 0 &&
               GetLocaleInfo(language, LOCALE_SENGCOUNTRY, countryName, sizeof countryName) > 0) {
        name = std::string(languageName) + " (" + countryName + ")";
    } else {
        name = "Unknown language";
    }
    const size_t copied = std::min<size_t>(name.size(), size - 1);
    std::memcpy(buffer, name.data(), copied);
    buffer[copied] = '\0';
    return static_cast<uint32_t>(copied);
}

uint16_t GetSystemDefaultLangID() { return LangIdFromLcid(GetSystemDefaultLCID()); }

}  // namespace win
