// The link module driven by LurDbLinkHost against two services made with
// lurdbadm: the changes of a script land in both linked stores, or in
// neither.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ScratchDir.h"

namespace {

using lurtest::BinDir;
using lurtest::ReadText;

const std::string kLinks = "second LINKB ADMIN SECRET\nfirst LINKA ADMIN SECRET\n";
const std::string kEmpty = "VehId,Plate,Owner\n";

class LurDbLinkHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* service : {"LINKA", "LINKB"}) {
            ASSERT_EQ(Run("lurdbadm create-service " + std::string(service) + " ADMIN SECRET"), 0) << m_output;
            ASSERT_EQ(Run("lurdbadm create-tablespace " + std::string(service) + " " + kSchema), 0) << m_output;
        }
    }

    // Runs a program of the bin directory; its exit status, its output in m_output.
    int Run(const std::string& command) {
        const std::string outFile = m_dir + "/out.txt";
        const int status = std::system((BinDir() + "/" + command + " >" + outFile + " 2>&1").c_str());
        m_output = ReadText(outFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int RunHost(const std::string& links, const std::string& script) { return RunHost(links, script, kSchema); }
    int RunHost(const std::string& links, const std::string& script, const std::string& schema) {
        std::ofstream(m_dir + "/links.txt") << links;
        std::ofstream(m_dir + "/script.txt") << script;
        return Run("LurDbLinkHost " + BinDir() + "/libLurDbLink.so " + m_dir + "/links.txt " + schema + " " + m_dir +
                   "/script.txt");
    }
    std::string Stored(const std::string& service) {
        EXPECT_EQ(Run("lurdbadm dump " + service + " Garage Vehicle"), 0) << m_output;
        return m_output;
    }

    const std::string kSchema = LUR_SOURCE_DIR "/tests/fixtures/link_garage.schema";
    lurtest::ScratchDir m_scratch{"lurdblink_e2e"};  // the test's registry file and stores
    const std::string m_dir = m_scratch.Path();
    std::string m_output;
};

TEST_F(LurDbLinkHostTest, CommittedScriptLandsInBothServices) {
    const std::string script =
        "begin\n"
        "insert Garage.Vehicle VehId=1 Plate=ABC-123 Owner=\"Kis Anna\"\n"
        "insert Garage.Vehicle VehId=2 Plate=XYZ-987 Owner=Bodó\n"
        "modify Garage.Vehicle VehId=1 Plate=ABC-123 Owner=\"Nagy Béla\"\n"
        "commit\n"
        "begin\n"
        "delete Garage.Vehicle VehId=2\n"
        "commit\n";
    ASSERT_EQ(RunHost(kLinks, script), 0) << m_output;
    EXPECT_EQ(m_output,
              "CreateLink 1: 0\n"
              "BeginTransactionLink 1: 0\n"
              "AddElemLink insert Garage.Vehicle (line 2): 0\n"
              "AddElemLink insert Garage.Vehicle (line 3): 0\n"
              "AddElemLink modify Garage.Vehicle (line 4): 0\n"
              "GetTransactionListLink 1: 0 (3 changes)\n"
              "EndTransactionLink 1 commit: 0\n"
              "BeginTransactionLink 2: 0\n"
              "AddElemLink delete Garage.Vehicle (line 7): 0\n"
              "GetTransactionListLink 2: 0 (1 changes)\n"
              "EndTransactionLink 2 commit: 0\n"
              "DestroyLink 1: 0\n");
    for (const char* service : {"LINKA", "LINKB"}) EXPECT_EQ(Stored(service), kEmpty + "1,ABC-123,Nagy Béla\n");
}

TEST_F(LurDbLinkHostTest, AbortedTransactionLeavesBothUnchanged) {
    const std::string script =
        "begin\n"
        "insert Garage.Vehicle VehId=1 Plate=ABC-123 Owner=Anna\n"
        "abort\n";
    ASSERT_EQ(RunHost(kLinks, script), 0) << m_output;
    EXPECT_NE(m_output.find("EndTransactionLink 1 abort: 0\n"), std::string::npos) << m_output;
    for (const char* service : {"LINKA", "LINKB"}) EXPECT_EQ(Stored(service), kEmpty);
}

TEST_F(LurDbLinkHostTest, LinkThatCannotBeMadeEndsTheRun) {
    struct Case {
        const char* name;
        std::string links;
        std::string output;
    };
    const Case cases[] = {
        // No report: the module tells its report function of exceptions only.
        {"refused login", "first LINKA ADMIN SECRET\nsecond LINKB ADMIN WRONG\n",
         "CreateLink 1: 10015 (a link's login was refused or its tablespaces could not be opened)\n"
         "DestroyLink 1: 0\n"},
        {"service without settings", "first NOSUCH ADMIN SECRET\n", "report 1: Cannot create datalink first (10039 - "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunHost(c.links, "begin\ninsert Garage.Vehicle VehId=1\ncommit\n"), 1);
        EXPECT_EQ(m_output.rfind(c.output, 0), 0u) << m_output;
        EXPECT_EQ(m_output.find("AddElemLink"), std::string::npos) << m_output;
    }
    for (const char* service : {"LINKA", "LINKB"}) EXPECT_EQ(Stored(service), kEmpty);
}

TEST_F(LurDbLinkHostTest, ReplayFailureInTheSecondLinkLeavesNeitherChanged) {
    // LINKB, the second link by name, has a vehicle 2 already.
    std::ofstream(m_dir + "/taken.csv") << "VehId,Plate,Owner\n2,OLD-000,Régi\n";
    ASSERT_EQ(Run("lurdbadm load LINKB Garage Vehicle " + m_dir + "/taken.csv"), 0) << m_output;
    const std::string script =
        "begin\n"
        "insert Garage.Vehicle VehId=1 Plate=ABC-123 Owner=Anna\n"
        "insert Garage.Vehicle VehId=2 Plate=XYZ-987 Owner=Bela\n"
        "commit\n";
    EXPECT_EQ(RunHost(kLinks, script), 1) << m_output;
    EXPECT_NE(m_output.find("EndTransactionLink 1 commit: 10005\n"), std::string::npos) << m_output;
    EXPECT_EQ(Stored("LINKA"), kEmpty);
    EXPECT_EQ(Stored("LINKB"), kEmpty + "2,OLD-000,Régi\n");

    // Nothing stays open: the next transaction goes through on both.
    EXPECT_EQ(RunHost(kLinks, "begin\ninsert Garage.Vehicle VehId=3 Plate=NEW Owner=Cili\ncommit\n"), 0) << m_output;
    EXPECT_EQ(Stored("LINKA"), kEmpty + "3,NEW,Cili\n");
}

TEST_F(LurDbLinkHostTest, FaultyScriptStopsBeforeTheModuleIsCalled) {
    EXPECT_EQ(RunHost(kLinks, "begin\ninsert Garage.Vehicle Colour=red\ncommit\n"), 2);
    EXPECT_NE(m_output.find("line 2: table Vehicle has no field \"Colour\""), std::string::npos) << m_output;
    EXPECT_EQ(m_output.find("CreateLink"), std::string::npos) << m_output;
}

// File names are taken in code page 1250 and are UTF-8 again on disk; an
// argument that is not UTF-8 is a command-line error that names it.
TEST_F(LurDbLinkHostTest, FileNamesArriveAsUtf8) {
    std::ofstream(m_dir + "/kapcsolatok_ő.txt") << kLinks;
    std::ofstream(m_dir + "/szkript_é.txt") << "begin\ninsert Garage.Vehicle VehId=1 Plate=P Owner=Ödön\ncommit\n";
    ASSERT_EQ(Run("LurDbLinkHost " + BinDir() + "/libLurDbLink.so " + m_dir + "/kapcsolatok_ő.txt " + kSchema + " " +
                  m_dir + "/szkript_é.txt"),
              0)
        << m_output;
    for (const char* service : {"LINKA", "LINKB"}) EXPECT_EQ(Stored(service), kEmpty + "1,P,Ödön\n");

    EXPECT_EQ(Run("LurDbLinkHost " + BinDir() + "/libLurDbLink.so " + m_dir + "/nincs_ű.txt " + kSchema + " " + m_dir +
                  "/szkript_é.txt"),
              2);
    EXPECT_NE(m_output.find("cannot read " + m_dir + "/nincs_ű.txt"), std::string::npos) << m_output;

    EXPECT_EQ(Run("LurDbLinkHost " + BinDir() + "/libLurDbLink.so \"$(printf 'links\\377.txt')\" " + kSchema + " " +
                  m_dir + "/szkript_é.txt"),
              2);
    EXPECT_NE(m_output.find("argument 2 (links?.txt) is not valid UTF-8 at byte 5\nusage: LurDbLinkHost"),
              std::string::npos)
        << m_output;
    EXPECT_EQ(m_output.find("CreateLink"), std::string::npos) << m_output;
}

// The schema file is UTF-8 like the others: accented tablespace, table and
// field names match the script's and the change reaches the linked stores.
TEST_F(LurDbLinkHostTest, AccentedNamesOfTheSchemaMatchTheScript) {
    const std::string schema = m_dir + "/műhely.schema";
    std::ofstream(schema) << "tablespace Műhely 8\ntable Jármű\n"
                             "  field Azonosító l 4 u\n  field Tulajdonos c 31 n\n";
    for (const char* service : {"LINKA", "LINKB"})
        ASSERT_EQ(Run("lurdbadm create-tablespace " + std::string(service) + " " + schema), 0) << m_output;
    ASSERT_EQ(RunHost(kLinks, "begin\ninsert műhely.jármű AZONOSíTó=1 Tulajdonos=Ödön\ncommit\n", schema), 0)
        << m_output;
    EXPECT_NE(m_output.find("AddElemLink insert műhely.jármű (line 2): 0\n"), std::string::npos) << m_output;
    for (const char* service : {"LINKA", "LINKB"}) {
        EXPECT_EQ(Run("lurdbadm dump " + std::string(service) + " Műhely Jármű"), 0) << m_output;
        EXPECT_EQ(m_output, "Azonosító,Tulajdonos\n1,Ödön\n");
    }
}

// A file that is not UTF-8 is refused whole, naming the file and the byte,
// before the module is called.
TEST_F(LurDbLinkHostTest, FileThatIsNotUtf8StopsBeforeTheModuleIsCalled) {
    EXPECT_EQ(RunHost(kLinks, "begin\ninsert Garage.Vehicle VehId=1 Owner=\xE1rv\ncommit\n"), 2);
    EXPECT_NE(m_output.find(m_dir + "/script.txt is not valid UTF-8 at byte 42\n"), std::string::npos) << m_output;
    EXPECT_EQ(m_output.find("CreateLink"), std::string::npos) << m_output;
    for (const char* service : {"LINKA", "LINKB"}) EXPECT_EQ(Stored(service), kEmpty);
}

}  // namespace
