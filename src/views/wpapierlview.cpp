#include "views/wpapierlview.h"

#include "controls/Artwork.h"
#include "controls/BCMenu.h"
#include "dialogs/DlgUpdateQuotationOn.h"
#include "framework/FileDialogs.h"
#include "framework/FrameWnd.h"
#include "framework/ItemTableModel.h"
#include "framework/MessageBoxes.h"
#include "framework/StringTable.h"
#include "log/NumberFormat.h"
#include "platform/Settings.h"
#include "platform/TextCodec.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/DownloadIntake.h"
#include "retrieval/ServerConfigStore.h"
#include "retrieval/UpdateOrchestration.h"
#include "retrieval/download.h"
#include "views/wpapierlviewItems.h"
#include "views/wpapierlviewLog.h"
#include "views/wpapierlviewSort.h"
#include "views/wpapierlviewUpdate.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>

#include <algorithm>
#include <cassert>
#include <string>
#include <unordered_set>

namespace {

constexpr unsigned kMenuToolbars[] = {132, 129};
constexpr COLORREF kRowImageMask = RGB(0, 255, 0);

bool onGuiThread() {
    return !QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

// The rows as the list shows them: texts and icons from the view's kept row data.
class CWPapierLView::Model final : public ItemTableModel {
public:
    explicit Model(CWPapierLView& view) : ItemTableModel(kListColumnCount, &view), m_view(view) {}

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= kListColumnCount)
            return {};
        const ListColumnSpec& column = kListColumns[static_cast<std::size_t>(section)];
        if (role == Qt::DisplayRole)
            return QString::fromStdString(LoadString(column.caption));
        if (role == Qt::TextAlignmentRole)
            return static_cast<int>((column.rightAlignedHeader ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        return {};
    }

protected:
    std::vector<QString> rowTexts(ItemPos pos) const override {
        std::vector<QString> texts;
        const auto it = m_view.m_rowData.find(pos);
        if (it == m_view.m_rowData.end())
            return texts;
        texts.reserve(kListColumnCount);
        for (const std::string& text : it->second.row.texts)
            texts.push_back(QString::fromStdString(text));
        return texts;
    }
    QVariant cellData(int row, int column, int role) const override {
        if (column != 0 || role != CListViewEx::ImageRole)
            return {};
        const auto it = m_view.m_rowData.find(itemAt(row));
        return it == m_view.m_rowData.end() ? QVariant() : QVariant(it->second.row.icon);
    }

private:
    CWPapierLView& m_view;
};

CWPapierLView::CWPapierLView(QWidget* parent) : CListViewEx(parent) {
    m_model = new Model(*this);
    ListViewExCtrl& list = GetListCtrl();
    list.setModel(m_model);
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    SetShowSelectionAlways(true);

    QHeaderView& header = GetHeaderCtrl();
    header.setSectionsMovable(true);
    header.setSectionsClickable(true);
    header.setStretchLastSection(false);
    header.setMinimumSectionSize(0);
    connect(&header, &QHeaderView::sectionResized, this,
            [this](int logical, int, int newSize) { headerSectionResized(logical, newSize); });
    connect(&header, &QHeaderView::sectionMoved, this, [this] { headerSectionMoved(); });
    connect(&header, &QHeaderView::sectionClicked, this, [this](int logical) { OnColumnClick(logical); });

    // The selection check follows the user's changes, once for the signals of one change (the
    // current row and the selection change apart); the rebuild's own changes are no news.
    const auto check = [this] {
        if (m_nRefreshing != 0 || m_model->reconciling() || m_bSelectionCheckQueued)
            return;
        m_bSelectionCheckQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_bSelectionCheckQueued = false;
                OnSelectionChanged();
            },
            Qt::QueuedConnection);
    };
    connect(list.selectionModel(), &QItemSelectionModel::selectionChanged, this, check);
    connect(list.selectionModel(), &QItemSelectionModel::currentChanged, this, check);

