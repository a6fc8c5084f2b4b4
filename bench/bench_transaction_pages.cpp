// Refilling the Investment page's list with 5,000 transactions -- the running figures computed,
// the rows with their images put into the striped list, the texts of the cells in view formatted
// in the user's locale as the list paints them -- against a bare QTreeWidget of nine columns
// filled with the same texts, formatted beforehand. Both lists are shown, of the same size and
// column widths, laid out and painted. Goal: at most 2x.

#include "BenchSupport.h"
#include "controls/StripedList.h"
#include "dialogs/WPInvestPropPage.h"
#include "dialogs/WPInvestPropPageLogic.h"
#include "framework/PropertySheet.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int kTransactions = 5000;

struct Scene {
    std::vector<CTransaction> transactions;
    CKurs last{OleDate(45000.75), 61.5};
    QList<QStringList> texts; // the peer's rows, formatted once
    PropertySheet sheet{108, QStringLiteral("Properties"), Services()};
    CWPInvestPropPage page{Services()};
    QTreeWidget bare;

    Scene() {
        for (int k = 0; k < kTransactions; ++k) {
            const int kind = k % 10 == 9   ? CTransaction::kSell
                             : k % 10 == 4 ? CTransaction::kDividend
                                           : CTransaction::kBuy;
            transactions.emplace_back(kind, OleDate(40000.0 + k + 0.4), 5.0 + k % 7,
                                      kind == CTransaction::kDividend ? 0.5 : 40.0 + k % 13, 2.0, k % 5 == 0 ? 12 : 0,
                                      false, OleDate(), "bench");
        }
        for (const InvestRow& row : computeInvestRows(transactions, last, OleDate(46000.0)).rows) {
            QStringList cells;
            for (const std::string& cell : investRowTexts(row))
                cells << QString::fromStdString(cell);
            texts << cells;
        }
        page.m_LastQuotation = last;
        page.SetTransactionList(transactions);
        sheet.AddPage(&page);
        sheet.show();
        QCoreApplication::processEvents();
        // The peer shows as many rows and as much of every column as the page's list.
        bare.setColumnCount(9);
        bare.setRootIsDecorated(false);
        bare.setUniformRowHeights(true);
        bare.resize(page.m_ListCtrl->size());
        for (int c = 0; c < 9; ++c)
            bare.setColumnWidth(c, page.m_ListCtrl->columnWidth(c));
        bare.show();
        QCoreApplication::processEvents();
    }
};

benchsupport::Lazy<Scene> scene;

void BM_InvestPageRefill(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        s.page.FillTransactionList();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = s.texts.size();
}

// The figures and the nine texts of every row, with no widget work: what a refill would cost
// before any item if it formatted every cell. The page formats only the cells the list shows.
void BM_InvestRowsAndTexts(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state)
        for (const InvestRow& row : computeInvestRows(s.transactions, s.last, OleDate(46000.0)).rows)
            benchmark::DoNotOptimize(investRowTexts(row));
}

void BM_BareTreeWidgetFill(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        s.bare.clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(s.texts.size());
        for (const QStringList& cells : s.texts)
            items << new QTreeWidgetItem(cells);
        s.bare.addTopLevelItems(items);
        QCoreApplication::processEvents();
    }
}

BENCHMARK(BM_InvestPageRefill)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_InvestRowsAndTexts)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_BareTreeWidgetFill)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    scene();
    std::printf("Investment page: %d transactions\n", kTransactions);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime ratios (medians):\n");
    reporter.printRatio("BM_InvestPageRefill/repeats:9", "BM_BareTreeWidgetFill/repeats:9",
                        "Investment page refill / bare QTreeWidget fill (goal <= 2x)");
    reporter.printRatio("BM_InvestRowsAndTexts/repeats:9", "BM_BareTreeWidgetFill/repeats:9",
                        "figures and every row's texts, no widgets / bare QTreeWidget fill");
    benchmark::Shutdown();
    scene.reset();
    return 0;
}
