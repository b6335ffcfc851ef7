// The table locales (see LocaleFactory.h). The facets copy the runtime's
// class and case tables when a locale is first asked for and compare through
// the runtime's collation of that locale, so they agree with win::crt
// whatever runtime locale is in force later.
#include "LocaleFactory.h"

#include <array>
#include <cstring>
#include <map>
#include <stdexcept>

#include "Crt.h"
#include "Locale.h"

namespace win {

std::locale::id LocaleNameFacet::id;

namespace {

using Mask = std::ctype_base::mask;

struct CaseTables {
    std::array<Mask, 256> masks{};
    std::array<char, 256> upper{};
    std::array<char, 256> lower{};
};

// The runtime's class bits as the facet's masks; printable are the graphic
// characters and the blanks that are no control characters.
Mask MaskOf(uint16_t bits) {
    constexpr std::pair<uint16_t, Mask> kBits[] = {
        {crt::kUpper, std::ctype_base::upper}, {crt::kLower, std::ctype_base::lower},
        {crt::kAlpha, std::ctype_base::alpha}, {crt::kDigit, std::ctype_base::digit},
        {crt::kHex, std::ctype_base::xdigit},  {crt::kSpace, std::ctype_base::space},
        {crt::kPunct, std::ctype_base::punct}, {crt::kControl, std::ctype_base::cntrl},
        {crt::kBlank, std::ctype_base::blank},
    };
    Mask mask = 0;
    for (const auto& [bit, facetMask] : kBits) {
        if (bits & bit) mask |= facetMask;
    }
    if (bits & (crt::kUpper | crt::kLower)) mask |= std::ctype_base::alpha;
    const bool graphic = (bits & (crt::kUpper | crt::kLower | crt::kAlpha | crt::kDigit | crt::kPunct)) != 0;
    if (graphic || ((bits & crt::kBlank) && !(bits & crt::kControl))) mask |= std::ctype_base::print;
    return mask;
}

// Reads the tables of the named runtime locale; the runtime locale in force
// is selected again afterwards.
CaseTables ReadCaseTables(const char* runtimeName) {
    const std::string previous = crt::LocaleName();
    crt::SetLocale(runtimeName);
    CaseTables tables;
    for (int c = 0; c < 256; ++c) {
        tables.masks[c] = MaskOf(crt::CharClass(c));
        tables.upper[c] = static_cast<char>(crt::ToUpper(c));
        tables.lower[c] = static_cast<char>(crt::ToLower(c));
    }
    crt::SetLocale(previous.c_str());
    return tables;
}

// The tables are a base so that they exist before ctype<char>, which keeps
// a pointer to the masks.
struct CaseTablesHolder {
    CaseTables tables;
};

class TableCtype : private CaseTablesHolder, public std::ctype<char> {
public:
    explicit TableCtype(const char* runtimeName)
        : CaseTablesHolder{ReadCaseTables(runtimeName)}, std::ctype<char>(tables.masks.data()) {}

protected:
    char do_toupper(char c) const override { return tables.upper[static_cast<unsigned char>(c)]; }
    const char* do_toupper(char* low, const char* high) const override {
        for (; low < high; ++low) *low = do_toupper(*low);
        return high;
    }
    char do_tolower(char c) const override { return tables.lower[static_cast<unsigned char>(c)]; }
    const char* do_tolower(char* low, const char* high) const override {
        for (; low < high; ++low) *low = do_tolower(*low);
        return high;
    }
};

// Compares as the runtime's collation of the locale does: up to the first
// zero character of each text.
class TableCollate : public std::collate<char> {
public:
    explicit TableCollate(LCID lcid) : m_lcid(lcid) {}

protected:
    int do_compare(const char* low1, const char* high1, const char* low2, const char* high2) const override {
        const std::string a(low1, high1);
        const std::string b(low2, high2);
        return crt::StrCollIn(m_lcid, a.c_str(), b.c_str());
    }

private:
    LCID m_lcid;
};

// lcid 0 is "C".
std::locale BuildLocale(LCID lcid) {
    const std::string name = lcid != 0 ? WindowsLocaleName(lcid) : std::string("C");
    std::locale loc(std::locale::classic(), new TableCtype(name.c_str()));
    loc = std::locale(loc, new TableCollate(lcid));
    return std::locale(loc, new LocaleNameFacet(name));
}

}  // namespace

std::locale TableLocale(std::string_view name) {
    LCID lcid = 0;
    if (name.empty()) {
        lcid = GetUserDefaultLCID();
    } else if (name != "C" && name != "POSIX") {
        lcid = LocaleFromName(name);
        if (lcid == 0) throw std::runtime_error("locale name not in the locale table: " + std::string(name));
    }
    // The locales live as long as the process; entries are never removed.
    static std::map<LCID, std::locale> locales;
    auto it = locales.find(lcid);
    if (it == locales.end()) it = locales.emplace(lcid, BuildLocale(lcid)).first;
    return it->second;
}

std::string NameOfLocale(const std::locale& loc) {
    if (std::has_facet<LocaleNameFacet>(loc)) return std::use_facet<LocaleNameFacet>(loc).Name();
    return loc.name();
}

}  // namespace win
