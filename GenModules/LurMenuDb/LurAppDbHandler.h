// The application registry bound to the tablespace "DazEvure": applications
// and plug-ins are read from its tables APPLICATION and PLUGINS into the
// registry in memory, and inserted, saved and deleted in the database and
// in memory together.
#pragma once

#include <memory>
#include <string>

#include "LurAppHandler.h"
#include "RdmTable.h"

class DbDesc;
class DbDescMap;

class LurAppDbHandler : public LurAppHandler {
public:
    // Unbound: no description, tables not open.
    LurAppDbHandler();
    // Open (map): 2000 when "DazEvure" is not open in the map.
    explicit LurAppDbHandler(DbDescMap& map);
    // Attach (desc); the description must outlive the handler.
    explicit LurAppDbHandler(DbDesc* desc);
    ~LurAppDbHandler() override;

    // The registry emptied; nothing found any more.
    void Clear() override;

    // Binds the handler to a description it does not own. True when it has
    // both tables; otherwise the handler is left unbound.
    virtual bool Attach(DbDesc* desc);
    // Binds the handler to its own copy of the map's "DazEvure"; as Attach.
    virtual bool Open(DbDescMap& map);
    virtual DbDesc* GetDbDesc() const { return m_desc; }

    // Loads (after emptying the registry) one application with its plug-ins,
    // or all of them. With checkSysok an application not marked usable is
    // refused: with raise as LurExceptBaseArg 21 (short name, version),
    // without it quietly (0, "" or the applications read so far).
    virtual std::string LoadAppNameById(int appId, bool checkSysok, bool raise);
    // The application's APP_ID, 0 when none is loaded.
    virtual int LoadAppByShortName(const std::string& shortName, bool checkSysok, bool raise);
    virtual void LoadAllApps(bool checkSysok, bool raise);

    // A new row with the next id of "Dazevure_Application"; the registered
    // copy of the row as the server stored it.
    virtual _AppInfo* InsertApp(const _AppInfo& rec);
    // Writes the row of a registered application (910 when it is not
    // registered, 10002 when the row is gone) and updates the registry.
    virtual _AppInfo* SaveApp(const _AppInfo& rec);
    // Deletes the row, the application's plug-in rows and the registered
    // records in one transaction; false when the row does not exist.
    virtual bool DeleteApp(int appId);
    // Deletes the rows of every registered application and their plug-ins;
    // false for an empty registry.
    virtual bool DeleteAllApps();
    // A new row with the next id of "Dazevure_Plugins"; the registered copy.
    virtual _PlgInfo* InsertPlugin(const _PlgInfo& rec);
    // As SaveApp, for plug-ins (913 when not registered).
    virtual _PlgInfo* SavePlugin(const _PlgInfo& rec);
    virtual bool DeletePlugin(int plgId);
    // Deletes the rows of the application's registered plug-ins; false when
    // it has none or when the deletion failed (the failure is not raised).
    virtual bool DeletePluginsOfApp(int appId);

    // The reads behind the loads; they add to the registry without emptying it.
    virtual void ReadAllApps(bool checkSysok, bool raise);
    // The registered short name; "" when no row was taken.
    virtual std::string ReadAppById(int appId, bool checkSysok, bool raise);
    virtual int ReadAppByShortName(const std::string& shortName, bool checkSysok, bool raise);
    // The plug-ins of one application, or of all for -1.
    virtual void ReadPlugins(int appId);

    // Between the tables' record buffers and the records.
    _AppInfo ReadAppRow();
    _PlgInfo ReadPluginRow();
    void WriteAppRow(const _AppInfo& rec);
    void WritePluginRow(const _PlgInfo& rec);

private:
    bool OpenTables();
    void ReleaseDesc();
    // Every database operation needs both tables bound; a clear error
    // instead of working on unbound tables.
    void RequireOpen(int line) const;
    // Whether an application read from the buffer may be taken; raises 21
    // when it may not and raise is set.
    static bool AcceptApp(const _AppInfo& app, bool checkSysok, bool raise, int line);
    // Deletes the PLUGINS rows of the application's registered plug-ins and
    // the records; raises what fails. False when it has none.
    bool DeletePluginRows(int appId);

    DbDesc* m_desc = nullptr;  // in use; owned when m_ownedDesc holds it
    std::unique_ptr<DbDesc> m_ownedDesc;
    RdmTable m_application;
    RdmTable m_plugins;
};

// Maintenance of an application's other tables in "DazEvure".
// Gives the rows of COMMANDNAMES, COMMANDS, ICONS, MODULENAMES, RIGHTS and
// USERLINK that belong to no application (APP_ID 0) to appId.
void AssignOrphanRows(int appId, DbDesc* desc);
// Deletes the application's rows of RIGHTS; unless keepCommands of
// COMMANDNAMES, COMMANDS, ICONS, MODULENAMES and the PARAMETERS of its
// commands; unless keepUsers of USERLINK and PLUGINS. Keeping the commands
// but not the users is refused (LurExceptBaseArg 13).
void DeleteAppData(int appId, DbDesc* desc, bool keepCommands, bool keepUsers);
