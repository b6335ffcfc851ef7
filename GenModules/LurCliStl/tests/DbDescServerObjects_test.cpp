// Bookmarks, cursors, blob streams and pending blob changes of DbDesc
// against a service of the client library.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbErrorCode.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Docs 4\n"
    "table Doc\n"
    "  field ID l 4 u\n"
    "  field B1 l 4 n\n"
    "  field B2 l 4 n\n"
    "table Other\n"
    "  field ID l 4 u\n"
    "  field B  l 4 n\n";

using lurtest::ErrorCode;

class DbDescServerObjectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        service = std::make_unique<lurtest::ServiceFixture>(kSchema);
        service->LoadDesc(docs, "Docs", 4);
    }
    void PutDoc(int32_t id) {
        docs.ClearRecord("Doc");
        docs.SetFieldText("Doc", "ID", std::to_string(id));
        docs.SetFieldText("Doc", "B1", "-1");
        docs.SetFieldText("Doc", "B2", "-1");
        docs.NewRec("Doc");
    }
    std::string BlobText(int32_t id) {
        LurBuf buffer;
        if (!docs.ReadBlobToBuf(id, buffer)) return "<none>";
        return std::string(static_cast<const char*>(buffer.GetData()), buffer.GetLength());
    }
    int32_t FieldId(const char* table, const char* field) { return std::stoi(docs.GetFieldText(table, field)); }

    std::unique_ptr<lurtest::ServiceFixture> service;
    DbDesc docs;
};

TEST_F(DbDescServerObjectsTest, BookmarksReturnTheirStatus) {
    PutDoc(1);
    PutDoc(2);
    int32_t bookmark = 99;
    EXPECT_EQ(ErrorCode([&] { docs.BookmarkCreate(bookmark, "Nope"); }), 2002);
    EXPECT_EQ(bookmark, -1);
    ASSERT_EQ(docs.BookmarkCreate(bookmark, "doc"), 0);
    EXPECT_GT(bookmark, 0);
    EXPECT_EQ(docs.BookmarkOperation(bookmark, 1), 10002);  // nothing marked yet
    ASSERT_TRUE(docs.Move(0, "Doc"));
    EXPECT_EQ(docs.BookmarkOperation(bookmark, 0), 0);
    ASSERT_TRUE(docs.Move(3, "Doc"));
    EXPECT_EQ(docs.BookmarkOperation(bookmark, 1), 0);
    ASSERT_TRUE(docs.ReadCurrentRec("Doc", true));
    EXPECT_EQ(docs.GetFieldText("Doc", "ID"), "1");
    EXPECT_EQ(docs.BookmarkDrop(bookmark), 0);
    EXPECT_EQ(docs.BookmarkDrop(bookmark), 10002);
}

TEST_F(DbDescServerObjectsTest, CursorsMoveAlongTheirKey) {
    int32_t cursor = 0;
    EXPECT_EQ(ErrorCode([&] { docs.CursorCreate(cursor, "Doc", "NOPE"); }), 2003);
    EXPECT_EQ(cursor, -1);
    ASSERT_EQ(docs.CursorCreate(cursor, "Doc", "ID"), 0);

    docs.SetFieldText("Doc", "ID", "7");
    EXPECT_FALSE(docs.CursorOperation(cursor, "Doc", 0));  // empty table: first clears
    EXPECT_EQ(docs.GetFieldText("Doc", "ID"), "0");
    EXPECT_EQ(docs.GetListCount("Doc"), 0);

    PutDoc(2);
    PutDoc(1);
    // The record found goes to the list only; the buffer keeps what the caller put there until a list move.
    docs.ClearRecord("Doc");
    docs.SetFieldText("Doc", "ID", "7");
    docs.SetFieldText("Doc", "B2", "9");
    std::vector<char> before, after;
    docs.CopyRecord(before, "Doc");
    ASSERT_TRUE(docs.CursorOperation(cursor, "Doc", 0));
    docs.CopyRecord(after, "Doc");
    EXPECT_EQ(after, before);
    EXPECT_EQ(docs.GetListCount("Doc"), 1);
    EXPECT_EQ(docs.GetListPos("Doc"), 0);
    ASSERT_TRUE(docs.ListMove(0, "Doc"));
    EXPECT_EQ(docs.GetFieldText("Doc", "ID"), "1");
    EXPECT_EQ(docs.GetFieldText("Doc", "B2"), "-1");
    ASSERT_TRUE(docs.CursorOperation(cursor, "Doc", 2));
    EXPECT_EQ(docs.GetFieldText("Doc", "ID"), "1");
    ASSERT_TRUE(docs.ListMove(0, "Doc"));
    EXPECT_EQ(docs.GetFieldText("Doc", "ID"), "2");
    EXPECT_FALSE(docs.CursorOperation(cursor, "Doc", 2));  // past the last: kept
    EXPECT_EQ(docs.GetFieldText("Doc", "ID"), "2");
    EXPECT_EQ(docs.GetListCount("Doc"), 1);
    EXPECT_EQ(docs.CursorDrop(cursor), 0);
    EXPECT_FALSE(docs.CursorOperation(cursor, "Doc", 0));  // a dropped cursor finds nothing
}