    list.installEventFilter(this);
    list.viewport()->installEventFilter(this);
    // Moves without a button count too: the chart's point cursor goes as the mouse enters the rows.
    list.viewport()->setMouseTracking(true);
    header.installEventFilter(this);
    setUpColumns();
    addCommands();
}

CWPapierLView::~CWPapierLView() = default;

CWPapierDoc* CWPapierLView::GetDocument() const {
    return dynamic_cast<CWPapierDoc*>(View::GetDocument());
}

ItemTableModel& CWPapierLView::model() const {
    return *m_model;
}

// ---------------------------------------------------------------- columns and settings

void CWPapierLView::setUpColumns() {
    applyHeader();
}

void CWPapierLView::applyHeader() {
    QHeaderView& header = GetHeaderCtrl();
    m_bApplyingHeader = true;
    for (int column = 0; column < kListColumnCount; ++column) {
        const int width = m_options.m_nColumnWidth[static_cast<std::size_t>(column)];
        if (width <= 0) {
            header.setSectionHidden(column, true);
        } else {
            header.setSectionHidden(column, false);
            header.resizeSection(column, width);
        }
    }
    for (int visual = 0; visual < kListColumnCount; ++visual) {
        const int from = header.visualIndex(m_options.m_nColumnOrder[static_cast<std::size_t>(visual)]);
        if (from != visual && from >= 0)
            header.moveSection(from, visual);
    }
    m_bApplyingHeader = false;
}

void CWPapierLView::headerSectionResized(int logical, int newSize) {
    if (m_bApplyingHeader || logical < 0 || logical >= kListColumnCount)
        return;
    m_options.m_nColumnWidth[static_cast<std::size_t>(logical)] =
        GetHeaderCtrl().isSectionHidden(logical) ? 0 : std::max(newSize, 0);
}

void CWPapierLView::headerSectionMoved() {
    if (m_bApplyingHeader)
        return;
    for (int visual = 0; visual < kListColumnCount; ++visual)
        m_options.m_nColumnOrder[static_cast<std::size_t>(visual)] = GetHeaderCtrl().logicalIndex(visual);
}

void CWPapierLView::OnInitialUpdate() {
    LV_LOG(LOG_LEVEL_DEBUG, "Initially updating list view, already initialized = %i", m_bInitialized ? 1 : 0);
    if (!m_bInitialized) {
        m_bInitialized = true;
        m_options = loadListViewOptions(*services().settings);
        m_nSortColumn = m_options.m_nSortColumn;
        m_bSortReverse = m_options.m_bSortReverse;
        applyHeader();
        if (m_ImageList.Create(16, 16))
            m_ImageList.Add(artworkBitmap(154), kRowImageMask);
        SetImageList(&m_ImageList, LVSIL_SMALL);
        PresetImportSource(m_importPages.source, OleDate::GetCurrentTime());
    }
    CListViewEx::OnInitialUpdate();
}

void CWPapierLView::OnUpdate(DocumentObserver* sender, std::int64_t hint) {
    if (!m_bInitialized) {
        LV_LOG(LOG_LEVEL_DEBUG, "ListView::OnUpdate discarding update request, since view not yet initialized...");
        return;
    }
    CListViewEx::OnUpdate(sender, hint);
}

bool CWPapierLView::SaveSettings() {
    m_options.m_nSortColumn = m_nSortColumn;
    m_options.m_bSortReverse = m_bSortReverse;
    saveListViewOptions(*services().settings, m_options);
    return true;
}

ListViewSettings CWPapierLView::listViewSettings() const {
    return m_options.documentSettings();
}

void CWPapierLView::toggleColumn(int column) {
    ::OnToggleColumn(m_options, column);
    applyHeader();
}

void CWPapierLView::chooseTimeFrame(int days) {
    const bool rebuild = ::OnTimeFrame(m_options, days);
    applyHeader();
    if (rebuild)
        if (CWPapierDoc* doc = GetDocument())
            doc->UpdateAllViews(nullptr, 0);
}

// ---------------------------------------------------------------- sorting

