// Raw data and blob streams of the client library.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "Store.h"
#include "TestService.h"
#include "lurdbcli.h"

using namespace lurdbcli;

namespace {

template <typename Fn>
Fn Get(const char* symbol) {
    return testsupport::FullLibrary().Get<Fn>(symbol);
}

class ChangesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir.Path() + "/t.schema") << "tablespace T 3\ntable Rec\n  field ID l 4 u\n";
        ASSERT_EQ(testsupport::RunAdmin("create-service chg admin secret"), 0);
        ASSERT_EQ(testsupport::RunAdmin("create-tablespace chg " + dir.Path() + "/t.schema"), 0);
        std::array<char, connect_info::kSize> block{};
        std::strcpy(block.data() + connect_info::kService, "CHG");
        std::strcpy(block.data() + connect_info::kUser, "ADMIN");
        std::strcpy(block.data() + connect_info::kPassword, "SECRET");
        ASSERT_EQ(Get<CreateDbHandlerFn>("_CreateDbHandler$4")(&handle), 0);
        ASSERT_EQ(Get<InitUserExFn>("_InitUserEx$8")(handle, block.data()), 0);
    }
    void TearDown() override { Get<FreeDbHandlerFn>("_FreeDbHandler$4")(handle); }

    // The block a call handed out, as text, released.
    static std::string Take(char* block, int32_t length) {
        std::string bytes(block, static_cast<size_t>(length));
        Get<FreePtrFn>("_FreePtr$4")(block);
        return bytes;
    }

    testsupport::TempServiceDir dir;
    int32_t handle = 0;
    FindDataFn findData = Get<FindDataFn>("_FindData$28");
    WriteDataFn writeData = Get<WriteDataFn>("_WriteData$24");
    NewBlobFn newBlob = Get<NewBlobFn>("_NewBlob$16");
    FindBlobFn findBlob = Get<FindBlobFn>("_FindBlob$16");
    CreateBlobStreamFn createStream = Get<CreateBlobStreamFn>("_CreateBlobStream$12");
    WriteBlobStreamFn writeStream = Get<WriteBlobStreamFn>("_WriteBlobStream$16");
    ReadBlobStreamFn readStream = Get<ReadBlobStreamFn>("_ReadBlobStream$16");
    CloseBlobStreamFn closeStream = Get<CloseBlobStreamFn>("_CloseBlobStream$12");
    DestroyBlobStreamFn destroyStream = Get<DestroyBlobStreamFn>("_DestroyBlobStream$8");
};

TEST_F(ChangesTest, RawDataIsKeptPerTablespaceModeAndKey) {
    const char* data = "abc";
    ASSERT_EQ(writeData(handle, 3, &data, 7, 3, 1), kOk);
    const char* other = "zz";
    ASSERT_EQ(writeData(handle, 2, &other, 7, 3, 2), kOk);

    int32_t length = 0;
    char* block = nullptr;
    ASSERT_EQ(findData(handle, &length, &block, 0, 7, 3, 1), kOk);
    EXPECT_EQ(Take(block, length), "abc");
    ASSERT_EQ(findData(handle, &length, &block, 0, 7, 3, 2), kOk);
    EXPECT_EQ(Take(block, length), "zz");
    EXPECT_EQ(findData(handle, &length, &block, 1, 7, 3, 1), kNotFound);
    EXPECT_EQ(findData(handle, &length, &block, 0, 7, 99, 1), kUnknownTablespace);
    EXPECT_EQ(writeData(handle, 3, nullptr, 7, 3, 1), kBadArgument);
}

TEST_F(ChangesTest, BlobStreamsReadInPiecesAndReplaceAsAWhole) {
    const std::string content(5000, 'x');
    int32_t id = 0;
    ASSERT_EQ(newBlob(handle, &id, static_cast<int32_t>(content.size()), content.data()), kOk);
    EXPECT_EQ(createStream(handle, 1, id + 100), kNotFound);
    ASSERT_EQ(createStream(handle, 1, id), kOk);
    EXPECT_EQ(createStream(handle, 1, id), kLockedOrDuplicate);

    std::string read;
    int32_t length = 0;
    char* block = nullptr;
    while (readStream(handle, 1, &length, &block) == kOk) read += Take(block, length);
    EXPECT_EQ(read, content);
    block = reinterpret_cast<char*>(&length);  // nulled at the end: no block is handed out
    EXPECT_EQ(readStream(handle, 1, &length, &block), kEndOfStream);
    EXPECT_EQ(block, nullptr);

    ASSERT_EQ(writeStream(handle, 1, 0x64636261, 0x68676665), kOk);  // "abcdefgh"
    ASSERT_EQ(closeStream(handle, 1, 0), kOk);                       // dropped
    ASSERT_EQ(findBlob(handle, id, &length, &block), kOk);
    EXPECT_EQ(Take(block, length), content);

    ASSERT_EQ(writeStream(handle, 1, 0x64636261, 0x68676665), kOk);
    ASSERT_EQ(closeStream(handle, 1, 1), kOk);
    ASSERT_EQ(findBlob(handle, id, &length, &block), kOk);
    EXPECT_EQ(Take(block, length), "abcdefgh");

    ASSERT_EQ(destroyStream(handle, 1), kOk);
    EXPECT_EQ(destroyStream(handle, 1), kNotFound);
    EXPECT_EQ(writeStream(handle, 1, 0, 0), kNotFound);
}

