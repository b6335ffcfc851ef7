// Numbers as text and locale number formats (see LurNumbers.h), and the
// double insertions of StrVector.
//
// The runtime's own conversions work as in its "C" locale: the decimal
// point is '.', whatever locale the process or std::locale::global set, so
// results never depend on the machine's installed locales.

#include "LurNumbers.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>

#include "Crt.h"
#include "LocaleFactory.h"
#include "LurCharClass.h"
#include "LurExceptBaseArg.h"
#include "LurStrings.h"
#include "LurWinUtils.h"

namespace lurutils {

namespace {

constexpr char kRuntimePoint = '.';
constexpr int kMaxDigits = DBL_DIG;  // 15 significant digits

constexpr ThrowSource Where{"GenModules\\LurUtils\\LurUtils"};

// Windows locale information types read into a NumFormat.
constexpr LCTYPE kLocaleSDecimal = 14;
constexpr LCTYPE kLocaleSThousand = 15;
constexpr LCTYPE kLocaleSGrouping = 16;
constexpr LCTYPE kLocaleSMonDecimalSep = 22;
constexpr LCTYPE kLocaleSMonThousandSep = 23;
constexpr LCTYPE kLocaleSMonGrouping = 24;
constexpr LCTYPE kLocaleSPositiveSign = 80;
constexpr LCTYPE kLocaleSNegativeSign = 81;

NumFormat DefaultCFormat() {
    NumFormat format;
    format.number = NumFormatPart{'.', ',', "3"};
    format.money = NumFormatPart{'.', ',', "3"};
    format.trueName = "true";
    format.falseName = "false";
    format.positiveSign = "";
    format.negativeSign = "-";
    return format;
}

// Reads the fields in their fixed order and stops at the first failed read;
// the fields after it keep their empty values.
NumFormat ReadLocaleFormat(LCID lcid, bool throwOnError) {
    NumFormat format;
    auto readChar = [&](LCTYPE type, char& field) {
        char buffer[2] = {'\0', '\0'};  // the character and its terminating zero
        if (GetLocaleChar(lcid, type, buffer, throwOnError) != 0) return false;
        field = buffer[0];
        return true;
    };
    auto readString = [&](LCTYPE type, std::string& field) {
        return GetLocaleString(lcid, type, field, throwOnError) == 0;
    };
    (void)(readChar(kLocaleSDecimal, format.number.decimalSeparator) &&
           readChar(kLocaleSThousand, format.number.thousandsSeparator) &&
           readString(kLocaleSGrouping, format.number.grouping) &&
           readChar(kLocaleSMonDecimalSep, format.money.decimalSeparator) &&
           readChar(kLocaleSMonThousandSep, format.money.thousandsSeparator) &&
           readString(kLocaleSMonGrouping, format.money.grouping) &&
           readString(kLocaleSPositiveSign, format.positiveSign) &&
           readString(kLocaleSNegativeSign, format.negativeSign));
    format.trueName = "true";
    format.falseName = "false";
    return format;
}

// The process-wide number-format cache; entries are never removed, so the
// pointers handed out stay valid.
std::map<std::string, NumFormat>& NumFormatCache() {
    static std::map<std::string, NumFormat> cache;
    return cache;
}

// The decimal separator of a format; a locale whose separator could not be
// read formats with the runtime's point rather than a zero character.
char DecimalCharOf(const NumFormat* format, bool money) {
    const char c = money ? format->money.decimalSeparator : format->number.decimalSeparator;
    return c != '\0' ? c : kRuntimePoint;
}

char GlobalDecimalChar(bool money) {
    const std::locale global;
    return DecimalCharOf(GetNumFormat(&global, ""), money);
}

// strtod of the runtime, in its "C" locale.
double ParseDouble(const std::string& text, std::size_t* consumed) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    char* end = nullptr;
    const double value = strtod_l(text.c_str(), &end, cLocale);
    if (consumed != nullptr) *consumed = static_cast<std::size_t>(end - text.c_str());
    return value;
}

bool IsRuntimeSpace(char c) { return win::crt::IsType(static_cast<unsigned char>(c), win::crt::kSpace); }

// strtol/strtoul in base 10 on the original 32-bit platform: blanks, an
// optional sign, decimal digits. magnitude saturates just above 2^32.
struct DecimalText {
    bool negative = false;
    unsigned long long magnitude = 0;
    std::size_t consumed = 0;  // 0 when there were no digits
};

DecimalText ParseDecimal(const std::string& text) {
    DecimalText parsed;
    std::size_t i = 0;
    while (i < text.size() && IsRuntimeSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) parsed.negative = text[i++] == '-';
    const std::size_t digitsStart = i;
    constexpr unsigned long long kCap = 1ULL << 33;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        parsed.magnitude = std::min(parsed.magnitude * 10 + static_cast<unsigned>(text[i] - '0'), kCap);
    }
    parsed.consumed = i > digitsStart ? i : 0;
    return parsed;
}

