#include "Sqlite.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "CodePage.h"
#include "StoreTuning.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

// How long a connection waits for another process's write lock:
// LURDB_BUSY_TIMEOUT_MS (milliseconds), else 30 s.
int BusyTimeoutMs() {
    const char* text = std::getenv("LURDB_BUSY_TIMEOUT_MS");
    const long value = text ? std::strtol(text, nullptr, 10) : 0;
    return value > 0 && value <= 3600000 ? static_cast<int>(value) : 30000;
}

// The service of a connection's file: "S" of ".../S.lurdb" and of its
// companion ".../S.lurdb.locks".
std::string ServiceOf(sqlite3* db) {
    const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
    std::string name = file ? file : "";
    name.erase(0, name.rfind('/') + 1);
    return name.substr(0, name.find(".lurdb"));
}

// Whether a write of the connection's store failed at the process's file-size
// limit ("ulimit -f"). SQLite reports it as an I/O error (EFBIG) or, for a
// write cut short there, as a full disk, and the errno it keeps may already
// be another call's: a file of the store that has reached the limit tells
// it apart from a failing or full disk.
bool StoppedAtFileSizeLimit(sqlite3* db, int rc) {
    rlimit limit{};
    const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
    if ((rc & 0xFF) != SQLITE_IOERR && (rc & 0xFF) != SQLITE_FULL) return false;
    if (file == nullptr || *file == '\0' || getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return false;
    for (const char* suffix : {"", "-wal", "-journal"}) {
        struct stat info {};
        if (stat((std::string(file) + suffix).c_str(), &info) == 0 &&
            static_cast<rlim_t>(info.st_size) >= limit.rlim_cur)
            return true;
    }
    return false;
}

// The one translation of an SQLite result into the client's status; detail
// is SQLite's own message.
[[noreturn]] void Fail(sqlite3* db, int rc, const std::string& detail) {
    const std::string store = "the store of service " + ServiceOf(db);
    if (StoppedAtFileSizeLimit(db, rc))
        throw StoreError{kStoreTooLarge,
                         "a file of " + store + " may not grow further: " + std::strerror(EFBIG) + " (" + detail + ")"};
    switch (rc & 0xFF) {
        case SQLITE_CONSTRAINT: throw StoreError{kLockedOrDuplicate, detail};
        case SQLITE_CANTOPEN: throw StoreError{kNoStore, detail};
        case SQLITE_NOMEM: throw StoreError{kOutOfMemory, "out of memory"};
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            throw StoreError{kStoreBusy, store + " is busy: another process held it longer than " +
                                             std::to_string(BusyTimeoutMs()) + " ms (" + detail + ")"};
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            throw StoreError{kNotAStore, store + " is not a database store or is damaged (" + detail + ")"};
        case SQLITE_FULL: throw StoreError{kStoreFull, "the disk of " + store + " is full (" + detail + ")"};
        case SQLITE_READONLY:
        case SQLITE_PERM: throw StoreError{kStoreReadOnly, store + " cannot be written (" + detail + ")"};
        default: throw StoreError{kStoreError, detail};
    }
}

[[noreturn]] void Fail(sqlite3* db, int rc) { Fail(db, rc, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)); }

}  // namespace

void ThrowStoreError(sqlite3* db, int rc) { Fail(db, rc); }

Statement::Statement(sqlite3* db, const std::string& sql) : m_db(db) {
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        Fail(db, rc);
    }
    m_parameters = sqlite3_bind_parameter_count(m_stmt);
    m_allBound = m_parameters >= kTrackedParameters ? ~uint64_t{0} : (uint64_t{1} << m_parameters) - 1;
}

Statement::~Statement() { sqlite3_finalize(m_stmt); }

void Statement::ClearBindings() {
    sqlite3_clear_bindings(m_stmt);  // too many to track one by one
    m_bound = m_allBound;
}

void Statement::BindMissingAsNull() {
    for (int index = 1; index <= m_parameters; ++index) {
        if ((m_bound & (uint64_t{1} << (index - 1))) == 0) {
            sqlite3_bind_null(m_stmt, index);
        }
    }
    m_bound = m_allBound;
}

Statement& Statement::Bind(int index, const SqlValue& value) { return Bind(index, ViewOf(value)); }

