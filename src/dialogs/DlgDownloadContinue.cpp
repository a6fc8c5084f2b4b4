#include "dialogs/DlgDownloadContinue.h"

#include "dialogs/DialogIds.h"
#include "framework/StringTable.h"
#include "retrieval/PlaceHolders.h"
#include "retrieval/download.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CDlgDownloadContinue::CDlgDownloadContinue(Services services, PageDownloadDocument& document, QWidget* parent)
    : Dialog(IDD_DOWNLOAD_CONTINUE, std::move(services), parent), m_document(document),
      m_link([this](Message& message) {
          if (message.message == WMU_PAGE_DOWNLOAD_STATUS && message.recordAs<DownloadStatus>())
              OnPageDownloadStatus(
                  std::unique_ptr<DownloadStatus>(static_cast<DownloadStatus*>(message.record.release())));
      }) {
    setWindowTitle(QStringLiteral("Downloading data..."));

    auto* status = withId(new QPlainTextEdit, IDC_DOWNLOAD_STATUS);
    status->setReadOnly(true);
    status->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    status->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    status->setMinimumWidth(340);
    status->setFixedHeight(status->fontMetrics().lineSpacing() * 4 + 12);
    status->setFocusPolicy(Qt::NoFocus);

    m_btnOk = withId(new QPushButton(QStringLiteral("OK")), IDOK);
    m_btnOk->setEnabled(false); // until the page is there
    m_btnOk->setAutoDefault(false);
    auto* cancel = withId(new QPushButton(QStringLiteral("Cancel")), IDCANCEL);
    cancel->setDefault(true);
    connect(m_btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancelDownload(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnOk);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CDlgDownloadContinue::~CDlgDownloadContinue() = default;

PageFiles CDlgDownloadContinue::TakePageFiles() {
    return std::move(m_files);
}

void CDlgDownloadContinue::DoDataExchange(DataExchange& dx) {
    DDX_StatusText(dx, IDC_DOWNLOAD_STATUS, m_strStatus);
}

bool CDlgDownloadContinue::OnInitDialog() {
    Dialog::OnInitDialog();
    m_bAbortRequested = 0;
    m_bError = 0;
    // Name and symbol go into the address percent-encoded; the download puts in nothing more.
    std::string url;
    ReplaceNameSymbolInUrl(m_strUrl, url, m_strItemName, m_strItemSymbol);
    m_workerId = m_document.StartPageDownload(m_strItemName, m_strItemSymbol, url, m_link.id());
    m_link.expectDownload(m_workerId);
    return true;
}

void CDlgDownloadContinue::OnPageDownloadStatus(std::unique_ptr<DownloadStatus> record) {
    if (!record)
        return;
    switch (record->m_nStatus) {
    case DOWNLOAD_FINISHED:
        // The files of an earlier success go; these are the dialog's until the caller takes them.
        m_files.adopt(*record);
        m_strRawFile = record->m_szFile;
        m_strSemiHtmlFile = record->m_szSemiHtmlFile;
        m_strTextFile = record->m_szTextFile;
        if (m_bAbortRequested) {
            EndDialog(IDCANCEL);
        } else {
            m_strStatus = LoadString(IDS_PAGE_DOWNLOAD_SUCCEEDED);
            m_btnOk->setEnabled(true);
            EndDialog(IDOK);
        }
        break;
    case DOWNLOAD_ERROR:
        m_bError = 1;
        SetPageStatusText(m_strStatus, *record);
        if (m_bAbortRequested)
            EndDialog(IDCANCEL);
        break;
    case DOWNLOAD_ABORTED:
        SetPageStatusText(m_strStatus, *record);
        m_document.ResetDownloadFlagAt(kNoItemPos);
        EndDialog(IDCANCEL);
        break;
    default:
        SetPageStatusText(m_strStatus, *record);
        break;
    }
    UpdateData(false);
}

void CDlgDownloadContinue::OnCancelDownload() {
    m_btnOk->setEnabled(false);
    if (m_bError) {
        EndDialog(IDCANCEL);
        return;
    }
    if (!m_bAbortRequested) {
        // Every running download stops, not only this one.
        m_document.AbortDownloads();
        m_bAbortRequested = 1;
    }
    // The worker's last report closes the dialog.
}

void CDlgDownloadContinue::OnCancel() {
    OnCancelDownload();
}
