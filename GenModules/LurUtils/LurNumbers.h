// Numbers as text, and the number formats of locales.
//
// ToString writes a double as plain decimal text (never an exponent form,
// at most 15 significant digits) with a chosen number of decimals and
// decimal separator; the text-to-number functions read numbers whose
// decimal separator is a locale's. Widths are those of the original 32-bit
// platform: StringToLong/StringToULong saturate and wrap as 32-bit
// strtol/strtoul do.
//
// The double forms of ToString take the number of decimals as a short, so
// that calls of the integer forms with a radix (StrVector.h) are never
// ambiguous: ToString(1.5, 2) formats a double, ToString(255, 16) an integer.
#pragma once

#include <cstdint>
#include <locale>
#include <string>

// The format of one kind of number (ordinary or monetary).
struct NumFormatPart {
    char decimalSeparator = '\0';
    char thousandsSeparator = '\0';
    std::string grouping;  // as Windows gives it, for example "3;0"
};

// A locale's separators, grouping, truth names and sign texts.
struct NumFormat {
    NumFormatPart number;
    NumFormatPart money;
    std::string trueName;
    std::string falseName;
    std::string positiveSign;
    std::string negativeSign;
};

namespace lurutils {

// The format of the named locale, read once and cached for the life of the
// process (the pointer stays valid). "C" has fixed defaults; a name that
// does not resolve falls back to the user's default language, then to "C".
const NumFormat* GetNumFormat(const char* localeName, bool throwOnError);
// The format of loc, found by the name its name facet holds (LocaleFactory.h);
// when loc is null, of win::TableLocale (localeName), or of the global locale
// when localeName is empty. A name not in the locale table throws
// std::runtime_error, as the standard locale constructor does.
const NumFormat* GetNumFormat(const std::locale* loc, const char* localeName);

// decimals -1: up to 15 significant digits and no fixed number of decimals.
// Infinity raises code 10 (11 when negative); more than 15 digits before
// and after the separator raise code 10.
std::string ToString(double value, short decimals);  // global locale's number separator
std::string ToString(double value, int decimals, char decimalChar);
std::string ToString(double value, int decimals, const std::locale* loc, bool money);

// decimals > 0 pads the decimals with '0' up to that count (never cuts);
// 0 cuts at the separator; < 0 drops only a trailing separator.
std::string FormatDecimals(const std::string& text, int decimals, char decimalChar);
std::string FormatDecimals(const std::string& text, int decimals, const std::locale* loc, bool money);
std::string FormatDecimals(const std::string& text, int decimals);  // global locale, money

// Plain decimal text to exponent form ("123.45" -> "1.2345e+2") and back;
// malformed text raises code 13.
std::string ToExponent(const std::string& text, char decimalChar, const std::locale* loc = nullptr);
std::string ToExponent(const std::string& text, const std::locale* loc, bool money);
std::string FromExponent(const std::string& text, char decimalChar, const std::locale* loc = nullptr);
std::string FromExponent(const std::string& text, const std::locale* loc, bool money);

// Text to double with the given decimal separator; text that is not a
// number gives what the runtime conversion gives (0 for no digits). The
// forms with `consumed` also report how many characters were read.
double StringToDouble(const std::string& text, bool money);
double StringToDouble(const std::string& text, const std::locale* loc, bool money);
double StringToDouble(const std::string& text, const std::string& decimalSeparator);
double StringToDouble(const std::string& text, const char* decimalSeparator);
double StringToDouble(const std::string& text, short& consumed, bool money);
double StringToDouble(const std::string& text, short& consumed, const std::locale* loc, bool money);
double StringToDouble(const std::string& text, short& consumed, const std::string& decimalSeparator);
double StringToDouble(const std::string& text, short& consumed, const char* decimalSeparator);

int32_t StringToLong(const std::string& text, short& consumed);
uint32_t StringToULong(const std::string& text, short& consumed);
int StringToInt(const std::string& text, short& consumed);
unsigned StringToUInt(const std::string& text, short& consumed);
int32_t StringToLong(const std::string& text);
uint32_t StringToULong(const std::string& text);
int StringToInt(const std::string& text);

// Upper-case hexadecimal / octal digits after blanks and an optional sign;
// stops at the first other character; no overflow check (wraps).
int HexToInt(const char* text);
int OctToInt(const char* text);

}  // namespace lurutils
