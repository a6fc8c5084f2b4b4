#include "platform/OleDate.h"

#include "platform/CivilDate.h"
#include "platform/Clock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr long long kSecondsPerDay = 86400;
// Days from 1 January 1970 back to 30 December 1899, the OLE day 0.
constexpr long long kOleEpochFromUnixDays = -25569;
constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;

struct Fields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int dayOfWeek = 0; // 0 = Sunday
    int dayOfYear = 0; // 1-based
};

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : days[m - 1];
}

bool fieldsValid(int y, int mo, int d, int h, int mi, int s) {
    return y >= kMinYear && y <= kMaxYear && mo >= 1 && mo <= 12 && d >= 1 && d <= daysInMonth(y, mo) && h >= 0 &&
           h <= 23 && mi >= 0 && mi <= 59 && s >= 0 && s <= 59;
}

// The OLE value of valid calendar fields.
double valueFromFields(int y, int mo, int d, int h, int mi, int s) {
    const long long day = civil::daysFromCivil(y, mo, d) - kOleEpochFromUnixDays;
    const double time = static_cast<double>(h * 3600 + mi * 60 + s) / kSecondsPerDay;
    return static_cast<double>(day) + (day >= 0 ? time : -time);
}

// Splits an OLE value into calendar fields, rounded to the nearest second (a
// half second rounds to the later time). False outside the years 100 to 9999.
bool splitValue(double dt, Fields& f) {
    if (!std::isfinite(dt))
        return false;
    const double continuous = OleDate::toContinuous(dt);
    if (std::fabs(continuous) > 4.0e6)
        return false;
    const auto seconds = static_cast<long long>(std::floor(continuous * kSecondsPerDay + 0.5));
    const long long day = civil::floorDiv(seconds, kSecondsPerDay);
    const long long secondOfDay = seconds - day * kSecondsPerDay;
    const civil::Date date = civil::civilFromDays(day + kOleEpochFromUnixDays);
    if (date.year < kMinYear || date.year > kMaxYear)
        return false;
    f.year = static_cast<int>(date.year);
    f.month = date.month;
    f.day = date.day;
    f.hour = static_cast<int>(secondOfDay / 3600);
    f.minute = static_cast<int>(secondOfDay / 60 % 60);
    f.second = static_cast<int>(secondOfDay % 60);
    // Day 0 was a Saturday.
    f.dayOfWeek = static_cast<int>(((day + 6) % 7 + 7) % 7);
    f.dayOfYear = static_cast<int>(day + kOleEpochFromUnixDays - civil::daysFromCivil(f.year, 1, 1) + 1);
    return true;
}

bool splitDate(const OleDate& date, Fields& f) {
    return date.m_status == OleDate::valid && splitValue(date.m_dt, f);
}

bool inRange(double dt) {
    Fields f;
    return splitValue(dt, f);
}

std::tm tmFromFields(const Fields& f) {
    std::tm t{};
    t.tm_year = f.year - 1900;
    t.tm_mon = f.month - 1;
    t.tm_mday = f.day;
    t.tm_hour = f.hour;
    t.tm_min = f.minute;
    t.tm_sec = f.second;
    t.tm_wday = f.dayOfWeek;
    t.tm_yday = f.dayOfYear - 1;
    t.tm_isdst = -1;
    return t;
}

bool sameLocalFields(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday && a.tm_hour == b.tm_hour &&
           a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

} // namespace

// ---------------------------------------------------------------- SystemTime

std::array<std::uint8_t, 16> systemTimeToBytes(const SystemTime& st) {
    const std::uint16_t words[8] = {st.wYear, st.wMonth,  st.wDayOfWeek, st.wDay,
                                    st.wHour, st.wMinute, st.wSecond,    st.wMilliseconds};
    std::array<std::uint8_t, 16> bytes{};
    for (int i = 0; i < 8; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    return bytes;
}

std::optional<SystemTime> systemTimeFromBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != 16)
        return std::nullopt;
    std::uint16_t words[8];
    for (int i = 0; i < 8; ++i)
        words[i] = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return SystemTime{words[0], words[1], words[2], words[3], words[4], words[5], words[6], words[7]};
}

// ---------------------------------------------------------------- OleDateSpan

namespace {
// The span moved half a second away from zero, so truncation rounds to the
// second. A millisecond more absorbs the error of the double arithmetic (about
// a microsecond for today's dates), so an exact half second always rounds up.
constexpr double kRoundingStep = kOleHalfSecond + 0.001 / 86400.0;
double halfSecondRounded(double span) {
    return span < 0 ? span - kRoundingStep : span + kRoundingStep;
}

// `value` truncated toward zero; saturated where a long long cannot hold it, 0 for NaN.
long long wholePart(double value) {
    constexpr double kLimit = 9.2e18; // below 2^63
    if (!(value == value))
        return 0;
    if (value >= kLimit)
        return static_cast<long long>(kLimit);
    if (value <= -kLimit)
        return -static_cast<long long>(kLimit);
    return static_cast<long long>(value);
}
} // namespace

