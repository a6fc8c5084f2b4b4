#include "DocBehaviourSupport.h"
#include "ItemTestSupport.h"
#include "LiteralWalk.h"
#include "portfolio/WPapierItem.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <random>

using itemtest::at;
using itemtest::plusSeconds;

namespace {

class RecurringTest : public ::testing::Test {
protected:
    void setNow(const OleDate& local) { m_now.set(local); }

    itemtest::FixedNow m_now{at(2024, 7, 15, 12)};
};

CTransaction cashTransaction(int type, const OleDate& date, double amount, double taxes) {
    return CTransaction(type, date, amount, 0.0, taxes, 0, false, OleDate(), "");
}

CTransaction recurring(int type, const OleDate& date, double units, double price, int months, bool until = false,
                       const OleDate& untilDate = OleDate()) {
    return CTransaction(type, date, units, price, 1.5, months, until, untilDate, "standing order");
}

std::vector<OleDate> dates(const std::vector<CTransaction>& list) {
    std::vector<OleDate> out;
    for (const auto& t : list)
        out.push_back(t.m_dtDate);
    return out;
}

void expectDates(const std::vector<OleDate>& actual, const std::vector<OleDate>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].m_status, expected[i].m_status) << i;
        EXPECT_EQ(actual[i].m_dt, expected[i].m_dt) << i << ": " << actual[i].Format("%c");
    }
}

int addAllDue(CWPapier& item, std::vector<CTransaction>* added = nullptr) {
    int count = 0;
    CTransaction out;
    while (item.AddRecurringTransaction(out)) {
        ++count;
        if (added)
            added->push_back(out);
        if (count > 1000)
            break;
    }
    return count;
}

} // namespace

TEST_F(RecurringTest, CashAccountBalanceList) {
    CWPapier cash;
    cash.m_bCashAccount = 1;
    cash.AddTransaction(cashTransaction(CTransaction::kBuy, at(2024, 1, 1), 1000, 0));
    cash.AddTransaction(cashTransaction(CTransaction::kSell, at(2024, 2, 1), 200, 5));
    cash.AddTransaction(cashTransaction(CTransaction::kDividend, at(2024, 3, 1), 10, 2));
    cash.AddTransaction(cashTransaction(CTransaction::kBuy, at(2024, 4, 1), 50, 0));
    cash.AddTransaction(cashTransaction(CTransaction::kBuy, plusSeconds(at(2024, 4, 1), 0.3), 25, 0));
    cash.AddTransaction(cashTransaction(9, at(2024, 5, 1), 999, 0)); // unknown kind: the balance stays
    cash.AddQuotation(CKurs(at(2023, 1, 1), 123), false);            // replaced by the rebuild
    cash.m_dUnits = 0;

    cash.RecalculateCashAccountQuotationList();
    EXPECT_EQ(cash.m_dUnits, 1.0);
    const auto list = cash.GetQuotationListCopy();
    const std::vector<std::pair<OleDate, double>> expected = {{at(2024, 1, 1), 1000},
                                                              {at(2024, 2, 1), 795},
                                                              {at(2024, 3, 1), 803},
                                                              {plusSeconds(at(2024, 4, 1), 0.3), 878},
                                                              {at(2024, 5, 1), 878}};
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list[i].m_dtDate.m_dt, expected[i].first.m_dt) << i;
        EXPECT_EQ(list[i].m_dClose, expected[i].second) << i;
        EXPECT_EQ(list[i].m_dOpen + list[i].m_dHigh + list[i].m_dLow + list[i].m_dVolume, 0.0);
    }
}

