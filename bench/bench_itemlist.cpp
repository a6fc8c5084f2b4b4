// The portfolio's item list over 10,000 items of 1,000 quotations each, against a peer that does
// the same work the way one would write it without our view: a QAbstractTableModel over a vector
// of rows under a bare QTreeView, sorted by keys computed once per sort and std::stable_sort.
//  - a click on a column header (sort and the rows shown in their new order, the list repainted),
//    cycling through columns 2, 4, 8 and 12; goal <= 3x;
//  - a full rebuild (every row's texts from the items) followed by sorts by columns 4, 8 and 12;
//    the peer's rows get the same texts (the list's own row function), its model is reset; goal
//    <= 3x;
//  - one repaint of the visible rows; the peer takes the list's size, row height, column widths
//    and hidden columns, so both show the same cells (printed); goal <= 1.5x;
//  - the intake of 500 download results while sorted by "Last Update", against one full rebuild
//    (goal: at most 2x).
// CORVANA_BENCH_ITEMS and CORVANA_BENCH_QUOTES make the portfolio smaller for a quick run.

#include "BenchSupport.h"
#include "PeerRowHeight.h"
#include "framework/ItemTableModel.h"
#include "portfolio/PortfolioText.h"
#include "portfolio/WPapierDoc.h"
#include "views/wpapierlview.h"
#include "views/wpapierlviewRows.h"

#include <benchmark/benchmark.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr int kRepetitions = 9;
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
    int day = 0;    // the day of the intake's next quotations
    int clicks = 0; // header clicks so far

    Portfolio() {
        const int count = fromEnvironment("CORVANA_BENCH_ITEMS", 10000);
        quotes = fromEnvironment("CORVANA_BENCH_QUOTES", 1000);
        doc.OnNewDocument();
        const OleDate first(2020, 1, 1, 18, 0, 0);
        for (int i = 0; i < count; ++i) {
            auto item = std::make_unique<CWPapier>();
            item->m_strName = "Security " + std::to_string(i);
            item->m_strCategory = i % 3 ? "Shares" : "Funds";
            std::vector<CKurs> history;
            history.reserve(static_cast<std::size_t>(quotes));
            for (int q = 0; q < quotes; ++q) {
                CKurs k(OleDate(first.m_dt + q), 10.0 + (i * 7 + q * 13) % 500 / 10.0);
                k.m_dLow = k.m_dClose * 0.98;
                k.m_dHigh = k.m_dClose * 1.02;
                history.push_back(k);
            }
            item->ReplaceQuotationList(std::move(history));
            item->m_dUnits = i % 5;
            // A user-defined value on every item, so column 12 has values to sort.
            item->m_strFormula = "x*2";
            item->m_pFormulaItemX = item.get();
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

    void click(int column) {
        view->OnColumnClick(column);
        QApplication::processEvents();
    }

    void rebuildAndSort() {
        view->m_nSortColumn = kSortColumns[0];
        view->m_bSortReverse = false;
        doc.UpdateAllViews(nullptr, 0);
        view->flush();
        for (const int column : {kSortColumns[1], kSortColumns[2], kSortColumns[3]})
            view->OnColumnClick(column);
        QApplication::processEvents();
    }
};

// Built at first use; gone before the application object (its widgets need it).
benchsupport::Lazy<Portfolio> portfolio;

void BM_ItemListColumnClick(benchmark::State& state) {
    Portfolio& p = portfolio();
    for (auto _ : state)
        p.click(kSortColumns[p.clicks++ % 4]);
}

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

// ---------------------------------------------------------------- the peer

// Rows of texts over the items, sorted by a key per row computed once per sort.
class PeerModel final : public QAbstractTableModel {
public:
    struct Row {
        const CWPapier* item = nullptr;
        std::array<QString, kListColumnCount> texts;
    };

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kListColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return m_rows[static_cast<std::size_t>(index.row())].texts[static_cast<std::size_t>(index.column())];
    }

    // Every row anew from the items, with the texts the list's own row function gives.
    void rebuild(const CWPapierDoc& doc, const ListRowContext& context) {
        beginResetModel();
        m_rows.clear();
        const auto lock = doc.LockList();
        m_rows.reserve(static_cast<std::size_t>(doc.GetItemCount()));
        for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;) {
            const CWPapier* item = doc.GetNextItem(pos);
            if (!item)
                break;
            const ListRow row = buildListRow(*item, context);
            Row& added = m_rows.emplace_back();
            added.item = item;
            for (int c = 0; c < kListColumnCount; ++c)
                added.texts[static_cast<std::size_t>(c)] =
                    QString::fromStdString(row.texts[static_cast<std::size_t>(c)]);
        }
        endResetModel();
    }

    // Ascending by the column's value (then by name), each row's value read once.
    void sortBy(int column, const ListRowContext& context) {
        const OleDate& now = context.now;
        std::vector<double> keys(m_rows.size());
        for (std::size_t i = 0; i < m_rows.size(); ++i) {
            const CWPapier& item = *m_rows[i].item;
            double v = 0.0;
            double low = 0.0;
            double high = 0.0;
            std::int64_t age = 0;
            std::string text;
            switch (column) {
            case LIST_COLUMN_LAST_UPDATE: {
                OleDate date;
                item.GetLastQuotationDate(date);
                v = date.m_dt;
                break;
            }
            case LIST_COLUMN_LOW:
                item.GetMinMaxUntil(now, low, high);
                v = low;
                break;
            case LIST_COLUMN_TIME_FRAME:
                if (!item.GetTimeFrameChangePercent(now, context.timeFrameDays, v, age))
                    v = -1000000.0;
                break;
            default:
                if (!item.GetUserDefinedValue(v, text, ""))
                    v = -1000000.0;
                break;
            }
            keys[i] = v;
        }
        std::vector<std::size_t> order(m_rows.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (keys[a] != keys[b])
                return keys[a] < keys[b];
            return compareNoCase(m_rows[a].item->m_strName, m_rows[b].item->m_strName) < 0;
        });

        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::vector<int> newRow(m_rows.size());
        std::vector<Row> sorted;
        sorted.reserve(m_rows.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            newRow[order[i]] = static_cast<int>(i);
            sorted.push_back(std::move(m_rows[order[i]]));
        }
        m_rows = std::move(sorted);
        // The selection and the current row follow their rows.
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after << this->index(newRow[static_cast<std::size_t>(index.row())], index.column());
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

