#include "views/GraphViewState.h"

#include "log/NumberFormat.h"
#include "platform/Settings.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Beyond this distance no point is near the mouse.
constexpr long long kNearestLimit = 10000;
// Yearly changes this large (or not finite) are left out of the interval text.
constexpr double kAnnualLimit = 100000.0;
constexpr double kDaysPerMonth = 30.42;
constexpr double kDaysPerYear = 365.0;

void datePartsOf(const OleDate& date, int& year, int& month, int& day) {
    year = date.GetYear();
    month = date.GetMonth();
    day = date.GetDay();
    if (date.GetStatus() != OleDate::valid || year < 0 || month < 0 || day < 0)
        year = month = day = -1;
}

long long distance(int a, int b) {
    return std::llabs(static_cast<long long>(a) - b);
}

} // namespace

OleDate GraphViewSettings::beginDate() const {
    return OleDate(m_nBeginYear, m_nBeginMonth, m_nBeginDay, 0, 0, 0);
}

OleDate GraphViewSettings::endDate() const {
    return OleDate(m_nEndYear, m_nEndMonth, m_nEndDay, 23, 59, 59);
}

void GraphViewSettings::setBeginDate(const OleDate& date) {
    datePartsOf(date, m_nBeginYear, m_nBeginMonth, m_nBeginDay);
}

void GraphViewSettings::setEndDate(const OleDate& date) {
    datePartsOf(date, m_nEndYear, m_nEndMonth, m_nEndDay);
}

ComparisonLimits GraphViewSettings::limits() const {
    return {m_bBegin != 0, beginDate(), m_bEnd != 0, endDate(), m_bGrid != 0};
}

GraphViewSettings loadGraphViewSettings(const SettingsStore& store) {
    const GraphViewSettings defaults;
    GraphViewSettings s;
    s.m_bBegin = store.readInt(kGraphViewSection, "Beginb", defaults.m_bBegin);
    s.m_nBeginYear = store.readInt(kGraphViewSection, "BeginYear", defaults.m_nBeginYear);
    s.m_nBeginMonth = store.readInt(kGraphViewSection, "BeginMonth", defaults.m_nBeginMonth);
    s.m_nBeginDay = store.readInt(kGraphViewSection, "BeginDay", defaults.m_nBeginDay);
    s.m_bEnd = store.readInt(kGraphViewSection, "Endb", defaults.m_bEnd);
    s.m_nEndYear = store.readInt(kGraphViewSection, "EndYear", defaults.m_nEndYear);
    s.m_nEndMonth = store.readInt(kGraphViewSection, "EndMonth", defaults.m_nEndMonth);
    s.m_nEndDay = store.readInt(kGraphViewSection, "EndDay", defaults.m_nEndDay);
    s.m_bGrid = store.readInt(kGraphViewSection, "bGrid", defaults.m_bGrid);
    return s;
}

void saveGraphViewSettings(SettingsStore& store, const GraphViewSettings& s) {
    store.writeInt(kGraphViewSection, "Beginb", s.m_bBegin);
    store.writeInt(kGraphViewSection, "BeginYear", s.m_nBeginYear);
    store.writeInt(kGraphViewSection, "BeginMonth", s.m_nBeginMonth);
    store.writeInt(kGraphViewSection, "BeginDay", s.m_nBeginDay);
    store.writeInt(kGraphViewSection, "Endb", s.m_bEnd);
    store.writeInt(kGraphViewSection, "EndYear", s.m_nEndYear);
    store.writeInt(kGraphViewSection, "EndMonth", s.m_nEndMonth);
    store.writeInt(kGraphViewSection, "EndDay", s.m_nEndDay);
    store.writeInt(kGraphViewSection, "bGrid", s.m_bGrid);
}

bool GraphViewState::IsItemShown(ItemPos pos) const {
    if (!m_bInitialized || pos == kNoItemPos)
        return false;
    if (pos == m_posCurrentItem)
        return true;
    return std::find(m_ChartItems.begin(), m_ChartItems.end(), pos) != m_ChartItems.end();
}

bool followListView(GraphViewState& state, ItemPos currentItem, std::vector<ItemPos> chartItems) {
    if (!state.m_bInitialized)
        return false;
    if (currentItem != state.m_posCurrentItem) {
        state.m_posCurrentItem = currentItem;
        state.ResetInterval();
    }
    state.ResetCursor();
    state.m_ChartItems = std::move(chartItems);
    return true;
}

