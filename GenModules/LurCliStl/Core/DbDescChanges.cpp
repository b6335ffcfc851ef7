// DbDesc: record changes, the table keys, client transactions, locks,
// counters, record counts, blobs by id and by field, raw data and the
// server parameters.
#include <cstring>
#include <memory>

#include "ClientBlock.h"
#include "DbDesc.h"
#include "DbDescError.h"
#include "FunctionLoader.h"
#include "LurStrings.h"
#include "RdmFld.h"
#include "ScopedKey.h"

namespace {

constexpr int kNoSuchField = 2003;
constexpr int kNoUniqueKey = 10028;
constexpr int32_t kNotFound = lurdbcli::kNotFound;
constexpr int32_t kLocked = lurdbcli::kLockedOrDuplicate;
constexpr int32_t kTransactionOpen = lurdbcli::kTransactionOpen;
constexpr int32_t kUniqueKeyFirst = 0;  // table option: changes select by the unique key
constexpr int32_t kDeferBlobs = 6;      // table option: field blob changes wait for the record change

constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbDesc"};

StrVector BlobIdArg(int32_t id) { return StrVector("ID: " + lurutils::ToString(id)); }

// ModRec and DelRec: with option 0 the unique key selects the record for
// the call, and the key current before is put back whatever happens.
template <class Send>
bool ChangeSelected(DbDesc& desc, const std::string& table, bool strict, Send send) {
    const lurutils::UpperName upper(table);
    int32_t status = 0;
    if (desc.HasTableOption(upper, kUniqueKeyFirst)) {
        const std::string uniqueKey = desc.GetUniqueKeyName(upper);
        if (uniqueKey.empty()) throw DbDescError(kNoUniqueKey, Here(__LINE__), StrVector(upper));
        ScopedKey key(desc, upper);
        desc.DefineKey(upper, uniqueKey);
        status = send(upper);
        key.Restore();
    } else {
        status = send(upper);
    }
    if (status == kNotFound && !strict) return false;
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(upper));
    return true;
}

}  // namespace

// ---- record changes ---------------------------------------------------------------

void DbDesc::NewRec(const std::string& table) {
    const lurutils::UpperName upper(table);
    const int32_t status = SendRecordChange(0, upper);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(upper));
}

bool DbDesc::ModRec(const std::string& table, bool strict) {
    return ChangeSelected(*this, table, strict,
                          [this](const std::string& upper) { return SendRecordChange(1, upper); });
}

bool DbDesc::DelRec(const std::string& table, bool strict) {
    return ChangeSelected(*this, table, strict,
                          [this](const std::string& upper) { return SendRecordChange(2, upper); });
}

void DbDesc::TruncateFile(const std::string& table) {
    int32_t recType = -1;
    if (!table.empty()) recType = RecTypeOrThrow(lurutils::ToUpper(table), Here, __LINE__);
    const int32_t status = LUR_CLIENT_FUNCTION(TruncateFile, "DbDesc")(m_handle, GetDbNo(), recType);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(table));
}

// ---- keys ---------------------------------------------------------------------------

int32_t DbDesc::GetUniqueKey(int32_t recType) const {
    if (RecordIndex(recType) < 0) return -1;
    return GetStruct().GetUniqueKey(recType);
}

int32_t DbDesc::GetUniqueKeyByName(const std::string& table) const {
    return GetUniqueKey(GetRecType(lurutils::ToUpper(table)));
}

std::string DbDesc::GetUniqueKeyName(const std::string& table) const {
    const int32_t key = GetUniqueKeyByName(table);
    return key == -1 ? std::string() : GetFieldName(key);
}

FieldDesc DbDesc::GetUniqueKeyDesc(const std::string& table) const {
    return GetStruct().GetUniqueKeyDesc(lurutils::ToUpper(table));
}

bool DbDesc::UseUniqueKey(const std::string& table) {
    const std::string name = GetUniqueKeyName(table);
    if (name.empty()) return false;
    DefineKey(table, name);
    return true;
}

bool DbDesc::IsUniqueKey(const std::string& table, const std::string& field) const {
    if (field.empty()) return false;
    const int32_t fieldNo = FieldNoOrThrow(lurutils::ToUpper(table), lurutils::ToUpper(field), Here(__LINE__));
    return GetFieldDesc(fieldNo).keyKind == 'u';
}

