#include "views/GraphViewLayout.h"

#include "controls/WinGdi.h"
#include "log/NumberFormat.h"
#include "platform/TextCodec.h"
#include "portfolio/WPapierItem.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The constants of one medium.
struct MediumConstants {
    const char* valueFormat; // nominal point labels; the length of max in it sizes the value label
    int squareBefore;        // square mark from (x - before, y - before) to (x + after, y + after)
    int squareAfter;
    bool doubleStepEvery100; // the axis label loops double their step every 100th pass
};

constexpr MediumConstants kScreen{"%.3lf", 2, 3, true};
constexpr MediumConstants kPrint{"%.2lf", 20, 21, false};

const MediumConstants& constantsOf(ChartMedium medium) {
    return medium == ChartMedium::Screen ? kScreen : kPrint;
}

constexpr const char* kPercentSample = "999.99%";
constexpr std::size_t kMaxFormattedText = 255;
constexpr double kFlatFactor = 1.1;
constexpr double kMinPercentSignif = 0.00025;
constexpr int kDateLabelGap = 5;
constexpr int kScreenTickLength = 3;

// Strict "before" and "after" of the model: earlier or later, and not equal within half a second.
bool before(const OleDate& a, const OleDate& b) {
    return dateEarlier(a, b) && !datesEqual(a, b);
}
bool after(const OleDate& a, const OleDate& b) {
    return dateLater(a, b) && !datesEqual(a, b);
}

long long minutesBetween(const OleDate& from, const OleDate& to) {
    return (to - from).GetTotalMinutes();
}

