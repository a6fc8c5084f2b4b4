#pragma once
// What the benchmark programs share: a console reporter that keeps the measured times of every run
// by its name, so that a program can print its ratios to the peers after the timings, and a quiet
// program around a portfolio document.

#include "portfolio/PortfolioHost.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace benchsupport {

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

} // namespace benchsupport
