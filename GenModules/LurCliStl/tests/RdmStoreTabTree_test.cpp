// Operations over a tree of stored tables, as a view uses them: finding and
// copying tables, settings and positions on every table, gatherings.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "RdmStoreTab.h"
#include "ServiceTest.h"

namespace {

class StoreTabTreeTest : public lurtest::ShopSuiteTest<StoreTabTreeTest> {
protected:
    void SetUp() override {
        ShopSuiteTest::SetUp();
        // The master of another view, hung under the orders, with a table of its own.
        hung = std::make_unique<RdmStoreTab>(orders, &shop, "Item", "Orders", true);
        hung->AddLink("OR_ID", "IT_ORDER", "IT_ORDER");
        new RdmStoreTab(hung.get(), &shop, "Note", "HungNote", false);
    }
    void TearDown() override {
        hung.reset();  // unlists itself from the orders
        tree.reset();
    }

    std::unique_ptr<RdmStoreTab> hung;
};

}  // namespace

TEST_F(StoreTabTreeTest, FindTableStaysOutOfHungViews) {
    RdmStoreTab main(nullptr, &shop, "Customer", "MainOrders", false);
    EXPECT_EQ(main.FindTable("orders", "main"), &main);
    EXPECT_EQ(customer->FindTable("orders", ""), orders);  // not the hung master of the same name
    EXPECT_EQ(customer->FindTable("ITEM", ""), item);
    EXPECT_EQ(customer->FindTable("HungNote", ""), nullptr);
    EXPECT_EQ(hung->FindTable("HUNGNOTE", "")->GetName(), "NOTE");
}

TEST_F(StoreTabTreeTest, CountsAndGatherings) {
    int32_t tables = 0;
    customer->CountTables(tables);
    EXPECT_EQ(tables, 6);  // customer, note, orders, item, the hung master and its table
    std::vector<RdmStoreTab*> all;
    customer->CollectTables(all);
    ASSERT_EQ(all.size(), 6U);
    EXPECT_EQ(all[0], customer);
    EXPECT_EQ(all[1]->GetDisplayName(), "NOTE");  // children by display name
    EXPECT_EQ(all[2], orders);

    int16_t fields = 0;
    customer->CountFields(fields);
    EXPECT_EQ(fields, 3 + 2 + 4 + 4);  // own tables only
    std::vector<std::string> names;
    customer->CollectFieldNames(names);
    EXPECT_EQ(names.size(), 13U);
    EXPECT_EQ(names.front(), "CU_ID");
    std::vector<FieldDesc> descs;
    customer->CollectFieldDescs(descs);
    EXPECT_EQ(descs.size(), 14U);  // with the compound key of Item
    std::map<std::string, std::string> tableNames;
    customer->CollectTableNames(tableNames);
    EXPECT_EQ(tableNames, (std::map<std::string, std::string>{
                              {"CUSTOMER", "CUSTOMER"}, {"NOTE", "NOTE"}, {"ORDERS", "ORDERS"}, {"ITEM", "ITEM"}}));

    customer->SetAlias("CUSTNO", "CU_ID");
    std::map<std::string, std::string> aliases;
    customer->CollectAliases(aliases);
    EXPECT_EQ(aliases.at("CU_ID"), "CUSTNO");
    EXPECT_FALSE(aliases.contains("HUNGNOTE"));

    // Aliases gathered over every table must not collide: the hung view's
    // Item and Note share names with the tree's.
    std::map<std::string, RdmFld*> aliasFields;
    EXPECT_EQ(lurtest::ErrorCode([&] { customer->CollectAliasFields(aliasFields); }), 2017);
    std::map<std::string, RdmFld*> ownFields;
    EXPECT_EQ(lurtest::ErrorCode([&] { orders->CollectAliasFields(ownFields); }), 2017);  // IT_ORDER twice
    std::map<std::string, RdmFld*> itemFields;
    item->CollectAliasFields(itemFields);
    EXPECT_EQ(itemFields.size(), 4U);
    EXPECT_EQ(itemFields.at("IT_TEXT"), &item->Fld("IT_TEXT"));
    std::vector<RdmFld*> list;
    customer->CollectAliasFieldList(list);
    EXPECT_EQ(list.size(), 3U + 2 + 4 + 4 + 4 + 2);
}

