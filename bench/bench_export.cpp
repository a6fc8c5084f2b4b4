// The quotation export of a portfolio of 100 items with 10,000 quotations each (1,000,000 lines):
// opening the portfolio and exporting its quotations, in this process and as the program's export
// mode (`corvana -e`, a process of its own), against the raw I/O of the same bytes: the portfolio
// file read in chunks of 1 MB into one buffer that is reused, and the export's bytes written
// durably as the export writes them (a temporary file, fsync, rename, fsync of the folder).
// Prints the ratios of the medians, with the spread of every run in its aggregates.

#include "BenchSupport.h"
#include "platform/Paths.h"
#include "portfolio/WPapierDoc.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
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
constexpr std::size_t kChunk = std::size_t{1} << 20;

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

// The peer's read: the whole file in chunks of `buffer`'s size into that one buffer, as a
// streaming reader reads. Returns the bytes read.
std::size_t readInChunks(const std::filesystem::path& path, std::vector<char>& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        std::abort();
    std::size_t total = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got <= 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return total;
}

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

// The program beside this benchmark in the build tree (or $CORVANA_PROGRAM).
std::filesystem::path programPath() {
    if (const char* given = std::getenv("CORVANA_PROGRAM"))
        return given;
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return self.parent_path().parent_path() / "src" / "app" / "corvana";
}

// Runs `corvana -e <portfolio>` with a home of its own and without a display; true when it ended
// with 0.
bool runProgramExport(const std::filesystem::path& program, const std::filesystem::path& portfolio) {
    const std::filesystem::path home = folder() / "home";
    const pid_t child = fork();
    if (child == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        execl(program.c_str(), program.c_str(), "-e", portfolio.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_OpenAndExport(benchmark::State& state) {
    const auto target = folder() / "export.csv";
    for (auto _ : state) {
        CWPapierDoc doc(&host());
        if (!doc.OnOpenDocument(portfolioFile()) || !doc.FileExportQuotations(target))
            state.SkipWithError("open or export failed");
    }
}

// The program's export mode, from the start of the process to its end.
void BM_ProgramExport(benchmark::State& state) {
    const auto program = programPath();
    const auto portfolio = folder() / "program.cvr";
    std::filesystem::copy_file(portfolioFile(), portfolio, std::filesystem::copy_options::overwrite_existing);
    const auto target = CWPapierDoc::quotationExportPath(portfolio);
    if (!std::filesystem::exists(program)) {
        state.SkipWithError(("no program at " + program.string()).c_str());
        return;
    }
    for (auto _ : state)
        if (!runProgramExport(program, portfolio))
            state.SkipWithError("the program's export failed");
    if (readAll(target) != exportBytes())
        state.SkipWithError("the program's export differs from the document's");
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

// Raw I/O: the portfolio file read in chunks into a reused buffer, the export's bytes written.
void BM_RawReadAndWrite(benchmark::State& state) {
    const auto target = folder() / "raw.csv";
    const std::string& bytes = exportBytes();
    std::vector<char> buffer(kChunk);
    for (auto _ : state) {
        benchmark::DoNotOptimize(readInChunks(portfolioFile(), buffer));
        benchmark::DoNotOptimize(buffer.data());
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

BENCHMARK(BM_RawReadAndWrite)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenAndExport)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_ProgramExport)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    benchsupport::initializeInterleaved(argc, argv);
    std::printf("Portfolio: %d items x %d quotations; file %.1f MB, export %.1f MB\n", kItems, kQuotations,
                static_cast<double>(std::filesystem::file_size(portfolioFile())) / 1e6,
                static_cast<double>(exportBytes().size()) / 1e6);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime ratios against raw I/O of the same bytes (medians of 7; spreads in the aggregates above):\n");
    const std::string raw = "BM_RawReadAndWrite/iterations:3/repeats:7";
    reporter.printRatio("BM_ProgramExport/iterations:3/repeats:7", raw,
                        "corvana -e / chunked read + durable write (goal <= 5x)");
    reporter.printRatio("BM_OpenAndExport/iterations:3/repeats:7", raw, "open + export / chunked read + durable write");
    reporter.printRatio("BM_Export/iterations:3/repeats:7", "BM_RawWrite/iterations:3/repeats:7",
                        "export / durable write");
    std::error_code ec;
    std::filesystem::remove_all(folder(), ec);
    benchmark::Shutdown();
    return 0;
}
