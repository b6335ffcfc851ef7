#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "LanguageScope.h"
#include "LurExceptBaseArg.h"
#include "LurResources.h"
#include "StringResources.h"

namespace {

// Test resources: an own-range class whose texts lie at 31000, a long text,
// and texts with mnemonic ampersands.
const std::string kLongText(300, 'x');
const win::StringResource kTestTexts[] = {
    {31005, win::LANG_ENGLISH, "own range text"},  {31100, win::LANG_ENGLISH, "&Cancel"},
    {31101, win::LANG_ENGLISH, "A && B"},          {31102, win::LANG_ENGLISH, "trailing&"},
    {31103, win::LANG_ENGLISH, kLongText.c_str()},
};

void RegisterTestTexts() {
    static const bool done = win::RegisterStringTable(nullptr, kTestTexts, std::size(kTestTexts));
    (void)done;
}

class OwnRangeExcept : public LurExceptBaseArg {
public:
    OwnRangeExcept(int code, const ErrorLocation& where, const StrVector& args) : LurExceptBaseArg(code, where, args) {}
    Range GetOwnRange() const override { return {1000, 1099}; }
    unsigned short GetOwnResourceBase() const override { return 31000; }
};

// A class whose every lookup misses, so that the missing-text fallback shows.
class NoTextExcept : public LurExceptBaseArg {
public:
    NoTextExcept(int code, const ErrorLocation& where, const StrVector& args) : LurExceptBaseArg(code, where, args) {}
    const char* LoadText(const std::string&) const override {
        m_message = "";
        return m_message.c_str();
    }
};

class LurExceptBaseTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestTexts(); }

    lurtest::UiLanguageScope language{win::LANG_ENGLISH};
    lurtest::ResourceTextsScope texts{"ENG"};
};

TEST_F(LurExceptBaseTest, ResourceIdFollowsTheClassRanges) {
    struct Case {
        int code;
        unsigned short fileExceptId;
        unsigned short baseId;
    };
    const Case cases[] = {
        {704, 20704, 0},      // own range of the file class
        {300, 20300, 20300},  // common range, shared by every class
        {12, 0, 20012},       // no range of the file class holds 12
        {-1, 0, 0},          {250, 20250, 20250}, {499, 20499, 20499}, {749, 20749, 0}, {750, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LurFileExcept(c.code, StrVector()).GetResourceId(), c.fileExceptId) << c.code;
        EXPECT_EQ(LurExceptBase(c.code).GetResourceId(), c.baseId) << c.code;
    }
}

TEST_F(LurExceptBaseTest, TextComesFromTheOwnRangeResource) {
    OwnRangeExcept e(1005, ErrorLocation(), StrVector());
    EXPECT_STREQ(e.what(), "own range text");
}

TEST_F(LurExceptBaseTest, CodeWithoutTextFallsBackToCommonText) {
    // 20100 has no text: the lookup takes 20022.
    LurExceptBase e(100);
    const std::string expected = lurutils::GetResString(20022, nullptr, false, true);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(std::string(e.what()), expected);
}

TEST_F(LurExceptBaseTest, TextExceptionAnswersItsText) {
    LurExceptBase e("ready text");
    EXPECT_STREQ(e.what(), "ready text");
    EXPECT_EQ(e.GetCode(), -1);
    EXPECT_EQ(e.GetResourceId(), 0);
}

TEST_F(LurExceptBaseTest, EmptyOverrideTextStillGetsTheArguments) {
    // The argument class makes no second attempt: an override that finds no
    // text still has its arguments appended.
    NoTextExcept e(13, ErrorLocation("GenModules\\LurUtils\\LurBuf", "NULL", 77),
                   StrVector() << "a"
                               << "b");
    EXPECT_EQ(std::string(e.what()), "\r\n (a, b)");
}

TEST_F(LurExceptBaseTest, ClassNamesAreDemangledWithNamespace) {
    EXPECT_EQ(LurExceptBaseArg(1, StrVector()).ClassName(), "class LurExceptBaseArg");
    EXPECT_EQ(lurDate::LurExceptDateTime(650, StrVector()).ClassName(), "class lurDate::LurExceptDateTime");
}

