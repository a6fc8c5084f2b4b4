#include "app/WPapier.h"

#include "app/FileTypes.h"
#include "app/MainFrm.h"
#include "app/ProgramHost.h"
#include "app/ReleaseCheckRunner.h"
#include "app/Resource.h"
#include "controls/AppIcons.h"
#include "dialogs/DialogIds.h"
#include "framework/DocTemplate.h"
#include "framework/FileDialogs.h"
#include "framework/MessageBoxes.h"
#include "framework/StringTable.h"
#include "log/Log.h"
#include "log/LogSetup.h"
#include "log/NumberFormat.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/TextCodec.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/DownloadManager.h"
#include "views/wpapierlview.h"

#include <QMenu>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include <clocale>
#include <cstdio>
#include <filesystem>

namespace {

// The release this program was built as, in the compiler's forms ("Feb  7 2023", "20:03:39").
constexpr const char* kBuildDate = __DATE__;
constexpr const char* kBuildTime = __TIME__;

// "-x" is the switch x; of the slash forms only "/u" and "/e" are switches, since every absolute
// path starts with '/'.
bool splitSwitch(const std::string& argument, std::string& param) {
    if (argument.size() > 1 && argument.front() == '-') {
        param = argument.substr(1);
        return true;
    }
    if (argument == "/u" || argument == "/e") {
        param = argument.substr(1);
        return true;
    }
    param = argument;
    return false;
}

// Hands each argument to info.ParseParam, a switch without its '-' or '/'.
void parseArguments(const std::vector<std::string>& arguments, CommandLineInfo& info) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string param;
        const bool isFlag = splitSwitch(arguments[i], param);
        info.ParseParam(param.c_str(), isFlag, i + 1 == arguments.size());
    }
}

} // namespace

// ---------------------------------------------------------------- command line

void CMyCommandLineInfo::ParseParam(const char* param, bool isFlag, bool isLast) {
    if (isFlag && std::string_view(param) == "u")
        m_nProgramMode = kModeUpdate;
    else if (isFlag && std::string_view(param) == "e")
        m_nProgramMode = kModeExport;
    else
        CommandLineInfo::ParseParam(param, isFlag, false);
    // The file to open is known once the last parameter is in, whatever that one was.
    if (isLast && m_nShellCommand == ShellCommand::FileNew && !m_strFileName.empty())
        m_nShellCommand = ShellCommand::FileOpen;
}

// ---------------------------------------------------------------- application

CWPapierApp* theApp() {
    return dynamic_cast<CWPapierApp*>(WinApp::instance());
}

CWPapierApp::CWPapierApp() : WinApp("Corvana"), m_host(std::make_unique<ProgramHost>(*this)) {
    CheckForNewVersion = makeCheckForNewVersion(*this);
}

CWPapierApp::~CWPapierApp() {
    m_TrayIconData.icon.reset();
    destroyDocuments();
}

CMainFrame* CWPapierApp::mainFrame() const {
    return dynamic_cast<CMainFrame*>(GetMainWnd());
}

CWPapierDoc* CWPapierApp::document() const {
    return docTemplate() ? dynamic_cast<CWPapierDoc*>(docTemplate()->document()) : nullptr;
}

void CWPapierApp::ParseCommandLine(CommandLineInfo& info) const {
    parseArguments(arguments(), info);
}

int CWPapierApp::programModeOf(const std::vector<std::string>& arguments) {
    CMyCommandLineInfo info;
    parseArguments(arguments, info);
    return info.m_nProgramMode;
}

std::string CWPapierApp::lastErrorNotice() const {
    return m_host->lastErrorNotice();
}

void CWPapierApp::reportRunFailure(RunExitCode code, const std::string& reason) {
    CVR_LOG(LOG_LEVEL_ERROR, "%s", reason.c_str());
    if (m_runExitCode == kExitSuccess)
        m_runExitCode = code;
    if (!m_runFailureText.empty())
        m_runFailureText += "; ";
    m_runFailureText += reason;
}

SaveChangesAnswer CWPapierApp::askSaveChanges(const std::string& name) {
    if (unattended()) {
        CVR_LOG(LOG_LEVEL_INFO, "Unattended run: the changes to %s are not saved on closing", name.c_str());
        return SaveChangesAnswer::No;
    }
    return WinApp::askSaveChanges(name);
}