int32_t ToLong32(const DecimalText& parsed) {
    constexpr unsigned long long kMaxPositive = std::numeric_limits<int32_t>::max();
    if (parsed.negative) {
        if (parsed.magnitude > kMaxPositive + 1) return std::numeric_limits<int32_t>::min();
        return static_cast<int32_t>(-static_cast<long long>(parsed.magnitude));
    }
    return static_cast<int32_t>(std::min(parsed.magnitude, kMaxPositive));
}

uint32_t ToULong32(const DecimalText& parsed) {
    constexpr unsigned long long kMax = std::numeric_limits<uint32_t>::max();
    if (parsed.magnitude > kMax) return std::numeric_limits<uint32_t>::max();
    const auto value = static_cast<uint32_t>(parsed.magnitude);
    return parsed.negative ? 0u - value : value;  // "-1" gives 4294967295
}

// Digits of a radix up to 16 (upper-case letters only) after blanks and a
// sign; wraps silently as the runtime's integer arithmetic did.
int RadixToInt(const char* text, unsigned radix) {
    if (text == nullptr) return 0;
    while (IsRuntimeSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    uint32_t value = 0;
    for (;; ++text) {
        unsigned digit;
        if (*text >= '0' && *text <= '9') {
            digit = static_cast<unsigned>(*text - '0');
        } else if (*text >= 'A' && *text <= 'F') {
            digit = static_cast<unsigned>(*text - 'A' + 10);
        } else {
            break;
        }
        if (digit >= radix) break;
        value = value * radix + digit;
    }
    return static_cast<int>(negative ? 0u - value : value);
}

std::string ExponentSuffix(long long exponent) {
    return std::string("e") + (exponent < 0 ? "-" : "+") + std::to_string(std::llabs(exponent));
}

[[noreturn]] void ThrowBadNumberText(int line, const std::string& text) {
    throw LurExceptBaseArg(13, Where(line), StrVector() << text);
}

}  // namespace

// ---- number formats --------------------------------------------------------

const NumFormat* GetNumFormat(const char* localeName, bool throwOnError) {
    const std::string name = localeName != nullptr ? localeName : "";
    auto& cache = NumFormatCache();
    if (auto it = cache.find(name); it != cache.end()) return &it->second;
    if (name == "C") {
        return &cache.emplace(name, DefaultCFormat()).first->second;
    }
    if (const LCID lcid = LcidFromLocaleName(name.c_str()); lcid != 0) {
        return &cache.emplace(name, ReadLocaleFormat(lcid, throwOnError)).first->second;
    }
    // Not resolvable: the user's default language, else "C"; the name itself
    // gets no record, so it is looked up again next time.
    const std::string fallback = GetDefaultLanguageName(true, false, false);
    return GetNumFormat(fallback != name ? fallback.c_str() : "C", throwOnError);
}

// A named locale is the table's (never the machine's); its name facet says which.
const NumFormat* GetNumFormat(const std::locale* loc, const char* localeName) {
    if (loc != nullptr) return GetNumFormat(win::NameOfLocale(*loc).c_str(), false);
    const std::locale temporary =
        localeName != nullptr && *localeName != '\0' ? win::TableLocale(localeName) : std::locale();
    return GetNumFormat(win::NameOfLocale(temporary).c_str(), false);
}

// ---- numbers to text -------------------------------------------------------

std::string ToString(double value, short decimals) {
    const std::locale global;
    return ToString(value, decimals, &global, false);
}

std::string ToString(double value, int decimals, const std::locale* loc, bool money) {
    return ToString(value, decimals, DecimalCharOf(GetNumFormat(loc, ""), money));
}

