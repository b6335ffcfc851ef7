// The client library as its callers see it: loaded with dlopen, a service
// created with lurdbadm from the garage schema, calls through the exported
// decorated names.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "Numbering.h"
#include "Schema.h"
#include "Store.h"
#include "StringScrambler.h"
#include "TestService.h"
#include "lurdbcli.h"

using namespace lurdbcli;
using testsupport::ConnectBlock;
using testsupport::FullLibrary;

namespace {

constexpr int32_t kGarage = 7;
constexpr int32_t kVehicle = 10000;
constexpr int32_t kServiceLog = 10001;
constexpr int32_t kVehicleSize = 73;
// Field numbers of Vehicle (table 0) and ServiceLog (table 1).
constexpr int32_t kVehId = 0, kPlate = 1, kOwner = 2, kPower = 3, kPlateOwner = 9;
constexpr int32_t kLogVehSrv = 1003;

template <typename Fn>
Fn Get(const char* symbol) {
    return FullLibrary().Get<Fn>(symbol);
}

// The functions the tests call, looked up by their exported names.
struct Client {
    CreateDbHandlerFn createDbHandler = Get<CreateDbHandlerFn>("_CreateDbHandler$4");
    FreeDbHandlerFn freeDbHandler = Get<FreeDbHandlerFn>("_FreeDbHandler$4");
    InitUserExFn initUserEx = Get<InitUserExFn>("_InitUserEx$8");
    SetCodeFn setCode = Get<SetCodeFn>("_SetCode$12");
    ConnectFn connect = Get<ConnectFn>("_Connect$8");
    FreePtrFn freePtr = Get<FreePtrFn>("_FreePtr$4");
    OpenDbExAFn openDbExA = Get<OpenDbExAFn>("_OpenDbExA$16");
    GetDbDescriptionFn getDbDescription = Get<GetDbDescriptionFn>("_GetDbDescription$16");
    DefineKeyFn defineKey = Get<DefineKeyFn>("_DefineKey$16");
    FirstRecFn firstRec = Get<FirstRecFn>("_FirstRec$20");
    NextRecFn nextRec = Get<NextRecFn>("_NextRec$20");
    PrevRecFn prevRec = Get<PrevRecFn>("_PrevRec$20");
    LastRecFn lastRec = Get<LastRecFn>("_LastRec$20");
    ReadCurrentRecFn readCurrentRec = Get<ReadCurrentRecFn>("_ReadCurrentRec$20");
    FindRecFn findRec = Get<FindRecFn>("_FindRec$20");
    FindRecNextFn findRecNext = Get<FindRecNextFn>("_FindRecNext$20");
    FindRecPrevFn findRecPrev = Get<FindRecPrevFn>("_FindRecPrev$20");
    NewRecFn newRec = Get<NewRecFn>("_NewRec$20");
    ModRecFn modRec = Get<ModRecFn>("_ModRec$20");
    DelRecFn delRec = Get<DelRecFn>("_DelRec$20");
    FindListFn findList = Get<FindListFn>("_FindList$28");
    FindGreaterFn findGreater = Get<FindGreaterFn>("_FindGreater$28");
    FindLessFn findLess = Get<FindLessFn>("_FindLess$28");
    FindListOrFn findListOr = Get<FindListOrFn>("_FindListOr$28");
    FindBetweenFn findBetween = Get<FindBetweenFn>("_FindBetween$32");
    GetAllRecFn getAllRec = Get<GetAllRecFn>("_GetAllRec$20");
    GetCountFn getCount = Get<GetCountFn>("_GetCount$16");
    TruncateFileFn truncateFile = Get<TruncateFileFn>("_TruncateFile$12");
    BeginTransactionFn beginTransaction = Get<BeginTransactionFn>("_BeginTransaction$16");
    EndTransactionFn endTransaction = Get<EndTransactionFn>("_EndTransaction$8");
    GetServerParamFn getServerParam = Get<GetServerParamFn>("_GetServerParam$12");
    SetServerParamFn setServerParam = Get<SetServerParamFn>("_SetServerParam$12");
    GetNextIdFn getNextId = Get<GetNextIdFn>("_GetNextId$12");
    GetServerTimeFn getServerTime = Get<GetServerTimeFn>("_GetServerTime$8");
    NewBlobFn newBlob = Get<NewBlobFn>("_NewBlob$16");
    FindBlobFn findBlob = Get<FindBlobFn>("_FindBlob$16");
    DelBlobFn delBlob = Get<DelBlobFn>("_DelBlob$8");
    ReindexFn reindex = Get<ReindexFn>("_Reindex$8");
    ReindexAllFn reindexAll = Get<ReindexAllFn>("_Reindex$4");
    GetServiceNamesFn getServiceNames = Get<GetServiceNamesFn>("_GetServiceNames$16");
    LockRecordFn lockRecord = Get<LockRecordFn>("_LockRecord$16");
    UnlockRecordFn unlockRecord = Get<UnlockRecordFn>("_UnlockRecord$16");
    WhoMadeLockFn whoMadeLock = Get<WhoMadeLockFn>("_WhoMadeLock$20");
    GetLockListFn getRecLocks = Get<GetLockListFn>("_GetRecLocks$12");
    LockRecordsFn lockRecords = Get<LockRecordsFn>("_LockRecords$12");
    BookmarkCreateFn bookmarkCreate = Get<BookmarkCreateFn>("_BookmarkCreate$16");
    BookmarkDropFn bookmarkDrop = Get<BookmarkDropFn>("_BookmarkDrop$8");
    BookmarkOperationFn bookmarkOperation = Get<BookmarkOperationFn>("_BookmarkOperation$12");
    CursorCreateFn cursorCreate = Get<CursorCreateFn>("_CursorCreate$20");
    CursorDropFn cursorDrop = Get<CursorDropFn>("_CursorDrop$8");
    CursorOperationFn cursorOperation = Get<CursorOperationFn>("_CursorOperation$20");
};

// A Vehicle record buffer (the image without its 4-byte data offset).
struct Vehicle {
    std::array<char, kVehicleSize> bytes{};

