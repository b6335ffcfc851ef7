// Locks per (tablespace, record type) and the handle's login, kept in the
// store's companion file (LockFile.h) apart from the store's data.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "CodePage.h"
#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

// The values of a query about the locks of one record type as seen by one
// owner (slot and handle) asking for a mode, in this order.
Statement& BindLockQuery(Statement& query, int32_t dbNo, int32_t recType, long long slot, int32_t handle, char mode) {
    return query.Bind(1, static_cast<long long>(dbNo))
        .Bind(2, static_cast<long long>(recType))
        .Bind(3, slot)
        .Bind(4, static_cast<long long>(handle))
        .Bind(5, std::string(1, mode));
}

}  // namespace

// A connection of the handle's own to the companion file: taken inside a
// transaction, locks are still visible to every process at once, a rollback
// does not drop them, and a process that holds the store's write lock for
// its transaction does not keep others from checking them.
LockFile& Session::Locks() {
    Store& store = LoggedIn();
    if (!m_locks) {
        m_locks = std::make_unique<LockFile>(store.Service());
    }
    return *m_locks;
}

void Session::RecordLogin() {
    Locks().Run([&](Database& db, long long slot) {
        db.Cached("INSERT OR REPLACE INTO _lur_logins (slot, handle, pid, user, computer) VALUES (?, ?, ?, ?, ?)")
            .Bind(1, slot)
            .Bind(2, static_cast<long long>(m_handle))
            .Bind(3, static_cast<long long>(getpid()))
            .Bind(4, win::Cp1250ToUtf8(m_user))
            .Bind(5, win::Cp1250ToUtf8(m_computer))
            .Run();
    });
}

void Session::ReleaseLocksAndLogin() {
    if (!m_locks) {
        return;
    }
    Locks().Run([&](Database& db, long long slot) {
        for (const char* sql : {"DELETE FROM _lur_record_locks WHERE slot = ? AND handle = ?",
                                "DELETE FROM _lur_logins WHERE slot = ? AND handle = ?"}) {
            db.Cached(sql).Bind(1, slot).Bind(2, static_cast<long long>(m_handle)).Run();
        }
    });
    m_locks.reset();
}

bool Session::OtherProcessesLoggedIn() { return Locks().OtherProcessesLoggedIn(); }

// A shared lock conflicts with another owner's exclusive one; an exclusive
// lock with any lock of another owner.
void Session::CheckLockable(Database& db, long long slot, int32_t dbNo, int32_t recType, char mode) {
    Table(dbNo, recType);
    Statement& others = db.Cached(
        "SELECT count(*) FROM _lur_record_locks WHERE dbno = ? AND rectype = ? AND NOT (slot = ? AND handle = ?) "
        "AND (? <> 'r' OR mode <> 'r')");
    BindLockQuery(others, dbNo, recType, slot, m_handle, mode).Step();
    const long long conflicts = others.ColumnInt(0);
    others.Run();
    if (conflicts != 0) {
        throw StoreError{kLockedOrDuplicate, "locked by another user"};
    }
}

void Session::Lock(int32_t dbNo, int32_t recType, char mode) {
    Locks().Run([&](Database& db, long long slot) {
        CheckLockable(db, slot, dbNo, recType, mode);
        db.Cached(
              "INSERT OR REPLACE INTO _lur_record_locks (dbno, rectype, mode, slot, pid, handle, user, holder) "
              "VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
            .Bind(1, static_cast<long long>(dbNo))
            .Bind(2, static_cast<long long>(recType))
            .Bind(3, std::string(1, mode))
            .Bind(4, slot)
            .Bind(5, static_cast<long long>(getpid()))
            .Bind(6, static_cast<long long>(m_handle))
            .Bind(7, win::Cp1250ToUtf8(m_user))
            .Bind(8, win::Cp1250ToUtf8(m_user + "@" + m_computer))
            .Run();
    });
}

void Session::Unlock(int32_t dbNo, int32_t recType) {
    Locks().Run([&](Database& db, long long slot) {
        db.Cached("DELETE FROM _lur_record_locks WHERE dbno = ? AND rectype = ? AND slot = ? AND handle = ?")
            .Bind(1, static_cast<long long>(dbNo))
            .Bind(2, static_cast<long long>(recType))
            .Bind(3, slot)
            .Bind(4, static_cast<long long>(m_handle))
            .Run();
        if (sqlite3_changes(db.Raw()) == 0) {
            throw StoreError{kNotFound, "not locked"};
        }
    });
}

std::string Session::LockHolder(int32_t dbNo, int32_t recType, char mode) {
    std::string text;
    Locks().Run([&](Database& db, long long slot) {
        // The lock that stands in the way of this mode comes first, then any.
        Statement& holder = db.Cached(
            "SELECT holder FROM _lur_record_locks WHERE dbno = ? AND rectype = ? "
            "ORDER BY (slot = ? AND handle = ?), (? = 'r' AND mode = 'r') LIMIT 1");
        if (!BindLockQuery(holder, dbNo, recType, slot, m_handle, mode).Step()) {
            throw StoreError{kNotFound, "not locked"};
        }
        text = win::Utf8ToCp1250(holder.ColumnText(0));
        holder.Run();
    });
    return text;
}

std::string Session::LockList() {
    std::string entries;
    Locks().Run([&](Database& db, long long) {
        Statement& locks = db.Cached("SELECT dbno, rectype, pid, mode, user FROM _lur_record_locks ORDER BY rowid");
        while (locks.Step()) {
            char entry[kLockEntrySize] = {};
            const int32_t numbers[3] = {static_cast<int32_t>(locks.ColumnInt(0)),
                                        static_cast<int32_t>(locks.ColumnInt(1)),
                                        static_cast<int32_t>(locks.ColumnInt(2))};
            std::memcpy(entry, numbers, sizeof numbers);
            const std::string mode = locks.ColumnText(3);
            entry[12] = mode.empty() ? '\0' : mode[0];
            const std::string user = win::Utf8ToCp1250(locks.ColumnText(4));
            std::memcpy(entry + 13, user.data(), std::min<size_t>(user.size(), kLockEntrySize - 14));
            entries.append(entry, sizeof entry);
        }
    });
    return entries;
}

void Session::LockAll(const char* entries, int32_t length) {
    if (length < 0 || length % static_cast<int32_t>(kLockRequestSize) != 0 || (length > 0 && entries == nullptr)) {
        throw StoreError{kBadArgument, "lock requests of " + std::to_string(length) + " bytes"};
    }
    // One transaction: all or none.
    Locks().Run([&](Database&, long long) {
        for (int32_t offset = 0; offset < length; offset += static_cast<int32_t>(kLockRequestSize)) {
            int32_t numbers[2];
            std::memcpy(numbers, entries + offset, sizeof numbers);
            Lock(numbers[0], numbers[1], entries[offset + 8]);
        }
    });
}

}  // namespace lurdbcli
