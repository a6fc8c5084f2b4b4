// The tree property sheet in tree mode: the page tree built from caption paths beside the page
// frame, selection with refusals and items without page, jump-over and its arrow keys, page
// cycling along the tree, greyed items, and the tree following added and removed pages.
#include "ControlsPalette.h"
#include "SheetTestKit.h"
#include "controls/PropPageFrame.h"
#include "controls/TreePropSheetTreeCtrl.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

using sheettest::FieldPage;
using sheettest::SheetTest;
using sheettest::TestSheet;
using TreePropSheet::CPropPageFrameEx;
using TreePropSheet::CTreePropSheetTreeCtrl;

namespace {

CTreePropSheetTreeCtrl* treeOf(QWidget& sheet) {
    return sheet.findChild<CTreePropSheetTreeCtrl*>("idc_32494");
}

CPropPageFrameEx* frameOf(QWidget& sheet) {
    return sheet.findChild<CPropPageFrameEx*>("idc_65535");
}

// The item at a path of texts from a root.
QTreeWidgetItem* itemAt(QTreeWidget* tree, std::initializer_list<const char*> path) {
    QTreeWidgetItem* item = nullptr;
    for (const char* text : path) {
        QTreeWidgetItem* found = nullptr;
        const int count = item ? item->childCount() : tree->topLevelItemCount();
        for (int i = 0; i < count && !found; ++i) {
            QTreeWidgetItem* child = item ? item->child(i) : tree->topLevelItem(i);
            if (child->text(0) == QLatin1String(text))
                found = child;
        }
        if (!found)
            return nullptr;
        item = found;
    }
    return item;
}

std::vector<QString> childTexts(QTreeWidget* tree, QTreeWidgetItem* item) {
    std::vector<QString> texts;
    const int count = item ? item->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count; ++i)
        texts.push_back((item ? item->child(i) : tree->topLevelItem(i))->text(0));
    return texts;
}

void click(QTreeWidget* tree, QTreeWidgetItem* item) {
    ASSERT_NE(item, nullptr);
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

// Grey pixels of medium brightness (the greyed text) in `rect` of `image`.
int greyPixels(const QImage& image, const QRect& rect) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - c.green()) < 8 && std::abs(c.green() - c.blue()) < 8 && c.red() >= 90 &&
                c.red() <= 130)
                ++count;
        }
    return count;
}

// The darkest channel value in `rect`.
int darkest(const QImage& image, const QRect& rect) {
    int least = 255;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            least = std::min({least, c.red(), c.green(), c.blue()});
        }
    return least;
}

const std::vector<QString> kNetworkPages = {"General", "Network", "Network::Proxy", "Network::Dial\\::Up",
                                            "Tools::Backup"};

auto treeMode(bool captions, bool jumpOver = false) {
    return [captions, jumpOver](TestSheet& sheet) {
        sheet.SetTreeViewMode(true, captions, false);
        sheet.SetIsResizable(false);
        sheet.SetExpandAllItems(true);
        sheet.SetJumpOverEmptyItems(jumpOver);
    };
}

using TreeModeSheet = SheetTest;

