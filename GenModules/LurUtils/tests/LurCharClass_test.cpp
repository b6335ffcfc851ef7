#include <gtest/gtest.h>

#include <locale>
#include <string>
#include <vector>

#include "Crt.h"
#include "LurCharClass.h"
#include "LurExceptBaseArg.h"

namespace {

using lurutils::npos;

TEST(LurCharClass, CtypeFunctionsOfTheElevenMasks) {
    struct Case {
        short mask;
        std::string members, others;
    };
    const Case cases[] = {
        {lurutils::ClassUpper, "AZ", "az1 "},
        {lurutils::ClassLower, "az", "AZ1 "},
        {lurutils::ClassDigit, "09", "aZ "},
        {lurutils::ClassPunct, ".,;-", "a1 \t"},
        {lurutils::ClassCntrl, std::string("\t\n\x01\x7F", 4), "a "},
        {lurutils::ClassSpace, " \t\r\n\v\f", "a_"},
        {lurutils::ClassXDigit, "09afAF", "gG "},
        {lurutils::ClassAlpha, "aZ", "1_ "},
        {lurutils::ClassAlnum, "aZ09", "_ ."},
        {lurutils::ClassGraph, "a1.", " \t"},
        {lurutils::ClassPrint, "a1. ", "\t\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        const auto function = lurutils::CtypeFunction(c.mask);
        ASSERT_NE(function, nullptr);
        for (char ch : c.members) EXPECT_NE(function(static_cast<unsigned char>(ch)), 0) << int(ch);
        for (char ch : c.others) EXPECT_EQ(function(static_cast<unsigned char>(ch)), 0) << int(ch);
        // The locale's facet agrees on ASCII.
        const std::locale classic = std::locale::classic();
        EXPECT_TRUE(lurutils::IsClass(c.mask, c.members, 0, npos, &classic));
        EXPECT_TRUE(lurutils::IsClass(c.mask, c.members));
        EXPECT_EQ(lurutils::FindClass(c.others, c.mask, 0, npos, &classic), npos);
    }
    EXPECT_EQ(lurutils::CtypeFunction(8), nullptr);
    EXPECT_FALSE(lurutils::IsClass(8, "   "));
}

TEST(LurCharClass, ClassTestsOfRanges) {
    EXPECT_FALSE(lurutils::IsDigit(""));
    EXPECT_TRUE(lurutils::IsAnyClass({lurutils::ClassDigit}, ""));
    EXPECT_TRUE(lurutils::IsDigit("12a", 0, 2));
    EXPECT_FALSE(lurutils::IsDigit("12a"));
    EXPECT_TRUE(lurutils::IsPunct("+"));
    EXPECT_TRUE(lurutils::IsSpace(" \t", 1, 1));
    EXPECT_TRUE(lurutils::IsAnyClass({lurutils::ClassDigit, lurutils::ClassPunct}, "1.5"));
    EXPECT_FALSE(lurutils::IsAnyClass({lurutils::ClassDigit}, "1.5"));
    EXPECT_FALSE(lurutils::IsAnyClass({}, "1"));
    EXPECT_THROW(lurutils::IsDigit("12", 3), LurExceptBaseArg);
}

TEST(LurCharClass, FindClassAndRuns) {
    struct Case {
        std::string text;
        unsigned pos, count;
        bool having;
        unsigned expected, run;
    };
    const Case cases[] = {
        {"ab12", 0, npos, true, 2, 2},   {"ab12", 0, npos, false, 0, 2},
        {"abc", 0, npos, true, npos, 0}, {"abc1", 0, 2, true, 2, 0},  // nothing in a shorter range: the range's end
        {"1a23b", 2, npos, true, 2, 2},  {"1a23b", 2, 2, false, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        unsigned run = 99;
        EXPECT_EQ(lurutils::FindClass(c.text, lurutils::ClassDigit, c.pos, c.count, nullptr, c.having, &run),
                  c.expected);
        EXPECT_EQ(run, c.run);
        EXPECT_EQ(lurutils::FindAnyClass({lurutils::ClassDigit}, c.text, c.pos, c.count, nullptr, c.having),
                  c.expected);
    }
    EXPECT_EQ(lurutils::FindAnyClass({lurutils::ClassDigit, lurutils::ClassPunct}, "ab.1"), 2u);
}

TEST(LurCharClass, SplitByClass) {
    std::vector<std::string> list{"old"};
    lurutils::SplitByClass("ab, cd;e", list, lurutils::ClassAlpha, 0, npos, nullptr, true);
    EXPECT_EQ(list, (std::vector<std::string>{"ab", "cd", "e"}));
    lurutils::SplitByClass("x1y22", list, lurutils::ClassDigit);
    EXPECT_EQ(list, (std::vector<std::string>{"ab", "cd", "e", "1", "22"}));
    list.clear();
    lurutils::SplitByClass("ab cd ef", list, lurutils::ClassAlpha, 1, 3, nullptr, true);
    EXPECT_EQ(list, (std::vector<std::string>{"b", "c"}));  // runs cut at the range's end
}

// Classes follow the runtime's locale; the test puts "C" back.
class LurCharClassHungarian : public testing::Test {
protected:
    void TearDown() override { win::crt::SetLocale("C"); }
};

TEST_F(LurCharClassHungarian, AccentedLettersFollowTheRuntimeLocale) {
    const std::string accented = "\xE1\xC9";  // "áÉ" in code page 1250
    EXPECT_FALSE(lurutils::IsClass(lurutils::ClassAlpha, accented));
    ASSERT_NE(win::crt::SetLocale("Hungarian_Hungary.1250"), nullptr);
    EXPECT_TRUE(lurutils::IsClass(lurutils::ClassAlpha, accented));
    EXPECT_TRUE(lurutils::IsClass(lurutils::ClassLower, accented, 0, 1));
    EXPECT_TRUE(lurutils::IsClass(lurutils::ClassUpper, accented, 1, 1));
}

}  // namespace
