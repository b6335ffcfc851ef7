#include "FieldNumberText.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
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

std::optional<double> ParseFloating(std::string_view text, char type) {
    if (!IsDecimalNumber(text)) return std::nullopt;
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    if (type == 'f' && std::fabs(value) > static_cast<double>(FLT_MAX)) return std::nullopt;
    return value;
}

}  // namespace

bool IsNumberType(char type) { return IsIntegerType(type) || IsFloatingType(type); }

bool Takes(char type, bool isUnsigned, std::string_view text) {
    text = Trimmed(text);
    if (!IsNumberType(type) || text.empty()) return true;
    if (IsFloatingType(type)) return ParseFloating(text, type).has_value();
    const std::optional<long long> value = ParseInteger(text);
    const Range range = IntegerRange(type, isUnsigned);
    return value && *value >= range.low && *value <= range.high;
}

std::string WhatItTakes(char type, bool isUnsigned) {
    if (IsFloatingType(type)) return "a number";
    if (!IsIntegerType(type)) return "";
    const Range range = IntegerRange(type, isUnsigned);
    return "a whole number from " + std::to_string(range.low) + " to " + std::to_string(range.high);
}

long long IntegerOf(std::string_view text) { return ParseInteger(Trimmed(text)).value_or(0); }

double FloatingOf(char type, std::string_view text) {
    const double value = ParseFloating(Trimmed(text), type).value_or(0.0);
    return type == 'f' ? static_cast<double>(static_cast<float>(value)) : value;
}

}  // namespace lurfieldnumber
