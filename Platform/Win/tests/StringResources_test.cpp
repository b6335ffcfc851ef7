#include "StringResources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "LastError.h"
#include "Locale.h"
#include "Module.h"

namespace {

const win::StringResource kTexts[] = {
    {900001, win::LANG_ENGLISH, "File"},
    {900001, win::LANG_HUNGARIAN, "Fájl"},
    {900002, win::LANG_HUNGARIAN, "Csak magyarul"},
    {900003, win::LANG_ENGLISH, ""},
    {900004, win::LANG_NEUTRAL, "Neutral"},
    {900004, win::LANG_ENGLISH, "English"},
    {900005, win::LANG_ENGLISH, "0123456789"},
};

const bool kRegistered = win::RegisterStringTable(nullptr, kTexts, std::size(kTexts));

class StringResourcesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(kRegistered); }
    void TearDown() override {
        win::SetUILanguage(0);
        win::SetUserDefaultLCID(0);
    }

    static std::string Load(win::HMODULE module, uint32_t id, int size = 256) {
        std::string buffer(static_cast<size_t>(size), 'x');
        const int n = win::LoadString(module, id, buffer.data(), size);
        return n == 0 ? "<" + std::to_string(win::GetLastError()) + ">" : buffer.substr(0, static_cast<size_t>(n));
    }
};

TEST_F(StringResourcesTest, LanguagePreferenceAndFallbacks) {
    struct Case {
        uint16_t language;
        uint32_t id;
        std::string expected;
    };
    const Case cases[] = {
        {win::LANG_HUNGARIAN, 900001, "F\xE1jl"},  // handed out in code page 1250
        {win::LANG_ENGLISH, 900001, "File"},
        {win::LANG_GERMAN, 900001, "File"},            // English when the language has none
        {win::LANG_ENGLISH, 900002, "Csak magyarul"},  // any language as the last resort
        {win::LANG_HUNGARIAN, 900004, "Neutral"},      // neutral before English
        {win::LANG_ENGLISH, 900004, "English"},
    };
    for (const Case& c : cases) {
        win::SetUILanguage(c.language);
        EXPECT_EQ(c.expected, Load(nullptr, c.id)) << c.id << " in " << c.language;
    }
}

TEST_F(StringResourcesTest, UILanguageFollowsTheUserDefaultLocale) {
    win::SetUserDefaultLCID(win::LCID_HUNGARIAN);
    EXPECT_EQ(win::LANG_HUNGARIAN, win::GetUILanguage());
    EXPECT_EQ("F\xE1jl", Load(nullptr, 900001));
    win::SetUserDefaultLCID(win::LCID_ENGLISH_UK);
    EXPECT_EQ("File", Load(nullptr, 900001));
}

TEST_F(StringResourcesTest, MissingAndEmptyTextsFail) {
    EXPECT_EQ("<" + std::to_string(win::ERROR_RESOURCE_NAME_NOT_FOUND) + ">", Load(nullptr, 900099));
    EXPECT_EQ("<" + std::to_string(win::ERROR_RESOURCE_DATA_NOT_FOUND) + ">", Load(nullptr, 900003));
}

TEST_F(StringResourcesTest, LongTextIsCutToTheBuffer) {
    char buffer[5];
    EXPECT_EQ(4, win::LoadString(nullptr, 900005, buffer, 5));
    EXPECT_STREQ("0123", buffer);
}

TEST_F(StringResourcesTest, EachModuleHasItsOwnTable) {
    win::SetUILanguage(win::LANG_ENGLISH);
    // The program's own handle is the null handle's table.
    EXPECT_EQ("File", Load(win::GetModuleHandle(""), 900001));
    win::HMODULE libc = nullptr;
    ASSERT_TRUE(win::GetModuleHandleFromAddress(reinterpret_cast<const void*>(&std::printf), libc));
    EXPECT_EQ("<" + std::to_string(win::ERROR_RESOURCE_NAME_NOT_FOUND) + ">", Load(libc, 900001));
    // The library had no table before this test, and has none after it.
    struct DroppedOnExit {
        win::HMODULE module;
        ~DroppedOnExit() { win::UnregisterStringTables(module); }
    } libcTables{libc};
    static const win::StringResource libTexts[] = {{900001, win::LANG_ENGLISH, "Library"}};
    ASSERT_TRUE(win::RegisterStringTable(libc, libTexts, 1));
    EXPECT_EQ("Library", Load(libc, 900001));
    EXPECT_EQ("File", Load(nullptr, 900001));
}

}  // namespace
