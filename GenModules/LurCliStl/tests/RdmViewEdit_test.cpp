// RdmView: the edit of the whole tree (lock, options, deferred changes,
// commit in one transaction, cancel) and the settings of member tables,
// checked with lurdbadm dump, the client trace and a second connection.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DbErrorCode.h"
#include "OrderStockService.h"
#include "RdmView.h"

namespace {

using lurtest::ErrorCode;

// What the client's trace says of transactions while it lives.
class TransactionTrace {
public:
    explicit TransactionTrace(const std::string& dir) : m_path(dir + "/trace.txt") {
        setenv("LURDBCLI_TRACE", m_path.c_str(), 1);
    }
    ~TransactionTrace() { unsetenv("LURDBCLI_TRACE"); }
    TransactionTrace(const TransactionTrace&) = delete;
    TransactionTrace& operator=(const TransactionTrace&) = delete;

    // The lines that begin or end a transaction, without the handle.
    std::string Transactions() const {
        std::string lines;
        std::string text = lurtest::ReadText(m_path);
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(start, end - start);
            const size_t colon = line.find(": ", line.find("handle"));
            if (line.find("transaction") != std::string::npos && colon != std::string::npos)
                lines += line.substr(colon + 2) + "\n";
            start = end + 1;
        }
        return lines;
    }

private:
    std::string m_path;
};

class ViewEdit : public ::testing::Test {
protected:
    void SetUp() override {
        view = lurtest::MakeOrderStockView(shop.Tablespaces());
        ASSERT_TRUE(view->FindList("", 0));  // ALICE's order current, her first line too
        view->GetOptionsAll(before);
    }

    RdmStoreTab& Orders() { return view->Table("ORDERS"); }
    RdmStoreTab& Lines() { return view->Table("LINES"); }

    // TOTAL of ALICE's order to 5, QTY of her line 10 to 9, and a new line
    // 13 of hers: three record changes.
    void EditAlice(int32_t newLineId = 13) {
        Orders().Fld("TOTAL").SetLong(5);
        ASSERT_TRUE(Orders().ModRec());
        ASSERT_TRUE(Lines().LocateInList("L_ID", "10", 0));
        Lines().Fld("QTY").SetLong(9);
        ASSERT_TRUE(Lines().ModRec());
        Lines().Fld("L_ID").SetLong(newLineId);
        Lines().Fld("O_REF").SetLong(1);
        Lines().Fld("ITEM").SetString("PAD");
        Lines().Fld("QTY").SetLong(1);
        ASSERT_TRUE(Lines().NewRec());
    }

    std::string Dump(const char* table) { return shop.Dump("Sales", table); }

    // The view is out of edit with what it had before: no lock on the
    // orders, every table's options as before BeginEdit.
    void ExpectEditGivenBack() {
        EXPECT_FALSE(view->IsEditing());
        EXPECT_TRUE(shop.OthersCanLock("Sales", "Orders"));
        RdmView::OptionsMap after;
        view->GetOptionsAll(after);
        EXPECT_EQ(after, before);
    }

    lurtest::OrderStockService shop;
    std::unique_ptr<RdmView> view;
    RdmView::OptionsMap before;
    const TableOptions uniqueFirst{0};
    std::string holder;
};

TEST_F(ViewEdit, CommitWritesTheEditInOneTransactionAndGivesBackLockAndOptions) {
    ASSERT_TRUE(view->BeginEdit('w', holder, uniqueFirst));
    EXPECT_TRUE(view->IsEditing());
    EXPECT_FALSE(shop.OthersCanLock("Sales", "Orders"));
    RdmView::OptionsMap during;
    view->GetOptionsAll(during);
    EXPECT_EQ(during.at("LINES"), uniqueFirst);
    EditAlice();
    EXPECT_EQ(Dump("Orders"), lurtest::kOrderStockOrders);  // nothing sent before the commit

    TransactionTrace trace(shop.Service().Dir());
    ASSERT_TRUE(view->CommitEdit());
    EXPECT_EQ(trace.Transactions(),
              "begin transaction \"SAVE ORDERS\"\n"
              "commit transaction \"SAVE ORDERS\", 3 record changes\n");
    EXPECT_EQ(Dump("Orders"), "O_ID,CUST,TOTAL\n1,ALICE,5\n2,BOB,0\n3,CAROL,0\n");
    EXPECT_EQ(Dump("Lines"), "L_ID,O_REF,ITEM,QTY\n10,1,PEN,9\n11,1,INK,1\n12,2,PAD,5\n13,1,PAD,1\n");

    ExpectEditGivenBack();
}