// ---------------------------------------------------------------- start-up

bool CWPapierApp::InitInstance() {
    // 1. The user's locale for the run-time library, and the separators of grouped numbers.
    std::setlocale(LC_ALL, "");
    initNumberGrouping("");
    // 2. Profile values under Velmora\Corvana.
    SetRegistryKey("Velmora");

    // 3. to 7. Logger with the system-log appender and, when asked for, the log file; crash reports.
    const bool logToFile =
        GetProfileInt("Debug", "LogToFile", 0) != 0 || GetProfileInt("Debug", "BetaLogToFile", 0) != 0;
    const LoggingSetup logging = setUpLogging(logToFile);
    if (logToFile && !logging.logFileOpen)
        std::fputs("error adding appender\n", stderr);
    CVR_LOG(LOG_LEVEL_INFO, "Starting application, Release: %s %s", kBuildDate, kBuildTime);

    // 8. to 11. Sockets, OLE and the control container need no start-up here; their log lines stay.
    CVR_LOG(LOG_LEVEL_INFO, "Init socket library...");
    CVR_LOG(LOG_LEVEL_INFO, "Init OLE...");
    CVR_LOG(LOG_LEVEL_INFO, "Init ControlContainer...");

    // 12. The recent-file list.
    CVR_LOG(LOG_LEVEL_INFO, "Loading standard options...");
    LoadStdProfileSettings(8);

    // 13. The document template: portfolio, main frame, list view.
    CVR_LOG(LOG_LEVEL_INFO, "Registering document templates...");
    AddDocTemplate(std::make_unique<SingleDocTemplate>(
        IDR_MAINFRAME, DocString::fromResource(LoadString(IDR_MAINFRAME)),
        [this] { return std::make_unique<CWPapierDoc>(m_host.get()); },
        [this] { return std::make_unique<CMainFrame>(frameContext()); },
        [] { return std::make_unique<CWPapierLView>(); }));

    // 14. Printing.
    CVR_LOG(LOG_LEVEL_INFO, "Configuring printing options...");
    SetLandscapeDefault();

    // 15. The command line.
    CMyCommandLineInfo info;
    ParseCommandLine(info);
    m_bUpdateMode = info.m_nProgramMode == CMyCommandLineInfo::kModeUpdate;
    m_bExportMode = info.m_nProgramMode == CMyCommandLineInfo::kModeExport;
    if (unattended()) {
        // Nobody is there: boxes are logged and answered at once, file dialogs choose nothing.
        setMessageBoxes(std::make_shared<UnattendedMessageBoxes>());
        setFileDialogs(std::make_shared<UnattendedFileDialogs>());
    }

    // 16. The program options.
    CVR_LOG(LOG_LEVEL_INFO, "Loading options...");
    LoadOptions();

    // 17. The portfolio, by mode.
    if (m_bUpdateMode) {
        if (!openForUnattendedRun(info))
            return false;
        runUpdateMode(info);
        if (quitRequested())
            return true; // nothing was to be updated: the run is over already
    } else if (m_bExportMode) {
        if (!openForUnattendedRun(info))
            return false;
        runExportMode();
        return true;
    } else if (!ProcessShellCommand(info)) {
        return false;
    }

    // 18. The file type, dropped files and, in the normal mode, the release question.
    CVR_LOG(LOG_LEVEL_DEBUG, "Registering file type...");
    FileTypeRegistration registration{"application/x-corvana-portfolio", "Corvana Portfolio", "cvr", "Corvana",
                                      paths::programPath()};
    registerFileTypes(registration,
                      paths::fromQString(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
    if (CMainFrame* frame = mainFrame()) {
        frame->DragAcceptFiles(true);
        frame->installMainMenu();
    }
    // The question waits for an answer: it is asked only when someone is there to give one.
    if (!unattended())
        AskForReleaseCheck();
    return true;
}

bool CWPapierApp::isReleaseCheckDue(const OleDate& lastCheck, const OleDate& now, bool checkUpToDate) {
    if (!checkUpToDate)
        return false;
    if (lastCheck.GetStatus() != OleDate::valid || now.GetStatus() != OleDate::valid)
        return true;
    return (now - lastCheck).GetDays() > 50;
}

void CWPapierApp::AskForReleaseCheck() {
    const OleDate now = OleDate::GetCurrentTime();
    if (!isReleaseCheckDue(LastUpToDateCheck, now, CheckUpToDate != 0))
        return;
    const int answer = messageBoxes().messageBox("Do you want to check if a new version of\nCorvana is available?",
                                                 MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES) {
        if (CheckForNewVersion)
            CheckForNewVersion();
        else
            CVR_LOG(LOG_LEVEL_INFO, "No release check in this build");
        return;
    }
    LastUpToDateCheck = now;
    SaveOptions();
}

bool CWPapierApp::openForUnattendedRun(const CMyCommandLineInfo& info) {
    m_nCmdShow = SW_HIDE;
    if (info.m_strFileName.empty()) {
        reportRunFailure(kExitOpenFailed,
                         std::string("no portfolio named for the ") + (m_bUpdateMode ? "update (-u)" : "export (-e)"));
        return false;
    }
    if (!OpenDocumentFile(info.m_strFileName) || !mainFrame()) {
        std::string reason = m_host->lastErrorNotice();
        if (reason.empty())
            reason = "cannot open the portfolio '" + info.m_strFileName + "'";
        reportRunFailure(kExitOpenFailed, reason);
        return false;
    }
    return true;
}

void CWPapierApp::runUpdateMode(const CMyCommandLineInfo& info) {
    CMainFrame* frame = mainFrame();
    const bool ran = frame->SendCommand(ID_UPDATE_ALL);
    if (!ran || frame->lastUpdateScheduled() == 0) {
        CVR_LOG(LOG_LEVEL_INFO, "Nothing to update in '%s'", info.m_strFileName.c_str());
        frame->finishUnattendedUpdate(false);
        return;
    }
    frame->startTimeLimit(unattendedTimeLimitSeconds());
    addTrayIcon(info.m_strFileName);
}

void CWPapierApp::runExportMode() {
    CMainFrame* frame = mainFrame();
    if (!frame->SendCommand(ID_EXPORT_QUOTATIONS))
        reportRunFailure(kExitExportFailed, "the portfolio holds no items to export");
    // The export asked for the exit itself; should it not have, the run ends here.
    if (!quitRequested())
        OnAppExit();
}

void CWPapierApp::addTrayIcon(const std::string& fileName) {
    m_TrayIconData.tip = textcodec::truncateUtf8Chars(fileName, TrayIconData::kMaxTip);
    m_TrayIconData.iconId = IDI_TRAY;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        CVR_LOG(LOG_LEVEL_DEBUG, "No notification area: the update runs without its icon");
        return;
    }
    auto icon = std::make_unique<QSystemTrayIcon>(programIcon(IDI_TRAY));
    icon->setToolTip(QString::fromStdString(m_TrayIconData.tip));
    CMainFrame* frame = mainFrame();
    if (frame) {
        // Menu 130 of the command registry, with the commands' images.
        QMenu* menu = frame->trayMenu();
        if (menu)
            icon->setContextMenu(menu);
        QObject::connect(icon.get(), &QSystemTrayIcon::activated, frame,
                         [frame](QSystemTrayIcon::ActivationReason reason) {
                             if (reason == QSystemTrayIcon::DoubleClick)
                                 frame->OnConnectionStatus();
                         });
    }
    icon->show();
    m_TrayIconData.icon = std::move(icon);
}

void CWPapierApp::ModifyTrayIcon(const std::string& tip, unsigned iconId) {
    m_TrayIconData.tip = textcodec::truncateUtf8Chars(tip, TrayIconData::kMaxTip);
    if (iconId != 0)
        m_TrayIconData.iconId = iconId;
    if (m_TrayIconData.icon) {
        m_TrayIconData.icon->setToolTip(QString::fromStdString(m_TrayIconData.tip));
        if (iconId != 0)
            m_TrayIconData.icon->setIcon(programIcon(iconId));
    }
}

void CWPapierApp::SetLandscapeDefault() {
    // Only a program that can show a window prints; the unattended runs do not ask the print
    // system (which may take its time to answer).
    m_bLandscapeDefault = false;
    if (programModeOf(arguments()) != CMyCommandLineInfo::kModeNone)
        return;
    if (!QPrinterInfo::defaultPrinter().isNull())
        m_bLandscapeDefault = true;
}

QPrinter& CWPapierApp::printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        if (m_bLandscapeDefault)
            m_printer->setPageOrientation(QPageLayout::Landscape);
    }
    return *m_printer;
}

