#include "LurWinUtils.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "CodePage.h"
#include "CriticalSection.h"
#include "Crt.h"
#include "LastError.h"
#include "Locale.h"
#include "LurExceptBaseArg.h"
#include "LurResources.h"
#include "MessagePump.h"
#include "Module.h"
#include "SystemErrorText.h"

namespace lurutils {

namespace {

constexpr ThrowSource Here{"GenModules\\LurUtils\\LurWinUtils"};
constexpr uint16_t kUserDefaultLanguage = 1024;

// Room for a full file name; the 259 characters of the original platform
// would cut longer paths.
constexpr uint32_t kModuleNameSize = 4096;

std::string Printf(const char* format, int a, int b = 0) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

// The language id of a language name for the system's message texts: the
// low 16 bits of its locale, or the user's default language for no name.
uint16_t MessageLanguageId(const std::string& language) {
    return language.empty() ? kUserDefaultLanguage
                            : static_cast<uint16_t>(LcidFromLocaleName(language.c_str()) & 0xFFFF);
}

// The system's text of code in languageId, else in any language; false with
// the last error of the final attempt.
bool SystemMessage(uint32_t code, uint16_t languageId, std::string& text) {
    return win::FormatSystemMessage(code, languageId, text) || win::FormatSystemMessage(code, 0, text);
}

// depth bounds the lookup of the lookup's own error to one level.
std::string SystemErrorText(int code, const std::string& language, int depth) {
    const std::string& name = language.empty() ? GetCurrentLanguage() : language;
    std::string text;
    if (SystemMessage(static_cast<uint32_t>(code), MessageLanguageId(name), text)) return text;
    const int kept = static_cast<int>(win::GetLastError());
    if (kept == code) return Printf("System-error. Last ErrCode: %d", code);
    const std::string keptText = depth == 0 ? SystemErrorText(kept, "", depth + 1) : std::string();
    if (!keptText.empty()) return keptText + Printf(" (%d)", code);
    return Printf("System-error. Last error code: %d, original error code: %d", kept, code);
}

// The state of one locale lookup. The enumeration callback takes no
// argument through which to pass it, so it is process-wide and guarded by
// the library's one critical section.
struct LocaleLookup {
    win::CriticalSection section;
    LCID result = 0;
    char name[120] = {};
    const char* abbreviation = nullptr;
    const char* iso = nullptr;
    const char* language = nullptr;
    const char* country = nullptr;
    const char* codePage = nullptr;

