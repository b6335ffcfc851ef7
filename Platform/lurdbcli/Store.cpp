#include "Store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <optional>
#include <random>
#include <utility>

#include "CodePage.h"
#include "Crt.h"
#include "LockFile.h"
#include "QuotedValue.h"
#include "RecordCodec.h"
#include "StoreLocation.h"
#include "lurdbcli.h"

namespace lurdbcli {

std::string Store::DataDirectory() { return lurstore::DataDirectory(); }

void MakeDirectories(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            throw StoreError{kNoStore, "cannot create directory " + prefix};
        }
        if (slash == std::string::npos) {
            return;
        }
    }
}

unsigned StoreFileMode(const std::string& service) {
    struct stat store {};
    return stat(Store::PathFor(service).c_str(), &store) == 0 ? store.st_mode & 0777 : 0600;
}

bool CreateEmptyFile(const std::string& path, unsigned mode) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    // open() takes the umask's bits away; fchmod does not.
    const bool made = fchmod(fd, static_cast<mode_t>(mode)) == 0;
    const int error = errno;
    close(fd);
    if (!made) {
        unlink(path.c_str());
        errno = error;
    }
    return made;
}

namespace {

// The SQL type the catalogue reports for a field without an explicit one.
int32_t DefaultSqlType(const FieldDef& field) {
    switch (field.type) {
        case 'c': return field.IsRaw() ? 4 : (field.length > 1 ? 1 : 8);
        case 'f':
        case 'F': return 2;
        case 's':
        case 'i':
        case 'l':
        case 'd': return 8;
        default: return 0;
    }
}

// Raw data per (tablespace, mode, first key, second key), for the handles'
// FindData and WriteData.
constexpr const char* kCreateDataTable =
    "CREATE TABLE IF NOT EXISTS _lur_data (dbno INTEGER NOT NULL, mode INTEGER NOT NULL, key1 INTEGER NOT NULL, "
    "key2 INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY (dbno, mode, key1, key2))";

// The UTC time (seconds) of each table's last committed change.
constexpr const char* kCreateChangesTable =
    "CREATE TABLE IF NOT EXISTS _lur_changes (dbno INTEGER NOT NULL, rectype INTEGER NOT NULL, "
    "time INTEGER NOT NULL, PRIMARY KEY (dbno, rectype)) WITHOUT ROWID";

// The SYSDB "sequencies" rows (by seq_name) whose seq_id has been handed
// out already: the draw could store no 32-bit successor. A write that gives
// the row another seq_id or name, or removes it, drops the mark
// (SpentSequenceTriggers) whatever path it takes (record calls, truncation),
// so a row made again under the name starts without one; a write that
// keeps seq_id (ALTER ... CYCLE) keeps it, since that value has still been
// handed out.
constexpr const char* kCreateSpentTable =
    "CREATE TABLE IF NOT EXISTS _lur_spent_sequences (seq_name TEXT PRIMARY KEY) WITHOUT ROWID";

const TableDef& SysdbTable(const char* name) {
    const TablespaceDef& sysdb = SysdbSchema();
    return sysdb.tables[static_cast<size_t>(sysdb.TableIndex(name))];
}

// The triggers of _lur_spent_sequences: name and what follows it in CREATE TRIGGER.
std::vector<std::pair<std::string, std::string>> SpentSequenceTriggers() {
    const std::string table = QuoteName(SqlTableName(SysdbSchema(), SysdbTable("sequencies")));
    const std::string drop = " BEGIN DELETE FROM _lur_spent_sequences WHERE seq_name ";
    return {{"_lur_spent_sequences_update",
             "AFTER UPDATE ON " + table + " WHEN OLD.seq_id IS NOT NEW.seq_id OR OLD.seq_name IS NOT NEW.seq_name" +
                 drop + "IN (OLD.seq_name, NEW.seq_name); END"},
            {"_lur_spent_sequences_delete", "AFTER DELETE ON " + table + drop + "= OLD.seq_name; END"}};
}

// The system privileges a new service's dictionary offers to GRANT and
// REVOKE, in the order of their ids (lurdbadm's README lists them).
constexpr const char* kSystemPrivileges[] = {
    "CREATE SESSION",     "ALTER SESSION",     "ALTER SYSTEM",        "SELECT ANY TABLE",      "INSERT ANY TABLE",
    "UPDATE ANY TABLE",   "DELETE ANY TABLE",  "TRUNCATE ANY TABLE",  "EXECUTE ANY PROCEDURE", "CREATE SEQUENCE",
    "ALTER ANY SEQUENCE", "DROP ANY SEQUENCE", "SELECT ANY SEQUENCE", "CREATE USER",           "ALTER USER",
    "DROP USER",          "CREATE ROLE",       "DROP ANY ROLE",       "GRANT ANY ROLE",        "GRANT ANY PRIVILEGE",
    "CREATE DATABASE",    "ALTER DATABASE",    "DROP DATABASE",
};

// One row of SYSDB's "sequencies", as a draw reads it, and whether its
// seq_id has been handed out (_lur_spent_sequences).
struct SequenceRow {
    long long step = 0;
    long long id = 0;
    long long max = 0;
    long long min = 0;
    long long recycle = 0;
    bool spent = false;
};

// A draw: the value answered and the seq_id left for the next one, or none
// when no 32-bit seq_id can follow the value (seq_id keeps the value, and
// the row is marked spent).
struct SequenceDraw {
    int32_t value = 0;
    std::optional<int32_t> next;
};

// The draw from a row SequenceFault accepts (rules in lurdbcli.h); nullopt
// when the row is exhausted.
std::optional<SequenceDraw> Draw(const SequenceRow& row) {
    const long long low = SequenceLow(row.min);
    const long long high = SequenceHigh(row.max);
    const bool up = row.step > 0;
    const bool cycles = row.recycle == 1;
    const long long start = SequenceStart(row.step, row.min, row.max);
    // Every value here is a 32-bit one plus at most one step: no overflow.
    long long value = row.spent ? row.id + row.step : row.id;
    if (up ? value > high : value < low) {
        if (!cycles) {
            return std::nullopt;
        }
        value = start;
    } else if (up ? value < low : value > high) {
        value = start;  // beyond the bound it starts from, so that bound is given and is the start
    }
    long long next = value + row.step;
    if (next < low || next > high) {
        if (cycles) {
            next = start;
        } else if (next < INT32_MIN || next > INT32_MAX) {
            return SequenceDraw{static_cast<int32_t>(value), std::nullopt};
        }
        // Else kept past the end, so that the next draw refuses it.
    }
    return SequenceDraw{static_cast<int32_t>(value), static_cast<int32_t>(next)};
}

// Why a draw refuses a row as exhausted, for the trace.
std::string ExhaustedDetail(const std::string& name, const SequenceRow& row) {
    const bool up = row.step > 0;
    const std::string end =
        up ? "MAXVALUE " + std::to_string(SequenceHigh(row.max)) : "MINVALUE " + std::to_string(SequenceLow(row.min));
    return "the sequence " + win::Cp1250ToUtf8(name) + " has no value left: " +
           (row.spent ? "after " + std::to_string(row.id) + " comes " + std::to_string(row.id + row.step)
                      : "its seq_id " + std::to_string(row.id)) +
           ", past its " + end + ", and it does not cycle";
}

}  // namespace