// The one-pass rebuild gives what adding each balance as a quotation in turn gives, also for
// transaction lists that are not in date order and for dates within a second of each other.
TEST_F(RecurringTest, BalanceListEqualsAddingEachBalanceInTurn) {
    std::mt19937 rng(99);
    for (int run = 0; run < 200; ++run) {
        std::vector<CTransaction> transactions;
        const int n = 1 + static_cast<int>(rng() % 25);
        for (int i = 0; i < n; ++i) {
            OleDate date(45000.0 + static_cast<double>(rng() % 6) + static_cast<double>(rng() % 5) * 0.3 / 86400.0);
            if (rng() % 20 == 0)
                date.SetStatus(OleDate::invalid);
            transactions.push_back(cashTransaction(static_cast<int>(rng() % 3), date, static_cast<double>(rng() % 100),
                                                   static_cast<double>(rng() % 3)));
        }
        if (run % 2 == 0)
            std::sort(transactions.begin(), transactions.end(),
                      [](const CTransaction& a, const CTransaction& b) { return a.m_dtDate.m_dt < b.m_dtDate.m_dt; });
        CWPapier cash;
        cash.m_bCashAccount = 1;
        cash.ReplaceTransactionList(transactions);
        cash.RecalculateCashAccountQuotationList();

        std::vector<CKurs> model;
        double balance = 0;
        for (const auto& t : transactions) {
            balance += t.m_nType == CTransaction::kSell ? -(t.m_dTaxes + t.m_dUnits) : t.m_dUnits - t.m_dTaxes;
            literal::addQuotation(model, CKurs(t.m_dtDate, balance), false);
        }
        const auto actual = cash.GetQuotationListCopy();
        ASSERT_EQ(actual.size(), model.size()) << run;
        for (std::size_t i = 0; i < model.size(); ++i) {
            ASSERT_EQ(actual[i].m_dtDate.m_dt, model[i].m_dtDate.m_dt) << run << " " << i;
            ASSERT_EQ(actual[i].m_dtDate.m_status, model[i].m_dtDate.m_status) << run << " " << i;
            ASSERT_EQ(actual[i].m_dClose, model[i].m_dClose) << run << " " << i;
        }
    }
}

// A monthly order of 31 January, five months and a half later: each instance follows from the
// one before, so the day stays at 28 after February.
TEST_F(RecurringTest, MonthlyScheduleAcrossMonthEnds) {
    CWPapier item;
    item.AddQuotation(CKurs(at(2024, 1, 1), 20), false);
    item.AddQuotation(CKurs(at(2024, 4, 1), 25), false);
    item.AddTransaction(recurring(CTransaction::kBuy, at(2024, 1, 31, 10, 15, 30), 2, 19, 1));
    std::vector<CTransaction> added;
    EXPECT_EQ(addAllDue(item, &added), 5);
    const std::vector<OleDate> expected = {at(2024, 2, 28, 10, 15, 30), at(2024, 3, 28, 10, 15, 30),
                                           at(2024, 4, 28, 10, 15, 30), at(2024, 5, 28, 10, 15, 30),
                                           at(2024, 6, 28, 10, 15, 30)};
    expectDates(dates(added), expected);

    const auto list = item.GetTransactionListCopy();
    ASSERT_EQ(list.size(), 6u);
    for (std::size_t i = 0; i < list.size(); ++i) {
        // Only the newest instance still recurs; everything else is copied from the order.
        EXPECT_EQ(list[i].m_nRecurrence, i + 1 == list.size() ? 1 : 0) << i;
        EXPECT_EQ(list[i].m_dUnits, 2.0);
        EXPECT_EQ(list[i].m_dTaxes, 1.5);
        EXPECT_EQ(list[i].m_strNote, "standing order");
    }
    // The price is the close in force on each date.
    EXPECT_EQ(added[0].m_dQuotation, 20.0);
    EXPECT_EQ(added[2].m_dQuotation, 25.0);
    EXPECT_EQ(item.m_dUnits, 12.0);

    // The next one is due on 28 July.
    setNow(at(2024, 7, 28, 10, 15, 30));
    EXPECT_EQ(addAllDue(item, &added), 1);
    expectDates({added.back().m_dtDate}, {at(2024, 7, 28, 10, 15, 30)});
}

