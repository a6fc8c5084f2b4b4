#include "views/wpapierlviewRows.h"

#include "log/NumberFormat.h"
#include "platform/TextCodec.h"
#include "portfolio/WPapierDoc.h"
#include "views/GraphViewLayout.h"
#include "views/GraphViewState.h"
#include "views/wpapierlviewLog.h"

#include <cinttypes>
#include <cmath>

namespace {

constexpr double kDaysPerMonth = 30.42;
constexpr double kDaysPerYear = 365.0;
// Holdings below this many units show no investment.
constexpr double kMinUnits = 0.005;

int secondsOfDay(const OleDate& date) {
    return date.GetHour() * 3600 + date.GetMinute() * 60 + date.GetSecond();
}

// The two change columns: 6 against the previous day's reference, 7 against the previous quotation.
std::string lastChangeText(const CWPapier& item, const ListRowContext& c, bool previousDay, double& percent) {
    percent = 0.0;
    item.GetChangePercent(c.now, percent, previousDay);
    OleDate date;
    OleDate reference;
    const bool haveDate = item.GetQuotationDateOnOrBefore(c.now, date);
    const bool haveReference = item.GetReferenceQuotationDate(c.now, reference, previousDay);
    const long long age = changeAgeDays(haveDate ? std::optional(date) : std::nullopt,
                                        haveReference ? std::optional(reference) : std::nullopt);
    if (c.procentualValue)
        return changeText(percent, age, true, c.decimalCases);
    double change = 0.0;
    item.GetChange(c.now, change, previousDay);
    return changeText(change, age, false, c.decimalCases);
}

std::string timeFrameText(const CWPapier& item, const ListRowContext& c) {
    double change = 0.0;
    std::int64_t age = 0;
    const bool found = c.procentualValue ? item.GetTimeFrameChangePercent(c.now, c.timeFrameDays, change, age)
                                         : item.GetTimeFrameChange(c.now, c.timeFrameDays, change, age);
    return found ? changeText(change, age, c.procentualValue, c.decimalCases) : std::string();
}

// One of the drawing base's questions about the item at `pos`: the answer, or `fallback` with the
// line "<question> Error: ..." when there is no item.
template <typename T, typename Answer>
T askAboutItem(const CWPapierDoc* doc, ItemPos pos, const char* question, T fallback, Answer answer) {
    if (pos == kNoItemPos || !doc || doc->IsWPListEmpty()) {
        LV_LOG(LOG_LEVEL_DEBUG, "%s Error: either lParam == NULL or m_WPList.IsEmpty()", question);
        return fallback;
    }
    const auto lock = doc->LockList();
    const CWPapier* item = doc->GetItem(pos);
    if (!item) {
        LV_LOG(LOG_LEVEL_DEBUG, "%s Error: pWP == NULL", question);
        return fallback;
    }
    return answer(*item);
}

} // namespace

std::string formattedCellText(std::string_view text) {
    return textcodec::truncateUtf8(text, kMaxFormattedCellBytes);
}

ListRowContext listRowContext(const ListViewOptions& options, const OleDate& now) {
    return {now, options.m_nDecimalCases, options.m_bProcentualValue, options.m_nTimeFrameDays};
}

std::string valueFormat(int decimalCases) {
    return textcodec::formatText("%%3.%ilf", decimalCases);
}

std::string signedFormat(int decimalCases) {
    return textcodec::formatText("%%+3.%ilf", decimalCases);
}

long long calendarDaysSince(const OleDate& date, const OleDate& now) {
    long long days = (now - date).GetDays();
    if (dateLater(now, date) && secondsOfDay(date) > secondsOfDay(now))
        ++days;
    return days;
}

std::string lastUpdateText(const OleDate& date, const OleDate& now) {
    const long long age = calendarDaysSince(date, now);
    if (age == 0)
        return date.Format("%H:%M");
    if (age >= 1 && age <= 6)
        return date.Format("%A   %H:%M");
    return date.Format("%x   %H:%M");
}