    Vehicle() = default;
    Vehicle(int32_t id, const std::string& plate, const std::string& owner = "", int16_t power = 0) {
        Id(id).Plate(plate).Owner(owner);
        std::memcpy(bytes.data() + 46, &power, 2);
    }
    Vehicle& Id(int32_t id) {
        std::memcpy(bytes.data(), &id, 4);
        return *this;
    }
    Vehicle& Plate(const std::string& plate) {
        std::memset(bytes.data() + 4, 0, 11);
        std::memcpy(bytes.data() + 4, plate.data(), std::min<size_t>(plate.size(), 11));
        return *this;
    }
    Vehicle& Owner(const std::string& owner) {
        std::memset(bytes.data() + 15, 0, 31);
        std::memcpy(bytes.data() + 15, owner.data(), std::min<size_t>(owner.size(), 31));
        return *this;
    }
    int32_t Id() const {
        int32_t id;
        std::memcpy(&id, bytes.data(), 4);
        return id;
    }
    std::string Plate() const { return std::string(bytes.data() + 4, strnlen(bytes.data() + 4, 11)); }
    std::string Owner() const { return std::string(bytes.data() + 15, strnlen(bytes.data() + 15, 31)); }
    int16_t Power() const {
        int16_t power;
        std::memcpy(&power, bytes.data() + 46, 2);
        return power;
    }
    char* data() { return bytes.data(); }
};

class ClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FullLibrary().Loaded()) << dlerror();
        ASSERT_EQ(testsupport::RunAdmin("create-service garage admin secret --volumeid 4000000000"), 0);
        ASSERT_EQ(
            testsupport::RunAdmin("create-tablespace garage " + testsupport::FixturePath("lurdbcli_garage.schema")), 0);
        handle = NewHandle();
        auto block = ConnectBlock("GARAGE", "ADMIN", "SECRET");
        ASSERT_EQ(c.initUserEx(handle, block.data()), kOk);
        ASSERT_EQ(c.openDbExA(handle, kGarage, "Garage", 0), kOk);
    }
    void TearDown() override {
        for (int32_t h : handles) {
            c.freeDbHandler(h);
        }
    }

    // A second handle logged in with the garage tablespace open.
    int32_t LoggedInHandle(const std::string& computer = "") {
        const int32_t h = NewHandle();
        auto block = ConnectBlock("GARAGE", "ADMIN", "SECRET");
        std::memcpy(block.data() + connect_info::kComputer, computer.c_str(), computer.size());
        EXPECT_EQ(c.initUserEx(h, block.data()), kOk);
        EXPECT_EQ(c.openDbExA(h, kGarage, "Garage", 0), kOk);
        return h;
    }

    int32_t NewHandle() {
        int32_t h = 0;
        EXPECT_EQ(c.createDbHandler(&h), kOk);
        handles.push_back(h);
        return h;
    }

    int32_t Insert(Vehicle vehicle) { return c.newRec(handle, kGarage, kVehicle, kVehicleSize, vehicle.data()); }

    // A move; the record's id, or -status when the move failed.
    int32_t MoveId(decltype(&FirstRec) move) {
        char* block = nullptr;
        const int32_t status = move(handle, kGarage, kVehicle, kVehicleSize, &block);
        if (status != kOk) {
            return -status;
        }
        Vehicle vehicle;
        std::memcpy(vehicle.data(), block, kVehicleSize);
        c.freePtr(block);
        return vehicle.Id();
    }

    // The ids of a returned list block.
    std::vector<int32_t> Ids(char* block, int32_t length) {
        std::vector<int32_t> ids;
        for (int32_t offset = 0; offset < length; offset += kVehicleSize) {
            int32_t id;
            std::memcpy(&id, block + offset, 4);
            ids.push_back(id);
        }
        c.freePtr(block);
        return ids;
    }

    testsupport::TempServiceDir dir;
    Client c;
    int32_t handle = 0;
    std::vector<int32_t> handles;
};

TEST_F(ClientTest, HandlesAreNumberedAndReleased) {
    std::set<int32_t> seen{handle};
    for (int i = 0; i < 5; ++i) {
        const int32_t h = NewHandle();
        EXPECT_GE(h, 1);
        EXPECT_NE(h, kNoHandle);
        EXPECT_TRUE(seen.insert(h).second);
    }
    const int32_t h = NewHandle();
    Vehicle vehicle(1, "AAA-111");
    // A call on the handle first, so that the library has just found its
    // session when the handle goes away.
    EXPECT_NE(c.newRec(h, kGarage, kVehicle, kVehicleSize, vehicle.data()), kNoHandle);
    EXPECT_EQ(c.freeDbHandler(h), kOk);
    EXPECT_EQ(c.freeDbHandler(h), kNoHandle);
    EXPECT_EQ(c.newRec(h, kGarage, kVehicle, kVehicleSize, vehicle.data()), kNoHandle);
    EXPECT_EQ(c.openDbExA(kNoHandle, kGarage, "Garage", 0), kNoHandle);

    // A handle without a login serves administration calls after Connect.
    const int32_t admin = NewHandle();
    char* names = nullptr;
    int32_t unused = 0, count = 0;
    EXPECT_EQ(c.getServiceNames(admin, &names, &unused, &count), kNotConnected);
    EXPECT_EQ(c.connect(admin, "anyserver"), kOk);
    ASSERT_EQ(c.getServiceNames(admin, &names, &unused, &count), kOk);
    EXPECT_EQ(count, 1);
    c.freePtr(names);
    EXPECT_EQ(c.openDbExA(admin, kGarage, "Garage", 0), kNotConnected);
}

