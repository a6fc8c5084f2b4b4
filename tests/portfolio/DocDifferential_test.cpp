// The document's bulk operations against the rules they implement, walked step by step as the rules
// read, on small random portfolios: the combined transaction list, the rebuild of the investment
// history, the cash account's balance after each change, deleting all transactions, and the link
// repairs after deleting many items.

#include "DocumentTestSupport.h"
#include "LiteralWalk.h"
#include "support/FakePortfolioHost.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>

using doctest::makeItem;
using itemtest::at;
using itemtest::plusSeconds;
using testsupport::FakePortfolioHost;

namespace {

const OleDate kNow = at(2024, 6, 15, 12, 0, 0);
// From kNow back to 1850, where the rules of dates before 30 December 1899 hold.
constexpr int kDaysTo1850 = 63550;

class DifferentialTest : public ::testing::Test {
protected:
    itemtest::FixedNow fixedNow{kNow};
    FakePortfolioHost host;
};

// ---------------------------------------------------------------- the combined transaction list

// Each copy goes in as the rule says: before the head when earlier; else past every entry on or
// before it, before the first later one; at the last entry, after it only when later.
std::vector<std::pair<ItemPos, int>> literalAllTransactions(const CWPapierDoc& doc) {
    struct Entry {
        OleDate date;
        ItemPos item;
        int index;
    };
    std::vector<Entry> list;
    for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;) {
        const ItemPos itemPos = pos;
        const CWPapier* item = doc.GetNextItem(pos);
        int index = 0;
        for (const CTransaction& t : item->GetTransactionListCopy()) {
            const Entry e{t.m_dtDate, itemPos, index++};
            if (t.m_dUnits == 0.0 && t.m_dTaxes == 0.0)
                continue;
            if (list.empty()) {
                list.push_back(e);
                continue;
            }
            if (dateEarlier(e.date, list.front().date)) {
                list.insert(list.begin(), e);
                continue;
            }
            std::size_t c = 0;
            while (true) {
                if (c + 1 == list.size()) {
                    if (dateLater(e.date, list[c].date))
                        list.push_back(e);
                    else
                        list.insert(list.begin() + static_cast<std::ptrdiff_t>(c), e);
                    break;
                }
                if (!(dateEarlier(list[c].date, e.date) || datesEqual(list[c].date, e.date))) {
                    list.insert(list.begin() + static_cast<std::ptrdiff_t>(c), e);
                    break;
                }
                ++c;
            }
        }
    }
    std::vector<std::pair<ItemPos, int>> out;
    for (const Entry& e : list)
        out.emplace_back(e.item, e.index);
    return out;
}

TEST_F(DifferentialTest, CombinedTransactionListMatchesInsertingOneByOne) {
    std::mt19937 rng(11);
    const auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    int irregularCases = 0;
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        CWPapierDoc doc(&host);
        // Some rounds hold dates less than half a second apart, invalid or null dates.
        const bool irregular = round % 4 == 3;
        irregularCases += irregular;
        for (int i = 0, items = 1 + pick(4); i < items; ++i) {
            auto item = makeItem("item " + std::to_string(i));
            std::vector<CTransaction> list;
            for (int k = 0, n = pick(7); k < n; ++k) {
                OleDate date = at(round % 3 ? 2024 : 1850, 1, 1 + pick(4), 10 + pick(2), 0, 0);
                if (irregular && pick(3) == 0)
                    date = pick(2) ? plusSeconds(date, 0.3)
                                   : itemtest::withStatus(date, pick(2) ? OleDate::invalid : OleDate::null);
                const double units = pick(4) == 0 ? 0.0 : 1.0 + pick(9);
                const double taxes = pick(3) == 0 ? 1.0 : 0.0;
                list.emplace_back(pick(3), date, units, 10.0, taxes, 0, false, OleDate(), "");
            }
            if (pick(2)) {
                for (const auto& t : list)
                    item->AddTransaction(t);
            } else {
                item->ReplaceTransactionList(list); // in any order, as a file may hold them
            }
            doc.AddItem(std::move(item));
        }
        const std::vector<CTransaction> all = doc.GetAllTransactionsSorted();
        std::vector<std::pair<ItemPos, int>> got;
        for (const CTransaction& t : all)
            got.emplace_back(t.m_posOriginItem, t.m_nOriginIndex);
        ASSERT_EQ(got, literalAllTransactions(doc));
    }
    EXPECT_GT(irregularCases, 0);
}

