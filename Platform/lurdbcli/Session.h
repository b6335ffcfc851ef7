// One client handle: its store (after the login), the tablespaces it has
// opened, its current key and position per record type, and its one
// transaction. Operations throw StoreError with the status to answer.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "HandOutBlock.h"
#include "LockFile.h"
#include "Schema.h"
#include "Store.h"

namespace lurdbcli {

class Session {
public:
    explicit Session(int32_t handle) : m_handle(handle) {}
    // Rolls back an open transaction and releases the handle's locks.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The login of the connect block: opens the store of its service and
    // checks user and password against SYSDB "dbuser".
    void Login(const char* connectInfo);
    void ConnectServer() { m_connected = true; }
    // The services that have a store (code page 1250 names); needs Connect
    // or a login.
    std::vector<std::string> ServiceNames() const;

    // Administration (SessionAdmin.cpp); the rules are those of lurdbcli.h.
    // On the server (Connect or a login):
    void CreateDatabase(const std::string& nameAndCollation, const std::string& databasePath,
                        const std::string& archivePath);
    void DropDatabase(const std::string& name);
    // The GetAllBinaryDescriptor block of a service.
    std::string AllDescriptions(const std::string& service) const;
    struct FileInfo {
        int32_t first = 0;
        int32_t records = 0;
        int32_t lastChange = 0;  // UTC seconds of the table's last committed change; 0 when none
    };
    FileInfo DataFileInfo(const std::string& service, const char* fileEntry) const;
    void RestoreTimestamps(const std::string& service, const std::string& user, const std::string& password) const;
    // On the login's store:
    void CreateTablespace(const std::string& name);
    void ArchiveDb();
    void RestoreArchive(const std::string& archive);
    void SetCode(std::string code) { m_code = std::move(code); }

    // Tablespaces.
    int32_t OpenTablespace(int32_t dbNo, const std::string& name);  // 0 or kAlreadyOpen
    std::string Description(int32_t dbNo);

    // Keys and moves. The record image is written into record. A move or
    // find that meets no record answers false and leaves the position as it
    // was: walks and lookups miss often, so a miss is no exception. The two
    // are flattened (every call they make inlined, the first preparation of
    // a statement excepted): each walk step and keyed find runs them, and
    // one compact body costs less than a chain of small calls spread over
    // the library's code.
    void DefineKey(int32_t dbNo, int32_t recType, int32_t fieldNo);
    enum class Move { First = 0, Prev = 1, Next = 2, Last = 3, Current = 4 };  // the move codes
    [[gnu::flatten]] bool MoveTo(int32_t dbNo, int32_t recType, int32_t recordSize, Move move, char* record);
    enum class Find { First, Next, Prev };
    [[gnu::flatten]] bool FindRec(int32_t dbNo, int32_t recType, int32_t recordSize, Find find, char* record);

    // Record changes on the caller's copy.
    void NewRec(int32_t dbNo, int32_t recType, int32_t recordSize, char* record);
    void ModRec(int32_t dbNo, int32_t recType, int32_t recordSize, char* record);
    void DelRec(int32_t dbNo, int32_t recType, int32_t recordSize, const char* record);
    void Truncate(int32_t dbNo, int32_t recType);

    // List searches: whole records, in search-field order, then insertion
    // order. kNotFound when none.
    enum class Compare { Equal, GreaterOrEqual, LessOrEqual };
    HandOutBlock FindList(int32_t dbNo, int32_t recType, int32_t recordSize, int32_t fieldNo, Compare compare,
                          const char* keyRecord);
    HandOutBlock FindListOr(int32_t dbNo, int32_t recType, int32_t fieldNo, const char* list, int32_t length);
    HandOutBlock FindBetween(int32_t dbNo, int32_t recType, int32_t recordSize, int32_t fieldNo, const char* low,
                             const char* high);
    HandOutBlock AllRecords(int32_t dbNo, int32_t recType, int32_t recordSize);
    int32_t Count(int32_t dbNo, int32_t recType);

    // Transactions.
    void Begin();
    void End(bool commit);

    // Server parameters, counters, time, maintenance.
    std::string ServerParam(const std::string& name);
    void SetServerParam(const std::string& name, const std::string& value);
    int32_t NextId(const std::string& counter);
    void Reindex(int32_t dbNo);  // -1: every tablespace

    // Locks per (tablespace, record type): mode 'r' shared, others
    // exclusive; owned by this process and handle.
    void Lock(int32_t dbNo, int32_t recType, char mode);
    void Unlock(int32_t dbNo, int32_t recType);
    std::string LockHolder(int32_t dbNo, int32_t recType, char mode);
    std::string LockList();
    void LockAll(const char* entries, int32_t length);  // all or none
    // Whether a live process other than this one is logged in to the
    // handle's service.
    bool OtherProcessesLoggedIn();

