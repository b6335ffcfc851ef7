// Script files as the SQL session reads them: UTF-8 converted once to code
// page 1250, or code page 1250 taken byte for byte; a file that cannot be
// used gives its fault and no text at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <string>

#include "ScratchDir.h"
#include "SqlTextFile.h"

namespace {

class SqlTextFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir.Path() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    lurtest::ScratchDir dir{"sqltext"};
};

TEST_F(SqlTextFileTest, ReadsUtf8AsCodePage1250OrBytesAsTheyAre) {
    // "árvíztűrő" in UTF-8 and in code page 1250; the byte-order mark goes.
    const std::string utf8 = "\xEF\xBB\xBFPRINT '\xC3\xA1rv\xC3\xADzt\xC5\xB1r\xC5\x91';";
    const std::string cp1250 = "PRINT '\xE1rv\xEDzt\xFBr\xF5';";
    SqlTextFile fromUtf8 = ReadSqlTextFile(Write("utf8.sql", utf8), SqlFileEncoding::Utf8);
    EXPECT_EQ(fromUtf8.fault, SqlTextFile::kNone);
    EXPECT_EQ(fromUtf8.text, cp1250);

    SqlTextFile raw = ReadSqlTextFile(Write("cp1250.sql", cp1250), SqlFileEncoding::Cp1250);
    EXPECT_EQ(raw.fault, SqlTextFile::kNone);
    EXPECT_EQ(raw.text, cp1250);
}

TEST_F(SqlTextFileTest, RefusesWhatCannotBeUsedWithItsFault) {
    const std::string badUtf8 = Write("bad.sql", "PRINT 'ok';\nPRINT '\xE1';");
    SqlTextFile bad = ReadSqlTextFile(badUtf8, SqlFileEncoding::Utf8);
    EXPECT_EQ(bad.fault, SqlTextFile::kBadText);
    EXPECT_TRUE(bad.text.empty());
    EXPECT_NE(bad.faultText.find(badUtf8), std::string::npos) << bad.faultText;
    EXPECT_NE(bad.faultText.find("byte 19"), std::string::npos) << bad.faultText;
    // The same bytes are a code page 1250 script.
    EXPECT_EQ(ReadSqlTextFile(badUtf8, SqlFileEncoding::Cp1250).fault, SqlTextFile::kNone);

    EXPECT_EQ(ReadSqlTextFile(Write("empty.sql", ""), SqlFileEncoding::Utf8).fault, SqlTextFile::kReadError);
    EXPECT_EQ(ReadSqlTextFile(dir.Path() + "/missing.sql", SqlFileEncoding::Utf8).fault, SqlTextFile::kCannotOpen);

    SqlTextFile input = DecodeSqlText("\xFF", SqlFileEncoding::Utf8, "standard input");
    EXPECT_EQ(input.fault, SqlTextFile::kBadText);
    EXPECT_EQ(input.faultText.rfind("standard input ", 0), 0u) << input.faultText;

    // A NUL byte would cut the text: refused in either encoding, by its offset.
    const std::string nul = Write("nul.sql", std::string("PRINT 'b\0c';\n", 13));
    for (SqlFileEncoding encoding : {SqlFileEncoding::Utf8, SqlFileEncoding::Cp1250}) {
        SqlTextFile refused = ReadSqlTextFile(nul, encoding);
        EXPECT_EQ(refused.fault, SqlTextFile::kBadText);
        EXPECT_TRUE(refused.text.empty());
        EXPECT_EQ(refused.faultText, nul + " holds a NUL byte at byte 8");
    }
}

TEST_F(SqlTextFileTest, ReadsAStreamToItsEnd) {
    // By name: a device is read as a stream, not by its size (which is 0).
    SqlTextFile zero = ReadSqlTextFile("/dev/zero", SqlFileEncoding::Utf8);
    EXPECT_EQ(zero.fault, SqlTextFile::kBadText);
    EXPECT_EQ(zero.faultText, "/dev/zero holds a NUL byte at byte 0");
    EXPECT_EQ(ReadSqlTextFile("/dev/null", SqlFileEncoding::Utf8).faultText, "/dev/null is empty");

    // Given a reader: converted as a file; nothing at all is an empty text.
    const std::string utf8 = "PRINT '\xC3\xA1';";
    size_t served = 0;
    const auto serve = [&](char* buffer, size_t size) -> long long {
        const size_t n = std::min(size, utf8.size() - served);
        utf8.copy(buffer, n, served);
        served += n;
        return static_cast<long long>(n);
    };
    SqlTextFile read = ReadSqlTextStream(serve, SqlFileEncoding::Utf8, "standard input");
    EXPECT_EQ(read.fault, SqlTextFile::kNone);
    EXPECT_EQ(read.text, "PRINT '\xE1';");
    SqlTextFile empty = ReadSqlTextStream(serve, SqlFileEncoding::Utf8, "standard input");
    EXPECT_EQ(empty.fault, SqlTextFile::kNone);
    EXPECT_EQ(empty.text, "");
    const auto failing = [](char*, size_t) -> long long {
        errno = EISDIR;
        return -1;
    };
    EXPECT_EQ(ReadSqlTextStream(failing, SqlFileEncoding::Utf8, "standard input").faultText,
              "standard input is a directory, not a file");
}

}  // namespace
