// Transaction operations of the document: mirrors of investment transactions in the cash account
// with their notes and notices, replacing a mirror, recurring chains with their mirrors, and the
// follow-up every transaction change runs.

#include "DocBehaviourSupport.h"

using doctest::closes;
using doctest::RecordingView;
using doctest::transaction;
using itemtest::at;

namespace {

class DocTransactionsTest : public doctest::PortfolioTest {
protected:
    DocTransactionsTest() {
        acme = addItem("Acme");
        item(acme).AddQuotation(CKurs(at(2024, 1, 2, 17), 20.0), false);
        item(acme).AddQuotation(CKurs(at(2024, 3, 1, 17), 25.0), false);
        clearRecord();
    }
    ItemPos acme = kNoItemPos;
};

const RecordingView::Update kAllViews{nullptr, 0};

} // namespace

// Every kind mirrors with its amount, kind and note; the balance moves the way the money does.
TEST_F(DocTransactionsTest, MirrorsOfEveryKind) {
    struct Case {
        const char* what;
        CTransaction investment;
        int kind;       // of the mirror: 0 credit, 1 debit
        double amount;  // its units
        double balance; // of the cash account afterwards
        const char* note;
    };
    const OleDate when = at(2024, 5, 2, 10);
    const Case cases[] = {
        {"buy", transaction(0, when, 10, 5, 2), 1, 52, -52, "->Buy \"Acme\""},
        {"sell", transaction(1, when, 10, 5, 2), 0, 48, 48, "->Sell \"Acme\""},
        {"dividend", transaction(2, when, 10, 1, 2), 0, 8, 8, "->Dividends/Interests \"Acme\""},
        {"dividend below its taxes", transaction(2, when, 10, 1, 12), 1, 2, -2, "->Dividends/Interests \"Acme\""},
        {"buy of negative units", transaction(0, when, -10, 5, 2), 0, 48, 48, "->Buy \"Acme\""},
        {"free buy", transaction(0, when, 10, 0, 0), 1, 0, 0, "->Buy \"Acme\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        doctest::PortfolioTest::clearRecord();
        CWPapierDoc doc(&host);
        doc.OnNewDocument();
        CTransaction investment = c.investment;
        investment.m_nRecurrence = 3;
        investment.m_bUntil = true;
        investment.m_dtUntil = at(2025, 1, 1);
        ASSERT_TRUE(doc.AddCashAccountTransaction(investment, "Acme", false));

        const auto copies = doc.GetTransactionListCopy(doc.FindCashAccountItem());
        ASSERT_TRUE(copies && copies->size() == 1u);
        const CTransaction& mirror = copies->front();
        EXPECT_EQ(mirror.m_nType, c.kind);
        EXPECT_EQ(mirror.m_dUnits, c.amount);
        EXPECT_EQ(mirror.m_dQuotation, 0.0);
        EXPECT_EQ(mirror.m_dTaxes, 0.0);
        EXPECT_EQ(mirror.m_nRecurrence, 0);
        EXPECT_TRUE(datesEqual(mirror.m_dtDate, when));
        EXPECT_TRUE(mirror.m_bUntil);
        EXPECT_TRUE(datesEqual(mirror.m_dtUntil, at(2025, 1, 1)));
        EXPECT_EQ(mirror.m_strNote, c.note);
        EXPECT_EQ(doc.GetCashAccountBalance(), c.balance);
        EXPECT_EQ(doc.GetItem(doc.FindCashAccountItem())->m_dBreakEven, c.balance);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(noticeTexts(), std::vector<std::string>{std::string("The concerned cash account ") +
                                                          (c.kind == 0 ? "credit" : "debit") +
                                                          " transaction\nwas successfully created."});
    }
}

// Credits, debits and interests of the cash account itself, with taxes: the balance after each.
TEST_F(DocTransactionsTest, CashAccountTransactionsAndTheirBalance) {
    doc.AddTransaction(cash, transaction(0, at(2024, 1, 1), 1000, 0, 0));
    doc.AddTransaction(cash, transaction(1, at(2024, 2, 1), 200, 0, 5));
    doc.AddTransaction(cash, transaction(2, at(2024, 3, 1), 10, 0, 2));
    EXPECT_EQ(closes(item(cash)), (std::vector<double>{1000, 795, 803}));
    // Inserted before the others: every balance after it moves.
    EXPECT_EQ(doc.AddTransaction(cash, transaction(0, at(2023, 12, 1), 50, 0, 0)), 0);
    EXPECT_EQ(closes(item(cash)), (std::vector<double>{50, 1050, 845, 853}));
    EXPECT_EQ(doc.ReplaceTransaction(cash, 2, transaction(1, at(2024, 2, 1), 100, 0, 0)), 2);
    EXPECT_EQ(closes(item(cash)), (std::vector<double>{50, 1050, 950, 958}));
    EXPECT_TRUE(doc.DeleteTransaction(cash, 0));
    EXPECT_EQ(closes(item(cash)), (std::vector<double>{1000, 900, 908}));
    EXPECT_EQ(item(cash).m_dUnits, 1.0);
    EXPECT_EQ(item(cash).m_dBreakEven, 908.0);
    EXPECT_TRUE(noticeTexts().empty());
}

// Editing an investment transaction replaces its mirror ("updated"); without a mirror, a new one
// is added ("created") and a mirror changed by hand stays.
TEST_F(DocTransactionsTest, ReplacingAMirror) {
    const CTransaction before = transaction(0, at(2024, 5, 2, 10), 10, 5, 2); // debit 52
    const CTransaction after = transaction(0, at(2024, 5, 3, 10), 10, 6, 2);  // debit 62
    ASSERT_TRUE(doc.AddCashAccountTransaction(before, "Acme", false));
    clearRecord();
    ASSERT_TRUE(doc.UpdateCashAccountTransaction("Acme", before, after));
    auto copies = *doc.GetTransactionListCopy(cash);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].m_dUnits, 62.0);
    EXPECT_EQ(noticeTexts(),
              std::vector<std::string>{"The concerned cash account debit transaction\nwas successfully updated."});

    clearRecord();
    ASSERT_TRUE(doc.UpdateCashAccountTransaction("Acme", before, after)); // the old mirror is gone
    EXPECT_EQ(doc.GetTransactionListCopy(cash)->size(), 2u);
    EXPECT_EQ(noticeTexts(),
              std::vector<std::string>{"The concerned cash account debit transaction\nwas successfully created."});

    // A mirror stored with a negative amount, as older versions did, is found as well.
    CWPapierDoc older(&host);
    older.OnNewDocument();
    const CTransaction dividend = transaction(2, at(2024, 5, 2), 10, 1, 12); // -2
    CTransaction stored = transaction(1, dividend.m_dtDate, -2, 0, 0);
    older.AddTransaction(older.FindCashAccountItem(), stored);
    ASSERT_TRUE(older.UpdateCashAccountTransaction("Acme", dividend, transaction(2, at(2024, 5, 2), 10, 1, 0)));
    copies = *older.GetTransactionListCopy(older.FindCashAccountItem());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].m_nType, 0);
    EXPECT_EQ(copies[0].m_dUnits, 10.0);
}

