#include "app/MainFrm.h"

#include "app/AppCommands.h"
#include "app/MainMenus.h"
#include "app/MenuPrompts.h"
#include "app/ReleaseInfo.h"
#include "app/Resource.h"
#include "controls/AppIcons.h"
#include "controls/Artwork.h"
#include "controls/BCMenu.h"
#include "controls/HyperLink.h"
#include "controls/MMStatusBar.h"
#include "controls/TextProgressCtrl.h"
#include "controls/ToolbarBitmap.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DlgConn.h"
#include "framework/FileDialogs.h"
#include "framework/HelpPages.h"
#include "framework/ItemTableModel.h"
#include "framework/MessageBoxes.h"
#include "framework/ResourceIds.h"
#include "framework/StringTable.h"
#include "framework/WinApp.h"
#include "log/Log.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/TextCodec.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/ServerConfigStore.h"
#include "retrieval/UpdateOrchestration.h"
#include "retrieval/download.h"
#include "views/GraphView.h"
#include "views/wpapierlview.h"
#include "views/wpapierlviewPrinting.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QKeySequence>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <QSplitter>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdio>

namespace {

constexpr int kMinUpdateMinutes = 5;
constexpr int kMaxUpdateMinutes = 500;
// How long the downloads may take to end after the time limit aborted them.
constexpr unsigned kGraceMs = 15000;
constexpr std::size_t kMaxCaption = 1023;

} // namespace

CMainFrame::CMainFrame(MainFrameContext context) : FrameWnd(context.services), m_context(std::move(context)) {
    BCMenu::xp_drawmode = 1;
    BCMenu::original_drawmode = 1;
    registerMainMenus();
    // The unattended export never shows the window: no icon is drawn for it.
    if (!options().exportMode)
        setWindowIcon(programIcon(IDI_TRAY));
    const char* path = std::getenv("PATH");
    m_calculator = findCalculator(path ? path : "");
    addCommand(ID_UPDATE_ALL, [this] { OnUpdateAll(); });
    addUpdateHandler(ID_UPDATE_ALL, [this](CmdUI& ui) {
        const CWPapierDoc* doc = document();
        ui.Enable(doc && doc->GetItemCount() > 1);
    });
    addCommand(ID_ABORT_DOWNLOADS, [this] { OnAbortDownloads(); });
    addUpdateHandler(ID_ABORT_DOWNLOADS, [this](CmdUI& ui) {
        const bool enable = canAbortDownloads();
        ui.Enable(enable);
        // The Downloads window's button follows the toolbar's Abort.
        if (m_dlgConn)
            m_dlgConn->abortButton()->setEnabled(enable);
    });
    addCommand(ID_CONNECTION_STATUS, [this] { OnConnectionStatus(); });
    addUpdateHandler(ID_CONNECTION_STATUS,
                     [this](CmdUI& ui) { ui.SetCheck(m_dlgConn && m_dlgConn->isVisible() ? 1 : 0); });
    addCommand(ID_EXPORT_QUOTATIONS, [this] { OnExportQuotations(); });
    addUpdateHandler(ID_EXPORT_QUOTATIONS, [this](CmdUI& ui) {
        const CWPapierDoc* doc = document();
        ui.Enable(doc && !doc->IsWPListEmpty());
    });
    addCommand(ID_SAVE_VIEW_OPTIONS, [this] { OnSaveViewOptions(); });
    // No other portfolio while downloads run.
    const auto whileIdle = [this](CmdUI& ui) { ui.Enable(m_nActiveDownloads == 0); };
    addUpdateHandler(ID_FILE_NEW, whileIdle);
    addUpdateHandler(ID_FILE_OPEN, whileIdle);
    addFrameCommands();
    setAccelerators();
    bindOptionsAndAboutCommands(*this);
}

CMainFrame::~CMainFrame() {
    // The program host reaches none of the frame's parts from here on.
    if (m_context.gui)
        m_context.gui->unregisterGui();
    // The chart outlives this part of the frame while the child windows go: it calls nothing here.
    if (m_pGraphView)
        m_pGraphView->setLinks({});
    if (m_pWPapierLView)
        m_pWPapierLView->onMouseMove = nullptr;
    // Reports of later downloads find no receiver rather than a window that is gone.
    DownloadRouting routing = GetDownloadRouting();
    if (routing.mainWindow == messageTargetId()) {
        routing.mainWindow = 0;
        SetDownloadRouting(routing);
    }
    if (m_bTestCursor)
        QApplication::restoreOverrideCursor();
}

MainFrameOptions CMainFrame::options() const {
    return m_context.options ? m_context.options() : MainFrameOptions{};
}

void CMainFrame::reportRunFailure(RunExitCode code, const std::string& reason) const {
    if (m_context.runFailures)
        m_context.runFailures->reportRunFailure(code, reason);
    else
        CVR_LOG(LOG_LEVEL_ERROR, "%s", reason.c_str());
}

std::string CMainFrame::lastErrorNotice() const {
    return m_context.runFailures ? m_context.runFailures->lastErrorNotice() : std::string();
}

// Now in local time with its fraction of a second (the timer's window is measured to half a second).
OleDate CMainFrame::preciseNow() const {
    const auto now = services().clock->now();
    const auto seconds = std::chrono::time_point_cast<std::chrono::seconds>(now);
    OleDate date = OleDate::fromTimeT(std::chrono::system_clock::to_time_t(seconds));
    if (date.GetStatus() == OleDate::valid) {
        const double fraction = std::chrono::duration<double>(now - seconds).count();
        date.m_dt += (date.m_dt >= 0 ? fraction : -fraction) / 86400.0;
    }
    return date;
}

CWPapierDoc* CMainFrame::document() const {
    return dynamic_cast<CWPapierDoc*>(GetActiveDocument());
}

std::string CMainFrame::documentTitle() const {
    const CWPapierDoc* doc = document();
    return doc ? doc->GetTitle() : std::string(Document::kUntitled);
}

