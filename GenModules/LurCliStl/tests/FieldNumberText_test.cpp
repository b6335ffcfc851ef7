// The one rule for the text of a number field: what each type takes, at the
// edges of its range, and what no number field takes.
#include "FieldNumberText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FieldNumberText, TakesOnlyNumbersTheFieldCanHold) {
    const struct {
        char type;
        bool isUnsigned;
        const char* text;
        bool takes;
    } cases[] = {
        // 32-bit signed
        {'l', false, "2147483647", true},
        {'l', false, "-2147483648", true},
        {'l', false, "+7", true},
        {'l', false, " 113", true},
        {'l', false, "114 ", true},
        {'l', false, "\t-5\t", true},
        {'l', false, "", true},  // the cleared field
        {'l', false, "2147483648", false},
        {'l', false, "-2147483649", false},
        {'l', false, "99999999999", false},
        {'l', false, "99999999999999999999999", false},
        {'l', false, "abc", false},
        {'l', false, "12abc", false},
        {'l', false, "1.9", false},
        {'l', false, "1e3", false},
        {'l', false, "1 2", false},
        {'l', false, "-", false},
        {'l', false, " ", true},  // blanks only: empty
        {'i', false, "-2147483648", true},
        // unsigned 32 bits: 'd' always, 'l' marked
        {'d', false, "4294967295", true},
        {'d', false, "-1", false},
        {'l', true, "4294967295", true},
        {'l', true, "4294967296", false},
        {'d', false, "4294967296", false},
        // 16 bits
        {'s', false, "32767", true},
        {'s', false, "-32768", true},
        {'s', false, "70000", false},
        {'s', false, "32768", false},
        {'s', false, "-32769", false},
        {'s', false, "12a", false},
        {'s', true, "65535", true},
        {'s', true, "-1", false},
        {'s', true, "65536", false},
        // floating
        {'F', false, "1.5", true},
        {'F', false, "-.5", true},
        {'F', false, "2.", true},
        {'F', false, "1e-3", true},
        {'F', false, "20121212083000", true},
        {'F', false, "1e400", false},
        {'F', false, "0x10", false},
        {'F', false, "inf", false},
        {'F', false, "nan", false},
        {'F', false, ".", false},
        {'F', false, "1e", false},
        {'F', false, "1,5", false},
        {'f', false, "3e38", true},
        {'f', false, "4e38", false},
        // not number fields
        {'c', false, "abc", true},
        {'g', false, "x", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lurfieldnumber::Takes(c.type, c.isUnsigned, c.text), c.takes)
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
    EXPECT_EQ(lurfieldnumber::WhatItTakes('s', false), "a whole number from -32768 to 32767");
    EXPECT_EQ(lurfieldnumber::WhatItTakes('d', false), "a whole number from 0 to 4294967295");
    EXPECT_EQ(lurfieldnumber::WhatItTakes('F', false), "a number");
    EXPECT_EQ(lurfieldnumber::WhatItTakes('c', false), "");
}

}  // namespace
