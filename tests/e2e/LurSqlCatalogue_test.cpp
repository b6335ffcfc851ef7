// lursql running the catalogue statements a user can run today: a sequence
// created, described in the catalogue and dropped, a table described, and
// the server's network lock set.
#include <gtest/gtest.h>

#include <string>

#include "LurSqlFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n"
    "  field Rendszam c 11 d\n";

class LurSqlCatalogueTest : public lurtest::LurSqlFixture {
protected:
    LurSqlCatalogueTest() : LurSqlFixture(kSchema) {}
    std::string Sequences() const { return Dump("SYSDB", "sequencies"); }
};

TEST_F(LurSqlCatalogueTest, CreatesDescribesAndDropsThroughTheConsole) {
    lurtest::ProgramRun result = Script(
        "CREATE SEQUENCE orders START WITH 5 INCREMENT_BY 2 MAXVALUE 9 CYCLE;\n"
        "DESCRIBE Gepjarmu;\n"
        "ALTER SYSTEM SET NETLOCK = true;\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "ORDERS sequence created.\n"
              "create table GEPJARMU(\n  GJ_ID  NUMBER(10),\n  RENDSZAM  VARCHAR2(11));\n\n"
              "System altered: NETLOCK set from false to true.\n");
    EXPECT_NE(Sequences().find("ORDERS,2,5,9,0,1,0"), std::string::npos) << Sequences();

    result = Script("DROP SEQUENCE orders;\nCREATE INDEX i;\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "ORDERS sequence dropped.\n");
    EXPECT_EQ(result.err.substr(0, 18), "CREATE:ERROR:2012\n") << result.err;
    EXPECT_EQ(Sequences().find("ORDERS"), std::string::npos) << Sequences();
}

}  // namespace