TEST_F(StoreTabTreeTest, SettingsReachEveryTable) {
    customer->SetGroupModeTree(false);
    EXPECT_FALSE(item->GetGroupMode());
    EXPECT_FALSE(hung->FindTable("HUNGNOTE", "")->GetGroupMode());
    customer->SetGroupModeTree(true);

    RdmStoreTab::OptionsMap saved;
    customer->SaveTableOptions(saved);
    customer->AddTableOptionTree(4);
    EXPECT_TRUE(item->GetTableOptions().contains(4));
    customer->RemoveTableOptionTree(4);
    EXPECT_FALSE(item->GetTableOptions().contains(4));
    customer->SetTableOptionsTree(TableOptions{7});
    EXPECT_EQ(orders->GetTableOptions(), TableOptions{7});
    customer->RestoreTableOptions(saved);
    EXPECT_EQ(orders->GetTableOptions(), saved.at("ORDERS"));

    customer->SetFieldsChangedTree(false);
    EXPECT_FALSE(customer->AnyFieldsChanged());
    hung->FindTable("HUNGNOTE", "")->SetFieldsChanged(true);
    EXPECT_TRUE(customer->AnyFieldsChanged());

    orders->SetColumnValue("OR_NOTE", "x");
    item->SetColumnValue("IT_TEXT", "y");
    orders->ClearColumnValuesTree();  // the table and its direct children only
    EXPECT_TRUE(orders->GetColumnValues().empty());
    EXPECT_TRUE(item->GetColumnValues().empty());
}

TEST_F(StoreTabTreeTest, PositionsComeBackWithGroupMode) {
    ASSERT_TRUE(customer->FindList("", 0));
    ASSERT_TRUE(customer->ListMove(2, 0));  // customer 1
    ASSERT_TRUE(orders->ListMove(2, 0));    // order 11
    item->SetGroupMode(false);
    ASSERT_TRUE(item->ListMove(3, 0));  // the last item of all
    RdmStoreTab::PositionMap saved;
    customer->SavePositions(saved);

    customer->ListMove(3, 5);
    item->SetGroupMode(true);
    customer->RestorePositions(saved);
    EXPECT_EQ(customer->Fld("CU_ID").GetLong(), 1);
    EXPECT_EQ(orders->Fld("OR_ID").GetLong(), 11);
    EXPECT_FALSE(item->GetGroupMode());
    EXPECT_EQ(item->Fld("IT_TEXT").GetString(), "gear");
}

TEST_F(StoreTabTreeTest, CopyChildrenCopiesDetailsButNotHungViews) {
    ASSERT_TRUE(customer->FindList("", 0));
    RdmStoreTab copy(*customer);
    EXPECT_TRUE(copy.GetChildren().empty());
    RdmStoreTab::CopyChildren(*customer, &copy, {{"SHOP", &shop}});
    ASSERT_EQ(copy.GetChildren().size(), 2U);
    RdmStoreTab* copiedOrders = copy.FindTable("ORDERS", "");
    ASSERT_NE(copiedOrders, nullptr);
    EXPECT_NE(copiedOrders, orders);
    EXPECT_EQ(copiedOrders->GetRowStore().Count(), orders->GetRowStore().Count());
    EXPECT_EQ(copiedOrders->GetLinks(), orders->GetLinks());
    ASSERT_EQ(copiedOrders->GetChildren().size(), 1U);  // the item, not the hung master
    EXPECT_EQ(copiedOrders->GetChildren().begin()->second->GetRowStore().Count(), item->GetRowStore().Count());
    // The copy navigates on its own rows.
    ASSERT_TRUE(copy.ListMove(2, 0));
    EXPECT_EQ(copiedOrders->GetListCount(), 3);

    RdmStoreTab other(*customer);
    EXPECT_THROW(RdmStoreTab::CopyChildren(*customer, &other, {{"CAR", &shop}}), LuMapExcept);
}
