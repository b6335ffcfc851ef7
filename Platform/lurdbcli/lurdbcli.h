// The database client library "lurdbcli": the contract between the library
// (liblurdbcli.so, our stand-in on SQLite) and the process that loads it.
//
// Binding. Each function is exported under its decorated name, an underscore,
// the name, "$" and four times its argument count ("_FreePtr$4"; "$" stands
// for the "@" of the original names). Every argument is 32 bits wide in the
// original: integers are int32_t here, pointers are real pointers. Every
// function returns an int32_t status, 0 for success. The loader finds the
// functions with dlsym by the names in kClientFunctions; a function the
// library does not export stays missing, and the caller reports the
// missing pointer by its name (status kFunctionMissing, 10038).
//
// Handles. CreateDbHandler hands out a handle (1, 2, ...; never 10014, which
// means "no handle"). An unknown or released handle answers kNoHandle (10014).
// Every function except FreePtr and CreateDbHandler takes the handle first;
// record calls continue with the tablespace number and the record type
// (10000 + the table's index in the tablespace's description).
//
// Memory. Blocks that a function hands back (records of moves, lists,
// descriptions, texts, blobs) are allocated by the library; the caller copies
// what it needs and returns the block with FreePtr. The record calls FindRec,
// FindRecNext, FindRecPrev, NewRec, ModRec and DelRec instead take the address
// of the caller's own copy of the record and write the result into it.
//
// Storage of the stand-in. One SQLite file per service,
// $LURDB_DATA/<SERVICE>.lurdb (default $XDG_DATA_HOME/lurdb, then
// ~/.local/share/lurdb); every tablespace of the service lives in it, so one
// transaction spans tablespaces. The service is the "service" text of the
// connect block, upper-cased with the code page's case table; a name that
// ServiceNameFault refuses is refused (kBadServiceName). A process that
// finds the store held by another waits up to 30 s (LURDB_BUSY_TIMEOUT_MS
// sets the wait in milliseconds), then answers kStoreBusy. One SQL table per
// record type, "<TABLESPACE>.<TABLE>", one column per field; text is stored
// as UTF-8 of the code-page 1250 bytes.
// Tablespace SYSDB (number 19) holds the catalogue.
//
// Inspection trace: with LURDBCLI_TRACE set, the library writes one line,
// "lurdbcli: " and then
// - "<status>: <detail>" for every failure of its own;
// - "handle <h>: begin transaction "<name>"" for every transaction begun;
// - "handle <h>: commit|abort transaction "<name>", <n> record changes" for
//   every one ended (n counts the NewRec, ModRec and DelRec it holds).
// An absolute path as the value appends the lines to that file; any other
// value writes them to stderr.
//
// Record semantics every caller may rely on:
// - Order: the current key's order, ties by insertion order; with no current
//   key, insertion order. The current position is per (handle, tablespace,
//   record type) and is set by moves, finds and record changes. NextRec from
//   no position gives the first record, PrevRec the last.
// - FindRec finds the first record in key order whose current key equals the
//   value in the caller's copy; FindRecNext/FindRecPrev continue among equal
//   keys.
// - ModRec/DelRec change the record that the current key's value in the copy
//   selects: the handle's current record of that table when its key has that
//   value, otherwise the first such record in key order; with no current key,
//   the current record. kNotFound when none.
// - A duplicate unique key on NewRec/ModRec answers kLockedOrDuplicate.
// - List searches accept any field; results in search-field order, then
//   insertion order; FindBetween is inclusive; nothing found: kNotFound.
// - One transaction per handle, spanning every tablespace; a second begin
//   answers kTransactionOpen; ending when none is open answers 0. Outside a
//   transaction every change commits on its own.
// - Counters are per service, created on first use, starting at 1. Blob ids
//   start at 1 and are never -1. A counter named like a row of SYSDB's
//   "sequencies" (case ignored) draws from that row instead (GetNextId).
// - Locks are per (tablespace, record type) with a mode character: 'r'
//   shared, any other exclusive; the holder text is user and computer name.
//   They are kept beside the store (<SERVICE>.lurdb.locks) apart from any
//   transaction: visible to every process at once, not undone by a
//   rollback, and dropped with the handle or when their process is gone.
// - Server parameters: "volumeid" (an unsigned 32-bit number as text, set
//   when the service is created), "debuglog", "net_lock" ("1" or "0");
//   others are refused.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#define LURDBCLI_EXPORT __attribute__((visibility("default")))
#define LURDBCLI_SYMBOL(decorated) __asm__(decorated)

