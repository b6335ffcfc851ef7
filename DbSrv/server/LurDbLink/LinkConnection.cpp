#include "LinkConnection.h"

#include "Crt.h"
#include "DbDescError.h"

bool LinkConnection::Connect(const DbLink& link) {
    if (!m_connection.Open(link.service, link.user, link.password, false)) return false;
    m_handle = m_connection.GetHandle();
    m_descMap.SetHandle(m_handle);
    return m_descMap.OpenAll();
}

void LinkConnection::Disconnect() { m_connection.Disconnect(); }

std::string LinkConnection::GetServiceName() const {
    const std::string& settings = m_connection.GetRegisteredService();
    return win::crt::UpperCp1250(settings.empty() ? m_connection.GetService() : settings);
}

std::string LinkConnection::Refusal() const {
    if (m_connection.IsConnected()) return "the tablespaces of the service cannot be opened";
    const int32_t code = m_connection.GetRefusal();
    return std::to_string(code) + " - " + DbDescError(code, ErrorLocation(), StrVector()).what();
}
