// Files, directories and paths as the libraries know them from Windows: names
// in code page 1250 with the Windows path grammar, handles with access and
// share modes, byte-range locks, listings with wildcards and the attribute
// set. Every call sets the last error (LastError.h) when it fails.
//
// Names at this boundary: '\' and '/' both separate; drive C: (either case)
// is the POSIX root, so C:\home\u\f.txt is /home/u/f.txt, and a rooted name
// without a drive ("\x", "/x") lies on C: too; "C:x" is relative to the
// current directory. Another drive answers ERROR_PATH_NOT_FOUND, a network
// name ("\\server\share") ERROR_BAD_NETPATH. Names are code page 1250 here
// and UTF-8 on disk. The current and the temporary directory are given in the
// C: form.
//
// Handles: one POSIX descriptor each. Share modes hold between all handles
// of every process: each handle keeps shared open-file-description locks on
// marker bytes far beyond any data (its access and what it denies), and an
// open, delete or move that conflicts with a live handle answers
// ERROR_SHARING_VIOLATION. No handle shares delete, so a file that is open
// cannot be deleted or moved. Read-only (no write permission bit) is enforced
// here, also for root.
//
// Symbolic links: a link is an entry of its own. Listings and attributes
// describe the link itself (FILE_ATTRIBUTE_REPARSE_POINT, with
// FILE_ATTRIBUTE_DIRECTORY when it leads to a directory; never read-only,
// size 0), DeleteFileA (a link to a file) and RemoveDirectoryA (a link to a
// directory) remove the link, MoveFileA moves it, and none of them touches
// what it leads to. Opening and CopyFileA go through a link to its file;
// CopyFileExA with COPY_FILE_COPY_SYMLINK copies the link as a link.
#pragma once

#include <cstdint>
#include <string>

#include "SystemTime.h"

namespace win {

using HANDLE = intptr_t;
constexpr HANDLE INVALID_HANDLE_VALUE = -1;

constexpr uint32_t MAX_PATH = 260;

enum : uint32_t {
    GENERIC_READ = 0x80000000u,
    GENERIC_WRITE = 0x40000000u,

    FILE_SHARE_READ = 0x1,
    FILE_SHARE_WRITE = 0x2,

    CREATE_NEW = 1,
    CREATE_ALWAYS = 2,
    OPEN_EXISTING = 3,
    OPEN_ALWAYS = 4,
    TRUNCATE_EXISTING = 5,

    FILE_ATTRIBUTE_READONLY = 0x01,
    FILE_ATTRIBUTE_HIDDEN = 0x02,
    FILE_ATTRIBUTE_SYSTEM = 0x04,
    FILE_ATTRIBUTE_DIRECTORY = 0x10,
    FILE_ATTRIBUTE_ARCHIVE = 0x20,
    FILE_ATTRIBUTE_NORMAL = 0x80,
    FILE_ATTRIBUTE_REPARSE_POINT = 0x400,  // a symbolic link
    INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu,

    FILE_FLAG_RANDOM_ACCESS = 0x10000000u,

    FILE_BEGIN = 0,
    FILE_CURRENT = 1,
    FILE_END = 2,
    INVALID_SET_FILE_POINTER = 0xFFFFFFFFu,
    INVALID_FILE_SIZE = 0xFFFFFFFFu,

    COPY_FILE_FAIL_IF_EXISTS = 0x1,
    COPY_FILE_COPY_SYMLINK = 0x800,

    MOVEFILE_REPLACE_EXISTING = 0x1,

