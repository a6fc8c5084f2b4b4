// Finding the chart point nearest to the mouse, once per mouse move, on a one-item chart of
// 100,000 quotations drawn 1,900 pixels wide (about 53 points share each x), against the walk over
// every point that the tie rules describe. The goal is under a microsecond per move.
//
// Painting the chart into an image (layout and painting from the items' copies, as the pane
// rebuilds its cached image), against a bare QPainter drawing the same polylines on the same
// image: one item of 100,000 quotations (goal: at most 2x), and the comparison of 50 items of
// 10,000 quotations each (goal: at most 3x).

#include "BenchSupport.h"
#include "views/ChartPainter.h"
#include "views/GraphViewState.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kPoints = 100000;
constexpr int kLeft = 50;
constexpr int kWidth = 1900;
constexpr std::size_t kProbes = 4096;

const std::vector<ChartPoint>& chartPoints() {
    static const std::vector<ChartPoint> points = [] {
        std::vector<ChartPoint> p(kPoints);
        for (int i = 0; i < kPoints; ++i)
            p[static_cast<std::size_t>(i)] = {kLeft + static_cast<int>(static_cast<long long>(i) * kWidth / kPoints),
                                              100, OleDate(36526.0 + i), 1.0};
        return p;
    }();
    return points;
}

// Mouse positions across the pane and a little beyond its edges.
const std::vector<int>& probes() {
    static const std::vector<int> xs = [] {
        std::mt19937 rng(42);
        std::vector<int> v(kProbes);
        for (int& x : v)
            x = static_cast<int>(rng() % (kWidth + 2 * kLeft));
        return v;
    }();
    return xs;
}

// The peer: from the last point down, keeping the best distance, which starts at 10000.
int nearestByWalk(const std::vector<ChartPoint>& points, int x, bool preferHigher) {
    long long best = 10000;
    int found = -1;
    for (int i = static_cast<int>(points.size()) - 1; i >= 0; --i) {
        const long long d = std::llabs(static_cast<long long>(points[static_cast<std::size_t>(i)].x) - x);
        if (d < best || (d == best && !preferHigher && found >= 0)) {
            best = d;
            found = i;
        }
    }
    return found;
}

void BM_FindNearestPoint(benchmark::State& state) {
    const auto& points = chartPoints();
    const auto& xs = probes();
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindNearestPoint(points, xs[k], 0, false));
        k = (k + 1) % kProbes;
    }
}

void BM_NearestByWalk(benchmark::State& state) {
    const auto& points = chartPoints();
    const auto& xs = probes();
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(nearestByWalk(points, xs[k], false));
        k = (k + 1) % kProbes;
    }
}

// ---------------------------------------------------------------- painting

const QSize kPane(1900, 600);

std::vector<ChartItemSnapshot> chartItems(int count, int quotations) {
    std::vector<ChartItemSnapshot> items(static_cast<std::size_t>(count));
    std::mt19937 rng(7);
    for (int k = 0; k < count; ++k) {
        ChartItemSnapshot& s = items[static_cast<std::size_t>(k)];
        s.m_id = static_cast<ItemPos>(k + 1);
        s.m_strName = "Item " + std::to_string(k);
        s.m_crColor = static_cast<std::uint32_t>(rng() & 0xFFFFFF);
        s.m_bGrid = 1;
        s.m_nAxisValues = 1;
        double close = 100.0 + k;
        s.m_Quotations.reserve(static_cast<std::size_t>(quotations));
        for (int i = 0; i < quotations; ++i) {
            close *= 1.0 + (static_cast<int>(rng() % 2001) - 1000) * 1e-5;
            // Four quotations a day.
            s.m_Quotations.emplace_back(OleDate(36526.0 + i * 0.25), close);
        }
    }
    return items;
}

struct PaintCase {
    std::vector<ChartItemSnapshot> items;
    QImage image{kPane, QImage::Format_RGB32};
    ChartFonts fonts{ChartMedium::Screen, 96};
    ChartLayout layout;
    std::vector<ChartPoint> points;
    std::vector<QPolygon> polylines; // what the bare painter draws: the chart's own curves

    explicit PaintCase(std::vector<ChartItemSnapshot> all) : items(std::move(all)) {
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        paint();
        if (layout.content == ChartContent::History) {
            QPolygon line;
            for (const ChartPoint& p : points)
                line << QPoint(p.x, p.y);
            polylines.push_back(line);
        }
        for (const ComparisonCurve& curve : layout.curves)
            polylines.push_back(QPolygon(QList<QPoint>(curve.points.begin(), curve.points.end())));
    }

    void paint() {
        image.fill(Qt::white);
        ChartRequest request;
        request.area = kPane;
        request.items = items;
        request.extent = fonts.extentOn(&image);
        layoutChart(request, layout, points);
        QPainter painter(&image);
        paintChart(painter, layout, points, fonts, ChartMedium::Screen);
    }

    void bare() {
        image.fill(Qt::white);
        QPainter painter(&image);
        for (const QPolygon& line : polylines) {
            QPen pen(QColor(0, 0, 200));
            pen.setWidth(0);
            painter.setPen(pen);
            painter.drawPolyline(line);
        }
    }
};

PaintCase& oneItem() {
    static PaintCase c(chartItems(1, 100000));
    return c;
}
PaintCase& comparison() {
    static PaintCase c(chartItems(50, 10000));
    return c;
}

void BM_ChartOneItem(benchmark::State& state) {
    for (auto _ : state)
        oneItem().paint();
}
void BM_BareOneItem(benchmark::State& state) {
    for (auto _ : state)
        oneItem().bare();
}
void BM_ChartComparison(benchmark::State& state) {
    for (auto _ : state)
        comparison().paint();
}
void BM_BareComparison(benchmark::State& state) {
    for (auto _ : state)
        comparison().bare();
}

BENCHMARK(BM_ChartOneItem)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareOneItem)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartComparison)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareComparison)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_FindNearestPoint)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_NearestByWalk)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv); // fonts
    // Both give the same point for every probe, or the comparison means nothing.
    for (int x : probes())
        for (bool higher : {false, true})
            if (FindNearestPoint(chartPoints(), x, 0, higher) != nearestByWalk(chartPoints(), x, higher)) {
                std::fprintf(stderr, "FindNearestPoint and the walk disagree at x = %d\n", x);
                return 1;
            }
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double ours = reporter.realTime("BM_FindNearestPoint/repeats:9");
    const double walk = reporter.realTime("BM_NearestByWalk/repeats:9");
    std::printf("\nNearest point per mouse move, %d points (goal: under 1 microsecond):\n", kPoints);
    std::printf("  %-62s %9.1f ns\n", "FindNearestPoint (median)", ours * 1e9);
    std::printf("  %-62s %9.1f ns\n", "walk over every point (median)", walk * 1e9);
    std::printf("  %-62s %9.6fx\n", "FindNearestPoint / walk", ours / walk);
    std::printf("\nChart painted into a %dx%d image against the bare polylines on it:\n", kPane.width(),
                kPane.height());
    reporter.printRatio("BM_ChartOneItem/repeats:9", "BM_BareOneItem/repeats:9",
                        "one item, 100,000 quotations (goal <= 2x)");
    reporter.printRatio("BM_ChartComparison/repeats:9", "BM_BareComparison/repeats:9",
                        "comparison, 50 x 10,000 quotations (goal <= 3x)");
    benchmark::Shutdown();
    return 0;
}
