// Navigation and searches of the client library by its exported names:
// finds that continue from a position on another key value, or-searches
// over compound, raw and very long key lists in one statement, and the
// target rules of changes to the current record.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "HeldChild.h"
#include "Sqlite.h"
#include "TestService.h"
#include "lurdbcli.h"

using namespace lurdbcli;
using testsupport::FullLibrary;

namespace {

constexpr int32_t kDb = 3;
constexpr int32_t kItem = 10000;
// ID l4 u, GRP l4 d, NAME c8 d, TAG c2 raw d, key GRPNAME over GRP and NAME.
constexpr int32_t kSize = 4 + 4 + 8 + 2;
constexpr int32_t kGrp = 1, kName = 2, kTag = 3, kGrpName = 4;

template <typename Fn>
Fn Get(const char* symbol) {
    return FullLibrary().Get<Fn>(symbol);
}

struct Item {
    std::array<char, kSize> bytes{};
    Item(int32_t id = 0, int32_t grp = 0, const std::string& name = "", const std::string& tag = "") {
        std::memcpy(bytes.data(), &id, 4);
        std::memcpy(bytes.data() + 4, &grp, 4);
        std::memcpy(bytes.data() + 8, name.data(), std::min<size_t>(name.size(), 7));
        std::memcpy(bytes.data() + 16, tag.data(), std::min<size_t>(tag.size(), 2));
    }
    int32_t Id() const {
        int32_t id;
        std::memcpy(&id, bytes.data(), 4);
        return id;
    }
    int32_t Grp() const {
        int32_t grp;
        std::memcpy(&grp, bytes.data() + 4, 4);
        return grp;
    }
    std::string Name() const { return std::string(bytes.data() + 8, strnlen(bytes.data() + 8, 8)); }
    char* data() { return bytes.data(); }
};

class NavigationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FullLibrary().Loaded());
        const std::string schema = dir.Path() + "/nav.schema";
        std::ofstream(schema) << "tablespace Nav 3\n"
                                 "table Item\n"
                                 "  field ID   l 4 u\n"
                                 "  field GRP  l 4 d\n"
                                 "  field NAME c 8 d\n"
                                 "  field TAG  c 2 d raw\n"
                                 "  key GRPNAME d GRP NAME\n"
                                 "table Measure\n"
                                 "  field ID    l 4 u\n"
                                 "  field VALUE F 8 d\n";
        ASSERT_EQ(testsupport::RunAdmin("create-service navsvc admin secret"), 0);
        ASSERT_EQ(testsupport::RunAdmin("create-tablespace navsvc " + schema), 0);
        ASSERT_NO_FATAL_FAILURE(LogIn(handle));
        ASSERT_NO_FATAL_FAILURE(InsertItems());
    }
    // Insertion order: ids 1..6.
    void InsertItems() {
        for (Item item : {Item(1, 2, "b", "\x01\x02"), Item(2, 1, "a", "\x03\x04"), Item(3, 2, "B", "\x01\x02"),
                          Item(4, 1, "c", "\x05\x06"), Item(5, 3, "a", "\x07\x08"), Item(6, 2, "d", "\x00\x00")})
            ASSERT_EQ(newRec(handle, kDb, kItem, kSize, item.data()), kOk);
    }
    void TearDown() override { freeDbHandler(handle); }

    // A new handle, logged in, with the tablespace open.
    void LogIn(int32_t& newHandle) {
        ASSERT_EQ(createDbHandler(&newHandle), kOk);
        LogInOn(newHandle);
    }
    // A login on a handle (again: afresh), with the tablespace open.
    void LogInOn(int32_t newHandle) {
        std::array<char, connect_info::kSize> block{};
        const int32_t size = connect_info::kSize;
        std::memcpy(block.data() + connect_info::kBlockSize, &size, 4);
        std::memcpy(block.data() + connect_info::kService, "NAVSVC", 6);
        std::memcpy(block.data() + connect_info::kUser, "ADMIN", 5);
        std::memcpy(block.data() + connect_info::kPassword, "SECRET", 6);
        ASSERT_EQ(initUserEx(newHandle, block.data()), kOk);
        ASSERT_EQ(openDbExA(newHandle, kDb, "Nav", 0), kOk);
    }
    // The stored record of an id (found by ID, which becomes the current
    // key), or an empty name with id -status.
    Item Stored(int32_t id) {
        Item item(id);
        EXPECT_EQ(defineKey(handle, kDb, kItem, 0), kOk);
        const int32_t status = findRec(handle, kDb, kItem, kSize, item.data());
        return status == kOk ? item : Item(-status);
    }

    // The ids of a result block, which is returned.
    std::vector<int32_t> Ids(char* block, int32_t length) {
        std::vector<int32_t> ids;
        for (int32_t offset = 0; offset + kSize <= length; offset += kSize) {
            int32_t id;
            std::memcpy(&id, block + offset, 4);
            ids.push_back(id);
        }
        freePtr(block);
        return ids;
    }
    // An or-search over the key records; the ids, or {-status}.
    std::vector<int32_t> FindOr(const std::vector<Item>& keys, int32_t fieldNo) {
        std::vector<char> list;
        for (Item key : keys) list.insert(list.end(), key.data(), key.data() + kSize);
        const char* data = list.data();
        int32_t length = static_cast<int32_t>(list.size());
        char* result = nullptr;
        const int32_t status = findListOr(handle, &length, &data, &result, kDb, kItem, fieldNo);
        if (status != kOk) return {-status};
        return Ids(result, length);
    }

    testsupport::TempServiceDir dir;
    CreateDbHandlerFn createDbHandler = Get<CreateDbHandlerFn>("_CreateDbHandler$4");
    FreeDbHandlerFn freeDbHandler = Get<FreeDbHandlerFn>("_FreeDbHandler$4");
    InitUserExFn initUserEx = Get<InitUserExFn>("_InitUserEx$8");
    OpenDbExAFn openDbExA = Get<OpenDbExAFn>("_OpenDbExA$16");
    FreePtrFn freePtr = Get<FreePtrFn>("_FreePtr$4");
    NewRecFn newRec = Get<NewRecFn>("_NewRec$20");
    DefineKeyFn defineKey = Get<DefineKeyFn>("_DefineKey$16");
    FirstRecFn firstRec = Get<FirstRecFn>("_FirstRec$20");
    LastRecFn lastRec = Get<LastRecFn>("_LastRec$20");
    FindRecFn findRec = Get<FindRecFn>("_FindRec$20");
    FindRecNextFn findRecNext = Get<FindRecNextFn>("_FindRecNext$20");
    FindRecPrevFn findRecPrev = Get<FindRecPrevFn>("_FindRecPrev$20");
    FindListFn findList = Get<FindListFn>("_FindList$28");
    FindListOrFn findListOr = Get<FindListOrFn>("_FindListOr$28");
    FindBetweenFn findBetween = Get<FindBetweenFn>("_FindBetween$32");
    NextRecFn nextRec = Get<NextRecFn>("_NextRec$20");
    PrevRecFn prevRec = Get<PrevRecFn>("_PrevRec$20");
    ModRecFn modRec = Get<ModRecFn>("_ModRec$20");
    DelRecFn delRec = Get<DelRecFn>("_DelRec$20");
    TruncateFileFn truncateFile = Get<TruncateFileFn>("_TruncateFile$12");
    BeginTransactionFn beginTransaction = Get<BeginTransactionFn>("_BeginTransaction$16");
    EndTransactionFn endTransaction = Get<EndTransactionFn>("_EndTransaction$8");
    CursorCreateFn cursorCreate = Get<CursorCreateFn>("_CursorCreate$20");
    CursorDropFn cursorDrop = Get<CursorDropFn>("_CursorDrop$8");
    CursorOperationFn cursorOperation = Get<CursorOperationFn>("_CursorOperation$20");
    BookmarkCreateFn bookmarkCreate = Get<BookmarkCreateFn>("_BookmarkCreate$16");
    BookmarkDropFn bookmarkDrop = Get<BookmarkDropFn>("_BookmarkDrop$8");
    BookmarkOperationFn bookmarkOperation = Get<BookmarkOperationFn>("_BookmarkOperation$12");
    ReindexFn reindex = Get<ReindexFn>("_Reindex$8");
    int32_t handle = 0;
};

