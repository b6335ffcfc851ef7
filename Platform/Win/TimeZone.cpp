// The time zone from TZ, a zone file's footer or /etc/localtime, read as a
// POSIX rule and turned into the Windows-style rule pair.
#include "TimeZone.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "LastError.h"

namespace win {

namespace {

constexpr const char* kLocalTimeFile = "/etc/localtime";
constexpr const char* kZoneDirectory = "/usr/share/zoneinfo";

// A left-to-right reader over the rule text.
class RuleReader {
public:
    explicit RuleReader(std::string_view text) : m_text(text) {}

    bool AtEnd() const { return m_pos == m_text.size(); }
    bool Take(char c) {
        if (AtEnd() || m_text[m_pos] != c) return false;
        ++m_pos;
        return true;
    }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }

    // An alphabetic name of at least three letters, or one in angle brackets.
    bool Name(std::string& out) {
        const size_t start = m_pos;
        if (Take('<')) {
            while (!AtEnd() && m_text[m_pos] != '>') ++m_pos;
            if (!Take('>') || m_pos - start < 5) return false;
            out.assign(m_text.substr(start + 1, m_pos - start - 2));
            return true;
        }
        while (!AtEnd() && std::isalpha(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
        out.assign(m_text.substr(start, m_pos - start));
        return out.size() >= 3;
    }

    // Up to maxDigits decimal digits (at least one).
    bool Number(int maxDigits, int& out) {
        int digits = 0;
        out = 0;
        while (digits < maxDigits && !AtEnd() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') {
            out = out * 10 + (m_text[m_pos++] - '0');
            ++digits;
        }
        return digits > 0;
    }

    // [+-]h[h[h]][:mm[:ss]] in seconds.
    bool Offset(int& seconds) {
        const bool negative = Take('-');
        if (!negative) Take('+');
        int hours = 0;
        int minutes = 0;
        int secs = 0;
        if (!Number(3, hours)) return false;
        if (Take(':') && (!Number(2, minutes) || (Take(':') && !Number(2, secs)))) return false;
        if (hours > 167 || minutes > 59 || secs > 59) return false;
        seconds = (hours * 3600 + minutes * 60 + secs) * (negative ? -1 : 1);
        return true;
    }

    // ",Mm.w.d[/time]": the only form that maps onto the day-in-month rule.
    bool ChangeRule(SYSTEMTIME& out) {
        int month = 0;
        int week = 0;
        int weekday = 0;
        if (!Take(',') || !Take('M') || !Number(2, month) || !Take('.') || !Number(1, week) || !Take('.') ||
            !Number(1, weekday))
            return false;
        if (month < 1 || month > 12 || week < 1 || week > 5 || weekday > 6) return false;
        int seconds = 2 * 3600;
        if (Take('/') && !Offset(seconds)) return false;
        out = SYSTEMTIME{};
        out.wMonth = static_cast<uint16_t>(month);
        out.wDay = static_cast<uint16_t>(week);
        out.wDayOfWeek = static_cast<uint16_t>(weekday);
        out.wHour = static_cast<uint16_t>(std::clamp(seconds / 3600, 0, 23));
        return true;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

void CopyName(const std::string& name, char (&out)[32]) {
    std::memset(out, 0, sizeof out);
    std::memcpy(out, name.data(), std::min(name.size(), sizeof out - 1));
}

// The footer rule of a zone file (version 2 or later): the text between the
// last two newlines. ERROR_INVALID_DATA when the file has none.
std::optional<std::string> ReadFooterRule(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        SetLastErrorFromErrno(errno != 0 ? errno : ENOENT);
        return std::nullopt;
    }
    const std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (content.size() < 6 || content.compare(0, 4, "TZif") != 0 || content[4] < '2' || content.back() != '\n') {
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    const size_t start = content.rfind('\n', content.size() - 2);
    if (start == std::string::npos || start + 2 >= content.size()) {
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    return content.substr(start + 1, content.size() - start - 2);
}

std::string ZoneFilePath(std::string_view name) {
    if (!name.empty() && name.front() == '/') return std::string(name);
    const char* dir = std::getenv("TZDIR");
    return std::string(dir != nullptr && *dir != '\0' ? dir : kZoneDirectory) + "/" + std::string(name);
}

// A file's identity and time of change; zeroed for no file or one that
// cannot be looked at.
struct stat FileStatus(const std::string& path) {
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0) status = {};
    return status;
}

// What decides whether the kept answer still holds: the TZ text and, when
// a zone file was read, the file's identity and time of change.
struct ZoneKey {
    bool tzSet = false;
    std::string tz;
    std::string path;
    struct stat file {};  // zeroed when there is no file or it cannot be read

    // The value of TZ (null when unset) against the kept text.
    bool SameText(const char* value) const {
        return value == nullptr ? !tzSet : tzSet && std::strcmp(tz.c_str(), value) == 0;
    }
    bool SameFile(const struct stat& other) const {
        return file.st_ino == other.st_ino && file.st_dev == other.st_dev && file.st_size == other.st_size &&
               file.st_mtim.tv_sec == other.st_mtim.tv_sec && file.st_mtim.tv_nsec == other.st_mtim.tv_nsec;
    }
};

struct ZoneAnswer {
    ZoneKey key;
    uint32_t result = TIME_ZONE_ID_INVALID;
    uint32_t error = ERROR_SUCCESS;
    TIME_ZONE_INFORMATION info;
};

// The zone file that the environment names, or "" when TZ is itself a rule.
std::string ZoneFileFor(const ZoneKey& key) {
    if (!key.tzSet) return kLocalTimeFile;
    if (key.tz.empty()) return "";
    if (key.tz.front() == ':') return ZoneFilePath(std::string_view(key.tz).substr(1));
    // A text with change rules (a comma) is a rule, good or bad; no zone
    // file is named so.
    TIME_ZONE_INFORMATION probe;
    if (ParsePosixTimeZone(key.tz, probe) || key.tz.find(',') != std::string::npos) return "";
    return ZoneFilePath(key.tz);
}

ZoneAnswer ReadZone(const ZoneKey& key) {
    ZoneAnswer answer;
    answer.key = key;
    std::string rule = key.tzSet && key.tz.empty() ? "UTC0" : key.tz;
    if (!key.path.empty()) {
        std::optional<std::string> footer = ReadFooterRule(key.path);
        if (!footer) {
            answer.error = GetLastError();
            return answer;
        }
        rule = *footer;
    }
    if (!ParsePosixTimeZone(rule, answer.info)) {
        answer.error = ERROR_INVALID_DATA;
        return answer;
    }
    answer.result = answer.info.DaylightDate.wMonth == 0 ? TIME_ZONE_ID_UNKNOWN : TIME_ZONE_ID_STANDARD;
    return answer;
}

}  // namespace

bool ParsePosixTimeZone(std::string_view rule, TIME_ZONE_INFORMATION& info) {
    RuleReader reader(rule);
    TIME_ZONE_INFORMATION parsed;
    std::string standardName;
    int standardOffset = 0;
    if (!reader.Name(standardName) || !reader.Offset(standardOffset)) return false;
    CopyName(standardName, parsed.StandardName);
    parsed.Bias = standardOffset / 60;
    if (!reader.AtEnd()) {
        std::string daylightName;
        if (!reader.Name(daylightName)) return false;
        int daylightOffset = standardOffset - 3600;
        if (reader.Peek() != ',' && !reader.Offset(daylightOffset)) return false;
        // A daylight name needs its change rules: the built-in default rule
        // of the C library is no rule of this system.
        if (!reader.ChangeRule(parsed.DaylightDate) || !reader.ChangeRule(parsed.StandardDate) || !reader.AtEnd())
            return false;
        CopyName(daylightName, parsed.DaylightName);
        parsed.DaylightBias = daylightOffset / 60 - parsed.Bias;
    }
    info = parsed;
    return true;
}

uint32_t GetTimeZoneInformation(TIME_ZONE_INFORMATION& info) {
    static std::optional<ZoneAnswer> kept;
    // Every time conversion asks, so the usual case (the same TZ text as
    // last time) copies nothing; only a zone file is looked at again.
    const char* tz = std::getenv("TZ");
    if (!kept || !kept->key.SameText(tz)) {
        ZoneKey key;
        key.tzSet = tz != nullptr;
        if (tz != nullptr) key.tz = tz;
        key.path = ZoneFileFor(key);
        key.file = FileStatus(key.path);
        kept = ReadZone(key);
    } else if (!kept->key.path.empty()) {
        const struct stat now = FileStatus(kept->key.path);
        if (!kept->key.SameFile(now)) {
            ZoneKey key = kept->key;
            key.file = now;
            kept = ReadZone(key);
        }
    }
    if (kept->result == TIME_ZONE_ID_INVALID) {
        SetLastError(kept->error);
        return TIME_ZONE_ID_INVALID;
    }
    info = kept->info;
    SetLastError(ERROR_SUCCESS);
    return kept->result;
}

}  // namespace win