// Handle, cursor and bookmark numbers go round from INT32_MAX to 1 instead
// of running past the 32-bit range, and pass over numbers in use.
TEST(Numbering, GoesRoundBeforeOverflowPassingOverTakenNumbers) {
    const std::set<int32_t> inUse{1, 2, kNoHandle};
    const auto taken = [&](int32_t number) { return inUse.count(number) != 0; };
    int32_t next = std::numeric_limits<int32_t>::max() - 1;
    EXPECT_EQ(TakeNextNumber(next, taken), std::numeric_limits<int32_t>::max() - 1);
    EXPECT_EQ(TakeNextNumber(next, taken), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(TakeNextNumber(next, taken), 3);
    EXPECT_EQ(TakeNextNumber(next, taken), 4);
    next = kNoHandle;
    EXPECT_EQ(TakeNextNumber(next, taken), kNoHandle + 1);
}

TEST_F(ClientTest, LoginAnswersForUserAndPassword) {
    // A disabled second user, written as the catalogue keeps users.
    {
        std::unique_ptr<Store> store = Store::Open("GARAGE");
        auto scrambled = [](std::string text) {
            StringScrambler().Scramble(static_cast<int32_t>(text.size()), text.data());
            return text;
        };
        const TablespaceDef& sysdb = SysdbSchema();
        const TableDef& dbuser = sysdb.tables[static_cast<size_t>(sysdb.TableIndex("dbuser"))];
        InsertRow(store->Db(), sysdb, dbuser,
                  {{"userid", "2"}, {"name", scrambled("GUEST")}, {"psw", scrambled("PW")}, {"enabled", "0x00"}});
        // Two users whose scrambled names differ only in case ('A' and 0xC1
        // at the sixth place): each is a user of its own.
        ASSERT_NE(scrambled("AAAAAA"), scrambled("AAAAA\xC1"));
        ASSERT_TRUE(EqualsIgnoreCase(scrambled("AAAAAA"), scrambled("AAAAA\xC1")));
        InsertRow(store->Db(), sysdb, dbuser,
                  {{"userid", "3"}, {"name", scrambled("AAAAAA")}, {"psw", scrambled("ONE")}, {"enabled", "0x01"}});
        InsertRow(store->Db(), sysdb, dbuser,
                  {{"userid", "4"}, {"name", scrambled("AAAAA\xC1")}, {"psw", scrambled("TWO")}, {"enabled", "0x01"}});
    }
    struct Case {
        const char* service;
        const char* user;
        const char* password;
        int32_t status;
    };
    const Case cases[] = {
        {"GARAGE", "ADMIN", "SECRET", kOk},
        {"garage", "admin", "secret", kOk},  // names and passwords compare in upper case
        {"GARAGE", "NOBODY", "SECRET", kNoHandle},
        {"GARAGE", "ADMIN", "WRONG", kWrongPassword},
        {"GARAGE", "GUEST", "PW", kUserDisabled},
        {"GARAGE", "AAAAAA", "ONE", kOk},
        {"GARAGE", "AAAAA\xC1", "TWO", kOk},
        {"GARAGE", "AAAAA\xC1", "ONE", kWrongPassword},  // never another user's password
        {"NOSUCH", "ADMIN", "SECRET", kNoStore},
        {"../GARAGE", "ADMIN", "SECRET", kBadServiceName},
        {"a/b", "ADMIN", "SECRET", kBadServiceName},
        {"a\\b", "ADMIN", "SECRET", kBadServiceName},
        {"", "ADMIN", "SECRET", kBadServiceName},
    };
    for (const Case& test : cases) {
        const int32_t h = NewHandle();
        auto block = ConnectBlock(test.service, test.user, test.password);
        EXPECT_EQ(c.initUserEx(h, block.data()), test.status) << test.service << " " << test.user;
    }
    EXPECT_EQ(c.setCode(handle, 4, "Code"), kOk);
}

TEST_F(ClientTest, OpenTablespaceByNameWithoutRegardToCase) {
    const int32_t h = NewHandle();
    EXPECT_EQ(c.openDbExA(h, kGarage, "Garage", 0), kNotConnected);
    auto block = ConnectBlock("GARAGE", "ADMIN", "SECRET");
    ASSERT_EQ(c.initUserEx(h, block.data()), kOk);

    char* description = nullptr;
    int32_t length = 0;
    EXPECT_EQ(c.getDbDescription(h, kGarage, &description, &length), kNoDescription);
    EXPECT_EQ(c.openDbExA(h, kGarage, "gARAGE", 0), kOk);
    EXPECT_EQ(c.openDbExA(h, kGarage, "GARAGE", 0), kAlreadyOpen);
    EXPECT_EQ(c.openDbExA(h, 8, "Garage", 0), kUnknownTablespace);
    EXPECT_EQ(c.openDbExA(h, 19, "sysdb", 0), kOk);
    EXPECT_EQ(c.openDbExA(h, 30, "Nowhere", 0), kUnknownTablespace);
    ASSERT_EQ(c.getDbDescription(h, kGarage, &description, &length), kOk);
    EXPECT_GT(length, 22);
    c.freePtr(description);
}

// The blob carries the schema: counts, record lengths with the data offset,
// positions, the compound key's components and the names as written.
TEST_F(ClientTest, DescriptionBlobDescribesTheSchema) {
    char* block = nullptr;
    int32_t length = 0;
    ASSERT_EQ(c.getDbDescription(handle, kGarage, &block, &length), kOk);
    const std::string blob(block, static_cast<size_t>(length));
    c.freePtr(block);
    auto i16 = [&](size_t offset) {
        int16_t value;
        std::memcpy(&value, blob.data() + offset, 2);
        return value;
    };
    EXPECT_EQ(i16(8), 2);    // files
    EXPECT_EQ(i16(10), 2);   // records
    EXPECT_EQ(i16(12), 14);  // fields: 10 + 4
    EXPECT_EQ(i16(20), 4);   // key entries: 2 + 2
    const size_t records = 22 + 2 * 60;
    EXPECT_EQ(blob[22 + 51], 'd');
    EXPECT_EQ(i16(records + 2), kVehicleSize + 4);  // record length
    EXPECT_EQ(i16(records + 4), 4);                 // data offset
    EXPECT_EQ(i16(records + 12 + 6), 10);           // ServiceLog's first field
    const size_t fields = records + 2 * 12;
    auto field = [&](int index) { return fields + static_cast<size_t>(index) * 20; };
    EXPECT_EQ(blob[field(kPlate)], 'd');
    EXPECT_EQ(blob[field(kPlate) + 1], 'c');
    EXPECT_EQ(i16(field(kPlate) + 2), 11);
    EXPECT_EQ(i16(field(kPlate) + 14), 8);  // 4 data-offset bytes + VehId
    EXPECT_EQ(i16(field(8) + 18), 4);       // Code: raw bytes
    EXPECT_EQ(blob[field(kPlateOwner)], 'u');
    EXPECT_EQ(blob[field(kPlateOwner) + 1], 'k');
    EXPECT_EQ(i16(field(kPlateOwner) + 14), 0);  // first key entry
    EXPECT_EQ(i16(field(12) + 16), 1);           // ServiceLog.Note belongs to record 1
    const size_t keys = fields + 14 * 20;
    EXPECT_EQ(i16(keys + 0), kPlateOwner);
    EXPECT_EQ(i16(keys + 2), kPlate);
    EXPECT_EQ(i16(keys + 8 + 2), kOwner);
    EXPECT_EQ(i16(keys + 16), 13);  // VehSrv: components VehId (11), SrvId (10)
    EXPECT_EQ(i16(keys + 18), 11);
    EXPECT_EQ(i16(keys + 26), 10);
    EXPECT_EQ(blob.substr(keys + 32, 19), "Vehicle\nServiceLog\n");
    EXPECT_NE(blob.find("\nPlateOwner\n"), std::string::npos);
}

TEST_F(ClientTest, MovesFollowTheCurrentKeyWithTiesByInsertion) {
    ASSERT_EQ(Insert(Vehicle(3, "BBB", "Kiss")), kOk);
    ASSERT_EQ(Insert(Vehicle(1, "aaa")), kOk);
    ASSERT_EQ(Insert(Vehicle(2, "BBB", "Nagy")), kOk);
    ASSERT_EQ(Insert(Vehicle(4, "AAB")), kOk);

    // No key: insertion order; NextRec from no position is the first.
    const int32_t fresh = handle;
    handle = NewHandle();
    auto block = ConnectBlock("GARAGE", "ADMIN", "SECRET");
    ASSERT_EQ(c.initUserEx(handle, block.data()), kOk);
    ASSERT_EQ(c.openDbExA(handle, kGarage, "GARAGE", 0), kOk);
    EXPECT_EQ(MoveId(c.prevRec), 4);
    EXPECT_EQ(MoveId(c.firstRec), 3);
    EXPECT_EQ(MoveId(c.nextRec), 1);
    handle = fresh;

    ASSERT_EQ(c.defineKey(handle, kGarage, kVehicle, kPlate), kOk);
    std::vector<int32_t> order{MoveId(c.firstRec)};
    for (int32_t id; (id = MoveId(c.nextRec)) > 0;) {
        order.push_back(id);
    }
    EXPECT_EQ(order, (std::vector<int32_t>{1, 4, 3, 2}));  // text keys ignore case
    EXPECT_EQ(MoveId(c.nextRec), -kNotFound);
    EXPECT_EQ(MoveId(c.readCurrentRec), 2);  // the position stays on the last
    EXPECT_EQ(MoveId(c.prevRec), 3);
    EXPECT_EQ(MoveId(c.lastRec), 2);

    ASSERT_EQ(c.defineKey(handle, kGarage, kVehicle, kVehId), kOk);
    EXPECT_EQ(MoveId(c.nextRec), 3);  // a new key continues from the current record in its order
}

TEST_F(ClientTest, KeysMustBeKeys) {
    EXPECT_EQ(c.defineKey(handle, kGarage, kVehicle, kOwner), kUnknownField);  // not a key
    EXPECT_EQ(c.defineKey(handle, kGarage, kVehicle, 1001), kUnknownField);    // another table's field
    EXPECT_EQ(c.defineKey(handle, kGarage, kVehicle, 99), kUnknownField);
    EXPECT_EQ(c.defineKey(handle, kGarage, 10002, -1), kUnknownRecordType);
    EXPECT_EQ(c.defineKey(handle, 19, kVehicle, -1), kNotOpen);
    EXPECT_EQ(c.defineKey(handle, kGarage, kVehicle, kPlateOwner), kOk);
    EXPECT_EQ(c.defineKey(handle, kGarage, kVehicle, -1), kOk);
    Vehicle vehicle(1, "X");
    EXPECT_EQ(c.newRec(handle, kGarage, kVehicle, kVehicleSize - 1, vehicle.data()), kBadRecordSize);
}

TEST_F(ClientTest, FindRecAndItsContinuations) {
    ASSERT_EQ(Insert(Vehicle(1, "AAA", "Kiss")), kOk);
    ASSERT_EQ(Insert(Vehicle(2, "BBB", "Nagy")), kOk);
    ASSERT_EQ(Insert(Vehicle(3, "bbb", "Szabo")), kOk);
    ASSERT_EQ(Insert(Vehicle(4, "BBB", "Toth")), kOk);

    Vehicle key;
    key.Plate("BBB");
    EXPECT_EQ(c.findRec(handle, kGarage, kVehicle, kVehicleSize, key.data()), kUnknownField);  // no current key
    ASSERT_EQ(c.defineKey(handle, kGarage, kVehicle, kPlate), kOk);
    ASSERT_EQ(c.findRec(handle, kGarage, kVehicle, kVehicleSize, key.data()), kOk);
    EXPECT_EQ(key.Id(), 2);
    EXPECT_EQ(key.Owner(), "Nagy");
    ASSERT_EQ(c.findRecNext(handle, kGarage, kVehicle, kVehicleSize, key.data()), kOk);
    EXPECT_EQ(key.Id(), 3);
    ASSERT_EQ(c.findRecNext(handle, kGarage, kVehicle, kVehicleSize, key.data()), kOk);
    EXPECT_EQ(key.Id(), 4);
    EXPECT_EQ(c.findRecNext(handle, kGarage, kVehicle, kVehicleSize, key.data()), kNotFound);
    ASSERT_EQ(c.findRecPrev(handle, kGarage, kVehicle, kVehicleSize, key.data()), kOk);
    EXPECT_EQ(key.Id(), 3);

    // A compound key: both components must match.
    ASSERT_EQ(c.defineKey(handle, kGarage, kVehicle, kPlateOwner), kOk);
    Vehicle compound(0, "bbb", "TOTH");
    ASSERT_EQ(c.findRec(handle, kGarage, kVehicle, kVehicleSize, compound.data()), kOk);
    EXPECT_EQ(compound.Id(), 4);
    Vehicle missing(0, "AAA", "Nagy");
    EXPECT_EQ(c.findRec(handle, kGarage, kVehicle, kVehicleSize, missing.data()), kNotFound);
}

TEST_F(ClientTest, ChangesSelectTheirRecordAndKeepUniqueKeys) {
    ASSERT_EQ(Insert(Vehicle(1, "AAA", "Kiss")), kOk);
    ASSERT_EQ(Insert(Vehicle(2, "BBB", "Nagy")), kOk);
    EXPECT_EQ(Insert(Vehicle(1, "CCC", "Dup")), kLockedOrDuplicate);   // VehId unique
    EXPECT_EQ(Insert(Vehicle(9, "aaa", "KISS")), kLockedOrDuplicate);  // PlateOwner unique, case ignored
    // No current key: the current record (the last inserted, 2) changes.
    EXPECT_EQ(c.modRec(handle, kGarage, kVehicle, kVehicleSize, Vehicle(2, "BBX", "Nagy").data()), kOk);

    ASSERT_EQ(c.defineKey(handle, kGarage, kVehicle, kVehId), kOk);
    Vehicle change(2, "aaa", "KISS");  // would repeat record 1's Plate and Owner
    EXPECT_EQ(c.modRec(handle, kGarage, kVehicle, kVehicleSize, change.data()), kLockedOrDuplicate);
    change = Vehicle(1, "ZZZ", "Kiss", 75);
    ASSERT_EQ(c.modRec(handle, kGarage, kVehicle, kVehicleSize, change.data()), kOk);
    Vehicle check(1, "");
    ASSERT_EQ(c.findRec(handle, kGarage, kVehicle, kVehicleSize, check.data()), kOk);
    EXPECT_EQ(check.Plate(), "ZZZ");
    EXPECT_EQ(check.Power(), 75);
    EXPECT_EQ(c.modRec(handle, kGarage, kVehicle, kVehicleSize, Vehicle(7, "Q").data()), kNotFound);

    EXPECT_EQ(c.delRec(handle, kGarage, kVehicle, kVehicleSize, Vehicle(1, "").data()), kOk);
    EXPECT_EQ(c.delRec(handle, kGarage, kVehicle, kVehicleSize, Vehicle(1, "").data()), kNotFound);
    int32_t count = -1;
    ASSERT_EQ(c.getCount(handle, kGarage, kVehicle, &count), kOk);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(MoveId(c.prevRec), -kNotFound);  // nothing before the deleted id 1
    EXPECT_EQ(MoveId(c.nextRec), 2);
}

TEST_F(ClientTest, ARefusedInsertLeavesNoTraceInItsTransaction) {
    ASSERT_EQ(c.beginTransaction(handle, "T", 0, 0), kOk);
    ASSERT_EQ(Insert(Vehicle(1, "AAA", "Kiss")), kOk);
    // A new id, but record 1's Plate and Owner: the last unique index of the
    // table refuses the row, after the row itself and every other index
    // could have taken it.
    EXPECT_EQ(Insert(Vehicle(2, "aaa", "KISS")), kLockedOrDuplicate);
    ASSERT_EQ(Insert(Vehicle(3, "BBB", "Nagy")), kOk);
    ASSERT_EQ(c.endTransaction(handle, 1), kOk);

    // Only the two rows, whichever way they are reached.
    char* block = nullptr;
    int32_t length = kVehicleSize;
    ASSERT_EQ(c.getAllRec(handle, kGarage, kVehicle, &length, &block), kOk);
    EXPECT_EQ(Ids(block, length), (std::vector<int32_t>{1, 3}));
    Vehicle plate(0, "AAA");
    length = kVehicleSize;
    ASSERT_EQ(c.findList(handle, &length, plate.data(), &block, kGarage, kVehicle, kPlate), kOk);
    EXPECT_EQ(Ids(block, length), (std::vector<int32_t>{1}));
    ASSERT_EQ(c.defineKey(handle, kGarage, kVehicle, kVehId), kOk);
    Vehicle two(2, "");
    EXPECT_EQ(c.findRec(handle, kGarage, kVehicle, kVehicleSize, two.data()), kNotFound);
    // Id 2 is free, and a new row comes after the others.
    ASSERT_EQ(Insert(Vehicle(2, "CCC", "Toth")), kOk);
    ASSERT_EQ(c.defineKey(handle, kGarage, kVehicle, -1), kOk);
    EXPECT_EQ(MoveId(c.lastRec), 2);
    EXPECT_EQ(MoveId(c.prevRec), 3);
}

TEST_F(ClientTest, ListSearches) {
    ASSERT_EQ(Insert(Vehicle(1, "BBB", "Kiss", 10)), kOk);
    ASSERT_EQ(Insert(Vehicle(2, "AAA", "Nagy", 30)), kOk);
    ASSERT_EQ(Insert(Vehicle(3, "CCC", "Kiss", 20)), kOk);
    ASSERT_EQ(Insert(Vehicle(4, "AAA", "Toth", 20)), kOk);
    char* block = nullptr;
    int32_t length = kVehicleSize;

    Vehicle key(0, "AAA", "Kiss", 20);
    ASSERT_EQ(c.findList(handle, &length, key.data(), &block, kGarage, kVehicle, kPlate), kOk);
    EXPECT_EQ(Ids(block, length), (std::vector<int32_t>{2, 4}));
    length = kVehicleSize;
    ASSERT_EQ(c.findList(handle, &length, key.data(), &block, kGarage, kVehicle, kPower), kOk);  // any field
    EXPECT_EQ(Ids(block, length), (std::vector<int32_t>{3, 4}));
    length = kVehicleSize;
    ASSERT_EQ(c.findGreater(handle, &length, key.data(), &block, kGarage, kVehicle, kPower), kOk);
    EXPECT_EQ(Ids(block, length), (std::vector<int32_t>{3, 4, 2}));  // search-field order, then insertion
    length = kVehicleSize;
    ASSERT_EQ(c.findLess(handle, &length, key.data(), &block, kGarage, kVehicle, kPlate), kOk);
    EXPECT_EQ(Ids(block, length), (std::vector<int32_t>{2, 4}));

    Vehicle low(0, "AAB"), high(0, "CCC");
    length = kVehicleSize;
    ASSERT_EQ(c.findBetween(handle, kGarage, kVehicle, low.data(), high.data(), &block, kPlate, &length), kOk);
    EXPECT_EQ(Ids(block, length), (std::vector<int32_t>{1, 3}));  // inclusive

    std::array<Vehicle, 2> list{Vehicle(0, "CCC"), Vehicle(0, "BBB")};
    std::vector<char> listBytes(2 * kVehicleSize);
    std::memcpy(listBytes.data(), list[0].data(), kVehicleSize);
    std::memcpy(listBytes.data() + kVehicleSize, list[1].data(), kVehicleSize);
    const char* listData = listBytes.data();
    length = 2 * kVehicleSize;
    ASSERT_EQ(c.findListOr(handle, &length, &listData, &block, kGarage, kVehicle, kPlate), kOk);
    EXPECT_EQ(Ids(block, length), (std::vector<int32_t>{1, 3}));

    length = kVehicleSize;
    ASSERT_EQ(c.getAllRec(handle, kGarage, kVehicle, &length, &block), kOk);
    EXPECT_EQ(Ids(block, length), (std::vector<int32_t>{1, 2, 3, 4}));

    Vehicle none(0, "QQQ");
    length = kVehicleSize;
    EXPECT_EQ(c.findList(handle, &length, none.data(), &block, kGarage, kVehicle, kPlate), kNotFound);
    EXPECT_EQ(block, nullptr);

    ASSERT_EQ(c.truncateFile(handle, kGarage, kVehicle), kOk);
    length = kVehicleSize;
    EXPECT_EQ(c.getAllRec(handle, kGarage, kVehicle, &length, &block), kNotFound);
}

TEST_F(ClientTest, OneTransactionPerHandleAcrossTablespaces) {
    EXPECT_EQ(c.endTransaction(handle, 1), kOk);  // none open
    ASSERT_EQ(c.beginTransaction(handle, "T1", 0, 0), kOk);
    EXPECT_EQ(c.beginTransaction(handle, "T2", 0, 0), kTransactionOpen);
    ASSERT_EQ(Insert(Vehicle(1, "AAA")), kOk);
    int32_t id = 0;
    ASSERT_EQ(c.getNextId(handle, "counter", &id), kOk);
    ASSERT_EQ(c.endTransaction(handle, 0), kOk);  // roll back
    int32_t count = -1;
    ASSERT_EQ(c.getCount(handle, kGarage, kVehicle, &count), kOk);
    EXPECT_EQ(count, 0);

    ASSERT_EQ(c.beginTransaction(handle, "T3", 0, 0), kOk);
    ASSERT_EQ(Insert(Vehicle(2, "BBB")), kOk);
    ASSERT_EQ(c.endTransaction(handle, 1), kOk);
    const int32_t other = NewHandle();
    auto block = ConnectBlock("GARAGE", "ADMIN", "SECRET");
    ASSERT_EQ(c.initUserEx(other, block.data()), kOk);
    ASSERT_EQ(c.openDbExA(other, kGarage, "Garage", 0), kOk);
    ASSERT_EQ(c.getCount(other, kGarage, kVehicle, &count), kOk);
    EXPECT_EQ(count, 1);
}

TEST_F(ClientTest, CountersParametersTimeAndBlobs) {
    int32_t first = 0, second = 0, other = 0;
    ASSERT_EQ(c.getNextId(handle, "sysdb_x", &first), kOk);
    ASSERT_EQ(c.getNextId(handle, "sysdb_x", &second), kOk);
    ASSERT_EQ(c.getNextId(handle, "another", &other), kOk);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    EXPECT_EQ(other, 1);
    int32_t userCounter = 0;
    ASSERT_EQ(c.getNextId(handle, "sysdb_dbuser", &userCounter), kOk);
    EXPECT_EQ(userCounter, 2);  // the first user took 1

    char* text = nullptr;
    ASSERT_EQ(c.getServerParam(handle, "volumeid", &text), kOk);
    EXPECT_STREQ(text, "4000000000");
    c.freePtr(text);
    EXPECT_EQ(c.setServerParam(handle, "debuglog", "3"), kOk);
    ASSERT_EQ(c.getServerParam(handle, "debuglog", &text), kOk);
    EXPECT_STREQ(text, "3");
    c.freePtr(text);
    EXPECT_EQ(c.getServerParam(handle, "colour", &text), kUnknownParameter);
    EXPECT_EQ(c.setServerParam(handle, "volumeid", "1"), kNotSupported);

    int32_t now = 0;
    ASSERT_EQ(c.getServerTime(handle, &now), kOk);
    EXPECT_GT(now, 1600000000);

    int32_t id = -1;
    ASSERT_EQ(c.newBlob(handle, &id, 5, "ab\0cd"), kOk);
    EXPECT_EQ(id, 1);
    char* blob = nullptr;
    int32_t length = 0;
    ASSERT_EQ(c.findBlob(handle, id, &length, &blob), kOk);
    EXPECT_EQ(std::string(blob, static_cast<size_t>(length)), std::string("ab\0cd", 5));
    c.freePtr(blob);
    EXPECT_EQ(c.delBlob(handle, id), kOk);
    EXPECT_EQ(c.delBlob(handle, id), kNotFound);
    EXPECT_EQ(c.findBlob(handle, id, &length, &blob), kNotFound);
}

TEST_F(ClientTest, TextKeepsCodePage1250AndMaintenanceCalls) {
    // "Őrs" in code page 1250, stored as UTF-8 and given back unchanged.
    const std::string owner =
        "\xD5rs \xE1rp\xE1"
        "d";
    ASSERT_EQ(Insert(Vehicle(1, "AAA", owner)), kOk);
    Vehicle read;
    char* block = nullptr;
    ASSERT_EQ(c.firstRec(handle, kGarage, kVehicle, kVehicleSize, &block), kOk);
    std::memcpy(read.data(), block, kVehicleSize);
    c.freePtr(block);
    EXPECT_EQ(read.Owner(), owner);

    EXPECT_EQ(c.reindex(handle, kGarage), kOk);
    EXPECT_EQ(c.reindex(handle, 99), kUnknownTablespace);
    EXPECT_EQ(c.reindexAll(handle), kOk);

    char* names = nullptr;
    int32_t unused = 0, count = 0;
    ASSERT_EQ(c.getServiceNames(handle, &names, &unused, &count), kOk);
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(names, "GARAGE");
    c.freePtr(names);

    // Every table of the tablespace.
    int32_t logCount = -1;
    EXPECT_EQ(c.truncateFile(handle, kGarage, -1), kOk);
    EXPECT_EQ(c.getCount(handle, kGarage, kServiceLog, &logCount), kOk);
    EXPECT_EQ(logCount, 0);
    EXPECT_EQ(c.defineKey(handle, kGarage, kServiceLog, kLogVehSrv), kOk);
}

TEST_F(ClientTest, BookmarksReturnToAMarkedRecord) {
    for (int32_t id = 1; id <= 3; ++id) {
        ASSERT_EQ(Insert(Vehicle(id, "P" + std::to_string(id))), kOk);
    }
    int32_t bookmark = -1;
    EXPECT_EQ(c.bookmarkCreate(handle, kGarage, 10009, &bookmark), kUnknownRecordType);
    ASSERT_EQ(c.bookmarkCreate(handle, kGarage, kVehicle, &bookmark), kOk);
    EXPECT_GE(bookmark, 1);
    EXPECT_EQ(c.bookmarkOperation(handle, bookmark, 1), kNotFound);  // nothing marked yet
    EXPECT_EQ(MoveId(c.firstRec), 1);
    EXPECT_EQ(MoveId(c.nextRec), 2);
    ASSERT_EQ(c.bookmarkOperation(handle, bookmark, 0), kOk);
    EXPECT_EQ(MoveId(c.lastRec), 3);
    ASSERT_EQ(c.bookmarkOperation(handle, bookmark, 1), kOk);
    EXPECT_EQ(MoveId(c.readCurrentRec), 2);
    EXPECT_EQ(MoveId(c.nextRec), 3);
    EXPECT_EQ(c.bookmarkOperation(handle, bookmark, 7), kBadArgument);
    EXPECT_EQ(c.bookmarkDrop(handle, bookmark), kOk);
    EXPECT_EQ(c.bookmarkDrop(handle, bookmark), kNotFound);
    EXPECT_EQ(c.bookmarkOperation(handle, bookmark, 0), kNotFound);
}

TEST_F(ClientTest, CursorsMoveApartFromTheHandlesPosition) {
    ASSERT_EQ(Insert(Vehicle(1, "CCC")), kOk);
    ASSERT_EQ(Insert(Vehicle(2, "AAA")), kOk);
    ASSERT_EQ(Insert(Vehicle(3, "BBB")), kOk);
    int32_t cursor = -1;
    EXPECT_EQ(c.cursorCreate(handle, kGarage, kVehicle, kOwner, &cursor), kUnknownField);  // not a key
    ASSERT_EQ(c.cursorCreate(handle, kGarage, kVehicle, kPlate, &cursor), kOk);
    auto cursorId = [&](int32_t move) {
        Vehicle vehicle;
        const int32_t status = c.cursorOperation(handle, cursor, move, kVehicleSize, vehicle.data());
        return status == kOk ? vehicle.Id() : -status;
    };
    EXPECT_EQ(MoveId(c.firstRec), 1);  // the handle: insertion order
    EXPECT_EQ(cursorId(0), 2);         // the cursor: plate order
    EXPECT_EQ(cursorId(2), 3);
    EXPECT_EQ(MoveId(c.nextRec), 2);
    EXPECT_EQ(cursorId(2), 1);
    EXPECT_EQ(cursorId(2), -kNotFound);
    EXPECT_EQ(cursorId(4), 1);
    EXPECT_EQ(cursorId(9), -kBadArgument);
    EXPECT_EQ(c.cursorDrop(handle, cursor), kOk);
    EXPECT_EQ(cursorId(0), -kNotFound);
    EXPECT_EQ(c.cursorDrop(handle, cursor), kNotFound);
}

TEST_F(ClientTest, LocksPerRecordTypeAndOwner) {
    const int32_t first = LoggedInHandle("WS1");
    const int32_t second = LoggedInHandle("WS2");
    char holder[kHolderTextSize];
    EXPECT_EQ(c.whoMadeLock(first, kGarage, kVehicle, 'w', holder), kNotFound);
    ASSERT_EQ(c.lockRecord(first, kGarage, kVehicle, 'w'), kOk);
    EXPECT_EQ(c.lockRecord(second, kGarage, kVehicle, 'r'), kLockedOrDuplicate);
    ASSERT_EQ(c.whoMadeLock(second, kGarage, kVehicle, 'r', holder), kOk);
    EXPECT_STREQ(holder, "ADMIN@WS1");
    EXPECT_EQ(c.lockRecord(second, kGarage, kServiceLog, 'w'), kOk);  // another record type
    EXPECT_EQ(c.lockRecord(first, kGarage, 10005, 'w'), kUnknownRecordType);

    ASSERT_EQ(c.unlockRecord(first, kGarage, kVehicle, 'w'), kOk);
    EXPECT_EQ(c.unlockRecord(first, kGarage, kVehicle, 'w'), kNotFound);
    EXPECT_EQ(c.lockRecord(first, kGarage, kVehicle, 'r'), kOk);
    EXPECT_EQ(c.lockRecord(second, kGarage, kVehicle, 'r'), kOk);  // shared
    EXPECT_EQ(c.lockRecord(second, kGarage, kVehicle, 'x'), kLockedOrDuplicate);

    char* block = nullptr;
    int32_t length = 0;
    ASSERT_EQ(c.getRecLocks(first, &length, &block), kOk);
    ASSERT_EQ(length, static_cast<int32_t>(3 * kLockEntrySize));
    int32_t numbers[3];
    std::memcpy(numbers, block, sizeof numbers);
    EXPECT_EQ(numbers[0], kGarage);
    EXPECT_EQ(numbers[1], kServiceLog);
    EXPECT_EQ(numbers[2], static_cast<int32_t>(getpid()));
    EXPECT_EQ(block[12], 'w');
    EXPECT_STREQ(block + 13, "ADMIN");
    c.freePtr(block);

    // Several at once: all or none. The first request is free and the second
    // is held, so a grant one at a time would keep the first.
    ASSERT_EQ(c.unlockRecord(second, kGarage, kServiceLog, 'w'), kOk);
    char requests[2 * kLockRequestSize] = {};
    const int32_t wanted[2][2] = {{kGarage, kServiceLog}, {kGarage, kVehicle}};
    for (int i = 0; i < 2; ++i) {
        std::memcpy(requests + i * kLockRequestSize, wanted[i], 8);
        requests[i * kLockRequestSize + 8] = 'w';
    }
    const int32_t third = LoggedInHandle();
    EXPECT_EQ(c.lockRecords(third, sizeof requests, requests), kLockedOrDuplicate);
    EXPECT_EQ(c.whoMadeLock(first, kGarage, kServiceLog, 'w', holder), kNotFound);
    EXPECT_EQ(c.unlockRecord(third, kGarage, kServiceLog, 'w'), kNotFound);
    EXPECT_EQ(c.lockRecords(third, 5, requests), kBadArgument);

    // Releasing the handles releases their locks.
    EXPECT_EQ(c.freeDbHandler(first), kOk);
    EXPECT_EQ(c.freeDbHandler(second), kOk);
    EXPECT_EQ(c.lockRecords(third, sizeof requests, requests), kOk);
}

TEST_F(ClientTest, LocksOfADeadProcessAreDropped) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int32_t h = LoggedInHandle();
        _exit(c.lockRecord(h, kGarage, kVehicle, 'w') == kOk ? 0 : 1);  // ends without releasing
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(c.lockRecord(handle, kGarage, kVehicle, 'w'), kOk);
}