std::string CMainFrame::downloadsCaption(unsigned id, const std::string& documentTitle) {
    const std::string format = LoadString(id);
    return textcodec::truncateUtf8Chars(textcodec::formatText(format.c_str(), documentTitle.c_str()), kMaxCaption);
}

void CMainFrame::clearDownloadsList() {
    if (m_dlgConn)
        m_dlgConn->ClearList();
}

void CMainFrame::setDownloadsTitle(const std::string& documentTitle) {
    if (m_dlgConn)
        m_dlgConn->setWindowTitle(QString::fromStdString(downloadsCaption(IDS_DOWNLOADS_CAPTION, documentTitle)));
}

// ---------------------------------------------------------------- creation

void CMainFrame::PreCreateWindow(CreateStruct& cs) {
    const std::string text = services().settings->readString("MainWindow", "Dimensions");
    if (!text.empty()) {
        int values[4] = {};
        int count = 0;
        const char* p = text.data();
        const char* end = p + text.size();
        while (count < 4 && p < end) {
            const auto [next, ec] = std::from_chars(p, end, values[count]);
            if (ec != std::errc())
                break;
            ++count;
            p = next;
            if (p < end && *p == ',')
                ++p;
        }
        // Fewer numbers, or an empty or inverted rectangle: the default one.
        if (count == 4 && values[2] - values[0] > 0 && values[3] - values[1] > 0) {
            cs.x = values[0];
            cs.y = values[1];
            cs.cx = values[2] - values[0];
            cs.cy = values[3] - values[1];
        }
    }
    if (cs.cx == CreateStruct::kUseDefault) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen && !screen->availableGeometry().isEmpty()) {
            const QRect first = defaultWindowRect(screen->availableGeometry());
            cs.x = first.x();
            cs.y = first.y();
            cs.cx = first.width();
            cs.cy = first.height();
            m_bFitFirstWindow = true;
        }
    }
    FrameWnd::PreCreateWindow(cs);
}

void CMainFrame::fitStatusPanes() {
    if (!m_wndStatusBar || m_wndStatusBar->GetCount() < 2 || isMaximized() || isFullScreen())
        return;
    // Room for the panes after the message pane, the bar's edge and grip, and a message.
    constexpr int kMessageRoom = 200;
    const QRect first = m_wndStatusBar->GetItemRect(1);
    const QRect last = m_wndStatusBar->GetItemRect(m_wndStatusBar->GetCount() - 1);
    const auto* grip = m_wndStatusBar->findChild<QSizeGrip*>();
    const int edge = grip && grip->isVisible() ? std::max(0, m_wndStatusBar->width() - grip->x()) : 0;
    const int needed = last.left() + last.width() - first.left() + edge + kMessageRoom;
    const int extra = needed - m_wndStatusBar->width();
    const QScreen* screen = this->screen();
    if (extra <= 0 || !screen)
        return;
    const QRect available = screen->availableGeometry();
    const int frameExtra = frameGeometry().width() - width();
    const int newWidth = std::min(width() + extra, std::max(available.width() - frameExtra, 1));
    resize(newWidth, height());
    move(available.x() + (available.width() - newWidth - frameExtra) / 2, pos().y());
}

QRect CMainFrame::defaultWindowRect(const QRect& available) {
    const QSize size(std::clamp(available.width() * 3 / 4, 1, std::max(available.width(), 1)),
                     std::clamp(available.height() * 3 / 4, 1, std::max(available.height(), 1)));
    const QPoint topLeft(available.x() + (available.width() - size.width()) / 2,
                         available.y() + (available.height() - size.height()) / 2);
    return {topLeft, size};
}

int CMainFrame::OnCreate(CreateContext& context) {
    if (FrameWnd::OnCreate(context) == -1)
        return -1;
    // The unattended export shows nothing: no tool bar (its images are drawn when it is made).
    if (!options().exportMode)
        createToolBar();
    createStatusBar();

    m_dlgConn = new CDlgConn(this, services());
    m_dlgConn->setOptionsSource([this] {
        const MainFrameOptions now = options();
        CDlgConn::Options options;
        options.downloadStatus = now.downloadStatus;
        options.showFileOnError = now.showFileOnError;
        options.updateMode = now.updateMode;
        return options;
    });
    m_dlgConn->setAbortHandler([this] { SendCommand(ID_ABORT_DOWNLOADS); });
    m_dlgConn->hide();

    // The program host reaches the Downloads window, the update timer, the chart and the list
    // view's settings through these.
    if (m_context.gui)
        m_context.gui->registerGui({this, this, m_pGraphView, m_pWPapierLView});

    // Update and test reports of the document's downloads come to this window.
    DownloadRouting routing = GetDownloadRouting();
    routing.mainWindow = messageTargetId();
    SetDownloadRouting(routing);

    // Row 0 of the splitter: its stored height.
    if (m_wndSplitter) {
        const int listHeight = std::max(services().settings->readInt(kListViewSection, "Dimensions", 282), 0);
        m_wndSplitter->setSizes({listHeight, std::max(height() - listHeight, 1)});
    }

    if (const MainFrameOptions now = options(); now.autoupdate)
        SetUpdateTimer(now.updateInterval);

    // The time pane, its clock ticking every second.
    if (m_wndStatusBar) {
        const unsigned panes[] = {0, ID_INDICATOR_INVESTMENT, ID_INDICATOR_CONNECTION, ID_INDICATOR_TIME};
        m_nTimePane = 3;
        m_wndStatusBar->SetTimer(ID_TIMER_CLOCK, 1000);
        if (!m_wndStatusBar->SetIndicators(panes)) {
            CVR_LOG(LOG_LEVEL_ERROR, "Failed to initialize Status Bar\n");
            return -1;
        }
    }
    return 0;
}

// ---------------------------------------------------------------- update timer

unsigned CMainFrame::updateTimerPeriodMs(int minutes) {
    const long long clamped = std::clamp<long long>(minutes, kMinUpdateMinutes, kMaxUpdateMinutes);
    return static_cast<unsigned>(clamped * 60000LL);
}

