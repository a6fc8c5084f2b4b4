#include "app/ReleaseCheckRunner.h"

#include "app/NewVersionDlg.h"
#include "app/WPapier.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "framework/WindowMessages.h"
#include "log/Log.h"
#include "platform/Clock.h"

#include <QApplication>
#include <QTimer>

namespace {

// How often a waiting answer looks whether the modal window has closed.
constexpr int kRetryMs = 50;

DownloadOptions setupDownloadOptions(const ReleaseRequestOptions& request) {
    DownloadOptions options;
    options.standardProxy = request.standardProxy;
    options.proxyAddress = request.proxyAddress;
    options.proxyPort = request.proxyPort;
    options.caFile = request.caFile;
    return options;
}

} // namespace

ReleaseCheckRunner::ReleaseCheckRunner(ReleaseCheckHost host) : m_host(std::move(host)) {
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, [this] { handleWhenFree(); });
}

ReleaseCheckRunner::~ReleaseCheckRunner() {
    m_link.reset(); // nothing reaches this runner any more
    setBusy(false);
}

bool ReleaseCheckRunner::start() {
    if (m_checking)
        return false;
    if (!m_link)
        m_link = std::make_unique<WindowMessageLink>(*this, [this](Message& message) {
            deliver(message);
            return std::intptr_t{0};
        });
    m_settings = m_host.settings ? m_host.settings() : UpToDateCheckSettings{};
    if (!m_checker.start(m_settings, m_link->id()))
        return false;
    m_checking = true;
    setBusy(true);
    return true;
}

void ReleaseCheckRunner::setBusy(bool busy) {
    if (busy == m_busy || !hasWidgets())
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void ReleaseCheckRunner::deliver(Message& message) {
    if (message.message != WMU_RELEASE_CHECK_RESULT || !message.recordAs<ReleaseCheckResult>() || !m_checking ||
        m_waiting)
        return;
    m_waiting.reset(static_cast<ReleaseCheckResult*>(message.record.release()));
    setBusy(false);
    handleWhenFree();
}

void ReleaseCheckRunner::handleWhenFree() {
    if (!m_waiting)
        return;
    if (hasWidgets() && QApplication::activeModalWidget()) {
        m_retry->start();
        return;
    }
    handle(std::move(m_waiting));
}

void ReleaseCheckRunner::handle(std::unique_ptr<ReleaseCheckResult> result) {
    const Services& services = m_host.services;
    QWidget* parent = m_host.parentWindow ? m_host.parentWindow() : nullptr;
    if (result->outcome == ReleaseCheckOutcome::NewerRelease) {
        DialogNewVersionInfo dialog(services, m_settings.server, setupDownloadOptions(m_settings.request), parent,
                                    m_host.downloads);
        dialog.m_strReleaseNotes = result->releaseNotes;
        dialog.DoModal();
    } else {
        services.boxes->messageBox(result->text, MB_OK | result->icon);
    }
    if (storesLastUpToDateCheck(result->outcome) && m_host.storeLastCheck) {
        const std::time_t now = std::chrono::system_clock::to_time_t(services.clock->now());
        m_host.storeLastCheck(OleDate::fromTimeT(now));
    }
    m_checking = false;
}

std::function<void()> makeCheckForNewVersion(CWPapierApp& app) {
    auto runner = std::make_shared<std::unique_ptr<ReleaseCheckRunner>>();
    return [&app, runner] {
        if (!*runner) {
            ReleaseCheckHost host;
            host.settings = [&app] { return upToDateCheckSettings(app.programOptions(), app.settings()); };
            host.storeLastCheck = [&app](const OleDate& when) {
                app.LastUpToDateCheck = when;
                app.SaveOptions();
            };
            host.services = app.services();
            host.parentWindow = [&app]() -> QWidget* { return activeDialogParent(app.GetMainWnd()); };
            *runner = std::make_unique<ReleaseCheckRunner>(std::move(host));
        }
        if (!(*runner)->start())
            CVR_LOG(LOG_LEVEL_DEBUG, "A release check runs already");
    };
}
