#include "app/NewVersionDlg.h"

#include "app/ReleaseInfo.h"
#include "framework/MessageBoxes.h"
#include "log/Log.h"
#include "platform/TextCodec.h"
#include "retrieval/DownloadManager.h"
#include "retrieval/ReleaseCheck.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

using namespace newversionids;

DialogNewVersionInfo::DialogNewVersionInfo(Services services, std::string server, DownloadOptions options,
                                           QWidget* parent, DownloadManager* downloads)
    : Dialog(IDD_NEW_VERSION_INFO, std::move(services), parent), m_server(std::move(server)),
      m_options(std::move(options)), m_downloads(downloads ? downloads : &DownloadManager::instance()),
      m_link([this](Message& message) {
          if (message.message != WMU_SETUP_DOWNLOAD_STATUS || !message.recordAs<DownloadStatus>())
              return;
          std::unique_ptr<DownloadStatus> record(static_cast<DownloadStatus*>(message.record.release()));
          OnSetupDownloadStatus(std::move(record));
      }) {
    setWindowTitle(QStringLiteral("New Version Info"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(withId(new QLabel(QString::fromUtf8(kNewVersionAvailableText)), IDC_AVAILABLE_TEXT));
    auto* notes = withId(new QPlainTextEdit, IDC_RELEASE_NOTES);
    notes->setReadOnly(true);
    notes->setMinimumSize(420, 220);
    layout->addWidget(notes, 1);
    auto* status = withId(new QLineEdit, IDC_STATUS);
    status->setReadOnly(true);
    layout->addWidget(status);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_btnDownload = withId(new QPushButton(QString::fromUtf8(kDownloadItNowText)), IDOK);
    m_btnDownload->setDefault(true);
    m_btnCancel = withId(new QPushButton(QStringLiteral("Cancel")), IDCANCEL);
    m_btnCancel->setAutoDefault(false);
    buttons->addWidget(m_btnDownload);
    buttons->addWidget(m_btnCancel);
    layout->addLayout(buttons);

    connect(m_btnDownload, &QPushButton::clicked, this, [this] { accept(); });
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { reject(); });
}

DialogNewVersionInfo::~DialogNewVersionInfo() = default;

void DialogNewVersionInfo::DoDataExchange(DataExchange& dx) {
    if (!dx.m_bSaveAndValidate) {
        // The edit keeps its lines by LF; the notes hold CR LF.
        std::string shown;
        shown.reserve(m_strReleaseNotes.size());
        for (std::size_t i = 0; i < m_strReleaseNotes.size(); ++i)
            if (!(m_strReleaseNotes[i] == '\r' && i + 1 < m_strReleaseNotes.size() && m_strReleaseNotes[i + 1] == '\n'))
                shown += m_strReleaseNotes[i];
        DDX_Text(dx, IDC_RELEASE_NOTES, shown);
    }
    DDX_Text(dx, IDC_STATUS, m_strStatus);
}

void DialogNewVersionInfo::OnOK() {
    OnDownload();
}

void DialogNewVersionInfo::OnDownload() {
    if (!m_btnDownload->isEnabled())
        return; // a download runs
    m_btnDownload->setEnabled(false);
    m_worker = m_downloads->startSetupDownload(makeSetupDownloadJob(m_server, m_link.id(), m_options));
    if (m_worker == 0) {
        // No thread: its records (started, then failed) come as from any failed download.
        LogMessage(LOG_LEVEL_ERROR, kReleaseLogSource, "Could not start the setup download");
    }
}

std::intptr_t DialogNewVersionInfo::OnSetupDownloadStatus(std::unique_ptr<DownloadStatus> record) {
    // Only the records of the download that runs count; those of an earlier one are dropped.
    if (!record || m_worker == 0 || record->m_dwThreadId != m_worker)
        return 0;
    m_strStatus = newVersionStatusText(*record, m_strStatus);
    switch (record->m_nStatus) {
    case DOWNLOAD_FINISHED: {
        m_worker = 0;
        if (!m_strSetupFile.empty()) {
            std::error_code ec;
            std::filesystem::remove(m_strSetupFile, ec);
        }
        m_strSetupFile = record->m_szFile;
        UpdateData(false);
        // Nothing is run: the user is shown where the setup program lies.
        const std::string text = textcodec::formatText(kNewVersionDownloadedToText, m_strSetupFile.c_str());
        m_link.holding([&] { return services().boxes->messageBox(text, MB_OK | MB_ICONINFORMATION); });
        if (services().shell)
            services().shell->openFolder(std::filesystem::path(m_strSetupFile).parent_path());
        EndDialog(IDOK);
        return 0;
    }
    case DOWNLOAD_ERROR:
        m_worker = 0;
        m_btnDownload->setEnabled(true);
        break;
    case DOWNLOAD_ABORTED:
        m_worker = 0;
        UpdateData(false);
        EndDialog(IDCANCEL);
        return 0;
    default:
        break;
    }
    UpdateData(false);
    return 0;
}
