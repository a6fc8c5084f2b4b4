// "Delete All" of an item's 1,000 transactions on an item with five years of daily quotations,
// against one single delete on the same item: the goal is at most 3x. The pages used to delete at
// index 0 until nothing was left; that way is measured too, for comparison.

#include "BenchSupport.h"
#include "portfolio/WPapierDoc.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kTransactions = 1000;
constexpr int kQuotationDays = 5 * 365 + 1;

benchsupport::BenchHost& host() {
    static benchsupport::BenchHost h;
    return h;
}

struct Portfolio {
    CWPapierDoc doc{&host()};
    ItemPos item = kNoItemPos;
    std::vector<CTransaction> transactions;
};

// A new portfolio with one item: daily quotations over five years up to today, and buys, sales
// and dividends spread over the same years.
Portfolio& portfolio() {
    static Portfolio* p = [] {
        auto* portfolio = new Portfolio;
        portfolio->doc.OnNewDocument();
        auto item = std::make_unique<CWPapier>();
        item->m_strName = "Acme";
        item->m_pFormulaItemX = item->m_pFormulaItemY = item.get();
        const double today = OleDate::GetCurrentTime().m_dt;
        const double first = static_cast<double>(static_cast<long long>(today)) - kQuotationDays + 1;
        std::mt19937 rng(11);
        std::vector<CKurs> quotations;
        double price = 50.0;
        for (int k = 0; k < kQuotationDays; ++k) {
            price *= 1.0 + (static_cast<double>(rng() % 2001) - 1000.0) / 50000.0;
            quotations.emplace_back(OleDate(first + k + 17.5 / 24.0), price);
        }
        item->ReplaceQuotationList(std::move(quotations));
        for (int k = 0; k < kTransactions; ++k) {
            const int kind = k % 10 == 9   ? CTransaction::kSell
                             : k % 10 == 4 ? CTransaction::kDividend
                                           : CTransaction::kBuy;
            const OleDate date(first + (kQuotationDays - 1.0) * k / kTransactions + 10.0 / 24.0);
            portfolio->transactions.emplace_back(kind, date, 5.0, kind == CTransaction::kDividend ? 0.5 : 40.0, 2.0, 0,
                                                 false, OleDate(), "bench");
        }
        item->ReplaceTransactionList(portfolio->transactions);
        portfolio->item = portfolio->doc.AddItem(std::move(item));
        return portfolio;
    }();
    return *p;
}

// Gives the item its 1,000 transactions again (not timed).
void refill(benchmark::State& state) {
    state.PauseTiming();
    Portfolio& p = portfolio();
    p.doc.GetItem(p.item)->ReplaceTransactionList(p.transactions);
    state.ResumeTiming();
}

void BM_DeleteAll(benchmark::State& state) {
    Portfolio& p = portfolio();
    for (auto _ : state) {
        refill(state);
        if (p.doc.DeleteItemTransactions(p.item) != kTransactions)
            state.SkipWithError("not every transaction was deleted");
    }
}

// The peer: one transaction deleted from the middle of the list.
void BM_DeleteOne(benchmark::State& state) {
    Portfolio& p = portfolio();
    for (auto _ : state) {
        refill(state);
        if (!p.doc.DeleteTransaction(p.item, kTransactions / 2))
            state.SkipWithError("nothing was deleted");
    }
}

// The way the pages emptied an item before: delete at index 0 until nothing is deleted.
void BM_DeleteAllOneByOne(benchmark::State& state) {
    Portfolio& p = portfolio();
    for (auto _ : state) {
        refill(state);
        while (p.doc.DeleteTransaction(p.item, 0)) {
        }
    }
}

BENCHMARK(BM_DeleteAll)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteOne)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteAllOneByOne)
    ->Repetitions(3)
    ->Iterations(2)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    portfolio();
    std::printf("One item: %d daily quotations, %d transactions\n", kQuotationDays, kTransactions);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime ratios (medians):\n");
    reporter.printRatio("BM_DeleteAll/repeats:9", "BM_DeleteOne/repeats:9",
                        "Delete All of 1,000 / one single delete (goal <= 3x)");
    reporter.printRatio("BM_DeleteAllOneByOne/iterations:2/repeats:3", "BM_DeleteOne/repeats:9",
                        "deleting at index 0 until empty / one single delete");
    benchmark::Shutdown();
    return 0;
}
