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

RdmRecordBytes& RdmRecordBytes::operator=(const std::vector<char>& record) {
    const size_t taken = std::min(m_size, record.size());
    if (taken > 0) std::memcpy(m_data, record.data(), taken);
    std::fill(m_data + taken, m_data + m_size, '\0');
    return *this;
}

RdmRowStore& RdmRowStore::operator=(const RdmRowStore& other) {
    if (this != &other) Assign(other);
    return *this;
}

void RdmRowStore::SetRecordSize(int32_t size) {
    if (size == m_recordSize) return;
    m_recordSize = size;
    m_free.clear();  // their bytes have the old size; new rows go to a new block
    if (!m_blocks.empty()) m_blocks.back().used = m_blocks.back().capacity;
}

RdmStoredRow* RdmRowStore::NewRow(int32_t id, int32_t group) {
    const size_t recordSize = static_cast<size_t>(std::max(m_recordSize, 0));
    RdmStoredRow* row = nullptr;
    if (!m_free.empty()) {
        row = m_free.back();
        m_free.pop_back();
    } else {
        if (m_blocks.empty() || m_blocks.back().used == m_blocks.back().capacity) {
            // Small blocks for the many small stores (a group's details), up
            // to a thousand rows a block for large ones; a reservation makes
            // the next block as large as it asks.
            constexpr size_t kFirstBlock = 8, kLargestBlock = 1024;
            const size_t capacity = std::max(
                m_reservedRows, m_blocks.empty() ? kFirstBlock : std::min(2 * m_blocks.back().capacity, kLargestBlock));
            m_reservedRows = 0;
            Block block;
            block.rows = std::make_unique<RdmStoredRow[]>(capacity);
            block.bytes = std::make_unique_for_overwrite<char[]>(capacity * recordSize);  // each row writes its bytes
            block.capacity = capacity;
            m_blocks.push_back(std::move(block));
        }
        Block& block = m_blocks.back();
        row = &block.rows[block.used];
        row->record.m_data = block.bytes.get() + block.used * recordSize;
        row->record.m_size = recordSize;
        ++block.used;
    }
    row->id = id;
    row->group = group;
    return row;
}

void RdmRowStore::Reserve(size_t rows) {
    m_byId.reserve(m_byId.size() + rows);
    size_t spare = m_free.size();
    if (!m_blocks.empty()) spare += m_blocks.back().capacity - m_blocks.back().used;
    m_reservedRows = rows > spare ? rows - spare : 0;
}

void RdmRowStore::Free(RdmStoredRow* row) {
    row->id = -1;
    // A row of another record size (SetRecordSize since) is not taken again.
    if (row->record.size() == static_cast<size_t>(std::max(m_recordSize, 0))) m_free.push_back(row);
}

RdmStoredRow* RdmRowStore::Link(RdmStoredRow* row) {
    try {
        if (row->id < 0) throw std::invalid_argument("row id below 0");
        const auto id = static_cast<size_t>(row->id);
        if (id < m_byId.size() && m_byId[id] != nullptr) throw std::invalid_argument("row id already stored");
        if (id == m_byId.size()) {
            m_byId.push_back(nullptr);  // the usual case: the next id
        } else if (id > m_byId.size()) {
            m_byId.resize(id + 1, nullptr);
        }
        m_free.reserve(m_free.size() + 1);  // so that a failure below can give the row back
    } catch (...) {
        Free(row);
        throw;
    }
    // Rows mostly come group by group: the group record linked last serves
    // while no group record was made or dropped since.
    RdmRowGroup* group = m_linkedGroup.group;
    bool created = false;
    if (group == nullptr || m_linkedGroup.key != row->group || m_linkedGroup.groupsChanged != m_groupsChanged) {
        const auto [entry, made] = m_groups.try_emplace(row->group);
        group = &entry->second;
        created = made;
        if (created) ++m_groupsChanged;
    }
    int listed = 0;
    try {
        m_allRows.push_back(row);
        ++listed;
        group->rows.push_back(row);
    } catch (...) {
        // A failure leaves the store as it was.
        if (listed >= 1) m_allRows.pop_back();
        if (created) m_groups.erase(row->group);
        Free(row);
        throw;
    }
    m_byId[static_cast<size_t>(row->id)] = row;
    m_linkedGroup = {row->group, m_groupsChanged, group};
    return row;
}

RdmStoredRow* RdmRowStore::Insert(int32_t group, const void* record) {
    RdmStoredRow* row = NewRow(m_nextId, group);
    if (row->record.size() > 0) std::memcpy(row->record.data(), record, row->record.size());
    RdmStoredRow* linked = Link(row);
    ++m_nextId;
    return linked;
}

RdmStoredRow* RdmRowStore::InsertCopy(const RdmStoredRow& source) {
    RdmStoredRow* row = NewRow(source.id, source.group);
    const size_t taken = std::min(source.record.size(), row->record.size());
    std::copy_n(source.record.data(), taken, row->record.data());
    std::fill(row->record.data() + taken, row->record.data() + row->record.size(), '\0');
    return Link(row);
}

bool RdmRowStore::UpdateById(int32_t id, const void* record) {
    RdmStoredRow* row = FindById(id);
    if (!row) return false;
    if (row->record.size() > 0) std::memcpy(row->record.data(), record, row->record.size());
    return true;
}

void RdmRowStore::RemoveRow(int32_t id) {
    RdmStoredRow* row = FindById(id);
    if (!row) return;
    EraseRow(m_allRows, row);
    if (RdmRowGroup* group = FindGroup(row->group)) EraseRow(group->rows, row);
    m_byId[static_cast<size_t>(id)] = nullptr;
    Free(row);
}

void RdmRowStore::RemoveGroup(int32_t key) {
    const auto group = m_groups.find(key);
    if (group == m_groups.end()) return;
    std::erase_if(m_allRows, [key](const RdmStoredRow* row) { return row->group == key; });
    for (RdmStoredRow* row : group->second.rows) {
        m_byId[static_cast<size_t>(row->id)] = nullptr;
        Free(row);
    }
    m_groups.erase(group);
    ++m_groupsChanged;
}

void RdmRowStore::Clear() {
    m_allRows.clear();
    m_groups.clear();
    m_byId.clear();
    m_free.clear();
    m_blocks.clear();
    m_reservedRows = 0;
    m_nextId = 0;
    ++m_groupsChanged;
}

void RdmRowStore::Assign(const RdmRowStore& other) {
    if (this == &other) return;
    RdmRowStore copy;
    copy.m_recordSize = other.m_recordSize;
    copy.Reserve(other.m_allRows.size());
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
    std::swap(m_blocks, copy.m_blocks);
    std::swap(m_free, copy.m_free);
    m_reservedRows = 0;
    m_recordSize = copy.m_recordSize;
    m_nextId = copy.m_nextId;
    ++m_groupsChanged;
}

RdmStoredRow* RdmRowStore::FindById(int32_t id) const {
    return id >= 0 && static_cast<size_t>(id) < m_byId.size() ? m_byId[static_cast<size_t>(id)] : nullptr;
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
