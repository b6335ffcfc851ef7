#include "LurAppHandler.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "LurExceptMenu.h"
#include "StringResources.h"

namespace {

_AppInfo App(int id, const std::string& shortName, const std::string& name = "Application") {
    _AppInfo app;
    app.APP_ID = id;
    app.APP_NAME = name;
    app.APP_SHORTNAME = shortName;
    app.version = LurVersionNumber(7, 16, 0, 0);
    app.SYSOK = true;
    return app;
}

_PlgInfo Plugin(int id, int appId, const std::string& shortName, const std::string& name = "Plug-in") {
    _PlgInfo plugin;
    plugin.PLG_ID = id;
    plugin.APP_ID = appId;
    plugin.PLG_NAME = name;
    plugin.PLG_SHORTNAME = shortName;
    return plugin;
}

// Runs f, expects a LurExceptMenu and returns it.
template <class F>
LurExceptMenu Raised(F f) {
    try {
        f();
    } catch (const LurExceptMenu& e) {
        return e;
    }
    ADD_FAILURE() << "no LurExceptMenu raised";
    return LurExceptMenu(0, StrVector());
}

class LurAppHandlerTest : public ::testing::Test {
protected:
    void SetUp() override { win::SetUILanguage(win::LANG_ENGLISH); }
    void TearDown() override { win::SetUILanguage(win::LANG_NEUTRAL); }

    LurAppHandler registry;
};

TEST_F(LurAppHandlerTest, NewRecordsAndRegistry) {
    const _AppInfo app;
    EXPECT_EQ(app.APP_ID, -1);
    EXPECT_TRUE(app.APP_SHORTNAME.empty());
    EXPECT_EQ(app.version, LurVersionNumber());
    const _PlgInfo plugin;
    EXPECT_EQ(plugin.PLG_ID, -1);
    EXPECT_EQ(plugin.APP_ID, -1);
    EXPECT_FALSE(plugin.PLG_LoadMain);

    EXPECT_FALSE(registry.IsOpen());
    EXPECT_FALSE(registry.IsFound());
    EXPECT_TRUE(registry.IsAppListEmpty());
    EXPECT_TRUE(registry.IsPluginListEmpty());
}

TEST_F(LurAppHandlerTest, LookupsByIdAndExactShortName) {
    _AppInfo* stored = registry.AddApp(App(5, "ostrev7"), true);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(registry.FindAppById(5, false), stored);
    EXPECT_EQ(registry.FindAppByShortName("ostrev7", false), stored);
    EXPECT_EQ(registry.FindAppByShortName("OSTREV7", false), nullptr);
    EXPECT_EQ(registry.FindAppById(6, false), nullptr);
    EXPECT_EQ(registry.GetAppCount(), 1);
    EXPECT_EQ(registry.GetApps().size(), 1u);
}

TEST_F(LurAppHandlerTest, MissingLookupsRaiseWithTheirArgumentWhenAsked) {
    const struct {
        std::function<void()> call;
        int code;
        std::string argument;
        int line;
    } cases[] = {
        {[&] { registry.FindAppById(42, true); }, 910, "42", 93},
        {[&] { registry.FindAppByShortName("abc", true); }, 910, "abc", 105},
        {[&] { registry.FindPluginById(43, true); }, 913, "43", 209},
        {[&] { registry.FindPluginByShortName(1, "plg", true); }, 913, "plg", 227},
        {[&] { registry.UpdateApp(App(44, "upd"), true); }, 910, "upd", 332},
        {[&] { registry.RemoveApp(45, true); }, 910, "45", 348},
        {[&] { registry.UpdatePlugin(Plugin(46, 1, "uplg"), true); }, 913, "uplg", 390},
    };
    for (const auto& c : cases) {
        const LurExceptMenu e = Raised(c.call);
        EXPECT_EQ(e.GetCode(), c.code);
        ASSERT_EQ(e.GetArgs().size(), 1u);
        EXPECT_EQ(e.GetArgs()[0], c.argument);
        EXPECT_EQ(e.GetLocation().file, "LurAppHandler");
        EXPECT_EQ(e.GetLocation().function, "NULL");
        EXPECT_EQ(e.GetLocation().line, c.line);
        EXPECT_EQ(e.GetResourceId(), 20900 + c.code - 900);
        EXPECT_NE(std::string(e.what()).find(c.argument), std::string::npos) << e.what();
    }
    EXPECT_EQ(registry.UpdateApp(App(44, "upd"), false), nullptr);
    EXPECT_EQ(registry.UpdatePlugin(Plugin(46, 1, "uplg"), false), nullptr);
    EXPECT_NO_THROW(registry.RemoveApp(45, false));
    EXPECT_NO_THROW(registry.RemovePlugin(47, true));  // the flag is not used
}

TEST_F(LurAppHandlerTest, TextsComeFromTheLibraryTable) {
    const LurExceptMenu e = Raised([&] { registry.FindAppByShortName("abc", true); });
    EXPECT_STREQ(e.what(), "Application not found: abc");
}

TEST_F(LurAppHandlerTest, DuplicateIdsAreRefused) {
    _AppInfo* first = registry.AddApp(App(1, "a", "First"), true);
    EXPECT_EQ(registry.AddApp(App(1, "b", "Second"), false), nullptr);
    EXPECT_EQ(registry.GetAppCount(), 1);
    EXPECT_EQ(registry.FindAppById(1, false)->APP_NAME, "First");
    EXPECT_EQ(registry.FindAppByShortName("b", false), nullptr);

    const LurExceptMenu e = Raised([&] { registry.AddApp(App(1, "b"), true); });
    EXPECT_EQ(e.GetCode(), 911);
    EXPECT_EQ(e.GetArgs()[0], "b");
    EXPECT_EQ(e.GetLocation().line, 315);

    registry.AddPlugin(Plugin(10, 1, "p"), true);
    EXPECT_EQ(registry.AddPlugin(Plugin(10, 1, "q"), false), nullptr);
    const LurExceptMenu p = Raised([&] { registry.AddPlugin(Plugin(10, 1, "q"), true); });
    EXPECT_EQ(p.GetCode(), 914);
    EXPECT_EQ(p.GetArgs()[0], "q");
    EXPECT_EQ(p.GetLocation().line, 373);
    EXPECT_EQ(registry.GetPluginCount(), 1);
    EXPECT_EQ(first, registry.FindAppById(1, false));
}

TEST_F(LurAppHandlerTest, UpdateAppMovesTheShortName) {
    registry.AddApp(App(1, "old"), true);
    _AppInfo changed = App(1, "new", "Renamed");
    _AppInfo* stored = registry.UpdateApp(changed, true);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->APP_NAME, "Renamed");
    EXPECT_EQ(registry.FindAppByShortName("old", false), nullptr);
    EXPECT_EQ(registry.FindAppByShortName("new", false), stored);
}

