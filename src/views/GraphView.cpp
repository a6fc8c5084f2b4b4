#include "views/GraphView.h"

#include "controls/BCMenu.h"
#include "controls/MenuTemplate.h"
#include "controls/WinGdi.h"
#include "dialogs/DlgCompGraphProp.h"
#include "framework/FrameWnd.h"
#include "log/Log.h"
#include "platform/Settings.h"
#include "portfolio/WPapierDoc.h"
#include "portfolio/WPapierItem.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <array>
#include <unordered_map>

namespace {

using E = MenuEntry;

// The drawn cursor: white, dotted.
QPen cursorPen() {
    QPen pen(Qt::white);
    pen.setWidth(0);
    pen.setDashPattern({1.0, 1.0});
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

} // namespace

void registerGraphViewMenus() {
    static const bool registered = [] {
        registerMenuResource(
            IDR_GRAPH_MENU,
            buildMenuTemplate({E::submenu(QStringLiteral("Chart"),
                                          {E::command(QStringLiteral("Zoom &Into Interval"), ID_ZOOM_IN),
                                           E::command(QStringLiteral("Zoom &Out"), ID_ZOOM_OUT), E::separator(),
                                           E::command(QStringLiteral("Upda&te quotation\tCtrl+Y"), ID_UPDATE_QUOTATION),
                                           E::command(QStringLiteral("&Import historical quotations...\tCtrl+R"),
                                                      ID_IMPORT_QUOTATIONS),
                                           E::command(QStringLiteral("Display &quotations\tCtrl+Q"), ID_DISPLAY_QUOTATIONS),
                                           E::separator(),
                                           E::command(QStringLiteral("&Recalculate investment history"),
                                                      ID_RECALCULATE_HISTORY),
                                           E::separator(),
                                           E::command(QStringLiteral("&Open web page\tCtrl+G"), ID_OPEN_WEB_PAGE),
                                           E::separator(),
                                           E::command(QStringLiteral("&Properties\tEnter"), ID_CHART_PROPERTIES)})}));
        registerMenuResource(IDR_COMPARISON_MENU,
                             buildMenuTemplate({E::submenu(QStringLiteral("Comparison"),
                                                           {E::command(QStringLiteral("&Properties"), ID_COMPARISON_LIMITS)})}));
        return true;
    }();
    (void)registered;
}

bool editComparisonLimits(GraphViewSettings& settings, const Services& services, QWidget* parent) {
    CDlgCompGraphProp dlg(services, parent);
    dlg.m_bBegin = settings.m_bBegin;
    dlg.m_dtBegin = OleDate(settings.m_nBeginYear, settings.m_nBeginMonth, settings.m_nBeginDay, 0, 0, 0);
    dlg.m_bEnd = settings.m_bEnd;
    dlg.m_dtEnd = OleDate(settings.m_nEndYear, settings.m_nEndMonth, settings.m_nEndDay, 0, 0, 0);
    dlg.m_bGrid = settings.m_bGrid;
    if (dlg.DoModal() != IDOK)
        return false;
    settings.m_bBegin = dlg.m_bBegin;
    settings.setBeginDate(dlg.m_dtBegin);
    settings.m_bEnd = dlg.m_bEnd;
    settings.setEndDate(dlg.m_dtEnd);
    settings.m_bGrid = dlg.m_bGrid;
    return true;
}

CGraphView::CGraphView(QWidget* parent)
    : View(parent), m_fonts(ChartMedium::Screen, logPixelsY(this)) {
    setObjectName(QStringLiteral("graphview"));
    setMouseTracking(true); // moves without a button mark the nearest point
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    registerGraphViewMenus();
    LoadSettings();

    addCommand(ID_ZOOM_IN, [this] { OnZoomIn(); });
    addUpdateHandler(ID_ZOOM_IN, [this](CmdUI& ui) { ui.Enable(zoomInEnabled(m_state)); });
    addCommand(ID_ZOOM_OUT, [this] { OnZoomOut(); });
    addUpdateHandler(ID_ZOOM_OUT, [this](CmdUI& ui) {
        const std::lock_guard lock(m_MutexItems);
        ui.Enable(zoomOutEnabled(m_state, currentInterval()));
    });
    addCommand(ID_DISPLAY_QUOTATIONS, [this] { OnDisplayQuotations(); });
    addCommand(ID_CHART_PROPERTIES, [this] {
        if (m_links.showItemProperties)
            m_links.showItemProperties(kItemPageChart, -1);
    });
    // The item commands are the list view's; without it they are disabled.
    const auto listUpdate = [this](CmdUI& ui) {
        if (!m_links.listViewUpdate || !m_links.listViewUpdate(ui))
            ui.Enable(false);
    };
    for (const CommandId id : {ID_UPDATE_QUOTATION, ID_IMPORT_QUOTATIONS, ID_OPEN_WEB_PAGE, ID_RECALCULATE_HISTORY}) {
        addCommand(id, [this, id] {
            if (m_links.listViewCommand)
                m_links.listViewCommand(id);
        });
        addUpdateHandler(id, listUpdate);
    }
    // The sheet's two commands follow the list view's states; without its property sheet there is
    // nothing to show the item in.
    for (const CommandId id : {ID_DISPLAY_QUOTATIONS, ID_CHART_PROPERTIES}) {
        addUpdateHandler(id, [this, listUpdate](CmdUI& ui) {
            if (m_links.showItemProperties)
                listUpdate(ui);
            else
                ui.Enable(false);
        });
    }
}

CGraphView::~CGraphView() = default;

CWPapierDoc* CGraphView::GetDocument() const {
    return dynamic_cast<CWPapierDoc*>(View::GetDocument());
}

// ---------------------------------------------------------------- settings and updates

void CGraphView::LoadSettings() {
    m_state.m_Settings = loadGraphViewSettings(*services().settings);
}

void CGraphView::SaveSettings() const {
    saveGraphViewSettings(*services().settings, m_state.m_Settings);
}

void CGraphView::OnInitialUpdate() {
    CVR_LOG(LOG_LEVEL_DEBUG, "Initially updating graph view, already initialized = %i", m_state.m_bInitialized);
    m_state.m_bInitialized = 1;
    updateAllButList();
}

void CGraphView::OnUpdate(DocumentObserver* sender, std::int64_t hint) {
    if (!m_state.m_bInitialized) {
        CVR_LOG(LOG_LEVEL_DEBUG, "GraphView::OnUpdate discarding update request, since view not yet initialized...");
        return;
    }
    View::OnUpdate(sender, hint);
}

void CGraphView::OnRefresh(const ViewChanges&) {
    const ItemPos current = m_links.currentItem ? m_links.currentItem() : kNoItemPos;
    std::vector<ItemPos> items = m_links.chartItems ? m_links.chartItems() : std::vector<ItemPos>{};
    {
        const std::lock_guard items_(m_MutexItems);
        const std::lock_guard mark(m_MutexChartMark);
        if (!followListView(m_state, current, std::move(items)))
            return;
    }
    m_chartValid = false;
    update();
}

bool CGraphView::IsItemShown(ItemPos pos) const {
    const std::lock_guard lock(m_MutexItems);
    return m_state.IsItemShown(pos);
}

void CGraphView::updateAllButList() {
    if (CWPapierDoc* doc = GetDocument())
        doc->UpdateAllViews(m_links.listView, 0);
}

void CGraphView::setStatusText(const std::string& text) {
    if (m_links.setStatusText)
        m_links.setStatusText(text);
}

bool CGraphView::singleItem() const {
    return m_state.isSingleItem();
}

ItemChartInterval CGraphView::currentInterval() const {
    ItemChartInterval interval;
    const CWPapierDoc* doc = GetDocument();
    if (!doc || !singleItem())
        return interval;
    const auto lock = doc->LockList();
    if (const CWPapier* item = doc->GetItem(m_state.m_ChartItems.front())) {
        interval.m_bBegin = item->m_bBegin;
        interval.m_dtBegin = item->m_dtBegin;
        interval.m_bEnd = item->m_bEnd;
        interval.m_dtEnd = item->m_dtEnd;
    }
    return interval;
}

// ---------------------------------------------------------------- drawing

const QImage& CGraphView::chartImage() {
    if (!m_chartValid || m_chart.size() != size())
        rebuildChart();
    return m_chart;
}

void CGraphView::newChartImage(QSize area) {
    // The pixels stay in one buffer that only grows, so that each step of a resize paints into
    // memory the process already has. A buffer that a copy of the last image still shows is left to
    // that copy.
    m_chart = QImage();
    using Pixels = std::vector<std::uint32_t>;
    const auto count = static_cast<std::size_t>(area.width()) * static_cast<std::size_t>(area.height());
    if (!m_chartPixels || m_chartPixels.use_count() > 1 || m_chartPixels->size() < count)
        m_chartPixels = std::make_shared<Pixels>(count);
    m_chart = QImage(
        reinterpret_cast<uchar*>(m_chartPixels->data()), area.width(), area.height(),
        static_cast<qsizetype>(area.width()) * 4, QImage::Format_RGB32,
        [](void* holder) { delete static_cast<std::shared_ptr<Pixels>*>(holder); },
        new std::shared_ptr<Pixels>(m_chartPixels));
}

void CGraphView::rebuildChart() {
    const std::lock_guard items_(m_MutexItems);
    const std::lock_guard mark(m_MutexChartMark);
    m_chartValid = true;
    ++m_chartPaints;
    newChartImage(size().expandedTo(QSize(1, 1)));
    m_chart.fill(toQColor(GetSysColor(COLOR_WINDOW)));

    // The items' snapshots of the last drawing are brought up to date: their quotations are copied
    // again only when they changed. Snapshots of items no longer drawn go.
    std::vector<ChartItemSnapshot> kept = std::move(m_snapshots);
    std::unordered_map<ItemPos, std::size_t> keptAt;
    for (std::size_t i = 0; i < kept.size(); ++i)
        keptAt.emplace(kept[i].m_id, i);
    m_snapshots.clear();
    const CWPapierDoc* doc = GetDocument();
    if (doc) {
        const auto lock = doc->LockList();
        const bool single = m_state.m_ChartItems.size() == 1;
        for (const ItemPos pos : m_state.m_ChartItems) {
            const CWPapier* item = doc->GetItem(pos);
            if (!item)
                continue; // an item that is gone is left out
            ChartItemSnapshot snapshot;
            if (const auto it = keptAt.find(pos); it != keptAt.end()) {
                snapshot = std::move(kept[it->second]);
                keptAt.erase(it); // an item drawn twice takes it once
            }
            const auto generation = snapshot.m_quotationsGeneration;
            updateChartSnapshot(snapshot, *item, single);
            if (snapshot.m_quotationsGeneration != generation)
                ++m_snapshotCopies;
            m_snapshots.push_back(std::move(snapshot));
        }
    }
    kept.clear();
    const std::vector<ChartItemSnapshot>& items = m_snapshots;
    if (items.empty()) {
        m_layout = ChartLayout{};
        m_state.m_pPoints.clear();
        return;
    }
    CVR_LOG(LOG_LEVEL_DEBUG, "-- OnDraw m_MutexChartMark granted --");
    setStatusText({});
    if (items.size() == 1) {
        CVR_LOG(LOG_LEVEL_DEBUG, "Only one item selected");
        CVR_LOG(LOG_LEVEL_DEBUG, "Drawing chart for '%s'", items.front().m_strName.c_str());
    } else {
        CVR_LOG(LOG_LEVEL_DEBUG, "Multiple items selected");
    }

    ChartRequest request;
    request.medium = ChartMedium::Screen;
    request.area = size();
    request.items = items;
    request.limits = m_state.m_Settings.limits();
    request.documentTitle = doc ? doc->GetTitle() : std::string();
    request.extent = m_fonts.extentOn(&m_chart);
    layoutChart(request, m_layout, m_state.m_pPoints);
    m_state.m_rcData = m_layout.data;
    m_state.m_rcAxes = m_layout.axes;
    m_state.m_nFirstQuotationIndex = m_layout.firstQuotationIndex;
    logLayout(items);
    if (m_layout.content == ChartContent::TooSmall) {
        CVR_LOG(LOG_LEVEL_DEBUG, "Window is too small for drawing graphic");
        m_state.ResetCursor();
        return;
    }
    {
        QPainter painter(&m_chart);
        paintChart(painter, m_layout, m_state.m_pPoints, m_fonts, ChartMedium::Screen);
    }
    CVR_LOG(LOG_LEVEL_DEBUG, "-- OnDraw finished --");
    if (m_layout.content != ChartContent::History) {
        m_state.ResetCursor();
        m_state.m_nMarkedStart = m_state.m_nMarkedEnd = -1;
        return;
    }
    // A mark asks for one more complete paint (and drops the cursor); that paint does not ask again.
    if (requestCompletePaint(m_state)) {
        CVR_LOG(LOG_LEVEL_DEBUG, "Quotation/Interval marked, updating view completly...");
        QTimer::singleShot(0, this, [this] { updateAllButList(); });
    }
    // The new image holds no inverted interval: mark it again.
    m_state.m_nMarkedStart = m_state.m_nMarkedEnd = -1;
    if (m_state.IsIntervalMarked()) {
        m_rebuilding = true;
        DrawMarkInterval();
        m_rebuilding = false;
        ShowIntervalStatus();
    }
    if (m_state.indexesPoint(m_state.m_nCursorPoint)) {
        const std::string text = pointStatusText(m_state.m_pPoints[static_cast<std::size_t>(m_state.m_nCursorPoint)]);
        CVR_LOG(LOG_LEVEL_DEBUG, "Marking quotation '%s'", text.c_str());
        setStatusText(text);
        m_state.m_nCursorDrawn = m_state.m_nCursorPoint;
    } else {
        m_state.m_nCursorDrawn = -1;
    }
}

void CGraphView::logLayout(const std::vector<ChartItemSnapshot>& items) const {
    const ChartLayout& l = m_layout;
    const bool single = items.size() == 1;
    if (!single)
        CVR_LOG(LOG_LEVEL_DEBUG, "Time interval: %s - %s", l.begin.Format("%x %H:%M").c_str(),
                l.end.Format("%x %H:%M").c_str());
    CVR_LOG(LOG_LEVEL_DEBUG, "Percent Interval: %.2lf%%-%.2lf%%", l.pmin * 100.0, l.pmax * 100.0);
    CVR_LOG(LOG_LEVEL_DEBUG, "Quotation span: [%.2lf;%.2lf], first = %.2lf", l.min, l.max, l.ref);
    CVR_LOG(LOG_LEVEL_DEBUG, "Setting margins...");
    if (l.content == ChartContent::TooSmall)
        return;
    if (l.content == ChartContent::NameOnly) {
        CVR_LOG(LOG_LEVEL_DEBUG, "pQuotationList->IsEmpty() only one item selected, no graphic to display");
        return;
    }
    if (l.grid)
        CVR_LOG(LOG_LEVEL_DEBUG, "Drawing year shades for: %s - %s...", l.begin.Format("%x %H:%M").c_str(),
                l.end.Format("%x %H:%M").c_str());
    if (l.axis.kind == AxisKind::Percent && l.ref > 0.0) {
        CVR_LOG(LOG_LEVEL_DEBUG, "Axes legend percentual");
        CVR_LOG(LOG_LEVEL_DEBUG, "Percent signif: %.4lf", l.axis.signif);
        CVR_LOG(LOG_LEVEL_DEBUG, "Percent min: %.4lf%%, increment: %.4lf%%", l.axis.first * 100.0, l.axis.step * 100.0);
    } else if (l.axis.kind == AxisKind::Nominal) {
        CVR_LOG(LOG_LEVEL_DEBUG, "Axes legend Nominal");
    }
    if (!single)
        return;
    CVR_LOG(LOG_LEVEL_DEBUG, "Only one item selected, inserting %i quotations of selected item into cache array",
            m_state.pointCount());
    if (!items.front().m_bTransactionMarks)
        CVR_LOG(LOG_LEVEL_DEBUG, "Omitting transaction marks...");
    for (const TransactionMark& mark : l.marks)
        if (mark.outOfRange)
            CVR_LOG(LOG_LEVEL_DEBUG, "Drawing transaction mark (<min or >max) at (%s,%.4f)", mark.date.Format("%x").c_str(),
                    mark.price);
}

void CGraphView::paintEvent(QPaintEvent*) {
    if (!m_chartValid || m_chart.size() != size())
        rebuildChart();
    QPainter painter(this);
    painter.drawImage(0, 0, m_chart);
    const std::lock_guard mark(m_MutexChartMark);
    const auto& points = m_state.m_pPoints;
    const int lo = std::min(m_state.m_nMarkedStart, m_state.m_nMarkedEnd);
    const int hi = std::max(m_state.m_nMarkedStart, m_state.m_nMarkedEnd);
    if (m_state.indexesPoint(lo) && m_state.indexesPoint(hi) && lo != hi) {
        // The interval inverted: white in difference mode over the segments under the curve.
        QPainterPath area;
        area.setFillRule(Qt::WindingFill);
        for (const QPolygon& region : segmentRegions(points, lo, hi, m_state.m_rcAxes.bottom))
            area.addPolygon(QPolygonF(region));
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillPath(area, Qt::white);
    }
    if (m_state.indexesPoint(m_state.m_nCursorDrawn)) {
        const ChartPoint& p = points[static_cast<std::size_t>(m_state.m_nCursorDrawn)];
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(cursorPen());
        const QPoint cursor[] = {{m_state.m_rcAxes.left, p.y}, {p.x, p.y}, {p.x, m_state.m_rcAxes.bottom}};
        painter.drawPolyline(cursor, 3);
    }
}

void CGraphView::resizeEvent(QResizeEvent* event) {
    m_chartValid = false;
    View::resizeEvent(event);
}

QRect CGraphView::cursorRect(int point) const {
    if (!m_state.indexesPoint(point))
        return {};
    const ChartPoint& p = m_state.m_pPoints[static_cast<std::size_t>(point)];
    return QRect(QPoint(m_state.m_rcAxes.left, p.y), QPoint(p.x, m_state.m_rcAxes.bottom)).normalized().adjusted(-1, -1, 1, 1);
}

QRect CGraphView::segmentsRect(int a, int b) const {
    QRect dirty;
    for (const QPolygon& region : segmentRegions(m_state.m_pPoints, std::min(a, b), std::max(a, b), m_state.m_rcAxes.bottom))
        dirty |= region.boundingRect();
    return dirty.adjusted(-1, -1, 1, 1);
}

// ---------------------------------------------------------------- marks

void CGraphView::DrawMarkInterval() {
    const int cursorShown = m_state.m_nCursorDrawn;
    const int oldLo = std::min(m_state.m_nMarkedStart, m_state.m_nMarkedEnd);
    const int oldHi = std::max(m_state.m_nMarkedStart, m_state.m_nMarkedEnd);
    const IntervalMarkPlan plan = planMarkInterval(m_state);
    // While the chart is being rebuilt the whole pane is painted anyway.
    const auto invalidate = [this](const QRect& r) {
        if (!m_rebuilding)
            update(r);
    };
    if (plan.removeCursor)
        invalidate(cursorRect(cursorShown));
    if (!plan.inverted.empty()) {
        if (plan.intervalRemoved) {
            CVR_LOG(LOG_LEVEL_DEBUG, "Removing interval mark %i - %i...", oldLo, oldHi);
            setStatusText({});
        } else {
            const int lo = std::min(m_state.m_nIntervalStart, m_state.m_nIntervalEnd);
            const int hi = std::max(m_state.m_nIntervalStart, m_state.m_nIntervalEnd);
            CVR_LOG(LOG_LEVEL_DEBUG, "Last interval selection %i - %i", oldLo, oldHi);
            CVR_LOG(LOG_LEVEL_DEBUG, "New interval selection %i - %i, x=[%i;%i]...", lo, hi,
                    m_state.m_pPoints[static_cast<std::size_t>(lo)].x, m_state.m_pPoints[static_cast<std::size_t>(hi)].x);
        }
        // Only the segments that changed are painted again.
        for (const auto& [a, b] : plan.inverted)
            invalidate(segmentsRect(a, b));
    }
    CVR_LOG(LOG_LEVEL_DEBUG, "DrawMarkInterval finished");
}

void CGraphView::ShowIntervalStatus() {
    const std::string text = intervalStatusText(m_state.m_pPoints, m_state.m_nIntervalStart, m_state.m_nIntervalEnd);
    if (!text.empty())
        setStatusText(text);
}

void CGraphView::HideCursor() {
    const std::lock_guard items_(m_MutexItems);
    if (!singleItem())
        return;
    const std::lock_guard mark(m_MutexChartMark);
    if (m_state.m_nCursorDrawn >= 0 && m_state.pointCount() >= 2) {
        setStatusText({});
        update(cursorRect(m_state.m_nCursorDrawn));
        m_state.ResetCursor();
    }
}

void CGraphView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        View::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    const std::lock_guard mark(m_MutexChartMark);
    m_state.m_nIntervalStart = m_state.m_nIntervalEnd = FindNearestPoint(m_state.m_pPoints, at.x(), at.y(), true);
    DrawMarkInterval();
    ShowIntervalStatus();
}

