// Saving a tree of stored tables end to end: deferred changes on two levels
// are written through liblurdbcli.so to a service made with lurdbadm, and
// checked apart from the code that wrote them: with lurdbadm's dump and
// through a second connection that logs in on its own.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DbDesc.h"
#include "DbDescError.h"
#include "DbDescMap.h"
#include "LuConn.h"
#include "RdmStoreTab.h"
#include "RdmTable.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Shop 6\n"
    "table Orders\n"
    "  field ID    l 4  u\n"
    "  field CUST  c 11 d\n"
    "table Lines\n"
    "  field ID    l 4  u\n"
    "  field ORDID l 4  d\n"
    "  field ITEM  c 11 n\n";

constexpr const char* kOrders = "ID,CUST\n1,anna\n2,bela\n";
constexpr const char* kLines = "ID,ORDID,ITEM\n11,1,apple\n12,1,pear\n21,2,plum\n";

class StoreTabSave : public ::testing::Test {
protected:
    void SetUp() override {
        lurclistl::SetInteractive(false);
        service.Load("Shop", "Orders", kOrders);
        service.Load("Shop", "Lines", kLines);
        service.LoadDesc(desc, "Shop", 6);
        orders = std::make_unique<RdmStoreTab>(nullptr, &desc, "Orders", "Orders", false);
        lines = new RdmStoreTab(orders.get(), &desc, "Lines", "Lines", false);
        lines->AddLink("ID", "ORDID", "ORDID");
        orders->AddTableOption(0);
        lines->AddTableOption(0);
        ASSERT_TRUE(orders->FindList("", 0));

        ASSERT_TRUE(other.Open(service.Service(), "ADMIN", "SECRET", false));
        ASSERT_TRUE(other.GetTablespaces().OpenAll());
        otherShop = other.GetTablespaces().GetDescCopy("Shop");
    }

    std::string Dump(const std::string& table) const {
        std::string out;
        EXPECT_EQ(service.RunAdmin("dump " + service.Service() + " Shop " + table, &out), 0) << out;
        return out;
    }
    // What the second connection reads: the item of a line, "" when it has none.
    std::string OtherItem(int32_t id) {
        RdmTable reader(&otherShop, "Lines");
        reader.Fld("ID").SetLong(id);
        return reader.FindRecByKey("ID") ? reader.Fld("ITEM").GetString() : std::string();
    }
    void Change(int32_t id, const std::string& item) {
        ASSERT_TRUE(lines->LocateInList("ID", std::to_string(id), 0));
        lines->Fld("ITEM").SetString(item);
        ASSERT_TRUE(lines->ModRec(true));
    }
    void Insert(int32_t id, const std::string& item) {
        lines->ClearRecord();
        lines->Fld("ID").SetLong(id);
        lines->Fld("ORDID").SetLong(orders->Fld("ID").GetLong());
        lines->Fld("ITEM").SetString(item);
        ASSERT_TRUE(lines->NewRec());
    }

    lurtest::ServiceFixture service{kSchema, "STORESAVE"};
    DbDesc desc;
    std::unique_ptr<RdmStoreTab> orders;
    RdmStoreTab* lines = nullptr;  // owned by orders
    LuConn other;
    DbDesc otherShop;
};

}  // namespace

TEST_F(StoreTabSave, ARefusedSaveLeavesTheStoreAndASavedOneIsSeenByOthers) {
    orders->SetDeferred(true);
    Change(11, "kiwi");
    ASSERT_TRUE(lines->LocateInList("ID", "12", 0));
    ASSERT_TRUE(lines->DelRec(true));
    Insert(21, "fig");  // 21 is taken: the store refuses it

    try {
        orders->SaveChanges();
        ADD_FAILURE() << "the save went through";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10005);
    }
    EXPECT_EQ(Dump("Lines"), kLines);
    EXPECT_EQ(OtherItem(11), "apple");
    EXPECT_EQ(OtherItem(12), "pear");

    ASSERT_TRUE(lines->LocateInList("ITEM", "fig", 0));
    lines->Fld("ID").SetLong(13);
    ASSERT_TRUE(lines->ModRec(true));
    ASSERT_TRUE(orders->SaveChanges());
    EXPECT_EQ(Dump("Lines"), "ID,ORDID,ITEM\n11,1,kiwi\n21,2,plum\n13,1,fig\n");
    EXPECT_EQ(Dump("Orders"), kOrders);
    EXPECT_EQ(OtherItem(11), "kiwi");
    EXPECT_EQ(OtherItem(12), "");
    EXPECT_EQ(OtherItem(13), "fig");
}

TEST_F(StoreTabSave, InsideAnOpenTransactionOthersSeeTheSaveOnlyAtItsCommit) {
    ASSERT_TRUE(desc.BeginTrans("SQL", true));
    orders->SetDeferred(true);
    Change(11, "kiwi");
    ASSERT_TRUE(orders->SaveChanges());
    EXPECT_EQ(OtherItem(11), "apple");
    EXPECT_EQ(Dump("Lines"), kLines);
    desc.EndTrans(true);
    EXPECT_EQ(OtherItem(11), "kiwi");
    EXPECT_EQ(Dump("Lines"), "ID,ORDID,ITEM\n11,1,kiwi\n12,1,pear\n21,2,plum\n");
}
