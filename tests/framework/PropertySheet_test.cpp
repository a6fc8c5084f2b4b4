#include "framework/PropertyPage.h"
#include "framework/PropertySheet.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QFormLayout>
#include <QApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr unsigned IDC_NAME = 1001;
constexpr unsigned IDC_NUMBER = 1002;

// A page with a name and a whole number that records the protocol's calls.
class RecordingPage : public PropertyPage {
public:
    RecordingPage(unsigned id, const char* caption, Services services) : PropertyPage(id, std::move(services)) {
        setWindowTitle(caption);
        auto* form = new QFormLayout(this);
        form->addRow("Name:", withId(new QLineEdit, IDC_NAME));
        form->addRow("Number:", withId(new QLineEdit, IDC_NUMBER));
    }

    std::string m_strName;
    int m_nNumber = 0;
    std::vector<std::string> calls;
    bool refuseApply = false;
    bool refuseCancel = false;
    bool refuseActivation = false;

    QLineEdit* edit(unsigned id) const { return control<QLineEdit>(id); }

    bool OnSetActive() override {
        calls.push_back("set");
        return !refuseActivation && PropertyPage::OnSetActive();
    }
    bool OnKillActive() override {
        calls.push_back("kill");
        return PropertyPage::OnKillActive();
    }
    bool OnApply() override {
        calls.push_back("apply");
        return !refuseApply && PropertyPage::OnApply();
    }
    bool OnQueryCancel() override {
        calls.push_back("query cancel");
        return !refuseCancel;
    }
    void OnReset() override { calls.push_back("reset"); }
    int OnWizardNext() override {
        calls.push_back("next");
        return PropertyPage::OnWizardNext();
    }
    bool OnWizardFinish() override {
        calls.push_back("finish");
        return true;
    }
    bool OnHelpInfo() override {
        calls.push_back("help");
        return true;
    }

protected:
    bool OnInitDialog() override {
        calls.push_back("init");
        return PropertyPage::OnInitDialog();
    }
    void DoDataExchange(DataExchange& dx) override {
        DDX_Text(dx, IDC_NAME, m_strName);
        DDX_Text(dx, IDC_NUMBER, m_nNumber);
    }
};

// Three pages as members, as the program's sheets hold them.
class ThreePageSheet : public PropertySheet {
public:
    explicit ThreePageSheet(const Services& services) : PropertySheet(9100, "Properties", services) {
        for (RecordingPage* page : pages())
            AddPage(page);
    }
    RecordingPage general{9101, "General", services()};
    RecordingPage chart{9102, "Chart", services()};
    RecordingPage advanced{9103, "Advanced", services()};

    std::vector<RecordingPage*> pages() { return {&general, &chart, &advanced}; }
    QPushButton* button(unsigned id) const { return findChild<QPushButton*>(controlName(id)); }
    void clickTab(int index) {
        QTabBar* bar = GetTabControl()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
};

class PropertySheetTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fakes = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
    }
    void TearDown() override {
        fakes.reset();
        TempDirTest::TearDown();
    }
    std::unique_ptr<testsupport::FakeServices> fakes;
};

using Calls = std::vector<std::string>;

TEST_F(PropertySheetTest, PagesAreCreatedOnFirstActivationAndKeepTheirValuesBetweenVisits) {
    ThreePageSheet sheet(fakes->bundle());
    sheet.general.m_strName = "Northwind";
    sheet.chart.m_nNumber = 7;
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    EXPECT_EQ(sheet.objectName(), "dlg_9100");
    EXPECT_EQ(sheet.GetTabControl()->objectName(), "idc_12320");
    EXPECT_EQ(sheet.GetTabControl()->tabText(1), "Chart");
    EXPECT_EQ(sheet.general.calls, (Calls{"init", "set"}));
    EXPECT_FALSE(sheet.chart.IsCreated());
    EXPECT_EQ(sheet.general.edit(IDC_NAME)->text(), "Northwind");
    EXPECT_EQ(sheet.focusWidget(), sheet.general.edit(IDC_NAME));

    sheet.general.edit(IDC_NAME)->setText("Contoso");
    sheet.clickTab(1);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_EQ(sheet.general.m_strName, "Contoso"); // leaving a page saves it
    EXPECT_EQ(sheet.chart.calls, (Calls{"init", "set"}));
    EXPECT_EQ(sheet.chart.edit(IDC_NUMBER)->text(), "7");
    EXPECT_FALSE(sheet.general.isVisible());
    ASSERT_TRUE(sheet.chart.isVisible());
    EXPECT_EQ(sheet.chart.parentWidget(), &sheet);
    // The page lies exactly in the tab widget's page area.
    const auto* area = sheet.GetTabControl()->findChild<QStackedWidget*>();
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(sheet.chart.geometry(), QRect(area->mapTo(&sheet, QPoint(0, 0)), area->size()));

    sheet.general.m_strName = "Changed meanwhile";
    sheet.clickTab(0);
    EXPECT_EQ(sheet.general.edit(IDC_NAME)->text(), "Changed meanwhile"); // entering a page loads it
    EXPECT_FALSE(sheet.advanced.IsCreated());
    testsupport::saveRendering(sheet, "general");
}

