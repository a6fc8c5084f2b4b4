// The HTML drawer against QTextDocument, offscreen. First a 2,000-line rich tip text (bold, fonts,
// colours, centred blocks, a table every 50 lines) measured and painted into a 32-bit image, with
// no maximum width and with 400 pixels. The peer parses the same text (setHtml), lays it out and
// draws it (drawContents). Both keep their object from run to run; each run parses, lays out and
// paints anew. Then tables nested far past the drawer's depth limit (see nestedTables). Prints the
// ratios after the timings.

#include "BenchSupport.h"
#include "controls/HtmlDrawer.h"
#include "controls/HtmlDrawerQt.h"

#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPainter>
#include <QTextDocument>

#include <cstdlib>

namespace {

constexpr int kLines = 2000;

// One text in the markup both understand. Every run of text differs from line to line, as the
// lines of a real tip do: a measurement is not simply taken again from an earlier line.
QString tipText() {
    QString text;
    text.reserve(kLines * 130);
    for (int line = 0; line < kLines; ++line) {
        if (line % 50 == 49) {
            text += QStringLiteral("<table cellpadding=2><tr><td width=70 bgcolor=#f0f0f0>Name %1</td>"
                                   "<td width=130 bgcolor=#ffffff>Velmora Fund %1</td></tr>"
                                   "<tr><td width=70 bgcolor=#f0f0f0>Close %1</td><td width=130 bgcolor=#ffffff>"
                                   "<font color=#008000>%2.50</font></td></tr></table>")
                        .arg(line)
                        .arg(line % 97);
            continue;
        }
        switch (line % 10) {
        case 0:
            text += QStringLiteral("<center><b>Quotation %1</b></center>").arg(line);
            break;
        case 3:
            text += QStringLiteral("<font face=Arial size=4 color=#ff9900>Change %1</font> of day %1: "
                                   "<font color=#b40000>-%2.25 %</font>")
                        .arg(line)
                        .arg(line % 13);
            break;
        case 6:
            // Long enough to wrap at 400 pixels.
            text += QStringLiteral("Rule %1 skips %2 tags and 2 numbers after the anchor text %1, then reads "
                                   "the value with the thousands and decimal separators of server %1.")
                        .arg(line)
                        .arg(line % 7);
            break;
        default:
            text += QStringLiteral("<b>Item %1</b> closed at <i>%2.%3</i> on day %1 of <u>update %1</u> in the "
                                   "portfolio %1")
                        .arg(line)
                        .arg(line % 89)
                        .arg(line % 10);
            break;
        }
        text += QStringLiteral("<br>");
    }
    return text;
}

const QString& theText() {
    static const QString text = tipText();
    return text;
}

// The image both paint into: large enough for either.
QImage& canvasImage() {
    static QImage image(840, 48000, QImage::Format_RGB32);
    return image;
}

void BM_HtmlDrawer(benchmark::State& state) {
    const int maxWidth = static_cast<int>(state.range(0));
    CPPHtmlDrawer drawer;
    drawer.SetMaxWidth(maxWidth);
    HtmlFontMeasurer measurer;
    QImage& image = canvasImage();
    const auto measureAndPaint = [&] {
        const QSize size = drawer.MeasureMarkup(measurer, theText());
        QPainter painter(&image);
        HtmlPainterCanvas canvas(painter, drawer.Painter());
        drawer.RenderMarkup(canvas, QRect(QPoint(0, 0), size));
        return size;
    };
    QSize size = measureAndPaint(); // fonts made and the image's pages touched before the timing
    for (auto _ : state)
        size = measureAndPaint();
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
}
BENCHMARK(BM_HtmlDrawer)->Arg(0)->Arg(400)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

void BM_QTextDocument(benchmark::State& state) {
    const int maxWidth = static_cast<int>(state.range(0));
    QTextDocument document;
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(11);
    document.setDefaultFont(font);
    document.setTextWidth(maxWidth > 0 ? maxWidth : -1);
    QImage& image = canvasImage();
    const auto layOutAndDraw = [&] {
        document.setHtml(theText());
        const QSizeF size = document.documentLayout()->documentSize();
        QPainter painter(&image);
        document.drawContents(&painter);
        return size;
    };
    QSizeF size = layOutAndDraw();
    for (auto _ : state)
        size = layOutAndDraw();
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
}
BENCHMARK(BM_QTextDocument)
    ->Arg(0)
    ->Arg(400)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// Tables nested far past the drawer's depth limit (32), each with a border, a spacing and a number
// in its one cell, all closed. The drawer lays out the 32 it goes into and cuts what lies deeper,
// so 20,000 of them should cost about what the 33 cost (the same cells are painted): the text
// past the limit only has to be read. The peers: the drawer on the 33, and one pass over the text
// of the 20,000 that counts the tables in it. (QTextDocument is no peer here: it takes minutes for
// 33 nested tables.)
QString nestedTables(int depth) {
    QString text;
    text.reserve(depth * 56);
    for (int i = 0; i < depth; ++i)
        text += QStringLiteral("<table border=1 cellspacing=2><tr><td>%1 ").arg(i);
    for (int i = 0; i < depth; ++i)
        text += QStringLiteral("</td></tr></table>");
    return text;
}

void BM_HtmlDrawerNested(benchmark::State& state) {
    const QString text = nestedTables(static_cast<int>(state.range(0)));
    CPPHtmlDrawer drawer;
    HtmlFontMeasurer measurer;
    QImage& image = canvasImage();
    const auto measureAndPaint = [&] {
        const QSize size = drawer.MeasureMarkup(measurer, text);
        QPainter painter(&image);
        HtmlPainterCanvas canvas(painter, drawer.Painter());
        drawer.RenderMarkup(canvas, QRect(QPoint(0, 0), size));
        return size;
    };
    QSize size = measureAndPaint();
    for (auto _ : state)
        size = measureAndPaint();
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_HtmlDrawerNested)
    ->Arg(33)
    ->Arg(1000)
    ->Arg(20000)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// The least any reader of the 20,000 nested tables does: one pass over the text, counting the
// tables in it.
void BM_ScanNested(benchmark::State& state) {
    const QString text = nestedTables(static_cast<int>(state.range(0)));
    qsizetype tables = 0;
    for (auto _ : state) {
        tables = text.count(QStringLiteral("<table"));
        benchmark::DoNotOptimize(tables);
    }
    state.counters["tables"] = static_cast<double>(tables);
}
BENCHMARK(BM_ScanNested)->Arg(20000)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (ours / peer, median real time):\n");
    reporter.printRatio("BM_HtmlDrawer/0/repeats:7", "BM_QTextDocument/0/repeats:7",
                        "2,000-line tip, measure + paint, no wrapping / QTextDocument (goal <= 1)");
    reporter.printRatio("BM_HtmlDrawer/400/repeats:7", "BM_QTextDocument/400/repeats:7",
                        "2,000-line tip, measure + paint, width 400 / QTextDocument (goal <= 1)");
    reporter.printRatio("BM_HtmlDrawerNested/20000/repeats:7", "BM_HtmlDrawerNested/33/repeats:7",
                        "20,000 nested tables / the 33 the drawer reads (goal: a few times)");
    reporter.printRatio("BM_HtmlDrawerNested/20000/repeats:7", "BM_ScanNested/20000/repeats:7",
                        "20,000 nested tables / one pass over their text");
    benchmark::Shutdown();
    return 0;
}
