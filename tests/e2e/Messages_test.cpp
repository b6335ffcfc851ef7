// What the tools say when something goes wrong, as a user sees it: the real
// cause with the argument its raiser gave (the file and why, the refusal's
// own text), a statement's position once, why a login was refused, the
// login dialog on the terminal itself, and -h / --help everywhere.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "EnvScope.h"
#include "LurSqlFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.0\n"
    "table Gepjarmu\n"
    "  field GJ_ID    l 4  u\n"
    "  field Rendszam c 11 d\n"
    "table Naplo\n"
    "  field N_TEXT c 10 n\n"
    "table Meres\n"
    "  field M_ID l 4 u\n"
    "  field M_F  f 4 n\n"
    "  field M_D  F 8 n\n";

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class MessagesTest : public lurtest::LurSqlFixture {
protected:
    MessagesTest() : LurSqlFixture(kSchema) {
        Write("ok.sql", "PRINT 'ok';\n");
        Write("empty.sql", "");
        Write("latin2.sql", "PRINT '\xE1';\n");
        Write("empty.csv", "");
        Write("latin2.csv", "1,\xE1\n");
        Write("nested.sql", "@ 'missing.sql';\n");
        Write("nolog.sql", "DELETE FROM Naplo WHERE N_TEXT = 'a';\n");
        Write("sequence.sql", "CREATE SEQUENCE s START 5;\n");
        Write("truncate.sql", "TRUNCATE TABLE nosuch;\n");
        Write("dropuser.sql", "DROP USER nobody;\n");
        Write("spaced.csv", "GJ_ID,Rendszam\n 113,A\n114 ,B\n");
        Write("sortnosuch.sql", "SELECT GJ_ID FROM Gepjarmu ORDER BY NOSUCH;\n");
        Write("wherevalue.sql", "SELECT GJ_ID FROM Gepjarmu WHERE GJ_ID = 'x';\n");
        Write("wherenokey.sql", "SELECT GJ_ID FROM Gepjarmu WHERE GJ_ID = 1 AND Rendszam = 'A';\n");
        Write("toolong.sql", "INSERT INTO Gepjarmu VALUES (1, 'ABCDEFGHIJKL');\n");
        Write("duplicate.sql", "INSERT INTO Gepjarmu VALUES (1, 'B');\n");
        Write("duplicate.csv", "2,B\n1,C\n");
        Write("dupload.csv", "GJ_ID,Rendszam\n1,B\n");
        Write("dupinfile.csv", "GJ_ID,Rendszam\n5,A\n6,B\n5,C\n");
        std::filesystem::create_directory(Work() + "/folder");
        Write("float4.sql", "INSERT INTO Meres VALUES (1, 1e-50, 1);\n");
        Write("float8.sql", "INSERT INTO Meres VALUES (1, 1, 1e-400);\n");
        Write("floatmax.sql", "INSERT INTO Meres VALUES (1, 3.40282347e+38, 1);\nCOMMIT;\n");
        Write("float4.csv", "M_ID,M_F,M_D\n1,1e-50,1\n");
        Write("floatmax.csv", "M_ID,M_F,M_D\n2,-3.40282347e+38,1e-320\n");
        Write("float8.csv", "3,1,1e-400\n");
        Write("sortpair.sql", "SELECT GJ_ID FROM Gepjarmu ORDER BY GJ_ID, Rendszam;\n");
        Write("sortunselected.sql", "SELECT GJ_ID FROM Gepjarmu ORDER BY Rendszam;\n");
        // Failures inside "@" scripts: a chain too deep, a missing file and a
        // failing statement two levels down.
        Write("deep.sql", "@ 'd1.sql';\n");
        for (int level = 1; level <= 20; ++level)
            Write("d" + std::to_string(level) + ".sql", "@ 'd" + std::to_string(level + 1) + ".sql';\n");
        Write("missdown.sql", "@ 'missdown_a.sql';\n");
        Write("missdown_a.sql", "@ 'missdown_b.sql';\n");
        Write("missdown_b.sql", "@ 'missing.sql';\n");
        Write("twodown.sql", "@ 'twodown_a.sql';\n");
        Write("twodown_a.sql", "@ 'twodown_b.sql';\n");
        Write("twodown_b.sql", "PRINT 'b';\nSELECT * FROM nosuch;\n");
        // Refused values of 1 MB, and quotes never closed.
        const std::string huge(1048576, 'x');
        Write("hugetext.csv", "1," + huge + "\n");
        Write("hugenumber.sql", "INSERT INTO Gepjarmu VALUES ('" + huge + "', 'A');\n");
        Write("hugeload.csv", "GJ_ID,Rendszam\n" + huge + ",A\n");
        // A long value of bytes that are no UTF-8, and a value with a NUL byte.
        Write("notutf8load.csv", "GJ_ID,Rendszam\n5," + std::string(5000, '\xB9') + "\n");
        Write("nulload.csv", std::string("GJ_ID,Rendszam\n5,An\0na\n", 23));
        Write("openquote.sql", "SELECT * FROM Car.Gepjarmu WHERE GJ_ID = 'abc;\n");
        Write("openname.sql", "SELECT \"GJ_ID FROM Car.Gepjarmu;\n");
        // One vehicle: a sort of no rows checks no field.
        Write("vehicle.csv", "GJ_ID,Rendszam\n1,A\n");
        EXPECT_EQ(Run("lurdbadm", {"load", "GARAGE", "Car", "Gepjarmu", "vehicle.csv"}).status, 0);
        EXPECT_EQ(Run("lurdbadm", {"add-user", "GARAGE", "clerk", "pass"}).status, 0);
        EXPECT_EQ(Run("lurdbadm", {"disable-user", "GARAGE", "clerk"}).status, 0);
    }
};

