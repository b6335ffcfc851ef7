// Users, roles and grants made by a lursql script, and lursql logging in as
// the user the script made, until the script that drops it.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>

#include "LurSqlFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n";

class LurSqlUsersTest : public lurtest::LurSqlFixture {
protected:
    LurSqlUsersTest() : LurSqlFixture(kSchema) {}
    // lursql as the user on the script, printing every status.
    lurtest::ProgramRun LurSqlAs(const std::string& user, const std::string& password,
                                 const std::string& script) const {
        return Script(script, {"--status"}, user, password);
    }
};

TEST_F(LurSqlUsersTest, AUserMadeByAScriptLogsInUntilDropped) {
    lurtest::ProgramRun run = LurSqlAs("owner", "key",
                                       "CREATE SEQUENCE gj_seq;\n"
                                       "CREATE USER Scott IDENTIFIED BY Tiger;\n"
                                       "CREATE ROLE clerk;\n"
                                       "GRANT create session, clerk TO scott;\n"
                                       "GRANT select any table ON Gepjarmu TO clerk WITH GRANT OPTION;\n");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out,
              "CREATE SEQUENCE:SUCCESS:0\nGJ_SEQ sequence created.\n"
              "CREATE USER:SUCCESS:0\nUser SCOTT created succesfuly!\n"
              "CREATE ROLE:SUCCESS:0\nRole CLERK created succesfuly!\n"
              "GRANT:SUCCESS:0\nRole(s) granted.\n"
              "GRANT:SUCCESS:0\nRole(s) granted.\n");

    run = LurSqlAs("scott", "tiger", "PRINT 'in';\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "PRINT:SUCCESS:0\nin\n");

    run = LurSqlAs("owner", "key", "DROP USER scott;\nDROP ROLE clerk;\nDROP SEQUENCE gj_seq;\n");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out,
              "DROP USER:SUCCESS:0\nUser SCOTT dropped!\n"
              "DROP ROLE:SUCCESS:0\nRole CLERK dropped!\n"
              "DROP SEQUENCE:SUCCESS:0\nGJ_SEQ sequence dropped.\n");

    run = LurSqlAs("scott", "tiger", "PRINT 'in';\n");
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("refused"), std::string::npos) << run.err;
}

}  // namespace
