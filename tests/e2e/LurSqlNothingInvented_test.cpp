// lursql never changes rows nobody meant or stores values nobody wrote: an
// empty WHERE, a clause with something after it, a value a number field
// cannot hold and a header line imported are refused and change nothing; a
// quoted literal is stored as written; names fold the same in every session;
// a script that calls itself is not run again.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "LurSqlFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID    l 4  u\n"
    "  field Rendszam c 11 d\n"
    "  field Tomeg    l 4  n\n"
    "  field Kicsi    s 2  n\n"
    "  field Ar       F 8  n\n"
    "table Note\n"
    "  field N_ID l 4  u\n"
    "  field N_A  c 10 n\n"
    "  key N_K u N_ID N_A\n"
    "  field N_B  c 10 n\n";

constexpr const char* kRows = "GJ_ID,Rendszam,Tomeg,Kicsi,Ar\n1,AAA-111,1200,1,1.5\n2,BBB-222,900,2,2\n";

class LurSqlNothingInventedTest : public lurtest::LurSqlFixture {
protected:
    LurSqlNothingInventedTest() : LurSqlFixture(kSchema) { service.Load("Car", "Gepjarmu", kRows); }
};

TEST_F(LurSqlNothingInventedTest, RefusedStatementsChangeNothing) {
    const std::string takesWhole = "GEPJARMU.TOMEG takes a whole number from -2147483648 to 2147483647, not ";
    const struct {
        const char* statement;
        std::string error;  // the status, then a phrase of the message
    } cases[] = {
        // A WHERE without a condition, also one commented out.
        {"DELETE FROM Gepjarmu WHERE;", "DELETE:ERROR:2021"},
        {"DELETE FROM Gepjarmu WHERE -- GJ_ID = 1\n;", "Missing condition after WHERE"},
        {"UPDATE Gepjarmu SET Tomeg = 5 WHERE ;", "UPDATE:ERROR:2021"},
        {"UPDATE Gepjarmu SET Tomeg = 5 WHERE /* GJ_ID = 1 */;", "Missing condition after WHERE"},
        {"SELECT * FROM Gepjarmu WHERE;", "SELECT:ERROR:2021"},
        {"SELECT * FROM Gepjarmu WHERE ORDER BY GJ_ID;", "SELECT:ERROR:2021"},
        // Something after a clause.
        {"UPDATE Gepjarmu SET Rendszam = 'X' Tomeg = 5;", "not: Tomeg"},
        {"UPDATE Gepjarmu SET Rendszam = 'P' AND Tomeg = 5;", "UPDATE:ERROR:2020"},
        {"UPDATE Gepjarmu SET Tomeg = Tomeg + 1;", "not: +"},
        {"UPDATE Gepjarmu SET Tomeg = 1 x WHERE GJ_ID = 1;", "UPDATE:ERROR:2020"},
        {"DELETE FROM Gepjarmu x;", "DELETE:ERROR:2020"},
        {"DELETE FROM Gepjarmu x WHERE GJ_ID = 1;", "DELETE:ERROR:2020"},
        {"INSERT INTO Gepjarmu VALUES (3, 'C', 1, 1, 1) x;", "INSERT:ERROR:2020"},
        {"INSERT INTO Gepjarmu (GJ_ID) VALUES (3) x;", "INSERT:ERROR:2020"},
        {"INSERT INTO Gepjarmu (GJ_ID) x VALUES (3);", "INSERT:ERROR:2029"},
        {"INSERT INTO Gepjarmu VALUES 3, 'C', 1, 1, 1);", "INSERT:ERROR:2029"},
        {"SELECT GJ_ID FROM Gepjarmu ORDER BY GJ_ID DESC x;", "SELECT:ERROR:2020"},
        // Values a number field cannot hold, in every statement form.
        {"INSERT INTO Gepjarmu VALUES (3, 'C', 'abc', 1, 1);", takesWhole + "'abc'"},
        {"INSERT INTO Gepjarmu VALUES (3, 'C', '12abc', 1, 1);", takesWhole + "'12abc'"},
        {"INSERT INTO Gepjarmu VALUES (3, 'C', '1.9', 1, 1);", takesWhole + "'1.9'"},
        {"INSERT INTO Gepjarmu VALUES (3, 'C', 99999999999, 1, 1);", takesWhole + "'99999999999'"},
        {"INSERT INTO Gepjarmu VALUES (3, 'C', 1, 70000, 1);", "GEPJARMU.KICSI takes a whole number from -32768"},
        {"INSERT INTO Gepjarmu (GJ_ID, Ar) VALUES (3, '0x10');", "GEPJARMU.AR takes a number, not '0x10'"},
        {"UPDATE Gepjarmu SET Tomeg = 'abc';", takesWhole + "'abc'"},
        {"UPDATE Gepjarmu SET Tomeg = 5 WHERE GJ_ID = 'x1';", "UPDATE:ERROR:2006"},
        {"DELETE FROM Gepjarmu WHERE GJ_ID = 'x1';", "DELETE:ERROR:2006"},
        {"SELECT * FROM Gepjarmu WHERE Tomeg >= '1.5';", "SELECT:ERROR:2006"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        const lurtest::ProgramRun run = Script(std::string(c.statement) + "\nCOMMIT;\n");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("row selected"), std::string::npos) << run.out;
        EXPECT_EQ(Dump(), kRows);
    }
}

