// The last fallback of the text lookup, when the program carries no texts at
// all: the fixture drops the program's string tables and puts them back when
// the test ends.
#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "LanguageScope.h"
#include "LurExceptBaseArg.h"
#include "LurResources.h"
#include "ModuleRecord.h"
#include "StringResources.h"

namespace {

// The program without string tables for the scope's life: the tables it
// has are dropped and registered again when the scope ends (the libraries
// register theirs only once, at their first lookup).
class WithoutStringTables {
public:
    WithoutStringTables() : m_tables(win::ResolveModule(nullptr)->stringTables) {
        win::UnregisterStringTables(nullptr);
    }
    ~WithoutStringTables() {
        win::UnregisterStringTables(nullptr);
        for (const auto& table : m_tables) win::RegisterStringTable(nullptr, table.data(), table.size());
    }
    WithoutStringTables(const WithoutStringTables&) = delete;
    WithoutStringTables& operator=(const WithoutStringTables&) = delete;

private:
    std::vector<std::span<const win::StringResource>> m_tables;
};

class MissingTextTest : public ::testing::Test {
protected:
    MissingTextTest() {
        // The first lookup registers the library's texts, so that they are
        // dropped with the others.
        lurutils::GetResString(20001, nullptr, false, true);
        noTables.emplace();
    }

    lurtest::UiLanguageScope language{win::LANG_ENGLISH};
    lurtest::ResourceTextsScope texts{"ENG"};
    std::optional<WithoutStringTables> noTables;
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
