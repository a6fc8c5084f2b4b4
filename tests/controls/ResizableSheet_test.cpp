// The resizable tree property sheet: the hook's anchors for tabs, buttons, wizard line and pages,
// the grip in the corner and off while maximised, the smallest size, tracking sizes of the sheet's
// own, and in tree mode the splitter between tree and frame with the page following the frame.
#include "SheetTestKit.h"
#include "controls/PropPageFrame.h"
#include "controls/ResizableSheetHook.h"
#include "controls/TreePropSheetSplitter.h"
#include "controls/TreePropSheetTreeCtrl.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSizeGrip>
#include <QTabWidget>

#include <map>

using sheettest::SheetTest;
using sheettest::TestSheet;
using TreePropSheet::CTreePropSheetSplitter;

namespace {

// Distance of a control's top-left corner from the sheet's bottom-right corner, and its size.
struct CornerPlace {
    QPoint fromCorner;
    QSize size;
    bool operator==(const CornerPlace&) const = default;
};

std::map<unsigned, CornerPlace> cornerPlaces(QWidget& sheet, std::initializer_list<unsigned> ids) {
    std::map<unsigned, CornerPlace> places;
    for (unsigned id : ids) {
        auto* control = sheet.findChild<QWidget*>(QStringLiteral("idc_%1").arg(id));
        EXPECT_NE(control, nullptr) << id;
        if (control)
            places[id] = {QPoint(sheet.width(), sheet.height()) - control->pos(), control->size()};
    }
    return places;
}

void resizeSheet(QWidget& sheet, QSize size) {
    sheet.resize(size);
    QCoreApplication::processEvents();
}

QRect grown(const QRect& r, QSize by) {
    return QRect(r.topLeft(), r.size() + by);
}

void mouse(QWidget* splitter, QEvent::Type type, int x) {
    const QPointF local(x - splitter->x(), 20);
    QMouseEvent event(type, local, splitter->mapToGlobal(local), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(splitter, &event);
}

using ResizableSheet = SheetTest;

TEST_F(ResizableSheet, TabsAndPageGrowWhileTheButtonsKeepToTheCorner) {
    auto sheet = shown({"General", "Connection", "Advanced"});
    ASSERT_TRUE(sheet->IsResizable());
    ASSERT_NE(sheet->GetSizingHook(), nullptr);
    auto* grip = sheet->findChild<QSizeGrip*>("idc_0");
    ASSERT_NE(grip, nullptr);
    EXPECT_TRUE(grip->isVisible());
    EXPECT_EQ(grip->geometry().bottomRight(), sheet->rect().bottomRight());

    const QSize before = sheet->size();
    const auto buttons = cornerPlaces(*sheet, {1, 2, 0x3021});
    const QRect tabs = sheet->GetTabControl()->geometry();
    const QRect page = sheet->page(0).geometry();
    resizeSheet(*sheet, before + QSize(100, 50));
    ASSERT_EQ(sheet->size(), before + QSize(100, 50));
    EXPECT_EQ(cornerPlaces(*sheet, {1, 2, 0x3021}), buttons);
    EXPECT_EQ(sheet->GetTabControl()->geometry(), grown(tabs, QSize(100, 50)));
    EXPECT_EQ(sheet->page(0).geometry(), grown(page, QSize(100, 50)));
    EXPECT_EQ(grip->geometry().bottomRight(), sheet->rect().bottomRight());
    testsupport::saveRendering(*sheet, "enlarged");
    // The background is erased around the tabs, the page and the buttons, not under them.
    const QRegion background = sheet->GetSizingHook()->GetBackgroundRegion();
    EXPECT_TRUE(background.contains(QPoint(2, 2)));
    EXPECT_FALSE(background.contains(sheet->page(0).geometry().center()));
    EXPECT_FALSE(background.contains(sheet->findChild<QWidget*>("idc_1")->geometry().center()));

    // Another page shows at the grown size.
    ASSERT_TRUE(sheet->SetActivePage(2));
    EXPECT_EQ(sheet->page(2).geometry(), grown(page, QSize(100, 50)));

    // No smaller than at creation.
    EXPECT_EQ(sheet->minimumSize(), before);
    resizeSheet(*sheet, before - QSize(60, 40));
    EXPECT_EQ(sheet->size(), before);

    // No grip while maximised.
    sheet->showMaximized();
    QTRY_VERIFY(sheet->isMaximized());
    QCoreApplication::processEvents();
    EXPECT_FALSE(grip->isVisible());
    EXPECT_EQ(cornerPlaces(*sheet, {1, 2, 0x3021}), buttons);
    sheet->showNormal();
    QTRY_VERIFY(!sheet->isMaximized());
    QCoreApplication::processEvents();
    EXPECT_TRUE(grip->isVisible());
    EXPECT_EQ(grip->geometry().bottomRight(), sheet->rect().bottomRight());
}

TEST_F(ResizableSheet, AWizardKeepsItsLineAndButtonsAtTheBottomAndEveryPageGrows) {
    auto wizard = shown({"First", "Second"}, [](TestSheet& s) { s.SetWizardMode(); });
    const QSize before = wizard->size();
    const auto buttons = cornerPlaces(*wizard, {0x3023, 0x3024, 2});
    auto* line = wizard->findChild<QWidget*>("idc_12326");
    ASSERT_NE(line, nullptr);
    const QRect lineRect = line->geometry();
    const QRect page = wizard->page(0).geometry();

    resizeSheet(*wizard, before + QSize(80, 40));
    EXPECT_EQ(cornerPlaces(*wizard, {0x3023, 0x3024, 2}), buttons);
    EXPECT_EQ(line->geometry(), QRect(lineRect.topLeft() + QPoint(0, 40), lineRect.size() + QSize(80, 0)));
    EXPECT_EQ(wizard->page(0).geometry(), grown(page, QSize(80, 40)));
    // The next page takes the grown place too, not the one the wizard started with.
    QTest::mouseClick(wizard->findChild<QWidget*>("idc_12324"), Qt::LeftButton);
    ASSERT_EQ(wizard->GetActiveIndex(), 1);
    EXPECT_EQ(wizard->page(1).geometry(), grown(page, QSize(80, 40)));
    testsupport::saveRendering(*wizard, "wizard-enlarged");
}

TEST_F(ResizableSheet, TrackingSizesOfTheSheetReplaceTheSizeAtCreation) {
    auto sheet = shown({"General"}, [](TestSheet& s) {
        s.SetMinTrackSize(QSize(200, 150));
        s.SetMaxTrackSize(QSize(900, 100));
    });
    // The minimum width leaves room for both splitter panes and the bar; the maximum is at least
    // the minimum.
    EXPECT_EQ(sheet->minimumSize(), QSize(148 + 148 + 5, 150));
    EXPECT_EQ(sheet->maximumSize(), QSize(900, 150));
    // Fixed once the window exists.
    EXPECT_FALSE(sheet->SetMinTrackSize(QSize(10, 10)));
    EXPECT_FALSE(sheet->SetMaxTrackSize(QSize(10, 10)));
    EXPECT_FALSE(sheet->SetSplitterOptions(false, false, false));
    EXPECT_FALSE(sheet->SetIsResizable(false));
    EXPECT_TRUE(sheet->SetTreePaneWidth(190)); // stored for a resizable sheet
}

TEST_F(ResizableSheet, InTreeModeTheSplitterFillsTheSpaceAndThePageFollowsTheFrame) {
    auto sheet = shown({"General", "Network::Proxy"}, [](TestSheet& s) { s.SetTreeViewMode(true, true, false); });
    auto* splitter = sheet->findChild<CTreePropSheetSplitter*>("idc_59648");
    ASSERT_NE(splitter, nullptr);
    ASSERT_EQ(sheet->GetSplitterBar(), splitter);
    QWidget* tree = sheet->findChild<QWidget*>("idc_32494");
    QWidget* frame = sheet->findChild<QWidget*>("idc_65535");
    ASSERT_TRUE(tree && frame);
    EXPECT_EQ(splitter->geometry(), tree->geometry().united(frame->geometry()));
    EXPECT_EQ(splitter->proportions().isFrozen(0), true);

    const QSize before = sheet->size();
    const QRect treeRect = tree->geometry();
    const QRect frameRect = frame->geometry();
    const QRect page = sheet->page(0).geometry();
    const auto buttons = cornerPlaces(*sheet, {1, 2, 0x3021});
    resizeSheet(*sheet, before + QSize(100, 50));
    EXPECT_EQ(tree->geometry(), grown(treeRect, QSize(0, 50))); // the tree keeps its width
    EXPECT_EQ(frame->geometry(), grown(frameRect, QSize(100, 50)));
    EXPECT_EQ(sheet->page(0).geometry(), grown(page, QSize(100, 50)));
    EXPECT_EQ(cornerPlaces(*sheet, {1, 2, 0x3021}), buttons);
    EXPECT_FALSE(sheet->GetTabControl()->isVisible());
    testsupport::saveRendering(*sheet, "tree-enlarged");

    // Dragging the bar: the frame and its page follow the mouse.
    const int bar = tree->geometry().right() + 3;
    mouse(splitter, QEvent::MouseButtonPress, bar);
    mouse(splitter, QEvent::MouseMove, bar + 40);
    mouse(splitter, QEvent::MouseButtonRelease, bar + 40);
    QCoreApplication::processEvents();
    EXPECT_EQ(tree->width(), treeRect.width() + 40);
    EXPECT_EQ(frame->x(), frameRect.x() + 40);
    EXPECT_EQ(sheet->page(0).x(), page.x() + 40);
    EXPECT_EQ(sheet->page(0).width(), page.width() + 60);

    // The other options: a tree that grows with the sheet, a bar that cannot be dragged.
    auto other = shown({"General"}, [](TestSheet& s) {
        s.SetTreeViewMode(true, false, false);
        s.SetSplitterOptions(false, true, false);
    });
    auto* fixedBar = other->findChild<CTreePropSheetSplitter*>("idc_59648");
    ASSERT_NE(fixedBar, nullptr);
    EXPECT_EQ(fixedBar->cursor().shape(), Qt::ArrowCursor);
    QWidget* otherTree = other->findChild<QWidget*>("idc_32494");
    const int width = otherTree->width();
    resizeSheet(*other, other->size() + QSize(200, 0));
    EXPECT_GT(otherTree->width(), width);
}

} // namespace
