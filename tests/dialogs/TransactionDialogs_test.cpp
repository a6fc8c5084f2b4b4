// The transaction formula dialog and the investment and cash-account transaction dialogs as the
// user meets them, each run through the scripted modal runner on the fixed clock (17 May 2024
// 12:00) in en_US (comma as the thousands separator): live totals, formulas evaluated as a field
// loses the focus, "Math Expr..." and its remembered formula, type defaults, the date rule and the
// recurrence. Each dialog is saved as a rendering.

#include "TransactionTestSupport.h"
#include "controls/PPToolTip.h"
#include "dialogs/AccountTransactionDlg.h"
#include "dialogs/DlgTransactionMathExpr.h"
#include "dialogs/TransactionDlg.h"
#include "dialogs/TransactionIds.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>

#include <memory>
#include <string>

namespace {

template <class W = QWidget> W* child(QDialog& d, unsigned id) {
    W* w = d.findChild<W*>(Dialog::controlName(id));
    EXPECT_NE(w, nullptr) << "idc_" << id;
    return w;
}

std::string text(QDialog& d, unsigned id) {
    if (auto* edit = d.findChild<QLineEdit*>(Dialog::controlName(id)))
        return edit->text().toStdString();
    return child<QLabel>(d, id)->text().toStdString();
}

void click(QDialog& d, unsigned id) {
    QTest::mouseClick(child<QPushButton>(d, id), Qt::LeftButton);
}

// Makes the dialog the active window, so that focus moves send their events.
void activate(QDialog& d) {
    if (!d.isActiveWindow()) {
        d.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
    }
}

// Types `typed` into a field as the user does: focus, select all, type.
void type(QDialog& d, unsigned id, const char* typed) {
    activate(d);
    auto* field = child<QLineEdit>(d, id);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QString::fromUtf8(typed));
}

// The user picks entry `index` of a drop-down list.
void choose(QDialog& d, unsigned id, int index) {
    auto* combo = child<QComboBox>(d, id);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QStringList entries(QDialog& d, unsigned id) {
    QStringList out;
    auto* combo = child<QComboBox>(d, id);
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

std::string shownTime(QDialog& d) {
    return child<QTimeEdit>(d, IDC_TRANSACTION_TIME)->time().toString("HH:mm:ss").toStdString();
}

class TransactionDialogsTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
        ASSERT_TRUE(english.active);
    }
    void TearDown() override {
        EXPECT_EQ(services->modal->unusedSteps(), 0u);
        services.reset();
        TempDirTest::TearDown();
    }

    // A buy of Acme on 10 May 2024 at 14:35, without recurrence.
    TransactionDlgValues buy() const {
        TransactionDlgValues v;
        v.date = v.time = OleDate(2024, 5, 10, 14, 35, 0);
        v.untilDate = OleDate(2029, 5, 10, 23, 59, 59);
        return v;
    }

    transactiontest::ScopedEnUsLocale english;
    std::unique_ptr<testsupport::FakeServices> services; // the clock stands at 17 May 2024 12:00
};

// ---------------------------------------------------------------- formula dialog

