// The open tablespaces of a connection: opening from the catalogue, loading
// into the shared description cache, versions, reload rules, lookups.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DbDescError.h"
#include "DbDescMap.h"
#include "FakeWindowSystem.h"
#include "FunctionLoader.h"
#include "RdmTable.h"
#include "ServiceTest.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.3\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u sqltype=264 sqllength=9 precision=2\n"
    "  field Rendszam c 11 d\n"
    "tablespace RuzNaplo 8 2.1.0.0\n"
    "table Naplo\n"
    "  field N_ID l 4 u\n";

// The description blob the library hands out for an open tablespace.
std::string Blob(int32_t handle, int32_t dbNo) {
    FunctionLoader& client = GetFunctionLoader();
    char* block = nullptr;
    int32_t length = 0;
    EXPECT_EQ(client.pfGetDbDescription(handle, dbNo, &block, &length), 0);
    std::string blob(block, static_cast<size_t>(length));
    client.pfFreePtr(block);
    return blob;
}

class DbDescMapTest : public lurtest::SuiteServiceTest<DbDescMapTest> {
protected:
    static void SetUpTestSuite() {
        MakeService(kSchema);
        service_->Load("Car", "Gepjarmu", "GJ_ID,Rendszam\n1,ABC-123\n2,XYZ-999\n");
    }
    void SetUp() override {
        map_.SetHandle(service_->Handle());
        ASSERT_TRUE(map_.OpenAll());
    }

    win::FakeWindowSystem windows_;  // any box would be recorded here
    DbDescMap map_;
};

TEST_F(DbDescMapTest, OpenAllOpensEveryCataloguedTablespaceWithItsVersion) {
    ASSERT_EQ(map_.Count(), 3);
    // The catalogue writes "Car"; the map keys and asks in upper case.
    EXPECT_TRUE(map_.HasDesc("car"));
    EXPECT_TRUE(map_.HasDesc("RuzNaplo"));
    EXPECT_EQ(map_.GetDesc("sysdb")->GetDbNo(), 19);
    const DbDesc* car = map_.GetDescConst("Car");
    EXPECT_EQ(car->GetDbNo(), 7);
    EXPECT_EQ(car->GetHandle(), service_->Handle());
    const int32_t expected[4] = {1, 0, 0, 3};
    for (int part = 0; part < 4; ++part) EXPECT_EQ(car->GetVersion(part), expected[part]);
    EXPECT_EQ(map_.GetDescConst("RUZNAPLO")->GetVersion(0), 2);
    EXPECT_TRUE(map_.GetOpenFailures().empty());
    EXPECT_TRUE(windows_.Views().empty());
}

TEST_F(DbDescMapTest, TheCatalogueAddsSqlTypes) {
    const DbDesc* car = map_.GetDescConst("CAR");
    const FieldSqlInfo info = car->GetFieldSqlInfoByName("GEPJARMU", "GJ_ID");
    EXPECT_EQ(info.sqlType, 8);
    EXPECT_TRUE(info.typeFlag);
    EXPECT_EQ(info.length, 9);
    EXPECT_EQ(info.precision, 2);
    EXPECT_EQ(car->GetFieldSqlInfoByName("GEPJARMU", "RENDSZAM").sqlType, 1);
}

TEST_F(DbDescMapTest, PositionsFollowTheNamesAndRefuseOutsideTheMap) {
    EXPECT_STREQ(map_.GetDescAt(0).GetDbName(), "CAR");
    EXPECT_STREQ(map_.GetDescAtPtr(2)->GetDbName(), "SYSDB");
    for (int32_t index : {-1, 3}) {
        try {
            map_.GetDescAt(index);
            FAIL() << index;
        } catch (const DbDescError& error) {
            EXPECT_EQ(error.GetCode(), 2000);
            EXPECT_EQ(error.GetArgs()[0], "index: " + std::to_string(index));
        }
    }
    try {
        map_.GetDesc("nosuch");
        FAIL();
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 2000);
        EXPECT_EQ(error.GetArgs()[0], "NOSUCH");
    }
}

TEST_F(DbDescMapTest, ACopySharesTheStructureButNotTheRecordBuffer) {
    DbDesc copy = map_.GetDescCopy("car");
    DbDesc* own = map_.GetDesc("CAR");
    EXPECT_EQ(&copy.GetStruct(), &own->GetStruct());
    RdmTable mine(&copy, "Gepjarmu");
    RdmTable theirs(own, "Gepjarmu");
    mine.Fld("GJ_ID").SetLong(1);
    ASSERT_TRUE(mine.FindRecByKey("GJ_ID"));
    theirs.Fld("GJ_ID").SetLong(2);
    ASSERT_TRUE(theirs.FindRecByKey("GJ_ID"));
    EXPECT_EQ(mine.Fld("Rendszam").GetString(), "ABC-123");
    EXPECT_EQ(theirs.Fld("Rendszam").GetString(), "XYZ-999");
    // A second map on the same handle shares the structure too.
    DbDescMap other;
    other.SetHandle(service_->Handle());
    ASSERT_TRUE(other.OpenTablespace("car", 0, 0, false));
    EXPECT_EQ(&other.GetDesc("CAR")->GetStruct(), &own->GetStruct());
}

