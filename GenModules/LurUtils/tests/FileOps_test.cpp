#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "EnvScope.h"
#include "ExpectRaise.h"
#include "File.h"
#include "FileScratch.h"
#include "LanguageScope.h"
#include "LastError.h"
#include "StringResources.h"

namespace {

using namespace lurutils;
using testing_lurutils::ExpectRaiseAt;

class FileOpsTest : public testing_lurutils::FileScratch {
protected:
    // The code of the LurFileExcept an operation raises, 0 when none.
    static int FileCode(const std::function<void()>& operation, StrVector* args = nullptr) {
        try {
            operation();
        } catch (const LurFileExcept& e) {
            if (args != nullptr) *args = e.GetArgs();
            return e.GetCode();
        }
        return 0;
    }

    // Opens a scratch file without sharing, so that copies and moves of it
    // fail while the handle is open.
    win::HANDLE HoldUnshared(const std::string& rel) const {
        const win::HANDLE held =
            win::CreateFileA(W(rel).c_str(), win::GENERIC_READ, 0, nullptr, win::OPEN_EXISTING, 0, 0);
        EXPECT_NE(held, win::INVALID_HANDLE_VALUE) << rel;
        return held;
    }
};

TEST_F(FileOpsTest, TemporaryNames) {
    const lurtest::EnvScope tmp("TMPDIR", P());
    EXPECT_EQ(GetTempDirectory(true), W());
    const std::string name = MakeTempFileName("lurtest", "ext", true, true, true);
    EXPECT_EQ(name.substr(0, W("lur").size()), W("lur"));
    EXPECT_EQ(GetExtension(name), ".ext");
    EXPECT_FALSE(Exists(name, false));
    std::deque<FileInfo> left;
    EXPECT_FALSE(FindFiles(W(), "*.*", &left, false));  // nothing left behind
    const std::string plain = MakeTempFileName("x", "", true, false, true);
    EXPECT_EQ(GetExtension(plain), ".TMP");
    EXPECT_FALSE(Exists(plain, false));
}

TEST_F(FileOpsTest, TemporaryNameFailuresGiveNoName) {
    const lurtest::EnvScope tmp("TMPDIR", P("missing"));
    // Not ".ext", nor a loop under unique.
    EXPECT_EQ(MakeTempFileName("lur", "ext", true, false, false), "");
    EXPECT_EQ(MakeTempFileName("lur", "ext", true, true, false), "");
    ExpectRaiseAt([] { MakeTempFileName("lur", "", true, false, true); }, win::ERROR_PATH_NOT_FOUND,
                  "GenModules\\LurUtils\\File", 508, StrVector());
}

TEST_F(FileOpsTest, DirectoryTrees) {
    EXPECT_FALSE(CreateDirectoryTree("", false));
    EXPECT_TRUE(CreateDirectoryTree(W("a\\b\\c\\"), true));
    EXPECT_TRUE(Has("a/b/c"));
    EXPECT_TRUE(CreateDirectoryTree(W("a\\b"), true));  // all there already
    Write("file", "");
    EXPECT_FALSE(CreateDirectoryTree(W("file\\x\\y"), false));
    StrVector args;
    EXPECT_EQ(FileCode([&] { CreateDirectoryTree(W("file\\x\\y"), true); }, &args), 709);
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[0], W("file\\x"));
    EXPECT_FALSE(args[1].empty());

    Write("a\\b\\c\\f.txt", "x");
    Write("a\\g.txt", "y");
    MakeReadOnly("a/b/c/f.txt");
    MakeReadOnly("a/b");
    EXPECT_FALSE(RemoveDirectoryTree(W("a"), false, true, false));
    EXPECT_EQ(FileCode([&] { RemoveDirectoryTree(W("a"), false, true, true); }), 710);
    EXPECT_EQ(FileCode([&] { DeleteDirectory(W("none"), true, true, true); }), 705);
    EXPECT_TRUE(DeleteDirectory(W("a\\"), true, true, true));
    EXPECT_FALSE(Has("a"));
}

