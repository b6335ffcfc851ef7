#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "HostFiles.h"

namespace {

const std::vector<lurdbcli::TablespaceDef> kSchema = lurdbcli::ParseSchema(
    "tablespace Garage 7\n"
    "table Vehicle\n"
    "  field VehId l 4  u\n"
    "  field Owner c 31 n\n"
    "table Note\n"
    "  field Flag  c 1  n\n");

TEST(HostFiles, SplitsWordsWithQuotesAndComments) {
    struct Case {
        const char* line;
        std::vector<std::string> words;
    };
    for (const Case& c :
         {Case{"  a\tb  ", {"a", "b"}}, Case{"a # comment", {"a"}},
          Case{"Owner=\"Kis # Anna\" x", {"Owner=Kis # Anna", "x"}}, Case{"\"say \"\"hi\"\"\"", {"say \"hi\""}},
          Case{"\"\" b", {"", "b"}}, Case{"end\r", {"end"}}}) {
        std::vector<std::string> words;
        EXPECT_TRUE(SplitWords(c.line, words)) << c.line;
        EXPECT_EQ(words, c.words) << c.line;
    }
    std::vector<std::string> words;
    EXPECT_FALSE(SplitWords("a \"open", words));
}

TEST(HostFiles, ReadsTheLinkList) {
    std::istringstream in("# links\nfirst LINKA ADMIN SECRET\n\nsecond LINKB ADMIN \"S P\" 0\n");
    std::vector<DbLink> links;
    std::string error;
    ASSERT_TRUE(ReadLinkList(in, links, error)) << error;
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].name, "first");
    EXPECT_EQ(links[0].enabled, 1);
    EXPECT_EQ(links[1].service, "LINKB");
    EXPECT_EQ(links[1].password, "S P");
    EXPECT_EQ(links[1].enabled, 0);
}

TEST(HostFiles, LinkListFaultsNameTheLine) {
    for (const char* text : {"a b c\n", "ok S U P\nbad S U P 2\n", "a b c d e f\n", "a \"b c d\n"}) {
        std::istringstream in(text);
        std::vector<DbLink> links(1);
        std::string error;
        EXPECT_FALSE(ReadLinkList(in, links, error)) << text;
        EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
        EXPECT_EQ(links.size(), 1u);
    }
}

TEST(HostFiles, ReadsTransactionsWithRecordImages) {
    std::istringstream in(
        "begin\n"
        "insert Garage.Vehicle VehId=258 Owner=\"Kis Anna\"\n"
        "delete garage.vehicle VehId=3\n"
        "commit\n"
        "begin\n"
        "abort\n");
    std::vector<ScriptTransaction> script;
    std::string error;
    ASSERT_TRUE(ReadScript(in, kSchema, script, error)) << error;
    ASSERT_EQ(script.size(), 2u);
    EXPECT_TRUE(script[0].commit);
    EXPECT_FALSE(script[1].commit);
    EXPECT_TRUE(script[1].changes.empty());
    ASSERT_EQ(script[0].changes.size(), 2u);

    const ScriptChange& insert = script[0].changes[0];
    EXPECT_EQ(insert.line, 2);
    EXPECT_EQ(insert.type, TransactionElem::kNew);
    EXPECT_EQ(insert.dbNo, 7);
    EXPECT_EQ(insert.recType, 10000);
    ASSERT_EQ(insert.record.size(), 35u);
    int32_t id = 0;
    std::memcpy(&id, insert.record.data(), 4);
    EXPECT_EQ(id, 258);
    EXPECT_STREQ(reinterpret_cast<const char*>(insert.record.data() + 4), "Kis Anna");
    EXPECT_EQ(script[0].changes[1].type, TransactionElem::kDelete);
}

// The readers take code page 1250 text as the host converted it on load:
// accented names match and values are not converted again.
TEST(HostFiles, ReadsCodePage1250TextAsItIs) {
    // "Műhely", "Jármű", "Tulajdonos"; the script says "műhely.jármű" and "Őri".
    const std::vector<lurdbcli::TablespaceDef> schema =
        lurdbcli::ParseSchema("tablespace M\xFBhely 8\ntable J\xE1rm\xFB\n  field Tulajdonos c 8 n\n");
    std::istringstream in("begin\ninsert m\xFBhely.j\xE1rm\xFB TULAJDONOS=\xD5ri\ncommit\n");
    std::vector<ScriptTransaction> script;
    std::string error;
    ASSERT_TRUE(ReadScript(in, schema, script, error)) << error;
    ASSERT_EQ(script.at(0).changes.size(), 1u);
    EXPECT_EQ(script[0].changes[0].dbNo, 8);
    EXPECT_STREQ(reinterpret_cast<const char*>(script[0].changes[0].record.data()), "\xD5ri");

    std::istringstream linkIn("\xE1g LINKA ADMIN JELSZ\xD3\n");
    std::vector<DbLink> links;
    ASSERT_TRUE(ReadLinkList(linkIn, links, error)) << error;
    EXPECT_EQ(links.at(0).name, "\xE1g");
    EXPECT_EQ(links[0].password, "JELSZ\xD3");
}

TEST(HostFiles, ScriptFaultsNameTheLine) {
    struct Case {
        std::string text;
        std::string error;
    };
    const std::string longValue(100, '9');  // quoted short, with its length
    for (const Case& c : {
             Case{"insert Garage.Vehicle VehId=1\n", "line 1: insert outside a transaction"},
             Case{"begin\nbegin\n", "line 2: begin inside a transaction"},
             Case{"commit\n", "line 1: commit without begin"},
             Case{"begin\nupdate Garage.Vehicle\ncommit\n", "line 2: unknown command \"update\""},
             Case{"begin\ninsert Garage.Lorry VehId=1\ncommit\n", "line 2: no table \"Garage.Lorry\" in the schema"},
             Case{"begin\ninsert Garage.Vehicle Colour=red\ncommit\n", "line 2: table Vehicle has no field \"Colour\""},
             Case{"begin\ninsert Garage.Vehicle VehId=x1\ncommit\n", "line 2: field VehId cannot hold \"x1\""},
             Case{"begin\ninsert Garage.Vehicle VehId\ncommit\n", "line 2: expected <field>=<value>, found \"VehId\""},
             Case{"begin\ninsert Garage.Note Flag=abc\ncommit\n", "line 2: field Flag cannot hold \"abc\""},
             Case{"begin\ninsert Garage.Vehicle VehId=" + longValue + "\ncommit\n",
                  "line 2: field VehId cannot hold \"" + longValue.substr(0, 60) + "\"... (100 characters)"},
             Case{"begin\n", "the end of the file: the last transaction has no commit or abort"},
         }) {
        std::istringstream in(c.text);
        std::vector<ScriptTransaction> script(1);
        std::string error;
        EXPECT_FALSE(ReadScript(in, kSchema, script, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(script.size(), 1u);
    }
}

}  // namespace
