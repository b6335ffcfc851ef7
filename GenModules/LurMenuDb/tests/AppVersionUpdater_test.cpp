// The application version updater: tablespace versions and version tables,
// version comparisons and notes, and writing them in one transaction.
#include "AppVersionUpdater.h"

#include <gtest/gtest.h>

#include "DbDescError.h"
#include "LurAppDbHandler.h"
#include "LurExceptMenu.h"
#include "RdmTable.h"
#include "RegistryService.h"

namespace {

using namespace registrytest;

class AppVersionUpdaterTest : public ::testing::Test {
protected:
    AppVersionUpdaterTest() {
        service.OpenAll(map);
        map.GetServerParam("volumeid", volumeId);
    }

    // The one row of the version table "DBVER".
    void SetVersionRow(const std::string& ver, const std::string& id) {
        RdmTable table(map.GetDesc("Car"), "DBVER");
        table.DefineKey("VERID");
        table.Fld("VERID").SetLong(1);
        table.Fld("VER").SetString(ver);
        table.Fld("ID").SetString(id);
        if (!table.ModRec(false)) table.NewRec();
    }

    // The registered versions as the database holds them.
    std::unique_ptr<LurAppDbHandler> Stored() {
        auto stored = std::make_unique<LurAppDbHandler>(map);
        stored->LoadAllApps(false, false);
        return stored;
    }