// A device coordinate from a double: truncated toward zero, kept inside a range no painter
// overflows on.
int toDevice(double v) {
    constexpr double kLimit = 1e9;
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

std::string cut(std::string text) {
    if (text.size() > kMaxFormattedText)
        return textcodec::truncateUtf8(text, kMaxFormattedText);
    return text;
}

// A value range that is not flat: max = min x 1.1 (min + 1 for 0); when min is negative that lies
// below min, so the two are swapped.
void widenFlatRange(double& low, double& high) {
    if (high > low)
        return;
    high = low == 0.0 ? low + 1.0 : low * kFlatFactor;
    if (high < low)
        std::swap(low, high);
}

// "0.000..." as long as `value` printed with `format`, for measuring a label of that length; with
// `prefix` (the axis sample) in front of the conversion.
std::string zeroSample(const char* format, double value, const char* prefix = "") {
    const int length = static_cast<int>(textcodec::formatText(format, value).size());
    const std::string zeroFormat = textcodec::formatText("%s%%.%ilf", prefix, std::max(length - 2, 0));
    return FormatNumberGrouped(zeroFormat.c_str(), 0.0);
}

// The rounding of axis label values to their unit, in doubles: a 32-bit integer would overflow
// for a close of 1e6 with a unit of 0.00025.
double roundToUnit(double value, double unit, bool awayFromZero) {
    const double half = awayFromZero && value < 0.0 ? -0.5 : 0.5;
    return std::trunc(value / unit + half) * unit;
}

// 0.25 x 10^ceil(log10(step)); nothing for a step that has no logarithm.
std::optional<double> labelUnit(double step) {
    if (!(step > 0.0) || !std::isfinite(step))
        return std::nullopt;
    return std::pow(10.0, std::ceil(std::log10(step))) * 0.25;
}

// One item's interval, value range and point count.
struct HistoryRange {
    std::size_t first = 0; // first drawn quotation
    std::size_t count = 0; // drawn points
    OleDate begin;
    OleDate end;
    double min = 0.0;
    double max = 0.0;
    double ref = 0.0;
};

HistoryRange historyRange(const ChartItemSnapshot& item) {
    HistoryRange r;
    const auto& q = item.m_Quotations;
    if (q.size() < 2) {
        if (!q.empty()) {
            r.begin = r.end = q.front().m_dtDate;
            r.min = r.max = r.ref = q.front().m_dClose;
        }
        return r;
    }
    const std::size_t n = q.size();
    // begin: the first quotation on or after the item's begin date, else the newest.
    std::size_t b = 0;
    const bool beginValid = item.m_dtBegin.GetStatus() == OleDate::valid;
    while (b + 1 < n && item.m_bBegin && beginValid && q[b].m_dtDate.GetStatus() == OleDate::valid &&
           !dateLaterOrEqual(q[b].m_dtDate, item.m_dtBegin))
        ++b;
    r.begin = q[b].m_dtDate;
    // end: the newest quotation, or the last one on or before the item's end date.
    bool empty = false;
    std::size_t e = b;
    if (b + 1 == n) {
        empty = true;
    } else if (!item.m_bEnd) {
        e = n - 1;
    } else if (after(q[b].m_dtDate, item.m_dtEnd)) {
        empty = true;
    } else {
        while (e + 1 < n && dateEarlierOrEqual(q[e + 1].m_dtDate, item.m_dtEnd))
            ++e;
    }
    r.end = q[e].m_dtDate;
    std::size_t f = 0;
    while (f < b && !dateLaterOrEqual(q[f].m_dtDate, r.begin))
        ++f;
    r.first = f;
    r.min = r.max = r.ref = q[f].m_dClose;
    std::size_t i = f;
    while (i < n && dateEarlierOrEqual(q[i].m_dtDate, r.end)) {
        r.min = std::min(r.min, q[i].m_dClose);
        r.max = std::max(r.max, q[i].m_dClose);
        ++i;
    }
    r.count = empty || f + 1 == n || after(q[f].m_dtDate, r.end) ? 0 : i - f;
    return r;
}

OleDate firstQuotationDate(const ChartItemSnapshot& item) {
    return item.m_Quotations.empty() ? CWPapier::fallbackDate() : item.m_Quotations.front().m_dtDate;
}
OleDate lastQuotationDate(const ChartItemSnapshot& item) {
    return item.m_Quotations.empty() ? CWPapier::fallbackDate() : item.m_Quotations.back().m_dtDate;
}

// The comparison's interval: begin is the latest first date (or the limit begin, if later), end
// the latest last date not beyond the limit end. Only items that can be drawn (two quotations or
// more) set it: an item of one quotation would pin the window to its only date and blank the
// chart. When no item can be drawn, every item takes part (nothing is drawn then anyway).
void comparisonInterval(std::span<const ChartItemSnapshot> items, const ComparisonLimits& limits, OleDate& begin,
                        OleDate& end) {
    const auto drawable = [](const ChartItemSnapshot& item) { return item.m_Quotations.size() >= 2; };
    const bool anyDrawable = std::any_of(items.begin(), items.end(), drawable);
    bool first = true;
    for (const ChartItemSnapshot& item : items) {
        if (anyDrawable && !drawable(item))
            continue;
        const OleDate firstDate = firstQuotationDate(item);
        const OleDate lastDate = lastQuotationDate(item);
        if (first) {
            first = false;
            begin = firstDate;
            end = lastDate;
            if (limits.begin && before(begin, limits.beginDate))
                begin = limits.beginDate;
            if (limits.end && after(end, limits.endDate))
                end = limits.endDate;
            continue;
        }
        if (firstDate.GetStatus() != OleDate::valid || lastDate.GetStatus() != OleDate::valid)
            continue;
        if (before(begin, firstDate))
            begin = firstDate;
        if (before(end, lastDate) && !(limits.end && after(lastDate, limits.endDate)))
            end = lastDate;
    }
}

// One comparison item's value at begin and its range.
struct ComparisonItem {
    std::size_t start = 0; // first quotation on or after begin
    bool interpolated = false;
    double ref = 0.0;
    double low = 0.0;
    double high = 0.0;
};

std::optional<ComparisonItem> comparisonItem(const ChartItemSnapshot& item, const OleDate& begin, const OleDate& end) {
    const auto& q = item.m_Quotations;
    const auto it =
        std::partition_point(q.begin(), q.end(), [&](const CKurs& k) { return !dateLaterOrEqual(k.m_dtDate, begin); });
    if (it == q.end())
        return std::nullopt; // the item ends before the comparison begins
    ComparisonItem c;
    c.start = static_cast<std::size_t>(it - q.begin());
    const CKurs& at = q[c.start];
    c.interpolated = c.start > 0 && after(at.m_dtDate, begin);
    if (c.interpolated) {
        const CKurs& prev = q[c.start - 1];
        // Whole minutes; quotations less than a minute apart give the earlier close.
        const double span = static_cast<double>(minutesBetween(prev.m_dtDate, at.m_dtDate));
        const double part = span > 0.0 ? static_cast<double>(minutesBetween(prev.m_dtDate, begin)) / span : 0.0;
        c.ref = prev.m_dClose + part * (at.m_dClose - prev.m_dClose);
    } else {
        c.ref = at.m_dClose;
    }
    c.low = std::min(c.ref, at.m_dClose);
    c.high = std::max(c.ref, at.m_dClose);
    for (std::size_t i = c.start + 1; i < q.size() && dateEarlierOrEqual(q[i].m_dtDate, end); ++i) {
        c.low = std::min(c.low, q[i].m_dClose);
        c.high = std::max(c.high, q[i].m_dClose);
    }
    return c;
}

void resetLayout(ChartLayout& layout) {
    // Keeps the capacity of the vectors for the next paint.
    auto shades = std::move(layout.yearShades);
    auto ticks = std::move(layout.axis.ticks);
    auto labels = std::move(layout.dateLabels);
    auto marks = std::move(layout.marks);
    auto curves = std::move(layout.curves);
    layout = ChartLayout{};
    shades.clear();
    ticks.clear();
    labels.clear();
    marks.clear();
    curves.clear();
    layout.yearShades = std::move(shades);
    layout.axis.ticks = std::move(ticks);
    layout.dateLabels = std::move(labels);
    layout.marks = std::move(marks);
    layout.curves = std::move(curves);
}

// Sizes of the texts that set the margins, the data area, the axis frame and the scales.
void layoutFrame(const ChartRequest& request, const ChartItemSnapshot* single, ChartLayout& layout) {
    const auto& k = constantsOf(request.medium);
    const auto extent = [&](ChartFont font, const std::string& text) {
        return request.extent ? request.extent(font, text) : QSize();
    };
    layout.titleM = extent(ChartFont::Title, "M");
    layout.dateExtent = extent(ChartFont::Date, OleDate(2000, 10, 30, 0, 0, 0).Format("%x"));
    const bool percentPoints = single && single->m_nGraphValues == 1;
    layout.valueExtent =
        extent(ChartFont::Value, !single || percentPoints ? kPercentSample : zeroSample(k.valueFormat, layout.max));
    const bool nominalAxis = single && single->m_nAxisValues != 0;
    const QSize D = layout.dateExtent;
    const QSize V = layout.valueExtent;
    const int w = request.area.width();
    const int h = request.area.height();
    if (request.medium == ChartMedium::Screen) {
        if (nominalAxis) {
            const bool whole = single->m_bInvestmentHistory || single->m_bCashAccount;
            layout.axisExtent = extent(ChartFont::Value, zeroSample(whole ? "%.0lf" : "%.3lf", layout.max, "X"));
        } else {
            layout.axisExtent = extent(ChartFont::Value, kPercentSample);
        }
        const QSize A = layout.axisExtent;
        layout.data = {MulDiv(A.width(), 3, 2) + 4, layout.titleM.height() + 7, w - (V.width() / 2 + 1),
                       h - (V.height() + D.width() + 3)};
        layout.axes = {layout.data.left - (A.width() / 2 + 1), layout.data.top, layout.data.right + V.width() / 2 + 1,
                       layout.data.bottom + V.height()};
        layout.tickLength = kScreenTickLength;
    } else {
        layout.axisExtent = nominalAxis ? V : extent(ChartFont::Value, kPercentSample);
        const int cxM = extent(ChartFont::Value, "M").width();
        const int cyB = layout.titleM.height();
        const int left = MulDiv(layout.axisExtent.width(), 3, 2) + 1 + cxM;
        layout.data = {left, cyB, w - V.width() / 2 - 1, h - (D.width() + V.height() + cxM)};
        layout.axes = {left - V.width() / 2 - 1, cyB, w, h - D.width() - cxM};
        layout.tickLength = cxM;
    }
    layout.labelLift = layout.titleM.height() / 2;
    layout.dateTextOffset = D.height() / 2 + 1;
    layout.titleAt = QPoint((layout.data.left + layout.data.right) / 2, 0);
}

void layoutScales(ChartLayout& layout) {
    layout.spanMinutes = minutesBetween(layout.begin, layout.end);
    const double width = layout.data.width();
    const double height = layout.data.height();
    layout.scaleX = layout.spanMinutes != 0 ? width / static_cast<double>(layout.spanMinutes) : 0.0;
    layout.scaleV = layout.range > 0.0 ? height / layout.range : 0.0;
    layout.scaleP = layout.prange > 0.0 ? height / layout.prange : 0.0;
}

void layoutYearShades(ChartLayout& layout) {
    if (!layout.grid)
        return;
    OleDate d = layout.begin;
    while (before(d, layout.end)) {
        const int year = d.GetYear();
        if (year < 0)
            break;
        if (year % 2 == 0) {
            OleDate e(year, 12, 31, 0, 0, 0);
            if (after(e, layout.end))
                e = layout.end;
            layout.yearShades.push_back({layout.xOf(d), layout.axes.top, layout.xOf(e), layout.axes.bottom});
        }
        d = OleDate(year + 1, 1, 1, 0, 0, 0);
    }
}

void layoutValueAxis(const ChartRequest& request, const ChartItemSnapshot* single, ChartLayout& layout) {
    const AxisKind kind = !single                      ? AxisKind::Percent
                          : single->m_nAxisValues == 0 ? AxisKind::Percent
                          : single->m_nAxisValues == 1 ? AxisKind::Nominal
                                                       : AxisKind::None;
    const int hint = labelCountHint(layout.data.height(), layout.valueExtent.height());
    if (kind == AxisKind::Percent) {
        if (layout.ref > 0.0)
            layout.axis = percentAxis(request.medium, layout.pmin, layout.pmax, hint,
                                      [&](double r) { return layout.yOfRatio(r); });
    } else if (kind == AxisKind::Nominal) {
        const bool whole = single->m_bInvestmentHistory || single->m_bCashAccount;
        const char* format = request.medium == ChartMedium::Print ? kPrint.valueFormat : whole ? "%.0lf" : "%.3lf";
        layout.axis = nominalAxis(request.medium, layout.min, layout.max, hint, format,
                                  [&](double v) { return layout.yOfValue(v); });
    }
}

void fillPoints(const ChartItemSnapshot& item, std::size_t first, const ChartLayout& layout,
                std::vector<ChartPoint>& points) {
    const auto& q = item.m_Quotations;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const CKurs& k = q[first + i];
        points[i] = {layout.xOf(k.m_dtDate), layout.yOfValue(k.m_dClose), k.m_dtDate, k.m_dClose};
    }
}

