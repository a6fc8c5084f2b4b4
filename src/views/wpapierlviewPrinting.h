#pragma once
// Printing the list view's selection: page 1 is the chart (one item's history, or the percent
// comparison of several over the chart view's comparison interval); with several items the pages
// after it are the legend, a header and three lines of figures per item. Every page is drawn from
// the data as it is when that page is printed; the page count is fixed when the job starts.
//
// The device's size in device pixels is the printable area (HORZRES x VERTRES); the fonts are
// sized for its resolution, so the same code prints on paper, into a PDF and into the preview.

#include "framework/Services.h"
#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"
#include "views/GraphViewState.h"

#include <optional>
#include <string>
#include <vector>

class CWPapierDoc;
class QPaintDevice;
class QPainter;
class QPrinter;

// What a print job prints: the selected items in row order (without the cash account when more
// than one is selected), of `doc`, and the chart view's comparison settings.
struct PrintSelection {
    const CWPapierDoc* doc = nullptr;
    std::vector<ItemPos> items;
    GraphViewSettings comparison;
    // The time the legend pages show and reckon their figures at: runPrintCommand sets it from
    // the services' clock when the job starts; without it a page takes the time it is drawn.
    std::optional<OleDate> now;
};

// The commands that print: 57607 with the print dialog, 57608 straight to the printer, 57609 the
// preview.
enum class PrintCommand : unsigned { Print = 57607, PrintDirect = 57608, PrintPreview = 57609 };

// Legend entries per page and the pages of the report on `device` (1 for one item).
int reportEntriesPerPage(const QPaintDevice& device);
int reportPageCount(const QPaintDevice& device, std::size_t itemCount);

// Draws page `page` (1 = the chart) of the report with `painter`, which paints on the page device.
// Items that are gone are left out of the legend.
void printReportPage(QPainter& painter, const PrintSelection& selection, int page);

// The page loop: the pages the printer's range names (all when it names none) on `printer`.
// False when nothing was printed (no item, or the printer could not be opened).
bool printReport(QPrinter& printer, const PrintSelection& selection);

// Runs a print command on the selection: the print dialog (57607) or none (57608) on `printer`,
// then the pages; the preview (57609) paints the pages into the services' preview. False when
// cancelled or when nothing was printed. With no item nothing happens.
bool runPrintCommand(PrintCommand command, const PrintSelection& selection, const Services& services,
                     QPrinter& printer);