TEST_F(TreeModeSheet, PagePathsBecomeTheTreeBesideTheFrame) {
    auto sheet = shown({"General", "Network::Proxy", "Network::Dial\\::Up", "A\\\\::B"}, treeMode(true));
    CTreePropSheetTreeCtrl* tree = treeOf(*sheet);
    CPropPageFrameEx* frame = frameOf(*sheet);
    ASSERT_NE(tree, nullptr);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(tree->windowTitle(), "PageTree");
    EXPECT_FALSE(sheet->GetTabControl()->isVisible());

    EXPECT_EQ(childTexts(tree, nullptr), (std::vector<QString>{"General", "Network", "A\\"}));
    EXPECT_EQ(childTexts(tree, itemAt(tree, {"Network"})), (std::vector<QString>{"Proxy", "Dial::Up"}));
    EXPECT_EQ(childTexts(tree, itemAt(tree, {"A\\"})), (std::vector<QString>{"B"}));
    // Page items hold their page's index, the others none.
    EXPECT_EQ(itemAt(tree, {"Network", "Dial::Up"})->data(0, Qt::UserRole).toInt(), 2);
    EXPECT_EQ(itemAt(tree, {"Network"})->data(0, Qt::UserRole).toInt(), -1);

    // The tree on the left of the frame, the caption as high as a tab, the page below it.
    EXPECT_EQ(tree->width(), 145);
    EXPECT_EQ(frame->x() - tree->x(), 150);
    EXPECT_EQ(tree->height(), frame->height());
    QTabBar probe;
    probe.addTab(QString());
    EXPECT_TRUE(frame->GetCaptionVisible());
    EXPECT_EQ(frame->GetCaptionBarHeight(), probe.tabRect(0).height());
    const QRect page = sheet->page(0).geometry();
    EXPECT_TRUE(frame->geometry().contains(page));
    EXPECT_GT(page.top(), frame->y() + frame->GetCaptionBarHeight());
    // The page lies on top of the frame.
    const auto onTop = [&](FieldPage& shownPage) {
        QWidget* at = sheet->childAt(shownPage.geometry().center());
        return at == &shownPage || shownPage.isAncestorOf(at);
    };
    EXPECT_TRUE(onTop(sheet->page(0)));
    EXPECT_EQ(tree->currentItem(), itemAt(tree, {"General"}));
    testsupport::saveRendering(*sheet, "with-captions");

    click(tree, itemAt(tree, {"Network", "Proxy"}));
    EXPECT_EQ(sheet->GetActiveIndex(), 1);
    EXPECT_TRUE(sheet->page(1).isVisible());
    EXPECT_FALSE(sheet->page(0).isVisible());
    EXPECT_EQ(sheet->page(1).geometry(), page);
    EXPECT_TRUE(onTop(sheet->page(1)));
    EXPECT_TRUE(tree->hasFocus()); // the tree keeps the focus

    // Without captions the frame starts at the tree's top and the page close below it.
    auto plain = shown({"General"}, treeMode(false));
    CPropPageFrameEx* plainFrame = frameOf(*plain);
    EXPECT_FALSE(plainFrame->GetCaptionVisible());
    EXPECT_EQ(plainFrame->y(), treeOf(*plain)->y());
    EXPECT_LT(plain->page(0).y() - plainFrame->y(), plainFrame->GetCaptionBarHeight());
    EXPECT_LT(plain->height(), sheet->height());
    testsupport::saveRendering(*plain, "without-captions");
}

TEST_F(TreeModeSheet, APageThatRefusesToGoKeepsTheSelectionAndItemsWithoutPageShowTheMessage) {
    auto sheet = shown({"General", "Network::Proxy"}, [](TestSheet& s) {
        treeMode(true)(s);
        s.SetNoPageMessage("No page for %s (100%%), %d stays");
    });
    CTreePropSheetTreeCtrl* tree = treeOf(*sheet);
    QTreeWidgetItem* general = itemAt(tree, {"General"});
    sheet->page(0).refuseLeave = true;
    for (QTreeWidgetItem* other : {itemAt(tree, {"Network", "Proxy"}), itemAt(tree, {"Network"})}) {
        click(tree, other);
        EXPECT_EQ(tree->currentItem(), general);
        EXPECT_EQ(tree->selectedItems(), QList<QTreeWidgetItem*>{general});
        EXPECT_EQ(sheet->GetActiveIndex(), 0);
        EXPECT_TRUE(sheet->page(0).isVisible());
    }

    sheet->page(0).refuseLeave = false;
    click(tree, itemAt(tree, {"Network"}));
    EXPECT_EQ(tree->currentItem(), itemAt(tree, {"Network"}));
    EXPECT_FALSE(sheet->page(0).isVisible());
    EXPECT_EQ(frameOf(*sheet)->GetMessageText(), "No page for Network (100%), %d stays");
    testsupport::saveRendering(*sheet, "no-page");

    // Back on the page's item the page shows again.
    click(tree, general);
    EXPECT_TRUE(sheet->page(0).isVisible());
    EXPECT_EQ(sheet->GetActiveIndex(), 0);
}

