#include "views/wpapierlviewPrinting.h"

#include "controls/TextAnchor.h"
#include "controls/WinGdi.h"
#include "log/Log.h"
#include "platform/OleDate.h"
#include "portfolio/WPapierDoc.h"
#include "portfolio/WPapierItem.h"
#include "views/ChartPainter.h"
#include "views/wpapierlviewPrint.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace {

QString text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QSize sizeOfM(const QFont& font, const QPaintDevice* device) {
    const QFontMetrics metrics(font, device);
    return {metrics.horizontalAdvance(QLatin1Char('M')), metrics.height()};
}

int dpiOf(const QPaintDevice& device) {
    return device.logicalDpiY() > 0 ? device.logicalDpiY() : 96;
}

void printLegendPage(QPainter& painter, const PrintSelection& selection, int page, const ChartFonts& fonts) {
    const QPaintDevice* device = painter.device();
    const QSize printable(device->width(), device->height());
    const OleDate now = selection.now ? *selection.now : OleDate::GetCurrentTime();
    const QSize m = sizeOfM(fonts.font(ChartFont::Title), device);
    const QSize l = sizeOfM(fonts.font(ChartFont::Legend), device);
    const LegendPageLayout legend =
        layoutLegendPage(page, static_cast<int>(selection.items.size()), printable, m.height(), l.width(), l.height());
    painter.setPen(Qt::black);
    painter.setFont(fonts.font(ChartFont::Title));
    drawAnchoredText(painter, legend.headerAt, TA_CENTER | TA_TOP,
                     text(legendHeader(selection.doc->GetTitle(), now)));
    painter.setFont(fonts.font(ChartFont::Legend));
    const auto lock = selection.doc->LockList();
    for (const LegendEntryLayout& entry : legend.entries) {
        const CWPapier* item = selection.doc->GetItem(selection.items[static_cast<std::size_t>(entry.item)]);
        if (!item)
            continue; // the item went away while the job ran
        const LegendFigures figures = legendFigures(*item, now);
        QPen outline(Qt::black);
        outline.setWidth(0);
        painter.setPen(outline);
        painter.setBrush(toQColor(item->m_crColor));
        painter.drawEllipse(QRect(entry.bullet.left, entry.bullet.top, entry.bullet.width() - 1, entry.bullet.height() - 1));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(Qt::black);
        drawAnchoredText(painter, entry.line1, TA_LEFT | TA_TOP, text(legendLine1(figures)));
        drawAnchoredText(painter, entry.line2, TA_LEFT | TA_TOP, text(legendLine2(figures)));
        drawAnchoredText(painter, entry.line3, TA_LEFT | TA_TOP, text(legendLine3(figures)));
    }
}

void printChartPage(QPainter& painter, const PrintSelection& selection, const ChartFonts& fonts) {
    const QPaintDevice* device = painter.device();
    std::vector<ChartItemSnapshot> items;
    {
        const auto lock = selection.doc->LockList();
        for (const ItemPos pos : selection.items)
            if (const CWPapier* item = selection.doc->GetItem(pos))
                items.push_back(chartSnapshot(*item, false));
    }
    if (items.empty())
        return;
    ChartRequest request;
    request.medium = ChartMedium::Print;
    request.area = QSize(device->width(), device->height());
    request.items = items;
    request.limits = selection.comparison.limits();
    request.documentTitle = selection.doc->GetTitle();
    request.extent = fonts.extentOn(device);
    ChartLayout layout;
    std::vector<ChartPoint> points;
    layoutChart(request, layout, points);
    if (items.size() >= 2) {
        CVR_LOG(LOG_LEVEL_DEBUG, "%s-%s", layout.begin.Format("%x").c_str(), layout.end.Format("%x").c_str());
        for (const ComparisonCurve& curve : layout.curves)
            CVR_LOG(LOG_LEVEL_DEBUG, "%.2lf%% %.2lf%%", curve.low * 100.0, curve.high * 100.0);
    }
    CVR_LOG(LOG_LEVEL_DEBUG, "Percent: %.2lf%% %.2lf%%", layout.pmin, layout.pmax);
    CVR_LOG(LOG_LEVEL_DEBUG, "Margins: %i, %i, %i, %i", layout.data.left, layout.data.top,
            request.area.width() - layout.data.right, request.area.height() - layout.data.bottom);
    if (layout.content == ChartContent::TooSmall) {
        CVR_LOG(LOG_LEVEL_DEBUG, "Window too small!");
        return;
    }
    if (layout.grid && layout.content != ChartContent::NameOnly)
        CVR_LOG(LOG_LEVEL_DEBUG, "Drawing year marks for: %s - %s...", layout.begin.Format("%x %H:%M").c_str(),
                layout.end.Format("%x %H:%M").c_str());
    paintChart(painter, layout, points, fonts, ChartMedium::Print);
}

} // namespace