namespace lurdbcli {

// ---------------------------------------------------------------------------
// Status codes. Callers act on the ones marked (*); every other nonzero
// status is reported to the user with its code. No code of the library's own
// is given another meaning by any caller.
// ---------------------------------------------------------------------------
constexpr int32_t kOk = 0;
constexpr int32_t kStoreError = 10001;         // the service's store failed (an SQLite error not below)
constexpr int32_t kNotFound = 10002;           // (*) not found / no further record
constexpr int32_t kBadArgument = 10003;        // a null pointer, bad length or bad value
constexpr int32_t kNotOpen = 10004;            // (*) tablespace not open for this handle
constexpr int32_t kLockedOrDuplicate = 10005;  // (*) locked by another, or duplicate unique key
constexpr int32_t kBadServiceName = 10006;     // a service name ServiceNameFault refuses
constexpr int32_t kNoStore = 10007;            // no store for the service (not created)
constexpr int32_t kUnknownTablespace = 10008;  // no tablespace of that name or number
constexpr int32_t kUnknownRecordType = 10009;  // record type not in the tablespace
constexpr int32_t kUnknownField = 10010;       // field number not in the record type, or not a key
constexpr int32_t kNoDescription = 10011;      // (*) no description (tablespace not open); callers: a file missing
constexpr int32_t kNotConnected = 10012;       // handle not logged in / connected
constexpr int32_t kBadRecordSize = 10013;      // record size differs from the description
constexpr int32_t kNoHandle = 10014;           // (*) no such handle; InitUserEx: no such user
constexpr int32_t kUnknownParameter = 10015;   // server parameter not known
constexpr int32_t kOutOfMemory = 10016;        // (*) memory not available
constexpr int32_t kNotSupported = 10017;       // request the stand-in does not serve
constexpr int32_t kStoreBusy = 10018;          // another process held the store past the busy timeout
constexpr int32_t kAlreadyOpen = 10020;        // (*) tablespace already open: success
constexpr int32_t kNotAStore = 10022;          // the service's file is no store, or a damaged one
constexpr int32_t kTransactionOpen = 10023;    // (*) a transaction is already open
constexpr int32_t kBadSchema = 10024;          // stored schema inconsistent
constexpr int32_t kStoreFull = 10025;          // the disk of the store is full
constexpr int32_t kStoreReadOnly = 10026;      // the store's file or directory cannot be written
constexpr int32_t kServiceInUse = 10027;       // a live handle is logged in to the service
constexpr int32_t kNoArchive = 10029;          // no such archive
constexpr int32_t kForeignArchive = 10030;     // the archive is of another service (volume id)
constexpr int32_t kArchiveExists = 10031;      // an archive of that name exists already
constexpr int32_t kSequenceExhausted = 10032;  // a sequence without cycle is past its maximum (minimum going down)
constexpr int32_t kSequenceUnusable = 10033;   // a sequence row SequenceFault refuses
constexpr int32_t kStoreTooLarge = 10034;      // a file of the store reached the file-size limit
constexpr int32_t kFunctionMissing = 10038;    // (*) raised by callers: a missing function, an impossible operation
constexpr int32_t kNoClientSettings = 10039;   // raised by callers: no registry key
constexpr int32_t kUserDisabled = 10067;       // (*) InitUserEx: user disabled
constexpr int32_t kWrongPassword = 10068;      // (*) InitUserEx: wrong password
constexpr int32_t kEndOfStream = 10073;        // (*) end of a blob stream
constexpr int32_t kFirstStatus = 10000;
constexpr int32_t kLastStatus = 10073;

// The library's text for a status (English); nullptr for a code without one.
constexpr const char* StatusText(int32_t status) {
    switch (status) {
        case kOk: return "Success.";
        case kStoreError: return "The database store reported an error.";
        case kNotFound: return "Record not found.";
        case kBadArgument: return "Invalid argument.";
        case kNotOpen: return "The tablespace is not open.";
        case kLockedOrDuplicate: return "The record is locked or its key already exists.";
        case kBadServiceName: return "Invalid service name.";
        case kNoStore: return "The service has no database store.";
        case kUnknownTablespace: return "Unknown tablespace.";
        case kUnknownRecordType: return "Unknown record type.";
        case kUnknownField: return "Unknown field or not a key.";
        case kNoDescription: return "A description or a file is missing or cannot be read.";
        case kNotConnected: return "The handle is not connected.";
        case kBadRecordSize: return "The record size does not match the description.";
        case kNoHandle: return "No such handle or user.";
        case kUnknownParameter: return "Unknown server parameter.";
        case kOutOfMemory: return "Not enough memory.";
        case kNotSupported: return "The request is not supported.";
        case kStoreBusy: return "The database store of the service is busy: another process holds it too long.";
        case kAlreadyOpen: return "The tablespace is already open.";
        case kNotAStore: return "The file of the service is not a database store, or it is damaged.";
        case kTransactionOpen: return "A transaction is already open.";
        case kBadSchema: return "The stored schema is inconsistent.";
        case kStoreFull: return "The disk of the database store is full.";
        case kStoreReadOnly: return "The database store cannot be written.";
        case kServiceInUse: return "The service is in use: a user is logged in to it.";
        case kNoArchive: return "The archive does not exist.";
        case kForeignArchive: return "The archive belongs to another service.";
        case kArchiveExists: return "An archive of that name exists already.";
        case kSequenceExhausted:
            return "The sequence has passed its maximum value (its minimum going down) and does not cycle.";
        case kSequenceUnusable:
            return "The sequence cannot be drawn from: its MAXVALUE is less than its MINVALUE, its INCREMENT_BY is 0, "
                   "or with CYCLE it would repeat one value (an INCREMENT_BY wider than its range, or a start outside "
                   "it).";
        case kStoreTooLarge:
            return "File too large: a file of the database store cannot grow past the file-size limit.";
        case kFunctionMissing: return "The function is missing, or the operation is not possible.";
        case kNoClientSettings: return "No client settings for the service.";
        case kUserDisabled: return "The user is disabled.";
        case kWrongPassword: return "Wrong password.";
        case kEndOfStream: return "End of the blob stream.";
        default: return nullptr;
    }
}

// ---------------------------------------------------------------------------
// Service names: the one rule, kept by the library, lurdbadm and the SQL
// statements that create and drop databases. A name has 1 to
// kMaxServiceName characters (a text of the connect block) and names the
// store file and a registry key, so it holds no "/", "\", "..", "[", "]" or
// control character and starts with neither "." nor "-"; it holds no ":"
// either, since CreateDatabase reads what follows a colon as the collation.
// ServiceNameFault gives the reason a name (code page 1250) is refused, or
// null when it is not.
// ---------------------------------------------------------------------------
constexpr size_t kMaxServiceName = 31;

inline const char* ServiceNameFault(std::string_view service) {
    if (service.empty() || service.size() > kMaxServiceName) return "it needs 1 to 31 characters";
    if (service.front() == '.' || service.front() == '-') return "it may not start with \".\" or \"-\"";
    if (service.find("..") != std::string_view::npos) return "it may not hold \"..\"";
    for (const char c : service) {
        const auto byte = static_cast<unsigned char>(c);
        // Below blank, DEL, and the bytes the code page leaves to C1 controls.
        const bool control =
            byte < ' ' || byte == 0x7F || byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98;
        if (control || c == '/' || c == '\\' || c == '[' || c == ']' || c == ':')
            return "it may not hold control characters, \"/\", \"\\\", \"[\", \"]\" or \":\"";
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Sequences: the one rule of a SYSDB "sequencies" row, kept by the draw
// (GetNextId) and by CREATE and ALTER SEQUENCE. A seq_min or seq_max of 0 is
// no bound: the end of the 32-bit range (SequenceLow, SequenceHigh). A row
// goes up (seq_step > 0) or down; SequenceStart is where it starts and
// where a cycle starts it again: its bound on the side it comes from
// (seq_min going up, seq_max going down), or 1 without one. SequenceFault
// gives the reason a row cannot be drawn from, in the SQL statements' words,
// or "" when it can: an empty range, a step of 0 (one value again and
// again), or with cycle a start outside the range or a step wider than the
// stretch from the start to the end (every draw after a restart would
// start it again).
// ---------------------------------------------------------------------------
constexpr long long SequenceLow(long long seqMin) { return seqMin != 0 ? seqMin : INT32_MIN; }
constexpr long long SequenceHigh(long long seqMax) { return seqMax != 0 ? seqMax : INT32_MAX; }
constexpr long long SequenceStart(long long step, long long seqMin, long long seqMax) {
    const long long bound = step > 0 ? seqMin : seqMax;
    return bound != 0 ? bound : 1;
}

inline std::string SequenceFault(long long step, long long seqMin, long long seqMax, bool cycles) {
    const long long low = SequenceLow(seqMin);
    const long long high = SequenceHigh(seqMax);
    if (high < low) return "MAXVALUE is less than the MINVALUE!";
    if (step == 0) return "INCREMENT_BY 0 would give the same value at every draw!";
    if (!cycles) return "";
    const long long start = SequenceStart(step, seqMin, seqMax);
    const auto range = [](long long from, long long to) { return std::to_string(from) + ".." + std::to_string(to); };
    if (start < low || start > high)
        return "With CYCLE the sequence would start again at " + std::to_string(start) +
               ", which is outside MINVALUE..MAXVALUE (" + range(low, high) + ")!";
    const long long end = step > 0 ? high : low;
    if ((step > 0 ? step : -step) > (step > 0 ? end - start : start - end))
        return "INCREMENT_BY " + std::to_string(step) + " is wider than " +
               range(std::min(start, end), std::max(start, end)) +
               ", the range CYCLE runs through: the sequence would repeat one value!";
    return "";
}

// ---------------------------------------------------------------------------
// The connect block that InitUserEx receives: 251 packed bytes, integers
// little-endian, texts zero-terminated in 32-byte fields. Read and written
// with memcpy at these offsets.
// ---------------------------------------------------------------------------
namespace connect_info {
constexpr size_t kSize = 251;
constexpr size_t kTextSize = 32;
constexpr size_t kBlockSize = 0;       // int32, always 251
constexpr size_t kConstant4 = 4;       // int32, always 4
constexpr size_t kUser = 8;            // text: user name (as given; upper case by the login)
constexpr size_t kComputer = 40;       // text: computer name
constexpr size_t kServer = 72;         // text: server
constexpr size_t kService = 104;       // text: service, selects the store
constexpr size_t kEmpty = 136;         // text: always empty
constexpr size_t kOpenMode = 168;      // text: open mode
constexpr size_t kUseBlob = 200;       // byte
constexpr size_t kUseLock = 201;       // byte
constexpr size_t kEnableEvents = 202;  // byte
constexpr size_t kProcessId = 203;     // int32
constexpr size_t kTimeout = 207;       // int32
constexpr size_t kPassword = 211;      // text: password (as given)
constexpr size_t kRegDbPages = 243;    // int32, 0-255
constexpr size_t kRegOwlPages = 247;   // int32, 0-255
}  // namespace connect_info

// A lock list entry of GetRecLocks, 28 bytes: int32 tablespace number,
// int32 record type, int32 process id of the holder, mode byte, then the
// holder's user name zero-terminated in 15 bytes.
constexpr size_t kLockEntrySize = 28;
// An entry of LockRecords, 9 bytes: int32 tablespace number, int32 record
// type, mode byte.
constexpr size_t kLockRequestSize = 9;
// The holder text buffer of WhoMadeLock.
constexpr size_t kHolderTextSize = 32;
// The zero-padded tablespace name of an entry of GetAllBinaryDescriptor.
constexpr size_t kDescriptorNameSize = 260;
// The offsets of a 60-byte file entry of a description: the type byte ('d'
// for a data file), the record type and the tablespace number (int32).
namespace file_entry {
constexpr size_t kSize = 60;
constexpr size_t kType = 51;
constexpr size_t kRecordType = 52;
constexpr size_t kTablespace = 56;
}  // namespace file_entry

// ---------------------------------------------------------------------------
// The 88 functions, in the loader's member order. "Never called" marks the
// sixteen that no part of the system calls; the stand-in never exports them.
// "Not exported yet" marks the ones the stand-in does not serve so far: they
// are declared for the loader's table only, their pointer stays empty and
// every caller reports 10038 with the pointer's name.
//
// Unless a function says otherwise: an unknown or released handle answers
// kNoHandle; a call on a tablespace before the login answers kNotConnected;
// a tablespace the handle has not opened kNotOpen, a record type outside its
// description kUnknownRecordType, a record size other than the
// description's kBadRecordSize, a null out-pointer kBadArgument; a failure
// of the store kStoreBusy, kNotAStore, kStoreFull, kStoreTooLarge,
// kStoreReadOnly or else kStoreError, of memory kOutOfMemory. Out-pointers to blocks
// are set to null before the work starts, so a failed call hands out none.
// ---------------------------------------------------------------------------
extern "C" {

// Releases a block the library handed out. Null is accepted.
LURDBCLI_EXPORT int32_t FreePtr(void* block) LURDBCLI_SYMBOL("_FreePtr$4");

// Creates a handle and writes it to *handle (never 10014).
LURDBCLI_EXPORT int32_t CreateDbHandler(int32_t* handle) LURDBCLI_SYMBOL("_CreateDbHandler$4");

// Logs a user in: opens the store of the block's service and checks the
// block's user and password (as given, compared in upper case) against SYSDB
// "dbuser" (scrambled NAME and PSW, "enabled" byte 1). 10014 no such user,
// 10067 disabled, 10068 wrong password; kNoStore when the service has none.
LURDBCLI_EXPORT int32_t InitUserEx(int32_t handle, const void* connectInfo) LURDBCLI_SYMBOL("_InitUserEx$8");

// Sends a code of length bytes after the login; the stand-in keeps it and
// nothing depends on it. kBadArgument for a negative length or a null code
// with a length.
LURDBCLI_EXPORT int32_t SetCode(int32_t handle, int32_t length, const char* code) LURDBCLI_SYMBOL("_SetCode$12");

// Releases a handle; an open transaction is rolled back and the handle's
// locks are released. kNoHandle for a handle that is not (or no longer) one.
LURDBCLI_EXPORT int32_t FreeDbHandler(int32_t handle) LURDBCLI_SYMBOL("_FreeDbHandler$4");

// Archives the store of the handle's login: a consistent copy, written under
// a temporary name, synced and then named
// $LURDB_DATA/archive/<SERVICE>/<SERVICE>-<yyyymmddhhmmss>.lurdb (UTC). An
// archive is never overwritten: kArchiveExists when one of that second
// exists. kTransactionOpen while the handle has a transaction open.
LURDBCLI_EXPORT int32_t ArchiveDb(int32_t handle) LURDBCLI_SYMBOL("_ArchiveDb$4");
// Makes the content of the login's store that of an archive, in one step.
// The text is the file name of an archive in the service's archive
// directory (".lurdb" may be left out) or, with a "/", a path. Refused:
// inside a transaction (kTransactionOpen), while another live process is
// logged in to the service (kServiceInUse), for a missing archive
// (kNoArchive), for one of another service's volume id (kForeignArchive),
// for a file that is no store (kNotAStore). The handle's positions,
// cursors and bookmarks are dropped; its open tablespaces take the
// archive's layout (one the archive lacks is no longer open).
LURDBCLI_EXPORT int32_t RestoreArchive(int32_t handle, const char* archive) LURDBCLI_SYMBOL("_RestoreArchive$8");
// Creates a service store on the handle's server (after Connect or a
// login; kNotConnected before). name is the service, optionally followed
// by ":" and a collation; the collation and both paths are kept in the
// store as given (the store lives where every store does). The store gets
// the catalogue SYSDB and a volume id as lurdbadm create-service makes
// them, but no user (lurdbadm add-user adds one). Name rules as for every
// service (kBadServiceName); a service that has a store answers
// kLockedOrDuplicate and the store stays as it was.
LURDBCLI_EXPORT int32_t CreateDatabase(int32_t handle, const char* name, const char* databasePath,
                                       const char* archivePath) LURDBCLI_SYMBOL("_CreateDatabase$16");

// Connects a handle without a login, for administration calls. The stand-in
// has no server: any server name is accepted. Calls on a tablespace need
// the login (kNotConnected before it).
LURDBCLI_EXPORT int32_t Connect(int32_t handle, const char* server) LURDBCLI_SYMBOL("_Connect$8");

// Removes the store of a service with its side files (its archives stay);
// needs Connect or a login. Refused: an empty or bad name
// (kBadServiceName), a service without a store (kNoStore), the handle's
// own service and a service a live handle of any process is logged in to
// (kServiceInUse); logins of dead processes do not count.
LURDBCLI_EXPORT int32_t DropDatabase(int32_t handle, const char* name) LURDBCLI_SYMBOL("_DropDatabase$8");
// Creates an empty tablespace (no tables) in the login's store, with the
// lowest number from 1 on that no tablespace has (19 is SYSDB's), listed in
// SYSDB "tablespace" at version 0.0.0.0; inside the handle's transaction
// it is part of it. kLockedOrDuplicate for a name the store has (case
// ignored), kBadArgument for a name that cannot be one (empty, over 31
// characters, blanks, control characters, ".", '"' or "#").
LURDBCLI_EXPORT int32_t CreateTablespace(int32_t handle, const char* name) LURDBCLI_SYMBOL("_CreateTablespace$8");

// Rebuilds the indexes of one file (tablespace number; -1 all) of the
// handle's store; kUnknownTablespace for a number the store lacks; needs
// the login. Pointer pfReindex.
LURDBCLI_EXPORT int32_t Reindex(int32_t handle, int32_t file) LURDBCLI_SYMBOL("_Reindex$8");
// Rebuilds every index of the handle's store. Pointer pfReindexAll.
LURDBCLI_EXPORT int32_t ReindexAll(int32_t handle) LURDBCLI_SYMBOL("_Reindex$4");

// *block: count zero-terminated service names one after the other (the
// services that have a store under LURDB_DATA), *length the block's length
// in bytes; needs Connect or a login (kNotConnected).
LURDBCLI_EXPORT int32_t GetServiceNames(int32_t handle, char** block, int32_t* length, int32_t* count)
    LURDBCLI_SYMBOL("_GetServiceNames$16");

// *count: the number of records of the record type (0 for an empty table).
LURDBCLI_EXPORT int32_t GetCount(int32_t handle, int32_t dbNo, int32_t recType, int32_t* count)
    LURDBCLI_SYMBOL("_GetCount$16");
// Never called.
LURDBCLI_EXPORT int32_t GetConditionedCount(int32_t handle, int32_t dbNo, int32_t recType, int32_t fieldNo,
                                            int32_t condition, int32_t recordSize, const char* record, int32_t* count)
    LURDBCLI_SYMBOL("_GetConditionedCount$32");

// Continue FindRec: the next (previous) record whose current key equals the
// value in *record, strictly after (before) the handle's position in (key,
// insertion) order; among equal keys that is insertion order, and from a
// position on a smaller (greater) key value it is the first (last) equal
// record. Without a position: FindRecNext is FindRec, FindRecPrev the last
// equal record. Found: written into *record and made the position; 10002:
// nothing changes. kUnknownField when no key is current.
// FindRecPrev (below) is the mirror image of FindRecNext.
LURDBCLI_EXPORT int32_t FindRecNext(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record)
    LURDBCLI_SYMBOL("_FindRecNext$20");
LURDBCLI_EXPORT int32_t FindRecPrev(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record)
    LURDBCLI_SYMBOL("_FindRecPrev$20");
// Never called.
LURDBCLI_EXPORT int32_t StepToRelative(int32_t handle, int32_t dbNo, int32_t recType, int32_t steps)
    LURDBCLI_SYMBOL("_StepToRelative$16");
// *block: the handle's current record as stored now (recordSize bytes);
// 10002 without a position or when the record is gone. The position stays.
LURDBCLI_EXPORT int32_t ReadCurrentRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char** block)
    LURDBCLI_SYMBOL("_ReadCurrentRec$20");
// Never called.
LURDBCLI_EXPORT int32_t SetEventPtr(int32_t handle, void* callback) LURDBCLI_SYMBOL("_SetEventPtr$8");
// Never called.
LURDBCLI_EXPORT int32_t SetEventCookie(int32_t handle, int32_t cookie) LURDBCLI_SYMBOL("_SetEventCookie$8");

// Runs one SQL statement (callers pass flags 71). Not exported yet.
LURDBCLI_EXPORT int32_t SqlOperation(int32_t handle, const char* statement, int32_t flags)
    LURDBCLI_SYMBOL("_SqlOperation$12");
// The result of the last SqlOperation: tablespace number, record type, a
// block of whole records and the field names separated by tabs (either
// block may be null; both are returned with FreePtr). Not exported yet.
LURDBCLI_EXPORT int32_t SqlGetResult(int32_t handle, int32_t* dbNo, int32_t* recType, char** data, int32_t* length,
                                     char** fieldNames) LURDBCLI_SYMBOL("_SqlGetResult$24");
// The result text of the last SqlOperation (returned with FreePtr). Not
// exported yet.
LURDBCLI_EXPORT int32_t SqlGetResultText(int32_t handle, char** text) LURDBCLI_SYMBOL("_SqlGetResultText$8");

// Extension packages (ExtPackages.h: "RaRerurud" with "xd16", the volume id
// in 4 bytes; "LurTest" with "echo" and "fail"). Open needs the login;
// kNotSupported for an unknown package or function, kBadArgument for a call
// into a package the handle has not opened, kNotFound when closing one that
// is not open. A function's own failure is its status, with or without a
// block (which the caller releases with FreePtr).
LURDBCLI_EXPORT int32_t OpenExtPackage(int32_t handle, const char* name) LURDBCLI_SYMBOL("_OpenExtPackage$8");
LURDBCLI_EXPORT int32_t CloseExtPackage(int32_t handle, const char* name) LURDBCLI_SYMBOL("_CloseExtPackage$8");
// *length: in, the argument bytes; out, the result's length in *result.
LURDBCLI_EXPORT int32_t CallExtFnc(int32_t handle, const char* package, const char* function, const char* data,
                                   char** result, int32_t* length) LURDBCLI_SYMBOL("_CallExtFnc$24");

// Never called.
LURDBCLI_EXPORT int32_t CloseDb(int32_t handle, int32_t dbNo) LURDBCLI_SYMBOL("_CloseDb$8");
// Never called.
LURDBCLI_EXPORT int32_t OpenDbEx(int32_t handle, int32_t dbNo, const char* name) LURDBCLI_SYMBOL("_OpenDbEx$12");

// Opens a tablespace of the handle's store as the catalogue lists it: SYSDB
// "tablespace" must have a row of that number whose name equals the name
// without regard to case (SYSDB itself, 19, always opens). 10020 when this
// handle has it open already (callers treat that as success);
// kUnknownTablespace when the catalogue or the store has no such tablespace.
LURDBCLI_EXPORT int32_t OpenDbExA(int32_t handle, int32_t dbNo, const char* name, int32_t mode)
    LURDBCLI_SYMBOL("_OpenDbExA$16");

// Never called.
LURDBCLI_EXPORT int32_t GetLurVersion(int32_t handle, int32_t* major, int32_t* minor)
    LURDBCLI_SYMBOL("_GetLurVersion$12");

// *block, *length: the description blob of an open tablespace (the layout
// the database layer parses), generated from the stored schema. 10011 when
// the handle has not opened the tablespace.
LURDBCLI_EXPORT int32_t GetDbDescription(int32_t handle, int32_t dbNo, char** block, int32_t* length)
    LURDBCLI_SYMBOL("_GetDbDescription$16");

// Begins the handle's one transaction (the name is kept for messages; the
// last two arguments are 0). It spans every tablespace of the service, which
// share one store; outside a transaction every change commits on its own.
// 10023 when one is open already (it stays open).
LURDBCLI_EXPORT int32_t BeginTransaction(int32_t handle, const char* name, int32_t reserved1, int32_t reserved2)
    LURDBCLI_SYMBOL("_BeginTransaction$16");
// Never called.
LURDBCLI_EXPORT int32_t AddToTransaction(int32_t handle, int32_t dbNo, int32_t recType)
    LURDBCLI_SYMBOL("_AddToTransaction$12");
// Commits (commit 1) or rolls back (0) the open transaction; 0 when none.
LURDBCLI_EXPORT int32_t EndTransaction(int32_t handle, int32_t commit) LURDBCLI_SYMBOL("_EndTransaction$8");

// *value: the parameter's value as a zero-terminated text block, returned
// with FreePtr. Only "volumeid", "debuglog" (default "0") and "net_lock"
// ("1" or "0", default "0") exist; any other name answers kUnknownParameter.
LURDBCLI_EXPORT int32_t GetServerParam(int32_t handle, const char* name, char** value)
    LURDBCLI_SYMBOL("_GetServerParam$12");

// Blobs of the service, ids from 1, never -1. FindBlob hands out the bytes
// of a blob (*length of them, returned with FreePtr), 10002 for an unknown
// id. NewBlob stores length bytes of data (null with length 0) and writes
// the new id to *id. DelBlob deletes one, 10002 for an unknown id. All need
// the login.
LURDBCLI_EXPORT int32_t FindBlob(int32_t handle, int32_t id, int32_t* length, char** block)
    LURDBCLI_SYMBOL("_FindBlob$16");
LURDBCLI_EXPORT int32_t NewBlob(int32_t handle, int32_t* id, int32_t length, const char* data)
    LURDBCLI_SYMBOL("_NewBlob$16");
LURDBCLI_EXPORT int32_t DelBlob(int32_t handle, int32_t id) LURDBCLI_SYMBOL("_DelBlob$8");

// Moves in the current key's order, ties by insertion order; with no
// current key in insertion order. *block receives the record (recordSize
// bytes, returned with FreePtr), which becomes the handle's position.
// NextRec from no position is FirstRec, PrevRec from none LastRec. 10002
// when there is no record there (an empty table, or past either end): the
// position stays and *block is null.
LURDBCLI_EXPORT int32_t FirstRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char** block)
    LURDBCLI_SYMBOL("_FirstRec$20");
LURDBCLI_EXPORT int32_t PrevRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char** block)
    LURDBCLI_SYMBOL("_PrevRec$20");
LURDBCLI_EXPORT int32_t NextRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char** block)
    LURDBCLI_SYMBOL("_NextRec$20");