    FILE_TYPE_UNKNOWN = 0,
    FILE_TYPE_DISK = 1,  // a file
    FILE_TYPE_CHAR = 2,  // a character device
    FILE_TYPE_PIPE = 3,  // a pipe, a FIFO or a socket
};

// ---- Names ----

// The POSIX name (UTF-8) of a Windows name (code page 1250); false with the
// last error set for a name that cannot be reached (empty, another drive, a
// network name).
bool ToPosixPath(const std::string& name, std::string& posix);
// The C: form (code page 1250) of an absolute POSIX name.
std::string FromPosixPath(const std::string& posix);

// The full name of name, made absolute against the current directory and
// normalised lexically ("." and ".." resolved, separators as '\', repeated
// separators merged, a trailing one kept). Returns the length without the
// terminating zero when it fits in size, else the size needed with it; 0 on
// failure. filePart (when given) points at the last name in buffer.
uint32_t GetFullPathNameA(const char* name, uint32_t size, char* buffer, char** filePart);
uint32_t GetCurrentDirectoryA(uint32_t size, char* buffer);  // same size rule
bool SetCurrentDirectoryA(const char* name);
// $TMPDIR when set, else the system's, in the C: form with a trailing '\'.
uint32_t GetTempPathA(uint32_t size, char* buffer);
// Creates dir\<first three of prefix><four hex digits>.TMP as a new empty
// file and writes its name to out (MAX_PATH bytes); 0 on failure, else the
// number used. unique must be 0.
uint32_t GetTempFileNameA(const char* dir, const char* prefix, uint32_t unique, char* out);

// ---- Handles ----

// Opens or creates a file. ERROR_INVALID_PARAMETER for a disposition of 0 or
// one not listed, ERROR_ACCESS_DENIED for a directory or for write access to
// (or truncation of) a read-only file, ERROR_SHARING_VIOLATION when a live
// handle's share mode refuses the access or this share mode refuses a live
// handle's access, ERROR_FILE_EXISTS for CREATE_NEW on an existing name.
// A new file is created with every write bit the umask allows.
// A stream (a pipe, a FIFO, a device: /dev/stdin, /dev/zero) opens only to
// be read, without truncation, else ERROR_ACCESS_DENIED; as the system's own
// open, that of a FIFO waits for a writer. Share modes do not apply to a
// stream. What cannot be opened at all (a socket) fails with the system's
// reason (GetLastErrno keeps it where no Windows code matches).
HANDLE CreateFileA(const char* name, uint32_t access, uint32_t shareMode, void* security, uint32_t disposition,
                   uint32_t flagsAndAttributes, HANDLE templateFile);
bool CloseHandle(HANDLE handle);
bool ReadFile(HANDLE handle, void* buffer, uint32_t size, uint32_t* read, void* overlapped);
bool WriteFile(HANDLE handle, const void* data, uint32_t size, uint32_t* written, void* overlapped);
// The new position's low 32 bits; INVALID_SET_FILE_POINTER on failure.
uint32_t SetFilePointer(HANDLE handle, int32_t distance, int32_t* distanceHigh, uint32_t method);
// The low 32 bits of the size (the high ones in *high when given);
// INVALID_FILE_SIZE on failure, and for a stream (ERROR_INVALID_FUNCTION),
// which is read to its end instead.
uint32_t GetFileSize(HANDLE handle, uint32_t* high);
// FILE_TYPE_DISK for a file, FILE_TYPE_CHAR for a character device,
// FILE_TYPE_PIPE for a pipe, FIFO or socket, else FILE_TYPE_UNKNOWN (with
// ERROR_INVALID_HANDLE for a handle that is not open).
uint32_t GetFileType(HANDLE handle);
// An exclusive lock on a byte range for this handle; a range that overlaps a
// lock of another handle (this process or another) is refused at once with
// ERROR_LOCK_VIOLATION. An empty range locks nothing and succeeds. A handle
// whose descriptor could only be opened for reading takes shared locks.
bool LockFile(HANDLE handle, uint32_t offsetLow, uint32_t offsetHigh, uint32_t lengthLow, uint32_t lengthHigh);
bool UnlockFile(HANDLE handle, uint32_t offsetLow, uint32_t offsetHigh, uint32_t lengthLow, uint32_t lengthHigh);

// ---- Files and directories by name ----

// ERROR_ACCESS_DENIED for a read-only file or a directory,
// ERROR_SHARING_VIOLATION for an open one.
bool DeleteFileA(const char* name);
// Copies data, permission bits and write time; a read-only target is
// refused (ERROR_ACCESS_DENIED), an existing one with failIfExists too
// (ERROR_FILE_EXISTS).
bool CopyFileA(const char* source, const char* target, bool failIfExists);
// CopyFileA with flags: COPY_FILE_FAIL_IF_EXISTS is failIfExists;
// with COPY_FILE_COPY_SYMLINK a source that is a link gives a link with the
// same text (leading where the source leads, a relative text kept as
// written), and an existing target is first deleted as DeleteFileA deletes.
// Any other flag answers ERROR_INVALID_PARAMETER. No progress is reported.
bool CopyFileExA(const char* source, const char* target, uint32_t flags);
// Never replaces: ERROR_ALREADY_EXISTS when target exists. Across file
// systems a file is copied and then deleted, a link made anew and then
// removed; a directory is refused (ERROR_NOT_SAME_DEVICE).
bool MoveFileA(const char* source, const char* target);
// MoveFileA, or with MOVEFILE_REPLACE_EXISTING a rename over the target in
// one step: the target's name always holds a whole file, the old or the
// new. Handles open on the old target keep reading it. Refused: a directory
// target or a link to one and a read-only target (ERROR_ACCESS_DENIED), a
// target open for writing (ERROR_SHARING_VIOLATION: what it writes would be
// lost), another file system (ERROR_NOT_SAME_DEVICE). Any other flag
// answers ERROR_INVALID_PARAMETER.
bool MoveFileExA(const char* source, const char* target, uint32_t flags);
bool CreateDirectoryA(const char* name, void* security);
// An empty, writable directory, or a link to a directory (the link alone).
bool RemoveDirectoryA(const char* name);
// From statvfs of the volume holding dir; any pointer may be null.
bool GetDiskFreeSpaceExA(const char* dir, uint64_t* freeForCaller, uint64_t* total, uint64_t* totalFree);

// Read-only: no write permission bit; hidden: a name beginning with '.';
// directory; archive on regular files; reparse point on links; never system.
uint32_t GetFileAttributesA(const char* name);
// Only read-only can change: setting it clears every write bit, clearing it
// gives the owner write permission. A change of hidden, system or archive,
// or of a link's read-only, answers ERROR_NOT_SUPPORTED and changes nothing;
// the directory, normal and reparse-point bits are ignored.
bool SetFileAttributesA(const char* name, uint32_t attributes);

// ---- Listings ----

struct WIN32_FIND_DATAA {
    uint32_t dwFileAttributes = 0;
    FILETIME ftCreationTime;  // birth time where the file system keeps it, else the write time
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    uint32_t nFileSizeHigh = 0;
    uint32_t nFileSizeLow = 0;
    char cFileName[MAX_PATH] = {};
    char cAlternateFileName[14] = {};  // always empty: there are no short names
};

// Lists the entries of one directory that match the mask's last name, a
// wildcard ('*', '?'; "*.*" is "*") compared with case ignored by the code
// page 1250 tables; a last name without wildcards is looked up exactly.
// "." and ".." are listed except at the root. Entries come in the order of
// their upper-cased names. ERROR_FILE_NOT_FOUND when nothing matches.
HANDLE FindFirstFileA(const char* mask, WIN32_FIND_DATAA* data);
bool FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);  // ERROR_NO_MORE_FILES at the end
bool FindClose(HANDLE search);

}  // namespace win
