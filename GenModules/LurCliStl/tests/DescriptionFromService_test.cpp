// From a schema file through a service of the client library to the parsed
// description: what the server hands out is what the lookups answer.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbStruct.h"
#include "FunctionLoader.h"
#include "LuConn.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 5 1.0.0.1\n"
    "table Gepjarmu\n"
    "  field GJ_ID    l 4  u\n"
    "  field Rendszam c 11 n\n"
    "  field Tipus    c 21 n\n"
    "  field EMC_ID   s 2  n\n"
    "  key   RendTip  u Rendszam Tipus\n"
    "table GepjLink\n"
    "  field Car_Id   l 4  d\n"
    "  field Naplo_Id l 4  d\n"
    "  field LinkNo   l 4  u\n";

class DescriptionFromServiceTest : public ::testing::Test {
protected:
    // Logs in with the service's registry settings and parses the
    // description of the tablespace.
    void LoadDescription(int32_t dbNo, const char* name, DbStruct& out) {
        LuConn conn;
        ConnectInfo info;
        ASSERT_TRUE(conn.ReadClientSettings("CARDB", info));
        info.SetText(ConnectInfo::kUser, "ADMIN");
        info.SetText(ConnectInfo::kPassword, "SECRET");

        int32_t handle = LuConn::kNoHandle;
        ASSERT_EQ(LUR_CLIENT_FUNCTION(CreateDbHandler, "LuConn")(&handle), 0);
        ASSERT_EQ(LUR_CLIENT_FUNCTION(InitUserEx, "LuConn")(handle, info.Data()), 0);
        const int32_t opened = LUR_CLIENT_FUNCTION(OpenDbExA, "DbDescMap")(handle, dbNo, name, 0);
        ASSERT_TRUE(opened == 0 || opened == lurdbcli::kAlreadyOpen) << opened;
        char* block = nullptr;
        int32_t length = 0;
        ASSERT_EQ(LUR_CLIENT_FUNCTION(GetDbDescription, "DbDescMap")(handle, dbNo, &block, &length), 0);
        try {
            out.ParseBlob(block, length);
        } catch (...) {
            LUR_CLIENT_FUNCTION(FreePtr, "DbDescMap")(block);
            throw;
        }
        LUR_CLIENT_FUNCTION(FreePtr, "DbDescMap")(block);
        LUR_CLIENT_FUNCTION(FreeDbHandler, "LuConn")(handle);
    }

    // The service made by lurdbadm; the test logs in on a handle of its own.
    lurtest::ServiceFixture service{kSchema, "CARDB"};
};

TEST_F(DescriptionFromServiceTest, LookupsAnswerFromTheServersDescription) {
    DbStruct s;
    ASSERT_NO_FATAL_FAILURE(LoadDescription(5, "Car", s));

    EXPECT_EQ(s.GetTableNames(), (std::vector<std::string>{"GEPJARMU", "GEPJLINK"}));
    EXPECT_EQ(s.GetRecType("gepjLINK"), 10001);
    EXPECT_EQ(s.GetFieldNo("Gepjarmu", "emc_id"), 3);
    EXPECT_EQ(s.GetFieldNo("GepjLink", "Naplo_Id"), 1001);
    EXPECT_EQ(s.GetFieldNo("GepjLink", "GJ_ID"), -1);

    // The leading bytes of each record image are not exchanged.
    const RecordDesc car = s.GetRecDescByName("GEPJARMU");
    EXPECT_GT(car.dataOffset, 0);
    EXPECT_EQ(s.GetRecordSize("GEPJARMU"), 4 + 11 + 21 + 2);
    EXPECT_EQ(s.GetFieldDescByName("GEPJARMU", "GJ_ID").position, car.dataOffset);
    EXPECT_EQ(s.GetFieldLength("GEPJARMU", "RENDSZAM", true), 10);

    EXPECT_EQ(s.GetUniqueKeyByName("gepjarmu"), 0);
    EXPECT_EQ(s.GetUniqueKey(10001), 1002);
    EXPECT_TRUE(s.IsCompoundKey("GEPJARMU", "RendTip"));
    std::vector<std::string> names;
    s.GetKeyFields("GEPJARMU", "RENDTIP", names);
    EXPECT_EQ(names, (std::vector<std::string>{"RENDSZAM", "TIPUS"}));
    EXPECT_EQ(s.FindKeyByFields("Gepjarmu", {"Tipus", "Rendszam"}), "RENDTIP");
    s.GetFieldNamesByName("GEPJARMU", names, false);
    EXPECT_EQ(names, (std::vector<std::string>{"GJ_ID", "RENDSZAM", "TIPUS", "EMC_ID"}));
}

TEST_F(DescriptionFromServiceTest, CatalogueDescriptionParses) {
    DbStruct s;
    ASSERT_NO_FATAL_FAILURE(LoadDescription(19, "SYSDB", s));
    for (const char* table : {"tablespace", "dbuser", "tables", "fields", "fileblobs"})
        EXPECT_GE(s.GetRecType(table), 10000) << table;
    EXPECT_GE(s.GetFieldNo("dbuser", "name"), 0);
}

// Names already upper case, every kind of entry the server writes: file
// entries, a compound key, raw and unsigned fields, a group.
constexpr const char* kUpperCaseSchema =
    "tablespace KOCSI 6\n"
    "table GEPJARMU\n"
    "  field GJ_ID     l 4  u\n"
    "  field RENDSZAM  c 11 d\n"
    "  field TELJ      s 2  n unsigned\n"
    "  field NYERS     c 4  n raw\n"
    "  field CSOPORT   g 0  n\n"
    "  key   RENDKULCS u RENDSZAM GJ_ID\n"
    "table NAPLO\n"
    "  field N_ID      d 4  u\n"
    "  field ERTEK     F 8  n\n";

TEST(DescriptionImageFromService, ToBlobGivesTheServersBlobBack) {
    lurtest::ServiceFixture service{kUpperCaseSchema, "IMAGESVC"};
    DbDesc desc;
    service.LoadDesc(desc, "KOCSI", 6);

    char* block = nullptr;
    int32_t length = 0;
    ASSERT_EQ(LUR_CLIENT_FUNCTION(GetDbDescription, "DbDescMap")(service.Handle(), 6, &block, &length), 0);
    const std::string served(block, static_cast<size_t>(length));
    LUR_CLIENT_FUNCTION(FreePtr, "DbDescMap")(block);

    char* image = nullptr;
    int32_t imageLength = 0;
    ASSERT_EQ(desc.ToBlob(&image, &imageLength), 0);
    const std::unique_ptr<char[]> owned(image);
    EXPECT_EQ(std::string(image, static_cast<size_t>(imageLength)), served);
}

}  // namespace
