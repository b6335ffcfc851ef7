// The calendar engine of lurDate: fields, validation, arithmetic,
// differences, parsing, struct tm / time_t and formatting.
#include "LurDateTime.h"

#include <cstdio>
#include <cstring>

#include "CrtTime.h"
#include "LurDateWin32.h"
#include "LurExceptBaseArg.h"
#include "SystemTime.h"

namespace lurDate {

namespace {

constexpr short kMonthLengths[] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

std::string PrintFields(const char* format, int a, int b, int c) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// The checks of ValidateDate on full-width fields, so that a number too
// large for a short is refused rather than wrapped.
bool CheckDate(int year, int month, int day, bool throwOnError) {
    if (year == 0 && month == 0 && day == 0) return true;
    int code = 0;
    if (year < 1 || year > kMaxYear)
        code = 653;
    else if (month < 1 || month > 12)
        code = 654;
    else if (day < 1 || day > DaysInMonth(static_cast<short>(year), static_cast<short>(month)))
        code = 655;
    if (code == 0) return true;
    if (throwOnError) throw LurExceptDateTime(code, StrVector(PrintFields("%d.%d.%d", year, month, day)));
    return false;
}

bool CheckTime(int hour, int minute, int second, bool throwOnError) {
    int code = 0;
    if (hour < 0 || hour > 23)
        code = 656;
    else if (minute < 0 || minute > 59)
        code = 657;
    else if (second < 0 || second > 59)
        code = 658;
    if (code == 0) return true;
    if (throwOnError) throw LurExceptDateTime(code, StrVector(PrintFields("%d:%d:%d", hour, minute, second)));
    return false;
}

void SetLeapFromYear(DateValue& v) { v.leap = IsLeapYear(GetYear(v)) ? 1 : 0; }

// Reads exactly count digits at text + pos (not past length).
bool ReadDigits(const char* text, size_t length, size_t& pos, int count, short& out) {
    if (pos + static_cast<size_t>(count) > length) return false;
    int number = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[pos + static_cast<size_t>(i)];
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    pos += static_cast<size_t>(count);
    out = static_cast<short>(number);
    return true;
}

int Narrow(long long span) { return static_cast<int>(span); }

}  // namespace

// ---- field access ------------------------------------------------------------

short GetYear(const DateValue& v) { return static_cast<short>(v.date / 10000); }
short GetMonth(const DateValue& v) { return static_cast<short>(v.date / 100 % 100); }
short GetDay(const DateValue& v) { return static_cast<short>(v.date % 100); }
short GetHour(const DateTimeValue& v) { return static_cast<short>(v.time / 10000); }
short GetMinute(const DateTimeValue& v) { return static_cast<short>(v.time / 100 % 100); }
short GetSecond(const DateTimeValue& v) { return static_cast<short>(v.time % 100); }
void SetYear(DateValue& v, short year) { v.date += (year - GetYear(v)) * 10000; }
void SetMonth(DateValue& v, short month) { v.date += (month - GetMonth(v)) * 100; }
void SetDay(DateValue& v, short day) { v.date += day - GetDay(v); }
void SetHour(DateTimeValue& v, short hour) { v.time += (hour - GetHour(v)) * 10000; }
void SetMinute(DateTimeValue& v, short minute) { v.time += (minute - GetMinute(v)) * 100; }
void SetSecond(DateTimeValue& v, short second) { v.time += second - GetSecond(v); }

bool IsLeapYear(short year) { return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0); }

short DaysInMonth(short year, short month) {
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kMonthLengths[month];
}

short DaysInMonth(const DateValue& v) { return DaysInMonth(GetYear(v), GetMonth(v)); }
short DaysInYear(short year) { return IsLeapYear(year) ? 366 : 365; }
short ClampDay(const DateValue& v) {
    const short length = DaysInMonth(v);
    return GetDay(v) < length ? GetDay(v) : length;
}

// ---- validation and composition ----------------------------------------------

bool ValidateDate(short year, short month, short day, bool throwOnError) {
    return CheckDate(year, month, day, throwOnError);
}

