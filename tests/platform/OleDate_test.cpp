#include "platform/Clock.h"
#include "platform/OleDate.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <limits>
#include <cstdio>
#include <iomanip>
#include <string>
#include <vector>

namespace {

constexpr double kSecond = 1.0 / 86400.0;

struct CalendarCase {
    int year, month, day, hour, minute, second;
    double value;
    int dayOfWeek; // 1 = Sunday
    int dayOfYear;
};

// Calendar fields and their OLE values, before and after 30 December 1899 and
// around leap days.
const CalendarCase kCalendarCases[] = {
    {1899, 12, 30, 0, 0, 0, 0.0, 7, 364},
    {1899, 12, 31, 0, 0, 0, 1.0, 1, 365},
    {1900, 1, 1, 0, 0, 0, 2.0, 2, 1},
    {1899, 12, 30, 6, 0, 0, 0.25, 7, 364},
    {1899, 12, 29, 6, 0, 0, -1.25, 6, 363},
    {1899, 12, 29, 18, 0, 0, -1.75, 6, 363},
    {1899, 12, 28, 0, 0, 0, -2.0, 5, 362},
    {1800, 1, 1, 12, 0, 0, -36522.5, 4, 1},
    {1600, 2, 29, 0, 0, 0, -109512.0, 3, 60},
    {1900, 2, 28, 0, 0, 0, 60.0, 4, 59},
    {1900, 3, 1, 0, 0, 0, 61.0, 5, 60},
    {2000, 2, 29, 0, 0, 0, 36585.0, 3, 60},
    {2000, 3, 1, 12, 0, 0, 36586.5, 4, 61},
    {2000, 12, 31, 0, 0, 0, 36891.0, 1, 366},
    {2023, 3, 5, 14, 34, 56, 44990.0 + (14 * 3600 + 34 * 60 + 56) * kSecond, 1, 64},
    {100, 1, 1, 0, 0, 0, -657434.0, 6, 1},
    {9999, 12, 31, 23, 59, 59, 2958465.0 + 86399 * kSecond, 6, 365},
};

TEST(OleDateCalendar, FieldsAndValuesConvertBothWays) {
    for (const auto& c : kCalendarCases) {
        SCOPED_TRACE(testing::Message() << c.year << '-' << c.month << '-' << c.day << ' ' << c.hour << ':' << c.minute
                                        << ':' << c.second);
        OleDate built;
        EXPECT_EQ(built.SetDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second), 0);
        EXPECT_EQ(built.GetStatus(), OleDate::valid);
        EXPECT_DOUBLE_EQ(built.m_dt, c.value);

        const OleDate date(c.value);
        EXPECT_EQ(date.GetYear(), c.year);
        EXPECT_EQ(date.GetMonth(), c.month);
        EXPECT_EQ(date.GetDay(), c.day);
        EXPECT_EQ(date.GetHour(), c.hour);
        EXPECT_EQ(date.GetMinute(), c.minute);
        EXPECT_EQ(date.GetSecond(), c.second);
        EXPECT_EQ(date.GetDayOfWeek(), c.dayOfWeek);
        EXPECT_EQ(date.GetDayOfYear(), c.dayOfYear);

        SystemTime st;
        ASSERT_TRUE(date.GetAsSystemTime(st));
        EXPECT_EQ(st, (SystemTime{static_cast<std::uint16_t>(c.year), static_cast<std::uint16_t>(c.month),
                                  static_cast<std::uint16_t>(c.dayOfWeek - 1), static_cast<std::uint16_t>(c.day),
                                  static_cast<std::uint16_t>(c.hour), static_cast<std::uint16_t>(c.minute),
                                  static_cast<std::uint16_t>(c.second), 0}));
        EXPECT_DOUBLE_EQ(OleDate(st).m_dt, c.value);
    }
}

