#include "support/TestEnv.h"
#include "views/GraphViewLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

// Text extents that follow the text's length, so every margin is known exactly: the title font's
// "M" is 9 x 14, the date 2000-10-30 ("10/30/00") 40 x 10, value texts 6 x 10 per character.
QSize fakeExtent(ChartFont font, const std::string& text) {
    const int n = static_cast<int>(text.size());
    switch (font) {
    case ChartFont::Title:
        return {9 * n, 14};
    case ChartFont::Date:
        return {5 * n, 10};
    default:
        return {6 * n, 10};
    }
}

OleDate day(int year, int month, int d, int hour = 0, int minute = 0) {
    return OleDate(year, month, d, hour, minute, 0);
}

ChartItemSnapshot item(std::string name, std::vector<std::pair<OleDate, double>> closes) {
    ChartItemSnapshot s;
    s.m_strName = std::move(name);
    s.m_crColor = 0x0000FF;
    for (const auto& [date, close] : closes)
        s.m_Quotations.emplace_back(date, close);
    return s;
}

std::vector<std::string> texts(const ValueAxis& axis) {
    std::vector<std::string> result;
    for (const auto& tick : axis.ticks)
        result.push_back(tick.text);
    return result;
}

class ChartLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::setTimeZone("UTC"); }

    const ChartLayout& lay(std::vector<ChartItemSnapshot> chartItems, QSize area = {600, 230},
                           ChartMedium medium = ChartMedium::Screen, ComparisonLimits limits = {}) {
        items = std::move(chartItems);
        ChartRequest request;
        request.medium = medium;
        request.area = area;
        request.items = items;
        request.limits = limits;
        request.documentTitle = "depot.cvr";
        request.extent = fakeExtent;
        layoutChart(request, layout, points);
        return layout;
    }

    std::vector<ChartItemSnapshot> items;
    ChartLayout layout;
    std::vector<ChartPoint> points;
};

TEST(ChartAxisLabels, PercentAxisRoundsToQuartersOfAPowerOfTen) {
    const ValueAxis axis = percentAxis(ChartMedium::Screen, 0.951, 1.12, 8, [](double r) { return int(r * 100); });
    EXPECT_NEAR(axis.step, 0.021125, 1e-12);
    EXPECT_DOUBLE_EQ(axis.signif, 0.025);
    EXPECT_NEAR(axis.first, 0.975, 1e-12); // 0.95 lies below pmin and is raised by one unit
    EXPECT_EQ(texts(axis), (std::vector<std::string>{"97.50%", "100.00%", "102.50%", "105.00%", "107.50%", "110.00%"}));
}

TEST(ChartAxisLabels, LabelValuesOfLargeClosesAreRoundedWithoutOverflow) {
    // 1e6 / 0.00025 is 4e9, beyond a 32-bit integer.
    const ValueAxis axis = nominalAxis(ChartMedium::Screen, 1e6, 1e6 + 0.002, 8, "%.4lf", [](double) { return 0; });
    EXPECT_DOUBLE_EQ(axis.signif, 0.00025);
    ASSERT_FALSE(axis.ticks.empty());
    EXPECT_EQ(axis.ticks.front().value, 1e6);
    EXPECT_EQ(axis.ticks.front().text, "1000000.0000");
}

TEST(ChartAxisLabels, NominalLabelsOfTheSameTextOrHeightAreWrittenOnce) {
    // A range of 0.001 in "%.0lf": every value reads "5".
    const ValueAxis axis = nominalAxis(ChartMedium::Screen, 5.0, 5.001, 8, "%.0lf", [](double v) { return int(v); });
    EXPECT_EQ(texts(axis), std::vector<std::string>{"5"});
    const ValueAxis sameY =
        nominalAxis(ChartMedium::Print, 0.0, 10.0, 8, "%.2lf", [](double v) { return v < 5 ? 100 : 50; });
    EXPECT_EQ(sameY.ticks.size(), 2u);
}

TEST(ChartAxisLabels, StepsWithoutALogarithmGiveNoLabels) {
    for (const auto& [low, high] : {std::pair{1.0, 1.0}, {2.0, 1.0}, {0.0, NAN}}) {
        EXPECT_TRUE(percentAxis(ChartMedium::Screen, low, high, 4, [](double) { return 0; }).ticks.empty());
        EXPECT_TRUE(nominalAxis(ChartMedium::Print, low, high, 4, "%.2lf", [](double) { return 0; }).ticks.empty());
    }
    EXPECT_EQ(labelCountHint(156, 10), 8);
    EXPECT_EQ(labelCountHint(25, 10), 1);
    EXPECT_EQ(labelCountHint(156, 0), 1);
}

