// Stored-table list searches, removals and sorting: they work on the stored
// rows only and never reach the server.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "RdmStoreTab.h"
#include "ServiceTest.h"

namespace {

class StoreTabListsTest : public lurtest::ShopSuiteTest<StoreTabListsTest> {
protected:
    void SetUp() override {
        ShopSuiteTest::SetUp();
        ASSERT_TRUE(customer->FindList("", 0));  // customers 2, 1, 3, 4; customer 2 current
    }
    // A field over the current rows; the position and the record buffer kept.
    static std::vector<std::string> Column(RdmStoreTab& table, const std::string& field) {
        std::vector<std::string> values;
        std::vector<char> saved;
        table.GetDesc()->CopyRecord(saved, table.GetName());
        const int32_t position = table.GetListPos();
        for (int32_t i = 0; table.SetListPos(i); ++i) values.push_back(table.Fld(field).GetString());
        table.SetListPos(position);
        table.GetDesc()->SetRecord(saved.data(), table.GetName());
        return values;
    }
};

}  // namespace

TEST_F(StoreTabListsTest, SearchesScanTheRowsAndKeepTheRecordBuffer) {
    EXPECT_EQ(customer->FindInList("CU_NAME", "a", 0), 1);   // the field's comparison ignores case
    EXPECT_EQ(customer->FindInList("CU_NAME", "b", 1), -1);  // rows before the start are not looked at
    EXPECT_EQ(customer->FindInList("CU_NAME", "d", 3), 3);
    EXPECT_EQ(customer->FindInList("CU_NAME", "d", 4), -1);
    EXPECT_EQ(customer->FindInList("CU_NAME", "b", -1), -1);
    EXPECT_EQ(customer->FindInListByValues({{"CU_NAME", "c"}, {"CU_CITY", "Budapest"}}, 0), 2);
    EXPECT_EQ(customer->FindInListByValues({{"CU_NAME", "c"}, {"CU_CITY", "Pecs"}}, 0), -1);
    EXPECT_EQ(lurtest::ErrorCode([&] { customer->FindInList("NOPE", "x", 0); }), 2003);
    EXPECT_EQ(customer->Fld("CU_ID").GetLong(), 2);
    EXPECT_EQ(customer->GetListPos(), 0);

    // A locate that finds nothing changes nothing; one that finds moves the tree.
    EXPECT_FALSE(customer->LocateInList("CU_CITY", "Nowhere", 0));
    EXPECT_EQ(customer->GetListPos(), 0);
    EXPECT_EQ(customer->Fld("CU_ID").GetLong(), 2);
    EXPECT_TRUE(customer->LocateInListByValues({{"CU_CITY", "szeged"}}, 0));
    EXPECT_EQ(customer->Fld("CU_ID").GetLong(), 1);
    EXPECT_EQ(orders->Fld("OR_ID").GetLong(), 10);
    EXPECT_EQ(item->Fld("IT_TEXT").GetString(), "nut");

    // A detail whose current group has no record answers -1 / false / 0.
    customer->ListMove(3, 0);  // customer 4: no orders
    EXPECT_EQ(orders->FindInList("OR_ID", "10", 0), -1);
    EXPECT_FALSE(orders->LocateInList("OR_ID", "10", 0));
    EXPECT_FALSE(orders->RemoveFromList(0));
    EXPECT_EQ(orders->RemoveValueFromList("OR_ID", "10", 0), -1);
    EXPECT_EQ(orders->RemoveAllValuesFromList("OR_ID", "10", 0), 0);
}