TEST(OleDateCalendar, FieldsThatFormNoDateLeaveTheValueAndMarkItInvalid) {
    struct Bad {
        int year, month, day, hour, minute, second;
    };
    const Bad bad[] = {
        {1900, 2, 29, 0, 0, 0}, {2100, 2, 29, 0, 0, 0}, {2023, 2, 29, 0, 0, 0}, {2023, 4, 31, 0, 0, 0},
        {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0}, {2023, 0, 1, 0, 0, 0},  {2023, 13, 1, 0, 0, 0},
        {2023, 1, 0, 0, 0, 0},  {2023, 1, 32, 0, 0, 0}, {2023, 1, 1, 24, 0, 0}, {2023, 1, 1, 0, 60, 0},
        {2023, 1, 1, 0, 0, 60}, {2023, 1, 1, -1, 0, 0}, {2023, 1, 1, 0, -1, 0}, {2023, 1, 1, 0, 0, -1},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(testing::Message() << b.year << '-' << b.month << '-' << b.day << ' ' << b.hour << ':' << b.minute
                                        << ':' << b.second);
        OleDate date(1234.5);
        EXPECT_EQ(date.SetDateTime(b.year, b.month, b.day, b.hour, b.minute, b.second), 1);
        EXPECT_EQ(date.GetStatus(), OleDate::invalid);
        EXPECT_EQ(date.m_dt, 1234.5);
        EXPECT_EQ(date.GetYear(), -1);
        EXPECT_EQ(date.GetDayOfWeek(), -1);
        EXPECT_EQ(date.Format("%d.%m.%Y"), "");
        SystemTime st{1, 2, 3, 4, 5, 6, 7, 8};
        EXPECT_FALSE(date.GetAsSystemTime(st));
        EXPECT_EQ(st, (SystemTime{1, 2, 3, 4, 5, 6, 7, 8}));
    }
    // A system time of zeros (how an invalid date is stored) does not convert.
    EXPECT_EQ(OleDate(SystemTime{}).GetStatus(), OleDate::invalid);
    // Day of week and milliseconds of a system time are not checked.
    EXPECT_EQ(OleDate(SystemTime{2023, 3, 6, 5, 12, 0, 0, 999}).m_dt, 44990.5);
}

TEST(OleDateCalendar, SetDateAndSetTimeFillTheOtherPartWithZero) {
    OleDate date;
    EXPECT_EQ(date.SetDate(2008, 3, 3), 0);
    EXPECT_EQ(date.m_dt, 39510.0);
    EXPECT_EQ(date.SetTime(18, 0, 0), 0);
    EXPECT_EQ(date.m_dt, 0.75);
    EXPECT_EQ(OleDate().m_dt, 0.0);
    EXPECT_EQ(OleDate().GetStatus(), OleDate::valid);
}

TEST(OleDateCalendar, TheCalendarDayOfADate) {
    const OleDate date(2024, 2, 29, 17, 30, 12);
    EXPECT_TRUE(datesEqual(dayStart(date), OleDate(2024, 2, 29, 0, 0, 0)));
    EXPECT_TRUE(datesEqual(dayEnd(date), OleDate(2024, 2, 29, 23, 59, 59)));
    OleDate invalid;
    invalid.SetStatus(OleDate::invalid);
    EXPECT_EQ(dayStart(invalid).GetStatus(), OleDate::invalid);
    EXPECT_EQ(dayEnd(invalid).GetStatus(), OleDate::invalid);
}

TEST(OleDateCalendar, FieldsAreRoundedToTheNearestSecond) {
    struct Rounding {
        double value;
        int year, month, day, hour, minute, second;
    };
    const double noon = 44990.5; // 5 March 2023 12:00
    const Rounding cases[] = {
        {noon + 0.4 * kSecond, 2023, 3, 5, 12, 0, 0},
        {noon + 0.6 * kSecond, 2023, 3, 5, 12, 0, 1},
        {noon - 0.4 * kSecond, 2023, 3, 5, 12, 0, 0},
        {noon - 0.6 * kSecond, 2023, 3, 5, 11, 59, 59},
        // 31 December 1999 23:59:59.6 carries into the next year.
        {36526.0 - 0.4 * kSecond, 2000, 1, 1, 0, 0, 0},
        // Before 1899 the fraction counts forward: 29 Dec 06:00:00.6 and 05:59:59.4.
        {-1.25 - 0.6 * kSecond, 1899, 12, 29, 6, 0, 1},
        {-1.25 + 0.6 * kSecond, 1899, 12, 29, 5, 59, 59},
        // 29 Dec 23:59:59.9 and 30 Dec 23:59:59.9 round into the next day.
        {-2.0 + 0.1 * kSecond, 1899, 12, 30, 0, 0, 0},
        {-1.0 + 0.1 * kSecond, 1899, 12, 31, 0, 0, 0},
        // Just below 0: within half a second it is day 0 itself; further on, "minus zero" days
        // count the fraction forward from day 0.
        {-0.4 * kSecond, 1899, 12, 30, 0, 0, 0},
        {-0.6 * kSecond, 1899, 12, 30, 0, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::setprecision(17) << c.value);
        const OleDate date(c.value);
        EXPECT_EQ(date.GetYear(), c.year);
        EXPECT_EQ(date.GetMonth(), c.month);
        EXPECT_EQ(date.GetDay(), c.day);
        EXPECT_EQ(date.GetHour(), c.hour);
        EXPECT_EQ(date.GetMinute(), c.minute);
        EXPECT_EQ(date.GetSecond(), c.second);
    }
}

