// From lurdbadm to a logged-in connection: a service with two tablespaces
// and users is made by the tool; the connection logs in, opens every
// catalogued tablespace, reads their versions and a record, and refuses
// the users it must refuse with the library's codes.
#include <gtest/gtest.h>

#include <string>

#include "ConnectInfo.h"
#include "DbDescMap.h"
#include "FunctionLoader.h"
#include "InteractiveScope.h"
#include "LuConn.h"
#include "RdmTable.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.2.3.4\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n"
    "  field Rendszam c 11 d\n"
    "tablespace RuzNaplo 8 2.0.0.1\n"
    "table Naplo\n"
    "  field N_ID l 4 u\n";

TEST(ConnectAndOpenAll, LogsInOpensEverythingAndRefusesWhomItMust) {
    const lurtest::InteractiveScope noUser(false);  // no box may wait for a person here
    lurtest::ServiceFixture service(kSchema, "GARAGE", "owner", "key");
    service.Load("Car", "Gepjarmu", "GJ_ID,Rendszam\n10,ABC-123\n");
    ASSERT_EQ(service.RunAdmin("add-user GARAGE mechanic wrench"), 0);
    ASSERT_EQ(service.RunAdmin("add-user GARAGE former gone"), 0);
    ASSERT_EQ(service.RunAdmin("disable-user GARAGE former"), 0);
    ASSERT_EQ(service.RunAdmin("add-user GARAGE temp temp"), 0);
    ASSERT_EQ(service.RunAdmin("remove-user GARAGE temp"), 0);

    LuConn conn;
    ASSERT_TRUE(conn.Open("garage", "mechanic", "wrench", false));
    DbDescMap& tablespaces = conn.GetTablespaces();
    ASSERT_TRUE(tablespaces.OpenAll());
    EXPECT_EQ(tablespaces.Count(), 3);
    const DbDesc* car = tablespaces.GetDescConst("CAR");
    EXPECT_EQ(std::to_string(car->GetVersion(0)) + "." + std::to_string(car->GetVersion(1)) + "." +
                  std::to_string(car->GetVersion(2)) + "." + std::to_string(car->GetVersion(3)),
              "1.2.3.4");
    EXPECT_EQ(tablespaces.GetDescConst("ruznaplo")->GetVersion(3), 1);

    DbDesc copy = tablespaces.GetDescCopy("car");
    RdmTable vehicles(&copy, "Gepjarmu");
    vehicles.Fld("GJ_ID").SetLong(10);
    ASSERT_TRUE(vehicles.FindRecByKey("GJ_ID"));
    EXPECT_EQ(vehicles.Fld("Rendszam").GetString(), "ABC-123");

    // The refusals, as the library answers them and as the connection takes them.
    struct Case {
        const char* user;
        const char* password;
        int32_t status;
    };
    const Case refusals[] = {{"MECHANIC", "SPANNER", 10068}, {"TEMP", "TEMP", 10014}, {"FORMER", "GONE", 10067}};
    FunctionLoader& client = GetFunctionLoader();
    for (const Case& c : refusals) {
        SCOPED_TRACE(c.user);
        ConnectInfo info;
        ASSERT_TRUE(LuConn().ReadClientSettings("GARAGE", info));
        info.SetText(ConnectInfo::kUser, c.user);
        info.SetText(ConnectInfo::kPassword, c.password);
        int32_t handle = 0;
        ASSERT_EQ(client.pfCreateDbHandler(&handle), 0);
        EXPECT_EQ(client.pfInitUserEx(handle, info.Data()), c.status);
        client.pfFreeDbHandler(handle);

        LuConn refused;
        EXPECT_FALSE(refused.Open("GARAGE", c.user, c.password, false));
        EXPECT_EQ(refused.GetHandle(), LuConn::kNoHandle);
    }
}

}  // namespace
