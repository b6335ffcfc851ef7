// Saving a tree of stored tables end to end: deferred changes on the shop
// tree are written through liblurdbcli.so to a service made with lurdbadm,
// and checked apart from the code that wrote them: with lurdbadm's dump and
// through a second connection that logs in on its own.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DbDesc.h"
#include "DbDescError.h"
#include "RdmStoreTab.h"
#include "RdmTable.h"
#include "ShopService.h"

namespace {

class StoreTabSave : public ::testing::Test {
protected:
    void SetUp() override {
        service.LoadShop(shop);
        customer = lurtest::MakeShopTree(shop);
        orders = customer->FindTable("Orders", "");
        orders->AddTableOption(0);
        ASSERT_TRUE(customer->FindList("", 0));
        ASSERT_TRUE(customer->LocateInList("CU_ID", "1", 0));

        service.LoadDesc(otherShop, "Shop", lurtest::kShopDbNo, service.Login());
    }

    // What the second connection reads: the note of an order, "" when there is none.
    std::string OtherNote(int32_t id) {
        RdmTable reader(&otherShop, "Orders");
        reader.Fld("OR_ID").SetLong(id);
        return reader.FindRecByKey("OR_ID") ? reader.Fld("OR_NOTE").GetString() : std::string();
    }
    void Change(int32_t id, const std::string& text) {
        ASSERT_TRUE(orders->LocateInList("OR_ID", std::to_string(id), 0));
        orders->Fld("OR_NOTE").SetString(text);
        ASSERT_TRUE(orders->ModRec(true));
    }
    void Insert(int32_t id, const std::string& text) {
        orders->ClearRecord();
        orders->Fld("OR_ID").SetLong(id);
        orders->Fld("OR_CUST").SetLong(1);
        orders->Fld("OR_STATE").SetString("new");
        orders->Fld("OR_NOTE").SetString(text);
        ASSERT_TRUE(orders->NewRec());
    }

    lurtest::ShopService service;
    DbDesc shop;
    std::unique_ptr<RdmStoreTab> customer;
    RdmStoreTab* orders = nullptr;  // owned by customer
    DbDesc otherShop;               // on a second connection
};

}  // namespace

TEST_F(StoreTabSave, ARefusedSaveLeavesTheStoreAndASavedOneIsSeenByOthers) {
    const std::string before = service.Dump("Orders");
    customer->SetDeferred(true);
    Change(10, "kiwi");
    Change(12, "gone");
    ASSERT_TRUE(orders->DelRec(true));
    Insert(30, "sixth");  // 30 is customer 3's: the store refuses it

    try {
        customer->SaveChanges();
        ADD_FAILURE() << "the save went through";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10005);
    }
    EXPECT_EQ(service.Dump("Orders"), before);
    EXPECT_EQ(OtherNote(10), "first");
    EXPECT_EQ(OtherNote(12), "third");

    ASSERT_TRUE(orders->LocateInList("OR_NOTE", "sixth", 0));
    orders->Fld("OR_ID").SetLong(13);
    ASSERT_TRUE(orders->ModRec(true));
    ASSERT_TRUE(customer->SaveChanges());
    EXPECT_EQ(service.Dump("Orders"),
              "OR_ID,OR_CUST,OR_STATE,OR_NOTE\n10,1,open,kiwi\n11,1,OPEN,second\n20,2,open,fourth\n"
              "30,3,closed,fifth\n13,1,new,sixth\n");
    EXPECT_EQ(OtherNote(10), "kiwi");
    EXPECT_EQ(OtherNote(12), "");
    EXPECT_EQ(OtherNote(13), "sixth");
}

TEST_F(StoreTabSave, InsideAnOpenTransactionOthersSeeTheSaveOnlyAtItsCommit) {
    const std::string before = service.Dump("Orders");
    ASSERT_TRUE(shop.BeginTrans("SQL", true));
    customer->SetDeferred(true);
    Change(11, "kiwi");
    ASSERT_TRUE(customer->SaveChanges());
    EXPECT_EQ(OtherNote(11), "second");
    EXPECT_EQ(service.Dump("Orders"), before);
    shop.EndTrans(true);
    EXPECT_EQ(OtherNote(11), "kiwi");
    EXPECT_NE(service.Dump("Orders").find("11,1,OPEN,kiwi\n"), std::string::npos);
}

TEST_F(StoreTabSave, ASearchWhileOnlyAnItemChangedIsRefusedAndTheSaveWritesTheItem) {
    RdmStoreTab* item = customer->FindTable("Item", "");
    item->AddTableOption(0);
    customer->SetDeferred(true);
    ASSERT_TRUE(item->LocateInList("IT_TEXT", "bolt", 0));  // an item of customer 1's order 10
    item->Fld("IT_QTY").SetLong(99);
    ASSERT_TRUE(item->ModRec(true));

    // The search would reload the tree and drop the item's change.
    try {
        customer->FindList("", 0);
        ADD_FAILURE() << "the search ran";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 2012);
    }
    EXPECT_EQ(item->Fld("IT_QTY").GetLong(), 99);

    ASSERT_TRUE(customer->SaveChanges());
    EXPECT_EQ(service.Dump("Item"),
              "IT_ORDER,IT_LINE,IT_TEXT,IT_QTY\n10,2,nut,7\n10,1,bolt,99\n11,1,screw,12\n20,1,washer,3\n"
              "20,2,pin,1\n30,1,gear,2\n");
    // Saved, the tree searches again.
    customer->SetDeferred(false);
    EXPECT_TRUE(customer->FindList("", 0));
}
