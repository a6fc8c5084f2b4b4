// The portfolio's item list over 10,000 items of 1,000 quotations each: a full rebuild followed by
// sorts by columns 2, 4, 8 and 12, and one repaint of the visible rows; the peer is a bare QTreeView
// over a QStandardItemModel holding the same 13 pre-formatted texts (filled, sorted by the same
// columns, repainted). Goals: at most 3x for rebuild and sorts, 1.5x for the repaint. Then the
// intake of 500 download results while sorted by "Last Update", against one full rebuild (goal: at
// most 2x). CORVANA_BENCH_ITEMS and CORVANA_BENCH_QUOTES make the portfolio smaller for a quick run.

#include "BenchSupport.h"
#include "framework/ItemTableModel.h"
#include "portfolio/WPapierDoc.h"
#include "views/wpapierlview.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRepetitions = 5;
constexpr int kSortColumns[] = {LIST_COLUMN_LAST_UPDATE, LIST_COLUMN_LOW, LIST_COLUMN_TIME_FRAME,
                                LIST_COLUMN_USER_VALUE};
constexpr int kResults = 500;

int fromEnvironment(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// The portfolio and its list, built once.
struct Portfolio {
    benchsupport::BenchHost host;
    CWPapierDoc doc{&host};
    std::vector<ItemPos> items;
    std::unique_ptr<CWPapierLView> view;
    int quotes = 0;
    int day = 0; // the day of the intake's next quotations

    Portfolio() {
        const int count = fromEnvironment("CORVANA_BENCH_ITEMS", 10000);
        quotes = fromEnvironment("CORVANA_BENCH_QUOTES", 1000);
        doc.OnNewDocument();
        const OleDate first(2020, 1, 1, 18, 0, 0);
        for (int i = 0; i < count; ++i) {
            auto item = std::make_unique<CWPapier>();
            item->m_strName = "Security " + std::to_string(i);
            item->m_strCategory = i % 3 ? "Shares" : "Funds";
            for (int q = 0; q < quotes; ++q) {
                CKurs k(OleDate(first.m_dt + q), 10.0 + (i * 7 + q * 13) % 500 / 10.0);
                k.m_dLow = k.m_dClose * 0.98;
                k.m_dHigh = k.m_dClose * 1.02;
                item->AddQuotation(k, false);
            }
            item->m_dUnits = i % 5;
            items.push_back(doc.AddItem(std::move(item)));
        }
        view = std::make_unique<CWPapierLView>();
        view->attachDocument(&doc);
        view->resize(1300, 800);
        view->show();
        view->OnInitialUpdate();
        view->flush();
        QApplication::processEvents();
    }

    void rebuildAndSort() {
        view->m_nSortColumn = kSortColumns[0];
        view->m_bSortReverse = false;
        doc.UpdateAllViews(nullptr, 0);
        view->flush();
        for (const int column : {kSortColumns[1], kSortColumns[2], kSortColumns[3]})
            view->OnColumnClick(column);
    }
};

// Built at first use; gone before the application object (its widgets need it).
benchsupport::Lazy<Portfolio> portfolio;

void BM_ItemListRebuildAndSort(benchmark::State& state) {
    Portfolio& p = portfolio();
    for (auto _ : state)
        p.rebuildAndSort();
}

void BM_ItemListRepaint(benchmark::State& state) {
    Portfolio& p = portfolio();
    for (auto _ : state) {
        const QPixmap pixmap = p.view->GetListCtrl().viewport()->grab();
        benchmark::DoNotOptimize(pixmap.cacheKey());
    }
}

// One full rebuild while sorted by "Last Update" (the intake's yardstick).
void BM_ItemListFullRebuild(benchmark::State& state) {
    Portfolio& p = portfolio();
    p.view->m_nSortColumn = LIST_COLUMN_LAST_UPDATE;
    for (auto _ : state) {
        p.doc.UpdateAllViews(nullptr, 0);
        p.view->flush();
    }
}

// 500 items get a newer quotation, each reported on its own, then the list shows them.
void BM_ItemListIntake(benchmark::State& state) {
    Portfolio& p = portfolio();
    p.view->m_nSortColumn = LIST_COLUMN_LAST_UPDATE;
    for (auto _ : state) {
        state.PauseTiming();
        const OleDate date(OleDate(2020, 1, 1, 19, 0, 0).m_dt + p.quotes + p.day++);
        for (int i = 0; i < kResults; ++i)
            p.doc.GetItem(p.items[static_cast<std::size_t>(i * 7) % p.items.size()])
                ->AddQuotation(CKurs(date, 42.0), false);
        state.ResumeTiming();
        for (int i = 0; i < kResults; ++i)
            p.doc.UpdateAllViews(nullptr, p.items[static_cast<std::size_t>(i * 7) % p.items.size()]);
        p.view->flush();
    }
}

// The peer: the same texts in a standard model under a bare tree view.
struct Peer {
    std::vector<std::vector<QString>> texts;
    QStandardItemModel model;
    QTreeView view;

    Peer() {
        Portfolio& p = portfolio();
        const ItemTableModel& rows = p.view->model();
        for (int row = 0; row < rows.rowCount(); ++row) {
            std::vector<QString> line;
            for (int column = 0; column < kListColumnCount; ++column)
                line.push_back(rows.index(row, column).data().toString());
            texts.push_back(std::move(line));
        }
        view.setRootIsDecorated(false);
        view.setUniformRowHeights(true);
        view.setModel(&model);
        view.resize(1300, 800);
        view.show();
        fill();
        QApplication::processEvents();
    }
    void fill() {
        model.clear();
        model.setColumnCount(kListColumnCount);
        for (const auto& line : texts) {
            QList<QStandardItem*> items;
            for (const QString& text : line)
                items << new QStandardItem(text);
            model.appendRow(items);
        }
    }
};

benchsupport::Lazy<Peer> peer;

void BM_StandardModelFillAndSort(benchmark::State& state) {
    Peer& p = peer();
    for (auto _ : state) {
        p.fill();
        for (const int column : kSortColumns)
            p.view.sortByColumn(column, Qt::AscendingOrder);
    }
}

void BM_StandardModelRepaint(benchmark::State& state) {
    Peer& p = peer();
    for (auto _ : state) {
        const QPixmap pixmap = p.view.viewport()->grab();
        benchmark::DoNotOptimize(pixmap.cacheKey());
    }
}

#define ITEM_BENCHMARK(name)                                                                                           \
    BENCHMARK(name)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)
