// The stored table as an object: the registry of child tables, ownership on
// destruction, copies, links, column values, filters, clearing rows and the
// position-saving guard.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "RdmStoreTab.h"
#include "ServiceTest.h"

namespace {

using lurtest::ErrorCode;

// One shop service for the suite; every test builds its own tables.
class StoreTabObjectTest : public lurtest::ShopSuiteTest<StoreTabObjectTest> {};

}  // namespace

TEST_F(StoreTabObjectTest, ChildRegistryRefusesTakenAndMissingNames) {
    RdmStoreTab root(nullptr, &shop, "Customer", "customer", false);
    EXPECT_EQ(root.GetDisplayName(), "CUSTOMER");
    auto* child = new RdmStoreTab(&root, &shop, "Orders", "Orders", false);
    EXPECT_EQ(child->GetOwner(), &root);
    EXPECT_EQ(root.GetChildren().at("ORDERS"), child);

    // A second child of the same display name fails and leaves the first.
    EXPECT_EQ(ErrorCode([&] { RdmStoreTab twin(&root, &shop, "Note", "orders", false); }), 2017);
    EXPECT_EQ(root.GetChildren().size(), 1U);
    EXPECT_EQ(root.GetChildren().at("ORDERS"), child);

    auto* second = new RdmStoreTab(&root, &shop, "Note", "Note", false);
    EXPECT_EQ(ErrorCode([&] { second->Rename("ORDERS"); }), 2017);
    EXPECT_EQ(second->GetDisplayName(), "NOTE");
    second->Rename("Notes");  // taken as given
    EXPECT_EQ(second->GetDisplayName(), "Notes");
    EXPECT_EQ(root.GetChildren().at("Notes"), second);

    EXPECT_EQ(ErrorCode([&] { root.RemoveChild("NOPE"); }), 2015);
    EXPECT_EQ(ErrorCode([&] { root.RenameChild("NOPE", "X"); }), 2015);

    // Moving a child between owners; a taken name leaves it where it was.
    RdmStoreTab other(nullptr, &shop, "Customer", "Other", false);
    RdmStoreTab blocker(&other, &shop, "Orders", "Orders", false);
    EXPECT_EQ(ErrorCode([&] { child->SetOwner(&other); }), 2017);
    EXPECT_EQ(child->GetOwner(), &root);
    EXPECT_EQ(root.GetChildren().count("ORDERS"), 1U);
    other.RemoveChild("ORDERS");
    blocker.SetOwner(nullptr);
    child->SetOwner(&other);
    EXPECT_EQ(root.GetChildren().count("ORDERS"), 0U);
    EXPECT_EQ(other.GetChildren().at("ORDERS"), child);
}

TEST_F(StoreTabObjectTest, NoOwnerIsLeftDangling) {
    auto root = std::make_unique<RdmStoreTab>(nullptr, &shop, "Customer", "Customer", false);
    auto* detail = new RdmStoreTab(root.get(), &shop, "Orders", "Orders", false);
    new RdmStoreTab(detail, &shop, "Item", "Item", false);
    // A table destroyed on its own leaves its owner's children.
    auto* alone = new RdmStoreTab(root.get(), &shop, "Note", "Note", false);
    delete alone;
    EXPECT_EQ(root->GetChildren().count("NOTE"), 0U);

    // The master of another view hung here is not destroyed with the tree,
    // and it forgets the owner that is gone.
    auto subView = std::make_unique<RdmStoreTab>(root.get(), &shop, "Customer", "Sub", true);
    root.reset();
    EXPECT_EQ(subView->GetOwner(), nullptr);
    subView.reset();  // under the sanitizers, a dangling owner would show here
}

TEST_F(StoreTabObjectTest, CopyHasStateAndFiltersButNoOwnerOrChildren) {
    orders->SetFilterValue("OR_STATE", "open");
    orders->SetColumnValue("OR_NOTE", "x");
    orders->AddTableOption(2);
    ASSERT_TRUE(customer->FindList("", 0));
    orders->SortList("OR_ID", true, 1);  // each group in reverse key order

    RdmStoreTab copy(*orders);
    EXPECT_EQ(copy.GetOwner(), nullptr);
    EXPECT_TRUE(copy.GetChildren().empty());
    EXPECT_EQ(copy.GetDisplayName(), "ORDERS");
    EXPECT_EQ(copy.GetLinks(), orders->GetLinks());
    EXPECT_EQ(copy.GetLinkKey(), "OR_CUST");
    EXPECT_EQ(copy.GetColumnValues(), orders->GetColumnValues());
    EXPECT_EQ(copy.GetFilters(), orders->GetFilters());
    EXPECT_EQ(copy.GetCurrentGroup(), orders->GetCurrentGroup());
    EXPECT_EQ(copy.GetListPos(), orders->GetListPos());
    EXPECT_TRUE(copy.GetTableOptions().contains(2));
    // Each group's order survives the copy (a sorted group stays sorted).
    for (const auto& [key, group] : orders->GetRowStore().Groups()) {
        const RdmRowGroup* copied = copy.GetRowStore().FindGroup(key);
        ASSERT_NE(copied, nullptr);
        ASSERT_EQ(copied->rows.size(), group.rows.size());
        for (size_t i = 0; i < group.rows.size(); ++i) EXPECT_EQ(copied->rows[i]->id, group.rows[i]->id);
        EXPECT_EQ(copied->sortKey, "OR_ID");
    }
}

