#include "DbStruct.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbDescError.h"
#include "File.h"
#include "FileApi.h"
#include "LastError.h"
#include "LurExceptBaseArg.h"

namespace {

// Builds description blobs: tables with their fields, compound keys, and a
// few carried entries.
class BlobBuilder {
public:
    void AddFile(unsigned char fill) { m_files.push_back(std::string(60, static_cast<char>(fill))); }
    void AddTable(const std::string& name, int16_t recordLength, int16_t dataOffset) {
        m_tables.push_back({name, recordLength, dataOffset, static_cast<int16_t>(m_fields.size())});
    }
    // A field of the last table added.
    void AddField(const std::string& name, char keyKind, char type, int16_t length, int16_t position,
                  int16_t flags = 0) {
        m_fields.push_back({name, keyKind, type, length, position, static_cast<int16_t>(m_tables.size() - 1), flags});
    }
    // A compound key of the last table over fields given by field-array index.
    void AddCompoundKey(const std::string& name, const std::vector<int16_t>& components) {
        const auto keyField = static_cast<int16_t>(m_fields.size());
        AddField(name, 'x', 'k', 0, static_cast<int16_t>(m_keys.size()));
        for (int16_t c : components) m_keys.push_back({keyField, c});
    }
    void AddCarriedEntries() {
        m_sets = 1;
        m_members = 1;
        m_sorts = 1;
    }

    int RecordOffset(int r) const { return 22 + 60 * static_cast<int>(m_files.size()) + 12 * r; }
    int FieldOffset(int f) const { return RecordOffset(static_cast<int>(m_tables.size())) + 20 * f; }
    int KeyOffset(int k) const {
        return FieldOffset(static_cast<int>(m_fields.size())) + 12 * m_sets + 8 * m_members + 4 * m_sorts + 8 * k;
    }

    std::string Build(bool lastNewline = true) const {
        std::string blob = "HEADER!!";
        for (int count :
             {static_cast<int>(m_files.size()), static_cast<int>(m_tables.size()), static_cast<int>(m_fields.size()),
              m_sets, m_members, m_sorts, static_cast<int>(m_keys.size())})
            Put16(blob, static_cast<int16_t>(count));
        for (const std::string& f : m_files) blob += f;
        for (const Table& t : m_tables) {
            for (int16_t v : {int16_t{0}, t.recordLength, t.dataOffset, t.firstField, int16_t{0}, int16_t{0}})
                Put16(blob, v);
        }
        for (const Field& f : m_fields) {
            blob += f.keyKind;
            blob += f.type;
            Put16(blob, f.length);
            for (int i = 0; i < 5; ++i) Put16(blob, 0);
            Put16(blob, f.position);
            Put16(blob, f.record);
            Put16(blob, f.flags);
        }
        blob += std::string(12 * m_sets + 8 * m_members + 4 * m_sorts, '\0');
        for (const Key& k : m_keys) {
            for (int16_t v : {k.keyField, k.component, int16_t{0}, int16_t{0}}) Put16(blob, v);
        }
        for (const Table& t : m_tables) blob += t.name + '\n';
        for (const Field& f : m_fields) blob += f.name + '\n';
        if (!lastNewline) blob.pop_back();
        return blob;
    }