bool ValidateTime(short hour, short minute, short second, bool throwOnError) {
    return CheckTime(hour, minute, second, throwOnError);
}

bool ValidateNumber(double value, bool throwOnError) {
    if (value == 0 || (value >= 10101.0 && value <= 99991231235959.0)) return true;
    if (throwOnError) throw LurExceptDateTime(650, StrVector(value));
    return false;
}

bool IsValidDate(int32_t yyyymmdd, bool throwOnError) {
    return CheckDate(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100, throwOnError);
}

bool IsValidTime(int32_t hhmmss, bool throwOnError) {
    return CheckTime(hhmmss / 10000, hhmmss / 100 % 100, hhmmss % 100, throwOnError);
}

bool SetDate(DateValue& v, short year, short month, short day, bool validate, bool throwOnError) {
    if (validate && !ValidateDate(year, month, day, throwOnError)) return false;
    v.leap = IsLeapYear(year) ? 1 : 0;
    v.date = year * 10000 + month * 100 + day;
    return true;
}

bool SetTime(DateTimeValue& v, short hour, short minute, short second, bool validate, bool throwOnError) {
    if (validate && !ValidateTime(hour, minute, second, throwOnError)) return false;
    v.time = hour * 10000 + minute * 100 + second;
    return true;
}

bool GetDate(const DateValue& v, short& year, short& month, short& day) {
    year = GetYear(v);
    month = GetMonth(v);
    day = GetDay(v);
    return ValidateDate(year, month, day, false);
}

bool GetTime(const DateTimeValue& v, short& hour, short& minute, short& second) {
    hour = GetHour(v);
    minute = GetMinute(v);
    second = GetSecond(v);
    return ValidateTime(hour, minute, second, false);
}

bool SetDateInt(DateValue& v, int32_t yyyymmdd) {
    if (!IsValidDate(yyyymmdd, false)) return false;
    v.date = yyyymmdd;
    SetLeapFromYear(v);
    return true;
}

// ---- arithmetic ----------------------------------------------------------------

void AddYears(DateValue& v, unsigned n) {
    v.date += static_cast<int32_t>(n) * 10000;
    SetLeapFromYear(v);
}

void AddMonths(DateValue& v, unsigned n) {
    const unsigned month = static_cast<unsigned>(GetMonth(v)) + n;
    if (month <= 12) {
        SetMonth(v, static_cast<short>(month));
        return;
    }
    AddYears(v, (month - 1) / 12);
    SetMonth(v, static_cast<short>((month - 1) % 12 + 1));
}

void AddDays(DateValue& v, unsigned n) {
    long long day = GetDay(v) + static_cast<long long>(n);
    // A month of length 0 (the empty date's month 0) is passed over.
    while (day > DaysInMonth(v)) {
        day -= DaysInMonth(v);
        AddMonths(v, 1u);
    }
    SetDay(v, static_cast<short>(day));
}

void AddHours(DateTimeValue& v, unsigned n) {
    const unsigned hour = static_cast<unsigned>(GetHour(v)) + n;
    if (hour < 24) {
        SetHour(v, static_cast<short>(hour));
        return;
    }
    AddDays(v.date, hour / 24);
    SetHour(v, static_cast<short>(hour % 24));
}

void AddMinutes(DateTimeValue& v, unsigned n) {
    const unsigned long long minute = static_cast<unsigned>(GetMinute(v)) + static_cast<unsigned long long>(n);
    if (minute < 60) {
        SetMinute(v, static_cast<short>(minute));
        return;
    }
    AddHours(v, static_cast<unsigned>(minute / 60));
    SetMinute(v, static_cast<short>(minute % 60));
}

void AddSeconds(DateTimeValue& v, unsigned n) {
    const unsigned long long second = static_cast<unsigned>(GetSecond(v)) + static_cast<unsigned long long>(n);
    if (second < 60) {
        SetSecond(v, static_cast<short>(second));
        return;
    }
    AddMinutes(v, static_cast<unsigned>(second / 60));
    SetSecond(v, static_cast<short>(second % 60));
}

void SubtractYears(DateValue& v, unsigned n) {
    v.date -= static_cast<int32_t>(n) * 10000;
    SetLeapFromYear(v);
}

