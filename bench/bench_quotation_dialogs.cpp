// Opening the "Apply formula" dialog on an item of 100,000 quotations -- the dialog built, its
// lists filled from the item and shown -- against a bare QDialog holding the same controls: two
// range lists over one list model of the item's quotations (copied from the item, each entry's
// text made when a list asks for it, as a good model of 100,000 rows does), the editable formula
// list with its presets, the three labels and the note, OK and Cancel, in the same layouts.
// Goal: at most 2x.

#include "BenchSupport.h"
#include "dialogs/DlgFormula.h"
#include "dialogs/QuotationDlgLogic.h"
#include "portfolio/WPapierItem.h"

#include <benchmark/benchmark.h>

#include <QAbstractListModel>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int kQuotations = 100'000;

struct Scene {
    CWPapier item;

    Scene() {
        item.m_strName = "Acme";
        for (int day = 0; day < kQuotations; ++day)
            item.AddQuotation(CKurs(OleDate(20000.0 + day + 0.75), 10.0 + (day % 1000) * 0.25), false);
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

// ---------------------------------------------------------------- the peer

class QuotationEntries final : public QAbstractListModel {
public:
    QuotationEntries(std::vector<CKurs> quotations, QObject* parent)
        : QAbstractListModel(parent), m_quotations(std::move(quotations)) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_quotations.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return QString::fromStdString(FormulaRangeEntry(m_quotations[static_cast<std::size_t>(index.row())]));
    }

private:
    std::vector<CKurs> m_quotations;
};

QComboBox* rangeList(QuotationEntries* entries) {
    auto* list = new QComboBox;
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(34);
    if (auto* view = qobject_cast<QListView*>(list->view()))
        view->setUniformItemSizes(true);
    list->setModel(entries);
    return list;
}

void BM_OpenBareDialog(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        QDialog dialog;
        dialog.setWindowTitle(QString::fromStdString(FormulaCaption(s.item.m_strName)));
        auto* entries = new QuotationEntries(s.item.GetQuotationListCopy(), &dialog);
        auto* first = rangeList(entries);
        auto* last = rangeList(entries);
        auto* formula = new QComboBox;
        formula->setEditable(true);
        formula->setInsertPolicy(QComboBox::NoInsert);
        for (const char* preset : kFormulaPresets)
            formula->addItem(QString::fromLatin1(preset));
        auto* grid = new QGridLayout;
        grid->addWidget(new QLabel(QStringLiteral("Apply formula starting at:")), 0, 0);
        grid->addWidget(first, 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("until:")), 1, 0);
        grid->addWidget(last, 1, 1);
        grid->addWidget(new QLabel(QStringLiteral("f(x) =")), 2, 0);
        grid->addWidget(formula, 2, 1);
        grid->setColumnStretch(1, 1);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        auto* ok = new QPushButton(QStringLiteral("OK"));
        ok->setDefault(true);
        buttons->addWidget(ok);
        buttons->addWidget(new QPushButton(QStringLiteral("Cancel")));
        auto* layout = new QVBoxLayout(&dialog);
        layout->addLayout(grid);
        layout->addWidget(new QLabel(QStringLiteral(
            "Note: use e.g. f(x) = x/2 for a stock split, or\nf(x) = 1/x for inverting currency exchange rates.")));
        layout->addLayout(buttons);
        first->setCurrentIndex(0);
        last->setCurrentIndex(kQuotations - 1);
        formula->setCurrentIndex(0);
        dialog.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(last->currentIndex());
    }
}

BENCHMARK(BM_OpenFormulaDialog)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_OpenBareDialog)->Unit(benchmark::kMillisecond)->Repetitions(9);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nOpening \"Apply formula\" on %d quotations (medians):\n", kQuotations);
    reporter.printRatio("BM_OpenFormulaDialog/repeats:9", "BM_OpenBareDialog/repeats:9",
                        "against a bare dialog with the same controls (goal <= 2x)");
    benchmark::Shutdown();
    scene.reset();
    return 0;
}
