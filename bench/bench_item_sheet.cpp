// The item property sheet's Quotations page and the item clipboard, each beside a peer:
//  - opening the item property sheet on the Quotations page of an item of 100,000 quotations (the
//    launch: sheet built and filled, list filled and shown) against a bare QTableView over a model
//    of the same texts formatted beforehand, and the page's refill after one delete against
//    resetting that model with one row fewer; goal <= 2x. The bare view shows the cells the page's
//    list shows: the list's size, row height and column widths, and like the list no row numbers;
//  - copying and pasting 100 items of 10,000 quotations each against saving and loading the same
//    items as a portfolio through the same archive code, both in memory (the clipboard never
//    touches the disk, so neither does the peer); goal <= 1.5x.
// Each ratio is printed with both medians and their spread over the repetitions.

#include "BenchSupport.h"
#include "dialogs/ItemSheetIds.h"
#include "dialogs/WPKursPropPage.h"
#include "dialogs/WPPropertiesSheet.h"
#include "framework/PropertySheet.h"
#include "platform/Archive.h"
#include "portfolio/PortfolioArchive.h"
#include "portfolio/WPapierDoc.h"
#include "views/wpapierlviewClipboard.h"

#include <benchmark/benchmark.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QMimeData>
#include <QTableView>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
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

// What of the page's list decides which cells show: its size, row height and column widths.
struct ListLook {
    QSize size;
    int rowHeight = 0;
    std::array<int, 6> widths{};

    static ListLook of(const QTableView& list) {
        ListLook look;
        look.size = list.size();
        look.rowHeight = list.verticalHeader()->defaultSectionSize();
        for (int c = 0; c < 6; ++c)
            look.widths[c] = list.columnWidth(c);
        return look;
    }
    bool empty() const { return size.isEmpty(); }
};

// Shows the sheet, lets it paint, and closes it; keeps the look its quotation list had.
class ShowOnceRunner : public ModalRunner {
public:
    int run(QDialog& dialog) override {
        dialog.show();
        QCoreApplication::processEvents();
        if (const auto* list = dialog.findChild<QTableView*>(Dialog::controlName(IDC_QUOTE_LIST)))
            look = ListLook::of(*list);
        dialog.hide();
        return IDCANCEL;
    }
    ListLook look;
};

Services showingServices(std::shared_ptr<ShowOnceRunner> runner = std::make_shared<ShowOnceRunner>()) {
    Services services;
    services.modal = std::move(runner);
    return services;
}

// The Quotations page alone in a sheet, shown, over the scene's item.
struct RefillPage {
    PropertySheet sheet{IDS_PROPERTIES, QStringLiteral("Properties"), Services()};
    CWPKursPropPage page{Services()};

    RefillPage(CWPapierDoc& doc, ItemPos pos) {
        page.m_pDoc = &doc;
        page.m_posItem = pos;
        sheet.AddPage(&page);
        sheet.show();
        QCoreApplication::processEvents();
    }
};

struct SheetScene {
    benchsupport::BenchHost host;
    CWPapierDoc doc{&host};
    ItemPos pos;
    std::vector<std::array<QString, 6>> texts;
    ListLook look;       // the Quotations page's list as the sheet shows it
    ListLook refillLook; // and as the page shows it alone (RefillPage)

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
        auto runner = std::make_shared<ShowOnceRunner>();
        ShowItemProperties(doc, pos, 3, -1, showingServices(runner));
        look = runner->look;
        refillLook = ListLook::of(*RefillPage(doc, pos).page.list());
    }
};

// The peer's view: bare, over the texts, showing the cells a list of `look` shows. The rows take
// their height before the model comes, as the page's list does.
void showBare(QTableView& view, TextModel& model, const ListLook& look) {
    view.verticalHeader()->hide();
    view.verticalHeader()->setDefaultSectionSize(look.rowHeight);
    view.setModel(&model);
    for (int c = 0; c < 6; ++c)
        view.setColumnWidth(c, look.widths[c]);
    view.resize(look.size);
    view.show();
}

benchsupport::Lazy<SheetScene> sheetScene;

// The whole launch on the Quotations page: sheet built, filled from the item, shown, closed.
void BM_OpenSheetOnQuotations(benchmark::State& state) {
    SheetScene& s = sheetScene();
    const Services services = showingServices();
    for (auto _ : state)
        benchmark::DoNotOptimize(ShowItemProperties(s.doc, s.pos, 3, -1, services));
}

void BM_OpenBareTableView(benchmark::State& state) {
    SheetScene& s = sheetScene();
    if (s.look.empty())
        state.SkipWithError("the sheet showed no list");
    for (auto _ : state) {
        QTableView view;
        TextModel model(s.texts);
        showBare(view, model, s.look);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(model.rowCount());
    }
}

