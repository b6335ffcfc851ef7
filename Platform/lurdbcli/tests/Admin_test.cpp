// The administration calls of the client library: services created and
// dropped, empty tablespaces, archives written and restored (checked with
// lurdbadm dump), the descriptions and data-file numbers of a service with
// the time of each table's last change, RestoreTimestamps, the in-use refusals with a
// forked second process holding a login, and the modes of a store's files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "HeldChild.h"
#include "RunProgram.h"
#include "Store.h"
#include "TestService.h"
#include "UmaskScope.h"
#include "lurdbcli.h"

using namespace lurdbcli;
namespace fs = std::filesystem;

namespace {

constexpr int32_t kDbNo = 3;
constexpr int32_t kRec = 10000;
constexpr int32_t kRecordSize = 8;  // ID and V

template <typename Fn>
Fn Get(const char* symbol) {
    return testsupport::FullLibrary().Get<Fn>(symbol);
}

int32_t ReadInt32(const char* bytes) {
    int32_t value = 0;
    std::memcpy(&value, bytes, 4);
    return value;
}

// The permission bits of a file or directory; -1 when there is none.
int Mode(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

// Every file of a service that a login, a change and an archive have made
// (the store, its companions, the archive) has the mode.
void ExpectFileModes(const std::string& data, const std::string& service, int mode) {
    std::vector<std::string> files;
    for (const char* suffix : {"", "-wal", "-shm", ".locks", ".locks-wal", ".locks-shm"}) {
        files.push_back(data + "/" + service + ".lurdb" + suffix);
    }
    for (const auto& entry : fs::directory_iterator(data + "/archive/" + service)) files.push_back(entry.path());
    EXPECT_EQ(files.size(), 7u);
    for (const std::string& file : files) {
        EXPECT_EQ(Mode(file), mode) << file;
    }
}

// The system privileges of a service's dictionary, "<spid> <spname>" in id order.
std::vector<std::string> PrivilegeRows(Store& store) {
    Statement& query = store.Db().Cached("SELECT spid || ' ' || spname FROM \"SYSDB.SYSPRIVILEGDICT\" ORDER BY spid");
    std::vector<std::string> rows;
    while (query.Step()) {
        rows.push_back(query.ColumnText(0));
    }
    return rows;
}

struct Client {
    CreateDbHandlerFn createDbHandler = Get<CreateDbHandlerFn>("_CreateDbHandler$4");
    FreeDbHandlerFn freeDbHandler = Get<FreeDbHandlerFn>("_FreeDbHandler$4");
    InitUserExFn initUserEx = Get<InitUserExFn>("_InitUserEx$8");
    ConnectFn connect = Get<ConnectFn>("_Connect$8");
    FreePtrFn freePtr = Get<FreePtrFn>("_FreePtr$4");
    OpenDbExAFn openDbExA = Get<OpenDbExAFn>("_OpenDbExA$16");
    GetDbDescriptionFn getDbDescription = Get<GetDbDescriptionFn>("_GetDbDescription$16");
    NewRecFn newRec = Get<NewRecFn>("_NewRec$20");
    ModRecFn modRec = Get<ModRecFn>("_ModRec$20");
    DelRecFn delRec = Get<DelRecFn>("_DelRec$20");
    TruncateFileFn truncateFile = Get<TruncateFileFn>("_TruncateFile$12");
    NextRecFn nextRec = Get<NextRecFn>("_NextRec$20");
    BeginTransactionFn beginTransaction = Get<BeginTransactionFn>("_BeginTransaction$16");
    EndTransactionFn endTransaction = Get<EndTransactionFn>("_EndTransaction$8");
    GetServiceNamesFn getServiceNames = Get<GetServiceNamesFn>("_GetServiceNames$16");
    CreateDatabaseFn createDatabase = Get<CreateDatabaseFn>("_CreateDatabase$16");
    DropDatabaseFn dropDatabase = Get<DropDatabaseFn>("_DropDatabase$8");
    CreateTablespaceFn createTablespace = Get<CreateTablespaceFn>("_CreateTablespace$8");
    ArchiveDbFn archiveDb = Get<ArchiveDbFn>("_ArchiveDb$4");
    RestoreArchiveFn restoreArchive = Get<RestoreArchiveFn>("_RestoreArchive$8");
    GetAllBinaryDescriptorFn getAllBinaryDescriptor = Get<GetAllBinaryDescriptorFn>("_GetAllBinaryDescriptor$16");
    GetV3FileInfoFn getV3FileInfo = Get<GetV3FileInfoFn>("_GetV3FileInfo$24");
    RestoreTimestampsFn restoreTimestamps = Get<RestoreTimestampsFn>("_RestoreTimestamps$16");
};

class AdminTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testsupport::FullLibrary().Loaded());
        std::ofstream(dir.Path() + "/t.schema") << "tablespace T 3\ntable Rec\n  field ID l 4 u\n  field V l 4 n\n";
        MakeService("adm", "1111");
        handle = Login("ADM");
        ASSERT_GT(handle, 0);
        ASSERT_EQ(c.openDbExA(handle, kDbNo, "T", 0), kOk);
    }
    void TearDown() override {
        child.Stop();
        for (int32_t h : handles) c.freeDbHandler(h);
    }

    void MakeService(const std::string& service, const std::string& volumeId) {
        ASSERT_EQ(testsupport::RunAdmin("create-service " + service + " admin secret --volumeid " + volumeId), 0);
        ASSERT_EQ(testsupport::RunAdmin("create-tablespace " + service + " " + dir.Path() + "/t.schema"), 0);
    }
    int32_t NewHandle() {
        int32_t h = -1;
        EXPECT_EQ(c.createDbHandler(&h), kOk);
        handles.push_back(h);
        return h;
    }
    int32_t ConnectedHandle() {
        const int32_t h = NewHandle();
        EXPECT_EQ(c.connect(h, "localhost"), kOk);
        return h;
    }
    // A logged-in handle of the service as ADMIN; -1 when refused.
    int32_t Login(const char* service) {
        std::array<char, connect_info::kSize> block{};
        const int32_t size = connect_info::kSize;
        std::memcpy(block.data() + connect_info::kBlockSize, &size, 4);
        std::strcpy(block.data() + connect_info::kService, service);
        std::strcpy(block.data() + connect_info::kUser, "ADMIN");
        std::strcpy(block.data() + connect_info::kPassword, "SECRET");
        const int32_t h = NewHandle();
        return c.initUserEx(h, block.data()) == kOk ? h : -1;
    }
    int32_t Insert(int32_t id) {
        char record[kRecordSize] = {};
        std::memcpy(record, &id, 4);
        return c.newRec(handle, kDbNo, kRec, kRecordSize, record);
    }
    std::string Dump(const std::string& service) {
        std::string output;
        EXPECT_EQ(testsupport::RunAdmin("dump " + service + " T Rec", &output), 0);
        return output;
    }
    std::string Data() const { return dir.Path() + "/data"; }

    // A login that opens T, adds a record and archives the store: what makes
    // every file beside it. The handle; -1 when a step failed.
    int32_t LoginChangeAndArchive(const char* service) {
        const int32_t h = Login(service);
        char record[kRecordSize] = {};
        const bool done = h > 0 && c.openDbExA(h, kDbNo, "T", 0) == kOk &&
                          c.newRec(h, kDbNo, kRec, kRecordSize, record) == kOk && c.archiveDb(h) == kOk;
        return done ? h : -1;
    }

    // A child process logged in to the service until child.Stop().
    void ChildLogsIn(const char* service) {
        ASSERT_TRUE(child.Start([&] { return Login(service) > 0; }));
    }

    testsupport::TempServiceDir dir;
    Client c;
    int32_t handle = -1;
    std::vector<int32_t> handles;
    lurtest::HeldChild child;
};

