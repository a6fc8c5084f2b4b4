// Adding quotations to an item in ascending, descending and random date order (20,000 records,
// and 100,000 in ascending order), against inserting the same records in the same order into a
// reserved std::vector kept sorted (a binary search, then the insertion); and querying them
// against a binary search over a vector. Prints the ratios after the timings.

#include "BenchSupport.h"
#include "log/Log.h"
#include "portfolio/WPapierItem.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kCount = 100000;
// The inserts in every order: a sorted vector moves half its records per insertion in random
// order and all of them in descending order, so the peer grows with the square of the count.
constexpr int kOrderCount = 20000;

// Quotations every six hours from 1 January 2000, with distinct closes.
const std::vector<CKurs>& ascending() {
    static const std::vector<CKurs> records = [] {
        std::vector<CKurs> out;
        out.reserve(kCount);
        for (int i = 0; i < kCount; ++i)
            out.emplace_back(OleDate(36526.0 + i * 0.25), 100.0 + i % 977);
        return out;
    }();
    return records;
}

// The first `count` records of ascending() in the given order.
const std::vector<CKurs>& ordered(int order, int count) {
    static std::map<std::pair<int, int>, std::vector<CKurs>> cache;
    auto& records = cache[{order, count}];
    if (records.empty()) {
        records.assign(ascending().begin(), ascending().begin() + count);
        if (order == 1)
            std::reverse(records.begin(), records.end());
        else if (order == 2)
            std::shuffle(records.begin(), records.end(), std::mt19937(42));
    }
    return records;
}

const char* orderName(int order) {
    return order == 0 ? "ascending" : order == 1 ? "descending" : "random";
}

// The peer: the same records in the same order into a reserved vector kept in date order.
void BM_SortedVectorInsert(benchmark::State& state) {
    const auto& records = ordered(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        std::vector<CKurs> v;
        v.reserve(records.size());
        for (const auto& q : records) {
            const auto at = std::upper_bound(v.begin(), v.end(), q.m_dtDate.m_dt,
                                             [](double value, const CKurs& k) { return value < k.m_dtDate.m_dt; });
            v.insert(at, q);
        }
        benchmark::DoNotOptimize(v.data());
    }
    state.SetLabel(orderName(static_cast<int>(state.range(0))));
    state.SetItemsProcessed(state.iterations() * state.range(1));
}

void BM_AddQuotation(benchmark::State& state) {
    const auto& records = ordered(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        CWPapier item;
        for (const auto& q : records)
            benchmark::DoNotOptimize(item.AddQuotation(q, false));
    }
    state.SetLabel(orderName(static_cast<int>(state.range(0))));
    state.SetItemsProcessed(state.iterations() * state.range(1));
}

// A logger output that takes errors only, as the program's default one does: the item's DEBUG
// lines are then formatted by the logging call and dropped.
class ErrorsOnly : public CLogAppender {
public:
    ErrorsOnly() : CLogAppender(LOG_LEVEL_ERROR, "%l") {}
    bool Append(int, std::string_view, std::string_view) override { return true; }
};

void BM_AddQuotationWithErrorLog(benchmark::State& state) {
    Log::Instance()->AddAppender(std::make_unique<ErrorsOnly>());
    const auto& records = ascending();
    for (auto _ : state) {
        CWPapier item;
        for (const auto& q : records)
            benchmark::DoNotOptimize(item.AddQuotation(q, false));
    }
    Log::Instance()->RemoveAllAppenders();
    state.SetItemsProcessed(state.iterations() * kCount);
}

// Query dates spread over the list and a little beyond it.
const std::vector<OleDate>& queryDates() {
    static const std::vector<OleDate> dates = [] {
        std::mt19937 rng(7);
        std::vector<OleDate> out;
        for (int i = 0; i < 1000; ++i)
            out.emplace_back(36500.0 + static_cast<double>(rng() % (kCount / 4 + 100)) + (rng() % 1000) / 1000.0);
        return out;
    }();
    return dates;
}

const CWPapier& filledItem() {
    static const auto item = [] {
        auto filled = std::make_unique<CWPapier>();
        for (const auto& q : ascending())
            filled->AddQuotation(q, false);
        return filled;
    }();
    return *item;
}

// The quotation in force on a date.
void BM_QueryOnOrBefore(benchmark::State& state) {
    const CWPapier& item = filledItem();
    double sum = 0;
    for (auto _ : state) {
        for (const auto& date : queryDates()) {
            CKurs out;
            item.GetQuotationOnOrBefore(date, out);
            sum += out.m_dClose;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(queryDates().size()));
}

// What a list row shows: the change against the previous day and over a year.
void BM_QueryChanges(benchmark::State& state) {
    const CWPapier& item = filledItem();
    double sum = 0;
    for (auto _ : state) {
        for (const auto& date : queryDates()) {
            double change = 0;
            item.GetChangePercent(date, change, true);
            std::int64_t age = 0;
            double frame = 0;
            item.GetTimeFrameChangePercent(date, 365, frame, age);
            sum += change + frame;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(queryDates().size()));
}

// The peer of a query: the quotation in force on a date by one binary search over a vector.
void BM_QueryPlainVector(benchmark::State& state) {
    const auto& records = ascending();
    double sum = 0;
    for (auto _ : state) {
        for (const auto& date : queryDates()) {
            const auto it = std::upper_bound(records.begin(), records.end(), date.m_dt + kOleHalfSecond,
                                             [](double v, const CKurs& q) { return v < q.m_dtDate.m_dt; });
            sum += it == records.begin() ? 0.0 : std::prev(it)->m_dClose;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(queryDates().size()));
}

void insertArgs(benchmark::internal::Benchmark* b) {
    b->Args({0, kCount})->Args({0, kOrderCount})->Args({1, kOrderCount})->Args({2, kOrderCount});
    b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_SortedVectorInsert)->Apply(insertArgs);
BENCHMARK(BM_AddQuotation)->Apply(insertArgs);
BENCHMARK(BM_AddQuotationWithErrorLog)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_QueryOnOrBefore)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_QueryChanges)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_QueryPlainVector)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nTime ratios against the same inserts into a reserved vector kept sorted (medians of 5):\n");
    const auto insertRatio = [&](int order, int count, const char* what) {
        const std::string args = "/" + std::to_string(order) + "/" + std::to_string(count) + "/repeats:5";
        reporter.printRatio("BM_AddQuotation" + args, "BM_SortedVectorInsert" + args, what);
    };
    insertRatio(0, kCount, "AddQuotation ascending, 100,000 / sorted vector insert");
    insertRatio(0, kOrderCount, "AddQuotation ascending, 20,000 / sorted vector insert");
    insertRatio(1, kOrderCount, "AddQuotation descending, 20,000 / sorted vector insert");
    insertRatio(2, kOrderCount, "AddQuotation random, 20,000 / sorted vector insert");
    reporter.printRatio("BM_AddQuotationWithErrorLog/repeats:5",
                        "BM_SortedVectorInsert/0/" + std::to_string(kCount) + "/repeats:5",
                        "AddQuotation ascending, ERROR logger / sorted vector insert");
    reporter.printRatio("BM_QueryOnOrBefore/repeats:5", "BM_QueryPlainVector/repeats:5",
                        "GetQuotationOnOrBefore / vector binary search");
    reporter.printRatio("BM_QueryChanges/repeats:5", "BM_QueryPlainVector/repeats:5",
                        "previous-day and one-year change / vector binary search");
    benchmark::Shutdown();
    return 0;
}