// A page that builds its controls on its first activation: a list larger than the other page.
class LaterBuiltPage : public PropertyPage {
public:
    explicit LaterBuiltPage(Services services) : PropertyPage(9104, std::move(services)) { setWindowTitle("List"); }

protected:
    void BuildControls() override {
        auto* layout = new QFormLayout(this);
        auto* list = withId(new QLineEdit, IDC_NAME);
        list->setMinimumSize(900, 500);
        layout->addRow("List:", list);
    }
};

// The sheet opens at the size of the pages with controls, at least its minimum page size; a page
// built later that needs more grows it, and lies in the page area like any other.
TEST_F(PropertySheetTest, APageBuiltOnItsFirstActivationFitsTheSheet) {
    PropertySheet sheet(9100, "Properties", fakes->bundle());
    RecordingPage general(9101, "General", fakes->bundle());
    LaterBuiltPage later(fakes->bundle());
    sheet.AddPage(&general);
    sheet.AddPage(&later);
    sheet.SetMinimumPageSize(QSize(400, 300));
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    const auto* area = sheet.GetTabControl()->findChild<QStackedWidget*>();
    ASSERT_NE(area, nullptr);
    EXPECT_GE(area->width(), 400);
    EXPECT_GE(area->height(), 300);
    EXPECT_LT(area->width(), 900);
    EXPECT_FALSE(later.HasControls());
    EXPECT_TRUE(later.findChildren<QWidget*>().isEmpty());

    sheet.SetActivePage(1);
    ASSERT_EQ(sheet.GetActiveIndex(), 1);
    ASSERT_NE(later.control<QLineEdit>(IDC_NAME), nullptr);
    EXPECT_EQ(later.geometry(), QRect(area->mapTo(&sheet, QPoint(0, 0)), area->size()));
    EXPECT_EQ(later.size().expandedTo(later.minimumSizeHint()), later.size());
    EXPECT_TRUE(later.control<QLineEdit>(IDC_NAME)->isVisible());
    testsupport::saveRendering(sheet, "later");
}

// The sheet draws the frame around its pages itself, in bands: the pixels are those a plain tab
// widget of the same tabs and size draws, over a whole repaint and over one that cuts the frame.
TEST_F(PropertySheetTest, TheTabFrameLooksAsAPlainTabWidgetDrawsIt) {
    ThreePageSheet sheet(fakes->bundle());
    sheet.SetMinimumPageSize(QSize(420, 333)); // a height no band divides
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    QTabWidget* tabs = sheet.GetTabControl();
    QTabWidget plain;
    for (int i = 0; i < tabs->count(); ++i)
        plain.addTab(new QWidget, tabs->tabText(i));
    plain.resize(tabs->size());
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    const QImage expected = plain.grab().toImage();
    const struct {
        const char* name;
        QRect area;
    } cases[] = {
        {"whole", tabs->rect()},
        {"cut", QRect(5, 47, tabs->width() - 40, 101)},
    };
    for (const auto& c : cases) {
        const QImage drawn = tabs->grab(c.area).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage wanted = expected.copy(c.area).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(drawn.size(), wanted.size()) << c.name;
        int differing = 0;
        QPoint first(-1, -1);
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (drawn.pixel(x, y) != wanted.pixel(x, y) && differing++ == 0)
                    first = QPoint(x, y);
        EXPECT_EQ(differing, 0) << c.name << ", first at " << first.x() << "," << first.y() << ": "
                                << std::hex << (first.x() >= 0 ? drawn.pixel(first) : 0) << " for "
                                << (first.x() >= 0 ? wanted.pixel(first) : 0);
        if (differing) {
            testsupport::saveRendering(drawn, std::string("frame-") + c.name);
            testsupport::saveRendering(wanted, std::string("plain-") + c.name);
        }
    }
    testsupport::saveRendering(sheet, "frame");
}

