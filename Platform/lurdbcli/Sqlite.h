// A thin RAII layer over SQLite for the client library's store. Failures
// throw StoreError carrying the client status to answer (kStoreBusy,
// kNotAStore, kStoreFull, kStoreTooLarge, kStoreReadOnly where SQLite names
// the cause, kStoreError for the rest), so that the exported functions
// translate them at one place.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace lurdbcli {

struct StoreError {
    int32_t status;
    std::string detail;
};

// A value of one column: NULL, integer, real, text (UTF-8) or raw bytes.
using Bytes = std::vector<unsigned char>;
using SqlValue = std::variant<std::monostate, long long, double, std::string, Bytes>;

// A column value where the statement holds it, without a copy: valid until
// the statement moves. type is SQLite's (SQLITE_INTEGER, ... SQLITE_NULL);
// data and size hold text (UTF-8) and raw bytes.
struct ColumnView {
    int type = SQLITE_NULL;
    long long integer = 0;
    double real = 0;
    const char* data = nullptr;
    size_t size = 0;
};

// A viewed value as a value of its own (a copy of its text or bytes).
SqlValue ValueOf(const ColumnView& view);
// The view of a value (valid while the value lives unchanged).
ColumnView ViewOf(const SqlValue& value);

// A column value kept past its statement's next move, in the flat form of a
// view: refreshing and binding it costs no dispatch over the value's kinds
// and reuses its byte storage.
class KeptColumn {
public:
    void Keep(const ColumnView& view) {
        m_type = view.type;
        m_integer = view.integer;
        m_real = view.real;
        m_size = view.size;
        if (view.size != 0) {  // (an empty value may come without a pointer)
            if (m_bytes.size() < view.size) {
                m_bytes.resize(view.size);
            }
            std::memcpy(m_bytes.data(), view.data, view.size);
        }
    }
    // The same for an integer, the common key value.
    void KeepInteger(long long value) {
        m_type = SQLITE_INTEGER;
        m_integer = value;
        m_real = 0;
        m_size = 0;
    }
    ColumnView View() const {
        const bool hasBytes = m_type == SQLITE_TEXT || m_type == SQLITE_BLOB;
        return {m_type, m_integer, m_real, hasBytes ? m_bytes.data() : nullptr, hasBytes ? m_size : 0};
    }

private:
    int m_type = SQLITE_NULL;
    long long m_integer = 0;
    double m_real = 0;
    // Text (UTF-8) or raw bytes: the first m_size of m_bytes, which only
    // grows, so that keeping a value of a known size allocates nothing.
    std::vector<char> m_bytes;
    size_t m_size = 0;
};

// Throws the StoreError of an SQLite result code of db (null: of the code
// alone), the same translation every statement gets.
[[noreturn]] void ThrowStoreError(sqlite3* db, int rc);

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Resets the statement, ready for new values: a parameter that is not
    // bound again before the next step is NULL, as in a fresh statement.
    Statement& Reset() {
        ++m_moves;
        if (m_onRow) {
            sqlite3_reset(m_stmt);  // a statement that ran to its end or failed was reset by Step
            m_onRow = false;
        }
        if (m_parameters > kTrackedParameters) [[unlikely]] {
            ClearBindings();
        } else {
            m_bound = 0;
        }
        return *this;
    }
    Statement& Bind(int index, const SqlValue& value);  // index from 1
    Statement& Bind(int index, const ColumnView& value) {
        return value.type == SQLITE_INTEGER ? Bind(index, value.integer) : BindOther(index, value);
    }
    Statement& Bind(int index, long long value) {
        if (const int rc = sqlite3_bind_int64(m_stmt, index, value); rc != SQLITE_OK) {
            ThrowStoreError(m_db, rc);
        }
        Bound(index);
        return *this;
    }
    Statement& Bind(int index, const std::string& text);
    // One step: true while a row is available. A constraint violation
    // throws status 10005 (duplicate unique key). A statement must be run to
    // its end (or Reset) after its rows are read: until then it holds a read
    // transaction, whose snapshot would make a later write of the
    // connection fail.
    bool Step() {
        ++m_moves;
        if (m_bound != m_allBound) {
            BindMissingAsNull();
        }
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            m_onRow = true;
            return true;
        }
        return Ended(rc);
    }
    void Run();  // steps to the end, ignoring rows
    // How often the statement was stepped or reset: a walk that left it open
    // on a row knows that it still stands there while this is unchanged.
    uint64_t Moves() const { return m_moves; }

    long long ColumnInt(int index) const;
    std::string ColumnText(int index) const;
    SqlValue Column(int index) const;
    ColumnView View(int index) const { return ViewOfColumn(sqlite3_column_value(m_stmt, index)); }
    // A column's value where SQLite keeps it, valid until the next step or
    // reset: for a reader that looks at its type first.
    sqlite3_value* ColumnValue(int index) const { return sqlite3_column_value(m_stmt, index); }
    // The view of such a value.
    static ColumnView ViewOfColumn(sqlite3_value* value);

