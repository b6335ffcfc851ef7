// The library's calendar (namespace lurDate): date and date-time values held
// as decimal digits of integers (20240229, 235959) so that they compare as
// integers, the free functions that validate, take apart, build, shift,
// compare, parse and format them, and the classes LurDate and LurDateTime,
// values with load and store hooks that a derived class points at storage
// of its own (a database field).
//
// The calendar is the Gregorian one for every year 1-9999. Values meant as
// universal time are turned into local time and back by the zone functions
// of LurDateWin32.h.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

namespace lurDate {

struct DateValue {
    int32_t date = 0;  // year * 10000 + month * 100 + day; 0 = empty
    uint8_t leap = 0;  // 1 when the year of date is a leap year
};

struct DateTimeValue {
    DateValue date;
    int32_t time = 0;  // hour * 10000 + minute * 100 + second
};

// The marker of a failed conversion: date -1, leap 0, time -1.
constexpr DateTimeValue kInvalidDateTime{{-1, 0}, -1};
constexpr short kMaxYear = 9999;

// ---- field access (no validation) --------------------------------------------

short GetYear(const DateValue& v);
short GetMonth(const DateValue& v);
short GetDay(const DateValue& v);
short GetHour(const DateTimeValue& v);
short GetMinute(const DateTimeValue& v);
short GetSecond(const DateTimeValue& v);
// Replace one field's digits; the leap flag is left alone.
void SetYear(DateValue& v, short year);
void SetMonth(DateValue& v, short month);
void SetDay(DateValue& v, short day);
void SetHour(DateTimeValue& v, short hour);
void SetMinute(DateTimeValue& v, short minute);
void SetSecond(DateTimeValue& v, short second);

bool IsLeapYear(short year);
// 0 for a month outside 1-12.
short DaysInMonth(short year, short month);
short DaysInMonth(const DateValue& v);
short DaysInYear(short year);
inline bool IsEmpty(const DateValue& v) { return v.date == 0; }
inline bool IsEmpty(const DateTimeValue& v) { return v.date.date == 0 && v.time == 0; }
// The smaller of the day and the length of its month.
short ClampDay(const DateValue& v);

// ---- validation and composition ----------------------------------------------

// All zero is the valid empty date. Codes 653 (year), 654 (month), 655 (day)
// with the fields as "%d.%d.%d".
bool ValidateDate(short year, short month, short day, bool throwOnError);
// Codes 656, 657, 658 with "%d:%d:%d".
bool ValidateTime(short hour, short minute, short second, bool throwOnError);
// 0, or 10101 <= value <= 99991231235959; else code 650 with the number.
bool ValidateNumber(double value, bool throwOnError);
bool IsValidDate(int32_t yyyymmdd, bool throwOnError);
bool IsValidTime(int32_t hhmmss, bool throwOnError);
bool SetDate(DateValue& v, short year, short month, short day, bool validate, bool throwOnError);
bool SetTime(DateTimeValue& v, short hour, short minute, short second, bool validate, bool throwOnError);
// The fields, and whether they pass validation (never raises).
bool GetDate(const DateValue& v, short& year, short& month, short& day);
bool GetTime(const DateTimeValue& v, short& hour, short& minute, short& second);
bool SetDateInt(DateValue& v, int32_t yyyymmdd);

// ---- arithmetic ----------------------------------------------------------------
// The unsigned forms take a count of at least 0; the signed forms run the
// opposite operation for a negative count. Nothing is clamped or bounded
// here: AddMonths may leave 31 February, which a later AddDays carries on.

void AddYears(DateValue& v, unsigned n);
void AddMonths(DateValue& v, unsigned n);
void AddDays(DateValue& v, unsigned n);
void AddHours(DateTimeValue& v, unsigned n);
void AddMinutes(DateTimeValue& v, unsigned n);
void AddSeconds(DateTimeValue& v, unsigned n);
void SubtractYears(DateValue& v, unsigned n);
void SubtractMonths(DateValue& v, unsigned n);
void SubtractDays(DateValue& v, unsigned n);
void SubtractHours(DateTimeValue& v, unsigned n);
void SubtractMinutes(DateTimeValue& v, unsigned n);
void SubtractSeconds(DateTimeValue& v, unsigned n);

void AddYears(DateValue& v, int n);
void AddMonths(DateValue& v, int n);
void AddDays(DateValue& v, int n);
void AddHours(DateTimeValue& v, int n);
void AddMinutes(DateTimeValue& v, int n);
void AddSeconds(DateTimeValue& v, int n);
void SubtractYears(DateValue& v, int n);
void SubtractMonths(DateValue& v, int n);
void SubtractDays(DateValue& v, int n);
void SubtractHours(DateTimeValue& v, int n);
void SubtractMinutes(DateTimeValue& v, int n);
void SubtractSeconds(DateTimeValue& v, int n);

// ---- differences from a to b -----------------------------------------------------
// The Ordered forms expect a not later than b; the others swap a later a
// and negate. Spans too long for an int wrap.

int OrderedYearDiff(const DateValue& a, const DateValue& b);
int OrderedMonthDiff(const DateValue& a, const DateValue& b);
int OrderedDayDiff(const DateValue& a, const DateValue& b);
int OrderedHourDiff(const DateTimeValue& a, const DateTimeValue& b);
int OrderedMinuteDiff(const DateTimeValue& a, const DateTimeValue& b);
int OrderedSecondDiff(const DateTimeValue& a, const DateTimeValue& b);
int YearDiff(const DateValue& a, const DateValue& b);
int MonthDiff(const DateValue& a, const DateValue& b);
int DayDiff(const DateValue& a, const DateValue& b);
int HourDiff(const DateTimeValue& a, const DateTimeValue& b);
int MinuteDiff(const DateTimeValue& a, const DateTimeValue& b);
int SecondDiff(const DateTimeValue& a, const DateTimeValue& b);

// 1 January is 1.
short DayOfYear(const DateValue& v);
// 655 ("%d, %d") for a day below 1 or beyond the year.
DateValue DateFromDayOfYear(short year, short dayOfYear);

// ---- parsing -----------------------------------------------------------------------
// Reads the fields the format names (%Y 4 digits, %y 2 digits with the pivot
// 35: 00-35 -> 20xx, 36-99 -> 19xx, %m %d %H %M %S 2 digits); every other
// format character, and any other directive, skips one text character
// without comparing it. Fields the format does not name keep their values.
// False when a field is not all digits or the text ends before a field; a
// null text or format raises 651 (throwOnError) or answers false. *end gets
// the text position after the last field.
bool ParseDateTime(const char* text, const char* format, short& year, short& month, short& day, short& hour,
                   short& minute, short& second, bool throwOnError, const char** end);
bool ParseDate(const char* text, const char* format, short& year, short& month, short& day, bool throwOnError,
               const char** end);

// ---- broken-down time and time_t -------------------------------------------------

// False (and a zeroed out) for a year below 1900. Fills every field of out,
// the weekday and day of the year included; tm_isdst from the zone's
// daylight-saving window taken in universal time (the zone cache is used as
// it is, not filled).
bool FieldsToTm(short year, short month, short day, short hour, short minute, short second, std::tm& out);
bool ValueToTm(const DateValue& v, std::tm& out);
bool ValueToTm(const DateTimeValue& v, std::tm& out);
// The fields read as universal time; -1 for a moment before 1970 or fields
// that do not convert.
time_t TmToTimeT(const std::tm& t);
// 0 gives the empty value; a negative t, or one beyond the year 9999, the
// invalid marker.
DateTimeValue FromTimeT(time_t t);
time_t ToTimeT(const DateValue& v);
time_t ToTimeT(const DateTimeValue& v);

// strftime of the runtime stand-in (win::crt) into 259 characters; empty when
// it fails.
std::string FormatTm(const std::tm& t, const std::string& format);
std::string FormatValue(const DateValue& v, const std::string& format);
std::string FormatValue(const DateTimeValue& v, const std::string& format);
std::string FormatFields(short year, short month, short day, short hour, short minute, short second,
                         const std::string& format);
// The fourteen digits yyyymmddhhmmss of the fields (no broken-down time, so
// every year 1-9999 prints); "" for the empty value.
std::string FormatDigits(const DateTimeValue& v);

// ---- comparisons (the leap flag takes no part) ---------------------------------------
// Inline: the time zone conversions compare every value with its year's
// daylight-saving window.

inline bool operator==(const DateValue& a, const DateValue& b) { return a.date == b.date; }
inline bool operator!=(const DateValue& a, const DateValue& b) { return !(a == b); }
inline bool operator<(const DateValue& a, const DateValue& b) { return a.date < b.date; }
inline bool operator>(const DateValue& a, const DateValue& b) { return a.date > b.date; }
inline bool operator<=(const DateValue& a, const DateValue& b) { return !(a > b); }
inline bool operator>=(const DateValue& a, const DateValue& b) { return !(a < b); }
inline bool operator==(const DateTimeValue& a, const DateTimeValue& b) { return a.date == b.date && a.time == b.time; }
inline bool operator!=(const DateTimeValue& a, const DateTimeValue& b) { return !(a == b); }
inline bool operator<(const DateTimeValue& a, const DateTimeValue& b) {
    return a.date < b.date || (a.date == b.date && a.time < b.time);
}
inline bool operator>(const DateTimeValue& a, const DateTimeValue& b) { return b < a; }
inline bool operator<=(const DateTimeValue& a, const DateTimeValue& b) { return !(a > b); }
inline bool operator>=(const DateTimeValue& a, const DateTimeValue& b) { return !(a < b); }

// Which member of a token pair is the pattern and which the replacement.
enum class TokenSide { First, Second };
using TokenTable = std::vector<std::pair<std::string, std::string>>;
// Scans text from its start; at each position the first pair whose pattern
// matches there appends its replacement and skips the pattern, otherwise the
// character is copied.
std::string TranslateTokens(const TokenTable& table, const std::string& text, TokenSide from, TokenSide to);

// The process-wide default formats.
const std::string& DefaultDateFormat();      // "%Y.%m.%d."
const std::string& DefaultTimeFormat();      // "%H:%M:%S"
const std::string& DefaultDateTimeFormat();  // "%Y.%m.%d. %H:%M:%S"

class LurDateTime;

// A date with load and store hooks. Every operation that reads the value
// calls LoadValue first (a failure gives the operation's failure result);
// every operation that changes it calls StoreValue and answers its result.
// The add and subtract members answer false, keeping the value, when the
// result would leave the years 1-9999.
class LurDate {
public:
    LurDate() = default;
    LurDate(const LurDate& other);
    // The local date of the date-time.
    explicit LurDate(const LurDateTime& dateTime);
    // An invalid number leaves the empty date.
    explicit LurDate(int32_t yyyymmdd);
    // Raises 651 for fields that fail validation.
    LurDate(short year, short month, short day);
    virtual ~LurDate();