TEST_F(LurSqlNothingInventedTest, ValuesAreStoredAsWritten) {
    const lurtest::ProgramRun run = Script(
        // Literals that look like the server time, a function or a counter.
        "INSERT INTO Gepjarmu VALUES (3, 'x.nextval', ' 7 ', -5, '1e3');\n"
        "INSERT INTO Gepjarmu (GJ_ID, Rendszam, Ar) VALUES (4, 'SYSDATE', .5);\n"
        "UPDATE Gepjarmu SET Rendszam = 'SUBSTRATE' WHERE GJ_ID = 1;\n"
        "UPDATE Gepjarmu SET Rendszam = 'ENCODED', Tomeg = NULL WHERE GJ_ID = 2;\n"
        // The first draw of x: the literal drew none.
        "INSERT INTO Gepjarmu (GJ_ID, Tomeg) VALUES (5, x.nextval);\n"
        // The data fields of a table whose compound key stands between them.
        "INSERT INTO Note VALUES (1, 'a', 'b');\n"
        "COMMIT;\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Dump(),
              "GJ_ID,Rendszam,Tomeg,Kicsi,Ar\n1,SUBSTRATE,1200,1,1.5\n2,ENCODED,0,2,2\n3,x.nextval,7,-5,1000\n"
              "4,SYSDATE,0,0,0.5\n5,,1,0,0\n");
    EXPECT_EQ(Dump("Car", "Note"), "N_ID,N_A,N_B\n1,a,b\n");
}

