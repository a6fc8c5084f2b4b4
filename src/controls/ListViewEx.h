#pragma once
// The owner-drawn report list that the portfolio's item list derives from: a view whose list paints
// every row itself, so that a selected row is highlighted across the whole width of the list, the
// first column carries the row's image and a coloured dot after its text, some columns are
// right-aligned and coloured, texts that do not fit end in "...", rows can be bold or darker, and
// the header shows an arrow at the sort column.
//
// The derived view owns everything else: it gives the list its model (GetListCtrl().setModel) and
// its columns, sorts, and answers four questions about a row from the row's item data (the model's
// ItemDataRole, the item's position for the portfolio's list: ItemTableModel::ItemPosRole). The
// four answers are asked for every row painted, so they must be O(1).
//
// What a model gives per row, in column 0 (other columns give their text only):
// - ItemDataRole: the row's item data, an integer;
// - ImageRole: the index of the row's image in the small image list (none without);
// - StateRole: LVIS_CUT, LVIS_DROPHILITED and the state image (LVIS_STATEIMAGEMASK, 1-based).
// Selection and the focused row come from the list's selection model.
//
// The layout of the cells assumes the item list's thirteen columns: cells of columns 3, 4, 5 and
// 9 to 12 are right-aligned, the texts of columns 3 and 6 take the row's status colour.

#include "controls/ImageList.h"
#include "controls/WinGdi.h"
#include "framework/View.h"

#include <QHeaderView>
#include <QPointer>
#include <QTreeView>

#include <cstdint>

class CListViewEx;
class QFontMetrics;

// Item state bits of StateRole.
enum : unsigned {
    LVIS_CUT = 0x0004,
    LVIS_DROPHILITED = 0x0008,
    LVIS_STATEIMAGEMASK = 0xF000,
};
// Which image list SetImageList sets.
enum : int {
    LVSIL_SMALL = 1,
    LVSIL_STATE = 2,
};

// The header of the list: sections painted with their text in the model's header alignment, and the
// sort column's arrow image right of its text.
class ListViewExHeader : public QHeaderView {
public:
    explicit ListViewExHeader(QWidget* parent = nullptr);

    // The arrows' images; the list stays the caller's.
    void setSortImages(const CImageList* images) { m_images = images; }
    // Section `section` shows image `image` (-1: no section shows one).
    void setSortImage(int section, int image);
    int sortSection() const { return m_section; }
    int sortImage() const { return m_image; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    const CImageList* m_images = nullptr;
    int m_section = -1;
    int m_image = -1;
};

// The list inside the view: hands the painting of each row to the view, and repaints a changed row
// across the whole width of the viewport (its highlight runs to the right edge). The view's
// destructor detaches the list before the widget base closes the window and deletes the list, so
// what the list does then (a last layout of its rows, focus and paint events) never reaches the
// half-destroyed view.
class ListViewExCtrl : public QTreeView {
public:
    explicit ListViewExCtrl(CListViewEx& owner, QWidget* parent = nullptr);
    ~ListViewExCtrl() override;

    ListViewExHeader& sortHeader() const { return *m_header; }
    // The font of a bold row: the list's face, 9 points, weight 700.
    const QFont& boldRowFont() const;
    // Repaints rows `first` to `last` across the viewport's width.
    void updateRows(int first, int last);
    // From now on the list asks the view nothing: it paints no rows and leaves the focus changes to
    // the tree view.
    void detachOwner() { m_owner = nullptr; }

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    CListViewEx* m_owner;
    ListViewExHeader* m_header;
    class RowHeightDelegate;
    QPointer<RowHeightDelegate> m_delegate;
    mutable QFont m_boldFont;
    mutable QFont m_boldFontBase;
    mutable int m_boldFontDpi = 0;
};

class CListViewEx : public View {
public:
    static constexpr int ItemDataRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 1;
    static constexpr int StateRole = Qt::UserRole + 2;

    explicit CListViewEx(QWidget* parent = nullptr);
    ~CListViewEx() override;

    // The list (objectName "list") and its header.
    ListViewExCtrl& GetListCtrl() const { return *m_list; }
    ListViewExHeader& GetHeaderCtrl() const { return m_list->sortHeader(); }

    // The first time: builds the sort arrows. Then marks the sort column and asks for the first
    // update (View::OnInitialUpdate).
    void OnInitialUpdate() override;
    // Shows the arrow of m_bSortReverse at m_nSortColumn, and none at the other columns.
    void UpdateSortHeader();

    // The small image list (16 x 16, the rows' images) or the state image list; null: none. The
    // list stays the caller's and must outlive its use here.
    void SetImageList(const CImageList* list, int which);
    // Colours of the list: the text, the row background (painting overwrites it for every row) and
    // the background the row images blend with when cut.
    void SetTextColor(COLORREF colour) { m_clrText = colour; }
    void SetTextBkColor(COLORREF colour) { m_clrTextBk = colour; }
    void SetBkColor(COLORREF colour) { m_clrBkgnd = colour; }
    // Whether selected rows stay highlighted while the list has no focus (off at first).
    void SetShowSelectionAlways(bool on);
    bool showSelectionAlways() const { return m_bShowSelAlways; }

    // The colour of the first column's dot; RGB(0,0,255) by default.
    virtual COLORREF GetItemColor(std::intptr_t itemData) const;
    // The text colour of columns 3 and 6; the window text colour by default.
    virtual COLORREF GetItemStatusColor(std::intptr_t itemData) const;
    // A row in a bold 9-point font; no by default.
    virtual bool IsItemTypeBold(std::intptr_t itemData) const;
    // A row on RGB(220,220,220) instead of the window colour; no by default.
    virtual bool IsItemTypeDarkBackground(std::intptr_t itemData) const;

    // Paints the row of `index` into `bounds` (the row's rectangle in the viewport, from the first
    // column's left edge to at least the viewport's right edge).
    virtual void DrawItem(QPainter& painter, const QModelIndex& index, const QRect& bounds);

    // `text` when it is empty or its width plus `offset` fits into `width`; otherwise its longest
    // start (one character at least) whose width plus that of "..." plus `offset` fits, followed by
    // "...". Whole characters are cut, never half of a surrogate pair.
    static QString MakeShortString(const QFontMetrics& metrics, const QString& text, int width, int offset);

    // The sort column and direction; the derived view and the main frame set them, then call
    // UpdateSortHeader.
    int m_nSortColumn = 0;
    bool m_bSortReverse = false;

    // Cells of these columns are right-aligned, texts of the status columns take the status colour.
    static bool isRightAlignedColumn(int column);
    static bool isStatusColumn(int column) { return column == 3 || column == 6; }

private:
    friend class ListViewExCtrl;
    // Repaints the focused row and, unless the selection shows always, every selected row: their
    // highlight follows the focus.
    void repaintSelectedRows();

    ListViewExCtrl* m_list;
    bool m_bClientWidthSel = true;
    bool m_bShowSelAlways = false;
    int m_cxStateImageOffset = 0;
    COLORREF m_clrText;
    COLORREF m_clrTextBk;
    COLORREF m_clrBkgnd;
    const CImageList* m_pSmallImages = nullptr;
    const CImageList* m_pStateImages = nullptr;
    CImageList m_SortImages;
    int m_nUpArrow = -1;
    int m_nDownArrow = -1;
};
