// DbDesc: searching, removing and sorting inside a table's selected list.
// Nothing here calls the server. Values compare through field objects by
// the field's type letter, so numbers compare as numbers and texts by
// collation without regard to case.
#include <algorithm>
#include <cstring>
#include <map>

#include "DbDesc.h"
#include "DbDescError.h"
#include "LurStrings.h"
#include "RdmFld.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbDesc"};

struct FieldLess {
    bool operator()(const RdmFld& left, const RdmFld& right) const { return left < right; }
};

}  // namespace

int32_t DbDesc::FindInList(const std::string& table, const std::string& field, const std::string& value,
                           int32_t start) {
    return FindInListByValues(table, FieldValues{{field, value}}, start);
}

int32_t DbDesc::FindInListByValues(const std::string& table, const FieldValues& values, int32_t start) {
    if (start < 0) return -1;
    const int32_t index = RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase;
    std::vector<char>& buffer = RecordBufferAt(index);
    std::fill(buffer.begin(), buffer.end(), '\0');
    const RecordList& list = GetListAt(index);
    const int32_t count = list.Count();
    if (count == 0 || start >= count) return -1;

    // One pair of fields per value, made once for the whole search: the
    // bound one reads the record in the buffer, the detached one holds the value.
    std::vector<std::pair<RdmFld, RdmFld>> tests;
    tests.reserve(values.size());
    for (const auto& [field, value] : values) {
        RdmFld wanted(this, table, field, true);
        wanted.SetString(value);
        tests.emplace_back(RdmFld(this, table, field, false), std::move(wanted));
    }

    const size_t size = std::min(buffer.size(), static_cast<size_t>(list.recordSize));
    int32_t found = -1;
    for (int32_t i = start; i < count && found < 0; ++i) {
        std::memcpy(buffer.data(), list.RecordAt(i), size);
        if (std::all_of(tests.begin(), tests.end(), [](const auto& test) { return test.first == test.second; }))
            found = i;
    }
    // Back on the current record; with none the buffer keeps the last one examined.
    if (list.position >= 0 && list.position < count) std::memcpy(buffer.data(), list.RecordAt(list.position), size);
    return found;
}

bool DbDesc::LocateInList(const std::string& table, const std::string& field, const std::string& value, int32_t start) {
    const int32_t found = FindInList(table, field, value, start);
    return found >= 0 && SetListPos(table, found);
}

bool DbDesc::LocateInListByValues(const std::string& table, const FieldValues& values, int32_t start) {
    const int32_t found = FindInListByValues(table, values, start);
    return found >= 0 && SetListPos(table, found);
}

int32_t DbDesc::RemoveValueFromList(const std::string& table, const std::string& field, const std::string& value,
                                    int32_t start) {
    const int32_t found = FindInList(table, field, value, start);
    if (found >= 0) RemoveFromList(table, found);
    return found;
}

void DbDesc::RemoveAllValuesFromList(const std::string& table, const std::string& field, const std::string& value,
                                     int32_t start) {
    // The records after a removed one move down, so the search goes on
    // from the index just emptied.
    for (int32_t found = FindInList(table, field, value, start); found >= 0;
         found = FindInList(table, field, value, found))
        RemoveFromList(table, found);
}

void DbDesc::SortList(const std::string& table, const std::string& field, bool descending) {
    const std::string sortField = lurutils::ToUpper(field.empty() ? StateOf(table).sortField : field);
    const int32_t index = RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase;
    const int32_t fieldNo = FieldNoOrThrow(table, sortField, Here(__LINE__));
    RecordList& list = GetListAt(index);
    const int32_t count = list.Count();
    std::vector<char>& buffer = RecordBufferAt(index);
    const auto size = static_cast<size_t>(list.recordSize);

    if (count > 0) {
        RdmFld value(this, table, sortField, false);
        value.Detach();
        // A multimap inserts an equal key after those present: equal values
        // keep their list order.
        std::multimap<RdmFld, int32_t, FieldLess> order;
        for (int32_t i = 0; i < count; ++i) {
            std::memcpy(buffer.data(), list.RecordAt(i), std::min(buffer.size(), size));
            value.SetString(GetFieldText(fieldNo));
            order.emplace(value, i);
        }
        std::vector<char> sorted;
        sorted.reserve(list.data.size());
        const auto append = [&](const auto& entry) {
            const char* record = list.RecordAt(entry.second);
            sorted.insert(sorted.end(), record, record + size);
        };
        if (descending)
            std::for_each(order.rbegin(), order.rend(), append);
        else
            std::for_each(order.begin(), order.end(), append);
        std::copy(sorted.begin(), sorted.end(), list.data.data());
    }

    // The position stays where it was; the buffer takes the record now there.
    if (list.position >= 0 && list.position < count)
        std::memcpy(buffer.data(), list.RecordAt(list.position), std::min(buffer.size(), size));
    else
        std::fill(buffer.begin(), buffer.end(), '\0');
    SetSortField(StateOf(table), sortField);
}

void DbDesc::SetSortField(TableState& state, const std::string& field) {
    m_sortedStates += static_cast<int32_t>(!field.empty()) - static_cast<int32_t>(!state.sortField.empty());
    state.sortField = field;
}

std::string DbDesc::GetSortField(const std::string& table) const {
    const std::string upper = lurutils::ToUpper(table);
    const auto state = m_tableStates.find(upper);
    if (state == m_tableStates.end()) throw DbDescError(2002, Here(__LINE__), StrVector(upper));
    return state->second.sortField;
}
