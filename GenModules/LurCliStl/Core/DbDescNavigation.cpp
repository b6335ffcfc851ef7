// DbDesc: moves on the server along a table's current key, the current key
// itself, and finds of single records by the key value in the record buffer.
// Every result also becomes the table's main list, so that the list
// operations see what was read.
#include "ClientBlock.h"
#include "DbDesc.h"
#include "DbDescError.h"
#include "FunctionLoader.h"
#include "LurStrings.h"

namespace {

constexpr int kBadMoveCode = 2005;
constexpr int kNoSuchField = 2003;
constexpr int kNotAKey = 2009;
constexpr int kNotFound = lurdbcli::kNotFound;
constexpr int32_t kClearOnFailedFind = 5;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbDesc"};

}  // namespace

bool DbDesc::Move(int32_t code, const std::string& table) {
    return MoveImpl(code, RecTypeOrThrow(table, Here, __LINE__), table);
}

bool DbDesc::Move(int32_t code, const std::string& table, int32_t recType) {
    return MoveImpl(code, KeptRecTypeOrThrow(recType, table, Here, __LINE__), table);
}

bool DbDesc::MoveImpl(int32_t code, int32_t recType, const std::string& table) {
    const int32_t index = recType - kRecTypeBase;
    SelectMainList(index);
    if (code < kMoveFirst || code > kMoveReread) throw DbDescError(kBadMoveCode, Here(__LINE__), StrVector(table));

    const int32_t size = GetStruct().GetRecordSizeOf(recType);
    char* raw = nullptr;
    int32_t status = 0;
    LUR_CLIENT_FUNCTION(FreePtr, "DbDesc");  // before the block exists, so none is lost
    switch (code) {
        case kMoveFirst:
            status = LUR_CLIENT_FUNCTION(FirstRec, "DbDesc")(m_handle, GetDbNo(), recType, size, &raw);
            break;
        case kMovePrev:
            status = LUR_CLIENT_FUNCTION(PrevRec, "DbDesc")(m_handle, GetDbNo(), recType, size, &raw);
            break;
        case kMoveNext:
            status = LUR_CLIENT_FUNCTION(NextRec, "DbDesc")(m_handle, GetDbNo(), recType, size, &raw);
            break;
        case kMoveLast:
            status = LUR_CLIENT_FUNCTION(LastRec, "DbDesc")(m_handle, GetDbNo(), recType, size, &raw);
            break;
        case kMoveReread:
            status = LUR_CLIENT_FUNCTION(ReadCurrentRec, "DbDesc")(m_handle, GetDbNo(), recType, size, &raw);
            break;
        default: throw DbDescError(kBadMoveCode, Here(__LINE__), StrVector(table));
    }
    const ClientBlock block(raw);

    if (status == kNotFound) {
        // Nothing first or last means an empty table; a failed step keeps
        // the record where it was.
        if (code == kMoveFirst || code == kMoveLast) {
            ClearRecord(table);
            ClearListAt(index);
        }
        return false;
    }
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(table));

    TakeRecordAt(index, ReturnedBytes(block, true, Here, __LINE__, table), size);
    return true;
}

bool DbDesc::MoveByKey(int32_t code, const std::string& key, const std::string& table) {
    DefineKey(table, key);
    return Move(code, table);
}

void DbDesc::DefineKey(const std::string& table, const std::string& key) {
    const int32_t recType = RecTypeOrThrow(table, Here, __LINE__);
    int32_t fieldNo = -1;
    if (!key.empty()) {
        fieldNo = GetStruct().GetFieldNoIn(recType, key);
        if (fieldNo < 0) throw DbDescError(kNoSuchField, Here(__LINE__), StrVector(table) << key);
        if (GetFieldDesc(fieldNo).keyKind == 'n') throw DbDescError(kNotAKey, Here(__LINE__), StrVector(table) << key);
    }
    const int32_t status = LUR_CLIENT_FUNCTION(DefineKey, "DbDesc")(m_handle, GetDbNo(), recType, fieldNo);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(table + "." + key));
    StateOf(table).currentKey = fieldNo;
}

std::string DbDesc::GetCurrentKey(const std::string& table) const {
    const std::string upper = lurutils::ToUpper(table);
    const auto state = m_tableStates.find(upper);
    if (state == m_tableStates.end()) throw DbDescError(2002, Here(__LINE__), StrVector(upper));
    return state->second.currentKey == -1 ? std::string() : GetFieldName(state->second.currentKey);
}