std::string ToString(double value, int decimals, char decimalChar) {
    if (std::isnan(value) || std::fabs(value) < DBL_MIN) value = 0.0;
    if (value > DBL_MAX) throw LurExceptBaseArg(10, Where(71), StrVector());
    if (value < -DBL_MAX) throw LurExceptBaseArg(11, Where(73), StrVector());

    int precision = kMaxDigits;
    if (decimals != -1) {
        int integerDigits = 0;
        for (double magnitude = std::fabs(value); magnitude >= 1; magnitude /= 10) ++integerDigits;
        precision = integerDigits + decimals;
        if (precision > kMaxDigits) {
            throw LurExceptBaseArg(10, Where(82),
                                   StrVector() << "ToString (Radix > DBL_DIG)" << precision << kMaxDigits);
        }
    }

    // "%.*g" (a negative precision counts as none given, that is 6).
    char buffer[260];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision < 0 ? 6 : precision);
    std::string text(buffer, result.ptr);
    if (const auto point = text.find(kRuntimePoint); point != std::string::npos) {
        text[point] = decimalChar;
    }

    // The sign is set aside while an exponent form is expanded.
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.erase(0, 1);
    text = FromExponent(text, decimalChar, nullptr);
    if (negative) text.insert(0, 1, '-');
    return FormatDecimals(text, decimals, decimalChar);
}

std::string FormatDecimals(const std::string& text, int decimals, char decimalChar) {
    std::string result = text;
    std::size_t point = result.find(decimalChar);
    if (decimals > 0) {
        if (point == std::string::npos) {
            point = result.size();
            result += decimalChar;
        }
        const std::size_t present = result.size() - point - 1;
        if (present < static_cast<std::size_t>(decimals)) result.append(decimals - present, '0');
    } else if (decimals == 0) {
        if (point != std::string::npos) result.erase(point);
    } else if (point != std::string::npos && point + 1 == result.size()) {
        result.erase(point);
    }
    return result;
}

std::string FormatDecimals(const std::string& text, int decimals, const std::locale* loc, bool money) {
    return FormatDecimals(text, decimals, DecimalCharOf(GetNumFormat(loc, ""), money));
}

std::string FormatDecimals(const std::string& text, int decimals) {
    return FormatDecimals(text, decimals, GlobalDecimalChar(true));
}

std::string ToExponent(const std::string& text, char decimalChar, const std::locale* loc) {
    if (text.find_first_of("eE") != std::string::npos) return text;
    const std::size_t d = text.find(decimalChar);
    std::size_t f = 0;
    while (f < text.size() && (text[f] == decimalChar || text[f] == '0')) ++f;

    if (f == text.size()) {
        // Only zeros (with at most one separator): zero.
        const std::string digits = d == std::string::npos ? text : text.substr(0, d) + text.substr(d + 1);
        if (!IsDigit(digits, 0, npos, loc)) ThrowBadNumberText(354, text);
        return "0.0e+0";
    }
    if (d == std::string::npos) {
        // Leading zeros are no digits of the number.
        const std::size_t lastNonZero = text.find_last_not_of('0');
        return std::string(1, text[f]) + '.' + text.substr(f + 1, lastNonZero - f) +
               ExponentSuffix(static_cast<long long>(text.size() - f) - 1);
    }
    if (!IsDigit(text, 0, static_cast<unsigned>(d), loc) || !IsDigit(text, static_cast<unsigned>(d + 1), npos, loc)) {
        ThrowBadNumberText(325, text);
    }
    const std::string lead(1, text[f]);
    if (d > f) {
        return lead + decimalChar + text.substr(f + 1, d - f - 1) + text.substr(d + 1) +
               ExponentSuffix(static_cast<long long>(d - f) - 1);
    }
    return lead + decimalChar + text.substr(f + 1) +
           ExponentSuffix(static_cast<long long>(d) - static_cast<long long>(f));
}

std::string ToExponent(const std::string& text, const std::locale* loc, bool money) {
    return ToExponent(text, DecimalCharOf(GetNumFormat(loc, ""), money), nullptr);
}

