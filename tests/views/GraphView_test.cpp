#include "controls/WinGdi.h"
#include "dialogs/DlgCompGraphProp.h"
#include "support/FakeServices.h"
#include "support/Pointer.h"
#include "support/Renderings.h"
#include "views/GraphView.h"
#include "views/ListViewDocFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDateEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testsupport::ListViewDocTest;

QColor pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

class GraphViewTest : public ListViewDocTest {
protected:
    void SetUp() override {
        ListViewDocTest::SetUp();
        testsupport::setTimeZone("UTC");
        services = std::make_unique<testsupport::FakeServices>(path("settings.ini"));
        view = std::make_unique<CGraphView>();
        view->setServices(services->bundle());
        view->LoadSettings();
        view->attachDocument(doc.get());
        GraphViewLinks links;
        links.currentItem = [this] { return current; };
        links.chartItems = [this] { return chart; };
        links.setStatusText = [this](const std::string& text) { status.push_back(text); };
        links.showItemProperties = [this](int page, int index) { properties.emplace_back(page, index); };
        view->setLinks(std::move(links));
        view->resize(640, 320);
    }
    void TearDown() override {
        view.reset();
        ListViewDocTest::TearDown();
    }

    // Weekly closes from 2 January 2023, rising and falling.
    ItemPos weekly(const std::string& name, int count, double base = 100.0) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        item->m_crColor = RGB(0, 0, 200);
        item->m_bGrid = 1;
        for (int i = 0; i < count; ++i) {
            const OleDate date(OleDate(2023, 1, 2, 0, 0, 0).m_dt + 7.0 * i);
            item->AddQuotation(CKurs(date, base + (i % 7) * 3.0 - (i % 3)), false);
        }
        return doc->AddItem(std::move(item));
    }

    // The list view selects `items`; the first is the current one.
    void select(std::vector<ItemPos> items) {
        chart = items;
        current = items.empty() ? kNoItemPos : items.front();
        if (!view->state().m_bInitialized)
            view->OnInitialUpdate();
        else
            doc->UpdateAllViews(nullptr, 0);
        view->flush();
        if (!view->isVisible()) {
            view->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        }
        view->repaint();
    }

    const std::vector<ChartPoint>& points() const { return view->state().m_pPoints; }
    QPoint at(int index) const {
        const ChartPoint& p = points()[static_cast<std::size_t>(index)];
        return {p.x, p.y};
    }
    QImage screen() { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    std::string lastStatus() const { return status.empty() ? std::string("<none>") : status.back(); }

    void drag(int from, int to) {
        QTest::mousePress(view.get(), Qt::LeftButton, {}, at(from));
        QMouseEvent move(QEvent::MouseMove, QPointF(at(to)), view->mapToGlobal(QPointF(at(to))), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &move);
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, at(to));
    }

    std::unique_ptr<testsupport::FakeServices> services;
    std::unique_ptr<CGraphView> view;
    ItemPos current = kNoItemPos;
    std::vector<ItemPos> chart;
    std::vector<std::string> status;
    std::vector<std::pair<int, int>> properties;
};

TEST_F(GraphViewTest, UpdatesBeforeInitialisationAreDroppedAndItemsAreAskedById) {
    const ItemPos a = weekly("Alpha", 20);
    const ItemPos b = weekly("Beta", 20);
    chart = {a};
    current = a;
    view->OnUpdate(nullptr, 0);
    EXPECT_FALSE(view->flushPending());
    EXPECT_FALSE(view->isItemShownInChart(a));
    EXPECT_EQ(view->chartView(), static_cast<DocumentObserver*>(view.get()));

    select({a, b});
    EXPECT_TRUE(view->isItemShownInChart(a));
    EXPECT_TRUE(view->isItemShownInChart(b));
    EXPECT_FALSE(view->isItemShownInChart(cashPos));
    // An item that went away is looked up by its id and left out: the chart paints the other one.
    doc->DeleteItem(b);
    view->flush();
    view->chartImage();
    EXPECT_EQ(view->layout().content, ChartContent::History);
    EXPECT_EQ(points().size(), 20u);
}

