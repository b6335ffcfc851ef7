// RdmSortHelper: which master rows wait for which value of a detail table's
// link key, for the bulk detail loads of stored tables (RdmStoreTab::LoadSorted
// and LoadDetailRows).
//
// The loader writes each master row's link values into the detail table's
// record buffer and notes the row here; every distinct key value is searched
// on the server once. Each record the search answers is then handed to every
// master row whose key value equals the record's, whatever order the server
// answers in. Values are taken from the record buffer's bytes, component by
// component for a compound key, and compared as the server may compare them
// at the most: numbers by value, text (up to its zero) without regard to the
// case of ASCII letters, raw bytes as they are. Master rows whose values are
// equal so but stored differently (text differing in case) may still be told
// apart by the server, whose text comparison can be exact: such rows are
// noted as needing a search of their own (SearchedAlone). The helper reads
// the record buffer through the table, which it does not own.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class RdmTable;

class RdmSortHelper {
public:
    explicit RdmSortHelper(RdmTable& table);

    // Takes the link key: its components (a simple key is its own only
    // component) and whether it is the table's unique key, which is answered.
    // Forgets the master rows noted before. 2003 for a key the table lacks.
    bool Setup(const std::string& keyName);
    bool IsUnique() const { return m_unique; }
    bool IsCompound() const { return m_compound; }
    const std::string& GetKeyName() const { return m_keyName; }

    // Notes the master row under the key value now in the record buffer;
    // true when no master row noted before had that value (a new search
    // entry).
    bool AddMasterRow(int32_t masterRowId);
    // The master rows, in the order noted, whose key value equals the one in
    // the record buffer; null when none.
    const std::vector<int32_t>* MasterRowsFor() const;
    // As MasterRowsFor for a record of the table (record-size bytes), but
    // null too when those rows hold stored values that differ (see above):
    // the rows that take a record the one search found.
    const std::vector<int32_t>* MasterRowsTakingRecord(const char* record) const;
    // The master rows that need a search of their own, ascending.
    std::vector<int32_t> SearchedAlone() const;
    // Number of distinct key values noted.
    std::size_t KeyCount() const { return m_byValue.size(); }

private:
    struct Masters {
        std::vector<int32_t> rows;
        std::string stored;       // the first row's value as stored (RecordKey unfolded)
        bool storedAlike = true;  // every row's stored value has those bytes
    };
    // Where a component's value lies in the record buffer, and its kind.
    struct Part {
        int32_t offset;
        int32_t length;
        char kind;  // 't' text, 'r' raw bytes, 'f' floating, 'i' integer
    };

    // A record's key value as stored (exact) or as compared (folded): each
    // component's bytes behind their length, so that no two values join alike.
    std::string RecordKey(const char* record, bool folded) const;
    const char* Buffer() const;  // the table's record buffer
    const Masters* MastersFor(const char* record) const;

    RdmTable& m_table;
    std::string m_keyName;
    std::vector<Part> m_parts;
    bool m_unique = false;
    bool m_compound = false;
    std::unordered_map<std::string, Masters> m_byValue;  // by folded value
    bool m_folding = false;  // some part folds (text, floating): stored and folded values may differ
    // The key bytes of the record looked up last and its entry (when it had
    // one): records come in key order, so most follow one of the same value.
    bool SameRawKey(const char* record) const;
    mutable std::string m_lastRaw;
    mutable const Masters* m_lastMasters = nullptr;
};