TEST_F(AdminTest, CreateDatabaseMakesAStoreWithCatalogueAndVolumeIdButNoUser) {
    const int32_t unconnected = NewHandle();
    EXPECT_EQ(c.createDatabase(unconnected, "fresh", "", ""), kNotConnected);

    const int32_t server = ConnectedHandle();
    ASSERT_EQ(c.createDatabase(server, "fresh:HUNGARIAN_CI", "/srv/db", "/srv/arch"), kOk);
    {
        std::unique_ptr<Store> store = Store::Open("FRESH");
        EXPECT_EQ(store->Param("collation"), "HUNGARIAN_CI");
        EXPECT_EQ(store->Param("databasepath"), "/srv/db");
        EXPECT_EQ(store->Param("archivepath"), "/srv/arch");
        EXPECT_TRUE(store->Param("volumeid").has_value());
        EXPECT_TRUE(store->FindTablespace(kSysdbNumber).has_value());
        Statement& users = store->Db().Cached("SELECT count(*) FROM \"SYSDB.DBUSER\"");
        users.Step();
        EXPECT_EQ(users.ColumnInt(0), 0);
        users.Run();
        // The same system privileges as a service that lurdbadm made.
        const std::vector<std::string> privileges = PrivilegeRows(*store);
        EXPECT_FALSE(privileges.empty());
        EXPECT_EQ(privileges, PrivilegeRows(*Store::Open("ADM")));
    }
    EXPECT_TRUE(fs::exists(Data() + "/FRESH.lurdb"));
    // lurdbadm gives it a user, and the user can log in.
    ASSERT_EQ(testsupport::RunAdmin("add-user fresh admin secret"), 0);
    EXPECT_GT(Login("FRESH"), 0);

    // An existing store is refused and stays as it was; bad names are refused.
    EXPECT_EQ(c.createDatabase(server, "FRESH:OTHER", "/x", "/y"), kLockedOrDuplicate);
    EXPECT_EQ(Store::Open("FRESH")->Param("collation"), "HUNGARIAN_CI");
    EXPECT_EQ(c.createDatabase(server, "a/b", "", ""), kBadServiceName);
    EXPECT_EQ(c.createDatabase(server, ":NOCASE", "", ""), kBadServiceName);
}