std::string FromExponent(const std::string& text, char decimalChar, const std::locale* loc) {
    const std::size_t e = text.find_first_of("eE");
    if (e == std::string::npos) return text;
    const std::string mantissa = text.substr(0, e);
    const std::string exponent = text.substr(e + 1);
    const std::size_t d = mantissa.find(decimalChar);

    const bool mantissaOk = d == std::string::npos ? IsDigit(mantissa, 0, npos, loc)
                                                   : IsDigit(mantissa, 0, static_cast<unsigned>(d), loc) &&
                                                         IsDigit(mantissa, static_cast<unsigned>(d + 1), npos, loc);
    const bool exponentOk = IsDigit(exponent, 0, npos, loc) ||
                            (exponent.size() > 1 && IsPunct(exponent, 0, 1, loc) && IsDigit(exponent, 1, npos, loc));
    if (!mantissaOk || !exponentOk) ThrowBadNumberText(396, text);

    const long long x = StringToLong(exponent);
    if (x == 0) return mantissa;
    if (x < 0) {
        const std::string digits = d == std::string::npos ? mantissa : mantissa.substr(0, d) + mantissa.substr(d + 1);
        return std::string("0") + decimalChar + std::string(-x - 1, '0') + digits;
    }
    if (d == std::string::npos) return mantissa + std::string(x, '0');

    const std::string fraction = mantissa.substr(d + 1);
    const auto fractionDigits = static_cast<long long>(fraction.size());
    std::string result = mantissa.substr(0, d) + fraction.substr(0, std::min(x, fractionDigits));
    if (x < fractionDigits) result += decimalChar + fraction.substr(x);
    if (x > fractionDigits) result.append(x - fractionDigits, '0');
    return result;
}

std::string FromExponent(const std::string& text, const std::locale* loc, bool money) {
    return FromExponent(text, DecimalCharOf(GetNumFormat(loc, ""), money), nullptr);
}

// ---- text to numbers -------------------------------------------------------

double StringToDouble(const std::string& text, bool money) {
    const std::locale global;
    return StringToDouble(text, &global, money);
}

double StringToDouble(const std::string& text, const std::locale* loc, bool money) {
    return StringToDouble(text, std::string(1, DecimalCharOf(GetNumFormat(loc, ""), money)));
}

double StringToDouble(const std::string& text, const std::string& decimalSeparator) {
    if (decimalSeparator.empty()) return ParseDouble(text, nullptr);
    return ParseDouble(Replace(text, decimalSeparator, std::string(1, kRuntimePoint)), nullptr);
}

double StringToDouble(const std::string& text, const char* decimalSeparator) {
    return StringToDouble(text, std::string(decimalSeparator != nullptr ? decimalSeparator : ""));
}

double StringToDouble(const std::string& text, short& consumed, bool money) {
    const std::locale global;
    return StringToDouble(text, consumed, &global, money);
}

double StringToDouble(const std::string& text, short& consumed, const std::locale* loc, bool money) {
    return StringToDouble(text, consumed, std::string(1, DecimalCharOf(GetNumFormat(loc, ""), money)));
}

double StringToDouble(const std::string& text, short& consumed, const std::string& decimalSeparator) {
    // The separator becomes the point that the formatting and the parse of
    // the runtime use; here that is always the "C" point, whatever the
    // global locale's own separator is.
    const std::string copy =
        decimalSeparator.empty() ? text : Replace(text, decimalSeparator, std::string(1, kRuntimePoint));
    std::size_t read = 0;
    const double value = ParseDouble(copy, &read);
    consumed = static_cast<short>(read);
    return value;
}

double StringToDouble(const std::string& text, short& consumed, const char* decimalSeparator) {
    return StringToDouble(text, consumed, std::string(decimalSeparator != nullptr ? decimalSeparator : ""));
}

int32_t StringToLong(const std::string& text, short& consumed) {
    const DecimalText parsed = ParseDecimal(text);
    consumed = static_cast<short>(parsed.consumed);
    return ToLong32(parsed);
}

uint32_t StringToULong(const std::string& text, short& consumed) {
    const DecimalText parsed = ParseDecimal(text);
    consumed = static_cast<short>(parsed.consumed);
    return ToULong32(parsed);
}

int StringToInt(const std::string& text, short& consumed) { return StringToLong(text, consumed); }

unsigned StringToUInt(const std::string& text, short& consumed) { return StringToULong(text, consumed); }

int32_t StringToLong(const std::string& text) { return ToLong32(ParseDecimal(text)); }

uint32_t StringToULong(const std::string& text) { return ToULong32(ParseDecimal(text)); }

int StringToInt(const std::string& text) { return StringToLong(text); }

int HexToInt(const char* text) { return RadixToInt(text, 16); }

int OctToInt(const char* text) { return RadixToInt(text, 8); }

}  // namespace lurutils

// ---- StrVector's double insertions ------------------------------------------

StrVector::StrVector(double v) { *this << v; }

StrVector& StrVector::operator<<(double v) {
    push_back(lurutils::ToString(v, static_cast<short>(-1)));
    return *this;
}

StrVector& StrVector::operator<<(float v) { return *this << static_cast<double>(v); }
