#include "dialogs/WPKursPropPage.h"

#include "controls/PPToolTip.h"
#include "controls/WinGdi.h"
#include "dialogs/DialogParts.h"
#include "dialogs/DlgDeleteMultipleQuotations.h"
#include "dialogs/DlgDeleteQuotationsInterval.h"
#include "dialogs/DlgFormula.h"
#include "dialogs/DlgKurs.h"
#include "dialogs/DlgMultiplyQuotations.h"
#include "dialogs/ItemSheetIds.h"
#include "dialogs/QuotationDlgLogic.h"
#include "framework/PropertySheet.h"
#include "framework/StringTable.h"
#include "log/NumberFormat.h"
#include "platform/Settings.h"
#include "portfolio/WPapierDoc.h"

#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <type_traits>

namespace {

constexpr unsigned kHeaderIds[6] = {IDS_QUOTE_DATE, IDS_QUOTE_CLOSE, IDS_QUOTE_OPEN,
                                    IDS_QUOTE_LOW,  IDS_QUOTE_HIGH,  IDS_QUOTE_VOLUME};

// The quotation the dialog holds.
CKurs quotationOf(const CDlgKurs& dialog) {
    CKurs quotation(dialog.GetDateTime(), dialog.m_dClose);
    quotation.m_dOpen = dialog.m_dOpen;
    quotation.m_dVolume = dialog.m_dVolume;
    quotation.m_dLow = dialog.m_dLow;
    quotation.m_dHigh = dialog.m_dHigh;
    return quotation;
}

} // namespace

std::vector<int> QuotationColumnWidths(std::string_view value) {
    std::vector<int> widths = {110, 60, 60, 60, 60, 70};
    std::size_t start = 0;
    for (int column = 0; column < 6 && start <= value.size(); ++column) {
        const std::size_t comma = value.find(',', start);
        const std::string_view piece = value.substr(start, comma == value.npos ? value.npos : comma - start);
        int width = 0;
        const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), width);
        if (ec == std::errc() && end != piece.data() && width > 0 && width < 10000)
            widths[column] = width;
        if (comma == value.npos)
            break;
        start = comma + 1;
    }
    return widths;
}

std::string QuotationCellText(const CKurs& quotation, int column, const OleDate& now) {
    switch (column) {
    case 0: {
        const std::string date = quotation.m_dtDate.Format(OleDate::kUserDateTime);
        const bool bracket = quotation.m_dtDate.GetStatus() != OleDate::valid || dateLater(quotation.m_dtDate, now);
        return bracket ? "(" + date + ")" : date;
    }
    case 1:
        return FormatNumberGrouped("%3.4lf", quotation.m_dClose);
    case 2:
        return FormatNumberGrouped("%3.4lf", quotation.m_dOpen);
    case 3:
        return FormatNumberGrouped("%3.4lf", quotation.m_dLow);
    case 4:
        return FormatNumberGrouped("%3.4lf", quotation.m_dHigh);
    case 5:
        return FormatNumberGrouped("%3.0lf", quotation.m_dVolume);
    default:
        return {};
    }
}

// ---------------------------------------------------------------- the model

void QuotationListModel::copyQuotations(const QuotationList& list, const OleDate& now) {
    static_assert(std::is_trivially_copyable_v<Row> && std::is_trivially_destructible_v<Row>);
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(list.size());
    list.forEachBlock([this](const CKurs* records, std::size_t count) {
        for (const CKurs *q = records, *end = records + count; q != end; ++q)
            m_rows.push_back(rowOf(*q));
    });
    m_now = now;
    endResetModel();
}

bool QuotationListModel::sameRow(const Row& a, const Row& b) {
    return a.date.m_dt == b.date.m_dt && a.date.GetStatus() == b.date.GetStatus() && a.open == b.open &&
           a.close == b.close && a.high == b.high && a.low == b.low && a.volume == b.volume;
}

bool QuotationListModel::removeQuotation(const QuotationList& list, int position, const OleDate& now) {
    const int left = count() - 1;
    if (position < 0 || position > left || static_cast<int>(list.size()) != left)
        return false;
    // The neighbours of the gap must be the ones the model has on either side of the row.
    const auto at = static_cast<std::size_t>(position);
    if (at > 0 && !sameRow(rowOf(list[at - 1]), m_rows[at - 1]))
        return false;
    if (position < left && !sameRow(rowOf(list[at]), m_rows[at + 1]))
        return false;
    const int row = rowOfIndex(position);
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + position);
    endRemoveRows();
    if (!(now.m_dt == m_now.m_dt && now.GetStatus() == m_now.GetStatus())) {
        // The texts depend on `now` (later quotations in parentheses): the rows shown are asked again.
        m_now = now;
        if (!m_rows.empty())
            emit dataChanged(index(0, 0), index(count() - 1, columnCount() - 1));
    }
    return true;
}

