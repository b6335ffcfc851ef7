#include "Crt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Locale.h"

namespace {

using namespace win::crt;

class CrtTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetLocale("C");
        win::SetUserDefaultLCID(0);
    }
};

TEST_F(CrtTest, StartsInTheCLocale) { EXPECT_STREQ("C", LocaleName()); }

TEST_F(CrtTest, LocaleNamesInEverySpellingSelectTheSameLocale) {
    for (const char* name : {"Hungarian_Hungary.1250", "hu_HU", "hu_HU.UTF-8", "hungarian", "HUN", "hu"}) {
        SetLocale("C");
        ASSERT_NE(nullptr, SetLocale(name)) << name;
        EXPECT_STREQ("Hungarian_Hungary.1250", LocaleName()) << name;
    }
    EXPECT_STREQ("English_United Kingdom.1252", SetLocale("en_GB"));
    EXPECT_EQ(nullptr, SetLocale("xx_YY"));
    EXPECT_STREQ("English_United Kingdom.1252", LocaleName());  // unchanged
    EXPECT_STREQ("C", SetLocale("C"));
}

TEST_F(CrtTest, EmptyNameSelectsTheUserDefault) {
    win::SetUserDefaultLCID(win::LCID_GERMAN);
    EXPECT_STREQ("German_Germany.1252", SetLocale(""));
}

TEST_F(CrtTest, CLocaleKnowsOnlyAscii) {
    EXPECT_EQ('A', ToUpper('a'));
    EXPECT_EQ(0xE1, ToUpper(0xE1));
    EXPECT_EQ(0, CharClass(0xE1));
    EXPECT_EQ(kSpace | kBlank, CharClass(' '));
    EXPECT_EQ(kSpace | kBlank | kControl, CharClass('\t'));
    EXPECT_EQ(kDigit | kHex, CharClass('7'));
    EXPECT_EQ(kUpper | kHex | kAlpha, CharClass('F'));
    EXPECT_EQ(kPunct, CharClass('_'));
    EXPECT_EQ(0, CharClass(-1));
    EXPECT_NE(0, StrICmp("\xE1rv\xEDz", "\xC1RV\xCDZ"));
    EXPECT_EQ(0, StrICmp("Alma", "aLMA"));
}

TEST_F(CrtTest, HungarianLettersHaveTheirCasePairs) {
    SetLocale("hu_HU");
    // upper, lower: Á É Í Ó Ö Ő Ú Ü Ű Š Ž Ł Ą Ż Ľ Ţ
    const unsigned char pairs[][2] = {
        {0xC1, 0xE1}, {0xC9, 0xE9}, {0xCD, 0xED}, {0xD3, 0xF3}, {0xD6, 0xF6}, {0xD5, 0xF5}, {0xDA, 0xFA}, {0xDC, 0xFC},
        {0xDB, 0xFB}, {0x8A, 0x9A}, {0x8E, 0x9E}, {0xA3, 0xB3}, {0xA5, 0xB9}, {0xAF, 0xBF}, {0xBC, 0xBE}, {0xDE, 0xFE}};
    for (const auto& p : pairs) {
        EXPECT_EQ(p[0], ToUpper(p[1])) << int(p[1]);
        EXPECT_EQ(p[1], ToLower(p[0])) << int(p[0]);
        EXPECT_TRUE(IsType(p[0], kUpper));
        EXPECT_TRUE(IsType(p[1], kLower));
        EXPECT_TRUE(IsType(p[1], kAlpha));
    }
    EXPECT_EQ(0xC1, ToUpper(static_cast<char>(0xE1)));  // a signed char is taken as its byte
    EXPECT_EQ(0xDF, ToUpper(0xDF));                     // ß has no upper case
    EXPECT_EQ(kPunct, CharClass(0xD7));                 // ×
    EXPECT_EQ(kSpace | kBlank, CharClass(0xA0));        // no-break space
    char text[] = "\xE1rv\xEDzt\xFBr\xF5";
    EXPECT_STREQ("\xC1RV\xCDZT\xDBR\xD5", StrUpr(text));
    EXPECT_STREQ("\xE1rv\xEDzt\xFBr\xF5", StrLwr(text));
    EXPECT_EQ(0, StrICmp("\xE1rv\xEDz", "\xC1RV\xCDZ"));
    EXPECT_EQ(0, StrNICmp("\xE1rv\xEDzA", "\xC1RV\xCDZb", 5));
    EXPECT_NE(0, StrNICmp("\xE1rv\xEDzA", "\xC1RV\xCDZb", 6));
}

