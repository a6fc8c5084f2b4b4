#include "controls/ListViewEx.h"

#include "controls/Artwork.h"
#include "controls/PictureIds.h"
#include "controls/PixelRules.h"
#include "framework/ItemTableModel.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

static_assert(CListViewEx::ItemDataRole == ItemTableModel::ItemPosRole,
              "the rows' item data is the item's position of the item table models");

namespace {

constexpr COLORREF kDarkRow = RGB(220, 220, 220);
constexpr int kSmallImage = 16;
// Offsets of the texts: a cell's text is inset 6 pixels on both sides, the label of column 0 by 2.
constexpr int kCellInset = 6;
constexpr int kCellOffset = 2 * kCellInset;
constexpr int kLabelInset = 2;
constexpr int kLabelOffset = 2 * kLabelInset;

// A sort arrow: black becomes the grey text colour, white is left out by the image list's mask.
QImage mappedArrow(unsigned id) {
    QImage image = artworkBitmap(id).convertToFormat(QImage::Format_RGB32);
    const QRgb grey = rgbOf(GetSysColor(COLOR_GRAYTEXT));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFFu) == 0)
                line[x] = grey;
    }
    return image;
}

// DrawFocusRect: every other pixel of the rectangle's edges inverted.
void drawFocusRect(QPainter& painter, const QRect& rect) {
    if (rect.width() < 1 || rect.height() < 1)
        return;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QColor(255, 255, 255));
    const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
    for (int x = l; x <= r; x += 2) {
        painter.drawPoint(x, t);
        if (b != t)
            painter.drawPoint(x, b);
    }
    for (int y = t + 2; y < b; y += 2) {
        painter.drawPoint(l, y);
        if (r != l)
            painter.drawPoint(r, y);
    }
    painter.restore();
}

} // namespace

// --- header ---------------------------------------------------------------------------------------

ListViewExHeader::ListViewExHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setObjectName("header");
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void ListViewExHeader::setSortImage(int section, int image) {
    m_section = section;
    m_image = image;
    viewport()->update();
}

void ListViewExHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    // The section's frame and background as the style draws them, without its text and sort mark.
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, logicalIndex);
    opt.rect = rect;
    opt.text.clear();
    opt.icon = QIcon();
    opt.sortIndicator = QStyleOptionHeader::None;
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);

    const QAbstractItemModel* m = model();
    const QString text = m ? m->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString() : QString();
    const QVariant alignment = m ? m->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole) : QVariant();
    const Qt::Alignment align = alignment.isValid() ? Qt::Alignment(alignment.toInt()) : defaultAlignment();

    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &opt, this);
    const QRect inner = rect.adjusted(margin, 0, -margin, 0);
    const bool arrow = logicalIndex == m_section && m_images && m_image >= 0 && m_image < m_images->GetImageCount();
    const QSize arrowSize = arrow ? m_images->imageSize() : QSize(0, 0);
    const int arrowRoom = arrow ? arrowSize.width() + margin : 0;

    painter->save();
    painter->setFont(font());
    const QFontMetrics metrics = painter->fontMetrics();
    const int room = inner.width() - arrowRoom;
    const QString shown = text.isEmpty() ? text : CListViewEx::MakeShortString(metrics, text, room, 0);
    const int textWidth = std::clamp(metrics.horizontalAdvance(shown), 0, std::max(room, 0));
    // Text and arrow form one block placed by the section's alignment.
    const int block = textWidth + arrowRoom;
    int left = inner.left();
    if (align & Qt::AlignRight)
        left = inner.left() + inner.width() - block;
    else if (align & Qt::AlignHCenter)
        left = inner.left() + (inner.width() - block) / 2;
    left = std::max(left, inner.left());
    if (!shown.isEmpty()) {
        painter->setClipRect(inner, Qt::IntersectClip);
        painter->setPen(palette().color(QPalette::ButtonText));
        painter->drawText(QRect(left, rect.top(), inner.right() + 1 - left, rect.height()),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }
    painter->restore();
    if (arrow)
        m_images->Draw(*painter, m_image,
                       QPoint(left + textWidth + margin, rect.top() + (rect.height() - arrowSize.height()) / 2));
}

// --- list -----------------------------------------------------------------------------------------

// Every row is as high as the taller of the list's font, its bold font and a small image, plus a
// pixel above and below. It asks the list for the bold font, never the view; the list detaches it
// in its destructor, after which only the option's font counts.
class ListViewExCtrl::RowHeightDelegate : public QStyledItemDelegate {
public:
    explicit RowHeightDelegate(ListViewExCtrl& list) : QStyledItemDelegate(&list), m_list(&list) {}

