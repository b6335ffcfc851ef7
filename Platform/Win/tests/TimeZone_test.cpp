// The time-zone stand-in: POSIX rules to the Windows-style rule pair, zone
// files found through TZ and TZDIR, the failures; and the system time
// arithmetic.
#include "TimeZone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "LastError.h"
#include "SystemTime.h"

namespace {

using namespace win;

struct RuleCase {
    const char* rule;
    int32_t bias, daylightBias;
    int daylightMonth, daylightWeek, daylightWeekday, daylightHour;
    int standardMonth, standardWeek, standardWeekday, standardHour;
};

TEST(TimeZoneRule, ParsesIntoTheRulePair) {
    const RuleCase cases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", -60, -60, 3, 5, 0, 2, 10, 5, 0, 3},
        {"EST5EDT,M3.2.0,M11.1.0", 300, -60, 3, 2, 0, 2, 11, 1, 0, 2},
        {"<+0530>-5:30", -330, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"UTC0", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"NZST-12NZDT-13,M9.5.0,M4.1.0/3", -720, -60, 9, 5, 0, 2, 4, 1, 0, 3},
        // Minutes of a change time are dropped; hours are kept within 0-23.
        {"XST-2XDT,M3.5.5/2:30,M10.5.0/-1", -120, -60, 3, 5, 5, 2, 10, 5, 0, 0},
        {"IST-2IDT,M3.4.4/26,M10.5.0", -120, -60, 3, 4, 4, 23, 10, 5, 0, 2},
        {"<-03>3<-02>,M3.5.0/-2,M10.5.0/-1", 180, -60, 3, 5, 0, 0, 10, 5, 0, 0},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.rule);
        TIME_ZONE_INFORMATION info;
        ASSERT_TRUE(ParsePosixTimeZone(c.rule, info));
        EXPECT_EQ(info.Bias, c.bias);
        EXPECT_EQ(info.DaylightBias, c.daylightBias);
        EXPECT_EQ(info.StandardBias, 0);
        EXPECT_EQ(info.DaylightDate.wMonth, c.daylightMonth);
        EXPECT_EQ(info.DaylightDate.wDay, c.daylightWeek);
        EXPECT_EQ(info.DaylightDate.wDayOfWeek, c.daylightWeekday);
        EXPECT_EQ(info.DaylightDate.wHour, c.daylightHour);
        EXPECT_EQ(info.StandardDate.wMonth, c.standardMonth);
        EXPECT_EQ(info.StandardDate.wDay, c.standardWeek);
        EXPECT_EQ(info.StandardDate.wDayOfWeek, c.standardWeekday);
        EXPECT_EQ(info.StandardDate.wHour, c.standardHour);
    }
    TIME_ZONE_INFORMATION info;
    ASSERT_TRUE(ParsePosixTimeZone("CET-1CEST,M3.5.0,M10.5.0/3", info));
    EXPECT_STREQ(info.StandardName, "CET");
    EXPECT_STREQ(info.DaylightName, "CEST");
}

TEST(TimeZoneRule, RefusesWhatItCannotExpress) {
    for (const char* rule : {"EST5EDT,J60,J300", "EST5EDT,60,300", "EST5EDT", "CET", "CET-1CEST,M13.5.0,M10.5.0",
                             "CET-1CEST,M3.6.0,M10.5.0", "CET-1CEST,M3.5.7,M10.5.0", "CET-1CEST,M3.5.0", "CE-1",
                             "CET-1CEST,M3.5.0,M10.5.0 ", "", "CET+"}) {
        TIME_ZONE_INFORMATION info;
        EXPECT_FALSE(ParsePosixTimeZone(rule, info)) << rule;
    }
}

