// A view as its users work with it: a service made by lurdbadm, a login
// with every tablespace opened, a view over two tablespaces with an
// attached view, searched, walked, edited and committed; the store is then
// read apart from the view, with lurdbadm dump and a second connection.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DbDescError.h"
#include "OrderStockService.h"
#include "RdmView.h"

namespace {

TEST(View, IsSearchedWalkedEditedAndCommittedAcrossTwoTablespaces) {
    lurtest::OrderStockService shop;
    std::unique_ptr<RdmView> view = lurtest::MakeOrderStockView(shop.Tablespaces());
    RdmStoreTab& orders = view->Table("ORDERS");
    RdmStoreTab& lines = view->Table("LINES");
    RdmStoreTab& items = view->SubView("K").Table("ITEMS");

    // The orders from 1 on, every line with its item's price.
    orders.Fld("O_ID").SetLong(1);
    ASSERT_TRUE(view->FindGreater("O_ID", 0));
    std::vector<std::string> walked;
    int32_t aliceTotal = 0;
    while (view->NextRecord()) {
        walked.push_back(orders.Fld("CUST").GetString() + " " + lines.Fld("QTY").GetString() + " x " +
                         items.Fld("ITEM").GetString() + " at " + items.Fld("PRICE").GetString());
        if (orders.Fld("O_ID").GetLong() == 1) aliceTotal += lines.Fld("QTY").GetLong() * items.Fld("PRICE").GetLong();
    }
    EXPECT_EQ(walked, std::vector<std::string>({"ALICE 2 x PEN at 3", "ALICE 1 x INK at 7", "BOB 5 x PAD at 4"}));
    EXPECT_EQ(view->RecordCount(), 3);

    // One edit over both tablespaces: ALICE's total, and the price of pens.
    ASSERT_TRUE(view->Move(0));
    std::string holder;
    ASSERT_TRUE(view->BeginEdit('w', holder, TableOptions{0}));
    orders.Fld("TOTAL").SetLong(aliceTotal);
    ASSERT_TRUE(orders.ModRec());
    ASSERT_TRUE(lines.LocateInList("ITEM", "PEN", 0));
    ASSERT_TRUE(items.ListMove(0, 0));
    items.Fld("PRICE").SetLong(4);
    ASSERT_TRUE(items.ModRec());
    ASSERT_TRUE(view->CommitEdit());
    EXPECT_FALSE(view->IsEditing());

    EXPECT_EQ(shop.Dump("Sales", "Orders"), "O_ID,CUST,TOTAL\n1,ALICE,13\n2,BOB,0\n3,CAROL,0\n");
    EXPECT_EQ(shop.Dump("Sales", "Lines"), lurtest::kOrderStockLines);
    EXPECT_EQ(shop.Dump("Stock", "Items"), "ITEM,PRICE\nINK,7\nPAD,4\nPEN,4\n");

    // Another login sees the committed rows, and nothing holds the orders.
    std::unique_ptr<LuConn> other = shop.OpenSecond();
    RdmTable otherOrders(other->GetTablespaces().GetDesc("SALES"), "Orders");
    otherOrders.Fld("O_ID").SetLong(1);
    ASSERT_TRUE(otherOrders.FindRecByKey("O_ID"));
    EXPECT_EQ(otherOrders.Fld("TOTAL").GetLong(), 13);
    std::string otherHolder;
    EXPECT_TRUE(otherOrders.LockRecord('w', otherHolder));
}

TEST(View, ASearchDuringAnEditIsRefusedAndTheCommitWritesTheDetailsChange) {
    lurtest::OrderStockService shop;
    std::unique_ptr<RdmView> view = lurtest::MakeOrderStockView(shop.Tablespaces());
    RdmStoreTab& lines = view->Table("LINES");
    ASSERT_TRUE(view->FindList("", 0));  // ALICE's order, her line 10 first
    std::string holder;
    ASSERT_TRUE(view->BeginEdit('w', holder, TableOptions{0}));
    lines.Fld("QTY").SetLong(9);
    ASSERT_TRUE(lines.ModRec());

    // The search would reload the lines and drop the change.
    try {
        view->FindGreater("O_ID", 0);
        ADD_FAILURE() << "the search ran";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 2012);
    }
    ASSERT_TRUE(view->CommitEdit());
    EXPECT_EQ(shop.Dump("Sales", "Lines"), "L_ID,O_REF,ITEM,QTY\n10,1,PEN,9\n11,1,INK,1\n12,2,PAD,5\n");
    EXPECT_EQ(shop.Dump("Sales", "Orders"), lurtest::kOrderStockOrders);
}

}  // namespace
