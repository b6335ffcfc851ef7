// LuConn: one database connection of the client. It reads the service's
// client settings from the registry (HKEY_LOCAL_MACHINE, key
// software\ludbclients\<service>), obtains a client handle, logs the user in, opens
// the catalogue "SYSDB" in its own DbDescMap and checks the user against the
// catalogue table "dbuser". It can ask for user, password and service with
// the login dialog (TRdmLogin) and shows refusals in the message box; a
// process that is not interactive (lurclistl::SetInteractive) shows neither.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ConnectInfo.h"
#include "DbDesc.h"
#include "DbDescMap.h"
#include "RdmTable.h"

class DbDescError;
class TRdmLogin;

// One data file of a service, as GetV3FileInfo reports it. The meaning of
// the three values is the client library's (lurdbcli.h).
struct V3FileInfo {
    FileDesc fileEntry{};  // the file's entry of its tablespace description
    int32_t result = 0;    // the first value, or 10011 when the library's call failed
    int32_t second = 0;
    int32_t third = 0;
};

class LuConn {
public:
    // The handle value that means "no handle".
    static constexpr int32_t kNoHandle = 10014;
    // The registry key under which every service has its settings key.
    static constexpr const char* kSettingsRoot = "software\\ludbclients\\";

    // Called once per Open, on an interactive login, after the dialog was
    // confirmed and before the registry is read.
    using OnConnect = std::function<void(LuConn&)>;

    // Ids of the messages: the three refusals and the dialog's captions.
    enum MessageId {
        kWrongPasswordMessage = 0,
        kUnknownUserMessage = 1,
        kUserDisabledMessage = 2,
        kUserCaption = 3,  // 3-8: user, password, database, confirm, cancel, title
    };

    LuConn();
    // A copy of a connected connection logs in for itself: it never shares
    // or releases the source's handle.
    LuConn(const LuConn& other);
    LuConn& operator=(const LuConn& other);
    ~LuConn();

    // ---- login -----------------------------------------------------------------

    // Logs in (after a Disconnect of the current login). User, password and
    // service are upper-cased; the code keeps its case and is sent after the
    // login when not empty. Each caption given and not empty replaces
    // message 3 + its position. Interactive: the dialog asks, and asks again
    // after a refusal, until confirmed and accepted or cancelled. A refusal
    // (unknown user, disabled, wrong password, a name or password of 32
    // characters or more, a user the catalogue does not accept) releases the
    // handle and answers false; other failures raise DbDescError.
    bool Open(const std::string& service, const std::string& user, const std::string& password, bool interactive,
              const std::string& code = "", const std::vector<const char*>& captions = {},
              bool allowServiceChoice = true, const std::vector<std::string>* services = nullptr);
    // Open with the other connection's service, user, password and code.
    bool OpenAs(const LuConn& other, bool interactive);
    // One login attempt; true tells Open to try again (a refused
    // interactive login) or that it succeeded (then IsConnected).
    bool Login(bool interactive);
    // Whether the catalogue's "dbuser" row of the user exists, is enabled
    // (byte 1) and has the password; sets the user id. Interactive: a box
    // says why not.
    bool CheckUser(const std::string& user, const std::string& password, bool interactive);
    // Releases the handle; nothing when not connected.
    void Disconnect();
    // The upper-case user name of a "dbuser" row; "" when none.
    std::string GetUserName(int32_t userId);

    // ---- administration (LuConnAdmin.cpp) ---------------------------------------
    // On the connection's handle; each raises DbDescError 10014 without a
    // library call when not connected, 10038 for a missing function, and
    // the library's status otherwise.

    bool ArchiveDb();                                 // [service, "ArchiveDb"]
    bool RestoreArchive(const std::string& archive);  // [archive]
    void DropDatabase(const std::string& name);       // [name]
    void CreateTablespace(const std::string& name);   // no arguments
    // Rebuilds the indexes of one file, or of all with -1 (the one-argument
    // variant when the library has it).
    void Reindex(int32_t file);
    // Whether Reindex can serve one file (oneFile) or all files.
    bool CanReindex(bool oneFile) const;
    // Appends the server's service names to list (not emptied first); uses
    // the current handle as it is. A block that does not hold its names
    // whole raises 10003 and appends nothing.
    void GetServiceNames(std::vector<std::string>& list);

