// Record changes, transactions, locks, counters, bookmarks and cursors of
// RdmTable against a service of the client library.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "RdmTable.h"
#include "ServiceTest.h"

namespace {

using lurtest::ErrorCode;

class RdmTableChangesTest : public lurtest::CarAutoTest {
protected:
    void SetUp() override {
        CarAutoTest::SetUp();
        table = std::make_unique<RdmTable>(&car, "Auto");
    }
    void Put(int32_t id, const std::string& plate) {
        table->ClearRecord();
        table->Fld("ID").SetLong(id);
        table->Fld("RENDSZ").SetString(plate);
        table->NewRec();
    }

    std::unique_ptr<RdmTable> table;
};

TEST_F(RdmTableChangesTest, ChangesGoThroughTheRecordBuffer) {
    EXPECT_EQ(table->GetCount(), 0);
    Put(1, "AAA");
    Put(2, "BBB");
    EXPECT_EQ(table->GetCount(), 2);
    EXPECT_EQ(ErrorCode([&] { Put(2, "DUP"); }), 10005);

    table->AddTableOption(0);
    table->DefineKey("RENDSZ");
    table->Fld("ID").SetLong(1);
    table->Fld("RENDSZ").SetString("NEW");
    EXPECT_TRUE(table->ModRec());
    EXPECT_EQ(table->GetCurrentKey(), "RENDSZ");
    EXPECT_TRUE(table->Fld("RENDSZ").UpdateRecord());

    table->Fld("ID").SetLong(9);
    EXPECT_FALSE(table->ModRec(false));
    EXPECT_EQ(ErrorCode([&] { table->DelRec(true); }), 10002);
    EXPECT_EQ(table->Fld("ID").GetLong(), 9);  // the buffer stays

    table->DefineKey("ID");
    ASSERT_TRUE(table->Move(0));
    EXPECT_TRUE(table->ReadCurrentRec(true));
    EXPECT_EQ(table->Fld("RENDSZ").GetString(), "NEW");
    table->Fld("ID").SetLong(1);
    EXPECT_TRUE(table->DelRec(true));
    EXPECT_EQ(table->GetCount(), 1);

    table->TruncateFile();
    EXPECT_EQ(table->GetCount(), 0);
    EXPECT_EQ(ErrorCode([&] { table->SaveChanges(); }), 10038);
}

TEST_F(RdmTableChangesTest, TransactionsLocksAndCounters) {
    ASSERT_TRUE(table->BeginTrans("IMPORT"));
    EXPECT_FALSE(table->BeginTrans("AGAIN"));
    EXPECT_EQ(ErrorCode([&] { table->BeginTrans("AGAIN", true); }), 10023);
    Put(1, "AAA");
    table->EndTrans(false);
    EXPECT_EQ(table->GetCount(), 0);

    std::string holder;
    EXPECT_TRUE(table->LockRecord('w', holder));
    EXPECT_TRUE(table->WhoMadeLock('w', holder));
    EXPECT_NE(holder.find("ADMIN"), std::string::npos);
    EXPECT_TRUE(table->UnlockRecord('w'));
    EXPECT_FALSE(table->UnlockRecord('w'));

    table->SetNextIdName("AUTO_SEQ");
    EXPECT_EQ(table->GetNextId(), 1);
    EXPECT_EQ(table->GetNextId(), 2);
}

TEST_F(RdmTableChangesTest, NamedBookmarksAndCursors) {
    Put(2, "AAA");
    Put(1, "BBB");
    EXPECT_EQ(ErrorCode([&] { table->GoToBookmark("start"); }), 2034);
    ASSERT_TRUE(table->CreateBookmark("start"));
    EXPECT_EQ(ErrorCode([&] { table->CreateBookmark("start"); }), 2036);
    EXPECT_TRUE(table->CreateBookmark("Start"));  // names are case-sensitive

    ASSERT_TRUE(table->Move(0));
    EXPECT_TRUE(table->MarkBookmark("start"));
    ASSERT_TRUE(table->Move(3));
    EXPECT_TRUE(table->GoToBookmark("start"));
    ASSERT_TRUE(table->ReadCurrentRec(true));
    EXPECT_EQ(table->Fld("ID").GetLong(), 2);
    table->DropBookmark("start");
    EXPECT_EQ(ErrorCode([&] { table->MarkBookmark("start"); }), 2034);

    EXPECT_EQ(ErrorCode([&] { table->CursorMove("byId", 0); }), 2037);
    ASSERT_TRUE(table->CreateCursor("byId", "ID"));
    EXPECT_EQ(ErrorCode([&] { table->CreateCursor("byId", "ID"); }), 2038);
    table->DefineKey("RENDSZ");
    ASSERT_TRUE(table->CursorMove("byId", 0));
    EXPECT_EQ(table->Fld("ID").GetLong(), 1);
    ASSERT_TRUE(table->CursorMove("byId", 2));
    EXPECT_EQ(table->Fld("ID").GetLong(), 2);
    EXPECT_FALSE(table->CursorMove("byId", 2));  // past the last
    EXPECT_EQ(table->GetCurrentKey(), "RENDSZ");

    RdmTable copy(*table);  // copies share them
    EXPECT_TRUE(copy.CursorMove("byId", 0));
    table->DropCursor("byId");
    EXPECT_TRUE(copy.CursorMove("byId", 3));
}

}  // namespace