// Ties: among copies of one date the order of insertion, except that a copy whose date is the
// latest so far goes before the last copy of that date.
TEST_F(DifferentialTest, CombinedTransactionListTies) {
    CWPapierDoc doc(&host);
    const auto t = [](int day) { return CTransaction(0, at(2024, 1, day), 1.0, 10.0, 0.0, 0, false, OleDate(), ""); };
    auto a = makeItem("a");
    a->ReplaceTransactionList({t(1), t(2)});
    auto b = makeItem("b");
    b->ReplaceTransactionList({t(2), t(1), t(3)});
    const ItemPos pa = doc.AddItem(std::move(a));
    const ItemPos pb = doc.AddItem(std::move(b));
    std::vector<std::pair<ItemPos, int>> got;
    for (const CTransaction& x : doc.GetAllTransactionsSorted())
        got.emplace_back(x.m_posOriginItem, x.m_nOriginIndex);
    // b's day-2 copy came while day 2 was the latest: before a's day-2 copy. b's day-1 copy came
    // after a later date: after a's.
    const std::vector<std::pair<ItemPos, int>> expected = {{pa, 0}, {pb, 1}, {pb, 0}, {pa, 1}, {pb, 2}};
    EXPECT_EQ(got, expected);
    EXPECT_EQ(got, literalAllTransactions(doc));
}

// ---------------------------------------------------------------- the investment history