bool DbDesc::IsInUniqueKey(const std::string& table, const std::string& field) const {
    const int32_t key = GetUniqueKeyByName(table);
    if (key == -1) return false;
    if (GetFieldDesc(key).type == 'k') {
        std::vector<std::string> components;
        GetKeyComponentNames(key, components);
        for (const std::string& name : components)
            if (name == field) return true;
        return false;
    }
    return GetFieldName(key) == field;
}

bool DbDesc::IsCompoundKey(const std::string& table, const std::string& field) const {
    return IsCompoundKey(FieldNoOrThrow(lurutils::ToUpper(table), lurutils::ToUpper(field), Here(__LINE__)));
}

bool DbDesc::IsCompoundKey(int32_t fieldNo) const { return GetFieldDesc(fieldNo).type == 'k'; }

bool DbDesc::KeyHasField(const std::string& table, const std::string& key, const std::string& field) const {
    return KeyHasField(GetFieldNo(lurutils::ToUpper(table), lurutils::ToUpper(key)), field);
}

bool DbDesc::KeyHasField(int32_t keyNo, const std::string& field) const {
    if (keyNo == -1 || GetFieldDesc(keyNo).type != 'k') return false;
    std::vector<std::string> components;
    GetKeyComponentNames(keyNo, components);
    const std::string upper = lurutils::ToUpper(field);
    for (const std::string& name : components)
        if (name == upper) return true;
    return false;
}

void DbDesc::GetKeyFields(const std::string& table, const std::string& key, std::vector<std::string>& out) const {
    GetStruct().GetKeyFields(lurutils::ToUpper(table), lurutils::ToUpper(key), out);
}

void DbDesc::GetKeyFieldNames(const std::string& table, const std::string& field, std::vector<std::string>& out) const {
    const int32_t fieldNo = FieldNoOrThrow(lurutils::ToUpper(table), lurutils::ToUpper(field), Here(__LINE__));
    if (IsCompoundKey(fieldNo))
        GetKeyComponentNames(fieldNo, out);
    else
        out.push_back(field);
}

std::string DbDesc::FindKeyByFields(const std::string& table, const std::vector<std::string>& names) const {
    return GetStruct().FindKeyByFields(lurutils::ToUpper(table), names);
}

// ---- transactions, counters, counts -------------------------------------------------

bool DbDesc::BeginTrans(const std::string& name, bool strict) {
    const int32_t status = LUR_CLIENT_FUNCTION(BeginTransaction, "DbDesc")(m_handle, name.c_str(), 0, 0);
    if (status == 0) return true;
    if (status == kTransactionOpen && !strict) return false;
    throw DbDescError(status, Here(__LINE__), StrVector(name));
}

void DbDesc::EndTrans(bool commit) {
    const int32_t status = LUR_CLIENT_FUNCTION(EndTransaction, "DbDesc")(m_handle, commit ? 1 : 0);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
}

int32_t DbDesc::GetNextId(const std::string& counter) {
    int32_t value = 0;
    const int32_t status = LUR_CLIENT_FUNCTION(GetNextId, "DbDesc")(m_handle, counter.c_str(), &value);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(counter));
    return value;
}

int32_t DbDesc::GetCount(const std::string& table) {
    const int32_t recType = RecTypeOrThrow(lurutils::ToUpper(table), Here, __LINE__);
    int32_t count = 0;
    const int32_t status = LUR_CLIENT_FUNCTION(GetCount, "DbDesc")(m_handle, GetDbNo(), recType, &count);
    if (status == kNotFound) return 0;
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(table));
    return count;
}

// ---- locks --------------------------------------------------------------------------

bool DbDesc::LockRecord(const std::string& table, int32_t mode, std::string& holder) {
    // Checked like every other table operation: an unknown table would
    // otherwise go to the server as record type -1.
    const int32_t recType = RecTypeOrThrow(lurutils::ToUpper(table), Here, __LINE__);
    const int32_t status = LUR_CLIENT_FUNCTION(LockRecord, "DbDesc")(m_handle, GetDbNo(), recType, mode);
    if (status == 0) return true;
    if (status == kLocked) {
        WhoMadeLock(table, mode, holder);
        return false;
    }
    throw DbDescError(status, Here(__LINE__), StrVector(table));
}