void CWPapierLView::sortOrder(std::vector<ItemPos>& order) const {
    ListViewOptions options = m_options;
    options.m_nSortColumn = m_nSortColumn;
    options.m_bSortReverse = m_bSortReverse;
    // A view on its own (no frame) compares through itself.
    const ListSortSource source = sortSource ? sortSource() : ListSortSource{this, this, GetDocument()};
    if (!source.mainWindow || !source.listView || !source.document) {
        sortRows(order, options, source);
        return;
    }
    // The keys made with the rows' texts: the rows sort as they read.
    sortRowsByKeys(order, options, [this](ItemPos pos) -> const CWPapier::SortKey* {
        const auto it = m_rowData.find(pos);
        return it == m_rowData.end() ? nullptr : &it->second.keys;
    });
}

bool CWPapierLView::mergeAdded(std::vector<ItemPos>& order, const std::vector<ItemPos>& added) const {
    const ListSortSource source = sortSource ? sortSource() : ListSortSource{this, this, GetDocument()};
    if (!source.mainWindow || !source.listView || !source.document)
        return false;
    ListViewOptions options = m_options;
    options.m_nSortColumn = m_nSortColumn;
    options.m_bSortReverse = m_bSortReverse;
    return mergeRowsByKeys(order, added, options, [this](ItemPos pos) -> const CWPapier::SortKey* {
        const auto it = m_rowData.find(pos);
        return it == m_rowData.end() ? nullptr : &it->second.keys;
    });
}

void CWPapierLView::SortItems() {
    UpdateSortHeader();
    std::vector<ItemPos> order = m_model->items();
    LV_LOG(LOG_LEVEL_DEBUG, "Sorting ListView items...");
    sortOrder(order);
    LV_LOG(LOG_LEVEL_DEBUG, "Sorting ListView items finished.");
    ++m_nRefreshing;
    m_model->reconcile(order, GetListCtrl().selectionModel());
    --m_nRefreshing;
}

void CWPapierLView::OnColumnClick(int column) {
    if (column < 0 || column >= kListColumnCount)
        return;
    ListViewOptions options;
    options.m_nSortColumn = m_nSortColumn;
    options.m_bSortReverse = m_bSortReverse;
    ::OnColumnClick(options, column);
    m_nSortColumn = options.m_nSortColumn;
    m_bSortReverse = options.m_bSortReverse;
    SortItems();
}

// ---------------------------------------------------------------- rows

int CWPapierLView::rowOf(ItemPos pos) const {
    return m_model->rowOf(pos);
}

QString CWPapierLView::cellText(ItemPos pos, int column) const {
    const int row = m_model->rowOf(pos);
    return row < 0 ? QString() : m_model->index(row, column).data().toString();
}

int CWPapierLView::rowIcon(ItemPos pos) const {
    const int row = m_model->rowOf(pos);
    return row < 0 ? -1 : m_model->index(row, 0).data(ImageRole).toInt();
}

bool CWPapierLView::updateRow(ItemPos pos, const CWPapier& item, const ListRowContext& context) {
    const CWPapierDoc* doc = GetDocument();
    const auto it = m_rowData.find(pos);
    const ListRow* current = it == m_rowData.end() ? nullptr : &it->second.row;
    const ListRowUpdate update = ::UpdateItemRow(current, item, context, m_nSortColumn);
    CWPapier::SortKey keys = item.GetSortKeys(context.procentualValue, context.timeFrameDays, context.now);
    // A changed key of the sort column moves the row even where its shown text stays.
    const bool keyChanged = !current || CWPapier::CompareSortKeys(it->second.keys, keys, m_nSortColumn) != 0;
    RowData& data = m_rowData[pos];
    data.row = update.row;
    data.statusColour = itemStatusColor(item, context.now);
    data.itemColour = item.GetColor();
    data.bold = ::IsItemTypeBold(doc, pos);
    data.dark = ::IsItemTypeDarkBackground(doc, pos);
    data.keys = std::move(keys);
    return update.resortDue || keyChanged;
}

