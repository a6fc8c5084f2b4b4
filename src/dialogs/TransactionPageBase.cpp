#include "dialogs/TransactionPageBase.h"

#include "controls/Artwork.h"
#include "controls/PictureIds.h"
#include "controls/StripedList.h"
#include "dialogs/DialogParts.h"
#include "dialogs/TransactionIds.h"
#include "dialogs/TransactionListCommon.h"
#include "framework/MessageBoxes.h"
#include "framework/StringTable.h"
#include "portfolio/WPapierDoc.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A row whose right-aligned columns are known by the list, whose image is one of the page's shared
// icons and whose transaction index is a plain number: all three are answered, not stored as
// values in every item. Its texts are either stored or made from the fill's row texts on the
// first request and kept.
class TransactionRowItem final : public QTreeWidgetItem {
public:
    TransactionRowItem(const QStringList& cells, unsigned rightColumns, const QIcon& icon, int transaction)
        : QTreeWidgetItem(cells), m_rightColumns(rightColumns), m_icon(icon), m_transaction(transaction) {}
    TransactionRowItem(std::shared_ptr<const TransactionRowTexts> texts, int row, int columns, unsigned rightColumns,
                       const QIcon& icon, int transaction)
        : m_rightColumns(rightColumns), m_icon(icon), m_transaction(transaction), m_texts(std::move(texts)), m_row(row),
          m_columns(columns) {}

    QVariant data(int column, int role) const override {
        if (role == Qt::TextAlignmentRole && column >= 0 && column < 32 && (m_rightColumns >> column & 1u))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (column == 0) {
            if (role == Qt::DecorationRole && !m_icon.isNull())
                return m_icon;
            if (role == Qt::UserRole && m_transaction >= 0)
                return m_transaction;
        }
        if (m_texts && (role == Qt::DisplayRole || role == Qt::EditRole) && column >= 0 && column < m_columns)
            return text(column);
        return QTreeWidgetItem::data(column, role);
    }

private:
    QString text(int column) const {
        if (column >= kCachedColumns)
            return m_texts->text(m_row, column);
        if (!(m_made >> column & 1u)) {
            if (m_cells.empty())
                m_cells.resize(static_cast<std::size_t>(std::min(m_columns, kCachedColumns)));
            m_cells[static_cast<std::size_t>(column)] = m_texts->text(m_row, column);
            m_made |= 1u << column;
        }
        return m_cells[static_cast<std::size_t>(column)];
    }

    static constexpr int kCachedColumns = 32;
    unsigned m_rightColumns;
    QIcon m_icon;      // a copy of one of the page's icons (shared data); null: none
    int m_transaction; // -1: a summary row
    // The fill's row texts and this row's place in them; null: the texts are the item's values.
    std::shared_ptr<const TransactionRowTexts> m_texts;
    int m_row = 0;
    int m_columns = 0;           // the list's columns at the fill
    mutable unsigned m_made = 0; // bit c: m_cells[c] is made
    mutable std::vector<QString> m_cells;
};

} // namespace

TransactionPageBase::TransactionPageBase(unsigned templateId, Services services, unsigned captionId)
    : PropertyPage(templateId, std::move(services), captionId) {
    setWindowTitle(toQString(LoadString(captionId)));
}

TransactionPageBase::~TransactionPageBase() = default;

OleDate TransactionPageBase::now() const {
    return services().localNow();
}

