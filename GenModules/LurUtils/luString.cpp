// luString (see luString.h). The text work is done by LurStrings and the
// number conversions of StrVector.h and LurNumbers.h; this class adds the
// locale in use and keeps it on the copies it returns.

#include "luString.h"

#include <cstdio>
#include <vector>

#include "LocaleFactory.h"
#include "LurExceptBaseArg.h"
#include "LurNumbers.h"
#include "StrVector.h"

namespace {

// The error reports name this source and the lines they always showed.
constexpr ThrowSource Here{"luString"};
constexpr int kLineReplaceWord = 717;
constexpr int kLineReplaceWordReverse = 770;
constexpr int kLineLess = 1066;
constexpr int kLineGreater = 1081;

constexpr std::size_t kFormatStep = 1000;

// The printf-style result. vsnprintf reports the length the output needs, so
// a second attempt, with its own copy of the arguments, always fits.
std::string FormatText(const char* format, va_list args) {
    if (format == nullptr) throw LurExceptBaseArg(3, StrVector() << "luString::Format (null format)");
    std::vector<char> buffer(kFormatStep);
    while (true) {
        va_list attempt;
        va_copy(attempt, args);
        const int length = std::vsnprintf(buffer.data(), buffer.size(), format, attempt);
        va_end(attempt);
        if (length < 0) throw LurExceptBaseArg(3, StrVector() << "luString::Format" << format);
        const auto needed = static_cast<std::size_t>(length);
        if (needed < buffer.size()) return std::string(buffer.data(), needed);
        buffer.resize((needed / kFormatStep + 1) * kFormatStep);
    }
}

// Two luStrings compare only under equal locales in use; < and > raise
// code 4 otherwise.
[[noreturn]] void ThrowLocalesDiffer(int line, const std::locale& a, const std::locale& b) {
    throw LurExceptBaseArg(
        4, Here(line),
        StrVector() << "value1.locale: " << win::NameOfLocale(a) << "  value2.locale: " << win::NameOfLocale(b));
}

int Compare(const luString& a, const std::string& b) {
    const std::locale loc = a.GetLocale();
    return lurutils::CompareText(a, b, &loc, false);
}

}  // namespace

// ---- construction, locale, assignment ---------------------------------------

luString::luString(char c) : std::string(1, c) {}

luString::luString(const std::locale* loc, char c) : std::string(1, c) { SetLocale(loc); }

luString::luString(const std::locale* loc, short value, short radix)
    : luString(loc, static_cast<int32_t>(value), radix) {}

luString::luString(const std::locale* loc, unsigned short value, short radix)
    : luString(loc, static_cast<int32_t>(value), radix) {}

luString::luString(const std::locale* loc, int32_t value, short radix)
    : luString(loc, lurutils::ToString(value, radix)) {}

luString::luString(const std::locale* loc, uint32_t value, short radix)
    : luString(loc, lurutils::ToString(value, radix)) {}

luString::luString(const std::locale* loc, double value, short decimals)
    : luString(loc, loc != nullptr ? lurutils::ToString(value, decimals, loc, false)
                                   : lurutils::ToString(value, decimals)) {}

luString::luString(const luString& other)
    : std::string(other), m_loc(other.m_loc ? std::make_unique<std::locale>(*other.m_loc) : nullptr) {}

luString::luString(const std::string& text) : std::string(text) {}

luString::luString(const std::locale* loc, const std::string& text) : std::string(text) { SetLocale(loc); }

luString::~luString() = default;

void luString::SetLocale(const std::locale* loc) {
    if (loc == nullptr) {
        m_loc.reset();
    } else if (m_loc) {
        *m_loc = *loc;
    } else {
        m_loc = std::make_unique<std::locale>(*loc);
    }
}

std::locale luString::GetLocale() const { return m_loc ? *m_loc : std::locale(); }

std::locale luString::Imbue(const std::locale& newLoc) {
    std::locale previous = GetLocale();
    SetLocale(&newLoc);
    return previous;
}

// The whole text is copied, zero bytes included.
luString& luString::operator=(const luString& other) {
    if (this != &other) {
        std::string::operator=(other);
        SetLocale(other.m_loc.get());
    }
    return *this;
}