class TimeZoneQuery : public ::testing::Test {
protected:
    void SetUp() override {
        Save("TZ", m_tz);
        Save("TZDIR", m_tzdir);
        char pattern[] = "/tmp/lurtzXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        Restore("TZ", m_tz);
        Restore("TZDIR", m_tzdir);
        std::string command = "rm -rf '" + m_dir + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    // A version 2 zone file: header, no transitions, the footer rule.
    void WriteZoneFile(const std::string& name, const std::string& footer, char version = '2') {
        std::string header = "TZif";
        header += version;
        header.append(15, '\0');
        std::string counts(24, '\0');
        counts[19] = 1;  // typecnt 1
        counts[23] = 4;  // charcnt 4
        const std::string block = header + counts + std::string("\0\0\0\0\0\0UTC\0", 10);
        std::ofstream out(m_dir + "/" + name, std::ios::binary);
        out << block << block << "\n" << footer << "\n";
    }
    const std::string& Dir() const { return m_dir; }

private:
    struct Saved {
        bool set = false;
        std::string value;
    };
    static void Save(const char* name, Saved& saved) {
        const char* value = std::getenv(name);
        saved.set = value != nullptr;
        if (value != nullptr) saved.value = value;
    }
    static void Restore(const char* name, const Saved& saved) {
        if (saved.set)
            setenv(name, saved.value.c_str(), 1);
        else
            unsetenv(name);
    }
    Saved m_tz;
    Saved m_tzdir;
    std::string m_dir;
};

TEST_F(TimeZoneQuery, RulesFromTzAndZoneFiles) {
    TIME_ZONE_INFORMATION info;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    EXPECT_EQ(GetTimeZoneInformation(info), TIME_ZONE_ID_STANDARD);
    EXPECT_EQ(info.Bias, -60);

    WriteZoneFile("Budapest", "CET-1CEST,M3.5.0,M10.5.0/3");
    WriteZoneFile("Tokyo", "JST-9");
    setenv("TZDIR", Dir().c_str(), 1);
    setenv("TZ", "Tokyo", 1);
    EXPECT_EQ(GetTimeZoneInformation(info), TIME_ZONE_ID_UNKNOWN);
    EXPECT_EQ(info.Bias, -540);
    EXPECT_EQ(info.DaylightDate.wMonth, 0);
    setenv("TZ", ":Budapest", 1);
    EXPECT_EQ(GetTimeZoneInformation(info), TIME_ZONE_ID_STANDARD);
    EXPECT_EQ(info.DaylightBias, -60);
    // A changed file is read again.
    WriteZoneFile("Budapest", "GMT0BST,M3.5.0/1,M10.5.0");
    EXPECT_EQ(GetTimeZoneInformation(info), TIME_ZONE_ID_STANDARD);
    EXPECT_EQ(info.Bias, 0);
    setenv("TZ", (Dir() + "/Tokyo").c_str(), 1);
    EXPECT_EQ(GetTimeZoneInformation(info), TIME_ZONE_ID_UNKNOWN);
    EXPECT_EQ(info.Bias, -540);
    setenv("TZ", "", 1);
    EXPECT_EQ(GetTimeZoneInformation(info), TIME_ZONE_ID_UNKNOWN);
    EXPECT_EQ(info.Bias, 0);
}

TEST_F(TimeZoneQuery, FailuresAreInvalid) {
    TIME_ZONE_INFORMATION info;
    WriteZoneFile("Old", "", '\0');
    WriteZoneFile("NoRule", "");
    setenv("TZDIR", Dir().c_str(), 1);
    struct Case {
        const char* tz;
        uint32_t error;
    };
    for (const Case& c : {Case{"EST5EDT,J60,J300", ERROR_INVALID_DATA}, Case{"Nowhere/Zone", ERROR_FILE_NOT_FOUND},
                          Case{"Old", ERROR_INVALID_DATA}, Case{"NoRule", ERROR_INVALID_DATA}}) {
        setenv("TZ", c.tz, 1);
        EXPECT_EQ(GetTimeZoneInformation(info), TIME_ZONE_ID_INVALID) << c.tz;
        EXPECT_EQ(GetLastError(), c.error) << c.tz;
    }
}

TEST(SystemTime, DayCountsAndRanges) {
    for (long long days = -200000; days <= 200000; days += 37) {
        int year = 0;
        unsigned month = 0;
        unsigned day = 0;
        CivilFromDays(days, year, month, day);
        ASSERT_EQ(DaysFromCivil(year, month, day), days);
    }
    EXPECT_EQ(WeekdayFromDays(0), 4u);   // 1 January 1970, Thursday
    EXPECT_EQ(WeekdayFromDays(-1), 3u);  // Wednesday
    EXPECT_EQ(WeekdayFromDays(DaysFromCivil(2024, 2, 29)), 4u);

    SYSTEMTIME st;
    st.wYear = 1601;
    st.wMonth = 1;
    st.wDay = 1;
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(st, ft));
    EXPECT_EQ(FileTimeValue(ft), 0u);
    st.wYear = 1600;
    EXPECT_FALSE(SystemTimeToFileTime(st, ft));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    SYSTEMTIME back;
    EXPECT_FALSE(FileTimeToSystemTime(MakeFileTime(0x8000000000000000ULL), back));
    ASSERT_TRUE(FileTimeToSystemTime(MakeFileTime(0x7FFFFFFFFFFFFFFFULL), back));
    EXPECT_EQ(back.wYear, 30828);
    ASSERT_TRUE(FileTimeToSystemTime(MakeFileTime(116444736000000000ULL + 12345678), back));
    EXPECT_EQ(back.wYear, 1970);
    EXPECT_EQ(back.wSecond, 1);
    EXPECT_EQ(back.wMilliseconds, 234);
    EXPECT_EQ(back.wDayOfWeek, 4);
}

}  // namespace
