// DbDesc: the list primitives. Every one works on the table's selected list
// (the private list while the table is selected for it, else the main list).
#include <cstring>

#include "DbDesc.h"
#include "DbDescError.h"
#include "LurStrings.h"

namespace {

constexpr int kTableNotFound = 2002;

ErrorLocation Here(int line) { return lurclistl::ThrowSite("DbDesc", line); }

// The whole records of a block; a trailing partial record is not taken.
size_t WholeRecordBytes(int32_t byteLength, int32_t recordSize) {
    if (byteLength <= 0 || recordSize <= 0) return 0;
    return static_cast<size_t>(byteLength - byteLength % recordSize);
}

}  // namespace

RecordList& DbDesc::GetListAt(int32_t index) {
    return const_cast<RecordList&>(static_cast<const DbDesc&>(*this).GetListAt(index));
}

const RecordList& DbDesc::GetListAt(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_lists.size())
        throw DbDescError(kTableNotFound, Here(__LINE__),
                          StrVector(std::string(GetDbName()) + " offset: " + std::to_string(index)));
    const auto i = static_cast<size_t>(index);
    return UsesPrivateList(index) ? m_privateLists[i] : m_lists[i];
}

void DbDesc::ClearListAt(int32_t index) {
    GetListAt(index).Clear();
    // An emptied list has no sort order any more.
    const auto state = m_tableStates.find(GetTableName(index + kRecTypeBase));
    if (state != m_tableStates.end()) state->second.sortField.clear();
}

void DbDesc::SetListAt(int32_t index, const void* block, int32_t byteLength) {
    ClearListAt(index);
    RecordList& list = GetListAt(index);
    const size_t bytes = WholeRecordBytes(byteLength, list.recordSize);
    if (bytes > 0) list.data.assign(static_cast<const char*>(block), static_cast<const char*>(block) + bytes);
    list.position = 0;
}

void DbDesc::AddToListAt(int32_t index, const void* block, int32_t byteLength) {
    RecordList& list = GetListAt(index);
    const size_t bytes = WholeRecordBytes(byteLength, list.recordSize);
    if (bytes > 0)
        list.data.insert(list.data.end(), static_cast<const char*>(block), static_cast<const char*>(block) + bytes);
}

void DbDesc::SetList(const std::string& table, const void* block, int32_t byteLength) {
    SetListAt(RecTypeOrThrow(table, Here(__LINE__)) - kRecTypeBase, block, byteLength);
}

void DbDesc::AddToList(const std::string& table, const void* block, int32_t byteLength) {
    AddToListAt(RecTypeOrThrow(table, Here(__LINE__)) - kRecTypeBase, block, byteLength);
}

bool DbDesc::ClearList(const std::string& table) {
    const int32_t index = RecordIndex(GetRecType(table));
    if (index < 0) return false;
    ClearListAt(index);
    return true;
}

int32_t DbDesc::GetListPos(const std::string& table) const {
    return GetListAt(RecTypeOrThrow(table, Here(__LINE__)) - kRecTypeBase).position;
}

int32_t DbDesc::GetListCount(const std::string& table) const {
    return GetListAt(RecTypeOrThrow(table, Here(__LINE__)) - kRecTypeBase).Count();
}

bool DbDesc::RemoveFromList(const std::string& table, int32_t index) {
    if (index < 0) return false;
    const int32_t listIndex = RecTypeOrThrow(table, Here(__LINE__)) - kRecTypeBase;
    RecordList& list = GetListAt(listIndex);
    if (index >= list.Count()) return false;

    const auto size = static_cast<size_t>(list.recordSize);
    const auto at = list.data.begin() + static_cast<std::ptrdiff_t>(index * size);
    list.data.erase(at, at + static_cast<std::ptrdiff_t>(size));
    const int32_t left = list.Count();

    // The record buffer follows the current record where it moved.
    std::vector<char>& buffer = RecordBufferAt(listIndex);
    if (left == 0)
        std::fill(buffer.begin(), buffer.end(), '\0');
    else if (list.position == left)
        std::memcpy(buffer.data(), list.RecordAt(left - 1), size);
    else if (list.position == index)
        std::memcpy(buffer.data(), list.RecordAt(index), size);

    // A position one past the new last record stays there: no position.
    if (list.position > left)
        list.position = left;
    else if (list.position < left && list.position > index)
        --list.position;
    return true;
}
