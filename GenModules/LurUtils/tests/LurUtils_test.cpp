#include "LurUtils.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <new>
#include <string>

#include "File.h"
#include "FileScratch.h"
#include "LurExceptBase.h"
#include "LurExceptBaseArg.h"

namespace {

using namespace lurutils;

std::string Bytes(const LurBuf& buf) { return std::string(static_cast<const char*>(buf.GetData()), buf.GetLength()); }

std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}

TEST(LurUtilsHex, ToHexWritesTwoUpperCaseDigitsPerByte) {
    std::string out = "old";
    EXPECT_EQ(ToHex("\x0F\xA0", 2, out), 2u);
    EXPECT_EQ(out, "0FA0");
    EXPECT_EQ(ToHex(LurBuf("\x00\xFF", 2), out), 2u);
    EXPECT_EQ(out, "00FF");
    EXPECT_EQ(ToHex(LurBuf(), out), 0u);
    EXPECT_EQ(out, "");
    EXPECT_EQ(ToHex(std::string("\x1B", 1)), "1B");
}

TEST(LurUtilsHex, FromHexDecodesTokensOfEitherCase) {
    struct Case {
        const char* text;
        const char* separators;
        std::string bytes;
    };
    const Case cases[] = {
        {"0F A0", "", "\x0F\xA0"},        {"0fa0", "", "\x0F\xA0"},
        {"aBcD eF", "", "\xAB\xCD\xEF"},  {"0F:A0\r\n\t1B", ":", "\x0F\xA0\x1B"},
        {"::0F::", ":", "\x0F"},          {"   \r\n", "", ""},
        {"00", "", std::string(1, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LurBuf out("old", 3);
        FromHex(c.text, out, c.separators);
        EXPECT_EQ(Bytes(out), c.bytes);
        EXPECT_EQ(FromHex(c.text, c.separators), c.bytes);
    }
    std::string all;
    ToHex(AllBytes().data(), 256, all);
    EXPECT_EQ(FromHex(all, ""), AllBytes());
}

TEST(LurUtilsHex, FromHexOfAnEmptyTextLeavesTheOutputAlone) {
    LurBuf out("old", 3);
    FromHex("", out, "");
    EXPECT_EQ(Bytes(out), "old");
    EXPECT_EQ(FromHex("", ""), "");
}

TEST(LurUtilsHex, FromHexHandsOverANewBlock) {
    void* data = nullptr;
    unsigned length = 0;
    FromHex("41 42", data, length, "");
    ASSERT_EQ(length, 2u);
    EXPECT_EQ(std::string(static_cast<const char*>(data), length), "AB");
    ::operator delete(data);
    FromHex(" ", data, length, "");
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
}

TEST(LurUtilsHex, FromHexRefusesOddTokensAndNonDigits) {
    for (const char* text : {"0FA", "0F A", "0G", "zz", "1-", "0x0F"}) {
        SCOPED_TRACE(text);
        LurBuf out("old", 3);
        try {
            FromHex(text, out, "");
            ADD_FAILURE() << "no raise";
        } catch (const LurExceptBase& e) {
            EXPECT_EQ(e.GetCode(), 18);
            EXPECT_EQ(e.GetLocation().file, "GenModules\\LurUtils\\LurUtils");
            EXPECT_EQ(e.GetLocation().line, 1513);
        }
        EXPECT_EQ(Bytes(out), "old");
    }
}

TEST(LurUtilsHex, HexDump) {
    struct Case {
        std::string bytes;
        unsigned lineWidth;
        std::string separator;
        unsigned indent;
        std::string dump;
    };
    const Case cases[] = {
        {"\x0F\xA0\x1B", 100, " ", 2, "  0F A0 1B "},
        {"", 100, " ", 2, "  "},
        // A break comes when the digits, the separator and a pair more would
        // pass the width; the indent counts on every line.
        {"\x01\x02\x03\x04\x05", 10, " ", 2, "  01 02 03\r\n  04 05 "},
        {"\x01\x02\x03", 6, ", ", 0, "01, 02\r\n03, "},
        {"\xFF\xFF", 2, "", 0, "FF\r\nFF\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dump);
        std::string out = "old";
        HexDump(c.bytes.data(), static_cast<unsigned>(c.bytes.size()), out, c.lineWidth, c.separator, c.indent);
        EXPECT_EQ(out, c.dump);
        HexDump(LurBuf(c.bytes.data(), static_cast<uint32_t>(c.bytes.size())), out, c.lineWidth, c.separator, c.indent);
        EXPECT_EQ(out, c.dump);
    }
}

TEST(LurUtilsCodePage, ConversionForms) {
    const char* utf8 = "árvíztűrő";
    const std::string ansi = "\xE1rv\xEDzt\xFBr\xF5";

    char* block = nullptr;
    ASSERT_EQ(Utf8ToAnsi(utf8, &block, false), ansi.size() + 1);
    EXPECT_EQ(std::string(block), ansi);
    ::operator delete(block);
    ASSERT_EQ(AnsiToUtf8(ansi.c_str(), &block, false), std::string(utf8).size() + 1);
    EXPECT_EQ(std::string(block), utf8);
    ::operator delete(block);
    EXPECT_EQ(Utf8ToAnsi(utf8, nullptr, false), 0u);

    LurBuf buf;
    ASSERT_TRUE(Utf8ToAnsi(utf8, buf, false));
    EXPECT_EQ(Bytes(buf), ansi + '\0');
    ASSERT_TRUE(AnsiToUtf8(ansi.c_str(), buf, false));
    EXPECT_EQ(Bytes(buf), std::string(utf8) + '\0');

    std::string out;
    ASSERT_TRUE(Utf8ToAnsi(std::string(utf8), out, false));
    EXPECT_EQ(out, ansi);
    ASSERT_TRUE(AnsiToUtf8(ansi, out, false));
    EXPECT_EQ(out, utf8);
    // The text ends at its first zero.
    EXPECT_EQ(AnsiToUtf8(std::string("a\0b", 3), false), "a");
    EXPECT_EQ(Utf8ToAnsi(std::string(utf8), false), ansi);
    EXPECT_EQ(Utf8ToAnsi(std::string(), false), "");
}

TEST(LurUtilsWildcard, Matches) {
    struct Case {
        const char* pattern;
        const char* text;
        bool match;
    };
    const Case cases[] = {
        {"a*c", "abbc", true},
        {"a?c", "ac", false},
        {"*", "", true},
        {"", "x", false},
        {"", "", true},
        {"?", "", false},
        {"**", "", true},
        {"*?*", "", false},
        {"abc", "abc", true},
        {"abc", "abd", false},
        {"ABC", "abc", false},
        {"a*", "abc", true},
        {"*.txt", "a.txt", true},
        {"*.txt", "a.txt.bak", false},
        {"*ab", "aab", true},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},
        {"?*?", "ab", true},
        {"?*?", "a", false},
        // A later occurrence than the first one completes the match.
        {"*x?", "xxa", true},
        {"*a?", "xaxax", true},
        {"*ab*cd?", "abxabcdcdy", true},
        {"*a*b", "aab", true},
        {nullptr, "", true},
        {"*", nullptr, true},
        {"a", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern ? c.pattern : "(null)") + " / " + (c.text ? c.text : "(null)"));
        EXPECT_EQ(WildcardMatch(c.pattern, c.text), c.match);
    }
}

// ---- whole files ------------------------------------------------------------

using WholeFile = testing_lurutils::FileScratch;

TEST_F(WholeFile, SaveFileCreatesDirectoriesAndReplacesAReadOnlyFileOnlyWhenAsked) {
    const std::string path = W("new\\deeper\\f.bin");
    EXPECT_FALSE(SaveFile(std::string("old"), path, false, false, false));  // no directories without the flag
    ASSERT_TRUE(SaveFile(std::string("old"), path, false, false, true));
    EXPECT_EQ(Read("new/deeper/f.bin"), "old");

    MakeReadOnly("new/deeper/f.bin");
    const LurBuf bytes("\x00\x01\xFF", 3);
    EXPECT_FALSE(SaveFile(bytes, path, false, false, false));
    EXPECT_THROW(SaveFile(bytes, path, true, false, false), LurExceptBaseArg);
    EXPECT_EQ(Read("new/deeper/f.bin"), "old");

    ASSERT_TRUE(SaveFile(bytes, path, true, true, false));
    EXPECT_EQ(Read("new/deeper/f.bin"), std::string("\x00\x01\xFF", 3));
    EXPECT_FALSE(IsReadOnlyFile(path));

    // The text form stops at the first zero character.
    ASSERT_TRUE(SaveFile(std::string("ab\0cd", 5), path, false, false, false));
    EXPECT_EQ(Read("new/deeper/f.bin"), "ab");
}

TEST_F(WholeFile, LoadFileReadsTheWholeFileOrAnswersFalse) {
    Write("f.bin", std::string("\x00z\xFF", 3));
    LurBuf buf("old", 3);
    ASSERT_TRUE(LoadFile(W("f.bin"), buf, false));
    EXPECT_EQ(Bytes(buf), std::string("\x00z\xFF", 3));
    std::string text = "old";
    ASSERT_TRUE(LoadFile(W("f.bin"), text, false));
    EXPECT_EQ(text, std::string("\x00z\xFF", 3));

    Write("empty", "");
    ASSERT_TRUE(LoadFile(W("empty"), text, false));
    EXPECT_EQ(text, "");

    text = "old";
    EXPECT_FALSE(LoadFile(W("missing"), text, false));
    EXPECT_EQ(text, "");
    EXPECT_THROW(LoadFile(W("missing"), text, true), LurExceptBaseArg);
    EXPECT_FALSE(LoadFile(W(""), buf, false));  // a directory does not open
}

TEST_F(WholeFile, LoadFileRefusesASizeTheQueryCannotTell) {
    // 0xFFFFFFFF is the size query's failure value: no 4 GiB block is made.
    Write("huge", "");
    ASSERT_EQ(::truncate(P("huge").c_str(), 0xFFFFFFFFll), 0);
    LurBuf buf("old", 3);
    EXPECT_FALSE(LoadFile(W("huge"), buf, false));
    EXPECT_FALSE(LoadFile(W("huge"), buf, true));
    EXPECT_EQ(Bytes(buf), "old");
}

TEST(WholeFileShortRead, LoadFileRefusesAFileShorterThanItsSize) {
    // Kernel attribute files claim a page but hold a line.
    const char* posix = "/sys/kernel/profiling";
    if (!std::filesystem::exists(posix)) GTEST_SKIP() << "no " << posix;
    LurBuf buf("old", 3);
    EXPECT_FALSE(LoadFile(win::FromPosixPath(posix), buf, false));
    EXPECT_EQ(Bytes(buf), "old");
}

}  // namespace
