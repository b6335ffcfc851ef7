// The exported functions: each finds its handle, runs the session's
// operation and turns every failure into a status, so that no exception
// crosses into the caller.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "CodePage.h"
#include "ExtPackages.h"
#include "HandOutBlock.h"
#include "Numbering.h"
#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

// What the trace tells of a handle's open transaction.
struct TracedTransaction {
    std::string name;  // UTF-8
    int32_t recordChanges = 0;
};

// The handles of the process: numbered from 1, never 10014 ("no handle").
struct Handles {
    std::map<int32_t, std::unique_ptr<Session>> sessions;
    int32_t next = 1;
    std::map<int32_t, TracedTransaction> tracedTransactions;  // only while tracing
    // The session the last call found: a walk's calls come on one handle,
    // and need no lookup then. Forgotten when a handle goes away.
    int32_t lastHandle = kNoHandle;
    Session* lastSession = nullptr;

    Session* Find(int32_t handle) {
        if (handle == lastHandle && lastSession != nullptr) {
            return lastSession;
        }
        const auto found = sessions.find(handle);
        if (found == sessions.end()) {
            return nullptr;
        }
        lastHandle = handle;
        lastSession = found->second.get();
        return lastSession;
    }
    bool Remove(int32_t handle) {
        lastHandle = kNoHandle;
        lastSession = nullptr;
        return sessions.erase(handle) == 1;
    }
};

// At namespace scope rather than inside AllHandles, so that a call pays no
// check of its construction: nothing calls in before the library is loaded.
Handles g_handles;

Handles& AllHandles() { return g_handles; }

// The inspection trace (LURDBCLI_TRACE, see lurdbcli.h): null when off.
const char* TraceTarget() { return std::getenv("LURDBCLI_TRACE"); }

void Trace(const std::string& line) {
    const char* target = TraceTarget();
    if (target == nullptr) {
        return;
    }
    // A file is opened per line, so that lines of several processes do not mix.
    const bool toFile = target[0] == '/';
    std::FILE* out = toFile ? std::fopen(target, "a") : stderr;
    if (out == nullptr) {
        return;  // the trace never changes what a call answers
    }
    std::fprintf(out, "lurdbcli: %s\n", line.c_str());
    if (toFile) {
        std::fclose(out);
    }
}

void TraceTransactionBegin(int32_t handle, const std::string& nameCp1250) {
    if (TraceTarget() == nullptr) {
        return;
    }
    const std::string name = win::Cp1250ToUtf8(nameCp1250);
    AllHandles().tracedTransactions[handle] = {name, 0};
    Trace("handle " + std::to_string(handle) + ": begin transaction \"" + name + "\"");
}

void TraceRecordChange(int32_t handle) {
    auto& traced = AllHandles().tracedTransactions;
    if (const auto found = traced.find(handle); found != traced.end()) {
        ++found->second.recordChanges;
    }
}

void TraceTransactionEnd(int32_t handle, bool commit) {
    auto& traced = AllHandles().tracedTransactions;
    const auto found = traced.find(handle);
    if (found == traced.end()) {
        return;  // none open (or begun before tracing)
    }
    Trace("handle " + std::to_string(handle) + ": " + (commit ? "commit" : "abort") + " transaction \"" +
          found->second.name + "\", " + std::to_string(found->second.recordChanges) + " record changes");
    traced.erase(found);
}

// A move or find that met no record: traced as every other failure.
int32_t Missed(const char* detail) {
    if (TraceTarget() != nullptr) {
        Trace(std::to_string(kNotFound) + ": " + detail);
    }
    return kNotFound;
}

