// Every program that writes data, with its output where writing fails: its
// standard output on /dev/full (a device that is always full), a file of
// its own that leads there, or a file that may not grow (RLIMIT_FSIZE). A
// user exporting to a full disk must not get a cut file and a success:
// each program says once, on standard error, what it could not write and
// the system's reason, and exits with its failure status. The same calls
// with room to write succeed, so the failure is the output's alone.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "LurSqlFixture.h"

namespace {

namespace fs = std::filesystem;

const std::string kSchemaFile = LUR_SOURCE_DIR "/tests/fixtures/link_garage.schema";

// A description file larger than the store's own files grow in a run
// (the SQLite shared-memory file reaches 32 KB), so that a limit between
// the two fails the description's write alone: 20 tables of 100 fields,
// about 50 KB.
std::string HugeSchema() {
    std::string text = "tablespace Huge 12 1.0.0.0\n";
    for (int table = 0; table < 20; ++table) {
        text += "table T" + std::to_string(table) + "\n";
        for (int field = 0; field < 100; ++field) {
            text += "  field F" + std::to_string(field) + " l 4 " + (field == 0 ? "u" : "n") + "\n";
        }
    }
    return text;
}
constexpr long long kStoreGrowth = 32 * 1024;

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string ReadSchemaFile() {
    std::ifstream in(kSchemaFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class OutputFailureTest : public lurtest::LurSqlFixture {
protected:
    OutputFailureTest() : LurSqlFixture(ReadSchemaFile()) {
        service.Load("Garage", "Vehicle", "VehId,Plate,Owner\n1,ABC-123,Kis Anna\n2,XYZ-987,Bod\xC3\xB3\n");
        Write("select.sql",
              "SELECT * FROM Garage.Vehicle;\n"
              "PRINT 'between';\n"
              "SELECT VehId FROM Garage.Vehicle;\n");
        Write("notes.csv", "1,first\n2,second\n");
        Write("links.txt", "only GARAGE owner key\n");
        Write("script.txt", "begin\ninsert Garage.Note VehId=1 Text=checked\ncommit\n");
        EXPECT_EQ(Run("lurdbadm", {"create-tablespace", "GARAGE", Write("huge.schema", HugeSchema())}).status, 0);
        fs::create_directories(Dbd());
        EXPECT_EQ(Run("lurdbadm", {"dbd-save", "GARAGE", "Garage", Dbd()}).status, 0);
        Write("vehicles.csv", "GJ_ID,GJ_TELJESITMENY,GJ_TERFOGAT,EMC_ID,GJ_OSSZTOMEG\n1,,,0,0\n2,75,1598,4,1200\n");
        // A service for Varnok: a few vehicles with data to move.
        EXPECT_EQ(Run("lurvehgen", {"--dir", Work() + "/transfer", "--service", "TRANSFER", "--user", "owner",
                                    "--password", "key", "--vehicles", "20", "--schemas",
                                    LUR_SOURCE_DIR "/tests/fixtures", "--lurdbadm", lurtest::BinDir() + "/lurdbadm"})
                      .status,
                  0);
    }

    std::string Dbd() const { return Work() + "/dbd"; }
    std::string Vehicles() const { return Work() + "/vehicles"; }
};

TEST_F(OutputFailureTest, AProgramThatCannotWriteItsOutputSaysSoAndFails) {
    const std::string full = "/dev/full";
    const std::string noSpace = "No space left on device";
    const std::string tooLarge = "File too large";
    const std::vector<std::string> login{"-u", "owner", "-p", "key"};
    auto withLogin = [&](std::vector<std::string> args) {
        args.insert(args.begin(), login.begin(), login.end());
        return args;
    };
    const struct {
        const char* name;
        const char* program;
        std::vector<std::string> args;
        std::string out;          // where standard output goes
        std::string fullLink;     // a file the program writes, made a link to /dev/full ("" none)
        long long fileSizeLimit;  // -1 for none
        int status;               // the program's failure status
        std::string what;         // what the message names
        std::string reason;
        std::vector<std::string> undo = {};  // lurdbadm's arguments that undo the first call's work ({} none)
    } cases[] = {
        {"lursql SELECT", "lursql", withLogin({"GARAGE", "select.sql"}), full, "", -1, 1, "standard output", noSpace},
        {"lursql --status", "lursql", withLogin({"--status", "GARAGE", "select.sql"}), full, "", -1, 1,
         "standard output", noSpace},
        {"lursql --check", "lursql", withLogin({"--check", "GARAGE", "select.sql"}), full, "", -1, 1, "standard output",
         noSpace},
        {"lursql --import", "lursql", withLogin({"--import", "Garage.Note", "GARAGE", "notes.csv"}), full, "", -1, 1,
         "standard output", noSpace},
        {"lursql --help", "lursql", {"--help"}, full, "", -1, 1, "standard output", noSpace},
        {"lurdbadm dump",
         "lurdbadm",
         {"dump", "GARAGE", "Garage", "Vehicle"},
         full,
         "",
         -1,
         1,
         "standard output",
         noSpace},
        {"lurdbadm dbd-save, a file that may not grow",
         "lurdbadm",
         {"dbd-save", "GARAGE", "Huge", Dbd()},
         Work() + "/out.txt",
         "",
         kStoreGrowth,
         1,
         Dbd() + "/HUGE.dbd",
         tooLarge},
        {"lurdbadm dbd-save's confirmation",
         "lurdbadm",
         {"dbd-save", "GARAGE", "Garage", Dbd()},
         full,
         "",
         -1,
         1,
         "standard output",
         noSpace},
        {"lurdbadm dbd-show",
         "lurdbadm",
         {"dbd-show", Dbd() + "/GARAGE.dbd"},
         full,
         "",
         -1,
         1,
         "standard output",
         noSpace},
        {"lurdbadm add-user's confirmation",
         "lurdbadm",
         {"add-user", "GARAGE", "clerk", "pass"},
         full,
         "",
         -1,
         1,
         "standard output",
         noSpace,
         {"remove-user", "GARAGE", "clerk"}},
        {"lurdbadm help", "lurdbadm", {"help"}, full, "", -1, 1, "standard output", noSpace},
        {"lurvehgen's files",
         "lurvehgen",
         {"--dir", Vehicles(), "--files-only", "--vehicles", "20"},
         Work() + "/out.txt",
         Vehicles() + "/cases.csv",
         -1,
         1,
         Vehicles() + "/cases.csv",
         noSpace},
        {"lurvehgen's listing",
         "lurvehgen",
         {"--dir", Vehicles(), "--files-only", "--vehicles", "20"},
         full,
         "",
         -1,
         1,
         "standard output",
         noSpace},
        {"lurvehgen summary", "lurvehgen", {"summary", "vehicles.csv"}, full, "", -1, 1, "standard output", noSpace},
        // Varnok's help, and a run that moved its data: its failure status.
        {"Varnok -h", "Varnok", {"-h"}, full, "", -1, 254, "standard output", noSpace},
        {"Varnok's run",
         "Varnok",
         {"-seTRANSFER", "-usrowner", "-pswkey", "-appOSTREV7"},
         full,
         "",
         -1,
         254,
         "standard output",
         noSpace},
        {"LurDbLinkHost",
         "LurDbLinkHost",
         {lurtest::BinDir() + "/libLurDbLink.so", "links.txt", kSchemaFile, "script.txt"},
         full,
         "",
         -1,
         1,
         "standard output",
         noSpace},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lurtest::ProgramCall call{lurtest::BinDir() + "/" + c.program, c.args, c.out, service.Dir() + "/stderr.txt"};
        call.workDir = Work();
        call.fileSizeLimit = c.fileSizeLimit;
        if (!c.fullLink.empty()) {
            fs::create_directories(fs::path(c.fullLink).parent_path());
            fs::create_symlink(full, c.fullLink);
        }
        const lurtest::ProgramRun run = lurtest::RunProgram(call);
        EXPECT_EQ(run.status, c.status) << run.err;
        // LurDbLinkHost's messages are sentences: "Cannot write ...".
        const std::string message = Lower("cannot write " + c.what + ": " + c.reason);
        EXPECT_NE(Lower(run.err).find(message), std::string::npos) << run.err;
        EXPECT_EQ(Count(run.err, c.reason), 1u) << run.err;  // said once

        // With room to write, the same call succeeds.
        if (!c.fullLink.empty()) fs::remove(c.fullLink);
        if (!c.undo.empty()) {
            EXPECT_EQ(Run("lurdbadm", c.undo).status, 0);
        }
        call.outFile = Work() + "/out.txt";
        call.fileSizeLimit = -1;
        const lurtest::ProgramRun control = lurtest::RunProgram(call);
        EXPECT_EQ(control.status, 0) << control.err;
        EXPECT_EQ(control.err.find("cannot write"), std::string::npos) << control.err;
    }
}

// A description that could not be written leaves the old file as it was,
// and no half-written one beside it.
TEST_F(OutputFailureTest, AFailedDescriptionLeavesTheOldFile) {
    std::ofstream(Dbd() + "/HUGE.dbd") << "old";
    lurtest::ProgramCall call{lurtest::BinDir() + "/lurdbadm",
                              {"dbd-save", "GARAGE", "Huge", Dbd()},
                              Work() + "/out.txt",
                              service.Dir() + "/stderr.txt"};
    call.fileSizeLimit = kStoreGrowth;
    const lurtest::ProgramRun run = lurtest::RunProgram(call);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "lurdbadm: cannot write " + Dbd() + "/HUGE.dbd: File too large\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(lurtest::WholeFile(Dbd() + "/HUGE.dbd"), "old");
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(Dbd())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"GARAGE.dbd", "HUGE.dbd"}));
}

