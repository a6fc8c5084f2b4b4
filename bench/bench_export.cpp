// The quotation export of a portfolio of 100 items with 10,000 quotations each (1,000,000 lines):
// opening the portfolio and exporting its quotations, against the raw I/O of the same bytes
// (reading the portfolio file whole, writing the export's bytes durably as the export does: a
// temporary file, fsync, rename). Prints the ratios.

#include "BenchSupport.h"
#include "platform/Paths.h"
#include "portfolio/WPapierDoc.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

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
        for (int i = 0; i < kItems; ++i) {
            auto item = std::make_unique<CWPapier>();
            item->m_strName = "Item " + std::to_string(i);
            item->m_strSymbol = "SYM" + std::to_string(1000 + i);
            item->m_pFormulaItemX = item->m_pFormulaItemY = item.get();
            std::vector<CKurs> quotations;
            quotations.reserve(kQuotations);
            double price = 20.0 + i;
            for (int k = 0; k < kQuotations; ++k) {
                CKurs q(OleDate(32874.0 + k + 17.5 / 24.0), 0.0);
                q.m_dOpen = price;
                price *= 1.0 + (static_cast<double>(rng() % 2001) - 1000.0) / 50000.0;
                q.m_dClose = price;
                q.m_dHigh = price * 1.01;
                q.m_dLow = price * 0.99;
                q.m_dVolume = static_cast<double>(rng() % 100000);
                quotations.push_back(q);
            }
            item->ReplaceQuotationList(std::move(quotations));
            doc.AddItem(std::move(item));
        }
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

// The same bytes written durably: temporary file, write, fsync, rename, fsync of the folder.
bool writeDurably(const std::filesystem::path& target, const std::string& bytes) {
    const std::string temporary = target.string() + ".peer-tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    const bool written = done == bytes.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0)
        return false;
    const int dir = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

// Raw I/O: the portfolio file read whole, the export's bytes written.
void BM_RawReadAndWrite(benchmark::State& state) {
    const auto target = folder() / "raw.csv";
    const std::string& bytes = exportBytes();
    for (auto _ : state) {
        const std::string file = readAll(portfolioFile());
        benchmark::DoNotOptimize(file.data());
        if (!writeDurably(target, bytes))
            state.SkipWithError("write failed");
    }
}

void BM_RawWrite(benchmark::State& state) {
    const auto target = folder() / "raw.csv";
    const std::string& bytes = exportBytes();
    for (auto _ : state)
        if (!writeDurably(target, bytes))
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
