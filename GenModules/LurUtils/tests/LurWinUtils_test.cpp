#include "LurWinUtils.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <new>
#include <string>

#include "LastError.h"
#include "Locale.h"
#include "LurExceptBaseArg.h"
#include "LurResources.h"

namespace {

using namespace lurutils;

class LurWinUtilsTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::SetUserDefaultLCID(win::LCID_HUNGARIAN);
        SetResourceTexts("ENU", {});
    }
    void TearDown() override {
        win::SetUserDefaultLCID(0);
        SetResourceTexts("", {});
    }
};

TEST_F(LurWinUtilsTest, LocaleNamesParse) {
    struct Case {
        const char* name;
        LCID expected;
    };
    const Case cases[] = {
        {"HUN", win::LCID_HUNGARIAN},  // three letters: abbreviation
        {"hun", win::LCID_HUNGARIAN},
        {"ENG", win::LCID_ENGLISH_UK},
        {"hu", win::LCID_HUNGARIAN},       // two letters: ISO language name
        {"en", win::LCID_ENGLISH_CANADA},  // the last English locale enumerated
        {"Hungarian_Hungary.1250", win::LCID_HUNGARIAN},
        {"Hungarian", win::LCID_HUNGARIAN},
        {"Hungarian.1250", win::LCID_HUNGARIAN},
        {"_Hungary", win::LCID_HUNGARIAN},  // country alone
        {"English_United Kingdom", win::LCID_ENGLISH_UK},
        {"German_Germany.1252", win::LCID_GERMAN},
        {"English", 0},  // several English locales
        {"English_Hungary", 0},
        {"Klingon", 0},
        {"H", 0},  // no criterion, several locales
        {".1250", 0},
        {"", 0},
        {"hu_HU", win::LCID_HUNGARIAN},  // POSIX spellings through the alias table
        {"hu_HU.UTF-8", win::LCID_HUNGARIAN},
        {"en_US.ISO-8859-1", win::LCID_ENGLISH_US},
        {"fr_FR", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, LcidFromLocaleName(c.name)) << c.name;
    }
    EXPECT_EQ(0u, LcidFromLocaleName(nullptr));
    EXPECT_EQ(0u, LcidFromLocaleName(std::string(300, 'x').c_str()));  // cut to the buffer
}

TEST_F(LurWinUtilsTest, SystemErrorTextsInTheLanguageAskedFor) {
    EXPECT_EQ("A f\xE1jl nem tal\xE1lhat\xF3.\r\n", GetSystemErrorText(2, "HUN"));
    EXPECT_EQ("The file was not found.\r\n", GetSystemErrorText(2, "ENU"));
    EXPECT_EQ("The file was not found.\r\n", GetSystemErrorText(2, ""));  // the current language
    // No German texts: the second attempt takes the user's language.
    EXPECT_EQ("A f\xE1jl nem tal\xE1lhat\xF3.\r\n", GetSystemErrorText(2, "DEU"));
}

TEST_F(LurWinUtilsTest, SystemErrorTextOfAnUnknownCodeNamesTheLookupsError) {
    EXPECT_EQ("No message text exists for this error code.\r\n (4711)", GetSystemErrorText(4711, "ENU"));
}

TEST_F(LurWinUtilsTest, SysExceptionTextIsTheSystemText) {
    const LurExceptSys e(5, ErrorLocation("here", "NULL", 1), StrVector() << "arg");
    EXPECT_STREQ("Access is denied.\r\n\r\n (arg)", e.what());
    EXPECT_STREQ(
        "A hozz\xE1"
        "f\xE9r\xE9s megtagadva.\r\n\r\n (arg)",
        e.what("HUN"));
}

TEST_F(LurWinUtilsTest, SysExceptionAddsTheOriginalCodeOnce) {
    LurExceptSys e(4711, ErrorLocation("here", "NULL", 1), StrVector());
    // The lookup's own error is described in the user's language (Hungarian here).
    const std::string expected =
        "Ehhez a hibak\xF3"
        "dhoz nincs \xFCzenetsz\xF6veg.\r\n\r\n (Original error code: 4711)";
    EXPECT_EQ(expected, e.what());
    EXPECT_EQ(expected, e.what());
    EXPECT_EQ(1u, e.GetArgs().size());
}

TEST_F(LurWinUtilsTest, ModuleNamesAndHandles) {
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe);
    ASSERT_GT(n, 0);
    const std::string exePath(exe, static_cast<size_t>(n));
    EXPECT_EQ(exePath, ModuleName(nullptr, true));
    const win::HMODULE program = ModuleHandleByName("", true);
    ASSERT_NE(nullptr, program);
    EXPECT_EQ(exePath, ModuleName(program, true));
    EXPECT_EQ(program, ModuleHandleByObject(nullptr, true));  // the library is linked into the program
    EXPECT_EQ(exePath, ModuleNameByObject(nullptr, false));
    EXPECT_EQ(nullptr, ModuleHandleByName("nosuchmodule.dll", false));
}

