#pragma once
// What the benchmark programs share: a console reporter that keeps the measured time of every run
// by its name, so that a program can print its ratios to the peers after the timings.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace benchsupport {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    // Prints one line of the ratio table: `what`, then the time of `ours` divided by the time of
    // `peer`; nothing when either did not run.
    void printRatio(const std::string& ours, const std::string& peer, const char* what) const {
        const auto a = times.find(ours);
        const auto b = times.find(peer);
        if (a != times.end() && b != times.end() && b->second > 0)
            std::printf("  %-62s %7.2fx\n", what, a->second / b->second);
    }

    std::map<std::string, double> times; // real time per run name
};

} // namespace benchsupport
