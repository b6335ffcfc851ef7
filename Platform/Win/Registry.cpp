#include "Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "Crt.h"
#include "LastError.h"

namespace win {

// An open key: the full key path from its root ("HKEY_LOCAL_MACHINE\software\x")
// and the access it was opened with. Owned by the caller until RegCloseKey.
struct RegistryKey {
    std::string path;
    REGSAM access = 0;
};

namespace {

constexpr const char* kFileHeader = "Windows Registry Editor Version 5.00";

struct RegValue {
    std::string name;  // code page 1250; "" is the key's default value
    uint32_t type = REG_NONE;
    std::string data;  // raw bytes as the value holds them
};

struct RegSection {
    std::string key;  // full path, code page 1250
    std::vector<RegValue> values;
    std::vector<std::string> otherLines;  // lines we do not interpret, kept verbatim
};

struct RegDocument {
    std::vector<std::string> preamble;  // uninterpreted lines before the first section
    std::vector<RegSection> sections;
};

// ---- names ----------------------------------------------------------------

// Names fold with the code page 1250 case table, whatever locale is in force,
// so "árvíz" and "ÁRVÍZ" name one key, as they name one service.
char FoldName(char c) { return static_cast<char>(crt::ToUpperCp1250(static_cast<unsigned char>(c))); }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldName(a[i]) != FoldName(b[i])) return false;
    return true;
}

bool LessName(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(FoldName(x)) < static_cast<unsigned char>(FoldName(y));
    });
}

// The part of path below ancestor, or nullopt when path is not below it.
std::optional<std::string_view> Below(std::string_view path, std::string_view ancestor) {
    if (path.size() <= ancestor.size() + 1 || path[ancestor.size()] != '\\') return std::nullopt;
    if (!SameName(path.substr(0, ancestor.size()), ancestor)) return std::nullopt;
    return path.substr(ancestor.size() + 1);
}

