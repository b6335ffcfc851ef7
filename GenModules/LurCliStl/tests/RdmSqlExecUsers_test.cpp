// CREATE/ALTER/DROP USER and ROLE, GRANT and REVOKE through the SQL session:
// the SYSDB rows they write, and logins of the users they make.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "ConnectionFixture.h"
#include "FunctionLoader.h"
#include "RdmFileImport.h"
#include "RdmSqlExec.h"
#include "RdmTable.h"
#include "StringScrambler.h"

namespace {

constexpr const char* kSchema =
    "tablespace Sales 7 1.0.0.0\n"
    "table Orders\n"
    "  field ID l 4 u\n";

// A name or password as "dbuser" keeps it: upper case, scrambled.
std::string Stored(std::string text) {
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    StringScrambler().Scramble(static_cast<int32_t>(text.size()), text.data());
    return text;
}

struct Failure {
    std::string statement;
    std::string status;
    std::string text;  // found in the message
};

class SqlUsersTest : public ::testing::Test {
protected:
    SqlUsersTest() { session.SetSession(fixture.Tablespaces(), false); }

    // Runs one statement; its status, and its message in *message.
    std::string Run(const std::string& statement, std::string* message = nullptr) {
        session.RunText(statement.c_str());
        if (message) *message = session.GetSqlResultText();
        return session.GetStatus();
    }

    // The rows of a SYSDB table as the fields' texts joined by "|".
    std::vector<std::string> Rows(const std::string& table, const std::vector<std::string>& fields) {
        DbDesc catalogue = fixture.Tablespaces().GetDescCopy("SYSDB");
        RdmTable rows(&catalogue, table);
        std::vector<std::string> texts;
        if (!rows.FindList("", 5)) return texts;
        for (bool more = rows.ListMove(0); more; more = rows.ListNext()) {
            std::string text;
            for (const std::string& field : fields) text += (text.empty() ? "" : "|") + rows.Fld(field).GetString();
            texts.push_back(text);
        }
        return texts;
    }

    // The id of a "dbuser" row by name, -1 when none.
    int32_t UserId(const std::string& name) {
        DbDesc catalogue = fixture.Tablespaces().GetDescCopy("SYSDB");
        RdmTable users(&catalogue, "dbuser");
        users.Fld("name").SetString(Stored(name));
        return users.FindRecByKey("name") ? users.Fld("userid").GetLong() : -1;
    }

    // The client library's answer to a login of the user.
    int32_t Login(const std::string& user, const std::string& password) {
        LuConn settings;
        ConnectInfo info;
        EXPECT_TRUE(settings.ReadClientSettings(fixture.Service().Service(), info));
        info.SetText(ConnectInfo::kUser, user);
        info.SetText(ConnectInfo::kPassword, password);
        FunctionLoader& client = GetFunctionLoader();
        int32_t handle = 0;
        EXPECT_EQ(client.pfCreateDbHandler(&handle), 0);
        const int32_t status = client.pfInitUserEx(handle, info.Data());
        client.pfFreeDbHandler(handle);
        return status;
    }

    void ExpectFailures(const std::vector<Failure>& failures) {
        for (const Failure& f : failures) {
            SCOPED_TRACE(f.statement);
            std::string message;
            EXPECT_EQ(Run(f.statement, &message), f.status);
            EXPECT_NE(message.find(f.text), std::string::npos) << message;
        }
    }

