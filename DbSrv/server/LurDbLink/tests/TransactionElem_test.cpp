#include <gtest/gtest.h>

#include <new>
#include <utility>
#include <vector>

#include "LurDbLink.h"

namespace {

const std::vector<unsigned char> kBytes = {1, 2, 3, 4, 5};

TransactionElem Elem(const unsigned char* data, int32_t size) {
    TransactionElem elem;
    elem.SetFields(TransactionElem::kModify, 7, 10001, 1002, size, data);
    return elem;
}

void ExpectFields(const TransactionElem& elem, int32_t size) {
    EXPECT_EQ(elem.GetType(), TransactionElem::kModify);
    EXPECT_EQ(elem.GetDbNo(), 7);
    EXPECT_EQ(elem.GetRecType(), 10001);
    EXPECT_EQ(elem.GetKeyField(), 1002);
    EXPECT_EQ(elem.GetSize(), size);
}

TEST(TransactionElem, NewElementHasTheDefaults) {
    const TransactionElem elem;
    EXPECT_EQ(elem.GetType(), -1);
    EXPECT_EQ(elem.GetDbNo(), -1);
    EXPECT_EQ(elem.GetRecType(), -1);
    EXPECT_EQ(elem.GetKeyField(), -1);
    EXPECT_EQ(elem.GetSize(), 0);
    EXPECT_EQ(elem.GetData(), nullptr);
}

TEST(TransactionElem, KeepsItsOwnCopyOfTheCallersBytes) {
    std::vector<unsigned char> caller = kBytes;
    const TransactionElem elem = Elem(caller.data(), 5);
    caller[0] = 99;
    ExpectFields(elem, 5);
    ASSERT_NE(elem.GetData(), nullptr);
    EXPECT_EQ(std::vector<unsigned char>(elem.GetData(), elem.GetData() + 5), kBytes);
}

TEST(TransactionElem, CopiesOwnSeparateBuffers) {
    TransactionElem original = Elem(kBytes.data(), 5);
    TransactionElem copied(original);
    TransactionElem assigned;
    assigned = original;
    original.GetData()[0] = 99;
    for (const TransactionElem* copy : {&copied, &assigned}) {
        ExpectFields(*copy, 5);
        ASSERT_NE(copy->GetData(), nullptr);
        EXPECT_EQ(copy->GetData()[0], 1);
    }
}

TEST(TransactionElem, WithoutDataKeepsTheSizeAndCopiesHaveNoBuffer) {
    TransactionElem original = Elem(kBytes.data(), 5);
    original.SetFields(TransactionElem::kModify, 7, 10001, 1002, 46, nullptr);
    const TransactionElem copy(original);
    ExpectFields(copy, 46);
    EXPECT_EQ(original.GetData(), nullptr);
    EXPECT_EQ(copy.GetData(), nullptr);
}

TEST(TransactionElem, NegativeSizeWithDataIsRefusedAndChangesNothing) {
    TransactionElem elem = Elem(kBytes.data(), 5);
    EXPECT_THROW(elem.SetFields(TransactionElem::kNew, 1, 2, 3, -1, kBytes.data()), std::bad_alloc);
    ExpectFields(elem, 5);
    EXPECT_EQ(elem.GetData()[4], 5);
}

TEST(TransactionElem, VectorGrowthKeepsEveryRecord) {
    std::vector<TransactionElem> list;
    for (unsigned char i = 0; i < 20; ++i) {
        const unsigned char byte[1] = {i};
        list.push_back(Elem(byte, 1));
    }
    for (unsigned char i = 0; i < 20; ++i) EXPECT_EQ(list[i].GetData()[0], i);
}

}  // namespace
