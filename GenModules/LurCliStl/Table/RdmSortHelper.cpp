// RdmSortHelper: the master rows of a bulk detail load by link-key value,
// and the bulk loader of stored tables, RdmStoreTab::LoadSorted, that uses it.
#include "RdmSortHelper.h"

#include <algorithm>
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
    std::vector<StoredPart> parts;
    fields.reserve(names.size());
    for (const std::string& name : names) {
        RdmFld copy = m_table.Fld(name);
        FieldDesc desc{};
        copy.GetFieldDesc(desc);
        const int32_t offset = m_table.GetDesc()->FieldOffset(m_table.GetName(), copy.GetName());
        parts.push_back({offset, desc.length, desc.type == 'c' && (desc.flags & FieldDesc::kUnsigned) == 0});
        copy.Detach();
        fields.push_back(std::move(copy));
    }
    m_byStoredKey.clear();
    m_rowsByKey = MastersByKey(KeyLess(std::move(fields)));
    m_keyName = keyName;
    m_keyFieldNames = std::move(names);
    m_storedParts = std::move(parts);
    m_compound = compound;
    m_unique = !keyName.empty() && m_table.GetUniqueKeyName() == m_table.ResolveKeyName(keyName);
    return m_unique;
}

RdmSortHelper::KeyTexts RdmSortHelper::BufferKey() const {
    KeyTexts texts;
    m_table.GetFieldTexts(m_keyFieldNames, texts);
    return texts;
}

std::string RdmSortHelper::StoredKey() const {
    const std::string_view record = m_table.GetDesc()->RecordView(m_table.GetName());
    std::string key;
    for (const StoredPart& part : m_storedParts) {
        if (part.offset < 0 || static_cast<size_t>(part.offset) + static_cast<size_t>(part.length) > record.size())
            continue;
        std::string_view value = record.substr(static_cast<size_t>(part.offset), static_cast<size_t>(part.length));
        if (part.text) value = value.substr(0, value.find('\0'));
        // Each part with its length first, so that no two values join alike.
        const auto length = static_cast<uint16_t>(value.size());
        key.append(reinterpret_cast<const char*>(&length), sizeof length);
        key.append(value);
    }
    return key;
}

bool RdmSortHelper::AddMasterRow(int32_t masterRowId) {
    std::string stored = StoredKey();
    if (const auto known = m_byStoredKey.find(stored); known != m_byStoredKey.end()) {
        known->second->rows.push_back(masterRowId);
        return false;
    }
    auto [entry, added] = m_rowsByKey.try_emplace(BufferKey());
    Masters& masters = entry->second;
    masters.rows.push_back(masterRowId);
    // Not the bytes of any value noted so far: a value of its own, or equal
    // to one noted by the comparison while stored otherwise.
    if (!added) masters.storedAlike = false;
    m_byStoredKey.emplace(std::move(stored), &masters);
    return added;
}

const RdmSortHelper::Masters* RdmSortHelper::MastersFor() const {
    if (const auto known = m_byStoredKey.find(StoredKey()); known != m_byStoredKey.end()) return known->second;
    const auto found = m_rowsByKey.find(BufferKey());
    return found == m_rowsByKey.end() ? nullptr : &found->second;
}

const std::vector<int32_t>* RdmSortHelper::MasterRowsFor() const {
    const Masters* masters = MastersFor();
    return masters ? &masters->rows : nullptr;
}

const std::vector<int32_t>* RdmSortHelper::MasterRowsTakingRecord() const {
    const Masters* masters = MastersFor();
    return masters && masters->storedAlike ? &masters->rows : nullptr;
}

