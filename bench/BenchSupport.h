#pragma once
// What the benchmark programs share: a console reporter that keeps the measured times of every run
// by its name, so that a program can print its ratios to the peers after the timings, a quiet
// program around a portfolio document, an item with a long history, and the durable write that
// the peers of saves and exports do.

#include "portfolio/PortfolioHost.h"
#include "portfolio/WPapierItem.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace benchsupport {

// Initialises Google Benchmark with the repetitions of all runs interleaved in random order, so
// that the state of the page cache and the disk falls alike on us and on the peers; a flag given
// on the command line comes later and wins.
inline void initializeInterleaved(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Keeps the time per iteration of every run that did not fail, in seconds whatever unit the
    // run reports in; with repetitions the median counts.
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string name = run.run_name.str();
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !m_times.count(name))) {
                const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
                m_times[name] = {run.GetAdjustedRealTime() / unit, run.GetAdjustedCPUTime() / unit};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Real and CPU seconds per iteration of the run `name` (as the report names it); NaN when it
    // did not run.
    double realTime(const std::string& name) const { return find(name, &Times::real); }
    double cpuTime(const std::string& name) const { return find(name, &Times::cpu); }

    // Prints one line of the ratio table: `what`, then the real time of `ours` divided by the real
    // time of `peer`; nothing when either did not run.
    void printRatio(const std::string& ours, const std::string& peer, const char* what) const {
        const double a = realTime(ours);
        const double b = realTime(peer);
        if (!std::isnan(a) && b > 0)
            std::printf("  %-62s %7.2fx\n", what, a / b);
    }

private:
    struct Times {
        double real;
        double cpu;
    };

    double find(const std::string& name, double Times::*which) const {
        const auto it = m_times.find(name);
        return it == m_times.end() ? NAN : it->second.*which;
    }

    std::map<std::string, Times> m_times;
};

// The program around a document in a benchmark: the options it is given, no question answered
// with yes (a save is declined), no window; a notice, which no benchmark expects, goes to stderr.
class BenchHost : public PortfolioHost {
public:
    ProgramOptions options;

    SaveChangesAnswer askSaveChanges(const std::string&) override { return SaveChangesAnswer::No; }
    std::optional<std::filesystem::path> chooseSavePath(const std::string&) override { return std::nullopt; }
    ProgramOptions programOptions() const override { return options; }
    ListViewSettings listViewSettings() const override { return {}; }
    DocumentObserver* chartView() const override { return nullptr; }
    bool isItemShownInChart(ItemPos) const override { return false; }
    void setUpdateTimer(int) override {}
    void clearDownloadsList() override {}
    void setDownloadsTitle(const std::string&) override {}
    void requestExit() override {}
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    bool askImportInterval(ImportIntervalQuestion&) override { return false; }
    void showNotice(const PortfolioNotice& notice) override {
        std::fprintf(stderr, "notice: %s\n", notice.text.c_str());
    }
};

// A benchmark's data, made on first use (`scene()`) and dropped by reset() before the application
// object goes (widgets and documents need it while they die).
template <typename T>
class Lazy {
public:
    T& operator()() {
        if (!m_value)
            m_value = std::make_unique<T>();
        return *m_value;
    }
    void reset() { m_value.reset(); }

private:
    std::unique_ptr<T> m_value;
};

// Item `i` of a benchmark portfolio ("Item <i>", symbol "SYM<1000 + i>"): `count` daily quotations
// at 17:30 from 1 January 1990, a random walk from 20 + i with open, high, low and volume.
inline std::unique_ptr<CWPapier> itemWithHistory(int i, int count, std::mt19937& rng) {
    auto item = std::make_unique<CWPapier>();
    item->m_strName = "Item " + std::to_string(i);
    item->m_strSymbol = "SYM" + std::to_string(1000 + i);
    item->m_pFormulaItemX = item->m_pFormulaItemY = item.get();
    std::vector<CKurs> quotations;
    quotations.reserve(static_cast<std::size_t>(count));
    double price = 20.0 + i;
    for (int k = 0; k < count; ++k) {
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
    return item;
}

// The peer of a save or an export: `bytes` written durably with the system calls alone: a new
// temporary file beside the target, one write, fsync, rename over the target, fsync of the folder.
inline bool writeDurably(const std::filesystem::path& target, const std::string& bytes) {
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
    const int folder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace benchsupport
