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

std::map<std::string, ProcessSlot>& ProcessSlots() {
    static std::map<std::string, ProcessSlot> slots;
    return slots;
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

}  // namespace

LockFile::LockFile(const std::string& service)
    : m_path(Store::PathFor(service) + ".locks"), m_db(std::make_unique<Database>(m_path, true)) {
    m_db->Exec("CREATE TABLE IF NOT EXISTS _lur_record_locks (dbno INTEGER NOT NULL, rectype INTEGER NOT NULL, "
               "mode TEXT NOT NULL, slot INTEGER NOT NULL, pid INTEGER NOT NULL, handle INTEGER NOT NULL, "
               "user TEXT NOT NULL, holder TEXT NOT NULL, PRIMARY KEY (dbno, rectype, slot, handle))");
    m_db->Exec("CREATE TABLE IF NOT EXISTS _lur_logins (slot INTEGER NOT NULL, handle INTEGER NOT NULL, "
               "pid INTEGER NOT NULL, user TEXT NOT NULL, computer TEXT NOT NULL, PRIMARY KEY (slot, handle))");
}

// Called inside a write transaction of the file, so that no other process
// drops the rows of a slot between its taking and its first rows.
long long LockFile::OwnSlot() {
    ProcessSlot& slot = ProcessSlots()[m_path];
    struct stat file {};
    if (slot.owner == getpid() && stat(m_path.c_str(), &file) == 0 && file.st_dev == slot.device &&
        file.st_ino == slot.inode) {
        return slot.number;
    }
    if (slot.owner == getpid() && slot.fd >= 0) {
        close(slot.fd);  // the file was removed and made anew: only locks of the old one go
    }
    // A forked child leaves the descriptor it inherited open (its parent's
    // slot lives on through it) and takes a slot of its own.
    slot = ProcessSlot{};
    // On failure below the descriptor stays open too, for the same reason.
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

void LockFile::Run(const std::function<void(Database& db, long long slot)>& body) {
    // Outside a transaction an immediate one, so that reading and then
    // writing never meets another writer's newer snapshot.
    const bool nested = m_db->InTransaction();
    m_db->Exec(nested ? "SAVEPOINT lur_locks" : "BEGIN IMMEDIATE");
    try {
        const long long slot = OwnSlot();
        DropDeadSlots(slot);
        body(*m_db, slot);
        m_db->Exec(nested ? "RELEASE lur_locks" : "COMMIT");
    } catch (...) {
        if (nested) {
            m_db->Exec("ROLLBACK TO lur_locks");
            m_db->Exec("RELEASE lur_locks");
        } else if (m_db->InTransaction()) {
            m_db->Exec("ROLLBACK");
        }
        throw;
    }
}

bool LockFile::OtherProcessesLoggedIn() {
    bool others = false;
    Run([&](Database& db, long long slot) {
        Statement& logins = db.Cached("SELECT count(*) FROM _lur_logins WHERE slot <> ?");
        logins.Bind(1, slot).Step();
        others = logins.ColumnInt(0) != 0;
        logins.Run();
    });
    return others;
}

}  // namespace lurdbcli
