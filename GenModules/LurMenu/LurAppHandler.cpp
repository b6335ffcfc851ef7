#include "LurAppHandler.h"

#include <cstdio>
#include <utility>

#include "LurExceptMenu.h"

namespace {

// The throw sites' lines, as the registry's error reports give them.
constexpr int kLineFindAppById = 93;
constexpr int kLineFindAppByShortName = 105;
constexpr int kLineFindPluginById = 209;
constexpr int kLineFindPluginByShortName = 227;
constexpr int kLineAddApp = 315;
constexpr int kLineUpdateApp = 332;
constexpr int kLineRemoveApp = 348;
constexpr int kLineAddPlugin = 373;
constexpr int kLineUpdatePlugin = 390;

constexpr ThrowSource Here{"LurAppHandler"};

std::string NameByMode(const std::string& name, const std::string& shortName, int mode) {
    switch (mode) {
        case 0: return name;
        case 1: return shortName;
        default: return name + " (" + shortName + ")";
    }
}

}  // namespace

LurAppHandler::LurAppHandler() = default;

LurAppHandler::~LurAppHandler() { LurAppHandler::Clear(); }

bool LurAppHandler::GetAppNames(AppNameMap& out, int mode) const {
    out.clear();
    for (const auto& [id, app] : appsById) {
        out.emplace(id, NameByMode(app->APP_NAME, app->APP_SHORTNAME, mode));
    }
    return !out.empty();
}

LurAppHandler::AppNameMap LurAppHandler::GetAppNames(int mode) const {
    AppNameMap out;
    GetAppNames(out, mode);
    return out;
}

_AppInfo* LurAppHandler::FindAppByShortName(const std::string& shortName, bool raise) const {
    const auto it = appsByShortName.find(shortName);
    if (it != appsByShortName.end()) return it->second;
    if (raise) throw LurExceptMenu(LurExceptMenu::AppNotFound, Here(kLineFindAppByShortName), StrVector(shortName));
    return nullptr;
}

_AppInfo* LurAppHandler::FindAppById(int id, bool raise) const {
    const auto it = appsById.find(id);
    if (it != appsById.end()) return it->second.get();
    if (raise) throw LurExceptMenu(LurExceptMenu::AppNotFound, Here(kLineFindAppById), StrVector(id));
    return nullptr;
}

bool LurAppHandler::GetPluginsOfApp(PluginMap& out, int appId) const {
    out.clear();
    const auto [first, last] = pluginsByApp.equal_range(appId);
    for (auto it = first; it != last; ++it) out.emplace(it->second->PLG_ID, it->second);
    return !out.empty();
}

LurAppHandler::PluginMap LurAppHandler::GetPluginsOfApp(int appId) const {
    PluginMap out;
    GetPluginsOfApp(out, appId);
    return out;
}

bool LurAppHandler::GetPluginsOfAppByShortName(PluginShortNameMap& out, int appId) const {
    out.clear();
    const auto [first, last] = pluginsByApp.equal_range(appId);
    for (auto it = first; it != last; ++it) out.emplace(it->second->PLG_SHORTNAME, it->second);
    return !out.empty();
}

LurAppHandler::PluginShortNameMap LurAppHandler::GetPluginsOfAppByShortName(int appId) const {
    PluginShortNameMap out;
    GetPluginsOfAppByShortName(out, appId);
    return out;
}

bool LurAppHandler::GetPluginNames(AppNameMap& out, int appId, int mode) const {
    out.clear();
    const auto [first, last] = pluginsByApp.equal_range(appId);
    for (auto it = first; it != last; ++it) {
        const _PlgInfo& plugin = *it->second;
        out.emplace(plugin.PLG_ID, NameByMode(plugin.PLG_NAME, plugin.PLG_SHORTNAME, mode));
    }
    return !out.empty();
}

LurAppHandler::AppNameMap LurAppHandler::GetPluginNames(int appId, int mode) const {
    AppNameMap out;
    GetPluginNames(out, appId, mode);
    return out;
}

_PlgInfo* LurAppHandler::FindPluginByShortName(int appId, const std::string& shortName, bool raise) const {
    const auto [first, last] = pluginsByApp.equal_range(appId);
    for (auto it = first; it != last; ++it) {
        if (it->second->PLG_SHORTNAME == shortName) return it->second;
    }
    if (raise)
        throw LurExceptMenu(LurExceptMenu::PluginNotFound, Here(kLineFindPluginByShortName), StrVector(shortName));
    return nullptr;
}

_PlgInfo* LurAppHandler::FindPluginById(int id, bool raise) const {
    const auto it = pluginsById.find(id);
    if (it != pluginsById.end()) return it->second.get();
    if (raise) throw LurExceptMenu(LurExceptMenu::PluginNotFound, Here(kLineFindPluginById), StrVector(id));
    return nullptr;
}