// ---------------------------------------------------------------- shut-down

int CWPapierApp::ExitInstance() {
    if (m_bUpdateMode && m_TrayIconData.icon) {
        m_TrayIconData.icon->hide();
        m_TrayIconData.icon.reset();
    }
    // The windows and the document go while what they use -- the program host, the downloads'
    // receivers, the logging -- is still there.
    destroyDocuments();
    int code = 0;
    {
        // The recent-file list and whatever else the exit keeps: one write of the settings file,
        // none when nothing changed.
        const SettingsBatch batch(settings());
        code = WinApp::ExitInstance();
    }
    // No worker outlives the program's objects: whatever still runs is aborted and joined. A
    // worker that the abort cannot reach (blocked in the open of a file on a hung mount) does not
    // keep the program from ending: it is left behind, and main() ends the process without it.
    if (!DownloadManager::instance().shutdown(kWorkerExitBound) && unattended())
        reportRunFailure(kExitTimeLimit, "download workers did not end after the abort");
    shutDownLogging();
    return m_runExitCode != kExitSuccess ? static_cast<int>(m_runExitCode) : code;
}

// ---------------------------------------------------------------- options

int CWPapierApp::unattendedTimeLimitSeconds() const {
    return UnattendedTimeLimit > 0 ? UnattendedTimeLimit : kDefaultUnattendedTimeLimit;
}

