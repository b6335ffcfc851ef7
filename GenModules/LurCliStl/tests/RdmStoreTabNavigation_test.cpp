// Stored tables against a real service: a root find loads every level of
// the shop tree grouped by owner row, navigation moves over stored rows and
// positions the children, re-reads go back to the server.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "RdmStoreTab.h"
#include "ShopService.h"

namespace {

using lurtest::ErrorCode;

// The shop tree on a service, which the fixtures below make once for the
// suite (read-only tests) or for every test.
class ShopTreeTest : public ::testing::Test {
public:
    void BuildTree(lurtest::ShopService& service) {
        service.LoadShop(shop);
        lurtest::ShopTree tree(shop);
        customer = std::move(tree.customer);
        orders = tree.orders;
        item = tree.item;
        note = tree.note;
    }

    // The values of a field over the table's current rows, the position kept.
    static std::vector<std::string> Column(RdmStoreTab& table, const std::string& field) {
        std::vector<std::string> values;
        const int32_t saved = table.GetListPos();
        for (int32_t i = 0; table.SetListPos(i); ++i) values.push_back(table.Fld(field).GetString());
        table.SetListPos(saved);
        return values;
    }
    // Every stored row of a table, all groups, as "group:value".
    static std::vector<std::string> AllRows(RdmStoreTab& table, const std::string& field) {
        std::vector<std::string> rows;
        const bool mode = table.GetGroupMode();
        table.SetGroupMode(false);
        const int32_t saved = table.GetListPos();
        for (int32_t i = 0; table.SetListPos(i); ++i) {
            const RdmStoredRow* row = table.CurrentRow();
            rows.push_back(std::to_string(row->group) + ":" + table.Fld(field).GetString());
        }
        table.SetListPos(saved);
        table.SetGroupMode(mode);
        return rows;
    }
    // The id of the stored row of table whose field holds the value.
    static int32_t RowId(RdmStoreTab& table, const std::string& field, const std::string& value) {
        for (const RdmStoredRow* row : table.GetRowStore().AllRows()) {
            table.GetDesc()->SetRecord(row->record.data(), table.GetName());
            if (table.Fld(field).GetString() == value) return row->id;
        }
        return -1;
    }

    // The stored rows of the current group as "CU_ID/OR_ID/IT_TEXT", "-" for
    // a level without a current row.
    std::string Combination() const {
        const auto value = [](RdmStoreTab* table, const char* field) {
            return table->GetListPos() == -1 ? std::string("-") : table->Fld(field).GetString();
        };
        return value(customer.get(), "CU_ID") + "/" + value(orders, "OR_ID") + "/" + value(item, "IT_TEXT");
    }

    DbDesc shop;
    std::unique_ptr<RdmStoreTab> customer;
    RdmStoreTab* orders = nullptr;
    RdmStoreTab* item = nullptr;
    RdmStoreTab* note = nullptr;
};

// Read-only tests share one service.
class StoreTabNavigationTest : public ShopTreeTest {
protected:
    static void SetUpTestSuite() { service_ = std::make_unique<lurtest::ShopService>(); }
    static void TearDownTestSuite() { service_.reset(); }
    void SetUp() override { BuildTree(*service_); }

    static inline std::unique_ptr<lurtest::ShopService> service_;
};

// Tests that change the store get a service each, and a second description
// on the same login through which "another user" changes records.
class StoreTabRereadTest : public ShopTreeTest {
protected:
    void SetUp() override {
        BuildTree(service);
        service.LoadShop(other);
    }
    // Another writer renames a customer on the server.
    void RenameOnServer(int32_t id, const std::string& name) {
        RdmTable table(&other, "Customer");
        table.Fld("CU_ID").SetLong(id);
        ASSERT_TRUE(table.FindRecByKey("CU_ID"));
        table.Fld("CU_NAME").SetString(name);
        ASSERT_TRUE(table.ModRec(true));
    }

    lurtest::ShopService service;
    DbDesc other;
};

}  // namespace

