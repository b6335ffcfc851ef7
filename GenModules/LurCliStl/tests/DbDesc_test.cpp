// DbDesc: the object, its copies, record buffers, field values as text and
// table options.
#include "DbDesc.h"

#include <gtest/gtest.h>

#include <cstring>

#include "DbDescError.h"
#include "DbErrorCode.h"
#include "DescBlob.h"
#include "ServiceFixture.h"

using lurtest::BlobDesc;
using lurtest::FieldSpec;
using lurtest::TableSpec;

namespace {

constexpr int16_t kRaw = FieldDesc::kUnsigned;

// One table with a field of every letter, then a second table.
std::vector<TableSpec> TypesSchema() {
    return {
        {"Types",
         {{"C1", 'c', 1},
          {"C1R", 'c', 1, 'n', kRaw},
          {"C10", 'c', 10},
          {"CR4", 'c', 4, 'n', kRaw},
          {"D", 'd', 4},
          {"I", 'i', 4},
          {"IU", 'i', 4, 'n', kRaw},
          {"L", 'l', 4},
          {"LU", 'l', 4, 'n', kRaw},
          {"S", 's', 2},
          {"SU", 's', 2, 'n', kRaw},
          {"F", 'f', 4},
          {"FF", 'F', 8},
          {"G", 'g'}},
         {}},
        {"Other", {{"ID", 'l', 4, 'u'}, {"NAME", 'c', 10}}, {{"KEY", 'u', {"ID", "NAME"}}}},
    };
}

class DbDescTest : public ::testing::Test {
protected:
    BlobDesc blob{TypesSchema()};
    DbDesc& desc = blob.Desc();
};

using lurtest::ErrorCode;

// ---- text <-> value, one table per type letter -----------------------------

struct TextCase {
    const char* field;
    std::string written;
    std::string read;  // what the field reads back
    int error = 0;     // the DbDescError of the write, 0 when none
};

class FieldTextTest : public DbDescTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(FieldTextTest, WritesAndReadsBack) {
    const TextCase& c = GetParam();
    if (c.error) {
        desc.SetFieldText("Types", c.field, "");
        const std::string before = desc.GetFieldText("Types", c.field);
        try {
            desc.SetFieldText("Types", c.field, c.written);
            FAIL() << "no error for " << c.written;
        } catch (const DbDescError& e) {
            EXPECT_EQ(e.GetCode(), c.error);
            ASSERT_EQ(e.GetArgs().size(), 2u);
            EXPECT_EQ(e.GetArgs()[0], "TYPES");
            EXPECT_EQ(e.GetArgs()[1], c.field);
        }
        EXPECT_EQ(desc.GetFieldText("Types", c.field), before) << "buffer changed";
    } else {
        desc.SetFieldText("Types", c.field, c.written);
        EXPECT_EQ(desc.GetFieldText("Types", c.field), c.read) << c.written;
    }
}

INSTANTIATE_TEST_SUITE_P(OneByteText, FieldTextTest,
                         ::testing::Values(TextCase{"C1", "", ""}, TextCase{"C1", "J", "J"}, TextCase{"C1", "4A", "J"},
                                           TextCase{"C1", "0x4a", "J"}, TextCase{"C1", "0X4A", "J"},
                                           TextCase{"C1", "00", ""}, TextCase{"C1", "XX", "", 2004},
                                           TextCase{"C1", "0xXX", "", 2004}, TextCase{"C1", "4G", "", 2004},
                                           TextCase{"C1", "0Y4A", "", 2004}, TextCase{"C1", "ABC", "", 2004},
                                           TextCase{"C1R", "", std::string(1, '\0')},
                                           TextCase{"C1R", "0x00", std::string(1, '\0')}, TextCase{"C1R", "z", "z"}));

INSTANTIATE_TEST_SUITE_P(Text, FieldTextTest,
                         ::testing::Values(TextCase{"C10", "", ""}, TextCase{"C10", "123456789", "123456789"},
                                           TextCase{"C10", "1234567890", "", 2040}, TextCase{"CR4", "abc", "abc"},
                                           TextCase{"CR4", "abcd", "", 2040}));

// Signed numbers ('i', 's', 'l' without kUnsigned) saturate at the 32-bit
// signed limits like atol; 'd' and unsigned 'l' read like strtoul, so their
// whole 32-bit range round-trips.
INSTANTIATE_TEST_SUITE_P(
    Integers, FieldTextTest,
    ::testing::Values(TextCase{"D", "4294967295", "4294967295"}, TextCase{"D", "-1", "4294967295"},
                      TextCase{"D", "123", "123"}, TextCase{"D", "99999999999", "4294967295"},
                      TextCase{"D", "-3000000000", "1294967296"}, TextCase{"I", "4294967295", "2147483647"},
                      TextCase{"I", "3000000000", "2147483647"}, TextCase{"I", "-3000000000", "-2147483648"},
                      TextCase{"I", "-2147483648", "-2147483648"}, TextCase{"I", " 12abc", "12"},
                      TextCase{"I", "abc", "0"}, TextCase{"I", "99999999999", "2147483647"}, TextCase{"IU", "-1", "-1"},
                      TextCase{"IU", "3000000000", "2147483647"}, TextCase{"L", "-5", "-5"},
                      TextCase{"L", "2147483648", "2147483647"}, TextCase{"L", "3000000000", "2147483647"},
                      TextCase{"L", "99999999999", "2147483647"}, TextCase{"L", "-3000000000", "-2147483648"},
                      TextCase{"LU", "-1", "4294967295"}, TextCase{"LU", "4294967295", "4294967295"},
                      TextCase{"LU", "3000000000", "3000000000"}, TextCase{"LU", "99999999999", "4294967295"},
                      TextCase{"S", "65535", "-1"}, TextCase{"S", "-2", "-2"}, TextCase{"S", "70000", "4464"},
                      TextCase{"S", "3000000000", "-1"}, TextCase{"SU", "-1", "65535"},
                      TextCase{"SU", "40000", "40000"}));

INSTANTIATE_TEST_SUITE_P(Floats, FieldTextTest,
                         // The 4-byte maximum as printed with nine digits is the largest float, not infinity.
                         ::testing::Values(TextCase{"F", "1.5", "1.5"}, TextCase{"F", "-0.25", "-0.25"},
                                           TextCase{"F", "3.40282347e+38", "340282346638529000000000000000000000000"},
                                           TextCase{"FF", "3.25", "3.25"}, TextCase{"FF", "123456.789", "123456.789"},
                                           TextCase{"FF", "", "0"}));

TEST_F(DbDescTest, GroupsHaveNoText) {
    const int32_t group = desc.GetFieldNo("Types", "G");
    EXPECT_FALSE(desc.SetFieldText(group, "1"));
    EXPECT_EQ(desc.GetFieldText(group), "");
}

TEST_F(DbDescTest, TextFieldIsNotReadPastItsLength) {
    std::vector<char> record;
    ASSERT_TRUE(desc.CopyRecord(record, "Types"));
    const int32_t offset = desc.FieldOffset("Types", "CR4");
    std::memcpy(record.data() + offset, "wxyzQQ", 6);  // 4 bytes of the field, no zero
    ASSERT_TRUE(desc.SetRecord(record.data(), "Types"));
    EXPECT_EQ(desc.GetFieldText("Types", "CR4"), "wxyz");
}

TEST_F(DbDescTest, FieldNumbersOutsideTheirTableAreRefused) {
    const int32_t last = desc.GetFieldNo("Types", "G");  // the table's last field
    for (int32_t fieldNo : {last + 1 /* reaches the next table */, -1, 1003, 2000}) {
        EXPECT_EQ(ErrorCode([&] { desc.GetFieldText(fieldNo); }), 2003) << fieldNo;
        EXPECT_EQ(ErrorCode([&] { desc.SetFieldText(fieldNo, "1"); }), 2003) << fieldNo;
        char bytes[16] = {};
        std::vector<char> record(static_cast<size_t>(desc.GetRecordSize("Types")));
        EXPECT_EQ(ErrorCode([&] { desc.GetFieldBytes(record.data(), bytes, fieldNo); }), 2003) << fieldNo;
        EXPECT_EQ(ErrorCode([&] { desc.SetFieldBytes(record.data(), bytes, fieldNo); }), 2003) << fieldNo;
        std::string text;
        EXPECT_EQ(ErrorCode([&] { desc.ValueToText(bytes, text, fieldNo); }), 2003) << fieldNo;
        EXPECT_EQ(ErrorCode([&] { desc.TextToValue(bytes, "1", fieldNo); }), 2003) << fieldNo;
    }
    EXPECT_EQ(ErrorCode([&] { desc.GetFieldText("Types", "NAME"); }), 2003);
    EXPECT_EQ(ErrorCode([&] { desc.SetFieldText("Nope", "NAME", "x"); }), 2003);
}

TEST_F(DbDescTest, FieldBytesCopyBetweenRecordAndCaller) {
    std::vector<char> record(static_cast<size_t>(desc.GetRecordSize("Other")), '\0');
    const int32_t id = 123456;
    desc.SetFieldBytes(record.data(), &id, "Other", "ID");
    ASSERT_TRUE(desc.SetRecord(record.data(), "Other"));
    EXPECT_EQ(desc.GetFieldText("Other", "ID"), "123456");
    int32_t back = 0;
    desc.GetFieldBytes(record.data(), &back, desc.GetFieldNo("Other", "ID"));
    EXPECT_EQ(back, id);
    EXPECT_EQ(ErrorCode([&] { desc.GetFieldBytes(record.data(), &back, "Other", "KEY"); }), 2003);
}

TEST(DbDescBytes, OneByteTexts) {
    EXPECT_EQ(DbDesc::ByteToText(0x4A), "0x4A");
    EXPECT_EQ(DbDesc::ByteToText(0x00), "0x00");
    EXPECT_EQ(DbDesc::ByteToText(0xFF), "0xFF");
    EXPECT_EQ(DbDesc::CharFromText(DbDesc::ByteToText(0xE9)), static_cast<char>(0xE9));
    try {
        DbDesc::CharFromText("0Y4A");
        FAIL();
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetCode(), 2004);
        EXPECT_EQ(e.GetArgs()[0], "0Y4A");
    }
}

