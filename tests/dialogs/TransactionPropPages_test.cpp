// The Investment, Statement and Transactions pages in a property sheet on a real portfolio
// document, driven through the scripted modal runner on the fixed clock (17 May 2024 12:00) in
// en_US: their lists with the running figures, New, Edit, Delete and Delete All reaching the
// document (with the cash account's mirror and its warning), the list's keys, the alarm fields'
// refusal, and a buy entered through New that survives saving and reopening. Each page is saved
// as a rendering.

#include "TransactionTestSupport.h"
#include "controls/StripedList.h"
#include "dialogs/TransactionIds.h"
#include "dialogs/WPAccountPropPage.h"
#include "dialogs/WPGlobalTransactionsPropPage.h"
#include "dialogs/WPInvestPropPage.h"
#include "dialogs/WPInvestPropPageLogic.h"
#include "framework/PropertySheet.h"
#include "platform/Settings.h"
#include "portfolio/WPapierDoc.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

template <class W = QWidget> W* child(QDialog& d, unsigned id) {
    W* w = d.findChild<W*>(Dialog::controlName(id));
    EXPECT_NE(w, nullptr) << "idc_" << id;
    return w;
}

void click(QDialog& d, unsigned id) {
    QTest::mouseClick(child<QPushButton>(d, id), Qt::LeftButton);
}

CColoredListCtrl* list(QDialog& d) {
    return child<CColoredListCtrl>(d, IDC_TRANSACTION_LIST);
}

Texts column(QDialog& d, int c) {
    Texts out;
    for (int r = 0; r < list(d)->topLevelItemCount(); ++r)
        out.push_back(list(d)->topLevelItem(r)->text(c).toStdString());
    return out;
}

Texts headers(QDialog& d) {
    Texts out;
    for (int c = 0; c < list(d)->columnCount(); ++c)
        out.push_back(list(d)->headerItem()->text(c).toStdString());
    return out;
}

int selectedRow(QDialog& d) {
    const auto selected = list(d)->selectedItems();
    return selected.isEmpty() ? -1 : list(d)->indexOfTopLevelItem(selected.front());
}

void selectRow(QDialog& d, int row) {
    list(d)->setFocus();
    list(d)->setCurrentItem(list(d)->topLevelItem(row));
}

bool enabled(QDialog& d, unsigned id) {
    return child(d, id)->isEnabled();
}

// No header and no cell text is cut: the stored widths are pixels of a narrower classic font.
void expectTextsFit(QDialog& d) {
    CColoredListCtrl* l = list(d);
    const QFontMetrics metrics = l->fontMetrics();
    for (int c = 0; c < l->columnCount(); ++c) {
        EXPECT_LE(l->header()->sectionSizeHint(c), l->columnWidth(c)) << "header " << c;
        for (int r = 0; r < l->topLevelItemCount(); ++r)
            EXPECT_LE(metrics.horizontalAdvance(l->topLevelItem(r)->text(c)) + 6 + (c == 0 ? 16 : 0), l->columnWidth(c))
                << "row " << r << " column " << c;
    }
}

class TransactionPropPagesTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
        scopedClock = std::make_unique<ScopedClock>(*services->clock);
        ASSERT_TRUE(english.active);
        doc = std::make_unique<CWPapierDoc>(nullptr);
        doc->OnNewDocument();
        cash = doc->FindCashAccountItem();
    }
    void TearDown() override {
        EXPECT_EQ(services->modal->unusedSteps(), 0u);
        doc.reset();
        scopedClock.reset();
        services.reset();
        TempDirTest::TearDown();
    }

    ItemPos addItem(const std::string& name) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        item->m_pFormulaItemX = item->m_pFormulaItemY = item.get();
        return doc->AddItem(std::move(item));
    }
    void add(ItemPos pos, int kind, const OleDate& date, double units, double quotation, double taxes) {
        ASSERT_GE(doc->AddTransaction(pos, CTransaction(kind, date, units, quotation, taxes, 0, false, OleDate(), "")),
                  0);
    }
    // What the launcher sets on the Investment page.
    void launch(CWPInvestPropPage& page, ItemPos pos) {
        page.m_pDoc = doc.get();
        page.m_posItem = pos;
        page.m_strName = doc->GetItem(pos)->m_strName;
        page.SetTransactionList(*doc->GetTransactionListCopy(pos));
        CKurs last;
        if (doc->GetItem(pos)->GetLastQuotation(last))
            page.m_LastQuotation = last;
        page.m_bAutoCreateCashAccountTransactions = true;
    }
    // Runs `page` alone in a sheet by `step`.
    int runSheet(PropertyPage& page, std::function<void(QDialog&)> step) {
        PropertySheet sheet(108, QStringLiteral("Properties"), services->bundle());
        sheet.AddPage(&page);
        services->modal->on("dlg_108", std::move(step));
        return sheet.DoModal();
    }

    transactiontest::ScopedEnUsLocale english;
    std::unique_ptr<testsupport::FakeServices> services; // the clock stands at 17 May 2024 12:00
    std::unique_ptr<ScopedClock> scopedClock;
    std::unique_ptr<CWPapierDoc> doc;
    ItemPos cash = kNoItemPos;
};

