// The quotation export of a portfolio of 100 items with 10,000 quotations each (1,000,000 lines):
// opening the portfolio and exporting its quotations, against the raw I/O of the same bytes
// (reading the portfolio file whole, writing the export's bytes durably as the export does: a
// temporary file, fsync, rename). Prints the ratios.

#include "BenchSupport.h"
#include "platform/Paths.h"
#include "portfolio/WPapierDoc.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kItems = 100;
constexpr int kQuotations = 10000;

benchsupport::BenchHost& host() {
    static benchsupport::BenchHost h;
    return h;
}

const std::filesystem::path& folder() {
    static const std::filesystem::path f = *paths::createTempFolder("corvana-bench-export");
    return f;
}

// Quotations every day at 17:30 from 1990 with a random walk, saved once.
const std::filesystem::path& portfolioFile() {
    static const std::filesystem::path path = [] {
        const auto file = folder() / "portfolio.cvr";
        CWPapierDoc doc(&host());
        doc.OnNewDocument();
        std::mt19937 rng(3);
        for (int i = 0; i < kItems; ++i)
            doc.AddItem(benchsupport::itemWithHistory(i, kQuotations, rng));
        if (!doc.OnSaveDocument(file))
            std::abort();
        return file;
    }();
    return path;
}

// A whole file in one read.
std::string readAll(const std::filesystem::path& path) {
    std::string bytes(std::filesystem::file_size(path), '\0');
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f || std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::abort();
    std::fclose(f);
    return bytes;
}

// The export's bytes, made once.
const std::string& exportBytes() {
    static const std::string bytes = [] {
        const auto target = folder() / "reference.csv";
        CWPapierDoc doc(&host());
        if (!doc.OnOpenDocument(portfolioFile()) || !doc.FileExportQuotations(target))
            std::abort();
        return readAll(target);
    }();
    return bytes;
}

void BM_OpenAndExport(benchmark::State& state) {
    const auto target = folder() / "export.csv";
    for (auto _ : state) {
        CWPapierDoc doc(&host());
        if (!doc.OnOpenDocument(portfolioFile()) || !doc.FileExportQuotations(target))
            state.SkipWithError("open or export failed");
    }
}

void BM_Export(benchmark::State& state) {
    const auto target = folder() / "export.csv";
    CWPapierDoc doc(&host());
    if (!doc.OnOpenDocument(portfolioFile()))
        std::abort();
    for (auto _ : state)
        if (!doc.FileExportQuotations(target))
            state.SkipWithError("export failed");
}

// Raw I/O: the portfolio file read whole, the export's bytes written.
void BM_RawReadAndWrite(benchmark::State& state) {
    const auto target = folder() / "raw.csv";
    const std::string& bytes = exportBytes();
    for (auto _ : state) {
        const std::string file = readAll(portfolioFile());
        benchmark::DoNotOptimize(file.data());
        if (!benchsupport::writeDurably(target, bytes))
            state.SkipWithError("write failed");
    }
}

void BM_RawWrite(benchmark::State& state) {
    const auto target = folder() / "raw.csv";
    const std::string& bytes = exportBytes();
    for (auto _ : state)
        if (!benchsupport::writeDurably(target, bytes))
            state.SkipWithError("write failed");
}

BENCHMARK(BM_RawReadAndWrite)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenAndExport)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf("Portfolio: %d items x %d quotations; file %.1f MB, export %.1f MB\n", kItems, kQuotations,
                static_cast<double>(std::filesystem::file_size(portfolioFile())) / 1e6,
                static_cast<double>(exportBytes().size()) / 1e6);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime ratios against raw I/O of the same bytes (medians of 5):\n");
    reporter.printRatio("BM_OpenAndExport/iterations:3/repeats:5", "BM_RawReadAndWrite/iterations:3/repeats:5",
                        "open + export / read + durable write (goal <= 5x)");
    reporter.printRatio("BM_Export/iterations:3/repeats:5", "BM_RawWrite/iterations:3/repeats:5",
                        "export / durable write");
    std::error_code ec;
    std::filesystem::remove_all(folder(), ec);
    benchmark::Shutdown();
    return 0;
}
