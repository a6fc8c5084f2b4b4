#pragma once
// The main frame: holds the list view and the Downloads window, runs the timed update of all
// items, counts the downloads that the workers report and hands each report on to the list view
// and the Downloads window, keeps the notification tip and the progress pane, saves the portfolio
// after an update when asked to, and in the unattended update ends the program when the last
// download has reported (or the time limit has passed).
//
// It knows the program only through the context it is created with: the options, the services
// bundle, where run failures and the tray tip go, and where it registers its parts for the program
// host (the Downloads window, the update timer, the list view's settings).

#include "app/GuiLinks.h"
#include "app/ProgramRun.h"
#include "framework/FrameWnd.h"
#include "platform/OleDate.h"

#include <QRect>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class BCMenu;
class CDlgConn;
class CGraphView;
class CTextProgressCtrl;
class CToolBar24;
class CWPapierDoc;
class CWPapierLView;
class MMStatusBar;
class MenuPrompts;
class QMenu;
class QPrinter;
class QSplitter;
struct DownloadStatus;

// The program options the frame follows, as they are when asked.
struct MainFrameOptions {
    bool autoupdate = false;            // "Autoupdate": the timed update ...
    int updateInterval = 60;            // ... every "UpdateIntervall" minutes,
    bool autoupdateWithinHours = false; // ... with "Autoupdate_Time" only from Hour1:Minute1 to Hour2:Minute2
    int hour1 = 9, minute1 = 30, hour2 = 18, minute2 = 30;
    bool downloadStatus = true;       // "DownloadStatus": show the Downloads window
    bool showFileOnError = false;     // "ShowFileOnError"
    bool autoSaveAfterUpdate = false; // "AutoSaveAfterAutoUpdate"
    bool autosaveWindows = true;      // "AutosaveWindows": save the view options on closing
    bool updateMode = false;          // the unattended update (switch u)
    bool exportMode = false;          // the unattended export (switch e)
    int unattendedTimeLimitSeconds = 600;

    bool unattended() const { return updateMode || exportMode; }
};

// What the frame gets from the program at its construction.
struct MainFrameContext {
    std::function<MainFrameOptions()> options; // the options now (defaults when empty)
    Services services;
    RunFailureSink* runFailures = nullptr;
    TrayIconHost* tray = nullptr;
    GuiRegistry* gui = nullptr; // where the frame registers its parts
    // The application's printer, kept from one print job to the next (the frame keeps one of its
    // own when this is empty).
    std::function<QPrinter&()> printer;
};

class CMainFrame : public FrameWnd, public DownloadsWindowSink, public UpdateTimerSink {
public:
    explicit CMainFrame(MainFrameContext context);
    ~CMainFrame() override;

    // The options now.
    MainFrameOptions options() const;

    // --- creation ---
    // The stored placement "MainWindow"\"Dimensions" when it holds four numbers and a positive
    // width and height; the default rectangle on the primary screen otherwise.
    void PreCreateWindow(CreateStruct& cs) override;
    // The default rectangle of the first window: three quarters of the screen's available area in
    // each direction, centred on it, so that the list's first height leaves the chart room and
    // every status pane shows in full.
    static QRect defaultWindowRect(const QRect& available);
    int OnCreate(CreateContext& context) override;
    // The splitter: the list above, the chart below.
    bool OnCreateClient(CreateContext& context) override;
    // Loads the owner-drawn main menu 127 with the images of toolbars 132 and 129 and returns its
    // handle (the frame keeps the menu's drawing data).
    QMenu* LoadMainMenu();
    // Shows the main menu as the window's menu bar.
    void installMainMenu();
    // The notification icon's menu 130 (built once, owned by the frame).
    QMenu* trayMenu();
    // Popups of the owner-drawn menus take in items others added (the recent files).
    void OnInitMenuPopup(QMenu* popup) override;
    // The panes' update handlers, then the progress control follows its pane.
    void OnIdleUpdateCmdUI() override;

    // --- status texts ---
    void SetInvestmentSumText(const std::string& text);
    void SetSelectionSumText(const std::string& text);
    // Pane 0 at once; an empty text shows the selection's text.
    void SetStatusText(const std::string& text);
    const std::string& investmentSumText() const { return m_strInvestmentSum; }
    const std::string& selectionSumText() const { return m_strSelectionSum; }
    MMStatusBar* statusBarPanes() const { return m_wndStatusBar; }
    CToolBar24* toolBar() const { return m_wndToolBar; }
    QSplitter* splitter() const { return m_wndSplitter; }
    CGraphView* graphView() const { return m_pGraphView; }

    // The first calculator program found on PATH (empty: none).
    static std::filesystem::path findCalculator(const std::string& pathVariable);

    CWPapierDoc* document() const;

