// RdmView: searches of the master, the walk over the tree's combinations,
// its count, and the lookups of tables and fields, on the shop service.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ClientCallCounter.h"
#include "DbErrorCode.h"
#include "OrderStockService.h"
#include "RdmView.h"

namespace {

using lurtest::ErrorCode;

class ViewSearch : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shop_ = std::make_unique<lurtest::OrderStockService>(); }
    static void TearDownTestSuite() { shop_.reset(); }
    void SetUp() override { view = lurtest::MakeOrderStockView(shop_->Tablespaces()); }

    // Every combination of the walk as "order/line/item/price".
    std::vector<std::string> Walk() {
        std::vector<std::string> rows;
        while (view->NextRecord())
            rows.push_back(view->Table("ORDERS").Fld("O_ID").GetString() + "/" +
                           view->Table("LINES").Fld("L_ID").GetString() + "/" +
                           view->SubView("K").Table("ITEMS").Fld("ITEM").GetString() + "/" +
                           view->SubView("K").Table("ITEMS").Fld("PRICE").GetString());
        return rows;
    }

    static inline std::unique_ptr<lurtest::OrderStockService> shop_;
    std::unique_ptr<RdmView> view;
};

TEST_F(ViewSearch, AViewWithoutTablesRefusesItsWork) {
    RdmView empty(&shop_->Tablespaces(), "empty", RdmView::DefaultOptions());
    struct Case {
        const char* what;
        std::function<void()> call;
        int code;
    };
    const Case cases[] = {
        {"FindList", [&] { empty.FindList("", 5); }, 2008},
        {"FindRec", [&] { empty.FindRec(); }, 2008},
        {"FieldCount", [&] { empty.FieldCount(); }, 2008},
        {"RecordCount", [&] { empty.RecordCount(); }, 2011},
        {"TableCount", [&] { empty.TableCount(); }, 2011},
        {"Table", [&] { empty.Table("ORDERS"); }, 2011},
        {"Field", [&] { empty.Field("O_ID"); }, 2011},
        {"CreateBookmark", [&] { empty.CreateBookmark("B"); }, 2011},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ErrorCode(c.call), c.code);
    }
    EXPECT_FALSE(empty.NextRecord());
    EXPECT_FALSE(empty.HasTable("ORDERS"));
    EXPECT_EQ(empty.MasterName(), "");
}

