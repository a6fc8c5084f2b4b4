// Page conversion and both extraction methods on generated quotation pages of 100 KB and 10 MB,
// with the value at the very end, so every run reads the whole page. Regular-expression
// extraction is measured next to the bare PCRE2 work on the same page (compile, JIT, one match),
// and the download worker's path from the page file next to the bare reading of that file (one
// read into a buffer) and the same match. After the timings: throughput, growth from 100 KB to
// 10 MB (linear: the same factor as the size) and the ratios of our regular-expression extraction
// to its peers. Run with --benchmark_repetitions=N for medians and their spread.

#include "BenchSupport.h"
#include "platform/Paths.h"
#include "retrieval/filtering.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <benchmark/benchmark.h>
#include <pcre2.h>

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::size_t kSizes[] = {100 * 1024, 10 * 1024 * 1024};
const char* const kSizeNames[] = {"100KB", "10MB"};

const char* const kAnchor = "Last price";
const char* const kPattern =
    "Last price</td><td>[&quotation_close]</td><td>[&day]\\.[&month]\\.[&year] [&hour]:[&minute]<";

struct Page {
    std::string html;
    std::filesystem::path original, semiHtml, textOnly, scratch;
};

// A table of quotation rows, then the row with the value.
std::string makePage(std::size_t size) {
    const std::string tail = "<tr><td>Last price</td><td>1.234,56</td><td>05.03.2023 17:35</td></tr>\n"
                             "</table></body></html>\n";
    std::string page = "<html><head><title>Quotes</title></head><body><table>\n";
    char row[256];
    for (int i = 0; page.size() + tail.size() < size; ++i) {
        std::snprintf(row, sizeof row,
                      "<tr class=\"row\"><td class=\"name\">Item %d &amp; Co</td><td class=\"v\">%d.%03d,%02d</td>"
                      "<td>&nbsp;EUR</td><td>%02d.%02d.2023</td></tr>\n",
                      i, i % 97, i % 1000, i % 100, i % 28 + 1, i % 12 + 1);
        page += row;
    }
    page.resize(size - tail.size(), ' ');
    return page + tail;
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::filesystem::path& folder() {
    static std::filesystem::path f = paths::createTempFolder("bench_filtering").value_or("/tmp");
    return f;
}

Page& page(int which) {
    static std::map<int, Page> pages;
    auto it = pages.find(which);
    if (it != pages.end())
        return it->second;
    Page p;
    p.html = makePage(kSizes[which]);
    const std::string stem = (folder() / kSizeNames[which]).string();
    p.original = stem + ".html";
    p.semiHtml = stem + ".semi";
    p.textOnly = stem + ".txt";
    p.scratch = stem + ".out";
    writeBytes(p.original, p.html);
    HtmlToTxt(FORMAT_SEMI_HTML, p.original, p.semiHtml);
    HtmlToTxt(FORMAT_TEXT_ONLY, p.original, p.textOnly);
    return pages.emplace(which, std::move(p)).first->second;
}

std::string expandedPattern(RegExpGroupIndexes& ix) {
    std::string pattern = kPattern;
    RegExpExpandPlaceHolders(pattern, ix, ",", ".");
    return pattern;
}

void setBytes(benchmark::State& state, int which) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSizes[which]));
}

// File to file, into a new file each time as the download worker does (rewriting an existing
// file would measure the file system's flush on truncation instead).
void convertFile(benchmark::State& state, int which, int mode) {
    const Page& p = page(which);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(p.scratch);
        state.ResumeTiming();
        if (!HtmlToTxt(mode, p.original, p.scratch))
            state.SkipWithError("conversion failed");
    }
    setBytes(state, which);
}

void convertMemory(benchmark::State& state, int which, int mode) {
    const Page& p = page(which);
    for (auto _ : state)
        benchmark::DoNotOptimize(ConvertPageText(mode, p.html).size());
    setBytes(state, which);
}

void anchorText(benchmark::State& state, int which) {
    const Page& p = page(which);
    for (auto _ : state) {
        int code = -1;
        std::string preview;
        const double value = GetQuotationText(p.textOnly, kAnchor, ".", ",", 0, false, code, preview);
        if (code != 0 || value != 1234.56)
            state.SkipWithError("text extraction failed");
    }
    setBytes(state, which);
}

void anchorSemiHtml(benchmark::State& state, int which) {
    const Page& p = page(which);
    for (auto _ : state) {
        int code = -1;
        std::string preview;
        const double value = GetQuotationSemiHtml(p.semiHtml, kAnchor, ".", ",", 2, 0, false, code, preview);
        if (code != 0 || value != 1234.56)
            state.SkipWithError("semi-html extraction failed");
    }
    setBytes(state, which);
}

// One quotation by the pattern, from the page in memory or (as the download worker) from its file.
void regExp(benchmark::State& state, int which, bool fromFile) {
    const Page& p = page(which);
    RegExpGroupIndexes ix;
    const std::string pattern = expandedPattern(ix);
    for (auto _ : state) {
        CKurs q;
        q.m_dtDate = OleDate(2023, 3, 6, 12, 0, 0);
        int start = 0, length = 0, code = -1;
        std::string message;
        const bool found =
            fromFile ? RegExpGetQuotationFile(p.original, q, pattern, ix, false, start, length, ".", ",", code, message)
                     : RegExpGetQuotation(p.html, q, pattern, ix, false, true, start, length, ".", ",", code, message);
        if (!found || q.m_dClose != 1234.56)
            state.SkipWithError("regular-expression extraction failed");
    }
    setBytes(state, which);
}

