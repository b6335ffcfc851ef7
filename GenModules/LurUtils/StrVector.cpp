#include "StrVector.h"

namespace lurutils {
namespace {

// The runtime's integer-to-text routines: the magnitude's digits in the
// radix, a minus sign only for a negative value in radix 10; in any other
// radix a negative value is written as its two's complement of the given width.
std::string UnsignedToText(unsigned long long value, short radix) {
    if (radix < 2 || radix > 36) return {};
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    char buffer[72];
    size_t pos = sizeof buffer;
    do {
        buffer[--pos] = kDigits[value % static_cast<unsigned>(radix)];
        value /= static_cast<unsigned>(radix);
    } while (value != 0);
    return std::string(buffer + pos, sizeof buffer - pos);
}

template <class Unsigned, class Signed>
std::string SignedToText(Signed value, short radix) {
    if (radix == 10 && value < 0)
        return "-" + UnsignedToText(static_cast<Unsigned>(0) - static_cast<Unsigned>(value), radix);
    return UnsignedToText(static_cast<Unsigned>(value), radix);
}

}  // namespace

std::string ToString(int32_t value, short radix) { return SignedToText<uint32_t>(value, radix); }
std::string ToString(uint32_t value, short radix) { return UnsignedToText(value, radix); }
std::string ToString(long long value, short radix) { return SignedToText<unsigned long long>(value, radix); }
std::string ToString(unsigned long long value, short radix) { return UnsignedToText(value, radix); }

}  // namespace lurutils

StrVector::StrVector(const std::string& s) { push_back(s); }
StrVector::StrVector(const char* s) { push_back(s ? s : ""); }
StrVector::StrVector(int32_t v) { push_back(lurutils::ToString(v)); }
StrVector::StrVector(uint32_t v) { push_back(lurutils::ToString(v)); }
StrVector::~StrVector() = default;

StrVector& StrVector::operator<<(const char* s) {
    push_back(s ? s : "");
    return *this;
}
StrVector& StrVector::operator<<(char* s) { return *this << static_cast<const char*>(s); }
StrVector& StrVector::operator<<(const std::string& s) {
    push_back(s);
    return *this;
}
StrVector& StrVector::operator<<(char c) {
    push_back(c == '\0' ? std::string() : std::string(1, c));
    return *this;
}
StrVector& StrVector::operator<<(short v) { return *this << static_cast<int32_t>(v); }
StrVector& StrVector::operator<<(unsigned short v) { return *this << static_cast<uint32_t>(v); }
StrVector& StrVector::operator<<(int32_t v) {
    push_back(lurutils::ToString(v));
    return *this;
}
StrVector& StrVector::operator<<(uint32_t v) {
    push_back(lurutils::ToString(v));
    return *this;
}
StrVector& StrVector::operator<<(long long v) {
    push_back(lurutils::ToString(v));
    return *this;
}
StrVector& StrVector::operator<<(unsigned long long v) {
    push_back(lurutils::ToString(v));
    return *this;
}