namespace history {

struct Point {
    OleDate date;
    double value;
};

struct Input {
    std::string name;
    bool cash;
    std::vector<CTransaction> transactions;
    std::vector<CKurs> quotations;
    double alignment;
};

void add(std::vector<Point>& points, const OleDate& date, double value) {
    // One value per date in an item's list: the later one stands.
    if (!points.empty() && datesEqual(points.back().date, date))
        points.back() = {date, value};
    else
        points.push_back({date, value});
}

std::vector<Point> valueList(Input in, const OleDate& now) {
    std::vector<Point> points;
    double r = 0.0;
    auto& q = in.quotations;
    for (std::size_t j = 0; j < in.transactions.size(); ++j) {
        const CTransaction& t = in.transactions[j];
        const OleDate from = t.m_dtDate;
        const OleDate to = j + 1 < in.transactions.size() ? in.transactions[j + 1].m_dtDate : now;
        if (in.cash)
            r = 1.0;
        else if (t.m_nType == 0)
            r += t.m_dUnits;
        else if (t.m_nType == 1)
            r -= t.m_dUnits;
        if (j == 0)
            while (q.size() >= 2 && dateEarlier(q[0].m_dtDate, from) &&
                   (dateEarlier(q[1].m_dtDate, from) || datesEqual(q[1].m_dtDate, from)))
                q.erase(q.begin());
        for (std::size_t i = 0; i < q.size(); ++i) {
            const OleDate& d = q[i].m_dtDate;
            if (d.m_status != OleDate::valid || to.m_status != OleDate::valid || !dateEarlier(d, to))
                break;
            if (dateLater(d, from) || datesEqual(d, from))
                add(points, d, q[i].m_dClose * r);
            else if (i + 1 == q.size() || dateLater(q[i + 1].m_dtDate, from))
                add(points, from, q[i].m_dClose * r);
        }
    }
    add(points, now, in.alignment);
    return points;
}

std::vector<Point> merge(const std::vector<std::vector<Point>>& lists, const OleDate& now) {
    std::vector<Point> sum = lists.empty() ? std::vector<Point>{} : lists[0];
    for (std::size_t l = 1; l < lists.size(); ++l) {
        const std::vector<Point> before = sum; // the sum as it was before this list
        const auto valueBefore = [&before](const OleDate& k) {
            // The latest point dated before k, with its value before the list.
            const Point* latest = nullptr;
            for (const Point& p : before)
                if (dateEarlier(p.date, k) && (!latest || !dateEarlier(p.date, latest->date)))
                    latest = &p;
            return latest ? latest->value : 0.0;
        };
        const auto& list = lists[l];
        for (std::size_t p = 0; p < list.size(); ++p) {
            const OleDate k = list[p].date;
            const double v = list[p].value;
            const OleDate next = p + 1 < list.size() ? list[p + 1].date : now;
            const double b = valueBefore(k);
            if (sum.empty() || dateEarlier(k, sum.front().date)) {
                sum.insert(sum.begin(), {k, v});
            } else {
                std::size_t i = 0;
                while (i + 1 < sum.size() && (dateEarlier(sum[i].date, k) || datesEqual(sum[i].date, k)))
                    ++i;
                Point& P = sum[i > 0 ? i - 1 : 0];
                Point& N = sum[i];
                if (datesEqual(k, P.date))
                    P.value += v;
                else if (datesEqual(k, N.date))
                    N.value += v;
                else if (dateEarlier(N.date, k))
                    sum.push_back({k, b + v});
                else
                    sum.insert(sum.begin() + static_cast<std::ptrdiff_t>(i), {k, b + v});
            }
            for (Point& s : sum)
                if (dateLater(s.date, k) && dateEarlier(s.date, next))
                    s.value += v;
        }
    }
    return sum;
}

void thin(std::vector<Point>& sum) {
    bool removed = true;
    while (removed) {
        removed = false;
        for (std::size_t i = 0; i + 1 < sum.size(); ++i) {
            if (std::llabs((sum[i + 1].date - sum[i].date).GetTotalMinutes()) <= 60) {
                sum.erase(sum.begin() + static_cast<std::ptrdiff_t>(i));
                removed = true;
                break;
            }
        }
    }
}

std::vector<Point> rebuild(const CWPapierDoc& doc, const OleDate& now) {
    std::vector<std::vector<Point>> lists;
    for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;) {
        const CWPapier* item = doc.GetNextItem(pos);
        if (item->IsQuotationListEmpty() || item->IsTransactionListEmpty())
            continue;
        Input in{item->m_strName, item->m_bCashAccount != 0, {}, item->GetQuotationListCopy(), 0.0};
        for (const CTransaction& t : item->GetTransactionListCopy())
            if (t.m_nType != 2 && !dateLater(t.m_dtDate, now))
                in.transactions.push_back(t);
        if (in.transactions.empty())
            continue;
        CKurs k;
        item->GetQuotationOnOrBefore(now, k);
        in.alignment = item->GetUnitsOnDate(now) * k.m_dClose;
        lists.push_back(valueList(in, now));
    }
    std::vector<Point> sum = merge(lists, now);
    thin(sum);
    return sum;
}

} // namespace history

