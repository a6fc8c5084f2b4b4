#pragma once
// Date-time values of the portfolio: an OLE automation date (days since
// 30 December 1899 00:00 as a double, the fraction being the time of day) with a
// validity status. Dates are local calendar values; no time zone is stored.
//
// Before 30 December 1899 the whole part counts back while the fraction still
// counts forward: -1.25 is 29 December 1899 06:00. Calendar fields are valid for
// the years 100 to 9999 and are always rounded to the nearest second.
//
// Comparisons follow the model's rules (equal within half a second, strict
// ordering between valid dates) and are named functions, not operators: the
// tolerance does not make an equivalence.

#include <array>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>

// The calendar fields of the system's time structure (SYSTEMTIME).
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;     // 1 to 12
    std::uint16_t wDayOfWeek = 0; // 0 = Sunday to 6 = Saturday
    std::uint16_t wDay = 0;       // 1 to 31
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;

    bool operator==(const SystemTime&) const = default;
};

// The 16-byte form of a SystemTime: the eight fields above in order, each a
// little-endian 16-bit word (how it is kept as a binary setting).
std::array<std::uint8_t, 16> systemTimeToBytes(const SystemTime& st);
// Nothing unless `bytes` holds exactly 16 bytes.
std::optional<SystemTime> systemTimeFromBytes(std::span<const std::uint8_t> bytes);

// A span between two dates, in days (COleDateTimeSpan).
class Clock;

class OleDateSpan {
public:
    enum DateTimeSpanStatus : int { valid = 0, invalid = 1, null = 2 };

    double m_span = 0.0;
    DateTimeSpanStatus m_status = valid;

    OleDateSpan() = default;
    explicit OleDateSpan(double days) : m_span(days) {}
    OleDateSpan(long long days, int hours, int minutes, int seconds);

    DateTimeSpanStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeSpanStatus status) { m_status = status; }
    // Sets the span from its parts (each may be negative or exceed its unit); status valid.
    void SetDateTimeSpan(long long days, int hours, int minutes, int seconds);

    // Whole days: the span plus half a second (minus, for a negative span),
    // truncated toward zero; an exact half second counts in full despite the
    // rounding error of doubles. The parts below use the same rounded span and
    // carry the span's sign. A span beyond what the results can hold gives the
    // nearest value they hold (0 for a span that is not a number).
    long long GetDays() const;
    int GetHours() const;   // -23 to 23
    int GetMinutes() const; // -59 to 59
    int GetSeconds() const; // -59 to 59
    // The whole span in hours, minutes or seconds, rounded the same way.
    long long GetTotalHours() const;
    long long GetTotalMinutes() const;
    long long GetTotalSeconds() const;

    OleDateSpan operator+(const OleDateSpan& other) const;
    OleDateSpan operator-(const OleDateSpan& other) const;
    OleDateSpan operator-() const;
};

// An OLE automation date with its status (COleDateTime).
class OleDate {
public:
    enum DateTimeStatus : int { valid = 0, invalid = 1, null = 2 };

    double m_dt = 0.0;
    DateTimeStatus m_status = valid;

    // 30 December 1899 00:00, valid.
    OleDate() = default;
    // The given value, valid (no range check, as the class library does).
    explicit OleDate(double dt) : m_dt(dt) {}
    // From calendar fields; status invalid when they do not form a date (see SetDateTime).
    OleDate(int year, int month, int day, int hour, int minute, int second);
    // From the system's time structure; day of week and milliseconds are ignored.
    explicit OleDate(const SystemTime& st);

