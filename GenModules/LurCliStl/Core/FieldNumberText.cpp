#include "FieldNumberText.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace lurfieldnumber {

namespace {

bool IsIntegerType(char type) { return type == 's' || type == 'i' || type == 'l' || type == 'd'; }
bool IsFloatingType(char type) { return type == 'f' || type == 'F'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

struct Range {
    long long low;
    long long high;
};

Range IntegerRange(char type, bool isUnsigned) {
    const bool withoutSign = type == 'd' || (isUnsigned && (type == 's' || type == 'l'));
    if (type == 's') return withoutSign ? Range{0, UINT16_MAX} : Range{INT16_MIN, INT16_MAX};
    return withoutSign ? Range{0, UINT32_MAX} : Range{INT32_MIN, INT32_MAX};
}

// A sign and decimal digits, nothing else; nullopt beyond the 64-bit range.
std::optional<long long> ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (!IsDigit(c) || value > (LLONG_MAX - 9) / 10) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// [sign] digits [. digits] | [sign] . digits, then [e|E [sign] digits]:
// no hexadecimal, no "inf" or "nan", which the conversion alone would take.
bool IsDecimalNumber(std::string_view text) {
    size_t i = 0;
    const auto digitsFrom = [&] {
        const size_t start = i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = digitsFrom();
    if (i < text.size() && text[i] == '.') {
        ++i;
        digits += digitsFrom();
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digitsFrom() == 0) return false;
    }
    return i == text.size();
}

// Whether a decimal number's digits before its exponent are not all zero.
bool HasNonzeroDigit(std::string_view number) {
    for (const char c : number) {
        if (c == 'e' || c == 'E') break;
        if (c >= '1' && c <= '9') return true;
    }
    return false;
}

struct Floating {
    Verdict verdict;
    double value;  // as the field keeps it, when taken
};

Floating ParseFloating(std::string_view text, char type) {
    if (!IsDecimalNumber(text)) return {Verdict::kRefused, 0};
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // The conversion's verdict on a number beyond the double's range: too
    // large, or so near 0 that it would be 0.
    if (error == std::errc::result_out_of_range) return {Verdict::kOutOfRange, 0};
    if (error != std::errc() || end != text.data() + text.size()) return {Verdict::kRefused, 0};
    const double kept = type == 'f' ? static_cast<double>(NearestFloat(value)) : value;
    if (std::isinf(kept) || (kept == 0 && HasNonzeroDigit(text))) return {Verdict::kOutOfRange, 0};
    return {Verdict::kTakes, kept};
}

}  // namespace

bool IsNumberType(char type) { return IsIntegerType(type) || IsFloatingType(type); }

Verdict Judge(char type, bool isUnsigned, std::string_view text) {
    text = Trimmed(text);
    if (!IsNumberType(type) || text.empty()) return Verdict::kTakes;
    if (IsFloatingType(type)) return ParseFloating(text, type).verdict;
    const std::optional<long long> value = ParseInteger(text);
    const Range range = IntegerRange(type, isUnsigned);
    return value && *value >= range.low && *value <= range.high ? Verdict::kTakes : Verdict::kRefused;
}

std::string WhatItTakes(char type, bool isUnsigned) {
    if (IsFloatingType(type)) return "a number";
    if (!IsIntegerType(type)) return "";
    const Range range = IntegerRange(type, isUnsigned);
    return "a whole number from " + std::to_string(range.low) + " to " + std::to_string(range.high);
}

long long IntegerOf(std::string_view text) { return ParseInteger(Trimmed(text)).value_or(0); }

double FloatingOf(char type, std::string_view text) {
    const Floating number = ParseFloating(Trimmed(text), type);
    return number.verdict == Verdict::kTakes ? number.value : 0;
}

float NearestFloat(double value) {
    // Halfway between FLT_MAX (0x1.fffffep127) and 2^128: from there on a
    // value rounds to infinity (the tie too, to the even significand).
    constexpr double kRoundsToInfinity = 0x1.ffffffp127;
    const double magnitude = std::fabs(value);
    const float sign = std::signbit(value) ? -1.0f : 1.0f;
    if (magnitude >= kRoundsToInfinity) return sign * std::numeric_limits<float>::infinity();
    if (magnitude > static_cast<double>(FLT_MAX)) return sign * FLT_MAX;
    return static_cast<float>(value);
}

}  // namespace lurfieldnumber