TEST_F(AdminTest, DropDatabaseRemovesTheStoreAndRefusesWhatItMustNot) {
    MakeService("victim", "2222");
    MakeService("held", "3333");
    const int32_t server = ConnectedHandle();
    const int32_t otherHandle = Login("HELD");
    ASSERT_GT(otherHandle, 0);
    const struct {
        int32_t handle;
        const char* name;
        int32_t status;
    } refusals[] = {
        {server, "", kBadServiceName},   {server, "../x", kBadServiceName},
        {server, "nosuch", kNoStore},    {handle, "adm", kServiceInUse},  // the handle's own
        {server, "held", kServiceInUse}, {NewHandle(), "victim", kNotConnected},
    };
    for (const auto& refusal : refusals) {
        EXPECT_EQ(c.dropDatabase(refusal.handle, refusal.name), refusal.status) << refusal.name;
    }
    EXPECT_TRUE(fs::exists(Data() + "/HELD.lurdb"));

    // A live process's login holds the service; its death releases it.
    ChildLogsIn("VICTIM");
    EXPECT_EQ(c.dropDatabase(server, "victim"), kServiceInUse);
    EXPECT_TRUE(fs::exists(Data() + "/VICTIM.lurdb"));
    child.Stop();
    EXPECT_EQ(c.dropDatabase(server, "victim"), kOk);
    for (const char* suffix : {"", "-wal", "-shm", ".locks", ".locks-wal", ".locks-shm"}) {
        EXPECT_FALSE(fs::exists(Data() + "/VICTIM.lurdb" + suffix)) << suffix;
    }
    EXPECT_EQ(c.dropDatabase(server, "victim"), kNoStore);
    c.freeDbHandler(otherHandle);
    EXPECT_EQ(c.dropDatabase(server, "held"), kOk);
}

TEST_F(AdminTest, CreateTablespaceTakesTheLowestFreeNumberAndListsItAtVersionZero) {
    EXPECT_EQ(c.createTablespace(handle, "Extra"), kOk);
    EXPECT_EQ(c.createTablespace(handle, "Second"), kOk);
    EXPECT_EQ(c.createTablespace(handle, "Third"), kOk);  // 3 is T's: the next free is 4
    EXPECT_EQ(c.createTablespace(handle, "extra"), kLockedOrDuplicate);
    for (const char* bad : {"", "two words", "a.b", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"}) {
        EXPECT_EQ(c.createTablespace(handle, bad), kBadArgument) << bad;
    }
    EXPECT_EQ(c.createTablespace(ConnectedHandle(), "Nope"), kNotConnected);

    std::unique_ptr<Store> store = Store::Open("ADM");
    Statement& rows = store->Db().Cached(
        "SELECT dbid, name, vermajor, verminor, versub, verbuild FROM \"SYSDB.TABLESPACE\" ORDER BY dbid");
    std::vector<std::string> listed;
    while (rows.Step()) {
        listed.push_back(std::to_string(rows.ColumnInt(0)) + " " + rows.ColumnText(1) + " " +
                         std::to_string(rows.ColumnInt(2) + rows.ColumnInt(3) + rows.ColumnInt(4) + rows.ColumnInt(5)));
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"1 Extra 0", "2 Second 0", "3 T 0", "4 Third 0", "19 SYSDB 1"}));

    // It opens and describes no table.
    ASSERT_EQ(c.openDbExA(handle, 1, "EXTRA", 0), kOk);
    char* blob = nullptr;
    int32_t length = 0;
    ASSERT_EQ(c.getDbDescription(handle, 1, &blob, &length), kOk);
    int16_t files = -1;
    std::memcpy(&files, blob + 8, 2);
    EXPECT_EQ(files, 0);
    c.freePtr(blob);
}