void SubtractMonths(DateValue& v, unsigned n) {
    if (n > 11) {
        SubtractYears(v, n / 12);
        n %= 12;
    }
    int month = GetMonth(v);
    if (static_cast<int>(n) >= month) {
        SubtractYears(v, 1u);
        month += 12;
    }
    SetMonth(v, static_cast<short>(month - static_cast<int>(n)));
}

void SubtractDays(DateValue& v, unsigned n) {
    const unsigned day = static_cast<unsigned>(GetDay(v));
    if (n < day) {
        SetDay(v, static_cast<short>(day - n));
        return;
    }
    n -= day;
    unsigned length = 0;
    for (;;) {
        SubtractMonths(v, 1u);
        length = static_cast<unsigned>(DaysInMonth(v));
        if (length >= n) break;
        n -= length;
    }
    if (n == length) {
        SubtractMonths(v, 1u);
        SetDay(v, DaysInMonth(v));
    } else {
        SetDay(v, static_cast<short>(length - n));
    }
}

void SubtractHours(DateTimeValue& v, unsigned n) {
    if (n > 23) {
        SubtractDays(v.date, n / 24);
        n %= 24;
    }
    int hour = GetHour(v);
    if (hour < static_cast<int>(n)) {
        SubtractDays(v.date, 1u);
        hour += 24;
    }
    SetHour(v, static_cast<short>(hour - static_cast<int>(n)));
}

void SubtractMinutes(DateTimeValue& v, unsigned n) {
    if (n > 60) {
        SubtractHours(v, n / 60);
        n %= 60;
    }
    int minute = GetMinute(v);
    if (minute < static_cast<int>(n)) {
        SubtractHours(v, 1u);
        minute += 60;
    }
    SetMinute(v, static_cast<short>(minute - static_cast<int>(n)));
}

void SubtractSeconds(DateTimeValue& v, unsigned n) {
    if (n > 60) {
        SubtractMinutes(v, n / 60);
        n %= 60;
    }
    int second = GetSecond(v);
    if (second < static_cast<int>(n)) {
        SubtractMinutes(v, 1u);
        second += 60;
    }
    SetSecond(v, static_cast<short>(second - static_cast<int>(n)));
}

namespace {

unsigned Magnitude(int n) { return static_cast<unsigned>(-static_cast<long long>(n)); }

// The signed form of an operation pair: a negative count runs the opposite.
template <class Value>
void Signed(Value& v, int n, void (*forward)(Value&, unsigned), void (*backward)(Value&, unsigned)) {
    if (n < 0)
        backward(v, Magnitude(n));
    else
        forward(v, static_cast<unsigned>(n));
}

using DateStep = void (*)(DateValue&, unsigned);
using TimeStep = void (*)(DateTimeValue&, unsigned);

}  // namespace

void AddYears(DateValue& v, int n) { Signed<DateValue>(v, n, DateStep(AddYears), DateStep(SubtractYears)); }
void AddMonths(DateValue& v, int n) { Signed<DateValue>(v, n, DateStep(AddMonths), DateStep(SubtractMonths)); }
void AddDays(DateValue& v, int n) { Signed<DateValue>(v, n, DateStep(AddDays), DateStep(SubtractDays)); }
void AddHours(DateTimeValue& v, int n) { Signed<DateTimeValue>(v, n, TimeStep(AddHours), TimeStep(SubtractHours)); }
void AddMinutes(DateTimeValue& v, int n) {
    Signed<DateTimeValue>(v, n, TimeStep(AddMinutes), TimeStep(SubtractMinutes));
}
void AddSeconds(DateTimeValue& v, int n) {
    Signed<DateTimeValue>(v, n, TimeStep(AddSeconds), TimeStep(SubtractSeconds));
}
void SubtractYears(DateValue& v, int n) { Signed<DateValue>(v, n, DateStep(SubtractYears), DateStep(AddYears)); }
void SubtractMonths(DateValue& v, int n) { Signed<DateValue>(v, n, DateStep(SubtractMonths), DateStep(AddMonths)); }
void SubtractDays(DateValue& v, int n) { Signed<DateValue>(v, n, DateStep(SubtractDays), DateStep(AddDays)); }
void SubtractHours(DateTimeValue& v, int n) {
    Signed<DateTimeValue>(v, n, TimeStep(SubtractHours), TimeStep(AddHours));
}
void SubtractMinutes(DateTimeValue& v, int n) {
    Signed<DateTimeValue>(v, n, TimeStep(SubtractMinutes), TimeStep(AddMinutes));
}
void SubtractSeconds(DateTimeValue& v, int n) {
    Signed<DateTimeValue>(v, n, TimeStep(SubtractSeconds), TimeStep(AddSeconds));
}

