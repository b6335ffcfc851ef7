// RdmView: building the table tree, attached views, copies, and the record
// lock a view holds while it is closed, copied and destroyed. Services are
// made with lurdbadm and reached through a logged-in connection.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "DbErrorCode.h"
#include "OrderStockService.h"
#include "RdmView.h"

namespace {

using lurtest::ErrorCode;

// A view over the orders and the stock (MakeOrderStockView); one service
// for the suite, whose rows no test changes.
class ViewTree : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shop = std::make_unique<lurtest::OrderStockService>(); }
    static void TearDownTestSuite() { shop.reset(); }
    void SetUp() override { view = lurtest::MakeOrderStockView(Tablespaces()); }

    DbDescMap& Tablespaces() { return shop->Tablespaces(); }
    bool OthersCanLockOrders() { return shop->OthersCanLock("Sales", "Orders"); }

    static inline std::unique_ptr<lurtest::OrderStockService> shop;
    std::unique_ptr<RdmView> view;
};

TEST_F(ViewTree, BuildsTheTreeAndRefusesWhatItMust) {
    const RdmView stock(&Tablespaces(), "stock", RdmView::DefaultOptions());
    RdmView stockWithItems(&Tablespaces(), "stock", RdmView::DefaultOptions());
    stockWithItems.AddTable("", "Stock", "Items", "", "", "", "");
    struct Case {
        const char* what;
        std::function<void()> call;
        int code;
    };
    const Case cases[] = {
        {"a second table without parent", [&] { view->AddTable("X", "Sales", "Lines", "O_REF", "", "O_ID", ""); },
         2002},
        {"an alias a table has", [&] { view->AddTable("lines", "Sales", "Lines", "O_REF", "ORDERS", "O_ID", ""); },
         2002},
        {"an unknown parent", [&] { view->AddTable("L2", "Sales", "Lines", "O_REF", "NOPE", "O_ID", ""); }, 2002},
        {"a database not open", [&] { view->AddTable("M", "Nowhere", "Moves", "M_ITEM", "LINES", "ITEM", ""); }, 2000},
        {"a detail without key",
         [&] {
             view->AddDetailTable("L2", "Sales", "Lines", "ORDERS", {{"O_ID", "O_REF"}}, "");
         },
         10021},
        {"a detail without links", [&] { view->AddDetailTable("L2", "Sales", "Lines", "ORDERS", {}, "O_REF"); }, 2003},
        {"a detail without master",
         [&] {
             RdmView empty(&Tablespaces(), "empty", RdmView::DefaultOptions());
             empty.AddDetailTable("L2", "Sales", "Lines", "ORDERS", {{"O_ID", "O_REF"}}, "O_REF");
         },
         2011},
        {"a view without master attached", [&] { view->AddView(stock, "ITEM", "LINES", "ITEM", "", "S", true); }, 2016},
        {"an alias attached, strict", [&] { view->AddView(stockWithItems, "ITEM", "LINES", "ITEM", "", "K", true); },
         10005},
        {"an attached view's field unknown",
         [&] { view->AddView(stockWithItems, "NOPE", "LINES", "ITEM", "", "S", true); }, 2003},
        {"a parent field unknown", [&] { view->AddView(stockWithItems, "ITEM", "LINES", "NOPE", "", "S", true); },
         2003},
        {"pairs: no key",
         [&] {
             view->AddView(stockWithItems, "LINES", {{"ITEM", "ITEM"}}, "", "S", true);
         },
         10021},
        {"pairs: two pairs",
         [&] {
             view->AddView(stockWithItems, "LINES", {{"ITEM", "ITEM"}, {"QTY", "PRICE"}}, "ITEM", "S", true);
         },
         10021},
        // The parent field is the named parent's: ORDERS has no ITEM, LINES has.
        {"pairs: a field of the master only",
         [&] {
             view->AddView(stockWithItems, "LINES", {{"CUST", "ITEM"}}, "ITEM", "S", true);
         },
         2003},
        {"pairs: an alias attached, strict",
         [&] {
             view->AddView(stockWithItems, "LINES", {{"ITEM", "ITEM"}}, "ITEM", "k", true);
         },
         10005},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ErrorCode(c.call), c.code);
    }
    EXPECT_EQ(view->TableCount(), 3);  // none of the refusals added a table

    // An attached alias without strict is no error; the table count stays.
    EXPECT_FALSE(view->AddView(stockWithItems, "ITEM", "LINES", "ITEM", "", "K", false));
    EXPECT_FALSE(view->AddView(stockWithItems, "LINES", {{"ITEM", "ITEM"}}, "ITEM", "k", false));
    // AddDetailTable takes only descriptions the view has already.
    EXPECT_THROW(view->AddDetailTable("M", "Nowhere", "Moves", "LINES", {{"ITEM", "M_ITEM"}}, "M_ITEM"), LuMapExcept);
    EXPECT_EQ(view->TableCount(), 3);

    // The 2000 names the database, the 2002 of a taken alias the alias.
    try {
        view->AddTable("M", "nowhere", "Moves", "M_ITEM", "LINES", "ITEM", "");
        FAIL();
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetArgs().at(0), "NOWHERE");
    }
}