void CMainFrame::SetUpdateTimer(int minutes) {
    if (minutes == 0) {
        if (m_nUpdateTimer != 0)
            KillTimer(ID_TIMER_UPDATE);
        return;
    }
    if (minutes < kMinUpdateMinutes || minutes > kMaxUpdateMinutes)
        CVR_LOG(LOG_LEVEL_WARNING, "Update interval of %i minutes is outside 5 to 500 minutes; using %u", minutes,
                updateTimerPeriodMs(minutes) / 60000);
    m_nUpdateTimer = SetTimer(ID_TIMER_UPDATE, updateTimerPeriodMs(minutes));
    if (m_nUpdateTimer == 0)
        services().boxes->messageBox("Timer error!");
}

bool CMainFrame::isInUpdateWindow(const OleDate& now, int hour1, int minute1, int hour2, int minute2) {
    if (now.GetStatus() != OleDate::valid)
        return false;
    const OleDate start(now.GetYear(), now.GetMonth(), now.GetDay(), hour1, minute1, 0);
    const OleDate end(now.GetYear(), now.GetMonth(), now.GetDay(), hour2, minute2, 0);
    if (start.GetStatus() != OleDate::valid || end.GetStatus() != OleDate::valid)
        return false;
    return dateEarlierOrEqual(start, now) && dateEarlierOrEqual(now, end);
}

void CMainFrame::OnTimer(unsigned id) {
    const MainFrameOptions now = options();
    switch (id) {
    case ID_TIMER_UPDATE:
        if (!now.autoupdateWithinHours ||
            isInUpdateWindow(preciseNow(), now.hour1, now.minute1, now.hour2, now.minute2))
            OnUpdateAll();
        break;
    case ID_TIMER_UNATTENDED_LIMIT: {
        KillTimer(ID_TIMER_UNATTENDED_LIMIT);
        const int seconds = now.unattendedTimeLimitSeconds;
        CVR_LOG(LOG_LEVEL_WARNING, "Time limit of %i seconds reached, aborting %i downloads...", seconds,
                m_nActiveDownloads);
        m_bTimeLimitHit = true;
        reportRunFailure(kExitTimeLimit, "the update did not finish within its time limit of " +
                                             std::to_string(seconds) + " seconds; the downloads were aborted");
        if (m_nActiveDownloads > 0) {
            OnAbortDownloads();
            SetTimer(ID_TIMER_UNATTENDED_GRACE, kGraceMs);
        } else {
            finishUnattendedUpdate(true);
        }
        break;
    }
    case ID_TIMER_UNATTENDED_GRACE:
        KillTimer(ID_TIMER_UNATTENDED_GRACE);
        CVR_LOG(LOG_LEVEL_ERROR, "%i downloads did not end after the abort; saving what arrived", m_nActiveDownloads);
        finishUnattendedUpdate(true);
        break;
    default:
        break;
    }
    FrameWnd::OnTimer(id);
}

void CMainFrame::OnUpdateAll() {
    m_nLastUpdateScheduled = 0;
    if (CWPapierDoc* doc = document())
        m_nLastUpdateScheduled = UpdateAllItems(*doc);
    if (const MainFrameOptions now = options(); now.autoupdate)
        SetUpdateTimer(now.updateInterval);
}

// ---------------------------------------------------------------- download reports

std::intptr_t CMainFrame::OnMessage(Message& message) {
    if (message.message != WMU_DOWNLOAD_STATUS)
        return FrameWnd::OnMessage(message);
    if (!message.recordAs<DownloadStatus>())
        return 0;
    std::unique_ptr<DownloadStatus> record(static_cast<DownloadStatus*>(message.record.release()));
    return OnDownloadStatus(std::move(record), message.lParam);
}

std::intptr_t CMainFrame::OnDownloadStatus(std::unique_ptr<DownloadStatus> record, std::intptr_t) {
    if (!record)
        return 0;
    const MainFrameOptions now = options();
    const bool test = record->m_nJobId != 0;
    const int status = record->m_nStatus;

    // 1. A test download shows the busy cursor; an update counts its starts.
    if (test) {
        if (!m_bTestCursor && hasWidgets()) {
            QApplication::setOverrideCursor(Qt::BusyCursor);
            m_bTestCursor = true;
        }
    } else if (status == DOWNLOAD_INITIALIZED) {
        if (m_nActiveDownloads == 0)
            m_batch = {};
        ++m_nDownloadsStarted;
        ++m_nActiveDownloads;
        if (m_dlgConn) {
            if (!now.updateMode && now.downloadStatus) {
                m_dlgConn->setWindowTitle(QString::fromStdString(downloadsCaption(IDS_DOWNLOADS_CAPTION)));
                // A timed update may start while the user works in a dialog: the window takes no
                // focus and stays off (and below) a modal one.
                m_dlgConn->showQuietly(hasWidgets() ? QApplication::activeModalWidget() : nullptr);
            }
            m_dlgConn->abortButton()->setEnabled(canAbortDownloads());
        }
    }

    // 2. A final report: the list view gets a copy, which takes the quotation over.
    if (isFinalDownloadStatus(status)) {
        if (test) {
            if (m_bTestCursor) {
                QApplication::restoreOverrideCursor();
                m_bTestCursor = false;
            }
        } else {
            --m_nActiveDownloads;
            if (status == DOWNLOAD_FINISHED)
                ++m_batch.found;
            else if (status == DOWNLOAD_ERROR)
                ++m_batch.failed;
            else if (status == DOWNLOAD_ABORTED)
                ++m_batch.aborted;
            else
                ++m_batch.notFound;
        }
        if (m_pWPapierLView)
            m_pWPapierLView->OnDownloadStatus(record->copyTakingQuotation());
    }

    // 3. A test report ends here.
    if (test)
        return 0;

    // 4. to 6. Progress, the Downloads window (which destroys the record) and the tip.
    UpdateProgressPane();
    if (m_dlgConn)
        m_dlgConn->OnDownloadStatus(std::move(record));
    record.reset();
    updateTrayTip();

    // 7. The last active download has reported.
    if (m_nActiveDownloads <= 0 && isFinalDownloadStatus(status)) {
        m_nActiveDownloads = 0;
        m_nDownloadsStarted = 0;
        if (m_dlgConn) {
            m_dlgConn->setWindowTitle(QString::fromStdString(downloadsCaption(IDS_DOWNLOADS_CAPTION)));
            m_dlgConn->abortButton()->setEnabled(canAbortDownloads());
        }
        UpdateProgressPane();
        logBatchOutcome();
        if (now.autoSaveAfterUpdate) {
            CVR_LOG(LOG_LEVEL_INFO, "Auto-saving portfolio after auto-update...");
            SendCommand(ID_FILE_SAVE);
        }
        if (now.updateMode)
            finishUnattendedUpdate(true);
    }
    return 0;
}

