// DbDesc: the list primitives, moving through a list, and the list searches
// on the server. Every one works on the table's selected list (the private
// list while the table is selected for it, else the main list); a server
// search always stores its result in the main list.
#include <algorithm>
#include <cstring>
#include <limits>

#include "ClientBlock.h"
#include "DbDesc.h"
#include "DbDescError.h"
#include "FunctionLoader.h"
#include "LurStrings.h"
#include "RdmFld.h"

namespace {

constexpr int kTableNotFound = 2002;
constexpr int kBadMoveCode = 2005;
constexpr int kTooFewBounds = 2039;
constexpr int kNotFound = lurdbcli::kNotFound;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbDesc"};

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
    DropSortField(index);
}

void DbDesc::ForgetSortField(int32_t index) {
    const auto state = m_tableStates.find(GetTableName(index + kRecTypeBase));
    if (state != m_tableStates.end()) SetSortField(state->second, std::string());
}

void DbDesc::TakeRecordAt(int32_t index, const char* record, int32_t size) {
    RecordList& list = m_lists[static_cast<size_t>(index)];
    list.data.Assign(record, WholeRecordBytes(size, list.recordSize));
    list.position = 0;
    DropSortField(index);
    // The buffer takes the record, and zeros past it when it is the longer.
    std::vector<char>& buffer = RecordBufferAt(index);
    const size_t taken = list.data.empty() ? 0 : std::min(buffer.size(), static_cast<size_t>(list.recordSize));
    if (taken > 0) std::memcpy(buffer.data(), list.RecordAt(0), taken);
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(taken), buffer.end(), '\0');
}

void DbDesc::SetListAt(int32_t index, const void* block, int32_t byteLength) {
    ClearListAt(index);
    RecordList& list = GetListAt(index);
    const size_t bytes = WholeRecordBytes(byteLength, list.recordSize);
    if (bytes > 0) list.data.Assign(static_cast<const char*>(block), bytes);
    list.position = 0;
}

void DbDesc::SetListAt(int32_t index, ClientBlock block, int32_t byteLength) {
    ClearListAt(index);
    RecordList& list = GetListAt(index);
    list.data.Adopt(std::move(block), WholeRecordBytes(byteLength, list.recordSize));
    list.position = 0;
}

void DbDesc::AddToListAt(int32_t index, const void* block, int32_t byteLength) {
    RecordList& list = GetListAt(index);
    const size_t bytes = WholeRecordBytes(byteLength, list.recordSize);
    list.data.Append(static_cast<const char*>(block), bytes);
}

void DbDesc::SetList(const std::string& table, const void* block, int32_t byteLength) {
    SetListAt(RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase, block, byteLength);
}

void DbDesc::AddToList(const std::string& table, const void* block, int32_t byteLength) {
    AddToListAt(RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase, block, byteLength);
}

bool DbDesc::ClearList(const std::string& table) {
    const int32_t index = RecordIndex(GetRecType(table));
    if (index < 0) return false;
    ClearListAt(index);
    return true;
}

int32_t DbDesc::GetListPos(const std::string& table) const {
    return GetListAt(RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase).position;
}

int32_t DbDesc::GetListCount(const std::string& table) const {
    return GetListAt(RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase).Count();
}