template <typename Body>
int32_t Guard(Body&& body) {
    try {
        return body();
    } catch (const StoreError& error) {
        Trace(std::to_string(error.status) + ": " + error.detail);
        return error.status;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (...) {
        return kStoreError;
    }
}

template <typename Body>
int32_t WithSession(int32_t handle, Body&& body) {
    return Guard([&]() -> int32_t {
        Session* session = AllHandles().Find(handle);
        if (session == nullptr) {
            return kNoHandle;
        }
        return body(*session);
    });
}

// A call that hands out a block: the caller's pointer is null before any
// check or work, so that no failure (an unknown handle included) leaves it
// pointing at something the caller might use or free.
template <typename Body>
int32_t WithSessionBlock(int32_t handle, char** block, Body&& body) {
    if (block != nullptr) {
        *block = nullptr;
    }
    return WithSession(handle, std::forward<Body>(body));
}

void Require(bool condition) {
    if (!condition) {
        throw StoreError{kBadArgument, "missing argument"};
    }
}

char* HandOut(const std::string& bytes) {
    HandOutBlock block(bytes.size());
    std::memcpy(block.Data(), bytes.data(), bytes.size());
    return block.Release();
}

// The two calls of a walk take their few arguments by value: cheaper than
// reaching each through a reference.
int32_t Move(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char** block, Session::Move move) {
    return WithSessionBlock(handle, block, [=](Session& session) {
        Require(block != nullptr && recordSize > 0);
        HandOutBlock record(static_cast<size_t>(recordSize));  // the move writes the record straight into it
        if (!session.MoveTo(dbNo, recType, recordSize, move, record.Data())) {
            return Missed("no record there");
        }
        *block = record.Release();
        return kOk;
    });
}

int32_t Find(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record, Session::Find find) {
    return WithSession(handle, [=](Session& session) {
        Require(record != nullptr);
        return session.FindRec(dbNo, recType, recordSize, find, record) ? kOk : Missed("no record with that key");
    });
}

// A record change (new, modified, deleted record), counted for the
// transaction trace once the session has made it.
template <typename Change>
int32_t ChangeRecord(int32_t handle, const char* record, Change&& change) {
    return WithSession(handle, [&](Session& session) {
        Require(record != nullptr);
        change(session);
        TraceRecordChange(handle);
        return kOk;
    });
}

int32_t ListResult(const std::string& records, int32_t* length, char** result) {
    *result = HandOut(records);
    *length = static_cast<int32_t>(records.size());
    return kOk;
}

// The same for a block built for the caller: handed over, not copied.
int32_t ListResult(HandOutBlock records, int32_t* length, char** result) {
    *length = static_cast<int32_t>(records.Size());
    *result = records.Release();
    return kOk;
}

int32_t Search(int32_t handle, int32_t* length, const char* keyRecord, char** result, int32_t dbNo, int32_t recType,
               int32_t fieldNo, Session::Compare compare) {
    return WithSessionBlock(handle, result, [&](Session& session) {
        Require(length != nullptr && keyRecord != nullptr && result != nullptr);
        return ListResult(session.FindList(dbNo, recType, *length, fieldNo, compare, keyRecord), length, result);
    });
}

std::string Text(const char* text) { return text ? std::string(text) : std::string(); }

}  // namespace

