// What lursql reads its scripts and imports from, end to end on the shop
// fixture: a NUL byte refuses the whole file (never a value cut short and run
// on), and a script or import that is a pipe, a FIFO, /dev/stdin or a device
// is read to its end like a file, or refused with a reason that is true.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "LurSqlFixture.h"
#include "ShopService.h"

namespace {

const std::string kCustomers = "CU_ID,CU_NAME,CU_CITY\n2,b,Pecs\n1,A,Szeged\n3,c,Budapest\n4,d,Gyor\n";
// Deletes customer b if the value is cut at its NUL byte.
const std::string kNulPrefix = "DELETE FROM Customer WHERE CU_NAME = 'b";
const std::string kNulDelete = kNulPrefix + std::string(1, '\0') + "-not-this-one';\nCOMMIT;\n";

class LurSqlInputTest : public lurtest::LurSqlFixture {
protected:
    LurSqlInputTest() : LurSqlFixture(lurtest::FixtureText("shop.schema")) {
        Write("Customer.csv", lurtest::FixtureText("shop/Customer.csv"));
        EXPECT_EQ(Run("lurdbadm", {"load", "GARAGE", "Shop", "Customer", "Customer.csv"}).status, 0);
    }

    // bash -c script in the working directory, with lursql's path as $1
    // and standard input from the given file.
    lurtest::ProgramRun Bash(const std::string& script, const std::string& input = "/dev/null") const {
        lurtest::ProgramCall call{"/bin/bash",
                                  {"-c", script, "bash", lurtest::BinDir() + "/lursql"},
                                  service.Dir() + "/stdout.txt",
                                  service.Dir() + "/stderr.txt"};
        call.workDir = Work();
        call.inputFile = input;
        return lurtest::RunProgram(call);
    }
};

TEST_F(LurSqlInputTest, ANulByteRefusesTheWholeFile) {
    ASSERT_EQ(Dump("Shop", "Customer"), kCustomers);
    Write("nul.sql", kNulDelete);
    Write("callsnul.sql", "@ 'nul.sql';\nCOMMIT;\n");
    Write("nul.csv", std::string("950,\"a\0b\",city\n", 15));
    const std::string at = "byte " + std::to_string(kNulPrefix.size());
    const struct {
        std::vector<std::string> args;
        bool onInput;  // nul.sql on standard input
        int status;
        std::string says;
    } cases[] = {
        {{"GARAGE", "nul.sql"}, false, 3, " (nul.sql holds a NUL byte at " + at + ")\n"},
        {{"--encoding", "cp1250", "GARAGE", "nul.sql"}, false, 3, " (nul.sql holds a NUL byte at " + at + ")\n"},
        {{"GARAGE"}, true, 3, "lursql: standard input holds a NUL byte at " + at + "\n"},
        // The "@" fails; nothing of the file runs.
        {{"GARAGE", "callsnul.sql"}, false, 1, "column 11.: nul.sql holds a NUL byte at " + at + ")\n"},
        {{"--import", "Shop.Customer", "GARAGE", "nul.csv"}, false, 3, " (nul.csv holds a NUL byte at byte 6)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const lurtest::ProgramRun run = LurSql(c.args, c.onInput ? &kNulDelete : nullptr);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(Dump("Shop", "Customer"), kCustomers);
    }
}

TEST_F(LurSqlInputTest, ScriptsAndImportsFromPipesAreReadToTheirEnd) {
    Write("fromstdin.sql", "PRINT 'before';\n@ '/dev/stdin';\nPRINT 'after';\n");
    const struct {
        std::string script;
        std::string out;
    } cases[] = {
        // Process substitution: a pipe by name (/dev/fd/N).
        {"\"$1\" -u owner -p key GARAGE <(printf \"PRINT 'piped';\\n\")", "piped\n"},
        {"\"$1\" -u owner -p key --import Shop.Customer GARAGE <(printf '950,e,Eger\\n')", "1 record imported.\n"},
        // "@" of standard input, itself a pipe.
        {"printf \"PRINT 'inner';\\n\" | \"$1\" -u owner -p key GARAGE fromstdin.sql", "before\ninner\nafter\n"},
        {"printf \"PRINT 'all';\\n\" | \"$1\" -u owner -p key GARAGE /dev/stdin", "all\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        const lurtest::ProgramRun run = Bash(c.script);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
    }
    EXPECT_NE(Dump("Shop", "Customer").find("950,e,Eger\n"), std::string::npos);
}

TEST_F(LurSqlInputTest, AScriptFromAFifoRuns) {
    const std::string fifo = Work() + "/script.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        // Waits for lursql to open the FIFO, writes the script and ends it.
        const std::string script = "PRINT 'from the fifo';\n";
        const int fd = open(fifo.c_str(), O_WRONLY);
        _exit(fd >= 0 && write(fd, script.data(), script.size()) == static_cast<ssize_t>(script.size()) &&
                      close(fd) == 0
                  ? 0
                  : 1);
    }
    const lurtest::ProgramRun run = LurSql({"GARAGE", "script.fifo"});
    // A writer lursql never let in (it failed before the open) is let go.
    const int release = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    if (release >= 0) close(release);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "from the fifo\n");
}

TEST_F(LurSqlInputTest, WhatCannotBeAScriptSaysWhy) {
    // A socket cannot be opened: the system's reason, not a permission's.
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = Work() + "/s.sock";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const struct {
        std::vector<std::string> args;
        std::string input;
        std::string says;
    } cases[] = {
        // A device without end stops at its first NUL byte, at once.
        {{"GARAGE", "/dev/zero"}, "/dev/null", "/dev/zero holds a NUL byte at byte 0"},
        {{"GARAGE"}, "/dev/zero", "lursql: standard input holds a NUL byte at byte 0\n"},
        {{"GARAGE", "/dev/null"}, "/dev/null", "/dev/null is empty"},
        {{"GARAGE", "s.sock"}, "/dev/null", "s.sock cannot be opened: No such device or address"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back() + " < " + c.input);
        lurtest::ProgramCall call{lurtest::BinDir() + "/lursql",
                                  {"-u", "owner", "-p", "key"},
                                  service.Dir() + "/stdout.txt",
                                  service.Dir() + "/stderr.txt"};
        call.args.insert(call.args.end(), c.args.begin(), c.args.end());
        call.workDir = Work();
        call.inputFile = c.input;
        call.environment = {{"LC_ALL", "en_US.UTF-8"}};  // the system's texts in English
        const lurtest::ProgramRun run = lurtest::RunProgram(call);
        EXPECT_EQ(run.status, 3) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("denied"), std::string::npos) << run.err;
    }
    close(listener);
}

}  // namespace
