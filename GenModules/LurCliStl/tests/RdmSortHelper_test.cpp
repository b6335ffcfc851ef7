// RdmSortHelper: master rows noted by link-key value and found again for a
// record, compared as the server may compare them; and the bulk loads that
// use it, RdmStoreTab::LoadSorted and LoadDetailRows, against a search per
// owner row.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "MixedOwners.h"
#include "RdmSortHelper.h"
#include "RdmStoreTab.h"
#include "RdmTable.h"
#include "ServiceFixture.h"

namespace {

// A detail table with a unique number, a duplicate text key and a compound
// unique key (number, text).
constexpr const char* kSchema =
    "tablespace Helper 6\n"
    "table Line\n"
    "  field ID    l 4  u\n"
    "  field NO    l 4  n\n"
    "  field NAME  c 11 d\n"
    "  key   NOKEY u NO NAME\n";

using lurtest::ErrorCode;

class RdmSortHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        service.LoadDesc(desc, "Helper", 6);
        table = RdmTable(&desc, "Line");
    }
    void Buffer(int32_t id, int32_t no, const std::string& name) {
        table.ClearRecord();
        table.Fld("ID").SetLong(id);
        table.Fld("NO").SetLong(no);
        table.Fld("NAME").SetString(name);
    }
    std::vector<int32_t> RowsFor(RdmSortHelper& helper, int32_t id, int32_t no, const std::string& name) {
        Buffer(id, no, name);
        const std::vector<int32_t>* rows = helper.MasterRowsFor();
        return rows == nullptr ? std::vector<int32_t>{} : *rows;
    }

    lurtest::ServiceFixture service{kSchema};
    DbDesc desc;
    RdmTable table;
};

}  // namespace

TEST_F(RdmSortHelperTest, SetupTellsTheKeyKind) {
    struct Case {
        const char* key;
        bool unique;
        bool compound;
    };
    for (const Case& c : {Case{"ID", true, false}, Case{"name", false, false}, Case{"NOKEY", false, true}}) {
        RdmSortHelper helper(table);
        EXPECT_EQ(helper.Setup(c.key), c.unique) << c.key;
        EXPECT_EQ(helper.IsUnique(), c.unique) << c.key;
        EXPECT_EQ(helper.IsCompound(), c.compound) << c.key;
    }
    RdmSortHelper helper(table);
    EXPECT_EQ(ErrorCode([&] { helper.Setup("NOPE"); }), 2003);
}

TEST_F(RdmSortHelperTest, EqualValuesShareOneEntryAndEveryMasterRowIsAnswered) {
    RdmSortHelper helper(table);
    helper.Setup("ID");
    Buffer(7, 0, "");
    EXPECT_TRUE(helper.AddMasterRow(10));
    Buffer(3, 0, "");
    EXPECT_TRUE(helper.AddMasterRow(11));
    Buffer(7, 0, "");
    EXPECT_FALSE(helper.AddMasterRow(12));  // same value: no second search entry
    EXPECT_EQ(helper.KeyCount(), 2u);

    EXPECT_EQ(RowsFor(helper, 7, 0, ""), (std::vector<int32_t>{10, 12}));
    EXPECT_EQ(RowsFor(helper, 3, 0, ""), (std::vector<int32_t>{11}));
    EXPECT_EQ(RowsFor(helper, 5, 0, ""), std::vector<int32_t>{});
}

