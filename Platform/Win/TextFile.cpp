#include "TextFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string_view>

#include "CodePage.h"

namespace win {
namespace {

// The system's reason goes with the name: a person can act on "No such file
// or directory" or "Permission denied", not on "cannot read" alone.
TextFileError Unreadable(const std::string& path) {
    return TextFileError("cannot read " + path + ": " + std::strerror(errno));
}

// Standard input's bytes as a stream buffer, with a few of the bytes
// before the current block kept, so that a reader can put back what it
// peeked at across the blocks of a pipe.
class StandardInputBuffer : public std::streambuf {
protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        const size_t kept = std::min(static_cast<size_t>(egptr() - eback()), kPutBack);
        if (kept > 0) std::memmove(m_block + kPutBack - kept, egptr() - kept, kept);
        const size_t got = ReadStandardInput(m_block + kPutBack, sizeof m_block - kPutBack);
        if (got == 0) return traits_type::eof();
        setg(m_block + kPutBack - kept, m_block + kPutBack, m_block + kPutBack + got);
        return traits_type::to_int_type(*gptr());
    }

private:
    static constexpr size_t kPutBack = 8;
    char m_block[65536];
};

}  // namespace

size_t ReadStandardInput(char* buffer, size_t size) {
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, size);
        if (got >= 0) return static_cast<size_t>(got);
        if (errno == EISDIR) throw TextFileError("standard input is a directory, not a file");
        if (errno != EINTR) throw TextFileError(std::string("standard input cannot be read: ") + std::strerror(errno));
    }
}

std::istream& StandardInput() {
    // badbit raised: the stream hands on the read's own TextFileError.
    static struct Input {
        StandardInputBuffer buffer;
        std::istream stream{&buffer};
        Input() { stream.exceptions(std::ios::badbit); }
    } input;
    return input.stream;
}

void RefuseDirectory(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(Cp1250ToUtf8(path), error)) {
        throw TextFileError(path + " is a directory, not a file");
    }
}

std::ifstream OpenInputFile(const std::string& path) {
    RefuseDirectory(path);
    errno = 0;
    std::ifstream in(Cp1250ToUtf8(path), std::ios::binary);
    if (!in) throw Unreadable(path);
    return in;
}

std::string ReadUtf8TextFile(const std::string& path) {
    std::ifstream in = OpenInputFile(path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) throw Unreadable(path);
    std::string_view text = bytes.view();
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const size_t skipped = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    StrictCp1250 converted = Utf8ToCp1250Strict(text.substr(skipped));
    if (converted.fault != Utf8Fault::None) {
        throw TextFileError(path + " " + Utf8FaultText(converted.fault, skipped + converted.offset));
    }
    return std::move(converted.text);
}

}  // namespace win
