#include "LurVersionControl.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "LurWinUtils.h"

namespace {

using win::VersionFixedInfo;

// The keys every string table has, and the two that only a private or a
// special build carries.
constexpr const char* kCommonKeys[] = {
    LurVersionControl::kCompanyName,      LurVersionControl::kFileDescription, LurVersionControl::kFileVersion,
    LurVersionControl::kInternalName,     LurVersionControl::kLegalCopyright,  LurVersionControl::kLegalTradeMarks,
    LurVersionControl::kOriginalFileName, LurVersionControl::kProductName,     LurVersionControl::kProductVersion,
    LurVersionControl::kComments,
};

constexpr size_t kLanguageNameSize = 260;

LurVersionNumber VersionOf(uint32_t mostSignificant, uint32_t leastSignificant) {
    return LurVersionNumber(static_cast<int>(mostSignificant >> 16), static_cast<int>(mostSignificant & 0xFFFF),
                            static_cast<int>(leastSignificant >> 16), static_cast<int>(leastSignificant & 0xFFFF));
}

void AppendWord(std::string& text, const char* separator, const char* word) {
    if (!text.empty()) text += separator;
    text += word;
}

}  // namespace

LurVersionControl::LurVersionControl(win::HMODULE module) : m_preferredLanguage(win::GetSystemDefaultLangID()) {
    LoadByModule(module);
}

LurVersionControl::LurVersionControl(const std::string& path) : m_preferredLanguage(win::GetSystemDefaultLangID()) {
    ReadFile(path);
}

LurVersionControl::LurVersionControl(const LurVersionControl& other) { *this = other; }

LurVersionControl& LurVersionControl::operator=(const LurVersionControl& other) {
    if (this == &other) return *this;
    m_languages = other.m_languages;
    m_productVersion = other.m_productVersion;
    m_fileVersion = other.m_fileVersion;
    m_path = other.m_path;
    m_languageNames = other.m_languageNames;
    m_codePages = other.m_codePages;
    m_fileFlags = other.m_fileFlags;
    m_fileOS = other.m_fileOS;
    m_fileType = other.m_fileType;
    m_fileSubtype = other.m_fileSubtype;
    m_currentLanguage = other.m_currentLanguage;
    m_currentCodePage = other.m_currentCodePage;
    m_preferredLanguage = other.m_preferredLanguage;
    // Our own copy of the current table, never the other object's.
    const auto current = m_languages.find(m_currentLanguage);
    m_current = current != m_languages.end() ? &current->second : nullptr;
    return *this;
}

LurVersionControl::~LurVersionControl() = default;

std::string LurVersionControl::GetString(const std::string& key, uint16_t language) const {
    const auto table = m_languages.find(language);
    if (table == m_languages.end()) return std::string();
    const auto value = table->second.find(key);
    return value != table->second.end() ? value->second : std::string();
}

std::string LurVersionControl::GetString(const std::string& key) const {
    if (m_current == nullptr) return std::string();
    const auto value = m_current->find(key);
    return value != m_current->end() ? value->second : std::string();
}

void LurVersionControl::Load(const std::string& path) {
    if (path.empty()) {
        LoadByModule(nullptr);
    } else {
        ReadFile(path);
    }
}

void LurVersionControl::LoadByModule(win::HMODULE module) { ReadFile(lurutils::ModuleName(module, false)); }

void LurVersionControl::Reset(const std::string& path) {
    m_languages.clear();
    m_languageNames.clear();
    m_codePages.clear();
    m_current = nullptr;
    m_productVersion = LurVersionNumber();
    m_fileVersion = LurVersionNumber();
    m_fileFlags = m_fileOS = m_fileType = m_fileSubtype = 0;
    m_currentLanguage = 0;
    m_currentCodePage = 0;
    m_path = path;
}

void LurVersionControl::ReadFile(const std::string& path) {
    Reset(path);
    const uint32_t size = win::GetFileVersionInfoSize(path.c_str(), nullptr);
    if (size == 0) return;
    std::vector<char> block(size);
    if (!win::GetFileVersionInfo(path.c_str(), 0, size, block.data())) return;

    void* value = nullptr;
    uint32_t length = 0;
    if (win::VerQueryValue(block.data(), "\\", &value, &length) && length >= sizeof(VersionFixedInfo)) {
        VersionFixedInfo fixed;
        std::memcpy(&fixed, value, sizeof fixed);
        m_productVersion = VersionOf(fixed.productVersionMS, fixed.productVersionLS);
        m_fileVersion = VersionOf(fixed.fileVersionMS, fixed.fileVersionLS);
        m_fileFlags = fixed.fileFlags;
        m_fileOS = fixed.fileOS;
        m_fileType = fixed.fileType;
        m_fileSubtype = fixed.fileSubtype;
    }

    if (!win::VerQueryValue(block.data(), "\\VarFileInfo\\Translation", &value, &length)) return;
    const auto* entries = static_cast<const char*>(value);
    for (uint32_t i = 0; i < length / sizeof(uint32_t); ++i) {
        uint32_t entry = 0;
        std::memcpy(&entry, entries + i * sizeof entry, sizeof entry);
        ReadStrings(block.data(), static_cast<uint16_t>(entry & 0xFFFF), static_cast<uint16_t>(entry >> 16));
    }
}