TEST_F(DbDescServerObjectsTest, BlobStreams) {
    int32_t id = -1;
    ASSERT_TRUE(docs.WriteBlob(&id, "stream me", 9, false));
    EXPECT_EQ(ErrorCode([&] { docs.CreateBlobStream(5, id + 50); }), 10002);
    ASSERT_EQ(docs.CreateBlobStream(5, id), 0);

    int32_t length = 0;
    void* block = nullptr;
    ASSERT_TRUE(docs.ReadBlobStream(5, length, block));
    EXPECT_EQ(std::string(static_cast<char*>(block), static_cast<size_t>(length)), "stream me");
    ::operator delete(block);
    length = -7;
    block = &length;
    EXPECT_FALSE(docs.ReadBlobStream(5, length, block));
    EXPECT_EQ(length, -7);
    EXPECT_EQ(block, &length);

    ASSERT_EQ(docs.WriteBlobStream(5, 0x64636261, 0x68676665), 0);
    ASSERT_EQ(docs.CloseBlobStream(5, true), 0);
    EXPECT_EQ(BlobText(id), "abcdefgh");
    ASSERT_EQ(docs.DestroyBlobStream(5), 0);
    EXPECT_EQ(ErrorCode([&] { docs.DestroyBlobStream(5); }), 10002);
}

TEST_F(DbDescServerObjectsTest, RecordingMergesChangesOfOneField) {
    struct Case {
        int first;
        int second;
        int merged;
    };
    const Case cases[] = {{1, 2, 4}, {2, 1, 1}, {4, 2, 2}, {1, 4, 4}};
    for (const Case& c : cases) {
        DbDesc fresh(docs);
        fresh.RecordBlobChange("DOC", "B1", "abc", 3, c.first);
        fresh.RecordBlobChange("DOC", "B1", nullptr, 0, c.second);
        ASSERT_EQ(fresh.GetPendingBlobChanges().size(), 1u);
        const PendingBlobChange& change = fresh.GetPendingBlobChanges()[0];
        EXPECT_EQ(change.kind, c.merged) << c.first << " then " << c.second;
        EXPECT_TRUE(change.data.IsEmpty());  // the later change's own bytes: none
    }
    DbDesc copy(docs);
    copy.RecordBlobChange("DOC", "B1", "abc", 3, 2);
    DbDesc assigned(docs);
    assigned = copy;
    EXPECT_TRUE(assigned.GetPendingBlobChanges().empty());
}

TEST_F(DbDescServerObjectsTest, ApplyingCarriesOutOneTablesChangesInOrder) {
    PutDoc(1);
    int32_t oldId = -1;
    ASSERT_TRUE(docs.WriteBlob(&oldId, "old", 3, false));
    docs.SetFieldText("Doc", "B2", std::to_string(oldId));
    docs.AddTableOption("Doc", 6);
    docs.AddTableOption("Other", 6);

    ASSERT_TRUE(docs.WriteBlob("Doc", "B1", "one", 3, false));
    ASSERT_TRUE(docs.DeleteBlob("Doc", "B2"));
    ASSERT_TRUE(docs.WriteBlob("Other", "B", "other", 5, false));
    ASSERT_EQ(docs.GetPendingBlobChanges().size(), 3u);

    docs.ApplyBlobChanges("DOC");
    EXPECT_EQ(BlobText(FieldId("Doc", "B1")), "one");
    EXPECT_EQ(FieldId("Doc", "B2"), -1);
    EXPECT_EQ(BlobText(oldId), "<none>");
    ASSERT_EQ(docs.GetPendingBlobChanges().size(), 1u);
    EXPECT_EQ(docs.GetPendingBlobChanges()[0].table, "OTHER");
    EXPECT_TRUE(docs.GetTableOptions("Doc").Contains(6));
}

}  // namespace
