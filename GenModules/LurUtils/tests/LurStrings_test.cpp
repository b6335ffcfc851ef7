#include <gtest/gtest.h>

#include <locale>
#include <string>
#include <vector>

#include "Crt.h"
#include "LurExceptBaseArg.h"
#include "LurStrings.h"

namespace {

using lurutils::npos;
using List = std::vector<std::string>;

// The code and arguments of the LurExceptBaseArg an operation raises.
template <class Operation>
void ExpectRaise(Operation operation, int code, const StrVector& args) {
    try {
        operation();
        ADD_FAILURE() << "no raise";
    } catch (const LurExceptBaseArg& e) {
        EXPECT_EQ(e.GetCode(), code);
        EXPECT_EQ(e.GetArgs(), args);
    }
}

TEST(LurStrings, RangeChecksClampTheCountAndRefuseAPositionPastTheEnd) {
    struct Case {
        unsigned pos, count, expectedPos, expectedCount;
        bool backward;
    };
    const Case cases[] = {
        {5, npos, 5, 0, false},   {2, 10, 2, 3, false}, {0, 2, 0, 2, false},
        {npos, npos, 5, 5, true}, {3, 10, 3, 3, true},  {4, 2, 4, 2, true},
    };
    for (const Case& c : cases) {
        unsigned pos = c.pos;
        unsigned count = c.count;
        if (c.backward) {
            lurutils::CheckRangeBackward("abcde", pos, count);
        } else {
            lurutils::CheckRange("abcde", pos, count);
        }
        EXPECT_EQ(pos, c.expectedPos);
        EXPECT_EQ(count, c.expectedCount);
    }
    const StrVector args = StrVector() << "abcde"
                                       << "\r\npos, size: " << 6u << 5u;
    unsigned count = npos;
    ExpectRaise([&] { lurutils::CheckRange("abcde", 6, count); }, 10, args);
    unsigned pos = 6;
    ExpectRaise([&] { lurutils::CheckRangeBackward("abcde", pos, count); }, 10, args);
    ExpectRaise([] { lurutils::Find("abcde", "a", 6); }, 10, args);
}

TEST(LurStrings, CheckIterators) {
    const std::string text = "abc";
    const char* b = text.data();
    const char* e = b + text.size();
    EXPECT_NO_THROW(lurutils::CheckIterators(text, b, e));
    EXPECT_NO_THROW(lurutils::CheckIterators(text, e, e));
    ExpectRaise([&] { lurutils::CheckIterators(text, b - 1, e); }, 11, StrVector("startIt < target.begin()"));
    ExpectRaise([&] { lurutils::CheckIterators(text, e + 1, e + 1); }, 10, StrVector("startIt > target.end()"));
    ExpectRaise([&] { lurutils::CheckIterators(text, b, e + 1); }, 10, StrVector("endIt > target.end()"));
    ExpectRaise([&] { lurutils::CheckIterators(text, b + 2, b + 1); }, 10, StrVector("endIt < startIt"));
}

TEST(LurStrings, CompareText) {
    const std::locale classic = std::locale::classic();
    struct Case {
        std::string a, b;
        bool ignoreCase;
        int sign;
    };
    const Case cases[] = {
        {"", "x", false, -1},    {"x", "", false, 1},      {"", "", true, 0},
        {"abc", "ABC", true, 0}, {"abc", "ABC", false, 1}, {"abc", "abd", true, -1},
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a + " / " + c.b);
        EXPECT_EQ(sign(lurutils::CompareText(c.a, c.b, c.ignoreCase)), c.sign);
        EXPECT_EQ(sign(lurutils::CompareText(c.a, c.b, &classic, c.ignoreCase)), c.sign);
    }
}

TEST(LurStrings, Counting) {
    EXPECT_EQ(lurutils::CountString("aaaa", "aa"), 2);
    EXPECT_EQ(lurutils::CountString("aaaa", ""), 0);
    EXPECT_EQ(lurutils::CountChar(std::string("a\0a", 3), '\0'), 0);
    EXPECT_EQ(lurutils::CountChar("banana", 'a'), 3);
    EXPECT_EQ(lurutils::CountAnyOf("a-b,c", ",-"), 2);
    EXPECT_EQ(lurutils::CountAnyOf("abc", ""), 0);
}