void CGraphView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        View::mouseReleaseEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    const std::lock_guard mark(m_MutexChartMark);
    m_state.m_nIntervalEnd = FindNearestPoint(m_state.m_pPoints, at.x(), at.y(), false);
    DrawMarkInterval();
    ShowIntervalStatus();
}

void CGraphView::mouseMoveEvent(QMouseEvent* event) {
    const std::lock_guard items_(m_MutexItems);
    if (!singleItem())
        return;
    const std::lock_guard mark(m_MutexChartMark);
    const QPoint at = event->position().toPoint();
    const auto& points = m_state.m_pPoints;
    if (!rect().contains(at)) {
        if (m_state.m_nCursorDrawn >= 0 && m_state.pointCount() >= 2) {
            setStatusText({});
            update(cursorRect(m_state.m_nCursorDrawn));
        }
        m_state.ResetCursor();
        return;
    }
    if (m_state.m_posCurrentItem == kNoItemPos || m_state.pointCount() < 2)
        return;
    const int idx = FindNearestPoint(points, at.x(), at.y(), false);
    if (event->buttons() & Qt::LeftButton) {
        m_state.m_nIntervalEnd = idx;
        DrawMarkInterval();
        ShowIntervalStatus();
        return;
    }
    m_state.m_nCursorPoint = idx;
    if (idx != m_state.m_nCursorDrawn) {
        const int s = m_state.m_nIntervalStart;
        const int e = m_state.m_nIntervalEnd;
        if (s != -1 && s != e && m_state.indexesPoint(s) && m_state.indexesPoint(e) &&
            points[static_cast<std::size_t>(s)].x != points[static_cast<std::size_t>(e)].x)
            ShowIntervalStatus();
        else if (m_state.indexesPoint(idx))
            setStatusText(pointStatusText(points[static_cast<std::size_t>(idx)]));
        update(cursorRect(m_state.m_nCursorDrawn));
        update(cursorRect(idx));
    }
    m_state.m_nCursorDrawn = m_state.m_nCursorPoint;
}

