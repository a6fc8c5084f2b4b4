#include "platform/Settings.h"
#include "support/TestEnv.h"
#include "views/GraphViewState.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace {

std::vector<ChartPoint> pointsAt(std::initializer_list<int> xs) {
    std::vector<ChartPoint> points;
    for (int x : xs)
        points.push_back({x, 100, OleDate(45000.0 + points.size()), 1.0});
    return points;
}

// The rule as a walk from the last point down: a point is taken when nearer than the best so far,
// or as near and ties go low.
int nearestByWalk(const std::vector<ChartPoint>& points, int x, bool preferHigher) {
    long long best = 10000;
    int found = -1;
    for (int i = static_cast<int>(points.size()) - 1; i >= 0; --i) {
        const long long d = std::llabs(static_cast<long long>(points[i].x) - x);
        if (d < best || (d == best && !preferHigher && found >= 0)) {
            best = d;
            found = i;
        }
    }
    return found;
}

TEST(FindNearestPoint, TiesAndLimit) {
    const auto points = pointsAt({10, 20, 20, 30});
    struct Case {
        int x;
        int higher; // preferHigher
        int lower;
    };
    const Case cases[] = {
        {20, 2, 1}, // on a shared x
        {15, 2, 0}, // midway: the highest or the lowest of all equally near
        {25, 3, 1}, // midway between the shared x and the last point
        {-100, 0, 0},      {1000, 3, 3},         {10 + 9999, 3, 3}, // beyond the ends
        {30 + 9999, 3, 3}, {30 + 10000, -1, -1}, {10 - 10000, -1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindNearestPoint(points, c.x, 0, true), c.higher) << c.x;
        EXPECT_EQ(FindNearestPoint(points, c.x, 0, false), c.lower) << c.x;
    }
    EXPECT_EQ(FindNearestPoint({}, 5, 5, true), -1);
}

TEST(FindNearestPoint, AgreesWithTheWalk) {
    std::mt19937 rng(23);
    for (int round = 0; round < 200; ++round) {
        std::vector<ChartPoint> points;
        int x = static_cast<int>(rng() % 50);
        for (int i = static_cast<int>(rng() % 40); i >= 0; --i) {
            points.push_back({x, 0, OleDate(), 0.0});
            x += static_cast<int>(rng() % 4); // many equal x
        }
        for (int probe = -5; probe < x + 5; ++probe) {
            ASSERT_EQ(FindNearestPoint(points, probe, 0, true), nearestByWalk(points, probe, true)) << probe;
            ASSERT_EQ(FindNearestPoint(points, probe, 0, false), nearestByWalk(points, probe, false)) << probe;
        }
    }
}

