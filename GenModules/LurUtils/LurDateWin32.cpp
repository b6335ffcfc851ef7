// Time zones: the zone cache, daylight-saving windows, local <-> universal
// time, and the system time conversions.
#include "LurDateWin32.h"

#include <array>
#include <climits>

#include "LastError.h"
#include "LurExceptBaseArg.h"
#include "TimeZone.h"

namespace lurDate {

namespace {

// The lines the error reports of this file have always shown.
constexpr ThrowSource Here{"GenModules\\LurUtils\\LurDateWin32"};
constexpr int kLineCacheQuery = 92;
constexpr int kLineWindowQuery = 117;
constexpr int kLineTimeTToSystemTime = 143;
constexpr int kLineSystemTimeToTimeT = 167;

TzCache& Cache() {
    static TzCache cache;
    return cache;
}

[[noreturn]] void ThrowLastError(int line) {
    throw LurExceptSys(static_cast<int>(win::GetLastError()), Here(line), StrVector());
}

// The moment of a zone rule's change in a year, in local time: the wDay-th
// weekday wDayOfWeek of wMonth (the last one for 5) at wHour:00:00. A month
// of 0 (no daylight saving) raises 654.
DateTimeValue Transition(short year, const win::SYSTEMTIME& rule) {
    DateTimeValue v;
    SetDate(v.date, year, static_cast<short>(rule.wMonth), 1, true, true);
    SetTime(v, static_cast<short>(rule.wHour), 0, 0, true, true);
    const unsigned firstWeekday = win::WeekdayFromDays(win::DaysFromCivil(year, rule.wMonth, 1));
    const int occurrence = rule.wDay < 1 ? 1 : rule.wDay;
    int day = 1 + static_cast<int>((rule.wDayOfWeek % 7 + 7 - firstWeekday) % 7) + 7 * (occurrence - 1);
    while (day > DaysInMonth(v.date)) day -= 7;
    SetDay(v.date, static_cast<short>(day));
    return v;
}

// The daylight-saving windows worked out so far, one slot per year (the
// year modulo the slot count), each in local and in universal time. A window
// depends on nothing but its year, the zone's two change rules and, in
// universal time, the two biases it is shifted by; every conversion needs
// the one of its value's year. Rules or biases other than the kept ones
// empty the slots. A year whose rules give no window (no daylight saving)
// is kept as such, so only a caller that wants the exception works it out
// again.
class WindowCache {
public:
    // The window of the year, in universal time with toUtc; false (or the
    // exception, with throwOnError) when the rules give none.
    bool Find(short year, const win::TIME_ZONE_INFORMATION& zone, const TzCache& biases, bool toUtc,
              DateTimeValue& start, DateTimeValue& end, bool throwOnError) {
        if (!SameRule(m_daylightRule, zone.DaylightDate) || !SameRule(m_standardRule, zone.StandardDate) ||
            m_bias != biases.bias || m_daylightBias != biases.daylightBias) {
            *this = WindowCache{};
            m_daylightRule = zone.DaylightDate;
            m_standardRule = zone.StandardDate;
            m_bias = biases.bias;
            m_daylightBias = biases.daylightBias;
        }
        Slot& slot = m_slots[static_cast<unsigned short>(year) % m_slots.size()];
        if (!slot.filled || slot.year != year || (!slot.found && throwOnError)) Fill(slot, year, zone);
        if (!slot.found) return false;
        start = toUtc ? slot.utcStart : slot.start;
        end = toUtc ? slot.utcEnd : slot.end;
        return true;
    }

private:
    struct Slot {
        bool filled = false;
        bool found = false;  // false: the rules give no window in this year
        short year = 0;
        DateTimeValue start;  // local time
        DateTimeValue end;
        DateTimeValue utcStart;  // universal time
        DateTimeValue utcEnd;
    };

    // The fields a transition is worked out from.
    static bool SameRule(const win::SYSTEMTIME& a, const win::SYSTEMTIME& b) {
        return a.wMonth == b.wMonth && a.wDay == b.wDay && a.wDayOfWeek == b.wDayOfWeek && a.wHour == b.wHour;
    }