void CWPapierLView::OnRefresh(const ViewChanges& changes) {
    assert(onGuiThread());
    CWPapierDoc* doc = GetDocument();
    ListViewExCtrl& list = GetListCtrl();
    ++m_nRefreshing;
    if (!doc) {
        m_rowData.clear();
        m_model->reconcile({}, list.selectionModel());
        --m_nRefreshing;
        return;
    }
    LV_LOG(LOG_LEVEL_DEBUG, "+++++ Updating list view...");
    const ListRowContext context = listRowContext(m_options, OleDate::GetCurrentTime());
    bool full = changes.all;
    bool resort = false;
    std::vector<ItemPos> order;
    std::vector<ItemPos> added;
    {
        const auto lock = doc->LockList();
        if (!full)
            for (const std::int64_t hint : changes.hints)
                if (!doc->GetItem(static_cast<ItemPos>(hint))) {
                    full = true; // an item went: every row anew
                    break;
                }
        if (full) {
            m_rowData.clear();
            order.reserve(static_cast<std::size_t>(doc->GetItemCount()));
            for (ItemPos pos = doc->GetHeadPosition(); pos != kNoItemPos;) {
                const ItemPos itemPos = pos;
                const CWPapier* item = doc->GetNextItem(pos);
                if (!item)
                    break;
                updateRow(itemPos, *item, context);
                order.push_back(itemPos);
            }
            resort = true;
        } else {
            for (const std::int64_t hint : changes.hints) {
                const auto pos = static_cast<ItemPos>(hint);
                if (!m_rowData.contains(pos))
                    added.push_back(pos);
                resort = updateRow(pos, *doc->GetItem(pos), context) || resort;
            }
        }
    }
    if (resort) {
        // New rows in the order they were appended (item ids grow with every item made).
        std::sort(added.begin(), added.end());
        LV_LOG(LOG_LEVEL_DEBUG, "Sorting ListView items...");
        bool merged = false;
        if (!full) {
            order = m_model->items();
            // Only new rows, into a list in order: they are merged in and only their rows are made.
            if (!added.empty() && added.size() == changes.hints.size() && mergeAdded(order, added)) {
                merged = m_model->insertInOrder(order, list.selectionModel());
            } else {
                order.insert(order.end(), added.begin(), added.end());
                sortOrder(order);
            }
        } else {
            sortOrder(order);
        }
        LV_LOG(LOG_LEVEL_DEBUG, "Sorting ListView items finished.");
        if (!merged)
            m_model->reconcile(order, list.selectionModel());
    } else {
        for (const std::int64_t hint : changes.hints)
            m_model->refresh(static_cast<ItemPos>(hint));
    }
    --m_nRefreshing;
    if (resort)
        showCurrentRow();
    updateTotals();
}

void CWPapierLView::showCurrentRow() {
    ListViewExCtrl& list = GetListCtrl();
    QItemSelectionModel* selection = list.selectionModel();
    int row = list.currentIndex().isValid() ? list.currentIndex().row() : -1;
    if (row < 0) {
        for (const QModelIndex& index : selection->selectedRows())
            row = row < 0 ? index.row() : std::min(row, index.row());
    }
    if (row < 0 && m_model->rowCount() > 0)
        row = 0;
    if (row >= 0) {
        ++m_nRefreshing;
        selection->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        --m_nRefreshing;
        LV_LOG(LOG_LEVEL_DEBUG, "EnsureVisible %i", row);
        list.scrollTo(m_model->index(row, 0));
    }
    OnSelectionChanged();
}

void CWPapierLView::updateTotals() {
    CWPapierDoc* doc = GetDocument();
    if (!doc)
        return;
    const InvestmentTotals totals = GetInvestmentTotals(*doc);
    const std::string text = totalInvestmentText(totals, m_options.m_bProcentualValue);
    if (onInvestmentSumText)
        onInvestmentSumText(text);
}

// ---------------------------------------------------------------- drawing questions

COLORREF CWPapierLView::GetItemColor(std::intptr_t itemData) const {
    const auto it = m_rowData.find(static_cast<ItemPos>(itemData));
    return it != m_rowData.end() ? it->second.itemColour
                                 : ::GetItemColor(GetDocument(), static_cast<ItemPos>(itemData));
}