    static void Put16(std::string& blob, int16_t v) {
        char b[2];
        std::memcpy(b, &v, 2);
        blob.append(b, 2);
    }
    static void Set16(std::string& blob, int offset, int16_t v) { std::memcpy(&blob[offset], &v, 2); }

private:
    struct Table {
        std::string name;
        int16_t recordLength, dataOffset, firstField;
    };
    struct Field {
        std::string name;
        char keyKind, type;
        int16_t length, position, record, flags;
    };
    struct Key {
        int16_t keyField, component;
    };
    std::vector<std::string> m_files;
    std::vector<Table> m_tables;
    std::vector<Field> m_fields;
    std::vector<Key> m_keys;
    int m_sets = 0, m_members = 0, m_sorts = 0;
};

// Field-array indexes: Gepjarmu 0-5, Link 6-8, Naplo 9-11.
BlobBuilder CarBuilder() {
    BlobBuilder b;
    b.AddFile(0x11);
    b.AddFile(0x22);
    b.AddTable("Gepjarmu", 48, 4);  // four leading bytes the client does not exchange
    b.AddField("GJ_ID", 'u', 'l', 4, 4);
    b.AddField("Rendszam", 'n', 'c', 30, 8);
    b.AddField("Tipus", 'n', 'c', 1, 38);
    b.AddField("Nyers", 'n', 'c', 2, 39, FieldDesc::kUnsigned);
    b.AddField("Csoport", 'n', 'g', 6, 8);
    b.AddCompoundKey("RendTip", {1, 2});
    b.AddTable("Link", 12, 0);
    b.AddField("A", 'n', 'l', 4, 0);
    b.AddField("B", 'n', 'l', 4, 4);
    b.AddField("C", 'u', 'l', 4, 8);
    b.AddTable("naplo", 12, 0);
    b.AddField("X", 'n', 'l', 4, 0);
    b.AddField("y", 'n', 's', 2, 4);
    b.AddField("Z", 'n', 'l', 4, 8);
    b.AddCarriedEntries();
    return b;
}

class DbStructTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string blob = CarBuilder().Build();
        s.ParseBlob(blob.data(), static_cast<int>(blob.size()));
        s.SetDbName("CAR");
        s.SetDbNo(7);
    }
    template <class F>
    static int CodeOf(F&& f) {
        try {
            f();
        } catch (const DbDescError& e) {
            return e.GetCode();
        }
        return -1;
    }
    template <class F>
    static StrVector ArgsOf(F&& f) {
        try {
            f();
        } catch (const LurExceptBaseArg& e) {
            return e.GetArgs();
        }
        return StrVector();
    }
    DbStruct s;
};

TEST(DbStructEmpty, BlobWithNoEntriesGivesEmptyStructure) {
    const std::string blob = BlobBuilder().Build();
    DbStruct s;
    s.ParseBlob(blob.data(), static_cast<int>(blob.size()));
    EXPECT_EQ(s.GetRecType("X"), -1);
    EXPECT_EQ(s.GetFieldNo("X", "Y"), -1);
    EXPECT_EQ(s.GetTableName(10000), "");
    EXPECT_TRUE(s.GetRecordDescs().empty());
    EXPECT_EQ(s.GetDbNo(), -1);
    EXPECT_STREQ(s.GetDbName(), "");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.GetHeader().data()), 8), "HEADER!!");
}

TEST_F(DbStructTest, NamesAreUpperCasedAndFoundInAnyCase) {
    for (const char* name : {"GEPJARMU", "gepjarmu", "Gepjarmu"}) EXPECT_EQ(s.GetRecType(name), 10000) << name;
    EXPECT_EQ(s.GetRecType("NAPLO"), 10002);
    EXPECT_EQ(s.GetTableName(10001), "LINK");
    EXPECT_EQ(s.GetFieldNo("gepjarmu", "rendSZAM"), 1);
    EXPECT_EQ(s.GetFieldNo("NAPLO", "Y"), 2001);
    EXPECT_EQ(s.GetFieldNo("LINK", "GJ_ID"), -1);  // a field of another table
    EXPECT_EQ(s.GetFieldNo("NOSUCH", "A"), -1);
    std::string table;
    EXPECT_EQ(s.GetFieldName(2001, &table), "Y");
    EXPECT_EQ(table, "NAPLO");
    EXPECT_EQ(s.GetFieldName(3000), "");
}