// Joins a key path and a relative subkey path, dropping empty components
// (so "a\\b\" and "a\b" name the same key).
std::string JoinPath(const std::string& base, const char* subKey) {
    std::string out = base;
    if (!subKey) return out;
    std::string_view rest(subKey);
    while (!rest.empty()) {
        size_t cut = rest.find('\\');
        std::string_view part = rest.substr(0, cut);
        if (!part.empty()) {
            out += '\\';
            out += part;
        }
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    return out;
}

// The full path and access of a root or an open key; false for a null handle.
bool Resolve(HKEY key, std::string& path, REGSAM& access) {
    if (key == HKEY_LOCAL_MACHINE) {
        path = "HKEY_LOCAL_MACHINE";
        access = KEY_ALL_ACCESS;
    } else if (key == HKEY_CURRENT_USER) {
        path = "HKEY_CURRENT_USER";
        access = KEY_ALL_ACCESS;
    } else if (key) {
        path = key->path;
        access = key->access;
    } else {
        return false;
    }
    return true;
}

bool IsRootPath(std::string_view path) { return path.find('\\') == std::string_view::npos; }

// ---- the document ---------------------------------------------------------

RegSection* FindSection(RegDocument& doc, std::string_view key) {
    for (RegSection& s : doc.sections)
        if (SameName(s.key, key)) return &s;
    return nullptr;
}

bool HasDescendant(const RegDocument& doc, std::string_view key) {
    for (const RegSection& s : doc.sections)
        if (Below(s.key, key)) return true;
    return false;
}

bool KeyExists(RegDocument& doc, std::string_view key) {
    return IsRootPath(key) || FindSection(doc, key) || HasDescendant(doc, key);
}

RegValue* FindValue(RegSection& section, std::string_view name) {
    for (RegValue& v : section.values)
        if (SameName(v.name, name)) return &v;
    return nullptr;
}

// ---- parsing --------------------------------------------------------------

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Reads a quoted text with \\ and \" escapes from s (which starts at the
// opening quote); advances s past the closing quote.
std::optional<std::string> ReadQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') return std::nullopt;
    std::string out;
    for (size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            out += s[++i];
        } else if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> ParseHexBytes(std::string_view s) {
    std::string out;
    while (true) {
        s = Trim(s);
        if (s.empty()) return out;
        if (s.size() < 2 || HexDigit(s[0]) < 0 || HexDigit(s[1]) < 0) return std::nullopt;
        out += static_cast<char>(HexDigit(s[0]) * 16 + HexDigit(s[1]));
        s.remove_prefix(2);
        s = Trim(s);
        if (s.empty()) return out;
        if (s.front() != ',') return std::nullopt;
        s.remove_prefix(1);
    }
}

// Parses `"name"=<data>` or `@=<data>`; nullopt for anything else.
std::optional<RegValue> ParseValueLine(std::string_view line) {
    RegValue v;
    if (line.front() == '@') {
        line.remove_prefix(1);
    } else {
        auto name = ReadQuoted(line);
        if (!name) return std::nullopt;
        v.name = Utf8ToCp1250(*name);
    }
    line = Trim(line);
    if (line.empty() || line.front() != '=') return std::nullopt;
    line = Trim(line.substr(1));
    if (!line.empty() && line.front() == '"') {
        auto text = ReadQuoted(line);
        if (!text || !Trim(line).empty()) return std::nullopt;
        v.type = REG_SZ;
        v.data = Utf8ToCp1250(*text);
        v.data += '\0';
        return v;
    }
    if (line.starts_with("dword:")) {
        std::string_view digits = line.substr(6);
        if (digits.empty() || digits.size() > 8) return std::nullopt;
        uint32_t n = 0;
        for (char c : digits) {
            if (HexDigit(c) < 0) return std::nullopt;
            n = n * 16 + static_cast<uint32_t>(HexDigit(c));
        }
        v.type = REG_DWORD;
        for (int i = 0; i < 4; ++i) v.data += static_cast<char>((n >> (8 * i)) & 0xFF);
        return v;
    }
    if (line.starts_with("hex:")) {
        v.type = REG_BINARY;
        line.remove_prefix(4);
    } else if (line.starts_with("hex(")) {
        size_t close = line.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) return std::nullopt;
        uint32_t type = 0;
        for (char c : line.substr(4, close - 4)) {
            if (HexDigit(c) < 0) return std::nullopt;
            type = type * 16 + static_cast<uint32_t>(HexDigit(c));
        }
        v.type = type;
        line.remove_prefix(close + 2);
    } else {
        return std::nullopt;
    }
    auto bytes = ParseHexBytes(line);
    if (!bytes) return std::nullopt;
    v.data = std::move(*bytes);
    return v;
}

RegDocument ParseDocument(const std::string& text) {
    RegDocument doc;
    RegSection* current = nullptr;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line(Trim(std::string_view(text).substr(start, end - start)));
        start = end + 1;
        // A hex list may continue on the next line after a trailing backslash.
        while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos && start < text.size()) {
            end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            line.pop_back();
            line += Trim(std::string_view(text).substr(start, end - start));
            start = end + 1;
        }
        lines.push_back(std::move(line));
    }
    bool first = true;
    for (const std::string& line : lines) {
        if (first &&
            (line.starts_with(kFileHeader) || line.starts_with("REGEDIT4") || line.starts_with("\xEF\xBB\xBF"))) {
            first = false;
            continue;
        }
        first = false;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[' && line.back() == ']' && line.size() > 2 && line[1] != '-') {
            std::string key = JoinPath("", Utf8ToCp1250(line.substr(1, line.size() - 2)).c_str());
            if (!key.empty()) key.erase(0, 1);  // JoinPath starts each component with '\'
            current = FindSection(doc, key);
            if (!current) {
                doc.sections.push_back(RegSection{key, {}, {}});
                current = &doc.sections.back();
            }
            continue;
        }
        std::optional<RegValue> value;
        if (current && (line.front() == '"' || line.front() == '@')) value = ParseValueLine(line);
        if (value) {
            if (RegValue* old = FindValue(*current, value->name))
                *old = std::move(*value);
            else
                current->values.push_back(std::move(*value));
        } else {
            (current ? current->otherLines : doc.preamble).push_back(line);
        }
    }
    return doc;
}