// ---------------------------------------------------------------- Investment page

// Buy 10 at 100 with taxes 10, sell 10 at 120 with taxes 10: nothing is held afterwards. The
// widths come from the settings, each damaged one replaced by its own default.
TEST_F(TransactionPropPagesTest, InvestmentPageAfterASale) {
    services->settings->writeString(SettingsKey().child("TransactionDialog"), "Columns", "400,abc,-5,300,9999");
    const ItemPos acme = addItem("Acme");
    doc->AddQuotationToItem(acme, CKurs(OleDate(2024, 4, 2, 17, 0, 0), 120.0), false, false);
    add(acme, CTransaction::kBuy, OleDate(2024, 3, 1, 10, 0, 0), 10, 100, 10);
    add(acme, CTransaction::kSell, OleDate(2024, 4, 2, 11, 0, 0), 10, 120, 10);
    CWPInvestPropPage page(services->bundle());
    launch(page, acme);
    runSheet(page, [&](QDialog& d) {
        EXPECT_EQ(headers(d), (Texts{"Transaction", "Date", "Note", "# Units", "Quotation/Dividends", "Taxes", "Volume",
                                     "Trans. Result", "Invest. Result"}));
        // Stored widths stand where the texts fit; a narrower stored or default width is widened.
        EXPECT_EQ(list(d)->columnWidth(0), 400);
        EXPECT_EQ(list(d)->columnWidth(3), 300);
        const int widths[] = {400, 70, 40, 300, 70, 50, 75, 75, 80};
        for (int c = 0; c < 9; ++c)
            EXPECT_GE(list(d)->columnWidth(c), widths[c]) << c;
        expectTextsFit(d);
        EXPECT_EQ(column(d, 0), (Texts{"Buy", "Sell", "Break-even", "Total"}));
        EXPECT_EQ(column(d, 1), (Texts{"03/01/2024", "04/02/2024", "04/02/2024", "04/02/2024"}));
        EXPECT_EQ(column(d, 3), (Texts{"10.00", "10.00", "0.00", ""}));
        EXPECT_EQ(column(d, 4), (Texts{"100.00", "120.00", "101.00", ""}));
        EXPECT_EQ(column(d, 6), (Texts{"-1,010.00", "+1,190.00", "", "+180.00"}));
        EXPECT_EQ(column(d, 7), (Texts{"", "+18.81%", "", ""}));
        EXPECT_EQ(column(d, 8), (Texts{"", "+17.82%", "", "+17.82%"}));
        // Transaction rows carry their index, summary rows nothing.
        EXPECT_EQ(list(d)->topLevelItem(1)->data(0, Qt::UserRole), QVariant(1));
        EXPECT_FALSE(list(d)->topLevelItem(2)->data(0, Qt::UserRole).isValid());
        EXPECT_EQ(list(d)->topLevelItem(0)->textAlignment(6), int(Qt::AlignRight | Qt::AlignVCenter));
        EXPECT_FALSE(enabled(d, IDC_EDIT_TRANSACTION) || enabled(d, IDC_DELETE_TRANSACTION));
        EXPECT_TRUE(enabled(d, IDC_DELETE_ALL_TRANSACTIONS));
        EXPECT_EQ(child(d, IDC_NEW_TRANSACTION)->toolTip(),
                  "Add new investment transaction: Buy, Sell or Dividends/Interests");
        EXPECT_EQ(child(d, IDC_DELETE_ALL_TRANSACTIONS)->toolTip(), "Delete all investment transactions for this item");
        testsupport::saveRendering(d, "after a sale");

        // A summary row is no transaction: Edit and Delete stay off, Delete deletes nothing.
        selectRow(d, 3);
        EXPECT_FALSE(enabled(d, IDC_EDIT_TRANSACTION) || enabled(d, IDC_DELETE_TRANSACTION));
        QTest::keyClick(list(d), Qt::Key_Delete);
        EXPECT_EQ(doc->GetItem(acme)->GetTransactionCount(), 2);
        selectRow(d, 0);
        EXPECT_TRUE(enabled(d, IDC_EDIT_TRANSACTION) && enabled(d, IDC_DELETE_TRANSACTION));
        click(d, IDOK);
    });
    EXPECT_EQ(page.m_dUnits, 0.0);
    EXPECT_EQ(page.m_dAveragePrice, 101.0);
    EXPECT_TRUE(services->boxes->texts().empty());
}

