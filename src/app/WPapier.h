#pragma once
// The application object: the program's start-up (logging, settings, document template, command
// line, options), the three ways it runs -- normal, the unattended update (switch u) and the
// unattended export (switch e) -- and its shut-down. It also keeps the program options, which every
// other part reads here, and the outcome of an unattended run (exit status and its one-line
// reason).

#include "app/ProgramRun.h"
#include "framework/WinApp.h"
#include "platform/OleDate.h"
#include "portfolio/PortfolioHost.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CMainFrame;
class CWPapierDoc;
class ProgramHost;
class QPrinter;
class QSystemTrayIcon;
struct MainFrameContext;
struct MainFrameOptions;

// The command line of the program: besides the portfolio to open, the switch u (written /u or -u)
// chooses the unattended update and e the unattended export; the last of them counts.
class CMyCommandLineInfo : public CommandLineInfo {
public:
    static constexpr int kModeNone = 0;
    static constexpr int kModeUpdate = 5;
    static constexpr int kModeExport = 6;

    void ParseParam(const char* param, bool isFlag, bool isLast) override;

    int m_nProgramMode = kModeNone;
};

// The notification-area icon of the update mode: its tip and icon, and the icon itself when the
// desktop has a notification area.
struct TrayIconData {
    static constexpr std::size_t kMaxTip = 127; // characters
    std::string tip;
    unsigned iconId = 0;
    std::unique_ptr<QSystemTrayIcon> icon; // null without a notification area
};

class CWPapierApp : public WinApp, public RunFailureSink, public TrayIconHost {
public:
    // "GeneralOptions": the section of the program options.
    static constexpr const char* kOptionsSection = "GeneralOptions";
    // Default of UnattendedTimeLimit, in seconds.
    static constexpr int kDefaultUnattendedTimeLimit = 600;
    // How long the exit waits for download workers after aborting them.
    static constexpr std::chrono::milliseconds kWorkerExitBound{5000};

    CWPapierApp();
    // Destroys the frame and the document first (destroyDocuments), while the program host they
    // use is still there.
    ~CWPapierApp() override;

    // --- the run ---
    bool InitInstance() override;
    // Removes the notification icon, destroys the frame, its views and the document (their view
    // options were saved as the frame closed), writes the recent-file list, then ends the
    // downloads and the logging, in this order.
    int ExitInstance() override;
    // The application's command-line parse: "-x" is the switch x, "/u" and "/e" are the switches
    // u and e; every other argument (every absolute path among them) is a parameter.
    void ParseCommandLine(CommandLineInfo& info) const override;
    // The program mode (CMyCommandLineInfo::m_nProgramMode) that `arguments` choose.
    static int programModeOf(const std::vector<std::string>& arguments);
    // Landscape becomes the printing default when a default printer exists.
    void SetLandscapeDefault();
    // The printer of the print commands, made at its first use (in landscape when that is the
    // default) and kept with the user's settings from one job to the next.
    QPrinter& printer();

    // --- the release check ---
    // Whether start-up asks to look for a new release: with CheckUpToDate on, when more than 50
    // whole days lie between the last check and `now` (or the last check is no valid date).
    static bool isReleaseCheckDue(const OleDate& lastCheck, const OleDate& now, bool checkUpToDate);
    // Asks "Do you want to check if a new version of Corvana is available?" when a check is due:
    // Yes runs CheckForNewVersion, No takes today as the last check and saves the options.
    void AskForReleaseCheck();
    // The release check; it stores the date of the check itself when it gets an answer.
    std::function<void()> CheckForNewVersion;

    // --- options (the settings store's section "GeneralOptions") ---
    void LoadOptions();
    // Writes every option and hands the values to the readers on other threads.
    void SaveOptions();
    // The options as the document and the download workers read them; any thread.
    ProgramOptions programOptions() const;

    // --- the unattended run's outcome ---
    bool unattended() const { return m_bUpdateMode || m_bExportMode; }
    // Marks the run as failed: the exit status is the first failure's code; the reasons make one
    // line (joined by "; ").
    void reportRunFailure(RunExitCode code, const std::string& reason) override;
    const std::string& runFailureText() const { return m_runFailureText; }
    // The program host's last error notice.
    std::string lastErrorNotice() const override;

    // --- parts ---
    CMainFrame* mainFrame() const;
    CWPapierDoc* document() const;
    ProgramHost& programHost() { return *m_host; }

    // Sets the notification icon's tip (cut to 127 characters) and, with `iconId` not 0, its icon.
    void ModifyTrayIcon(const std::string& tip, unsigned iconId = 0) override;
    std::string trayTip() const override { return m_TrayIconData.tip; }

    // The "Save changes?" question: asked in the normal mode; an unattended run never asks and
    // keeps the file as it is.
    SaveChangesAnswer askSaveChanges(const std::string& name) override;

    // --- members read by the other parts ---
    bool m_bUpdateMode = false;
    bool m_bExportMode = false;
    TrayIconData m_TrayIconData;
    bool m_bLandscapeDefault = false; // printing starts in landscape

    // The program options, named after their values in "GeneralOptions"; zeros until LoadOptions.
    int StandardProxy = 0;
    std::string ProxyAddress;
    int ProxyPort = 0;
    int NumberDownloads = 0;
    int AutosaveOnExit = 0;
    int Autoupdate = 0;
    int Autoupdate_Time = 0;
    int DownloadStatus = 0;
    int Hour1 = 0;
    int Hour2 = 0;
    int Minute1 = 0;
    int Minute2 = 0;
    int UpdateIntervall = 0;
    int DisableIntraday = 0;
    int AutoSaveAfterAutoUpdate = 0;
    int AutosaveWindows = 0;
    int ShowFileOnError = 0;
    int AutoCreateCashAccountTransactions = 0;
    int ZipFile = 0;
    int CheckUpToDate = 0;
    OleDate LastUpToDateCheck;
    // Seconds an unattended update may take before its downloads are aborted (below 1: the default).
    int UnattendedTimeLimit = 0;

    // The time limit in force: UnattendedTimeLimit, or the default for a value below 1.
    int unattendedTimeLimitSeconds() const;

private:
    bool openForUnattendedRun(const CMyCommandLineInfo& info);
    void runUpdateMode(const CMyCommandLineInfo& info);
    void runExportMode();
    void addTrayIcon(const std::string& fileName);
    // Hands the current members to programOptions().
    void publishOptions();
    // What the main frame is created with.
    MainFrameContext frameContext();
    MainFrameOptions frameOptions() const;

    std::unique_ptr<ProgramHost> m_host;
    std::unique_ptr<QPrinter> m_printer;
    mutable std::mutex m_optionsMutex;
    ProgramOptions m_publishedOptions;
    RunExitCode m_runExitCode = kExitSuccess;
    std::string m_runFailureText;
};

// The application object; null when there is none.
CWPapierApp* theApp();
