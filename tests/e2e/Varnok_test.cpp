// Varnok run as a user runs it: the built program, its own registry file and
// data directory per test, services made by lurvehgen and lurdbadm. Checks
// what reaches the terminal (UTF-8), the exit status the shell sees, the
// vehicle table afterwards and, through the client library's trace file,
// the transactions the run made.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "RunProgram.h"
#include "ScratchDir.h"

namespace {

const std::string kService = "VARNOKE2E";
const std::string kUser = "ADMIN";
const std::string kPassword = "ADMIN";
const std::string kApp = "OSTREV7";  // lurvehgen's usable application

// The first line of every run, after the opening line break.
const std::string kBanner = "Varnok 2012.01.25. By Lur fejlesztői csoport (ver.1, 0, 0, 1)\n";
// What a run that moves data quietly prints: opening line break, banner,
// closing line break.
const std::string kQuietRun = "\n" + kBanner + "\n";

using lurtest::BinDir;
using lurtest::ReadText;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> SplitCsv(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
    if (!line.empty() && line.back() == ',') fields.emplace_back();
    return fields;
}

// Well-formed UTF-8 (no overlong forms, no surrogates): a byte of code
// page 1250 that escaped the console conversion fails this.
bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        size_t extra = 0;
        uint32_t point = 0;
        if (byte < 0x80) {
            ++i;
            continue;
        } else if (byte >= 0xC2 && byte <= 0xDF) {
            extra = 1, point = byte & 0x1Fu;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            extra = 2, point = byte & 0x0Fu;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            extra = 3, point = byte & 0x07u;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            point = point << 6 | (next & 0x3Fu);
        }
        const uint32_t lowest[] = {0, 0x80, 0x800, 0x10000};
        if (point < lowest[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

// The emission code of class n as the log database writes it: 23 characters.
std::string Code(int n) {
    const std::string digits = std::to_string(n);
    return std::string(23 - digits.size(), '0') + digits;
}

struct RunResult {
    int status = -1;     // as the shell sees it
    std::string output;  // standard output
};

class VarnokTest : public ::testing::Test {
protected:
    void SetUp() override { unsetenv("LURDBCLI_TRACE"); }

    // Runs a program of the bin directory with stdin from /dev/null (so a
    // message box answers at once), stdout to the result, stderr aside; with
    // a trace file, the client library traces into it.
    RunResult Run(const std::string& program, const std::vector<std::string>& args, bool traced = false) {
        lurtest::ProgramCall call{BinDir() + "/" + program, args, m_dir + "/stdout.txt", m_dir + "/stderr.txt"};
        if (traced) call.environment.emplace_back("LURDBCLI_TRACE", TraceFile());
        const lurtest::ProgramRun run = lurtest::RunProgram(call);
        m_stderr = run.err;
        return {run.status, run.out};
    }
    RunResult Varnok(const std::vector<std::string>& args, bool traced = false) { return Run("Varnok", args, traced); }
    // The full command line of the test service.
    RunResult VarnokOnService(bool traced = false, const std::string& service = kService) {
        return Varnok({"-se" + service, "-usr" + kUser, "-psw" + kPassword, "-app" + kApp}, traced);
    }
    // A lurdbadm command that must succeed.
    void Admin(const std::vector<std::string>& args) {
        const RunResult result = Run("lurdbadm", args);
        ASSERT_EQ(result.status, 0) << result.output << m_stderr;
    }

    // The test service from lurvehgen: n vehicles, the application registry.
    void Generate(int vehicles, int missingLogAt = 0) {
        std::vector<std::string> args{"--dir",      Files(),
                                      "--service",  kService,
                                      "--user",     kUser,
                                      "--password", kPassword,
                                      "--vehicles", std::to_string(vehicles),
                                      "--app",      kApp,
                                      "--schemas",  LUR_SOURCE_DIR "/tests/fixtures",
                                      "--lurdbadm", BinDir() + "/lurdbadm"};
        if (missingLogAt > 0) {
            args.push_back("--missing-log-at");
            args.push_back(std::to_string(missingLogAt));
        }
        const RunResult result = Run("lurvehgen", args);
        ASSERT_EQ(result.status, 0) << result.output << m_stderr;
    }
    void Load(const std::string& tablespace, const std::string& table, const std::string& csv) {
        const std::string file = m_dir + "/load.csv";
        std::ofstream(file, std::ios::binary) << csv;
        const RunResult result = Run("lurdbadm", {"load", kService, tablespace, table, file});
        ASSERT_EQ(result.status, 0) << result.output << m_stderr;
    }
    std::string VehicleTable(const std::string& service = kService) {
        const RunResult result = Run("lurdbadm", {"dump", service, "Car", "Gepjarmu"});
        EXPECT_EQ(result.status, 0) << m_stderr;
        return result.output;
    }

    std::string Files() const { return m_dir + "/files"; }
    std::string TraceFile() const { return m_dir + "/trace.txt"; }
    // The transaction lines of the trace, without the prefix and handle.
    std::vector<std::string> Transactions() const {
        std::vector<std::string> found;
        for (const std::string& line : Lines(ReadText(TraceFile()))) {
            const size_t cut = std::min({line.find(": begin transaction"), line.find(": commit transaction"),
                                         line.find(": abort transaction")});
            if (cut != std::string::npos) found.push_back(line.substr(cut + 2));
        }
        return found;
    }

    lurtest::ScratchDir m_scratch{"varnok_e2e"};  // the test's registry file and stores
    const std::string m_dir = m_scratch.Path();
    std::string m_stderr;
};

// What a command-line error prints: the hint and the exception's three fields.
std::string ArgumentError(int code, const std::string& text, const std::string& where) {
    return "\n" + kBanner + "For help use -h or -help parameters!\n" + "Hibakód:" + std::to_string(code) + "\n" +
           "Hibaszöveg:" + text + "\n" + "Hiba helye:" + where + "\n" + "\n";
}

const std::string kBegin = "begin transaction \"GEPJARMU UPD\"";
std::string Commit(int rows) {
    return "commit transaction \"GEPJARMU UPD\", " + std::to_string(rows) + " record changes";
}
std::string Abort(int rows) {
    return "abort transaction \"GEPJARMU UPD\", " + std::to_string(rows) + " record changes";
}

TEST_F(VarnokTest, HelpWithoutArgumentsOrWithAnyHelpSwitch) {
    const RunResult plain = Varnok({});
    ASSERT_EQ(plain.status, 0) << plain.output;
    EXPECT_TRUE(IsUtf8(plain.output));
    // Line break, banner, line break, the help (which starts with a line
    // break and the task), the help's closing line break and the closing one.
    EXPECT_EQ(plain.output.rfind("\n" + kBanner + "\nPROGRAM FELADATA\n================\n", 0), 0u) << plain.output;
    // Headings are underlined by one "=" per character, not per UTF-8 byte.
    EXPECT_NE(plain.output.find("\nMŰKÖDÉSI FELTÉTELEK\n===================\n"), std::string::npos);
    // Options in byte order of their display names, switches right-aligned in 15 columns.
    EXPECT_NE(plain.output.find("\nAz adatbázis szolgáltatás neve:\n"
                                "            -se - A segédprogram erre az adatbázis szolgáltatásra próbál \n"
                                "           csatlakotzni.\n\n"
                                "           Használat:\n"
                                "           -seostrev7\n\n"
                                "                  Required parameter!\n\n"),
              std::string::npos)
        << plain.output;
    const std::string helpSection =
        "\nHELP:\n"
        "             -? - For help.\n"
        "             -H\n"
        "          -HELP\n"
        "          -Help\n"
        "             -h\n"
        "          -help\n"
        "\n";
    EXPECT_EQ(plain.output.substr(plain.output.size() - helpSection.size() - 2), helpSection + "\n\n");
    size_t required = 0;
    for (size_t at = 0; (at = plain.output.find("Required parameter!", at)) != std::string::npos; ++at) ++required;
    EXPECT_EQ(required, 3u);  // -se, -usr, -psw; not -app

    // Any help switch prints the same, even when required options are
    // missing; nothing connects (there is no service at all).
    const std::vector<std::vector<std::string>> helpRequests = {
        {"-?"}, {"-h"}, {"-H"}, {"-help"}, {"-HELP"}, {"-Help"}, {"-seNOSUCH", "-h"}, {"-appX", "-Help", "-usrU"},
    };
    for (const auto& args : helpRequests) {
        SCOPED_TRACE(args.front() + (args.size() > 1 ? " " + args[1] : ""));
        const RunResult help = Varnok(args);
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.output, plain.output);
    }
}

TEST_F(VarnokTest, CommandLineErrorsEndWith255) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string text;
    };
    const std::string where = "ArgHlpUtl::CheckArguments";
    const std::string unknown = "Ismeretlen paraméter:";
    const std::string wrong = "Hibás paraméter:";
    const std::string required = "Az alábbi paraméter használata kötelező: ";
    const Case cases[] = {
        {{"-x"}, -998, unknown + "-x"},
        {{"-s"}, -998, unknown + "-s"},                          // no switch is a prefix of it
        {{"-SE" + kService}, -998, unknown + "-SE" + kService},  // switches are case-sensitive
        {{"-h", "-x"}, -998, unknown + "-x"},                    // parsing comes before help
        {{"-x", "-h"}, -998, unknown + "-x"},
        {{"-seA", "bare", "-usrB"}, -998, unknown + "bare"},
        {{"-hx"}, -1000, wrong + "-hx"},  // "-h" fits, and a flag takes no value
        {{"-helpme"}, -1000, wrong + "-helpme"},
        {{"-seA", "-usrB"}, -994, required + "-psw"},
        // The first missing one in byte order of the display names:
        // "A felhasználó neve" (-usr) < "A jelszó" (-psw) < "Az adatbázis..." (-se).
        {{"-appX"}, -994, required + "-usr"},
        {{"-pswP", "-appX"}, -994, required + "-usr"},
        {{"-usrU", "-pswP"}, -994, required + "-se"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const RunResult result = Varnok(c.args);
        EXPECT_EQ(result.status, 255);  // -1
        EXPECT_EQ(result.output, ArgumentError(c.code, c.text, where));
        EXPECT_TRUE(IsUtf8(result.output));
    }
}

// Arguments arrive as UTF-8: an accented user and password made by lurdbadm
// log in, a wrong switch is echoed as written, and an argument that does not
// arrive whole is a command-line error that names it.
TEST_F(VarnokTest, AccentedArgumentsArriveAsWritten) {
    Generate(0);
    Admin({"add-user", kService, "GÉZA", "jelszó"});
    const RunResult login = Varnok({"-se" + kService, "-usrGÉZA", "-pswjelszó", "-app" + kApp});
    EXPECT_EQ(login.status, 0) << login.output;
    EXPECT_EQ(login.output,
              "\n" + kBanner + "Környezetvédelmi adatok nincsenek, adatátemelésre nincs szükség.\n" + "\n");
    const RunResult wrongPassword = Varnok({"-se" + kService, "-usrGÉZA", "-pswjelszo", "-app" + kApp});
    EXPECT_EQ(wrongPassword.status, 254) << wrongPassword.output;

    struct Case {
        std::vector<std::string> args;
        std::string expected;
    };
    const std::string where = "ArgHlpUtl::CheckArguments";
    const Case cases[] = {
        {{"-pwsjelszó"}, ArgumentError(-998, "Ismeretlen paraméter:-pwsjelszó", where)},
        {{"-seX",
          "-psw\xFF"
          "x"},
         ArgumentError(-1000, "argument 2 (-psw?x) is not valid UTF-8 at byte 4", "main")},
        {{"-usr\xC3", "-h"}, ArgumentError(-1000, "argument 1 (-usr?) is not valid UTF-8 at byte 4", "main")},
        {{"-seX", "-usrU", "-psw日本"},
         ArgumentError(-1000,
                       "argument 3 (-psw?"
                       "?) holds a character that code page 1250 lacks at byte 4",
                       "main")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const RunResult result = Varnok(c.args);
        EXPECT_EQ(result.status, 255);  // -1
        EXPECT_EQ(result.output, c.expected);
        EXPECT_TRUE(IsUtf8(result.output));
    }
}

TEST_F(VarnokTest, RunsThatStopBeforeTheTransferChangeNothing) {
    Generate(30);
    const std::string before = VehicleTable();
    ASSERT_EQ(before, ReadText(Files() + "/car_gepjarmu.csv"));
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string report;  // the line after the banner
    };
    const std::string login = "Kivétel:Cannot create connection!\n";
    const std::string noApp = "Kivétel:A megadott alkalmazás nem található!\n";
    const Case cases[] = {
        {"wrong password", {"-se" + kService, "-usr" + kUser, "-pswWRONG", "-app" + kApp}, login},
        {"unknown user", {"-se" + kService, "-usrNOBODY", "-psw" + kPassword, "-app" + kApp}, login},
        {"unknown application", {"-se" + kService, "-usr" + kUser, "-psw" + kPassword, "-appNOSUCH"}, noApp},
        {"no application given", {"-se" + kService, "-usr" + kUser, "-psw" + kPassword}, noApp},
        {"application not usable",
         {"-se" + kService, "-usr" + kUser, "-psw" + kPassword, "-app" + kApp + "OLD"},
         "Kivétel:Az alkalmazás (" + kApp + "OLD, verzió: 6.2.0.7) nincs használhatónak jelölve.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(TraceFile());
        const RunResult result = Varnok(c.args, true);
        EXPECT_EQ(result.status, 254);  // -2
        EXPECT_EQ(result.output, "\n" + kBanner + c.report + "\n");
        EXPECT_TRUE(IsUtf8(result.output));
        EXPECT_TRUE(Transactions().empty());
        EXPECT_EQ(VehicleTable(), before);
    }

    // A service without client settings stops at the login as well.
    const RunResult unknownService = Varnok({"-seNOSUCH", "-usr" + kUser, "-psw" + kPassword, "-app" + kApp});
    EXPECT_EQ(unknownService.status, 254);
    EXPECT_EQ(unknownService.output.rfind("\n" + kBanner + "Kivétel:", 0), 0u) << unknownService.output;
    EXPECT_NE(unknownService.output.find("NOSUCH"), std::string::npos) << unknownService.output;
}

TEST_F(VarnokTest, EmptyVehicleTableNeedsNoTransfer) {
    Generate(0);
    const RunResult result = VarnokOnService(true);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output,
              "\n" + kBanner + "Környezetvédelmi adatok nincsenek, adatátemelésre nincs szükség.\n" + "\n");
    EXPECT_TRUE(Transactions().empty());
}

// Every rule of the transfer on one vehicle each, with hand-written
// expected rows. Each vehicle's own id also names a log record full of
// values (a decoy): only the link table may lead to the log record.
TEST_F(VarnokTest, TransferAppliesEachFieldRule) {
    struct Case {
        const char* name;
        std::string before;  // GJ_TELJESITMENY,GJ_TERFOGAT,EMC_ID,GJ_OSSZTOMEG
        std::string log;     // GJ_MOTORTELJ,GJ_HENGERURT,KVO_ID,GJ_LEGNTOMEG; empty: no link
        std::string after;
    };
    const Case cases[] = {
        {"no link, no class: marked", ",,0,0", "", ",,-1,0"},
        {"no link, marked: kept", "90,1600,-1,1500", "", "90,1600,-1,1500"},
        {"no link, classified: kept", ",,4,0", "", ",,4,0"},
        {"every gap filled", ",,0,0", "85,1598," + Code(5) + ",1720", "85,1598,5,1720"},
        {"complete row kept", "110,1968,7,2100", "120,2000," + Code(9) + ",2200", "110,1968,7,2100"},
        {"power text 0 is a value", "0,,3,1300", "66,1200," + Code(3) + ",1300", "0,1200,3,1300"},
        {"volume text 0 is a value", "66,0,3,1300", "70,1400," + Code(3) + ",1300", "66,0,3,1300"},
        {"mass 0 is missing", "70,1400,2,0", "70,1400," + Code(2) + ",1650", "70,1400,2,1650"},
        {"source zeros not copied", ",,6,0", "0,0," + Code(6) + ",0", ",,6,0"},
        {"source negatives not copied", ",,6,0", "-5,-1," + Code(6) + ",-10", ",,6,0"},
        {"negative target mass kept", "95,1800,8,-5", "95,1800," + Code(8) + ",1900", "95,1800,8,-5"},
        {"lowest class", "75,1390,0,1200", "75,1390," + Code(1) + ",1200", "75,1390,1,1200"},
        {"highest class", "75,1390,0,1200", "75,1390," + Code(17) + ",1200", "75,1390,17,1200"},
        {"code of class 18 unknown", "75,1390,0,1200", "75,1390," + Code(18) + ",1200", "75,1390,-1,1200"},
        {"code of class 0 unknown", "75,1390,0,1200", "75,1390," + Code(0) + ",1200", "75,1390,-1,1200"},
        {"unpadded code", "75,1390,0,1200", "75,1390,1,1200", "75,1390,-1,1200"},
        {"code one digit short", "75,1390,0,1200", "75,1390," + Code(1).substr(1) + ",1200", "75,1390,-1,1200"},
        {"code with leading blank", "75,1390,0,1200", "75,1390,\" " + Code(1).substr(1) + "\",1200", "75,1390,-1,1200"},
        {"code with trailing blank", "75,1390,0,1200", "75,1390," + Code(1).substr(1) + " ,1200", "75,1390,-1,1200"},
        {"empty code, rest filled", ",,0,0", "80,1500,,1600", "80,1500,-1,1600"},
        {"marked row not reclassified", ",,-1,0", "95,1800," + Code(8) + ",1900", "95,1800,-1,1900"},
        {"unknown class kept", "95,1800,99,1900", "95,1800," + Code(8) + ",1900", "95,1800,99,1900"},
        // Every positive long of the log fits the text fields whole.
        {"largest values copied whole", ",,0,0", "2147483647,2147483647," + Code(4) + ",2147483647",
         "2147483647,2147483647,4,2147483647"},
    };
    Generate(0);
    std::string vehicles = "GJ_ID,GJ_TELJESITMENY,GJ_TERFOGAT,EMC_ID,GJ_OSSZTOMEG\n";
    std::string logs = "GJ_ID,GJ_MOTORTELJ,GJ_HENGERURT,KVO_ID,GJ_LEGNTOMEG\n";
    std::string links = "S_GJ_ID,K_GJ_ID\n";
    const int count = static_cast<int>(std::size(cases));
    for (int i = count - 1; i >= 0; --i) {  // loaded against key order
        const int id = 1000 + i;
        vehicles += std::to_string(id) + "," + cases[i].before + "\n";
        logs += std::to_string(id) + ",999,9999," + Code(17) + ",9999\n";
        if (!cases[i].log.empty()) {
            logs += std::to_string(5000 + i) + "," + cases[i].log + "\n";
            links += std::to_string(id) + "," + std::to_string(5000 + i) + "\n";
        }
    }
    Load("Car", "Gepjarmu", vehicles);
    Load("RuzNaplo", "Gepjarmu", logs);
    Load("Ruz_Os7", "Gepjlink", links);

    const RunResult result = VarnokOnService(true);
    EXPECT_EQ(result.status, 0) << m_stderr;
    EXPECT_EQ(result.output, kQuietRun);
    const std::string after = VehicleTable();
    std::map<int, std::string> rows;
    for (const std::string& line : Lines(after)) {
        const size_t comma = line.find(',');
        if (comma != std::string::npos && line.compare(0, comma, "GJ_ID") != 0)
            rows[std::stoi(line.substr(0, comma))] = line.substr(comma + 1);
    }
    ASSERT_EQ(rows.size(), std::size(cases)) << after;
    int changed = 0;
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(SplitCsv(rows[1000 + i]), SplitCsv(cases[i].after));
        changed += cases[i].before != cases[i].after ? 1 : 0;
    }
    EXPECT_EQ(Transactions(), (std::vector<std::string>{kBegin, Commit(changed)}));

