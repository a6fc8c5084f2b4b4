#pragma once
// The base of the table models of the portfolio's items: one row per item, keyed by the item's
// position (ItemPos), with the row texts kept (the view's painting never computes them).
//
// A full update (the document's hint 0) reconciles the rows with the items' new order instead of
// resetting the model: when the items that stay keep their order, the rows of items that went are
// removed, rows of new items inserted and rows whose texts changed reported (dataChanged), so
// selection and scroll position stay; only a new order of the staying items resets the model, and
// then the selection and the current row are set again by item. Selection signals never come from
// the rebuild: the selection model is quiet meanwhile (and reconciling() is true). A hint that names
// one item refreshes its row alone.

#include "portfolio/ItemPos.h"

#include <QAbstractTableModel>
#include <QString>

#include <unordered_map>
#include <vector>

class QItemSelectionModel;

class ItemTableModel : public QAbstractTableModel {
public:
    // The item's position, as an unsigned int, in every cell.
    static constexpr int ItemPosRole = Qt::UserRole;

    explicit ItemTableModel(int columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The item of `row`; kNoItemPos for a row that is not there.
    ItemPos itemAt(int row) const;
    // The row of the item at `pos`; -1 when it has none.
    int rowOf(ItemPos pos) const;
    // The items in row order.
    std::vector<ItemPos> items() const;

    // Brings the rows to the items `order` (each item once) and asks every row's texts anew; the
    // selection of `selection` (when given) follows its items.
    void reconcile(const std::vector<ItemPos>& order, QItemSelectionModel* selection = nullptr);
    // Adds the rows of the items of `order` that have none, at their places in `order`, which holds
    // every current row once in its current order besides them: the new rows are appended in one
    // step and moved to their places in one layout change, so only the new rows' texts are asked
    // and the current rows, their texts, the selection and the current row stay. False, and
    // nothing changed, when `order` is not such an order (reconcile then).
    bool insertInOrder(const std::vector<ItemPos>& order, QItemSelectionModel* selection = nullptr);
    // Asks the texts of the item's row anew; false when it has no row.
    bool refresh(ItemPos pos);
    bool reconciling() const { return m_reconciling; }

protected:
    // The texts of the item's row, one per column (missing ones are empty). Asked only by
    // reconcile and refresh.
    virtual std::vector<QString> rowTexts(ItemPos pos) const = 0;
    // A cell's data of a role other than its text and item (alignment, colours); none by default.
    virtual QVariant cellData(int row, int column, int role) const;

private:
    struct Row {
        ItemPos pos = kNoItemPos;
        std::vector<QString> texts;
    };
    std::vector<QString> textsOf(ItemPos pos) const;
    void reindex();
    // Reports the rows in `changed` (row numbers, ascending) in runs.
    void reportChanged(const std::vector<int>& changed);

    int m_columns;
    std::vector<Row> m_rows;
    std::unordered_map<ItemPos, int> m_index;
    bool m_reconciling = false;
};