void layoutHistoryLines(const ChartItemSnapshot& item, std::span<const ChartPoint> points, ChartLayout& layout) {
    // A date label where it clears the previous one by more than the gap.
    const int s = layout.dateTextOffset;
    int lastEnd = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const int left = points[i].x - s;
        if (layout.dateLabels.empty() || left > lastEnd + kDateLabelGap) {
            layout.dateLabels.push_back({points[i].x, points[i].date.Format("%x")});
            lastEnd = left + layout.dateExtent.height();
        }
    }
    if (item.m_bBreakEvenLine && layout.min <= item.m_dBreakEven && item.m_dBreakEven <= layout.max)
        layout.breakEvenY = layout.yOfValue(item.m_dBreakEven);
}

void layoutTransactionMarks(const ChartItemSnapshot& item, ChartLayout& layout) {
    if (!item.m_bTransactionMarks)
        return;
    for (const CTransaction& t : item.m_Transactions) {
        if (!dateEarlierOrEqual(t.m_dtDate, layout.end))
            break;
        if (!dateLaterOrEqual(t.m_dtDate, layout.begin))
            continue;
        if (t.m_nType < CTransaction::kBuy || t.m_nType > CTransaction::kDividend)
            continue;
        TransactionMark m;
        m.type = t.m_nType;
        m.date = t.m_dtDate;
        m.price = t.m_dQuotation;
        const int x = layout.xOf(t.m_dtDate);
        int y = 0;
        if (t.m_nType == CTransaction::kDividend || (layout.min <= t.m_dQuotation && t.m_dQuotation <= layout.max)) {
            y = layout.yOfValue(t.m_dQuotation);
        } else {
            // Below the range: the bottom edge. (price < min is price / ref < pmin without
            // dividing by a ref that may be 0.)
            m.outOfRange = true;
            y = t.m_dQuotation < layout.min ? layout.data.bottom : layout.data.top;
        }
        if (t.m_nType == CTransaction::kDividend) {
            m.ellipse = {x - 7, layout.data.bottom - 11, x + 7, layout.data.bottom + 4};
            m.textAt = QPoint(x, layout.data.bottom);
            m.letter = "$";
        } else {
            m.ellipse = {x - 8, y - 8, x + 6, y + 6};
            m.textAt = QPoint(x, y + 3);
            m.letter = t.m_nType == CTransaction::kBuy ? "B" : "S";
        }
        layout.marks.push_back(m);
    }
}

