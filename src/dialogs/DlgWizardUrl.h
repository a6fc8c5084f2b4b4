#pragma once
// The first page of the server configuration wizard (3210): the user types or drops the address of
// the quotation page; Next downloads the page with its two conversions and shows it in the browser;
// the second Next goes on to the rule page (CDlgWizard).
//
//   CDlgWizardUrl page(services, document, this);
//   page.m_strUrl = url; page.m_strItemName = name; page.m_strItemSymbol = symbol;
//   page.m_strTemplateName = templateName;
//   if (page.DoModal() == IDOK) {
//       PageFiles files = page.TakePageFiles();  // the caller's; deleted when it lets go
//       ... page.m_strUrl, page.m_strRawFile (the page, now ".html"), m_strSemiHtmlFile, m_strTextFile
//   }
//
// Text dropped on the page (an address dragged from a browser) replaces the address. Closing the
// page while its download runs stops the download (every running download, as cancelling a page
// download does) and its files are deleted.

#include "dialogs/DlgPageDownload.h"
#include "framework/Dialog.h"
#include "retrieval/PageFiles.h"

#include <QPixmap>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
struct DownloadStatus;

// The wizard's picture (static 1174 on both pages).
QPixmap WizardPicture();
// Lays out a wizard page: the picture (static 1174) beside `content`, below them the buttons
// right-aligned, Cancel apart from the others.
void LayOutWizardPage(QWidget& page, QLayout* content, std::initializer_list<QWidget*> buttons, QWidget* cancel);

// The status text of the URL page before a download.
inline constexpr const char* kPressNextToDownloadText = "Press next to download the web page";

class CDlgWizardUrl : public Dialog {
public:
    CDlgWizardUrl(Services services, PageDownloadDocument& document, QWidget* parent = nullptr);
    ~CDlgWizardUrl() override;

    std::string m_strUrl;                               // edit 1006
    std::string m_strStatus = kPressNextToDownloadText; // edit 1159
    std::string m_strItemName;
    std::string m_strItemSymbol;
    std::string m_strTemplateName;
    std::string m_strRawFile; // after IDOK: the page (renamed to ".html")
    std::string m_strSemiHtmlFile;
    std::string m_strTextFile;

    // Sets the address edit (as if typed; used by drops).
    void SetUrl(const std::string& url);
    // The address was edited.
    void OnUrlChange();
    // Button 1157: downloads the page.
    void OnDownload();
    // A record of the page download (WMU_PAGE_DOWNLOAD_STATUS); the page owns it.
    void OnPageDownloadStatus(std::unique_ptr<DownloadStatus> record);

    // The three files after IDOK; the caller owns them from then on.
    PageFiles TakePageFiles();

    ReceiverId downloadTarget() const { return m_link.id(); }
    std::uint32_t workerId() const { return m_workerId; }

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Shows the download button (before and after a failed download) or Next (after success).
    void showNext(bool downloaded);

    PageDownloadDocument& m_document;
    QLineEdit* m_editUrl = nullptr;
    QPushButton* m_btnNext = nullptr;
    QPushButton* m_btnDownload = nullptr;
    QString m_shownUrl; // the address as last seen, so only a change counts as an edit
    PageFiles m_files;
    std::uint32_t m_workerId = 0;
    DialogLink m_link; // last: it goes first, before what its handler uses
};