// Buy 10 at 100, a dividend of 2 on 10 units, newest quotation 110: units are still held.
TEST_F(TransactionPropPagesTest, InvestmentPageWhileHolding) {
    const ItemPos acme = addItem("Acme");
    doc->AddQuotationToItem(acme, CKurs(OleDate(2024, 5, 16, 17, 0, 0), 110.0), false, false);
    add(acme, CTransaction::kBuy, OleDate(2024, 3, 1, 10, 0, 0), 10, 100, 0);
    add(acme, CTransaction::kDividend, OleDate(2024, 4, 2, 11, 0, 0), 10, 2, 0);
    CWPInvestPropPage page(services->bundle());
    launch(page, acme);
    runSheet(page, [&](QDialog& d) {
        EXPECT_EQ(column(d, 0), (Texts{"Buy", "Dividends/Interests", "Break-even", "Hypothetical Sell", "(Total)"}));
        expectTextsFit(d);
        EXPECT_EQ(column(d, 4), (Texts{"100.00", "2.00", "98.00", "110.00", ""}));
        EXPECT_EQ(column(d, 6), (Texts{"-1,000.00", "+20.00", "", "+1,100.00", "+120.00"}));
        EXPECT_EQ(column(d, 7), (Texts{"", "+2.00%", "", "+10.00%", ""}));
        EXPECT_EQ(column(d, 8), (Texts{"", "", "", "+12.00%", "+12.00%"}));
        EXPECT_EQ(column(d, 1)[3], "05/16/2024");
        testsupport::saveRendering(d, "while holding");
        click(d, IDOK);
    });
    EXPECT_EQ(page.m_dUnits, 10.0);
    EXPECT_EQ(page.m_dBreakEven, 98.0);
}