// The chart keeps its copy of an item's quotations from one drawing to the next (a resize step
// redraws a long history without copying it) and copies them again when they changed, however the
// change reached the document: a value changed in place keeps count and dates.
TEST_F(GraphViewTest, AnItemsQuotationsAreCopiedAgainOnlyAfterTheyChange) {
    const ItemPos alpha = weekly("Alpha", 30);
    const ItemPos beta = weekly("Beta", 12);
    select({alpha});
    ASSERT_EQ(points().size(), 30u);
    EXPECT_EQ(view->snapshotCopyCount(), 1);
    const double close5 = points()[5].value;

    // Resize steps and updates that change no quotation draw from the copy.
    const int paints = view->chartPaintCount();
    for (const QSize size : {QSize(639, 320), QSize(600, 300), QSize(640, 320)}) {
        view->resize(size);
        view->repaint();
    }
    doc->UpdateAllViews(nullptr, 0);
    view->flush();
    view->repaint();
    EXPECT_EQ(view->chartPaintCount(), paints + 4);
    EXPECT_EQ(view->snapshotCopyCount(), 1);

    // The document changes the closes in place and tells every view.
    ASSERT_TRUE(doc->ApplyFunction(alpha, 5, 5, "x*3"));
    view->flush();
    view->repaint();
    EXPECT_EQ(view->snapshotCopyCount(), 2);
    ASSERT_EQ(points().size(), 30u);
    EXPECT_EQ(points()[5].value, 3 * close5);

    // A quotation stored on the item, then the document's notice naming the item.
    item(alpha).AddQuotation(CKurs(OleDate(2024, 1, 1, 0, 0, 0), 77.0), false);
    doc->UpdateAllViews(nullptr, alpha);
    view->flush();
    view->repaint();
    EXPECT_EQ(view->snapshotCopyCount(), 3);
    EXPECT_EQ(points().back().value, 77.0);

    // An item no longer drawn leaves no copy behind: drawn again, it is copied again.
    select({beta});
    EXPECT_EQ(view->snapshotCopyCount(), 4);
    select({alpha});
    EXPECT_EQ(view->snapshotCopyCount(), 5);
    EXPECT_EQ(points().back().value, 77.0);
}

// The chart's image reuses its pixels from one drawing to the next; an image handed out before
// keeps what it showed.
TEST_F(GraphViewTest, AnImageOfTheChartKeepsItsPixelsWhenTheChartIsDrawnAgain) {
    const ItemPos alpha = weekly("Alpha", 30);
    select({alpha});
    const QImage handedOut = view->chartImage();
    const QImage before = handedOut.copy();
    ASSERT_TRUE(doc->ApplyFunction(alpha, 0, 29, "x*x"));
    view->flush();
    const QImage after = view->chartImage();
    EXPECT_NE(after, before);
    EXPECT_EQ(handedOut, before);
    view->resize(600, 300);
    view->chartImage();
    EXPECT_EQ(handedOut, before);
}

TEST_F(GraphViewTest, TheMouseMarksTheNearestPointWithoutLayingTheChartOut) {
    select({weekly("Alpha", 30)});
    ASSERT_EQ(points().size(), 30u);
    const int paints = view->chartPaintCount();
    const QImage clean = screen();

    QTest::mouseMove(view.get(), at(10) + QPoint(2, 40));
    EXPECT_EQ(view->state().m_nCursorDrawn, 10);
    EXPECT_EQ(lastStatus(), pointStatusText(points()[10]));
    const QImage marked = screen();
    // The cross-hair's corner and its foot on the axis differ from the chart; the interval is not.
    const ChartRect axes = view->state().m_rcAxes;
    int changed = 0;
    for (int x = axes.left + 1; x < at(10).x(); ++x)
        changed += pixel(marked, x, at(10).y()) != pixel(clean, x, at(10).y());
    EXPECT_GT(changed, (at(10).x() - axes.left) / 3);

    // A second draw (moving on) takes the first cursor away exactly.
    QTest::mouseMove(view.get(), at(20));
    EXPECT_EQ(view->state().m_nCursorDrawn, 20);
    const QImage moved = screen();
    for (int y = at(10).y() + 2; y < axes.bottom; ++y)
        ASSERT_EQ(pixel(moved, at(10).x(), y), pixel(clean, at(10).x(), y)) << y;

    // The list view reports the mouse: the cursor goes, and the status text with it.
    view->HideCursor();
    EXPECT_EQ(view->state().m_nCursorDrawn, -1);
    EXPECT_EQ(lastStatus(), "");
    EXPECT_EQ(screen(), clean);
    EXPECT_EQ(view->chartPaintCount(), paints);
}