TEST_F(ViewEdit, AFailingCommitSavesNothingAndLeavesTheEditOpen) {
    ASSERT_TRUE(view->BeginEdit('w', holder, uniqueFirst));
    EditAlice(12);  // line 12 is BOB's: the store refuses the insert
    {
        TransactionTrace trace(shop.Service().Dir());
        EXPECT_EQ(ErrorCode([&] { view->CommitEdit(); }), 10005);
        EXPECT_NE(trace.Transactions().find("abort transaction"), std::string::npos);
    }
    EXPECT_EQ(Dump("Orders"), lurtest::kOrderStockOrders);
    EXPECT_EQ(Dump("Lines"), lurtest::kOrderStockLines);
    EXPECT_TRUE(view->IsEditing());
    EXPECT_FALSE(shop.OthersCanLock("Sales", "Orders"));
    RdmView::OptionsMap during;
    view->GetOptionsAll(during);
    EXPECT_EQ(during.at("ORDERS"), uniqueFirst);

    // Mended, the same edit goes through whole.
    ASSERT_TRUE(Lines().LocateInList("L_ID", "12", 0));
    Lines().Fld("L_ID").SetLong(13);
    ASSERT_TRUE(Lines().ModRec());
    ASSERT_TRUE(view->CommitEdit());
    EXPECT_EQ(Dump("Orders"), "O_ID,CUST,TOTAL\n1,ALICE,5\n2,BOB,0\n3,CAROL,0\n");
    EXPECT_EQ(Dump("Lines"), "L_ID,O_REF,ITEM,QTY\n10,1,PEN,9\n11,1,INK,1\n12,2,PAD,5\n13,1,PAD,1\n");
}

TEST_F(ViewEdit, CancelShowsTheRowsAsBeforeAndNothingCancelledIsSentLater) {
    ASSERT_TRUE(view->BeginEdit('w', holder, uniqueFirst));
    EditAlice();
    EXPECT_EQ(Lines().GetListCount(), 3);
    EXPECT_FALSE(view->CancelEdit());
    ExpectEditGivenBack();

    ASSERT_TRUE(Orders().ListMove(0, 0));
    EXPECT_EQ(Orders().Fld("TOTAL").GetLong(), 0);
    EXPECT_EQ(Lines().GetListCount(), 2);
    EXPECT_EQ(view->RecordCount(), 3);

    // A later edit committed without changes sends nothing of the cancelled one.
    ASSERT_TRUE(view->BeginEdit('w', holder, uniqueFirst));
    ASSERT_TRUE(view->CommitEdit());
    EXPECT_EQ(Dump("Orders"), lurtest::kOrderStockOrders);
    EXPECT_EQ(Dump("Lines"), lurtest::kOrderStockLines);
}

