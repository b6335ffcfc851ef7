// ALTER SYSTEM (the server's "debuglog" and "net_lock") and ALTER SESSION
// (the process's locale) through the SQL session.
#include <gtest/gtest.h>

#include <string>

#include "ConnectionFixture.h"
#include "Crt.h"
#include "FunctionLoader.h"
#include "RdmFileImport.h"
#include "RdmSqlExec.h"
#include "RdmTable.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Meres\n"
    "  field M_ID l 4 u\n"
    "  field Ertek F 8 n\n";

class SqlSettingsTest : public ::testing::Test {
protected:
    SqlSettingsTest() { session.SetSession(fixture.Tablespaces(), false); }
    ~SqlSettingsTest() override { win::crt::SetLocale("C"); }

    std::string Run(const std::string& text) {
        session.RunText(text.c_str());
        return session.GetStatus();
    }
    std::string Message() { return session.GetSqlResultText(); }
    std::string ServerParam(const char* name) {
        std::string value;
        fixture.Tablespaces().GetServerParam(name, value);
        return value;
    }

    lurtest::ConnectionFixture fixture{kSchema, "SQLSETTINGS"};
    RdmFileImport session;
};

TEST_F(SqlSettingsTest, LogMaskTextNamesTheBits) {
    const std::pair<const char*, const char*> cases[] = {
        {"0", "NO"},
        {"", "NO"},
        {"x", "NO"},
        {"1", "ALL"},
        {"3", "ALL, DML"},
        {"18", "DML, QUERY"},
        {"1023", "ALL, DML, TRANSACTION, CONNECT, QUERY, PARAMETERS, SQL, LOCKING, DDL, PERFORMANCE"},
        {"2048", ""},  // bits without a word are left out
    };
    for (const auto& [mask, words] : cases) EXPECT_EQ(RdmSqlExec::LogMaskText(mask), words) << mask;
}

