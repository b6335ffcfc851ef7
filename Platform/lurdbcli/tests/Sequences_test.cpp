// Counters that are rows of SYSDB's "sequencies": what each draw answers and
// leaves, the exhausted status, draws of two processes at once, and the
// server parameter "net_lock".
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Sqlite.h"
#include "Store.h"
#include "TestService.h"
#include "lurdbcli.h"

using namespace lurdbcli;

namespace {

template <typename Fn>
Fn Get(const char* symbol) {
    return testsupport::FullLibrary().Get<Fn>(symbol);
}

struct Client {
    CreateDbHandlerFn createDbHandler = Get<CreateDbHandlerFn>("_CreateDbHandler$4");
    FreeDbHandlerFn freeDbHandler = Get<FreeDbHandlerFn>("_FreeDbHandler$4");
    InitUserExFn initUserEx = Get<InitUserExFn>("_InitUserEx$8");
    FreePtrFn freePtr = Get<FreePtrFn>("_FreePtr$4");
    GetNextIdFn getNextId = Get<GetNextIdFn>("_GetNextId$12");
    BeginTransactionFn beginTransaction = Get<BeginTransactionFn>("_BeginTransaction$16");
    EndTransactionFn endTransaction = Get<EndTransactionFn>("_EndTransaction$8");
    GetServerParamFn getServerParam = Get<GetServerParamFn>("_GetServerParam$12");
    SetServerParamFn setServerParam = Get<SetServerParamFn>("_SetServerParam$12");

    // A handle logged in to SEQ as ADMIN; -1 when refused.
    int32_t Login() const {
        auto block = testsupport::ConnectBlock("SEQ", "ADMIN", "SECRET");
        int32_t handle = -1;
        return createDbHandler(&handle) == kOk && initUserEx(handle, block.data()) == kOk ? handle : -1;
    }
    std::string Param(int32_t handle, const char* name) const {
        char* text = nullptr;
        if (getServerParam(handle, name, &text) != kOk) {
            return "<refused>";
        }
        std::string value = text;
        freePtr(text);
        return value;
    }
};

// What a draw answered: a value, or kSequenceExhausted.
constexpr long long kExhausted = -(1LL << 40);

class SequenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testsupport::FullLibrary().Loaded());
        ASSERT_EQ(testsupport::RunAdmin("create-service seq admin secret"), 0);
    }
    void TearDown() override {
        if (handle > 0) {
            client.freeDbHandler(handle);
        }
    }

    // Adds rows to SYSDB's "sequencies" as lurdbadm loads them.
    void AddSequences(const std::string& csvRows) {
        const std::string path = dir.Path() + "/sequencies.csv";
        std::ofstream(path) << "seq_name,seq_step,seq_id,seq_max,seq_min,seq_recycle,seq_chace\n" << csvRows;
        std::string output;
        ASSERT_EQ(testsupport::RunAdmin("load seq SYSDB sequencies " + path, &output), 0) << output;
    }
    void LogIn() {
        handle = client.Login();
        ASSERT_GT(handle, 0);
    }
    long long Draw(const std::string& name) {
        int32_t value = -1;
        const int32_t status = client.getNextId(handle, name.c_str(), &value);
        if (status == kSequenceExhausted) {
            return kExhausted;
        }
        EXPECT_EQ(status, kOk) << name;
        return value;
    }
    // The seq_id a sequence's row holds now.
    static long long StoredSeqId(const std::string& name) {
        const std::unique_ptr<Store> store = Store::Open("SEQ");
        Statement& query = store->Db().Cached("SELECT seq_id FROM \"SYSDB.SEQUENCIES\" WHERE seq_name = ?");
        const long long seqId = query.Bind(1, name).Step() ? query.ColumnInt(0) : -1;
        query.Reset();
        return seqId;
    }

    testsupport::TempServiceDir dir;
    Client client;
    int32_t handle = -1;
};

struct DrawCase {
    const char* what;
    const char* row;  // seq_name,seq_step,seq_id,seq_max,seq_min,seq_recycle,seq_chace
    const char* drawnAs;
    std::vector<long long> draws;
    long long storedAfter;  // seq_id after the draws
};

