#include "LocaleFactory.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "Crt.h"
#include "Locale.h"

namespace {

int Collate(const std::locale& loc, const std::string& a, const std::string& b) {
    return std::use_facet<std::collate<char>>(loc).compare(a.data(), a.data() + a.size(), b.data(),
                                                           b.data() + b.size());
}

TEST(LocaleFactory, EverySpellingGivesTheSameLocaleObject) {
    const std::locale hungarian = win::TableLocale("hu_HU");
    for (const char* name : {"hu_HU", "Hungarian_Hungary.1250", "hu_HU.UTF-8", "HUN"}) {
        EXPECT_TRUE(win::TableLocale(name) == hungarian) << name;
    }
    EXPECT_TRUE(win::TableLocale("C") == win::TableLocale("POSIX"));
    EXPECT_FALSE(win::TableLocale("C") == hungarian);
    EXPECT_FALSE(win::TableLocale("en_GB") == hungarian);
    EXPECT_THROW(win::TableLocale("xx_YY"), std::runtime_error);

    win::SetUserDefaultLCID(win::LCID_GERMAN);
    EXPECT_TRUE(win::TableLocale("") == win::TableLocale("de_DE"));
    win::SetUserDefaultLCID(0);
}

TEST(LocaleFactory, NameFacetHoldsTheWindowsSpelling) {
    EXPECT_EQ(win::NameOfLocale(win::TableLocale("hu_HU")), "Hungarian_Hungary.1250");
    EXPECT_EQ(win::NameOfLocale(win::TableLocale("en_GB.UTF-8")), "English_United Kingdom.1252");
    EXPECT_EQ(win::NameOfLocale(win::TableLocale("C")), "C");
    EXPECT_EQ(win::NameOfLocale(std::locale::classic()), "C");
}

// The facets follow the runtime's tables of their own locale, whatever
// runtime locale is in force, and building them leaves that one selected.
TEST(LocaleFactory, CtypeFacetUsesTheRuntimeTablesOfItsLocale) {
    win::crt::SetLocale("de_DE");
    const std::locale hungarian = win::TableLocale("hu_HU");
    const std::locale c = win::TableLocale("C");
    EXPECT_STREQ(win::crt::LocaleName(), "German_Germany.1252");
    win::crt::SetLocale("C");

    const auto& hu = std::use_facet<std::ctype<char>>(hungarian);
    const auto& plain = std::use_facet<std::ctype<char>>(c);
    std::string text = "\xE1rv\xEDzt\xFBr\xF5 t\xFCk\xF6rf\xFAr\xF3g\xE9p";  // árvíztűrő tükörfúrógép
    hu.toupper(text.data(), text.data() + text.size());
    EXPECT_EQ(text, "\xC1RV\xCDZT\xDBR\xD5 T\xDCK\xD6RF\xDAR\xD3G\xC9P");
    EXPECT_EQ(hu.tolower('\xD5'), '\xF5');
    EXPECT_EQ(plain.toupper('\xF5'), '\xF5');
    EXPECT_EQ(plain.toupper('a'), 'A');

    EXPECT_TRUE(hu.is(std::ctype_base::alpha | std::ctype_base::upper, '\xD5'));
    EXPECT_TRUE(hu.is(std::ctype_base::print, ' '));
    EXPECT_FALSE(hu.is(std::ctype_base::print, '\t'));
    EXPECT_TRUE(hu.is(std::ctype_base::space, '\xA0'));
    EXPECT_FALSE(plain.is(std::ctype_base::alpha, '\xF5'));
    EXPECT_TRUE(plain.is(std::ctype_base::xdigit, 'f'));
}

TEST(LocaleFactory, CollateFacetUsesTheCollationOfItsLocale) {
    // In Hungarian ö is a letter after o; elsewhere an accented o; "C" compares bytes.
    EXPECT_GT(Collate(win::TableLocale("hu_HU"),
                      "\xF6"
                      "a",
                      "ob"),
              0);
    EXPECT_LT(Collate(win::TableLocale("en_US"),
                      "\xF6"
                      "a",
                      "ob"),
              0);
    EXPECT_LT(Collate(win::TableLocale("hu_HU"), "\xF6z", "p"), 0);
    EXPECT_GT(Collate(win::TableLocale("C"), "\xF6z", "p"), 0);
    EXPECT_LT(Collate(win::TableLocale("hu_HU"), "alma", "Alma"), 0);  // lower case first
    EXPECT_EQ(Collate(win::TableLocale("hu_HU"), "alma", "alma"), 0);
}

}  // namespace