void LurAppHandler::Clear() {
    ClearPlugins();
    appsByShortName.clear();
    appsById.clear();
}

void LurAppHandler::RemovePluginsOfApp(int appId) {
    const auto [first, last] = pluginsByApp.equal_range(appId);
    for (auto it = first; it != last; ++it) pluginsById.erase(it->second->PLG_ID);
    pluginsByApp.erase(appId);
}

void LurAppHandler::ClearPlugins() {
    pluginsByApp.clear();
    pluginsById.clear();
}

_AppInfo* LurAppHandler::AddApp(const _AppInfo& rec, bool raise) {
    if (FindAppById(rec.APP_ID, false) != nullptr) {
        if (raise) throw LurExceptMenu(LurExceptMenu::AppExists, Here(kLineAddApp), StrVector(rec.APP_SHORTNAME));
        return nullptr;
    }
    auto copy = std::make_unique<_AppInfo>(rec);
    _AppInfo* app = copy.get();
    appsByShortName.emplace(app->APP_SHORTNAME, app);  // an application holding the name keeps it
    try {
        appsById.emplace(app->APP_ID, std::move(copy));
    } catch (...) {
        UnindexShortName(*app);
        throw;
    }
    return app;
}

_AppInfo* LurAppHandler::UpdateApp(const _AppInfo& rec, bool raise) {
    _AppInfo* app = FindAppById(rec.APP_ID, false);
    if (app == nullptr) {
        if (raise) throw LurExceptMenu(LurExceptMenu::AppNotFound, Here(kLineUpdateApp), StrVector(rec.APP_SHORTNAME));
        return nullptr;
    }
    if (rec.APP_SHORTNAME == app->APP_SHORTNAME) {
        *app = rec;  // the short-name entry stays as it is
        return app;
    }
    UnindexShortName(*app);
    *app = rec;
    appsByShortName.emplace(app->APP_SHORTNAME, app);
    return app;
}

void LurAppHandler::RemoveApp(int appId, bool raise) {
    const auto it = appsById.find(appId);
    if (it == appsById.end()) {
        if (raise) throw LurExceptMenu(LurExceptMenu::AppNotFound, Here(kLineRemoveApp), StrVector(appId));
        return;
    }
    std::unique_ptr<_AppInfo> app = std::move(it->second);
    appsById.erase(it);
    UnindexShortName(*app);
    RemovePluginsOfApp(app->APP_ID);
}

_PlgInfo* LurAppHandler::AddPlugin(const _PlgInfo& rec, bool raise) {
    if (FindPluginById(rec.PLG_ID, false) != nullptr) {
        if (raise) throw LurExceptMenu(LurExceptMenu::PluginExists, Here(kLineAddPlugin), StrVector(rec.PLG_SHORTNAME));
        return nullptr;
    }
    auto copy = std::make_unique<_PlgInfo>(rec);
    _PlgInfo* plugin = copy.get();
    const auto entry = pluginsByApp.emplace(plugin->APP_ID, plugin);
    try {
        pluginsById.emplace(plugin->PLG_ID, std::move(copy));
    } catch (...) {
        pluginsByApp.erase(entry);
        throw;
    }
    return plugin;
}

_PlgInfo* LurAppHandler::UpdatePlugin(const _PlgInfo& rec, bool raise) {
    _PlgInfo* plugin = FindPluginById(rec.PLG_ID, false);
    if (plugin == nullptr) {
        if (raise)
            throw LurExceptMenu(LurExceptMenu::PluginNotFound, Here(kLineUpdatePlugin), StrVector(rec.PLG_SHORTNAME));
        return nullptr;
    }
    UnindexPlugin(*plugin);
    *plugin = rec;
    pluginsByApp.emplace(plugin->APP_ID, plugin);
    return plugin;
}

void LurAppHandler::RemovePlugin(int plgId, bool /*raise*/) {
    const auto it = pluginsById.find(plgId);
    if (it == pluginsById.end()) return;
    UnindexPlugin(*it->second);
    pluginsById.erase(it);
}

void LurAppHandler::UnindexShortName(const _AppInfo& app) {
    const auto entry = appsByShortName.find(app.APP_SHORTNAME);
    if (entry == appsByShortName.end() || entry->second != &app) return;
    appsByShortName.erase(entry);
    for (const auto& [id, other] : appsById) {
        if (other.get() != &app && other->APP_SHORTNAME == app.APP_SHORTNAME) {
            appsByShortName.emplace(other->APP_SHORTNAME, other.get());
            return;
        }
    }
}

void LurAppHandler::UnindexPlugin(const _PlgInfo& plugin) {
    const auto [first, last] = pluginsByApp.equal_range(plugin.APP_ID);
    for (auto it = first; it != last; ++it) {
        if (it->second == &plugin) {
            pluginsByApp.erase(it);
            return;
        }
    }
}
