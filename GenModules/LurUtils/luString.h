// luString: the library's string, a std::string that may carry a locale of
// its own for case conversion and comparison, with printf-style formatting,
// trimming, searching and replacing, and construction from numbers.
//
// Without an own locale, the "locale in use" is a copy of the global locale
// taken when it is needed. Copying a luString copies its text (zero bytes
// included) and its locale; assigning a std::string, a text, a character or
// a truth value keeps the target's locale. Positions and counts are unsigned
// 32-bit, lurutils::npos meaning "to the end" or "not found".
//
// Ranges are checked as in LurStrings.h (code 10). Comparing two luStrings
// whose locales differ: == is false, < and > raise code 4 naming both
// locales (their names come from win::NameOfLocale).
#pragma once

#include <cstdarg>
#include <cstdint>
#include <locale>
#include <memory>
#include <string>
#include <vector>

#include "LurStrings.h"

class luString : public std::string {
public:
    luString() = default;
    luString(char c);
    luString(const std::locale* loc, char c);
    // The text of value in radix; the long forms of the 32-bit original are these.
    luString(const std::locale* loc, short value, short radix);
    luString(const std::locale* loc, unsigned short value, short radix);
    luString(const std::locale* loc, int32_t value, short radix);
    luString(const std::locale* loc, uint32_t value, short radix);
    // With a locale, its number decimal separator; without, the global locale's.
    luString(const std::locale* loc, double value, short decimals);
    luString(const luString& other);
    luString(luString&& other) noexcept = default;
    luString(const std::string& text);
    luString(const std::locale* loc, const std::string& text);
    virtual ~luString();

    // With loc: the string owns a copy of *loc; with null: no own locale.
    void SetLocale(const std::locale* loc);
    std::locale GetLocale() const;  // a copy of the locale in use
    // Owns a copy of newLoc; returns the locale in use before.
    std::locale Imbue(const std::locale& newLoc);

    luString& operator=(const luString& other);
    luString& operator=(luString&& other) noexcept = default;
    luString& operator=(const std::string& text);
    luString& operator=(const char* text);
    luString& operator=(char c);
    luString& operator=(bool b);  // the character of code 1 or 0

    luString& operator+=(const luString& other);
    luString& operator+=(const std::string& text);
    luString& operator+=(const char* text);
    luString& operator+=(char c);
    // Numbers append their decimal text.
    luString& operator+=(short value);
    luString& operator+=(unsigned short value);
    luString& operator+=(int32_t value);
    luString& operator+=(uint32_t value);
    luString& operator+=(long long value);
    luString& operator+=(unsigned long long value);
    // Up to 15 significant digits with the global locale's decimal separator.
    luString& operator+=(double value);

    // printf-style; the text becomes, or is appended, the result.
    luString& Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    luString& AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    luString& FormatV(const char* format, va_list args) __attribute__((format(printf, 2, 0)));
    luString& AppendFormatV(const char* format, va_list args) __attribute__((format(printf, 2, 0)));

    // Case of a range (count 0 changes nothing): useLocale false uses the
    // runtime's tables, true the ctype facet of the locale in use.
    luString& ToUpper(unsigned pos, unsigned count, bool useLocale);
    luString& ToUpper(bool useLocale = false);
    luString ToUpperCopy(unsigned pos, unsigned count, bool useLocale) const;
    luString ToUpperCopy(bool useLocale = false) const;
    luString& ToLower(unsigned pos, unsigned count, bool useLocale);
    luString& ToLower(bool useLocale = false);
    luString ToLowerCopy(unsigned pos, unsigned count, bool useLocale) const;
    luString ToLowerCopy(bool useLocale = false) const;