// New through the page on a real document: the item's units, average price and break-even change,
// a debit is mirrored into the cash account, the warning comes once the document is done, and the
// list selects the new row. Edit (by Return in the list) selects the edited row's position; Delete
// All leaves the cash account as it is. Saved and reopened, the portfolio holds buy and mirror.
TEST_F(TransactionPropPagesTest, InvestmentPageNewEditDeleteAllOnTheDocument) {
    const ItemPos acme = addItem("Acme");
    doc->AddQuotationToItem(acme, CKurs(OleDate(2024, 5, 16, 17, 0, 0), 100.0), false, false);
    add(cash, CTransaction::kBuy, OleDate(2024, 1, 2, 10, 0, 0), 500, 0, 0);
    add(acme, CTransaction::kBuy, OleDate(2024, 1, 3, 10, 0, 0), 1, 80, 0);
    CWPInvestPropPage page(services->bundle());
    launch(page, acme);
    services->modal->on("dlg_30739", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Transaction [Acme]");
        EXPECT_EQ(child<QLineEdit>(d, IDC_TRANSACTION_UNITS)->text(), "0.0000");
        EXPECT_EQ(child<QLineEdit>(d, IDC_TRANSACTION_QUOTATION)->text(), "100.0000");
        auto* units = child<QLineEdit>(d, IDC_TRANSACTION_UNITS);
        units->setFocus();
        units->selectAll();
        QTest::keyClicks(units, "10");
        testsupport::saveRendering(d, "new buy");
        click(d, IDOK);
    });
    services->modal->on("dlg_30739", [](QDialog& d) {
        EXPECT_EQ(child<QLineEdit>(d, IDC_TRANSACTION_UNITS)->text(), "1.0000");
        auto* taxes = child<QLineEdit>(d, IDC_TRANSACTION_TAXES);
        taxes->setFocus();
        taxes->selectAll();
        QTest::keyClicks(taxes, "5");
        click(d, IDOK);
    });
    runSheet(page, [&](QDialog& d) {
        click(d, IDC_NEW_TRANSACTION);
        EXPECT_EQ(column(d, 0), (Texts{"Buy", "Buy", "Break-even", "Hypothetical Sell", "(Total)"}));
        EXPECT_EQ(selectedRow(d), 1);
        EXPECT_EQ(column(d, 3)[2], "11.00");
        const CWPapier& item = *doc->GetItem(acme);
        EXPECT_EQ(item.m_dUnits, 11.0);
        EXPECT_NEAR(item.m_dAveragePrice, 1080.0 / 11, 1e-9);
        EXPECT_NEAR(item.m_dBreakEven, 1080.0 / 11, 1e-9);
        EXPECT_EQ(doc->GetCashAccountBalance(), -500.0);
        ASSERT_EQ(services->boxes->shown().size(), 1u);
        EXPECT_EQ(services->boxes->shown()[0].type & MB_ICONMASK, unsigned(MB_ICONEXCLAMATION));
        EXPECT_TRUE(services->boxes->texts()[0].starts_with(
            "Attention: Your cash account balance is negative (-500.00)!\n\nPlease make sure"));

        // Return in the list edits the row (and does not confirm the sheet).
        selectRow(d, 0);
        QTest::keyClick(list(d), Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(doc->GetItem(acme)->GetTransactionAt(0)->m_dTaxes, 5.0);
        EXPECT_EQ(selectedRow(d), 0);
        EXPECT_EQ(services->boxes->texts().size(), 1u); // already negative: no second warning
        // The edited buy had no mirror: one is added.
        EXPECT_EQ(doc->GetCashAccountBalance(), -585.0);

        click(d, IDC_DELETE_ALL_TRANSACTIONS);
        EXPECT_EQ(column(d, 0), (Texts{"Break-even", "Total"}));
        EXPECT_FALSE(enabled(d, IDC_EDIT_TRANSACTION) || enabled(d, IDC_DELETE_TRANSACTION));
        EXPECT_EQ(doc->GetItem(acme)->GetTransactionCount(), 0);
        EXPECT_EQ(doc->GetTransactionListCopy(cash)->size(), 3u);
        EXPECT_EQ(doc->GetCashAccountBalance(), -585.0);
        click(d, IDOK);
    });

    // New once more, then the portfolio is saved and reopened.
    services->modal->on("dlg_30739", [](QDialog& d) {
        auto* units = child<QLineEdit>(d, IDC_TRANSACTION_UNITS);
        units->setFocus();
        units->selectAll();
        QTest::keyClicks(units, "10");
        click(d, IDOK);
    });
    CWPInvestPropPage again(services->bundle());
    launch(again, acme);
    runSheet(again, [&](QDialog& d) {
        QTest::keyClick(list(d), Qt::Key_Insert);
        click(d, IDOK);
    });
    const auto path = dir() / "portfolio.cvr";
    ASSERT_TRUE(doc->OnSaveDocument(path));
    CWPapierDoc reopened(nullptr);
    ASSERT_TRUE(reopened.OnOpenDocument(path));
    const CWPapier* loaded = nullptr;
    for (ItemPos pos = reopened.GetHeadPosition(); pos != kNoItemPos;)
        if (const CWPapier* i = reopened.GetNextItem(pos); i->m_strName == "Acme")
            loaded = i;
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->GetTransactionCount(), 1);
    EXPECT_EQ(loaded->GetTransactionAt(0)->m_dUnits, 10.0);
    EXPECT_EQ(loaded->m_dUnits, 10.0);
    const auto mirrored = *reopened.GetTransactionListCopy(reopened.FindCashAccountItem());
    ASSERT_EQ(mirrored.size(), 4u);
    EXPECT_EQ(mirrored[3].m_nType, CTransaction::kSell);
    EXPECT_EQ(mirrored[3].m_dUnits, 1000.0);
    EXPECT_EQ(reopened.GetCashAccountBalance(), -1585.0);
}