TEST_F(AdminTest, ArchiveThenChangesThenRestoreGivesTheArchivedRowsBack) {
    ASSERT_EQ(Insert(1), kOk);
    ASSERT_EQ(c.archiveDb(handle), kOk);
    const std::string archiveDir = Data() + "/archive/ADM";
    std::vector<std::string> archives;
    for (const auto& entry : fs::directory_iterator(archiveDir)) archives.push_back(entry.path().filename());
    ASSERT_EQ(archives.size(), 1u);  // no temporary file is left
    EXPECT_EQ(archives[0].size(), std::string("ADM-yyyymmddhhmmss.lurdb").size());
    EXPECT_EQ(archives[0].rfind("ADM-20", 0), 0u);
    const std::string archived = Dump("adm");

    ASSERT_EQ(Insert(2), kOk);
    ASSERT_EQ(Insert(3), kOk);  // the handle's position: the last record
    EXPECT_NE(Dump("adm"), archived);

    // By name without its suffix: the content is the archive's again.
    const std::string name = archives[0].substr(0, archives[0].size() - 6);
    ASSERT_EQ(c.restoreArchive(handle, name.c_str()), kOk);
    EXPECT_EQ(Dump("adm"), archived);
    // The position went with the old content: the next record is the first.
    char* record = nullptr;
    ASSERT_EQ(c.nextRec(handle, kDbNo, kRec, kRecordSize, &record), kOk);
    EXPECT_EQ(ReadInt32(record), 1);
    c.freePtr(record);
    // Changes go on in the restored store; by full path it restores again.
    ASSERT_EQ(Insert(5), kOk);
    ASSERT_EQ(c.restoreArchive(handle, (archiveDir + "/" + archives[0]).c_str()), kOk);
    EXPECT_EQ(Dump("adm"), archived);
}

// An archive may hold another layout of an open tablespace (one of the same
// volume, taken before the tablespace was made anew): a handle that used
// the table before the restore reads it by the restored layout.
TEST_F(AdminTest, AfterARestoreTheHandleReadsTablesByTheRestoredLayout) {
    ASSERT_EQ(Insert(1), kOk);  // the handle knows the table by its layout of ID and V
    std::ofstream(dir.Path() + "/wide.schema")
        << "tablespace T 3\ntable Rec\n  field ID l 4 u\n  field V l 4 n\n  field W l 4 n\n";
    ASSERT_EQ(testsupport::RunAdmin("create-service wide admin secret --volumeid 1111"), 0);
    ASSERT_EQ(testsupport::RunAdmin("create-tablespace wide " + dir.Path() + "/wide.schema"), 0);
    const int32_t wide = Login("WIDE");
    ASSERT_EQ(c.openDbExA(wide, kDbNo, "T", 0), kOk);
    const int32_t row[3] = {7, 8, 9};
    char image[sizeof row];
    std::memcpy(image, row, sizeof row);
    ASSERT_EQ(c.newRec(wide, kDbNo, kRec, sizeof image, image), kOk);
    ASSERT_EQ(c.archiveDb(wide), kOk);
    const std::string archive = fs::directory_iterator(Data() + "/archive/WIDE")->path();

    ASSERT_EQ(c.restoreArchive(handle, archive.c_str()), kOk);
    char* record = nullptr;
    ASSERT_EQ(c.nextRec(handle, kDbNo, kRec, sizeof image, &record), kOk);
    EXPECT_EQ(std::vector<int32_t>({ReadInt32(record), ReadInt32(record + 4), ReadInt32(record + 8)}),
              std::vector<int32_t>({7, 8, 9}));
    c.freePtr(record);
    std::memcpy(image, row, sizeof row);
    image[0] = 10;
    EXPECT_EQ(c.newRec(handle, kDbNo, kRec, sizeof image, image), kOk);
}