// ---- writing --------------------------------------------------------------

std::string Quote(const std::string& cp1250) {
    std::string out = "\"";
    for (char c : Cp1250ToUtf8(cp1250)) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

std::string HexList(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", static_cast<unsigned char>(bytes[i]));
        out += buf;
    }
    return out;
}

// A REG_SZ can be written as a quoted text when it is one line ended by its
// single zero; anything else keeps its exact bytes in hex form.
bool IsPlainText(const std::string& data) {
    if (data.empty() || data.back() != '\0') return false;
    for (size_t i = 0; i + 1 < data.size(); ++i)
        if (data[i] == '\0' || data[i] == '\n' || data[i] == '\r') return false;
    return true;
}

std::string FormatValue(const RegValue& v) {
    std::string line = v.name.empty() ? "@" : Quote(v.name);
    line += '=';
    if (v.type == REG_SZ && IsPlainText(v.data)) {
        line += Quote(v.data.substr(0, v.data.size() - 1));
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[i]);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        line += buf;
    } else if (v.type == REG_BINARY) {
        line += "hex:" + HexList(v.data);
    } else {
        char buf[16];
        std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
        line += buf + HexList(v.data);
    }
    return line;
}

std::string FormatDocument(const RegDocument& doc) {
    std::string out = std::string(kFileHeader) + "\n\n";
    for (const std::string& line : doc.preamble) out += line + '\n';
    for (const RegSection& s : doc.sections) {
        out += '[' + Cp1250ToUtf8(s.key) + "]\n";
        for (const RegValue& v : s.values) out += FormatValue(v) + '\n';
        for (const std::string& line : s.otherLines) out += line + '\n';
        out += '\n';
    }
    return out;
}

// ---- the file -------------------------------------------------------------

int32_t ErrnoCode(int err) { return static_cast<int32_t>(ErrorFromErrno(err)); }

// Reads the whole registry file; a missing file is an empty registry.
int32_t LoadDocument(const std::string& path, RegDocument& doc) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            doc = RegDocument{};
            return ERROR_SUCCESS;
        }
        return ErrnoCode(errno);
    }
    std::string text;
    char buf[8192];
    while (true) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            return ErrnoCode(err);
        }
        if (n == 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    doc = ParseDocument(text);
    return ERROR_SUCCESS;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Replaces the file with text: a synced temporary file in the same
// directory renamed over it, so that no reader ever sees a partial file.
int32_t StoreDocument(const std::string& path, const RegDocument& doc) {
    std::string tmp = path + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) return ErrnoCode(errno);
    struct stat st {};
    mode_t mode = (::stat(path.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, FormatDocument(doc)) && ::fsync(fd) == 0;
    int err = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) {
        std::string dir = std::filesystem::path(path).parent_path().string();
        int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);  // makes the rename itself durable
            ::close(dirFd);
        }
        return ERROR_SUCCESS;
    }
    if (ok) err = errno;
    ::unlink(tmp.c_str());
    return ErrnoCode(err);
}

// Holds the exclusive lock of the registry's lock file while it lives.
class WriterLock {
public:
    explicit WriterLock(const std::string& path) {
        std::error_code ec;
        std::filesystem::path dir = std::filesystem::path(path).parent_path();
        if (!dir.empty()) std::filesystem::create_directories(dir, ec);
        m_fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            m_error = ErrnoCode(errno);
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_error = ErrnoCode(errno);
                return;
            }
        }
    }
    ~WriterLock() {
        if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    int32_t Error() const { return m_error; }

private:
    int m_fd = -1;
    int32_t m_error = ERROR_SUCCESS;
};

// Outcome of a change applied to the document.
struct ChangeResult {
    int32_t code = ERROR_SUCCESS;
    bool changed = false;
};