LURDBCLI_EXPORT int32_t LastRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char** block)
    LURDBCLI_SYMBOL("_LastRec$20");

// Makes a key field (its field number; a compound key orders by its
// components) the current key of the record type for this handle; -1 no
// key. The position stays on its record. kUnknownField for a field that is
// not a key.
LURDBCLI_EXPORT int32_t DefineKey(int32_t handle, int32_t dbNo, int32_t recType, int32_t fieldNo)
    LURDBCLI_SYMBOL("_DefineKey$16");

// Finds the first record in key order (ties: insertion order) whose
// current key equals the value in *record (text without regard to case; a
// compound key on every component), writes it into *record and makes it the
// position. 10002 when none (the position stays); kUnknownField when no key
// is current.
LURDBCLI_EXPORT int32_t FindRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record)
    LURDBCLI_SYMBOL("_FindRec$20");

// Record changes on the caller's own copy of the record; the stored record
// is written back into *record (NewRec, ModRec) and becomes the handle's
// position; after DelRec the position stays at the deleted record's place,
// so that NextRec and PrevRec go on from there. NewRec adds a record. ModRec and DelRec change the record that
// the current key's value in *record selects: the handle's current record
// of that table when its key has that value, otherwise the first such
// record in key order; with no current key, the current record; 10002 when
// there is none. A duplicate unique key on NewRec or ModRec answers 10005
// and stores nothing.
LURDBCLI_EXPORT int32_t NewRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record)
    LURDBCLI_SYMBOL("_NewRec$20");
