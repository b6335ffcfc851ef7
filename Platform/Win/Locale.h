// Locales: a compiled-in table of the locales the system names (Hungarian,
// several English ones, German) with their names, separators, grouping,
// date and time formats and day and month names, read the way the system's
// locale-information calls read them. Texts come out in code page 1250.
//
// The user's default locale comes from LC_ALL, LC_MESSAGES or LANG (the
// first that is set and not empty), mapped through the alias table; a
// locale of a language the table has in another country ("en_IE",
// "de_AT.UTF-8") is that language's default locale. When none is set, or
// the name is of no language of the table ("C", "POSIX", "C.UTF-8",
// "fr_FR"), the default is Hungarian (0x040E): the system's users are
// Hungarian. SetUserDefaultLCID overrides the environment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace win {

using LCID = uint32_t;
using LCTYPE = uint32_t;

enum : LCID {
    LOCALE_NEUTRAL = 0x0000,
    LOCALE_USER_DEFAULT = 0x0400,
    LOCALE_SYSTEM_DEFAULT = 0x0800,
    LCID_HUNGARIAN = 0x040E,
    LCID_ENGLISH_US = 0x0409,
    LCID_ENGLISH_UK = 0x0809,
    LCID_ENGLISH_AUSTRALIA = 0x0C09,
    LCID_ENGLISH_CANADA = 0x1009,
    LCID_GERMAN = 0x0407,
};

// The locale-information fields of the table.
enum : LCTYPE {
    LOCALE_ILANGUAGE = 0x01,
    LOCALE_SLANGUAGE = 0x02,  // the language's own name here
    LOCALE_SABBREVLANGNAME = 0x03,
    LOCALE_SNATIVELANGNAME = 0x04,
    LOCALE_ICOUNTRY = 0x05,
    LOCALE_SCOUNTRY = 0x06,  // the country's own name here
    LOCALE_SABBREVCTRYNAME = 0x07,
    LOCALE_SNATIVECTRYNAME = 0x08,
    LOCALE_IDEFAULTCODEPAGE = 0x0B,
    LOCALE_SLIST = 0x0C,
    LOCALE_IMEASURE = 0x0D,
    LOCALE_SDECIMAL = 0x0E,
    LOCALE_STHOUSAND = 0x0F,
    LOCALE_SGROUPING = 0x10,
    LOCALE_IDIGITS = 0x11,
    LOCALE_ILZERO = 0x12,
    LOCALE_SNATIVEDIGITS = 0x13,
    LOCALE_SCURRENCY = 0x14,
    LOCALE_SINTLSYMBOL = 0x15,
    LOCALE_SMONDECIMALSEP = 0x16,
    LOCALE_SMONTHOUSANDSEP = 0x17,
    LOCALE_SMONGROUPING = 0x18,
    LOCALE_ICURRDIGITS = 0x19,
    LOCALE_SDATE = 0x1D,
    LOCALE_STIME = 0x1E,
    LOCALE_SSHORTDATE = 0x1F,
    LOCALE_SLONGDATE = 0x20,
    LOCALE_S1159 = 0x28,
    LOCALE_S2359 = 0x29,
    LOCALE_SDAYNAME1 = 0x2A,  // Monday; SDAYNAME7 (0x30) is Sunday
    LOCALE_SDAYNAME7 = 0x30,
    LOCALE_SABBREVDAYNAME1 = 0x31,
    LOCALE_SABBREVDAYNAME7 = 0x37,
    LOCALE_SMONTHNAME1 = 0x38,
    LOCALE_SMONTHNAME12 = 0x43,
    LOCALE_SABBREVMONTHNAME1 = 0x44,
    LOCALE_SABBREVMONTHNAME12 = 0x4F,
    LOCALE_SPOSITIVESIGN = 0x50,
    LOCALE_SNEGATIVESIGN = 0x51,
    LOCALE_SISO639LANGNAME = 0x59,
    LOCALE_SISO3166CTRYNAME = 0x5A,
    LOCALE_SENGLANGUAGE = 0x1001,
    LOCALE_SENGCOUNTRY = 0x1002,
    LOCALE_STIMEFORMAT = 0x1003,
    LOCALE_IDEFAULTANSICODEPAGE = 0x1004,
    LOCALE_SYEARMONTH = 0x1006,
    LOCALE_IFIRSTDAYOFWEEK = 0x100C,

    // Flags that may accompany a field; the table has no user overrides, so
    // both are accepted and change nothing.
    LOCALE_NOUSEROVERRIDE = 0x80000000,
    LOCALE_USE_CP_ACP = 0x40000000,
};

enum : uint32_t {
    LCID_INSTALLED = 1,
    LCID_SUPPORTED = 2,
};

constexpr uint16_t LangIdFromLcid(LCID lcid) { return static_cast<uint16_t>(lcid & 0xFFFF); }
constexpr uint16_t PrimaryLangId(uint16_t langId) { return static_cast<uint16_t>(langId & 0x3FF); }

// Reads one field of a locale into buffer (code page 1250, zero-terminated).
// Returns the characters written including the zero; size 0 asks for that
// count. 0 with the last error set on failure: ERROR_INVALID_PARAMETER for a
// locale not in the table, ERROR_INVALID_FLAGS for an unknown field,
// ERROR_INSUFFICIENT_BUFFER when buffer is too small.
int GetLocaleInfo(LCID lcid, LCTYPE type, char* buffer, int size);

// Calls proc with each locale identifier of the table as eight hexadecimal
// digits ("0000040E"), in table order, until proc returns false. flags:
// LCID_INSTALLED or LCID_SUPPORTED (all locales of the table are both).
using LocaleEnumProc = bool (*)(char* lcidText);
bool EnumSystemLocales(LocaleEnumProc proc, uint32_t flags);

// The user's and the system's default locale (the same here: both follow
// the environment or the override).
LCID GetUserDefaultLCID();
LCID GetSystemDefaultLCID();
// Overrides the environment for both defaults; 0 returns to the environment.
void SetUserDefaultLCID(LCID lcid);

// The locale of a name in any spelling the system meets (case ignored):
// "hu_HU", "hu_HU.UTF-8", "hu_HU@euro", "Hungarian_Hungary.1250",
// "Hungarian_Hungary", "Hungarian", "hu", "HUN". A bare language name or
// code means that language's default locale (English: United States).
// 0 when the name fits no locale of the table.
LCID LocaleFromName(std::string_view name);

// The alias table: a POSIX spelling "ll_CC[.codeset][@modifier]" of a table
// locale becomes its Windows spelling "Language_Country.codepage"
// ("hu_HU.UTF-8" -> "Hungarian_Hungary.1250"); any other name is returned
// unchanged.
std::string WindowsLocaleName(std::string_view name);

// The Windows spelling of a table locale ("Hungarian_Hungary.1250"), or ""
// for a locale not in the table.
std::string WindowsLocaleName(LCID lcid);

}  // namespace win