std::string Store::ServiceName(const std::string& service) {
    if (const char* fault = ServiceNameFault(service)) {
        throw StoreError{kBadServiceName,
                         "invalid service name \"" + win::Cp1250ToUtf8(service) + "\": " + std::string(fault)};
    }
    return win::crt::UpperCp1250(service);
}

std::string Store::PathFor(const std::string& service) { return lurstore::StoreFilePath(ServiceName(service)); }

Store::Store(std::string service, std::unique_ptr<Database> db) : m_service(std::move(service)), m_db(std::move(db)) {}

std::unique_ptr<Store> Store::Open(const std::string& service) {
    const std::string path = PathFor(service);
    if (!Exists(service)) {
        throw StoreError{kNoStore, "no store for service \"" + win::Cp1250ToUtf8(service) + "\" (" +
                                       lurstore::DescribeStoreFile(service) + ")"};
    }
    std::unique_ptr<Store> store(new Store(service, std::make_unique<Database>(path, false)));
    store->AddMissingInternalTables();
    return store;
}

void Store::AddMissingInternalTables() {
    // Looked up first: a store that has them is not written to.
    auto has = [&](const char* type, const char* name) {
        Statement& exists = m_db->Cached("SELECT 1 FROM sqlite_master WHERE type = ? AND name = ?");
        const bool found = exists.Bind(1, std::string(type)).Bind(2, std::string(name)).Step();
        exists.Reset();
        return found;
    };
    for (const auto& [name, create] :
         {std::pair{"_lur_data", kCreateDataTable}, std::pair{"_lur_changes", kCreateChangesTable},
          std::pair{"_lur_spent_sequences", kCreateSpentTable}}) {
        if (!has("table", name)) {
            m_db->Exec(create);
        }
    }
    for (const auto& [name, trigger] : SpentSequenceTriggers()) {
        if (!has("trigger", name.c_str())) {
            m_db->Exec("CREATE TRIGGER " + name + " " + trigger);
        }
    }
}

