// The File handle.
#include "File.h"

#include <cstring>
#include <exception>
#include <utility>

#include "LastError.h"
#include "LurExceptBaseArg.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurUtils\\File"};

// The lines the error reports have always shown.
constexpr int kLineDestructor = 80;
constexpr int kLineOpenByLetter = 126;
constexpr int kLineOpenByText = 214;
constexpr int kLineClose = 265;
constexpr int kLineAppend = 320;
constexpr int kLineWriteAt = 348;
constexpr int kLineReadAt = 378;
constexpr int kLineGetSize = 393;
constexpr int kLineRewind = 428;

[[noreturn]] void RaiseSys(uint32_t code, int line, const std::string& name) {
    throw LurExceptSys(static_cast<int>(code), Here(line), name.empty() ? StrVector() : StrVector(name));
}

// The platform's open, refusing the names the fixed name buffer of old could
// not hold.
win::HANDLE OpenPlatform(const char* name, uint32_t access, uint32_t share, uint32_t disposition) {
    if (name == nullptr || std::strlen(name) >= win::MAX_PATH) {
        win::SetLastError(name == nullptr ? win::ERROR_INVALID_PARAMETER : win::ERROR_FILENAME_EXCED_RANGE);
        return win::INVALID_HANDLE_VALUE;
    }
    return win::CreateFileA(name, access, share, nullptr, disposition,
                            win::FILE_FLAG_RANDOM_ACCESS | win::FILE_ATTRIBUTE_ARCHIVE, 0);
}

struct ParsedMode {
    uint32_t access = 0;
    uint32_t share = 0;
    uint32_t disposition = 0;
};

ParsedMode ParseMode(const char* mode) {
    constexpr uint32_t kRead = win::GENERIC_READ;
    constexpr uint32_t kWrite = win::GENERIC_WRITE;
    ParsedMode m;
    for (const char* c = mode; c != nullptr && *c != '\0'; ++c) {
        const bool plus = c[1] == '+';
        switch (*c) {
            case 'R':
            case 'r':
                if (m.disposition == win::CREATE_ALWAYS ||
                    (*c == 'r' && (m.disposition == win::CREATE_NEW || m.disposition == win::OPEN_ALWAYS))) {
                    break;
                }
                m.disposition = *c == 'R' ? win::OPEN_ALWAYS : win::OPEN_EXISTING;
                m.access |= kRead;
                if (plus) m.access |= kWrite;
                break;
            case 'W':
            case 'w':
                if (*c == 'w' && m.disposition == win::CREATE_ALWAYS) break;
                m.disposition = *c == 'W' ? win::CREATE_ALWAYS : win::CREATE_NEW;
                m.access |= kWrite;
                m.access = plus ? m.access | kRead : m.access & ~kRead;
                break;
            case 's':
                m.share =
                    plus ? uint32_t(win::FILE_SHARE_READ | win::FILE_SHARE_WRITE) : uint32_t(win::FILE_SHARE_READ);
                break;
            default: break;
        }
    }
    return m;
}

}  // namespace

File::File(const char* name, char mode, bool throwOnError) {
    m_handle = CreateHandle(name, mode, throwOnError);
    m_name = name != nullptr ? name : "";
}

File::File(const char* name, const char* mode, bool createDirectories, bool throwOnError) {
    Open(name, mode, createDirectories, throwOnError);
}

File::~File() noexcept(false) {
    if (!IsValid()) return;
    if (!win::CloseHandle(m_handle) && std::uncaught_exceptions() == 0) {
        RaiseSys(win::GetLastError(), kLineDestructor, m_name);
    }
}

win::HANDLE File::CreateHandle(const char* name, char mode, bool throwOnError) {
    win::HANDLE handle;
    if (mode == 'w') {
        constexpr uint32_t kAccess = win::GENERIC_READ | win::GENERIC_WRITE;
        constexpr uint32_t kShare = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;
        handle = OpenPlatform(name, kAccess, kShare, win::CREATE_NEW);
        if (handle == win::INVALID_HANDLE_VALUE) handle = OpenPlatform(name, kAccess, kShare, win::OPEN_EXISTING);
    } else {
        handle = OpenPlatform(name, win::GENERIC_READ, win::FILE_SHARE_READ, win::OPEN_EXISTING);
    }
    if (handle == win::INVALID_HANDLE_VALUE && throwOnError && win::GetLastError() != 0) {
        RaiseSys(win::GetLastError(), kLineOpenByLetter, name != nullptr ? name : "");
    }
    return handle;
}

win::HANDLE File::CreateHandle(const char* name, const char* mode, bool createDirectories, bool throwOnError) {
    const ParsedMode m = ParseMode(mode);
    if (createDirectories && (m.access & win::GENERIC_WRITE) && name != nullptr) {
        const std::string dir = lurutils::GetDirectoryPart(name, false, false);
        if (!lurutils::IsDirectory(dir, false)) lurutils::CreateDirectoryTree(dir, true);
    }
    const win::HANDLE handle = OpenPlatform(name, m.access, m.share, m.disposition);
    if (handle == win::INVALID_HANDLE_VALUE && throwOnError && win::GetLastError() != 0) {
        RaiseSys(win::GetLastError(), kLineOpenByText, name != nullptr ? name : "");
    }
    return handle;
}

bool File::Open(const char* name, char mode, bool throwOnError) {
    Close(false);
    m_handle = CreateHandle(name, mode, throwOnError);
    m_name = name != nullptr ? name : "";
    return IsValid();
}