    LurDate& operator=(const LurDate& other);
    LurDate& operator=(const LurDateTime& dateTime);
    // Raises 653-655 for an invalid number.
    LurDate& operator=(int32_t yyyymmdd);

    virtual bool IsNull() const;

    bool Set(int32_t yyyymmdd);
    bool Set(short year, short month, short day);
    bool Get(short& year, short& month, short& day) const;
    short GetYear() const;
    short GetMonth() const;
    short GetDay() const;
    int32_t GetDateInt() const;
    explicit operator int32_t() const { return GetDateInt(); }
    bool IsLeap() const;
    short DaysInMonth() const;
    bool IsValid(bool throwOnError) const;
    bool HasValue() const;
    bool Clear();
    // Today's date in universal time; neither loads nor stores.
    void SetToday();
    bool SetTimeT(time_t t, bool throwOnError);
    time_t GetTimeT() const;
    bool GetTm(std::tm* out) const;
    std::string Format() const;
    std::string Format(const std::string& format) const;
    static const std::string& GetDefaultFormat();
    bool Parse(const char* text, const char* format, bool throwOnError, const char** end);

    bool AddYears(int n);
    bool SubtractYears(int n);
    bool AddMonths(int n);
    bool SubtractMonths(int n);
    bool AddDays(int n);
    bool SubtractDays(int n);
    LurDate& operator++();
    LurDate& operator--();
    LurDate& operator++(int);
    LurDate& operator--(int);
    // Adds (subtracts) the span's years, months and days in that order,
    // without clamping.
    LurDate& operator+=(const LurDate& span);
    LurDate& operator-=(const LurDate& span);