OleDateSpan::OleDateSpan(long long days, int hours, int minutes, int seconds) {
    SetDateTimeSpan(days, hours, minutes, seconds);
}

void OleDateSpan::SetDateTimeSpan(long long days, int hours, int minutes, int seconds) {
    m_span = static_cast<double>(days) + hours / 24.0 + minutes / 1440.0 + seconds / 86400.0;
    m_status = valid;
}

long long OleDateSpan::GetDays() const {
    return wholePart(halfSecondRounded(m_span));
}

int OleDateSpan::GetHours() const {
    return static_cast<int>(GetTotalHours() % 24);
}

int OleDateSpan::GetMinutes() const {
    return static_cast<int>(GetTotalMinutes() % 60);
}

int OleDateSpan::GetSeconds() const {
    return static_cast<int>(GetTotalSeconds() % 60);
}

long long OleDateSpan::GetTotalHours() const {
    return wholePart(halfSecondRounded(m_span) * 24);
}

long long OleDateSpan::GetTotalMinutes() const {
    return wholePart(halfSecondRounded(m_span) * 1440);
}

long long OleDateSpan::GetTotalSeconds() const {
    return wholePart(halfSecondRounded(m_span) * 86400);
}

namespace {
OleDateSpan::DateTimeSpanStatus combinedStatus(int a, int b) {
    if (a == OleDateSpan::null || b == OleDateSpan::null)
        return OleDateSpan::null;
    if (a != OleDateSpan::valid || b != OleDateSpan::valid)
        return OleDateSpan::invalid;
    return OleDateSpan::valid;
}
} // namespace

OleDateSpan OleDateSpan::operator+(const OleDateSpan& other) const {
    OleDateSpan result(m_span + other.m_span);
    result.m_status = combinedStatus(m_status, other.m_status);
    return result;
}

OleDateSpan OleDateSpan::operator-(const OleDateSpan& other) const {
    OleDateSpan result(m_span - other.m_span);
    result.m_status = combinedStatus(m_status, other.m_status);
    return result;
}

OleDateSpan OleDateSpan::operator-() const {
    OleDateSpan result(-m_span);
    result.m_status = m_status;
    return result;
}

// ---------------------------------------------------------------- OleDate

OleDate::OleDate(int year, int month, int day, int hour, int minute, int second) {
    SetDateTime(year, month, day, hour, minute, second);
}

OleDate::OleDate(const SystemTime& st) {
    SetDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

int OleDate::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    if (!fieldsValid(year, month, day, hour, minute, second)) {
        m_status = invalid;
        return m_status;
    }
    m_dt = valueFromFields(year, month, day, hour, minute, second);
    m_status = valid;
    return m_status;
}

int OleDate::SetDate(int year, int month, int day) {
    return SetDateTime(year, month, day, 0, 0, 0);
}

int OleDate::SetTime(int hour, int minute, int second) {
    return SetDateTime(1899, 12, 30, hour, minute, second);
}

OleDate OleDate::fromTimeT(std::time_t t) {
    OleDate date;
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) {
        date.m_status = invalid;
        return date;
    }
    // A leap second shows as second 60; the calendar has none.
    date.SetDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                     std::min(local.tm_sec, 59));
    return date;
}

OleDate OleDate::GetCurrentTime() {
    return GetCurrentTime(currentClock());
}

OleDate OleDate::GetCurrentTime(const Clock& clock) {
    const auto now = std::chrono::floor<std::chrono::seconds>(clock.now());
    return fromTimeT(static_cast<std::time_t>(now.time_since_epoch().count()));
}

int OleDate::GetYear() const {
    Fields f;
    return splitDate(*this, f) ? f.year : -1;
}

int OleDate::GetMonth() const {
    Fields f;
    return splitDate(*this, f) ? f.month : -1;
}

int OleDate::GetDay() const {
    Fields f;
    return splitDate(*this, f) ? f.day : -1;
}

int OleDate::GetHour() const {
    Fields f;
    return splitDate(*this, f) ? f.hour : -1;
}

int OleDate::GetMinute() const {
    Fields f;
    return splitDate(*this, f) ? f.minute : -1;
}

int OleDate::GetSecond() const {
    Fields f;
    return splitDate(*this, f) ? f.second : -1;
}

int OleDate::GetDayOfWeek() const {
    Fields f;
    return splitDate(*this, f) ? f.dayOfWeek + 1 : -1;
}

int OleDate::GetDayOfYear() const {
    Fields f;
    return splitDate(*this, f) ? f.dayOfYear : -1;
}

bool OleDate::GetAsSystemTime(SystemTime& st) const {
    Fields f;
    if (!splitDate(*this, f))
        return false;
    st = SystemTime{static_cast<std::uint16_t>(f.year),      static_cast<std::uint16_t>(f.month),
                    static_cast<std::uint16_t>(f.dayOfWeek), static_cast<std::uint16_t>(f.day),
                    static_cast<std::uint16_t>(f.hour),      static_cast<std::uint16_t>(f.minute),
                    static_cast<std::uint16_t>(f.second),    0};
    return true;
}