TEST_F(TransactionDialogsTest, FormulaDialogEvaluatesWhileTheUserTypes) {
    CDlgTransactionMathExpr dialog(services->bundle());
    dialog.m_strTitle = "Transaction #Units";
    dialog.m_strU = "10.0000";
    dialog.m_strQ = "25.0000";
    dialog.m_strT = "0.0000";
    services->modal->on("dlg_207", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Transaction #Units");
        EXPECT_EQ(text(d, IDC_MATH_U), "10.0000");
        EXPECT_TRUE(child<QLineEdit>(d, IDC_MATH_U)->isReadOnly());
        EXPECT_TRUE(child<QLineEdit>(d, IDC_MATH_RESULT)->isReadOnly());
        EXPECT_EQ(child<QPushButton>(d, IDOK)->text(), "Apply");
        const std::pair<const char*, const char*> cases[] = {
            {"u*q*0.005 + 10", "11.2500"},
            {"U*Q*0.005 + 10", "11.2500"},
            {"12", "12.0000"},
            {"sqrt(q)+t", "5.0000"},
            {"u*", ""},
            {"2*3", "6.0000"},
            {"u*q*1000", "250,000.0000"},
        };
        for (const auto& [formula, result] : cases) {
            type(d, IDC_MATH_EXPRESSION, formula);
            EXPECT_EQ(text(d, IDC_MATH_RESULT), result) << formula;
        }
        type(d, IDC_MATH_EXPRESSION, "u*q*0.005 + 10");
        testsupport::saveRendering(d, "evaluated");
        click(d, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_strResult, "11.2500");
    EXPECT_EQ(dialog.m_strExpression, "u*q*0.005 + 10");
}

// A remembered formula shows no result until it is edited; the field's balloon tip explains it.
TEST_F(TransactionDialogsTest, FormulaDialogWithARememberedFormulaAndItsTip) {
    CDlgTransactionMathExpr dialog(services->bundle());
    dialog.m_strExpression = "u*2";
    dialog.m_strU = "3.0000";
    services->modal->on("dlg_207", [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Transaction Math Expression");
        EXPECT_EQ(text(d, IDC_MATH_EXPRESSION), "u*2");
        EXPECT_EQ(text(d, IDC_MATH_RESULT), "");
        QTest::mouseMove(child(d, IDC_MATH_EXPRESSION), QPoint(10, 8));
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.m_ToolTip.isVisible(); }, 2000));
        ASSERT_NE(dialog.m_ToolTip.DisplayedTool(), nullptr);
        EXPECT_EQ(dialog.m_ToolTip.DisplayedTool()->text.toStdString(),
                  "Math expression to be evaluated, e.g. \"u*q*0.005 + 10\"");
        testsupport::saveRendering(d, "remembered");
        testsupport::saveRendering(dialog.m_ToolTip, "tip");
        click(d, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_strResult, "");
}

// ---------------------------------------------------------------- investment transaction dialog

TEST_F(TransactionDialogsTest, InvestmentTotalsFollowTypeAndFields) {
    struct Case {
        int type;
        const char *units, *quotation, *taxes, *total;
    };
    const Case cases[] = {
        {0, "10", "5", "1", "-51.00"},       {1, "10", "5", "1", "+49.00"},
        {2, "10", "0.5", "1", "+4.00"},      {0, "1234567", "1", "0", "-1,234,567.00"},
        {1, "1,000", "2", "0", "+2,000.00"},
    };
    CTransactionDlg dialog(services->bundle());
    dialog.SetValues(buy());
    dialog.m_strName = "Acme";
    services->modal->on("dlg_30739", [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Transaction [Acme]");
        EXPECT_EQ(text(d, IDC_TRANSACTION_ITEM_NAME), "Acme");
        EXPECT_EQ(text(d, IDC_TRANSACTION_TOTAL), "+0.00"); // a buy of nothing, not -0.00
        EXPECT_EQ(entries(d, IDC_TRANSACTION_TYPE), QStringList({"Buy", "Sell", "Dividends/Interests"}));
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.units) + " x " + c.quotation);
            choose(d, IDC_TRANSACTION_TYPE, c.type);
            type(d, IDC_TRANSACTION_UNITS, c.units);
            type(d, IDC_TRANSACTION_QUOTATION, c.quotation);
            type(d, IDC_TRANSACTION_TAXES, c.taxes);
            EXPECT_EQ(text(d, IDC_TRANSACTION_TOTAL), c.total);
        }
        choose(d, IDC_TRANSACTION_TYPE, 0);
        type(d, IDC_TRANSACTION_UNITS, "10");
        type(d, IDC_TRANSACTION_QUOTATION, "5");
        type(d, IDC_TRANSACTION_TAXES, "1");
        testsupport::saveRendering(d, "buy");
        click(d, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    const TransactionDlgValues values = dialog.Values();
    EXPECT_EQ(values.type, 0);
    EXPECT_EQ(values.units, 10.0);
    EXPECT_EQ(values.quotation, 5.0);
    EXPECT_EQ(values.taxes, 1.0);
    EXPECT_EQ(joinDateAndTime(values.date, values.time).Format("%Y-%m-%d %H:%M:%S"), "2024-05-10 14:35:00");
}