extern "C" {

int32_t FreePtr(void* block) {
    std::free(block);
    return kOk;
}

int32_t CreateDbHandler(int32_t* handle) {
    return Guard([&] {
        Require(handle != nullptr);
        Handles& handles = AllHandles();
        const int32_t number = TakeNextNumber(handles.next, [&](int32_t candidate) {
            return candidate == kNoHandle || handles.sessions.count(candidate) != 0;
        });
        handles.sessions.emplace(number, std::make_unique<Session>(number));
        *handle = number;
        return kOk;
    });
}

int32_t FreeDbHandler(int32_t handle) {
    return Guard([&] {
        AllHandles().tracedTransactions.erase(handle);
        return AllHandles().Remove(handle) ? kOk : kNoHandle;
    });
}

int32_t InitUserEx(int32_t handle, const void* connectInfo) {
    return WithSession(handle, [&](Session& session) {
        session.Login(static_cast<const char*>(connectInfo));
        return kOk;
    });
}

int32_t SetCode(int32_t handle, int32_t length, const char* code) {
    return WithSession(handle, [&](Session& session) {
        Require(length >= 0 && (code != nullptr || length == 0));
        session.SetCode(std::string(code ? code : "", static_cast<size_t>(length)));
        return kOk;
    });
}

int32_t Connect(int32_t handle, const char* /*server: the stand-in has none*/) {
    return WithSession(handle, [&](Session& session) {
        session.ConnectServer();
        return kOk;
    });
}

int32_t Reindex(int32_t handle, int32_t file) {
    return WithSession(handle, [&](Session& session) {
        session.Reindex(file);
        return kOk;
    });
}

int32_t ReindexAll(int32_t handle) { return Reindex(handle, -1); }

int32_t GetServiceNames(int32_t handle, char** block, int32_t* length, int32_t* count) {
    return WithSessionBlock(handle, block, [&](Session& session) {
        Require(block != nullptr && length != nullptr && count != nullptr);
        std::string names;
        const std::vector<std::string> services = session.ServiceNames();
        for (const std::string& name : services) {
            names += name + '\0';
        }
        ListResult(names, length, block);
        *count = static_cast<int32_t>(services.size());
        return kOk;
    });
}

// Administration (the session's part is in SessionAdmin.cpp).
int32_t CreateDatabase(int32_t handle, const char* name, const char* databasePath, const char* archivePath) {
    return WithSession(handle, [&](Session& session) {
        session.CreateDatabase(Text(name), Text(databasePath), Text(archivePath));
        return kOk;
    });
}

int32_t DropDatabase(int32_t handle, const char* name) {
    return WithSession(handle, [&](Session& session) {
        session.DropDatabase(Text(name));
        return kOk;
    });
}

int32_t CreateTablespace(int32_t handle, const char* name) {
    return WithSession(handle, [&](Session& session) {
        session.CreateTablespace(Text(name));
        return kOk;
    });
}

int32_t ArchiveDb(int32_t handle) {
    return WithSession(handle, [&](Session& session) {
        session.ArchiveDb();
        return kOk;
    });
}

int32_t RestoreArchive(int32_t handle, const char* archive) {
    return WithSession(handle, [&](Session& session) {
        Require(archive != nullptr);
        session.RestoreArchive(archive);
        return kOk;
    });
}

int32_t GetAllBinaryDescriptor(int32_t handle, const char* service, char** block, int32_t* length) {
    return WithSessionBlock(handle, block, [&](Session& session) {
        Require(service != nullptr && block != nullptr && length != nullptr);
        return ListResult(session.AllDescriptions(service), length, block);
    });
}

int32_t GetV3FileInfo(int32_t handle, const char* service, const char* fileEntry, int32_t* first, int32_t* second,
                      int32_t* third) {
    return WithSession(handle, [&](Session& session) {
        Require(service != nullptr && fileEntry != nullptr && first != nullptr && second != nullptr &&
                third != nullptr);
        const Session::FileInfo info = session.DataFileInfo(service, fileEntry);
        *first = info.first;
        *second = info.records;
        *third = info.lastChange;
        return kOk;
    });
}

int32_t RestoreTimestamps(int32_t handle, const char* service, const char* user, const char* password) {
    return WithSession(handle, [&](Session& session) {
        Require(service != nullptr && user != nullptr && password != nullptr);
        session.RestoreTimestamps(service, user, password);
        return kOk;
    });
}

int32_t GetCount(int32_t handle, int32_t dbNo, int32_t recType, int32_t* count) {
    return WithSession(handle, [&](Session& session) {
        Require(count != nullptr);
        *count = session.Count(dbNo, recType);
        return kOk;
    });
}

int32_t FindRecNext(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record) {
    return Find(handle, dbNo, recType, recordSize, record, Session::Find::Next);
}

int32_t FindRecPrev(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record) {
    return Find(handle, dbNo, recType, recordSize, record, Session::Find::Prev);
}

int32_t ReadCurrentRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char** block) {
    return Move(handle, dbNo, recType, recordSize, block, Session::Move::Current);
}

int32_t OpenDbExA(int32_t handle, int32_t dbNo, const char* name, int32_t /*mode*/) {
    return WithSession(handle, [&](Session& session) {
        Require(name != nullptr);
        return session.OpenTablespace(dbNo, name);
    });
}

int32_t GetDbDescription(int32_t handle, int32_t dbNo, char** block, int32_t* length) {
    return WithSessionBlock(handle, block, [&](Session& session) {
        Require(block != nullptr && length != nullptr);
        return ListResult(session.Description(dbNo), length, block);
    });
}

