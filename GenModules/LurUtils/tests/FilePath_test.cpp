#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ExpectRaise.h"
#include "File.h"
#include "FileScratch.h"
#include "LastError.h"

namespace {

using namespace lurutils;
using testing_lurutils::ExpectRaiseAt;

// The current directory set for one test, and put back after it.
class PathTest : public testing_lurutils::FileScratch {
protected:
    void SetUp() override {
        FileScratch::SetUp();
        m_saved = ChangeWorkingDirectory(RemoveBackslash(W()), true);
    }
    void TearDown() override {
        ChangeWorkingDirectory(m_saved, true);
        FileScratch::TearDown();
    }
    std::string m_saved;
};

struct TextCase {
    std::function<std::string()> call;
    std::string expected;
    const char* what;
};

TEST(PathPure, TextFunctions) {
    const TextCase cases[] = {
        {[] { return AddBackslash(""); }, "", "AddBackslash empty"},
        {[] { return AddBackslash("C:"); }, "C:\\", "AddBackslash drive"},
        {[] { return AddBackslash("C:\\a\\"); }, "C:\\a\\", "AddBackslash ends with one"},
        {[] { return AddBackslash("a/"); }, "a/\\", "a slash is no separator"},
        {[] { return RemoveBackslash("C:\\a\\\\"); }, "C:\\a\\", "RemoveBackslash removes one"},
        {[] { return RemoveBackslash("C:\\a"); }, "C:\\a", "RemoveBackslash none"},
        {[] { return GetFileName("C:\\dir\\name.txt", false); }, "name", "GetFileName without extension"},
        {[] { return GetFileName("C:\\dir\\name.txt", true); }, "name.txt", "GetFileName with extension"},
        {[] { return GetFileName("name.txt", false); }, "name", "GetFileName bare"},
        {[] { return GetFileName("D:x.y", true); }, "x.y", "GetFileName after a drive colon"},
        {[] { return GetFileName("C:\\dir\\", true); }, "", "GetFileName of a directory path"},
        {[] { return GetExtension("C:\\a.b\\c"); }, "", "GetExtension dot before the backslash"},
        {[] { return GetExtension("c.tar.gz"); }, ".gz", "GetExtension last dot"},
        {[] { return ChangeExtension("a.txt", "bak"); }, "a.bak", "ChangeExtension without dot"},
        {[] { return ChangeExtension("a.txt", ".bak"); }, "a.bak", "ChangeExtension with dot"},
        {[] { return ChangeExtension("a.txt", "."); }, "a", "ChangeExtension of '.'"},
        {[] { return ChangeExtension("dir.x\\a", "txt"); }, "dir.x\\a.txt", "ChangeExtension no dot in the name"},
        {[] { return ChangeExtension("dir\\a.txt\\", "bak"); }, "dir\\a.bak", "ChangeExtension trailing backslash"},
        {[] { return GetDirectoryPart("C:\\a\\b.txt", true, true); }, "C:\\a\\", "GetDirectoryPart with"},
        {[] { return GetDirectoryPart("C:\\a\\b.txt", false, false); }, "C:\\a", "GetDirectoryPart without"},
        {[] { return GetDirectoryPart("D:x", true, false); }, "D:", "GetDirectoryPart drive colon"},
        {[] { return GetDirectoryPart("D:x", false, false); }, "D", "GetDirectoryPart drive colon without"},
        {[] { return GetDirectoryPart("C:\\a\\", true, false); }, "C:\\a\\", "GetDirectoryPart its own"},
        {[] { return GetDirectoryPart("name.txt", true, true); }, ".\\", "GetDirectoryPart relative kept"},
        {[] { return GetDirectoryPart("\\\\srv\\share\\f", true, false); }, "\\\\srv\\share\\", "network"},
        {[] { return RebasePath("C:\\src\\", "D:\\dst\\", "C:\\src\\x\\y\\f.txt", false); }, "D:\\dst\\x\\y\\",
         "RebasePath below"},
        {[] { return RebasePath("C:\\src\\", "D:\\dst\\", "C:\\src\\f.txt", false); }, "D:\\dst\\",
         "RebasePath at the base"},
        {[] { return RebaseDirectory("C:\\src", "D:\\dst", "C:\\src\\x\\f.txt", false); }, "D:\\dst\\x\\",
         "RebaseDirectory adds the backslashes"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(c.call(), c.expected) << c.what;

    EXPECT_TRUE(EndsWithSeparator("C:"));
    EXPECT_TRUE(EndsWithSeparator("C:\\a\\"));
    EXPECT_FALSE(EndsWithSeparator(""));
    EXPECT_TRUE(HasNoEndSeparator("C:\\a"));
}

TEST(PathPure, AbsoluteAndRelative) {
    EXPECT_TRUE(IsAbsolutePath("C:\\a", true));
    EXPECT_TRUE(IsAbsolutePath("C:a", true));
    EXPECT_TRUE(IsAbsolutePath("\\\\srv\\share", true));
    EXPECT_FALSE(IsAbsolutePath("\\a", true));
    EXPECT_FALSE(IsAbsolutePath("a\\b", true));
    EXPECT_FALSE(IsAbsolutePath("\\", true));
    EXPECT_FALSE(IsAbsolutePath("ab:c", false));
    EXPECT_TRUE(IsRelativePath("ab:c", false));
    try {
        IsAbsolutePath("ab:c", true);
        ADD_FAILURE() << "no raise";
    } catch (const LurFileExcept& e) {
        EXPECT_EQ(e.GetCode(), 714);
        EXPECT_EQ(e.GetArgs(), StrVector("ab:c"));
    }
    EXPECT_TRUE(IsInsidePath("C:\\a", "C:\\ab\\c"));  // a plain prefix of the texts
    EXPECT_FALSE(IsInsidePath("C:\\a", "C:\\a"));     // never inside itself
    EXPECT_FALSE(IsInsidePath("C:\\b", "C:\\a\\b"));
}

TEST(PathPure, NextPathPrefixWalksFromTheRoot) {
    unsigned pos = 0;
    EXPECT_EQ(NextPathPrefix("C:\\a\\b\\c", pos), "C:\\a");
    EXPECT_EQ(NextPathPrefix("C:\\a\\b\\c", pos), "C:\\a\\b");
    EXPECT_EQ(NextPathPrefix("C:\\a\\b\\c", pos), "");
    EXPECT_EQ(pos, 7u);
    pos = 0;
    EXPECT_EQ(NextPathPrefix("\\a\\b", pos), "");
    EXPECT_EQ(pos, 1u);
}

TEST(PathPure, RebaseRefusesAPathNotUnderTheOldBase) {
    const char* source = "GenModules\\LurUtils\\File";
    // Above the old base.
    ExpectRaiseAt([] { RebasePath("C:\\src\\", "D:\\dst\\", "C:\\f.txt", false); }, 714, source, 1576,
                  StrVector("C:\\src\\") << "C:\\");
    // Beside it: no place under the new base either, rather than a cut text.
    ExpectRaiseAt([] { RebasePath("C:\\src\\", "D:\\dst\\", "C:\\other\\deep\\f.txt", false); }, 714, source, 1576,
                  StrVector("C:\\src\\") << "C:\\other\\deep\\");
    try {
        RebasePath("C:\\src\\", "D:\\dst\\", "C:\\f.txt", false);
    } catch (const LurFileExcept&) {
        ADD_FAILURE() << "raised as a file exception";
    } catch (const LurExceptBaseArg&) {
    }
}

TEST_F(PathTest, RelativePathsResolveAgainstTheCurrentDirectory) {
    MakeDir("sub");
    Write("sub\\f.txt", "x");
    const std::string here = RemoveBackslash(W());
    EXPECT_EQ(GetWorkingDirectory(true), here);
    EXPECT_EQ(GetFullPath("sub\\..\\f.txt", true), here + "\\f.txt");
    EXPECT_EQ(GetFullPath("\\x\\y", true), "C:\\x\\y");
    EXPECT_EQ(GetFullPath("C:\\a\\..\\..\\b", true), "C:\\b");
    EXPECT_EQ(GetDirectoryPart("name.txt", true, false), here + "\\");
    EXPECT_EQ(GetDirectoryPart("sub\\f.txt", false, false), here + "\\sub");
    EXPECT_EQ(GetDirectoryPart("\\x\\y", true, false), "C:\\x\\");
    EXPECT_EQ(GetExistingDirectory("sub", true, false), here + "\\sub");
    EXPECT_EQ(GetExistingDirectory("sub", true, true), "sub");
    EXPECT_EQ(GetExistingDirectory("sub\\f.txt", true, false), here + "\\sub\\");
    EXPECT_EQ(GetExistingDirectory("none\\f.txt", true, false), "");
    EXPECT_EQ(GetFileNamePart("sub", true), "");
    EXPECT_EQ(GetFileNamePart("sub\\f.txt", false), "f");
    EXPECT_EQ(ResolvePath(W("sub"), "g.txt"), W("sub\\g.txt"));         // a directory base
    EXPECT_EQ(ResolvePath(W("sub\\f.txt"), "g.txt"), W("sub\\g.txt"));  // a file base: its directory
    EXPECT_EQ(ResolvePath(W("sub\\f.txt"), "C:\\g.txt"), "C:\\g.txt");  // an absolute name
    EXPECT_TRUE(IsInsidePath("sub", W("sub\\f.txt")));  // "sub" is taken as its directory, the current one
}

TEST_F(PathTest, OtherDrivesAndNetworkNamesCannotBeReached) {
    EXPECT_FALSE(Exists("D:\\x", false));
    EXPECT_FALSE(CreateOneDirectory("D:\\x", false));
    EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(CreateOneDirectory("\\\\srv\\share\\x", false));
    EXPECT_EQ(win::GetLastError(), win::ERROR_BAD_NETPATH);
}

}  // namespace
