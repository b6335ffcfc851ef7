#include "LurAppDbHandler.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "DbDesc.h"
#include "DbDescMap.h"
#include "LurExceptBaseArg.h"
#include "LurStrings.h"
#include "RegistryTransaction.h"
#include "StringResources.h"

namespace {

constexpr const char* kTablespace = "DazEvure";
constexpr const char* kAppTable = "APPLICATION";
constexpr const char* kPluginTable = "PLUGINS";
constexpr const char* kAppCounter = "Dazevure_Application";
constexpr const char* kPluginCounter = "Dazevure_Plugins";
constexpr const char* kAppDelete = "APP DEL";
constexpr const char* kPluginDelete = "PLG DEL";
constexpr const char* kMaintenance = "APP_W";

// Codes of the family's own range that the registry raises.
constexpr int kRefusedFlags = 13;
constexpr int kAppNotUsable = 21;

// The throw sites' lines, as the registry's error reports give them.
constexpr int kLineReadAllApps = 331;
constexpr int kLineReadAppByShortName = 353;
constexpr int kLineReadAppById = 376;
constexpr int kLineDeleteAppData = 543;

// The list-move code that leaves no record current.
constexpr int32_t kNoCurrentRecord = 5;

constexpr ThrowSource Here{"LurAppDbHandler"};

using win::LANG_ENGLISH;
using win::LANG_HUNGARIAN;

constexpr win::StringResource kTexts[] = {
    {20021, LANG_ENGLISH, "The application %s (version %s) is not marked usable."},
    {20021, LANG_HUNGARIAN, "Az alkalmazás (%s, verzió: %s) nincs használhatónak jelölve."},
};

// Registered when the first such error is raised, so that every program
// that can raise it carries the text.
void RegisterRegistryTexts() {
    static const bool registered = win::RegisterStringTable(nullptr, kTexts, std::size(kTexts));
    (void)registered;
}

constexpr const char* kRefusedFlagsText = "The commands of an application can only be kept together with its users.";

constexpr const char* kNotOpenText =
    "The application registry is not open: the tablespace DazEvure needs the tables "
    "APPLICATION and PLUGINS!";

// The version columns in the order major, minor, release, build.
constexpr const char* kVersionColumns[] = {"VER_MAJOR", "VER_MINOR", "VER_RELEASE", "VER_BUILD"};

LurVersionNumber ReadVersion(RdmTable& table) {
    return LurVersionNumber(table.Fld(kVersionColumns[0]).GetUShort(), table.Fld(kVersionColumns[1]).GetUShort(),
                            table.Fld(kVersionColumns[2]).GetUShort(), table.Fld(kVersionColumns[3]).GetUShort());
}

void WriteVersion(RdmTable& table, const LurVersionNumber& version) {
    const uint16_t parts[] = {version.GetMajor(), version.GetMinor(), version.GetRelease(), version.GetBuild()};
    for (size_t i = 0; i < std::size(parts); ++i) {
        table.Fld(kVersionColumns[i]).SetShort(static_cast<int16_t>(parts[i]));
    }
}

void WriteFlag(RdmFld& field, bool flag) { field.SetChar(flag ? '\x01' : '\0'); }

}  // namespace

LurAppDbHandler::LurAppDbHandler() = default;

LurAppDbHandler::LurAppDbHandler(DbDescMap& map) { Open(map); }

LurAppDbHandler::LurAppDbHandler(DbDesc* desc) { Attach(desc); }

LurAppDbHandler::~LurAppDbHandler() { ReleaseDesc(); }

void LurAppDbHandler::Clear() {
    LurAppHandler::Clear();
    found = false;
}

// ---- binding ----------------------------------------------------------------

bool LurAppDbHandler::Attach(DbDesc* desc) {
    ReleaseDesc();
    m_desc = desc;
    return OpenTables();
}

bool LurAppDbHandler::Open(DbDescMap& map) {
    ReleaseDesc();
    m_ownedDesc = std::make_unique<DbDesc>(map.GetDescCopy(kTablespace));
    m_desc = m_ownedDesc.get();
    return OpenTables();
}

bool LurAppDbHandler::OpenTables() {
    if (m_desc == nullptr) {
        open = false;
        return false;
    }
    // A find that finds nothing must leave the record buffer alone.
    m_desc->RemoveOptionFromAll(5);
    if (!m_desc->HasTable(kAppTable) || !m_desc->HasTable(kPluginTable)) {
        ReleaseDesc();
        return false;
    }
    m_application = RdmTable(m_desc, kAppTable);
    m_plugins = RdmTable(m_desc, kPluginTable);
    m_application.SetNextIdName(kAppCounter);
    m_plugins.SetNextIdName(kPluginCounter);
    open = true;
    return true;
}

