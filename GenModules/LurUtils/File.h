// Files of the utility library: the File handle, Windows path handling,
// directory listings with file information, and the file-system operations
// (temporary names, directories, delete, copy and move with a rule for
// existing targets, space checks). Paths use the Windows grammar: '\' is the
// only separator, a drive's colon stands at index 1, "\\" begins a network
// path, and paths compare exactly. Platform/Win/FileApi.h maps them to the
// disk. Raises name the source file "GenModules\LurUtils\File".
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "FileApi.h"
#include "LurDateTime.h"
#include "luLongLong.h"

// One open disk file with the name it was opened under. Sizes and offsets
// are 32 bits: files of 4 GiB and more are outside the model. Names of 260
// characters or more are refused (ERROR_FILENAME_EXCED_RANGE).
//
// Mode texts ("rs", "Ws", "W+"): 'R' open-always + read, 'W' create-always +
// write, 'r' open-existing + read, 'w' create-new + write; '+' after a letter
// adds the other access ('W' and 'w' without it take read away again); 's'
// shares reading, "s+" reading and writing. 'r' is skipped after a
// create-always, create-new or open-always letter, 'R' and 'w' after a
// create-always one. A text without a disposition letter does not open.
class File {
public:
    File() = default;
    // One-letter mode: 'w' opens or creates for reading and writing, shared;
    // any other letter opens an existing file for reading, shared for reading.
    // The name is kept whether or not the open succeeded.
    File(const char* name, char mode, bool throwOnError);
    // Mode text; the name is kept only when the open succeeded.
    File(const char* name, const char* mode, bool createDirectories, bool throwOnError);
    // Closes an open file; a failed close raises LurExceptSys (line 80) unless
    // an exception is already propagating.
    ~File() noexcept(false);
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Open without touching the object; INVALID_HANDLE_VALUE on failure.
    win::HANDLE CreateHandle(const char* name, char mode, bool throwOnError);
    win::HANDLE CreateHandle(const char* name, const char* mode, bool createDirectories, bool throwOnError);
    bool Open(const char* name, char mode, bool throwOnError);
    bool Open(const char* name, const char* mode, bool createDirectories, bool throwOnError);
    // False (or a raise with throwOnError) when the close fails; the file
    // is closed either way, with the last error of the failure.
    bool Close(bool throwOnError);
    // Creates the kept name anew as an empty file (read and write, shared).
    bool Recreate();

    // Appends at the end and returns the offset of the bytes, -1 on failure.
    // Fails (ERROR_LOCK_VIOLATION) when the file no longer ends where it was
    // found once the range is locked, so no concurrent append is overwritten.
    int32_t AppendLocked(const void* data, unsigned size);
    // Bytes read (short at the end), 0 on failure.
    unsigned ReadLocked(void* buffer, unsigned size, unsigned offset);
    // These return 0 or the Windows error code, and raise it with throwOnError.
    // Append fails as AppendLocked does when the file grew meanwhile.
    uint32_t Append(const void* data, unsigned size, uint32_t* written, bool throwOnError);
    uint32_t WriteAt(const void* data, unsigned offset, unsigned size, uint32_t* written, bool throwOnError);
    uint32_t ReadAt(void* buffer, unsigned size, unsigned offset, uint32_t* read, bool throwOnError);
    // The new position (0), -1 when closed or on failure.
    int32_t Rewind(bool throwOnError);
    // 0 when closed; INVALID_FILE_SIZE when the query fails without throwOnError.
    uint32_t GetSize(bool throwOnError);
    // What is open (win::GetFileType): win::FILE_TYPE_DISK for a file; a
    // pipe, a FIFO or a device is a stream, which has no size and no
    // position and is read with ReadNext, to its end.
    uint32_t GetType() const { return win::GetFileType(m_handle); }
    // The next bytes of a stream, up to size (fewer only at its end): 0 or
    // the Windows error code.
    uint32_t ReadNext(void* buffer, unsigned size, uint32_t* read);

    bool IsValid() const { return m_handle != win::INVALID_HANDLE_VALUE; }
    bool IsOpen() const { return IsValid(); }
    std::string GetName() const { return m_name; }

private:
    // Locks the range, moves to offset, transfers and unlocks; the first
    // error code, 0 when none. When appending, the file must still end at
    // offset once the range is locked (else ERROR_LOCK_VIOLATION). Reads into
    // buffer when it is given, else writes data.
    uint32_t Transfer(void* buffer, const void* data, unsigned offset, unsigned size, uint32_t* count, bool appending);