TEST_F(ViewEdit, ASearchDuringAnEditIsRefusedAndTheCommitWritesWhatOnlyADetailHeld) {
    // Any search reloads the tree below the master, which would drop the
    // details' changes before the commit.
    const std::vector<std::pair<const char*, std::function<void()>>> searches{
        {"FindList", [&] { view->FindList("", 0); }},
        {"FindGreater", [&] { view->FindGreater("O_ID", 0); }},
        {"FindListAdd", [&] { view->FindListAdd("O_ID"); }},
        {"FindRecByKey", [&] { view->FindRecByKey("O_ID"); }},
        {"Move", [&] { view->Move(2); }},
        {"MoveByKey", [&] { view->MoveByKey(3, "O_ID"); }},
    };
    int32_t quantity = 20;
    for (const auto& [name, search] : searches) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(view->FindList("", 0));  // ALICE's order, her line 10 first
        ASSERT_TRUE(view->BeginEdit('w', holder, uniqueFirst));
        Lines().Fld("QTY").SetLong(++quantity);
        ASSERT_TRUE(Lines().ModRec());

        EXPECT_EQ(ErrorCode(search), 2012);
        EXPECT_EQ(Lines().GetListCount(), 2);
        EXPECT_EQ(Lines().Fld("QTY").GetLong(), quantity);

        ASSERT_TRUE(view->CommitEdit());
        EXPECT_EQ(Dump("Lines"),
                  "L_ID,O_REF,ITEM,QTY\n10,1,PEN," + std::to_string(quantity) + "\n11,1,INK,1\n12,2,PAD,5\n");
        ExpectEditGivenBack();
    }

    // A change held by the attached view's table counts as well.
    ASSERT_TRUE(view->FindList("", 0));
    ASSERT_TRUE(view->BeginEdit('w', holder, uniqueFirst));
    RdmStoreTab& items = view->SubView("K").Table("ITEMS");
    items.Fld("PRICE").SetLong(9);
    ASSERT_TRUE(items.ModRec());
    EXPECT_EQ(ErrorCode([&] { view->FindList("", 0); }), 2012);
    ASSERT_TRUE(view->CommitEdit());
    EXPECT_EQ(shop.Dump("Stock", "Items"), "ITEM,PRICE\nINK,7\nPAD,4\nPEN,9\n");
}

TEST_F(ViewEdit, AnotherConnectionsBeginEditIsRefusedAndNamesTheHolder) {
    ASSERT_TRUE(view->BeginEdit('w', holder, uniqueFirst));
    std::unique_ptr<LuConn> other = shop.OpenSecond();
    std::unique_ptr<RdmView> theirs = lurtest::MakeOrderStockView(other->GetTablespaces());
    ASSERT_TRUE(theirs->FindList("", 0));
    RdmView::OptionsMap theirsBefore;
    theirs->GetOptionsAll(theirsBefore);
    std::string theirHolder;
    EXPECT_FALSE(theirs->BeginEdit('w', theirHolder, TableOptions{0, 4}));
    EXPECT_NE(theirHolder.find("ADMIN"), std::string::npos) << theirHolder;
    EXPECT_FALSE(theirs->IsEditing());
    RdmView::OptionsMap theirsAfter;
    theirs->GetOptionsAll(theirsAfter);
    EXPECT_EQ(theirsAfter, theirsBefore);

    ASSERT_FALSE(view->CancelEdit());
    EXPECT_TRUE(theirs->BeginEdit('w', theirHolder, uniqueFirst));
    EXPECT_TRUE(theirs->CancelEdit() == false);
}

TEST_F(ViewEdit, ASecondBeginEditChangesNothing) {
    ASSERT_TRUE(view->BeginEdit('w', holder, uniqueFirst));
    EXPECT_FALSE(view->BeginEdit('w', holder, TableOptions{0, 4}));
    RdmView::OptionsMap during;
    view->GetOptionsAll(during);
    EXPECT_EQ(during.at("ORDERS"), uniqueFirst);
    EXPECT_TRUE(view->IsEditing());
    view->CancelEdit();
    ExpectEditGivenBack();  // the options from before the first begin
}

TEST_F(ViewEdit, ABeginEditWhoseRecordIsGoneGivesBackLockAndOptions) {
    // Another user deletes ALICE's order after the view read it.
    std::unique_ptr<LuConn> other = shop.OpenSecond();
    RdmTable orders(other->GetTablespaces().GetDesc("SALES"), "Orders");
    orders.Fld("O_ID").SetLong(1);
    ASSERT_TRUE(orders.FindRecByKey("O_ID"));
    ASSERT_TRUE(orders.DelRec(true));

    EXPECT_FALSE(view->BeginEdit('w', holder, TableOptions{0, 4}));
    ExpectEditGivenBack();
}

