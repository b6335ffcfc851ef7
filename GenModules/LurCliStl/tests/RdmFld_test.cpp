// RdmFld: typed values of bound and detached fields, and their comparison.
#include "RdmFld.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "DescBlob.h"
#include "RdmTable.h"

namespace {

constexpr int16_t kUnsignedFlag = FieldDesc::kUnsigned;

using lurtest::ErrorCode;

class RdmFldTest : public ::testing::Test {
protected:
    lurtest::BlobDesc blob{{
        {"T",
         {{"CH", 'c', 1},
          {"RAWCH", 'c', 1, 'n', kUnsignedFlag},
          {"NAME", 'c', 10},
          {"RAW", 'c', 4, 'n', kUnsignedFlag},
          {"I", 'i', 4},
          {"L", 'l', 4},
          {"LU", 'l', 4, 'n', kUnsignedFlag},
          {"S", 's', 2},
          {"D", 'd', 4},
          {"F", 'f', 4},
          {"FF", 'F', 8},
          {"G", 'g'}},
         {{"K", 'u', {"I", "L"}}}},
    }};
    DbDesc& desc = blob.Desc();

    RdmFld Bound(const std::string& field) { return RdmFld(&desc, "T", field, false); }
};

TEST_F(RdmFldTest, BoundFieldsReadAndWriteTheRecordBuffer) {
    RdmFld name = Bound("name");
    name.SetString("abc");
    EXPECT_EQ(desc.GetFieldText("T", "NAME"), "abc");
    desc.SetFieldText("T", "NAME", "xyz");
    EXPECT_EQ(name.GetString(), "xyz");
    EXPECT_STREQ(name.GetCStr(), "xyz");
    EXPECT_EQ(name.GetFieldNo(), 2);
    EXPECT_EQ(name.GetFullName(), "TESTDB.T.name");

    name.Detach();
    name.SetString("kept");
    EXPECT_EQ(desc.GetFieldText("T", "NAME"), "xyz");
    EXPECT_EQ(name.GetString(), "kept");
    EXPECT_EQ(name.GetDbName(), "");
}

TEST_F(RdmFldTest, RefusedWriteLeavesTheValue) {
    RdmFld name = Bound("NAME");
    name.SetString("before");
    EXPECT_EQ(ErrorCode([&] { name.SetString("far too long"); }), 2040);
    EXPECT_EQ(name.GetString(), "before");
    RdmFld ch = Bound("CH");
    EXPECT_EQ(ErrorCode([&] { ch.SetString("XX"); }), 2004);
}

TEST_F(RdmFldTest, NumberGetters) {
    RdmFld ch = Bound("CH");
    ch.SetChar('A');
    EXPECT_EQ(ch.GetLong(), 65);
    EXPECT_EQ(ch.GetDouble(), 65.0);
    ch.SetChar('\xE9');
    EXPECT_EQ(ch.GetLong(), -23);  // sign-extended, as a char of the original platform
    EXPECT_EQ(ch.GetUChar(), 0xE9);
    ch.SetChar('\0');
    EXPECT_EQ(ch.GetLong(), 0);
    EXPECT_EQ(ch.GetString(), "");

    RdmFld lu = Bound("LU");
    lu.SetString("4294967295");
    EXPECT_EQ(lu.GetULong(), 4294967295u);
    EXPECT_EQ(lu.GetLong(), -1);
    RdmFld s = Bound("S");
    s.SetLong(-2);
    EXPECT_EQ(s.GetShort(), -2);
    EXPECT_EQ(s.GetUShort(), 65534);
    RdmFld ff = Bound("FF");
    ff.SetDouble(2.5);
    EXPECT_EQ(ff.GetDouble(), 2.5);
    EXPECT_EQ(ff.GetString(), "2.5");
    RdmFld f = Bound("F");
    f.SetFloat(0.75f);
    EXPECT_EQ(f.GetFloat(), 0.75f);
    RdmFld i = Bound("I");
    i = int32_t{42};
    EXPECT_EQ(i.GetChar(), '4');
    EXPECT_EQ(i.GetInt(), 42);
    i = int16_t{-7};
    EXPECT_EQ(i.GetLong(), -7);
}

// Integer fields are read and written without their text: every letter,
// signed and unsigned, must give what the text gives.
TEST(RdmFldIntegers, IntegerAccessMatchesTheText) {
    const std::vector<int32_t> values{0,      1,     -1,    42,     -7,         32767,          32768,
                                      -32768, 65535, 70000, -70000, 2147483647, -2147483647 - 1};
    lurtest::BlobDesc numbers{{
        {"N",
         {{"I", 'i', 4},
          {"IU", 'i', 4, 'n', kUnsignedFlag},
          {"L", 'l', 4},
          {"LU", 'l', 4, 'n', kUnsignedFlag},
          {"S", 's', 2},
          {"SU", 's', 2, 'n', kUnsignedFlag},
          {"D", 'd', 4}},
         {}},
    }};
    DbDesc& numberDesc = numbers.Desc();
    for (const char* name : {"I", "IU", "L", "LU", "S", "SU", "D"}) {
        RdmFld field(&numberDesc, "N", name, false);
        FieldDesc fieldDesc;
        field.GetFieldDesc(fieldDesc);
        for (const int32_t value : values) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(value));
            numberDesc.SetFieldText("N", name, std::to_string(value));
            const std::string stored = numberDesc.GetFieldText("N", name);
            EXPECT_EQ(field.GetLong(), DbDesc::DecimalToLong(stored, fieldDesc));
            EXPECT_EQ(field.GetShort(), static_cast<int16_t>(DbDesc::DecimalToLong(stored, fieldDesc)));
            numberDesc.SetFieldText("N", name, "0");
            field.SetLong(value);
            EXPECT_EQ(numberDesc.GetFieldText("N", name), stored);
        }
    }
}

