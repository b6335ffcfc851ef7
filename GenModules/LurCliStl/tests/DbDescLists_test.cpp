// Record lists of DbDesc: the list searches on the server, moving through
// the list and its position rules, and the aggregates over it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Lists 6\n"
    "table Item\n"
    "  field ID     l 4  u\n"
    "  field GRP    l 4  d\n"
    "  field NAME   c 11 d\n"
    "  field NOTE   c 11 n\n"
    "  field AMOUNT F 8  n\n"
    "  field CODE   c 4  n\n";

constexpr const char* kRows =
    "ID,GRP,NAME,NOTE,AMOUNT\n"
    "3,2,bravo,x,-3\n"
    "1,1,alpha,x,-1\n"
    "4,2,Charlie,x,-2\n"
    "2,1,delta,x,0\n";

using lurtest::ErrorCode;

class DbDescListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        service.Load("Lists", "Item", kRows);
        service.LoadDesc(desc, "Lists", 6);
    }

    // The IDs of the list's records, in list order; the position is restored.
    std::vector<std::string> ListIds() {
        std::vector<std::string> ids;
        const int32_t position = desc.GetListPos("Item");
        for (int32_t i = 0; i < desc.GetListCount("Item"); ++i) {
            desc.SetListPos("Item", i);
            ids.push_back(Text("ID"));
        }
        if (position >= -1 && position < desc.GetListCount("Item")) desc.SetListPos("Item", position);
        return ids;
    }
    std::string Text(const char* field) const { return desc.GetFieldText("Item", field); }
    void Set(const char* field, const std::string& text) { desc.SetFieldText("Item", field, text); }

    lurtest::ServiceFixture service{kSchema};
    DbDesc desc;
};

using Ids = std::vector<std::string>;

}  // namespace

TEST_F(DbDescListsTest, ServerSearchesByValueRangeAndDifference) {
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::function<bool()> search;
        bool found;
        Ids ids;
    };
    const std::vector<Case> cases = {
        {"every record, insertion order",
         [] {},
         [&] { return desc.FindList("Item", "", 0); },
         true,
         {"3", "1", "4", "2"}},
        {"equal value, then insertion order",
         [&] { Set("GRP", "2"); },
         [&] { return desc.FindList("Item", "GRP", 0); },
         true,
         {"3", "4"}},
        {"text without regard to case",
         [&] { Set("NAME", "CHARLIE"); },
         [&] { return desc.FindList("Item", "NAME", 0); },
         true,
         {"4"}},
        {"nothing equal", [&] { Set("GRP", "9"); }, [&] { return desc.FindList("Item", "GRP", 0); }, false, {}},
        {"greater or equal, in field order",
         [&] { Set("ID", "3"); },
         [&] { return desc.FindGreater("Item", "ID", 0); },
         true,
         {"3", "4"}},
        {"less or equal, in field order",
         [&] { Set("ID", "2"); },
         [&] { return desc.FindLess("Item", "ID", 0); },
         true,
         {"1", "2"}},
        {"between, inclusive",
         [&] {
             desc.ClearList("Item");
             desc.AddToListWithValue("Item", "ID", {"2", "3"});
         },
         [&] { return desc.FindBetween("Item", "ID", 0); },
         true,
         {"2", "3"}},
        {"any of the private list's values",
         [&] {
             desc.BeginPrivateList("Item");
             desc.AddToListWithValue("Item", "NAME", {"DELTA", "bravo", "nobody"});
         },
         [&] { return desc.FindListOr("Item", "NAME", 0); },
         true,
         {"3", "2"}},
        {"not equal", [&] { Set("GRP", "1"); }, [&] { return desc.FindNotEqual("Item", "GRP", 0); }, true, {"3", "4"}},
        {"not equal, when every record holds the value",
         [&] { Set("NOTE", "X"); },
         [&] { return desc.FindNotEqual("Item", "NOTE", 0); },
         false,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        desc.ClearRecord("Item");
        c.prepare();
        EXPECT_EQ(c.search(), c.found);
        EXPECT_FALSE(desc.UsesPrivateList(0));  // results land in the main list
        EXPECT_EQ(ListIds(), c.ids);
        if (c.found) {
            EXPECT_EQ(desc.GetListPos("Item"), 0);
            EXPECT_EQ(Text("ID"), c.ids.front());
        } else {
            EXPECT_EQ(desc.GetListPos("Item"), -1);
            EXPECT_EQ(Text("ID"), "0");
        }
    }
}

TEST_F(DbDescListsTest, AppendFormsAndRefusals) {
    ASSERT_TRUE(desc.FindList("Item", "", 5));
    EXPECT_EQ(desc.GetListPos("Item"), -1);
    EXPECT_EQ(Text("ID"), "0");
    ASSERT_TRUE(desc.ListMove(2, "Item"));
    Set("GRP", "1");
    EXPECT_TRUE(desc.FindListAdd("Item", "GRP"));
    EXPECT_EQ(ListIds(), (Ids{"3", "1", "4", "2", "1", "2"}));
    EXPECT_EQ(desc.GetListPos("Item"), 0);
    // Not found appends nothing and keeps the list.
    Set("GRP", "9");
    EXPECT_FALSE(desc.FindListAdd("Item", "GRP"));
    EXPECT_EQ(desc.GetListCount("Item"), 6);
    // The greater/less Add forms empty the selected list first.
    Set("ID", "4");
    EXPECT_TRUE(desc.FindGreaterAdd("Item", "ID"));
    EXPECT_EQ(ListIds(), (Ids{"4"}));

    desc.ClearList("Item");
    desc.AddToListWithValue("Item", "ID", {"1"});
    EXPECT_EQ(ErrorCode([&] { desc.FindBetween("Item", "ID", 0); }), 2039);
    EXPECT_EQ(ErrorCode([&] { desc.FindList("Item", "NOPE", 0); }), 2003);
    EXPECT_EQ(ErrorCode([&] { desc.FindList("Nope", "ID", 0); }), 2002);
    EXPECT_EQ(ErrorCode([&] { desc.FindNotEqual("Item", "NOPE", 0); }), 2003);
}