// Two applications with one short name: the index finds the first entered,
// and removing or renaming the other must not take the entry from it.
TEST_F(LurAppHandlerTest, SharedShortNameStaysWithItsHolder) {
    _AppInfo* holder = registry.AddApp(App(1, "shared"), true);
    registry.AddApp(App(2, "shared"), true);
    EXPECT_EQ(registry.FindAppByShortName("shared", false), holder);

    registry.UpdateApp(App(2, "other"), true);
    EXPECT_EQ(registry.FindAppByShortName("shared", false), holder);
    registry.UpdateApp(App(2, "shared"), true);
    EXPECT_EQ(registry.FindAppByShortName("shared", false), holder);
    registry.RemoveApp(2, true);
    EXPECT_EQ(registry.FindAppByShortName("shared", false), holder);
}

TEST_F(LurAppHandlerTest, SharedShortNamePassesToTheRemainingApplication) {
    registry.AddApp(App(3, "shared"), true);
    _AppInfo* second = registry.AddApp(App(2, "shared"), true);
    registry.RemoveApp(3, true);
    EXPECT_EQ(registry.FindAppByShortName("shared", false), second);

    _AppInfo* third = registry.AddApp(App(4, "shared"), true);
    registry.UpdateApp(App(2, "renamed"), true);
    EXPECT_EQ(registry.FindAppByShortName("shared", false), third);
    EXPECT_EQ(registry.FindAppByShortName("renamed", false), second);
}

TEST_F(LurAppHandlerTest, UpdateAppWithSameShortNameKeepsTheHolder) {
    _AppInfo* holder = registry.AddApp(App(1, "shared"), true);
    registry.AddApp(App(2, "shared"), true);
    _AppInfo renamed = App(1, "shared", "New name");
    registry.UpdateApp(renamed, true);
    EXPECT_EQ(registry.FindAppByShortName("shared", false), holder);
    EXPECT_EQ(holder->APP_NAME, "New name");
}

TEST_F(LurAppHandlerTest, RemoveAppTakesItsPluginsAlong) {
    registry.AddApp(App(1, "a"), true);
    registry.AddApp(App(2, "b"), true);
    registry.AddPlugin(Plugin(10, 1, "p1"), true);
    registry.AddPlugin(Plugin(11, 1, "p2"), true);
    registry.AddPlugin(Plugin(20, 2, "q1"), true);

    registry.RemoveApp(1, true);
    EXPECT_EQ(registry.FindPluginById(10, false), nullptr);
    EXPECT_EQ(registry.FindPluginById(11, false), nullptr);
    EXPECT_EQ(registry.HasPlugin(20), 1);
    EXPECT_EQ(registry.HasPlugin(10), 0);
    EXPECT_EQ(registry.GetPluginCount(), 1);
    EXPECT_TRUE(registry.GetPluginsOfApp(1).empty());
    EXPECT_EQ(registry.FindAppByShortName("a", false), nullptr);
}