TEST_F(DbStructTest, FieldNumbersAndIndexes) {
    // Past the table's last field: a field of the next table.
    EXPECT_EQ(s.GetFieldName(1005), "Z");
    EXPECT_EQ(s.GetFieldDesc(1005).record, 2);
    EXPECT_EQ(CodeOf([&] { s.GetFieldDesc(1006); }), 2003);
    EXPECT_EQ(ArgsOf([&] { s.GetFieldDesc(1006); }), StrVector("CAR.fld: 1006"));
    EXPECT_EQ(CodeOf([&] { s.GetFieldDesc(-1); }), 2003);

    EXPECT_EQ(s.GetFileDesc(65536).bytes[0], 0x11);  // the index is taken as 16 bits
    EXPECT_EQ(s.GetFileDesc(1).bytes[59], 0x22);
    EXPECT_EQ(ArgsOf([&] { s.GetFileDesc(2); }), StrVector("CAR ID: 2"));
    EXPECT_EQ(CodeOf([&] { s.GetRecDescAt(-1); }), 2002);
    EXPECT_EQ(ArgsOf([&] { s.GetRecDescAt(-1); }), StrVector("CAR offset: -1"));
    EXPECT_EQ(s.GetRecDesc(10001).firstField, 6);
    EXPECT_EQ(s.GetFieldDescAt(11).type, 'l');
    EXPECT_EQ(ArgsOf([&] { s.GetFieldDescAt(12); }), StrVector("CAR.fldoffset: 12"));
    EXPECT_EQ(ArgsOf([&] { s.GetFieldDescByName("Link", "gj_id"); }), StrVector("Link") << "gj_id");
}

TEST_F(DbStructTest, RecordSizesAndFieldLengths) {
    EXPECT_EQ(s.GetRecordSize("gepjarmu"), 44);  // record length 48 less the data offset 4
    EXPECT_EQ(s.GetRecordSize("LINK"), 12);
    // An unknown table is a plain LurExceptBaseArg, without location.
    try {
        s.GetRecordSize("NOSUCH");
        FAIL();
    } catch (const DbDescError&) {
        FAIL() << "not a DbDescError";
    } catch (const LurExceptBaseArg& e) {
        EXPECT_EQ(e.GetCode(), 2002);
        EXPECT_EQ(e.GetArgs(), StrVector("NOSUCH"));
        EXPECT_TRUE(e.GetLocation().file.empty());
    }
    EXPECT_EQ(s.GetFieldLength("GEPJARMU", "TIPUS", true), 1);
    EXPECT_EQ(s.GetFieldLength("GEPJARMU", "RENDSZAM", true), 29);
    EXPECT_EQ(s.GetFieldLength("GEPJARMU", "RENDSZAM", false), 30);
    EXPECT_EQ(s.GetFieldLength("GEPJARMU", "NYERS", true), 2);  // raw bytes: no zero
}

TEST_F(DbStructTest, FieldListsLeaveOutGroupAndCompoundFields) {
    std::vector<std::string> names{"old"};
    s.GetFieldNamesByName("Gepjarmu", names, false);
    EXPECT_EQ(names, (std::vector<std::string>{"GJ_ID", "RENDSZAM", "TIPUS", "NYERS"}));
    s.GetFieldNames(10000, names, true);
    EXPECT_EQ(names.size(), 6u);
    std::vector<FieldDesc> descs;
    s.GetFieldDescsByName("LINK", descs, false);
    EXPECT_EQ(descs.size(), 3u);
    s.GetFieldDescs(10009, descs, true);
    EXPECT_TRUE(descs.empty());
}