// The read-modify-write cycle of every change, under the writer lock.
int32_t ModifyRegistry(const std::function<ChangeResult(RegDocument&)>& change) {
    std::string path = RegistryFilePath();
    WriterLock lock(path);
    if (lock.Error() != ERROR_SUCCESS) return lock.Error();
    RegDocument doc;
    if (int32_t rc = LoadDocument(path, doc); rc != ERROR_SUCCESS) return rc;
    ChangeResult result = change(doc);
    if (result.code != ERROR_SUCCESS || !result.changed) return result.code;
    return StoreDocument(path, doc);
}

// Adds sections for key and each missing ancestor below the root, as an
// export lists them.
void AddKeyWithAncestors(RegDocument& doc, const std::string& key) {
    size_t pos = key.find('\\');
    while (pos != std::string::npos) {
        size_t next = key.find('\\', pos + 1);
        std::string prefix = key.substr(0, next);
        if (!FindSection(doc, prefix)) doc.sections.push_back(RegSection{prefix, {}, {}});
        pos = next;
    }
}

int32_t NewKeyHandle(const std::string& path, REGSAM access, HKEY* result) {
    *result = new RegistryKey{path, access};
    return ERROR_SUCCESS;
}

}  // namespace

std::string RegistryFilePath() {
    if (const char* explicitPath = std::getenv("LUR_REGISTRY"); explicitPath && *explicitPath) return explicitPath;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = ".";
    return base + "/lur/registry.reg";
}

std::string DescribeRegistryFile() {
    const std::string path = RegistryFilePath();
    const char* chosen = std::getenv("LUR_REGISTRY");
    std::string text = "the registry file " + Utf8ToCp1250(path) +
                       (chosen && *chosen ? " that LUR_REGISTRY names" : " (the default, as LUR_REGISTRY is not set)");
    // Read as a key lookup reads it: a missing file is an empty registry.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) return text + ", which does not exist";
        return text + ", which cannot be read: " + std::strerror(error);
    }
    char byte = 0;
    const ssize_t read = ::read(fd, &byte, 1);
    const int error = errno;
    ::close(fd);
    if (read < 0) return text + ", which cannot be read: " + std::strerror(error);
    return text;
}

int32_t RegOpenKeyExA(HKEY parent, const char* subKey, uint32_t, REGSAM access, HKEY* result) {
    std::string base;
    REGSAM parentAccess = 0;
    if (!result || !Resolve(parent, base, parentAccess)) return ERROR_INVALID_HANDLE;
    *result = nullptr;
    std::string path = JoinPath(base, subKey);
    RegDocument doc;
    if (int32_t rc = LoadDocument(RegistryFilePath(), doc); rc != ERROR_SUCCESS) return rc;
    if (!KeyExists(doc, path)) return ERROR_FILE_NOT_FOUND;
    return NewKeyHandle(path, access, result);
}

int32_t RegCreateKeyExA(HKEY parent, const char* subKey, uint32_t, const char*, uint32_t, REGSAM access, const void*,
                        HKEY* result, uint32_t* disposition) {
    std::string base;
    REGSAM parentAccess = 0;
    if (!result || !Resolve(parent, base, parentAccess)) return ERROR_INVALID_HANDLE;
    *result = nullptr;
    std::string path = JoinPath(base, subKey);
    bool created = false;
    int32_t rc = ModifyRegistry([&](RegDocument& doc) {
        if (KeyExists(doc, path)) return ChangeResult{};
        AddKeyWithAncestors(doc, path);
        created = true;
        return ChangeResult{ERROR_SUCCESS, true};
    });
    if (rc != ERROR_SUCCESS) return rc;
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return NewKeyHandle(path, access, result);
}

int32_t RegCloseKey(HKEY key) {
    if (!key) return ERROR_INVALID_HANDLE;
    if (key != HKEY_LOCAL_MACHINE && key != HKEY_CURRENT_USER) delete key;
    return ERROR_SUCCESS;
}