void QuotationListModel::clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

std::uint32_t QuotationListModel::rowColor(int row) const {
    const int index = indexOfRow(row);
    if (index <= 0 || index >= count())
        return 0;
    const double close = m_rows[index].close;
    const double older = m_rows[index - 1].close;
    if (close > older)
        return kQuoteUpColor;
    if (close < older)
        return kQuoteDownColor;
    return GetSysColor(COLOR_WINDOWTEXT);
}

int QuotationListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int QuotationListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 6;
}

QVariant QuotationListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        const Row& row = m_rows[indexOfRow(index.row())];
        CKurs quotation(row.date, row.close);
        quotation.m_dOpen = row.open;
        quotation.m_dHigh = row.high;
        quotation.m_dLow = row.low;
        quotation.m_dVolume = row.volume;
        return toQString(QuotationCellText(quotation, index.column(), m_now));
    }
    case Qt::ForegroundRole:
        return toQColor(rowColor(index.row()));
    case Qt::TextAlignmentRole:
        return index.column() == 0 ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant QuotationListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= 6)
        return {};
    if (role == Qt::DisplayRole)
        return toQString(LoadString(kHeaderIds[section]));
    if (role == Qt::TextAlignmentRole)
        return section == 0 ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

// ---------------------------------------------------------------- the page

CWPKursPropPage::CWPKursPropPage(Services services) : PropertyPage(IDD_PROPPAGE_QUOTATIONS, std::move(services)) {
    setWindowTitle(QStringLiteral("Quotations"));
    m_model = new QuotationListModel(this);
}