// A random portfolio: a cash account and a few items with quotations on a grid of days and hours
// (some minutes apart), transactions of every kind, some of them to come; with `irregular`, dates
// less than half a second apart, invalid dates and lists out of order too. `daysBack` moves the
// past dates further back (before 1899, where date values count the time of day backwards).
void fillRandomPortfolio(CWPapierDoc& doc, std::mt19937& rng, bool irregular, int daysBack = 0) {
    const auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const auto randomDate = [&] {
        OleDate d = kNow - OleDateSpan(daysBack + pick(20), pick(3) * 4, pick(4) == 0 ? 30 + pick(3) * 15 : 0, 0);
        if (irregular && pick(6) == 0)
            d = pick(3) ? plusSeconds(d, 0.3) : itemtest::withStatus(d, OleDate::invalid);
        return d;
    };
    doc.CheckCashAccount();
    doc.CreateInvestmentHistoryItem();
    CWPapier& cash = *doc.GetItem(doc.FindCashAccountItem());
    for (int k = 0, n = pick(5); k < n; ++k)
        cash.AddTransaction(
            CTransaction(pick(3), randomDate(), 100.0 + pick(900), 0.0, pick(3), 0, false, OleDate(), ""));
    cash.RecalculateCashAccountQuotationList();

    for (int i = 0, items = 1 + pick(4); i < items; ++i) {
        auto item = makeItem("item " + std::to_string(i));
        std::vector<CKurs> quotations;
        for (int k = 0, n = pick(12); k < n; ++k)
            quotations.emplace_back(randomDate(), 5.0 + pick(50) * 0.5);
        if (irregular && pick(2)) {
            item->ReplaceQuotationList(quotations);
        } else {
            for (const CKurs& q : quotations)
                item->AddQuotation(q, false);
        }
        for (int k = 0, n = pick(5); k < n; ++k) {
            OleDate date = randomDate();
            if (pick(8) == 0)
                date = kNow + OleDateSpan(1 + pick(5), 0, 0, 0); // to come
            item->AddTransaction(
                CTransaction(pick(3), date, 1.0 + pick(20), 10.0, pick(2) * 1.5, 0, false, OleDate(), ""));
        }
        doc.AddItem(std::move(item));
    }
}

// Regular portfolios take the one-pass merge; the others are merged step by step.
bool mergedStepByStep(const testsupport::LogCapture& log) {
    for (const auto& line : log.lines())
        if (line.message == "RecomputeSumInvestValueHistory: irregular dates, merging step by step")
            return true;
    return false;
}

TEST_F(DifferentialTest, HistoryRebuildMatchesTheStepByStepMerge) {
    std::mt19937 rng(5);
    int stepByStep = 0;
    for (int round = 0; round < 500; ++round) {
        SCOPED_TRACE(round);
        CWPapierDoc doc(&host);
        const bool irregular = round % 5 == 4;
        fillRandomPortfolio(doc, rng, irregular, round % 3 == 1 ? kDaysTo1850 : 0);
        testsupport::LogCapture log;
        CWPapier& historyItem = *doc.GetItem(doc.FindInvestmentHistoryItem());
        historyItem.AddQuotation(CKurs(at(2000, 1, 1), 1.0), false); // kept when nothing contributes

        const std::vector<history::Point> expected = history::rebuild(doc, kNow);
        doc.RecomputeSumInvestValueHistory();
        if (!irregular) {
            ASSERT_FALSE(mergedStepByStep(log));
        }
        stepByStep += mergedStepByStep(log);
        const std::vector<CKurs> got = historyItem.GetQuotationListCopy();
        if (expected.empty()) {
            ASSERT_EQ(got.size(), 1u);
            continue;
        }
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            SCOPED_TRACE(i);
            ASSERT_EQ(got[i].m_dtDate.m_status, expected[i].date.m_status);
            ASSERT_EQ(got[i].m_dtDate.m_dt, expected[i].date.m_dt);
            ASSERT_EQ(got[i].m_dClose, expected[i].value);
        }
    }
    EXPECT_GT(stepByStep, 10);
}

// ---------------------------------------------------------------- the cash account's balance

// The balance list as the rule builds it: each transaction's balance added as a quotation, walking
// from the oldest.
std::vector<CKurs> literalBalance(const CWPapier& cash) {
    std::vector<CKurs> out;
    double b = 0.0;
    for (const CTransaction& t : cash.GetTransactionListCopy()) {
        if (t.m_nType == 0 || t.m_nType == 2)
            b += t.m_dUnits - t.m_dTaxes;
        else if (t.m_nType == 1)
            b -= t.m_dTaxes + t.m_dUnits;
        literal::addQuotation(out, CKurs(t.m_dtDate, b), false);
    }
    return out;
}

