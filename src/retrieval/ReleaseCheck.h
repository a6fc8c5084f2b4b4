#pragma once
// The requests of the program's own release check: the release date asked of the maker's update
// server ("/release.txt": its Last-Modified date and, as its body, the release notes) and the setup
// download job of a new release ("/CVR.zip"). Only https with verified certificates is used; the
// server's base address is a build-time default that the setting `GeneralOptions`\`ReleaseServer`
// replaces.

#include "platform/MessageTarget.h"
#include "retrieval/download.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

class SettingsStore;

// The update server's base address as built ("https://host[:port]", no trailing '/').
std::string defaultReleaseServer();
// The base address in use: the setting `GeneralOptions`\`ReleaseServer` when it is not empty
// (a trailing '/' dropped), else the default.
std::string releaseServer(const SettingsStore& store);
// base + "/release.txt" and base + "/CVR.zip".
std::string releaseNotesUrl(const std::string& server);
std::string setupArchiveUrl(const std::string& server);

// How the release-date request reaches the server.
struct ReleaseRequestOptions {
    bool standardProxy = true; // the environment's proxy; false: proxyAddress:proxyPort
    std::string proxyAddress;
    int proxyPort = 80;
    std::string caFile; // certificates to trust instead of the system's store (tests)
    std::chrono::milliseconds connectTimeout{10'000};
    std::chrono::milliseconds totalTimeout{30'000}; // the request and the notes together
};

// One request of "/release.txt", sent as "Corvana". The answer's headers first (open), the
// release notes only when they are wanted (readNotes). Belongs to one thread.
class ReleaseDateRequest {
public:
    enum class Result { Answered, Failed, Stopped };

    // `stop`: while non-zero the request gives up at once (the program is ending).
    ReleaseDateRequest(const ReleaseRequestOptions& options, const std::atomic<int>* stop);
    ~ReleaseDateRequest();
    ReleaseDateRequest(const ReleaseDateRequest&) = delete;
    ReleaseDateRequest& operator=(const ReleaseDateRequest&) = delete;

    // Sends the request; Answered once the answer's headers are in, Failed (see errorText()) when
    // the URL is not https, the server cannot be reached, the certificate is refused, or the
    // time runs out.
    Result open(const std::string& url);
    long status() const;
    // The answer's Last-Modified date; nothing when it gave none that parses.
    std::optional<std::time_t> lastModified() const;
    // The body, at most `maxBytes` of it; Failed when the transfer breaks off or the time runs out.
    Result readNotes(std::string& notes, std::size_t maxBytes);

    // Why open() or readNotes() failed, as the network library tells it.
    const std::string& errorText() const { return m_error; }

private:
    struct Impl;
    std::unique_ptr<Impl> m;
    std::string m_error;
};

// The setup download of a new release for `receiver`: the archive on `server`, download only,
// job id 0, reported with WMU_SETUP_DOWNLOAD_STATUS, no download slot. Start it with
// DownloadManager::startSetupDownload.
std::unique_ptr<DownloadJob> makeSetupDownloadJob(const std::string& server, ReceiverId receiver,
                                                  const DownloadOptions& options);
