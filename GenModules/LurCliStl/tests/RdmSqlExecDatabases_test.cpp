// CREATE and DROP DATABASE (the server's store and the registered client
// settings) and ALTER DATABASE ADD/DROP BLOBFILE (SYSDB's "fileblobs"),
// run through the SQL session against a service of the client library.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ConnectInfo.h"
#include "ConnectionFixture.h"
#include "FunctionLoader.h"
#include "LuConn.h"
#include "RdmFileImport.h"
#include "ScopedClientFunction.h"

using lurtest::ScopedClientFunction;

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n";

// What CREATE DATABASE sent to the client library; the call goes on to the
// library's own function.
struct CreateCall {
    std::string name;
    std::string databasePath;
    std::string archivePath;
};
std::vector<CreateCall> g_createCalls;
lurdbcli::CreateDatabaseFn g_realCreate = nullptr;

int32_t RecordCreate(int32_t handle, const char* name, const char* databasePath, const char* archivePath) {
    g_createCalls.push_back({name, databasePath, archivePath});
    return g_realCreate(handle, name, databasePath, archivePath);
}

class SqlDatabaseTest : public ::testing::Test {
protected:
    SqlDatabaseTest() {
        session.SetSession(fixture.Tablespaces(), false);
        g_createCalls.clear();
    }

    // Runs one statement; its status.
    std::string Run(const std::string& statement) {
        session.RunText(statement.c_str());
        return session.GetStatus();
    }
    std::string Message() { return session.GetSqlResultText(); }

    static bool Registered(const std::string& name, ConnectInfo* info = nullptr) {
        ConnectInfo settings;
        const bool found = LuConn().ReadClientSettings(name, settings);
        if (info) *info = settings;
        return found;
    }
    bool StoreExists(const std::string& service) {
        return std::filesystem::exists(fixture.Service().Dir() + "/data/" + service + ".lurdb");
    }

    lurtest::ConnectionFixture fixture{kSchema, "SQLDB"};
    RdmFileImport session;
    // The library's own function, taken before the recorder replaces it.
    lurdbcli::CreateDatabaseFn realCreate = g_realCreate = GetFunctionLoader().pfCreateDatabase;
    ScopedClientFunction<lurdbcli::CreateDatabaseFn> recorder{GetFunctionLoader().pfCreateDatabase, &RecordCreate};
};

// ---- CREATE DATABASE -------------------------------------------------------------------------