TEST_F(DifferentialTest, CashBalanceAfterEveryChangeMatchesTheFullRebuild) {
    std::mt19937 rng(3);
    const auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    testsupport::LogCapture log;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        CWPapierDoc doc(&host);
        doc.OnNewDocument();
        const ItemPos cashPos = doc.FindCashAccountItem();
        CWPapier& cash = *doc.GetItem(cashPos);
        const ItemPos share = doc.AddItem(makeItem("share"));
        const bool irregular = round % 6 == 5;
        const int daysBack = round % 2 ? kDaysTo1850 : 0;
        for (int step = 0; step < 40; ++step) {
            SCOPED_TRACE(step);
            // Mostly recent dates, as mirrors of new investments are; some earlier, some alike.
            OleDate date = kNow - OleDateSpan(daysBack + (pick(3) == 0 ? pick(300) : 0), pick(24), pick(2) * 30, 0);
            if (irregular && pick(5) == 0)
                date = plusSeconds(date, 0.3);
            const CTransaction investment(pick(3), date, 1.0 + pick(10), 5.0 + pick(10), pick(3), 0, false, OleDate(),
                                          "");
            const int count = cash.GetTransactionCount();
            switch (pick(6)) {
            case 0:
                if (count > 0)
                    doc.DeleteTransaction(cashPos, pick(count));
                break;
            case 1:
                if (count > 0)
                    doc.ReplaceTransaction(
                        cashPos, pick(count),
                        CTransaction(pick(3), date, 50.0 + pick(50), 0, pick(2), 0, false, OleDate(), ""));
                break;
            case 2:
                doc.AddTransaction(cashPos,
                                   CTransaction(pick(3), date, 10.0 + pick(90), 0, 0, 0, false, OleDate(), ""));
                break;
            default:
                doc.AddTransaction(share, investment);
                doc.AddCashAccountTransaction(investment, "share", false);
                break;
            }
            const std::vector<CKurs> expected = literalBalance(cash);
            const std::vector<CKurs> got = cash.GetQuotationListCopy();
            ASSERT_EQ(got.size(), expected.size());
            for (std::size_t i = 0; i < got.size(); ++i) {
                ASSERT_EQ(got[i].m_dtDate.m_dt, expected[i].m_dtDate.m_dt) << i;
                ASSERT_EQ(got[i].m_dClose, expected[i].m_dClose) << i;
            }
        }
    }
    // Most changes only added the balances from the changed transaction on.
    int partial = 0;
    for (const std::string& line : log.messages())
        partial += line.rfind("Updating cash-account balance from transaction", 0) == 0;
    EXPECT_GT(partial, 60 * 40 / 2);
}

// ---------------------------------------------------------------- deleting all transactions

struct ItemState {
    std::vector<CKurs> quotations;
    double units, breakEven, average;
    bool operator==(const ItemState& o) const {
        if (units != o.units || breakEven != o.breakEven || average != o.average ||
            quotations.size() != o.quotations.size())
            return false;
        for (std::size_t i = 0; i < quotations.size(); ++i)
            if (quotations[i].m_dtDate.m_dt != o.quotations[i].m_dtDate.m_dt ||
                quotations[i].m_dClose != o.quotations[i].m_dClose)
                return false;
        return true;
    }
};

std::map<std::string, ItemState> states(const CWPapierDoc& doc) {
    std::map<std::string, ItemState> out;
    for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;) {
        const CWPapier* item = doc.GetNextItem(pos);
        out[item->m_strName] = {item->GetQuotationListCopy(), item->m_dUnits, item->m_dBreakEven,
                                item->m_dAveragePrice};
    }
    return out;
}