TEST_F(FileOpsTest, RemovingFiles) {
    EXPECT_TRUE(RemoveFile(W("none"), false, true));
    Write("ro.txt", "");
    MakeReadOnly("ro.txt");
    EXPECT_FALSE(RemoveFile(W("ro.txt"), false, false));
    EXPECT_EQ(FileCode([&] { RemoveFile(W("ro.txt"), false, true); }), 708);
    EXPECT_TRUE(RemoveFile(W("ro.txt"), true, true));

    Write("d\\a.txt", "");
    Write("d\\b.txt", "");
    Write("d\\c.txt", "");
    Write("d\\sub\\e.txt", "");
    MakeReadOnly("d/b.txt");
    StrVector args;
    EXPECT_EQ(FileCode([&] { RemoveFiles(W("d"), "*.txt", false, false); }, &args), 708);
    EXPECT_EQ(args, StrVector(W("d\\b.txt")));
    EXPECT_FALSE(Has("d/a.txt"));  // done before the read-only entry
    EXPECT_TRUE(Has("d/c.txt"));
    EXPECT_TRUE(RemoveFiles(W("d"), "*.*", true, false));
    EXPECT_TRUE(Has("d/sub/e.txt"));  // not recursive: the subdirectory stays
    EXPECT_TRUE(RemoveFiles(W("d"), "*.*", true, true));
    EXPECT_FALSE(Has("d/sub"));
    EXPECT_EQ(FileCode([&] { RemoveFiles(W("none"), "*.*", true, true); }), 705);
}

// One file under each rule, onto a missing, a writable and a read-only target.
TEST_F(FileOpsTest, ExistingTargetRulesForOneFile) {
    enum Target { Missing, Writable, ReadOnly };
    struct Case {
        int mode;
        Target target;
        bool result;
        int raised;
        bool replaced;
    };
    const Case cases[] = {
        {ExistingRefuse, Missing, true, 0, true},           {ExistingRefuse, Writable, false, 0, false},
        {ExistingSkip, Writable, false, 0, false},          {ExistingSkip, ReadOnly, false, 0, false},
        {ExistingReplace, Writable, true, 0, true},         {ExistingReplace, ReadOnly, false, 708, false},
        {ExistingReplaceReadOnly, Writable, true, 0, true}, {ExistingReplaceReadOnly, ReadOnly, true, 0, true},
    };
    for (bool move : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(move ? "move" : "copy") + " mode " + std::to_string(c.mode) + " target " +
                         std::to_string(c.target));
            TearDown();
            SetUp();
            Write("src\\f.txt", "new");
            MakeDir("dst");
            if (c.target != Missing) Write("dst\\f.txt", "old");
            if (c.target == ReadOnly) MakeReadOnly("dst/f.txt");
            bool result = false;
            const int raised = FileCode([&] {
                result = move ? MoveFileToDirectory(W("src\\f.txt"), W("dst"), "", c.mode, true)
                              : CopyFileToDirectory(W("src\\f.txt"), W("dst"), "", c.mode, true);
            });
            EXPECT_EQ(raised, c.raised);
            if (raised == 0) {
                EXPECT_EQ(result, c.result);
            }
            EXPECT_EQ(Read("dst/f.txt"), c.replaced ? "new" : "old");
            EXPECT_EQ(Has("src/f.txt"), !(move && c.replaced));
        }
    }
    Write("src\\f.txt", "f");
    Write("src\\g.txt", "g");
    EXPECT_TRUE(CopyFileAs(W("src\\g.txt"), W("dst"), "h.dat", ExistingRefuse, true));
    EXPECT_EQ(Read("dst/h.dat"), "g");
    EXPECT_TRUE(MoveFileToDirectory(W("src\\g.txt"), W("dst\\"), "bak", ExistingRefuse, true));
    EXPECT_EQ(Read("dst/g.bak"), "g");
    EXPECT_EQ(FileCode([&] { CopyFileToDirectory(W("src"), W("dst"), "", ExistingReplace, true); }), 712);
    EXPECT_EQ(FileCode([&] { CopyFileToDirectory(W("none"), W("dst"), "", ExistingReplace, true); }), 705);
    EXPECT_EQ(FileCode([&] { CopyFileToDirectory(W("src\\f.txt"), W("nodir"), "", ExistingReplace, true); }), 707);
    EXPECT_TRUE(RenameFile(W("dst\\h.dat"), W("dst\\i.dat"), ExistingRefuse, true));
    EXPECT_FALSE(RenameFile(W("none"), W("dst\\j.dat"), ExistingRefuse, false));
    ExpectRaiseAt([&] { RenameFile(W("none"), W("dst\\j.dat"), ExistingRefuse, true); }, win::ERROR_FILE_NOT_FOUND,
                  "GenModules\\LurUtils\\File", 1170, StrVector(W("none")) << W("dst\\j.dat"));
}