COLORREF CWPapierLView::GetItemStatusColor(std::intptr_t itemData) const {
    const auto it = m_rowData.find(static_cast<ItemPos>(itemData));
    const std::optional<COLORREF> colour =
        it != m_rowData.end()
            ? it->second.statusColour
            : ::GetItemStatusColor(GetDocument(), static_cast<ItemPos>(itemData), OleDate::GetCurrentTime());
    return colour ? *colour : GetSysColor(COLOR_WINDOWTEXT);
}

bool CWPapierLView::IsItemTypeBold(std::intptr_t itemData) const {
    const auto it = m_rowData.find(static_cast<ItemPos>(itemData));
    return it != m_rowData.end() ? it->second.bold : ::IsItemTypeBold(GetDocument(), static_cast<ItemPos>(itemData));
}

bool CWPapierLView::IsItemTypeDarkBackground(std::intptr_t itemData) const {
    const auto it = m_rowData.find(static_cast<ItemPos>(itemData));
    return it != m_rowData.end() ? it->second.dark
                                 : ::IsItemTypeDarkBackground(GetDocument(), static_cast<ItemPos>(itemData));
}

// ---------------------------------------------------------------- selection

ListRowsSelection CWPapierLView::rowsSelection() const {
    const ListViewExCtrl& list = GetListCtrl();
    const QItemSelectionModel* selection = list.selectionModel();
    ListRowsSelection rows;
    const QModelIndex current = list.currentIndex();
    if (current.isValid()) {
        rows.focused = m_model->itemAt(current.row());
        rows.focusedSelected = selection->isRowSelected(current.row(), {});
    }
    std::vector<int> selected;
    for (const QModelIndex& index : selection->selectedRows())
        selected.push_back(index.row());
    std::sort(selected.begin(), selected.end());
    rows.selected.reserve(selected.size());
    for (const int row : selected)
        rows.selected.push_back(m_model->itemAt(row));
    return rows;
}

void CWPapierLView::OnSelectionChanged() {
    assert(onGuiThread());
    CWPapierDoc* doc = GetDocument();
    if (!doc)
        return;
    const SelectionCheck check = ::OnSelectionChanged(m_selection, rowsSelection(), *doc, OleDate::GetCurrentTime());
    if (!check.changed)
        return;
    if (onSelectionSumText)
        onSelectionSumText(check.text);
    // The chart follows the selection.
    doc->UpdateAllViews(this, 0);
}