long long changeAgeDays(const std::optional<OleDate>& date, const std::optional<OleDate>& reference) {
    if (!date || !reference)
        return 0;
    const OleDateSpan span = *date - *reference;
    long long days = span.GetDays();
    if (span.GetTotalHours() % 24 >= 10)
        ++days;
    return days;
}

std::string changeText(double change, long long ageDays, bool percent, int decimalCases) {
    const std::int64_t age = ageDays;
    const double months = static_cast<double>(ageDays) / kDaysPerMonth;
    const double years = static_cast<double>(ageDays) / kDaysPerYear;
    std::string text;
    if (percent) {
        if (months < 3.0)
            text = textcodec::formatText("%+2.2lf%% (%" PRId64 " %s)", change, age, IDS_DAYS);
        else if (years < 3.0)
            text = textcodec::formatText("%+2.2lf%% (%2.1lf %s)", change, months, IDS_MONTHS);
        else
            text = textcodec::formatText("%+2.2lf%% (%2.1lf %s)", change, years, IDS_YEARS);
    } else {
        const std::string amount = FormatNumberGrouped(signedFormat(decimalCases).c_str(), change);
        if (months < 3.0)
            text = textcodec::formatText("%s (%" PRId64 " %s)", amount.c_str(), age, IDS_DAYS);
        else if (years < 3.0)
            text = textcodec::formatText("%s (%2.1lf %s)", amount.c_str(), months, IDS_MONTHS);
        else
            text = textcodec::formatText("%s (%2.1lf %s)", amount.c_str(), years, IDS_YEARS);
    }
    return formattedCellText(text);
}

bool isAlarm(const CWPapier& item, double close) {
    if (item.m_bAlarmAbove && close > item.m_dAlarmAbove)
        return true;
    if (item.m_bAlarmBelow && close < item.m_dAlarmBelow)
        return true;
    // Without a break-even the quotient is infinite: that is no alarm.
    return item.m_bAlarmBreakEven && item.m_dBreakEven != 0.0 &&
           std::fabs(close / item.m_dBreakEven - 1.0) > std::fabs(item.m_dAlarmBreakEvenPercent / 100.0);
}

ListRow buildListRow(const CWPapier& item, const ListRowContext& c) {
    ListRow row;
    auto& t = row.texts;
    t[LIST_COLUMN_NAME] = item.m_strName;
    const bool cash = item.m_bCashAccount != 0;
    const bool history = item.m_bInvestmentHistory != 0;
    row.icon = cash ? ICON_CASH_ACCOUNT : ICON_UNCHANGED;
    CKurs q;
    // Quotations dated after now only are no quotation to show.
    if (item.IsQuotationListEmpty() || !item.GetQuotationOnOrBefore(c.now, q))
        return row;
    t[LIST_COLUMN_CATEGORY] = item.m_strCategory;

    const std::string value = valueFormat(c.decimalCases);
    const auto number = [](const char* format, double v) { return formattedCellText(FormatNumberGrouped(format, v)); };
    t[LIST_COLUMN_LAST_UPDATE] = formattedCellText(lastUpdateText(q.m_dtDate, c.now));
    t[LIST_COLUMN_CLOSE] = number(value.c_str(), q.m_dClose);
    if (q.m_dLow != 0.0)
        t[LIST_COLUMN_LOW] = number(value.c_str(), q.m_dLow);
    if (q.m_dHigh != 0.0)
        t[LIST_COLUMN_HIGH] = number(value.c_str(), q.m_dHigh);

    double dayPercent = 0.0;
    if (!cash) {
        double lastPercent = 0.0;
        t[LIST_COLUMN_LAST_DAY] = lastChangeText(item, c, true, dayPercent);
        t[LIST_COLUMN_LAST] = lastChangeText(item, c, false, lastPercent);
        t[LIST_COLUMN_TIME_FRAME] = timeFrameText(item, c);
    }
    if (!history && !cash)
        t[LIST_COLUMN_UNITS] = number(value.c_str(), item.m_dUnits);
    const bool holds = q.m_dClose != 0.0 && std::fabs(item.m_dUnits) >= kMinUnits;
    if (!history && holds)
        t[LIST_COLUMN_INVESTMENT] = number("%4.2lf", cash ? q.m_dClose : item.m_dUnits * q.m_dClose);
    if (!history && !cash && holds && item.m_dAveragePrice != 0.0) {
        const double average = item.m_dAveragePrice;
        t[LIST_COLUMN_INVESTMENT_CHANGE] =
            c.procentualValue ? formattedCellText(textcodec::formatText(
                                    "%+2.2lf%%", (average - item.m_dBreakEven + q.m_dClose) * 100.0 / average - 100.0))
                              : number("%+4.2lf", (q.m_dClose - item.m_dBreakEven) * item.m_dUnits);
    }
    double userValue = 0.0;
    std::string userText;
    item.GetUserDefinedValue(userValue, userText, value.c_str());
    t[LIST_COLUMN_USER_VALUE] = formattedCellText(userText);

    if (!cash) {
        row.icon = isAlarm(item, q.m_dClose) ? ICON_ALARM : ICON_UNCHANGED;
        if (dayPercent < 0.0)
            row.icon += 1;
        else if (dayPercent > 0.0)
            row.icon += 2;
    }
    return row;
}

