// The Investment, Statement and Transactions pages without their widgets, on a real portfolio
// document at a fixed "now" (Wednesday, 15 May 2024, 10:00): rows, running figures and their texts
// in en_US, the Transactions page's routing, the column widths, New and Edit with the cash
// account's mirror and balance warnings, and a buy that survives saving and reopening.

#include "TransactionTestSupport.h"
#include "dialogs/TransactionDlgLogic.h"
#include "dialogs/TransactionListCommon.h"
#include "dialogs/WPAccountPropPageLogic.h"
#include "dialogs/WPGlobalTransactionsPropPageLogic.h"
#include "dialogs/WPInvestPropPageLogic.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "portfolio/WPapierDoc.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using Kind = InvestRow::Kind;

class TransactionPagesTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        clock.set(std::chrono::system_clock::from_time_t(*now.toTimeT()));
        doc = std::make_unique<CWPapierDoc>(nullptr);
        doc->OnNewDocument();
        cash = doc->FindCashAccountItem();
    }
    void TearDown() override {
        doc.reset();
        TempDirTest::TearDown();
    }

    ItemPos addItem(const std::string& name) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        item->m_pFormulaItemX = item->m_pFormulaItemY = item.get();
        return doc->AddItem(std::move(item));
    }
    void add(ItemPos pos, int kind, const OleDate& date, double units, double quotation, double taxes,
             int recurrence = 0) {
        ASSERT_GE(doc->AddTransaction(
                      pos, CTransaction(kind, date, units, quotation, taxes, recurrence, false, OleDate(), "")),
                  0);
    }
    std::vector<CTransaction> transactions(ItemPos pos) { return *doc->GetTransactionListCopy(pos); }
    CKurs lastQuotation(ItemPos pos) {
        CKurs last;
        if (!doc->GetItem(pos)->GetLastQuotation(last))
            last = CKurs(now, 0.0); // the page's construction time
        return last;
    }
    InvestRows investRows(ItemPos pos) { return computeInvestRows(transactions(pos), lastQuotation(pos), now); }
    static std::vector<std::string> column(const std::vector<std::array<std::string, kInvestColumnCount>>& rows,
                                           std::size_t c) {
        std::vector<std::string> out;
        for (const auto& row : rows)
            out.push_back(row[c]);
        return out;
    }
    static std::vector<std::array<std::string, kInvestColumnCount>> texts(const InvestRows& rows) {
        std::vector<std::array<std::string, kInvestColumnCount>> out;
        for (const InvestRow& row : rows.rows)
            out.push_back(investRowTexts(row));
        return out;
    }

    const OleDate now{2024, 5, 15, 10, 0, 0};
    FixedClock clock;
    ScopedClock scopedClock{clock};
    std::unique_ptr<CWPapierDoc> doc;
    ItemPos cash = kNoItemPos;
};

// ---------------------------------------------------------------- Investment page