void layoutComparisonDates(ChartLayout& layout) {
    if (layout.spanMinutes <= 0)
        return;
    // At least one label, so a pane narrower than one label divides by nothing.
    const int pitch = std::max(1, layout.dateExtent.height() + kDateLabelGap);
    const long long fit = std::max(1, layout.data.width() / pitch);
    const long long stepDays = std::max<long long>(1, (layout.spanMinutes / fit) / 1440);
    const OleDateSpan step(static_cast<double>(stepDays));
    for (OleDate d = layout.begin; before(d, layout.end); d += step)
        layout.dateLabels.push_back({layout.xOf(d), d.Format("%x")});
}

} // namespace

ChartFontSpec chartFont(ChartMedium medium, ChartFont font) {
    if (medium == ChartMedium::Screen) {
        switch (font) {
        case ChartFont::Title:
            return {"Arial Black", 8.5, true, false};
        case ChartFont::Date:
            return {"Arial", 8.0, false, true};
        case ChartFont::Mark:
            return {"Arial", 8.0, false, false};
        case ChartFont::Value:
        case ChartFont::Legend:
            break;
        }
        return {"Arial", 7.5, false, false};
    }
    switch (font) {
    case ChartFont::Title:
        return {"Arial Black", 12.0, true, false};
    case ChartFont::Date:
        return {"Arial", 10.0, false, true};
    case ChartFont::Legend:
        return {"Arial", 11.0, false, false};
    case ChartFont::Value:
    case ChartFont::Mark:
        break;
    }
    return {"Arial", 12.0, false, false};
}