// A page with a multi-line field, built on its first activation.
class NotePage : public PropertyPage {
public:
    explicit NotePage(Services services) : PropertyPage(9105, std::move(services)) { setWindowTitle("Note"); }

protected:
    void BuildControls() override {
        auto* layout = new QFormLayout(this);
        layout->addRow("Note:", withId(new QPlainTextEdit("a note"), IDC_NAME));
        layout->addRow("Number:", withId(new QLineEdit, IDC_NUMBER));
    }
};

// Ctrl+Tab and Ctrl+PageDown go to the next page, with Shift (or Ctrl+PageUp) to the previous
// one, around at both ends, wherever the focus lies -- also in a multi-line field, whose Tab
// moves on to the next control. A wizard keeps its page.
TEST_F(PropertySheetTest, CtrlTabAndCtrlPageDownChangePages) {
    ThreePageSheet sheet(fakes->bundle());
    NotePage note(fakes->bundle());
    sheet.AddPage(&note);
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    sheet.activateWindow();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    } steps[] = {
        {Qt::Key_Tab, Qt::ControlModifier, 1},
        {Qt::Key_PageDown, Qt::ControlModifier, 2},
        {Qt::Key_Tab, Qt::ControlModifier, 3},
        {Qt::Key_PageDown, Qt::ControlModifier, 0},
        {Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier, 3},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 2},
        {Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier, 1},
        {Qt::Key_PageUp, Qt::ControlModifier, 0},
    };
    for (const auto& step : steps) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        ASSERT_EQ(focus->window(), &sheet);
        QTest::keyClick(focus, step.key, step.modifiers);
        EXPECT_EQ(sheet.GetActiveIndex(), step.page) << QKeySequence(step.key | step.modifiers).toString().toStdString();
        EXPECT_EQ(sheet.GetTabControl()->currentIndex(), step.page);
    }

    // In the multi-line field: Tab moves on, Ctrl+Tab changes the page and adds nothing.
    ASSERT_TRUE(sheet.SetActivePage(&note));
    auto* field = note.control<QPlainTextEdit>(IDC_NAME);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), note.control<QLineEdit>(IDC_NUMBER));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_EQ(field->toPlainText(), "a note");
    sheet.close();

    ThreePageSheet wizard(fakes->bundle());
    wizard.SetWizardMode();
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    wizard.activateWindow();
    wizard.general.edit(IDC_NAME)->setFocus();
    QTest::keyClick(wizard.general.edit(IDC_NAME), Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(wizard.general.edit(IDC_NAME), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(wizard.GetActiveIndex(), 0);
}

TEST_F(PropertySheetTest, ARefusedValueKeepsThePage) {
    ThreePageSheet sheet(fakes->bundle());
    sheet.show();
    sheet.general.edit(IDC_NUMBER)->setText("abc");
    sheet.clickTab(2);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_EQ(sheet.GetTabControl()->currentIndex(), 0);
    EXPECT_FALSE(sheet.advanced.IsCreated());
    EXPECT_EQ(fakes->boxes->texts(), std::vector<std::string>{"Please enter an integer."});
    EXPECT_FALSE(sheet.SetActivePage(&sheet.advanced));

    // A page that does not accept its activation is not shown either.
    sheet.general.edit(IDC_NUMBER)->setText("5");
    sheet.advanced.refuseActivation = true;
    EXPECT_FALSE(sheet.SetActivePage(2));
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_TRUE(sheet.general.isVisible());
    sheet.advanced.refuseActivation = false;
    EXPECT_TRUE(sheet.SetActivePage(2));
    EXPECT_EQ(sheet.GetTabControl()->currentIndex(), 2);
}

TEST_F(PropertySheetTest, OkValidatesTheActivePageThenAppliesTheCreatedPages) {
    fakes->modal->on("dlg_9100", [](QDialog& d) {
        auto& sheet = static_cast<ThreePageSheet&>(d);
        sheet.clickTab(1);
        sheet.chart.edit(IDC_NUMBER)->setText("12.5");
        QTest::mouseClick(sheet.button(IDOK), Qt::LeftButton);
        EXPECT_TRUE(sheet.isVisible()); // refused: the sheet stays on the page
        EXPECT_EQ(sheet.GetActiveIndex(), 1);
        sheet.chart.edit(IDC_NUMBER)->setText("12");
        sheet.general.refuseApply = true; // a page that refuses becomes the active one
        QTest::mouseClick(sheet.button(IDOK), Qt::LeftButton);
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_EQ(sheet.GetActiveIndex(), 0);
        sheet.general.refuseApply = false;
        QTest::keyClick(sheet.general.edit(IDC_NAME), Qt::Key_Return); // Return is OK
    });
    ThreePageSheet sheet(fakes->bundle());
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(sheet.chart.m_nNumber, 12);
    EXPECT_EQ(sheet.chart.calls, (Calls{"init", "set", "kill", "kill", "apply"}));
    EXPECT_EQ(sheet.general.calls, (Calls{"init", "set", "kill", "apply", "set", "kill", "apply"}));
    EXPECT_TRUE(sheet.advanced.calls.empty()); // never shown: never created, never applied
    EXPECT_EQ(fakes->boxes->texts(), std::vector<std::string>{"Please enter an integer."});
}

TEST_F(PropertySheetTest, CancelAsksTheActivePageAndResetsTheCreatedPages) {
    fakes->modal->on("dlg_9100", [](QDialog& d) {
        auto& sheet = static_cast<ThreePageSheet&>(d);
        sheet.clickTab(2);
        sheet.advanced.edit(IDC_NAME)->setText("typed");
        sheet.advanced.edit(IDC_NUMBER)->setText("not a number"); // Cancel does not validate
        sheet.advanced.refuseCancel = true;
        QTest::keyClick(sheet.advanced.edit(IDC_NAME), Qt::Key_Escape);
        EXPECT_TRUE(sheet.isVisible());
        sheet.advanced.refuseCancel = false;
        QTest::mouseClick(sheet.button(IDCANCEL), Qt::LeftButton);
    });
    ThreePageSheet sheet(fakes->bundle());
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    EXPECT_EQ(sheet.advanced.m_strName, "");
    EXPECT_EQ(sheet.advanced.calls, (Calls{"init", "set", "query cancel", "query cancel", "reset"}));
    EXPECT_EQ(sheet.general.calls, (Calls{"init", "set", "kill", "reset"}));
    EXPECT_TRUE(sheet.chart.calls.empty());
    EXPECT_TRUE(fakes->boxes->texts().empty());
}

TEST_F(PropertySheetTest, ApplyIsEnabledWhileAPageIsModified) {
    ThreePageSheet sheet(fakes->bundle());
    sheet.show();
    QPushButton* apply = sheet.button(ID_APPLY_NOW);
    ASSERT_NE(apply, nullptr);
    EXPECT_FALSE(apply->isEnabled());
    sheet.clickTab(1);
    sheet.chart.edit(IDC_NUMBER)->setText("3");
    sheet.chart.SetModified();
    EXPECT_TRUE(apply->isEnabled());
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_FALSE(apply->isEnabled());
    EXPECT_FALSE(sheet.chart.IsModified());
    EXPECT_TRUE(sheet.isVisible()); // Apply does not end the sheet
    EXPECT_EQ(sheet.chart.m_nNumber, 3);
    EXPECT_EQ(sheet.general.calls, (Calls{"init", "set", "kill", "apply"}));

    // Apply refused by the active page's value: nothing is applied, Apply stays on.
    sheet.chart.edit(IDC_NUMBER)->setText("x");
    sheet.chart.SetModified();
    EXPECT_FALSE(sheet.OnApplyNow());
    EXPECT_TRUE(apply->isEnabled());
    EXPECT_EQ(sheet.general.calls.back(), "apply");
    EXPECT_EQ(sheet.general.calls.size(), 4u);
}

TEST_F(PropertySheetTest, TheHelpButtonAsksTheActivePage) {
    ThreePageSheet plain(fakes->bundle());
    plain.show();
    EXPECT_EQ(plain.button(IDHELP), nullptr);
    ThreePageSheet sheet(fakes->bundle());
    sheet.m_psh.dwFlags |= PSH_HASHELP;
    sheet.show();
    sheet.clickTab(1);
    ASSERT_NE(sheet.button(IDHELP), nullptr);
    QTest::mouseClick(sheet.button(IDHELP), Qt::LeftButton);
    EXPECT_EQ(sheet.chart.calls.back(), "help");
    EXPECT_EQ(sheet.general.calls, (Calls{"init", "set", "kill"}));
}

TEST_F(PropertySheetTest, PagesAndTheSheetMayEndInEitherOrder) {
    {
        // The pages outlive the sheet that showed them.
        RecordingPage first(9101, "First", fakes->bundle());
        RecordingPage second(9102, "Second", fakes->bundle());
        {
            PropertySheet sheet(9100, "Options", fakes->bundle());
            sheet.AddPage(&first);
            sheet.AddPage(&second);
            sheet.show();
            sheet.SetActivePage(1);
        }
        EXPECT_EQ(first.GetSheet(), nullptr);
        EXPECT_EQ(first.parentWidget(), nullptr);
        EXPECT_TRUE(second.IsCreated());
    }
    // A page that goes while the sheet shows it hands over to its neighbour.
    PropertySheet sheet(9100, "Options", fakes->bundle());
    auto first = std::make_unique<RecordingPage>(9101, "First", fakes->bundle());
    RecordingPage second(9102, "Second", fakes->bundle());
    sheet.AddPage(first.get());
    sheet.AddPage(&second);
    sheet.show();
    first.reset();
    EXPECT_EQ(sheet.GetPageCount(), 1);
    EXPECT_EQ(sheet.GetActivePage(), &second);
    EXPECT_TRUE(second.isVisible());
    EXPECT_EQ(sheet.GetTabControl()->count(), 1);
    EXPECT_EQ(sheet.GetTabControl()->tabText(0), "Second");

    // A page removed from the sheet keeps its values and can come back.
    RecordingPage third(9103, "Third", fakes->bundle());
    sheet.AddPage(&third);
    sheet.SetActivePage(&third);
    third.edit(IDC_NAME)->setText("kept");
    sheet.RemovePage(&third);
    EXPECT_EQ(sheet.GetActivePage(), &second);
    EXPECT_EQ(third.m_strName, "");
    EXPECT_EQ(third.GetSheet(), nullptr);
    EXPECT_EQ(third.edit(IDC_NAME)->text(), "kept");
}

class WizardSheet : public ThreePageSheet {
public:
    explicit WizardSheet(const Services& services) : ThreePageSheet(services) { SetWizardMode(); }
};

TEST_F(PropertySheetTest, AWizardGoesFromPageToPageAndEndsWithFinish) {
    fakes->modal->on("dlg_9100", [](QDialog& d) {
        auto& sheet = static_cast<WizardSheet&>(d);
        EXPECT_FALSE(sheet.GetTabControl()->isVisible());
        ASSERT_NE(sheet.findChild<QFrame*>("idc_12326"), nullptr);
        EXPECT_EQ(sheet.button(IDOK), nullptr);
        EXPECT_EQ(sheet.button(ID_APPLY_NOW), nullptr);
        QPushButton* next = sheet.button(ID_WIZNEXT);
        QTest::mouseClick(next, Qt::LeftButton);
        EXPECT_EQ(sheet.GetActiveIndex(), 1);
        sheet.chart.edit(IDC_NUMBER)->setText("nine");
        QTest::keyClick(sheet.chart.edit(IDC_NAME), Qt::Key_Return); // Return is Next: refused here
        EXPECT_EQ(sheet.GetActiveIndex(), 1);
        QTest::mouseClick(sheet.button(ID_WIZBACK), Qt::LeftButton); // Back does not validate
        EXPECT_EQ(sheet.GetActiveIndex(), 0);
        sheet.SetActivePage(1);
        sheet.chart.edit(IDC_NUMBER)->setText("9");
        QTest::mouseClick(next, Qt::LeftButton);
        EXPECT_EQ(sheet.GetActiveIndex(), 2);
        sheet.SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
        EXPECT_FALSE(next->isVisible());
        EXPECT_TRUE(sheet.button(ID_WIZFINISH)->isVisible());
        testsupport::saveRendering(sheet, "last-page");
        QTest::mouseClick(sheet.button(ID_WIZFINISH), Qt::LeftButton);
    });
    WizardSheet sheet(fakes->bundle());
    EXPECT_EQ(sheet.DoModal(), static_cast<int>(ID_WIZFINISH));
    EXPECT_EQ(sheet.chart.m_nNumber, 9);
    EXPECT_EQ(sheet.advanced.calls, (Calls{"init", "set", "kill", "finish"}));
}

} // namespace