    win::HANDLE m_handle = win::INVALID_HANDLE_VALUE;
    std::string m_name;
};

// The record of one directory entry.
struct FileInfo {
    std::string name;  // as the directory lists it
    std::string path;  // the listed directory (with its backslash) and the name
    lurDate::LurDateTime writeTime;
    lurDate::LurDateTime creationTime;
    lurDate::LurDateTime accessTime;
    luLongLong size;
    unsigned attributes = 0;
};

// The library's own attribute bits.
enum FileAttributes : unsigned {
    FileAttrDirectory = 0x01,
    FileAttrHidden = 0x02,
    FileAttrReadOnly = 0x04,
    FileAttrSystem = 0x08,
    FileAttrArchive = 0x10,
    // A symbolic link (the platform's reparse point): an entry of its own.
    // Listings and the tree operations take it as the link it is, never
    // for what it leads to (with FileAttrDirectory when that is a directory).
    FileAttrLink = 0x20,
    FileAttrInvalid = 0xFFFF,
};

// The rule for a copy or move target that already exists.
enum ExistingTarget : int {
    ExistingRefuse = 0,           // single file: false; lists: 704 before anything is done
    ExistingSkip = 1,             // not copied or moved
    ExistingReplace = 2,          // the target is deleted first
    ExistingReplaceReadOnly = 3,  // the same, a read-only target included
};