TEST_F(RdmSortHelperTest, DuplicateKeysMatchWhateverOrderRecordsComeIn) {
    // A key that is not unique: records are answered by value, not by
    // walking the master rows in the order noted.
    RdmSortHelper helper(table);
    helper.Setup("NAME");
    const std::vector<std::string> masters{"beta", "alpha", "beta"};
    for (std::size_t i = 0; i < masters.size(); ++i) {
        Buffer(0, 0, masters[i]);
        helper.AddMasterRow(static_cast<int32_t>(i));
    }
    EXPECT_EQ(RowsFor(helper, 0, 0, "ALPHA"), (std::vector<int32_t>{1}));  // text without regard to case
    EXPECT_EQ(RowsFor(helper, 0, 0, "beta"), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(RowsFor(helper, 0, 0, "alpha"), (std::vector<int32_t>{1}));
    EXPECT_EQ(RowsFor(helper, 0, 0, "gamma"), std::vector<int32_t>{});
}

TEST_F(RdmSortHelperTest, CompoundKeysCompareComponentByComponent) {
    RdmSortHelper helper(table);
    helper.Setup("NOKEY");
    struct Master {
        int32_t no;
        const char* name;
    };
    const std::vector<Master> masters{{1, "D"}, {0, "Z"}, {1, "B"}, {10, "A"}, {1, "b"}};
    for (std::size_t i = 0; i < masters.size(); ++i) {
        Buffer(0, masters[i].no, masters[i].name);
        helper.AddMasterRow(static_cast<int32_t>(i));
    }
    EXPECT_EQ(helper.KeyCount(), 4u);  // (1, B) and (1, b) are one value
    EXPECT_EQ(RowsFor(helper, 0, 1, "B"), (std::vector<int32_t>{2, 4}));
    EXPECT_EQ(RowsFor(helper, 0, 0, "Z"), (std::vector<int32_t>{1}));
    EXPECT_EQ(RowsFor(helper, 0, 10, "a"), (std::vector<int32_t>{3}));  // 10 after 1: numbers by value
    EXPECT_EQ(RowsFor(helper, 0, 1, "Z"), std::vector<int32_t>{});
    EXPECT_EQ(RowsFor(helper, 0, 0, "D"), std::vector<int32_t>{});
}

namespace {

// Orders stored out of key order; two of them share a customer.
constexpr const char* kTreeSchema =
    "tablespace Sorted 7\n"
    "table Orders\n"
    "  field ID     l 4  u\n"
    "  field CUSTID l 4  d\n"
    "table Lines\n"
    "  field ID    l 4  u\n"
    "  field ORDID l 4  d\n"
    "  field ITEM  c 11 n\n"
    "table Custs\n"
    "  field ID    l 4  u\n"
    "  field NAME  c 11 n\n";

using Groups = std::map<int32_t, std::vector<std::vector<char>>>;

// Each owner row's detail records, in group order.
Groups GroupsOf(const RdmStoreTab& owner, const RdmStoreTab& detail) {
    Groups groups;
    for (const RdmStoredRow* row : owner.GetRowStore().AllRows()) {
        std::vector<std::vector<char>>& records = groups[row->id];
        if (const RdmRowGroup* group = detail.GetRowStore().FindGroup(row->id))
            for (const RdmStoredRow* detailRow : group->rows) records.push_back(detailRow->record);
    }
    return groups;
}

}  // namespace

TEST(LoadSorted, StoresWhatLoadDetailRowsStoresWhateverOrderTheServerAnswersIn) {
    lurtest::ServiceFixture service(kTreeSchema);
    service.Load("Sorted", "Orders", "ID,CUSTID\n3,7\n1,5\n2,7\n");
    service.Load("Sorted", "Lines", "ID,ORDID,ITEM\n11,1,a\n31,3,b\n21,2,c\n12,1,d\n32,3,e\n");
    service.Load("Sorted", "Custs", "ID,NAME\n5,five\n7,seven\n9,nine\n");
    DbDesc desc;
    service.LoadDesc(desc, "Sorted", 7);
    RdmStoreTab orders(nullptr, &desc, "Orders", "Orders", false);
    auto* lines = new RdmStoreTab(&orders, &desc, "Lines", "Lines", false);
    lines->AddLink("ID", "ORDID", "ORDID");  // a duplicate key
    auto* custs = new RdmStoreTab(&orders, &desc, "Custs", "Custs", false);
    custs->AddLink("CUSTID", "ID", "ID");  // the unique key, two orders on one value
    ASSERT_TRUE(orders.FindList("", 0));

    for (RdmStoreTab* detail : {lines, custs}) {
        SCOPED_TRACE(detail->GetDisplayName());
        const Groups perOwnerRow = GroupsOf(orders, *detail);
        detail->LoadSorted();
        EXPECT_EQ(GroupsOf(orders, *detail), perOwnerRow);
        EXPECT_EQ(detail->GetRowStore().Count(), detail == lines ? 5 : 3);
    }
    EXPECT_EQ(orders.Fld("ID").GetLong(), 3);  // the owner's record buffer as before
}

namespace {

// Heads with a code; lines clustered by their unique ID, inserted against
// its order, under a duplicate number key (HEAD) and a duplicate exact text
// key (CODE), whose values differ from the heads' only in case.
constexpr const char* kTieSchema =
    "tablespace Ties 8\n"
    "table Heads\n"
    "  field ID   l 4 u\n"
    "  field CODE c 8 n\n"
    "table Lines\n"
    "  field ID   l 4 u\n"
    "  field HEAD l 4 d\n"
    "  field CODE c 8 d exact\n";

// Each owner row's detail ids, in group order, by the owner's ID.
std::map<int32_t, std::vector<int32_t>> DetailIds(RdmStoreTab& owner, RdmStoreTab& detail) {
    std::map<int32_t, std::vector<int32_t>> ids;
    for (const RdmStoredRow* row : owner.GetRowStore().AllRows()) {
        int32_t ownerId = 0;
        std::memcpy(&ownerId, row->record.data(), sizeof ownerId);
        std::vector<int32_t>& group = ids[ownerId];
        if (const RdmRowGroup* rows = detail.GetRowStore().FindGroup(row->id)) {
            for (const RdmStoredRow* detailRow : rows->rows) {
                int32_t id = 0;
                std::memcpy(&id, detailRow->record.data(), sizeof id);
                group.push_back(id);
            }
        }
    }
    return ids;
}

}  // namespace

// Both bulk loads give each owner row what a search for its value alone
// gives: ties in insertion order (not the unique key's), also on a store
// made before its duplicate keys' indexes ended with the insertion order;
// and values the server tells apart (an exact text key, codes differing only
// in case) are not merged by the client's comparison, which ignores case.
TEST(LoadSorted, GroupsAreWhatOneSearchPerOwnerRowFindsOnEitherLayout) {
    for (const bool madeBefore : {false, true}) {
        SCOPED_TRACE(madeBefore ? "store made before" : "store made now");
        lurtest::ServiceFixture service(kTieSchema);
        if (madeBefore) {
            const std::string path = std::string(std::getenv("LURDB_DATA")) + "/" + service.Service() + ".lurdb";
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
            for (const char* column : {"HEAD", "CODE"}) {
                const std::string index = std::string("\"TIES.LINES.") + column + '"';
                const std::string sql =
                    "DROP INDEX " + index + "; CREATE INDEX " + index + " ON \"TIES.LINES\" (\"" + column + "\")";
                EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
            }
            sqlite3_close(db);
        }
        service.Load("Ties", "Heads", "ID,CODE\n1,abc\n2,ABC\n3,abc\n");
        service.Load("Ties", "Lines", "ID,HEAD,CODE\n40,1,ABC\n10,2,abc\n30,1,abc\n20,3,ABC\n50,1,ABC\n");
        DbDesc desc;
        service.LoadDesc(desc, "Ties", 8);
        RdmStoreTab heads(nullptr, &desc, "Heads", "Heads", false);
        auto* byHead = new RdmStoreTab(&heads, &desc, "Lines", "ByHead", false);
        byHead->AddLink("ID", "HEAD", "HEAD");
        auto* byCode = new RdmStoreTab(&heads, &desc, "Lines", "ByCode", false);
        byCode->AddLink("CODE", "CODE", "CODE");
        ASSERT_TRUE(heads.FindList("", 0));

        using Ids = std::map<int32_t, std::vector<int32_t>>;
        const Ids headGroups{{1, {40, 30, 50}}, {2, {10}}, {3, {20}}};
        const Ids codeGroups{{1, {10, 30}}, {2, {40, 20, 50}}, {3, {10, 30}}};
        EXPECT_EQ(DetailIds(heads, *byHead), headGroups);  // the search's own load
        EXPECT_EQ(DetailIds(heads, *byCode), codeGroups);
        for (RdmStoreTab* detail : {byHead, byCode}) {
            detail->LoadSorted();
            EXPECT_EQ(DetailIds(heads, *detail), detail == byHead ? headGroups : codeGroups) << "LoadSorted";
            detail->LoadDetailRows();
            EXPECT_EQ(DetailIds(heads, *detail), detail == byHead ? headGroups : codeGroups) << "LoadDetailRows";
        }
    }
}

namespace {

int32_t IdOf(const RdmStoredRow& row) {
    int32_t id = 0;
    std::memcpy(&id, row.record.data(), sizeof id);  // ID is each table's first field
    return id;
}

// Each stored owner row's detail ids, in group order, by the owner row's id.
using GroupIds = std::map<int32_t, std::vector<int32_t>>;

GroupIds StoredGroups(const RdmStoreTab& owner, const RdmStoreTab& detail) {
    GroupIds groups;
    for (const RdmStoredRow* row : owner.GetRowStore().AllRows()) {
        std::vector<int32_t>& ids = groups[row->id];
        if (const RdmRowGroup* group = detail.GetRowStore().FindGroup(row->id))
            for (const RdmStoredRow* detailRow : group->rows) ids.push_back(IdOf(*detailRow));
    }
    return groups;
}

// The same, as one server search per owner row finds it, through a table on
// a description of its own.
GroupIds SearchedGroups(const RdmStoreTab& owner, const std::string& ownerField, RdmTable& detail,
                        const std::string& detailField) {
    DbDesc& ownerDesc = *owner.GetDesc();
    const int32_t offset = ownerDesc.FieldOffset(owner.GetName(), ownerField);
    GroupIds groups;
    for (const RdmStoredRow* row : owner.GetRowStore().AllRows()) {
        std::vector<int32_t>& ids = groups[row->id];
        detail.ClearRecord();
        detail.Fld(detailField).SetString(std::string(row->record.data() + offset));
        if (!detail.FindList(detailField, DbDesc::kMoveReset)) continue;
        while (detail.ListNext()) ids.push_back(detail.Fld("ID").GetLong());
    }
    return groups;
}

}  // namespace

// The tree's own load (the root's search), LoadDetailRows and LoadSorted give
// every owner row exactly what a search for its value alone finds, at both
// levels of the chain, on levels whose owner rows search alone and together.
TEST(MixedOwners, EveryDetailLoadFindsWhatASearchPerOwnerRowFinds) {
    for (const unsigned seed : {0U, 1U, 2U, 3U}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const lurtest::MixedOwnersRows rows =
            seed == 0 ? lurtest::MixedOwnersRows{} : lurtest::RandomMixedOwnersRows(seed);
        lurtest::ServiceFixture service(lurtest::kMixedOwnersSchema);
        service.Load("Mixed", "Heads", rows.heads);
        service.Load("Mixed", "Mids", rows.mids);
        service.Load("Mixed", "Subs", rows.subs);
        DbDesc desc;
        service.LoadDesc(desc, "Mixed", lurtest::kMixedOwnersDbNo);
        DbDesc plainDesc;
        service.LoadDesc(plainDesc, "Mixed", lurtest::kMixedOwnersDbNo);
        RdmTable plainMids(&plainDesc, "Mids");
        RdmTable plainSubs(&plainDesc, "Subs");

        RdmStoreTab heads(nullptr, &desc, "Heads", "Heads", false);
        auto* mids = new RdmStoreTab(&heads, &desc, "Mids", "Mids", false);
        mids->AddLink("CODE", "CODE", "CODE");
        auto* exact = new RdmStoreTab(&heads, &desc, "Mids", "Exact", false);
        exact->AddLink("CODE", "XCODE", "XCODE");
        auto* subs = new RdmStoreTab(mids, &desc, "Subs", "Subs", false);
        subs->AddLink("SUB", "SUB", "SUB");
        ASSERT_TRUE(heads.FindList("", 0));

        const struct {
            RdmStoreTab* owner;
            RdmStoreTab* detail;
            const char* ownerField;
            RdmTable* plain;
            const char* detailField;
        } levels[] = {{&heads, mids, "CODE", &plainMids, "CODE"},
                      {&heads, exact, "CODE", &plainMids, "XCODE"},
                      {mids, subs, "SUB", &plainSubs, "SUB"}};
        for (const auto& level : levels) {
            SCOPED_TRACE(level.detail->GetDisplayName());
            const GroupIds searched = SearchedGroups(*level.owner, level.ownerField, *level.plain, level.detailField);
            EXPECT_EQ(StoredGroups(*level.owner, *level.detail), searched) << "the search's own load";
            level.detail->LoadDetailRows();
            EXPECT_EQ(StoredGroups(*level.owner, *level.detail), searched) << "LoadDetailRows";
            level.detail->LoadSorted();
            EXPECT_EQ(StoredGroups(*level.owner, *level.detail), searched) << "LoadSorted";
        }
        if (seed == 0) {
            // Head 3 shows the two lines it holds, so it cannot be deleted under them.
            ASSERT_TRUE(heads.FindList("", 0));
            ASSERT_TRUE(heads.ListMove(2) && heads.ListMove(2));
            ASSERT_EQ(heads.Fld("ID").GetLong(), 3);
            EXPECT_FALSE(mids->IsListEmpty());
            heads.SetDeferred(true);
            EXPECT_FALSE(heads.DelRec(false));
            EXPECT_TRUE(heads.GetJournal().IsEmpty());
            heads.EndChanges(false);
        }
    }
}
