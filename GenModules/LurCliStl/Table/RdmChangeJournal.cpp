#include "RdmChangeJournal.h"

#include <cstring>

RdmJournalEntry* RdmChangeJournal::Find(int32_t rowId) {
    const auto entry = m_entries.find(rowId);
    return entry == m_entries.end() ? nullptr : &entry->second;
}

const RdmJournalEntry* RdmChangeJournal::Find(int32_t rowId) const {
    const auto entry = m_entries.find(rowId);
    return entry == m_entries.end() ? nullptr : &entry->second;
}

RdmJournalEntry* RdmChangeJournal::Add(uint8_t operation, int32_t rowId, const void* record, int32_t group) {
    RdmJournalEntry entry;
    entry.rowId = rowId;
    entry.operation = operation;
    const auto* bytes = static_cast<const char*>(record);
    entry.record.assign(bytes, bytes + m_recordSize);
    entry.group = group;
    return &m_entries.insert_or_assign(rowId, std::move(entry)).first->second;
}

RdmJournalEntry* RdmChangeJournal::Merge(uint8_t operation, int32_t rowId, const void* record) {
    RdmJournalEntry* entry = Find(rowId);
    if (!entry) return nullptr;
    entry->operation |= operation;
    entry->record.resize(static_cast<size_t>(m_recordSize));
    if (m_recordSize > 0) std::memcpy(entry->record.data(), record, static_cast<size_t>(m_recordSize));
    return entry;
}
