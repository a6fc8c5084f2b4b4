// Opening the "Apply formula" dialog on an item of 100,000 quotations -- the dialog built, its
// lists filled and shown -- against a bare QComboBox over a QStringListModel of the same texts,
// formatted beforehand, shown. Goal: at most 2x. For comparison, the same combo told not to
// measure its entries for its width, as the dialog's range lists are.

#include "BenchSupport.h"
#include "dialogs/DlgFormula.h"
#include "dialogs/QuotationDlgLogic.h"
#include "portfolio/WPapierItem.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QStringListModel>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kQuotations = 100'000;

struct Scene {
    CWPapier item;
    QStringList texts; // the peer's entries, formatted once

    Scene() {
        item.m_strName = "Acme";
        for (int day = 0; day < kQuotations; ++day)
            item.AddQuotation(CKurs(OleDate(20000.0 + day + 0.75), 10.0 + (day % 1000) * 0.25), false);
        for (const CKurs& k : item.GetQuotationListCopy())
            texts.push_back(QString::fromStdString(FormulaRangeEntry(k)));
    }
};

// Made on first use; gone before the application object.
benchsupport::Lazy<Scene> scene;

void BM_OpenFormulaDialog(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        CDlgFormula dialog{Services()};
        dialog.m_pItem = &s.item;
        dialog.m_nLast = kQuotations - 1;
        dialog.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(dialog.m_cbLast->currentIndex());
    }
}

void openCombo(const QStringList& texts, bool measureEntries) {
    QComboBox combo;
    if (!measureEntries) {
        combo.setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo.setMinimumContentsLength(34);
    }
    combo.setModel(new QStringListModel(texts, &combo));
    combo.setCurrentIndex(0);
    combo.show();
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(combo.currentIndex());
}

void BM_BareComboOverStringListModel(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state)
        openCombo(s.texts, true);
}

void BM_ComboNotMeasuringItsEntries(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state)
        openCombo(s.texts, false);
}

BENCHMARK(BM_OpenFormulaDialog)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_BareComboOverStringListModel)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_ComboNotMeasuringItsEntries)->Unit(benchmark::kMillisecond)->Repetitions(9);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // The ratio to the bare combo is far below 1, so it is printed with more digits.
    const double ours = reporter.realTime("BM_OpenFormulaDialog/repeats:9");
    std::printf("\nOpening \"Apply formula\" on %d quotations (medians; goal <= 2x):\n", kQuotations);
    std::printf("  %-62s %9.4fx\n", "against a bare combo over a string-list model",
                ours / reporter.realTime("BM_BareComboOverStringListModel/repeats:9"));
    std::printf("  %-62s %9.4fx\n", "against the same combo not measuring its entries",
                ours / reporter.realTime("BM_ComboNotMeasuringItsEntries/repeats:9"));
    benchmark::Shutdown();
    scene.reset();
    return 0;
}