TEST_F(AdminTest, ArchiveAndRestoreRefusals) {
    ASSERT_EQ(c.archiveDb(handle), kOk);
    const std::string archiveDir = Data() + "/archive/ADM";
    const std::string own = fs::directory_iterator(archiveDir)->path();

    // Inside a transaction neither runs.
    ASSERT_EQ(c.beginTransaction(handle, "T", 0, 0), kOk);
    EXPECT_EQ(c.archiveDb(handle), kTransactionOpen);
    EXPECT_EQ(c.restoreArchive(handle, own.c_str()), kTransactionOpen);
    ASSERT_EQ(c.endTransaction(handle, 0), kOk);

    // Another service's archive, a missing one, a file that is no store.
    MakeService("other", "4444");
    const int32_t other = Login("OTHER");
    ASSERT_EQ(c.archiveDb(other), kOk);
    const std::string foreign = fs::directory_iterator(Data() + "/archive/OTHER")->path();
    std::ofstream(dir.Path() + "/text.lurdb") << "not a store\n";
    const struct {
        std::string archive;
        int32_t status;
    } refusals[] = {
        {foreign, kForeignArchive},
        {"ADM-19990101000000", kNoArchive},
        {dir.Path() + "/nosuch.lurdb", kNoArchive},
        {"", kNoArchive},
        {dir.Path() + "/text.lurdb", kNotAStore},
    };
    for (const auto& refusal : refusals) {
        EXPECT_EQ(c.restoreArchive(handle, refusal.archive.c_str()), refusal.status) << refusal.archive;
    }
    EXPECT_EQ(c.restoreArchive(ConnectedHandle(), own.c_str()), kNotConnected);

    // Another live process logged in to the service stops the restore.
    ChildLogsIn("ADM");
    EXPECT_EQ(c.restoreArchive(handle, own.c_str()), kServiceInUse);
    child.Stop();
    EXPECT_EQ(c.restoreArchive(handle, own.c_str()), kOk);
}

TEST_F(AdminTest, AnArchiveIsNeverWrittenOverAnExistingOne) {
    // The names of this and the next seconds are taken already. The archive
    // is named by the clock as it runs: when the clock has passed the taken
    // seconds by the end of the call, its name may have been free, and the
    // test starts again.
    const std::string archiveDir = Data() + "/archive/ADM";
    constexpr int kTaken = 10;
    for (int attempt = 1;; ++attempt) {
        fs::remove_all(archiveDir);
        fs::create_directories(archiveDir);
        const std::time_t first = std::time(nullptr);
        for (int i = 0; i < kTaken; ++i) {
            const std::time_t when = first + i;
            std::tm utc{};
            gmtime_r(&when, &utc);
            char stamp[16] = {};
            std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &utc);
            std::ofstream(archiveDir + "/ADM-" + stamp + ".lurdb") << "taken";
        }
        const int32_t status = c.archiveDb(handle);
        if (std::time(nullptr) < first + kTaken) {
            EXPECT_EQ(status, kArchiveExists);
            break;
        }
        ASSERT_LT(attempt, 5) << "every attempt outlasted the taken seconds";
    }
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(archiveDir)) {
        ++files;
        EXPECT_EQ(fs::file_size(entry.path()), 5u) << entry.path();
    }
    EXPECT_EQ(files, static_cast<size_t>(kTaken));  // nothing overwritten, no temporary file left
}