TEST_F(DbDescListsTest, ListPositionRules) {
    ASSERT_TRUE(desc.FindList("Item", "", 0));
    // Reset, then next is the first record.
    EXPECT_TRUE(desc.ListMove(5, "Item"));
    EXPECT_EQ(desc.GetListPos("Item"), -1);
    EXPECT_TRUE(desc.ListMove(2, "Item"));
    EXPECT_EQ(Text("ID"), "3");
    // Previous at the first record: false, buffer cleared, position kept.
    EXPECT_FALSE(desc.ListMove(1, "Item"));
    EXPECT_EQ(Text("ID"), "0");
    EXPECT_EQ(desc.GetListPos("Item"), 0);
    EXPECT_EQ(ErrorCode([&] { desc.ListMove(4, "Item"); }), 2005);
    // ListNext past the end keeps raising the position.
    EXPECT_TRUE(desc.ListMove(3, "Item"));
    EXPECT_FALSE(desc.ListNext("Item"));
    EXPECT_EQ(desc.GetListPos("Item"), 4);
    EXPECT_FALSE(desc.ListNext("Item"));
    EXPECT_EQ(desc.GetListPos("Item"), 5);
    EXPECT_EQ(Text("ID"), "0");
    // SetListPos: -1 clears the buffer; the count or below -1 changes nothing.
    EXPECT_TRUE(desc.SetListPos("Item", 2));
    EXPECT_EQ(Text("ID"), "4");
    EXPECT_FALSE(desc.SetListPos("Item", 4));
    EXPECT_FALSE(desc.SetListPos(-2, "Item"));
    EXPECT_EQ(Text("ID"), "4");
    EXPECT_TRUE(desc.SetListPos("Item", -1));
    EXPECT_EQ(Text("ID"), "0");
    // An empty list: every move is false, even an unknown code.
    desc.ClearList("Item");
    EXPECT_TRUE(desc.IsListEmpty("Item"));
    EXPECT_FALSE(desc.ListMove(4, "Item"));
    EXPECT_FALSE(desc.ListMove(0, "Item"));
    // A zero-length list sits at position 0.
    desc.SetList("Item", nullptr, 0);
    EXPECT_EQ(desc.GetListPos("Item"), 0);
    EXPECT_EQ(desc.GetListCount("Item"), 0);
}

TEST_F(DbDescListsTest, AggregatesOverEmptyNegativeAndTextValues) {
    struct Case {
        const char* field;
        int32_t kind;
        const char* expected;
    };
    std::string out;
    // The empty list.
    desc.ClearList("Item");
    for (const Case& c :
         std::vector<Case>{{"*", 0, "0"}, {"AMOUNT", 1, "0"}, {"AMOUNT", 2, "0"}, {"ID", 3, "0"}, {"ID", 4, "0"}}) {
        EXPECT_EQ(desc.Aggregate(out, "Item", c.field, c.kind), c.expected) << c.field << c.kind;
    }
    // Negative and zero amounts, texts by collation without regard to case.
    ASSERT_TRUE(desc.FindList("Item", "", 0));
    for (const Case& c : std::vector<Case>{{"*", 0, "4"},
                                           {"AMOUNT", 1, "-6"},
                                           {"AMOUNT", 2, "-1.5"},
                                           {"AMOUNT", 3, "0"},
                                           {"AMOUNT", 4, "-3"},
                                           {"ID", 3, "4"},
                                           {"NAME", 3, "delta"},
                                           {"NAME", 4, "alpha"}}) {
        EXPECT_EQ(desc.Aggregate(out, "Item", c.field, c.kind), c.expected) << c.field << c.kind;
        EXPECT_EQ(out, c.expected);
    }
    EXPECT_EQ(Text("ID"), "3");  // the buffer and position are not touched
    EXPECT_EQ(ErrorCode([&] { desc.Aggregate(out, "Item", "ID", 7); }), 2007);
    EXPECT_EQ(ErrorCode([&] { desc.Aggregate(out, "Item", "*", 1); }), 2003);
    EXPECT_EQ(ErrorCode([&] { desc.Aggregate(out, "Item", "NAME", 1); }), 2006);

    // A text that fills its field without a terminating zero is read up to
    // the field's length, not beyond.
    const int32_t size = desc.GetRecordSize("Item");
    const int32_t offset = desc.FieldOffset("Item", "CODE");
    std::vector<char> block(static_cast<size_t>(size) * 2, 'Z');
    std::memcpy(block.data() + offset, "abcd", 4);
    std::memcpy(block.data() + size + offset, "abce", 4);
    desc.SetList("Item", block.data(), static_cast<int32_t>(block.size()));
    EXPECT_EQ(desc.Aggregate(out, "Item", "CODE", 3), "abce");
    EXPECT_EQ(desc.Aggregate(out, "Item", "CODE", 4), "abcd");
}
