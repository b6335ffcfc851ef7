// Stored tables against a real service: a root find loads every level of
// the shop tree grouped by owner row, navigation moves over stored rows and
// positions the children, re-reads go back to the server.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "RdmStoreTab.h"
#include "ShopService.h"

namespace {

using lurtest::ErrorCode;

class StoreTabNavigationTest : public ::testing::Test {
protected:
    void SetUp() override {
        service.LoadShop(shop);
        customer = lurtest::MakeShopTree(shop);
        orders = customer->FindTable("Orders", "");
        item = customer->FindTable("Item", "");
        note = customer->FindTable("Note", "");
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

    lurtest::ShopService service;
    DbDesc shop;
    std::unique_ptr<RdmStoreTab> customer;
    RdmStoreTab* orders = nullptr;
    RdmStoreTab* item = nullptr;
    RdmStoreTab* note = nullptr;
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
