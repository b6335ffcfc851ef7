// The calendar engine and the LurDate / LurDateTime classes in universal
// time (no zone conversion): leap years, carries and clamping, differences,
// day of year, parsing, time_t, struct tm and formatting, and the hooks.
#include "LurDateTime.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Crt.h"
#include "LanguageScope.h"
#include "LurDateWin32.h"
#include "LurExceptBaseArg.h"
#include "StringResources.h"
#include "SystemTime.h"
#include "TzScope.h"

namespace {

using namespace lurDate;

DateValue Date(int32_t yyyymmdd) {
    DateValue v;
    v.date = yyyymmdd;
    v.leap = IsLeapYear(static_cast<short>(yyyymmdd / 10000)) ? 1 : 0;
    return v;
}

DateTimeValue At(int32_t yyyymmdd, int32_t hhmmss) {
    DateTimeValue v;
    v.date = Date(yyyymmdd);
    v.time = hhmmss;
    return v;
}

// The code, location line and first argument of what call raises.
struct Raised {
    int code = 0;
    int line = 0;
    std::string argument;
    std::string file;
};

Raised Catch(const std::function<void()>& call) {
    try {
        call();
    } catch (const LurExceptBaseArg& e) {
        return {e.GetCode(), e.GetLocation().line, e.GetArgs().empty() ? "" : e.GetArgs()[0], e.GetLocation().file};
    }
    ADD_FAILURE() << "nothing raised";
    return {};
}

// Universal time for every test here: no daylight saving, bias 0.
class CalendarTest : public ::testing::Test {
private:
    lurtest::TzScope m_zone{"UTC0"};
};

TEST_F(CalendarTest, LeapYearsAndMonthLengths) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DaysInYear(2024), 366);
    // Outside 1-12 the length is 0, never a read past the table.
    EXPECT_EQ(DaysInMonth(2024, 13), 0);
    EXPECT_EQ(DaysInMonth(2024, 0), 0);
    EXPECT_EQ(DaysInMonth(2024, -3), 0);
}

TEST_F(CalendarTest, ValidationCodesAndArguments) {
    EXPECT_TRUE(ValidateDate(0, 0, 0, true));
    struct Case {
        short year, month, day;
        int code;
        const char* argument;
    };
    for (const Case& c : {Case{2023, 2, 29, 655, "2023.2.29"}, Case{10000, 1, 1, 653, "10000.1.1"},
                          Case{2023, 13, 1, 654, "2023.13.1"}, Case{0, 1, 1, 653, "0.1.1"}}) {
        EXPECT_FALSE(ValidateDate(c.year, c.month, c.day, false));
        const Raised r = Catch([&] { ValidateDate(c.year, c.month, c.day, true); });
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.argument, c.argument);
        EXPECT_EQ(r.line, 0);
    }
    EXPECT_EQ(Catch([] { ValidateTime(12, 60, 0, true); }).code, 657);
    EXPECT_EQ(Catch([] { ValidateTime(24, 0, 0, true); }).argument, "24:0:0");
    for (double ok : {0.0, 10101.0, 99991231235959.0}) EXPECT_TRUE(ValidateNumber(ok, true)) << ok;
    for (double bad : {10100.0, 99991231235960.0}) EXPECT_EQ(Catch([=] { ValidateNumber(bad, true); }).code, 650);
    // A number too large for the fields' shorts is refused, not wrapped.
    EXPECT_FALSE(IsValidDate(2147480101, false));
}