TEST_F(DbStructTest, Keys) {
    EXPECT_EQ(s.GetUniqueKey(10001), 1002);  // its third field
    EXPECT_EQ(s.GetUniqueKeyByName("gepjarmu"), 0);
    EXPECT_EQ(s.GetUniqueKeyByName("naplo"), -1);
    EXPECT_EQ(s.GetUniqueKeyDesc("LINK").position, 8);
    EXPECT_TRUE(s.IsUniqueKey("LINK", "c"));
    EXPECT_FALSE(s.IsUniqueKey("LINK", ""));
    EXPECT_EQ(CodeOf([&] { s.IsUniqueKey("LINK", "nosuch"); }), 2003);
    EXPECT_TRUE(s.IsCompoundKey("GEPJARMU", "RENDTIP"));
    EXPECT_TRUE(s.IsCompoundKey(5));
    EXPECT_FALSE(s.IsCompoundKey(1));

    std::vector<KeyDesc> keys;
    s.GetKeyComponents(5, keys);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[1].component, 2);
    s.GetKeyComponents(1, keys);
    EXPECT_TRUE(keys.empty());
    std::vector<FieldDesc> descs;
    s.GetKeyComponentDescs(5, descs);
    ASSERT_EQ(descs.size(), 2u);
    EXPECT_EQ(descs[0].length, 30);

    std::vector<std::string> names{"kept"};
    s.GetKeyFields("gepjarmu", "rendtip", names);  // appends
    EXPECT_EQ(names, (std::vector<std::string>{"kept", "RENDSZAM", "TIPUS"}));
    s.GetKeyComponentNames(9999, names);  // a bad number empties the list
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(CodeOf([&] { s.GetKeyFields("GEPJARMU", "NOSUCH", names); }), 2003);
    s.GetKeyFieldNames("GEPJARMU", "GJ_ID", names);
    EXPECT_EQ(names, std::vector<std::string>{"GJ_ID"});
    EXPECT_EQ(CodeOf([&] { s.GetKeyFieldNames("GEPJARMU", "NOSUCH", names); }), 2003);

    EXPECT_TRUE(s.KeyHasField("GEPJARMU", "RendTip", "tipus"));
    EXPECT_FALSE(s.KeyHasField("GEPJARMU", "RendTip", "GJ_ID"));
    EXPECT_FALSE(s.KeyHasField("GEPJARMU", "NOSUCH", "TIPUS"));
    EXPECT_FALSE(s.KeyHasField(0, "GJ_ID"));  // not a compound key
    EXPECT_FALSE(s.KeyHasField(5, "tipus"));  // by number the name is compared exactly

    // The result is the caller's own text: a later lookup leaves it alone.
    const std::string found = s.FindKeyByFields("Gepjarmu", {"tipus", "RENDSZAM"});
    EXPECT_EQ(s.FindKeyByFields("Gepjarmu", {"TIPUS"}), "");
    EXPECT_EQ(found, "RENDTIP");
    EXPECT_EQ(s.FindKeyByFields("NOSUCH", {"TIPUS"}), "");
    // The names count as often as they are given: a repeated component is no match.
    EXPECT_EQ(s.FindKeyByFields("Gepjarmu", {"TIPUS", "TIPUS"}), "");
    EXPECT_EQ(s.FindKeyByFields("Gepjarmu", {"RENDSZAM", "RENDSZAM"}), "");
    EXPECT_EQ(s.FindKeyByFields("Gepjarmu", {"RENDSZAM", "TIPUS", "TIPUS"}), "");
}

TEST_F(DbStructTest, CheckedLookupsReportTheCallersLocation) {
    const ErrorLocation where("GenModules\\LurCliStl\\RdmTable", "NULL", 42);
    EXPECT_EQ(s.GetFieldAddress("naplo", "z", where), std::make_pair(10002, 2002));
    try {
        s.GetFieldAddress("naplo", "nosuch", where);
        FAIL();
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetCode(), 2003);
        EXPECT_EQ(e.GetLocation().line, 42);
        EXPECT_EQ(e.GetArgs(), StrVector("naplo") << "nosuch");
    }
    EXPECT_EQ(CodeOf([&] { s.GetRecTypeOrThrow("nosuch", where); }), 2002);
}

