#include "app/UpToDateCheck.h"

#include "log/CrashReport.h"
#include "log/Log.h"
#include "platform/Paths.h"
#include "portfolio/PortfolioHost.h"

#include <system_error>

namespace {

std::unique_ptr<ReleaseCheckResult> finished(std::unique_ptr<ReleaseCheckResult> result, ReleaseCheckOutcome outcome,
                                             const std::string& errorText = {}) {
    result->outcome = outcome;
    result->text = releaseCheckText(outcome, errorText);
    result->icon = releaseCheckIcon(outcome);
    return result;
}

} // namespace

UpToDateCheckSettings upToDateCheckSettings(const ProgramOptions& options, const SettingsStore& store) {
    UpToDateCheckSettings settings;
    settings.server = releaseServer(store);
    settings.request.standardProxy = options.StandardProxy != 0;
    settings.request.proxyAddress = options.ProxyAddress;
    settings.request.proxyPort = options.ProxyPort;
    settings.dataFolder = programDataFolder();
    settings.programFile = paths::programPath();
    return settings;
}

std::unique_ptr<ReleaseCheckResult> RunUpToDateCheck(const UpToDateCheckSettings& settings,
                                                     const std::atomic<int>* stop) {
    auto result = std::make_unique<ReleaseCheckResult>();
    result->serverDate.SetStatus(OleDate::invalid);
    GetInstalledReleaseDate(result->installedDate, settings.dataFolder, settings.programFile);

    ReleaseDateRequest request(settings.request, stop);
    const auto opened = request.open(releaseNotesUrl(settings.server));
    if (opened == ReleaseDateRequest::Result::Stopped)
        return nullptr;
    if (opened == ReleaseDateRequest::Result::Failed)
        return finished(std::move(result), ReleaseCheckOutcome::TransferError, request.errorText());
    if (request.status() == 404)
        return finished(std::move(result), ReleaseCheckOutcome::NotFound);
    const auto lastModified = request.lastModified();
    if (!lastModified)
        return finished(std::move(result), ReleaseCheckOutcome::NoReleaseDate);
    // The server's date is a moment; like the installed date it is compared as local time.
    result->serverDate = OleDate::fromTimeT(*lastModified);
    LogMessage(LOG_LEVEL_INFO, kReleaseLogSource, "Server CVR release date: %s",
               result->serverDate.Format("%x").c_str());

    const ReleaseComparison comparison = compareReleaseDates(result->installedDate, result->serverDate);
    if (!comparison.newer)
        return finished(std::move(result), ReleaseCheckOutcome::UpToDate);
    LogMessage(LOG_LEVEL_INFO, kReleaseLogSource, "Newer version available! (%lld days newer)", comparison.days);
    std::string notes;
    const auto read = request.readNotes(notes, kMaxReleaseNotesBytes);
    if (read == ReleaseDateRequest::Result::Stopped)
        return nullptr;
    if (read == ReleaseDateRequest::Result::Failed)
        return finished(std::move(result), ReleaseCheckOutcome::TransferError, request.errorText());
    result->releaseNotes = releaseNotesForDisplay(std::move(notes));
    result->daysNewer = comparison.days;
    return finished(std::move(result), ReleaseCheckOutcome::NewerRelease);
}

UpToDateChecker::~UpToDateChecker() {
    m_stop = 1;
    join();
}

bool UpToDateChecker::start(UpToDateCheckSettings settings, ReceiverId receiver) {
    {
        std::lock_guard lock(m_mutex);
        if (m_running)
            return false;
    }
    join(); // the thread of the previous check has ended
    m_stop = 0;
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
        m_threadBusy = true;
    }
    try {
        m_thread = std::thread([this, settings = std::move(settings), receiver] {
            prepareThreadForCrashReports();
            std::unique_ptr<ReleaseCheckResult> result;
            try {
                result = RunUpToDateCheck(settings, &m_stop);
            } catch (const std::exception& e) {
                LogMessage(LOG_LEVEL_ERROR, kReleaseLogSource, "Up-to-date check failed: %s", e.what());
            }
            // The check is over before its result is out: the result's handler may start the next.
            {
                std::lock_guard lock(m_mutex);
                m_running = false;
            }
            try {
                if (result)
                    MessageTarget::instance().post(receiver, WMU_RELEASE_CHECK_RESULT, std::move(result));
            } catch (const std::exception& e) {
                LogMessage(LOG_LEVEL_ERROR, kReleaseLogSource, "Up-to-date check failed: %s", e.what());
            }
            {
                std::lock_guard lock(m_mutex);
                m_threadBusy = false;
            }
            m_ended.notify_all();
        });
    } catch (const std::system_error& e) {
        LogMessage(LOG_LEVEL_ERROR, kReleaseLogSource, "Could not start the up-to-date check: %s", e.what());
        std::lock_guard lock(m_mutex);
        m_running = false;
        m_threadBusy = false;
        return false;
    }
    return true;
}

bool UpToDateChecker::running() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

bool UpToDateChecker::wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_ended.wait_for(lock, timeout, [this] { return !m_threadBusy; });
}

void UpToDateChecker::join() {
    if (m_thread.joinable())
        m_thread.join();
}
