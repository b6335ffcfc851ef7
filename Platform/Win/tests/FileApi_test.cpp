#include "FileApi.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "EnvScope.h"
#include "HeldChild.h"
#include "LastError.h"

namespace {

namespace fs = std::filesystem;
using namespace win;

// A scratch directory; names are given to the calls in the C: form.
class FileApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lur_fileapi_test_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_dir, ignored);
    }

    std::string Posix(const std::string& name) const { return m_dir + "/" + name; }
    std::string Win(const std::string& name) const { return FromPosixPath(Posix(name)); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Posix(name), std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Posix(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    HANDLE Open(const std::string& name, uint32_t access, uint32_t share, uint32_t disposition = OPEN_EXISTING) {
        return CreateFileA(Win(name).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_ARCHIVE, 0);
    }
    // The names a listing gives, in order.
    std::vector<std::string> List(const std::string& mask) const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        const HANDLE search = FindFirstFileA(mask.c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            names.push_back(data.cFileName);
        } while (FindNextFileA(search, &data));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        FindClose(search);
        return names;
    }

    std::string m_dir;
};

TEST(FileApiNames, WindowsNamesReachThePosixTree) {
    struct Case {
        const char* name;
        const char* posix;  // null: refused
        uint32_t error;
    };
    const Case cases[] = {
        {"C:\\home\\u\\f.txt", "/home/u/f.txt", 0},
        {"c:/home/u/f.txt", "/home/u/f.txt", 0},
        {"\\x", "/x", 0},
        {"/x\\y", "/x/y", 0},
        {"C:x", "x", 0},
        {"a\\b", "a/b", 0},
        {"C:\\\xE1rv\xEDz.txt", "/\xC3\xA1rv\xC3\xADz.txt", 0},  // CP1250 inside, UTF-8 on disk
        {"D:\\x", nullptr, ERROR_PATH_NOT_FOUND},
        {"\\\\server\\share\\x", nullptr, ERROR_BAD_NETPATH},
        {"//server/share", nullptr, ERROR_BAD_NETPATH},
        {"", nullptr, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        std::string posix;
        SetLastError(0);
        EXPECT_EQ(ToPosixPath(c.name, posix), c.posix != nullptr) << c.name;
        if (c.posix != nullptr) {
            EXPECT_EQ(posix, c.posix) << c.name;
        } else {
            EXPECT_EQ(GetLastError(), c.error) << c.name;
        }
    }
    EXPECT_EQ(FromPosixPath("/home/\xC3\xA1"), "C:\\home\\\xE1");
}

TEST(FileApiNames, FullPathNamesAreNormalisedLexically) {
    char saved[4096];
    ASSERT_NE(GetCurrentDirectoryA(sizeof saved, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\tmp"));
    struct Case {
        const char* name;
        const char* full;
    };
    const Case cases[] = {
        {"C:\\a\\..\\b", "C:\\b"},     {"C:\\a\\.\\b\\", "C:\\a\\b\\"},
        {"C:/a//b", "C:\\a\\b"},       {"C:\\..\\..", "C:\\"},
        {"\\x\\y", "C:\\x\\y"},        {"/x/y", "C:\\x\\y"},
        {"f.txt", "C:\\tmp\\f.txt"},   {"..\\f.txt", "C:\\f.txt"},
        {"C:f.txt", "C:\\tmp\\f.txt"}, {".", "C:\\tmp"},
        {"D:\\x\\..\\y", "D:\\y"},     {"\\\\srv\\share\\a\\..\\b", "\\\\srv\\share\\b"},
    };
    for (const Case& c : cases) {
        char buffer[MAX_PATH];
        const uint32_t length = GetFullPathNameA(c.name, sizeof buffer, buffer, nullptr);
        EXPECT_EQ(std::string(buffer, length), c.full) << c.name;
    }
    // Asked without a buffer: the size with the terminating zero.
    EXPECT_EQ(GetFullPathNameA("f.txt", 0, nullptr, nullptr), std::string("C:\\tmp\\f.txt").size() + 1);
    char small[4];
    EXPECT_EQ(GetFullPathNameA("f.txt", sizeof small, small, nullptr), std::string("C:\\tmp\\f.txt").size() + 1);
    char current[MAX_PATH];
    EXPECT_EQ(std::string(current, GetCurrentDirectoryA(sizeof current, current)), "C:\\tmp");
    ASSERT_TRUE(SetCurrentDirectoryA(saved));
}

TEST(FileApiNames, TemporaryDirectoryFollowsTmpdir) {
    const lurtest::EnvScope tmpdir("TMPDIR", "/var/tmp/");
    char buffer[MAX_PATH];
    EXPECT_EQ(std::string(buffer, GetTempPathA(sizeof buffer, buffer)), "C:\\var\\tmp\\");
    tmpdir.Set(nullptr);
    EXPECT_EQ(std::string(buffer, GetTempPathA(sizeof buffer, buffer)), "C:\\tmp\\");
}

TEST_F(FileApiTest, DispositionsAsWindowsOpensThem) {
    Write("old", "12345");
    fs::create_directory(Posix("dir"));
    struct Case {
        const char* name;
        uint32_t disposition;
        bool opens;
        uint32_t error;
        const char* contentAfter;  // null: no file afterwards
    };
    const Case cases[] = {
        {"old", CREATE_NEW, false, ERROR_FILE_EXISTS, "12345"},
        {"old", OPEN_EXISTING, true, 0, "12345"},
        {"old", OPEN_ALWAYS, true, 0, "12345"},
        {"old", CREATE_ALWAYS, true, 0, ""},
        {"new1", CREATE_NEW, true, 0, ""},
        {"new2", CREATE_ALWAYS, true, 0, ""},
        {"new3", OPEN_ALWAYS, true, 0, ""},
        {"new4", OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"new5", 0, false, ERROR_INVALID_PARAMETER, nullptr},
        {"missing\\f", CREATE_ALWAYS, false, ERROR_PATH_NOT_FOUND, nullptr},
        {"dir", OPEN_EXISTING, false, ERROR_ACCESS_DENIED, nullptr},
    };
    for (const Case& c : cases) {
        if (c.contentAfter != nullptr && std::string(c.name) == "old") Write("old", "12345");
        const HANDLE h = Open(c.name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, c.disposition);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << c.name << " " << c.disposition;
        if (h == INVALID_HANDLE_VALUE) {
            EXPECT_EQ(GetLastError(), c.error) << c.name << " " << c.disposition;
        } else {
            EXPECT_TRUE(CloseHandle(h));
        }
        if (c.contentAfter != nullptr) {
            EXPECT_EQ(Read(c.name), c.contentAfter) << c.name << " " << c.disposition;
        } else if (std::string(c.name) != "dir") {
            EXPECT_FALSE(fs::exists(Posix(c.name))) << c.name;
        }
    }
}

TEST_F(FileApiTest, ReadWriteAndPositionThroughTheAccessGiven) {
    const HANDLE h = Open("f", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    uint32_t count = 0;
    EXPECT_TRUE(WriteFile(h, "abcdef", 6, &count, nullptr));
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(GetFileSize(h, nullptr), 6u);
    EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
    char buffer[16] = {};
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &count, nullptr));  // short at the end
    EXPECT_EQ(std::string(buffer, count), "cdef");
    EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    const HANDLE reader = Open("f", GENERIC_READ, FILE_SHARE_READ);
    EXPECT_FALSE(WriteFile(reader, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(reader);
    EXPECT_EQ(Read("f"), "abcdef");
}

TEST_F(FileApiTest, ShareModesHoldBetweenHandles) {
    Write("f", "data");
    struct Case {
        uint32_t firstAccess, firstShare, secondAccess, secondShare;
        bool secondOpens;
    };
    constexpr uint32_t R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
    const Case cases[] = {
        {R, SR, R, SR, true},                                       // two readers sharing reading
        {R, SR, W, SR | SW, false},                                 // the first does not share writing
        {R, SR | SW, W, SR | SW, true}, {R | W, SR, R, SR, false},  // the second does not share the first's writing
        {R | W, SR, R, SR | SW, true},  {R, 0, R, SR | SW, false},  // exclusive
        {W, SR | SW, R, SR, false},                                 // the second denies writing, which the first has
    };
    for (const Case& c : cases) {
        const HANDLE first = Open("f", c.firstAccess, c.firstShare);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        const HANDLE second = Open("f", c.secondAccess, c.secondShare);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.secondOpens)
            << c.firstAccess << "/" << c.firstShare << " then " << c.secondAccess << "/" << c.secondShare;
        if (second == INVALID_HANDLE_VALUE) {
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        } else {
            CloseHandle(second);
        }
        CloseHandle(first);
    }
    // An open file is neither deleted nor moved; once closed it is.
    const HANDLE held = Open("f", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_FALSE(DeleteFileA(Win("f").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(MoveFileA(Win("f").c_str(), Win("g").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    CloseHandle(held);
    EXPECT_TRUE(MoveFileA(Win("f").c_str(), Win("g").c_str()));
    EXPECT_TRUE(DeleteFileA(Win("g").c_str()));
}

TEST_F(FileApiTest, AnotherProcessHoldingTheFileRefusesSharingAndLocks) {
    Write("f", std::string(100, 'x'));
    const std::string name = Win("f");
    lurtest::HeldChild child;
    ASSERT_TRUE(child.Start([&name] {
        const HANDLE h =
            CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0);
        return h != INVALID_HANDLE_VALUE && LockFile(h, 10, 0, 10, 0);
    }));
    EXPECT_EQ(Open("f", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(DeleteFileA(name.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);

    const HANDLE reader = Open("f", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(LockFile(reader, 15, 0, 1, 0));
    EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
    EXPECT_TRUE(LockFile(reader, 0, 0, 10, 0));  // ends where the child's range begins
    EXPECT_TRUE(UnlockFile(reader, 0, 0, 10, 0));
    child.Stop();  // the child's end releases its handle and lock
    EXPECT_TRUE(LockFile(reader, 15, 0, 1, 0));
    CloseHandle(reader);
    EXPECT_TRUE(DeleteFileA(name.c_str()));
}

// A stream opens to be read (a FIFO read-only, so that its reader sees the
// end when the writer closes it), has a kind and no size; writing to it is
// refused, and what cannot be opened keeps the system's reason.
TEST_F(FileApiTest, StreamsOpenToBeReadToTheirEnd) {
    ASSERT_EQ(::mkfifo(Posix("fifo").c_str(), 0600), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        const int fd = ::open(Posix("fifo").c_str(), O_WRONLY);
        _exit(fd >= 0 && ::write(fd, "abc", 3) == 3 && ::close(fd) == 0 ? 0 : 1);
    }
    const HANDLE fifo = Open("fifo", GENERIC_READ, FILE_SHARE_READ);  // waits for the writer
    // A writer never let in (the open failed) is let go, so the wait ends.
    const int release = ::open(Posix("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    if (release >= 0) ::close(release);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_NE(fifo, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_EQ(GetFileType(fifo), uint32_t(FILE_TYPE_PIPE));
    EXPECT_EQ(GetFileSize(fifo, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    char buffer[16] = {};
    uint32_t count = 0;
    EXPECT_TRUE(ReadFile(fifo, buffer, sizeof buffer, &count, nullptr));  // to the end, the writer gone
    EXPECT_EQ(std::string(buffer, count), "abc");
    EXPECT_TRUE(CloseHandle(fifo));

    const HANDLE zero = CreateFileA("/dev/zero", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(zero, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileType(zero), uint32_t(FILE_TYPE_CHAR));
    EXPECT_TRUE(ReadFile(zero, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(count, sizeof buffer);
    CloseHandle(zero);
    EXPECT_EQ(CreateFileA("/dev/zero", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(Posix("sock").size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, Posix("sock").c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(Open("sock", GENERIC_READ, FILE_SHARE_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastErrno(), ENXIO);
    ::close(listener);
    EXPECT_EQ(GetFileType(INVALID_HANDLE_VALUE), uint32_t(FILE_TYPE_UNKNOWN));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FileApiTest, ByteRangeLocksBetweenHandlesOfThisProcess) {
    Write("f", std::string(100, 'x'));
    const HANDLE a = Open("f", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    const HANDLE b = Open("f", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(LockFile(a, 0, 0, 50, 0));
    EXPECT_FALSE(LockFile(b, 49, 0, 2, 0));
    EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
    EXPECT_TRUE(LockFile(b, 10, 0, 0, 0));  // an empty range locks nothing
    EXPECT_TRUE(LockFile(b, 50, 0, 10, 0));
    EXPECT_TRUE(UnlockFile(a, 0, 0, 50, 0));
    EXPECT_TRUE(LockFile(b, 0, 0, 10, 0));
    CloseHandle(a);
    CloseHandle(b);
}

TEST_F(FileApiTest, ReadOnlyIsEnforcedAlsoForRoot) {
    Write("ro", "keep");
    const std::string name = Win("ro");
    ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(fs::status(Posix("ro")).permissions() &
                  (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write),
              fs::perms::none);
    EXPECT_EQ(GetFileAttributesA(name.c_str()), uint32_t(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    for (uint32_t disposition : {uint32_t(OPEN_EXISTING), uint32_t(CREATE_ALWAYS)}) {
        EXPECT_EQ(Open("ro", GENERIC_WRITE, 0, disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    EXPECT_FALSE(DeleteFileA(name.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    Write("src", "new");
    EXPECT_FALSE(CopyFileA(Win("src").c_str(), name.c_str(), false));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read("ro"), "keep");
    const HANDLE reader = Open("ro", GENERIC_READ, FILE_SHARE_READ);  // reading stays possible
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);

    ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE((fs::status(Posix("ro")).permissions() & fs::perms::owner_write) != fs::perms::none);
    EXPECT_TRUE(DeleteFileA(name.c_str()));
}

TEST_F(FileApiTest, AttributesOnlyReadOnlyChanges) {
    Write(".hidden", "");
    fs::create_directory(Posix("dir"));
    EXPECT_EQ(GetFileAttributesA(Win(".hidden").c_str()), uint32_t(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesA(Win("dir").c_str()), uint32_t(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesA(Win("none").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    const uint32_t refused[] = {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | 0x02,
                                FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,  // archive dropped
                                FILE_ATTRIBUTE_NORMAL};
    for (uint32_t attributes : refused) {
        EXPECT_FALSE(SetFileAttributesA(Win(".hidden").c_str(), attributes)) << attributes;
        EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    }
    EXPECT_EQ(GetFileAttributesA(Win(".hidden").c_str()), uint32_t(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_FALSE(SetFileAttributesA(Win("dir").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(FileApiTest, MoveNeverReplaces) {
    Write("a", "A");
    Write("b", "B");
    EXPECT_FALSE(MoveFileA(Win("a").c_str(), Win("b").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(Read("b"), "B");
    EXPECT_TRUE(MoveFileA(Win("a").c_str(), Win("c").c_str()));
    EXPECT_EQ(Read("c"), "A");
    EXPECT_FALSE(fs::exists(Posix("a")));
    EXPECT_FALSE(MoveFileA(Win("a").c_str(), Win("d").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// A move with MOVEFILE_REPLACE_EXISTING puts the file in the target's place
// in one rename: a reader of the old target keeps it whole, and the checks
// that a rename itself would skip (read-only, a writer, a directory) refuse.
TEST_F(FileApiTest, ReplacingMoveTakesTheTargetsPlaceInOneStep) {
    Write("new", "NEW");
    Write("target", "OLD");
    const HANDLE reader = Open("target", GENERIC_READ, FILE_SHARE_READ);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(MoveFileExA(Win("new").c_str(), Win("target").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Read("target"), "NEW");
    EXPECT_FALSE(fs::exists(Posix("new")));
    char old[8] = {};
    uint32_t read = 0;
    EXPECT_TRUE(ReadFile(reader, old, sizeof old, &read, nullptr));
    EXPECT_EQ(std::string(old, read), "OLD");
    CloseHandle(reader);

    struct Case {
        const char* name;
        uint32_t error;
    };
    Write("ro", "RO");
    ASSERT_TRUE(SetFileAttributesA(Win("ro").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    Write("written", "W");
    const HANDLE writer = Open("written", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    fs::create_directory(Posix("dir"));
    const Case refused[] = {
        {"ro", ERROR_ACCESS_DENIED}, {"written", ERROR_SHARING_VIOLATION}, {"dir", ERROR_ACCESS_DENIED}};
    Write("new", "NEW");
    for (const Case& c : refused) {
        EXPECT_FALSE(MoveFileExA(Win("new").c_str(), Win(c.name).c_str(), MOVEFILE_REPLACE_EXISTING)) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    CloseHandle(writer);
    EXPECT_EQ(Read("ro"), "RO");
    EXPECT_EQ(Read("written"), "W");
    EXPECT_EQ(Read("new"), "NEW");
    EXPECT_FALSE(MoveFileExA(Win("new").c_str(), Win("other").c_str(), 0x2));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// A link is an entry of its own: its attributes are its own, and deleting,
// removing or copying it never reaches what it leads to.
TEST_F(FileApiTest, LinksAreEntriesOfTheirOwn) {
    fs::create_directory(Posix("dir"));
    Write("dir/inner", "I");
    Write("ro", "RO");
    ASSERT_TRUE(SetFileAttributesA(Win("ro").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    fs::create_symlink(Posix("dir"), Posix("dirlink"));
    fs::create_symlink("ro", Posix("filelink"));
    EXPECT_EQ(GetFileAttributesA(Win("dirlink").c_str()),
              uint32_t(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_EQ(GetFileAttributesA(Win("filelink").c_str()), uint32_t(FILE_ATTRIBUTE_REPARSE_POINT));
    WIN32_FIND_DATAA data;
    const HANDLE search = FindFirstFileA(Win("filelink").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_EQ(data.dwFileAttributes, uint32_t(FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_EQ(data.nFileSizeLow, 0u);

    // Setting read-only on the link would reach the file: refused.
    EXPECT_FALSE(SetFileAttributesA(Win("dirlink").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_NE(fs::status(Posix("dir")).permissions() & fs::perms::owner_write, fs::perms::none);

    // Copied as a link, over an existing target; copied through, as a file.
    Write("copy", "old");
    EXPECT_TRUE(CopyFileExA(Win("filelink").c_str(), Win("copy").c_str(), COPY_FILE_COPY_SYMLINK));
    EXPECT_EQ(fs::read_symlink(Posix("copy")), "ro");
    EXPECT_TRUE(CopyFileA(Win("filelink").c_str(), Win("plain").c_str(), true));
    EXPECT_FALSE(fs::is_symlink(Posix("plain")));
    EXPECT_EQ(Read("plain"), "RO");

    // The links go, alone: a read-only file held open, a directory that is
    // not empty.
    const HANDLE held = Open("ro", GENERIC_READ, 0);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DeleteFileA(Win("filelink").c_str()));
    CloseHandle(held);
    EXPECT_FALSE(DeleteFileA(Win("dirlink").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(RemoveDirectoryA(Win("dirlink").c_str()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(Posix("filelink"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(Posix("dirlink"))));
    EXPECT_EQ(Read("ro"), "RO");
    EXPECT_EQ(Read("dir/inner"), "I");
}

TEST_F(FileApiTest, CopyKeepsDataAndRefusesAnExistingTargetWhenAsked) {
    Write("a", std::string(200000, 'q'));
    Write("b", "B");
    EXPECT_FALSE(CopyFileA(Win("a").c_str(), Win("b").c_str(), true));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_TRUE(CopyFileA(Win("a").c_str(), Win("b").c_str(), false));
    EXPECT_EQ(Read("b"), Read("a"));
    EXPECT_FALSE(CopyFileA(Win("none").c_str(), Win("c").c_str(), false));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(Posix("c")));
}

TEST_F(FileApiTest, DirectoriesAndTemporaryNames) {
    EXPECT_TRUE(CreateDirectoryA(Win("d").c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(Win("d").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryA(Win("x\\y").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    Write("d/f", "");
    EXPECT_FALSE(RemoveDirectoryA(Win("d").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    char temp[MAX_PATH];
    ASSERT_NE(GetTempFileNameA(Win("d").c_str(), "abcdef", 0, temp), 0u);
    const std::string made = temp;
    EXPECT_EQ(made.substr(0, Win("d\\abc").size()), Win("d\\abc"));
    EXPECT_EQ(made.size(), Win("d\\abc0000.TMP").size());
    EXPECT_TRUE(DeleteFileA(made.c_str()));
    EXPECT_TRUE(DeleteFileA(Win("d\\f").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(Win("d").c_str()));
    uint64_t free = 0, total = 0, totalFree = 0;
    EXPECT_TRUE(GetDiskFreeSpaceExA(FromPosixPath(m_dir).c_str(), &free, &total, &totalFree));
    EXPECT_GT(total, 0u);
    EXPECT_LE(free, totalFree);
    EXPECT_FALSE(GetDiskFreeSpaceExA("D:\\", &free, &total, &totalFree));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileApiTest, ListingsMatchWildcardsInUpperCasedNameOrder) {
    for (const char* name : {"b.txt", "A.TXT", "c.dat", "xxa", "\xC3\xA1rv.txt", ".dot"}) Write(name, "12");
    fs::create_directory(Posix("Sub.txt"));
    fs::create_directory(Posix("x"));
    Write("x/xxa", "");
    Write("x/ax", "");
    const std::string dir = FromPosixPath(m_dir) + "\\";
    using Names = std::vector<std::string>;
    EXPECT_EQ(List(dir + "*.txt"), (Names{"A.TXT", "b.txt", "Sub.txt", "\xE1rv.txt"}));
    EXPECT_EQ(List(dir + "*.TXT"), List(dir + "*.txt"));
    EXPECT_EQ(List(dir + "*.*"),
              (Names{".", "..", ".dot", "A.TXT", "b.txt", "c.dat", "Sub.txt", "x", "xxa", "\xE1rv.txt"}));
    EXPECT_EQ(List(dir + "*"), List(dir + "*.*"));
    EXPECT_EQ(List(dir + "x\\*x?"), (Names{"xxa"}));  // the '*' takes more after a false start
    EXPECT_EQ(List(dir + "?.dat"), (Names{"c.dat"}));
    EXPECT_EQ(List(dir + "c.dat"), (Names{"c.dat"}));
    EXPECT_EQ(List(dir + "\xC1RV.TXT"), Names{});  // a name without wildcards is looked up exactly
    EXPECT_EQ(List(dir + "*.none"), Names{});
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(List(dir + "nodir\\*.*"), Names{});
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    const Names root = List("C:\\*.*");
    EXPECT_TRUE(std::find(root.begin(), root.end(), "..") == root.end());
    EXPECT_TRUE(std::find(root.begin(), root.end(), "tmp") != root.end());

    WIN32_FIND_DATAA data;
    const HANDLE search = FindFirstFileA((dir + "c.dat").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 2u);
    EXPECT_EQ(data.dwFileAttributes, uint32_t(FILE_ATTRIBUTE_ARCHIVE));
    struct stat st {};
    ASSERT_EQ(::stat(Posix("c.dat").c_str(), &st), 0);
    EXPECT_EQ(FileTimeValue(data.ftLastWriteTime),
              static_cast<unsigned long long>(kFileTimeUnixEpoch + st.st_mtim.tv_sec * kFileTimeTicksPerSecond +
                                              st.st_mtim.tv_nsec / 100));
    EXPECT_NE(FileTimeValue(data.ftCreationTime), 0u);
    EXPECT_TRUE(FindClose(search));
}

}  // namespace
