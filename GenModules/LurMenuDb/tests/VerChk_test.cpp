// The version check: its rules over loaded versions, and the loading from
// the registry and the open tablespaces with its failures.
#include "VerChk.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "CodePage.h"
#include "DbDescError.h"
#include "DbDescMap.h"
#include "RegistryService.h"

namespace {

using namespace registrytest;

// A check whose versions are given instead of loaded.
class GivenVersions : public VerChk {
public:
    GivenVersions(const PluginVersions& plugins, const VersionMap& tablespaces) {
        m_pluginVersions = plugins;
        m_tablespaceVersions = tablespaces;
    }
    void Init(const std::string&) override {}
};

struct RuleCase {
    const char* what;
    std::function<void(VerChk&)> rules;
    bool passes;
};

const LurVersionNumber kPrint(1, 2, 0, 0);
const LurVersionNumber kCar(1, 0, 0, 3);
const LurVersionNumber kSysdb(0, 0, 0, 0);

TEST(VerChkRules, CheckAfterTheExemptingSteps) {
    const RuleCase cases[] = {
        {"no rules", [](VerChk&) {}, true},
        {"forbidden * hits the plug-in's version",
         [](VerChk& c) { c.AddForbiddenPluginVersion("*", LurVersionNumber(1, 2, 0, 0)); }, false},
        {"forbidden * of another version",
         [](VerChk& c) { c.AddForbiddenPluginVersion("*", LurVersionNumber(1, 2, 0, 1)); }, true},
        {"forbidden tablespace version", [](VerChk& c) { c.AddForbiddenTablespaceVersion("CAR", kCar); }, false},
        {"allowed names one tablespace, listed version",
         [](VerChk& c) {
             c.AddAllowedTablespaceVersion("CAR", LurVersionNumber(1, 0, 0, 2));
             c.AddAllowedTablespaceVersion("CAR", kCar);
         },
         true},
        {"allowed names one tablespace, other version",
         [](VerChk& c) { c.AddAllowedTablespaceVersion("CAR", LurVersionNumber(1, 0, 0, 2)); }, false},
        {"allowed * alone decides nothing",
         [](VerChk& c) { c.AddAllowedTablespaceVersion("*", LurVersionNumber(9, 9, 9, 9)); }, true},
        {"allowed * reaches a named tablespace",
         [](VerChk& c) {
             c.AddForbiddenTablespaceVersion("CAR", LurVersionNumber(9, 0, 0, 0));
             c.AddAllowedTablespaceVersion("*", kCar);
         },
         true},
        {"single adders keep the name's case",
         [](VerChk& c) { c.AddAllowedPluginVersion("print", LurVersionNumber(5, 0, 0, 0)); }, true},
        {"whole lists upper-case it",
         [](VerChk& c) {
             c.SetAllowedPluginVersions({{"print", LurVersionNumber(5, 0, 0, 0)}});
         },
         false},
        {"exempt plug-in passes its rule",
         [](VerChk& c) {
             c.SetAllowedPluginVersions({{"print", LurVersionNumber(5, 0, 0, 0)}});
             c.SetExemptPlugins({"print"});
         },
         true},
        {"exempt * passes every plug-in",
         [](VerChk& c) {
             c.SetAllowedPluginVersions({{"print", LurVersionNumber(5, 0, 0, 0)}});
             c.AddExemptPlugin("*");
         },
         true},
    };
    for (const RuleCase& test : cases) {
        GivenVersions check({{200, VersionEntry("PRINT", kPrint)}}, {{"CAR", kCar}, {"SYSDB", kSysdb}});
        test.rules(check);
        check.ExemptUnruledTablespaces();
        check.ExemptUnruledPlugins();
        EXPECT_EQ(check.Check(), test.passes) << test.what;
    }
}

TEST(VerChkRules, NoPluginsPass) {
    GivenVersions check({}, {{"CAR", kCar}});
    check.AddForbiddenPluginVersion("*", kPrint);
    check.AddAllowedPluginVersion("PRINT", kPrint);
    check.ExemptUnruledTablespaces();
    check.ExemptUnruledPlugins();
    EXPECT_TRUE(check.Check());
}

TEST(VerChkRules, InitNeedsTheMap) {
    VerChk check;
    try {
        check.Init("MAIN");
        FAIL() << "no exception";
    } catch (const LurExceptBase& e) {
        EXPECT_EQ(win::Cp1250ToUtf8(e.what()), "Az inicializálás előtt használd a SetDescMap függvényt.");
    }
}

class VerChkTest : public ::testing::Test {
protected:
    VerChkTest() {
        service.OpenAll(map);
        check.SetDescMap(&map);
    }

