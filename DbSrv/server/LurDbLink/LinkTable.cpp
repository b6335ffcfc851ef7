#include "LinkTable.h"

void LinkTable::Empty() {
    for (auto& [linkId, set] : m_sets) set.AbandonConnections();
    m_sets.clear();
}

LinkTable& GetLinkTable() {
    static LinkTable table;
    return table;
}