// What a directory holds: each entry's name with its bytes, or where a link
// leads.
std::map<std::string, std::string> DirectoryState(const std::string& dir) {
    std::map<std::string, std::string> state;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        state[entry.path().filename().string()] = entry.is_symlink()
                                                      ? "link to " + fs::read_symlink(entry.path()).string()
                                                      : lurtest::WholeFile(entry.path().string());
    }
    return state;
}

// Sample data under a file-size limit as a shell sets it ("ulimit -f", the
// signal at its default), over an earlier run's whole set, one file of it
// the user's own now (written before the file that fails), beside a file
// the run never writes: the run says which file could not grow and why,
// and leaves the directory byte for byte as it found it.
TEST_F(OutputFailureTest, ASampleDataRunThatCannotWriteLeavesTheDirectoryAsItFoundIt) {
    lurtest::ProgramCall call{lurtest::BinDir() + "/lurvehgen",
                              {"--dir", Vehicles(), "--files-only", "--vehicles", "20", "--seed", "5"},
                              Work() + "/out.txt",
                              service.Dir() + "/stderr.txt"};
    ASSERT_EQ(lurtest::RunProgram(call).status, 0);  // the earlier set
    std::ofstream(Vehicles() + "/dazevure_application.csv") << "the user's own\n";
    std::ofstream(Vehicles() + "/notes.txt") << "not the run's\n";
    const std::map<std::string, std::string> earlier = DirectoryState(Vehicles());
    ASSERT_EQ(earlier.size(), 8u);

    call.args = {"--dir", Vehicles(), "--files-only", "--vehicles", "2000"};
    call.fileSizeLimit = 16 * 1024;  // the registry files fit, the vehicle tables do not
    call.fileSizeSignalDefault = true;
    const std::string refusal = "lurvehgen: cannot write " + Vehicles() +
                                "/expected_car_gepjarmu.csv: File too large; the files this run wrote are removed\n";
    const lurtest::ProgramRun run = lurtest::RunProgram(call);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, refusal);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(DirectoryState(Vehicles()), earlier);

    // A link the user put there stays, and so does the file it leads to,
    // with no temporary file left beside it.
    const std::string linked = Vehicles() + "/dazevure_plugins.csv";
    fs::create_directory(Work() + "/elsewhere");
    const std::string elsewhere = Write("elsewhere/plugins.csv", "the user's plugins\n");
    fs::remove(linked);
    fs::create_symlink(elsewhere, linked);
    const std::map<std::string, std::string> withLink = DirectoryState(Vehicles());
    const lurtest::ProgramRun throughLink = lurtest::RunProgram(call);
    EXPECT_EQ(throughLink.status, 1);
    EXPECT_EQ(throughLink.err, refusal);
    EXPECT_EQ(DirectoryState(Vehicles()), withLink);
    EXPECT_EQ(DirectoryState(Work() + "/elsewhere"),
              (std::map<std::string, std::string>{{"plugins.csv", "the user's plugins\n"}}));

    // With room, the same run puts its whole set in place, through the link
    // too, and leaves the user's other file alone.
    call.fileSizeLimit = -1;
    const lurtest::ProgramRun control = lurtest::RunProgram(call);
    EXPECT_EQ(control.status, 0) << control.err;
    const std::map<std::string, std::string> written = DirectoryState(Vehicles());
    EXPECT_EQ(written.size(), 8u);
    EXPECT_EQ(written.at("notes.txt"), "not the run's\n");
    EXPECT_EQ(written.at("dazevure_plugins.csv"), "link to " + elsewhere);
    EXPECT_EQ(lurtest::WholeFile(elsewhere).rfind("PLG_ID,", 0), 0u);
    EXPECT_EQ(written.at("dazevure_application.csv").rfind("APP_ID,", 0), 0u);
    EXPECT_GT(written.at("car_gepjarmu.csv").size(), earlier.at("car_gepjarmu.csv").size());
}