TEST_F(DifferentialTest, DeletingAllTransactionsMatchesDeletingThemOneByOne) {
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(round);
        std::mt19937 rngA(round);
        std::mt19937 rngB(round);
        CWPapierDoc fast(&host);
        CWPapierDoc stepwise(&host);
        fillRandomPortfolio(fast, rngA, round % 4 == 3);
        fillRandomPortfolio(stepwise, rngB, round % 4 == 3);
        const auto historyBefore = fast.GetItem(fast.FindInvestmentHistoryItem())->GetQuotationListCopy();

        fast.DeleteAllTransactions();
        // Step by step: each item's first transaction until none is left, the cash account's
        // balance and figures after each.
        for (ItemPos pos = stepwise.GetHeadPosition(); pos != kNoItemPos;) {
            CWPapier* item = stepwise.GetNextItem(pos);
            while (!item->IsTransactionListEmpty()) {
                item->DeleteTransaction(0);
                if (item->m_bCashAccount) {
                    item->RecalculateCashAccountQuotationList();
                    item->RecalculateAverageInvestPrice();
                }
            }
        }
        EXPECT_TRUE(states(fast) == states(stepwise));
        for (ItemPos pos = fast.GetHeadPosition(); pos != kNoItemPos;)
            EXPECT_TRUE(fast.GetNextItem(pos)->IsTransactionListEmpty());
        // Nothing holds units any more, so the history keeps what it had.
        EXPECT_EQ(fast.GetItem(fast.FindInvestmentHistoryItem())->GetQuotationCount(),
                  static_cast<int>(historyBefore.size()));
        EXPECT_TRUE(fast.IsModified());
    }
}

// ---------------------------------------------------------------- link repairs

TEST_F(DifferentialTest, DeletingManyItemsRepairsLinksAsDeletingThemOneByOne) {
    std::mt19937 rng(9);
    const auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const int n = 2 + pick(8);
        // Links as indexes (-1 none), the same in both portfolios.
        struct Links {
            int currency, x, y;
            bool convert;
        };
        std::vector<Links> links;
        for (int i = 0; i < n; ++i)
            links.push_back({pick(3) ? pick(n) : -1, pick(n), pick(n), pick(2) == 1});
        std::vector<int> doomed;
        for (int i = 0; i < n; ++i)
            if (pick(2))
                doomed.push_back(i);
        const int downloading = pick(n);

        const auto build = [&](CWPapierDoc& doc) {
            std::vector<CWPapier*> items;
            for (int i = 0; i < n; ++i)
                items.push_back(doc.GetItem(doc.AddItem(makeItem("item " + std::to_string(i)))));
            for (int i = 0; i < n; ++i) {
                items[i]->m_pCurrencyItem = links[i].currency >= 0 ? items[links[i].currency] : nullptr;
                items[i]->m_bConvertCurrency = links[i].convert;
                items[i]->m_pFormulaItemX = items[links[i].x];
                items[i]->m_pFormulaItemY = items[links[i].y];
            }
            items[downloading]->m_bDownloadPending = 1;
            return items;
        };
        CWPapierDoc many(&host);
        CWPapierDoc single(&host);
        const auto manyItems = build(many);
        const auto singleItems = build(single);
        std::vector<CWPapier*> list;
        for (int i : doomed)
            list.push_back(manyItems[i]);
        many.DeleteItems(list);
        for (int i : doomed)
            if (!singleItems[i]->m_bDownloadPending)
                single.DeleteItem(single.GetItemPosition(singleItems[i]));

        const auto describe = [](const CWPapierDoc& doc) {
            std::vector<std::string> out;
            const auto name = [](const CWPapier* p) { return p ? p->m_strName : std::string("none"); };
            for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;) {
                const CWPapier* item = doc.GetNextItem(pos);
                out.push_back(item->m_strName + ": " + name(item->m_pCurrencyItem) +
                              (item->m_bConvertCurrency ? "+" : "-") + " " + name(item->m_pFormulaItemX) + " " +
                              name(item->m_pFormulaItemY));
            }
            return out;
        };
        ASSERT_EQ(describe(many), describe(single));
    }
}

} // namespace
