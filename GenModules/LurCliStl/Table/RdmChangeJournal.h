// RdmChangeJournal: the changes of a stored table's rows that wait to be
// written to the server (deferred mode), one entry per row id. Each entry
// carries the row's latest record image; operations accumulate as bits.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

struct RdmJournalEntry {
    int32_t rowId = -1;
    uint8_t operation = 0;     // RdmChangeJournal::kDelete | kInsert | kUpdate
    std::vector<char> record;  // the row's latest record image, record-size bytes, owned
    // The group the row belonged to when the entry was made, so that an entry
    // whose row has already left the visible rows (a deferred delete) can
    // still be written with its group.
    int32_t group = -1;
};

class RdmChangeJournal {
public:
    static constexpr uint8_t kDelete = 1;
    static constexpr uint8_t kInsert = 2;
    static constexpr uint8_t kUpdate = 4;

    using EntryMap = std::map<int32_t, RdmJournalEntry>;

    RdmChangeJournal() = default;
    explicit RdmChangeJournal(int32_t recordSize) : m_recordSize(recordSize) {}
    RdmChangeJournal(const RdmChangeJournal& other) = default;
    RdmChangeJournal& operator=(const RdmChangeJournal& other) = default;

    void SetRecordSize(int32_t size) { m_recordSize = size; }
    int32_t GetRecordSize() const { return m_recordSize; }

    bool Contains(int32_t rowId) const { return m_entries.contains(rowId); }
    RdmJournalEntry* Find(int32_t rowId);
    const RdmJournalEntry* Find(int32_t rowId) const;
    bool IsEmpty() const { return m_entries.empty(); }
    int32_t Count() const { return static_cast<int32_t>(m_entries.size()); }
    const EntryMap& Entries() const { return m_entries; }

    // A new entry with the bits and a copy of record-size bytes of record;
    // callers test Contains first and Merge into an existing entry.
    RdmJournalEntry* Add(uint8_t operation, int32_t rowId, const void* record, int32_t group = -1);
    // ORs the bits into the row's entry and copies the record over its image;
    // null, and nothing created, when the row has no entry.
    RdmJournalEntry* Merge(uint8_t operation, int32_t rowId, const void* record);
    void Remove(int32_t rowId) { m_entries.erase(rowId); }
    void Clear() { m_entries.clear(); }
    // A copy of the other journal's entries and record size.
    void Assign(const RdmChangeJournal& other) { *this = other; }

private:
    EntryMap m_entries;
    int32_t m_recordSize = 0;
};
