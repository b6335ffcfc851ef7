// The administration calls of a handle: services made and dropped,
// tablespaces made, archives written and restored, and what the server tells
// of a service's tablespaces and data files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string_view>

#include "CodePage.h"
#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

constexpr size_t kMaxTablespaceName = 31;  // SYSDB "tablespace" holds 31 characters and the zero
constexpr std::string_view kArchiveSuffix = ".lurdb";

void AppendInt32(std::string& block, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        block += static_cast<char>((bits >> shift) & 0xFF);
    }
}

int32_t ReadInt32(const char* bytes) {
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) {
        bits = (bits << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return static_cast<int32_t>(bits);
}

// The file of an archive the caller names: a path (with "/"), or a file of
// the service's archive directory, whose ".lurdb" may be left out.
std::string ArchivePath(const std::string& service, const std::string& archive) {
    const std::string name = win::Cp1250ToUtf8(archive);
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const std::string path = Store::ArchiveDirectory(service) + "/" + name;
    const bool hasSuffix =
        name.size() >= kArchiveSuffix.size() &&
        name.compare(name.size() - kArchiveSuffix.size(), kArchiveSuffix.size(), kArchiveSuffix) == 0;
    return hasSuffix || access(path.c_str(), F_OK) == 0 ? path : path + std::string(kArchiveSuffix);
}

}  // namespace

void Session::CreateDatabase(const std::string& nameAndCollation, const std::string& databasePath,
                             const std::string& archivePath) {
    RequireConnected();
    const size_t colon = nameAndCollation.find(':');
    const std::string service = Store::ServiceName(nameAndCollation.substr(0, colon));
    const std::string collation = colon == std::string::npos ? std::string() : nameAndCollation.substr(colon + 1);
    std::unique_ptr<Store> store = Store::Create(service, Store::NewVolumeId());
    try {
        InWriteTransaction(store->Db(), [&] {
            store->SetParam("collation", collation);
            store->SetParam("databasepath", databasePath);
            store->SetParam("archivepath", archivePath);
            return true;
        });
    } catch (...) {
        store.reset();
        Store::Discard(service);  // a half-made service would block a retry
        throw;
    }
}

void Session::DropDatabase(const std::string& name) {
    RequireConnected();
    const std::string service = Store::ServiceName(name);
    if (!Store::Exists(service)) {
        throw StoreError{kNoStore, "no store for service \"" + win::Cp1250ToUtf8(service) + "\""};
    }
    if (m_store && Store::ServiceName(m_store->Service()) == service) {
        throw StoreError{kServiceInUse, "the handle is logged in to " + win::Cp1250ToUtf8(service)};
    }
    if (LockFile(service).AnyoneLoggedIn()) {
        throw StoreError{kServiceInUse, "a user is logged in to " + win::Cp1250ToUtf8(service)};
    }
    Store::Discard(service);
}

std::string Session::AllDescriptions(const std::string& service) const {
    RequireConnected();
    std::unique_ptr<Store> store = Store::Open(service);
    const std::vector<TablespaceDef> tablespaces = store->Tablespaces();
    std::string block;
    AppendInt32(block, static_cast<int32_t>(tablespaces.size()));
    for (const TablespaceDef& tablespace : tablespaces) {
        std::string name = tablespace.name.substr(0, kDescriptorNameSize - 1);
        name.resize(kDescriptorNameSize, '\0');
        const std::string description = BuildDescriptionBlob(tablespace);
        block += name;
        AppendInt32(block, static_cast<int32_t>(description.size()));
        block += description;
    }
    return block;
}

Session::FileInfo Session::DataFileInfo(const std::string& service, const char* fileEntry) const {
    RequireConnected();
    if (fileEntry == nullptr) {
        throw StoreError{kBadArgument, "no file entry"};
    }
    const int32_t recType = ReadInt32(fileEntry + file_entry::kRecordType);
    const int32_t dbNo = ReadInt32(fileEntry + file_entry::kTablespace);
    std::unique_ptr<Store> store = Store::Open(service);
    const std::optional<TablespaceDef> tablespace = store->FindTablespace(dbNo);
    if (!tablespace) {
        throw StoreError{kUnknownTablespace, "no tablespace numbered " + std::to_string(dbNo)};
    }
    const long long index = static_cast<long long>(recType) - kFirstRecordType;
    if (index < 0 || index >= static_cast<long long>(tablespace->tables.size())) {
        throw StoreError{kUnknownRecordType, "no record type " + std::to_string(recType)};
    }
    const TableDef& table = tablespace->tables[static_cast<size_t>(index)];
    Statement& count = store->Db().Cached("SELECT count(*) FROM " + QuoteName(SqlTableName(*tablespace, table)));
    count.Step();
    FileInfo info;
    info.records = static_cast<int32_t>(count.ColumnInt(0));
    count.Run();
    info.lastChange = static_cast<int32_t>(store->ChangeTime(dbNo, recType));
    return info;
}

void Session::RestoreTimestamps(const std::string& service, const std::string& user,
                                const std::string& password) const {
    RequireConnected();
    std::unique_ptr<Store> store = Store::Open(service);
    CheckCredentials(*store, user, password);
    const uint32_t newest = store->NewestChangeTime();
    if (newest == 0) {
        return;  // no table was ever changed: the file keeps its time
    }
    const std::string path = Store::PathFor(service);
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(newest), 0}};
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        throw StoreError{kStoreError, "cannot set the time of " + path};
    }
}

void Session::CreateTablespace(const std::string& name) {
    Store& store = LoggedIn();
    if (!ValidName(name) || name.size() > kMaxTablespaceName) {
        throw StoreError{kBadArgument, "\"" + win::Cp1250ToUtf8(name) + "\" cannot name a tablespace"};
    }
    if (store.FindTablespace(name)) {
        throw StoreError{kLockedOrDuplicate, "the service has a tablespace " + win::Cp1250ToUtf8(name) + " already"};
    }
    std::set<int32_t> taken;
    for (const TablespaceDef& tablespace : store.Tablespaces()) {
        taken.insert(tablespace.number);
    }
    TablespaceDef tablespace;
    tablespace.name = name;
    tablespace.number = 1;
    while (taken.count(tablespace.number) != 0) {
        ++tablespace.number;
    }
    store.CreateTablespace(tablespace);
}

void Session::ArchiveDb() {
    Store& store = LoggedIn();
    if (m_transaction) {
        throw StoreError{kTransactionOpen, "no archive inside a transaction"};
    }
    store.Archive();
}

void Session::RestoreArchive(const std::string& archive) {
    Store& store = LoggedIn();
    if (m_transaction) {
        throw StoreError{kTransactionOpen, "no restore inside a transaction"};
    }
    if (store.OtherProcessesLoggedIn()) {
        throw StoreError{kServiceInUse, "another process is logged in to " + win::Cp1250ToUtf8(store.Service())};
    }
    store.RestoreFrom(ArchivePath(store.Service(), archive));
    // Positions and server objects of the old content mean nothing now, nor
    // does the SQL built for its tables: the archive may lay a table out
    // otherwise.
    ForgetRecentTables();
    m_positions.clear();
    m_tableSql.clear();
    m_cursors.clear();
    m_bookmarks.clear();
    for (auto open = m_open.begin(); open != m_open.end();) {
        std::optional<TablespaceDef> restored = store.FindTablespace(open->first);
        if (restored) {
            open->second = std::move(*restored);
            ++open;
        } else {
            open = m_open.erase(open);
        }
    }
}

}  // namespace lurdbcli