TEST_F(StoreTabNavigationTest, RootFindLoadsEveryLevelGroupedByOwnerRow) {
    // Every customer, in the store's order (not the key's).
    ASSERT_TRUE(customer->FindList("", 0));
    // Move code 0: every level stands on the first row of its group.
    EXPECT_EQ(customer->Fld("CU_ID").GetLong(), 2);
    EXPECT_EQ(orders->Fld("OR_ID").GetLong(), 20);
    EXPECT_EQ(item->Fld("IT_TEXT").GetString(), "washer");
    EXPECT_EQ(Column(*item, "IT_TEXT"), (std::vector<std::string>{"washer", "pin"}));
    EXPECT_EQ(note->GetListCount(), 0);
    EXPECT_EQ(Column(*customer, "CU_ID"), (std::vector<std::string>{"2", "1", "3", "4"}));
    const std::string c1 = std::to_string(RowId(*customer, "CU_ID", "1")) + ":";
    const std::string c2 = std::to_string(RowId(*customer, "CU_ID", "2")) + ":";
    const std::string c3 = std::to_string(RowId(*customer, "CU_ID", "3")) + ":";
    // One group per customer row, in the owner's row order.
    EXPECT_EQ(AllRows(*orders, "OR_ID"),
              (std::vector<std::string>{c2 + "20", c1 + "10", c1 + "11", c1 + "12", c3 + "30"}));
    const std::string o10 = std::to_string(RowId(*orders, "OR_ID", "10")) + ":";
    const std::string o11 = std::to_string(RowId(*orders, "OR_ID", "11")) + ":";
    const std::string o20 = std::to_string(RowId(*orders, "OR_ID", "20")) + ":";
    const std::string o30 = std::to_string(RowId(*orders, "OR_ID", "30")) + ":";
    EXPECT_EQ(AllRows(*item, "IT_TEXT"), (std::vector<std::string>{o20 + "washer", o20 + "pin", o10 + "nut",
                                                                   o10 + "bolt", o11 + "screw", o30 + "gear"}));
    // The table without a unique key keeps both equal rows.
    EXPECT_EQ(AllRows(*note, "NO_TEXT"), (std::vector<std::string>{c1 + "call", c1 + "call", c3 + "visit"}));
}

