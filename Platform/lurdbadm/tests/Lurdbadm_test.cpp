// lurdbadm as its users run it: services, schemas, CSV in and out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

#include "CodePage.h"
#include "Registry.h"
#include "Store.h"
#include "TestService.h"

using namespace lurdbcli;
using testsupport::RunAdmin;

namespace {

class LurdbadmTest : public ::testing::Test {
protected:
    std::string WriteFile(const std::string& name, const std::string& text) {
        const std::string path = dir.Path() + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // The rows of a table as lurdbadm dumps them.
    std::string Dump(const std::string& arguments) {
        std::string output;
        EXPECT_EQ(RunAdmin("dump " + arguments, &output), 0) << output;
        return output;
    }

    testsupport::TempServiceDir dir;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string RegistryText(const std::string& service, const char* value) {
    win::HKEY key = nullptr;
    if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, ("software\\ludbclients\\" + service).c_str(), 0, win::KEY_READ,
                           &key) != 0) {
        return "<no key>";
    }
    char data[260] = {};
    uint32_t size = sizeof data;
    uint32_t type = 0;
    const int32_t rc = win::RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<uint8_t*>(data), &size);
    win::RegCloseKey(key);
    if (rc != 0) {
        return "<no value>";
    }
    if (type == win::REG_DWORD) {
        uint32_t number = 0;
        std::memcpy(&number, data, 4);
        return "dword:" + std::to_string(number);
    }
    return data;
}

TEST_F(LurdbadmTest, CreatesServiceWithRegistryKeyCatalogueAndFirstUser) {
    std::string output;
    ASSERT_EQ(RunAdmin("create-service Cardb Admin Secret --server dbhost --volumeid 42", &output), 0) << output;
    EXPECT_EQ(RegistryText("CARDB", "service"), "CARDB");
    EXPECT_EQ(RegistryText("cardb", "server"), "dbhost");
    EXPECT_EQ(RegistryText("CARDB", "defaultuser"), "ADMIN");
    EXPECT_EQ(RegistryText("CARDB", "timeout"), "dword:0");

    EXPECT_EQ(Dump("cardb sysdb tablespace"), "dbid,name,vermajor,verminor,versub,verbuild\n19,SYSDB,1,0,0,0\n");
    const std::string users = Dump("CARDB SYSDB dbuser");
    EXPECT_EQ(users.substr(0, 29), "userid,type,name,psw,enabled\n");
    EXPECT_EQ(users.substr(users.size() - 5), "0x01\n");
    EXPECT_EQ(users.find("ADMIN"), std::string::npos);  // kept scrambled
    EXPECT_EQ(*Store::Open("CARDB")->Param("volumeid"), "42");

    // A second creation and unusable names are refused.
    EXPECT_EQ(RunAdmin("create-service CARDB a b", &output), 1);
    EXPECT_NE(output.find("already has a store"), std::string::npos);
    for (const char* name : {"../up", "a/b", "a\\\\b", "x..y"}) {
        EXPECT_EQ(RunAdmin(std::string("create-service '") + name + "' a b", &output), 1) << name;
        EXPECT_NE(output.find("invalid service name"), std::string::npos) << output;
    }
    EXPECT_EQ(RegistryText("x..y", "service"), "<no key>");
    EXPECT_EQ(RunAdmin("create-service CARDB2 a", &output), 2);  // usage
}

TEST_F(LurdbadmTest, ServiceWhoseRegistryKeyFailsIsNotLeftBehind) {
    const std::string blocker = WriteFile("blocker", "a file, not a directory");
    setenv("LUR_REGISTRY", (blocker + "/registry.reg").c_str(), 1);
    std::string output;
    EXPECT_EQ(RunAdmin("create-service CARDB a b", &output), 1);
    EXPECT_NE(output.find("registry"), std::string::npos) << output;
    EXPECT_FALSE(std::filesystem::exists(Store::PathFor("CARDB")));
    setenv("LUR_REGISTRY", (dir.Path() + "/registry.reg").c_str(), 1);
    EXPECT_EQ(RunAdmin("create-service CARDB a b", &output), 0) << output;
}