LURDBCLI_EXPORT int32_t ModRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record)
    LURDBCLI_SYMBOL("_ModRec$20");
LURDBCLI_EXPORT int32_t DelRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t recordSize, char* record)
    LURDBCLI_SYMBOL("_DelRec$20");

// List searches, on any field (a compound key compares its components in
// order, as one row value). *length: in, the record size; out, the byte
// length of *result (whole records, returned with FreePtr). FindList is =,
// FindGreater >=, FindLess <= the field's value in *keyRecord. Results in
// search-field order, then insertion order; 10002 when none. List searches
// leave the handle's position alone.
LURDBCLI_EXPORT int32_t FindList(int32_t handle, int32_t* length, const char* keyRecord, char** result, int32_t dbNo,
                                 int32_t recType, int32_t fieldNo) LURDBCLI_SYMBOL("_FindList$28");
LURDBCLI_EXPORT int32_t FindGreater(int32_t handle, int32_t* length, const char* keyRecord, char** result, int32_t dbNo,
                                    int32_t recType, int32_t fieldNo) LURDBCLI_SYMBOL("_FindGreater$28");
LURDBCLI_EXPORT int32_t FindLess(int32_t handle, int32_t* length, const char* keyRecord, char** result, int32_t dbNo,
                                 int32_t recType, int32_t fieldNo) LURDBCLI_SYMBOL("_FindLess$28");