    // --- the update timer and updates ---
    // 0 stops the update timer; any other value (re)starts it with that many minutes, kept within
    // the option's range of 5 to 500.
    void SetUpdateTimer(int minutes) override;
    // The timer period for `minutes` (not 0), in milliseconds.
    static unsigned updateTimerPeriodMs(int minutes);
    // Whether a timed update at `now` lies in today's window from h1:m1 to h2:m2 (both ends
    // included, within half a second).
    static bool isInUpdateWindow(const OleDate& now, int hour1, int minute1, int hour2, int minute2);
    // Command 32781: updates all items; with Autoupdate on the timer starts over.
    void OnUpdateAll();
    // The number of items the last OnUpdateAll scheduled (0: no report will come).
    int lastUpdateScheduled() const { return m_nLastUpdateScheduled; }
    void OnTimer(unsigned id) override;

    // --- download reports ---
    std::intptr_t OnMessage(Message& message) override;
    std::intptr_t OnDownloadStatus(std::unique_ptr<DownloadStatus> record, std::intptr_t lParam);
    // Command 32797.
    void OnAbortDownloads();
    // Whether downloads run that may still be aborted: the state of the toolbar's Abort and of the
    // Downloads window's "Abort Downloads" alike.
    bool canAbortDownloads() const;
    // Command 32785: shows or hides the Downloads window.
    void OnConnectionStatus();

    // --- the unattended update ---
    // Starts the time limit of the update that is running.
    void startTimeLimit(int seconds);
    // Ends the unattended update: saves the portfolio under its own name (when `always`, or when it
    // changed) and ends the program.
    void finishUnattendedUpdate(bool always);

    // --- views and settings ---
    // Command 32935: the list view's quotation export; in the export mode a failure marks the run.
    void OnExportQuotations();
    // Command 32794 and the close of the window: the window's placement, the Downloads window's
    // column widths, the chart's comparison settings and the list view's display settings.
    void OnSaveViewOptions();
    // Command 32821: the comparison limits dialog on the chart's settings; on OK the views but the
    // list show them.
    void OnComparisonLimits();
    // Commands 57606 to 57609: the printer set-up, and the chart items printed with the print
    // dialog, straight to the printer, or in the preview.
    void OnFilePrintSetup();
    bool OnPrint(CommandId id);
    // The printer the print commands use.
    QPrinter& printer();
    void OnClose() override;

    // The text of the progress pane ("" when nothing is active).
    std::string progressText() const;
    CTextProgressCtrl* progressBar() const { return m_wndProgress; }

    // --- members ---
    int m_nDownloadsStarted = 0;
    int m_nActiveDownloads = 0;
    CDlgConn* m_dlgConn = nullptr; // a child window of the frame
    bool m_bDownloadsShownByCommand = false;
    CWPapierLView* m_pWPapierLView = nullptr;
    CGraphView* m_pGraphView = nullptr;
    unsigned m_nUpdateTimer = 0;
    int m_nTimePane = 3;

    // Outcome of the current batch of downloads: quotations found, not found (9 to 11), failed (12),
    // aborted (13).
    struct BatchCounts {
        int found = 0;
        int notFound = 0;
        int failed = 0;
        int aborted = 0;
    };
    const BatchCounts& batchCounts() const { return m_batch; }

    // The Downloads window's caption: string `id` (IDS_DOWNLOADS_CAPTION, IDS_ABORT_DOWNLOADS_CAPTION)
    // with the title of the portfolio.
    static std::string downloadsCaption(unsigned id, const std::string& documentTitle);

    // DownloadsWindowSink.
    void clearDownloadsList() override;
    void setDownloadsTitle(const std::string& documentTitle) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addFrameCommands();
    void setAccelerators();
    void createToolBar();
    void createStatusBar();
    void OnCompareAll();
    void linkViews();
    void addChartAndPrintCommands();
    void changeListDisplay(const std::function<void(CWPapierLView&)>& change);
    void OnExportServerSettings();
    void OnCalculator();
    void UpdateProgressPane();
    // The first window placed by default widens, within the screen, until its status panes show in
    // full (with the texts the idle update gave them).
    void fitStatusPanes();
    void placeProgress();
    void updateTrayTip();
    std::string documentTitle() const;
    std::string downloadsCaption(unsigned id) const { return downloadsCaption(id, documentTitle()); }
    void logBatchOutcome();
    OleDate preciseNow() const;
    void reportRunFailure(RunExitCode code, const std::string& reason) const;
    std::string lastErrorNotice() const;

    MainFrameContext m_context;

    int m_nLastUpdateScheduled = 0;
    BatchCounts m_batch;
    bool m_bTimeLimitHit = false;
    bool m_bFinishing = false;
    bool m_bTestCursor = false;
    bool m_bFitFirstWindow = false; // placed by default; until the list gave its first total
    CTextProgressCtrl* m_wndProgress = nullptr;
    QSplitter* m_wndSplitter = nullptr;
    CToolBar24* m_wndToolBar = nullptr;
    MMStatusBar* m_wndStatusBar = nullptr;
    std::unique_ptr<MenuPrompts> m_menuPrompts; // pane 0 while menus are open
    std::unique_ptr<BCMenu> m_menu;
    std::unique_ptr<BCMenu> m_trayMenu;
    std::string m_strInvestmentSum;
    std::string m_strSelectionSum;
    std::filesystem::path m_calculator;
    std::unique_ptr<QPrinter> m_printer; // when the context gives none
};
