// How a message quotes a user's value: whole when short, cut between
// characters and with its length when long, in code page 1250 and UTF-8.
#include "QuotedValue.h"

#include <gtest/gtest.h>

#include <string>

#include "CodePage.h"

namespace {

using lurquote::kQuotedCharacters;
using lurquote::QuotedUtf8Value;
using lurquote::QuotedValue;

TEST(QuotedValue, QuotesAShortValueWholeAndALongOneCutWithItsLength) {
    const std::string sixty(kQuotedCharacters, 'x');
    const struct {
        std::string value;
        std::string quoted;
    } cases[] = {
        {"", "''"},
        {"abc", "'abc'"},
        {sixty, "'" + sixty + "'"},
        {sixty + "y", "'" + sixty + "'... (61 characters)"},
        {std::string(1048576, 'v'), "'" + std::string(kQuotedCharacters, 'v') + "'... (1048576 characters)"},
        // One byte is one character of code page 1250: a cut falls anywhere.
        {std::string(100, '\xE1'), "'" + std::string(kQuotedCharacters, '\xE1') + "'... (100 characters)"},
        // A line break is never cut in two.
        {std::string(kQuotedCharacters - 1, 'a') + "\r\nb",
         "'" + std::string(kQuotedCharacters - 1, 'a') + "'... (62 characters)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.substr(0, 80));
        EXPECT_EQ(QuotedValue(c.value), c.quoted);
    }
    EXPECT_EQ(QuotedValue("abc", '"'), "\"abc\"");
}

TEST(QuotedValue, CountsAndCutsUtf8ByCharacters) {
    const std::string aacute = "\xC3\xA1";  // one character, two bytes
    std::string sixtyOne;
    for (size_t i = 0; i <= kQuotedCharacters; ++i) sixtyOne += aacute;
    const std::string quoted = QuotedUtf8Value(sixtyOne);
    std::string sixty;
    for (size_t i = 0; i < kQuotedCharacters; ++i) sixty += aacute;
    EXPECT_EQ(quoted, "\"" + sixty + "\"... (61 characters)");
    // What is left is UTF-8 still: nothing of a character was cut off.
    EXPECT_EQ(win::Cp1250ToUtf8(win::Utf8ToCp1250(quoted)), quoted);

    // A value that fits in characters is whole, however many bytes it has.
    EXPECT_EQ(QuotedUtf8Value(sixty, '\''), "'" + sixty + "'");
    // The same value in code page 1250 is cut at the same character.
    EXPECT_EQ(win::Cp1250ToUtf8(QuotedValue(win::Utf8ToCp1250(sixtyOne), '"')), quoted);

    // Bytes that are no UTF-8 count one character each, as each shows as one
    // replacement mark, and are cut like any other; a character after them
    // stays whole.
    const std::string notUtf8(5000, '\xB9');
    EXPECT_EQ(QuotedUtf8Value(notUtf8), "\"" + notUtf8.substr(0, kQuotedCharacters) + "\"... (5000 characters)");
    const std::string before(kQuotedCharacters - 1, '\xB9');
    EXPECT_EQ(QuotedUtf8Value(before + aacute + "x"), "\"" + before + aacute + "\"... (61 characters)");
}

TEST(QuotedValue, ShowsANulByteSoThatTheMessageGoesOn) {
    using namespace std::string_literals;
    EXPECT_EQ(QuotedValue("An\0na"s), "'An\\0na'");
    EXPECT_EQ(QuotedUtf8Value("\0\xC3\xA1"s), "\"\\0\xC3\xA1\"");
    // One character, also where a long value is cut.
    std::string shown;
    for (size_t i = 0; i < kQuotedCharacters; ++i) shown += "\\0";
    EXPECT_EQ(QuotedValue(std::string(kQuotedCharacters, '\0') + "x"), "'" + shown + "'... (61 characters)");
}

}  // namespace
