// RdmTable's moves, keys and finds: names go through the alias map (keys
// as key names, MoveByKey unresolved) and the results reach the fields.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "RdmTable.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Nav 5\n"
    "table Item\n"
    "  field ID   l 4  u\n"
    "  field GRP  l 4  d\n"
    "  field NAME c 11 d\n"
    "  field NOTE c 11 n\n"
    "  key GRPNAME d GRP NAME\n";

using lurtest::ErrorCode;

class RdmTableNavigationTest : public ::testing::Test {
protected:
    void SetUp() override {
        service.Load("Nav", "Item", "ID,GRP,NAME\n3,2,bravo\n1,1,alpha\n4,2,Charlie\n2,1,delta\n");
        service.LoadDesc(desc, "Nav", 5);
        table = RdmTable(&desc, "item");
        table.SetAlias("GROUP_NO", "GRP");
    }

    lurtest::ServiceFixture service{kSchema};
    DbDesc desc;
    RdmTable table;
};

}  // namespace

TEST_F(RdmTableNavigationTest, KeysGoThroughAliases) {
    table.DefineKey("group_no");
    EXPECT_EQ(desc.GetCurrentKey("ITEM"), "GRP");
    EXPECT_EQ(table.GetCurrentKey(), "GROUP_NO");  // reported under its alias
    ASSERT_TRUE(table.Move(0));
    EXPECT_EQ(table.Fld("ID").GetLong(), 1);
    ASSERT_TRUE(table.Move(2));
    EXPECT_EQ(table.Fld("ID").GetLong(), 2);
    // MoveByKey passes the key on unresolved: an alias is no field.
    EXPECT_EQ(ErrorCode([&] { table.MoveByKey(0, "GROUP_NO"); }), 2003);
    EXPECT_TRUE(table.MoveByKey(3, "NAME"));
    EXPECT_EQ(table.Fld("NAME").GetString(), "delta");
    EXPECT_EQ(ErrorCode([&] { table.Move(6); }), 2005);
    EXPECT_EQ(ErrorCode([&] { table.DefineKey("NOTE"); }), 2009);
    table.DefineKey("");
    EXPECT_EQ(table.GetCurrentKey(), "");
}

TEST_F(RdmTableNavigationTest, FindsByKeyFillTheFields) {
    table.Fld("GROUP_NO").SetLong(2);
    ASSERT_TRUE(table.FindRecByKey("Group_No"));
    EXPECT_EQ(table.Fld("ID").GetLong(), 3);
    EXPECT_EQ(table.GetListCount(), 1);
    ASSERT_TRUE(table.FindRecNext());
    EXPECT_EQ(table.Fld("NAME").GetString(), "Charlie");
    EXPECT_FALSE(table.FindRecNext());
    EXPECT_EQ(table.Fld("ID").GetLong(), 0);  // option 5: a failed find clears the buffer
    EXPECT_TRUE(table.IsListEmpty());

    table.Fld("GROUP_NO").SetLong(1);
    ASSERT_TRUE(table.FindRecPrevByKey("GRP"));
    EXPECT_EQ(table.Fld("ID").GetLong(), 2);  // from no match ahead: the last of the equal records
    table.Fld("ID").SetLong(4);
    ASSERT_TRUE(table.FindRecByKeyAdd("ID"));
    EXPECT_EQ(table.GetListCount(), 2);
    table.RemoveTableOption(5);
    table.Fld("ID").SetLong(99);
    EXPECT_FALSE(table.FindRecByKey("ID"));
    EXPECT_EQ(table.Fld("ID").GetLong(), 99);
}

TEST_F(RdmTableNavigationTest, KeysAnswerUnderAliases) {
    EXPECT_EQ(table.GetUniqueKeyName(), "ID");
    EXPECT_TRUE(table.IsUniqueKey("id"));
    EXPECT_FALSE(table.IsUniqueKey("GROUP_NO"));
    EXPECT_TRUE(table.IsInUniqueKey("ID"));
    EXPECT_FALSE(table.IsInUniqueKey("NAME"));
    EXPECT_TRUE(table.IsCompoundKey("grpname"));
    EXPECT_FALSE(table.IsCompoundKey("GROUP_NO"));
    EXPECT_EQ(ErrorCode([&] { table.IsCompoundKey("NOPE"); }), 2003);
    EXPECT_TRUE(table.KeyHasField("GRPNAME", "grp"));
    EXPECT_FALSE(table.KeyHasField("ID", "ID"));
    std::vector<std::string> names{"stale"};
    table.GetKeyFields("GRPNAME", names);
    EXPECT_EQ(names, (std::vector<std::string>{"GROUP_NO", "NAME"}));
    table.GetKeyFieldNames("group_no", names);
    EXPECT_EQ(names, (std::vector<std::string>{"GROUP_NO"}));
    EXPECT_EQ(table.FindKeyByFields({"GROUP_NO", "NAME"}), "GRPNAME");
    EXPECT_TRUE(table.UseUniqueKey());
    EXPECT_EQ(table.GetCurrentKey(), "ID");
    // A compound key orders and finds by its components.
    table.DefineKey("GRPNAME");
    ASSERT_TRUE(table.Move(3));
    EXPECT_EQ(table.Fld("ID").GetLong(), 4);  // (2, Charlie) after (2, bravo)
}