// Every record of the table in the current key's order (ties and no key:
// insertion order); *length as for FindList; 10002 for an empty table.
LURDBCLI_EXPORT int32_t GetAllRec(int32_t handle, int32_t dbNo, int32_t recType, int32_t* length, char** result)
    LURDBCLI_SYMBOL("_GetAllRec$20");

// Raw data of a tablespace, kept per (tablespace, mode, first key, second
// key). WriteData stores *data under (key, second key 0), replacing what
// was there; FindData hands out the bytes of (firstKey, secondKey), 10002
// when there are none.
LURDBCLI_EXPORT int32_t FindData(int32_t handle, int32_t* length, char** block, int32_t secondKey, int32_t firstKey,
                                 int32_t dbNo, int32_t mode) LURDBCLI_SYMBOL("_FindData$28");
LURDBCLI_EXPORT int32_t WriteData(int32_t handle, int32_t length, const char* const* data, int32_t key, int32_t dbNo,
                                  int32_t mode) LURDBCLI_SYMBOL("_WriteData$24");

// Locks per (tablespace, record type); mode 'r' shared, others exclusive;
// owned by the handle until UnlockRecord or FreeDbHandler (a dead process's
// locks are dropped). Locks stand apart from transactions: a rollback does
// not release one taken inside it. LockRecord: 10005 when another owner holds a
// conflicting lock; locking again changes the mode. UnlockRecord: 10002 when
// the handle holds none. WhoMadeLock: "USER@COMPUTER" of the lock in the way
// of that mode (else of any lock) in a 32-byte buffer; 10002 when none.
LURDBCLI_EXPORT int32_t LockRecord(int32_t handle, int32_t dbNo, int32_t recType, int32_t mode)
    LURDBCLI_SYMBOL("_LockRecord$16");
LURDBCLI_EXPORT int32_t UnlockRecord(int32_t handle, int32_t dbNo, int32_t recType, int32_t mode)
    LURDBCLI_SYMBOL("_UnlockRecord$16");
LURDBCLI_EXPORT int32_t WhoMadeLock(int32_t handle, int32_t dbNo, int32_t recType, int32_t mode, char* holder)
    LURDBCLI_SYMBOL("_WhoMadeLock$20");