    RegistryService service;
    DbDescMap map;
    std::string volumeId;
    AppVersionUpdater updater;
};

TEST_F(AppVersionUpdaterTest, OpensOnTheApplication) {
    EXPECT_TRUE(updater.Open(&map, "MAIN"));
    EXPECT_EQ(updater.GetAppId(), kMainId);
    EXPECT_EQ(updater.GetVolumeId(), volumeId);
    EXPECT_FALSE(volumeId.empty());
    EXPECT_TRUE(updater.IsAppUsable());

    EXPECT_TRUE(updater.Open(&map, "NOPE"));  // a second Open starts afresh
    EXPECT_EQ(updater.GetAppId(), 0);
    EXPECT_FALSE(updater.IsAppUsable());
    EXPECT_FALSE(updater.SetAppVersion(LurVersionNumber(8, 0, 0, 0)));

    EXPECT_TRUE(updater.Open(&map, "OLD"));  // no usability check here
    EXPECT_FALSE(updater.IsAppUsable());
}

TEST_F(AppVersionUpdaterTest, AttachesToARegistryOfOneApplication) {
    LurAppDbHandler registry(map);
    registry.LoadAllApps(false, false);
    EXPECT_FALSE(updater.Attach(&map, &registry));
    registry.LoadAppByShortName("OLD", false, false);
    EXPECT_TRUE(updater.Attach(&map, &registry));
    EXPECT_EQ(updater.GetAppId(), kOldId);
    EXPECT_EQ(updater.GetVolumeId(), volumeId);

    // A refused attach leaves no application of the registry held before.
    LurAppHandler empty;
    EXPECT_FALSE(updater.Attach(&map, &empty));
    EXPECT_EQ(updater.GetAppId(), 0);
    EXPECT_FALSE(updater.SetAppVersion(LurVersionNumber(9, 0, 0, 0)));
    EXPECT_FALSE(updater.IsAppUsable());
    ASSERT_TRUE(updater.Open(&map, "MAIN"));
    EXPECT_FALSE(updater.Attach(&map, &empty));
    EXPECT_EQ(updater.GetAppId(), 0);
}

TEST_F(AppVersionUpdaterTest, TablespaceVersions) {
    updater.Open(&map, "MAIN");
    LurVersionNumber version;
    EXPECT_TRUE(updater.GetDbVersion("NotOpen", version));
    EXPECT_EQ(version, LurVersionNumber());
    EXPECT_TRUE(updater.GetDbVersion("Car", version));
    EXPECT_EQ(version, LurVersionNumber(1, 0, 0, 3));
}

TEST_F(AppVersionUpdaterTest, CheckDbWithVersionTables) {
    SetVersionRow("1.0.0.3", volumeId);
    updater.Open(&map, "MAIN");
    struct Case {
        const char* tablespace;
        const char* tables;
        LurVersionNumber version;
        bool result;
    } cases[] = {
        {"NotOpen", "DBVER", LurVersionNumber(9, 0, 0, 0), true},
        {"Car", "", LurVersionNumber(1, 0, 0, 3), true},
        {"Car", "", LurVersionNumber(1, 0, 0, 4), false},
        {"Car", "DBVER", LurVersionNumber(1, 0, 0, 3), true},
        {"Car", "DBVER", LurVersionNumber(), true},  // only the tables
        {"Car", "DBVER,MISSING", LurVersionNumber(), true},
        {"Car", "DBVER,EMPTYVER", LurVersionNumber(), false},  // no record
    };
    for (const Case& test : cases) {
        EXPECT_EQ(updater.CheckDb(test.tablespace, test.tables, test.version), test.result)
            << test.tablespace << " " << test.tables << " " << test.version.ToString();
    }
}

TEST_F(AppVersionUpdaterTest, VersionTableMismatches) {
    updater.Open(&map, "MAIN");
    struct Case {
        const char* what;
        std::string ver;
        std::string id;
        bool result;
    } cases[] = {
        {"as expected", "1.0.0.3", volumeId, true},
        {"other version", "1.0.0.2", volumeId, false},
        {"id padded with blanks", "1.0.0.3", " " + volumeId + " ", false},
        {"other volume", "1.0.0.3", volumeId + "1", false},
    };
    for (const Case& test : cases) {
        SetVersionRow(test.ver, test.id);
        EXPECT_EQ(updater.CheckDb("Car", "DBVER", LurVersionNumber()), test.result) << test.what;
    }
}

TEST_F(AppVersionUpdaterTest, ComparesAndNotesVersions) {
    updater.Open(&map, "MAIN");
    EXPECT_FALSE(updater.SetAppVersion(LurVersionNumber(7, 15, 0, 0)));  // registered is higher
    EXPECT_TRUE(updater.SetAppVersion(LurVersionNumber(7, 16, 0, 0)));

    // "print" loads with the main program: it must stay within 7.16.
    EXPECT_TRUE(updater.NotePluginUpdate("print", LurVersionNumber(7, 16, 2, 0)));
    EXPECT_FALSE(updater.NotePluginUpdate("print", LurVersionNumber(7, 17, 0, 0)));
    EXPECT_TRUE(updater.NotePluginUpdate("print", LurVersionNumber(7, 16, 1, 0)));   // as registered
    EXPECT_FALSE(updater.NotePluginUpdate("print", LurVersionNumber(7, 16, 0, 9)));  // lower
    EXPECT_TRUE(updater.NotePluginUpdate("export", LurVersionNumber(3, 0, 0, 0)));
    EXPECT_FALSE(updater.NotePluginUpdate("PRINT", LurVersionNumber(7, 16, 2, 0)));   // exact names
    EXPECT_FALSE(updater.NotePluginUpdate("oldpart", LurVersionNumber(2, 0, 0, 0)));  // another application's

    EXPECT_TRUE(updater.IsPluginAtLeast("print", LurVersionNumber(7, 16, 1, 0)));
    EXPECT_FALSE(updater.IsPluginAtLeast("print", LurVersionNumber(7, 16, 1, 1)));
    EXPECT_FALSE(updater.IsPluginAtLeast("nope", LurVersionNumber()));
}

TEST_F(AppVersionUpdaterTest, WritesTheNotedVersions) {
    updater.Open(&map, "MAIN");
    EXPECT_TRUE(updater.WriteUpdates());  // nothing noted

    ASSERT_TRUE(updater.SetAppVersion(LurVersionNumber(7, 16, 3, 0)));
    ASSERT_TRUE(updater.NotePluginUpdate("print", LurVersionNumber(7, 16, 2, 0)));
    ASSERT_TRUE(updater.NotePluginUpdate("print", LurVersionNumber(7, 16, 5, 0)));  // the first note stays
    EXPECT_TRUE(updater.WriteUpdates());

    const auto stored = Stored();
    EXPECT_EQ(stored->FindAppById(kMainId, true)->version, LurVersionNumber(7, 16, 3, 0));
    EXPECT_EQ(stored->FindAppById(kMainId, true)->APP_NAME, "Main program");
    EXPECT_EQ(stored->FindPluginById(200, true)->version, LurVersionNumber(7, 16, 2, 0));
    EXPECT_EQ(stored->FindPluginById(201, true)->version, LurVersionNumber(1, 0, 0, 0));
    // The transaction was ended.
    EXPECT_TRUE(map.BeginTrans("CHECK", true));
    map.EndTrans(false);
}

TEST_F(AppVersionUpdaterTest, PluginGoneBeforeWritingWritesNothing) {
    LurAppDbHandler registry(map);
    registry.LoadAppByShortName("MAIN", false, false);
    ASSERT_TRUE(updater.Attach(&map, &registry));
    ASSERT_TRUE(updater.SetAppVersion(LurVersionNumber(7, 16, 3, 0)));
    ASSERT_TRUE(updater.NotePluginUpdate("export", LurVersionNumber(2, 0, 0, 0)));
    ASSERT_TRUE(registry.DeletePlugin(201));
    try {
        updater.WriteUpdates();
        FAIL() << "no exception";
    } catch (const LurExceptMenu& e) {
        EXPECT_EQ(e.GetCode(), LurExceptMenu::PluginNotFound);
    }
    EXPECT_EQ(Stored()->FindAppById(kMainId, true)->version, LurVersionNumber(7, 16, 0, 0));
}

TEST_F(AppVersionUpdaterTest, UnreadableVolumeIdRaises) {
    map.SetHandle(DbDescMap::kNoHandle - 1);
    try {
        updater.Open(&map, "MAIN");
        FAIL() << "no exception";
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetCode(), 10014);
    }
}

}  // namespace
