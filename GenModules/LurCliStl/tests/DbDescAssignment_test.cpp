// DbDesc assignment: a failed assignment leaves the target as it was.
// This program replaces the global allocation functions so that the n-th
// allocation of an armed stretch can fail.
#include "DbDesc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "DescBlob.h"

using lurtest::BlobDesc;
using lurtest::TableSpec;

namespace {

long g_allocationsBeforeFailure = -1;  // -1: never fail

}  // namespace

void* operator new(std::size_t size) {
    if (g_allocationsBeforeFailure == 0) throw std::bad_alloc();
    if (g_allocationsBeforeFailure > 0) --g_allocationsBeforeFailure;
    if (void* block = std::malloc(size > 0 ? size : 1)) return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

std::vector<TableSpec> SourceSchema() {
    return {{"Car", {{"ID", 'l', 4, 'u'}, {"PLATE", 'c', 12}}, {}}, {"Owner", {{"NAME", 'c', 30}}, {}}};
}

std::vector<TableSpec> TargetSchema() { return {{"Log", {{"LINE", 'c', 40}, {"NO", 'i', 4}}, {}}}; }

TEST(DbDescAssignment, AFailedAssignmentLeavesTheTargetAsItWas) {
    BlobDesc source(SourceSchema(), "SOURCE", 3);
    source.Desc().SetFieldText("Car", "PLATE", "ABC-123");
    source.Desc().AddCurrentToList("Car");
    source.Desc().AddCurrentToList("Car");
    source.Desc().SetFieldText("Owner", "NAME", "Kovacs");

    BlobDesc target(TargetSchema(), "TARGET", 4);
    DbDesc& desc = target.Desc();
    desc.SetFieldText("Log", "LINE", "kept");
    desc.AddCurrentToList("Log");

    bool assigned = false;
    for (long failAt = 0; !assigned; ++failAt) {
        ASSERT_LT(failAt, 1000) << "the assignment never completed";
        g_allocationsBeforeFailure = failAt;
        try {
            desc = source.Desc();
            assigned = true;
        } catch (const std::bad_alloc&) {
        }
        g_allocationsBeforeFailure = -1;
        if (assigned) break;
        ASSERT_EQ(&desc.GetStruct(), &target.Struct()) << "failure at allocation " << failAt;
        EXPECT_EQ(desc.GetDbNo(), 4);
        EXPECT_EQ(desc.GetFieldText("Log", "LINE"), "kept");
        EXPECT_EQ(desc.GetListCount("Log"), 1);
    }
    EXPECT_EQ(&desc.GetStruct(), &source.Struct());
    EXPECT_EQ(desc.GetFieldText("Car", "PLATE"), "ABC-123");
    EXPECT_EQ(desc.GetFieldText("Owner", "NAME"), "Kovacs");
    EXPECT_EQ(desc.GetListCount("Car"), 2);
}

TEST(DbDescAssignment, SelfAssignmentKeepsEverything) {
    BlobDesc blob(SourceSchema(), "SOURCE", 3);
    DbDesc& desc = blob.Desc();
    desc.SetFieldText("Car", "PLATE", "XYZ-987");
    desc.AddCurrentToList("Car");
    DbDesc& same = desc;
    desc = same;
    EXPECT_EQ(&desc.GetStruct(), &blob.Struct());
    EXPECT_EQ(desc.GetFieldText("Car", "PLATE"), "XYZ-987");
    EXPECT_EQ(desc.GetListCount("Car"), 1);
}

}  // namespace