// A detached field keeps the value of its last read or write, also when
// that was an integer one.
TEST_F(RdmFldTest, DetachKeepsTheLastIntegerValue) {
    RdmFld s = Bound("S");
    s.SetLong(70000);
    EXPECT_EQ(desc.GetFieldText("T", "S"), "4464");
    RdmFld written = s;
    written.Detach();
    EXPECT_EQ(written.GetString(), "70000");  // the text written, not the 16 bits kept

    desc.SetFieldText("T", "S", "-5");
    EXPECT_EQ(s.GetLong(), -5);
    desc.SetFieldText("T", "S", "9");
    s.Detach();
    EXPECT_EQ(s.GetString(), "-5");
    EXPECT_EQ(s.GetLong(), -5);
    s.SetLong(12);
    EXPECT_EQ(desc.GetFieldText("T", "S"), "9");
    EXPECT_EQ(s.GetString(), "12");
}

TEST_F(RdmFldTest, DetachedTextConversions) {
    RdmFld l("T", "N", 'l', 0, false);
    l.SetString("12abc");
    EXPECT_EQ(l.GetLong(), 12);
    l.SetString("abc");
    EXPECT_EQ(l.GetLong(), 0);
    l.SetCStr(nullptr);
    EXPECT_EQ(l.GetString(), "");
    l.SetString("70000");
    EXPECT_EQ(l.GetShort(), 4464);  // kept to 16 bits
}

TEST_F(RdmFldTest, TypeRefusals) {
    RdmFld name = Bound("NAME");
    RdmFld group = Bound("G");
    RdmFld key = Bound("K");
    EXPECT_EQ(ErrorCode([&] { name.GetLong(); }), 2006);
    EXPECT_EQ(ErrorCode([&] { name.GetDouble(); }), 2006);
    EXPECT_EQ(ErrorCode([&] { group.GetString(); }), 2006);
    EXPECT_EQ(ErrorCode([&] { key.GetChar(); }), 2006);
    EXPECT_EQ(ErrorCode([&] { key.GetCStr(); }), 2006);
    EXPECT_EQ(ErrorCode([] { RdmFld("T", "N", 'c', 0, false); }), 2006);
    EXPECT_EQ(ErrorCode([] { RdmFld("T", "N", 'c', -3, false); }), 2006);
    EXPECT_EQ(ErrorCode([] { RdmFld("T", "N", 'x', 4, false); }), 2006);
    EXPECT_EQ(ErrorCode([&] { RdmFld(&desc, "T", "NOPE", false); }), 2003);
    EXPECT_EQ(ErrorCode([&] { RdmFld(&desc, "NOPE", "NAME", false); }), 2003);
}

TEST_F(RdmFldTest, FreeStandingFieldsHaveTheirTypesWidth) {
    FieldDesc fd;
    RdmFld("T", "N", 'F', 1, false).GetFieldDesc(fd);
    EXPECT_EQ(fd.length, 8);
    RdmFld("T", "N", 's', 9, true).GetFieldDesc(fd);
    EXPECT_EQ(fd.length, 2);
    EXPECT_EQ(fd.flags, FieldDesc::kUnsigned);
    RdmFld("T", "N", 'c', 30, false).GetFieldDesc(fd);
    EXPECT_EQ(fd.length, 30);
    EXPECT_EQ(RdmFld("T", "N", 'c', 5, false).GetFullName(), ".T.N");
}

TEST_F(RdmFldTest, SetRawTakesTheBinaryFormOfEveryType) {
    std::vector<char> record(static_cast<size_t>(desc.GetRecordSize("T")), '\0');
    const auto put = [&](const char* field, const std::string& text) {
        desc.TextToValue(record.data() + desc.FieldOffset("T", field), text, desc.GetFieldNo("T", field));
    };
    struct Case {
        const char* field;
        std::string stored;
        std::string read;
    } cases[] = {{"CH", "Q", "Q"},    {"NAME", "hello", "hello"}, {"I", "-3", "-3"},
                 {"L", "77", "77"},   {"S", "-9", "-9"},          {"D", "5", "5"},
                 {"F", "0.5", "0.5"}, {"FF", "1.25", "1.25"}};
    for (const Case& c : cases) {
        put(c.field, c.stored);
        RdmFld field = Bound(c.field);
        field.Detach();
        field.SetRaw(record.data() + desc.FieldOffset("T", c.field));
        EXPECT_EQ(field.GetString(), c.read) << c.field;
    }
    for (const char* refused : {"RAW", "RAWCH", "G", "K"}) {
        RdmFld field = Bound(refused);
        EXPECT_EQ(ErrorCode([&] { field.SetRaw(record.data()); }), 2006) << refused;
    }
}

