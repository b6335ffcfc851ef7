#include "LastError.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(LastError, ErrnoValuesMapToWindowsCodes) {
    struct Case {
        int err;
        uint32_t code;
    };
    const Case cases[] = {
        {0, win::ERROR_SUCCESS},
        {ENOENT, win::ERROR_FILE_NOT_FOUND},
        {ENOTDIR, win::ERROR_PATH_NOT_FOUND},
        {EACCES, win::ERROR_ACCESS_DENIED},
        {EEXIST, win::ERROR_FILE_EXISTS},
        {ENOSPC, win::ERROR_DISK_FULL},
        {EFBIG, win::ERROR_FILE_TOO_LARGE},
        {ENOTEMPTY, win::ERROR_DIR_NOT_EMPTY},
        {EAGAIN, win::ERROR_LOCK_VIOLATION},
        {ENAMETOOLONG, win::ERROR_FILENAME_EXCED_RANGE},
        {EBADF, win::ERROR_INVALID_HANDLE},
        {EXDEV, win::ERROR_NOT_SAME_DEVICE},
        {EOWNERDEAD, win::ERROR_INVALID_FUNCTION},  // not in the table
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.code, win::ErrorFromErrno(c.err)) << c.err;
    }
}

TEST(LastError, SetFromErrnoStoresAndReturnsTheCode) {
    EXPECT_EQ(win::ERROR_FILE_NOT_FOUND, win::SetLastErrorFromErrno(ENOENT));
    EXPECT_EQ(win::ERROR_FILE_NOT_FOUND, win::GetLastError());
    win::SetLastError(win::ERROR_SUCCESS);
    EXPECT_EQ(win::ERROR_SUCCESS, win::GetLastError());
}

TEST(LastError, AnErrorFromErrnoKeepsTheErrno) {
    win::SetLastErrorFromErrno(EOWNERDEAD);  // a code the table does not know: its errno still tells
    EXPECT_EQ(win::ERROR_INVALID_FUNCTION, win::GetLastError());
    EXPECT_EQ(EOWNERDEAD, win::GetLastErrno());
    win::SetLastError(win::ERROR_ACCESS_DENIED);  // a Windows code alone
    EXPECT_EQ(0, win::GetLastErrno());
}

}  // namespace
