#include "LastError.h"

#include <cerrno>

namespace win {

namespace {
thread_local uint32_t t_lastError = ERROR_SUCCESS;
thread_local int t_lastErrno = 0;

struct ErrnoMapping {
    int err;
    uint32_t code;
};

// The one place where POSIX errors become Windows codes.
constexpr ErrnoMapping kErrnoTable[] = {
    {0, ERROR_SUCCESS},
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {ELOOP, ERROR_PATH_NOT_FOUND},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {EROFS, ERROR_WRITE_PROTECT},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EBUSY, ERROR_SHARING_VIOLATION},
    {EAGAIN, ERROR_LOCK_VIOLATION},
    {EDEADLK, ERROR_LOCK_VIOLATION},
    {ENOTSUP, ERROR_NOT_SUPPORTED},
    {ENOSYS, ERROR_INVALID_FUNCTION},
    {EEXIST, ERROR_FILE_EXISTS},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EPIPE, ERROR_BROKEN_PIPE},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EFBIG, ERROR_FILE_TOO_LARGE},
    {ERANGE, ERROR_INSUFFICIENT_BUFFER},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {EILSEQ, ERROR_NO_UNICODE_TRANSLATION},
};
}  // namespace

uint32_t GetLastError() { return t_lastError; }

void SetLastError(uint32_t code) {
    t_lastError = code;
    t_lastErrno = 0;
}

int GetLastErrno() { return t_lastErrno; }

uint32_t ErrorFromErrno(int err) {
    for (const ErrnoMapping& m : kErrnoTable) {
        if (m.err == err) return m.code;
    }
    return ERROR_INVALID_FUNCTION;
}

uint32_t SetLastErrorFromErrno(int err) {
    const uint32_t code = ErrorFromErrno(err);
    SetLastError(code);
    t_lastErrno = err;
    return code;
}

}  // namespace win