// A list of three files onto targets of which one is writable and one
// read-only, under each rule.
TEST_F(FileOpsTest, ExistingTargetRulesForLists) {
    struct Case {
        int mode;
        bool move;
        int raised;
        const char* a;  // the targets afterwards ("" = missing)
        const char* b;
        const char* c;
    };
    const Case cases[] = {
        {ExistingRefuse, false, 704, "", "old", "old"},
        {ExistingSkip, false, 0, "new", "old", "old"},
        {ExistingReplace, false, 0, "new", "new", "old"},   // the read-only target is skipped
        {ExistingReplace, true, 708, "new", "new", "old"},  // a move raises at it
        {ExistingReplaceReadOnly, false, 0, "new", "new", "new"},
        {ExistingReplaceReadOnly, true, 0, "new", "new", "new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + (c.move ? " move" : " copy"));
        TearDown();
        SetUp();
        for (const char* name : {"a", "b", "c"}) Write(std::string("src\\") + name + ".txt", "new");
        Write("dst\\b.txt", "old");
        Write("dst\\c.txt", "old");
        MakeReadOnly("dst/c.txt");
        StrVector args;
        const int raised = FileCode(
            [&] {
                c.move ? MoveFiles(W("src"), W("dst"), "*.txt", "", c.mode, false)
                       : CopyFiles(W("src"), W("dst"), "*.txt", "", c.mode, false);
            },
            &args);
        EXPECT_EQ(raised, c.raised);
        if (raised == 704) {
            EXPECT_EQ(args, StrVector(W("dst\\b.txt")));
        }
        EXPECT_EQ(Has("dst/a.txt") ? Read("dst/a.txt") : "", c.a);
        EXPECT_EQ(Read("dst/b.txt"), c.b);
        EXPECT_EQ(Read("dst/c.txt"), c.c);
    }
    for (const char* name : {"a", "b", "c"}) Write(std::string("src\\") + name + ".txt", "new");
    std::deque<FileInfo> list;
    FindFiles(W("src"), "*.*", &list, false);
    std::string existing;
    EXPECT_TRUE(TargetExists(list, W("dst"), "", false, &existing));
    EXPECT_EQ(existing, W("dst\\a.txt"));
    EXPECT_TRUE(TargetExists(list, W("dst"), "", true, nullptr));
    EXPECT_FALSE(TargetExists(list, W("dst"), "bak", true, nullptr));
}

TEST_F(FileOpsTest, ListCopiesReportAnyFailureAndGoOn) {
    for (const char* name : {"a", "b", "c"}) Write(std::string("src\\") + name + ".txt", name);
    MakeDir("dst");
    // a.txt is held open without sharing: its copy fails, the others go on.
    const win::HANDLE held = HoldUnshared("src\\a.txt");
    EXPECT_FALSE(CopyFiles(W("src"), W("dst"), "*.txt", "", ExistingReplace, false));
    win::CloseHandle(held);
    EXPECT_FALSE(Has("dst/a.txt"));
    EXPECT_EQ(Read("dst/b.txt"), "b");
    EXPECT_EQ(Read("dst/c.txt"), "c");
    EXPECT_TRUE(CopyFiles(W("src"), W("dst"), "*.txt", "", ExistingReplace, false));
    EXPECT_EQ(Read("dst/a.txt"), "a");
}

TEST_F(FileOpsTest, MoveListsAcrossSubdirectories) {
    Write("src\\a.txt", "a");
    Write("src\\x\\b.txt", "b");
    Write("src\\x\\y\\c.txt", "c");
    MakeDir("dst");
    const win::HANDLE held = HoldUnshared("src\\x\\b.txt");
    EXPECT_FALSE(MoveFiles(W("src\\"), W("dst"), "*.txt", "", ExistingRefuse, true));  // b.txt is in use
    win::CloseHandle(held);
    EXPECT_EQ(Read("dst/a.txt"), "a");
    EXPECT_EQ(Read("dst/x/y/c.txt"), "c");
    EXPECT_EQ(Read("src/x/b.txt"), "b");
    EXPECT_TRUE(MoveFiles(W("src\\"), W("dst"), "*.txt", "", ExistingRefuse, true));
    EXPECT_EQ(Read("dst/x/b.txt"), "b");
}

TEST_F(FileOpsTest, DirectoryCopiesAndMoves) {
    Write("a\\src\\f1.txt", "1");
    Write("a\\src\\sub\\f2.txt", "2");
    MakeDir("dst");
    EXPECT_TRUE(CopyDirectory(W("a\\src"), W("dst"), true, ExistingRefuse));
    EXPECT_EQ(Read("dst/src/f1.txt"), "1");
    EXPECT_EQ(Read("dst/src/sub/f2.txt"), "2");
    EXPECT_EQ(FileCode([&] { CopyDirectory(W("a\\src\\f1.txt"), W("dst"), true, ExistingRefuse); }), 711);

    EXPECT_EQ(FileCode([&] { MoveDirectory(W("a\\src"), W("moved"), true, ExistingRefuse); }), 707);
    MakeDir("moved");
    EXPECT_TRUE(MoveDirectory(W("a\\src"), W("moved"), true, ExistingRefuse));
    EXPECT_EQ(Read("moved/src/f1.txt"), "1");
    EXPECT_EQ(Read("moved/src/sub/f2.txt"), "2");
    EXPECT_FALSE(Has("a/src"));
    EXPECT_TRUE(Has("a"));
}

TEST_F(FileOpsTest, MoveDirectoryKeepsWhatItDidNotMove) {
    Write("src\\f1.txt", "1");
    Write("src\\f2.txt", "mine");
    Write("src\\sub\\f3.txt", "3");
    Write("dst\\src\\f2.txt", "theirs");
    // Skipped: f2.txt, whose target exists; not recursive: sub\ and its file.
    EXPECT_FALSE(MoveDirectory(W("src"), W("dst"), false, ExistingSkip));
    EXPECT_EQ(Read("dst/src/f1.txt"), "1");
    EXPECT_EQ(Read("dst/src/f2.txt"), "theirs");
    EXPECT_EQ(Read("src/f2.txt"), "mine");
    EXPECT_EQ(Read("src/sub/f3.txt"), "3");
    EXPECT_FALSE(Has("src/f1.txt"));

    // Recursive, with the skipped file in a subdirectory: only the emptied
    // directories go.
    Write("src2\\a\\g.txt", "g");
    Write("src2\\b\\h.txt", "mine");
    Write("dst\\src2\\b\\h.txt", "theirs");
    EXPECT_FALSE(MoveDirectory(W("src2"), W("dst"), true, ExistingSkip));
    EXPECT_FALSE(Has("src2/a"));
    EXPECT_EQ(Read("src2/b/h.txt"), "mine");
    EXPECT_EQ(Read("dst/src2/a/g.txt"), "g");
}

// A tree holding links: to a directory outside it with a read-only file, to
// a file outside it, and back into the tree. A tree operation takes each link as the entry it is: what a
// link leads to is never listed, deleted, moved or made writable, and no
// loop is followed.
class TreeWithLinks : public FileOpsTest {
protected:
    void SetUp() override {
        FileOpsTest::SetUp();
        Write("outside\\keep.txt", "keep");
        MakeReadOnly("outside/keep.txt");
        Write("outside\\sub\\deep.txt", "deep");
        Write("tree\\f.txt", "f");
        Write("tree\\sub\\g.txt", "g");
        Link(P("outside"), "tree/ext");
        Link(P("outside/keep.txt"), "tree/sub/keep.lnk");
        Link("..", "tree/sub/up");
        MakeDir("dst");
    }
    void Link(const std::string& text, const std::string& rel) const { std::filesystem::create_symlink(text, P(rel)); }

    // The entries under rel, links not followed, each as its path below rel
    // and, for a link, " -> " and its text.
    std::vector<std::string> Entries(const std::string& rel) const {
        namespace fs = std::filesystem;
        std::vector<std::string> entries;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(P(rel))) {
            std::string line = entry.path().lexically_relative(P(rel)).string();
            if (entry.is_symlink()) line += " -> " + fs::read_symlink(entry.path()).string();
            entries.push_back(line);
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    // What lies outside the tree is as it was: both files, the read-only one
    // still read-only.
    void ExpectOutsideUntouched() const {
        namespace fs = std::filesystem;
        EXPECT_EQ(Read("outside/keep.txt"), "keep");
        EXPECT_EQ(Read("outside/sub/deep.txt"), "deep");
        EXPECT_EQ(fs::status(P("outside/keep.txt")).permissions() & fs::perms::owner_write, fs::perms::none);
    }
};

TEST_F(TreeWithLinks, OperationsTakeEachLinkAsAnEntryOfItsOwn) {
    enum Operation { Delete, RemoveTree, Move, Copy };
    for (Operation operation : {Delete, RemoveTree, Move, Copy}) {
        SCOPED_TRACE("operation " + std::to_string(operation));
        TearDown();
        SetUp();
        const std::vector<std::string> before = Entries("tree");
        bool done = false;
        EXPECT_EQ(FileCode([&] {
                      switch (operation) {
                          case Delete: done = DeleteDirectory(W("tree"), true, true, true); break;
                          case RemoveTree: done = RemoveDirectoryTree(W("tree"), true, true, true); break;
                          case Move: done = MoveDirectory(W("tree"), W("dst"), true, ExistingRefuse); break;
                          case Copy: done = CopyDirectory(W("tree"), W("dst"), true, ExistingRefuse); break;
                      }
                  }),
                  0);
        EXPECT_TRUE(done);
        ExpectOutsideUntouched();
        EXPECT_EQ(Has("tree"), operation == Copy);
        if (operation == Move || operation == Copy) {
            // The links arrive as links with their texts: "up" leads into
            // the copy or the moved tree.
            EXPECT_EQ(Entries("dst/tree"), before);
            EXPECT_EQ(Read("dst/tree/sub/up/f.txt"), "f");
        }
    }
}

TEST_F(TreeWithLinks, ALinkNamedAsTheTreeIsOnlyALink) {
    // Deleting it removes the link, whatever the directory it leads to holds.
    EXPECT_TRUE(DeleteDirectory(W("tree\\ext"), true, true, false));
    EXPECT_FALSE(std::filesystem::is_symlink(P("tree/ext")));
    ExpectOutsideUntouched();
    // Copying or moving one would go through it: refused.
    Link(P("outside"), "tree/ext");
    EXPECT_EQ(FileCode([&] { CopyDirectory(W("tree\\ext"), W("dst"), true, ExistingRefuse); }), 711);
    EXPECT_EQ(FileCode([&] { MoveDirectory(W("tree\\ext"), W("dst"), true, ExistingRefuse); }), 711);
    ExpectOutsideUntouched();
    EXPECT_TRUE(std::filesystem::is_empty(P("dst")));
    // A listing of the tree takes the links with its files and never
    // searches what they lead to.
    std::deque<FileInfo> list;
    ASSERT_TRUE(FindFiles(W("tree"), "*.*", &list, true));
    std::vector<std::string> names;
    for (const FileInfo& record : list) names.push_back(record.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ext", "f.txt", "g.txt", "keep.lnk", "up"}));
}

TEST_F(FileOpsTest, SpaceChecksAndWritability) {
    Write("f.txt", "12345");
    MakeDir("dir");
    EXPECT_TRUE(IsDirectoryWritable(W("dir")));
    EXPECT_FALSE(Has("dir/lurWTest.tmp"));
    EXPECT_FALSE(IsDirectoryWritable(W("none")));
    CheckSpace(W("f.txt"), W("dir\\"), false);
    StrVector args;
    EXPECT_EQ(FileCode([&] { CheckSpace(W("none"), W("dir\\"), false); }, &args), 705);
    EXPECT_EQ(FileCode([&] { CheckSpace(W("f.txt"), W("none\\"), false); }, &args), 707);
    EXPECT_EQ(args, StrVector(W("none\\")));
    luLongLong free, total, totalFree;
    GetDiskSpace(W(), &free, &total, &totalFree);
    EXPECT_GT(total, luLongLong(0u));
    EXPECT_LE(GetFreeSpace(W()), total);  // other writers may change the free space meanwhile
    EXPECT_GT(GetFreeSpace(W()), luLongLong(0u));
    GetDiskSpace("D:\\", &free, &total, nullptr);
    EXPECT_EQ(total, luLongLong(0u));
}

TEST_F(FileOpsTest, TextsNameWhatWentWrong) {
    const lurtest::UiLanguageScope english(win::LANG_ENGLISH);
    std::deque<FileInfo> huge(1);
    huge[0].size = luLongLong(0u, 0x3FFFFFFFu);
    try {
        CheckSpaceForList(huge, W());
        ADD_FAILURE() << "no raise";
    } catch (const LurFileExcept& e) {
        const std::string text = e.what();
        const std::string start = "Not enough free space in " + W() + ": 4294967292 Gb + 0 Kb needed, ";
        EXPECT_EQ(text.substr(0, start.size()), start);
    }
    Write("file", "");
    try {
        CreateDirectoryTree(W("file\\x"), true);
        ADD_FAILURE() << "no raise";
    } catch (const LurFileExcept& e) {
        const std::string start = "The directory cannot be created: " + W("file\\x") + " (";
        EXPECT_EQ(std::string(e.what()).substr(0, start.size()), start);
    }
}

TEST(FileSizeText, WholeGigaAndKilobytes) {
    struct Case {
        luLongLong bytes;
        const char* text;
    };
    const Case cases[] = {
        {luLongLong(5u * 1024 + 100 + (1u << 30) * 3u, 0u), "3 Gb + 5 Kb"},
        {luLongLong(1023u), "0 Kb"},
        {luLongLong(0u, 1u), "4 Gb + 0 Kb"},
        {luLongLong(2048u, 0x3FFFFFFFu), "4294967292 Gb + 2 Kb"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatSize(c.bytes), c.text);
    ExpectRaiseAt([] { FormatSize(luLongLong(7u, 0x40000000u)); }, 12, "GenModules\\LurUtils\\File", 1108,
                  StrVector(0x40000000u) << 7u);
}

// On a small file system of its own (a tmpfs in a private mount namespace of
// a child process; skipped where that cannot be made): the space check of a
// recursive directory copy counts the whole tree, and a move across file
// systems copies and deletes.
TEST_F(FileOpsTest, SmallVolume) {
    Write("src\\top.txt", "1");
    Write("src\\sub\\big.bin", std::string(200 * 1024, 'b'));
    Write("mover.txt", "moving");
    MakeDir("small");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", P("small").c_str(), "tmpfs", 0, "size=64k") != 0) {
            _exit(77);
        }
        int failures = 0;
        if (FileCode([&] { CopyDirectory(W("src"), W("small"), true, ExistingRefuse); }) != 706) failures |= 1;
        if (Has("small/src")) failures |= 2;  // refused before anything was made
        if (!MoveOneFile(W("mover.txt"), W("small\\mover.txt"), ExistingRefuse, false)) failures |= 4;
        if (Has("mover.txt") || Read("small/mover.txt") != "moving") failures |= 8;
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no private tmpfs can be mounted here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