bool requestCompletePaint(GraphViewState& state) {
    if ((state.IsPointMarked() || state.IsIntervalMarked()) && !state.m_bRedrawPending) {
        state.m_bRedrawPending = 1;
        state.ResetCursor();
        return true;
    }
    state.m_bRedrawPending = 0;
    return false;
}

int FindNearestPoint(std::span<const ChartPoint> points, int x, int /*y*/, bool preferHigher) {
    if (points.empty())
        return -1;
    const auto byX = [](const ChartPoint& p, int value) { return p.x < value; };
    const auto xBelow = [](int value, const ChartPoint& p) { return value < p.x; };
    const auto first = points.begin();
    // The first point at or right of x, and the last one left of it; each stands for the run of
    // points sharing its x.
    const auto right = std::lower_bound(first, points.end(), x, byX);
    const bool hasRight = right != points.end();
    const bool hasLeft = right != first;
    const long long toRight = hasRight ? distance(right->x, x) : 0;
    const long long toLeft = hasLeft ? distance(x, (right - 1)->x) : 0;
    long long best = 0;
    std::ptrdiff_t index = 0;
    if (hasRight && (!hasLeft || toRight < toLeft || (toRight == toLeft && preferHigher))) {
        best = toRight;
        index = preferHigher ? std::upper_bound(right, points.end(), right->x, xBelow) - first - 1 : right - first;
    } else {
        const int leftX = (right - 1)->x;
        best = toLeft;
        index = preferHigher ? right - first - 1 : std::lower_bound(first, right, leftX, byX) - first;
    }
    return best < kNearestLimit ? static_cast<int>(index) : -1;
}

IntervalMarkPlan planMarkInterval(GraphViewState& state) {
    IntervalMarkPlan plan;
    const int start = state.m_nIntervalStart;
    const int end = state.m_nIntervalEnd;
    const int markedLo = std::min(state.m_nMarkedStart, state.m_nMarkedEnd);
    const int markedHi = std::max(state.m_nMarkedStart, state.m_nMarkedEnd);
    if (state.indexesPoint(start) && state.indexesPoint(end) && start != end) {
        if (state.indexesPoint(state.m_nCursorDrawn))
            plan.removeCursor = true;
        state.ResetCursor();
        const int lo = std::min(start, end);
        const int hi = std::max(start, end);
        if (markedLo == lo && markedHi == hi)
            return plan;
        if (markedLo < 0) {
            plan.inverted.emplace_back(lo, hi);
        } else if (state.m_nMarkedStart != start) {
            // A mark that does not share the start cannot be trimmed: remove it, then draw anew.
            plan.inverted.emplace_back(markedLo, markedHi);
            plan.inverted.emplace_back(lo, hi);
        } else {
            // Both contain the start point, so changing the two ends leaves exactly lo..hi.
            if (markedHi < hi)
                plan.inverted.emplace_back(markedHi, hi);
            else if (hi >= markedLo)
                plan.inverted.emplace_back(hi, markedHi);
            if (lo < markedLo)
                plan.inverted.emplace_back(lo, markedLo);
            else if (markedHi >= lo)
                plan.inverted.emplace_back(markedLo, lo);
        }
        state.m_nMarkedStart = start;
        state.m_nMarkedEnd = end;
    } else if (state.m_nMarkedStart != -1 && state.m_nMarkedEnd != -1) {
        plan.inverted.emplace_back(markedLo, markedHi);
        state.m_nMarkedStart = state.m_nMarkedEnd = -1;
        plan.intervalRemoved = true;
    }
    return plan;
}

QPolygon segmentRegion(std::span<const ChartPoint> points, int i, int axesBottom) {
    const ChartPoint& a = points[static_cast<std::size_t>(i - 1)];
    const ChartPoint& b = points[static_cast<std::size_t>(i)];
    QPolygon region;
    region << QPoint(a.x, axesBottom) << QPoint(a.x, a.y + 1) << QPoint(b.x, b.y + 1) << QPoint(b.x, axesBottom);
    return region;
}

std::vector<QPolygon> segmentRegions(std::span<const ChartPoint> points, int a, int b, int axesBottom) {
    std::vector<QPolygon> regions;
    const int last = std::min(b, static_cast<int>(points.size()) - 1);
    for (int i = std::max(a, 0) + 1; i <= last; ++i)
        if (points[static_cast<std::size_t>(i)].x != points[static_cast<std::size_t>(i - 1)].x)
            regions.push_back(segmentRegion(points, i, axesBottom));
    return regions;
}

