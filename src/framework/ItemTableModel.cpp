#include "framework/ItemTableModel.h"

#include <QItemSelection>
#include <QItemSelectionModel>
#include <QSignalBlocker>

#include <optional>
#include <unordered_set>
#include <utility>

ItemTableModel::ItemTableModel(int columns, QObject* parent) : QAbstractTableModel(parent), m_columns(columns) {}

int ItemTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ItemTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant ItemTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= m_columns)
        return {};
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return row.texts[static_cast<std::size_t>(index.column())];
    case ItemPosRole:
        return static_cast<unsigned>(row.pos);
    default:
        return cellData(index.row(), index.column(), role);
    }
}

QVariant ItemTableModel::cellData(int, int, int) const {
    return {};
}

ItemPos ItemTableModel::itemAt(int row) const {
    return row >= 0 && row < rowCount() ? m_rows[static_cast<std::size_t>(row)].pos : kNoItemPos;
}

int ItemTableModel::rowOf(ItemPos pos) const {
    const auto it = m_index.find(pos);
    return it == m_index.end() ? -1 : it->second;
}

std::vector<ItemPos> ItemTableModel::items() const {
    std::vector<ItemPos> order;
    order.reserve(m_rows.size());
    for (const Row& row : m_rows)
        order.push_back(row.pos);
    return order;
}

std::vector<QString> ItemTableModel::textsOf(ItemPos pos) const {
    std::vector<QString> texts = rowTexts(pos);
    texts.resize(static_cast<std::size_t>(m_columns));
    return texts;
}

void ItemTableModel::reindex() {
    m_index.clear();
    m_index.reserve(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_index.emplace(m_rows[i].pos, static_cast<int>(i));
}

void ItemTableModel::reportChanged(const std::vector<int>& changed) {
    for (std::size_t i = 0; i < changed.size();) {
        std::size_t j = i + 1;
        while (j < changed.size() && changed[j] == changed[j - 1] + 1)
            ++j;
        emit dataChanged(index(changed[i], 0), index(changed[j - 1], m_columns - 1));
        i = j;
    }
}

void ItemTableModel::reconcile(const std::vector<ItemPos>& requested, QItemSelectionModel* selection) {
    // Each item once, in its first place.
    std::vector<ItemPos> order;
    std::unordered_set<ItemPos> wanted;
    order.reserve(requested.size());
    for (const ItemPos pos : requested)
        if (pos != kNoItemPos && wanted.insert(pos).second)
            order.push_back(pos);

    m_reconciling = true;
    std::optional<QSignalBlocker> quiet;
    if (selection)
        quiet.emplace(selection);

    // Do the items that stay keep their order?
    std::vector<ItemPos> oldStaying, newStaying;
    for (const Row& row : m_rows)
        if (wanted.contains(row.pos))
            oldStaying.push_back(row.pos);
    for (const ItemPos pos : order)
        if (m_index.contains(pos))
            newStaying.push_back(pos);

    if (oldStaying == newStaying) {
        // Rows of items that went, bottom up in runs.
        for (int last = rowCount() - 1; last >= 0;) {
            if (wanted.contains(m_rows[static_cast<std::size_t>(last)].pos)) {
                --last;
                continue;
            }
            int first = last;
            while (first > 0 && !wanted.contains(m_rows[static_cast<std::size_t>(first - 1)].pos))
                --first;
            beginRemoveRows({}, first, last);
            m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
            endRemoveRows();
            last = first - 1;
        }
        // The rows left are the staying items in order: new items go in at their places, in runs;
        // the staying rows get their texts anew.
        std::unordered_set<ItemPos> staying(newStaying.begin(), newStaying.end());
        std::vector<int> changed;
        for (std::size_t i = 0; i < order.size();) {
            if (staying.contains(order[i])) {
                Row& row = m_rows[i];
                std::vector<QString> texts = textsOf(row.pos);
                if (texts != row.texts) {
                    row.texts = std::move(texts);
                    changed.push_back(static_cast<int>(i));
                }
                ++i;
                continue;
            }
            std::size_t end = i;
            std::vector<Row> added;
            while (end < order.size() && !staying.contains(order[end])) {
                added.push_back({order[end], textsOf(order[end])});
                ++end;
            }
            beginInsertRows({}, static_cast<int>(i), static_cast<int>(end) - 1);
            m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(i), std::make_move_iterator(added.begin()),
                          std::make_move_iterator(added.end()));
            endInsertRows();
            i = end;
        }
        reindex();
        reportChanged(changed);
    } else {
        // A new order: the model starts over, the selection follows its items.
        std::vector<ItemPos> selected;
        ItemPos current = kNoItemPos;
        if (selection) {
            for (const QModelIndex& index : selection->selectedRows())
                selected.push_back(itemAt(index.row()));
            current = itemAt(selection->currentIndex().row());
        }
        beginResetModel();
        std::vector<Row> rows;
        rows.reserve(order.size());
        for (const ItemPos pos : order)
            rows.push_back({pos, textsOf(pos)});
        m_rows = std::move(rows);
        reindex();
        endResetModel();
        if (selection) {
            QItemSelection restored;
            for (const ItemPos pos : selected)
                if (const int row = rowOf(pos); row >= 0)
                    restored.select(index(row, 0), index(row, m_columns - 1));
            selection->select(restored, QItemSelectionModel::Select);
            if (const int row = rowOf(current); row >= 0)
                selection->setCurrentIndex(index(row, 0), QItemSelectionModel::NoUpdate);
        }
    }
    m_reconciling = false;
}

