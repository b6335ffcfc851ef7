// The machine's time zone as the Windows-style rule pair: a standard bias
// and a daylight bias, and the day-in-month rules of the two changes.
//
// The zone is the POSIX rule of TZ ("CET-1CEST,M3.5.0,M10.5.0/3"), or, when
// TZ is not such a rule (or starts with ':'), the zone file it names under
// TZDIR or /usr/share/zoneinfo, whose footer holds the rule; with TZ unset,
// the footer of /etc/localtime; an empty TZ is universal time. Only the
// current rule is known: the history in the zone file is not read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "SystemTime.h"

namespace win {

struct TIME_ZONE_INFORMATION {
    int32_t Bias = 0;  // minutes; universal time = local time + Bias
    char StandardName[32] = {};
    SYSTEMTIME StandardDate;  // the change to standard time; wMonth 0 without daylight saving
    int32_t StandardBias = 0;
    char DaylightName[32] = {};
    SYSTEMTIME DaylightDate;   // the change to daylight saving time
    int32_t DaylightBias = 0;  // added to Bias during daylight saving
};

enum : uint32_t {
    TIME_ZONE_ID_UNKNOWN = 0,
    TIME_ZONE_ID_STANDARD = 1,
    TIME_ZONE_ID_DAYLIGHT = 2,
    TIME_ZONE_ID_INVALID = 0xFFFFFFFF,
};

// Fills info from the zone in force. The change rules come as wMonth,
// wDay (1-5, 5 = the last in the month), wDayOfWeek (0 = Sunday) and wHour
// (the local hour of the change: minutes are dropped and the hour is kept
// within 0-23). Answers TIME_ZONE_ID_UNKNOWN for a zone without daylight
// saving and TIME_ZONE_ID_STANDARD for one with it (which period is in force
// now is not worked out: no caller asks). TIME_ZONE_ID_INVALID, with the last
// error, for a rule with Julian days or a malformed rule
// (ERROR_INVALID_DATA) or a zone file that cannot be read (its errno's code,
// ERROR_INVALID_DATA for a file without a rule). The parsed rule is kept
// while TZ and the zone file stay the same.
uint32_t GetTimeZoneInformation(TIME_ZONE_INFORMATION& info);

// Parses one POSIX rule text into info; false when it is malformed or uses
// Julian days.
bool ParsePosixTimeZone(std::string_view rule, TIME_ZONE_INFORMATION& info);

}  // namespace win
