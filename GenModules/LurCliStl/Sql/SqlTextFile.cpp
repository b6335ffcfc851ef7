#include "SqlTextFile.h"

#include <sys/stat.h>

#include <string_view>

#include "CodePage.h"
#include "File.h"
#include "FileApi.h"
#include "LastError.h"
#include "LurExceptBase.h"
#include "SystemErrorText.h"

namespace {

SqlTextFile Failed(SqlTextFile::Fault fault, std::string faultText = {}) {
    SqlTextFile result;
    result.fault = fault;
    result.faultText = std::move(faultText);
    return result;
}

// Why the last file call failed, in the system's words.
std::string LastErrorText() {
    const uint32_t code = win::GetLastError();
    std::string text;
    if (code == 0 || !win::FormatSystemMessage(code, 0, text)) return "error " + std::to_string(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

bool IsDirectory(const std::string& path) {
    const uint32_t attributes = win::GetFileAttributesA(path.c_str());
    return attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

SqlTextFile ReadSqlTextFile(const std::string& path, SqlFileEncoding encoding) {
    std::string bytes;
    try {
        File file;
        if (!file.Open(path.c_str(), 'r', false)) {
            const std::string reason = LastErrorText();
            // The system's reason for a directory is "Access is denied."
            if (IsDirectory(path)) return Failed(SqlTextFile::kCannotOpen, path + " is a directory, not a file");
            return Failed(SqlTextFile::kCannotOpen, path + " cannot be opened: " + reason);
        }
        const uint32_t size = file.GetSize(false);
        if (size == 0) return Failed(SqlTextFile::kReadError, path + " is empty");
        if (size == UINT32_MAX) return Failed(SqlTextFile::kReadError, path + " cannot be read: " + LastErrorText());
        bytes.resize(size);
        if (file.ReadLocked(bytes.data(), size, 0) != size)
            return Failed(SqlTextFile::kReadError, path + " cannot be read: " + LastErrorText());
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

SqlTextFile DecodeSqlText(std::string bytes, SqlFileEncoding encoding, const std::string& name) {
    SqlTextFile result;
    if (encoding == SqlFileEncoding::Cp1250) {
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