TEST(IntervalStatus, Texts) {
    testsupport::setTimeZone("UTC");
    struct Case {
        const char* what;
        OleDate from, to;
        double a, b;
        const char* text;
    };
    const OleDate jan1(2023, 1, 1, 0, 0, 0);
    const OleDate jan1Late(2023, 1, 1, 0, 40, 0);
    const Case cases[] = {
        {"one year", jan1, OleDate(2024, 1, 1, 0, 0, 0), 100.0, 110.0,
         "[01/01/23 00:00 : 100.0000 ; 01/01/24 00:00 : 110.0000] = 1.0 Years: +10.00% (~ +10.00%/year)"},
        {"months", jan1, OleDate(2023, 5, 1, 0, 0, 0), 100.0, 100.0,
         "[01/01/23 00:00 : 100.0000 ; 05/01/23 00:00 : 100.0000] = 3.9 Months: +0.00% (~ +0.00%/year)"},
        {"days and hours", jan1, OleDate(2023, 1, 11, 12, 0, 0), 100.0, 100.0,
         "[01/01/23 00:00 : 100.0000 ; 01/11/23 12:00 : 100.0000] = 10.5 Days: +0.00% (~ +0.00%/year)"},
        {"under an hour, rising", jan1, jan1Late, 100.0, 101.0,
         "[01/01/23 00:00 : 100.0000 ; 01/01/23 00:40 : 101.0000] = 0.0 Days: +1.00%"},
        {"under an hour, falling", jan1, jan1Late, 100.0, 99.0,
         "[01/01/23 00:00 : 100.0000 ; 01/01/23 00:40 : 99.0000] = 0.0 Days: -1.00% (~ -100.00%/year)"},
        {"under an hour, unchanged", jan1, jan1Late, 100.0, 100.0,
         "[01/01/23 00:00 : 100.0000 ; 01/01/23 00:40 : 100.0000] = 0.0 Days: +0.00% (~ +0.00%/year)"},
        {"earlier close 0", jan1, OleDate(2023, 1, 2, 0, 0, 0), 0.0, 5.0,
         "[01/01/23 00:00 : 0.0000 ; 01/02/23 00:00 : 5.0000] = 1.0 Days: +0.00% (~ +0.00%/year)"},
    };
    for (const Case& c : cases) {
        const std::vector<ChartPoint> points = {{0, 0, c.from, c.a}, {9, 0, c.to, c.b}};
        EXPECT_EQ(intervalStatusText(points, 0, 1), c.text) << c.what;
        EXPECT_EQ(intervalStatusText(points, 1, 0), c.text) << c.what; // dragged leftwards
    }
    const std::vector<ChartPoint> points = {{0, 0, jan1, 100.0}, {9, 0, jan1Late, 100.0}};
    EXPECT_EQ(intervalStatusText(points, 1, 1), "");
    EXPECT_EQ(intervalStatusText(points, 0, 2), "");
    EXPECT_EQ(intervalStatusText(points, -1, 0), "");
    EXPECT_EQ(pointStatusText(points[1]), "01/01/23  00:40 : 100.0000");
    testsupport::setTimeZone("Europe/Berlin");
}

// Shows which segments are inverted on the screen after each plan, as XOR does.
struct Screen {
    std::set<int> inverted;
    void apply(const IntervalMarkPlan& plan) {
        for (const auto& [a, b] : plan.inverted)
            for (int i = a + 1; i <= b; ++i)
                if (!inverted.erase(i))
                    inverted.insert(i);
    }
    static std::set<int> segments(int start, int end) {
        std::set<int> s;
        for (int i = std::min(start, end) + 1; i <= std::max(start, end); ++i)
            s.insert(i);
        return s;
    }
};

TEST(IntervalMarking, InvertsExactlyTheInterval) {
    GraphViewState state;
    for (int i = 0; i < 30; ++i)
        state.m_pPoints.push_back({i * 10, 50, OleDate(), 1.0});
    Screen screen;
    state.m_nIntervalStart = state.m_nIntervalEnd = 0;
    std::mt19937 rng(7);
    for (int step = 0; step < 2000; ++step) {
        const int p = static_cast<int>(rng() % 30);
        if (rng() % 6 == 0) {
            state.m_nIntervalStart = state.m_nIntervalEnd = p; // button down: the mark goes
            const bool wasShown = !screen.inverted.empty();
            const auto plan = planMarkInterval(state);
            EXPECT_EQ(plan.intervalRemoved, wasShown);
            screen.apply(plan);
            ASSERT_TRUE(screen.inverted.empty());
        } else {
            state.m_nIntervalEnd = p; // drag
            screen.apply(planMarkInterval(state));
            ASSERT_EQ(screen.inverted, Screen::segments(state.m_nIntervalStart, p)) << step;
        }
    }
    // A mark left from before a new start (not from a button-down) is replaced whole.
    state.m_nIntervalStart = 3;
    state.m_nIntervalEnd = 8;
    screen.apply(planMarkInterval(state));
    state.m_nIntervalStart = 20;
    state.m_nIntervalEnd = 25;
    screen.apply(planMarkInterval(state));
    EXPECT_EQ(screen.inverted, Screen::segments(20, 25));

    state.m_nCursorPoint = state.m_nCursorDrawn = 4;
    state.m_nIntervalEnd = 27;
    EXPECT_TRUE(planMarkInterval(state).removeCursor);
    EXPECT_EQ(state.m_nCursorDrawn, -1);
}

