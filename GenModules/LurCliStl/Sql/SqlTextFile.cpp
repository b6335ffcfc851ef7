#include "SqlTextFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "CodePage.h"
#include "File.h"
#include "FileApi.h"
#include "LastError.h"
#include "LurExceptBase.h"
#include "SystemErrorText.h"
#include "TextFile.h"

namespace {

SqlTextFile Failed(SqlTextFile::Fault fault, std::string faultText = {}) {
    SqlTextFile result;
    result.fault = fault;
    result.faultText = std::move(faultText);
    return result;
}

// Why the last file call failed, in the system's words: the text of its
// Windows code, or the errno's own text where no Windows code matches (a
// socket's "No such device or address").
std::string LastErrorText() {
    const uint32_t code = win::GetLastError();
    if (code == win::ERROR_INVALID_FUNCTION && win::GetLastErrno() != 0) return std::strerror(win::GetLastErrno());
    std::string text;
    if (code == 0 || !win::FormatSystemMessage(code, 0, text)) return "error " + std::to_string(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

bool IsDirectory(const std::string& path) {
    const uint32_t attributes = win::GetFileAttributesA(path.c_str());
    return attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A stream's bytes to its end, or the fault that stopped the reading.
SqlTextFile ReadStreamBytes(const std::function<long long(char*, size_t)>& readBlock, const std::string& name,
                            std::string& bytes) {
    win::StreamBytes read = win::ReadToEnd(readBlock);
    if (read.error != 0) return Failed(SqlTextFile::kReadError, win::ReadFailureText(name, read.error));
    if (read.tooLong) return Failed(SqlTextFile::kReadError, name + " " + win::TooLongStreamText());
    bytes = std::move(read.bytes);
    return {};
}

}  // namespace

SqlTextFile ReadSqlTextFile(const std::string& path, SqlFileEncoding encoding) {
    std::string bytes;
    try {
        File file;
        if (!file.Open(path.c_str(), 'r', false)) {
            const std::string reason = LastErrorText();
            // The system's reason for a directory is "Access is denied."
            if (IsDirectory(path)) return Failed(SqlTextFile::kCannotOpen, win::ReadFailureText(path, EISDIR));
            return Failed(SqlTextFile::kCannotOpen, path + " cannot be opened: " + reason);
        }
        if (file.GetType() != win::FILE_TYPE_DISK) {
            // A pipe, a FIFO or a device has no size: it is read to its end.
            SqlTextFile fault = ReadStreamBytes(
                [&file](char* buffer, size_t size) -> long long {
                    uint32_t read = 0;
                    if (file.ReadNext(buffer, static_cast<unsigned>(size), &read) != 0) {
                        errno = win::GetLastErrno() != 0 ? win::GetLastErrno() : EIO;
                        return -1;
                    }
                    return read;
                },
                path, bytes);
            if (fault.fault != SqlTextFile::kNone) return fault;
            if (bytes.empty()) return Failed(SqlTextFile::kReadError, path + " is empty");
        } else {
            const uint32_t size = file.GetSize(false);
            if (size == 0) return Failed(SqlTextFile::kReadError, path + " is empty");
            if (size == UINT32_MAX)
                return Failed(SqlTextFile::kReadError, path + " cannot be read: " + LastErrorText());
            bytes.resize(size);
            if (file.ReadLocked(bytes.data(), size, 0) != size)
                return Failed(SqlTextFile::kReadError, path + " cannot be read: " + LastErrorText());
        }
    } catch (const LurExceptBase& error) {
        // a name the file layer refuses
        return Failed(SqlTextFile::kCannotOpen, path + " cannot be opened: " + error.what());
    }

    SqlTextFile result = DecodeSqlText(std::move(bytes), encoding, path);
    std::string posixPath;
    struct stat status {};
    if (win::ToPosixPath(path, posixPath) && stat(posixPath.c_str(), &status) == 0)
        result.identity = {static_cast<unsigned long long>(status.st_dev),
                           static_cast<unsigned long long>(status.st_ino)};
    return result;
}

SqlTextFile ReadSqlTextStream(const std::function<long long(char*, size_t)>& readBlock, SqlFileEncoding encoding,
                              const std::string& name) {
    std::string bytes;
    SqlTextFile fault = ReadStreamBytes(readBlock, name, bytes);
    if (fault.fault != SqlTextFile::kNone) return fault;
    return DecodeSqlText(std::move(bytes), encoding, name);
}

SqlTextFile DecodeSqlText(std::string bytes, SqlFileEncoding encoding, const std::string& name) {
    SqlTextFile result;
    if (encoding == SqlFileEncoding::Cp1250) {
        // Code page 1250 takes every byte but a NUL, which no text holds.
        if (const size_t nul = bytes.find('\0'); nul != std::string::npos)
            return Failed(SqlTextFile::kBadText, name + " " + win::Utf8FaultText(win::Utf8Fault::NulByte, nul));
        result.text = std::move(bytes);
        return result;
    }
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const size_t skipped = std::string_view(bytes).starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    // Converted where it was read: an import file is held once.
    win::StrictCp1250 converted = win::Utf8ToCp1250StrictInPlace(std::move(bytes), skipped);
    if (converted.fault != win::Utf8Fault::None) {
        return Failed(SqlTextFile::kBadText, name + " " + win::Utf8FaultText(converted.fault, converted.offset));
    }
    result.text = std::move(converted.text);
    return result;
}
