// The administration calls of LuConn: on the connection's handle (with the
// index dispatch between the two library variants), and with a handle of
// their own (database creation, time stamps, data-file information), against
// lurdbadm services through the built client library; recorders stand in for
// single library functions where a test needs a failure or a bad block.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "DbDescError.h"
#include "DbErrorCode.h"
#include "DescBlob.h"
#include "FakeWindowSystem.h"
#include "FunctionLoader.h"
#include "HeldChild.h"
#include "InteractiveScope.h"
#include "LuConn.h"
#include "ServiceTest.h"
#include "TRdmLogin.h"

namespace {

namespace fs = std::filesystem;
using lurtest::ErrorCode;

constexpr const char* kLocation = "GenModules\\LurCliStl\\LuConn";

// Puts a replacement into a pointer of the process's function table and
// gives the old value back when it goes.
template <class Fn>
class Substitute {
public:
    Substitute(Fn& pointer, std::type_identity_t<Fn> replacement) : m_pointer(pointer), m_saved(pointer) {
        pointer = replacement;
    }
    ~Substitute() { m_pointer = m_saved; }
    Substitute(const Substitute&) = delete;
    Substitute& operator=(const Substitute&) = delete;

private:
    Fn& m_pointer;
    Fn m_saved;
};

// What the recorders saw, and what some of them answer.
struct Recorded {
    std::vector<std::string> calls;
    int32_t status = 0;  // the answer of the recorders that answer one
    int created = 0;
    int freedHandles = 0;
    int freedBlocks = 0;
    std::string block;          // what the descriptor or name recorder hands out
    int32_t count = 0;          // the name count the name recorder reports
    int failFileInfoCalls = 0;  // the first so many file-info calls fail
};
Recorded recorded;
lurdbcli::CreateDbHandlerFn realCreateDbHandler = nullptr;
lurdbcli::FreeDbHandlerFn realFreeDbHandler = nullptr;
lurdbcli::FreePtrFn realFreePtr = nullptr;
lurdbcli::GetV3FileInfoFn realGetV3FileInfo = nullptr;

int32_t RecordReindex(int32_t, int32_t file) {
    recorded.calls.push_back("Reindex(handle, " + std::to_string(file) + ")");
    return recorded.status;
}
int32_t RecordReindexAll(int32_t) {
    recorded.calls.push_back("Reindex(handle)");
    return recorded.status;
}
int32_t RecordArchiveDb(int32_t) {
    recorded.calls.push_back("ArchiveDb");
    return 0;
}
int32_t RecordRestoreArchive(int32_t, const char*) {
    recorded.calls.push_back("RestoreArchive");
    return 0;
}
int32_t RecordDropDatabase(int32_t, const char*) {
    recorded.calls.push_back("DropDatabase");
    return 0;
}
int32_t RecordCreateTablespace(int32_t, const char*) {
    recorded.calls.push_back("CreateTablespace");
    return 0;
}
int32_t CountCreateDbHandler(int32_t* handle) {
    ++recorded.created;
    return realCreateDbHandler(handle);
}
int32_t CountFreeDbHandler(int32_t handle) {
    ++recorded.freedHandles;
    return realFreeDbHandler(handle);
}
int32_t FailConnect(int32_t, const char*) { return recorded.status; }
char* HandOut(const std::string& bytes) {
    char* block = static_cast<char*>(std::malloc(bytes.size() + 1));
    std::memcpy(block, bytes.data(), bytes.size());
    return block;
}
int32_t CountFreePtr(void* block) {
    ++recorded.freedBlocks;
    std::free(block);
    return 0;
}
int32_t HandOutDescriptors(int32_t, const char*, char** block, int32_t* length) {
    *block = HandOut(recorded.block);
    *length = static_cast<int32_t>(recorded.block.size());
    return recorded.status;
}
int32_t HandOutNames(int32_t, char** block, int32_t* length, int32_t* count) {
    *block = HandOut(recorded.block);
    *length = static_cast<int32_t>(recorded.block.size());
    *count = recorded.count;
    return 0;
}
int32_t FailFirstFileInfo(int32_t handle, const char* service, const char* entry, int32_t* first, int32_t* second,
                          int32_t* third) {
    if (recorded.failFileInfoCalls > 0) {
        --recorded.failFileInfoCalls;
        *first = 77;
        return lurdbcli::kStoreError;
    }
    return realGetV3FileInfo(handle, service, entry, first, second, third);
}

void AppendInt32(std::string& block, int32_t value) { block.append(reinterpret_cast<const char*>(&value), 4); }

// A descriptor block of one tablespace with the given description.
std::string DescriptorBlock(const std::string& name, const std::string& description) {
    std::string block;
    AppendInt32(block, 1);
    std::string paddedName = name;
    paddedName.resize(lurdbcli::kDescriptorNameSize, '\0');
    block += paddedName;
    AppendInt32(block, static_cast<int32_t>(description.size()));
    return block + description;
}

class LuConnAdminTest : public ::testing::Test {
protected:
    void SetUp() override {
        service = std::make_unique<lurtest::ServiceFixture>(lurtest::kCarAutoSchema);
        ASSERT_TRUE(conn.Open("TESTSVC", "admin", "secret", false));
        recorded = Recorded{};
        FunctionLoader& client = GetFunctionLoader();
        realCreateDbHandler = client.pfCreateDbHandler;
        realFreeDbHandler = client.pfFreeDbHandler;
        realFreePtr = client.pfFreePtr;
        realGetV3FileInfo = client.pfGetV3FileInfo;
    }
    std::string Dump() const {
        std::string output;
        EXPECT_EQ(service->RunAdmin("dump TESTSVC Car Auto", &output), 0);
        return output;
    }
    std::vector<std::string> Archives() const {
        std::vector<std::string> names;
        const fs::path dir = std::string(std::getenv("LURDB_DATA")) + "/archive/TESTSVC";
        if (fs::exists(dir))
            for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
        return names;
    }
    // A child process logged in to the service until child.Stop().
    void ChildLogsIn() {
        ASSERT_TRUE(child.Start([] {
            static LuConn holder;  // the child's login lasts until it is killed
            return holder.Open("TESTSVC", "admin", "secret", false);
        }));
    }

