#include "LurVersionNumber.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ParseCase {
    const char* text;
    const char* printed;
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, ParsesLikeTheDottedTextReader) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(LurVersionNumber(c.text).ToString(), c.printed);
    EXPECT_EQ(LurVersionNumber(std::string(c.text)).ToString(), c.printed);
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseTest,
                         ::testing::Values(ParseCase{"1.2.3.4", "1.2.3.4"}, ParseCase{"7.16", "7.16.0.0"},
                                           ParseCase{"1..2", "1.2.0.0"}, ParseCase{"..1.2..", "1.2.0.0"},
                                           ParseCase{"a.b", "0.0.0.0"}, ParseCase{"", "0.0.0.0"},
                                           ParseCase{"1.2.3.4.5", "1.2.3.4"}, ParseCase{"65536.1", "0.1.0.0"},
                                           ParseCase{"-1", "65535.0.0.0"}, ParseCase{" 12x.3", "12.3.0.0"},
                                           ParseCase{"1, 0, 0, 1", "1.0.0.0"},
                                           // Beyond 32 bits the number saturates instead of overflowing.
                                           ParseCase{"99999999999999999999.2", "65535.2.0.0"},
                                           ParseCase{"-99999999999999999999.2", "0.2.0.0"}));

TEST(LurVersionNumberTest, NullTextIsZero) {
    EXPECT_EQ(LurVersionNumber(static_cast<const char*>(nullptr)), LurVersionNumber());
}

TEST(LurVersionNumberTest, PartsKeepTheLow16Bits) {
    LurVersionNumber v(-1, 65537, 2, 3);
    EXPECT_EQ(v.GetMajor(), 65535);
    EXPECT_EQ(v.GetMinor(), 1);
    v.SetBuild(70000);
    EXPECT_EQ(v.GetBuild(), 70000 - 65536);
}

TEST(LurVersionNumberTest, ToStringWithCount) {
    const LurVersionNumber v(7, 16, 3, 1);
    EXPECT_EQ(v.ToString(0), "7");
    EXPECT_EQ(v.ToString(1), "7");
    EXPECT_EQ(v.ToString(2), "7.16");
    EXPECT_EQ(v.ToString(3), "7.16.3");
    EXPECT_EQ(v.ToString(9), "7.16.3.1");
    EXPECT_EQ(v.ToString(-1), "7.16.3.1");  // read as 65535
}

TEST(LurVersionNumberTest, ComparesNumericallyPartByPart) {
    EXPECT_TRUE(LurVersionNumber("1.10") > LurVersionNumber("1.9"));
    EXPECT_TRUE(LurVersionNumber("1.9") < LurVersionNumber("1.10"));
    EXPECT_TRUE(LurVersionNumber("1.2.3.4") < LurVersionNumber("1.2.3.5"));
    EXPECT_TRUE(LurVersionNumber("2") > LurVersionNumber("1.65535.65535.65535"));
    EXPECT_FALSE(LurVersionNumber("1.2") < LurVersionNumber("1.2"));
    EXPECT_FALSE(LurVersionNumber("1.2") > LurVersionNumber("1.2"));
    EXPECT_TRUE(LurVersionNumber("1.2") == LurVersionNumber(1, 2, 0, 0));
    EXPECT_TRUE(LurVersionNumber("1.2") != LurVersionNumber(1, 2, 0, 1));
}

TEST(LurVersionNumberTest, PartWiseTests) {
    const LurVersionNumber a("7.16.0.0");
    EXPECT_TRUE(a.EqualParts(LurVersionNumber("7.16.3.1"), 2));
    EXPECT_FALSE(a.EqualParts(LurVersionNumber("7.16.3.1"), 3));
    EXPECT_TRUE(a.EqualParts(LurVersionNumber("9.9"), 0));

    EXPECT_TRUE(LurVersionNumber("1.5").AllPartsLess(LurVersionNumber("2.3"), 1));
    EXPECT_FALSE(LurVersionNumber("1.5").AllPartsLess(LurVersionNumber("2.3"), 2));
    EXPECT_FALSE(LurVersionNumber("1.5").AllPartsLess(LurVersionNumber("1.6"), 2));
    EXPECT_TRUE(LurVersionNumber("1.5").AllPartsLess(LurVersionNumber("2.6"), 2));
    EXPECT_TRUE(LurVersionNumber("2.6").AllPartsGreater(LurVersionNumber("1.5"), 2));
    EXPECT_TRUE(LurVersionNumber("2.6.1.1").AllPartsGreater(LurVersionNumber("1.5"), 4));
    EXPECT_FALSE(LurVersionNumber("2.6.0.1").AllPartsGreater(LurVersionNumber("1.5"), 4));
}

TEST(LurVersionNumberTest, IsZeroFrom) {
    const LurVersionNumber v(1, 2, 0, 0);
    EXPECT_TRUE(v.IsZeroFrom(2));
    EXPECT_FALSE(v.IsZeroFrom(1));
    EXPECT_TRUE(v.IsZeroFrom(4));
    EXPECT_FALSE(v.IsZeroFrom(5));  // beyond 4 starts at the major part
    EXPECT_TRUE(LurVersionNumber().IsZeroFrom(0));
}

struct ValidTextCase {
    const char* text;
    int parts;
    bool valid;
};

class ValidTextTest : public ::testing::TestWithParam<ValidTextCase> {};

TEST_P(ValidTextTest, Answers) {
    const ValidTextCase& c = GetParam();
    EXPECT_EQ(LurVersionNumber::IsValidText(c.text, c.parts), c.valid) << c.text << " / " << c.parts;
}

INSTANTIATE_TEST_SUITE_P(Texts, ValidTextTest,
                         ::testing::Values(ValidTextCase{"1.2.3.4", 4, true}, ValidTextCase{"1.2.3.4.", 4, true},
                                           ValidTextCase{"1.2.3", 4, false}, ValidTextCase{"...", 3, true},
                                           ValidTextCase{"", 1, false}, ValidTextCase{"1.2a.3.4", 4, false},
                                           ValidTextCase{"1 .2", 2, false}, ValidTextCase{"12", 1, true},
                                           ValidTextCase{"1.2.3.4", 3, false}));

}  // namespace
