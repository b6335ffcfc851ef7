// Changes of stored tables: direct and deferred changes, the journal they
// leave, saving (all or nothing, in one transaction), rolling back, and the
// aggregates over the stored rows. Checked against the store itself with
// lurdbadm's dump and with the client library's transaction trace.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "RdmStoreTab.h"
#include "ServiceFixture.h"

namespace {

// Orders with their lines; Notes has no unique key.
constexpr const char* kSchema =
    "tablespace Shop 6\n"
    "table Orders\n"
    "  field ID    l 4  u\n"
    "  field CUST  c 11 d\n"
    "table Lines\n"
    "  field ID    l 4  u\n"
    "  field ORDID l 4  d\n"
    "  field ITEM  c 11 n\n"
    "  field QTY   l 4  n\n"
    "table Notes\n"
    "  field TXT   c 11 d\n";

constexpr const char* kOrders = "ID,CUST\n1,anna\n2,bela\n";
constexpr const char* kLines = "ID,ORDID,ITEM,QTY\n11,1,apple,5\n12,1,pear,12\n21,2,plum,7\n";

using lurtest::ErrorCode;

class StoreTabChangesTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("LURDBCLI_TRACE");
        service.Load("Shop", "Orders", kOrders);
        service.Load("Shop", "Lines", kLines);
        service.LoadDesc(desc, "Shop", 6);
        orders = std::make_unique<RdmStoreTab>(nullptr, &desc, "Orders", "Orders", false);
        lines = new RdmStoreTab(orders.get(), &desc, "Lines", "Lines", false);  // owned by orders
        lines->AddLink("ID", "ORDID", "ORDID");
        // Changes reach their server records through the unique key.
        orders->AddTableOption(0);
        lines->AddTableOption(0);
        Reload();
    }
    void TearDown() override { unsetenv("LURDBCLI_TRACE"); }

    // The tree read again from the server; order 1 current, its lines shown.
    void Reload() { ASSERT_TRUE(orders->FindList("", 0)); }
    std::string Dump(const std::string& table) const {
        std::string out;
        EXPECT_EQ(service.RunAdmin("dump " + service.Service() + " Shop " + table, &out), 0) << out;
        return out;
    }
    // Lines of the current order, as "id:item" in their order.
    std::vector<std::string> Shown() {
        std::vector<std::string> rows;
        for (int32_t i = 0; i < lines->GetListCount(); ++i) {
            lines->SetListPos(i);
            rows.push_back(lines->Fld("ID").GetString() + ":" + lines->Fld("ITEM").GetString());
        }
        return rows;
    }
    std::vector<int> JournalBits(const RdmStoreTab& table) const {
        std::vector<int> bits;
        for (const auto& [rowId, entry] : table.GetJournal().Entries()) bits.push_back(entry.operation);
        return bits;
    }
    void NewLine(int32_t id, const std::string& item) {
        lines->ClearRecord();
        lines->Fld("ID").SetLong(id);
        lines->Fld("ORDID").SetLong(orders->Fld("ID").GetLong());
        lines->Fld("ITEM").SetString(item);
        lines->Fld("QTY").SetLong(1);
        lines->NewRec();
    }
    void ModLine(int32_t id, const std::string& item) {
        ASSERT_TRUE(lines->LocateInList("ID", std::to_string(id), 0)) << id;
        lines->Fld("ITEM").SetString(item);
        ASSERT_TRUE(lines->ModRec(true));
    }
    void DelLine(int32_t id) {
        ASSERT_TRUE(lines->LocateInList("ID", std::to_string(id), 0)) << id;
        ASSERT_TRUE(lines->DelRec(true));
    }
    // The client library's transaction lines from here on.
    std::string TraceFile() {
        const std::string path = service.Dir() + "/trace.log";
        setenv("LURDBCLI_TRACE", path.c_str(), 1);
        return path;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static int Count(const std::string& text, const std::string& what) {
        int count = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
        return count;
    }

    lurtest::ServiceFixture service{kSchema};
    DbDesc desc;
    std::unique_ptr<RdmStoreTab> orders;
    RdmStoreTab* lines = nullptr;
};

}  // namespace

