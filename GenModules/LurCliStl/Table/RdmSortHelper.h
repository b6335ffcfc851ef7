// RdmSortHelper: which master rows wait for which value of a detail table's
// link key, for the bulk loader of stored tables (RdmStoreTab::LoadSorted).
//
// The loader writes each master row's link values into the detail table's
// record buffer and notes the row here; every distinct key value is searched
// on the server once. Each record the search answers is then handed to every
// master row whose key value equals the record's, whatever order the server
// answers in. Key values are compared with the key fields' own comparison
// (numbers by value, text without regard to case), component by component
// for a compound key. The helper reads the record buffer through the table
// and owns what it builds; the table is not owned.
#pragma once

#include <cstdint>
#include <map>
#include <string>
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

    KeyTexts BufferKey() const;

    RdmTable& m_table;
    std::string m_keyName;
    std::vector<std::string> m_keyFieldNames;  // the components, as the table names them
    bool m_unique = false;
    bool m_compound = false;
    std::map<KeyTexts, std::vector<int32_t>, KeyLess> m_rowsByKey;
};
