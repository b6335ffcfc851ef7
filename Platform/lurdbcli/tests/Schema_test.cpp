// The schema text: what it accepts, how it lays records out, and that the
// stored form reads back unchanged.
#include <gtest/gtest.h>

#include "Schema.h"
#include "Sqlite.h"
#include "lurdbcli.h"

using namespace lurdbcli;

namespace {

TEST(Schema, LaysOutRecordsAfterTheDataOffset) {
    const std::vector<TablespaceDef> parsed = ParseSchema(
        "# comment\n"
        "tablespace Car 7 1.2.3.4\n"
        "table Gepjarmu\n"
        "  field Id l 4 u\n"
        "  field Grp g 0 n\n"
        "  field Name c 20 d exact  # trailing comment\n"
        "  field Mass F 8 n\n"
        "  key  NameId u Name Id\n"
        "table Link\n"
        "  field A s 2 n unsigned sqltype=16 sqllength=5 precision=2\n"
        "  key K d A\n");
    ASSERT_EQ(parsed.size(), 1u);
    const TablespaceDef& car = parsed[0];
    EXPECT_EQ(car.name, "Car");
    EXPECT_EQ(car.number, 7);
    EXPECT_EQ(car.version[3], 4);
    const TableDef& table = car.tables[0];
    EXPECT_EQ(table.recordLength, kDataOffset + 4 + 20 + 8);
    EXPECT_EQ(table.RecordSize(), 32);
    EXPECT_EQ(table.fields[0].position, kDataOffset);
    EXPECT_EQ(table.fields[1].position, kDataOffset + 4);  // a group takes no bytes
    EXPECT_EQ(table.fields[2].position, kDataOffset + 4);
    EXPECT_EQ(table.fields[4].position, 0);          // first key entry
    EXPECT_EQ(car.tables[1].fields[1].position, 2);  // after NameId's two entries
    EXPECT_EQ(car.tables[1].fields[0].flags, kUnsignedFlag);
    EXPECT_EQ(car.tables[1].fields[0].sqlType, 16);
    EXPECT_EQ(table.FieldIndex("nAmE"), 2);
    // Text ignores case in keys and searches unless it is exact.
    EXPECT_TRUE(table.fields[2].exact);
    const std::string create = CreateTableStatements(car, table).front();
    EXPECT_NE(create.find("\"Name\" TEXT,"), std::string::npos) << create;

    // The stored text parses to the same layout.
    const TablespaceDef again = ParseSchema(FormatSchema(car)).front();
    EXPECT_EQ(FormatSchema(again), FormatSchema(car));
    EXPECT_EQ(BuildDescriptionBlob(again), BuildDescriptionBlob(car));
}

TEST(Schema, RefusesFaultyTextNamingTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"table T\n", "line 1"},
        {"tablespace A x\n", "line 1"},
        {"tablespace A 1 1.2\n", "four numbers"},
        {"tablespace A 1\n", "no tables"},
        {"tablespace A 1\ntable T\n", "no fields"},
        {"tablespace A 1\ntable T\n field G g 0 n\n field H g 0 n\ntable U\n field F c 4 n\n",
         "line 2: table T has no field"},
        {"tablespace A 1\ntable T\n field F c 4 n\ntable U\n field G g 0 n\n", "line 4: table U has no field"},
        {"tablespace A 1\ntable T\n field F x 4 n\n", "line 3"},
        {"tablespace A 1\ntable T\n field F l 2 n\n", "bad length"},
        {"tablespace A 1\ntable T\n field F c 0 n\n", "bad length"},
        {"tablespace A 1\ntable T\n field F c 4 n\n field f c 4 n\n", "declared twice"},
        {"tablespace A 1\ntable T\n field F c 4 n\ntable t\n field G c 4 n\n", "declared twice"},
        {"tablespace A 1\ntable T\n field F c 4 n\n key K n F\n", "bad key kind"},
        {"tablespace A 1\ntable T\n field F c 4 n\n key K u G\n", "no value field G"},
        {"tablespace A 1\ntable T\n field F c 4 n bogus\n", "unknown option"},
        {"tablespace A 1\ntable T\n field F l 4 n exact\n", "unknown option"},
        {"tablespace A.B 1\ntable T\n field F c 4 n\n", "line 1"},
        {"tablespace A 1\ntable T\n field F c 30000 n\n field G c 30000 n\n", "longer than 32767"},
        {"tablespace A 1\ntable T\n field F c 4 n\ntablespace a 2\n", "repeats"},
        {"frobnicate\n", "unknown line"},
    };
    for (const Case& test : cases) {
        try {
            ParseSchema(test.text);
            ADD_FAILURE() << "accepted: " << test.text;
        } catch (const StoreError& error) {
            EXPECT_EQ(error.status, kBadSchema);
            EXPECT_NE(error.detail.find(test.message), std::string::npos) << error.detail;
        }
    }
}

// On a table clustered by its unique key, a search along a duplicate key
// (a number, text without regard to case, a compound key) answers in key
// order, then insertion order, straight from the key's index: SQLite's plan
// holds no sort of its own.
TEST(Schema, DuplicateKeySearchesOfAClusteredTableNeedNoSort) {
    const TablespaceDef shop = ParseSchema(
                                   "tablespace Shop 9\n"
                                   "table Orders\n"
                                   "  field ID    l 4 u\n"
                                   "  field CUST  l 4 d\n"
                                   "  field STATE c 8 d\n"
                                   "  key   CS    d CUST STATE\n")
                                   .front();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    for (const std::string& statement : CreateTableStatements(shop, shop.tables[0])) {
        ASSERT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << statement;
    }
    const std::string from = "FROM \"SHOP.ORDERS\" WHERE ";
    for (const std::string& search :
         {from + "(\"CUST\") = (?) ORDER BY \"CUST\", rowid", from + "(\"STATE\") >= (?) ORDER BY \"STATE\", rowid",
          from + "(\"CUST\", \"STATE\") = (?, ?) ORDER BY \"CUST\", \"STATE\", rowid",
          from + "(\"CUST\") IN (SELECT value FROM json_each(?)) ORDER BY \"CUST\", rowid"}) {
        sqlite3_stmt* plan = nullptr;
        const std::string explain = "EXPLAIN QUERY PLAN SELECT rowid, \"ID\" " + search;
        ASSERT_EQ(sqlite3_prepare_v2(db, explain.c_str(), -1, &plan, nullptr), SQLITE_OK) << explain;
        std::string steps;
        while (sqlite3_step(plan) == SQLITE_ROW) {
            steps += reinterpret_cast<const char*>(sqlite3_column_text(plan, 3)) + std::string("; ");
        }
        sqlite3_finalize(plan);
        EXPECT_EQ(steps.find("TEMP B-TREE"), std::string::npos) << search << ": " << steps;
    }
    sqlite3_close(db);
}

TEST(Schema, CatalogueHasTheTablesTheDatabaseLayersUse) {
    const TablespaceDef& sysdb = SysdbSchema();
    EXPECT_EQ(sysdb.number, kSysdbNumber);
    for (const char* table : {"tablespace", "dbuser", "tables", "fields", "fileblobs", "sequencies", "userlink",
                              "sysprivilegdict", "sysprivilegs"}) {
        EXPECT_GE(sysdb.TableIndex(table), 0) << table;
    }
    // The per-tablespace form of the catalogue: "tables" has no field "id".
    EXPECT_LT(sysdb.tables[static_cast<size_t>(sysdb.TableIndex("tables"))].FieldIndex("id"), 0);
}

}  // namespace
