#pragma once
// Arithmetic and texts of the printed report that do not need a printer: the number of pages, the
// place of every legend entry on a legend page, and the legend's lines. The chart page itself is
// laid out by layoutChart with ChartMedium::Print.

#include "views/GraphViewLayout.h"
#include "views/GraphViewState.h"

#include <cstdint>
#include <string>
#include <vector>

// String-table texts of the legend (and IDS_DAYS of the chart).
inline constexpr const char* IDS_LAST_UPDATE = "Last Update";  // string 40004
inline constexpr const char* IDS_LOW = "Low";                  // string 40006
inline constexpr const char* IDS_HIGH = "High";                // string 40007
inline constexpr const char* IDS_LAST_DAY = "+- Last Day";     // string 40008
inline constexpr const char* IDS_LAST = "+- Last";             // string 40009
inline constexpr const char* IDS_TIME_FRAME = "+- Time Frame"; // string 40041

// Legend entries on one page: (VERTRES - int(2.5 cyB)) / int(3.9 cyL), where cyB and cyL are the
// heights of "M" in the title and legend fonts; at least 1, so a page too small for one entry
// still prints one.
int legendEntriesPerPage(int vertRes, int cyB, int cyL);

// Pages of a report on `itemCount` items: the chart, then with two or more items 1 + n / P legend
// pages, one more for a remainder; at least 1.
int printPageCount(int itemCount, int entriesPerPage);

struct LegendEntryLayout {
    int item = 0;     // index into the selected items
    ChartRect bullet; // ellipse in the item's colour, outlined black
    QPoint line1;     // left, top of the three lines
    QPoint line2;
    QPoint line3;
};

struct LegendPageLayout {
    QPoint headerAt; // centred, top
    std::vector<LegendEntryLayout> entries;
};

// Legend page `page` (2, 3, ...) of `itemCount` items on a printable area of `printable` device
// units; cyB is the height of the title font's "M", cxL and cyL the size of the legend font's "M".
// A page past the last entry holds the header alone.
LegendPageLayout layoutLegendPage(int page, int itemCount, QSize printable, int cyB, int cxL, int cyL);

// The figures of one legend entry, read from the item at the moment of printing.
struct LegendFigures {
    std::string name;
    std::string symbol;
    OleDate lastDate;       // the newest quotation's date (the fallback date without one)
    double lastClose = 0.0; // 0 without a quotation
    double units = 0.0;     // m_dUnits
    double breakEven = 0.0; // m_dBreakEven
    double low = 0.0;       // lowest and highest close until now
    double high = 0.0;
    double dayChangePercent = 0.0;
    long long dayChangeDays = 0; // whole days from the reference quotation to the newest one
    double totalChangePercent = 0.0;
    long long totalAgeDays = 0;
};

LegendFigures legendFigures(const CWPapier& item, const OleDate& now);

// "%s - %s": the document title and now ("%x %H:%M").
std::string legendHeader(const std::string& documentTitle, const OleDate& now);
// Name " - " symbol; the latest update and the holding's value; low, high and the changes.
// Plain printf numbers, without thousands separators.
std::string legendLine1(const LegendFigures& figures);
std::string legendLine2(const LegendFigures& figures);
std::string legendLine3(const LegendFigures& figures);