std::optional<std::time_t> OleDate::toTimeT() const {
    Fields f;
    if (!splitDate(*this, f))
        return std::nullopt;
    const std::tm wanted = tmFromFields(f);
    // Try the time as standard and as summer time (and as mktime guesses): the
    // readings that give back the same local time are the real ones.
    std::vector<std::time_t> matching;
    std::vector<std::time_t> converted;
    for (int isdst : {-1, 0, 1}) {
        std::tm t = wanted;
        t.tm_isdst = isdst;
        const std::time_t result = std::mktime(&t);
        std::tm back{};
        if (localtime_r(&result, &back) == nullptr)
            continue;
        if (result == static_cast<std::time_t>(-1) && !sameLocalFields(back, t))
            continue; // mktime failed
        converted.push_back(result);
        if (sameLocalFields(back, wanted))
            matching.push_back(result);
    }
    if (!matching.empty())
        return *std::min_element(matching.begin(), matching.end());
    // The local time falls in a gap: the reading with the offset before the
    // change is the later moment, which shows the time moved forward.
    if (!converted.empty())
        return *std::max_element(converted.begin(), converted.end());
    return std::nullopt;
}

namespace {

// Whether `format` shows the time zone: %Z, %z, or %c and %+, whose locale forms may hold it.
bool formatShowsZone(const char* format) {
    for (const char* p = format; *p; ++p) {
        if (*p != '%')
            continue;
        ++p;
        while (*p && (std::strchr("_-0^#EO", *p) || (*p >= '1' && *p <= '9')))
            ++p;
        if (!*p)
            break;
        if (std::strchr("cZz+", *p))
            return true;
    }
    return false;
}

} // namespace

std::string OleDate::Format(const char* format) const {
    Fields f;
    if (format == nullptr || *format == '\0' || !splitDate(*this, f))
        return {};
    std::tm t = tmFromFields(f);
    // Let mktime find whether summer time applies, so "%Z" and "%z" name the zone. Only where the
    // format shows it: mktime reads the zone again each time, which a list of dates feels.
    std::tm probe = t;
    if (formatShowsZone(format) && (std::mktime(&probe) != static_cast<std::time_t>(-1) || probe.tm_isdst >= 0)) {
        t.tm_isdst = probe.tm_isdst;
#if defined(__GLIBC__) || defined(__APPLE__) || defined(__FreeBSD__)
        t.tm_gmtoff = probe.tm_gmtoff;
        t.tm_zone = probe.tm_zone;
#endif
    }
    // strftime gives 0 both for "too small" and for an empty result: grow a few
    // times, then take the result as empty.
    std::vector<char> buffer(256);
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::size_t n = std::strftime(buffer.data(), buffer.size(), format, &t);
        if (n > 0)
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 4);
    }
    return {};
}

bool OleDate::inRange(double dt) {
    return ::inRange(dt);
}

double OleDate::fromContinuous(double value) {
    return value >= 0 ? value : 2.0 * std::floor(value) - value;
}

// ---------------------------------------------------------------- arithmetic and comparison

OleDate operator+(const OleDate& date, const OleDateSpan& span) {
    OleDate result(OleDate::fromContinuous(OleDate::toContinuous(date.m_dt) + span.m_span));
    if (span.m_status == OleDateSpan::null)
        result.m_status = OleDate::null;
    else if (span.m_status != OleDateSpan::valid || !inRange(result.m_dt))
        result.m_status = OleDate::invalid;
    return result;
}

OleDate operator-(const OleDate& date, const OleDateSpan& span) {
    return date + (-span);
}

OleDate& operator+=(OleDate& date, const OleDateSpan& span) {
    return date = date + span;
}

OleDate& operator-=(OleDate& date, const OleDateSpan& span) {
    return date = date - span;
}

OleDateSpan operator-(const OleDate& a, const OleDate& b) {
    OleDateSpan span(OleDate::toContinuous(a.m_dt) - OleDate::toContinuous(b.m_dt));
    span.m_status = combinedStatus(a.m_status, b.m_status);
    return span;
}

bool datesEqual(const OleDate& a, const OleDate& b) {
    if (a.m_status != b.m_status)
        return false;
    if (a.m_status == OleDate::null)
        return true;
    return a.m_status == OleDate::valid && a.m_dt > b.m_dt - kOleHalfSecond && a.m_dt < b.m_dt + kOleHalfSecond;
}

bool dateEarlier(const OleDate& a, const OleDate& b) {
    return a.m_status == OleDate::valid && b.m_status == OleDate::valid &&
           OleDate::toContinuous(a.m_dt) < OleDate::toContinuous(b.m_dt);
}

bool dateLater(const OleDate& a, const OleDate& b) {
    return dateEarlier(b, a);
}

bool dateEarlierOrEqual(const OleDate& a, const OleDate& b) {
    return dateEarlier(a, b) || datesEqual(a, b);
}

bool dateLaterOrEqual(const OleDate& a, const OleDate& b) {
    return dateLater(a, b) || datesEqual(a, b);
}