TEST(OleDateCalendar, ValuesOutsideTheSupportedYearsHaveNoFields) {
    for (const double value : {-657435.0, 2958466.0, 2958466.0 - 0.4 * kSecond, 1e300, std::nan("")}) {
        SCOPED_TRACE(value);
        const OleDate date(value);
        EXPECT_EQ(date.GetYear(), -1);
        EXPECT_EQ(date.Format("%x"), "");
        EXPECT_FALSE(date.toTimeT());
    }
    OleDate nullDate(44990.5);
    nullDate.SetStatus(OleDate::null);
    EXPECT_EQ(nullDate.GetDay(), -1);
    EXPECT_EQ(nullDate.Format("%x"), "");
}

TEST(SystemTimeBytes, SixteenLittleEndianWords) {
    const SystemTime st{2023, 3, 0, 5, 14, 34, 56, 789};
    const auto bytes = systemTimeToBytes(st);
    const std::array<std::uint8_t, 16> expected = {0xE7, 0x07, 3, 0, 0, 0, 5, 0, 14, 0, 34, 0, 56, 0, 0x15, 0x03};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(systemTimeFromBytes(bytes), st);
    EXPECT_FALSE(systemTimeFromBytes(std::span(bytes).first(15)));
    const std::vector<std::uint8_t> seventeen(17, 0);
    EXPECT_FALSE(systemTimeFromBytes(seventeen));
}

// ---------------------------------------------------------------- comparison rules

OleDate withStatus(double value, OleDate::DateTimeStatus status) {
    OleDate date(value);
    date.SetStatus(status);
    return date;
}

TEST(OleDateRules, EqualWithinHalfASecondOrderedStrictly) {
    const double base = 44990.5;
    struct Rule {
        const char* what;
        OleDate a, b;
        bool equal, earlier, later;
    };
    const Rule rules[] = {
        {"same value", OleDate(base), OleDate(base), true, false, false},
        {"0.4 s earlier", OleDate(base - 0.4 * kSecond), OleDate(base), true, true, false},
        {"0.4 s later", OleDate(base + 0.4 * kSecond), OleDate(base), true, false, true},
        {"0.6 s earlier", OleDate(base - 0.6 * kSecond), OleDate(base), false, true, false},
        {"exactly half a second", OleDate(0.0), OleDate(kOleHalfSecond), false, true, false},
        {"valid and invalid", OleDate(base), withStatus(base, OleDate::invalid), false, false, false},
        {"two invalid", withStatus(base, OleDate::invalid), withStatus(base, OleDate::invalid), false, false, false},
        {"two null", withStatus(1.0, OleDate::null), withStatus(2.0, OleDate::null), true, false, false},
        {"null and valid", withStatus(base, OleDate::null), OleDate(base + 1), false, false, false},
        // Before 1899: 29 Dec 06:00 (-1.25) is earlier than 29 Dec 18:00 (-1.75).
        {"06:00 and 18:00 of 29 Dec 1899", OleDate(-1.25), OleDate(-1.75), false, true, false},
        {"28 Dec 00:00 and 29 Dec 12:00", OleDate(-2.0), OleDate(-1.5), false, true, false},
        {"29 Dec 18:00 and 30 Dec 00:00", OleDate(-1.75), OleDate(0.0), false, true, false},
        {"30 Dec 06:00 written both ways", OleDate(-0.25), OleDate(0.25), false, false, false},
    };
    for (const auto& r : rules) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(datesEqual(r.a, r.b), r.equal);
        EXPECT_EQ(datesEqual(r.b, r.a), r.equal);
        EXPECT_EQ(dateEarlier(r.a, r.b), r.earlier);
        EXPECT_EQ(dateLater(r.a, r.b), r.later);
        EXPECT_EQ(dateLater(r.b, r.a), r.earlier);
        EXPECT_EQ(dateEarlierOrEqual(r.a, r.b), r.earlier || r.equal);
        EXPECT_EQ(dateLaterOrEqual(r.a, r.b), r.later || r.equal);
    }
}

