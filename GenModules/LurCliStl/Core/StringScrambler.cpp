#include "StringScrambler.h"

#include <new>

#include "Crt.h"

StringScrambler::StringScrambler() { SetKey(8, kBuiltInKey); }

StringScrambler::StringScrambler(int16_t keyLength, const char* key) { SetKey(keyLength, key); }

StringScrambler::~StringScrambler() = default;

int32_t StringScrambler::SetKey(int16_t keyLength, const char* key) {
    m_key.reset();
    m_keyLength = 0;
    if (keyLength < 0) return 0;  // nothing to allocate: no key
    m_key.reset(new (std::nothrow) char[static_cast<size_t>(keyLength) + 1]());
    if (!m_key) return kOutOfMemory;
    for (int16_t i = 0; i < keyLength && key && key[i] != '\0'; ++i) m_key[i] = key[i];
    m_keyLength = keyLength;
    return 0;
}

void StringScrambler::Scramble(int32_t length, void* buffer) const { Rotate(length, buffer, true); }

void StringScrambler::Unscramble(int32_t length, void* buffer) const { Rotate(length, buffer, false); }

void StringScrambler::Rotate(int32_t length, void* buffer, bool right) const {
    if (!m_key || m_keyLength <= 0 || !buffer) return;
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (int32_t i = 0; i < length; ++i) {
        // A key character below '0' (a NUL filler, say) gives a non-positive
        // count and leaves its byte alone; only count modulo 8 matters.
        const int n = static_cast<signed char>(m_key[i % m_keyLength]) - '0';
        if (n <= 0) continue;
        const unsigned shift = static_cast<unsigned>(n) % 8u;
        const unsigned b = bytes[i];
        bytes[i] =
            static_cast<unsigned char>(right ? (b >> shift) | (b << (8 - shift)) : (b << shift) | (b >> (8 - shift)));
    }
}

std::string ScrambledCredential(const std::string& text) {
    std::string stored = win::crt::UpperCp1250(text);
    StringScrambler().Scramble(static_cast<int32_t>(stored.size()), stored.data());
    return stored;
}