TEST_F(StoreTabListsTest, RemovalsCascadeInMemoryAndSendNothing) {
    const std::string ordersBefore = service_->Dump("Orders");
    const std::string itemsBefore = service_->Dump("Item");
    ASSERT_TRUE(customer->ListMove(2, 0));  // customer 1: orders 10, 11, 12 with three items
    const int32_t itemRows = item->GetRowStore().Count();
    EXPECT_TRUE(customer->RemoveFromList(1));
    EXPECT_EQ(Column(*customer, "CU_ID"), (std::vector<std::string>{"2", "3", "4"}));
    EXPECT_EQ(orders->GetRowStore().Count(), 2);
    EXPECT_EQ(item->GetRowStore().Count(), itemRows - 3);
    EXPECT_EQ(service_->Dump("Orders"), ordersBefore);
    EXPECT_EQ(service_->Dump("Item"), itemsBefore);

    // Removing the current last row leaves the new last row current.
    ASSERT_TRUE(customer->ListMove(3, 0));
    EXPECT_TRUE(customer->RemoveFromList(2));
    EXPECT_EQ(customer->GetListPos(), 1);
    EXPECT_EQ(customer->Fld("CU_ID").GetLong(), 3);
    EXPECT_FALSE(customer->RemoveFromList(2));

    // Every matching row goes; the start index is not used.
    EXPECT_EQ(customer->RemoveValueFromList("CU_ID", "3", 0), 1);
    EXPECT_EQ(customer->RemoveValueFromList("CU_ID", "3", 0), -1);
    ASSERT_TRUE(orders->GetGroupMode());
    customer->ListMove(0, 0);  // customer 2: order 20 with two items
    EXPECT_EQ(item->GetListCount(), 2);
    EXPECT_EQ(item->RemoveAllValuesFromList("IT_ORDER", "20", 1), -1);
    EXPECT_EQ(item->GetListCount(), 0);
    EXPECT_EQ(item->GetListPos(), -1);

    // The only row removed: no current row, record buffer cleared.
    EXPECT_TRUE(customer->RemoveFromList(0));
    EXPECT_EQ(customer->GetListCount(), 0);
    EXPECT_EQ(customer->GetListPos(), -1);
    EXPECT_EQ(customer->Fld("CU_ID").GetLong(), 0);
    EXPECT_EQ(service_->Dump("Item"), itemsBefore);
}

TEST_F(StoreTabListsTest, SortIsStableIgnoresCaseAndReversesExactly) {
    customer->SetGroupMode(false);
    customer->SortList("cu_name", false, 0);
    EXPECT_EQ(Column(*customer, "CU_NAME"), (std::vector<std::string>{"A", "b", "c", "d"}));
    EXPECT_EQ(customer->GetListKey(), "CU_NAME");

    ASSERT_TRUE(customer->ListMove(0, 0));  // customer 1: open, OPEN, closed
    orders->SortList("OR_STATE", false, 0);
    EXPECT_EQ(Column(*orders, "OR_ID"), (std::vector<std::string>{"12", "10", "11"}));
    orders->SortList("OR_STATE", true, 0);
    EXPECT_EQ(Column(*orders, "OR_ID"), (std::vector<std::string>{"11", "10", "12"}));
    EXPECT_EQ(orders->GetListKey(), "OR_STATE");
    // Only the current group was sorted.
    customer->ListMove(2, 0);  // customer 2
    EXPECT_EQ(orders->GetListKey(), "");
    customer->ListMove(1, 0);
    EXPECT_EQ(orders->GetListKey(), "OR_STATE");
    // Every group with the every-group flag.
    orders->SortList("OR_ID", true, 1);
    customer->ListMove(2, 0);
    EXPECT_EQ(orders->GetListKey(), "OR_ID");
}

TEST_F(StoreTabListsTest, SortKeepsTheCurrentRowWithItsChildren) {
    ASSERT_TRUE(customer->ListMove(2, 0));  // customer 1
    ASSERT_TRUE(orders->ListMove(2, 0));    // order 11 ("OPEN") at index 1
    ASSERT_EQ(item->Fld("IT_TEXT").GetString(), "screw");
    orders->SortList("OR_STATE", false, 0);  // closed, open, OPEN
    EXPECT_EQ(orders->GetListPos(), 2);
    EXPECT_EQ(orders->Fld("OR_ID").GetLong(), 11);
    EXPECT_EQ(item->GetListCount(), 1);
    EXPECT_EQ(item->Fld("IT_TEXT").GetString(), "screw");
    // Moving on goes from the row's new place.
    EXPECT_FALSE(orders->ListMove(2, 0));
    EXPECT_TRUE(orders->ListMove(1, 0));
    EXPECT_EQ(orders->Fld("OR_ID").GetLong(), 10);
    EXPECT_EQ(item->Fld("IT_TEXT").GetString(), "nut");
}
