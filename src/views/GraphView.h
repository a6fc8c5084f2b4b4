#pragma once
// The chart pane below the list view: the history of the one selected item, or the percent
// comparison of several (ChartPainter.h), painted into a cached image that is rebuilt only when
// the data or the size changes. With one item the mouse marks the nearest point (a dotted XOR
// cross-hair) or, dragged with the left button, an interval (shown inverted under the curve);
// both are an overlay painted over the cached image, so marking never lays the chart out again.
// The chart follows the list view's selection and answers the program host's question whether an
// item is drawn (ChartOracle).
//
// The view does not know the list view's class: the frame hands it GraphViewLinks, the list
// view's current item and chart items, the list view's item commands, and the frame's status text.

#include "framework/View.h"
#include "views/ChartPainter.h"
#include "views/GraphViewState.h"
#include "views/ViewCommands.h"
#include "views/ViewLinks.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CWPapierDoc;
class CmdUI;

// Command ids of the chart.
inline constexpr CommandId ID_ZOOM_IN = 32859;
inline constexpr CommandId ID_ZOOM_OUT = 32860;
inline constexpr CommandId ID_COMPARISON_LIMITS = 32821;

// Context menus: one item, comparison.
inline constexpr unsigned IDR_GRAPH_MENU = 110;
inline constexpr unsigned IDR_COMPARISON_MENU = 135;
// Pages of the item's property sheet the chart opens.
inline constexpr int kItemPageChart = 2;
inline constexpr int kItemPageQuotations = 3;

// What the chart asks of the list view and the frame.
struct GraphViewLinks {
    // The list view's current item (kNoItemPos for none) and its chart items, in row order.
    std::function<ItemPos()> currentItem;
    std::function<std::vector<ItemPos>()> chartItems;
    // The list view as the sender of updates that must not reach it.
    DocumentObserver* listView = nullptr;
    // The list view's item properties on a page, at a quotation (-1: none).
    std::function<void(int page, int quotationIndex)> showItemProperties;
    // The list view's handler and update handler of a forwarded item command; false when the
    // list view cannot be had.
    std::function<bool(CommandId)> listViewCommand;
    std::function<bool(CmdUI&)> listViewUpdate;
    // The frame's status text; "" lets the frame show its own.
    std::function<void(const std::string&)> setStatusText;
};

// Registers the context menus 110 and 135 (once).
void registerGraphViewMenus();

// The comparison-limits dialog on `settings`: filled from them, and on OK written back (-1 in all
// three parts of a date that is not valid). True on OK.
bool editComparisonLimits(GraphViewSettings& settings, const Services& services, QWidget* parent);

class CGraphView : public View, public ChartOracle {
public:
    explicit CGraphView(QWidget* parent = nullptr);
    ~CGraphView() override;

    CWPapierDoc* GetDocument() const;
    void setLinks(GraphViewLinks links) { m_links = std::move(links); }

    // "GraphView" in the services' settings store.
    void LoadSettings();
    void SaveSettings() const;
    GraphViewSettings& settings() { return m_state.m_Settings; }
    const GraphViewSettings& settings() const { return m_state.m_Settings; }

    // Becomes initialised for good and has the chart follow the list view.
    void OnInitialUpdate() override;
    // Dropped (logged) before the first OnInitialUpdate.
    void OnUpdate(DocumentObserver* sender, std::int64_t hint) override;

    // ChartOracle.
    DocumentObserver* chartView() const override { return const_cast<CGraphView*>(this); }
    bool isItemShownInChart(ItemPos pos) const override { return IsItemShown(pos); }
    bool IsItemShown(ItemPos pos) const;

    // The comparison-limits command: the dialog, and on OK a repaint of the views but the list's.
    void OnComparisonLimits();
    void OnZoomIn();
    void OnZoomOut();
    void OnDisplayQuotations();
    // Removes the point cursor (the list view calls it when the mouse moves over the list).
    void HideCursor();
    // Opens the context menu at a screen point.
    void OnContextMenu(QPoint screenPoint);

    // State for the frame and for inspection.
    const GraphViewState& state() const { return m_state; }
    const ChartLayout& layout() const { return m_layout; }
    // The chart as last painted, without the marks; rebuilt first when out of date.
    const QImage& chartImage();
    // How often the chart was laid out and painted into its image.
    int chartPaintCount() const { return m_chartPaints; }
    // How often an item's quotations were copied for drawing: once per item, and again after each
    // change of its quotations.
    int snapshotCopyCount() const { return m_snapshotCopies; }

protected:
    void OnRefresh(const ViewChanges& changes) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void rebuildChart();
    // m_chart anew, of `area`, its pixels not set.
    void newChartImage(QSize area);
    void logLayout(const std::vector<ChartItemSnapshot>& items) const;
    void DrawMarkInterval();
    void ShowIntervalStatus();
    void setStatusText(const std::string& text);
    void updateAllButList();
    QRect cursorRect(int point) const;
    QRect segmentsRect(int a, int b) const;
    bool singleItem() const;
    ItemChartInterval currentInterval() const;

    GraphViewState m_state;
    GraphViewLinks m_links;
    ChartLayout m_layout;
    ChartFonts m_fonts;
    QImage m_chart;
    std::shared_ptr<std::vector<std::uint32_t>> m_chartPixels; // m_chart's pixels
    bool m_chartValid = false;
    bool m_rebuilding = false;
    int m_chartPaints = 0;
    // What the chart items held at the last drawing, kept until their quotations change.
    std::vector<ChartItemSnapshot> m_snapshots;
    int m_snapshotCopies = 0;
    // Guard the chart items, and the marks with the point array (locked in that order).
    mutable std::recursive_mutex m_MutexItems;
    mutable std::recursive_mutex m_MutexChartMark;
};
