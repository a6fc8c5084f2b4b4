// Finding the chart point nearest to the mouse, once per mouse move, on a one-item chart of
// 100,000 quotations drawn 1,900 pixels wide (about 53 points share each x), against the walk over
// every point that the tie rules describe. The goal is under a microsecond per move.
//
// The chart pane's redraw per resize step, as the user meets it: the pane of the program over a
// portfolio document is made one pixel narrower or wider and repainted, which reads the items,
// lays the chart out and paints it (everything the pane does on every rebuild, the items' copies
// included). The peer is a bare widget of the same size that reads the same items' lists in place
// and draws, per pixel column, the lowest and highest close (for the comparison: of each item's
// ratio to its first close). Cases: one item of 100,000 quotations and one of 1,000,000 (goal: at
// most 2x; the pane's resident memory must not grow from step to step, printed), and the
// comparison of 50 items of 10,000 quotations each (goal: at most 3x).

#include "BenchSupport.h"
#include "portfolio/WPapierDoc.h"
#include "views/GraphView.h"
#include "views/GraphViewState.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
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

// ---------------------------------------------------------------- the pane and its peer

const QSize kPane(1900, 600);

// An item of `count` quotations, one every `minutes`, a random walk from 100 + k.
std::unique_ptr<CWPapier> walkItem(int k, int count, double minutes, std::mt19937& rng) {
    auto item = std::make_unique<CWPapier>();
    item->m_strName = "Item " + std::to_string(k);
    item->m_crColor = rng() & 0xFFFFFF;
    item->m_bGrid = 1;
    item->m_nAxisValues = 1;
    std::vector<CKurs> quotations;
    quotations.reserve(static_cast<std::size_t>(count));
    double close = 100.0 + k;
    for (int i = 0; i < count; ++i) {
        close *= 1.0 + (static_cast<int>(rng() % 2001) - 1000) * 1e-5;
        CKurs q(OleDate(36526.0 + i * minutes / 1440.0), close);
        q.m_dOpen = q.m_dHigh = q.m_dLow = close;
        quotations.push_back(q);
    }
    item->ReplaceQuotationList(std::move(quotations));
    return item;
}

// The bare widget: per pixel column of its width, each item's lowest and highest close (as a
// ratio to the item's first close with several items), joined column to column.
class BareChart final : public QWidget {
public:
    BareChart(const CWPapierDoc& doc, std::vector<ItemPos> items) : m_doc(doc), m_items(std::move(items)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        const auto lock = m_doc.LockList();
        const bool ratios = m_items.size() > 1;
        for (const ItemPos pos : m_items) {
            const CWPapier* item = m_doc.GetItem(pos);
            if (!item)
                continue;
            item->readQuotations([&](const QuotationList& list) { draw(painter, list, ratios); });
        }
    }

private:
    void draw(QPainter& painter, const QuotationList& list, bool ratios) {
        if (list.size() < 2)
            return;
        const double first = list.front().m_dtDate.m_dt;
        const double span = list.back().m_dtDate.m_dt - first;
        const int width = std::max(1, this->width());
        const double ref = ratios ? list.front().m_dClose : 1.0;
        m_low.assign(static_cast<std::size_t>(width), std::numeric_limits<double>::max());
        m_high.assign(static_cast<std::size_t>(width), std::numeric_limits<double>::lowest());
        double lowest = std::numeric_limits<double>::max();
        double highest = std::numeric_limits<double>::lowest();
        list.forEachBlock([&](const CKurs* records, std::size_t count) {
            for (std::size_t i = 0; i < count; ++i) {
                const double v = records[i].m_dClose / ref;
                const auto x = static_cast<std::size_t>(
                    std::min<double>(width - 1, (records[i].m_dtDate.m_dt - first) / span * (width - 1)));
                m_low[x] = std::min(m_low[x], v);
                m_high[x] = std::max(m_high[x], v);
                lowest = std::min(lowest, v);
                highest = std::max(highest, v);
            }
        });
        const double scale = (height() - 1) / std::max(highest - lowest, 1e-12);
        QPolygon line;
        line.reserve(2 * width);
        for (int x = 0; x < width; ++x) {
            if (m_low[static_cast<std::size_t>(x)] > m_high[static_cast<std::size_t>(x)])
                continue;
            line << QPoint(x, static_cast<int>((highest - m_low[static_cast<std::size_t>(x)]) * scale))
                 << QPoint(x, static_cast<int>((highest - m_high[static_cast<std::size_t>(x)]) * scale));
        }
        QPen pen(QColor(0, 0, 200));
        pen.setWidth(0);
        painter.setPen(pen);
        painter.drawPolyline(line);
    }

    const CWPapierDoc& m_doc;
    std::vector<ItemPos> m_items;
    std::vector<double> m_low;
    std::vector<double> m_high;
};

