// A database's life through lursql: created by a statement, given a user
// with lurdbadm, logged in to, then dropped, leaving no store and no
// registered settings behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "LurSqlFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n";

class LurSqlDatabaseTest : public lurtest::LurSqlFixture {
protected:
    LurSqlDatabaseTest() : LurSqlFixture(kSchema) {}
    // One statement given as a script file, run by lursql as the user.
    lurtest::ProgramRun Statement(const std::string& database, const std::string& user, const std::string& password,
                                  const std::string& text) const {
        return Run("lursql", {"--status", "-u", user, "-p", password, database, Write("statement.sql", text)});
    }
    bool Registered(const std::string& name) const {
        std::ifstream registry(service.Dir() + "/registry.reg");
        std::string line;
        const std::string key = "\\" + name + "]";
        while (std::getline(registry, line))
            if (line.size() > key.size() && line.compare(line.size() - key.size(), key.size(), key) == 0) return true;
        return false;
    }
};

TEST_F(LurSqlDatabaseTest, CreatedDatabaseTakesALoginAndIsDroppedWhole) {
    lurtest::ProgramRun run = Statement("GARAGE", "owner", "key", "CREATE DATABASE SALES;\n");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "CREATE DATABASE:SUCCESS:0\nDatabase SALES created.\n\n");
    const std::string store = service.Dir() + "/data/SALES.lurdb";
    EXPECT_TRUE(std::filesystem::exists(store));
    EXPECT_TRUE(Registered("SALES"));

    run = Run("lurdbadm", {"add-user", "SALES", "clerk", "pass"});
    ASSERT_EQ(run.status, 0) << run.err;
    run = Statement("SALES", "clerk", "pass", "PRINT 'in sales';\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "PRINT:SUCCESS:0\nin sales\n");

    run = Statement("GARAGE", "owner", "key", "DROP DATABASE SALES;\n");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "DROP DATABASE:SUCCESS:0\nDatabase SALES dropped.\n\n");
    EXPECT_FALSE(std::filesystem::exists(store));
    EXPECT_FALSE(Registered("SALES"));
    run = Statement("SALES", "clerk", "pass", "PRINT 'gone';\n");
    EXPECT_NE(run.status, 0);
}

}  // namespace