TEST_F(CalendarTest, AdditionCarriesAndClamping) {
    // The free AddMonths leaves 31 February; AddDays (0) carries it on.
    DateValue v = Date(20230131);
    AddMonths(v, 1);
    EXPECT_EQ(v.date, 20230231);
    AddDays(v, 0);
    EXPECT_EQ(v.date, 20230303);
    v = Date(20240131);
    AddMonths(v, 1);
    AddDays(v, 0);
    EXPECT_EQ(v.date, 20240302);

    struct Case {
        int32_t from;
        std::function<void(DateValue&)> change;
        int32_t to;
    };
    const Case cases[] = {
        {20221215, [](DateValue& d) { AddMonths(d, 12); }, 20231215},
        {20230315, [](DateValue& d) { AddMonths(d, 22); }, 20250115},
        {20230310, [](DateValue& d) { SubtractDays(d, 10); }, 20230228},
        {20240310, [](DateValue& d) { SubtractDays(d, 10); }, 20240229},
        {20230310, [](DateValue& d) { SubtractDays(d, 38); }, 20230131},
        {20230315, [](DateValue& d) { SubtractMonths(d, 3); }, 20221215},
        {20230315, [](DateValue& d) { AddMonths(d, -3); }, 20221215},
        {20231231, [](DateValue& d) { AddDays(d, 1); }, 20240101},
        {20240101, [](DateValue& d) { AddDays(d, -1); }, 20231231},
        {20240101, [](DateValue& d) { AddDays(d, 366 + 365); }, 20260101},
    };
    for (const Case& c : cases) {
        DateValue d = Date(c.from);
        c.change(d);
        EXPECT_EQ(d.date, c.to) << c.from;
        EXPECT_EQ(d.leap, IsLeapYear(GetYear(d)) ? 1 : 0) << c.from;
    }

    DateTimeValue t = At(20240131, 230000);
    AddHours(t, 2);
    EXPECT_EQ(t.date.date, 20240201);
    EXPECT_EQ(t.time, 10000);
    SubtractMinutes(t, 60);
    EXPECT_EQ(t.date.date, 20240201);
    EXPECT_EQ(t.time, 0);
    SubtractSeconds(t, 1);
    EXPECT_EQ(t.date.date, 20240131);
    EXPECT_EQ(t.time, 235959);
}

TEST_F(CalendarTest, MembersClampTheDay) {
    LurDate jan(2023, 1, 31);
    EXPECT_TRUE(jan.AddMonths(1));
    EXPECT_EQ(jan.GetDateInt(), 20230228);
    LurDate leapJan(2024, 1, 31);
    EXPECT_TRUE(leapJan.AddMonths(1));
    EXPECT_EQ(leapJan.GetDateInt(), 20240229);
    LurDate leapDay(2024, 2, 29);
    EXPECT_TRUE(leapDay.AddYears(1));
    EXPECT_EQ(leapDay.GetDateInt(), 20250228);

    LurDate span(1, 1, 1);
    LurDate sum = LurDate(2023, 1, 31) + span;
    EXPECT_EQ(sum.GetDateInt(), 20240303);

    LurDateTime noon(2023, 1, 31, 12, 0, 0, false);
    EXPECT_TRUE(noon.AddMonths(1));
    EXPECT_EQ(noon.GetDouble(), 20230228120000.0);
    LurDateTime late(2024, 1, 31, 23, 0, 0, false);
    LurDateTime timeSpan;
    timeSpan.SetDateInt(0, false, false);
    ASSERT_TRUE(timeSpan.DoSetDouble(30000, false, false, true));  // 03:00:00 on the empty date
    late += timeSpan;
    EXPECT_EQ(late.GetDouble(), 20240201020000.0);
}

TEST_F(CalendarTest, MembersRefuseToLeaveTheCalendar) {
    struct Case {
        int32_t date;
        std::function<bool(LurDate&)> change;
    };
    const Case dates[] = {
        {99991231, [](LurDate& d) { return d.AddDays(1); }},
        {10101, [](LurDate& d) { return d.SubtractDays(1); }},
        {99990115, [](LurDate& d) { return d.AddYears(1); }},
        {10115, [](LurDate& d) { return d.SubtractYears(1); }},
        {99991215, [](LurDate& d) { return d.AddMonths(1); }},
        {10115, [](LurDate& d) { return d.SubtractMonths(1); }},
        {20240101, [](LurDate& d) { return d.AddDays(2147483647); }},
        {20240101, [](LurDate& d) { return d.SubtractDays(-2147483647 - 1); }},
    };
    for (const Case& c : dates) {
        LurDate d(c.date);
        EXPECT_FALSE(c.change(d)) << c.date;
        EXPECT_EQ(d.GetDateInt(), c.date);
    }
    LurDateTime last(9999, 12, 31, 23, 59, 59, false);
    EXPECT_FALSE(last.AddSeconds(1));
    EXPECT_FALSE(last.AddHours(1));
    EXPECT_EQ(last.GetDouble(), 99991231235959.0);
    LurDateTime first(1, 1, 1, 0, 0, 0, false);
    EXPECT_FALSE(first.SubtractMinutes(1));
    EXPECT_EQ(first.GetDouble(), 10101000000.0);
    EXPECT_TRUE(first.AddSeconds(86400));
    EXPECT_EQ(first.GetDouble(), 10102000000.0);
}