// ---- the object ----------------------------------------------------------------

TEST(DbDescObject, FreshDescriptionIsEmpty) {
    DbDesc desc;
    EXPECT_EQ(desc.GetRecType("ANY"), -1);
    EXPECT_EQ(desc.GetHandle(), 10014);
    EXPECT_EQ(desc.GetDbNo(), -1);
    EXPECT_STREQ(desc.GetDbName(), "");
    EXPECT_FALSE(desc.ClearRecord("ANY"));
    // The empty structure is shared by every new object: never loaded into.
    const std::string blob = lurtest::BuildDescBlob(TypesSchema());
    EXPECT_EQ(ErrorCode([&] { desc.LoadBlob(blob.data(), static_cast<int32_t>(blob.size()), "X", 1, nullptr); }),
              10011);
}

TEST_F(DbDescTest, LoadedDescriptionNamesAndNumbers) {
    EXPECT_STREQ(desc.GetDbName(), "TESTDB");
    EXPECT_EQ(desc.GetDbNo(), 7);
    EXPECT_EQ(desc.GetRecType("other"), 10001);
    EXPECT_EQ(desc.GetFieldNo("Other", "name"), 1001);
    EXPECT_EQ(desc.GetRecordSize("Types"), 1 + 1 + 10 + 4 + 4 * 5 + 2 * 2 + 4 + 8);
    EXPECT_EQ(desc.FieldOffset("Other", "NAME"), 4);
    EXPECT_EQ(desc.GetFieldLength("Types", "C10", true), 9);
    EXPECT_EQ(desc.GetFieldLength("Types", "C10", false), 10);
    EXPECT_EQ(desc.GetFieldLength("Types", "CR4", true), 4);
    EXPECT_EQ(desc.GetFieldLength("Types", "C1", true), 1);
}

