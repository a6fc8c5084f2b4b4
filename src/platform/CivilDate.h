#pragma once
// Days since 1 January 1970 and dates of the proleptic Gregorian calendar, both ways. Plain
// arithmetic without locks or allocation, so the crash report may use it in a signal handler.

namespace civil {

struct Date {
    long long year;
    int month; // 1 to 12
    int day;   // 1 to 31
};

// a / b rounded toward minus infinity (b > 0).
constexpr long long floorDiv(long long a, long long b) {
    return a / b - ((a % b != 0) && (a < 0));
}

constexpr long long daysFromCivil(long long y, int m, int d) {
    y -= m <= 2;
    const long long era = floorDiv(y, 400);
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr Date civilFromDays(long long days) {
    days += 719468;
    const long long era = floorDiv(days, 146097);
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2), month, static_cast<int>(doy - (153 * mp + 2) / 5 + 1)};
}

static_assert(daysFromCivil(1970, 1, 1) == 0 && daysFromCivil(1899, 12, 30) == -25569);
static_assert(civilFromDays(-25569).year == 1899 && civilFromDays(-25569).month == 12 &&
              civilFromDays(-25569).day == 30);

} // namespace civil