namespace lurutils {

// ---- Paths ----

std::string AddBackslash(const std::string& path);
std::string RemoveBackslash(const std::string& path);  // one backslash only
bool EndsWithSeparator(const std::string& path);       // '\' or ':'
bool HasNoEndSeparator(const std::string& path);
// A drive path (colon at index 1) or a network path ("\\..."); a colon
// elsewhere raises LurFileExcept 714 with throwOnError, else is relative.
bool IsAbsolutePath(const std::string& path, bool throwOnError);
bool IsRelativePath(const std::string& path, bool throwOnError);
// Against the current directory; 705 with throwOnError, else path itself.
std::string GetFullPath(const std::string& path, bool throwOnError);
std::string GetDirectoryPart(const std::string& path, bool withBackslash, bool keepRelative);
// The directory path names, or the one it lies in when that exists; "".
std::string GetExistingDirectory(const std::string& path, bool withBackslash, bool keepRelative);
std::string GetFileName(const std::string& path, bool withExtension);
// "" for a directory or a path ending in a separator.
std::string GetFileNamePart(const std::string& path, bool withExtension);
std::string GetExtension(const std::string& path);  // with its dot
std::string ChangeExtension(const std::string& path, const std::string& extension);
// name joined to base's directory when name is relative.
std::string ResolvePath(const std::string& base, const std::string& name);
// A plain prefix test of the two texts (relative ones made full first).
bool IsInsidePath(const std::string& parent, const std::string& child);
// The directory of path moved from under oldBase to under newBase (with a
// backslash). A path not under oldBase raises LurExceptBaseArg 714 (line
// 1576) with the two directories.
std::string RebasePath(const std::string& oldBase, const std::string& newBase, const std::string& path,
                       bool keepRelative);
std::string RebaseDirectory(const std::string& oldBase, const std::string& newBase, const std::string& path,
                            bool keepRelative);
// The directories of path from the root down: C:\a\b\c gives C:\a, C:\a\b,
// then "" (pos unchanged).
std::string NextPathPrefix(const std::string& path, unsigned& pos);

// ---- Listings and file information ----

// Lookups of one entry. A last name with '*' is a search (its first match);
// without, it names one entry, and a '?' in it is taken as written: a
// listing shows a character code page 1250 lacks as '?', and looking up
// such a listed name finds that entry, never another the '?' would match.
bool Exists(const std::string& path, bool throwOnError);  // 705 with throwOnError
void MustExist(std::string path);                         // 705 when missing
bool GetFileInfo(const std::string& path, FileInfo& out);
bool IsDirectory(const std::string& path, bool throwOnError);
FileInfo MakeFileInfo(std::string directory, const win::WIN32_FIND_DATAA& data);
bool IsRealEntry(std::string name);  // not "." or ".."

// Every listed name of mask, "." and ".." included; false when none.
bool FindNames(const char* mask, std::deque<std::string>* out);
// Appends the files of dir matching pattern (and with includeDirectories
// the real subdirectories matching it), then with recursive those of every
// subdirectory, depth first. A link is listed with the files whatever it
// leads to, and never searched. True when out is not empty after a search
// that found anything, or a subdirectory's search was true.
bool FindFiles(const std::string& dir, const std::string& pattern, std::deque<FileInfo>* out, bool recursive,
               bool includeDirectories);
bool FindFiles(const std::string& dir, const std::string& pattern, std::deque<FileInfo>* out, bool recursive);
bool FindFilePaths(const std::string& dir, const std::string& pattern, std::deque<std::string>* out, bool recursive);
bool FindDirectories(const std::string& dir, const std::string& pattern, std::deque<FileInfo>* out);
bool FindDirectoryPaths(const std::string& dir, const std::string& pattern, std::deque<std::string>* out);
luLongLong GetDirectorySize(const std::string& dir, bool recursive);
luLongLong SumSizes(const std::deque<FileInfo>& list);  // code 12 beyond 64 bits

unsigned ToFileAttributes(uint32_t platformAttributes);
uint32_t ToWindowsAttributes(unsigned attributes);
unsigned GetAttributes(const std::string& path, bool throwOnError);
bool HasAttribute(const std::string& path, unsigned mask);
bool IsReadOnlyFile(const std::string& path);
bool HasDirectoryAttribute(const std::string& path);
bool LacksDirectoryAttribute(const std::string& path);
// The attributes before the change, or FileAttrInvalid.
unsigned ChangeAttributes(const std::string& path, unsigned mask, bool set, bool throwOnError);
// A file time is universal time, and so is a LurDateTime's value: the
// conversion keeps it as it is.
lurDate::LurDateTime FileTimeToDateTime(const win::FILETIME& time);
unsigned long long DateTimeToFileTime(const lurDate::LurDateTime& time);

// ---- File-system operations ----

std::string GetTempDirectory(bool throwOnError);
// A temporary file name; "" at once on a failure without throwOnError.
std::string MakeTempFileName(const std::string& prefix, const std::string& extension, bool inTempDirectory, bool unique,
                             bool throwOnError);
std::string GetWorkingDirectory(bool throwOnError);
std::string ChangeWorkingDirectory(const std::string& path, bool throwOnError);  // the directory before

bool CreateOneDirectory(const std::string& path, bool throwOnError);
bool CreateDirectoryTree(const std::string& path, bool throwOnError);
bool RemoveDirectoryTree(const std::string& dir, bool recursive, bool clearReadOnly, bool throwOnError);
bool DeleteDirectory(const std::string& dir, bool recursive, bool clearReadOnly, bool throwOnError);

bool RemoveFile(const std::string& path, bool clearReadOnly, bool throwOnError);
// A read-only entry without clearReadOnly raises 708 whatever else.
bool RemoveFiles(const std::string& dir, const std::string& pattern, bool clearReadOnly, bool recursive);

bool RenameFile(const std::string& src, const std::string& dst, int mode, bool throwOnError);
bool MoveOneFile(const std::string& src, const std::string& dst, int mode, bool throwOnError);
bool MoveFileToDirectory(const std::string& src, const std::string& dstDir, const std::string& newExtension, int mode,
                         bool throwOnError);
bool CopyFileToDirectory(const std::string& src, const std::string& dstDir, const std::string& newExtension, int mode,
                         bool throwOnError);
bool CopyFileAs(const std::string& src, const std::string& dstDir, const std::string& newName, int mode,
                bool throwOnError);
// False when any copy, move or directory creation failed; the rest is done.
bool CopyFiles(const std::string& srcDir, const std::string& dstDir, const std::string& pattern,
               const std::string& newExtension, int mode, bool recursive);
bool MoveFiles(const std::string& srcDir, const std::string& dstDir, const std::string& pattern,
               const std::string& newExtension, int mode, bool recursive);
bool CopyDirectory(const std::string& srcDir, const std::string& dstDir, bool recursive, int mode);
// Removes only the directories its moves emptied; false when anything stayed.
bool MoveDirectory(const std::string& srcDir, const std::string& dstDir, bool recursive, int mode);
bool TargetExists(const std::deque<FileInfo>& list, const std::string& dstDir, const std::string& newExtension,
                  bool all, std::string* existing);

void CheckSpace(std::string src, std::string dst, bool recursive);
void CheckSpaceForList(const std::deque<FileInfo>& list, std::string dst);
bool IsDirectoryWritable(const std::string& dir);
void GetDiskSpace(const std::string& path, luLongLong* freeForCaller, luLongLong* total, luLongLong* totalFree);
luLongLong GetFreeSpace(const std::string& path);
// "3 Gb + 5 Kb", "0 Kb"; a high word above 2^30 - 1 raises code 12.
std::string FormatSize(luLongLong bytes);

}  // namespace lurutils