bool DbDesc::UnlockRecord(const std::string& table, int32_t mode) {
    const int32_t recType = RecTypeOrThrow(lurutils::ToUpper(table), Here, __LINE__);
    const int32_t status = LUR_CLIENT_FUNCTION(UnlockRecord, "DbDesc")(m_handle, GetDbNo(), recType, mode);
    if (status == 0) return true;
    if (status == kNotFound) return false;
    throw DbDescError(status, Here(__LINE__), StrVector(table));
}

bool DbDesc::WhoMadeLock(const std::string& table, int32_t mode, std::string& holder) {
    const int32_t recType = RecTypeOrThrow(lurutils::ToUpper(table), Here, __LINE__);
    char text[lurdbcli::kHolderTextSize] = {};
    const int32_t status = LUR_CLIENT_FUNCTION(WhoMadeLock, "DbDesc")(m_handle, GetDbNo(), recType, mode, text);
    if (status == kNotFound) return false;
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(table));
    // The client need not terminate a holder that fills the buffer.
    holder.assign(text, strnlen(text, sizeof text));
    return true;
}

void DbDesc::GetLockList(std::vector<LockEntry>& out) {
    const auto getLocks = RequireFunction(GetFunctionLoader().pfGetLockList, "pfGetLockList", Here(__LINE__));
    LUR_CLIENT_FUNCTION(FreePtr, "DbDesc");
    int32_t length = 0;
    char* raw = nullptr;
    const int32_t status = getLocks(m_handle, &length, &raw);
    const ClientBlock block(raw);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
    const char* entries = ReturnedBytes(block, length > 0, Here(__LINE__), StrVector());
    const size_t count = length > 0 ? static_cast<size_t>(length) / lurdbcli::kLockEntrySize : 0;
    for (size_t i = 0; i < count; ++i) {
        LockEntry entry;
        std::memcpy(entry.data(), entries + i * entry.size(), entry.size());
        out.push_back(entry);
    }
}

// ---- blobs by id ----------------------------------------------------------------------

bool DbDesc::ReadBlob(int32_t id, char*& block, int32_t& length) {
    LurBuf buffer;
    if (!ReadBlobToBuf(id, buffer)) return false;
    auto copy = std::make_unique<char[]>(buffer.GetLength() > 0 ? buffer.GetLength() : 1);
    if (buffer.GetLength() > 0) std::memcpy(copy.get(), buffer.GetData(), buffer.GetLength());
    length = static_cast<int32_t>(buffer.GetLength());
    block = copy.release();
    return true;
}

bool DbDesc::ReadBlobToBuf(int32_t id, LurBuf& out) {
    if (id == -1) return false;
    const auto findBlob = LUR_CLIENT_FUNCTION(FindBlob, "DbDesc");
    LUR_CLIENT_FUNCTION(FreePtr, "DbDesc");
    int32_t length = 0;
    char* raw = nullptr;
    const int32_t status = findBlob(m_handle, id, &length, &raw);
    const ClientBlock block(raw);
    if (status == kNotFound) return false;
    if (status != 0) throw DbDescError(status, Here(__LINE__), BlobIdArg(id));
    const char* bytes = ReturnedBytes(block, length > 0, Here(__LINE__), BlobIdArg(id));
    out.Assign(bytes, length > 0 ? static_cast<uint32_t>(length) : 0);
    return true;
}

bool DbDesc::WriteBlob(int32_t* id, const void* data, int32_t length, bool replace) {
    const auto newBlob = LUR_CLIENT_FUNCTION(NewBlob, "DbDesc");
    int32_t written = -1;
    const int32_t status = newBlob(m_handle, &written, length, static_cast<const char*>(data));
    if (status != 0) throw DbDescError(status, Here(__LINE__), BlobIdArg(*id));
    // The old blob goes only once the new one is stored, so a failed write
    // never loses it; a failed delete takes the new blob back.
    if (replace && *id != -1) {
        int32_t old = *id;
        try {
            DeleteBlob(&old);
        } catch (...) {
            try {
                DeleteBlob(&written);
            } catch (...) {
                // The first failure is the one to report.
            }
            throw;
        }
    }
    *id = written;
    return true;
}

bool DbDesc::WriteBlobFromBuf(int32_t* id, const LurBuf& data, bool replace) {
    return WriteBlob(id, data.GetData(), static_cast<int32_t>(data.GetLength()), replace);
}

