#pragma once
// The page download dialog (192, "Downloading data..."): downloads one web page with its semi-html
// and text-only conversions for a dialog that wants to look at it, shows the worker's progress,
// lets the user cancel, and closes with IDOK as soon as the three files are there.
//
//   CDlgDownloadContinue download(services, document, this);
//   download.m_strItemName = name;  download.m_strItemSymbol = symbol;  download.m_strUrl = url;
//   if (download.DoModal() == IDOK) {
//       PageFiles files = download.TakePageFiles();  // the caller's now; deleted when it lets go
//       ... files.paths().raw, .semiHtml, .text (also m_strRawFile, m_strSemiHtmlFile, m_strTextFile)
//   }
//
// Cancel asks every running download to stop (the document's AbortDownloads: the abort flag that
// every download polls, on purpose) and waits for the worker's last report; after an error it
// closes at once. Files the caller did not take are deleted with the dialog.

#include "dialogs/DlgPageDownload.h"
#include "framework/Dialog.h"
#include "retrieval/PageFiles.h"

#include <cstdint>
#include <memory>
#include <string>

class QPushButton;
struct DownloadStatus;

class CDlgDownloadContinue : public Dialog {
public:
    CDlgDownloadContinue(Services services, PageDownloadDocument& document, QWidget* parent = nullptr);
    ~CDlgDownloadContinue() override;

    std::uint8_t m_bAbortRequested = 0; // the user asked to cancel; the worker was told to abort
    std::uint8_t m_bError = 0;          // the worker reported an error (status 12)
    std::string m_strItemName;          // for [&name]
    std::string m_strItemSymbol;        // for [&symbol]
    std::string m_strUrl;               // the address to fetch
    std::string m_strRawFile;           // after IDOK: the page
    std::string m_strSemiHtmlFile;      // after IDOK: its semi-html conversion
    std::string m_strTextFile;          // after IDOK: its text-only conversion
    std::string m_strStatus;            // the status text (edit 1159)

    // The three files after IDOK; the caller owns them from then on.
    PageFiles TakePageFiles();

    // A record of the download (WMU_PAGE_DOWNLOAD_STATUS); the dialog owns it.
    void OnPageDownloadStatus(std::unique_ptr<DownloadStatus> record);
    // Button 2, Escape and the close button.
    void OnCancelDownload();

    // Where the download reports, and the worker the dialog waits for.
    ReceiverId downloadTarget() const { return m_link.id(); }
    std::uint32_t workerId() const { return m_workerId; }

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnCancel() override;

private:
    PageDownloadDocument& m_document;
    QPushButton* m_btnOk = nullptr;
    PageFiles m_files;
    std::uint32_t m_workerId = 0;
    DialogLink m_link; // last: it goes first, before what its handler uses
};
