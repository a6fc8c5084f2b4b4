#include "controls/TreePropSheetSplitter.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include <climits>
#include <string>
#include <vector>

using TreePropSheet::CTreePropSheetSplitter;
using TreePropSheet::SplitterProportions;

namespace {

std::vector<int> paneWidths(const SplitterProportions& s) {
    std::vector<int> widths;
    for (int i = 0; i < s.paneCount(); ++i)
        widths.push_back(s.paneEnd(i) - s.paneStart(i));
    return widths;
}

const int kMinimums[] = {148, 148};

TEST(SplitterProportions, StartEqualAndFollowTheGivenSizes) {
    SplitterProportions two(2, {}, 5);
    EXPECT_EQ(two.proportions(), (std::vector<int>{16384, 16384}));
    SplitterProportions three(3, {}, 5);
    EXPECT_EQ(three.proportions(), (std::vector<int>{10923, 10923, 10922}));

    const int sizes[] = {150, 300};
    two.SetPaneSizes(sizes);
    EXPECT_EQ(two.proportions(), (std::vector<int>{10923, 21845}));
    // 150 + 5 + 300: the panes get those widths again.
    two.Layout(10, 455);
    EXPECT_EQ(paneWidths(two), (std::vector<int>{150, 300}));
    EXPECT_EQ(two.paneStart(0), 10);
    EXPECT_EQ(two.paneStart(1), 165);
    EXPECT_EQ(two.paneEnd(1), 465); // the last pane ends at the splitter's edge
}

TEST(SplitterProportions, AFrozenPaneKeepsItsExactWidth) {
    SplitterProportions s(2, kMinimums, 5);
    s.Layout(0, 400);
    ASSERT_EQ(paneWidths(s), (std::vector<int>{198, 197}));
    const std::uint8_t frozen[] = {1, 0};
    s.SetFrozenPanes(frozen);
    // Keeping the pane's share of the former space would round it to 197 here.
    s.Layout(0, 500);
    EXPECT_EQ(paneWidths(s), (std::vector<int>{198, 297}));
    for (int width : {777, 455, 401, 1234})
        s.Layout(0, width);
    EXPECT_EQ(paneWidths(s)[0], 198);

    SplitterProportions free(2, kMinimums, 5);
    free.Layout(0, 400);
    free.Layout(0, 500);
    EXPECT_EQ(paneWidths(free), (std::vector<int>{248, 247})); // unfrozen panes share the growth
}

TEST(SplitterProportions, PanesAreRaisedToTheirMinimumWhileThereIsRoom) {
    SplitterProportions s(2, kMinimums, 5);
    const int sizes[] = {50, 350};
    s.SetPaneSizes(sizes);
    s.Layout(0, 405);
    EXPECT_EQ(paneWidths(s), (std::vector<int>{148, 252}));
    // No room for both minimums: each pane gets its minimum while there is room.
    s.SetPaneSizes(sizes);
    s.Layout(0, 205);
    EXPECT_EQ(paneWidths(s), (std::vector<int>{148, 52}));
    // Every pane at or below its minimum: the proportions stand.
    const int small[] = {100, 100};
    s.SetPaneSizes(small);
    s.Layout(0, 205);
    EXPECT_EQ(paneWidths(s), (std::vector<int>{100, 100}));
}

TEST(SplitterProportions, DraggingStopsAtTheMinimumsAndReleaseKeepsTheNewSizes) {
    SplitterProportions s(2, kMinimums, 5);
    s.Layout(0, 400); // bar 1 at [198, 203)
    EXPECT_EQ(s.barAt(200), 1);
    EXPECT_EQ(s.dragLimit(1, 100), 153); // pane 0 stays 148 wide
    EXPECT_EQ(s.dragLimit(1, 390), 252); // pane 1 stays 148 wide
    EXPECT_EQ(s.dragLimit(1, 240), 240);
    s.releaseBar(1, 153, 400);
    EXPECT_EQ(s.proportions(), (std::vector<int>{12278, 20490}));
    s.Layout(0, 400);
    EXPECT_EQ(paneWidths(s), (std::vector<int>{148, 247}));
}

// Sizes the arithmetic must survive without dividing by zero or overflowing (run under UBSan).
TEST(SplitterProportions, DegenerateSizesStayDefined) {
    struct Case {
        const char* what;
        int panes;
        int bar;
        int length;
        std::vector<int> minimums;
        std::vector<int> sizes;
    };
    const Case cases[] = {
        {"3-pixel splitter, bar 5", 2, 5, 3, {148, 148}, {}},
        {"nothing wide", 2, 5, 0, {}, {}},
        {"no panes asked for", 0, 5, 100, {}, {}},
        {"one pane", 1, 5, 100, {40}, {}},
        {"minimums beyond the space", 3, 4, 90, {1000000000, 1000000000, 5}, {}},
        {"sizes of zero", 3, 2, 90, {}, {0, 0, 0}},
        {"sizes near the int limit", 2, 5, 400, {}, {INT_MAX, INT_MAX}},
        {"negative sizes", 2, 5, 400, {-7, 0}, {-10, 20}},
        {"a huge splitter", 2, 5, INT_MAX / 2, {}, {1, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SplitterProportions s(c.panes, c.minimums, c.bar);
        ASSERT_GE(s.paneCount(), 1);
        if (!c.sizes.empty())
            s.SetPaneSizes(c.sizes);
        const std::uint8_t frozen[] = {1, 0, 0};
        for (int round = 0; round < 2; ++round) {
            s.Layout(0, c.length);
            s.SetFrozenPanes(frozen); // the second round keeps pane 0
        }
        int sum = 0;
        for (int p : s.proportions()) {
            EXPECT_GE(p, 0);
            sum += p;
        }
        EXPECT_LE(sum, SplitterProportions::kWhole);
        for (int w : paneWidths(s))
            EXPECT_GE(w, 0);
        if (s.paneCount() > 1) {
            const int bar = s.barAt(1);
            s.releaseBar(bar, s.dragLimit(bar, 1), c.length);
            s.Layout(0, c.length);
            for (int w : paneWidths(s))
                EXPECT_GE(w, 0);
        }
    }
    SplitterProportions equal(2, {}, 5);
    const int zeros[] = {0, 0};
    equal.SetPaneSizes(zeros); // a total of 0 keeps the proportions
    EXPECT_EQ(equal.proportions(), (std::vector<int>{16384, 16384}));
}

// A parent with a tree-like pane and a frame-like pane beside each other.
struct SplitterWindow {
    QWidget parent;
    QLabel* left = new QLabel("Pages", &parent);
    QLabel* right = new QLabel("Page", &parent);
    CTreePropSheetSplitter* splitter = new CTreePropSheetSplitter(2, 1, kMinimums, 5);

    SplitterWindow() {
        parent.resize(420, 200);
        for (QLabel* pane : {left, right}) {
            pane->setAutoFillBackground(true);
            pane->setFrameShape(QFrame::Box);
        }
        splitter->CreateBar(&parent, QRect(10, 10, 400, 180), 0xE900);
        splitter->SetPaneWindow(0, left);
        splitter->SetPaneWindow(1, right);
    }

    void mouse(QEvent::Type type, int x) {
        const QPointF local(x - splitter->x(), 50);
        QMouseEvent event(type, local, splitter->mapToGlobal(local), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(splitter, &event);
    }
};

TEST(TreeSheetSplitter, MovesItsPanesAndADragStopsAtTheMinimum) {
    SplitterWindow w;
    EXPECT_EQ(w.splitter->objectName(), "idc_59648");
    EXPECT_EQ(w.left->geometry(), QRect(10, 10, 198, 180));
    EXPECT_EQ(w.right->geometry(), QRect(213, 10, 197, 180));
    EXPECT_EQ(w.splitter->cursor().shape(), Qt::SizeHorCursor);

    w.parent.show();
    w.mouse(QEvent::MouseButtonPress, 210); // on the bar [208, 213)
    ASSERT_TRUE(w.splitter->isDragging());
    w.mouse(QEvent::MouseMove, 60);
    ASSERT_NE(w.splitter->trackingBar(), nullptr);
    EXPECT_TRUE(w.splitter->trackingBar()->isVisible());
    EXPECT_EQ(w.splitter->trackingBar()->geometry(), QRect(158, 10, 5, 180)); // 148 past the left pane's start
    EXPECT_EQ(w.left->width(), 198);                                          // the panes wait for the release
    testsupport::saveRendering(w.parent, "dragging");
    w.mouse(QEvent::MouseButtonRelease, 60);
    EXPECT_FALSE(w.splitter->trackingBar()->isVisible());
    EXPECT_EQ(w.left->geometry(), QRect(10, 10, 148, 180));
    EXPECT_EQ(w.right->geometry(), QRect(163, 10, 247, 180));

    // Following the mouse, the panes move while dragging.
    w.splitter->SetFollowMouse(true);
    w.mouse(QEvent::MouseButtonPress, 160);
    w.mouse(QEvent::MouseMove, 200);
    EXPECT_EQ(w.left->width(), 188);
    w.mouse(QEvent::MouseButtonRelease, 200);

    // Growing the splitter keeps the tree pane when it is frozen.
    const std::uint8_t frozen[] = {1, 0};
    w.splitter->SetFrozenPanes(frozen);
    const int tree = w.left->width();
    w.splitter->resize(500, 180);
    EXPECT_EQ(w.left->width(), tree);
    EXPECT_EQ(w.right->geometry().right(), 10 + 500 - 1);
}

TEST(TreeSheetSplitter, WithoutDraggingAPressDoesNothingAndTheCursorIsTheArrow) {
    SplitterWindow w;
    w.splitter->SetDraggable(false);
    EXPECT_EQ(w.splitter->cursor().shape(), Qt::ArrowCursor);
    w.mouse(QEvent::MouseButtonPress, 210);
    w.mouse(QEvent::MouseMove, 100);
    w.mouse(QEvent::MouseButtonRelease, 100);
    EXPECT_FALSE(w.splitter->isDragging());
    EXPECT_EQ(w.splitter->trackingBar(), nullptr);
    EXPECT_EQ(w.left->width(), 198);

    CTreePropSheetSplitter stacked(2, 0, kMinimums, 5);
    EXPECT_EQ(stacked.cursor().shape(), Qt::SizeVerCursor);
}

} // namespace