    // Cursors: a position of their own along a key (field number, -1 none)
    // of one record type; moves as MoveTo with codes 0 first, 1 previous,
    // 2 next, 3 last, 4 current.
    int32_t CreateCursor(int32_t dbNo, int32_t recType, int32_t fieldNo);
    void DropCursor(int32_t id);
    void CursorMove(int32_t id, int32_t move, int32_t recordSize, char* record);

    // Bookmarks: a remembered position of one record type (ids from 1).
    int32_t CreateBookmark(int32_t dbNo, int32_t recType);
    void DropBookmark(int32_t id);
    void BookmarkOperation(int32_t id, int32_t operation);  // 0 mark, 1 go to the mark

    // Blobs.
    std::string ReadBlob(int32_t id);
    int32_t WriteBlob(const char* data, int32_t length);
    void DeleteBlob(int32_t id);

    // Raw data (Blobs.cpp): bytes kept per (tablespace, mode, first key,
    // second key); WriteData writes second key 0. kNotFound when none.
    std::string FindData(int32_t dbNo, int32_t mode, int32_t firstKey, int32_t secondKey);
    void WriteData(int32_t dbNo, int32_t mode, int32_t key, const char* data, int32_t length);
    // Blob streams, numbered by the caller, over an existing blob: reads
    // give the blob in pieces (kEndOfStream after the last); writes collect
    // the two 32-bit values' bytes; closing with keep replaces the blob's
    // content by what was written, as a whole; without, it is dropped.
    void CreateBlobStream(int32_t stream, int32_t blobId);
    void WriteBlobStream(int32_t stream, int32_t first, int32_t second);
    std::string ReadBlobStream(int32_t stream);
    void CloseBlobStream(int32_t stream, bool keep);
    void DestroyBlobStream(int32_t stream);

    Store& LoggedIn();

    // The extension packages this handle has open (names as the package
    // table spells them).
    std::set<std::string>& OpenPackages() { return m_openPackages; }

private:
    // A walk left open by a move inside a transaction: its statement stands
    // on the position's row as long as it has made no other move since, so
    // the next move the same way along the same key steps it instead of
    // seeking again. It serves only the transaction it began in: positions
    // (cursors', bookmarks') may outlive the statement itself.
    struct Walk {
        Statement* statement = nullptr;
        uint64_t moves = 0;        // the statement's Moves() when it stood on the row
        uint64_t transaction = 0;  // m_transactionsBegun when it began
        bool forward = true;
        int keyField = -1;
    };
    struct Position {
        int32_t keyField = -1;  // field index in the table; -1 no key
        bool valid = false;
        long long rowid = 0;
        std::vector<KeptColumn> row;  // by field index: the current row's values of key fields (others empty)
        Walk walk;                    // set only by the move that read the row
    };
    // The SQL of one open table, built once per login: quoted names and the
    // statements prepared for it (owned by the connection), by operation
    // and key field, so that no call rebuilds or looks up statement text.
    struct TableSql {
        std::string name;                  // quoted table name
        std::vector<std::string> columns;  // quoted field names by field index ("" for fields without a value)
        std::string selectList;            // "SELECT rowid, <value columns> FROM <name>"
        std::string returning;             // " RETURNING rowid, <value columns>"
        std::vector<std::vector<size_t>> keyColumns;  // by field index: the value columns ordering by it
        std::vector<bool> inKey;  // by field index: the field orders some key (kept in Position::row)
        // The key columns (not floating) that an update of the current record
        // compares instead of assigning while they keep their value, so that
        // no index (nor the clustered row) is rewritten for them.
        std::vector<size_t> comparedKeys;
        bool storesAsBound = true;      // no floating value fields: every column stores exactly the value bound
        bool valuesFillRecord = false;  // a row read writes every byte of the record: it need not be cleared first
        // By (key field + 1) * kSqlOperations + operation; grown as needed.
        std::vector<Statement*> statements;
        // The fields with a column, in column order (after the rowid), and
        // whether each orders some key: what a row read walks through.
        struct ValueField {
            size_t field;
            bool inKey;
        };
        std::vector<ValueField> valueFields;
        std::vector<Statement*> walks;  // the statements of moves, which a walk may leave open
    };
    // The statements of a table; with a key field where the text depends on it.
    enum class Sql {
        First,
        Last,
        Current,
        Next,
        Prev,
        Find,
        FindBack,
        FindNext,
        FindPrev,
        Target,
        CurrentExists,
        NextRowid,
        Insert,
        UpdateCurrent,
        Update,
        DeleteCurrent,
        Delete,
        ListEqual,
        ListGreater,
        ListLess,
        ListOr,
        Between,
        All,
        Count,
        Truncate
    };
    static constexpr size_t kSqlOperations = static_cast<size_t>(Sql::Truncate) + 1;
    struct TableRef {
        const TablespaceDef& tablespace;
        const TableDef& table;
        int32_t index;  // the table's position in the tablespace
        Position& position;
        TableSql& sql;
    };