private:
    // Step's part when no row came: resets the statement (its read ends
    // now, not at the next use); false at the end, throws on a failure.
    bool Ended(int rc);
    // Reset's part for a statement with more parameters than are tracked.
    void ClearBindings();
    // Bind's part for every value but an integer.
    Statement& BindOther(int index, const ColumnView& value);
    // Notes a parameter as bound since the last reset.
    void Bound(int index) {
        if (index >= 1 && index <= kTrackedParameters) {
            m_bound |= uint64_t{1} << (index - 1);
        }
    }
    // Binds NULL to the parameters not bound since the last reset, which
    // costs less than clearing every binding at each reset.
    void BindMissingAsNull();
    static constexpr int kTrackedParameters = 64;  // bits of m_bound

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    uint64_t m_moves = 0;
    int m_parameters = 0;
    uint64_t m_bound = 0;     // bit i: parameter i + 1 bound since the last reset
    uint64_t m_allBound = 0;  // m_bound once every parameter is bound
    bool m_onRow = false;     // the last step gave a row and no reset has come since
};

class Database {
public:
    // Opens (create: or creates) the file, in WAL mode with synchronous=FULL
    // and a busy timeout (30 s, or LURDB_BUSY_TIMEOUT_MS), so that concurrent
    // processes wait for each other; past it a change answers kStoreBusy.
    Database(const std::string& path, bool create);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Exec(const std::string& sql);
    // A prepared statement cached by its text for the life of the connection.
    Statement& Cached(const std::string& sql);
    long long LastInsertRowId() const;
    // Rows changed by the connection's last INSERT, UPDATE or DELETE.
    int Changes() const;
    bool InTransaction() const;
    // Rolls back the open transaction while a failure propagates, unless
    // SQLite has ended it itself (it may, after a write that failed for want
    // of room); a failure of the rollback is not raised, so that the caller
    // hears the failure that matters.
    void RollBackAfterFailure();
    sqlite3* Raw() const { return m_db; }

private:
    void ApplyConnectionSettings();

    sqlite3* m_db = nullptr;
    std::map<std::string, std::unique_ptr<Statement>> m_cache;
};

// Runs work in the connection's open transaction, or in a write transaction
// of its own that commits when work succeeds and rolls back when it throws:
// all of it or nothing.
template <class Work>
auto InWriteTransaction(Database& db, Work&& work) {
    if (db.InTransaction()) {
        return work();
    }
    db.Cached("BEGIN IMMEDIATE").Run();
    try {
        auto result = work();
        db.Cached("COMMIT").Run();
        return result;
    } catch (...) {
        db.RollBackAfterFailure();
        throw;
    }
}

// SQL quoting of an identifier given in code page 1250 (stored as UTF-8).
std::string QuoteName(const std::string& name);

// Throws the StoreError of running out of memory.
[[noreturn]] void ThrowOutOfMemory();

// The column's value is fetched once and read through the value calls,
// which skip the connection's checks that every column call repeats. A
// statement serves one thread at a time (connections open without their
// own mutex), so the unprotected value is safe to read. Its text or bytes
// come as UTF-8, as the store keeps them; a null pointer
// for a value that has them means SQLite ran out of memory.
inline ColumnView Statement::ViewOfColumn(sqlite3_value* value) {
    ColumnView view;
    view.type = sqlite3_value_type(value);
    switch (view.type) {
        case SQLITE_INTEGER: view.integer = sqlite3_value_int64(value); break;
        case SQLITE_FLOAT: view.real = sqlite3_value_double(value); break;
        case SQLITE_TEXT: view.data = reinterpret_cast<const char*>(sqlite3_value_text(value)); break;
        case SQLITE_BLOB: view.data = static_cast<const char*>(sqlite3_value_blob(value)); break;
        default: break;
    }
    if (view.data != nullptr) {
        view.size = static_cast<size_t>(sqlite3_value_bytes(value));
    } else if ((view.type == SQLITE_TEXT || view.type == SQLITE_BLOB) && sqlite3_value_bytes(value) != 0) {
        ThrowOutOfMemory();
    }
    return view;
}

}  // namespace lurdbcli