bool File::Open(const char* name, const char* mode, bool createDirectories, bool throwOnError) {
    Close(false);
    m_name.clear();
    m_handle = CreateHandle(name, mode, createDirectories, throwOnError);
    if (IsValid()) m_name = name;
    return IsValid();
}

bool File::Close(bool throwOnError) {
    if (!IsValid()) return true;
    // A failed close has released the handle too: the destructor must not
    // close it again (and raise for the handle it no longer knows).
    if (!win::CloseHandle(std::exchange(m_handle, win::INVALID_HANDLE_VALUE))) {
        if (throwOnError) RaiseSys(win::GetLastError(), kLineClose, m_name);
        return false;
    }
    m_name.clear();
    return true;
}

bool File::Recreate() {
    if (IsValid()) win::CloseHandle(m_handle);
    m_handle = OpenPlatform(m_name.c_str(), win::GENERIC_READ | win::GENERIC_WRITE,
                            win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::CREATE_ALWAYS);
    return IsValid();
}

uint32_t File::Transfer(void* buffer, const void* data, unsigned offset, unsigned size, uint32_t* count,
                        bool appending) {
    if (count != nullptr) *count = 0;
    if (!win::LockFile(m_handle, offset, 0, size, 0)) return win::GetLastError();
    uint32_t error = 0;
    if (appending && win::GetFileSize(m_handle, nullptr) != offset) {
        error = win::ERROR_LOCK_VIOLATION;  // another writer appended meanwhile
    } else if (win::SetFilePointer(m_handle, static_cast<int32_t>(offset), nullptr, win::FILE_BEGIN) ==
               win::INVALID_SET_FILE_POINTER) {
        error = win::GetLastError();
    }
    if (error == 0) {
        uint32_t done = 0;
        const bool ok = buffer != nullptr ? win::ReadFile(m_handle, buffer, size, &done, nullptr)
                                          : win::WriteFile(m_handle, data, size, &done, nullptr);
        if (!ok) {
            error = win::GetLastError();
        } else if (count != nullptr) {
            *count = done;
        }
    }
    if (!win::UnlockFile(m_handle, offset, 0, size, 0) && error == 0) error = win::GetLastError();
    return error;
}

int32_t File::AppendLocked(const void* data, unsigned size) {
    const uint32_t end = win::GetFileSize(m_handle, nullptr);
    if (end == win::INVALID_FILE_SIZE) return -1;
    uint32_t written = 0;
    if (Transfer(nullptr, data, end, size, &written, true) != 0) return -1;
    return static_cast<int32_t>(end);
}

unsigned File::ReadLocked(void* buffer, unsigned size, unsigned offset) {
    uint32_t read = 0;
    Transfer(buffer, nullptr, offset, size, &read, false);
    return read;
}

uint32_t File::Append(const void* data, unsigned size, uint32_t* written, bool throwOnError) {
    const uint32_t end = win::GetFileSize(m_handle, nullptr);
    uint32_t error = end == win::INVALID_FILE_SIZE ? win::GetLastError() : 0;
    if (error == 0) {
        error = Transfer(nullptr, data, end, size, written, true);
        if (error != 0 && throwOnError) RaiseSys(error, kLineWriteAt, m_name);
    }
    if (error != 0 && throwOnError) RaiseSys(error, kLineAppend, m_name);
    return error;
}

uint32_t File::WriteAt(const void* data, unsigned offset, unsigned size, uint32_t* written, bool throwOnError) {
    const uint32_t error = Transfer(nullptr, data, offset, size, written, false);
    if (error != 0 && throwOnError) RaiseSys(error, kLineWriteAt, m_name);
    return error;
}

uint32_t File::ReadAt(void* buffer, unsigned size, unsigned offset, uint32_t* read, bool throwOnError) {
    const uint32_t error = Transfer(buffer, nullptr, offset, size, read, false);
    if (error != 0 && throwOnError) RaiseSys(error, kLineReadAt, m_name);
    return error;
}

uint32_t File::ReadNext(void* buffer, unsigned size, uint32_t* read) {
    return win::ReadFile(m_handle, buffer, size, read, nullptr) ? 0 : win::GetLastError();
}

int32_t File::Rewind(bool throwOnError) {
    if (!IsValid()) return -1;
    int32_t result = -1;
    const uint32_t size = win::GetFileSize(m_handle, nullptr);
    uint32_t error = size == win::INVALID_FILE_SIZE ? win::GetLastError() : 0;
    if (error == 0) {
        if (win::LockFile(m_handle, 0, 0, size, 0)) {
            const uint32_t position = win::SetFilePointer(m_handle, 0, nullptr, win::FILE_BEGIN);
            if (position == win::INVALID_SET_FILE_POINTER) {
                error = win::GetLastError();
            } else {
                result = static_cast<int32_t>(position);
            }
            if (!win::UnlockFile(m_handle, 0, 0, size, 0) && error == 0) error = win::GetLastError();
        } else {
            error = win::GetLastError();
        }
    }
    if (error != 0 && throwOnError) RaiseSys(error, kLineRewind, m_name);
    return result;
}

uint32_t File::GetSize(bool throwOnError) {
    if (!IsValid()) return 0;
    const uint32_t size = win::GetFileSize(m_handle, nullptr);
    if (size == win::INVALID_FILE_SIZE && throwOnError && win::GetLastError() != 0) {
        RaiseSys(win::GetLastError(), kLineGetSize, m_name);
    }
    return size;
}
