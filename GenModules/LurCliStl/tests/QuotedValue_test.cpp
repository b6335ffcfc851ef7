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
}

}  // namespace
