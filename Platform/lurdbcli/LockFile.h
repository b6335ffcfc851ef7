// The companion file <SERVICE>.lurdb.locks of a store: the service's locks
// and live logins, in an SQLite file of their own so that they are visible
// to every process at once, outside any transaction on the store, and never
// wait on the store's one writer.
//
// Every process that uses the file holds an open-file-description lock on a
// slot of its own (one byte far above the bytes SQLite locks). The rows of
// a slot that no process holds belong to a dead process and are dropped;
// a process that takes a free slot first drops what a dead holder left
// there, and a held slot is never taken. Process ids are not trusted: they
// are reused and differ between PID namespaces.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Sqlite.h"

namespace lurdbcli {

class LockFile {
public:
    // Opens (creates) the companion file of the service's store.
    explicit LockFile(const std::string& service);

    // Runs body with this process's slot in one write transaction of the
    // file (inside a running one: a savepoint), after the rows of dead slots
    // were dropped. A failure of body undoes its changes.
    void Run(const std::function<void(Database& db, long long slot)>& body);

    // Whether a live process other than this one is logged in to the service.
    bool OtherProcessesLoggedIn() { return HasLogins(false); }
    // Whether any live process, this one included, is logged in to it.
    bool AnyoneLoggedIn() { return HasLogins(true); }

private:
    bool HasLogins(bool includingOwnSlot);
    // Runs work in a write transaction of the file (inside one: a savepoint).
    void InTransaction(const std::function<void()>& work);
    bool HasSlot() const;
    long long OwnSlot();
    void ForgetSlot();
    void DropDeadSlots(long long ownSlot);
    void DropRowsOfSlot(long long slot);

    std::string m_path;
    std::unique_ptr<Database> m_db;
};

}  // namespace lurdbcli