    std::unique_ptr<lurtest::ServiceFixture> service;
    LuConn conn;
    lurtest::HeldChild child;
};

TEST_F(LuConnAdminTest, ReindexTakesTheVariantTheLibraryHas) {
    FunctionLoader& client = GetFunctionLoader();
    const struct {
        bool one, all;  // which variants the library has
        int32_t file;
        std::vector<std::string> calls;  // empty: refused with 10038 "pfReindex"
    } cases[] = {
        {true, true, -1, {"Reindex(handle)"}},
        {true, true, 3, {"Reindex(handle, 3)"}},
        {false, true, -1, {"Reindex(handle)"}},
        {false, true, 3, {}},
        {true, false, -1, {"Reindex(handle, -1)"}},
        {true, false, 3, {"Reindex(handle, 3)"}},
        {false, false, -1, {}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::to_string(test.one) + std::to_string(test.all) + " " + std::to_string(test.file));
        recorded = Recorded{};
        Substitute one(client.pfReindex, test.one ? &RecordReindex : nullptr);
        Substitute all(client.pfReindexAll, test.all ? &RecordReindexAll : nullptr);
        EXPECT_EQ(conn.CanReindex(true), test.one);
        EXPECT_EQ(conn.CanReindex(false), test.one || test.all);
        if (test.calls.empty()) {
            try {
                conn.Reindex(test.file);
                ADD_FAILURE() << "no raise";
            } catch (const DbDescError& error) {
                EXPECT_EQ(error.GetCode(), 10038);
                EXPECT_EQ(error.GetArgs(), StrVector("pfReindex"));
                EXPECT_EQ(error.GetLocation().file, std::string(kLocation));
            }
        } else {
            conn.Reindex(test.file);
        }
        EXPECT_EQ(recorded.calls, test.calls);
    }
    // A refusal raises the status without arguments.
    Substitute one(client.pfReindex, &RecordReindex);
    recorded.status = 10008;
    try {
        conn.Reindex(9);
        ADD_FAILURE() << "no raise";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10008);
        EXPECT_TRUE(error.GetArgs().empty());
    }
}

