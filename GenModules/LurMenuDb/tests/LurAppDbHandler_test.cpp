// The application registry in "DazEvure": loads, the usability rule,
// duplicates, saving and deleting in the database and in memory together.
#include "LurAppDbHandler.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "DbDescError.h"
#include "LurExceptMenu.h"
#include "RegistryService.h"

namespace {

using namespace registrytest;

struct Failure {
    int code = 0;  // 0 when nothing was raised
    std::string text;
    ErrorLocation where;
};

// What the LurExceptBase that fn raises carries.
Failure Raised(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const LurExceptBase& e) {
        return {e.GetCode(), e.what(), e.GetLocation()};
    }
    return {};
}

class LurAppDbHandlerTest : public ::testing::Test {
protected:
    LurAppDbHandlerTest() {
        service.LoadDesc(desc);
        registry.Attach(&desc);
    }

    // What the database holds, read through a registry of its own.
    std::unique_ptr<LurAppDbHandler> Reload() {
        auto fresh = std::make_unique<LurAppDbHandler>(&desc);
        fresh->LoadAllApps(false, false);
        return fresh;
    }

    RegistryService service;
    DbDesc desc;
    LurAppDbHandler registry;
};

TEST_F(LurAppDbHandlerTest, LoadsOneApplicationWithItsPlugins) {
    ASSERT_TRUE(registry.IsOpen());
    EXPECT_EQ(registry.LoadAppByShortName("MAIN", true, true), kMainId);
    EXPECT_TRUE(registry.IsFound());
    ASSERT_EQ(registry.GetAppCount(), 1);
    const _AppInfo* app = registry.FindAppById(kMainId, true);
    EXPECT_EQ(app->APP_NAME, "Main program");
    EXPECT_TRUE(app->SYSOK);
    EXPECT_EQ(app->version, LurVersionNumber(7, 16, 0, 0));
    EXPECT_EQ(registry.GetPluginCount(), 2);  // only its own
    const _PlgInfo* print = registry.FindPluginById(200, true);
    EXPECT_EQ(print->PLG_SHORTNAME, "print");
    EXPECT_TRUE(print->PLG_LoadMain);
    EXPECT_EQ(print->version, LurVersionNumber(7, 16, 1, 0));
    EXPECT_FALSE(registry.FindPluginById(201, true)->PLG_LoadMain);

    EXPECT_EQ(registry.LoadAppNameById(kOldId, false, false), "OLD");
    EXPECT_EQ(registry.GetAppCount(), 1);  // each load starts from an empty registry
    EXPECT_EQ(registry.GetPluginCount(), 1);
}

TEST_F(LurAppDbHandlerTest, UnknownApplicationLeavesTheRegistryEmpty) {
    registry.LoadAppByShortName("MAIN", true, true);
    EXPECT_EQ(registry.LoadAppByShortName("NOPE", true, true), 0);
    EXPECT_FALSE(registry.IsFound());
    EXPECT_TRUE(registry.IsAppListEmpty());
    EXPECT_TRUE(registry.IsPluginListEmpty());
    EXPECT_EQ(registry.LoadAppNameById(999, true, true), "");
    EXPECT_FALSE(registry.IsFound());
}

TEST_F(LurAppDbHandlerTest, UsabilityRule) {
    EXPECT_EQ(registry.LoadAppByShortName("OLD", false, true), kOldId);
    EXPECT_FALSE(registry.FindAppById(kOldId, true)->SYSOK);
    EXPECT_EQ(registry.LoadAppByShortName("OLD", true, false), 0);
    EXPECT_TRUE(registry.IsAppListEmpty());
    const Failure refused = Raised([&] { registry.LoadAppByShortName("OLD", true, true); });
    EXPECT_EQ(refused.code, 21);
    EXPECT_NE(refused.text.find("OLD"), std::string::npos);
    EXPECT_NE(refused.text.find("1.2.0.0"), std::string::npos);
    EXPECT_EQ(refused.where.file, "LurAppDbHandler");
    EXPECT_EQ(Raised([&] { registry.LoadAppNameById(kOldId, true, true); }).code, 21);

    // Listing all stops quietly at the first unusable row; no plug-ins are read.
    registry.LoadAllApps(true, false);
    EXPECT_EQ(registry.GetAppCount(), 1);
    EXPECT_TRUE(registry.IsPluginListEmpty());
    EXPECT_TRUE(registry.IsFound());
}