// Buy 10 at 100 with taxes 10, sell 10 at 120 with taxes 10: nothing held afterwards.
TEST_F(TransactionPagesTest, InvestmentPageAfterASale) {
    const ItemPos acme = addItem("Acme");
    doc->AddQuotationToItem(acme, CKurs(OleDate(2024, 4, 2, 17, 0, 0), 120.0), false, false);
    add(acme, CTransaction::kBuy, OleDate(2024, 3, 1, 10, 0, 0), 10, 100, 10);
    add(acme, CTransaction::kSell, OleDate(2024, 4, 2, 11, 0, 0), 10, 120, 10);
    const InvestRows rows = investRows(acme);

    ASSERT_EQ(rows.rows.size(), 4u); // no "Hypothetical Sell" without units
    EXPECT_EQ(rows.rows[0].volume, -1010.0);
    EXPECT_FALSE(rows.rows[0].transactionResult || rows.rows[0].investmentResult);
    EXPECT_EQ(rows.rows[1].volume, 1190.0);
    EXPECT_NEAR(*rows.rows[1].transactionResult, 18.8119, 1e-4);
    EXPECT_NEAR(*rows.rows[1].investmentResult, 17.8218, 1e-4);
    EXPECT_EQ(rows.rows[2].kind, Kind::BreakEven);
    EXPECT_EQ(rows.rows[2].units, 0.0);
    EXPECT_EQ(rows.rows[2].quotation, 101.0);
    const InvestRow& total = rows.rows[3];
    EXPECT_EQ(total.kind, Kind::Total);
    EXPECT_EQ(total.label, "Total");
    EXPECT_EQ(total.volume, 180.0);
    EXPECT_NEAR(*total.investmentResult, 17.8218, 1e-4);
    EXPECT_EQ(rows.units, 0.0);
    EXPECT_EQ(rows.averagePrice, 101.0);

    const transactiontest::ScopedEnUsLocale english;
    ASSERT_TRUE(english.active);
    const auto cells = texts(rows);
    EXPECT_EQ(column(cells, 0), (std::vector<std::string>{"Buy", "Sell", "Break-even", "Total"}));
    // "Break-even" has the last transaction's date; "Total" the last sale's.
    EXPECT_EQ(column(cells, 1), (std::vector<std::string>{"03/01/2024", "04/02/2024", "04/02/2024", "04/02/2024"}));
    EXPECT_EQ(column(cells, 6), (std::vector<std::string>{"-1,010.00", "+1,190.00", "", "+180.00"}));
    EXPECT_EQ(column(cells, 7), (std::vector<std::string>{"", "+18.81%", "", ""}));
    EXPECT_EQ(column(cells, 8), (std::vector<std::string>{"", "+17.82%", "", "+17.82%"}));
    EXPECT_EQ(cells[2][3], "0.00");
    EXPECT_EQ(cells[2][4], "101.00");
    EXPECT_EQ(cells[0][3], "10.00");
    EXPECT_EQ(cells[0][4], "100.00");
    EXPECT_EQ(cells[0][5], "10.00");
}

// Buy 10 at 100, a dividend of 2 on 10 units, newest quotation 110: units still held.
TEST_F(TransactionPagesTest, InvestmentPageWhileHolding) {
    const ItemPos acme = addItem("Acme");
    add(acme, CTransaction::kBuy, OleDate(2024, 3, 1, 10, 0, 0), 10, 100, 0, 12);
    add(acme, CTransaction::kDividend, OleDate(2024, 4, 2, 10, 0, 0), 10, 2, 0);
    doc->AddQuotationToItem(acme, CKurs(OleDate(2024, 5, 14, 17, 0, 0), 110.0), false, false);
    const InvestRows rows = investRows(acme);

    ASSERT_EQ(rows.rows.size(), 5u);
    EXPECT_NEAR(*rows.rows[1].transactionResult, 2.0, 1e-12);
    EXPECT_EQ(rows.rows[2].quotation, 98.0); // break-even lowered by the dividend
    const InvestRow& sell = rows.rows[3];
    EXPECT_EQ(sell.kind, Kind::HypotheticalSell);
    EXPECT_EQ(sell.units, 10.0);
    EXPECT_EQ(sell.quotation, 110.0);
    EXPECT_EQ(sell.volume, 1100.0);
    EXPECT_NEAR(*sell.transactionResult, 10.0, 1e-12);
    EXPECT_NEAR(*sell.investmentResult, 12.0, 1e-12);
    const InvestRow& total = rows.rows[4];
    EXPECT_EQ(total.label, "(Total)");
    EXPECT_EQ(total.volume, 120.0);
    EXPECT_NEAR(*total.investmentResult, 12.0, 1e-12);
    EXPECT_TRUE(datesEqual(total.date, OleDate(2024, 5, 14, 17, 0, 0)));
    // Recurring buy "R" arrow, dividend coins, then the summary images.
    std::vector<int> images;
    for (const InvestRow& row : rows.rows)
        images.push_back(row.image);
    EXPECT_EQ(images, (std::vector<int>{0, 5, 7, 8, 9}));

    const transactiontest::ScopedEnUsLocale english;
    ASSERT_TRUE(english.active);
    const auto cells = texts(rows);
    EXPECT_EQ(cells[1][7], "+2.00%");
    EXPECT_EQ(cells[2][4], "98.00");
    EXPECT_EQ(cells[3][6], "+1,100.00");
    EXPECT_EQ(cells[3][7], "+10.00%");
    EXPECT_EQ(cells[3][8], "+12.00%");
    EXPECT_EQ(cells[4][6], "+120.00");
    EXPECT_EQ(cells[4][8], "+12.00%");
}