// The alarm fields: enabled by their boxes, shown with up to fifteen digits, and a text that is no
// number refused with the framework's message, the focus back in the field, the sheet kept open.
TEST_F(TransactionPropPagesTest, InvestmentAlarmFieldsRefuseTextsThatAreNoNumbers) {
    const ItemPos acme = addItem("Acme");
    CWPInvestPropPage page(services->bundle());
    launch(page, acme);
    page.m_bAlarmAbove = 1;
    page.m_dAlarmAbove = 1234567.891;
    runSheet(page, [&](QDialog& d) {
        EXPECT_EQ(child<QLineEdit>(d, IDC_ALARM_ABOVE_VALUE)->text(), "1,234,567.891");
        EXPECT_TRUE(enabled(d, IDC_ALARM_ABOVE_VALUE));
        EXPECT_FALSE(enabled(d, IDC_ALARM_BELOW_VALUE) || enabled(d, IDC_ALARM_BREAK_EVEN_PERCENT));
        EXPECT_EQ(column(d, 0), (Texts{"Break-even", "Total"}));
        EXPECT_EQ(column(d, 6), (Texts{"", "+0.00"}));
        EXPECT_EQ(column(d, 8), (Texts{"", "+0.00%"}));
        auto* below = child<QCheckBox>(d, IDC_ALARM_BELOW);
        QTest::mouseClick(below, Qt::LeftButton, {}, QPoint(5, below->height() / 2));
        ASSERT_TRUE(enabled(d, IDC_ALARM_BELOW_VALUE));
        // Both limits refused: the exchange stops at the first in its order (above, then below).
        auto* value = child<QLineEdit>(d, IDC_ALARM_BELOW_VALUE);
        value->setFocus();
        value->selectAll();
        QTest::keyClicks(value, "9O");
        auto* above = child<QLineEdit>(d, IDC_ALARM_ABOVE_VALUE);
        above->setText("12,34");
        click(d, IDOK);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.focusWidget(), above);
        EXPECT_EQ(services->boxes->texts().size(), 1u);
        above->setText("1,234,567.891");
        click(d, IDOK);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.focusWidget(), value);
        testsupport::saveRendering(d, "refused");
        value->selectAll();
        QTest::keyClicks(value, "1,250.5");
        click(d, IDOK);
    });
    EXPECT_EQ(services->boxes->texts(), (Texts{"Please enter a number.", "Please enter a number."}));
    for (const auto& shown : services->boxes->shown())
        EXPECT_EQ(shown.type & MB_ICONMASK, unsigned(MB_ICONEXCLAMATION));
    EXPECT_EQ(page.m_bAlarmBelow, 1);
    EXPECT_EQ(page.m_dAlarmBelow, 1250.5);
    EXPECT_EQ(page.m_dAlarmAbove, 1234567.891);
}

