#pragma once
// Layout of the chart: from copies of the chart items' data and the extents of a few texts, all
// that the painter needs (interval, value and ratio ranges, data area and axes, scales, value-axis
// labels, the drawn points, date labels, year shades, transaction marks, comparison curves and the
// title). Nothing is drawn here. The pane and the printed chart page each call it with their own
// medium; the two media keep their own constants (label formats, mark sizes, fonts, margins).

#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"
#include "portfolio/Kurs.h"
#include "portfolio/Transaction.h"

#include <QPoint>
#include <QPolygon>
#include <QSize>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CWPapier;

// String-table texts of the chart.
inline constexpr const char* IDS_COMPARISON = "Comparison"; // string 40050

enum class ChartMedium { Screen, Print };

// The fonts of a chart by their use.
enum class ChartFont {
    Title,  // title line; its "M" sets the top margin and centres the axis labels
    Value,  // value-axis and point labels (screen: the small font; print: the text font)
    Date,   // date labels, running upwards
    Mark,   // letters of transaction marks (screen)
    Legend, // legend entries (print)
};

struct ChartFontSpec {
    const char* face;
    double points;
    bool heavy;   // the title's black face
    bool upwards; // rotated by 90 degrees, reading upwards
};

// The font a medium asks for: screen 7.5 pt values, 8 pt dates and marks, 8.5 pt title; print
// 12 pt values and title, 10 pt dates, 11 pt legend.
ChartFontSpec chartFont(ChartMedium medium, ChartFont font);

// The extent of a text in one of the chart's fonts, as the device measures it: width along the
// text, height across it (for the upward dates: their length and their thickness).
using ChartTextExtent = std::function<QSize(ChartFont font, const std::string& text)>;

// A rectangle of device coordinates with exclusive right and bottom edges.
struct ChartRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const ChartRect&) const = default;
};

// One drawn point of the one-item chart (`m_pPoints`).
struct ChartPoint {
    int x = 0;
    int y = 0;
    OleDate date;
    double value = 0.0; // the quotation's close
};

// What the chart reads of an item, copied at one moment so that nothing changes while it is laid
// out and drawn.
struct ChartItemSnapshot {
    ItemPos m_id = kNoItemPos;
    std::string m_strName;
    std::string m_strSymbol;
    std::uint32_t m_crColor = 0; // 0x00BBGGRR
    int m_bGrid = 0;
    int m_nGraphValues = 0; // 0 none, 1 percent labels, 2 nominal labels, 3 square marks
    int m_nAxisValues = 0;  // 0 percent, 1 nominal, other: no labels
    int m_bBegin = 0;
    OleDate m_dtBegin;
    int m_bEnd = 0;
    OleDate m_dtEnd;
    int m_bBreakEvenLine = 0;
    int m_bTransactionMarks = 0;
    double m_dBreakEven = 0.0;
    int m_bInvestmentHistory = 0;
    int m_bCashAccount = 0;
    std::vector<CKurs> m_Quotations;          // oldest first
    std::vector<CTransaction> m_Transactions; // date order
    // The generation of the item's quotation list that m_Quotations copies (none: not copied from
    // the item m_id).
    std::optional<std::uint64_t> m_quotationsGeneration;
};

// Copies the chart's fields of `item` (each list under the item's own lock).
ChartItemSnapshot chartSnapshot(const CWPapier& item, bool withTransactions = true);
// Brings a snapshot up to `item` as chartSnapshot would make it anew, but copies the quotations
// only when they are not the ones the snapshot holds (another item, or the item's list changed
// since), into the snapshot's own storage. A pane keeps its snapshots from one drawing to the next,
// so redrawing a long history copies nothing until the history changes.
void updateChartSnapshot(ChartItemSnapshot& snapshot, const CWPapier& item, bool withTransactions = true);

// The comparison's limits and grid (the chart view's settings, as dates).
struct ComparisonLimits {
    bool begin = false;
    OleDate beginDate; // the day at 00:00:00; invalid when its parts form no date
    bool end = false;
    OleDate endDate; // the day at 23:59:59
    bool grid = true;
};

struct ChartRequest {
    ChartMedium medium = ChartMedium::Screen;
    QSize area;                               // the pane's client size, or HORZRES x VERTRES of the page
    std::span<const ChartItemSnapshot> items; // one: its history; two or more: the percent comparison
    ComparisonLimits limits;
    std::string documentTitle; // the printed comparison's title
    ChartTextExtent extent;
};

enum class ChartContent {
    Nothing,    // no chart item
    TooSmall,   // the data area would have a negative width or height: nothing is drawn
    NameOnly,   // one item with at most one quotation in its interval: the title alone
    History,    // one item's curve
    Comparison, // the percent comparison
};

enum class AxisKind { None, Percent, Nominal };

struct AxisTick {
    double value = 0.0; // a ratio (1.0 = 100 %) or a close
    int y = 0;
    std::string text;
};

// Value-axis labels. Each is written right-aligned at (axes.left, y - labelLift) with a line at y
// across the chart (grid) or a tick of tickLength to the right of the axis.
struct ValueAxis {
    AxisKind kind = AxisKind::None;
    double step = 0.0;   // value between labels before rounding
    double signif = 0.0; // the rounding unit of the label values
    double first = 0.0;  // the first label value tried
    std::vector<AxisTick> ticks;
};