QWidget* TransactionPageBase::makeListArea(bool withNew, std::span<const int> defaultWidths) {
    // The row images, with the list that shows them.
    m_ImageList.Create(16, 16);
    m_ImageList.Add(artworkBitmap(pictures::IDB_TRANSACTIONS), RGB(0, 255, 0));
    for (int i = 0; i < m_ImageList.GetImageCount(); ++i)
        m_icons.push_back(m_ImageList.icon(i));
    auto* area = new QWidget;
    auto* layout = new QHBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    m_ListCtrl = withId(new CColoredListCtrl, IDC_TRANSACTION_LIST);
    m_ListCtrl->setRootIsDecorated(false);
    m_ListCtrl->setItemsExpandable(false);
    m_ListCtrl->setUniformRowHeights(true);
    m_ListCtrl->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ListCtrl->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ListCtrl->setAllColumnsShowFocus(true);
    m_ListCtrl->setSortingEnabled(false);
    m_ListCtrl->setIconSize(QSize(16, 16));
    m_ListCtrl->header()->setSectionsMovable(true);
    m_ListCtrl->header()->setSectionsClickable(false);
    m_ListCtrl->header()->setStretchLastSection(false);
    // Room for the default widths, so the page (and the sheet, which takes the pages' sizes) opens
    // with every column in view.
    m_ListCtrl->setMinimumSize(widthForDefaults(*m_ListCtrl, defaultWidths), 160);
    layout->addWidget(m_ListCtrl, 1);

    auto* buttons = new QVBoxLayout;
    const auto button = [&](const char* text, unsigned id) {
        auto* b = withId(new QPushButton(QString::fromUtf8(text)), id);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    if (withNew)
        m_btnNew = button("&New", IDC_NEW_TRANSACTION);
    m_btnEdit = button("&Edit", IDC_EDIT_TRANSACTION);
    m_btnDelete = button("&Delete", IDC_DELETE_TRANSACTION);
    m_btnDeleteAll = button("Delete &All", IDC_DELETE_ALL_TRANSACTIONS);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    if (m_btnNew)
        connect(m_btnNew, &QPushButton::clicked, this, [this] { OnNewTransaction(); });
    connect(m_btnEdit, &QPushButton::clicked, this, [this] { OnEditTransaction(); });
    connect(m_btnDelete, &QPushButton::clicked, this, [this] { OnDeleteTransaction(); });
    connect(m_btnDeleteAll, &QPushButton::clicked, this, [this] { OnDeleteAllTransactions(); });
    connect(m_ListCtrl, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(m_ListCtrl, &QTreeWidget::itemDoubleClicked, this, [this] { OnEditTransaction(); });
    // Return edits the row instead of confirming the sheet; Insert and Delete by the filter.
    redirectReturn(m_ListCtrl, [this] { OnEditTransaction(); });
    m_ListCtrl->installEventFilter(this);
    return area;
}

void TransactionPageBase::setupColumns(std::span<const Column> columns, const char* section,
                                       std::span<const int> defaults,
                                       std::span<const std::vector<std::string>> samples) {
    m_columns.assign(columns.begin(), columns.end());
    m_rightColumns = 0;
    for (std::size_t c = 0; c < columns.size() && c < 32; ++c)
        if (columns[c].right)
            m_rightColumns |= 1u << c;
    applyColumns(*m_ListCtrl, columns, readColumnWidths(*services().settings, section, defaults), samples);
}

void TransactionPageBase::applyColumns(QTreeWidget& list, std::span<const Column> columns, std::span<const int> stored,
                                       std::span<const std::vector<std::string>> samples) {
    list.setColumnCount(static_cast<int>(columns.size()));
    QStringList headers;
    for (const Column& column : columns)
        headers << toQString(LoadString(column.header));
    list.setHeaderLabels(headers);
    // Text margins of a cell, and the row image in the first column.
    const QFontMetrics metrics = list.fontMetrics();
    const int margin = 2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1) + 6;
    const int image = list.iconSize().isValid() ? list.iconSize().width() : 16;
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        list.headerItem()->setTextAlignment(c, (columns[c].right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        int needed = list.header()->sectionSizeHint(c);
        if (c < static_cast<int>(samples.size()))
            for (const std::string& sample : samples[static_cast<std::size_t>(c)])
                needed =
                    std::max(needed, metrics.horizontalAdvance(toQString(sample)) + margin + (c == 0 ? image + 4 : 0));
        const int width = c < static_cast<int>(stored.size()) ? stored[static_cast<std::size_t>(c)] : 0;
        list.setColumnWidth(c, std::max(width, needed));
    }
}

int TransactionPageBase::widthForColumns(const QTreeWidget& list) {
    int columns = 0;
    for (int c = 0; c < list.columnCount(); ++c)
        columns += list.columnWidth(c);
    const QStyle* style = list.style();
    const int bar = style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list) +
                    std::max(0, style->pixelMetric(QStyle::PM_ScrollView_ScrollBarSpacing, nullptr, &list));
    return columns + 2 * list.frameWidth() + bar;
}

int TransactionPageBase::widthForDefaults(const QTreeWidget& list, std::span<const int> defaultWidths) {
    int width = 0;
    for (const int w : defaultWidths)
        width += w;
    return width + 2 * list.frameWidth() + 4;
}

void TransactionPageBase::fitListToColumns() {
    m_ListCtrl->setMinimumWidth(std::max(m_ListCtrl->minimumWidth(), widthForColumns(*m_ListCtrl)));
}

void TransactionPageBase::setTips(unsigned newTip, unsigned deleteAllTip) {
    if (m_btnNew)
        m_btnNew->setToolTip(toQString(LoadString(newTip)));
    m_btnEdit->setToolTip(toQString(LoadString(IDS_TIP_EDIT)));
    m_btnDelete->setToolTip(toQString(LoadString(IDS_TIP_DELETE)));
    m_btnDeleteAll->setToolTip(toQString(LoadString(deleteAllTip)));
}

void TransactionPageBase::beginFill() {
    m_ListCtrl->clear();
    m_pending.clear();
}

void TransactionPageBase::addRow(std::span<const std::string> texts, int image, std::optional<int> transaction) {
    QStringList cells;
    cells.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& text : texts)
        cells << toQString(text);
    m_pending.push_back(new TransactionRowItem(cells, m_rightColumns, icon(image), transaction.value_or(-1)));
}

