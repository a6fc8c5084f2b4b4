// Adding 100,000 quotations to an item in ascending, descending and random date order, and
// querying them, against pushing the same records into a plain std::vector (and a binary search
// over it). Prints the ratios after the timings.

#include "BenchSupport.h"
#include "log/Log.h"
#include "portfolio/WPapierItem.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kCount = 100000;

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

const std::vector<CKurs>& ordered(int order) {
    static const std::vector<CKurs> descending(ascending().rbegin(), ascending().rend());
    static const std::vector<CKurs> shuffled = [] {
        std::vector<CKurs> out = ascending();
        std::shuffle(out.begin(), out.end(), std::mt19937(42));
        return out;
    }();
    return order == 0 ? ascending() : order == 1 ? descending : shuffled;
}

const char* orderName(int order) {
    return order == 0 ? "ascending" : order == 1 ? "descending" : "random";
}

void BM_PlainVectorPush(benchmark::State& state) {
    const auto& records = ascending();
    for (auto _ : state) {
        std::vector<CKurs> v;
        for (const auto& q : records)
            v.push_back(q);
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_AddQuotation(benchmark::State& state) {
    const auto& records = ordered(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CWPapier item;
        for (const auto& q : records)
            benchmark::DoNotOptimize(item.AddQuotation(q, false));
    }
    state.SetLabel(orderName(static_cast<int>(state.range(0))));
    state.SetItemsProcessed(state.iterations() * kCount);
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

BENCHMARK(BM_PlainVectorPush)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddQuotation)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddQuotationWithErrorLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryOnOrBefore)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QueryChanges)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QueryPlainVector)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nTime ratios against the plain vector (%d quotations):\n", kCount);
    reporter.printRatio("BM_AddQuotation/0", "BM_PlainVectorPush", "AddQuotation ascending / vector push_back");
    reporter.printRatio("BM_AddQuotation/1", "BM_PlainVectorPush", "AddQuotation descending / vector push_back");
    reporter.printRatio("BM_AddQuotation/2", "BM_PlainVectorPush", "AddQuotation random / vector push_back");
    reporter.printRatio("BM_AddQuotationWithErrorLog", "BM_PlainVectorPush",
                        "AddQuotation ascending, ERROR logger / vector push_back");
    reporter.printRatio("BM_QueryOnOrBefore", "BM_QueryPlainVector", "GetQuotationOnOrBefore / vector binary search");
    reporter.printRatio("BM_QueryChanges", "BM_QueryPlainVector",
                        "previous-day and one-year change / vector binary search");
    benchmark::Shutdown();
    return 0;
}