// A date label: a tick from (x, axes.bottom) upwards, the text (upwards, right end at the baseline
// point) at (x + dateTextOffset, axes.bottom + 1).
struct DateLabel {
    int x = 0;
    std::string text;
};

// A transaction mark of the one-item chart on screen.
struct TransactionMark {
    int type = 0;            // CTransaction kinds: 0 "B", 1 "S", 2 "$"
    bool outOfRange = false; // a buy or sell priced outside the value range: hatched brush, at an edge
    ChartRect ellipse;
    QPoint textAt; // the letter, centred, on its baseline
    const char* letter = "";
    OleDate date;
    double price = 0.0;
};

// One item's curve of the comparison.
struct ComparisonCurve {
    std::size_t item = 0; // index into the request's items
    std::uint32_t color = 0;
    bool step = false;         // cash account on screen: horizontal, then vertical
    bool interpolated = false; // the value at begin lies between two quotations
    double ref = 0.0;          // the item's value at begin
    double low = 0.0;          // lowest and highest close / ref
    double high = 0.0;
    std::vector<QPoint> points; // those of its points that visiblePoints keeps
};

struct ChartLayout {
    ChartContent content = ChartContent::Nothing;
    OleDate begin; // the drawn interval
    OleDate end;
    long long spanMinutes = 0; // Minutes(end - begin)

    // One item: its closes in the interval; comparison: those of the last item with two or more
    // quotations. ref: the first drawn close, or the value at begin.
    double min = 0.0;
    double max = 0.0;
    double range = 0.0;
    double ref = 0.0;
    double pmin = 0.0; // lowest and highest close / ref (1.0 = 100 %)
    double pmax = 0.0;
    double prange = 0.0;

    // Measured extents: "M" of the title font, the sample date, the value and axis labels.
    QSize titleM;
    QSize dateExtent;
    QSize valueExtent;
    QSize axisExtent;

    ChartRect data;         // m_rcData: where dates and values are mapped
    ChartRect axes;         // m_rcAxes: the axes run along its left and bottom edges
    int tickLength = 0;     // value ticks and date ticks
    int labelLift = 0;      // value labels are written this far above their y
    int dateTextOffset = 0; // see DateLabel
    double scaleX = 0.0;    // pixels per minute
    double scaleV = 0.0;    // pixels per value
    double scaleP = 0.0;    // pixels per ratio

    int firstQuotationIndex = 0; // m_nFirstQuotationIndex: the item's quotation drawn as point 0
    std::uint32_t color = 0;     // the one item's colour, graph values and step line
    int graphValues = 0;
    bool stepLine = false;

    // History: the points the curve is drawn through, those of the drawn points that visiblePoints
    // keeps.
    std::vector<QPoint> line;

    std::string title;
    QPoint titleAt; // centred, top

    bool grid = false;
    std::vector<ChartRect> yearShades;
    ValueAxis axis;
    std::optional<int> breakEvenY; // dashed line across the chart
    std::vector<DateLabel> dateLabels;
    std::vector<TransactionMark> marks;
    std::vector<ComparisonCurve> curves;

    int xOf(const OleDate& date) const;
    int yOfValue(double value) const;
    int yOfRatio(double ratio) const;
};

// Lays out the chart. `points` (the view's `m_pPoints`) receives the one item's drawn points and
// keeps its capacity from call to call; it is emptied for anything else and when the chart does
// not fit.
void layoutChart(const ChartRequest& request, ChartLayout& layout, std::vector<ChartPoint>& points);

// The label hint: height / label height + 1, then 1 below 4, else half of it.
int labelCountHint(int height, int labelHeight);

// Percent-axis labels from pmin to pmax ("%.2lf%%" of ratio x 100), and nominal labels from min to
// max in `format`; `yOf` maps a label value to its y. No labels when the step is not positive.
ValueAxis percentAxis(ChartMedium medium, double pmin, double pmax, int hint, const std::function<int(double)>& yOf);
ValueAxis nominalAxis(ChartMedium medium, double min, double max, int hint, const char* format,
                      const std::function<int(double)>& yOf);

// The text of a point's value label by m_nGraphValues (1 percent of ref, 2 nominal); "" otherwise.
std::string pointLabel(ChartMedium medium, int graphValues, double close, double ref);
// The filled square of m_nGraphValues 3.
ChartRect squareMark(ChartMedium medium, int x, int y);

// The polyline through `points`; with `step`, horizontally to each new x first, then vertically.
QPolygon chartPolyline(std::span<const QPoint> points, bool step);

// Of a curve's points, those through which a one-pixel pen draws exactly the pixels it draws
// through all of them (chartPolyline, line or steps): of each run of neighbours on one x, at most
// six (its first, lowest, highest and last point and the two that keep the directions of its first
// and last line), three more at the curve's ends. A long history thus draws a few points per pixel
// column, not thousands.
std::vector<QPoint> visiblePoints(std::span<const QPoint> points);
std::vector<QPoint> visiblePoints(std::span<const ChartPoint> points);
