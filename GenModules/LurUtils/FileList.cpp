// Directory listings, FileInfo records, attributes and file times.
#include "File.h"
#include "LastError.h"
#include "LurExceptBaseArg.h"

namespace lurutils {

namespace {

constexpr ThrowSource Here{"GenModules\\LurUtils\\File"};
constexpr int kLineGetAttributes = 1257;
constexpr int kLineReadAttributes = 1272;
constexpr int kLineWriteAttributes = 1287;
constexpr int kLineSplitTime = 1408;
constexpr int kLineJoinTime = 1423;

[[noreturn]] void RaiseSys(int line) {
    throw LurExceptSys(static_cast<int>(win::GetLastError()), Here(line), StrVector());
}

// Calls entry (data) for every entry the platform lists for mask; false when
// the search finds nothing.
template <class Entry>
bool ForEachEntry(const std::string& mask, Entry entry) {
    win::WIN32_FIND_DATAA data;
    const win::HANDLE search = win::FindFirstFileA(mask.c_str(), &data);
    if (search == win::INVALID_HANDLE_VALUE) return false;
    do {
        entry(data);
    } while (win::FindNextFileA(search, &data));
    win::FindClose(search);
    return true;
}

struct AttributeBit {
    unsigned own;
    uint32_t platform;
};
constexpr AttributeBit kAttributeBits[] = {
    {FileAttrDirectory, win::FILE_ATTRIBUTE_DIRECTORY}, {FileAttrHidden, win::FILE_ATTRIBUTE_HIDDEN},
    {FileAttrReadOnly, win::FILE_ATTRIBUTE_READONLY},   {FileAttrSystem, win::FILE_ATTRIBUTE_SYSTEM},
    {FileAttrArchive, win::FILE_ATTRIBUTE_ARCHIVE},     {FileAttrLink, win::FILE_ATTRIBUTE_REPARSE_POINT},
};

// The entry a lookup of p finds. A last name (split as the platform splits
// it) with '*' is a search: its first match. One with '?' and no '*' is a
// name a listing may have given, with '?' for each character code page 1250
// lacks: only an entry listed under exactly that name is it. Any other name
// is looked up exactly by the platform.
bool LookUp(const std::string& p, win::WIN32_FIND_DATAA& found) {
    const size_t separator = p.find_last_of("\\/");
    const std::string name = separator == std::string::npos ? p : p.substr(separator + 1);
    const bool listedName = name.find('?') != std::string::npos && name.find('*') == std::string::npos;
    bool hit = false;
    ForEachEntry(p, [&](const win::WIN32_FIND_DATAA& data) {
        if (!hit && (!listedName || name == data.cFileName)) {
            found = data;
            hit = true;
        }
    });
    return hit;
}

}  // namespace

bool Exists(const std::string& path, bool throwOnError) {
    const std::string p = RemoveBackslash(path);
    win::WIN32_FIND_DATAA data;
    if (LookUp(p, data)) return true;
    if (throwOnError) throw LurFileExcept(705, StrVector(p));
    return false;
}

void MustExist(std::string path) {
    if (!Exists(path, false)) throw LurFileExcept(705, StrVector(path));
}

bool GetFileInfo(const std::string& path, FileInfo& out) {
    const std::string p = RemoveBackslash(path);
    win::WIN32_FIND_DATAA data;
    if (!LookUp(p, data)) return false;
    out = MakeFileInfo(GetDirectoryPart(p, true, false), data);
    return true;
}

bool IsDirectory(const std::string& path, bool throwOnError) {
    FileInfo info;
    if (GetFileInfo(path, info) && (info.attributes & FileAttrDirectory)) return true;
    if (throwOnError) throw LurFileExcept(705, StrVector(path));
    return false;
}

FileInfo MakeFileInfo(std::string directory, const win::WIN32_FIND_DATAA& data) {
    FileInfo info;
    info.name = data.cFileName;
    info.path = directory + info.name;
    info.writeTime = FileTimeToDateTime(data.ftLastWriteTime);
    info.creationTime = FileTimeToDateTime(data.ftCreationTime);
    info.accessTime = FileTimeToDateTime(data.ftLastAccessTime);
    info.size = luLongLong(data.nFileSizeLow, data.nFileSizeHigh);
    info.attributes = ToFileAttributes(data.dwFileAttributes);
    return info;
}

bool IsRealEntry(std::string name) {
    const std::string last = GetFileName(name, true);
    return last != "." && last != "..";
}

bool FindNames(const char* mask, std::deque<std::string>* out) {
    return ForEachEntry(mask != nullptr ? mask : "",
                        [out](const win::WIN32_FIND_DATAA& data) { out->push_back(data.cFileName); });
}

bool FindFiles(const std::string& dir, const std::string& pattern, std::deque<FileInfo>* out, bool recursive,
               bool includeDirectories) {
    if (dir.empty()) return false;
    const std::string base = AddBackslash(dir);
    bool result = ForEachEntry(base + pattern, [&](const win::WIN32_FIND_DATAA& data) {
        FileInfo record = MakeFileInfo(base, data);
        // A link is an entry to copy, move or delete as it is, like a file.
        const bool leaf = !(record.attributes & FileAttrDirectory) || (record.attributes & FileAttrLink);
        if (leaf || (includeDirectories && IsRealEntry(record.name))) out->push_back(std::move(record));
    });
    result = result && !out->empty();
    if (recursive) {
        std::deque<FileInfo> subdirectories;
        FindDirectories(base, "*.*", &subdirectories);
        for (const FileInfo& sub : subdirectories) {
            // What a link leads to lies outside the tree, or is in it already.
            if (sub.attributes & FileAttrLink) continue;
            if (FindFiles(base + sub.name + "\\", pattern, out, recursive, includeDirectories)) result = true;
        }
    }
    return result;
}

bool FindFiles(const std::string& dir, const std::string& pattern, std::deque<FileInfo>* out, bool recursive) {
    return FindFiles(dir, pattern, out, recursive, false);
}

bool FindFilePaths(const std::string& dir, const std::string& pattern, std::deque<std::string>* out, bool recursive) {
    std::deque<FileInfo> records;
    const bool result = FindFiles(dir, pattern, &records, recursive, false);
    for (const FileInfo& record : records) out->push_back(record.path);
    return result;
}

bool FindDirectories(const std::string& dir, const std::string& pattern, std::deque<FileInfo>* out) {
    if (dir.empty()) return false;
    const std::string base = AddBackslash(dir);
    return ForEachEntry(base + pattern, [&](const win::WIN32_FIND_DATAA& data) {
        FileInfo record = MakeFileInfo(base, data);
        if ((record.attributes & FileAttrDirectory) && IsRealEntry(record.name)) out->push_back(std::move(record));
    });
}

bool FindDirectoryPaths(const std::string& dir, const std::string& pattern, std::deque<std::string>* out) {
    std::deque<FileInfo> records;
    const bool result = FindDirectories(dir, pattern, &records);
    for (const FileInfo& record : records) out->push_back(record.path);
    return result;
}

luLongLong GetDirectorySize(const std::string& dir, bool recursive) {
    std::deque<FileInfo> records;
    FindFiles(dir, "*.*", &records, recursive, false);
    return SumSizes(records);
}

luLongLong SumSizes(const std::deque<FileInfo>& list) {
    luLongLong sum;
    for (const FileInfo& record : list) sum += record.size;
    return sum;
}

unsigned ToFileAttributes(uint32_t platformAttributes) {
    if (platformAttributes == win::INVALID_FILE_ATTRIBUTES) return FileAttrInvalid;
    unsigned attributes = 0;
    for (const AttributeBit& bit : kAttributeBits) {
        if (platformAttributes & bit.platform) attributes |= bit.own;
    }
    return attributes;
}

uint32_t ToWindowsAttributes(unsigned attributes) {
    uint32_t platform = 0;
    for (const AttributeBit& bit : kAttributeBits) {
        if (attributes & bit.own) platform |= bit.platform;
    }
    return platform;
}

unsigned GetAttributes(const std::string& path, bool throwOnError) {
    const uint32_t platform = win::GetFileAttributesA(path.c_str());
    if (platform == win::INVALID_FILE_ATTRIBUTES && throwOnError) RaiseSys(kLineGetAttributes);
    return ToFileAttributes(platform);
}

bool HasAttribute(const std::string& path, unsigned mask) {
    const unsigned attributes = GetAttributes(path, false);
    return attributes != FileAttrInvalid && (attributes & mask) != 0;
}

bool IsReadOnlyFile(const std::string& path) { return HasAttribute(path, FileAttrReadOnly); }
bool HasDirectoryAttribute(const std::string& path) { return HasAttribute(path, FileAttrDirectory); }
bool LacksDirectoryAttribute(const std::string& path) { return !HasDirectoryAttribute(path); }

unsigned ChangeAttributes(const std::string& path, unsigned mask, bool set, bool throwOnError) {
    const uint32_t platform = win::GetFileAttributesA(path.c_str());
    if (platform == win::INVALID_FILE_ATTRIBUTES) {
        if (throwOnError) RaiseSys(kLineReadAttributes);
        return FileAttrInvalid;
    }
    const unsigned old = ToFileAttributes(platform);
    const unsigned changed = set ? old | mask : old & ~mask;
    if (!win::SetFileAttributesA(path.c_str(), ToWindowsAttributes(changed))) {
        if (throwOnError) RaiseSys(kLineWriteAttributes);
        return FileAttrInvalid;
    }
    return old;
}

lurDate::LurDateTime FileTimeToDateTime(const win::FILETIME& time) {
    win::SYSTEMTIME st;
    if (!win::FileTimeToSystemTime(time, st)) RaiseSys(kLineSplitTime);
    return lurDate::LurDateTime(static_cast<short>(st.wYear), static_cast<short>(st.wMonth),
                                static_cast<short>(st.wDay), static_cast<short>(st.wHour),
                                static_cast<short>(st.wMinute), static_cast<short>(st.wSecond), false);
}

unsigned long long DateTimeToFileTime(const lurDate::LurDateTime& time) {
    short year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    time.GetDate(year, month, day, false);
    time.GetTime(hour, minute, second, false);
    win::SYSTEMTIME st;
    st.wYear = static_cast<uint16_t>(year);
    st.wMonth = static_cast<uint16_t>(month);
    st.wDay = static_cast<uint16_t>(day);
    st.wHour = static_cast<uint16_t>(hour);
    st.wMinute = static_cast<uint16_t>(minute);
    st.wSecond = static_cast<uint16_t>(second);
    win::FILETIME ft;
    if (!win::SystemTimeToFileTime(st, ft)) RaiseSys(kLineJoinTime);
    return win::FileTimeValue(ft);
}

}  // namespace lurutils