private:
    std::vector<Row> m_rows;
};

using benchsupport::RowHeight;

// What of the list decides which cells show: its size, row height and the columns' widths, order
// and hidden state.
struct ListLook {
    QSize size;
    int rowHeight = 0;
    std::array<int, kListColumnCount> widths{};
    std::array<bool, kListColumnCount> hidden{};
    std::array<int, kListColumnCount> logicalAt{};

    static ListLook of(const QTreeView& list) {
        ListLook look;
        look.size = list.size();
        look.rowHeight = list.model()->rowCount() ? list.visualRect(list.model()->index(0, 0)).height() : 0;
        for (int c = 0; c < kListColumnCount; ++c) {
            look.widths[static_cast<std::size_t>(c)] = list.header()->sectionSize(c);
            look.hidden[static_cast<std::size_t>(c)] = list.header()->isSectionHidden(c);
            look.logicalAt[static_cast<std::size_t>(c)] = list.header()->logicalIndex(c);
        }
        return look;
    }
};

// The cells a tree view shows in its viewport: rows x columns, partly shown ones included.
QSize visibleCells(const QTreeView& view) {
    const QRect area = view.viewport()->rect();
    int rows = 0;
    for (QModelIndex index = view.indexAt(QPoint(0, 0));
         index.isValid() && view.visualRect(index).top() < area.bottom(); index = view.indexBelow(index))
        ++rows;
    int columns = 0;
    for (int c = 0; c < view.header()->count(); ++c) {
        const int logical = view.header()->logicalIndex(c);
        const int x = view.header()->sectionViewportPosition(logical);
        if (!view.header()->isSectionHidden(logical) && view.header()->sectionSize(logical) > 0 && x < area.right() &&
            x + view.header()->sectionSize(logical) > 0)
            ++columns;
    }
    return {columns, rows};
}

