// Painting of the owner-drawn report list and the striped list, offscreen: one grab() of a viewport
// that shows 40 rows of 13 columns, over 100 and over 100,000 rows. Only the visible rows are
// painted, so the larger list should cost about the same (goal: at most 1.2x). The peers are a
// plain QTreeView with the default delegate over the same model, and a plain QTreeWidget with the
// same items (goal: at most 2x).

#include "BenchSupport.h"
#include "controls/ListViewEx.h"
#include "controls/StripedList.h"
#include "framework/ItemTableModel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kColumns = 13;
constexpr int kVisibleRows = 40;
constexpr int kRepetitions = 7;

// The texts of the item list's kind of row.
QString cellText(int row, int column) {
    switch (column) {
    case 0:
        return QStringLiteral("Security number %1").arg(row);
    case 1:
        return QStringLiteral("Funds");
    case 2:
        return QStringLiteral("Friday   17:%1").arg(row % 60, 2, 10, QLatin1Char('0'));
    case 6:
    case 7:
    case 8:
        return QStringLiteral("%1%2.%3% (12 d)")
            .arg(row % 2 ? '+' : '-')
            .arg(row % 17)
            .arg(row % 100, 2, 10, QLatin1Char('0'));
    default:
        return QStringLiteral("%1,%2.%3")
            .arg(1 + row % 9)
            .arg(row % 1000, 3, 10, QLatin1Char('0'))
            .arg(column * 7 % 100, 2, 10, QLatin1Char('0'));
    }
}

class Rows : public ItemTableModel {
public:
    explicit Rows(int count) : ItemTableModel(kColumns) {
        std::vector<ItemPos> items;
        for (int i = 1; i <= count; ++i)
            items.push_back(static_cast<ItemPos>(i));
        reconcile(items);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return QStringLiteral("Column %1").arg(section);
        return {};
    }

protected:
    std::vector<QString> rowTexts(ItemPos pos) const override {
        std::vector<QString> texts;
        for (int c = 0; c < kColumns; ++c)
            texts.push_back(cellText(static_cast<int>(pos), c));
        return texts;
    }
};

// The item list's kind of answers: a few grey and bold rows, two status colours.
class ItemList : public CListViewEx {
public:
    COLORREF GetItemColor(std::intptr_t item) const override { return RGB(item * 37 % 256, 90, 160); }
    COLORREF GetItemStatusColor(std::intptr_t item) const override {
        return item % 2 ? RGB(0, 120, 0) : RGB(180, 0, 0);
    }
    bool IsItemTypeBold(std::intptr_t item) const override { return item % 10 == 0; }
    bool IsItemTypeDarkBackground(std::intptr_t item) const override { return item % 10 < 2; }
};

// Shows `widget` so that the viewport of `list` holds 40 rows.
void showWithFortyRows(QWidget& widget, QTreeView& list) {
    for (int c = 0; c < kColumns; ++c)
        list.header()->resizeSection(c, c == 0 ? 180 : 90);
    widget.resize(180 + 12 * 90 + 40, 800);
    widget.show();
    QApplication::processEvents();
    const int rowHeight = list.visualRect(list.model()->index(0, 0)).height();
    widget.resize(widget.width(), widget.height() + kVisibleRows * rowHeight - list.viewport()->height());
    QApplication::processEvents();
}

void grabViewport(benchmark::State& state, QTreeView& list) {
    for (auto _ : state) {
        const QPixmap pixmap = list.viewport()->grab();
        benchmark::DoNotOptimize(pixmap.cacheKey());
    }
}

void BM_ListViewEx(benchmark::State& state) {
    Rows rows(static_cast<int>(state.range(0)));
    ItemList view;
    view.GetListCtrl().setModel(&rows);
    view.OnInitialUpdate();
    view.SetShowSelectionAlways(true);
    view.GetListCtrl().selectionModel()->select(rows.index(3, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    showWithFortyRows(view, view.GetListCtrl());
    grabViewport(state, view.GetListCtrl());
}

void BM_PlainTreeView(benchmark::State& state) {
    Rows rows(static_cast<int>(state.range(0)));
    QTreeView view;
    view.setRootIsDecorated(false);
    view.setUniformRowHeights(true);
    view.setModel(&rows);
    view.selectionModel()->select(rows.index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    showWithFortyRows(view, view);
    grabViewport(state, view);
}

template <typename List> void fillList(List& list, int count) {
    list.setColumnCount(kColumns);
    QList<QTreeWidgetItem*> items;
    items.reserve(count);
    for (int row = 0; row < count; ++row) {
        QStringList texts;
        for (int c = 0; c < kColumns; ++c)
            texts << cellText(row, c);
        auto* item = new QTreeWidgetItem(texts);
        item->setData(0, Qt::UserRole, static_cast<uint>(RGB(0, 0, row % 200)));
        items << item;
    }
    list.addTopLevelItems(items);
}

void BM_StripedList(benchmark::State& state) {
    CColoredListCtrl list;
    list.SetItemDataTextColor(true);
    fillList(list, static_cast<int>(state.range(0)));
    showWithFortyRows(list, list);
    grabViewport(state, list);
}

void BM_PlainTreeWidget(benchmark::State& state) {
    QTreeWidget list;
    list.setRootIsDecorated(false);
    list.setUniformRowHeights(true);
    fillList(list, static_cast<int>(state.range(0)));
    showWithFortyRows(list, list);
    grabViewport(state, list);
}

#define LIST_BENCHMARK(name)                                                                                           \
    BENCHMARK(name)                                                                                                    \
        ->Arg(100)                                                                                                     \
        ->Arg(100000)                                                                                                  \
        ->Repetitions(kRepetitions)                                                                                    \
        ->ReportAggregatesOnly(true)                                                                                   \
        ->Unit(benchmark::kMicrosecond)
LIST_BENCHMARK(BM_ListViewEx);
LIST_BENCHMARK(BM_PlainTreeView);
LIST_BENCHMARK(BM_StripedList);
LIST_BENCHMARK(BM_PlainTreeWidget);

std::string name(const char* benchmark, int rows) {
    return std::string(benchmark) + "/" + std::to_string(rows) + "/repeats:" + std::to_string(kRepetitions);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    QApplication::setFont(font);
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (median real time of one grab of 40 rows x 13 columns):\n");
    struct Pair {
        const char* ours;
        const char* peer;
        const char* what;
    };
    for (const Pair& p : {Pair{"BM_ListViewEx", "BM_PlainTreeView", "list base"},
                          Pair{"BM_StripedList", "BM_PlainTreeWidget", "striped list"}}) {
        const std::string what(p.what);
        reporter.printRatio(name(p.ours, 100000), name(p.ours, 100),
                            (what + ": 100,000 rows / 100 rows (goal <= 1.2)").c_str());
        for (const int rows : {100, 100000})
            reporter.printRatio(name(p.ours, rows), name(p.peer, rows),
                                (what + " / " + p.peer + ", " + std::to_string(rows) + " rows (goal <= 2)").c_str());
    }
    benchmark::Shutdown();
    return 0;
}
