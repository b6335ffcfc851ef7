// luLongLong: unsigned 64-bit arithmetic on two 32-bit words (see luLongLong.h).
//
// Every operator computes into locals and commits only when nothing was
// raised, so a refused operation leaves the value as it was.

#include "luLongLong.h"

#include "LurExceptBaseArg.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurUtils\\luLongLong"};

[[noreturn]] void ThrowOverflow(int line, const StrVector& args) { throw LurExceptBaseArg(12, Here(line), args); }

}  // namespace

luLongLong::luLongLong(uint32_t lowWord, uint32_t highWord) : low(lowWord), high(highWord) {}

luLongLong::luLongLong(uint32_t value) : low(value) {}

luLongLong::luLongLong(int32_t value) { *this = value; }

luLongLong& luLongLong::operator=(uint32_t value) {
    low = value;
    high = 0;
    return *this;
}

luLongLong& luLongLong::operator=(int32_t value) {
    if (value < 0) ThrowOverflow(164, StrVector() << high << value);
    return *this = static_cast<uint32_t>(value);
}

luLongLong& luLongLong::operator+=(const luLongLong& other) {
    if (wordMax - high < other.high) ThrowOverflow(64, StrVector() << high << other.high);
    uint32_t newHigh = high + other.high;
    uint32_t newLow;
    if (wordMax - low >= other.low) {
        newLow = low + other.low;
    } else {
        if (newHigh == wordMax) ThrowOverflow(70, StrVector() << newHigh << other.high);
        ++newHigh;
        newLow = other.low - (wordMax - low) - 1;
    }
    low = newLow;
    high = newHigh;
    return *this;
}

luLongLong& luLongLong::operator-=(const luLongLong& other) {
    if (high - wordMin < other.high) ThrowOverflow(83, StrVector() << high << other.high);
    uint32_t newHigh = high - other.high;
    uint32_t newLow;
    if (low - wordMin >= other.low) {
        newLow = low - other.low;
    } else {
        if (newHigh == wordMin) ThrowOverflow(89, StrVector() << newHigh << other.high);
        --newHigh;
        newLow = wordMax + (low - wordMin) - other.low + 1;  // modulo 2^32
    }
    low = newLow;
    high = newHigh;
    return *this;
}

luLongLong& luLongLong::operator+=(uint32_t value) {
    if (wordMax - low >= value) {
        low += value;
    } else {
        if (high == wordMax) ThrowOverflow(104, StrVector() << high << value);
        ++high;
        low = value - (wordMax - low) - 1;
    }
    return *this;
}

luLongLong& luLongLong::operator-=(uint32_t value) {
    if (low - wordMin >= value) {
        low -= value;
    } else {
        if (high == wordMin) ThrowOverflow(120, StrVector() << high << value);
        --high;
        low = wordMax + (low - wordMin) - value + 1;  // modulo 2^32
    }
    return *this;
}

// The magnitude of a negative long, which always fits a word.
static uint32_t Magnitude(int32_t value) { return 0u - static_cast<uint32_t>(value); }

luLongLong& luLongLong::operator+=(int32_t value) {
    return value < 0 ? *this -= Magnitude(value) : *this += static_cast<uint32_t>(value);
}

luLongLong& luLongLong::operator-=(int32_t value) {
    return value < 0 ? *this += Magnitude(value) : *this -= static_cast<uint32_t>(value);
}

luLongLong luLongLong::operator+(const luLongLong& other) const { return luLongLong(*this) += other; }
luLongLong luLongLong::operator-(const luLongLong& other) const { return luLongLong(*this) -= other; }
luLongLong luLongLong::operator+(uint32_t value) const { return luLongLong(*this) += value; }
luLongLong luLongLong::operator-(uint32_t value) const { return luLongLong(*this) -= value; }
luLongLong luLongLong::operator+(int32_t value) const { return luLongLong(*this) += value; }
luLongLong luLongLong::operator-(int32_t value) const { return luLongLong(*this) -= value; }

uint32_t luLongLong::ToULong() const {
    if (high != 0) ThrowOverflow(178, StrVector() << high);
    return low;
}

int32_t luLongLong::ToLong() const {
    if (high != 0 || low > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
        ThrowOverflow(187, StrVector() << high << low);
    }
    return static_cast<int32_t>(low);
}

bool operator<(const luLongLong& a, const luLongLong& b) { return a.high != b.high ? a.high < b.high : a.low < b.low; }
bool operator>(const luLongLong& a, const luLongLong& b) { return a.high != b.high ? a.high > b.high : a.low > b.low; }
bool operator==(const luLongLong& a, const luLongLong& b) { return a.high == b.high && a.low == b.low; }
bool operator!=(const luLongLong& a, const luLongLong& b) { return !(a == b); }
bool operator<=(const luLongLong& a, const luLongLong& b) { return !(a > b); }
bool operator>=(const luLongLong& a, const luLongLong& b) { return !(a < b); }

bool operator<(const luLongLong& a, uint32_t b) { return a.high == 0 && a.low < b; }
bool operator>(const luLongLong& a, uint32_t b) { return a.high != 0 || a.low > b; }
bool operator==(const luLongLong& a, uint32_t b) { return a.high == 0 && a.low == b; }
bool operator!=(const luLongLong& a, uint32_t b) { return !(a == b); }
bool operator<=(const luLongLong& a, uint32_t b) { return !(a > b); }
bool operator>=(const luLongLong& a, uint32_t b) { return !(a < b); }

bool operator<(uint32_t a, const luLongLong& b) { return b > a; }
bool operator>(uint32_t a, const luLongLong& b) { return b < a; }
bool operator==(uint32_t a, const luLongLong& b) { return b == a; }
bool operator!=(uint32_t a, const luLongLong& b) { return !(b == a); }
bool operator<=(uint32_t a, const luLongLong& b) { return !(a > b); }
bool operator>=(uint32_t a, const luLongLong& b) { return !(a < b); }