    // The table's reference, from the recent tables where it is among them
    // (inline: every call starts here), else looked up and remembered.
    TableRef Table(int32_t dbNo, int32_t recType) {
        if (m_store) {
            for (const RecentTable& recent : m_recentTables) {
                if (recent.tablespace != nullptr && recent.dbNo == dbNo && recent.recType == recType) {
                    return TableRef{*recent.tablespace, *recent.table, recent.index, *recent.position, *recent.sql};
                }
            }
        }
        return RememberTable(dbNo, recType);
    }
    TableRef RememberTable(int32_t dbNo, int32_t recType);
    // The table's reference found through the maps, for a table not among
    // the recent ones; its SQL is built at the table's first use.
    TableRef LookUpTable(int32_t dbNo, int32_t recType);
    // The same for a call with a record, whose size must be the table's.
    TableRef Table(int32_t dbNo, int32_t recType, int32_t recordSize) {
        TableRef ref = Table(dbNo, recType);
        if (recordSize != ref.table.RecordSize()) {
            ThrowBadRecordSize(ref, recordSize);
        }
        return ref;
    }
    [[noreturn]] static void ThrowBadRecordSize(const TableRef& ref, int32_t recordSize);
    const FieldDef& FieldByNumber(const TableRef& ref, int32_t fieldNo) const;
    // The value columns that order by a field (a compound key: its
    // components); none for -1.
    static const std::vector<size_t>& KeyColumns(const TableRef& ref, int fieldIndex);
    std::string OrderBy(const TableRef& ref, const std::vector<size_t>& columns, bool descending) const;
    static std::string RowValueList(size_t count);
    // "<column> = ? AND ..." for the columns, ending in "AND ".
    static std::string KeyMatch(const TableRef& ref, const std::vector<size_t>& columns);
    // The table's statement for an operation (and key field), prepared at its
    // first use from the text build() gives; reset, without bindings.
    template <class Build>
    Statement& Prepared(TableRef& ref, Sql operation, int keyField, Build&& build) {
        const size_t index = static_cast<size_t>(keyField + 1) * kSqlOperations + static_cast<size_t>(operation);
        if (index < ref.sql.statements.size()) [[likely]] {
            if (Statement* statement = ref.sql.statements[index]) [[likely]] {
                return statement->Reset();
            }
        }
        return Prepare(ref, index, std::forward<Build>(build));
    }
    // Prepared's first use of a statement, kept out of the calls' code (and
    // with it the building of the text), so that their code stays small.
    template <class Build>
    [[gnu::noinline, gnu::cold]] Statement& Prepare(TableRef& ref, size_t index, Build&& build) {
        if (index >= ref.sql.statements.size()) {
            ref.sql.statements.resize(index + 1);
        }
        Statement*& slot = ref.sql.statements[index];
        if (slot == nullptr) {
            slot = &LoggedIn().Db().Cached(build());
        }
        return slot->Reset();
    }
    static void BindAll(Statement& statement, const std::vector<SqlValue>& values, int first = 1);
    bool MoveIn(TableRef& ref, Move move, char* record);
    // The statement of a move by the current key, bound: from the start (the
    // end), or strictly after (before) the position. It yields every row
    // from there on, so that a walk can step it.
    Statement& MoveStatement(TableRef& ref, bool forward, bool fromPosition);
    bool WalkGoesOn(const Position& position, bool forward) const;
    // Resets the statements that walks left open (of one table, or all), so
    // that no walk steps past a change and no read outlives a transaction.
    static void CloseWalks(TableSql& sql);
    void CloseAllWalks();
    // Reads one row of a SELECT of the select list into the position and record.
    void TakeRow(TableRef& ref, const Statement& statement, char* record);
    // Steps a SELECT of the select list, reads its row as TakeRow does and,
    // unless keepOpen, resets the statement; false when it yields no row.
    bool StepAndTakeRow(TableRef& ref, Statement& statement, bool keepOpen, char* record);
    // Reads the row's value columns from firstColumn on into the record;
    // with a position, also the values of its key fields into it.
    void RowToRecord(const TableRef& ref, const Statement& statement, int firstColumn, char* record,
                     Position* position = nullptr) const;
    HandOutBlock CollectRecords(const TableRef& ref, Statement& statement);
    std::vector<SqlValue> KeyValues(const TableRef& ref, const std::vector<size_t>& columns, const char* record) const;
    // Binds the record's values of the columns from parameter first on,
    // without collecting them first; answers the next parameter.
    static int BindKey(Statement& statement, const TableRef& ref, const std::vector<size_t>& columns,
                       const char* record, int first = 1);
    // Binds the position's values of the columns and its rowid from
    // parameter first on: where a move or find continues from.
    static void BindPosition(Statement& statement, const TableRef& ref, const std::vector<size_t>& columns,
                             int first = 1);
    long long TargetRow(TableRef& ref, const char* record);
    // Runs a change with RETURNING rowid and the value columns: its row
    // becomes the position and the record; false when it changed no row.
    bool ChangeAndTakeRow(TableRef& ref, Statement& statement, char* record);
    // After a change of a row that stored exactly these values (value
    // fields in field order): the position's key values and the record as
    // TakeRow would read them back.
    void TakeWritten(TableRef& ref, const std::vector<SqlValue>& values, char* record);
    // The body of NewRec.
    void InsertRecord(TableRef& ref, char* record);
    // The bodies of ModRec and DelRec.
    void ModifyRecord(TableRef& ref, char* record);
    void DeleteRecord(TableRef& ref, int32_t recordSize, const char* record);
    // Runs a change of the table so that the table's change time commits
    // with it: inside the handle's transaction the table is noted and its
    // time written once, when the transaction commits; outside, the change
    // and its time commit together.
    template <class Change>
    void Changing(const TableRef& ref, Change&& change);