TEST_F(ViewSearch, ASearchYieldsTheJoinRowForRow) {
    RdmFld& orderId = view->Table("ORDERS").Fld("O_ID");
    struct Case {
        const char* what;
        std::function<bool()> search;
        std::vector<std::string> rows;
    };
    const std::vector<std::string> all{"1/10/PEN/3", "1/11/INK/7", "2/12/PAD/4"};
    const Case cases[] = {
        {"every row", [&] { return view->FindList("", 5); }, all},
        {"equal",
         [&] {
             orderId.SetLong(2);
             return view->FindList("O_ID", 5);
         },
         {"2/12/PAD/4"}},
        {"greater or equal",
         [&] {
             orderId.SetLong(2);
             return view->FindGreater("O_ID", 5);
         },
         {"2/12/PAD/4"}},
        {"less or equal",
         [&] {
             orderId.SetLong(1);
             return view->FindLess("O_ID", 5);
         },
         {"1/10/PEN/3", "1/11/INK/7"}},
        {"not equal",
         [&] {
             orderId.SetLong(1);
             return view->FindNotEqual("O_ID", 5);
         },
         {"2/12/PAD/4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.search());
        EXPECT_EQ(Walk(), c.rows);
        EXPECT_EQ(view->RecordCount(), static_cast<int32_t>(c.rows.size()));
    }
    orderId.SetLong(99);
    EXPECT_FALSE(view->FindList("O_ID", 5));
}

TEST_F(ViewSearch, ASearchIsOneListSearchPlusOnePerLevel) {
    lurtest::ClientCallCounter calls;
    view->Table("ORDERS").Fld("O_ID").SetLong(1);
    ASSERT_TRUE(view->FindGreater("O_ID", 5));
    // The master's search, then one OR-search of LINES for the 3 orders and
    // one of the attached ITEMS for the 3 lines.
    EXPECT_EQ(calls.Of("FindGreater"), 1);
    EXPECT_EQ(calls.Of("FindListOr"), 2);
    EXPECT_EQ(calls.Of("FindList"), 0);
    calls.Reset();
    EXPECT_EQ(view->RecordCount(), 3);
    EXPECT_EQ(Walk().size(), 3u);
    EXPECT_EQ(view->TableAt(2), view->SubView("K").GetMaster());
    EXPECT_TRUE(view->HasField("LINES", "QTY"));
    EXPECT_EQ(view->FieldCount(), 7);
    EXPECT_EQ(calls.Total(), 0);
}

TEST_F(ViewSearch, TheCountSkipsMastersWithoutDetailsUnlessOption4) {
    ASSERT_TRUE(view->FindList("", 0));
    EXPECT_EQ(view->RecordCount(), 3);
    view->AddOptionAll(4);
    EXPECT_EQ(view->RecordCount(), 4);  // CAROL's order counts once
    view->RemoveOptionAll(4);
    EXPECT_EQ(view->RecordCount(), 3);
}

TEST_F(ViewSearch, TheCountPutsEveryTableBackAsItWas) {
    ASSERT_TRUE(view->FindList("", 0));
    RdmStoreTab& orders = view->Table("ORDERS");
    RdmStoreTab& lines = view->Table("LINES");
    RdmStoreTab& items = view->SubView("K").Table("ITEMS");
    view->SetGroupMode("LINES", false);
    items.SetGroupMode(false);
    ASSERT_TRUE(orders.ListMove(0, 0));
    ASSERT_TRUE(lines.GoToPos(1, 0));  // the second of all lines
    EXPECT_EQ(view->RecordCount(), 3);
    EXPECT_EQ(orders.GetListPos(), 0);
    EXPECT_EQ(lines.GetListPos(), 1);
    EXPECT_EQ(lines.Fld("L_ID").GetLong(), 11);
    EXPECT_FALSE(view->GetGroupMode("LINES"));
    EXPECT_FALSE(items.GetGroupMode());
    EXPECT_TRUE(view->GetGroupMode("ORDERS"));

    // A walk in progress goes on after a count.
    ASSERT_TRUE(view->NextRecord());
    EXPECT_EQ(lines.Fld("L_ID").GetLong(), 10);
    EXPECT_EQ(view->RecordCount(), 3);
    ASSERT_TRUE(view->NextRecord());
    EXPECT_EQ(lines.Fld("L_ID").GetLong(), 11);
    EXPECT_EQ(items.Fld("ITEM").GetString(), "INK");
}

TEST_F(ViewSearch, TablesAndFieldsAreFoundByNameAndPosition) {
    EXPECT_EQ(view->TableAt(0), view->GetMaster());
    try {
        view->TableAt(view->TableCount());
        FAIL();
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 2002);
        EXPECT_EQ(error.GetArgs().at(1), "3");
    }
    EXPECT_EQ(&view->Table(""), view->GetMaster());
    EXPECT_TRUE(view->HasField("LINES", "qty"));
    EXPECT_FALSE(view->HasField("LINES", "CUST"));
    EXPECT_TRUE(view->IsMasterNamed("ORDERS"));
    EXPECT_FALSE(view->IsMasterNamed("orders"));

    // LINES and KITEMS both have ITEM: every lookup reports the clash, the
    // second as the first.
    EXPECT_EQ(ErrorCode([&] { view->Field("CUST"); }), 2017);
    EXPECT_EQ(ErrorCode([&] { view->Field("CUST"); }), 2017);
    EXPECT_EQ(ErrorCode([&] { view->FieldAt(0); }), 2017);

    ASSERT_TRUE(view->Table("LINES").SetAlias("L_ITEM", "ITEM"));
    EXPECT_EQ(view->Field("L_ITEM"), &view->Table("LINES").Fld("L_ITEM"));
    EXPECT_EQ(view->Field("ITEM"), &view->SubView("K").Table("ITEMS").Fld("ITEM"));
    EXPECT_EQ(ErrorCode([&] { view->Field("l_item"); }), 2003);  // aliases are compared exactly

    // Names and count cover the view's own tables in field order; the
    // positions every table, attached ones included, in alias order.
    StrVector names;
    view->FieldNames(names);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.end()),
              std::vector<std::string>({"O_ID", "CUST", "TOTAL", "L_ID", "O_REF", "ITEM", "QTY"}));
    EXPECT_EQ(view->FieldCount(), 7);
    EXPECT_EQ(view->FieldAt(0), &view->Table("ORDERS").Fld("CUST"));
    EXPECT_EQ(view->FieldAt(3), &view->Table("LINES").Fld("L_ID"));
    EXPECT_EQ(view->FieldAt(4), &view->Table("LINES").Fld("L_ITEM"));
    EXPECT_EQ(view->FieldAt(8), &view->SubView("K").Table("ITEMS").Fld("PRICE"));
    EXPECT_EQ(ErrorCode([&] { view->FieldAt(9); }), 2003);
}

}  // namespace
