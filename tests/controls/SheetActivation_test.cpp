// How often a tree property sheet asks its pages to go and to show, in tab and in tree mode: every
// change of page asks the page that goes once and the page that comes once, whether the user
// clicks a tab or a tree item, cycles with Ctrl+Tab or the program chooses the page; adding and
// removing pages, and rebuilding the tree, ask none that stays.
#include "SheetTestKit.h"
#include "controls/TreePropSheetTreeCtrl.h"

#include <gtest/gtest.h>

#include <QTabBar>
#include <QTabWidget>

#include <memory>
#include <string>
#include <vector>

using sheettest::FieldPage;
using sheettest::SheetTest;
using TreePropSheet::CTreePropSheetTreeCtrl;

namespace {

using Calls = std::vector<std::string>;

// A page that writes each activation call, with its caption, into the sheet's log.
class CountingPage : public FieldPage {
public:
    CountingPage(unsigned id, const QString& caption, Services services, Calls& log)
        : FieldPage(id, caption, std::move(services)), m_log(log) {}
    bool OnSetActive() override {
        m_log.push_back(windowTitle().toStdString() + " set");
        return FieldPage::OnSetActive();
    }
    bool OnKillActive() override {
        m_log.push_back(windowTitle().toStdString() + " kill");
        return FieldPage::OnKillActive();
    }

private:
    Calls& m_log;
};

class CountingSheet : public TreePropSheet::CTreePropSheetEx {
public:
    CountingSheet(const Services& services, bool tree) : CTreePropSheetEx(32810, "Program Options", services) {
        SetTreeViewMode(tree, true, false);
        SetIsResizable(false);
        SetExpandAllItems(true);
        for (const char* caption : {"A", "B", "C"})
            add(caption);
    }
    CountingPage& add(const char* caption) {
        m_pages.push_back(std::make_unique<CountingPage>(107 + static_cast<unsigned>(m_pages.size()),
                                                         QString::fromLatin1(caption), services(), log));
        AddPage(m_pages.back().get());
        return *m_pages.back();
    }
    CountingPage& page(int i) { return *m_pages[static_cast<std::size_t>(i)]; }
    void destroyPage(int i) { m_pages[static_cast<std::size_t>(i)].reset(); }
    // The calls since the last look, forgotten then.
    Calls take() {
        Calls out;
        out.swap(log);
        return out;
    }
    Calls log;

private:
    std::vector<std::unique_ptr<CountingPage>> m_pages;
};

class SheetActivation : public SheetTest {
protected:
    std::unique_ptr<CountingSheet> open(bool tree) {
        auto sheet = std::make_unique<CountingSheet>(fakes->bundle(), tree);
        sheet->show();
        sheet->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(sheet.get()));
        EXPECT_EQ(sheet->take(), (Calls{"A set"}));
        return sheet;
    }
    static void ctrlTab(QWidget& sheet) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &sheet;
        QTest::keyClick(target, Qt::Key_Tab, Qt::ControlModifier);
    }
};

TEST_F(SheetActivation, EachTabChangeAsksBothPagesOnce) {
    auto sheet = open(false);
    QTabBar* bar = sheet->GetTabControl()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    EXPECT_EQ(sheet->GetActiveIndex(), 2);
    EXPECT_EQ(sheet->take(), (Calls{"A kill", "C set"}));

    ctrlTab(*sheet); // wraps round to the first page
    EXPECT_EQ(sheet->GetActiveIndex(), 0);
    EXPECT_EQ(sheet->take(), (Calls{"C kill", "A set"}));

    sheet->SetActivePage(1);
    EXPECT_EQ(bar->currentIndex(), 1);
    EXPECT_EQ(sheet->take(), (Calls{"A kill", "B set"}));

    // A page that refuses to go keeps its tab; asked once, the other page not at all.
    sheet->page(1).refuseLeave = true;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    EXPECT_EQ(sheet->GetActiveIndex(), 1);
    EXPECT_EQ(bar->currentIndex(), 1);
    EXPECT_EQ(sheet->take(), (Calls{"B kill"}));
    sheet->page(1).refuseLeave = false;

    // Pages added or taken away beside the active one ask nothing; the active one taken away
    // hands over to its neighbour without asking it to go.
    sheet->add("D");
    sheet->RemovePage(&sheet->page(0));
    EXPECT_EQ(sheet->take(), Calls{});
    EXPECT_EQ(bar->currentIndex(), sheet->GetActiveIndex());
    sheet->RemovePage(&sheet->page(1));
    EXPECT_EQ(sheet->take(), (Calls{"C set"}));
    EXPECT_EQ(bar->tabText(bar->currentIndex()), "C");

    // Once the sheet has closed, its pages going one by one (as members of a sheet that is being
    // destroyed do) ask none of the others to show.
    sheet->hide();
    sheet->destroyPage(2);
    sheet->destroyPage(3);
    EXPECT_EQ(sheet->take(), Calls{});
}

TEST_F(SheetActivation, EachTreeSelectionAsksBothPagesOnce) {
    auto sheet = open(true);
    auto* tree = sheet->findChild<CTreePropSheetTreeCtrl*>("idc_32494");
    ASSERT_NE(tree, nullptr);
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    const auto clickItem = [&](int row) {
        QTreeWidgetItem* item = tree->topLevelItem(row);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    };
    clickItem(2);
    EXPECT_EQ(sheet->GetActiveIndex(), 2);
    EXPECT_EQ(sheet->take(), (Calls{"A kill", "C set"}));
    clickItem(2); // the shown page again: nothing to ask
    EXPECT_EQ(sheet->take(), Calls{});

    ctrlTab(*sheet);
    EXPECT_EQ(sheet->GetActiveIndex(), 0);
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
    EXPECT_EQ(sheet->take(), (Calls{"C kill", "A set"}));

    sheet->SetActivePage(1);
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(1));
    EXPECT_EQ(sheet->take(), (Calls{"A kill", "B set"}));

    sheet->page(1).refuseLeave = true;
    clickItem(0);
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(1));
    EXPECT_EQ(sheet->take(), (Calls{"B kill"}));
    sheet->page(1).refuseLeave = false;

    // A page added rebuilds the tree; the active page stays, unasked.
    sheet->add("D");
    EXPECT_EQ(tree->topLevelItemCount(), 4);
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(1));
    EXPECT_EQ(sheet->take(), Calls{});
}

} // namespace
