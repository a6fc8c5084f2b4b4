// The five quotation dialogs as the user meets them, each run through the scripted modal runner:
// the quotation dialog's time rule on the fixed clock and its refusal of letters, the formula
// dialog's lists over an item's quotations, the multiply dialog's items, and the two delete
// dialogs' values. Each dialog is saved as a rendering.
#include "dialogs/DialogParts.h"
#include "dialogs/DlgDeleteMultipleQuotations.h"
#include "dialogs/DlgDeleteQuotationsInterval.h"
#include "dialogs/DlgFormula.h"
#include "dialogs/DlgKurs.h"
#include "dialogs/DlgMultiplyQuotations.h"
#include "dialogs/ImportDialogIds.h"
#include "portfolio/WPapierDoc.h"
#include "support/FakePortfolioHost.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

template <class W> W* child(QDialog& d, unsigned id) {
    W* w = d.findChild<W*>(Dialog::controlName(id));
    EXPECT_NE(w, nullptr) << "idc_" << id;
    return w;
}

void clickOk(QDialog& d) {
    QTest::mouseClick(child<QPushButton>(d, IDOK), Qt::LeftButton);
}

std::string timeShown(QDialog& d) {
    return child<QTimeEdit>(d, IDC_KURS_TIME)->time().toString("HH:mm:ss").toStdString();
}

class QuotationDialogsTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
    }
    void TearDown() override {
        EXPECT_EQ(services->modal->unusedSteps(), 0u);
        services.reset();
        TempDirTest::TearDown();
    }

    std::unique_ptr<testsupport::FakeServices> services; // the clock stands at 17 May 2024 12:00
};