// A new store and every file beside it are their owner's alone, whatever the
// umask (0 here): any local user could otherwise copy the store and read
// every table past the login. So are the data folders the tools make. Made
// by lurdbadm and by CreateDatabase (what SQL's CREATE DATABASE calls).
TEST_F(AdminTest, ANewStoreAndTheFilesBesideItAreTheOwnersAlone) {
    const lurtest::UmaskScope permissive(0);
    const int32_t server = ConnectedHandle();
    const struct {
        std::string how;
        std::function<bool()> create;  // service OWN with the user ADMIN
    } makers[] = {
        // Not through RunAdmin, whose output lands beside the data folder.
        {"lurdbadm",
         [&] {
             const lurtest::ProgramCall call{testsupport::BinDir() + "/lurdbadm",
                                             {"create-service", "own", "admin", "secret"},
                                             dir.Path() + "/out.txt",
                                             dir.Path() + "/err.txt"};
             return lurtest::RunProgram(call).status == 0;
         }},
        {"CreateDatabase",
         [&] {
             return c.createDatabase(server, "own", "", "") == kOk &&
                    testsupport::RunAdmin("add-user own admin secret") == 0;
         }},
    };
    for (const auto& maker : makers) {
        SCOPED_TRACE(maker.how);
        const std::string data = dir.Path() + "/" + maker.how + "/data";  // the tools make it
        fs::create_directory(dir.Path() + "/" + maker.how);
        const lurtest::EnvScope location("LURDB_DATA", data);
        ASSERT_TRUE(maker.create());
        ASSERT_EQ(testsupport::RunAdmin("create-tablespace own " + dir.Path() + "/t.schema"), 0);
        ASSERT_GT(LoginChangeAndArchive("OWN"), 0);

        for (const std::string& folder : {data, data + "/archive", data + "/archive/OWN"}) {
            EXPECT_EQ(Mode(folder), 0700) << folder;
        }
        ExpectFileModes(data, "OWN", 0600);
    }
}

// A store that exists keeps its mode (0644 here, as stores were made
// before), and a file made beside it later takes that mode, not the
// umask's leave: whoever may use the store may use its companions.
TEST_F(AdminTest, AnExistingStoreKeepsItsModeAndNewFilesBesideItTakeIt) {
    MakeService("old", "5555");
    const std::string store = Data() + "/OLD.lurdb";
    ASSERT_EQ(chmod(store.c_str(), 0644), 0);
    const lurtest::UmaskScope strict(077);
    const int32_t old = LoginChangeAndArchive("OLD");
    ASSERT_GT(old, 0);
    const std::string archive = fs::directory_iterator(Data() + "/archive/OLD")->path();
    ASSERT_EQ(c.restoreArchive(old, archive.c_str()), kOk);
    ExpectFileModes(Data(), "OLD", 0644);
}

TEST_F(AdminTest, AllBinaryDescriptorsListEveryTablespaceWithItsDescription) {
    const int32_t server = ConnectedHandle();
    char* block = nullptr;
    int32_t length = 0;
    EXPECT_EQ(c.getAllBinaryDescriptor(server, "NOSUCH", &block, &length), kNoStore);
    EXPECT_EQ(block, nullptr);
    ASSERT_EQ(c.getAllBinaryDescriptor(server, "adm", &block, &length), kOk);
    ASSERT_GE(length, 4);
    EXPECT_EQ(ReadInt32(block), 2);
    std::vector<std::string> names;
    size_t offset = 4;
    for (int i = 0; i < 2; ++i) {
        const char* name = block + offset;
        names.emplace_back(name, strnlen(name, kDescriptorNameSize));
        offset += kDescriptorNameSize;
        const int32_t size = ReadInt32(block + offset);
        offset += 4;
        const int32_t dbNo = names.back() == "T" ? kDbNo : kSysdbNumber;
        // The same description the handle gets for the open tablespace.
        c.openDbExA(handle, dbNo, names.back().c_str(), 0);
        char* single = nullptr;
        int32_t singleLength = 0;
        ASSERT_EQ(c.getDbDescription(handle, dbNo, &single, &singleLength), kOk);
        EXPECT_EQ(std::string(block + offset, static_cast<size_t>(size)),
                  std::string(single, static_cast<size_t>(singleLength)));
        c.freePtr(single);
        offset += static_cast<size_t>(size);
    }
    EXPECT_EQ(offset, static_cast<size_t>(length));
    EXPECT_EQ(names, (std::vector<std::string>{"T", "SYSDB"}));
    c.freePtr(block);
}

// The file entry of table Rec, from the description of tablespace T.
std::array<char, file_entry::kSize> RecFileEntry(const Client& c, int32_t handle) {
    char* blob = nullptr;
    int32_t length = 0;
    EXPECT_EQ(c.getDbDescription(handle, kDbNo, &blob, &length), kOk);
    std::array<char, file_entry::kSize> entry{};
    std::memcpy(entry.data(), blob + 22, entry.size());  // the first file entry follows the header
    c.freePtr(blob);
    EXPECT_EQ(entry[file_entry::kType], 'd');
    return entry;
}

