// The store of one service: the SQLite file $LURDB_DATA/<SERVICE>.lurdb
// holding every tablespace of the service, their schemas, and the service's
// counters, blobs and parameters. Used by the client library and lurdbadm.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Schema.h"
#include "Sqlite.h"

namespace lurdbcli {

class Store {
public:
    // The one rule for service names, shared by lurdbadm and the library: the
    // name (code page 1250) upper-cased with the code page's case table, so
    // "\xE1rv\xEDz" and "\xC1RV\xCDZ" are one service. Throws kBadServiceName for
    // an empty or over-long name, one with "/", "\" or ".." (another file),
    // a leading "." or "-" (hidden file, option), control characters, or
    // "[" or "]" (they end a key of the registry file).
    static std::string ServiceName(const std::string& service);
    // The file of a service, after ServiceName.
    static std::string PathFor(const std::string& service);
    // The directory of the stores: $LURDB_DATA, else $XDG_DATA_HOME/lurdb,
    // else ~/.local/share/lurdb.
    static std::string DataDirectory();

    // Opens an existing store; kNoStore when the service has none.
    static std::unique_ptr<Store> Open(const std::string& service);
    // Creates the store with the catalogue SYSDB and the server parameter
    // "volumeid"; kLockedOrDuplicate when the service already has one.
    static std::unique_ptr<Store> Create(const std::string& service, uint32_t volumeId);
    // Removes the files of a store, to undo a creation whose later steps
    // failed. The store must not be open.
    static void Discard(const std::string& service);
    // A volume id for a new service: random, so that services differ.
    static uint32_t NewVolumeId();
    // Whether the service has a store.
    static bool Exists(const std::string& service);

    // Archives (StoreArchive.cpp) live in $LURDB_DATA/archive/<SERVICE>/.
    static std::string ArchiveDirectory(const std::string& service);
    // Writes a consistent copy of the store as
    // <SERVICE>-<yyyymmddhhmmss>.lurdb (UTC) there, under a temporary name
    // first, synced, never over an existing archive (kArchiveExists); the
    // path written. Not inside a transaction of this connection.
    std::string Archive();
    // Replaces the store's content by the archive's in one transaction.
    // kNoArchive when the file is missing, kNotAStore when it is no store,
    // kForeignArchive when its volume id is not this store's.
    void RestoreFrom(const std::string& archivePath);

    Database& Db() { return *m_db; }
    const std::string& Service() const { return m_service; }

    // Tablespaces by name (ASCII case ignored) or by number.
    std::optional<TablespaceDef> FindTablespace(const std::string& name);
    std::optional<TablespaceDef> FindTablespace(int32_t number);
    std::vector<TablespaceDef> Tablespaces();

    // Creates a tablespace's tables and indexes, keeps its schema and its
    // rows of the SYSDB tables "tablespace", "tables" and "fields" in step,
    // all in one transaction. kLockedOrDuplicate when the name or number is
    // taken.
    void CreateTablespace(const TablespaceDef& tablespace);

    // The UTC time (32-bit seconds) of each table's last committed change,
    // by tablespace number and record type. NoteChange writes the time now;
    // the caller runs it inside the change's own transaction, once per table
    // and transaction. ChangeTime and NewestChangeTime answer 0 when none.
    void NoteChange(int32_t dbNo, int32_t recType);
    uint32_t ChangeTime(int32_t dbNo, int32_t recType);
    uint32_t NewestChangeTime();

    // Server parameters; nullopt when not set.
    std::optional<std::string> Param(const std::string& name);
    void SetParam(const std::string& name, const std::string& value);

    // The next value of a named counter, created at 1 on first use, or the
    // draw from the SYSDB "sequencies" row of that name (rules in lurdbcli.h;
    // kSequenceExhausted); in one write transaction.
    int32_t NextId(const std::string& counter);

    // Whether a live process other than this one is logged in to the
    // service (LockFile.h keeps the logins).
    bool OtherProcessesLoggedIn();

private:
    Store(std::string service, std::unique_ptr<Database> db);
    static void Fill(Store& store, uint32_t volumeId);  // internal tables, volumeid, SYSDB
    void AddCatalogueRows(const TablespaceDef& tablespace);
    // The new service's SYSDB "sysprivilegdict" rows.
    void AddSystemPrivileges();
    // The draw from the sequence row of that name; nullopt when there is none.
    std::optional<int32_t> DrawFromSequence(const std::string& name);
    // A store (or archive) made before raw data, change times or the marks
    // of spent sequences existed gets their tables (and the marks' triggers).
    void AddMissingInternalTables();

    std::string m_service;
    std::unique_ptr<Database> m_db;
};

// Creates a directory and the ones above it that are missing, each its
// owner's alone (0700); kNoStore when one cannot be made.
void MakeDirectories(const std::string& path);

// The permission bits of a new file beside the store (its locks file, an
// archive): the store's own, as SQLite gives them to the -wal and -shm
// files, so a new store's files are its owner's alone (0600) and a store
// shared on purpose stays usable by those it is shared with. 0600 when the
// store cannot be looked at.
unsigned StoreFileMode(const std::string& service);

// Makes an empty file at path with exactly mode (whatever the umask), for
// SQLite to fill; false with errno set when it cannot (EEXIST: it exists).
// SQLite alone would make it with the umask's leave (0644 as a rule).
bool CreateEmptyFile(const std::string& path, unsigned mode);

// Inserts one row of a table of a tablespace: values by field name (code
// page 1250 text, converted by the field's type). Fields not given are zero.
void InsertRow(Database& db, const TablespaceDef& tablespace, const TableDef& table,
               const std::vector<std::pair<std::string, std::string>>& values);

// The first unique key of the table whose values, in a row InsertRow is given
// (values as it takes them), a row of the table holds already, as messages
// name it (UTF-8): FIELD = "V", a compound key KEY (A = "1", B = "x");
// nullopt when no key's values are taken. Tells a duplicate key, which the
// store itself names only by its index, in the system's words.
std::optional<std::string> TakenUniqueKey(Database& db, const TablespaceDef& tablespace, const TableDef& table,
                                          const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace lurdbcli
