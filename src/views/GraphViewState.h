#pragma once
// The chart view's state apart from its window: the comparison settings kept in the section
// "GraphView", the marked point and interval, the chart items, and the rules that act on them
// (following the list view, the one extra paint after a mark, finding the nearest point, zooming,
// the status texts). The window only calls these and draws what they decide.

#include "views/GraphViewLayout.h"

#include <span>
#include <string>
#include <utility>
#include <vector>

class SettingsStore;

// String-table texts of the interval status.
inline constexpr const char* IDS_DAYS = "Days";     // string 40045
inline constexpr const char* IDS_MONTHS = "Months"; // string 41004
inline constexpr const char* IDS_YEARS = "Years";   // string 41006

inline constexpr const char* kGraphViewSection = "GraphView";

// The comparison chart's limits and grid. A year, month or day of -1 stands for no valid date.
struct GraphViewSettings {
    int m_bBegin = 0;
    int m_nBeginYear = 1999;
    int m_nBeginMonth = 1;
    int m_nBeginDay = 1;
    int m_bEnd = 0;
    int m_nEndYear = 2005;
    int m_nEndMonth = 1;
    int m_nEndDay = 1;
    int m_bGrid = 1;

    bool operator==(const GraphViewSettings&) const = default;

    // The begin day at 00:00:00 and the end day at 23:59:59; invalid when the parts form no date.
    OleDate beginDate() const;
    OleDate endDate() const;
    // Stores a date's parts; -1 in all three for a date that is not valid.
    void setBeginDate(const OleDate& date);
    void setEndDate(const OleDate& date);
    ComparisonLimits limits() const;
};

// The nine values of "GraphView", with the defaults above for missing ones.
GraphViewSettings loadGraphViewSettings(const SettingsStore& store);
void saveGraphViewSettings(SettingsStore& store, const GraphViewSettings& settings);

// The item's chart interval as the zoom commands change it.
struct ItemChartInterval {
    int m_bBegin = 0;
    OleDate m_dtBegin;
    int m_bEnd = 0;
    OleDate m_dtEnd;
};

struct GraphViewState {
    int m_bRedrawPending = 0;
    ChartRect m_rcData;
    ChartRect m_rcAxes;
    int m_nCursorPoint = -1;
    int m_nCursorDrawn = -1;
    int m_nIntervalStart = -1;
    int m_nIntervalEnd = -1;
    int m_nMarkedStart = -1;
    int m_nMarkedEnd = -1;
    std::vector<ChartPoint> m_pPoints;     // the drawn points of the one-item chart
    ItemPos m_posCurrentItem = kNoItemPos; // the list view's current item
    std::vector<ItemPos> m_ChartItems;     // the items to draw, in the list view's order
    int m_bInitialized = 0;
    int m_nFirstQuotationIndex = 0;
    GraphViewSettings m_Settings;

    int pointCount() const { return static_cast<int>(m_pPoints.size()); }
    bool indexesPoint(int index) const { return index >= 0 && index < pointCount(); }
    bool isSingleItem() const { return m_ChartItems.size() == 1; }

    void ResetCursor() { m_nCursorPoint = m_nCursorDrawn = -1; }
    void ResetInterval() { m_nIntervalStart = m_nIntervalEnd = m_nMarkedStart = m_nMarkedEnd = -1; }
    bool IsIntervalMarked() const { return m_nIntervalStart >= 0 && m_nIntervalStart != m_nIntervalEnd; }
    bool IsPointMarked() const { return m_nCursorPoint >= 0; }
    // Whether the item is drawn: the current item, or one of the chart items. Items are compared
    // by id, so an item that is gone is simply not found.
    bool IsItemShown(ItemPos pos) const;
};

// A document update: before initialisation it is dropped (false). Otherwise a new current item
// ends the interval, the cursor is dropped, the chart items are replaced, and the chart must be
// painted again (true).
bool followListView(GraphViewState& state, ItemPos currentItem, std::vector<ItemPos> chartItems);

// Called by every paint of the one-item chart: with a point or an interval marked, the first paint
// asks for one more complete paint and drops the cursor (true); that paint, and every other one,
// clears the request (false), so it never repeats.
bool requestCompletePaint(GraphViewState& state);

// The index of the point whose x lies nearest to `x` (y is not used); ties go to the higher index
// with `preferHigher`, else to the lower; nothing 10000 or more pixels away; -1 without points.
// The points' x must not decrease (the layout gives them in date order).
int FindNearestPoint(std::span<const ChartPoint> points, int x, int y, bool preferHigher);

// What the window's DrawMarkInterval changes on the screen to show m_nIntervalStart..m_nIntervalEnd.
struct IntervalMarkPlan {
    bool removeCursor = false;                 // the cursor at m_nCursorDrawn is XOR-ed away first
    std::vector<std::pair<int, int>> inverted; // segment ranges a..b to invert, in order
    bool intervalRemoved = false;              // the status text goes back to empty
};
// Plans the change and updates the marked interval (and the cursor) of the state.
IntervalMarkPlan planMarkInterval(GraphViewState& state);

// The area between the curve and the bottom axis from point i - 1 to point i (i > 0).
QPolygon segmentRegion(std::span<const ChartPoint> points, int i, int axesBottom);
// The regions that inverting a..b inverts: those of a+1..b whose x differs from the previous point's.
std::vector<QPolygon> segmentRegions(std::span<const ChartPoint> points, int a, int b, int axesBottom);

// "%s : %s": the point's date ("%x  %H:%M") and close ("%.4lf", grouped).
std::string pointStatusText(const ChartPoint& point);
// The interval's text, beginning with "["; "" unless both ends index points and differ.
std::string intervalStatusText(std::span<const ChartPoint> points, int start, int end);

// Zoom into the marked interval: with one chart item and an interval of two points, its ends
// become the item's interval, except an end at the first or last drawn point, which keeps the
// item's setting. The cursor and interval are reset; `done` then asks the window to set the
// document's modified flag and repaint, always.
struct ZoomResult {
    bool done = false;
    ItemChartInterval interval;
};
ZoomResult zoomIntoInterval(GraphViewState& state, const ItemChartInterval& current);
// Zoom out: with one chart item, both limits of the item's interval are switched off.
ZoomResult zoomOut(GraphViewState& state, const ItemChartInterval& current);
bool zoomInEnabled(const GraphViewState& state);
bool zoomOutEnabled(const GraphViewState& state, const ItemChartInterval& current);

// The item's quotation that "Display quotations" opens: the cursor's point, else the interval's
// start, counted in the item's own list.
int displayQuotationIndex(const GraphViewState& state);