TEST(ClientExports, OnlyFunctionsThatWorkAreExported) {
    ASSERT_TRUE(FullLibrary().Loaded());
    const std::set<std::string> neverCalled = {
        "pfStepToRelative", "pfSetEventPtr",        "pfSetEventCookie",      "pfCloseDb",     "pfOpenDbEx",
        "pfGetLurVersion",  "pfAddToTransaction",   "pfGetStatuses",         "pfDbStatistic", "pfKillUser",
        "pfGetMaxuser",     "pfGetCompanyDataFile", "pfGetConditionedCount", "pfRestructure", "pfSetUserInfo",
        "pfServerLog"};
    EXPECT_EQ(neverCalled.size(), 16u);
    for (const ClientFunction& function : kClientFunctions) {
        if (neverCalled.count(function.pointerName) != 0) {
            EXPECT_EQ(FullLibrary().Symbol(function.symbol), nullptr) << function.symbol;
        }
    }
    for (const char* symbol : {"_FreePtr$4", "_CreateDbHandler$4", "_FreeDbHandler$4", "_Connect$8", "_OpenDbExA$16",
                               "_GetDbDescription$16", "_Reindex$8", "_Reindex$4"}) {
        EXPECT_NE(FullLibrary().Symbol(symbol), nullptr) << symbol;
    }
    EXPECT_EQ(FullLibrary().Symbol("FreePtr"), nullptr);  // only decorated names
}

