// Searching, removing and sorting inside a DbDesc list: typed comparison,
// which record the buffer holds afterwards, and the position rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "DescBlob.h"

namespace {

using Ids = std::vector<std::string>;

using lurtest::ErrorCode;

class DbDescSearchTest : public ::testing::Test {
protected:
    // A list of records with ID, GRP and NAME, in the order given.
    void Fill(const std::vector<Ids>& rows) {
        desc.ClearList("Item");
        for (const Ids& row : rows) {
            desc.ClearRecord("Item");
            desc.SetFieldText("Item", "ID", row[0]);
            desc.SetFieldText("Item", "GRP", row[1]);
            desc.SetFieldText("Item", "NAME", row[2]);
            desc.AddCurrentToList("Item");
        }
        desc.ClearRecord("Item");
    }
    Ids ListIds() {
        Ids ids;
        const int32_t position = desc.GetListPos("Item");
        for (int32_t i = 0; i < desc.GetListCount("Item"); ++i) {
            desc.SetListPos("Item", i);
            ids.push_back(Id());
        }
        desc.SetListPos("Item", position);
        return ids;
    }
    std::string Id() const { return desc.GetFieldText("Item", "ID"); }

    lurtest::BlobDesc blob{
        {{"Item", {{"ID", 'l', 4, 'u'}, {"GRP", 'i', 4, 'd'}, {"NAME", 'c', 11, 'd'}, {"BLOCK", 'g'}}, {}}}};
    DbDesc& desc = blob.Desc();
};

}  // namespace

TEST_F(DbDescSearchTest, FindInListComparesByTypeAndRestoresTheCurrentRecord) {
    Fill({{"1", "10", "alpha"}, {"2", "9", "Bravo"}, {"3", "10", "bravo"}, {"4", "010", "delta"}});
    struct Case {
        DbDesc::FieldValues values;
        int32_t start;
        int32_t found;
    };
    const std::vector<Case> cases = {
        {{{"NAME", "BRAVO"}}, 0, 1},                 // text without regard to case
        {{{"NAME", "bravo"}}, 2, 2},                 // from the start index on
        {{{"GRP", "10"}, {"NAME", "bravo"}}, 0, 2},  // every pair must match
        {{{"GRP", "10"}}, 3, 3},                     // numbers as numbers: "010" was stored as 10
        {{{"GRP", "+10"}}, 1, 2},
        {{}, 2, 2},  // no pairs: the record at start
        {{{"NAME", "nobody"}}, 0, -1},
        {{{"NAME", "alpha"}}, 4, -1},  // start at the count
        {{{"NAME", "alpha"}}, -1, -1},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(desc.SetListPos("Item", 1));
        EXPECT_EQ(desc.FindInListByValues("Item", c.values, c.start), c.found) << c.start;
        // Back on the current record; a start at the count clears the buffer.
        EXPECT_EQ(Id(), c.start >= 4 ? "0" : "2");
    }
    // Without a current record the buffer keeps the last record examined.
    desc.SetListPos("Item", -1);
    EXPECT_EQ(desc.FindInList("Item", "NAME", "bravo", 0), 1);
    EXPECT_EQ(Id(), "2");
    EXPECT_EQ(desc.FindInList("Item", "NAME", "nobody", 0), -1);
    EXPECT_EQ(Id(), "4");
    EXPECT_EQ(ErrorCode([&] { desc.FindInList("Item", "NOPE", "x", 0); }), 2003);
    EXPECT_EQ(ErrorCode([&] { desc.FindInList("Nope", "ID", "x", 0); }), 2002);

    EXPECT_TRUE(desc.LocateInList("Item", "ID", "3", 0));
    EXPECT_EQ(desc.GetListPos("Item"), 2);
    EXPECT_FALSE(desc.LocateInListByValues("Item", {{"ID", "3"}, {"GRP", "9"}}, 0));
    EXPECT_EQ(desc.GetListPos("Item"), 2);
}

