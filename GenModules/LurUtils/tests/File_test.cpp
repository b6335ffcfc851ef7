#include "File.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "ExpectRaise.h"
#include "FileScratch.h"
#include "LastError.h"

namespace {

using testing_lurutils::ExpectRaiseAt;
constexpr const char* kSource = "GenModules\\LurUtils\\File";

class FileTest : public testing_lurutils::FileScratch {};

// What a mode text does with an existing file ("abc") and with a missing one.
struct ModeCase {
    const char* mode;
    bool opensExisting;
    bool truncates;
    bool createsMissing;
    bool reads;
    bool writes;
};

TEST_F(FileTest, ModeTextsOpenAsTheirLettersSay) {
    const ModeCase cases[] = {
        {"rs", true, false, false, true, false},
        {"Ws", true, true, true, false, true},
        {"W+", true, true, true, true, true},
        {"Wr", true, true, true, false, true},  // 'r' is skipped after 'W'
        {"rW", true, true, true, false, true},  // 'W' wins, and takes read away
        {"R+", true, false, true, true, true},
        {"R", true, false, true, true, false},
        {"r+", true, false, false, true, true},
        {"w", false, false, true, false, true},
        {"w+", false, false, true, true, true},
        {"Rw", false, false, true, false, true},  // a later 'w' overrides 'R'
        {"wR", true, false, true, true, true},    // 'R' overrides 'w'
        {"WR", true, true, true, false, true},    // 'R' is skipped after 'W'
        {"s+", false, false, false, false, false},
        {"", false, false, false, false, false},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.mode);
        Write("f", "abc");
        {
            File f(W("f").c_str(), c.mode, false, false);
            EXPECT_EQ(f.IsOpen(), c.opensExisting);
            EXPECT_EQ(f.GetName(), c.opensExisting ? W("f") : "");
            if (f.IsOpen()) {
                EXPECT_EQ(f.GetSize(false), c.truncates ? 0u : 3u);
                char byte;
                EXPECT_EQ(f.ReadAt(&byte, 1, 0, nullptr, false) == 0, c.reads);
                EXPECT_EQ(f.WriteAt("z", 5, 1, nullptr, false) == 0, c.writes);
            }
        }
        std::filesystem::remove(P("f"));
        File g(W("f").c_str(), c.mode, false, false);
        EXPECT_EQ(g.IsOpen(), c.createsMissing);
        EXPECT_EQ(Has("f"), c.createsMissing);
    }
    File none;
    EXPECT_FALSE(none.Open(W("g").c_str(), "s+", false, false));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
}

TEST_F(FileTest, OneLetterModes) {
    Write("f", "abc");
    {
        File f(W("f").c_str(), 'w', true);  // an existing file is opened, not truncated
        EXPECT_EQ(f.GetSize(true), 3u);
    }
    {
        File f(W("new").c_str(), 'w', true);  // a missing one is created
        EXPECT_TRUE(f.IsValid());
    }
    File missing(W("missing").c_str(), 'r', false);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.GetName(), W("missing"));  // kept although the open failed
    EXPECT_EQ(missing.GetSize(false), 0u);
    EXPECT_EQ(missing.Rewind(false), -1);
    EXPECT_TRUE(missing.Close(true));
    ExpectRaiseAt([&] { File f(W("missing").c_str(), 'r', true); }, win::ERROR_FILE_NOT_FOUND, kSource, 126,
                  StrVector(W("missing")));
    ExpectRaiseAt([&] { File f(W("missing").c_str(), "rs", false, true); }, win::ERROR_FILE_NOT_FOUND, kSource, 214,
                  StrVector(W("missing")));
    File reopened;
    EXPECT_TRUE(reopened.Open(W("f").c_str(), "rs", false, false));
    EXPECT_FALSE(reopened.Open(W("missing").c_str(), "rs", false, false));
    EXPECT_EQ(reopened.GetName(), "");  // cleared by the failed mode-text open
}

TEST_F(FileTest, NamesOf260CharactersAreRefused) {
    const std::string longName = W() + std::string(259 - W().size(), 'n');
    ASSERT_EQ(longName.size(), 259u);
    {
        File fits(longName.c_str(), "W+", false, false);
        EXPECT_TRUE(fits.IsOpen());
    }
    const std::string tooLong = longName + "x";
    File f;
    EXPECT_FALSE(f.Open(tooLong.c_str(), 'w', false));
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(f.GetName(), tooLong);  // kept whole, not cut at 259
    ExpectRaiseAt([&] { File g(tooLong.c_str(), "W+", false, true); }, win::ERROR_FILENAME_EXCED_RANGE, kSource, 214,
                  StrVector(tooLong));
}