    // The text of the LurExceptBase that Init raises ("" when none), and its code.
    std::pair<int, std::string> InitFailure(const std::string& shortName) {
        try {
            check.Init(shortName);
        } catch (const LurExceptBase& e) {
            return {e.GetCode(), win::Cp1250ToUtf8(e.what())};
        }
        return {0, ""};
    }

    RegistryService service;
    DbDescMap map;
    VerChk check;
};

TEST_F(VerChkTest, LoadsPluginAndTablespaceVersions) {
    check.AddForbiddenPluginVersion("*", kPrint);  // emptied by Init
    check.Init("MAIN");
    EXPECT_EQ(check.GetAppId(), kMainId);
    const auto& plugins = check.GetPluginVersions();
    ASSERT_EQ(plugins.size(), 2u);
    EXPECT_EQ(plugins.at(200).name, "PRINT");
    EXPECT_EQ(plugins.at(200).version, LurVersionNumber(7, 16, 1, 0));
    EXPECT_EQ(plugins.at(201).name, "EXPORT");
    const auto& tablespaces = check.GetTablespaceVersions();
    EXPECT_EQ(tablespaces.at("DAZEVURE"), LurVersionNumber(7, 16, 0, 0));
    EXPECT_EQ(tablespaces.at("CAR"), kCar);
    EXPECT_EQ(tablespaces.size(), static_cast<size_t>(map.Count()));

    check.ExemptUnruledTablespaces();
    check.ExemptUnruledPlugins();
    EXPECT_TRUE(check.Check());
    check.AddForbiddenTablespaceVersion("DAZEVURE", LurVersionNumber(7, 16, 0, 0));
    EXPECT_FALSE(check.Check());
}

TEST_F(VerChkTest, ApplicationMustBeRegisteredAndUsable) {
    EXPECT_EQ(InitFailure("NOPE"), (std::pair<int, std::string>{-1, "A megadott alkalmazás nem található!"}));
    EXPECT_EQ(InitFailure("").second, "A megadott alkalmazás nem található!");
    EXPECT_EQ(InitFailure("OLD").first, 21);
}

TEST_F(VerChkTest, UnreadableVolumeIdPassesThrough) {
    // The registry reads through its own description's handle; the volume
    // id is asked for on the map's, which here names no connection.
    map.SetHandle(DbDescMap::kNoHandle - 1);
    try {
        check.Init("MAIN");
        FAIL() << "no exception";
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetCode(), 10014);
    }
}

TEST_F(VerChkTest, MissingRegistryTablespace) {
    map.RemoveDesc("DazEvure");
    EXPECT_EQ(InitFailure("MAIN").first, 2000);
}

TEST(VerChkRegistryTables, RegistryWithoutPluginTableIsAClearError) {
    lurtest::ServiceFixture service(
        "tablespace DazEvure 2\n"
        "table APPLICATION\n"
        "  field APP_ID         l 4  u\n"
        "  field APP_SHORTNAME  c 21 d\n");
    DbDescMap map;
    map.SetHandle(service.Handle());
    ASSERT_TRUE(map.OpenAll());
    VerChk check;
    check.SetDescMap(&map);
    try {
        check.Init("MAIN");
        FAIL() << "no exception";
    } catch (const LurExceptBase& e) {
        EXPECT_EQ(e.GetCode(), -1);
        EXPECT_NE(std::string(e.what()).find("APPLICATION and PLUGINS"), std::string::npos) << e.what();
    }
}

}  // namespace