void CMainFrame::logBatchOutcome() {
    const int total = m_batch.found + m_batch.notFound + m_batch.failed + m_batch.aborted;
    const int level = m_batch.notFound + m_batch.failed + m_batch.aborted > 0 ? LOG_LEVEL_WARNING : LOG_LEVEL_INFO;
    CVR_LOG(level, "Update finished: %i of %i quotations found, %i not found, %i download errors, %i aborted",
            m_batch.found, total, m_batch.notFound, m_batch.failed, m_batch.aborted);
}

std::string CMainFrame::progressText() const {
    if (m_nActiveDownloads == 0)
        return {};
    const std::string format = LoadString(IDS_PROGRESS);
    return textcodec::formatText(format.c_str(), m_nDownloadsStarted - m_nActiveDownloads, m_nDownloadsStarted);
}

void CMainFrame::UpdateProgressPane() {
    const std::string text = progressText();
    if (!m_wndStatusBar)
        return;
    if (!m_wndProgress) {
        // Over the connection pane, for the rest of the run; it follows the pane as the bar resizes.
        m_wndProgress = new CTextProgressCtrl(m_wndStatusBar);
        m_wndProgress->setObjectName(QStringLiteral("progress"));
        m_wndProgress->m_nClickCommand = ID_CONNECTION_STATUS;
        m_wndProgress->show();
    }
    placeProgress();
    m_wndProgress->SetRange(0, m_nDownloadsStarted);
    m_wndProgress->SetStep(1);
    m_wndProgress->SetPos(m_nActiveDownloads != 0 ? m_nDownloadsStarted - m_nActiveDownloads : 0);
    m_wndProgress->SetShowText(true);
    m_wndProgress->SetWindowText(QString::fromStdString(text));
}

void CMainFrame::updateTrayTip() {
    if (!m_context.tray)
        return;
    const std::string title = documentTitle();
    std::string tip;
    if (m_nActiveDownloads < 1)
        tip = title + " (Finished)";
    else if (m_nActiveDownloads == 1)
        tip = title + " (1 Download)";
    else
        tip = title + " (" + std::to_string(m_nActiveDownloads) + " Downloads)";
    m_context.tray->ModifyTrayIcon(tip);
}

bool CMainFrame::canAbortDownloads() const {
    return m_nActiveDownloads > 0 && g_bAbortDownloads.load() == 0;
}

void CMainFrame::OnAbortDownloads() {
    if (m_nActiveDownloads <= 0)
        return;
    if (m_dlgConn) {
        m_dlgConn->setWindowTitle(QString::fromStdString(downloadsCaption(IDS_ABORT_DOWNLOADS_CAPTION)));
        m_dlgConn->abortButton()->setEnabled(false);
    }
    if (m_context.tray)
        m_context.tray->ModifyTrayIcon(m_context.tray->trayTip(), IDI_TRAY_ABORT);
    if (CWPapierDoc* doc = document())
        doc->AbortDownloads();
    else
        AbortAllDownloads();
}

void CMainFrame::OnConnectionStatus() {
    if (!m_dlgConn)
        return;
    if (m_bDownloadsShownByCommand) {
        m_bDownloadsShownByCommand = false;
        m_dlgConn->hide();
        return;
    }
    m_bDownloadsShownByCommand = true;
    m_dlgConn->abortButton()->setEnabled(canAbortDownloads());
    const bool aborting = g_bAbortDownloads.load() != 0;
    m_dlgConn->setWindowTitle(
        QString::fromStdString(downloadsCaption(aborting ? IDS_ABORT_DOWNLOADS_CAPTION : IDS_DOWNLOADS_CAPTION)));
    m_dlgConn->show();
    m_dlgConn->raise();
    m_dlgConn->activateWindow();
}

// ---------------------------------------------------------------- the unattended update

void CMainFrame::startTimeLimit(int seconds) {
    const long long ms = std::clamp<long long>(static_cast<long long>(seconds) * 1000LL, 10, INT_MAX);
    CVR_LOG(LOG_LEVEL_DEBUG, "Time limit of the update: %i seconds", seconds);
    SetTimer(ID_TIMER_UNATTENDED_LIMIT, static_cast<unsigned>(ms));
}

void CMainFrame::finishUnattendedUpdate(bool always) {
    if (m_bFinishing)
        return;
    m_bFinishing = true;
    KillTimer(ID_TIMER_UNATTENDED_LIMIT);
    KillTimer(ID_TIMER_UNATTENDED_GRACE);
    CWPapierDoc* doc = document();
    if (doc && (always || doc->IsModified())) {
        CVR_LOG(LOG_LEVEL_INFO, "Saving portfolio and closing application...");
        if (!doc->OnSaveDocument(doc->GetPathName())) {
            const std::string reason = lastErrorNotice();
            reportRunFailure(kExitSaveFailed, reason.empty()
                                                  ? "cannot save the portfolio '" + doc->GetPathName().string() + "'"
                                                  : reason);
        }
    } else {
        CVR_LOG(LOG_LEVEL_INFO, "Closing application...");
    }
    // As the File menu's exit: the window closes and the program ends.
    OnClose();
}

// ---------------------------------------------------------------- commands

void CMainFrame::OnExportQuotations() {
    if (!m_pWPapierLView)
        return;
    const CWPapierDoc* doc = document();
    const std::filesystem::path target =
        doc ? CWPapierDoc::quotationExportPath(doc->GetPathName()) : std::filesystem::path();
    const bool ok = m_pWPapierLView->ExportQuotations();
    if (!ok && options().exportMode)
        reportRunFailure(kExitExportFailed, "cannot export the quotations to '" + target.string() + "'");
}

