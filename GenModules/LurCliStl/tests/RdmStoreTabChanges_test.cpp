// Changes of stored tables on the shop tree: direct and deferred changes,
// the journal they leave, saving (all or nothing, in one transaction),
// rolling back, and the aggregates over the stored rows. Checked against
// the store itself with lurdbadm's dump and the client library's
// transaction trace.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "RdmStoreTab.h"
#include "ShopService.h"

namespace {

using lurtest::ErrorCode;
using Rows = std::vector<std::string>;

const Rows kOrders{"10,1,open,first", "11,1,OPEN,second", "12,1,closed,third", "20,2,open,fourth", "30,3,closed,fifth"};

// A dump of Orders with these rows.
std::string OrdersDump(const Rows& rows) {
    std::string text = "OR_ID,OR_CUST,OR_STATE,OR_NOTE\n";
    for (const std::string& row : rows) text += row + "\n";
    return text;
}

// The shop tree with customer 1 current: its orders 10, 11 and 12 shown,
// order 10 current with its items. Orders and items reach their server
// records through their unique keys (option 0); customers and notes through
// their current keys.
class StoreTabChangesTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("LURDBCLI_TRACE");
        service.LoadShop(shop);
        customer = lurtest::MakeShopTree(shop);
        orders = customer->FindTable("Orders", "");
        item = customer->FindTable("Item", "");
        note = customer->FindTable("Note", "");
        customer->DefineKey("CU_ID");
        note->DefineKey("NO_CUST");
        orders->AddTableOption(0);
        item->AddTableOption(0);
        Reload();
    }
    void TearDown() override { unsetenv("LURDBCLI_TRACE"); }

    void Reload() {
        ASSERT_TRUE(customer->FindList("", 0));
        ASSERT_TRUE(customer->LocateInList("CU_ID", "1", 0));
    }
    // Orders of the current customer, as "id:note" in their order.
    Rows Shown() {
        Rows rows;
        for (int32_t i = 0; orders->SetListPos(i); ++i)
            rows.push_back(orders->Fld("OR_ID").GetString() + ":" + orders->Fld("OR_NOTE").GetString());
        return rows;
    }
    static std::vector<int> JournalBits(const RdmStoreTab& table) {
        std::vector<int> bits;
        for (const auto& [rowId, entry] : table.GetJournal().Entries()) bits.push_back(entry.operation);
        return bits;
    }
    void NewOrder(int32_t id, const std::string& text) {
        orders->ClearRecord();
        orders->Fld("OR_ID").SetLong(id);
        orders->Fld("OR_CUST").SetLong(customer->Fld("CU_ID").GetLong());
        orders->Fld("OR_STATE").SetString("new");
        orders->Fld("OR_NOTE").SetString(text);
        orders->NewRec();
    }
    void ModOrder(int32_t id, const std::string& text) {
        ASSERT_TRUE(orders->LocateInList("OR_ID", std::to_string(id), 0)) << id;
        orders->Fld("OR_NOTE").SetString(text);
        ASSERT_TRUE(orders->ModRec(true));
    }
    void DelOrder(int32_t id) {
        ASSERT_TRUE(orders->LocateInList("OR_ID", std::to_string(id), 0)) << id;
        ASSERT_TRUE(orders->DelRec(true));
    }
    // A change held by the items only: the quantity of an item of the current order.
    void ModItem(const std::string& text, int32_t quantity) {
        ASSERT_TRUE(item->LocateInList("IT_TEXT", text, 0)) << text;
        item->Fld("IT_QTY").SetLong(quantity);
        ASSERT_TRUE(item->ModRec(true));
    }
    // The store's orders and items as the fixture has them, customer 1 current.
    void RestoreStore() {
        orders->TruncateFile();
        item->TruncateFile();
        service.Load("Shop", "Orders", lurtest::FixtureText("shop/Orders.csv"));
        service.Load("Shop", "Item", lurtest::FixtureText("shop/Item.csv"));
        Reload();
    }
    // A dump of the fixture's items with one line replaced.
    static std::string ItemsWith(const std::string& line, const std::string& replacement) {
        std::string text = lurtest::FixtureText("shop/Item.csv");
        const size_t at = text.find(line + "\n");
        if (at == std::string::npos) ADD_FAILURE() << "no item line " << line;
        return at == std::string::npos ? text : text.replace(at, line.size(), replacement);
    }
    // The number of stored rows of every table of the tree.
    std::vector<int32_t> RowCounts() const {
        return {customer->GetRowStore().Count(), orders->GetRowStore().Count(), item->GetRowStore().Count(),
                note->GetRowStore().Count()};
    }
    // The client library's transaction lines from here on.
    std::string TraceFile() {
        const std::string path = service.Dir() + "/trace.log";
        setenv("LURDBCLI_TRACE", path.c_str(), 1);
        return path;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static int Count(const std::string& text, const std::string& what) {
        int count = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
        return count;
    }

    lurtest::ShopService service;
    DbDesc shop;
    std::unique_ptr<RdmStoreTab> customer;
    RdmStoreTab* orders = nullptr;
    RdmStoreTab* item = nullptr;
    RdmStoreTab* note = nullptr;
};

}  // namespace