TEST_F(MessagesTest, EachFailureSaysWhatHappened) {
    const std::string piped = "PRINT 'x';\n";
    // For the messages a user can act on: a service whose second vehicle
    // links to no log record, files for a link to a service that does not
    // exist, and a sample-data directory whose cases.csv cannot be written.
    ASSERT_EQ(
        Run("lurvehgen", {"--dir", "brokenlink", "--service", "BROKENLINK", "--vehicles", "3", "--missing-log-at", "2"})
            .status,
        0);
    Write("nosvc_links.txt", "first NOSVC owner key\n");
    Write("car.schema", kSchema);
    Write("car_script.txt", "begin\ninsert Car.Gepjarmu GJ_ID=1\ncommit\n");
    std::filesystem::create_directory(Work() + "/fullvehicles");
    std::filesystem::create_symlink("/dev/full", Work() + "/fullvehicles/cases.csv");
    const std::string registry =
        std::string("the registry file ") + std::getenv("LUR_REGISTRY") + " that LUR_REGISTRY names";
    const std::string noSettings = "not in " + registry + "; lurdbadm create-service makes a service";
    // A registered service whose store is gone, and where each store is looked for.
    ASSERT_EQ(Run("lurdbadm", {"create-service", "LOST", "owner", "key"}).status, 0);
    for (const char* suffix : {"", ".locks"})
        std::filesystem::remove(std::string(std::getenv("LURDB_DATA")) + "/LOST.lurdb" + suffix);
    Write("lost_links.txt", "first LOST owner key\n");
    auto storeOf = [](const std::string& service) {
        return "the store file " + std::string(std::getenv("LURDB_DATA")) + "/" + service +
               ".lurdb in the folder that LURDB_DATA names, which does not exist";
    };
    const std::string noStore = "The service has no database store.\n (LOST, InitUserEx, " + storeOf("LOST") + ")";
    const std::string noStoreReported =
        "(10007 - The service has no database store.  (LOST, InitUserEx, " + storeOf("LOST") + "))";  // on one line
    const std::string huge(1048576, 'x');  // as the fixture's files hold it
    const struct {
        const char* program;
        std::vector<std::string> args;
        int status;
        std::string says;       // in the output or the error output
        std::string neverSays;  // in neither ("" for nothing)
        int positions;          // how many "Error in the row" (-1: not checked)
    } cases[] = {
        // Files: the name and why, never "no description".
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "missing.sql"},
         3,
         "missing.sql cannot be opened: ",
         "tablespace",
         -1},
        {"lursql", {"-u", "owner", "-p", "key", "GARAGE", "empty.sql"}, 3, "empty.sql is empty", "tablespace", -1},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "latin2.sql"},
         3,
         "latin2.sql is not valid UTF-8 at byte 7",
         "tablespace",
         -1},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "nested.sql"},
         1,
         "File cannot open! missing.sql cannot be opened: ",
         "tablespace",
         1},
        {"lursql",
         {"-u", "owner", "-p", "key", "--import", "Car.Gepjarmu", "GARAGE", "empty.csv"},
         3,
         "empty.csv is empty",
         "tablespace",
         -1},
        {"lursql",
         {"-u", "owner", "-p", "key", "--import", "Car.Gepjarmu", "GARAGE", "latin2.csv"},
         3,
         "latin2.csv is not valid UTF-8",
         "tablespace",
         -1},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "folder"},
         3,
         "folder is a directory",
         "cannot be opened",
         -1},
        {"lursql",
         {"-u", "owner", "-p", "key", "--import", "Car.Gepjarmu", "GARAGE", "folder"},
         3,
         "folder is a directory",
         "cannot be opened",
         -1},
        // An import target without its tablespace.
        {"lursql",
         {"-u", "owner", "-p", "key", "--import", "Gepjarmu", "GARAGE", "vehicle.csv"},
         3,
         "Gepjarmu: expected TS.TABLE",
         " (Gepjarmu)",
         -1},
        // A refusal with its own text, not the missing function's.
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "nolog.sql"},
         1,
         "Cannot delete without primary index!",
         "lacks a function",
         1},
        // The position once.
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "sequence.sql"},
         1,
         "Missing WITH keyword after the START",
         "",
         1},
        {"lursql", {"-u", "owner", "-p", "key", "GARAGE", "truncate.sql"}, 1, "TRUNCATE:ERROR:2002", "", 1},
        {"lursql", {"-u", "owner", "-p", "key", "GARAGE", "dropuser.sql"}, 1, "Missing user: NOBODY", "", 1},
        // An error raised below the statements: its text once, then the
        // position and the raiser's argument (never the text again inside).
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "sortnosuch.sql"},
         1,
         ".: GEPJARMU, NOSUCH)",
         " (GEPJARMU, NOSUCH)",
         1},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "wherevalue.sql"},
         1,
         ".: GEPJARMU.GJ_ID takes a whole number",
         " (GEPJARMU.GJ_ID takes",
         1},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "wherenokey.sql"},
         1,
         ".: Missing link index for the following columns",
         " (Missing link index",
         1},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "toolong.sql"},
         1,
         ".: GEPJARMU, RENDSZAM)",
         " (GEPJARMU, ",
         1},
        {"lursql", {"-u", "owner", "-p", "key", "GARAGE", "duplicate.sql"}, 1, ".: GEPJARMU)", " (GEPJARMU)", 1},
        // A refused ORDER BY reports no rows.
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "sortpair.sql"},
         1,
         "Following keywords required after the field name: ASCENDING, DESCENDING",
         "row selected",
         1},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "sortunselected.sql"},
         1,
         "SELECT:ERROR:2003",
         "row selected",
         1},
        // An imported record the table refuses: its number and its key.
        {"lursql",
         {"-u", "owner", "-p", "key", "--import", "Car.Gepjarmu", "GARAGE", "duplicate.csv"},
         3,
         "(record 2: key GEPJARMU.GJ_ID = '1')",
         " (GEPJARMU)",
         -1},
        // A floating number either field type cannot hold: out of its range,
        // one rule for both types, with the 4-byte maximum still taken.
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "float4.sql"},
         1,
         "MERES.M_F cannot hold '1e-50': out of the field's range",
         "takes a number",
         1},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "float8.sql"},
         1,
         "MERES.M_D cannot hold '1e-400': out of the field's range",
         "takes a number",
         1},
        {"lursql", {"-u", "owner", "-p", "key", "GARAGE", "floatmax.sql"}, 0, "1 record inserted.", "ERROR", -1},
        {"lurdbadm",
         {"load", "GARAGE", "Car", "Meres", "float4.csv"},
         1,
         "bad value \"1e-50\", out of the field's range",
         "not a number",
         -1},
        {"lurdbadm", {"load", "GARAGE", "Car", "Meres", "floatmax.csv"}, 0, "1 rows loaded", "bad value", -1},
        {"lursql",
         {"-u", "owner", "-p", "key", "--import", "Car.Meres", "GARAGE", "float8.csv"},
         3,
         "record 1: MERES.M_D cannot hold '1e-400': out of the field's range",
         "takes a number",
         -1},
        // Why a login was refused.
        {"lursql",
         {"-u", "owner", "-p", "wrong", "GARAGE", "ok.sql"},
         3,
         "refused: error 10068: Wrong password.",
         "",
         -1},
        {"lursql", {"-u", "nobody", "-p", "key", "GARAGE", "ok.sql"}, 3, "refused: error 10014: ", "", -1},
        {"lursql", {"-u", "clerk", "-p", "pass", "GARAGE", "ok.sql"}, 3, "refused: error 10067: ", "", -1},
        // Nobody to ask without a terminal.
        {"lursql", {"-p", "key", "GARAGE", "ok.sql"}, 2, "-u USER is needed", "refused", -1},
        {"lursql", {"-u", "owner", "GARAGE"}, 2, "-p PASSWORD is needed", "refused", -1},
        // Help.
        {"lursql", {"-h"}, 0, "usage: lursql", "", -1},
        {"lursql", {"--help"}, 0, "usage: lursql", "", -1},
        {"lurdbadm", {"-h"}, 0, "usage:", "unknown", -1},
        {"lurdbadm", {"--help"}, 0, "usage:", "unknown", -1},
        {"lurvehgen", {"-h"}, 0, "usage:", "needs a value", -1},
        {"lurvehgen", {"--help"}, 0, "usage:", "needs a value", -1},
        {"LurDbLinkHost", {"-h"}, 0, "usage: LurDbLinkHost", "", -1},
        {"LurDbLinkHost", {"--help"}, 0, "usage: LurDbLinkHost", "", -1},
        // Blanks around a number, on either side.
        {"lurdbadm", {"load", "GARAGE", "Car", "Gepjarmu", "spaced.csv"}, 0, "2 rows loaded", "bad value", -1},
        // The tools: an unknown option is unknown, a file they cannot read
        // is named with the system's reason and the program's name.
        {"lurvehgen", {"--frob"}, 2, "lurvehgen: unknown option --frob", "needs a value", -1},
        {"lurvehgen", {"--dir"}, 2, "lurvehgen: option --dir needs a value", "unknown", -1},
        {"lurdbadm",
         {"create-tablespace", "GARAGE", "nosuch.schema"},
         1,
         "lurdbadm: cannot read nosuch.schema: No such file or directory",
         "",
         -1},
        {"lurdbadm",
         {"load", "GARAGE", "Car", "Gepjarmu", "nosuch.csv"},
         1,
         "lurdbadm: cannot read nosuch.csv: No such file or directory",
         "",
         -1},
        {"LurDbLinkHost",
         {lurtest::BinDir() + "/libLurDbLink.so", "nolinks.txt", "ok.sql", "ok.sql"},
         2,
         "LurDbLinkHost: cannot read nolinks.txt: No such file or directory",
         "",
         -1},
        // Messages a user can act on: the row of a missing log record, why a
        // service is unknown, a directory given as a file, and the files a
        // failed sample-data run removed.
        {"Varnok",
         {"-seBROKENLINK", "-usrADMIN", "-pswADMIN", "-appOSTREV7"},
         254,
         ", its Ruz_Os7.Gepjlink row's K_GJ_ID ",
         "",
         -1},
        {"lursql", {"-u", "owner", "-p", "key", "NOSVC", "ok.sql"}, 3, "(NOSVC, " + noSettings + ")", "(NOSVC)", -1},
        {"Varnok", {"-seNOSVC", "-usrowner", "-pswkey"}, 254, "(NOSVC, " + noSettings + ")", "(NOSVC)", -1},
        {"LurDbLinkHost",
         {lurtest::BinDir() + "/libLurDbLink.so", "nosvc_links.txt", "car.schema", "car_script.txt"},
         1,
         "(NOSVC, " + noSettings + ")",
         "(NOSVC)",
         -1},
        // A registered service without its store: the store file looked for
        // and the variable that chose it; lurdbadm, which reads no settings,
        // says whether the registry file in use holds the service.
        {"lursql",
         {"-u", "owner", "-p", "key", "LOST", "ok.sql"},
         3,
         "error 10007: " + noStore,
         "(LOST, InitUserEx)",
         -1},
        {"Varnok", {"-seLOST", "-usrowner", "-pswkey"}, 254, noStore, "(LOST, InitUserEx)", -1},
        {"LurDbLinkHost",
         {lurtest::BinDir() + "/libLurDbLink.so", "lost_links.txt", "car.schema", "car_script.txt"},
         1,
         noStoreReported,
         "(LOST, InitUserEx)",
         -1},
        {"lurdbadm",
         {"dump", "LOST", "Car", "Gepjarmu"},
         1,
         "lurdbadm: no store for service \"LOST\" (" + storeOf("LOST") + "); LOST is registered in " + registry + "\n",
         "",
         -1},
        {"lurdbadm",
         {"add-user", "nosvc", "clerk", "pass"},
         1,
         "lurdbadm: no store for service \"nosvc\" (" + storeOf("NOSVC") + "); NOSVC is " + noSettings + "\n",
         "",
         -1},
        {"lurdbadm", {"dbd-show", "folder"}, 1, "lurdbadm: folder is a directory, not a file", "denied", -1},
        {"lurdbadm",
         {"load", "GARAGE", "Car", "Gepjarmu", "folder"},
         1,
         "lurdbadm: folder is a directory, not a file",
         "header",
         -1},
        {"lurdbadm",
         {"create-tablespace", "GARAGE", "folder"},
         1,
         "lurdbadm: folder is a directory, not a file",
         "cannot read",
         -1},
        {"lurvehgen", {"summary", "folder"}, 1, "lurvehgen: folder is a directory, not a file", "header", -1},
        {"lurvehgen",
         {"--dir", "vehicles", "--service", "VEHICLES", "--lurdbadm", "folder"},
         1,
         "lurvehgen: folder is a directory, not a file",
         "denied",
         -1},
        {"LurDbLinkHost",
         {lurtest::BinDir() + "/libLurDbLink.so", "folder", "car.schema", "car_script.txt"},
         2,
         "LurDbLinkHost: folder is a directory, not a file",
         "cannot read",
         -1},
        {"lurvehgen",
         {"--dir", "fullvehicles", "--files-only", "--vehicles", "3"},
         1,
         "lurvehgen: cannot write fullvehicles/cases.csv: No space left on device; the files this run wrote are "
         "removed\n",
         "",
         -1},
        // A failure inside "@" scripts is told once: the innermost error with
        // its text and position and the chain of scripts that led to it,
        // then the outer statement's status; no "@" between repeats it.
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "deep.sql"},
         1,
         "Scripts nest more than 16 deep: d17.sql is not run.)\nin d16.sql, called from d15.sql row 1",
         "Script d16.sql failed",
         2},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "missdown.sql"},
         1,
         "\nin missdown_b.sql, called from missdown_a.sql row 1, called from missdown.sql row 1\n@SQLFILE:ERROR:2020\n",
         "Script missdown_b.sql failed",
         2},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "twodown.sql"},
         1,
         "NOSUCH)\nin twodown_b.sql, called from twodown_a.sql row 1, called from twodown.sql row 1\n",
         "failed: SELECT:ERROR:2002",
         2},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "twodown.sql"},
         1,
         "Script twodown_a.sql failed: 1 failure in it or in the scripts it called.)\n",
         "Script twodown_b.sql failed",
         2},
        // A refused value of 1 MB is quoted by its start and its length.
        {"lursql",
         {"-u", "owner", "-p", "key", "--import", "Car.Gepjarmu", "GARAGE", "hugetext.csv"},
         3,
         "value '" + huge.substr(0, 60) + "'... (1048576 characters)",
         huge.substr(0, 61),
         -1},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "hugenumber.sql"},
         1,
         "not '" + huge.substr(0, 60) + "'... (1048576 characters)",
         huge.substr(0, 61),
         1},
        {"lurdbadm",
         {"load", "GARAGE", "Car", "Gepjarmu", "hugeload.csv"},
         1,
         "bad value \"" + huge.substr(0, 60) + "\"... (1048576 characters)",
         huge.substr(0, 61),
         -1},
        {"lurdbadm",
         {"load", "GARAGE", "Car", "Gepjarmu", "notutf8load.csv"},
         1,
         "which is no UTF-8 has no place in code page 1250, in \"" + std::string(60, '\xB9') +
             "\"... (5000 characters)\n",
         std::string(61, '\xB9'),
         -1},
        // A NUL byte is shown, and the message goes on after it.
        {"lurdbadm",
         {"load", "GARAGE", "Car", "Gepjarmu", "nulload.csv"},
         1,
         "lurdbadm: line 2: field Rendszam: bad value \"An\\0na\", a NUL byte (\\0) is no text\n",
         "",
         -1},
        // A read that fails is no end of the input: the rows after it would
        // be left out without a word (the memory file reads EIO at byte 0).
        {"lurdbadm",
         {"load", "GARAGE", "Car", "Gepjarmu", "/proc/self/mem"},
         1,
         "lurdbadm: line 1 cannot be read: Input/output error\n",
         "header",
         -1},
        {"lurvehgen",
         {"summary", "/proc/self/mem"},
         1,
         "lurvehgen: line 1 cannot be read: Input/output error\n",
         "header",
         -1},
        // A load of a key the table or the file has already: the key, the
        // value, the table and the line, in the system's words, not the
        // store's.
        {"lurdbadm",
         {"load", "GARAGE", "Car", "Gepjarmu", "dupload.csv"},
         1,
         "lurdbadm: line 2: Car.Gepjarmu has a row with the unique key GJ_ID = \"1\" already; nothing of "
         "dupload.csv was loaded\n",
         "UNIQUE",
         -1},
        {"lurdbadm",
         {"load", "GARAGE", "Car", "Gepjarmu", "dupinfile.csv"},
         1,
         "lurdbadm: line 4: an earlier line of dupinfile.csv has the unique key GJ_ID = \"5\" of Car.Gepjarmu too; "
         "nothing of dupinfile.csv was loaded\n",
         "UNIQUE",
         -1},
        // A quote never closed says where it was opened, run or checked.
        {"lursql", {"-u", "owner", "-p", "key", "GARAGE", "openquote.sql"}, 3, "error 2019: ", "", -1},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "openquote.sql"},
         3,
         " (abc;\n\nError row: 1 col: 48.\nThe quote opened in row 1, column 42 is never closed.)",
         "",
         -1},
        {"lursql",
         {"-u", "owner", "-p", "key", "--check", "GARAGE", "openquote.sql"},
         3,
         " (abc;\n\nError row: 1 col: 48.\nThe quote opened in row 1, column 42 is never closed.)",
         "",
         -1},
        {"lursql",
         {"-u", "owner", "-p", "key", "GARAGE", "openname.sql"},
         3,
         "Error row: 1 col: 34.\nThe double quote opened in row 1, column 8 is never closed.)",
         "",
         -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.args.back());
        const lurtest::ProgramRun run = Run(c.program, c.args, &piped);
        const std::string said = run.out + run.err;
        EXPECT_EQ(run.status, c.status) << said;
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        if (!c.neverSays.empty()) {
            EXPECT_EQ(said.find(c.neverSays), std::string::npos) << said;
        }
        if (c.positions >= 0) {
            EXPECT_EQ(Count(said, "Error in the row"), static_cast<size_t>(c.positions)) << said;
        }
        if (c.status == 0 && c.says.starts_with("usage")) {
            EXPECT_EQ(run.err, "");
        }
    }
}

