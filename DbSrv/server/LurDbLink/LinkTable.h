// The process-wide link table: the link sets by link id. Every export
// reaches its set by subscript, so an id seen for the first time gets a new,
// empty set. Unguarded: the exports are called one at a time.
#pragma once

#include <cstdint>
#include <map>

#include "LinkSet.h"

class LinkTable {
public:
    LinkTable() = default;
    LinkTable(const LinkTable&) = delete;
    LinkTable& operator=(const LinkTable&) = delete;
    // The module's unload: empties the table without disconnecting.
    ~LinkTable() { Empty(); }

    LinkSet& operator[](int32_t linkId) { return m_sets[linkId]; }
    int32_t Count() const { return static_cast<int32_t>(m_sets.size()); }

    // Destroys every set but leaves its open connections alone (neither
    // disconnected nor deleted): when the module goes, the client library
    // may be unloaded already.
    void Empty();

private:
    std::map<int32_t, LinkSet> m_sets;
};

// The module's one table, made at the first export call and emptied when
// the module is unloaded.
LinkTable& GetLinkTable();