    void detach() { m_list = nullptr; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        const QFontMetrics plain(option.font);
        const int bold = m_list ? QFontMetrics(m_list->boldRowFont()).height() : 0;
        return QSize(0, std::max({kSmallImage, plain.height(), bold}) + 2);
    }

private:
    ListViewExCtrl* m_list;
};

ListViewExCtrl::ListViewExCtrl(CListViewEx& owner, QWidget* parent)
    : QTreeView(parent), m_owner(&owner), m_header(new ListViewExHeader(this)),
      m_delegate(new RowHeightDelegate(*this)) {
    setObjectName("list");
    setHeader(m_header);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setItemDelegate(m_delegate);
}

ListViewExCtrl::~ListViewExCtrl() {
    // The tree view's own destruction must not lay out rows through this part of the list.
    if (m_delegate)
        m_delegate->detach();
}

const QFont& ListViewExCtrl::boldRowFont() const {
    // Default face, -MulDiv(9, LOGPIXELSY, 72) pixels, weight 700; made anew when the list's font or
    // resolution changed.
    const int dpi = logPixelsY(viewport());
    if (m_boldFontDpi != dpi || m_boldFontBase != font()) {
        m_boldFontBase = font();
        m_boldFontDpi = dpi;
        QFont bold = fontWithLogHeight(font(), -MulDiv(9, dpi, 72), viewport());
        bold.setWeight(QFont::Bold);
        m_boldFont = bold;
    }
    return m_boldFont;
}

void ListViewExCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (!m_owner)
        return;
    QRect bounds(-header()->offset(), option.rect.top(), header()->length(), option.rect.height());
    if (m_owner->m_bClientWidthSel && bounds.right() < viewport()->width() - 1)
        bounds.setRight(viewport()->width() - 1);
    m_owner->DrawItem(*painter, index, bounds);
}

void ListViewExCtrl::updateRows(int first, int last) {
    if (!model() || first < 0 || last < first)
        return;
    int column = -1;
    for (int visual = 0; visual < header()->count() && column < 0; ++visual)
        if (!header()->isSectionHidden(header()->logicalIndex(visual)))
            column = header()->logicalIndex(visual);
    const QRect top = column < 0 ? QRect() : visualRect(model()->index(first, column, rootIndex()));
    const QRect bottom = column < 0 ? QRect() : visualRect(model()->index(last, column, rootIndex()));
    if (!top.isValid() || !bottom.isValid()) {
        viewport()->update();
        return;
    }
    viewport()->update(QRect(0, top.top(), viewport()->width(), bottom.bottom() - top.top() + 1));
}

void ListViewExCtrl::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTreeView::selectionChanged(selected, deselected);
    for (const QItemSelection* selection : {&selected, &deselected})
        for (const QItemSelectionRange& range : *selection)
            updateRows(range.top(), range.bottom());
}

void ListViewExCtrl::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (previous.isValid())
        updateRows(previous.row(), previous.row());
    if (current.isValid())
        updateRows(current.row(), current.row());
}

void ListViewExCtrl::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
    QTreeView::dataChanged(topLeft, bottomRight, roles);
    if (topLeft.isValid() && bottomRight.isValid())
        updateRows(topLeft.row(), bottomRight.row());
}

void ListViewExCtrl::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    if (m_owner)
        m_owner->repaintSelectedRows();
}

void ListViewExCtrl::focusOutEvent(QFocusEvent* event) {
    QTreeView::focusOutEvent(event);
    // Focus that moved into a child of the list (an editor) leaves the highlight as it is.
    const QWidget* now = QApplication::focusWidget();
    if (m_owner && (!now || !isAncestorOf(now)))
        m_owner->repaintSelectedRows();
}

// --- view -----------------------------------------------------------------------------------------

CListViewEx::CListViewEx(QWidget* parent)
    : View(parent), m_list(new ListViewExCtrl(*this, this)), m_clrText(GetSysColor(COLOR_WINDOWTEXT)),
      m_clrTextBk(GetSysColor(COLOR_WINDOW)), m_clrBkgnd(GetSysColor(COLOR_WINDOW)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    setFocusProxy(m_list);
}

CListViewEx::~CListViewEx() {
    // The list's focus-out repaints through this object: it has to happen while the object is whole,
    // not when the widget base takes the focus away from its children.
    if (m_list && m_list->hasFocus())
        m_list->clearFocus();
    // The widget base closes the window and deletes the list after this object is gone: the list
    // may still lay out and paint rows then, so it stops calling back here, and the header stops
    // drawing the sort arrows of m_SortImages, which goes with this object.
    if (m_list) {
        m_list->detachOwner();
        m_list->sortHeader().setSortImages(nullptr);
    }
}