// ---- differences -----------------------------------------------------------------

int OrderedYearDiff(const DateValue& a, const DateValue& b) { return GetYear(b) - GetYear(a); }

int OrderedMonthDiff(const DateValue& a, const DateValue& b) {
    const int years = OrderedYearDiff(a, b);
    if (years == 0) return GetMonth(b) - GetMonth(a);
    return (12 - GetMonth(a)) + GetMonth(b) + 12 * (years - 1);
}

int OrderedDayDiff(const DateValue& a, const DateValue& b) {
    const short yearA = GetYear(a);
    const short yearB = GetYear(b);
    const int years = yearB - yearA;
    long long days = 0;
    if (years > 0) {
        days = (DaysInMonth(a) - GetDay(a)) + GetDay(b);
        for (short m = static_cast<short>(GetMonth(a) + 1); m <= 12; ++m) days += DaysInMonth(yearA, m);
        for (short m = 1; m < GetMonth(b); ++m) days += DaysInMonth(yearB, m);
        for (int y = yearA + 1; y < yearB; ++y) days += DaysInYear(static_cast<short>(y));
    } else if (OrderedMonthDiff(a, b) > 0) {
        days = (DaysInMonth(a) - GetDay(a)) + GetDay(b);
        for (short m = static_cast<short>(GetMonth(a) + 1); m < GetMonth(b); ++m) days += DaysInMonth(yearA, m);
    } else {
        days = GetDay(b) - GetDay(a);
    }
    return Narrow(days);
}

namespace {

long long HoursBetween(const DateTimeValue& a, const DateTimeValue& b) {
    const long long days = OrderedDayDiff(a.date, b.date);
    return GetHour(b) - GetHour(a) + (days <= 0 ? 0 : 24 * days);
}
long long MinutesBetween(const DateTimeValue& a, const DateTimeValue& b) {
    return GetMinute(b) - GetMinute(a) + 60 * HoursBetween(a, b);
}
long long SecondsBetween(const DateTimeValue& a, const DateTimeValue& b) {
    return GetSecond(b) - GetSecond(a) + 60 * MinutesBetween(a, b);
}

// The signed form of a difference: a later a swaps the operands and negates.
template <class Value>
int SignedDiff(const Value& a, const Value& b, int (*ordered)(const Value&, const Value&)) {
    return a > b ? -ordered(b, a) : ordered(a, b);
}

}  // namespace

int OrderedHourDiff(const DateTimeValue& a, const DateTimeValue& b) { return Narrow(HoursBetween(a, b)); }
int OrderedMinuteDiff(const DateTimeValue& a, const DateTimeValue& b) { return Narrow(MinutesBetween(a, b)); }
int OrderedSecondDiff(const DateTimeValue& a, const DateTimeValue& b) { return Narrow(SecondsBetween(a, b)); }
int YearDiff(const DateValue& a, const DateValue& b) { return SignedDiff(a, b, OrderedYearDiff); }
int MonthDiff(const DateValue& a, const DateValue& b) { return SignedDiff(a, b, OrderedMonthDiff); }
int DayDiff(const DateValue& a, const DateValue& b) { return SignedDiff(a, b, OrderedDayDiff); }
int HourDiff(const DateTimeValue& a, const DateTimeValue& b) { return SignedDiff(a, b, OrderedHourDiff); }
int MinuteDiff(const DateTimeValue& a, const DateTimeValue& b) { return SignedDiff(a, b, OrderedMinuteDiff); }
int SecondDiff(const DateTimeValue& a, const DateTimeValue& b) { return SignedDiff(a, b, OrderedSecondDiff); }