TEST(OleDateRules, SpansRoundWholeDaysAndHoursByHalfASecond) {
    const double base = 44990.0;
    struct SpanCase {
        const char* what;
        double seconds; // b - a
        long long days;
        int hours, minutes, secondsPart;
    };
    const SpanCase cases[] = {
        {"9 h 59 min 59.5 s", 9 * 3600 + 59 * 60 + 59.5, 0, 10, 0, 0},
        {"9 h 59 min 59.4 s", 9 * 3600 + 59 * 60 + 59.4, 0, 9, 59, 59},
        {"a day less 0.4 s", 86400 - 0.4, 1, 0, 0, 0},
        {"a day less 0.6 s", 86400 - 0.6, 0, 23, 59, 59},
        {"minus a day and 0.4 s less", -(86400 - 0.4), -1, 0, 0, 0},
        {"minus 2 days 3 hours", -(2 * 86400 + 3 * 3600), -2, -3, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const OleDateSpan span = OleDate(base + c.seconds * kSecond) - OleDate(base);
        EXPECT_EQ(span.GetStatus(), OleDateSpan::valid);
        EXPECT_EQ(span.GetDays(), c.days);
        EXPECT_EQ(span.GetHours(), c.hours);
        EXPECT_EQ(span.GetMinutes(), c.minutes);
        EXPECT_EQ(span.GetSeconds(), c.secondsPart);
        EXPECT_EQ(span.GetTotalSeconds(),
                  static_cast<long long>(std::floor(std::fabs(c.seconds) + 0.5)) * (c.seconds < 0 ? -1 : 1));
    }
    EXPECT_EQ(OleDateSpan(2, 3, 4, 5).GetTotalMinutes(), 2 * 1440 + 3 * 60 + 4);
    EXPECT_EQ(OleDateSpan(2, 3, 4, 5).GetTotalHours(), 51);
}

// Spans between dates of damaged files: far beyond what the whole parts can hold, or not a number.
// They saturate instead of converting out of range.
TEST(OleDateRules, SpansBeyondTheWholePartsSaturate) {
    constexpr long long kMax = 9200000000000000000LL;
    struct Case {
        double span;
        long long days, totalHours, totalSeconds;
    };
    const Case cases[] = {
        {1e221, kMax, kMax, kMax},
        {-1e221, -kMax, -kMax, -kMax},
        {std::numeric_limits<double>::infinity(), kMax, kMax, kMax},
        {std::numeric_limits<double>::quiet_NaN(), 0, 0, 0},
        {1e17, 100000000000000000LL, 2400000000000000000LL, kMax},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.span);
        const OleDateSpan span(c.span);
        EXPECT_EQ(span.GetDays(), c.days);
        EXPECT_EQ(span.GetTotalHours(), c.totalHours);
        EXPECT_EQ(span.GetTotalMinutes(), c.totalSeconds);
        EXPECT_EQ(span.GetTotalSeconds(), c.totalSeconds);
        EXPECT_EQ(span.GetHours(), static_cast<int>(c.totalHours % 24));
        EXPECT_EQ(span.GetSeconds(), static_cast<int>(c.totalSeconds % 60));
    }
}

