// Saving and opening a portfolio of 100 items with 10,000 quotations each, plain and zipped. A save
// is compared with a durable write of the same bytes (a temporary file beside the target, fsync,
// rename, fsync of the folder), which is what a save must do; an open with reading the same bytes
// in chunks of 1 MB into one buffer that is reused. Prints the time ratios and the memory taken
// while a portfolio is opened against the memory the opened portfolio holds: every C++ allocation
// counted, and the resident memory of a process that opens it (also for one item of 1,000,000
// quotations).

#include "BenchSupport.h"
#include "platform/Paths.h"
#include "portfolio/PortfolioArchive.h"
#include "portfolio/WPapierDoc.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

// --- counting every allocation of the program, for the memory figures ---

namespace {
std::atomic<std::int64_t> g_liveBytes{0};
std::atomic<std::int64_t> g_peakBytes{0};

void noteAllocation(void* p) {
    if (!p)
        return;
    const auto size = static_cast<std::int64_t>(malloc_usable_size(p));
    const std::int64_t live = g_liveBytes.fetch_add(size, std::memory_order_relaxed) + size;
    std::int64_t peak = g_peakBytes.load(std::memory_order_relaxed);
    while (live > peak && !g_peakBytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
}

void noteRelease(void* p) {
    if (p)
        g_liveBytes.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(p)), std::memory_order_relaxed);
}
} // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    noteAllocation(p);
    return p;
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    void* p = std::malloc(size ? size : 1);
    noteAllocation(p);
    return p;
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept {
    noteRelease(p);
    std::free(p);
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

constexpr int kItems = 100;
constexpr int kQuotations = 10000;

// The program around the documents: plain or zipped files by its option ZipFile.
benchsupport::BenchHost& host() {
    static benchsupport::BenchHost h;
    return h;
}

const std::filesystem::path& folder() {
    static const std::filesystem::path f = *paths::createTempFolder("corvana-bench-document");
    return f;
}

std::filesystem::path file(const char* name) {
    return folder() / name;
}

// Daily quotations from 1990 with a random walk, and three transactions per item.
CWPapierDoc& portfolio() {
    static CWPapierDoc* doc = [] {
        auto* d = new CWPapierDoc(&host());
        std::mt19937 rng(7);
        for (int i = 0; i < kItems; ++i) {
            auto item = benchsupport::itemWithHistory(i, kQuotations, rng);
            item->m_Server.m_strURL = "https://quotes.example/[&symbol]";
            const double price = item->GetLastQuotationPtr()->m_dClose;
            for (int t = 0; t < 3; ++t)
                item->AddTransaction(CTransaction(t == 2 ? 1 : 0, OleDate(36000.0 + 1000.0 * t), 10.0 + t, price, 5.0,
                                                  0, false, OleDate(), "bought"));
            d->AddItem(std::move(item));
        }
        return d;
    }();
    return *doc;
}

// The saved files, made once.
const std::filesystem::path& savedFile(int zip) {
    static std::map<int, std::filesystem::path> files;
    auto it = files.find(zip);
    if (it == files.end()) {
        host().options.ZipFile = zip;
        const auto path = file(zip ? "saved-zipped.cvr" : "saved-plain.cvr");
        if (!portfolio().OnSaveDocument(path))
            std::abort();
        it = files.emplace(zip, path).first;
    }
    return it->second;
}

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The bytes of the plain file: what the peers write and read.
const std::string& plainBytes() {
    static const std::string bytes = readAll(savedFile(0));
    return bytes;
}

void BM_Save(benchmark::State& state) {
    const int zip = static_cast<int>(state.range(0));
    host().options.ZipFile = zip;
    const auto path = file(zip ? "save-zipped.cvr" : "save-plain.cvr");
    for (auto _ : state)
        if (!portfolio().OnSaveDocument(path))
            state.SkipWithError("save failed");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(plainBytes().size()));
}

void BM_Open(benchmark::State& state) {
    const int zip = static_cast<int>(state.range(0));
    const auto path = savedFile(zip);
    host().options.ZipFile = zip;
    CWPapierDoc doc(&host());
    for (auto _ : state) {
        state.PauseTiming();
        doc.DeleteContents();
        state.ResumeTiming();
        if (!doc.OnOpenDocument(path))
            state.SkipWithError("open failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(plainBytes().size()));
}

// The stream alone, in memory: storing the items, and reading them back.
void BM_StoreStream(benchmark::State& state) {
    for (auto _ : state) {
        Archive ar;
        portfolio().Serialize(ar);
        benchmark::DoNotOptimize(ar.buffer().data());
    }
}

// The archive takes the bytes over; copying them for each run is not part of reading.
void BM_ReadStream(benchmark::State& state) {
    const std::string& bytes = plainBytes();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
        state.ResumeTiming();
        Archive ar(std::move(copy), portfolioClassRegistry());
        ItemListReadResult read = readItemList(ar);
        benchmark::DoNotOptimize(read.items.data());
        state.PauseTiming();
        read.items.clear();
        state.ResumeTiming();
    }
}

void BM_PeerWriteDurable(benchmark::State& state) {
    const std::string& bytes = plainBytes();
    const auto path = file("peer-durable.bin");
    for (auto _ : state)
        if (!benchsupport::writeDurably(path, bytes))
            state.SkipWithError("write failed");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

// The file in chunks of 1 MB into one buffer that is reused, as a streaming reader reads.
void BM_PeerRead(benchmark::State& state) {
    const auto& path = savedFile(0);
    const std::size_t size = plainBytes().size();
    std::vector<char> buffer(std::size_t{1} << 20);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        std::size_t got = 0;
        for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
            got += static_cast<std::size_t>(n);
        ::close(fd);
        if (got != size)
            state.SkipWithError("short read");
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}

// The repetitions of all runs are interleaved (main), so the state of the page cache and the disk
// weighs on a save and its durable peer alike.
BENCHMARK(BM_PeerWriteDurable)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Save)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PeerRead)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Open)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_StoreStream)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadStream)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5)->ReportAggregatesOnly(true);