    // Trimming as in LurStrings.h; the copies carry the string's locale.
    luString& TrimLeft(char c);
    luString& TrimRight(char c);
    luString& Trim(char c);
    luString& TrimLeft(const std::string& set);
    luString& TrimRight(const std::string& set);
    luString& Trim(const std::string& set);
    luString& TrimLeftString(const std::string& piece);
    luString& TrimRightString(const std::string& piece);
    luString& TrimString(const std::string& piece);
    luString& TrimLeftStrings(const std::vector<std::string>& pieces);
    luString& TrimRightStrings(const std::vector<std::string>& pieces);
    luString& TrimStrings(const std::vector<std::string>& pieces);
    luString TrimLeftCopy(char c) const;
    luString TrimRightCopy(char c) const;
    luString TrimCopy(char c) const;
    luString TrimLeftCopy(const std::string& set) const;
    luString TrimRightCopy(const std::string& set) const;
    luString TrimCopy(const std::string& set) const;
    luString TrimLeftStringCopy(const std::string& piece) const;
    luString TrimRightStringCopy(const std::string& piece) const;
    luString TrimStringCopy(const std::string& piece) const;
    luString TrimLeftStringsCopy(const std::vector<std::string>& pieces) const;
    luString TrimRightStringsCopy(const std::vector<std::string>& pieces) const;
    luString TrimStringsCopy(const std::vector<std::string>& pieces) const;

    // ignoreCase compares both texts upper-cased with the locale in use.
    unsigned Find(const std::string& piece, unsigned pos = 0, bool ignoreCase = false) const;
    unsigned RFind(const std::string& piece, unsigned pos = lurutils::npos, bool ignoreCase = false) const;
    unsigned FindWord(const std::string& word, unsigned pos = 0, unsigned count = lurutils::npos) const;
    unsigned RFindWord(const std::string& word, unsigned pos = lurutils::npos, unsigned count = lurutils::npos) const;
    int CountChar(char c) const;
    int CountString(const std::string& piece) const;

    // Replacing as lurutils::Replace / ReplaceReverse with the locale in use;
    // the copies carry the string's locale.
    luString& Replace(const std::string& oldText, const std::string& newText, unsigned pos = 0,
                      unsigned count = lurutils::npos, bool ignoreCase = false);
    luString ReplaceCopy(const std::string& oldText, const std::string& newText, unsigned pos = 0,
                         unsigned count = lurutils::npos, bool ignoreCase = false) const;
    luString& Remove(const std::string& oldText, unsigned pos = 0, unsigned count = lurutils::npos);
    luString RemoveCopy(const std::string& oldText, unsigned pos = 0, unsigned count = lurutils::npos) const;
    luString& ReplaceReverse(const std::string& oldText, const std::string& newText, unsigned pos = lurutils::npos,
                             unsigned count = lurutils::npos, bool ignoreCase = false);
    luString ReplaceReverseCopy(const std::string& oldText, const std::string& newText, unsigned pos = lurutils::npos,
                                unsigned count = lurutils::npos, bool ignoreCase = false) const;
    luString& RemoveReverse(const std::string& oldText, unsigned pos = lurutils::npos, unsigned count = lurutils::npos);
    luString RemoveReverseCopy(const std::string& oldText, unsigned pos = lurutils::npos,
                               unsigned count = lurutils::npos) const;

    // Whole-word replacement between separators was never built: these raise
    // code 5 (operation not supported).
    luString& ReplaceWord(const std::string& oldWord, const std::string& newWord, unsigned pos, unsigned count,
                          bool ignoreCase, const std::string& separators);
    luString ReplaceWordCopy(const std::string& oldWord, const std::string& newWord, unsigned pos, unsigned count,
                             bool ignoreCase, const std::string& separators) const;
    luString& ReplaceWordReverse(const std::string& oldWord, const std::string& newWord, unsigned pos, unsigned count,
                                 bool ignoreCase, const std::string& separators);
    luString ReplaceWordReverseCopy(const std::string& oldWord, const std::string& newWord, unsigned pos,
                                    unsigned count, bool ignoreCase, const std::string& separators) const;

private:
    void ChangeCase(unsigned pos, unsigned count, bool useLocale, bool upper);
    luString WithMyLocale(const std::string& text) const;  // a copy carrying this string's locale

    std::unique_ptr<std::locale> m_loc;  // null: the global locale is in use
};

// Collation of the first operand's locale in use, case-sensitive.
bool operator==(const luString& a, const luString& b);
bool operator<(const luString& a, const luString& b);
bool operator>(const luString& a, const luString& b);
bool operator==(const luString& a, const std::string& b);
bool operator<(const luString& a, const std::string& b);
bool operator>(const luString& a, const std::string& b);
bool operator!=(const luString& a, const std::string& b);
bool operator!=(const std::string& b, const luString& a);
