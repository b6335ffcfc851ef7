// C runtime locale stand-in: the character class and case tables of the
// runtime library for the "C" locale and for Hungarian code page 1250, and
// the string functions that follow them. Results never depend on the
// machine's installed locales.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace win::crt {

// Class bits of the runtime's ctype table (the values the utility library's
// character-class masks are built from).
enum CharClassBits : uint16_t {
    kUpper = 0x0001,
    kLower = 0x0002,
    kDigit = 0x0004,
    kSpace = 0x0008,
    kPunct = 0x0010,
    kControl = 0x0020,
    kBlank = 0x0040,
    kHex = 0x0080,
    kAlpha = 0x0100,
};

// Selects the runtime locale for every category. Accepts "C", "" (the
// user's default locale), "Hungarian_Hungary.1250", "hu_HU" and the other
// spellings of the locale table. Returns the name now in force, or null
// (and keeps the current one) when the name is unknown.
const char* SetLocale(const char* name);

// The name of the locale in force ("C" at start).
const char* LocaleName();

// The class bits of one character, passed as an unsigned byte (0-255);
// EOF (-1) has no bits.
uint16_t CharClass(int c);
bool IsType(int c, uint16_t bits);  // any of bits set

int ToUpper(int c);
int ToLower(int c);
// The code page 1250 upper case whatever locale is in force, for names that
// must fold the same in every program (service names).
int ToUpperCp1250(int c);
// The text upper-cased by ToUpperCp1250: the one folding of the names that
// logins and the catalogue compare (users, roles, passwords, sequences,
// services), the same in every program and under every runtime locale.
std::string UpperCp1250(std::string_view text);

char* StrUpr(char* text);  // in place, returns text
// Whether StrUpr would leave the first length bytes unchanged (it stops at a
// zero byte).
bool IsUpperText(const char* text, size_t length);
char* StrLwr(char* text);

int StrICmp(const char* a, const char* b);  // case-insensitive byte compare
int StrNICmp(const char* a, const char* b, unsigned count);
int StrColl(const char* a, const char* b);  // collation of the locale
// StrColl of a table locale without selecting it (0: "C", bytes); the std::locale facets use it.
int StrCollIn(uint32_t lcid, const char* a, const char* b);
int StrIColl(const char* a, const char* b);  // case-insensitive collation

}  // namespace win::crt
