#include "DbDescError.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "LanguageScope.h"
#include "LurResources.h"
#include "StringResources.h"

namespace {

using Texts = std::map<int, std::string>;

// Installs texts by id for the language "ENG" (an empty text stands for a
// resource without text) and makes English the language of the compiled-in
// tables.
void Install(const Texts& texts) {
    lurutils::ResourceTextTable table;
    for (const auto& [id, text] : texts) table[id]["ENG"] = text;
    lurutils::SetResourceTexts("ENG", table);
    win::SetUILanguage(win::LANG_ENGLISH);
}

class DbDescErrorTest : public ::testing::Test {
protected:
    lurtest::UiLanguageScope language{win::LANG_ENGLISH};
    lurtest::ResourceTextsScope texts{"ENG"};
};

TEST_F(DbDescErrorTest, TextIdFollowsTheCodeRange) {
    struct Case {
        int code;
        const char* expected;
    };
    Install(
        {{23000, "client first"}, {23073, "client last"}, {23044, "other"}, {22000, "db first"}, {22045, "db last"}});
    const Case cases[] = {
        {10000, "client first"}, {10073, "client last"}, {10074, "other"}, {9999, "other"},
        {2000, "db first"},      {2045, "db last"},      {2046, "other"},  {1999, "other"},
        {-20000, "other"},       {0, "other"},           {100, "other"},
    };
    for (const Case& c : cases) {
        DbDescError e(c.code, lurclistl::ThrowSite("DbStruct", 1), StrVector());
        EXPECT_STREQ(e.what(), c.expected) << c.code;
    }
}

TEST_F(DbDescErrorTest, EmptyTextFallsBackToTheFamilyRule) {
    // A client code is in neither of the family's ranges: 20001, then 20022.
    Install({{23005, ""}, {20001, "no range"}, {23044, ""}, {20100, "own range 100"}});
    EXPECT_STREQ(DbDescError(10005, ErrorLocation(), StrVector()).what(), "no range");
    EXPECT_STREQ(DbDescError(100, ErrorLocation(), StrVector()).what(), "own range 100");

    Install({{23005, ""}, {20001, ""}, {20022, "common fallback"}});
    EXPECT_STREQ(DbDescError(10005, ErrorLocation(), StrVector()).what(), "common fallback");

    Install({{23005, ""}, {20001, ""}, {20022, ""}});
    const std::string text = DbDescError(10005, ErrorLocation(), StrVector()).what();
    EXPECT_NE(text.find("Error text missing from module resource"), std::string::npos) << text;
    EXPECT_NE(text.find("class DbDescError"), std::string::npos) << text;
}

TEST_F(DbDescErrorTest, TextIsLookedUpAgainOnEveryCall) {
    DbDescError e(2002, ErrorLocation(), StrVector());
    Install({{22002, "first"}});
    EXPECT_STREQ(e.what(), "first");
    Install({{22002, "second"}});
    EXPECT_STREQ(e.what(), "second");
}

TEST_F(DbDescErrorTest, LibraryTextsWithArguments) {
    Install({});
    const DbDescError field(2003, lurclistl::ThrowSite("DbStruct", 12), StrVector("GEPJARMU") << "GJ_X");
    EXPECT_STREQ(field.what(), "Field not in the description.\r\n (GEPJARMU, GJ_X)");
    EXPECT_EQ(field.GetLocation().file, "GenModules\\LurCliStl\\DbStruct");
    EXPECT_EQ(field.GetLocation().function, "NULL");
    EXPECT_EQ(field.GetLocation().line, 12);

    const DbDescError client(10038, ErrorLocation(), StrVector("pfFindRec"));
    EXPECT_STREQ(client.what(), "The function is missing, or the operation is not possible.\r\n (pfFindRec)");
    EXPECT_STREQ(DbDescError(10044, ErrorLocation(), StrVector()).what(), "Database error.");

    win::SetUILanguage(win::LANG_HUNGARIAN);
    EXPECT_STREQ(DbDescError(2002, ErrorLocation(), StrVector()).what(),
                 "A t\xE1"
                 "bla nem szerepel a le\xEDr\xE1sban.");
}

TEST_F(DbDescErrorTest, SocketErrors) {
    Install({{24051, "Label:"}, {23044, "other"}});
    // No system text exists for socket errors here: the unknown form.
    const DbDescError e(-20061, ErrorLocation(), StrVector());
    EXPECT_STREQ(e.what(), "Unknown WSA error! Label: WSA-10061.");
    EXPECT_STREQ(DbDescError(-20001, ErrorLocation(), StrVector()).what(), "Unknown WSA error! Label: WSA-10001.");
    // The message cache is not touched by a socket text.
    EXPECT_STREQ(e.what(), "Unknown WSA error! Label: WSA-10061.");
}

TEST(DbDescErrorSeverity, ClientAnswersThatAreOrdinaryOutcomes) {
    struct Case {
        int code;
        bool severe;
    };
    const Case cases[] = {
        {0, false},     {2002, true},   {10002, false}, {10003, true},  {10038, false}, {10074, true},  {-20061, true},
        {10000, false}, {10020, false}, {10070, true},  {10073, false}, {10039, true},  {10005, false}, {9999, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DbDescError(c.code, ErrorLocation(), StrVector()).IsSevere(), c.severe) << c.code;
}

}  // namespace