// While a menu holds the pointer, the X server's crossings are grab crossings, which Qt does not
// report: the pane hears of no move and no leave until the menu is gone. A pointer that is
// elsewhere when the menu closes leaves no cross-hair (nor its status text) behind; one still over
// the pane keeps it.
TEST_F(GraphViewTest, AContextMenuLeavesTheCursorOnlyWhereThePointerStillIs) {
    select({weekly("Alpha", 30)});
    const QImage clean = screen();
    // The crossings as X reports them while the menu is open (from its showing to its closing):
    // none.
    struct GrabCrossings : QObject {
        bool menuUp = false;
        bool eventFilter(QObject*, QEvent* event) override {
            return menuUp && (event->type() == QEvent::Leave || event->type() == QEvent::Enter);
        }
    } grabbed;
    view->installEventFilter(&grabbed);
    for (const auto& [leaves, point] : {std::pair{false, 10}, std::pair{true, 20}}) {
        const bool pointerLeaves = leaves; // a plain name, for the lambda below
        SCOPED_TRACE(pointerLeaves);
        QCursor::setPos(view->mapToGlobal(at(point)));
        QTest::mouseMove(view.get(), at(point));
        ASSERT_EQ(view->state().m_nCursorDrawn, point);
        const std::string pointText = pointStatusText(points()[static_cast<std::size_t>(point)]);
        ASSERT_EQ(lastStatus(), pointText);
        const QImage marked = screen();
        ASSERT_NE(marked, clean);
        bool shown = false;
        QTimer::singleShot(50, [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                shown = true;
                if (pointerLeaves)
                    QCursor::setPos(view->mapToGlobal(QPoint(view->width() / 2, view->height() + 60)));
                popup->close();
            }
        });
        grabbed.menuUp = true;
        view->OnContextMenu(view->mapToGlobal(at(point)));
        grabbed.menuUp = false;
        ASSERT_TRUE(shown);
        if (pointerLeaves) {
            EXPECT_EQ(view->state().m_nCursorDrawn, -1);
            EXPECT_EQ(lastStatus(), "");
            EXPECT_EQ(screen(), clean);
        } else {
            EXPECT_EQ(view->state().m_nCursorDrawn, point);
            EXPECT_EQ(lastStatus(), pointText);
            EXPECT_EQ(screen(), marked);
        }
    }
}

TEST_F(GraphViewTest, DraggingMarksAnIntervalInvertedUnderTheCurve) {
    select({weekly("Alpha", 30)});
    const int paints = view->chartPaintCount();
    const QImage clean = screen();
    drag(5, 12);
    EXPECT_EQ(view->state().m_nIntervalStart, 5);
    EXPECT_EQ(view->state().m_nIntervalEnd, 12);
    EXPECT_EQ(lastStatus(), intervalStatusText(points(), 5, 12));
    ASSERT_EQ(lastStatus().front(), '[');
    const QImage marked = screen();
    testsupport::saveRendering(marked, "interval");
    // Under the curve inside the interval the pixels are inverted; outside they are not.
    const int x = (at(10).x() + at(11).x()) / 2;
    const int y = view->state().m_rcAxes.bottom - 2;
    const QColor before = pixel(clean, x, y);
    EXPECT_EQ(pixel(marked, x, y), QColor(255 - before.red(), 255 - before.green(), 255 - before.blue()));
    const int outside = (at(20).x() + at(21).x()) / 2;
    EXPECT_EQ(pixel(marked, outside, y), pixel(clean, outside, y));

    // Shrinking the drag from the same start leaves exactly the new interval inverted.
    drag(5, 8);
    const QImage shrunk = screen();
    EXPECT_EQ(pixel(shrunk, x, y), before);
    const int inside = (at(6).x() + at(7).x()) / 2;
    EXPECT_NE(pixel(shrunk, inside, y), pixel(clean, inside, y));
    // A click without a drag removes it.
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, at(3));
    view->HideCursor();
    EXPECT_EQ(screen(), clean);
    EXPECT_EQ(view->chartPaintCount(), paints);
}

