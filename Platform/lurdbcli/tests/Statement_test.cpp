// The statement layer under every call: what a parameter holds after a
// reset, what a row read is, and a read left open on a row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Sqlite.h"
#include "TestService.h"

namespace lurdbcli {
namespace {

class StatementTest : public ::testing::Test {
protected:
    testsupport::TempServiceDir dir;
    Database db{dir.Path() + "/statements.lurdb", true};

    // The values of the first row of a statement's columns, "?" for NULL.
    static std::vector<std::string> Row(Statement& statement, int columns) {
        std::vector<std::string> row;
        if (!statement.Step()) {
            return row;
        }
        for (int i = 0; i < columns; ++i) {
            const SqlValue value = statement.Column(i);
            row.push_back(std::holds_alternative<std::monostate>(value) ? "?" : statement.ColumnText(i));
        }
        statement.Reset();
        return row;
    }
};

// A statement is reused for every call: a parameter that a call does not
// bind must not keep the value an earlier call gave it.
TEST_F(StatementTest, AParameterNotBoundAgainAfterAResetIsNull) {
    Statement& select = db.Cached("SELECT ?, ?, ?3");
    select.Bind(1, 1LL).Bind(2, std::string("two")).Bind(3, SqlValue{3.5});
    EXPECT_EQ(Row(select, 3), (std::vector<std::string>{"1", "two", "3.5"}));

    const struct {
        std::vector<int> bound;
        std::vector<std::string> row;
    } cases[] = {
        {{}, {"?", "?", "?"}},
        {{2}, {"?", "20", "?"}},
        {{1, 3}, {"10", "?", "30"}},
        {{3, 2, 1}, {"10", "20", "30"}},
    };
    for (const auto& c : cases) {
        db.Cached("SELECT ?, ?, ?3");  // as every call takes it: reset
        for (int index : c.bound) {
            select.Bind(index, static_cast<long long>(index * 10));
        }
        EXPECT_EQ(Row(select, 3), c.row) << c.bound.size() << " bound";
        select.Bind(1, 7LL).Bind(2, 8LL).Bind(3, 9LL);  // values left behind for the next case
        select.Reset();
    }
}

// More parameters than the statement tracks one by one (a wide record's
// insert): they are cleared at the reset instead.
TEST_F(StatementTest, AWideStatementsParametersNotBoundAgainAreNull) {
    constexpr int kParameters = 70;
    std::string sql = "SELECT ?";
    for (int i = 2; i <= kParameters; ++i) {
        sql += ", ?";
    }
    Statement& select = db.Cached(sql);
    for (int i = 1; i <= kParameters; ++i) {
        select.Bind(i, static_cast<long long>(i));
    }
    ASSERT_EQ(Row(select, kParameters).at(kParameters - 1), std::to_string(kParameters));
    db.Cached(sql).Bind(kParameters, 1LL);
    const std::vector<std::string> row = Row(select, kParameters);
    ASSERT_EQ(row.size(), static_cast<size_t>(kParameters));
    EXPECT_EQ(row[0], "?");
    EXPECT_EQ(row[63], "?");
    EXPECT_EQ(row[64], "?");
    EXPECT_EQ(row[kParameters - 1], "1");
}

// Every kind of value reads back as stored, straight from the statement.
TEST_F(StatementTest, ViewsGiveEachKindOfValue) {
    Statement& select = db.Cached("SELECT 42, -7.25, 'p\xC5\x99\xC3\xADklad', '', x'00ff', x'', NULL");
    ASSERT_TRUE(select.Step());
    EXPECT_EQ(select.View(0).type, SQLITE_INTEGER);
    EXPECT_EQ(select.View(0).integer, 42);
    EXPECT_EQ(select.View(1).type, SQLITE_FLOAT);
    EXPECT_EQ(select.View(1).real, -7.25);
    const ColumnView text = select.View(2);
    EXPECT_EQ(text.type, SQLITE_TEXT);
    EXPECT_EQ(std::string(text.data, text.size), "p\xC5\x99\xC3\xADklad");
    EXPECT_EQ(select.View(3).type, SQLITE_TEXT);
    EXPECT_EQ(select.View(3).size, 0u);
    const ColumnView bytes = select.View(4);
    EXPECT_EQ(bytes.type, SQLITE_BLOB);
    EXPECT_EQ(std::string(bytes.data, bytes.size), std::string("\x00\xff", 2));
    EXPECT_EQ(select.View(5).type, SQLITE_BLOB);
    EXPECT_EQ(select.View(5).size, 0u);
    EXPECT_EQ(select.View(6).type, SQLITE_NULL);
    select.Reset();
}

// A position keeps its row's values past the statement's next move and
// binds them again: each kind must come back exactly, also when one kept
// value takes the place of another kind (a text after a blob, none after text).
TEST_F(StatementTest, KeptValuesBindBackAsTheyWereRead) {
    const char* values[] = {"42", "-7.25", "'p\xC5\x99\xC3\xADklad'", "x'00ff'", "''", "x''", "NULL", "'a'", "NULL"};
    KeptColumn kept;
    for (const char* value : values) {
        SCOPED_TRACE(value);
        Statement& read = db.Cached(std::string("SELECT ") + value + ", typeof(" + value + "), quote(" + value + ")");
        ASSERT_TRUE(read.Step());
        kept.Keep(read.View(0));
        const std::string type = read.ColumnText(1);
        const std::string quoted = read.ColumnText(2);
        read.Reset();
        Statement& bound = db.Cached("SELECT typeof(?1), quote(?1)");
        ASSERT_TRUE(bound.Bind(1, kept.View()).Step());
        EXPECT_EQ(bound.ColumnText(0), type);
        EXPECT_EQ(bound.ColumnText(1), quoted);
        bound.Reset();
    }
    // An integer kept on its own (a row read's common case) replaces a text.
    kept.Keep(ViewOf(SqlValue(std::string("abc"))));
    kept.KeepInteger(-5);
    Statement& bound = db.Cached("SELECT typeof(?1), quote(?1)");
    ASSERT_TRUE(bound.Bind(1, kept.View()).Step());
    EXPECT_EQ(bound.ColumnText(0), "integer");
    EXPECT_EQ(bound.ColumnText(1), "-5");
    bound.Reset();
}

// A read left open on a row holds a snapshot until its reset; after it the
// statement reads again from the start and sees what was written since.
TEST_F(StatementTest, AResetEndsAReadLeftOnARow) {
    db.Exec("CREATE TABLE t (v INTEGER); INSERT INTO t VALUES (1), (2)");
    Database writer(dir.Path() + "/statements.lurdb", false);
    Statement& read = db.Cached("SELECT count(*) FROM t UNION ALL SELECT v FROM t");
    ASSERT_TRUE(read.Step());
    EXPECT_EQ(read.ColumnInt(0), 2);
    ASSERT_TRUE(read.Step());  // open on a row
    read.Reset();
    writer.Exec("INSERT INTO t VALUES (3)");
    ASSERT_TRUE(db.Cached("SELECT count(*) FROM t UNION ALL SELECT v FROM t").Step());
    EXPECT_EQ(read.ColumnInt(0), 3);
    read.Reset();
}

}  // namespace
}  // namespace lurdbcli