TEST_F(ChartLayoutTest, PercentAxisOfOneItem) {
    auto history = item("Northwind", {{day(2023, 1, 2), 100.0}, {day(2023, 2, 1), 95.1}, {day(2023, 3, 1), 112.0}});
    lay({history}); // data height 156 with labels 10 high: a hint of 8
    ASSERT_EQ(layout.content, ChartContent::History);
    EXPECT_DOUBLE_EQ(layout.pmin, 0.951);
    EXPECT_DOUBLE_EQ(layout.pmax, 1.12);
    EXPECT_EQ(layout.axis.kind, AxisKind::Percent);
    EXPECT_EQ(texts(layout.axis),
              (std::vector<std::string>{"97.50%", "100.00%", "102.50%", "105.00%", "107.50%", "110.00%"}));
    EXPECT_EQ(layout.axis.ticks.front().y, layout.yOfRatio(0.975));
    EXPECT_EQ(layout.title, "Northwind (01/02/23-03/01/23)");
}

TEST_F(ChartLayoutTest, ValueRangeOfOneItem) {
    struct Case {
        const char* what;
        std::vector<double> closes;
        double min, max, pmin, pmax;
        bool percentLabels;
    };
    const Case cases[] = {
        {"all 50", {50, 50, 50}, 50.0, 55.0, 1.0, 1.1, true},
        {"all 0", {0, 0, 0}, 0.0, 1.0, 0.0, 1.0, false},
        {"all -5: swapped, so max lies above min", {-5, -5}, -5.5, -5.0, 0.0, 1.0, false},
        {"rising", {10, 20, 15}, 10.0, 20.0, 1.0, 2.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::pair<OleDate, double>> closes;
        for (std::size_t i = 0; i < c.closes.size(); ++i)
            closes.emplace_back(day(2023, 1, 1 + int(i)), c.closes[i]);
        lay({item("Flat", closes)});
        ASSERT_EQ(layout.content, ChartContent::History);
        EXPECT_NEAR(layout.min, c.min, 1e-9);
        EXPECT_NEAR(layout.max, c.max, 1e-9);
        EXPECT_NEAR(layout.pmin, c.pmin, 1e-9);
        EXPECT_NEAR(layout.pmax, c.pmax, 1e-9);
        EXPECT_GT(layout.range, 0.0);
        EXPECT_TRUE(std::isfinite(layout.scaleP) && std::isfinite(layout.scaleV));
        EXPECT_EQ(!layout.axis.ticks.empty(), c.percentLabels);
        ASSERT_EQ(points.size(), c.closes.size());
        for (const ChartPoint& p : points)
            EXPECT_TRUE(p.y >= layout.data.top && p.y <= layout.data.bottom) << p.y;
    }
}

TEST_F(ChartLayoutTest, IntervalOfOneItem) {
    auto history = item("Northwind", {{day(2023, 1, 2), 10.0},
                                      {day(2023, 1, 3), 11.0},
                                      {day(2023, 1, 4), 30.0},
                                      {day(2023, 1, 5), 12.0},
                                      {day(2023, 1, 6), 13.0}});
    history.m_bBegin = 1;
    history.m_dtBegin = day(2023, 1, 3);
    history.m_bEnd = 1;
    history.m_dtEnd = day(2023, 1, 5, 12);
    lay({history});
    ASSERT_EQ(layout.content, ChartContent::History);
    EXPECT_EQ(layout.firstQuotationIndex, 1);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].value, 11.0);
    EXPECT_EQ(points[2].value, 12.0);
    EXPECT_EQ(layout.min, 11.0);
    EXPECT_EQ(layout.max, 30.0);
    EXPECT_EQ(points[0].x, layout.data.left);
    EXPECT_NEAR(points[2].x, layout.data.right, 1);
    EXPECT_EQ(points[1].y, layout.data.top);
    EXPECT_EQ(points[0].y, layout.data.bottom);
}

