#pragma once
// The up-to-date check: the installed release date against the Last-Modified date of the update
// server's "/release.txt", with the release notes when the server's release is newer. It runs on a
// worker thread of its own, so the user interface keeps painting; its one result reaches the
// receiver that asked as a posted record (a receiver that is gone gets nothing). The check is
// limited in time (10 s to connect, 30 s in all) and ends at once when its owner goes.

#include "app/ReleaseInfo.h"
#include "platform/MessageTarget.h"
#include "retrieval/ReleaseCheck.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class SettingsStore;
struct ProgramOptions;

// The check's result to the receiver that started it (WM_USER + 104).
inline constexpr std::uint32_t WMU_RELEASE_CHECK_RESULT = 0x0400 + 104;

// The release notes kept of a larger body.
inline constexpr std::size_t kMaxReleaseNotesBytes = 1024 * 1024;

// What one check needs, copied on the thread that starts it.
struct UpToDateCheckSettings {
    std::string server; // the update server's base address
    ReleaseRequestOptions request;
    std::filesystem::path dataFolder;  // where "release.txt" of the installed release lies
    std::filesystem::path programFile; // the program, whose date counts when there is no "release.txt"
};

// The settings of the program: the proxy rule of `options` ("StandardProxy" not 0: the
// environment's proxy, else "ProxyAddress":"ProxyPort"), the server from `store`, the program's
// own folder and file.
UpToDateCheckSettings upToDateCheckSettings(const ProgramOptions& options, const SettingsStore& store);

// The result of one check.
struct ReleaseCheckResult : MessageRecord {
    ReleaseCheckOutcome outcome = ReleaseCheckOutcome::TransferError;
    std::string text;         // the box's text; empty for NewerRelease
    unsigned icon = 0;        // the box's icon (MB_ICON...)
    std::string releaseNotes; // NewerRelease: the notes as the dialog shows them
    long long daysNewer = 0;  // NewerRelease: whole days between the two releases
    OleDate installedDate;
    OleDate serverDate; // invalid when the server gave none
};

// The whole check on the calling thread; null when `stop` became non-zero.
std::unique_ptr<ReleaseCheckResult> RunUpToDateCheck(const UpToDateCheckSettings& settings,
                                                     const std::atomic<int>* stop);

// Runs one check at a time on a worker thread and posts its result.
class UpToDateChecker {
public:
    UpToDateChecker() = default;
    // Stops a running check at once (it posts nothing) and joins its thread.
    ~UpToDateChecker();
    UpToDateChecker(const UpToDateChecker&) = delete;
    UpToDateChecker& operator=(const UpToDateChecker&) = delete;

    // Starts a check whose result is posted to `receiver` with WMU_RELEASE_CHECK_RESULT; false,
    // and nothing started, while a check runs or when no thread can be started. A check no longer
    // runs once its result is posted, so the result's handler may start the next one.
    bool start(UpToDateCheckSettings settings, ReceiverId receiver);
    bool running() const;
    // Waits until no check runs and its result is posted; false when `timeout` passed first.
    bool wait(std::chrono::milliseconds timeout);

private:
    void join();

    std::thread m_thread;
    std::atomic<int> m_stop{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_running = false;    // a check runs: no other may start
    bool m_threadBusy = false; // the thread has not posted its result yet
};