luString& luString::operator=(const std::string& text) {
    std::string::operator=(text);
    return *this;
}

luString& luString::operator=(const char* text) {
    std::string::operator=(text != nullptr ? text : "");
    return *this;
}

luString& luString::operator=(char c) {
    std::string::assign(1, c);
    return *this;
}

luString& luString::operator=(bool b) {
    std::string::assign(1, b ? '\1' : '\0');
    return *this;
}

// ---- appending ----------------------------------------------------------------

luString& luString::operator+=(const luString& other) {
    append(other);
    return *this;
}

luString& luString::operator+=(const std::string& text) {
    append(text);
    return *this;
}

luString& luString::operator+=(const char* text) {
    if (text != nullptr) append(text);
    return *this;
}

luString& luString::operator+=(char c) {
    push_back(c);
    return *this;
}

luString& luString::operator+=(short value) { return *this += static_cast<int32_t>(value); }

luString& luString::operator+=(unsigned short value) { return *this += static_cast<int32_t>(value); }

luString& luString::operator+=(int32_t value) { return *this += lurutils::ToString(value); }

luString& luString::operator+=(uint32_t value) { return *this += lurutils::ToString(value); }

luString& luString::operator+=(long long value) { return *this += lurutils::ToString(value); }

luString& luString::operator+=(unsigned long long value) { return *this += lurutils::ToString(value); }

luString& luString::operator+=(double value) { return *this += lurutils::ToString(value, static_cast<short>(-1)); }

// ---- formatting -----------------------------------------------------------------