TEST_F(DbStructTest, SqlInfoAndBlobFiles) {
    EXPECT_EQ(s.GetFieldSqlInfo(2002).sqlType, 0);
    EXPECT_EQ(ArgsOf([&] { s.GetFieldSqlInfo(3000); }), StrVector("CAR.fld: 3000"));
    EXPECT_EQ(ArgsOf([&] { s.GetFieldSqlInfo(2003); }), StrVector());
    EXPECT_EQ(CodeOf([&] { s.GetFieldSqlInfo(2003); }), 2003);
    EXPECT_EQ(CodeOf([&] { s.GetFieldSqlInfoByName("NAPLO", "W"); }), 2003);

    s.SetBlobFile("Photos", 12);
    EXPECT_EQ(s.GetBlobFileId("PHOTOS", true), 12);
    EXPECT_EQ(s.GetBlobFileId("other", false), -1);
    EXPECT_EQ(ArgsOf([&] { s.GetBlobFileId("other", true); }), StrVector("SYS.FILEBLOBS.FB_ALIAS: other"));
}

TEST_F(DbStructTest, CopiesAndClear) {
    s.FindKeyByFields("GEPJARMU", {"TIPUS", "RENDSZAM"});
    DbStruct copy(s);
    EXPECT_EQ(copy.GetRecType("LINK"), 10001);
    EXPECT_EQ(copy.GetDbNo(), 7);
    EXPECT_STREQ(copy.GetDbName(), "CAR");
    copy.Clear();
    EXPECT_EQ(copy.GetRecType("LINK"), -1);
    EXPECT_EQ(copy.GetDbNo(), -1);
    EXPECT_EQ(s.GetRecType("LINK"), 10001);
}

TEST(DbStructNames, LastNameWithoutNewlineAndMissingNames) {
    BlobBuilder b;
    b.AddTable("T", 4, 0);
    b.AddField("first", 'n', 'l', 4, 0);
    std::string blob = b.Build(false);
    DbStruct s;
    s.ParseBlob(blob.data(), static_cast<int>(blob.size()));
    EXPECT_EQ(s.GetFieldNo("T", "FIRST"), 0);

    // Cut inside the field name: the table name is whole, the field name cut.
    blob = b.Build();
    blob.resize(blob.size() - 5);
    s.ParseBlob(blob.data(), static_cast<int>(blob.size()));
    EXPECT_EQ(s.GetAllFieldNames(), std::vector<std::string>{"F"});
    // No names at all: every name is "".
    blob.resize(blob.size() - 3);
    s.ParseBlob(blob.data(), static_cast<int>(blob.size()));
    EXPECT_EQ(s.GetTableNames(), std::vector<std::string>{""});
    EXPECT_EQ(s.GetAllFieldNames(), std::vector<std::string>{""});
}

// Upper-case names and carried bytes that are not zero, so that the image
// has to give every part back.
std::string UpperCaseBlobWithCarriedBytes() {
    BlobBuilder b;
    b.AddFile(0x5A);
    b.AddTable("AUTO", 20, 4);
    b.AddField("ID", 'u', 'l', 4, 4);
    b.AddField("RENDSZ", 'd', 'c', 11, 8);
    b.AddField("NYERS", 'n', 'c', 1, 19, FieldDesc::kUnsigned);
    b.AddCompoundKey("KULCS", {0, 1});
    b.AddTable("LOG", 8, 0);
    b.AddField("\xC1LLAPOT", 'n', 'F', 8, 0);
    b.AddCarriedEntries();
    std::string blob = b.Build();
    BlobBuilder::Set16(blob, b.RecordOffset(0) + 8, 0x1234);    // uninterpreted record bytes
    BlobBuilder::Set16(blob, b.FieldOffset(1) + 6, 0x0777);     // uninterpreted field bytes
    BlobBuilder::Set16(blob, b.KeyOffset(0) - 24 + 2, 0x0101);  // the set entry
    BlobBuilder::Set16(blob, b.KeyOffset(0) - 12, 0x0202);      // the member entry
    BlobBuilder::Set16(blob, b.KeyOffset(0) - 4 + 2, 0x0303);   // the sort entry
    BlobBuilder::Set16(blob, b.KeyOffset(1) + 6, 0x0404);       // uninterpreted key bytes
    return blob;
}

