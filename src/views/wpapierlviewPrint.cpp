#include "views/wpapierlviewPrint.h"

#include "platform/TextCodec.h"
#include "portfolio/WPapierItem.h"

#include <algorithm>

int legendEntriesPerPage(int vertRes, int cyB, int cyL) {
    const int header = static_cast<int>(cyB * 2.5);
    const int entry = static_cast<int>(cyL * 3.9);
    if (entry <= 0)
        return 1;
    return std::max(1, (vertRes - header) / entry);
}

int printPageCount(int itemCount, int entriesPerPage) {
    if (itemCount < 2)
        return 1;
    const int perPage = std::max(1, entriesPerPage);
    return 1 + itemCount / perPage + (itemCount % perPage > 0 ? 1 : 0);
}

LegendPageLayout layoutLegendPage(int page, int itemCount, QSize printable, int cyB, int cxL, int cyL) {
    LegendPageLayout layout;
    layout.headerAt = QPoint(printable.width() / 2, cyB);
    if (page < 2)
        return layout;
    int y = static_cast<int>(cyB * 2.5);
    const long long perPage = legendEntriesPerPage(printable.height(), cyB, cyL);
    const long long first = perPage * (page - 2);
    const long long last = std::min<long long>(perPage * (page - 1) - 1, itemCount - 1);
    for (long long i = first; i <= last; ++i) {
        LegendEntryLayout entry;
        entry.item = static_cast<int>(i);
        entry.bullet = {cxL, y + static_cast<int>(cyL * 0.1), 2 * cxL, static_cast<int>(cyL * 0.9 + y)};
        entry.line1 = QPoint(4 * cxL, y);
        y += static_cast<int>(cyL * 1.2);
        entry.line2 = QPoint(4 * cxL, y);
        y += static_cast<int>(cyL * 1.2);
        entry.line3 = QPoint(4 * cxL, y);
        y += static_cast<int>(cyL * 1.5);
        layout.entries.push_back(entry);
    }
    return layout;
}

LegendFigures legendFigures(const CWPapier& item, const OleDate& now) {
    LegendFigures f;
    f.name = item.m_strName;
    f.symbol = item.m_strSymbol;
    f.units = item.m_dUnits;
    f.breakEven = item.m_dBreakEven;
    item.GetLastQuotationDate(f.lastDate);
    CKurs last;
    item.GetLastQuotation(last);
    f.lastClose = last.m_dClose;
    item.GetMinMaxUntil(now, f.low, f.high);
    item.GetChangePercent(now, f.dayChangePercent, false);
    OleDate reference;
    if (item.GetReferenceQuotationDate(now, reference, false))
        f.dayChangeDays = (f.lastDate - reference).GetDays();
    std::int64_t age = -1;
    item.GetTimeFrameChangePercent(now, -1, f.totalChangePercent, age);
    f.totalAgeDays = age;
    return f;
}

std::string legendHeader(const std::string& documentTitle, const OleDate& now) {
    return textcodec::formatText("%s - %s", documentTitle.c_str(), now.Format("%x %H:%M").c_str());
}

std::string legendLine1(const LegendFigures& f) {
    return f.name + " - " + f.symbol;
}

std::string legendLine2(const LegendFigures& f) {
    const double value = f.lastClose * f.units;
    const std::string holding =
        f.lastClose != 0.0 && f.units != 0.0 && f.breakEven != 0.0
            ? textcodec::formatText("%4.2lf (%+2.2lf%%)", value, f.lastClose * 100.0 / f.breakEven - 100.0)
            : textcodec::formatText("%4.2lf", value);
    return std::string(IDS_LAST_UPDATE) + " " + f.lastDate.Format("%x %H:%M") + " : " +
           textcodec::formatText("%3.4lf", f.lastClose) + "      " + IDS_TIME_FRAME + ": " + holding;
}

std::string legendLine3(const LegendFigures& f) {
    return std::string(IDS_LOW) + ": " + textcodec::formatText("%3.4lf", f.low) + "     " + IDS_HIGH + ": " +
           textcodec::formatText("%3.4lf", f.high) + "      " + IDS_LAST_DAY + ": " +
           textcodec::formatText("%+2.2lf%% (%lld %s)", f.dayChangePercent, f.dayChangeDays, IDS_DAYS) + "     " +
           IDS_LAST + ": " +
           textcodec::formatText("%+2.2lf%% (%lld %s)", f.totalChangePercent, f.totalAgeDays, IDS_DAYS);
}
