// The item property sheet's Quotations page and the item clipboard, each beside a peer:
//  - opening the item property sheet on the Quotations page of an item of 100,000 quotations (the
//    launch: sheet built and filled, list filled and shown) against a bare QTableView over a model
//    of the same texts formatted beforehand, and the page's refill after one delete against
//    resetting that model with one row fewer; goal <= 2x;
//  - copying and pasting 100 items of 10,000 quotations each against saving and loading the same
//    items as a portfolio file; goal <= 1.5x.

#include "BenchSupport.h"
#include "dialogs/ItemSheetIds.h"
#include "dialogs/WPKursPropPage.h"
#include "dialogs/WPPropertiesSheet.h"
#include "framework/PropertySheet.h"
#include "portfolio/WPapierDoc.h"
#include "views/wpapierlviewClipboard.h"

#include <benchmark/benchmark.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QMimeData>
#include <QTableView>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

constexpr int kQuotations = 100'000;
constexpr int kItems = 100;
constexpr int kItemQuotations = 10'000;

std::unique_ptr<CWPapier> makeItem(const char* name, int quotations) {
    auto item = std::make_unique<CWPapier>();
    item->m_strName = name;
    std::vector<CKurs> list;
    list.reserve(quotations);
    for (int day = 0; day < quotations; ++day) {
        CKurs k(OleDate(20000.0 + day + 0.75), 10.0 + (day % 1000) * 0.25);
        k.m_dOpen = k.m_dClose - 0.5;
        k.m_dVolume = 1000.0 + day;
        list.push_back(k);
    }
    item->ReplaceQuotationList(std::move(list));
    return item;
}

// The peer: the same six texts per row, formatted once, shown from `first` on.
class TextModel : public QAbstractTableModel {
public:
    explicit TextModel(const std::vector<std::array<QString, 6>>& texts) : m_texts(texts) {}
    void reset(int first) {
        beginResetModel();
        m_first = first;
        endResetModel();
    }
    int rowCount(const QModelIndex& = {}) const override { return int(m_texts.size()) - m_first; }
    int columnCount(const QModelIndex& = {}) const override { return 6; }
    QVariant data(const QModelIndex& index, int role) const override {
        return role == Qt::DisplayRole ? QVariant(m_texts[m_first + index.row()][index.column()]) : QVariant();
    }

private:
    const std::vector<std::array<QString, 6>>& m_texts;
    int m_first = 0;
};

// Shows the sheet, lets it paint, and closes it.
class ShowOnceRunner : public ModalRunner {
public:
    int run(QDialog& dialog) override {
        dialog.show();
        QCoreApplication::processEvents();
        dialog.hide();
        return IDCANCEL;
    }
};

Services showingServices() {
    Services services;
    services.modal = std::make_shared<ShowOnceRunner>();
    return services;
}

struct SheetScene {
    benchsupport::BenchHost host;
    CWPapierDoc doc{&host};
    ItemPos pos;
    std::vector<std::array<QString, 6>> texts;

    SheetScene() {
        pos = doc.AddItem(makeItem("Acme", kQuotations));
        const OleDate now = OleDate::GetCurrentTime();
        const std::vector<CKurs> list = *doc.GetQuotationListCopy(pos);
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            std::array<QString, 6> row;
            for (int c = 0; c < 6; ++c)
                row[c] = QString::fromStdString(QuotationCellText(*it, c, now));
            texts.push_back(row);
        }
    }
};

std::unique_ptr<SheetScene> g_sheet;
SheetScene& sheetScene() {
    if (!g_sheet)
        g_sheet = std::make_unique<SheetScene>();
    return *g_sheet;
}

// The whole launch on the Quotations page: sheet built, filled from the item, shown, closed.
void BM_OpenSheetOnQuotations(benchmark::State& state) {
    SheetScene& s = sheetScene();
    const Services services = showingServices();
    for (auto _ : state)
        benchmark::DoNotOptimize(ShowItemProperties(s.doc, s.pos, 3, -1, services));
}

void BM_OpenBareTableView(benchmark::State& state) {
    SheetScene& s = sheetScene();
    for (auto _ : state) {
        QTableView view;
        TextModel model(s.texts);
        view.setModel(&model);
        view.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(model.rowCount());
    }
}

