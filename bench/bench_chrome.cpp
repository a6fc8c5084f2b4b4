// The main window's chrome against Qt's own widgets, offscreen: a 200-item owner-drawn popup
// painted by our style against the same QMenu painted by Fusion (goal <= 2x; the image variants are
// built when the images are stored, never while painting), and 100,000 SetPos calls over 0..1000 on
// a 200-pixel text progress bar against QProgressBar::setValue (the "paints" counter: at most 200,
// one per pixel of bar width). Prints the ratios of the medians after the timings.

#include "BenchSupport.h"
#include "controls/Artwork.h"
#include "controls/BCMenu.h"
#include "controls/TextProgressCtrl.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QStyleFactory>
#include <QWindow>

#include <memory>

namespace {

constexpr int kItems = 200;
constexpr int kPositions = 100000;

QString itemText(int i) {
    return QStringLiteral("Menu item &%1 with some text\tCtrl+%2").arg(i).arg(i % 10);
}

// Our popup: 200 items, every twentieth a separator, the toolbar images attached.
struct OurPopup {
    BCMenu menu;
    OurPopup() {
        const std::span<const unsigned> buttons = toolbarButtons(132);
        for (int i = 0; i < kItems; ++i) {
            const unsigned button = buttons[static_cast<std::size_t>(i) % buttons.size()];
            const CommandId id = i % 20 == 19 ? 0 : button != 0 ? button : 40000 + static_cast<CommandId>(i);
            menu.AppendMenuItem(id ? itemText(i) : QString(), 0, id);
        }
        const unsigned toolbars[] = {132, 129};
        menu.LoadToolbarImages(toolbars);
    }
};

// The peer: a QMenu under Fusion with the same texts and images.
struct PeerPopup {
    std::unique_ptr<QStyle> fusion{QStyleFactory::create("Fusion")};
    QMenu menu;
    explicit PeerPopup(const BCMenu& ours) {
        menu.setStyle(fusion.get());
        for (const auto& record : ours.items()) {
            if (record->nFlags & MF_SEPARATOR) {
                menu.addSeparator();
                continue;
            }
            QAction* action = menu.addAction(record->text);
            if (record->global_offset >= 0)
                action->setIcon(BCMenu::globalImages().icon(record->global_offset));
        }
    }
};

void paintMenu(benchmark::State& state, QMenu& menu) {
    menu.ensurePolished();
    menu.adjustSize();
    QImage image(menu.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        menu.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["width"] = menu.width();
    state.counters["height"] = menu.height();
}

void BM_MenuPaintOurs(benchmark::State& state) {
    OurPopup popup;
    paintMenu(state, *popup.menu.GetMenu());
}
BENCHMARK(BM_MenuPaintOurs)->Unit(benchmark::kMillisecond)->Repetitions(7);

void BM_MenuPaintFusion(benchmark::State& state) {
    OurPopup ours;
    PeerPopup peer(ours.menu);
    paintMenu(state, peer.menu);
}
BENCHMARK(BM_MenuPaintFusion)->Unit(benchmark::kMillisecond)->Repetitions(7);

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

// Shows a widget and runs the events until its window is on the (offscreen) screen.
void showExposed(QWidget& widget) {
    widget.show();
    for (int i = 0; i < 100 && !(widget.windowHandle() && widget.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

int positionAt(int i) {
    return static_cast<int>(static_cast<long long>(i) * 1000 / (kPositions - 1));
}

void BM_ProgressSetPosOurs(benchmark::State& state) {
    CTextProgressCtrl bar;
    bar.setFixedSize(200, 20);
    bar.SetRange(0, 1000);
    bar.SetWindowText("Update: 500/1000");
    showExposed(bar);
    PaintCounter paints;
    bar.installEventFilter(&paints);
    for (auto _ : state) {
        state.PauseTiming();
        bar.SetPos(0); // the bar starts empty, painted
        paints.count = 0;
        state.ResumeTiming();
        for (int i = 0; i < kPositions; ++i)
            bar.SetPos(positionAt(i));
    }
    state.counters["paints"] = paints.count; // of the last run
}
BENCHMARK(BM_ProgressSetPosOurs)->Unit(benchmark::kMillisecond)->Repetitions(7);

void BM_ProgressSetValueQt(benchmark::State& state) {
    QProgressBar bar;
    bar.setFixedSize(200, 20);
    bar.setRange(0, 1000);
    bar.setFormat("Update: 500/1000");
    showExposed(bar);
    PaintCounter paints;
    bar.installEventFilter(&paints);
    for (auto _ : state) {
        state.PauseTiming();
        bar.setValue(0);
        paints.count = 0;
        state.ResumeTiming();
        for (int i = 0; i < kPositions; ++i)
            bar.setValue(positionAt(i));
    }
    state.counters["paints"] = paints.count;
}
BENCHMARK(BM_ProgressSetValueQt)->Unit(benchmark::kMillisecond)->Repetitions(7);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion")); // the base of our menu style too
    BCMenu::original_drawmode = 1;                           // the flat style, as the main frame sets it
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (ours / peer, median real time):\n");
    reporter.printRatio("BM_MenuPaintOurs/repeats:7", "BM_MenuPaintFusion/repeats:7",
                        "200-item popup painted / QMenu under Fusion (goal <= 2)");
    reporter.printRatio("BM_ProgressSetPosOurs/repeats:7", "BM_ProgressSetValueQt/repeats:7",
                        "100,000 SetPos, 200-pixel bar / QProgressBar::setValue");
    benchmark::Shutdown();
    return 0;
}
