// ListBytes: a block the client handed over is kept as the list, written in
// place while the list keeps its size, and given back with the client's
// FreePtr exactly once, whichever way the list lets it go; a copy or a
// growth never shares it.
#include "ListBytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "FunctionLoader.h"
#include "ScopedClientFunction.h"

using lurtest::ScopedClientFunction;

namespace {

int g_givenBack = 0;

int32_t CountingFree(void* block) {
    ++g_givenBack;
    std::free(block);
    return 0;
}

class ListBytesTest : public ::testing::Test {
protected:
    void SetUp() override { g_givenBack = 0; }

    // A block as the client hands it over.
    static ClientBlock Handed(const std::string& bytes) {
        auto* block = static_cast<char*>(std::malloc(bytes.size() + 1));
        std::memcpy(block, bytes.c_str(), bytes.size() + 1);
        return ClientBlock(block);
    }
    static std::string Text(const ListBytes& list) { return std::string(list.data(), list.size()); }

    ScopedClientFunction<decltype(FunctionLoader::pfFreePtr)> m_free{GetFunctionLoader().pfFreePtr, CountingFree};
};

TEST_F(ListBytesTest, AHandedBlockIsTheListUntilItGrows) {
    ClientBlock block = Handed("aaabbbccc");
    const char* bytes = block.get();
    ListBytes list;
    list.Adopt(std::move(block), 9);
    EXPECT_EQ(list.data(), bytes);  // not copied

    list.Erase(3, 3);  // in place
    EXPECT_EQ(Text(list), "aaaccc");
    EXPECT_EQ(list.data(), bytes);
    EXPECT_EQ(g_givenBack, 0);

    list.Append("ddd", 3);  // now its own bytes; the block goes back
    EXPECT_EQ(Text(list), "aaacccddd");
    EXPECT_EQ(g_givenBack, 1);
    list.Clear();
    EXPECT_EQ(g_givenBack, 1);
}

TEST_F(ListBytesTest, EveryWayOutGivesTheBlockBackOnce) {
    {
        ListBytes list;
        list.Adopt(Handed("abc"), 3);
        const ListBytes copy(list);  // owns its bytes
        ListBytes assigned;
        assigned = list;
        list.Assign("xy", 2);
        EXPECT_EQ(g_givenBack, 1);
        EXPECT_EQ(Text(copy), "abc");
        EXPECT_EQ(Text(assigned), "abc");
    }
    {
        ListBytes list;
        list.Adopt(Handed("abc"), 3);
        ListBytes moved(std::move(list));
        EXPECT_EQ(Text(moved), "abc");
        list = std::move(moved);
        EXPECT_EQ(Text(list), "abc");
        list.Adopt(Handed("def"), 3);  // the first goes back
        EXPECT_EQ(g_givenBack, 2);
        EXPECT_EQ(Text(list), "def");
    }  // the second with the list
    EXPECT_EQ(g_givenBack, 3);

    ListBytes empty;
    empty.Adopt(Handed(""), 0);  // nothing to keep
    EXPECT_EQ(g_givenBack, 4);
    EXPECT_TRUE(empty.empty());
}

}  // namespace
