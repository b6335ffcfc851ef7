// LinkConnection: one link of a link set, a login to a database service
// with the tablespaces opened through it. Owned by its LinkSet; never copied.
#pragma once

#include <cstdint>
#include <string>

#include "DbDescMap.h"
#include "LuConn.h"
#include "LurDbLink.h"

class LinkConnection {
public:
    static constexpr int32_t kNoHandle = LuConn::kNoHandle;

    LinkConnection() = default;
    LinkConnection(const LinkConnection&) = delete;
    LinkConnection& operator=(const LinkConnection&) = delete;
    // The descriptions go first, then the login (whose destructor ends a
    // connection that is still open).
    ~LinkConnection() = default;

    // Logs in to the link's service without a dialog and opens SYSDB and
    // every tablespace it lists. False when the login is refused or the
    // tablespaces cannot be opened; other failures raise DbDescError.
    bool Connect(const DbLink& link);
    void Disconnect();

    // The service the login reached, case folded: the one its client
    // settings name (the link's own service when they name none). The client
    // library keeps one store per service, whatever server the settings give.
    std::string GetServiceName() const;

    DbDescMap& GetDescMap() { return m_descMap; }
    const DbDescMap& GetDescMap() const { return m_descMap; }
    // The client handle of the record calls; kNoHandle until connected.
    int32_t GetHandle() const { return m_handle; }

private:
    LuConn m_connection;
    DbDescMap m_descMap;
    int32_t m_handle = kNoHandle;
};
