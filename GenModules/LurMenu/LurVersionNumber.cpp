#include "LurVersionNumber.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace {

constexpr unsigned kPartCount = 4;

// A count or start argument read as an unsigned 16-bit value, at most 4.
unsigned PartLimit(int value) { return std::min<unsigned>(static_cast<uint16_t>(value), kPartCount); }

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The number at the start of [begin, end) read the way atoi reads it
// (leading blanks, an optional sign, digits up to the first other
// character), but saturating at the 32-bit limits instead of overflowing.
int ReadNumber(const char* begin, const char* end) {
    while (begin != end && IsBlank(*begin)) ++begin;
    bool negative = false;
    if (begin != end && (*begin == '+' || *begin == '-')) negative = *begin++ == '-';
    long long value = 0;
    for (; begin != end && *begin >= '0' && *begin <= '9'; ++begin) {
        value = std::min(value * 10 + (*begin - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) return static_cast<int>(-value);
    return static_cast<int>(std::min(value, static_cast<long long>(INT_MAX)));
}

}  // namespace

LurVersionNumber::LurVersionNumber(int major, int minor, int release, int build)
    : m_major(static_cast<uint16_t>(major)),
      m_minor(static_cast<uint16_t>(minor)),
      m_release(static_cast<uint16_t>(release)),
      m_build(static_cast<uint16_t>(build)) {}

LurVersionNumber::LurVersionNumber(const char* text) { Parse(text); }

LurVersionNumber::LurVersionNumber(const std::string& text) { Parse(text); }

uint16_t LurVersionNumber::Part(unsigned index) const {
    switch (index) {
        case 0: return m_major;
        case 1: return m_minor;
        case 2: return m_release;
        default: return m_build;
    }
}

void LurVersionNumber::Parse(const char* text) {
    int parts[kPartCount] = {0, 0, 0, 0};
    unsigned found = 0;
    const char* at = text != nullptr ? text : "";
    while (found < kPartCount) {
        while (*at == '.') ++at;  // runs of dots and leading dots make no piece
        if (*at == '\0') break;
        const char* end = at;
        while (*end != '\0' && *end != '.') ++end;
        parts[found++] = ReadNumber(at, end);
        at = end;
    }
    *this = LurVersionNumber(parts[0], parts[1], parts[2], parts[3]);
}

std::string LurVersionNumber::ToString() const { return ToString(kPartCount); }

std::string LurVersionNumber::ToString(int count) const {
    const unsigned n = std::max(PartLimit(count), 1u);
    std::string text;
    for (unsigned i = 0; i < n; ++i) {
        if (i > 0) text += '.';
        text += std::to_string(Part(i));
    }
    return text;
}

bool operator==(const LurVersionNumber& a, const LurVersionNumber& b) { return a.EqualParts(b, kPartCount); }

bool operator<(const LurVersionNumber& a, const LurVersionNumber& b) {
    for (unsigned i = 0; i < kPartCount; ++i) {
        if (a.Part(i) != b.Part(i)) return a.Part(i) < b.Part(i);
    }
    return false;
}

bool operator>(const LurVersionNumber& a, const LurVersionNumber& b) { return b < a; }

bool LurVersionNumber::EqualParts(const LurVersionNumber& other, int count) const {
    const unsigned n = PartLimit(count);
    for (unsigned i = 0; i < n; ++i) {
        if (Part(i) != other.Part(i)) return false;
    }
    return true;
}

bool LurVersionNumber::AllPartsLess(const LurVersionNumber& other, int count) const {
    const unsigned n = PartLimit(count);
    for (unsigned i = 0; i < n; ++i) {
        if (Part(i) >= other.Part(i)) return false;
    }
    return true;
}

bool LurVersionNumber::AllPartsGreater(const LurVersionNumber& other, int count) const {
    return other.AllPartsLess(*this, count);
}

bool LurVersionNumber::IsZeroFrom(int start) const {
    const unsigned from = static_cast<uint16_t>(start) <= kPartCount ? static_cast<uint16_t>(start) : 0;
    for (unsigned i = from; i < kPartCount; ++i) {
        if (Part(i) != 0) return false;
    }
    return true;
}

bool LurVersionNumber::IsValidText(const std::string& text, int parts) {
    if (text.empty()) return false;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); })) return false;
    const auto dots = static_cast<int>(std::count(text.begin(), text.end(), '.'));
    const bool trailingDot = text.back() == '.';
    return (dots == parts && trailingDot) || (dots + 1 == parts && !trailingDot);
}