TEST_F(CrtTest, CaseTablesAreConsistentForEveryByte) {
    SetLocale("hu_HU");
    for (int c = 0; c < 256; ++c) {
        if (IsType(c, kUpper)) {
            EXPECT_TRUE(IsType(ToLower(c), kLower)) << c;
            EXPECT_EQ(c, ToUpper(ToLower(c))) << c;
        }
        if (!IsType(c, kAlpha)) {
            EXPECT_EQ(c, ToUpper(c)) << c;
            EXPECT_EQ(c, ToLower(c)) << c;
        }
    }
}

int Sign(int v) { return (v > 0) - (v < 0); }

TEST_F(CrtTest, HungarianCollationOrdersAccentedLetters) {
    SetLocale("Hungarian_Hungary.1250");
    struct Case {
        const char* a;
        const char* b;
        int coll;   // sign of StrColl
        int icoll;  // sign of StrIColl
    };
    const Case cases[] = {
        {"alma", "\xE1lom", -1, -1},  // á shares a's place: l-m before l-o
        {"a", "\xE1", -1, -1},        // the plain letter first
        {"\xE1", "b", -1, -1},
        {"oz",
         "\xF6"
         "a",
         -1, -1},               // ö is a letter after o
        {"\xF5", "p", -1, -1},  // ő before p
        {"uz",
         "\xFC"
         "a",
         -1, -1},
        {"alma", "Alma", -1, 0},  // lower case first; equal without case
        {"\xC1LMA", "\xE1lma", 1, 0},
        {"1", "a", -1, -1},  // digits before letters
        {"ab", "abc", -1, -1},
        {"\x8A"
         "a",
         "sz", -1, -1},  // Š with s
        {"", "", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.coll, Sign(StrColl(c.a, c.b))) << c.a << " / " << c.b;
        EXPECT_EQ(-c.coll, Sign(StrColl(c.b, c.a))) << c.b << " / " << c.a;
        EXPECT_EQ(c.icoll, Sign(StrIColl(c.a, c.b))) << c.a << " / " << c.b;
    }
}

TEST_F(CrtTest, OtherLocalesKeepUmlautsWithTheirBaseLetter) {
    SetLocale("German_Germany");
    EXPECT_GT(StrColl("oz",
                      "\xF6"
                      "a"),
              0);
    EXPECT_LT(StrColl("o", "\xF6"), 0);
}

TEST_F(CrtTest, CLocaleCollatesByByte) {
    EXPECT_LT(StrColl("Z", "a"), 0);
    EXPECT_GT(StrColl("\xE1", "b"), 0);
    EXPECT_EQ(0, StrIColl("ABC", "abc"));
}

TEST_F(CrtTest, SortingHungarianWords) {
    SetLocale("hu_HU");
    std::vector<std::string> words = {"\xFCveg", "zab", "\xF6r\xF6m", "orr",    "\xC1gnes",
                                      "agy",     "Ede", "\xE9let",    "\xF3ra", "utca"};
    std::sort(words.begin(), words.end(),
              [](const std::string& a, const std::string& b) { return StrColl(a.c_str(), b.c_str()) < 0; });
    // Á shares a's place, so Ágnes (g-n) precedes agy (g-y); likewise óra, orr.
    const std::vector<std::string> expected = {"\xC1gnes", "agy",        "Ede",  "\xE9let", "\xF3ra",
                                               "orr",      "\xF6r\xF6m", "utca", "\xFCveg", "zab"};
    EXPECT_EQ(expected, words);
}

}  // namespace
