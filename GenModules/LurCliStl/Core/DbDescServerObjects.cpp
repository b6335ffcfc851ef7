// DbDesc: the objects the server keeps for a client (bookmarks, cursors,
// blob streams), the pending blob changes of tables with option 6, and how
// those changes travel with a record change.
#include <cstring>
#include <new>

#include "ClientBlock.h"
#include "DbDesc.h"
#include "DbDescError.h"
#include "FunctionLoader.h"
#include "LurStrings.h"
#include "RdmFld.h"

namespace {

constexpr int kNoSuchTable = 2002;
constexpr int32_t kNotFound = lurdbcli::kNotFound;
constexpr int32_t kEndOfStream = lurdbcli::kEndOfStream;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbDesc"};

StrVector StreamArg(int32_t stream) { return StrVector(lurutils::ToString(stream)); }

}  // namespace

// ---- bookmarks and cursors ----------------------------------------------------------

int32_t DbDesc::BookmarkCreate(int32_t& bookmark, const std::string& table) {
    bookmark = -1;
    const int32_t recType = GetRecType(table);
    if (recType == -1) throw DbDescError(kNoSuchTable, Here(__LINE__), StrVector(table));
    return LUR_CLIENT_FUNCTION(BookmarkCreate, "DbDesc")(m_handle, GetDbNo(), recType, &bookmark);
}

int32_t DbDesc::BookmarkDrop(int32_t bookmark) {
    return LUR_CLIENT_FUNCTION(BookmarkDrop, "DbDesc")(m_handle, bookmark);
}

int32_t DbDesc::BookmarkOperation(int32_t bookmark, int32_t operation) {
    return LUR_CLIENT_FUNCTION(BookmarkOperation, "DbDesc")(m_handle, bookmark, operation);
}

int32_t DbDesc::CursorCreate(int32_t& cursor, const std::string& table, const std::string& keyField) {
    cursor = -1;
    const int32_t recType = GetRecType(table);
    if (recType == -1) throw DbDescError(kNoSuchTable, Here(__LINE__), StrVector(table));
    const int32_t fieldNo = keyField.empty() ? -1 : FieldNoOrThrow(table, keyField, Here(__LINE__));
    return LUR_CLIENT_FUNCTION(CursorCreate, "DbDesc")(m_handle, GetDbNo(), recType, fieldNo, &cursor);
}

int32_t DbDesc::CursorDrop(int32_t cursor) { return LUR_CLIENT_FUNCTION(CursorDrop, "DbDesc")(m_handle, cursor); }

bool DbDesc::CursorOperation(int32_t cursor, const std::string& table, int32_t move) {
    const int32_t index = RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase;
    std::vector<char> record;
    CopyRecord(record, table);
    const int32_t status = LUR_CLIENT_FUNCTION(CursorOperation, "DbDesc")(
        m_handle, cursor, move, static_cast<int32_t>(record.size()), record.data());
    if (status == 0) {
        // Unlike a server move, only the list takes the record: the record buffer keeps what the caller
        // had there. A list move to the first record brings it into the buffer.
        SetList(table, record.data(), static_cast<int32_t>(record.size()));
        return true;
    }
    if (status == kNotFound) {
        if (move == kMoveFirst || move == kMoveLast) {
            ClearRecord(table);
            ClearListAt(index);
        }
        return false;
    }
    throw DbDescError(status, Here(__LINE__), StrVector(table));
}

// ---- blob streams -------------------------------------------------------------------

int32_t DbDesc::CreateBlobStream(int32_t stream, int32_t value) {
    const int32_t status = LUR_CLIENT_FUNCTION(CreateBlobStream, "DbDesc")(m_handle, stream, value);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StreamArg(stream));
    return 0;
}

int32_t DbDesc::WriteBlobStream(int32_t stream, int32_t first, int32_t second) {
    const int32_t status = LUR_CLIENT_FUNCTION(WriteBlobStream, "DbDesc")(m_handle, stream, first, second);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StreamArg(stream));
    return 0;
}

bool DbDesc::ReadBlobStream(int32_t stream, int32_t& length, void*& block) {
    const auto readStream = LUR_CLIENT_FUNCTION(ReadBlobStream, "DbDesc");
    LUR_CLIENT_FUNCTION(FreePtr, "DbDesc");
    int32_t read = 0;
    char* raw = nullptr;
    const int32_t status = readStream(m_handle, stream, &read, &raw);
    const ClientBlock clientBlock(raw);
    if (status == kEndOfStream) return false;
    if (status != 0) throw DbDescError(status, Here(__LINE__), StreamArg(stream));
    const char* bytes = ReturnedBytes(clientBlock, read > 0, Here(__LINE__), StreamArg(stream));
    const size_t size = read > 0 ? static_cast<size_t>(read) : 0;
    void* copy = ::operator new(size > 0 ? size : 1);
    if (size > 0) std::memcpy(copy, bytes, size);
    block = copy;
    length = static_cast<int32_t>(size);
    return true;
}

int32_t DbDesc::CloseBlobStream(int32_t stream, bool flag) {
    const int32_t status = LUR_CLIENT_FUNCTION(CloseBlobStream, "DbDesc")(m_handle, stream, flag ? 1 : 0);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StreamArg(stream));
    return 0;
}