TEST_F(LurAppDbHandlerTest, SharedShortNamesAndDuplicateIds) {
    registry.LoadAllApps(false, true);
    EXPECT_EQ(registry.GetAppCount(), 3);
    EXPECT_EQ(registry.GetPluginCount(), 3);
    // Two rows share "MAIN": the first one read keeps the short name.
    EXPECT_EQ(registry.FindAppByShortName("MAIN", true)->APP_ID, kMainId);
    EXPECT_EQ(registry.FindAppByShortName("main", false), nullptr);

    // The reads add without emptying: a row read twice is a duplicate.
    registry.Clear();
    EXPECT_EQ(registry.ReadAppById(kMainId, true, true), "MAIN");
    EXPECT_EQ(Raised([&] { registry.ReadAppById(kMainId, true, true); }).code, LurExceptMenu::AppExists);
    registry.Clear();
    registry.ReadPlugins(kMainId);
    EXPECT_EQ(Raised([&] { registry.ReadPlugins(-1); }).code, LurExceptMenu::PluginExists);
}

TEST_F(LurAppDbHandlerTest, InsertAndSaveRoundTrip) {
    _AppInfo app;
    app.APP_NAME = "New program";
    app.APP_SHORTNAME = "NEW";
    app.version = LurVersionNumber(1, 2, 3, 4);
    app.SYSOK = true;
    const _AppInfo* inserted = registry.InsertApp(app);
    EXPECT_EQ(inserted->APP_ID, 1);  // the first value of "Dazevure_Application"
    EXPECT_EQ(inserted->APP_SHORTNAME, "NEW");

    _PlgInfo plugin;
    plugin.APP_ID = inserted->APP_ID;
    plugin.PLG_NAME = "Part";
    plugin.PLG_SHORTNAME = "part";
    plugin.PLG_LoadMain = true;
    plugin.version = LurVersionNumber(1, 0, 0, 65535);
    const _PlgInfo* insertedPlugin = registry.InsertPlugin(plugin);
    EXPECT_EQ(insertedPlugin->PLG_ID, 1);

    _AppInfo changed = *inserted;
    changed.APP_NAME = "Renamed";
    changed.version = LurVersionNumber(2, 0, 0, 0);
    changed.SYSOK = false;
    EXPECT_EQ(registry.SaveApp(changed)->APP_NAME, "Renamed");
    _PlgInfo changedPlugin = *insertedPlugin;
    changedPlugin.version = LurVersionNumber(1, 1, 0, 0);
    changedPlugin.PLG_LoadMain = false;
    registry.SavePlugin(changedPlugin);

    const auto stored = Reload();
    const _AppInfo* storedApp = stored->FindAppById(1, true);
    EXPECT_EQ(storedApp->APP_NAME, "Renamed");
    EXPECT_EQ(storedApp->APP_SHORTNAME, "NEW");
    EXPECT_EQ(storedApp->version, LurVersionNumber(2, 0, 0, 0));
    EXPECT_FALSE(storedApp->SYSOK);
    const _PlgInfo* storedPlugin = stored->FindPluginById(1, true);
    EXPECT_EQ(storedPlugin->version, LurVersionNumber(1, 1, 0, 0));
    EXPECT_FALSE(storedPlugin->PLG_LoadMain);
    EXPECT_EQ(storedPlugin->APP_ID, 1);
}