TEST_F(RdmFldTest, TextWithoutTerminatorEndsAtTheFieldLength) {
    const char bytes[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    RdmFld name("T", "N", 'c', 10, false);
    name.SetRaw(bytes);
    EXPECT_EQ(name.GetString(), "0123456789");
}

struct CompareCase {
    char type;
    int16_t length;
    bool isUnsigned;
    std::string left;
    std::string right;
    int expected;  // -1 less, 0 equal, 1 greater
};

class RdmFldCompareTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(RdmFldCompareTest, ComparesByTheTypeLetter) {
    const CompareCase& c = GetParam();
    RdmFld left("T", "A", c.type, c.length, c.isUnsigned);
    RdmFld right("T", "B", c.type, c.length, c.isUnsigned);
    left.SetString(c.left);
    right.SetString(c.right);
    EXPECT_EQ(left < right, c.expected < 0);
    EXPECT_EQ(left > right, c.expected > 0);
    EXPECT_EQ(left == right, c.expected == 0);
    EXPECT_EQ(left != right, c.expected != 0);
    EXPECT_EQ(left == c.right, c.expected == 0);
    EXPECT_EQ(left != c.right, c.expected != 0);
    EXPECT_EQ(left < c.right, c.expected < 0);
}

INSTANTIATE_TEST_SUITE_P(
    Letters, RdmFldCompareTest,
    ::testing::Values(CompareCase{'c', 10, false, "abc", "ABC", 0}, CompareCase{'c', 10, false, "abc", "abd", -1},
                      CompareCase{'c', 10, false, "b", "A", 1}, CompareCase{'c', 1, false, "a", "B", 1},
                      CompareCase{'F', 8, false, "1.5", "1.25", 1}, CompareCase{'f', 4, false, "-1", "0.5", -1},
                      CompareCase{'l', 4, false, "-1", "1", -1}, CompareCase{'l', 4, true, "-1", "1", 1},
                      CompareCase{'l', 4, false, "3000000000", "-1", 1},
                      CompareCase{'l', 4, true, "3000000000", "2147483647", 1},
                      CompareCase{'i', 4, true, "4294967295", "1", 1}, CompareCase{'i', 4, false, "7", "7", 0},
                      CompareCase{'s', 2, false, "-1", "1", -1}, CompareCase{'s', 2, true, "-1", "1", 1}));

TEST(RdmFldCompare, LettersWithoutOrderAreRefused) {
    RdmFld a("T", "A", 'd', 4, false);
    RdmFld b("T", "B", 'd', 4, false);
    EXPECT_EQ(ErrorCode([&] { (void)(a < b); }), 2006);
    EXPECT_EQ(ErrorCode([&] { (void)(a == "1"); }), 2006);
}

TEST(RdmFldCompare, CopiesAndSelfComparison) {
    RdmFld a("T", "A", 'c', 10, false);
    a.SetString("same");
    EXPECT_TRUE(a == "SAME");  // makes the comparison copy
    RdmFld copy(a);
    EXPECT_TRUE(copy == a);
    EXPECT_TRUE(a == a);
    copy = a;
    EXPECT_EQ(copy.GetString(), "same");
}

TEST(RdmFldWidth, PrecisionAndScaleWithoutSqlInformation) {
    EXPECT_EQ(RdmFld("T", "A", 'F', 8, false).GetPrecision(), 15);
    EXPECT_EQ(RdmFld("T", "A", 'c', 10, false).GetPrecision(), 9);
    EXPECT_EQ(RdmFld("T", "A", 'c', 4, true).GetPrecision(), 4);
    EXPECT_EQ(RdmFld("T", "A", 'c', 1, false).GetPrecision(), 1);
    EXPECT_EQ(RdmFld("T", "A", 'f', 4, false).GetPrecision(), 6);
    EXPECT_EQ(RdmFld("T", "A", 'l', 4, false).GetPrecision(), 12);
    EXPECT_EQ(RdmFld("T", "A", 's', 2, false).GetPrecision(), 7);
    EXPECT_EQ(RdmFld("T", "A", 'd', 4, false).GetPrecision(), 0);
    EXPECT_EQ(RdmFld("T", "A", 'F', 8, false).GetScale(), 0);
    EXPECT_EQ(RdmFld("T", "A", 'c', 10, false).GetSqlLength(), 10);
}

TEST_F(RdmFldTest, HasNoCurrentRecordFollowsTheList) {
    RdmFld name = Bound("NAME");
    EXPECT_TRUE(name.HasNoCurrentRecord());
    desc.AddCurrentToList("T");
    desc.GetListAt(0).position = 0;
    EXPECT_FALSE(name.HasNoCurrentRecord());
    name.Detach();
    EXPECT_FALSE(name.HasNoCurrentRecord());
}

}  // namespace