TEST_F(RecurringTest, NextDatesOfEachRecurrence) {
    struct Case {
        OleDate start;
        int months;
        OleDate next;
    };
    const Case cases[] = {
        {at(2023, 10, 31), 3, at(2024, 1, 31)}, // into the next year, 31 kept
        {at(2023, 11, 30), 3, at(2024, 2, 28)}, // February is cut to 28, in a leap year too
        {at(2023, 8, 31), 6, at(2024, 2, 28)},
        {at(2023, 5, 31), 1, at(2023, 6, 30)}, // 30 in June
        {at(2023, 2, 28), 12, at(2024, 2, 28)},
        {at(2020, 2, 29), 12, at(2021, 2, 28)},
        {at(2023, 12, 15), 1, at(2024, 1, 15)},
        // Into December and across the year's end, where a wrong month rule stops every order.
        {at(2023, 11, 15), 1, at(2023, 12, 15)},
        {at(2023, 9, 15), 3, at(2023, 12, 15)},
        {at(2023, 6, 15), 6, at(2023, 12, 15)},
        {at(2022, 12, 15), 12, at(2023, 12, 15)},
        {at(2023, 12, 31), 1, at(2024, 1, 31)},
        {at(2023, 12, 31), 3, at(2024, 3, 31)},
        {at(2023, 12, 31), 6, at(2024, 6, 30)},
        {at(2023, 10, 31), 1, at(2023, 11, 30)},
        {at(2023, 5, 31), 6, at(2023, 11, 30)},
        {at(2023, 11, 30), 3, at(2024, 2, 28)},
    };
    for (const Case& c : cases) {
        CWPapier item;
        item.AddTransaction(recurring(CTransaction::kSell, c.start, 1, 1, c.months));
        setNow(c.next);
        CTransaction out;
        ASSERT_TRUE(item.AddRecurringTransaction(out)) << c.start.Format("%c");
        EXPECT_EQ(out.m_dtDate.m_dt, c.next.m_dt) << out.m_dtDate.Format("%c");
        // Not a second earlier.
        CWPapier early;
        early.AddTransaction(recurring(CTransaction::kSell, c.start, 1, 1, c.months));
        setNow(plusSeconds(c.next, -1));
        EXPECT_FALSE(early.AddRecurringTransaction(out));
    }
}

// A standing order of each recurrence runs on through the year's end: every instance up to a fixed
// day in the next spring, one after the other.
TEST_F(RecurringTest, SchedulesRunOnAcrossTheYearsEnd) {
    struct Case {
        OleDate start;
        int months;
        std::vector<OleDate> instances;
    };
    const Case cases[] = {
        {at(2023, 10, 31, 9),
         1,
         {at(2023, 11, 30, 9), at(2023, 12, 30, 9), at(2024, 1, 30, 9), at(2024, 2, 28, 9), at(2024, 3, 28, 9)}},
        {at(2023, 9, 30, 9), 3, {at(2023, 12, 30, 9), at(2024, 3, 30, 9)}},
        {at(2023, 6, 30, 9), 6, {at(2023, 12, 30, 9)}},
        {at(2022, 12, 31, 9), 12, {at(2023, 12, 31, 9)}},
    };
    setNow(at(2024, 4, 15, 12));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.months);
        CWPapier item;
        item.AddTransaction(recurring(CTransaction::kBuy, c.start, 1, 1, c.months));
        std::vector<CTransaction> added;
        addAllDue(item, &added);
        expectDates(dates(added), c.instances);
    }
}