// The second build lacks "_Reindex@4" and "_GetRecLocks@12" and still
// serves every reindex request through "_Reindex@8".
TEST(ClientExports, PartialBuildLacksTwoFunctions) {
    testsupport::Library partial(testsupport::BinDir() + "/partial/liblurdbcli.so");
    ASSERT_TRUE(partial.Loaded()) << dlerror();
    EXPECT_EQ(partial.Symbol("_Reindex$4"), nullptr);
    EXPECT_EQ(partial.Symbol("_GetRecLocks$12"), nullptr);
    EXPECT_NE(partial.Symbol("_Reindex$8"), nullptr);
    EXPECT_NE(partial.Symbol("_FreePtr$4"), nullptr);
}

}  // namespace

// A change of the current record hands back the record as stored, whether the
// table's columns store exactly what was bound (ServiceLog, not read back) or
// not (Vehicle, with floating fields, read back): text ends at its
// terminator, and what lay after it is not kept.
TEST_F(ClientTest, NewRecHandsBackTheStoredRecord) {
    // What a read of the current record gives: the row as stored.
    const auto current = [&](int32_t recType, size_t size) {
        std::vector<char> record(size);
        char* block = nullptr;
        EXPECT_EQ(c.readCurrentRec(handle, kGarage, recType, static_cast<int32_t>(size), &block), kOk);
        if (block) std::memcpy(record.data(), block, size);
        c.freePtr(block);
        return record;
    };
    // Columns that store what is bound: text after a terminator is not kept.
    constexpr int32_t kLogSize = 48;  // SrvId, VehId, Note c 40
    std::array<char, kLogSize> log{};
    const int32_t srvId = 5, vehId = 1;
    std::memcpy(log.data(), &srvId, 4);
    std::memcpy(log.data() + 4, &vehId, 4);
    std::memcpy(log.data() + 8, "oil\0left over", 13);
    ASSERT_EQ(c.newRec(handle, kGarage, kServiceLog, kLogSize, log.data()), kOk);
    EXPECT_EQ(std::string(log.data() + 8, 13), std::string("oil\0\0\0\0\0\0\0\0\0\0", 13));
    EXPECT_EQ(current(kServiceLog, kLogSize), std::vector<char>(log.begin(), log.end()));

    // A floating field is read back: a NaN is stored as no value.
    Vehicle vehicle(1, "AAA", "Kiss", 80);
    std::memcpy(vehicle.bytes.data() + 15 + 5, "junk", 4);  // after Owner's terminator
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(vehicle.bytes.data() + 52, &nan, 8);  // Volume
    ASSERT_EQ(c.newRec(handle, kGarage, kVehicle, kVehicleSize, vehicle.data()), kOk);
    EXPECT_EQ(std::string(vehicle.bytes.data() + 15, 31), "Kiss" + std::string(27, '\0'));
    double volume = 0;
    std::memcpy(&volume, vehicle.bytes.data() + 52, 8);
    EXPECT_FALSE(std::isnan(volume));
    EXPECT_EQ(current(kVehicle, kVehicleSize), std::vector<char>(vehicle.bytes.begin(), vehicle.bytes.end()));
}

