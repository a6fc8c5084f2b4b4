#pragma once
// The release check as the user meets it (command 32811 and the start-up question): the check
// runs on a worker with the busy cursor while the windows keep painting; its one answer is shown
// when it arrives -- a box, or the new-version dialog with the release notes -- and today is
// stored as the date of the last check after the up-to-date answer or the dialog. An answer that
// arrives while a modal window (a box, a dialog) is open waits until that window has closed and
// is then handled once.

#include "app/UpToDateCheck.h"
#include "framework/Services.h"

#include <QObject>

#include <functional>
#include <memory>

class CWPapierApp;
class DownloadManager;
class QTimer;
class WindowMessageLink;

// What the check needs of the program.
struct ReleaseCheckHost {
    // The settings of a check, taken as it starts.
    std::function<UpToDateCheckSettings()> settings;
    // Takes `when` as the date of the last check and saves the options.
    std::function<void(const OleDate& when)> storeLastCheck;
    Services services;
    // The window the boxes and the dialog belong to; none when empty.
    std::function<QWidget*()> parentWindow;
    // Where the setup download runs; the program's manager when null.
    DownloadManager* downloads = nullptr;
};

class ReleaseCheckRunner : public QObject {
public:
    explicit ReleaseCheckRunner(ReleaseCheckHost host);
    // A check still running ends at once; its answer is dropped.
    ~ReleaseCheckRunner() override;

    // Starts a check; false while one runs or is still to be answered.
    bool start();
    // From start() until its answer has been handled.
    bool checking() const { return m_checking; }
    // Waits for the worker (tests); false when `timeout` passed first.
    bool waitForWorker(std::chrono::milliseconds timeout) { return m_checker.wait(timeout); }

private:
    void deliver(Message& message);
    // Handles the waiting answer now, or once no modal window is open.
    void handleWhenFree();
    void handle(std::unique_ptr<ReleaseCheckResult> result);
    void setBusy(bool busy);

    ReleaseCheckHost m_host;
    UpToDateCheckSettings m_settings; // of the running check
    UpToDateChecker m_checker;
    std::unique_ptr<WindowMessageLink> m_link;
    std::unique_ptr<ReleaseCheckResult> m_waiting;
    QTimer* m_retry = nullptr;
    bool m_checking = false;
    bool m_busy = false;
};

// The application's CheckForNewVersion: a runner on the application's options, settings and
// services, made at the first check.
std::function<void()> makeCheckForNewVersion(CWPapierApp& app);
