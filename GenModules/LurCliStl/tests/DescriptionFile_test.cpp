// A tablespace's description file, end to end: lurdbadm writes it from a
// live service and shows it as schema lines, and a description loaded from
// the file reads the service's records.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DbDesc.h"
#include "DbStruct.h"
#include "FileApi.h"
#include "FunctionLoader.h"
#include "ServiceFixture.h"

namespace {

// Upper-case names, as the description file keeps them.
constexpr const char* kTablespaceLine = "tablespace CAR 5 1.0.0.1\n";
constexpr const char* kTables =
    "table GEPJARMU\n"
    "  field GJ_ID l 4 u\n"
    "  field RENDSZAM c 11 d\n"
    "  field TIPUS c 21 n\n"
    "  field NYERS c 2 n unsigned\n"
    "  field ADATOK g 0 n\n"
    "  key RENDTIP u RENDSZAM TIPUS\n"
    "table NAPLO\n"
    "  field NAPLO_ID l 4 u\n"
    "  field GJ_ID l 4 d\n";

TEST(DescriptionFile, SavedFromAServiceShownAsSchemaAndUsedToReadItsRecords) {
    lurtest::ServiceFixture service(std::string(kTablespaceLine) + kTables, "CARDB");
    service.Load("CAR", "GEPJARMU", "GJ_ID,RENDSZAM,TIPUS,NYERS\n1,ABC-123,Skoda,0A0B\n2,XYZ-789,Tatra,0C0D\n");

    std::string output;
    ASSERT_EQ(service.RunAdmin("dbd-save CARDB car " + service.Dir(), &output), 0) << output;
    const std::string posix = service.Dir() + "/CAR.dbd";
    ASSERT_EQ(service.RunAdmin("dbd-show " + posix, &output), 0) << output;
    EXPECT_EQ(output, kTables);

    DbDesc desc;
    desc.SetStruct(std::make_shared<DbStruct>());
    ASSERT_EQ(desc.LoadFile(win::FromPosixPath(posix).c_str(), "car", 5), 0);
    EXPECT_STREQ(desc.GetDbName(), "CAR");
    EXPECT_EQ(desc.GetFieldNo("NAPLO", "GJ_ID"), 1001);

    // The file's description reads the live tablespace.
    const int32_t opened = GetFunctionLoader().pfOpenDbExA(service.Handle(), 5, "CAR", 0);
    ASSERT_TRUE(opened == 0 || opened == 10020) << opened;
    desc.SetHandle(service.Handle());
    desc.DefineKey("GEPJARMU", "GJ_ID");
    ASSERT_TRUE(desc.Move(DbDesc::kMoveFirst, "GEPJARMU"));
    EXPECT_EQ(desc.GetFieldText("GEPJARMU", "RENDSZAM"), "ABC-123");
    ASSERT_TRUE(desc.Move(DbDesc::kMoveNext, "GEPJARMU"));
    EXPECT_EQ(desc.GetFieldText("GEPJARMU", "TIPUS"), "Tatra");
    EXPECT_FALSE(desc.Move(DbDesc::kMoveNext, "GEPJARMU"));
}

TEST(DescriptionFile, ToolsRefuseWhatTheyCannotDo) {
    lurtest::ServiceFixture service(std::string(kTablespaceLine) + kTables, "CARDB");
    std::string output;
    EXPECT_EQ(service.RunAdmin("dbd-save CARDB NOSUCH " + service.Dir(), &output), 1);
    EXPECT_NE(output.find("no tablespace NOSUCH"), std::string::npos) << output;
    EXPECT_EQ(service.RunAdmin("dbd-save CARDB CAR " + service.Dir() + "/missing", &output), 1);
    EXPECT_NE(output.find("cannot write " + service.Dir() + "/missing/CAR.dbd: The path was not found."),
              std::string::npos)
        << output;
    EXPECT_EQ(service.RunAdmin("dbd-show " + service.Dir() + "/none.dbd", &output), 1);
    EXPECT_NE(output.find("cannot read"), std::string::npos) << output;
    EXPECT_EQ(service.RunAdmin("dbd-show " + service.Dir() + "/schema.txt", &output), 1);
    EXPECT_NE(output.find("is no description file"), std::string::npos) << output;
    EXPECT_EQ(service.RunAdmin("dbd-show", &output), 2);
}

}  // namespace