TEST_F(GraphViewTest, TiesGoUpOnPressAndDownOnMove) {
    auto item = std::make_unique<CWPapier>();
    item->m_strName = "Ties";
    for (int i = 0; i < 10; ++i)
        item->AddQuotation(CKurs(OleDate(OleDate(2023, 1, 2, 0, 0, 0).m_dt + i), 10.0 + i), false);
    // Two quotations a second apart share their x.
    item->AddQuotation(CKurs(OleDate(2023, 1, 6, 0, 0, 1), 30.0), false);
    const ItemPos pos = doc->AddItem(std::move(item));
    select({pos});
    ASSERT_EQ(points().size(), 11u);
    ASSERT_EQ(points()[4].x, points()[5].x);
    QTest::mousePress(view.get(), Qt::LeftButton, {}, at(4));
    EXPECT_EQ(view->state().m_nIntervalStart, 5);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, at(4));
    EXPECT_EQ(view->state().m_nIntervalEnd, 4);
    // An interval whose ends share their x is not inverted, and moves show the point's text.
    EXPECT_EQ(view->state().m_nMarkedStart, 5);
    QTest::mouseMove(view.get(), at(8));
    EXPECT_EQ(view->state().m_nCursorDrawn, 8);
    EXPECT_EQ(lastStatus(), pointStatusText(points()[8]));
}

TEST_F(GraphViewTest, ZoomWritesInnerEndsOnlyAndAlwaysModifies) {
    const ItemPos pos = weekly("Alpha", 30);
    select({pos});
    struct Case {
        int from, to;
        int begin, end; // the item's flags afterwards
    };
    for (const Case c : {Case{3, 10, 1, 1}, Case{0, 10, 0, 1}, Case{3, 29, 1, 0}, Case{29, 0, 0, 0}}) {
        item(pos).m_bBegin = item(pos).m_bEnd = 0;
        select({pos});
        ASSERT_EQ(points().size(), 30u);
        const OleDate from = points()[static_cast<std::size_t>(std::min(c.from, c.to))].date;
        const OleDate to = points()[static_cast<std::size_t>(std::max(c.from, c.to))].date;
        drag(c.from, c.to);
        doc->SetModifiedFlag(false);
        CmdUI ui(ID_ZOOM_IN);
        ASSERT_TRUE(view->runUpdateHandler(ui));
        EXPECT_TRUE(ui.enabled());
        ASSERT_TRUE(view->runCommand(ID_ZOOM_IN));
        EXPECT_TRUE(doc->IsModified()) << c.from << "-" << c.to;
        EXPECT_EQ(item(pos).m_bBegin, c.begin) << c.from << "-" << c.to;
        EXPECT_EQ(item(pos).m_bEnd, c.end) << c.from << "-" << c.to;
        if (c.begin) {
            EXPECT_DOUBLE_EQ(item(pos).m_dtBegin.m_dt, from.m_dt);
        }
        if (c.end) {
            EXPECT_DOUBLE_EQ(item(pos).m_dtEnd.m_dt, to.m_dt);
        }
        EXPECT_EQ(view->state().m_nIntervalStart, -1);
        // The repaint shows the new interval.
        view->flush();
        view->repaint();
        const int drawn = std::max(c.from, c.to) - std::min(c.from, c.to) + 1;
        EXPECT_EQ(static_cast<int>(points().size()), c.begin || c.end ? drawn : 30);
    }
    // Zoom out switches both ends off, and is disabled once they are.
    item(pos).m_bBegin = item(pos).m_bEnd = 1;
    CmdUI out(ID_ZOOM_OUT);
    view->runUpdateHandler(out);
    EXPECT_TRUE(out.enabled());
    doc->SetModifiedFlag(false);
    view->runCommand(ID_ZOOM_OUT);
    EXPECT_EQ(item(pos).m_bBegin, 0);
    EXPECT_EQ(item(pos).m_bEnd, 0);
    EXPECT_TRUE(doc->IsModified());
    CmdUI again(ID_ZOOM_OUT);
    view->runUpdateHandler(again);
    EXPECT_FALSE(again.enabled());
}

