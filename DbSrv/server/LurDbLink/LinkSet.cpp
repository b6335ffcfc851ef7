// LinkSet: connecting and ending the links of a set, and beginning their
// transactions. The changes and their replay are in LinkSetReplay.cpp.
#include "LinkSet.h"

#include <utility>

#include "LurExceptBase.h"

namespace {

constexpr ThrowSource Here{"DbSrv\\server\\LurDbLink\\LinkSet"};

}  // namespace

int32_t LinkSet::CreateLinks(int32_t linkId, const std::vector<DbLink>& links, LinkReportCallback report) {
    // A failure here is the caller's, without a report.
    DestroyLinks();
    m_linkId = linkId;
    // The descriptions come from the connections made now, never from
    // earlier ones.
    m_descriptions.clear();

    int32_t result = 0;
    std::string linkName;
    m_errorText.clear();
    try {
        // A refused login or tablespaces that cannot be opened end the walk
        // with 10015 and no report: the report function hears of exceptions
        // only, and the server acts on the code.
        for (const DbLink& link : links) {
            if (result != 0) break;
            linkName = link.name;
            if (link.enabled != 0) result = AddConnection(link);
        }
    } catch (const LurExceptBase& error) {
        m_errorText = "Cannot create datalink " + linkName + " (" + std::to_string(error.GetCode()) + " - " +
                      error.what() + ")\n";
        if (report) report(m_linkId, m_errorText.data());
        return error.GetCode();
    } catch (...) {
        std::string text = "Cannot create datalink";
        if (report) report(m_linkId, text.data());
        return kUnknownException;
    }
    return result;
}

int32_t LinkSet::AddConnection(const DbLink& link) {
    // The first link of a name keeps it; a second is not connected at all.
    if (m_connections.count(link.name) != 0) return kLinkRefused;

    // Owned from the start: any failure below deletes it, which disconnects
    // a login that was made.
    auto connection = std::make_unique<LinkConnection>();
    if (!connection->Connect(link)) return kLinkRefused;

    // Two connections to one service would wait for each other at every
    // replay (the first holds its transaction's writes until the commit) and
    // apply every change twice: the set keeps one link per service.
    const std::string service = connection->GetServiceName();
    for (const auto& [name, other] : m_connections) {
        if (other->GetServiceName() != service) continue;
        const std::string text = "The links " + name + " and " + link.name + " name the same service " + service + ".";
        throw LurExceptBase(kLinkRefused, text.c_str(), Here(__LINE__));
    }

    std::map<int32_t, DbDesc> gathered;
    const DbDescMap& descMap = connection->GetDescMap();
    for (int32_t i = 0; i < descMap.Count(); ++i) {
        DbDesc desc = descMap.GetDescAt(i);
        const int32_t dbNo = desc.GetDbNo();
        gathered.insert_or_assign(dbNo, std::move(desc));
    }
    // A number that an earlier connection brought takes the latest copy.
    for (auto& [dbNo, desc] : gathered) m_descriptions.insert_or_assign(dbNo, std::move(desc));
    m_connections.emplace(link.name, std::move(connection));
    return 0;
}

int32_t LinkSet::DestroyLinks() {
    // Each connection leaves the set as it is deleted; when a disconnect
    // raises, it and the ones after it stay.
    while (!m_connections.empty()) {
        auto first = m_connections.begin();
        first->second->Disconnect();
        m_connections.erase(first);
    }
    m_transactionLists.clear();
    // The copies would keep the descriptions of ended connections in the
    // process's description cache.
    m_descriptions.clear();
    return 0;
}

int32_t LinkSet::BeginTransaction() {
    for (auto& [name, connection] : m_connections) {
        const int32_t result = connection->GetDescMap().BeginTransaction(kTransactionName);
        if (result != 0) return result;
    }
    return 0;
}

void LinkSet::AbandonConnections() {
    for (auto& [name, connection] : m_connections) static_cast<void>(connection.release());
    m_connections.clear();
}

std::vector<std::string> LinkSet::GetLinkNames() const {
    std::vector<std::string> names;
    for (const auto& [name, connection] : m_connections) names.push_back(name);
    return names;
}

int32_t LinkSet::GetLinkHandle(const std::string& name) const {
    const auto found = m_connections.find(name);
    return found == m_connections.end() ? LinkConnection::kNoHandle : found->second->GetHandle();
}