TEST_F(RecurringTest, EndDateAndRecurrencesThatNeverFall) {
    // An end date equal to the next date (within half a second): due once more, then no longer.
    CWPapier item;
    item.AddTransaction(
        recurring(CTransaction::kBuy, at(2024, 5, 10), 1, 1, 1, true, plusSeconds(at(2024, 6, 10), -0.4)));
    EXPECT_EQ(addAllDue(item), 1);
    EXPECT_EQ(item.GetTransactionListCopy().back().m_dtDate.m_dt, at(2024, 6, 10).m_dt);

    CWPapier past;
    past.AddTransaction(recurring(CTransaction::kBuy, at(2024, 5, 10), 1, 1, 1, true, at(2024, 6, 9)));
    EXPECT_EQ(addAllDue(past), 0);

    // Other recurrence values and invalid dates are never due.
    CWPapier odd;
    odd.AddTransaction(recurring(CTransaction::kBuy, at(2023, 1, 1), 1, 1, 2));
    odd.AddTransaction(recurring(CTransaction::kBuy, itemtest::withStatus(at(2023, 1, 1), OleDate::invalid), 1, 1, 1));
    CTransaction out;
    EXPECT_FALSE(odd.AddRecurringTransaction(out));
    EXPECT_EQ(odd.GetTransactionListCopy().size(), 2u);

    // The first due order in list order goes first.
    CWPapier two;
    two.AddTransaction(recurring(CTransaction::kBuy, at(2024, 6, 1), 1, 1, 1));
    two.AddTransaction(recurring(CTransaction::kSell, at(2024, 6, 5), 1, 1, 1));
    ASSERT_TRUE(two.AddRecurringTransaction(out));
    EXPECT_EQ(out.m_nType, CTransaction::kBuy);
    EXPECT_EQ(out.m_dtDate.m_dt, at(2024, 7, 1).m_dt);
}

TEST_F(RecurringTest, DividendUnitsAndCashAccountAmounts) {
    // A yearly dividend is paid on the units held on its date.
    CWPapier item;
    item.AddTransaction(CTransaction(CTransaction::kBuy, at(2023, 1, 10), 10, 50, 0, 0, false, OleDate(), ""));
    item.AddTransaction(recurring(CTransaction::kDividend, at(2023, 5, 1), 10, 0.8, 12));
    item.AddTransaction(CTransaction(CTransaction::kBuy, at(2024, 2, 1), 5, 60, 0, 0, false, OleDate(), ""));
    CTransaction out;
    ASSERT_TRUE(item.AddRecurringTransaction(out));
    EXPECT_EQ(out.m_dtDate.m_dt, at(2024, 5, 1).m_dt);
    EXPECT_EQ(out.m_dUnits, 15.0);
    EXPECT_EQ(out.m_dQuotation, 0.8);
    EXPECT_EQ(out.m_nOriginIndex, -1);

    // On the cash account credits and debits get the price 1 and interest keeps its amount.
    CWPapier cash;
    cash.m_bCashAccount = 1;
    cash.AddTransaction(recurring(CTransaction::kBuy, at(2024, 6, 1), 300, 0, 1));
    cash.AddTransaction(recurring(CTransaction::kDividend, at(2024, 4, 1), 12.5, 0, 3));
    ASSERT_TRUE(cash.AddRecurringTransaction(out)); // the interest comes first in the list
    EXPECT_EQ(out.m_nType, CTransaction::kDividend);
    EXPECT_EQ(out.m_dtDate.m_dt, at(2024, 7, 1).m_dt);
    EXPECT_EQ(out.m_dUnits, 12.5);
    ASSERT_TRUE(cash.AddRecurringTransaction(out));
    EXPECT_EQ(out.m_nType, CTransaction::kBuy);
    EXPECT_EQ(out.m_dQuotation, 1.0);
    EXPECT_EQ(out.m_dUnits, 300.0);
    EXPECT_FALSE(cash.AddRecurringTransaction(out));
}

TEST_F(RecurringTest, LogLines) {
    testsupport::LogCapture log;
    CWPapier cash;
    cash.m_strName = " Cash Account";
    cash.m_bCashAccount = 1;
    cash.AddTransaction(recurring(CTransaction::kBuy, at(2024, 6, 1), 300, 0, 1));
    log.clear();
    CTransaction out;
    cash.AddRecurringTransaction(out);
    cash.RecalculateCashAccountQuotationList();
    const auto messages = log.messages();
    ASSERT_GE(messages.size(), 4u);
    EXPECT_EQ(messages[0], "Adding recurring transaction...");
    EXPECT_EQ(messages[1], "Added new latest transaction to ' Cash Account': 07/01/24 00:00:00 [type 0] at index 1");
    EXPECT_EQ(messages[messages.size() - 3], "RecalculateCashAccountQuotationList...");
    EXPECT_EQ(messages[messages.size() - 2],
              "Added new latest quotation to ' Cash Account':  07/01/24 00:00:00 597.0000 at index 1");
    EXPECT_EQ(messages.back(), "RecalculateCashAccountQuotationList finished.");
}

