#include "CodePage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "LastError.h"

namespace {

std::u16string ToWide(uint32_t codePage, const std::string& text) {
    const int n = win::MultiByteToWideChar(codePage, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    EXPECT_EQ(n, win::MultiByteToWideChar(codePage, text.data(), static_cast<int>(text.size()), out.data(), n));
    return out;
}

std::string FromWide(uint32_t codePage, const std::u16string& text) {
    const int n = win::WideCharToMultiByte(codePage, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::string out(static_cast<size_t>(n), '\0');
    EXPECT_EQ(n, win::WideCharToMultiByte(codePage, text.data(), static_cast<int>(text.size()), out.data(), n));
    return out;
}

std::string AllBytes() {
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    return bytes;
}

TEST(CodePage, EveryCp1250ByteRoundTripsThroughUtf8AndUtf16) {
    const std::string bytes = AllBytes();
    EXPECT_EQ(bytes, win::Utf8ToCp1250(win::Cp1250ToUtf8(bytes)));
    EXPECT_EQ(bytes, FromWide(win::CP_1250, ToWide(win::CP_1250, bytes)));
    EXPECT_EQ(bytes, FromWide(win::CP_ACP, ToWide(win::CP_UTF8, win::Cp1250ToUtf8(bytes))));
}

TEST(CodePage, HungarianLettersMapToTheirCp1250Bytes) {
    // "árvíztűrő tükörfúrógép" and "ŐŰ€Šž"
    EXPECT_EQ("\xE1rv\xEDzt\xFBr\xF5 t\xFCk\xF6rf\xFAr\xF3g\xE9p", win::Utf8ToCp1250("árvíztűrő tükörfúrógép"));
    EXPECT_EQ("\xD5\xDB\x80\x8A\x9E", win::Utf8ToCp1250("ŐŰ€Šž"));
    EXPECT_EQ("ŐŰ€Šž", win::Cp1250ToUtf8("\xD5\xDB\x80\x8A\x9E"));
}

TEST(CodePage, CharactersCp1250LacksBecomeQuestionMarks) {
    EXPECT_EQ("a?b?c", win::Utf8ToCp1250("añb日c"));
    EXPECT_EQ("?", win::Utf8ToCp1250("😀"));             // outside the basic plane
    EXPECT_EQ("?", FromWide(win::CP_1250, u"\xD800"));  // unpaired surrogate
}

TEST(CodePage, TheStrictConversionStopsAtTheFirstFaultAlsoInPlace) {
    struct Case {
        std::string utf8;
        size_t from;
        std::string cp1250;  // what came before the fault
        win::Utf8Fault fault;
        size_t offset;  // in the whole text
    };
    const Case cases[] = {
        // Two- and three-byte characters shrink to one byte under the reading.
        {"\xEF\xBB\xBF\xC3\xA1rv\xC3\xADzt\xC5\xB1r\xC5\x91 \xE2\x82\xAC", 3, "\xE1rv\xEDzt\xFBr\xF5 \x80",
         win::Utf8Fault::None, 0},
        {"\xC5\x90\xC5\xB0", 0, "\xD5\xDB", win::Utf8Fault::None, 0},
        {"ok\xC3\xA9\xFFrest", 0, "ok\xE9", win::Utf8Fault::InvalidUtf8, 4},
        {"xy\xC3\xA1\xE6\x97\xA5", 2, "\xE1", win::Utf8Fault::NotInCp1250, 4},
        {"?\xC3", 0, "?", win::Utf8Fault::InvalidUtf8, 1},  // a sequence cut short
        {"abc", 5, "", win::Utf8Fault::None, 0},
        // A NUL byte is no text: the strings of the system would end there.
        {std::string("ok\0rest", 7), 0, "ok", win::Utf8Fault::NulByte, 2},
        {std::string("\xEF\xBB\xBF\xC3\xA1\0", 6), 3, "\xE1", win::Utf8Fault::NulByte, 5},
    };
    for (const Case& c : cases) {
        const win::StrictCp1250 inPlace = win::Utf8ToCp1250StrictInPlace(c.utf8, c.from);
        EXPECT_EQ(inPlace.text, c.cp1250) << c.utf8;
        EXPECT_EQ(inPlace.fault, c.fault) << c.utf8;
        EXPECT_EQ(inPlace.offset, c.offset) << c.utf8;
        if (c.from == 0) {
            const win::StrictCp1250 copied = win::Utf8ToCp1250Strict(c.utf8);
            EXPECT_EQ(copied.text, c.cp1250) << c.utf8;
            EXPECT_EQ(copied.fault, c.fault) << c.utf8;
            EXPECT_EQ(copied.offset, c.offset) << c.utf8;
        }
    }
}

TEST(CodePage, InvalidUtf8BecomesReplacementCharacters) {
    struct Case {
        const char* input;
        std::u16string expected;
    };
    const Case cases[] = {
        {"a\xFF"
         "b",
         u"a\xFFFD"
         "b"},
        {"\xC0\xAF", u"\xFFFD\xFFFD"},            // overlong form: two invalid bytes
        {"x\xE2\x82", u"x\xFFFD"},                // cut sequence at the end
        {"\xE2\x82y", u"\xFFFDy"},                // cut sequence before ASCII
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},  // encoded surrogate
        {"\x80", u"\xFFFD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, ToWide(win::CP_UTF8, c.input)) << c.input;
    }
    EXPECT_EQ("a?b", win::Utf8ToCp1250("a\xFF"
                                       "b"));
}

TEST(CodePage, SupplementaryCharactersUseSurrogatePairs) {
    const std::u16string wide = ToWide(win::CP_UTF8, "😀");
    EXPECT_EQ(u"\xD83D\xDE00", wide);
    EXPECT_EQ("😀", FromWide(win::CP_UTF8, wide));
}

TEST(CodePage, ZeroTerminatedInputCountsTheZero) {
    EXPECT_EQ(3, win::MultiByteToWideChar(win::CP_1250, "ab", -1, nullptr, 0));
    char16_t wide[3];
    ASSERT_EQ(3, win::MultiByteToWideChar(win::CP_1250,
                                          "\xE1"
                                          "b",
                                          -1, wide, 3));
    EXPECT_EQ(u'\x00E1', wide[0]);
    EXPECT_EQ(u'\0', wide[2]);
    EXPECT_EQ(4, win::WideCharToMultiByte(win::CP_UTF8, wide, -1, nullptr, 0));  // á is two bytes
}

TEST(CodePage, FailuresSetTheLastError) {
    char16_t small[1];
    win::SetLastError(0);
    EXPECT_EQ(0, win::MultiByteToWideChar(win::CP_1250, "abc", -1, small, 1));
    EXPECT_EQ(win::ERROR_INSUFFICIENT_BUFFER, win::GetLastError());
    EXPECT_EQ(0, win::MultiByteToWideChar(4711, "abc", -1, nullptr, 0));
    EXPECT_EQ(win::ERROR_INVALID_PARAMETER, win::GetLastError());
    win::SetLastError(0);
    EXPECT_EQ(0, win::MultiByteToWideChar(win::CP_1250, nullptr, -1, nullptr, 0));
    EXPECT_EQ(win::ERROR_INVALID_PARAMETER, win::GetLastError());
    win::SetLastError(0);
    EXPECT_EQ(0, win::MultiByteToWideChar(win::CP_1250, "abc", 0, nullptr, 0));
    EXPECT_EQ(win::ERROR_INVALID_PARAMETER, win::GetLastError());
}

TEST(CodePage, OtherCodePagesGoThroughTheSystemConverter) {
    EXPECT_EQ(u"\x00E9\x20AC", ToWide(win::CP_1252, "\xE9\x80"));
    EXPECT_EQ("\xE9?", FromWide(win::CP_1252, u"\x00E9\x0151"));  // ő is not in 1252
}

TEST(CodePage, ConsoleWritesConvertFromTheOutputCodePage) {
    const uint32_t saved = win::GetConsoleOutputCP();
    ASSERT_TRUE(win::SetConsoleOutputCP(win::CP_1250));
    EXPECT_EQ("árvíz", win::ConsoleOutputText("\xE1rv\xEDz"));
    EXPECT_EQ("text\n (argument)\n\r", win::ConsoleOutputText("text\r\n (argument)\n\r"));
    EXPECT_FALSE(win::SetConsoleOutputCP(4711));
    EXPECT_EQ(win::CP_1250, win::GetConsoleOutputCP());
    win::SetConsoleOutputCP(saved);
}

}  // namespace
