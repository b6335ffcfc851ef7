// lursql as a user runs it: a service made with lurdbadm, scripts written as
// UTF-8 files (or standard input) in a working directory of their own, and
// the program's output, error output and exit status as the shell sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LurSqlFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n"
    "  field Rendszam c 11 d\n";

using RunResult = lurtest::ProgramRun;

class LurSqlTest : public lurtest::LurSqlFixture {
protected:
    LurSqlTest() : LurSqlFixture(kSchema) {}
};

TEST_F(LurSqlTest, RunsAScriptAndPrintsEachResult) {
    // LF-only lines, both comment forms, accented text both ways.
    Write("hello.sql",
          "-- greeting\n"
          "PRINT 'Hello';  /* a comment\n spanning lines */\n"
          "-- accented\n"
          "PRINT '\xC3\xA1rv\xC3\xADzt\xC5\xB1r\xC5\x91 t\xC3\xBck\xC3\xB6rf\xC3\xBar\xC3\xB3g\xC3\xA9p';\n"
          "PRINT '100%';\n");
    RunResult result = LurSql({"--status", "GARAGE", "hello.sql"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "PRINT:SUCCESS:0\nHello\n"
              "PRINT:SUCCESS:0\n\xC3\xA1rv\xC3\xADzt\xC5\xB1r\xC5\x91 t\xC3\xBck\xC3\xB6rf\xC3\xBar\xC3\xB3g\xC3\xA9p\n"
              "PRINT:SUCCESS:0\n100%\n");
    EXPECT_EQ(result.err, "");

    // The same script from standard input, without the statuses.
    const std::string script = "PRINT 'from input';\nPRINT '\xC5\x91';\n";
    result = LurSql({"GARAGE"}, &script);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "from input\n\xC5\x91\n");

    // A code page 1250 file, read byte for byte.
    Write("latin2.sql", "PRINT '\xE1rv\xEDzt\xFBr\xF5';\n");
    result = LurSql({"--encoding", "cp1250", "GARAGE", "latin2.sql"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "\xC3\xA1rv\xC3\xADzt\xC5\xB1r\xC5\x91\n");
}

TEST_F(LurSqlTest, ExecutesAPackageFunction) {
    Write("exec.sql", "EXEC LurTest.echo 'a' 'b';\nEXECUTE LurTest.fail '10005';\n");
    RunResult result = LurSql({"GARAGE", "exec.sql"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "LurTest.echo executed.\n");
    EXPECT_EQ(result.err.substr(0, 20), "EXECUTE:ERROR:10005\n") << result.err;
}

TEST_F(LurSqlTest, NestedScriptsRunFromTheWorkingDirectory) {
    Write("main.sql", "PRINT 'main';\n@ 'failing.sql';\n@ 'self.sql';\nPRINT 'end';\n");
    Write("failing.sql", "PRINT 'nested';\nNOSUCH;\nPRINT 'nested again';\n");
    Write("self.sql", "@ 'self.sql';\n");
    RunResult result = LurSql({"GARAGE", "main.sql"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "main\nnested\nnested again\nend\n");
    // Each failure's status, then its message (the code's text and the
    // positioned text) and, inside a nested script, where it ran; the "@"
    // counts what failed in its script.
    EXPECT_EQ(result.err.substr(0, 12), ":ERROR:2027\n") << result.err;
    EXPECT_NE(result.err.find("(Error in the row 2., column 8.: NOSUCH)\nin failing.sql, called from main.sql row "
                              "2\n@SQLFILE:ERROR:2020\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("(Error in the row 2., column 16.: Script failing.sql failed: 1 failure in it or in the "
                              "scripts it called.)\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("Script self.sql is already running: it is not run again."), std::string::npos)
        << result.err;
}

TEST_F(LurSqlTest, TruncatesATable) {
    service.Load("Car", "Gepjarmu", "GJ_ID,Rendszam\n1,AAA-111\n2,BBB-222\n");
    Write("truncate.sql", "TRUNCATE TABLE Gepjarmu;\n");
    const RunResult result = LurSql({"GARAGE", "truncate.sql"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Table GEPJARMU truncated.\n");
    EXPECT_EQ(Dump(), "GJ_ID,Rendszam\n");
}

TEST_F(LurSqlTest, CheckOnlyParses) {
    service.Load("Car", "Gepjarmu", "GJ_ID,Rendszam\n1,AAA-111\n");
    Write("check.sql", "PRINT 'not shown';\nTRUNCATE TABLE Car.Gepjarmu;\n");
    RunResult result = LurSql({"--check", "GARAGE", "check.sql"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "PARSER:SUCCESS:0\n");
    const std::string script = "TRUNCATE TABLE Car.Gepjarmu;\n";
    result = LurSql({"--check", "GARAGE"}, &script);
    EXPECT_EQ(result.out, "PARSER:SUCCESS:0\n");
    EXPECT_EQ(Dump(), "GJ_ID,Rendszam\n1,AAA-111\n");  // nothing ran

    Write("broken.sql", "PRINT 'fine';\nPRINT 'unclosed;\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--check", "GARAGE", "broken.sql"}, {"GARAGE", "broken.sql"}}) {
        result = LurSql(args);
        EXPECT_EQ(result.status, 3);
        EXPECT_EQ(result.out, "");  // nothing ran
        EXPECT_NE(result.err.find("2019"), std::string::npos) << result.err;
    }
}

TEST_F(LurSqlTest, ExitStatusTellsWhatHappened) {
    Write("ok.sql", "PRINT 'ok';\n");
    Write("latin2.sql", "PRINT '\xE1';\n");
    Write("empty.sql", "");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string errorPart;
    };
    const Case cases[] = {
        {{"-u", "owner", "-p", "key"}, 2, "usage"},
        {{"-u", "owner", "-p", "key", "--bogus", "GARAGE"}, 2, "unknown option --bogus"},
        {{"-u", "owner", "-p", "key", "--encoding", "latin9", "GARAGE"}, 2, "unknown encoding"},
        {{"-u", "owner", "-p", "key", "GARAGE", "ok.sql", "more.sql"}, 2, "usage"},
        {{"-u", "owner", "-p", "wrong", "GARAGE", "ok.sql"}, 3, "refused"},
        {{"-u", "nobody", "-p", "key", "GARAGE", "ok.sql"}, 3, "refused"},
        {{"-u", "owner", "-p", "key", "GARAGE", "missing.sql"}, 3, "missing.sql"},
        {{"-u", "owner", "-p", "key", "GARAGE", "empty.sql"}, 3, "empty.sql"},
        {{"-u", "owner", "-p", "key", "GARAGE", "latin2.sql"}, 3, "latin2.sql is not valid UTF-8 at byte 7"},
        {{"-u", "owner", "-p", "key", "GARAGE", "ok.sql"}, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const RunResult result = Run("lursql", c.args);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.err.find(c.errorPart), std::string::npos) << result.err;
        if (c.status != 0) {
            EXPECT_EQ(result.out, "");
        }
    }
    // Not valid UTF-8 on standard input: nothing runs.
    const std::string input = "PRINT 'x';\xFF";
    const RunResult result = LurSql({"GARAGE"}, &input);
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("standard input is not valid UTF-8 at byte 10"), std::string::npos) << result.err;
}

}  // namespace
