// LuConn: one database connection of the client. This part holds the
// connection's state and the client settings of a database service, kept in
// the registry under HKEY_LOCAL_MACHINE\software\ludbclients\<service>.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ConnectInfo.h"

class LuConn {
public:
    // The handle value that means "no handle".
    static constexpr int32_t kNoHandle = 10014;
    // The registry key under which every service has its settings key.
    static constexpr const char* kSettingsRoot = "software\\ludbclients\\";

    LuConn();

    // Fills info from the service's settings key (the service name is taken
    // as given). Every byte of info is zeroed first, key or no key; false when
    // the service has no key. A taken "service" value also becomes the
    // connection's registered service name.
    bool ReadClientSettings(const std::string& service, ConnectInfo& info);

    // Creates or opens the service's key and writes the settings of info.
    // False when the key cannot be created or any value cannot be written.
    static bool WriteClientSettings(const std::string& service, const ConnectInfo& info);

    // Deletes the service's key; true when it was deleted.
    static bool DeleteClientSettings(const std::string& service);

    // Appends the name of every configured service to list (not emptied first).
    static void ListClientServices(std::vector<std::string>& list);

    bool IsConnected() const { return m_connected; }
    int32_t GetHandle() const { return m_handle; }
    int32_t GetUserId() const { return m_userId; }
    const std::string& GetService() const { return m_service; }
    const std::string& GetRegisteredService() const { return m_registeredService; }
    std::string GetConnectUser() const;
    std::string GetServer() const;

private:
    int32_t m_handle = kNoHandle;
    bool m_connected = false;
    ConnectInfo m_connectInfo{};  // the settings of the last login, with its user and password
    std::string m_registeredService;  // the "service" value read by the last login
    int32_t m_userId = -1;
    std::string m_service;  // the registry key name, upper case
    // The login adds here: the on-connect callback and its armed flag, user,
    // password, code, the open tablespaces, the catalogue copy, the users
    // table and the messages.
};