TEST_F(LurExceptBaseTest, LocationFormats) {
    LurExceptBase e(5, ErrorLocation("Src\\File", "NULL", 12));
    EXPECT_EQ(e.FormatLocation(false), "file Src\\File, function NULL, line 12");
    EXPECT_EQ(e.FormatLocation(true), "file        Src\\File\r\nfunction    NULL\r\nline        12");
    EXPECT_EQ(LurExceptBase(5).FormatLocation(false), "");
}

// A throw site's location keeps its literal by pointer (nothing is copied on
// paths that never throw), a name built at run time by copy; both read the
// same wherever the exception travels.
TEST_F(LurExceptBaseTest, LocationsKeepLiteralsAndCopyOtherNames) {
    static constexpr const char* kSource = "GenModules\\LurUtils\\Sample";
    constexpr ThrowSource here{kSource};
    const ErrorLocation literal = here(77);
    EXPECT_EQ(literal.file.c_str(), kSource);
    EXPECT_EQ(literal.file, "GenModules\\LurUtils\\Sample");
    EXPECT_EQ(literal.function, "NULL");
    EXPECT_EQ(literal.line, 77);

    ErrorLocation built;
    {
        const std::string name = std::string("GenModules\\LurUtils\\") + "Built";
        built = ErrorLocation(name, std::string("NULL"), 5);
    }  // the name is gone; the location holds its own copy
    EXPECT_EQ(built.file, std::string("GenModules\\LurUtils\\Built"));
    EXPECT_NE(built.file, literal.file);

    LurExceptBaseArg raised(5, here(78), StrVector());
    const LurExceptBaseArg copy = raised;
    EXPECT_EQ(copy.GetLocation().file.c_str(), kSource);
    EXPECT_EQ(copy.FormatLocation(false), "file GenModules\\LurUtils\\Sample, function NULL, line 78");
    EXPECT_EQ(LurExceptBase(5, built).FormatLocation(false), "file GenModules\\LurUtils\\Built, function NULL, line 5");

    const std::string asText = copy.GetLocation().file;
    EXPECT_EQ(asText, kSource);
    EXPECT_NE(copy.GetLocation().file.find("Sample"), std::string::npos);
    EXPECT_TRUE(ErrorLocation().file.empty());
}

TEST_F(LurExceptBaseTest, Severity) {
    EXPECT_TRUE(LurFileExcept(900, StrVector()).IsSevere());  // outside both ranges
    EXPECT_FALSE(LurFileExcept(705, StrVector()).IsSevere());
    EXPECT_TRUE(LurExceptBase(3).IsSevere());
    EXPECT_FALSE(LurExceptBase(5).IsSevere());
    EXPECT_TRUE(LurExceptBase(8).IsSevere());
    EXPECT_TRUE(LurExceptBase(300).IsOutsideCommonRange() == false);
}

TEST_F(LurExceptBaseTest, WhatIsStableWhileNothingChanges) {
    LurExceptBaseArg e(10, StrVector() << "x");
    const char* first = e.what();
    const std::string firstText = first;
    EXPECT_EQ(e.what(), first);
    EXPECT_EQ(std::string(first), firstText);
    e.GetArgs() << "y";
    EXPECT_NE(std::string(e.what()).find("y"), std::string::npos);
}

TEST_F(LurExceptBaseTest, CheckedContainersRaiseTheirCodes) {
    try {
        throw LuVectorExcept();
    } catch (const LurExceptBase& e) {
        EXPECT_EQ(e.GetCode(), 17);
        EXPECT_EQ(e.GetResourceId(), 20017);
        EXPECT_TRUE(e.GetLocation().file.empty());
    }
    EXPECT_EQ(LuMapExcept().GetCode(), 8);
}