// The rows "| spid | spname |" of the README's table of system privileges,
// as lurdbadm dumps the dictionary.
std::string ReadmePrivilegeRows() {
    std::istringstream readme(ReadText(std::string(LUR_SOURCE_DIR) + "/Platform/lurdbadm/README.md"));
    std::string rows = "spid,spname\n";
    for (std::string line; std::getline(readme, line);) {
        if (line.size() > 2 && line.compare(0, 2, "| ") == 0 && std::isdigit(static_cast<unsigned char>(line[2]))) {
            const size_t bar = line.find(" | ", 2);
            rows += line.substr(2, bar - 2) + "," + line.substr(bar + 3, line.size() - bar - 5) + "\n";
        }
    }
    return rows;
}

TEST_F(LurdbadmTest, ANewServiceOffersTheSystemPrivilegesTheReadmeLists) {
    const std::string expected = ReadmePrivilegeRows();
    EXPECT_NE(expected.find("\n1,CREATE SESSION\n"), std::string::npos) << expected;
    EXPECT_NE(expected.find(",SELECT ANY TABLE\n"), std::string::npos) << expected;
    ASSERT_EQ(RunAdmin("create-service privs admin secret"), 0);
    EXPECT_EQ(Dump("privs SYSDB sysprivilegdict"), expected);
}

TEST_F(LurdbadmTest, CreatesTablespacesAndKeepsTheCatalogueInStep) {
    ASSERT_EQ(RunAdmin("create-service GARAGE admin secret"), 0);
    std::string output;
    ASSERT_EQ(RunAdmin("create-tablespace GARAGE " + testsupport::FixturePath("lurdbcli_garage.schema"), &output), 0)
        << output;
    EXPECT_EQ(Dump("GARAGE SYSDB tablespace"),
              "dbid,name,vermajor,verminor,versub,verbuild\n19,SYSDB,1,0,0,0\n7,Garage,2,1,0,15\n");
    const std::string tables = Dump("GARAGE SYSDB tables");
    EXPECT_NE(tables.find(",Garage,Vehicle,10000\n"), std::string::npos) << tables;
    EXPECT_NE(tables.find(",Garage,ServiceLog,10001\n"), std::string::npos);
    const std::string fields = Dump("GARAGE SYSDB fields");
    EXPECT_NE(fields.find(",Garage,Vehicle,Plate,c,1,0,0\n"), std::string::npos) << fields;
    EXPECT_NE(fields.find(",Garage,Vehicle,Volume,F,2,0,0\n"), std::string::npos);
    EXPECT_NE(fields.find(",Garage,ServiceLog,VehSrv,k,0,0,0\n"), std::string::npos);

    // A file whose second tablespace clashes creates neither.
    const std::string clash = WriteFile("clash.schema",
                                        "tablespace Fresh 8\ntable T\n field F c 4 n\n"
                                        "tablespace garage 9\ntable T\n field F c 4 n\n");
    EXPECT_EQ(RunAdmin("create-tablespace GARAGE " + clash, &output), 2);
    EXPECT_FALSE(Store::Open("GARAGE")->FindTablespace("Fresh").has_value());
    // So does one whose second tablespace fails while it is written, after
    // the first is in: its name passes the file's checks but is too long for
    // the catalogue's 32-byte name field.
    const std::string catalogue = Dump("GARAGE SYSDB tablespace");
    const std::string longName(40, 'N');
    const std::string tooLong = "tablespace " + longName + " 9\ntable T\n field F c 4 n\n";
    const std::string failing = WriteFile("failing.schema", "tablespace Fresh 8\ntable T\n field F c 4 n\n" + tooLong);
    EXPECT_EQ(RunAdmin("create-tablespace GARAGE " + failing, &output), 1);
    EXPECT_NE(output.find(longName), std::string::npos) << output;
    EXPECT_FALSE(Store::Open("GARAGE")->FindTablespace("Fresh").has_value());
    EXPECT_FALSE(Store::Open("GARAGE")->FindTablespace(longName).has_value());
    EXPECT_EQ(Dump("GARAGE SYSDB tablespace"), catalogue);
    const std::string bad = WriteFile("bad.schema", "tablespace X 8\ntable T\n field F q 4 n\n");
    EXPECT_EQ(RunAdmin("create-tablespace GARAGE " + bad, &output), 1);
    EXPECT_NE(output.find("line 3"), std::string::npos) << output;
}

