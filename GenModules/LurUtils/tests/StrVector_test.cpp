#include <gtest/gtest.h>

#include <climits>

#include "LurExceptBaseArg.h"
#include "StrVector.h"

namespace {

TEST(StrVector, InsertionKeepsOrderAndConvertsEachType) {
    StrVector v;
    v << "a" << 5 << std::string("b") << 3000000000u << -1 << static_cast<unsigned short>(65535)
      << static_cast<short>(-2) << '\0' << 'z' << LLONG_MIN << ULLONG_MAX;
    const StrVector expected = StrVector() << "a"
                                           << "5"
                                           << "b"
                                           << "3000000000"
                                           << "-1"
                                           << "65535"
                                           << "-2"
                                           << ""
                                           << "z"
                                           << "-9223372036854775808"
                                           << "18446744073709551615";
    EXPECT_EQ(v, expected);
    EXPECT_EQ(StrVector(static_cast<int32_t>(-7)), StrVector("-7"));
    EXPECT_EQ(StrVector(static_cast<uint32_t>(4294967295u)), StrVector("4294967295"));
}

TEST(StrVector, IntegerTextInOtherRadixes) {
    struct Case {
        std::string actual, expected;
    };
    const Case cases[] = {
        {lurutils::ToString(static_cast<int32_t>(255), 16), "ff"},
        {lurutils::ToString(static_cast<int32_t>(-1), 16), "ffffffff"},  // 32-bit two's complement
        {lurutils::ToString(static_cast<int32_t>(-1), 2), std::string(32, '1')},
        {lurutils::ToString(static_cast<int32_t>(-5), 10), "-5"},
        {lurutils::ToString(static_cast<uint32_t>(35), 36), "z"},
        {lurutils::ToString(-1LL, 16), "ffffffffffffffff"},
        {lurutils::ToString(static_cast<int32_t>(INT32_MIN)), "-2147483648"},
        {lurutils::ToString(0ULL, 8), "0"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected);
}

TEST(CheckedContainers, VectorAt) {
    LuVector<int> v{1, 2, 3};
    EXPECT_EQ(v.at(2u), 3);
    EXPECT_THROW(v.at(3u), LuVectorExcept);
}

TEST(CheckedContainers, MapGetAndAdd) {
    LuMap<std::string, int> m;
    EXPECT_TRUE(m.Add("a", 1));
    EXPECT_FALSE(m.Add("a", 2));
    EXPECT_EQ(m.Get("a"), 1);
    EXPECT_THROW(m.Get("b"), LuMapExcept);
    EXPECT_EQ(m.size(), 1u);
    const auto& cm = m;
    EXPECT_THROW(cm.Get("b"), LuMapExcept);
}

TEST(CheckedContainers, SetOperations) {
    LuSet<int> s;
    s.Add(1).Add(2);
    s.Remove(7);
    EXPECT_TRUE(s.Contains(1));
    LuSet<int> other{2, 3};
    s.AddAll(other);
    EXPECT_EQ(s, (LuSet<int>{1, 2, 3}));
    s.RemoveAll(LuSet<int>{1, 9});
    EXPECT_EQ(s, (LuSet<int>{2, 3}));
}

}  // namespace
