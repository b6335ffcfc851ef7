// System time forms: SYSTEMTIME (calendar fields) and FILETIME (a count of
// 100-nanosecond intervals since 1 January 1601, proleptic Gregorian), and
// the conversions between them. Pure arithmetic with the platform's ranges:
// file times from 0 to 0x7FFFFFFFFFFFFFFF, years 1601 to 30827.
#pragma once

#include <cstdint>

namespace win {

struct SYSTEMTIME {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;  // 0 = Sunday
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
};

struct FILETIME {
    uint32_t dwLowDateTime = 0;
    uint32_t dwHighDateTime = 0;
};

// Intervals per second, and the file time of 1 January 1970 00:00:00 UTC.
constexpr long long kFileTimeTicksPerSecond = 10000000LL;
constexpr long long kFileTimeUnixEpoch = 116444736000000000LL;

constexpr unsigned long long FileTimeValue(const FILETIME& ft) {
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
constexpr FILETIME MakeFileTime(unsigned long long value) {
    return FILETIME{static_cast<uint32_t>(value), static_cast<uint32_t>(value >> 32)};
}

// Days from 1 January 1970 to the date (negative before it), and back.
long long DaysFromCivil(int year, unsigned month, unsigned day);
void CivilFromDays(long long days, int& year, unsigned& month, unsigned& day);
// 0 = Sunday.
unsigned WeekdayFromDays(long long days);

// False with ERROR_INVALID_PARAMETER for a field outside its range (year
// 1601-30827, month 1-12, day within the month, hour 0-23, minute and second
// 0-59, milliseconds 0-999); wDayOfWeek is ignored.
bool SystemTimeToFileTime(const SYSTEMTIME& st, FILETIME& ft);
// False with ERROR_INVALID_PARAMETER for a file time with the top bit set;
// fills every field, wDayOfWeek included.
bool FileTimeToSystemTime(const FILETIME& ft, SYSTEMTIME& st);

}  // namespace win