TEST_F(LurdbadmTest, LoadsCsvAndDumpsItBack) {
    ASSERT_EQ(RunAdmin("create-service GARAGE admin secret"), 0);
    ASSERT_EQ(RunAdmin("create-tablespace GARAGE " + testsupport::FixturePath("lurdbcli_garage.schema")), 0);
    const std::string csv =
        "VehId,Plate,Owner,Power,Mass,Volume,Ratio,Flag,Code\n"
        "1,ABC-123,\"Kovács, Ödön\",75,4000000000,1.5,0.25,Y,00FF10\n"
        "2,XYZ-9,\"say \"\"hi\"\"\",-3,0,0,0,0x01,\n"
        "\n";
    std::string output;
    ASSERT_EQ(RunAdmin("load GARAGE Garage vehicle " + WriteFile("v.csv", csv), &output), 0) << output;
    EXPECT_NE(output.find("2 rows loaded"), std::string::npos);
    EXPECT_EQ(Dump("GARAGE GARAGE Vehicle"),
              "VehId,Plate,Owner,Power,Mass,Volume,Ratio,Flag,Code\n"
              "1,ABC-123,\"Kovács, Ödön\",75,4000000000,1.5,0.25,Y,00FF100000000000\n"
              "2,XYZ-9,\"say \"\"hi\"\"\",-3,0,0,0,0x01,0000000000000000\n");

    // One bad row loads nothing and names its line; a key taken, in the
    // table (compared as its index compares) or on an earlier line, is named
    // with its values.
    struct Case {
        const char* rows;
        std::string message;
    };
    const std::string nothing = "; nothing of " + dir.Path() + "/bad.csv was loaded";
    const Case cases[] = {
        {"VehId,Plate\n3,AAA\n4,BBBBBBBBBBBBBBBB\n", "line 3"},  // too long for 11 bytes
        {"VehId,Plate\n3,AAA\nx,BBB\n", "line 3"},
        {"VehId,Plate\n3,AAA\n1,NEW\n",
         "lurdbadm: line 3: Garage.Vehicle has a row with the unique key VehId = \"1\" already" + nothing + "\n"},
        {"VehId,Plate,Owner\n3,abc-123,\"Kovács, Ödön\"\n",
         "lurdbadm: line 2: Garage.Vehicle has a row with the unique key PlateOwner (Plate = \"abc-123\", Owner = "
         "\"Kovács, Ödön\") already" +
             nothing + "\n"},
        {"VehId,Plate\n3,AAA\n4,BBB\n3,CCC\n", "lurdbadm: line 4: an earlier line of " + dir.Path() +
                                                   "/bad.csv has the unique key VehId = \"3\" of Garage.Vehicle too" +
                                                   nothing + "\n"},
        {"VehId,Colour\n3,red\n", "no value field Colour"},
        {"VehId,Plate\n3\n", "line 2"},
        {"VehId,Plate\n3,\"open\n", "unterminated"},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(RunAdmin("load GARAGE Garage Vehicle " + WriteFile("bad.csv", test.rows), &output), 1) << test.rows;
        EXPECT_NE(output.find(test.message), std::string::npos) << output;
    }
    EXPECT_EQ(Dump("GARAGE GARAGE Vehicle").find("\n3,"), std::string::npos);
    EXPECT_EQ(RunAdmin("dump GARAGE Garage Nowhere", &output), 1);
    EXPECT_EQ(RunAdmin("dump NOSERVICE Garage Vehicle", &output), 1);
    EXPECT_NE(output.find("no store"), std::string::npos);
}

TEST_F(LurdbadmTest, UsersWhoseScrambledNamesDifferOnlyInCaseStayApart) {
    // "AAAAAA" and "AAAAAÁ" scramble to texts that differ only in the case
    // of their sixth letter.
    ASSERT_EQ(RunAdmin("create-service GARAGE admin secret"), 0);
    std::string output;
    ASSERT_EQ(RunAdmin("add-user GARAGE AAAAAA one", &output), 0) << output;
    ASSERT_EQ(RunAdmin("add-user GARAGE AAAAAÁ two", &output), 0) << output;
    EXPECT_EQ(RunAdmin("remove-user GARAGE AAAAAÁ"), 0);
    EXPECT_EQ(RunAdmin("remove-user GARAGE AAAAAÁ"), 1);
    EXPECT_EQ(RunAdmin("remove-user GARAGE AAAAAA"), 0);
}