void CGraphView::leaveEvent(QEvent* event) {
    // Without a button held no move outside arrives: the cursor goes when the mouse leaves.
    HideCursor();
    View::leaveEvent(event);
}

void CGraphView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && singleItem())
        OnDisplayQuotations();
}

// ---------------------------------------------------------------- commands

void CGraphView::OnZoomIn() {
    const std::lock_guard items_(m_MutexItems);
    const ZoomResult zoom = zoomIntoInterval(m_state, currentInterval());
    if (!zoom.done)
        return;
    CWPapierDoc* doc = GetDocument();
    if (!doc)
        return;
    {
        const auto lock = doc->LockList();
        if (CWPapier* item = doc->GetItem(m_state.m_ChartItems.front())) {
            item->m_bBegin = zoom.interval.m_bBegin;
            item->m_dtBegin = zoom.interval.m_dtBegin;
            item->m_bEnd = zoom.interval.m_bEnd;
            item->m_dtEnd = zoom.interval.m_dtEnd;
        }
    }
    doc->SetModifiedFlag(true);
    updateAllButList();
}

void CGraphView::OnZoomOut() {
    const std::lock_guard items_(m_MutexItems);
    const ZoomResult zoom = zoomOut(m_state, currentInterval());
    CWPapierDoc* doc = GetDocument();
    if (!zoom.done || !doc)
        return;
    {
        const auto lock = doc->LockList();
        if (CWPapier* item = doc->GetItem(m_state.m_ChartItems.front())) {
            item->m_bBegin = 0;
            item->m_bEnd = 0;
        }
    }
    doc->SetModifiedFlag(true);
    updateAllButList();
}

