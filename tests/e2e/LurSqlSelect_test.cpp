// SELECT through lursql: a join of two tables printed as CSV, ORDER BY, a
// refused OR, and the server parameters.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>

#include "LurSqlFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Owner\n"
    "  field OW_ID   l 4  u\n"
    "  field OW_NAME c 20 d\n"
    "table Vehicle\n"
    "  field VE_ID    l 4  u\n"
    "  field VE_OWNER l 4  d\n"
    "  field VE_PLATE c 11 d\n";

class LurSqlSelectTest : public lurtest::LurSqlFixture {
protected:
    LurSqlSelectTest() : LurSqlFixture(kSchema) {
        service.Load("Car", "Owner", "OW_ID,OW_NAME\n1,\xC3\x81rp\xC3\xA1\x64\n2,Bea\n");
        service.Load("Car", "Vehicle", "VE_ID,VE_OWNER,VE_PLATE\n10,1,AAA-111\n11,2,BBB-222\n12,1,CCC-333\n");
    }
};

TEST_F(LurSqlSelectTest, PrintsAJoinOfTwoTables) {
    const lurtest::ProgramRun run = Script(
        "SELECT ow_name AS name, ve_plate FROM owner, vehicle WHERE vehicle.ve_owner = owner.ow_id "
        "AND owner.ow_name = '\xC3\x81rp\xC3\xA1\x64';\n"
        "SELECT ve_plate FROM vehicle WHERE ve_id >= 11 ORDER BY ve_plate DESC;\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "name,VE_PLATE\n\xC3\x81rp\xC3\xA1\x64,AAA-111\n\xC3\x81rp\xC3\xA1\x64,CCC-333\n2 row selected.\n"
              "VE_PLATE\nCCC-333\nBBB-222\n2 row selected.\n")
        << run.err;
}

TEST_F(LurSqlSelectTest, RefusesWhatOneSearchCannotAnswer) {
    const lurtest::ProgramRun run = Script("SELECT ve_plate FROM vehicle WHERE ve_id = 10 OR ve_id = 11;\n");
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("SELECT:ERROR:2024"), std::string::npos) << run.err;
}

TEST_F(LurSqlSelectTest, ReadsServerParameters) {
    const lurtest::ProgramRun run = Script("SELECT volumeid FROM system;\n");
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.out.rfind("volumeid\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\n1 row selected.\n"), std::string::npos) << run.out;
}

}  // namespace
