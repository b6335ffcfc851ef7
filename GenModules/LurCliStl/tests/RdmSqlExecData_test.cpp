// The data statements of the executor through the SQL session: INSERT in
// both forms, DELETE and UPDATE with and without WHERE, their refusals, and
// what a statement failing halfway leaves of its transaction.
#include <gtest/gtest.h>

#include <string>

#include "ConnectionFixture.h"
#include "FunctionLoader.h"
#include "RdmFileImport.h"
#include "ScopedClientFunction.h"

namespace {

constexpr const char* kSchema =
    "tablespace Shop 8 1.0.0.0\n"
    "table Item\n"
    "  field I_ID l 4 u\n"
    "  field I_NAME c 11 n\n"
    "  field I_QTY l 4 d\n"
    "table Note\n"
    "  field N_TEXT c 11 d\n"
    "  field N_NO l 4 n\n";

// The server's answer for a record that another user deleted meanwhile.
int32_t RowGone(int32_t, int32_t, int32_t, int32_t, char*) { return lurdbcli::kNotFound; }

// The client's own delete for the first call, then rows gone.
lurdbcli::DelRecFn realDelRec = nullptr;
int deletesLeft = 0;
int32_t FirstDeleteOnly(int32_t handle, int32_t dbNo, int32_t recType, int32_t size, char* record) {
    return deletesLeft-- > 0 ? realDelRec(handle, dbNo, recType, size, record) : lurdbcli::kNotFound;
}

class SqlDataTest : public ::testing::Test {
protected:
    SqlDataTest() { session.SetSession(fixture.Tablespaces(), false); }

    // Runs one statement: its status, a blank, its message.
    std::string Run(const std::string& statement) {
        session.RunText(statement.c_str());
        return std::string(session.GetStatus()) + " " + session.GetSqlResultText();
    }
    // The status of a failing statement and a part of its message.
    void ExpectFailure(const std::string& statement, const std::string& status, const std::string& detail) {
        const std::string result = Run(statement);
        EXPECT_EQ(result.substr(0, status.size() + 1), status + " ") << statement;
        EXPECT_NE(result.find(detail), std::string::npos) << statement << "\n" << result;
    }
    std::string Items() { return fixture.Dump("Shop", "Item"); }

