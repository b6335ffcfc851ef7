#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <string>
#include <vector>

#include "ExpectRaise.h"
#include "File.h"
#include "FileScratch.h"
#include "LastError.h"
#include "TzScope.h"

namespace {

using namespace lurutils;
using testing_lurutils::ExpectRaiseAt;
using Names = std::vector<std::string>;

// A small tree: a.txt, b.dat, B.txt, .hidden.txt, sub.txt\ (with deep.txt),
// other\ (with x.txt and inner\y.txt), empty\.
class ListingTest : public testing_lurutils::FileScratch {
protected:
    void SetUp() override {
        FileScratch::SetUp();
        Write("a.txt", "12345");
        Write("b.dat", "1");
        Write("B.txt", "12");
        Write(".hidden.txt", "");
        Write("sub.txt\\deep.txt", "123");
        Write("other\\x.txt", "1234");
        Write("other\\inner\\y.txt", "123456");
        MakeDir("empty");
    }
    // The names of records, relative to the scratch directory.
    Names Rel(const std::deque<FileInfo>& list) const {
        Names names;
        for (const FileInfo& record : list) names.push_back(record.path.substr(W().size()));
        return names;
    }
};

TEST_F(ListingTest, FindFilesAndDirectories) {
    std::deque<FileInfo> list;
    EXPECT_TRUE(FindFiles(W(), "*.txt", &list, false));
    EXPECT_EQ(Rel(list), (Names{".hidden.txt", "a.txt", "B.txt"}));
    list.clear();
    EXPECT_TRUE(FindFiles(RemoveBackslash(W()), "*.txt", &list, false, true));
    EXPECT_EQ(Rel(list), (Names{".hidden.txt", "a.txt", "B.txt", "sub.txt"}));
    list.clear();
    EXPECT_TRUE(FindFiles(W(), "*.txt", &list, true));  // depth first, a directory's own files first
    EXPECT_EQ(Rel(list),
              (Names{".hidden.txt", "a.txt", "B.txt", "other\\x.txt", "other\\inner\\y.txt", "sub.txt\\deep.txt"}));
    list.clear();
    EXPECT_TRUE(FindFiles(W(), "*.*", &list, false, true));  // "." and ".." never
    EXPECT_EQ(Rel(list), (Names{".hidden.txt", "a.txt", "b.dat", "B.txt", "empty", "other", "sub.txt"}));

    std::deque<FileInfo> kept(1);
    EXPECT_TRUE(FindFiles(W("empty"), "*.*", &kept, false));  // found only "." and "..", but out is not empty
    EXPECT_FALSE(FindFiles("", "*.*", &kept, false));
    EXPECT_FALSE(FindFiles(W("none"), "*.*", &kept, false));
    EXPECT_EQ(kept.size(), 1u);
    list.clear();
    EXPECT_FALSE(FindFiles(W("empty"), "*.*", &list, false));

    std::deque<std::string> names;
    EXPECT_TRUE(FindNames((W("empty") + "\\*.*").c_str(), &names));
    EXPECT_EQ(Names(names.begin(), names.end()), (Names{".", ".."}));

    std::deque<FileInfo> dirs;
    EXPECT_TRUE(FindDirectories(W(), "*.*", &dirs));
    EXPECT_EQ(Rel(dirs), (Names{"empty", "other", "sub.txt"}));
    dirs.clear();
    EXPECT_TRUE(FindDirectories(W("empty"), "*.*", &dirs));
    EXPECT_TRUE(dirs.empty());
    EXPECT_FALSE(FindDirectories("", "*.*", &dirs));

    std::deque<std::string> paths;
    EXPECT_TRUE(FindFilePaths(W("other"), "*.txt", &paths, true));
    EXPECT_EQ(Names(paths.begin(), paths.end()), (Names{W("other\\x.txt"), W("other\\inner\\y.txt")}));
    paths.clear();
    EXPECT_TRUE(FindDirectoryPaths(W("other"), "*", &paths));
    EXPECT_EQ(Names(paths.begin(), paths.end()), (Names{W("other\\inner")}));

    EXPECT_EQ(GetDirectorySize(W(), false), luLongLong(8u));
    EXPECT_EQ(GetDirectorySize(W(), true), luLongLong(8u + 3 + 4 + 6));
}

TEST_F(ListingTest, SingleEntries) {
    EXPECT_TRUE(Exists(W("other\\"), false));  // the backslash is removed before the search
    EXPECT_TRUE(Exists(W("a.txt"), false));
    EXPECT_FALSE(Exists(W("none"), false));
    try {
        Exists(W("none\\"), true);
        ADD_FAILURE() << "no raise";
    } catch (const LurFileExcept& e) {
        EXPECT_EQ(e.GetCode(), 705);
        EXPECT_EQ(e.GetArgs(), StrVector(W("none")));
    }
    EXPECT_THROW(MustExist(W("none")), LurFileExcept);
    EXPECT_TRUE(IsDirectory(W("other"), false));
    EXPECT_FALSE(IsDirectory(W("a.txt"), false));
    EXPECT_THROW(IsDirectory(W("a.txt"), true), LurFileExcept);

    FileInfo info;
    ASSERT_TRUE(GetFileInfo(W("a.txt"), info));
    EXPECT_EQ(info.name, "a.txt");
    EXPECT_EQ(info.path, W("a.txt"));
    EXPECT_EQ(info.size, luLongLong(5u));
    EXPECT_EQ(info.attributes, unsigned(FileAttrArchive));
    EXPECT_FALSE(GetFileInfo(W("none"), info));
    EXPECT_EQ(info.name, "a.txt");               // unchanged
    ASSERT_TRUE(GetFileInfo(W("*.dat"), info));  // a wildcard: the first match
    EXPECT_EQ(info.name, "b.dat");

    EXPECT_TRUE(IsRealEntry("a"));
    EXPECT_FALSE(IsRealEntry("C:\\x\\.."));
    EXPECT_FALSE(IsRealEntry("."));
}

// A name holding a character code page 1250 lacks (a Greek lambda) is listed
// with '?' in its place. Looking the listed name up finds that entry, never
// another one the '?' would match as a wildcard; in a listing pattern '?'
// stays a wildcard.
TEST_F(ListingTest, ListedNamesAreLookedUpAsListed) {
    Write(
        "names\\a\xCE\xBB"
        "b.txt",
        "lambda");
    Write("names\\a0b.txt", "zero");
    Write("zero\\a0b.txt", "zero");
    std::deque<FileInfo> list;
    ASSERT_TRUE(FindFiles(W("names"), "*.*", &list, false));
    EXPECT_EQ(Rel(list), (Names{"names\\a0b.txt", "names\\a?b.txt"}));
    const std::string listed = list[1].path;

    FileInfo info;
    ASSERT_TRUE(GetFileInfo(listed, info));
    EXPECT_EQ(info.name, "a?b.txt");
    EXPECT_EQ(info.size, luLongLong(6u));
    EXPECT_TRUE(Exists(listed, false));
    EXPECT_FALSE(Exists(W("zero\\a?b.txt"), false));
    EXPECT_FALSE(GetFileInfo(W("zero\\a?b.txt"), info));
    EXPECT_EQ(info.name, "a?b.txt");  // unchanged
    // The name cannot reach the file on disk: deleting by it fails and
    // deletes nothing else.
    EXPECT_FALSE(RemoveFile(listed, false, false));
    EXPECT_EQ(Read("names/a0b.txt"), "zero");

    list.clear();
    ASSERT_TRUE(FindFiles(W("names"), "a?b.txt", &list, false));
    EXPECT_EQ(list.size(), 2u);
}

TEST_F(ListingTest, Attributes) {
    EXPECT_EQ(GetAttributes(W(".hidden.txt"), false), unsigned(FileAttrHidden | FileAttrArchive));
    EXPECT_EQ(GetAttributes(W("other"), false), unsigned(FileAttrDirectory));
    EXPECT_EQ(GetAttributes(W("none"), false), unsigned(FileAttrInvalid));
    ExpectRaiseAt([&] { GetAttributes(W("none"), true); }, win::ERROR_FILE_NOT_FOUND, "GenModules\\LurUtils\\File",
                  1257, StrVector());
    for (unsigned mask : {unsigned(FileAttrDirectory), unsigned(FileAttrReadOnly), 0xFFFFu}) {
        EXPECT_FALSE(HasAttribute(W("none"), mask));
    }
    EXPECT_TRUE(HasDirectoryAttribute(W("other")));
    EXPECT_TRUE(LacksDirectoryAttribute(W("none")));

    MakeReadOnly("a.txt");
    EXPECT_TRUE(IsReadOnlyFile(W("a.txt")));
    EXPECT_EQ(ChangeAttributes(W("a.txt"), FileAttrReadOnly, false, false),
              unsigned(FileAttrReadOnly | FileAttrArchive));
    EXPECT_FALSE(IsReadOnlyFile(W("a.txt")));
    EXPECT_EQ(ChangeAttributes(W("a.txt"), FileAttrReadOnly, true, true), unsigned(FileAttrArchive));
    EXPECT_TRUE(IsReadOnlyFile(W("a.txt")));
    // Hidden, system and archive cannot change here: nothing changes.
    EXPECT_EQ(ChangeAttributes(W("b.dat"), FileAttrHidden, true, false), unsigned(FileAttrInvalid));
    ExpectRaiseAt([&] { ChangeAttributes(W("b.dat"), FileAttrArchive, false, true); }, win::ERROR_NOT_SUPPORTED,
                  "GenModules\\LurUtils\\File", 1287, StrVector());
    ExpectRaiseAt([&] { ChangeAttributes(W("none"), FileAttrReadOnly, false, true); }, win::ERROR_FILE_NOT_FOUND,
                  "GenModules\\LurUtils\\File", 1272, StrVector());
    EXPECT_EQ(GetAttributes(W("b.dat"), false), unsigned(FileAttrArchive));

    EXPECT_EQ(ToFileAttributes(0xFFFFFFFFu), unsigned(FileAttrInvalid));
    EXPECT_EQ(ToFileAttributes(0x37 | 0x80), 0x1Fu);
    EXPECT_EQ(ToWindowsAttributes(0x1F), 0x37u);
}

TEST(FileSizes, SumSizesRefusesToWrap) {
    std::deque<FileInfo> list(2);
    list[0].size = luLongLong(0xFFFFFFFFu, 0xFFFFFFFFu);
    list[1].size = luLongLong(1u);
    try {
        SumSizes(list);
        ADD_FAILURE() << "no raise";
    } catch (const LurExceptBase& e) {
        EXPECT_EQ(e.GetCode(), 12);
    }
}

// File times are universal time and so are LurDateTime values: the fields
// must come through unchanged whatever the zone and the season.
TEST(FileTimes, KeepTheUniversalTimeInEverySeason) {
    lurtest::TzScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
    for (short month : {short(1), short(7)}) {
        const lurDate::LurDateTime utc(2024, month, 15, 12, 30, 45, false);
        const unsigned long long fileTime = DateTimeToFileTime(utc);
        win::SYSTEMTIME st;
        ASSERT_TRUE(win::FileTimeToSystemTime(win::MakeFileTime(fileTime), st));
        EXPECT_EQ(st.wMonth, month);
        EXPECT_EQ(st.wHour, 12) << "month " << month;
        const lurDate::LurDateTime back = FileTimeToDateTime(win::MakeFileTime(fileTime));
        EXPECT_EQ(back.GetHour(false), 12) << "month " << month;
        EXPECT_EQ(back.GetMinute(false), 30);
        EXPECT_EQ(back.GetSecond(false), 45);
        EXPECT_EQ(back.GetHour(true), month == 7 ? 14 : 13);  // shown in local time
    }
}

TEST_F(ListingTest, RecordTimesAreTheFilesOwn) {
    FileInfo info;
    ASSERT_TRUE(GetFileInfo(W("a.txt"), info));
    struct stat st {};
    ASSERT_EQ(::stat(P("a.txt").c_str(), &st), 0);
    EXPECT_EQ(info.writeTime.GetTimeT(false), st.st_mtim.tv_sec);
    EXPECT_EQ(info.accessTime.GetTimeT(false), st.st_atim.tv_sec);
    EXPECT_LE(info.creationTime.GetTimeT(false), info.writeTime.GetTimeT(false));
}

}  // namespace