    short DayOfYear() const;
    bool SetDayOfYear(short year, short dayOfYear);
    bool IsInDst(bool throwOnError) const;
    short GetZoneBias(short* minutes, bool negate, bool throwOnError) const;

    const DateValue& GetValue() const { return value; }
    // Loads and answers whether it succeeded (for the free operators).
    bool Load() const { return LoadValue(); }

protected:
    // Called after an operation changed value; true here.
    virtual bool StoreValue();
    // Called before an operation reads value; true here.
    virtual bool LoadValue() const;

    mutable DateValue value;  // refreshed by LoadValue of a derived class

private:
    // Runs change on a copy of the loaded value; false when loading fails or
    // the result leaves the years 1-9999, else stores it.
    template <class Change>
    bool ChangeWithinCalendar(Change change);
};

LurDate operator+(const LurDate& a, const LurDate& span);
LurDate operator-(const LurDate& a, const LurDate& span);
bool operator==(const LurDate& a, const LurDate& b);
bool operator!=(const LurDate& a, const LurDate& b);
bool operator<(const LurDate& a, const LurDate& b);
bool operator<=(const LurDate& a, const LurDate& b);
bool operator>(const LurDate& a, const LurDate& b);
bool operator>=(const LurDate& a, const LurDate& b);
// -1 when either fails to load.
int YearDiff(const LurDate& a, const LurDate& b);
int MonthDiff(const LurDate& a, const LurDate& b);
int DayDiff(const LurDate& a, const LurDate& b);

// A point in time, stored as universal time where an operation takes
// convertZone: with it set, values given are local time and are converted
// before they are stored, and values taken are converted to local time.
class LurDateTime {
public:
    LurDateTime() = default;
    LurDateTime(const LurDateTime& other);
    LurDateTime(double yyyymmddhhmmss, bool convertZone);
    LurDateTime(time_t t, bool convertZone);
    LurDateTime(short year, short month, short day, bool convertZone);
    LurDateTime(short year, short month, short day, short hour, short minute, short second, bool convertZone);
    // The local midnight of the date.
    explicit LurDateTime(const LurDate& date);
    virtual ~LurDateTime();

