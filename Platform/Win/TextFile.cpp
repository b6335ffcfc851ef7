#include "TextFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <streambuf>
#include <string_view>
#include <vector>

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

StreamBytes ReadToEnd(const std::function<long long(char*, size_t)>& readBlock, size_t limit) {
    StreamBytes result;
    std::vector<char> block(size_t(64) << 10);
    for (;;) {
        const long long got = readBlock(block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            result.error = errno != 0 ? errno : EIO;
            return result;
        }
        if (got == 0) return result;
        const auto size = static_cast<size_t>(got);
        if (result.bytes.size() + size > limit) {
            result.tooLong = true;
            return result;
        }
        result.bytes.append(block.data(), size);
        if (std::memchr(block.data(), 0, size) != nullptr) return result;
    }
}

std::string ReadFailureText(const std::string& name, int error) {
    if (error == EISDIR) return name + " is a directory, not a file";
    return name + " cannot be read: " + std::strerror(error);
}

std::string TooLongStreamText() {
    return "is longer than " + std::to_string(kMaxStreamBytes >> 20) + " MiB (" + std::to_string(kMaxStreamBytes) +
           " bytes), the most read from a pipe or a device; give it as a file";
}

size_t ReadStandardInput(char* buffer, size_t size) {
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, size);
        if (got >= 0) return static_cast<size_t>(got);
        if (errno != EINTR) throw TextFileError(ReadFailureText("standard input", errno));
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
        throw TextFileError(ReadFailureText(path, EISDIR));
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
    std::error_code error;
    const bool file = std::filesystem::is_regular_file(Cp1250ToUtf8(path), error);
    StreamBytes read = ReadToEnd(
        [&in](char* buffer, size_t size) -> long long {
            errno = 0;
            in.read(buffer, static_cast<std::streamsize>(size));
            if (in.bad()) return -1;
            return in.gcount();
        },
        file ? SIZE_MAX : kMaxStreamBytes);
    if (read.error != 0) {
        errno = read.error;
        throw Unreadable(path);
    }
    if (read.tooLong) throw TextFileError(path + " " + TooLongStreamText());
    std::string_view text = read.bytes;
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const size_t skipped = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    StrictCp1250 converted = Utf8ToCp1250Strict(text.substr(skipped));
    if (converted.fault != Utf8Fault::None) {
        throw TextFileError(path + " " + Utf8FaultText(converted.fault, skipped + converted.offset));
    }
    return std::move(converted.text);
}

}  // namespace win