// Without a cash account nothing is added, and the user is told so, not that it worked.
TEST_F(DocTransactionsTest, AMirrorWithoutCashAccountReportsTheFailure) {
    ASSERT_TRUE(doc.DeleteItem(cash));
    clearRecord();
    EXPECT_FALSE(doc.AddCashAccountTransaction(transaction(0, at(2024, 5, 2), 10, 5, 2), "Acme", false));
    ASSERT_EQ(host.notices().size(), 1u);
    EXPECT_EQ(host.notices()[0].kind, PortfolioNotice::Kind::Warning);
    EXPECT_EQ(host.notices()[0].text,
              "The concerned cash account debit transaction\ncould not be created: the portfolio has no cash account.");
    // A kind that has no mirror adds nothing and says nothing.
    doc.OnNewDocument();
    clearRecord();
    EXPECT_FALSE(doc.AddCashAccountTransaction(transaction(7, at(2024, 5, 2), 10, 5, 2), "Acme", false));
    EXPECT_TRUE(doc.GetItem(doc.FindCashAccountItem())->IsTransactionListEmpty());
    EXPECT_TRUE(host.notices().empty());
}

// A monthly buy from 31 January, ending on 10 May, added on 15 June: the instances of 28 February,
// 28 March and 28 April, each priced at the quotation in force and mirrored; one notice for all,
// after the operation.
TEST_F(DocTransactionsTest, RecurringChainAcrossMonthEndsWithItsMirrors) {
    item(acme).AddQuotation(CKurs(at(2024, 4, 20, 17), 30.0), false);
    const CTransaction monthly = transaction(0, at(2024, 1, 31, 10), 2, 20, 1, 1, true, at(2024, 5, 10));
    ASSERT_EQ(doc.AddTransaction(acme, monthly), 0);

    const auto list = *doc.GetTransactionListCopy(acme);
    struct Expected {
        OleDate date;
        double price;
        int recurrence;
    };
    const std::vector<Expected> expected = {{at(2024, 1, 31, 10), 20, 0},
                                            {at(2024, 2, 28, 10), 20, 0},
                                            {at(2024, 3, 28, 10), 25, 0},
                                            {at(2024, 4, 28, 10), 30, 1}};
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list[i].m_dtDate.m_dt, expected[i].date.m_dt);
        EXPECT_EQ(list[i].m_dQuotation, expected[i].price);
        EXPECT_EQ(list[i].m_nRecurrence, expected[i].recurrence);
    }
    EXPECT_EQ(item(acme).m_dUnits, 8.0);

    // The instances are mirrored (the first transaction is mirrored by whoever added it).
    const auto mirrors = *doc.GetTransactionListCopy(cash);
    ASSERT_EQ(mirrors.size(), 3u);
    const double amounts[] = {41, 51, 61};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(mirrors[i].m_nType, 1);
        EXPECT_EQ(mirrors[i].m_dUnits, amounts[i]);
        EXPECT_EQ(mirrors[i].m_dtDate.m_dt, expected[i + 1].date.m_dt);
        EXPECT_EQ(mirrors[i].m_strNote, "->Buy \"Acme\"");
    }
    EXPECT_EQ(closes(item(cash)), (std::vector<double>{-41, -92, -153}));
    EXPECT_EQ(noticeTexts(), std::vector<std::string>{"3 concerned cash account transactions\nwere successfully "
                                                      "created (0 credits, 3 debits)."});
    EXPECT_EQ(lockFreeAtNotice, std::vector<bool>{true});

    // Nothing more is due until the end date allows it.
    clearRecord();
    EXPECT_FALSE(doc.UpdateRecurringTransactions(acme));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(host.notices().empty());
}