ChartItemSnapshot chartSnapshot(const CWPapier& item, bool withTransactions) {
    ChartItemSnapshot s;
    updateChartSnapshot(s, item, withTransactions);
    return s;
}

void updateChartSnapshot(ChartItemSnapshot& s, const CWPapier& item, bool withTransactions) {
    const bool sameItem = s.m_id == item.id();
    s.m_id = item.id();
    s.m_strName = item.m_strName;
    s.m_strSymbol = item.m_strSymbol;
    s.m_crColor = item.m_crColor;
    s.m_bGrid = item.m_bGrid;
    s.m_nGraphValues = item.m_nGraphValues;
    s.m_nAxisValues = item.m_nAxisValues;
    s.m_bBegin = item.m_bBegin;
    s.m_dtBegin = item.m_dtBegin;
    s.m_bEnd = item.m_bEnd;
    s.m_dtEnd = item.m_dtEnd;
    s.m_bBreakEvenLine = item.m_bBreakEvenLine;
    s.m_bTransactionMarks = item.m_bTransactionMarks;
    s.m_dBreakEven = item.m_dBreakEven;
    s.m_bInvestmentHistory = item.m_bInvestmentHistory;
    s.m_bCashAccount = item.m_bCashAccount;
    // The generation is read with the copy, under the list's lock: a change after it shows as a
    // new generation next time.
    item.readQuotations([&](const QuotationList& list) {
        if (sameItem && s.m_quotationsGeneration == list.generation())
            return;
        s.m_Quotations.clear();
        s.m_Quotations.reserve(list.size());
        list.forEachBlock([&](const CKurs* records, std::size_t count) {
            s.m_Quotations.insert(s.m_Quotations.end(), records, records + count);
        });
        s.m_quotationsGeneration = list.generation();
    });
    if (withTransactions)
        s.m_Transactions = item.GetTransactionListCopy();
    else
        s.m_Transactions.clear();
}

