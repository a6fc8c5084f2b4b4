#pragma once
// A delegate that gives the rows of a bare peer view the list's row height, so that the peer
// shows as many rows as the list it is measured against.

#include <QStyledItemDelegate>

namespace benchsupport {

class RowHeight final : public QStyledItemDelegate {
public:
    RowHeight(int height, QObject* parent) : QStyledItemDelegate(parent), m_height(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_height};
    }

private:
    int m_height;
};

} // namespace benchsupport
