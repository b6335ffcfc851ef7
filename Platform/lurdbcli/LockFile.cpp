#include "LockFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <vector>

#include "Store.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

// SQLite locks bytes from 1 GiB on of its files with POSIX locks, which
// conflict with open-file-description locks: the slots lie far above them.
constexpr off_t kFirstSlotByte = off_t{1} << 40;
constexpr long long kMaxSlots = 1 << 20;

// This process's slot in one companion file. Kept open for the life of the
// process: closing any descriptor of the file would drop the POSIX locks
// SQLite holds on it.
struct ProcessSlot {
    pid_t owner = 0;  // the process that took it; a forked child takes its own
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    long long number = -1;
};

// Handles still open when the process ends (or the library is unloaded) may
// be closed after the table is gone: they find it gone, and their rows go
// with the process's slots.
struct SlotTable {
    std::map<std::string, ProcessSlot> slots;
    static inline bool gone = false;
    ~SlotTable() { gone = true; }
};

std::map<std::string, ProcessSlot>& ProcessSlots() {
    static SlotTable table;
    if (SlotTable::gone) {
        throw StoreError{kStoreError, "the process's lock slots are gone"};
    }
    return table.slots;
}

flock SlotRange(long long slot) {
    flock range{};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = kFirstSlotByte + static_cast<off_t>(slot);
    range.l_len = 1;
    return range;
}

// Whether another open file description holds the slot.
bool SlotHeld(int fd, long long slot) {
    flock range = SlotRange(slot);
    if (fcntl(fd, F_OFD_GETLK, &range) != 0) {
        return true;  // when in doubt the holder lives
    }
    return range.l_type != F_UNLCK;
}

// The companion file's path, made (empty, with the store's mode) when it is
// missing: SQLite would make it with the umask's leave. One that exists
// stays as it is.
std::string CompanionPath(const std::string& service) {
    const std::string path = Store::PathFor(service) + ".locks";
    CreateEmptyFile(path, StoreFileMode(service));  // a failure is SQLite's to tell when it opens the file
    return path;
}

}  // namespace

LockFile::LockFile(const std::string& service)
    : m_path(CompanionPath(service)), m_db(std::make_unique<Database>(m_path, true)) {
    m_db->Exec(
        "CREATE TABLE IF NOT EXISTS _lur_record_locks (dbno INTEGER NOT NULL, rectype INTEGER NOT NULL, "
        "mode TEXT NOT NULL, slot INTEGER NOT NULL, pid INTEGER NOT NULL, handle INTEGER NOT NULL, "
        "user TEXT NOT NULL, holder TEXT NOT NULL, PRIMARY KEY (dbno, rectype, slot, handle))");
    m_db->Exec(
        "CREATE TABLE IF NOT EXISTS _lur_logins (slot INTEGER NOT NULL, handle INTEGER NOT NULL, "
        "pid INTEGER NOT NULL, user TEXT NOT NULL, computer TEXT NOT NULL, PRIMARY KEY (slot, handle))");
}

// Called inside a write transaction of the file, so that no other process
// drops the rows of a slot between its clearing and its first rows.
bool LockFile::HasSlot() const {
    const ProcessSlot& slot = ProcessSlots()[m_path];
    struct stat file {};
    return slot.owner == getpid() && stat(m_path.c_str(), &file) == 0 && file.st_dev == slot.device &&
           file.st_ino == slot.inode;
}

// Gives up a slot whose clearing failed; its descriptor stays open.
void LockFile::ForgetSlot() {
    ProcessSlot& slot = ProcessSlots()[m_path];
    if (slot.owner == getpid() && slot.fd >= 0) {
        flock range = SlotRange(slot.number);
        range.l_type = F_UNLCK;
        fcntl(slot.fd, F_OFD_SETLK, &range);
    }
    slot = ProcessSlot{};
}

long long LockFile::OwnSlot() {
    ProcessSlot& slot = ProcessSlots()[m_path];
    if (HasSlot()) {
        return slot.number;
    }
    struct stat file {};
    // A new process, a forked child (the descriptor it inherited stays open:
    // its parent's slot lives on through it) or a file removed and made anew
    // (the old descriptor stays open too: closing it could drop SQLite's
    // locks). On failure below the new descriptor stays open as well.
    slot = ProcessSlot{};
    const int fd = open(m_path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 || fstat(fd, &file) != 0) {
        throw StoreError{kStoreError, "cannot open " + m_path};
    }
    for (long long number = 0; number < kMaxSlots; ++number) {
        flock range = SlotRange(number);
        if (fcntl(fd, F_OFD_SETLK, &range) == 0) {
            slot = ProcessSlot{getpid(), fd, file.st_dev, file.st_ino, number};
            // What a dead holder of the slot left is not ours.
            DropRowsOfSlot(number);
            return number;
        }
    }
    throw StoreError{kStoreError, "no free process slot in " + m_path};
}

void LockFile::DropRowsOfSlot(long long slot) {
    m_db->Cached("DELETE FROM _lur_record_locks WHERE slot = ?").Bind(1, slot).Run();
    m_db->Cached("DELETE FROM _lur_logins WHERE slot = ?").Bind(1, slot).Run();
}

void LockFile::DropDeadSlots(long long ownSlot) {
    const int fd = ProcessSlots()[m_path].fd;
    std::vector<long long> dead;
    Statement& slots = m_db->Cached("SELECT slot FROM _lur_record_locks UNION SELECT slot FROM _lur_logins");
    while (slots.Step()) {
        const long long slot = slots.ColumnInt(0);
        if (slot != ownSlot && !SlotHeld(fd, slot)) {
            dead.push_back(slot);
        }
    }
    for (long long slot : dead) {
        DropRowsOfSlot(slot);
    }
}

void LockFile::InTransaction(const std::function<void()>& work) {
    // Outside a transaction an immediate one, so that reading and then
    // writing never meets another writer's newer snapshot.
    const bool nested = m_db->InTransaction();
    m_db->Exec(nested ? "SAVEPOINT lur_locks" : "BEGIN IMMEDIATE");
    try {
        work();
        m_db->Exec(nested ? "RELEASE lur_locks" : "COMMIT");
    } catch (...) {
        if (nested) {
            m_db->Exec("ROLLBACK TO lur_locks");
            m_db->Exec("RELEASE lur_locks");
        } else {
            m_db->RollBackAfterFailure();
        }
        throw;
    }
}

void LockFile::Run(const std::function<void(Database& db, long long slot)>& body) {
    if (!m_db->InTransaction()) {
        // The slot is taken and cleared in a transaction of its own, so that
        // a failing body never brings a dead holder's rows back onto it.
        const bool hadSlot = HasSlot();
        try {
            InTransaction([&] { OwnSlot(); });
        } catch (...) {
            if (!hadSlot) {
                ForgetSlot();
            }
            throw;
        }
    }
    InTransaction([&] {
        const long long slot = OwnSlot();
        DropDeadSlots(slot);
        body(*m_db, slot);
    });
}

bool LockFile::HasLogins(bool includingOwnSlot) {
    bool any = false;
    Run([&](Database& db, long long slot) {
        Statement& logins = db.Cached("SELECT count(*) FROM _lur_logins WHERE slot <> ?");
        logins.Bind(1, includingOwnSlot ? -1 : slot).Step();  // slots are never negative
        any = logins.ColumnInt(0) != 0;
        logins.Run();
    });
    return any;
}

}  // namespace lurdbcli
