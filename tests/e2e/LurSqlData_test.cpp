// lursql changing data as a user runs it: INSERT, UPDATE and DELETE scripts
// checked with lurdbadm dump, a refused WHERE, the transaction a script
// leaves open, and a nested script's COMMIT.
#include <gtest/gtest.h>

#include <string>

#include "LurSqlFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n"
    "  field Rendszam c 11 d\n"
    "  field Tomeg l 4 n\n";

class LurSqlDataTest : public lurtest::LurSqlFixture {
protected:
    LurSqlDataTest() : LurSqlFixture(kSchema) {}
};

TEST_F(LurSqlDataTest, InsertsUpdatesAndDeletes) {
    lurtest::ProgramRun result = Script(
        "INSERT INTO Gepjarmu VALUES (1, 'AAA-111', 1200);\n"
        "INSERT INTO Car.Gepjarmu (GJ_ID, Rendszam) VALUES (2, '\xC3\x81RV-1');\n"
        "INSERT INTO Gepjarmu (GJ_ID, Tomeg) VALUES (3, 900);\n"
        "UPDATE Gepjarmu SET Tomeg = 1500 WHERE Rendszam = '\xC3\x81RV-1';\n"
        "DELETE FROM Gepjarmu WHERE GJ_ID = 3;\n"
        "COMMIT;\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "1 record inserted.\n1 record inserted.\n1 record inserted.\n1 record updated.\n"
              "1 record deleted.\nTransaction commited.\n");
    EXPECT_EQ(Dump(), "GJ_ID,Rendszam,Tomeg\n1,AAA-111,1200\n2,\xC3\x81RV-1,1500\n");

    // OR cannot be one search: refused, and nothing deleted.
    result = Script("DELETE FROM Gepjarmu WHERE GJ_ID = 1 OR GJ_ID = 2;\nCOMMIT;\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.substr(0, 18), "DELETE:ERROR:2024\n") << result.err;
    EXPECT_EQ(Dump(), "GJ_ID,Rendszam,Tomeg\n1,AAA-111,1200\n2,\xC3\x81RV-1,1500\n");
}

TEST_F(LurSqlDataTest, ChangesWithoutCommitAreRolledBack) {
    lurtest::ProgramRun result = Script("INSERT INTO Gepjarmu VALUES (1, 'A', 1);\nDELETE FROM Gepjarmu;\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "1 record inserted.\n1 record deleted.\n");
    EXPECT_NE(result.err.find("it was rolled back"), std::string::npos) << result.err;
    EXPECT_EQ(Dump(), "GJ_ID,Rendszam,Tomeg\n");

    // A nested script's COMMIT ends the transaction the outer script began.
    Write("commit.sql", "COMMIT;\n");
    result = Script("INSERT INTO Gepjarmu VALUES (2, 'B', 2);\n@ 'commit.sql';\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Dump(), "GJ_ID,Rendszam,Tomeg\n2,B,2\n");
}

TEST_F(LurSqlDataTest, ANestedCommitKeepsWhatCameBeforeItOnly) {
    // The outer script's transaction ends with the nested COMMIT; what the
    // outer script changes after it is a new transaction, left open and
    // rolled back at the end.
    Write("commit.sql", "UPDATE Gepjarmu SET Tomeg = 150 WHERE GJ_ID = 1;\nCOMMIT;\n");
    const lurtest::ProgramRun result = Script(
        "INSERT INTO Gepjarmu VALUES (1, 'A', 100);\n"
        "INSERT INTO Gepjarmu VALUES (2, 'B', 200);\n"
        "@ 'commit.sql';\n"
        "INSERT INTO Gepjarmu VALUES (3, 'C', 300);\n"
        "UPDATE Gepjarmu SET Tomeg = 999 WHERE GJ_ID = 1;\n"
        "DELETE FROM Gepjarmu WHERE GJ_ID = 2;\n");
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.out,
              "1 record inserted.\n1 record inserted.\n1 record updated.\nTransaction commited.\n"
              "1 record inserted.\n1 record updated.\n1 record deleted.\n");
    EXPECT_NE(result.err.find("it was rolled back"), std::string::npos) << result.err;
    EXPECT_EQ(Dump(), "GJ_ID,Rendszam,Tomeg\n1,A,150\n2,B,200\n");
}

}  // namespace
