// Record changes, keys, transactions, locks, counters and blobs of DbDesc
// against a service of the client library.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "ConnectInfo.h"
#include "DbDesc.h"
#include "DbErrorCode.h"
#include "FunctionLoader.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 5\n"
    "table Auto\n"
    "  field ID     l 4  u\n"
    "  field RENDSZ c 11 d\n"
    "  field BLOBID l 4  n\n"
    "table Pair\n"
    "  field P1  l 4 n\n"
    "  field P2  l 4 n\n"
    "  field VAL l 4 n\n"
    "  key   PK  u P1 P2\n"
    "table Loose\n"
    "  field A l 4 d\n"
    "tablespace Naplo 6\n"
    "table Entry\n"
    "  field NO   l 4  u\n"
    "  field TEXT c 21 n\n";

using lurtest::ErrorCode;

class DbDescChangesTest : public ::testing::Test {
protected:
    void SetUp() override {
        service = std::make_unique<lurtest::ServiceFixture>(kSchema);
        service->LoadDesc(car, "Car", 5);
        service->LoadDesc(naplo, "Naplo", 6);
    }

    // A second logged-in handle with Car open, on a copy of the description.
    DbDesc SecondHandle() {
        FunctionLoader& client = GetFunctionLoader();
        int32_t handle = 0;
        EXPECT_EQ(client.pfCreateDbHandler(&handle), 0);
        ConnectInfo info;
        info.SetInt(ConnectInfo::kBlockSize, static_cast<int32_t>(ConnectInfo::kSize));
        info.SetInt(ConnectInfo::kConstant4, 4);
        info.SetText(ConnectInfo::kUser, "ADMIN");
        info.SetText(ConnectInfo::kComputer, "OTHERPC");
        info.SetText(ConnectInfo::kService, service->Service());
        info.SetText(ConnectInfo::kPassword, "SECRET");
        EXPECT_EQ(client.pfInitUserEx(handle, info.Data()), 0);
        EXPECT_EQ(client.pfOpenDbExA(handle, 5, "Car", 0), 0);
        m_handles.push_back(handle);
        DbDesc other(car);
        other.SetHandle(handle);
        return other;
    }
    void TearDown() override {
        for (int32_t handle : m_handles) GetFunctionLoader().pfFreeDbHandler(handle);
    }

    void PutAuto(DbDesc& desc, int32_t id, const std::string& plate) {
        desc.ClearRecord("Auto");
        desc.SetFieldText("Auto", "ID", std::to_string(id));
        desc.SetFieldText("Auto", "RENDSZ", plate);
        desc.SetFieldText("Auto", "BLOBID", "-1");
        desc.NewRec("Auto");
    }
    void PutPair(int32_t p1, int32_t p2, int32_t value) {
        car.ClearRecord("Pair");
        car.SetFieldText("Pair", "P1", std::to_string(p1));
        car.SetFieldText("Pair", "P2", std::to_string(p2));
        car.SetFieldText("Pair", "VAL", std::to_string(value));
        car.NewRec("Pair");
    }

    std::unique_ptr<lurtest::ServiceFixture> service;
    DbDesc car;
    DbDesc naplo;

private:
    std::vector<int32_t> m_handles;
};

TEST_F(DbDescChangesTest, NewRecStoresAndRefusesADuplicateUniqueKey) {
    PutAuto(car, 1, "ABC-123");
    EXPECT_EQ(car.GetFieldText("Auto", "RENDSZ"), "ABC-123");
    EXPECT_EQ(car.GetCount("Auto"), 1);
    EXPECT_EQ(ErrorCode([&] { PutAuto(car, 1, "XYZ-999"); }), 10005);
    EXPECT_EQ(car.GetCount("Auto"), 1);
    EXPECT_EQ(ErrorCode([&] { car.NewRec("Nope"); }), 2002);
}

