// File-system operations: temporary names, the working directory, directory
// trees, deleting, copying and moving with a rule for existing targets, and
// the space checks made before a copy.
#include <cstdio>
#include <vector>

#include "File.h"
#include "LastError.h"
#include "LurExceptBaseArg.h"

namespace lurutils {

namespace {

constexpr ThrowSource Here{"GenModules\\LurUtils\\File"};
constexpr int kLineTempDirectory = 477;
constexpr int kLineTempFileName = 508;
constexpr int kLineFormatSize = 1108;
constexpr int kLineRename = 1170;
constexpr int kLineCopyToDirectory = 1207;
constexpr int kLineCopyAs = 1226;
constexpr int kLineWorkingDirectory = 1449;
constexpr int kLineChangeDirectory = 1469;
constexpr int kLineCreateDirectory = 1492;

constexpr const char* kProbeFileName = "lurWTest.tmp";

[[noreturn]] void RaiseSys(int line, const StrVector& args = StrVector()) {
    throw LurExceptSys(static_cast<int>(win::GetLastError()), Here(line), args);
}

// Reads a text the platform gives by the two-call size rule.
template <class Call>
bool ReadPlatformText(Call call, std::string& text) {
    const uint32_t needed = call(0, nullptr);
    if (needed == 0) return false;
    std::vector<char> buffer(needed);
    const uint32_t length = call(needed, buffer.data());
    if (length == 0 || length >= needed) return false;
    text.assign(buffer.data(), length);
    return true;
}

// The target of a record in a directory: its name, with the new extension.
std::string TargetIn(const std::string& dir, const std::string& path, const std::string& newExtension) {
    const std::string target = dir + GetFileName(path, true);
    return newExtension.empty() ? target : ChangeExtension(target, newExtension);
}

bool Replaces(int mode) { return mode == ExistingReplace || mode == ExistingReplaceReadOnly; }

// Makes room for target under the rule; false when the target stays.
bool ClearTarget(const std::string& target, int mode, bool throwOnError) {
    if (!Exists(target, false)) return true;
    return Replaces(mode) && RemoveFile(target, mode == ExistingReplaceReadOnly, throwOnError);
}

enum class Transfer { Copy, Move };

// One file into a directory (MoveFileToDirectory, CopyFileToDirectory,
// CopyFileAs).
bool FileIntoDirectory(Transfer how, const std::string& src, const std::string& target, int mode, bool throwOnError,
                       int copyLine) {
    if (!ClearTarget(target, mode, true)) return false;
    if (how == Transfer::Move) return RenameFile(src, target, mode, throwOnError);
    if (win::CopyFileA(src.c_str(), target.c_str(), false)) return true;
    if (throwOnError) RaiseSys(copyLine, StrVector(src) << target);
    return false;
}

// The checks shared by the three single-file operations; the source without
// its backslash.
std::string CheckSingleSource(const std::string& src, const std::string& d) {
    const std::string s = RemoveBackslash(src);
    CheckSpace(s, d, false);
    if (HasDirectoryAttribute(s)) throw LurFileExcept(712, StrVector(s));
    return s;
}

// CopyFiles and MoveFiles.
bool FilesIntoDirectory(Transfer how, const std::string& srcDir, const std::string& dstDir, const std::string& pattern,
                        const std::string& newExtension, int mode, bool recursive) {
    const std::string m = AddBackslash(dstDir);
    std::deque<FileInfo> list;
    if (!FindFiles(srcDir, pattern, &list, recursive, false)) return false;
    CheckSpaceForList(list, m);
    std::string existing;
    if (mode == ExistingRefuse && TargetExists(list, m, newExtension, false, &existing)) {
        throw LurFileExcept(704, StrVector(existing));
    }
    bool ok = true;  // every step so far succeeded
    for (const FileInfo& record : list) {
        std::string targetDir = m;
        if (recursive) {
            targetDir = RebasePath(srcDir, m, GetDirectoryPart(record.path, true, false), false);
            if (!CreateDirectoryTree(targetDir, false)) {
                ok = false;
                continue;
            }
        }
        const std::string target = TargetIn(targetDir, record.path, newExtension);
        if (!ClearTarget(target, mode, how == Transfer::Move)) continue;
        // A link is copied as a link: the copy never reads what it leads to.
        const bool done = how == Transfer::Copy
                              ? win::CopyFileExA(record.path.c_str(), target.c_str(), win::COPY_FILE_COPY_SYMLINK)
                              : win::MoveFileA(record.path.c_str(), target.c_str());
        ok = ok && done;
    }
    return ok;
}

// CopyDirectory and MoveDirectory up to the transfer: the space check and
// the new directory under dstDir; returns that directory. A link is not a
// tree to go through (711), even when it leads to a directory.
std::string PrepareDirectoryTarget(const std::string& g, const std::string& dstDir, bool recursive) {
    if (HasAttribute(RemoveBackslash(g), FileAttrLink)) throw LurFileExcept(711, StrVector(g));
    std::string f = AddBackslash(dstDir);
    CheckSpace(g, f, recursive);
    FileInfo info;
    if (!GetFileInfo(g, info) || !(info.attributes & FileAttrDirectory)) throw LurFileExcept(711, StrVector(g));
    f = RebasePath(GetDirectoryPart(RemoveBackslash(g), true, false), f, g, false);
    CreateDirectoryTree(f, true);
    return f;
}

// Removes, deepest first, the directories of the tree under dir (dir
// included) that are empty; false when any stays.
bool RemoveEmptiedDirectories(const std::string& dir) {
    std::deque<FileInfo> subdirectories;
    FindDirectories(dir, "*.*", &subdirectories);
    bool all = true;
    for (const FileInfo& sub : subdirectories) {
        // A link that was not moved keeps its directory; what it leads to is
        // not part of the tree.
        if (sub.attributes & FileAttrLink) continue;
        if (!RemoveEmptiedDirectories(sub.path)) all = false;
    }
    return RemoveDirectoryTree(dir, false, true, false) && all;
}

}  // namespace

// ---- Temporary names and the working directory ----

std::string GetTempDirectory(bool throwOnError) {
    std::string dir;
    if (!ReadPlatformText([](uint32_t size, char* buffer) { return win::GetTempPathA(size, buffer); }, dir)) {
        if (throwOnError) RaiseSys(kLineTempDirectory);
        return "";
    }
    return dir;
}

std::string MakeTempFileName(const std::string& prefix, const std::string& extension, bool inTempDirectory, bool unique,
                             bool throwOnError) {
    const std::string dir = inTempDirectory ? GetTempDirectory(throwOnError) : GetWorkingDirectory(throwOnError);
    if (dir.empty()) return "";
    std::string name;
    do {
        char made[win::MAX_PATH];
        if (win::GetTempFileNameA(dir.c_str(), prefix.c_str(), 0, made) == 0) {
            if (throwOnError) RaiseSys(kLineTempFileName);
            return "";
        }
        name = made;
        RemoveFile(name, false, false);
        if (!extension.empty()) name = ChangeExtension(name, extension);
    } while (unique && Exists(name, false));
    return name;
}

std::string GetWorkingDirectory(bool throwOnError) {
    std::string dir;
    if (!ReadPlatformText([](uint32_t size, char* buffer) { return win::GetCurrentDirectoryA(size, buffer); }, dir)) {
        if (throwOnError) RaiseSys(kLineWorkingDirectory);
        return "";
    }
    return dir;
}

std::string ChangeWorkingDirectory(const std::string& path, bool throwOnError) {
    const std::string before = GetWorkingDirectory(throwOnError);
    if (!win::SetCurrentDirectoryA(path.c_str()) && throwOnError) RaiseSys(kLineChangeDirectory);
    return before;
}

// ---- Directories ----

bool CreateOneDirectory(const std::string& path, bool throwOnError) {
    if (win::CreateDirectoryA(path.c_str(), nullptr)) return true;
    if (throwOnError) RaiseSys(kLineCreateDirectory, StrVector(path));
    return false;
}

bool CreateDirectoryTree(const std::string& path, bool throwOnError) {
    if (path.empty()) return false;
    const std::string p = RemoveBackslash(path);
    if (Exists(p, false)) return true;
    std::string current = p;
    try {
        bool ok = true;
        unsigned pos = 0;
        while (ok) {
            const std::string prefix = NextPathPrefix(p, pos);
            if (prefix.empty()) break;
            if (Exists(prefix, false)) continue;
            current = prefix;
            ok = CreateOneDirectory(prefix, throwOnError);
        }
        current = p;
        return ok && CreateOneDirectory(p, throwOnError);
    } catch (const LurExceptSys& e) {
        throw LurFileExcept(709, StrVector(current) << e.what());
    }
}

bool RemoveDirectoryTree(const std::string& dir, bool recursive, bool clearReadOnly, bool throwOnError) {
    const std::string p = RemoveBackslash(dir);
    // A link to a directory goes as the entry it is: what it leads to is
    // never listed, and the platform removes only the link.
    const bool link = HasAttribute(p, FileAttrLink);
    std::deque<FileInfo> entries;
    bool ok = true;
    if (!link && FindFiles(p, "*.*", &entries, false, true))
        ok = recursive && RemoveFiles(p, "*.*", clearReadOnly, true);
    if (ok) {
        if (clearReadOnly) ChangeAttributes(p, FileAttrReadOnly, false, false);
        ok = win::RemoveDirectoryA(p.c_str());
    }
    if (!ok && throwOnError) throw LurFileExcept(710, StrVector(p));
    return ok;
}

bool DeleteDirectory(const std::string& dir, bool recursive, bool clearReadOnly, bool throwOnError) {
    const std::string p = RemoveBackslash(dir);
    MustExist(p);
    const bool ok = RemoveDirectoryTree(p, recursive, clearReadOnly, throwOnError);
    if (!ok && throwOnError) throw LurFileExcept(710, StrVector(p));
    return ok;
}

// ---- Deleting ----

bool RemoveFile(const std::string& path, bool clearReadOnly, bool throwOnError) {
    const std::string p = RemoveBackslash(path);
    if (!Exists(p, false)) return true;
    if (clearReadOnly) ChangeAttributes(p, FileAttrReadOnly, false, false);
    if (win::DeleteFileA(p.c_str())) return true;
    if (throwOnError) throw LurFileExcept(708, StrVector(p));
    return false;
}

bool RemoveFiles(const std::string& dir, const std::string& pattern, bool clearReadOnly, bool recursive) {
    MustExist(dir);
    std::deque<FileInfo> list;
    if (!FindFiles(dir, pattern, &list, false, true)) return true;
    bool ok = true;
    for (auto record = list.begin(); ok && record != list.end(); ++record) {
        if (record->attributes & FileAttrReadOnly) {
            if (!clearReadOnly) throw LurFileExcept(708, StrVector(record->path));
            ChangeAttributes(record->path, FileAttrReadOnly, false, false);
        }
        if (record->attributes & FileAttrDirectory) {
            if (recursive) ok = RemoveDirectoryTree(record->path, recursive, clearReadOnly, true);
        } else {
            ok = win::DeleteFileA(record->path.c_str());
        }
    }
    return ok;
}

// ---- Copying and moving ----

bool RenameFile(const std::string& src, const std::string& dst, int mode, bool throwOnError) {
    if (Exists(dst, false) && !(Replaces(mode) && RemoveFile(dst, mode == ExistingReplaceReadOnly, throwOnError))) {
        return false;
    }
    if (win::MoveFileA(src.c_str(), dst.c_str())) return true;
    if (throwOnError) RaiseSys(kLineRename, StrVector(src) << dst);
    return false;
}

bool MoveOneFile(const std::string& src, const std::string& dst, int mode, bool throwOnError) {
    CheckSpace(src, dst, false);
    return RenameFile(src, dst, mode, throwOnError);
}

bool MoveFileToDirectory(const std::string& src, const std::string& dstDir, const std::string& newExtension, int mode,
                         bool throwOnError) {
    const std::string d = AddBackslash(dstDir);
    const std::string s = CheckSingleSource(src, d);
    return FileIntoDirectory(Transfer::Move, s, TargetIn(d, s, newExtension), mode, throwOnError, 0);
}

bool CopyFileToDirectory(const std::string& src, const std::string& dstDir, const std::string& newExtension, int mode,
                         bool throwOnError) {
    const std::string d = AddBackslash(dstDir);
    const std::string s = CheckSingleSource(src, d);
    return FileIntoDirectory(Transfer::Copy, s, TargetIn(d, s, newExtension), mode, throwOnError, kLineCopyToDirectory);
}

bool CopyFileAs(const std::string& src, const std::string& dstDir, const std::string& newName, int mode,
                bool throwOnError) {
    const std::string d = AddBackslash(dstDir);
    const std::string s = CheckSingleSource(src, d);
    return FileIntoDirectory(Transfer::Copy, s, d + newName, mode, throwOnError, kLineCopyAs);
}

bool TargetExists(const std::deque<FileInfo>& list, const std::string& dstDir, const std::string& newExtension,
                  bool all, std::string* existing) {
    const std::string d = AddBackslash(dstDir);
    for (const FileInfo& record : list) {
        const std::string target = TargetIn(d, record.path, newExtension);
        const bool exists = Exists(target, false);
        if (!all && exists) {
            if (existing != nullptr) *existing = target;
            return true;
        }
        if (all && !exists) return false;
    }
    return all;
}

bool CopyFiles(const std::string& srcDir, const std::string& dstDir, const std::string& pattern,
               const std::string& newExtension, int mode, bool recursive) {
    return FilesIntoDirectory(Transfer::Copy, srcDir, dstDir, pattern, newExtension, mode, recursive);
}

bool MoveFiles(const std::string& srcDir, const std::string& dstDir, const std::string& pattern,
               const std::string& newExtension, int mode, bool recursive) {
    return FilesIntoDirectory(Transfer::Move, srcDir, dstDir, pattern, newExtension, mode, recursive);
}

bool CopyDirectory(const std::string& srcDir, const std::string& dstDir, bool recursive, int mode) {
    const std::string g = AddBackslash(srcDir);
    const std::string f = PrepareDirectoryTarget(g, dstDir, recursive);
    return CopyFiles(g, f, "*.*", "", mode, recursive);
}

bool MoveDirectory(const std::string& srcDir, const std::string& dstDir, bool recursive, int mode) {
    const std::string g = AddBackslash(srcDir);
    const std::string f = PrepareDirectoryTarget(g, dstDir, recursive);
    const bool moved = MoveFiles(g, f, "*.*", "", mode, recursive);
    // Only what the moves emptied goes; a file that was skipped keeps its
    // directory, and so does every subdirectory when not recursive.
    return RemoveEmptiedDirectories(RemoveBackslash(g)) && moved;
}

// ---- Space ----

void CheckSpace(std::string src, std::string dst, bool recursive) {
    if (!Exists(src, false)) throw LurFileExcept(705, StrVector(src));
    FileInfo info;
    GetFileInfo(src, info);
    const luLongLong needed =
        (info.attributes & FileAttrDirectory) ? GetDirectorySize(info.path, recursive) : info.size;
    const std::string dir = GetDirectoryPart(GetFullPath(dst, true), true, false);
    if (!IsDirectoryWritable(dir)) throw LurFileExcept(707, StrVector(dir));
    const luLongLong free = GetFreeSpace(dir);
    if (needed > free) throw LurFileExcept(706, StrVector(dir) << FormatSize(needed) << FormatSize(free));
}

void CheckSpaceForList(const std::deque<FileInfo>& list, std::string dst) {
    const luLongLong needed = SumSizes(list);
    const std::string dir = GetDirectoryPart(dst, true, false);
    if (!IsDirectoryWritable(dir)) throw LurFileExcept(707, StrVector(dir));
    const luLongLong free = GetFreeSpace(dir);
    if (needed > free) throw LurFileExcept(706, StrVector(dir) << FormatSize(needed) << FormatSize(free));
}

bool IsDirectoryWritable(const std::string& dir) {
    const std::string name = AddBackslash(dir) + kProbeFileName;
    File probe;
    if (!probe.Open(name.c_str(), "W+", false, false)) return false;
    probe.Close(false);
    RemoveFile(name, true, true);
    return true;
}

void GetDiskSpace(const std::string& path, luLongLong* freeForCaller, luLongLong* total, luLongLong* totalFree) {
    uint64_t values[3] = {};
    const bool ok = win::GetDiskFreeSpaceExA(AddBackslash(path).c_str(), &values[0], &values[1], &values[2]);
    luLongLong* outs[3] = {freeForCaller, total, totalFree};
    for (int i = 0; i < 3; ++i) {
        if (outs[i] == nullptr) continue;
        *outs[i] =
            ok ? luLongLong(static_cast<uint32_t>(values[i]), static_cast<uint32_t>(values[i] >> 32)) : luLongLong();
    }
}

luLongLong GetFreeSpace(const std::string& path) {
    luLongLong free;
    GetDiskSpace(path, nullptr, nullptr, &free);
    return free;
}

std::string FormatSize(luLongLong bytes) {
    const uint32_t high = bytes.GetHigh();
    const uint32_t low = bytes.GetLow();
    if (high > 0xFFFFFFFFu / 4) throw LurExceptBaseArg(12, Here(kLineFormatSize), StrVector(high) << low);
    const uint32_t gb = high * 4 + (low >> 30);
    char text[64];
    int length = 0;
    if (gb != 0) length = std::snprintf(text, sizeof text, "%u Gb + ", gb);
    std::snprintf(text + length, sizeof text - length, "%u Kb", (low & 0x3FFFFFFFu) / 1024);
    return text;
}

}  // namespace lurutils
