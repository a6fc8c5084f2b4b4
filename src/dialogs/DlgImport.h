#pragma once
// "Import Quotations", second page: the import URL with its date place holders, the page
// conversion, the number format, the case flag and the data format. "Next >" downloads the data
// (in blocks of N days when the URL holds [&chunk_N]) into temporary files and waits in the
// loaded state; "Next >" then ends the page with IDOK, as "Finish" does at once (downloading
// first when nothing is loaded yet). The files can be looked at, the settings saved as an import
// template or the template deleted.
//
// The caller sets the values of ImportPageValues it hands over (m_strTitle, m_strSymbol,
// m_strUrl, m_strTemplateName, m_nConversion, the separators, m_bCaseInsensitive,
// m_strDataFormat, m_dtBegin, m_dtEnd, m_bFinish) and m_pDocument, whose page downloads fetch the
// data, then runs DoModal. After IDOK it imports m_strImportFile; after IDCANCEL with m_bBack set
// it returns to the first page. The downloaded files (files()) belong to the caller until the
// page downloads again; the caller deletes them after the import. One page serves one run: the
// values are what lasts from one run to the next.
//
// While a download runs "Next >" and "Finish" wait for it, and a record of an earlier download is
// dropped. A record that arrives while a dialog of the page is open is handled after it closes.

#include "dialogs/DlgImportLogic.h"
#include "dialogs/ImportBlocks.h"
#include "framework/Dialog.h"

#include <array>
#include <deque>
#include <memory>

class CWPapierDoc;
class QComboBox;
class WindowMessageLink;

// The page's tool tips, by control. The data format's tip is HTML ("\n" is a line break too).
struct ImportToolTip {
    unsigned control;
    bool html;
    const char* text;
};
extern const std::array<ImportToolTip, 5> kImportToolTips;

class CDlgImport : public Dialog, public ImportPageValues {
public:
    explicit CDlgImport(Services services, QWidget* parent = nullptr);
    ~CDlgImport() override;

    CWPapierDoc* m_pDocument = nullptr; // starts the page downloads

    // The files of the last download: the page (or the blocks appended) and its two conversions.
    ImportPageFiles& files() { return m_download.files(); }
    const ImportBlockDownload& download() const { return m_download; }

    // A page-download record (WMU_PAGE_DOWNLOAD_STATUS); the page owns it from here.
    void OnPageDownloadStatus(std::unique_ptr<DownloadStatus> record);

    void done(int result) override;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    // Button 1, "Next >" once the data is loaded.
    void OnOK() override;

private:
    void OnUrlChange();
    void OnDownload();
    void OnFinish();
    void OnBack();
    void OnView(const char* extension);
    void OnConversion();
    void OnSaveAs();
    void OnDeleteTemplate();

    // The button states of the loaded data and of the download (the latter also while one runs).
    void setLoadedState();
    void setDownloadState();
    // "Next >" 1166 and "Finish" while a download runs, and by the URL's rule otherwise.
    void updateDownloadButtons();
    void showStatus();
    // Ends with IDOK, the values stored.
    void finishWithOk();
    // Return in the data format: what the default button "Next >" does, when it is there.
    void returnInDataFormat();

    // Holds the records that arrive while a dialog of the page is open.
    class HoldRecords;

    ImportBlockDownload m_download;
    std::unique_ptr<WindowMessageLink> m_link;
    int m_holdDepth = 0;
    std::deque<std::unique_ptr<DownloadStatus>> m_held;
    bool m_inUrlChange = false;
    int m_loadDepth = 0;                   // the controls are being loaded
    bool m_urlChangedWhileLoading = false; // ... and the URL was among them
    QComboBox* m_cbDataFormat = nullptr;
    QComboBox* m_cbSeparators = nullptr;
};
