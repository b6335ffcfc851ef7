#include "TextFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "CodePage.h"

namespace win {
namespace {

// The system's reason goes with the name: a person can act on "No such file
// or directory" or "Permission denied", not on "cannot read" alone.
TextFileError Unreadable(const std::string& path) {
    return TextFileError("cannot read " + path + ": " + std::strerror(errno));
}

}  // namespace

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