void CWPapierLView::SelectAllItems(bool select) {
    ListViewExCtrl& list = GetListCtrl();
    QItemSelectionModel* selection = list.selectionModel();
    ++m_nRefreshing;
    if (select) {
        if (m_model->rowCount() > 0)
            selection->select(
                QItemSelection(m_model->index(0, 0), m_model->index(m_model->rowCount() - 1, kListColumnCount - 1)),
                QItemSelectionModel::Select);
    } else {
        const QModelIndex current = list.currentIndex();
        const bool keep = current.isValid() && selection->isRowSelected(current.row(), {});
        selection->clearSelection();
        if (keep)
            selection->select(current, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        else
            selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    --m_nRefreshing;
    OnSelectionChanged();
}

void CWPapierLView::SelectItem(ItemPos pos) {
    const int row = m_model->rowOf(pos);
    if (row < 0)
        return;
    ++m_nRefreshing;
    GetListCtrl().selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    --m_nRefreshing;
    OnSelectionChanged();
}

void CWPapierLView::DeselectAll() {
    ++m_nRefreshing;
    GetListCtrl().selectionModel()->clearSelection();
    GetListCtrl().selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    --m_nRefreshing;
    OnSelectionChanged();
}

bool CWPapierLView::IsSelectionEmpty() const {
    return m_selection.m_SelectedItems.empty();
}

const ListSelection& CWPapierLView::selection() const {
    return m_selection;
}

std::vector<ItemPos> CWPapierLView::GetChartItemsCopy() const {
    assert(onGuiThread());
    return m_selection.m_ChartItems;
}

bool CWPapierLView::anySelected(const std::function<bool(const CWPapier&)>& test) const {
    const CWPapierDoc* doc = GetDocument();
    if (!doc)
        return false;
    for (const ItemPos pos : m_selection.m_SelectedItems)
        if (const CWPapier* item = doc->GetItem(pos); item && test(*item))
            return true;
    return false;
}

const CWPapier* CWPapierLView::focusedItem() const {
    const CWPapierDoc* doc = GetDocument();
    return doc && m_selection.m_posCurrentItem != kNoItemPos ? doc->GetItem(m_selection.m_posCurrentItem) : nullptr;
}

// ---------------------------------------------------------------- commands

void CWPapierLView::addCommands() {
    for (int column = 0; column < kListColumnCount; ++column) {
        const unsigned id = kListColumns[static_cast<std::size_t>(column)].toggleCommand;
        if (id == 0)
            continue;
        addCommand(id, [this, column] { toggleColumn(column); });
        addUpdateHandler(id, [this, column](CmdUI& ui) {
            ui.Enable(true);
            ui.SetCheck(isToggleColumnChecked(m_options, column) ? 1 : 0);
        });
    }
    addCommandRange(ID_TIMEFRAME_FIRST, ID_TIMEFRAME_LAST, [this](CommandId id) {
        if (const auto frame = timeFrameOfCommand(id))
            chooseTimeFrame(frame->days);
    });
    addUpdateHandlerRange(ID_TIMEFRAME_FIRST, ID_TIMEFRAME_LAST, [this](CmdUI& ui) {
        const auto frame = timeFrameOfCommand(ui.m_nID);
        ui.Enable(true);
        ui.SetCheck(frame && isTimeFrameChecked(m_options, frame->days) ? 1 : 0);
    });

    const auto notCash = [](const CWPapier& item) { return item.m_bCashAccount == 0; };
    const auto ordinary = [](const CWPapier& item) {
        return item.m_bCashAccount == 0 && item.m_bInvestmentHistory == 0;
    };
    addCommand(ID_UPDATE_QUOTATION, [this] { OnUpdateQuotation(); });
    addUpdateHandler(ID_UPDATE_QUOTATION, [this, notCash](CmdUI& ui) { ui.Enable(anySelected(notCash)); });
    addCommand(ID_UPDATE_QUOTATION_ON, [this] { OnUpdateQuotationOn(); });
    addUpdateHandler(ID_UPDATE_QUOTATION_ON, [this, ordinary](CmdUI& ui) { ui.Enable(anySelected(ordinary)); });
    addCommand(ID_TEST_UPDATE, [this] { OnTestUpdate(); });
    addUpdateHandler(ID_TEST_UPDATE, [this, ordinary](CmdUI& ui) {
        const CWPapier* item = focusedItem();
        ui.Enable(item && ordinary(*item));
    });
    addCommand(ID_REFRESH, [this] { OnRefreshCommand(); });
    addUpdateHandler(ID_REFRESH, [](CmdUI& ui) { ui.Enable(true); });
    addCommand(ID_IMPORT_QUOTATIONS, [this] { OnImportHistoricalQuotations(); });
    addUpdateHandler(ID_IMPORT_QUOTATIONS, [this](CmdUI& ui) {
        const CWPapierDoc* doc = GetDocument();
        ui.Enable(doc && ImportCommandEnabled(*doc, m_selection.m_SelectedItems));
    });
    addItemCommands();
    addClipboardCommands();
}

void CWPapierLView::OnUpdateQuotation() {
    CWPapierDoc* doc = GetDocument();
    if (IsSelectionEmpty() || !doc) {
        services().boxes->messageBox("No items!", MB_OK);
        return;
    }
    UpdateItemsNow(*doc, ItemsAt(*doc, m_selection.m_SelectedItems));
}

void CWPapierLView::OnUpdateQuotationOn() {
    CWPapierDoc* doc = GetDocument();
    if (IsSelectionEmpty() || !doc) {
        services().boxes->messageBox("No items selected!", MB_OK);
        return;
    }
    const OleDate preset = updateForDatePreset(OleDate::GetCurrentTime());
    CDlgUpdateQuotationOn dialog(services(), this);
    dialog.m_dtDate = preset;
    dialog.m_dtTime = preset;
    if (dialog.DoModal() != IDOK)
        return;
    const OleDate moment = updateForDateMoment(dialog.m_dtDate, dialog.m_dtTime);
    SystemTime when;
    if (!moment.GetAsSystemTime(when))
        return;
    WPListUpdate(*doc, ItemsAt(*doc, m_selection.m_SelectedItems), when, true);
}

void CWPapierLView::OnTestUpdate() {
    CWPapierDoc* doc = GetDocument();
    if (!doc || m_selection.m_posCurrentItem == kNoItemPos)
        return;
    const CWPapier* item = doc->GetItem(m_selection.m_posCurrentItem);
    if (!item)
        return;
    if (!item->m_Server.m_strName.empty()) {
        ServerSettings settings;
        LoadServerSettings(item->m_Server.m_strName, &settings, *services().settings);
        StartTestDownload(*doc, item, settings);
    } else {
        StartTestDownload(*doc, item, item->m_Server);
    }
}

void CWPapierLView::OnRefreshCommand() {
    if (CWPapierDoc* doc = GetDocument())
        doc->UpdateAllViews(nullptr, 0);
}

void CWPapierLView::OnImportHistoricalQuotations() {
    CWPapierDoc* doc = GetDocument();
    if (!doc)
        return;
    for (const ItemPos pos : ImportItems(*doc, m_selection.m_SelectedItems)) {
        if (!doc->GetItem(pos))
            continue;
        if (RunImportWizard(*doc, pos, m_importPages, services(), this) == ImportWizardOutcome::Cancelled)
            break;
    }
}

// ---------------------------------------------------------------- context menu

void CWPapierLView::OnContextMenu(QPoint screenPoint) {
    const QHeaderView& header = GetHeaderCtrl();
    const int headerTop = header.mapToGlobal(QPoint(0, 0)).y();
    const bool overHeader =
        !header.isHidden() && screenPoint.y() >= headerTop && screenPoint.y() < headerTop + header.height();
    m_lastContextMenu = overHeader ? IDR_COLUMN_MENU : IDR_ITEM_MENU;
    m_lastContextMenuPoint = screenPoint;
    FrameWnd* frame = GetParentFrame();
    BCMenu menu(frame);
    if (!menu.LoadMenu(m_lastContextMenu))
        return;
    menu.LoadToolbarImages(kMenuToolbars);
    if (BCMenu* popup = menu.subMenuObject(0))
        popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, screenPoint, frame);
}

bool CWPapierLView::eventFilter(QObject* watched, QEvent* event) {
    ListViewExCtrl& list = GetListCtrl();
    const QPoint corner = list.mapToGlobal(QPoint(5, 5));
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_F10 && (key->modifiers() & Qt::ShiftModifier)) || key->key() == Qt::Key_Menu) {
            OnContextMenu(corner);
            return true;
        }
        // Return opens the focused item's sheet (in the frame its accelerator does, before the
        // key gets here).
        if (watched == &list && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            OnSelectionChanged();
            runPropertiesCommand();
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonDblClick && watched == list.viewport()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            OnSelectionChanged(); // the press before may still have its check queued
            runPropertiesCommand();
            return true;
        }
    } else if (event->type() == QEvent::MouseMove && watched == list.viewport()) {
        if (onMouseMove)
            onMouseMove();
        if (static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton)
            OnSelectionChanged();
    } else if (event->type() == QEvent::ContextMenu) {
        const auto* menu = static_cast<QContextMenuEvent*>(event);
        OnContextMenu(menu->reason() == QContextMenuEvent::Keyboard ? corner : menu->globalPos());
        return true;
    }
    return CListViewEx::eventFilter(watched, event);
}

