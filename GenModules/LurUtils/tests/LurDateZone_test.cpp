// Time zones given as TZ rules: daylight-saving windows, local <-> universal
// time, the zone's offset, convertZone round trips, and the system time
// conversions.
#include "LurDateWin32.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "LastError.h"
#include "LurDateTime.h"
#include "LurExceptBaseArg.h"
#include "TzScope.h"

namespace {

using namespace lurDate;

DateTimeValue At(int32_t yyyymmdd, int32_t hhmmss) {
    DateTimeValue v;
    SetDateInt(v.date, yyyymmdd);
    v.time = hhmmss;
    return v;
}

constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

// Each test sets its zone through TZ with the zone cache emptied, so the
// zones of the tests do not meet.
class ZoneTest : public ::testing::Test {
protected:
    void UseZone(const char* rule) { m_zone.Use(rule); }

private:
    lurtest::TzScope m_zone{"UTC0"};
};

TEST_F(ZoneTest, CentralEuropeWindowsAndConversions) {
    UseZone(kCentralEurope);
    ASSERT_TRUE(EnsureTzCache(true));
    EXPECT_EQ(GetTzCache().bias, -60);
    EXPECT_EQ(GetTzCache().daylightBias, -60);
    DateTimeValue start;
    DateTimeValue end;
    ASSERT_TRUE(GetDstWindow(2024, start, end, true));
    EXPECT_EQ(start, At(20240331, 20000));
    EXPECT_EQ(end, At(20241027, 30000));
    ASSERT_TRUE(GetDstWindow(2024, start, end, GetTzCache(), true, true));
    EXPECT_EQ(start, At(20240331, 10000));
    EXPECT_EQ(end, At(20241027, 10000));

    EXPECT_EQ(LocalToUtc(At(20240715, 120000)), At(20240715, 100000));
    EXPECT_EQ(LocalToUtc(At(20240115, 120000)), At(20240115, 110000));
    EXPECT_EQ(UtcToLocal(At(20240715, 100000)), At(20240715, 120000));
    EXPECT_EQ(UtcToLocal(At(20240115, 110000)), At(20240115, 120000));
    EXPECT_EQ(LocalToUtc(At(20240101, 3000)), At(20231231, 233000));
    EXPECT_TRUE(IsEmpty(LocalToUtc(DateTimeValue{})));
    EXPECT_TRUE(IsEmpty(UtcToLocal(DateTimeValue{})));

    short minutes = 0;
    EXPECT_EQ(GetZoneBias(At(20240715, 120000), GetTzCache(), &minutes, false, true, true), -2);
    EXPECT_EQ(minutes, -120);
    EXPECT_EQ(GetZoneBias(At(20240715, 120000), GetTzCache(), &minutes, true, true, true), 2);
    EXPECT_EQ(minutes, 120);
    LurDate july(2024, 7, 15);
    EXPECT_TRUE(july.IsInDst(true));
    EXPECT_EQ(july.GetZoneBias(&minutes, false, true), -2);
    EXPECT_FALSE(LurDate(2024, 1, 15).IsInDst(true));

    // struct tm's daylight flag: the window in universal time.
    std::tm t{};
    ASSERT_TRUE(FieldsToTm(2024, 7, 15, 10, 0, 0, t));
    EXPECT_EQ(t.tm_isdst, 1);
    EXPECT_EQ(FormatValue(At(20240715, 100000), "%Z"), "CEST");
}

TEST_F(ZoneTest, ConvertZoneRoundTrips) {
    UseZone(kCentralEurope);
    const LurDateTime summer(2024, 7, 15, 12, 0, 0, true);
    EXPECT_EQ(summer.GetHour(false), 10);
    EXPECT_EQ(summer.GetHour(true), 12);
    const LurDateTime winter(20240115120000.0, true);
    EXPECT_EQ(winter.GetDouble(false), 20240115110000.0);
    EXPECT_EQ(winter.GetDouble(true), 20240115120000.0);
    EXPECT_EQ(winter.Format("%H:%M", true), "12:00");

    // Every local hour of a year that exists and is not repeated survives the
    // round trip.
    DateTimeValue local = At(20240101, 0);
    for (int hour = 0; hour < 366 * 24; ++hour, AddHours(local, 1)) {
        LurDateTime v;
        ASSERT_TRUE(v.Set(GetYear(local.date), GetMonth(local.date), GetDay(local.date), GetHour(local), 0, 0, true));
        const bool gap = local.date.date == 20240331 && GetHour(local) == 2;
        const bool repeated = local.date.date == 20241027 && GetHour(local) == 2;
        if (gap || repeated) continue;
        EXPECT_EQ(v.GetDouble(true), local.date.date * 1000000.0 + local.time) << local.date.date << " " << local.time;
    }

    // A date-time built from a date is that day's local midnight.
    const LurDateTime midnight(LurDate(2024, 7, 15));
    EXPECT_EQ(midnight.GetDouble(false), 20240714220000.0);
    EXPECT_EQ(LurDate(midnight).GetDateInt(), 20240715);
    // Differences compare local times.
    const LurDateTime a(2024, 3, 30, 12, 0, 0, true);
    const LurDateTime b(2024, 3, 31, 12, 0, 0, true);
    EXPECT_EQ(HourDiff(a, b), 24);
    EXPECT_EQ(DayDiff(b, a), -1);
}

// The windows are worked out once per year and kept: each step must see the
// window of its own value's year, in its own direction, under the zone in
// force at that moment, whatever came before. Years 64 apart share a slot
// of the kept windows.
TEST_F(ZoneTest, KeptWindowsFollowYearDirectionAndZone) {
    constexpr const char* kLaterRules = "CET-1CEST,M4.1.0,M9.5.0/3";   // CET's biases, other changes
    constexpr const char* kEastEurope = "EET-2EEST,M3.5.0,M10.5.0/3";  // CET's changes, other biases
    constexpr const char* kEastAustralia = "AEST-10AEDT,M10.1.0,M4.1.0/3";
    struct Step {
        const char* zone;  // null: the zone stays
        bool toUtc;
        DateTimeValue in;
        DateTimeValue out;
    };
    const Step steps[] = {
        {kCentralEurope, false, At(20230715, 100000), At(20230715, 120000)},
        {nullptr, false, At(20240715, 100000), At(20240715, 120000)},
        {nullptr, false, At(19600715, 100000), At(19600715, 120000)},
        {nullptr, false, At(20240715, 100000), At(20240715, 120000)},
        // The window is the one of the year before the conversion.
        {nullptr, false, At(20231231, 233000), At(20240101, 3000)},
        {nullptr, true, At(20240101, 3000), At(20231231, 233000)},
        // Both changes of 2024, the two directions taking turns.
        {nullptr, false, At(20240331, 5959), At(20240331, 15959)},
        {nullptr, true, At(20240331, 15959), At(20240331, 5959)},
        {nullptr, false, At(20240331, 10000), At(20240331, 30000)},
        {nullptr, true, At(20240331, 30000), At(20240331, 10000)},
        {nullptr, false, At(20241027, 5959), At(20241027, 25959)},
        {nullptr, true, At(20241027, 25959), At(20241027, 5959)},
        {nullptr, false, At(20241027, 10000), At(20241027, 20000)},
        {nullptr, true, At(20241027, 30000), At(20241027, 20000)},
        // Other change rules with the same biases: daylight saving from 7
        // April to 29 September 2024.
        {kLaterRules, false, At(20240403, 120000), At(20240403, 130000)},
        {nullptr, true, At(20240930, 120000), At(20240930, 110000)},
        // Other biases with the same change rules: the universal window
        // starts an hour earlier.
        {kCentralEurope, false, At(20240331, 3000), At(20240331, 13000)},
        {kEastEurope, false, At(20240331, 3000), At(20240331, 33000)},
        // A window across the new year, in two years.
        {kEastAustralia, false, At(20231215, 10000), At(20231215, 120000)},
        {nullptr, false, At(20240715, 20000), At(20240715, 120000)},
    };
    int index = 0;
    for (const Step& step : steps) {
        if (step.zone != nullptr) UseZone(step.zone);
        const DateTimeValue out = step.toUtc ? LocalToUtc(step.in) : UtcToLocal(step.in);
        EXPECT_EQ(out, step.out) << "step " << index << ": " << out.date.date << " " << out.time;
        ++index;
    }
}

TEST_F(ZoneTest, ZoneWithoutDaylightSaving) {
    UseZone("JST-9");
    EXPECT_FALSE(IsInDst(At(20240715, 120000), GetTzCache(), true, false));
    try {
        IsInDst(At(20240715, 120000), GetTzCache(), true, true);
        ADD_FAILURE() << "no daylight saving must fail the window";
    } catch (const LurExceptDateTime& e) {
        EXPECT_EQ(e.GetCode(), 654);
    }
    EXPECT_EQ(LocalToUtc(At(20240715, 120000)), At(20240715, 30000));
    EXPECT_EQ(UtcToLocal(At(20240715, 30000)), At(20240715, 120000));
    short minutes = 0;
    EXPECT_EQ(LurDateTime(2024, 7, 15, 0, 0, 0, false).GetZoneBias(&minutes, true, false), 9);
    EXPECT_EQ(minutes, 540);
}

TEST_F(ZoneTest, SouthernZoneSpansTheNewYear) {
    UseZone("AEST-10AEDT,M10.1.0,M4.1.0/3");
    // Daylight saving from the first Sunday of October to the first Sunday of April.
    EXPECT_EQ(LocalToUtc(At(20240115, 120000)), At(20240115, 10000));
    EXPECT_EQ(LocalToUtc(At(20240715, 120000)), At(20240715, 20000));
    EXPECT_EQ(LocalToUtc(At(20241215, 120000)), At(20241215, 10000));
    EXPECT_EQ(UtcToLocal(At(20240115, 10000)), At(20240115, 120000));
    EXPECT_TRUE(LurDate(2024, 1, 15).IsInDst(true));
    EXPECT_FALSE(LurDate(2024, 7, 15).IsInDst(true));
}

TEST_F(ZoneTest, RulesOnOtherWeekdays) {
    // The last Friday of March 2024 is the 29th, the second Saturday of
    // October 2024 the 12th.
    UseZone("XST-2XDT,M3.5.5/2,M10.2.6/2");
    DateTimeValue start;
    DateTimeValue end;
    ASSERT_TRUE(GetDstWindow(2024, start, end, true));
    EXPECT_EQ(start, At(20240329, 20000));
    EXPECT_EQ(end, At(20241012, 20000));
    // The first Wednesday of a month that starts on a Wednesday (May 2024).
    UseZone("XST-2XDT,M5.1.3/2,M10.5.0/2");
    ASSERT_TRUE(GetDstWindow(2024, start, end, true));
    EXPECT_EQ(start, At(20240501, 20000));
    EXPECT_EQ(end, At(20241027, 20000));
}

TEST_F(ZoneTest, FailedZoneQueriesRaiseWithTheirLines) {
    UseZone("EST5EDT,J60,J300");
    EXPECT_FALSE(EnsureTzCache(false));
    try {
        EnsureTzCache(true);
        ADD_FAILURE() << "a Julian-day rule must fail the query";
    } catch (const LurExceptSys& e) {
        EXPECT_EQ(e.GetCode(), static_cast<int>(win::ERROR_INVALID_DATA));
        EXPECT_EQ(e.GetLocation().line, 92);
        EXPECT_NE(e.GetLocation().file.find("LurDateWin32"), std::string::npos);
    }
    DateTimeValue start;
    DateTimeValue end;
    try {
        GetDstWindow(2024, start, end, true);
        ADD_FAILURE() << "the window needs the zone";
    } catch (const LurExceptSys& e) {
        EXPECT_EQ(e.GetLocation().line, 117);
    }
    // The conversions pass the value unchanged.
    EXPECT_EQ(LocalToUtc(At(20240715, 120000)), At(20240715, 120000));
}

TEST_F(ZoneTest, SystemTimeAndFileTime) {
    EXPECT_EQ(TimeTToFileTime(0), 116444736000000000LL);
    EXPECT_EQ(FileTimeToTimeT(116444736000000000LL), 0);
    // Before 1970 the division is signed.
    EXPECT_EQ(FileTimeToTimeT(0), -11644473600LL);
    EXPECT_EQ(FileTimeToTimeT(116444736000000000LL - 5), 0);
    EXPECT_EQ(FileTimeToTimeT(116444736000000000LL - 10000000), -1);
    EXPECT_EQ(TimeTToFileTime(4102444800), 116444736000000000LL + 4102444800LL * 10000000LL);

    win::SYSTEMTIME st;
    ASSERT_TRUE(TimeTToSystemTime(1709220600, st, true));  // 2024-02-29 15:30:00, a Thursday
    EXPECT_EQ(st.wYear, 2024);
    EXPECT_EQ(st.wMonth, 2);
    EXPECT_EQ(st.wDay, 29);
    EXPECT_EQ(st.wDayOfWeek, 4);
    EXPECT_EQ(st.wHour, 15);
    EXPECT_EQ(FromSystemTime(st), At(20240229, 153000));
    time_t back = 0;
    ASSERT_TRUE(SystemTimeToTimeT(ToSystemTime(At(20240229, 153000)), back, true));
    EXPECT_EQ(back, 1709220600);
    ASSERT_TRUE(SystemTimeToTimeT(ToSystemTime(At(21000101, 0)), back, true));
    EXPECT_EQ(back, 4102444800);

    EXPECT_FALSE(TimeTToSystemTime(-20000000000LL, st, false));
    try {
        SystemTimeToTimeT(ToSystemTime(At(20230229, 0)), back, true);
        ADD_FAILURE() << "29 February 2023 is no system time";
    } catch (const LurExceptSys& e) {
        EXPECT_EQ(e.GetCode(), static_cast<int>(win::ERROR_INVALID_PARAMETER));
        EXPECT_EQ(e.GetLocation().line, 167);
    }
}

}  // namespace