int32_t OpenExtPackage(int32_t handle, const char* name) {
    return WithSession(handle, [&](Session& session) {
        session.LoggedIn();
        if (!IsExtPackage(Text(name))) {
            throw StoreError{kNotSupported, "no extension package " + Text(name)};
        }
        session.OpenPackages().insert(AsciiUpper(Text(name)));
        return kOk;
    });
}

int32_t CloseExtPackage(int32_t handle, const char* name) {
    return WithSession(handle, [&](Session& session) {
        return session.OpenPackages().erase(AsciiUpper(Text(name))) == 1 ? kOk : kNotFound;
    });
}

int32_t CallExtFnc(int32_t handle, const char* package, const char* function, const char* data, char** result,
                   int32_t* length) {
    return WithSessionBlock(handle, result, [&](Session& session) {
        Require(result != nullptr && length != nullptr && *length >= 0 && (data != nullptr || *length == 0));
        if (session.OpenPackages().count(AsciiUpper(Text(package))) == 0) {
            throw StoreError{kBadArgument, "extension package " + Text(package) + " is not open"};
        }
        const std::string argument = data ? std::string(data, static_cast<size_t>(*length)) : std::string();
        const ExtCallResult answer = CallExtPackageFunction(session, Text(package), Text(function), argument);
        *length = 0;
        if (answer.block) {
            *result = HandOut(*answer.block);
            *length = static_cast<int32_t>(answer.block->size());
        }
        return answer.status;
    });
}

int32_t BeginTransaction(int32_t handle, const char* name, int32_t, int32_t) {
    return WithSession(handle, [&](Session& session) {
        session.Begin();
        TraceTransactionBegin(handle, Text(name));
        return kOk;
    });
}

int32_t EndTransaction(int32_t handle, int32_t commit) {
    return WithSession(handle, [&](Session& session) {
        session.End(commit != 0);
        TraceTransactionEnd(handle, commit != 0);
        return kOk;
    });
}

int32_t GetServerParam(int32_t handle, const char* name, char** value) {
    return WithSessionBlock(handle, value, [&](Session& session) {
        Require(value != nullptr);
        *value = HandOut(session.ServerParam(Text(name)));
        return kOk;
    });
}

int32_t SetServerParam(int32_t handle, const char* name, const char* value) {
    return WithSession(handle, [&](Session& session) {
        session.SetServerParam(Text(name), Text(value));
        return kOk;
    });
}

int32_t FindBlob(int32_t handle, int32_t id, int32_t* length, char** block) {
    return WithSessionBlock(handle, block, [&](Session& session) {
        Require(length != nullptr && block != nullptr);
        return ListResult(session.ReadBlob(id), length, block);
    });
}

int32_t NewBlob(int32_t handle, int32_t* id, int32_t length, const char* data) {
    return WithSession(handle, [&](Session& session) {
        Require(id != nullptr && length >= 0 && (data != nullptr || length == 0));
        *id = session.WriteBlob(data, length);
        return kOk;
    });
}

int32_t DelBlob(int32_t handle, int32_t id) {
    return WithSession(handle, [&](Session& session) {
        session.DeleteBlob(id);
        return kOk;
    });
}

int32_t FirstRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char** block) {
    return Move(handle, dbNo, recType, recordSize, block, Session::Move::First);
}

int32_t PrevRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char** block) {
    return Move(handle, dbNo, recType, recordSize, block, Session::Move::Prev);
}

int32_t NextRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char** block) {
    return Move(handle, dbNo, recType, recordSize, block, Session::Move::Next);
}

int32_t LastRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char** block) {
    return Move(handle, dbNo, recType, recordSize, block, Session::Move::Last);
}

int32_t DefineKey(int32_t handle, int32_t dbNo, int32_t recType, int32_t fieldNo) {
    return WithSession(handle, [&](Session& session) {
        session.DefineKey(dbNo, recType, fieldNo);
        return kOk;
    });
}

int32_t FindRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record) {
    return Find(handle, dbNo, recType, recordSize, record, Session::Find::First);
}