void CWPKursPropPage::BuildControls() {
    auto* layout = new QHBoxLayout(this);
    m_List = withId(new QTableView, IDC_QUOTE_LIST);
    m_List->setModel(m_model);
    m_List->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_List->setSelectionMode(QAbstractItemView::SingleSelection);
    m_List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_List->setShowGrid(false);
    m_List->setAlternatingRowColors(true);
    m_List->setWordWrap(false);
    m_List->verticalHeader()->hide();
    m_List->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_List->verticalHeader()->setDefaultSectionSize(m_List->fontMetrics().height() + 4);
    m_List->horizontalHeader()->setSectionsMovable(true);
    m_List->horizontalHeader()->setSortIndicatorShown(false);
    m_List->horizontalHeader()->setHighlightSections(false);
    m_List->setMinimumHeight(300);
    QPalette palette = m_List->palette();
    palette.setColor(QPalette::AlternateBase, toQColor(RGB(235, 235, 235)));
    m_List->setPalette(palette);
    m_List->installEventFilter(this);
    std::string columns = kQuotationColumnsDefault;
    if (this->services().settings)
        columns = this->services().settings->readString("QuotationDialog", "Columns", kQuotationColumnsDefault);
    const std::vector<int> widths = QuotationColumnWidths(columns);
    // The stored widths are pixels of the classic dialog font; a column never gets narrower than
    // its header and a typical value in this font.
    int total = 0;
    const QFontMetrics metrics = m_List->fontMetrics();
    const std::string sampleDate = "(" + OleDate(2024, 12, 28, 20, 0, 0).Format(OleDate::kUserDateTime) + ")";
    for (int column = 0; column < 6; ++column) {
        const QString sample = column == 0 ? toQString(sampleDate) : QStringLiteral("0,000.0000");
        const int needed = std::max(metrics.horizontalAdvance(toQString(LoadString(kHeaderIds[column]))),
                                    metrics.horizontalAdvance(sample)) + 14;
        m_List->setColumnWidth(column, std::max(widths[column], needed));
        total += m_List->columnWidth(column);
    }
    // The page asks for room for all six columns.
    m_List->setMinimumWidth(total + 2 * m_List->frameWidth() + m_List->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    layout->addWidget(m_List, 1);

    auto* buttons = new QVBoxLayout;
    auto add = [&](unsigned id, const char* text) {
        auto* button = withId(new QPushButton(QString::fromUtf8(text)), id);
        button->setAutoDefault(false);
        buttons->addWidget(button);
        return button;
    };
    m_btnNew = add(IDC_QUOTE_NEW, "&New");
    m_btnEdit = add(IDC_QUOTE_EDIT, "&Edit");
    m_btnDelete = add(IDC_QUOTE_DELETE, "&Delete");
    add(IDC_QUOTE_DELETE_INTERVAL, "Delete &Interval...");
    add(IDC_QUOTE_DELETE_MULTIPLE, "Delete &Multiple...");
    m_btnDeleteAll = add(IDC_QUOTE_DELETE_ALL, "Delete &All");
    buttons->addSpacing(10);
    add(IDC_QUOTE_UPDATE, "&Update Quotation");
    add(IDC_QUOTE_IMPORT, "&Import Historical...");
    buttons->addSpacing(10);
    m_btnMathFormula = add(IDC_QUOTE_MATH, "&Math Formula...\n(split, invert, etc.)");
    m_btnMathFormula->setMinimumHeight(m_btnMathFormula->fontMetrics().height() * 2 + 12);
    add(IDC_QUOTE_MULTIPLY, "M&ultiply Items...");
    buttons->addStretch(1);
    layout->addLayout(buttons);

    const std::pair<unsigned, void (CWPKursPropPage::*)()> handlers[] = {
        {IDC_QUOTE_NEW, &CWPKursPropPage::OnNew},
        {IDC_QUOTE_EDIT, &CWPKursPropPage::OnEdit},
        {IDC_QUOTE_DELETE, &CWPKursPropPage::OnDelete},
        {IDC_QUOTE_DELETE_INTERVAL, &CWPKursPropPage::OnDeleteInterval},
        {IDC_QUOTE_DELETE_MULTIPLE, &CWPKursPropPage::OnDeleteMultiple},
        {IDC_QUOTE_DELETE_ALL, &CWPKursPropPage::OnDeleteAll},
        {IDC_QUOTE_UPDATE, &CWPKursPropPage::OnUpdateQuotation},
        {IDC_QUOTE_IMPORT, &CWPKursPropPage::OnImportHistorical},
        {IDC_QUOTE_MATH, &CWPKursPropPage::OnMathFormula},
        {IDC_QUOTE_MULTIPLY, &CWPKursPropPage::OnMultiplyItems},
    };
    for (const auto& entry : handlers) {
        const auto handler = entry.second;
        connect(control<QPushButton>(entry.first), &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    }
    connect(m_List, &QTableView::doubleClicked, this, [this] { OnEdit(); });
    connect(m_List, &QTableView::clicked, this, [this] {
        const bool selected = selectedRow() >= 0;
        m_btnDelete->setEnabled(selected);
        m_btnEdit->setEnabled(selected);
    });
}

CWPKursPropPage::~CWPKursPropPage() = default;

bool CWPKursPropPage::OnInitDialog() {
    PropertyPage::OnInitDialog();
    RefreshList();
    const bool rows = m_model->count() > 0;
    enableButtons(rows, rows);

    m_ToolTip = std::make_unique<CPPToolTip>(LinkServices::of(services()));
    m_ToolTip->Create(this, true);
    m_ToolTip->SetDelayTime(CPPToolTip::kDelayAutoPop, 30000);
    m_ToolTip->AddTool(control<QWidget>(IDC_QUOTE_DELETE_MULTIPLE),
                       QStringLiteral("Delete multiple quotation updates on same day or month"));
    m_ToolTip->AddTool(m_btnMathFormula, QStringLiteral("Apply mathematical formula to quotations.\nUseful e.g. for "
                                                        "adjusting quotations after stock splits,\nor for inverting "
                                                        "currency exchange rates."));
    m_ToolTip->AddTool(control<QWidget>(IDC_QUOTE_MULTIPLY),
                       QStringLiteral("Multiply quotations by quotations of another item.\nThis can be used e.g. for "
                                      "currency conversion."));
    m_ToolTip->AddTool(control<QWidget>(IDC_QUOTE_DELETE_INTERVAL),
                       QStringLiteral("Delete all quotations within a specified time frame."));
    return true;
}

bool CWPKursPropPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_List && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Return edits the row rather than closing the sheet.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnEdit();
            return true;
        }
        if (key == Qt::Key_Insert) {
            OnNew();
            return true;
        }
        if (key == Qt::Key_Delete) {
            OnDelete();
            return true;
        }
    }
    return PropertyPage::eventFilter(watched, event);
}

int CWPKursPropPage::selectedRow() const {
    const QModelIndexList rows = m_List->selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : rows)
        if (first < 0 || index.row() < first)
            first = index.row();
    return first;
}