int32_t RegQueryValueExA(HKEY key, const char* valueName, uint32_t*, uint32_t* type, uint8_t* data,
                         uint32_t* dataSize) {
    std::string path;
    REGSAM access = 0;
    if (!Resolve(key, path, access)) return ERROR_INVALID_HANDLE;
    if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (data && !dataSize) return ERROR_INVALID_PARAMETER;
    RegDocument doc;
    if (int32_t rc = LoadDocument(RegistryFilePath(), doc); rc != ERROR_SUCCESS) return rc;
    RegSection* section = FindSection(doc, path);
    RegValue* value = section ? FindValue(*section, valueName ? valueName : "") : nullptr;
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type) *type = value->type;
    uint32_t size = static_cast<uint32_t>(value->data.size());
    if (data) {
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, value->data.data(), size);
    }
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
}

int32_t RegSetValueExA(HKEY key, const char* valueName, uint32_t, uint32_t type, const uint8_t* data,
                       uint32_t dataSize) {
    std::string path;
    REGSAM access = 0;
    if (!Resolve(key, path, access)) return ERROR_INVALID_HANDLE;
    if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if ((dataSize && !data) || (type == REG_DWORD && dataSize != 4)) return ERROR_INVALID_PARAMETER;
    if (IsRootPath(path)) return ERROR_ACCESS_DENIED;
    RegValue value{valueName ? valueName : "", type, std::string(reinterpret_cast<const char*>(data), dataSize)};
    return ModifyRegistry([&](RegDocument& doc) {
        if (!KeyExists(doc, path)) return ChangeResult{ERROR_FILE_NOT_FOUND, false};  // deleted meanwhile
        AddKeyWithAncestors(doc, path);
        RegSection& section = *FindSection(doc, path);
        if (RegValue* old = FindValue(section, value.name)) {
            old->type = value.type;
            old->data = value.data;
        } else {
            section.values.push_back(value);
        }
        return ChangeResult{ERROR_SUCCESS, true};
    });
}

int32_t RegDeleteKeyA(HKEY parent, const char* subKey) {
    std::string base;
    REGSAM parentAccess = 0;
    if (!Resolve(parent, base, parentAccess)) return ERROR_INVALID_HANDLE;
    std::string path = JoinPath(base, subKey);
    // Deleting the parent itself through an empty name is refused: it would
    // remove a key the caller did not name.
    if (path == base) return ERROR_INVALID_PARAMETER;
    return ModifyRegistry([&](RegDocument& doc) {
        if (HasDescendant(doc, path)) return ChangeResult{ERROR_ACCESS_DENIED, false};
        auto gone = std::remove_if(doc.sections.begin(), doc.sections.end(),
                                   [&](const RegSection& s) { return SameName(s.key, path); });
        if (gone == doc.sections.end()) return ChangeResult{ERROR_FILE_NOT_FOUND, false};
        doc.sections.erase(gone, doc.sections.end());
        return ChangeResult{ERROR_SUCCESS, true};
    });
}

int32_t RegEnumKeyExA(HKEY key, uint32_t index, char* name, uint32_t* nameSize) {
    std::string path;
    REGSAM access = 0;
    if (!Resolve(key, path, access)) return ERROR_INVALID_HANDLE;
    if (!(access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
    RegDocument doc;
    if (int32_t rc = LoadDocument(RegistryFilePath(), doc); rc != ERROR_SUCCESS) return rc;
    std::vector<std::string> children;
    for (const RegSection& s : doc.sections) {
        auto rest = Below(s.key, path);
        if (!rest) continue;
        std::string child(rest->substr(0, rest->find('\\')));
        if (std::none_of(children.begin(), children.end(), [&](const std::string& c) { return SameName(c, child); }))
            children.push_back(child);
    }
    std::sort(children.begin(), children.end(), LessName);
    if (index >= children.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& child = children[index];
    if (child.size() + 1 > *nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, child.c_str(), child.size() + 1);
    *nameSize = static_cast<uint32_t>(child.size());
    return ERROR_SUCCESS;
}

}  // namespace win
