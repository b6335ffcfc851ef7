#include "CheckedOutput.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <utility>

namespace win {

CheckedOutput::CheckedOutput(std::FILE* stream, std::string name) : m_stream(stream), m_name(std::move(name)) {}

CheckedOutput CheckedOutput::Create(const std::string& path) {
    errno = 0;
    std::FILE* stream = std::fopen(path.c_str(), "wb");
    const int err = errno;
    CheckedOutput output(stream, path);
    if (stream == nullptr) output.Fail(err);
    return output;
}

CheckedOutput CheckedOutput::Adopt(int fd, std::string name) {
    int err = errno;
    std::FILE* stream = nullptr;
    if (fd >= 0) {
        errno = 0;
        stream = fdopen(fd, "wb");
        err = errno;
        if (stream == nullptr) close(fd);
    }
    CheckedOutput output(stream, std::move(name));
    if (stream == nullptr) output.Fail(err);
    return output;
}

CheckedOutput::CheckedOutput(CheckedOutput&& other) noexcept
    : m_stream(std::exchange(other.m_stream, nullptr)), m_name(std::move(other.m_name)), m_error(other.m_error) {}

CheckedOutput::~CheckedOutput() {
    if (m_stream != nullptr) std::fclose(m_stream);
}

bool CheckedOutput::Fail(int err) {
    if (m_error == 0) m_error = err != 0 ? err : EIO;
    return false;
}

bool CheckedOutput::Write(std::string_view bytes) {
    if (m_error != 0) return false;
    if (m_stream == nullptr) return Fail(EBADF);
    if (bytes.empty()) return true;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_stream) != bytes.size()) return Fail(errno);
    return true;
}

bool CheckedOutput::Print(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list counting;
    va_copy(counting, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, counting);
    va_end(counting);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, format, arguments);
    }
    va_end(arguments);
    if (length < 0) return Fail(errno);  // a format the C library cannot carry out
    return Write(text);
}

bool CheckedOutput::Flush() {
    if (m_error != 0) return false;
    if (m_stream == nullptr) return Fail(EBADF);
    errno = 0;
    if (std::fflush(m_stream) != 0) return Fail(errno);
    return true;
}

bool CheckedOutput::Close() {
    if (m_stream == nullptr) return m_error == 0;
    errno = 0;
    if (std::fflush(m_stream) != 0) Fail(errno);
    // A failure no call answered: only the stream's error flag tells.
    if (std::ferror(m_stream)) Fail(errno);
    std::FILE* stream = std::exchange(m_stream, nullptr);
    errno = 0;
    if (std::fclose(stream) != 0) Fail(errno);
    return m_error == 0;
}

std::string CheckedOutput::FailureText() const {
    if (m_error == 0) return "";
    return "cannot write " + m_name + ": " + std::strerror(m_error);
}

CheckedOutput& StandardOutput() {
    // Never destroyed: standard output stays open for the exit's own flush
    // in a program that did not close it.
    static CheckedOutput* const output = new CheckedOutput(stdout, "standard output");
    return *output;
}

int CloseStandardOutput(const char* program, int status, int failedStatus) {
    CheckedOutput& out = StandardOutput();
    if (out.Close()) return status;
    std::fprintf(stderr, "%s: %s\n", program, out.FailureText().c_str());
    return status == 0 ? failedStatus : status;
}

void FailWritesPastFileSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace win