void BM_RefillAfterDelete(benchmark::State& state) {
    SheetScene& s = sheetScene();
    PropertySheet sheet(IDS_PROPERTIES, QStringLiteral("Properties"), Services());
    CWPKursPropPage page{Services()};
    page.m_pDoc = &s.doc;
    page.m_posItem = s.pos;
    sheet.AddPage(&page);
    sheet.show();
    QCoreApplication::processEvents();
    if (page.model()->rowCount() != kQuotations)
        state.SkipWithError("the page shows no list");
    for (auto _ : state) {
        state.PauseTiming();
        const CKurs newest = s.doc.GetQuotationListCopy(s.pos)->back();
        state.ResumeTiming();
        page.OnDelete(); // the newest row is selected after each refill
        QCoreApplication::processEvents();
        state.PauseTiming();
        s.doc.AddQuotationToItem(s.pos, newest, false, false);
        page.RefreshList();
        state.ResumeTiming();
    }
}

void BM_BareTableResetOneRowFewer(benchmark::State& state) {
    SheetScene& s = sheetScene();
    QTableView view;
    TextModel model(s.texts);
    view.setModel(&model);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        model.reset(1);
        view.selectRow(0);
        QCoreApplication::processEvents();
        state.PauseTiming();
        model.reset(0);
        state.ResumeTiming();
    }
}

struct ClipboardScene {
    benchsupport::BenchHost host;
    CWPapierDoc doc{&host};
    std::vector<ItemPos> positions;
    std::filesystem::path file = std::filesystem::temp_directory_path() / "corvana_bench_items.cvr";

    ClipboardScene() {
        for (int i = 0; i < kItems; ++i)
            positions.push_back(doc.AddItem(makeItem(("Item " + std::to_string(i)).c_str(), kItemQuotations)));
    }
    ~ClipboardScene() { std::filesystem::remove(file); }
};

std::unique_ptr<ClipboardScene> g_clip;
ClipboardScene& clipScene() {
    if (!g_clip)
        g_clip = std::make_unique<ClipboardScene>();
    return *g_clip;
}

void BM_CopyPasteItems(benchmark::State& state) {
    ClipboardScene& s = clipScene();
    for (auto _ : state) {
        std::unique_ptr<QMimeData> data = CopyItemsToMimeData(s.doc, s.positions);
        benchsupport::BenchHost host;
        CWPapierDoc target(&host);
        const ItemPasteResult r = PasteItemsFromMimeData(target, data.get());
        if (!r.ok || r.pasted.size() != std::size_t(kItems))
            state.SkipWithError("paste failed");
    }
}

void BM_SaveLoadPortfolio(benchmark::State& state) {
    ClipboardScene& s = clipScene();
    for (auto _ : state) {
        if (!s.doc.OnSaveDocument(s.file))
            state.SkipWithError("save failed");
        benchsupport::BenchHost host;
        CWPapierDoc target(&host);
        if (!target.OnOpenDocument(s.file))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(target.GetItemCount());
    }
}

BENCHMARK(BM_OpenSheetOnQuotations)->Unit(benchmark::kMillisecond)->Repetitions(7);
BENCHMARK(BM_OpenBareTableView)->Unit(benchmark::kMillisecond)->Repetitions(7);
BENCHMARK(BM_RefillAfterDelete)->Unit(benchmark::kMillisecond)->Repetitions(7);
BENCHMARK(BM_BareTableResetOneRowFewer)->Unit(benchmark::kMillisecond)->Repetitions(7);
BENCHMARK(BM_CopyPasteItems)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_SaveLoadPortfolio)->Unit(benchmark::kMillisecond)->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nQuotations page, %d quotations (medians; goal <= 2x):\n", kQuotations);
    reporter.printRatio("BM_OpenSheetOnQuotations/repeats:7", "BM_OpenBareTableView/repeats:7",
                        "open the sheet on it, against a bare table view of the texts");
    reporter.printRatio("BM_RefillAfterDelete/repeats:7", "BM_BareTableResetOneRowFewer/repeats:7",
                        "refill after one delete, against resetting that model");
    std::printf("\nItem clipboard, %d items of %d quotations (medians; goal <= 1.5x):\n", kItems, kItemQuotations);
    reporter.printRatio("BM_CopyPasteItems/repeats:5", "BM_SaveLoadPortfolio/repeats:5",
                        "copy and paste, against saving and loading a portfolio");
    benchmark::Shutdown();
    g_sheet.reset();
    g_clip.reset();
    return 0;
}
