// Rebuilding the investment history of a portfolio of 100 items with 2,500 daily quotations and 20
// transactions each, and of half and twice as many items, against one plain pass over every
// quotation of the portfolio that copies nothing. Prints how the time grows with the size and the
// ratio to the pass.

#include "BenchSupport.h"
#include "platform/Clock.h"
#include "portfolio/WPapierDoc.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kQuotations = 2500;
constexpr int kTransactions = 20;
constexpr double kFirstDay = 36526.0; // 1 January 2000

// "Now": the day after the last quotation, at noon.
const OleDate& now() {
    static const OleDate date(kFirstDay + kQuotations + 0.5);
    return date;
}

FixedClock& clock() {
    static FixedClock c(std::chrono::system_clock::from_time_t(*now().toTimeT()));
    return c;
}

// Daily closes at 17:30 with a random walk; buys and sells at 10:00 on random days; a few
// dividends; a cash account with monthly credits.
std::unique_ptr<CWPapierDoc> makePortfolio(int items) {
    auto doc = std::make_unique<CWPapierDoc>();
    doc->OnNewDocument();
    std::mt19937 rng(static_cast<unsigned>(items));
    CWPapier& cash = *doc->GetItem(doc->FindCashAccountItem());
    std::vector<CTransaction> credits;
    for (int month = 0; month < kQuotations / 30; ++month)
        credits.emplace_back(0, OleDate(kFirstDay + month * 30 + 0.4), 500.0, 0.0, 0.0, 0, false, OleDate(), "");
    cash.ReplaceTransactionList(credits);
    cash.RecalculateCashAccountQuotationList();
    for (int i = 0; i < items; ++i) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = "Item " + std::to_string(i);
        item->m_pFormulaItemX = item->m_pFormulaItemY = item.get();
        std::vector<CKurs> quotations;
        quotations.reserve(kQuotations);
        double price = 20.0 + i % 50;
        for (int k = 0; k < kQuotations; ++k) {
            price *= 1.0 + (static_cast<double>(rng() % 2001) - 1000.0) / 50000.0;
            quotations.emplace_back(OleDate(kFirstDay + k + 17.5 / 24.0), price);
        }
        item->ReplaceQuotationList(std::move(quotations));
        std::vector<CTransaction> transactions;
        double held = 0.0;
        for (int t = 0; t < kTransactions; ++t) {
            const double day = kFirstDay + (t * kQuotations) / kTransactions + rng() % (kQuotations / kTransactions);
            int kind = t % 7 == 6 ? 2 : (t % 3 == 2 && held > 10.0 ? 1 : 0);
            const double units = kind == 1 ? held / 2 : 10.0 + rng() % 90;
            held += kind == 0 ? units : kind == 1 ? -units : 0.0;
            transactions.emplace_back(kind, OleDate(day + 10.0 / 24.0), units, price, 5.0, 0, false, OleDate(), "");
        }
        item->ReplaceTransactionList(std::move(transactions));
        doc->AddItem(std::move(item));
    }
    return doc;
}

CWPapierDoc& portfolio(int items) {
    static std::map<int, std::unique_ptr<CWPapierDoc>> docs;
    auto& doc = docs[items];
    if (!doc)
        doc = makePortfolio(items);
    return *doc;
}

void BM_RecomputeHistory(benchmark::State& state) {
    const ScopedClock fixed(clock());
    CWPapierDoc& doc = portfolio(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        doc.RecomputeSumInvestValueHistory();
        benchmark::DoNotOptimize(doc.GetItem(doc.FindInvestmentHistoryItem())->GetQuotationCount());
    }
    state.counters["values"] = doc.GetItem(doc.FindInvestmentHistoryItem())->GetQuotationCount();
}

// The peer: one plain pass over every quotation of the portfolio, read in place under each item's
// lock as the rebuild reads them, copying nothing.
void BM_ReadEveryQuotation(benchmark::State& state) {
    const ScopedClock fixed(clock());
    CWPapierDoc& doc = portfolio(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        double sum = 0.0;
        for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;)
            doc.GetNextItem(pos)->readQuotations([&sum](const QuotationList& quotations) {
                quotations.forEach(0, quotations.size(), [&sum](const CKurs& q, std::size_t) { sum += q.m_dClose; });
            });
        benchmark::DoNotOptimize(sum);
    }
}

BENCHMARK(BM_RecomputeHistory)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadEveryQuotation)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nGrowth of the rebuild with the portfolio (linear: 2.00x; medians of 5):\n");
    reporter.printRatio("BM_RecomputeHistory/100/repeats:5", "BM_RecomputeHistory/50/repeats:5", "100 items / 50 items");
    reporter.printRatio("BM_RecomputeHistory/200/repeats:5", "BM_RecomputeHistory/100/repeats:5", "200 items / 100 items");
    std::printf("\nRebuild against one pass over every quotation copying nothing (%d quotations per item; goal <= 6x):\n",
                kQuotations);
    reporter.printRatio("BM_RecomputeHistory/50/repeats:5", "BM_ReadEveryQuotation/50/repeats:5", "50 items");
    reporter.printRatio("BM_RecomputeHistory/100/repeats:5", "BM_ReadEveryQuotation/100/repeats:5", "100 items");
    reporter.printRatio("BM_RecomputeHistory/200/repeats:5", "BM_ReadEveryQuotation/200/repeats:5", "200 items");
    benchmark::Shutdown();
    return 0;
}