TEST_F(SqlSettingsTest, LogLevelSetsTheMask) {
    struct Case {
        const char* statement;
        const char* status;
        const char* mask;     // "debuglog" afterwards
        const char* message;  // on success the whole message, else a piece of the error's text
    };
    const Case cases[] = {
        {"ALTER SYSTEM SET LOGLEVEL = DML;", "ALTER SYSTEM:SUCCESS:0", "2",
         "System altered: LOGLEVEL set from NO to DML."},
        {"ALTER SYSTEM SET LOGLEVEL = ALL;", "ALTER SYSTEM:SUCCESS:0", "1",
         "System altered: LOGLEVEL set from DML to ALL."},
        {"ALTER SYSTEM SET LOGLEVEL = DML AND QUERY;", "ALTER SYSTEM:SUCCESS:0", "18",
         "System altered: LOGLEVEL set from ALL to DML, QUERY."},
        {"alter system set loglevel = DML and = QUERY AND = DDL;", "ALTER SYSTEM:SUCCESS:0", "274",
         "System altered: LOGLEVEL set from DML, QUERY to DML, QUERY, DDL."},
        // NO and ALL replace what came before them.
        {"ALTER SYSTEM SET LOGLEVEL = DML AND NO AND SQL;", "ALTER SYSTEM:SUCCESS:0", "64",
         "System altered: LOGLEVEL set from DML, QUERY, DDL to DML, NO, SQL."},
        {"ALTER SYSTEM SET LOGLEVEL = DML AND DML;", "ALTER SYSTEM:SUCCESS:0", "2",
         "System altered: LOGLEVEL set from SQL to DML, DML."},
        {"ALTER SYSTEM SET LOGLEVEL;", "ALTER SYSTEM:SUCCESS:0", "0", "System altered: LOGLEVEL set from DML to ."},
        {"ALTER SYSTEM SET LOGLEVEL = dml;", "ALTER SYSTEM:ERROR:2027", "0", ".: dml)"},
        {"ALTER SYSTEM SET LOGLEVEL = DML QUERY;", "ALTER SYSTEM:ERROR:2020", "0", ".: QUERY)"},
        {"ALTER SYSTEM SET LOGLEVEL DML;", "ALTER SYSTEM:ERROR:2031", "0", ".: )"},
        {"ALTER SYSTEM LOGLEVEL = DML;", "ALTER SYSTEM:ERROR:2020", "0", "Missing SET directive!"},
        {"ALTER SYSTEM SET TIMEOUT = 5;", "ALTER SYSTEM:ERROR:2019", "0", ".: =)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(Run(c.statement), c.status);
        EXPECT_EQ(ServerParam("debuglog"), c.mask);
        if (std::string(c.status).find("SUCCESS") != std::string::npos) {
            EXPECT_EQ(Message(), c.message);
        } else {
            EXPECT_EQ(Message().substr(0, 22), "Cannot alter system.\r\n");
            EXPECT_NE(Message().find(c.message), std::string::npos) << Message();
        }
    }
}

TEST_F(SqlSettingsTest, NetLockTakesTrueOrFalse) {
    EXPECT_EQ(ServerParam("net_lock"), "0");
    EXPECT_EQ(Run("ALTER SYSTEM SET NETLOCK = True;"), "ALTER SYSTEM:SUCCESS:0");
    EXPECT_EQ(Message(), "System altered: NETLOCK set from false to True.");
    EXPECT_EQ(ServerParam("net_lock"), "1");
    EXPECT_EQ(Run("ALTER SYSTEM SET netlock = yes;"), "ALTER SYSTEM:ERROR:2022");
    EXPECT_NE(Message().find(".: yes)"), std::string::npos) << Message();
    EXPECT_EQ(ServerParam("net_lock"), "1");
    EXPECT_EQ(Run("ALTER SYSTEM SET NETLOCK FALSE;"), "ALTER SYSTEM:ERROR:2031");
    EXPECT_EQ(Run("ALTER SYSTEM SET NETLOCK = FALSE;"), "ALTER SYSTEM:SUCCESS:0");
    EXPECT_EQ(Message(), "System altered: NETLOCK set from true to FALSE.");
    EXPECT_EQ(ServerParam("net_lock"), "0");
}

TEST_F(SqlSettingsTest, AlterSessionSetsTheProcessLocale) {
    const struct {
        const char* statement;
        const char* status;
        const char* detail;
    } refused[] = {
        {"ALTER SESSION SET NLS_TERRITORY = Klingon;", "ALTER SESSION:ERROR:2022", ".: Klingon)"},
        {"ALTER SESSION SET NLS_TERRITORY = hu_HU x;", "ALTER SESSION:ERROR:2020", ".: ;)"},
        {"ALTER SESSION SET DATEFORMAT = x;", "ALTER SESSION:ERROR:2027", ".: DATEFORMAT)"},
        {"ALTER SESSION NLS_TERRITORY = hu_HU;", "ALTER SESSION:ERROR:2020", "Missing SET directive!"},
        {"ALTER SESSION SET NLS_TERRITORY hu_HU;", "ALTER SESSION:ERROR:2031", ".: )"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(Run(c.statement), c.status);
        EXPECT_EQ(Message().substr(0, 23), "Cannot alter session.\r\n");
        EXPECT_NE(Message().find(c.detail), std::string::npos) << Message();
        EXPECT_STREQ(win::crt::LocaleName(), "C");
    }
    EXPECT_EQ(win::crt::ToUpper(0xE1), 0xE1);

    EXPECT_EQ(Run("ALTER SESSION SET NLS_TERRITORY = 'Hungarian_Hungary.1250';"), "ALTER SESSION:SUCCESS:0");
    EXPECT_EQ(Message(), "Session altered: NLS_TERRITORY set from C to Hungarian_Hungary.1250.");
    EXPECT_EQ(win::crt::ToUpper(0xE1), 0xC1);  // "á" upper-cases to "Á" now

    // Number text keeps its "." whatever the locale.
    RdmTable meres(fixture.Tablespaces().GetDesc("CAR"), "Meres");
    meres.Fld("Ertek").SetString("2.25");
    EXPECT_DOUBLE_EQ(meres.Fld("Ertek").GetDouble(), 2.25);
    EXPECT_EQ(meres.Fld("Ertek").GetString().substr(0, 4), "2.25");

    EXPECT_EQ(Run("ALTER SESSION SET NLS_TERRITORY = C;"), "ALTER SESSION:SUCCESS:0");
    EXPECT_EQ(Message(), "Session altered: NLS_TERRITORY set from Hungarian_Hungary.1250 to C.");
    EXPECT_EQ(win::crt::ToUpper(0xE1), 0xE1);
}

}  // namespace