// The list formats a cell when it is first shown or read. Every text, also of the rows that were
// never in view, is the one of the fill that made the row: replacing the page's transactions
// leaves the shown list as it is, and a refill after Delete shows the document's new figures.
TEST_F(TransactionPropPagesTest, InvestmentTextsBelongToTheirFill) {
    using Rows = std::vector<std::array<std::string, kInvestColumnCount>>;
    const ItemPos acme = addItem("Acme");
    const CKurs last(OleDate(2024, 5, 16, 17, 0, 0), 130.0);
    doc->AddQuotationToItem(acme, last, false, false);
    for (int k = 0; k < 40; ++k)
        add(acme, k % 4 == 3 ? CTransaction::kSell : CTransaction::kBuy, OleDate(2024, 1, 2 + k % 28, 10, k, 0),
            1 + k % 3, 100 + k, k % 5);
    const auto expected = [&] {
        Rows out;
        for (const InvestRow& row :
             computeInvestRows(*doc->GetTransactionListCopy(acme), last, OleDate(2024, 5, 17, 12, 0, 0)).rows)
            out.push_back(investRowTexts(row));
        return out;
    };
    const auto shown = [](QDialog& d) {
        Rows out(static_cast<std::size_t>(list(d)->topLevelItemCount()));
        for (std::size_t r = 0; r < out.size(); ++r)
            for (int c = 0; c < kInvestColumnCount; ++c)
                out[r][static_cast<std::size_t>(c)] = list(d)->topLevelItem(static_cast<int>(r))->text(c).toStdString();
        return out;
    };
    CWPInvestPropPage page(services->bundle());
    launch(page, acme);
    runSheet(page, [&](QDialog& d) {
        const Rows filled = expected();
        page.SetTransactionList({});
        EXPECT_EQ(shown(d), filled);

        selectRow(d, 0);
        QTest::keyClick(list(d), Qt::Key_Delete);
        ASSERT_EQ(doc->GetItem(acme)->GetTransactionCount(), 39);
        const Rows refilled = expected();
        EXPECT_NE(refilled, filled);
        EXPECT_EQ(shown(d), refilled);
        click(d, IDOK);
    });
}

// ---------------------------------------------------------------- Statement page