// Recurring credits of the cash account itself: its balance follows each instance.
TEST_F(DocTransactionsTest, RecurringCashAccountCredit) {
    doc.AddTransaction(cash, transaction(0, at(2024, 3, 1), 1000, 0, 0, 1));
    EXPECT_EQ(closes(item(cash)), (std::vector<double>{1000, 2000, 3000, 4000}));
    EXPECT_EQ(doc.GetCashAccountBalance(), 4000.0);
    EXPECT_TRUE(noticeTexts().empty());
}

// A long chain of yearly credits from before 1899, among later transactions of the account: the
// balances after the catch-up are those a full rebuild gives.
TEST_F(DocTransactionsTest, ALongRecurringCashAccountChainKeepsItsBalances) {
    doc.AddTransaction(cash, transaction(1, at(1990, 5, 5), 300, 0, 0));
    doc.AddTransaction(cash, transaction(0, at(2024, 1, 5), 50, 0, 2));
    doc.AddTransaction(cash, transaction(0, at(1850, 1, 31, 9), 10, 0, 0, 12));
    EXPECT_EQ(item(cash).GetTransactionCount(), 3 + 174); // 1851 to 2024
    CWPapier rebuilt;
    rebuilt.m_bCashAccount = 1;
    rebuilt.ReplaceTransactionList(item(cash).GetTransactionListCopy());
    rebuilt.RecalculateCashAccountQuotationList();
    EXPECT_EQ(closes(item(cash)), closes(rebuilt));
    EXPECT_EQ(doc.GetCashAccountBalance(), 1750.0 - 300 + 48);
}

