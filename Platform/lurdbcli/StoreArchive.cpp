// Archives of a store: consistent copies under $LURDB_DATA/archive/<SERVICE>/
// and the restore of one into the store.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

#include "CodePage.h"
#include "Store.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

// Flushes a file or directory to the disk; an archive counts only once it
// is there under its final name.
void SyncPath(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0) {
            close(fd);
        }
        throw StoreError{error == ENOSPC ? kStoreFull : kStoreError, "cannot sync " + path};
    }
    close(fd);
}

// An SQL text literal.
std::string QuoteText(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') {
            quoted += '\'';
        }
    }
    return quoted + "'";
}

// A connection to an archive file, read only, closed when it goes.
struct ArchiveConnection {
    sqlite3* db = nullptr;
    ~ArchiveConnection() { sqlite3_close_v2(db); }
};

// The volume id an archive was made with; kNotAStore when it has none.
std::string ArchiveVolumeId(sqlite3* archive, const std::string& path) {
    try {
        Statement query(archive, "SELECT value FROM _lur_params WHERE name = 'volumeid'");
        if (query.Step()) {
            return query.ColumnText(0);
        }
    } catch (const StoreError&) {
        // no parameter table: not an archive of a store
    }
    throw StoreError{kNotAStore, path + " is not an archive of a service"};
}

}  // namespace

std::string Store::ArchiveDirectory(const std::string& service) {
    return DataDirectory() + "/archive/" + win::Cp1250ToUtf8(ServiceName(service));
}

std::string Store::Archive() {
    const std::string directory = ArchiveDirectory(m_service);
    MakeDirectories(directory);
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[16] = {};
    std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &utc);
    const std::string name = win::Cp1250ToUtf8(ServiceName(m_service)) + "-" + stamp + ".lurdb";
    const std::string path = directory + "/" + name;
    const std::string temporary = directory + "/." + name + ".tmp" + std::to_string(getpid());

    unlink(temporary.c_str());  // a leftover of a crashed attempt of a process of the same id
    // VACUUM INTO fills an empty file as it finds it: the archive gets the
    // store's mode, not the umask's leave.
    if (!CreateEmptyFile(temporary, StoreFileMode(m_service))) {
        throw StoreError{errno == ENOSPC ? kStoreFull : kStoreError,
                         "cannot create " + temporary + ": " + std::strerror(errno)};
    }
    try {
        // One read transaction: the copy is the store as of one commit.
        m_db->Exec("VACUUM INTO " + QuoteText(temporary));
        SyncPath(temporary, O_RDONLY);
        // link() never replaces an existing name, as rename() would.
        if (link(temporary.c_str(), path.c_str()) != 0) {
            if (errno == EEXIST) {
                throw StoreError{kArchiveExists, "the archive " + path + " exists already"};
            }
            throw StoreError{errno == ENOSPC ? kStoreFull : kStoreError, "cannot name the archive " + path};
        }
    } catch (...) {
        unlink(temporary.c_str());
        throw;
    }
    unlink(temporary.c_str());
    SyncPath(directory, O_RDONLY | O_DIRECTORY);
    return path;
}

void Store::RestoreFrom(const std::string& archivePath) {
    struct stat info {};
    if (stat(archivePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        throw StoreError{kNoArchive, "no archive " + archivePath};
    }
    ArchiveConnection archive;
    if (const int rc = sqlite3_open_v2(archivePath.c_str(), &archive.db, SQLITE_OPEN_READONLY, nullptr);
        rc != SQLITE_OK) {
        ThrowStoreError(archive.db, rc);
    }
    const std::string archiveVolume = ArchiveVolumeId(archive.db, archivePath);
    if (archiveVolume != win::Cp1250ToUtf8(Param("volumeid").value_or(""))) {
        throw StoreError{kForeignArchive, archivePath + " is an archive of volume " + archiveVolume + ", not of " +
                                              win::Cp1250ToUtf8(m_service)};
    }
    // The backup copies every page in one write transaction of the store:
    // a reader sees the old content or the archive's, never a mixture.
    sqlite3_backup* backup = sqlite3_backup_init(m_db->Raw(), "main", archive.db, "main");
    if (backup == nullptr) {
        ThrowStoreError(m_db->Raw(), sqlite3_errcode(m_db->Raw()));
    }
    sqlite3_backup_step(backup, -1);
    if (const int rc = sqlite3_backup_finish(backup); rc != SQLITE_OK) {
        ThrowStoreError(m_db->Raw(), rc);
    }
    AddMissingInternalTables();
}

}  // namespace lurdbcli
