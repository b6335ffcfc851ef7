#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "LurBuf.h"
#include "LurExceptBaseArg.h"

namespace {

constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();

std::string Bytes(const LurBuf& buf) { return std::string(static_cast<const char*>(buf.GetData()), buf.GetLength()); }

// A five-byte buffer "abcde" whose read position is 3.
class LurBufAt3 : public testing::Test {
protected:
    void SetUp() override { buf.SetPos(3); }
    LurBuf buf{"abcde", 5};
};

TEST(LurBuf, ConstructionForms) {
    EXPECT_TRUE(LurBuf().IsEmpty());
    EXPECT_EQ(LurBuf().GetData(), nullptr);
    EXPECT_STREQ(LurBuf().GetText(), "");
    EXPECT_TRUE(LurBuf(nullptr, 4).IsEmpty());
    EXPECT_TRUE(LurBuf("x", 0).IsEmpty());
    EXPECT_EQ(Bytes(LurBuf('z', 3)), "zzz");
    EXPECT_TRUE(LurBuf('z', 0).IsEmpty());

    // A text keeps its terminating zero, so even an empty one is not empty.
    const LurBuf fromEmptyText{std::string()};
    EXPECT_EQ(fromEmptyText.GetLength(), 1u);
    EXPECT_FALSE(fromEmptyText == nullptr);
    EXPECT_EQ(Bytes(LurBuf(std::string("ab"))), std::string("ab\0", 3));
}

TEST(LurBuf, Equality) {
    const LurBuf empty;
    const LurBuf abc("abc", 3);
    EXPECT_TRUE(empty == LurBuf());
    EXPECT_TRUE(empty == nullptr);
    EXPECT_FALSE(abc == nullptr);
    EXPECT_TRUE(abc == LurBuf("abc", 3));
    EXPECT_FALSE(abc == LurBuf("abd", 3));
    EXPECT_FALSE(abc == LurBuf("abcd", 4));
    EXPECT_FALSE(abc == empty);
    EXPECT_TRUE(abc == static_cast<const void*>("abcdef"));  // as many bytes as abc holds
    EXPECT_TRUE(abc != "abx");
    EXPECT_FALSE(abc != "abc");
    EXPECT_FALSE(empty != static_cast<const char*>(nullptr));
}

TEST_F(LurBufAt3, CopyKeepsBytesAndReadPosition) {
    const LurBuf copy(buf);
    EXPECT_TRUE(copy == buf);
    EXPECT_EQ(copy.GetPos(), 3u);
    LurBuf assigned;
    assigned = buf;
    EXPECT_EQ(assigned.GetPos(), 3u);
    const LurBuf& same = assigned;
    assigned = same;  // self-assignment keeps everything
    EXPECT_EQ(Bytes(assigned), "abcde");
    EXPECT_EQ(assigned.GetPos(), 3u);
}

TEST_F(LurBufAt3, AppendResetsReadPositionUnlessNothingIsAdded) {
    buf.Append(nullptr, 3).Append("xyz", 0);
    EXPECT_EQ(Bytes(buf), "abcde");
    EXPECT_EQ(buf.GetPos(), 3u);

    buf.Append(buf.GetData(), 2);  // from its own content
    EXPECT_EQ(Bytes(buf), "abcdeab");
    EXPECT_EQ(buf.GetPos(), 0u);

    buf.Append(buf);
    EXPECT_EQ(Bytes(buf), "abcdeababcdeab");
    buf.Append("q").AppendFill('-', 2);
    EXPECT_EQ(Bytes(buf), std::string("abcdeababcdeabq\0--", 18));
}

TEST_F(LurBufAt3, AssignFromOwnContent) {
    buf.Assign(static_cast<const char*>(buf.GetData()) + 1, 3);
    EXPECT_EQ(Bytes(buf), "bcd");
    EXPECT_EQ(buf.GetPos(), 0u);
    buf.Assign('0', 2);
    EXPECT_EQ(Bytes(buf), "00");
    buf.Assign(std::string("t"));
    EXPECT_EQ(Bytes(buf), std::string("t\0", 2));
}

TEST_F(LurBufAt3, AppendBeyondThirtyTwoBitsIsRefused) {
    EXPECT_THROW(buf.Append(buf.GetData(), kMax - 2), std::bad_alloc);
    EXPECT_EQ(Bytes(buf), "abcde");
    EXPECT_EQ(buf.GetPos(), 3u);
}

TEST_F(LurBufAt3, OwnershipTransfers) {
    void* block = nullptr;
    uint32_t length = 0;
    buf.Release(block, length);
    EXPECT_TRUE(buf.IsEmpty());
    EXPECT_EQ(buf.GetPos(), 0u);
    ASSERT_EQ(length, 5u);
    EXPECT_EQ(std::memcmp(block, "abcde", 5), 0);

    buf.Attach(block, length);  // the buffer owns and frees it again
    EXPECT_EQ(Bytes(buf), "abcde");

    buf.SetPos(2);
    char* text = nullptr;
    buf.Release(text, length);
    EXPECT_EQ(std::string(text, length), "abcde");
    ::operator delete(text);

    LurBuf other("xy", 2);
    void* owned = other.GetData();
    other.Detach();
    EXPECT_TRUE(other.IsEmpty());
    ::operator delete(owned);

    EXPECT_FALSE(buf.Allocate(0));
    ASSERT_TRUE(buf.Allocate(4));
    EXPECT_EQ(Bytes(buf), std::string(4, '\0'));
    buf.Free();
    EXPECT_TRUE(buf.IsEmpty());
}

TEST_F(LurBufAt3, WriteAtStaysInsideTheBlock) {
    struct Case {
        uint32_t pos, length;
        bool fits;
    };
    const Case cases[] = {
        {0, 5, true},     {5, 0, true}, {2, 2, true}, {4, 2, false},  // ends one byte past the content
        {6, 0, false},                                                // starts past the content
        {1, kMax, false},                                             // pos + length wraps to 0
        {kMax, 2, false},                                             // pos + length wraps to 1
    };
    const char source[] = "XYZXY";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pos " << c.pos << " length " << c.length);
        LurBuf target("abcde", 5);
        const uint32_t copied = c.fits ? c.length : 0;
        EXPECT_EQ(target.WriteAt(c.pos, source, c.length, false), c.fits);
        EXPECT_EQ(Bytes(target).substr(c.fits ? c.pos : 0, copied), std::string(source, copied));
        if (c.fits) continue;
        EXPECT_EQ(Bytes(target), "abcde");
        try {
            target.WriteAt(c.pos, source, c.length, true);
            ADD_FAILURE() << "no raise";
        } catch (const LurExceptBaseArg& e) {
            EXPECT_EQ(e.GetCode(), 12);
            EXPECT_EQ(e.GetLocation().line, 132);
            EXPECT_EQ(e.GetArgs(), StrVector() << 5u << c.pos);
        }
    }
}