luString& luString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    try {
        FormatV(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    return *this;
}

luString& luString::AppendFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    try {
        AppendFormatV(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    return *this;
}

luString& luString::FormatV(const char* format, va_list args) {
    std::string::operator=(FormatText(format, args));
    return *this;
}

luString& luString::AppendFormatV(const char* format, va_list args) {
    append(FormatText(format, args));
    return *this;
}

// ---- case -------------------------------------------------------------------------

void luString::ChangeCase(unsigned pos, unsigned count, bool useLocale, bool upper) {
    if (count == 0) return;
    lurutils::CheckRange(*this, pos, count);
    const std::string range = substr(pos, count);
    const std::locale loc = GetLocale();
    const std::locale* facets = useLocale ? &loc : nullptr;  // null: the runtime's tables
    replace(pos, count, upper ? lurutils::ToUpper(range, facets) : lurutils::ToLower(range, facets));
}

luString& luString::ToUpper(unsigned pos, unsigned count, bool useLocale) {
    ChangeCase(pos, count, useLocale, true);
    return *this;
}

luString& luString::ToUpper(bool useLocale) { return ToUpper(0, lurutils::npos, useLocale); }

luString luString::ToUpperCopy(unsigned pos, unsigned count, bool useLocale) const {
    luString copy(*this);
    return copy.ToUpper(pos, count, useLocale);
}

luString luString::ToUpperCopy(bool useLocale) const { return ToUpperCopy(0, lurutils::npos, useLocale); }

luString& luString::ToLower(unsigned pos, unsigned count, bool useLocale) {
    ChangeCase(pos, count, useLocale, false);
    return *this;
}

luString& luString::ToLower(bool useLocale) { return ToLower(0, lurutils::npos, useLocale); }

luString luString::ToLowerCopy(unsigned pos, unsigned count, bool useLocale) const {
    luString copy(*this);
    return copy.ToLower(pos, count, useLocale);
}

luString luString::ToLowerCopy(bool useLocale) const { return ToLowerCopy(0, lurutils::npos, useLocale); }

// ---- trimming ---------------------------------------------------------------------

luString luString::WithMyLocale(const std::string& text) const { return luString(m_loc.get(), text); }

luString& luString::TrimLeft(char c) { return *this = lurutils::TrimLeft(*this, c); }
luString& luString::TrimRight(char c) { return *this = lurutils::TrimRight(*this, c); }
luString& luString::Trim(char c) { return *this = lurutils::Trim(*this, c); }
luString& luString::TrimLeft(const std::string& set) { return *this = lurutils::TrimLeft(*this, set); }
luString& luString::TrimRight(const std::string& set) { return *this = lurutils::TrimRight(*this, set); }
luString& luString::Trim(const std::string& set) { return *this = lurutils::Trim(*this, set); }

luString& luString::TrimLeftString(const std::string& piece) { return *this = lurutils::TrimLeftString(*this, piece); }

luString& luString::TrimRightString(const std::string& piece) {
    return *this = lurutils::TrimRightString(*this, piece);
}

luString& luString::TrimString(const std::string& piece) { return *this = lurutils::TrimString(*this, piece); }

luString& luString::TrimLeftStrings(const std::vector<std::string>& pieces) {
    return *this = lurutils::TrimLeftStrings(*this, pieces);
}

luString& luString::TrimRightStrings(const std::vector<std::string>& pieces) {
    return *this = lurutils::TrimRightStrings(*this, pieces);
}

luString& luString::TrimStrings(const std::vector<std::string>& pieces) {
    return *this = lurutils::TrimStrings(*this, pieces);
}

luString luString::TrimLeftCopy(char c) const { return WithMyLocale(lurutils::TrimLeft(*this, c)); }
luString luString::TrimRightCopy(char c) const { return WithMyLocale(lurutils::TrimRight(*this, c)); }
luString luString::TrimCopy(char c) const { return WithMyLocale(lurutils::Trim(*this, c)); }
luString luString::TrimLeftCopy(const std::string& set) const { return WithMyLocale(lurutils::TrimLeft(*this, set)); }
luString luString::TrimRightCopy(const std::string& set) const { return WithMyLocale(lurutils::TrimRight(*this, set)); }
luString luString::TrimCopy(const std::string& set) const { return WithMyLocale(lurutils::Trim(*this, set)); }

luString luString::TrimLeftStringCopy(const std::string& piece) const {
    return WithMyLocale(lurutils::TrimLeftString(*this, piece));
}

luString luString::TrimRightStringCopy(const std::string& piece) const {
    return WithMyLocale(lurutils::TrimRightString(*this, piece));
}

luString luString::TrimStringCopy(const std::string& piece) const {
    return WithMyLocale(lurutils::TrimString(*this, piece));
}

luString luString::TrimLeftStringsCopy(const std::vector<std::string>& pieces) const {
    return WithMyLocale(lurutils::TrimLeftStrings(*this, pieces));
}

luString luString::TrimRightStringsCopy(const std::vector<std::string>& pieces) const {
    return WithMyLocale(lurutils::TrimRightStrings(*this, pieces));
}

luString luString::TrimStringsCopy(const std::vector<std::string>& pieces) const {
    return WithMyLocale(lurutils::TrimStrings(*this, pieces));
}

// ---- searching and counting ---------------------------------------------------------

unsigned luString::Find(const std::string& piece, unsigned pos, bool ignoreCase) const {
    std::size_t found;
    if (ignoreCase) {
        const std::locale loc = GetLocale();
        found = lurutils::ToUpper(*this, &loc).find(lurutils::ToUpper(piece, &loc), pos);
    } else {
        found = find(piece, pos);
    }
    return found == std::string::npos ? lurutils::npos : static_cast<unsigned>(found);
}

unsigned luString::RFind(const std::string& piece, unsigned pos, bool ignoreCase) const {
    std::size_t found;
    if (ignoreCase) {
        const std::locale loc = GetLocale();
        found = lurutils::ToUpper(*this, &loc).rfind(lurutils::ToUpper(piece, &loc), pos);
    } else {
        found = rfind(piece, pos);
    }
    return found == std::string::npos ? lurutils::npos : static_cast<unsigned>(found);
}

unsigned luString::FindWord(const std::string& word, unsigned pos, unsigned count) const {
    return lurutils::FindWord(*this, word, pos, count);
}

unsigned luString::RFindWord(const std::string& word, unsigned pos, unsigned count) const {
    return lurutils::RFindWord(*this, word, pos, count);
}

int luString::CountChar(char c) const { return lurutils::CountChar(*this, c); }

int luString::CountString(const std::string& piece) const { return lurutils::CountString(*this, piece); }

// ---- replacing ------------------------------------------------------------------------

luString& luString::Replace(const std::string& oldText, const std::string& newText, unsigned pos, unsigned count,
                            bool ignoreCase) {
    return *this = ReplaceCopy(oldText, newText, pos, count, ignoreCase);
}

luString luString::ReplaceCopy(const std::string& oldText, const std::string& newText, unsigned pos, unsigned count,
                               bool ignoreCase) const {
    const std::locale loc = GetLocale();
    return WithMyLocale(lurutils::Replace(*this, oldText, newText, pos, count, ignoreCase, &loc));
}

luString& luString::Remove(const std::string& oldText, unsigned pos, unsigned count) {
    return Replace(oldText, std::string(), pos, count, false);
}

luString luString::RemoveCopy(const std::string& oldText, unsigned pos, unsigned count) const {
    return ReplaceCopy(oldText, std::string(), pos, count, false);
}

luString& luString::ReplaceReverse(const std::string& oldText, const std::string& newText, unsigned pos, unsigned count,
                                   bool ignoreCase) {
    return *this = ReplaceReverseCopy(oldText, newText, pos, count, ignoreCase);
}

luString luString::ReplaceReverseCopy(const std::string& oldText, const std::string& newText, unsigned pos,
                                      unsigned count, bool ignoreCase) const {
    const std::locale loc = GetLocale();
    return WithMyLocale(lurutils::ReplaceReverse(*this, oldText, newText, pos, count, ignoreCase, &loc));
}

luString& luString::RemoveReverse(const std::string& oldText, unsigned pos, unsigned count) {
    return ReplaceReverse(oldText, std::string(), pos, count, false);
}

luString luString::RemoveReverseCopy(const std::string& oldText, unsigned pos, unsigned count) const {
    return ReplaceReverseCopy(oldText, std::string(), pos, count, false);
}

luString& luString::ReplaceWord(const std::string&, const std::string&, unsigned, unsigned, bool, const std::string&) {
    throw LurExceptBase(5, Here(kLineReplaceWord));
}

luString luString::ReplaceWordCopy(const std::string& oldWord, const std::string& newWord, unsigned pos, unsigned count,
                                   bool ignoreCase, const std::string& separators) const {
    luString copy(*this);
    return copy.ReplaceWord(oldWord, newWord, pos, count, ignoreCase, separators);
}

luString& luString::ReplaceWordReverse(const std::string&, const std::string&, unsigned, unsigned, bool,
                                       const std::string&) {
    throw LurExceptBase(5, Here(kLineReplaceWordReverse));
}

luString luString::ReplaceWordReverseCopy(const std::string& oldWord, const std::string& newWord, unsigned pos,
                                          unsigned count, bool ignoreCase, const std::string& separators) const {
    luString copy(*this);
    return copy.ReplaceWordReverse(oldWord, newWord, pos, count, ignoreCase, separators);
}

// ---- comparison -------------------------------------------------------------------------

bool operator==(const luString& a, const luString& b) { return a.GetLocale() == b.GetLocale() && Compare(a, b) == 0; }

bool operator<(const luString& a, const luString& b) {
    const std::locale first = a.GetLocale();
    const std::locale second = b.GetLocale();
    if (first != second) ThrowLocalesDiffer(kLineLess, first, second);
    return Compare(a, b) < 0;
}

bool operator>(const luString& a, const luString& b) {
    const std::locale first = a.GetLocale();
    const std::locale second = b.GetLocale();
    if (first != second) ThrowLocalesDiffer(kLineGreater, first, second);
    return Compare(a, b) > 0;
}

bool operator==(const luString& a, const std::string& b) { return Compare(a, b) == 0; }
bool operator<(const luString& a, const std::string& b) { return Compare(a, b) < 0; }
bool operator>(const luString& a, const std::string& b) { return Compare(a, b) > 0; }
bool operator!=(const luString& a, const std::string& b) { return !(a == b); }
bool operator!=(const std::string& b, const luString& a) { return !(a == b); }