void CMainFrame::OnSaveViewOptions() {
    CVR_LOG(LOG_LEVEL_INFO, "Saving program options...");
    const QRect frame = frameGeometry();
    if (frame.left() > 0 && frame.top() > 0 && frame.right() > 0 && frame.bottom() > 0 && !isMaximized()) {
        char text[64];
        std::snprintf(text, sizeof text, "%i,%i,%i,%i", frame.left(), frame.top(), frame.left() + frame.width(),
                      frame.top() + frame.height());
        services().settings->writeString("MainWindow", "Dimensions", text);
    }
    if (m_wndSplitter && !m_wndSplitter->sizes().isEmpty())
        services().settings->writeInt(kListViewSection, "Dimensions", m_wndSplitter->sizes().first());
    if (m_dlgConn)
        m_dlgConn->SaveColumnWidths();
    if (m_pGraphView)
        m_pGraphView->SaveSettings();
    if (m_pWPapierLView)
        m_pWPapierLView->SaveSettings();
    CVR_LOG(LOG_LEVEL_INFO, "Finished saving program options.");
}

void CMainFrame::OnClose() {
    const MainFrameOptions now = options();
    if (!now.unattended()) {
        if (now.autosaveWindows)
            OnSaveViewOptions();
        FrameWnd::OnClose();
        return;
    }
    // An unattended run ends whatever the document says: nobody is there to answer.
    KillTimer(ID_TIMER_UPDATE);
    KillTimer(ID_TIMER_UNATTENDED_LIMIT);
    KillTimer(ID_TIMER_UNATTENDED_GRACE);
    Document* doc = GetActiveDocument();
    if (doc && !doc->CanCloseFrame()) {
        const std::string reason = lastErrorNotice();
        reportRunFailure(kExitSaveFailed, reason.empty() ? "the portfolio's changes could not be saved" : reason);
    }
    hide();
    if (m_dlgConn)
        m_dlgConn->hide();
    if (doc)
        doc->OnCloseDocument();
    quitApplication(0);
}

// ---------------------------------------------------------------- client area, bars and menus

bool CMainFrame::OnCreateClient(CreateContext& context) {
    if (!context.m_newView)
        return FrameWnd::OnCreateClient(context);
    m_wndSplitter = new QSplitter(Qt::Vertical, this);
    m_wndSplitter->setObjectName(QStringLiteral("splitter"));
    m_wndSplitter->setChildrenCollapsible(false);
    // As the window grows or shrinks the chart takes the difference; the list keeps its height.
    m_wndSplitter->setStretchFactor(0, 0);
    setCentralWidget(m_wndSplitter);
    View* list = CreateView(context, m_wndSplitter);
    m_pWPapierLView = dynamic_cast<CWPapierLView*>(list);
    if (!list) {
        CVR_LOG(LOG_LEVEL_ERROR, "Error in m_wndSplitter.CreateView(0,0,...)!");
        m_wndSplitter->deleteLater();
        m_wndSplitter = nullptr;
        return FrameWnd::OnCreateClient(context);
    }
    m_wndSplitter->addWidget(list);
    // The unattended export writes the quotations and ends: it has no chart to show.
    View* chart = options().exportMode ? nullptr : CreateView(context, m_wndSplitter, std::make_unique<CGraphView>());
    m_pGraphView = dynamic_cast<CGraphView*>(chart);
    if (chart) {
        m_wndSplitter->addWidget(chart);
        m_wndSplitter->setStretchFactor(1, 1);
    } else if (!options().exportMode)
        CVR_LOG(LOG_LEVEL_ERROR, "Error in m_wndSplitter.CreateView(1,0,...)!");
    SetActiveView(list);
    if (m_pWPapierLView) {
        m_pWPapierLView->onInvestmentSumText = [this](const std::string& text) { SetInvestmentSumText(text); };
        m_pWPapierLView->onSelectionSumText = [this](const std::string& text) { SetSelectionSumText(text); };
        m_pWPapierLView->sortSource = [this] {
            return ListSortSource{this, m_pWPapierLView, m_pWPapierLView ? m_pWPapierLView->GetDocument() : nullptr};
        };
    }
    if (m_pGraphView) {
        // The chart's comparison settings, from the store the frame's services hold.
        m_pGraphView->LoadSettings();
        linkViews();
    }
    return true;
}

void CMainFrame::linkViews() {
    GraphViewLinks links;
    links.currentItem = [this] {
        return m_pWPapierLView ? m_pWPapierLView->selection().m_posCurrentItem : kNoItemPos;
    };
    links.chartItems = [this] {
        return m_pWPapierLView ? m_pWPapierLView->GetChartItemsCopy() : std::vector<ItemPos>{};
    };
    links.listView = m_pWPapierLView;
    // The item commands of the chart run as the list view has them: its handler and its update
    // handler (enabled when it handles the command without one); one it lacks stays disabled.
    links.listViewCommand = [this](CommandId id) {
        return m_pWPapierLView && routeCommand({m_pWPapierLView}, id);
    };
    links.listViewUpdate = [this](CmdUI& ui) {
        return m_pWPapierLView && routeCommandUpdate({m_pWPapierLView}, ui);
    };
    links.showItemProperties = [this](int page, int quotationIndex) {
        if (m_pWPapierLView)
            m_pWPapierLView->ShowItemPropertiesOf(page, quotationIndex);
    };
    links.setStatusText = [this](const std::string& text) { SetStatusText(text); };
    m_pGraphView->setLinks(std::move(links));
    // A mouse move over the list removes the chart's point cursor.
    if (m_pWPapierLView)
        m_pWPapierLView->onMouseMove = [this] {
            if (m_pGraphView)
                m_pGraphView->HideCursor();
        };
}

