// Download results reaching the list view, each telling the view about its item and the
// investment history as the document does, over 500 items:
//  - the friendly case: 500 results arriving in one turn of the event loop, against one full
//    refresh of the same view over the same items. The view gathers the notices and refreshes
//    once, so the burst should cost about one refresh (goal: at most 1.2x);
//  - the realistic case: results arrive one by one as the downloads end, each in a turn of its
//    own, each with a newer quotation stored on its item, and the list shows it before the next
//    one comes. The peer is a bare QTreeView over a QAbstractTableModel of the same texts (the
//    list's own row function) and the list's size, row height and column widths, which takes the
//    same quotations, refreshes the item's and the history's rows and the total investment of the
//    status bar in each turn (goal: at most 2x).

#include "BenchSupport.h"
#include "PeerRowHeight.h"
#include "portfolio/WPapierDoc.h"
#include "views/wpapierlview.h"
#include "views/wpapierlviewRows.h"
#include "views/wpapierlviewSelection.h"

#include <benchmark/benchmark.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QTreeView>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kItems = 500;

struct Scene {
    benchsupport::BenchHost host;
    CWPapierDoc doc{&host};
    std::vector<ItemPos> items;
    ItemPos history = kNoItemPos;
    CWPapierLView view;
    int day = 0; // the day of the next results' quotations

    Scene() {
        doc.OnNewDocument();
        history = doc.FindInvestmentHistoryItem();
        for (int i = 0; i < kItems; ++i) {
            auto item = std::make_unique<CWPapier>();
            item->m_strName = "Item " + std::to_string(i);
            item->m_strSymbol = "S" + std::to_string(i);
            for (int d = 0; d < 20; ++d)
                item->AddQuotation(CKurs(OleDate(45000.0 + d + 0.75), 10.0 + i + d * 0.1), false);
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

    // The quotation a download result stores on item `i`: a newer day, a new close.
    void storeResult(int i, int round) {
        doc.GetItem(items[static_cast<std::size_t>(i)])
            ->AddQuotation(CKurs(OleDate(45020.0 + round + 0.75), 10.0 + i + (round % 7) * 0.3), false);
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

void BM_ResultsOneATurn(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        const int round = s.day++;
        for (int i = 0; i < kItems; ++i) {
            s.storeResult(i, round);
            tellResult(s, s.items[static_cast<std::size_t>(i)]);
            QCoreApplication::processEvents();
        }
    }
}

// ---------------------------------------------------------------- the peer

class PeerModel final : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kListColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return m_rows[static_cast<std::size_t>(index.row())].texts[static_cast<std::size_t>(index.column())];
    }

    // One row per item, in the document's order.
    void fill(const CWPapierDoc& doc) {
        beginResetModel();
        const auto lock = doc.LockList();
        for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;) {
            const ItemPos at = pos;
            const CWPapier* item = doc.GetNextItem(pos);
            if (!item)
                break;
            m_rowOf[at] = static_cast<int>(m_rows.size());
            m_rows.push_back({item, textsOf(*item)});
        }
        endResetModel();
    }

    // The item's row anew; its cells reported when a text changed.
    void refresh(ItemPos pos) {
        const int row = m_rowOf.at(pos);
        Row& kept = m_rows[static_cast<std::size_t>(row)];
        auto texts = textsOf(*kept.item);
        if (texts != kept.texts) {
            kept.texts = std::move(texts);
            emit dataChanged(index(row, 0), index(row, kListColumnCount - 1));
        }
    }

private:
    using Texts = std::array<QString, kListColumnCount>;
    struct Row {
        const CWPapier* item;
        Texts texts;
    };
    static Texts textsOf(const CWPapier& item) {
        const ListRow row = buildListRow(item, listRowContext(ListViewOptions{}, OleDate::GetCurrentTime()));
        Texts texts;
        for (std::size_t c = 0; c < texts.size(); ++c)
            texts[c] = QString::fromStdString(row.texts[c]);
        return texts;
    }

    std::vector<Row> m_rows;
    std::unordered_map<ItemPos, int> m_rowOf;
};

using benchsupport::RowHeight;

struct Peer {
    PeerModel model;
    QTreeView view;
    std::string total; // the status bar's text

    // The total investment after each update, as the list shows it.
    void showTotal(CWPapierDoc& doc) { total = totalInvestmentText(GetInvestmentTotals(doc), true); }

    Peer() {
        Scene& s = scene();
        const QTreeView& list = s.view.GetListCtrl();
        view.setRootIsDecorated(false);
        view.setUniformRowHeights(true);
        view.setItemDelegate(new RowHeight(list.visualRect(list.model()->index(0, 0)).height(), &view));
        model.fill(s.doc);
        view.setModel(&model);
        view.header()->setStretchLastSection(false);
        view.header()->setMinimumSectionSize(0);
        for (int c = 0; c < kListColumnCount; ++c) {
            view.header()->resizeSection(c, list.header()->sectionSize(c));
            view.header()->setSectionHidden(c, list.header()->isSectionHidden(c));
        }
        view.resize(list.size());
        view.show();
        QCoreApplication::processEvents();
    }
};

benchsupport::Lazy<Peer> peer;

void BM_TableModelResultsOneATurn(benchmark::State& state) {
    Scene& s = scene();
    Peer& p = peer();
    for (auto _ : state) {
        const int round = s.day++;
        for (int i = 0; i < kItems; ++i) {
            s.storeResult(i, round);
            p.model.refresh(s.items[static_cast<std::size_t>(i)]);
            p.model.refresh(s.history);
            p.showTotal(s.doc);
            QCoreApplication::processEvents();
        }
    }
}

BENCHMARK(BM_BurstOfResultsInOneTurn)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_OneFullRefresh)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_ResultsOneATurn)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_TableModelResultsOneATurn)->Unit(benchmark::kMillisecond)->Repetitions(9);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%d download results reaching the list view (medians):\n", kItems);
    reporter.printRatio("BM_BurstOfResultsInOneTurn/repeats:9", "BM_OneFullRefresh/repeats:9",
                        "all in one turn, against one full refresh (goal <= 1.2x)");
    reporter.printRatio("BM_ResultsOneATurn/repeats:9", "BM_TableModelResultsOneATurn/repeats:9",
                        "one a turn, against a bare table model (goal <= 2x)");
    benchmark::Shutdown();
    peer.reset();
    scene.reset();
    return 0;
}
