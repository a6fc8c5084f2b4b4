// Opening a portfolio whose monthly savings plan has no end and started long ago: every due
// instance is added on opening, each with its cash-account mirror. Plans from 1000 (about 12,300
// instances), 1850 and 1990, against opening the same portfolio once the instances are stored
// (the same transactions and balances, read instead of added). The plan from 1000 also in a list
// out of date order (one more transaction, dated in the last half second of a day in 2000), where
// the item's searches cannot use the order; goal: well under a second, 0.2 s.

#include "BenchSupport.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "portfolio/WPapierDoc.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace {

// The notices of the catch-up ("Successfully updated recurring ...") are expected here.
class QuietHost : public benchsupport::BenchHost {
public:
    void showNotice(const PortfolioNotice&) override {}
};

QuietHost& host() {
    static QuietHost h;
    return h;
}

// "Now": 15 January 2025, noon.
FixedClock& clock() {
    static FixedClock c(std::chrono::system_clock::from_time_t(*OleDate(2025, 1, 15, 12, 0, 0).toTimeT()));
    return c;
}

const std::filesystem::path& folder() {
    static const std::filesystem::path f = *paths::createTempFolder("corvana-bench-recurring");
    return f;
}

// A portfolio with one item whose monthly plan starts on 1 March of `year`, as saved before any
// instance was added; `outOfOrder`: with a transaction in the last half second of 1 June 2000.
const std::filesystem::path& planFile(int year, bool outOfOrder = false) {
    static std::map<std::pair<int, bool>, std::filesystem::path> files;
    auto& path = files[{year, outOfOrder}];
    if (path.empty()) {
        path = folder() / ("plan-" + std::to_string(year) + (outOfOrder ? "-odd" : "") + ".cvr");
        CWPapierDoc doc(&host());
        doc.OnNewDocument();
        auto item = std::make_unique<CWPapier>();
        item->m_strName = "Saver Fund";
        item->m_pFormulaItemX = item->m_pFormulaItemY = item.get();
        item->AddQuotation(CKurs(OleDate(2024, 12, 31, 17, 30, 0), 10.0), false);
        std::vector<CTransaction> transactions;
        if (outOfOrder) {
            OleDate odd(2000, 6, 1, 23, 59, 59);
            odd.m_dt += 0.8 / 86400.0;
            transactions.emplace_back(CTransaction::kBuy, odd, 1.0, 10.0, 0.5, 0, false, OleDate(), "odd");
        }
        transactions.emplace_back(CTransaction::kBuy, OleDate(year, 3, 1, 10, 0, 0), 2.0, 10.0, 0.5,
                                  CTransaction::kRecurrenceMonthly, false, OleDate(), "plan");
        item->ReplaceTransactionList(std::move(transactions));
        doc.AddItem(std::move(item));
        if (!doc.OnSaveDocument(path))
            std::abort();
    }
    return path;
}

// The same portfolio once opened and saved: its instances and mirrors are stored.
const std::filesystem::path& caughtUpFile(int year) {
    static std::map<int, std::filesystem::path> files;
    auto& path = files[year];
    if (path.empty()) {
        const ScopedClock fixed(clock());
        path = folder() / ("caught-up-" + std::to_string(year) + ".cvr");
        CWPapierDoc doc(&host());
        if (!doc.OnOpenDocument(planFile(year)) || !doc.OnSaveDocument(path))
            std::abort();
    }
    return path;
}

void open(benchmark::State& state, const std::filesystem::path& file) {
    const ScopedClock fixed(clock());
    int transactions = 0;
    for (auto _ : state) {
        CWPapierDoc doc(&host());
        if (!doc.OnOpenDocument(file))
            state.SkipWithError("open failed");
        state.PauseTiming();
        transactions = doc.GetAllTransactionsSorted().size();
        state.ResumeTiming();
    }
    state.counters["transactions"] = transactions;
}

void BM_OpenPlan(benchmark::State& state) {
    open(state, planFile(static_cast<int>(state.range(0))));
}

void BM_OpenPlanOutOfOrder(benchmark::State& state) {
    open(state, planFile(static_cast<int>(state.range(0)), true));
}

void BM_OpenCaughtUp(benchmark::State& state) {
    open(state, caughtUpFile(static_cast<int>(state.range(0))));
}

BENCHMARK(BM_OpenPlan)->Arg(1990)->Arg(1850)->Arg(1000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenPlanOutOfOrder)->Arg(1000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenCaughtUp)->Arg(1990)->Arg(1850)->Arg(1000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nOpening with the catch-up against opening the caught-up portfolio (medians of 5):\n");
    for (const char* year : {"1990", "1850", "1000"})
        reporter.printRatio(std::string("BM_OpenPlan/") + year + "/repeats:5",
                            std::string("BM_OpenCaughtUp/") + year + "/repeats:5",
                            (std::string("plan from ") + year).c_str());
    std::printf("  plan from 1000: %.1f ms to open (goal: well under a second)\n",
                reporter.realTime("BM_OpenPlan/1000/repeats:5") * 1e3);
    std::printf("  plan from 1000 in a list out of date order: %.1f ms to open (goal: 0.2 s)\n",
                reporter.realTime("BM_OpenPlanOutOfOrder/1000/repeats:5") * 1e3);
    std::error_code ec;
    std::filesystem::remove_all(folder(), ec);
    benchmark::Shutdown();
    return 0;
}
