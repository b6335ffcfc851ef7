#include "FunctionLoader.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "ServiceFixture.h"

namespace {

using lurtest::BinDir;

// Which pointers are set, in member order.
std::vector<bool> SetPointers(const FunctionLoader& loader) {
    std::vector<bool> set;
#define LUR_POINTER_IS_SET(name) set.push_back(loader.pf##name != nullptr);
    LUR_CLIENT_FUNCTIONS(LUR_POINTER_IS_SET)
#undef LUR_POINTER_IS_SET
    return set;
}

int LoadedPointers(const FunctionLoader& loader) {
    const std::vector<bool> set = SetPointers(loader);
    return static_cast<int>(std::count(set.begin(), set.end(), true));
}

// Which functions the library file exports, in the same order.
std::vector<bool> Exported(const std::string& path) {
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(library, nullptr) << path;
    std::vector<bool> exported;
    for (const lurdbcli::ClientFunction& f : lurdbcli::kClientFunctions)
        exported.push_back(library && ::dlsym(library, f.symbol));
    if (library) ::dlclose(library);
    return exported;
}

size_t MemberIndex(const char* pointerName) {
    for (size_t i = 0; i < std::size(lurdbcli::kClientFunctions); ++i)
        if (std::string(lurdbcli::kClientFunctions[i].pointerName) == pointerName) return i;
    return SIZE_MAX;
}

// The client library the loaders of a test pick up (unset: the one beside
// the program).
class FunctionLoaderTest : public ::testing::Test {
protected:
    void TearDown() override { ::unsetenv("LURDBCLI_LIBRARY"); }
    static void UseLibrary(const std::string& path) { ::setenv("LURDBCLI_LIBRARY", path.c_str(), 1); }
};

// Expects DbDescError 10038 whose one argument is the pointer's name.
template <class Fn>
void ExpectMissing(Fn pointer, const char* name) {
    try {
        RequireFunction(pointer, name, lurclistl::ThrowSite("DbDesc", 7));
        ADD_FAILURE() << name << " is present";
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetCode(), 10038);
        EXPECT_EQ(e.GetArgs(), StrVector(name));
        EXPECT_EQ(e.GetLocation().file, "GenModules\\LurCliStl\\DbDesc");
    }
}

TEST_F(FunctionLoaderTest, LibraryBesideTheProgramFillsTheTable) {
    FunctionLoader loader(true);
    ASSERT_NE(loader.GetModule(), nullptr);
    EXPECT_NE(loader.pfFreePtr, nullptr);
    EXPECT_NE(loader.pfReindex, nullptr);
    EXPECT_NE(loader.pfReindexAll, nullptr);
    EXPECT_NE(loader.pfGetLockList, nullptr);
    // Exactly the functions the library exports are set.
    EXPECT_EQ(SetPointers(loader), Exported(BinDir() + "/liblurdbcli.so"));
    // Each variant of Reindex is its own function: a handle that does not
    // exist is refused by both.
    EXPECT_EQ(loader.pfReindex(1234, -1), lurdbcli::kNoHandle);
    EXPECT_EQ(loader.pfReindexAll(1234), lurdbcli::kNoHandle);
}

TEST_F(FunctionLoaderTest, MissingFunctionsStayEmptyAndAreReportedByPointerName) {
    UseLibrary(BinDir() + "/partial/liblurdbcli.so");
    FunctionLoader loader(true);
    ASSERT_NE(loader.GetModule(), nullptr);
    std::vector<bool> expected = Exported(BinDir() + "/liblurdbcli.so");
    expected[MemberIndex("pfReindexAll")] = false;
    expected[MemberIndex("pfGetLockList")] = false;
    EXPECT_EQ(SetPointers(loader), expected);
    ExpectMissing(loader.pfReindexAll, "pfReindexAll");
    ExpectMissing(loader.pfGetLockList, "pfGetLockList");
    // "_Reindex@8" still serves reindexing.
    ASSERT_NE(loader.pfReindex, nullptr);
    EXPECT_EQ(loader.pfReindex(1234, -1), lurdbcli::kNoHandle);
}

TEST_F(FunctionLoaderTest, WithoutTheLibraryEveryPointerIsEmpty) {
    UseLibrary(BinDir() + "/no-such-library.so");
    FunctionLoader loader(true);
    EXPECT_EQ(loader.GetModule(), nullptr);
    EXPECT_EQ(LoadedPointers(loader), 0);
    ExpectMissing(loader.pfCreateDbHandler, "pfCreateDbHandler");
    loader.Unload();  // nothing to release
    loader.Load();    // still missing: nothing changes
    EXPECT_EQ(LoadedPointers(loader), 0);
}

TEST_F(FunctionLoaderTest, UnloadEmptiesAndLoadFillsAgain) {
    FunctionLoader loader(false);
    EXPECT_EQ(LoadedPointers(loader), 0);
    loader.Load();
    EXPECT_EQ(SetPointers(loader), Exported(BinDir() + "/liblurdbcli.so"));
    loader.Unload();
    EXPECT_EQ(loader.GetModule(), nullptr);
    EXPECT_EQ(LoadedPointers(loader), 0);
}

TEST_F(FunctionLoaderTest, TheProcessHasOneTable) {
    FunctionLoader& table = GetFunctionLoader();
    EXPECT_EQ(&table, &GetFunctionLoader());
    EXPECT_NE(table.pfGetDbDescription, nullptr);
    EXPECT_NO_THROW(LUR_CLIENT_FUNCTION(GetDbDescription, "DbDescMap"));
}

TEST_F(FunctionLoaderTest, SetLocale) {
    EXPECT_EQ(FunctionLoader::SetLocale("C"), "C");
    try {
        FunctionLoader::SetLocale("Klingon_Qo'noS.1250");
        ADD_FAILURE();
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetCode(), 0);
        EXPECT_TRUE(e.GetArgs().empty());
    }
}

}  // namespace