std::unique_ptr<Store> Store::Create(const std::string& service, uint32_t volumeId) {
    const std::string path = PathFor(service);
    MakeDirectories(DataDirectory());
    // Claim the file first, so that of two creators only one goes on. The
    // store is its owner's alone: any local user could otherwise copy it and
    // read every table past the login. SQLite gives its -wal and -shm files
    // the store's mode.
    if (!CreateEmptyFile(path, 0600)) {
        if (errno == EEXIST) {
            throw StoreError{kLockedOrDuplicate,
                             "the service \"" + win::Cp1250ToUtf8(service) + "\" already has a store"};
        }
        throw StoreError{kNoStore, "cannot create " + path};
    }
    try {
        std::unique_ptr<Store> store(new Store(service, std::make_unique<Database>(path, true)));
        Fill(*store, volumeId);
        return store;
    } catch (...) {
        Discard(service);
        throw;
    }
}

uint32_t Store::NewVolumeId() { return std::random_device{}(); }

bool Store::Exists(const std::string& service) {
    struct stat info {};
    return stat(PathFor(service).c_str(), &info) == 0;
}

void Store::Discard(const std::string& service) {
    const std::string path = PathFor(service);
    for (const char* suffix : {"", "-wal", "-shm", ".locks", ".locks-wal", ".locks-shm"}) {
        unlink((path + suffix).c_str());
    }
}

void Store::Fill(Store& store, uint32_t volumeId) {
    Database& db = store.Db();
    InWriteTransaction(db, [&] {
        db.Exec(
            "CREATE TABLE _lur_tablespaces (dbno INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE NOCASE, "
            "schema TEXT NOT NULL)");
        db.Exec("CREATE TABLE _lur_counters (name TEXT PRIMARY KEY, value INTEGER NOT NULL)");
        db.Exec("CREATE TABLE _lur_params (name TEXT PRIMARY KEY, value TEXT NOT NULL)");
        db.Exec("CREATE TABLE _lur_blobs (id INTEGER PRIMARY KEY AUTOINCREMENT, data BLOB NOT NULL)");
        db.Exec(kCreateDataTable);
        db.Exec(kCreateChangesTable);
        db.Exec(kCreateSpentTable);  // read by every draw, the catalogue's own ids too
        // One row per lock and owner (process and handle).
        db.Exec(
            "CREATE TABLE _lur_locks (dbno INTEGER NOT NULL, rectype INTEGER NOT NULL, mode TEXT NOT NULL, "
            "pid INTEGER NOT NULL, handle INTEGER NOT NULL, user TEXT NOT NULL, holder TEXT NOT NULL, "
            "PRIMARY KEY (dbno, rectype, pid, handle))");
        store.SetParam("volumeid", std::to_string(volumeId));
        store.CreateTablespace(SysdbSchema());
        store.AddMissingInternalTables();  // the triggers of the spent sequences' marks, which need SYSDB
        store.AddSystemPrivileges();
        return true;
    });
}

bool Store::OtherProcessesLoggedIn() { return LockFile(m_service).OtherProcessesLoggedIn(); }