ListRowUpdate UpdateItemRow(const ListRow* current, const CWPapier& item, const ListRowContext& context,
                            int sortColumn) {
    ListRowUpdate update;
    update.row = buildListRow(item, context);
    if (!current) {
        LV_LOG(LOG_LEVEL_DEBUG, "Adding '%s' to ListView...", item.m_strName.c_str());
        update.changedCells = (1u << kListColumnCount) - 1;
        update.iconChanged = true;
        update.resortDue = true;
        return update;
    }
    LV_LOG(LOG_LEVEL_DEBUG, "Updating '%s' in ListView...", item.m_strName.c_str());
    for (int column = 0; column < kListColumnCount; ++column) {
        if (current->texts[column] == update.row.texts[column])
            continue;
        update.changedCells |= static_cast<std::uint16_t>(1u << column);
        if (column == LIST_COLUMN_NAME || column == sortColumn)
            update.resortDue = true;
    }
    update.iconChanged = current->icon != update.row.icon;
    return update;
}

std::optional<std::uint32_t> itemStatusColor(const CWPapier& item, const OleDate& now) {
    if (item.m_bCashAccount)
        return std::nullopt;
    double percent = 0.0;
    if (!item.GetChangePercent(now, percent, true))
        return std::nullopt;
    if (percent > 0.0)
        return kRisenColor;
    if (percent < 0.0)
        return kFallenColor;
    return std::nullopt;
}

std::uint32_t GetItemColor(const CWPapierDoc* doc, ItemPos pos) {
    return askAboutItem(doc, pos, "GetItemColor", kMissingItemColor,
                        [](const CWPapier& item) { return item.GetColor(); });
}

std::optional<std::uint32_t> GetItemStatusColor(const CWPapierDoc* doc, ItemPos pos, const OleDate& now) {
    return askAboutItem(doc, pos, "GetItemStatusColor", std::optional<std::uint32_t>(),
                        [&](const CWPapier& item) { return itemStatusColor(item, now); });
}

bool IsItemTypeBold(const CWPapierDoc* doc, ItemPos pos) {
    return askAboutItem(doc, pos, "IsItemTypeBold", false,
                        [](const CWPapier& item) { return item.m_bInvestmentHistory != 0; });
}

bool IsItemTypeDarkBackground(const CWPapierDoc* doc, ItemPos pos) {
    return askAboutItem(doc, pos, "IsItemTypeDarkBackground", false, [](const CWPapier& item) {
        return item.m_bInvestmentHistory != 0 || item.m_bCashAccount != 0;
    });
}
