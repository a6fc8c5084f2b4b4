#include "ItemTestSupport.h"
#include "LiteralWalk.h"
#include "portfolio/WPapierItem.h"
#include "support/Bounded.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <set>
#include <thread>

using itemtest::at;
using itemtest::closes;
using itemtest::plusSeconds;
using itemtest::transaction;

namespace {

// Every test here runs at a fixed "now": 1 June 2024 12:00 local time.
class ItemTest : public ::testing::Test {
protected:
    void setNow(const OleDate& local) { m_now.set(local); }

    itemtest::FixedNow m_now{at(2024, 6, 1, 12)};
};

} // namespace

TEST_F(ItemTest, ConstructionGivesEmptyItemWithNewId) {
    const CWPapier a;
    const CWPapier b;
    EXPECT_NE(a.id(), kNoItemPos);
    EXPECT_GT(b.id(), a.id());
    {
        const CWPapier c;
        EXPECT_GT(c.id(), b.id());
    }
    const CWPapier d; // ids are not reused
    EXPECT_GT(d.id(), b.id() + 1);

    EXPECT_EQ(a.m_nMagic, 0x42F69715);
    EXPECT_TRUE(a.m_strName.empty() && a.m_Server.m_strName.empty() && a.m_Server.m_strURL.empty());
    EXPECT_EQ(a.m_dtBegin.m_status, OleDate::valid);
    EXPECT_EQ(a.m_dtEnd.m_dt, 0.0);
    EXPECT_EQ(a.m_bDownloadPending, 0);
    EXPECT_EQ(a.m_bDownloadEnabled, 0);
    EXPECT_EQ(a.m_pCurrencyItem, nullptr);
    EXPECT_EQ(a.m_pFormulaItemX, nullptr);
    EXPECT_EQ(a.m_dUnits, 0.0);
    EXPECT_TRUE(a.IsQuotationListEmpty());
    EXPECT_TRUE(a.IsTransactionListEmpty());
    EXPECT_EQ(a.GetQuotationCount(), 0);
}

