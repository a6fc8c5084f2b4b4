// A burst of download results in the list view: 500 results, each telling the view about its item
// and the investment history as the document does, arriving in one turn of the event loop, against
// one full refresh of the same view over the same 500 items. The view gathers the notices and
// refreshes once, so the burst should cost about one refresh (goal: at most 1.2x). For comparison,
// the same results each refreshed in a turn of their own.

#include "BenchSupport.h"
#include "portfolio/WPapierDoc.h"
#include "views/wpapierlview.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int kItems = 500;

struct Scene {
    benchsupport::BenchHost host;
    CWPapierDoc doc{&host};
    std::vector<ItemPos> items;
    ItemPos history = kNoItemPos;
    CWPapierLView view;

    Scene() {
        doc.OnNewDocument();
        history = doc.FindInvestmentHistoryItem();
        for (int i = 0; i < kItems; ++i) {
            auto item = std::make_unique<CWPapier>();
            item->m_strName = "Item " + std::to_string(i);
            item->m_strSymbol = "S" + std::to_string(i);
            for (int day = 0; day < 20; ++day)
                item->AddQuotation(CKurs(OleDate(45000.0 + day + 0.75), 10.0 + i + day * 0.1), false);
            items.push_back(doc.AddItem(std::move(item)));
        }
        view.attachDocument(&doc);
        view.OnInitialUpdate();
        view.flush();
        // Shown, so each turn paints what changed as the program's window does.
        view.resize(900, 600);
        view.show();
        QCoreApplication::processEvents();
    }
};

// Made on first use; gone before the application object.
benchsupport::Lazy<Scene> scene;

// What the document tells its views for one stored quotation: the item, then the history.
void tellResult(Scene& s, ItemPos pos) {
    s.view.OnUpdate(nullptr, pos);
    s.view.OnUpdate(nullptr, s.history);
}

void BM_BurstOfResultsInOneTurn(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        for (const ItemPos pos : s.items)
            tellResult(s, pos);
        QCoreApplication::processEvents();
    }
    benchmark::DoNotOptimize(s.view.flushPending());
}

void BM_OneFullRefresh(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        s.view.OnUpdate(nullptr, 0);
        QCoreApplication::processEvents();
    }
    benchmark::DoNotOptimize(s.view.flushPending());
}

void BM_EachResultInATurnOfItsOwn(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        for (const ItemPos pos : s.items) {
            tellResult(s, pos);
            QCoreApplication::processEvents();
        }
    }
}

BENCHMARK(BM_BurstOfResultsInOneTurn)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_OneFullRefresh)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_EachResultInATurnOfItsOwn)->Unit(benchmark::kMillisecond)->Repetitions(3);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%d download results against one full refresh of the list view (medians; goal <= 1.2x):\n", kItems);
    reporter.printRatio("BM_BurstOfResultsInOneTurn/repeats:9", "BM_OneFullRefresh/repeats:9",
                        "results arriving in one turn");
    reporter.printRatio("BM_EachResultInATurnOfItsOwn/repeats:3", "BM_OneFullRefresh/repeats:9",
                        "each result in a turn of its own");
    benchmark::Shutdown();
    scene.reset();
    return 0;
}
