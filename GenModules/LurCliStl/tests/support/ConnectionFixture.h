// Test support: a service made with lurdbadm (ServiceFixture) and a
// connection logged in to it the way programs log in: LuConn, then every
// catalogued tablespace opened with DbDescMap::OpenAll. Further connections
// of the same user can be opened beside it (a second user of the service),
// and tables can be dumped with lurdbadm to see what the store holds.
#pragma once

#include <memory>
#include <string>

#include "DbDescMap.h"
#include "InteractiveScope.h"
#include "LuConn.h"
#include "ServiceFixture.h"

namespace lurtest {

class ConnectionFixture {
public:
    // Creates the service from the schema text, logs the user in and opens
    // every tablespace; std::runtime_error when the login or the opening
    // fails. The process is not interactive while the fixture lives.
    explicit ConnectionFixture(const std::string& schemaText, const std::string& service = "TESTSVC",
                               const std::string& user = "ADMIN", const std::string& password = "SECRET");
    ConnectionFixture(const ConnectionFixture&) = delete;
    ConnectionFixture& operator=(const ConnectionFixture&) = delete;

    ServiceFixture& Service() { return m_service; }
    LuConn& Conn() { return *m_conn; }
    DbDescMap& Tablespaces() { return m_conn->GetTablespaces(); }

    // Another login of the same user with its tablespaces open.
    std::unique_ptr<LuConn> OpenSecond() const;

    // Loads CSV text into a table with lurdbadm.
    void Load(const std::string& tablespace, const std::string& table, const std::string& csv) const {
        m_service.Load(tablespace, table, csv);
    }
    // Whether another login can lock the table (locks are per tablespace and
    // table); it releases the lock it got.
    bool OthersCanLock(const std::string& tablespace, const std::string& table) const;
    // "lurdbadm dump" of a table: its CSV text; std::runtime_error on failure.
    std::string Dump(const std::string& tablespace, const std::string& table) const;

private:
    std::unique_ptr<LuConn> Login() const;

    InteractiveScope m_noUser{false};  // no box may wait for a person in a test
    ServiceFixture m_service;          // first in, last out: the store outlives the logins
    std::string m_user;
    std::string m_password;
    std::unique_ptr<LuConn> m_conn;
};

}  // namespace lurtest