// ---------------------------------------------------------------- download results

std::intptr_t CWPapierLView::OnDownloadStatus(std::unique_ptr<DownloadStatus> record) {
    if (!record || !isFinalDownloadStatus(record->m_nStatus))
        return 0;
    CWPapierDoc* doc = GetDocument();
    const bool test = record->m_nJobId != 0;
    if (test) {
        showTestResult(*record);
        return 0;
    }
    if (!doc)
        return 0;
    if (record->m_nStatus == DOWNLOAD_FINISHED) {
        if (record->m_pKurs)
            WPKursThreadUpdate(*doc, record->m_posItem, std::move(record->m_pKurs));
        else
            doc->ResetDownloadFlagAt(record->m_posItem); // a report without a quotation ends the download too
    } else {
        doc->ResetDownloadFlagAt(record->m_posItem);
    }
    return 0;
}

void CWPapierLView::showTestResult(const DownloadStatus& record) {
    switch (record.m_nStatus) {
    case DOWNLOAD_FINISHED: {
        if (!record.m_pKurs)
            return;
        const CKurs& kurs = *record.m_pKurs;
        const std::string when = kurs.m_dtDate.Format(OleDate::kUserDateTime);
        std::string text;
        bool converted = false;
        if (const CWPapierDoc* doc = GetDocument()) {
            const auto lock = doc->LockList();
            const CWPapier* item = doc->GetItem(record.m_posItem);
            if (item && item->m_bConvertCurrency && item->m_pCurrencyItem) {
                CKurs rate;
                const double factor =
                    item->m_pCurrencyItem->GetQuotationOnOrBefore(kurs.m_dtDate, rate) ? rate.m_dClose : 0.0;
                text = textcodec::formatText(
                    "Quotation for '%s':\nValue: %2.4f x (Currency: %2.4f) = %2.4f\nDate/Time: %s",
                    record.m_szName.c_str(), kurs.m_dClose, factor, kurs.m_dClose * factor, when.c_str());
                converted = true;
            }
        }
        if (!converted)
            text = textcodec::formatText("Quotation for '%s':\nValue: %2.4f\nDate/Time: %s", record.m_szName.c_str(),
                                         kurs.m_dClose, when.c_str());
        services().boxes->messageBox(text, MB_OK | MB_ICONINFORMATION);
        break;
    }
    case DOWNLOAD_NOT_FOUND:
    case DOWNLOAD_INVALID_VALUE:
    case DOWNLOAD_TEXT_NOT_FOUND:
        services().boxes->messageBox(textcodec::formatText("Quotation for '%s' not found!\n%s", record.m_szName.c_str(),
                                                           record.m_szPreview.c_str()));
        break;
    default: // 12 and 13
        services().boxes->messageBox(textcodec::formatText("Download error:\nItem: %s\nURL: %s\n%s",
                                                           record.m_szName.c_str(), record.m_szURL.c_str(),
                                                           record.m_szMessage.c_str()));
        break;
    }
}

// ---------------------------------------------------------------- export

bool CWPapierLView::ExportQuotations() {
    CWPapierDoc* doc = GetDocument();
    if (!doc)
        return false;
    const std::filesystem::path proposed = CWPapierDoc::quotationExportPath(doc->GetPathName());
    if (doc->programOptions().m_bExportMode)
        return doc->FileExportQuotations(proposed);

    FileDialogRequest request;
    request.title = "Export quotations";
    request.initial = proposed.empty() ? std::filesystem::path(doc->GetTitle() + ".csv") : proposed;
    request.filters = {{"CSV Files (*.csv)", "*.csv"}};
    request.defaultExtension = "csv";
    const auto chosen = services().files->saveFileName(request);
    if (!chosen)
        return false;
    return doc->FileExportQuotations(*chosen);
}

bool CWPapierLView::ExportPortfolio() {
    CWPapierDoc* doc = GetDocument();
    if (!doc)
        return false;
    const auto chosen = services().files->saveFileName(PortfolioExportRequest(doc->GetPathName(), doc->GetTitle()));
    if (!chosen)
        return false;
    return doc->ExportQuotationsXls(*chosen);
}