// A formula is evaluated when its field loses the focus, also to the "Math Expr..." button; a
// text that does not parse stays as it is.
TEST_F(TransactionDialogsTest, InvestmentFieldsEvaluateFormulasOnFocusOut) {
    struct Case {
        unsigned field;
        const char* typed;
        const char *units, *quotation, *taxes; // the other fields, typed first
        const char* shown;
    };
    const Case cases[] = {
        {IDC_TRANSACTION_UNITS, "2*q", "0", "12.5", "0", "25.0000"},
        {IDC_TRANSACTION_TAXES, "U*2", "3", "0", "0", "6.0000"},
        {IDC_TRANSACTION_UNITS, "sqrt(q)", "0", "16", "0", "4.0000"},
        {IDC_TRANSACTION_QUOTATION, "2*3", "1", "0", "0", "6.0000"},
        {IDC_TRANSACTION_TAXES, "u*q/100", "10", "50", "0", "5.0000"},
        {IDC_TRANSACTION_UNITS, "2*(", "0", "1", "0", "2*("},
    };
    CTransactionDlg dialog(services->bundle());
    dialog.SetValues(buy());
    services->modal->on("dlg_30739", [&](QDialog& d) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.typed);
            type(d, IDC_TRANSACTION_UNITS, c.units);
            type(d, IDC_TRANSACTION_QUOTATION, c.quotation);
            type(d, IDC_TRANSACTION_TAXES, c.taxes);
            type(d, c.field, c.typed);
            child(d, IDC_TRANSACTION_NOTE)->setFocus();
            EXPECT_EQ(text(d, c.field), c.shown);
        }
        // Return in a field with a formula stores its value, not its leading number.
        type(d, IDC_TRANSACTION_QUOTATION, "7");
        type(d, IDC_TRANSACTION_UNITS, "2*3");
        QTest::keyClick(child(d, IDC_TRANSACTION_UNITS), Qt::Key_Return);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_dUnits, 6.0);
    EXPECT_EQ(dialog.m_dQuotation, 7.0);
}

// "Math Expr..." takes the field's formula from the formula dialog; the formula is remembered for
// the next button, which opens without a result, so "Apply" then gives 0.
TEST_F(TransactionDialogsTest, MathExprButtonsShareTheLastFormula) {
    CTransactionDlg dialog(services->bundle());
    TransactionDlgValues values = buy();
    values.units = 10;
    values.quotation = 25;
    dialog.SetValues(values);
    services->modal->on("dlg_30739", [&](QDialog& d) {
        type(d, IDC_TRANSACTION_UNITS, "2*5"); // evaluated as the button takes the focus
        click(d, IDC_MATH_EXPR_TAXES);
        EXPECT_EQ(text(d, IDC_TRANSACTION_TAXES), "11.2500");
        EXPECT_EQ(text(d, IDC_TRANSACTION_TOTAL), "-261.25");
        click(d, IDC_MATH_EXPR_QUOTATION);
        EXPECT_EQ(text(d, IDC_TRANSACTION_QUOTATION), "0.0000");
        click(d, IDC_MATH_EXPR_UNITS); // cancelled: the field stays
        EXPECT_EQ(text(d, IDC_TRANSACTION_UNITS), "10.0000");
        click(d, IDOK);
    });
    services->modal->on("dlg_207", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Transaction Taxes/Comission");
        EXPECT_EQ(text(d, IDC_MATH_U), "10.0000");
        EXPECT_EQ(text(d, IDC_MATH_Q), "25.0000");
        EXPECT_EQ(text(d, IDC_MATH_T), "0.0000");
        type(d, IDC_MATH_EXPRESSION, "u*q*0.005 + 10");
        click(d, IDOK);
    });
    services->modal->on("dlg_207", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Transaction Quotation/Dividends");
        EXPECT_EQ(text(d, IDC_MATH_EXPRESSION), "u*q*0.005 + 10");
        EXPECT_EQ(text(d, IDC_MATH_RESULT), "");
        click(d, IDOK);
    });
    services->modal->on("dlg_207", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Transaction #Units");
        type(d, IDC_MATH_EXPRESSION, "99");
        click(d, IDCANCEL);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_dTaxes, 11.25);
    EXPECT_EQ(dialog.m_dQuotation, 0.0);
    // A cancelled formula dialog hands back the formula it was opened with.
    EXPECT_EQ(dialog.m_strMathExpr, "u*q*0.005 + 10");
}

