// RdmTable's lists: searches by key or alias, walking with ListNext the way
// the catalogue reads do, in-list searches and sorting by alias, aggregates.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "RdmTable.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Lists 6\n"
    "table Item\n"
    "  field ID     l 4  u\n"
    "  field GRP    l 4  d\n"
    "  field NAME   c 11 d\n"
    "  field AMOUNT F 8  n\n";

using lurtest::ErrorCode;

class RdmTableListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        service.Load("Lists", "Item", "ID,GRP,NAME,AMOUNT\n3,2,bravo,2.5\n1,1,alpha,-1\n4,2,Charlie,4\n2,1,delta,0\n");
        service.LoadDesc(desc, "Lists", 6);
        table = RdmTable(&desc, "Item");
        table.SetAlias("GROUP_NO", "GRP");
    }
    // The IDs met by walking the list from no current record with ListNext.
    std::vector<int32_t> Walk() {
        std::vector<int32_t> ids;
        while (table.ListNext()) ids.push_back(table.Fld("ID").GetLong());
        return ids;
    }

    lurtest::ServiceFixture service{kSchema};
    DbDesc desc;
    RdmTable table;
};

}  // namespace

TEST_F(RdmTableListsTest, FindListThenListNextWalksTheResult) {
    ASSERT_TRUE(table.FindList("", 5));
    EXPECT_EQ(Walk(), (std::vector<int32_t>{3, 1, 4, 2}));
    EXPECT_EQ(table.GetListPos(), 4);
    EXPECT_FALSE(table.ListNext());
    EXPECT_EQ(table.GetListPos(), 5);

    table.Fld("GROUP_NO").SetLong(2);
    ASSERT_TRUE(table.FindList("group_no", 5));
    EXPECT_EQ(Walk(), (std::vector<int32_t>{3, 4}));
    table.Fld("GROUP_NO").SetLong(7);
    EXPECT_FALSE(table.FindList("GRP", 5));
    EXPECT_EQ(Walk(), std::vector<int32_t>{});
    EXPECT_EQ(ErrorCode([&] { table.FindList("NOPE", 5); }), 2003);
}

TEST_F(RdmTableListsTest, RangeAndDifferenceSearches) {
    table.BeginPrivateList();
    table.AddToListWithValue("ID", {"2", "3"});
    ASSERT_TRUE(table.FindBetween("ID", 5));
    EXPECT_EQ(Walk(), (std::vector<int32_t>{2, 3}));

    table.Fld("GROUP_NO").SetLong(1);
    ASSERT_TRUE(table.FindNotEqual("GROUP_NO", 0));
    EXPECT_EQ(table.Fld("ID").GetLong(), 3);
    EXPECT_EQ(table.GetListCount(), 2);

    table.ClearList();
    table.AddCurrentToList();
    EXPECT_EQ(ErrorCode([&] { table.FindBetween("ID", 5); }), 2039);
}

TEST_F(RdmTableListsTest, InListSearchSortAndAggregateByAlias) {
    ASSERT_TRUE(table.FindList("", 0));
    table.SortList("group_no", true);
    EXPECT_EQ(table.GetListKey(), "GRP");
    ASSERT_TRUE(table.ListMove(5));
    EXPECT_EQ(Walk(), (std::vector<int32_t>{4, 3, 2, 1}));

    EXPECT_EQ(table.FindInListByValues({{"group_no", "1"}, {"name", "ALPHA"}}, 0), 3);
    EXPECT_TRUE(table.LocateInList("NAME", "charlie", 0));
    EXPECT_EQ(table.GetListPos(), 0);
    EXPECT_TRUE(table.GoToPos(2));
    std::vector<std::string> texts{"stale"};
    table.GetFieldTexts({"group_no", "NAME"}, texts);
    EXPECT_EQ(texts, (std::vector<std::string>{"1", "delta"}));

    std::string out;
    EXPECT_EQ(table.Aggregate(out, "*", 0), "4");
    EXPECT_EQ(table.Aggregate(out, "AMOUNT", 1), "5.5");
    EXPECT_EQ(table.Aggregate(out, "GROUP_NO", 4), "1");
    EXPECT_EQ(ErrorCode([&] { table.Aggregate(out, "AMOUNT", 6); }), 2007);

    EXPECT_EQ(table.RemoveValueFromList("group_no", "2", 0), 0);
    table.RemoveAllValuesFromList("GROUP_NO", "1", 0);
    EXPECT_EQ(table.GetListCount(), 1);
}

TEST_F(RdmTableListsTest, AddToListWithValuesWantsColumnsOfOneLength) {
    table.ClearList();
    EXPECT_FALSE(table.AddToListWithValues({}));
    EXPECT_FALSE(table.AddToListWithValues({{"ID", {"7", "8"}}, {"NAME", {"x", "y", "z"}}}));
    EXPECT_EQ(table.GetListCount(), 0);
    ASSERT_TRUE(table.AddToListWithValues({{"ID", {"7", "8"}}, {"NAME", {"x", "y"}}}));
    EXPECT_EQ(table.GetListCount(), 2);
    ASSERT_TRUE(table.SetListPos(1));
    EXPECT_EQ(table.Fld("ID").GetLong(), 8);
    EXPECT_EQ(table.Fld("NAME").GetString(), "y");
}