// A figure of /proc/self/status in kB ("VmRSS", "VmHWM").
long statusKb(const char* name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(name) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

// One item of 1,000,000 daily quotations, saved plain.
const std::filesystem::path& longHistoryFile() {
    static const std::filesystem::path path = [] {
        host().options.ZipFile = 0;
        CWPapierDoc doc(&host());
        std::mt19937 rng(11);
        doc.AddItem(benchsupport::itemWithHistory(0, 1000000, rng));
        const auto file = folder() / "long-history.cvr";
        if (!doc.OnSaveDocument(file))
            std::abort();
        return file;
    }();
    return path;
}

// Memory while a portfolio is opened, against the memory the opened portfolio keeps: the C++
// allocations counted in this process, and the resident memory of a child process that does
// nothing but open it (its peak reset just before the open).
void reportMemory(const char* what, const std::filesystem::path& path, int zip) {
    host().options.ZipFile = zip;
    {
        CWPapierDoc doc(&host());
        const std::int64_t before = g_liveBytes.load();
        g_peakBytes.store(before);
        if (!doc.OnOpenDocument(path))
            std::abort();
        const std::int64_t model = g_liveBytes.load() - before;
        const std::int64_t peak = g_peakBytes.load() - before;
        std::printf("  open %-22s allocations: peak %6.1f MB above the start, held %6.1f MB: %.2fx\n", what,
                    static_cast<double>(peak) / 1e6, static_cast<double>(model) / 1e6,
                    static_cast<double>(peak) / static_cast<double>(model));
    }
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        malloc_trim(0);
        const long start = statusKb("VmRSS");
        {
            std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts from here
        }
        CWPapierDoc doc(&host());
        if (!doc.OnOpenDocument(path))
            _exit(1);
        const long held = statusKb("VmRSS") - start;
        const long peak = statusKb("VmHWM") - start;
        std::printf("  open %-22s resident:    peak %6.1f MB above the start, held %6.1f MB: %.2fx\n", what,
                    static_cast<double>(peak) / 1e3, static_cast<double>(held) / 1e3,
                    static_cast<double>(peak) / static_cast<double>(held));
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

} // namespace

int main(int argc, char** argv) {
    benchsupport::initializeInterleaved(argc, argv);
    portfolio();
    std::printf("Portfolio: %d items x %d quotations; plain file %.1f MB, zipped file %.1f MB\n", kItems, kQuotations,
                static_cast<double>(plainBytes().size()) / 1e6,
                static_cast<double>(std::filesystem::file_size(savedFile(1))) / 1e6);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime ratios against file I/O of the same %zu bytes (medians of 5):\n", plainBytes().size());
    const std::string durable = "BM_PeerWriteDurable/iterations:5/repeats:5";
    const std::string read = "BM_PeerRead/iterations:10/repeats:5";
    reporter.printRatio("BM_Save/0/iterations:3/repeats:5", durable,
                        "plain save / durable write (temporary file, fsync, rename; goal <= 3x)");
    reporter.printRatio("BM_Save/1/iterations:3/repeats:5", durable, "zipped save / durable write");
    reporter.printRatio("BM_Open/0/iterations:5/repeats:5", read, "plain open / chunked read (goal <= 3x)");
    reporter.printRatio("BM_Open/1/iterations:5/repeats:5", read, "zipped open / chunked read");
    reporter.printRatio("BM_StoreStream/iterations:5/repeats:5", durable,
                        "storing the stream in memory / durable write");
    reporter.printRatio("BM_ReadStream/iterations:5/repeats:5", read, "reading the stream from memory / chunked read");
    std::printf("\nMemory while opening (every C++ allocation counted):\n");
    reportMemory("plain, 100 x 10,000", savedFile(0), 0);
    reportMemory("zipped, 100 x 10,000", savedFile(1), 1);
    reportMemory("plain, 1 x 1,000,000", longHistoryFile(), 0);

    std::error_code ec;
    std::filesystem::remove_all(folder(), ec);
    benchmark::Shutdown();
    return 0;
}
