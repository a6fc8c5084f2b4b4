// The regular-expression test and the page display of the server-configuration dialogs.
//
// Search: a 2 MB page whose quotation line stands near its end, and a 300-character expression
// whose last characters do not match, so the test shortens it byte by byte (each try: name and
// symbol, place holders, compile with JIT, one match through the whole page) until a leading part
// matches. Its peer makes the same number of direct PCRE2 compile + match calls with the same
// expanded patterns. Goal: at most 1.3x. A second peer adds the JIT compile the extraction makes,
// so the ratio to it is the share of the search's own work (expansion, logging, date reading).
//
// Page display: a 5 MB page form (CR LF lines, some non-ASCII text) put into the read-only view
// with its byte-offset map, against a bare setPlainText of the same text decoded by Qt. Goal: at
// most 2x.
//
// Run with --benchmark_repetitions=N for medians and their spread.

#include "BenchSupport.h"
#include "dialogs/DlgPageDisplay.h"
#include "dialogs/DlgRegExpSearch.h"
#include "log/Log.h"
#include "retrieval/PlaceHolders.h"
#include "retrieval/filtering.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <benchmark/benchmark.h>
#include <pcre2.h>

#include <QApplication>
#include <QPlainTextEdit>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kSearchPageBytes = 2 * 1024 * 1024;
constexpr std::size_t kDisplayPageBytes = 5 * 1024 * 1024;

// Rows of a quotation table, then the row the expression looks for, then a short tail.
std::string searchPage() {
    // Rows of every kind of text a quotation page holds (all letters, digits and marks appear).
    const char* const names[] = {"Acme Industries Holding AG", "Xetra Blue Chip Index (EUR)", "Quantum Yield Fund USD",
                                 "Jupiter Venture Kapital GmbH", "Wolfram Zinc & Copper plc"};
    std::string page;
    page.reserve(kSearchPageBytes + 512);
    char row[256];
    for (int i = 0; page.size() + 600 < kSearchPageBytes; ++i) {
        std::snprintf(row, sizeof row,
                      "<tr><td class=\"name\">%s</td><td class=\"value\">%d.%03d,%02d</td><td>%02d.%02d.2024</td>"
                      "<td>USD</td></tr>\r\n",
                      names[i % 5], i % 97, i % 1000, i % 100, i % 28 + 1, i % 12 + 1);
        page += row;
    }
    page += "<tr><td class=\"quote\">Northwind Traders International Quotation Board - Last trade price of the "
            "common share</td><td class=\"value\">1.234,56</td><td class=\"date\">16.05.2024</td><td "
            "class=\"time\">17:35</td><td class=\"currency\">EUR</td></tr>\r\n";
    page.resize(kSearchPageBytes, ' ');
    return page;
}

// 300 characters; the currency at its end does not match the page's.
std::string searchExpression() {
    std::string e = "<tr><td class=\"quote\">Northwind Traders International Quotation Board - Last trade price of "
                    "the common share</td><td class=\"value\">[&quotation_close]</td><td class=\"date\">[&day]\\."
                    "[&month]\\.[&year]</td><td class=\"time\">[&hour]:[&minute]</td><td class=\"currency\">USD";
    e += std::string(300 - e.size(), 'X');
    return e;
}

struct SearchCase {
    std::string page = searchPage();
    std::string expression = searchExpression();
    std::vector<std::string> patterns; // the expanded patterns the search tries, in order
};

const SearchCase& searchCase() {
    static const SearchCase c = [] {
        SearchCase made;
        for (std::string e = made.expression; !e.empty(); e.pop_back()) {
            std::string pattern;
            ReplaceNameSymbolAsLiteral(e, pattern, "Northwind", "NWT");
            RegExpGroupIndexes groups;
            RegExpExpandPlaceHolders(pattern, groups, ",", ".");
            made.patterns.push_back(pattern);
            int start = 0, length = 0, code = 0;
            std::string message;
            CKurs q;
            if (RegExpGetQuotation(made.page, q, pattern, groups, false, false, start, length, ".", ",", code, message))
                break;
        }
        return made;
    }();
    return c;
}

