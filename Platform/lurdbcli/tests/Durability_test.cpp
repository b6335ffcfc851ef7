// Two processes on one service: what one commits the other sees, a lock of
// one stops the other until its process is gone, a process killed in the
// middle of a transaction leaves nothing of it behind, and one that holds
// the store past the other's wait gets a status of its own.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "EnvScope.h"
#include "Sqlite.h"
#include "Store.h"
#include "TestService.h"
#include "lurdbcli.h"

using namespace lurdbcli;

namespace {

constexpr int32_t kDbNo = 3;
constexpr int32_t kRec = 10000;
constexpr int32_t kRecordSize = 8;  // ID and V, after the 4 bytes not exchanged
constexpr int kWaitMs = 20000;      // bound on every wait for the other process

template <typename Fn>
Fn Get(const char* symbol) {
    return testsupport::FullLibrary().Get<Fn>(symbol);
}

struct Client {
    CreateDbHandlerFn createDbHandler = Get<CreateDbHandlerFn>("_CreateDbHandler$4");
    FreeDbHandlerFn freeDbHandler = Get<FreeDbHandlerFn>("_FreeDbHandler$4");
    InitUserExFn initUserEx = Get<InitUserExFn>("_InitUserEx$8");
    OpenDbExAFn openDbExA = Get<OpenDbExAFn>("_OpenDbExA$16");
    NewRecFn newRec = Get<NewRecFn>("_NewRec$20");
    GetCountFn getCount = Get<GetCountFn>("_GetCount$16");
    BeginTransactionFn beginTransaction = Get<BeginTransactionFn>("_BeginTransaction$16");
    EndTransactionFn endTransaction = Get<EndTransactionFn>("_EndTransaction$8");
    LockRecordFn lockRecord = Get<LockRecordFn>("_LockRecord$16");
    UnlockRecordFn unlockRecord = Get<UnlockRecordFn>("_UnlockRecord$16");
    WhoMadeLockFn whoMadeLock = Get<WhoMadeLockFn>("_WhoMadeLock$20");
    GetNextIdFn getNextId = Get<GetNextIdFn>("_GetNextId$12");

    // A logged-in handle with the tablespace open; -1 on failure.
    int32_t Login(const char* computer) const {
        std::array<char, connect_info::kSize> block{};
        const int32_t size = connect_info::kSize;
        std::memcpy(block.data() + connect_info::kBlockSize, &size, 4);
        std::strcpy(block.data() + connect_info::kService, "DURA");
        std::strcpy(block.data() + connect_info::kUser, "ADMIN");
        std::strcpy(block.data() + connect_info::kPassword, "SECRET");
        std::strcpy(block.data() + connect_info::kComputer, computer);
        int32_t handle = -1;
        if (createDbHandler(&handle) != 0 || initUserEx(handle, block.data()) != 0 ||
            openDbExA(handle, kDbNo, "T", 0) != 0)
            return -1;
        return handle;
    }
    int32_t Insert(int32_t handle, int32_t id) const {
        char record[kRecordSize] = {};
        std::memcpy(record, &id, sizeof id);
        return newRec(handle, kDbNo, kRec, kRecordSize, record);
    }
    int32_t Count(int32_t handle) const {
        int32_t count = -1;
        return getCount(handle, kDbNo, kRec, &count) == 0 ? count : -1;
    }
};

// One byte through a pipe: 1 for success. Receive waits at most kWaitMs and
// is true only for a 1.
bool Receive(int fd) {
    pollfd ready{fd, POLLIN, 0};
    char byte = 0;
    return poll(&ready, 1, kWaitMs) == 1 && read(fd, &byte, 1) == 1 && byte == 1;
}
void Send(int fd, bool success = true) {
    const char byte = success ? 1 : 0;
    (void)!write(fd, &byte, 1);
}

class DurabilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir.Path() + "/t.schema") << "tablespace T 3\ntable Rec\n  field ID l 4 u\n  field V l 4 n\n";
        ASSERT_EQ(testsupport::RunAdmin("create-service dura admin secret"), 0);
        ASSERT_EQ(testsupport::RunAdmin("create-tablespace dura " + dir.Path() + "/t.schema"), 0);
        ASSERT_EQ(pipe(toParent), 0);
        ASSERT_EQ(pipe(toChild), 0);
    }
    void TearDown() override {
        if (child > 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);
    }

    // Runs body in a child process of its own (fresh handles); the child
    // reports with one byte whether body succeeded (Receive(toParent[0]) is
    // true only then) and, when it did, keeps what it holds until it is told
    // to end or this process is gone, however long the checks here take.
    template <typename Body>
    void StartChild(Body body) {
        child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(toChild[1]);  // this process's end is then the only one: its exit ends the wait
            const bool ok = body();
            Send(toParent[1], ok);
            char told = 0;
            if (ok) (void)!read(toChild[0], &told, 1);
            _exit(ok ? 0 : 1);
        }
    }

    testsupport::TempServiceDir dir;
    Client client;
    int toParent[2] = {-1, -1};
    int toChild[2] = {-1, -1};
    pid_t child = -1;
};

