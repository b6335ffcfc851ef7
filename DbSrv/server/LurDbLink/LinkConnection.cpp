#include "LinkConnection.h"

#include "Crt.h"

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
