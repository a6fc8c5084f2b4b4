#include "controls/StripedList.h"

#include <QPaintEvent>
#include <QPainter>

CColoredListCtrl::CColoredListCtrl(QWidget* parent) : QTreeWidget(parent), m_clrOdd(GetSysColor(COLOR_WINDOW)) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    // The stripes are ours: Qt's alternating colours start with the plain colour.
    setAlternatingRowColors(false);
}

void CColoredListCtrl::SetItemDataTextColor(bool on) {
    if (on == m_bItemDataTextColor)
        return;
    m_bItemDataTextColor = on;
    viewport()->update();
}

void CColoredListCtrl::paintEvent(QPaintEvent* event) {
    {
        // Below and between the rows: the odd-row colour. The rows paint their own band over it.
        QPainter painter(viewport());
        painter.fillRect(event->rect(), toQColor(m_clrOdd));
    }
    QTreeWidget::paintEvent(event);
}

void CColoredListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool odd = index.row() % 2 != 0;
    painter->fillRect(QRect(0, option.rect.top(), viewport()->width(), option.rect.height()),
                      toQColor(odd ? m_clrOdd : m_clrEven));
    QStyleOptionViewItem row = option;
    const COLORREF text = m_bItemDataTextColor
                              ? static_cast<COLORREF>(index.siblingAtColumn(0).data(Qt::UserRole).toUInt())
                              : GetSysColor(COLOR_WINDOWTEXT);
    row.palette.setColor(QPalette::Text, toQColor(text));
    QTreeWidget::drawRow(painter, row, index);
}