TEST_F(SequenceTest, EachDrawAnswersSeqIdAndLeavesItsSuccessor) {
    // Going up a row ends at seq_max and starts again at seq_min, going down
    // the other way round; 0 is no bound (the 32-bit end), and a cycle
    // without the bound it starts from starts again at 1.
    const std::vector<DrawCase> cases = {
        {"step", "STEP5,5,100,0,0,0,0", "STEP5", {100, 105, 110}, 115},
        {"negative step, no bounds", "DOWN,-2,0,0,0,0,0", "DOWN", {0, -2, -4}, -6},
        {"max without cycle", "UPTO3,1,1,3,0,0,0", "UPTO3", {1, 2, 3, kExhausted, kExhausted}, 4},
        {"max with cycle, min 0 restarts at 1", "ROUND,1,2,3,0,1,0", "ROUND", {2, 3, 1, 2, 3, 1}, 2},
        {"max with cycle restarts at min", "TENS,5,10,20,10,1,0", "TENS", {10, 15, 20, 10, 15}, 20},
        {"a step over max cycles too", "JUMP,4,1,10,0,1,0", "JUMP", {1, 5, 9, 1, 5}, 9},
        {"a recycle other than 1 does not cycle", "TWO,1,1,1,0,2,0", "TWO", {1, kExhausted}, 2},
        {"cache is not used", "CACHED,1,7,0,0,0,20", "CACHED", {7, 8, 9}, 10},
        {"name in another case", "ORDERS,1,1,0,0,0,0", "orders", {1, 2}, 3},
        {"down with cycle restarts at max", "DOWNC,-2,5,5,1,1,0", "DOWNC", {5, 3, 1, 5, 3}, 1},
        {"down without cycle stops at min", "DOWNN,-2,5,5,1,0,0", "DOWNN", {5, 3, 1, kExhausted, kExhausted}, -1},
        {"down with cycle, max 0 restarts at 1", "DOWNR,-1,0,0,-1,1,0", "DOWNR", {0, -1, 1, 0}, -1},
        {"a step as wide as the range", "WIDE,4,1,5,1,1,0", "WIDE", {1, 5, 1, 5}, 1},
        {"a step as wide as the range, down", "WIDED,-4,5,5,1,1,0", "WIDED", {5, 1, 5, 1}, 5},
        {"below min going up starts at min", "LIFT,1,-3,10,5,0,0", "LIFT", {5, 6}, 7},
        {"above max going down starts at max", "LIFTD,-1,50,10,0,0,0", "LIFTD", {10, 9}, 8},
        // The last 32-bit value is handed out too, then the row is spent.
        {"32-bit end without cycle",
         "EDGE,10,2147483632,0,0,0,0",
         "Edge",
         {2147483632, 2147483642, kExhausted},
         2147483642},
        {"32-bit end at max",
         "TOP,1,2147483646,2147483647,0,0,0",
         "TOP",
         {2147483646, 2147483647, kExhausted, kExhausted},
         2147483647},
        {"32-bit end with cycle", "EDGEC,10,2147483632,0,5,1,0", "EDGEC", {2147483632, 2147483642, 5, 15}, 25},
        {"32-bit end with cycle, min 0", "TOPC,1,2147483646,0,0,1,0", "TOPC", {2147483646, 2147483647, 1, 2}, 3},
        {"32-bit bottom without cycle",
         "BOTTOM,-1,-2147483647,0,0,0,0",
         "BOTTOM",
         {-2147483647, -2147483648LL, kExhausted},
         -2147483648LL},
        {"32-bit bottom with cycle",
         "BOTTOMC,-1,-2147483647,-5,0,1,0",
         "BOTTOMC",
         {-2147483647, -2147483648LL, -5, -6},
         -7},
        {"the widest steps", "HUGE,2147483647,0,0,0,0,0", "HUGE", {0, 2147483647, kExhausted}, 2147483647},
        {"the widest steps, down",
         "HUGED,-2147483648,0,0,0,0,0",
         "HUGED",
         {0, -2147483648LL, kExhausted},
         -2147483648LL},
    };
    std::string rows;
    for (const DrawCase& c : cases) {
        rows += std::string(c.row) + "\n";
    }
    AddSequences(rows);
    LogIn();
    for (const DrawCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<long long> draws;
        for (size_t i = 0; i < c.draws.size(); ++i) {
            draws.push_back(Draw(c.drawnAs));
        }
        EXPECT_EQ(draws, c.draws);
        EXPECT_EQ(StoredSeqId(std::string(c.row).substr(0, std::string(c.row).find(','))), c.storedAfter);
    }
    // Other names stay plain counters, even one a sequence's name begins.
    EXPECT_EQ(Draw("ORDER"), 1);
    EXPECT_EQ(Draw("ORDER"), 2);
    EXPECT_NE(StatusText(kSequenceExhausted), nullptr);
}