void CMainFrame::createToolBar() {
    m_wndToolBar = new CToolBar24(this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar_127"));
    m_wndToolBar->setIconSize(toolbarButtonSize(IDR_MAINFRAME));
    for (const unsigned id : toolbarButtons(IDR_MAINFRAME)) {
        if (id == 0)
            m_wndToolBar->addSeparator();
        else
            m_wndToolBar->addAction(commandAction(id));
    }
    m_wndToolBar->SetToolbarTrueColorImages(IDB_TOOLBAR_STRIP, RGB(255, 0, 255));
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
}

void CMainFrame::createStatusBar() {
    m_wndStatusBar = new MMStatusBar(this);
    m_wndStatusBar->setObjectName(QStringLiteral("statusbar"));
    setStatusBar(m_wndStatusBar);
    const unsigned panes[] = {0, ID_INDICATOR_INVESTMENT, ID_INDICATOR_CONNECTION};
    if (!m_wndStatusBar->SetIndicators(panes))
        CVR_LOG(LOG_LEVEL_ERROR, "Status could not be created!");
    m_menuPrompts = std::make_unique<MenuPrompts>(*this, *m_wndStatusBar,
                                                  [this] { return QString::fromStdString(m_strSelectionSum); });
    // The progress control lies over the connection pane wherever the bar puts it.
    m_wndStatusBar->installEventFilter(this);
}

QMenu* CMainFrame::LoadMainMenu() {
    m_menu = std::make_unique<BCMenu>(this);
    if (!m_menu->LoadMenu(IDR_MAINFRAME))
        return nullptr;
    const unsigned toolbars[] = {132, 129};
    m_menu->LoadToolbarImages(toolbars);
    return m_menu->Detach();
}

void CMainFrame::installMainMenu() {
    QMenu* handle = LoadMainMenu();
    if (!handle)
        return;
    BCMenu::showAsMenuBar(*this, handle);
    const std::function<void(QMenu*)> bindAll = [&](QMenu* menu) {
        bindMenu(menu);
        for (QAction* action : menu->actions()) {
            if (QMenu* sub = action->menu())
                bindAll(sub);
            else if (action->data().toUInt() == ID_FILE_MRU_FILE1)
                bindRecentFileMenu(menu, action);
        }
    };
    for (QAction* action : handle->actions())
        if (QMenu* popup = action->menu())
            bindAll(popup);
}

QMenu* CMainFrame::trayMenu() {
    if (!m_trayMenu) {
        m_trayMenu = std::make_unique<BCMenu>(this);
        if (!m_trayMenu->LoadMenu(IDR_TRAY_MENU))
            return nullptr;
        const unsigned toolbars[] = {132, 129};
        m_trayMenu->LoadToolbarImages(toolbars);
        if (QMenu* popup = m_trayMenu->GetSubMenu(0))
            bindMenu(popup);
    }
    return m_trayMenu->GetSubMenu(0);
}

void CMainFrame::OnInitMenuPopup(QMenu* popup) {
    if (m_menuPrompts)
        m_menuPrompts->menuOpening(popup);
    if (BCMenu::IsBCMenuHandle(popup))
        BCMenu::SyncPopupMenu(popup);
}

void CMainFrame::placeProgress() {
    if (!m_wndStatusBar || !m_wndProgress)
        return;
    const int pane = m_wndStatusBar->CommandToIndex(ID_INDICATOR_CONNECTION);
    if (pane >= 0 && m_wndProgress->geometry() != m_wndStatusBar->GetItemRect(pane))
        m_wndProgress->setGeometry(m_wndStatusBar->GetItemRect(pane));
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_wndStatusBar && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        placeProgress();
    return FrameWnd::eventFilter(watched, event);
}

void CMainFrame::OnIdleUpdateCmdUI() {
    FrameWnd::OnIdleUpdateCmdUI();
    if (m_bFitFirstWindow && isVisible()) {
        fitStatusPanes();
        if (!m_strInvestmentSum.empty())
            m_bFitFirstWindow = false;
    }
    // The panes before it may have changed their widths with their texts.
    placeProgress();
}

// ---------------------------------------------------------------- status texts

void CMainFrame::SetInvestmentSumText(const std::string& text) {
    CVR_LOG(LOG_LEVEL_DEBUG, "Setting investment sum status text to: %s", text.c_str());
    m_strInvestmentSum = text;
    requestCommandUIUpdate();
}

void CMainFrame::SetSelectionSumText(const std::string& text) {
    CVR_LOG(LOG_LEVEL_DEBUG, "Setting selection investment sum status text to: '%s'", text.c_str());
    m_strSelectionSum = text;
    if (m_menuPrompts)
        m_menuPrompts->setText(QString::fromStdString(text));
}

void CMainFrame::SetStatusText(const std::string& text) {
    if (m_menuPrompts)
        m_menuPrompts->setText(QString::fromStdString(text.empty() ? m_strSelectionSum : text));
}

// ---------------------------------------------------------------- frame commands


void CMainFrame::addFrameCommands() {
    addChartAndPrintCommands();

    addCommand(ID_COMPARE_ALL, [this] { OnCompareAll(); });
    addUpdateHandler(ID_COMPARE_ALL, [this](CmdUI& ui) {
        const int rows = m_pWPapierLView ? m_pWPapierLView->model().rowCount() : 0;
        const auto selected = m_pWPapierLView ? m_pWPapierLView->selection().m_SelectedItems.size() : 0u;
        ui.Enable(rows > 1);
        ui.SetCheck(rows > 0 && static_cast<int>(selected) == rows ? 1 : 0);
    });
    addCommand(ID_TOGGLE_PERCENTUAL, [this] {
        changeListDisplay(
            [](CWPapierLView& view) { view.options().m_bProcentualValue = !view.options().m_bProcentualValue; });
    });
    addUpdateHandler(ID_TOGGLE_PERCENTUAL, [this](CmdUI& ui) {
        ui.SetCheck(m_pWPapierLView && m_pWPapierLView->options().m_bProcentualValue ? 1 : 0);
    });
    addCommand(ID_DECREASE_DECIMALS, [this] {
        changeListDisplay([](CWPapierLView& view) {
            view.options().m_nDecimalCases = std::max(view.options().m_nDecimalCases - 1, 0);
        });
    });
    addUpdateHandler(ID_DECREASE_DECIMALS, [this](CmdUI& ui) {
        ui.Enable(m_pWPapierLView && m_pWPapierLView->options().m_nDecimalCases > 0);
    });
    addCommand(ID_INCREASE_DECIMALS, [this] {
        changeListDisplay([](CWPapierLView& view) {
            view.options().m_nDecimalCases = std::min(view.options().m_nDecimalCases + 1, 6);
        });
    });
    addUpdateHandler(ID_INCREASE_DECIMALS, [this](CmdUI& ui) {
        ui.Enable(m_pWPapierLView && m_pWPapierLView->options().m_nDecimalCases < 6);
    });

    addCommand(ID_EXPORT_PORTFOLIO, [this] {
        if (m_pWPapierLView)
            m_pWPapierLView->ExportPortfolio();
    });
    addUpdateHandler(ID_EXPORT_PORTFOLIO, [this](CmdUI& ui) {
        const CWPapierDoc* doc = document();
        ui.Enable(doc && !doc->IsWPListEmpty());
    });
    addCommand(ID_IMPORT_ALL, [this] {
        if (!m_pWPapierLView)
            return;
        m_pWPapierLView->SelectAllItems(true);
        m_pWPapierLView->OnImportHistoricalQuotations();
    });
    addUpdateHandler(ID_IMPORT_ALL, [](CmdUI& ui) { ui.Enable(true); });
    addCommand(ID_EXPORT_SERVER_SETTINGS, [this] { OnExportServerSettings(); });

    addCommand(ID_HELP_FAQ, [this] { openHelpPage(services(), "FAQ.html"); });
    addCommand(ID_HELP_SERVER_SETTINGS, [this] { openHelpPage(services(), "ServerSettings.html"); });
    // The maker's web page, opened through the shell as the About box's link opens it.
    addCommand(ID_WEB_PAGE, [this] {
        OpenHyperlink(LinkServices::of(services()), QString::fromStdString(LoadString(IDS_MAKER_WEB_PAGE)));
    });
    addCommand(ID_CALCULATOR, [this] { OnCalculator(); });
    addUpdateHandler(ID_CALCULATOR, [this](CmdUI& ui) { ui.Enable(!m_calculator.empty()); });

    addCommand(ID_VIEW_TOOLBAR, [this] {
        if (m_wndToolBar)
            m_wndToolBar->setVisible(m_wndToolBar->isHidden());
    });
    addUpdateHandler(ID_VIEW_TOOLBAR, [this](CmdUI& ui) { ui.SetCheck(m_wndToolBar && !m_wndToolBar->isHidden()); });
    addCommand(ID_VIEW_STATUS_BAR, [this] {
        if (m_wndStatusBar)
            m_wndStatusBar->setVisible(m_wndStatusBar->isHidden());
    });
    addUpdateHandler(ID_VIEW_STATUS_BAR,
                     [this](CmdUI& ui) { ui.SetCheck(m_wndStatusBar && !m_wndStatusBar->isHidden()); });
    // F6 and Shift+F6: the focus to the other pane.
    const auto otherPane = [this] {
        if (!m_pWPapierLView || !m_pGraphView)
            return;
        if (m_pWPapierLView->isAncestorOf(QApplication::focusWidget()))
            m_pGraphView->setFocus();
        else
            m_pWPapierLView->setFocus();
    };
    addCommand(ID_NEXT_PANE, otherPane);
    addCommand(ID_PREV_PANE, otherPane);

    // The status panes: the total investment and the clock.
    addUpdateHandler(ID_INDICATOR_INVESTMENT, [this](CmdUI& ui) {
        ui.Enable(true);
        ui.SetText(m_strInvestmentSum);
    });
    addUpdateHandler(ID_INDICATOR_TIME, [this](CmdUI& ui) {
        ui.Enable(true);
        ui.SetText(services().localNow().Format("%X"));
    });
}

void CMainFrame::setAccelerators() {
    CommandRegistry& registry = commands();
    const auto keys = [](std::initializer_list<QKeyCombination> combinations) {
        QList<QKeySequence> list;
        for (const QKeyCombination combination : combinations)
            list.push_back(QKeySequence(combination));
        return list;
    };
    registry.setShortcuts(ID_COMPARE_ALL, keys({Qt::CTRL | Qt::Key_A}));
    registry.setShortcuts(ID_EDIT_COPY, keys({Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert}));
    registry.setShortcuts(ID_EDIT_CUT, keys({Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete}));
    registry.setShortcuts(ID_EDIT_PASTE, keys({Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert}));
    registry.setShortcuts(ID_EDIT_UNDO, keys({Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace}));
    registry.setShortcuts(ID_EXPORT_QUOTATIONS, keys({Qt::CTRL | Qt::Key_E}));
    registry.setShortcuts(ID_IMPORT_QUOTATIONS, keys({Qt::CTRL | Qt::Key_R}));
    registry.setShortcuts(ID_FILE_NEW, keys({Qt::CTRL | Qt::Key_N}));
    registry.setShortcuts(ID_FILE_OPEN, keys({Qt::CTRL | Qt::Key_O}));
    registry.setShortcuts(ID_FILE_PRINT, keys({Qt::CTRL | Qt::Key_P}));
    registry.setShortcuts(ID_FILE_SAVE, keys({Qt::CTRL | Qt::Key_S}));
    registry.setShortcuts(ID_OPEN_WEB_PAGE, keys({Qt::CTRL | Qt::Key_G}));
    registry.setShortcuts(ID_HELP_FAQ, keys({QKeyCombination(Qt::Key_F1)}));
    registry.setShortcuts(ID_ADD_QUOTATION, keys({Qt::CTRL | Qt::Key_M}));
    registry.setShortcuts(ID_NEXT_PANE, keys({QKeyCombination(Qt::Key_F6)}));
    registry.setShortcuts(ID_PREV_PANE, keys({Qt::SHIFT | Qt::Key_F6}));
    registry.setShortcuts(ID_TEST_UPDATE, keys({Qt::CTRL | Qt::Key_T}));
    registry.setShortcuts(ID_ADD_TRANSACTION, keys({Qt::CTRL | Qt::Key_I}));
    registry.setShortcuts(ID_UPDATE_ALL, keys({Qt::CTRL | Qt::Key_U}));
    registry.setShortcuts(ID_DELETE_ITEM, keys({QKeyCombination(Qt::Key_Delete)}));
    registry.setShortcuts(ID_ITEM_PROPERTIES, keys({QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_Enter)}));
    registry.setShortcuts(ID_NEW_ITEM, keys({QKeyCombination(Qt::Key_Insert)}));
    registry.setShortcuts(ID_DISPLAY_QUOTATIONS, keys({Qt::CTRL | Qt::Key_Q}));
    registry.setShortcuts(ID_UPDATE_QUOTATION, keys({Qt::CTRL | Qt::Key_Y}));
    registry.setShortcuts(ID_UPDATE_QUOTATION_ON, keys({Qt::CTRL | Qt::Key_D}));
}

