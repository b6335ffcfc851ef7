#include "Locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "LastError.h"

namespace {

std::string Info(win::LCID lcid, win::LCTYPE type) {
    const int n = win::GetLocaleInfo(lcid, type, nullptr, 0);
    if (n == 0) return "<error>";
    std::string text(static_cast<size_t>(n), '\0');
    EXPECT_EQ(n, win::GetLocaleInfo(lcid, type, text.data(), n));
    text.resize(static_cast<size_t>(n - 1));
    return text;
}

// Sets or clears the locale environment for one test and restores it.
class LocaleEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            m_saved.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
    }
    void TearDown() override {
        for (size_t i = 0; i < std::size(kNames); ++i) {
            if (m_saved[i])
                setenv(kNames[i], m_saved[i]->c_str(), 1);
            else
                unsetenv(kNames[i]);
        }
        win::SetUserDefaultLCID(0);
    }
    static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};

private:
    std::vector<std::optional<std::string>> m_saved;
};

TEST(Locale, HungarianFields) {
    const win::LCID hu = win::LCID_HUNGARIAN;
    EXPECT_EQ(",", Info(hu, win::LOCALE_SDECIMAL));
    EXPECT_EQ("\xA0", Info(hu, win::LOCALE_STHOUSAND));  // no-break space in code page 1250
    EXPECT_EQ("3;0", Info(hu, win::LOCALE_SGROUPING));
    EXPECT_EQ(",", Info(hu, win::LOCALE_SMONDECIMALSEP));
    EXPECT_EQ("", Info(hu, win::LOCALE_SPOSITIVESIGN));
    EXPECT_EQ("-", Info(hu, win::LOCALE_SNEGATIVESIGN));
    EXPECT_EQ("HUN", Info(hu, win::LOCALE_SABBREVLANGNAME));
    EXPECT_EQ("hu", Info(hu, win::LOCALE_SISO639LANGNAME));
    EXPECT_EQ("Hungarian", Info(hu, win::LOCALE_SENGLANGUAGE));
    EXPECT_EQ("Hungary", Info(hu, win::LOCALE_SENGCOUNTRY));
    EXPECT_EQ("m\xE1rcius", Info(hu, win::LOCALE_SMONTHNAME1 + 2));
    EXPECT_EQ("vas\xE1rnap", Info(hu, win::LOCALE_SDAYNAME7));
    EXPECT_EQ("040e", Info(hu, win::LOCALE_ILANGUAGE));
    EXPECT_EQ("1250", Info(hu, win::LOCALE_IDEFAULTANSICODEPAGE));
    EXPECT_EQ("Hungarian", Info(hu, win::LOCALE_SENGLANGUAGE | win::LOCALE_NOUSEROVERRIDE));
}

TEST(Locale, EnglishAndGermanSeparators) {
    EXPECT_EQ(".", Info(win::LCID_ENGLISH_US, win::LOCALE_SDECIMAL));
    EXPECT_EQ(",", Info(win::LCID_ENGLISH_US, win::LOCALE_STHOUSAND));
    EXPECT_EQ("ENG", Info(win::LCID_ENGLISH_UK, win::LOCALE_SABBREVLANGNAME));
    EXPECT_EQ(",", Info(win::LCID_GERMAN, win::LOCALE_SDECIMAL));
    EXPECT_EQ(".", Info(win::LCID_GERMAN, win::LOCALE_STHOUSAND));
    EXPECT_EQ("M\xE4rz", Info(win::LCID_GERMAN, win::LOCALE_SMONTHNAME1 + 2));
    EXPECT_EQ("\x80", Info(win::LCID_GERMAN, win::LOCALE_SCURRENCY));
}

TEST(Locale, FailuresSetTheLastError) {
    char buffer[2];
    EXPECT_EQ(0, win::GetLocaleInfo(0x0411, win::LOCALE_SDECIMAL, buffer, 2));
    EXPECT_EQ(win::ERROR_INVALID_PARAMETER, win::GetLastError());
    EXPECT_EQ(0, win::GetLocaleInfo(win::LCID_HUNGARIAN, 0x7777, buffer, 2));
    EXPECT_EQ(win::ERROR_INVALID_FLAGS, win::GetLastError());
    EXPECT_EQ(0, win::GetLocaleInfo(win::LCID_HUNGARIAN, win::LOCALE_SABBREVLANGNAME, buffer, 2));
    EXPECT_EQ(win::ERROR_INSUFFICIENT_BUFFER, win::GetLastError());
    EXPECT_EQ(2, win::GetLocaleInfo(win::LCID_HUNGARIAN, win::LOCALE_SDECIMAL, buffer, 2));
    EXPECT_STREQ(",", buffer);
}

std::vector<std::string> g_enumerated;