TEST_F(FileTest, BlocksAtOffsetsAndAppends) {
    File f(W("f").c_str(), "W+", false, true);
    EXPECT_EQ(f.AppendLocked("0123456789", 10), 0);
    EXPECT_EQ(f.AppendLocked("abcdefghij", 10), 10);
    uint32_t count = 0;
    EXPECT_EQ(f.Append("XY", 2, &count, true), 0u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(f.GetSize(true), 22u);
    char buffer[100] = {};
    EXPECT_EQ(f.ReadLocked(buffer, 100, 2), 20u);  // short at the end
    EXPECT_EQ(std::string(buffer, 20), "23456789abcdefghijXY");
    EXPECT_EQ(f.WriteAt("__", 4, 2, &count, true), 0u);
    EXPECT_EQ(f.ReadAt(buffer, 6, 2, &count, true), 0u);
    EXPECT_EQ(std::string(buffer, count), "23__67");
    EXPECT_EQ(f.Rewind(true), 0);
    EXPECT_TRUE(f.Close(true));
    EXPECT_EQ(f.GetName(), "");
    EXPECT_EQ(Read("f"), "0123__6789abcdefghijXY");
}

TEST_F(FileTest, LockedRangesRefuseTransfersAtOnce) {
    Write("f", std::string(20, 'x'));
    File f(W("f").c_str(), 'w', true);
    const win::HANDLE other =
        win::CreateFileA(W("f").c_str(), win::GENERIC_READ | win::GENERIC_WRITE,
                         win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING, 0, 0);
    ASSERT_TRUE(win::LockFile(other, 5, 0, 30, 0));  // covers the end, where appends go
    char buffer[10];
    uint32_t count = 99;
    EXPECT_EQ(f.ReadLocked(buffer, 10, 0), 0u);
    EXPECT_EQ(f.ReadAt(buffer, 10, 0, &count, false), win::ERROR_LOCK_VIOLATION);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(f.AppendLocked("a", 1), -1);
    EXPECT_EQ(f.Append("a", 1, nullptr, false), win::ERROR_LOCK_VIOLATION);
    ExpectRaiseAt([&] { f.WriteAt("a", 0, 10, nullptr, true); }, win::ERROR_LOCK_VIOLATION, kSource, 348,
                  StrVector(W("f")));
    ExpectRaiseAt([&] { f.ReadAt(buffer, 10, 0, nullptr, true); }, win::ERROR_LOCK_VIOLATION, kSource, 378,
                  StrVector(W("f")));
    ExpectRaiseAt([&] { f.Rewind(true); }, win::ERROR_LOCK_VIOLATION, kSource, 428, StrVector(W("f")));
    EXPECT_EQ(f.ReadLocked(buffer, 5, 0), 5u);  // the range before the lock is free
    win::CloseHandle(other);
    EXPECT_EQ(f.AppendLocked("a", 1), 20);
}

// Four processes append tagged records as fast as they can, in turn with
// AppendLocked and Append: every record must be in the file once, and every
// offset AppendLocked reports must hold its own record.
TEST_F(FileTest, ConcurrentAppendsNeitherOverwriteNorMisreport) {
    constexpr int kWriters = 4;
    constexpr int kRecords = 1000;
    constexpr unsigned kSize = 16;
    { File create(W("log").c_str(), "W+", false, true); }
    const auto appendAll = [&](int writer) {
        FILE* report = std::fopen(P("report" + std::to_string(writer)).c_str(), "w");
        File f(W("log").c_str(), 'w', true);
        for (int i = 0; i < kRecords; ++i) {
            char record[kSize + 1];
            std::snprintf(record, sizeof record, "%c%014d\n", 'a' + writer, i);
            for (;;) {  // a refused append changed nothing: try again
                if (i % 2 == 1) {
                    if (f.Append(record, kSize, nullptr, false) == 0) break;
                    continue;
                }
                const int32_t at = f.AppendLocked(record, kSize);
                if (at >= 0) {
                    std::fprintf(report, "%d %s", at, record);
                    break;
                }
            }
        }
        std::fclose(report);
    };
    pid_t children[kWriters - 1];
    for (int writer = 1; writer < kWriters; ++writer) {
        children[writer - 1] = fork();
        ASSERT_GE(children[writer - 1], 0);
        if (children[writer - 1] == 0) {
            appendAll(writer);
            _exit(0);
        }
    }
    appendAll(0);
    for (pid_t child : children) {
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_EQ(status, 0);
    }

    const std::string log = Read("log");
    ASSERT_EQ(log.size(), size_t(kWriters) * kRecords * kSize);
    std::map<std::string, int> seen;
    for (size_t at = 0; at < log.size(); at += kSize) ++seen[log.substr(at, kSize - 1)];
    EXPECT_EQ(seen.size(), size_t(kWriters) * kRecords);
    for (int writer = 0; writer < kWriters; ++writer) {
        FILE* in = std::fopen(P("report" + std::to_string(writer)).c_str(), "r");
        int at = 0;
        char record[kSize + 1];
        while (std::fscanf(in, "%d %15s", &at, record) == 2) {
            EXPECT_EQ(log.substr(at, kSize - 1), record) << "at " << at;
        }
        std::fclose(in);
    }
}

TEST_F(FileTest, RecreateEmptiesTheFileUnderItsName) {
    Write("f", "abc");
    File f(W("f").c_str(), 'r', true);
    EXPECT_TRUE(f.Recreate());
    EXPECT_EQ(f.GetSize(true), 0u);
    EXPECT_EQ(f.GetName(), W("f"));
    EXPECT_EQ(f.WriteAt("x", 0, 1, nullptr, true), 0u);
}

TEST_F(FileTest, CreatesMissingDirectoriesOnlyForWriting) {
    File reader(W("a\\b\\f.txt").c_str(), "R", true, false);  // 'R' alone: read access only
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_FALSE(Has("a"));
    File writer(W("a\\b\\f.txt").c_str(), "Ws", true, true);
    EXPECT_TRUE(writer.IsOpen());
    EXPECT_TRUE(Has("a/b/f.txt"));
}

}  // namespace