// In a new shell, without the LUR_REGISTRY and LURDB_DATA a service was
// made with, the programs read the default files and say which, and that
// the variables choose them.
TEST_F(MessagesTest, ANewShellIsToldWhichVariablesChooseTheFiles) {
    const std::string home = Work() + "/home";
    const std::string registry = std::getenv("LUR_REGISTRY");
    lurtest::EnvScope registryVariable("LUR_REGISTRY", nullptr);
    const lurtest::EnvScope dataVariable("LURDB_DATA", nullptr);
    const lurtest::EnvScope configHome("XDG_CONFIG_HOME", nullptr);
    const lurtest::EnvScope dataHome("XDG_DATA_HOME", nullptr);
    const lurtest::EnvScope homeVariable("HOME", home);
    const std::string store = "the store file " + home +
                              "/.local/share/lurdb/GARAGE.lurdb (in the default folder, as LURDB_DATA is not set), "
                              "which does not exist";
    lurtest::ProgramRun run = Run("lurdbadm", {"dump", "GARAGE", "Car", "Gepjarmu"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "lurdbadm: no store for service \"GARAGE\" (" + store +
                           "); GARAGE is not in the registry file " + home +
                           "/.config/lur/registry.reg (the default, as LUR_REGISTRY is not set), which does not "
                           "exist; lurdbadm create-service makes a service\n");

    // The registry file exported again, the data folder not: the login finds
    // the service and names the store it looked for.
    registryVariable.Set(registry);
    run = Run("lursql", {"-u", "owner", "-p", "key", "GARAGE", "ok.sql"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err,
              "lursql: error 10007: The service has no database store.\n (GARAGE, InitUserEx, " + store + ")\n");
}

// Messages are English for every English and German locale, whatever its
// country, and Hungarian for any other (C and unknown ones included).
TEST_F(MessagesTest, EnglishAndGermanLocalesGiveEnglishTexts) {
    Write("nosuch.sql", "SELECT * FROM nosuch;\n");
    const std::string english = "Table not in the description.";
    const std::string hungarian =
        "A t\xC3\xA1"
        "bla nem szerepel a le\xC3\xADr\xC3\xA1sban.";
    const struct {
        const char* locale;
        const std::string& text;
    } cases[] = {
        {"de_AT.UTF-8", english}, {"de_CH", english},         {"de_LU", english}, {"en_IE.UTF-8", english},
        {"en_NZ", english},       {"en_IN", english},         {"en_ZA", english}, {"hu_HU.UTF-8", hungarian},
        {"C", hungarian},         {"fr_FR.UTF-8", hungarian},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        lurtest::ProgramCall call{lurtest::BinDir() + "/lursql",
                                  {"-u", "owner", "-p", "key", "GARAGE", "nosuch.sql"},
                                  service.Dir() + "/stdout.txt",
                                  service.Dir() + "/stderr.txt"};
        call.workDir = Work();
        call.environment = {{"LC_ALL", c.locale}};
        const lurtest::ProgramRun run = lurtest::RunProgram(call);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "SELECT:ERROR:2002\n" + c.text + "\n (Error in the row 1., column 21.: NOSUCH)\n");
    }
}

// Standard input that cannot be read (a directory given with "<") is
// refused like a file that cannot: said with why, and nothing of it runs or
// is loaded, where a stream would take it for an empty input.
TEST_F(MessagesTest, StandardInputThatCannotBeReadRunsNothing) {
    const std::string vehicles = Run("lurdbadm", {"dump", "GARAGE", "Car", "Gepjarmu"}).out;
    const struct {
        const char* program;
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {"lursql", {"-u", "owner", "-p", "key", "GARAGE"}, 3},
        {"lurdbadm", {"load", "GARAGE", "Car", "Gepjarmu", "-"}, 1},
        {"lurvehgen", {"summary", "-"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        lurtest::ProgramCall call{lurtest::BinDir() + "/" + c.program, c.args, service.Dir() + "/stdout.txt",
                                  service.Dir() + "/stderr.txt"};
        call.workDir = Work();
        call.inputFile = Work() + "/folder";
        const lurtest::ProgramRun run = lurtest::RunProgram(call);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.err, std::string(c.program) + ": standard input is a directory, not a file\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(Run("lurdbadm", {"dump", "GARAGE", "Car", "Gepjarmu"}).out, vehicles);
}

TEST_F(MessagesTest, AFailureInsideScriptsIsToldOnceInAFewLines) {
    // 21 scripts, each calling the next: the "@" refused at the depth limit
    // is told once, with the chain of files that led to it, and the outer
    // statement's status closes it; no "@" between says anything again.
    lurtest::ProgramRun run = Run("lursql", {"-u", "owner", "-p", "key", "GARAGE", "deep.sql"});
    EXPECT_EQ(run.status, 1);
    EXPECT_LE(Count(run.err, "\n"), 8u) << run.err;
    EXPECT_LE(run.err.size(), 1000u) << run.err;
    EXPECT_EQ(Count(run.err, "Scripts nest more than 16 deep: d17.sql is not run."), 1u) << run.err;
    std::string chain = "in d16.sql";
    for (int level = 15; level >= 1; --level) chain += ", called from d" + std::to_string(level) + ".sql row 1";
    EXPECT_EQ(Count(run.err, chain + ", called from deep.sql row 1\n"), 1u) << run.err;
    for (int level = 2; level <= 17; ++level) {
        EXPECT_EQ(Count(run.err, "d" + std::to_string(level) + ".sql"), 1u) << level << "\n" << run.err;
    }
    EXPECT_EQ(Count(run.err, "@SQLFILE:ERROR:2020\n"), 2u) << run.err;  // the refused "@" and the outer one
    EXPECT_TRUE(run.err.ends_with(
        "(Error in the row 1., column 10.: Script d1.sql failed: 1 failure in it or in the scripts it called.)\n"))
        << run.err;

    // Two levels down, a missing file's reason and a failed statement's text once.
    run = Run("lursql", {"-u", "owner", "-p", "key", "GARAGE", "missdown.sql"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Count(run.err, "missing.sql cannot be opened"), 1u) << run.err;
    run = Run("lursql", {"-u", "owner", "-p", "key", "GARAGE", "twodown.sql"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "b\n");
    EXPECT_EQ(Count(run.err, "NOSUCH"), 1u) << run.err;
    EXPECT_LE(Count(run.err, "\n"), 8u) << run.err;
}

class LoginDialogTest : public MessagesTest {
protected:
    // lursql with the arguments, the script on standard input, and the
    // terminal answers typed.
    lurtest::TerminalRun OnTerminal(std::vector<std::string> args, const std::string& typed) {
        lurtest::ProgramCall call{lurtest::BinDir() + "/lursql", std::move(args), service.Dir() + "/stdout.txt",
                                  service.Dir() + "/stderr.txt"};
        call.workDir = Work();
        call.inputFile = Write("input.sql", "PRINT 'from the script';\n");
        return lurtest::RunOnTerminal(call, typed);
    }
};

TEST_F(LoginDialogTest, AsksOnTheTerminalForWhatTheCommandLineDidNotGive) {
    // The user given: only the password is asked; the script on standard
    // input is untouched by the dialog.
    lurtest::TerminalRun terminal = OnTerminal({"-u", "owner", "GARAGE"}, "key\n");
    EXPECT_EQ(terminal.run.status, 0) << terminal.run.err << terminal.screen;
    EXPECT_EQ(terminal.run.out, "from the script\n");
    EXPECT_NE(terminal.screen.find("Jelsz\xC3\xB3:"), std::string::npos) << terminal.screen;
    EXPECT_EQ(terminal.screen.find("Felhaszn\xC3\xA1l\xC3\xB3"), std::string::npos) << terminal.screen;
    EXPECT_EQ(terminal.screen.find("Adatb\xC3\xA1zis"), std::string::npos) << terminal.screen;

    // Neither given: the user, then the password.
    terminal = OnTerminal({"GARAGE"}, "owner\nkey\n");
    EXPECT_EQ(terminal.run.status, 0) << terminal.run.err << terminal.screen;
    EXPECT_EQ(terminal.run.out, "from the script\n");
    EXPECT_NE(terminal.screen.find("Felhaszn\xC3\xA1l\xC3\xB3"), std::string::npos) << terminal.screen;

    // A wrong password is refused with its reason and asked again; the end of
    // the terminal's input cancels the login, and nothing runs.
    terminal = OnTerminal({"-u", "owner", "GARAGE"}, "wrong\n\x04");
    EXPECT_EQ(terminal.run.status, 3) << terminal.run.err << terminal.screen;
    EXPECT_EQ(terminal.run.out, "");
    EXPECT_NE(terminal.run.err.find("Nem megfelel\xC5\x91 jelsz\xC3\xB3!"), std::string::npos) << terminal.run.err;
    EXPECT_NE(terminal.run.err.find("the login to GARAGE was cancelled"), std::string::npos) << terminal.run.err;
}

}  // namespace