TEST_F(LurSqlNothingInventedTest, AnImportWithAValueNoFieldTakesImportsNothing) {
    struct Case {
        const char* file;
        const char* phrase;
    } cases[] = {
        {"GJ_ID,Rendszam,Tomeg,Kicsi,Ar\n3,C,1,1,1\n", "record 1: GEPJARMU.GJ_ID takes a whole number"},
        {"3,C,1,1,1\n4,D,1x,1,1\n",
         "record 2: GEPJARMU.TOMEG takes a whole number from -2147483648 to "
         "2147483647, not '1x'"},
        {"3,C,1,1,1\n4,D,1,1,one\n", "record 2: GEPJARMU.AR takes a number, not 'one'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const lurtest::ProgramRun run = LurSql({"--import", "Car.Gepjarmu", "GARAGE", Write("rows.csv", c.file)});
        EXPECT_EQ(run.status, 3);
        EXPECT_NE(run.err.find(c.phrase), std::string::npos) << run.err;
        EXPECT_EQ(Dump(), kRows);
    }
    const lurtest::ProgramRun run =
        LurSql({"--import", "Car.Gepjarmu", "GARAGE", Write("rows.csv", "3, C ,\t7 , -1 ,2.5e1\n")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Dump(), std::string(kRows) + "3,\" C \",7,-1,25\n");
}

TEST_F(LurSqlNothingInventedTest, NamesFoldTheSameInEverySession) {
    // \xC3\xA1 is a with acute, \xC3\x81 its capital; \xC3\xB3 / \xC3\x93 o with acute.
    lurtest::ProgramRun run = Script(
        "CREATE SEQUENCE sz\xC3\xA1ml\xC3\xA1l\xC3\xB3 START WITH 10;\n"
        "ALTER SESSION SET NLS_TERRITORY = 'Hungarian_Hungary.1250';\n"
        "CREATE USER j\xC3\xB3zsi IDENTIFIED BY jelsz\xC3\xB3;\n"
        "ALTER SESSION SET NLS_TERRITORY = C;\n"
        "CREATE USER \xC3\xA1rp\xC3\xA1\x64 IDENTIFIED BY titok;\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(Dump("SYSDB", "sequencies").find("SZ\xC3\x81ML\xC3\x81L\xC3\x93"), std::string::npos)
        << Dump("SYSDB", "sequencies");

    // Both spellings draw from the one sequence.
    run = Script(
        "INSERT INTO Gepjarmu (GJ_ID) VALUES (sz\xC3\xA1ml\xC3\xA1l\xC3\xB3.nextval);\n"
        "INSERT INTO Gepjarmu (GJ_ID) VALUES (SZ\xC3\x81ML\xC3\x81L\xC3\x93.nextval);\nCOMMIT;\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(Dump().find("\n10,,0,0,0\n11,,0,0,0\n"), std::string::npos) << Dump();

    // Each user logs in by either spelling, whatever locale made it.
    const std::vector<std::vector<std::string>> logins = {
        {"j\xC3\xB3zsi", "jelsz\xC3\xB3"},
        {"J\xC3\x93ZSI", "JELSZ\xC3\x93"},
        {"\xC3\xA1rp\xC3\xA1\x64", "titok"},
        {"\xC3\x81RP\xC3\x81\x44", "TITOK"},
    };
    for (const std::vector<std::string>& login : logins) {
        SCOPED_TRACE(login[0]);
        run = Script("PRINT 'in';\n", {}, login[0], login[1]);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "in\n");
    }
}

TEST_F(LurSqlNothingInventedTest, AScriptThatCallsItselfRunsOnce) {
    Write("self.sql", "PRINT 'level';\n@ 'self.sql';\n@ 'self.sql';\n");
    const lurtest::ProgramRun run = LurSql({"GARAGE", "self.sql"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "level\n");
    EXPECT_NE(run.err.find("Script self.sql is already running: it is not run again."), std::string::npos) << run.err;
}

TEST_F(LurSqlNothingInventedTest, ADatabaseNameWithAColonIsRefused) {
    const lurtest::ProgramRun run = Script("CREATE DATABASE 'a:b';\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("CREATE DATABASE:ERROR:2022"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(service.Dir() + "/data/A.lurdb"));
}

// A 4-byte float keeps the float nearest what was written, whichever way it
// came in: the load, the import and INSERT store one value, and the dump and
// a SELECT show it alike.
constexpr const char* kFloatSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Meres\n"
    "  field M_ID l 4 u\n"
    "  field M_V  f 4 n\n";

class LurSqlFourByteFloatTest : public lurtest::LurSqlFixture {
protected:
    LurSqlFourByteFloatTest() : LurSqlFixture(kFloatSchema) {}
};

TEST_F(LurSqlFourByteFloatTest, LoadImportAndInsertStoreTheSameFloat) {
    const std::string load = Write("load.csv", "M_ID,M_V\n1,99999999999\n2,0.1\n");
    lurtest::ProgramRun run = Run("lurdbadm", {"load", "GARAGE", "Car", "Meres", load});
    ASSERT_EQ(run.status, 0) << run.err;
    run = LurSql({"--import", "Car.Meres", "GARAGE", Write("import.csv", "3,99999999999\n4,0.1\n")});
    ASSERT_EQ(run.status, 0) << run.err;
    run = Script("INSERT INTO Meres VALUES (5, 99999999999);\nINSERT INTO Meres VALUES (6, 0.1);\nCOMMIT;\n");
    ASSERT_EQ(run.status, 0) << run.err;

    EXPECT_EQ(Dump("Car", "Meres"),
              "M_ID,M_V\n1,99999997952\n2,0.10000000149011612\n3,99999997952\n4,0.10000000149011612\n"
              "5,99999997952\n6,0.10000000149011612\n");
    run = Script("SELECT M_ID, M_V FROM Meres WHERE M_ID >= 1;\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "M_ID,M_V\n1,99999997952\n2,0.100000001490116\n3,99999997952\n4,0.100000001490116\n"
              "5,99999997952\n6,0.100000001490116\n6 row selected.\n");
}

}  // namespace