// Option 0 selects the record by the unique key: a simple field (Auto.ID)
// or a compound key (Pair.PK).
TEST_F(DbDescChangesTest, ModifyAndDeleteByUniqueAndCompoundKey) {
    PutAuto(car, 1, "AAA");
    PutAuto(car, 2, "BBB");
    PutPair(1, 1, 10);
    PutPair(1, 2, 20);
    car.AddTableOption("Auto", 0);
    car.AddTableOption("Pair", 0);

    struct Case {
        const char* table;
        const char* keyField;
        const char* keyValue;
        const char* valueField;
        const char* value;
    };
    const Case cases[] = {{"Auto", "ID", "2", "RENDSZ", "CHANGED"}, {"Pair", "P2", "2", "VAL", "99"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        car.ClearRecord(c.table);
        if (std::string(c.table) == "Pair") car.SetFieldText("Pair", "P1", "1");
        car.SetFieldText(c.table, c.keyField, c.keyValue);
        car.SetFieldText(c.table, c.valueField, c.value);
        EXPECT_TRUE(car.ModRec(c.table, true));
        EXPECT_EQ(car.GetFieldText(c.table, c.valueField), c.value);

        car.SetFieldText(c.table, c.keyField, "77");  // no such record
        EXPECT_FALSE(car.ModRec(c.table, false));
        EXPECT_EQ(ErrorCode([&] { car.ModRec(c.table, true); }), 10002);
        EXPECT_FALSE(car.DelRec(c.table, false));
        EXPECT_EQ(ErrorCode([&] { car.DelRec(c.table, true); }), 10002);

        car.SetFieldText(c.table, c.keyField, c.keyValue);
        EXPECT_TRUE(car.DelRec(c.table, true));
        EXPECT_EQ(car.GetCount(c.table), 1);
    }
    // Selected by another key, a modification onto the unique key of
    // another record is refused and changes nothing.
    PutAuto(car, 3, "CCC");
    car.RemoveTableOption("Auto", 0);
    car.DefineKey("Auto", "RENDSZ");
    car.SetFieldText("Auto", "ID", "1");
    EXPECT_EQ(ErrorCode([&] { car.ModRec("Auto", true); }), 10005);
    EXPECT_EQ(car.GetCount("Auto"), 2);
}

TEST_F(DbDescChangesTest, OptionZeroRestoresTheCurrentKeyOnEveryPath) {
    PutAuto(car, 1, "AAA");
    PutAuto(car, 2, "BBB");
    car.AddTableOption("Auto", 0);
    car.DefineKey("Auto", "RENDSZ");

    car.SetFieldText("Auto", "ID", "1");
    EXPECT_TRUE(car.ModRec("Auto", false));
    EXPECT_EQ(car.GetCurrentKey("Auto"), "RENDSZ");

    car.SetFieldText("Auto", "ID", "50");
    EXPECT_EQ(ErrorCode([&] { car.DelRec("Auto", true); }), 10002);
    EXPECT_EQ(car.GetCurrentKey("Auto"), "RENDSZ");

    car.AddTableOption("Loose", 0);
    EXPECT_EQ(ErrorCode([&] { car.ModRec("Loose", false); }), 10028);
    EXPECT_EQ(car.GetCurrentKey("Loose"), "");
}

TEST_F(DbDescChangesTest, AnAbortedTransactionLeavesBothTablespacesUnchanged) {
    PutAuto(car, 1, "KEEP");
    ASSERT_TRUE(car.BeginTrans("TWO SPACES", true));
    EXPECT_FALSE(naplo.BeginTrans("AGAIN", false));  // one per handle
    EXPECT_EQ(ErrorCode([&] { car.BeginTrans("AGAIN", true); }), 10023);
    PutAuto(car, 2, "GONE");
    naplo.SetFieldText("Entry", "NO", "1");
    naplo.NewRec("Entry");
    car.TruncateFile("");
    EXPECT_EQ(car.GetCount("Auto"), 0);
    car.EndTrans(false);

    EXPECT_EQ(car.GetCount("Auto"), 1);
    EXPECT_EQ(naplo.GetCount("Entry"), 0);
    car.EndTrans(true);  // none open: nothing to do
    EXPECT_TRUE(car.BeginTrans("NEXT", true));
    car.EndTrans(true);
}

TEST_F(DbDescChangesTest, CountersAndLocksAreSharedBetweenHandles) {
    DbDesc other = SecondHandle();
    EXPECT_EQ(car.GetNextId("AUTO_ID"), 1);
    EXPECT_EQ(other.GetNextId("AUTO_ID"), 2);
    EXPECT_EQ(car.GetNextId("OTHER"), 1);

    std::string holder;
    EXPECT_TRUE(car.LockRecord("Auto", 'w', holder));
    EXPECT_FALSE(other.LockRecord("Auto", 'w', holder));
    EXPECT_NE(holder.find("ADMIN"), std::string::npos);
    std::string who;
    EXPECT_TRUE(other.WhoMadeLock("Auto", 'w', who));
    EXPECT_EQ(who, holder);
    std::vector<DbDesc::LockEntry> locks;
    other.GetLockList(locks);
    ASSERT_EQ(locks.size(), 1u);

    EXPECT_FALSE(other.UnlockRecord("Auto", 'w'));  // not its lock
    EXPECT_TRUE(car.UnlockRecord("Auto", 'w'));
    EXPECT_FALSE(car.UnlockRecord("Auto", 'w'));
    EXPECT_FALSE(other.WhoMadeLock("Auto", 'w', who));
    EXPECT_TRUE(other.LockRecord("Auto", 'r', holder));
    EXPECT_TRUE(car.LockRecord("Auto", 'r', holder));  // shared locks go together
    // A table the description lacks is refused, never sent as record type -1.
    EXPECT_EQ(ErrorCode([&] { car.LockRecord("Nope", 'w', holder); }), 2002);
    EXPECT_EQ(ErrorCode([&] { car.UnlockRecord("Nope", 'w'); }), 2002);
    EXPECT_EQ(ErrorCode([&] { car.WhoMadeLock("Nope", 'w', who); }), 2002);
    std::vector<DbDesc::LockEntry> after;
    car.GetLockList(after);
    EXPECT_EQ(after.size(), 2u);  // the two shared locks, nothing for "Nope"
}

TEST_F(DbDescChangesTest, BlobsByIdAndAFailedReplaceKeepsTheOldBlob) {
    int32_t id = -1;
    EXPECT_TRUE(car.DeleteBlob(&id));
    EXPECT_FALSE(car.ReadBlobToBuf(-1, *std::make_unique<LurBuf>()));
    ASSERT_TRUE(car.WriteBlob(&id, "first", 5, false));
    const int32_t first = id;

    EXPECT_EQ(ErrorCode([&] { car.WriteBlob(&id, "x", -1, true); }), 10003);  // a bad length: the new blob is refused
    EXPECT_EQ(id, first);
    LurBuf buffer;
    ASSERT_TRUE(car.ReadBlobToBuf(id, buffer));
    EXPECT_EQ(std::string(static_cast<const char*>(buffer.GetData()), buffer.GetLength()), "first");

    ASSERT_TRUE(car.WriteBlob(&id, "second", 6, true));
    EXPECT_NE(id, first);
    EXPECT_FALSE(car.ReadBlobToBuf(first, buffer));
    char* block = nullptr;
    int32_t length = 0;
    ASSERT_TRUE(car.ReadBlob(id, block, length));
    EXPECT_EQ(std::string(block, static_cast<size_t>(length)), "second");
    delete[] block;

    int32_t gone = id;
    EXPECT_TRUE(car.DeleteBlob(&gone));
    EXPECT_EQ(gone, -1);
    gone = id;
    EXPECT_FALSE(car.DeleteBlob(&gone));
}

// Option 6: the blob changes wait for the record change, and a refused
// record change leaves neither a new blob nor a record without its blob.
TEST_F(DbDescChangesTest, DeferredBlobChangesFollowTheRecordChange) {
    PutAuto(car, 1, "AAA");
    ASSERT_TRUE(car.WriteBlob("Auto", "BLOBID", "old", 3, false));
    const int32_t oldId = std::stoi(car.GetFieldText("Auto", "BLOBID"));
    ASSERT_TRUE(car.ModRec("Auto", true));

    car.AddTableOption("Auto", 0);
    car.AddTableOption("Auto", 6);
    ASSERT_TRUE(car.WriteBlob("Auto", "BLOBID", "new", 3, true));
    EXPECT_EQ(car.GetPendingBlobChanges().size(), 1u);
    EXPECT_EQ(std::stoi(car.GetFieldText("Auto", "BLOBID")), oldId);  // nothing written yet

    car.SetFieldText("Auto", "ID", "42");  // the server has no such record
    EXPECT_FALSE(car.ModRec("Auto", false));
    EXPECT_EQ(std::stoi(car.GetFieldText("Auto", "BLOBID")), oldId);
    LurBuf buffer;
    EXPECT_TRUE(car.ReadBlobToBuf(oldId, buffer));
    EXPECT_FALSE(car.ReadBlobToBuf(oldId + 1, buffer));  // the new blob was taken back
    EXPECT_EQ(car.GetPendingBlobChanges().size(), 1u);

    car.SetFieldText("Auto", "ID", "1");
    ASSERT_TRUE(car.ModRec("Auto", true));
    const int32_t newId = std::stoi(car.GetFieldText("Auto", "BLOBID"));
    EXPECT_NE(newId, oldId);
    EXPECT_FALSE(car.ReadBlobToBuf(oldId, buffer));
    ASSERT_TRUE(car.ReadBlobToBuf(newId, buffer));
    EXPECT_EQ(std::string(static_cast<const char*>(buffer.GetData()), buffer.GetLength()), "new");
    EXPECT_TRUE(car.GetPendingBlobChanges().empty());
    EXPECT_EQ(car.GetTableOptions("Auto"), (TableOptions{0, 5, 6}));
}

TEST_F(DbDescChangesTest, ADeferredBlobWriteStoresItsOwnBytesEvenWhenEmpty) {
    PutAuto(car, 1, "AAA");
    car.AddTableOption("Auto", 6);
    ASSERT_TRUE(car.WriteBlob("Auto", "BLOBID", "earlier", 7, false));
    ASSERT_TRUE(car.WriteBlob("Auto", "BLOBID", "", 0, true));
    ASSERT_EQ(car.GetPendingBlobChanges().size(), 1u);
    EXPECT_TRUE(car.GetPendingBlobChanges()[0].data.IsEmpty());
    ASSERT_TRUE(car.ModRec("Auto", true));
    LurBuf buffer("left over", 9);
    ASSERT_TRUE(car.ReadBlobToBuf(std::stoi(car.GetFieldText("Auto", "BLOBID")), buffer));
    EXPECT_EQ(buffer.GetLength(), 0u);
}

TEST_F(DbDescChangesTest, KeyQueries) {
    EXPECT_EQ(car.GetUniqueKeyName("auto"), "ID");
    EXPECT_EQ(car.GetUniqueKeyName("Pair"), "PK");
    EXPECT_EQ(car.GetUniqueKeyByName("Loose"), -1);
    EXPECT_TRUE(car.IsUniqueKey("Auto", "ID"));
    EXPECT_FALSE(car.IsUniqueKey("Auto", ""));
    EXPECT_EQ(ErrorCode([&] { car.IsUniqueKey("Auto", "NOPE"); }), 2003);
    EXPECT_TRUE(car.IsInUniqueKey("Pair", "P2"));
    EXPECT_FALSE(car.IsInUniqueKey("Pair", "VAL"));
    EXPECT_FALSE(car.IsInUniqueKey("Loose", "A"));
    EXPECT_TRUE(car.IsCompoundKey("Pair", "PK"));
    EXPECT_TRUE(car.KeyHasField("Pair", "PK", "p1"));
    EXPECT_FALSE(car.KeyHasField("Pair", "VAL", "P1"));
    std::vector<std::string> names;
    car.GetKeyFieldNames("Pair", "PK", names);
    car.GetKeyFieldNames("Pair", "VAL", names);
    EXPECT_EQ(names, (std::vector<std::string>{"P1", "P2", "VAL"}));
    const DbDesc& constCar = car;
    EXPECT_EQ(constCar.FindKeyByFields("Pair", {"P2", "P1"}), "PK");
    EXPECT_EQ(constCar.FindKeyByFields("Pair", {"P1", "P1"}), "");
    EXPECT_FALSE(car.UseUniqueKey("Loose"));
    EXPECT_TRUE(car.UseUniqueKey("Auto"));
    EXPECT_EQ(car.GetCurrentKey("Auto"), "ID");
}

TEST_F(DbDescChangesTest, RawDataAndServerParameters) {
    car.WriteData("payload", 7, 3, 1, -1);
    char out[16] = {};
    EXPECT_EQ(car.FindData(3, 0, out, sizeof out, 1, -1), 7);
    EXPECT_EQ(std::string(out, 7), "payload");
    EXPECT_EQ(ErrorCode([&] { car.FindData(3, 0, out, 4, 1, -1); }), 10003);  // would not fit
    EXPECT_EQ(ErrorCode([&] { car.FindData(4, 0, out, sizeof out, 1, -1); }), 10002);
    EXPECT_EQ(ErrorCode([&] { car.WriteData("x", 1, 3, 2, -1); }), 2003);

    std::string value;
    car.GetServerParam("volumeid", value);
    EXPECT_FALSE(value.empty());
    car.SetServerParam("debuglog", "1");
    car.GetServerParam("debuglog", value);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(ErrorCode([&] { car.SetServerParam("nonsense", "1"); }), 10015);
}

}  // namespace
