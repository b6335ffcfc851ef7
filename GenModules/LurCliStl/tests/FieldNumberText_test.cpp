// The one rule for the text of a number field: what each type takes, at the
// edges of its range, and what no number field takes.
#include "FieldNumberText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

namespace {

using lurfieldnumber::Verdict;
constexpr Verdict kTakes = Verdict::kTakes;
constexpr Verdict kRefused = Verdict::kRefused;
constexpr Verdict kOutOfRange = Verdict::kOutOfRange;

TEST(FieldNumberText, TakesOnlyNumbersTheFieldCanHold) {
    const struct {
        char type;
        bool isUnsigned;
        const char* text;
        Verdict verdict;
    } cases[] = {
        // 32-bit signed
        {'l', false, "2147483647", kTakes},
        {'l', false, "-2147483648", kTakes},
        {'l', false, "+7", kTakes},
        {'l', false, " 113", kTakes},
        {'l', false, "114 ", kTakes},
        {'l', false, "\t-5\t", kTakes},
        {'l', false, "", kTakes},  // the cleared field
        {'l', false, "2147483648", kRefused},
        {'l', false, "-2147483649", kRefused},
        {'l', false, "99999999999", kRefused},
        {'l', false, "99999999999999999999999", kRefused},
        {'l', false, "abc", kRefused},
        {'l', false, "12abc", kRefused},
        {'l', false, "1.9", kRefused},
        {'l', false, "1e3", kRefused},
        {'l', false, "1 2", kRefused},
        {'l', false, "-", kRefused},
        {'l', false, " ", kTakes},  // blanks only: empty
        {'i', false, "-2147483648", kTakes},
        // unsigned 32 bits: 'd' always, 'l' marked
        {'d', false, "4294967295", kTakes},
        {'d', false, "-1", kRefused},
        {'l', true, "4294967295", kTakes},
        {'l', true, "4294967296", kRefused},
        {'d', false, "4294967296", kRefused},
        // 16 bits
        {'s', false, "32767", kTakes},
        {'s', false, "-32768", kTakes},
        {'s', false, "70000", kRefused},
        {'s', false, "32768", kRefused},
        {'s', false, "-32769", kRefused},
        {'s', false, "12a", kRefused},
        {'s', true, "65535", kTakes},
        {'s', true, "-1", kRefused},
        {'s', true, "65536", kRefused},
        // floating
        {'F', false, "1.5", kTakes},
        {'F', false, "-.5", kTakes},
        {'F', false, "2.", kTakes},
        {'F', false, "1e-3", kTakes},
        {'F', false, "20121212083000", kTakes},
        {'F', false, "1e400", kOutOfRange},
        {'F', false, "0x10", kRefused},
        {'F', false, "inf", kRefused},
        {'F', false, "nan", kRefused},
        {'F', false, ".", kRefused},
        {'F', false, "1e", kRefused},
        {'F', false, "1,5", kRefused},
        // one range rule for both floating types: the nearest value of the
        // type, refused when it is infinite, or 0 for a text that is not
        {'F', false, "1.7976931348623157e308", kTakes},
        {'F', false, "-1.7976931348623158e308", kTakes},  // rounds to the largest double
        {'F', false, "1.8e308", kOutOfRange},
        {'F', false, "1e-400", kOutOfRange},
        {'F', false, "-1e-400", kOutOfRange},
        {'F', false, "1e-320", kTakes},  // a subnormal double
        {'F', false, "0e-400", kTakes},
        {'F', false, "-0.000", kTakes},
        {'f', false, "3e38", kTakes},
        {'f', false, "3.40282347e+38", kTakes},  // FLT_MAX as printed with nine digits
        {'f', false, "-3.40282356e38", kTakes},  // still rounds to -FLT_MAX
        {'f', false, "3.4028236e38", kOutOfRange},
        {'f', false, "4e38", kOutOfRange},
        {'f', false, "1e39", kOutOfRange},
        {'f', false, "1e-50", kOutOfRange},
        {'f', false, "7e-46", kOutOfRange},  // below half the smallest subnormal float
        {'f', false, "1e-45", kTakes},       // the smallest subnormal float
        {'f', false, "1e-40", kTakes},
        {'f', false, "0e-50", kTakes},
        {'f', false, "1e-400", kOutOfRange},
        // not number fields
        {'c', false, "abc", kTakes},
        {'g', false, "x", kTakes},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lurfieldnumber::Judge(c.type, c.isUnsigned, c.text), c.verdict)
            << c.type << (c.isUnsigned ? " unsigned" : "") << " '" << c.text << "'";
    }
}

TEST(FieldNumberText, ConvertsWhatItTakesAndSaysWhatThatIs) {
    EXPECT_EQ(lurfieldnumber::IntegerOf(" -42 "), -42);
    EXPECT_EQ(lurfieldnumber::IntegerOf(""), 0);
    EXPECT_EQ(lurfieldnumber::IntegerOf("4294967295"), 4294967295LL);
    EXPECT_EQ(lurfieldnumber::FloatingOf('F', " +1.5e3"), 1500.0);
    EXPECT_EQ(lurfieldnumber::FloatingOf('F', "0.1"), 0.1);
    // A 4-byte field keeps the float nearest the text, as every client reads it.
    EXPECT_EQ(lurfieldnumber::FloatingOf('f', "0.1"), static_cast<double>(0.1f));
    EXPECT_EQ(lurfieldnumber::FloatingOf('f', "99999999999"), 99999997952.0);
    EXPECT_EQ(lurfieldnumber::FloatingOf('f', "3.40282347e+38"), static_cast<double>(FLT_MAX));
    EXPECT_EQ(lurfieldnumber::FloatingOf('f', "-1e-45"),
              -static_cast<double>(std::numeric_limits<float>::denorm_min()));
    EXPECT_EQ(lurfieldnumber::FloatingOf('F', "1e-320"), 1e-320);
    // Round to nearest at the top of the float range: up to half a step
    // above FLT_MAX is FLT_MAX, from there on infinity.
    constexpr double kHalfStepAbove = 0x1.ffffffp127;
    EXPECT_EQ(lurfieldnumber::NearestFloat(std::nextafter(kHalfStepAbove, 0.0)), FLT_MAX);
    EXPECT_EQ(lurfieldnumber::NearestFloat(-std::nextafter(kHalfStepAbove, 0.0)), -FLT_MAX);
    EXPECT_EQ(lurfieldnumber::NearestFloat(kHalfStepAbove), std::numeric_limits<float>::infinity());
    EXPECT_EQ(lurfieldnumber::NearestFloat(-1e39), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(lurfieldnumber::NearestFloat(0.1), 0.1f);
    EXPECT_EQ(lurfieldnumber::WhatItTakes('s', false), "a whole number from -32768 to 32767");
    EXPECT_EQ(lurfieldnumber::WhatItTakes('d', false), "a whole number from 0 to 4294967295");
    EXPECT_EQ(lurfieldnumber::WhatItTakes('F', false), "a number");
    EXPECT_EQ(lurfieldnumber::WhatItTakes('c', false), "");
}

}  // namespace