void LurAppDbHandler::ReleaseDesc() {
    // The tables refer to the description: unbind them before it goes.
    m_application = RdmTable();
    m_plugins = RdmTable();
    open = false;
    m_desc = nullptr;
    m_ownedDesc.reset();
}

void LurAppDbHandler::RequireOpen(int line) const {
    if (!open || m_desc == nullptr) throw LurExceptBase(kNotOpenText, Here(line));
}

// ---- loading ------------------------------------------------------------------

std::string LurAppDbHandler::LoadAppNameById(int appId, bool checkSysok, bool raise) {
    Clear();
    std::string name = ReadAppById(appId, checkSysok, raise);
    found = !name.empty();
    return name;
}

int LurAppDbHandler::LoadAppByShortName(const std::string& shortName, bool checkSysok, bool raise) {
    Clear();
    const int appId = ReadAppByShortName(shortName, checkSysok, raise);
    found = appId != 0;
    return appId;
}

void LurAppDbHandler::LoadAllApps(bool checkSysok, bool raise) {
    Clear();
    ReadAllApps(checkSysok, raise);
    found = true;
}

// ---- reading --------------------------------------------------------------------

bool LurAppDbHandler::AcceptApp(const _AppInfo& app, bool checkSysok, bool raise, int line) {
    if (!checkSysok || app.SYSOK) return true;
    if (raise) {
        RegisterRegistryTexts();
        throw LurExceptBaseArg(kAppNotUsable, Here(line), StrVector(app.APP_SHORTNAME) << app.version.ToString());
    }
    return false;
}

void LurAppDbHandler::ReadAllApps(bool checkSysok, bool raise) {
    RequireOpen(__LINE__);
    if (!m_application.FindList("", kNoCurrentRecord)) return;
    while (m_application.ListNext()) {
        const _AppInfo app = ReadAppRow();
        if (!AcceptApp(app, checkSysok, raise, kLineReadAllApps)) return;
        AddApp(app, true);
    }
    ReadPlugins(-1);
}

int LurAppDbHandler::ReadAppByShortName(const std::string& shortName, bool checkSysok, bool raise) {
    RequireOpen(__LINE__);
    m_application.Fld("APP_SHORTNAME").SetString(shortName);
    if (!m_application.FindRecByKey("APP_SHORTNAME", 0)) return 0;
    const _AppInfo app = ReadAppRow();
    if (!AcceptApp(app, checkSysok, raise, kLineReadAppByShortName)) return 0;
    const _AppInfo* registered = AddApp(app, true);
    ReadPlugins(registered->APP_ID);
    return registered->APP_ID;
}

std::string LurAppDbHandler::ReadAppById(int appId, bool checkSysok, bool raise) {
    RequireOpen(__LINE__);
    m_application.Fld("APP_ID").SetLong(appId);
    if (!m_application.FindRecByKey("APP_ID", 0)) return std::string();
    const _AppInfo app = ReadAppRow();
    if (!AcceptApp(app, checkSysok, raise, kLineReadAppById)) return std::string();
    const _AppInfo* registered = AddApp(app, true);
    ReadPlugins(registered->APP_ID);
    return registered->APP_SHORTNAME;
}

void LurAppDbHandler::ReadPlugins(int appId) {
    RequireOpen(__LINE__);
    bool listed = false;
    if (appId == -1) {
        listed = m_plugins.FindList("", kNoCurrentRecord);
    } else {
        m_plugins.Fld("APP_ID").SetLong(appId);
        listed = m_plugins.FindList("APP_ID", kNoCurrentRecord);
    }
    if (!listed) return;
    while (m_plugins.ListNext()) AddPlugin(ReadPluginRow(), true);
}

// ---- rows -----------------------------------------------------------------------

_AppInfo LurAppDbHandler::ReadAppRow() {
    _AppInfo app;
    app.APP_ID = m_application.Fld("APP_ID").GetLong();
    app.APP_NAME = m_application.Fld("APP_NAME").GetString();
    app.APP_SHORTNAME = m_application.Fld("APP_SHORTNAME").GetString();
    // A table without the column marks no application usable.
    app.SYSOK = m_application.HasFldName("SYSOK", false) && m_application.Fld("SYSOK").GetChar() == 1;
    app.version = ReadVersion(m_application);
    return app;
}

