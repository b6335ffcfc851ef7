// Scrambles user names and passwords for the catalogue table "dbuser": each
// byte is rotated by the decimal digit of a key at its position. Every writer
// and reader uses the built-in key, so the stored form is the same wherever it
// is written or compared.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class StringScrambler {
public:
    static constexpr const char* kBuiltInKey = "40617253";
    static constexpr int32_t kOutOfMemory = 10016;

    StringScrambler();  // the built-in key
    StringScrambler(int16_t keyLength, const char* key);
    ~StringScrambler();
    StringScrambler(const StringScrambler&) = delete;
    StringScrambler& operator=(const StringScrambler&) = delete;

    // Replaces the key by at most keyLength characters of key (stopping at
    // its NUL; the rest of the key stays zero). 0, or 10016 when the key
    // could not be allocated (then there is no key).
    int32_t SetKey(int16_t keyLength, const char* key);

    void Scramble(int32_t length, void* buffer) const;    // rotate right
    void Unscramble(int32_t length, void* buffer) const;  // rotate left

private:
    void Rotate(int32_t length, void* buffer, bool right) const;

    std::unique_ptr<char[]> m_key;
    int16_t m_keyLength = 0;
};

// A user name or password as the catalogue "dbuser" stores it and a login
// compares it: upper-cased with the code page 1250 table whatever the
// runtime locale, then scrambled with the built-in key. Every writer and
// every login goes through it, so a name is found in whichever program and
// under whichever locale it was written.
std::string ScrambledCredential(const std::string& text);
