#include "AppVersionUpdater.h"

#include <vector>

#include "LurAppDbHandler.h"
#include "LurStrings.h"
#include "RdmTable.h"
#include "RegistryTransaction.h"

namespace {

constexpr const char* kUpdateTransaction = "APR_VER_UPD";

LurVersionNumber DescVersion(const DbDesc& desc) {
    return LurVersionNumber(desc.GetVersion(0), desc.GetVersion(1), desc.GetVersion(2), desc.GetVersion(3));
}

}  // namespace

AppVersionUpdater::AppVersionUpdater() = default;

AppVersionUpdater::~AppVersionUpdater() { Release(); }

void AppVersionUpdater::Release() {
    m_registry = nullptr;
    m_ownedRegistry.reset();
}

void AppVersionUpdater::CopyMap(const DbDescMap& map) {
    m_map = map;
    m_map.GetServerParam("volumeid", m_volumeId);
}

bool AppVersionUpdater::Open(DbDescMap* map, const std::string& shortName) {
    Release();
    auto registry = std::make_unique<LurAppDbHandler>();
    CopyMap(*map);
    m_open = registry->Open(m_map);
    // Without its tables the registry can hold no application.
    m_appId = m_open ? registry->LoadAppByShortName(shortName, false, false) : 0;
    m_ownedRegistry = std::move(registry);
    m_registry = m_ownedRegistry.get();
    return m_open;
}

bool AppVersionUpdater::Attach(DbDescMap* map, LurAppHandler* registry) {
    Release();
    // An application or open state of the registry held before must not
    // carry over to this one.
    m_open = registry->IsOpen() && registry->GetAppCount() == 1;
    m_appId = m_open ? registry->GetApps().begin()->first : 0;
    if (m_open) CopyMap(*map);
    m_registry = registry;
    return m_open;
}

bool AppVersionUpdater::GetDbVersion(const std::string& name, LurVersionNumber& out) const {
    if (m_map.HasDesc(name)) out = DescVersion(*m_map.GetDescConst(name));
    return true;
}

bool AppVersionUpdater::CheckDb(const std::string& name, const std::string& tables, const LurVersionNumber& version) {
    if (!m_map.HasDesc(name)) return true;
    LurVersionNumber dbVersion;
    GetDbVersion(name, dbVersion);
    bool result = version.IsZeroFrom(0) || dbVersion == version;
    std::vector<std::string> tableNames;
    lurutils::SplitString(tables, tableNames, ',');
    const std::string expectedId = lurutils::Trim(m_volumeId, ' ');
    for (const std::string& table : tableNames) {
        if (!result) break;
        result = CheckTableVersion(name, table, expectedId, dbVersion);
    }
    return result;
}

bool AppVersionUpdater::CheckTableVersion(const std::string& tablespace, const std::string& tableName,
                                          const std::string& expectedId, const LurVersionNumber& version) {
    DbDesc* desc = m_map.GetDesc(tablespace);
    if (!desc->HasTable(tableName)) return true;
    RdmTable table(desc, tableName);
    if (!table.Move(DbDesc::kMoveFirst, 0)) return false;
    bool result = true;
    if (table.HasFldName("VER", false)) result = LurVersionNumber(table.Fld("VER").GetString()) == version;
    // The id is compared as stored: blanks around it make it another id.
    if (table.HasFldName("ID", false)) result = result && table.Fld("ID").GetString() == expectedId;
    return result;
}

bool AppVersionUpdater::SetAppVersion(const LurVersionNumber& version) {
    if (m_appId == 0) return false;
    m_targetVersion = version;
    const LurVersionNumber& registered = m_registry->FindAppById(m_appId, true)->version;
    if (registered == version) return true;
    if (registered < version) {
        m_appUpdate = true;
        return true;
    }
    return false;
}

bool AppVersionUpdater::IsAppUsable() const {
    if (m_appId == 0) return false;
    return m_registry->FindAppById(m_appId, true)->SYSOK;
}

_PlgInfo* AppVersionUpdater::FindPlugin(const std::string& shortName) const {
    return m_registry == nullptr ? nullptr : m_registry->FindPluginByShortName(m_appId, shortName, false);
}

bool AppVersionUpdater::NotePluginUpdate(const std::string& shortName, const LurVersionNumber& version) {
    const _PlgInfo* plugin = FindPlugin(shortName);
    if (plugin == nullptr) return false;
    // A plug-in loaded with the main program must stay within its major and minor version.
    if (plugin->PLG_LoadMain && !m_targetVersion.EqualParts(version, 2)) return false;
    if (plugin->version == version) return true;
    if (plugin->version > version) return false;
    m_pluginUpdates.emplace(plugin->PLG_ID, version);
    return true;
}

bool AppVersionUpdater::IsPluginAtLeast(const std::string& shortName, const LurVersionNumber& version) const {
    const _PlgInfo* plugin = FindPlugin(shortName);
    return plugin != nullptr && !(plugin->version < version);
}

bool AppVersionUpdater::WriteUpdates() {
    auto* registry = dynamic_cast<LurAppDbHandler*>(m_registry);
    if ((!m_appUpdate && m_pluginUpdates.empty()) || registry == nullptr) return true;
    _AppInfo app = *registry->FindAppById(m_appId, true);
    return InRegistryTransaction(m_map, kUpdateTransaction, [&] {
        if (m_appUpdate) {
            app.version = m_targetVersion;
            registry->SaveApp(app);
        }
        for (const auto& [plgId, version] : m_pluginUpdates) {
            // A plug-in removed since it was noted cannot take its version;
            // that is reported (913), and nothing of the update is kept.
            _PlgInfo plugin = *registry->FindPluginById(plgId, true);
            plugin.version = version;
            registry->SavePlugin(plugin);
        }
        return true;
    });
}