TEST_F(ViewTree, AttachedViewsTakeTheirPrefixAndHangUnderTheirParent) {
    EXPECT_EQ(view->MasterName(), "ORDERS");
    RdmView* stock = view->GetSubView("k");
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(&view->SubView("K"), stock);
    EXPECT_EQ(ErrorCode([&] { view->SubView("x"); }), 2016);
    EXPECT_EQ(stock->GetPrefix(), "K");
    EXPECT_EQ(stock->MasterName(), "KITEMS");
    // The attached view finds its master by the unprefixed name, this view by
    // the prefixed one; the master of an attached view hangs under LINES.
    EXPECT_EQ(&stock->Table("items"), stock->GetMaster());
    EXPECT_EQ(view->Table("LINES").GetDisplayName(), "LINES");
    EXPECT_EQ(stock->GetMaster()->GetOwner(), &view->Table("LINES"));

    // Tree order, attached tables included; AliasOf covers the own tables.
    ASSERT_EQ(view->TableCount(), 3);
    EXPECT_EQ(view->TableAt(0), view->GetMaster());
    EXPECT_EQ(view->TableAt(1), &view->Table("LINES"));
    EXPECT_EQ(view->TableAt(2), stock->GetMaster());
    EXPECT_EQ(view->AliasOf("LINES", true), "LINES");
    EXPECT_EQ(view->AliasOf("ITEMS", false), "");
    EXPECT_EQ(ErrorCode([&] { view->AliasOf("ITEMS", true); }), 2015);

    // Each database has one description of the view's own.
    EXPECT_EQ(view->GetDescs().size(), 1u);
    EXPECT_EQ(view->DbNameOf(3), "SALES");
    EXPECT_EQ(view->DbNameOf(4), "");
    EXPECT_EQ(stock->DbNameOf(4), "STOCK");
    EXPECT_NE(view->GetDescs().Get("SALES"), Tablespaces().GetDesc("SALES"));
}

TEST_F(ViewTree, DetailsTakeTheirKeyAndAlias) {
    // An empty key is the detail field; a given alias is the display name.
    view->AddTable("l2", "Sales", "Lines", "O_REF", "ORDERS", "O_ID", "");
    view->AddDetailTable("L3", "Sales", "Lines", "ORDERS", {{"O_ID", "O_REF"}}, "O_REF");
    EXPECT_EQ(view->Table("L2").GetLinkKey(), "O_REF");
    EXPECT_EQ(view->AliasOf("LINES", true), "L2");  // the first of a table name in tree order
    EXPECT_EQ(view->TableCount(), 5);
    EXPECT_EQ(view->FindTableOrNull("L9"), nullptr);
    EXPECT_EQ(ErrorCode([&] { view->Table("L9"); }), 2002);
}

TEST_F(ViewTree, ACopyHasItsOwnDescriptionsAndRowsAndLeavesTheSourceAlone) {
    ASSERT_TRUE(view->FindList("", 0));
    auto copy = std::make_unique<RdmView>(*view);
    EXPECT_EQ(copy->GetName(), "SALES");
    EXPECT_EQ(copy->TableCount(), 3);
    EXPECT_NE(copy->GetDescs().Get("SALES"), view->GetDescs().Get("SALES"));
    EXPECT_NE(copy->GetMaster(), view->GetMaster());
    EXPECT_EQ(copy->GetSubView("K")->GetMaster()->GetOwner(), &copy->Table("LINES"));
    EXPECT_EQ(copy->RecordCount(), view->RecordCount());

    // Rows of its own: emptying the copy leaves the source's rows.
    copy->Clear();
    EXPECT_EQ(copy->RecordCount(), 0);
    EXPECT_EQ(view->RecordCount(), 3);

    // Closing the copy leaves the source's tables, descriptions and rows.
    copy->Close();
    EXPECT_FALSE(copy->IsOpen());
    EXPECT_EQ(view->TableCount(), 3);
    EXPECT_EQ(view->Table("ORDERS").Fld("CUST").GetString(), "ALICE");
    EXPECT_EQ(view->RecordCount(), 3);

    // Assignment replaces the whole content.
    RdmView other(&Tablespaces(), "other", RdmView::DefaultOptions());
    other.AddTable("", "Stock", "Items", "", "", "", "");
    other = *view;
    EXPECT_EQ(other.GetName(), "SALES");
    EXPECT_EQ(other.RecordCount(), 3);
    EXPECT_EQ(other.DbNameOf(4), "");
}

