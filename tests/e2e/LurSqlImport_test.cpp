// lursql --import as a user runs it: a CSV file written as UTF-8 into a
// table of a service made with lurdbadm, the message and the exit status.
#include <gtest/gtest.h>

#include <string>

#include "LurSqlFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n"
    "  field Rendszam c 11 d\n";

class LurSqlImportTest : public lurtest::LurSqlFixture {
protected:
    LurSqlImportTest() : LurSqlFixture(kSchema) {}
    lurtest::ProgramRun Import(const std::string& target, const std::string& file) const {
        return LurSql({"--import", target, "GARAGE", file});
    }
};

TEST_F(LurSqlImportTest, ImportsAFileAndReportsLeftovers) {
    lurtest::ProgramRun result =
        Import("Car.Gepjarmu", Write("cars.csv", "1,\"AAA,111\"\r\n2,\xC3\xA1rv\xC3\xADz\r\n3\r\n"));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "2 record imported.\n1 values after the last whole record were not imported.\n");
    EXPECT_EQ(Dump(), "GJ_ID,Rendszam\n1,\"AAA,111\"\n2,\xC3\xA1rv\xC3\xADz\n");

    // The imported rows as a query finds them.
    const std::string select = Write("select.sql", "SELECT GJ_ID, Rendszam FROM Gepjarmu WHERE GJ_ID >= 2;\n");
    result = LurSql({"GARAGE", select});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "GJ_ID,RENDSZAM\n2,\xC3\xA1rv\xC3\xADz\n1 row selected.\n");
}

TEST_F(LurSqlImportTest, ARefusedImportKeepsNothing) {
    // The same id twice: the server refuses the second record, the whole
    // import is aborted.
    lurtest::ProgramRun result = Import("Car.Gepjarmu", Write("twice.csv", "1,A\n2,B\n1,C\n"));
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("lursql: error 10005"), std::string::npos) << result.err;
    EXPECT_EQ(Dump(), "GJ_ID,Rendszam\n");

    result = Import("Gepjarmu", Write("one.csv", "1,A\n"));
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("lursql: error 2000"), std::string::npos) << result.err;
    result = Import("Car.Gepjarmu", service.Dir() + "/missing.csv");
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(Run("lursql", {"--import", "Car.Gepjarmu", "GARAGE"}).status, 2);
    EXPECT_EQ(Dump(), "GJ_ID,Rendszam\n");
}

}  // namespace
