#include "framework/ItemTableModel.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTableView>

#include <algorithm>
#include <map>
#include <vector>

namespace {

// Rows of two columns: the item's name and its position.
class NamesModel : public ItemTableModel {
public:
    NamesModel() : ItemTableModel(2) {}
    std::map<ItemPos, QString> names;
    mutable int textsAsked = 0;

protected:
    std::vector<QString> rowTexts(ItemPos pos) const override {
        ++textsAsked;
        return {names.at(pos), QString::number(pos)};
    }
};

// Counts what the model reported.
struct Reports {
    explicit Reports(QAbstractItemModel& model)
        : reset(&model, &QAbstractItemModel::modelReset), inserted(&model, &QAbstractItemModel::rowsInserted),
          removed(&model, &QAbstractItemModel::rowsRemoved), changed(&model, &QAbstractItemModel::dataChanged) {}
    QSignalSpy reset, inserted, removed, changed;
    // (first, last) of each insertion or removal.
    static std::vector<std::pair<int, int>> ranges(const QSignalSpy& spy) {
        std::vector<std::pair<int, int>> result;
        for (const QList<QVariant>& args : spy)
            result.emplace_back(args.at(1).toInt(), args.at(2).toInt());
        return result;
    }
};

class ItemTableModelTest : public testing::Test {
protected:
    void SetUp() override {
        for (ItemPos pos = 1; pos <= 6; ++pos)
            model.names[pos] = QString("Item %1").arg(pos);
        view.setModel(&model);
        model.reconcile({1, 2, 3, 4}, view.selectionModel());
    }
    std::vector<ItemPos> shown() const { return model.items(); }
    void select(std::initializer_list<ItemPos> items, ItemPos current) {
        view.selectionModel()->clearSelection();
        for (ItemPos pos : items)
            view.selectionModel()->select(model.index(model.rowOf(pos), 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view.selectionModel()->setCurrentIndex(model.index(model.rowOf(current), 0), QItemSelectionModel::NoUpdate);
    }
    std::vector<ItemPos> selected() const {
        std::vector<ItemPos> items;
        for (const QModelIndex& index : view.selectionModel()->selectedRows())
            items.push_back(model.itemAt(index.row()));
        std::sort(items.begin(), items.end());
        return items;
    }

    NamesModel model;
    QTableView view;
};

TEST_F(ItemTableModelTest, TheSameOrderReportsOnlyTheRowsWhoseTextsChanged) {
    Reports reports(model);
    model.names[2] = "Renamed";
    model.names[3] = "Renamed too";
    model.reconcile({1, 2, 3, 4});
    EXPECT_EQ(reports.reset.count(), 0);
    EXPECT_EQ(reports.inserted.count() + reports.removed.count(), 0);
    ASSERT_EQ(reports.changed.count(), 1); // rows 1 and 2 in one run
    EXPECT_EQ(reports.changed[0].at(0).toModelIndex().row(), 1);
    EXPECT_EQ(reports.changed[0].at(1).toModelIndex().row(), 2);
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), "Renamed");
    EXPECT_EQ(model.data(model.index(1, 0), ItemTableModel::ItemPosRole).toUInt(), 2u);
}

TEST_F(ItemTableModelTest, ItemsThatCameOrWentAreInsertedOrRemovedAndTheSelectionStays) {
    select({3, 4}, 3);
    QSignalSpy selectionSignals(view.selectionModel(), &QItemSelectionModel::selectionChanged);
    Reports reports(model);
    model.reconcile({5, 1, 3, 4, 6}, view.selectionModel()); // 2 went; 5 and 6 came
    EXPECT_EQ(shown(), (std::vector<ItemPos>{5, 1, 3, 4, 6}));
    EXPECT_EQ(reports.reset.count(), 0);
    EXPECT_EQ(Reports::ranges(reports.removed), (std::vector<std::pair<int, int>>{{1, 1}}));
    EXPECT_EQ(Reports::ranges(reports.inserted), (std::vector<std::pair<int, int>>{{0, 0}, {4, 4}}));
    EXPECT_EQ(selected(), (std::vector<ItemPos>{3, 4}));
    EXPECT_EQ(model.itemAt(view.selectionModel()->currentIndex().row()), 3u);
    EXPECT_EQ(model.rowOf(6), 4);
    EXPECT_EQ(model.rowOf(2), -1);
    EXPECT_EQ(selectionSignals.count(), 0);
}

TEST_F(ItemTableModelTest, ANewOrderResetsAndSetsTheSelectionAgainByItemQuietly) {
    select({2, 4}, 4);
    QSignalSpy selectionSignals(view.selectionModel(), &QItemSelectionModel::selectionChanged);
    QSignalSpy currentSignals(view.selectionModel(), &QItemSelectionModel::currentChanged);
    Reports reports(model);
    model.reconcile({4, 3, 2, 1}, view.selectionModel());
    EXPECT_EQ(reports.reset.count(), 1);
    EXPECT_EQ(shown(), (std::vector<ItemPos>{4, 3, 2, 1}));
    EXPECT_EQ(selected(), (std::vector<ItemPos>{2, 4}));
    EXPECT_EQ(model.itemAt(view.selectionModel()->currentIndex().row()), 4u);
    EXPECT_EQ(selectionSignals.count(), 0);
    EXPECT_EQ(currentSignals.count(), 0);
    EXPECT_FALSE(model.reconciling());
}

TEST_F(ItemTableModelTest, TextsAreAskedByUpdatesOnlyAndOneItemRefreshesItsRowAlone) {
    model.textsAsked = 0;
    for (int row = 0; row < model.rowCount(); ++row)
        for (int column = 0; column < model.columnCount(); ++column)
            model.data(model.index(row, column));
    view.resize(400, 300);
    view.show();
    view.repaint();
    EXPECT_EQ(model.textsAsked, 0);

    Reports reports(model);
    model.names[3] = "Changed";
    EXPECT_TRUE(model.refresh(3));
    EXPECT_EQ(model.textsAsked, 1);
    ASSERT_EQ(reports.changed.count(), 1);
    EXPECT_EQ(reports.changed[0].at(0).toModelIndex().row(), 2);
    EXPECT_TRUE(model.refresh(3)); // unchanged: nothing reported
    EXPECT_EQ(reports.changed.count(), 1);
    EXPECT_FALSE(model.refresh(6)); // no row
}

} // namespace