    lurtest::ConnectionFixture fixture{kSchema, "SQLDATA"};
    RdmFileImport session;
};

TEST_F(SqlDataTest, InsertTakesValuesInFieldOrderOrByColumn) {
    EXPECT_EQ(Run("INSERT INTO Item VALUES (1, NULL, 5);"), "INSERT:SUCCESS:0 1 record inserted.");
    EXPECT_EQ(Run("insert into Shop.Item (I_QTY, I_ID) values (7, 2);"), "INSERT:SUCCESS:0 1 record inserted.");
    EXPECT_EQ(Run("INSERT INTO Item (I_ID, I_NAME) VALUES (3, NULL);"), "INSERT:SUCCESS:0 1 record inserted.");
    EXPECT_EQ(Run("INSERT INTO Item VALUES (4, 'NULL', 0);"), "INSERT:SUCCESS:0 1 record inserted.");
    EXPECT_TRUE(session.HoldsTransaction());
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n");  // nothing committed yet

    ExpectFailure("INSERT INTO Item VALUES (5, 'x');", "INSERT:ERROR:2028", "column 32.: )");
    ExpectFailure("INSERT INTO Item VALUES (5, 'x', 1, 2);", "INSERT:ERROR:2028", "column 35.: )");
    ExpectFailure("INSERT INTO Item (I_ID, I_QTY) VALUES (5);", "INSERT:ERROR:2028", "column 23.: )");
    ExpectFailure("INSERT INTO Item I_ID VALUES (5);", "INSERT:ERROR:2029", "column 22.: )");
    ExpectFailure("INSERT INTO Item (I_ID) VALUES 5;", "INSERT:ERROR:2029", "column 23.: )");
    ExpectFailure("INSERT INTO Item (NOSUCH) VALUES (5);", "INSERT:ERROR:2003", "");

    EXPECT_EQ(Run("COMMIT;"), "COMMIT:SUCCESS:0 Transaction commited.");
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n1,,5\n2,,7\n3,,0\n4,NULL,0\n");
}

TEST_F(SqlDataTest, UpdateAndDeleteWorkOnTheSearchOrOnEveryRow) {
    fixture.Load("Shop", "Item", "I_ID,I_NAME,I_QTY\n1,a,1\n2,b,2\n3,c,1\n4,d,3\n");
    // The SET values are evaluated per row: each row draws its own number.
    EXPECT_EQ(Run("UPDATE Item SET I_NAME = 'one', I_QTY = tally.nextval WHERE I_QTY = 1;"),
              "UPDATE:SUCCESS:0 2 record updated.");
    EXPECT_EQ(Run("DELETE FROM Item WHERE I_ID = 2;"), "DELETE:SUCCESS:0 1 record deleted.");
    EXPECT_EQ(Run("DELETE FROM Item WHERE 3 <= I_QTY;"), "DELETE:SUCCESS:0 1 record deleted.");
    EXPECT_EQ(Run("COMMIT;"), "COMMIT:SUCCESS:0 Transaction commited.");
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n1,one,1\n3,one,2\n");

    // NULL in SET clears the field, as INSERT leaves it.
    EXPECT_EQ(Run("UPDATE Item SET I_NAME = NULL;"), "UPDATE:SUCCESS:0 2 record updated.");
    EXPECT_EQ(Run("COMMIT;"), "COMMIT:SUCCESS:0 Transaction commited.");
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n1,,1\n3,,2\n");

    EXPECT_EQ(Run("DELETE FROM Item;"), "DELETE:SUCCESS:0 2 record deleted.");
    EXPECT_EQ(Run("ROLLBACK;"), "ROLLBACK:SUCCESS:0 Transaction aborted.");
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n1,,1\n3,,2\n");
    EXPECT_EQ(Run("DELETE FROM Item;"), "DELETE:SUCCESS:0 2 record deleted.");
    EXPECT_EQ(Run("COMMIT;"), "COMMIT:SUCCESS:0 Transaction commited.");
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n");
}

TEST_F(SqlDataTest, WhatTheStatementsRefuse) {
    fixture.Load("Shop", "Item", "I_ID,I_NAME,I_QTY\n1,a,1\n2,b,2\n");
    fixture.Load("Shop", "Note", "N_TEXT,N_NO\nx,1\ny,2\n");
    // Without a unique key the rows cannot be found again.
    ExpectFailure("DELETE FROM Note WHERE N_TEXT = 'x';", "DELETE:ERROR:10038", "Cannot delete without primary index!");
    ExpectFailure("UPDATE Note SET N_NO = 3 WHERE N_TEXT = 'x';", "UPDATE:ERROR:10038",
                  "Cannot modify without proimary index!");
    ExpectFailure("DELETE FROM Item WHERE I_ID = 1 OR I_ID = 2;", "DELETE:ERROR:2024", "");
    ExpectFailure("DELETE FROM Item WHERE I_NAME LIKE 'a';", "DELETE:ERROR:2024", "");
    ExpectFailure("UPDATE Item SET I_QTY = 1 WHERE I_NAME LIKE 'a';", "UPDATE:ERROR:2024", "");
    // A condition the search of the target cannot use is refused, never dropped.
    const struct {
        const char* statement;
        const char* status;
        const char* detail;
    } unusable[] = {
        {"DELETE FROM Item WHERE I_ID = I_QTY;", "DELETE:ERROR:2021", "SHOP.ITEM.I_ID=SHOP.ITEM.I_QTY"},
        {"DELETE FROM Item WHERE Note.N_NO = 1;", "DELETE:ERROR:2021", "SHOP.NOTE.N_NO=1"},
        {"UPDATE Item SET I_QTY = 9 WHERE I_ID = I_QTY;", "UPDATE:ERROR:2021", "SHOP.ITEM.I_ID=SHOP.ITEM.I_QTY"},
        {"UPDATE Item SET I_QTY = 9 WHERE Note.N_NO = 1;", "UPDATE:ERROR:2021", "SHOP.NOTE.N_NO=1"},
        {"UPDATE Item SET I_QTY = 9 WHERE I_ID = 1 OR I_ID = 2;", "UPDATE:ERROR:2024", "OR"},
    };
    for (const auto& c : unusable) ExpectFailure(c.statement, c.status, c.detail);
    ExpectFailure("UPDATE Item I_QTY = 1;", "UPDATE:ERROR:2030", "column 18.: )");
    ExpectFailure("UPDATE Item SET I_QTY 1;", "UPDATE:ERROR:2031", "");
    EXPECT_EQ(Run("COMMIT;"), "COMMIT:SUCCESS:0 Transaction commited.");
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n1,a,1\n2,b,2\n");
    EXPECT_EQ(fixture.Dump("Shop", "Note"), "N_TEXT,N_NO\nx,1\ny,2\n");
}

TEST_F(SqlDataTest, ALongRefusedValueIsQuotedCutShort) {
    fixture.Load("Shop", "Item", "I_ID,I_NAME,I_QTY\n1,a,1\n");
    // A 1 MB value no number field takes, as an INSERT, SET or WHERE value:
    // its start and its length, in a message that stays short.
    const std::string start(60, '7');
    const std::string huge = start + std::string(1048576 - start.size(), 'x');
    const std::string says =
        "I_QTY takes a whole number from -2147483648 to 2147483647, not '" + start + "'... (1048576 characters))";
    for (const std::string& statement :
         {"INSERT INTO Item VALUES (2, 'b', '" + huge + "');", "UPDATE Item SET I_QTY = '" + huge + "';",
          "SELECT * FROM Item WHERE I_QTY = '" + huge + "';"}) {
        const std::string result = Run(statement);
        EXPECT_TRUE(result.ends_with(says)) << result.substr(0, 300);
        EXPECT_LT(result.size(), 300u);
    }
    EXPECT_EQ(Run("ROLLBACK;").substr(0, 17), "ROLLBACK:SUCCESS:");
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n1,a,1\n");
}

TEST_F(SqlDataTest, AStatementFailingHalfwayAbortsTheTransaction) {
    fixture.Load("Shop", "Item", "I_ID,I_NAME,I_QTY\n1,a,1\n2,b,1\n");
    EXPECT_EQ(Run("INSERT INTO Item VALUES (3, 'c', 2);"), "INSERT:SUCCESS:0 1 record inserted.");
    // A failure before any change leaves the transaction as it was.
    ExpectFailure("INSERT INTO Item VALUES (3, 'again', 2);", "INSERT:ERROR:10005", "");
    EXPECT_TRUE(session.HoldsTransaction());

    // The first row takes the id 5, the second is refused as a duplicate:
    // no COMMIT may keep the first row's change.
    ExpectFailure("UPDATE Item SET I_ID = 5 WHERE I_QTY = 1;", "UPDATE:ERROR:10005", "");
    EXPECT_TRUE(std::string(session.GetSqlResultText()).ends_with(")\r\nTransaction aborted."));
    EXPECT_FALSE(session.HoldsTransaction());
    EXPECT_EQ(Run("COMMIT;"), ":SUCCESS:0 ");  // nothing left to commit
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n1,a,1\n2,b,1\n");

    // The same without WHERE, and a transaction begun by this statement.
    ExpectFailure("UPDATE Item SET I_ID = 7;", "UPDATE:ERROR:10005", "");
    EXPECT_TRUE(std::string(session.GetSqlResultText()).ends_with(")\r\nTransaction aborted."));
    EXPECT_EQ(Run("COMMIT;"), ":SUCCESS:0 ");
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n1,a,1\n2,b,1\n");
}

TEST_F(SqlDataTest, ARowGoneOnTheServerFailsTheStatement) {
    fixture.Load("Shop", "Item", "I_ID,I_NAME,I_QTY\n1,a,1\n2,b,1\n");
    FunctionLoader& client = GetFunctionLoader();
    {
        lurtest::ScopedClientFunction stub(client.pfDelRec, &RowGone);
        ExpectFailure("DELETE FROM Item WHERE I_QTY = 1;", "DELETE:ERROR:10002", "Modified record is missing.");
        ExpectFailure("DELETE FROM Item;", "DELETE:ERROR:10002", "Modified record is missing.");
    }
    {
        lurtest::ScopedClientFunction stub(client.pfModRec, &RowGone);
        ExpectFailure("UPDATE Item SET I_NAME = 'x';", "UPDATE:ERROR:10002", "Modified record is missing.");
        ExpectFailure("UPDATE Item SET I_NAME = 'x' WHERE I_ID = 2;", "UPDATE:ERROR:10002",
                      "Modified record is missing.");
    }
    EXPECT_EQ(Run("COMMIT;"), "COMMIT:SUCCESS:0 Transaction commited.");
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n1,a,1\n2,b,1\n");

    // The first row deleted, the second gone: the statement changed rows, so
    // its failure aborts the transaction and the insert before it goes too.
    EXPECT_EQ(Run("INSERT INTO Item VALUES (3, 'c', 2);"), "INSERT:SUCCESS:0 1 record inserted.");
    {
        realDelRec = client.pfDelRec;
        deletesLeft = 1;
        lurtest::ScopedClientFunction stub(client.pfDelRec, &FirstDeleteOnly);
        ExpectFailure("DELETE FROM Item WHERE I_QTY = 1;", "DELETE:ERROR:10002", "Modified record is missing.");
    }
    EXPECT_TRUE(std::string(session.GetSqlResultText()).ends_with("Transaction aborted."));
    EXPECT_FALSE(session.HoldsTransaction());
    EXPECT_EQ(Run("COMMIT;"), ":SUCCESS:0 ");
    EXPECT_EQ(Items(), "I_ID,I_NAME,I_QTY\n1,a,1\n2,b,1\n");
}

}  // namespace