TEST_F(StoreTabChangesTest, ChangesAsOneTable) {
    enum Kind { kNew, kMod, kDel };
    struct Step {
        Kind kind;
        int32_t id;
        const char* text;
    };
    struct Case {
        const char* name;
        bool deferred;
        std::vector<Step> steps;
        std::vector<int> bits;  // the journal before the save
        Rows shown;             // customer 1's orders afterwards
        Rows stored;            // the store's orders after the save
    };
    const Rows kept{"10,1,open,first", "11,1,OPEN,second", "12,1,closed,third", "20,2,open,fourth",
                    "30,3,closed,fifth"};
    const Rows added{"10,1,open,first",  "11,1,OPEN,second",  "12,1,closed,third",
                     "20,2,open,fourth", "30,3,closed,fifth", "13,1,new,sixth"};
    const Rows updated{"10,1,open,first", "11,1,OPEN,kiwi", "12,1,closed,third", "20,2,open,fourth",
                       "30,3,closed,fifth"};
    const Rows deleted{"10,1,open,first", "11,1,OPEN,second", "20,2,open,fourth", "30,3,closed,fifth"};
    const Rows all{"10:first", "11:second", "12:third", "13:sixth"};
    const std::vector<Case> cases{
        {"direct insert", false, {{kNew, 13, "sixth"}}, {}, all, added},
        {"direct update", false, {{kMod, 11, "kiwi"}}, {}, {"10:first", "11:kiwi", "12:third"}, updated},
        {"direct delete", false, {{kDel, 12, ""}}, {}, {"10:first", "11:second"}, deleted},
        {"deferred insert", true, {{kNew, 13, "sixth"}}, {2}, all, added},
        {"deferred update", true, {{kMod, 11, "kiwi"}}, {4}, {"10:first", "11:kiwi", "12:third"}, updated},
        {"deferred delete", true, {{kDel, 12, ""}}, {1}, {"10:first", "11:second"}, deleted},
        {"inserted then updated", true, {{kNew, 13, "date"}, {kMod, 13, "sixth"}}, {6}, all, added},
        {"inserted then deleted",
         true,
         {{kNew, 13, "sixth"}, {kDel, 13, ""}},
         {3},
         {"10:first", "11:second", "12:third"},
         kept},
        {"updated then deleted", true, {{kMod, 12, "kiwi"}, {kDel, 12, ""}}, {5}, {"10:first", "11:second"}, deleted},
        {"deleted, then its key inserted",
         true,
         {{kDel, 12, ""}, {kNew, 12, "again"}},
         {1, 2},
         {"10:first", "11:second", "12:again"},
         {"10,1,open,first", "11,1,OPEN,second", "20,2,open,fourth", "30,3,closed,fifth", "12,1,new,again"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        orders->TruncateFile();
        service.Load("Shop", "Orders", lurtest::FixtureText("shop/Orders.csv"));
        Reload();
        customer->SetDeferred(c.deferred);
        for (const Step& step : c.steps) {
            if (step.kind == kNew) NewOrder(step.id, step.text);
            if (step.kind == kMod) ModOrder(step.id, step.text);
            if (step.kind == kDel) DelOrder(step.id);
        }
        EXPECT_EQ(JournalBits(*orders), c.bits);
        EXPECT_EQ(orders->IsDeferred(), c.deferred);
        EXPECT_EQ(orders->HasChangesPending(), c.deferred);
        if (c.deferred) {
            EXPECT_EQ(service.Dump("Orders"), OrdersDump(kOrders));  // nothing sent yet
        }

        EXPECT_TRUE(customer->SaveChanges());
        EXPECT_EQ(service.Dump("Orders"), OrdersDump(c.stored));
        EXPECT_EQ(JournalBits(*orders), std::vector<int>{});
        EXPECT_FALSE(orders->HasChangesPending());
        EXPECT_EQ(Shown(), c.shown);
        customer->SetDeferred(false);
    }
}

TEST_F(StoreTabChangesTest, ASaveIsAllOrNothingAndSucceedsOnceMended) {
    customer->SetDeferred(true);
    ModOrder(10, "kiwi");
    NewOrder(13, "sixth");
    NewOrder(20, "taken");  // the store refuses this one: 20 is customer 2's
    const std::vector<int> journal = JournalBits(*orders);
    const Rows shown = Shown();
    ASSERT_EQ(journal, (std::vector<int>{4, 2, 2}));
    const std::string trace = TraceFile();

    EXPECT_EQ(ErrorCode([&] { customer->SaveChanges(); }), 10005);
    EXPECT_EQ(service.Dump("Orders"), OrdersDump(kOrders));
    EXPECT_EQ(JournalBits(*orders), journal);
    EXPECT_TRUE(orders->HasChangesPending());
    EXPECT_EQ(Shown(), shown);
    std::string log = ReadFile(trace);
    EXPECT_EQ(Count(log, "begin transaction"), 1) << log;
    EXPECT_EQ(Count(log, "abort transaction"), 1) << log;

    // Mended: the refused row takes a free key, and the same save goes through.
    ASSERT_TRUE(orders->LocateInList("OR_NOTE", "taken", 0));
    orders->Fld("OR_ID").SetLong(14);
    ASSERT_TRUE(orders->ModRec(true));
    EXPECT_EQ(JournalBits(*orders), (std::vector<int>{4, 2, 6}));
    EXPECT_TRUE(customer->SaveChanges());
    EXPECT_EQ(service.Dump("Orders"),
              OrdersDump({"10,1,open,kiwi", "11,1,OPEN,second", "12,1,closed,third", "20,2,open,fourth",
                          "30,3,closed,fifth", "13,1,new,sixth", "14,1,new,taken"}));
    EXPECT_TRUE(orders->GetJournal().IsEmpty());
    log = ReadFile(trace);
    EXPECT_EQ(Count(log, "begin transaction"), 2) << log;
    EXPECT_EQ(Count(log, "commit transaction \"SAVE CUSTOMER\", 3 record changes"), 1) << log;
}

TEST_F(StoreTabChangesTest, InACallersTransactionTheCallerDecides) {
    ASSERT_TRUE(shop.BeginTrans("SQL", true));
    customer->SetDeferred(true);
    NewOrder(20, "taken");
    EXPECT_EQ(ErrorCode([&] { customer->SaveChanges(); }), 10005);
    EXPECT_FALSE(shop.BeginTrans("SQL", false));  // still open: the save did not end it
    EXPECT_EQ(JournalBits(*orders), std::vector<int>{2});

    ASSERT_TRUE(orders->LocateInList("OR_NOTE", "taken", 0));
    orders->Fld("OR_ID").SetLong(13);
    ASSERT_TRUE(orders->ModRec(true));
    EXPECT_TRUE(customer->SaveChanges());
    EXPECT_TRUE(orders->GetJournal().IsEmpty());  // the whole save succeeded
    EXPECT_FALSE(shop.BeginTrans("SQL", false));  // and the caller's transaction is still open
    shop.EndTrans(false);
    EXPECT_EQ(service.Dump("Orders"), OrdersDump(kOrders));
}

TEST_F(StoreTabChangesTest, DeferredDeletesReachTheStoreWithTheirDetailRows) {
    // Customer 3 with its order 30, that order's item and its note, deleted
    // from the bottom up.
    ASSERT_TRUE(customer->LocateInList("CU_ID", "3", 0));
    customer->SetDeferred(true);
    EXPECT_FALSE(customer->DelRec(false));  // its orders and notes block it
    ASSERT_TRUE(item->DelRec(true));
    ASSERT_TRUE(orders->DelRec(true));
    ASSERT_TRUE(note->DelRec(true));
    ASSERT_TRUE(customer->DelRec(true));
    EXPECT_EQ(customer->GetListCount(), 3);
    EXPECT_EQ(customer->Fld("CU_ID").GetLong(), 4);                    // the row now at its place
    EXPECT_EQ(orders->GetCurrentGroup(), customer->CurrentRow()->id);  // the orders follow it

    EXPECT_TRUE(customer->SaveChanges());
    EXPECT_EQ(service.Dump("Customer"), "CU_ID,CU_NAME,CU_CITY\n2,b,Pecs\n1,A,Szeged\n4,d,Gyor\n");
    EXPECT_EQ(service.Dump("Orders"),
              OrdersDump({"10,1,open,first", "11,1,OPEN,second", "12,1,closed,third", "20,2,open,fourth"}));
    EXPECT_EQ(service.Dump("Item"),
              "IT_ORDER,IT_LINE,IT_TEXT,IT_QTY\n10,2,nut,7\n10,1,bolt,5\n11,1,screw,12\n20,1,washer,3\n20,2,pin,1\n");
    EXPECT_EQ(service.Dump("Note"), "NO_CUST,NO_TEXT\n1,call\n1,call\n");
}

TEST_F(StoreTabChangesTest, CancelThenSaveSendsNothing) {
    customer->SetDeferred(true);
    ModOrder(11, "kiwi");
    DelOrder(12);
    NewOrder(13, "sixth");
    NewOrder(14, "seventh");
    customer->EndChanges(false);
    EXPECT_TRUE(orders->GetJournal().IsEmpty());
    EXPECT_FALSE(orders->HasChangesPending());
    EXPECT_LT(orders->GetListPos(), orders->GetListCount());  // never past the restored rows
    EXPECT_EQ(Shown(), (Rows{"10:first", "11:second", "12:third"}));

    const std::string trace = TraceFile();
    EXPECT_TRUE(customer->SaveChanges());
    EXPECT_EQ(service.Dump("Orders"), OrdersDump(kOrders));
    EXPECT_EQ(ReadFile(trace).find("transaction"), std::string::npos);
    EXPECT_TRUE(orders->ReadCurrentRec(true));  // no stale journal (2014)
}

TEST_F(StoreTabChangesTest, AServerStepWhileOnlyADetailHoldsChangesIsRefusedAndTheSaveWritesThem) {
    // Each of these reloads the tree, which would drop the items' change.
    customer->Fld("CU_ID").SetLong(3);
    ASSERT_TRUE(customer->FindRecByKey("CU_ID", 0));
    ASSERT_TRUE(customer->CreateBookmark("b"));
    ASSERT_TRUE(customer->MarkBookmark("b"));
    ASSERT_TRUE(customer->CreateCursor("c", "CU_ID"));
    const std::vector<std::pair<const char*, std::function<void()>>> steps{
        {"FindList", [&] { customer->FindList("", 0); }},
        {"FindListAdd", [&] { customer->FindListAdd("CU_ID"); }},
        {"FindGreater", [&] { customer->FindGreater("CU_ID", 0); }},
        {"Move", [&] { customer->Move(0, 0); }},
        {"MoveByKey", [&] { customer->MoveByKey(3, "CU_ID", 0); }},
        {"FindRec", [&] { customer->FindRec(0); }},
        {"FindRecByKeyKeep", [&] { customer->FindRecByKeyKeep("CU_ID", 0); }},
        {"FindRecByKey", [&] { customer->FindRecByKey("CU_ID", 0); }},
        {"GoToBookmarkReload", [&] { customer->GoToBookmarkReload("b", 0); }},
        {"CursorMove", [&] { customer->CursorMove("c", 0, 0); }},
    };
    int32_t quantity = 100;
    for (const auto& [name, step] : steps) {
        SCOPED_TRACE(name);
        Reload();
        customer->SetDeferred(true);
        ModItem("bolt", ++quantity);  // order 10's item: the customer and orders hold nothing
        const std::vector<int32_t> rows = RowCounts();

        EXPECT_EQ(ErrorCode(step), 2012);
        EXPECT_EQ(RowCounts(), rows);
        EXPECT_EQ(JournalBits(*item), std::vector<int>{4});
        EXPECT_EQ(item->Fld("IT_QTY").GetLong(), quantity);

        EXPECT_TRUE(customer->SaveChanges());
        EXPECT_EQ(service.Dump("Item"), ItemsWith("10,1,bolt,5", "10,1,bolt," + std::to_string(quantity)));
        customer->SetDeferred(false);
    }
}

TEST_F(StoreTabChangesTest, AReReadWhileADetailHoldsChangesIsRefusedBeforeAnyRowIsTouched) {
    customer->SetDeferred(true);
    ModItem("bolt", 99);
    const std::vector<int32_t> rows = RowCounts();
    for (RdmStoreTab* table : {customer.get(), orders, item}) {
        SCOPED_TRACE(table->GetDisplayName());
        EXPECT_EQ(ErrorCode([&] { table->ReadCurrentRec(true); }), 2014);
        EXPECT_EQ(RowCounts(), rows);
        EXPECT_EQ(JournalBits(*item), std::vector<int>{4});
    }
    EXPECT_TRUE(customer->SaveChanges());
    EXPECT_EQ(service.Dump("Item"), ItemsWith("10,1,bolt,5", "10,1,bolt,99"));
    EXPECT_TRUE(customer->ReadCurrentRec(true));  // nothing waits any more
}

TEST_F(StoreTabChangesTest, RemovingRowsThatHoldChangesIsRefusedAndTheSaveWritesThem) {
    struct Case {
        const char* what;
        std::function<void()> change;
        std::function<void()> removal;
        const char* table;  // dumped after the save
        std::string stored;
    };
    const std::string boltChanged = ItemsWith("10,1,bolt,5", "10,1,bolt,99");
    std::string withoutBolt = lurtest::FixtureText("shop/Item.csv");
    withoutBolt.erase(withoutBolt.find("10,1,bolt,5\n"), 12);
    const std::vector<Case> cases{
        {"a master row whose item changed", [&] { ModItem("bolt", 99); },
         [&] { customer->RemoveFromList(customer->GetListPos()); }, "Item", boltChanged},
        {"the same by value", [&] { ModItem("bolt", 99); }, [&] { customer->RemoveValueFromList("CU_ID", "1", 0); },
         "Item", boltChanged},
        {"every row with a value, the second one changed below",
         [&] {
             ASSERT_TRUE(orders->LocateInList("OR_ID", "11", 0));
             ModItem("screw", 99);
         },
         [&] { orders->RemoveAllValuesFromList("OR_STATE", "open", 0); }, "Item",
         ItemsWith("11,1,screw,12", "11,1,screw,99")},
        {"an order whose item was deleted",
         [&] {
             ASSERT_TRUE(item->LocateInList("IT_TEXT", "bolt", 0));
             ASSERT_TRUE(item->DelRec(true));
         },
         [&] { orders->RemoveFromList(orders->GetListPos()); }, "Item", withoutBolt},
        {"a row changed itself", [&] { ModOrder(11, "kiwi"); }, [&] { orders->RemoveFromList(0); }, "Orders",
         OrdersDump(
             {"10,1,open,first", "11,1,OPEN,kiwi", "12,1,closed,third", "20,2,open,fourth", "30,3,closed,fifth"})},
        {"clearing a detail's group", [&] { ModItem("bolt", 99); }, [&] { orders->ClearList(); }, "Item", boltChanged},
        {"clearing the tree", [&] { ModItem("bolt", 99); }, [&] { customer->ClearList(); }, "Item", boltChanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RestoreStore();
        customer->SetDeferred(true);
        c.change();
        const std::vector<int32_t> rows = RowCounts();
        const std::vector<int> orderBits = JournalBits(*orders);
        const std::vector<int> itemBits = JournalBits(*item);

        EXPECT_EQ(ErrorCode(c.removal), 2014);
        EXPECT_EQ(RowCounts(), rows);
        EXPECT_EQ(JournalBits(*orders), orderBits);
        EXPECT_EQ(JournalBits(*item), itemBits);

        EXPECT_TRUE(customer->SaveChanges());
        EXPECT_EQ(service.Dump(c.table), c.stored);
        customer->SetDeferred(false);
    }

    // Discarding the changes is what lets the row go.
    RestoreStore();
    customer->SetDeferred(true);
    ModItem("bolt", 99);
    customer->EndChanges(false);
    EXPECT_TRUE(customer->RemoveFromList(customer->GetListPos()));
    EXPECT_TRUE(customer->SaveChanges());
    EXPECT_EQ(service.Dump("Item"), lurtest::FixtureText("shop/Item.csv"));
}

TEST_F(StoreTabChangesTest, AfterARemovalTheRecordAndTheChildrenFollowTheRowNowCurrent) {
    struct Case {
        const char* what;
        const char* current;  // the order current before the removal
        std::function<void()> removal;
        int32_t nowCurrent;  // the order current afterwards, which DelRec then deletes
        int32_t items;       // its items shown; an order with items is not deleted
        Rows shown;          // the orders shown after DelRec
    };
    const std::vector<Case> cases{
        {"the current row", "11", [&] { orders->RemoveFromList(orders->GetListPos()); }, 12, 0, {"10:first"}},
        {"the current row by value", "11", [&] { orders->RemoveValueFromList("OR_ID", "11", 0); }, 12, 0, {"10:first"}},
        {"every row with a value", "10", [&] { orders->RemoveAllValuesFromList("OR_STATE", "open", 0); }, 12, 0, {}},
        {"the current last row", "12", [&] { orders->RemoveFromList(2); }, 11, 1, {"10:first", "11:second"}},
        {"a row before the current one", "11", [&] { orders->RemoveFromList(0); }, 11, 1, {"11:second", "12:third"}},
        {"a row before the current last one", "12", [&] { orders->RemoveFromList(0); }, 12, 0, {"11:second"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RestoreStore();
        ASSERT_TRUE(orders->LocateInList("OR_ID", c.current, 0));
        c.removal();
        EXPECT_EQ(orders->Fld("OR_ID").GetLong(), c.nowCurrent);
        EXPECT_EQ(item->GetListCount(), c.items);

        const bool deletes = c.items == 0;
        EXPECT_EQ(orders->DelRec(false), deletes);
        Rows stored;
        for (const std::string& row : kOrders) {
            if (!deletes || row.rfind(std::to_string(c.nowCurrent) + ",", 0) != 0) stored.push_back(row);
        }
        EXPECT_EQ(service.Dump("Orders"), OrdersDump(stored));
        EXPECT_EQ(Shown(), c.shown);
    }

    // A detail's group cleared: its details have no current master row, so
    // a new item cannot land under an order the list no longer shows.
    RestoreStore();
    EXPECT_TRUE(orders->ClearList());
    EXPECT_EQ(orders->GetListPos(), -1);
    item->Fld("IT_LINE").SetLong(3);
    EXPECT_EQ(ErrorCode([&] { item->NewRec(); }), 2013);
    EXPECT_EQ(service.Dump("Item"), lurtest::FixtureText("shop/Item.csv"));
}

TEST_F(StoreTabChangesTest, ADeleteInGroupModeSetsTheAllRowsPositionToo) {
    for (const bool deferred : {false, true}) {
        SCOPED_TRACE(deferred ? "deferred" : "direct");
        RestoreStore();
        customer->SetDeferred(deferred);
        ASSERT_TRUE(orders->LocateInList("OR_ID", "12", 0));
        ASSERT_TRUE(orders->DelRec(true));
        const RdmStoredRow* current = orders->CurrentRow();
        ASSERT_NE(current, nullptr);
        EXPECT_EQ(orders->Fld("OR_ID").GetLong(), 11);
        orders->SetGroupMode(false);
        EXPECT_EQ(orders->CurrentRow(), current);  // the same row over all rows
        orders->SetGroupMode(true);
        customer->EndChanges(false);
        customer->SetDeferred(false);
    }
}

TEST_F(StoreTabChangesTest, RowsHoldWhatTheServerHolds) {
    // A text field with bytes after its end: the store keeps the text only,
    // and the row must hold the record as stored.
    const int32_t noteAt = shop.FieldOffset("ORDERS", "OR_NOTE");
    const int32_t idAt = shop.FieldOffset("ORDERS", "OR_ID");
    const auto withLeftovers = [&](int32_t id, const std::string& text) {
        orders->ClearRecord();
        orders->Fld("OR_ID").SetLong(id);
        orders->Fld("OR_CUST").SetLong(1);
        orders->Fld("OR_NOTE").SetString(text);
        std::vector<char> record;
        shop.CopyRecord(record, "ORDERS");
        record[static_cast<size_t>(noteAt) + text.size() + 1] = 'Z';
        shop.SetRecord(record.data(), "ORDERS");
    };
    const auto leftover = [&](int32_t id, const std::string& text) {
        for (const RdmStoredRow* row : orders->GetRowStore().AllRows()) {
            int32_t rowId = 0;
            std::memcpy(&rowId, row->record.data() + idAt, sizeof rowId);
            if (rowId == id) return row->record[static_cast<size_t>(noteAt) + text.size() + 1];
        }
        ADD_FAILURE() << "no row " << id;
        return '?';
    };
    withLeftovers(13, "sixth");
    ASSERT_TRUE(orders->NewRec());
    EXPECT_EQ(leftover(13, "sixth"), '\0');

    customer->SetDeferred(true);
    withLeftovers(14, "seventh");
    ASSERT_TRUE(orders->NewRec());
    ASSERT_TRUE(orders->LocateInList("OR_ID", "12", 0));
    withLeftovers(12, "kiwi");
    ASSERT_TRUE(orders->ModRec(true));
    EXPECT_EQ(leftover(14, "seventh"), 'Z');  // as written, until saved
    EXPECT_TRUE(customer->SaveChanges());
    EXPECT_EQ(leftover(14, "seventh"), '\0');
    EXPECT_EQ(leftover(12, "kiwi"), '\0');
}

TEST_F(StoreTabChangesTest, RefusedChanges) {
    // A detail takes new rows only under a current master row.
    customer->ListMove(5, 5);
    EXPECT_EQ(ErrorCode([&] { orders->NewRec(); }), 2013);
    Reload();

    // Items found through their unique key are kept by the link: no updates
    // or deletes of them (option 3).
    item->SetLinks({{"OR_ID", "IT_ORDER"}}, "IT_KEY");
    item->AddTableOption(3);
    EXPECT_FALSE(item->ModRec(false));
    EXPECT_EQ(ErrorCode([&] { item->DelRec(true); }), 2012);
    item->RemoveTableOption(3);

    orders->ListMove(5, 5);
    EXPECT_FALSE(orders->DelRec(false));
    EXPECT_EQ(ErrorCode([&] { orders->DelRec(true); }), 10002);
    EXPECT_EQ(ErrorCode([&] { orders->ModRec(false); }), 2012);

    // Saving through the unique key needs one, and fails before anything is written.
    RdmStoreTab notes(nullptr, &shop, "Note", "Notes", false);
    notes.AddTableOption(0);
    notes.SetDeferred(true);
    notes.ClearRecord();
    notes.Fld("NO_CUST").SetLong(4);
    notes.Fld("NO_TEXT").SetString("hello");
    ASSERT_TRUE(notes.NewRec());
    EXPECT_EQ(ErrorCode([&] { notes.SaveChanges(); }), 10028);
    EXPECT_EQ(service.Dump("Note"), lurtest::FixtureText("shop/Note.csv"));
    notes.RemoveTableOption(0);
    EXPECT_TRUE(notes.SaveChanges());
    EXPECT_EQ(service.Dump("Note"), lurtest::FixtureText("shop/Note.csv") + "4,hello\n");
}

TEST_F(StoreTabChangesTest, AggregatesOverTheShownRows) {
    struct Case {
        int32_t kind;
        const char* field;
        const char* text;      // over customer 1's orders 10, 11, 12 (first, second, third)
        const char* whenNone;  // over no rows
    };
    for (const Case& c :
         {Case{0, "*", "3", "0"}, Case{1, "OR_ID", "33", "0"}, Case{2, "OR_ID", "11", "0"}, Case{3, "OR_ID", "12", ""},
          Case{4, "OR_ID", "10", ""}, Case{3, "OR_NOTE", "third", ""}, Case{4, "OR_NOTE", "first", ""}}) {
        SCOPED_TRACE(c.kind);
        orders->SetListPos(1);
        std::string out;
        EXPECT_EQ(orders->Aggregate(out, c.field, c.kind), c.text);
        EXPECT_EQ(out, c.text);
        EXPECT_EQ(orders->Fld("OR_NOTE").GetString(), "second");  // the record buffer as before
        ASSERT_TRUE(customer->LocateInList("CU_ID", "4", 0));     // no orders
        EXPECT_EQ(orders->Aggregate(out, c.field, c.kind), c.whenNone);
        Reload();
    }
    std::string out;
    EXPECT_EQ(ErrorCode([&] { orders->Aggregate(out, "OR_ID", 5); }), 2007);
    EXPECT_EQ(ErrorCode([&] { orders->Aggregate(out, "NOPE", 3); }), 2003);
}