TEST_F(TransactionPagesTest, InvestmentPageWithoutTransactionsAndWithFutureDates) {
    const ItemPos acme = addItem("Acme");
    const InvestRows empty = investRows(acme);
    ASSERT_EQ(empty.rows.size(), 2u);
    EXPECT_EQ(empty.rows[0].units, 0.0);
    EXPECT_EQ(empty.rows[0].quotation, 0.0);
    EXPECT_EQ(empty.rows[1].label, "Total");
    EXPECT_EQ(empty.rows[1].volume, 0.0);
    EXPECT_EQ(empty.rows[1].investmentResult, 0.0);

    // A transaction dated tomorrow shows its date in parentheses, and so does "Break-even".
    add(acme, CTransaction::kBuy, OleDate(2024, 5, 16, 9, 0, 0), 1, 10, 0);
    const InvestRows rows = investRows(acme);
    EXPECT_TRUE(rows.rows[0].dateAfterNow);
    EXPECT_TRUE(rows.rows[1].dateAfterNow);
    const transactiontest::ScopedEnUsLocale english;
    ASSERT_TRUE(english.active);
    EXPECT_EQ(investRowTexts(rows.rows[0])[1], "(05/16/2024)");
    EXPECT_EQ(investRowTexts(rows.rows[1])[1], "(05/16/2024)");
    const auto cells = texts(empty);
    EXPECT_EQ(cells[0][3], "0.00");
    EXPECT_EQ(cells[0][4], "0.00");
    EXPECT_EQ(cells[1][6], "+0.00");
    EXPECT_EQ(cells[1][8], "+0.00%");
}

// A sale before any buy, a buy that cancels the units, and nothing invested in sum: no percentage
// divides by 0, and every figure stays finite.
TEST_F(TransactionPagesTest, InvestmentPercentagesNeverDivideByZero) {
    const std::vector<CTransaction> list = {
        CTransaction(CTransaction::kSell, OleDate(2024, 1, 2, 10, 0, 0), 5, 10, 1, 0, false, OleDate(), ""),
        CTransaction(CTransaction::kDividend, OleDate(2024, 1, 3, 10, 0, 0), 5, 1, 0, 0, false, OleDate(), ""),
        CTransaction(CTransaction::kBuy, OleDate(2024, 1, 4, 10, 0, 0), 5, 10, 0, 0, false, OleDate(), ""),
        CTransaction(CTransaction::kBuy, OleDate(2024, 1, 5, 10, 0, 0), 10, 20, 0, 0, false, OleDate(), ""),
        CTransaction(CTransaction::kBuy, OleDate(2024, 1, 6, 10, 0, 0), -10, 20, 0, 0, false, OleDate(), ""),
        CTransaction(CTransaction::kSell, OleDate(2024, 1, 7, 10, 0, 0), 0, 20, 1, 0, false, OleDate(), ""),
    };
    const InvestRows rows = computeInvestRows(list, CKurs(now, 12.0), now);
    EXPECT_FALSE(rows.rows[0].transactionResult || rows.rows[0].investmentResult); // average 0
    EXPECT_FALSE(rows.rows[1].transactionResult);                                  // average 0
    EXPECT_TRUE(rows.rows[5].transactionResult.has_value());
    EXPECT_FALSE(rows.rows[5].investmentResult); // no units sold
    for (const InvestRow& row : rows.rows)
        for (const auto& value :
             {row.units, row.quotation, row.taxes, row.volume, row.transactionResult, row.investmentResult})
            EXPECT_TRUE(!value || std::isfinite(*value)) << row.label;
    // The invested sum is 0: the total's percentage is 0.
    const InvestRows cancelled =
        computeInvestRows(std::vector<CTransaction>(list.begin() + 3, list.begin() + 5), CKurs(now, 12.0), now);
    EXPECT_EQ(cancelled.rows.back().investmentResult, 0.0);
}