void CWPapierApp::LoadOptions() {
    const char* s = kOptionsSection;
    StandardProxy = GetProfileInt(s, "StandardProxy", 1);
    ProxyAddress = GetProfileString(s, "ProxyAddress", "proxy");
    ProxyPort = GetProfileInt(s, "ProxyPort", 80);
    NumberDownloads = GetProfileInt(s, "NumberDownloads", 5);
    AutosaveOnExit = GetProfileInt(s, "AutosaveOnExit", 0);
    Autoupdate = GetProfileInt(s, "Autoupdate", 0);
    Autoupdate_Time = GetProfileInt(s, "Autoupdate_Time", 1);
    DownloadStatus = GetProfileInt(s, "DownloadStatus", 1);
    Hour1 = GetProfileInt(s, "Hour1", 9);
    Hour2 = GetProfileInt(s, "Hour2", 18);
    Minute1 = GetProfileInt(s, "Minute1", 30);
    Minute2 = GetProfileInt(s, "Minute2", 30);
    UpdateIntervall = GetProfileInt(s, "UpdateIntervall", 60);
    DisableIntraday = GetProfileInt(s, "DisableIntraday", 0);
    AutoSaveAfterAutoUpdate = GetProfileInt(s, "AutoSaveAfterAutoUpdate", 0);
    AutosaveWindows = GetProfileInt(s, "AutosaveWindows", 1);
    ShowFileOnError = GetProfileInt(s, "ShowFileOnError", 0);
    AutoCreateCashAccountTransactions = GetProfileInt(s, "AutoCreateCashAccountTransactions", 1);
    ZipFile = GetProfileInt(s, "ZipFile", 0);
    CheckUpToDate = GetProfileInt(s, "CheckUpToDate", 1);

    LastUpToDateCheck = OleDate(1975, 1, 23, 0, 0, 0);
    if (const auto bytes = GetProfileBinary(s, "LastUpToDateCheck"); bytes && bytes->size() == 16) {
        if (const auto st = systemTimeFromBytes(*bytes))
            LastUpToDateCheck = OleDate(*st);
        else
            LastUpToDateCheck.SetStatus(OleDate::invalid);
        CVR_LOG(LOG_LEVEL_DEBUG, "Last up-to-date check on: %s", LastUpToDateCheck.Format("%x").c_str());
    }
    UnattendedTimeLimit = GetProfileInt(s, "UnattendedTimeLimit", kDefaultUnattendedTimeLimit);
    publishOptions();
}

