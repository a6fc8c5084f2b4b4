// Finding the chart point nearest to the mouse, once per mouse move, on a one-item chart of
// 100,000 quotations drawn 1,900 pixels wide (about 53 points share each x), against the walk over
// every point that the tie rules describe. The goal is under a microsecond per move.

#include "BenchSupport.h"
#include "views/GraphViewState.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
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

BENCHMARK(BM_FindNearestPoint)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_NearestByWalk)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
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
    benchmark::Shutdown();
    return 0;
}