TEST_F(ViewTree, AMoveHandsOverRowsAndLockWithoutACopy) {
    ASSERT_TRUE(view->FindList("", 0));
    const DbDesc* sales = view->GetDescs().Get("SALES");
    const RdmStoreTab* orders = &view->Table("ORDERS");
    const RdmFld* cust = &orders->Fld("CUST");
    std::string holder;
    ASSERT_TRUE(view->BeginEdit('w', holder, TableOptions()));

    // The same descriptions, tables and fields, now the target's; the
    // source is left as a new view.
    RdmView moved(std::move(*view));
    EXPECT_FALSE(view->IsOpen());
    EXPECT_EQ(view->MasterName(), "");
    EXPECT_TRUE(view->GetDescs().empty());
    EXPECT_EQ(moved.GetDescs().Get("SALES"), sales);
    EXPECT_EQ(&moved.Table("ORDERS"), orders);
    EXPECT_EQ(&moved.Table("ORDERS").Fld("CUST"), cust);
    EXPECT_EQ(moved.GetSubView("K")->GetMaster()->GetOwner(), &moved.Table("LINES"));
    EXPECT_EQ(moved.RecordCount(), 3);
    // The edit and its record lock went along.
    EXPECT_TRUE(moved.IsEditing());
    EXPECT_FALSE(OthersCanLockOrders());

    // Assigned by move over a view with content of its own, which goes.
    RdmView items(&Tablespaces(), "items", RdmView::DefaultOptions());
    items.AddTable("", "Stock", "Items", "", "", "", "");
    items = std::move(moved);
    EXPECT_FALSE(moved.IsOpen());
    EXPECT_EQ(items.GetName(), "SALES");
    EXPECT_EQ(&items.Table("ORDERS"), orders);
    EXPECT_FALSE(OthersCanLockOrders());
    items.Close();  // the view now holding the lock releases it
    EXPECT_TRUE(OthersCanLockOrders());
}

TEST_F(ViewTree, OnlyTheViewThatTookTheLockReleasesIt) {
    ASSERT_TRUE(view->FindList("", 0));
    std::string holder;
    ASSERT_TRUE(view->BeginEdit('w', holder, TableOptions()));
    ASSERT_FALSE(OthersCanLockOrders());

    // A copy holds no lock: closing, assigning over or destroying it leaves
    // the source's lock on the shared connection.
    {
        RdmView copy(*view);
        copy.Close();
        RdmView assigned(*view);
        assigned = RdmView();
    }
    EXPECT_FALSE(OthersCanLockOrders());

    // Closing the view that took it releases it before the tables go.
    view->Close();
    EXPECT_TRUE(OthersCanLockOrders());
    EXPECT_FALSE(view->IsEditing());
}

TEST_F(ViewTree, AFailingUnlockIsReportedByCloseAndDroppedByTheDestructor) {
    // Views on a login of their own, which then goes away: the unlocks have
    // no handle left to ask.
    std::unique_ptr<LuConn> login = shop->OpenSecond();
    std::unique_ptr<RdmView> orders = lurtest::MakeOrderStockView(login->GetTablespaces());
    auto items = std::make_unique<RdmView>(&login->GetTablespaces(), "items", RdmView::DefaultOptions());
    items->AddTable("", "Stock", "Items", "", "", "", "");
    std::string holder;
    ASSERT_TRUE(orders->FindList("", 0));
    ASSERT_TRUE(items->FindList("", 0));
    ASSERT_TRUE(orders->BeginEdit('w', holder, TableOptions()));
    ASSERT_TRUE(items->BeginEdit('w', holder, TableOptions()));

    login->Disconnect();
    EXPECT_NE(ErrorCode([&] { orders->Close(); }), 0);
    EXPECT_FALSE(orders->IsOpen());
    EXPECT_FALSE(orders->IsEditing());
    EXPECT_EQ(ErrorCode([&] { orders->TableCount(); }), 2011);  // everything went all the same
    items.reset();                                              // must not throw out of the destructor
}

}  // namespace
