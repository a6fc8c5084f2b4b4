// Pasting many items into a large portfolio, as a user pastes with the list shown:
//  - with the list: 10,000 items of a 100,000-item portfolio copied to the clipboard format once,
//    then pasted by the list's Paste command into that portfolio while its list is shown (the
//    paste, the list showing the new rows in their sorted places with the last one selected, and
//    the event-loop turn that paints it); against the same paste into a new, empty portfolio with
//    its list shown (goal: at most 2x). The pasted items are removed again outside the timing;
//  - the document alone: the same paste without a list, against opening a portfolio file that
//    holds those 10,000 items (the same archive stream, read from the disk, every item added to
//    the document); goal <= 2x.
// The ratios are printed with each side's median and its lowest and highest repetition.

#include "BenchSupport.h"
#include "platform/Paths.h"
#include "portfolio/WPapierDoc.h"
#include "views/wpapierlview.h"
#include "views/wpapierlviewClipboard.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kPortfolioItems = 100'000;
constexpr int kPastedItems = 10'000;
constexpr int kItemQuotations = 20;

struct PasteScene {
    benchsupport::BenchHost host;
    CWPapierDoc portfolio{&host};
    std::unique_ptr<QMimeData> copied;
    std::filesystem::path file;

    PasteScene() {
        std::mt19937 rng(37);
        std::vector<ItemPos> selection;
        for (int i = 0; i < kPortfolioItems; ++i) {
            const ItemPos pos = portfolio.AddItem(benchsupport::itemWithHistory(i, kItemQuotations, rng));
            if (i < kPastedItems)
                selection.push_back(pos);
        }
        copied = CopyItemsToMimeData(portfolio, selection);

        // The file of the peer: a portfolio of exactly the copied items.
        CWPapierDoc only(&host);
        std::mt19937 same(37);
        for (int i = 0; i < kPastedItems; ++i)
            only.AddItem(benchsupport::itemWithHistory(i, kItemQuotations, same));
        file = *paths::createTempFolder("corvana-bench-paste") / "pasted-items.cvr";
        if (!only.OnSaveDocument(file))
            std::abort();
    }
};

benchsupport::Lazy<PasteScene> scene;

// A portfolio with its list shown, as the program shows it (offscreen).
struct ShownPortfolio {
    CWPapierDoc doc;
    std::unique_ptr<CWPapierLView> view;

    ShownPortfolio(benchsupport::BenchHost& host, bool large) : doc(&host) {
        doc.OnNewDocument();
        if (large) {
            std::mt19937 rng(37);
            std::vector<std::unique_ptr<CWPapier>> items;
            for (int i = 0; i < kPortfolioItems; ++i)
                items.push_back(benchsupport::itemWithHistory(i, kItemQuotations, rng));
            doc.AddItems(std::move(items));
        }
        view = std::make_unique<CWPapierLView>();
        view->attachDocument(&doc);
        view->resize(1300, 800);
        view->show();
        view->OnInitialUpdate();
        view->flush();
        QApplication::processEvents();
    }
    ~ShownPortfolio() { view.reset(); }

    // The user's Paste of what the clipboard holds: the items added, the list brought up to date
    // with the last pasted item selected and scrolled to, and the event-loop turn that shows it.
    void paste() {
        view->OnEditPaste();
        QApplication::processEvents();
    }
    // The items after the first `kept` of the document's list: those a paste appended.
    std::vector<ItemPos> itemsAfter(int kept) const {
        std::vector<ItemPos> after;
        int index = 0;
        for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos; ++index) {
            const ItemPos at = pos;
            doc.GetNextItem(pos);
            if (index >= kept)
                after.push_back(at);
        }
        return after;
    }
    void remove(const std::vector<ItemPos>& pasted) {
        std::vector<CWPapier*> items;
        for (ItemPos pos : pasted)
            items.push_back(doc.GetItem(pos));
        doc.DeleteItems(items);
        view->flush();
        QApplication::processEvents();
    }
};

struct ListScenes {
    std::unique_ptr<ShownPortfolio> large;
    std::unique_ptr<ShownPortfolio> empty;
    ListScenes() {
        large = std::make_unique<ShownPortfolio>(scene().host, true);
        empty = std::make_unique<ShownPortfolio>(scene().host, false);
    }
};

benchsupport::Lazy<ListScenes> lists;

// A copy of `data` for the clipboard, which takes what it is given.
QMimeData* copyOf(const QMimeData& data) {
    auto* copy = new QMimeData;
    for (const QString& format : data.formats())
        copy->setData(format, data.data(format));
    return copy;
}

