#include "ConnectionFixture.h"

#include <stdexcept>

#include "RdmTable.h"

namespace lurtest {

ConnectionFixture::ConnectionFixture(const std::string& schemaText, const std::string& service, const std::string& user,
                                     const std::string& password)
    : m_service(schemaText, service, user, password), m_user(user), m_password(password), m_conn(Login()) {}

std::unique_ptr<LuConn> ConnectionFixture::Login() const {
    auto conn = std::make_unique<LuConn>();
    if (!conn->Open(m_service.Service(), m_user, m_password, false))
        throw std::runtime_error("login to " + m_service.Service() + " refused");
    if (!conn->GetTablespaces().OpenAll()) throw std::runtime_error("OpenAll failed on " + m_service.Service());
    return conn;
}

std::unique_ptr<LuConn> ConnectionFixture::OpenSecond() const { return Login(); }

bool ConnectionFixture::OthersCanLock(const std::string& tablespace, const std::string& table) const {
    std::unique_ptr<LuConn> other = OpenSecond();
    RdmTable target(other->GetTablespaces().GetDesc(tablespace), table);
    std::string holder;
    const bool locked = target.LockRecord('w', holder);
    if (locked) target.UnlockRecord('w');
    return locked;
}

std::string ConnectionFixture::Dump(const std::string& tablespace, const std::string& table) const {
    std::string output;
    if (m_service.RunAdmin("dump " + m_service.Service() + " " + tablespace + " " + table, &output) != 0)
        throw std::runtime_error("lurdbadm dump: " + output);
    return output;
}

}  // namespace lurtest
