// Argument lists and the library's checked containers.
//
// Widths follow the original 32-bit platform: a "long" there is int32_t
// here, and 64-bit values use long long (never int64_t, whose type differs
// between platforms).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "LurExceptBase.h"

// Integer to text: the full text of the value in the radix (2-36), letters
// in lower case; a minus sign only for the signed forms in radix 10. Other
// radixes give the two's complement of the value's own width.
namespace lurutils {
std::string ToString(int32_t value, short radix = 10);
std::string ToString(uint32_t value, short radix = 10);
std::string ToString(long long value, short radix = 10);
std::string ToString(unsigned long long value, short radix = 10);
}  // namespace lurutils

// A vector whose checked access raises LuVectorExcept (code 17).
template <class T, class Alloc = std::allocator<T>>
class LuVector : public std::vector<T, Alloc> {
public:
    using std::vector<T, Alloc>::vector;

    T& at(unsigned index) {
        if (index >= this->size()) throw LuVectorExcept();
        return (*this)[index];
    }
    const T& at(unsigned index) const {
        if (index >= this->size()) throw LuVectorExcept();
        return (*this)[index];
    }
};

// The argument list of exceptions and messages: strings in insertion order.
class StrVector : public LuVector<std::string> {
public:
    StrVector() = default;
    StrVector(const std::string& s);
    StrVector(const char* s);
    StrVector(int32_t v);
    StrVector(uint32_t v);
    StrVector(double v);  // as the double insertion writes it
    StrVector(const StrVector&) = default;
    StrVector& operator=(const StrVector&) = default;
    virtual ~StrVector();

    StrVector& operator<<(const char* s);
    StrVector& operator<<(char* s);
    StrVector& operator<<(const std::string& s);
    StrVector& operator<<(char c);  // 0 appends an empty entry
    StrVector& operator<<(short v);
    StrVector& operator<<(unsigned short v);
    StrVector& operator<<(int32_t v);
    StrVector& operator<<(uint32_t v);
    StrVector& operator<<(long long v);
    StrVector& operator<<(unsigned long long v);
    StrVector& operator<<(double v);  // ToString (v, -1)
    StrVector& operator<<(float v);
};

// A map whose Get raises LuMapExcept (code 8) for a missing key, and whose
// Add reports whether it inserted.
template <class K, class V, class Compare = std::less<K>>
class LuMap : public std::map<K, V, Compare> {
public:
    using std::map<K, V, Compare>::map;

    V& Get(const K& key) {
        auto it = this->find(key);
        if (it == this->end()) throw LuMapExcept();
        return it->second;
    }
    const V& Get(const K& key) const {
        auto it = this->find(key);
        if (it == this->end()) throw LuMapExcept();
        return it->second;
    }
    bool Add(const K& key, const V& value) { return this->insert(std::make_pair(key, value)).second; }
};

template <class K, class Compare = std::less<K>>
class LuSet : public std::set<K, Compare> {
public:
    using std::set<K, Compare>::set;

    LuSet& Add(const K& key) {
        this->insert(key);
        return *this;
    }
    bool Contains(const K& key) const { return this->find(key) != this->end(); }
    LuSet& Remove(const K& key) {
        this->erase(key);
        return *this;
    }
    LuSet& AddAll(const LuSet& other) {
        this->insert(other.begin(), other.end());
        return *this;
    }
    LuSet& RemoveAll(const LuSet& other) {
        for (const K& k : other) this->erase(k);
        return *this;
    }
};