// The names in a directory, sorted.
std::vector<std::string> Names(const std::string& directory) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Whether the vehicle table after a transfer that failed holds whole batches
// of 100 changed rows, the first ones of the run (in GJ_ID order), and
// nothing of the batch that was open: each row as it was or as the whole
// run makes it.
::testing::AssertionResult WholeBatches(const std::string& before, const std::string& after,
                                        const std::string& expected) {
    auto lines = [](const std::string& text) {  // the rows by GJ_ID, the first field
        std::vector<std::string> all;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) all.push_back(line);
        std::sort(all.begin(), all.end(), [](const std::string& a, const std::string& b) {
            return std::atoll(a.c_str()) < std::atoll(b.c_str());
        });
        return all;
    };
    const std::vector<std::string> was = lines(before), is = lines(after), due = lines(expected);
    if (is.size() != was.size() || due.size() != was.size())
        return ::testing::AssertionFailure() << "the tables differ in length";
    int changed = 0;
    bool stopped = false;  // past the last committed change
    for (size_t row = 0; row < was.size(); ++row) {
        if (is[row] == was[row] && was[row] == due[row]) continue;  // a row the transfer leaves
        if (is[row] == due[row] && !stopped) {
            ++changed;
        } else if (is[row] == was[row]) {
            stopped = true;
        } else {
            return ::testing::AssertionFailure() << "row " << is[row] << " after " << changed << " changed rows";
        }
    }
    if (changed % 100 != 0) return ::testing::AssertionFailure() << changed << " changed rows";
    return ::testing::AssertionSuccess();
}

