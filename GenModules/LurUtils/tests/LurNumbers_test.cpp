#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "ExpectRaise.h"
#include "Locale.h"
#include "LocaleFactory.h"
#include "LurExceptBaseArg.h"
#include "LurNumbers.h"
#include "LurWinUtils.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

template <class Operation>
void ExpectRaise(Operation operation, int code, int line, const StrVector& args) {
    testing_lurutils::ExpectRaiseAt(operation, code, "GenModules\\LurUtils\\LurUtils", line, args);
}

TEST(LurNumbers, ToStringWritesPlainDecimals) {
    struct Case {
        double value;
        int decimals;
        char decimalChar;
        std::string expected;
    };
    const Case cases[] = {
        {1.5, 2, '.', "1.50"},
        {1.4, 0, '.', "1"},
        {2.46, 1, '.', "2.5"},
        {2.0, -1, '.', "2"},
        {1234.5678, 2, ',', "1234,57"},
        {0.00001, -1, '.', "0.00001"},
        {1e20, -1, '.', "1" + std::string(20, '0')},
        {3123456789.5, 2, '.', "3123456789.50"},
        {std::nan(""), -1, '.', "0"},
        {1e-310, -1, '.', "0"},
        {-1e-310, 2, '.', "0.00"},
        {0.1234567890123456, -1, '.', "0.123456789012346"},
        // Negative values keep their sign also where the formatting used an exponent.
        {-1.5, 2, '.', "-1.50"},
        {-0.00001, -1, '.', "-0.00001"},
        {-1.5e-7, -1, ',', "-0,00000015"},
        {-1e20, -1, '.', "-1" + std::string(20, '0')},
        {-123456789012345.0, 0, '.', "-123456789012345"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " / " << c.decimals);
        EXPECT_EQ(lurutils::ToString(c.value, c.decimals, c.decimalChar), c.expected);
    }
}

TEST(LurNumbers, ToStringRefusesInfinityAndTooManyDigits) {
    ExpectRaise([] { lurutils::ToString(kInf, -1, '.'); }, 10, 71, StrVector());
    ExpectRaise([] { lurutils::ToString(-kInf, 2, '.'); }, 11, 73, StrVector());
    ExpectRaise([] { lurutils::ToString(123456789012.5, 5, '.'); }, 10, 82,
                StrVector() << "ToString (Radix > DBL_DIG)" << 17 << 15);
}

TEST(LurNumbers, GlobalLocaleFormsAndArgumentLists) {
    // The global locale is "C": '.' for numbers and money.
    EXPECT_EQ(lurutils::ToString(2.5, static_cast<short>(1)), "2.5");
    EXPECT_EQ(lurutils::ToString(2.5, 3), "2.500");  // the double form, not a radix
    EXPECT_EQ(lurutils::ToString(255, 16), "ff");    // the integer form with a radix
    EXPECT_EQ(lurutils::FormatDecimals("7", 1), "7.0");
    EXPECT_EQ(StrVector() << -1e-5 << 0.5f << 1.0, StrVector() << "-0.00001"
                                                               << "0.5"
                                                               << "1");
    EXPECT_EQ(StrVector(1.25), StrVector("1.25"));
}

TEST(LurNumbers, FormatDecimals) {
    struct Case {
        std::string text;
        int decimals;
        std::string expected;
    };
    const Case cases[] = {
        {"12", 2, "12.00"}, {"12.345", 2, "12.345"}, {"12.", -1, "12"},   {"12.5", -1, "12.5"},
        {"12.5", 0, "12"},  {"12", 0, "12"},         {"1.5", 3, "1.500"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lurutils::FormatDecimals(c.text, c.decimals, '.'), c.expected) << c.text;
    }
    EXPECT_EQ(lurutils::FormatDecimals("3,1", 2, ','), "3,10");
}