// ---------------------------------------------------------------- Statement page

TEST_F(TransactionPagesTest, StatementRowsAndRunningBalance) {
    const transactiontest::ScopedEnUsLocale english;
    ASSERT_TRUE(english.active);
    // An empty account: only "Total" with 0 and the current date and time.
    const auto empty = computeAccountRows(transactions(cash), now);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].volume, 0.0);
    EXPECT_EQ(accountRowTexts(empty[0])[1], "05/15/2024   10:00:00");

    add(cash, CTransaction::kBuy, OleDate(2024, 1, 2, 10, 0, 0), 1000, 0, 0, 12);
    add(cash, CTransaction::kSell, OleDate(2024, 2, 3, 11, 30, 15), 200, 0, 5);
    add(cash, CTransaction::kDividend, OleDate(2024, 6, 1, 9, 0, 0), 10, 0, 0); // after now: still counts
    const auto rows = computeAccountRows(transactions(cash), now);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].volume, 1000.0);
    EXPECT_EQ(rows[0].balance, 1000.0);
    EXPECT_EQ(rows[1].volume, -205.0);
    EXPECT_EQ(rows[1].balance, 795.0);
    EXPECT_EQ(rows[2].balance, 805.0);
    EXPECT_TRUE(rows[3].total);
    EXPECT_EQ(rows[3].volume, 805.0);
    EXPECT_FALSE(rows[3].balance);
    EXPECT_EQ(rows[0].image, 0);
    EXPECT_EQ(rows[1].image, 3);
    EXPECT_EQ(rows[3].image, kImageSum);

    std::vector<std::array<std::string, kAccountColumnCount>> cells;
    for (const AccountRow& row : rows)
        cells.push_back(accountRowTexts(row));
    EXPECT_EQ(cells[0][0], "Credit");
    EXPECT_EQ(cells[1][0], "Debit");
    EXPECT_EQ(cells[2][0], "Interests");
    EXPECT_EQ(cells[3][0], "Total");
    EXPECT_EQ(cells[1][1], "02/03/2024   11:30:15");
    EXPECT_EQ(cells[2][1], "(06/01/2024   09:00:00)");
    EXPECT_EQ(cells[3][1], "(06/01/2024   09:00:00)");
    EXPECT_EQ(cells[0][3], "1,000.00");
    EXPECT_EQ(cells[0][4], "1,000.00");
    EXPECT_EQ(cells[1][3], "-205.00");
    EXPECT_EQ(cells[1][4], "795.00");
    EXPECT_EQ(cells[3][3], "805.00");
    EXPECT_EQ(cells[3][4], "");
}

// ---------------------------------------------------------------- Transactions page