TEST_F(LurdbadmTest, UserCommandsChangeOnlyUsersThatExist) {
    ASSERT_EQ(RunAdmin("create-service GARAGE admin secret"), 0);
    ASSERT_EQ(RunAdmin("add-user GARAGE clerk pass"), 0);
    ASSERT_EQ(RunAdmin("add-user GARAGE temp pass"), 0);
    ASSERT_EQ(RunAdmin("disable-user garage Clerk"), 0);  // names in any case
    ASSERT_EQ(RunAdmin("remove-user GARAGE temp"), 0);
    // The first user enabled, the clerk kept but disabled, temp gone.
    const std::string users = Dump("GARAGE SYSDB dbuser");
    EXPECT_EQ(std::count(users.begin(), users.end(), '\n'), 3) << users;
    EXPECT_NE(users.find("0x01\n"), std::string::npos) << users;
    EXPECT_EQ(users.find("0x01\n"), users.rfind("0x01\n")) << users;

    struct Case {
        const char* arguments;
        int status;
        const char* message;
    };
    const Case refusals[] = {
        {"add-user GARAGE CLERK other", 1, "exists already"},
        {"disable-user GARAGE nobody", 1, "no user"},
        {"remove-user GARAGE temp", 1, "no user"},
        {"add-user NOSERVICE someone pass", 1, "no store"},
        {"add-user GARAGE 12345678901234567890123456789012 pass", 2, "1 to 31 characters"},
        {"add-user GARAGE someone 12345678901234567890123456789012", 2, "1 to 31 characters"},
        {"disable-user GARAGE", 2, "needs <service> <user>"},
    };
    for (const Case& c : refusals) {
        std::string output;
        EXPECT_EQ(RunAdmin(c.arguments, &output), c.status) << c.arguments;
        EXPECT_NE(output.find(c.message), std::string::npos) << c.arguments << ": " << output;
    }
    EXPECT_EQ(Dump("GARAGE SYSDB dbuser"), users);  // the refusals changed nothing
}