    // A second run finds nothing to do: marked rows are not looked up again.
    std::filesystem::remove(TraceFile());
    const RunResult again = VarnokOnService(true);
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.output, kQuietRun);
    EXPECT_TRUE(Transactions().empty());
    EXPECT_EQ(VehicleTable(), after);
}

// Services that lack a tablespace of the transfer, built from lurvehgen's
// files: without the link database the run ends quietly and changes
// nothing; without the log database it stops before the first row.
TEST_F(VarnokTest, TablespacesMissingFromTheService) {
    Generate(30);
    const std::string vehicles = ReadText(Files() + "/car_gepjarmu.csv");
    struct Case {
        std::string service;
        std::vector<std::string> tablespaces;  // schema files besides dazevure and car
        int status;
        std::string report;  // the line after the banner; empty: none
    };
    const Case cases[] = {
        {"NOLINKS", {"ruznaplo"}, 0, ""},
        {"NOLOG", {"ruz_os7"}, 254, "Kivétel:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.service);
        Admin({"create-service", c.service, kUser, kPassword});
        std::vector<std::string> schemas{"dazevure", "car"};
        schemas.insert(schemas.end(), c.tablespaces.begin(), c.tablespaces.end());
        for (const std::string& schema : schemas) {
            Admin({"create-tablespace", c.service, LUR_SOURCE_DIR "/tests/fixtures/" + schema + ".schema"});
        }
        Admin({"load", c.service, "DazEvure", "APPLICATION", Files() + "/dazevure_application.csv"});
        Admin({"load", c.service, "DazEvure", "PLUGINS", Files() + "/dazevure_plugins.csv"});
        Admin({"load", c.service, "Car", "Gepjarmu", Files() + "/car_gepjarmu.csv"});

        std::filesystem::remove(TraceFile());
        const RunResult result = VarnokOnService(true, c.service);
        EXPECT_EQ(result.status, c.status) << m_stderr;
        if (c.report.empty()) {
            EXPECT_EQ(result.output, kQuietRun);
        } else {
            EXPECT_EQ(result.output.rfind("\n" + kBanner + c.report, 0), 0u) << result.output;
            EXPECT_NE(result.output.find("RUZNAPLO"), std::string::npos) << result.output;
        }
        EXPECT_TRUE(Transactions().empty());
        EXPECT_EQ(VehicleTable(c.service), vehicles);
    }
}

// The rows a lurvehgen cases.csv says the transfer writes, and how many of
// them stay committed.
int ChangedRows(const std::string& casesCsv, int* committed = nullptr) {
    int changed = 0;
    int kept = 0;
    for (const std::string& line : Lines(casesCsv)) {
        const std::vector<std::string> fields = SplitCsv(line);
        if (fields.size() != 5 || fields[0] == "GJ_ID") continue;
        changed += fields[3] == "1" ? 1 : 0;
        kept += fields[3] == "1" && fields[4] == "1" ? 1 : 0;
    }
    if (committed) *committed = kept;
    return changed;
}

// 339 generated vehicles of which 250 change (seed 1): three transactions of
// 100, 100 and 50 rows, each committed, and every row as expected.
TEST_F(VarnokTest, TwoHundredFiftyChangedRowsMakeThreeCommittedTransactions) {
    Generate(339);
    ASSERT_EQ(ChangedRows(ReadText(Files() + "/cases.csv")), 250) << "the generator's data changed";
    const RunResult result = VarnokOnService(true);
    EXPECT_EQ(result.status, 0) << m_stderr;
    EXPECT_EQ(result.output, kQuietRun);
    EXPECT_EQ(Transactions(), (std::vector<std::string>{kBegin, Commit(100), kBegin, Commit(100), kBegin, Commit(50)}));
    EXPECT_EQ(VehicleTable(), ReadText(Files() + "/expected_car_gepjarmu.csv"));
}

// The row of a CSV file whose first field is the given one ({} none).
std::vector<std::string> RowOf(const std::string& csv, const std::string& first) {
    for (const std::string& line : Lines(csv)) {
        std::vector<std::string> fields = SplitCsv(line);
        if (!fields.empty() && fields[0] == first) return fields;
    }
    return {};
}

// The 209th vehicle links to a log record that does not exist, after 150
// changed rows: the first 100 stay committed, the open 50 are aborted. The
// message names the vehicle and the link's K_GJ_ID, so the row can be found.
TEST_F(VarnokTest, MissingLogRecordAbortsTheOpenBatch) {
    Generate(339, 209);
    int committed = 0;
    ASSERT_EQ(ChangedRows(ReadText(Files() + "/cases.csv"), &committed), 150) << "the generator's data changed";
    ASSERT_EQ(committed, 100);
    std::string vehicle;
    for (const std::string& line : Lines(ReadText(Files() + "/cases.csv"))) {
        const std::vector<std::string> fields = SplitCsv(line);
        if (fields.size() == 5 && fields[2] == "missing") vehicle = fields[0];
    }
    const std::vector<std::string> link = RowOf(ReadText(Files() + "/ruz_os7_gepjlink.csv"), vehicle);
    ASSERT_EQ(link.size(), 2u) << "no link of vehicle " << vehicle;
    ASSERT_EQ(RowOf(ReadText(Files() + "/ruznaplo_gepjarmu.csv"), link[1]), std::vector<std::string>{});

    const RunResult result = VarnokOnService(true);
    EXPECT_EQ(result.status, 254);  // -2: the code-17 exception of the utility library
    // The arguments follow the text on a line of their own.
    EXPECT_EQ(result.output, "\n" + kBanner + "Kivétel:Az index a tartományon kívül esik.\n (vehicle GJ_ID " + vehicle +
                                 ", its Ruz_Os7.Gepjlink row's K_GJ_ID " + link[1] +
                                 " names no RuzNaplo.Gepjarmu record)\n\n");
    EXPECT_EQ(Transactions(), (std::vector<std::string>{kBegin, Commit(100), kBegin, Abort(50)}));
    EXPECT_EQ(VehicleTable(), ReadText(Files() + "/expected_car_gepjarmu.csv"));
}

}  // namespace