void LurVersionControl::ReadStrings(const char* block, uint16_t language, uint16_t codePage) {
    StringTable& table = m_languages[language];
    for (const char* key : kCommonKeys) table.emplace(key, std::string());
    if (IsPrivateBuild()) table.emplace(kPrivateBuild, std::string());
    if (IsSpecialBuild()) table.emplace(kSpecialBuild, std::string());

    // The first translation is the default; one in the system's language wins.
    if (m_currentLanguage == 0 || language == m_preferredLanguage) {
        m_currentLanguage = language;
        m_currentCodePage = codePage;
        m_current = &table;
    }

    char name[kLanguageNameSize] = "";
    win::VerLanguageName(language, name, sizeof name);
    m_languageNames[language] = name;
    m_codePages[language] = codePage;

    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "StringFileInfo\\%04hX%04hX\\", language, codePage);
    for (auto& [key, text] : table) {
        void* value = nullptr;
        uint32_t length = 0;
        if (win::VerQueryValue(block, (prefix + key).c_str(), &value, &length)) {
            text.assign(static_cast<const char*>(value), strnlen(static_cast<const char*>(value), length));
        }
    }
}

const uint16_t* LurVersionControl::GetCodePage(uint16_t language) const {
    const auto it = m_codePages.find(language);
    return it != m_codePages.end() ? &it->second : nullptr;
}

std::string LurVersionControl::GetLanguageName(uint16_t language) const {
    const auto it = m_languageNames.find(language);
    return it != m_languageNames.end() ? it->second : std::string();
}

uint16_t LurVersionControl::GetLanguageAt(int index) const {
    if (index < 0 || index >= GetLanguageCount()) return 0;
    auto it = m_languageNames.begin();
    std::advance(it, index);
    return it->first;
}

std::string LurVersionControl::GetFileFlagsText() const {
    static constexpr struct {
        uint32_t flag;
        const char* word;
    } kFlags[] = {
        {win::VS_FF_DEBUG, "debug info"},
        {win::VS_FF_INFOINFERRED, "version data maybe incorrect"},
        {win::VS_FF_PATCHED, "patched"},
        {win::VS_FF_PRERELEASE, "pre-release"},
        {win::VS_FF_PRIVATEBUILD, "private build"},
        {win::VS_FF_SPECIALBUILD, "special build"},
    };
    std::string text;
    for (const auto& f : kFlags) {
        if ((m_fileFlags & f.flag) != 0) AppendWord(text, ", ", f.word);
    }
    return text;
}

// The word holds one system in its high word and one windowing layer in its
// low word, so each entry is matched against its own half.
std::string LurVersionControl::GetFileOSText() const {
    static constexpr struct {
        uint32_t value;
        const char* separator;
        const char* word;
    } kSystems[] = {
        {win::VOS__WINDOWS32, " ", "Win32"}, {win::VOS__WINDOWS16, " ", "Win16"}, {win::VOS_DOS, " ", "on DOS"},
        {win::VOS_NT, ", ", "NT"},           {win::VOS_OS216, ", ", "OS2 16"},    {win::VOS_OS232, ", ", "OS2 32"},
        {win::VOS__PM16, " ", "PM16"},       {win::VOS__PM32, " ", "PM32"},
    };
    std::string text;
    for (const auto& s : kSystems) {
        const uint32_t half = (s.value & 0xFFFF0000u) != 0 ? (m_fileOS & 0xFFFF0000u) : (m_fileOS & 0xFFFFu);
        if (half == s.value) AppendWord(text, s.separator, s.word);
    }
    if (m_fileOS == win::VOS_UNKNOWN) AppendWord(text, " ", "Unknown");
    return text;
}

std::string LurVersionControl::GetFileTypeText() const {
    switch (m_fileType) {
        case win::VFT_UNKNOWN: return "unknown";
        case win::VFT_APP: return "application";
        case win::VFT_DLL: return "dynamic-link library";
        case win::VFT_DRV: return "device driver";
        case win::VFT_FONT: return "font";
        case win::VFT_VXD: return "virtual device";
        case win::VFT_STATIC_LIB: return "static-link library";
        default: return "";
    }
}

bool LurVersionControl::operator==(const LurVersionControl& other) const {
    return m_languages == other.m_languages && m_productVersion == other.m_productVersion &&
           m_fileVersion == other.m_fileVersion && m_path == other.m_path && m_languageNames == other.m_languageNames &&
           m_fileFlags == other.m_fileFlags && m_fileOS == other.m_fileOS && m_fileType == other.m_fileType &&
           m_fileSubtype == other.m_fileSubtype && m_currentLanguage == other.m_currentLanguage &&
           m_currentCodePage == other.m_currentCodePage;
}

bool LurVersionControl::IsSameProduct(const LurVersionControl& other) const {
    return m_fileType == other.m_fileType && GetOriginalFileName() == other.GetOriginalFileName() &&
           GetProductName() == other.GetProductName() && GetInternalName() == other.GetInternalName();
}
