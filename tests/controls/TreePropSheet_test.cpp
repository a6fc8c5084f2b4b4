#include "SheetTestKit.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSizeGrip>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using TreePropSheet::CTreePropSheetEx;

namespace {

using sheettest::menuAfterRightClick;
using sheettest::TestSheet;

const std::vector<QString> kCaptions = {"General", "Connection", "Advanced"};

// The options sheet's shape: tabs, not resizable.
void tabbedOptions(TestSheet& sheet) {
    sheet.SetTreeViewMode(false, false, false);
    sheet.SetIsResizable(false);
}

std::vector<QString> firstCaptions(int pages) {
    return std::vector<QString>(kCaptions.begin(), kCaptions.begin() + pages);
}

QIcon squareIcon(QColor colour) {
    QPixmap pixmap(32, 32);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

class TreePropSheetTest : public sheettest::SheetTest {
protected:
    std::unique_ptr<TestSheet> shownSheet(int pages) { return shown(firstCaptions(pages), tabbedOptions); }
};

TEST_F(TreePropSheetTest, CtrlTabAndCtrlPageKeysCycleThroughThePagesWrappingRound) {
    auto sheet = shownSheet(3);
    ASSERT_TRUE(sheet->SetActivePage(2));
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    };
    const Step steps[] = {
        {Qt::Key_Tab, Qt::ControlModifier, 0},      {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 2},
        {Qt::Key_PageDown, Qt::ControlModifier, 0}, {Qt::Key_PageDown, Qt::ControlModifier, 1},
        {Qt::Key_PageUp, Qt::ControlModifier, 0},   {Qt::Key_PageUp, Qt::ControlModifier, 2},
    };
    for (const Step& step : steps) {
        QWidget* focus = sheet->page(sheet->GetActiveIndex()).field();
        QTest::keyClick(focus, step.key, step.modifiers);
        EXPECT_EQ(sheet->GetActiveIndex(), step.page);
        EXPECT_EQ(sheet->GetTabControl()->currentIndex(), step.page);
    }
    // A page that refuses to be left keeps the keys from moving on.
    sheet->page(2).refuseLeave = true;
    QTest::keyClick(sheet->page(2).field(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(sheet->GetActiveIndex(), 2);
}

TEST_F(TreePropSheetTest, EditingKeysStillWorkInThePagesFields) {
    auto sheet = shownSheet(2);
    QLineEdit* field = sheet->page(0).field();
    field->setFocus();
    struct Case {
        const char* what;
        Qt::Key key;
        std::function<void()> before;
        std::function<void()> check;
    };
    QClipboard* clipboard = QGuiApplication::clipboard();
    const Case cases[] = {
        {"Ctrl+A", Qt::Key_A, [&] { field->setText("Northwind"); },
         [&] { EXPECT_EQ(field->selectedText(), "Northwind"); }},
        {"Ctrl+C", Qt::Key_C,
         [&] {
             field->setText("Northwind");
             field->selectAll();
             clipboard->clear();
         },
         [&] { EXPECT_EQ(clipboard->text(), "Northwind"); }},
        {"Ctrl+X", Qt::Key_X,
         [&] {
             field->setText("Contoso");
             field->selectAll();
         },
         [&] {
             EXPECT_EQ(clipboard->text(), "Contoso");
             EXPECT_EQ(field->text(), "");
         }},
        {"Ctrl+V", Qt::Key_V,
         [&] {
             field->clear();
             clipboard->setText("Fabrikam");
         },
         [&] { EXPECT_EQ(field->text(), "Fabrikam"); }},
        {"Ctrl+Z", Qt::Key_Z,
         [&] {
             field->setText("first");
             QTest::keyClick(field, Qt::Key_X);
         },
         [&] { EXPECT_EQ(field->text(), "first"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.before();
        QTest::keyClick(field, c.key, Qt::ControlModifier);
        c.check();
        EXPECT_EQ(sheet->GetActiveIndex(), 0);
    }
}

TEST_F(TreePropSheetTest, TheOptionsSheetHasNoHelpButtonAndKeepsItsSize) {
    auto sheet = shownSheet(3);
    EXPECT_EQ(sheet->findChild<QWidget*>("idc_9"), nullptr);
    ASSERT_NE(sheet->findChild<QWidget*>("idc_1"), nullptr);
    ASSERT_NE(sheet->findChild<QWidget*>("idc_12321"), nullptr);
    EXPECT_FALSE(sheet->IsResizable());
    EXPECT_EQ(sheet->minimumSize(), sheet->maximumSize());
    EXPECT_EQ(sheet->findChild<QSizeGrip*>(), nullptr);
    const QSize size = sheet->size();
    sheet->resize(size + QSize(100, 50));
    EXPECT_EQ(sheet->size(), size);

    // F1 belongs to the active page.
    QTest::keyClick(sheet->page(0).field(), Qt::Key_F1);
    EXPECT_EQ(sheet->page(0).helpRequests, 1);

    // Mode, resizing and tree width are fixed once the window exists.
    EXPECT_FALSE(sheet->SetTreeViewMode(true, true, true));
    EXPECT_FALSE(sheet->IsTreeViewMode());
    EXPECT_FALSE(sheet->SetIsResizable(true));
    EXPECT_FALSE(sheet->SetTreePaneWidth(200));
    CTreePropSheetEx resizable(1, "Resizable", fakes->bundle());
    EXPECT_TRUE(resizable.SetTreePaneWidth(180));
    EXPECT_FALSE(resizable.SetTreePaneWidth(-1));
    resizable.show();
    EXPECT_TRUE(resizable.SetTreePaneWidth(200)); // a resizable sheet still takes the width
    EXPECT_EQ(resizable.GetTreePaneWidth(), 200);
}

TEST_F(TreePropSheetTest, DisablingTheActivePageShowsTheNextEnabledPage) {
    auto two = shownSheet(2);
    sheettest::FieldPage& first = two->page(0);
    EXPECT_TRUE(two->EnablePage(&first, false));
    EXPECT_EQ(two->GetActiveIndex(), 1);
    EXPECT_FALSE(first.isEnabled());
    EXPECT_FALSE(two->IsPageEnabled(&first));
    // The only other page is disabled: the active page stays enabled and shown.
    EXPECT_TRUE(two->EnablePage(&two->page(1), false));
    EXPECT_EQ(two->GetActiveIndex(), 1);
    EXPECT_TRUE(two->IsPageEnabled(&two->page(1)));
    EXPECT_TRUE(two->EnablePage(&first, true));
    EXPECT_TRUE(first.isEnabled());

    auto one = shownSheet(1);
    EXPECT_TRUE(one->EnablePage(&one->page(0), false));
    EXPECT_EQ(one->GetActiveIndex(), 0);
    EXPECT_TRUE(one->page(0).isEnabled());

    // Only the sheet's own pages, and no entry outlives its page.
    EXPECT_FALSE(one->EnablePage(&two->page(0), false));
    EXPECT_EQ(one->enabledEntries(), 1u);
    auto three = shownSheet(3);
    three->EnablePage(&three->page(1), false);
    three->EnablePage(&three->page(2), false);
    EXPECT_EQ(three->enabledEntries(), 2u);
    three->RemovePage(&three->page(1));
    three->dropPage(2);
    EXPECT_EQ(three->enabledEntries(), 0u);
    EXPECT_EQ(three->GetPageCount(), 1);
}

TEST_F(TreePropSheetTest, ARightClickOnTheSheetOpensNoMenuButControlsKeepTheirs) {
    auto sheet = shownSheet(2);
    sheet->setWhatsThis("Program options"); // what the dialog's own menu would offer
    const QPoint corner(5, sheet->height() - 5);
    EXPECT_FALSE(menuAfterRightClick(sheet.get(), corner)); // mode 1, the default
    EXPECT_TRUE(menuAfterRightClick(sheet->page(0).field(), QPoint(5, 5)));
    sheet->SetRightClickMode(2);
    EXPECT_FALSE(menuAfterRightClick(sheet.get(), corner));
    sheet->SetRightClickMode(0);
    EXPECT_TRUE(menuAfterRightClick(sheet.get(), corner)); // the dialog's own handling
}

TEST_F(TreePropSheetTest, TabsShowEveryPageIconOrNone) {
    {
        TestSheet sheet(fakes->bundle(), firstCaptions(3), tabbedOptions);
        sheet.page(0).SetIcon(squareIcon(Qt::darkGreen));
        sheet.page(1).SetIcon(squareIcon(Qt::darkBlue));
        sheet.show();
        QTabWidget* tabs = sheet.GetTabControl();
        EXPECT_EQ(tabs->iconSize(), QSize(16, 16));
        EXPECT_EQ(tabs->tabIcon(0).pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::darkGreen));
        EXPECT_FALSE(tabs->tabIcon(1).isNull());
        EXPECT_TRUE(tabs->tabIcon(2).isNull()); // a page without icon
        testsupport::saveRendering(sheet, "with-icons");
    }
    TestSheet sheet(fakes->bundle(), firstCaptions(2), tabbedOptions);
    sheet.page(0).SetIcon(squareIcon(Qt::darkGreen));
    sheet.page(1).SetIcon(QIcon()); // an icon that cannot be used
    sheet.show();
    EXPECT_TRUE(sheet.GetTabControl()->tabIcon(0).isNull());
    EXPECT_TRUE(sheet.GetTabControl()->tabIcon(1).isNull());
}

} // namespace