TEST_F(ClientTest, ModRecHandsBackTheStoredRecord) {
    constexpr int32_t kLogSize = 48;  // SrvId, VehId, Note c 40
    std::array<char, kLogSize> log{};
    const int32_t srvId = 5, vehId = 1;
    std::memcpy(log.data(), &srvId, 4);
    std::memcpy(log.data() + 4, &vehId, 4);
    ASSERT_EQ(c.newRec(handle, kGarage, kServiceLog, kLogSize, log.data()), kOk);
    std::memcpy(log.data() + 8, "oil\0left over", 13);
    ASSERT_EQ(c.modRec(handle, kGarage, kServiceLog, kLogSize, log.data()), kOk);
    EXPECT_EQ(std::string(log.data() + 8, 13), std::string("oil\0\0\0\0\0\0\0\0\0\0", 13));
    std::array<char, kLogSize> reread{};
    char* block = nullptr;
    ASSERT_EQ(c.readCurrentRec(handle, kGarage, kServiceLog, kLogSize, &block), kOk);
    std::memcpy(reread.data(), block, kLogSize);
    c.freePtr(block);
    EXPECT_EQ(reread, log);

    ASSERT_EQ(Insert(Vehicle(1, "AAA", "Kiss")), kOk);
    Vehicle change(1, "AAA", "Kiss", 80);
    std::memcpy(change.bytes.data() + 15 + 5, "junk", 4);  // after Owner's terminator
    ASSERT_EQ(c.modRec(handle, kGarage, kVehicle, kVehicleSize, change.data()), kOk);
    EXPECT_EQ(change.Power(), 80);
    EXPECT_EQ(std::string(change.bytes.data() + 15, 31), "Kiss" + std::string(27, '\0'));
}