int reportEntriesPerPage(const QPaintDevice& device) {
    const ChartFonts fonts(ChartMedium::Print, dpiOf(device));
    const int cyB = sizeOfM(fonts.font(ChartFont::Title), &device).height();
    const int cyL = sizeOfM(fonts.font(ChartFont::Legend), &device).height();
    return legendEntriesPerPage(device.height(), cyB, cyL);
}

int reportPageCount(const QPaintDevice& device, std::size_t itemCount) {
    if (itemCount < 2)
        return 1;
    return printPageCount(static_cast<int>(itemCount), reportEntriesPerPage(device));
}

void printReportPage(QPainter& painter, const PrintSelection& selection, int page) {
    if (!selection.doc || selection.items.empty())
        return;
    const QPaintDevice* device = painter.device();
    CVR_LOG(LOG_LEVEL_DEBUG, "OnPrint");
    const ChartFonts fonts(ChartMedium::Print, dpiOf(*device));
    const QSize m = sizeOfM(fonts.font(ChartFont::Value), device);
    CVR_LOG(LOG_LEVEL_DEBUG, "************ Printing within: %i x %i", device->width(), device->height());
    CVR_LOG(LOG_LEVEL_DEBUG, "************ Using tfont, size of \"M\" = %i x %i", m.width(), m.height());
    painter.save();
    painter.setBackgroundMode(Qt::TransparentMode);
    if (selection.items.size() >= 2 && page >= 2)
        printLegendPage(painter, selection, page, fonts);
    else
        printChartPage(painter, selection, fonts);
    painter.restore();
}

bool printReport(QPrinter& printer, const PrintSelection& selection) {
    if (!selection.doc || selection.items.empty())
        return false;
    const int pages = reportPageCount(printer, selection.items.size());
    int from = 1;
    int to = pages;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(1, printer.fromPage());
        to = std::min(pages, printer.toPage() > 0 ? printer.toPage() : pages);
    }
    if (from > to)
        return false;
    QPainter painter;
    if (!painter.begin(&printer)) {
        CVR_LOG(LOG_LEVEL_ERROR, "The printer could not be opened");
        return false;
    }
    for (int page = from; page <= to; ++page) {
        if (page > from)
            printer.newPage();
        printReportPage(painter, selection, page);
    }
    return painter.end();
}

bool runPrintCommand(PrintCommand command, const PrintSelection& request, const Services& services, QPrinter& printer) {
    if (!request.doc || request.items.empty())
        return false;
    PrintSelection selection = request;
    selection.now = services.localNow();
    // The dialog offers the report's pages.
    printer.setFromTo(0, 0);
    switch (command) {
    case PrintCommand::Print:
        if (!services.printing || !services.printing->printDialog(printer, PrintDialogKind::Print))
            return false;
        return printReport(printer, selection);
    case PrintCommand::PrintDirect:
        return printReport(printer, selection);
    case PrintCommand::PrintPreview:
        return services.printing &&
               services.printing->printPreview(printer, [&](QPrinter& target) { printReport(target, selection); });
    }
    return false;
}