// Sets the kept change time of a table, as a mark that a later change must
// replace and a rolled-back one must leave.
void SetChangeTime(const char* service, int32_t dbNo, int32_t recType, long long time) {
    Store::Open(service)
        ->Db()
        .Cached("INSERT OR REPLACE INTO _lur_changes (dbno, rectype, time) VALUES (?, ?, ?)")
        .Bind(1, static_cast<long long>(dbNo))
        .Bind(2, static_cast<long long>(recType))
        .Bind(3, time)
        .Run();
}

TEST_F(AdminTest, FileInfoCountsTheRecordsOfTheEntrysTable) {
    const std::array<char, file_entry::kSize> entry = RecFileEntry(c, handle);
    const int32_t server = ConnectedHandle();
    int32_t first = -1, records = -1, changed = -1;
    ASSERT_EQ(c.getV3FileInfo(server, "ADM", entry.data(), &first, &records, &changed), kOk);
    EXPECT_EQ(records, 0);
    EXPECT_EQ(changed, 0);  // never changed
    const auto before = static_cast<int32_t>(std::time(nullptr));
    ASSERT_EQ(Insert(1), kOk);
    ASSERT_EQ(Insert(2), kOk);
    ASSERT_EQ(c.getV3FileInfo(server, "ADM", entry.data(), &first, &records, &changed), kOk);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(records, 2);
    EXPECT_GE(changed, before);
    EXPECT_LE(changed, static_cast<int32_t>(std::time(nullptr)));

    std::array<char, file_entry::kSize> wrong = entry;
    const int32_t noTablespace = 77, noRecordType = 10005;
    std::memcpy(wrong.data() + file_entry::kTablespace, &noTablespace, 4);
    EXPECT_EQ(c.getV3FileInfo(server, "ADM", wrong.data(), &first, &records, &changed), kUnknownTablespace);
    wrong = entry;
    std::memcpy(wrong.data() + file_entry::kRecordType, &noRecordType, 4);
    EXPECT_EQ(c.getV3FileInfo(server, "ADM", wrong.data(), &first, &records, &changed), kUnknownRecordType);
    EXPECT_EQ(c.getV3FileInfo(server, "NOSUCH", entry.data(), &first, &records, &changed), kNoStore);
}

TEST_F(AdminTest, EachCommittedChangeSetsItsTablesTimeAndAnUndoneOneLeavesIt) {
    const std::array<char, file_entry::kSize> entry = RecFileEntry(c, handle);
    const int32_t server = ConnectedHandle();
    constexpr long long kMark = 1000;
    const auto changeTime = [&] {
        int32_t first = -1, records = -1, changed = -1;
        EXPECT_EQ(c.getV3FileInfo(server, "ADM", entry.data(), &first, &records, &changed), kOk);
        return changed;
    };
    // Each change acts on the current record, which Insert(1) makes.
    const auto modify = [&] {
        char record[kRecordSize] = {1, 0, 0, 0, 9, 0, 0, 0};
        return c.modRec(handle, kDbNo, kRec, kRecordSize, record);
    };
    const auto remove = [&] {
        char record[kRecordSize] = {1, 0, 0, 0, 0, 0, 0, 0};
        return c.delRec(handle, kDbNo, kRec, kRecordSize, record);
    };
    const struct {
        const char* name;
        std::function<int32_t()> change;
    } changes[] = {
        {"new", [&] { return Insert(2); }},
        {"modify", modify},
        {"delete", remove},
        {"truncate", [&] { return c.truncateFile(handle, kDbNo, kRec); }},
        {"truncate all", [&] { return c.truncateFile(handle, kDbNo, -1); }},
    };
    for (const auto& test : changes) {
        for (int32_t ending : {-1, 1, 0}) {  // on its own, committed, rolled back
            SCOPED_TRACE(std::string(test.name) + " ending " + std::to_string(ending));
            ASSERT_EQ(c.truncateFile(handle, kDbNo, kRec), kOk);
            ASSERT_EQ(Insert(1), kOk);
            SetChangeTime("ADM", kDbNo, kRec, kMark);
            const auto before = static_cast<int32_t>(std::time(nullptr));
            if (ending >= 0) {
                ASSERT_EQ(c.beginTransaction(handle, "T", 0, 0), kOk);
            }
            ASSERT_EQ(test.change(), kOk);
            if (ending >= 0) {
                ASSERT_EQ(c.endTransaction(handle, ending), kOk);
            }
            const int32_t changed = changeTime();
            if (ending == 0) {
                EXPECT_EQ(changed, kMark);
            } else {
                EXPECT_GE(changed, before);
                EXPECT_LE(changed, static_cast<int32_t>(std::time(nullptr)));
            }
        }
    }
    // A refused change changes nothing: its time stays.
    ASSERT_EQ(c.truncateFile(handle, kDbNo, kRec), kOk);
    ASSERT_EQ(Insert(1), kOk);
    SetChangeTime("ADM", kDbNo, kRec, kMark);
    EXPECT_EQ(Insert(1), kLockedOrDuplicate);
    EXPECT_EQ(changeTime(), kMark);
    ASSERT_EQ(c.beginTransaction(handle, "T", 0, 0), kOk);
    EXPECT_EQ(Insert(1), kLockedOrDuplicate);
    ASSERT_EQ(c.endTransaction(handle, 1), kOk);
    EXPECT_EQ(changeTime(), kMark);
}

