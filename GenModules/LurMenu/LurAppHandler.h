// The application registry in memory: the applications of the product
// family and their plug-ins, indexed by id and by short name. The database
// registry derives from it and fills it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "LurVersionNumber.h"

// One registered application.
struct _AppInfo {
    int APP_ID = -1;
    std::string APP_NAME;
    std::string APP_SHORTNAME;  // the key by which applications are found by name
    LurVersionNumber version;
    bool SYSOK = false;  // marked usable in the database
};

// One registered plug-in of an application.
struct _PlgInfo {
    int PLG_ID = -1;
    int APP_ID = -1;
    std::string PLG_NAME;
    std::string PLG_SHORTNAME;
    LurVersionNumber version;
    bool PLG_LoadMain = false;
};

// Lookups return pointers into the registry, valid until the record is
// removed or the registry cleared. Every operation with a flag `raise`
// raises LurExceptMenu (910, 911, 913, 914) when it is set and the record
// is missing (or already there), and otherwise answers null or does nothing.
class LurAppHandler {
public:
    using AppMap = std::map<int, std::unique_ptr<_AppInfo>>;  // owns the records
    using AppNameMap = std::map<int, std::string>;
    using PluginMap = std::map<int, _PlgInfo*>;
    using PluginShortNameMap = std::map<std::string, _PlgInfo*>;

    LurAppHandler();
    LurAppHandler(const LurAppHandler&) = delete;
    LurAppHandler& operator=(const LurAppHandler&) = delete;
    virtual ~LurAppHandler();

    virtual bool IsOpen() const { return open; }
    virtual bool IsFound() const { return found; }
    virtual const AppMap& GetApps() const { return appsById; }

    // Names by mode: 0 the name, 1 the short name, any other "name (short name)".
    virtual bool GetAppNames(AppNameMap& out, int mode) const;
    virtual AppNameMap GetAppNames(int mode) const;

    virtual _AppInfo* FindAppByShortName(const std::string& shortName, bool raise) const;
    virtual _AppInfo* FindAppById(int id, bool raise) const;
    virtual bool IsAppListEmpty() const { return appsById.empty(); }
    virtual int GetAppCount() const { return static_cast<int>(appsById.size()); }

    // The application's plug-ins keyed by PLG_ID, or by PLG_SHORTNAME (the
    // first added wins when two share one); true when there are any.
    virtual bool GetPluginsOfApp(PluginMap& out, int appId) const;
    virtual PluginMap GetPluginsOfApp(int appId) const;
    virtual bool GetPluginsOfAppByShortName(PluginShortNameMap& out, int appId) const;
    virtual PluginShortNameMap GetPluginsOfAppByShortName(int appId) const;
    virtual bool GetPluginNames(AppNameMap& out, int appId, int mode) const;
    virtual AppNameMap GetPluginNames(int appId, int mode) const;

    // The first plug-in of the application, in the order they were added,
    // whose short name is exactly shortName.
    virtual _PlgInfo* FindPluginByShortName(int appId, const std::string& shortName, bool raise) const;
    virtual _PlgInfo* FindPluginById(int id, bool raise) const;
    virtual bool IsPluginListEmpty() const { return pluginsById.empty(); }
    virtual int HasPlugin(int id) const { return pluginsById.count(id) != 0 ? 1 : 0; }
    virtual int GetPluginCount() const { return static_cast<int>(pluginsById.size()); }

    virtual void Clear();
    virtual void RemovePluginsOfApp(int appId);
    virtual void ClearPlugins();

    // Stores a copy of rec and answers it; null (or 911) when its id is taken.
    virtual _AppInfo* AddApp(const _AppInfo& rec, bool raise);
    // Copies rec into the record with its id; null (or 910) when there is none.
    virtual _AppInfo* UpdateApp(const _AppInfo& rec, bool raise);
    // Deletes the application and its plug-ins.
    virtual void RemoveApp(int appId, bool raise);
    virtual _PlgInfo* AddPlugin(const _PlgInfo& rec, bool raise);
    virtual _PlgInfo* UpdatePlugin(const _PlgInfo& rec, bool raise);
    virtual void RemovePlugin(int plgId, bool raise);

protected:
    AppMap appsById;
    // Not owning. One entry per short name: when several applications share
    // one, it points to the first entered; when that one goes, to the one
    // with the lowest id among the rest.
    std::map<std::string, _AppInfo*> appsByShortName;
    std::map<int, std::unique_ptr<_PlgInfo>> pluginsById;  // owns the records
    std::multimap<int, _PlgInfo*> pluginsByApp;            // not owning; insertion order per APP_ID
    bool open = false;                                     // set by the database registry when its tables are open
    bool found = false;                                    // set by the database registry's loads

private:
    // Takes the short-name entry away from app; when it held the entry and
    // another application has the same short name, that one takes it over.
    void UnindexShortName(const _AppInfo& app);
    void UnindexPlugin(const _PlgInfo& plugin);
};
