// The CREATE, ALTER and DROP dispatch, the sequence statements (rows of
// SYSDB's "sequencies" and the values the server then draws from them) and
// DESCRIBE, run through the SQL session.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "ConnectionFixture.h"
#include "DbErrorCode.h"
#include "FunctionLoader.h"
#include "RdmFileImport.h"
#include "RdmTable.h"

using lurtest::ErrorCode;

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n"
    "  field Rendszam c 21 d\n"
    "table Mixed\n"
    "  field A l 4 n\n"
    "  field B c 11 n\n"
    "  key AB u A B\n"
    "  field C s 2 n\n"
    "  field D F 8 n\n";

// A "sequencies" row as text: name, step, id, max, min, recycle, cache.
struct SequenceRow {
    std::string name, step, id, max, min, recycle, cache;
    bool operator==(const SequenceRow&) const = default;
};

std::ostream& operator<<(std::ostream& out, const SequenceRow& r) {
    return out << r.name << "/" << r.step << "/" << r.id << "/" << r.max << "/" << r.min << "/" << r.recycle << "/"
               << r.cache;
}

class SqlCatalogueTest : public ::testing::Test {
protected:
    SqlCatalogueTest() { session.SetSession(fixture.Tablespaces(), false); }

    // Runs the text; the last statement's status.
    std::string Run(const std::string& text) {
        session.RunText(text.c_str());
        return session.GetStatus();
    }
    std::string Message() { return session.GetSqlResultText(); }

    // The stored row of a sequence (upper-case name), or nullopt.
    std::optional<SequenceRow> Sequence(const std::string& name) {
        DbDesc catalogue = fixture.Tablespaces().GetDescCopy("SYSDB");
        RdmTable table(&catalogue, "sequencies");
        table.Fld("seq_name").SetString(name);
        if (!table.FindRecByKey("seq_name")) return std::nullopt;
        auto text = [&](const char* field) { return table.Fld(field).GetString(); };
        return SequenceRow{text("seq_name"), text("seq_step"),    text("seq_id"),   text("seq_max"),
                           text("seq_min"),  text("seq_recycle"), text("seq_chace")};
    }

    int32_t NextVal(const std::string& name) { return fixture.Tablespaces().GetDesc("CAR")->GetNextId(name); }

    lurtest::ConnectionFixture fixture{kSchema, "SQLCATALOGUE"};
    RdmFileImport session;
};

// ---- sequences ----------------------------------------------------------------------------------