TEST_F(LuConnAdminTest, TheLibraryReindexes) {
    EXPECT_NO_THROW(conn.Reindex(-1));
    EXPECT_NO_THROW(conn.Reindex(5));
    EXPECT_EQ(ErrorCode([&] { conn.Reindex(77); }), 10008);
}

TEST_F(LuConnAdminTest, HandleOperationsOfAnUnconnectedConnectionRaise10014WithoutALibraryCall) {
    FunctionLoader& client = GetFunctionLoader();
    Substitute archive(client.pfArchiveDb, &RecordArchiveDb);
    Substitute restore(client.pfRestoreArchive, &RecordRestoreArchive);
    Substitute drop(client.pfDropDatabase, &RecordDropDatabase);
    Substitute tablespace(client.pfCreateTablespace, &RecordCreateTablespace);
    Substitute reindex(client.pfReindex, &RecordReindex);
    Substitute reindexAll(client.pfReindexAll, &RecordReindexAll);
    LuConn unconnected;
    conn.Disconnect();
    for (LuConn* c : {&unconnected, &conn}) {
        const std::vector<std::function<void()>> operations = {
            [&] { c->ArchiveDb(); },           [&] { c->RestoreArchive("A"); }, [&] { c->DropDatabase("X"); },
            [&] { c->CreateTablespace("T"); }, [&] { c->Reindex(-1); },         [&] { c->Reindex(3); },
        };
        for (const auto& operation : operations) {
            try {
                operation();
                ADD_FAILURE() << "no raise";
            } catch (const DbDescError& error) {
                EXPECT_EQ(error.GetCode(), 10014);
                EXPECT_TRUE(error.GetArgs().empty());
                EXPECT_EQ(error.GetLocation().file, std::string(kLocation));
            }
        }
    }
    EXPECT_TRUE(recorded.calls.empty());
}

TEST_F(LuConnAdminTest, CreateDatabaseReleasesItsHandleOnEveryPathAndNamesServerAndDatabase) {
    FunctionLoader& client = GetFunctionLoader();
    Substitute create(client.pfCreateDbHandler, &CountCreateDbHandler);
    Substitute release(client.pfFreeDbHandler, &CountFreeDbHandler);
    conn.CreateDatabase("localhost", "NEWDB:HUNGARIAN", "/srv/db", "/srv/arch");
    EXPECT_TRUE(fs::exists(std::string(std::getenv("LURDB_DATA")) + "/NEWDB.lurdb"));
    try {
        conn.CreateDatabase("localhost", "NEWDB", "", "");
        ADD_FAILURE() << "no raise";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10005);
        EXPECT_EQ(error.GetArgs(), StrVector("localhost::NEWDB"));
        EXPECT_EQ(error.GetLocation().file, std::string(kLocation));
    }
    {
        // A refused Connect raises its status without arguments.
        recorded.status = 10001;
        Substitute connect(client.pfConnect, &FailConnect);
        EXPECT_EQ(ErrorCode([&] { conn.CreateDatabase("far", "OTHER", "", ""); }), 10001);
    }
    EXPECT_EQ(recorded.created, 3);
    EXPECT_EQ(recorded.freedHandles, 3);
    // A missing function is named before any handle is made.
    Substitute missing(client.pfCreateDatabase, nullptr);
    try {
        conn.CreateDatabase("localhost", "THIRD", "", "");
        ADD_FAILURE() << "no raise";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10038);
        EXPECT_EQ(error.GetArgs(), StrVector("pfCreateDatabase"));
    }
    EXPECT_EQ(recorded.created, 3);
}

