// The pixel toolkit against Qt's own drawing, offscreen: a blurred 400 x 300 shadow with blur 7
// and 21 (sliding sums keep the two alike), the 50 % blend of 400 x 300 against
// QPainter::drawImage with opacity, and the three toolbar looks of bitmap 183 against a peer that
// lightens through QColor's HSL; an effect fill of a huge cell of which a window shows a part,
// against the same fill of a cell of the window's size. Prints the ratios after the timings.

#include "BenchSupport.h"
#include "controls/Artwork.h"
#include "controls/PPDrawManager.h"
#include "controls/PictureIds.h"
#include "controls/ToolbarBitmap.h"

#include <benchmark/benchmark.h>

#include <QColor>
#include <QGuiApplication>
#include <QPainter>

#include <cstdlib>

namespace {

QImage shadowMask() {
    QImage mask(400, 300, QImage::Format_RGB32);
    mask.fill(qRgb(255, 255, 255));
    QPainter painter(&mask);
    painter.fillRect(40, 30, 300, 220, QColor(96, 96, 96));
    return mask;
}

void BM_Shadow(benchmark::State& state) {
    const QImage mask = shadowMask();
    QImage target(400, 300, QImage::Format_RGB32);
    target.fill(qRgb(230, 240, 250));
    CPPDrawManager dm;
    const int blur = static_cast<int>(state.range(0));
    for (auto _ : state) {
        QPainter painter(&target);
        dm.PaintShadow(painter, 0, 0, 400, 300, mask, true, blur, blur);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_Shadow)->Arg(7)->Arg(21)->Unit(benchmark::kMicrosecond);

QImage blendSource() {
    QImage source(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            source.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    return source;
}

void BM_BlendOurs(benchmark::State& state) {
    const QImage source = blendSource();
    QImage target(400, 300, QImage::Format_RGB32);
    target.fill(qRgb(20, 40, 60));
    CPPDrawManager dm;
    for (auto _ : state) {
        QPainter painter(&target);
        dm.BlendBlit(painter, 0, 0, 400, 300, source, 0, 0, 50);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_BlendOurs)->Unit(benchmark::kMicrosecond);

void BM_BlendQtOpacity(benchmark::State& state) {
    const QImage source = blendSource();
    QImage target(400, 300, QImage::Format_RGB32);
    target.fill(qRgb(20, 40, 60));
    for (auto _ : state) {
        QPainter painter(&target);
        painter.setOpacity(0.5);
        painter.drawImage(0, 0, source);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_BlendQtOpacity)->Unit(benchmark::kMicrosecond);

void BM_ToolbarLooksOurs(benchmark::State& state) {
    const QImage strip = artworkBitmap(pictures::IDB_TOOLBAR24);
    for (auto _ : state) {
        CEnBitmap disabled, normal;
        disabled.Attach(strip);
        normal.Attach(strip);
        MakeDisabledBitmap(disabled, RGB(255, 0, 255));
        MakeLightBitmap(normal, RGB(255, 0, 255));
        QImage hot = strip.convertToFormat(QImage::Format_RGB32);
        benchmark::DoNotOptimize(hot.constBits());
        benchmark::DoNotOptimize(disabled.image().constBits());
        benchmark::DoNotOptimize(normal.image().constBits());
    }
}
BENCHMARK(BM_ToolbarLooksOurs)->Unit(benchmark::kMicrosecond);

// The same looks through QColor: grey, then lightness steps in HSL, magenta kept.
QImage lightenWithQColor(const QImage& source, bool grey, int steps, float increment) {
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xFFFFFFu) == 0xFF00FFu)
                continue;
            QColor colour = QColor::fromRgb(line[x]);
            if (grey) {
                const int g = (6 * colour.green() + 3 * colour.red() + colour.blue()) / 10;
                colour = QColor(g, g, g);
            }
            for (int i = 0; i < steps; ++i) {
                float h, s, l;
                colour.getHslF(&h, &s, &l);
                colour.setHslF(h, s, std::min(1.0f, l + increment));
            }
            line[x] = colour.rgb();
        }
    }
    return image;
}

void BM_ToolbarLooksQColor(benchmark::State& state) {
    const QImage strip = artworkBitmap(pictures::IDB_TOOLBAR24);
    for (auto _ : state) {
        QImage disabled = lightenWithQColor(strip, true, 3, 0.08f);
        QImage normal = lightenWithQColor(strip, false, 2, 0.04f);
        QImage hot = strip.convertToFormat(QImage::Format_RGB32);
        benchmark::DoNotOptimize(hot.constBits());
        benchmark::DoNotOptimize(disabled.constBits());
        benchmark::DoNotOptimize(normal.constBits());
    }
}
BENCHMARK(BM_ToolbarLooksQColor)->Unit(benchmark::kMicrosecond);

// An effect fill of an 8192 x 8192 cell of which an 800 x 600 window shows a part (the cell's
// origin lies left of and above the window), against the same effect filling a cell of the
// window's size: the fill makes only what is shown.
constexpr int kHugeCell = 8192;
constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 600;

void BM_EffectFillOfAHugeCellInAWindow(benchmark::State& state) {
    QImage window(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    CPPDrawManager dm;
    const int effect = static_cast<int>(state.range(0));
    const RECT cell{-3000, -5000, -3000 + kHugeCell, -5000 + kHugeCell};
    for (auto _ : state) {
        QPainter painter(&window);
        dm.FillBackground(painter, effect, cell, RGB(200, 30, 30), RGB(30, 200, 30), RGB(30, 30, 200), 10, 20);
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
    }
}
BENCHMARK(BM_EffectFillOfAHugeCellInAWindow)
    ->Arg(CPPDrawManager::EFFECT_NOISE)
    ->Arg(CPPDrawManager::EFFECT_METAL)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

void BM_EffectFillOfTheWindowsSize(benchmark::State& state) {
    QImage window(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    CPPDrawManager dm;
    const int effect = static_cast<int>(state.range(0));
    for (auto _ : state) {
        QPainter painter(&window);
        dm.FillBackground(painter, effect, {0, 0, kWindowWidth, kWindowHeight}, RGB(200, 30, 30), RGB(30, 200, 30),
                          RGB(30, 30, 200), 10, 20);
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
    }
}
BENCHMARK(BM_EffectFillOfTheWindowsSize)
    ->Arg(CPPDrawManager::EFFECT_NOISE)
    ->Arg(CPPDrawManager::EFFECT_METAL)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (ours / peer, median real time):\n");
    reporter.printRatio("BM_Shadow/21", "BM_Shadow/7", "blurred shadow 400x300: blur 21 / blur 7 (goal <= 1.3)");
    reporter.printRatio("BM_BlendOurs", "BM_BlendQtOpacity", "50 % blend 400x300 / QPainter opacity (goal <= 2)");
    reporter.printRatio("BM_ToolbarLooksOurs", "BM_ToolbarLooksQColor",
                        "toolbar looks of 183 / QColor HSL (goal <= 1.5)");
    reporter.printRatio("BM_EffectFillOfAHugeCellInAWindow/7/repeats:7", "BM_EffectFillOfTheWindowsSize/7/repeats:7",
                        "noise fill, 8192^2 cell in 800x600 / cell of 800x600");
    reporter.printRatio("BM_EffectFillOfAHugeCellInAWindow/15/repeats:7", "BM_EffectFillOfTheWindowsSize/15/repeats:7",
                        "metal fill, 8192^2 cell in 800x600 / cell of 800x600");
    benchmark::Shutdown();
    return 0;
}