TEST_F(LurAppDbHandlerTest, SavingWhatIsNotThereFails) {
    // Not registered: refused before anything is written.
    _AppInfo app;
    app.APP_ID = kMainId;
    app.APP_SHORTNAME = "MAIN";
    app.APP_NAME = "Changed";
    EXPECT_EQ(Raised([&] { registry.SaveApp(app); }).code, LurExceptMenu::AppNotFound);
    EXPECT_EQ(Reload()->FindAppById(kMainId, true)->APP_NAME, "Main program");
    _PlgInfo plugin;
    plugin.PLG_ID = 200;
    EXPECT_EQ(Raised([&] { registry.SavePlugin(plugin); }).code, LurExceptMenu::PluginNotFound);

    // Registered, but the row is gone: the save reports it and the registry keeps its record.
    registry.LoadAppByShortName("MAIN", true, true);
    LurAppDbHandler other(&desc);
    other.LoadAppByShortName("MAIN", true, true);
    ASSERT_TRUE(other.DeleteApp(kMainId));
    EXPECT_EQ(Raised([&] { registry.SaveApp(app); }).code, 10002);
    EXPECT_EQ(registry.FindAppById(kMainId, true)->APP_NAME, "Main program");
    plugin = *registry.FindPluginById(200, true);
    EXPECT_EQ(Raised([&] { registry.SavePlugin(plugin); }).code, 10002);
}

TEST_F(LurAppDbHandlerTest, DeletesApplicationsWithTheirPlugins) {
    EXPECT_FALSE(registry.DeleteApp(999));
    registry.LoadAppByShortName("MAIN", true, true);
    EXPECT_TRUE(registry.DeleteApp(kMainId));
    EXPECT_TRUE(registry.IsAppListEmpty());
    EXPECT_TRUE(registry.IsPluginListEmpty());
    auto stored = Reload();
    EXPECT_EQ(stored->FindAppById(kMainId, false), nullptr);
    EXPECT_EQ(stored->GetPluginCount(), 1);  // only the other application's

    EXPECT_FALSE(registry.DeleteAllApps());  // nothing registered
    registry.LoadAllApps(false, false);
    EXPECT_TRUE(registry.DeleteAllApps());
    EXPECT_TRUE(registry.IsAppListEmpty());
    stored = Reload();
    EXPECT_TRUE(stored->IsAppListEmpty());
    EXPECT_TRUE(stored->IsPluginListEmpty());
}

TEST_F(LurAppDbHandlerTest, DeletesSinglePlugins) {
    registry.LoadAppByShortName("MAIN", true, true);
    EXPECT_TRUE(registry.DeletePlugin(201));
    EXPECT_FALSE(registry.DeletePlugin(201));
    EXPECT_EQ(registry.GetPluginCount(), 1);
    EXPECT_TRUE(registry.DeletePluginsOfApp(kMainId));
    EXPECT_FALSE(registry.DeletePluginsOfApp(kMainId));  // none left
    EXPECT_EQ(Reload()->GetPluginCount(), 1);
}

// A registry whose removal of plug-in records fails, after the rows were
// deleted in the open transaction.
class FailingRegistry : public LurAppDbHandler {
public:
    using LurAppDbHandler::LurAppDbHandler;
    void RemovePluginsOfApp(int) override { throw LurExceptBase("removal failed"); }
};

TEST_F(LurAppDbHandlerTest, FailedPluginDeletionCommitsNothing) {
    FailingRegistry failing(&desc);
    failing.LoadAppByShortName("MAIN", true, true);
    EXPECT_EQ(Raised([&] { failing.DeleteApp(kMainId); }).text, "removal failed");
    EXPECT_FALSE(failing.DeletePluginsOfApp(kMainId));  // reported as false, not raised

    const auto stored = Reload();
    EXPECT_NE(stored->FindAppById(kMainId, false), nullptr);
    EXPECT_EQ(stored->GetPluginCount(), 3);
    // No transaction was left open behind the failures.
    EXPECT_TRUE(desc.BeginTrans("CHECK", true));
    desc.EndTrans(false);
}

