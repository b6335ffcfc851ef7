// Locales as std::locale objects, built on the runtime's own tables (Crt.h)
// and never on the machine's installed locales: one process-wide locale per
// entry of the locale table (Locale.h) and one for "C". Each carries a
// ctype<char> facet with the runtime's class and case tables of that locale,
// a collate<char> facet with its collation, and a LocaleNameFacet with its
// name, since a std::locale with facets of its own is nameless ("*").
#pragma once

#include <locale>
#include <string>
#include <string_view>

namespace win {

// The name of a locale: "C", or the Windows spelling of a table locale
// ("Hungarian_Hungary.1250").
class LocaleNameFacet : public std::locale::facet {
public:
    static std::locale::id id;

    explicit LocaleNameFacet(std::string name) : m_name(std::move(name)) {}
    const std::string& Name() const { return m_name; }

private:
    std::string m_name;
};

// The locale of name: "C" or "POSIX", "" for the user's default locale, or
// any spelling LocaleFromName knows ("hu_HU", "Hungarian_Hungary.1250").
// Every call returns a copy of the same object, so two locales of one name
// compare equal. An unknown name throws std::runtime_error, as the standard
// constructor does.
std::locale TableLocale(std::string_view name);

// What the locale's name facet holds, else loc.name() (the classic locale
// gives "C").
std::string NameOfLocale(const std::locale& loc);

}  // namespace win