std::optional<TablespaceDef> Store::FindTablespace(const std::string& name) {
    Statement& query = m_db->Cached("SELECT schema FROM _lur_tablespaces WHERE name = ?");
    if (!query.Bind(1, win::Cp1250ToUtf8(name)).Step()) {
        return std::nullopt;
    }
    const std::string schema = query.ColumnText(0);
    query.Reset();
    return ParseStoredSchema(win::Utf8ToCp1250(schema));
}

std::optional<TablespaceDef> Store::FindTablespace(int32_t number) {
    Statement& query = m_db->Cached("SELECT schema FROM _lur_tablespaces WHERE dbno = ?");
    if (!query.Bind(1, static_cast<long long>(number)).Step()) {
        return std::nullopt;
    }
    const std::string schema = query.ColumnText(0);
    query.Reset();
    return ParseStoredSchema(win::Utf8ToCp1250(schema));
}

std::vector<TablespaceDef> Store::Tablespaces() {
    std::vector<TablespaceDef> all;
    Statement& query = m_db->Cached("SELECT schema FROM _lur_tablespaces ORDER BY dbno");
    while (query.Step()) {
        all.push_back(ParseStoredSchema(win::Utf8ToCp1250(query.ColumnText(0))));
    }
    return all;
}

void Store::CreateTablespace(const TablespaceDef& tablespace) {
    InWriteTransaction(*m_db, [&] {
        m_db->Cached("INSERT INTO _lur_tablespaces (dbno, name, schema) VALUES (?, ?, ?)")
            .Bind(1, static_cast<long long>(tablespace.number))
            .Bind(2, win::Cp1250ToUtf8(tablespace.name))
            .Bind(3, win::Cp1250ToUtf8(FormatSchema(tablespace)))
            .Run();
        for (const TableDef& table : tablespace.tables) {
            for (const std::string& statement : CreateTableStatements(tablespace, table)) {
                m_db->Exec(statement);
            }
        }
        AddCatalogueRows(tablespace);
        return true;
    });
}

void Store::AddSystemPrivileges() {
    const TablespaceDef& sysdb = SysdbSchema();
    for (const char* privilege : kSystemPrivileges) {
        InsertRow(*m_db, sysdb, SysdbTable("sysprivilegdict"),
                  {{"spid", std::to_string(NextId("sysdb_sysprivilegdict"))}, {"spname", privilege}});
    }
}

void Store::AddCatalogueRows(const TablespaceDef& tablespace) {
    const TablespaceDef& sysdb = SysdbSchema();
    InsertRow(*m_db, sysdb, SysdbTable("tablespace"),
              {{"dbid", std::to_string(tablespace.number)},
               {"name", tablespace.name},
               {"vermajor", std::to_string(tablespace.version[0])},
               {"verminor", std::to_string(tablespace.version[1])},
               {"versub", std::to_string(tablespace.version[2])},
               {"verbuild", std::to_string(tablespace.version[3])}});
    for (size_t r = 0; r < tablespace.tables.size(); ++r) {
        const TableDef& table = tablespace.tables[r];
        const std::string tableId = std::to_string(NextId("sysdb_tables"));
        InsertRow(*m_db, sysdb, SysdbTable("tables"),
                  {{"tableid", tableId},
                   {"tspname", tablespace.name},
                   {"tabname", table.name},
                   {"rectype", std::to_string(kFirstRecordType + static_cast<int32_t>(r))}});
        for (const FieldDef& field : table.fields) {
            InsertRow(*m_db, sysdb, SysdbTable("fields"),
                      {{"tableid", tableId},
                       {"tspname", tablespace.name},
                       {"tabname", table.name},
                       {"fldname", field.name},
                       {"fldtype", std::string(1, field.type)},
                       {"sqltype", std::to_string(field.sqlType != 0 ? field.sqlType : DefaultSqlType(field))},
                       {"length", std::to_string(field.sqlLength)},
                       {"precision", std::to_string(field.precision)}});
        }
    }
}

