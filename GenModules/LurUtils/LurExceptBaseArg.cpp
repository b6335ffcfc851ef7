#include "LurExceptBaseArg.h"

#include "LurResources.h"

LurExceptBaseArg::LurExceptBaseArg(int code, const StrVector& args, const char* language)
    : LurExceptBase(code, language), m_args(args) {}

LurExceptBaseArg::LurExceptBaseArg(int code, const ErrorLocation& where, const StrVector& args, const char* language)
    : LurExceptBase(code, where, language), m_args(args) {}

LurExceptBaseArg::LurExceptBaseArg(const char* text, const StrVector& args, const char* language)
    : LurExceptBase(text, language), m_args(args) {}

LurExceptBaseArg::LurExceptBaseArg(const char* text, const ErrorLocation& where, const StrVector& args,
                                   const char* language)
    : LurExceptBase(text, where, language), m_args(args) {}

LurExceptBaseArg::LurExceptBaseArg(int code, const char* text, const ErrorLocation& where, const StrVector& args,
                                   const char* language)
    : LurExceptBase(code, text, where, language), m_args(args) {}

LurExceptBaseArg::~LurExceptBaseArg() = default;

StrVector& LurExceptBaseArg::GetArgs() { return m_args; }
const StrVector& LurExceptBaseArg::GetArgs() const { return m_args; }

const char* LurExceptBaseArg::BuildWhat(const std::string& language) const {
    const char* loaded = LoadText(language);
    const std::string message = loaded ? loaded : "";
    // Rebuild only when the source changed, so that a pointer handed out by
    // an earlier call stays valid while nothing changed.
    if (!m_built || message != m_builtFromMessage || m_args != m_builtFromArgs) {
        m_formatted = FormatArgs(message);
        m_builtFromMessage = message;
        m_builtFromArgs = m_args;
        m_built = true;
    }
    return m_formatted.c_str();
}

std::string LurExceptBaseArg::FormatArgs(std::string text) const {
    if (m_args.empty()) return text;
    StrVector leftover;
    text = lurutils::SubstituteArgs(text, m_args, &leftover);
    size_t firstUnfilled = 0;
    for (; firstUnfilled < leftover.size(); ++firstUnfilled) {
        // Each search starts at the beginning, so an argument that itself
        // holds "%s" can be filled by the next one.
        const size_t at = text.find("%s");
        if (at == std::string::npos) break;
        text.replace(at, 2, leftover[firstUnfilled]);
    }
    if (firstUnfilled < leftover.size()) {
        text += "\r\n (";
        for (size_t i = firstUnfilled; i < leftover.size(); ++i) {
            if (i > firstUnfilled) text += ", ";
            text += leftover[i];
        }
        text += ")";
    }
    return text;
}

LurExceptSys::LurExceptSys(int windowsError, const ErrorLocation& where, const StrVector& args, const char* language)
    : LurExceptBaseArg(windowsError, where, args, language) {}
LurExceptSys::LurExceptSys(const LurExceptSys&) = default;
LurExceptSys::~LurExceptSys() = default;

LurFileExcept::LurFileExcept(int code, const StrVector& args, const char* language)
    : LurExceptBaseArg(code, args, language) {}
LurFileExcept::LurFileExcept(int code, const ErrorLocation& where, const StrVector& args, const char* language)
    : LurExceptBaseArg(code, where, args, language) {}
LurFileExcept::LurFileExcept(const LurFileExcept&) = default;
LurFileExcept::~LurFileExcept() = default;

namespace lurDate {
LurExceptDateTime::LurExceptDateTime(int code, const StrVector& args, const char* language)
    : LurExceptBaseArg(code, args, language) {}
LurExceptDateTime::LurExceptDateTime(int code, const ErrorLocation& where, const StrVector& args, const char* language)
    : LurExceptBaseArg(code, where, args, language) {}
LurExceptDateTime::LurExceptDateTime(const LurExceptDateTime&) = default;
LurExceptDateTime::~LurExceptDateTime() = default;
}  // namespace lurDate
