// RdmBookmark: copies share one server bookmark, which the last copy drops.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "DbDesc.h"
#include "DbDescError.h"
#include "RdmBookmark.h"
#include "ServiceTest.h"

namespace {

class RdmBookmarkTest : public lurtest::CarAutoTest {
protected:
    void SetUp() override {
        CarAutoTest::SetUp();
        car.SetFieldText("Auto", "ID", "1");
        car.NewRec("Auto");
        car.Move(0, "AUTO");
    }
    // Whether the server still has the bookmark (marking answers 0).
    bool OnServer(int32_t id) { return car.BookmarkOperation(id, 0) == 0; }
};

TEST_F(RdmBookmarkTest, TheLastCopyDropsTheServerBookmark) {
    std::optional<RdmBookmark> first(std::in_place, &car, "AUTO");
    const int32_t id = first->GetId();
    ASSERT_GT(id, 0);
    std::optional<RdmBookmark> second(*first);
    RdmBookmark third;
    third = *second;
    const RdmBookmark& same = third;
    third = same;  // self-assignment changes nothing
    EXPECT_EQ(third.GetId(), id);
    EXPECT_EQ(third.GetTableName(), "AUTO");

    first.reset();
    second.reset();
    EXPECT_TRUE(OnServer(id));
    EXPECT_EQ(third.Mark(), 0);
    EXPECT_EQ(third.GoTo(), 0);
    EXPECT_EQ(third.Release(), 0);
    EXPECT_FALSE(OnServer(id));
    EXPECT_EQ(third.Release(), 0);  // holds nothing any more
}

TEST_F(RdmBookmarkTest, ReopeningLeavesTheOldBookmarkToItsCopy) {
    RdmBookmark bookmark(&car, "AUTO");
    const int32_t oldId = bookmark.GetId();
    {
        RdmBookmark copy(bookmark);
        ASSERT_EQ(bookmark.Open(&car, "AUTO"), 0);
        EXPECT_NE(bookmark.GetId(), oldId);
        EXPECT_EQ(copy.GetId(), oldId);
        EXPECT_TRUE(OnServer(oldId));
    }
    EXPECT_FALSE(OnServer(oldId));
    EXPECT_TRUE(OnServer(bookmark.GetId()));

    // Re-opened on another description, the old bookmark is still dropped
    // on the handle that made it.
    const int32_t lastId = bookmark.GetId();
    DbDesc noHandle(car);
    noHandle.SetHandle(DbDesc::kNoHandle);
    EXPECT_EQ(bookmark.Open(&noHandle, "AUTO"), 10014);
    EXPECT_FALSE(OnServer(lastId));
}

TEST_F(RdmBookmarkTest, WithoutAServerBookmarkNothingIsSentOrShared) {
    RdmBookmark empty;
    EXPECT_EQ(empty.Mark(), 2034);
    EXPECT_EQ(empty.GoTo(), 2034);
    try {
        empty.Open(nullptr, "AUTO");
        FAIL() << "no description";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 2011);
    }

    DbDesc noHandle(car);
    noHandle.SetHandle(DbDesc::kNoHandle);  // the server refuses the create
    RdmBookmark failed;
    EXPECT_EQ(failed.Open(&noHandle, "AUTO"), 10014);
    EXPECT_EQ(failed.GetId(), -1);
    RdmBookmark copy(failed);
    EXPECT_EQ(copy.GetId(), -1);
    EXPECT_EQ(copy.Mark(), 2034);
    EXPECT_EQ(failed.Release(), 0);
}

}  // namespace