TEST(IntervalMarking, SegmentsOfPointsWithTheSameXHaveNoRegion) {
    const std::vector<ChartPoint> points = {{0, 10, {}, 0}, {5, 20, {}, 0}, {5, 30, {}, 0}, {9, 5, {}, 0}};
    const auto regions = segmentRegions(points, 0, 3, 100);
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_EQ(regions[0], QPolygon({{0, 100}, {0, 11}, {5, 21}, {5, 100}}));
    EXPECT_EQ(regions[1], QPolygon({{5, 100}, {5, 31}, {9, 6}, {9, 100}}));
    EXPECT_TRUE(segmentRegions(points, 1, 2, 100).empty());
}

TEST(GraphViewUpdates, FollowTheListViewAndRepaintOnceMore) {
    GraphViewState state;
    EXPECT_FALSE(followListView(state, 7, {7}));
    EXPECT_TRUE(state.m_ChartItems.empty());
    EXPECT_FALSE(state.IsItemShown(7));

    state.m_bInitialized = 1;
    ASSERT_TRUE(followListView(state, 7, {7}));
    state.m_pPoints = std::vector<ChartPoint>(5);
    state.m_nIntervalStart = 1;
    state.m_nIntervalEnd = 3;
    state.m_nCursorPoint = state.m_nCursorDrawn = 2;
    ASSERT_TRUE(followListView(state, 7, {7})); // the same current item keeps the interval
    EXPECT_EQ(state.m_nIntervalEnd, 3);
    EXPECT_EQ(state.m_nCursorPoint, -1);

    // A marked interval asks for one complete paint more, and only one.
    EXPECT_TRUE(requestCompletePaint(state));
    EXPECT_FALSE(requestCompletePaint(state));
    EXPECT_EQ(state.m_bRedrawPending, 0);
    EXPECT_TRUE(requestCompletePaint(state)); // a later paint (resize) asks again, once
    EXPECT_FALSE(requestCompletePaint(state));

    ASSERT_TRUE(followListView(state, 9, {9, 4}));
    EXPECT_EQ(state.m_nIntervalStart, -1);
    EXPECT_FALSE(requestCompletePaint(state));
    // The current item counts even when the comparison leaves it out.
    ASSERT_TRUE(followListView(state, 3, {9, 4}));
    EXPECT_TRUE(state.IsItemShown(3));
    EXPECT_TRUE(state.IsItemShown(4));
    EXPECT_FALSE(state.IsItemShown(5));
    EXPECT_FALSE(state.IsItemShown(kNoItemPos));
}

