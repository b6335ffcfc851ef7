// RdmRowStore: the in-memory rows of a stored table. Every row is a raw copy
// of the table's record (the data part of the record buffer, a fixed number
// of bytes that the owning table sets), grouped by the id of the master row
// it belongs to (-1 = no master). The store knows nothing of tables, fields
// or the server.
//
// Ownership: the store owns every row (one heap object each, kept in an
// index by id); the all-rows sequence and the groups' row sequences hold
// plain pointers to them. Every row is listed exactly once in the all-rows
// sequence and once in the rows of its group. A group record stays, possibly
// empty, until the store is cleared.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct RdmStoredRow {
    int32_t id = -1;           // identity inside its store; not reused until the store is cleared
    int32_t group = -1;        // id of the master row, -1 for none
    std::vector<char> record;  // record-size bytes, owned
};

// A sequence of rows in a fixed order. A deque, so that removing rows one by
// one from either end of a long sequence stays cheap.
using RdmRowList = std::deque<RdmStoredRow*>;

struct RdmRowGroup {
    RdmRowList rows;      // insertion order until the group is sorted
    std::string sortKey;  // upper-case field of the last sort; "" when never sorted
};

class RdmRowStore {
public:
    using GroupMap = std::map<int32_t, RdmRowGroup>;

    RdmRowStore() = default;
    explicit RdmRowStore(int32_t recordSize) : m_recordSize(recordSize) {}
    RdmRowStore(const RdmRowStore& other) { Assign(other); }
    RdmRowStore& operator=(const RdmRowStore& other);
    ~RdmRowStore() = default;

    void SetRecordSize(int32_t size) { m_recordSize = size; }
    int32_t GetRecordSize() const { return m_recordSize; }
    // The id the next new row receives.
    int32_t GetNextId() const { return m_nextId; }

    // A new row with the next id and a copy of record-size bytes from record,
    // appended to all rows and to its group (created when missing). A failure
    // leaves the store as it was.
    RdmStoredRow* Insert(int32_t group, const void* record);
    // A row with the id, group and record of the given one; the id counter
    // does not change.
    RdmStoredRow* InsertCopy(const RdmStoredRow& row);
    // Copies record-size bytes over the record of the row with that id; false
    // when there is none.
    bool UpdateById(int32_t id, const void* record);
    // Unlists and frees the row with that id; nothing when there is none.
    void RemoveRow(int32_t id);
    // Frees every row of the group and unlists the group record.
    void RemoveGroup(int32_t group);
    // Frees everything; the id counter restarts at 0, the record size stays.
    void Clear();
    // A copy of the other store: the same ids, groups, records, group sort
    // keys and id counter; each group keeps the other's row order (a sorted
    // group stays sorted). Groups left empty in the other are not copied.
    void Assign(const RdmRowStore& other);

    RdmStoredRow* FindById(int32_t id) const;
    // The row's place within its group; -1 when the group or the row is missing.
    int32_t IndexInGroup(int32_t group, const RdmStoredRow* row) const;

    // The rows in insertion order, and the groups by key. Callers may reorder
    // the rows of a sequence (sorting) but add and remove only through the store.
    const RdmRowList& AllRows() const { return m_allRows; }
    RdmRowList& AllRows() { return m_allRows; }
    const GroupMap& Groups() const { return m_groups; }
    GroupMap& Groups() { return m_groups; }
    // The group record of a key; null when the group never received a row.
    RdmRowGroup* FindGroup(int32_t group);
    const RdmRowGroup* FindGroup(int32_t group) const;
    // Changes whenever a group record is made or dropped (a clear or a copy
    // included), so that a caller may keep a group record it found until then.
    uint64_t GroupsChanged() const { return m_groupsChanged; }
    bool IsEmpty() const { return m_allRows.empty(); }
    int32_t Count() const { return static_cast<int32_t>(m_allRows.size()); }

    // Positions in any row sequence; -1 when nothing matches.
    static int32_t IndexOf(const RdmRowList& rows, const RdmStoredRow* row);
    static int32_t IndexOfId(const RdmRowList& rows, int32_t id);

private:
    RdmStoredRow* Link(std::unique_ptr<RdmStoredRow> row);

    RdmRowList m_allRows;
    GroupMap m_groups;
    int32_t m_recordSize = 0;
    int32_t m_nextId = 0;
    uint64_t m_groupsChanged = 0;
    std::unordered_map<int32_t, std::unique_ptr<RdmStoredRow>> m_byId;  // owner of the rows
};