// The insertion rules, case by case: each adds quotations (close = 1, 2, 3, ...) in order and
// checks the returned indexes and the final order by close.
TEST_F(ItemTest, AddQuotationRules) {
    const OleDate d1 = at(2024, 1, 1, 9);
    struct Add {
        OleDate date;
        bool sameDay;
        int expectedIndex;
    };
    struct Case {
        const char* name;
        std::vector<Add> adds;
        std::vector<double> order;
    };
    const Case cases[] = {
        {"dates 2, 1, 3 January",
         {{at(2024, 1, 2), false, 0}, {at(2024, 1, 1), false, 0}, {at(2024, 1, 3), false, 2}},
         {2, 1, 3}},
        {"equal to the newest within half a second replaces it",
         {{d1, false, 0}, {at(2024, 1, 2), false, 1}, {plusSeconds(at(2024, 1, 2), 0.4), false, 1}},
         {1, 3}},
        {"0.6 seconds later is a new quotation", {{d1, false, 0}, {plusSeconds(d1, 0.6), false, 1}}, {1, 2}},
        {"equal to the second newest replaces that one",
         {{d1, false, 0},
          {at(2024, 1, 2), false, 1},
          {at(2024, 1, 3), false, 2},
          {plusSeconds(at(2024, 1, 2), -0.4), false, 1}},
         {1, 4, 3}},
        {"inserted inside the list",
         {{at(2024, 1, 1), false, 0},
          {at(2024, 1, 5), false, 1},
          {at(2024, 1, 9), false, 2},
          {at(2024, 1, 3), false, 1}},
         {1, 4, 2, 3}},
        {"same day: a later quotation replaces the newest of that day",
         {{d1, false, 0}, {at(2024, 1, 1, 17), true, 0}},
         {2}},
        {"without same day both are kept", {{d1, false, 0}, {at(2024, 1, 1, 17), false, 1}}, {1, 2}},
        {"same day: the one before the insertion point is replaced",
         {{d1, false, 0}, {at(2024, 1, 2, 9), false, 1}, {at(2024, 1, 1, 17), true, 0}},
         {3, 2}},
        {"same day reaches from 00:00:00 to 23:59:59",
         {{at(2024, 1, 1, 0, 0, 0), false, 0}, {at(2024, 1, 1, 23, 59, 59), true, 0}},
         {2}},
        {"an earlier quotation of the same day still goes to the head",
         {{at(2024, 1, 1, 23, 59, 59), false, 0}, {at(2024, 1, 1, 0, 0, 0), true, 0}},
         {2, 1}},
        {"0.3 seconds before the oldest goes to the head, also in same-day mode",
         {{d1, false, 0}, {plusSeconds(d1, -0.3), true, 0}},
         {2, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWPapier item;
        double close = 1;
        for (const Add& add : c.adds)
            EXPECT_EQ(item.AddQuotation(CKurs(add.date, close++), add.sameDay), add.expectedIndex);
        EXPECT_EQ(closes(item), c.order);
    }
}

namespace {

// Dates of the random cases: four days, a few times of day, and offsets around half a second,
// with now and then an invalid or null date or one before 30 December 1899.
OleDate randomDate(std::mt19937& rng, bool irregular = true) {
    static const double hours[] = {0.0, 9.0, 17.5, 23.999};
    static const double seconds[] = {0.0, 0.0, 0.3, 0.45, 0.49, 0.5, 0.51, 0.55, 0.6, 0.99, 1.0, -0.3, -0.49, -0.6};
    const auto offset = [&rng] {
        // Half the time one of the offsets around half a second, else anywhere within a second.
        return (rng() % 2 ? seconds[rng() % std::size(seconds)] : static_cast<double>(rng() % 2001) / 1000.0 - 1.0) /
               86400.0;
    };
    const int roll = irregular ? static_cast<int>(rng() % 100) : 100;
    double value = 45300.0 + static_cast<double>(rng() % 4) + hours[rng() % 4] / 24.0 + offset();
    if (roll < 6) // before 30 December 1899, where the time of day counts backwards in the value
        value = -1.0 - hours[rng() % 4] / 24.0 + offset() - static_cast<double>(rng() % 2);
    OleDate date(value);
    if (roll >= 6 && roll < 10)
        date.SetStatus(OleDate::invalid);
    else if (roll >= 10 && roll < 13)
        date.SetStatus(OleDate::null);
    return date;
}

void expectSameList(const CWPapier& item, const std::vector<CKurs>& model) {
    const auto actual = item.GetQuotationListCopy();
    ASSERT_EQ(actual.size(), model.size());
    for (std::size_t i = 0; i < model.size(); ++i) {
        ASSERT_EQ(actual[i].m_dClose, model[i].m_dClose) << "index " << i;
        ASSERT_EQ(actual[i].m_dtDate.m_dt, model[i].m_dtDate.m_dt) << "index " << i;
        ASSERT_EQ(actual[i].m_dtDate.m_status, model[i].m_dtDate.m_status) << "index " << i;
    }
}

void expectSameQueries(const CWPapier& item, const std::vector<CKurs>& model, const OleDate& date) {
    const auto closeAt = [&](const std::optional<std::size_t>& i) { return i ? model[*i].m_dClose : 0.0; };
    CKurs out;
    out.m_dClose = -1;
    const auto k = literal::onOrBefore(model, date);
    ASSERT_EQ(item.GetQuotationOnOrBefore(date, out), k.has_value());
    ASSERT_EQ(out.m_dClose, closeAt(k));

    OleDate dateOut = at(1999, 1, 1);
    ASSERT_EQ(item.GetQuotationDateOnOrBefore(date, dateOut), k.has_value());
    ASSERT_EQ(dateOut.m_dt, k ? model[*k].m_dtDate.m_dt : at(1999, 1, 1).m_dt);

    const auto next = literal::nextAfter(model, date);
    ASSERT_EQ(item.GetNextQuotationAfter(date, out), next.has_value());
    ASSERT_EQ(out.m_dClose, closeAt(next));

    for (const bool previousDay : {false, true}) {
        const auto r = literal::reference(model, date, previousDay);
        ASSERT_EQ(item.GetReferenceQuotation(date, out, previousDay), r.has_value()) << previousDay;
        ASSERT_EQ(out.m_dClose, closeAt(r)) << previousDay;
        double change = -1;
        ASSERT_EQ(item.GetChange(date, change, previousDay), k && r);
        ASSERT_EQ(change, k && r ? closeAt(k) - closeAt(r) : 0.0);
    }

    double min = -1, max = -1, expectedMin, expectedMax;
    ASSERT_EQ(item.GetMinMaxUntil(date, min, max), literal::minMax(model, date, expectedMin, expectedMax));
    ASSERT_EQ(min, expectedMin);
    ASSERT_EQ(max, expectedMax);

    for (const long long days : {-1LL, 1LL, 2LL}) {
        double change = -1, expectedChange;
        std::int64_t age = -1;
        long long expectedAge;
        const bool expected = literal::timeFrame(model, date, days, expectedChange, expectedAge);
        ASSERT_EQ(item.GetTimeFrameChange(date, days, change, age), expected) << days;
        ASSERT_EQ(change, expectedChange) << days;
        ASSERT_EQ(age, expectedAge) << days;
    }
}

} // namespace

// The item's binary searches against the literal walks on random lists with near-equal,
// invalid, null and pre-1900 dates, through adds, deletions, replacements and unordered lists
// handed over whole.
TEST_F(ItemTest, SearchesGiveTheResultsOfTheLiteralWalks) {
    std::mt19937 rng(20240601);
    for (int run = 0; run < 1000; ++run) {
        CWPapier item;
        std::vector<CKurs> model;
        double close = 1;
        const int steps = 5 + static_cast<int>(rng() % 30);
        const bool irregular = run % 2 == 0; // every other run with valid dates after 1899 only
        for (int step = 0; step < steps; ++step) {
            const int op = static_cast<int>(rng() % 20);
            if (op < 15 || model.empty()) {
                const CKurs q(randomDate(rng, irregular), close++);
                const bool sameDay = rng() % 3 == 0;
                ASSERT_EQ(item.AddQuotation(q, sameDay), literal::addQuotation(model, q, sameDay))
                    << "run " << run << " step " << step;
            } else if (op < 17) {
                const int index = static_cast<int>(rng() % (model.size() + 1)); // one past the end, too
                const bool exists = static_cast<std::size_t>(index) < model.size();
                ASSERT_EQ(item.DeleteQuotation(index), exists);
                if (exists)
                    model.erase(model.begin() + index);
            } else if (op < 19) {
                const int index = static_cast<int>(rng() % model.size());
                const CKurs q(randomDate(rng, irregular), close++);
                model.erase(model.begin() + index);
                const int expected = literal::addQuotation(model, q, false);
                ASSERT_EQ(item.ReplaceQuotation(index, q), expected);
            } else if (irregular) {
                std::shuffle(model.begin(), model.end(), rng);
                item.ReplaceQuotationList(model);
            }
            ASSERT_NO_FATAL_FAILURE(expectSameList(item, model)) << "run " << run << " step " << step;
            for (int query = 0; query < 3; ++query)
                ASSERT_NO_FATAL_FAILURE(expectSameQueries(item, model, randomDate(rng, irregular || query == 0)))
                    << "run " << run << " step " << step;
        }
    }
}

// The transaction list's binary searches and kept figures against the literal walks, on random
// lists with near-equal, invalid, null, pre-1900 and future dates, through adds, deletions,
// replacements and unordered lists handed over whole.
TEST_F(ItemTest, TransactionSearchesAndFiguresGiveTheResultsOfTheLiteralWalks) {
    std::mt19937 rng(20240602);
    const OleDate now = OleDate::GetCurrentTime();
    for (int run = 0; run < 600; ++run) {
        CWPapier item;
        std::vector<CTransaction> model;
        const bool irregular = run % 2 == 0;
        const auto randomTransaction = [&] {
            OleDate date = randomDate(rng, irregular);
            if (rng() % 8 == 0)
                date = date + OleDateSpan(200.0); // after now
            return CTransaction(static_cast<int>(rng() % 4), date, 1.0 + rng() % 9, 5.0 + rng() % 20,
                                static_cast<double>(rng() % 3), 0, false, OleDate(), "");
        };
        for (int step = 0, steps = 5 + static_cast<int>(rng() % 40); step < steps; ++step) {
            const int op = static_cast<int>(rng() % 20);
            if (op < 15 || model.empty()) {
                const CTransaction t = randomTransaction();
                ASSERT_EQ(item.AddTransaction(t), literal::addTransaction(model, t)) << run << " " << step;
            } else if (op < 17) {
                const int index = static_cast<int>(rng() % model.size());
                ASSERT_TRUE(item.DeleteTransaction(index));
                model.erase(model.begin() + index);
            } else if (op < 19) {
                const int index = static_cast<int>(rng() % model.size());
                const CTransaction t = randomTransaction();
                model.erase(model.begin() + index);
                ASSERT_EQ(item.ReplaceTransaction(index, t), literal::addTransaction(model, t));
            } else if (irregular) {
                std::shuffle(model.begin(), model.end(), rng);
                item.ReplaceTransactionList(model);
            }
            const auto list = item.GetTransactionListCopy();
            ASSERT_EQ(list.size(), model.size());
            for (std::size_t i = 0; i < model.size(); ++i)
                ASSERT_EQ(list[i].m_dtDate.m_dt, model[i].m_dtDate.m_dt) << run << " " << step << " " << i;
            double units, breakEven, average;
            literal::figures(model, now, units, breakEven, average);
            ASSERT_EQ(item.m_dUnits, units) << run << " " << step;
            ASSERT_EQ(item.m_dBreakEven, breakEven) << run << " " << step;
            ASSERT_EQ(item.m_dAveragePrice, average) << run << " " << step;
            for (int query = 0; query < 3; ++query) {
                const OleDate date = randomDate(rng, irregular || query == 0);
                ASSERT_EQ(item.GetUnitsOnDate(date), literal::units(model, date)) << run << " " << step;
                OleDate last;
                item.GetLastTransactionDate(date, last);
                OleDate expected = CWPapier::fallbackDate();
                for (const auto& t : model)
                    if (literal::onOrBefore(t.m_dtDate, date))
                        expected = t.m_dtDate;
                ASSERT_EQ(last.m_dt, expected.m_dt) << run << " " << step;
            }
        }
    }
}

// The same on lists long enough to span many storage blocks, mostly in date order as real lists
// are, with clusters of near-equal dates.
TEST_F(ItemTest, LongListsMatchTheLiteralWalks) {
    std::mt19937 rng(7);
    for (const int order : {0, 1, 2}) { // ascending, descending, random
        CWPapier item;
        std::vector<CKurs> model;
        const int n = 1500;
        for (int i = 0; i < n; ++i) {
            const int position = order == 0 ? i : order == 1 ? n - i : static_cast<int>(rng() % n);
            double value = 45000.0 + position * 0.25;
            if (rng() % 5 == 0)
                value += (static_cast<double>(rng() % 7) - 3.0) * 0.2 / 86400.0; // within a second
            const CKurs q(OleDate(value), i + 1.0);
            const bool sameDay = rng() % 4 == 0;
            ASSERT_EQ(item.AddQuotation(q, sameDay), literal::addQuotation(model, q, sameDay)) << order << " " << i;
            if (i % 97 == 0) {
                const int index = static_cast<int>(rng() % model.size());
                ASSERT_TRUE(item.DeleteQuotation(index));
                model.erase(model.begin() + index);
            }
        }
        ASSERT_NO_FATAL_FAILURE(expectSameList(item, model));
        for (int query = 0; query < 300; ++query) {
            const OleDate date(44990.0 + static_cast<double>(rng() % 400000) / 1000.0);
            ASSERT_NO_FATAL_FAILURE(expectSameQueries(item, model, date)) << order << " " << query;
        }
    }
}

TEST_F(ItemTest, DeleteAndReplaceByIndex) {
    CWPapier item;
    for (int d = 1; d <= 3; ++d)
        item.AddQuotation(CKurs(at(2024, 1, d), d), false);
    EXPECT_FALSE(item.DeleteQuotation(3));
    EXPECT_FALSE(item.DeleteQuotation(-1));
    EXPECT_EQ(item.ReplaceQuotation(3, CKurs(at(2024, 2, 1), 9)), -1);
    EXPECT_EQ(closes(item), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(item.GetQuotationAt(3), nullptr);
    EXPECT_EQ(item.GetQuotationAt(-1), nullptr);

    // Replacing the oldest by a later date moves it; replacing by its own record works too.
    EXPECT_EQ(item.ReplaceQuotation(0, CKurs(at(2024, 1, 5), 9)), 2);
    EXPECT_EQ(closes(item), (std::vector<double>{2, 3, 9}));
    EXPECT_EQ(item.ReplaceQuotation(1, *item.GetQuotationAt(1)), 1);
    EXPECT_EQ(closes(item), (std::vector<double>{2, 3, 9}));
    EXPECT_TRUE(item.DeleteQuotation(1));
    EXPECT_EQ(closes(item), (std::vector<double>{2, 9}));
    EXPECT_EQ(item.GetLastQuotationPtr()->m_dClose, 9);
    EXPECT_TRUE(item.DeleteAllQuotations());
    EXPECT_EQ(item.GetLastQuotationPtr(), nullptr);
}

TEST_F(ItemTest, DeleteQuotationInterval) {
    CWPapier item;
    EXPECT_FALSE(item.DeleteQuotationInterval(at(2024, 1, 1), at(2024, 12, 31)));
    for (int d = 1; d <= 5; ++d)
        item.AddQuotation(CKurs(at(2024, 1, d, 12), d), false);
    // Both ends count, with half a second of tolerance.
    EXPECT_TRUE(
        item.DeleteQuotationInterval(plusSeconds(at(2024, 1, 2, 12), 0.4), plusSeconds(at(2024, 1, 4, 12), -0.4)));
    EXPECT_EQ(closes(item), (std::vector<double>{1, 5}));
    EXPECT_TRUE(item.DeleteQuotationInterval(at(2025, 1, 1), at(2025, 2, 1)));
    EXPECT_EQ(closes(item), (std::vector<double>{1, 5}));
}

TEST_F(ItemTest, DeleteMultipleQuotations) {
    CWPapier empty;
    EXPECT_FALSE(empty.DeleteMultipleQuotations(0));

    // One per day keeps the 17:00 quotation of each of three days.
    CWPapier intraday;
    double close = 1;
    for (int d = 1; d <= 3; ++d) {
        intraday.AddQuotation(CKurs(at(2024, 3, d, 9), close++), false);
        intraday.AddQuotation(CKurs(at(2024, 3, d, 17), close++), false);
    }
    EXPECT_TRUE(intraday.DeleteMultipleQuotations(2)); // no such mode: nothing deleted
    EXPECT_EQ(intraday.GetQuotationCount(), 6);
    EXPECT_TRUE(intraday.DeleteMultipleQuotations(0));
    EXPECT_EQ(closes(intraday), (std::vector<double>{2, 4, 6}));

    // One per month keeps the last quotation of each month.
    CWPapier daily;
    for (int d = 0; d < 60; ++d)
        daily.AddQuotation(CKurs(at(2024, 1, 1) + OleDateSpan(d, 12, 0, 0), d), false);
    EXPECT_TRUE(daily.DeleteMultipleQuotations(1));
    EXPECT_EQ(closes(daily), (std::vector<double>{30, 59})); // 31 January, 29 February

    // The same month of two years is two months, even less than 365 days apart.
    CWPapier years;
    years.AddQuotation(CKurs(at(2020, 1, 30), 1), false);
    years.AddQuotation(CKurs(at(2021, 1, 2), 2), false);
    years.AddQuotation(CKurs(at(2021, 1, 20), 3), false);
    EXPECT_TRUE(years.DeleteMultipleQuotations(1));
    EXPECT_EQ(closes(years), (std::vector<double>{1, 3}));
}

TEST_F(ItemTest, QuotationReadsOnEmptyAndInvalidLists) {
    CWPapier item;
    CKurs out(at(2000, 1, 1), 5);
    out.m_dOpen = 4;
    EXPECT_FALSE(item.GetLastQuotation(out));
    EXPECT_EQ(out.m_dClose + out.m_dOpen, 0.0);
    EXPECT_EQ(out.m_dtDate.m_dt, at(2000, 1, 1).m_dt); // date kept
    out.m_dClose = 5;
    EXPECT_FALSE(item.GetFirstQuotation(out));
    EXPECT_FALSE(item.GetPreviousQuotation(out));
    EXPECT_EQ(out.m_dClose, 5.0);
    OleDate date;
    EXPECT_FALSE(item.GetFirstQuotationDate(date));
    EXPECT_EQ(date.m_dt, at(1975, 1, 23).m_dt);
    date = OleDate();
    EXPECT_FALSE(item.GetLastQuotationDate(date));
    EXPECT_EQ(date.m_dt, at(1975, 1, 23).m_dt);
    EXPECT_FALSE(item.GetQuotationOnOrBefore(at(2024, 1, 1), out));
    EXPECT_FALSE(item.GetNextQuotationAfter(at(2024, 1, 1), out));
    double value = 1, min = 1, max = 1;
    std::int64_t age = 1;
    EXPECT_FALSE(item.GetChange(at(2024, 1, 1), value, true));
    EXPECT_FALSE(item.GetMinMaxUntil(at(2024, 1, 1), min, max));
    EXPECT_FALSE(item.GetTimeFrameChangePercent(at(2024, 1, 1), 30, value, age));
    EXPECT_EQ(value + min + max + static_cast<double>(age), 0.0);

    // Only invalid and null dates: nothing is on or before anything valid.
    item.AddQuotation(CKurs(itemtest::withStatus(at(2024, 1, 1), OleDate::invalid), 1), false);
    item.AddQuotation(CKurs(itemtest::withStatus(at(2024, 1, 2), OleDate::null), 2), false);
    EXPECT_EQ(item.GetQuotationCount(), 2);
    EXPECT_FALSE(item.GetQuotationOnOrBefore(at(2030, 1, 1), out));
    EXPECT_FALSE(item.GetReferenceQuotation(at(2030, 1, 1), out, true));
    EXPECT_FALSE(item.GetTimeFrameChange(at(2030, 1, 1), -1, value, age));
    // The null date is not later than the invalid one, so it went before it.
    EXPECT_TRUE(item.GetPreviousQuotation(out));
    EXPECT_EQ(out.m_dClose, 2.0);
    EXPECT_TRUE(item.GetNextQuotationAfter(at(2030, 1, 1), out)); // the oldest: none is on or before
    EXPECT_EQ(out.m_dClose, 2.0);
}

// Transactions of an equal date go after the equal ones, but before the newest when equal to it.
TEST_F(ItemTest, AddTransactionOrder) {
    CWPapier item;
    EXPECT_EQ(item.AddTransaction(transaction(0, at(2024, 1, 10), 1, 1)), 0);
    EXPECT_EQ(item.AddTransaction(transaction(0, at(2024, 1, 20), 2, 1)), 1);
    EXPECT_EQ(item.AddTransaction(transaction(0, at(2024, 1, 5), 3, 1)), 0);
    EXPECT_EQ(item.AddTransaction(transaction(0, at(2024, 1, 20), 4, 1)), 2); // equal to the newest: before it
    EXPECT_EQ(item.AddTransaction(transaction(0, at(2024, 1, 10), 5, 1)), 2); // equal to an older: after it
    EXPECT_EQ(item.AddTransaction(transaction(0, at(2024, 1, 25), 6, 1)), 5);
    EXPECT_EQ(item.AddTransaction(transaction(0, at(2024, 1, 15), 7, 1)), 3);
    std::vector<double> units;
    for (const auto& t : item.GetTransactionListCopy()) {
        units.push_back(t.m_dUnits);
        EXPECT_EQ(t.m_nOriginIndex, -1);
    }
    EXPECT_EQ(units, (std::vector<double>{3, 1, 5, 7, 4, 2, 6}));

    EXPECT_FALSE(item.DeleteTransaction(7));
    EXPECT_EQ(item.ReplaceTransaction(9, transaction(0, at(2024, 1, 1), 1, 1)), -1);
    EXPECT_EQ(item.ReplaceTransaction(0, transaction(0, at(2024, 2, 1), 8, 1)), 6);
    EXPECT_TRUE(item.DeleteTransaction(0));
    EXPECT_EQ(item.GetTransactionListCopy().front().m_dUnits, 5.0);
}

// Units, break-even and average price from buys, dividends and sells up to now.
TEST_F(ItemTest, InvestmentFigures) {
    CWPapier item;
    item.m_strName = "Share";
    struct Step {
        CTransaction t;
        bool changed;
        double units, breakEven, average;
    };
    const Step steps[] = {
        {transaction(CTransaction::kBuy, at(2024, 1, 10), 10, 100, 10), true, 10, 101, 101},
        {transaction(CTransaction::kBuy, at(2024, 2, 10), 10, 110, 0), true, 20, 105.5, 105.5},
        {transaction(CTransaction::kDividend, at(2024, 3, 10), 20, 2, 5), true, 20, 103.75, 105.5},
        {transaction(CTransaction::kSell, at(2024, 4, 10), 5, 120, 3), true, 15, 103.75, 105.5},
        // Dated tomorrow: does not count yet.
        {transaction(CTransaction::kBuy, at(2024, 6, 2, 12), 100, 1, 0), false, 15, 103.75, 105.5},
        // Another kind changes nothing.
        {transaction(7, at(2024, 5, 1), 100, 1, 0), false, 15, 103.75, 105.5},
    };
    for (const Step& s : steps) {
        item.AddTransaction(s.t);
        EXPECT_FALSE(item.RecalculateAverageInvestPrice()); // computed already
        EXPECT_EQ(item.m_dUnits, s.units);
        EXPECT_DOUBLE_EQ(item.m_dBreakEven, s.breakEven);
        EXPECT_DOUBLE_EQ(item.m_dAveragePrice, s.average);
    }
    // The buy counts from its date on.
    setNow(at(2024, 6, 2, 12));
    EXPECT_TRUE(item.RecalculateAverageInvestPrice());
    EXPECT_EQ(item.m_dUnits, 115.0);

    // Buying -10 units on 10 held: units 0, prices as they were.
    CWPapier other;
    other.AddTransaction(transaction(CTransaction::kBuy, at(2024, 1, 1), 10, 50));
    other.AddTransaction(transaction(CTransaction::kBuy, at(2024, 1, 2), -10, 70));
    EXPECT_EQ(other.m_dUnits, 0.0);
    EXPECT_EQ(other.m_dBreakEven, 50.0);
    EXPECT_EQ(other.m_dAveragePrice, 50.0);
}

TEST_F(ItemTest, CashAccountFiguresAreItsBalance) {
    CWPapier cash;
    cash.m_bCashAccount = 1;
    cash.AddQuotation(CKurs(at(2024, 5, 1), 800), false);
    cash.AddQuotation(CKurs(at(2024, 7, 1), 900), false); // after now
    EXPECT_TRUE(cash.RecalculateAverageInvestPrice());
    EXPECT_EQ(cash.m_dUnits, 1.0);
    EXPECT_EQ(cash.m_dBreakEven, 800.0);
    EXPECT_EQ(cash.m_dAveragePrice, 800.0);
    EXPECT_TRUE(cash.ReplaceQuotationList({CKurs(at(2024, 1, 1), 10)}));
    EXPECT_EQ(cash.m_dBreakEven, 10.0);
}

TEST_F(ItemTest, ListCopiesAreIndependent) {
    CWPapier item;
    item.AddQuotation(CKurs(at(2024, 1, 1), 1), false);
    item.AddTransaction(transaction(0, at(2024, 1, 1), 1, 1));
    auto quotations = item.GetQuotationListCopy();
    auto transactions = item.GetTransactionListCopy();
    quotations[0].m_dClose = 99;
    transactions[0].m_dUnits = 99;
    EXPECT_EQ(item.GetQuotationAt(0)->m_dClose, 1.0);
    EXPECT_EQ(item.GetTransactionListCopy()[0].m_dUnits, 1.0);

    // A handed-over transaction list takes over its records; their origins are dropped.
    transactions[0].m_nOriginIndex = 3;
    EXPECT_TRUE(item.ReplaceTransactionList(transactions));
    EXPECT_EQ(item.m_dUnits, 99.0);
    EXPECT_EQ(item.GetTransactionListCopy()[0].m_nOriginIndex, -1);
}

TEST_F(ItemTest, LogLines) {
    testsupport::LogCapture log;
    CWPapier item;
    item.m_strName = "ACME";
    const OleDate d1 = at(2024, 1, 2, 9, 30, 0);
    item.AddQuotation(CKurs(d1, 10), false); // first: no line
    item.AddQuotation(CKurs(at(2024, 1, 3, 9, 30, 0), 11), false);
    item.AddQuotation(CKurs(at(2024, 1, 1, 9, 30, 0), 9), false); // head: no line
    item.AddQuotation(CKurs(at(2024, 1, 2, 12, 0, 0), 10.5), false);
    item.AddQuotation(CKurs(at(2024, 1, 3, 9, 30, 0), 12), false);
    item.AddQuotation(CKurs(d1, 13), false);
    item.DeleteQuotation(0);
    item.AddTransaction(transaction(0, d1, 1, 100));
    item.AddTransaction(transaction(1, at(2024, 1, 3), 1, 100));
    item.AddTransaction(transaction(2, at(2024, 1, 2, 12), 1, 2));
    item.DeleteTransaction(2);
    const std::vector<std::string> expected = {
        "Added new latest quotation to 'ACME':  01/03/24 09:30:00 11.0000 at index 1",
        "Added new quotation to 'ACME':  01/02/24 12:00:00 10.5000 at index 2",
        "Updated latest quotation for 'ACME': 01/03/24 09:30:00 12.0000 at index 3",
        "Updated quotation for 'ACME': 01/02/24 09:30:00 13.0000 at index 1",
        "Deleted quotation for 'ACME': 01/01/24 09:30:00 9.0000 at index 0",
        "Added new 1st transaction to 'ACME': 01/02/24 09:30:00 [type 0] at index 0",
        "RecalculateAverageInvestPrice modified 'ACME' units= 1 avg-quotation=100.00 breakeven=100.00",
        "Added new latest transaction to 'ACME': 01/03/24 00:00:00 [type 1] at index 1",
        "RecalculateAverageInvestPrice modified 'ACME' units= 0 avg-quotation=100.00 breakeven=100.00",
        "Added transaction to 'ACME': 01/02/24 12:00:00 [type 2] at index 1",
        "RecalculateAverageInvestPrice modified 'ACME' units= 0 avg-quotation=100.00 breakeven=98.00",
        "Deleted transaction for 'ACME': 01/03/24 00:00:00 [type 1] at index 2",
        "RecalculateAverageInvestPrice modified 'ACME' units= 1 avg-quotation=100.00 breakeven=98.00",
    };
    EXPECT_EQ(log.messages(), expected);
    for (const auto& line : log.lines()) {
        EXPECT_EQ(line.level, LOG_LEVEL_DEBUG);
        EXPECT_EQ(line.file, "WPapierItem.cpp");
    }
}

// Readers copy and query while a writer adds and deletes; each list's lock keeps every read whole.
TEST_F(ItemTest, ConcurrentReadersSeeWholeLists) {
    CWPapier item;
    std::atomic<bool> done{false};
    std::atomic<int> ready{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r) {
        readers.emplace_back([&] {
            ++ready;
            do {
                const auto copy = item.GetQuotationListCopy();
                for (std::size_t i = 1; i < copy.size(); ++i)
                    ASSERT_LT(copy[i - 1].m_dtDate.m_dt, copy[i].m_dtDate.m_dt);
                CKurs out;
                item.GetQuotationOnOrBefore(at(2024, 3, 1), out);
                double change;
                item.GetChange(at(2024, 3, 1), change, true);
                item.GetUnitsOnDate(at(2024, 3, 1));
                item.GetTransactionListCopy();
            } while (!done.load());
        });
    }
    EXPECT_TRUE(testsupport::becomesTrue([&] { return ready.load() == 3; })) << "the readers did not start";
    for (int i = 0; i < 2000; ++i) {
        item.AddQuotation(CKurs(at(2024, 1, 1) + OleDateSpan(i % 300, i % 24, 0, 0), i), i % 2 == 0);
        if (i % 7 == 0)
            item.DeleteQuotation(0);
        if (i % 50 == 0)
            item.AddTransaction(transaction(0, at(2024, 1, 1) + OleDateSpan(i % 100, 0, 0, 0), 1, 1));
    }
    done = true;
    for (auto& t : readers)
        t.join();
}
