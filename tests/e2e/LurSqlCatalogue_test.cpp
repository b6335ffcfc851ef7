// lursql running the catalogue statements a user can run today: a sequence
// created, described in the catalogue and dropped, a table described, and
// the server's network lock set.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "RunProgram.h"
#include "ServiceFixture.h"

namespace {

using lurtest::BinDir;

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n"
    "  field Rendszam c 11 d\n";

class LurSqlCatalogueTest : public ::testing::Test {
protected:
    lurtest::ProgramRun Run(const std::string& program, const std::vector<std::string>& args) {
        return lurtest::RunProgram(
            {BinDir() + "/" + program, args, service.Dir() + "/stdout.txt", service.Dir() + "/stderr.txt"});
    }
    // lursql running the script text as the service's owner.
    lurtest::ProgramRun LurSql(const std::string& script) {
        const std::string path = service.Dir() + "/script.sql";
        std::ofstream(path, std::ios::binary) << script;
        return Run("lursql", {"-u", "owner", "-p", "key", "GARAGE", path});
    }
    std::string Sequences() { return Run("lurdbadm", {"dump", "GARAGE", "SYSDB", "sequencies"}).out; }

    lurtest::ServiceFixture service{kSchema, "GARAGE", "owner", "key"};
};

TEST_F(LurSqlCatalogueTest, CreatesDescribesAndDropsThroughTheConsole) {
    lurtest::ProgramRun result = LurSql(
        "CREATE SEQUENCE orders START WITH 5 INCREMENT_BY 2 MAXVALUE 9 CYCLE;\n"
        "DESCRIBE Gepjarmu;\n"
        "ALTER SYSTEM SET NETLOCK = true;\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "ORDERS sequence created.\n"
              "create table GEPJARMU(\n  GJ_ID  NUMBER(10),\n  RENDSZAM  VARCHAR2(11));\n\n"
              "System altered: NETLOCK set from false to true.\n");
    EXPECT_NE(Sequences().find("ORDERS,2,5,9,0,1,0"), std::string::npos) << Sequences();

    result = LurSql("DROP SEQUENCE orders;\nCREATE INDEX i;\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "ORDERS sequence dropped.\n");
    EXPECT_EQ(result.err.substr(0, 18), "CREATE:ERROR:2012\n") << result.err;
    EXPECT_EQ(Sequences().find("ORDERS"), std::string::npos) << Sequences();
}

}  // namespace