TEST_F(TreeModeSheet, JumpOverSelectsTheFirstSelectableItemBelowAndTheArrowsSkipEmptyItems) {
    auto sheet = shown(kNetworkPages, treeMode(true, true));
    CTreePropSheetTreeCtrl* tree = treeOf(*sheet);
    tree->setFocus();
    const auto current = [tree] { return tree->currentItem() ? tree->currentItem()->text(0) : QString(); };

    tree->setCurrentItem(itemAt(tree, {"Tools"}));
    EXPECT_EQ(current(), "Backup");
    EXPECT_EQ(sheet->GetActiveIndex(), 4);

    struct Step {
        Qt::Key key;
        const char* item;
    };
    const Step steps[] = {
        {Qt::Key_Up, "Dial::Up"},  // depth first, backwards
        {Qt::Key_Down, "Backup"},  // "Tools" has no page: skipped
        {Qt::Key_Left, "Backup"},  // no ancestor with a page
        {Qt::Key_Up, "Dial::Up"},  //
        {Qt::Key_Left, "Network"}, // the nearest ancestor with a page
        {Qt::Key_Left, "Network"}, // collapses it
        {Qt::Key_Right, "Network"}, // expands it
        {Qt::Key_Right, "Proxy"},   // its first child with a page
    };
    for (const Step& step : steps) {
        QTest::keyClick(tree, step.key);
        EXPECT_EQ(current(), step.item) << QTest::toString(step.key);
    }
    EXPECT_EQ(sheet->GetActiveIndex(), 2);

    // A disabled page cannot be selected: the jump goes past it.
    tree->setCurrentItem(itemAt(tree, {"General"}));
    ASSERT_TRUE(sheet->EnablePage(&sheet->page(2), false));
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(current(), "Network");
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(current(), "Dial::Up");
    click(tree, itemAt(tree, {"Network", "Proxy"}));
    EXPECT_EQ(current(), "Dial::Up");
}

TEST_F(TreeModeSheet, PageCyclingFollowsTheTreeAndEndsWhenNothingElseQualifies) {
    auto sheet = shown(kNetworkPages, treeMode(false));
    CTreePropSheetTreeCtrl* tree = treeOf(*sheet);
    QWidget* focus = sheet->page(0).field();
    focus->setFocus();
    // General, Network, Proxy, Dial::Up, (Tools has no page), Backup, and round again.
    for (int page : {1, 2, 3, 4, 0}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(sheet->GetActiveIndex(), page);
        ASSERT_NE(tree->currentItem(), nullptr);
        EXPECT_EQ(tree->currentItem()->data(0, Qt::UserRole).toInt(), page);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(sheet->GetActiveIndex(), 4);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(sheet->GetActiveIndex(), 0);

    // Every other page disabled: one round, nothing changes.
    for (int page = 1; page < 5; ++page)
        ASSERT_TRUE(sheet->EnablePage(&sheet->page(page), false));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(sheet->GetActiveIndex(), 0);
    EXPECT_EQ(tree->currentItem(), itemAt(tree, {"General"}));
    // Disabling the active page with no enabled page left changes nothing either.
    EXPECT_TRUE(sheet->EnablePage(&sheet->page(0), false));
    EXPECT_TRUE(sheet->IsPageEnabled(&sheet->page(0)));

    // Disabling the active page moves to the next enabled page in the tree's order.
    ASSERT_TRUE(sheet->EnablePage(&sheet->page(3), true));
    EXPECT_TRUE(sheet->EnablePage(&sheet->page(0), false));
    EXPECT_EQ(sheet->GetActiveIndex(), 3);
    EXPECT_EQ(tree->currentItem(), itemAt(tree, {"Network", "Dial::Up"}));
}

TEST_F(TreeModeSheet, GreyedItemsArePaintedInTheirColourUnlessSelected) {
    controlstest::FixedPalette palette;
    auto sheet = shown({"General", "Network", "Tools"}, [](TestSheet& s) {
        treeMode(false)(s);
        s.m_bBlockDisabledPages = false; // so that a greyed item can be selected
    });
    CTreePropSheetTreeCtrl* tree = treeOf(*sheet);
    QTreeWidgetItem* network = itemAt(tree, {"Network"});
    QTreeWidgetItem* tools = itemAt(tree, {"Tools"});
    ASSERT_TRUE(sheet->EnablePage(&sheet->page(1), false));
    EXPECT_EQ(tree->itemColour(network), GetSysColor(COLOR_GRAYTEXT));
    EXPECT_FALSE(tree->itemColour(tools).has_value());

    const auto text = [tree](QTreeWidgetItem* item) { return tree->visualItemRect(item).translated(tree->viewport()->pos()); };
    QImage image = tree->grab().toImage();
    testsupport::saveRendering(image, "greyed");
    EXPECT_GT(darkest(image, text(network)), 90);
    EXPECT_GT(greyPixels(image, text(network)), 10);
    EXPECT_LT(darkest(image, text(tools)), 40);

    click(tree, network);
    ASSERT_EQ(tree->currentItem(), network);
    image = tree->grab().toImage();
    testsupport::saveRendering(image, "greyed-selected");
    EXPECT_EQ(greyPixels(image, text(network)), 0);

    // Enabled again: the tree's own colour, no entry kept.
    ASSERT_TRUE(sheet->EnablePage(&sheet->page(1), true));
    EXPECT_FALSE(tree->itemColour(network).has_value());
}

TEST_F(TreeModeSheet, ItemsShowTheTabIconsOrTheFallbackIcons) {
    const auto square = [](QColor colour) {
        QPixmap pixmap(16, 16);
        pixmap.fill(colour);
        return QIcon(pixmap);
    };
    const auto colourOf = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage().pixelColor(8, 8); };
    TestSheet sheet(fakes->bundle(), {"General", "Network::Proxy"}, [&](TestSheet& s) {
        s.SetTreeViewMode(true, true, true);
        s.SetIsResizable(false);
        s.SetExpandAllItems(true);
        s.m_FallbackIcons = {square(Qt::darkRed), square(Qt::darkYellow)}; // no page, no tab icon
    });
    sheet.page(0).SetIcon(square(Qt::darkGreen));
    sheet.show();
    CTreePropSheetTreeCtrl* tree = treeOf(sheet);
    EXPECT_EQ(colourOf(itemAt(tree, {"General"})->icon(0)), QColor(Qt::darkGreen));
    EXPECT_EQ(colourOf(itemAt(tree, {"Network"})->icon(0)), QColor(Qt::darkRed));
    EXPECT_EQ(colourOf(itemAt(tree, {"Network", "Proxy"})->icon(0)), QColor(Qt::darkYellow));
    // The caption shows the selected item's icon.
    EXPECT_EQ(frameOf(sheet)->captionIcons().GetImageCount(), 1);
    testsupport::saveRendering(sheet, "tree-icons");
}

