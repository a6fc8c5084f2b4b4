#pragma once
// The report list of the item pages: rows alternate between two background colours, RGB(235,235,235)
// for rows 0, 2, 4, ... and the window colour for rows 1, 3, ... (by the row's number, not its place
// on screen, so the stripes move with the rows when the list scrolls); the area below the last row
// takes the window colour. The text is the window text colour, or, when switched on, each row's own
// colour from its item data (a COLORREF in Qt::UserRole of column 0).

#include "controls/WinGdi.h"

#include <QTreeWidget>

class CColoredListCtrl : public QTreeWidget {
public:
    explicit CColoredListCtrl(QWidget* parent = nullptr);

    // Whether each row's item data is its text colour (off at first).
    void SetItemDataTextColor(bool on);
    bool itemDataTextColor() const { return m_bItemDataTextColor; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    COLORREF m_clrEven = RGB(235, 235, 235);
    COLORREF m_clrOdd;
    bool m_bItemDataTextColor = false;
};