    LurDateTime& operator=(const LurDateTime& other);
    LurDateTime& operator=(const LurDate& date);
    LurDateTime& operator=(double v);  // 0 empties
    LurDateTime& operator=(time_t t);
    LurDateTime& SetNow();
    bool Clear();

    virtual bool IsNull() const;

    bool DoSetDouble(double number, bool notify, bool convertZone, bool throwOnError);
    bool SetDouble(double number, bool notify, bool convertZone, bool throwOnError);
    bool SetTimeT(time_t t, bool convertZone, bool throwOnError);
    bool SetDate(short year, short month, short day, bool convertZone);
    bool SetTime(short hour, short minute, short second, bool convertZone);
    bool SetDate(const LurDate& date, bool convertZone);
    bool Set(short year, short month, short day, short hour, short minute, short second, bool convertZone);
    // Neither loads nor stores.
    bool SetDateInt(int32_t yyyymmdd, bool convertZone, bool keepTime);
    bool Parse(const char* text, const char* format, bool convertZone, bool throwOnError, const char** end);
    bool SetDayOfYear(short year, short dayOfYear);

    double GetDouble(bool convertZone) const;
    double GetDouble() const { return GetDouble(false); }
    time_t GetTimeT(bool convertZone) const;
    time_t GetTimeT() const { return GetTimeT(false); }
    bool GetDate(short& year, short& month, short& day, bool convertZone) const;
    bool GetTime(short& hour, short& minute, short& second, bool convertZone) const;
    bool Get(short& year, short& month, short& day, short& hour, short& minute, short& second, bool convertZone) const;
    LurDate GetDate(bool convertZone) const;
    short GetYear(bool convertZone) const;
    short GetMonth(bool convertZone) const;
    short GetDay(bool convertZone) const;
    short GetHour(bool convertZone) const;
    short GetMinute(bool convertZone) const;
    short GetSecond(bool convertZone) const;
    int32_t GetDateInt(bool convertZone) const;
    short DaysInMonth(bool convertZone) const;
    bool IsLeap(bool convertZone) const;
    bool IsValid(bool throwOnError) const;
    bool HasValue() const;
    bool GetTm(std::tm* out) const;
    std::string Format(const std::string& format, bool convertZone) const;
    std::string FormatDate(bool convertZone) const;
    std::string FormatTime(bool convertZone) const;
    std::string FormatDateTime(bool convertZone) const;
    static const std::string& GetDefaultDateFormat();
    static const std::string& GetDefaultTimeFormat();
    static const std::string& GetDefaultDateTimeFormat();
    short DayOfYear() const;
    bool IsInDst(bool throwOnError) const;
    short GetZoneBias(short* minutes, bool negate, bool throwOnError) const;