TEST_F(TransactionPagesTest, AllTransactionsWithTheirItemsVolumesAndEditors) {
    const ItemPos acme = addItem("Acme");
    const ItemPos bolt = addItem("Bolt");
    add(acme, CTransaction::kBuy, OleDate(2024, 1, 10, 10, 0, 0), 10, 100, 5);
    add(acme, CTransaction::kSell, OleDate(2024, 3, 10, 10, 0, 0), 10, 120, 5);
    add(cash, CTransaction::kSell, OleDate(2024, 2, 10, 10, 0, 0), 200, 0, 5);
    add(bolt, CTransaction::kDividend, OleDate(2024, 2, 20, 10, 0, 0), 10, 3, 1);
    const std::vector<CTransaction> all = doc->GetAllTransactionsSorted();
    const auto rows = computeGlobalTransactionRows(*doc, all, now);

    ASSERT_EQ(rows.size(), 4u);
    std::vector<std::string> labels;
    std::vector<std::string> names;
    std::vector<double> volumes;
    for (const auto& row : rows) {
        labels.push_back(row.label);
        names.push_back(row.itemName);
        volumes.push_back(row.volume);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Buy", "Debit", "Dividends/Interests", "Sell"}));
    const std::string cashName = doc->GetItemName(cash);
    EXPECT_EQ(names, (std::vector<std::string>{"Acme", cashName, "Bolt", "Acme"}));
    EXPECT_EQ(volumes, (std::vector<double>{1005.0, -205.0, 29.0, -1205.0}));
    EXPECT_EQ(globalTransactionVolume(CTransaction::kBuy, true, 100, 0, 2), 98.0);
    EXPECT_EQ(globalTransactionVolume(CTransaction::kDividend, true, 100, 0, 2), 98.0);

    EXPECT_EQ(editorForTransaction(*doc, all[0]), TransactionEditor::Investment);
    EXPECT_EQ(editorForTransaction(*doc, all[1]), TransactionEditor::CashAccount);
    ASSERT_TRUE(doc->DeleteItem(bolt));
    EXPECT_EQ(editorForTransaction(*doc, all[2]), TransactionEditor::None);
    EXPECT_EQ(computeGlobalTransactionRows(*doc, all, now)[2].itemName, "");

    const transactiontest::ScopedEnUsLocale english;
    ASSERT_TRUE(english.active);
    EXPECT_EQ(globalTransactionRowTexts(rows[1])[1], "02/10/2024   10:00:00");
    EXPECT_EQ(globalTransactionRowTexts(rows[0])[4], "1,005.00");
    EXPECT_EQ(globalTransactionRowTexts(rows[1])[4], "-205.00");
    EXPECT_EQ(globalTransactionRowTexts(rows[3])[4], "-1,205.00");
}

// ---------------------------------------------------------------- shared parts

TEST(TransactionLists, RowImages) {
    struct Case {
        int kind;
        int recurrence;
        int image;
    };
    for (const Case& c : {Case{0, 12, 0}, Case{0, 0, 1}, Case{1, 1, 2}, Case{1, 0, 3}, Case{2, 3, 4}, Case{2, 0, 5}}) {
        SCOPED_TRACE(c.kind * 100 + c.recurrence);
        EXPECT_EQ(transactionRowImage(c.kind, c.recurrence), c.image);
    }
}

TEST(TransactionLists, ColumnWidthsTakeTheirDefaultEachAlone) {
    struct Case {
        std::string text;
        std::vector<int> expected;
    };
    const std::string cut = "10," + std::string(251, ' ') + "20"; // the 256th character is not read
    const Case cases[] = {
        {"", {80, 70, 40, 50, 70, 50, 75, 75, 80}},
        {"100,200", {100, 200, 40, 50, 70, 50, 75, 75, 80}},
        {"90,abc,-5,3000,  60 ,,+70,0,2000,999", {90, 70, 40, 50, 60, 50, 70, 0, 2000}},
        {"12x,1 2,99999999999", {80, 70, 40, 50, 70, 50, 75, 75, 80}},
        {cut, {10, 2, 40, 50, 70, 50, 75, 75, 80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseColumnWidths(c.text, kInvestColumnWidths), c.expected);
    }
}

TEST_F(TransactionPagesTest, ColumnWidthsFromTheSettings) {
    SettingsStore store(dir() / "settings.conf");
    EXPECT_EQ(readColumnWidths(store, kAccountColumnsSection, kAccountColumnWidths),
              (std::vector<int>{80, 120, 150, 70, 100}));
    ASSERT_TRUE(store.writeString(kGlobalColumnsSection, kColumnsEntry, "60,,-1"));
    EXPECT_EQ(readColumnWidths(store, kGlobalColumnsSection, kGlobalColumnWidths),
              (std::vector<int>{60, 120, 140, 140, 100}));
}

TEST(TransactionLists, BalanceWarningConditions) {
    struct Case {
        double before;
        double after;
        bool afterNew;
        bool afterEdit;
    };
    const Case cases[] = {
        {500, -500, true, true},    {0, -1, true, true},      {-100, -200, true, false},
        {-200, -100, false, false}, {500, 100, false, false}, {-5, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.before) + " -> " + std::to_string(c.after));
        EXPECT_EQ(balanceWarningAfterNew(c.before, c.after).has_value(), c.afterNew);
        EXPECT_EQ(balanceWarningAfterEdit(c.before, c.after).has_value(), c.afterEdit);
    }
}

// ---------------------------------------------------------------- New and Edit on the document

// With the cash account at +500, a buy of 10 at 100 mirrored into it brings the balance to -500.
TEST_F(TransactionPagesTest, NewBuyWarnsOfTheNegativeBalance) {
    const ItemPos acme = addItem("Acme");
    add(cash, CTransaction::kBuy, OleDate(2024, 1, 2, 10, 0, 0), 500, 0, 0);
    const CTransaction buy(CTransaction::kBuy, OleDate(2024, 5, 2, 10, 0, 0), 10, 100, 0, 0, false, OleDate(), "");

    // Without the option nothing is mirrored; units and taxes of 0 are not mirrored either.
    CTransaction earlier = buy;
    earlier.m_dtDate = OleDate(2024, 5, 1, 10, 0, 0);
    EXPECT_EQ(addInvestmentTransaction(*doc, acme, "Acme", earlier, false).warning, std::nullopt);
    CTransaction nothing = buy;
    nothing.m_dtDate = OleDate(2024, 4, 1, 10, 0, 0);
    nothing.m_dUnits = 0;
    EXPECT_EQ(addInvestmentTransaction(*doc, acme, "Acme", nothing, true).warning, std::nullopt);
    EXPECT_EQ(doc->GetCashAccountBalance(), 500.0);

    const InvestNewResult result = addInvestmentTransaction(*doc, acme, "Acme", buy, true);
    EXPECT_EQ(result.index, 2);
    EXPECT_EQ(doc->GetCashAccountBalance(), -500.0);
    EXPECT_EQ(result.warning,
              "Attention: Your cash account balance is negative (-500.00)!\n\nPlease make sure that you have "
              "specified your initial cash account's credit, so that your investment history is correctly "
              "recorded:\n-> Open the \"Cash Account\" item, select \"Statement\" and then create a new credit "
              "entry.\n\nIf you prefer to disable this feature, open the menu \"Extras\", \"Options\", \"Advanced\" "
              "and disable the option \"Automatically create cash account credit/debit entry\".");
    // No item: nothing added, nothing mirrored.
    EXPECT_EQ(addInvestmentTransaction(*doc, 987654, "Gone", buy, true).index, -1);
    EXPECT_EQ(doc->GetCashAccountBalance(), -500.0);
}

TEST_F(TransactionPagesTest, EditedBuyWarnsWhenTheBalanceTurnsNegative) {
    const ItemPos acme = addItem("Acme");
    add(cash, CTransaction::kBuy, OleDate(2024, 1, 2, 10, 0, 0), 1500, 0, 0);
    const CTransaction buy(CTransaction::kBuy, OleDate(2024, 5, 2, 10, 0, 0), 10, 100, 0, 0, false, OleDate(), "");
    ASSERT_EQ(addInvestmentTransaction(*doc, acme, "Acme", buy, true).index, 0);
    ASSERT_EQ(doc->GetCashAccountBalance(), 500.0);

    CTransaction dearer = buy;
    dearer.m_dQuotation = 200;
    EXPECT_EQ(replaceInvestmentTransaction(*doc, acme, 0, "Acme", buy, dearer, true),
              "Cash account balance is -500.00!\nPlease check it.");
    EXPECT_EQ(doc->GetTransactionListCopy(cash)->size(), 2u); // the mirror was replaced
    EXPECT_EQ(doc->GetItem(acme)->GetTransactionAt(0)->m_dQuotation, 200.0);

    // Already negative: no second warning. A row that holds no transaction changes nothing.
    CTransaction dearest = dearer;
    dearest.m_dQuotation = 250;
    EXPECT_EQ(replaceInvestmentTransaction(*doc, acme, 0, "Acme", dearer, dearest, true), std::nullopt);
    EXPECT_EQ(doc->GetCashAccountBalance(), -1000.0);
    EXPECT_EQ(replaceInvestmentTransaction(*doc, acme, 5, "Acme", dearest, buy, true), std::nullopt);
    EXPECT_EQ(doc->GetCashAccountBalance(), -1000.0);
}

// A buy entered as the page's New does changes the item's figures, mirrors a debit into the cash
// account, and both survive saving and reopening.
TEST_F(TransactionPagesTest, NewBuyEndToEnd) {
    const ItemPos acme = addItem("Acme");
    doc->AddQuotationToItem(acme, CKurs(OleDate(2024, 5, 14, 17, 0, 0), 100.0), false, false);
    add(cash, CTransaction::kBuy, OleDate(2024, 1, 2, 10, 0, 0), 5000, 0, 0);

    TransactionDlgValues values = newTransactionValues(OleDate::GetCurrentTime(), lastQuotation(acme).m_dClose);
    values.units = 10;
    values.taxes = 5;
    const CTransaction buy = transactionFromDlgValues(values, false);
    const InvestNewResult result = addInvestmentTransaction(*doc, acme, "Acme", buy, true);
    EXPECT_EQ(result.index, 0);
    EXPECT_EQ(result.warning, std::nullopt);
    const CWPapier& item = *doc->GetItem(acme);
    EXPECT_EQ(item.m_dUnits, 10.0);
    EXPECT_EQ(item.m_dAveragePrice, 100.5);
    EXPECT_EQ(item.m_dBreakEven, 100.5);
    EXPECT_EQ(doc->GetCashAccountBalance(), 3995.0);

    const auto path = dir() / "portfolio.cvr";
    ASSERT_TRUE(doc->OnSaveDocument(path));
    CWPapierDoc reopened(nullptr);
    ASSERT_TRUE(reopened.OnOpenDocument(path));
    ItemPos pos = reopened.GetHeadPosition();
    const CWPapier* loaded = nullptr;
    while (pos != kNoItemPos)
        if (const CWPapier* i = reopened.GetNextItem(pos); i->m_strName == "Acme")
            loaded = i;
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->GetTransactionCount(), 1);
    EXPECT_TRUE(datesEqual(loaded->GetTransactionAt(0)->m_dtDate, now));
    EXPECT_EQ(loaded->m_dUnits, 10.0);
    const auto mirrored = *reopened.GetTransactionListCopy(reopened.FindCashAccountItem());
    ASSERT_EQ(mirrored.size(), 2u);
    EXPECT_EQ(mirrored[1].m_nType, CTransaction::kSell);
    EXPECT_EQ(mirrored[1].m_dUnits, 1005.0);
    EXPECT_EQ(mirrored[1].m_strNote, "->Buy \"Acme\"");
    EXPECT_EQ(reopened.GetCashAccountBalance(), 3995.0);
}

} // namespace
