#include "FileApi.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <vector>

#include "CodePage.h"
#include "Crt.h"
#include "LastError.h"

namespace win {

namespace {

// ---- Names ----

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDriveLetter(const std::string& name) {
    const unsigned char first = static_cast<unsigned char>(name.empty() ? 0 : name[0]);
    return name.size() >= 2 && name[1] == ':' && ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'));
}

bool IsDriveC(const std::string& name) { return name[0] == 'C' || name[0] == 'c'; }

// Copies text into a caller's buffer by the Windows size rule: the length
// without the zero when it fits, else the size needed with it.
uint32_t CopyOut(const std::string& text, uint32_t size, char* buffer) {
    if (buffer == nullptr || text.size() + 1 > size) {
        return static_cast<uint32_t>(text.size() + 1);
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<uint32_t>(text.size());
}

std::string CurrentDirectoryPosix() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// ---- Handles ----

// Marker bytes far beyond any data (files stay below 4 GiB): a handle holds a
// shared lock on the marker of each access it has and of each access it
// does not share. A conflict shows as another descriptor's lock there.
constexpr off_t kMarkerBase = off_t(1) << 40;
enum Marker : off_t { kHasRead = 0, kHasWrite = 1, kDeniesRead = 2, kDeniesWrite = 3, kMarkerCount = 4 };

struct OpenFile {
    int fd = -1;
    uint32_t access = 0;
    bool writableDescriptor = false;  // exclusive byte-range locks need a descriptor open for writing
    uint32_t type = FILE_TYPE_DISK;   // GetFileType's answer
};

// What GetFileType answers for a file of this mode.
uint32_t FileTypeOf(mode_t mode) {
    if (S_ISREG(mode)) return FILE_TYPE_DISK;
    if (S_ISCHR(mode)) return FILE_TYPE_CHAR;
    if (S_ISFIFO(mode) || S_ISSOCK(mode)) return FILE_TYPE_PIPE;
    return FILE_TYPE_UNKNOWN;
}

// A pipe, a FIFO or a device at posix (not a file, not a directory).
bool IsStream(const std::string& posix) {
    struct stat st {};
    return ::stat(posix.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

std::map<HANDLE, OpenFile>& Handles() {
    static std::map<HANDLE, OpenFile> handles;
    return handles;
}

OpenFile* FindHandle(HANDLE handle) {
    auto found = Handles().find(handle);
    if (found == Handles().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &found->second;
}

bool LockRange(int fd, short type, off_t start, off_t length, bool wait = false) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) == 0;
}

// True when a descriptor other than fd's holds a lock on the marker.
bool MarkerHeldByOther(int fd, Marker marker) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kMarkerBase + marker;
    lock.l_len = 1;
    if (::fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
    return lock.l_type != F_UNLCK;
}

// Share checks and marker locks are made under an exclusive flock of the file,
// so that two opens cannot both pass the checks before either holds its
// markers. flock and record locks do not interact on Linux.
class ShareGate {
public:
    explicit ShareGate(int fd) : m_fd(fd) { ::flock(m_fd, LOCK_EX); }
    ~ShareGate() { ::flock(m_fd, LOCK_UN); }
    ShareGate(const ShareGate&) = delete;
    ShareGate& operator=(const ShareGate&) = delete;

private:
    int m_fd;
};

bool ShareConflict(int fd, uint32_t access, uint32_t shareMode) {
    return ((access & GENERIC_READ) && MarkerHeldByOther(fd, kDeniesRead)) ||
           ((access & GENERIC_WRITE) && MarkerHeldByOther(fd, kDeniesWrite)) ||
           (!(shareMode & FILE_SHARE_READ) && MarkerHeldByOther(fd, kHasRead)) ||
           (!(shareMode & FILE_SHARE_WRITE) && MarkerHeldByOther(fd, kHasWrite));
}

// A file held by any live handle: none shares delete.
bool InUse(int fd) {
    for (off_t m = 0; m < kMarkerCount; ++m) {
        if (MarkerHeldByOther(fd, static_cast<Marker>(m))) return true;
    }
    return false;
}

// Whether a live handle holds the file at posix: any handle, or with
// writersOnly one that has write access. False when it cannot be opened to
// ask (then no handle can have it open either, or nothing better can be
// known).
bool FileHeld(const std::string& posix, bool writersOnly) {
    const int fd = ::open(posix.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    bool held;
    {
        ShareGate gate(fd);
        held = writersOnly ? MarkerHeldByOther(fd, kHasWrite) : InUse(fd);
    }
    ::close(fd);
    return held;
}

bool FileInUse(const std::string& posix) { return FileHeld(posix, false); }

bool HoldMarkers(int fd, uint32_t access, uint32_t shareMode) {
    // Shared locks on a descriptor open only for reading are allowed too.
    const auto hold = [fd](Marker m) { return LockRange(fd, F_RDLCK, kMarkerBase + m, 1); };
    return (!(access & GENERIC_READ) || hold(kHasRead)) && (!(access & GENERIC_WRITE) || hold(kHasWrite)) &&
           ((shareMode & FILE_SHARE_READ) || hold(kDeniesRead)) &&
           ((shareMode & FILE_SHARE_WRITE) || hold(kDeniesWrite));
}

bool IsReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

// Sets the last error for an open that failed with ENOENT: the file is
// missing (2) or its directory is (3).
void SetMissingError(const std::string& posix) {
    const size_t slash = posix.find_last_of('/');
    const std::string parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : posix.substr(0, slash));
    struct stat st {};
    SetLastError(::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
}

// LockFile and UnlockFile: an empty range changes nothing.
bool ChangeRangeLock(HANDLE handle, bool lock, uint32_t offsetLow, uint32_t offsetHigh, uint32_t lengthLow,
                     uint32_t lengthHigh) {
    OpenFile* file = FindHandle(handle);
    if (file == nullptr) return false;
    const off_t start = static_cast<off_t>((static_cast<unsigned long long>(offsetHigh) << 32) | offsetLow);
    const off_t length = static_cast<off_t>((static_cast<unsigned long long>(lengthHigh) << 32) | lengthLow);
    if (length == 0) return true;
    const short type = !lock ? F_UNLCK : file->writableDescriptor ? F_WRLCK : F_RDLCK;
    if (!LockRange(file->fd, type, start, length)) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

HANDLE Fail(int fd, uint32_t code) {
    if (fd >= 0) ::close(fd);
    SetLastError(code);
    return INVALID_HANDLE_VALUE;
}

// ---- Times and attributes ----

FILETIME ToFileTime(const struct statx_timestamp& t) {
    const long long ticks =
        kFileTimeUnixEpoch + static_cast<long long>(t.tv_sec) * kFileTimeTicksPerSecond + t.tv_nsec / 100;
    return MakeFileTime(ticks < 0 ? 0 : static_cast<unsigned long long>(ticks));
}

// Whether the link at posix leads to a directory, at the end of its chain.
bool LeadsToDirectory(const std::string& posix) {
    struct stat st {};
    return ::stat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A directory, or a link that leads to one: both are removed with
// RemoveDirectoryA, never with DeleteFileA.
bool IsDirectoryEntry(const std::string& posix, mode_t mode) {
    return S_ISDIR(mode) || (S_ISLNK(mode) && LeadsToDirectory(posix));
}

// The attributes of the entry at posix with the mode of the entry itself
// (a link's own, never what it leads to).
uint32_t AttributesOf(const std::string& posix, const std::string& lastName, mode_t mode) {
    uint32_t attributes = 0;
    if (S_ISLNK(mode)) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    if (IsReadOnlyMode(mode)) attributes |= FILE_ATTRIBUTE_READONLY;
    if (lastName.size() > 1 && lastName[0] == '.' && lastName != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (IsDirectoryEntry(posix, mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (S_ISREG(mode)) attributes |= FILE_ATTRIBUTE_ARCHIVE;
    return attributes == 0 ? uint32_t(FILE_ATTRIBUTE_NORMAL) : attributes;
}

std::string LastName(const std::string& posix) {
    const size_t slash = posix.find_last_of('/');
    return slash == std::string::npos ? posix : posix.substr(slash + 1);
}

// The status of the entry itself: a symbolic link is an entry of its own,
// never taken for what it leads to.
bool StatPath(const std::string& posix, struct statx& st) {
    if (::statx(AT_FDCWD, posix.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) {
        SetLastErrorFromErrno(errno);
        if (errno == ENOENT) SetMissingError(posix);
        return false;
    }
    return true;
}

// The POSIX name and status of a Windows name; false with the last error set.
bool StatName(const char* name, std::string& posix, struct statx& st) {
    return name != nullptr && ToPosixPath(name, posix) && StatPath(posix, st);
}

// Fills a listing record from the entry's status; name in code page 1250.
bool FillFindData(const std::string& posix, const std::string& name, WIN32_FIND_DATAA& data) {
    struct statx st {};
    if (!StatPath(posix, st)) return false;
    data = WIN32_FIND_DATAA{};
    data.dwFileAttributes = AttributesOf(posix, name == "." || name == ".." ? name : LastName(posix), st.stx_mode);
    data.ftLastWriteTime = ToFileTime(st.stx_mtime);
    data.ftLastAccessTime = ToFileTime(st.stx_atime);
    data.ftCreationTime = (st.stx_mask & STATX_BTIME) ? ToFileTime(st.stx_btime) : data.ftLastWriteTime;
    if (S_ISREG(st.stx_mode)) {
        data.nFileSizeLow = static_cast<uint32_t>(st.stx_size);
        data.nFileSizeHigh = static_cast<uint32_t>(st.stx_size >> 32);
    }
    const size_t n = std::min<size_t>(name.size(), MAX_PATH - 1);
    std::memcpy(data.cFileName, name.data(), n);
    data.cFileName[n] = '\0';
    return true;
}

// ---- Links ----

// The text of the link at posix: where it leads, as it was written.
bool ReadLinkText(const std::string& posix, std::string& text) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(posix.c_str(), buffer.data(), buffer.size());
        if (n < 0) {
            SetLastErrorFromErrno(errno);
            return false;
        }
        if (static_cast<size_t>(n) < buffer.size()) {
            text.assign(buffer.data(), static_cast<size_t>(n));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// A new link at target with the text of the link at from, so that it leads
// where the old one does (a relative text is kept as written). An existing
// target is refused with failIfExists, else it goes as DeleteFileA takes it:
// a directory, a read-only or an open file stays, and so does the copy.
bool CopyLink(const std::string& from, const char* target, bool failIfExists) {
    std::string to;
    std::string text;
    if (!ToPosixPath(target, to) || !ReadLinkText(from, text)) return false;
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0) {
        if (failIfExists) {
            SetLastError(ERROR_FILE_EXISTS);
            return false;
        }
        if (!DeleteFileA(target)) return false;
    }
    if (::symlink(text.c_str(), to.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

// Whether a rename may put another file in the place of the entry at posix:
// not a directory (nor a link to one), not read-only, and not open for
// writing (what the writer writes would go to a file no name reaches).
// Readers keep the file they opened. A name that holds nothing may take the
// file too.
bool MayReplace(const std::string& posix) {
    struct statx st {};
    if (::statx(AT_FDCWD, posix.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &st) != 0) {
        if (errno == ENOENT) return true;
        SetLastErrorFromErrno(errno);
        return false;
    }
    if (IsDirectoryEntry(posix, st.stx_mode) || IsReadOnlyMode(st.stx_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (S_ISREG(st.stx_mode) && FileHeld(posix, true)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    return true;
}

// ---- Listings ----

// The Windows wildcard match, case ignored by the code page 1250 tables:
// '*' takes any run of characters, '?' one; a mismatch after a '*' goes back
// to that '*' and lets it take one character more.
bool MatchesWildcard(const std::string& pattern, const std::string& name) {
    const auto same = [](char a, char b) {
        return crt::ToUpperCp1250(static_cast<unsigned char>(a)) == crt::ToUpperCp1250(static_cast<unsigned char>(b));
    };
    size_t p = 0, n = 0, star = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

struct Search {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

std::map<HANDLE, std::unique_ptr<Search>>& Searches() {
    static std::map<HANDLE, std::unique_ptr<Search>> searches;
    return searches;
}

}  // namespace

// ---- Names ----

bool ToPosixPath(const std::string& name, std::string& posix) {
    if (name.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    std::string rest = name;
    if (HasDriveLetter(name)) {
        if (!IsDriveC(name)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return false;
        }
        rest = name.substr(2);
        if (rest.empty()) rest = ".";  // "C:" is the current directory of C:
    } else if (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1])) {
        SetLastError(ERROR_BAD_NETPATH);
        return false;
    }
    std::replace(rest.begin(), rest.end(), '\\', '/');
    posix = Cp1250ToUtf8(rest);
    return true;
}

std::string FromPosixPath(const std::string& posix) {
    std::string name = Utf8ToCp1250(posix);
    std::replace(name.begin(), name.end(), '/', '\\');
    return "C:" + name;
}

uint32_t GetFullPathNameA(const char* name, uint32_t size, char* buffer, char** filePart) {
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    std::string path = name;
    std::replace(path.begin(), path.end(), '/', '\\');
    std::string root;  // "C:\" or "\\server\share\"
    std::string rest;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        const size_t server = path.find('\\', 2);
        const size_t share = server == std::string::npos ? std::string::npos : path.find('\\', server + 1);
        root = share == std::string::npos ? path + "\\" : path.substr(0, share + 1);
        rest = share == std::string::npos ? "" : path.substr(share + 1);
    } else if (HasDriveLetter(path) && path.size() > 2 && path[2] == '\\') {
        root = path.substr(0, 3);
        rest = path.substr(3);
    } else if (!path.empty() && path[0] == '\\') {
        root = "C:\\";
        rest = path.substr(1);
    } else {
        // Relative, or relative to a drive's current directory: only C: has one.
        const bool otherDrive = HasDriveLetter(path) && !IsDriveC(path);
        const std::string relative = HasDriveLetter(path) ? path.substr(2) : path;
        std::string current = otherDrive ? path.substr(0, 2) + "\\" : FromPosixPath(CurrentDirectoryPosix());
        root = current.substr(0, 3);
        rest = current.substr(3) + "\\" + relative;
    }
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        const std::string part = rest.substr(start, end - start);
        if (part == "..") {
            if (!names.empty()) names.pop_back();
        } else if (!part.empty() && part != ".") {
            names.push_back(part);
        }
        start = end + 1;
    }
    std::string full = root;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) full += '\\';
        full += names[i];
    }
    if (!names.empty() && path.back() == '\\') full += '\\';
    const uint32_t result = CopyOut(full, size, buffer);
    if (filePart != nullptr && result < size && buffer != nullptr) {
        const size_t slash = full.find_last_of('\\');
        *filePart = slash + 1 < full.size() ? buffer + slash + 1 : nullptr;
    }
    return result;
}

uint32_t GetCurrentDirectoryA(uint32_t size, char* buffer) {
    const std::string current = CurrentDirectoryPosix();
    if (current.empty()) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    return CopyOut(FromPosixPath(current), size, buffer);
}

bool SetCurrentDirectoryA(const char* name) {
    std::string posix;
    if (name == nullptr || !ToPosixPath(name, posix)) return false;
    if (::chdir(posix.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        if (errno == ENOENT) SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

uint32_t GetTempPathA(uint32_t size, char* buffer) {
    const char* tmp = std::getenv("TMPDIR");
    std::string posix = tmp != nullptr && *tmp == '/' ? tmp : P_tmpdir;
    while (posix.size() > 1 && posix.back() == '/') posix.pop_back();
    std::string name = FromPosixPath(posix);
    if (name.back() != '\\') name += '\\';
    return CopyOut(name, size, buffer);
}

uint32_t GetTempFileNameA(const char* dir, const char* prefix, uint32_t unique, char* out) {
    if (dir == nullptr || prefix == nullptr || out == nullptr || unique != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string base = dir;
    if (!base.empty() && !IsSeparator(base.back())) base += '\\';
    base += std::string(prefix).substr(0, 3);
    // Start from a number that differs between processes and calls, then walk.
    static uint32_t s_counter = static_cast<uint32_t>(::getpid() ^ std::time(nullptr));
    for (uint32_t tries = 0; tries < 0xFFFF; ++tries) {
        const uint32_t number = s_counter++ % 0xFFFF + 1;  // four hex digits, never 0
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04X", number);
        const std::string name = base + digits + ".TMP";
        if (name.size() >= MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return 0;
        }
        const HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, 0);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            std::memcpy(out, name.c_str(), name.size() + 1);
            return number;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return 0;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

// ---- Handles ----

HANDLE CreateFileA(const char* name, uint32_t access, uint32_t shareMode, void*, uint32_t disposition, uint32_t,
                   HANDLE) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING || name == nullptr) {
        return Fail(-1, ERROR_INVALID_PARAMETER);
    }
    std::string posix;
    if (!ToPosixPath(name, posix)) return INVALID_HANDLE_VALUE;
    const bool creates = disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    int flags = O_CLOEXEC | (creates ? O_CREAT : 0) | (disposition == CREATE_NEW ? O_EXCL : 0);
    // Read-write when the file allows it, whatever was asked: exclusive range
    // locks need it. Access itself is checked by us. A pipe, a FIFO or a
    // device opened to be read is opened for reading only: a reader that is
    // also a writer of a FIFO never sees its end.
    const bool readsStream = !(access & GENERIC_WRITE) && IsStream(posix);
    bool writable = !readsStream;
    int fd = readsStream ? -1 : ::open(posix.c_str(), flags | O_RDWR, 0666);
    if (readsStream ||
        (fd < 0 && (errno == EACCES || errno == EROFS || errno == ETXTBSY) && !(access & GENERIC_WRITE))) {
        writable = false;
        fd = ::open(posix.c_str(), flags | O_RDONLY, 0666);
    }
    if (fd < 0) {
        const int err = errno;
        if (err == EISDIR) return Fail(-1, ERROR_ACCESS_DENIED);
        if (err == EEXIST) return Fail(-1, ERROR_FILE_EXISTS);
        SetLastErrorFromErrno(err);
        if (err == ENOENT) SetMissingError(posix);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) return Fail(fd, ErrorFromErrno(errno));
    const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (!S_ISREG(st.st_mode)) {
        // Only a stream opened to be read, as it is: it has no data that a
        // share mode could protect, and no ranges to lock.
        if (S_ISDIR(st.st_mode) || writable || truncates) return Fail(fd, ERROR_ACCESS_DENIED);
        Handles()[fd] = OpenFile{fd, access, false, FileTypeOf(st.st_mode)};
        SetLastError(ERROR_SUCCESS);
        return fd;
    }
    if (IsReadOnlyMode(st.st_mode) && ((access & GENERIC_WRITE) || truncates)) return Fail(fd, ERROR_ACCESS_DENIED);
    {
        ShareGate gate(fd);
        if (ShareConflict(fd, access, shareMode)) return Fail(fd, ERROR_SHARING_VIOLATION);
        if (!HoldMarkers(fd, access, shareMode)) return Fail(fd, ErrorFromErrno(errno));
    }
    if (truncates && ::ftruncate(fd, 0) != 0) return Fail(fd, ErrorFromErrno(errno));
    Handles()[fd] = OpenFile{fd, access, writable};
    SetLastError(ERROR_SUCCESS);
    return fd;
}

bool CloseHandle(HANDLE handle) {
    auto found = Handles().find(handle);
    if (found != Handles().end()) {
        const int fd = found->second.fd;
        Handles().erase(found);
        if (::close(fd) == 0) return true;
        SetLastErrorFromErrno(errno);
        return false;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

bool ReadFile(HANDLE handle, void* buffer, uint32_t size, uint32_t* read, void*) {
    if (read != nullptr) *read = 0;
    OpenFile* file = FindHandle(handle);
    if (file == nullptr) return false;
    if (!(file->access & GENERIC_READ)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(file->fd, static_cast<char*>(buffer) + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetLastErrorFromErrno(errno);
            return false;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    if (read != nullptr) *read = static_cast<uint32_t>(done);
    return true;
}

bool WriteFile(HANDLE handle, const void* data, uint32_t size, uint32_t* written, void*) {
    if (written != nullptr) *written = 0;
    OpenFile* file = FindHandle(handle);
    if (file == nullptr) return false;
    if (!(file->access & GENERIC_WRITE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(file->fd, static_cast<const char*>(data) + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetLastErrorFromErrno(errno);
            if (written != nullptr) *written = static_cast<uint32_t>(done);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (written != nullptr) *written = static_cast<uint32_t>(done);
    return true;
}

uint32_t SetFilePointer(HANDLE handle, int32_t distance, int32_t* distanceHigh, uint32_t method) {
    OpenFile* file = FindHandle(handle);
    if (file == nullptr) return INVALID_SET_FILE_POINTER;
    const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    // Without the high part the distance is a signed 32-bit value; with it,
    // the two make one 64-bit distance.
    const long long move = distanceHigh == nullptr
                               ? static_cast<long long>(distance)
                               : static_cast<long long>((static_cast<unsigned long long>(*distanceHigh) << 32) |
                                                        static_cast<uint32_t>(distance));
    const off_t position = ::lseek(file->fd, static_cast<off_t>(move), whence);
    if (position < 0) {
        SetLastErrorFromErrno(errno);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr) *distanceHigh = static_cast<int32_t>(position >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<uint32_t>(position);
}

uint32_t GetFileSize(HANDLE handle, uint32_t* high) {
    OpenFile* file = FindHandle(handle);
    if (file == nullptr) return INVALID_FILE_SIZE;
    if (file->type != FILE_TYPE_DISK) {
        // A stream's size is not what it holds: it has none to give.
        SetLastError(ERROR_INVALID_FUNCTION);
        return INVALID_FILE_SIZE;
    }
    struct stat st {};
    if (::fstat(file->fd, &st) != 0) {
        SetLastErrorFromErrno(errno);
        return INVALID_FILE_SIZE;
    }
    if (high != nullptr) *high = static_cast<uint32_t>(static_cast<unsigned long long>(st.st_size) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<uint32_t>(st.st_size);
}

uint32_t GetFileType(HANDLE handle) {
    const OpenFile* file = FindHandle(handle);
    if (file == nullptr) return FILE_TYPE_UNKNOWN;
    SetLastError(ERROR_SUCCESS);
    return file->type;
}

bool LockFile(HANDLE handle, uint32_t offsetLow, uint32_t offsetHigh, uint32_t lengthLow, uint32_t lengthHigh) {
    return ChangeRangeLock(handle, true, offsetLow, offsetHigh, lengthLow, lengthHigh);
}

bool UnlockFile(HANDLE handle, uint32_t offsetLow, uint32_t offsetHigh, uint32_t lengthLow, uint32_t lengthHigh) {
    return ChangeRangeLock(handle, false, offsetLow, offsetHigh, lengthLow, lengthHigh);
}

// ---- Files and directories by name ----

bool DeleteFileA(const char* name) {
    std::string posix;
    struct statx st {};
    if (!StatName(name, posix, st)) return false;
    if (IsDirectoryEntry(posix, st.stx_mode) || IsReadOnlyMode(st.stx_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // A link goes alone: what it leads to, and the handles open on that, stay.
    if (!S_ISLNK(st.stx_mode) && FileInUse(posix)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    if (::unlink(posix.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

bool CopyFileA(const char* source, const char* target, bool failIfExists) {
    return CopyFileExA(source, target, failIfExists ? uint32_t(COPY_FILE_FAIL_IF_EXISTS) : 0u);
}

// Handles are the descriptors themselves, so the copy reaches them directly
// for the status of the source.
bool CopyFileExA(const char* source, const char* target, uint32_t flags) {
    if ((flags & ~uint32_t(COPY_FILE_FAIL_IF_EXISTS | COPY_FILE_COPY_SYMLINK)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const bool failIfExists = (flags & COPY_FILE_FAIL_IF_EXISTS) != 0;
    if (flags & COPY_FILE_COPY_SYMLINK) {
        std::string from;
        struct statx st {};
        if (!StatName(source, from, st)) return false;
        if (S_ISLNK(st.stx_mode)) return CopyLink(from, target, failIfExists);
    }
    const HANDLE from = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0);
    if (from == INVALID_HANDLE_VALUE) return false;
    const HANDLE to = CreateFileA(target, GENERIC_WRITE, 0, nullptr, failIfExists ? CREATE_NEW : CREATE_ALWAYS, 0, 0);
    if (to == INVALID_HANDLE_VALUE) {
        const uint32_t error = GetLastError();
        CloseHandle(from);
        SetLastError(error);
        return false;
    }
    std::vector<char> block(1 << 16);
    bool ok = true;
    uint32_t read = 0;
    while (ok && (ok = ReadFile(from, block.data(), static_cast<uint32_t>(block.size()), &read, nullptr)) && read > 0) {
        ok = WriteFile(to, block.data(), read, nullptr, nullptr);
    }
    struct stat st {};
    if (ok && ::fstat(static_cast<int>(from), &st) == 0) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(static_cast<int>(to), times);
        ::fchmod(static_cast<int>(to), st.st_mode & 07777);
    }
    const uint32_t error = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(from);
    if (!CloseHandle(to) && ok) return false;
    if (!ok) {
        DeleteFileA(target);  // no half copy stays behind
        SetLastError(error);
    }
    return ok;
}

bool MoveFileA(const char* source, const char* target) { return MoveFileExA(source, target, 0); }

bool MoveFileExA(const char* source, const char* target, uint32_t flags) {
    if ((flags & ~uint32_t(MOVEFILE_REPLACE_EXISTING)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
    std::string from;
    std::string to;
    if (source == nullptr || target == nullptr || !ToPosixPath(source, from) || !ToPosixPath(target, to)) {
        return false;
    }
    struct statx st {};
    if (!StatPath(from, st)) return false;
    if (S_ISREG(st.stx_mode) && FileInUse(from)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    if (replace && !MayReplace(to)) return false;
    // One rename: the target's name never lacks a whole file.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), replace ? 0 : RENAME_NOREPLACE) == 0) return true;
    const int err = errno;
    if (err == EEXIST && !replace) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    if (err == EXDEV && !replace && S_ISLNK(st.stx_mode)) {
        // Another file system: the link is made anew there, then the old one goes.
        if (!CopyLink(from, target, true)) return false;
        if (::unlink(from.c_str()) == 0) return true;
        SetLastErrorFromErrno(errno);
        ::unlink(to.c_str());
        return false;
    }
    if (err == EXDEV && !replace && S_ISREG(st.stx_mode)) {
        // Another file system: copy, then delete; a read-only source still moves.
        if (!CopyFileA(source, target, true)) return false;
        ::chmod(from.c_str(), (st.stx_mode & 07777) | S_IWUSR);
        if (!DeleteFileA(source)) {
            const uint32_t error = GetLastError();
            ::chmod(from.c_str(), st.stx_mode & 07777);
            ::unlink(to.c_str());
            SetLastError(error);
            return false;
        }
        return true;
    }
    SetLastErrorFromErrno(err);
    if (err == ENOENT) SetMissingError(to);
    return false;
}

bool CreateDirectoryA(const char* name, void*) {
    std::string posix;
    if (name == nullptr || !ToPosixPath(name, posix)) return false;
    if (::mkdir(posix.c_str(), 0777) != 0) {
        const int err = errno;
        SetLastError(err == EEXIST ? ERROR_ALREADY_EXISTS : err == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(err));
        return false;
    }
    return true;
}

bool RemoveDirectoryA(const char* name) {
    std::string posix;
    struct statx st {};
    if (!StatName(name, posix, st)) return false;
    if (S_ISLNK(st.stx_mode) && LeadsToDirectory(posix)) {
        // The link goes, never what it leads to, whatever that holds.
        if (::unlink(posix.c_str()) == 0) return true;
        SetLastErrorFromErrno(errno);
        return false;
    }
    if (!S_ISDIR(st.stx_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return false;
    }
    if (IsReadOnlyMode(st.stx_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (::rmdir(posix.c_str()) != 0) {
        SetLastError(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrorFromErrno(errno));
        return false;
    }
    return true;
}

bool GetDiskFreeSpaceExA(const char* dir, uint64_t* freeForCaller, uint64_t* total, uint64_t* totalFree) {
    std::string posix;
    if (dir == nullptr || !ToPosixPath(dir, posix)) return false;
    struct statvfs vfs {};
    if (::statvfs(posix.c_str(), &vfs) != 0) {
        SetLastErrorFromErrno(errno);
        if (errno == ENOENT) SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (freeForCaller != nullptr) *freeForCaller = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    if (total != nullptr) *total = static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    if (totalFree != nullptr) *totalFree = static_cast<uint64_t>(vfs.f_bfree) * vfs.f_frsize;
    return true;
}

uint32_t GetFileAttributesA(const char* name) {
    std::string posix;
    struct statx st {};
    if (!StatName(name, posix, st)) return INVALID_FILE_ATTRIBUTES;
    return AttributesOf(posix, LastName(posix), st.stx_mode);
}

bool SetFileAttributesA(const char* name, uint32_t attributes) {
    std::string posix;
    struct statx st {};
    if (!StatName(name, posix, st)) return false;
    constexpr uint32_t kFixed = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    if ((AttributesOf(posix, LastName(posix), st.stx_mode) & kFixed) != (attributes & kFixed)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    const mode_t mode = st.stx_mode & 07777;
    const mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)
                                                                 : (IsReadOnlyMode(mode) ? mode | S_IWUSR : mode);
    if (wanted == mode) return true;
    // A link has no permission bits of its own here: chmod would change what
    // it leads to.
    if (S_ISLNK(st.stx_mode)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    if (::chmod(posix.c_str(), wanted) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

// ---- Listings ----

HANDLE FindFirstFileA(const char* mask, WIN32_FIND_DATAA* data) {
    std::string posix;
    if (mask == nullptr || data == nullptr || !ToPosixPath(mask, posix)) return INVALID_HANDLE_VALUE;
    const size_t slash = posix.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : posix.substr(0, slash));
    const std::string prefix = slash == std::string::npos ? "" : posix.substr(0, slash + 1);
    std::string pattern = Utf8ToCp1250(slash == std::string::npos ? posix : posix.substr(slash + 1));
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_unique<Search>();
    if (pattern.find_first_of("*?") == std::string::npos) {
        WIN32_FIND_DATAA entry;
        if (!FillFindData(posix, pattern, entry)) return INVALID_HANDLE_VALUE;
        search->entries.push_back(entry);
    } else {
        if (pattern == "*.*") pattern = "*";
        DIR* listing = ::opendir(dir.c_str());
        if (listing == nullptr) {
            SetLastErrorFromErrno(errno);
            if (errno == ENOENT) SetLastError(ERROR_PATH_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        struct stat self {};
        struct stat root {};
        const bool atRoot = ::stat(dir.c_str(), &self) == 0 && ::stat("/", &root) == 0 && self.st_dev == root.st_dev &&
                            self.st_ino == root.st_ino;
        while (const struct dirent* entry = ::readdir(listing)) {
            const std::string diskName = entry->d_name;
            if (atRoot && (diskName == "." || diskName == "..")) continue;
            const std::string name = Utf8ToCp1250(diskName);
            if (!MatchesWildcard(pattern, name)) continue;
            WIN32_FIND_DATAA found;
            if (FillFindData(prefix + diskName, name, found)) search->entries.push_back(found);
        }
        ::closedir(listing);
        std::stable_sort(search->entries.begin(), search->entries.end(),
                         [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
                             return crt::UpperCp1250(a.cFileName) < crt::UpperCp1250(b.cFileName);
                         });
    }
    if (search->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = search->entries[0];
    search->next = 1;
    // Search handles never collide with descriptors: they are negative, below -1.
    static HANDLE s_nextSearch = -2;
    const HANDLE handle = s_nextSearch--;
    Searches()[handle] = std::move(search);
    SetLastError(ERROR_SUCCESS);
    return handle;
}

bool FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data) {
    auto found = Searches().find(handle);
    if (found == Searches().end() || data == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    Search& search = *found->second;
    if (search.next >= search.entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return false;
    }
    *data = search.entries[search.next++];
    return true;
}

bool FindClose(HANDLE handle) {
    if (Searches().erase(handle) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return true;
}

}  // namespace win