short DayOfYear(const DateValue& v) {
    int day = GetDay(v);
    for (short m = 1; m < GetMonth(v); ++m) day += DaysInMonth(GetYear(v), m);
    return static_cast<short>(day);
}

DateValue DateFromDayOfYear(short year, short dayOfYear) {
    if (dayOfYear < 1 || dayOfYear > DaysInYear(year))
        throw LurExceptDateTime(655, StrVector(PrintFields("%d, %d", year, dayOfYear, 0)));
    short month = 1;
    while (dayOfYear > DaysInMonth(year, month)) dayOfYear = static_cast<short>(dayOfYear - DaysInMonth(year, month++));
    DateValue v;
    SetDate(v, year, month, dayOfYear, false, false);
    return v;
}

// ---- parsing -----------------------------------------------------------------------

bool ParseDateTime(const char* text, const char* format, short& year, short& month, short& day, short& hour,
                   short& minute, short& second, bool throwOnError, const char** end) {
    if (text == nullptr || format == nullptr) {
        if (throwOnError) throw LurExceptDateTime(651, StrVector());
        return false;
    }
    const size_t length = std::strlen(text);
    size_t t = 0;
    const char* f = format;
    for (;;) {
        const char* percent = std::strchr(f, '%');
        if (percent == nullptr) {
            if (end != nullptr) *end = text + t;
            return true;
        }
        // Literal characters are skipped, one text character each, not compared.
        t += static_cast<size_t>(percent - f);
        if (t >= length || percent[1] == '\0') return false;
        short twoDigits = 0;
        switch (percent[1]) {
            case 'Y':
                if (!ReadDigits(text, length, t, 4, year)) return false;
                break;
            case 'y':
                if (!ReadDigits(text, length, t, 2, twoDigits)) return false;
                year = static_cast<short>(twoDigits + (twoDigits <= 35 ? 2000 : 1900));
                break;
            case 'm':
                if (!ReadDigits(text, length, t, 2, month)) return false;
                break;
            case 'd':
                if (!ReadDigits(text, length, t, 2, day)) return false;
                break;
            case 'H':
                if (!ReadDigits(text, length, t, 2, hour)) return false;
                break;
            case 'M':
                if (!ReadDigits(text, length, t, 2, minute)) return false;
                break;
            case 'S':
                if (!ReadDigits(text, length, t, 2, second)) return false;
                break;
            default: ++t; break;
        }
        f = percent + 2;
    }
}

bool ParseDate(const char* text, const char* format, short& year, short& month, short& day, bool throwOnError,
               const char** end) {
    short hour = 0;
    short minute = 0;
    short second = 0;
    return ParseDateTime(text, format, year, month, day, hour, minute, second, throwOnError, end);
}

// ---- broken-down time and time_t -------------------------------------------------

bool FieldsToTm(short year, short month, short day, short hour, short minute, short second, std::tm& out) {
    out = std::tm{};
    if (year < 1900) return false;
    out.tm_year = year - 1900;
    out.tm_mon = month - 1;
    out.tm_mday = day;
    out.tm_hour = hour;
    out.tm_min = minute;
    out.tm_sec = second;
    DateTimeValue v;
    SetDate(v.date, year, month, day, false, false);
    SetTime(v, hour, minute, second, false, false);
    out.tm_yday = DayOfYear(v.date) - 1;
    if (month >= 1 && month <= 12 && day >= 1)
        out.tm_wday = static_cast<int>(
            win::WeekdayFromDays(win::DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day))));
    out.tm_isdst = IsInDst(v, GetTzCache(), false, false) ? 1 : 0;
    return true;
}

bool ValueToTm(const DateValue& v, std::tm& out) {
    short year = 0;
    short month = 0;
    short day = 0;
    if (IsEmpty(v) || !GetDate(v, year, month, day)) {
        out = std::tm{};
        return false;
    }
    return FieldsToTm(year, month, day, 0, 0, 0, out);
}