std::vector<int32_t> RdmSortHelper::SearchedAlone() const {
    std::vector<int32_t> rows;
    for (const auto& [key, masters] : m_rowsByKey) {
        if (!masters.storedAlike) rows.insert(rows.end(), masters.rows.begin(), masters.rows.end());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// ---- the bulk detail loads of stored tables --------------------------------------------------

void RdmStoreTab::LoadSorted() {
    Reset();
    // Each owner row's link values are written as its detail rows would be
    // searched for; the owner's record buffer is put back afterwards.
    const std::vector<char> ownerBuffer = m_owner->CopyBuffer();
    try {
        LoadDetailsAtOnce(
            [this](const RdmStoredRow& ownerRow, size_t) {
                m_owner->LoadRow(ownerRow);
                SetLinkValuesFromOwner();
            },
            false);
    } catch (...) {
        m_owner->GetDesc()->SetRecord(ownerBuffer.data(), m_owner->m_name);
        throw;
    }
    m_owner->GetDesc()->SetRecord(ownerBuffer.data(), m_owner->m_name);
}

void RdmStoreTab::LoadDetailsAtOnce(const std::function<void(const RdmStoredRow&, size_t)>& writeKey, bool filtered) {
    const RdmRowList& ownerRows = m_owner->m_rows.AllRows();
    const size_t owners = ownerRows.size();
    const auto recordSize = static_cast<size_t>(m_recordSize);
    RdmSortHelper helper(*this);
    // Without a link key every search answers every record: nothing to share.
    const bool keyed = !m_linkKey.empty();
    if (keyed) helper.Setup(m_linkKey);

    // Every owner row's search key, as a search of its own would take it from
    // the record buffer (which each search leaves cleared); one entry of the
    // OR-search per distinct value.
    RdmTable::ClearList();
    std::vector<char> keys(owners * recordSize);
    for (size_t i = 0; i < owners; ++i) {
        writeKey(*ownerRows[i], i);
        std::copy_n(CopyBuffer().data(), recordSize, keys.data() + i * recordSize);
        if (keyed && helper.AddMasterRow(static_cast<int32_t>(i))) RdmTable::AddCurrentToList();
        RdmTable::ClearRecord();
    }

    // The owner rows whose value the one search cannot serve search alone
    // (before it, since every search replaces the table's list); their
    // records are kept aside.
    std::vector<bool> alone(owners, !keyed);
    for (const int32_t i : helper.SearchedAlone()) alone[static_cast<size_t>(i)] = true;
    std::vector<char> aloneRecords;
    std::vector<std::pair<size_t, size_t>> aloneRange(owners);  // (first byte, bytes) in aloneRecords
    for (size_t i = 0; i < owners; ++i) {
        if (!alone[i]) continue;
        GetDesc()->SetRecord(keys.data() + i * recordSize, m_name);
        const size_t first = aloneRecords.size();
        if (RdmTable::FindList(m_linkKey, DbDesc::kMoveReset)) {
            while (RdmTable::ListNext()) {
                const std::vector<char> record = CopyBuffer();
                aloneRecords.insert(aloneRecords.end(), record.begin(), record.begin() + recordSize);
            }
        }
        aloneRange[i] = {first, aloneRecords.size() - first};
    }

    // One search for the other values: each record found goes to every owner
    // row of its value, noted as (owner row, place in the list).
    std::vector<std::pair<int32_t, int32_t>> found;
    const bool shared = std::find(alone.begin(), alone.end(), false) != alone.end();
    if (shared && RdmTable::FindListOr(m_linkKey, DbDesc::kMoveReset)) {
        for (int32_t place = 0; RdmTable::ListNext(); ++place) {
            if (const std::vector<int32_t>* rows = helper.MasterRowsTakingRecord()) {
                for (const int32_t owner : *rows) found.emplace_back(owner, place);
            }
        }
    }
    // Stored owner row by owner row, each group in the order the server
    // answered (key, then insertion order), as searches one by one store them.
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    auto next = found.begin();
    for (size_t i = 0; i < owners; ++i) {
        const int32_t group = ownerRows[i]->id;
        if (alone[i]) {
            const auto [first, bytes] = aloneRange[i];
            for (size_t at = first; at < first + bytes; at += recordSize) {
                GetDesc()->SetRecord(aloneRecords.data() + at, m_name);
                if (!filtered || PassesFilters()) m_rows.Insert(group, aloneRecords.data() + at);
            }
            continue;
        }
        for (; next != found.end() && next->first == static_cast<int32_t>(i); ++next) {
            RdmTable::SetListPos(next->second);
            if (!filtered || PassesFilters()) m_rows.Insert(group, CopyBuffer().data());
        }
    }
    RdmTable::ClearRecord();
}