void BM_RefillAfterDelete(benchmark::State& state) {
    SheetScene& s = sheetScene();
    RefillPage r(s.doc, s.pos);
    if (r.page.model()->rowCount() != kQuotations)
        state.SkipWithError("the page shows no list");
    for (auto _ : state) {
        state.PauseTiming();
        const CKurs newest = s.doc.GetQuotationListCopy(s.pos)->back();
        state.ResumeTiming();
        r.page.OnDelete(); // the newest row is selected after each refill
        QCoreApplication::processEvents();
        state.PauseTiming();
        s.doc.AddQuotationToItem(s.pos, newest, false, false);
        r.page.RefreshList();
        state.ResumeTiming();
    }
}

void BM_BareTableResetOneRowFewer(benchmark::State& state) {
    SheetScene& s = sheetScene();
    if (s.refillLook.empty())
        state.SkipWithError("the page showed no list");
    QTableView view;
    TextModel model(s.texts);
    showBare(view, model, s.refillLook);
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

    ClipboardScene() {
        for (int i = 0; i < kItems; ++i)
            positions.push_back(doc.AddItem(makeItem(("Item " + std::to_string(i)).c_str(), kItemQuotations)));
    }
};

benchsupport::Lazy<ClipboardScene> clipScene;

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

// The peer: the portfolio's own save and load (the document's Serialize, the stream of the
// portfolio file) into and out of a buffer in memory.
void BM_SaveLoadPortfolioInMemory(benchmark::State& state) {
    ClipboardScene& s = clipScene();
    for (auto _ : state) {
        Archive out;
        s.doc.Serialize(out);
        benchsupport::BenchHost host;
        CWPapierDoc target(&host);
        try {
            Archive in(out.takeBuffer(), portfolioClassRegistry());
            target.Serialize(in);
        } catch (const ArchiveError& e) {
            state.SkipWithError(e.what());
            break;
        }
        if (target.GetItemCount() < kItems)
            state.SkipWithError("load failed");
    }
}

// Keeps every repetition's time besides the medians, so each ratio comes with its spread.
class SpreadReporter : public benchsupport::RatioReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                m_runs[run.run_name.str()].push_back(run.GetAdjustedRealTime() /
                                                     benchmark::GetTimeUnitMultiplier(run.time_unit));
        RatioReporter::ReportRuns(runs);
    }

    // "what: ratio of the medians; each side's median with its lowest and highest repetition".
    void printRatioWithSpread(const std::string& ours, const std::string& peer, const char* what) const {
        const Spread a = spread(ours);
        const Spread b = spread(peer);
        if (a.n == 0 || b.n == 0 || b.median <= 0) {
            std::printf("  %s: not measured\n", what);
            return;
        }
        std::printf("  %s\n    ours %.2f ms [%.2f .. %.2f], peer %.2f ms [%.2f .. %.2f] (n = %zu / %zu)"
                    "  ->  %.2fx (extremes %.2fx .. %.2fx)\n",
                    what, a.median * 1e3, a.low * 1e3, a.high * 1e3, b.median * 1e3, b.low * 1e3, b.high * 1e3, a.n,
                    b.n, a.median / b.median, a.low / b.high, a.high / b.low);
    }

private:
    struct Spread {
        std::size_t n = 0;
        double median = 0, low = 0, high = 0;
    };
    Spread spread(const std::string& name) const {
        Spread r;
        const auto it = m_runs.find(name);
        if (it == m_runs.end() || it->second.empty())
            return r;
        std::vector<double> t = it->second;
        std::sort(t.begin(), t.end());
        r.n = t.size();
        r.median = t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
        r.low = t.front();
        r.high = t.back();
        return r;
    }

    std::map<std::string, std::vector<double>> m_runs;
};

BENCHMARK(BM_OpenSheetOnQuotations)->Unit(benchmark::kMillisecond)->Repetitions(7);
BENCHMARK(BM_OpenBareTableView)->Unit(benchmark::kMillisecond)->Repetitions(7);
BENCHMARK(BM_RefillAfterDelete)->Unit(benchmark::kMillisecond)->Repetitions(7);
BENCHMARK(BM_BareTableResetOneRowFewer)->Unit(benchmark::kMillisecond)->Repetitions(7);
BENCHMARK(BM_CopyPasteItems)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_SaveLoadPortfolioInMemory)->Unit(benchmark::kMillisecond)->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    SpreadReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nQuotations page, %d quotations (medians [lowest .. highest]; goal <= 2x):\n", kQuotations);
    reporter.printRatioWithSpread("BM_OpenSheetOnQuotations/repeats:7", "BM_OpenBareTableView/repeats:7",
                                  "open the sheet on it, against a bare table view of the texts");
    reporter.printRatioWithSpread("BM_RefillAfterDelete/repeats:7", "BM_BareTableResetOneRowFewer/repeats:7",
                                  "refill after one delete, against resetting that model");
    std::printf("\nItem clipboard, %d items of %d quotations (medians [lowest .. highest]; goal <= 1.5x):\n", kItems,
                kItemQuotations);
    reporter.printRatioWithSpread("BM_CopyPasteItems/repeats:5", "BM_SaveLoadPortfolioInMemory/repeats:5",
                                  "copy and paste, against saving and loading the portfolio in memory");
    benchmark::Shutdown();
    sheetScene.reset();
    clipScene.reset();
    return 0;
}