// Compiles `pattern` with JIT and matches it once on `subject`: what any caller of PCRE2 does at
// least for one extraction.
bool bareMatch(const std::string& pattern, const char* subject, std::size_t size) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_MULTILINE | PCRE2_DOTALL, &error, &offset, nullptr);
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    pcre2_match_data* data = pcre2_match_data_create(20, nullptr);
    const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject), size, 0, 0, data, nullptr);
    benchmark::DoNotOptimize(pcre2_get_ovector_pointer(data)[2]);
    pcre2_match_data_free(data);
    pcre2_code_free(code);
    return rc > 0;
}

// The peer of the extraction from memory: the bare match on the page.
void barePcre2(benchmark::State& state, int which) {
    const Page& p = page(which);
    RegExpGroupIndexes ix;
    const std::string pattern = expandedPattern(ix);
    for (auto _ : state)
        if (!bareMatch(pattern, p.html.data(), p.html.size()))
            state.SkipWithError("bare match failed");
    setBytes(state, which);
}

// The peer of the extraction from the page file: one read of the file into a buffer of its size
// (not initialised first), then the bare match.
void bareReadPcre2(benchmark::State& state, int which) {
    const Page& p = page(which);
    RegExpGroupIndexes ix;
    const std::string pattern = expandedPattern(ix);
    for (auto _ : state) {
        const int fd = ::open(p.original.c_str(), O_RDONLY);
        const std::size_t size = std::filesystem::file_size(p.original);
        const std::unique_ptr<char[]> bytes(new char[size]);
        const bool read = fd >= 0 && ::read(fd, bytes.get(), size) == static_cast<ssize_t>(size);
        if (fd >= 0)
            ::close(fd);
        if (!read || !bareMatch(pattern, bytes.get(), size))
            state.SkipWithError("bare read and match failed");
    }
    setBytes(state, which);
}

struct Measure {
    const char* name;
    void (*run)(benchmark::State&, int);
};

const Measure kMeasures[] = {
    {"ConvertPageText semi-html", [](benchmark::State& s, int w) { convertMemory(s, w, FORMAT_SEMI_HTML); }},
    {"ConvertPageText text-only", [](benchmark::State& s, int w) { convertMemory(s, w, FORMAT_TEXT_ONLY); }},
    {"HtmlToTxt semi-html", [](benchmark::State& s, int w) { convertFile(s, w, FORMAT_SEMI_HTML); }},
    {"HtmlToTxt text-only", [](benchmark::State& s, int w) { convertFile(s, w, FORMAT_TEXT_ONLY); }},
    {"GetQuotationText", anchorText},
    {"GetQuotationSemiHtml", anchorSemiHtml},
    {"RegExpGetQuotationFile", [](benchmark::State& s, int w) { regExp(s, w, true); }},
    {"RegExpGetQuotation", [](benchmark::State& s, int w) { regExp(s, w, false); }},
    {"bare PCRE2 compile+JIT+match", barePcre2},
    {"bare read+PCRE2 compile+JIT+match", bareReadPcre2},
};

std::string runName(const char* measure, int which) {
    return std::string(measure) + "/" + kSizeNames[which];
}

// Seconds per iteration of `measure` on input `which`; NaN when it did not run.
double seconds(const benchsupport::RatioReporter& reporter, const char* measure, int which) {
    return reporter.realTime(runName(measure, which) + "/real_time");
}

} // namespace

int main(int argc, char** argv) {
    for (const auto& m : kMeasures)
        for (int which = 0; which < 2; ++which)
            benchmark::RegisterBenchmark(runName(m.name, which).c_str(),
                                         [m, which](benchmark::State& s) { m.run(s, which); })
                ->Unit(benchmark::kMicrosecond)
                ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double sizeFactor = static_cast<double>(kSizes[1]) / static_cast<double>(kSizes[0]);
    std::printf("\nThroughput (MB/s) and growth from 100 KB to 10 MB (size factor %.1f; linear: time factor "
                "about the same)\n",
                sizeFactor);
    for (const auto& m : kMeasures) {
        const double small = seconds(reporter, m.name, 0);
        const double large = seconds(reporter, m.name, 1);
        if (std::isnan(small) || std::isnan(large))
            continue;
        std::printf("  %-30s %9.1f MB/s %9.1f MB/s   time factor %7.1f (%.2f of linear)\n", m.name,
                    kSizes[0] / 1e6 / small, kSizes[1] / 1e6 / large, large / small, large / small / sizeFactor);
    }
    std::printf("\nRegular-expression extraction against the bare PCRE2 work (goal: at most 1.5x)\n");
    for (int which = 0; which < 2; ++which) {
        const double ours = seconds(reporter, "RegExpGetQuotation", which);
        const double file = seconds(reporter, "RegExpGetQuotationFile", which);
        const double bare = seconds(reporter, "bare PCRE2 compile+JIT+match", which);
        const double bareFile = seconds(reporter, "bare read+PCRE2 compile+JIT+match", which);
        if (std::isnan(ours) || std::isnan(file) || std::isnan(bare) || std::isnan(bareFile))
            continue;
        std::printf("  %-6s RegExpGetQuotation / bare match %.2fx; RegExpGetQuotationFile / bare read and match "
                    "%.2fx (/ bare match alone %.2fx)\n",
                    kSizeNames[which], ours / bare, file / bareFile, file / bare);
    }
    std::error_code ec;
    std::filesystem::remove_all(folder(), ec);
    benchmark::Shutdown();
    return 0;
}
