// Locks per (tablespace, record type), kept apart from the store's data.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "CodePage.h"
#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

// Locks live in a companion file of the store with a connection of their
// own: taken inside a transaction they are still visible to every process
// at once, a rollback does not drop them, and a process that holds the
// store's write lock for its transaction does not keep others from
// checking them.
Database& Session::LockDb() {
    Store& store = LoggedIn();
    if (!m_locks) {
        auto db = std::make_unique<Database>(Store::PathFor(store.Service()) + ".locks", true);
        db->Exec("CREATE TABLE IF NOT EXISTS _lur_locks (dbno INTEGER NOT NULL, rectype INTEGER NOT NULL, "
                 "mode TEXT NOT NULL, pid INTEGER NOT NULL, handle INTEGER NOT NULL, user TEXT NOT NULL, "
                 "holder TEXT NOT NULL, PRIMARY KEY (dbno, rectype, pid, handle))");
        m_locks = std::move(db);
    }
    return *m_locks;
}

void Session::DropLocksOfDeadProcesses() {
    Database& db = LockDb();
    std::vector<long long> dead;
    Statement& owners = db.Cached("SELECT DISTINCT pid FROM _lur_locks");
    while (owners.Step()) {
        const long long pid = owners.ColumnInt(0);
        if (pid != getpid() && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            dead.push_back(pid);
        }
    }
    for (long long pid : dead) {
        db.Cached("DELETE FROM _lur_locks WHERE pid = ?").Bind(1, pid).Run();
    }
}

// A shared lock conflicts with another owner's exclusive one; an exclusive
// lock with any lock of another owner.
void Session::CheckLockable(int32_t dbNo, int32_t recType, char mode) {
    Table(dbNo, recType);
    Statement& others = LockDb().Cached(
        "SELECT count(*) FROM _lur_locks WHERE dbno = ? AND rectype = ? AND NOT (pid = ? AND handle = ?) "
        "AND (? <> 'r' OR mode <> 'r')");
    others.Bind(1, static_cast<long long>(dbNo))
        .Bind(2, static_cast<long long>(recType))
        .Bind(3, static_cast<long long>(getpid()))
        .Bind(4, static_cast<long long>(m_handle))
        .Bind(5, std::string(1, mode));
    others.Step();
    const long long conflicts = others.ColumnInt(0);
    others.Run();
    if (conflicts != 0) {
        throw StoreError{kLockedOrDuplicate, "locked by another user"};
    }
}

void Session::Lock(int32_t dbNo, int32_t recType, char mode) {
    Database& db = LockDb();
    db.Exec("SAVEPOINT lur_lock");
    try {
        DropLocksOfDeadProcesses();
        CheckLockable(dbNo, recType, mode);
        db.Cached("INSERT OR REPLACE INTO _lur_locks (dbno, rectype, mode, pid, handle, user, holder) "
                  "VALUES (?, ?, ?, ?, ?, ?, ?)")
            .Bind(1, static_cast<long long>(dbNo))
            .Bind(2, static_cast<long long>(recType))
            .Bind(3, std::string(1, mode))
            .Bind(4, static_cast<long long>(getpid()))
            .Bind(5, static_cast<long long>(m_handle))
            .Bind(6, win::Cp1250ToUtf8(m_user))
            .Bind(7, win::Cp1250ToUtf8(m_user + "@" + m_computer))
            .Run();
        db.Exec("RELEASE lur_lock");
    } catch (...) {
        db.Exec("ROLLBACK TO lur_lock");
        db.Exec("RELEASE lur_lock");
        throw;
    }
}

void Session::Unlock(int32_t dbNo, int32_t recType) {
    Database& db = LockDb();
    db.Cached("DELETE FROM _lur_locks WHERE dbno = ? AND rectype = ? AND pid = ? AND handle = ?")
        .Bind(1, static_cast<long long>(dbNo))
        .Bind(2, static_cast<long long>(recType))
        .Bind(3, static_cast<long long>(getpid()))
        .Bind(4, static_cast<long long>(m_handle))
        .Run();
    if (sqlite3_changes(db.Raw()) == 0) {
        throw StoreError{kNotFound, "not locked"};
    }
}

std::string Session::LockHolder(int32_t dbNo, int32_t recType, char mode) {
    Database& db = LockDb();
    DropLocksOfDeadProcesses();
    // The lock that stands in the way of this mode comes first, then any.
    Statement& holder = db.Cached(
        "SELECT holder FROM _lur_locks WHERE dbno = ? AND rectype = ? "
        "ORDER BY (pid = ? AND handle = ?), (? = 'r' AND mode = 'r') LIMIT 1");
    holder.Bind(1, static_cast<long long>(dbNo))
        .Bind(2, static_cast<long long>(recType))
        .Bind(3, static_cast<long long>(getpid()))
        .Bind(4, static_cast<long long>(m_handle))
        .Bind(5, std::string(1, mode));
    if (!holder.Step()) {
        throw StoreError{kNotFound, "not locked"};
    }
    const std::string text = win::Utf8ToCp1250(holder.ColumnText(0));
    holder.Run();
    return text;
}

std::string Session::LockList() {
    Database& db = LockDb();
    DropLocksOfDeadProcesses();
    std::string entries;
    Statement& locks = db.Cached("SELECT dbno, rectype, pid, mode, user FROM _lur_locks ORDER BY rowid");
    while (locks.Step()) {
        char entry[kLockEntrySize] = {};
        const int32_t numbers[3] = {static_cast<int32_t>(locks.ColumnInt(0)), static_cast<int32_t>(locks.ColumnInt(1)),
                                    static_cast<int32_t>(locks.ColumnInt(2))};
        std::memcpy(entry, numbers, sizeof numbers);
        const std::string mode = locks.ColumnText(3);
        entry[12] = mode.empty() ? '\0' : mode[0];
        const std::string user = win::Utf8ToCp1250(locks.ColumnText(4));
        std::memcpy(entry + 13, user.data(), std::min<size_t>(user.size(), kLockEntrySize - 14));
        entries.append(entry, sizeof entry);
    }
    return entries;
}

void Session::LockAll(const char* entries, int32_t length) {
    if (length < 0 || length % static_cast<int32_t>(kLockRequestSize) != 0 || (length > 0 && entries == nullptr)) {
        throw StoreError{kBadArgument, "lock requests of " + std::to_string(length) + " bytes"};
    }
    Database& db = LockDb();
    db.Exec("SAVEPOINT lur_lock_all");
    try {
        for (int32_t offset = 0; offset < length; offset += static_cast<int32_t>(kLockRequestSize)) {
            int32_t numbers[2];
            std::memcpy(numbers, entries + offset, sizeof numbers);
            Lock(numbers[0], numbers[1], entries[offset + 8]);
        }
        db.Exec("RELEASE lur_lock_all");
    } catch (...) {
        db.Exec("ROLLBACK TO lur_lock_all");
        db.Exec("RELEASE lur_lock_all");
        throw;
    }
}

}  // namespace lurdbcli