Statement& Statement::BindOther(int index, const ColumnView& value) {
    int rc = SQLITE_OK;
    switch (value.type) {  // (integers are bound by Bind itself)
        case SQLITE_FLOAT: rc = sqlite3_bind_double(m_stmt, index, value.real); break;
        case SQLITE_TEXT:
            // A null pointer would bind NULL, not an empty text.
            rc = sqlite3_bind_text(m_stmt, index, value.data != nullptr ? value.data : "", static_cast<int>(value.size),
                                   SQLITE_TRANSIENT);
            break;
        case SQLITE_BLOB:
            // An empty value may come without a pointer, which SQLite would bind as NULL, not as an empty blob.
            rc = value.size == 0
                     ? sqlite3_bind_zeroblob(m_stmt, index, 0)
                     : sqlite3_bind_blob(m_stmt, index, value.data, static_cast<int>(value.size), SQLITE_TRANSIENT);
            break;
        default: rc = sqlite3_bind_null(m_stmt, index); break;
    }
    if (rc != SQLITE_OK) {
        Fail(m_db, rc);
    }
    Bound(index);
    return *this;
}

Statement& Statement::Bind(int index, const std::string& text) {
    if (const int rc = sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        rc != SQLITE_OK) {
        Fail(m_db, rc);
    }
    Bound(index);
    return *this;
}

bool Statement::Ended(int rc) {
    m_onRow = false;
    sqlite3_reset(m_stmt);  // ends its read transaction now, not at the next use
    if (rc == SQLITE_DONE) {
        return false;
    }
    Fail(m_db, rc);
}

void Statement::Run() {
    while (Step()) {
    }
}

long long Statement::ColumnInt(int index) const { return sqlite3_column_int64(m_stmt, index); }

std::string Statement::ColumnText(int index) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(m_stmt, index))) : std::string();
}

SqlValue Statement::Column(int index) const { return ValueOf(View(index)); }

SqlValue ValueOf(const ColumnView& view) {
    switch (view.type) {
        case SQLITE_INTEGER: return view.integer;
        case SQLITE_FLOAT: return view.real;
        case SQLITE_TEXT: return std::string(view.data, view.size);
        case SQLITE_BLOB: {
            const auto* bytes = reinterpret_cast<const unsigned char*>(view.data);
            return Bytes(bytes, bytes + view.size);
        }
        default: return std::monostate{};
    }
}

ColumnView ViewOf(const SqlValue& value) {
    ColumnView view;
    if (const auto* i = std::get_if<long long>(&value)) {
        view.type = SQLITE_INTEGER;
        view.integer = *i;
    } else if (const auto* d = std::get_if<double>(&value)) {
        view.type = SQLITE_FLOAT;
        view.real = *d;
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        view.type = SQLITE_TEXT;
        view.data = text->data();
        view.size = text->size();
    } else if (const auto* raw = std::get_if<Bytes>(&value)) {
        view.type = SQLITE_BLOB;
        view.data = reinterpret_cast<const char*>(raw->data());
        view.size = raw->size();
    }
    return view;
}

void ThrowOutOfMemory() { throw StoreError{kOutOfMemory, "out of memory"}; }

Database::Database(const std::string& path, bool create) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string detail = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        Fail(nullptr, rc, path + ": " + detail);
    }
    sqlite3_busy_timeout(m_db, BusyTimeoutMs());
    sqlite3_extended_result_codes(m_db, 1);
    try {
        ApplyConnectionSettings();
    } catch (...) {
        sqlite3_close(m_db);  // the destructor does not run for a failed constructor
        m_db = nullptr;
        throw;
    }
}

// Switching a new, empty file to WAL reads its header and then upgrades to a
// write, and SQLite answers busy to a failed upgrade at once, without its
// busy handler: of two processes creating the file at the same moment, one
// would fail. The settings are idempotent, so they are tried again as long as
// the busy timeout lets a connection wait.
void Database::ApplyConnectionSettings() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(BusyTimeoutMs());
    for (;;) {
        try {
            Exec(LURDB_CONNECTION_PRAGMAS);
            return;
        } catch (const StoreError& error) {
            if (error.status != kStoreBusy || std::chrono::steady_clock::now() >= deadline) {
                throw;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

Database::~Database() {
    m_cache.clear();  // statements before the connection
    sqlite3_close(m_db);
}

void Database::Exec(const std::string& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const std::string detail = message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        Fail(m_db, rc, detail);
    }
}

Statement& Database::Cached(const std::string& sql) {
    auto& slot = m_cache[sql];
    if (!slot) {
        slot = std::make_unique<Statement>(m_db, sql);
    }
    return slot->Reset();
}

long long Database::LastInsertRowId() const { return sqlite3_last_insert_rowid(m_db); }

int Database::Changes() const { return sqlite3_changes(m_db); }

bool Database::InTransaction() const { return sqlite3_get_autocommit(m_db) == 0; }

void Database::RollBackAfterFailure() {
    if (InTransaction()) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

std::string QuoteName(const std::string& name) {
    std::string quoted = "\"";
    for (char c : win::Cp1250ToUtf8(name)) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace lurdbcli