int ChartLayout::xOf(const OleDate& date) const {
    return toDevice(static_cast<double>(minutesBetween(begin, date)) * scaleX + data.left);
}

int ChartLayout::yOfValue(double value) const {
    return toDevice((max - value) * scaleV + data.top);
}

int ChartLayout::yOfRatio(double ratio) const {
    return toDevice((pmax - ratio) * scaleP + data.top);
}

void layoutChart(const ChartRequest& request, ChartLayout& layout, std::vector<ChartPoint>& points) {
    resetLayout(layout);
    points.clear();
    const auto items = request.items;
    if (items.empty())
        return;
    const bool comparison = items.size() > 1;
    const ChartItemSnapshot* single = comparison ? nullptr : &items[0];

    // Interval and values.
    std::vector<std::optional<ComparisonItem>> compared;
    HistoryRange history;
    if (single) {
        history = historyRange(*single);
        layout.begin = history.begin;
        layout.end = history.end;
        layout.firstQuotationIndex = static_cast<int>(history.first);
        layout.min = history.min;
        layout.max = history.max;
        layout.ref = history.ref;
        widenFlatRange(layout.min, layout.max);
        if (layout.ref > 0.0) {
            layout.pmax = layout.max / layout.ref;
            layout.pmin = layout.min / layout.ref;
        }
        layout.grid = single->m_bGrid != 0;
        layout.color = single->m_crColor;
        layout.graphValues = single->m_nGraphValues;
        layout.stepLine = single->m_bCashAccount != 0;
    } else {
        comparisonInterval(items, request.limits, layout.begin, layout.end);
        layout.pmin = layout.pmax = 1.0;
        compared.resize(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].m_Quotations.size() < 2)
                continue;
            compared[i] = comparisonItem(items[i], layout.begin, layout.end);
            if (!compared[i])
                continue;
            const ComparisonItem& c = *compared[i];
            if (c.ref > 0.0) {
                layout.pmax = std::max(layout.pmax, c.high / c.ref);
                layout.pmin = std::min(layout.pmin, c.low / c.ref);
            }
            layout.min = c.low;
            layout.max = c.high;
            layout.ref = c.ref;
        }
        widenFlatRange(layout.min, layout.max);
        layout.grid = request.limits.grid;
    }
    widenFlatRange(layout.pmin, layout.pmax);
    layout.range = layout.max - layout.min > 0.0 ? layout.max - layout.min : 1.0;
    layout.prange = layout.pmax - layout.pmin;

    // Data area and axes.
    layoutFrame(request, single, layout);
    if (layout.data.width() < 0 || layout.data.height() < 0) {
        layout.content = ChartContent::TooSmall;
        return;
    }
    layoutScales(layout);

    if (single) {
        points.resize(history.count);
        if (history.count <= 1) {
            layout.content = ChartContent::NameOnly;
            layout.title = cut(single->m_strName);
            // The one point, if any, is still where a click finds it.
            fillPoints(*single, history.first, layout, points);
            return;
        }
        layout.content = ChartContent::History;
        layout.title = cut(textcodec::formatText("%s (%s-%s)", single->m_strName.c_str(),
                                                 layout.begin.Format("%x").c_str(), layout.end.Format("%x").c_str()));
    } else {
        layout.content = ChartContent::Comparison;
        const bool print = request.medium == ChartMedium::Print;
        const std::string name = print ? request.documentTitle : textcodec::formatText("[%s]", IDS_COMPARISON);
        layout.title = layout.spanMinutes > 0
                           ? textcodec::formatText("%s (%s-%s)", name.c_str(), layout.begin.Format("%x").c_str(),
                                                   layout.end.Format("%x").c_str())
                           : name;
        layout.title = cut(std::move(layout.title));
    }

    layoutYearShades(layout);
    layoutValueAxis(request, single, layout);

    if (single) {
        fillPoints(*single, history.first, layout, points);
        layout.line = visiblePoints(std::span<const ChartPoint>(points));
        layoutHistoryLines(*single, points, layout);
        if (request.medium == ChartMedium::Screen)
            layoutTransactionMarks(*single, layout);
        return;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        // An item whose value at begin is 0 or below has no ratios to draw.
        if (!compared[i] || !(compared[i]->ref > 0.0))
            continue;
        const ComparisonItem& c = *compared[i];
        const auto& q = items[i].m_Quotations;
        ComparisonCurve curve;
        curve.item = i;
        curve.color = items[i].m_crColor;
        curve.step = request.medium == ChartMedium::Screen && items[i].m_bCashAccount;
        curve.interpolated = c.interpolated;
        curve.ref = c.ref;
        curve.low = c.low / c.ref;
        curve.high = c.high / c.ref;
        if (c.interpolated)
            curve.points.emplace_back(layout.data.left, layout.yOfRatio(1.0));
        for (std::size_t k = c.start; k < q.size() && dateEarlierOrEqual(q[k].m_dtDate, layout.end); ++k)
            curve.points.emplace_back(layout.xOf(q[k].m_dtDate), layout.yOfRatio(q[k].m_dClose / c.ref));
        curve.points = visiblePoints(curve.points);
        layout.curves.push_back(std::move(curve));
    }
    layoutComparisonDates(layout);
}