TEST_F(StoreTabNavigationTest, StoredRowMoves) {
    // Each case starts with customers 2, 1, 3, 4 stored, the first current.
    struct Case {
        const char* what;
        std::function<bool(StoreTabNavigationTest&)> step;
        bool result;
        std::string combination;  // afterwards
    };
    const std::vector<Case> cases = {
        {"previous on the first row", [](auto& t) { return t.customer->ListMove(1, 0); }, false, "2/20/washer"},
        {"last", [](auto& t) { return t.customer->ListMove(3, 0); }, true, "4/-/-"},
        {"next on the last row", [](auto& t) { return t.customer->ListMove(3, 0) && t.customer->ListMove(2, 0); },
         false, "4/-/-"},
        {"next, children on their first rows", [](auto& t) { return t.customer->ListMove(2, 0); }, true, "1/10/nut"},
        {"next, children without a current row", [](auto& t) { return t.customer->ListMove(2, 5); }, true, "1/-/-"},
        {"no current row", [](auto& t) { return t.customer->ListMove(5, 5); }, true, "-/-/-"},
        {"to a position", [](auto& t) { return t.customer->GoToPos(2, 0); }, true, "3/30/gear"},
        {"ListNext leaves the children without a current row", [](auto& t) { return t.customer->ListNext(); }, true,
         "1/-/-"},
        {"ListNext past the end", [](auto& t) { return t.customer->GoToPos(3, 0) && t.customer->ListNext(); }, false,
         "4/-/-"},
        {"SetListPos outside the rows", [](auto& t) { return t.customer->SetListPos(4); }, false, "2/20/washer"},
        {"SetListPos leaves the children alone", [](auto& t) { return t.customer->SetListPos(1); }, true,
         "1/20/washer"},
        {"a detail moves inside its group", [](auto& t) { return t.item->ListMove(3, 0); }, true, "2/20/pin"},
        {"a detail without rows: no current row is a success",
         [](auto& t) { return t.customer->ListMove(3, 0) && t.orders->ListMove(5, 5); }, true, "4/-/-"},
        {"a detail without rows: first fails",
         [](auto& t) { return t.customer->ListMove(3, 0) && t.orders->ListMove(0, 0); }, false, "4/-/-"},
        {"a detail without rows: SetListPos fails",
         [](auto& t) { return t.customer->ListMove(3, 0) && (t.orders->SetListPos(0) || t.orders->SetListPos(-1)); },
         false, "4/-/-"},
        {"a detail's group without a current row: SetListPos (-1) succeeds",
         [](auto& t) { return t.orders->SetListPos(-1); }, true, "2/-/washer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BuildTree(*service_);
        ASSERT_TRUE(customer->FindList("", 0));
        EXPECT_EQ(c.step(*this), c.result);
        EXPECT_EQ(Combination(), c.combination);
    }
}

TEST_F(StoreTabNavigationTest, RefusalsAndBadCodes) {
    ASSERT_TRUE(customer->FindList("", 0));
    EXPECT_EQ(ErrorCode([&] { customer->ListMove(4, 0); }), 2005);
    EXPECT_EQ(ErrorCode([&] { customer->ListMove(0, 2); }), 2005);
    // Detail tables are never searched on the server.
    EXPECT_EQ(ErrorCode([&] { orders->Move(0, 0); }), 2012);
    EXPECT_EQ(ErrorCode([&] { orders->FindList("", 0); }), 2012);
    EXPECT_EQ(ErrorCode([&] { orders->FindRec(0); }), 2012);
    orders->CreateCursor("c", "OR_ID");
    EXPECT_EQ(ErrorCode([&] { orders->CursorMove("c", 0, 0); }), 2012);
    // The master of a sub-view hung under a table moves over its stored rows.
    auto* hung = new RdmStoreTab(orders, &shop, "Item", "Hung", true);
    hung->AddLink("OR_ID", "IT_ORDER", "IT_ORDER");
    ASSERT_TRUE(customer->FindList("", 0));
    hung->SetGroupMode(false);
    EXPECT_TRUE(hung->Move(3, 0));
    EXPECT_EQ(hung->Fld("IT_TEXT").GetString(), "gear");
    EXPECT_TRUE(hung->FindList("", 0));
    EXPECT_EQ(hung->GetListCount(), 6);
    orders->RemoveChild("HUNG");
    delete hung;
}

TEST_F(StoreTabNavigationTest, FindsWithoutResetAddRows) {
    customer->Fld("CU_ID").SetLong(1);
    ASSERT_TRUE(customer->FindList("CU_ID", 0));
    EXPECT_EQ(customer->GetListCount(), 1);
    EXPECT_EQ(orders->GetRowStore().Count(), 3);
    customer->Fld("CU_ID").SetLong(3);
    ASSERT_TRUE(customer->FindListAdd("CU_ID"));
    EXPECT_EQ(customer->GetListCount(), 2);
    EXPECT_EQ(orders->GetRowStore().Count(), 4);  // reloaded for both rows
    EXPECT_EQ(customer->GetListPos(), -1);        // the Add forms do not position
    customer->Fld("CU_ID").SetLong(9);
    EXPECT_FALSE(customer->FindListAdd("CU_ID"));
    EXPECT_EQ(customer->GetListCount(), 2);
    customer->Fld("CU_ID").SetLong(2);
    ASSERT_TRUE(customer->FindList("CU_ID", 0));
    EXPECT_EQ(customer->GetListCount(), 1);

    // A record find stores the one record found.
    customer->Fld("CU_ID").SetLong(3);
    ASSERT_TRUE(customer->FindRecByKey("CU_ID", 0));
    EXPECT_EQ(Combination(), "3/30/gear");
    EXPECT_TRUE(customer->Move(2, 5));  // the next customer by CU_ID
    EXPECT_EQ(Combination(), "4/-/-");
    EXPECT_FALSE(customer->Move(2, 0));
    EXPECT_EQ(Combination(), "4/-/-");
}

TEST_F(StoreTabNavigationTest, FilterIgnoresCaseAndColumnValuesNarrowTheSearch) {
    orders->SetFilterValue("OR_STATE", "open");
    ASSERT_TRUE(customer->FindList("", 0));
    ASSERT_TRUE(customer->ListMove(2, 0));  // customer 1: open, OPEN, closed
    EXPECT_EQ(Column(*orders, "OR_ID"), (std::vector<std::string>{"10", "11"}));

    orders->ClearFilters();
    item->SetColumnValue("IT_LINE", "2");  // with the link key IT_ORDER the value is only written
    customer->SetColumnValue("CU_NAME", "c");
    ASSERT_TRUE(customer->FindList("CU_NAME", 0));
    EXPECT_EQ(Combination(), "3/30/gear");
}

TEST_F(StoreTabNavigationTest, EveryCombinationWithAndWithoutOneStepOption) {
    customer->RemoveChild("NOTE");
    delete note;
    const auto walk = [this] {
        std::vector<std::string> seen;
        EXPECT_TRUE(customer->FindList("", 5));
        for (bool found = false; customer->NextCombination(-1, found), found; found = false)
            seen.push_back(Combination());
        return seen;
    };
    EXPECT_EQ(walk(), (std::vector<std::string>{"2/20/washer", "2/20/pin", "1/10/nut", "1/10/bolt", "1/11/screw",
                                                "3/30/gear"}));
    // Option 4: a row whose details have nothing is a combination of its own.
    customer->AddTableOptionTree(4);
    EXPECT_EQ(walk(), (std::vector<std::string>{"2/20/washer", "2/20/pin", "1/10/nut", "1/10/bolt", "1/11/screw",
                                                "1/12/-", "3/30/gear", "4/-/-"}));
    customer->RemoveTableOptionTree(4);
}

TEST_F(StoreTabRereadTest, ReadCurrentRecReadsTheRowAndItsDetailsAgain) {
    ASSERT_TRUE(customer->FindList("", 0));
    ASSERT_TRUE(customer->ListMove(2, 0));  // customer 1
    RenameOnServer(1, "Z");
    EXPECT_EQ(customer->Fld("CU_NAME").GetString(), "A");
    EXPECT_TRUE(customer->ReadCurrentRec(true));
    EXPECT_EQ(customer->Fld("CU_NAME").GetString(), "Z");
    EXPECT_EQ(Combination(), "1/10/nut");
    EXPECT_EQ(Column(*orders, "OR_ID"), (std::vector<std::string>{"10", "11", "12"}));
    // The stored row itself holds the new record.
    customer->ListMove(0, 0);
    customer->ListMove(2, 0);
    EXPECT_EQ(customer->Fld("CU_NAME").GetString(), "Z");
}

TEST_F(StoreTabRereadTest, ReloadedGroupIsFilteredAndMayBeLeftEmpty) {
    orders->SetFilterValue("OR_STATE", "OPEN");
    ASSERT_TRUE(customer->FindList("", 0));
    ASSERT_TRUE(customer->ListMove(2, 0));  // customer 1
    EXPECT_EQ(orders->GetListCount(), 2);
    EXPECT_TRUE(orders->ReadCurrentRec(true));
    EXPECT_EQ(Column(*orders, "OR_ID"), (std::vector<std::string>{"10", "11"}));
    // Customer 3's only order is closed: its group stays empty, no error.
    ASSERT_TRUE(customer->ListMove(2, 0));
    EXPECT_EQ(orders->GetListCount(), 0);
    EXPECT_TRUE(orders->ReadCurrentRec(true));
    EXPECT_EQ(orders->GetListCount(), 0);
}

TEST_F(StoreTabRereadTest, ReSortAfterReadKeepsTheRowCurrentWithItsDetails) {
    customer->SetGroupMode(false);
    ASSERT_TRUE(customer->FindList("", 0));  // 2, 1, 3, 4 with names b, A, c, d
    customer->SortList("cu_name", false, 0);
    EXPECT_EQ(Column(*customer, "CU_ID"), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(customer->GetListPos(), 1);  // customer 2 stays current
    EXPECT_EQ(customer->GetListKey(), "CU_NAME");

    RenameOnServer(2, "e");
    EXPECT_TRUE(customer->ReadCurrentRec(true));
    EXPECT_EQ(Column(*customer, "CU_ID"), (std::vector<std::string>{"1", "3", "4", "2"}));
    EXPECT_EQ(customer->GetListPos(), 3);
    EXPECT_EQ(customer->Fld("CU_ID").GetLong(), 2);
    EXPECT_EQ(Combination(), "2/20/washer");
    EXPECT_EQ(Column(*orders, "OR_ID"), (std::vector<std::string>{"20"}));
}

TEST_F(StoreTabRereadTest, BookmarkReloadReadsTheRecordFromTheServer) {
    customer->Fld("CU_ID").SetLong(3);
    ASSERT_TRUE(customer->FindRecByKey("CU_ID", 0));
    ASSERT_TRUE(customer->CreateBookmark("b"));
    ASSERT_TRUE(customer->MarkBookmark("b"));
    customer->Fld("CU_ID").SetLong(1);
    ASSERT_TRUE(customer->FindRecByKey("CU_ID", 0));
    RenameOnServer(3, "Y");
    ASSERT_TRUE(customer->GoToBookmarkReload("b", 0));
    EXPECT_EQ(customer->GetListCount(), 1);
    EXPECT_EQ(customer->Fld("CU_NAME").GetString(), "Y");
    EXPECT_EQ(Combination(), "3/30/gear");
}
