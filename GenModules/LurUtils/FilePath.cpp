// Windows paths taken apart and put together: '\' separates, a drive's colon
// stands at index 1, "\\" begins a network path; comparisons are exact.
#include <vector>

#include "File.h"
#include "LurExceptBaseArg.h"

namespace lurutils {

namespace {

constexpr ThrowSource Here{"GenModules\\LurUtils\\File"};
constexpr int kLineRebase = 1576;

// The last backslash, else the last colon.
size_t LastSeparator(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash != std::string::npos ? slash : path.find_last_of(':');
}

// The last '.' that follows the last backslash.
size_t ExtensionDot(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('\\');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : std::string::npos;
}

}  // namespace

std::string AddBackslash(const std::string& path) { return path.empty() || path.back() == '\\' ? path : path + '\\'; }

std::string RemoveBackslash(const std::string& path) {
    return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

bool EndsWithSeparator(const std::string& path) { return !path.empty() && (path.back() == '\\' || path.back() == ':'); }

bool HasNoEndSeparator(const std::string& path) { return !EndsWithSeparator(path); }

bool IsAbsolutePath(const std::string& path, bool throwOnError) {
    const size_t colon = path.find(':');
    if (colon == 1) return true;
    if (colon != std::string::npos) {
        if (throwOnError) throw LurFileExcept(714, StrVector(path));
        return false;
    }
    return path.size() > 1 && path[0] == '\\' && path[1] == '\\';
}

bool IsRelativePath(const std::string& path, bool throwOnError) { return !IsAbsolutePath(path, throwOnError); }

std::string GetFullPath(const std::string& path, bool throwOnError) {
    const uint32_t needed = win::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    std::vector<char> buffer(needed);
    const uint32_t length = needed == 0 ? 0 : win::GetFullPathNameA(path.c_str(), needed, buffer.data(), nullptr);
    if (length == 0 || length >= needed) {
        if (throwOnError) throw LurFileExcept(705, StrVector(path));
        return path;
    }
    return std::string(buffer.data(), length);
}

std::string GetDirectoryPart(const std::string& path, bool withBackslash, bool keepRelative) {
    const std::string full = !keepRelative && IsRelativePath(path, true) ? GetFullPath(path, true) : path;
    const size_t i = LastSeparator(full);
    if (i == std::string::npos) {
        const std::string dir = keepRelative ? "." : GetWorkingDirectory(true);
        return withBackslash ? AddBackslash(dir) : RemoveBackslash(dir);
    }
    return full.substr(0, withBackslash ? i + 1 : i);
}

std::string GetExistingDirectory(const std::string& path, bool withBackslash, bool keepRelative) {
    if (EndsWithSeparator(path) || IsDirectory(path, false)) {
        return !keepRelative && IsRelativePath(path, true) ? GetFullPath(path, true) : path;
    }
    const std::string dir = GetDirectoryPart(path, withBackslash, keepRelative);
    return IsDirectory(dir, false) ? dir : "";
}

std::string GetFileName(const std::string& path, bool withExtension) {
    const size_t i = LastSeparator(path);
    const std::string name = i == std::string::npos ? path : path.substr(i + 1);
    return withExtension ? name : ChangeExtension(name, "");
}

std::string GetFileNamePart(const std::string& path, bool withExtension) {
    return EndsWithSeparator(path) || IsDirectory(path, false) ? "" : GetFileName(path, withExtension);
}

std::string GetExtension(const std::string& path) {
    const size_t dot = ExtensionDot(path);
    return dot == std::string::npos ? "" : path.substr(dot);
}

std::string ChangeExtension(const std::string& path, const std::string& extension) {
    const std::string p = RemoveBackslash(path);
    std::string ext = extension == "." ? "" : extension;
    if (!ext.empty() && ext[0] != '.') ext = "." + ext;
    const size_t dot = ExtensionDot(p);
    return (dot == std::string::npos ? p : p.substr(0, dot)) + ext;
}

std::string ResolvePath(const std::string& base, const std::string& name) {
    const std::string dir = HasDirectoryAttribute(base) ? base : GetDirectoryPart(base, true, false);
    return IsRelativePath(name, true) && !dir.empty() ? RemoveBackslash(dir) + '\\' + name : name;
}

bool IsInsidePath(const std::string& parent, const std::string& child) {
    const auto usable = [](const std::string& p) {
        return IsRelativePath(p, true) ? GetDirectoryPart(p, true, false) : p;
    };
    const std::string a = usable(parent);
    const std::string b = usable(child);
    return a.size() < b.size() && b.compare(0, a.size(), a) == 0;
}

std::string RebasePath(const std::string& oldBase, const std::string& newBase, const std::string& path,
                       bool keepRelative) {
    const std::string e = GetDirectoryPart(oldBase, true, keepRelative);
    const std::string f = GetDirectoryPart(newBase, true, keepRelative);
    const std::string d = GetDirectoryPart(path, true, keepRelative);
    if (d == e) return f;
    // Only a path under the old base has a place under the new one; one above
    // it or beside it is refused rather than cut at a wrong length.
    if (d.size() < e.size() || d.compare(0, e.size(), e) != 0) {
        throw LurExceptBaseArg(714, Here(kLineRebase), StrVector(e) << d);
    }
    return AddBackslash(f + d.substr(e.size()));
}

std::string RebaseDirectory(const std::string& oldBase, const std::string& newBase, const std::string& path,
                            bool keepRelative) {
    return RebasePath(AddBackslash(oldBase), AddBackslash(newBase), path, keepRelative);
}

std::string NextPathPrefix(const std::string& path, unsigned& pos) {
    size_t i = path.find('\\', pos);
    if (i != std::string::npos && i != 0 && path[i - 1] == ':') i = path.find('\\', i + 1);
    if (i == std::string::npos) return "";
    pos = static_cast<unsigned>(i + 1);
    return path.substr(0, i);
}

}  // namespace lurutils
