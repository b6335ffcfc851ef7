#include "TextFile.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <istream>
#include <iterator>
#include <string>

#include "StdinScope.h"

namespace {

namespace fs = std::filesystem;

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lur_textfile_test_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Writes the bytes to a file of the directory; its path in UTF-8.
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::string m_dir;
};

TEST_F(TextFileTest, UtfEightFileArrivesInCodePage1250) {
    // "tábla Őr" under a name with "á", given in code page 1250 as main has it.
    Write("s\xC3\xA1ma.txt",
          "t\xC3\xA1"
          "bla \xC5\x90r\n");
    EXPECT_EQ(win::ReadUtf8TextFile(m_dir + "/s\xE1ma.txt"),
              "t\xE1"
              "bla \xD5r\n");
    EXPECT_EQ(win::ReadUtf8TextFile(Write("bom.txt", "\xEF\xBB\xBFx\xC3\xA9")), "x\xE9");  // the mark is dropped
    EXPECT_EQ(win::ReadUtf8TextFile(Write("empty.txt", "")), "");
}

TEST_F(TextFileTest, FileWithAFaultIsRefusedNamingItAndTheOffset) {
    struct Case {
        std::string name;
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"latin1.txt", "ok\n\xE1rv\n", "/latin1.txt is not valid UTF-8 at byte 3"},
        {"bom.txt",
         "\xEF\xBB\xBF"
         "a\xFF",
         "/bom.txt is not valid UTF-8 at byte 4"},  // counted in the file
        {"cjk.txt", "x=\xE6\x97\xA5\n", "/cjk.txt holds a character that code page 1250 lacks at byte 2"},
        {"nul.txt", std::string("ab\0c\n", 5), "/nul.txt holds a NUL byte at byte 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            win::ReadUtf8TextFile(Write(c.name, c.bytes));
            ADD_FAILURE() << "accepted";
        } catch (const win::TextFileError& error) {
            EXPECT_EQ(error.what(), m_dir + c.message);
        }
    }
    for (const auto& [path, message] :
         {std::pair{m_dir + "/none.txt", "cannot read " + m_dir + "/none.txt: No such file or directory"},
          std::pair{m_dir, m_dir + " is a directory, not a file"}}) {
        try {
            win::ReadUtf8TextFile(path);
            ADD_FAILURE() << path << " accepted";
        } catch (const win::TextFileError& error) {
            EXPECT_EQ(error.what(), message);
        }
        // Opened to be read piece by piece, the same refusal.
        try {
            win::OpenInputFile(path);
            ADD_FAILURE() << path << " opened";
        } catch (const win::TextFileError& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
    // A device read to its end: /dev/zero ends at its first block.
    try {
        win::ReadUtf8TextFile("/dev/zero");
        ADD_FAILURE() << "/dev/zero accepted";
    } catch (const win::TextFileError& error) {
        EXPECT_EQ(std::string(error.what()), "/dev/zero holds a NUL byte at byte 0");
    }
    EXPECT_THROW(win::RefuseDirectory(m_dir), win::TextFileError);
    EXPECT_NO_THROW(win::RefuseDirectory(m_dir + "/none.txt"));  // not a directory: the reader says what it is
}

// A stream read to its end: up to the limit, stopped after a block with a
// NUL byte, and a failed read with its errno (an interrupted one read again).
TEST(ReadToEnd, ReadsToTheEndWithinTheBoundOrSaysWhy) {
    // Serves text by blocks of 10 bytes, a NUL byte at stopAt, the end at ends.
    struct Source {
        size_t ends;
        size_t stopAt = SIZE_MAX;
        int failsWith = 0;  // errno of the second read
        size_t served = 0;
        int calls = 0;
        long long operator()(char* buffer, size_t size) {
            if (++calls == 2 && failsWith != 0) {
                errno = failsWith;
                return -1;
            }
            const size_t n = std::min({size, size_t(10), ends - served});
            for (size_t i = 0; i < n; ++i) buffer[i] = served + i == stopAt ? '\0' : 'x';
            served += n;
            return static_cast<long long>(n);
        }
    };
    const struct {
        Source source;
        size_t limit;
        size_t bytes;  // read
        bool tooLong;
        int error;
    } cases[] = {
        {{35}, 100, 35, false, 0},
        {{35}, 35, 35, false, 0},         // exactly the limit
        {{1000}, 35, 30, true, 0},        // what the limit holds, by whole blocks
        {{1000, 42}, 100, 50, false, 0},  // the block with the NUL, no further
        {{35, SIZE_MAX, EIO}, 100, 10, false, EIO},
        {{35, SIZE_MAX, EINTR}, 100, 35, false, 0},
    };
    for (const auto& c : cases) {
        Source source = c.source;
        const win::StreamBytes read = win::ReadToEnd(std::ref(source), c.limit);
        EXPECT_EQ(read.bytes.size(), c.bytes) << c.source.ends << " " << c.limit;
        EXPECT_EQ(read.tooLong, c.tooLong) << c.source.ends << " " << c.limit;
        EXPECT_EQ(read.error, c.error) << c.source.ends << " " << c.limit;
    }
    EXPECT_EQ(win::TooLongStreamText(),
              "is longer than 256 MiB (268435456 bytes), the most read from a pipe or a device; give it as a file");
}

// Standard input read piece by piece: bytes peeked at go back across the
// blocks its reads deliver (a socket of records hands over one per read),
// the input ends where it ends, and a directory given with "<" raises its
// TextFileError from the stream's read instead of passing for an empty input.
TEST_F(TextFileTest, StandardInputIsReadInBlocksAndAFailedReadRaises) {
    int records[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, records), 0);
    for (const char* record : {"a", "b", "c"}) ASSERT_EQ(::write(records[1], record, 1), 1);
    ::close(records[1]);
    std::istream& in = win::StandardInput();
    {
        const lurtest::StdinScope input(records[0]);
        in.clear();
        EXPECT_EQ(in.get(), 'a');
        EXPECT_EQ(in.get(), 'b');
        EXPECT_EQ(in.peek(), 'c');
        in.unget();
        in.unget();
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "abc");
        EXPECT_EQ(in.get(), std::char_traits<char>::eof());
    }
    ::close(records[0]);

    const lurtest::StdinScope input(m_dir);
    in.clear();
    try {
        in.peek();
        ADD_FAILURE() << "a directory read as a stream";
    } catch (const win::TextFileError& error) {
        EXPECT_STREQ(error.what(), "standard input is a directory, not a file");
    }
    in.clear();
}

}  // namespace