TEST_F(SequenceTest, ARowThatWouldRepeatAValueIsRefusedAndKept) {
    // Loaded as they stand (CREATE SEQUENCE refuses them): no draw hands
    // out one value again and again, or a value of an empty range.
    const struct {
        const char* row;
        long long seqId;
    } rows[] = {
        {"ZERO,0,1,0,0,0,0", 1},                                        // a step of 0
        {"REPEAT,2147483647,2147483647,2147483647,5,1,0", 2147483647},  // wider than 5..2147483647
        {"SINGLE,1,3,3,3,1,0", 3},                                      // a range of one value
        {"WIDER,-5,5,5,1,1,0", 5},                                      // 5 is wider than 1..5 going down
        {"EMPTY,1,5,1,10,0,0", 5},                                      // MAXVALUE below MINVALUE
        {"RESTART,1,-10,-5,0,1,0", -10},                                // it would start again at 1, above -5
    };
    std::string csv;
    for (const auto& r : rows) csv += std::string(r.row) + "\n";
    AddSequences(csv);
    LogIn();
    for (const auto& r : rows) {
        const std::string name = std::string(r.row).substr(0, std::string(r.row).find(','));
        SCOPED_TRACE(name);
        int32_t value = 0;
        EXPECT_EQ(client.getNextId(handle, name.c_str(), &value), kSequenceUnusable);
        EXPECT_EQ(client.getNextId(handle, name.c_str(), &value), kSequenceUnusable);
        EXPECT_EQ(StoredSeqId(name), r.seqId);
    }
    EXPECT_NE(StatusText(kSequenceUnusable), nullptr);
}

TEST_F(SequenceTest, AStoreMadeBeforeSpentRowsWereMarkedGetsTheMarks) {
    {
        Database db(Store::PathFor("SEQ"), false);
        for (const char* drop : {"DROP TABLE _lur_spent_sequences", "DROP TRIGGER _lur_spent_sequences_update",
                                 "DROP TRIGGER _lur_spent_sequences_delete"})
            db.Exec(drop);
    }
    AddSequences("LAST,1,2147483647,0,0,0,0\n");
    LogIn();
    EXPECT_EQ(Draw("LAST"), 2147483647);
    EXPECT_EQ(Draw("LAST"), kExhausted);
    // The mark goes with the row: loaded again, the row starts afresh.
    Store::Open("SEQ")->Db().Exec("DELETE FROM \"SYSDB.SEQUENCIES\" WHERE seq_name = 'LAST'");
    AddSequences("LAST,1,2147483647,0,0,0,0\n");
    EXPECT_EQ(Draw("LAST"), 2147483647);
    EXPECT_EQ(Draw("LAST"), kExhausted);
}