    // With a handle of their own, released on every path.
    // A new database on the server; a refusal raises the library's status
    // with "server::name".
    void CreateDatabase(const std::string& server, const std::string& name, const std::string& databasePath,
                        const std::string& archivePath);
    // Interactive: the login dialog asks first (false when cancelled or
    // when it cannot be shown). User and password go to the library as
    // given.
    bool RestoreTimestamps(std::string service, std::string user, std::string password, bool interactive,
                           bool allowServiceChoice);
    // Appends one entry per data file ('d') of every tablespace of the
    // service. The library's block is checked whole first: a bad one raises
    // 10011 [service] and appends nothing.
    void GetV3FileInfo(const std::string& service, std::vector<V3FileInfo>& list);
    // The login dialog for RestoreTimestamps: on confirmation the values
    // typed replace the three arguments. services: the list to choose from;
    // null for the configured services.
    bool PromptLogin(std::string& service, std::string& user, std::string& password, bool allowServiceChoice,
                     const std::vector<std::string>* services = nullptr);

    void SetMessage(int id, const std::string& text) { m_messages[id] = text; }
    std::string GetMessage(int id) const;
    void SetOnConnect(OnConnect callback) { m_onConnect = std::move(callback); }
    void FireOnConnect();

    DbDescMap& GetTablespaces() { return m_tablespaces; }
    const DbDescMap& GetTablespaces() const { return m_tablespaces; }
    // The process's login dialog, when one exists.
    static TRdmLogin* GetLoginDialog();

    // Fills info from the service's settings key (the service name is taken
    // as given). Every byte of info is zeroed first, key or no key; false when
    // the service has no key. A taken "service" value also becomes the
    // connection's registered service name.
    bool ReadClientSettings(const std::string& service, ConnectInfo& info);

    // The error for a service without settings (10039), raised at where: its
    // arguments are the service and why (the registry file read, what chose
    // it, and how a service is made), so that a user can act on it.
    static DbDescError NoClientSettings(const std::string& service, const ErrorLocation& where);

    // Creates or opens the service's key and writes the settings of info.
    // False when the key cannot be created or any value cannot be written;
    // failure (may be null) then holds the registry's first Windows code.
    static bool WriteClientSettings(const std::string& service, const ConnectInfo& info, int32_t* failure = nullptr);

    // Deletes the service's key; true when it was deleted.
    static bool DeleteClientSettings(const std::string& service);

    // Appends the name of every configured service to list (not emptied first).
    static void ListClientServices(std::vector<std::string>& list);

    bool IsConnected() const { return m_connected; }
    int32_t GetHandle() const { return m_handle; }
    int32_t GetUserId() const { return m_userId; }
    const std::string& GetService() const { return m_service; }
    const std::string& GetRegisteredService() const { return m_registeredService; }
    // Why the last Open answered false: the client's code of its last
    // refused attempt (10014 unknown user, 10067 disabled, 10068 wrong
    // password; a name or password too long counts as the first and the
    // last), or the code of the failed user check; 0 when the dialog was
    // cancelled or nothing was refused.
    int32_t GetRefusal() const { return m_refusal; }
    std::string GetConnectUser() const;
    std::string GetServer() const;

private:
    int32_t m_handle = kNoHandle;
    bool m_connected = false;
    ConnectInfo m_connectInfo{};      // the settings of the last login, with its user and password
    std::string m_registeredService;  // the "service" value read by the last login
    int32_t m_userId = -1;
    int32_t m_refusal = 0;  // see GetRefusal
    OnConnect m_onConnect;
    bool m_armed = false;    // the callback may fire; set by Open
    std::string m_user;      // upper case
    std::string m_password;  // upper case
    std::string m_service;   // the registry key name, upper case
    std::string m_code;
    DbDescMap m_tablespaces;
    DbDesc m_catalogue;      // a copy of "SYSDB"
    RdmTable m_users;        // "dbuser" of the catalogue copy
    std::string m_userName;  // the result of GetUserName
    std::map<int, std::string> m_messages;

    // Releases the handle and forgets user, password and service after a
    // refusal; answers what Login answers then.
    bool Refuse(bool interactive);
    // The same after a refusal with the client's code, which a box shows
    // first (when a user is in front).
    bool Refuse(bool interactive, int32_t code);
    // The process's login dialog (made when none exists) with this
    // connection's captions and the given values.
    TRdmLogin& PrepareLoginDialog(const std::string& service, const std::string& user, const std::string& password,
                                  bool allowServiceChoice, const std::vector<std::string>* services);
    // 10014 without arguments when not connected.
    void RequireConnected() const;
    void ShowRefusal(int messageId) const;
};