TEST_F(LurAppDbHandlerTest, TablespaceWithoutRegistryTables) {
    DbDesc noPlugins;
    service.LoadDesc(noPlugins, "NoPlug", 5);
    LurAppDbHandler unbound(&noPlugins);
    EXPECT_FALSE(unbound.IsOpen());
    EXPECT_EQ(unbound.GetDbDesc(), nullptr);
    for (const auto& use : std::vector<std::function<void()>>{
             [&] { unbound.LoadAppByShortName("MAIN", true, true); },
             [&] { unbound.LoadAllApps(false, false); },
             [&] { unbound.InsertApp(_AppInfo()); },
             [&] { unbound.DeleteApp(kMainId); },
         }) {
        const Failure failure = Raised(use);
        EXPECT_EQ(failure.code, -1);
        EXPECT_NE(failure.text.find("APPLICATION and PLUGINS"), std::string::npos) << failure.text;
    }
    EXPECT_FALSE(unbound.DeletePluginsOfApp(kMainId));

    // A later Attach to the right description binds it.
    EXPECT_TRUE(unbound.Attach(&desc));
    EXPECT_EQ(unbound.LoadAppByShortName("MAIN", true, true), kMainId);
}

TEST_F(LurAppDbHandlerTest, MaintenanceRefusesKeepingCommandsWithoutUsers) {
    const Failure refused = Raised([&] { DeleteAppData(kMainId, &desc, true, false); });
    EXPECT_EQ(refused.code, 13);
    EXPECT_NE(refused.text.find("users"), std::string::npos) << refused.text;
}

// The rows of a table whose field has the value.
int32_t RowsWith(DbDesc& desc, const char* tableName, const char* field, int32_t value) {
    RdmTable table(&desc, tableName);
    table.Fld(field).SetLong(value);
    return table.FindList(field, 5) ? table.GetListCount() : 0;
}

TEST_F(LurAppDbHandlerTest, MaintenanceOfAnApplicationsOtherTables) {
    auto& admin = service.Service();
    admin.Load("DazEvure", "COMMANDS", "CMD_ID,APP_ID,CMD_NAME\n1,100,Print\n2,101,Other\n3,0,Orphan\n");
    admin.Load("DazEvure", "PARAMETERS", "PAR_ID,CMD_ID,PAR_NAME\n1,1,a\n2,1,b\n3,2,c\n");
    admin.Load("DazEvure", "RIGHTS", "RGT_ID,APP_ID\n1,100\n2,0\n3,101\n");
    admin.Load("DazEvure", "USERLINK", "ULK_ID,APP_ID,USR_ID\n1,0,7\n2,101,7\n");

    AssignOrphanRows(kMainId, &desc);
    EXPECT_EQ(RowsWith(desc, "COMMANDS", "APP_ID", kMainId), 2);
    EXPECT_EQ(RowsWith(desc, "RIGHTS", "APP_ID", kMainId), 2);
    EXPECT_EQ(RowsWith(desc, "USERLINK", "APP_ID", kMainId), 1);
    EXPECT_EQ(RowsWith(desc, "USERLINK", "APP_ID", 0), 0);

    DeleteAppData(kMainId, &desc, false, false);
    for (const char* table : {"COMMANDS", "RIGHTS", "USERLINK", "PLUGINS"}) {
        EXPECT_EQ(RowsWith(desc, table, "APP_ID", kMainId), 0) << table;
        EXPECT_EQ(RowsWith(desc, table, "APP_ID", kOldId), 1) << table;
    }
    EXPECT_EQ(RowsWith(desc, "PARAMETERS", "CMD_ID", 1), 0);  // of the deleted commands
    EXPECT_EQ(RowsWith(desc, "PARAMETERS", "CMD_ID", 2), 1);
    EXPECT_EQ(RowsWith(desc, "APPLICATION", "APP_ID", kMainId), 1);  // the application row stays
}

}  // namespace
