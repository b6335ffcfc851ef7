// AppVersionUpdater: the versions of one registered application and of the
// open tablespaces of a connection. It reads a tablespace's version from its
// description, checks a tablespace and its version tables against an
// expected version and this server's volume, notes which registered
// versions of the application and its plug-ins must be raised, and writes
// them back to the registry in one client transaction "APR_VER_UPD".
#pragma once

#include <map>
#include <memory>
#include <string>

#include "DbDescMap.h"
#include "LurAppHandler.h"
#include "LurVersionNumber.h"

class AppVersionUpdater {
public:
    AppVersionUpdater();
    AppVersionUpdater(const AppVersionUpdater&) = delete;
    AppVersionUpdater& operator=(const AppVersionUpdater&) = delete;
    ~AppVersionUpdater();

    // Works on a copy of the map and on a registry of its own holding the
    // application of that short name (none registered: application id 0).
    // Reads "volumeid" (its failure raises). True when the registry's
    // tables are open.
    bool Open(DbDescMap* map, const std::string& shortName);
    // Works on a copy of the map and on the caller's registry, which must
    // be open and hold exactly one application; otherwise false.
    bool Attach(DbDescMap* map, LurAppHandler* registry);

    // The version the open tablespace's description carries; out is left
    // as it was for a tablespace that is not open. Always true.
    bool GetDbVersion(const std::string& name, LurVersionNumber& out) const;
    // Whether the open tablespace has the version (0.0.0.0: any) and the
    // first record of each listed table (comma-separated) carries it in
    // "VER" and this server's volume id in "ID". A tablespace that is not
    // open, and a listed table it does not have, pass.
    bool CheckDb(const std::string& name, const std::string& tables, const LurVersionNumber& version);

    // Sets the application's target version: true when the registered one
    // is not higher (a lower one is then noted for writing).
    bool SetAppVersion(const LurVersionNumber& version);
    bool IsAppUsable() const;
    // Notes a new version of the application's plug-in: false when it is
    // not registered, when it loads with the main program and the version
    // differs from the target in major or minor, or when the registered
    // version is higher. The first note of a plug-in stays.
    bool NotePluginUpdate(const std::string& shortName, const LurVersionNumber& version);
    bool IsPluginAtLeast(const std::string& shortName, const LurVersionNumber& version) const;
    // Writes the noted versions (a database registry only). A noted plug-in
    // that is no longer registered raises 913 and nothing is written.
    bool WriteUpdates();

    int GetAppId() const { return m_appId; }
    const std::string& GetVolumeId() const { return m_volumeId; }

private:
    void Release();
    void CopyMap(const DbDescMap& map);
    bool CheckTableVersion(const std::string& tablespace, const std::string& table, const std::string& expectedId,
                           const LurVersionNumber& version);
    _PlgInfo* FindPlugin(const std::string& shortName) const;

    int m_appId = 0;
    LurVersionNumber m_targetVersion;
    bool m_appUpdate = false;
    std::string m_volumeId;
    std::map<int, LurVersionNumber> m_pluginUpdates;  // PLG_ID -> version to write
    bool m_open = false;
    DbDescMap m_map;
    LurAppHandler* m_registry = nullptr;             // in use; owned when m_ownedRegistry holds it
    std::unique_ptr<LurAppHandler> m_ownedRegistry;  // the one Open made
};