ITEM_BENCHMARK(BM_ItemListRebuildAndSort);
ITEM_BENCHMARK(BM_StandardModelFillAndSort);
ITEM_BENCHMARK(BM_ItemListRepaint);
ITEM_BENCHMARK(BM_StandardModelRepaint);
ITEM_BENCHMARK(BM_ItemListFullRebuild);
ITEM_BENCHMARK(BM_ItemListIntake);

std::string median(const char* benchmark) {
    return std::string(benchmark) + "/repeats:" + std::to_string(kRepetitions);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nItem list against a bare QTreeView over a QStandardItemModel (median real time):\n");
    reporter.printRatio(median("BM_ItemListRebuildAndSort"), median("BM_StandardModelFillAndSort"),
                        "rebuild and sort by 2, 4, 8, 12 (goal <= 3x)");
    reporter.printRatio(median("BM_ItemListRepaint"), median("BM_StandardModelRepaint"),
                        "repaint of the visible rows (goal <= 1.5x)");
    reporter.printRatio(median("BM_ItemListIntake"), median("BM_ItemListFullRebuild"),
                        "intake of 500 results against one full rebuild (goal <= 2x)");
    std::fflush(stdout);
    benchmark::Shutdown();
    peer.reset();
    portfolio.reset();
    return 0;
}