TEST_F(LuConnAdminTest, CreateAndDropDatabasesAndTheRefusals) {
    conn.CreateDatabase("localhost", "SECOND", "", "");
    std::vector<std::string> names{"FIRST"};
    conn.GetServiceNames(names);
    std::sort(names.begin() + 1, names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"FIRST", "SECOND", "TESTSVC"}));

    const struct {
        const char* name;
        int code;
    } refusals[] = {{"", 10006}, {"NOSUCH", 10007}, {"TESTSVC", 10027}};
    for (const auto& refusal : refusals) {
        try {
            conn.DropDatabase(refusal.name);
            ADD_FAILURE() << "no raise for " << refusal.name;
        } catch (const DbDescError& error) {
            EXPECT_EQ(error.GetCode(), refusal.code);
            EXPECT_EQ(error.GetArgs(), StrVector(refusal.name));
        }
    }
    conn.DropDatabase("second");
    EXPECT_EQ(ErrorCode([&] { conn.DropDatabase("SECOND"); }), 10007);

    conn.CreateTablespace("Empty");
    EXPECT_EQ(ErrorCode([&] { conn.CreateTablespace("EMPTY"); }), 10005);
    EXPECT_TRUE(conn.GetTablespaces().OpenTablespace("Empty", 1, 0, false));
}

TEST_F(LuConnAdminTest, ArchiveChangeAndRestoreGiveTheArchivedRowsBack) {
    service->Load("Car", "Auto", "ID,RENDSZ\n1,AAA-111\n");
    EXPECT_TRUE(conn.ArchiveDb());
    const std::vector<std::string> archives = Archives();
    ASSERT_EQ(archives.size(), 1u);
    const std::string archived = Dump();
    service->Load("Car", "Auto", "ID,RENDSZ\n2,BBB-222\n");
    ASSERT_NE(Dump(), archived);

    // Another live process logged in stops the restore; its end frees it.
    ChildLogsIn();
    try {
        conn.RestoreArchive(archives[0]);
        ADD_FAILURE() << "no raise";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10027);
        EXPECT_EQ(error.GetArgs(), StrVector(archives[0]));
    }
    child.Stop();
    EXPECT_TRUE(conn.RestoreArchive(archives[0]));
    EXPECT_EQ(Dump(), archived);

    try {
        conn.RestoreArchive("NOSUCH");
        ADD_FAILURE() << "no raise";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10029);
        EXPECT_EQ(error.GetArgs(), StrVector("NOSUCH"));
    }
    conn.GetTablespaces().BeginTrans("T", true);
    try {
        conn.ArchiveDb();
        ADD_FAILURE() << "no raise";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10023);
        EXPECT_EQ(error.GetArgs(), StrVector("TESTSVC") << "ArchiveDb");
    }
    conn.GetTablespaces().EndTrans(false);
}

TEST_F(LuConnAdminTest, FileInfoOfEveryDataFileAfterChanges) {
    const auto before = static_cast<int32_t>(std::time(nullptr));
    service->Load("Car", "Auto", "ID,RENDSZ\n1,AAA-111\n2,BBB-222\n");
    std::vector<V3FileInfo> list(1);  // kept: the list is not emptied
    conn.GetV3FileInfo("TESTSVC", list);
    ASSERT_EQ(list.size(), 1u + 1u + 9u);  // Car's one table, then SYSDB's nine
    const V3FileInfo& autoFile = list[1];
    EXPECT_STREQ(reinterpret_cast<const char*>(autoFile.fileEntry.bytes), "Auto");
    EXPECT_EQ(autoFile.result, 0);
    EXPECT_EQ(autoFile.second, 2);
    EXPECT_GE(autoFile.third, before);  // the time of the load
    EXPECT_LE(autoFile.third, static_cast<int32_t>(std::time(nullptr)));
    EXPECT_EQ(list[2].third, 0);  // SYSDB's tables were never changed after their creation
    for (size_t i = 1; i < list.size(); ++i) EXPECT_EQ(list[i].fileEntry.bytes[51], 'd');

    // A failing call marks its file and the loop goes on.
    Substitute fileInfo(GetFunctionLoader().pfGetV3FileInfo, &FailFirstFileInfo);
    recorded.failFileInfoCalls = 1;
    std::vector<V3FileInfo> again;
    conn.GetV3FileInfo("TESTSVC", again);
    ASSERT_EQ(again.size(), 10u);
    EXPECT_EQ(again[0].result, 10011);
    EXPECT_EQ(again[1].result, 0);
}