// A row of the Measure table (ID l4 u, VALUE F8 d).
constexpr int32_t kMeasure = 10001, kMeasureSize = 12;
std::array<char, kMeasureSize> MeasureRow(int32_t id, double value) {
    std::array<char, kMeasureSize> bytes{};
    std::memcpy(bytes.data(), &id, 4);
    std::memcpy(bytes.data() + 4, &value, 8);
    return bytes;
}

// Walks of the handle's position along a key, interrupted by other calls.
// Inside a transaction consecutive moves one way step an open statement;
// outside one, and after anything else, every move seeks afresh. Both must
// give the same answers.
class WalkTest : public NavigationTest {
protected:
    enum class Op {
        First,
        Next,
        Prev,
        Last,
        Find,  // FindRec of the item's value of the current key
        Insert,
        Modify,  // ModRec with the item as the copy
        Delete,  // DelRec with the item as the copy
        InsertMeasure,
        ModifyMeasure,
        DeleteMeasure,
        Key,  // DefineKey of field
        Mark,
        GoToMark,
        CursorNext,  // a cursor along the walk's key
        Reindex
    };
    struct Step {
        Op op;
        Item item = {};
        int32_t field = 0;
    };

    // What each step answers: the id of the record it read or wrote (the
    // copy's for a delete), 0 for the others, or -status.
    std::vector<int32_t> Walk(int32_t keyField, const std::vector<Step>& steps, bool inTransaction) {
        std::vector<int32_t> answers;
        // The same table content for every walk.
        EXPECT_EQ(truncateFile(handle, kDb, -1), kOk);
        InsertItems();
        int32_t cursor = 0;
        int32_t bookmark = 0;
        EXPECT_EQ(cursorCreate(handle, kDb, kItem, keyField, &cursor), kOk);
        EXPECT_EQ(bookmarkCreate(handle, kDb, kItem, &bookmark), kOk);
        EXPECT_EQ(defineKey(handle, kDb, kItem, keyField), kOk);
        if (inTransaction) {
            EXPECT_EQ(beginTransaction(handle, "walk", 0, 0), kOk);
        }
        for (const Step& step : steps) {
            Item item = step.item;
            auto measure = MeasureRow(1, 2.5);
            int32_t status = kOk;
            auto move = [&](auto function) {
                char* block = nullptr;
                status = function(handle, kDb, kItem, kSize, &block);
                if (status == kOk) {
                    std::memcpy(item.data(), block, kSize);
                    freePtr(block);
                }
            };
            switch (step.op) {
                case Op::First: move(firstRec); break;
                case Op::Next: move(nextRec); break;
                case Op::Prev: move(prevRec); break;
                case Op::Last: move(lastRec); break;
                case Op::Find: status = findRec(handle, kDb, kItem, kSize, item.data()); break;
                case Op::Insert: status = newRec(handle, kDb, kItem, kSize, item.data()); break;
                case Op::Modify: status = modRec(handle, kDb, kItem, kSize, item.data()); break;
                case Op::Delete: status = delRec(handle, kDb, kItem, kSize, item.data()); break;
                case Op::InsertMeasure: status = newRec(handle, kDb, kMeasure, kMeasureSize, measure.data()); break;
                case Op::ModifyMeasure:
                    measure = MeasureRow(1, 7.5);
                    status = modRec(handle, kDb, kMeasure, kMeasureSize, measure.data());
                    break;
                case Op::DeleteMeasure: status = delRec(handle, kDb, kMeasure, kMeasureSize, measure.data()); break;
                case Op::Key: status = defineKey(handle, kDb, kItem, step.field); break;
                case Op::Mark: status = bookmarkOperation(handle, bookmark, 0); break;
                case Op::GoToMark: status = bookmarkOperation(handle, bookmark, 1); break;
                case Op::CursorNext: status = cursorOperation(handle, cursor, 2, kSize, item.data()); break;
                case Op::Reindex: status = reindex(handle, kDb); break;
            }
            answers.push_back(status != kOk ? -status : item.Id());  // steps without an item answer 0
        }
        if (inTransaction) {
            EXPECT_EQ(endTransaction(handle, 0), kOk);
        }
        EXPECT_EQ(cursorDrop(handle, cursor), kOk);
        EXPECT_EQ(bookmarkDrop(handle, bookmark), kOk);
        return answers;
    }
};

}  // namespace

