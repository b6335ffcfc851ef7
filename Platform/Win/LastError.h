// Thread-local last-error code, set by every stand-in call that can fail, and
// the one table that maps POSIX errno values to Windows error codes.
#pragma once

#include <cstdint>

namespace win {

// Windows error codes the stand-ins produce.
enum : uint32_t {
    ERROR_SUCCESS = 0,
    ERROR_INVALID_FUNCTION = 1,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_PATH_NOT_FOUND = 3,
    ERROR_TOO_MANY_OPEN_FILES = 4,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_NOT_ENOUGH_MEMORY = 8,
    ERROR_INVALID_DATA = 13,
    ERROR_OUTOFMEMORY = 14,
    ERROR_NOT_SAME_DEVICE = 17,
    ERROR_NO_MORE_FILES = 18,
    ERROR_WRITE_PROTECT = 19,
    ERROR_SHARING_VIOLATION = 32,
    ERROR_LOCK_VIOLATION = 33,
    ERROR_HANDLE_EOF = 38,
    ERROR_NOT_SUPPORTED = 50,
    ERROR_BAD_NETPATH = 53,
    ERROR_FILE_EXISTS = 80,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_BROKEN_PIPE = 109,
    ERROR_DISK_FULL = 112,
    ERROR_INSUFFICIENT_BUFFER = 122,
    ERROR_INVALID_NAME = 123,
    ERROR_MOD_NOT_FOUND = 126,
    ERROR_PROC_NOT_FOUND = 127,
    ERROR_DIR_NOT_EMPTY = 145,
    ERROR_BAD_PATHNAME = 161,
    ERROR_ALREADY_EXISTS = 183,
    ERROR_FILENAME_EXCED_RANGE = 206,
    ERROR_FILE_TOO_LARGE = 223,
    ERROR_MORE_DATA = 234,
    ERROR_DIRECTORY = 267,
    ERROR_NO_MORE_ITEMS = 259,
    ERROR_MR_MID_NOT_FOUND = 317,
    ERROR_NO_UNICODE_TRANSLATION = 1113,
    ERROR_RESOURCE_DATA_NOT_FOUND = 1812,
    ERROR_RESOURCE_TYPE_NOT_FOUND = 1813,
    ERROR_RESOURCE_NAME_NOT_FOUND = 1814,
    ERROR_INVALID_WINDOW_HANDLE = 1400,
    ERROR_INVALID_FLAGS = 1004,
    ERROR_RESOURCE_LANG_NOT_FOUND = 15100,
};

uint32_t GetLastError();
// Sets the code as it is: no errno stands behind it (GetLastErrno answers 0).
void SetLastError(uint32_t code);
// The errno the last error was made from (SetLastErrorFromErrno), so that a
// caller can give the system's own reason; 0 when the last error was set as
// a Windows code.
int GetLastErrno();

// The Windows code for a POSIX errno value (ERROR_INVALID_FUNCTION for one
// the table does not know).
uint32_t ErrorFromErrno(int err);

// SetLastError (ErrorFromErrno (err)), keeping err for GetLastErrno;
// returns the code.
uint32_t SetLastErrorFromErrno(int err);

}  // namespace win
