// The table import of the SQL session: the value stream of the import text
// and whole imports into tables of a service (records, leftovers, refusals,
// the one transaction).
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "ConnectionFixture.h"
#include "DbDescError.h"
#include "DbErrorCode.h"
#include "DescBlob.h"
#include "RdmFileImport.h"

using lurtest::ErrorCode;

namespace {

constexpr const char* kSchema =
    "tablespace Imp 9 1.0.0.0\n"
    "table Pair\n"
    "  field P_NAME c 6 n\n"
    "  field P_NO l 4 u\n"
    "table Triple\n"
    "  field T_A c 6 n\n"
    "  field T_B c 6 n\n"
    "  field T_C c 6 n\n"
    "table Plate\n"
    "  field L_ID l 4 u\n"
    "  field L_TEXT c 8 d\n"
    "  field L_CODE l 4 u\n"
    "  field L_OWNER c 8 n\n"
    "  key L_TEXTOWNER u L_TEXT L_OWNER\n";

// The values ReadValue gives for a text, to its end.
std::vector<std::string> Values(const std::string& text) {
    RdmFileImport session;
    session.SetText(text.c_str());
    std::vector<std::string> values;
    while (session.GetReadPosition() < text.size()) {
        session.ReadValue();
        values.push_back(session.GetCurrentValue());
    }
    return values;
}

TEST(ImportValueStream, ValuesFollowTheFormat) {
    struct Case {
        std::string text;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {"1,2\r\n3,4\r\n", {"1", "2", "3", "4"}},
        {"a\\,b", {"a,b"}},
        {"\"x,y\"", {"x,y"}},
        {"\"a\"\"b\"", {"ab"}},
        {" a , b", {" a ", " b"}},
        {"1,2\r\n\r\n", {"1", "2", ""}},  // an empty line is one empty value
        {"a,", {"a"}},                    // a last separator gives no further value
        {"\"a\nb\"", {"a", "b"}},         // quotes end at a line end
        {"a\\\nb", {"a\nb"}},             // an escaped line feed is text
        {"a\rb", {"a", "b"}},             // a lone carriage return swallows nothing
        {"a\\", {"a\\"}},                 // a last backslash is itself
        {"\\", {"\\"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Values(c.text), c.values) << c.text;
}

// The import format read a second way, for the random run below: the text
// is first cut into tokens (escapes resolved, a carriage return with its
// line feed one line end), then split at line ends and unquoted commas.
std::vector<std::string> ModelValues(const std::string& text) {
    enum class Kind { Byte, Quote, Comma, LineEnd };
    struct Token {
        Kind kind;
        char byte;
    };
    std::vector<Token> tokens;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool more = i + 1 < text.size();
        if (c == '\\') {
            tokens.push_back({Kind::Byte, more ? text[++i] : c});
        } else if (c == '"') {
            tokens.push_back({Kind::Quote, c});
        } else if (c == ',') {
            tokens.push_back({Kind::Comma, c});
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && more && text[i + 1] == '\n') ++i;
            tokens.push_back({Kind::LineEnd, c});
        } else {
            tokens.push_back({Kind::Byte, c});
        }
    }
    std::vector<std::string> values;
    std::string value;
    bool quoted = false;  // quoting never reaches past its own value
    bool open = false;    // a value has begun that no terminator has ended
    for (const Token& token : tokens) {
        open = true;
        if (token.kind == Kind::LineEnd || (token.kind == Kind::Comma && !quoted)) {
            values.push_back(value);
            value.clear();
            quoted = false;
            open = false;
        } else if (token.kind == Kind::Quote) {
            quoted = !quoted;
        } else {
            value += token.byte;
        }
    }
    if (open) values.push_back(value);
    return values;
}

TEST(ImportValueStream, RandomTextsAgreeWithTheModel) {
    // Bytes the format gives a meaning, and some it does not.
    const char alphabet[] = {'a', 'b', ' ', '"', '\\', ',', '\r', '\n', '\t', '\x01', '\xE9', '\xFF'};
    std::mt19937 random(20261211);
    std::uniform_int_distribution<size_t> pick(0, std::size(alphabet) - 1);
    std::uniform_int_distribution<int> length(0, 16);
    std::uniform_int_distribution<int> ending(0, 3);

    RdmFileImport empty;
    empty.SetText("");
    empty.ReadValue();
    EXPECT_EQ(empty.GetCurrentValue(), "");
    EXPECT_EQ(empty.GetReadPosition(), 0u);

    for (int run = 0; run < 4000; ++run) {
        std::string text;
        for (int n = length(random); n > 0; --n) text += alphabet[pick(random)];
        // Last bytes that need care of their own turn up often.
        const int end = ending(random);
        if (end == 1) text += '\\';
        if (end == 2) text += '\r';

        RdmFileImport session;
        session.SetText(text.c_str());
        std::vector<std::string> values;
        // Every call must move on, so the loop ends within one call per byte.
        while (session.GetReadPosition() < text.size()) {
            const uint32_t before = session.GetReadPosition();
            session.ReadValue();
            ASSERT_GT(session.GetReadPosition(), before) << testing::PrintToString(text);
            ASSERT_LE(session.GetReadPosition(), text.size()) << testing::PrintToString(text);
            values.push_back(session.GetCurrentValue());
        }
        ASSERT_EQ(values, ModelValues(text)) << testing::PrintToString(text);
    }
}

class TableImportTest : public ::testing::Test {
protected:
    TableImportTest() { session.SetSession(fixture.Tablespaces(), false); }

