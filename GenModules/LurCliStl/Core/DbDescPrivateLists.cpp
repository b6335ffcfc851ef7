// DbDesc: selection of a table's private list, building lists by hand from
// the record buffer or from values given as text, and the small lookups
// that report at their caller's location.
#include <cstring>

#include "DbDesc.h"
#include "DbDescError.h"
#include "FunctionLoader.h"

namespace {

constexpr int kNotFound = 10002;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbDesc"};

}  // namespace

// ---- selection ------------------------------------------------------------------

bool DbDesc::SelectList(int32_t recType, bool usePrivate) {
    const int32_t index = RecordIndex(recType);
    if (index < 0) return false;
    if (usePrivate)
        m_recTypeSet.Add(index);
    else
        SelectMainList(index);
    return true;
}

bool DbDesc::UsesPrivateList(int32_t index) const { return m_recTypeSet.Contains(index); }

void DbDesc::BeginPrivateList(const std::string& table) {
    const int32_t recType = RecTypeOrThrow(table, Here, __LINE__);
    SelectList(recType, true);
    ClearListAt(recType - kRecTypeBase);
}

void DbDesc::SetPrivateList(const std::string& table, bool usePrivate) {
    SelectList(RecTypeOrThrow(table, Here, __LINE__), usePrivate);
}

// ---- building ---------------------------------------------------------------------

void DbDesc::AddCurrentToList(const std::string& table) {
    const int32_t index = RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase;
    // The buffer is copied first: the list may grow while it is read.
    const std::vector<char> record = RecordBufferAt(index);
    AddToListAt(index, record.data(), static_cast<int32_t>(record.size()));
}

bool DbDesc::AddToListWithValue(const std::string& table, const std::string& field,
                                const std::vector<std::string>& values) {
    const int32_t offset = FieldOffset(table, field);
    const int32_t size = GetRecordSize(table);
    const int32_t fieldNo = FieldNoOrThrow(table, field, Here(__LINE__));
    if (values.empty() || size <= 0) return false;

    std::vector<char> block(values.size() * static_cast<size_t>(size), '\0');
    for (size_t i = 0; i < values.size(); ++i)
        TextToValue(block.data() + i * static_cast<size_t>(size) + offset, values[i], fieldNo);
    AddToList(table, block.data(), static_cast<int32_t>(block.size()));
    return true;
}

bool DbDesc::AddToListWithValues(const std::string& table,
                                 const std::map<std::string, std::vector<std::string>>& columns) {
    const int32_t size = GetRecordSize(table);
    if (columns.empty()) return false;
    for (const auto& [field, values] : columns) FieldNoOrThrow(table, field, Here(__LINE__));

    // The first column in name order decides how many records are made;
    // longer columns are cut, shorter ones leave their field zero.
    const size_t count = columns.begin()->second.size();
    if (count == 0 || size <= 0) return false;

    std::vector<char> block(count * static_cast<size_t>(size), '\0');
    for (const auto& [field, values] : columns) {
        const int32_t offset = FieldOffset(table, field);
        const int32_t fieldNo = GetFieldNo(table, field);
        for (size_t i = 0; i < count && i < values.size(); ++i)
            TextToValue(block.data() + i * static_cast<size_t>(size) + offset, values[i], fieldNo);
    }
    AddToList(table, block.data(), static_cast<int32_t>(block.size()));
    return true;
}

bool DbDesc::UpdateListEntry(const std::string& table, bool strict) {
    const int32_t index = RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase;
    RecordList& list = GetListAt(index);
    if (list.position >= 0 && list.position < list.Count()) {
        std::memcpy(list.RecordAt(list.position), RecordBufferAt(index).data(), static_cast<size_t>(list.recordSize));
        return true;
    }
    if (strict) throw DbDescError(kNotFound, Here(__LINE__), StrVector(table));
    return false;
}

bool DbDesc::RemoveCurrentFromList(const std::string& table) { return RemoveFromList(table, GetListPos(table)); }

bool DbDesc::HasFindListOr() { return GetFunctionLoader().pfFindListOr != nullptr; }

// ---- lookups at the caller's location ---------------------------------------------------

int32_t DbDesc::RecTypeOrThrow(const std::string& table, ThrowSource source, int line) const {
    const int32_t recType = GetRecType(table);
    // A structure reloaded through another copy may have tables this
    // object has no buffers for yet.
    if (RecordIndex(recType) < 0) throw DbDescError(2002, source(line), StrVector(table));
    return recType;
}

int32_t DbDesc::FieldNoOrThrow(const std::string& table, const std::string& field, const ErrorLocation& where) const {
    return GetStruct().GetFieldNoOrThrow(table, field, where);
}

int32_t DbDesc::FieldOffset(const std::string& table, const std::string& field) const {
    const auto [recType, fieldNo] = GetStruct().GetFieldAddress(table, field, Here(__LINE__));
    return GetFieldDesc(fieldNo).position - GetRecDesc(recType).dataOffset;
}
