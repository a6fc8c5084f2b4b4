#include "app/MainFrm.h"

#include "controls/AppIcons.h"
#include "app/Resource.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DlgConn.h"
#include "framework/MessageBoxes.h"
#include "framework/ResourceIds.h"
#include "framework/StringTable.h"
#include "framework/WinApp.h"
#include "log/Log.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/TextCodec.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/UpdateOrchestration.h"
#include "retrieval/download.h"
#include "views/wpapierlview.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

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
    setWindowIcon(programIcon(IDI_TRAY));
    addCommand(ID_UPDATE_ALL, [this] { OnUpdateAll(); });
    addUpdateHandler(ID_UPDATE_ALL, [this](CmdUI& ui) {
        const CWPapierDoc* doc = document();
        ui.Enable(doc && doc->GetItemCount() > 1);
    });
    addCommand(ID_ABORT_DOWNLOADS, [this] { OnAbortDownloads(); });
    addUpdateHandler(ID_ABORT_DOWNLOADS,
                     [this](CmdUI& ui) { ui.Enable(m_nActiveDownloads > 0 && g_bAbortDownloads.load() == 0); });
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
}

CMainFrame::~CMainFrame() {
    // The program host reaches none of the frame's parts from here on.
    if (m_context.gui)
        m_context.gui->unregisterGui();
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
        if (count == 4) { // fewer numbers: the default rectangle
            cs.x = values[0];
            cs.y = values[1];
            cs.cx = values[2] - values[0];
            cs.cy = values[3] - values[1];
        }
    }
    FrameWnd::PreCreateWindow(cs);
}

int CMainFrame::OnCreate(CreateContext& context) {
    if (FrameWnd::OnCreate(context) == -1)
        return -1;
    m_pWPapierLView = dynamic_cast<CWPapierLView*>(GetActiveView());
    statusBar(); // creates the status bar

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

    // The program host reaches the Downloads window, the update timer and the list view's
    // settings through these (the program has no chart view yet).
    if (m_context.gui)
        m_context.gui->registerGui({this, this, nullptr, m_pWPapierLView});

    // Update and test reports of the document's downloads come to this window.
    DownloadRouting routing = GetDownloadRouting();
    routing.mainWindow = messageTargetId();
    SetDownloadRouting(routing);

    if (const MainFrameOptions now = options(); now.autoupdate)
        SetUpdateTimer(now.updateInterval);
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
                m_dlgConn->show();
            }
            m_dlgConn->abortButton()->setEnabled(true);
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
            m_dlgConn->abortButton()->setEnabled(false);
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
    if (!m_wndProgress) {
        m_wndProgress = new QProgressBar(statusBar());
        m_wndProgress->setObjectName(QStringLiteral("progress"));
        m_wndProgress->setTextVisible(true);
        m_wndProgress->setMaximumWidth(240);
        statusBar()->addPermanentWidget(m_wndProgress);
    }
    m_wndProgress->setRange(0, std::max(m_nDownloadsStarted, 1));
    m_wndProgress->setValue(m_nActiveDownloads != 0 ? m_nDownloadsStarted - m_nActiveDownloads : 0);
    m_wndProgress->setFormat(QString::fromStdString(text));
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
    if (m_dlgConn)
        m_dlgConn->SaveColumnWidths();
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