TEST_F(CalendarTest, SignedDifferencesMatchTheDayCount) {
    EXPECT_EQ(DayDiff(Date(20230131), Date(20230201)), 1);
    EXPECT_EQ(DayDiff(Date(20221231), Date(20230101)), 1);
    EXPECT_EQ(MonthDiff(Date(20220115), Date(20230115)), 12);
    EXPECT_EQ(DayDiff(Date(20230201), Date(20230131)), -1);
    EXPECT_EQ(MonthDiff(Date(20230115), Date(20220115)), -12);
    EXPECT_EQ(HourDiff(At(20230131, 230000), At(20230201, 10000)), 2);
    EXPECT_EQ(SecondDiff(At(20230131, 101510), At(20230131, 101555)), 45);
    EXPECT_EQ(SecondDiff(At(20230131, 235959), At(20230201, 0)), 1);
    // Day differences across months and years against the day count of the
    // system time arithmetic.
    const int32_t dates[] = {19000228, 19000301, 19991231, 20000229, 20000301, 20230131, 20240229, 20241231, 20991130};
    for (int32_t a : dates)
        for (int32_t b : dates) {
            const long long expected = win::DaysFromCivil(b / 10000, b / 100 % 100, b % 100) -
                                       win::DaysFromCivil(a / 10000, a / 100 % 100, a % 100);
            EXPECT_EQ(DayDiff(Date(a), Date(b)), expected) << a << " " << b;
        }
}

TEST_F(CalendarTest, DayOfYear) {
    EXPECT_EQ(DayOfYear(Date(20231231)), 365);
    EXPECT_EQ(DayOfYear(Date(20241231)), 366);
    EXPECT_EQ(DateFromDayOfYear(2024, 60).date, 20240229);
    EXPECT_EQ(DateFromDayOfYear(2024, 60).leap, 1);
    const Raised beyond = Catch([] { DateFromDayOfYear(2023, 366); });
    EXPECT_EQ(beyond.code, 655);
    EXPECT_EQ(beyond.argument, "2023, 366");
    EXPECT_EQ(Catch([] { DateFromDayOfYear(2023, 0); }).code, 655);
    EXPECT_EQ(Catch([] { DateFromDayOfYear(2023, -5); }).code, 655);
}

TEST_F(CalendarTest, ParsingByFormat) {
    struct Case {
        const char* text;
        const char* format;
        bool ok;
        short year, month, day, hour, minute, second;
        size_t consumed;
    };
    const Case cases[] = {
        {"2024.02.29.", "%Y.%m.%d.", true, 2024, 2, 29, 7, 8, 9, 10},
        {"2024x02x29x", "%Y.%m.%d.", true, 2024, 2, 29, 7, 8, 9, 10},
        {"24-2-29", "%Y.%m.%d.", false, 1, 1, 1, 7, 8, 9, 0},
        {"35-01-02", "%y-%m-%d", true, 2035, 1, 2, 7, 8, 9, 8},
        {"36-01-02", "%y-%m-%d", true, 1936, 1, 2, 7, 8, 9, 8},
        {"00-01-02", "%y-%m-%d", true, 2000, 1, 2, 7, 8, 9, 8},
        {"20240229 153001", "%Y%m%d %H%M%S", true, 2024, 2, 29, 15, 30, 1, 15},
        {"2024", "%Y.%m", false, 2024, 1, 1, 7, 8, 9, 0},
        {"2024.0", "%Y.%m", false, 2024, 1, 1, 7, 8, 9, 0},
    };
    for (const Case& c : cases) {
        short f[6] = {1, 1, 1, 7, 8, 9};
        const char* end = nullptr;
        EXPECT_EQ(ParseDateTime(c.text, c.format, f[0], f[1], f[2], f[3], f[4], f[5], false, &end), c.ok) << c.text;
        EXPECT_EQ(f[0], c.year) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(f[1], c.month) << c.text;
        EXPECT_EQ(f[2], c.day) << c.text;
        EXPECT_EQ(f[3], c.hour) << c.text;
        EXPECT_EQ(f[4], c.minute) << c.text;
        EXPECT_EQ(f[5], c.second) << c.text;
        EXPECT_EQ(static_cast<size_t>(end - c.text), c.consumed) << c.text;
    }
    short y = 0, m = 0, d = 0;
    EXPECT_EQ(Catch([&] { ParseDate(nullptr, "%Y", y, m, d, true, nullptr); }).code, 651);

    LurDateTime parsed(2000, 1, 1, 10, 0, 0, false);
    EXPECT_TRUE(parsed.Parse("2024.02.29.", "%Y.%m.%d.", false, false, nullptr));
    EXPECT_EQ(parsed.GetDouble(), 20240229100000.0);  // the time kept
    EXPECT_EQ(Catch([&] { parsed.Parse("2023.02.29.", "%Y.%m.%d.", false, true, nullptr); }).code, 655);
}

