#include "CheckedOutput.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class CheckedOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lur_checkedoutput_test_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    std::string m_dir;
};

// /dev/full takes no byte: every write that reaches it fails with ENOSPC.
std::FILE* FullDevice() { return std::fopen("/dev/full", "w"); }

TEST_F(CheckedOutputTest, WhatIsWrittenReachesTheFile) {
    const std::string path = m_dir + "/out.csv";
    win::CheckedOutput out = win::CheckedOutput::Create(path);
    EXPECT_TRUE(out.Write("a,b\n"));
    EXPECT_TRUE(out.Write(""));
    EXPECT_TRUE(out.Print("%d rows in %s\n", 12, "Car.Gepjarmu"));
    EXPECT_TRUE(out.Flush());
    EXPECT_TRUE(out.Write(std::string(100000, 'x')));
    EXPECT_TRUE(out.Close());
    EXPECT_FALSE(out.Failed());
    EXPECT_EQ(out.Error(), 0);
    EXPECT_EQ(out.FailureText(), "");
    EXPECT_EQ(out.Name(), path);
    EXPECT_EQ(Read(path), "a,b\n12 rows in Car.Gepjarmu\n" + std::string(100000, 'x'));
    // Closed: a second Close answers as the first, a write fails.
    EXPECT_TRUE(out.Close());
    EXPECT_FALSE(out.Write("late"));
}

TEST_F(CheckedOutputTest, AWriteThatTheDeviceRefusesIsTheFailureWithItsReason) {
    win::CheckedOutput out(FullDevice(), "standard output");
    // More than the stream's buffer holds: the write itself reaches the device.
    EXPECT_FALSE(out.Write(std::string(4 * BUFSIZ, 'x')));
    EXPECT_TRUE(out.Failed());
    EXPECT_EQ(out.Error(), ENOSPC);
    EXPECT_FALSE(out.Write("more"));
    EXPECT_FALSE(out.Flush());
    EXPECT_FALSE(out.Close());
    EXPECT_EQ(out.Error(), ENOSPC);
    EXPECT_EQ(out.FailureText(), "cannot write standard output: No space left on device");
}

// glibc discards the buffer of a failed flush: a second fflush answers 0,
// so the reason is kept at the first failing call.
TEST_F(CheckedOutputTest, TheReasonOfTheFirstFailedFlushIsKept) {
    win::CheckedOutput out(FullDevice(), "standard output");
    EXPECT_TRUE(out.Write("one row\n"));  // only buffered
    EXPECT_FALSE(out.Flush());
    EXPECT_EQ(out.Error(), ENOSPC);
    EXPECT_FALSE(out.Write("two rows\n"));
    EXPECT_FALSE(out.Flush());
    EXPECT_FALSE(out.Close());
    EXPECT_EQ(out.FailureText(), "cannot write standard output: No space left on device");
}

TEST_F(CheckedOutputTest, BytesOnlyTheCloseHandsOverFailThere) {
    win::CheckedOutput out(FullDevice(), "/dev/full");
    EXPECT_TRUE(out.Print("%s\n", "a line"));
    EXPECT_FALSE(out.Failed());
    EXPECT_FALSE(out.Close());
    EXPECT_EQ(out.FailureText(), "cannot write /dev/full: No space left on device");
}

// A stream whose failure no call of the object met (its buffer is gone, a
// flush answers 0): the error flag tells at the close, without a reason.
TEST_F(CheckedOutputTest, TheStreamsErrorFlagIsTheFallback) {
    std::FILE* stream = FullDevice();
    ASSERT_NE(stream, nullptr);
    std::fputs("lost", stream);
    EXPECT_NE(std::fflush(stream), 0);
    ASSERT_TRUE(std::ferror(stream));
    win::CheckedOutput out(stream, "standard output");
    EXPECT_FALSE(out.Close());
    EXPECT_TRUE(out.Failed());
    EXPECT_EQ(out.FailureText(), "cannot write standard output: Input/output error");
}

TEST_F(CheckedOutputTest, AFileThatCannotBeMadeFailsWithItsName) {
    const std::string path = m_dir + "/missing/out.csv";
    win::CheckedOutput out = win::CheckedOutput::Create(path);
    EXPECT_EQ(out.Error(), ENOENT);
    EXPECT_FALSE(out.Write("a"));
    EXPECT_FALSE(out.Flush());
    EXPECT_FALSE(out.Close());
    EXPECT_EQ(out.FailureText(), "cannot write " + path + ": No such file or directory");

    win::CheckedOutput directory = win::CheckedOutput::Create(m_dir);
    EXPECT_EQ(directory.Error(), EISDIR);
}

TEST_F(CheckedOutputTest, AMovedOutputWritesOn) {
    const std::string path = m_dir + "/out.txt";
    win::CheckedOutput first = win::CheckedOutput::Create(path);
    EXPECT_TRUE(first.Write("a"));
    win::CheckedOutput second(std::move(first));
    EXPECT_TRUE(second.Write("b"));
    EXPECT_TRUE(second.Close());
    EXPECT_EQ(Read(path), "ab");
}

TEST(StandardOutput, IsOneObjectNamedStandardOutput) {
    EXPECT_EQ(&win::StandardOutput(), &win::StandardOutput());
    EXPECT_EQ(win::StandardOutput().Name(), "standard output");
    EXPECT_FALSE(win::StandardOutput().Failed());
}

}  // namespace