TEST(GraphViewZoom, WritesOnlyInnerEndsAndAlwaysModifies) {
    GraphViewState state;
    state.m_bInitialized = 1;
    state.m_ChartItems = {7};
    for (int i = 0; i < 5; ++i)
        state.m_pPoints.push_back({i * 10, 0, OleDate(45000.0 + i), 1.0});
    ItemChartInterval current;
    current.m_dtBegin = OleDate(40000.0);
    current.m_dtEnd = OleDate(50000.0);

    EXPECT_FALSE(zoomInEnabled(state));
    EXPECT_FALSE(zoomIntoInterval(state, current).done);

    struct Case {
        int start, end;
        int bBegin, bEnd;
        double begin, end_;
    };
    const Case cases[] = {
        {3, 1, 1, 1, 45001.0, 45003.0}, // inner on both sides
        {0, 2, 0, 1, 40000.0, 45002.0}, // from the first point: begin untouched
        {4, 2, 1, 0, 45002.0, 50000.0}, // to the last point: end untouched
        {0, 4, 0, 0, 40000.0, 50000.0}, // the whole chart: nothing but the modified flag
    };
    for (const Case& c : cases) {
        state.m_nIntervalStart = c.start;
        state.m_nIntervalEnd = c.end;
        state.m_nCursorPoint = 2;
        ASSERT_TRUE(zoomInEnabled(state));
        const ZoomResult r = zoomIntoInterval(state, current);
        EXPECT_TRUE(r.done);
        EXPECT_EQ(r.interval.m_bBegin, c.bBegin);
        EXPECT_EQ(r.interval.m_bEnd, c.bEnd);
        EXPECT_EQ(r.interval.m_dtBegin.m_dt, c.begin);
        EXPECT_EQ(r.interval.m_dtEnd.m_dt, c.end_);
        EXPECT_EQ(state.m_nIntervalStart, -1);
        EXPECT_EQ(state.m_nCursorPoint, -1);
    }

    EXPECT_FALSE(zoomOutEnabled(state, current));
    current.m_bEnd = 1;
    EXPECT_TRUE(zoomOutEnabled(state, current));
    const ZoomResult out = zoomOut(state, current);
    EXPECT_TRUE(out.done);
    EXPECT_EQ(out.interval.m_bBegin + out.interval.m_bEnd, 0);

    state.m_ChartItems = {7, 8}; // a comparison zooms nothing
    EXPECT_FALSE(zoomOut(state, current).done);
    EXPECT_FALSE(zoomOutEnabled(state, current));
}

TEST(GraphViewZoom, DisplayQuotationIndex) {
    GraphViewState state;
    state.m_nFirstQuotationIndex = 40;
    EXPECT_EQ(displayQuotationIndex(state), 39); // neither cursor nor interval
    state.m_nIntervalStart = 3;
    EXPECT_EQ(displayQuotationIndex(state), 43);
    state.m_nCursorPoint = 5;
    EXPECT_EQ(displayQuotationIndex(state), 45);
}

class GraphViewSettingsTest : public testsupport::TempDirTest {};

TEST_F(GraphViewSettingsTest, NineValuesWithTheirDefaults) {
    SettingsStore store(path("settings.conf"));
    const GraphViewSettings defaults = loadGraphViewSettings(store);
    EXPECT_EQ(defaults, GraphViewSettings{});
    EXPECT_FALSE(defaults.limits().begin);
    EXPECT_TRUE(defaults.limits().grid);
    EXPECT_TRUE(datesEqual(defaults.beginDate(), OleDate(1999, 1, 1, 0, 0, 0)));
    EXPECT_TRUE(datesEqual(defaults.endDate(), OleDate(2005, 1, 1, 23, 59, 59)));

    saveGraphViewSettings(store, defaults);
    EXPECT_EQ(store.valueNames(kGraphViewSection),
              (std::vector<std::string>{"Beginb", "BeginDay", "BeginMonth", "BeginYear", "bGrid", "Endb", "EndDay",
                                        "EndMonth", "EndYear"}));
    EXPECT_EQ(loadGraphViewSettings(store), defaults);

    GraphViewSettings changed;
    changed.m_bBegin = 1;
    changed.setBeginDate(OleDate(2010, 3, 4, 15, 0, 0));
    changed.m_bEnd = 1;
    OleDate invalid;
    invalid.SetStatus(OleDate::invalid);
    changed.setEndDate(invalid);
    changed.m_bGrid = 0;
    saveGraphViewSettings(store, changed);
    const GraphViewSettings read = loadGraphViewSettings(store);
    EXPECT_EQ(read, changed);
    EXPECT_EQ(store.readInt(kGraphViewSection, "EndYear", 0), -1);
    EXPECT_EQ(store.readInt(kGraphViewSection, "EndDay", 0), -1);
    EXPECT_TRUE(datesEqual(read.beginDate(), OleDate(2010, 3, 4, 0, 0, 0)));
    EXPECT_EQ(read.endDate().GetStatus(), OleDate::invalid);
    EXPECT_FALSE(read.limits().grid);
}

} // namespace
