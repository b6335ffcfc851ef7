// RdmSortHelper: the master rows of a bulk detail load by link-key value,
// and the detail loads of stored tables that use it (RdmStoreTab::LoadDetails,
// behind LoadDetailRows and LoadSorted).
#include "RdmSortHelper.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "RdmStoreTab.h"
#include "RdmTable.h"

namespace {

// Whether a floating value's bytes hold a zero: both zeros are one value.
bool IsZero(std::string_view value) {
    if (value.size() == sizeof(double)) {
        double number = 0;
        std::memcpy(&number, value.data(), sizeof number);
        return number == 0;
    }
    if (value.size() == sizeof(float)) {
        float number = 0;
        std::memcpy(&number, value.data(), sizeof number);
        return number == 0;
    }
    return false;
}

}  // namespace

RdmSortHelper::RdmSortHelper(RdmTable& table) : m_table(table) {}

bool RdmSortHelper::Setup(const std::string& keyName) {
    std::vector<std::string> names;
    m_table.GetKeyFieldNames(keyName, names);
    const bool compound = m_table.IsCompoundKey(keyName);
    std::vector<Part> parts;
    const size_t recordSize = m_table.GetDesc()->RecordView(m_table.GetName()).size();
    for (const std::string& name : names) {
        const RdmFld& field = m_table.Fld(name);
        FieldDesc desc{};
        field.GetFieldDesc(desc);
        char kind = 'i';
        if (desc.type == 'c') kind = (desc.flags & FieldDesc::kUnsigned) != 0 ? 'r' : 't';
        if (desc.type == 'f' || desc.type == 'F') kind = 'f';
        const int32_t offset = m_table.GetDesc()->FieldOffset(m_table.GetName(), field.GetName());
        if (offset < 0 ||
            static_cast<size_t>(offset) + static_cast<size_t>(std::max<int16_t>(desc.length, 0)) > recordSize)
            continue;  // no value in the record to compare
        parts.push_back({offset, desc.length, kind});
    }
    m_byValue.clear();
    m_folding =
        std::any_of(parts.begin(), parts.end(), [](const Part& part) { return part.kind == 't' || part.kind == 'f'; });
    m_lastMasters = nullptr;
    m_keyName = keyName;
    m_parts = std::move(parts);
    m_compound = compound;
    m_unique = !keyName.empty() && m_table.GetUniqueKeyName() == m_table.ResolveKeyName(keyName);
    return m_unique;
}

const char* RdmSortHelper::Buffer() const {
    const std::string_view buffer = m_table.GetDesc()->RecordView(m_table.GetName());
    // Every key part lies inside the record (Setup took its place from the description).
    return buffer.data();
}

std::string RdmSortHelper::RecordKey(const char* record, bool folded) const {
    std::string key;
    for (const Part& part : m_parts) {
        std::string_view value(record + part.offset, static_cast<size_t>(part.length));
        if (part.kind == 't') value = value.substr(0, value.find('\0'));
        const auto length = static_cast<uint16_t>(value.size());
        const size_t at = key.size() + sizeof length;
        key.append(reinterpret_cast<const char*>(&length), sizeof length);
        key.append(value);
        if (!folded) continue;
        if (part.kind == 't') {
            for (size_t i = at; i < key.size(); ++i) {
                if (key[i] >= 'a' && key[i] <= 'z') key[i] = static_cast<char>(key[i] - 'a' + 'A');
            }
        } else if (part.kind == 'f') {
            if (IsZero(value)) std::fill(key.begin() + static_cast<std::ptrdiff_t>(at), key.end(), '\0');
        }
    }
    return key;
}

bool RdmSortHelper::AddMasterRow(int32_t masterRowId) {
    m_lastMasters = nullptr;
    const char* record = Buffer();
    auto [entry, added] = m_byValue.try_emplace(RecordKey(record, true));
    Masters& masters = entry->second;
    masters.rows.push_back(masterRowId);
    // The value's stored bytes as the first row had them: another row's
    // differing bytes make the value one the server may tell apart.
    if (added) {
        masters.stored = m_folding ? RecordKey(record, false) : entry->first;
    } else if (masters.storedAlike && m_folding) {
        masters.storedAlike = RecordKey(record, false) == masters.stored;
    }
    return added;
}

bool RdmSortHelper::SameRawKey(const char* record) const {
    if (m_lastMasters == nullptr) return false;
    size_t at = 0;
    for (const Part& part : m_parts) {
        const auto length = static_cast<size_t>(part.length);
        if (std::memcmp(m_lastRaw.data() + at, record + part.offset, length) != 0) return false;
        at += length;
    }
    return true;
}

const RdmSortHelper::Masters* RdmSortHelper::MastersFor(const char* record) const {
    // The same bytes as the record before (the next of the same value, in
    // the key order the server answers in): the same master rows.
    if (SameRawKey(record)) return m_lastMasters;
    const auto found = m_byValue.find(RecordKey(record, true));
    const Masters* masters = found == m_byValue.end() ? nullptr : &found->second;
    m_lastRaw.clear();
    for (const Part& part : m_parts) m_lastRaw.append(record + part.offset, static_cast<size_t>(part.length));
    m_lastMasters = masters;
    return masters;
}

const std::vector<int32_t>* RdmSortHelper::MasterRowsFor() const {
    const Masters* masters = MastersFor(Buffer());
    return masters ? &masters->rows : nullptr;
}