TEST_F(DbDescSearchTest, RemovalMovesPositionAndBuffer) {
    struct Case {
        const char* name;
        int32_t position;
        int32_t remove;
        Ids left;
        int32_t positionAfter;
        std::string buffer;
    };
    const std::vector<Case> cases = {
        {"current in the middle: the next one takes its place", 1, 1, {"1", "3", "4"}, 1, "3"},
        {"current last: the new last record, position at the count", 3, 3, {"1", "2", "3"}, 3, "3"},
        {"before the current record: the position follows it", 2, 0, {"2", "3", "4"}, 1, "3"},
        {"after the current record: nothing moves", 1, 3, {"1", "2", "3"}, 1, "2"},
        {"no current record", -1, 0, {"2", "3", "4"}, -1, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fill({{"1", "1", "a"}, {"2", "1", "b"}, {"3", "2", "c"}, {"4", "2", "d"}});
        desc.SetListPos("Item", c.position);
        EXPECT_TRUE(desc.RemoveFromList("Item", c.remove));
        EXPECT_EQ(desc.GetListPos("Item"), c.positionAfter);
        EXPECT_EQ(Id(), c.buffer);
        desc.SetListPos("Item", -1);
        EXPECT_EQ(ListIds(), c.left);
    }
    Fill({{"1", "1", "a"}});
    desc.SetListPos("Item", 0);
    EXPECT_FALSE(desc.RemoveFromList("Item", 1));
    EXPECT_FALSE(desc.RemoveFromList("Item", -1));
    EXPECT_TRUE(desc.RemoveFromList("Item", 0));
    EXPECT_EQ(desc.GetListCount("Item"), 0);
    EXPECT_EQ(Id(), "0");

    Fill({{"1", "1", "a"}, {"2", "2", "b"}, {"3", "2", "c"}, {"4", "1", "d"}, {"5", "2", "e"}});
    EXPECT_EQ(desc.RemoveValueFromList("Item", "GRP", "2", 2), 2);
    desc.RemoveAllValuesFromList("Item", "GRP", "2", 0);
    EXPECT_EQ(ListIds(), (Ids{"1", "4"}));
    EXPECT_EQ(desc.RemoveValueFromList("Item", "GRP", "2", 0), -1);
}

TEST_F(DbDescSearchTest, SortIsStableAndDescendingIsItsExactReverse) {
    const std::vector<Ids> rows = {{"1", "2", "b"}, {"2", "1", "C"}, {"3", "2", "a"}, {"4", "-5", "c"}};
    struct Case {
        const char* field;
        bool descending;
        Ids order;
    };
    for (const Case& c : std::vector<Case>{{"GRP", false, {"4", "2", "1", "3"}},
                                           {"GRP", true, {"3", "1", "2", "4"}},
                                           {"name", false, {"3", "1", "2", "4"}},
                                           {"NAME", true, {"4", "2", "1", "3"}}}) {
        Fill(rows);
        desc.SetListPos("Item", 1);
        desc.SortList("Item", c.field, c.descending);
        EXPECT_EQ(desc.GetListPos("Item"), 1);
        EXPECT_EQ(Id(), c.order[1]);  // the position stays, the buffer takes its new record
        EXPECT_EQ(ListIds(), c.order) << c.field << c.descending;
    }
    EXPECT_EQ(desc.GetSortField("item"), "NAME");
    // "" sorts by the last sort field again.
    Fill(rows);
    desc.SortList("Item", "GRP", false);
    desc.AddToListWithValue("Item", "GRP", {"0"});
    desc.SortList("Item", "", false);
    EXPECT_EQ(ListIds(), (Ids{"4", "0", "2", "1", "3"}));
    // Emptying the list forgets the sort field.
    desc.ClearList("Item");
    EXPECT_EQ(desc.GetSortField("Item"), "");
    EXPECT_EQ(ErrorCode([&] { desc.SortList("Item", "", false); }), 2003);
    // A group has no order: one record sorts, two refuse.
    Fill({{"1", "1", "a"}});
    EXPECT_EQ(ErrorCode([&] { desc.SortList("Item", "BLOCK", false); }), 0);
    Fill(rows);
    EXPECT_EQ(ErrorCode([&] { desc.SortList("Item", "BLOCK", false); }), 2006);
}

// Each table forgets its own sort field when its list is emptied, whatever
// the other tables and copies have sorted; a copy carries the fields and
// forgets them on its own.
TEST(DbDescSortField, EmptyingAListForgetsOnlyItsOwnTablesSortField) {
    lurtest::BlobDesc blob{{{"Item", {{"ID", 'l', 4, 'u'}, {"NAME", 'c', 11, 'd'}}, {}},
                            {"Part", {{"NO", 'l', 4, 'u'}, {"CODE", 'c', 5, 'd'}}, {}}}};
    DbDesc& desc = blob.Desc();
    const auto sortBoth = [&] {
        for (const char* table : {"Item", "Part"}) {
            desc.ClearRecord(table);
            desc.AddCurrentToList(table);
        }
        desc.SortList("Item", "name", false);
        desc.SortList("Part", "NO", true);
    };
    const auto fields = [](const DbDesc& d) { return Ids{d.GetSortField("Item"), d.GetSortField("Part")}; };

    sortBoth();
    desc.ClearList("Part");
    EXPECT_EQ(fields(desc), (Ids{"NAME", ""}));
    desc.ClearList("Part");  // an empty list again: the other table keeps its field
    EXPECT_EQ(fields(desc), (Ids{"NAME", ""}));
    desc.ClearList("Item");
    EXPECT_EQ(fields(desc), (Ids{"", ""}));

    sortBoth();
    DbDesc copy(desc);
    copy.ClearList("Item");
    EXPECT_EQ(fields(copy), (Ids{"", "NO"}));
    EXPECT_EQ(fields(desc), (Ids{"NAME", "NO"}));
    copy.ClearList("Part");
    EXPECT_EQ(fields(copy), (Ids{"", ""}));
    desc = copy;
    EXPECT_EQ(fields(desc), (Ids{"", ""}));
    copy.AddCurrentToList("Part");
    copy.SortList("Part", "CODE", false);
    desc = copy;
    desc.ClearList("Part");
    EXPECT_EQ(fields(desc), (Ids{"", ""}));
    EXPECT_EQ(fields(copy), (Ids{"", "CODE"}));
}