TEST_F(SqlDatabaseTest, CreateSendsDefaultsOrClausesAndRegistersTheSettings) {
    struct Case {
        std::string statement;
        std::string name;  // as registered and reported
        std::string sentName;
        std::string databasePath;
        std::string archivePath;
        std::string server;
    };
    const Case cases[] = {
        {"CREATE DATABASE sales;", "sales", "sales", "%DBHOME%\\sales", "%ARCHIVEHOME%\\sales", "localhost"},
        {"CREATE DATABASE north ON dbsrv COLLATE hu DBPATH '/srv/db' ARCHIVE '/srv/arc';", "north", "north:hu",
         "/srv/db", "/srv/arc", "dbsrv"},
        {"create database south archive '/a';", "south", "south", "%DBHOME%\\south", "/a", "localhost"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        g_createCalls.clear();
        EXPECT_EQ(Run(c.statement), "CREATE DATABASE:SUCCESS:0");
        EXPECT_EQ(Message(), "Database " + c.name + " created.\n");
        ASSERT_EQ(g_createCalls.size(), 1u);
        EXPECT_EQ(g_createCalls[0].name, c.sentName);
        EXPECT_EQ(g_createCalls[0].databasePath, c.databasePath);
        EXPECT_EQ(g_createCalls[0].archivePath, c.archivePath);

        ConnectInfo settings;
        ASSERT_TRUE(Registered(c.name, &settings));
        EXPECT_EQ(settings.GetText(ConnectInfo::kService), c.name);
        EXPECT_EQ(settings.GetText(ConnectInfo::kServer), c.server);
        EXPECT_EQ(settings.GetText(ConnectInfo::kOpenMode), "s");
        EXPECT_EQ(settings.GetText(ConnectInfo::kUser), "");
        EXPECT_EQ(settings.GetInt(ConnectInfo::kTimeout), 0);
    }
    EXPECT_TRUE(StoreExists("SALES"));
}

TEST_F(SqlDatabaseTest, RefusedCreatesAndDropsChangeNothing) {
    const std::string longName(32, 'n');
    struct Case {
        std::string statement;
        std::string status;
        std::string text;  // part of the error's text
    };
    const Case cases[] = {
        {"CREATE DATABASE;", "CREATE DATABASE:ERROR:2020", "Missing database name!"},
        {"CREATE DATABASE sales ON;", "CREATE DATABASE:ERROR:2020", "Missing value after ON clausure!"},
        {"CREATE DATABASE sales COLLATE;", "CREATE DATABASE:ERROR:2020", "Missing value after COLLATE clausure!"},
        {"CREATE DATABASE sales DBPATH;", "CREATE DATABASE:ERROR:2020", "Missing value after DBPATH clausure!"},
        {"CREATE DATABASE sales ARCHIVE;", "CREATE DATABASE:ERROR:2020", "Missing value after ARCHIVE clausure!"},
        // clauses out of order, repeated or followed by anything
        {"CREATE DATABASE sales DBPATH p ON h;", "CREATE DATABASE:ERROR:2020", " ON"},
        {"CREATE DATABASE sales ON h ON h;", "CREATE DATABASE:ERROR:2020", " ON"},
        {"CREATE DATABASE sales extra;", "CREATE DATABASE:ERROR:2020", "extra"},
        // names that do not fit the settings, leave the data directory, or
        // hold the colon that the server reads a collation after
        {"CREATE DATABASE '';", "CREATE DATABASE:ERROR:2022", "1 to 31 characters"},
        {"CREATE DATABASE 'a:b';", "CREATE DATABASE:ERROR:2022", "\"a:b\""},
        {"DROP DATABASE 'a:b';", "DROP DATABASE:ERROR:2022", "\"a:b\""},
        {"CREATE DATABASE " + longName + ";", "CREATE DATABASE:ERROR:2022", longName},
        {"CREATE DATABASE 'a/b';", "CREATE DATABASE:ERROR:2022", "a/b"},
        {"CREATE DATABASE 'a\\\\b';", "CREATE DATABASE:ERROR:2022", "a\\b"},
        {"CREATE DATABASE 'a..b';", "CREATE DATABASE:ERROR:2022", "a..b"},
        {"CREATE DATABASE sales ON " + std::string(32, 'h') + ";", "CREATE DATABASE:ERROR:2022", "host"},
        {"DROP DATABASE;", "DROP DATABASE:ERROR:2020", "Missing database name!"},
        {"DROP DATABASE sales extra;", "DROP DATABASE:ERROR:2020", "extra"},
        {"DROP DATABASE '../SQLDB';", "DROP DATABASE:ERROR:2022", "../SQLDB"},
        {"DROP DATABASE " + longName + ";", "DROP DATABASE:ERROR:2022", longName},
        // no registered settings: nothing is sent to the server
        {"DROP DATABASE nosuch;", "DROP DATABASE:ERROR:10039", "nosuch"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(Run(c.statement), c.status);
        const std::string message = Message();
        const std::string prefix = c.statement[0] == 'C' ? "Can not create database\r\n" : "Can not drop database\r\n";
        EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
        EXPECT_NE(message.find(c.text), std::string::npos) << message;
    }
    EXPECT_TRUE(g_createCalls.empty());
    EXPECT_FALSE(Registered("sales"));
    EXPECT_FALSE(StoreExists("SALES"));
    EXPECT_TRUE(StoreExists("SQLDB"));
}

// ---- DROP DATABASE ---------------------------------------------------------------------------

TEST_F(SqlDatabaseTest, DropRemovesTheStoreAndTheSettings) {
    ASSERT_EQ(Run("CREATE DATABASE sales;"), "CREATE DATABASE:SUCCESS:0");
    ASSERT_TRUE(StoreExists("SALES"));
    EXPECT_EQ(Run("DROP DATABASE sales;"), "DROP DATABASE:SUCCESS:0");
    EXPECT_EQ(Message(), "Database sales dropped.\n");
    EXPECT_FALSE(StoreExists("SALES"));
    EXPECT_FALSE(Registered("sales"));
    // Gone from both: a second drop has no settings to go by.
    EXPECT_EQ(Run("DROP DATABASE sales;"), "DROP DATABASE:ERROR:10039");
}

TEST_F(SqlDatabaseTest, DropGoesByTheRegisteredServiceAndKeepsTheSettingsWhenRefused) {
    ASSERT_EQ(Run("CREATE DATABASE sales;"), "CREATE DATABASE:SUCCESS:0");
    // A key named otherwise whose service is sales drops sales.
    ConnectInfo alias;
    alias.SetText(ConnectInfo::kService, "sales");
    alias.SetText(ConnectInfo::kServer, "localhost");
    ASSERT_TRUE(LuConn::WriteClientSettings("shop", alias));
    EXPECT_EQ(Run("DROP DATABASE shop;"), "DROP DATABASE:SUCCESS:0");
    EXPECT_FALSE(StoreExists("SALES"));
    EXPECT_FALSE(Registered("shop"));
    EXPECT_TRUE(Registered("sales"));

    // The server refuses to drop the database this session is logged in to.
    EXPECT_EQ(Run("DROP DATABASE SQLDB;"), "DROP DATABASE:ERROR:10027");
    EXPECT_TRUE(StoreExists("SQLDB"));
    EXPECT_TRUE(Registered("SQLDB"));
}

TEST_F(SqlDatabaseTest, DropWithoutTheClientFunctionIs10038) {
    ASSERT_EQ(Run("CREATE DATABASE sales;"), "CREATE DATABASE:SUCCESS:0");
    ScopedClientFunction<lurdbcli::DropDatabaseFn> missing{GetFunctionLoader().pfDropDatabase, nullptr};
    EXPECT_EQ(Run("DROP DATABASE sales;"), "DROP DATABASE:ERROR:10038");
    EXPECT_NE(Message().find("pfDropDatabase"), std::string::npos) << Message();
    EXPECT_TRUE(Registered("sales"));
}

// ---- ALTER DATABASE: blob files --------------------------------------------------------------

TEST_F(SqlDatabaseTest, BlobFilesAreAddedAndDroppedByAlias) {
    EXPECT_EQ(Run("ALTER DATABASE ADD BLOBFILE 'pics.blb' AS pics;"), "ALTER DATABASE:SUCCESS:0");
    EXPECT_EQ(Message(), "Database altered pics blobfile added.");
    EXPECT_EQ(Run("alter database add blobfile 'docs.blb' as docs;"), "ALTER DATABASE:SUCCESS:0");
    const std::string rows = fixture.Dump("SYSDB", "fileblobs");
    EXPECT_NE(rows.find("pics,pics.blb"), std::string::npos) << rows;
    EXPECT_NE(rows.find("docs,docs.blb"), std::string::npos) << rows;

    EXPECT_EQ(Run("ALTER DATABASE ADD BLOBFILE 'other.blb' AS pics;"), "ALTER DATABASE:ERROR:2020");
    EXPECT_NE(Message().find("Following blobfile exist, cannot create: pics\n"), std::string::npos) << Message();

    EXPECT_EQ(Run("ALTER DATABASE DROP BLOBFILE pics;"), "ALTER DATABASE:SUCCESS:0");
    EXPECT_EQ(Message(), "Database altered pics blobfile dropped.");
    EXPECT_EQ(Run("ALTER DATABASE DROP BLOBFILE pics;"), "ALTER DATABASE:ERROR:2020");
    EXPECT_NE(Message().find("Following blobfile not found: pics\n"), std::string::npos) << Message();
    const std::string left = fixture.Dump("SYSDB", "fileblobs");
    EXPECT_EQ(left.find("pics"), std::string::npos) << left;
    EXPECT_NE(left.find("docs,docs.blb"), std::string::npos) << left;
}

TEST_F(SqlDatabaseTest, MalformedBlobFileStatementsWriteNothing) {
    struct Case {
        std::string statement;
        std::string status;
        std::string text;
    };
    const Case cases[] = {
        {"ALTER DATABASE ADD 'x' AS pics;", "ALTER DATABASE:ERROR:2020", "Need 'blobfile' keyword after add"},
        {"ALTER DATABASE add blobfile 'x' pics;", "ALTER DATABASE:ERROR:2020", "Need 'as' keyword after filename"},
        {"ALTER DATABASE ADD BLOBFILE 'x' AS pics more;", "ALTER DATABASE:ERROR:2020", "more"},
        {"ALTER DATABASE ADD BLOBFILE 'x' AS " + std::string(32, 'a') + ";", "ALTER DATABASE:ERROR:2022",
         std::string(32, 'a')},
        {"ALTER DATABASE DROP pics;", "ALTER DATABASE:ERROR:2020", "Need 'blobfile' keyword after drop"},
        {"ALTER DATABASE RENAME x;", "ALTER DATABASE:ERROR:2018", "RENAME"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(Run(c.statement), c.status);
        EXPECT_EQ(Message().rfind("Cannot alter database.\r\n", 0), 0u) << Message();
        EXPECT_NE(Message().find(c.text), std::string::npos) << Message();
    }
    EXPECT_EQ(fixture.Dump("SYSDB", "fileblobs").find("pics"), std::string::npos);
}

}  // namespace
