// Quotation operations and the investment history: the incremental update after quotations added
// minutes apart and across days, what leaves the history alone, the window that a total dated
// before the newest value clears, the view hints, and the full rebuild.

#include "DocBehaviourSupport.h"

using doctest::closes;
using doctest::RecordingView;
using doctest::transaction;
using itemtest::at;

namespace {

class DocHistoryTest : public doctest::PortfolioTest {
protected:
    DocHistoryTest() {
        acme = addItem("Acme");
        item(acme).AddTransaction(transaction(0, at(2024, 2, 1), 10, 20, 0));
        clearRecord();
    }

    struct Value {
        OleDate date;
        double close;
    };
    std::vector<Value> historyValues() {
        std::vector<Value> out;
        for (const CKurs& q : item(history).GetQuotationListCopy())
            out.push_back({q.m_dtDate, q.m_dClose});
        return out;
    }
    void expectHistory(const std::vector<Value>& expected) {
        const auto got = historyValues();
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(got[i].date.m_dt, expected[i].date.m_dt) << got[i].date.Format("%c");
            EXPECT_EQ(got[i].close, expected[i].close);
        }
    }

    ItemPos acme = kNoItemPos;
};

} // namespace

// Quotations downloaded a few minutes apart keep one history value; further apart, or on another
// day, they add one.
TEST_F(DocHistoryTest, HistoryAfterQuotationsMinutesApartAndAcrossDays) {
    struct Step {
        OleDate now;
        double close;
        std::size_t values; // in the history afterwards
    };
    const Step steps[] = {
        {at(2024, 6, 14, 9, 0, 0), 20, 1},  {at(2024, 6, 14, 9, 2, 0), 21, 1}, // two minutes: replaced
        {at(2024, 6, 14, 9, 6, 0), 22, 1},                                     // four more: replaced again
        {at(2024, 6, 14, 9, 12, 0), 23, 2},                                    // six: a new value
        {at(2024, 6, 15, 9, 0, 0), 24, 3},                                     // next day
        {at(2024, 6, 15, 9, 4, 59), 25, 3},                                    // 4 minutes 59 seconds
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.now.Format("%c"));
        setNow(s.now);
        const int index = doc.AddQuotationToItem(acme, CKurs(s.now, s.close), false, true);
        EXPECT_EQ(index, item(acme).GetQuotationCount() - 1);
        ASSERT_EQ(item(history).GetQuotationCount(), static_cast<int>(s.values));
        CKurs newest;
        item(history).GetLastQuotation(newest);
        EXPECT_EQ(newest.m_dtDate.m_dt, s.now.m_dt);
        EXPECT_EQ(newest.m_dClose, s.close * 10);
    }
    EXPECT_EQ(closes(item(history)), (std::vector<double>{220, 230, 250}));
    EXPECT_TRUE(doc.IsModified());
}

