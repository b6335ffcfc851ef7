// The SQL session: loading and checking scripts, local runs through the
// executor (statuses, messages, progress), nested "@" scripts, the
// transaction it owns across runs, and server-side runs against a recording
// double of the client library's SQL calls.
#include "RdmFileImport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ConnectionFixture.h"
#include "DbErrorCode.h"
#include "FunctionLoader.h"
#include "RdmSqlExec.h"
#include "RdmTable.h"
#include "ScopedClientFunction.h"

using lurtest::ErrorCode;
using lurtest::ScopedClientFunction;

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n"
    "  field Rendszam c 11 d\n";

// What the progress callback saw after each statement: the status and
// message, and for a failure inside "@" scripts whether the "@" failed
// through its script.
struct Progress {
    RdmFileImport* session = nullptr;
    std::vector<std::string> statuses;
    std::vector<std::string> messages;
    std::vector<bool> failedThrough;
};

void RecordProgress(void* argument) {
    Progress& progress = *static_cast<Progress*>(argument);
    progress.statuses.push_back(progress.session->GetStatus());
    progress.messages.push_back(progress.session->GetSqlResultText());
    progress.failedThrough.push_back(progress.session->FailedThroughNestedScript());
}

size_t Count(const std::vector<std::string>& texts, const std::string& part) {
    return static_cast<size_t>(std::count_if(
        texts.begin(), texts.end(), [&](const std::string& text) { return text.find(part) != std::string::npos; }));
}

class SqlSessionTest : public ::testing::Test {
protected:
    SqlSessionTest() {
        session.SetSession(fixture.Tablespaces(), false);
        progress.session = &session;
        session.SetProgressCallback(&progress, &RecordProgress);
    }

