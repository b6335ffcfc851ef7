// An unsigned 64-bit number held as two 32-bit words, low word first as the
// platform's 64-bit records lay it out. Addition and subtraction refuse to
// wrap: a result outside 0 .. 2^64 - 1 raises LurExceptBaseArg code 12 and
// leaves the value unchanged.
#pragma once

#include <cstdint>
#include <limits>

class luLongLong {
public:
    luLongLong() = default;
    luLongLong(const luLongLong&) = default;
    luLongLong& operator=(const luLongLong&) = default;
    luLongLong(uint32_t low, uint32_t high);
    luLongLong(uint32_t value);
    luLongLong(int32_t value);  // a negative value raises 12

    luLongLong& operator=(uint32_t value);
    luLongLong& operator=(int32_t value);  // a negative value raises 12

    luLongLong& operator+=(const luLongLong& other);
    luLongLong& operator-=(const luLongLong& other);
    luLongLong& operator+=(uint32_t value);
    luLongLong& operator-=(uint32_t value);
    luLongLong& operator+=(int32_t value);  // a negative value subtracts its magnitude
    luLongLong& operator-=(int32_t value);  // a negative value adds its magnitude

    luLongLong operator+(const luLongLong& other) const;
    luLongLong operator-(const luLongLong& other) const;
    luLongLong operator+(uint32_t value) const;
    luLongLong operator-(uint32_t value) const;
    luLongLong operator+(int32_t value) const;
    luLongLong operator-(int32_t value) const;

    uint32_t ToULong() const;  // raises 12 when the high word is not 0
    int32_t ToLong() const;    // raises 12 above 2147483647

    uint32_t GetLow() const { return low; }
    uint32_t GetHigh() const { return high; }

    friend bool operator<(const luLongLong& a, const luLongLong& b);
    friend bool operator>(const luLongLong& a, const luLongLong& b);
    friend bool operator==(const luLongLong& a, const luLongLong& b);
    friend bool operator<(const luLongLong& a, uint32_t b);
    friend bool operator>(const luLongLong& a, uint32_t b);
    friend bool operator==(const luLongLong& a, uint32_t b);

private:
    uint32_t low = 0;
    uint32_t high = 0;
    uint32_t wordMin = std::numeric_limits<uint32_t>::min();
    uint32_t wordMax = std::numeric_limits<uint32_t>::max();
};

bool operator<(const luLongLong& a, const luLongLong& b);
bool operator>(const luLongLong& a, const luLongLong& b);
bool operator==(const luLongLong& a, const luLongLong& b);
bool operator!=(const luLongLong& a, const luLongLong& b);
bool operator<=(const luLongLong& a, const luLongLong& b);
bool operator>=(const luLongLong& a, const luLongLong& b);

bool operator<(const luLongLong& a, uint32_t b);
bool operator>(const luLongLong& a, uint32_t b);
bool operator==(const luLongLong& a, uint32_t b);
bool operator!=(const luLongLong& a, uint32_t b);
bool operator<=(const luLongLong& a, uint32_t b);
bool operator>=(const luLongLong& a, uint32_t b);

bool operator<(uint32_t a, const luLongLong& b);
bool operator>(uint32_t a, const luLongLong& b);
bool operator==(uint32_t a, const luLongLong& b);
bool operator!=(uint32_t a, const luLongLong& b);
bool operator<=(uint32_t a, const luLongLong& b);
bool operator>=(uint32_t a, const luLongLong& b);