bool ValueToTm(const DateTimeValue& v, std::tm& out) {
    short year = 0;
    short month = 0;
    short day = 0;
    short hour = 0;
    short minute = 0;
    short second = 0;
    if (IsEmpty(v) || !GetDate(v.date, year, month, day) || !GetTime(v, hour, minute, second)) {
        out = std::tm{};
        return false;
    }
    return FieldsToTm(year, month, day, hour, minute, second, out);
}

time_t TmToTimeT(const std::tm& t) {
    std::tm copy = t;
    copy.tm_isdst = 0;
    const time_t result = timegm(&copy);
    return result < 0 ? -1 : result;
}

DateTimeValue FromTimeT(time_t t) {
    if (t == 0) return DateTimeValue{};
    std::tm fields{};
    if (t < 0 || gmtime_r(&t, &fields) == nullptr || fields.tm_year > kMaxYear - 1900) return kInvalidDateTime;
    DateTimeValue v;
    if (!SetDate(v.date, static_cast<short>(fields.tm_year + 1900), static_cast<short>(fields.tm_mon + 1),
                 static_cast<short>(fields.tm_mday), true, false) ||
        !SetTime(v, static_cast<short>(fields.tm_hour), static_cast<short>(fields.tm_min),
                 static_cast<short>(fields.tm_sec), true, false))
        return kInvalidDateTime;
    return v;
}

time_t ToTimeT(const DateValue& v) {
    if (IsEmpty(v)) return 0;
    std::tm t{};
    return ValueToTm(v, t) ? TmToTimeT(t) : -1;
}

time_t ToTimeT(const DateTimeValue& v) {
    if (IsEmpty(v)) return 0;
    std::tm t{};
    return ValueToTm(v, t) ? TmToTimeT(t) : -1;
}

std::string FormatTm(const std::tm& t, const std::string& format) {
    char buffer[260] = {};
    return win::crt::StrFTime(buffer, 259, format.c_str(), t) == 0 ? std::string() : std::string(buffer);
}

std::string FormatValue(const DateValue& v, const std::string& format) {
    if (IsEmpty(v)) return "";
    std::tm t{};
    ValueToTm(v, t);
    return FormatTm(t, format);
}

std::string FormatValue(const DateTimeValue& v, const std::string& format) {
    if (IsEmpty(v)) return "";
    std::tm t{};
    ValueToTm(v, t);
    return FormatTm(t, format);
}

std::string FormatFields(short year, short month, short day, short hour, short minute, short second,
                         const std::string& format) {
    std::tm t{};
    FieldsToTm(year, month, day, hour, minute, second, t);
    return FormatTm(t, format);
}

std::string FormatDigits(const DateTimeValue& v) {
    if (IsEmpty(v)) return "";
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.4d%.2d%.2d%.2d%.2d%.2d", GetYear(v.date), GetMonth(v.date), GetDay(v.date),
                  GetHour(v), GetMinute(v), GetSecond(v));
    return digits;
}

std::string TranslateTokens(const TokenTable& table, const std::string& text, TokenSide from, TokenSide to) {
    const auto side = [](const std::pair<std::string, std::string>& entry, TokenSide which) -> const std::string& {
        return which == TokenSide::First ? entry.first : entry.second;
    };
    std::string out;
    for (size_t pos = 0; pos < text.size();) {
        bool matched = false;
        for (const auto& entry : table) {
            const std::string& pattern = side(entry, from);
            if (!pattern.empty() && text.compare(pos, pattern.size(), pattern) == 0) {
                out += side(entry, to);
                pos += pattern.size();
                matched = true;
                break;
            }
        }
        if (!matched) out += text[pos++];
    }
    return out;
}

const std::string& DefaultDateFormat() {
    static const std::string format = "%Y.%m.%d.";
    return format;
}

const std::string& DefaultTimeFormat() {
    static const std::string format = "%H:%M:%S";
    return format;
}

const std::string& DefaultDateTimeFormat() {
    static const std::string format = "%Y.%m.%d. %H:%M:%S";
    return format;
}

}  // namespace lurDate