    // A script file in the service's directory; its absolute path.
    std::string Script(const std::string& name, const std::string& text) {
        const std::string path = fixture.Service().Dir() + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    lurtest::ConnectionFixture fixture{kSchema, "SQLSESSION"};
    RdmFileImport session;
    Progress progress;
};

// ---- dispatch and status texts ---------------------------------------------------------------

TEST_F(SqlSessionTest, EachStatementReportsItsStatusAndMessage) {
    const std::string empty = Script("empty.sql", "");
    struct Case {
        std::string statement;
        std::string status;
        std::string message;  // on failure: what comes before the line break and the error's text
        std::string detail;   // on failure: the positioned text in the error's text
    };
    const Case cases[] = {
        {";", ":SUCCESS:0", "", ""},
        {"COMMIT;", ":SUCCESS:0", "", ""},
        {"ROLLBACK;", ":SUCCESS:0", "", ""},
        {"HELLO;", ":ERROR:2027", "", "Error in the row 1., column 6.: HELLO"},
        {"PRINT 'Hello world';", "PRINT:SUCCESS:0", "Hello world", ""},
        {"PRINT;", "PRINT:SUCCESS:0", "", ""},
        {"PRINT a b;", "PRINT:ERROR:2027", "a", "Error in the row 1., column 10.: b"},
        // A message is text, never a format: "%i" is the count, every other "%" stays.
        {"PRINT '%s%i%d%%';", "PRINT:SUCCESS:0", "%s0%d%%", ""},
        {"INSERT INTO Nosuch VALUES (1);", "INSERT:ERROR:2002", "", ".: NOSUCH"},
        // Not served yet: the catalogue statements.
        {"EXEC cleanup;", "EXECUTE:ERROR:2020", "Cannot execute procedure", "column 13.: cleanup"},
        {"EXEC LurTest.echo 'a' 'b';", "EXECUTE:SUCCESS:0", "LurTest.echo executed.", ""},
        {"EXECUTE LurTest.fail '10005';", "EXECUTE:ERROR:10005", "Cannot execute procedure", ""},
        {"TRUNCATE TABLE nosuch;", "TRUNCATE:ERROR:2002", "Invalid object name", "NOSUCH"},
        {"TRUNCATE TABLE Car.Nosuch;", "TRUNCATE:ERROR:2002", "Invalid object name", "CAR.NOSUCH"},
        {"TRUNCATE x;", ":ERROR:2027", "", "Error in the row 1., column 11.: x"},
        {"@ 'a.sql' extra;", "@SQLFILE:ERROR:2020", "", "column 9.: Bad file processing command!"},
        {"@ '" + fixture.Service().Dir() + "/missing.sql';", "@SQLFILE:ERROR:10011", "", "File cannot open!"},
        {"@ '" + empty + "';", "@SQLFILE:ERROR:10011", "", "File read error!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        session.RunText(c.statement.c_str());
        EXPECT_EQ(session.GetStatus(), c.status);
        const std::string message = session.GetSqlResultText();
        if (c.status.find(":ERROR:") == std::string::npos) {
            EXPECT_EQ(message, c.message);
        } else {
            EXPECT_EQ(message.substr(0, c.message.size() + 2), c.message + "\r\n") << message;
            EXPECT_NE(message.find(c.detail), std::string::npos) << message;
        }
    }
}

TEST_F(SqlSessionTest, AFailedStatementDoesNotStopTheRun) {
    session.RunText("PRINT 'one'; HELLO; PRINT 'two';");
    EXPECT_EQ(progress.statuses, (std::vector<std::string>{"PRINT:SUCCESS:0", ":ERROR:2027", "PRINT:SUCCESS:0"}));
    EXPECT_EQ(progress.messages.back(), "two");
    EXPECT_EQ(session.GetFirstFailure().substr(0, 11), ":ERROR:2027");
}

// ---- syntax check, loading -------------------------------------------------------------------

TEST_F(SqlSessionTest, ASyntaxErrorRunsNothing) {
    session.RunText("PRINT 'one'; PRINT 'two;");
    EXPECT_EQ(session.GetStatus(), std::string("PARSER:ERROR:2019"));
    EXPECT_EQ(progress.statuses, std::vector<std::string>{"PARSER:ERROR:2019"});

    // Import throws it, with its text left in the message.
    const std::string bad = Script("bad.sql", "PRINT 'x';\nPRINT 'y");
    try {
        session.Import(bad.c_str(), fixture.Tablespaces(), "");
        FAIL() << "no syntax error";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 2019);
        EXPECT_EQ(std::string(session.GetSqlResultText()), error.what());
    }
    EXPECT_EQ(progress.statuses.size(), 1u);

    EXPECT_EQ(ErrorCode([&] { session.Import(Script("e.sql", "").c_str(), fixture.Tablespaces(), ""); }), 10011);
    const std::string latin = Script("latin.sql", "PRINT '\xE1';");
    try {
        session.Import(latin.c_str(), fixture.Tablespaces(), "");
        FAIL() << "a file that is not UTF-8 was taken";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10011);
        EXPECT_NE(std::string(error.what()).find("latin.sql is not valid UTF-8 at byte 7"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(progress.statuses.size(), 1u);
    session.SetFileEncoding(SqlFileEncoding::Cp1250);
    session.Import(latin.c_str(), fixture.Tablespaces(), "");
    EXPECT_EQ(std::string(session.GetSqlResultText()), "\xE1");
}

TEST_F(SqlSessionTest, OpensATableNamedWithItsTablespace) {
    std::string name = "car.Gepjarmu";
    RdmTable table = session.OpenTable(name);
    EXPECT_EQ(name, "Gepjarmu");
    EXPECT_EQ(table.GetName(), "GEPJARMU");
    EXPECT_EQ(table.GetDesc(), session.GetDesc("CAR"));  // the session's own description
    for (const char* bad : {"Gepjarmu", "nosuch.Gepjarmu", "car.Nosuch"}) {
        std::string badName = bad;
        EXPECT_EQ(ErrorCode([&] { session.OpenTable(badName); }), std::string(bad) == "car.Nosuch" ? 2002 : 2000)
            << bad;
    }
}

TEST_F(SqlSessionTest, AThrowingProgressCallbackIsDropped) {
    int calls = 0;
    auto throwing = [](void* argument) {
        int& count = *static_cast<int*>(argument);
        if (++count == 1) throw std::runtime_error("display failed");
        throw 42;
    };
    session.SetProgressCallback(&calls, throwing);
    session.RunText("PRINT 'a'; PRINT 'b'; PRINT 'c';");
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(std::string(session.GetSqlResultText()), "c");
    session.RunText("PRINT 'x");  // the syntax check fires it too
    EXPECT_EQ(calls, 4);
    // The client library's event hook fires it on the progress event only.
    RdmFileImport::EventProc(&session, RdmFileImport::kProgressEvent);
    RdmFileImport::EventProc(&session, RdmFileImport::kProgressEvent + 1);
    EXPECT_EQ(calls, 5);
}

// ---- nested scripts -------------------------------------------------------------------------------

TEST_F(SqlSessionTest, NestedScriptsRunThenReportTheirFirstFailure) {
    const std::string inner = Script("inner.sql", "PRINT 'in1';\nHELLO;\nPRINT 'in2';\n");
    const std::string outer = Script("outer.sql", "PRINT 'out1';\n@ '" + inner + "';\nPRINT 'out2';\n");
    session.Import(outer.c_str(), fixture.Tablespaces(), "");
    ASSERT_EQ(progress.statuses.size(), 6u);
    EXPECT_EQ(progress.statuses[1], "PRINT:SUCCESS:0");
    // The nested failure says where it ran.
    EXPECT_EQ(progress.statuses[2], ":ERROR:2027");
    EXPECT_TRUE(progress.messages[2].ends_with("HELLO)\r\nin " + inner + ", called from " + outer + " row 2"))
        << progress.messages[2];
    EXPECT_EQ(progress.messages[3], "in2");  // the nested statements ran on
    // The "@" fails through its script: it counts the failure, never says it again.
    EXPECT_EQ(progress.statuses[4], "@SQLFILE:ERROR:2020");
    EXPECT_NE(progress.messages[4].find("Script " + inner + " failed: 1 failure in it or in the scripts it called."),
              std::string::npos)
        << progress.messages[4];
    EXPECT_EQ(Count(progress.messages, "HELLO"), 1u);
    EXPECT_EQ(progress.failedThrough, (std::vector<bool>{false, false, false, false, true, false}));
    EXPECT_EQ(progress.messages[5], "out2");
    EXPECT_EQ(session.GetFirstFailure().substr(0, 19), "@SQLFILE:ERROR:2020");

    // A nested syntax error runs nothing of its script and fails the "@";
    // a script given as text is "the script".
    progress.statuses.clear();
    progress.messages.clear();
    const std::string broken = Script("broken.sql", "PRINT 'never';\nPRINT 'open");
    session.RunText(("@ '" + broken + "';").c_str());
    EXPECT_EQ(progress.statuses, (std::vector<std::string>{"PARSER:ERROR:2019", "@SQLFILE:ERROR:2020"}));
    EXPECT_TRUE(progress.messages[0].ends_with("is never closed.)\r\nin " + broken + ", called from the script row 1"))
        << progress.messages[0];

    // A clean nested script leaves the "@" successful with an empty message.
    const std::string clean = Script("clean.sql", "PRINT 'fine';");
    session.RunText(("@ '" + clean + "';").c_str());
    EXPECT_EQ(session.GetStatus(), std::string("@SQLFILE:SUCCESS:0"));
    EXPECT_EQ(std::string(session.GetSqlResultText()), "");
}

TEST_F(SqlSessionTest, TheChainNamesTheRowsAnEditorShows) {
    // Line feeds inside literals count: the "@" of each caller stands in row 3.
    const std::string inner = Script("inner.sql", "HELLO;\n");
    const std::string outer = Script("outer.sql", "PRINT 'two\nlines';\n@ '" + inner + "';\n");
    session.RunText(("PRINT 'a\nb';\n@ '" + outer + "';").c_str());
    ASSERT_EQ(progress.messages.size(), 5u);
    EXPECT_TRUE(progress.messages[2].ends_with("HELLO)\r\nin " + inner + ", called from " + outer +
                                               " row 3, called from the script row 3"))
        << progress.messages[2];
}

TEST_F(SqlSessionTest, AFailureDeepInsideIsToldOnceWithItsChain) {
    // Two failures three scripts down, each where it happened; every "@"
    // above fails through its script and counts both.
    const std::string c = Script("c.sql", "SELECT * FROM nosuch;\n@ 'missing.sql';\n");
    const std::string b = Script("b.sql", "PRINT 'b';\n@ '" + c + "';\n");
    const std::string a = Script("a.sql", "@ '" + b + "';\n");
    session.SetText(("PRINT 'main';\n@ '" + a + "';").c_str());
    session.SetScriptName("standard input");
    session.CheckSql();
    session.ExecSql();
    const std::string chain =
        ", called from " + b + " row 2, called from " + a + " row 1, called from standard input row 2";
    ASSERT_EQ(progress.statuses.size(), 7u);
    EXPECT_EQ(progress.statuses[2], "SELECT:ERROR:2002");
    EXPECT_TRUE(progress.messages[2].ends_with("NOSUCH)\r\nin " + c + chain)) << progress.messages[2];
    EXPECT_EQ(progress.statuses[3], "@SQLFILE:ERROR:10011");
    EXPECT_NE(progress.messages[3].find("File cannot open! missing.sql cannot be opened: "), std::string::npos);
    EXPECT_TRUE(progress.messages[3].ends_with(")\r\nin " + c + chain)) << progress.messages[3];
    for (size_t i = 4; i < 7; ++i) {
        EXPECT_EQ(progress.statuses[i], "@SQLFILE:ERROR:2020");
        EXPECT_TRUE(progress.failedThrough[i]) << i;
        EXPECT_NE(progress.messages[i].find(" failed: 2 failures in it or in the scripts it called."),
                  std::string::npos)
            << progress.messages[i];
    }
    EXPECT_TRUE(
        progress.messages[6].ends_with("Script " + a + " failed: 2 failures in it or in the scripts it called.)"))
        << progress.messages[6];
    EXPECT_FALSE(progress.failedThrough[2] || progress.failedThrough[3]);
    EXPECT_EQ(Count(progress.messages, "NOSUCH"), 1u);
    EXPECT_EQ(Count(progress.messages, "cannot be opened"), 1u);
    EXPECT_EQ(Count(progress.messages, "called from"), 2u);  // the chain only with what failed
    EXPECT_EQ(session.GetScriptDepth(), 0);
}

TEST_F(SqlSessionTest, AScriptOnTheRunningChainIsNotRunAgain) {
    // Twice in itself (the chain would otherwise run 2^17 - 1 scripts), and
    // once more under another spelling of its name.
    const std::string self = fixture.Service().Dir() + "/self.sql";
    const std::string again = fixture.Service().Dir() + "/./self.sql";
    Script("self.sql", "PRINT 'level';\n@ '" + self + "';\n@ '" + again + "';\n");
    session.RunText(("@ '" + self + "';").c_str());
    const auto refused = [&](const std::string& name) {
        const std::string text = "Script " + name + " is already running: it is not run again.";
        return std::any_of(progress.messages.begin(), progress.messages.end(),
                           [&](const std::string& message) { return message.find(text) != std::string::npos; });
    };
    EXPECT_EQ(std::count(progress.messages.begin(), progress.messages.end(), "level"), 1);
    EXPECT_TRUE(refused(self));
    EXPECT_TRUE(refused(again));
    EXPECT_EQ(session.GetStatus(), std::string("@SQLFILE:ERROR:2020"));
    EXPECT_EQ(session.GetScriptDepth(), 0);

    // Once the chain has ended, the same script runs again.
    progress.messages.clear();
    Script("once.sql", "PRINT 'once';\n");
    const std::string once = fixture.Service().Dir() + "/once.sql";
    session.RunText(("@ '" + once + "';\n@ '" + once + "';").c_str());
    EXPECT_EQ(std::count(progress.messages.begin(), progress.messages.end(), "once"), 2);
}

TEST_F(SqlSessionTest, ScriptsNestAtMostSixteenDeep) {
    // A chain of different scripts, each calling the next.
    const int scripts = RdmFileImport::kMaxScriptDepth + 1;
    for (int i = 1; i <= scripts; ++i) {
        const std::string next = fixture.Service().Dir() + "/s" + std::to_string(i + 1) + ".sql";
        Script("s" + std::to_string(i) + ".sql", "PRINT 'level';\n@ '" + next + "';\n");
    }
    session.RunText(("@ '" + fixture.Service().Dir() + "/s1.sql';").c_str());
    EXPECT_EQ(std::count(progress.messages.begin(), progress.messages.end(), "level"), RdmFileImport::kMaxScriptDepth);
    EXPECT_EQ(session.GetStatus(), std::string("@SQLFILE:ERROR:2020"));
    // Said once, by the refused "@", with the whole chain; every "@" above
    // only counts it.
    EXPECT_EQ(Count(progress.messages, "Scripts nest more than 16 deep"), 1u);
    EXPECT_EQ(Count(progress.messages,
                    "called from " + fixture.Service().Dir() + "/s1.sql row 2, called from the script row 1"),
              1u);
    EXPECT_EQ(Count(progress.messages, " failed: 1 failure in it or in the scripts it called."),
              static_cast<size_t>(RdmFileImport::kMaxScriptDepth));
    EXPECT_EQ(session.GetScriptDepth(), 0);
}

// ---- the session's transaction -------------------------------------------------------------------

class SqlTransactionTest : public SqlSessionTest {
protected:
    // A change inside whatever transaction the connection has open.
    void AddVehicle(int32_t id) {
        vehicles.Fld("GJ_ID").SetLong(id);
        vehicles.Fld("Rendszam").SetString("T-" + std::to_string(id));
        vehicles.NewRec();
    }
    // What another connection sees: the committed rows.
    std::string Committed() { return fixture.Dump("Car", "Gepjarmu"); }
    // The first data change of a statement: the run's executor begins the
    // session's transaction unless the session holds one.
    void BeginAsAStatement() {
        RdmSqlExec exec(&session);
        exec.BeginTransIfNeeded(vehicles, token);
    }

    SqlStatement statement{{";", 1, 1, SqlTokenKind::Separator}};
    SqlTokenIterator token = statement.begin();
    RdmTable vehicles{session.GetDesc("CAR"), "Gepjarmu"};  // the session's own description
};

TEST_F(SqlTransactionTest, ANestedCommitEndsTheTransactionTheSessionBegan) {
    BeginAsAStatement();
    EXPECT_TRUE(session.HoldsTransaction());
    AddVehicle(1);
    EXPECT_EQ(Committed(), "GJ_ID,Rendszam\n");

    const std::string commit = Script("commit.sql", "COMMIT;\n");
    session.RunText(("@ '" + commit + "';").c_str());
    EXPECT_EQ(progress.statuses, (std::vector<std::string>{"COMMIT:SUCCESS:0", "@SQLFILE:SUCCESS:0"}));
    EXPECT_EQ(progress.messages[0], "Transaction commited.");
    EXPECT_FALSE(session.HoldsTransaction());
    EXPECT_EQ(Committed(), "GJ_ID,Rendszam\n1,T-1\n");

    // Across runs: a later run's ROLLBACK ends what an earlier run began.
    BeginAsAStatement();
    AddVehicle(2);
    session.RunText("ROLLBACK;");
    EXPECT_EQ(session.GetStatus(), std::string("ROLLBACK:SUCCESS:0"));
    EXPECT_EQ(std::string(session.GetSqlResultText()), "Transaction aborted.");
    EXPECT_FALSE(session.HoldsTransaction());
    EXPECT_EQ(Committed(), "GJ_ID,Rendszam\n1,T-1\n");
}

TEST_F(SqlTransactionTest, CommitFailsInsideATransactionTheSessionDidNotBegin) {
    DbDescMap& connection = fixture.Tablespaces();
    ASSERT_TRUE(connection.BeginTrans("FOREIGN", true));
    BeginAsAStatement();  // 10023: used as it is
    EXPECT_FALSE(session.HoldsTransaction());
    EXPECT_TRUE(session.RanInForeignTransaction());
    AddVehicle(3);

    for (const char* statement : {"COMMIT;", "ROLLBACK;"}) {
        SCOPED_TRACE(statement);
        session.RunText(statement);
        EXPECT_EQ(std::string(session.GetStatus()).substr(std::strlen(statement) - 1), ":ERROR:10023");
        EXPECT_NE(std::string(session.GetSqlResultText()).find("did not begin"), std::string::npos);
    }
    EXPECT_EQ(Committed(), "GJ_ID,Rendszam\n");  // nothing was ended
    connection.EndTransaction(true);
    EXPECT_EQ(Committed(), "GJ_ID,Rendszam\n3,T-3\n");

    // Once the session begins one of its own, its COMMIT ends it again.
    // (TRUNCATE's commit of whatever is open clears the state as well.)
    BeginAsAStatement();
    EXPECT_TRUE(session.HoldsTransaction());
    EXPECT_FALSE(session.RanInForeignTransaction());
    session.RunText("COMMIT;");
    EXPECT_EQ(session.GetStatus(), std::string("COMMIT:SUCCESS:0"));
}

TEST_F(SqlTransactionTest, TheCallerEndsWhatTheSessionStillHolds) {
    EXPECT_FALSE(session.EndOwnTransaction(false));  // none held
    BeginAsAStatement();
    BeginAsAStatement();  // held already: nothing more
    AddVehicle(4);
    EXPECT_TRUE(session.EndOwnTransaction(false));
    EXPECT_FALSE(session.HoldsTransaction());
    EXPECT_EQ(Committed(), "GJ_ID,Rendszam\n");
    // The connection has no transaction open any more: a change commits on its own.
    AddVehicle(5);
    EXPECT_EQ(Committed(), "GJ_ID,Rendszam\n5,T-5\n");
}

TEST_F(SqlTransactionTest, TruncateCommitsWhatIsOpenThenEmptiesTheTable) {
    fixture.Load("Car", "Gepjarmu", "GJ_ID,Rendszam\n1,AAA-111\n2,BBB-222\n");
    BeginAsAStatement();
    AddVehicle(3);
    session.RunText("TRUNCATE TABLE car.gepjarmu;");
    EXPECT_EQ(session.GetStatus(), std::string("TRUNCATE:SUCCESS:0"));
    EXPECT_EQ(std::string(session.GetSqlResultText()), "Table GEPJARMU truncated.");
    EXPECT_FALSE(session.HoldsTransaction());
    EXPECT_EQ(Committed(), "GJ_ID,Rendszam\n");

    // The result table and view are the session's own: they outlive the run.
    RdmTable result = session.GetSqlResult();
    EXPECT_EQ(result.GetName(), "GEPJARMU");
    EXPECT_NO_THROW(result.Fld("Rendszam").GetString());
    EXPECT_EQ(session.GetView().MasterName(), "GEPJARMU");
    // A statement without a result table leaves none, not one whose view has gone.
    session.RunText("PRINT 'x';");
    EXPECT_EQ(session.GetSqlResult().GetName(), "");
    EXPECT_EQ(session.GetView().MasterName(), "");
}

// ---- server-side runs on a recording double ----------------------------------------------------------

// The double of the client library's SQL calls: it records what it is sent
// and hands out blocks that FreePtr must give back.
struct SqlDouble {
    std::vector<std::string> sent;
    std::vector<int32_t> handles;
    std::vector<int32_t> flags;
    int failAt = -1;  // the statement (from 0) answered with failStatus
    int32_t failStatus = 0;
    int32_t dbNo = 0;
    int32_t recType = 0;
    std::string data;
    const char* names = nullptr;
    const char* text = nullptr;
    std::vector<const void*> handedOut;
    std::vector<const void*> freed;

    char* HandOut(const char* bytes, size_t length) {
        char* block = new char[length + 1];
        std::memcpy(block, bytes, length);
        block[length] = '\0';
        handedOut.push_back(block);
        return block;
    }
};

SqlDouble* g_double = nullptr;

int32_t DoubleSqlOperation(int32_t handle, const char* statement, int32_t flags) {
    g_double->handles.push_back(handle);
    g_double->flags.push_back(flags);
    g_double->sent.emplace_back(statement);
    return static_cast<int>(g_double->sent.size()) - 1 == g_double->failAt ? g_double->failStatus : 0;
}

int32_t DoubleSqlGetResult(int32_t, int32_t* dbNo, int32_t* recType, char** data, int32_t* length, char** names) {
    *dbNo = g_double->dbNo;
    *recType = g_double->recType;
    *data = g_double->HandOut(g_double->data.data(), g_double->data.size());
    *length = static_cast<int32_t>(g_double->data.size());
    *names = g_double->names ? g_double->HandOut(g_double->names, std::strlen(g_double->names)) : nullptr;
    return 0;
}

int32_t DoubleSqlGetResultText(int32_t, char** text) {
    *text = g_double->text ? g_double->HandOut(g_double->text, std::strlen(g_double->text)) : nullptr;
    return 0;
}

int32_t DoubleFreePtr(void* block) {
    g_double->freed.push_back(block);
    delete[] static_cast<char*>(block);
    return 0;
}

class SqlServerSideTest : public SqlSessionTest {
protected:
    SqlServerSideTest() {
        g_double = &sql;
        session.SetSession(fixture.Tablespaces(), true);
    }
    ~SqlServerSideTest() override { g_double = nullptr; }

    SqlDouble sql;
    FunctionLoader& client = GetFunctionLoader();
    ScopedClientFunction<lurdbcli::SqlOperationFn> sqlOperation{client.pfSqlOperation, &DoubleSqlOperation};
    ScopedClientFunction<lurdbcli::SqlGetResultFn> sqlGetResult{client.pfSqlGetResult, &DoubleSqlGetResult};
    ScopedClientFunction<lurdbcli::SqlGetResultTextFn> sqlGetResultText{client.pfSqlGetResultText,
                                                                        &DoubleSqlGetResultText};
    ScopedClientFunction<lurdbcli::FreePtrFn> freePtr{client.pfFreePtr, &DoubleFreePtr};
};

TEST_F(SqlServerSideTest, SendsEachStatementRequotedUntilTheFirstRefusal) {
    session.CheckText("UPDATE t SET a = 'it\\'s \\\\ ;' WHERE \"Odd Name\" = 1;\nPRINT x; PRINT y;");
    session.ExecSql();
    EXPECT_EQ(sql.sent, (std::vector<std::string>{"UPDATE t SET a = 'it\\'s \\\\ ;' WHERE \"ODD NAME\" = 1 ; ",
                                                  "PRINT x ; ", "PRINT y ; "}));
    EXPECT_EQ(sql.handles, std::vector<int32_t>(3, fixture.Tablespaces().GetHandle()));
    EXPECT_EQ(sql.flags, std::vector<int32_t>(3, RdmFileImport::kProgressEvent));

    sql.sent.clear();
    sql.failAt = 1;
    sql.failStatus = 10005;
    int calls = 0;
    session.SetProgressCallback(&calls, [](void* count) { ++*static_cast<int*>(count); });
    EXPECT_EQ(ErrorCode([&] { session.ExecSql(); }), 10005);
    EXPECT_EQ(sql.sent.size(), 2u);  // the third is not sent
    EXPECT_EQ(calls, 1);

    // Results and statuses of the session's own runs are not there.
    EXPECT_EQ(ErrorCode([&] { session.GetStatus(); }), 10038);
    EXPECT_EQ(ErrorCode([&] { session.GetView(); }), 10038);
}

TEST_F(SqlServerSideTest, UnpacksTheResultBlockAndReturnsBothBlocks) {
    DbDesc* car = session.GetDesc("CAR");
    const int32_t size = car->GetRecordSize("GEPJARMU");
    std::string records(2 * static_cast<size_t>(size), '\0');
    for (int32_t i = 0; i < 2; ++i) {
        const int32_t id = 10 + i;
        const std::string plate = i == 0 ? "AAA-111" : "BBB-222";
        car->SetFieldBytes(records.data() + i * size, &id, "GEPJARMU", "GJ_ID");
        char text[11] = {};
        std::memcpy(text, plate.data(), plate.size());
        car->SetFieldBytes(records.data() + i * size, text, "GEPJARMU", "RENDSZAM");
    }
    sql.dbNo = car->GetDbNo();
    sql.recType = RdmTable(car, "Gepjarmu").GetRecType();
    sql.data = records;
    sql.names = "\tRendszam\t\tGJ_ID\t";

    RdmTable result = session.GetSqlResult();
    EXPECT_EQ(result.GetName(), "GEPJARMU");
    const StrVector names = result.GetFieldNames();
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.end()), (std::vector<std::string>{"RENDSZAM", "GJ_ID"}));
    ASSERT_EQ(result.GetListCount(), 2);
    ASSERT_TRUE(result.ListMove(DbDesc::kMoveLast));
    EXPECT_EQ(result.Fld("GJ_ID").GetLong(), 11);
    EXPECT_EQ(result.Fld("Rendszam").GetString(), "BBB-222");
    // Names first, then the data, each exactly once.
    EXPECT_EQ(sql.freed, (std::vector<const void*>{sql.handedOut[1], sql.handedOut[0]}));

    // An unknown tablespace number: 2000, and both blocks still go back.
    sql.handedOut.clear();
    sql.freed.clear();
    sql.dbNo = 99;
    EXPECT_EQ(ErrorCode([&] { session.GetSqlResult(); }), 2000);
    EXPECT_EQ(sql.freed, (std::vector<const void*>{sql.handedOut[1], sql.handedOut[0]}));
}

TEST_F(SqlServerSideTest, FetchesTheResultTextOrNone) {
    sql.text = "3 records updated.";
    EXPECT_EQ(std::string(session.GetSqlResultText()), "3 records updated.");
    EXPECT_EQ(sql.freed, sql.handedOut);
    sql.text = nullptr;
    EXPECT_EQ(std::string(session.GetSqlResultText()), "");
    EXPECT_EQ(sql.freed.size(), 1u);
}

TEST_F(SqlSessionTest, TheClientLibraryRunsNoSqlText) {
    // The stand-in library does not export the server-side SQL calls.
    session.SetSession(fixture.Tablespaces(), true);
    session.CheckText("PRINT 'x';");
    try {
        session.ExecSql();
        FAIL() << "the server ran SQL text";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10038);
        EXPECT_NE(std::string(error.what()).find("pfSqlOperation"), std::string::npos);
    }
}

}  // namespace