TEST_F(SequenceTest, ADrawBelongsToTheHandlesTransaction) {
    AddSequences("TX,1,1,0,0,0,0\n");
    LogIn();
    ASSERT_EQ(client.beginTransaction(handle, "DRAW", 0, 0), kOk);
    EXPECT_EQ(Draw("TX"), 1);
    ASSERT_EQ(client.endTransaction(handle, 0), kOk);
    EXPECT_EQ(Draw("TX"), 1);  // the aborted draw is undone
    ASSERT_EQ(client.beginTransaction(handle, "DRAW", 0, 0), kOk);
    EXPECT_EQ(Draw("TX"), 2);
    ASSERT_EQ(client.endTransaction(handle, 1), kOk);
    EXPECT_EQ(StoredSeqId("TX"), 3);
}

// One byte through a pipe, with a bounded wait.
bool WaitForByte(int fd) {
    pollfd ready{fd, POLLIN, 0};
    char byte = 0;
    return poll(&ready, 1, 20000) == 1 && read(fd, &byte, 1) == 1;
}

TEST_F(SequenceTest, TwoProcessesDrawingAtOnceNeverGetTheSameValue) {
    constexpr int kDraws = 150;
    AddSequences("SHARED,3,10,0,0,0,0\n");
    int go[2] = {-1, -1};
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    for (int n = 0; n < 2; ++n) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Logged in first, then all draws as fast as they come. The exit
            // status tells a failed login (1), wait (2) or draw (3).
            const int32_t own = client.Login();
            if (own <= 0) {
                _exit(1);
            }
            if (!WaitForByte(go[0])) {
                _exit(2);
            }
            std::ofstream out(dir.Path() + "/drawn" + std::to_string(n));
            for (int i = 0; i < kDraws; ++i) {
                int32_t value = 0;
                const int32_t status = client.getNextId(own, "shared", &value);
                if (status != kOk) {
                    std::fprintf(stderr, "draw %d: status %d\n", i, status);
                    _exit(3);
                }
                out << value << '\n';
            }
            out.close();
            _exit(0);
        }
        children.push_back(child);
    }
    ASSERT_EQ(write(go[1], "xx", 2), 2);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    close(go[0]);
    close(go[1]);

    std::vector<long long> drawn;
    for (int n = 0; n < 2; ++n) {
        std::ifstream in(dir.Path() + "/drawn" + std::to_string(n));
        for (long long value = 0; in >> value;) {
            drawn.push_back(value);
        }
    }
    std::sort(drawn.begin(), drawn.end());
    std::vector<long long> expected;
    for (int i = 0; i < 2 * kDraws; ++i) {
        expected.push_back(10 + 3LL * i);
    }
    EXPECT_EQ(drawn, expected);  // every value once, none lost
    EXPECT_EQ(StoredSeqId("SHARED"), 10 + 3LL * 2 * kDraws);
}

TEST_F(SequenceTest, NetLockKeepsOneOrZero) {
    LogIn();
    EXPECT_EQ(client.Param(handle, "net_lock"), "0");
    EXPECT_EQ(client.Param(handle, "debuglog"), "0");
    const struct {
        const char* given;
        int32_t status;
        const char* kept;  // what net_lock answers afterwards
    } cases[] = {
        {"true", kOk, "1"},      {"false", kOk, "0"},       {"TRUE", kOk, "1"},           {"FaLsE", kOk, "0"},
        {"1", kOk, "1"},         {"0", kOk, "0"},           {"True", kOk, "1"},           {"yes", kBadArgument, "1"},
        {"", kBadArgument, "1"}, {"2", kBadArgument, "1"},  {" true", kBadArgument, "1"}, {"truex", kBadArgument, "1"},
        {"FALSE", kOk, "0"},     {"on", kBadArgument, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(client.setServerParam(handle, "net_lock", c.given), c.status);
        EXPECT_EQ(client.Param(handle, "net_lock"), c.kept);
    }
    // A value kept as a word before the flag was normalised reads as the flag.
    Store::Open("SEQ")->SetParam("net_lock", "TRUE");
    EXPECT_EQ(client.Param(handle, "net_lock"), "1");
    // debuglog keeps the mask text as given.
    EXPECT_EQ(client.setServerParam(handle, "debuglog", "18"), kOk);
    EXPECT_EQ(client.Param(handle, "debuglog"), "18");
}

}  // namespace