void CWPKursPropPage::selectRow(int row) {
    if (row < 0 || row >= m_model->count()) {
        m_List->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    m_List->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_List->scrollTo(index);
}

void CWPKursPropPage::enableButtons(bool rows, bool selection) {
    m_btnDeleteAll->setEnabled(rows);
    m_btnEdit->setEnabled(selection);
    m_btnDelete->setEnabled(selection);
    m_btnMathFormula->setEnabled(rows);
}

void CWPKursPropPage::RefreshList() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const OleDate now = services().localNow();
    // One reset of the model: the quotations are copied straight into its storage, which it
    // keeps from the last refill, so a refill of a long list allocates nothing.
    bool copied = false;
    if (m_pDoc && m_posItem != kNoItemPos) {
        const auto lock = m_pDoc->LockList();
        if (const CWPapier* item = m_pDoc->GetItem(m_posItem)) {
            m_strItemName = item->m_strName;
            item->readQuotations([&](const QuotationList& list) { m_model->copyQuotations(list, now); });
            copied = true;
        }
    }
    if (!copied)
        m_model->clear();
    selectAfterRefill();
    QApplication::restoreOverrideCursor();
}

void CWPKursPropPage::selectAfterRefill() {
    if (m_pDoc && m_posItem != kNoItemPos) {
        if (m_model->count() > 0) {
            const int row = m_nSelectQuotation < 0 ? 0 : m_model->rowOfIndex(m_nSelectQuotation);
            selectRow(row);
            m_List->setFocus();
        }
    }
}

void CWPKursPropPage::refreshAfterDelete(int index) {
    bool removed = false;
    if (m_pDoc && m_posItem != kNoItemPos) {
        const OleDate now = services().localNow();
        const auto lock = m_pDoc->LockList();
        if (const CWPapier* item = m_pDoc->GetItem(m_posItem)) {
            m_strItemName = item->m_strName;
            removed = item->readQuotations(
                [&](const QuotationList& list) { return m_model->removeQuotation(list, index, now); });
        }
    }
    if (!removed) {
        RefreshList();
        return;
    }
    selectAfterRefill();
}

void CWPKursPropPage::OnNew() {
    if (!m_pDoc)
        return;
    CDlgKurs dialog(services(), this);
    dialog.m_strItemName = m_strItemName;
    const OleDate now = services().localNow();
    dialog.SetDateTime(OleDate(now.GetYear(), now.GetMonth(), now.GetDay(), now.GetHour(), 0, 0));
    if (dialog.DoModal() != IDOK)
        return;
    const CKurs quotation = quotationOf(dialog);
    const int index =
        m_pDoc->AddQuotationToItem(m_posItem, quotation, m_pDoc->programOptions().DisableIntraday != 0, true);
    RefreshList();
    if (index >= 0)
        selectRow(m_model->rowOfIndex(index));
    const bool rows = m_model->count() > 0;
    enableButtons(rows, rows);
}

void CWPKursPropPage::OnEdit() {
    const int row = selectedRow();
    if (!m_pDoc || m_model->count() == 0 || row < 0)
        return;
    const int index = m_model->indexOfRow(row);
    const std::optional<std::vector<CKurs>> quotations = m_pDoc->GetQuotationListCopy(m_posItem);
    if (!quotations || index < 0 || index >= static_cast<int>(quotations->size()))
        return;
    const CKurs& old = (*quotations)[index];
    CDlgKurs dialog(services(), this);
    dialog.m_strItemName = m_strItemName;
    dialog.SetDateTime(old.m_dtDate);
    dialog.m_dClose = old.m_dClose;
    dialog.m_dOpen = old.m_dOpen;
    dialog.m_dVolume = old.m_dVolume;
    dialog.m_dLow = old.m_dLow;
    dialog.m_dHigh = old.m_dHigh;
    if (dialog.DoModal() != IDOK)
        return;
    const CKurs quotation = quotationOf(dialog);
    const int moved = m_pDoc->ReplaceQuotation(m_posItem, index, quotation);
    RefreshList();
    if (moved >= 0) {
        selectRow(m_model->rowOfIndex(moved));
        m_List->setFocus();
    }
}

void CWPKursPropPage::OnDelete() {
    const int row = selectedRow();
    if (!m_pDoc || row < 0)
        return;
    const int index = m_model->indexOfRow(row);
    if (m_pDoc->DeleteQuotation(m_posItem, index)) {
        refreshAfterDelete(index);
        if (row < m_model->count()) {
            selectRow(row);
            m_List->setFocus();
        }
    }
    enableButtons(m_model->count() > 0, selectedRow() >= 0);
}