bool DbDesc::DeleteBlob(int32_t* id) {
    if (*id == -1) return true;
    const int32_t status = LUR_CLIENT_FUNCTION(DelBlob, "DbDesc")(m_handle, *id);
    if (status == kNotFound) return false;
    if (status != 0) throw DbDescError(status, Here(__LINE__), BlobIdArg(*id));
    *id = -1;
    return true;
}

// ---- blobs by field ---------------------------------------------------------------------

bool DbDesc::ReadBlob(const std::string& table, const std::string& field, char*& block, int32_t& length) {
    return ReadBlob(RdmFld(this, table, field, false).GetLong(), block, length);
}

bool DbDesc::WriteBlob(const std::string& table, const std::string& field, const void* data, int32_t length,
                       bool replace) {
    const std::string upper = lurutils::ToUpper(table);
    if (m_tableStates.Get(upper).options.Contains(kDeferBlobs))
        return RecordBlobChange(upper, field, data, length > 0 ? static_cast<unsigned>(length) : 0,
                                replace ? PendingBlobChange::kReplace : PendingBlobChange::kWrite);
    RdmFld blobField(this, upper, field, false);
    int32_t id = blobField.GetLong();
    WriteBlob(&id, data, length, replace);
    blobField.SetLong(id);
    return true;
}

bool DbDesc::DeleteBlob(const std::string& table, const std::string& field) {
    const std::string upper = lurutils::ToUpper(table);
    if (m_tableStates.Get(upper).options.Contains(kDeferBlobs))
        return RecordBlobChange(upper, field, nullptr, 0, PendingBlobChange::kDelete);
    RdmFld blobField(this, upper, field, false);
    int32_t id = blobField.GetLong();
    const bool deleted = DeleteBlob(&id);
    if (deleted) blobField.SetLong(id);
    return deleted;
}

// ---- raw data and server parameters ----------------------------------------------------

int32_t DbDesc::CheckedDbNo(int32_t dbNo, int32_t mode) const {
    if (dbNo != -1) return dbNo;
    if (mode == 2) throw DbDescError(kNoSuchField, Here(__LINE__), StrVector() << -1);
    return GetDbNo();
}

int32_t DbDesc::FindData(int32_t firstKey, int32_t secondKey, void* destination, int32_t capacity, int32_t mode,
                         int32_t dbNo) {
    const int32_t number = CheckedDbNo(dbNo, mode);
    const auto findData = LUR_CLIENT_FUNCTION(FindData, "DbDesc");
    LUR_CLIENT_FUNCTION(FreePtr, "DbDesc");
    int32_t length = 0;
    char* raw = nullptr;
    const int32_t status = findData(m_handle, &length, &raw, secondKey, firstKey, number, mode);
    const ClientBlock block(raw);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector() << number);
    if (length < 0 || length > capacity)
        throw DbDescError(lurdbcli::kBadArgument, Here(__LINE__), StrVector() << number << length << capacity);
    const char* bytes = ReturnedBytes(block, length > 0, Here(__LINE__), StrVector() << number << length << capacity);
    if (length > 0) std::memcpy(destination, bytes, static_cast<size_t>(length));
    return length;
}

void DbDesc::WriteData(const void* data, int32_t length, int32_t key, int32_t mode, int32_t dbNo) {
    const int32_t number = CheckedDbNo(dbNo, mode);
    const char* bytes = static_cast<const char*>(data);
    const int32_t status = LUR_CLIENT_FUNCTION(WriteData, "DbDesc")(m_handle, length, &bytes, key, number, mode);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector() << number);
}

void DbDesc::GetServerParam(const std::string& name, std::string& value) {
    const auto getParam = LUR_CLIENT_FUNCTION(GetServerParam, "DbDesc");
    LUR_CLIENT_FUNCTION(FreePtr, "DbDesc");
    char* raw = nullptr;
    const int32_t status = getParam(m_handle, name.c_str(), &raw);
    const ClientBlock block(raw);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(name));
    value = ReturnedBytes(block, true, Here(__LINE__), StrVector(name));
}

void DbDesc::SetServerParam(const std::string& name, const std::string& value) {
    const int32_t status = LUR_CLIENT_FUNCTION(SetServerParam, "DbDesc")(m_handle, name.c_str(), value.c_str());
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(name));
}