TEST(DbStructImage, ImageGivesAnUpperCaseBlobBackByteForByte) {
    const std::string blob = UpperCaseBlobWithCarriedBytes();
    DbStruct s;
    s.ParseBlob(blob.data(), static_cast<int>(blob.size()));
    EXPECT_EQ(s.GetImage(), blob);

    char* image = nullptr;
    int length = 0;
    ASSERT_EQ(s.ToBlob(&image, &length), 0);
    const std::unique_ptr<char[]> owned(image);
    EXPECT_EQ(std::string(image, static_cast<size_t>(length)), blob);

    DbStruct loaded;
    EXPECT_EQ(loaded.LoadImage(image, length, "kocsik", 12), 0);
    EXPECT_STREQ(loaded.GetDbName(), "KOCSIK");
    EXPECT_EQ(loaded.GetDbNo(), 12);
    EXPECT_EQ(loaded.GetFieldNo("log", "\xC1llapot"), 1000);
    EXPECT_EQ(loaded.GetImage(), blob);
}

TEST(DbStructImage, NamesComeBackUpperCasedAndTheImageIsWhole) {
    const std::string blob = CarBuilder().Build(false);  // mixed case, no newline after the last name
    DbStruct s;
    s.ParseBlob(blob.data(), static_cast<int>(blob.size()));
    const std::string image = s.GetImage();
    EXPECT_EQ(image.size(), blob.size() + 1);
    EXPECT_EQ(image.substr(0, 22), blob.substr(0, 22));
    EXPECT_EQ(image.substr(image.size() - 3), "\nZ\n");
    DbStruct again;
    again.LoadImage(image.data(), static_cast<int>(image.size()), "", 3);
    EXPECT_STREQ(again.GetDbName(), "");
    EXPECT_EQ(again.GetTableNames(), (std::vector<std::string>{"GEPJARMU", "LINK", "NAPLO"}));
    EXPECT_EQ(again.GetImage(), image);
}

// The header keeps its counts through a Clear; the image must count what the
// structure holds, or it could not be read back.
TEST(DbStructImage, ImageOfAClearedStructureIsAnEmptyDescription) {
    const std::string blob = CarBuilder().Build();
    DbStruct s;
    s.ParseBlob(blob.data(), static_cast<int>(blob.size()));
    s.Clear();
    const std::string image = s.GetImage();
    EXPECT_EQ(image, std::string("HEADER!!") + std::string(14, '\0'));
    DbStruct loaded;
    EXPECT_NO_THROW(loaded.LoadImage(image.data(), static_cast<int>(image.size()), "X", 1));
    EXPECT_TRUE(loaded.GetRecordDescs().empty());
}

TEST(DbStructImage, BadImageIsRefusedLikeABadBlob) {
    DbStruct s;
    try {
        s.LoadImage("short", 5, "X", 1);
        ADD_FAILURE() << "accepted";
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetCode(), 10011);
    }
}

