// VerChk: whether the installed versions fit together. It loads the
// versions of an application's plug-ins from the registry "DazEvure" and the
// version of every open tablespace, and checks them against lists of
// allowed and forbidden versions per plug-in or tablespace name ("*" for
// every name). With no rules every check passes.
//
// Names compare by their bytes: plug-in short names are kept in upper case,
// tablespace names as their descriptions spell them (upper case). The
// whole-list setters upper-case the names they take; the single adders
// keep them as given.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>

#include "LurVersionNumber.h"

class DbDescMap;

// A name with its version.
struct VersionEntry {
    VersionEntry() = default;
    VersionEntry(std::string entryName, const LurVersionNumber& entryVersion)
        : name(std::move(entryName)), version(entryVersion) {}

    std::string name;
    LurVersionNumber version;
};

class VerChk {
public:
    using VersionMap = std::map<std::string, LurVersionNumber>;
    using VersionRules = std::multimap<std::string, LurVersionNumber>;
    using NameSet = std::set<std::string>;
    using PluginVersions = std::map<int, VersionEntry>;  // by PLG_ID

    static constexpr const char* kAnyName = "*";

    VerChk();
    VerChk(const VerChk&) = delete;
    VerChk& operator=(const VerChk&) = delete;

    // Empties every list and rule, then loads the plug-in versions of the
    // application (it must be registered and marked usable) and the
    // version of every open tablespace. Needs SetDescMap first.
    virtual void Init(const std::string& shortName);
    virtual ~VerChk();

    // The connection's open tablespaces; not owned.
    void SetDescMap(DbDescMap* map) { m_map = map; }

    // Exempt every tablespace (plug-in) that no allowed or forbidden rule
    // names, so that a "*" rule reaches only the named ones.
    void ExemptUnruledTablespaces();
    void ExemptUnruledPlugins();

    // Forbidden plug-in, forbidden tablespace, allowed plug-in and allowed
    // tablespace versions, in this order; false at the first that fails.
    bool Check() const;

    void SetAllowedTablespaceVersions(const VersionMap& rules);
    void SetAllowedPluginVersions(const VersionMap& rules);
    void SetForbiddenTablespaceVersions(const VersionMap& rules);
    void SetForbiddenPluginVersions(const VersionMap& rules);
    void SetExemptPlugins(const NameSet& names);
    void SetExemptTablespaces(const NameSet& names);

    void AddAllowedTablespaceVersion(const std::string& name, const LurVersionNumber& version);
    void AddAllowedPluginVersion(const std::string& name, const LurVersionNumber& version);
    void AddForbiddenTablespaceVersion(const std::string& name, const LurVersionNumber& version);
    void AddForbiddenPluginVersion(const std::string& name, const LurVersionNumber& version);
    void AddExemptPlugin(const std::string& name);
    void AddExemptTablespace(const std::string& name);

    int GetAppId() const { return m_appId; }
    const VersionMap& GetTablespaceVersions() const { return m_tablespaceVersions; }
    const PluginVersions& GetPluginVersions() const { return m_pluginVersions; }

protected:
    DbDescMap* m_map = nullptr;  // not owned
    int m_appId = -1;
    VersionMap m_tablespaceVersions;
    VersionRules m_allowedTablespaceVersions;
    VersionRules m_allowedPluginVersions;
    VersionRules m_forbiddenTablespaceVersions;
    VersionRules m_forbiddenPluginVersions;
    NameSet m_exemptPlugins;
    NameSet m_exemptTablespaces;
    PluginVersions m_pluginVersions;
};