int labelCountHint(int height, int labelHeight) {
    if (labelHeight <= 0)
        return 1;
    const int n = height / labelHeight + 1;
    return n < 4 ? 1 : n / 2;
}

ValueAxis percentAxis(ChartMedium medium, double pmin, double pmax, int hint, const std::function<int(double)>& yOf) {
    ValueAxis axis;
    axis.kind = AxisKind::Percent;
    axis.step = (pmax - pmin) / std::max(hint, 1);
    const auto unit = labelUnit(axis.step);
    if (!unit)
        return axis;
    const double sig = std::max(*unit, kMinPercentSignif);
    axis.signif = sig;
    double r = roundToUnit(pmin, sig, false);
    if (r < pmin)
        r += sig;
    axis.first = r;
    double step = axis.step;
    std::string last;
    for (int pass = 1; r <= pmax; ++pass) {
        if (constantsOf(medium).doubleStepEvery100 && pass % 100 == 0)
            step *= 2;
        std::string text = FormatNumberGrouped("%.2lf%%", r * 100.0);
        if (text != last) {
            axis.ticks.push_back({r, yOf(r), text});
            last = std::move(text);
        }
        double next = roundToUnit(r + step, sig, false);
        if (next == r)
            next += sig;
        if (!(next > r))
            break; // beyond the precision of doubles
        r = next;
    }
    return axis;
}

ValueAxis nominalAxis(ChartMedium medium, double min, double max, int hint, const char* format,
                      const std::function<int(double)>& yOf) {
    ValueAxis axis;
    axis.kind = AxisKind::Nominal;
    axis.step = (max - min) / std::max(hint, 1);
    const auto unit = labelUnit(axis.step);
    if (!unit)
        return axis;
    const double tick = *unit;
    axis.signif = tick;
    double v = roundToUnit(min, tick, true);
    if (v < min)
        v += tick;
    axis.first = v;
    double step = axis.step;
    std::string last;
    std::optional<int> lastY;
    for (int pass = 1; v <= max; ++pass) {
        if (constantsOf(medium).doubleStepEvery100 && pass % 100 == 0)
            step *= 2;
        std::string text = FormatNumberGrouped(format, v);
        if (text != last) {
            const int y = yOf(v);
            if (y != lastY) {
                axis.ticks.push_back({v, y, text});
                last = std::move(text);
            }
            lastY = y;
        }
        double next = roundToUnit(v + step, tick, true);
        if (FormatNumberGrouped(format, next) == last)
            next += tick;
        if (!(next > v))
            break; // beyond the precision of doubles
        v = next;
    }
    return axis;
}

