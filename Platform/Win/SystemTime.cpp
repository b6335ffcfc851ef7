// Calendar arithmetic of the system time forms (days counted from 1970 with
// the era-based Gregorian formula, so every year has the same rule).
#include "SystemTime.h"

#include "LastError.h"

namespace win {

long long DaysFromCivil(int year, unsigned month, unsigned day) {
    const long long y = static_cast<long long>(year) - (month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long long days, int& year, unsigned& month, unsigned& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<unsigned>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

unsigned WeekdayFromDays(long long days) {
    // 1 January 1970 was a Thursday (4).
    return static_cast<unsigned>((days % 7 + 7 + 4) % 7);
}

namespace {

bool IsLeap(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned MonthLength(unsigned year, unsigned month) {
    static constexpr unsigned kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kLengths[month - 1];
}

constexpr long long kDaysFrom1601To1970 = 134774;

}  // namespace

bool SystemTimeToFileTime(const SYSTEMTIME& st, FILETIME& ft) {
    if (st.wYear < 1601 || st.wYear > 30827 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
        st.wDay > MonthLength(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 ||
        st.wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const long long days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) + kDaysFrom1601To1970;
    const long long seconds = days * 86400 + st.wHour * 3600LL + st.wMinute * 60LL + st.wSecond;
    ft = MakeFileTime(static_cast<unsigned long long>(seconds * kFileTimeTicksPerSecond + st.wMilliseconds * 10000LL));
    return true;
}

bool FileTimeToSystemTime(const FILETIME& ft, SYSTEMTIME& st) {
    const unsigned long long value = FileTimeValue(ft);
    if (value > 0x7FFFFFFFFFFFFFFFULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const long long ticks = static_cast<long long>(value);
    const long long seconds = ticks / kFileTimeTicksPerSecond;
    const long long days = seconds / 86400 - kDaysFrom1601To1970;
    const long long secondOfDay = seconds % 86400;
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days, year, month, day);
    st.wYear = static_cast<uint16_t>(year);
    st.wMonth = static_cast<uint16_t>(month);
    st.wDay = static_cast<uint16_t>(day);
    st.wDayOfWeek = static_cast<uint16_t>(WeekdayFromDays(days));
    st.wHour = static_cast<uint16_t>(secondOfDay / 3600);
    st.wMinute = static_cast<uint16_t>(secondOfDay / 60 % 60);
    st.wSecond = static_cast<uint16_t>(secondOfDay % 60);
    st.wMilliseconds = static_cast<uint16_t>(ticks % kFileTimeTicksPerSecond / 10000);
    return true;
}

}  // namespace win