TEST_F(LuConnAdminTest, DescriptorBlocksAreCheckedWholeAndReturnedOnEveryPath) {
    FunctionLoader& client = GetFunctionLoader();
    Substitute create(client.pfCreateDbHandler, &CountCreateDbHandler);
    Substitute release(client.pfFreeDbHandler, &CountFreeDbHandler);
    Substitute descriptors(client.pfGetAllBinaryDescriptor, &HandOutDescriptors);
    Substitute freePtr(client.pfFreePtr, &CountFreePtr);
    const std::string noDataFiles = lurtest::BuildDescBlob({{"Plain", {{"ID", 'l', 4, 'u'}}, {}}});
    const std::string good = DescriptorBlock("PLAIN", noDataFiles);
    std::string nameWithoutZero = good;
    std::memset(nameWithoutZero.data() + 4, 'N', lurdbcli::kDescriptorNameSize);
    std::string longerThanBlock = good;
    AppendInt32(longerThanBlock, 0);  // trailing bytes
    const struct {
        const char* what;
        std::string block;
        int32_t status;
        int code;  // 0: nothing raised
    } cases[] = {
        {"no data files", good, 0, 0},
        {"empty", "", 0, 10011},
        {"count only, entries missing", good.substr(0, 4), 0, 10011},
        {"cut inside the name", good.substr(0, 100), 0, 10011},
        {"cut inside the description", good.substr(0, good.size() - 1), 0, 10011},
        {"name without its zero", nameWithoutZero, 0, 10011},
        {"bytes after the last entry", longerThanBlock, 0, 10011},
        {"bad description", DescriptorBlock("BAD", "garbage"), 0, 10011},
        {"refused by the library", good, 10007, 10007},
    };
    int calls = 0;
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        ++calls;
        recorded.block = test.block;
        recorded.status = test.status;
        std::vector<V3FileInfo> list;
        try {
            conn.GetV3FileInfo("TESTSVC", list);
            EXPECT_EQ(test.code, 0);
        } catch (const DbDescError& error) {
            EXPECT_EQ(error.GetCode(), test.code);
            EXPECT_EQ(error.GetArgs(), StrVector("TESTSVC"));
        }
        EXPECT_TRUE(list.empty());
        EXPECT_EQ(recorded.freedBlocks, calls);
        EXPECT_EQ(recorded.created, calls);
        EXPECT_EQ(recorded.freedHandles, calls);
    }
    // A refused Connect releases the handle too.
    Substitute connect(client.pfConnect, &FailConnect);
    recorded.status = 10001;
    std::vector<V3FileInfo> list;
    EXPECT_EQ(ErrorCode([&] { conn.GetV3FileInfo("TESTSVC", list); }), 10001);
    EXPECT_EQ(recorded.created, calls + 1);
    EXPECT_EQ(recorded.freedHandles, calls + 1);
    EXPECT_EQ(ErrorCode([&] { conn.GetV3FileInfo("NOSUCH", list); }), 10039);
}