TEST(LurStrings, Search) {
    struct Case {
        unsigned actual, expected;
    };
    const Case cases[] = {
        {lurutils::Find("abcabc", "bc"), 1},
        {lurutils::Find("abcabc", "bc", 2), 4},
        {lurutils::Find("abcabc", "bc", 2, 2), npos},  // must lie wholly inside the range
        {lurutils::Find("abcABC", "Bc", 1, npos, true), 1},
        {lurutils::Find("xxABC", "bc", 2, 3, true), 3},
        {lurutils::RFind("abcabc", "bc"), 4},
        {lurutils::RFind("abcabc", "bc", 4), 1},
        {lurutils::RFind("abcABC", "bc", npos, 4, true), 4},
        {lurutils::RFind("abcABC", "BC", 3, 3, true), 1},
        {lurutils::FindWord("xab ab", "ab"), 4},
        {lurutils::FindWord("xab ab", ""), npos},
        {lurutils::FindWord("ab-x", "ab"), 0},
        {lurutils::FindWord("xab abx", "ab"), npos},
        {lurutils::FindWord("xAB Ab", "ab", 0, npos, true), 4},
        {lurutils::FindWord("xab", "AB", 1, npos, true), 1},  // the copy's edges are boundaries
        {lurutils::RFindWord("ab xab", "ab"), 0},
        {lurutils::RFindWord("ab xab", "ab", 2), 0},
        {lurutils::RFindWord("xab", "ab"), npos},
        {lurutils::RFindWord("AB xab", "ab", npos, npos, true), 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].actual, cases[i].expected) << "case " << i;
    }
}

TEST(LurStrings, Trimming) {
    struct Case {
        std::string actual, expected;
    };
    const Case cases[] = {
        {lurutils::TrimRight("   ", " \t"), ""},
        {lurutils::TrimLeft("   ", " \t"), ""},
        {lurutils::Trim("--a--", '-'), "a"},
        {lurutils::Trim("\t a b \t", " \t"), "a b"},
        {lurutils::TrimLeft(" a", ""), " a"},
        {lurutils::TrimLeftString("abab-x", "ab"), "-x"},
        {lurutils::TrimRightString("x-abab", "ab"), "x-"},
        {lurutils::TrimString("ababxab", "ab"), "x"},
        {lurutils::TrimLeftString("ab", "abc"), "ab"},
        {lurutils::TrimLeftString("abc", ""), "abc"},  // an empty piece removes nothing
        {lurutils::TrimRightString("abc", ""), "abc"},
        {lurutils::TrimString("abc", ""), "abc"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].actual, cases[i].expected) << "case " << i;
    }
}

TEST(LurStrings, SplitAndWrap) {
    struct Case {
        std::string text;
        std::string separator;  // one character: the character form
        unsigned width;
        bool upperCase;
        List expected;
    };
    const Case cases[] = {
        {"a,b,", ",", 0, false, {"a", "b", ""}},
        {",a", ",", 0, true, {"", "A"}},
        {"aaaa bbbb cccc", ",", 10, false, {"aaaa bbbb", "cccc"}},
        {"abcdefghijkl", ",", 5, false, {"abcde", "fghij", "kl"}},
        {"ab cdefghij", ",", 5, true, {"AB CD", "EFGHI", "J"}},  // blank at 2 is too early
        {"a,b", std::string(1, '\0'), 5, false, {"a,b"}},        // no splitting at all
        {"a\r\nb\r\n", "\r\n", 0, true, {"A", "B", ""}},
        {"a\r\nb", "", 0, false, {"a\r\nb"}},
        {"abcd      ", "\r\n", 5, false, {"abcd ", ""}},
        {"aaaa bbbb cccc", ";;", 10, false, {"aaaa bbbb", "cccc"}},
        {"abcd \t\tbbbbb;;c", ";;", 5, false, {"abcd", "bbbbb", "c"}},        // blanks and tabs skipped
        {"abcd \t\tbbbbb;c", ";", 5, false, {"abcd", "\t\tbbb", "bb", "c"}},  // one space skipped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " | " + c.separator);
        List list;
        const bool result = c.separator.size() == 1
                                ? lurutils::SplitString(c.text, list, c.separator[0], c.upperCase, c.width)
                                : lurutils::SplitString(c.text, list, c.separator, c.upperCase, c.width);
        EXPECT_TRUE(result);
        EXPECT_EQ(list, c.expected);
    }

    List list{"kept"};
    EXPECT_FALSE(lurutils::SplitString("", list, ','));
    EXPECT_FALSE(lurutils::SplitString("", list, ",,"));
    EXPECT_EQ(list, List{"kept"});
    EXPECT_TRUE(lurutils::SplitString("x", list, ','));
    EXPECT_EQ(list, (List{"kept", "x"}));
}