    void Reset() {
        result = 0;
        std::memset(name, 0, sizeof name);
        abbreviation = iso = language = country = codePage = nullptr;
    }
};

LocaleLookup& Lookup() {
    static LocaleLookup state;
    return state;
}

void UpperCase(char* text) {
    for (; *text; ++text) *text = static_cast<char>(win::crt::ToUpper(static_cast<unsigned char>(*text)));
}

// Splits the upper-cased name into its criteria.
void ParseLocaleName(LocaleLookup& s) {
    char* name = s.name;
    const size_t length = std::strlen(name);
    if (length == 3) {
        s.abbreviation = name;
    } else if (length == 2) {
        s.iso = name;
    } else if (length >= 4) {
        if (char* underscore = std::strchr(name, '_')) {
            *underscore = '\0';
            if (underscore != name) s.language = name;
            char* country = underscore + 1;
            if (char* dot = std::strchr(country, '.')) {
                *dot = '\0';
                s.codePage = dot + 1;
            }
            if (*country != '\0') s.country = country;
        } else if (char* dot = std::strchr(name, '.')) {
            *dot = '\0';
            if (dot != name) s.language = name;
            s.codePage = dot + 1;
        } else {
            s.language = name;
        }
    }
}

LCID ParseHexLcid(const char* text) {
    LCID value = 0;
    for (; *text; ++text) {
        const char c = *text;
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            break;
        value = value * 16 + static_cast<LCID>(digit);
    }
    return value;
}

// Reads a locale field upper-cased into buffer; false when the read fails.
bool ReadUpper(LCID lcid, LCTYPE type, char* buffer, int size) {
    if (win::GetLocaleInfo(lcid, type, buffer, size) == 0) return false;
    UpperCase(buffer);
    return true;
}

bool MatchLocale(char* lcidText) {
    LocaleLookup& s = Lookup();
    const LCID lcid = ParseHexLcid(lcidText);
    if (s.abbreviation != nullptr) {
        char buffer[4];
        if (ReadUpper(lcid, win::LOCALE_SABBREVLANGNAME, buffer, sizeof buffer) &&
            std::strcmp(buffer, s.abbreviation) == 0)
            s.result = lcid;
        return true;
    }
    if (s.iso != nullptr) {
        char buffer[3];
        if (ReadUpper(lcid, win::LOCALE_SISO639LANGNAME, buffer, sizeof buffer) && std::strcmp(buffer, s.iso) == 0)
            s.result = lcid;
        return true;
    }
    char buffer[120];
    if (s.language != nullptr &&
        (!ReadUpper(lcid, win::LOCALE_SENGLANGUAGE, buffer, sizeof buffer) || std::strcmp(buffer, s.language) != 0))
        return true;
    if (s.country != nullptr &&
        (!ReadUpper(lcid, win::LOCALE_SENGCOUNTRY, buffer, sizeof buffer) || std::strcmp(buffer, s.country) != 0))
        return true;
    if (s.result != 0) {  // a second match: the name is ambiguous
        s.result = 0;
        return false;
    }
    s.result = lcid;
    return true;
}

}  // namespace

std::string GetSystemErrorText(int code, const std::string& language) { return SystemErrorText(code, language, 0); }

std::string ModuleName(win::HMODULE module, bool throwOnError) {
    std::vector<char> buffer(kModuleNameSize, '\0');
    if (win::GetModuleFileName(module, buffer.data(), kModuleNameSize) == 0 && throwOnError)
        throw LurExceptSys(static_cast<int>(win::GetLastError()), Here(90), StrVector() << "ModuleName");
    return buffer.data();
}

win::HMODULE ModuleHandleByName(const std::string& name, bool throwOnError) {
    win::HMODULE module = win::GetModuleHandle(name.empty() ? nullptr : name.c_str());
    if (module == nullptr && throwOnError)
        throw LurExceptSys(static_cast<int>(win::GetLastError()), Here(109), StrVector() << name);
    return module;
}

win::HMODULE ModuleHandleByObject(const void* address, bool throwOnError) {
    // No address: the module holding this library's own code.
    const void* target = address != nullptr ? address : reinterpret_cast<const void*>(&ModuleHandleByObject);
    win::HMODULE module = nullptr;
    if (!win::GetModuleHandleFromAddress(target, module) && throwOnError)
        throw LurExceptSys(static_cast<int>(win::GetLastError()), Here(123), StrVector() << "ModuleHandleByObject");
    return module;
}

std::string ModuleNameByObject(const void* address, bool throwOnError) {
    win::HMODULE module = ModuleHandleByObject(address, throwOnError);
    return module != nullptr ? ModuleName(module, false) : std::string();
}

bool PumpMessages(void* window, unsigned first, unsigned last) {
    bool handled = false;
    win::MSG msg;
    while (win::PeekMessage(&msg, window, first, last, win::PM_REMOVE)) {
        win::TranslateMessage(&msg);
        win::DispatchMessage(&msg);
        handled = true;
    }
    return handled;
}

bool PumpAllMessages() { return PumpMessages(nullptr, 0, 0); }

int ConvertCodePage(const char* text, unsigned fromCodePage, char** out, unsigned toCodePage, bool throwOnError) {
    if (out == nullptr) return 0;
    *out = nullptr;
    // A missing text converts as an empty one rather than being read.
    if (text == nullptr) text = "";
    int result = 0;
    uint32_t error = win::ERROR_SUCCESS;
    const int wideSize = win::MultiByteToWideChar(fromCodePage, text, -1, nullptr, 0);
    if (wideSize > 0) {
        std::vector<char16_t> wide(static_cast<size_t>(wideSize));
        win::MultiByteToWideChar(fromCodePage, text, -1, wide.data(), wideSize);
        const int size = win::WideCharToMultiByte(toCodePage, wide.data(), -1, nullptr, 0);
        if (size > 0) {
            *out = static_cast<char*>(::operator new(static_cast<size_t>(size)));
            result = win::WideCharToMultiByte(toCodePage, wide.data(), -1, *out, size);
        } else {
            error = win::GetLastError();
        }
    }
    if (error != win::ERROR_SUCCESS && throwOnError)
        throw LurExceptSys(static_cast<int>(error), Here(236), StrVector());
    if (*out == nullptr) {
        const size_t size = std::strlen(text) + 1;
        *out = static_cast<char*>(::operator new(size));
        std::memcpy(*out, text, size);
        result = static_cast<int>(size);
    }
    return result;
}

LCID LcidFromLocaleName(const char* name) {
    LocaleLookup& s = Lookup();
    win::CriticalSectionLock lock(s.section);
    s.Reset();
    if (name != nullptr && *name != '\0') {
        // The alias table turns a POSIX spelling ("hu_HU.UTF-8") into the
        // Windows one ("Hungarian_Hungary.1250"), so both find one locale.
        const std::string windowsName = win::WindowsLocaleName(name);
        std::strncpy(s.name, windowsName.c_str(), sizeof s.name - 1);
        UpperCase(s.name);
        ParseLocaleName(s);
    }
    win::EnumSystemLocales(&MatchLocale, win::LCID_INSTALLED);
    const LCID result = s.result;
    s.Reset();
    return result;
}

int GetLocaleChar(LCID lcid, LCTYPE type, char* out, bool throwOnError) {
    char buffer[2] = {};
    if (win::GetLocaleInfo(lcid, type, buffer, sizeof buffer) != 0) {
        if (out != nullptr) *out = buffer[0];
        return 0;
    }
    const uint32_t error = win::GetLastError();
    if (throwOnError) throw LurExceptSys(static_cast<int>(error), Here(390), StrVector());
    return static_cast<int>(error);
}

int GetLocaleString(LCID lcid, LCTYPE type, std::string& out, bool throwOnError) {
    const int size = win::GetLocaleInfo(lcid, type, nullptr, 0);
    int line = 409;
    if (size > 0) {
        std::vector<char> buffer(static_cast<size_t>(size), '\0');
        if (win::GetLocaleInfo(lcid, type, buffer.data(), size) != 0) {
            out = buffer.data();
            return 0;
        }
        line = 419;
    }
    const uint32_t error = win::GetLastError();
    if (throwOnError) throw LurExceptSys(static_cast<int>(error), Here(line), StrVector());
    return static_cast<int>(error);
}

bool IsWindowsNT() { return true; }

std::string GetDefaultLanguageName(bool userDefault, bool iso639, bool throwOnError) {
    std::string name;
    const LCID lcid = userDefault ? win::LOCALE_USER_DEFAULT : win::LOCALE_SYSTEM_DEFAULT;
    const LCTYPE type = iso639 ? win::LOCALE_SISO639LANGNAME : win::LOCALE_SABBREVLANGNAME;
    return GetLocaleString(lcid, type, name, throwOnError) == 0 ? name : std::string();
}

}  // namespace lurutils

// The system's text of the Windows error code, rebuilt on every call. When
// the system has no text for the code, the text of the lookup's own error is
// used and the original code is added to the arguments (once only, however
// often the text is asked for).
const char* LurExceptSys::LoadText(const std::string& language) const {
    const std::string& name = language.empty() ? lurutils::GetCurrentLanguage() : language;
    const auto code = static_cast<uint32_t>(m_code);
    std::string text;
    bool found = lurutils::SystemMessage(code, lurutils::MessageLanguageId(name), text);
    uint32_t kept = win::GetLastError();
    if (!found && kept != code) {
        const uint32_t lookupError = kept;
        found = win::FormatSystemMessage(lookupError, 0, text);
        if (!m_originalCodeAdded) {
            m_args << lurutils::Printf("Original error code: %d", m_code);
            m_originalCodeAdded = true;
        }
        if (!found) kept = win::GetLastError();
    }
    if (found) {
        m_message = text;
    } else if (kept == code) {
        m_message = lurutils::Printf("System-error. Last ErrCode: %d", m_code);
    } else {
        m_message = lurutils::Printf("System-error. Last error code: %d, original error code: %d",
                                     static_cast<int>(kept), m_code);
        m_args.clear();
    }
    return m_message.c_str();
}