TEST_F(DbDescTest, CopyOwnsBuffersAndSharesStructure) {
    desc.SetHandle(3);
    desc.SetFieldText("Other", "NAME", "source");
    desc.AddTableOption("Other", 0);
    DbDesc copy(desc);
    EXPECT_EQ(&copy.GetStruct(), &desc.GetStruct());
    EXPECT_EQ(copy.GetHandle(), 3);
    EXPECT_STREQ(copy.GetDbName(), "TESTDB");
    EXPECT_EQ(copy.GetTableOptions("Other"), (TableOptions{0, 5}));
    EXPECT_EQ(copy.GetFieldText("Other", "NAME"), "source");

    copy.SetFieldText("Other", "NAME", "copy");
    copy.AddCurrentToList("Other");
    EXPECT_EQ(desc.GetFieldText("Other", "NAME"), "source");
    EXPECT_EQ(desc.GetListCount("Other"), 0);
    EXPECT_EQ(copy.GetListCount("Other"), 1);
}

TEST_F(DbDescTest, AssignmentKeepsTheTargetsListSelection) {
    DbDesc target(desc);
    target.SetPrivateList("Other", true);
    desc.AddCurrentToList("Other");
    target = desc;
    EXPECT_TRUE(target.UsesPrivateList(1));
    EXPECT_EQ(target.GetListCount("Other"), 0);  // its private list
    target.SetPrivateList("Other", false);
    EXPECT_EQ(target.GetListCount("Other"), 1);  // the copied main list

    desc.SetPrivateList("Other", true);
    const DbDesc fresh(desc);
    EXPECT_FALSE(fresh.UsesPrivateList(1));
}