// A portfolio whose chart items are `count` items of `quotations` quotations, shown in the
// program's chart pane and in the bare widget, both kPane large.
struct PaneScene {
    benchsupport::BenchHost host;
    CWPapierDoc doc{&host};
    std::vector<ItemPos> items;
    CGraphView pane;
    std::unique_ptr<BareChart> bare;
    int steps = 0;

    PaneScene(int count, int quotations, double minutes) {
        doc.OnNewDocument();
        std::mt19937 rng(7);
        for (int k = 0; k < count; ++k)
            items.push_back(doc.AddItem(walkItem(k, quotations, minutes, rng)));
        GraphViewLinks links;
        links.currentItem = [this] { return items.front(); };
        links.chartItems = [this] { return items; };
        pane.setLinks(std::move(links));
        pane.attachDocument(&doc);
        pane.resize(kPane);
        pane.show();
        pane.OnInitialUpdate();
        pane.flush();
        bare = std::make_unique<BareChart>(doc, items);
        bare->resize(kPane);
        bare->show();
        QApplication::processEvents();
    }

    // One step of a resize by the mouse: a pixel narrower, then back.
    static void resizeStep(QWidget& widget, int step) {
        widget.resize(kPane.width() - step % 2, kPane.height());
        widget.repaint();
    }
    void paneStep() { resizeStep(pane, ++steps); }
    void bareStep() { resizeStep(*bare, ++steps); }
};

struct OneItemScene : PaneScene {
    OneItemScene() : PaneScene(1, 100000, 360.0) {} // four quotations a day
};
struct MillionScene : PaneScene {
    MillionScene() : PaneScene(1, 1000000, 15.0) {} // one quotation every 15 minutes: 28 years
};
struct ComparisonScene : PaneScene {
    ComparisonScene() : PaneScene(50, 10000, 360.0) {}
};
// Made on first use; gone before the application object.
benchsupport::Lazy<OneItemScene> oneItem;
benchsupport::Lazy<MillionScene> millionItem;
benchsupport::Lazy<ComparisonScene> comparison;

void BM_PaneOneItem(benchmark::State& state) {
    PaneScene& scene = oneItem();
    for (auto _ : state)
        scene.paneStep();
}
void BM_BareOneItem(benchmark::State& state) {
    PaneScene& scene = oneItem();
    for (auto _ : state)
        scene.bareStep();
}
void BM_PaneMillion(benchmark::State& state) {
    PaneScene& scene = millionItem();
    for (auto _ : state)
        scene.paneStep();
}
void BM_BareMillion(benchmark::State& state) {
    PaneScene& scene = millionItem();
    for (auto _ : state)
        scene.bareStep();
}
void BM_PaneComparison(benchmark::State& state) {
    PaneScene& scene = comparison();
    for (auto _ : state)
        scene.paneStep();
}
void BM_BareComparison(benchmark::State& state) {
    PaneScene& scene = comparison();
    for (auto _ : state)
        scene.bareStep();
}

// The process's resident memory in kB.
long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

#define PANE_BENCHMARK(name) BENCHMARK(name)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)
PANE_BENCHMARK(BM_PaneOneItem);
PANE_BENCHMARK(BM_BareOneItem);
PANE_BENCHMARK(BM_PaneMillion);
PANE_BENCHMARK(BM_BareMillion);
PANE_BENCHMARK(BM_PaneComparison);
PANE_BENCHMARK(BM_BareComparison);

BENCHMARK(BM_FindNearestPoint)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_NearestByWalk)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
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
    std::printf("\nChart pane redrawn per resize step, %dx%d, against a bare widget drawing min/max per column:\n",
                kPane.width(), kPane.height());
    reporter.printRatio("BM_PaneOneItem/repeats:9", "BM_BareOneItem/repeats:9",
                        "one item, 100,000 quotations (goal <= 2x)");
    reporter.printRatio("BM_PaneMillion/repeats:9", "BM_BareMillion/repeats:9",
                        "one item, 1,000,000 quotations (goal <= 2x)");
    reporter.printRatio("BM_PaneComparison/repeats:9", "BM_BareComparison/repeats:9",
                        "comparison, 50 x 10,000 quotations (goal <= 3x)");
    if (!std::isnan(reporter.realTime("BM_PaneMillion/repeats:9"))) {
        // Resident memory over three rounds of 50 further resize steps of the 1,000,000 case.
        std::printf("  %-62s", "resident memory per 50 resize steps (1,000,000), kB");
        long before = residentKb();
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < 50; ++i)
                millionItem().paneStep();
            const long after = residentKb();
            std::printf(" %+ld", after - before);
            before = after;
        }
        std::printf("\n");
    }
    benchmark::Shutdown();
    oneItem.reset();
    millionItem.reset();
    comparison.reset();
    return 0;
}