TEST_F(LurAppHandlerTest, NamesByMode) {
    registry.AddApp(App(2, "b", "Beta"), true);
    registry.AddApp(App(1, "a", "Alpha"), true);
    EXPECT_EQ(registry.GetAppNames(0), (LurAppHandler::AppNameMap{{1, "Alpha"}, {2, "Beta"}}));
    EXPECT_EQ(registry.GetAppNames(1), (LurAppHandler::AppNameMap{{1, "a"}, {2, "b"}}));
    EXPECT_EQ(registry.GetAppNames(2), (LurAppHandler::AppNameMap{{1, "Alpha (a)"}, {2, "Beta (b)"}}));

    registry.AddPlugin(Plugin(12, 1, "x", "Ex"), true);
    registry.AddPlugin(Plugin(10, 1, "y", "Why"), true);
    registry.AddPlugin(Plugin(11, 1, "z", "Zed"), true);
    registry.AddPlugin(Plugin(13, 2, "w", "Other"), true);
    EXPECT_EQ(registry.GetPluginNames(1, 7),
              (LurAppHandler::AppNameMap{{10, "Why (y)"}, {11, "Zed (z)"}, {12, "Ex (x)"}}));
    LurAppHandler::AppNameMap out{{99, "stale"}};
    EXPECT_FALSE(registry.GetPluginNames(out, 3, 0));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(LurAppHandler().GetAppNames(out, 0));
}

TEST_F(LurAppHandlerTest, PluginsOfAnApplication) {
    registry.AddPlugin(Plugin(10, 1, "same", "first"), true);
    registry.AddPlugin(Plugin(5, 1, "same", "second"), true);
    registry.AddPlugin(Plugin(7, 1, "other"), true);
    registry.AddPlugin(Plugin(8, 2, "same"), true);

    EXPECT_EQ(registry.FindPluginByShortName(1, "same", false)->PLG_NAME, "first");
    EXPECT_EQ(registry.FindPluginByShortName(1, "SAME", false), nullptr);
    EXPECT_EQ(registry.FindPluginByShortName(2, "same", false)->PLG_ID, 8);

    const LurAppHandler::PluginMap byId = registry.GetPluginsOfApp(1);
    ASSERT_EQ(byId.size(), 3u);
    EXPECT_EQ(byId.begin()->first, 5);
    const LurAppHandler::PluginShortNameMap byName = registry.GetPluginsOfAppByShortName(1);
    ASSERT_EQ(byName.size(), 2u);
    EXPECT_EQ(byName.at("same")->PLG_NAME, "first");
}

TEST_F(LurAppHandlerTest, UpdatePluginMovesItToItsNewApplication) {
    registry.AddPlugin(Plugin(10, 1, "p"), true);
    registry.AddPlugin(Plugin(11, 1, "p"), true);
    _PlgInfo moved = Plugin(10, 2, "p", "moved");
    moved.version = LurVersionNumber(1, 2, 3, 4);
    _PlgInfo* stored = registry.UpdatePlugin(moved, true);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->version, LurVersionNumber(1, 2, 3, 4));
    EXPECT_EQ(registry.GetPluginsOfApp(1).size(), 1u);
    EXPECT_EQ(registry.FindPluginByShortName(1, "p", false)->PLG_ID, 11);
    EXPECT_EQ(registry.FindPluginByShortName(2, "p", false), stored);

    registry.RemovePlugin(11, false);
    EXPECT_TRUE(registry.GetPluginsOfApp(1).empty());
    EXPECT_EQ(registry.GetPluginCount(), 1);
}

TEST_F(LurAppHandlerTest, ClearForgetsEverything) {
    registry.AddApp(App(1, "a"), true);
    registry.AddPlugin(Plugin(10, 1, "p"), true);
    registry.Clear();
    EXPECT_EQ(registry.FindAppById(1, false), nullptr);
    EXPECT_EQ(registry.FindAppByShortName("a", false), nullptr);
    EXPECT_EQ(registry.FindPluginById(10, false), nullptr);
    EXPECT_TRUE(registry.GetPluginsOfApp(1).empty());

    _AppInfo* again = registry.AddApp(App(2, "a"), true);
    EXPECT_EQ(registry.FindAppByShortName("a", false), again);

    registry.AddPlugin(Plugin(10, 2, "p"), true);
    registry.ClearPlugins();
    EXPECT_TRUE(registry.IsPluginListEmpty());
    EXPECT_EQ(registry.GetAppCount(), 1);
}

}  // namespace
