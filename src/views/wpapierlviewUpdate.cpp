#include "views/wpapierlviewUpdate.h"

#include "views/wpapierlviewLog.h"

namespace {

constexpr int kSunday = 1;
constexpr int kSaturday = 7;

} // namespace

OleDate updateForDatePreset(const OleDate& now) {
    OleDate day = dayStart(now) - OleDateSpan(1.0);
    while (day.GetDayOfWeek() == kSaturday || day.GetDayOfWeek() == kSunday)
        day -= OleDateSpan(1.0);
    return OleDate(day.GetYear(), day.GetMonth(), day.GetDay(), 20, 0, 0);
}

OleDate updateForDateMoment(const OleDate& date, const OleDate& time) {
    const OleDate moment(date.GetYear(), date.GetMonth(), date.GetDay(), time.GetHour(), time.GetMinute(),
                         time.GetSecond());
    LV_LOG(LOG_LEVEL_DEBUG, "Setting update time to: %s", moment.Format("%x %H:%M").c_str());
    return moment;
}