TEST_F(TreeModeSheet, TheTreeFollowsAddedAndRemovedPages) {
    auto sheet = shown({"General", "Network::Proxy"}, treeMode(true));
    CTreePropSheetTreeCtrl* tree = treeOf(*sheet);
    sheet->addFieldPage("Network::Dial\\::Up");
    EXPECT_EQ(childTexts(tree, itemAt(tree, {"Network"})), (std::vector<QString>{"Proxy", "Dial::Up"}));
    click(tree, itemAt(tree, {"Network", "Proxy"}));
    ASSERT_EQ(sheet->GetActiveIndex(), 1);

    sheet->RemovePage(&sheet->page(1));
    EXPECT_EQ(childTexts(tree, itemAt(tree, {"Network"})), (std::vector<QString>{"Dial::Up"}));
    ASSERT_NE(sheet->GetActivePage(), nullptr);
    EXPECT_EQ(tree->currentItem()->data(0, Qt::UserRole).toInt(), sheet->GetActiveIndex());
    EXPECT_TRUE(sheet->GetActivePage()->isVisible());

    sheet->dropPage(2); // the page object goes away
    EXPECT_EQ(itemAt(tree, {"Network"}), nullptr);
    EXPECT_EQ(childTexts(tree, nullptr), std::vector<QString>{"General"});
    EXPECT_EQ(sheet->GetPageCount(), 1);
}

TEST_F(TreeModeSheet, RightClicksOverTreeAndFrameOpenNoMenu) {
    auto sheet = shown({"General"}, treeMode(true));
    sheet->setWhatsThis("Program options"); // what the dialog's own menu would offer
    const auto menuAt = [&](QPoint at) { return sheettest::menuAfterRightClick(sheet.get(), at); };
    EXPECT_FALSE(menuAt(treeOf(*sheet)->geometry().center()));
    EXPECT_FALSE(menuAt(frameOf(*sheet)->geometry().center()));
    EXPECT_TRUE(menuAt(QPoint(3, sheet->height() - 3)));
    sheet->SetRightClickMode(2);
    EXPECT_FALSE(menuAt(QPoint(3, sheet->height() - 3)));
}

} // namespace