// Next value of a named counter of the service (created on first use, first
// value 1); needs the login. A name that is the seq_name of a row of SYSDB's
// "sequencies" (case ignored as by the store's text keys) draws from that
// row instead, in one write transaction (the handle's own when it has one):
// the value is seq_id, and seq_id + seq_step is stored for the next draw.
// A draw never answers a value outside seq_min..seq_max (SequenceLow,
// SequenceHigh: 0 is the end of the 32-bit range). A row going up
// (seq_step > 0) ends at seq_max, one going down at seq_min: a seq_id
// beyond the other bound answers SequenceStart; a seq_id past the end
// starts the row again at SequenceStart when seq_recycle is 1, otherwise
// the draw answers kSequenceExhausted and changes nothing. The last value
// of the range is answered too: when no 32-bit seq_id can follow it
// (2147483647 going up, -2147483648 going down), seq_id keeps that value
// and the store marks the row spent: its next draw goes on from seq_id +
// seq_step (exhausted, or with cycle the start), until a write gives the
// row another seq_id or name or removes it. A row SequenceFault refuses
// answers kSequenceUnusable and changes nothing. seq_chace is not used.
LURDBCLI_EXPORT int32_t GetNextId(int32_t handle, const char* counter, int32_t* value) LURDBCLI_SYMBOL("_GetNextId$12");
// Seconds since 1970-01-01 00:00 UTC.
LURDBCLI_EXPORT int32_t GetServerTime(int32_t handle, int32_t* time) LURDBCLI_SYMBOL("_GetServerTime$8");

// Never called.
LURDBCLI_EXPORT int32_t GetStatuses(int32_t handle, char** block, int32_t* length) LURDBCLI_SYMBOL("_GetStatuses$12");
// Never called.
LURDBCLI_EXPORT int32_t DbStatistic(int32_t handle, int32_t dbNo, char** block, int32_t* length)
    LURDBCLI_SYMBOL("_DbStatistic$16");
// Never called.
LURDBCLI_EXPORT int32_t KillUser(int32_t handle, int32_t user) LURDBCLI_SYMBOL("_KillUser$8");
// Never called.
LURDBCLI_EXPORT int32_t GetMaxuser(int32_t handle) LURDBCLI_SYMBOL("_GetMaxuser$4");
// Never called.
LURDBCLI_EXPORT int32_t GetCompanyDataFile(int32_t handle, char** block, int32_t* length)
    LURDBCLI_SYMBOL("_GetCompanyDataFile$12");

// A cursor has a position of its own along a key (field number; -1 none) of
// one record type, apart from the handle's. CursorOperation moves it
// (0 first, 1 previous, 2 next, 3 last, 4 current) and writes the record
// into *record; 10002 when there is none there; cursor ids from 1.
// CursorCreate writes the new id to *cursor; CursorDrop releases one (10002
// for an id the handle does not have).
LURDBCLI_EXPORT int32_t CursorCreate(int32_t handle, int32_t dbNo, int32_t recType, int32_t fieldNo, int32_t* cursor)
    LURDBCLI_SYMBOL("_CursorCreate$20");
LURDBCLI_EXPORT int32_t CursorDrop(int32_t handle, int32_t cursor) LURDBCLI_SYMBOL("_CursorDrop$8");
LURDBCLI_EXPORT int32_t CursorOperation(int32_t handle, int32_t cursor, int32_t move, int32_t recordSize, char* record)
    LURDBCLI_SYMBOL("_CursorOperation$20");
// BookmarkCreate writes the new id to *bookmark; BookmarkDrop releases one
// (10002 for an id the handle does not have).
LURDBCLI_EXPORT int32_t BookmarkCreate(int32_t handle, int32_t dbNo, int32_t recType, int32_t* bookmark)
    LURDBCLI_SYMBOL("_BookmarkCreate$16");
LURDBCLI_EXPORT int32_t BookmarkDrop(int32_t handle, int32_t bookmark) LURDBCLI_SYMBOL("_BookmarkDrop$8");
// A bookmark remembers a position of one record type of the handle
// (BookmarkCreate gives ids from 1). Operation 0 marks the current position,
// 1 makes the marked record current again (then ReadCurrentRec reads it);
// 10002 for an unknown bookmark or one that marks no record.
LURDBCLI_EXPORT int32_t BookmarkOperation(int32_t handle, int32_t bookmark, int32_t operation)
    LURDBCLI_SYMBOL("_BookmarkOperation$12");

// The records whose search field equals that field of any record of the
// list at *listData (*length bytes in, whole records; result length out).
// One statement whatever the list's length; an empty list (data may then be
// null) finds nothing: 10002. Order as for FindList.
LURDBCLI_EXPORT int32_t FindListOr(int32_t handle, int32_t* length, const char* const* listData, char** result,
                                   int32_t dbNo, int32_t recType, int32_t fieldNo) LURDBCLI_SYMBOL("_FindListOr$28");

// *block: kLockEntrySize-byte entries of the service's locks, *length their
// byte length (0 and an empty block when there are none), returned with
// FreePtr. Pointer pfGetLockList.
LURDBCLI_EXPORT int32_t GetRecLocks(int32_t handle, int32_t* length, char** block) LURDBCLI_SYMBOL("_GetRecLocks$12");

// Checks user and password against the service's SYSDB "dbuser" as
// InitUserEx does (10014, 10067, 10068) and restores the time stamps of the
// service's files: the store file's modification time becomes the newest
// last-change time of its tables (unchanged when no table was ever
// changed); needs Connect or a login.
LURDBCLI_EXPORT int32_t RestoreTimestamps(int32_t handle, const char* service, const char* user, const char* password)
    LURDBCLI_SYMBOL("_RestoreTimestamps$16");
// Three numbers of a data file of a service, named by a 60-byte file entry
// of its description: the record type at offset 52 and the tablespace
// number at 56 (int32, as GetDbDescription writes them) select the table.
// *first is 0, *second the table's record count, *third the UTC time
// (32-bit seconds) of the table's last committed change (NewRec, ModRec,
// DelRec, Truncate; a rolled-back change leaves it), 0 when none. Needs
// Connect or a login; kUnknownTablespace, kUnknownRecordType for an entry the service
// has no table of.
LURDBCLI_EXPORT int32_t GetV3FileInfo(int32_t handle, const char* service, const char* fileEntry, int32_t* first,
                                      int32_t* second, int32_t* third) LURDBCLI_SYMBOL("_GetV3FileInfo$24");
// *block: int32 count, then per tablespace of the service (SYSDB included,
// by number) its name zero-padded to 260 bytes, int32 length n and the n
// bytes of its description blob (as GetDbDescription); *length the block's
// length. Needs Connect or a login.
LURDBCLI_EXPORT int32_t GetAllBinaryDescriptor(int32_t handle, const char* service, char** block, int32_t* length)
    LURDBCLI_SYMBOL("_GetAllBinaryDescriptor$16");
// Never called.
LURDBCLI_EXPORT int32_t Restructure(int32_t handle, int32_t dbNo, const char* description, int32_t length)
    LURDBCLI_SYMBOL("_Restructure$16");

// Stores "debuglog" as the given text, and "net_lock" as "1" for "true" or
// "1" and "0" for "false" or "0" (case ignored; another value answers
// kBadArgument); "volumeid" is fixed when the service is created
// (kNotSupported); any other name answers kUnknownParameter.
LURDBCLI_EXPORT int32_t SetServerParam(int32_t handle, const char* name, const char* value)
    LURDBCLI_SYMBOL("_SetServerParam$12");