std::string pointStatusText(const ChartPoint& point) {
    return textcodec::truncateUtf8(textcodec::formatText("%s : %s", point.date.Format("%x  %H:%M").c_str(),
                                                         FormatNumberGrouped("%.4lf", point.value).c_str()),
                                   255);
}

std::string intervalStatusText(std::span<const ChartPoint> points, int start, int end) {
    const int n = static_cast<int>(points.size());
    if (start < 0 || end < 0 || start >= n || end >= n || start == end)
        return {};
    const ChartPoint& lo = points[static_cast<std::size_t>(std::min(start, end))];
    const ChartPoint& hi = points[static_cast<std::size_t>(std::max(start, end))];
    // Whole days and hours; minutes do not count.
    const OleDateSpan span = hi.date - lo.date;
    const double days = static_cast<double>(span.GetDays()) + span.GetHours() / 24.0;
    double change = 0.0;
    double annual = 0.0;
    if (lo.value != 0.0) {
        change = (hi.value / lo.value - 1.0) * 100.0;
        const double exponent = days > 0.0 ? kDaysPerYear / days : std::numeric_limits<double>::infinity();
        annual = (std::pow(change / 100.0 + 1.0, exponent) - 1.0) * 100.0;
    }
    const double months = days / kDaysPerMonth;
    const double years = days / kDaysPerYear;
    const std::string duration =
        months < 3.0  ? textcodec::formatText("%s %s", FormatNumberGrouped("%.1lf", days).c_str(), IDS_DAYS)
        : years < 1.0 ? textcodec::formatText("%s %s", FormatNumberGrouped("%.1lf", months).c_str(), IDS_MONTHS)
                      : textcodec::formatText("%s %s", FormatNumberGrouped("%.1lf", years).c_str(), IDS_YEARS);
    const std::string loDate = lo.date.Format("%x %H:%M");
    const std::string hiDate = hi.date.Format("%x %H:%M");
    const std::string loClose = FormatNumberGrouped("%.4lf", lo.value);
    const std::string hiClose = FormatNumberGrouped("%.4lf", hi.value);
    // The text opens with a plain "[" (no printf conversion).
    std::string text =
        std::fabs(annual) < kAnnualLimit
            ? textcodec::formatText("[%s : %s ; %s : %s] = %s: %+.2lf%% (~ %+.2lf%%/year)", loDate.c_str(),
                                    loClose.c_str(), hiDate.c_str(), hiClose.c_str(), duration.c_str(), change, annual)
            : textcodec::formatText("[%s : %s ; %s : %s] = %s: %+.2lf%%", loDate.c_str(), loClose.c_str(),
                                    hiDate.c_str(), hiClose.c_str(), duration.c_str(), change);
    return textcodec::truncateUtf8(text, 255);
}

ZoomResult zoomIntoInterval(GraphViewState& state, const ItemChartInterval& current) {
    ZoomResult result;
    result.interval = current;
    const int start = state.m_nIntervalStart;
    const int end = state.m_nIntervalEnd;
    if (!state.isSingleItem() || !state.indexesPoint(start) || !state.indexesPoint(end) || start == end)
        return result;
    const int lo = std::min(start, end);
    const int hi = std::max(start, end);
    if (lo != 0) {
        result.interval.m_bBegin = 1;
        result.interval.m_dtBegin = state.m_pPoints[static_cast<std::size_t>(lo)].date;
    }
    if (hi != state.pointCount() - 1) {
        result.interval.m_bEnd = 1;
        result.interval.m_dtEnd = state.m_pPoints[static_cast<std::size_t>(hi)].date;
    }
    state.ResetCursor();
    state.ResetInterval();
    result.done = true;
    return result;
}

ZoomResult zoomOut(GraphViewState& state, const ItemChartInterval& current) {
    ZoomResult result;
    result.interval = current;
    if (!state.isSingleItem())
        return result;
    result.interval.m_bBegin = 0;
    result.interval.m_bEnd = 0;
    state.ResetCursor();
    state.ResetInterval();
    result.done = true;
    return result;
}

bool zoomInEnabled(const GraphViewState& state) {
    return state.m_nIntervalStart != -1 && state.m_nIntervalStart != state.m_nIntervalEnd;
}

bool zoomOutEnabled(const GraphViewState& state, const ItemChartInterval& current) {
    return state.isSingleItem() && (current.m_bBegin || current.m_bEnd);
}

int displayQuotationIndex(const GraphViewState& state) {
    const int index = state.m_nCursorPoint >= 0 ? state.m_nCursorPoint : state.m_nIntervalStart;
    return index + state.m_nFirstQuotationIndex;
}