    void Close() noexcept;
    void RequireConnected() const;
    // InitUserEx's check of user and password against the store's SYSDB
    // "dbuser": kNoHandle, kUserDisabled, kWrongPassword.
    static void CheckCredentials(Store& store, const std::string& user, const std::string& password);
    LockFile& Locks();
    // The handle's login row in the companion file, and its removal with
    // the handle's locks.
    void RecordLogin();
    void ReleaseLocksAndLogin();
    void CheckLockable(Database& db, long long slot, int32_t dbNo, int32_t recType, char mode);

    struct Cursor {
        int32_t dbNo;
        int32_t recType;
        Position position;
    };
    struct Bookmark {
        int32_t dbNo;
        int32_t recType;
        bool marked = false;
        Position position;
    };

    int32_t m_handle;
    std::unique_ptr<Store> m_store;
    bool m_connected = false;
    std::string m_user;
    std::string m_computer;
    std::string m_code;
    std::map<int32_t, TablespaceDef> m_open;  // by tablespace number
    std::map<std::pair<int32_t, int32_t>, Position> m_positions;
    std::map<std::pair<int32_t, int32_t>, TableSql> m_tableSql;  // statements of m_store's connection
    // The tables looked up lately, as Table() answered, so that a call needs
    // none of the lookups above; emptied whenever an open tablespace's
    // definition, a position or a table's SQL goes away.
    struct RecentTable {
        int32_t dbNo = 0;
        int32_t recType = 0;
        const TablespaceDef* tablespace = nullptr;  // null: an empty entry
        const TableDef* table = nullptr;
        int32_t index = 0;
        Position* position = nullptr;
        TableSql* sql = nullptr;
    };
    static constexpr size_t kRecentTables = 8;
    std::array<RecentTable, kRecentTables> m_recentTables{};
    size_t m_nextRecent = 0;  // the entry the next lookup replaces
    void ForgetRecentTables() { m_recentTables.fill(RecentTable{}); }
    bool m_transaction = false;
    uint64_t m_transactionsBegun = 0;                       // numbers each transaction, for its walks
    std::set<std::pair<int32_t, int32_t>> m_changedTables;  // (tablespace, record type) changed in the transaction
    std::map<int32_t, Cursor> m_cursors;
    int32_t m_nextCursor = 1;
    std::map<int32_t, Bookmark> m_bookmarks;
    int32_t m_nextBookmark = 1;
    struct BlobStream {
        int32_t blobId = -1;
        size_t readOffset = 0;
        std::string written;
        bool wrote = false;
    };
    std::map<int32_t, BlobStream> m_streams;
    std::unique_ptr<LockFile> m_locks;  // the store's companion file, opened at the login
    std::set<std::string> m_openPackages;
};

}  // namespace lurdbcli