// entries: length / kLockRequestSize requests, locked all or none (10005).
LURDBCLI_EXPORT int32_t LockRecords(int32_t handle, int32_t length, const char* entries)
    LURDBCLI_SYMBOL("_LockRecords$12");
// Never called.
LURDBCLI_EXPORT int32_t SetUserInfo(int32_t handle, const char* info) LURDBCLI_SYMBOL("_SetUserInfo$8");

// The records whose search field lies between the fields of *low and *high,
// both inclusive; *length: in, the record size; out, the result's byte
// length. Order as for FindList; 10002 when none.
LURDBCLI_EXPORT int32_t FindBetween(int32_t handle, int32_t dbNo, int32_t recType, const char* low, const char* high,
                                    char** result, int32_t fieldNo, int32_t* length) LURDBCLI_SYMBOL("_FindBetween$32");

// Deletes every record of a record type (-1: of every table of the tablespace).
LURDBCLI_EXPORT int32_t TruncateFile(int32_t handle, int32_t dbNo, int32_t recType) LURDBCLI_SYMBOL("_TruncateFile$12");
// Never called.
LURDBCLI_EXPORT int32_t ServerLog(int32_t handle, const char* text) LURDBCLI_SYMBOL("_ServerLog$8");

// Blob streams, identified by the caller's stream number (per handle),
// each over an existing blob (CreateBlobStream's value is its id; 10002
// when there is none, 10005 for a number in use). ReadBlobStream hands out
// the blob in pieces of up to 4096 bytes, then 10073 and nothing else.
// WriteBlobStream collects the 8 bytes of its two values (little-endian);
// CloseBlobStream with flag 1 makes what was collected the blob's content
// as a whole, with 0 drops it, and starts reading over. DestroyBlobStream
// frees the number.
LURDBCLI_EXPORT int32_t CreateBlobStream(int32_t handle, int32_t stream, int32_t value)
    LURDBCLI_SYMBOL("_CreateBlobStream$12");
LURDBCLI_EXPORT int32_t WriteBlobStream(int32_t handle, int32_t stream, int32_t first, int32_t second)
    LURDBCLI_SYMBOL("_WriteBlobStream$16");
// 10073 at the end of the stream.
LURDBCLI_EXPORT int32_t ReadBlobStream(int32_t handle, int32_t stream, int32_t* length, char** block)
    LURDBCLI_SYMBOL("_ReadBlobStream$16");
LURDBCLI_EXPORT int32_t CloseBlobStream(int32_t handle, int32_t stream, int32_t flag)
    LURDBCLI_SYMBOL("_CloseBlobStream$12");
LURDBCLI_EXPORT int32_t DestroyBlobStream(int32_t handle, int32_t stream) LURDBCLI_SYMBOL("_DestroyBlobStream$8");

}  // extern "C"

// Function pointer types, one per function.
using FreePtrFn = decltype(&FreePtr);
using CreateDbHandlerFn = decltype(&CreateDbHandler);
using InitUserExFn = decltype(&InitUserEx);
using SetCodeFn = decltype(&SetCode);
using FreeDbHandlerFn = decltype(&FreeDbHandler);
using ArchiveDbFn = decltype(&ArchiveDb);
using RestoreArchiveFn = decltype(&RestoreArchive);
using CreateDatabaseFn = decltype(&CreateDatabase);
using ConnectFn = decltype(&Connect);
using DropDatabaseFn = decltype(&DropDatabase);
using CreateTablespaceFn = decltype(&CreateTablespace);
using ReindexFn = decltype(&Reindex);
using ReindexAllFn = decltype(&ReindexAll);
using GetServiceNamesFn = decltype(&GetServiceNames);
using GetCountFn = decltype(&GetCount);
using GetConditionedCountFn = decltype(&GetConditionedCount);
using FindRecNextFn = decltype(&FindRecNext);
using FindRecPrevFn = decltype(&FindRecPrev);
using StepToRelativeFn = decltype(&StepToRelative);
using ReadCurrentRecFn = decltype(&ReadCurrentRec);
using SetEventPtrFn = decltype(&SetEventPtr);
using SetEventCookieFn = decltype(&SetEventCookie);
using SqlGetResultFn = decltype(&SqlGetResult);
using SqlGetResultTextFn = decltype(&SqlGetResultText);
using OpenExtPackageFn = decltype(&OpenExtPackage);
using CloseExtPackageFn = decltype(&CloseExtPackage);
using CallExtFncFn = decltype(&CallExtFnc);
using CloseDbFn = decltype(&CloseDb);
using OpenDbExFn = decltype(&OpenDbEx);
using OpenDbExAFn = decltype(&OpenDbExA);
using GetLurVersionFn = decltype(&GetLurVersion);
using GetDbDescriptionFn = decltype(&GetDbDescription);
using BeginTransactionFn = decltype(&BeginTransaction);
using AddToTransactionFn = decltype(&AddToTransaction);
using EndTransactionFn = decltype(&EndTransaction);
using GetServerParamFn = decltype(&GetServerParam);
using FindBlobFn = decltype(&FindBlob);
using NewBlobFn = decltype(&NewBlob);
using DelBlobFn = decltype(&DelBlob);
using FirstRecFn = decltype(&FirstRec);
using PrevRecFn = decltype(&PrevRec);
using NextRecFn = decltype(&NextRec);
using LastRecFn = decltype(&LastRec);
using DefineKeyFn = decltype(&DefineKey);
using FindRecFn = decltype(&FindRec);
using NewRecFn = decltype(&NewRec);
using ModRecFn = decltype(&ModRec);
using DelRecFn = decltype(&DelRec);
using FindDataFn = decltype(&FindData);
using WriteDataFn = decltype(&WriteData);
using LockRecordFn = decltype(&LockRecord);
using UnlockRecordFn = decltype(&UnlockRecord);
using WhoMadeLockFn = decltype(&WhoMadeLock);
using GetNextIdFn = decltype(&GetNextId);
using GetServerTimeFn = decltype(&GetServerTime);
using GetStatusesFn = decltype(&GetStatuses);
using DbStatisticFn = decltype(&DbStatistic);
using KillUserFn = decltype(&KillUser);
using GetMaxuserFn = decltype(&GetMaxuser);
using GetCompanyDataFileFn = decltype(&GetCompanyDataFile);
using CursorCreateFn = decltype(&CursorCreate);
using CursorDropFn = decltype(&CursorDrop);
using CursorOperationFn = decltype(&CursorOperation);
using BookmarkCreateFn = decltype(&BookmarkCreate);
using BookmarkDropFn = decltype(&BookmarkDrop);
using BookmarkOperationFn = decltype(&BookmarkOperation);
using FindListFn = decltype(&FindList);
using FindGreaterFn = decltype(&FindGreater);
using FindLessFn = decltype(&FindLess);
using GetAllRecFn = decltype(&GetAllRec);
using SqlOperationFn = decltype(&SqlOperation);
using FindListOrFn = decltype(&FindListOr);
using GetLockListFn = decltype(&GetRecLocks);
using RestoreTimestampsFn = decltype(&RestoreTimestamps);
using GetV3FileInfoFn = decltype(&GetV3FileInfo);
using GetAllBinaryDescriptorFn = decltype(&GetAllBinaryDescriptor);
using RestructureFn = decltype(&Restructure);
using SetServerParamFn = decltype(&SetServerParam);
using LockRecordsFn = decltype(&LockRecords);
using SetUserInfoFn = decltype(&SetUserInfo);
using FindBetweenFn = decltype(&FindBetween);
using TruncateFileFn = decltype(&TruncateFile);
using ServerLogFn = decltype(&ServerLog);
using CreateBlobStreamFn = decltype(&CreateBlobStream);
using WriteBlobStreamFn = decltype(&WriteBlobStream);
using ReadBlobStreamFn = decltype(&ReadBlobStream);
using CloseBlobStreamFn = decltype(&CloseBlobStream);
using DestroyBlobStreamFn = decltype(&DestroyBlobStream);