TEST(OleDateRules, ArithmeticRunsOnTheContinuousValue) {
    // Across 30 December 1899 in both directions.
    EXPECT_DOUBLE_EQ((OleDate(0.25) - OleDateSpan(1.0)).m_dt, -1.25);
    EXPECT_DOUBLE_EQ((OleDate(-1.25) + OleDateSpan(1.5)).m_dt, 0.75);
    EXPECT_DOUBLE_EQ((OleDate(-1.25) + OleDateSpan(0.5)).m_dt, -1.75);
    EXPECT_DOUBLE_EQ((OleDate(-1.25) - OleDate(0.0)).m_span, -0.75);
    EXPECT_EQ((OleDate(-1.25) - OleDate(0.0)).GetHours(), -18);
    // Leap days: 28 Feb 2000 + 1 day is the 29th, 28 Feb 1900 + 1 day is 1 March.
    EXPECT_EQ((OleDate(2000, 2, 28, 0, 0, 0) + OleDateSpan(1.0)).GetDay(), 29);
    EXPECT_EQ((OleDate(1900, 2, 28, 0, 0, 0) + OleDateSpan(1.0)).GetMonth(), 3);
    OleDate date(2023, 3, 5, 12, 0, 0);
    date -= OleDateSpan(0, 3, 0, 0);
    EXPECT_EQ(date.GetHour(), 9);
    date += OleDateSpan(1, 0, 30, 0);
    EXPECT_EQ(date.Format("%d.%m.%Y %H:%M"), "06.03.2023 09:30");

    // The result is valid whatever the date's status; a span's status carries over.
    EXPECT_EQ((withStatus(44990.5, OleDate::invalid) - OleDateSpan(3.0)).GetStatus(), OleDate::valid);
    OleDateSpan invalidSpan(1.0);
    invalidSpan.SetStatus(OleDateSpan::invalid);
    EXPECT_EQ((OleDate(44990.5) + invalidSpan).GetStatus(), OleDate::invalid);
    // Leaving the supported years makes the result invalid.
    EXPECT_EQ((OleDate(9999, 12, 31, 0, 0, 0) + OleDateSpan(1.0)).GetStatus(), OleDate::invalid);
    // A span from a date that is not valid carries its status.
    EXPECT_EQ((withStatus(1.0, OleDate::null) - OleDate(0.0)).GetStatus(), OleDateSpan::null);
    EXPECT_EQ((OleDate(0.0) - withStatus(1.0, OleDate::invalid)).GetStatus(), OleDateSpan::invalid);
}

// ---------------------------------------------------------------- local time

class OleDateLocalTime : public testsupport::TempDirTest {};

struct Transition {
    const char* zone;
    std::time_t instant;   // the first second of the new offset
    const char* lastOld;   // local time one second before
    const char* firstNew;  // local time at the instant
    const char* inBetween; // a local time in the gap or in the repeated hour
    std::time_t inBetweenResult;
    bool spring;
};

const Transition kTransitions[] = {
    {"Europe/Berlin", 1679792400, "2023-03-26 01:59:59", "2023-03-26 03:00:00", "2023-03-26 02:30:00", 1679794200,
     true},
    {"Europe/Berlin", 1698541200, "2023-10-29 02:59:59", "2023-10-29 02:00:00", "2023-10-29 02:30:00", 1698539400,
     false},
    {"America/New_York", 1678604400, "2023-03-12 01:59:59", "2023-03-12 03:00:00", "2023-03-12 02:30:00", 1678606200,
     true},
    {"America/New_York", 1699164000, "2023-11-05 01:59:59", "2023-11-05 01:00:00", "2023-11-05 01:30:00", 1699162200,
     false},
};

OleDate parse(const char* text) {
    int y, mo, d, h, mi, s;
    EXPECT_EQ(std::sscanf(text, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s), 6);
    return OleDate(y, mo, d, h, mi, s);
}

TEST_F(OleDateLocalTime, TimeTConvertsThroughLocalTimeAcrossClockChanges) {
    for (const auto& tr : kTransitions) {
        SCOPED_TRACE(testing::Message() << tr.zone << ' ' << tr.firstNew);
        testsupport::setTimeZone(tr.zone);
        EXPECT_EQ(OleDate::fromTimeT(tr.instant - 1).Format("%Y-%m-%d %H:%M:%S"), tr.lastOld);
        EXPECT_EQ(OleDate::fromTimeT(tr.instant).Format("%Y-%m-%d %H:%M:%S"), tr.firstNew);
        // A local time in the gap moves forward; one in the repeated hour is its first occurrence.
        EXPECT_EQ(parse(tr.inBetween).toTimeT(), tr.inBetweenResult);

        // Every quarter of an hour from three hours before to three hours after.
        for (std::time_t t = tr.instant - 3 * 3600; t <= tr.instant + 3 * 3600; t += 900) {
            SCOPED_TRACE(t);
            const OleDate local = OleDate::fromTimeT(t);
            ASSERT_EQ(local.GetStatus(), OleDate::valid);
            const auto back = local.toTimeT();
            ASSERT_TRUE(back);
            const bool secondOccurrence = !tr.spring && t >= tr.instant && t < tr.instant + 3600;
            EXPECT_EQ(*back, secondOccurrence ? t - 3600 : t);
            EXPECT_TRUE(datesEqual(OleDate::fromTimeT(*back), local));
        }
    }
}