TEST_F(ChartLayoutTest, NameAloneWhenTheIntervalHoldsOnePointOrLess) {
    auto history = item("Northwind", {{day(2023, 1, 2), 10.0}, {day(2023, 1, 3), 11.0}});
    history.m_bBegin = 1;
    history.m_dtBegin = day(2024, 1, 1); // after the newest quotation
    lay({history});
    EXPECT_EQ(layout.content, ChartContent::NameOnly);
    EXPECT_EQ(layout.title, "Northwind");
    EXPECT_TRUE(points.empty());

    history.m_bBegin = 0;
    history.m_bEnd = 1;
    history.m_dtEnd = day(2022, 1, 1); // before the oldest
    lay({history});
    EXPECT_EQ(layout.content, ChartContent::NameOnly);
    EXPECT_LE(points.size(), 1u);

    lay({item("Single", {{day(2023, 1, 2), 10.0}})});
    EXPECT_EQ(layout.content, ChartContent::NameOnly);
    EXPECT_EQ(layout.title, "Single");
}

TEST_F(ChartLayoutTest, NegativeDataAreaDrawsNothing) {
    const auto history = item("Northwind", {{day(2023, 1, 2), 10.0}, {day(2023, 1, 3), 11.0}});
    lay({history});
    ASSERT_EQ(points.size(), 2u);
    lay({history}, {80, 40});
    EXPECT_EQ(layout.content, ChartContent::TooSmall);
    EXPECT_TRUE(points.empty());
    EXPECT_TRUE(layout.title.empty());
    EXPECT_TRUE(layout.dateLabels.empty() && layout.axis.ticks.empty());
}

TEST_F(ChartLayoutTest, MarginsOfScreenAndPrint) {
    const auto history = item("Northwind", {{day(2023, 1, 2), 100.0}, {day(2023, 3, 1), 112.0}});
    // Screen: axis sample "999.99%" 42 wide, value sample "0.00000" ("%.3lf" of 112 is 7 long).
    lay({history}, {600, 400});
    EXPECT_EQ(layout.data, (ChartRect{67, 21, 578, 347}));
    EXPECT_EQ(layout.axes, (ChartRect{45, 21, 600, 357}));
    EXPECT_EQ(layout.tickLength, 3);
    // Print: the value sample "0.0000" ("%.2lf" of 112 is 6 long), "M" of the text font 6 wide.
    lay({history}, {3000, 2000}, ChartMedium::Print);
    EXPECT_EQ(layout.data, (ChartRect{70, 14, 2981, 1944}));
    EXPECT_EQ(layout.axes, (ChartRect{51, 14, 3000, 1954}));
    EXPECT_EQ(layout.tickLength, 6);

    EXPECT_EQ(pointLabel(ChartMedium::Screen, 2, 12.5, 10.0), "12.500");
    EXPECT_EQ(pointLabel(ChartMedium::Print, 2, 12.5, 10.0), "12.50");
    EXPECT_EQ(pointLabel(ChartMedium::Print, 1, 12.5, 10.0), "125.00%");
    EXPECT_EQ(pointLabel(ChartMedium::Screen, 1, 12.5, 0.0), "");
    EXPECT_EQ(squareMark(ChartMedium::Screen, 100, 50), (ChartRect{98, 48, 103, 53}));
    EXPECT_EQ(squareMark(ChartMedium::Print, 100, 50), (ChartRect{80, 30, 121, 71}));
    EXPECT_EQ(chartFont(ChartMedium::Screen, ChartFont::Value).points, 7.5);
    EXPECT_EQ(chartFont(ChartMedium::Print, ChartFont::Legend).points, 11.0);
}

TEST_F(ChartLayoutTest, NominalAxisOfTheCashAccountHasNoDecimals) {
    auto cash = item(" Cash account", {{day(2023, 1, 2), 1000.0}, {day(2023, 2, 1), 1500.0}});
    cash.m_bCashAccount = 1;
    cash.m_nAxisValues = 1;
    lay({cash});
    ASSERT_FALSE(layout.axis.ticks.empty());
    EXPECT_EQ(layout.axis.ticks.front().text, "1000");
    EXPECT_TRUE(layout.stepLine);
    EXPECT_EQ(chartPolyline(std::vector<QPoint>{{0, 10}, {5, 20}}, true), QPolygon({{0, 10}, {5, 10}, {5, 20}}));
}

TEST_F(ChartLayoutTest, YearShadesCoverEvenYears) {
    auto history = item("Northwind", {{day(2003, 7, 1), 10.0}, {day(2006, 7, 1), 11.0}});
    history.m_bGrid = 1;
    lay({history});
    ASSERT_EQ(layout.yearShades.size(), 2u);
    EXPECT_EQ(layout.yearShades[0], (ChartRect{layout.xOf(day(2004, 1, 1)), layout.axes.top,
                                               layout.xOf(day(2004, 12, 31)), layout.axes.bottom}));
    EXPECT_EQ(layout.yearShades[1].left, layout.xOf(day(2006, 1, 1)));
    EXPECT_EQ(layout.yearShades[1].right, layout.xOf(day(2006, 7, 1)));
}