// One entry per function in the loader's member order: the loader's pointer
// name (what a caller reports when the function is missing), the exported
// symbol, and the position at which the loader looks it up (1-88).
struct ClientFunction {
    const char* pointerName;
    const char* symbol;
    int fetchOrder;
};

inline constexpr ClientFunction kClientFunctions[] = {
    {"pfFreePtr", "_FreePtr$4", 1},
    {"pfCreateDbHandler", "_CreateDbHandler$4", 2},
    {"pfInitUserEx", "_InitUserEx$8", 3},
    {"pfSetCode", "_SetCode$12", 4},
    {"pfFreeDbHandler", "_FreeDbHandler$4", 5},
    {"pfArchiveDb", "_ArchiveDb$4", 6},
    {"pfRestoreArchive", "_RestoreArchive$8", 7},
    {"pfCreateDatabase", "_CreateDatabase$16", 8},
    {"pfConnect", "_Connect$8", 9},
    {"pfDropDatabase", "_DropDatabase$8", 10},
    {"pfCreateTablespace", "_CreateTablespace$8", 11},
    {"pfReindex", "_Reindex$8", 12},
    {"pfReindexAll", "_Reindex$4", 13},
    {"pfGetServiceNames", "_GetServiceNames$16", 14},
    {"pfFindRecNext", "_FindRecNext$20", 17},
    {"pfFindRecPrev", "_FindRecPrev$20", 18},
    {"pfStepToRelative", "_StepToRelative$16", 19},
    {"pfReadCurrentRec", "_ReadCurrentRec$20", 20},
    {"pfSetEventPtr", "_SetEventPtr$8", 21},
    {"pfSetEventCookie", "_SetEventCookie$8", 22},
    {"pfSqlGetResult", "_SqlGetResult$24", 24},
    {"pfSqlGetResultText", "_SqlGetResultText$8", 25},
    {"pfOpenExtPackage", "_OpenExtPackage$8", 26},
    {"pfCloseExtPackage", "_CloseExtPackage$8", 27},
    {"pfCallExtFnc", "_CallExtFnc$24", 28},
    {"pfCloseDb", "_CloseDb$8", 29},
    {"pfOpenDbEx", "_OpenDbEx$12", 30},
    {"pfOpenDbExA", "_OpenDbExA$16", 31},
    {"pfGetLurVersion", "_GetLurVersion$12", 32},
    {"pfGetDbDescription", "_GetDbDescription$16", 33},
    {"pfBeginTransaction", "_BeginTransaction$16", 34},
    {"pfAddToTransaction", "_AddToTransaction$12", 35},
    {"pfEndTransaction", "_EndTransaction$8", 36},
    {"pfGetServerParam", "_GetServerParam$12", 37},
    {"pfFindBlob", "_FindBlob$16", 38},
    {"pfNewBlob", "_NewBlob$16", 39},
    {"pfDelBlob", "_DelBlob$8", 40},
    {"pfFirstRec", "_FirstRec$20", 41},
    {"pfPrevRec", "_PrevRec$20", 42},
    {"pfNextRec", "_NextRec$20", 43},
    {"pfLastRec", "_LastRec$20", 44},
    {"pfDefineKey", "_DefineKey$16", 45},
    {"pfFindRec", "_FindRec$20", 46},
    {"pfNewRec", "_NewRec$20", 47},
    {"pfModRec", "_ModRec$20", 48},
    {"pfDelRec", "_DelRec$20", 49},
    {"pfFindData", "_FindData$28", 54},
    {"pfWriteData", "_WriteData$24", 55},
    {"pfLockRecord", "_LockRecord$16", 56},
    {"pfUnlockRecord", "_UnlockRecord$16", 57},
    {"pfWhoMadeLock", "_WhoMadeLock$20", 58},
    {"pfGetNextId", "_GetNextId$12", 59},
    {"pfGetServerTime", "_GetServerTime$8", 60},
    {"pfGetStatuses", "_GetStatuses$12", 61},
    {"pfDbStatistic", "_DbStatistic$16", 62},
    {"pfKillUser", "_KillUser$8", 63},
    {"pfGetMaxuser", "_GetMaxuser$4", 64},
    {"pfGetCompanyDataFile", "_GetCompanyDataFile$12", 65},
    {"pfCursorCreate", "_CursorCreate$20", 66},
    {"pfCursorDrop", "_CursorDrop$8", 67},
    {"pfCursorOperation", "_CursorOperation$20", 68},
    {"pfBookmarkCreate", "_BookmarkCreate$16", 69},
    {"pfBookmarkDrop", "_BookmarkDrop$8", 70},
    {"pfBookmarkOperation", "_BookmarkOperation$12", 71},
    {"pfGetCount", "_GetCount$16", 15},
    {"pfGetConditionedCount", "_GetConditionedCount$32", 16},
    {"pfFindList", "_FindList$28", 50},
    {"pfFindGreater", "_FindGreater$28", 51},
    {"pfFindLess", "_FindLess$28", 52},
    {"pfGetAllRec", "_GetAllRec$20", 53},
    {"pfSqlOperation", "_SqlOperation$12", 23},
    {"pfFindListOr", "_FindListOr$28", 72},
    {"pfGetLockList", "_GetRecLocks$12", 73},
    {"pfRestoreTimestamps", "_RestoreTimestamps$16", 74},
    {"pfGetV3FileInfo", "_GetV3FileInfo$24", 75},
    {"pfGetAllBinaryDescriptor", "_GetAllBinaryDescriptor$16", 76},
    {"pfRestructure", "_Restructure$16", 77},
    {"pfSetServerParam", "_SetServerParam$12", 78},
    {"pfLockRecords", "_LockRecords$12", 79},
    {"pfSetUserInfo", "_SetUserInfo$8", 80},
    {"pfFindBetween", "_FindBetween$32", 81},
    {"pfTruncateFile", "_TruncateFile$12", 82},
    {"pfServerLog", "_ServerLog$8", 83},
    {"pfCreateBlobStream", "_CreateBlobStream$12", 84},
    {"pfWriteBlobStream", "_WriteBlobStream$16", 85},
    {"pfReadBlobStream", "_ReadBlobStream$16", 86},
    {"pfCloseBlobStream", "_CloseBlobStream$12", 87},
    {"pfDestroyBlobStream", "_DestroyBlobStream$8", 88},
};
static_assert(sizeof(kClientFunctions) / sizeof(kClientFunctions[0]) == 88);

}  // namespace lurdbcli