    // The local calendar time of `t` (localtime_r, so TZ is honoured); invalid
    // when it cannot be converted or lies outside the years 100 to 9999.
    static OleDate fromTimeT(std::time_t t);
    // Now in local time from currentClock(), or from `clock`, in whole seconds (the fraction dropped).
    static OleDate GetCurrentTime();
    static OleDate GetCurrentTime(const Clock& clock);

    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus status) { m_status = status; }

    // Year 100 to 9999, month 1 to 12, day within the month, hour 0 to 23,
    // minute and second 0 to 59. Returns the new status: 0 (valid) on success,
    // else 1 (invalid), with the value left unchanged.
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    // The date at 00:00:00.
    int SetDate(int year, int month, int day);
    // The time on 30 December 1899 (the value's fraction only).
    int SetTime(int hour, int minute, int second);

    // Calendar fields after rounding to the nearest second; -1 when the date is
    // not valid or its value lies outside the supported years.
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const; // 1 = Sunday to 7 = Saturday
    int GetDayOfYear() const; // 1 to 366

    // All fields at once (milliseconds 0, day of week 0 = Sunday); false, and
    // `st` untouched, where the getters above give -1.
    bool GetAsSystemTime(SystemTime& st) const;

    // The moment this local calendar time stands for (mktime). A local time that
    // occurs twice (when the clocks go back) gives its first occurrence; one that
    // does not exist (when the clocks go forward) is moved forward by the gap.
    // Nothing when the date is not valid or cannot be converted.
    std::optional<std::time_t> toTimeT() const;

    // The date formatted by strftime in the current C locale ("%x", "%c",
    // "%H:%M", "%d.%m.%Y", ...). Empty when the date is not valid.
    std::string Format(const char* format) const;
    // The user's short form of a date and time, as a person reads a moment in lists, dialogs,
    // printouts and messages: the locale's numeric date and its time with seconds (the program
    // takes the locale from the user's environment at start). Files and logs keep their formats.
    static constexpr const char* kUserDateTime = "%x %X";

    // Whether `dt` stands for a time within the supported years (finite, 100 to 9999 after
    // rounding to the second).
    static bool inRange(double dt);

    // The value on a continuous scale, on which earlier dates are smaller: the
    // value itself from -1/172800 (minus half a second) upward, else 2*ceil(v) - v.
    static double toContinuous(double dt) { return dt > -1.0 / 172800.0 ? dt : 2.0 * std::ceil(dt) - dt; }
    // The inverse: the OLE value of a continuous one.
    static double fromContinuous(double value);
};

// Date arithmetic on the continuous value. The result is valid whatever the
// date's status (the class library's rule), invalid when the span is invalid or
// the result leaves the supported years, null when the span is null.
OleDate operator+(const OleDate& date, const OleDateSpan& span);
OleDate operator-(const OleDate& date, const OleDateSpan& span);
OleDate& operator+=(OleDate& date, const OleDateSpan& span);
OleDate& operator-=(OleDate& date, const OleDateSpan& span);
// The difference of the continuous values; null when either date is null,
// invalid when either is invalid.
OleDateSpan operator-(const OleDate& a, const OleDate& b);

// Half a second in days.
inline constexpr double kOleHalfSecond = 1.0 / 172800.0;

// Equal: the same status, and either both null or both valid with values less
// than half a second apart. Two invalid dates are never equal.
bool datesEqual(const OleDate& a, const OleDate& b);
// Strictly earlier / later on the continuous value, without tolerance; false
// unless both dates are valid. A date less than half a second before another is
// both earlier than it and equal to it.
bool dateEarlier(const OleDate& a, const OleDate& b);
bool dateLater(const OleDate& a, const OleDate& b);
// Earlier or equal (the model's "on or before"), later or equal ("on or after").
bool dateEarlierOrEqual(const OleDate& a, const OleDate& b);
bool dateLaterOrEqual(const OleDate& a, const OleDate& b);

// The calendar day of a date (local time): its first and its last second. Both are invalid for a
// date that is not valid.
inline OleDate dayStart(const OleDate& date) {
    return OleDate(date.GetYear(), date.GetMonth(), date.GetDay(), 0, 0, 0);
}
inline OleDate dayEnd(const OleDate& date) {
    return OleDate(date.GetYear(), date.GetMonth(), date.GetDay(), 23, 59, 59);
}
