// RdmSortHelper: which master rows wait for which value of a detail table's
// link key, for the bulk detail loads of stored tables (RdmStoreTab::LoadSorted
// and LoadDetailRows).
//
// The loader writes each master row's link values into the detail table's
// record buffer and notes the row here; every distinct key value is searched
// on the server once. Each record the search answers is then handed to every
// master row whose key value equals the record's, whatever order the server
// answers in. Key values are compared with the key fields' own comparison
// (numbers by value, text without regard to case), component by component
// for a compound key. Master rows whose values are equal by that comparison
// but stored differently (text that differs in case, say) may be told apart
// by the server, whose text comparison can be exact: such rows are noted as
// needing a search of their own (SearchedAlone). The helper reads the record
// buffer through the table and owns what it builds; the table is not owned.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "RdmFld.h"

class RdmTable;

class RdmSortHelper {
public:
    using KeyTexts = std::vector<std::string>;

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
    // Number of distinct key values noted.
    std::size_t KeyCount() const { return m_rowsByKey.size(); }
    // As MasterRowsFor, but null too when those rows hold stored values that
    // differ (see above): the rows that take a record the one search found.
    const std::vector<int32_t>* MasterRowsTakingRecord() const;
    // The master rows that need a search of their own, in the order noted.
    std::vector<int32_t> SearchedAlone() const;

private:
    // Orders key values by the key fields' comparison: two detached copies
    // of each component field take the texts and are compared in order.
    class KeyLess {
    public:
        KeyLess() = default;
        explicit KeyLess(std::vector<RdmFld> fields);
        bool operator()(const KeyTexts& left, const KeyTexts& right) const;

    private:
        // Scratch values; each comparison sets them before it reads them.
        mutable std::vector<RdmFld> m_left;
        mutable std::vector<RdmFld> m_right;
    };
    struct Masters {
        std::vector<int32_t> rows;
        bool storedAlike = true;  // every row's stored value has the same bytes
    };
    using MastersByKey = std::map<KeyTexts, Masters, KeyLess>;
    // Where a component's stored value lies in the record buffer.
    struct StoredPart {
        int32_t offset;
        int32_t length;
        bool text;  // up to its first zero
    };

    KeyTexts BufferKey() const;
    // The stored bytes of the key value in the record buffer: equal bytes
    // are one value on the server too, so a record with the bytes of a noted
    // value needs no comparison to find its master rows.
    std::string StoredKey() const;
    const Masters* MastersFor() const;

    RdmTable& m_table;
    std::string m_keyName;
    std::vector<std::string> m_keyFieldNames;  // the components, as the table names them
    std::vector<StoredPart> m_storedParts;
    bool m_unique = false;
    bool m_compound = false;
    MastersByKey m_rowsByKey;
    std::unordered_map<std::string, Masters*> m_byStoredKey;  // every stored value noted, to its entry
};