TEST_F(AdminTest, RestoreTimestampsSetsTheStoreFileToTheNewestChangeTime) {
    const std::string store = Data() + "/ADM.lurdb";
    const int32_t server = ConnectedHandle();
    const auto fileTime = [&] {
        struct stat info {};
        EXPECT_EQ(stat(store.c_str(), &info), 0);
        return static_cast<long long>(info.st_mtime);
    };
    // Without any change time the file keeps its own.
    const auto untouched = fileTime();
    ASSERT_EQ(c.restoreTimestamps(server, "ADM", "ADMIN", "SECRET"), kOk);
    EXPECT_EQ(fileTime(), untouched);

    SetChangeTime("ADM", kDbNo, kRec, 1'600'000'000);
    SetChangeTime("ADM", kSysdbNumber, kRec, 1'500'000'000);
    EXPECT_EQ(c.restoreTimestamps(server, "ADM", "ADMIN", "WRONG"), kWrongPassword);
    EXPECT_NE(fileTime(), 1'600'000'000);
    ASSERT_EQ(c.restoreTimestamps(server, "ADM", "ADMIN", "SECRET"), kOk);
    EXPECT_EQ(fileTime(), 1'600'000'000);
}

TEST_F(AdminTest, RestoreTimestampsChecksUserAndPasswordAsTheLoginDoes) {
    ASSERT_EQ(testsupport::RunAdmin("add-user adm off pw"), 0);
    ASSERT_EQ(testsupport::RunAdmin("disable-user adm off"), 0);
    const int32_t server = ConnectedHandle();
    const std::string longUser(32, 'A');
    const struct {
        std::string user, password;
        int32_t status;
    } cases[] = {
        {"ADMIN", "SECRET", kOk},     {"admin", "secret", kOk},           {"NOBODY", "SECRET", kNoHandle},
        {"OFF", "PW", kUserDisabled}, {"ADMIN", "WRONG", kWrongPassword}, {longUser, "SECRET", kNoHandle},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(c.restoreTimestamps(server, "ADM", test.user.c_str(), test.password.c_str()), test.status)
            << test.user;
    }
    EXPECT_EQ(c.restoreTimestamps(server, "NOSUCH", "ADMIN", "SECRET"), kNoStore);
    EXPECT_EQ(c.restoreTimestamps(NewHandle(), "ADM", "ADMIN", "SECRET"), kNotConnected);
}

TEST_F(AdminTest, ServiceNamesComeWithTheBlocksLength) {
    MakeService("second", "5555");
    char* block = nullptr;
    int32_t length = -1, count = -1;
    ASSERT_EQ(c.getServiceNames(ConnectedHandle(), &block, &length, &count), kOk);
    EXPECT_EQ(count, 2);
    std::vector<std::string> names;
    for (int32_t offset = 0; offset < length; offset += static_cast<int32_t>(names.back().size()) + 1) {
        names.emplace_back(block + offset);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ADM", "SECOND"}));
    EXPECT_EQ(length, 11);
    c.freePtr(block);
}

}  // namespace