TEST_F(DbDescMapTest, ATablespaceWithoutACatalogueRowHasVersionMinusOne) {
    const std::string blob = Blob(service_->Handle(), 7);
    ASSERT_TRUE(map_.LoadDescription(blob.data(), static_cast<int32_t>(blob.size()), "Unlisted", 7));
    const DbDesc* unlisted = map_.GetDescConst("UNLISTED");
    for (int part = 0; part < 4; ++part) EXPECT_EQ(unlisted->GetVersion(part), -1);
    EXPECT_TRUE(windows_.Views().empty());
}

TEST_F(DbDescMapTest, AReloadNeverChangesTheLayoutUnderExistingCopies) {
    DbDesc copy = map_.GetDescCopy("CAR");
    const DbStruct* before = &copy.GetStruct();
    // A blob that does not parse raises and leaves the structure.
    const std::string garbage = "not a description";
    EXPECT_THROW(map_.LoadDescription(garbage.data(), static_cast<int32_t>(garbage.size()), "Car", 7), DbDescError);
    EXPECT_EQ(copy.GetRecType("GEPJARMU"), 10000);
    // Another layout under the same name is refused, and the reason kept.
    const std::string other = Blob(service_->Handle(), 8);
    EXPECT_FALSE(map_.LoadDescription(other.data(), static_cast<int32_t>(other.size()), "Car", 7));
    EXPECT_EQ(copy.GetRecType("GEPJARMU"), 10000);
    EXPECT_EQ(copy.GetRecType("NAPLO"), -1);
    ASSERT_EQ(map_.GetOpenFailures().size(), 1u);
    EXPECT_EQ(map_.GetOpenFailures()[0].name, "Car");
    // The same layout reloads in place.
    const std::string same = Blob(service_->Handle(), 7);
    EXPECT_TRUE(map_.LoadDescription(same.data(), static_cast<int32_t>(same.size()), "Car", 7));
    EXPECT_EQ(&map_.GetDesc("car")->GetStruct(), before);
}

TEST_F(DbDescMapTest, AStructureGoesWithItsLastDescriptionSoAHandleUsedAgainTakesANewLayout) {
    const int32_t handle = service_->Handle();
    const std::string car = Blob(handle, 7), naplo = Blob(handle, 8);
    const int32_t before = DbDescMap::CachedStructureCount();
    auto connection = std::make_unique<DbDescMap>();
    connection->SetHandle(handle);
    ASSERT_TRUE(connection->OpenDb("SYSDB", 19, 0, false));  // shares the fixture's catalogue
    ASSERT_TRUE(connection->LoadDescription(car.data(), static_cast<int32_t>(car.size()), "Reused", 7));
    EXPECT_EQ(DbDescMap::CachedStructureCount(), before + 1);
    auto copy = std::make_unique<DbDesc>(connection->GetDescCopy("REUSED"));
    connection.reset();

    // A copy still uses the structure: another layout under the name is refused.
    DbDescMap later;
    later.SetHandle(handle);
    ASSERT_TRUE(later.OpenDb("SYSDB", 19, 0, false));
    EXPECT_FALSE(later.LoadDescription(naplo.data(), static_cast<int32_t>(naplo.size()), "Reused", 7));
    EXPECT_EQ(copy->GetRecType("GEPJARMU"), 10000);
    EXPECT_EQ(DbDescMap::CachedStructureCount(), before + 1);

    // With the last user gone the entry goes, and the same handle loads the new layout.
    copy.reset();
    EXPECT_EQ(DbDescMap::CachedStructureCount(), before);
    ASSERT_TRUE(later.LoadDescription(naplo.data(), static_cast<int32_t>(naplo.size()), "Reused", 7));
    EXPECT_EQ(later.GetDesc("REUSED")->GetRecType("NAPLO"), 10000);
    EXPECT_EQ(later.GetDesc("REUSED")->GetRecType("GEPJARMU"), -1);
}

TEST_F(DbDescMapTest, QuietOpensKeepWhyTheyFailedAndLoudOnesRaise) {
    EXPECT_FALSE(map_.OpenDb("NoSuch", 42, 0, true));
    ASSERT_EQ(map_.GetOpenFailures().size(), 1u);
    EXPECT_EQ(map_.GetOpenFailures()[0].name, "NoSuch");
    EXPECT_EQ(map_.GetOpenFailures()[0].dbNo, 42);
    EXPECT_EQ(map_.GetOpenFailures()[0].status, 10008);
    try {
        map_.OpenTablespace("NoSuch", 42, 0, false);
        FAIL();
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10008);
        EXPECT_EQ(error.GetArgs()[0], "NoSuch");
    }
    EXPECT_TRUE(map_.RemoveDesc("ruznaplo"));
    EXPECT_FALSE(map_.RemoveDesc("ruznaplo"));
    EXPECT_EQ(map_.Count(), 2);
}

}  // namespace