// Every program under a file-size limit as a shell sets it ("ulimit -f",
// SIGXFSZ at its default): a write past the limit fails instead of ending
// the program. Each says "File too large", ends with its failure status,
// not by the signal, and leaves what it was writing as it was: its output
// (said), the table, the description folder (no temporary file), the
// stores and the registry file.
TEST_F(OutputFailureTest, UnderAFileSizeLimitEachProgramSaysFileTooLargeAndChangesNothing) {
    // A service whose vehicles are many enough that the transfer's batches
    // outgrow the limit.
    ASSERT_EQ(Run("lurvehgen",
                  {"--dir", Work() + "/many", "--service", "MANY", "--user", "owner", "--password", "key", "--vehicles",
                   "700", "--schemas", LUR_SOURCE_DIR "/tests/fixtures", "--lurdbadm", lurtest::BinDir() + "/lurdbadm"})
                  .status,
              0);
    // A service of rows wide enough that 300 of them outgrow the limit in the
    // store's log, while what the programs print stays well below it. (No
    // one else is logged in to it: the test's own login to GARAGE keeps that
    // store's logs growing from run to run.)
    const std::string wide = Write("wide.schema",
                                   "tablespace Wide 13 1.0.0.0\ntable Row\n  field Id l 4 u\n"
                                   "  field Text c 250 n\n");
    ASSERT_EQ(Run("lurdbadm", {"create-service", "WIDE", "owner", "key"}).status, 0);
    ASSERT_EQ(Run("lurdbadm", {"create-tablespace", "WIDE", wide}).status, 0);
    std::string values, sql, script;
    for (int id = 1; id <= 300; ++id) {
        const std::string number = std::to_string(id), text(240, static_cast<char>('a' + id % 26));
        values += number + "," + text + "\n";
        sql += "INSERT INTO Wide.Row VALUES (" + number + ", '" + text + "');\n";
        script += "insert Wide.Row Id=" + number + " Text=" + text + "\n";
    }
    Write("wide.csv", "Id,Text\n" + values);
    Write("wide_values.csv", values);
    Write("wide.sql", sql + "COMMIT;\n");
    Write("wide_create.sql", sql + "CREATE SEQUENCE s;\n");  // which commits first
    Write("wide_script.txt", "begin\n" + script + "commit\n");
    Write("create.sql", "CREATE DATABASE EXTRA;\n");
    Write("wide_links.txt", "only WIDE owner key\n");
    Write("select.sql", "SELECT * FROM Wide.Row;\n");
    // The same rows in a service of their own, to print more than the limit.
    ASSERT_EQ(Run("lurdbadm", {"create-service", "SHOWN", "owner", "key"}).status, 0);
    ASSERT_EQ(Run("lurdbadm", {"create-tablespace", "SHOWN", wide}).status, 0);
    ASSERT_EQ(Run("lurdbadm", {"load", "SHOWN", "Wide", "Row", "wide.csv"}).status, 0);
    const std::string registry = std::getenv("LUR_REGISTRY");
    const std::string data = std::getenv("LURDB_DATA");

    // What the programs write to: the table, the description folder, the
    // stores and the registry file with its folder.
    auto state = [&] {
        std::vector<std::string> stores;
        for (const std::string& name : Names(data))
            if (name.ends_with(".lurdb")) stores.push_back(name);
        return std::tuple{Run("lurdbadm", {"dump", "WIDE", "Wide", "Row"}).out, Names(Dbd()), stores,
                          std::hash<std::string>{}(lurtest::WholeFile(registry)),
                          Names(fs::path(registry).parent_path())};
    };
    auto underLimit = [&](const std::string& program, const std::vector<std::string>& args, long long limit) {
        lurtest::ProgramCall call{lurtest::BinDir() + "/" + program, args, Work() + "/out.txt",
                                  service.Dir() + "/stderr.txt"};
        call.workDir = Work();
        call.environment = {{"LC_ALL", "en_US.UTF-8"}};  // the system's texts in English
        call.fileSizeLimit = limit;
        call.fileSizeSignalDefault = true;
        return lurtest::RunProgram(call);
    };
    struct Case {
        const char* name;
        std::vector<std::string> command;  // the program and its arguments
        long long limit;
        std::string says;  // on either output, with "File too large"
    };
    auto check = [&](const Case& c) {
        SCOPED_TRACE(c.name);
        const auto before = state();
        const lurtest::ProgramRun run =
            underLimit(c.command[0], std::vector<std::string>(c.command.begin() + 1, c.command.end()), c.limit);
        EXPECT_GT(run.status, 0) << run.err;  // -1: ended by the signal
        EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.out << run.err;
        EXPECT_EQ(state(), before);
    };

    constexpr long long kLimit = 48 * 1024;  // the stores' log outgrows it
    const std::string storeFull = "File too large: a file of the database store cannot grow past the file-size limit.";
    const Case stores[] = {
        {"lurdbadm load",
         {"lurdbadm", "load", "WIDE", "Wide", "Row", "wide.csv"},
         kLimit,
         "lurdbadm: a file of the store of service WIDE may not grow further: File too large ("},
        {"lurdbadm dump, its output",
         {"lurdbadm", "dump", "SHOWN", "Wide", "Row"},
         kLimit,
         "lurdbadm: cannot write standard output: File too large\n"},
        {"lursql SELECT, its output",
         {"lursql", "-u", "owner", "-p", "key", "SHOWN", "select.sql"},
         kLimit,
         "lursql: cannot write standard output: File too large\n"},
        {"lurdbadm create-service",
         {"lurdbadm", "create-service", "EXTRA", "owner", "key"},
         kLimit,
         "lurdbadm: a file of the store of service EXTRA may not grow further: File too large ("},
        {"lurdbadm dbd-save",
         {"lurdbadm", "dbd-save", "GARAGE", "Huge", Dbd()},
         kStoreGrowth,
         "lurdbadm: cannot write " + Dbd() + "/HUGE.dbd: File too large\n"},
        {"lursql INSERT",
         {"lursql", "-u", "owner", "-p", "key", "WIDE", "wide.sql"},
         kLimit,
         "COMMIT:ERROR:10034\n" + storeFull},
        {"lursql, the commit before CREATE",
         {"lursql", "-u", "owner", "-p", "key", "WIDE", "wide_create.sql"},
         kLimit,
         "CREATE:ERROR:10034\n" + storeFull},
        {"lursql --import",
         {"lursql", "-u", "owner", "-p", "key", "--import", "Wide.Row", "WIDE", "wide_values.csv"},
         kLimit,
         "lursql: error 10034: " + storeFull},
        {"LurDbLinkHost",
         {"LurDbLinkHost", lurtest::BinDir() + "/libLurDbLink.so", "wide_links.txt", wide, "wide_script.txt"},
         kLimit,
         "EndTransactionLink 1 commit: 10034 (" + storeFull + ")\n"},
    };
    for (const Case& c : stores) check(c);

    // Varnok commits in batches of 100 rows: those committed before the
    // limit stay, the open one leaves nothing.
    const std::string vehicles = Run("lurdbadm", {"dump", "MANY", "Car", "Gepjarmu"}).out;
    const lurtest::ProgramRun run = underLimit("Varnok", {"-seMANY", "-usrowner", "-pswkey", "-appOSTREV7"}, kLimit);
    EXPECT_EQ(run.status, 254) << run.err;
    EXPECT_NE(run.out.find("Kiv\xC3\xA9tel:" + storeFull + "\n"), std::string::npos) << run.out;
    EXPECT_TRUE(WholeBatches(vehicles, Run("lurdbadm", {"dump", "MANY", "Car", "Gepjarmu"}).out,
                             lurtest::WholeFile(Work() + "/many/expected_car_gepjarmu.csv")));

    // A registry file larger than the stores of a new service: the service
    // is registered last, and a registry file that cannot be rewritten
    // leaves no store and no temporary file.
    std::ofstream(registry, std::ios::app)
        << "[HKEY_LOCAL_MACHINE\\software\\padding]\n\"text\"=\"" << std::string(400 * 1024, 'x') << "\"\n";
    constexpr long long kRoomy = 320 * 1024;  // a new store fits, the registry file does not
    const std::string registryFull = "File too large: the file may not grow past the file-size limit.";
    const Case registryFile[] = {
        {"lurdbadm create-service",
         {"lurdbadm", "create-service", "EXTRA", "owner", "key"},
         kRoomy,
         "lurdbadm: cannot create the registry key software\\ludbclients\\EXTRA in " + registry +
             " (error 223): " + registryFull + "\n"},
        {"lursql CREATE DATABASE",
         {"lursql", "-u", "owner", "-p", "key", "WIDE", "create.sql"},
         kRoomy,
         "EXTRA, not written to the registry file " + registry + " that LUR_REGISTRY names: " + registryFull +
             " The database is not created.)"},
    };
    for (const Case& c : registryFile) check(c);
}

}  // namespace