    // On the stored value, no zone conversion; false, keeping the value, when
    // loading fails or the result would leave the years 1-9999.
    bool AddYears(int n);
    bool SubtractYears(int n);
    bool AddMonths(int n);
    bool SubtractMonths(int n);
    bool AddDays(int n);
    bool SubtractDays(int n);
    bool AddHours(int n);
    bool SubtractHours(int n);
    bool AddMinutes(int n);
    bool SubtractMinutes(int n);
    bool AddSeconds(int n);
    bool SubtractSeconds(int n);
    LurDateTime& operator+=(const LurDateTime& span);
    LurDateTime& operator-=(const LurDateTime& span);

    const DateTimeValue& GetValue() const { return value; }
    // Loads and answers whether it succeeded (for the free operators).
    bool Load() const { return LoadValue(); }

protected:
    virtual bool StoreValue();
    virtual bool LoadValue() const;

    mutable DateTimeValue value;  // refreshed by LoadValue of a derived class

private:
    // The loaded value in local time (convertZone) or as stored.
    DateTimeValue Viewed(bool convertZone) const;
    template <class Change>
    bool ChangeWithinCalendar(Change change);
    // Adds or subtracts every field of span (sign +1 or -1).
    LurDateTime& AddSpan(const LurDateTime& span, int sign);
};

LurDateTime operator+(const LurDateTime& a, const LurDateTime& span);
LurDateTime operator-(const LurDateTime& a, const LurDateTime& span);
bool operator==(const LurDateTime& a, const LurDateTime& b);
bool operator!=(const LurDateTime& a, const LurDateTime& b);
bool operator<(const LurDateTime& a, const LurDateTime& b);
bool operator<=(const LurDateTime& a, const LurDateTime& b);
bool operator>(const LurDateTime& a, const LurDateTime& b);
bool operator>=(const LurDateTime& a, const LurDateTime& b);
// Between the local times of both; 651 with the date number of an operand
// that fails to load.
int YearDiff(const LurDateTime& a, const LurDateTime& b);
int MonthDiff(const LurDateTime& a, const LurDateTime& b);
int DayDiff(const LurDateTime& a, const LurDateTime& b);
int HourDiff(const LurDateTime& a, const LurDateTime& b);
int MinuteDiff(const LurDateTime& a, const LurDateTime& b);
int SecondDiff(const LurDateTime& a, const LurDateTime& b);

}  // namespace lurDate