void BM_Search(benchmark::State& state) {
    const SearchCase& c = searchCase();
    const OleDate now(2024, 5, 17, 12, 0, 0);
    int tries = 0;
    for (auto _ : state) {
        const RegExpSearchOutcome found = SearchLongestMatch(c.page, c.expression, "Northwind", "NWT", ",", ".", now);
        tries = found.tries;
        if (!found.matched)
            state.SkipWithError("the search found nothing");
        benchmark::DoNotOptimize(found.matchStart);
    }
    state.counters["tries"] = tries;
}

// Compiles and matches each pattern the search tries; with `jit` also JIT-compiles it, as the
// extraction does.
void directPcre2(benchmark::State& state, bool jit) {
    const SearchCase& c = searchCase();
    for (auto _ : state) {
        int matched = 0;
        for (const std::string& pattern : c.patterns) {
            int error = 0;
            PCRE2_SIZE offset = 0;
            pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                             PCRE2_MULTILINE | PCRE2_DOTALL, &error, &offset, nullptr);
            if (code == nullptr)
                continue; // a cut place holder: the search meets it too
            if (jit)
                pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
            pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
            matched +=
                pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(c.page.data()), c.page.size(), 0, 0, data, nullptr) > 0;
            pcre2_match_data_free(data);
            pcre2_code_free(code);
        }
        benchmark::DoNotOptimize(matched);
    }
    state.counters["tries"] = static_cast<double>(c.patterns.size());
}

void BM_DirectPcre2(benchmark::State& state) {
    directPcre2(state, false);
}

void BM_DirectPcre2Jit(benchmark::State& state) {
    directPcre2(state, true);
}

std::string displayPage() {
    const std::string line = "<tr><td>Börse Zürich</td><td>12.345,67 €</td><td>01.02.2024 17:35</td></tr>\r\n";
    std::string page;
    page.reserve(kDisplayPageBytes + line.size());
    while (page.size() + line.size() <= kDisplayPageBytes)
        page += line;
    return page;
}

const std::string& displayText() {
    static const std::string page = displayPage();
    return page;
}

void BM_DisplayWithMap(benchmark::State& state) {
    QPlainTextEdit* view = makePageView(1151);
    for (auto _ : state) {
        const PageTextMap map(displayText());
        view->setPlainText(map.text());
        benchmark::DoNotOptimize(map.position(displayText().size() / 2));
    }
    delete view;
}

void BM_BareSetPlainText(benchmark::State& state) {
    QPlainTextEdit* view = makePageView(1151);
    for (auto _ : state)
        view->setPlainText(QString::fromUtf8(displayText().data(), static_cast<qsizetype>(displayText().size())));
    delete view;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    Log::Instance(); // no appender: the search's log lines cost their formatting only
    benchmark::RegisterBenchmark("Search 2 MB, 300-char expression", BM_Search)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Direct PCRE2 compile+match, same patterns", BM_DirectPcre2)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Direct PCRE2 compile+JIT+match, same patterns", BM_DirectPcre2Jit)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Display 5 MB with offset map", BM_DisplayWithMap)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Bare setPlainText 5 MB", BM_BareSetPlainText)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (median real time):\n");
    reporter.printRatio("Search 2 MB, 300-char expression", "Direct PCRE2 compile+match, same patterns",
                        "Search / direct PCRE2 (goal <= 1.3)");
    reporter.printRatio("Search 2 MB, 300-char expression", "Direct PCRE2 compile+JIT+match, same patterns",
                        "Search / direct PCRE2 with JIT (our share of the work)");
    reporter.printRatio("Display 5 MB with offset map", "Bare setPlainText 5 MB",
                        "display with map / bare setPlainText (goal <= 2)");
    benchmark::Shutdown();
    return 0;
}
