#pragma once
// The new-version dialog (dialog 189): the release notes of a newer release and the download of
// its setup archive, whose progress the status field shows. Nothing is run: when the download has
// finished the user is told where the setup program lies and its folder is shown.

#include "dialogs/DlgPageDownload.h"
#include "framework/Dialog.h"
#include "retrieval/download.h"

#include <cstdint>
#include <memory>
#include <string>

class DownloadManager;
class QPushButton;

inline constexpr unsigned IDD_NEW_VERSION_INFO = 189;

namespace newversionids {
inline constexpr unsigned IDC_RELEASE_NOTES = 1300;
inline constexpr unsigned IDC_STATUS = 1159;
inline constexpr unsigned IDC_AVAILABLE_TEXT = 1303;
} // namespace newversionids

class DialogNewVersionInfo : public Dialog {
public:
    // `server`: the update server's base address; `options`: how the setup download connects.
    DialogNewVersionInfo(Services services, std::string server, DownloadOptions options, QWidget* parent = nullptr,
                         DownloadManager* downloads = nullptr);
    ~DialogNewVersionInfo() override;

    std::string m_strReleaseNotes;
    std::string m_strStatus;
    std::string m_strSetupFile; // the setup program of the last finished download
    QPushButton* m_btnDownload = nullptr;
    QPushButton* m_btnCancel = nullptr;

    // Button 1 (also Return): starts the setup download.
    void OnDownload();
    // A record of the setup download; returns 0.
    std::intptr_t OnSetupDownloadStatus(std::unique_ptr<DownloadStatus> record);

    // The id the setup download reports to.
    ReceiverId receiverId() const { return m_link.id(); }

protected:
    void DoDataExchange(DataExchange& dx) override;
    // OK is the download button: it starts the download and leaves the dialog open.
    void OnOK() override;

private:
    std::string m_server;
    DownloadOptions m_options;
    DownloadManager* m_downloads;
    std::uint32_t m_worker = 0; // the setup download whose records count
    DialogLink m_link;
};