void CListViewEx::OnInitialUpdate() {
    if (!m_SortImages.isCreated()) {
        m_SortImages.Create(9, 5);
        m_nUpArrow = m_SortImages.Add(mappedArrow(pictures::IDB_SORT_ASCENDING), RGB(255, 255, 255));
        m_nDownArrow = m_SortImages.Add(mappedArrow(pictures::IDB_SORT_DESCENDING), RGB(255, 255, 255));
        GetHeaderCtrl().setSortImages(&m_SortImages);
    }
    UpdateSortHeader();
    View::OnInitialUpdate();
}

void CListViewEx::UpdateSortHeader() {
    GetHeaderCtrl().setSortImage(m_nSortColumn, m_bSortReverse ? m_nDownArrow : m_nUpArrow);
}

void CListViewEx::SetImageList(const CImageList* list, int which) {
    if (which == LVSIL_SMALL) {
        m_pSmallImages = list;
    } else if (which == LVSIL_STATE) {
        m_pStateImages = list;
        m_cxStateImageOffset = list && list->isCreated() ? list->imageSize().width() : 0;
    }
    m_list->viewport()->update();
}

void CListViewEx::SetShowSelectionAlways(bool on) {
    if (on == m_bShowSelAlways)
        return;
    m_bShowSelAlways = on;
    m_list->viewport()->update();
}

COLORREF CListViewEx::GetItemColor(std::intptr_t) const {
    return RGB(0, 0, 255);
}

COLORREF CListViewEx::GetItemStatusColor(std::intptr_t) const {
    return GetSysColor(COLOR_WINDOWTEXT);
}

bool CListViewEx::IsItemTypeBold(std::intptr_t) const {
    return false;
}

bool CListViewEx::IsItemTypeDarkBackground(std::intptr_t) const {
    return false;
}

bool CListViewEx::isRightAlignedColumn(int column) {
    return (column >= 3 && column <= 5) || (column >= 9 && column <= 12);
}

QString CListViewEx::MakeShortString(const QFontMetrics& metrics, const QString& text, int width, int offset) {
    if (text.isEmpty() || metrics.horizontalAdvance(text) + offset <= width)
        return text;
    static const QString dots = QStringLiteral("...");
    const int dotsWidth = metrics.horizontalAdvance(dots);
    // The lengths the text may be cut to: whole characters, from one character to all but one. The
    // walk from the end would keep the longest that fits, else one character; the widths of the
    // starts grow with their length, so a binary search finds the same.
    std::vector<int> cuts;
    cuts.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype length = 1; length < text.size(); ++length)
        if (!text.at(length - 1).isHighSurrogate())
            cuts.push_back(static_cast<int>(length));
    const auto fits = [&](int length) {
        return metrics.horizontalAdvance(text.left(length)) + dotsWidth + offset <= width;
    };
    int keep = text.at(0).isHighSurrogate() && text.size() > 1 ? 2 : 1;
    std::size_t lo = 0, hi = cuts.size();
    while (lo < hi) { // first cut that does not fit
        const std::size_t mid = lo + (hi - lo) / 2;
        if (fits(cuts[mid]))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo > 0)
        keep = std::max(keep, cuts[lo - 1]);
    return text.left(keep) + dots;
}

void CListViewEx::repaintSelectedRows() {
    if (!m_list->model() || !m_list->selectionModel())
        return;
    const QModelIndex current = m_list->currentIndex();
    if (current.isValid())
        m_list->updateRows(current.row(), current.row());
    if (!m_bShowSelAlways)
        for (const QItemSelectionRange& range : m_list->selectionModel()->selection())
            m_list->updateRows(range.top(), range.bottom());
}