int32_t NewRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record) {
    return ChangeRecord(handle, record, [&](Session& session) { session.NewRec(dbNo, recType, recordSize, record); });
}

int32_t ModRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record) {
    return ChangeRecord(handle, record, [&](Session& session) { session.ModRec(dbNo, recType, recordSize, record); });
}

int32_t DelRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record) {
    return ChangeRecord(handle, record, [&](Session& session) { session.DelRec(dbNo, recType, recordSize, record); });
}

int32_t FindList(int32_t handle, int32_t* length, const char* keyRecord, char** result, int32_t dbNo, int32_t recType,
                 int32_t fieldNo) {
    return Search(handle, length, keyRecord, result, dbNo, recType, fieldNo, Session::Compare::Equal);
}

int32_t FindGreater(int32_t handle, int32_t* length, const char* keyRecord, char** result, int32_t dbNo,
                    int32_t recType, int32_t fieldNo) {
    return Search(handle, length, keyRecord, result, dbNo, recType, fieldNo, Session::Compare::GreaterOrEqual);
}

int32_t FindLess(int32_t handle, int32_t* length, const char* keyRecord, char** result, int32_t dbNo, int32_t recType,
                 int32_t fieldNo) {
    return Search(handle, length, keyRecord, result, dbNo, recType, fieldNo, Session::Compare::LessOrEqual);
}

int32_t GetAllRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t* length, char** result) {
    return WithSessionBlock(handle, result, [&](Session& session) {
        Require(length != nullptr && result != nullptr);
        return ListResult(session.AllRecords(dbNo, recType, *length), length, result);
    });
}

int32_t GetNextId(int32_t handle, const char* counter, int32_t* value) {
    return WithSession(handle, [&](Session& session) {
        Require(counter != nullptr && value != nullptr);
        *value = session.NextId(counter);
        return kOk;
    });
}

int32_t GetServerTime(int32_t handle, int32_t* time) {
    return WithSession(handle, [&](Session&) {
        Require(time != nullptr);
        *time = static_cast<int32_t>(std::time(nullptr));
        return kOk;
    });
}

int32_t FindListOr(int32_t handle, int32_t* length, const char* const* listData, char** result, int32_t dbNo,
                   int32_t recType, int32_t fieldNo) {
    return WithSessionBlock(handle, result, [&](Session& session) {
        // An empty list may come without data: it finds nothing.
        Require(length != nullptr && listData != nullptr && (*listData != nullptr || *length == 0) &&
                result != nullptr);
        return ListResult(session.FindListOr(dbNo, recType, fieldNo, *listData, *length), length, result);
    });
}

int32_t FindBetween(int32_t handle, int32_t dbNo, int32_t recType, const char* low, const char* high, char** result,
                    int32_t fieldNo, int32_t* length) {
    return WithSessionBlock(handle, result, [&](Session& session) {
        Require(low != nullptr && high != nullptr && result != nullptr && length != nullptr);
        return ListResult(session.FindBetween(dbNo, recType, *length, fieldNo, low, high), length, result);
    });
}

int32_t TruncateFile(int32_t handle, int32_t dbNo, int32_t recType) {
    return WithSession(handle, [&](Session& session) {
        session.Truncate(dbNo, recType);
        return kOk;
    });
}

int32_t LockRecord(int32_t handle, int32_t dbNo, int32_t recType, int32_t mode) {
    return WithSession(handle, [&](Session& session) {
        session.Lock(dbNo, recType, static_cast<char>(mode));
        return kOk;
    });
}

int32_t UnlockRecord(int32_t handle, int32_t dbNo, int32_t recType, int32_t /*mode*/) {
    return WithSession(handle, [&](Session& session) {
        session.Unlock(dbNo, recType);
        return kOk;
    });
}

int32_t WhoMadeLock(int32_t handle, int32_t dbNo, int32_t recType, int32_t mode, char* holder) {
    return WithSession(handle, [&](Session& session) {
        Require(holder != nullptr);
        const std::string text = session.LockHolder(dbNo, recType, static_cast<char>(mode));
        std::memset(holder, 0, kHolderTextSize);
        std::memcpy(holder, text.data(), std::min(text.size(), kHolderTextSize - 1));
        return kOk;
    });
}

