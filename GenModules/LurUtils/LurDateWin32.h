// Local time and universal time by the machine's time zone rule
// (win::GetTimeZoneInformation), the daylight-saving test and the zone's
// offset, and the conversions between the calendar values, time_t and the
// system time forms (SYSTEMTIME, FILETIME).
#pragma once

#include <cstdint>
#include <ctime>

#include "LurDateTime.h"
#include "SystemTime.h"

namespace lurDate {

// The process's zone biases, filled once on first use.
struct TzCache {
    int16_t bias = 0;          // minutes; universal = local standard time + bias
    int16_t daylightBias = 0;  // added to bias during daylight saving
    uint8_t valid = 0;
};

const TzCache& GetTzCache();
// Fills the cache when it is not valid yet. A failed zone query raises
// LurExceptSys with the last error (throwOnError) or answers false.
bool EnsureTzCache(bool throwOnError);
// For tests: empties the cache, so the next use queries the zone again.
void ResetTzCache();

// The daylight-saving window [start, end) of a year, in local time, or with
// toUtc in universal time. A zone without daylight saving fails (654 passes
// on with throwOnError) and leaves both bounds empty. A window whose start
// lies after its end (southern zones) spans the new year: a moment at or
// after start, or before end, is inside.
bool GetDstWindow(short year, DateTimeValue& start, DateTimeValue& end, bool throwOnError);
bool GetDstWindow(short year, DateTimeValue& start, DateTimeValue& end, const TzCache& cache, bool toUtc,
                  bool throwOnError);

// Never raise; the empty value stays empty.
DateTimeValue LocalToUtc(const DateTimeValue& v);
DateTimeValue UtcToLocal(const DateTimeValue& v);

bool IsInDst(const DateValue& date, const TzCache& cache, bool throwOnError);
bool IsInDst(const DateTimeValue& v, const TzCache& cache, bool local, bool throwOnError);
// The zone's offset in minutes (in *minutes when given), daylight saving
// included when in force; negated with negate; the result is whole hours.
short GetZoneBias(const DateValue& date, const TzCache& cache, short* minutes, bool negate, bool throwOnError);
short GetZoneBias(const DateTimeValue& v, const TzCache& cache, short* minutes, bool negate, bool local,
                  bool throwOnError);

win::SYSTEMTIME ToSystemTime(const DateTimeValue& v);
DateTimeValue FromSystemTime(const win::SYSTEMTIME& st);
// t * 10000000 + 116444736000000000; -1 when that leaves 64 signed bits.
long long TimeTToFileTime(time_t t);
// (fileTime - 116444736000000000) / 10000000, signed, at full width.
time_t FileTimeToTimeT(long long fileTime);
// Failures raise LurExceptSys with the last error (throwOnError) or answer false.
bool TimeTToSystemTime(time_t t, win::SYSTEMTIME& out, bool throwOnError);
bool SystemTimeToTimeT(const win::SYSTEMTIME& st, time_t& out, bool throwOnError);

}  // namespace lurDate