TEST_F(TransactionDialogsTest, InvestmentTypeDefaultsAndRecurrence) {
    CTransactionDlg dialog(services->bundle());
    dialog.SetValues(buy());
    dialog.m_dDefaultUnits = 40;
    dialog.m_dDefaultQuotation = 1234.5;
    services->modal->on("dlg_30739", [&](QDialog& d) {
        choose(d, IDC_TRANSACTION_TYPE, 1);
        EXPECT_EQ(text(d, IDC_TRANSACTION_UNITS), "40.0000");
        EXPECT_EQ(text(d, IDC_TRANSACTION_QUOTATION), "1,234.5000");
        EXPECT_EQ(text(d, IDC_TRANSACTION_QUOTATION_LABEL), "Quotation:");
        EXPECT_EQ(text(d, IDC_TRANSACTION_TOTAL), "+49,380.00");
        choose(d, IDC_TRANSACTION_TYPE, 2);
        EXPECT_EQ(text(d, IDC_TRANSACTION_UNITS), "40.0000");
        EXPECT_EQ(text(d, IDC_TRANSACTION_QUOTATION), "0");
        EXPECT_EQ(text(d, IDC_TRANSACTION_QUOTATION_LABEL), "Dividends/Interests:");
        testsupport::saveRendering(d, "dividends");
        choose(d, IDC_TRANSACTION_TYPE, 0);
        EXPECT_EQ(text(d, IDC_TRANSACTION_UNITS), "0");
        EXPECT_EQ(text(d, IDC_TRANSACTION_QUOTATION), "1,234.5000");

        // No recurrence: "Yearly" preselected, the interval and the end disabled until ticked.
        auto* recurrence = child<QCheckBox>(d, IDC_TRANSACTION_RECURRENCE);
        auto* interval = child<QComboBox>(d, IDC_TRANSACTION_RECURRENCE_INTERVAL);
        auto* until = child<QCheckBox>(d, IDC_TRANSACTION_UNTIL);
        auto* untilDate = child<QDateEdit>(d, IDC_TRANSACTION_UNTIL_DATE);
        EXPECT_FALSE(recurrence->isChecked());
        EXPECT_EQ(interval->currentText(), "Yearly");
        EXPECT_EQ(entries(d, IDC_TRANSACTION_RECURRENCE_INTERVAL),
                  QStringList({"Monthly", "every 3 Months", "every 6 Months", "Yearly"}));
        EXPECT_FALSE(interval->isEnabled() || until->isEnabled() || untilDate->isEnabled());
        QTest::mouseClick(recurrence, Qt::LeftButton, {}, QPoint(5, recurrence->height() / 2));
        EXPECT_TRUE(interval->isEnabled() && until->isEnabled());
        EXPECT_FALSE(untilDate->isEnabled());
        QTest::mouseClick(until, Qt::LeftButton, {}, QPoint(5, until->height() / 2));
        EXPECT_TRUE(untilDate->isEnabled());
        testsupport::saveRendering(d, "recurrence");
        click(d, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    const TransactionDlgValues values = dialog.Values();
    EXPECT_TRUE(values.recurrence);
    EXPECT_EQ(values.recurrenceMonths, 12);
    EXPECT_TRUE(values.until);
    EXPECT_EQ(transactionFromDlgValues(values, false).m_nRecurrence, 12);

    // Three months show as such; 0 and 12 both as "Yearly".
    for (const auto& [months, entry] : {std::pair{3, "every 3 Months"}, std::pair{0, "Yearly"}}) {
        CTransactionDlg again(services->bundle());
        TransactionDlgValues v = buy();
        v.recurrence = months != 0;
        v.recurrenceMonths = months;
        again.SetValues(v);
        services->modal->on("dlg_30739", [entry = entry](QDialog& d) {
            EXPECT_EQ(child<QComboBox>(d, IDC_TRANSACTION_RECURRENCE_INTERVAL)->currentText(), entry);
            click(d, IDCANCEL);
        });
        EXPECT_EQ(again.DoModal(), IDCANCEL);
    }
}

// Showing the members proposes nothing; the user's choice of a day proposes a time and an end.
TEST_F(TransactionDialogsTest, ChoosingADayProposesTheTimeAndTheEnd) {
    CTransactionDlg dialog(services->bundle());
    dialog.SetValues(buy());
    services->modal->on("dlg_30739", [](QDialog& d) {
        auto* date = child<QDateEdit>(d, IDC_TRANSACTION_DATE);
        auto* until = child<QDateEdit>(d, IDC_TRANSACTION_UNTIL_DATE);
        EXPECT_EQ(date->date(), QDate(2024, 5, 10));
        EXPECT_EQ(shownTime(d), "14:35:00");
        EXPECT_EQ(until->date(), QDate(2029, 5, 10));
        const struct {
            QDate day;
            const char* time;
            QDate until;
        } cases[] = {
            {QDate(2024, 5, 17), "12:00:00", QDate(2029, 5, 17)}, // today: the current full hour
            {QDate(2024, 5, 3), "20:00:00", QDate(2029, 5, 3)},   // earlier
            {QDate(2024, 6, 1), "20:00:00", QDate(2029, 6, 1)},   // later
            {QDate(2024, 2, 29), "20:00:00", QDate(2029, 6, 1)},  // no 29 February in 2029: kept
        };
        for (const auto& c : cases) {
            date->setDate(c.day);
            EXPECT_EQ(shownTime(d), c.time) << c.day.toString().toStdString();
            EXPECT_EQ(until->date(), c.until) << c.day.toString().toStdString();
        }
        date->setDate(QDate(2024, 5, 3));
        click(d, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    const TransactionDlgValues values = dialog.Values();
    EXPECT_EQ(joinDateAndTime(values.date, values.time).Format("%Y-%m-%d %H:%M:%S"), "2024-05-03 20:00:00");
    EXPECT_EQ(values.untilDate.Format("%Y-%m-%d %H:%M:%S"), "2029-05-03 23:59:59");
}

// ---------------------------------------------------------------- cash-account transaction dialog

TEST_F(TransactionDialogsTest, CashAccountDialogTotalsTypesAndFormulas) {
    CAccountTransactionDlg dialog(services->bundle());
    TransactionDlgValues interests = buy();
    interests.type = CTransaction::kDividend;
    dialog.SetValues(interests);
    dialog.m_dBalance = 1234.5;
    services->modal->on("dlg_3213", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Cash Account Transaction");
        EXPECT_EQ(entries(d, IDC_TRANSACTION_TYPE), QStringList({"Credit", "Debit"}));
        EXPECT_EQ(child<QComboBox>(d, IDC_TRANSACTION_TYPE)->currentText(), "Credit"); // interests
        EXPECT_EQ(d.findChild<QWidget*>(Dialog::controlName(IDC_TRANSACTION_QUOTATION)), nullptr);

        choose(d, IDC_TRANSACTION_TYPE, 1);
        EXPECT_EQ(text(d, IDC_TRANSACTION_UNITS), "1,234.5000"); // the balance
        type(d, IDC_TRANSACTION_UNITS, "100");
        type(d, IDC_TRANSACTION_TAXES, "2");
        EXPECT_EQ(text(d, IDC_TRANSACTION_TOTAL), "-102.00");
        choose(d, IDC_TRANSACTION_TYPE, 0);
        EXPECT_EQ(text(d, IDC_TRANSACTION_UNITS), "0");
        type(d, IDC_TRANSACTION_UNITS, "100");
        EXPECT_EQ(text(d, IDC_TRANSACTION_TOTAL), "+98.00");

        type(d, IDC_TRANSACTION_TAXES, "1.5");
        type(d, IDC_TRANSACTION_UNITS, "t*10");
        child(d, IDC_TRANSACTION_NOTE)->setFocus();
        EXPECT_EQ(text(d, IDC_TRANSACTION_UNITS), "15.0000");
        EXPECT_EQ(text(d, IDC_TRANSACTION_TOTAL), "+13.50");
        // q means nothing here: the text stays.
        type(d, IDC_TRANSACTION_TAXES, "q*2");
        child(d, IDC_TRANSACTION_NOTE)->setFocus();
        EXPECT_EQ(text(d, IDC_TRANSACTION_TAXES), "q*2");
        type(d, IDC_TRANSACTION_TAXES, "1.5");
        testsupport::saveRendering(d, "credit");
        click(d, IDC_MATH_EXPR_UNITS);
        click(d, IDOK);
    });
    services->modal->on("dlg_207", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Transaction Amount");
        EXPECT_EQ(text(d, IDC_MATH_Q), "0");
        type(d, IDC_MATH_EXPRESSION, "u+t");
        click(d, IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    // Interests confirmed without touching the type are stored as a credit.
    EXPECT_EQ(dialog.m_nType, CTransaction::kBuy);
    EXPECT_EQ(dialog.m_dAmount, 16.5);
    EXPECT_EQ(dialog.m_dTaxes, 1.5);
    EXPECT_EQ(transactionFromDlgValues(dialog.Values(), true).m_dQuotation, 0.0);
}

} // namespace