TEST(DbStructCorrupt, BadBlobsAreRefusedWhole) {
    const BlobBuilder b = CarBuilder();
    const std::string good = b.Build();
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
    };
    const Case cases[] = {
        {"shorter than the header", [](std::string& blob) { blob.resize(21); }},
        {"negative count", [](std::string& blob) { BlobBuilder::Set16(blob, 12, -1); }},
        {"count with bit 15 set", [](std::string& blob) { BlobBuilder::Set16(blob, 8, int16_t(0x8002)); }},
        {"arrays past the end", [&](std::string& blob) { blob.resize(static_cast<size_t>(b.KeyOffset(2)) - 1); }},
        {"count larger than the arrays", [](std::string& blob) { BlobBuilder::Set16(blob, 20, 3000); }},
        {"data offset past the record",
         [&](std::string& blob) { BlobBuilder::Set16(blob, b.RecordOffset(0) + 4, 49); }},
        {"negative record length", [&](std::string& blob) { BlobBuilder::Set16(blob, b.RecordOffset(1) + 2, -1); }},
        {"first field past the fields",
         [&](std::string& blob) { BlobBuilder::Set16(blob, b.RecordOffset(2) + 6, 13); }},
        {"field of no table", [&](std::string& blob) { BlobBuilder::Set16(blob, b.FieldOffset(3) + 16, 3); }},
        {"negative field length", [&](std::string& blob) { BlobBuilder::Set16(blob, b.FieldOffset(0) + 2, -4); }},
        {"field past the record", [&](std::string& blob) { BlobBuilder::Set16(blob, b.FieldOffset(1) + 2, 41); }},
        {"field inside the data offset",
         [&](std::string& blob) { BlobBuilder::Set16(blob, b.FieldOffset(0) + 14, 2); }},
        {"number field shorter than its type",
         [&](std::string& blob) { BlobBuilder::Set16(blob, b.FieldOffset(0) + 2, 2); }},
        {"short field shorter than its type",
         [&](std::string& blob) { BlobBuilder::Set16(blob, b.FieldOffset(10) + 2, 1); }},
        {"character field of no bytes", [&](std::string& blob) { BlobBuilder::Set16(blob, b.FieldOffset(2) + 2, 0); }},
        {"key entry index past the keys",
         [&](std::string& blob) { BlobBuilder::Set16(blob, b.FieldOffset(5) + 14, 3); }},
        {"key component past the fields", [&](std::string& blob) { BlobBuilder::Set16(blob, b.KeyOffset(1) + 2, 12); }},
        {"key field negative", [&](std::string& blob) { BlobBuilder::Set16(blob, b.KeyOffset(0), -1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DbStruct s;
        s.ParseBlob(good.data(), static_cast<int>(good.size()));
        std::string blob = good;
        c.damage(blob);
        try {
            s.ParseBlob(blob.data(), static_cast<int>(blob.size()));
            ADD_FAILURE() << "accepted";
        } catch (const DbDescError& e) {
            EXPECT_EQ(e.GetCode(), 10011);
        }
        EXPECT_EQ(s.GetRecType("NAPLO"), 10002);  // the earlier description stays whole
        EXPECT_EQ(s.GetAllFieldDescs().size(), 12u);
    }
    DbStruct s;
    EXPECT_THROW(s.ParseBlob(nullptr, 0), DbDescError);
}

// ---- description files ------------------------------------------------------

class DbStructFile : public DbStructTest {
protected:
    void SetUp() override {
        DbStructTest::SetUp();
        char tmpl[] = "/tmp/lur_dbd_test_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_posix = tmpl;
        m_prefix = win::FromPosixPath(m_posix) + "\\";
    }
    void TearDown() override { std::filesystem::remove_all(m_posix); }

    std::string Read(const std::string& name) const {
        std::ifstream in(m_posix + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(m_posix + "/" + name, std::ios::binary) << bytes;
    }

    std::string m_posix;
    std::string m_prefix;  // the directory in the C: form, with its separator
};

TEST_F(DbStructFile, SavedFileIsTheImageAndLoadsBack) {
    Write("CAR.dbd", "an older description");
    ASSERT_EQ(s.SaveDbd(m_prefix.c_str()), 0);
    EXPECT_EQ(Read("CAR.dbd"), s.GetImage());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_posix), {}), 1);  // no temporary left

    DbStruct loaded;
    ASSERT_EQ(loaded.LoadDbd((m_prefix + "CAR.dbd").c_str(), "car", 5), 0);
    EXPECT_STREQ(loaded.GetDbName(), "car");  // kept as passed
    EXPECT_EQ(loaded.GetDbNo(), 5);
    EXPECT_EQ(loaded.GetImage(), s.GetImage());

    DbDesc desc;
    desc.SetStruct(std::make_shared<DbStruct>());
    ASSERT_EQ(desc.LoadFile((m_prefix + "CAR.dbd").c_str(), "car", 5), 0);
    EXPECT_STREQ(desc.GetDbName(), "CAR");
    EXPECT_EQ(desc.GetFieldNo("Naplo", "y"), 2001);

    // The description's own forwarder writes the same file.
    std::filesystem::remove(m_posix + "/CAR.dbd");
    ASSERT_EQ(desc.SaveDbd(m_prefix.c_str()), 0);
    EXPECT_EQ(Read("CAR.dbd"), s.GetImage());
}