TEST(LurNumbers, ExponentForms) {
    struct Case {
        std::string text, expected;
        bool toExponent;
    };
    const Case cases[] = {
        {"1.5e+003", "1500", false},  {"1.2345e+2", "123.45", false}, {"1e-005", "0.00001", false},
        {"1.5e0", "1.5", false},      {"1.5e-3", "0.0015", false},    {"1.25E+1", "12.5", false},
        {"12", "12", false},          {"12300", "1.23e+4", true},     {"123.45", "1.2345e+2", true},
        {"0.00123", "1.23e-3", true}, {"1e5", "1e5", true},           {"000", "0.0e+0", true},
        {"0.0", "0.0e+0", true},     // a zero written with a separator is a zero
        {"00123", "1.23e+2", true},  // leading zeros are no digits of the number
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.toExponent ? lurutils::ToExponent(c.text, '.') : lurutils::FromExponent(c.text, '.'), c.expected);
    }
    EXPECT_EQ(lurutils::FromExponent("1,5e+1", ','), "15");

    for (const char* bad : {"-1e5", "1.e5", "e5", "1e", "1e+", "1ex", "1.5e+-3"}) {
        ExpectRaise([&] { lurutils::FromExponent(bad, '.'); }, 13, 396, StrVector(bad));
    }
    ExpectRaise([] { lurutils::ToExponent("12a.5", '.'); }, 13, 325, StrVector("12a.5"));
    ExpectRaise([] { lurutils::ToExponent("", '.'); }, 13, 354, StrVector(""));
    ExpectRaise([] { lurutils::ToExponent("0.0.0", '.'); }, 13, 354, StrVector("0.0.0"));
}