    lurtest::ConnectionFixture fixture{kSchema, "SQLUSERS"};
    RdmFileImport session;
};

// ---- users and roles ------------------------------------------------------------------------

TEST_F(SqlUsersTest, UsersMadeBySqlLogInAsTheirClausesSay) {
    std::string message;
    ASSERT_EQ(Run("CREATE USER scott IDENTIFIED BY tiger;", &message), "CREATE USER:SUCCESS:0");
    EXPECT_EQ(message, "User SCOTT created succesfuly!");
    EXPECT_EQ(Login("Scott", "TIGER"), 0);
    EXPECT_EQ(Login("scott", "lion"), 10068);

    ASSERT_EQ(Run("ALTER USER Scott IDENTIFIED BY lion ACCOUNT LOCK;", &message), "ALTER USER:SUCCESS:0");
    EXPECT_EQ(message, "User Scott altered!");
    EXPECT_EQ(Login("scott", "lion"), 10067);
    ASSERT_EQ(Run("ALTER USER scott ACCOUNT UNLOCK TYPE HIDDEN;"), "ALTER USER:SUCCESS:0");
    EXPECT_EQ(Login("scott", "LION"), 0);
    EXPECT_EQ(Rows("dbuser", {"type"}).back(), std::string(1, '\x02'));

    ASSERT_EQ(Run("CREATE USER keeper ACCOUNT LOCK TYPE HIDDEN;"), "CREATE USER:SUCCESS:0");
    EXPECT_EQ(Login("keeper", ""), 10067);

    // A hidden user is a user: DROP USER takes it.
    ASSERT_EQ(Run("DROP USER scott;", &message), "DROP USER:SUCCESS:0");
    EXPECT_EQ(message, "User SCOTT dropped!");
    EXPECT_EQ(Login("scott", "lion"), 10014);

    // A name that fills the field but for its zero is a name like any.
    const std::string longest(31, 'L');
    ASSERT_EQ(Run("CREATE USER " + longest + " IDENTIFIED BY pw;"), "CREATE USER:SUCCESS:0");
    EXPECT_EQ(Login(longest, "pw"), 0);
}

TEST_F(SqlUsersTest, ARoleIsStoredWithoutPasswordAndNeverAltered) {
    std::string message;
    ASSERT_EQ(Run("CREATE ROLE clerk;", &message), "CREATE ROLE:SUCCESS:0");
    EXPECT_EQ(message, "Role CLERK created succesfuly!");
    const std::vector<std::string> rows = Rows("dbuser", {"name", "psw", "type", "enabled"});
    EXPECT_EQ(rows.back(), Stored("clerk") + "||" + std::string(1, '\x01') + "|" + std::string(1, '\x01'));

    ExpectFailures({{"ALTER USER clerk IDENTIFIED BY x;", "ALTER USER:ERROR:10002", "Can not alter role: clerk"},
                    {"DROP USER clerk;", "DROP USER:ERROR:10002", "Missing user: CLERK"},
                    {"DROP ROLE admin;", "DROP ROLE:ERROR:10002", "Missing role: ADMIN"},
                    {"DROP ROLE ghost;", "DROP ROLE:ERROR:10002", "Missing role: GHOST"}});
    EXPECT_EQ(Rows("dbuser", {"name", "psw", "type", "enabled"}), rows);
    EXPECT_EQ(Login("admin", "secret"), 0);
    ASSERT_EQ(Run("DROP ROLE clerk;", &message), "DROP ROLE:SUCCESS:0");
    EXPECT_EQ(message, "Role CLERK dropped!");
    EXPECT_EQ(UserId("clerk"), -1);
}

TEST_F(SqlUsersTest, MalformedStatementsWriteNothing) {
    ExpectFailures(
        {{"CREATE USER;", "CREATE USER:ERROR:2020", "Missing User or Role name!"},
         {"CREATE USER u IDENTIFIED x;", "CREATE USER:ERROR:2032", "Cannot create user: u"},
         {"CREATE USER u ACCOUNT OPEN;", "CREATE USER:ERROR:2020", "Missing LOCK or UNLOCK keyword after the ACCOUNT!"},
         {"CREATE USER u TYPE SECRET;", "CREATE USER:ERROR:2020", "Missing HIDDEN or VISIBLE keyword after the TYPE!"},
         // Clauses out of order: refused before anything is written.
         {"CREATE USER u TYPE HIDDEN ACCOUNT LOCK;", "CREATE USER:ERROR:2020", "Missing ';' from end of command!"},
         {"CREATE ROLE r extra;", "CREATE ROLE:ERROR:2020", "Missing ';' from end of command!"},
         {"ALTER USER admin TYPE HIDDEN ACCOUNT LOCK;", "ALTER USER:ERROR:2020", "Missing ';' from end of command!"},
         {"ALTER USER;", "ALTER USER:ERROR:2020", "Missing User name!"},
         {"ALTER USER nobody ACCOUNT LOCK;", "ALTER USER:ERROR:10002", "Missing user: nobody"},
         {"DROP USER admin extra;", "DROP USER:ERROR:2020", "Missing ';' from end of command!"},
         {"DROP USER;", "DROP USER:ERROR:2020", "Cannot drop user: "}});
    EXPECT_EQ(Rows("dbuser", {"userid"}).size(), 1u);
    EXPECT_EQ(Login("admin", "secret"), 0);
}

// ---- GRANT and REVOKE ------------------------------------------------------------------------

class SqlGrantTest : public SqlUsersTest {
protected:
    void SetUp() override {
        ASSERT_EQ(Run("CREATE USER scott IDENTIFIED BY tiger;"), "CREATE USER:SUCCESS:0");
        ASSERT_EQ(Run("CREATE ROLE clerk;"), "CREATE ROLE:SUCCESS:0");
        scott = std::to_string(UserId("scott"));
        clerk = std::to_string(UserId("clerk"));
        DbDesc catalogue = fixture.Tablespaces().GetDescCopy("SYSDB");
        RdmTable dictionary(&catalogue, "sysprivilegdict");
        dictionary.Fld("spname").SetString("CREATE SESSION");
        ASSERT_TRUE(dictionary.FindRecByKey("spkey"));
        createSession = dictionary.Fld("spid").GetString();
    }