TEST_F(DbStructFile, FilesThatCannotBeWrittenOrReadAnswerTheirCodes) {
    EXPECT_EQ(s.SaveDbd((m_prefix + "missing\\").c_str()), 10006);
    // A read-only description is not replaced.
    Write("CAR.dbd", "read-only");
    std::filesystem::permissions(m_posix + "/CAR.dbd",
                                 std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(s.SaveDbd(m_prefix.c_str()), 10006);
    EXPECT_EQ(Read("CAR.dbd"), "read-only");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_posix), {}), 1);

    DbStruct loaded;
    DbDesc desc;
    desc.SetStruct(std::make_shared<DbStruct>());
    const std::string missing = m_prefix + "NONE.dbd";
    EXPECT_EQ(loaded.LoadDbd(missing.c_str(), "NONE", 1), 10011);
    EXPECT_EQ(desc.LoadFile(missing.c_str(), "NONE", 1), 10011);

    // Kernel attribute files claim a page but hold a line: a short read.
    const char* shortFile = "/sys/kernel/profiling";
    if (!std::filesystem::exists(shortFile)) GTEST_SKIP() << "no " << shortFile;
    const std::string name = win::FromPosixPath(shortFile);
    EXPECT_EQ(loaded.LoadDbd(name.c_str(), "X", 1), 10011);
    EXPECT_EQ(desc.LoadFile(name.c_str(), "X", 1), 10011);
}

// A child saves the description again and again while this process reads
// it in a loop, keeping the file it read open until the next read: every
// read finds the whole file, and no save fails for a reader.
TEST_F(DbStructFile, ReadersBesideSavesAlwaysFindAWholeFile) {
    ASSERT_EQ(s.SaveDbd(m_prefix.c_str()), 0);
    const std::string image = s.GetImage();
    const std::string path = m_prefix + "CAR.dbd";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int failed = 0;
        for (int i = 0; i < 300; ++i) failed += s.SaveDbd(m_prefix.c_str()) != 0 ? 1 : 0;
        ::_exit(std::min(failed, 255));
    }
    int reads = 0;
    int missing = 0;
    int partial = 0;
    int status = 0;
    {
        File held;
        do {
            std::unique_ptr<char[]> block;
            int length = 0;
            if (DbStruct::ReadDbdFile(path.c_str(), block, length) != 0) {
                ++missing;
            } else if (std::string(block.get(), static_cast<size_t>(length)) != image) {
                ++partial;
            }
            held.Open(path.c_str(), 'r', false);
            ++reads;
        } while (::waitpid(child, &status, WNOHANG) == 0);
    }
    EXPECT_EQ(missing, 0) << "of " << reads << " reads";
    EXPECT_EQ(partial, 0) << "of " << reads << " reads";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "saves failed";
    EXPECT_EQ(Read("CAR.dbd"), image);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_posix), {}), 1);
}

TEST_F(DbStructFile, AFailedWriteLeavesTheOldFileAndItsReason) {
    const std::string old(200, 'o');
    Write("CAR.dbd", old);
    ASSERT_GT(s.GetImage().size(), 100u);
    // A child whose files may not grow past 100 bytes: the write fails part way.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        // The reason is the write's, for the caller's message.
        ::_exit(s.SaveDbd(m_prefix.c_str()) == 10006 && win::GetLastErrno() == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Read("CAR.dbd"), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_posix), {}), 1);
}

}  // namespace