TEST_F(CalendarTest, TimeTRoundTripsAndRefusals) {
    EXPECT_TRUE(IsEmpty(FromTimeT(0)));
    const DateTimeValue invalid = FromTimeT(-1);
    EXPECT_EQ(invalid.date.date, -1);
    EXPECT_EQ(invalid.time, -1);
    // Past 2038, both ways.
    const time_t year2100 = 4102444800;  // 2100-01-01 00:00:00 UTC
    const DateTimeValue v = FromTimeT(year2100);
    EXPECT_EQ(v.date.date, 21000101);
    EXPECT_EQ(ToTimeT(v), year2100);
    EXPECT_EQ(ToTimeT(At(20240229, 153000)), 1709220600);
    EXPECT_EQ(ToTimeT(At(19691231, 235959)), -1);
    EXPECT_EQ(ToTimeT(At(20230229, 0)), -1);
    EXPECT_EQ(ToTimeT(DateTimeValue{}), 0);

    LurDateTime value;
    EXPECT_TRUE(value.SetTimeT(0, false, true));
    EXPECT_TRUE(value.IsNull());
    EXPECT_EQ(value.GetTimeT(), 0);
    const Raised refused = Catch([&] { value.SetTimeT(-5, false, true); });
    EXPECT_EQ(refused.code, 18);
    EXPECT_EQ(refused.line, 1269);
    EXPECT_EQ(refused.argument, "-5");
    EXPECT_FALSE(value.SetTimeT(-5, false, false));

    LurDateTime now;
    const time_t before = std::time(nullptr);
    now.SetNow();
    EXPECT_GE(now.GetTimeT(), before);
    EXPECT_LE(now.GetTimeT(), std::time(nullptr));
    LurDate date;
    EXPECT_EQ(Catch([&] { date.SetTimeT(-5, true); }).line, 215);
}

TEST_F(CalendarTest, DoubleRoundTripsAndRefusals) {
    LurDateTime v;
    ASSERT_TRUE(v.DoSetDouble(20240229153000.0, true, false, true));
    EXPECT_EQ(v.GetValue().date.date, 20240229);
    EXPECT_EQ(v.GetValue().time, 153000);
    EXPECT_EQ(v.GetValue().date.leap, 1);
    EXPECT_EQ(v.GetDouble(), 20240229153000.0);

    const Raised refused = Catch([&] { v.DoSetDouble(20230229000000.0, true, false, true); });
    EXPECT_EQ(refused.code, 18);
    EXPECT_EQ(refused.line, 1207);
    EXPECT_NE(std::string(refused.file).find("LurDateTime"), std::string::npos);
    EXPECT_FALSE(v.DoSetDouble(20230229000000.0, true, false, false));
    EXPECT_FALSE(v.DoSetDouble(20240229156000.0, true, false, false));
    EXPECT_EQ(v.GetDouble(), 20240229153000.0);

    ASSERT_TRUE(v.DoSetDouble(10101, false, false, true));  // 01:01:01 on the empty date
    EXPECT_EQ(v.GetValue().date.date, 0);
    EXPECT_EQ(v.GetValue().time, 10101);
    EXPECT_TRUE(v.DoSetDouble(0, false, false, true));
    EXPECT_TRUE(v.IsNull());
    v = 20240101000000.0;
    v = 0.0;
    EXPECT_TRUE(v.IsNull());
}

TEST_F(CalendarTest, ConstructorsRaiseWithTheirLines) {
    const Raised date = Catch([] { LurDate(2023, 2, 29); });
    EXPECT_EQ(date.code, 651);
    EXPECT_EQ(date.line, 82);
    EXPECT_EQ(date.argument, "2023.02.29.");  // the fields through the default date format
    const Raised three = Catch([] { LurDateTime(2023, 2, 30, false); });
    EXPECT_EQ(three.line, 579);
    const Raised six = Catch([] { LurDateTime(2023, 1, 1, 25, 0, 0, false); });
    EXPECT_EQ(six.code, 651);
    EXPECT_EQ(six.line, 599);
    // 652: a value the zone conversion could not convert.
    const lurtest::UiLanguageScope english(win::LANG_ENGLISH);
    const LurExceptDateTime unconverted(652, StrVector("2024.03.31. 02:30:00"));
    EXPECT_NE(std::string(unconverted.what()).find("local and universal time: 2024.03.31. 02:30:00"), std::string::npos)
        << unconverted.what();
}

