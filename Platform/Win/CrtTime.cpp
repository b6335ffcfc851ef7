// strftime of the runtime stand-in: names and date/time pictures from the
// runtime locale, "C" as the runtime has always printed it.
#include "CrtTime.h"

#include <cstring>
#include <string>

#include "Crt.h"
#include "Locale.h"
#include "TimeZone.h"

namespace win::crt {

namespace {

constexpr const char* kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

// Where the names and pictures come from: the "C" forms, or a table locale.
class TimeNames {
public:
    TimeNames() {
        const char* name = LocaleName();
        if (std::strcmp(name, "C") != 0) m_lcid = LocaleFromName(name);
    }

    std::string Day(int weekday, bool full) const {
        const int index = (weekday % 7 + 7) % 7;
        if (m_lcid == 0) return full ? kDays[index] : std::string(kDays[index], 3);
        // The table's days start on Monday.
        const LCTYPE first = full ? LOCALE_SDAYNAME1 : LOCALE_SABBREVDAYNAME1;
        return Info(first + static_cast<LCTYPE>((index + 6) % 7));
    }
    std::string Month(int month, bool full) const {
        const int index = (month % 12 + 12) % 12;
        if (m_lcid == 0) return full ? kMonths[index] : std::string(kMonths[index], 3);
        return Info((full ? LOCALE_SMONTHNAME1 : LOCALE_SABBREVMONTHNAME1) + static_cast<LCTYPE>(index));
    }
    std::string AmPm(int hour) const {
        if (m_lcid == 0) return hour < 12 ? "AM" : "PM";
        return Info(hour < 12 ? LOCALE_S1159 : LOCALE_S2359);
    }
    bool IsC() const { return m_lcid == 0; }
    std::string Info(LCTYPE type) const {
        char buffer[128] = {};
        return GetLocaleInfo(m_lcid, type, buffer, sizeof buffer) > 0 ? std::string(buffer) : std::string();
    }

private:
    LCID m_lcid = 0;
};

std::string Padded(int value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

// A locale's date or time picture ("yyyy. MM. dd.", "h:mm:ss tt") filled in.
std::string Picture(const std::string& picture, const std::tm& t, const TimeNames& names) {
    std::string out;
    for (size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        if (c == '\'') {
            const size_t close = picture.find('\'', i + 1);
            const size_t end = close == std::string::npos ? picture.size() : close;
            out.append(picture, i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        const int n = static_cast<int>(run);
        const int hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
        switch (c) {
            case 'd': out += n <= 2 ? Padded(t.tm_mday, n) : names.Day(t.tm_wday, n >= 4); break;
            case 'M': out += n <= 2 ? Padded(t.tm_mon + 1, n) : names.Month(t.tm_mon, n >= 4); break;
            case 'y': out += n <= 2 ? Padded((t.tm_year + 1900) % 100, n) : Padded(t.tm_year + 1900, 4); break;
            case 'H': out += Padded(t.tm_hour, n > 1 ? 2 : 1); break;
            case 'h': out += Padded(hour12, n > 1 ? 2 : 1); break;
            case 'm': out += Padded(t.tm_min, n > 1 ? 2 : 1); break;
            case 's': out += Padded(t.tm_sec, n > 1 ? 2 : 1); break;
            case 't': out += n == 1 ? names.AmPm(t.tm_hour).substr(0, 1) : names.AmPm(t.tm_hour); break;
            default: out.append(run, c); break;
        }
        i += run;
    }
    return out;
}

// The "C" locale's forms: "%m/%d/%y" and "%H:%M:%S".
std::string CDate(const std::tm& t) {
    return Padded(t.tm_mon + 1, 2) + "/" + Padded(t.tm_mday, 2) + "/" + Padded((t.tm_year + 1900) % 100, 2);
}
std::string CTime(const std::tm& t) {
    return Padded(t.tm_hour, 2) + ":" + Padded(t.tm_min, 2) + ":" + Padded(t.tm_sec, 2);
}

std::string ZoneName(bool daylight) {
    TIME_ZONE_INFORMATION zone;
    if (GetTimeZoneInformation(zone) == TIME_ZONE_ID_INVALID) return "";
    return daylight && zone.DaylightName[0] != '\0' ? zone.DaylightName : zone.StandardName;
}

// One directive's text; false for an unknown one.
bool Directive(char d, const std::tm& t, const TimeNames& names, std::string& out) {
    const int hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
    const int mondayBased = (t.tm_wday + 6) % 7;
    switch (d) {
        case 'a': out += names.Day(t.tm_wday, false); return true;
        case 'A': out += names.Day(t.tm_wday, true); return true;
        case 'b': out += names.Month(t.tm_mon, false); return true;
        case 'B': out += names.Month(t.tm_mon, true); return true;
        case 'c':
            out += names.IsC() ? CDate(t) + " " + CTime(t)
                               : Picture(names.Info(LOCALE_SSHORTDATE), t, names) + " " +
                                     Picture(names.Info(LOCALE_STIMEFORMAT), t, names);
            return true;
        case 'd': out += Padded(t.tm_mday, 2); return true;
        case 'H': out += Padded(t.tm_hour, 2); return true;
        case 'I': out += Padded(hour12, 2); return true;
        case 'j': out += Padded(t.tm_yday + 1, 3); return true;
        case 'm': out += Padded(t.tm_mon + 1, 2); return true;
        case 'M': out += Padded(t.tm_min, 2); return true;
        case 'p': out += names.AmPm(t.tm_hour); return true;
        case 'S': out += Padded(t.tm_sec, 2); return true;
        case 'U': out += Padded((t.tm_yday + 7 - t.tm_wday) / 7, 2); return true;
        case 'w': out += std::to_string(t.tm_wday); return true;
        case 'W': out += Padded((t.tm_yday + 7 - mondayBased) / 7, 2); return true;
        case 'x': out += names.IsC() ? CDate(t) : Picture(names.Info(LOCALE_SSHORTDATE), t, names); return true;
        case 'X': out += names.IsC() ? CTime(t) : Picture(names.Info(LOCALE_STIMEFORMAT), t, names); return true;
        case 'y': out += Padded((t.tm_year + 1900) % 100, 2); return true;
        case 'Y': out += std::to_string(t.tm_year + 1900); return true;
        case 'z':
        case 'Z': out += ZoneName(t.tm_isdst > 0); return true;
        case '%': out += '%'; return true;
        default: return false;
    }
}

}  // namespace

size_t StrFTime(char* buffer, size_t max, const char* format, const std::tm& time) {
    const TimeNames names;
    std::string out;
    bool known = true;
    for (const char* p = format; known && *p != '\0'; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        known = p[1] != '\0' && Directive(*++p, time, names, out);
    }
    if (!known || out.size() + 1 > max) {
        if (max > 0) buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return out.size();
}

}  // namespace win::crt