bool ItemTableModel::insertInOrder(const std::vector<ItemPos>& order, QItemSelectionModel* selection) {
    // The current rows in their order, the new ones once each, and where each row goes.
    const std::size_t current = m_rows.size();
    if (order.size() < current)
        return false;
    std::vector<int> placeOfOld(current, -1);
    std::vector<ItemPos> added;
    std::unordered_set<ItemPos> addedSet;
    std::vector<int> placeOfAdded;
    int lastOld = -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const ItemPos pos = order[i];
        if (const auto it = m_index.find(pos); it != m_index.end()) {
            if (it->second <= lastOld)
                return false; // out of order, or named twice
            lastOld = it->second;
            placeOfOld[static_cast<std::size_t>(it->second)] = static_cast<int>(i);
        } else {
            if (pos == kNoItemPos || !addedSet.insert(pos).second)
                return false;
            added.push_back(pos);
            placeOfAdded.push_back(static_cast<int>(i));
        }
    }
    if (order.size() - added.size() != current)
        return false; // a current row is missing
    if (added.empty())
        return true;

    m_reconciling = true;
    std::optional<QSignalBlocker> quiet;
    if (selection)
        quiet.emplace(selection);
    // The new rows at the end, in one step.
    const int first = static_cast<int>(current);
    beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
    m_rows.reserve(order.size());
    for (const ItemPos pos : added)
        m_rows.push_back({pos, textsOf(pos)});
    endInsertRows();
    // Then every row to its place, in one layout change that the persistent indexes (selection,
    // current row) follow.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRow(m_rows.size());
    for (std::size_t i = 0; i < current; ++i)
        newRow[i] = placeOfOld[i];
    for (std::size_t j = 0; j < added.size(); ++j)
        newRow[current + j] = placeOfAdded[j];
    std::vector<Row> rows(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        rows[static_cast<std::size_t>(newRow[i])] = std::move(m_rows[i]);
    m_rows = std::move(rows);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after << (index.isValid() ? this->index(newRow[static_cast<std::size_t>(index.row())], index.column())
                                  : QModelIndex());
    changePersistentIndexList(before, after);
    reindex();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    m_reconciling = false;
    return true;
}

bool ItemTableModel::refresh(ItemPos pos) {
    const int row = rowOf(pos);
    if (row < 0)
        return false;
    std::vector<QString> texts = textsOf(pos);
    Row& kept = m_rows[static_cast<std::size_t>(row)];
    if (texts != kept.texts) {
        kept.texts = std::move(texts);
        emit dataChanged(index(row, 0), index(row, m_columns - 1));
    }
    return true;
}