void pasteWithList(benchmark::State& state, ShownPortfolio& p) {
    PasteScene& s = scene();
    for (auto _ : state) {
        state.PauseTiming();
        QGuiApplication::clipboard()->setMimeData(copyOf(*s.copied));
        const int before = p.doc.GetItemCount();
        state.ResumeTiming();
        p.paste();
        state.PauseTiming();
        const std::vector<ItemPos> pasted = p.itemsAfter(before);
        if (pasted.size() != std::size_t(kPastedItems) || p.view->model().rowCount() != p.doc.GetItemCount() ||
            p.view->model().itemAt(p.view->GetListCtrl().currentIndex().row()) != pasted.back())
            state.SkipWithError("paste failed");
        p.remove(pasted);
        state.ResumeTiming();
    }
}

void BM_PasteIntoLargePortfolioWithList(benchmark::State& state) {
    pasteWithList(state, *lists().large);
}

void BM_PasteIntoEmptyPortfolioWithList(benchmark::State& state) {
    pasteWithList(state, *lists().empty);
}

void BM_PasteIntoLargePortfolio(benchmark::State& state) {
    PasteScene& s = scene();
    for (auto _ : state) {
        const ItemPasteResult r = PasteItemsFromMimeData(s.portfolio, s.copied.get());
        state.PauseTiming();
        if (!r.ok || r.pasted.size() != std::size_t(kPastedItems))
            state.SkipWithError("paste failed");
        std::vector<CWPapier*> pasted;
        for (ItemPos pos : r.pasted)
            pasted.push_back(s.portfolio.GetItem(pos));
        s.portfolio.DeleteItems(pasted);
        state.ResumeTiming();
    }
}

void BM_OpenFileOfThoseItems(benchmark::State& state) {
    PasteScene& s = scene();
    CWPapierDoc doc(&s.host);
    for (auto _ : state) {
        state.PauseTiming();
        doc.DeleteContents();
        state.ResumeTiming();
        if (!doc.OnOpenDocument(s.file) || doc.GetItemCount() < kPastedItems)
            state.SkipWithError("open failed");
    }
}

BENCHMARK(BM_PasteIntoLargePortfolioWithList)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7);
BENCHMARK(BM_PasteIntoEmptyPortfolioWithList)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7);
BENCHMARK(BM_PasteIntoLargePortfolio)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7);
BENCHMARK(BM_OpenFileOfThoseItems)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7);

// Keeps every repetition's time, so the ratio of the medians comes with each side's spread.
class SpreadReporter : public benchsupport::RatioReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
                m_runs[run.run_name.str()].push_back(run.GetAdjustedRealTime() / unit);
                m_cpu[run.run_name.str()].push_back(run.GetAdjustedCPUTime() / unit);
            }
        RatioReporter::ReportRuns(runs);
    }

    // Real time, then CPU time (which a busy machine inflates less).
    void printRatioWithSpread(const std::string& ours, const std::string& peer, const char* what) const {
        printRatio(m_runs, ours, peer, (std::string(what) + ", real time").c_str());
        printRatio(m_cpu, ours, peer, (std::string(what) + ", CPU time").c_str());
    }

private:
    using Times = std::map<std::string, std::vector<double>>;

    static void printRatio(const Times& times, const std::string& ours, const std::string& peer, const char* what) {
        const auto a = times.find(ours);
        const auto b = times.find(peer);
        if (a == times.end() || b == times.end()) {
            std::printf("  %s: not measured\n", what);
            return;
        }
        const Spread x = spread(a->second);
        const Spread y = spread(b->second);
        std::printf("  %s\n    ours %.1f ms [%.1f .. %.1f], peer %.1f ms [%.1f .. %.1f] (n = %zu / %zu)"
                    "  ->  %.2fx (extremes %.2fx .. %.2fx)\n",
                    what, x.median * 1e3, x.low * 1e3, x.high * 1e3, y.median * 1e3, y.low * 1e3, y.high * 1e3,
                    a->second.size(), b->second.size(), x.median / y.median, x.low / y.high, x.high / y.low);
    }

    struct Spread {
        double median, low, high;
    };
    static Spread spread(std::vector<double> times) {
        std::sort(times.begin(), times.end());
        const std::size_t n = times.size();
        const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
        return {median, times.front(), times.back()};
    }

    Times m_runs;
    Times m_cpu;
};

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchsupport::initializeInterleaved(argc, argv);
    scene();
    SpreadReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nPaste of %d items (%d quotations each) with the list shown, into a portfolio of %d against "
                "into an empty one (medians [lowest .. highest]; goal <= 2x):\n",
                kPastedItems, kItemQuotations, kPortfolioItems);
    reporter.printRatioWithSpread("BM_PasteIntoLargePortfolioWithList/iterations:1/repeats:7",
                                  "BM_PasteIntoEmptyPortfolioWithList/iterations:1/repeats:7",
                                  "paste with the list, large against empty");
    std::printf("\nThe same paste without a list, against opening a file of those items (goal <= 2x):\n");
    reporter.printRatioWithSpread("BM_PasteIntoLargePortfolio/iterations:3/repeats:7",
                                  "BM_OpenFileOfThoseItems/iterations:3/repeats:7", "paste, against open");
    benchmark::Shutdown();
    lists.reset();
    scene.reset();
    return 0;
}
