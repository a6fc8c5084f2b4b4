#include "views/ChartPainter.h"

#include "controls/TextAnchor.h"
#include "controls/WinGdi.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

QString text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QPen solidPen(std::uint32_t colour) {
    QPen pen(toQColor(colour));
    pen.setWidth(0); // one device pixel, as a width-1 pen
    return pen;
}

// A rectangle of exclusive right and bottom edges, outlined with the current pen and filled with
// the current brush inside that outline.
void drawBox(QPainter& painter, const ChartRect& r) {
    const int left = std::min(r.left, r.right);
    const int right = std::max(r.left, r.right);
    const int top = std::min(r.top, r.bottom);
    const int bottom = std::max(r.top, r.bottom);
    if (right - left < 1 || bottom - top < 1)
        return;
    painter.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

void drawOval(QPainter& painter, const ChartRect& r) {
    painter.drawEllipse(QRect(r.left, r.top, r.width() - 1, r.height() - 1));
}

} // namespace

ChartFonts::ChartFonts(ChartMedium medium, int logPixelsY) {
    for (ChartFont which : {ChartFont::Title, ChartFont::Value, ChartFont::Date, ChartFont::Mark, ChartFont::Legend}) {
        const ChartFontSpec fontSpec = chartFont(medium, which);
        // "Arial Black" is Arial's heaviest weight; asking for the weight keeps the substitute's
        // family.
        QFont font(QString::fromLatin1(fontSpec.heavy ? "Arial" : fontSpec.face));
        font.setStyleHint(QFont::SansSerif);
        font.setWeight(fontSpec.heavy ? QFont::Black : QFont::Normal);
        // Point sizes in tenths, converted like a point font: MulDiv(tenths, dpi, 720) pixels.
        font.setPixelSize(std::max(1, MulDiv(static_cast<int>(fontSpec.points * 10.0 + 0.5), logPixelsY, 720)));
        font.setKerning(false);
        m_fonts[static_cast<std::size_t>(which)] = font;
    }
}

ChartTextExtent ChartFonts::extentOn(const QPaintDevice* device) const {
    // Metrics of every font once; the layout asks for a handful of texts.
    auto metrics = std::make_shared<std::vector<QFontMetrics>>();
    for (const QFont& f : m_fonts)
        metrics->emplace_back(f, device);
    return [metrics](ChartFont which, const std::string& s) {
        const QFontMetrics& m = (*metrics)[static_cast<std::size_t>(which)];
        return QSize(m.horizontalAdvance(text(s)), m.height());
    };
}

void paintChart(QPainter& painter, const ChartLayout& layout, std::span<const ChartPoint> points,
                const ChartFonts& fonts, ChartMedium medium) {
    if (layout.content == ChartContent::Nothing || layout.content == ChartContent::TooSmall)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);
    const QPen blackPen = solidPen(0);
    const QColor textColour(Qt::black);

    if (layout.content == ChartContent::History || layout.content == ChartContent::Comparison) {
        const ChartRect& axes = layout.axes;
        // Year shades: the even years in light grey.
        if (layout.grid) {
            painter.setPen(solidPen(kChartShadeColor));
            painter.setBrush(toQColor(kChartShadeColor));
            for (const ChartRect& shade : layout.yearShades)
                drawBox(painter, shade);
        }
        // Axes: on paper with the pen then current (the shade pen with a grid), on screen black.
        painter.setPen(medium == ChartMedium::Print && layout.grid ? solidPen(kChartShadeColor) : blackPen);
        painter.drawLine(axes.left, axes.top, axes.left, axes.bottom);
        painter.drawLine(axes.left, axes.bottom, axes.right, axes.bottom);

        // Value axis: labels right-aligned left of the axis, a line across with a grid, else a tick.
        painter.setFont(fonts.font(ChartFont::Value));
        const QPen tickPen = layout.grid ? solidPen(kChartGridColor) : blackPen;
        for (const AxisTick& tick : layout.axis.ticks) {
            painter.setPen(textColour);
            drawAnchoredText(painter, QPoint(axes.left, tick.y - layout.labelLift), TA_RIGHT | TA_TOP, text(tick.text));
            painter.setPen(tickPen);
            painter.drawLine(axes.left, tick.y, layout.grid ? axes.right : axes.left + layout.tickLength, tick.y);
        }

        if (layout.content == ChartContent::History) {
            const QColor itemColour = toQColor(layout.color);
            if (layout.breakEvenY) {
                QPen dash = solidPen(layout.color);
                dash.setStyle(Qt::DashLine);
                painter.setPen(dash);
                painter.drawLine(axes.left, *layout.breakEvenY, axes.right, *layout.breakEvenY);
            }
            painter.setPen(solidPen(layout.color));
            painter.setBrush(Qt::NoBrush);
            painter.drawPolyline(chartPolyline(layout.line, layout.stepLine));
            if (layout.graphValues == 3) {
                painter.setBrush(itemColour);
                for (const ChartPoint& p : points)
                    drawBox(painter, squareMark(medium, p.x, p.y));
            } else if (layout.graphValues == 1 || layout.graphValues == 2) {
                painter.setPen(itemColour);
                for (const ChartPoint& p : points) {
                    const std::string label = pointLabel(medium, layout.graphValues, p.value, layout.ref);
                    if (!label.empty())
                        drawAnchoredText(painter, QPoint(p.x, p.y), TA_CENTER | TA_TOP, text(label));
                }
            }
        } else {
            painter.setBrush(Qt::NoBrush);
            for (const ComparisonCurve& curve : layout.curves) {
                painter.setPen(solidPen(curve.color));
                painter.drawPolyline(chartPolyline(curve.points, curve.step));
            }
        }

        // Date labels hanging below the axis, reading upwards, each with its tick.
        painter.setFont(fonts.font(ChartFont::Date));
        for (const DateLabel& label : layout.dateLabels) {
            painter.setPen(textColour);
            drawAnchoredTextUpwards(painter, QPoint(label.x + layout.dateTextOffset, axes.bottom + 1),
                                    TA_RIGHT | TA_BASELINE, text(label.text));
            painter.setPen(blackPen);
            painter.drawLine(label.x, axes.bottom, label.x, axes.bottom - layout.tickLength);
        }

        // Transaction marks.
        if (!layout.marks.empty()) {
            painter.setFont(fonts.font(ChartFont::Mark));
            const QBrush markBrush(toQColor(kChartMarkColor));
            const QBrush outOfRangeBrush(toQColor(kChartOutOfRangeColor), Qt::BDiagPattern);
            for (const TransactionMark& mark : layout.marks) {
                painter.setPen(blackPen);
                painter.setBrush(mark.outOfRange ? outOfRangeBrush : markBrush);
                drawOval(painter, mark.ellipse);
                painter.setPen(textColour);
                drawAnchoredText(painter, mark.textAt, TA_CENTER | TA_BASELINE, QString::fromLatin1(mark.letter));
            }
        }
    }

    painter.setFont(fonts.font(ChartFont::Title));
    painter.setPen(textColour);
    drawAnchoredText(painter, layout.titleAt, TA_CENTER | TA_TOP, text(layout.title));
    painter.restore();
}