TEST_F(LurWinUtilsTest, FailuresThrowWithTheirLocation) {
    try {
        ModuleHandleByName("nosuchmodule.dll", true);
        FAIL() << "no exception";
    } catch (const LurExceptSys& e) {
        EXPECT_EQ(static_cast<int>(win::ERROR_MOD_NOT_FOUND), e.GetCode());
        EXPECT_EQ("GenModules\\LurUtils\\LurWinUtils", e.GetLocation().file);
        EXPECT_EQ(109, e.GetLocation().line);
        EXPECT_EQ(StrVector() << "nosuchmodule.dll", e.GetArgs());
    }
    int stackValue = 0;
    EXPECT_EQ(nullptr, ModuleHandleByObject(&stackValue, false));
    EXPECT_EQ("", ModuleNameByObject(&stackValue, false));
    try {
        ModuleHandleByObject(&stackValue, true);
        FAIL() << "no exception";
    } catch (const LurExceptSys& e) {
        EXPECT_EQ(123, e.GetLocation().line);
    }
}

struct Converted {
    int size;
    std::string text;
};

Converted Convert(const char* text, unsigned from, unsigned to, bool throwOnError = false) {
    char* out = nullptr;
    const int size = ConvertCodePage(text, from, &out, to, throwOnError);
    Converted result{size, out ? std::string(out) : std::string("<null>")};
    ::operator delete(out);
    return result;
}

TEST_F(LurWinUtilsTest, ConvertCodePage) {
    const Converted utf8 = Convert("\xE1rv\xEDz", 1250, 65001);
    EXPECT_EQ("árvíz", utf8.text);
    EXPECT_EQ(8, utf8.size);  // seven bytes and the zero
    const Converted back = Convert("árvíz", 65001, 1250);
    EXPECT_EQ("\xE1rv\xEDz", back.text);
    EXPECT_EQ(6, back.size);
    const Converted unknownTarget = Convert("abc", 1250, 4711);  // a copy of the input
    EXPECT_EQ("abc", unknownTarget.text);
    EXPECT_EQ(4, unknownTarget.size);
    const Converted unknownSource = Convert("abc", 4711, 1250);
    EXPECT_EQ("abc", unknownSource.text);
    EXPECT_EQ(4, unknownSource.size);
    const Converted missing = Convert(nullptr, 1250, 65001);
    EXPECT_EQ("", missing.text);
    EXPECT_EQ(1, missing.size);
    EXPECT_EQ(0, ConvertCodePage("abc", 1250, nullptr, 65001, true));
    try {
        Convert("abc", 1250, 4711, true);
        FAIL() << "no exception";
    } catch (const LurExceptSys& e) {
        EXPECT_EQ(static_cast<int>(win::ERROR_INVALID_PARAMETER), e.GetCode());
        EXPECT_EQ(236, e.GetLocation().line);
        EXPECT_TRUE(e.GetArgs().empty());
    }
}

TEST_F(LurWinUtilsTest, LocaleReaders) {
    char c = 0;
    EXPECT_EQ(0, GetLocaleChar(win::LCID_HUNGARIAN, win::LOCALE_SDECIMAL, &c, true));
    EXPECT_EQ(',', c);
    std::string s = "unchanged";
    EXPECT_EQ(0, GetLocaleString(win::LCID_HUNGARIAN, win::LOCALE_SGROUPING, s, true));
    EXPECT_EQ("3;0", s);
    // A separator longer than one character does not fit the reader's buffer.
    EXPECT_EQ(static_cast<int>(win::ERROR_INSUFFICIENT_BUFFER),
              GetLocaleChar(win::LCID_HUNGARIAN, win::LOCALE_SABBREVLANGNAME, &c, false));
    s = "unchanged";
    EXPECT_EQ(static_cast<int>(win::ERROR_INVALID_PARAMETER), GetLocaleString(0x0411, win::LOCALE_SGROUPING, s, false));
    EXPECT_EQ("unchanged", s);
    struct Throwing {
        int line;
        void (*call)();
    };
    const Throwing throwing[] = {
        {390,
         [] {
             char x;
             GetLocaleChar(0x0411, win::LOCALE_SDECIMAL, &x, true);
         }},
        {409,
         [] {
             std::string x;
             GetLocaleString(0x0411, win::LOCALE_SGROUPING, x, true);
         }},
    };
    for (const Throwing& t : throwing) {
        try {
            t.call();
            FAIL() << "no exception at " << t.line;
        } catch (const LurExceptSys& e) {
            EXPECT_EQ(t.line, e.GetLocation().line);
        }
    }
}

TEST_F(LurWinUtilsTest, DefaultLanguageNames) {
    EXPECT_EQ("HUN", GetDefaultLanguageName(true, false, false));
    EXPECT_EQ("hu", GetDefaultLanguageName(true, true, false));
    EXPECT_EQ("HUN", GetDefaultLanguageName(false, false, false));
    win::SetUserDefaultLCID(win::LCID_ENGLISH_US);
    EXPECT_EQ("ENU", GetDefaultLanguageName(true, false, true));
}

TEST_F(LurWinUtilsTest, NoMessagesAndAlwaysNt) {
    EXPECT_FALSE(PumpAllMessages());
    EXPECT_FALSE(PumpMessages(nullptr, 0, 0xFFFF));
    EXPECT_TRUE(IsWindowsNT());
}

}  // namespace