_PlgInfo LurAppDbHandler::ReadPluginRow() {
    _PlgInfo plugin;
    plugin.PLG_ID = m_plugins.Fld("PLG_ID").GetLong();
    plugin.APP_ID = m_plugins.Fld("APP_ID").GetLong();
    plugin.PLG_NAME = m_plugins.Fld("PLG_NAME").GetString();
    plugin.PLG_SHORTNAME = m_plugins.Fld("PLG_SHORTNAME").GetString();
    plugin.PLG_LoadMain = m_plugins.Fld("PLG_LoadMain").GetChar() != 0;
    plugin.version = ReadVersion(m_plugins);
    return plugin;
}

void LurAppDbHandler::WriteAppRow(const _AppInfo& rec) {
    // In the order of the table's columns; a column the table lacks is skipped.
    const StrVector names = m_application.GetFieldNames();
    for (const std::string& name : names) {
        const std::string column = lurutils::ToUpper(name);
        RdmFld& field = m_application.Fld(name);
        if (column == "APP_ID") {
            field.SetLong(rec.APP_ID);
        } else if (column == "APP_NAME") {
            field.SetString(rec.APP_NAME);
        } else if (column == "APP_SHORTNAME") {
            field.SetString(rec.APP_SHORTNAME);
        } else if (column == "SYSOK") {
            WriteFlag(field, rec.SYSOK);
        }
    }
    WriteVersion(m_application, rec.version);
}

void LurAppDbHandler::WritePluginRow(const _PlgInfo& rec) {
    m_plugins.Fld("PLG_ID").SetLong(rec.PLG_ID);
    m_plugins.Fld("PLG_NAME").SetString(rec.PLG_NAME);
    m_plugins.Fld("APP_ID").SetLong(rec.APP_ID);
    m_plugins.Fld("PLG_ShortName").SetString(rec.PLG_SHORTNAME);
    WriteFlag(m_plugins.Fld("PLG_LoadMain"), rec.PLG_LoadMain);
    WriteVersion(m_plugins, rec.version);
}

// ---- writing --------------------------------------------------------------------

_AppInfo* LurAppDbHandler::InsertApp(const _AppInfo& rec) {
    RequireOpen(__LINE__);
    _AppInfo row = rec;
    row.APP_ID = m_application.GetNextId();
    WriteAppRow(row);
    m_application.NewRec();
    // The row as the server stored it.
    return AddApp(ReadAppRow(), true);
}

_AppInfo* LurAppDbHandler::SaveApp(const _AppInfo& rec) {
    RequireOpen(__LINE__);
    // Only a registered application is saved, and its row must be there:
    // neither failure may pass for a successful save.
    FindAppById(rec.APP_ID, true);
    WriteAppRow(rec);
    m_application.UseUniqueKey();
    m_application.ModRec(true);
    return UpdateApp(rec, true);
}

_PlgInfo* LurAppDbHandler::InsertPlugin(const _PlgInfo& rec) {
    RequireOpen(__LINE__);
    _PlgInfo row = rec;
    row.PLG_ID = m_plugins.GetNextId();
    WritePluginRow(row);
    m_plugins.NewRec();
    return AddPlugin(row, true);
}

_PlgInfo* LurAppDbHandler::SavePlugin(const _PlgInfo& rec) {
    RequireOpen(__LINE__);
    FindPluginById(rec.PLG_ID, true);
    WritePluginRow(rec);
    m_plugins.UseUniqueKey();
    m_plugins.ModRec(true);
    return UpdatePlugin(rec, true);
}

// ---- deleting -------------------------------------------------------------------

bool LurAppDbHandler::DeleteApp(int appId) {
    RequireOpen(__LINE__);
    m_application.Fld("APP_ID").SetLong(appId);
    m_application.DefineKey("APP_ID");
    return InRegistryTransaction(*m_desc, kAppDelete, [&] {
        const bool deleted = m_application.DelRec(false);
        if (deleted) {
            // A failure among the plug-in rows aborts the whole deletion.
            DeletePluginRows(appId);
            RemoveApp(appId, false);
        }
        return deleted;
    });
}

bool LurAppDbHandler::DeleteAllApps() {
    RequireOpen(__LINE__);
    if (IsAppListEmpty()) return false;
    std::vector<int> appIds;
    for (const auto& entry : appsById) appIds.push_back(entry.first);
    m_application.DefineKey("APP_ID");
    return InRegistryTransaction(*m_desc, kAppDelete, [&] {
        for (const int appId : appIds) {
            m_application.Fld("APP_ID").SetLong(appId);
            m_application.DelRec(false);
        }
        for (const int appId : appIds) DeletePluginRows(appId);
        Clear();
        return true;
    });
}