bool DbDesc::ReadCurrentRec(const std::string& table, bool strict) {
    const int32_t recType = RecTypeOrThrow(table, Here, __LINE__);
    char* raw = nullptr;
    LUR_CLIENT_FUNCTION(FreePtr, "DbDesc");
    const int32_t status =
        LUR_CLIENT_FUNCTION(ReadCurrentRec, "DbDesc")(m_handle, GetDbNo(), recType, GetRecordSize(table), &raw);
    const ClientBlock block(raw);
    if (status == kNotFound && !strict) return false;
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(table));
    SetRecord(ReturnedBytes(block, true, Here, __LINE__, table), table);
    return true;
}

// ---- finds ----------------------------------------------------------------------

bool DbDesc::FindRecImpl(int32_t recType, const std::string& table, bool replace, FindDirection direction) {
    const int32_t index = recType - kRecTypeBase;

    // The copy carries the key value; the client writes the found record into it.
    std::vector<char>& record = m_exchange;
    record = RecordBufferAt(index);
    const auto size = static_cast<int32_t>(record.size());
    int32_t status = 0;
    switch (direction) {
        case FindDirection::kEqual:
            status = LUR_CLIENT_FUNCTION(FindRec, "DbDesc")(m_handle, GetDbNo(), recType, size, record.data());
            break;
        case FindDirection::kNext:
            status = LUR_CLIENT_FUNCTION(FindRecNext, "DbDesc")(m_handle, GetDbNo(), recType, size, record.data());
            break;
        case FindDirection::kPrev:
            status = LUR_CLIENT_FUNCTION(FindRecPrev, "DbDesc")(m_handle, GetDbNo(), recType, size, record.data());
            break;
    }
    SelectMainList(index);

    if (status != 0) {
        if (replace && StateOf(table).options.Contains(kClearOnFailedFind)) ClearRecord(table);
        ClearListAt(index);
        if (status == kNotFound) return false;
        throw DbDescError(status, Here(__LINE__), StrVector(lurutils::ToUpper(table)));
    }
    if (replace) {
        TakeRecordAt(index, record.data(), size);
    } else {
        AddToListAt(index, record.data(), size);
    }
    return true;
}

bool DbDesc::FindRec(const std::string& table) {
    return FindRecImpl(RecTypeOrThrow(table, Here, __LINE__), table, true, FindDirection::kEqual);
}
bool DbDesc::FindRec(const std::string& table, int32_t recType) {
    return FindRecImpl(KeptRecTypeOrThrow(recType, table, Here, __LINE__), table, true, FindDirection::kEqual);
}
bool DbDesc::FindRecNext(const std::string& table) {
    return FindRecImpl(RecTypeOrThrow(table, Here, __LINE__), table, true, FindDirection::kNext);
}
bool DbDesc::FindRecPrev(const std::string& table) {
    return FindRecImpl(RecTypeOrThrow(table, Here, __LINE__), table, true, FindDirection::kPrev);
}
bool DbDesc::FindRecAdd(const std::string& table) {
    return FindRecImpl(RecTypeOrThrow(table, Here, __LINE__), table, false, FindDirection::kEqual);
}
bool DbDesc::FindRecNextAdd(const std::string& table) {
    return FindRecImpl(RecTypeOrThrow(table, Here, __LINE__), table, false, FindDirection::kNext);
}
bool DbDesc::FindRecPrevAdd(const std::string& table) {
    return FindRecImpl(RecTypeOrThrow(table, Here, __LINE__), table, false, FindDirection::kPrev);
}

bool DbDesc::FindRecByKey(const std::string& table, const std::string& key) {
    DefineKey(table, key);
    return FindRec(table);
}

bool DbDesc::FindRecNextByKey(const std::string& table, const std::string& key) {
    DefineKey(table, key);
    return FindRecNext(table);
}

bool DbDesc::FindRecPrevByKey(const std::string& table, const std::string& key) {
    DefineKey(table, key);
    return FindRecPrev(table);
}

bool DbDesc::FindRecByKeyAdd(const std::string& table, const std::string& key) {
    DefineKey(table, key);
    return FindRecAdd(table);
}

bool DbDesc::FindRecNextByKeyAdd(const std::string& table, const std::string& key) {
    DefineKey(table, key);
    return FindRecNextAdd(table);
}

bool DbDesc::FindRecPrevByKeyAdd(const std::string& table, const std::string& key) {
    DefineKey(table, key);
    return FindRecPrevAdd(table);
}