TEST(LurNumbers, TextToIntegersAsOnThirtyTwoBits) {
    struct Case {
        std::string text;
        int32_t asLong;
        uint32_t asULong;
        short consumed;
    };
    const Case cases[] = {
        {"123", 123, 123u, 3},
        {"  -45x", -45, 4294967251u, 5},
        {"+7", 7, 7u, 2},
        {"2147483647", 2147483647, 2147483647u, 10},
        {"2147483648", 2147483647, 2147483648u, 10},
        {"-2147483648", INT32_MIN, 2147483648u, 11},
        {"-2147483649", INT32_MIN, 2147483647u, 11},
        {"4294967295", 2147483647, 4294967295u, 10},
        {"4294967296", 2147483647, 4294967295u, 10},
        {"-1", -1, 4294967295u, 2},
        {"99999999999999999999", 2147483647, 4294967295u, 20},
        {"abc", 0, 0u, 0},
        {"-", 0, 0u, 0},
        {"", 0, 0u, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        short consumed = -1;
        EXPECT_EQ(lurutils::StringToLong(c.text, consumed), c.asLong);
        EXPECT_EQ(consumed, c.consumed);
        consumed = -1;
        EXPECT_EQ(lurutils::StringToULong(c.text, consumed), c.asULong);
        EXPECT_EQ(consumed, c.consumed);
        EXPECT_EQ(lurutils::StringToInt(c.text, consumed), c.asLong);
        EXPECT_EQ(lurutils::StringToUInt(c.text, consumed), c.asULong);
        EXPECT_EQ(lurutils::StringToLong(c.text), c.asLong);
        EXPECT_EQ(lurutils::StringToInt(c.text), c.asLong);
    }
}

TEST(LurNumbers, HexAndOctalText) {
    EXPECT_EQ(lurutils::HexToInt("  -1F"), -31);
    EXPECT_EQ(lurutils::HexToInt("1f"), 1);  // lower-case letters end the number
    EXPECT_EQ(lurutils::HexToInt("FFFFFFFF"), -1);
    EXPECT_EQ(lurutils::HexToInt("+A0"), 160);
    EXPECT_EQ(lurutils::OctToInt("17"), 15);
    EXPECT_EQ(lurutils::OctToInt("8"), 0);
    EXPECT_EQ(lurutils::OctToInt("-10"), -8);
}

TEST(LurNumbers, TextToDouble) {
    EXPECT_DOUBLE_EQ(lurutils::StringToDouble("3,25", ","), 3.25);
    EXPECT_DOUBLE_EQ(lurutils::StringToDouble("3.25", ""), 3.25);
    EXPECT_DOUBLE_EQ(lurutils::StringToDouble("1 000,5", std::string(",")), 1.0);
    EXPECT_DOUBLE_EQ(lurutils::StringToDouble("x", ","), 0.0);
    EXPECT_DOUBLE_EQ(lurutils::StringToDouble("2.5", false), 2.5);
    EXPECT_DOUBLE_EQ(lurutils::StringToDouble("-2.5e1", true), -25.0);
    short consumed = 0;
    EXPECT_DOUBLE_EQ(lurutils::StringToDouble(" 12,5xyz", consumed, ","), 12.5);
    EXPECT_EQ(consumed, 5);
    EXPECT_DOUBLE_EQ(lurutils::StringToDouble("abc", consumed, false), 0.0);
    EXPECT_EQ(consumed, 0);
}

void ExpectSameFormat(const NumFormat& a, const NumFormat& b) {
    EXPECT_EQ(a.number.decimalSeparator, b.number.decimalSeparator);
    EXPECT_EQ(a.number.thousandsSeparator, b.number.thousandsSeparator);
    EXPECT_EQ(a.number.grouping, b.number.grouping);
    EXPECT_EQ(a.money.decimalSeparator, b.money.decimalSeparator);
    EXPECT_EQ(a.money.thousandsSeparator, b.money.thousandsSeparator);
    EXPECT_EQ(a.money.grouping, b.money.grouping);
    EXPECT_EQ(a.trueName, b.trueName);
    EXPECT_EQ(a.falseName, b.falseName);
    EXPECT_EQ(a.positiveSign, b.positiveSign);
    EXPECT_EQ(a.negativeSign, b.negativeSign);
}

TEST(LurNumbers, NumberFormatsOfLocales) {
    const NumFormat* c = lurutils::GetNumFormat("C", false);
    ASSERT_NE(c, nullptr);
    NumFormat expected;
    expected.number = expected.money = NumFormatPart{'.', ',', "3"};
    expected.trueName = "true";
    expected.falseName = "false";
    expected.negativeSign = "-";
    ExpectSameFormat(*c, expected);
    EXPECT_EQ(lurutils::GetNumFormat("C", false), c);  // cached

    // Both spellings of a locale name find the same format.
    const NumFormat* windowsName = lurutils::GetNumFormat("Hungarian_Hungary.1250", false);
    const NumFormat* posixName = lurutils::GetNumFormat("hu_HU", false);
    ASSERT_NE(windowsName, nullptr);
    ASSERT_NE(posixName, nullptr);
    ExpectSameFormat(*windowsName, *posixName);
    EXPECT_EQ(windowsName->number.decimalSeparator, ',');
    EXPECT_EQ(windowsName->negativeSign, "-");
    EXPECT_EQ(windowsName->trueName, "true");
    EXPECT_EQ(lurutils::GetNumFormat("English_United States.1252", false)->number.decimalSeparator, '.');

    // An unknown name falls back to the user's default language.
    const std::string fallback = lurutils::GetDefaultLanguageName(true, false, false);
    EXPECT_EQ(lurutils::GetNumFormat("No_Such.Locale", false), lurutils::GetNumFormat(fallback.c_str(), false));

    const std::locale classic = std::locale::classic();
    EXPECT_EQ(lurutils::GetNumFormat(&classic, nullptr), c);
    EXPECT_EQ(lurutils::GetNumFormat(nullptr, ""), c);  // the global locale is "C"
    EXPECT_EQ(lurutils::ToString(1.5, 1, &classic, false), "1.5");
}

}  // namespace

namespace {

// A table locale is found by the name its name facet holds (its own name()
// is "*"), and a locale name is taken from the table, not from the machine.
TEST(LurNumbers, FormatOfTableLocalesByTheirNameFacet) {
    win::SetUserDefaultLCID(win::LCID_ENGLISH_US);  // what an unresolved name would fall back to
    const std::locale german = win::TableLocale("de_DE");
    EXPECT_EQ(lurutils::GetNumFormat(&german, nullptr)->number.decimalSeparator, ',');
    EXPECT_EQ(lurutils::ToString(2.5, 1, &german, false), "2,5");
    EXPECT_EQ(lurutils::GetNumFormat(nullptr, "hu_HU"), lurutils::GetNumFormat("Hungarian_Hungary.1250", false));
    const std::locale c = win::TableLocale("C");
    EXPECT_EQ(lurutils::GetNumFormat(&c, nullptr), lurutils::GetNumFormat("C", false));
    EXPECT_THROW(lurutils::GetNumFormat(nullptr, "xx_YY"), std::runtime_error);
    win::SetUserDefaultLCID(0);
}

}  // namespace