TEST_F(ViewEdit, EditsWithoutLockOrWithoutUniqueKey) {
    EXPECT_EQ(ErrorCode([&] { view->CommitEdit(); }), 2012);
    EXPECT_TRUE(view->CancelEdit());

    // Lock mode -1 takes no lock, and the end releases none.
    ASSERT_TRUE(view->BeginEdit(-1, holder, uniqueFirst));
    EXPECT_TRUE(shop.OthersCanLock("Sales", "Orders"));
    EXPECT_FALSE(view->CancelEdit());

    // Option 0 needs the master's unique key: the commit refuses and the
    // edit stays open.
    shop.Load("Stock", "Moves", "M_ITEM,M_QTY\nPEN,5\n");
    RdmView moves(&shop.Tablespaces(), "moves", RdmView::DefaultOptions());
    moves.AddTable("", "Stock", "Moves", "", "", "", "");
    ASSERT_TRUE(moves.FindList("", 5));  // no current row: nothing to re-read by a key
    ASSERT_TRUE(moves.BeginEdit(-1, holder, uniqueFirst));
    EXPECT_EQ(ErrorCode([&] { moves.CommitEdit(); }), 10028);
    EXPECT_TRUE(moves.IsEditing());
    EXPECT_FALSE(moves.CancelEdit());
}

// What the statements do through a view: a single-table view searched on a
// key, its rows deleted one by one in direct mode; a multi-table view
// sorted over every group and copied as a result.
TEST_F(ViewEdit, StatementsChangeAndSortThroughTheViewsTables) {
    RdmView target(&shop.Tablespaces(), "sqlexec", RdmView::DefaultOptions());
    target.AddTable("", "Sales", "Lines", "", "", "", "");
    RdmStoreTab& lines = target.Table("LINES");
    lines.Fld("O_REF").SetLong(1);
    ASSERT_TRUE(target.FindList("O_REF", 5));
    EXPECT_EQ(target.RecordCount(), 2);
    lines.DefineKey(lines.GetUniqueKeyName());
    int deleted = 0;
    if (lines.GoToPos(0, 5)) {
        while (lines.DelRec()) ++deleted;
    }
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(Dump("Lines"), "L_ID,O_REF,ITEM,QTY\n12,2,PAD,5\n");

    // ORDER BY on the view read before the deletes: every group of its table
    // sorted, and the result copy keeps the order.
    Lines().SortList("ITEM", false, 1);
    RdmView result(*view);
    std::vector<std::string> rows;
    while (result.NextRecord())
        rows.push_back(result.Table("ORDERS").Fld("CUST").GetString() + " " +
                       result.Table("LINES").Fld("ITEM").GetString());
    EXPECT_EQ(rows, std::vector<std::string>({"ALICE INK", "ALICE PEN", "BOB PAD"}));
}

TEST_F(ViewEdit, SettingsReachTheNamedTable) {
    view->SetColumnValue("LINES", "ITEM", "PEN");
    RdmView& stock = view->SubView("K");  // its tables by their unprefixed names
    stock.SetFilterValue("items", "PRICE", "3");
    EXPECT_EQ(stock.GetFilterValue("ITEMS", "PRICE"), "3");
    EXPECT_EQ(stock.GetFilters("ITEMS").size(), 1u);
    EXPECT_TRUE(view->IsLinkField("LINES", "O_REF", true));
    EXPECT_FALSE(view->IsLinkField("LINES", "QTY", true));
    view->SetGroupMode("LINES", false);
    EXPECT_FALSE(view->GetGroupMode("LINES"));
    view->AddFreeFld("ORDERS", "NOTE", 'c', 20, false);
    EXPECT_TRUE(view->HasField("ORDERS", "NOTE"));

    struct Case {
        const char* what;
        std::function<void()> call;
        int code;
    };
    const Case cases[] = {
        {"SetColumnValue", [&] { view->SetColumnValue("NOPE", "A", "1"); }, 2002},
        {"GetFilters", [&] { view->GetFilters("NOPE"); }, 2002},
        {"SetGroupMode", [&] { view->SetGroupMode("NOPE", true); }, 2002},
        {"GetGroupMode", [&] { view->GetGroupMode("NOPE"); }, 2002},
        {"AddFreeFld", [&] { view->AddFreeFld("NOPE", "X", 'c', 2, false); }, 2002},
        {"no master", [&] { RdmView().SetGroupMode("LINES", true); }, 2011},
        {"no master, free field", [&] { RdmView().AddFreeFld("LINES", "X", 'c', 2, false); }, 2008},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ErrorCode(c.call), c.code);
    }
}

}  // namespace