void CListViewEx::DrawItem(QPainter& painter, const QModelIndex& index, const QRect& bounds) {
    const QAbstractItemModel* model = index.model();
    if (!model)
        return;
    const int row = index.row();
    const QModelIndex first = model->index(row, 0, index.parent());
    const auto itemData = static_cast<std::intptr_t>(first.data(ItemDataRole).toLongLong());
    const unsigned state = first.data(StateRole).toUInt();

    const bool bold = IsItemTypeBold(itemData);
    const bool dark = IsItemTypeDarkBackground(itemData);
    const COLORREF dotColour = GetItemColor(itemData);
    m_clrTextBk = dark ? kDarkRow : GetSysColor(COLOR_WINDOW);

    const QItemSelectionModel* selection = m_list->selectionModel();
    const bool listFocused = m_list->hasFocus();
    const bool selected = selection && selection->isSelected(first);
    const bool highlighted = (state & LVIS_DROPHILITED) || (selected && (listFocused || m_bShowSelAlways));

    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF textColour = highlighted ? GetSysColor(COLOR_HIGHLIGHTTEXT) : m_clrText;
    fillRect(painter, RECT::fromQRect(bounds), highlighted ? highlight : m_clrTextBk);

    CImageList::DrawStyle imageStyle = CImageList::Transparent;
    COLORREF imageBlend = 0;
    if (state & LVIS_CUT) {
        imageStyle = CImageList::Blend50;
        imageBlend = m_clrBkgnd;
    } else if (highlighted) {
        imageStyle = CImageList::Blend50;
        imageBlend = highlight;
    }

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(bold ? m_list->boldRowFont() : m_list->font());
    const QFontMetrics metrics = painter.fontMetrics();
    const QPen textPen(toQColor(textColour));
    painter.setPen(textPen);
    constexpr int textFlags = Qt::AlignVCenter | Qt::TextSingleLine;
    const int clientWidth = m_list->viewport()->width();

    const QHeaderView* header = m_list->header();
    int x = bounds.left();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        const int width = header->isSectionHidden(column) ? 0 : header->sectionSize(column);
        if (column == 0) {
            const int cellLeft = x;
            const int labelRight = cellLeft + width;
            x = labelRight;
            const int iconLeft = cellLeft + m_cxStateImageOffset;
            const int iconRight = iconLeft + (m_pSmallImages ? kSmallImage : 0);
            // The images stay inside a narrow first column, and a collapsed one shows none.
            if (cellLeft < labelRight - 1) {
                painter.save();
                painter.setClipRect(QRect(cellLeft, bounds.top(), width, bounds.height()), Qt::IntersectClip);
                if (state & LVIS_STATEIMAGEMASK && m_pStateImages)
                    m_pStateImages->Draw(painter, static_cast<int>(state >> 12) - 1, QPoint(cellLeft, bounds.top()));
                const QVariant image = m_pSmallImages ? first.data(ImageRole) : QVariant();
                if (image.isValid())
                    m_pSmallImages->Draw(painter, image.toInt(),
                                         QPoint(iconLeft, bounds.top() + (bounds.height() - kSmallImage) / 2),
                                         imageStyle, imageBlend);
                painter.restore();
            }
            const int labelLeft = iconRight;
            const int d = bounds.height() - 4;
            const QString text = first.data(Qt::DisplayRole).toString();
            const QRect textRect(QPoint(labelLeft + kLabelInset, bounds.top()),
                                 QPoint(labelRight - 1 - kLabelInset, bounds.bottom()));
            if (!text.isEmpty() && textRect.isValid()) {
                const QString shown =
                    MakeShortString(metrics, text, (labelRight - m_cxStateImageOffset - d) - labelLeft, kLabelOffset);
                painter.drawText(textRect, textFlags | Qt::AlignLeft, shown);
            }
            const int dotLeft = std::max(labelLeft + 2, labelRight - d);
            const int dotRight = labelRight - 2;
            if (dotRight > dotLeft && d > 4) {
                painter.save();
                painter.setPen(QPen(Qt::black, 0));
                painter.setBrush(toQColor(dotColour));
                ellipse(painter, dotLeft, bounds.top() + 4, dotRight, bounds.bottom() + 1 - 4);
                painter.restore();
            }
            continue;
        }
        const QRect cell(x, bounds.top(), width, bounds.height());
        x += width;
        if (width <= 0 || cell.right() < 0 || cell.left() >= clientWidth)
            continue;
        const QRect textRect = cell.adjusted(kCellInset, 0, -kCellInset, 0);
        const QString text = model->index(row, column, index.parent()).data(Qt::DisplayRole).toString();
        if (text.isEmpty() || !textRect.isValid())
            continue;
        const QString shown = MakeShortString(metrics, text, width, kCellOffset);
        const bool status = !highlighted && isStatusColumn(column);
        if (status)
            painter.setPen(toQColor(GetItemStatusColor(itemData)));
        painter.drawText(textRect, textFlags | (isRightAlignedColumn(column) ? Qt::AlignRight : Qt::AlignLeft), shown);
        if (status)
            painter.setPen(textPen);
    }
    painter.restore();

    const QModelIndex current = m_list->currentIndex();
    if (listFocused && current.isValid() && current.row() == row && current.parent() == index.parent())
        drawFocusRect(painter, bounds);
}