TEST(LurStrings, ReplaceAndRemove) {
    struct Case {
        std::string actual, expected;
    };
    const Case cases[] = {
        {lurutils::Replace("a.b.c", ".", ","), "a,b,c"},
        {lurutils::Replace("a.b.c", ".", "."), "a.b.c"},
        {lurutils::Replace("a.b.c", "", "x"), "a.b.c"},
        {lurutils::Replace("aaa", "a", "aa"), "aaaaaa"},
        {lurutils::Replace("aXaYa", "a", "b", 0, 1), "bXaYa"},
        {lurutils::Replace("aXaYa", "a", "b", 0, 2), "bXaYa"},  // only whole matches inside
        {lurutils::Replace("aXaYa", "a", "b", 1, 3), "aXbYa"},
        {lurutils::RemoveChars("a-b-c-d", "-", 0, 4), "abc-d"},
        {lurutils::RemoveChars("a-b,c", "-,"), "abc"},
        {lurutils::RemoveChars("a-b", ""), "a-b"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].actual, cases[i].expected) << "case " << i;
    }
    ExpectRaise([] { lurutils::Replace("ab", "a", "b", 3); }, 10,
                StrVector() << "ab"
                            << "\r\npos, size: " << 3u << 2u);
}

TEST(LurStrings, ExpandTabs) {
    struct Case {
        std::string actual, expected;
    };
    const Case cases[] = {
        {lurutils::ExpandTabs("a\tb", 8, 0, 3), "a       b"},
        {lurutils::ExpandTabs("12345678\tb", 8, 0, 10), "12345678        b"},
        {lurutils::ExpandTabs("\tx", 4, 0, npos), "    x"},
        {lurutils::ExpandTabs("ab\tc\td", 4, 1, 4), "b   c"},  // columns count in the output
        {lurutils::ExpandTabs("a\tb\r\n\tc\r\n", 8, "\r\n"), "a       b\r\n        c\r\n"},
        {lurutils::ExpandTabs("a\tb", 2, ""), "a b"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].actual, cases[i].expected) << "case " << i;
    }
    for (const char* separator : {"", "\r\n"}) {
        EXPECT_THROW(lurutils::ExpandTabs("a\tb", 0, separator), LurExceptBaseArg);
    }
    ExpectRaise([] { lurutils::ExpandTabs("a\tb", 0, 0, 3); }, 10, StrVector() << "ExpandTabs (tabWidth < 1)" << 0u);
}

// Case conversion follows the runtime's locale, or the given locale's facet.
class LurStringsCase : public testing::Test {
protected:
    void TearDown() override { win::crt::SetLocale("C"); }
};

TEST_F(LurStringsCase, RuntimeAndLocaleCase) {
    const std::string accented = "\xE1rv\xEDz";             // "árvíz" in code page 1250
    EXPECT_EQ(lurutils::ToUpper(accented), "\xE1RV\xEDZ");  // "C": ASCII only
    EXPECT_EQ(lurutils::ToLower("ABC"), "abc");
    const std::locale classic = std::locale::classic();
    EXPECT_EQ(lurutils::ToUpper("abc", &classic), "ABC");
    EXPECT_EQ(lurutils::ToLower("ABC", nullptr), "abc");

    ASSERT_NE(win::crt::SetLocale("Hungarian_Hungary.1250"), nullptr);
    EXPECT_EQ(lurutils::ToUpper(accented), "\xC1RV\xCDZ");
    EXPECT_EQ(lurutils::ToUpper(accented, nullptr), "\xC1RV\xCDZ");
    EXPECT_EQ(lurutils::ToLower("\xC1RV\xCDZ"), accented);
    EXPECT_EQ(lurutils::Find("x\xC1rv", "\xE1RV", 0, npos, true), 1u);

    char text[] = "ab";
    EXPECT_EQ(lurutils::ToUpperInPlace(text), text);
    EXPECT_STREQ(text, "AB");
    EXPECT_STREQ(lurutils::ToLowerInPlace(text), "ab");
    EXPECT_EQ(lurutils::ToUpperInPlace(nullptr), nullptr);
}

// UpperName gives what ToUpper gives, and the name itself (no copy) when it
// is upper case already, by the runtime's table in force.
TEST_F(LurStringsCase, UpperNameCopiesOnlyWhatUpperCasingChanges) {
    struct Case {
        const char* locale;
        std::string name;
        bool upperAlready;
    };
    const Case cases[] = {
        {"C", "GEPJARMU", true},
        {"C", "S_GJ_ID", true},
        {"C", "", true},
        {"C", "Gepjarmu", false},
        {"C", "\xE1RV\xEDZ", true},  // "C" upper-cases ASCII only
        {"Hungarian_Hungary.1250", "\xE1RV\xEDZ", false},
        {"Hungarian_Hungary.1250", "\xC1RV\xCDZ", true},
        {"C", std::string("AB\0cd", 5), true},  // like StrUpr, up to the first zero byte
        {"C", std::string("aB\0cd", 5), false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        ASSERT_NE(win::crt::SetLocale(c.locale), nullptr);
        EXPECT_EQ(lurutils::IsUpperCase(c.name), c.upperAlready) << "case " << i;
        const lurutils::UpperName upper(c.name);
        EXPECT_EQ(upper.str(), lurutils::ToUpper(c.name)) << "case " << i;
        EXPECT_EQ(&upper.str() == &c.name, c.upperAlready) << "case " << i;
    }
}

}  // namespace
