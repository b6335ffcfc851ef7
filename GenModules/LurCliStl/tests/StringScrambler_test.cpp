#include "StringScrambler.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Scrambled(const StringScrambler& s, std::string text) {
    s.Scramble(static_cast<int32_t>(text.size()), text.data());
    return text;
}

// The stored form of "dbuser" names and passwords: it must never change, or
// existing users could no longer log in.
TEST(StringScrambler, BuiltInKeyGivesTheStoredForm) {
    StringScrambler s;
    EXPECT_EQ(Scrambled(s, "ADMIN PASSWORD"), "\x14\x44\x35\xA4\x9C\x08\x82\x28\x35\x53\x5D\xA7\xA4\x11");
}

TEST(StringScrambler, UnscrambleRestoresEveryByte) {
    StringScrambler s;
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    std::string text = all;
    s.Scramble(static_cast<int32_t>(text.size()), text.data());
    EXPECT_NE(text, all);
    s.Unscramble(static_cast<int32_t>(text.size()), text.data());
    EXPECT_EQ(text, all);
}

TEST(StringScrambler, AllZeroAndAllOneBytesAreUnchanged) {
    StringScrambler s;
    const std::string zeros(11, '\x00');
    const std::string ones(11, '\xFF');
    EXPECT_EQ(Scrambled(s, zeros), zeros);
    EXPECT_EQ(Scrambled(s, ones), ones);
}

TEST(StringScrambler, KeyRepeatsAndCharactersBelowZeroDigitLeaveBytes) {
    struct Case {
        int16_t keyLength;
        const char* key;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        // "1" repeats: every byte rotates right by one.
        {1, "1", "\x02\x04\x01", "\x01\x02\x80"},
        // A key text shorter than its declared length leaves NULs, which
        // rotate nothing: only positions 0 and 3 move.
        {3, "1", "\x02\x02\x02\x02", std::string("\x01\x02\x02\x01", 4)},
        // ' ' is below '0'; '8' rotates a full turn.
        {2, " 8", "\x81\x81", "\x81\x81"},
    };
    for (const Case& c : cases) {
        StringScrambler s(c.keyLength, c.key);
        EXPECT_EQ(Scrambled(s, c.text), c.expected) << c.key;
    }
}

TEST(StringScrambler, NoKeyLeavesBuffersUnchanged) {
    StringScrambler s(0, "123");
    EXPECT_EQ(Scrambled(s, "ABC"), "ABC");
}

}  // namespace