// Bad input of every kind is refused with exit status 1 (a file or value
// that cannot be used) or 2 (a command line that cannot be carried out), a
// message that says why, and no change to any store.
TEST_F(LurdbadmTest, BadInputIsRefusedClearlyAndChangesNothing) {
    ASSERT_EQ(RunAdmin("create-service GARAGE admin secret"), 0);
    ASSERT_EQ(RunAdmin("create-tablespace GARAGE " + testsupport::FixturePath("lurdbcli_garage.schema")), 0);
    ASSERT_EQ(RunAdmin("load GARAGE Garage Vehicle " + WriteFile("v.csv", "VehId,Plate\n1,ABC-123\n")), 0);
    const std::string longText(100, 'x');
    const std::string longValue = "\"" + std::string(60, 'x') + "\"... (100 characters)";
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        // Schema files that define nothing, and limits of the store.
        {"create-tablespace GARAGE " + WriteFile("empty.schema", ""), 1, "defines no tablespace"},
        {"create-tablespace GARAGE " + WriteFile("comments.schema", "# nothing yet\n\n   # really\n"), 1,
         "defines no tablespace"},
        {"create-tablespace GARAGE " + dir.Path(), 1, "is a directory"},
        {"create-tablespace GARAGE " + WriteFile("long.schema", "tablespace Big 8\ntable T\n field F c 40000 n\n"), 1,
         "limit of 32767 bytes"},
        // Tablespaces already there, by name or by number.
        {"create-tablespace GARAGE " + WriteFile("name.schema", "tablespace garage 8\ntable T\n field F c 4 n\n"), 2,
         "already has a tablespace garage"},
        {"create-tablespace GARAGE " + WriteFile("number.schema", "tablespace Other 7\ntable T\n field F c 4 n\n"), 2,
         "number 7 of Other is taken by Garage"},
        // CSV headers and values.
        // Schema files are UTF-8 taken whole, and their own words are quoted in UTF-8.
        {"create-tablespace GARAGE " + WriteFile("latin1.schema", "tablespace \xC1rv 8\ntable T\n field F c 4 n\n"), 1,
         dir.Path() + "/latin1.schema is not valid UTF-8 at byte 11"},
        {"create-tablespace GARAGE " +
             WriteFile("cjk.schema", "tablespace Big 8\ntable \xE6\x97\xA5\n field F c 4 n\n"),
         1, dir.Path() + "/cjk.schema holds a character that code page 1250 lacks at byte 23"},
        {"create-tablespace GARAGE " + WriteFile("bare.schema", "tablespace \xC3\x81rv 8\ntable J\xC3\xA1rm\xC5\xB1\n"),
         1, "table J\xC3\xA1rm\xC5\xB1 has no fields"},
        {"load GARAGE Garage Vehicle " + WriteFile("twice.csv", "VehId,Plate,vehid\n2,A,3\n"), 1,
         "names the field \"vehid\" twice"},
        {"load GARAGE Garage Vehicle " + WriteFile("cjk.csv",
                                                   "VehId,Owner\n2,Kov\xC3\xA1"
                                                   "cs\n3,\xE6\x97\xA5\xE6\x9C\xAC\n"),
         1, "line 3, field Owner: \"\xE6\x97\xA5\" (U+65E5) has no place in code page 1250"},
        {"load GARAGE Garage Vehicle " + WriteFile("latin1.csv", "VehId,Owner\n2,\xE1rv\n"), 1,
         "line 2, field Owner: the byte 0xE1, which is no UTF-8"},
        {"load GARAGE Garage Vehicle " + WriteFile("longvalue.csv", "VehId,Power\n2," + longText + "\n"), 1,
         "bad value " + longValue + ", not a whole number from"},
        // Command lines.
        {"create-service NEWSVC a b --verbose", 2, "unknown option \"--verbose\""},
        {"create-service NEWSVC a b --volumeid 12x", 2, "--volumeid needs a whole number from 0 to 4294967295"},
        {"create-service NEWSVC a b --volumeid 4294967296", 2, "--volumeid needs a whole number"},
        {"create-service \"$(printf 'a\\377b')\" a b", 2,
         "lurdbadm: argument 2 (a?b) is not valid UTF-8 at byte 1\nusage:"},
        {"add-user GARAGE clerk pass\xE6\x97\xA5", 2, "argument 4 (pass?) holds a character that code page 1250 lacks"},
        {"create-service NEWSVC a b --server \xC3\xA9\xE6\x97\xA5", 2, "argument 6 (\xC3\xA9?) holds a character"},
        // Service names that select another file or break the registry file.
        {"create-service .hidden a b", 1, "may not start with"},
        {"create-service -- a b", 1, "may not start with"},
        {"create-service 'a]b' a b", 1, "invalid service name"},
        {"create-service '[x' a b", 1, "invalid service name"},
        {"create-service \"$(printf 'a\\001b')\" a b", 1, "invalid service name"},
    };
    auto state = [&] {
        std::string files;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path() + "/data")) {
            files += entry.path().filename().string() + "\n";
        }
        return files + Dump("GARAGE SYSDB tablespace") + Dump("GARAGE SYSDB tables") + Dump("GARAGE SYSDB fields") +
               Dump("GARAGE Garage Vehicle") + ReadText(dir.Path() + "/registry.reg");
    };
    const std::string before = state();
    for (const Case& c : cases) {
        std::string output;
        EXPECT_EQ(RunAdmin(c.arguments, &output), c.status) << c.arguments << ": " << output;
        EXPECT_NE(output.find(c.message), std::string::npos) << c.arguments << ": " << output;
        EXPECT_EQ(output.find("stoull"), std::string::npos) << output;
        EXPECT_EQ(output.find("UNIQUE constraint"), std::string::npos) << output;
    }
    EXPECT_EQ(state(), before);
}