TEST(Locale, EnumerationListsTheTableAndStopsWhenAsked) {
    g_enumerated.clear();
    ASSERT_TRUE(win::EnumSystemLocales(
        [](char* text) {
            g_enumerated.push_back(text);
            return true;
        },
        win::LCID_INSTALLED));
    EXPECT_EQ((std::vector<std::string>{"00000407", "00000409", "0000040E", "00000809", "00000C09", "00001009"}),
              g_enumerated);
    g_enumerated.clear();
    win::EnumSystemLocales(
        [](char* text) {
            g_enumerated.push_back(text);
            return false;
        },
        win::LCID_SUPPORTED);
    EXPECT_EQ(1u, g_enumerated.size());
    EXPECT_FALSE(win::EnumSystemLocales([](char*) { return true; }, 7));
}

TEST(Locale, NamesInEverySpelling) {
    struct Case {
        const char* name;
        win::LCID lcid;
    };
    const Case cases[] = {
        {"hu_HU", win::LCID_HUNGARIAN},
        {"hu_HU.UTF-8", win::LCID_HUNGARIAN},
        {"hu_HU.ISO-8859-2@euro", win::LCID_HUNGARIAN},
        {"Hungarian_Hungary.1250", win::LCID_HUNGARIAN},
        {"HUNGARIAN_HUNGARY", win::LCID_HUNGARIAN},
        {"Hungarian", win::LCID_HUNGARIAN},
        {"hu", win::LCID_HUNGARIAN},
        {"HUN", win::LCID_HUNGARIAN},
        {"English", win::LCID_ENGLISH_US},
        {"en", win::LCID_ENGLISH_US},
        {"ENG", win::LCID_ENGLISH_UK},
        {"en_GB.UTF-8", win::LCID_ENGLISH_UK},
        {"English_Australia.1252", win::LCID_ENGLISH_AUSTRALIA},
        {"de_DE", win::LCID_GERMAN},
        {"C", 0},
        {"C.UTF-8", 0},
        {"POSIX", 0},
        {"fr_FR", 0},
        {"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.lcid, win::LocaleFromName(c.name)) << c.name;
    }
}

TEST(Locale, AliasTableGivesTheWindowsSpelling) {
    EXPECT_EQ("Hungarian_Hungary.1250", win::WindowsLocaleName("hu_HU"));
    EXPECT_EQ("Hungarian_Hungary.1250", win::WindowsLocaleName("hu_HU.UTF-8"));
    EXPECT_EQ("English_United States.1252", win::WindowsLocaleName("en_US"));
    EXPECT_EQ("Hungarian_Hungary.1250", win::WindowsLocaleName("Hungarian_Hungary.1250"));
    EXPECT_EQ("HUN", win::WindowsLocaleName("HUN"));
    EXPECT_EQ("fr_FR", win::WindowsLocaleName("fr_FR"));
    EXPECT_EQ("", win::WindowsLocaleName(win::LCID{0x0411}));
}

TEST_F(LocaleEnvironment, UserDefaultFollowsTheEnvironment) {
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        win::LCID expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, win::LCID_HUNGARIAN},  // unset: the users are Hungarian
        {nullptr, nullptr, "C.UTF-8", win::LCID_HUNGARIAN},
        {nullptr, nullptr, "fr_FR.UTF-8", win::LCID_HUNGARIAN},
        {nullptr, nullptr, "en_GB.UTF-8", win::LCID_ENGLISH_UK},
        {nullptr, nullptr, "en_IE.UTF-8", win::LCID_ENGLISH_US},  // the table lacks it: its language's default
        {nullptr, nullptr, "de_CH", win::LCID_GERMAN},
        {nullptr, "de_DE", "en_GB", win::LCID_GERMAN},
        {"en_US", "de_DE", "en_GB", win::LCID_ENGLISH_US},
        {"", "", "de_DE.UTF-8", win::LCID_GERMAN},  // empty values do not count
    };
    for (const Case& c : cases) {
        const char* values[] = {c.lcAll, c.lcMessages, c.lang};
        for (size_t i = 0; i < 3; ++i) {
            if (values[i])
                setenv(kNames[i], values[i], 1);
            else
                unsetenv(kNames[i]);
        }
        EXPECT_EQ(c.expected, win::GetUserDefaultLCID()) << (c.lang ? c.lang : "-");
        EXPECT_EQ(c.expected, win::GetSystemDefaultLCID());
    }
}

TEST_F(LocaleEnvironment, OverrideWinsOverTheEnvironmentAndServesTheDefaultIds) {
    setenv("LANG", "en_US.UTF-8", 1);
    win::SetUserDefaultLCID(win::LCID_HUNGARIAN);
    EXPECT_EQ(win::LCID_HUNGARIAN, win::GetUserDefaultLCID());
    EXPECT_EQ("HUN", Info(win::LOCALE_USER_DEFAULT, win::LOCALE_SABBREVLANGNAME));
    EXPECT_EQ("hu", Info(win::LOCALE_SYSTEM_DEFAULT, win::LOCALE_SISO639LANGNAME));
    win::SetUserDefaultLCID(0);
    EXPECT_EQ("ENU", Info(win::LOCALE_USER_DEFAULT, win::LOCALE_SABBREVLANGNAME));
}

}  // namespace
