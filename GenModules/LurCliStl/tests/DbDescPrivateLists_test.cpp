// DbDesc: private lists, list building and the list primitives they use.
#include <gtest/gtest.h>

#include "DbDesc.h"
#include "DbDescError.h"
#include "DbErrorCode.h"
#include "DescBlob.h"

namespace {

using lurtest::ErrorCode;

class PrivateListTest : public ::testing::Test {
protected:
    lurtest::BlobDesc blob{{
        {"Person", {{"ID", 'l', 4, 'u'}, {"NAME", 'c', 8}, {"AGE", 's', 2}}, {}},
        {"Pet", {{"ID", 'l', 4, 'u'}}, {}},
    }};
    DbDesc& desc = blob.Desc();

    // The field texts of every record of the table's selected list.
    std::vector<std::string> Column(const std::string& field) {
        std::vector<std::string> texts;
        const RecordList& list = desc.GetListAt(desc.GetRecType("Person") - 10000);
        for (int32_t i = 0; i < list.Count(); ++i) {
            std::string text;
            desc.ValueToText(list.RecordAt(i) + desc.FieldOffset("Person", field), text,
                             desc.GetFieldNo("Person", field));
            texts.push_back(text);
        }
        return texts;
    }
};

TEST_F(PrivateListTest, PrivateListLeavesTheMainListAlone) {
    desc.SetFieldText("Person", "NAME", "main");
    desc.AddCurrentToList("Person");
    desc.BeginPrivateList("Person");
    EXPECT_TRUE(desc.UsesPrivateList(0));
    desc.SetFieldText("Person", "NAME", "priv");
    desc.AddCurrentToList("Person");
    desc.AddCurrentToList("Person");
    EXPECT_EQ(Column("NAME"), (std::vector<std::string>{"priv", "priv"}));

    desc.SetPrivateList("person", false);
    EXPECT_EQ(Column("NAME"), (std::vector<std::string>{"main"}));
    desc.SetPrivateList("Person", true);  // the content stays
    EXPECT_EQ(desc.GetListCount("Person"), 2);
    desc.BeginPrivateList("Person");  // empties it again
    EXPECT_EQ(desc.GetListCount("Person"), 0);
    EXPECT_FALSE(desc.UsesPrivateList(1));
}

TEST_F(PrivateListTest, SelectListRefusesRecordTypesOutsideTheDescription) {
    EXPECT_FALSE(desc.SelectList(9999, true));
    EXPECT_FALSE(desc.SelectList(10002, true));
    EXPECT_TRUE(desc.SelectList(10001, true));
    EXPECT_TRUE(desc.UsesPrivateList(1));
    EXPECT_TRUE(desc.SelectList(10001, false));
    EXPECT_FALSE(desc.UsesPrivateList(1));
}

TEST_F(PrivateListTest, AddToListWithValueMakesOneZeroedRecordPerValue) {
    desc.SetFieldText("Person", "AGE", "99");  // the buffer does not leak into the records
    EXPECT_FALSE(desc.AddToListWithValue("Person", "NAME", {}));
    EXPECT_TRUE(desc.AddToListWithValue("Person", "name", {"a", "b", "c"}));
    EXPECT_EQ(Column("NAME"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Column("AGE"), (std::vector<std::string>{"0", "0", "0"}));
    EXPECT_EQ(Column("ID"), (std::vector<std::string>{"0", "0", "0"}));
}

TEST_F(PrivateListTest, AddToListWithValuesFollowsTheFirstColumn) {
    EXPECT_FALSE(desc.AddToListWithValues("Person", {}));
    EXPECT_FALSE(desc.AddToListWithValues("Person", {{"AGE", {}}, {"NAME", {"x"}}}));
    EXPECT_TRUE(desc.AddToListWithValues("Person", {{"AGE", {"1", "2"}}, {"NAME", {"x", "y", "z"}}}));
    EXPECT_EQ(Column("AGE"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(Column("NAME"), (std::vector<std::string>{"x", "y"}));
    EXPECT_TRUE(desc.AddToListWithValues("Person", {{"AGE", {"3", "4"}}, {"NAME", {"w"}}}));
    EXPECT_EQ(Column("NAME"), (std::vector<std::string>{"x", "y", "w", ""}));
}

TEST_F(PrivateListTest, ListBuildingErrors) {
    EXPECT_EQ(ErrorCode([&] { desc.BeginPrivateList("Nope"); }), 2002);
    EXPECT_EQ(ErrorCode([&] { desc.AddCurrentToList("Nope"); }), 2002);
    EXPECT_EQ(ErrorCode([&] { desc.AddToListWithValue("Person", "NOPE", {"1"}); }), 2003);
    EXPECT_EQ(ErrorCode([&] { desc.AddToListWithValues("Person", {{"AGE", {"1"}}, {"NOPE", {"1"}}}); }), 2003);
    EXPECT_EQ(ErrorCode([&] { desc.AddToListWithValue("Person", "NAME", {"far too long"}); }), 2040);
    EXPECT_EQ(desc.GetListCount("Person"), 0);
    EXPECT_EQ(ErrorCode([&] { desc.FieldNoOrThrow("Person", "X", ErrorLocation("here", "NULL", 1)); }), 2003);
}

TEST_F(PrivateListTest, UpdateListEntryNeedsACurrentRecord) {
    EXPECT_FALSE(desc.UpdateListEntry("Person", false));
    try {
        desc.UpdateListEntry("Person", true);
        FAIL();
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetCode(), 10002);
        EXPECT_EQ(e.GetArgs()[0], "Person");
    }
    ASSERT_TRUE(desc.AddToListWithValue("Person", "NAME", {"a", "b"}));
    desc.GetListAt(0).position = 1;
    desc.SetFieldText("Person", "NAME", "new");
    EXPECT_TRUE(desc.UpdateListEntry("Person", true));
    EXPECT_EQ(Column("NAME"), (std::vector<std::string>{"a", "new"}));
}

TEST_F(PrivateListTest, RemoveCurrentFromListFollowsThePosition) {
    ASSERT_TRUE(desc.AddToListWithValue("Person", "NAME", {"a", "b", "c"}));
    EXPECT_FALSE(desc.RemoveCurrentFromList("Person"));  // no position
    desc.GetListAt(0).position = 1;
    EXPECT_TRUE(desc.RemoveCurrentFromList("Person"));
    EXPECT_EQ(Column("NAME"), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(desc.GetListPos("Person"), 1);
    EXPECT_EQ(desc.GetFieldText("Person", "NAME"), "c");  // the record that moved up
    EXPECT_TRUE(desc.RemoveCurrentFromList("Person"));    // the last one
    EXPECT_EQ(desc.GetListPos("Person"), 1);              // one past the end: no position
    EXPECT_EQ(desc.GetFieldText("Person", "NAME"), "a");
    EXPECT_FALSE(desc.RemoveCurrentFromList("Person"));
}

TEST_F(PrivateListTest, ClearingTheListForgetsItsPosition) {
    ASSERT_TRUE(desc.AddToListWithValue("Person", "NAME", {"a"}));
    desc.SetList("Person", desc.GetListAt(0).data.data(), desc.GetListAt(0).ByteLength());
    EXPECT_EQ(desc.GetListPos("Person"), 0);
    EXPECT_TRUE(desc.ClearList("Person"));
    EXPECT_EQ(desc.GetListPos("Person"), -1);
    EXPECT_EQ(desc.GetListCount("Person"), 0);
    EXPECT_FALSE(desc.ClearList("Nope"));
}

TEST_F(PrivateListTest, SqlInformationBeforeTheCatalogueIsRead) {
    EXPECT_EQ(desc.GetFieldSqlInfo(1).sqlType, 0);
    EXPECT_EQ(desc.GetFieldSqlInfoByName("Person", "AGE").length, 0);
    EXPECT_EQ(desc.GetFileBlobId("none", false), -1);
    EXPECT_THROW(desc.GetFileBlobId("none", true), DbDescError);
}

}  // namespace
