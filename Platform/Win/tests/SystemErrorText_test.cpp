#include "SystemErrorText.h"

#include <gtest/gtest.h>

#include <string>

#include "LastError.h"
#include "Locale.h"

namespace {

class SystemErrorTextTest : public ::testing::Test {
protected:
    void TearDown() override { win::SetUserDefaultLCID(0); }
};

TEST_F(SystemErrorTextTest, TextsInTheLanguageAskedFor) {
    std::string text;
    ASSERT_TRUE(win::FormatSystemMessage(win::ERROR_FILE_NOT_FOUND, 0x040E, text));
    EXPECT_EQ("A f\xE1jl nem tal\xE1lhat\xF3.\r\n", text);  // code page 1250
    ASSERT_TRUE(win::FormatSystemMessage(win::ERROR_FILE_NOT_FOUND, 0x0809, text));
    EXPECT_EQ("The file was not found.\r\n", text);
}

TEST_F(SystemErrorTextTest, LanguageFallbacks) {
    struct Case {
        win::LCID user;
        uint16_t languageId;
        bool found;
        const char* start;  // of the text, or "" when none is found
    };
    const Case cases[] = {
        {win::LCID_HUNGARIAN, 0, true, "A f"},       // 0: the user's language
        {win::LCID_GERMAN, 0, true, "The file"},     // 0: English when the user's has none
        {win::LCID_HUNGARIAN, 0x0400, true, "A f"},  // the user's default language
        {win::LCID_GERMAN, 0x0400, false, ""},
        {win::LCID_HUNGARIAN, 0x0407, false, ""},  // German texts do not exist
    };
    for (const Case& c : cases) {
        win::SetUserDefaultLCID(c.user);
        std::string text = "unchanged";
        win::SetLastError(0);
        EXPECT_EQ(c.found, win::FormatSystemMessage(win::ERROR_FILE_NOT_FOUND, c.languageId, text));
        if (c.found) {
            EXPECT_EQ(0u, text.rfind(c.start, 0)) << text;
        } else {
            EXPECT_EQ("unchanged", text);
            EXPECT_EQ(win::ERROR_RESOURCE_LANG_NOT_FOUND, win::GetLastError());
        }
    }
}

TEST_F(SystemErrorTextTest, UnknownCodeFailsLikeAMissingSystemText) {
    std::string text;
    EXPECT_FALSE(win::FormatSystemMessage(4711, 0, text));
    EXPECT_EQ(win::ERROR_MR_MID_NOT_FOUND, win::GetLastError());
    EXPECT_TRUE(text.empty());
}

TEST_F(SystemErrorTextTest, EveryCodeOfTheStandInsHasBothTexts) {
    const uint32_t codes[] = {
        win::ERROR_SUCCESS,
        win::ERROR_INVALID_FUNCTION,
        win::ERROR_FILE_NOT_FOUND,
        win::ERROR_PATH_NOT_FOUND,
        win::ERROR_TOO_MANY_OPEN_FILES,
        win::ERROR_ACCESS_DENIED,
        win::ERROR_INVALID_HANDLE,
        win::ERROR_NOT_ENOUGH_MEMORY,
        win::ERROR_INVALID_DATA,
        win::ERROR_OUTOFMEMORY,
        win::ERROR_NOT_SAME_DEVICE,
        win::ERROR_NO_MORE_FILES,
        win::ERROR_WRITE_PROTECT,
        win::ERROR_SHARING_VIOLATION,
        win::ERROR_LOCK_VIOLATION,
        win::ERROR_HANDLE_EOF,
        win::ERROR_NOT_SUPPORTED,
        win::ERROR_FILE_EXISTS,
        win::ERROR_INVALID_PARAMETER,
        win::ERROR_BROKEN_PIPE,
        win::ERROR_DISK_FULL,
        win::ERROR_INSUFFICIENT_BUFFER,
        win::ERROR_INVALID_NAME,
        win::ERROR_MOD_NOT_FOUND,
        win::ERROR_PROC_NOT_FOUND,
        win::ERROR_DIR_NOT_EMPTY,
        win::ERROR_BAD_PATHNAME,
        win::ERROR_ALREADY_EXISTS,
        win::ERROR_FILENAME_EXCED_RANGE,
        win::ERROR_FILE_TOO_LARGE,
        win::ERROR_MORE_DATA,
        win::ERROR_NO_MORE_ITEMS,
        win::ERROR_MR_MID_NOT_FOUND,
        win::ERROR_NO_UNICODE_TRANSLATION,
        win::ERROR_RESOURCE_DATA_NOT_FOUND,
        win::ERROR_RESOURCE_TYPE_NOT_FOUND,
        win::ERROR_RESOURCE_NAME_NOT_FOUND,
        win::ERROR_INVALID_WINDOW_HANDLE,
        win::ERROR_INVALID_FLAGS,
        win::ERROR_RESOURCE_LANG_NOT_FOUND,
    };
    for (uint32_t code : codes) {
        for (uint16_t language : {uint16_t{0x0409}, uint16_t{0x040E}}) {
            std::string text;
            EXPECT_TRUE(win::FormatSystemMessage(code, language, text)) << code;
            EXPECT_GT(text.size(), 2u) << code;
        }
    }
}

}  // namespace
