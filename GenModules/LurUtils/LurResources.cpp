#include "LurResources.h"

#include <vector>

#include "LastError.h"
#include "LurExceptBaseArg.h"
#include "LurStrings.h"
#include "LurUtilsTexts.h"
#include "LurWinUtils.h"
#include "StringResources.h"

namespace lurutils {
namespace {

constexpr ThrowSource Here{"GenModules\\LurUtils\\LurUtils"};

// Process-wide, written only by SetResourceTexts (and the first
// GetCurrentLanguage); the lookups only read them.
std::string& CurrentLanguage() {
    static std::string language;
    return language;
}

ResourceTextTable& ResourceTexts() {
    static ResourceTextTable texts;
    return texts;
}

void StripAmpersands(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            // "&&" gives "&", "&F" gives "F"; a trailing "&" is dropped.
            if (++i < text.size()) out += text[i];
        } else {
            out += text[i];
        }
    }
    text = std::move(out);
}

}  // namespace

void SetResourceTexts(const std::string& language, const ResourceTextTable& texts) {
    CurrentLanguage() = language;
    ResourceTexts() = texts;
}

const std::string& GetCurrentLanguage() {
    std::string& language = CurrentLanguage();
    if (language.empty()) language = GetDefaultLanguageName(true, false, false);
    return language;
}

int LookupResString(int id, win::HMODULE module, std::string& out, bool stripAmpersands, const std::string& language) {
    const ResourceTextTable& table = ResourceTexts();
    const auto entry = table.find(id);
    if (entry != table.end()) {
        const auto& byLanguage = entry->second;
        const std::string requested = ToUpper(language);
        auto text = requested.empty() ? byLanguage.end() : byLanguage.find(requested);
        if (text == byLanguage.end()) text = byLanguage.find(GetCurrentLanguage());
        if (text != byLanguage.end()) {
            out = text->second;  // installed texts are taken as they stand
            return 0;
        }
    }
    return LoadStringGrow(id, module, out, stripAmpersands);
}

int LoadStringGrow(int id, win::HMODULE module, std::string& out, bool stripAmpersands) {
    RegisterLibraryTexts();
    int size = 256;
    for (;;) {
        std::vector<char> buffer(static_cast<size_t>(size), '\0');
        const int length = win::LoadString(module, static_cast<uint32_t>(id), buffer.data(), size);
        if (length == 0) return static_cast<int>(win::GetLastError());
        if (length == size - 1) {  // may have been cut: try again with more room
            size += 256;
            continue;
        }
        std::string text(buffer.data(), static_cast<size_t>(length));
        if (stripAmpersands) StripAmpersands(text);
        out = std::move(text);
        return 0;
    }
}

std::string GetResString(int id, win::HMODULE module, bool throwOnError, bool stripAmpersands,
                         const std::string& language) {
    std::string out;
    const int code = LookupResString(id, module, out, stripAmpersands, language);
    if (code != 0 && throwOnError) throw LurExceptSys(code, Here(2043), StrVector());
    return out;
}

std::string GetResStringByModule(int id, const std::string& moduleName, bool throwOnError, bool stripAmpersands,
                                 const std::string& language) {
    return GetResString(id, ModuleHandleByName(moduleName, false), throwOnError, stripAmpersands, language);
}

std::string GetTextFromResource(int id, const std::string& defaultText, win::HMODULE module, bool throwOnError,
                                bool stripAmpersands, const std::string& language) {
    std::string out;
    const int code = LookupResString(id, module, out, stripAmpersands, language);
    if (code == 0) return out;
    if (throwOnError) throw LurExceptSys(code, Here(2056), StrVector());
    if (!defaultText.empty()) return defaultText;
    // "%s (%d)": the system's text for the code, then the code.
    const std::string text = GetSystemErrorText(code, "") + " (" + std::to_string(code) + ")";
    return text;
}

std::string GetTextFromResource(int id, const std::string& defaultText, const std::string& moduleName,
                                bool throwOnError, bool stripAmpersands, const std::string& language) {
    return GetTextFromResource(id, defaultText, ModuleHandleByName(moduleName, false), throwOnError, stripAmpersands,
                               language);
}

std::string SubstituteArgs(const std::string& text, const StrVector& args, StrVector* leftover) {
    std::string result;
    std::vector<bool> used(args.size(), false);
    bool replaced = false;
    size_t i = 0;
    while (i < text.size()) {
        const size_t percent = text.find('%', i);
        if (percent == std::string::npos) {
            result.append(text, i, std::string::npos);
            break;
        }
        result.append(text, i, percent - i);
        if (percent + 1 == text.size()) {  // a closing "%" is copied once
            result += '%';
            break;
        }
        const char next = text[percent + 1];
        if (next == '%') {
            result += '%';
            i = percent + 2;
        } else if (next < '1' || next > '9') {
            result.append(text, percent, 2);
            i = percent + 2;
        } else {
            size_t end = percent + 1;
            while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
            const std::string digits = text.substr(percent + 1, end - percent - 1);
            // More digits than any argument count can reach: not an argument.
            const size_t n = digits.size() > 9 ? 0 : std::stoul(digits);
            if (n >= 1 && n <= args.size()) {
                result += args[n - 1];
                used[n - 1] = true;
                replaced = true;
            } else {
                result += digits;
            }
            i = end;
        }
    }
    if (leftover) {
        if (replaced) {
            for (size_t k = 0; k < args.size(); ++k)
                if (!used[k]) leftover->push_back(args[k]);
        } else {
            *leftover = args;
        }
    }
    return result;
}

}  // namespace lurutils