// Reading an item's transactions first adds what became due since.
TEST_F(DocTransactionsTest, TransactionCopiesBringRecurringTransactionsUpToDate) {
    item(acme).AddTransaction(transaction(2, at(2024, 4, 1), 0, 0.5, 0, 1));
    item(acme).AddTransaction(transaction(0, at(2024, 3, 1), 10, 20, 0));
    const auto list = doc.GetTransactionListCopy(acme);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 4u); // buy, dividend, and the dividends of 1 May and 1 June
    EXPECT_EQ(list->back().m_dUnits, 10.0);
    EXPECT_EQ(doc.GetCashAccountBalance(), 10.0); // two mirrored dividends of 5
    EXPECT_FALSE(doc.GetTransactionListCopy(kNoItemPos));
    EXPECT_FALSE(doc.GetTransactionListCopy(12345678));
}

// Every change runs the follow-up: the investment history, the modified flag, the views, also when
// the item's own operation failed; a position without an item changes nothing.
TEST_F(DocTransactionsTest, FollowUpOfEveryChange) {
    EXPECT_EQ(doc.AddTransaction(acme, transaction(0, at(2024, 3, 1), 4, 20, 0)), 0);
    EXPECT_EQ(closes(item(history)), std::vector<double>{100.0}); // 4 x 25 on 1 March
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.updates.back(), kAllViews);

    clearRecord();
    EXPECT_FALSE(doc.DeleteTransaction(acme, 5));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.updates, std::vector<RecordingView::Update>{kAllViews});

    clearRecord();
    EXPECT_EQ(doc.ReplaceTransaction(acme, 0, transaction(0, at(2024, 3, 1), 6, 20, 0)), 0);
    EXPECT_EQ(closes(item(history)), std::vector<double>{150.0});
    EXPECT_EQ(doc.ReplaceTransaction(acme, 3, transaction(0, at(2024, 3, 1), 6, 20, 0)), -1);

    clearRecord();
    EXPECT_EQ(doc.AddTransaction(kNoItemPos, transaction(0, at(2024, 3, 1), 4, 20, 0)), -1);
    EXPECT_EQ(doc.AddTransaction(987654, transaction(0, at(2024, 3, 1), 4, 20, 0)), -1);
    EXPECT_FALSE(doc.DeleteTransaction(987654, 0));
    EXPECT_EQ(doc.ReplaceTransaction(987654, 0, transaction(0, at(2024, 3, 1), 4, 20, 0)), -1);
    EXPECT_FALSE(doc.UpdateRecurringTransactions(987654));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(view.updates.empty());
}

TEST_F(DocTransactionsTest, DeleteAllTransactions) {
    // Nothing to delete: modified and the views told, nothing else.
    const auto historyBefore = closes(item(history));
    doc.DeleteAllTransactions();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.updates, std::vector<RecordingView::Update>{kAllViews});

    doc.AddTransaction(acme, transaction(0, at(2024, 3, 1), 4, 20, 0));
    doc.AddCashAccountTransaction(transaction(0, at(2024, 3, 1), 4, 20, 0), "Acme", false);
    doc.AddTransaction(cash, transaction(0, at(2024, 1, 1), 500, 0, 0));
    const auto historyWithUnits = closes(item(history));
    clearRecord();
    doc.DeleteAllTransactions();
    for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;)
        EXPECT_TRUE(doc.GetNextItem(pos)->IsTransactionListEmpty());
    EXPECT_TRUE(item(cash).IsQuotationListEmpty());
    EXPECT_EQ(item(acme).m_dUnits, 0.0);
    EXPECT_EQ(item(acme).m_dAveragePrice, 0.0);
    EXPECT_EQ(item(cash).m_dBreakEven, 0.0);
    // Once nothing is held the history keeps its last value.
    EXPECT_EQ(closes(item(history)), historyWithUnits);
    EXPECT_EQ(view.updates, std::vector<RecordingView::Update>{kAllViews});
    EXPECT_NE(historyBefore, historyWithUnits);
}