void Store::NoteChange(int32_t dbNo, int32_t recType) {
    m_db->Cached(
            "INSERT INTO _lur_changes (dbno, rectype, time) VALUES (?, ?, ?) "
            "ON CONFLICT(dbno, rectype) DO UPDATE SET time = excluded.time")
        .Bind(1, static_cast<long long>(dbNo))
        .Bind(2, static_cast<long long>(recType))
        .Bind(3, static_cast<long long>(static_cast<uint32_t>(std::time(nullptr))))
        .Run();
}

uint32_t Store::ChangeTime(int32_t dbNo, int32_t recType) {
    Statement& query = m_db->Cached("SELECT time FROM _lur_changes WHERE dbno = ? AND rectype = ?");
    if (!query.Bind(1, static_cast<long long>(dbNo)).Bind(2, static_cast<long long>(recType)).Step()) {
        return 0;
    }
    const auto time = static_cast<uint32_t>(query.ColumnInt(0));
    query.Reset();
    return time;
}

uint32_t Store::NewestChangeTime() {
    Statement& query = m_db->Cached("SELECT coalesce(max(time), 0) FROM _lur_changes");
    query.Step();
    const auto time = static_cast<uint32_t>(query.ColumnInt(0));
    query.Reset();
    return time;
}

std::optional<std::string> Store::Param(const std::string& name) {
    Statement& query = m_db->Cached("SELECT value FROM _lur_params WHERE name = ?");
    if (!query.Bind(1, win::Cp1250ToUtf8(name)).Step()) {
        return std::nullopt;
    }
    const std::string value = query.ColumnText(0);
    query.Reset();
    return win::Utf8ToCp1250(value);
}

void Store::SetParam(const std::string& name, const std::string& value) {
    m_db->Cached(
            "INSERT INTO _lur_params (name, value) VALUES (?, ?) ON CONFLICT(name) DO UPDATE SET value = "
            "excluded.value")
        .Bind(1, win::Cp1250ToUtf8(name))
        .Bind(2, win::Cp1250ToUtf8(value))
        .Run();
}

int32_t Store::NextId(const std::string& counter) {
    // Read and write in one write transaction, so that no other process
    // draws the same value in between.
    return InWriteTransaction(*m_db, [&] {
        if (const std::optional<int32_t> drawn = DrawFromSequence(counter)) {
            return *drawn;
        }
        Statement& next = m_db->Cached(
            "INSERT INTO _lur_counters (name, value) VALUES (?, 1) "
            "ON CONFLICT(name) DO UPDATE SET value = value + 1 RETURNING value");
        next.Bind(1, win::Cp1250ToUtf8(counter));
        next.Step();
        const auto value = static_cast<int32_t>(next.ColumnInt(0));
        next.Run();
        return value;
    });
}

std::optional<int32_t> Store::DrawFromSequence(const std::string& name) {
    const TablespaceDef& sysdb = SysdbSchema();
    const int index = sysdb.TableIndex("sequencies");
    const std::string table = QuoteName(SqlTableName(sysdb, sysdb.tables[static_cast<size_t>(index)]));
    // Sequence names are stored upper case by the code page's table (and
    // seq_name compares ASCII letters without case anyway).
    Statement& query = m_db->Cached(
        "SELECT rowid, seq_step, seq_id, seq_max, seq_min, seq_recycle, seq_name, EXISTS (SELECT 1 FROM "
        "_lur_spent_sequences AS spent WHERE spent.seq_name = sequence.seq_name) FROM " +
        table + " AS sequence WHERE seq_name = ?");
    if (!query.Bind(1, win::Cp1250ToUtf8(win::crt::UpperCp1250(name))).Step()) {
        return std::nullopt;
    }
    const long long rowid = query.ColumnInt(0);
    const SequenceRow row{query.ColumnInt(1), query.ColumnInt(2), query.ColumnInt(3),
                          query.ColumnInt(4), query.ColumnInt(5), query.ColumnInt(7) != 0};
    const std::string storedName = query.ColumnText(6);
    query.Reset();
    if (const std::string fault = SequenceFault(row.step, row.min, row.max, row.recycle == 1); !fault.empty()) {
        throw StoreError{kSequenceUnusable,
                         "the sequence " + win::Cp1250ToUtf8(name) + " cannot be drawn from (seq_step " +
                             std::to_string(row.step) + ", seq_min " + std::to_string(row.min) + ", seq_max " +
                             std::to_string(row.max) + ", seq_recycle " + std::to_string(row.recycle) + "): " + fault};
    }
    const std::optional<SequenceDraw> drawn = Draw(row);
    if (!drawn) {
        throw StoreError{kSequenceExhausted, ExhaustedDetail(name, row)};
    }
    m_db->Cached("UPDATE " + table + " SET seq_id = ? WHERE rowid = ?")
        .Bind(1, static_cast<long long>(drawn->next.value_or(drawn->value)))
        .Bind(2, rowid)
        .Run();
    // Set here, not left to the triggers: the new seq_id may equal the old one.
    if (!drawn->next) {
        m_db->Cached("INSERT OR IGNORE INTO _lur_spent_sequences (seq_name) VALUES (?)").Bind(1, storedName).Run();
    } else if (row.spent) {
        m_db->Cached("DELETE FROM _lur_spent_sequences WHERE seq_name = ?").Bind(1, storedName).Run();
    }
    NoteChange(kSysdbNumber, kFirstRecordType + index);
    return drawn->value;
}

