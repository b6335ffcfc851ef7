#include "LurExceptBase.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <typeinfo>

#include "LurResources.h"

namespace {

constexpr int kNoRangeResource = 20001;
constexpr int kCommonFallbackResource = 20022;
constexpr int kFileLabel = 24047;
constexpr int kFunctionLabel = 24048;
constexpr int kLineLabel = 24049;

// What `what` answers when even building the text failed (out of memory, say).
constexpr const char* kWhatFailed = "Error text could not be built.";

std::string FormatText(const char* format, const std::string& a, int code, const std::string& b = "") {
    // The formats here take (text, number[, text]); size the result first.
    int n = std::snprintf(nullptr, 0, format, a.c_str(), code, b.c_str());
    if (n < 0) return {};
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), format, a.c_str(), code, b.c_str());
    out.resize(static_cast<size_t>(n));
    return out;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const LocationText& text) { return out << text.view(); }

LurExceptBase::LurExceptBase(int code, const char* language) : m_language(language ? language : ""), m_code(code) {}

LurExceptBase::LurExceptBase(int code, const ErrorLocation& where, const char* language)
    : m_language(language ? language : ""), m_code(code), m_location(where) {}

LurExceptBase::LurExceptBase(const char* text, const char* language)
    : m_message(text ? text : ""), m_language(language ? language : ""), m_code(-1) {}

LurExceptBase::LurExceptBase(const char* text, const ErrorLocation& where, const char* language)
    : m_message(text ? text : ""), m_language(language ? language : ""), m_code(-1), m_location(where) {}

LurExceptBase::LurExceptBase(int code, const char* text, const ErrorLocation& where, const char* language)
    : m_message(text ? text : ""), m_language(language ? language : ""), m_code(code), m_location(where) {}

LurExceptBase::~LurExceptBase() = default;

const char* LurExceptBase::what() const noexcept {
    try {
        return BuildWhat("");
    } catch (...) {
        return kWhatFailed;
    }
}

const char* LurExceptBase::what(const char* language) const noexcept {
    try {
        return BuildWhat(language ? language : "");
    } catch (...) {
        return kWhatFailed;
    }
}

const char* LurExceptBase::BuildWhat(const std::string& language) const {
    const char* text = LoadText(language);
    // An override that finds nothing falls back to the family's range rule.
    if (!text || !*text) text = LoadTextByRange(language);
    return text;
}

unsigned short LurExceptBase::GetResourceId() const {
    const Range own = GetOwnRange();
    if (m_code >= own.first && m_code <= own.second)
        return static_cast<unsigned short>(GetOwnResourceBase() + m_code - own.first);
    const Range common = GetCommonRange();
    if (m_code >= common.first && m_code <= common.second)
        return static_cast<unsigned short>(GetCommonResourceBase() + m_code - common.first);
    return 0;
}

const char* LurExceptBase::GetLanguage() const { return m_language.c_str(); }

bool LurExceptBase::IsOutsideCommonRange() const {
    const Range common = GetCommonRange();
    return m_code < common.first || m_code > common.second;
}

bool LurExceptBase::IsSevere() const {
    if (IsClassSevere()) return true;
    const Range own = GetOwnRange();
    const bool inOwn = m_code >= own.first && m_code <= own.second;
    if (IsOutsideCommonRange() && !inOwn) return true;
    return IsSevereCode();
}

bool LurExceptBase::IsClassSevere() const { return false; }

const char* LurExceptBase::LoadText(const std::string& language) const { return LoadTextByRange(language); }

const char* LurExceptBase::LoadTextByRange(const std::string& language) const {
    if (!m_message.empty()) return m_message.c_str();

    int id = kNoRangeResource;
    if (m_code != -1) {
        const unsigned short rangeId = GetResourceId();
        if (rangeId != 0) id = rangeId;
    }
    m_message = lurutils::GetResString(id, nullptr, false, true, language);
    if (m_message.empty()) m_message = lurutils::GetResString(kCommonFallbackResource, nullptr, false, true, language);
    if (m_message.empty()) {
        if (m_location.file.empty())
            m_message =
                FormatText("Error text missing from module resource. Exception: %s, ErrCode: %d", ClassName(), m_code);
        else
            m_message =
                FormatText("Error text missing from module resource. Exception: %s, ErrCode: %d throwed from: %s",
                           ClassName(), m_code, FormatLocation(false));
    }
    return m_message.c_str();
}

LurExceptBase::Range LurExceptBase::GetOwnRange() const { return {0, 249}; }
unsigned short LurExceptBase::GetOwnResourceBase() const { return 20000; }
LurExceptBase::Range LurExceptBase::GetCommonRange() const { return {250, 499}; }
unsigned short LurExceptBase::GetCommonResourceBase() const { return 20250; }

bool LurExceptBase::IsSevereCode() const {
    switch (m_code) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 8:
        case 9: return true;
        default: return false;
    }
}

std::string LurExceptBase::FormatLocation(bool multiLine) const {
    return FormatLocation(multiLine ? "%-12s%s\r\n%-12s%s\r\n%-12s%d" : "%s %s, %s %s, %s %d");
}

std::string LurExceptBase::FormatLocation(const char* format) const {
    if (m_location.file.empty() || !format) return {};
    const std::string line = lurutils::GetTextFromResource(kLineLabel, "line", nullptr, false, true);
    const std::string function = lurutils::GetTextFromResource(kFunctionLabel, "function", nullptr, false, true);
    const std::string file = lurutils::GetTextFromResource(kFileLabel, "file", nullptr, false, true);
    const auto print = [&](char* out, size_t size) {
        return std::snprintf(out, size, format, file.c_str(), m_location.file.c_str(), function.c_str(),
                             m_location.function.c_str(), line.c_str(), m_location.line);
    };
    const int n = print(nullptr, 0);
    if (n < 0) return {};
    std::string out(static_cast<size_t>(n) + 1, '\0');
    print(out.data(), out.size());
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string LurExceptBase::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                     std::free);
    return std::string("class ") + (status == 0 && demangled ? demangled.get() : mangled);
}

LuVectorExcept::LuVectorExcept() : LurExceptBase(17) {}
LuVectorExcept::LuVectorExcept(const LuVectorExcept&) = default;
LuVectorExcept::~LuVectorExcept() = default;

LuMapExcept::LuMapExcept() : LurExceptBase(8) {}
LuMapExcept::LuMapExcept(const LuMapExcept&) = default;
LuMapExcept::~LuMapExcept() = default;