void CGraphView::OnDisplayQuotations() {
    if (m_links.showItemProperties)
        m_links.showItemProperties(kItemPageQuotations, displayQuotationIndex(m_state));
}

void CGraphView::OnComparisonLimits() {
    if (editComparisonLimits(m_state.m_Settings, services(), window()))
        updateAllButList();
}

void CGraphView::OnContextMenu(QPoint screenPoint) {
    const std::lock_guard items_(m_MutexItems);
    FrameWnd* frame = GetParentFrame();
    if (frame)
        frame->SetActiveView(this); // the menu's commands reach the chart first
    BCMenu menu(frame);
    if (!menu.LoadMenu(singleItem() ? IDR_GRAPH_MENU : IDR_COMPARISON_MENU))
        return;
    const std::array<unsigned, 2> toolbars{132, 129};
    menu.LoadToolbarImages(toolbars);
    BCMenu* popup = menu.subMenuObject(0);
    if (!popup)
        return;
    const CommandId chosen = popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, screenPoint, frame);
    // The menu held the mouse: a pointer that went elsewhere meanwhile sent the pane no leave, so
    // the cross-hair would stay behind.
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        HideCursor();
    if (!frame && chosen != 0)
        runCommand(chosen);
}

void CGraphView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier)) || event->key() == Qt::Key_Menu) {
        OnContextMenu(mapToGlobal(QPoint(5, 5)));
        return;
    }
    View::keyPressEvent(event);
}

void CGraphView::contextMenuEvent(QContextMenuEvent* event) {
    OnContextMenu(event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(5, 5)) : event->globalPos());
}
