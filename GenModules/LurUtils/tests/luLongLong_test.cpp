#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "LurExceptBaseArg.h"
#include "luLongLong.h"

namespace {

constexpr uint32_t kMax = 4294967295u;

// The raise of an operation, or nothing when it did not raise.
std::optional<LurExceptBaseArg> RaiseOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const LurExceptBaseArg& e) {
        return e;
    }
    return std::nullopt;
}

void ExpectWords(const luLongLong& value, uint32_t low, uint32_t high) {
    EXPECT_EQ(value.GetLow(), low);
    EXPECT_EQ(value.GetHigh(), high);
}

struct ArithmeticCase {
    luLongLong left;
    luLongLong right;
    bool add;
    std::optional<luLongLong> expected;  // nothing: raises 12
    int line = 0;                        // of the raise
    StrVector args{};                    // of the raise
};

TEST(luLongLong, AdditionAndSubtractionCarryBorrowAndRefuseToWrap) {
    const ArithmeticCase cases[] = {
        {luLongLong(kMax, 0), luLongLong(1, 0), true, luLongLong(0, 1)},  // carry
        {luLongLong(kMax, kMax), luLongLong(0, 0), true, luLongLong(kMax, kMax)},
        {luLongLong(5, 7), luLongLong(kMax, 1), true, luLongLong(4, 9)},
        {luLongLong(kMax, kMax), luLongLong(1, 0), true, std::nullopt, 70, StrVector() << kMax << 0u},
        {luLongLong(0, 2), luLongLong(0, kMax - 1), true, std::nullopt, 64, StrVector() << 2u << kMax - 1},
        {luLongLong(kMax, 1), luLongLong(1, kMax - 1), true, std::nullopt, 70,
         StrVector() << kMax << kMax - 1},                                 // the high sum, then the other's high word
        {luLongLong(0, 1), luLongLong(1, 0), false, luLongLong(kMax, 0)},  // borrow
        {luLongLong(123, 456), luLongLong(123, 456), false, luLongLong(0, 0)},
        {luLongLong(0, 0), luLongLong(1, 0), false, std::nullopt, 89, StrVector() << 0u << 0u},
        {luLongLong(5, 3), luLongLong(6, 3), false, std::nullopt, 89, StrVector() << 0u << 3u},
        {luLongLong(5, 3), luLongLong(0, 4), false, std::nullopt, 83, StrVector() << 3u << 4u},
    };
    for (const ArithmeticCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left.GetHigh() << ":" << c.left.GetLow() << (c.add ? " + " : " - ")
                                        << c.right.GetHigh() << ":" << c.right.GetLow());
        luLongLong value = c.left;
        const auto raise = RaiseOf([&] { c.add ? value += c.right : value -= c.right; });
        if (c.expected) {
            ASSERT_FALSE(raise);
            EXPECT_EQ(value, *c.expected);
            EXPECT_EQ(c.add ? c.left + c.right : c.left - c.right, *c.expected);
        } else {
            ASSERT_TRUE(raise);
            EXPECT_EQ(raise->GetCode(), 12);
            EXPECT_EQ(raise->GetLocation().line, c.line);
            EXPECT_EQ(raise->GetLocation().file, "GenModules\\LurUtils\\luLongLong");
            EXPECT_EQ(raise->GetArgs(), c.args);
            EXPECT_EQ(value, c.left);  // a refused operation changes nothing
        }
    }
}

TEST(luLongLong, WordAndSignedOperands) {
    luLongLong value(kMax, 0);
    value += 1u;
    ExpectWords(value, 0, 1);
    value -= 1u;
    ExpectWords(value, kMax, 0);

    luLongLong ten(10u);
    ten += static_cast<int32_t>(-5);  // a negative long subtracts its magnitude
    EXPECT_EQ(ten, 5u);
    ten -= static_cast<int32_t>(-5);  // and adds it on subtraction
    EXPECT_EQ(ten, 10u);
    ExpectWords(luLongLong(0, 1) + INT32_MIN, 2147483648u, 0);  // the magnitude fits a word
}

TEST(luLongLong, WordOperandsRefuseToWrap) {
    luLongLong full(kMax, kMax);
    auto raise = RaiseOf([&] { full += 1u; });
    ASSERT_TRUE(raise);
    EXPECT_EQ(raise->GetLocation().line, 104);
    EXPECT_EQ(raise->GetArgs(), StrVector() << kMax << 1u);
    ExpectWords(full, kMax, kMax);

    luLongLong zero;
    raise = RaiseOf([&] { zero -= 2u; });
    ASSERT_TRUE(raise);
    EXPECT_EQ(raise->GetLocation().line, 120);
    EXPECT_EQ(raise->GetArgs(), StrVector() << 0u << 2u);
    raise = RaiseOf([&] { zero += static_cast<int32_t>(-1); });
    ASSERT_TRUE(raise);
    EXPECT_EQ(raise->GetLocation().line, 120);
    ExpectWords(zero, 0, 0);
}

TEST(luLongLong, NegativeLongIsRefused) {
    const auto raise = RaiseOf([] { luLongLong value(static_cast<int32_t>(-3)); });
    ASSERT_TRUE(raise);
    EXPECT_EQ(raise->GetCode(), 12);
    EXPECT_EQ(raise->GetLocation().line, 164);
    EXPECT_EQ(raise->GetArgs(), StrVector() << 0u << static_cast<int32_t>(-3));

    luLongLong value(7u, 1u);
    EXPECT_TRUE(RaiseOf([&] { value = static_cast<int32_t>(-1); }));
    ExpectWords(value, 7, 1);
    value = static_cast<int32_t>(9);
    ExpectWords(value, 9, 0);
}

TEST(luLongLong, Conversions) {
    EXPECT_EQ(luLongLong(2147483647u).ToLong(), 2147483647);
    EXPECT_EQ(luLongLong(kMax, 0).ToULong(), kMax);

    auto raise = RaiseOf([] { (void)luLongLong(2147483648u).ToLong(); });
    ASSERT_TRUE(raise);
    EXPECT_EQ(raise->GetLocation().line, 187);
    EXPECT_EQ(raise->GetArgs(), StrVector() << 0u << 2147483648u);

    raise = RaiseOf([] { (void)luLongLong(0, 1).ToULong(); });
    ASSERT_TRUE(raise);
    EXPECT_EQ(raise->GetLocation().line, 178);
    EXPECT_EQ(raise->GetArgs(), StrVector() << 1u);
    EXPECT_TRUE(RaiseOf([] { (void)luLongLong(0, 1).ToLong(); }));
}

TEST(luLongLong, ComparisonsByHighWordFirst) {
    const luLongLong big(0, 1);
    EXPECT_TRUE(big > kMax);
    EXPECT_TRUE(kMax < big);
    EXPECT_FALSE(big == 0u);
    EXPECT_TRUE(big != 0u);
    EXPECT_TRUE(big >= kMax);
    EXPECT_FALSE(big <= kMax);
    EXPECT_TRUE(luLongLong(kMax, 0) < big);
    EXPECT_TRUE(luLongLong(1, 1) > luLongLong(kMax, 0));
    EXPECT_TRUE(luLongLong(3u) <= luLongLong(3u));
    EXPECT_TRUE(luLongLong(3u) == 3u);
    EXPECT_TRUE(3u >= luLongLong(3u));
    EXPECT_TRUE(2u < luLongLong(3u));
}

}  // namespace
