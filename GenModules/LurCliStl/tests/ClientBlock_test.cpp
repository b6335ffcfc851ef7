// ClientBlock: a client call that answers 0 but hands over no block where
// bytes are due is a bad result (10003), never a read through a null pointer.
#include "ClientBlock.h"

#include <gtest/gtest.h>

#include <functional>

#include "DbDescMap.h"
#include "DbErrorCode.h"
#include "DescBlob.h"
#include "FunctionLoader.h"
#include "LurBuf.h"
#include "RdmExtPackage.h"
#include "ScopedClientFunction.h"

using lurtest::BlobDesc;
using lurtest::ErrorCode;
using lurtest::ScopedClientFunction;

namespace {

constexpr int kBadResult = 10003;
constexpr int32_t kOwedBytes = 28;  // what the faulty calls claim to have returned

// Every faulty call answers 0, claims bytes and hands over a null block.
int32_t NoRecord(int32_t, int32_t, int32_t, int32_t, char** block) {
    *block = nullptr;
    return 0;
}
int32_t NoList(int32_t, int32_t* length, const char*, char** result, int32_t, int32_t, int32_t) {
    *length = kOwedBytes;
    *result = nullptr;
    return 0;
}
int32_t NoAllRecords(int32_t, int32_t, int32_t, int32_t* length, char** result) {
    *length = kOwedBytes;
    *result = nullptr;
    return 0;
}
int32_t NoLocks(int32_t, int32_t* length, char** block) {
    *length = kOwedBytes;
    *block = nullptr;
    return 0;
}
int32_t NoBlobBytes(int32_t, int32_t, int32_t* length, char** block) {
    *length = kOwedBytes;
    *block = nullptr;
    return 0;
}
int32_t NoData(int32_t, int32_t* length, char** block, int32_t, int32_t, int32_t, int32_t) {
    *length = kOwedBytes;
    *block = nullptr;
    return 0;
}
int32_t NoParameterText(int32_t, const char*, char** value) {
    *value = nullptr;
    return 0;
}
int32_t NoPackageResult(int32_t, const char*, const char*, const char*, char** result, int32_t* length) {
    *length = kOwedBytes;
    *result = nullptr;
    return 0;
}
int32_t NoDescription(int32_t, int32_t, char** block, int32_t* length) {
    *length = kOwedBytes;
    *block = nullptr;
    return 0;
}
int32_t FreeNothing(void*) { return 0; }

class ClientBlockTest : public ::testing::Test {
protected:
    BlobDesc blob{{{"Item", {{"ID", 'l', 4, 'u'}, {"NAME", 'c', 20}}, {}}}};
    DbDesc& desc = blob.Desc();
    FunctionLoader& client = GetFunctionLoader();
    ScopedClientFunction<lurdbcli::FreePtrFn> freePtr{client.pfFreePtr, &FreeNothing};
};

TEST_F(ClientBlockTest, EveryCallThatReadsABlockRefusesAMissingOne) {
    const std::pair<const char*, std::function<int()>> cases[] = {
        {"FirstRec",
         [&] {
             ScopedClientFunction stub(client.pfFirstRec, &NoRecord);
             return ErrorCode([&] { desc.Move(DbDesc::kMoveFirst, "Item"); });
         }},
        {"ReadCurrentRec",
         [&] {
             ScopedClientFunction stub(client.pfReadCurrentRec, &NoRecord);
             return ErrorCode([&] { desc.ReadCurrentRec("Item", true); });
         }},
        {"FindList",
         [&] {
             ScopedClientFunction stub(client.pfFindList, &NoList);
             return ErrorCode([&] { desc.FindList("Item", "ID", DbDesc::kMoveFirst); });
         }},
        {"GetAllRec",
         [&] {
             ScopedClientFunction stub(client.pfGetAllRec, &NoAllRecords);
             return ErrorCode([&] { desc.FindNotEqual("Item", "ID", DbDesc::kMoveFirst); });
         }},
        {"GetLockList",
         [&] {
             ScopedClientFunction stub(client.pfGetLockList, &NoLocks);
             std::vector<DbDesc::LockEntry> locks;
             return ErrorCode([&] { desc.GetLockList(locks); });
         }},
        {"FindBlob",
         [&] {
             ScopedClientFunction stub(client.pfFindBlob, &NoBlobBytes);
             LurBuf out;
             return ErrorCode([&] { desc.ReadBlobToBuf(1, out); });
         }},
        {"FindData",
         [&] {
             ScopedClientFunction stub(client.pfFindData, &NoData);
             char out[64];
             return ErrorCode([&] { desc.FindData(1, 0, out, sizeof out, 1, -1); });
         }},
        {"GetServerParam",
         [&] {
             ScopedClientFunction stub(client.pfGetServerParam, &NoParameterText);
             std::string value;
             return ErrorCode([&] { desc.GetServerParam("volumeid", value); });
         }},
        {"ReadBlobStream",
         [&] {
             ScopedClientFunction stub(client.pfReadBlobStream, &NoBlobBytes);
             int32_t length = 0;
             void* block = nullptr;
             return ErrorCode([&] { desc.ReadBlobStream(1, length, block); });
         }},
        {"GetDbDescription",
         [&] {
             ScopedClientFunction stub(client.pfGetDbDescription, &NoDescription);
             DbDescMap map;
             return ErrorCode([&] { map.GetDescription(7, "Car"); });
         }},
        {"CallExtFnc",
         [&] {
             ScopedClientFunction stub(client.pfCallExtFnc, &NoPackageResult);
             RdmExtPackage package;
             return ErrorCode([&] { package.CallExtFnc("echo", nullptr, 0, true); });
         }},
    };
    for (const auto& [name, call] : cases) EXPECT_EQ(call(), kBadResult) << name;
}

TEST_F(ClientBlockTest, NoBlockIsFineWhereNoBytesAreDue) {
    ScopedClientFunction stub(
        client.pfFindBlob, +[](int32_t, int32_t, int32_t* length, char** block) {
            *length = 0;
            *block = nullptr;
            return int32_t{0};
        });
    LurBuf out("old", 3);
    EXPECT_TRUE(desc.ReadBlobToBuf(1, out));
    EXPECT_TRUE(out.IsEmpty());
}

}  // namespace