TEST_F(NavigationTest, FindNextAndPrevContinueInKeyOrderFromThePosition) {
    ASSERT_EQ(defineKey(handle, kDb, kItem, kGrp), kOk);
    struct Case {
        const char* name;
        bool fromLast;  // position on the last record in GRP order (id 5, GRP 3), else the first (id 2, GRP 1)
        bool next;
        int32_t grp;
        int32_t expected;  // id, or -status
    };
    const std::vector<Case> cases = {
        {"next from a smaller key: the first equal record", false, true, 2, 1},
        {"prev from a smaller key: none lies before", false, false, 2, -kNotFound},
        {"next from a greater key: none lies ahead", true, true, 2, -kNotFound},
        {"prev from a greater key: the last equal record", true, false, 2, 6},
        {"next among equal keys: by insertion", false, true, 1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char* block = nullptr;
        ASSERT_EQ((c.fromLast ? lastRec : firstRec)(handle, kDb, kItem, kSize, &block), kOk);
        freePtr(block);
        Item key(0, c.grp);
        const int32_t status = (c.next ? findRecNext : findRecPrev)(handle, kDb, kItem, kSize, key.data());
        EXPECT_EQ(status == kOk ? key.Id() : -status, c.expected);
    }
}

TEST_F(NavigationTest, OrSearchesTakeAnyKeysInOneStatement) {
    // Text without regard to case; results in field order, then insertion.
    EXPECT_EQ(FindOr({Item(0, 0, "B"), Item(0, 0, "d")}, kName), (std::vector<int32_t>{1, 3, 6}));
    // A compound key compares every component.
    EXPECT_EQ(FindOr({Item(0, 2, "b"), Item(0, 3, "A")}, kGrpName), (std::vector<int32_t>{1, 3, 5}));
    // Raw bytes, zero bytes included.
    EXPECT_EQ(FindOr({Item(0, 0, "", std::string("\x00\x00", 2)), Item(0, 0, "", "\x01\x02")}, kTag),
              (std::vector<int32_t>{6, 1, 3}));
    // More keys than a statement could take as parameters.
    std::vector<Item> many;
    for (int32_t grp = 100; grp < 40100; ++grp) many.emplace_back(0, grp);
    many.emplace_back(0, 3);
    EXPECT_EQ(FindOr(many, kGrp), (std::vector<int32_t>{5}));
    // No keys, or none that matches: not found.
    EXPECT_EQ(FindOr({}, kGrp), (std::vector<int32_t>{-kNotFound}));
    EXPECT_EQ(FindOr({Item(0, 9)}, kGrp), (std::vector<int32_t>{-kNotFound}));
}

// ModRec takes the current record when it still has the copy's value of the
// current key, else the first record with that value; every field of this
// table is a key, so an unchanged copy assigns nothing at all.
TEST_F(NavigationTest, ModRecOfTheCurrentRecordFollowsTheTargetRules) {
    struct Case {
        const char* name;
        int32_t keyField;
        Item position;  // found by the current key
        Item copy;
        int32_t status;
        int32_t changedId;     // the id whose stored record the case checks (-1 none)
        std::string expected;  // its name afterwards
    };
    const std::vector<Case> cases = {
        {"an unchanged copy changes nothing", kName, Item(0, 0, "c"), Item(4, 1, "c", "\x05\x06"), kOk, 4, "c"},
        // NAME compares without regard to case, so the current record is
        // the target and takes the copy's spelling.
        {"a key value differing in case only is written", kName, Item(0, 0, "b"), Item(1, 2, "B", "\x01\x02"), kOk, 1,
         "B"},
        {"a changed key of another field is written", 0, Item(4), Item(4, 7, "c", "\x05\x06"), kOk, 4, "c"},
        // The current record (id 2, GRP 1) lacks the copy's GRP 2: the first
        // record with GRP 2 (id 1) is the target.
        {"the current record without the copy's key value", kGrp, Item(0, 1), Item(20, 2, "x"), kOk, 20, "x"},
        {"no record with the copy's key value", kGrp, Item(0, 1), Item(21, 9, "y"), kNotFound, 21, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(defineKey(handle, kDb, kItem, c.keyField), kOk);
        Item position = c.position;
        ASSERT_EQ(findRec(handle, kDb, kItem, kSize, position.data()), kOk);
        Item copy = c.copy;
        EXPECT_EQ(modRec(handle, kDb, kItem, kSize, copy.data()), c.status);
        const Item stored = Stored(c.changedId);
        EXPECT_EQ(stored.Name(), c.expected);
        if (c.status == kOk) {
            EXPECT_EQ(stored.Grp(), c.copy.Grp());
            EXPECT_EQ(copy.Name(), c.expected);  // the stored record comes back
        }
    }
    EXPECT_EQ(Stored(1).Id(), -kNotFound);  // became id 20
    EXPECT_EQ(Stored(2).Grp(), 1);
}

TEST_F(NavigationTest, ChangesOfACurrentRecordAnotherHandleRemovedFindNoTarget) {
    int32_t other = 0;
    ASSERT_NO_FATAL_FAILURE(LogIn(other));
    ASSERT_EQ(defineKey(other, kDb, kItem, 0), kOk);
    // By the ID key, and with no key (the current record itself).
    for (const int32_t keyField : {0, -1}) {
        SCOPED_TRACE(keyField);
        const int32_t id = keyField == 0 ? 5 : 6;
        Item mine(id);
        ASSERT_EQ(defineKey(handle, kDb, kItem, 0), kOk);
        ASSERT_EQ(findRec(handle, kDb, kItem, kSize, mine.data()), kOk);
        ASSERT_EQ(defineKey(handle, kDb, kItem, keyField), kOk);
        Item theirs(id);
        ASSERT_EQ(findRec(other, kDb, kItem, kSize, theirs.data()), kOk);
        ASSERT_EQ(delRec(other, kDb, kItem, kSize, theirs.data()), kOk);
        Item copy(id, 3, "z");
        EXPECT_EQ(modRec(handle, kDb, kItem, kSize, copy.data()), kNotFound);
        EXPECT_EQ(delRec(handle, kDb, kItem, kSize, copy.data()), kNotFound);
    }
    freeDbHandler(other);
}

// Rows are stored in the order of the first unique key, yet equal values of
// another key still come in insertion order.
// Rows that tie on every key but the unique one, inserted against the
// unique key's order: each list search and walk along a duplicate key
// answers them in insertion order, on the layout made now (indexes ending in
// the insertion order) and on a store made before it (indexes of the key
// columns alone, which order ties by the unique key).
TEST_F(NavigationTest, TiesFollowInsertionOrderOnEitherLayout) {
    for (const bool madeBefore : {false, true}) {
        SCOPED_TRACE(madeBefore ? "store made before" : "store made now");
        if (madeBefore) {
            lurdbcli::Database store(dir.Path() + "/data/NAVSVC.lurdb", false);
            for (const char* columns : {"GRP", "NAME", "TAG", "GRP\", \"NAME"}) {
                const std::string name =
                    std::string("\"NAV.ITEM.") + (std::strchr(columns, ',') ? "GRPNAME" : columns) + '"';
                store.Exec("DROP INDEX " + name);
                store.Exec("CREATE INDEX " + name + " ON \"NAV.ITEM\" (\"" + columns + "\")");
            }
        }
        ASSERT_EQ(truncateFile(handle, kDb, kItem), kOk);
        for (int32_t id : {90, 70, 80, 60}) {
            Item item(id, id == 60 ? 6 : 5, id == 60 ? "q" : "p", id == 60 ? "\x0a\x0a" : "\x09\x09");
            ASSERT_EQ(newRec(handle, kDb, kItem, kSize, item.data()), kOk);
        }
        const Item tie(0, 5, "p", "\x09\x09");
        const std::vector<int32_t> inserted{90, 70, 80};
        for (const int32_t field : {kGrp, kName, kTag, kGrpName}) {
            SCOPED_TRACE("field " + std::to_string(field));
            Item key = tie;
            int32_t length = kSize;
            char* result = nullptr;
            ASSERT_EQ(findList(handle, &length, key.data(), &result, kDb, kItem, field), kOk);
            EXPECT_EQ(Ids(result, length), inserted);
            EXPECT_EQ(FindOr({Item(0, 6, "q", "\x0a\x0a"), tie}, field), (std::vector<int32_t>{90, 70, 80, 60}));
            length = kSize;
            ASSERT_EQ(findBetween(handle, kDb, kItem, tie.bytes.data(), tie.bytes.data(), &result, field, &length),
                      kOk);
            EXPECT_EQ(Ids(result, length), inserted);
            // A walk along the key, outside a transaction and stepped inside one.
            for (const bool inTransaction : {false, true}) {
                if (inTransaction) {
                    ASSERT_EQ(beginTransaction(handle, "walk", 0, 0), kOk);
                }
                ASSERT_EQ(defineKey(handle, kDb, kItem, field), kOk);
                std::vector<int32_t> walked;
                for (int32_t status = firstRec(handle, kDb, kItem, kSize, &result); status == kOk;
                     status = nextRec(handle, kDb, kItem, kSize, &result))
                    walked.push_back(Ids(result, kSize).front());
                EXPECT_EQ(walked, (std::vector<int32_t>{90, 70, 80, 60}));
                key = tie;
                ASSERT_EQ(findRec(handle, kDb, kItem, kSize, key.data()), kOk);
                EXPECT_EQ(key.Id(), 90);
                ASSERT_EQ(findRecNext(handle, kDb, kItem, kSize, key.data()), kOk);
                EXPECT_EQ(key.Id(), 70);
                if (inTransaction) {
                    ASSERT_EQ(endTransaction(handle, 0), kOk);
                }
            }
        }
    }
}

// A position keeps the text and raw bytes of its row's keys: finds and moves
// continue from them, also for text that is not plain ASCII, and a record
// read replaces every byte of the caller's copy.
TEST_F(NavigationTest, FindsAndMovesContinueFromTextAndRawKeyValues) {
    for (Item item : {Item(10, 4, "\x9Ar", std::string("\x80\x00", 2)), Item(11, 4, "\x9Ar", "\x80\x01")})
        ASSERT_EQ(newRec(handle, kDb, kItem, kSize, item.data()), kOk);
    // The ids a key's find and then the moves give (-status where one fails).
    const auto walk = [&](int32_t keyField, Item key, const std::vector<NextRecFn>& moves) {
        EXPECT_EQ(defineKey(handle, kDb, kItem, keyField), kOk);
        std::vector<int32_t> ids;
        const int32_t status = findRec(handle, kDb, kItem, kSize, key.data());
        ids.push_back(status == kOk ? key.Id() : -status);
        for (NextRecFn move : moves) {
            char* block = nullptr;
            const int32_t moved = move(handle, kDb, kItem, kSize, &block);
            Item next;
            if (moved == kOk) {
                std::memcpy(next.data(), block, kSize);
                freePtr(block);
            }
            ids.push_back(moved == kOk ? next.Id() : -moved);
        }
        return ids;
    };
    // Every byte but the name's text and its zero differs from the stored record.
    Item byName(-1, -1, "\x9Ar", "\xFF\xFF");
    std::memset(byName.data() + 11, '\xFF', 5);
    EXPECT_EQ(walk(kName, byName, {nextRec, prevRec, prevRec}), (std::vector<int32_t>{10, 11, 10, 6}));
    const Item stored(10, 4, "\x9Ar", std::string("\x80\x00", 2));
    ASSERT_EQ(findRec(handle, kDb, kItem, kSize, byName.data()), kOk);
    EXPECT_EQ(byName.bytes, stored.bytes);
    EXPECT_EQ(findRecNext(handle, kDb, kItem, kSize, byName.data()), kOk);
    EXPECT_EQ(byName.Id(), 11);

    EXPECT_EQ(walk(kTag, Item(0, 0, "", std::string("\x80\x00", 2)), {nextRec, nextRec, prevRec, prevRec}),
              (std::vector<int32_t>{10, 11, -kNotFound, 10, 5}));
}

// A floating key is assigned by an update, never compared exactly: while the
// current record's value differs from the copy's, the first record with the
// copy's value is the target.
TEST_F(NavigationTest, ModRecUnderAFloatingKeyTargetsTheRecordWithTheCopysValue) {
    constexpr int32_t kValue = 1001;
    const auto measure = MeasureRow;
    for (auto row : {measure(1, 2.5), measure(2, 7.5)})
        ASSERT_EQ(newRec(handle, kDb, kMeasure, kMeasureSize, row.data()), kOk);
    ASSERT_EQ(defineKey(handle, kDb, kMeasure, kValue), kOk);
    auto current = measure(0, 2.5);
    ASSERT_EQ(findRec(handle, kDb, kMeasure, kMeasureSize, current.data()), kOk);  // id 1
    // The target is id 2 (VALUE 7.5), which cannot take id 1's ID.
    auto copy = measure(1, 7.5);
    EXPECT_EQ(modRec(handle, kDb, kMeasure, kMeasureSize, copy.data()), kLockedOrDuplicate);
    auto stored = measure(0, 2.5);
    ASSERT_EQ(findRec(handle, kDb, kMeasure, kMeasureSize, stored.data()), kOk);
    EXPECT_EQ(stored, measure(1, 2.5));
    copy = measure(3, 7.5);
    ASSERT_EQ(modRec(handle, kDb, kMeasure, kMeasureSize, copy.data()), kOk);
    stored = measure(0, 7.5);
    ASSERT_EQ(findRec(handle, kDb, kMeasure, kMeasureSize, stored.data()), kOk);
    EXPECT_EQ(stored, measure(3, 7.5));
}

TEST_F(WalkTest, SteppedWalksAnswerAsWalksThatSeekEveryMove) {
    using enum Op;
    constexpr int32_t nf = -kNotFound;
    // Key order by GRP: ids 2 4 | 1 3 6 | 5; by ID: 1 to 6; without a key: insertion order.
    struct Case {
        const char* name;
        int32_t keyField;
        std::vector<Step> steps;
        std::vector<int32_t> expected;
    };
    const std::vector<Case> cases = {
        {"to the end and back",
         kGrp,
         {{First}, {Next}, {Next}, {Next}, {Next}, {Next}, {Next}, {Prev}, {Prev}},
         {2, 4, 1, 3, 6, 5, nf, 6, 3}},
        {"turning round",
         kGrp,
         {{First}, {Next}, {Next}, {Prev}, {Prev}, {Next}, {Last}, {Prev}, {Prev}, {Next}},
         {2, 4, 1, 4, 2, 4, 5, 6, 3, 6}},
        {"a find, and a find that fails, between moves",
         kGrp,
         {{First}, {Next}, {Find, Item(0, 2)}, {Next}, {Find, Item(0, 9)}, {Next}, {Prev}},
         {2, 4, 1, 3, nf, 6, 3}},
        {"an insert into the walked table",
         kGrp,
         {{First}, {Next}, {Next}, {Insert, Item(7, 1, "z")}, {Next}, {Next}},
         {2, 4, 1, 7, 1, 3}},
        {"a change of the current record",
         kGrp,
         {{First}, {Next}, {Modify, Item(4, 1, "cc")}, {Next}, {Next}},
         {2, 4, 4, 1, 3}},
        {"a change of another record, which becomes current",
         0,
         {{First}, {Next}, {Modify, Item(5, 3, "e")}, {Next}, {Prev}, {Prev}},
         {1, 2, 5, 6, 5, 4}},
        {"the current record deleted",
         kGrp,
         {{First}, {Next}, {Delete, Item(4, 1, "c")}, {Next}, {Prev}},
         {2, 4, 4, 1, 2}},
        {"another record deleted, whose place becomes current",
         kGrp,
         {{First}, {Next}, {Delete, Item(1, 2, "b")}, {Next}, {Next}},
         {2, 4, 1, 3, 6}},
        {"changes of another table",
         kGrp,
         {{First}, {Next}, {InsertMeasure}, {Next}, {ModifyMeasure}, {Next}, {DeleteMeasure}, {Prev}, {Prev}},
         {2, 4, 0, 1, 0, 3, 0, 1, 4}},
        {"the key redefined, and defined again as it is",
         kGrp,
         {{First}, {Next}, {Key, {}, 0}, {Next}, {Key, {}, kGrp}, {Next}, {Prev}, {Key, {}, kGrp}, {Prev}},
         {2, 4, 0, 5, 0, nf, 6, 0, 3}},
        {"a bookmark's record made current again",
         kGrp,
         {{First}, {Mark}, {Next}, {GoToMark}, {Next}, {Next}, {Mark}, {GoToMark}, {Next}},
         {2, 0, 4, 0, 4, 1, 0, 0, 3}},
        // The cursor's first move seeks with the statement the handle's walk stands on.
        {"a cursor walking along the same key",
         kGrp,
         {{First}, {Next}, {Next}, {CursorNext}, {Next}, {CursorNext}, {Next}, {CursorNext}},
         {2, 4, 1, 2, 3, 4, 6, 1}},
        // The handle's changes of the table the cursor walks, which leave the cursor where it is.
        {"an insert ahead of a cursor's walk",
         kGrp,
         {{CursorNext}, {CursorNext}, {Insert, Item(7, 1, "z")}, {CursorNext}, {CursorNext}},
         {2, 4, 7, 7, 1}},
        {"a delete ahead of a cursor's walk",
         kGrp,
         {{CursorNext}, {CursorNext}, {Find, Item(0, 2)}, {Delete, Item(1, 2, "b")}, {CursorNext}},
         {2, 4, 1, 1, 3}},
        {"insertion order",
         -1,
         {{First}, {Next}, {Insert, Item(7)}, {Prev}, {Prev}, {Next}, {Next}, {Next}},
         {1, 2, 7, 6, 5, 6, 7, nf}},
        {"a reindex between moves", kGrp, {{First}, {Next}, {Reindex}, {Next}}, {2, 4, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Walk(c.keyField, c.steps, false), c.expected);
        EXPECT_EQ(Walk(c.keyField, c.steps, true), c.expected);
    }
}

// Outside a transaction every move reads what was committed before it
// began, so a walk sees another process's change between two moves.
TEST_F(WalkTest, AWalkOutsideATransactionSeesAnotherProcesssCommitBetweenMoves) {
    ASSERT_EQ(defineKey(handle, kDb, kItem, kGrp), kOk);
    char* block = nullptr;
    ASSERT_EQ(firstRec(handle, kDb, kItem, kSize, &block), kOk);  // id 2
    freePtr(block);
    ASSERT_EQ(nextRec(handle, kDb, kItem, kSize, &block), kOk);  // id 4
    freePtr(block);
    lurtest::HeldChild child;
    // Another record after the position (GRP 1, inserted last) and the next one (id 1) gone.
    ASSERT_TRUE(child.Start([&] {
        int32_t other = 0;
        LogIn(other);
        Item added(8, 1, "x");
        Item gone(1);
        return defineKey(other, kDb, kItem, 0) == kOk && newRec(other, kDb, kItem, kSize, added.data()) == kOk &&
               findRec(other, kDb, kItem, kSize, gone.data()) == kOk &&
               delRec(other, kDb, kItem, kSize, gone.data()) == kOk;
    }));
    std::vector<int32_t> ids;
    while (nextRec(handle, kDb, kItem, kSize, &block) == kOk) {
        Item next;
        std::memcpy(next.data(), block, kSize);
        freePtr(block);
        ids.push_back(next.Id());
    }
    EXPECT_EQ(ids, (std::vector<int32_t>{8, 3, 6, 5}));
}

// A cursor and a bookmark keep their positions across the end of a
// transaction and a second login on the handle, whose connection has new
// statements: their next moves seek afresh.
TEST_F(WalkTest, PositionsThatOutliveTheirTransactionAndLoginSeekAfresh) {
    int32_t cursor = 0;
    int32_t bookmark = 0;
    ASSERT_EQ(cursorCreate(handle, kDb, kItem, kGrp, &cursor), kOk);
    ASSERT_EQ(bookmarkCreate(handle, kDb, kItem, &bookmark), kOk);
    ASSERT_EQ(defineKey(handle, kDb, kItem, kGrp), kOk);
    Item item;
    char* block = nullptr;
    ASSERT_EQ(beginTransaction(handle, "walk", 0, 0), kOk);
    ASSERT_EQ(cursorOperation(handle, cursor, 2, kSize, item.data()), kOk);  // id 2
    ASSERT_EQ(firstRec(handle, kDb, kItem, kSize, &block), kOk);             // id 2
    freePtr(block);
    ASSERT_EQ(bookmarkOperation(handle, bookmark, 0), kOk);
    ASSERT_EQ(endTransaction(handle, 1), kOk);
    ASSERT_NO_FATAL_FAILURE(LogInOn(handle));
    ASSERT_EQ(defineKey(handle, kDb, kItem, kGrp), kOk);
    ASSERT_EQ(beginTransaction(handle, "again", 0, 0), kOk);
    ASSERT_EQ(cursorOperation(handle, cursor, 2, kSize, item.data()), kOk);
    EXPECT_EQ(item.Id(), 4);
    ASSERT_EQ(bookmarkOperation(handle, bookmark, 1), kOk);
    ASSERT_EQ(nextRec(handle, kDb, kItem, kSize, &block), kOk);
    std::memcpy(item.data(), block, kSize);
    freePtr(block);
    EXPECT_EQ(item.Id(), 4);
    EXPECT_EQ(endTransaction(handle, 0), kOk);
}