bool DbDesc::RemoveFromList(const std::string& table, int32_t index) {
    if (index < 0) return false;
    const int32_t listIndex = RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase;
    RecordList& list = GetListAt(listIndex);
    if (index >= list.Count()) return false;

    const auto size = static_cast<size_t>(list.recordSize);
    list.data.Erase(static_cast<size_t>(index) * size, size);
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

// ---- moving through the list ------------------------------------------------------

bool DbDesc::ListMove(int32_t code, const std::string& table) {
    return ListMoveAt(code, RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase, table);
}

bool DbDesc::ListMoveAt(int32_t code, int32_t index, const std::string& table) {
    std::vector<char>& buffer = RecordBufferAt(index);
    std::fill(buffer.begin(), buffer.end(), '\0');
    RecordList& list = GetListAt(index);
    const int32_t count = list.Count();
    if (count == 0) return false;

    int32_t position = list.position;
    switch (code) {
        case kMoveFirst: position = 0; break;
        case kMovePrev:
            if (position < 1) return false;
            --position;
            break;
        case kMoveNext:
            // From no current record (-1) this is the first record.
            if (position >= count - 1) return false;
            ++position;
            break;
        case kMoveLast: position = count - 1; break;
        case kMoveReset: list.position = -1; return true;
        default: throw DbDescError(kBadMoveCode, Here(__LINE__), StrVector(table));
    }
    if (position < 0 || position >= count) return false;
    list.position = position;
    std::memcpy(buffer.data(), list.RecordAt(position), std::min(buffer.size(), static_cast<size_t>(list.recordSize)));
    return true;
}

bool DbDesc::ListNext(const std::string& table) {
    const int32_t index = RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase;
    std::vector<char>& buffer = RecordBufferAt(index);
    std::fill(buffer.begin(), buffer.end(), '\0');
    RecordList& list = GetListAt(index);
    // Past the end the position keeps rising with every call (callers read
    // it as "walked off the list"), short of overflowing.
    if (list.position < std::numeric_limits<int32_t>::max()) ++list.position;
    if (list.position < 0 || list.position >= list.Count()) return false;
    std::memcpy(buffer.data(), list.RecordAt(list.position),
                std::min(buffer.size(), static_cast<size_t>(list.recordSize)));
    return true;
}

bool DbDesc::SetListPos(const std::string& table, int32_t position) {
    if (position < -1) return false;
    const int32_t index = RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase;
    RecordList& list = GetListAt(index);
    if (position >= list.Count()) return false;
    list.position = position;
    std::vector<char>& buffer = RecordBufferAt(index);
    if (position == -1)
        std::fill(buffer.begin(), buffer.end(), '\0');
    else
        std::memcpy(buffer.data(), list.RecordAt(position),
                    std::min(buffer.size(), static_cast<size_t>(list.recordSize)));
    return true;
}

bool DbDesc::SetListPos(int32_t position, const std::string& table) { return SetListPos(table, position); }

bool DbDesc::IsListEmpty(const std::string& table) const { return GetListCount(table) == 0; }

// ---- list searches on the server ---------------------------------------------------

bool DbDesc::CheckListSearch(int32_t status, int32_t index, const std::string& table, const std::string& field,
                             bool replace) {
    if (status == kNotFound) {
        if (replace) {
            ClearListAt(index);
            ClearRecord(table);
        }
        return false;
    }
    if (status != 0) {
        ClearListAt(index);
        ClearRecord(table);
        throw DbDescError(status, Here(__LINE__), StrVector(table) << field);
    }
    // The searches that did not test FreePtr before their call (greater,
    // less, not equal) raise its absence here.
    LUR_CLIENT_FUNCTION(FreePtr, "DbDesc");
    return true;
}

bool DbDesc::TakeListResult(int32_t index, const std::string& table, const char* block, int32_t length,
                            int32_t moveCode, bool replace) {
    if (replace) {
        SetListAt(index, block, length);
        ListMove(moveCode, table);
    } else {
        AddToListAt(index, block, length);
    }
    return true;
}

bool DbDesc::TakeListResult(int32_t index, const std::string& table, ClientBlock block, int32_t length,
                            int32_t moveCode, bool replace) {
    if (!replace) return TakeListResult(index, table, block.get(), length, moveCode, false);
    SetListAt(index, std::move(block), length);
    ListMove(moveCode, table);
    return true;
}

bool DbDesc::FindListImpl(const std::string& table, const std::string& field, int32_t moveCode, bool replace,
                          ListSearch search) {
    FunctionLoader& functions = GetFunctionLoader();
    // The functions a family needs are tested before anything else.
    switch (search) {
        case ListSearch::kEqual:
            LUR_CLIENT_FUNCTION(FindList, "DbDesc");
            LUR_CLIENT_FUNCTION(FreePtr, "DbDesc");
            LUR_CLIENT_FUNCTION(GetAllRec, "DbDesc");
            break;
        case ListSearch::kOr:
            LUR_CLIENT_FUNCTION(FindListOr, "DbDesc");
            LUR_CLIENT_FUNCTION(FreePtr, "DbDesc");
            LUR_CLIENT_FUNCTION(GetAllRec, "DbDesc");
            break;
        case ListSearch::kBetween:
            LUR_CLIENT_FUNCTION(FindBetween, "DbDesc");
            LUR_CLIENT_FUNCTION(FreePtr, "DbDesc");
            break;
        case ListSearch::kGreater:
        case ListSearch::kLess: break;
    }

    const int32_t recType = RecTypeOrThrow(table, Here, __LINE__);
    const int32_t index = recType - kRecTypeBase;
    const bool allRecords = field.empty() && (search == ListSearch::kEqual || search == ListSearch::kOr);
    const int32_t fieldNo = allRecords ? -1 : FieldNoOrThrow(table, field, Here(__LINE__));
    const int32_t dbNo = GetDbNo();
    RecordList& selected = GetListAt(index);
    const int32_t recordSize = selected.recordSize;

    char* raw = nullptr;
    int32_t length = recordSize;
    int32_t status = 0;
    if (allRecords) {
        status = functions.pfGetAllRec(m_handle, dbNo, recType, &length, &raw);
    } else if (search == ListSearch::kEqual) {
        std::vector<char> key;
        CopyRecord(key, table);
        status = functions.pfFindList(m_handle, &length, key.data(), &raw, dbNo, recType, fieldNo);
    } else if (search == ListSearch::kOr) {
        const char* keys = selected.data.empty() ? nullptr : selected.data.data();
        length = selected.ByteLength();
        status = functions.pfFindListOr(m_handle, &length, &keys, &raw, dbNo, recType, fieldNo);
    } else if (search == ListSearch::kBetween) {
        if (selected.Count() < 2) throw DbDescError(kTooFewBounds, Here(__LINE__), StrVector(table) << field);
        status = functions.pfFindBetween(m_handle, dbNo, recType, selected.RecordAt(0), selected.RecordAt(1), &raw,
                                         fieldNo, &length);
    } else {
        // The key is read before the selected list is emptied: the buffer
        // is not the list, so the order does not matter for the value.
        std::vector<char> key;
        CopyRecord(key, table);
        ClearListAt(index);
        if (search == ListSearch::kGreater)
            status =
                LUR_CLIENT_FUNCTION(FindGreater, "DbDesc")(m_handle, &length, key.data(), &raw, dbNo, recType, fieldNo);
        else
            status =
                LUR_CLIENT_FUNCTION(FindLess, "DbDesc")(m_handle, &length, key.data(), &raw, dbNo, recType, fieldNo);
    }
    SelectList(recType, false);
    ClientBlock block(raw);
    if (!CheckListSearch(status, index, table, field, replace)) return false;
    ReturnedBytes(block, length > 0, Here(__LINE__), StrVector(table) << field);
    return TakeListResult(index, table, std::move(block), length, moveCode, replace);
}

bool DbDesc::FindNotEqualImpl(const std::string& table, const std::string& field, int32_t moveCode, bool replace) {
    // The bound field reads the comparison value before anything changes
    // the buffer; an unknown table or field raises 2003 from it.
    RdmFld bound(this, table, field, false);
    const std::string value = bound.GetString();

    const int32_t recType = RecTypeOrThrow(table, Here, __LINE__);
    const int32_t index = recType - kRecTypeBase;
    const int32_t recordSize = GetListAt(index).recordSize;
    char* raw = nullptr;
    int32_t length = recordSize;
    const int32_t status = LUR_CLIENT_FUNCTION(GetAllRec, "DbDesc")(m_handle, GetDbNo(), recType, &length, &raw);
    SelectList(recType, false);
    const ClientBlock block(raw);
    if (!CheckListSearch(status, index, table, field, replace)) return false;
    const char* records = ReturnedBytes(block, length > 0, Here(__LINE__), StrVector(table) << field);

    std::vector<char> kept;
    const int32_t count = recordSize > 0 ? length / recordSize : 0;
    for (int32_t i = 0; i < count; ++i) {
        const char* record = records + static_cast<size_t>(i) * recordSize;
        SetRecord(record, table);
        if (bound != value) kept.insert(kept.end(), record, record + recordSize);
    }
    // Nothing differs: an empty result, with no current record in the list
    // (the replace form ends as its move on an empty list would: buffer cleared).
    if (kept.empty()) {
        if (replace) {
            ClearListAt(index);
            ClearRecord(table);
        }
        return false;
    }
    return TakeListResult(index, table, kept.data(), static_cast<int32_t>(kept.size()), moveCode, replace);
}

bool DbDesc::FindList(const std::string& table, const std::string& field, int32_t moveCode) {
    return FindListImpl(table, field, moveCode, true, ListSearch::kEqual);
}
bool DbDesc::FindListAdd(const std::string& table, const std::string& field) {
    return FindListImpl(table, field, kMoveReset, false, ListSearch::kEqual);
}
bool DbDesc::FindListOr(const std::string& table, const std::string& field, int32_t moveCode) {
    return FindListImpl(table, field, moveCode, true, ListSearch::kOr);
}
bool DbDesc::FindListOrAdd(const std::string& table, const std::string& field) {
    return FindListImpl(table, field, kMoveReset, false, ListSearch::kOr);
}
bool DbDesc::FindGreater(const std::string& table, const std::string& field, int32_t moveCode) {
    return FindListImpl(table, field, moveCode, true, ListSearch::kGreater);
}
bool DbDesc::FindGreaterAdd(const std::string& table, const std::string& field) {
    return FindListImpl(table, field, kMoveReset, false, ListSearch::kGreater);
}
bool DbDesc::FindLess(const std::string& table, const std::string& field, int32_t moveCode) {
    return FindListImpl(table, field, moveCode, true, ListSearch::kLess);
}
bool DbDesc::FindLessAdd(const std::string& table, const std::string& field) {
    return FindListImpl(table, field, kMoveReset, false, ListSearch::kLess);
}
bool DbDesc::FindNotEqual(const std::string& table, const std::string& field, int32_t moveCode) {
    return FindNotEqualImpl(table, field, moveCode, true);
}
bool DbDesc::FindNotEqualAdd(const std::string& table, const std::string& field) {
    return FindNotEqualImpl(table, field, kMoveReset, false);
}
bool DbDesc::FindBetween(const std::string& table, const std::string& field, int32_t moveCode) {
    return FindListImpl(table, field, moveCode, true, ListSearch::kBetween);
}
bool DbDesc::FindBetweenAdd(const std::string& table, const std::string& field) {
    return FindListImpl(table, field, kMoveReset, false, ListSearch::kBetween);
}