// Showing the members proposes nothing; choosing a day does: today the current full hour, any
// other day 20:00:00. OK hands back the chosen day at the shown time.
TEST_F(QuotationDialogsTest, QuotationDialogProposesATimeForTheChosenDay) {
    CDlgKurs dialog(services->bundle());
    dialog.m_strItemName = "Acme";
    dialog.SetDateTime(OleDate(2024, 5, 10, 14, 35, 0));
    dialog.m_dClose = 12.5;
    services->modal->on("dlg_3214", [](QDialog& d) {
        EXPECT_EQ(child<QLabel>(d, IDC_ITEM_NAME)->text(), "Acme");
        EXPECT_EQ(child<QDateEdit>(d, IDC_KURS_DATE)->date(), QDate(2024, 5, 10));
        EXPECT_EQ(timeShown(d), "14:35:00");
        testsupport::saveRendering(d, "opened");

        auto* date = child<QDateEdit>(d, IDC_KURS_DATE);
        const std::pair<QDate, const char*> choices[] = {
            {QDate(2024, 5, 17), "12:00:00"},                                   // today
            {QDate(2024, 5, 16), "20:00:00"},                                   // yesterday
            {QDate(2024, 5, 17), "12:00:00"}, {QDate(2024, 5, 18), "20:00:00"}, // tomorrow
            {QDate(2023, 5, 17), "20:00:00"},                                   // today a year ago
        };
        for (const auto& [day, time] : choices) {
            date->setDate(day);
            EXPECT_EQ(timeShown(d), time) << day.toString().toStdString();
        }
        // By the keyboard: the picker's first section one up.
        date->setDate(QDate(2024, 5, 17));
        date->setFocus();
        date->setCurrentSectionIndex(0);
        QTest::keyClick(date, Qt::Key_Up);
        EXPECT_NE(date->date(), QDate(2024, 5, 17));
        EXPECT_EQ(timeShown(d), "20:00:00");
        child<QTimeEdit>(d, IDC_KURS_TIME)->setTime(QTime(9, 15, 30));
        date->setDate(QDate(2024, 2, 29));
        EXPECT_EQ(timeShown(d), "20:00:00");
        child<QTimeEdit>(d, IDC_KURS_TIME)->setTime(QTime(9, 15, 30));
        clickOk(d);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetDateTime().Format("%Y-%m-%d %H:%M:%S"), "2024-02-29 09:15:30");
    EXPECT_EQ(dialog.m_dClose, 12.5);
}

// The pickers show a moment in the short form the lists and pages write it in ("%x" and "%X" of the
// C locale; under the "C" locale of the tests "12/11/26" and "20:15:00"), and a two-digit year
// stepped or typed stays in its century.
TEST_F(QuotationDialogsTest, PickersShowTheShortFormOfTheLists) {
    const OleDate moments[] = {OleDate(2026, 12, 11, 20, 15, 0), OleDate(2024, 2, 29, 9, 5, 7),
                               OleDate(1999, 1, 5, 23, 59, 59)};
    for (const OleDate& moment : moments) {
        SCOPED_TRACE(moment.Format("%Y-%m-%d %H:%M:%S"));
        CDlgKurs dialog(services->bundle());
        dialog.SetDateTime(moment);
        services->modal->on("dlg_3214", [&](QDialog& d) {
            EXPECT_EQ(child<QDateEdit>(d, IDC_KURS_DATE)->text().toStdString(), moment.Format("%x"));
            EXPECT_EQ(child<QTimeEdit>(d, IDC_KURS_TIME)->text().toStdString(), moment.Format("%X"));
            EXPECT_EQ(child<QDateEdit>(d, IDC_KURS_DATE)->text().toStdString() + " " +
                          child<QTimeEdit>(d, IDC_KURS_TIME)->text().toStdString(),
                      moment.Format(OleDate::kUserDateTime));
            d.reject();
        });
        dialog.DoModal();
    }
    EXPECT_EQ(OleDate(2026, 12, 11, 0, 0, 0).Format("%x"), "12/11/26");

    CDlgKurs dialog(services->bundle());
    dialog.SetDateTime(OleDate(2026, 12, 11, 20, 0, 0));
    services->modal->on("dlg_3214", [&](QDialog& d) {
        auto* date = child<QDateEdit>(d, IDC_KURS_DATE);
        date->setFocus();
        date->setCurrentSection(QDateTimeEdit::YearSection);
        QTest::keyClick(date, Qt::Key_Up);
        EXPECT_EQ(date->date(), QDate(2027, 12, 11));
        date->setSelectedSection(QDateTimeEdit::YearSection);
        QTest::keyClicks(date, "31");
        EXPECT_EQ(date->date(), QDate(2031, 12, 11));
        d.reject();
    });
    dialog.DoModal();
}

// The pickers' formats come from the locale's strftime forms; a form a picker cannot show gives
// nothing (and the picker keeps Qt's own).
TEST(PickerFormats, StrftimeFormsBecomeDisplayFormats) {
    const std::pair<const char*, const char*> cases[] = {
        {"%m/%d/%y", "MM'/'dd'/'yy"},
        {"%d.%m.%Y", "dd'.'MM'.'yyyy"},
        {"%F", "yyyy-MM-dd"},
        {"%D", "MM/dd/yy"},
        {"%e %b %Y", "d' 'MMM' 'yyyy"},
        {"%d de %B", "dd' de 'MMMM"},
        {"%Ey/%Om", "yy'/'MM"},
        {"%T", "HH:mm:ss"},
        {"%r", "hh:mm:ss AP"},
        {"%I h %p", "hh' h 'AP"},
        {"%A, %d", "dddd', 'dd"},
        {"%Y'%m", "yyyy''''MM"},
        {"100%%", "'100%'"},
        {"%Q", ""},
        {"%d %", ""},
        {"%Y\xE5\xB9\xB4%m\xE6\x9C\x88", "yyyy'\xE5\xB9\xB4'MM'\xE6\x9C\x88'"},
    };
    for (const auto& [strftime, qt] : cases)
        EXPECT_EQ(displayFormatOfStrftime(strftime).toStdString(), qt) << strftime;
}

TEST_F(QuotationDialogsTest, QuotationDialogKeepsLettersOutOfItsValues) {
    CDlgKurs dialog(services->bundle());
    dialog.SetDateTime(OleDate(2024, 5, 17, 12, 0, 0));
    services->modal->on("dlg_3214", [](QDialog& d) {
        child<QLineEdit>(d, IDC_KURS_CLOSE)->setText("101.25");
        child<QLineEdit>(d, IDC_KURS_OPEN)->setText("99.5");
        child<QLineEdit>(d, IDC_KURS_HIGH)->setText("1O2"); // a letter O
        child<QLineEdit>(d, IDC_KURS_LOW)->setText("98");
        child<QLineEdit>(d, IDC_KURS_VOLUME)->setText("12000");
        clickOk(d);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.focusWidget(), child<QLineEdit>(d, IDC_KURS_HIGH));
        testsupport::saveRendering(d, "refused");
        child<QLineEdit>(d, IDC_KURS_HIGH)->setText("102");
        clickOk(d);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(services->boxes->texts(), std::vector<std::string>{"Please enter a number."});
    EXPECT_EQ(dialog.m_dClose, 101.25);
    EXPECT_EQ(dialog.m_dOpen, 99.5);
    EXPECT_EQ(dialog.m_dHigh, 102.0);
    EXPECT_EQ(dialog.m_dLow, 98.0);
    EXPECT_EQ(dialog.m_dVolume, 12000.0);
}

// The item's quotations oldest first in both range lists, which share one model; "x/2" whatever
// was typed last time; OK only for a range whose first quotation is not after its last.
TEST_F(QuotationDialogsTest, FormulaDialogListsTheQuotationsOldestFirst) {
    CWPapier item;
    item.m_strName = "Acme";
    const OleDate days[] = {OleDate(2024, 3, 5, 20, 0, 0), OleDate(2024, 3, 1, 9, 30, 0),
                            OleDate(2024, 3, 4, 20, 0, 0)};
    for (const OleDate& day : days)
        item.AddQuotation(CKurs(day, 10.0 + day.GetDay()), false);

    CDlgFormula dialog(services->bundle());
    dialog.m_pItem = &item;
    dialog.m_strFormula = "x*7";
    dialog.m_nFirst = 1;
    dialog.m_nLast = 2;
    services->modal->on("dlg_190", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Apply formula to 'Acme'");
        auto* formula = child<QComboBox>(d, IDC_FORMULA);
        auto* first = child<QComboBox>(d, IDC_FORMULA_FIRST);
        auto* last = child<QComboBox>(d, IDC_FORMULA_LAST);
        EXPECT_EQ(formula->currentText(), "x/2");
        QStringList presets;
        for (int i = 0; i < formula->count(); ++i)
            presets << formula->itemText(i);
        EXPECT_EQ(presets, QStringList({"x/2", "x/3", "x/4", "x*2", "x*3", "x*4", "1/x"}));
        EXPECT_EQ(first->model(), last->model());
        ASSERT_EQ(first->count(), 3);
        const char* oldestFirst[] = {"03/01/24 09:30:00   ", "03/04/24 20:00:00   ", "03/05/24 20:00:00   "};
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(first->itemText(i).startsWith(oldestFirst[i])) << first->itemText(i).toStdString();
        EXPECT_EQ(first->currentIndex(), 1);
        EXPECT_EQ(last->currentIndex(), 2);
        testsupport::saveRendering(d, "opened");

        auto* ok = child<QPushButton>(d, IDOK);
        EXPECT_TRUE(ok->isEnabled());
        first->setFocus();
        QTest::keyClick(first, Qt::Key_Down); // 2
        last->setFocus();
        QTest::keyClick(last, Qt::Key_Up); // 1
        EXPECT_FALSE(ok->isEnabled());
        testsupport::saveRendering(d, "reversed range");
        QTest::keyClick(last, Qt::Key_Down); // 2
        EXPECT_TRUE(ok->isEnabled());
        formula->setFocus();
        formula->lineEdit()->selectAll();
        QTest::keyClicks(formula->lineEdit(), "x*1.5");
        clickOk(d);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_strFormula, "x*1.5");
    EXPECT_EQ(dialog.m_nFirst, 2);
    EXPECT_EQ(dialog.m_nLast, 2);
}

TEST_F(QuotationDialogsTest, MultiplyDialogOffersNeitherTheHistoryNorTheItemItself) {
    testsupport::FakePortfolioHost host;
    CWPapierDoc doc(&host);
    doc.OnNewDocument();
    const auto add = [&](const char* name) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        return doc.AddItem(std::move(item));
    };
    const ItemPos gamma = add("Gamma");
    const ItemPos acme = add("Acme");
    const ItemPos beta = add("beta");
    const ItemPos cash = doc.FindCashAccountItem();

    CDlgMultiplyQuotations dialog(services->bundle());
    dialog.m_pDocument = &doc;
    dialog.m_posItem = acme;
    dialog.m_strItemName = "Acme";
    services->modal->on("dlg_176", [&](QDialog& d) {
        auto* items = child<QComboBox>(d, IDC_MULTIPLY_ITEMS);
        ASSERT_EQ(items->count(), 3);
        const std::pair<std::string, ItemPos> offered[] = {
            {doc.GetItemName(cash), cash}, {"beta", beta}, {"Gamma", gamma}};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(items->itemText(i).toStdString(), offered[i].first);
            EXPECT_EQ(items->itemData(i).value<ItemPos>(), offered[i].second);
        }
        EXPECT_EQ(items->currentIndex(), 0);
        EXPECT_EQ(child<QLabel>(d, IDC_ITEM_NAME)->text(), "Acme");
        testsupport::saveRendering(d, "opened");
        items->setFocus();
        QTest::keyClick(items, Qt::Key_End);
        clickOk(d);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_posFactorItem, gamma);
    EXPECT_EQ(dialog.m_nFactorIndex, 2);

    // The cash account of a new portfolio has nothing to be multiplied by: OK waits.
    CWPapierDoc bare(&host);
    bare.OnNewDocument();
    CDlgMultiplyQuotations nothing(services->bundle());
    nothing.m_pDocument = &bare;
    nothing.m_posItem = bare.FindCashAccountItem();
    services->modal->on("dlg_176", [](QDialog& d) {
        EXPECT_EQ(child<QComboBox>(d, IDC_MULTIPLY_ITEMS)->count(), 0);
        EXPECT_FALSE(child<QPushButton>(d, IDOK)->isEnabled());
        testsupport::saveRendering(d, "nothing to choose");
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(nothing.DoModal(), IDCANCEL);
    EXPECT_EQ(nothing.m_posFactorItem, kNoItemPos);
}

TEST_F(QuotationDialogsTest, DeleteDialogsHandBackTheirChoices) {
    CDlgDeleteMultipleQuotations thinning(services->bundle());
    thinning.m_nMode = 1;
    services->modal->on("dlg_193", [](QDialog& d) {
        EXPECT_TRUE(child<QRadioButton>(d, IDC_DELETE_MONTHLY)->isChecked());
        testsupport::saveRendering(d, "monthly");
        auto* daily = child<QRadioButton>(d, IDC_DELETE_DAILY);
        QTest::mouseClick(daily, Qt::LeftButton, {}, QPoint(6, daily->height() / 2)); // on its circle
        clickOk(d);
    });
    ASSERT_EQ(thinning.DoModal(), IDOK);
    EXPECT_EQ(thinning.m_nMode, 0);

    CDlgDeleteQuotationsInterval interval(services->bundle());
    interval.m_strItemName = "Acme";
    interval.m_dtFrom = OleDate(2024, 1, 1, 0, 0, 0);
    interval.m_dtTo = OleDate(2024, 5, 17, 23, 59, 59);
    services->modal->on("dlg_142", [](QDialog& d) {
        EXPECT_EQ(child<QLabel>(d, IDC_ITEM_NAME)->text(), "Acme");
        EXPECT_EQ(child<QDateEdit>(d, IDC_INTERVAL_FROM)->date(), QDate(2024, 1, 1));
        EXPECT_EQ(child<QDateEdit>(d, IDC_INTERVAL_TO)->date(), QDate(2024, 5, 17));
        testsupport::saveRendering(d, "interval");
        child<QDateEdit>(d, IDC_INTERVAL_FROM)->setDate(QDate(2024, 2, 1));
        clickOk(d);
    });
    ASSERT_EQ(interval.DoModal(), IDOK);
    EXPECT_EQ(interval.m_dtFrom.Format("%Y-%m-%d %H:%M:%S"), "2024-02-01 00:00:00");
    EXPECT_EQ(interval.m_dtTo.Format("%Y-%m-%d %H:%M:%S"), "2024-05-17 23:59:59"); // the day's end kept
}

} // namespace
