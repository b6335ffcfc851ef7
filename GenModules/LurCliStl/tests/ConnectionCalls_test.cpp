// The connection-wide calls of DbDescMap: transactions, server parameters
// (with the extension-package fallback for "volumeid"), dotted names and
// locks over several tables.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "DbDescError.h"
#include "DbDescMap.h"
#include "FunctionLoader.h"
#include "ServiceTest.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n"
    "table Link\n"
    "  field L_ID l 4 u\n"
    "tablespace RuzNaplo 8\n"
    "table Gepjarmu\n"
    "  field N_ID l 4 u\n"
    "table Naplo\n"
    "  field N_ID l 4 u\n";

class ConnectionCallsTest : public lurtest::SuiteServiceTest<ConnectionCallsTest> {
protected:
    static void SetUpTestSuite() { MakeService(kSchema); }
    void SetUp() override {
        map_.SetHandle(service_->Handle());
        ASSERT_TRUE(map_.OpenAll());
    }
    void TearDown() override { map_.EndTransaction(false); }

    DbDescMap map_;
};

TEST_F(ConnectionCallsTest, ASecondTransactionIsRefusedStrictOrNot) {
    EXPECT_TRUE(map_.BeginTrans("IMPORT", false));
    EXPECT_FALSE(map_.BeginTrans("IMPORT", false));
    try {
        map_.BeginTrans("IMPORT", true);
        FAIL();
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10023);
        EXPECT_EQ(error.GetArgs()[0], "IMPORT");
    }
    EXPECT_NO_THROW(map_.EndTrans(true));
    EXPECT_NO_THROW(map_.EndTrans(true));  // none open: the library answers 0

    // A refused end raises the library's status with no arguments.
    DbDescMap unconnected;
    try {
        unconnected.EndTrans(false);
        FAIL();
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10014);
        EXPECT_TRUE(error.GetArgs().empty());
    }
}

TEST_F(ConnectionCallsTest, ServerParametersAndTheVolumeIdFallback) {
    std::string asked;
    map_.GetServerParam("volumeid", asked);
    EXPECT_FALSE(asked.empty());
    try {
        std::string value;
        map_.GetServerParam("nosuch", value);
        FAIL();
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10015);
        EXPECT_EQ(error.GetArgs()[0], "nosuch");
    }
    map_.SetServerParam("debuglog", "1");
    std::string debuglog;
    map_.GetServerParam("debuglog", debuglog);
    EXPECT_EQ(debuglog, "1");

    // Without the library's parameter function the package gives the id;
    // the name in upper case never takes that path.
    FunctionLoader& client = GetFunctionLoader();
    const auto saved = std::exchange(client.pfGetServerParam, nullptr);
    std::string fromPackage;
    EXPECT_NO_THROW(map_.GetServerParam("volumeid", fromPackage));
    try {
        std::string value;
        map_.GetServerParam("VOLUMEID", value);
        ADD_FAILURE();
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10038);
        EXPECT_EQ(error.GetArgs()[0], "pfGetServerParam");
    }
    client.pfGetServerParam = saved;
    EXPECT_EQ(fromPackage, asked);
}

TEST_F(ConnectionCallsTest, DottedNamesResolveInAnyCaseAndRefuseAsTheyShould) {
    int32_t dbNo = -1, recType = -1;
    map_.ResolveName("ruznaplo..naplo", &dbNo, &recType);
    EXPECT_EQ(dbNo, 8);
    EXPECT_EQ(recType, 10001);
    map_.ResolveName("link", &dbNo, &recType);
    EXPECT_EQ(dbNo, 7);

    struct Case {
        const char* name;
        int code;
        const char* argument;
    };
    const Case refusals[] = {{"nosuch", 2002, "NOSUCH"},
                             {"gepjarmu", 2042, "GEPJARMU"},
                             {"other.naplo", 2000, "OTHER.NAPLO"},
                             {"car.naplo", 2002, "CAR.NAPLO"},
                             {"a.b.c", 2019, "a.b.c"}};
    for (const Case& c : refusals) {
        SCOPED_TRACE(c.name);
        try {
            map_.ResolveName(c.name, &dbNo, &recType);
            ADD_FAILURE();
        } catch (const DbDescError& error) {
            EXPECT_EQ(error.GetCode(), c.code);
            EXPECT_EQ(error.GetArgs()[0], c.argument);
        }
    }

    int32_t fieldNo = -1;
    map_.ResolveFieldName("car.link.l_id", &dbNo, &recType, &fieldNo);
    EXPECT_EQ(fieldNo, 1000);
    map_.ResolveFieldName("naplo.n_id", &dbNo, &recType, &fieldNo);
    EXPECT_EQ(dbNo, 8);
    EXPECT_EQ(fieldNo, 1000);
    map_.ResolveFieldName("nosuch.x", &dbNo, &recType, &fieldNo);
    EXPECT_EQ(dbNo, -1);

    std::string tablespace, table, field;
    map_.SplitName("car.link.l_id", tablespace, table, field);
    EXPECT_EQ(tablespace + "/" + table + "/" + field, "CAR/LINK/L_ID");
    tablespace.clear(), table.clear(), field.clear();
    map_.SplitName("naplo.n_id", tablespace, table, field);
    EXPECT_EQ(tablespace + "/" + table + "/" + field, "/NAPLO/N_ID");
    tablespace.clear(), table.clear(), field.clear();
    map_.SplitName("car.link", tablespace, table, field);
    EXPECT_EQ(tablespace + "/" + table + "/" + field, "CAR/LINK/");
}

TEST_F(ConnectionCallsTest, LockRecordsLocksEveryTableInOneCall) {
    EXPECT_EQ(map_.LockRecords({{"car.link", "w"}, {"naplo", "r"}}), 0);
    EXPECT_THROW(map_.LockRecords({{"nosuch", "w"}}), DbDescError);
}

}  // namespace
