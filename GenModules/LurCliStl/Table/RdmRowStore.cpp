#include "RdmRowStore.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// Rows are removed mostly near either end of a long sequence (row by row from
// the first or from the last), so the search looks from both ends at once.
void EraseRow(RdmRowList& rows, const RdmStoredRow* row) {
    for (size_t front = 0, back = rows.size(); front < back; ++front) {
        size_t at = front;
        if (rows[at] != row) {
            at = --back;
            if (rows[at] != row) continue;
        }
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(at));
        return;
    }
}

}  // namespace

RdmRowStore& RdmRowStore::operator=(const RdmRowStore& other) {
    if (this != &other) Assign(other);
    return *this;
}

RdmStoredRow* RdmRowStore::Link(std::unique_ptr<RdmStoredRow> row) {
    RdmStoredRow* raw = row.get();
    const auto [group, created] = m_groups.try_emplace(raw->group);
    if (created) ++m_groupsChanged;
    int listed = 0;
    try {
        if (!m_byId.emplace(raw->id, std::move(row)).second) throw std::invalid_argument("row id already stored");
        ++listed;
        m_allRows.push_back(raw);
        ++listed;
        group->second.rows.push_back(raw);
    } catch (...) {
        // A failure leaves the store as it was.
        if (listed >= 2) m_allRows.pop_back();
        if (listed >= 1) m_byId.erase(raw->id);
        if (created) m_groups.erase(group);
        throw;
    }
    return raw;
}

RdmStoredRow* RdmRowStore::Insert(int32_t group, const void* record) {
    auto row = std::make_unique<RdmStoredRow>();
    row->id = m_nextId;
    row->group = group;
    const auto* bytes = static_cast<const char*>(record);
    row->record.assign(bytes, bytes + m_recordSize);
    RdmStoredRow* linked = Link(std::move(row));
    ++m_nextId;
    return linked;
}

RdmStoredRow* RdmRowStore::InsertCopy(const RdmStoredRow& source) {
    auto row = std::make_unique<RdmStoredRow>(source);
    return Link(std::move(row));
}

bool RdmRowStore::UpdateById(int32_t id, const void* record) {
    RdmStoredRow* row = FindById(id);
    if (!row) return false;
    row->record.resize(static_cast<size_t>(m_recordSize));
    if (m_recordSize > 0) std::memcpy(row->record.data(), record, static_cast<size_t>(m_recordSize));
    return true;
}

void RdmRowStore::RemoveRow(int32_t id) {
    const auto owned = m_byId.find(id);
    if (owned == m_byId.end()) return;
    RdmStoredRow* row = owned->second.get();
    EraseRow(m_allRows, row);
    if (RdmRowGroup* group = FindGroup(row->group)) EraseRow(group->rows, row);
    m_byId.erase(owned);
}

void RdmRowStore::RemoveGroup(int32_t key) {
    const auto group = m_groups.find(key);
    if (group == m_groups.end()) return;
    std::erase_if(m_allRows, [key](const RdmStoredRow* row) { return row->group == key; });
    for (const RdmStoredRow* row : group->second.rows) m_byId.erase(row->id);
    m_groups.erase(group);
    ++m_groupsChanged;
}

void RdmRowStore::Clear() {
    m_allRows.clear();
    m_groups.clear();
    m_byId.clear();
    m_nextId = 0;
    ++m_groupsChanged;
}

void RdmRowStore::Assign(const RdmRowStore& other) {
    if (this == &other) return;
    RdmRowStore copy;
    copy.m_recordSize = other.m_recordSize;
    for (const RdmStoredRow* row : other.m_allRows) copy.InsertCopy(*row);
    for (auto& [key, group] : copy.m_groups) {
        const RdmRowGroup& source = other.m_groups.at(key);
        group.sortKey = source.sortKey;
        // The source's group order, not its insertion order: a sorted group stays sorted.
        for (size_t i = 0; i < group.rows.size(); ++i) group.rows[i] = copy.FindById(source.rows[i]->id);
    }
    copy.m_nextId = other.m_nextId;
    std::swap(m_allRows, copy.m_allRows);
    std::swap(m_groups, copy.m_groups);
    std::swap(m_byId, copy.m_byId);
    m_recordSize = copy.m_recordSize;
    m_nextId = copy.m_nextId;
    ++m_groupsChanged;
}

RdmStoredRow* RdmRowStore::FindById(int32_t id) const {
    const auto owned = m_byId.find(id);
    return owned == m_byId.end() ? nullptr : owned->second.get();
}

int32_t RdmRowStore::IndexInGroup(int32_t key, const RdmStoredRow* row) const {
    const RdmRowGroup* group = FindGroup(key);
    return group ? IndexOf(group->rows, row) : -1;
}

RdmRowGroup* RdmRowStore::FindGroup(int32_t key) {
    const auto group = m_groups.find(key);
    return group == m_groups.end() ? nullptr : &group->second;
}

const RdmRowGroup* RdmRowStore::FindGroup(int32_t key) const {
    const auto group = m_groups.find(key);
    return group == m_groups.end() ? nullptr : &group->second;
}

int32_t RdmRowStore::IndexOf(const RdmRowList& rows, const RdmStoredRow* row) {
    const auto at = std::find(rows.begin(), rows.end(), row);
    return at == rows.end() ? -1 : static_cast<int32_t>(at - rows.begin());
}

int32_t RdmRowStore::IndexOfId(const RdmRowList& rows, int32_t id) {
    const auto at = std::find_if(rows.begin(), rows.end(), [id](const RdmStoredRow* row) { return row->id == id; });
    return at == rows.end() ? -1 : static_cast<int32_t>(at - rows.begin());
}