// A byte-order mark before the header is no part of the first field name.
TEST_F(LurdbadmTest, LoadSkipsAByteOrderMark) {
    ASSERT_EQ(RunAdmin("create-service GARAGE admin secret"), 0);
    ASSERT_EQ(RunAdmin("create-tablespace GARAGE " + testsupport::FixturePath("lurdbcli_garage.schema")), 0);
    std::string output;
    ASSERT_EQ(RunAdmin("load GARAGE Garage Vehicle " + WriteFile("bom.csv", "\xEF\xBB\xBFVehId,Owner\n5,\xC5\x90s\n"),
                       &output),
              0)
        << output;
    EXPECT_NE(Dump("GARAGE Garage Vehicle").find("\n5,,\xC5\x90s,"), std::string::npos);
}

// Service names are upper-cased with the code page's case table, so every
// spelling reaches the one service.
TEST_F(LurdbadmTest, AccentedServiceNamesFoldToOneService) {
    std::string output;
    ASSERT_EQ(RunAdmin("create-service \xC3\xA1rv\xC3\xADz admin secret", &output), 0) << output;  // árvíz
    EXPECT_TRUE(std::filesystem::exists(dir.Path() + "/data/\xC3\x81RV\xC3\x8DZ.lurdb"));          // ÁRVÍZ
    EXPECT_EQ(RegistryText(win::Utf8ToCp1250("\xC3\x81RV\xC3\x8DZ"), "service"),
              win::Utf8ToCp1250("\xC3\x81RV\xC3\x8DZ"));
    EXPECT_EQ(RunAdmin("add-user \xC3\x81RV\xC3\x8DZ clerk pass", &output), 0) << output;
    EXPECT_EQ(RunAdmin("create-service \xC3\x81rV\xC3\xADZ a b", &output), 1);
    EXPECT_NE(output.find("already has a store"), std::string::npos) << output;
}

// Names with accents travel whole both ways: from the command line and the
// files into the store, and back out in file names and messages. (Names
// match with ASCII letters in any case; accented letters as written.)
TEST_F(LurdbadmTest, AccentedNamesTravelFromArgumentsAndFilesAndBack) {
    // Árvíz / Jármű / Tulajdonos, under a directory "sémák" and file "garázs".
    std::filesystem::create_directory(dir.Path() + "/s\xC3\xA9m\xC3\xA1k");
    const std::string schema = WriteFile("s\xC3\xA9m\xC3\xA1k/gar\xC3\xA1zs.schema",
                                         "tablespace \xC3\x81rv\xC3\xADz 8\n"
                                         "table J\xC3\xA1rm\xC5\xB1\n"
                                         "  field Id l 4 u\n"
                                         "  field Tulajdonos c 20 n\n");
    const std::string csv = WriteFile("s\xC3\xA9m\xC3\xA1k/j\xC3\xA1rm\xC5\xB1.csv", "Id,Tulajdonos\n1,\xC5\x90ri\n");
    std::string output;
    ASSERT_EQ(RunAdmin("create-service GARAGE admin secret"), 0);
    ASSERT_EQ(RunAdmin("create-tablespace GARAGE " + schema, &output), 0) << output;
    EXPECT_EQ(output, "tablespace \xC3\x81rv\xC3\xADz (8) created with 1 tables\n");
    ASSERT_EQ(RunAdmin("load GARAGE \xC3\x81RV\xC3\xADZ j\xC3\xA1RM\xC5\xB1 " + csv, &output), 0) << output;
    EXPECT_EQ(output, "1 rows loaded into \xC3\x81RV\xC3\xADZ.j\xC3\xA1RM\xC5\xB1\n");
    EXPECT_EQ(Dump("GARAGE \xC3\x81rv\xC3\xADz J\xC3\xA1rm\xC5\xB1"), "Id,Tulajdonos\n1,\xC5\x90ri\n");

    EXPECT_EQ(RunAdmin("dump GARAGE \xC3\x81rv\xC3\xADz Aut\xC3\xB3", &output), 1);
    EXPECT_NE(output.find("no table Aut\xC3\xB3 in \xC3\x81rv\xC3\xADz"), std::string::npos) << output;
    EXPECT_EQ(
        RunAdmin("load GARAGE \xC3\x81rv\xC3\xADz J\xC3\xA1rm\xC5\xB1 " + dir.Path() + "/nincs_\xC5\xB1.csv", &output),
        1);
    EXPECT_NE(output.find("cannot read " + dir.Path() + "/nincs_\xC5\xB1.csv"), std::string::npos) << output;
}

}  // namespace