TEST_F(GraphViewTest, DoubleClickOpensTheQuotationInTheItemsOwnList) {
    const ItemPos pos = weekly("Alpha", 30);
    item(pos).m_bBegin = 1;
    item(pos).m_dtBegin = OleDate(2023, 3, 1, 0, 0, 0); // the ninth quotation is the first drawn
    select({pos});
    ASSERT_EQ(view->state().m_nFirstQuotationIndex, 9);
    QTest::mouseMove(view.get(), at(4));
    testsupport::doubleClick(view.get(), at(4));
    ASSERT_FALSE(properties.empty());
    EXPECT_EQ(properties.back(), std::make_pair(kItemPageQuotations, 9 + 4));
}

TEST_F(GraphViewTest, AComparisonIgnoresTheMouse) {
    select({weekly("Alpha", 30), weekly("Beta", 25, 50.0)});
    EXPECT_TRUE(points().empty());
    const QImage clean = screen();
    status.clear();
    QTest::mouseMove(view.get(), QPoint(200, 150));
    QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(200, 150));
    QTest::mouseMove(view.get(), QPoint(300, 150));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(300, 150));
    testsupport::doubleClick(view.get(), QPoint(300, 150));
    EXPECT_TRUE(status.empty());
    EXPECT_TRUE(properties.empty());
    EXPECT_EQ(view->state().m_nIntervalStart, -1);
    EXPECT_EQ(screen(), clean);
}

TEST_F(GraphViewTest, AMarkAsksForOneMoreCompletePaintOnly) {
    const ItemPos pos = weekly("Alpha", 30);
    select({pos});
    drag(4, 9);
    const int paints = view->chartPaintCount();
    // New data while the interval is marked: the paint asks for one more, which asks for none.
    item(pos).AddQuotation(CKurs(OleDate(2023, 8, 1, 0, 0, 0), 120.0), false);
    doc->UpdateAllViews(nullptr, 0);
    for (int i = 0; i < 5; ++i) {
        view->flush();
        view->repaint();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(view->chartPaintCount(), paints + 2);
    EXPECT_EQ(view->state().m_bRedrawPending, 0);
    // The interval survived both paints and is shown again.
    EXPECT_EQ(view->state().m_nMarkedStart, 4);
    EXPECT_EQ(view->state().m_nMarkedEnd, 9);
    // Another current row in the list ends it.
    select({weekly("Beta", 10)});
    EXPECT_EQ(view->state().m_nIntervalStart, -1);
}

TEST_F(GraphViewTest, KeyboardOpensTheContextMenuAtTheCorner) {
    struct Case {
        bool comparison;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QStringList texts;
    };
    // The item texts (shortcuts are shown beside them).
    const QStringList one{"Zoom &Into Interval",           "Zoom &Out",
                          "Upda&te quotation",            "&Import historical quotations...",
                          "Display &quotations",          "&Recalculate investment history",
                          "&Open web page",               "&Properties"};
    const ItemPos a = weekly("Alpha", 30);
    const ItemPos b = weekly("Beta", 30);
    for (const Case& c : {Case{false, Qt::Key_F10, Qt::ShiftModifier, one}, Case{false, Qt::Key_Menu, {}, one},
                          Case{true, Qt::Key_F10, Qt::ShiftModifier, {"&Properties"}}}) {
        select(c.comparison ? std::vector<ItemPos>{a, b} : std::vector<ItemPos>{a});
        QStringList texts;
        QPoint shownAt;
        QTimer::singleShot(50, [&] {
            if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                shownAt = popup->pos();
                for (QAction* action : popup->actions())
                    if (!action->isSeparator())
                        texts << action->text().section(QLatin1Char('\t'), 0, 0);
                popup->close();
            }
        });
        QTest::keyClick(view.get(), c.key, c.modifiers);
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(shownAt, view->mapToGlobal(QPoint(5, 5)));
    }
}

// ---------------------------------------------------------------- what the chart shows

class GraphViewPixelsTest : public GraphViewTest {};