void CWPapierApp::SaveOptions() {
    const SettingsBatch batch(settings()); // one write of the settings file for all options
    const char* s = kOptionsSection;
    WriteProfileInt(s, "StandardProxy", StandardProxy);
    WriteProfileString(s, "ProxyAddress", ProxyAddress);
    WriteProfileInt(s, "ProxyPort", ProxyPort);
    WriteProfileInt(s, "NumberDownloads", NumberDownloads);
    WriteProfileInt(s, "AutosaveOnExit", AutosaveOnExit);
    WriteProfileInt(s, "Autoupdate", Autoupdate);
    WriteProfileInt(s, "Autoupdate_Time", Autoupdate_Time);
    WriteProfileInt(s, "DownloadStatus", DownloadStatus);
    WriteProfileInt(s, "Hour1", Hour1);
    WriteProfileInt(s, "Hour2", Hour2);
    WriteProfileInt(s, "Minute1", Minute1);
    WriteProfileInt(s, "Minute2", Minute2);
    WriteProfileInt(s, "UpdateIntervall", UpdateIntervall);
    WriteProfileInt(s, "DisableIntraday", DisableIntraday);
    WriteProfileInt(s, "AutoSaveAfterAutoUpdate", AutoSaveAfterAutoUpdate);
    WriteProfileInt(s, "AutosaveWindows", AutosaveWindows);
    WriteProfileInt(s, "ShowFileOnError", ShowFileOnError);
    WriteProfileInt(s, "AutoCreateCashAccountTransactions", AutoCreateCashAccountTransactions);
    WriteProfileInt(s, "ZipFile", ZipFile);
    WriteProfileInt(s, "CheckUpToDate", CheckUpToDate);
    SystemTime st;
    if (LastUpToDateCheck.GetStatus() != OleDate::valid || !LastUpToDateCheck.GetAsSystemTime(st))
        st = SystemTime{};
    const auto bytes = systemTimeToBytes(st);
    WriteProfileBinary(s, "LastUpToDateCheck", bytes);
    WriteProfileInt(s, "UnattendedTimeLimit", UnattendedTimeLimit);
    publishOptions();
}

void CWPapierApp::publishOptions() {
    ProgramOptions options;
    options.NumberDownloads = NumberDownloads;
    options.AutosaveOnExit = AutosaveOnExit;
    options.Autoupdate = Autoupdate;
    options.UpdateIntervall = UpdateIntervall;
    options.DisableIntraday = DisableIntraday;
    options.ZipFile = ZipFile;
    options.StandardProxy = StandardProxy;
    options.ProxyAddress = ProxyAddress;
    options.ProxyPort = ProxyPort;
    options.ShowFileOnError = ShowFileOnError;
    options.m_bUpdateMode = m_bUpdateMode;
    options.m_bExportMode = m_bExportMode;
    const std::lock_guard lock(m_optionsMutex);
    m_publishedOptions = std::move(options);
}

MainFrameOptions CWPapierApp::frameOptions() const {
    MainFrameOptions options;
    options.autoupdate = Autoupdate != 0;
    options.updateInterval = UpdateIntervall;
    options.autoupdateWithinHours = Autoupdate_Time != 0;
    options.hour1 = Hour1;
    options.minute1 = Minute1;
    options.hour2 = Hour2;
    options.minute2 = Minute2;
    options.downloadStatus = DownloadStatus != 0;
    options.showFileOnError = ShowFileOnError != 0;
    options.autoSaveAfterUpdate = AutoSaveAfterAutoUpdate != 0;
    options.autosaveWindows = AutosaveWindows != 0;
    options.updateMode = m_bUpdateMode;
    options.exportMode = m_bExportMode;
    options.unattendedTimeLimitSeconds = unattendedTimeLimitSeconds();
    return options;
}

MainFrameContext CWPapierApp::frameContext() {
    MainFrameContext context;
    context.options = [this] { return frameOptions(); };
    context.services = services();
    context.runFailures = this;
    context.tray = this;
    context.gui = m_host.get();
    context.printer = [this]() -> QPrinter& { return printer(); };
    return context;
}

ProgramOptions CWPapierApp::programOptions() const {
    const std::lock_guard lock(m_optionsMutex);
    return m_publishedOptions;
}