TEST_F(CalendarTest, BrokenDownTimeHasTheTrueWeekdayAndDayOfYear) {
    std::tm t{};
    ASSERT_TRUE(FieldsToTm(2024, 2, 29, 15, 30, 0, t));
    EXPECT_EQ(t.tm_wday, 4);  // Thursday
    EXPECT_EQ(t.tm_yday, 59);
    EXPECT_EQ(t.tm_isdst, 0);
    EXPECT_EQ(FormatFields(2024, 2, 29, 15, 30, 0, "%a %j %W %U"), "Thu 060 09 08");
    EXPECT_EQ(FormatFields(1899, 12, 31, 0, 0, 0, "%Y.%m.%d."), "1900.01.00.");
    EXPECT_FALSE(ValueToTm(Date(20230229), t));
}

TEST_F(CalendarTest, FormatInTheCAndHungarianLocales) {
    const DateTimeValue v = At(20240229, 153005);
    EXPECT_EQ(FormatValue(v, "%c"), "02/29/24 15:30:05");
    EXPECT_EQ(FormatValue(v, "%A %a %B %b %p %I %x %X %%"), "Thursday Thu February Feb PM 03 02/29/24 15:30:05 %");
    EXPECT_EQ(FormatValue(v, "%Y %Q"), "");  // an unknown directive gives the empty text
    EXPECT_EQ(FormatValue(v, "%"), "");
    EXPECT_EQ(FormatValue(DateTimeValue{}, "%Y"), "");
    EXPECT_EQ(FormatValue(v, std::string(300, 'x')), "");  // longer than 259 characters

    ASSERT_NE(win::crt::SetLocale("hu_HU"), nullptr);
    EXPECT_EQ(FormatValue(v, "%A %B %p"), "cs\xFCt\xF6rt\xF6k febru\xE1r du.");
    EXPECT_EQ(FormatValue(v, "%c"), "2024. 02. 29. 15:30:05");
    win::crt::SetLocale("C");

    LurDateTime value(2024, 2, 29, 15, 30, 5, false);
    EXPECT_EQ(value.FormatDateTime(false), "2024.02.29. 15:30:05");
    EXPECT_EQ(value.FormatDate(false), "2024.02.29.");
    EXPECT_EQ(value.FormatTime(false), "15:30:05");
}

TEST_F(CalendarTest, TranslateTokensTriesPairsInOrder) {
    const TokenTable table = {{"YYYY", "%Y"}, {"YY", "%y"}, {"MM", "%m"}, {"DD", "%d"}};
    EXPECT_EQ(TranslateTokens(table, "YYYY.MM.DD YY", TokenSide::First, TokenSide::Second), "%Y.%m.%d %y");
    EXPECT_EQ(TranslateTokens(table, "%Y-%m", TokenSide::Second, TokenSide::First), "YYYY-MM");
}

// A value kept elsewhere whose load fails: every reading operation gives
// its failure result.
class Unloadable : public LurDateTime {
public:
    using LurDateTime::LurDateTime;

protected:
    bool LoadValue() const override { return false; }
};

TEST_F(CalendarTest, FailedLoadsGiveTheFailureResults) {
    Unloadable broken;
    EXPECT_EQ(broken.GetYear(false), -1);
    EXPECT_EQ(broken.GetDouble(), -1);
    EXPECT_EQ(broken.GetTimeT(), -1);
    EXPECT_EQ(broken.Format("%Y", false), "");
    EXPECT_TRUE(broken.IsNull());
    EXPECT_FALSE(broken.AddDays(1));
    const LurDateTime fine(2024, 1, 1, false);
    EXPECT_EQ(Catch([&] { YearDiff(broken, fine); }).line, 1363);
    EXPECT_EQ(Catch([&] { SecondDiff(fine, broken); }).line, 1420);
    EXPECT_EQ(Catch([&] { broken.DayOfYear(); }).line, 1429);
}

}  // namespace