    // Imports the text, written as a file, into the target.
    void Import(const std::string& target, const std::string& text) {
        const std::string path = fixture.Service().Dir() + "/import.csv";
        std::ofstream(path, std::ios::binary) << text;
        session.Import(path.c_str(), fixture.Tablespaces(), target);
    }
    std::string Message() { return session.GetSqlResultText(); }

    lurtest::ConnectionFixture fixture{kSchema, "SQLIMPORT"};
    RdmFileImport session;
};

TEST_F(TableImportTest, RecordsAreWholeRunsOfFieldValues) {
    Import("Imp.Pair", "a,1\r\nb,2\r\n");
    EXPECT_EQ(Message(), "2 record imported.");
    EXPECT_EQ(fixture.Dump("Imp", "Pair"), "P_NAME,P_NO\na,1\nb,2\n");

    // Three fields: one record of 1, 2 and 3; the 4 is left over.
    Import("imp.Triple", "1,2\r\n3,4\r\n");
    EXPECT_EQ(Message(), "1 record imported.\r\n1 values after the last whole record were not imported.");
    EXPECT_EQ(fixture.Dump("Imp", "Triple"), "T_A,T_B,T_C\n1,2,3\n");

    // A second import starts at the beginning of its own file; UTF-8 text
    // arrives as code page 1250.
    Import("Imp.Pair", "\xC3\xA1rv\xC3\xADz,3");
    EXPECT_EQ(Message(), "1 record imported.");
    EXPECT_EQ(fixture.Dump("Imp", "Pair"), "P_NAME,P_NO\na,1\nb,2\n\xC3\xA1rv\xC3\xADz,3\n");
    EXPECT_FALSE(session.HoldsTransaction());
}

TEST_F(TableImportTest, ARefusedValueOrRecordKeepsNothing) {
    // A text longer than its field: the field's code, the record, field and
    // value named, and the record before it not kept either.
    try {
        Import("Imp.Pair", "a,1\nlonger than six,2\n");
        FAIL() << "the long value was taken";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 2040);
        EXPECT_NE(std::string(error.what()).find("record 2, field P_NAME, value 'longer than six'"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(fixture.Dump("Imp", "Pair"), "P_NAME,P_NO\n");

    // A duplicate unique key refused by the server, named by the record
    // and its key: the transaction is aborted, so the first record goes too.
    EXPECT_EQ(ErrorCode([&] { Import("Imp.Pair", "a,1\nb,1\n"); }), 10005);
    EXPECT_NE(Message().find("record 2: key PAIR.P_NO = '1'"), std::string::npos) << Message();
    EXPECT_EQ(fixture.Dump("Imp", "Pair"), "P_NAME,P_NO\n");

    // Nothing was left open: a later import runs.
    Import("Imp.Pair", "c,3\n");
    EXPECT_EQ(fixture.Dump("Imp", "Pair"), "P_NAME,P_NO\nc,3\n");
}

TEST_F(TableImportTest, ALongRefusedValueIsQuotedCutShort) {
    // A 1 MB value, too long for its text field or no number: the message
    // quotes its start and says how long it was.
    const std::string start(60, 'v');
    const std::string huge = start + std::string(1048576 - start.size(), 'w');
    const struct {
        std::string file;
        std::string says;
    } cases[] = {
        {huge + ",1\n", "(record 1, field P_NAME, value '" + start + "'... (1048576 characters))"},
        {"a," + huge + "\n", "(record 1: PAIR.P_NO takes a whole number from -2147483648 to 2147483647, not '" + start +
                                 "'... (1048576 characters))"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(ErrorCode([&] { Import("Imp.Pair", c.file); }), 0);
        EXPECT_TRUE(Message().ends_with(c.says)) << Message().substr(0, 300);
        EXPECT_LT(Message().size(), 300u);
    }
    EXPECT_EQ(fixture.Dump("Imp", "Pair"), "P_NAME,P_NO\n");
}

TEST_F(TableImportTest, ARecordRefusedInTheMiddleLeavesTheTableAsBefore) {
    fixture.Load("Imp", "Plate", "L_ID,L_TEXT,L_CODE,L_OWNER\n1,AAA,10,Kiss\n");
    const std::string before = fixture.Dump("Imp", "Plate");
    // Record 3 is new by id and code; only the last unique key, (text,
    // owner), refuses it, after records 2 and 4 around it were taken.
    const std::string file = "2,BBB,20,Nagy\n3,aaa,30,KISS\n4,CCC,40,Toth\n";
    EXPECT_EQ(ErrorCode([&] { Import("Imp.Plate", file); }), 10005);
    // The refusal does not say which key was taken: each is named.
    EXPECT_NE(Message().find("record 2: key PLATE.L_ID = '3'; key PLATE.L_CODE = '30'; "
                             "key PLATE.L_TEXT = 'aaa', PLATE.L_OWNER = 'KISS'"),
              std::string::npos)
        << Message();
    EXPECT_EQ(fixture.Dump("Imp", "Plate"), before);
    EXPECT_FALSE(session.HoldsTransaction());

    // The refused values left nothing behind in any key: without record 3
    // the same file goes in whole.
    Import("Imp.Plate", "2,BBB,20,Nagy\n3,DDD,30,Kiss\n4,CCC,40,Toth\n");
    EXPECT_EQ(fixture.Dump("Imp", "Plate"),
              "L_ID,L_TEXT,L_CODE,L_OWNER\n1,AAA,10,Kiss\n2,BBB,20,Nagy\n3,DDD,30,Kiss\n4,CCC,40,Toth\n");
}

TEST_F(TableImportTest, TargetsThatCannotBeImportedInto) {
    EXPECT_EQ(ErrorCode([&] { Import("Pair", "a,1"); }), 2000);
    EXPECT_EQ(ErrorCode([&] { Import("Nowhere.Pair", "a,1"); }), 2000);
    EXPECT_NE(ErrorCode([&] { Import("Imp.Nothing", "a,1"); }), 0);

    // A transaction already open on the connection: the strict begin refuses.
    DbDesc* imp = fixture.Tablespaces().GetDesc("IMP");
    RdmTable pair(imp, "Pair");
    pair.BeginTrans("OTHER", true);
    EXPECT_EQ(ErrorCode([&] { Import("Imp.Pair", "a,1"); }), 10023);
    pair.EndTrans(false);
    EXPECT_EQ(fixture.Dump("Imp", "Pair"), "P_NAME,P_NO\n");

    // A table of only a group holds no field a value could go to (a service
    // refuses such a table; a description may still carry one).
    lurtest::BlobDesc groups({{"ONLYGROUP", {{"G", 'g'}}, {}}}, "GROUPS", 12);
    DbDescMap map = fixture.Tablespaces();
    map.StoreDesc(groups.Desc());
    const std::string path = fixture.Service().Dir() + "/group.csv";
    std::ofstream(path, std::ios::binary) << "a,1";
    EXPECT_EQ(ErrorCode([&] { session.Import(path.c_str(), map, "Groups.OnlyGroup"); }), 2003);
}

}  // namespace