TEST_F(LurBufAt3, SeekClampsOrRaises) {
    struct Case {
        int32_t delta;
        uint32_t clamped;
        int code;  // raised with throwOnError; 0: none
        int line;
    };
    const Case cases[] = {
        {-3, 0, 0, 0},           {2, 5, 0, 0}, {0, 3, 0, 0}, {-4, 0, 11, 172}, {3, 5, 10, 179}, {INT32_MIN, 0, 11, 172},
        {INT32_MAX, 5, 10, 179},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "delta " << c.delta);
        buf.SetPos(3);
        EXPECT_EQ(buf.Seek(c.delta, false), c.clamped);
        EXPECT_EQ(buf.GetPos(), c.clamped);
        buf.SetPos(3);
        if (c.code == 0) {
            EXPECT_EQ(buf.Seek(c.delta, true), c.clamped);
            continue;
        }
        try {
            buf.Seek(c.delta, true);
            ADD_FAILURE() << "no raise";
        } catch (const LurExceptBaseArg& e) {
            EXPECT_EQ(e.GetCode(), c.code);
            EXPECT_EQ(e.GetLocation().line, c.line);
            EXPECT_EQ(e.GetArgs(), StrVector() << c.delta);
            EXPECT_EQ(buf.GetPos(), 3u);
        }
    }
}

TEST_F(LurBufAt3, SetPosBeyondTheEndRaises) {
    buf.SetPos(5);
    try {
        buf.SetPos(6);
        ADD_FAILURE() << "no raise";
    } catch (const LurExceptBaseArg& e) {
        EXPECT_EQ(e.GetCode(), 10);
        EXPECT_EQ(e.GetLocation().line, 192);
        EXPECT_EQ(e.GetLocation().file, "GenModules\\LurUtils\\LurBuf");
        EXPECT_EQ(e.GetArgs(), StrVector() << 6u);
    }
    EXPECT_EQ(buf.GetPos(), 5u);
}

}  // namespace