struct Peer {
    PeerModel model;
    QTreeView view;
    int clicks = 0;

    Peer() {
        Portfolio& p = portfolio();
        const ListLook look = ListLook::of(p.view->GetListCtrl());
        view.setRootIsDecorated(false);
        view.setUniformRowHeights(true);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.setItemDelegate(new RowHeight(look.rowHeight, &view));
        view.setModel(&model);
        view.header()->setStretchLastSection(false);
        view.header()->setMinimumSectionSize(0);
        for (int c = 0; c < kListColumnCount; ++c) {
            view.header()->resizeSection(c, look.widths[static_cast<std::size_t>(c)]);
            view.header()->setSectionHidden(c, look.hidden[static_cast<std::size_t>(c)]);
        }
        for (int visual = 0; visual < kListColumnCount; ++visual) {
            const int from = view.header()->visualIndex(look.logicalAt[static_cast<std::size_t>(visual)]);
            if (from != visual)
                view.header()->moveSection(from, visual);
        }
        view.resize(look.size);
        view.show();
        model.rebuild(p.doc, context());
        view.setCurrentIndex(model.index(0, 0));
        QApplication::processEvents();
    }
    static ListRowContext context() { return listRowContext(ListViewOptions{}, OleDate::GetCurrentTime()); }

    void click(int column) {
        model.sortBy(column, context());
        QApplication::processEvents();
    }
    void rebuildAndSort() {
        const ListRowContext now = context();
        model.rebuild(portfolio().doc, now);
        for (const int column : {kSortColumns[1], kSortColumns[2], kSortColumns[3]})
            model.sortBy(column, now);
        QApplication::processEvents();
    }
};

benchsupport::Lazy<Peer> peer;

void BM_TableModelColumnClick(benchmark::State& state) {
    Peer& p = peer();
    for (auto _ : state)
        p.click(kSortColumns[p.clicks++ % 4]);
}

void BM_TableModelRebuildAndSort(benchmark::State& state) {
    Peer& p = peer();
    for (auto _ : state)
        p.rebuildAndSort();
}

void BM_TableModelRepaint(benchmark::State& state) {
    Peer& p = peer();
    for (auto _ : state) {
        const QPixmap pixmap = p.view.viewport()->grab();
        benchmark::DoNotOptimize(pixmap.cacheKey());
    }
}

#define ITEM_BENCHMARK(name)                                                                                           \
    BENCHMARK(name)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)
ITEM_BENCHMARK(BM_ItemListColumnClick);
ITEM_BENCHMARK(BM_TableModelColumnClick);
ITEM_BENCHMARK(BM_ItemListRebuildAndSort);
ITEM_BENCHMARK(BM_TableModelRebuildAndSort);
ITEM_BENCHMARK(BM_ItemListRepaint);
ITEM_BENCHMARK(BM_TableModelRepaint);
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
    std::printf("\nItem list against a QAbstractTableModel over a vector, keys computed once (median real time):\n");
    reporter.printRatio(median("BM_ItemListColumnClick"), median("BM_TableModelColumnClick"),
                        "a click on a column header (goal <= 3x)");
    reporter.printRatio(median("BM_ItemListRebuildAndSort"), median("BM_TableModelRebuildAndSort"),
                        "full rebuild and sorts by 4, 8, 12 (goal <= 3x)");
    reporter.printRatio(median("BM_ItemListRepaint"), median("BM_TableModelRepaint"),
                        "repaint of the visible rows (goal <= 1.5x)");
    reporter.printRatio(median("BM_ItemListIntake"), median("BM_ItemListFullRebuild"),
                        "intake of 500 results against one full rebuild (goal <= 2x)");
    if (!std::isnan(reporter.realTime(median("BM_TableModelRepaint")))) {
        const QSize ours = visibleCells(portfolio().view->GetListCtrl());
        const QSize theirs = visibleCells(peer().view);
        std::printf("  visible cells (columns x rows): list %d x %d, peer %d x %d\n", ours.width(), ours.height(),
                    theirs.width(), theirs.height());
    }
    std::fflush(stdout);
    benchmark::Shutdown();
    peer.reset();
    portfolio.reset();
    return 0;
}