TEST_F(SqlCatalogueTest, SequenceOptionsFillTheRow) {
    struct Case {
        std::string statement;
        std::string status;
        SequenceRow row;  // when the status is a success
        std::string detail = "";
    };
    const Case cases[] = {
        {"CREATE SEQUENCE s1;", "CREATE SEQUENCE:SUCCESS:0", {"S1", "1", "1", "0", "0", "0", "0"}},
        {"CREATE SEQUENCE s2 INCREMENT_BY 5 START WITH 100 MAXVALUE 1000 CYCLE CACHE 20;",
         "CREATE SEQUENCE:SUCCESS:0",
         {"S2", "5", "100", "1000", "0", "1", "20"}},
        {"create sequence s3 cache 20 cycle maxvalue 1000 start with 100 increment_by 5;",
         "CREATE SEQUENCE:SUCCESS:0",
         {"S3", "5", "100", "1000", "0", "1", "20"}},
        // The last one wins; the NO forms clear.
        {"CREATE SEQUENCE s4 MAXVALUE 50 NOMAXVALUE MINVALUE 3 NOMINVALUE CYCLE NOCYCLE CACHE 9 NOCACHE "
         "INCREMENT_BY 2 INCREMENT_BY 7;",
         "CREATE SEQUENCE:SUCCESS:0",
         {"S4", "7", "1", "0", "0", "0", "0"}},
        // A minimum without a maximum is valid: 0 is no limit. Without START
        // WITH seq_id is 1 (the draw moves it up to the bound it starts from).
        {"CREATE SEQUENCE s5 MINVALUE 10;", "CREATE SEQUENCE:SUCCESS:0", {"S5", "1", "1", "0", "10", "0", "0"}},
        {"CREATE SEQUENCE s6 MINVALUE 10 MAXVALUE 20;",
         "CREATE SEQUENCE:SUCCESS:0",
         {"S6", "1", "1", "20", "10", "0", "0"}},
        {"CREATE SEQUENCE d1 INCREMENT_BY -1 MAXVALUE 10 MINVALUE 1;",
         "CREATE SEQUENCE:SUCCESS:0",
         {"D1", "-1", "1", "10", "1", "0", "0"}},
        {"CREATE SEQUENCE d2 INCREMENT_BY -1;", "CREATE SEQUENCE:SUCCESS:0", {"D2", "-1", "1", "0", "0", "0", "0"}},
        {"CREATE SEQUENCE s12 START WITH -10 MAXVALUE -5;",
         "CREATE SEQUENCE:SUCCESS:0",
         {"S12", "1", "-10", "-5", "0", "0", "0"}},
        {"CREATE SEQUENCE s7 MINVALUE 10 MAXVALUE 5;", "CREATE SEQUENCE:ERROR:2022", {}, "MAXVALUE is less"},
        // Nothing that would hand out one value again and again, and no start outside the bounds.
        {"CREATE SEQUENCE r1 INCREMENT_BY 0;",
         "CREATE SEQUENCE:ERROR:2022",
         {},
         ".: INCREMENT_BY 0 would give the same value at every draw!"},
        {"CREATE SEQUENCE r2 START WITH 2147483647 INCREMENT_BY 2147483647 MINVALUE 5 MAXVALUE 2147483647 CYCLE;",
         "CREATE SEQUENCE:ERROR:2022",
         {},
         ".: INCREMENT_BY 2147483647 is wider than 5..2147483647, the range CYCLE runs through: the sequence would "
         "repeat one value!"},
        {"CREATE SEQUENCE r3 MINVALUE 3 MAXVALUE 3 CYCLE;",
         "CREATE SEQUENCE:ERROR:2022",
         {},
         "INCREMENT_BY 1 is wider than 3..3"},
        {"CREATE SEQUENCE r4 START WITH 1 INCREMENT_BY -5 MINVALUE 1 MAXVALUE 5 CYCLE;",
         "CREATE SEQUENCE:ERROR:2022",
         {},
         "INCREMENT_BY -5 is wider than 1..5"},
        {"CREATE SEQUENCE r5 START WITH -10 MAXVALUE -5 CYCLE;",
         "CREATE SEQUENCE:ERROR:2022",
         {},
         ".: With CYCLE the sequence would start again at 1, which is outside MINVALUE..MAXVALUE "
         "(-2147483648..-5)!"},
        {"CREATE SEQUENCE r6 START WITH 100 MINVALUE 1 MAXVALUE 50;",
         "CREATE SEQUENCE:ERROR:2022",
         {},
         ".: START WITH 100 is outside MINVALUE..MAXVALUE (1..50)!"},
        {"CREATE SEQUENCE r7 INCREMENT_BY -1 MINVALUE 5;",
         "CREATE SEQUENCE:ERROR:2022",
         {},
         ".: Without START WITH the sequence starts at 1, which is outside MINVALUE..MAXVALUE (5..2147483647)!"},
        {"CREATE SEQUENCE s8 START 5;", "CREATE SEQUENCE:ERROR:2020", {}, "Missing WITH keyword after the START"},
        {"CREATE SEQUENCE s9 FOO;", "CREATE SEQUENCE:ERROR:2027", {}, ".: FOO)"},
        // A value is a number the field holds, never text stored as 0.
        {"CREATE SEQUENCE s10 START WITH abc;", "CREATE SEQUENCE:ERROR:2006", {}, "SEQ_ID takes a whole number"},
        {"CREATE SEQUENCE s11 INCREMENT_BY 1.5;", "CREATE SEQUENCE:ERROR:2006", {}, "not '1.5'"},
        {"CREATE SEQUENCE s1;", "CREATE SEQUENCE:ERROR:", {}, "Sequence creation failed: s1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        const std::string status = Run(c.statement);
        EXPECT_EQ(status.substr(0, c.status.size()), c.status);
        if (c.detail.empty()) {
            EXPECT_EQ(Message(), c.row.name + " sequence created.");
            EXPECT_EQ(Sequence(c.row.name), c.row);
        } else {
            EXPECT_NE(Message().find(c.detail), std::string::npos) << Message();
        }
    }
    for (const char* refused : {"S7", "S8", "S9", "S10", "S11", "R1", "R2", "R3", "R4", "R5", "R6", "R7"})
        EXPECT_FALSE(Sequence(refused)) << refused;
    EXPECT_EQ(Sequence("S1")->id, "1");  // the duplicate changed nothing
}

TEST_F(SqlCatalogueTest, NextValFollowsTheSequence) {
    ASSERT_EQ(Run("CREATE SEQUENCE up START WITH 10 INCREMENT_BY 5 MAXVALUE 20 CYCLE MINVALUE 3;"),
              "CREATE SEQUENCE:SUCCESS:0")
        << Message();
    ASSERT_EQ(Run("CREATE SEQUENCE once START WITH 1 MAXVALUE 2 NOCYCLE;"), "CREATE SEQUENCE:SUCCESS:0");
    EXPECT_EQ(NextVal("UP"), 10);
    EXPECT_EQ(NextVal("up"), 15);
    EXPECT_EQ(NextVal("Up"), 20);
    EXPECT_EQ(NextVal("UP"), 3);  // past the maximum: again from the minimum
    EXPECT_EQ(NextVal("ONCE"), 1);
    EXPECT_EQ(NextVal("ONCE"), 2);
    EXPECT_EQ(ErrorCode([&] { NextVal("ONCE"); }), 10032);

    // ALTER changes the options of the stored row and keeps the rest.
    EXPECT_EQ(Run("ALTER SEQUENCE once CYCLE MAXVALUE 5;"), "ALTER SEQUENCE:SUCCESS:0");
    EXPECT_EQ(Message(), "ONCE sequence altered.");
    EXPECT_EQ(NextVal("ONCE"), 3);
    EXPECT_EQ(Sequence("ONCE")->max, "5");
    EXPECT_EQ(Run("ALTER SEQUENCE up START WITH 100 NOMAXVALUE;"), "ALTER SEQUENCE:SUCCESS:0");
    EXPECT_EQ(NextVal("UP"), 100);
    EXPECT_EQ(NextVal("UP"), 105);
    // A value the field cannot hold changes nothing of the row, nor does a
    // row the draw could not serve.
    EXPECT_EQ(Run("ALTER SEQUENCE up MAXVALUE 99999999999;"), "ALTER SEQUENCE:ERROR:2006");
    EXPECT_EQ(Sequence("UP")->max, "0");
    const SequenceRow before = *Sequence("UP");
    for (const char* refused : {"ALTER SEQUENCE up INCREMENT_BY 0;", "ALTER SEQUENCE up START WITH 5 MINVALUE 10;",
                                "ALTER SEQUENCE up MINVALUE 7 MAXVALUE 9 CYCLE;"}) {
        EXPECT_EQ(Run(refused), "ALTER SEQUENCE:ERROR:2022") << refused;
        EXPECT_EQ(Sequence("UP"), before) << refused;
    }
    // Bounds moved past seq_id without START WITH: the draw starts at the bound.
    EXPECT_EQ(Run("ALTER SEQUENCE up MINVALUE 200;"), "ALTER SEQUENCE:SUCCESS:0");
    EXPECT_EQ(NextVal("UP"), 200);

    // Going down: from MAXVALUE to MINVALUE, and again from MAXVALUE with CYCLE.
    ASSERT_EQ(Run("CREATE SEQUENCE down START WITH 5 INCREMENT_BY -2 MINVALUE 1 MAXVALUE 5 CYCLE;"),
              "CREATE SEQUENCE:SUCCESS:0");
    ASSERT_EQ(Run("CREATE SEQUENCE downonce START WITH 5 INCREMENT_BY -2 MINVALUE 1 MAXVALUE 5;"),
              "CREATE SEQUENCE:SUCCESS:0");
    // Without START WITH seq_id is 1: above a MAXVALUE of -5 it starts there.
    ASSERT_EQ(Run("CREATE SEQUENCE negative INCREMENT_BY -1 MAXVALUE -5;"), "CREATE SEQUENCE:SUCCESS:0");
    EXPECT_EQ(Sequence("NEGATIVE")->id, "1");
    for (const int32_t expected : {5, 3, 1, 5, 3}) EXPECT_EQ(NextVal("DOWN"), expected);
    for (const int32_t expected : {5, 3, 1}) EXPECT_EQ(NextVal("DOWNONCE"), expected);
    EXPECT_EQ(ErrorCode([&] { NextVal("DOWNONCE"); }), 10032);
    for (const int32_t expected : {-5, -6}) EXPECT_EQ(NextVal("NEGATIVE"), expected);
}

TEST_F(SqlCatalogueTest, TheLastValueIsHandedOutOnceWhateverStatementsFollow) {
    ASSERT_EQ(Run("CREATE SEQUENCE top START WITH 2147483646;"), "CREATE SEQUENCE:SUCCESS:0");
    EXPECT_EQ(NextVal("TOP"), 2147483646);
    EXPECT_EQ(NextVal("TOP"), 2147483647);
    EXPECT_EQ(ErrorCode([&] { NextVal("TOP"); }), 10032);
    EXPECT_EQ(ErrorCode([&] { NextVal("TOP"); }), 10032);
    EXPECT_EQ(Sequence("TOP")->id, "2147483647");  // the row shows the last value handed out
    // START WITH sets the next value again.
    EXPECT_EQ(Run("ALTER SEQUENCE top START WITH 2147483640;"), "ALTER SEQUENCE:SUCCESS:0");
    EXPECT_EQ(NextVal("TOP"), 2147483640);
    EXPECT_EQ(Run("ALTER SEQUENCE top START WITH 2147483647;"), "ALTER SEQUENCE:SUCCESS:0");
    EXPECT_EQ(NextVal("TOP"), 2147483647);
    EXPECT_EQ(ErrorCode([&] { NextVal("TOP"); }), 10032);
    // An ALTER that keeps seq_id knows it was handed out: CYCLE starts again.
    EXPECT_EQ(Run("ALTER SEQUENCE top CYCLE MINVALUE 100;"), "ALTER SEQUENCE:SUCCESS:0");
    EXPECT_EQ(NextVal("TOP"), 100);
    // A sequence made again under the name starts afresh.
    EXPECT_EQ(Run("ALTER SEQUENCE top NOCYCLE START WITH 2147483647;"), "ALTER SEQUENCE:SUCCESS:0");
    EXPECT_EQ(NextVal("TOP"), 2147483647);
    EXPECT_EQ(ErrorCode([&] { NextVal("TOP"); }), 10032);
    EXPECT_EQ(Run("DROP SEQUENCE top;"), "DROP SEQUENCE:SUCCESS:0");
    EXPECT_EQ(Run("CREATE SEQUENCE top START WITH 2147483647;"), "CREATE SEQUENCE:SUCCESS:0");
    EXPECT_EQ(NextVal("TOP"), 2147483647);

    // A cycle through the last two values, begun after the last one.
    EXPECT_EQ(Run("ALTER SEQUENCE top CYCLE MINVALUE 2147483646;"), "ALTER SEQUENCE:SUCCESS:0");
    for (const int32_t expected : {2147483646, 2147483647, 2147483646}) EXPECT_EQ(NextVal("TOP"), expected);

    // The same at the bottom going down.
    ASSERT_EQ(Run("CREATE SEQUENCE bottom START WITH -2147483647 INCREMENT_BY -1;"), "CREATE SEQUENCE:SUCCESS:0");
    EXPECT_EQ(NextVal("BOTTOM"), -2147483647);
    EXPECT_EQ(NextVal("BOTTOM"), INT32_MIN);
    EXPECT_EQ(ErrorCode([&] { NextVal("BOTTOM"); }), 10032);
    EXPECT_EQ(Run("ALTER SEQUENCE bottom CYCLE MAXVALUE -10;"), "ALTER SEQUENCE:SUCCESS:0");
    EXPECT_EQ(NextVal("BOTTOM"), -10);
}

TEST_F(SqlCatalogueTest, AlterAndDropOfAMissingSequenceSucceed) {
    EXPECT_EQ(Run("ALTER SEQUENCE nosuch;"), "ALTER SEQUENCE:SUCCESS:0");
    EXPECT_EQ(Message(), "NOSUCH sequence not found.");
    // The options are not read, so the dispatch stops at them.
    EXPECT_EQ(Run("ALTER SEQUENCE nosuch INCREMENT_BY 2;"), "ALTER SEQUENCE:ERROR:2027");
    EXPECT_EQ(Message().substr(0, 28), "NOSUCH sequence not found.\r\n");

    ASSERT_EQ(Run("CREATE SEQUENCE gone;"), "CREATE SEQUENCE:SUCCESS:0");
    EXPECT_EQ(Run("DROP SEQUENCE Gone;"), "DROP SEQUENCE:SUCCESS:0");
    EXPECT_EQ(Message(), "GONE sequence dropped.");
    EXPECT_FALSE(Sequence("GONE"));
    EXPECT_EQ(Run("DROP SEQUENCE gone;"), "DROP SEQUENCE:SUCCESS:0");
    EXPECT_EQ(Message(), "GONE sequence not found.");
}

// ---- dispatch ---------------------------------------------------------------------------------------

TEST_F(SqlCatalogueTest, DispatchRefusesUnknownObjectsAndCommitsFirst) {
    struct Case {
        const char* statement;
        const char* status;
        const char* detail;
    };
    const Case cases[] = {
        {"CREATE TABLE x;", "CREATE:ERROR:2012", ".: TABLE)"},
        {"ALTER INDEX x;", "ALTER:ERROR:2012", ".: INDEX)"},
        {"DROP VIEW x;", "DROP:ERROR:2012", ".: VIEW)"},
        {"DROP;", "DROP:ERROR:2012", ";"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(Run(c.statement), c.status);
        EXPECT_NE(Message().find(c.detail), std::string::npos) << Message();
    }

    // A row written in the connection's open transaction is committed by
    // the catalogue statement: the rollback after it finds nothing to undo.
    DbDescMap& tablespaces = fixture.Tablespaces();
    RdmTable cars(tablespaces.GetDesc("CAR"), "Gepjarmu");
    ASSERT_TRUE(tablespaces.BeginTrans("EARLIER", true));
    cars.ClearRecord();
    cars.Fld("GJ_ID").SetInt(7);
    cars.Fld("Rendszam").SetString("ABC-123");
    cars.NewRec();
    EXPECT_EQ(Run("DROP SEQUENCE nosuch;"), "DROP SEQUENCE:SUCCESS:0");
    tablespaces.EndTransaction(false);
    EXPECT_EQ(fixture.Dump("Car", "Gepjarmu").find("ABC-123") != std::string::npos, true)
        << fixture.Dump("Car", "Gepjarmu");
}

// ---- DESCRIBE ----------------------------------------------------------------------------------------

TEST_F(SqlCatalogueTest, DescribeWritesTheTableDefinition) {
    EXPECT_EQ(Run("DESCRIBE gepjarmu;"), "DESCRIBE:SUCCESS:0");
    EXPECT_EQ(Message(), "create table GEPJARMU(\r\n  GJ_ID  NUMBER(10),\r\n  RENDSZAM  VARCHAR2(21));\r\n");

    // The compound key among the fields has no line, and the fields after
    // it keep their own types.
    EXPECT_EQ(Run("DESC Car.Mixed;"), "DESCRIBE:SUCCESS:0");
    EXPECT_EQ(Message(),
              "create table MIXED(\r\n  A  NUMBER(10),\r\n  B  VARCHAR2(11),\r\n  C  NUMBER(5),\r\n"
              "  D  NUMBER(20,10));\r\n");

    EXPECT_EQ(Run("DESCRIBE nosuch;"), "DESCRIBE:ERROR:2002");
    EXPECT_EQ(Message().substr(0, 21), "Invalid object name\r\n");
}

}  // namespace
