// The anchor layout against Qt's grid layout, offscreen: 200 children in 20 columns and 10 rows of
// a shown window, each anchored to its cell's corners (as a grid layout of equal stretch places
// them), laid out through 100 resize steps per iteration. Prints the ratio after the timings.

#include "BenchSupport.h"
#include "controls/ResizableLayout.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGridLayout>
#include <QWidget>

#include <cstdlib>
#include <memory>

namespace {

constexpr int kColumns = 20;
constexpr int kRows = 10;
constexpr int kSteps = 100;
const QSize kStart(800, 600);

// The window's size at step `i`: growing, then shrinking again.
QSize stepSize(int i) {
    const int d = i < kSteps / 2 ? i : kSteps - i;
    return kStart + QSize(6 * d, 4 * d);
}

class AnchoredWindow : public QWidget, public CResizableLayout {
public:
    AnchoredWindow() {
        resize(kStart);
        const int w = kStart.width() / kColumns;
        const int h = kStart.height() / kRows;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) {
                auto* child = new QWidget(this);
                child->setGeometry(c * w, r * h, w, h);
                AddAnchor(child, QSize(c * 100 / kColumns, r * 100 / kRows),
                          QSize((c + 1) * 100 / kColumns, (r + 1) * 100 / kRows));
            }
    }
    QWidget* GetLayoutWindow() const override { return const_cast<AnchoredWindow*>(this); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        ArrangeLayout();
    }
};

class GridWindow : public QWidget {
public:
    GridWindow() {
        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setSpacing(0);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c)
                grid->addWidget(new QWidget, r, c);
        resize(kStart);
    }
};

template <class Window> void runSteps(benchmark::State& state) {
    Window window;
    window.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        for (int i = 1; i <= kSteps; ++i)
            window.resize(stepSize(i));
        benchmark::DoNotOptimize(window.childAt(10, 10));
    }
    state.counters["children"] = kColumns * kRows;
}

void BM_ArrangeLayout(benchmark::State& state) {
    runSteps<AnchoredWindow>(state);
}
BENCHMARK(BM_ArrangeLayout)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_QGridLayout(benchmark::State& state) {
    runSteps<GridWindow>(state);
}
BENCHMARK(BM_QGridLayout)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (ours / peer, median real time):\n");
    reporter.printRatio("BM_ArrangeLayout/repeats:7", "BM_QGridLayout/repeats:7",
                        "200 anchored children, 100 resize steps / QGridLayout (goal <= 2)");
    benchmark::Shutdown();
    return 0;
}
