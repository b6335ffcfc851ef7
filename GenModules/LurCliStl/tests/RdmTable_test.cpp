// RdmTable: construction, fields by name, position and alias, field sets.
#include "RdmTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "DbDescError.h"
#include "DescBlob.h"
#include "ServiceFixture.h"

namespace {

// The code and arguments of the DbDescError that fn raises.
template <class Fn>
std::pair<int, std::vector<std::string>> Error(Fn fn) {
    try {
        fn();
    } catch (const DbDescError& e) {
        return {e.GetCode(), std::vector<std::string>(e.GetArgs().begin(), e.GetArgs().end())};
    }
    return {0, {}};
}

using Args = std::vector<std::string>;

class RdmTableTest : public ::testing::Test {
protected:
    lurtest::BlobDesc blob{{
        {"Other", {{"X", 'l', 4}}, {}},
        {"Gepjarmu",
         {{"ID", 'l', 4, 'u'}, {"NAME", 'c', 20}, {"AGE", 's', 2}, {"GRP", 'g'}},
         {{"KEY", 'u', {"ID", "NAME"}}}},
    }};
    DbDesc& desc = blob.Desc();
    RdmTable table{&desc, "Gepjarmu"};
};

TEST_F(RdmTableTest, ConstructionByName) {
    EXPECT_EQ(table.GetName(), "GEPJARMU");
    EXPECT_EQ(table.GetRecType(), 10001);
    EXPECT_EQ(table.GetDescPtr(), &desc);
    EXPECT_EQ(table.GetFullName(), "TESTDB.GEPJARMU");
    EXPECT_EQ(table.GetNextIdName(), "TESTDB_Gepjarmu_NextID");  // the caller's spelling
    EXPECT_EQ(table.FldCount(), 3);                              // groups and keys left out
    EXPECT_EQ(table.GetFieldNames(), (StrVector(std::string("ID")) << "NAME"
                                                                   << "AGE"));
    EXPECT_TRUE(table.IsFieldsChanged());
    EXPECT_EQ(table.GetRecordSize(), 26);
    EXPECT_EQ(table.GetFieldLength("name", true), 19);
    std::vector<FieldDesc> descs;
    table.GetFieldDescs(descs);
    EXPECT_EQ(descs.size(), 5u);

    EXPECT_EQ(Error([&] { RdmTable(&desc, "Nope"); }), (std::pair{2002, Args{"TESTDB", "Nope"}}));
    EXPECT_EQ(Error([] { RdmTable(nullptr, "Gepjarmu"); }).first, 2011);
}

TEST_F(RdmTableTest, FieldsByNameAndPosition) {
    EXPECT_EQ(table.Fld("name").GetFieldNo(), 1001);
    EXPECT_EQ(Error([&] { table.Fld("nope"); }), (std::pair{2003, Args{"GEPJARMU", "NOPE"}}));
    EXPECT_EQ(table.FldAt(0).GetName(), "ID");  // description order
    EXPECT_EQ(table.FldAt(2).GetName(), "AGE");
    EXPECT_EQ(Error([&] { table.FldAt(-1); }), (std::pair{2003, Args{"GEPJARMU", "-1"}}));
    EXPECT_EQ(Error([&] { table.FldAt(3); }), (std::pair{2003, Args{"GEPJARMU", "3"}}));
    EXPECT_EQ(table.GetFldIndex("age"), 0);  // name order: AGE, ID, NAME
    EXPECT_EQ(table.GetFldIndex("NAME"), 2);
    EXPECT_EQ(Error([&] { table.GetFldIndex("nope"); }).first, 2003);
    EXPECT_TRUE(table.HasFldName("age", true));
    EXPECT_FALSE(table.HasFldName("KEY", false));
}

TEST_F(RdmTableTest, TablesOnOneDescriptionShareTheRecord) {
    RdmTable other(table);
    table.Fld("NAME").SetString("ABC-123");
    EXPECT_EQ(other.Fld("NAME").GetString(), "ABC-123");
    RdmTable assigned;
    assigned.SetFieldsChanged(false);
    assigned = table;
    EXPECT_FALSE(assigned.IsFieldsChanged());  // assignment keeps the target's flag
    EXPECT_EQ(assigned.Fld("name").GetString(), "ABC-123");
}

// Fld keeps a lookup of its own: it must follow every change of the field
// set and lead a copy to the copy's own fields.
TEST_F(RdmTableTest, FieldLookupFollowsChangesAndCopies) {
    const RdmFld* own = &table.Fld("ID");
    EXPECT_EQ(own, &table.FldAt(0));
    EXPECT_EQ(&table.Fld("id"), own);

    RdmTable copy(table);
    EXPECT_EQ(&copy.Fld("ID"), &copy.FldAt(0));
    RdmTable assigned;
    assigned = table;
    EXPECT_EQ(&assigned.Fld("ID"), &assigned.FldAt(0));
    // The source changed after the copy: the copy keeps its own fields.
    table.SetFields({"age"});
    EXPECT_EQ(copy.Fld("AGE").GetFieldNo(), 1002);
    EXPECT_EQ(&copy.Fld("ID"), &copy.FldAt(0));
    EXPECT_EQ(&table.Fld("AGE"), &table.FldAt(0));
    EXPECT_EQ(Error([&] { table.Fld("ID"); }), (std::pair{2003, Args{"GEPJARMU", "ID"}}));

    copy.SetAlias("NUMBER", "ID");
    EXPECT_EQ(&copy.Fld("number"), &copy.FldAt(0));
    EXPECT_EQ(Error([&] { copy.Fld("ID"); }).first, 2003);
    EXPECT_EQ(copy.ResolveFieldName("Number"), "ID");
    EXPECT_EQ(copy.ResolveKeyName("NUMBER"), "ID");
    EXPECT_EQ(copy.ResolveKeyName("ID"), "ID");  // no longer an alias: passed on as given
    EXPECT_EQ(Error([&] { copy.ResolveFieldName("id"); }), (std::pair{2003, Args{"GEPJARMU", "ID"}}));
    copy.AddFreeFld("EXTRA", 'l', 4, false);
    EXPECT_TRUE(copy.Fld("EXTRA").IsDetached());
    table.CopyFields(copy);
    EXPECT_EQ(table.Fld("NUMBER").GetFieldNo(), 1000);
    EXPECT_EQ(&table.Fld("NUMBER"), &table.FldAt(0));
}

// The table remembers the field it found last: every change of the field
// set or the aliases must make it look again.
TEST_F(RdmTableTest, TheFieldFoundLastIsLookedUpAgainAfterAChange) {
    const std::vector<std::pair<const char*, std::function<void(RdmTable&)>>> changes = {
        {"SetFields",
         [](RdmTable& t) {
             t.SetFields({"name", "id"});
         }},
        {"CopyFields", [](RdmTable& t) { t.CopyFields(RdmTable(t)); }},
        {"AddFld", [](RdmTable& t) { t.AddFreeFld("EXTRA", 'l', 4, false); }},
        {"SetAlias", [](RdmTable& t) { t.SetAlias("NICK", "NAME"); }},
        {"assignment", [](RdmTable& t) { t = RdmTable(t.GetDescPtr(), "Gepjarmu"); }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        RdmTable subject(&desc, "Gepjarmu");
        ASSERT_EQ(subject.Fld("NAME").GetName(), "NAME");
        change(subject);
        const StrVector names = subject.GetFieldNames();
        const auto field = std::find(names.begin(), names.end(), "NAME");
        if (subject.HasFldName("NAME", false)) {
            ASSERT_NE(field, names.end());
            EXPECT_EQ(&subject.Fld("NAME"), &subject.FldAt(static_cast<int16_t>(field - names.begin())));
        } else {
            EXPECT_EQ(Error([&] { subject.Fld("NAME"); }).first, 2003);
        }
    }
}

TEST_F(RdmTableTest, Aliases) {
    EXPECT_TRUE(table.SetAlias("nick", "name"));
    EXPECT_EQ(table.Fld("NICK").GetName(), "NAME");
    EXPECT_EQ(Error([&] { table.Fld("NAME"); }).first, 2003);  // known by the new name only
    EXPECT_TRUE(table.SetAlias("NICK", "NAME"));               // the same again
    EXPECT_TRUE(table.SetAlias("age", "AGE"));
    EXPECT_EQ(Error([&] { table.SetAlias("NICK", "ID"); }), (std::pair{2015, Args{"NICK"}}));
    EXPECT_EQ(Error([&] { table.SetAlias("NEW", "NOPE"); }), (std::pair{2003, Args{"NOPE"}}));

    // An alias given as the field resolves to the field behind it.
    EXPECT_TRUE(table.SetAlias("handle", "nick"));
    EXPECT_EQ(table.Fld("HANDLE").GetName(), "NAME");
    EXPECT_FALSE(table.HasFldName("NICK", false));
    EXPECT_EQ(table.GetAlias("name", true), "HANDLE");
    EXPECT_EQ(table.GetAlias("X", false), "");
    EXPECT_EQ(Error([&] { table.GetAlias("X", true); }), (std::pair{2003, Args{"GEPJARMU", "X"}}));
    EXPECT_EQ(table.ResolveKeyName("handle"), "NAME");
    EXPECT_EQ(table.ResolveKeyName("Key"), "Key");  // compound keys pass as given

    std::map<std::string, std::string> aliases{{"ID", "KEEP"}};
    table.GetAliases(aliases);
    EXPECT_EQ(aliases, (std::map<std::string, std::string>{{"AGE", "AGE"}, {"ID", "KEEP"}, {"NAME", "HANDLE"}}));

    EXPECT_FALSE(Error([&] { table.SetAliases({{"A1", "ID"}, {"A2", "AGE"}}); }).first);
    EXPECT_EQ(table.Fld("a2").GetName(), "AGE");
}

TEST_F(RdmTableTest, SetFieldsReplacesTheFieldSetOrNothing) {
    table.SetFieldsChanged(false);
    EXPECT_EQ(Error([&] { table.SetFields({"ID", "NOPE"}); }).first, 2003);
    EXPECT_EQ(table.FldCount(), 3);  // unchanged
    EXPECT_FALSE(table.IsFieldsChanged());

    table.SetFields({"age", "id"});
    EXPECT_EQ(table.FldCount(), 2);
    EXPECT_EQ(table.Fld("age").GetFieldNo(), 1002);
    EXPECT_EQ(table.FldAt(1).GetFieldNo(), 1000);
    EXPECT_EQ(Error([&] { table.Fld("NAME"); }).first, 2003);
    EXPECT_TRUE(table.IsFieldsChanged());
}

TEST_F(RdmTableTest, AddedFields) {
    table.AddFreeFld("Total", 'F', 0, false);
    table.AddTextFld("label", "free text", 30);
    EXPECT_EQ(table.FldCount(), 5);
    EXPECT_EQ(table.FldAt(3).GetName(), "Total");
    EXPECT_TRUE(table.Fld("TOTAL").IsDetached());
    EXPECT_EQ(table.Fld("label").GetString(), "free text");
    table.Fld("total").SetDouble(1.5);
    EXPECT_EQ(table.Fld("total").GetDouble(), 1.5);

    EXPECT_EQ(Error([&] { table.AddFreeFld("name", 'l', 4, false); }), (std::pair{2003, Args{"name"}}));
    table.SetAlias("NICK", "NAME");
    EXPECT_EQ(Error([&] { table.AddFreeFld("Nick", 'l', 4, false); }).first, 2003);
    EXPECT_EQ(Error([&] { table.AddFld(RdmFld()); }), (std::pair{2003, Args{}}));
}

TEST_F(RdmTableTest, CopyFieldsKeepsDetachedFieldsFree) {
    table.AddFreeFld("SUM", 'l', 4, true);
    table.SetAlias("NICK", "NAME");
    RdmTable copy(&desc, "Gepjarmu");
    copy.CopyFields(table);
    EXPECT_EQ(copy.FldCount(), 4);
    EXPECT_TRUE(copy.Fld("SUM").IsDetached());
    FieldDesc fd;
    copy.Fld("SUM").GetFieldDesc(fd);
    EXPECT_EQ(fd.flags, FieldDesc::kUnsigned);
    EXPECT_FALSE(copy.Fld("NICK").IsDetached());
    table.Fld("NICK").SetString("shared");
    EXPECT_EQ(copy.Fld("NICK").GetString(), "shared");
}

TEST_F(RdmTableTest, OptionsGoToTheDescription) {
    table.AddTableOption(0);
    EXPECT_EQ(desc.GetTableOptions("Gepjarmu"), (TableOptions{0, 5}));
    table.RemoveTableOption(5);
    table.SetTableOptions({1, 2});
    EXPECT_EQ(table.GetTableOptions(), (TableOptions{1, 2}));
}

TEST(RdmTableEmpty, DefaultTableHasNoDescription) {
    RdmTable table;
    EXPECT_EQ(table.GetRecType(), -1);
    EXPECT_EQ(table.GetDescPtr(), nullptr);
    EXPECT_EQ(table.FldCount(), 0);
    for (auto call : {+[](RdmTable& t) { t.GetRecordSize(); }, +[](RdmTable& t) { t.GetTableOptions(); },
                      +[](RdmTable& t) { t.GetFullName(); }}) {
        EXPECT_EQ(Error([&] { call(table); }).first, 2011);
    }
    const ErrorLocation caller("caller", "NULL", 12);
    try {
        table.GetDesc(caller);
        FAIL();
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetLocation().line, 12);
    }
    EXPECT_EQ(Error([&] { RdmFld(table, "X", false); }).first, 2011);
}

TEST(RdmTableService, TableOnAServiceDescription) {
    lurtest::ServiceFixture service(
        "tablespace Car 7\n"
        "table Gepjarmu\n"
        "  field GJ_ID l 4 u\n"
        "  field GJ_RENDSZ c 11 d\n");
    DbDesc desc;
    service.LoadDesc(desc, "Car", 7);
    RdmTable table(&desc, "gepjarmu");
    EXPECT_EQ(table.GetNextIdName(), "CAR_gepjarmu_NextID");
    table.Fld("gj_rendsz").SetString("ABC-123");
    EXPECT_EQ(desc.GetFieldText("Gepjarmu", "GJ_RENDSZ"), "ABC-123");
}

}  // namespace