// Deleting one item's transactions at once leaves the item and the cash account's balance as
// deleting them one by one does, with one follow-up: the history as of the end, one update.
TEST_F(DocTransactionsTest, DeleteItemTransactionsMatchesDeletingOneByOne) {
    const auto fill = [](CWPapierDoc& d, ItemPos item, ItemPos cashAccount) {
        d.AddTransaction(item, transaction(0, at(2024, 1, 5), 10, 20, 1));
        d.AddTransaction(item, transaction(2, at(2024, 2, 5), 10, 1, 0));
        d.AddTransaction(item, transaction(1, at(2024, 3, 5), 4, 25, 1));
        d.AddTransaction(cashAccount, transaction(0, at(2024, 1, 1), 500, 0, 0));
        d.AddTransaction(cashAccount, transaction(1, at(2024, 4, 1), 100, 0, 2));
    };
    // The same portfolio, emptied the way the pages did it: delete at 0 until nothing is deleted.
    CWPapierDoc peer(&host);
    peer.OnNewDocument();
    const ItemPos peerAcme = peer.AddItem(doctest::makeItem("Acme"));
    peer.GetItem(peerAcme)->AddQuotation(CKurs(at(2024, 1, 2, 17), 20.0), false);
    peer.GetItem(peerAcme)->AddQuotation(CKurs(at(2024, 3, 1, 17), 25.0), false);
    fill(doc, acme, cash);
    fill(peer, peerAcme, peer.FindCashAccountItem());

    for (const ItemPos pos : {acme, cash}) {
        const ItemPos peerPos = pos == acme ? peerAcme : peer.FindCashAccountItem();
        while (peer.DeleteTransaction(peerPos, 0)) {
        }
        clearRecord();
        EXPECT_EQ(doc.DeleteItemTransactions(pos), pos == acme ? 3 : 2);
        EXPECT_TRUE(item(pos).IsTransactionListEmpty());
        EXPECT_EQ(view.updates, std::vector<RecordingView::Update>{kAllViews});
        EXPECT_TRUE(doc.IsModified());
        const CWPapier& mine = item(pos);
        const CWPapier& theirs = *peer.GetItem(peerPos);
        EXPECT_EQ(mine.m_dUnits, theirs.m_dUnits);
        EXPECT_EQ(mine.m_dAveragePrice, theirs.m_dAveragePrice);
        EXPECT_EQ(mine.m_dBreakEven, theirs.m_dBreakEven);
        EXPECT_EQ(closes(mine), closes(theirs));
        // The history follows the state after the last deletion (one by one it also follows every
        // state in between).
        CKurs sum;
        if (doc.ComputeSumInvestValue(sum)) {
            EXPECT_EQ(closes(item(history)).back(), sum.m_dClose);
        }
    }
    EXPECT_TRUE(item(cash).IsQuotationListEmpty());

    // An item without transactions: 0 and the follow-up; no item: -1 and nothing else.
    clearRecord();
    EXPECT_EQ(doc.DeleteItemTransactions(acme), 0);
    EXPECT_EQ(view.updates, std::vector<RecordingView::Update>{kAllViews});
    clearRecord();
    EXPECT_EQ(doc.DeleteItemTransactions(987654), -1);
    EXPECT_TRUE(view.updates.empty());
    EXPECT_FALSE(doc.IsModified());
}

// The balance quotations are the running balance of the transactions: once they were changed by
// hand, the next transaction change rebuilds all of them, not only those from the change on.
TEST_F(DocTransactionsTest, BalanceIsRebuiltWholeAfterItsQuotationsWereChanged) {
    doc.AddTransaction(cash, transaction(0, at(2024, 1, 1), 1000, 0, 0));
    doc.AddTransaction(cash, transaction(1, at(2024, 2, 1), 200, 0, 0));
    doc.AddTransaction(cash, transaction(0, at(2024, 3, 1), 50, 0, 0));
    ASSERT_TRUE(doc.DeleteQuotation(cash, 0));
    EXPECT_EQ(closes(item(cash)), (std::vector<double>{800, 850}));
    doc.AddTransaction(cash, transaction(0, at(2024, 4, 1), 100, 0, 0));
    EXPECT_EQ(closes(item(cash)), (std::vector<double>{1000, 800, 850, 950}));
}