    std::vector<std::string> Grants() { return Rows("sysprivilegs", {"dbuserid", "spid", "sp_object", "grantoption"}); }
    std::vector<std::string> Links() { return Rows("userlink", {"userid", "roleid", "grantoption"}); }

    std::string scott, clerk, createSession;
};

TEST_F(SqlGrantTest, GrantsPrivilegesAndRolesAndRevokesThem) {
    std::string message;
    ASSERT_EQ(Run("GRANT create session, clerk TO scott WITH GRANT OPTION;", &message), "GRANT:SUCCESS:0");
    EXPECT_EQ(message, "Role(s) granted.");
    EXPECT_EQ(Grants(), std::vector<std::string>{scott + "|" + createSession + "||1"});
    EXPECT_EQ(Links(), std::vector<std::string>{scott + "|" + clerk + "|1"});
    // No type check: a user can be granted to a role.
    ASSERT_EQ(Run("GRANT scott TO clerk;"), "GRANT:SUCCESS:0");
    EXPECT_EQ(Links().back(), clerk + "|" + scott + "|0");

    ASSERT_EQ(Run("REVOKE CREATE SESSION, clerk FROM scott WITH GRANT OPTION;", &message), "REVOKE:SUCCESS:0");
    EXPECT_EQ(message, "Role(s) revoked.");
    EXPECT_TRUE(Grants().empty());
    EXPECT_EQ(Links(), std::vector<std::string>{clerk + "|" + scott + "|0"});
}

TEST_F(SqlGrantTest, TheOnObjectIsATablespaceATableOrASequence) {
    ASSERT_EQ(Run("CREATE SEQUENCE orderno;"), "CREATE SEQUENCE:SUCCESS:0");
    struct Case {
        std::string on;
        std::string stored;
    };
    const Case cases[] = {
        {"sales", "sales"},
        {"sales.orders", "SALES.ORDERS"},
        {"orders", "SALES.ORDERS"},
        {"orderno", "orderno"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.on);
        ASSERT_EQ(Run("GRANT select any table ON " + c.on + " TO scott;"), "GRANT:SUCCESS:0");
        EXPECT_EQ(Rows("sysprivilegs", {"sp_object"}).back(), c.stored);
        ASSERT_EQ(Run("REVOKE select any table ON " + c.on + " FROM scott;"), "REVOKE:SUCCESS:0");
    }
    ExpectFailures(
        {{"GRANT select any table ON nothere TO scott;", "GRANT:ERROR:2020", "Unknown object."},
         {"GRANT select any table ON TO scott;", "GRANT:ERROR:2020", "Object name not found after ON clausure."}});
    EXPECT_TRUE(Grants().empty());
}

TEST_F(SqlGrantTest, RefusalsNameTheirCause) {
    ASSERT_EQ(Run("GRANT create session, clerk TO scott;"), "GRANT:SUCCESS:0");
    ExpectFailures(
        {{"GRANT create session TO scott;", "GRANT:ERROR:2020", "User alredy have privileg: CREATE SESSION"},
         {"GRANT clerk TO scott;", "GRANT:ERROR:2020", "User alredy have role: clerk"},
         {"GRANT clerk scott;", "GRANT:ERROR:2020", "TO keyword is missing!"},
         {"REVOKE clerk TO scott;", "REVOKE:ERROR:2020", "FROM keyword is missing!"},
         {"GRANT clerk TO ;", "GRANT:ERROR:2020", "Username not found!"},
         {"GRANT clerk TO nobody;", "GRANT:ERROR:2021", "Missing username: nobody"},
         {"GRANT clerk TO " + std::string(32, 'N') + ";", "GRANT:ERROR:2021", "Username to long: "},
         {"GRANT TO scott;", "GRANT:ERROR:2020", "Privileg not found!"},
         {"GRANT clerk TO scott extra;", "GRANT:ERROR:2020", "Missing ';' from end of command!"},
         {"GRANT clerk TO scott WITH OPTION;", "GRANT:ERROR:2020", "Missing 'GRANT' after 'WITH'!"},
         {"GRANT clerk TO scott WITH GRANT;", "GRANT:ERROR:2020", "Missing 'OPTION' after 'GRANT'!"},
         {"GRANT clerk TO scott WITH GRANT OPTION x;", "GRANT:ERROR:2020", "Missing ';' from end of command!"},
         {"REVOKE select any table FROM scott;", "REVOKE:ERROR:10002",
          "User have not privileg: SELECT any TABLE. Can't revoke.\n"},
         {"REVOKE scott FROM clerk;", "REVOKE:ERROR:10002", "User have not role: scott. Can't revoke.\n"},
         {"REVOKE nosuchname FROM scott;", "REVOKE:ERROR:2021",
          "Following system-privilege or role not found: nosuchname\n"}});
    EXPECT_EQ(Grants().size(), 1u);
    EXPECT_EQ(Links().size(), 1u);
}

TEST_F(SqlGrantTest, AFailingNameLeavesNoneOfTheStatementsNames) {
    const std::string longest(31, 'L');
    ASSERT_EQ(Run("CREATE USER " + longest + ";"), "CREATE USER:SUCCESS:0");
    ExpectFailures({{"GRANT create session, bogus, clerk TO scott;", "GRANT:ERROR:2020",
                     "Following system-privilege or role not found: bogus\n"},
                    {"GRANT create session, clerk, clerk TO " + longest + ";", "GRANT:ERROR:2020",
                     "User alredy have role: clerk"}});
    EXPECT_TRUE(Grants().empty());
    EXPECT_TRUE(Links().empty());

    ASSERT_EQ(Run("GRANT create session, clerk TO " + longest + ";"), "GRANT:SUCCESS:0");
    ASSERT_EQ(Run("GRANT clerk TO scott;"), "GRANT:SUCCESS:0");
    EXPECT_EQ(Run("REVOKE clerk, create session FROM scott;"), "REVOKE:ERROR:10002");
    EXPECT_EQ(Links().size(), 2u);
}

TEST_F(SqlGrantTest, CommitsAndGivesUpTheSessionsTransactionFirst) {
    RdmTable orders(session.GetDesc("SALES"), "Orders");
    const SqlStatement statement{{";", 1, 1, SqlTokenKind::Separator}};
    RdmSqlExec(&session).BeginTransIfNeeded(orders, statement.begin());
    ASSERT_TRUE(session.HoldsTransaction());
    orders.Fld("ID").SetLong(7);
    orders.NewRec();

    ASSERT_EQ(Run("GRANT create session TO scott;"), "GRANT:SUCCESS:0");
    EXPECT_FALSE(session.HoldsTransaction());
    EXPECT_EQ(fixture.Dump("Sales", "Orders"), "ID\n7\n");
    // Its own transaction is over too: a failing grant takes back only itself.
    EXPECT_EQ(Run("GRANT clerk, bogus TO scott;"), "GRANT:ERROR:2020");
    EXPECT_EQ(Grants().size(), 1u);
    EXPECT_TRUE(Links().empty());
}

TEST_F(SqlGrantTest, DroppingAUserOrRoleTakesItsGrantsAlong) {
    ASSERT_EQ(Run("GRANT create session, clerk TO scott;"), "GRANT:SUCCESS:0");
    ASSERT_EQ(Run("CREATE USER other;"), "CREATE USER:SUCCESS:0");
    ASSERT_EQ(Run("GRANT clerk, create session TO other;"), "GRANT:SUCCESS:0");
    const std::string other = std::to_string(UserId("other"));

    ASSERT_EQ(Run("DROP USER scott;"), "DROP USER:SUCCESS:0");
    EXPECT_EQ(Grants(), std::vector<std::string>{other + "|" + createSession + "||0"});
    EXPECT_EQ(Links(), std::vector<std::string>{other + "|" + clerk + "|0"});
    ASSERT_EQ(Run("DROP ROLE clerk;"), "DROP ROLE:SUCCESS:0");
    EXPECT_TRUE(Links().empty());
    EXPECT_EQ(Grants().size(), 1u);
}

}  // namespace
