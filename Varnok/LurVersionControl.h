// The version resource of an executable file (by default the running
// program's own): the fixed version information and the string table of
// each language the resource carries. Questions without a language are
// answered from the current language: the first translation of the
// resource, or the one in the system's default language when it has it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "LurVersionNumber.h"
#include "Module.h"
#include "VersionResources.h"

class LurVersionControl {
public:
    using StringTable = std::map<std::string, std::string>;  // key -> value
    using LanguageMap = std::map<uint16_t, StringTable>;     // language id -> its strings
    using LanguageNameMap = std::map<uint16_t, std::string>;
    using CodePageMap = std::map<uint16_t, uint16_t>;

    // Reads the module's file (null: the running program).
    explicit LurVersionControl(win::HMODULE module = nullptr);
    explicit LurVersionControl(const std::string& path);
    LurVersionControl(const LurVersionControl& other);
    LurVersionControl& operator=(const LurVersionControl& other);
    virtual ~LurVersionControl();

    // "" when the language or the key is missing.
    virtual std::string GetString(const std::string& key, uint16_t language) const;
    virtual std::string GetString(const std::string& key) const;

    // An empty path reads the running program's own file.
    void Load(const std::string& path);
    void LoadByModule(win::HMODULE module);

    std::string GetCompanyName() const { return GetString(kCompanyName); }
    std::string GetFileDescription() const { return GetString(kFileDescription); }
    std::string GetFileVersionString() const { return GetString(kFileVersion); }
    std::string GetInternalName() const { return GetString(kInternalName); }
    std::string GetLegalCopyright() const { return GetString(kLegalCopyright); }
    std::string GetLegalTradeMarks() const { return GetString(kLegalTradeMarks); }
    std::string GetOriginalFileName() const { return GetString(kOriginalFileName); }
    std::string GetProductName() const { return GetString(kProductName); }
    std::string GetProductVersionString() const { return GetString(kProductVersion); }
    std::string GetComments() const { return GetString(kComments); }
    std::string GetPrivateBuild() const { return GetString(kPrivateBuild); }
    std::string GetSpecialBuild() const { return GetString(kSpecialBuild); }

    std::string GetCompanyName(uint16_t language) const { return GetString(kCompanyName, language); }
    std::string GetFileDescription(uint16_t language) const { return GetString(kFileDescription, language); }
    std::string GetFileVersionString(uint16_t language) const { return GetString(kFileVersion, language); }
    std::string GetInternalName(uint16_t language) const { return GetString(kInternalName, language); }
    std::string GetLegalCopyright(uint16_t language) const { return GetString(kLegalCopyright, language); }
    std::string GetLegalTradeMarks(uint16_t language) const { return GetString(kLegalTradeMarks, language); }
    std::string GetOriginalFileName(uint16_t language) const { return GetString(kOriginalFileName, language); }
    std::string GetProductName(uint16_t language) const { return GetString(kProductName, language); }
    std::string GetProductVersionString(uint16_t language) const { return GetString(kProductVersion, language); }
    std::string GetComments(uint16_t language) const { return GetString(kComments, language); }
    std::string GetPrivateBuild(uint16_t language) const { return GetString(kPrivateBuild, language); }
    std::string GetSpecialBuild(uint16_t language) const { return GetString(kSpecialBuild, language); }

    LurVersionNumber GetProductVersion() const { return m_productVersion; }
    LurVersionNumber GetFileVersion() const { return m_fileVersion; }
    std::string GetProductVersionText() const { return m_productVersion.ToString(); }
    std::string GetFileVersionText() const { return m_fileVersion.ToString(); }

    const std::string& GetPath() const { return m_path; }
    uint16_t GetLanguage() const { return m_currentLanguage; }  // 0: none
    uint16_t GetCodePage() const { return m_currentCodePage; }  // 0: none
    const uint16_t* GetCodePage(uint16_t language) const;       // null when unknown
    std::string GetLanguageName() const { return GetLanguageName(m_currentLanguage); }
    std::string GetLanguageName(uint16_t language) const;  // "" when unknown
    int GetLanguageCount() const { return static_cast<int>(m_languageNames.size()); }
    const LanguageNameMap& GetLanguageNames() const { return m_languageNames; }
    void GetLanguageNames(LanguageNameMap& copy) const { copy = m_languageNames; }
    // The language at that position in ascending id order; 0 out of range.
    uint16_t GetLanguageAt(int index) const;

    uint32_t GetFileFlags() const { return m_fileFlags; }
    bool IsDebug() const { return (m_fileFlags & win::VS_FF_DEBUG) != 0; }
    bool IsPreRelease() const { return (m_fileFlags & win::VS_FF_PRERELEASE) != 0; }
    bool IsPatched() const { return (m_fileFlags & win::VS_FF_PATCHED) != 0; }
    bool IsPrivateBuild() const { return (m_fileFlags & win::VS_FF_PRIVATEBUILD) != 0; }
    bool IsInfoInferred() const { return (m_fileFlags & win::VS_FF_INFOINFERRED) != 0; }
    bool IsSpecialBuild() const { return (m_fileFlags & win::VS_FF_SPECIALBUILD) != 0; }
    std::string GetFileFlagsText() const;

    uint32_t GetFileOS() const { return m_fileOS; }
    std::string GetFileOSText() const;
    uint32_t GetFileType() const { return m_fileType; }
    std::string GetFileTypeText() const;
    uint32_t GetFileSubtype() const { return m_fileSubtype; }

    bool operator==(const LurVersionControl& other) const;
    // Same file type and the same original file, product and internal names.
    bool IsSameProduct(const LurVersionControl& other) const;

    static constexpr const char* kCompanyName = "CompanyName";
    static constexpr const char* kFileDescription = "FileDescription";
    static constexpr const char* kFileVersion = "FileVersion";
    static constexpr const char* kInternalName = "InternalName";
    static constexpr const char* kLegalCopyright = "LegalCopyright";
    static constexpr const char* kLegalTradeMarks = "LegalTradeMarks";
    static constexpr const char* kOriginalFileName = "OriginalFileName";
    static constexpr const char* kProductName = "ProductName";
    static constexpr const char* kProductVersion = "ProductVersion";
    static constexpr const char* kComments = "Comments";
    static constexpr const char* kPrivateBuild = "PrivateBuild";
    static constexpr const char* kSpecialBuild = "SpecialBuild";

private:
    void Reset(const std::string& path);
    void ReadFile(const std::string& path);
    void ReadStrings(const char* block, uint16_t language, uint16_t codePage);

    LanguageMap m_languages;
    const StringTable* m_current = nullptr;
    LurVersionNumber m_productVersion;
    LurVersionNumber m_fileVersion;
    std::string m_path;
    LanguageNameMap m_languageNames;
    CodePageMap m_codePages;
    uint32_t m_fileFlags = 0;
    uint32_t m_fileOS = 0;
    uint32_t m_fileType = 0;
    uint32_t m_fileSubtype = 0;
    uint16_t m_currentLanguage = 0;
    uint16_t m_currentCodePage = 0;
    uint16_t m_preferredLanguage = 0;
};