namespace {

// The text values give a field (the last one naming it); "" for none.
std::string GivenText(const FieldDef& field, const std::vector<std::pair<std::string, std::string>>& values) {
    std::string text;
    for (const auto& [name, value] : values) {
        if (EqualsIgnoreCase(name, field.name)) {
            text = value;
        }
    }
    return text;
}

}  // namespace

void InsertRow(Database& db, const TablespaceDef& tablespace, const TableDef& table,
               const std::vector<std::pair<std::string, std::string>>& values) {
    std::vector<SqlValue> bound;
    for (const FieldDef& field : table.fields) {
        if (!field.HasValue()) {
            continue;
        }
        bound.push_back(TextToSql(field, GivenText(field, values)));
    }
    for (const auto& [name, value] : values) {
        if (table.FieldIndex(name) < 0) {
            throw StoreError{kUnknownField,
                             "no field " + win::Cp1250ToUtf8(name) + " in " + win::Cp1250ToUtf8(table.name)};
        }
    }
    Statement& insert = db.Cached(InsertStatement(tablespace, table));
    for (size_t i = 0; i < bound.size(); ++i) {
        insert.Bind(static_cast<int>(i + 1), bound[i]);
    }
    insert.Run();
}

std::optional<std::string> TakenUniqueKey(Database& db, const TablespaceDef& tablespace, const TableDef& table,
                                          const std::vector<std::pair<std::string, std::string>>& values) {
    for (const FieldDef& key : table.fields) {
        if (!key.IsUnique()) {
            continue;
        }
        const std::vector<std::string> columns = key.type == 'k' ? key.components : std::vector<std::string>{key.name};
        std::string condition;
        std::string named;
        std::vector<SqlValue> bound;
        for (const std::string& column : columns) {
            const FieldDef& field = table.fields[static_cast<size_t>(table.FieldIndex(column))];
            const std::string text = GivenText(field, values);
            // Compared as the key's index compares them: the column's collation.
            condition += (condition.empty() ? "" : " AND ") + QuoteName(field.name) + " = ?";
            bound.push_back(TextToSql(field, text));
            named += (named.empty() ? "" : ", ") + win::Cp1250ToUtf8(field.name) + " = " +
                     win::Cp1250ToUtf8(lurquote::QuotedValue(text, '"'));
        }
        Statement& probe = db.Cached("SELECT 1 FROM " + QuoteName(SqlTableName(tablespace, table)) + " WHERE " +
                                     condition + " LIMIT 1");
        for (size_t i = 0; i < bound.size(); ++i) {
            probe.Bind(static_cast<int>(i + 1), bound[i]);
        }
        const bool taken = probe.Step();
        probe.Reset();
        if (taken) {
            return columns.size() == 1 ? named : win::Cp1250ToUtf8(key.name) + " (" + named + ")";
        }
    }
    return std::nullopt;
}

}  // namespace lurdbcli