TEST_F(DbDescTest, BufferOperations) {
    EXPECT_FALSE(desc.SetRecord("", "Nope"));
    std::vector<char> record;
    EXPECT_FALSE(desc.CopyRecord(record, "Nope"));
    desc.SetFieldText("Other", "ID", "42");
    ASSERT_TRUE(desc.CopyRecord(record, "Other"));
    EXPECT_EQ(record.size(), 14u);
    EXPECT_TRUE(desc.ClearRecord("Other"));
    EXPECT_EQ(desc.GetFieldText("Other", "ID"), "0");
    EXPECT_TRUE(desc.SetRecord(record.data(), "other"));
    EXPECT_EQ(desc.GetFieldText("Other", "ID"), "42");

    std::vector<std::string> texts{"stale"};
    desc.GetFieldTexts("Other", {"NAME", "ID"}, texts);
    EXPECT_EQ(texts, (std::vector<std::string>{"", "42"}));
}

TEST_F(DbDescTest, TableOptions) {
    EXPECT_EQ(desc.GetTableOptions("Types"), DbDesc::DefaultTableOptions());
    EXPECT_EQ(desc.GetTableOptions("other"), TableOptions{5});
    desc.AddTableOption("Types", 0);
    desc.RemoveTableOption("Types", 5);
    EXPECT_EQ(desc.GetTableOptions("TYPES"), TableOptions{0});
    desc.AddTableOptions("Types", {6, 7});
    desc.RemoveTableOptions("Types", {0, 7});
    EXPECT_EQ(desc.GetTableOptions("Types"), TableOptions{6});
    desc.AddOptionToAll(2);
    EXPECT_EQ(desc.GetTableOptions("Other"), (TableOptions{2, 5}));
    desc.SetOptionsForAll({1});
    desc.AddOptionsToAll({3, 4});
    desc.RemoveOptionsFromAll({3});
    desc.RemoveOptionFromAll(1);
    EXPECT_EQ(desc.GetTableOptions("Types"), TableOptions{4});
    desc.SetTableOptions("Other", {9});
    EXPECT_EQ(desc.GetTableOptions("Other"), TableOptions{9});
    try {
        desc.AddTableOption("Nope", 1);
        FAIL();
    } catch (const LuMapExcept& e) {
        EXPECT_EQ(e.GetCode(), 8);
    }
}

TEST_F(DbDescTest, ReloadKeepsTableStatesAndRebuildsBuffers) {
    desc.AddTableOption("Other", 0);
    desc.SetFieldText("Other", "ID", "7");
    const std::string blob = lurtest::BuildDescBlob(TypesSchema());
    desc.LoadBlob(blob.data(), static_cast<int32_t>(blob.size()), "testdb", 7, nullptr);
    EXPECT_EQ(desc.GetTableOptions("Other"), (TableOptions{0, 5}));
    EXPECT_EQ(desc.GetFieldText("Other", "ID"), "0");
}

TEST_F(DbDescTest, BadBlobLeavesTheDescriptionAsItWas) {
    desc.SetFieldText("Other", "ID", "7");
    const char shortBlob[4] = {};
    EXPECT_EQ(ErrorCode([&] { desc.LoadBlob(shortBlob, 4, "X", 1, nullptr); }), 10011);
    EXPECT_EQ(desc.GetFieldText("Other", "ID"), "7");
    EXPECT_STREQ(desc.GetDbName(), "TESTDB");
}

// ---- a description from the client library's stand-in ------------------------------

TEST(DbDescService, LoadsTheDescriptionOfAService) {
    lurtest::ServiceFixture service(
        "tablespace Car 7 1.0.0.3\n"
        "table Gepjarmu\n"
        "  field GJ_ID l 4 u\n"
        "  field GJ_RENDSZ c 11 d\n"
        "  field GJ_TELJ s 2 n unsigned\n"
        "  key GJ_KEY u GJ_RENDSZ GJ_ID\n");
    DbDesc desc;
    service.LoadDesc(desc, "Car", 7);
    EXPECT_STREQ(desc.GetDbName(), "CAR");
    EXPECT_EQ(desc.GetDbNo(), 7);
    EXPECT_EQ(desc.GetHandle(), service.Handle());
    EXPECT_EQ(desc.GetRecType("gepjarmu"), 10000);
    EXPECT_EQ(desc.GetRecordSize("Gepjarmu"), 4 + 11 + 2);
    desc.SetFieldText("Gepjarmu", "GJ_TELJ", "65535");
    EXPECT_EQ(desc.GetFieldText("Gepjarmu", "GJ_TELJ"), "65535");
    EXPECT_EQ(ErrorCode([&] { desc.SetFieldText("Gepjarmu", "GJ_RENDSZ", "ABC-1234567"); }), 2040);
}

}  // namespace
