#include "CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Convert(const std::vector<const char*>& argv) {
    return win::CommandLineArguments(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, ArgumentsArriveInCodePage1250) {
    // "jelszó", "ŐŰ€", a literal '?' and an empty argument.
    EXPECT_EQ(Convert({"prog", "-pswjelsz\xC3\xB3", "\xC5\x90\xC5\xB0\xE2\x82\xAC", "a?b", ""}),
              (std::vector<std::string>{"prog", "-pswjelsz\xF3", "\xD5\xDB\x80", "a?b", ""}));
    EXPECT_TRUE(Convert({}).empty());
}

TEST(CommandLine, AnArgumentThatDoesNotArriveWholeIsNamed) {
    struct Case {
        const char* argument;
        std::string message;
    };
    const Case cases[] = {
        {"-psw\xFF"
         "x",
         "argument 2 (-psw?x) is not valid UTF-8 at byte 4"},
        {"ab\xC3", "argument 2 (ab?) is not valid UTF-8 at byte 2"},  // cut sequence
        {"\xC0\xAF",
         "argument 2 (?"
         "?) is not valid UTF-8 at byte 0"},  // overlong form
        {"s\xED\xA0\x80",
         "argument 2 (s??"
         "?) is not valid UTF-8 at byte 1"},                                                       // surrogate
        {"\xEF\xBF\xBD", "argument 2 (?) holds a character that code page 1250 lacks at byte 0"},  // U+FFFD itself
        {"pass\xE6\x97\xA5", "argument 2 (pass?) holds a character that code page 1250 lacks at byte 4"},
        {"\xC3\xB3\xC3\xB1", "argument 2 (\xF3?) holds a character that code page 1250 lacks at byte 2"},  // "óñ"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            Convert({"prog", "-seA", c.argument, "-usrB"});
            ADD_FAILURE() << "accepted";
        } catch (const win::CommandLineError& error) {
            EXPECT_EQ(error.GetIndex(), 2);
            EXPECT_EQ(error.what(), c.message);
        }
    }
}

TEST(CommandLine, TheProgramPathIsNeverRefused) {
    EXPECT_EQ(Convert({"/opt/\xFF/prog", "x"}), (std::vector<std::string>{"/opt/?/prog", "x"}));
}

}  // namespace