TEST(SubstituteArgs, Table) {
    struct Case {
        std::string text;
        std::vector<std::string> args;
        std::string expected;  // FormatArgs result
    };
    const Case cases[] = {
        {"Table %1, field %2", {"T", "F"}, "Table T, field F"},
        {"%2 before %1", {"a", "b"}, "b before a"},
        {"Value %1 of %s", {"x", "y"}, "Value x of y"},
        {"Error in %s", {"a", "b", "c"}, "Error in a\r\n (b, c)"},
        {"Done", {"a"}, "Done\r\n (a)"},
        {"100%% sure", {"a"}, "100% sure\r\n (a)"},
        {"100%% sure", {}, "100%% sure"},
        {"%1", {}, "%1"},
        {"50%", {"a"}, "50%\r\n (a)"},
        {"%%s", {"a"}, "a"},
        {"%0 stays", {"a"}, "%0 stays\r\n (a)"},
        {"%s and %s", {"%s", "b"}, "b and %s"},
        {"%1%1", {"a", "b"}, "aa\r\n (b)"},
        {"%12",
         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "twelve"},
         "twelve\r\n (1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11)"},
    };
    for (const Case& c : cases) {
        StrVector args;
        for (const auto& a : c.args) args << a;
        LurExceptBaseArg e("", args);
        EXPECT_EQ(e.FormatArgs(c.text), c.expected) << c.text;
    }
}

TEST(SubstituteArgs, LeftoverReporting) {
    StrVector leftover;
    EXPECT_EQ(lurutils::SubstituteArgs("%9",
                                       StrVector() << "a"
                                                   << "b",
                                       &leftover),
              "9");
    EXPECT_EQ(leftover, (StrVector() << "a"
                                     << "b"));
    leftover.clear();
    EXPECT_EQ(lurutils::SubstituteArgs("%2",
                                       StrVector() << "a"
                                                   << "b",
                                       &leftover),
              "b");
    EXPECT_EQ(leftover, StrVector("a"));
}

class ResourceLookupTest : public LurExceptBaseTest {};

TEST_F(ResourceLookupTest, LongResourceIsReadWhole) {
    std::string out;
    ASSERT_EQ(lurutils::LoadStringGrow(31103, nullptr, out, false), 0);
    EXPECT_EQ(out, kLongText);
}

TEST_F(ResourceLookupTest, AmpersandsAreStrippedOnRequest) {
    EXPECT_EQ(lurutils::GetResString(31100, nullptr, false, true), "Cancel");
    EXPECT_EQ(lurutils::GetResString(31100, nullptr, false, false), "&Cancel");
    EXPECT_EQ(lurutils::GetResString(31101, nullptr, false, true), "A & B");
    EXPECT_EQ(lurutils::GetResString(31102, nullptr, false, true), "trailing");
}

TEST_F(ResourceLookupTest, InstalledTextsGoFirstByLanguage) {
    lurutils::SetResourceTexts("HUN", {{31100, {{"HUN", "Mégse&"}, {"ENG", "Cancel!"}}}});
    EXPECT_EQ(lurutils::GetResString(31100, nullptr, false, true, "eng"), "Cancel!");
    // An empty or unknown language takes the current language's text,
    // unchanged (no ampersand stripping for installed texts).
    EXPECT_EQ(lurutils::GetResString(31100, nullptr, false, true, ""), "Mégse&");
    EXPECT_EQ(lurutils::GetResString(31100, nullptr, false, true, "deu"), "Mégse&");
    // Ids without an installed text still reach the module's table.
    EXPECT_EQ(lurutils::GetResString(31101, nullptr, false, true), "A & B");
}

TEST_F(ResourceLookupTest, MissingResourceFallbacks) {
    EXPECT_EQ(lurutils::GetResString(39999, nullptr, false, true), "");
    EXPECT_EQ(lurutils::GetTextFromResource(39999, "file", nullptr, false, true), "file");
    const std::string system = lurutils::GetTextFromResource(39999, "", nullptr, false, true);
    EXPECT_NE(system.find(" (1814)"), std::string::npos) << system;
    EXPECT_THROW(lurutils::GetResString(39999, nullptr, true, true), LurExceptSys);
    try {
        lurutils::GetTextFromResource(39999, "x", nullptr, true, true);
        FAIL();
    } catch (const LurExceptSys& e) {
        EXPECT_EQ(e.GetCode(), 1814);
        EXPECT_EQ(e.GetLocation().line, 2056);
    }
}

}  // namespace