TEST_F(LuConnAdminTest, ServiceNamesAreReadOnlyInsideTheBlock) {
    FunctionLoader& client = GetFunctionLoader();
    Substitute names(client.pfGetServiceNames, &HandOutNames);
    Substitute freePtr(client.pfFreePtr, &CountFreePtr);
    const struct {
        std::string block;
        int32_t count;
        std::vector<std::string> names;  // empty: refused with 10003
    } cases[] = {
        {std::string("ONE\0TWO\0", 8), 2, {"ONE", "TWO"}},
        {std::string("ONE\0TWO", 7), 2, {}},  // the last name has no zero
        {std::string("ONE\0", 4), 2, {}},     // fewer names than the count
        {"", 0, {"KEPT"}},
    };
    int blocks = 0;
    for (const auto& test : cases) {
        recorded.block = test.block;
        recorded.count = test.count;
        std::vector<std::string> list{"KEPT"};
        const int code = ErrorCode([&] { conn.GetServiceNames(list); });
        ++blocks;
        if (test.names.empty()) {
            EXPECT_EQ(code, 10003);
            EXPECT_EQ(list, std::vector<std::string>{"KEPT"});
        } else {
            EXPECT_EQ(code, 0);
            std::vector<std::string> expected{"KEPT"};
            if (test.count > 0) expected.insert(expected.end(), test.names.begin(), test.names.end());
            EXPECT_EQ(list, expected);
        }
        EXPECT_EQ(recorded.freedBlocks, blocks);
    }
}

TEST_F(LuConnAdminTest, RestoreTimestampsSetsTheStoreFileToTheLastChange) {
    service->Load("Car", "Auto", "ID,RENDSZ\n1,AAA-111\n");
    std::vector<V3FileInfo> list;
    conn.GetV3FileInfo("TESTSVC", list);
    ASSERT_FALSE(list.empty());
    const std::string store = std::string(std::getenv("LURDB_DATA")) + "/TESTSVC.lurdb";
    const timespec old[2] = {{0, UTIME_OMIT}, {1'000'000'000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, store.c_str(), old, 0), 0);
    EXPECT_TRUE(conn.RestoreTimestamps("TESTSVC", "admin", "secret", false, true));
    struct stat info {};
    ASSERT_EQ(stat(store.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, list[0].third);
}

TEST_F(LuConnAdminTest, RestoreTimestampsChecksTheUserAndAsksWhenInteractive) {
    EXPECT_TRUE(conn.RestoreTimestamps("TESTSVC", "admin", "secret", false, true));
    try {
        conn.RestoreTimestamps("TESTSVC", "admin", "wrong", false, true);
        ADD_FAILURE() << "no raise";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10068);
        EXPECT_EQ(error.GetArgs(), StrVector("TESTSVC"));
    }
    EXPECT_EQ(ErrorCode([&] { conn.RestoreTimestamps("TESTSVC", "nobody", "x", false, true); }), 10014);
    EXPECT_EQ(ErrorCode([&] { conn.RestoreTimestamps("NOSUCH", "admin", "secret", false, true); }), 10039);

    // The dialog's values replace the arguments; a cancel answers false.
    {
        win::FakeWindowSystem windows;
        windows.Script({{win::UserAction::Type, TRdmLogin::kPasswordEntryId, "secret"}, {win::UserAction::Enter}});
        EXPECT_TRUE(conn.RestoreTimestamps("TESTSVC", "admin", "wrong", true, false));
        windows.Script({{win::UserAction::Type, TRdmLogin::kPasswordEntryId, "wrong"}, {win::UserAction::Enter}});
        EXPECT_EQ(ErrorCode([&] { conn.RestoreTimestamps("TESTSVC", "admin", "secret", true, false); }), 10068);
        windows.Escape();
        EXPECT_FALSE(conn.RestoreTimestamps("TESTSVC", "admin", "secret", true, false));
        EXPECT_EQ(LuConn::GetLoginDialog(), nullptr);
    }
    // Without a user in front there is no dialog to ask.
    const lurtest::InteractiveScope noUser(false);
    EXPECT_FALSE(conn.RestoreTimestamps("TESTSVC", "admin", "secret", true, false));
}

}  // namespace