void CMainFrame::addChartAndPrintCommands() {
    addCommand(ID_COMPARISON_LIMITS, [this] { OnComparisonLimits(); });
    addUpdateHandler(ID_COMPARISON_LIMITS, [this](CmdUI& ui) { ui.Enable(m_pGraphView != nullptr); });
    // The zoom commands are the chart's, whichever view is active.
    for (const auto& command : {std::pair{ID_CHART_COMMAND_1, ID_ZOOM_IN}, std::pair{ID_CHART_COMMAND_2, ID_ZOOM_OUT}}) {
        const unsigned id = command.first;
        const unsigned chartId = command.second;
        addCommand(id, [this, chartId] {
            if (m_pGraphView)
                m_pGraphView->runCommand(chartId);
        });
        addUpdateHandler(id, [this, chartId](CmdUI& ui) {
            CmdUI chart(chartId);
            if (!m_pGraphView || !m_pGraphView->runUpdateHandler(chart)) {
                ui.Enable(false);
                return;
            }
            ui.Enable(chart.enabled());
        });
    }
    addCommand(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
    addUpdateHandler(ID_FILE_PRINT_SETUP, [](CmdUI& ui) { ui.Enable(true); });
    const auto listHasRows = [this](CmdUI& ui) {
        ui.Enable(m_pWPapierLView && m_pWPapierLView->model().rowCount() > 0);
    };
    for (const CommandId id : {ID_FILE_PRINT, ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_PREVIEW}) {
        addCommand(id, [this, id] { OnPrint(id); });
        addUpdateHandler(id, listHasRows);
    }
}

void CMainFrame::OnComparisonLimits() {
    if (!m_pGraphView)
        return;
    if (!editComparisonLimits(m_pGraphView->settings(), services(), this))
        return;
    if (CWPapierDoc* doc = document())
        doc->UpdateAllViews(m_pWPapierLView, 0);
}

QPrinter& CMainFrame::printer() {
    if (m_context.printer)
        return m_context.printer();
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void CMainFrame::OnFilePrintSetup() {
    if (services().printing)
        services().printing->printDialog(printer(), PrintDialogKind::PageSetup);
}

bool CMainFrame::OnPrint(CommandId id) {
    if (!m_pWPapierLView)
        return false;
    PrintSelection selection;
    selection.doc = m_pWPapierLView->GetDocument();
    selection.items = m_pWPapierLView->GetChartItemsCopy();
    if (m_pGraphView)
        selection.comparison = m_pGraphView->settings();
    return runPrintCommand(static_cast<PrintCommand>(id), selection, services(), printer());
}

void CMainFrame::changeListDisplay(const std::function<void(CWPapierLView&)>& change) {
    if (!m_pWPapierLView)
        return;
    change(*m_pWPapierLView);
    if (CWPapierDoc* doc = document())
        doc->UpdateAllViews(m_pGraphView, 0);
}

void CMainFrame::OnCompareAll() {
    if (!m_pWPapierLView)
        return;
    const auto selected = m_pWPapierLView->selection().m_SelectedItems.size();
    m_pWPapierLView->SelectAllItems(static_cast<int>(selected) != m_pWPapierLView->model().rowCount());
    if (m_pGraphView)
        m_pGraphView->update();
}

std::filesystem::path CMainFrame::findCalculator(const std::string& pathVariable) {
    static constexpr const char* kCalculators[] = {"gnome-calculator", "kcalc",     "galculator",
                                                   "qalculate-gtk",    "mate-calc", "xcalc"};
    for (const char* name : kCalculators) {
        std::size_t start = 0;
        while (start <= pathVariable.size()) {
            const std::size_t end = std::min(pathVariable.find(':', start), pathVariable.size());
            const std::string folder = pathVariable.substr(start, end - start);
            start = end + 1;
            if (folder.empty())
                continue;
            const std::filesystem::path candidate = std::filesystem::path(folder) / name;
            std::error_code error;
            const auto status = std::filesystem::status(candidate, error);
            if (!error && std::filesystem::is_regular_file(status) &&
                (status.permissions() & std::filesystem::perms::owner_exec) != std::filesystem::perms::none)
                return candidate;
        }
    }
    return {};
}

void CMainFrame::OnCalculator() {
    if (m_calculator.empty())
        return;
    if (!QProcess::startDetached(QString::fromStdString(m_calculator.string()), {}))
        CVR_LOG(LOG_LEVEL_WARNING, "Cannot start the calculator '%s'", m_calculator.string().c_str());
}

void CMainFrame::OnExportServerSettings() {
    FileDialogRequest request;
    request.initial = "Server";
    request.filters = {{"Registry Files (*.reg)", "*.reg"}};
    request.defaultExtension = "reg";
    const auto chosen = services().files->saveFileName(request);
    if (!chosen)
        return;
    const ExportResult result = ExportServerSettings(chosen->string(), *services().settings);
    if (!result.ok)
        services().boxes->messageBox(result.message, MB_OK | MB_ICONERROR);
}