TEST_F(GraphViewPixelsTest, OneItemShadesGridBreakEvenAndMarks) {
    const ItemPos pos = weekly("Alpha & Co", 80);
    CWPapier& it = item(pos);
    it.m_nAxisValues = 1;
    it.m_bBreakEvenLine = 1;
    it.m_bTransactionMarks = 1;
    it.AddTransaction(CTransaction(CTransaction::kBuy, OleDate(2023, 3, 6, 0, 0, 0), 10, 500.0, 0, 0, false,
                                   OleDate(2023, 3, 6, 0, 0, 0), ""));
    it.AddTransaction(CTransaction(CTransaction::kBuy, OleDate(2023, 6, 5, 0, 0, 0), 10, 105.0, 0, 0, false,
                                   OleDate(2023, 6, 5, 0, 0, 0), ""));
    it.m_dBreakEven = 104.0; // after the buys, which compute their own
    select({pos});
    const QImage image = screen();
    testsupport::saveRendering(image, "one-item");
    const ChartLayout& layout = view->layout();
    ASSERT_EQ(layout.content, ChartContent::History);

    // 2024 is shaded, 2023 is not.
    ASSERT_FALSE(layout.yearShades.empty());
    const ChartRect shade = layout.yearShades.front();
    const auto shaded = [&](int x) {
        int n = 0;
        for (int y = layout.data.top; y < layout.data.bottom; ++y)
            n += pixel(image, x, y) == QColor(230, 230, 230);
        return n;
    };
    EXPECT_GT(shaded(shade.left + 3), layout.data.height() / 2);
    EXPECT_EQ(shaded(shade.left - 3), 0);
    // Grid lines at the labels, across the chart.
    ASSERT_FALSE(layout.axis.ticks.empty());
    for (const AxisTick& tick : layout.axis.ticks) {
        int grid = 0;
        for (int x = layout.data.left; x < layout.data.right; ++x)
            grid += pixel(image, x, tick.y) == QColor(100, 100, 100);
        EXPECT_GT(grid, layout.data.width() / 2) << tick.text;
    }
    // The break-even line is dashed in the item's colour.
    ASSERT_TRUE(layout.breakEvenY);
    int coloured = 0, gaps = 0;
    for (int x = layout.axes.left + 1; x < shade.left - 1; ++x) {
        const QColor c = pixel(image, x, *layout.breakEvenY);
        coloured += c == QColor(200, 0, 0) || c == QColor(0, 0, 200);
        gaps += c == QColor(Qt::white);
    }
    EXPECT_GT(coloured, 5);
    EXPECT_GT(gaps, 5);
    // The buy above the range is hatched at the top edge; the other one is filled light grey.
    ASSERT_EQ(layout.marks.size(), 2u);
    const TransactionMark& high = layout.marks[0];
    ASSERT_TRUE(high.outOfRange);
    int hatch = 0;
    for (int y = high.ellipse.top + 3; y < high.ellipse.bottom - 3; ++y)
        for (int x = high.ellipse.left + 3; x < high.ellipse.right - 3; ++x)
            hatch += pixel(image, x, y) == QColor(150, 150, 150);
    EXPECT_GT(hatch, 3);
    const TransactionMark& inRange = layout.marks[1];
    EXPECT_FALSE(inRange.outOfRange);
    EXPECT_EQ(pixel(image, inRange.ellipse.left + 3, inRange.ellipse.top + 7), QColor(224, 224, 224));
}

TEST_F(GraphViewPixelsTest, ComparisonCurvesInTheirColours) {
    const ItemPos a = weekly("Alpha", 60);
    const ItemPos b = weekly("Beta", 40, 50.0);
    item(b).m_crColor = RGB(200, 0, 0);
    select({a, b});
    const QImage image = screen();
    testsupport::saveRendering(image, "comparison");
    const ChartLayout& layout = view->layout();
    ASSERT_EQ(layout.content, ChartContent::Comparison);
    ASSERT_EQ(layout.curves.size(), 2u);
    for (const ComparisonCurve& curve : layout.curves) {
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                drawn += pixel(image, x, y) == toQColor(curve.color);
        EXPECT_GT(drawn, 100);
    }
    EXPECT_NE(layout.title.find("[Comparison] ("), std::string::npos);
}