TEST_F(TransactionPropPagesTest, StatementPageBalanceNewEditDelete) {
    add(cash, CTransaction::kBuy, OleDate(2024, 5, 1, 10, 0, 0), 1000, 0, 0);
    add(cash, CTransaction::kSell, OleDate(2024, 5, 2, 9, 30, 0), 200, 0, 5);
    CWPAccountPropPage page(services->bundle());
    page.m_pDoc = doc.get();
    page.m_posItem = cash;
    page.m_strName = doc->GetItem(cash)->m_strName;
    page.SetTransactionList(*doc->GetTransactionListCopy(cash));
    page.m_LastQuotation = CKurs(OleDate(2024, 5, 2, 9, 30, 0), 795.0);
    page.m_nSelectTransaction = 1;
    services->modal->on("dlg_3213", [](QDialog& d) {
        EXPECT_EQ(child<QLineEdit>(d, IDC_TRANSACTION_UNITS)->text(), "0.0000");
        auto* amount = child<QLineEdit>(d, IDC_TRANSACTION_UNITS);
        amount->setFocus();
        amount->selectAll();
        QTest::keyClicks(amount, "50");
        click(d, IDOK);
    });
    services->modal->on("dlg_3213", [](QDialog& d) {
        EXPECT_EQ(child<QLineEdit>(d, IDC_TRANSACTION_UNITS)->text(), "200.0000");
        EXPECT_EQ(child<QLineEdit>(d, IDC_TRANSACTION_TAXES)->text(), "5.0000");
        auto* taxes = child<QLineEdit>(d, IDC_TRANSACTION_TAXES);
        taxes->setFocus();
        taxes->selectAll();
        QTest::keyClicks(taxes, "0");
        click(d, IDOK);
    });
    runSheet(page, [&](QDialog& d) {
        EXPECT_EQ(headers(d), (Texts{"Transaction", "Date / Time", "Note", "Volume", "Balance"}));
        EXPECT_EQ(column(d, 0), (Texts{"Credit", "Debit", "Total"}));
        EXPECT_EQ(column(d, 1), (Texts{"05/01/2024   10:00:00", "05/02/2024   09:30:00", "05/02/2024   09:30:00"}));
        expectTextsFit(d);
        EXPECT_EQ(column(d, 3), (Texts{"1,000.00", "-205.00", "795.00"}));
        EXPECT_EQ(column(d, 4), (Texts{"1,000.00", "795.00", ""}));
        EXPECT_EQ(selectedRow(d), 1); // the launcher's choice, ready to edit
        EXPECT_TRUE(enabled(d, IDC_EDIT_TRANSACTION) && enabled(d, IDC_DELETE_TRANSACTION));
        EXPECT_EQ(child(d, IDC_NEW_TRANSACTION)->toolTip(), "Add new account transaction: Credit, Debit, Interests");
        testsupport::saveRendering(d, "statement");

        QTest::keyClick(list(d), Qt::Key_Insert); // New: a credit of 50 now
        EXPECT_EQ(column(d, 3), (Texts{"1,000.00", "-205.00", "50.00", "845.00"}));
        EXPECT_EQ(selectedRow(d), 2);
        const QPoint second(20, list(d)->visualItemRect(list(d)->topLevelItem(1)).center().y());
        QTest::mouseClick(list(d)->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(list(d)->viewport(), Qt::LeftButton, {}, second);
        EXPECT_EQ(column(d, 3), (Texts{"1,000.00", "-200.00", "50.00", "850.00"}));
        EXPECT_EQ(selectedRow(d), 1);
        QTest::keyClick(list(d), Qt::Key_Delete);
        EXPECT_EQ(column(d, 0), (Texts{"Credit", "Credit", "Total"}));
        click(d, IDOK);
    });
    EXPECT_EQ(doc->GetCashAccountBalance(), 1050.0);
    EXPECT_TRUE(services->boxes->texts().empty());
}

// ---------------------------------------------------------------- Transactions page

TEST_F(TransactionPropPagesTest, TransactionsPageListsEveryItemAndRoutesEdits) {
    const ItemPos acme = addItem("Acme");
    add(acme, CTransaction::kBuy, OleDate(2024, 3, 1, 10, 0, 0), 10, 100, 5);
    add(cash, CTransaction::kSell, OleDate(2024, 3, 15, 12, 0, 0), 200, 0, 5);
    add(acme, CTransaction::kSell, OleDate(2024, 4, 2, 11, 0, 0), 10, 120, 5);
    CWPGlobalTransactionsPropPage page(services->bundle());
    page.m_pDoc = doc.get();
    page.m_nSelectTransaction = -1;
    page.SetTransactionList(doc->GetAllTransactionsSorted());
    services->modal->on("dlg_3213", [](QDialog& d) { click(d, IDCANCEL); });
    services->modal->on("dlg_30739", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Transaction [Acme]");
        auto* quotation = child<QLineEdit>(d, IDC_TRANSACTION_QUOTATION);
        quotation->setFocus();
        quotation->selectAll();
        QTest::keyClicks(quotation, "130");
        click(d, IDOK);
    });
    runSheet(page, [&](QDialog& d) {
        EXPECT_EQ(headers(d), (Texts{"Transaction", "Date", "Item", "Note", "Volume"}));
        EXPECT_EQ(d.findChild<QWidget*>(Dialog::controlName(IDC_NEW_TRANSACTION)), nullptr);
        EXPECT_EQ(column(d, 0), (Texts{"Buy", "Debit", "Sell"}));
        EXPECT_EQ(column(d, 4), (Texts{"1,005.00", "-205.00", "-1,205.00"}));
        EXPECT_EQ(column(d, 2)[0], "Acme");
        expectTextsFit(d);
        testsupport::saveRendering(d, "transactions");

        selectRow(d, 1);
        click(d, IDC_EDIT_TRANSACTION); // the cash account's dialog, cancelled
        selectRow(d, 2);
        QTest::keyClick(list(d), Qt::Key_Return); // the investment dialog
        EXPECT_EQ(column(d, 4), (Texts{"1,005.00", "-205.00", "-1,305.00"}));
        EXPECT_EQ(selectedRow(d), 2);
        QTest::keyClick(list(d), Qt::Key_Insert); // no New here
        click(d, IDC_DELETE_ALL_TRANSACTIONS);
        EXPECT_EQ(list(d)->topLevelItemCount(), 0);
        EXPECT_FALSE(enabled(d, IDC_DELETE_ALL_TRANSACTIONS));
        click(d, IDOK);
    });
    EXPECT_EQ(services->modal->ran(), (std::vector<std::string>{"dlg_108", "dlg_3213", "dlg_30739"}));
    EXPECT_EQ(doc->GetItem(acme)->GetTransactionCount(), 0);
    EXPECT_EQ(doc->GetItem(cash)->GetTransactionCount(), 0);
}

} // namespace