TEST_F(ChartLayoutTest, CloseDatesShareOneLabel) {
    // Quotations 64 minutes apart on a data area 24 wide: points 8 pixels apart. Labels are 10
    // thick, so the next label clears the previous one by more than 5 pixels only every 16 pixels.
    auto history = item("Northwind", {{day(2023, 1, 1, 0, 0), 10.0},
                                      {day(2023, 1, 1, 1, 4), 11.0},
                                      {day(2023, 1, 1, 2, 8), 12.0},
                                      {day(2023, 1, 1, 3, 12), 13.0}});
    lay({history}, {67 + 24 + 19, 230});
    ASSERT_EQ(layout.data.width(), 24);
    ASSERT_EQ(points.size(), 4u);
    ASSERT_EQ(points[1].x - points[0].x, 8);
    ASSERT_EQ(layout.dateLabels.size(), 2u);
    EXPECT_EQ(layout.dateLabels[0].x, points[0].x);
    EXPECT_EQ(layout.dateLabels[1].x, points[2].x);
    EXPECT_EQ(layout.dateLabels[1].text, "01/01/23");
}

TEST_F(ChartLayoutTest, TransactionMarksAndBreakEven) {
    auto history = item("Northwind", {{day(2023, 1, 1), 10.0}, {day(2023, 1, 31), 20.0}});
    history.m_bTransactionMarks = 1;
    history.m_bBreakEvenLine = 1;
    history.m_dBreakEven = 15.0;
    history.m_Transactions = {
        CTransaction(CTransaction::kBuy, day(2022, 12, 1), 1, 12.0, 0, 0, false, OleDate(), ""),  // before begin
        CTransaction(CTransaction::kBuy, day(2023, 1, 5), 1, 25.0, 0, 0, false, OleDate(), ""),   // above
        CTransaction(CTransaction::kSell, day(2023, 1, 10), 1, 5.0, 0, 0, false, OleDate(), ""),  // below
        CTransaction(CTransaction::kSell, day(2023, 1, 15), 1, 15.0, 0, 0, false, OleDate(), ""), // inside
        CTransaction(CTransaction::kDividend, day(2023, 1, 20), 1, 0.5, 0, 0, false, OleDate(), ""),
        CTransaction(CTransaction::kBuy, day(2023, 2, 5), 1, 15.0, 0, 0, false, OleDate(), ""), // after end
    };
    lay({history});
    EXPECT_EQ(layout.breakEvenY, layout.yOfValue(15.0));
    ASSERT_EQ(layout.marks.size(), 4u);
    const int top = layout.data.top;
    const int bottom = layout.data.bottom;
    EXPECT_TRUE(layout.marks[0].outOfRange);
    EXPECT_EQ(layout.marks[0].ellipse.top, top - 8);
    EXPECT_STREQ(layout.marks[0].letter, "B");
    EXPECT_TRUE(layout.marks[1].outOfRange);
    EXPECT_EQ(layout.marks[1].ellipse.bottom, bottom + 6);
    EXPECT_FALSE(layout.marks[2].outOfRange);
    EXPECT_EQ(layout.marks[2].textAt.y(), layout.yOfValue(15.0) + 3);
    EXPECT_FALSE(layout.marks[3].outOfRange);
    const int x = layout.xOf(day(2023, 1, 20));
    EXPECT_EQ(layout.marks[3].ellipse, (ChartRect{x - 7, bottom - 11, x + 7, bottom + 4}));
    EXPECT_STREQ(layout.marks[3].letter, "$");

    lay({history}, {600, 230}, ChartMedium::Print); // the printed chart has no marks
    EXPECT_TRUE(layout.marks.empty());
}