// A new item after its first update (one quotation, dated after the others end), selected with
// the others (Ctrl+A): the pane still draws their curves across the chart, under a title with dates.
TEST_F(GraphViewPixelsTest, AnItemOfOneQuotationLeavesTheOthersCurves) {
    const ItemPos a = weekly("Alpha", 60);
    const ItemPos b = weekly("Beta", 40, 50.0);
    item(b).m_crColor = RGB(200, 0, 0);
    const ItemPos fresh = weekly("New Item", 0);
    item(fresh).AddQuotation(CKurs(OleDate(2024, 6, 3, 0, 0, 0), 10.0), false);
    item(fresh).m_crColor = RGB(0, 150, 0);
    for (const auto& order : {std::vector<ItemPos>{a, b, fresh}, std::vector<ItemPos>{fresh, a, b}}) {
        select(order);
        const QImage image = screen();
        testsupport::saveRendering(image, "comparison-with-one-quotation");
        const ChartLayout& layout = view->layout();
        ASSERT_EQ(layout.content, ChartContent::Comparison);
        EXPECT_EQ(layout.title, "[Comparison] (" + OleDate(2023, 1, 2, 0, 0, 0).Format("%x") + "-" +
                                    OleDate(OleDate(2023, 1, 2, 0, 0, 0).m_dt + 7.0 * 59).Format("%x") + ")");
        // Each curve's colour in the left and in the right half of the data area.
        for (const QColor colour : {QColor(0, 0, 200), QColor(200, 0, 0)}) {
            int left = 0, right = 0;
            for (int y = layout.data.top; y <= layout.data.bottom; ++y)
                for (int x = layout.data.left; x <= layout.data.right; ++x)
                    (x < (layout.data.left + layout.data.right) / 2 ? left : right) += pixel(image, x, y) == colour;
            EXPECT_GT(left, 20) << colour.name().toStdString();
            EXPECT_GT(right, 20) << colour.name().toStdString();
        }
    }
}

TEST_F(GraphViewPixelsTest, APaneTooSmallDrawsNothingAndMarksNothing) {
    view->resize(40, 30);
    select({weekly("Alpha", 30)});
    EXPECT_EQ(view->layout().content, ChartContent::TooSmall);
    EXPECT_TRUE(points().empty());
    QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(20, 15));
    EXPECT_EQ(view->state().m_nIntervalStart, -1);
}

// ---------------------------------------------------------------- comparison limits

TEST_F(GraphViewTest, ComparisonLimitsDialogFollowsItsBoxesAndCancelKeepsTheChart) {
    GraphViewSettings& settings = view->settings();
    settings = GraphViewSettings{};
    const GraphViewSettings before = settings;
    services->modal->on("dlg_165", [](QDialog& dialog) {
        auto* begin = dialog.findChild<QAbstractButton*>("idc_1043");
        auto* beginDate = dialog.findChild<QDateEdit*>("idc_1122");
        auto* endDate = dialog.findChild<QDateEdit*>("idc_1124");
        ASSERT_TRUE(begin && beginDate && endDate);
        EXPECT_FALSE(beginDate->isEnabled());
        EXPECT_FALSE(endDate->isEnabled());
        EXPECT_EQ(beginDate->date(), QDate(1999, 1, 1));
        EXPECT_TRUE(dialog.findChild<QAbstractButton*>("idc_1063")->isChecked());
        begin->click();
        EXPECT_TRUE(beginDate->isEnabled());
        beginDate->setDate(QDate(2021, 2, 3));
        testsupport::saveRendering(dialog, "comparison-limits");
        dialog.findChild<QAbstractButton*>("idc_2")->click();
    });
    view->OnComparisonLimits();
    EXPECT_EQ(settings, before);

    services->modal->on("dlg_165", [](QDialog& dialog) {
        dialog.findChild<QAbstractButton*>("idc_1043")->click();
        dialog.findChild<QDateEdit*>("idc_1122")->setDate(QDate(2021, 2, 3));
        dialog.findChild<QAbstractButton*>("idc_1063")->click();
        dialog.findChild<QAbstractButton*>("idc_1")->click();
    });
    view->OnComparisonLimits();
    EXPECT_EQ(settings.m_bBegin, 1);
    EXPECT_EQ(settings.m_nBeginYear, 2021);
    EXPECT_EQ(settings.m_nBeginMonth, 2);
    EXPECT_EQ(settings.m_nBeginDay, 3);
    EXPECT_EQ(settings.m_bEnd, 0);
    EXPECT_EQ(settings.m_nEndYear, 2005);
    EXPECT_EQ(settings.m_bGrid, 0);
    // Saved under "GraphView" and read back by a new view.
    view->SaveSettings();
    CGraphView other;
    other.setServices(services->bundle());
    other.LoadSettings();
    EXPECT_EQ(other.settings(), settings);
}

} // namespace