void CWPKursPropPage::OnDeleteInterval() {
    if (!m_pDoc)
        return;
    const OleDate now = services().localNow();
    CDlgDeleteQuotationsInterval dialog(services(), this);
    dialog.m_strItemName = m_strItemName;
    dialog.m_dtFrom = OleDate(now.GetYear() - 1, now.GetMonth(), now.GetDay(), 0, 0, 0);
    if (dialog.m_dtFrom.GetStatus() != OleDate::valid) // 29 February
        dialog.m_dtFrom = OleDate(now.GetYear() - 1, now.GetMonth(), 28, 0, 0, 0);
    dialog.m_dtTo = OleDate(now.GetYear(), now.GetMonth(), now.GetDay(), 23, 59, 59);
    if (dialog.DoModal() != IDOK)
        return;
    if (m_pDoc->DeleteQuotationInterval(m_posItem, dialog.m_dtFrom, dialog.m_dtTo))
        RefreshList();
    enableButtons(m_model->count() > 0, selectedRow() >= 0);
}

void CWPKursPropPage::OnDeleteMultiple() {
    if (!m_pDoc)
        return;
    CDlgDeleteMultipleQuotations dialog(services(), this);
    if (dialog.DoModal() != IDOK)
        return;
    if (m_pDoc->DeleteMultipleQuotations(m_posItem, dialog.m_nMode))
        RefreshList();
    enableButtons(m_model->count() > 0, selectedRow() >= 0);
}

void CWPKursPropPage::OnDeleteAll() {
    if (services().boxes->messageBox(LoadString(IDS_DELETE_ALL_QUOTES), MB_YESNO | MB_ICONQUESTION) == IDYES &&
        m_pDoc && m_model->count() > 0 && m_pDoc->DeleteAllQuotations(m_posItem))
        m_model->clear();
    // The buttons follow the rows that remain (after No, all of them).
    enableButtons(m_model->count() > 0, selectedRow() >= 0);
}

void CWPKursPropPage::OnMathFormula() {
    if (!m_pDoc || m_model->count() == 0)
        return;
    const int row = std::max(selectedRow(), 0);
    const int last = m_model->indexOfRow(row);
    int result = IDCANCEL;
    std::string formula;
    int first = 0, lastChosen = last;
    {
        const auto lock = m_pDoc->LockList();
        const CWPapier* item = m_pDoc->GetItem(m_posItem);
        if (!item)
            return;
        CDlgFormula dialog(services(), this);
        dialog.m_pItem = item;
        dialog.m_nFirst = 0;
        dialog.m_nLast = last;
        result = dialog.DoModal();
        formula = dialog.m_strFormula;
        first = dialog.m_nFirst;
        lastChosen = dialog.m_nLast;
    }
    if (result != IDOK)
        return;
    const auto trimmed = QString::fromStdString(formula).trimmed().toStdString();
    if (trimmed.empty()) {
        services().boxes->messageBox("Wrong parameter", MB_OK | MB_ICONINFORMATION);
        return;
    }
    // A formula that is refused changes nothing; the user is told why.
    const bool applied = m_pDoc->ApplyFunction(m_posItem, first, lastChosen, trimmed);
    if (!applied) {
        services().boxes->messageBox(FormulaRefusalText(trimmed, false), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    RefreshList();
    selectRow(row);
    if (m_refreshInvestment)
        m_refreshInvestment();
}

void CWPKursPropPage::OnMultiplyItems() {
    if (!m_pDoc)
        return;
    const int row = selectedRow();
    CDlgMultiplyQuotations dialog(services(), this);
    dialog.m_pDocument = m_pDoc;
    dialog.m_strItemName = m_strItemName;
    dialog.m_posItem = m_posItem;
    if (dialog.DoModal() != IDOK)
        return;
    m_pDoc->MultiplyItems(m_posItem, dialog.m_posFactorItem);
    RefreshList();
    selectRow(row);
}

void CWPKursPropPage::OnImportHistorical() {
    if (!m_pDoc)
        return;
    {
        const auto lock = m_pDoc->LockList();
        if (CWPapier* item = m_pDoc->GetItem(m_posItem)) {
            if (m_getName)
                item->m_strName = m_getName();
            if (m_getSymbol)
                item->m_strSymbol = m_getSymbol();
        }
    }
    if (m_importItem)
        m_importItem(m_posItem);
    RefreshList();
}

void CWPKursPropPage::OnUpdateQuotation() {
    if (m_pDoc && m_getSymbol) {
        const auto lock = m_pDoc->LockList();
        if (CWPapier* item = m_pDoc->GetItem(m_posItem))
            item->m_strSymbol = m_getSymbol();
    }
    m_bUpdateRequested = true;
    if (PropertySheet* sheet = GetSheet())
        sheet->EndDialog(IDOK);
}