TEST_F(DurabilityTest, CommittedChangesAndLocksCrossProcesses) {
    StartChild([this] {
        const int32_t handle = client.Login("CHILDPC");
        int32_t value = 0;
        return handle > 0 && client.lockRecord(handle, kDbNo, kRec, 'w') == 0 &&
               client.beginTransaction(handle, "CHILD", 0, 0) == 0 && client.Insert(handle, 1) == 0 &&
               client.endTransaction(handle, 1) == 0 && client.getNextId(handle, "SHARED", &value) == 0 && value == 1;
    });
    ASSERT_TRUE(Receive(toParent[0]));

    const int32_t handle = client.Login("PARENTPC");
    ASSERT_GT(handle, 0);
    EXPECT_EQ(client.Count(handle), 1);
    int32_t value = 0;
    EXPECT_EQ(client.getNextId(handle, "SHARED", &value), 0);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(client.lockRecord(handle, kDbNo, kRec, 'w'), kLockedOrDuplicate);
    char holder[kHolderTextSize] = {};
    ASSERT_EQ(client.whoMadeLock(handle, kDbNo, kRec, 'w', holder), 0);
    EXPECT_STREQ(holder, "ADMIN@CHILDPC");

    Send(toChild[1]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    child = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // The holder's process is gone, and its lock with it.
    EXPECT_EQ(client.lockRecord(handle, kDbNo, kRec, 'w'), 0);
    client.freeDbHandler(handle);
}

TEST_F(DurabilityTest, AKilledProcessLeavesNothingOfItsOpenTransaction) {
    StartChild([this] {
        const int32_t handle = client.Login("CHILDPC");
        return handle > 0 && client.Insert(handle, 1) == 0 &&  // committed on its own
               client.beginTransaction(handle, "OPEN", 0, 0) == 0 && client.Insert(handle, 2) == 0 &&
               client.lockRecord(handle, kDbNo, kRec, 'w') == 0 && client.Insert(handle, 3) == 0;
    });
    ASSERT_TRUE(Receive(toParent[0]));

    const int32_t handle = client.Login("PARENTPC");
    ASSERT_GT(handle, 0);
    EXPECT_EQ(client.Count(handle), 1);  // the open transaction is not visible
    // Its lock is, at once, although taken inside the transaction.
    EXPECT_EQ(client.lockRecord(handle, kDbNo, kRec, 'w'), kLockedOrDuplicate);

    ASSERT_EQ(kill(child, SIGKILL), 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    child = -1;

    EXPECT_EQ(client.Count(handle), 1);
    EXPECT_EQ(client.lockRecord(handle, kDbNo, kRec, 'w'), 0);
    // Its write lock on the store went with it: the key 2 is free again.
    EXPECT_EQ(client.Insert(handle, 2), 0);
    EXPECT_EQ(client.Count(handle), 2);
    client.freeDbHandler(handle);

    // A fresh handle (a new connection) reads the same durable state.
    const int32_t again = client.Login("PARENTPC");
    EXPECT_EQ(client.Count(again), 2);
    client.freeDbHandler(again);
}

TEST_F(DurabilityTest, AStoreHeldPastTheBusyTimeoutAnswersItsOwnStatus) {
    StartChild([this] {
        const int32_t handle = client.Login("CHILDPC");
        return handle > 0 && client.beginTransaction(handle, "HOLD", 0, 0) == 0 && client.Insert(handle, 1) == 0;
    });
    ASSERT_TRUE(Receive(toParent[0]));

    std::optional<lurtest::EnvScope> shortWait(std::in_place, "LURDB_BUSY_TIMEOUT_MS", "200");
    const int32_t handle = client.Login("PARENTPC");
    ASSERT_GT(handle, 0);
    EXPECT_EQ(client.Insert(handle, 2), kStoreBusy);
    EXPECT_NE(std::string(StatusText(kStoreBusy)).find("busy"), std::string::npos);
    // lurdbadm says the same, naming the service.
    std::ofstream(dir.Path() + "/rows.csv") << "ID,V\n3,3\n";
    std::string output;
    EXPECT_EQ(testsupport::RunAdmin("load dura T Rec " + dir.Path() + "/rows.csv", &output), 1);
    EXPECT_NE(output.find("the store of service DURA is busy"), std::string::npos) << output;
    shortWait.reset();

    // Once the holder is gone (its transaction with it), the same handle goes on.
    Send(toChild[1]);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    child = -1;
    EXPECT_EQ(client.Insert(handle, 2), 0);
    EXPECT_EQ(client.Count(handle), 1);
    client.freeDbHandler(handle);
}

TEST_F(DurabilityTest, AFailedCommitHoldsNoWriteLockAndLaterChangesCommitOnTheirOwn) {
    StartChild([this] {
        const int32_t handle = client.Login("CHILDPC");
        setenv("LURDBCLI_TEST_FAIL_COMMIT", "1", 1);
        const bool commitFailed = handle > 0 && client.beginTransaction(handle, "FAILS", 0, 0) == 0 &&
                                  client.Insert(handle, 1) == 0 && client.endTransaction(handle, 1) == kStoreError;
        unsetenv("LURDBCLI_TEST_FAIL_COMMIT");
        // The caller's abort finds nothing open; the next change commits on
        // its own. The process stays alive with its handle.
        return commitFailed && client.endTransaction(handle, 0) == 0 && client.Insert(handle, 3) == 0;
    });
    ASSERT_TRUE(Receive(toParent[0]));

    const int32_t handle = client.Login("PARENTPC");
    ASSERT_GT(handle, 0);
    // Neither the failed transaction's record nor a held write lock is left:
    // this process writes at once and sees the child's later record.
    EXPECT_EQ(client.Insert(handle, 2), 0);
    EXPECT_EQ(client.Count(handle), 2);
    EXPECT_EQ(client.Insert(handle, 1), 0);  // the failed transaction's key was never taken
    client.freeDbHandler(handle);
}

// The companion file's rows, read as another tool would.
std::vector<std::string> LockFileRows(const std::string& sql) {
    Database locks(Store::PathFor("DURA") + ".locks", false);
    Statement query(locks.Raw(), sql);
    std::vector<std::string> rows;
    while (query.Step()) {
        rows.push_back(query.ColumnText(0));
    }
    return rows;
}

TEST_F(DurabilityTest, AKilledHoldersLocksAndLoginGoEvenWhenItsProcessIdLivesOn) {
    StartChild([this] {
        const int32_t handle = client.Login("CHILDPC");
        return handle > 0 && client.lockRecord(handle, kDbNo, kRec, 'w') == 0;
    });
    ASSERT_TRUE(Receive(toParent[0]));
    EXPECT_TRUE(Store::Open("DURA")->OtherProcessesLoggedIn());

    // As when the id is reused at once: the dead holder's rows name a
    // process that lives (this one).
    {
        Database locks(Store::PathFor("DURA") + ".locks", false);
        const std::string pid = std::to_string(getpid());
        locks.Exec("UPDATE _lur_record_locks SET pid = " + pid);
        locks.Exec("UPDATE _lur_logins SET pid = " + pid);
    }
    ASSERT_EQ(kill(child, SIGKILL), 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    child = -1;

    EXPECT_FALSE(Store::Open("DURA")->OtherProcessesLoggedIn());
    const int32_t handle = client.Login("PARENTPC");
    ASSERT_GT(handle, 0);
    EXPECT_EQ(client.lockRecord(handle, kDbNo, kRec, 'w'), 0);
    EXPECT_EQ(LockFileRows("SELECT holder FROM _lur_record_locks"), std::vector<std::string>{"ADMIN@PARENTPC"});
    client.freeDbHandler(handle);
    EXPECT_TRUE(LockFileRows("SELECT user FROM _lur_logins").empty());
}

TEST_F(DurabilityTest, ANewProcessTakesOnlyADeadSlotAndNoneOfItsLocks) {
    StartChild([this] {
        const int32_t handle = client.Login("FIRSTPC");
        return handle > 0 && client.lockRecord(handle, kDbNo, kRec, 'w') == 0;
    });
    ASSERT_TRUE(Receive(toParent[0]));
    const std::vector<std::string> deadSlot = LockFileRows("SELECT slot FROM _lur_logins");
    ASSERT_EQ(deadSlot.size(), 1u);
    ASSERT_EQ(kill(child, SIGKILL), 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    child = -1;

    // The next process gets the same handle number on the dead slot, and
    // still owns nothing of what the dead one held.
    StartChild([this] {
        const int32_t handle = client.Login("SECONDPC");
        return handle > 0 && client.unlockRecord(handle, kDbNo, kRec, 'w') == kNotFound &&
               client.lockRecord(handle, kDbNo, kRec, 'r') == 0;
    });
    ASSERT_TRUE(Receive(toParent[0]));
    EXPECT_EQ(LockFileRows("SELECT slot FROM _lur_logins"), deadSlot);
    EXPECT_EQ(LockFileRows("SELECT holder FROM _lur_record_locks"), std::vector<std::string>{"ADMIN@SECONDPC"});

    // A live holder's slot is never taken.
    const int32_t handle = client.Login("PARENTPC");
    ASSERT_GT(handle, 0);
    EXPECT_EQ(LockFileRows("SELECT DISTINCT slot FROM _lur_logins").size(), 2u);
    EXPECT_EQ(client.lockRecord(handle, kDbNo, kRec, 'w'), kLockedOrDuplicate);
    client.freeDbHandler(handle);
}

// Two processes opening a file that does not exist yet (the companion file of
// a service at the first logins) both switch it to WAL. SQLite answers busy
// at once to the one that finds the other's write begun, without waiting;
// the connection waits for it as for any other write.
TEST(NewFile, SwitchingToWalWaitsForAnotherCreatorsWrite) {
    testsupport::TempServiceDir dir;
    const std::string path = dir.Path() + "/new.lurdb.locks";
    sqlite3* creator = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &creator, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), SQLITE_OK);
    // The creator's commit may fall while a retry of the connection's settings
    // reads the file: it waits for that read as the product's connections do,
    // instead of failing and keeping its write lock past the other's wait.
    sqlite3_busy_timeout(creator, kWaitMs);
    ASSERT_EQ(sqlite3_exec(creator, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    int committed = -1;
    std::thread finish([creator, &committed] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        committed = sqlite3_exec(creator, "COMMIT", nullptr, nullptr, nullptr);
    });
    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(path, true);
    } catch (const StoreError& error) {
        ADD_FAILURE() << "status " << error.status << ": " << error.detail;
    }
    finish.join();
    EXPECT_EQ(committed, SQLITE_OK) << sqlite3_errmsg(creator);
    sqlite3_close(creator);
    ASSERT_NE(db, nullptr);
    Statement& mode = db->Cached("PRAGMA journal_mode");
    ASSERT_TRUE(mode.Step());
    EXPECT_EQ(mode.ColumnText(0), "wal");
    mode.Reset();
}

}  // namespace
