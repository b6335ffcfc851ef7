// The value classes of lurDate: LurDate and LurDateTime, with their load
// and store hooks, on the calendar engine (LurDateTime.cpp) and the zone
// functions (LurDateWin32.cpp).
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "LurDateTime.h"
#include "LurDateWin32.h"
#include "LurExceptBaseArg.h"

namespace lurDate {

namespace {

// The source name and lines the error reports of these classes have always shown.
constexpr ThrowSource Here{"GenModules\\LurUtils\\LurDateTime"};
constexpr int kLineDateFields = 82;
constexpr int kLineDateSetTimeT = 215;
constexpr int kLineDateDayOfYear = 392;
constexpr int kLineDateIsInDst = 409;
constexpr int kLineDateZoneBias = 419;
constexpr int kLineThreeFields = 579;
constexpr int kLineThreeFieldsZone = 586;
constexpr int kLineSixFields = 599;
constexpr int kLineSixFieldsZone = 606;
constexpr int kLineDoSetDouble = 1207;
constexpr int kLineSetTimeT = 1269;
constexpr int kLineDiffFirst[] = {1363, 1374, 1385, 1396, 1407, 1418};  // Year ... Second; b's line is 2 later
constexpr int kLineDayOfYear = 1429;
constexpr int kLineIsInDst = 1446;
constexpr int kLineZoneBias = 1456;

// Counts beyond the whole calendar (years 1-9999) in each unit: refused
// before any work, so no loop runs long and no field overflows.
constexpr long long kCalendarDays = 3652059;
constexpr long long kCalendarYears = kMaxYear;
constexpr long long kCalendarMonths = kMaxYear * 12LL;
constexpr long long kCalendarHours = kCalendarDays * 24;

bool CountFits(int n, long long limit) { return n >= -limit && n <= limit; }

bool WithinCalendar(const DateValue& v) { return GetYear(v) >= 1 && GetYear(v) <= kMaxYear; }

[[noreturn]] void ThrowDateNumber(int line, int32_t dateNumber) {
    throw LurExceptDateTime(651, Here(line), StrVector(dateNumber));
}

}  // namespace

// ============================================================================
// LurDate
// ============================================================================

LurDate::LurDate(const LurDate& other) {
    other.LoadValue();
    value = other.value;
    StoreValue();
}

LurDate::LurDate(const LurDateTime& dateTime) { *this = dateTime.GetDate(true); }

LurDate::LurDate(int32_t yyyymmdd) {
    if (SetDateInt(value, yyyymmdd)) StoreValue();
}

LurDate::LurDate(short year, short month, short day) {
    if (!lurDate::SetDate(value, year, month, day, true, false))
        throw LurExceptDateTime(651, Here(kLineDateFields),
                                StrVector(FormatFields(year, month, day, 0, 0, 0, DefaultDateFormat())));
    StoreValue();
}

LurDate::~LurDate() = default;

LurDate& LurDate::operator=(const LurDate& other) {
    if (this == &other) return *this;
    other.LoadValue();
    value = other.value;
    StoreValue();
    return *this;
}

LurDate& LurDate::operator=(const LurDateTime& dateTime) { return *this = dateTime.GetDate(true); }

LurDate& LurDate::operator=(int32_t yyyymmdd) {
    IsValidDate(yyyymmdd, true);
    SetDateInt(value, yyyymmdd);
    StoreValue();
    return *this;
}

bool LurDate::IsNull() const { return !LoadValue() || value.date == 0; }
bool LurDate::StoreValue() { return true; }
bool LurDate::LoadValue() const { return true; }

bool LurDate::Set(int32_t yyyymmdd) { return SetDateInt(value, yyyymmdd) && StoreValue(); }

bool LurDate::Set(short year, short month, short day) {
    if (!LoadValue() || !lurDate::SetDate(value, year, month, day, true, false)) return false;
    return StoreValue();
}

bool LurDate::Get(short& year, short& month, short& day) const {
    return LoadValue() && lurDate::GetDate(value, year, month, day);
}

short LurDate::GetYear() const { return LoadValue() ? lurDate::GetYear(value) : short(-1); }
short LurDate::GetMonth() const { return LoadValue() ? lurDate::GetMonth(value) : short(-1); }
short LurDate::GetDay() const { return LoadValue() ? lurDate::GetDay(value) : short(-1); }

int32_t LurDate::GetDateInt() const {
    LoadValue();
    return value.date;
}

bool LurDate::IsLeap() const { return LoadValue() && value.leap != 0; }
short LurDate::DaysInMonth() const { return lurDate::DaysInMonth(value); }
bool LurDate::IsValid(bool throwOnError) const { return LoadValue() && IsValidDate(value.date, throwOnError); }
bool LurDate::HasValue() const { return LoadValue() && !IsNull(); }

bool LurDate::Clear() {
    value = DateValue{};
    return StoreValue();
}

void LurDate::SetToday() { value = FromTimeT(std::time(nullptr)).date; }

bool LurDate::SetTimeT(time_t t, bool throwOnError) {
    const DateTimeValue converted = FromTimeT(t);
    if (converted.date.date == -1) {
        if (throwOnError) throw LurExceptBaseArg(18, Here(kLineDateSetTimeT), StrVector() << static_cast<long long>(t));
        return false;
    }
    value = converted.date;
    return StoreValue();
}

time_t LurDate::GetTimeT() const {
    if (!LoadValue()) return -1;
    return IsNull() ? 0 : ToTimeT(value);
}

bool LurDate::GetTm(std::tm* out) const { return out != nullptr && LoadValue() && ValueToTm(value, *out); }

std::string LurDate::Format() const { return LoadValue() ? Format(GetDefaultFormat()) : std::string(); }

std::string LurDate::Format(const std::string& format) const {
    return IsNull() ? std::string() : FormatValue(value, format);
}

const std::string& LurDate::GetDefaultFormat() { return DefaultDateFormat(); }

bool LurDate::Parse(const char* text, const char* format, bool throwOnError, const char** end) {
    short year = 0;
    short month = 0;
    short day = 0;
    if (!LoadValue() || !lurDate::GetDate(value, year, month, day)) return false;
    if (!ParseDate(text, format, year, month, day, throwOnError, end)) return false;
    DateValue parsed;
    if (!lurDate::SetDate(parsed, year, month, day, true, throwOnError)) return false;
    value = parsed;
    return StoreValue();
}

template <class Change>
bool LurDate::ChangeWithinCalendar(Change change) {
    if (!LoadValue()) return false;
    DateValue changed = value;
    if (!change(changed) || !WithinCalendar(changed)) return false;
    value = changed;
    return StoreValue();
}

bool LurDate::AddYears(int n) {
    return ChangeWithinCalendar([n](DateValue& v) {
        if (!CountFits(n, kCalendarYears)) return false;
        lurDate::AddYears(v, n);
        SetDay(v, ClampDay(v));
        return true;
    });
}

bool LurDate::SubtractYears(int n) { return CountFits(n, kCalendarYears) && AddYears(-n); }

bool LurDate::AddMonths(int n) {
    if (n < 0) return CountFits(n, kCalendarMonths) && SubtractMonths(-n);
    return ChangeWithinCalendar([n](DateValue& v) {
        if (lurDate::GetYear(v) + n / 12 > kMaxYear) return false;
        lurDate::AddMonths(v, n);
        SetDay(v, ClampDay(v));
        return true;
    });
}

bool LurDate::SubtractMonths(int n) {
    return ChangeWithinCalendar([n](DateValue& v) {
        if (!CountFits(n, kCalendarMonths) || n / 12 > lurDate::GetYear(v)) return false;
        lurDate::SubtractMonths(v, n);
        SetDay(v, ClampDay(v));
        return true;
    });
}

bool LurDate::AddDays(int n) {
    return ChangeWithinCalendar([n](DateValue& v) {
        if (!CountFits(n, kCalendarDays)) return false;
        lurDate::AddDays(v, n);
        return true;
    });
}

bool LurDate::SubtractDays(int n) { return CountFits(n, kCalendarDays) && AddDays(-n); }

LurDate& LurDate::operator++() {
    AddDays(1);
    return *this;
}

LurDate& LurDate::operator--() {
    SubtractDays(1);
    return *this;
}

LurDate& LurDate::operator++(int) { return ++*this; }
LurDate& LurDate::operator--(int) { return --*this; }

LurDate& LurDate::operator+=(const LurDate& span) {
    if (!LoadValue() || !span.LoadValue()) return *this;
    lurDate::AddYears(value, static_cast<int>(lurDate::GetYear(span.value)));
    lurDate::AddMonths(value, static_cast<int>(lurDate::GetMonth(span.value)));
    lurDate::AddDays(value, static_cast<int>(lurDate::GetDay(span.value)));
    StoreValue();
    return *this;
}

LurDate& LurDate::operator-=(const LurDate& span) {
    if (!LoadValue() || !span.LoadValue()) return *this;
    lurDate::SubtractYears(value, static_cast<int>(lurDate::GetYear(span.value)));
    lurDate::SubtractMonths(value, static_cast<int>(lurDate::GetMonth(span.value)));
    lurDate::SubtractDays(value, static_cast<int>(lurDate::GetDay(span.value)));
    StoreValue();
    return *this;
}

short LurDate::DayOfYear() const {
    if (!LoadValue()) ThrowDateNumber(kLineDateDayOfYear, value.date);
    return lurDate::DayOfYear(value);
}

bool LurDate::SetDayOfYear(short year, short dayOfYear) {
    value = DateFromDayOfYear(year, dayOfYear);
    return StoreValue();
}

bool LurDate::IsInDst(bool throwOnError) const {
    if (!LoadValue()) ThrowDateNumber(kLineDateIsInDst, value.date);
    EnsureTzCache(throwOnError);
    return lurDate::IsInDst(value, GetTzCache(), false);
}

short LurDate::GetZoneBias(short* minutes, bool negate, bool throwOnError) const {
    if (!LoadValue()) ThrowDateNumber(kLineDateZoneBias, value.date);
    EnsureTzCache(throwOnError);
    return lurDate::GetZoneBias(value, GetTzCache(), minutes, negate, throwOnError);
}

LurDate operator+(const LurDate& a, const LurDate& span) {
    LurDate result(a);
    result += span;
    return result;
}

LurDate operator-(const LurDate& a, const LurDate& span) {
    LurDate result(a);
    result -= span;
    return result;
}

bool operator==(const LurDate& a, const LurDate& b) { return a.GetDateInt() == b.GetDateInt(); }
bool operator!=(const LurDate& a, const LurDate& b) { return !(a == b); }
bool operator<(const LurDate& a, const LurDate& b) { return a.GetDateInt() < b.GetDateInt(); }
bool operator>(const LurDate& a, const LurDate& b) { return a.GetDateInt() > b.GetDateInt(); }
bool operator<=(const LurDate& a, const LurDate& b) { return !(a > b); }
bool operator>=(const LurDate& a, const LurDate& b) { return !(a < b); }

namespace {

// Both operands loaded; -1 when either fails.
int DateDiff(const LurDate& a, const LurDate& b, int (*diff)(const DateValue&, const DateValue&)) {
    if (!a.Load() || !b.Load()) return -1;
    return diff(a.GetValue(), b.GetValue());
}

}  // namespace

int YearDiff(const LurDate& a, const LurDate& b) { return DateDiff(a, b, YearDiff); }
int MonthDiff(const LurDate& a, const LurDate& b) { return DateDiff(a, b, MonthDiff); }
int DayDiff(const LurDate& a, const LurDate& b) { return DateDiff(a, b, DayDiff); }

// ============================================================================
// LurDateTime
// ============================================================================

LurDateTime::LurDateTime(const LurDateTime& other) {
    other.LoadValue();
    value = other.value;
    StoreValue();
}

LurDateTime::LurDateTime(double yyyymmddhhmmss, bool convertZone) {
    DoSetDouble(yyyymmddhhmmss, true, convertZone, true);
}

LurDateTime::LurDateTime(time_t t, bool convertZone) { SetTimeT(t, convertZone, true); }

LurDateTime::LurDateTime(short year, short month, short day, bool convertZone) {
    DateTimeValue v;
    if (!lurDate::SetDate(v.date, year, month, day, true, false))
        throw LurExceptDateTime(651, Here(kLineThreeFields),
                                StrVector(FormatFields(year, month, day, 0, 0, 0, DefaultDateFormat())));
    if (convertZone) v = LocalToUtc(v);
    if (v.date.date == -1)
        throw LurExceptDateTime(652, Here(kLineThreeFieldsZone), StrVector(FormatValue(v, DefaultDateTimeFormat())));
    value = v;
}

LurDateTime::LurDateTime(short year, short month, short day, short hour, short minute, short second, bool convertZone) {
    DateTimeValue v;
    const auto fields = [&] {
        return StrVector(FormatFields(year, month, day, hour, minute, second, DefaultDateTimeFormat()));
    };
    if (!lurDate::SetDate(v.date, year, month, day, true, false) ||
        !lurDate::SetTime(v, hour, minute, second, true, false))
        throw LurExceptDateTime(651, Here(kLineSixFields), fields());
    if (convertZone) v = LocalToUtc(v);
    if (v.date.date == -1) throw LurExceptDateTime(652, Here(kLineSixFieldsZone), fields());
    value = v;
}

LurDateTime::LurDateTime(const LurDate& date) { *this = date; }

LurDateTime::~LurDateTime() = default;

LurDateTime& LurDateTime::operator=(const LurDateTime& other) {
    if (this == &other) return *this;
    other.LoadValue();
    value = other.value;
    StoreValue();
    return *this;
}

LurDateTime& LurDateTime::operator=(const LurDate& date) {
    Clear();
    SetDate(date, true);
    return *this;
}

LurDateTime& LurDateTime::operator=(double v) {
    if (v != 0)
        DoSetDouble(v, true, false, true);
    else
        Clear();
    return *this;
}

LurDateTime& LurDateTime::operator=(time_t t) {
    SetTimeT(t, false, true);
    return *this;
}

LurDateTime& LurDateTime::SetNow() { return *this = std::time(nullptr); }

bool LurDateTime::Clear() {
    value = DateTimeValue{};
    return StoreValue();
}

bool LurDateTime::IsNull() const { return !LoadValue() || (value.date.date == 0 && value.time == 0); }
bool LurDateTime::StoreValue() { return true; }
bool LurDateTime::LoadValue() const { return true; }

DateTimeValue LurDateTime::Viewed(bool convertZone) const { return convertZone ? UtcToLocal(value) : value; }

bool LurDateTime::DoSetDouble(double number, bool notify, bool convertZone, bool throwOnError) {
    if (number == 0) return Clear();
    const auto fail = [&] {
        if (throwOnError) throw LurExceptDateTime(18, Here(kLineDoSetDouble), StrVector(number));
        return false;
    };
    if (!ValidateNumber(number, false)) return fail();
    char format[16];
    std::snprintf(format, sizeof format, "%%0%d.0f", 14);
    char digits[64];
    if (std::snprintf(digits, sizeof digits, format, number) != 14) return fail();
    const int32_t time = static_cast<int32_t>(std::atol(digits + 8));
    digits[8] = '\0';
    const int32_t date = static_cast<int32_t>(std::atol(digits));
    if (!IsValidDate(date, false) || !IsValidTime(time, false)) return fail();
    DateTimeValue v;
    v.date.date = date;
    v.date.leap = IsLeapYear(lurDate::GetYear(v.date)) ? 1 : 0;
    v.time = time;
    value = convertZone ? LocalToUtc(v) : v;
    return notify ? StoreValue() : true;
}

bool LurDateTime::SetDouble(double number, bool notify, bool convertZone, bool throwOnError) {
    return DoSetDouble(number, notify, convertZone, throwOnError);
}

bool LurDateTime::SetTimeT(time_t t, bool convertZone, bool throwOnError) {
    DateTimeValue v = FromTimeT(t);
    if (convertZone && v.date.date != -1) v = LocalToUtc(v);
    if (v.date.date == -1) {
        if (throwOnError) throw LurExceptBaseArg(18, Here(kLineSetTimeT), StrVector() << static_cast<long long>(t));
        return false;
    }
    value = v;
    return StoreValue();
}

bool LurDateTime::SetDate(short year, short month, short day, bool convertZone) {
    if (!LoadValue()) return false;
    DateTimeValue v = Viewed(convertZone);
    if (!lurDate::SetDate(v.date, year, month, day, true, false)) return false;
    if (convertZone) v = LocalToUtc(v);
    if (v.date.date == -1) return false;
    value = v;
    return StoreValue();
}

bool LurDateTime::SetTime(short hour, short minute, short second, bool convertZone) {
    if (!LoadValue()) return false;
    DateTimeValue v = Viewed(convertZone);
    if (!lurDate::SetTime(v, hour, minute, second, true, false)) return false;
    if (convertZone) v = LocalToUtc(v);
    if (v.date.date == -1) return false;
    value = v;
    return StoreValue();
}

bool LurDateTime::SetDate(const LurDate& date, bool convertZone) {
    short year = 0;
    short month = 0;
    short day = 0;
    return date.Get(year, month, day) && SetDate(year, month, day, convertZone);
}

bool LurDateTime::Set(short year, short month, short day, short hour, short minute, short second, bool convertZone) {
    if (!LoadValue()) return false;
    DateTimeValue v;
    if (!lurDate::SetDate(v.date, year, month, day, true, false) ||
        !lurDate::SetTime(v, hour, minute, second, true, false))
        return false;
    if (convertZone) v = LocalToUtc(v);
    if (v.date.date == -1) return false;
    value = v;
    return StoreValue();
}

bool LurDateTime::SetDateInt(int32_t yyyymmdd, bool convertZone, bool keepTime) {
    if (!IsValidDate(yyyymmdd, false)) return false;
    DateTimeValue v = Viewed(convertZone);
    v.date.date = yyyymmdd;
    if (!keepTime) v.time = 0;
    if (convertZone) v = LocalToUtc(v);
    v.date.leap = IsLeapYear(lurDate::GetYear(v.date)) ? 1 : 0;
    value = v;
    return true;
}

bool LurDateTime::Parse(const char* text, const char* format, bool convertZone, bool throwOnError, const char** end) {
    if (!LoadValue()) return false;
    DateTimeValue v = Viewed(convertZone);
    short year = 0;
    short month = 0;
    short day = 0;
    short hour = 0;
    short minute = 0;
    short second = 0;
    if (!lurDate::GetDate(v.date, year, month, day) || !lurDate::GetTime(v, hour, minute, second)) return false;
    if (!ParseDateTime(text, format, year, month, day, hour, minute, second, throwOnError, end)) return false;
    if (!lurDate::SetDate(v.date, year, month, day, true, throwOnError) ||
        !lurDate::SetTime(v, hour, minute, second, true, throwOnError))
        return false;
    value = convertZone ? LocalToUtc(v) : v;
    return StoreValue();
}

bool LurDateTime::SetDayOfYear(short year, short dayOfYear) {
    value.date = DateFromDayOfYear(year, dayOfYear);
    return StoreValue();
}

double LurDateTime::GetDouble(bool convertZone) const {
    if (!LoadValue()) return -1;
    const DateTimeValue v = Viewed(convertZone);
    return IsEmpty(v) ? 0 : std::strtod(FormatDigits(v).c_str(), nullptr);
}

time_t LurDateTime::GetTimeT(bool convertZone) const {
    if (!LoadValue()) return -1;
    return IsNull() ? 0 : ToTimeT(Viewed(convertZone));
}

bool LurDateTime::GetDate(short& year, short& month, short& day, bool convertZone) const {
    return LoadValue() && lurDate::GetDate(Viewed(convertZone).date, year, month, day);
}

bool LurDateTime::GetTime(short& hour, short& minute, short& second, bool convertZone) const {
    return LoadValue() && lurDate::GetTime(Viewed(convertZone), hour, minute, second);
}

bool LurDateTime::Get(short& year, short& month, short& day, short& hour, short& minute, short& second,
                      bool convertZone) const {
    if (!LoadValue()) return false;
    const DateTimeValue v = Viewed(convertZone);
    const bool dateValid = lurDate::GetDate(v.date, year, month, day);
    return lurDate::GetTime(v, hour, minute, second) && dateValid;
}

LurDate LurDateTime::GetDate(bool convertZone) const {
    if (!LoadValue()) return LurDate();
    const DateTimeValue v = Viewed(convertZone);
    return LurDate(lurDate::GetYear(v.date), lurDate::GetMonth(v.date), lurDate::GetDay(v.date));
}

short LurDateTime::GetYear(bool convertZone) const {
    return LoadValue() ? lurDate::GetYear(Viewed(convertZone).date) : short(-1);
}
short LurDateTime::GetMonth(bool convertZone) const {
    return LoadValue() ? lurDate::GetMonth(Viewed(convertZone).date) : short(-1);
}
short LurDateTime::GetDay(bool convertZone) const {
    return LoadValue() ? lurDate::GetDay(Viewed(convertZone).date) : short(-1);
}
short LurDateTime::GetHour(bool convertZone) const {
    return LoadValue() ? lurDate::GetHour(Viewed(convertZone)) : short(-1);
}
short LurDateTime::GetMinute(bool convertZone) const {
    return LoadValue() ? lurDate::GetMinute(Viewed(convertZone)) : short(-1);
}
short LurDateTime::GetSecond(bool convertZone) const {
    return LoadValue() ? lurDate::GetSecond(Viewed(convertZone)) : short(-1);
}

int32_t LurDateTime::GetDateInt(bool convertZone) const {
    LoadValue();
    return Viewed(convertZone).date.date;
}

short LurDateTime::DaysInMonth(bool convertZone) const {
    return LoadValue() ? lurDate::DaysInMonth(Viewed(convertZone).date) : short(-1);
}

bool LurDateTime::IsLeap(bool convertZone) const {
    if (!LoadValue()) return false;
    const int monthDay = value.date.date % 10000;
    // Only on these two days can the local year differ from the stored one.
    if (convertZone && (monthDay == 101 || monthDay == 1231)) return UtcToLocal(value).date.leap != 0;
    return value.date.leap != 0;
}

bool LurDateTime::IsValid(bool throwOnError) const {
    return LoadValue() && IsValidDate(value.date.date, throwOnError) && IsValidTime(value.time, throwOnError);
}

bool LurDateTime::HasValue() const { return LoadValue() && !IsNull(); }

bool LurDateTime::GetTm(std::tm* out) const { return out != nullptr && LoadValue() && ValueToTm(value, *out); }

std::string LurDateTime::Format(const std::string& format, bool convertZone) const {
    return IsNull() ? std::string() : FormatValue(Viewed(convertZone), format);
}

std::string LurDateTime::FormatDate(bool convertZone) const { return Format(DefaultDateFormat(), convertZone); }
std::string LurDateTime::FormatTime(bool convertZone) const { return Format(DefaultTimeFormat(), convertZone); }
std::string LurDateTime::FormatDateTime(bool convertZone) const { return Format(DefaultDateTimeFormat(), convertZone); }
const std::string& LurDateTime::GetDefaultDateFormat() { return DefaultDateFormat(); }
const std::string& LurDateTime::GetDefaultTimeFormat() { return DefaultTimeFormat(); }
const std::string& LurDateTime::GetDefaultDateTimeFormat() { return DefaultDateTimeFormat(); }

short LurDateTime::DayOfYear() const {
    if (!LoadValue()) ThrowDateNumber(kLineDayOfYear, value.date.date);
    return lurDate::DayOfYear(value.date);
}

bool LurDateTime::IsInDst(bool throwOnError) const {
    if (!LoadValue()) ThrowDateNumber(kLineIsInDst, value.date.date);
    EnsureTzCache(throwOnError);
    return lurDate::IsInDst(value, GetTzCache(), false, throwOnError);
}

short LurDateTime::GetZoneBias(short* minutes, bool negate, bool throwOnError) const {
    if (!LoadValue()) ThrowDateNumber(kLineZoneBias, value.date.date);
    EnsureTzCache(throwOnError);
    return lurDate::GetZoneBias(value, GetTzCache(), minutes, negate, false, throwOnError);
}

template <class Change>
bool LurDateTime::ChangeWithinCalendar(Change change) {
    if (!LoadValue()) return false;
    DateTimeValue changed = value;
    if (!change(changed) || !WithinCalendar(changed.date)) return false;
    value = changed;
    return StoreValue();
}

namespace {

// A change of a date-time by a signed count within a limit, optionally
// clamping the day afterwards.
template <class Step>
auto Counted(int n, long long limit, Step step, bool clamp = false) {
    return [=](DateTimeValue& v) {
        if (!CountFits(n, limit)) return false;
        step(v, n);
        if (clamp) SetDay(v.date, ClampDay(v.date));
        return true;
    };
}

}  // namespace

bool LurDateTime::AddYears(int n) {
    return ChangeWithinCalendar(Counted(
        n, kCalendarYears, [](DateTimeValue& v, int k) { lurDate::AddYears(v.date, k); }, true));
}
bool LurDateTime::SubtractYears(int n) {
    return ChangeWithinCalendar(Counted(
        n, kCalendarYears, [](DateTimeValue& v, int k) { lurDate::SubtractYears(v.date, k); }, true));
}
bool LurDateTime::AddMonths(int n) {
    if (n < 0) return CountFits(n, kCalendarMonths) && SubtractMonths(-n);
    return ChangeWithinCalendar([n](DateTimeValue& v) {
        if (lurDate::GetYear(v.date) + n / 12 > kMaxYear) return false;
        lurDate::AddMonths(v.date, n);
        SetDay(v.date, ClampDay(v.date));
        return true;
    });
}
bool LurDateTime::SubtractMonths(int n) {
    return ChangeWithinCalendar([n](DateTimeValue& v) {
        if (!CountFits(n, kCalendarMonths) || n / 12 > lurDate::GetYear(v.date)) return false;
        lurDate::SubtractMonths(v.date, n);
        SetDay(v.date, ClampDay(v.date));
        return true;
    });
}
bool LurDateTime::AddDays(int n) {
    return ChangeWithinCalendar(
        Counted(n, kCalendarDays, [](DateTimeValue& v, int k) { lurDate::AddDays(v.date, k); }));
}
bool LurDateTime::SubtractDays(int n) {
    return ChangeWithinCalendar(
        Counted(n, kCalendarDays, [](DateTimeValue& v, int k) { lurDate::SubtractDays(v.date, k); }));
}
bool LurDateTime::AddHours(int n) {
    return ChangeWithinCalendar(Counted(n, kCalendarHours, [](DateTimeValue& v, int k) { lurDate::AddHours(v, k); }));
}
bool LurDateTime::SubtractHours(int n) {
    return ChangeWithinCalendar(
        Counted(n, kCalendarHours, [](DateTimeValue& v, int k) { lurDate::SubtractHours(v, k); }));
}
bool LurDateTime::AddMinutes(int n) {
    return ChangeWithinCalendar(Counted(n, INT_MAX, [](DateTimeValue& v, int k) { lurDate::AddMinutes(v, k); }));
}
bool LurDateTime::SubtractMinutes(int n) {
    return ChangeWithinCalendar(Counted(n, INT_MAX, [](DateTimeValue& v, int k) { lurDate::SubtractMinutes(v, k); }));
}
bool LurDateTime::AddSeconds(int n) {
    return ChangeWithinCalendar(Counted(n, INT_MAX, [](DateTimeValue& v, int k) { lurDate::AddSeconds(v, k); }));
}
bool LurDateTime::SubtractSeconds(int n) {
    return ChangeWithinCalendar(Counted(n, INT_MAX, [](DateTimeValue& v, int k) { lurDate::SubtractSeconds(v, k); }));
}

LurDateTime& LurDateTime::AddSpan(const LurDateTime& span, int sign) {
    if (!LoadValue() || !span.LoadValue()) return *this;
    const DateTimeValue& s = span.value;
    lurDate::AddYears(value.date, sign * lurDate::GetYear(s.date));
    lurDate::AddMonths(value.date, sign * lurDate::GetMonth(s.date));
    lurDate::AddDays(value.date, sign * lurDate::GetDay(s.date));
    lurDate::AddHours(value, sign * lurDate::GetHour(s));
    lurDate::AddMinutes(value, sign * lurDate::GetMinute(s));
    lurDate::AddSeconds(value, sign * lurDate::GetSecond(s));
    StoreValue();
    return *this;
}

LurDateTime& LurDateTime::operator+=(const LurDateTime& span) { return AddSpan(span, 1); }
LurDateTime& LurDateTime::operator-=(const LurDateTime& span) { return AddSpan(span, -1); }

LurDateTime operator+(const LurDateTime& a, const LurDateTime& span) {
    LurDateTime result(a);
    result += span;
    return result;
}

LurDateTime operator-(const LurDateTime& a, const LurDateTime& span) {
    LurDateTime result(a);
    result -= span;
    return result;
}

namespace {

const DateTimeValue& Loaded(const LurDateTime& v) {
    v.Load();
    return v.GetValue();
}

// The difference between the local times of both; an operand that fails to
// load raises 651 at its line (a's line, b's two later).
int LocalDiff(const LurDateTime& a, const LurDateTime& b, int which,
              int (*diff)(const DateTimeValue&, const DateTimeValue&)) {
    if (!a.Load()) ThrowDateNumber(kLineDiffFirst[which], a.GetValue().date.date);
    if (!b.Load()) ThrowDateNumber(kLineDiffFirst[which] + 2, b.GetValue().date.date);
    return diff(UtcToLocal(a.GetValue()), UtcToLocal(b.GetValue()));
}

int DateYearDiff(const DateTimeValue& a, const DateTimeValue& b) { return YearDiff(a.date, b.date); }
int DateMonthDiff(const DateTimeValue& a, const DateTimeValue& b) { return MonthDiff(a.date, b.date); }
int DateDayDiff(const DateTimeValue& a, const DateTimeValue& b) { return DayDiff(a.date, b.date); }

}  // namespace

bool operator==(const LurDateTime& a, const LurDateTime& b) { return Loaded(a) == Loaded(b); }
bool operator!=(const LurDateTime& a, const LurDateTime& b) { return !(a == b); }
bool operator<(const LurDateTime& a, const LurDateTime& b) { return Loaded(a) < Loaded(b); }
bool operator>(const LurDateTime& a, const LurDateTime& b) { return Loaded(a) > Loaded(b); }
bool operator<=(const LurDateTime& a, const LurDateTime& b) { return !(a > b); }
bool operator>=(const LurDateTime& a, const LurDateTime& b) { return !(a < b); }

int YearDiff(const LurDateTime& a, const LurDateTime& b) { return LocalDiff(a, b, 0, DateYearDiff); }
int MonthDiff(const LurDateTime& a, const LurDateTime& b) { return LocalDiff(a, b, 1, DateMonthDiff); }
int DayDiff(const LurDateTime& a, const LurDateTime& b) { return LocalDiff(a, b, 2, DateDayDiff); }
int HourDiff(const LurDateTime& a, const LurDateTime& b) { return LocalDiff(a, b, 3, HourDiff); }
int MinuteDiff(const LurDateTime& a, const LurDateTime& b) { return LocalDiff(a, b, 4, MinuteDiff); }
int SecondDiff(const LurDateTime& a, const LurDateTime& b) { return LocalDiff(a, b, 5, SecondDiff); }

}  // namespace lurDate