bool LurAppDbHandler::DeletePlugin(int plgId) {
    RequireOpen(__LINE__);
    m_plugins.Fld("PLG_ID").SetLong(plgId);
    m_plugins.DefineKey("PLG_ID");
    return InRegistryTransaction(*m_desc, kPluginDelete, [&] {
        const bool deleted = m_plugins.DelRec(false);
        if (deleted) RemovePlugin(plgId, false);
        return deleted;
    });
}

bool LurAppDbHandler::DeletePluginRows(int appId) {
    RequireOpen(__LINE__);
    const PluginMap pluginsOfApp = GetPluginsOfApp(appId);
    if (pluginsOfApp.empty()) return false;
    m_plugins.DefineKey("PLG_ID");
    return InRegistryTransaction(*m_desc, kPluginDelete, [&] {
        for (const auto& entry : pluginsOfApp) {
            m_plugins.Fld("PLG_ID").SetLong(entry.first);
            m_plugins.DelRec(false);
        }
        RemovePluginsOfApp(appId);
        return true;
    });
}

bool LurAppDbHandler::DeletePluginsOfApp(int appId) {
    try {
        return DeletePluginRows(appId);
    } catch (const LurExceptBase&) {
        // Reported as false by design; the transaction begun here is aborted.
        return false;
    }
}

// ---- maintenance of an application's other tables -------------------------------

namespace {

// Lists every row of the table, makes its unique key current and calls
// change for each row in list order (the row is then in the record buffer).
template <class Change>
void ForEachRow(RdmTable& table, Change change) {
    if (!table.FindList("", kNoCurrentRecord)) return;
    table.UseUniqueKey();
    while (table.ListNext()) change();
}

// Deletes the rows of the table that belong to the application; with
// commandIds, notes the CMD_ID of each row deleted.
void DeleteRowsOfApp(DbDesc* desc, const char* tableName, int appId, std::vector<int32_t>* commandIds) {
    RdmTable table(desc, tableName);
    table.Fld("APP_ID").SetLong(appId);
    if (!table.FindList("APP_ID", kNoCurrentRecord)) return;
    table.UseUniqueKey();
    while (table.ListNext()) {
        if (commandIds != nullptr) commandIds->push_back(table.Fld("CMD_ID").GetLong());
        table.DelRec(false);
    }
}

}  // namespace

void AssignOrphanRows(int appId, DbDesc* desc) {
    InRegistryTransaction(*desc, kMaintenance, [&] {
        for (const char* name : {"COMMANDNAMES", "COMMANDS", "ICONS", "MODULENAMES", "RIGHTS"}) {
            RdmTable table(desc, name);
            ForEachRow(table, [&] {
                if (table.Fld("APP_ID").GetLong() != 0) return;
                table.Fld("APP_ID").SetLong(appId);
                table.ModRec(false);
            });
        }
        RdmTable userLink(desc, "USERLINK");
        ForEachRow(userLink, [&] {
            if (userLink.Fld("APP_ID").GetLong() != 0) return;
            userLink.DelRec(false);
            userLink.Fld("APP_ID").SetLong(appId);
            userLink.NewRec();
        });
        return true;
    });
}

void DeleteAppData(int appId, DbDesc* desc, bool keepCommands, bool keepUsers) {
    if (keepCommands && !keepUsers) {
        // The family's text of this code says something else, so the
        // refusal carries its own.
        throw LurExceptBaseArg(kRefusedFlags, kRefusedFlagsText, Here(kLineDeleteAppData), StrVector());
    }
    InRegistryTransaction(*desc, kMaintenance, [&] {
        std::vector<int32_t> commandIds;
        DeleteRowsOfApp(desc, "RIGHTS", appId, nullptr);
        if (!keepCommands) {
            DeleteRowsOfApp(desc, "COMMANDNAMES", appId, nullptr);
            DeleteRowsOfApp(desc, "COMMANDS", appId, &commandIds);
            DeleteRowsOfApp(desc, "ICONS", appId, nullptr);
            DeleteRowsOfApp(desc, "MODULENAMES", appId, nullptr);
        }
        if (!keepUsers) {
            DeleteRowsOfApp(desc, "USERLINK", appId, nullptr);
            DeleteRowsOfApp(desc, "PLUGINS", appId, nullptr);
        }
        if (!commandIds.empty()) {
            RdmTable parameters(desc, "PARAMETERS");
            ForEachRow(parameters, [&] {
                const int32_t commandId = parameters.Fld("CMD_ID").GetLong();
                if (std::find(commandIds.begin(), commandIds.end(), commandId) != commandIds.end()) {
                    parameters.DelRec(false);
                }
            });
        }
        return true;
    });
}