    // A failed transition passes its exception on and leaves the slot
    // holding the year without a window.
    void Fill(Slot& slot, short year, const win::TIME_ZONE_INFORMATION& zone) const {
        slot = Slot{true, false, year, {}, {}, {}, {}};
        slot.start = Transition(year, zone.DaylightDate);
        slot.end = Transition(year, zone.StandardDate);
        // Start is a local standard time, end a local daylight time.
        slot.utcStart = slot.start;
        AddMinutes(slot.utcStart, static_cast<int>(m_bias));
        slot.utcEnd = slot.end;
        AddMinutes(slot.utcEnd, static_cast<int>(m_bias));
        AddMinutes(slot.utcEnd, static_cast<int>(m_daylightBias));
        slot.found = true;
    }

    win::SYSTEMTIME m_daylightRule;
    win::SYSTEMTIME m_standardRule;
    int16_t m_bias = 0;
    int16_t m_daylightBias = 0;
    std::array<Slot, 64> m_slots;
};

WindowCache& Windows() {
    static WindowCache windows;
    return windows;
}

bool InWindow(const DateTimeValue& v, const DateTimeValue& start, const DateTimeValue& end) {
    if (IsEmpty(start) && IsEmpty(end)) return false;
    if (start <= end) return start <= v && v < end;
    return v >= start || v < end;  // the window spans the new year
}

short Hours(int minutes) { return static_cast<short>(minutes / 60); }

}  // namespace

const TzCache& GetTzCache() { return Cache(); }

void ResetTzCache() { Cache() = TzCache{}; }

bool EnsureTzCache(bool throwOnError) {
    TzCache& cache = Cache();
    if (cache.valid) return true;
    win::TIME_ZONE_INFORMATION zone;
    if (win::GetTimeZoneInformation(zone) == win::TIME_ZONE_ID_INVALID) {
        if (throwOnError) ThrowLastError(kLineCacheQuery);
        return false;
    }
    cache.bias = static_cast<int16_t>(zone.Bias + (zone.StandardDate.wMonth != 0 ? zone.StandardBias : 0));
    cache.daylightBias = static_cast<int16_t>(zone.DaylightBias);
    cache.valid = 1;
    return true;
}

bool GetDstWindow(short year, DateTimeValue& start, DateTimeValue& end, bool throwOnError) {
    return GetDstWindow(year, start, end, Cache(), false, throwOnError);
}

bool GetDstWindow(short year, DateTimeValue& start, DateTimeValue& end, const TzCache& cache, bool toUtc,
                  bool throwOnError) {
    start = DateTimeValue{};
    end = DateTimeValue{};
    win::TIME_ZONE_INFORMATION zone;
    if (win::GetTimeZoneInformation(zone) == win::TIME_ZONE_ID_INVALID) {
        if (throwOnError) ThrowLastError(kLineWindowQuery);
        return false;
    }
    try {
        return Windows().Find(year, zone, cache, toUtc, start, end, throwOnError);
    } catch (const LurExceptBase&) {
        if (throwOnError) throw;
        return false;
    }
}

namespace {

// v moved by the zone's offset, daylight saving included when v lies in the
// window of its own year: forward (local to universal, window in local
// time) or back (universal to local, window in universal time).
DateTimeValue ShiftByZone(const DateTimeValue& v, bool toUtc) {
    if (IsEmpty(v)) return v;
    EnsureTzCache(false);
    const TzCache& cache = Cache();
    DateTimeValue start;
    DateTimeValue end;
    GetDstWindow(GetYear(v.date), start, end, cache, !toUtc, false);
    const int minutes = cache.bias + (InWindow(v, start, end) ? cache.daylightBias : 0);
    DateTimeValue result = v;
    if (toUtc)
        AddMinutes(result, minutes);
    else
        SubtractMinutes(result, minutes);
    return result;
}

}  // namespace

DateTimeValue LocalToUtc(const DateTimeValue& v) { return ShiftByZone(v, true); }

DateTimeValue UtcToLocal(const DateTimeValue& v) { return ShiftByZone(v, false); }

bool IsInDst(const DateValue& date, const TzCache& cache, bool throwOnError) {
    if (IsEmpty(date)) return false;
    DateTimeValue start;
    DateTimeValue end;
    if (!GetDstWindow(GetYear(date), start, end, cache, false, throwOnError)) return false;
    DateTimeValue day;
    day.date = date;
    start.time = 0;
    end.time = 0;
    return InWindow(day, start, end);
}

bool IsInDst(const DateTimeValue& v, const TzCache& cache, bool local, bool throwOnError) {
    if (IsEmpty(v)) return false;
    DateTimeValue start;
    DateTimeValue end;
    if (!GetDstWindow(GetYear(v.date), start, end, cache, !local, throwOnError)) return false;
    return InWindow(v, start, end);
}

short GetZoneBias(const DateValue& date, const TzCache& cache, short* minutes, bool negate, bool throwOnError) {
    int total = 0;
    if (!IsEmpty(date)) {
        total = cache.bias + (IsInDst(date, cache, throwOnError) ? cache.daylightBias : 0);
        if (negate) total = -total;
    }
    if (minutes != nullptr) *minutes = static_cast<short>(total);
    return Hours(total);
}

short GetZoneBias(const DateTimeValue& v, const TzCache& cache, short* minutes, bool negate, bool local,
                  bool throwOnError) {
    int total = 0;
    if (!IsEmpty(v)) {
        total = cache.bias + (IsInDst(v, cache, local, throwOnError) ? cache.daylightBias : 0);
        if (negate) total = -total;
    }
    if (minutes != nullptr) *minutes = static_cast<short>(total);
    return Hours(total);
}

win::SYSTEMTIME ToSystemTime(const DateTimeValue& v) {
    win::SYSTEMTIME st;
    st.wYear = static_cast<uint16_t>(GetYear(v.date));
    st.wMonth = static_cast<uint16_t>(GetMonth(v.date));
    st.wDay = static_cast<uint16_t>(GetDay(v.date));
    st.wHour = static_cast<uint16_t>(GetHour(v));
    st.wMinute = static_cast<uint16_t>(GetMinute(v));
    st.wSecond = static_cast<uint16_t>(GetSecond(v));
    return st;
}

DateTimeValue FromSystemTime(const win::SYSTEMTIME& st) {
    DateTimeValue v;
    SetDate(v.date, static_cast<short>(st.wYear), static_cast<short>(st.wMonth), static_cast<short>(st.wDay), false,
            false);
    SetTime(v, static_cast<short>(st.wHour), static_cast<short>(st.wMinute), static_cast<short>(st.wSecond), false,
            false);
    return v;
}

long long TimeTToFileTime(time_t t) {
    long long ticks = 0;
    long long fileTime = 0;
    if (__builtin_mul_overflow(static_cast<long long>(t), win::kFileTimeTicksPerSecond, &ticks) ||
        __builtin_add_overflow(ticks, win::kFileTimeUnixEpoch, &fileTime))
        return -1;
    return fileTime;
}

time_t FileTimeToTimeT(long long fileTime) {
    // The epoch is a whole number of seconds, so dividing first and then
    // shifting gives the same result without overflowing near the limits.
    const long long seconds = fileTime / win::kFileTimeTicksPerSecond;
    const long long remainder = fileTime % win::kFileTimeTicksPerSecond;
    long long result = seconds - win::kFileTimeUnixEpoch / win::kFileTimeTicksPerSecond;
    // Truncation toward zero of the whole difference: a negative difference
    // with a positive remainder rounds up by one.
    if (result < 0 && remainder > 0) ++result;
    if (result > 0 && remainder < 0) --result;
    return static_cast<time_t>(result);
}

bool TimeTToSystemTime(time_t t, win::SYSTEMTIME& out, bool throwOnError) {
    const long long fileTime = TimeTToFileTime(t);
    if (!win::FileTimeToSystemTime(win::MakeFileTime(static_cast<unsigned long long>(fileTime)), out)) {
        if (throwOnError) ThrowLastError(kLineTimeTToSystemTime);
        return false;
    }
    return true;
}

bool SystemTimeToTimeT(const win::SYSTEMTIME& st, time_t& out, bool throwOnError) {
    win::FILETIME fileTime;
    if (!win::SystemTimeToFileTime(st, fileTime)) {
        if (throwOnError) ThrowLastError(kLineSystemTimeToTimeT);
        return false;
    }
    out = FileTimeToTimeT(static_cast<long long>(win::FileTimeValue(fileTime)));
    return true;
}

}  // namespace lurDate
