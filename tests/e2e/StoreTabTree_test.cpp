// Stored tables end to end: one find on the root of the shop tree loads
// every level through liblurdbcli.so, and the rows each level holds for each
// owner row are checked apart from the code, against "lurdbadm dump" and
// against the same searches made on a second connection.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "RdmStoreTab.h"
#include "RdmTable.h"
#include "ShopService.h"

namespace {

using Row = std::map<std::string, std::string>;

// A dump's rows by the header's field names (the shop data holds no quotes
// or commas inside values).
std::vector<Row> ParseDump(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string> header;
    std::vector<Row> rows;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::vector<std::string> cells;
        std::istringstream cellStream(line);
        for (std::string cell; std::getline(cellStream, cell, ',');) cells.push_back(cell);
        if (header.empty()) {
            header = cells;
            continue;
        }
        Row row;
        for (size_t i = 0; i < header.size() && i < cells.size(); ++i) row[header[i]] = cells[i];
        rows.push_back(row);
    }
    return rows;
}

// The dump's values of field over the rows whose link field holds the value, in store order.
std::vector<std::string> DumpGroup(const std::vector<Row>& rows, const std::string& link, const std::string& value,
                                   const std::string& field) {
    std::vector<std::string> values;
    for (const Row& row : rows) {
        if (row.at(link) == value) values.push_back(row.at(field));
    }
    return values;
}

// The table's current group, field by field.
std::vector<std::string> StoredGroup(RdmStoreTab& table, const std::string& field) {
    std::vector<std::string> values;
    const int32_t position = table.GetListPos();
    for (int32_t i = 0; table.SetListPos(i); ++i) values.push_back(table.Fld(field).GetString());
    table.SetListPos(position);
    return values;
}

// The same search made on the server through a plain table.
std::vector<std::string> ServerGroup(RdmTable& table, const std::string& link, const std::string& value,
                                     const std::string& field) {
    std::vector<std::string> values;
    table.Fld(link).SetString(value);
    if (!table.FindList(link, 5)) return values;
    while (table.ListNext()) values.push_back(table.Fld(field).GetString());
    return values;
}

}  // namespace

TEST(StoreTabTree, RootFindLoadsEveryLevelAsTheStoreHoldsIt) {
    lurtest::ShopService service;
    DbDesc shop;
    service.LoadShop(shop);
    DbDesc second;
    service.LoadDesc(second, "Shop", lurtest::kShopDbNo, service.Login());
    RdmTable secondOrders(&second, "Orders");
    RdmTable secondItems(&second, "Item");
    RdmTable secondNotes(&second, "Note");

    auto customer = lurtest::MakeShopTree(shop);
    RdmStoreTab& orders = *customer->FindTable("ORDERS", "");
    RdmStoreTab& item = *customer->FindTable("ITEM", "");
    RdmStoreTab& note = *customer->FindTable("NOTE", "");
    ASSERT_TRUE(customer->FindList("", 0));

    const std::vector<Row> customerDump = ParseDump(service.Dump("Customer"));
    const std::vector<Row> orderDump = ParseDump(service.Dump("Orders"));
    const std::vector<Row> itemDump = ParseDump(service.Dump("Item"));
    const std::vector<Row> noteDump = ParseDump(service.Dump("Note"));
    ASSERT_EQ(customerDump.size(), 4U);

    size_t customers = 0, orderRows = 0, itemRows = 0, noteRows = 0;
    for (bool onRow = customer->ListMove(0, 0); onRow; onRow = customer->ListMove(2, 0)) {
        const std::string id = customer->Fld("CU_ID").GetString();
        SCOPED_TRACE("customer " + id);
        EXPECT_EQ(customerDump[customers++].at("CU_ID"), id);  // the root holds the store's order

        const std::vector<std::string> orderIds = StoredGroup(orders, "OR_ID");
        EXPECT_EQ(orderIds, DumpGroup(orderDump, "OR_CUST", id, "OR_ID"));
        EXPECT_EQ(orderIds, ServerGroup(secondOrders, "OR_CUST", id, "OR_ID"));
        const std::vector<std::string> notes = StoredGroup(note, "NO_TEXT");
        EXPECT_EQ(notes, DumpGroup(noteDump, "NO_CUST", id, "NO_TEXT"));
        EXPECT_EQ(notes, ServerGroup(secondNotes, "NO_CUST", id, "NO_TEXT"));
        orderRows += orderIds.size();
        noteRows += notes.size();

        for (bool onOrder = orders.ListMove(0, 0); onOrder; onOrder = orders.ListMove(2, 0)) {
            const std::string orderId = orders.Fld("OR_ID").GetString();
            const std::vector<std::string> items = StoredGroup(item, "IT_LINE");
            EXPECT_EQ(items, DumpGroup(itemDump, "IT_ORDER", orderId, "IT_LINE")) << "order " << orderId;
            EXPECT_EQ(items, ServerGroup(secondItems, "IT_ORDER", orderId, "IT_LINE")) << "order " << orderId;
            itemRows += items.size();
        }
    }
    // Every row of every level was met under its owner, none twice.
    EXPECT_EQ(customers, customerDump.size());
    EXPECT_EQ(orderRows, orderDump.size());
    EXPECT_EQ(itemRows, itemDump.size());
    EXPECT_EQ(noteRows, noteDump.size());
    EXPECT_EQ(orders.GetRowStore().Count(), static_cast<int32_t>(orderDump.size()));
    EXPECT_EQ(item.GetRowStore().Count(), static_cast<int32_t>(itemDump.size()));
}