// The break-even line is drawn only inside the value range, its ends included: above it the line
// would cross the title, below it the dates.
TEST_F(ChartLayoutTest, TheBreakEvenLineStaysInsideTheValueRange) {
    const struct {
        double breakEven;
        bool drawn;
    } cases[] = {{9.99, false}, {10.0, true}, {15.0, true}, {20.0, true}, {20.01, false}, {0.0, false}};
    for (const ChartMedium medium : {ChartMedium::Screen, ChartMedium::Print}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.breakEven << (medium == ChartMedium::Print ? " printed" : ""));
            auto history = item("Northwind", {{day(2023, 1, 1), 10.0}, {day(2023, 1, 31), 20.0}});
            history.m_bBreakEvenLine = 1;
            history.m_dBreakEven = c.breakEven;
            lay({history}, {600, 230}, medium);
            ASSERT_EQ(layout.min, 10.0);
            ASSERT_EQ(layout.max, 20.0);
            EXPECT_EQ(layout.breakEvenY.has_value(), c.drawn);
            if (c.drawn) {
                EXPECT_EQ(layout.breakEvenY, layout.yOfValue(c.breakEven));
                EXPECT_GE(*layout.breakEvenY, layout.data.top);
                EXPECT_LE(*layout.breakEvenY, layout.data.bottom);
            }
        }
    }
}

TEST_F(ChartLayoutTest, ComparisonBeginsAtTheLaterStart) {
    // The older item is interpolated at the newer one's start: 2001-01-01 to 2005-07-02 is 1643 of
    // the 1826 days to its next quotation.
    const auto older = item("Older", {{day(2001, 1, 1), 100.0}, {day(2006, 1, 1), 200.0}, {day(2007, 1, 1), 150.0}});
    const auto newer = item("Newer", {{day(2005, 7, 2), 50.0}, {day(2007, 1, 1), 60.0}});
    ComparisonLimits limits;
    limits.begin = true;
    limits.beginDate = day(1999, 1, 1); // before all data: not used
    lay({older, newer}, {600, 230}, ChartMedium::Screen, limits);
    ASSERT_EQ(layout.content, ChartContent::Comparison);
    EXPECT_TRUE(datesEqual(layout.begin, day(2005, 7, 2)));
    EXPECT_TRUE(datesEqual(layout.end, day(2007, 1, 1)));
    EXPECT_TRUE(points.empty());
    ASSERT_EQ(layout.curves.size(), 2u);
    const ComparisonCurve& a = layout.curves[0];
    EXPECT_TRUE(a.interpolated);
    const double ref = 100.0 + 100.0 * 1643.0 / 1826.0;
    EXPECT_NEAR(a.ref, ref, 1e-9);
    ASSERT_EQ(a.points.size(), 3u);
    EXPECT_EQ(a.points[0], QPoint(layout.data.left, layout.yOfRatio(1.0)));
    EXPECT_EQ(a.points[1].y(), layout.yOfRatio(200.0 / ref));
    const ComparisonCurve& b = layout.curves[1];
    EXPECT_FALSE(b.interpolated);
    EXPECT_EQ(b.points[0], QPoint(layout.data.left, layout.yOfRatio(1.0)));
    EXPECT_EQ(b.points[1], QPoint(layout.xOf(day(2007, 1, 1)), layout.yOfRatio(1.2)));
    EXPECT_DOUBLE_EQ(layout.pmax, 1.2);
    EXPECT_NEAR(layout.pmin, 150.0 / ref, 1e-12);
    EXPECT_EQ(layout.ref, 50.0);
    EXPECT_FALSE(layout.axis.ticks.empty());
    EXPECT_EQ(layout.title, "[Comparison] (07/02/05-01/01/07)");
    ASSERT_FALSE(layout.dateLabels.empty());
    EXPECT_EQ(layout.dateLabels[0].text, "07/02/05");

    lay({older, newer}, {3000, 2000}, ChartMedium::Print, limits);
    EXPECT_EQ(layout.title, "depot.cvr (07/02/05-01/01/07)");
}