// Only a new newest quotation of an ordinary item holding units changes the total.
TEST_F(DocHistoryTest, WhatLeavesTheHistoryAlone) {
    doc.AddQuotationToItem(acme, CKurs(at(2024, 6, 10), 20), false, false);
    ASSERT_EQ(item(history).GetQuotationCount(), 1);
    const ItemPos without = addItem("no units");
    clearRecord();
    struct Case {
        const char* what;
        ItemPos pos;
        OleDate date;
    };
    const Case cases[] = {
        {"an older quotation", acme, at(2024, 6, 1)},
        {"the cash account", cash, at(2024, 6, 14)},
        {"an item without units", without, at(2024, 6, 14)},
        {"the history itself", history, at(2024, 6, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto before = closes(item(history));
        EXPECT_GE(doc.AddQuotationToItem(c.pos, CKurs(c.date, 99), false, false), 0);
        if (c.pos != history) {
            EXPECT_EQ(closes(item(history)), before);
        }
    }
    // Without views the modified flag is left to the caller.
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(view.updates.empty());
    EXPECT_EQ(doc.AddQuotationToItem(987654, CKurs(at(2024, 6, 1), 1), false, true), -1);
}

// A total dated before the newest history value first clears the values from its date to the same
// day a year later; values further on stay, and the total goes in in date order.
TEST_F(DocHistoryTest, ATotalDatedBeforeTheNewestValue) {
    struct Case {
        const char* what;
        OleDate total;                  // the date of the total
        std::vector<OleDate> stored;    // history values before
        std::vector<OleDate> remaining; // history dates afterwards, the total's included
    };
    const Case cases[] = {
        {"within a year",
         at(2024, 5, 1, 17),
         {at(2024, 4, 1), at(2024, 5, 2), at(2025, 5, 1, 23)},
         {at(2024, 4, 1), at(2024, 5, 1, 17)}},
        {"29 February",
         at(2024, 2, 29, 17),
         {at(2024, 2, 1), at(2024, 3, 1), at(2025, 2, 28, 23, 59, 59)},
         {at(2024, 2, 1), at(2024, 2, 29, 17)}},
        {"a value more than a year on",
         at(2024, 5, 1, 17),
         {at(2024, 4, 1), at(2025, 5, 2)},
         {at(2024, 4, 1), at(2024, 5, 1, 17), at(2025, 5, 2)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        item(history).DeleteAllQuotations();
        item(acme).DeleteAllQuotations();
        for (const OleDate& d : c.stored)
            item(history).AddQuotation(CKurs(d, 1), false);
        doc.AddQuotationToItem(acme, CKurs(c.total, 30), false, true);
        const auto values = historyValues();
        ASSERT_EQ(values.size(), c.remaining.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_EQ(values[i].date.m_dt, c.remaining[i].m_dt) << i << " " << values[i].date.Format("%c");
        EXPECT_EQ(closes(item(history))[1], 300.0);
    }
}

// After a quotation is added the views are told the item's position, then the history's; the chart
// only when it shows the item.
TEST_F(DocHistoryTest, ViewHintsOfAnAddedQuotation) {
    RecordingView chart;
    doc.AddView(chart);
    host.chart = &chart;
    for (const bool shown : {false, true}) {
        SCOPED_TRACE(shown);
        if (shown)
            host.shownInChart.insert(acme);
        view.updates.clear();
        chart.updates.clear();
        setNow(at(2024, 6, shown ? 15 : 14, 9));
        doc.AddQuotationToItem(acme, CKurs(at(2024, 6, shown ? 15 : 14, 9), 20), false, true);
        DocumentObserver* sender = shown ? nullptr : &chart;
        // The history's own new value first (the chart does not show the history), then the item
        // and the history.
        const std::vector<RecordingView::Update> expected = {{&chart, history}, {sender, acme}, {sender, history}};
        EXPECT_EQ(view.updates, expected);
        const std::vector<RecordingView::Update> chartTold = {{nullptr, acme}, {nullptr, history}};
        EXPECT_EQ(chart.updates, shown ? chartTold : std::vector<RecordingView::Update>{});
    }
    // An older quotation does not change the history: one hint.
    view.updates.clear();
    doc.AddQuotationToItem(acme, CKurs(at(2024, 6, 1), 20), false, true);
    EXPECT_EQ(view.updates, (std::vector<RecordingView::Update>{{nullptr, acme}}));
}

TEST_F(DocHistoryTest, QuotationOperations) {
    doc.AddQuotationToItem(acme, CKurs(at(2024, 6, 1), 20), false, false);
    doc.AddQuotationToItem(acme, CKurs(at(2024, 6, 10), 30), false, false);
    ASSERT_EQ(closes(item(history)), (std::vector<double>{200, 300}));
    clearRecord();
    // Replacing the newest so that it becomes the oldest: index 0, still modified and told.
    EXPECT_EQ(doc.ReplaceQuotation(acme, 1, CKurs(at(2024, 5, 1), 40)), 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.updates.back(), (RecordingView::Update{nullptr, 0}));
    EXPECT_EQ(closes(item(history)).back(), 200.0); // the total now rests on 1 June again
    EXPECT_EQ(doc.ReplaceQuotation(acme, 5, CKurs(at(2024, 5, 1), 40)), -1);

    clearRecord();
    EXPECT_TRUE(doc.DeleteQuotation(acme, 1));
    EXPECT_EQ(closes(item(history)).back(), 400.0);
    EXPECT_FALSE(doc.DeleteQuotation(acme, 1));
    EXPECT_FALSE(doc.DeleteQuotation(987654, 0));

    clearRecord();
    item(acme).AddQuotation(CKurs(at(2024, 6, 2, 9), 1), false);
    item(acme).AddQuotation(CKurs(at(2024, 6, 2, 17), 2), false);
    EXPECT_TRUE(doc.DeleteMultipleQuotations(acme, 0));
    EXPECT_EQ(closes(item(acme)), (std::vector<double>{40, 2}));
    EXPECT_TRUE(doc.DeleteQuotationInterval(acme, at(2024, 6, 2), at(2024, 6, 2, 23, 59, 59)));
    EXPECT_TRUE(doc.DeleteAllQuotations(acme));
    EXPECT_TRUE(item(acme).IsQuotationListEmpty());
    EXPECT_EQ(view.updates.size(), 3u);
    EXPECT_TRUE(doc.DeleteAllQuotations(acme)); // also when nothing is left
    EXPECT_FALSE(doc.DeleteQuotationInterval(987654, at(2024, 6, 2), at(2024, 6, 3)));
    EXPECT_FALSE(doc.DeleteMultipleQuotations(987654, 0));
}

TEST_F(DocHistoryTest, TotalAsOfNow) {
    CKurs total;
    EXPECT_FALSE(doc.ComputeSumInvestValue(total)); // units but no quotation
    EXPECT_EQ(total.m_dtDate.m_dt, CWPapier::fallbackDate().m_dt);
    item(acme).AddQuotation(CKurs(at(2024, 2, 20), 10), false);
    item(acme).AddQuotation(CKurs(at(2024, 7, 1), 99), false); // after now: not in force
    doc.AddTransaction(cash, transaction(0, at(2024, 5, 5), 500, 0, 0));
    ASSERT_TRUE(doc.ComputeSumInvestValue(total));
    EXPECT_EQ(total.m_dClose, 10 * 10 + 500);
    // The latest of the quotation and transaction dates used: the cash account's credit.
    EXPECT_EQ(total.m_dtDate.m_dt, at(2024, 5, 5).m_dt);
}

// The full rebuild: one value list per item (the quotation in force at each transaction, then
// every quotation, then now), summed as step functions, at most one value per hour.
TEST_F(DocHistoryTest, Rebuild) {
    struct Case {
        const char* what;
        std::function<void(CWPapierDoc&, CWPapier& acme, CWPapier& other)> setUp;
        std::vector<std::pair<OleDate, double>> expected;
    };
    const OleDate now = at(2024, 6, 15, 12);
    const Case cases[] = {
        {"ten units bought on 1 March",
         [](CWPapierDoc&, CWPapier& a, CWPapier&) {
             a.AddQuotation(CKurs(at(2024, 2, 28), 10), false);
             a.AddQuotation(CKurs(at(2024, 3, 5), 12), false);
         },
         {{at(2024, 3, 1), 100}, {at(2024, 3, 5), 120}, {now, 120}}},
        {"a dividend and a buy to come change nothing",
         [](CWPapierDoc&, CWPapier& a, CWPapier&) {
             a.AddQuotation(CKurs(at(2024, 2, 28), 10), false);
             a.AddTransaction(transaction(2, at(2024, 3, 3), 10, 1, 0));
             a.AddTransaction(transaction(0, at(2024, 7, 1), 100, 10, 0));
         },
         {{at(2024, 3, 1), 100}, {now, 100}}},
        {"values 59 minutes apart keep the later, 61 minutes apart both",
         [](CWPapierDoc&, CWPapier& a, CWPapier&) {
             a.AddQuotation(CKurs(at(2024, 3, 2, 10, 0), 1), false);
             a.AddQuotation(CKurs(at(2024, 3, 2, 10, 59), 2), false);
             a.AddQuotation(CKurs(at(2024, 3, 3, 10, 0), 3), false);
             a.AddQuotation(CKurs(at(2024, 3, 3, 11, 1), 4), false);
         },
         {{at(2024, 3, 2, 10, 59), 20}, {at(2024, 3, 3, 10, 0), 30}, {at(2024, 3, 3, 11, 1), 40}, {now, 40}}},
        {"a second item from before the first adds its value until its next point",
         [](CWPapierDoc&, CWPapier& a, CWPapier& o) {
             a.AddQuotation(CKurs(at(2024, 3, 1), 10), false);
             a.AddQuotation(CKurs(at(2024, 3, 10), 11), false);
             o.AddQuotation(CKurs(at(2024, 2, 1), 5), false);
             o.AddQuotation(CKurs(at(2024, 3, 5), 6), false);
             o.AddTransaction(transaction(0, at(2024, 2, 1), 2, 5, 0));
             o.AddTransaction(transaction(1, at(2024, 3, 20), 2, 6, 0));
         },
         {{at(2024, 2, 1), 10},
          {at(2024, 3, 1), 110},
          {at(2024, 3, 5), 112},
          {at(2024, 3, 10), 122},
          {at(2024, 3, 20), 110},
          {now, 110}}},
        {"two buys of one day",
         [](CWPapierDoc&, CWPapier& a, CWPapier&) {
             a.AddQuotation(CKurs(at(2024, 2, 28), 10), false);
             a.AddTransaction(transaction(0, at(2024, 3, 1), 5, 10, 0));
             a.AddQuotation(CKurs(at(2024, 3, 5), 12), false);
         },
         {{at(2024, 3, 1), 150}, {at(2024, 3, 5), 180}, {now, 180}}},
        {"the cash account's balance counts",
         [](CWPapierDoc& d, CWPapier& a, CWPapier&) {
             a.AddQuotation(CKurs(at(2024, 2, 28), 10), false);
             d.AddTransaction(d.FindCashAccountItem(), transaction(0, at(2024, 4, 1), 1000, 0, 0));
         },
         {{at(2024, 3, 1), 100}, {at(2024, 4, 1), 1100}, {now, 1100}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CWPapierDoc d(&host);
        d.OnNewDocument();
        CWPapier& a = *d.GetItem(d.AddItem(doctest::makeItem("Acme")));
        CWPapier& o = *d.GetItem(d.AddItem(doctest::makeItem("Other")));
        a.AddTransaction(transaction(0, at(2024, 3, 1), 10, 10, 0));
        c.setUp(d, a, o);
        d.SetModifiedFlag(false);
        d.RecomputeSumInvestValueHistory();
        const auto got = d.GetItem(d.FindInvestmentHistoryItem())->GetQuotationListCopy();
        ASSERT_EQ(got.size(), c.expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].m_dtDate.m_dt, c.expected[i].first.m_dt) << i << " " << got[i].m_dtDate.Format("%c");
            EXPECT_EQ(got[i].m_dClose, c.expected[i].second) << i;
            EXPECT_EQ(got[i].m_dOpen, 0.0);
        }
        EXPECT_TRUE(d.IsModified());
        EXPECT_EQ(host.waitCursorDepth(), 0);
    }
}

// Nothing contributes, or there is no history item: the rebuild leaves everything as it is.
TEST_F(DocHistoryTest, RebuildWithNothingToDo) {
    item(history).AddQuotation(CKurs(at(2024, 1, 1), 7), false);
    doc.RecomputeSumInvestValueHistory(); // Acme has no quotation
    EXPECT_EQ(closes(item(history)), std::vector<double>{7});
    EXPECT_FALSE(doc.IsModified());

    item(acme).AddQuotation(CKurs(at(2024, 3, 2), 10), false);
    ASSERT_TRUE(doc.DeleteItem(history));
    clearRecord();
    doc.RecomputeSumInvestValueHistory();
    doc.UpdateSumInvestValue();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(view.updates.empty());
}