// A catch-up in a list out of date order (a transaction in the last half second of a day, two
// transactions in descending order): each instance goes where the walk from the oldest puts it,
// also when the walk for a later instance goes on from where the last one went; and the figures
// recomputed once after a catch-up without them are those of the whole list.
TEST_F(RecurringTest, CatchUpInAListOutOfDateOrderPlacesEachInstanceAsTheWalkDoes) {
    OleDate lastHalfSecond = at(2001, 6, 1, 23, 59, 59);
    lastHalfSecond.m_dt += 0.8 / 86400.0;
    const std::vector<CTransaction> start = {
        CTransaction(CTransaction::kBuy, lastHalfSecond, 1.0, 9.0, 0.0, 0, false, OleDate(), "odd"),
        CTransaction(CTransaction::kBuy, at(2005, 1, 1), 2.0, 11.0, 0.0, 0, false, OleDate(), "later"),
        CTransaction(CTransaction::kSell, at(2003, 1, 1), 1.0, 12.0, 0.0, 0, false, OleDate(), "earlier"),
        recurring(CTransaction::kBuy, at(2000, 1, 15, 9), 1.0, 10.0, CTransaction::kRecurrenceMonthly),
    };
    for (const bool recalculate : {true, false}) {
        SCOPED_TRACE(recalculate ? "recomputed with each instance" : "recomputed once");
        CWPapier item;
        item.ReplaceTransactionList(start);
        std::vector<CTransaction> model = item.GetTransactionListCopy();
        CTransaction out;
        int index = -1;
        int instances = 0;
        while (item.AddRecurringTransaction(out, &index, recalculate)) {
            ASSERT_EQ(index, literal::addTransaction(model, out)) << instances;
            ++instances;
        }
        EXPECT_GT(instances, 200);
        if (!recalculate)
            item.RecalculateAverageInvestPrice();
        expectDates(dates(item.GetTransactionListCopy()), dates(model));
        double units = 0, breakEven = 0, average = 0;
        literal::figures(model, at(2024, 7, 15, 12), units, breakEven, average);
        EXPECT_EQ(item.m_dUnits, units);
        EXPECT_EQ(item.m_dBreakEven, breakEven);
        EXPECT_EQ(item.m_dAveragePrice, average);
    }
}

// A catch-up run on its own, as the load runs it, defers the investment total that each mirror
// would bring up to date to its end: afterwards the history holds the total after the last
// instance, and a fresh update of the total changes nothing.
class RecurringDocTest : public doctest::PortfolioTest {};

TEST_F(RecurringDocTest, ACatchUpLeavesTheInvestmentHistoryUpToDate) {
    const ItemPos acme = addItem("Acme");
    item(acme).AddQuotation(CKurs(at(2024, 1, 2, 17), 20.0), false);
    // The plan stands on the item as a loaded file holds it; the document catches it up.
    item(acme).ReplaceTransactionList(
        {recurring(CTransaction::kBuy, at(2024, 1, 15, 9), 2.0, 20.0, CTransaction::kRecurrenceMonthly)});
    ASSERT_TRUE(item(history).GetQuotationListCopy().empty());
    ASSERT_TRUE(doc.UpdateRecurringTransactions(acme));
    EXPECT_EQ(item(acme).GetTransactionCount(), 6);
    const std::vector<double> caughtUp = doctest::closes(item(history));
    ASSERT_FALSE(caughtUp.empty()) << "the total was not brought up to date after the catch-up";
    doc.UpdateSumInvestValue();
    EXPECT_EQ(doctest::closes(item(history)), caughtUp);
}