void TransactionPageBase::addRow(const std::shared_ptr<const TransactionRowTexts>& texts, int row, int image,
                                 std::optional<int> transaction) {
    m_pending.push_back(new TransactionRowItem(texts, row, m_ListCtrl->columnCount(), m_rightColumns, icon(image),
                                               transaction.value_or(-1)));
}

const QIcon& TransactionPageBase::icon(int image) const {
    static const QIcon kNoIcon;
    return image >= 0 && image < static_cast<int>(m_icons.size()) ? m_icons[static_cast<std::size_t>(image)] : kNoIcon;
}

void TransactionPageBase::endFill() {
    // One insertion for all rows: the list lays itself out once.
    QList<QTreeWidgetItem*> items(m_pending.begin(), m_pending.end());
    m_pending.clear();
    m_ListCtrl->addTopLevelItems(items);
    const int count = m_ListCtrl->topLevelItemCount();
    if (m_nSelectTransaction >= 0 && m_nSelectTransaction < count) {
        QTreeWidgetItem* selected = m_ListCtrl->topLevelItem(m_nSelectTransaction);
        m_ListCtrl->setCurrentItem(selected);
        selected->setSelected(true);
        if (count > 0)
            m_ListCtrl->scrollToItem(m_ListCtrl->topLevelItem(count - 1));
        m_ListCtrl->scrollToItem(selected);
    } else if (count > 0) {
        m_ListCtrl->scrollToItem(m_ListCtrl->topLevelItem(count - 1));
    }
    m_ListCtrl->setFocus(Qt::OtherFocusReason);
    // Edit and Delete follow the selection, also the one the fill made.
    updateButtons();
}

int TransactionPageBase::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = m_ListCtrl->selectedItems();
    return selected.isEmpty() ? -1 : m_ListCtrl->indexOfTopLevelItem(selected.front());
}

std::optional<int> TransactionPageBase::rowTransaction(int row) const {
    const QTreeWidgetItem* item = row >= 0 ? m_ListCtrl->topLevelItem(row) : nullptr;
    if (!item)
        return std::nullopt;
    const QVariant data = item->data(0, Qt::UserRole);
    if (!data.isValid())
        return std::nullopt;
    return data.toInt();
}

void TransactionPageBase::updateButtons() {
    const bool transaction = rowTransaction(selectedRow()).has_value();
    m_btnEdit->setEnabled(transaction);
    m_btnDelete->setEnabled(transaction);
    m_btnDeleteAll->setEnabled(m_ListCtrl->topLevelItemCount() > 0);
}

void TransactionPageBase::deleteSelectedOf(ItemPos item) {
    const int row = selectedRow();
    if (!m_pDoc || row < 0)
        return;
    if (const auto index = rowTransaction(row))
        m_pDoc->DeleteTransaction(item, *index);
    m_nSelectTransaction = row;
    refresh();
}

void TransactionPageBase::deleteAllOf(ItemPos item) {
    if (!m_pDoc)
        return;
    m_pDoc->DeleteItemTransactions(item);
    m_nSelectTransaction = -1;
    refresh();
}

void TransactionPageBase::warn(const std::optional<std::string>& text) {
    if (text)
        services().boxes->messageBox(*text, MB_OK | MB_ICONEXCLAMATION);
}

bool TransactionPageBase::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ListCtrl && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (key->key() == Qt::Key_Delete) {
                OnDeleteTransaction();
                return true;
            }
            if (key->key() == Qt::Key_Insert && m_btnNew) {
                OnNewTransaction();
                return true;
            }
        }
    }
    return PropertyPage::eventFilter(watched, event);
}
