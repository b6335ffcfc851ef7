// RdmRowStore: the in-memory rows of a stored table. Every row is a raw copy
// of the table's record (the data part of the record buffer, a fixed number
// of bytes that the owning table sets), grouped by the id of the master row
// it belongs to (-1 = no master). The store knows nothing of tables, fields
// or the server.
//
// Ownership: the store owns every row and its record bytes, kept in blocks
// of many rows each (a row costs no allocation of its own; a removed row's
// place is taken again); the all-rows sequence and the groups' row
// sequences hold plain pointers to them. Every row is listed exactly once in
// the all-rows sequence and once in the rows of its group. A group record
// stays, possibly empty, until the store is cleared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A row's record bytes, kept by its store: record-size bytes, written in
// place; a copy of them is a std::vector<char>.
class RdmRecordBytes {
public:
    char* data() { return m_data; }
    const char* data() const { return m_data; }
    size_t size() const { return m_size; }
    char& operator[](size_t index) { return m_data[index]; }
    char operator[](size_t index) const { return m_data[index]; }
    const char* begin() const { return m_data; }
    const char* end() const { return m_data + m_size; }
    operator std::vector<char>() const { return std::vector<char>(begin(), end()); }
    // Takes the bytes of a record as long as this one (shorter: the rest zeroed).
    RdmRecordBytes& operator=(const std::vector<char>& record);

private:
    friend class RdmRowStore;
    char* m_data = nullptr;
    size_t m_size = 0;
};

struct RdmStoredRow {
    RdmStoredRow() = default;
    // A row lives in its store: a copy would share its record bytes.
    RdmStoredRow(const RdmStoredRow&) = delete;
    RdmStoredRow& operator=(const RdmStoredRow&) = delete;

    int32_t id = -1;        // identity inside its store; not reused until the store is cleared
    int32_t group = -1;     // id of the master row, -1 for none
    RdmRecordBytes record;  // record-size bytes, owned by the store
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

    // The size of the rows stored from now on.
    void SetRecordSize(int32_t size);
    int32_t GetRecordSize() const { return m_recordSize; }
    // The id the next new row receives.
    int32_t GetNextId() const { return m_nextId; }

    // A new row with the next id and a copy of record-size bytes from record,
    // appended to all rows and to its group (created when missing). A failure
    // leaves the store as it was.
    RdmStoredRow* Insert(int32_t group, const void* record);
    // Room for that many more rows, to be inserted next: the next new
    // block holds them all. Only a hint; nothing changes for the caller.
    void Reserve(size_t rows);
    // A row with the id, group and record of the given one; the id counter
    // does not change. An id below 0 or stored already is refused
    // (std::invalid_argument).
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
    // A row's place: a free one taken again, or the next of the last block
    // (a new block when it is full); its bytes are the caller's to write.
    // Link lists it.
    RdmStoredRow* NewRow(int32_t id, int32_t group);
    // Lists the row by id, in all rows and in its group; a failure frees it.
    RdmStoredRow* Link(RdmStoredRow* row);
    void Free(RdmStoredRow* row);

    // A block of rows and their record bytes.
    struct Block {
        std::unique_ptr<RdmStoredRow[]> rows;
        std::unique_ptr<char[]> bytes;
        size_t capacity = 0;
        size_t used = 0;
    };

    RdmRowList m_allRows;
    GroupMap m_groups;
    int32_t m_recordSize = 0;
    int32_t m_nextId = 0;
    uint64_t m_groupsChanged = 0;
    std::vector<Block> m_blocks;        // owner of the rows
    std::vector<RdmStoredRow*> m_free;  // removed rows (of the current record size), to be taken again
    size_t m_reservedRows = 0;          // rows the next new block is to hold at least
    std::vector<RdmStoredRow*> m_byId;  // by id; null where none
    struct LinkedGroup {
        int32_t key = -1;
        uint64_t groupsChanged = 0;
        RdmRowGroup* group = nullptr;
    };
    LinkedGroup m_linkedGroup;  // Link's last group record (never copied)
};