const std::vector<int32_t>* RdmSortHelper::MasterRowsTakingRecord(const char* record) const {
    const Masters* masters = MastersFor(record);
    return masters && masters->storedAlike ? &masters->rows : nullptr;
}

std::vector<int32_t> RdmSortHelper::SearchedAlone() const {
    std::vector<int32_t> rows;
    for (const auto& [key, masters] : m_byValue) {
        if (!masters.storedAlike) rows.insert(rows.end(), masters.rows.begin(), masters.rows.end());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// ---- the bulk detail loads of stored tables --------------------------------------------------

void RdmStoreTab::LoadSorted() { LoadDetails(false); }

void RdmStoreTab::LoadDetails(bool filtered) {
    Reset();
    const RdmRowList& ownerRows = m_owner->m_rows.AllRows();
    const size_t owners = ownerRows.size();
    const auto recordSize = static_cast<size_t>(m_recordSize);
    DbDesc& ownerDesc = *m_owner->GetDesc();
    // The master values of every owner row, link by link, read from the rows'
    // record copies (a detached master field gives its own text for every row).
    std::vector<std::vector<std::string>> masterValues(m_links.size());
    for (size_t link = 0; link < m_links.size(); ++link) {
        const RdmFld& master = m_owner->Fld(m_links[link].first);
        std::vector<std::string>& values = masterValues[link];
        values.reserve(owners);
        if (master.IsDetached()) {
            values.assign(owners, master.GetString());
            continue;
        }
        const int32_t offset = ownerDesc.FieldOffset(m_owner->m_name, master.GetName());
        std::string text;
        for (const RdmStoredRow* row : ownerRows) {
            ownerDesc.ValueToText(row->record.data() + offset, text, master.GetFieldNo());
            values.push_back(text);
        }
    }
    RdmSortHelper helper(*this);
    // Without a link key every search answers every record: nothing to share.
    const bool keyed = !m_linkKey.empty();
    if (keyed) helper.Setup(m_linkKey);

    // Every owner row's search key, as a search of its own would take it from
    // the record buffer (which each search leaves cleared).
    std::vector<char> keys(owners * recordSize);
    std::vector<size_t> firstOfValue;  // the first owner row of each distinct value
    for (size_t i = 0; i < owners; ++i) {
        for (size_t link = 0; link < m_links.size(); ++link) Fld(m_links[link].second).SetString(masterValues[link][i]);
        for (const auto& [field, text] : m_columnValues) {
            if (!IsLinkField(field, true)) Fld(field).SetString(text);
        }
        std::copy_n(CopyBuffer().data(), recordSize, keys.data() + i * recordSize);
        if (keyed && helper.AddMasterRow(static_cast<int32_t>(i))) firstOfValue.push_back(i);
        RdmTable::ClearRecord();
    }

    // The owner rows whose value the one search cannot serve search alone;
    // their records are kept aside. They run before the one search's keys
    // are listed, since every search replaces the table's list.
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

    // The one search's keys: an entry per distinct value of the other rows.
    RdmTable::ClearList();
    for (const size_t i : firstOfValue) {
        if (alone[i]) continue;
        GetDesc()->SetRecord(keys.data() + i * recordSize, m_name);
        RdmTable::AddCurrentToList();
    }

    // One search for the other values: each record found goes to every owner
    // row of its value. The places in the list are gathered per owner row
    // (counted first, then filled in), in the order the server answered:
    // key, then insertion order, as searches one by one store them.
    std::string_view records;
    std::vector<size_t> firstFound(owners + 1, 0);  // owner row i: places firstFound[i] .. firstFound[i + 1]
    std::vector<int32_t> places;
    const bool shared = std::find(alone.begin(), alone.end(), false) != alone.end();
    if (shared && recordSize > 0 && RdmTable::FindListOr(m_linkKey, DbDesc::kMoveReset)) {
        records = GetDesc()->ListView(m_name);
        const size_t count = records.size() / recordSize;
        std::vector<const std::vector<int32_t>*> ownersOf(count);
        for (size_t place = 0; place < count; ++place) {
            ownersOf[place] = helper.MasterRowsTakingRecord(records.data() + place * recordSize);
            if (ownersOf[place]) {
                for (const int32_t owner : *ownersOf[place]) ++firstFound[static_cast<size_t>(owner) + 1];
            }
        }
        for (size_t i = 0; i < owners; ++i) firstFound[i + 1] += firstFound[i];
        places.resize(firstFound[owners]);
        std::vector<size_t> filled(firstFound.begin(), firstFound.end() - 1);
        for (size_t place = 0; place < count; ++place) {
            if (!ownersOf[place]) continue;
            for (const int32_t owner : *ownersOf[place]) {
                places[filled[static_cast<size_t>(owner)]++] = static_cast<int32_t>(place);
            }
        }
    }
    const auto store = [&](int32_t group, const char* record) {
        if (filtered && !m_filters.empty()) {
            GetDesc()->SetRecord(record, m_name);  // the filters read the record buffer
            if (!PassesFilters()) return;
        }
        m_rows.Insert(group, record);
    };
    for (size_t i = 0; i < owners; ++i) {
        const int32_t group = ownerRows[i]->id;
        if (alone[i]) {
            const auto [first, bytes] = aloneRange[i];
            for (size_t at = first; at < first + bytes; at += recordSize) store(group, aloneRecords.data() + at);
            continue;
        }
        for (size_t at = firstFound[i]; at < firstFound[i + 1]; ++at) {
            store(group, records.data() + static_cast<size_t>(places[at]) * recordSize);
        }
    }
    RdmTable::ClearRecord();
}
