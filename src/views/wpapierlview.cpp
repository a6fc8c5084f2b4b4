#include "views/wpapierlview.h"

#include "framework/FileDialogs.h"
#include "framework/MessageBoxes.h"
#include "log/Log.h"
#include "log/NumberFormat.h"
#include "platform/Settings.h"
#include "platform/TextCodec.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/DownloadIntake.h"
#include "retrieval/download.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <string>

namespace {

constexpr int kPositionRole = Qt::UserRole;

} // namespace

CWPapierLView::CWPapierLView(QWidget* parent) : View(parent) {
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("wpapierlist"));
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Symbol"), QStringLiteral("Last"), QStringLiteral("Date")});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    setFocusProxy(m_list);
}

CWPapierLView::~CWPapierLView() = default;

CWPapierDoc* CWPapierLView::GetDocument() const {
    return dynamic_cast<CWPapierDoc*>(View::GetDocument());
}

void CWPapierLView::OnInitialUpdate() {
    if (!m_bInitialized) {
        m_bInitialized = true;
        SettingsStore& settings = *services().settings;
        m_bProcentualValue = settings.readInt(kSettingsSection, "ProcentualValue", 1) != 0;
        m_nTimeFrameDays = settings.readInt(kSettingsSection, "TimeFrameDays", 365);
    }
    View::OnInitialUpdate();
}

ListViewSettings CWPapierLView::listViewSettings() const {
    return ListViewSettings{m_bProcentualValue, m_nTimeFrameDays};
}

// ---------------------------------------------------------------- rows

QTreeWidgetItem* CWPapierLView::findRow(ItemPos pos) const {
    const auto it = m_rows.find(pos);
    return it == m_rows.end() ? nullptr : it->second;
}

void CWPapierLView::fillRow(QTreeWidgetItem* row, const CWPapier& item) const {
    row->setText(ColumnName, QString::fromStdString(item.m_strName));
    row->setText(ColumnSymbol, QString::fromStdString(item.m_strSymbol));
    CKurs last;
    if (item.GetLastQuotation(last)) {
        row->setText(ColumnLast, QString::fromStdString(FormatNumberGrouped("%.4f", last.m_dClose)));
        row->setText(ColumnDate, QString::fromStdString(last.m_dtDate.Format("%x %H:%M")));
    } else {
        row->setText(ColumnLast, QString());
        row->setText(ColumnDate, QString());
    }
    row->setTextAlignment(ColumnLast, Qt::AlignRight | Qt::AlignVCenter);
}

void CWPapierLView::rebuildRows() {
    m_list->clear();
    m_rows.clear();
    const CWPapierDoc* doc = GetDocument();
    if (!doc)
        return;
    const auto lock = doc->LockList();
    QList<QTreeWidgetItem*> rows;
    for (ItemPos pos = doc->GetHeadPosition(); pos != kNoItemPos;) {
        const ItemPos itemPos = pos;
        const CWPapier* item = doc->GetNextItem(pos);
        if (!item)
            break;
        auto* row = new QTreeWidgetItem;
        row->setData(ColumnName, kPositionRole, static_cast<unsigned>(itemPos));
        fillRow(row, *item);
        rows.push_back(row);
        m_rows.emplace(itemPos, row);
    }
    m_list->addTopLevelItems(rows);
}

void CWPapierLView::OnRefresh(const ViewChanges& changes) {
    const CWPapierDoc* doc = GetDocument();
    if (changes.all || !doc) {
        rebuildRows();
        return;
    }
    const auto lock = doc->LockList();
    for (const std::int64_t hint : changes.hints) {
        const ItemPos pos = static_cast<ItemPos>(hint);
        const CWPapier* item = doc->GetItem(pos);
        QTreeWidgetItem* row = findRow(pos);
        if (!item || !row) {
            rebuildRows(); // an item came or went
            return;
        }
        fillRow(row, *item);
    }
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
        const std::string when = kurs.m_dtDate.Format("%c");
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