TEST_F(OleDateLocalTime, TimeTValuesFarFromNow) {
    testsupport::setTimeZone("UTC");
    EXPECT_EQ(OleDate::fromTimeT(0).m_dt, 25569.0);
    EXPECT_EQ(OleDate::fromTimeT(4102444800).m_dt, 73051.0); // 2100-01-01, past 32 bits
    EXPECT_EQ(OleDate::fromTimeT(-86400 * 25569LL + 6 * 3600).m_dt, 0.25);
    EXPECT_EQ(OleDate(1899, 12, 29, 6, 0, 0).toTimeT(), -86400 * 25570LL + 6 * 3600);
    EXPECT_EQ(OleDate(2100, 1, 1, 0, 0, 0).toTimeT(), 4102444800);
    // Before the year 100 the calendar has no OLE date.
    EXPECT_EQ(OleDate::fromTimeT(-62167219200LL).GetStatus(), OleDate::invalid); // year 0
    testsupport::setTimeZone("Europe/Berlin");
    EXPECT_EQ(OleDate::fromTimeT(0).Format("%Y-%m-%d %H:%M:%S"), "1970-01-01 01:00:00");
}

TEST_F(OleDateLocalTime, CurrentTimeIsTheClocksLocalTimeInWholeSeconds) {
    using namespace std::chrono;
    // 5 March 2023 11:00:00.999 UTC is 12:00:00 in Berlin.
    FixedClock clock(system_clock::time_point(seconds(1678014000)) + milliseconds(999));
    ScopedClock guard(clock);
    const OleDate now = OleDate::GetCurrentTime();
    EXPECT_EQ(now.GetStatus(), OleDate::valid);
    EXPECT_EQ(now.m_dt, 44990.5);
    testsupport::setTimeZone("America/New_York");
    EXPECT_EQ(OleDate::GetCurrentTime().Format("%Y-%m-%d %H:%M:%S"), "2023-03-05 06:00:00");
}

// ---------------------------------------------------------------- formatting

class OleDateFormat : public testsupport::TempDirTest {
protected:
    void TearDown() override {
        std::setlocale(LC_TIME, "C");
        TempDirTest::TearDown();
    }
};

TEST_F(OleDateFormat, PatternsFollowTheCurrentLocale) {
    const OleDate date(2023, 3, 5, 14, 34, 56); // a Sunday, winter time in Berlin
    const OleDate summer(2023, 7, 1, 9, 5, 0);
    struct Pattern {
        const char* locale;
        const char* format;
        const OleDate* date;
        const char* expected;
    };
    const Pattern patterns[] = {
        {"C", "%x", &date, "03/05/23"},
        {"C", "%d.%m.%Y", &date, "05.03.2023"},
        {"C", "%H:%M", &date, "14:34"},
        {"C", "%x %H:%M", &date, "03/05/23 14:34"},
        {"C", "%c", &date, "Sun Mar  5 14:34:56 2023"},
        {"C", "%j %a %A", &date, "064 Sun Sunday"},
        {"C", "%Z", &date, "CET"},
        {"C", "%Z %z", &summer, "CEST +0200"},
        {"de_DE.UTF-8", "%x", &date, "05.03.2023"},
        {"de_DE.UTF-8", "%c", &date, "So 05 M\xC3\xA4r 2023 14:34:56 CET"},
        {"de_DE.UTF-8", "%x %X", &summer, "01.07.2023 09:05:00"},
        {"en_US.UTF-8", "%x", &date, "03/05/2023"},
        {"en_US.UTF-8", "%c", &date, "Sun 05 Mar 2023 02:34:56 PM CET"},
        {"en_US.UTF-8", "%x at %X", &summer, "07/01/2023 at 09:05:00 AM"},
    };
    for (const auto& p : patterns) {
        SCOPED_TRACE(testing::Message() << p.locale << ' ' << p.format);
        ASSERT_NE(std::setlocale(LC_TIME, p.locale), nullptr) << "locale missing: " << p.locale;
        EXPECT_EQ(p.date->Format(p.format), p.expected);
    }
    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(date.Format(""), "");
    // Dates before 1900 format too.
    EXPECT_EQ(OleDate(-1.25).Format("%d.%m.%Y %H:%M"), "29.12.1899 06:00");
    // A long result is not cut.
    const std::string longFormat(600, 'x');
    EXPECT_EQ(date.Format((longFormat + "%Y").c_str()), longFormat + "2023");
}

} // namespace
