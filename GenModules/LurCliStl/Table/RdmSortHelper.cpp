// RdmSortHelper: the master rows of a bulk detail load by link-key value,
// and the bulk loader of stored tables, RdmStoreTab::LoadSorted, that uses it.
#include "RdmSortHelper.h"

#include <utility>

#include "RdmStoreTab.h"
#include "RdmTable.h"

RdmSortHelper::KeyLess::KeyLess(std::vector<RdmFld> fields) : m_left(fields), m_right(std::move(fields)) {}

bool RdmSortHelper::KeyLess::operator()(const KeyTexts& left, const KeyTexts& right) const {
    for (std::size_t i = 0; i < m_left.size() && i < left.size() && i < right.size(); ++i) {
        m_left[i].SetString(left[i]);
        m_right[i].SetString(right[i]);
        if (m_left[i] < m_right[i]) return true;
        if (m_right[i] < m_left[i]) return false;
    }
    return false;
}

RdmSortHelper::RdmSortHelper(RdmTable& table) : m_table(table) {}

bool RdmSortHelper::Setup(const std::string& keyName) {
    std::vector<std::string> names;
    m_table.GetKeyFieldNames(keyName, names);
    const bool compound = m_table.IsCompoundKey(keyName);
    std::vector<RdmFld> fields;
    fields.reserve(names.size());
    for (const std::string& name : names) {
        RdmFld copy = m_table.Fld(name);
        copy.Detach();
        fields.push_back(std::move(copy));
    }
    m_rowsByKey = std::map<KeyTexts, std::vector<int32_t>, KeyLess>(KeyLess(std::move(fields)));
    m_keyName = keyName;
    m_keyFieldNames = std::move(names);
    m_compound = compound;
    m_unique = !keyName.empty() && m_table.GetUniqueKeyName() == m_table.ResolveKeyName(keyName);
    return m_unique;
}

RdmSortHelper::KeyTexts RdmSortHelper::BufferKey() const {
    KeyTexts texts;
    m_table.GetFieldTexts(m_keyFieldNames, texts);
    return texts;
}

bool RdmSortHelper::AddMasterRow(int32_t masterRowId) {
    auto [entry, added] = m_rowsByKey.try_emplace(BufferKey());
    entry->second.push_back(masterRowId);
    return added;
}

const std::vector<int32_t>* RdmSortHelper::MasterRowsFor() const {
    const auto found = m_rowsByKey.find(BufferKey());
    return found == m_rowsByKey.end() ? nullptr : &found->second;
}

// ---- the bulk loader of stored tables ---------------------------------------------------------

void RdmStoreTab::LoadSorted() {
    Reset();
    RdmTable::ClearList();
    RdmSortHelper helper(*this);
    helper.Setup(m_linkKey);
    // Each owner row's link values are written as its detail rows would be
    // searched for; one search entry per distinct key value.
    const RdmRowList ownerRows = m_owner->m_rows.AllRows();
    const std::vector<char> ownerBuffer = m_owner->CopyBuffer();
    try {
        for (const RdmStoredRow* row : ownerRows) {
            m_owner->LoadRow(*row);
            SetLinkValuesFromOwner();
            if (helper.AddMasterRow(row->id)) RdmTable::AddCurrentToList();
        }
    } catch (...) {
        m_owner->GetDesc()->SetRecord(ownerBuffer.data(), m_owner->m_name);
        throw;
    }
    m_owner->GetDesc()->SetRecord(ownerBuffer.data(), m_owner->m_name);
    if (helper.KeyCount() > 0 && RdmTable::FindListOr(m_linkKey, DbDesc::kMoveReset)) {
        while (RdmTable::ListNext()) {
            const std::vector<int32_t>* owners = helper.MasterRowsFor();
            if (!owners) continue;
            const std::vector<char> record = CopyBuffer();
            for (const int32_t ownerRowId : *owners) m_rows.Insert(ownerRowId, record.data());
        }
    }
    RdmTable::ClearRecord();
}
