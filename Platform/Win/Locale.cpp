#include "Locale.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "CodePage.h"
#include "LastError.h"

namespace win {

namespace {

// One locale of the table. Texts are UTF-8 here and handed out in code page
// 1250; a character the code page lacks (the pound sign) comes out as '?'.
struct LocaleData {
    LCID lcid;
    const char* iso639;         // "hu"
    const char* iso3166;        // "HU"
    const char* abbrevLang;     // "HUN"
    const char* abbrevCountry;  // "HUN"
    const char* englishLanguage;
    const char* englishCountry;
    const char* nativeLanguage;
    const char* nativeCountry;
    const char* countryCode;  // telephone country code
    const char* oemCodePage;
    const char* ansiCodePage;
    const char* list;
    const char* measure;  // 0 metric, 1 US
    const char* decimal;
    const char* thousand;
    const char* grouping;
    const char* currency;
    const char* intlSymbol;
    const char* monDecimal;
    const char* monThousand;
    const char* monGrouping;
    const char* dateSep;
    const char* timeSep;
    const char* shortDate;
    const char* longDate;
    const char* timeFormat;
    const char* yearMonth;
    const char* am;
    const char* pm;
    const char* firstDayOfWeek;       // 0 Monday ... 6 Sunday
    std::array<const char*, 7> days;  // Monday first
    std::array<const char*, 7> abbrevDays;
    std::array<const char*, 12> months;
    std::array<const char*, 12> abbrevMonths;
};

constexpr std::array<const char*, 7> kEnglishDays = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                     "Friday", "Saturday", "Sunday"};
constexpr std::array<const char*, 7> kEnglishAbbrevDays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<const char*, 12> kEnglishMonths = {"January",   "February", "March",    "April",
                                                        "May",       "June",     "July",     "August",
                                                        "September", "October",  "November", "December"};
constexpr std::array<const char*, 12> kEnglishAbbrevMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// In identifier order, which is also the enumeration order.
const LocaleData kLocales[] = {
    {LCID_GERMAN,
     "de",
     "DE",
     "DEU",
     "DEU",
     "German",
     "Germany",
     "Deutsch",
     "Deutschland",
     "49",
     "850",
     "1252",
     ";",
     "0",
     ",",
     ".",
     "3;0",
     "€",
     "EUR",
     ",",
     ".",
     "3;0",
     ".",
     ":",
     "dd.MM.yyyy",
     "dddd, d. MMMM yyyy",
     "HH:mm:ss",
     "MMMM yyyy",
     "",
     "",
     "0",
     {"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"},
     {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"},
     {"Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August", "September", "Oktober", "November",
      "Dezember"},
     {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"}},
    {LCID_ENGLISH_US,
     "en",
     "US",
     "ENU",
     "USA",
     "English",
     "United States",
     "English",
     "United States",
     "1",
     "437",
     "1252",
     ",",
     "1",
     ".",
     ",",
     "3;0",
     "$",
     "USD",
     ".",
     ",",
     "3;0",
     "/",
     ":",
     "M/d/yyyy",
     "dddd, MMMM dd, yyyy",
     "h:mm:ss tt",
     "MMMM, yyyy",
     "AM",
     "PM",
     "6",
     kEnglishDays,
     kEnglishAbbrevDays,
     kEnglishMonths,
     kEnglishAbbrevMonths},
    {LCID_HUNGARIAN,
     "hu",
     "HU",
     "HUN",
     "HUN",
     "Hungarian",
     "Hungary",
     "magyar",
     "Magyarország",
     "36",
     "852",
     "1250",
     ";",
     "0",
     ",",
     "\u00A0",
     "3;0",
     "Ft",
     "HUF",
     ",",
     "\u00A0",
     "3;0",
     ".",
     ":",
     "yyyy. MM. dd.",
     "yyyy. MMMM d.",
     "H:mm:ss",
     "yyyy. MMMM",
     "de.",
     "du.",
     "0",
     {"hétfő", "kedd", "szerda", "csütörtök", "péntek", "szombat", "vasárnap"},
     {"H", "K", "Sze", "Cs", "P", "Szo", "V"},
     {"január", "február", "március", "április", "május", "június", "július", "augusztus", "szeptember", "október",
      "november", "december"},
     {"jan.", "febr.", "márc.", "ápr.", "máj.", "jún.", "júl.", "aug.", "szept.", "okt.", "nov.", "dec."}},
    {LCID_ENGLISH_UK,
     "en",
     "GB",
     "ENG",
     "GBR",
     "English",
     "United Kingdom",
     "English",
     "United Kingdom",
     "44",
     "850",
     "1252",
     ",",
     "0",
     ".",
     ",",
     "3;0",
     "£",
     "GBP",
     ".",
     ",",
     "3;0",
     "/",
     ":",
     "dd/MM/yyyy",
     "dd MMMM yyyy",
     "HH:mm:ss",
     "MMMM yyyy",
     "AM",
     "PM",
     "0",
     kEnglishDays,
     kEnglishAbbrevDays,
     kEnglishMonths,
     kEnglishAbbrevMonths},
    {LCID_ENGLISH_AUSTRALIA,
     "en",
     "AU",
     "ENA",
     "AUS",
     "English",
     "Australia",
     "English",
     "Australia",
     "61",
     "850",
     "1252",
     ",",
     "0",
     ".",
     ",",
     "3;0",
     "$",
     "AUD",
     ".",
     ",",
     "3;0",
     "/",
     ":",
     "d/MM/yyyy",
     "dddd, d MMMM yyyy",
     "h:mm:ss tt",
     "MMMM yyyy",
     "AM",
     "PM",
     "0",
     kEnglishDays,
     kEnglishAbbrevDays,
     kEnglishMonths,
     kEnglishAbbrevMonths},
    {LCID_ENGLISH_CANADA,
     "en",
     "CA",
     "ENC",
     "CAN",
     "English",
     "Canada",
     "English",
     "Canada",
     "2",
     "850",
     "1252",
     ",",
     "0",
     ".",
     ",",
     "3;0",
     "$",
     "CAD",
     ".",
     ",",
     "3;0",
     "/",
     ":",
     "dd/MM/yyyy",
     "MMMM d, yyyy",
     "h:mm:ss tt",
     "MMMM, yyyy",
     "AM",
     "PM",
     "6",
     kEnglishDays,
     kEnglishAbbrevDays,
     kEnglishMonths,
     kEnglishAbbrevMonths},
};

constexpr LCID kFallbackLocale = LCID_HUNGARIAN;

LCID g_userDefaultOverride = 0;  // set by SetUserDefaultLCID (tests, callers)

const LocaleData* FindLocale(LCID lcid) {
    for (const LocaleData& l : kLocales) {
        if (l.lcid == lcid) return &l;
    }
    return nullptr;
}

// The UTF-8 text of a field, or nullopt for a field the table does not know.
std::optional<std::string> FieldText(const LocaleData& l, LCTYPE type) {
    if (type >= LOCALE_SDAYNAME1 && type <= LOCALE_SDAYNAME7) return l.days[type - LOCALE_SDAYNAME1];
    if (type >= LOCALE_SABBREVDAYNAME1 && type <= LOCALE_SABBREVDAYNAME7)
        return l.abbrevDays[type - LOCALE_SABBREVDAYNAME1];
    if (type >= LOCALE_SMONTHNAME1 && type <= LOCALE_SMONTHNAME12) return l.months[type - LOCALE_SMONTHNAME1];
    if (type >= LOCALE_SABBREVMONTHNAME1 && type <= LOCALE_SABBREVMONTHNAME12)
        return l.abbrevMonths[type - LOCALE_SABBREVMONTHNAME1];
    char hex[8];
    switch (type) {
        case LOCALE_ILANGUAGE:
            std::snprintf(hex, sizeof hex, "%04x", static_cast<unsigned>(LangIdFromLcid(l.lcid)));
            return std::string(hex);
        case LOCALE_SLANGUAGE:
        case LOCALE_SNATIVELANGNAME: return l.nativeLanguage;
        case LOCALE_SABBREVLANGNAME: return l.abbrevLang;
        case LOCALE_ICOUNTRY: return l.countryCode;
        case LOCALE_SCOUNTRY:
        case LOCALE_SNATIVECTRYNAME: return l.nativeCountry;
        case LOCALE_SABBREVCTRYNAME: return l.abbrevCountry;
        case LOCALE_IDEFAULTCODEPAGE: return l.oemCodePage;
        case LOCALE_SLIST: return l.list;
        case LOCALE_IMEASURE: return l.measure;
        case LOCALE_SDECIMAL: return l.decimal;
        case LOCALE_STHOUSAND: return l.thousand;
        case LOCALE_SGROUPING: return l.grouping;
        case LOCALE_IDIGITS: return "2";
        case LOCALE_ILZERO: return "1";
        case LOCALE_SNATIVEDIGITS: return "0123456789";
        case LOCALE_SCURRENCY: return l.currency;
        case LOCALE_SINTLSYMBOL: return l.intlSymbol;
        case LOCALE_SMONDECIMALSEP: return l.monDecimal;
        case LOCALE_SMONTHOUSANDSEP: return l.monThousand;
        case LOCALE_SMONGROUPING: return l.monGrouping;
        case LOCALE_ICURRDIGITS: return "2";
        case LOCALE_SDATE: return l.dateSep;
        case LOCALE_STIME: return l.timeSep;
        case LOCALE_SSHORTDATE: return l.shortDate;
        case LOCALE_SLONGDATE: return l.longDate;
        case LOCALE_S1159: return l.am;
        case LOCALE_S2359: return l.pm;
        case LOCALE_SPOSITIVESIGN: return "";
        case LOCALE_SNEGATIVESIGN: return "-";
        case LOCALE_SISO639LANGNAME: return l.iso639;
        case LOCALE_SISO3166CTRYNAME: return l.iso3166;
        case LOCALE_SENGLANGUAGE: return l.englishLanguage;
        case LOCALE_SENGCOUNTRY: return l.englishCountry;
        case LOCALE_STIMEFORMAT: return l.timeFormat;
        case LOCALE_IDEFAULTANSICODEPAGE: return l.ansiCodePage;
        case LOCALE_SYEARMONTH: return l.yearMonth;
        case LOCALE_IFIRSTDAYOFWEEK: return l.firstDayOfWeek;
        default: return std::nullopt;
    }
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; };
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

// The name without its ".codeset" and "@modifier" parts.
std::string_view BaseName(std::string_view name) {
    const size_t cut = name.find_first_of(".@");
    return cut == std::string_view::npos ? name : name.substr(0, cut);
}

// A POSIX spelling "ll_CC": the locale with those ISO codes.
const LocaleData* FindPosixLocale(std::string_view name) {
    const std::string_view base = BaseName(name);
    if (base.size() != 5 || base[2] != '_') return nullptr;
    for (const LocaleData& l : kLocales) {
        if (EqualsNoCase(base.substr(0, 2), l.iso639) && EqualsNoCase(base.substr(3), l.iso3166)) return &l;
    }
    return nullptr;
}

// The default locale of a language (sub-language 1), matched by ISO code,
// abbreviation or English name.
const LocaleData* FindLanguageDefault(std::string_view language) {
    for (const LocaleData& l : kLocales) {
        const bool named = EqualsNoCase(language, l.iso639) || EqualsNoCase(language, l.abbrevLang) ||
                           EqualsNoCase(language, l.englishLanguage);
        if (named && (EqualsNoCase(language, l.abbrevLang) || (LangIdFromLcid(l.lcid) >> 10) == 1)) return &l;
    }
    return nullptr;
}

// A locale of the environment: one of the table, else, for a language the
// table has in another country (en_IE, de_AT), that language's default
// locale, so that every English or German locale gets its language's
// texts; else the fallback.
LCID EnvironmentLocale(std::string_view name) {
    if (const LCID lcid = LocaleFromName(name); lcid != 0) return lcid;
    const std::string_view base = BaseName(name);
    const size_t underscore = base.find('_');
    if (underscore == std::string_view::npos) return kFallbackLocale;
    const LocaleData* language = FindLanguageDefault(base.substr(0, underscore));
    return language != nullptr ? language->lcid : kFallbackLocale;
}

LCID LocaleFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return EnvironmentLocale(value);
    }
    return kFallbackLocale;
}

LCID ResolveLcid(LCID lcid) {
    if (lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_NEUTRAL) return GetUserDefaultLCID();
    if (lcid == LOCALE_SYSTEM_DEFAULT) return GetSystemDefaultLCID();
    return lcid;
}

}  // namespace

int GetLocaleInfo(LCID lcid, LCTYPE type, char* buffer, int size) {
    const LocaleData* locale = FindLocale(ResolveLcid(lcid));
    if (locale == nullptr || size < 0 || (size > 0 && buffer == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::optional<std::string> text = FieldText(*locale, type & ~(LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP));
    if (!text) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const std::string converted = Utf8ToCp1250(*text);
    const int needed = static_cast<int>(converted.size()) + 1;
    if (size == 0) return needed;
    if (size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, converted.c_str(), static_cast<size_t>(needed));
    return needed;
}

bool EnumSystemLocales(LocaleEnumProc proc, uint32_t flags) {
    if (proc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (flags != LCID_INSTALLED && flags != LCID_SUPPORTED) {
        SetLastError(ERROR_INVALID_FLAGS);
        return false;
    }
    for (const LocaleData& l : kLocales) {
        char text[16];
        std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(l.lcid));
        if (!proc(text)) break;
    }
    return true;
}

LCID GetUserDefaultLCID() { return g_userDefaultOverride != 0 ? g_userDefaultOverride : LocaleFromEnvironment(); }

LCID GetSystemDefaultLCID() { return GetUserDefaultLCID(); }

void SetUserDefaultLCID(LCID lcid) { g_userDefaultOverride = lcid; }

LCID LocaleFromName(std::string_view name) {
    if (const LocaleData* posix = FindPosixLocale(name)) return posix->lcid;
    const std::string_view base = BaseName(name);
    const size_t underscore = base.find('_');
    if (underscore == std::string_view::npos) {
        const LocaleData* l = FindLanguageDefault(base);
        return l != nullptr ? l->lcid : 0;
    }
    const std::string_view language = base.substr(0, underscore);
    const std::string_view country = base.substr(underscore + 1);
    for (const LocaleData& l : kLocales) {
        if (EqualsNoCase(language, l.englishLanguage) && EqualsNoCase(country, l.englishCountry)) return l.lcid;
    }
    return 0;
}

std::string WindowsLocaleName(std::string_view name) {
    const LocaleData* posix = FindPosixLocale(name);
    return posix != nullptr ? WindowsLocaleName(posix->lcid) : std::string(name);
}

std::string WindowsLocaleName(LCID lcid) {
    const LocaleData* l = FindLocale(lcid);
    if (l == nullptr) return {};
    return std::string(l->englishLanguage) + "_" + l->englishCountry + "." + l->ansiCodePage;
}

}  // namespace win