std::string pointLabel(ChartMedium medium, int graphValues, double close, double ref) {
    if (graphValues == 1 && ref > 0.0)
        return FormatNumberGrouped("%.2lf%%", close * 100.0 / ref);
    if (graphValues == 2)
        return FormatNumberGrouped(constantsOf(medium).valueFormat, close);
    return {};
}

ChartRect squareMark(ChartMedium medium, int x, int y) {
    const auto& k = constantsOf(medium);
    return {x - k.squareBefore, y - k.squareBefore, x + k.squareAfter, y + k.squareAfter};
}

namespace {

// Appends the points of one column's run that draw what the whole run draws (see visiblePoints).
// A one-pixel line leaves out one end pixel of each line it draws (the lower end of a line within
// a column, unless the line turns there from going down to going up), and how it starts a line
// depends on the direction of the line before. So the run keeps: its first point and the first
// one off the first's level (the run's first line as it was), its lowest point, a highest point
// that the curve turns at within the run when it has one (else its first highest), the last point
// off the last one's level and the last point (the run's last line as it was, on which the line to
// the next column depends). The curve's first and last lines also keep their neighbours, as the
// pen's ends are drawn by them. Everything between the lowest and the highest point is covered by
// the lines between them either way.
template <class Point, class At>
void keepVisible(std::span<const Point> run, At at, bool curveStart, bool curveEnd, std::vector<QPoint>& kept) {
    const std::size_t n = run.size();
    if (n <= 6) {
        for (const Point& p : run)
            kept.push_back(at(p));
        return;
    }
    const auto y = [&](std::size_t k) { return at(run[k]).y(); };
    const std::size_t last = n - 1;
    std::size_t lead = 1;
    while (lead < n && y(lead) == y(0))
        ++lead;
    std::size_t turn = last;
    while (turn > 0 && y(turn) == y(last))
        --turn;
    std::size_t low = 0;
    std::size_t high = 0;
    for (std::size_t k = 1; k < n; ++k) {
        if (y(k) < y(low))
            low = k;
        else if (y(k) > y(high))
            high = k;
    }
    for (std::size_t k = lead; k <= turn && k < n; ++k)
        if (y(k) == y(high)) {
            high = k;
            break;
        }
    std::array<std::size_t, 9> keep{0, std::min(lead, last), low, high, turn, last, 0, last, last};
    if (curveStart)
        keep[6] = 1;
    if (curveEnd) {
        keep[7] = last - 1;
        std::size_t before = turn;
        while (before > 0 && y(before) == y(turn))
            --before;
        keep[8] = before;
    }
    std::sort(keep.begin(), keep.end());
    for (std::size_t k = 0; k < keep.size(); ++k)
        if (k == 0 || keep[k] != keep[k - 1])
            kept.push_back(at(run[keep[k]]));
}

template <class Point, class At> std::vector<QPoint> visiblePointsOf(std::span<const Point> points, At at) {
    std::vector<QPoint> kept;
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n;) {
        const int x = at(points[i]).x();
        std::size_t end = i + 1;
        while (end < n && at(points[end]).x() == x)
            ++end;
        keepVisible(points.subspan(i, end - i), at, i == 0, end == n, kept);
        i = end;
    }
    return kept;
}

} // namespace

std::vector<QPoint> visiblePoints(std::span<const QPoint> points) {
    return visiblePointsOf(points, [](const QPoint& p) { return p; });
}

std::vector<QPoint> visiblePoints(std::span<const ChartPoint> points) {
    return visiblePointsOf(points, [](const ChartPoint& p) { return QPoint(p.x, p.y); });
}

QPolygon chartPolyline(std::span<const QPoint> points, bool step) {
    QPolygon line;
    line.reserve(static_cast<qsizetype>(step && !points.empty() ? 2 * points.size() - 1 : points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (step && i > 0)
            line.append(QPoint(points[i].x(), points[i - 1].y()));
        line.append(points[i]);
    }
    return line;
}