TEST_F(StoreTabObjectTest, LinksColumnValuesAndFilters) {
    EXPECT_TRUE(orders->IsLinkField("CU_ID", true));
    EXPECT_TRUE(orders->IsLinkField("OR_CUST", true));
    EXPECT_FALSE(orders->IsLinkField("or_cust", true));  // exact comparison
    // With the own flag clear the ancestors' links are asked; a root has none.
    EXPECT_FALSE(customer->IsLinkField("CU_ID", false));
    EXPECT_FALSE(orders->IsLinkField("OR_CUST", false));
    EXPECT_TRUE(customer->FindTable("ITEM", "")->IsLinkField("OR_CUST", false));

    // An alias of a master field renames the children's links.
    EXPECT_TRUE(customer->SetAlias("CUSTNO", "CU_ID"));
    EXPECT_EQ(orders->GetLinks().front().first, "CUSTNO");
    EXPECT_EQ(customer->FindTable("NOTE", "")->GetLinks().front().first, "CUSTNO");

    orders->SetFilterValue("OR_STATE", "open");
    orders->SetFilterValue("OR_NOTE", "a");
    orders->SetFilterValue("OR_STATE", "closed");
    EXPECT_EQ(orders->GetFilters(), (RdmStoreTab::FieldTexts{{"OR_STATE", "closed"}, {"OR_NOTE", "a"}}));
    EXPECT_EQ(orders->GetFilterValue("OR_STATE"), "closed");
    EXPECT_EQ(orders->GetFilterValue("or_state"), "");
    orders->RemoveFilter("OR_STATE");
    EXPECT_EQ(orders->GetFilters(), (RdmStoreTab::FieldTexts{{"OR_NOTE", "a"}}));
    orders->ClearFilters();
    EXPECT_TRUE(orders->GetFilters().empty());

    orders->SetColumnValue("OR_NOTE", "x");
    orders->SetColumnValue("OR_NOTE", "y");
    EXPECT_EQ(orders->GetColumnValues().at("OR_NOTE"), "y");
    orders->RemoveColumnValue("OR_NOTE");
    EXPECT_TRUE(orders->GetColumnValues().empty());
}

TEST_F(StoreTabObjectTest, ClearListOnRootEmptiesTreeOnDetailOnlyTheGroup) {
    ASSERT_TRUE(customer->FindList("", 0));
    ASSERT_TRUE(customer->ListMove(2, 0));  // customer 1: orders 10, 11, 12
    EXPECT_EQ(orders->GetListCount(), 3);
    const int32_t itemsBefore = item->GetRowStore().Count();

    EXPECT_TRUE(orders->ClearList());
    EXPECT_EQ(orders->GetListCount(), 0);
    EXPECT_EQ(orders->GetRowStore().Count(), 2);              // orders 20 and 30 stay
    EXPECT_EQ(item->GetRowStore().Count(), itemsBefore - 3);  // the items of 10 and 11 went with them

    EXPECT_TRUE(customer->ClearList());
    EXPECT_EQ(customer->GetRowStore().Count(), 0);
    EXPECT_EQ(orders->GetRowStore().Count(), 0);
    EXPECT_EQ(item->GetRowStore().Count(), 0);
    EXPECT_EQ(customer->GetListCount(), 0);
}

TEST_F(StoreTabObjectTest, RemovingAGroupWithoutCascadeIsRefused) {
    ASSERT_TRUE(customer->FindList("", 0));
    EXPECT_EQ(ErrorCode([&] { orders->RemoveGroupRows(orders->GetCurrentGroup(), true, false); }), 2012);
    EXPECT_EQ(orders->GetListCount(), 1);
}

TEST_F(StoreTabObjectTest, GuardPutsTheRowBackAndItsDestructorNeverThrows) {
    RdmStoreTab root(nullptr, &shop, "Customer", "Customer", false);
    root.AddTableOption(2);
    ASSERT_TRUE(root.FindList("", 0));
    ASSERT_TRUE(root.ListMove(2, 0));  // customer 1
    {
        RdmPositionGuard guard(root);
        EXPECT_TRUE(guard.IsArmed());
        root.SortList("CU_CITY", false, 0);
        root.ListMove(0, 0);
        guard.End();
    }
    EXPECT_EQ(root.Fld("CU_ID").GetLong(), 1);

    // Ending fails when the key field is gone: End reports, the destructor
    // keeps quiet.
    {
        RdmPositionGuard guard(root);
        root.SetFields({"CU_NAME"});
        EXPECT_EQ(ErrorCode([&] { guard.End(); }), 2003);
    }
    {
        RdmStoreTab other(nullptr, &shop, "Customer", "Customer", false);
        other.AddTableOption(2);
        ASSERT_TRUE(other.FindList("", 0));
        ASSERT_TRUE(other.ListMove(0, 0));
        RdmPositionGuard guard(other);
        other.SetFields({"CU_NAME"});
    }
    // Without option 2 the guard is not armed.
    RdmStoreTab plain(nullptr, &shop, "Orders", "Orders", false);
    plain.RemoveTableOption(2);
    ASSERT_TRUE(plain.FindList("", 0));
    RdmPositionGuard idle(plain);
    EXPECT_FALSE(idle.IsArmed());
}
