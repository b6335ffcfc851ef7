// RdmTable: list searches on the server, walking, building, editing,
// searching and sorting the table's list, and aggregates over it. The list
// lives in the description; every table object on it sees the same one.
#include <algorithm>

#include "DbDescError.h"
#include "RdmTable.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmTable"};

}  // namespace

// ---- list searches on the server -------------------------------------------------------

bool RdmTable::FindList(const std::string& key, int32_t moveCode) {
    return GetDesc(Here, __LINE__)->FindList(m_name, ResolveKeyName(key), moveCode);
}
bool RdmTable::FindListAdd(const std::string& key) {
    return GetDesc(Here, __LINE__)->FindListAdd(m_name, ResolveKeyName(key));
}
bool RdmTable::FindListOr(const std::string& key, int32_t moveCode) {
    return GetDesc(Here, __LINE__)->FindListOr(m_name, ResolveKeyName(key), moveCode);
}
bool RdmTable::FindListOrAdd(const std::string& key) {
    return GetDesc(Here, __LINE__)->FindListOrAdd(m_name, ResolveKeyName(key));
}
bool RdmTable::FindGreater(const std::string& key, int32_t moveCode) {
    return GetDesc(Here, __LINE__)->FindGreater(m_name, ResolveKeyName(key), moveCode);
}
bool RdmTable::FindGreaterAdd(const std::string& key) {
    return GetDesc(Here, __LINE__)->FindGreaterAdd(m_name, ResolveKeyName(key));
}
bool RdmTable::FindLess(const std::string& key, int32_t moveCode) {
    return GetDesc(Here, __LINE__)->FindLess(m_name, ResolveKeyName(key), moveCode);
}
bool RdmTable::FindLessAdd(const std::string& key) {
    return GetDesc(Here, __LINE__)->FindLessAdd(m_name, ResolveKeyName(key));
}
bool RdmTable::FindNotEqual(const std::string& field, int32_t moveCode) {
    return GetDesc(Here, __LINE__)->FindNotEqual(m_name, ResolveKeyName(field), moveCode);
}
bool RdmTable::FindNotEqualAdd(const std::string& field) {
    return GetDesc(Here, __LINE__)->FindNotEqualAdd(m_name, ResolveKeyName(field));
}
bool RdmTable::FindBetween(const std::string& key, int32_t moveCode) {
    return GetDesc(Here, __LINE__)->FindBetween(m_name, ResolveKeyName(key), moveCode);
}
bool RdmTable::FindBetweenAdd(const std::string& key) {
    return GetDesc(Here, __LINE__)->FindBetweenAdd(m_name, ResolveKeyName(key));
}

// ---- walking -------------------------------------------------------------------------------

bool RdmTable::ListMove(int32_t code, int) { return GetDesc(Here, __LINE__)->ListMove(code, m_name); }
bool RdmTable::ListNext() { return GetDesc(Here, __LINE__)->ListNext(m_name); }
int32_t RdmTable::GetListPos() const { return GetDesc(Here, __LINE__)->GetListPos(m_name); }
bool RdmTable::SetListPos(int32_t position) { return GetDesc(Here, __LINE__)->SetListPos(m_name, position); }
bool RdmTable::GoToPos(int32_t position, int) { return SetListPos(position); }
int32_t RdmTable::GetListCount() const { return GetDesc(Here, __LINE__)->GetListCount(m_name); }
bool RdmTable::IsListEmpty() const { return GetListCount() == 0; }
bool RdmTable::ClearList() {
    GetDesc(Here, __LINE__)->ClearList(m_name);
    return true;
}

// ---- building and editing --------------------------------------------------------------------

void RdmTable::BeginPrivateList() { GetDesc(Here, __LINE__)->BeginPrivateList(m_name); }

void RdmTable::SetList(const void* block, int32_t byteLength) {
    GetDesc(Here, __LINE__)->SetList(m_name, block, byteLength);
}

void RdmTable::AddCurrentToList() { GetDesc(Here, __LINE__)->AddCurrentToList(m_name); }

bool RdmTable::AddToListWithValue(const std::string& field, const std::vector<std::string>& values) {
    return GetDesc(Here, __LINE__)->AddToListWithValue(m_name, field, values);
}

bool RdmTable::AddToListWithValues(const std::map<std::string, std::vector<std::string>>& columns) {
    // The table object asks for whole records: columns of unequal length
    // append nothing (the description alone would cut or pad them).
    const auto unequal = [&](const auto& column) { return column.second.size() != columns.begin()->second.size(); };
    if (std::any_of(columns.begin(), columns.end(), unequal)) return false;
    return GetDesc(Here, __LINE__)->AddToListWithValues(m_name, columns);
}

bool RdmTable::UpdateListEntry(bool strict) { return GetDesc(Here, __LINE__)->UpdateListEntry(m_name, strict); }

bool RdmTable::RemoveFromList(int32_t index) { return GetDesc(Here, __LINE__)->RemoveFromList(m_name, index); }

bool RdmTable::RemoveCurrentFromList() { return GetDesc(Here, __LINE__)->RemoveCurrentFromList(m_name); }

int32_t RdmTable::RemoveValueFromList(const std::string& field, const std::string& value, int32_t start) {
    return GetDesc(Here, __LINE__)->RemoveValueFromList(m_name, ResolveFieldName(field), value, start);
}

int32_t RdmTable::RemoveAllValuesFromList(const std::string& field, const std::string& value, int32_t start) {
    GetDesc(Here, __LINE__)->RemoveAllValuesFromList(m_name, ResolveFieldName(field), value, start);
    return -1;
}

void RdmTable::SortList(const std::string& field, bool descending, int) {
    GetDesc(Here, __LINE__)->SortList(m_name, field.empty() ? field : ResolveFieldName(field), descending);
}

std::string RdmTable::GetListKey() const { return GetDesc(Here, __LINE__)->GetSortField(m_name); }

// ---- searching in the list ---------------------------------------------------------------------

int32_t RdmTable::FindInList(const std::string& field, const std::string& value, int32_t start) {
    return GetDesc(Here, __LINE__)->FindInList(m_name, ResolveFieldName(field), value, start);
}

int32_t RdmTable::FindInListByValues(const DbDesc::FieldValues& values, int32_t start) {
    DbDesc::FieldValues resolved;
    resolved.reserve(values.size());
    for (const auto& [field, value] : values) resolved.emplace_back(ResolveFieldName(field), value);
    return GetDesc(Here, __LINE__)->FindInListByValues(m_name, resolved, start);
}

bool RdmTable::LocateInList(const std::string& field, const std::string& value, int32_t start) {
    const int32_t found = FindInList(field, value, start);
    return found >= 0 && SetListPos(found);
}

bool RdmTable::LocateInListByValues(const DbDesc::FieldValues& values, int32_t start) {
    const int32_t found = FindInListByValues(values, start);
    return found >= 0 && SetListPos(found);
}

// ---- reading the record buffer -------------------------------------------------------------------

void RdmTable::GetFieldTexts(const std::vector<std::string>& names, std::vector<std::string>& out) const {
    std::vector<std::string> fields;
    fields.reserve(names.size());
    for (const std::string& name : names) fields.push_back(ResolveFieldName(name));
    out.clear();
    GetDesc(Here, __LINE__)->GetFieldTexts(m_name, fields, out);
}

std::string RdmTable::Aggregate(std::string& out, const std::string& field, int32_t kind) {
    const bool countAll = kind == DbDesc::kAggregateCount && field == "*";
    return GetDesc(Here, __LINE__)->Aggregate(out, m_name, countAll ? field : ResolveFieldName(field), kind);
}
