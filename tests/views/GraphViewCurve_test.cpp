// The chart draws a long history through the points that show at one pixel; the picture must be
// the one drawing every point gives, pixel for pixel.

#include "support/Renderings.h"
#include "support/TestEnv.h"
#include "views/ChartPainter.h"
#include "views/GraphViewLayout.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

// `count` closes, one every `minutes` from 3 January 2000: a random walk with jumps, and a few
// closes repeated, so that columns hold rising, falling and flat runs.
ChartItemSnapshot history(int count, double minutes, unsigned seed) {
    ChartItemSnapshot s;
    s.m_strName = "Walk";
    s.m_crColor = 0x00C80000; // blue
    s.m_bGrid = 1;
    s.m_nAxisValues = 1;
    std::mt19937 rng(seed);
    double close = 100.0;
    for (int i = 0; i < count; ++i) {
        const int r = static_cast<int>(rng() % 100);
        if (r >= 10) // 10 % repeat the close before
            close = std::abs(close + (static_cast<int>(rng() % 2001) - 1000) * (r < 15 ? 2e-3 : 2e-4));
        s.m_Quotations.emplace_back(OleDate(36528.0 + i * minutes / 1440.0), close);
    }
    return s;
}

QImage blank(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    return image;
}

// The number of pixels where two images of one size differ.
int differingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

class ChartCurveTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::setTimeZone("UTC"); }
};

// The pane's chart of one item, laid out and painted as the pane does, against the same chart with
// its curve drawn through every point: dense (about 50 quotations per pixel column), sparse (a few
// pixels between quotations) and about a dozen quotations per column, each as a line and as the
// cash account's steps.
TEST_F(ChartCurveTest, OneItemIsDrawnAsThroughEveryPoint) {
    struct Case {
        const char* name;
        int count;
        double minutes;
        bool cashAccount;
        bool thinned; // whether points are left out
    };
    const Case cases[] = {
        {"dense", 30000, 15.0, false, true},           {"dense steps", 30000, 15.0, true, true},
        {"sparse", 60, 7 * 1440.0, false, false},      {"sparse steps", 60, 7 * 1440.0, true, false},
        {"a dozen a column", 6000, 90.0, false, true}, {"a dozen a column, steps", 6000, 90.0, true, true},
    };
    const QSize pane(600, 230);
    const ChartFonts fonts(ChartMedium::Screen, 96);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ChartItemSnapshot> items{history(c.count, c.minutes, 11)};
        items.front().m_bCashAccount = c.cashAccount ? 1 : 0;
        QImage drawn = blank(pane);
        ChartRequest request;
        request.area = pane;
        request.items = items;
        request.extent = fonts.extentOn(&drawn);
        ChartLayout layout;
        std::vector<ChartPoint> points;
        layoutChart(request, layout, points);
        ASSERT_EQ(layout.content, ChartContent::History);
        ASSERT_EQ(points.size(), static_cast<std::size_t>(c.count)); // every quotation stays a point
        if (c.thinned) {
            EXPECT_LT(layout.line.size(), points.size() / 2);
            EXPECT_LE(layout.line.size(), 6u * static_cast<std::size_t>(layout.data.width() + 1) + 3);
        } else
            EXPECT_EQ(layout.line.size(), points.size());
        {
            QPainter painter(&drawn);
            paintChart(painter, layout, points, fonts, ChartMedium::Screen);
        }

        ChartLayout everyPoint = layout;
        everyPoint.line.clear();
        for (const ChartPoint& p : points)
            everyPoint.line.emplace_back(p.x, p.y);
        QImage reference = blank(pane);
        {
            QPainter painter(&reference);
            paintChart(painter, everyPoint, points, fonts, ChartMedium::Screen);
        }
        EXPECT_EQ(differingPixels(drawn, reference), 0);
        if (c.thinned && c.count == 30000 && !c.cashAccount)
            testsupport::saveRendering(drawn, "dense");
    }
}

// The points kept of curves made to be awkward, drawn with the chart's one-pixel pen as a line and
// as steps, against the same curve through every point: long runs per column, repeated points,
// runs that turn at their highest or lowest point more than once, flat runs, runs at both ends of
// the curve, lone points between runs, short and long lines between columns, x going back.
TEST_F(ChartCurveTest, KeptPointsDrawTheCurvesPixels) {
    std::mt19937 rng(12345);
    std::vector<std::vector<QPoint>> curves;
    for (int k = 0; k < 300; ++k) {
        std::vector<QPoint> curve;
        const int range = 2 + static_cast<int>(rng() % 240);
        const int longestRun = 1 + static_cast<int>(rng() % 14);
        const int widestGap = 1 + static_cast<int>(rng() % 30);
        const bool goesBack = rng() % 10 == 0;
        int y = static_cast<int>(rng() % range);
        for (int x = 5; x > 0 && x < 400;) {
            const int run = static_cast<int>(rng() % (longestRun + 1));
            for (int i = 0; i < run; ++i) {
                if (rng() % 3 != 0) // else the point before is repeated
                    y = static_cast<int>(rng() % range);
                curve.emplace_back(x, 5 + y);
            }
            x += (goesBack && rng() % 4 == 0 ? -1 : 1) * (1 + static_cast<int>(rng() % widestGap));
        }
        curves.push_back(std::move(curve));
    }
    QPen pen(QColor(0, 0, 200));
    pen.setWidth(0);
    const auto draw = [&](const QPolygon& line) {
        QImage image = blank(QSize(420, 260));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(pen);
        painter.drawPolyline(line);
        return image;
    };
    std::size_t all = 0;
    std::size_t kept = 0;
    for (std::size_t k = 0; k < curves.size(); ++k) {
        const std::vector<QPoint> visible = visiblePoints(curves[k]);
        all += curves[k].size();
        kept += visible.size();
        for (const bool step : {false, true}) {
            SCOPED_TRACE(testing::Message() << "curve " << k << (step ? " steps" : ""));
            EXPECT_EQ(differingPixels(draw(chartPolyline(visible, step)), draw(chartPolyline(curves[k], step))), 0);
        }
    }
    EXPECT_LT(kept, all * 9 / 10); // points were left out

    // Of a column's run: the first, the first off its level, the lowest, a highest that the run
    // turns at, the last off the last one's level, the last.
    EXPECT_EQ(visiblePoints(std::vector<QPoint>{
                  {0, 3}, {1, 5}, {1, 5}, {1, 7}, {1, 2}, {1, 9}, {1, 4}, {1, 9}, {1, 6}, {1, 6}, {2, 1}}),
              (std::vector<QPoint>{{0, 3}, {1, 5}, {1, 7}, {1, 2}, {1, 9}, {1, 9}, {1, 6}, {2, 1}}));
}

} // namespace