// An item of one quotation (a new item after its first update) cannot be drawn, so it does not set
// the window either, wherever it stands in the selection: the others are drawn over their own dates.
TEST_F(ChartLayoutTest, ComparisonWindowComesFromTheItemsThatCanBeDrawn) {
    const auto a = item("A", {{day(2023, 1, 1), 10.0}, {day(2023, 3, 1), 11.0}, {day(2023, 6, 1), 12.0}});
    const auto b = item("B", {{day(2023, 2, 1), 20.0}, {day(2023, 5, 1), 22.0}});
    const auto one = item("One", {{day(2023, 6, 10), 5.0}});
    const auto early = item("Early", {{day(2022, 6, 10), 5.0}});
    const auto none = item("None", {});
    struct Case {
        const char* name;
        std::vector<ChartItemSnapshot> items;
        OleDate begin, end;
        std::vector<std::size_t> drawn;
        const char* title;
    };
    const Case cases[] = {
        {"one last", {a, one}, day(2023, 1, 1), day(2023, 6, 1), {0}, "[Comparison] (01/01/23-06/01/23)"},
        {"one first", {one, a}, day(2023, 1, 1), day(2023, 6, 1), {1}, "[Comparison] (01/01/23-06/01/23)"},
        {"early one first", {early, a}, day(2023, 1, 1), day(2023, 6, 1), {1}, "[Comparison] (01/01/23-06/01/23)"},
        {"among others",
         {none, a, one, b},
         day(2023, 2, 1),
         day(2023, 6, 1),
         {1, 3},
         "[Comparison] (02/01/23-06/01/23)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lay(c.items);
        ASSERT_EQ(layout.content, ChartContent::Comparison);
        EXPECT_TRUE(datesEqual(layout.begin, c.begin)) << layout.begin.Format("%x");
        EXPECT_TRUE(datesEqual(layout.end, c.end)) << layout.end.Format("%x");
        std::vector<std::size_t> drawn;
        for (const ComparisonCurve& curve : layout.curves) {
            drawn.push_back(curve.item);
            EXPECT_GE(curve.points.size(), 2u);
            // The curve runs across the data area, not into one column.
            EXPECT_GT(curve.points.back().x() - curve.points.front().x(), layout.data.width() / 2);
        }
        EXPECT_EQ(drawn, c.drawn);
        EXPECT_EQ(layout.title, c.title);
        EXPECT_FALSE(layout.dateLabels.empty());
    }
}

TEST_F(ChartLayoutTest, ComparisonItemWithoutAPositiveStartDrawsNoCurve) {
    const auto a = item("A", {{day(2023, 1, 1), 10.0}, {day(2023, 2, 1), 12.0}});
    const auto zero = item("Zero", {{day(2023, 1, 1), 0.0}, {day(2023, 2, 1), 50.0}});
    const auto negative = item("Negative", {{day(2023, 1, 1), -4.0}, {day(2023, 2, 1), 8.0}});
    const auto b = item("B", {{day(2023, 1, 1), 20.0}, {day(2023, 2, 1), 19.0}});
    lay({a, zero, negative, b});
    ASSERT_EQ(layout.curves.size(), 2u);
    EXPECT_EQ(layout.curves[0].item, 0u);
    EXPECT_EQ(layout.curves[1].item, 3u);
    EXPECT_DOUBLE_EQ(layout.pmax, 1.2);
    EXPECT_DOUBLE_EQ(layout.pmin, 0.95);
}

TEST_F(ChartLayoutTest, FlatAndCrampedComparisonsStayFinite) {
    const auto a = item("A", {{day(2023, 1, 1), 10.0}, {day(2023, 6, 1), 10.0}});
    const auto b = item("B", {{day(2023, 1, 1), 20.0}, {day(2023, 6, 1), 20.0}});
    lay({a, b});
    EXPECT_DOUBLE_EQ(layout.pmin, 1.0);
    EXPECT_NEAR(layout.pmax, 1.1, 1e-12);
    EXPECT_FALSE(layout.axis.ticks.empty());
    for (const auto& curve : layout.curves)
        for (const QPoint& p : curve.points)
            EXPECT_EQ(p.y(), layout.yOfRatio(1.0));

    // A data area narrower than one date label: one label fits, never none.
    lay({a, b}, {67 + 22, 230});
    ASSERT_EQ(layout.content, ChartContent::Comparison);
    EXPECT_EQ(layout.data.width(), 0);
    EXPECT_EQ(layout.dateLabels.size(), 1u);

    // No extents at all: labels 0 high give a hint of 1, dates 0 thick still divide.
    items = {a, b};
    ChartRequest request;
    request.area = {300, 200};
    request.items = items;
    layoutChart(request, layout, points);
    ASSERT_EQ(layout.content, ChartContent::Comparison);
    EXPECT_TRUE(std::isfinite(layout.scaleP) && std::isfinite(layout.scaleX));
    EXPECT_FALSE(layout.dateLabels.empty());

    // Items without two quotations: no curves, no labels, a flat range.
    lay({item("Empty", {}), item("One", {{day(2023, 1, 1), 5.0}})});
    EXPECT_EQ(layout.content, ChartContent::Comparison);
    EXPECT_TRUE(layout.curves.empty());
    EXPECT_TRUE(std::isfinite(layout.scaleP));
    EXPECT_EQ(layout.title, "[Comparison]");
}

} // namespace
