#include "retrieval/ReleaseCheck.h"

#include "platform/Settings.h"
#include "retrieval/HttpTransfer.h"

#include <curl/curl.h>

#ifndef CORVANA_RELEASE_SERVER
#define CORVANA_RELEASE_SERVER "https://updates.velmora.example"
#endif

namespace {

using SteadyClock = std::chrono::steady_clock;

std::string withoutTrailingSlashes(std::string text) {
    while (!text.empty() && text.back() == '/')
        text.pop_back();
    return text;
}

TransferSettings transferSettings(const ReleaseRequestOptions& options) {
    TransferSettings settings;
    settings.standardProxy = options.standardProxy;
    settings.proxyAddress = options.proxyAddress;
    settings.proxyPort = options.proxyPort;
    settings.caFile = options.caFile;
    settings.httpsOnly = true;
    settings.userAgent = "Corvana";
    settings.connectTimeout = options.connectTimeout;
    return settings;
}

} // namespace

std::string defaultReleaseServer() {
    return withoutTrailingSlashes(CORVANA_RELEASE_SERVER);
}

std::string releaseServer(const SettingsStore& store) {
    const std::string configured = withoutTrailingSlashes(store.readString("GeneralOptions", "ReleaseServer"));
    return configured.empty() ? defaultReleaseServer() : configured;
}

std::string releaseNotesUrl(const std::string& server) {
    return server + "/release.txt";
}

std::string setupArchiveUrl(const std::string& server) {
    return server + "/CVR.zip";
}

struct ReleaseDateRequest::Impl {
    Impl(const ReleaseRequestOptions& options, const std::atomic<int>* stop)
        : http(transferSettings(options)), total(options.totalTimeout), stop(stop) {}

    // The outcome of a step of the transfer; the error text for a failure.
    Result outcome(HttpTransfer::Result result, std::string& error) const {
        switch (result) {
        case HttpTransfer::Result::Ok:
            return Result::Answered;
        case HttpTransfer::Result::Aborted:
            return Result::Stopped;
        case HttpTransfer::Result::TimedOut:
            error = curl_easy_strerror(CURLE_OPERATION_TIMEDOUT);
            return Result::Failed;
        case HttpTransfer::Result::Failed:
        case HttpTransfer::Result::BadUrl:
            break;
        }
        error = http.errorText();
        if (error.empty())
            error = curl_easy_strerror(CURLE_COULDNT_CONNECT);
        return Result::Failed;
    }

    HttpTransfer http;
    std::chrono::milliseconds total;
    const std::atomic<int>* stop;
    SteadyClock::time_point deadline;
    bool answered = false;
};

ReleaseDateRequest::ReleaseDateRequest(const ReleaseRequestOptions& options, const std::atomic<int>* stop)
    : m(std::make_unique<Impl>(options, stop)) {}

ReleaseDateRequest::~ReleaseDateRequest() = default;

ReleaseDateRequest::Result ReleaseDateRequest::open(const std::string& url) {
    m_error.clear();
    m->deadline = SteadyClock::now() + m->total;
    const Result result = m->outcome(m->http.open(url, m->deadline, m->stop), m_error);
    m->answered = result == Result::Answered;
    return result;
}

long ReleaseDateRequest::status() const {
    return m->answered ? m->http.status() : 0;
}

std::optional<std::time_t> ReleaseDateRequest::lastModified() const {
    return m->answered ? m->http.lastModified() : std::nullopt;
}

ReleaseDateRequest::Result ReleaseDateRequest::readNotes(std::string& notes, std::size_t maxBytes) {
    notes.clear();
    m_error.clear();
    char buffer[4096];
    while (notes.size() < maxBytes) {
        std::size_t got = 0;
        const auto read =
            m->http.read(buffer, std::min(sizeof buffer, maxBytes - notes.size()), got, m->deadline, m->stop);
        if (read != HttpTransfer::Result::Ok)
            return m->outcome(read, m_error);
        if (got == 0)
            break;
        notes.append(buffer, got);
    }
    m->http.close();
    return Result::Answered;
}

std::unique_ptr<DownloadJob> makeSetupDownloadJob(const std::string& server, ReceiverId receiver,
                                                  const DownloadOptions& options) {
    auto job = std::make_unique<DownloadJob>();
    job->m_szURL = setupArchiveUrl(server);
    job->m_nJobId = 0;
    job->m_bDownloadOnly = 1;
    job->m_hWnd = receiver;
    job->m_nMessage = WMU_SETUP_DOWNLOAD_STATUS;
    job->m_Options = options;
    return job;
}
