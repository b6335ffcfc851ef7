// The last fallback of the text lookup, when the program carries no texts at
// all: a program of its own, since it drops the program's string tables.
#include <gtest/gtest.h>

#include <string>

#include "LurExceptBaseArg.h"
#include "LurResources.h"
#include "StringResources.h"

namespace {

class MissingTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::SetUILanguage(win::LANG_ENGLISH);
        // The first lookup registers the library's texts; then drop them all.
        lurutils::GetResString(20001, nullptr, false, true);
        win::UnregisterStringTables(nullptr);
        lurutils::SetResourceTexts("ENG", {});
    }
};

TEST_F(MissingTextTest, NamesClassAndCodeWithoutLocation) {
    EXPECT_STREQ(LuMapExcept().what(),
                 "Error text missing from module resource. Exception: class LuMapExcept, ErrCode: 8");
}

TEST_F(MissingTextTest, NamesTheThrowSiteWithLocationAndAppendsArguments) {
    LurExceptBaseArg e(13, ErrorLocation("GenModules\\LurUtils\\LurBuf", "NULL", 77),
                       StrVector() << "a"
                                   << "b");
    EXPECT_EQ(std::string(e.what()),
              "Error text missing from module resource. Exception: class LurExceptBaseArg, "
              "ErrCode: 13 throwed from: file GenModules\\LurUtils\\LurBuf, function NULL, line 77"
              "\r\n (a, b)");
}

}  // namespace