int32_t DbDesc::DestroyBlobStream(int32_t stream) {
    const int32_t status = LUR_CLIENT_FUNCTION(DestroyBlobStream, "DbDesc")(m_handle, stream);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StreamArg(stream));
    return 0;
}

// ---- pending blob changes -------------------------------------------------------------

bool DbDesc::RecordBlobChange(const std::string& table, const std::string& field, const void* data, unsigned length,
                              int kind) {
    PendingBlobChange* entry = nullptr;
    for (PendingBlobChange& change : m_pendingBlobChanges)
        if (change.table == table && change.field == field) {
            entry = &change;
            break;
        }
    if (!entry) {
        m_pendingBlobChanges.push_back(PendingBlobChange{0, table, field, LurBuf()});
        entry = &m_pendingBlobChanges.back();
    }
    // A write after a pending delete must still remove the old blob.
    if (kind == PendingBlobChange::kWrite && (entry->kind & PendingBlobChange::kDelete) != 0)
        entry->kind = PendingBlobChange::kReplace;
    else
        entry->kind = static_cast<uint8_t>(kind);
    // The latest change's own bytes, even when empty: an earlier write's
    // bytes must never be stored in its place.
    entry->data.Assign(data, length);
    return true;
}

// What carrying out a table's pending changes did, so that it can be
// completed once the record change succeeded or taken back when it failed.
struct DbDesc::BlobChangePlan {
    std::vector<int32_t> created;                              // new blobs, removed again on failure
    std::vector<int32_t> obsolete;                             // old blobs, deleted only after success
    std::vector<std::pair<std::string, int32_t>> previousIds;  // field -> id before
};

void DbDesc::PrepareBlobChanges(const std::string& table, BlobChangePlan& plan) {
    try {
        for (const PendingBlobChange& change : m_pendingBlobChanges) {
            if (change.table != table) continue;
            RdmFld field(this, table, change.field, false);
            const int32_t oldId = field.GetLong();
            int32_t newId = -1;
            switch (change.kind) {
                case PendingBlobChange::kWrite:
                case PendingBlobChange::kReplace:
                    WriteBlobFromBuf(&newId, change.data, false);
                    plan.created.push_back(newId);
                    if (change.kind == PendingBlobChange::kReplace && oldId != -1) plan.obsolete.push_back(oldId);
                    break;
                case PendingBlobChange::kDelete:
                    if (oldId != -1) plan.obsolete.push_back(oldId);
                    break;
                default: continue;  // nothing to do for an unknown kind
            }
            plan.previousIds.emplace_back(change.field, oldId);
            field.SetLong(newId);
        }
    } catch (...) {
        UndoBlobChanges(table, plan);
        throw;
    }
}

void DbDesc::FinishBlobChanges(const std::string& table, BlobChangePlan& plan) {
    std::erase_if(m_pendingBlobChanges, [&](const PendingBlobChange& change) { return change.table == table; });
    // The record no longer refers to these; a blob that cannot be deleted
    // now stays as an unreferenced blob rather than failing a change that
    // the server has already made.
    for (int32_t id : plan.obsolete) {
        try {
            DeleteBlob(&id);
        } catch (const DbDescError&) {
        }
    }
}

void DbDesc::UndoBlobChanges(const std::string& table, BlobChangePlan& plan) noexcept {
    for (int32_t id : plan.created) {
        try {
            DeleteBlob(&id);
        } catch (...) {
        }
    }
    for (auto it = plan.previousIds.rbegin(); it != plan.previousIds.rend(); ++it) {
        try {
            RdmFld(this, table, it->first, false).SetLong(it->second);
        } catch (...) {
        }
    }
}

void DbDesc::ApplyBlobChanges(const std::string& table) {
    if (m_pendingBlobChanges.empty()) return;
    BlobChangePlan plan;
    PrepareBlobChanges(table, plan);
    FinishBlobChanges(table, plan);
}

int32_t DbDesc::SendRecordChange(int kind, const std::string& table) {
    using ChangeFn = int32_t (*)(int32_t, int32_t, int32_t, int32_t, char*);
    const int32_t recType = RecTypeOrThrow(table, Here, __LINE__);
    ChangeFn change = nullptr;
    switch (kind) {
        case 0: change = LUR_CLIENT_FUNCTION(NewRec, "DbDesc"); break;
        case 1: change = LUR_CLIENT_FUNCTION(ModRec, "DbDesc"); break;
        default: change = LUR_CLIENT_FUNCTION(DelRec, "DbDesc"); break;
    }
    BlobChangePlan plan;
    PrepareBlobChanges(table, plan);
    int32_t status = 0;
    try {
        std::vector<char>& buffer = RecordBufferAt(recType - kRecTypeBase);
        std::vector<char>& record = m_exchange;
        record = buffer;
        status = change(m_handle, GetDbNo(), recType, static_cast<int32_t>(record.size()), record.data());
        if (status == 0 && kind != 2) buffer = record;
    } catch (...) {
        UndoBlobChanges(table, plan);
        throw;
    }
    if (status != 0) {
        UndoBlobChanges(table, plan);
        return status;
    }
    FinishBlobChanges(table, plan);
    return 0;
}