// Every call that hands out a block leaves the caller's pointer null when it
// fails, whether the handle is unknown or the work itself fails.
TEST_F(ChangesTest, FailedCallsHandOutNoBlock) {
    const int32_t unknown = handle + 1000;
    char key[8] = {};
    int32_t length = 4;
    int32_t count = 0;
    const char* noList = nullptr;
    const struct {
        const char* call;
        std::function<int32_t(int32_t, char**)> run;
    } cases[] = {
        {"FirstRec", [](int32_t h, char** b) { return Get<FirstRecFn>("_FirstRec$20")(h, 3, 10000, 4, b); }},
        {"FindList",
         [&](int32_t h, char** b) { return Get<FindListFn>("_FindList$28")(h, &length, key, b, 3, 10000, 0); }},
        {"GetAllRec", [&](int32_t h, char** b) { return Get<GetAllRecFn>("_GetAllRec$20")(h, 3, 10000, &length, b); }},
        {"FindListOr",
         [&](int32_t h, char** b) { return Get<FindListOrFn>("_FindListOr$28")(h, &length, &noList, b, 3, 10000, 0); }},
        {"FindBetween",
         [&](int32_t h, char** b) {
             return Get<FindBetweenFn>("_FindBetween$32")(h, 3, 10000, key, key, b, 0, &length);
         }},
        {"GetDbDescription",
         [&](int32_t h, char** b) { return Get<GetDbDescriptionFn>("_GetDbDescription$16")(h, 3, b, &length); }},
        {"GetServiceNames",
         [&](int32_t h, char** b) { return Get<GetServiceNamesFn>("_GetServiceNames$16")(h, b, &count, nullptr); }},
        {"GetServerParam",
         [](int32_t h, char** b) { return Get<GetServerParamFn>("_GetServerParam$12")(h, "nosuchparam", b); }},
        {"CallExtFnc",
         [&](int32_t h, char** b) {
             return Get<CallExtFncFn>("_CallExtFnc$24")(h, "NOPACKAGE", "F", key, b, &length);
         }},
        {"FindBlob", [&](int32_t h, char** b) { return Get<FindBlobFn>("_FindBlob$16")(h, 999, &length, b); }},
        {"GetRecLocks", [&](int32_t h, char** b) { return Get<GetLockListFn>("_GetRecLocks$12")(h, nullptr, b); }},
        {"FindData", [&](int32_t h, char** b) { return Get<FindDataFn>("_FindData$28")(h, &length, b, 0, 1, 99, 1); }},
        {"ReadBlobStream",
         [&](int32_t h, char** b) { return Get<ReadBlobStreamFn>("_ReadBlobStream$16")(h, 9, &length, b); }},
    };
    for (const auto& entry : cases) {
        for (const int32_t h : {unknown, handle}) {
            char* block = key;  // whatever the caller's pointer held before
            length = 4;
            EXPECT_NE(entry.run(h, &block), kOk) << entry.call << " on handle " << h;
            EXPECT_EQ(block, nullptr) << entry.call << " on handle " << h;
        }
    }
}

bool HasTable(lurdbcli::Database& db, const char* name) {
    lurdbcli::Statement query(db.Raw(), "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    return query.Bind(1, std::string(name)).Step();
}

// The raw-data table is made with the store, and once for a store made
// before it existed, instead of being checked on every call.
TEST(RawDataTable, IsMadeWithTheStoreAndForAnOlderStoreWhenOpened) {
    testsupport::TempServiceDir dir;
    ASSERT_EQ(testsupport::RunAdmin("create-service old admin secret"), 0);
    {
        Database db(Store::PathFor("OLD"), false);
        EXPECT_TRUE(HasTable(db, "_lur_data"));
        db.Exec("DROP TABLE _lur_data");  // as a store of an earlier version
    }
    const std::unique_ptr<Store> store = Store::Open("OLD");
    EXPECT_TRUE(HasTable(store->Db(), "_lur_data"));
}

}  // namespace