int32_t GetRecLocks(int32_t handle, int32_t* length, char** block) {
    return WithSessionBlock(handle, block, [&](Session& session) {
        Require(length != nullptr && block != nullptr);
        return ListResult(session.LockList(), length, block);
    });
}

int32_t LockRecords(int32_t handle, int32_t length, const char* entries) {
    return WithSession(handle, [&](Session& session) {
        session.LockAll(entries, length);
        return kOk;
    });
}

int32_t CursorCreate(int32_t handle, int32_t dbNo, int32_t recType, int32_t fieldNo, int32_t* cursor) {
    return WithSession(handle, [&](Session& session) {
        Require(cursor != nullptr);
        *cursor = session.CreateCursor(dbNo, recType, fieldNo);
        return kOk;
    });
}

int32_t CursorDrop(int32_t handle, int32_t cursor) {
    return WithSession(handle, [&](Session& session) {
        session.DropCursor(cursor);
        return kOk;
    });
}

int32_t CursorOperation(int32_t handle, int32_t cursor, int32_t move, int32_t recordSize, char* record) {
    return WithSession(handle, [&](Session& session) {
        Require(record != nullptr);
        session.CursorMove(cursor, move, recordSize, record);
        return kOk;
    });
}

int32_t BookmarkCreate(int32_t handle, int32_t dbNo, int32_t recType, int32_t* bookmark) {
    return WithSession(handle, [&](Session& session) {
        Require(bookmark != nullptr);
        *bookmark = session.CreateBookmark(dbNo, recType);
        return kOk;
    });
}

int32_t BookmarkDrop(int32_t handle, int32_t bookmark) {
    return WithSession(handle, [&](Session& session) {
        session.DropBookmark(bookmark);
        return kOk;
    });
}

int32_t BookmarkOperation(int32_t handle, int32_t bookmark, int32_t operation) {
    return WithSession(handle, [&](Session& session) {
        session.BookmarkOperation(bookmark, operation);
        return kOk;
    });
}

// Raw data and blob streams (the session's part is in Blobs.cpp).
int32_t FindData(int32_t handle, int32_t* length, char** block, int32_t secondKey, int32_t firstKey, int32_t dbNo,
                 int32_t mode) {
    return WithSessionBlock(handle, block, [&](Session& session) {
        Require(length != nullptr && block != nullptr);
        return ListResult(session.FindData(dbNo, mode, firstKey, secondKey), length, block);
    });
}

int32_t WriteData(int32_t handle, int32_t length, const char* const* data, int32_t key, int32_t dbNo, int32_t mode) {
    return WithSession(handle, [&](Session& session) {
        Require(length >= 0 && (length == 0 || (data != nullptr && *data != nullptr)));
        session.WriteData(dbNo, mode, key, length > 0 ? *data : nullptr, length);
        return kOk;
    });
}

int32_t CreateBlobStream(int32_t handle, int32_t stream, int32_t value) {
    return WithSession(handle, [&](Session& session) {
        session.CreateBlobStream(stream, value);
        return kOk;
    });
}

int32_t WriteBlobStream(int32_t handle, int32_t stream, int32_t first, int32_t second) {
    return WithSession(handle, [&](Session& session) {
        session.WriteBlobStream(stream, first, second);
        return kOk;
    });
}

int32_t ReadBlobStream(int32_t handle, int32_t stream, int32_t* length, char** block) {
    return WithSessionBlock(handle, block, [&](Session& session) {
        Require(length != nullptr && block != nullptr);
        return ListResult(session.ReadBlobStream(stream), length, block);
    });
}

int32_t CloseBlobStream(int32_t handle, int32_t stream, int32_t flag) {
    return WithSession(handle, [&](Session& session) {
        session.CloseBlobStream(stream, flag != 0);
        return kOk;
    });
}

int32_t DestroyBlobStream(int32_t handle, int32_t stream) {
    return WithSession(handle, [&](Session& session) {
        session.DestroyBlobStream(stream);
        return kOk;
    });
}

}  // extern "C"

}  // namespace lurdbcli