TEST_F(StoreTabChangesTest, ChangesAsOneTable) {
    enum Kind { kNew, kMod, kDel };
    struct Step {
        Kind kind;
        int32_t id;
        const char* item;
    };
    struct Case {
        const char* name;
        bool deferred;
        std::vector<Step> steps;
        std::vector<int> bits;           // the journal before the save
        std::vector<std::string> shown;  // order 1's lines afterwards
        const char* linesAfterSave;      // the store
    };
    const std::string unchanged = kLines;
    const std::vector<Case> cases{
        {"direct insert",
         false,
         {{kNew, 13, "fig"}},
         {},
         {"11:apple", "12:pear", "13:fig"},
         "ID,ORDID,ITEM,QTY\n11,1,apple,5\n12,1,pear,12\n21,2,plum,7\n13,1,fig,1\n"},
        {"direct update",
         false,
         {{kMod, 12, "kiwi"}},
         {},
         {"11:apple", "12:kiwi"},
         "ID,ORDID,ITEM,QTY\n11,1,apple,5\n12,1,kiwi,12\n21,2,plum,7\n"},
        {"direct delete", false, {{kDel, 11, ""}}, {}, {"12:pear"}, "ID,ORDID,ITEM,QTY\n12,1,pear,12\n21,2,plum,7\n"},
        {"deferred insert",
         true,
         {{kNew, 13, "fig"}},
         {2},
         {"11:apple", "12:pear", "13:fig"},
         "ID,ORDID,ITEM,QTY\n11,1,apple,5\n12,1,pear,12\n21,2,plum,7\n13,1,fig,1\n"},
        {"deferred update",
         true,
         {{kMod, 12, "kiwi"}},
         {4},
         {"11:apple", "12:kiwi"},
         "ID,ORDID,ITEM,QTY\n11,1,apple,5\n12,1,kiwi,12\n21,2,plum,7\n"},
        {"deferred delete", true, {{kDel, 11, ""}}, {1}, {"12:pear"}, "ID,ORDID,ITEM,QTY\n12,1,pear,12\n21,2,plum,7\n"},
        {"inserted then updated",
         true,
         {{kNew, 13, "fig"}, {kMod, 13, "date"}},
         {6},
         {"11:apple", "12:pear", "13:date"},
         "ID,ORDID,ITEM,QTY\n11,1,apple,5\n12,1,pear,12\n21,2,plum,7\n13,1,date,1\n"},
        {"inserted then deleted", true, {{kNew, 13, "fig"}, {kDel, 13, ""}}, {3}, {"11:apple", "12:pear"}, kLines},
        {"updated then deleted",
         true,
         {{kMod, 12, "kiwi"}, {kDel, 12, ""}},
         {5},
         {"11:apple"},
         "ID,ORDID,ITEM,QTY\n11,1,apple,5\n21,2,plum,7\n"},
        {"delete, then insert of its key",
         true,
         {{kDel, 12, ""}, {kNew, 12, "lime"}},
         {1, 2},
         {"11:apple", "12:lime"},
         "ID,ORDID,ITEM,QTY\n11,1,apple,5\n21,2,plum,7\n12,1,lime,1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lines->TruncateFile();
        service.Load("Shop", "Lines", kLines);
        Reload();
        orders->SetDeferred(c.deferred);
        for (const Step& step : c.steps) {
            if (step.kind == kNew) NewLine(step.id, step.item);
            if (step.kind == kMod) ModLine(step.id, step.item);
            if (step.kind == kDel) DelLine(step.id);
        }
        EXPECT_EQ(JournalBits(*lines), c.bits);
        EXPECT_EQ(lines->IsDeferred(), c.deferred);
        EXPECT_EQ(lines->HasChangesPending(), c.deferred);
        if (c.deferred) {
            EXPECT_EQ(Dump("Lines"), unchanged);  // nothing sent yet
        }

        EXPECT_TRUE(orders->SaveChanges());
        EXPECT_EQ(Dump("Lines"), c.linesAfterSave);
        EXPECT_EQ(JournalBits(*lines), std::vector<int>{});
        EXPECT_FALSE(lines->HasChangesPending());
        EXPECT_EQ(Shown(), c.shown);
        orders->SetDeferred(false);
    }
}

TEST_F(StoreTabChangesTest, ASaveIsAllOrNothingAndSucceedsOnceMended) {
    orders->SetDeferred(true);
    ModLine(11, "kiwi");
    NewLine(13, "fig");
    NewLine(21, "dup");  // the store refuses this one: 21 is taken
    const std::vector<int> journal = JournalBits(*lines);
    const std::vector<std::string> shown = Shown();
    ASSERT_EQ(journal, (std::vector<int>{4, 2, 2}));
    const std::string trace = TraceFile();

    EXPECT_EQ(ErrorCode([&] { orders->SaveChanges(); }), 10005);
    EXPECT_EQ(Dump("Lines"), kLines);
    EXPECT_EQ(JournalBits(*lines), journal);
    EXPECT_TRUE(lines->HasChangesPending());
    EXPECT_EQ(Shown(), shown);
    std::string log = ReadFile(trace);
    EXPECT_EQ(Count(log, "begin transaction"), 1) << log;
    EXPECT_EQ(Count(log, "abort transaction"), 1) << log;

    // Mended: the refused row takes a free key, and the same save goes through.
    ASSERT_TRUE(lines->LocateInList("ITEM", "dup", 0));
    lines->Fld("ID").SetLong(14);
    ASSERT_TRUE(lines->ModRec(true));
    EXPECT_EQ(JournalBits(*lines), (std::vector<int>{4, 2, 6}));
    EXPECT_TRUE(orders->SaveChanges());
    EXPECT_EQ(Dump("Lines"), "ID,ORDID,ITEM,QTY\n11,1,kiwi,5\n12,1,pear,12\n21,2,plum,7\n13,1,fig,1\n14,1,dup,1\n");
    EXPECT_TRUE(lines->GetJournal().IsEmpty());
    log = ReadFile(trace);
    EXPECT_EQ(Count(log, "begin transaction"), 2) << log;
    EXPECT_EQ(Count(log, "commit transaction \"SAVE ORDERS\", 3 record changes"), 1) << log;
}

TEST_F(StoreTabChangesTest, InACallersTransactionTheCallerDecides) {
    ASSERT_TRUE(desc.BeginTrans("SQL", true));
    orders->SetDeferred(true);
    NewLine(11, "dup");
    EXPECT_EQ(ErrorCode([&] { orders->SaveChanges(); }), 10005);
    EXPECT_FALSE(desc.BeginTrans("SQL", false));  // still open: the save did not end it
    EXPECT_EQ(JournalBits(*lines), std::vector<int>{2});

    ASSERT_TRUE(lines->LocateInList("ITEM", "dup", 0));
    lines->Fld("ID").SetLong(13);
    ASSERT_TRUE(lines->ModRec(true));
    EXPECT_TRUE(orders->SaveChanges());
    EXPECT_TRUE(lines->GetJournal().IsEmpty());   // the whole save succeeded
    EXPECT_FALSE(desc.BeginTrans("SQL", false));  // and the caller's transaction is still open
    desc.EndTrans(false);
    EXPECT_EQ(Dump("Lines"), kLines);
}

TEST_F(StoreTabChangesTest, DeferredDeletesReachTheStoreWithTheirDetailRows) {
    orders->SetDeferred(true);
    EXPECT_FALSE(orders->DelRec(false));  // its lines block it
    DelLine(11);
    DelLine(12);
    ASSERT_TRUE(orders->DelRec(true));
    EXPECT_EQ(orders->GetListCount(), 1);
    EXPECT_EQ(orders->Fld("ID").GetLong(), 2);
    EXPECT_EQ(Shown(), std::vector<std::string>{"21:plum"});  // the lines follow the new current order

    EXPECT_TRUE(orders->SaveChanges());
    EXPECT_EQ(Dump("Orders"), "ID,CUST\n2,bela\n");
    EXPECT_EQ(Dump("Lines"), "ID,ORDID,ITEM,QTY\n21,2,plum,7\n");
}

TEST_F(StoreTabChangesTest, CancelThenSaveSendsNothing) {
    orders->SetDeferred(true);
    ModLine(11, "kiwi");
    DelLine(12);
    NewLine(13, "fig");
    NewLine(14, "date");
    orders->EndChanges(false);
    EXPECT_TRUE(lines->GetJournal().IsEmpty());
    EXPECT_FALSE(lines->HasChangesPending());
    EXPECT_LT(lines->GetListPos(), lines->GetListCount());  // never past the restored rows
    EXPECT_EQ(Shown(), (std::vector<std::string>{"11:apple", "12:pear"}));

    const std::string trace = TraceFile();
    EXPECT_TRUE(orders->SaveChanges());
    EXPECT_EQ(Dump("Lines"), kLines);
    EXPECT_EQ(ReadFile(trace).find("transaction"), std::string::npos);
    EXPECT_TRUE(orders->ReadCurrentRec(true));  // no stale journal (2014)
}

TEST_F(StoreTabChangesTest, CascadingRemovalsSendNothing) {
    orders->SetDeferred(true);
    ModLine(11, "kiwi");
    NewLine(13, "fig");
    EXPECT_TRUE(lines->ClearList());  // order 1's lines leave the rows, changes and all
    ASSERT_TRUE(orders->ListMove(2, 0));
    ModLine(21, "lime");
    ASSERT_TRUE(orders->RemoveFromList(1));  // order 2 and its changed line leave the rows

    const std::string trace = TraceFile();
    EXPECT_TRUE(orders->SaveChanges());
    EXPECT_EQ(Dump("Orders"), kOrders);
    EXPECT_EQ(Dump("Lines"), kLines);
    const std::string log = ReadFile(trace);
    EXPECT_EQ(Count(log, ", 0 record changes"), Count(log, "commit transaction")) << log;
    EXPECT_TRUE(lines->GetJournal().IsEmpty());
}

TEST_F(StoreTabChangesTest, RowsHoldWhatTheServerHolds) {
    // A text field with bytes after its end: the store keeps the text only,
    // and the row must hold the record as stored.
    const int32_t item = desc.FieldOffset("LINES", "ITEM");
    const auto withLeftovers = [&](int32_t id, const std::string& text) {
        lines->ClearRecord();
        lines->Fld("ID").SetLong(id);
        lines->Fld("ORDID").SetLong(1);
        lines->Fld("ITEM").SetString(text);
        std::vector<char> record;
        desc.CopyRecord(record, "LINES");
        record[static_cast<size_t>(item) + text.size() + 1] = 'Z';
        desc.SetRecord(record.data(), "LINES");
    };
    const auto storedLeftover = [&](int32_t id, const std::string& text) {
        for (const RdmStoredRow* row : lines->GetRowStore().AllRows()) {
            int32_t rowId = 0;
            std::memcpy(&rowId, row->record.data() + desc.FieldOffset("LINES", "ID"), sizeof rowId);
            if (rowId == id) return row->record[static_cast<size_t>(item) + text.size() + 1];
        }
        ADD_FAILURE() << "no row " << id;
        return '?';
    };
    withLeftovers(13, "fig");
    ASSERT_TRUE(lines->NewRec());
    EXPECT_EQ(storedLeftover(13, "fig"), '\0');

    orders->SetDeferred(true);
    withLeftovers(14, "date");
    ASSERT_TRUE(lines->NewRec());
    ASSERT_TRUE(lines->LocateInList("ID", "11", 0));
    withLeftovers(11, "kiwi");
    ASSERT_TRUE(lines->ModRec(true));
    EXPECT_EQ(storedLeftover(14, "date"), 'Z');  // as written, until saved
    EXPECT_TRUE(orders->SaveChanges());
    EXPECT_EQ(storedLeftover(14, "date"), '\0');
    EXPECT_EQ(storedLeftover(11, "kiwi"), '\0');
}

TEST_F(StoreTabChangesTest, RefusedChanges) {
    // A detail takes new rows only under a current master row.
    orders->ListMove(5, 5);
    EXPECT_EQ(ErrorCode([&] { lines->NewRec(); }), 2013);
    orders->ListMove(0, 0);

    // Lines found through their unique key are kept by the link: no updates
    // or deletes of them (option 3).
    lines->SetLinks({{"ID", "ORDID"}}, "ID");
    lines->AddTableOption(3);
    EXPECT_FALSE(lines->ModRec(false));
    EXPECT_EQ(ErrorCode([&] { lines->DelRec(true); }), 2012);
    lines->RemoveTableOption(3);

    lines->ListMove(5, 5);
    EXPECT_FALSE(lines->DelRec(false));
    EXPECT_EQ(ErrorCode([&] { lines->DelRec(true); }), 10002);
    EXPECT_EQ(ErrorCode([&] { lines->ModRec(false); }), 2012);

    // Saving through the unique key needs one, and fails before anything is written.
    RdmStoreTab notes(nullptr, &desc, "Notes", "Notes", false);
    notes.AddTableOption(0);
    notes.SetDeferred(true);
    notes.ClearRecord();
    notes.Fld("TXT").SetString("hello");
    ASSERT_TRUE(notes.NewRec());
    EXPECT_EQ(ErrorCode([&] { notes.SaveChanges(); }), 10028);
    EXPECT_EQ(Dump("Notes"), "TXT\n");
    notes.RemoveTableOption(0);
    EXPECT_TRUE(notes.SaveChanges());
    EXPECT_EQ(Dump("Notes"), "TXT\nhello\n");
}

TEST_F(StoreTabChangesTest, AggregatesOverTheShownRows) {
    struct Case {
        int32_t kind;
        const char* field;
        const char* text;      // over order 1's lines: QTY 5 and 12, ITEM apple and pear
        const char* whenNone;  // over no rows
    };
    for (const Case& c :
         {Case{0, "*", "2", "0"}, Case{1, "QTY", "17", "0"}, Case{2, "QTY", "8.5", "0"}, Case{3, "QTY", "12", ""},
          Case{4, "QTY", "5", ""}, Case{3, "ITEM", "pear", ""}, Case{4, "ITEM", "apple", ""}}) {
        SCOPED_TRACE(c.kind);
        lines->SetListPos(1);
        std::string out;
        EXPECT_EQ(lines->Aggregate(out, c.field, c.kind), c.text);
        EXPECT_EQ(out, c.text);
        EXPECT_EQ(lines->Fld("ITEM").GetString(), "pear");  // the record buffer as before
        lines->ClearList();
        EXPECT_EQ(lines->Aggregate(out, c.field, c.kind), c.whenNone);
        Reload();
    }
    EXPECT_EQ(ErrorCode([&] {
                  std::string out;
                  lines->Aggregate(out, "QTY", 5);
              }),
              2007);
    std::string out;
    EXPECT_EQ(ErrorCode([&] { lines->Aggregate(out, "NOPE", 3); }), 2003);
}
