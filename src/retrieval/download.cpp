// The download workers: quotations and pages (DownloadQuotationThread) and the setup archive
// (DownloadSetupThread). Each runs on a thread of its own, owns its job, and reports only by
// posting DownloadStatus records; it never touches the document.
#include "retrieval/download.h"

#include "log/Log.h"
#include "platform/FileIo.h"
#include "platform/Paths.h"
#include "portfolio/ZipReader.h"
#include "retrieval/HttpTransfer.h"
#include "retrieval/PlaceHolders.h"
#include "retrieval/filtering.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kReadBlock = 1024;
constexpr std::int64_t kQuotationProgressStep = 10240;
constexpr std::int64_t kSetupProgressStep = 102400;
constexpr int kSetupTimeLimitSeconds = 600;
constexpr int kTempFileTries = 10;
constexpr auto kServerErrorPause = std::chrono::milliseconds(500);
constexpr auto kWaitRound = std::chrono::milliseconds(3000);

bool aborted() {
    return g_bAbortDownloads.load() != 0;
}

void removeFile(const fs::path& path) {
    if (path.empty())
        return;
    std::error_code ec;
    fs::remove(path, ec);
}

// Sleeps, waking early on abort.
void pause(std::chrono::milliseconds duration) {
    const auto end = SteadyClock::now() + duration;
    while (!aborted()) {
        const auto now = SteadyClock::now();
        if (now >= end)
            return;
        std::this_thread::sleep_for(std::min<SteadyClock::duration>(end - now, std::chrono::milliseconds(20)));
    }
}

// The deadline of a request (connecting and waiting for the answer's headers): the job's limit,
// at least one second, so a job with a zero limit still gets its answer.
SteadyClock::time_point requestDeadline(int timeoutSeconds) {
    return SteadyClock::now() + std::chrono::seconds(std::max(timeoutSeconds, 1));
}

TransferSettings transferSettings(const DownloadOptions& options, bool httpsOnly) {
    TransferSettings settings;
    settings.standardProxy = options.standardProxy;
    settings.proxyAddress = options.proxyAddress;
    settings.proxyPort = options.proxyPort;
    settings.caFile = options.caFile;
    settings.httpsOnly = httpsOnly;
    return settings;
}

// A new empty file "CVR*.tmp" in `folder`, in up to ten tries; nothing after ten failures.
std::optional<fs::path> createDownloadFile(const fs::path& folder, const char* nameFailureText) {
    for (int attempt = 1; attempt <= kTempFileTries; ++attempt) {
        errno = 0;
        if (auto file = paths::createTempFile("CVR", ".tmp", folder))
            return file;
        const int error = errno;
        CVR_LOG(LOG_LEVEL_DEBUG, "%s", nameFailureText);
        CVR_LOG(LOG_LEVEL_DEBUG, "Try: #%i, handle %i, error %i", attempt, -1, error);
    }
    return std::nullopt;
}

// Where the body of a download comes from: an HTTP answer or a local file.
class BodySource {
public:
    explicit BodySource(HttpTransfer& http) : m_http(&http) {}
    explicit BodySource(std::FILE* file) : m_file(file) {}

    HttpTransfer::Result read(char* buffer, std::size_t& got, SteadyClock::time_point deadline) {
        if (m_http)
            return m_http->read(buffer, kReadBlock, got, deadline, &g_bAbortDownloads);
        got = std::fread(buffer, 1, kReadBlock, m_file);
        if (got == 0 && std::ferror(m_file)) {
            m_error = fileio::errorText(errno ? errno : EIO);
            return HttpTransfer::Result::Failed;
        }
        return HttpTransfer::Result::Ok;
    }

    std::string errorText() const { return m_http ? m_http->errorText() : m_error; }

private:
    HttpTransfer* m_http = nullptr;
    std::FILE* m_file = nullptr;
    std::string m_error;
};

// The body of a download streamed into a file, 1024 bytes at a time.
struct BodyResult {
    enum Kind { Complete, TimedOut, Aborted, WriteFailed, ReadFailed, TooLarge } kind = Complete;
    std::int64_t bytes = 0;
    std::string error;
};

// Streams `source` into the new, empty file `target`, reporting progress each time `progressStep`
// more bytes are in. `limitReached(elapsed)` decides, after every read, whether the time limit
// has passed; reads that would wait give up at `deadline`, the earliest moment the limit can be
// reached. A body of more than `maxBytes` bytes stops the transfer at that point (TooLarge).
BodyResult receiveBody(BodySource& source, const fs::path& target, std::int64_t maxBytes, std::int64_t progressStep,
                       SteadyClock::time_point start, SteadyClock::time_point deadline,
                       const std::function<bool(SteadyClock::duration)>& limitReached,
                       const std::function<void(std::int64_t)>& progress) {
    BodyResult result;
    // The target was just created empty: it is opened without truncation, which on some file
    // systems (ext4) makes the close allocate the file's blocks and start writing it to disk --
    // for a page that is read once and deleted.
    std::FILE* out = std::fopen(target.c_str(), "r+b");
    if (!out) {
        result.kind = BodyResult::WriteFailed;
        return result;
    }
    std::int64_t lastReport = 0;
    char buffer[kReadBlock];
    for (;;) {
        std::size_t got = 0;
        const auto read = source.read(buffer, got, deadline);
        if (read == HttpTransfer::Result::TimedOut) {
            result.kind = BodyResult::TimedOut;
            break;
        }
        if (read == HttpTransfer::Result::Aborted) {
            result.kind = BodyResult::Aborted;
            break;
        }
        if (read != HttpTransfer::Result::Ok) {
            result.kind = BodyResult::ReadFailed;
            result.error = source.errorText();
            break;
        }
        if (got > 0) {
            if (result.bytes + static_cast<std::int64_t>(got) > maxBytes) {
                result.kind = BodyResult::TooLarge;
                break;
            }
            if (std::fwrite(buffer, 1, got, out) != got) {
                result.kind = BodyResult::WriteFailed;
                break;
            }
            result.bytes += static_cast<std::int64_t>(got);
            if (result.bytes - lastReport >= progressStep) {
                progress(result.bytes);
                lastReport = result.bytes;
            }
        }
        if (limitReached(SteadyClock::now() - start)) {
            result.kind = BodyResult::TimedOut;
            break;
        }
        if (got == 0 || aborted())
            break;
    }
    if (std::fclose(out) != 0 && result.kind == BodyResult::Complete)
        result.kind = BodyResult::WriteFailed;
    return result;
}

// Elapsed time in whole seconds, rounded to the nearest.
long long roundedSeconds(SteadyClock::duration elapsed) {
    const double seconds = std::chrono::duration<double>(elapsed).count();
    return static_cast<long long>(std::floor(seconds + 0.5));
}

// The error detail of an answer of 300 or more that is not a missing page: 9 for 400 to 499, 10
// for 500 to 599, else 11 (with an empty message).
int answerErrorDetail(long status) {
    if (status >= 400 && status <= 499)
        return DOWNLOAD_DETAIL_BAD_URL;
    if (status >= 500 && status <= 599)
        return DOWNLOAD_DETAIL_SERVER_ERROR;
    return DOWNLOAD_DETAIL_MESSAGE;
}

int kilobytes(std::int64_t bytes) {
    return static_cast<int>(std::min<std::int64_t>(bytes / 1024, INT32_MAX));
}

// Posts one record of a page, download-only or setup job: no item, the job's URL, the files.
void postJobRecord(DownloadJob& job, int status, const std::string& file, const std::string& semiHtmlFile,
                   const std::string& textFile) {
    auto record = std::make_unique<DownloadStatus>();
    record->m_dwThreadId = currentDownloadWorkerId();
    record->m_nJobId = job.m_nJobId;
    record->m_nStatus = status;
    record->m_szURL = job.m_szURL;
    record->m_szFile = file;
    record->m_szSemiHtmlFile = semiHtmlFile;
    record->m_szTextFile = textFile;
    MessageTarget::instance().post(job.m_hWnd, job.m_nMessage, std::move(record));
}

const char* formatName(int format) {
    switch (format) {
    case FORMAT_SEMI_HTML:
        return "semi-html";
    case FORMAT_TEXT_ONLY:
        return "text-only";
    default:
        return "original";
    }
}

// Reads one item's quotation from `file` by the item's method; returns the extraction's code
// (0 success) and fills `quotation` and, on failure, `preview`.
int extractQuotation(const ExtractionItem& item, const fs::path& file, const OleDate& reference, CKurs& quotation,
                     std::string& preview) {
    quotation = CKurs();
    int code = EXTRACT_NOT_FOUND;
    const bool caseInsensitive = item.m_bNoCaseSensitive != 0;
    if (item.m_nFiltering != 0) {
        quotation.m_dtDate = reference;
        int matchStart = 0;
        int matchLength = 0;
        const bool found = RegExpGetQuotationFile(file, quotation, item.m_szRegExp, item, caseInsensitive, matchStart,
                                                  matchLength, item.m_szThousands, item.m_szDecimal, code, preview);
        if (found)
            code = EXTRACT_OK;
        else if (code == EXTRACT_OK)
            code = EXTRACT_NOT_FOUND;
        // A daily quotation (date found, no time) from an earlier day is dated at the close.
        if (item.m_nDayIndex >= 0 && item.m_nMonthIndex >= 0 && (item.m_nHourIndex < 0 || item.m_nMinuteIndex < 0)) {
            const OleDate today = OleDate::GetCurrentTime();
            const OleDate& date = quotation.m_dtDate;
            if (date.GetDay() != today.GetDay() || date.GetMonth() != today.GetMonth() ||
                date.GetYear() != today.GetYear()) {
                OleDate closing;
                if (closing.SetDateTime(date.GetYear(), date.GetMonth(), date.GetDay(), 20, 0, 0) == OleDate::valid)
                    quotation.m_dtDate = closing;
            }
        }
    } else {
        double value = 0.0;
        if (item.m_nFormat == FORMAT_SEMI_HTML)
            value = GetQuotationSemiHtml(file, item.m_szTextBeforeValue, item.m_szThousands, item.m_szDecimal,
                                         item.m_nHtmlBeforeValue, item.m_nNumbersBeforeValue, caseInsensitive, code,
                                         preview);
        else
            value = GetQuotationText(file, item.m_szTextBeforeValue, item.m_szThousands, item.m_szDecimal,
                                     item.m_nNumbersBeforeValue, caseInsensitive, code, preview);
        quotation.m_dClose = value;
        quotation.m_dtDate = reference;
    }
    if (code == EXTRACT_OK)
        preview.clear();
    return code;
}

// ---------------------------------------------------------------------------------------------
// What both workers share: the job, the message text of its job-level reports and its URL taken
// apart, and the reports that end a job.

class WorkerBase {
protected:
    explicit WorkerBase(DownloadJob& job) : m_job(job) {}

    void report(int status, int detail = DOWNLOAD_DETAIL_NONE) {
        PostDownloadStatus(m_job, status, status == DOWNLOAD_ERROR ? detail : DOWNLOAD_DETAIL_NONE, m_message, 0, 0);
    }

    // Ends the job with 12/11 and `message`, logged as a failed download of `object`.
    void reportFailure(std::string message, const std::string& object) {
        m_message = std::move(message);
        CVR_LOG(LOG_LEVEL_ERROR, "Exception downloading file '%s': %s", object.c_str(), m_message.c_str());
        report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_MESSAGE);
    }

    // True when a request of `http` brought an answer; otherwise the job is ended: 13 on abort,
    // 12/8 at the deadline, 12/5 for a malformed or refused URL, 12/11 with the transfer's error
    // text for anything else.
    bool answered(HttpTransfer::Result result, const HttpTransfer& http, const std::string& object) {
        switch (result) {
        case HttpTransfer::Result::Ok:
            return true;
        case HttpTransfer::Result::Aborted:
            report(DOWNLOAD_ABORTED);
            break;
        case HttpTransfer::Result::TimedOut:
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_TIMEOUT);
            break;
        case HttpTransfer::Result::BadUrl:
            m_message = http.errorText();
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_INCORRECT_URL);
            break;
        case HttpTransfer::Result::Failed:
            reportFailure(http.errorText(), object);
            break;
        }
        return false;
    }

    DownloadJob& m_job;
    std::string m_message;
    ParsedUrl m_parsed;
};

// ---------------------------------------------------------------------------------------------
// The quotation and page worker.

class QuotationWorker : WorkerBase {
public:
    explicit QuotationWorker(DownloadJob& job) : WorkerBase(job), m_slot(job.m_pSemaphore.get()) {}

    void run() {
        try {
            download();
        } catch (const std::exception& e) {
            failWithException(e.what());
        } catch (...) {
            failWithException("Unknown error");
        }
        finish();
    }

private:
    // --- reports ---

    void reportProgress(std::int64_t bytes) {
        PostDownloadStatus(m_job, DOWNLOAD_PROGRESS, 0, m_message, kilobytes(bytes), kilobytes(m_contentLength));
    }

    std::unique_ptr<DownloadStatus> itemRecord(const ExtractionItem& item, int status) const {
        auto record = std::make_unique<DownloadStatus>();
        record->m_dwThreadId = currentDownloadWorkerId();
        record->m_nJobId = m_job.m_nJobId;
        record->m_nStatus = status;
        record->m_szName = item.m_szName;
        record->m_szURL = m_job.m_szURL;
        record->m_posItem = item.m_posItem;
        return record;
    }

    void postItem(const ExtractionItem& item, int status) {
        MessageTarget::instance().post(m_job.m_hWnd, m_job.m_nMessage, itemRecord(item, status));
    }

    // Ends the job after an unexpected failure: the items not yet finished get 12/11.
    void failWithException(const char* what) {
        if (m_current)
            m_job.AddItem(std::move(m_current));
        reportFailure(what, m_parsed.object);
    }

    // --- steps ---

    void download() {
        if (!m_job.m_bStartReported)
            report(DOWNLOAD_INITIALIZED);
        if (m_job.m_pSemaphore) {
            if (!m_slot.acquire(&g_bAbortDownloads)) {
                report(DOWNLOAD_ABORTED);
                return;
            }
        }
        m_parsed = parseDownloadUrl(m_job.m_szURL);
        if (!isSupported(m_parsed)) {
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_INCORRECT_URL);
            return;
        }
        if (m_parsed.service != ParsedUrl::Service::File) {
            m_http.emplace(transferSettings(m_job.m_Options, false));
            report(DOWNLOAD_CONNECTING);
        }
        if (!m_job.m_bUseGivenDate)
            OleDate::GetCurrentTime().GetAsSystemTime(m_job.m_stReferenceDate);
        m_reference = OleDate(m_job.m_stReferenceDate);

        if (!connect())
            return;
        if (!transfer())
            return;
        if (m_job.m_bConvertAll) {
            handOverPage();
            return;
        }
        if (m_job.m_bDownloadOnly) {
            m_handedOver = true;
            postJobRecord(m_job, DOWNLOAD_FINISHED, m_page.string(), {}, {});
            return;
        }
        extractItems();
    }

    static bool isSupported(const ParsedUrl& url) {
        return url.service == ParsedUrl::Service::Http || url.service == ParsedUrl::Service::Https ||
               url.service == ParsedUrl::Service::File;
    }

    // The job's URL with its date place holders for the reference date moved back `stepBack`
    // units; returns whether it has date place holders.
    bool expandDate(int stepBack, std::string& url) const {
        OleDate date = m_reference;
        return ExpandDatePlaceHolders(m_job.m_szURL, url, date, stepBack) != 0;
    }

    enum class Attempt { Answered, NotFound, Ended };

    // One request (or the opening of the local file) for `url`.
    Attempt attempt(const std::string& url, const ParsedUrl& parsed) {
        if (parsed.service == ParsedUrl::Service::File) {
            closeLocalFile();
            const std::string path = localPath(url);
            std::string reason;
            m_localFile = openRegularFile(path, m_localSize, reason);
            if (!m_localFile) {
                m_message = "Could not open the local file '" + path + "': " + reason;
                return Attempt::NotFound;
            }
            m_status = 0;
            return Attempt::Answered;
        }
        if (!m_http) // a date expansion turned a file URL into a web address
            m_http.emplace(transferSettings(m_job.m_Options, false));
        const auto result = m_http->open(url, requestDeadline(m_job.m_nTimeout), &g_bAbortDownloads);
        if (result == HttpTransfer::Result::TimedOut)
            CVR_LOG(LOG_LEVEL_ERROR, "Timeout downloading '%s'", url.c_str());
        if (!answered(result, *m_http, parsed.object))
            return Attempt::Ended;
        m_status = m_http->status();
        if (m_status >= 300)
            CVR_LOG(LOG_LEVEL_DEBUG, "Error downloading '%s': HTTP %u", m_job.m_szURL.c_str(),
                    static_cast<unsigned>(m_status));
        if (const auto length = m_http->contentLength())
            m_contentLength = *length;
        return m_status == 404 ? Attempt::NotFound : Attempt::Answered;
    }

    // Opens a local page for reading; only a regular file is taken. The open does not wait (a
    // FIFO without a writer would block it for good), and a FIFO, device, socket or folder is
    // refused before any read. Null with `reason` set on failure.
    static std::FILE* openRegularFile(const std::string& path, std::int64_t& size, std::string& reason) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            reason = fileio::errorText(errno);
            return nullptr;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            reason = S_ISDIR(st.st_mode) ? fileio::errorText(EISDIR) : "not a regular file";
            ::close(fd);
            return nullptr;
        }
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags != -1)
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        std::FILE* file = ::fdopen(fd, "rb");
        if (!file) {
            reason = fileio::errorText(errno);
            ::close(fd);
            return nullptr;
        }
        size = static_cast<std::int64_t>(st.st_size);
        return file;
    }

    static std::string localPath(const std::string& url) {
        const auto at = url.find("file://");
        return at == std::string::npos ? url : url.substr(at + 7);
    }

    // The attempts: server errors are tried three times, a missing page of a URL with date
    // place holders with the date stepped back up to three times. True when the page is there.
    bool connect() {
        std::string url;
        const bool hasDates = expandDate(0, url);
        if (!hasDates)
            url = m_job.m_szURL;
        int stepBack = 0;
        int serverErrorTries = 0;
        bool answered = false;
        ParsedUrl parsed;
        for (;;) {
            if (hasDates)
                expandDate(stepBack, url);
            if (serverErrorTries > 0)
                pause(kServerErrorPause);
            parsed = parseDownloadUrl(url);
            if (hasDates)
                CVR_LOG(LOG_LEVEL_DEBUG, "Connecting to '%s%s' tryCountServerError=%i...", m_parsed.server.c_str(),
                        url.c_str(), serverErrorTries);
            else
                CVR_LOG(LOG_LEVEL_DEBUG, "Connecting to %s tryCountServerError=%i...", url.c_str(), serverErrorTries);
            if (!isSupported(parsed)) {
                report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_INCORRECT_URL);
                return false;
            }
            const Attempt result = attempt(url, parsed);
            if (result == Attempt::Ended)
                return false;
            if (result == Attempt::Answered)
                answered = true;
            if (!hasDates && parsed.service == ParsedUrl::Service::File && !answered) {
                CVR_LOG(LOG_LEVEL_ERROR, "Exception accessing local file: %s", m_message.c_str());
                report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_FILE_NOT_FOUND);
                return false;
            }
            if (hasDates && !answered && !m_job.m_bUseGivenDate) {
                if (++stepBack < 4)
                    continue;
            }
            if (m_status >= 500 && m_status <= 599) {
                if (++serverErrorTries < 3)
                    continue;
            }
            break;
        }
        m_parsed = parsed;
        if (hasDates && !answered) {
            expandDate(0, m_job.m_szURL);
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_FILE_NOT_FOUND);
            return false;
        }
        if (!hasDates && m_status == 404) {
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_FILE_NOT_FOUND);
            return false;
        }
        if (parsed.service != ParsedUrl::Service::File && m_status >= 300) {
            if (hasDates) {
                std::string reference;
                expandDate(0, reference);
                m_job.m_szURL = reference;
            }
            const int detail = answerErrorDetail(m_status);
            if (detail == DOWNLOAD_DETAIL_MESSAGE)
                m_message.clear();
            report(DOWNLOAD_ERROR, detail);
            return false;
        }
        if (parsed.service == ParsedUrl::Service::File)
            m_contentLength = 0;
        return true;
    }

    // Streams the page into a temporary file. True when it is complete.
    bool transfer() {
        report(DOWNLOAD_CONNECTED);
        if (aborted()) {
            report(DOWNLOAD_ABORTED);
            return false;
        }
        CVR_LOG(LOG_LEVEL_DEBUG, "Connected to '%s', starting download of '%s'...", m_parsed.server.c_str(),
                m_parsed.object.c_str());
        const auto file = createDownloadFile(paths::tempFolder(), "Could not generate temporary file name!");
        if (!file) {
            m_message = "Could not create temporary download file!";
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_MESSAGE);
            return false;
        }
        m_page = *file;
        // A page known to be too long is refused before a byte of it is read.
        if ((m_localFile ? m_localSize : m_contentLength) > kMaxPageBytes) {
            refuseLongPage();
            return false;
        }

        BodySource source = m_localFile ? BodySource(m_localFile) : BodySource(*m_http);
        const int limit = m_job.m_nTimeout;
        const auto start = SteadyClock::now();
        // Elapsed seconds are rounded, so the limit is reached half a second early.
        const auto deadline = start + std::chrono::milliseconds(static_cast<long long>(limit) * 1000 - 500);
        const BodyResult body = receiveBody(
            source, m_page, kMaxPageBytes, kQuotationProgressStep, start, deadline,
            [limit](SteadyClock::duration elapsed) { return roundedSeconds(elapsed) >= limit; },
            [this](std::int64_t bytes) { reportProgress(bytes); });
        if (body.kind == BodyResult::TimedOut) {
            closeConnection();
            removeFile(m_page);
            m_page.clear();
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_TIMEOUT);
            return false;
        }
        if (body.kind == BodyResult::ReadFailed) {
            closeConnection();
            removeFile(m_page);
            m_page.clear();
            reportFailure(body.error, m_parsed.object);
            return false;
        }
        if (body.kind == BodyResult::TooLarge) {
            refuseLongPage();
            return false;
        }
        reportProgress(body.bytes);
        closeConnection();
        if (aborted() || body.kind == BodyResult::Aborted) {
            removeFile(m_page);
            m_page.clear();
            report(DOWNLOAD_ABORTED);
            return false;
        }
        if (body.kind == BodyResult::WriteFailed) {
            removeFile(m_page);
            m_page.clear();
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_WRITE_FAILED);
            return false;
        }
        CVR_LOG(LOG_LEVEL_DEBUG, "Finished downloading '%s' (%li / %li Bytes) to '%s'.", m_parsed.object.c_str(),
                static_cast<long>(body.bytes), static_cast<long>(m_contentLength), m_page.c_str());
        // The page is in: the slot goes to the next job, and this one no longer counts against
        // its slots while it extracts or waits for an exchange-rate item.
        m_slot.release();
        downloadWorkerLeavesSlots();
        return true;
    }

    // Ends the job with 12/11: the page is longer than any page the worker takes.
    void refuseLongPage() {
        closeConnection();
        removeFile(m_page);
        m_page.clear();
        m_message = PageTooLargeText();
        CVR_LOG(LOG_LEVEL_ERROR, "Error downloading '%s': %s", m_parsed.object.c_str(), m_message.c_str());
        report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_MESSAGE);
    }

    // A conversion of the page into a new temporary file; its path, or empty when no file could
    // be made (the conversion failing leaves whatever the file holds).
    fs::path convert(int format, const char* failureText) {
        const auto file = paths::createTempFile("CVR", ".tmp");
        if (!file) {
            CVR_LOG(LOG_LEVEL_ERROR, "Could not generate temporary file name!");
            return {};
        }
        if (!HtmlToTxt(format, m_page, *file))
            CVR_LOG(LOG_LEVEL_ERROR, "%s", failureText);
        return *file;
    }

    void handOverPage() {
        m_semiHtml = convert(FORMAT_SEMI_HTML, "Error converting downloaded file to semi-html format!");
        m_textOnly = convert(FORMAT_TEXT_ONLY, "Error converting downloaded file to Text-only format!");
        CVR_LOG(LOG_LEVEL_DEBUG, "Finished converting file '%s'.", m_parsed.object.c_str());
        m_handedOver = true;
        postJobRecord(m_job, DOWNLOAD_FINISHED, m_page.string(), m_semiHtml.string(), m_textOnly.string());
    }

    // The file an item of `format` is read from; conversions are made once per job.
    fs::path fileFor(int format) {
        const char* failure = "Error converting downloaded file to the specified format!";
        if (format == FORMAT_SEMI_HTML) {
            if (m_semiHtml.empty())
                m_semiHtml = convert(FORMAT_SEMI_HTML, failure);
            return m_semiHtml;
        }
        if (format == FORMAT_TEXT_ONLY) {
            if (m_textOnly.empty())
                m_textOnly = convert(FORMAT_TEXT_ONLY, failure);
            return m_textOnly;
        }
        return m_page;
    }

    // Whether the file of a failed extraction is kept for the user to look at. Test jobs never
    // keep one: their reports do not reach the Downloads window.
    bool keepFilesOnError() const {
        return m_job.m_Options.showFileOnError && !m_job.m_Options.unattendedMode && m_job.m_nJobId != 1;
    }

    // A copy of `file` that belongs to the receiver of the item's report; empty when none could be made.
    static std::string copyForReceiver(const fs::path& file) {
        const auto copy = paths::createTempFile("CVR", ".tmp");
        if (!copy)
            return {};
        std::error_code ec;
        fs::copy_file(file, *copy, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            removeFile(*copy);
            return {};
        }
        return copy->string();
    }

    void extractItems() {
        if (!m_job.HasNoItems()) {
            CVR_LOG(LOG_LEVEL_DEBUG, "Waiting for dependencies of '%s' (e.g. currency update)...",
                    m_parsed.object.c_str());
            report(DOWNLOAD_AWAITING);
        }
        while (!m_job.HasNoItems()) {
            m_current = m_job.WaitForAnyItem(kWaitRound, &g_bAbortDownloads);
            if (aborted()) {
                CVR_LOG(LOG_LEVEL_INFO, "###Update aborted in Waiting status");
                if (m_current)
                    m_job.AddItem(std::move(m_current));
                report(DOWNLOAD_ABORTED);
                return;
            }
            if (!m_current)
                continue;
            extractItem(*m_current);
            m_current->SignalAllAndFree();
            m_current.reset();
        }
    }

    void extractItem(const ExtractionItem& item) {
        CVR_LOG(LOG_LEVEL_DEBUG, "Converting file for '%s' into %s format...", item.m_szName.c_str(),
                formatName(item.m_nFormat));
        postItem(item, DOWNLOAD_CONVERTING);
        const fs::path file = fileFor(item.m_nFormat);
        CVR_LOG(LOG_LEVEL_DEBUG, "Extracting quotation for '%s' from '%s'...", item.m_szName.c_str(), file.c_str());
        postItem(item, DOWNLOAD_EXTRACTING);

        CKurs quotation;
        std::string preview;
        const int code = extractQuotation(item, file, m_reference, quotation, preview);

        auto record = itemRecord(item, DOWNLOAD_NOT_FOUND);
        record->m_szTextFile = file.string();
        record->m_szPreview = preview;
        if (code == EXTRACT_OK) {
            record->m_nStatus = DOWNLOAD_FINISHED;
            record->m_pKurs = std::make_unique<CKurs>(quotation);
            CVR_LOG(LOG_LEVEL_INFO, "Quotation for '%s' extracted successfully: %s %.4lf", item.m_szName.c_str(),
                    quotation.m_dtDate.Format("%x %H:%M").c_str(), quotation.m_dClose);
        } else if (code == EXTRACT_TEXT_MISSING) {
            record->m_nStatus = DOWNLOAD_TEXT_NOT_FOUND;
            CVR_LOG(LOG_LEVEL_ERROR, "Error extracting quotation for '%s': text not found!", item.m_szName.c_str());
        } else if (code == EXTRACT_INVALID_VALUE) {
            record->m_nStatus = DOWNLOAD_INVALID_VALUE;
            CVR_LOG(LOG_LEVEL_ERROR, "Error extracting quotation for '%s': number convertion!", item.m_szName.c_str());
        } else {
            CVR_LOG(LOG_LEVEL_ERROR, "Error extracting quotation for '%s'.", item.m_szName.c_str());
        }
        // Each failed item gets its own copy of the page it was read from, so the receiver may
        // rename or open it while the worker still uses (and finally deletes) its own files.
        if (code != EXTRACT_OK && keepFilesOnError())
            record->m_szTextFile = copyForReceiver(file);
        MessageTarget::instance().post(m_job.m_hWnd, WMU_DOWNLOAD_STATUS, std::move(record));
    }

    // --- ending ---

    void closeLocalFile() {
        if (m_localFile) {
            std::fclose(m_localFile);
            m_localFile = nullptr;
        }
    }

    void closeConnection() {
        closeLocalFile();
        if (m_http)
            m_http->close();
    }

    void finish() {
        m_slot.release();
        closeConnection();
        m_http.reset();
        if (!m_handedOver) {
            removeFile(m_page);
            removeFile(m_semiHtml);
            removeFile(m_textOnly);
        }
        if (m_current)
            m_current->SignalAllAndFree();
        m_current.reset();
        m_job.FreeItems();
    }

    SemaphoreSlot m_slot; // a slot of the job's semaphore, held while connecting and downloading
    OleDate m_reference;
    std::optional<HttpTransfer> m_http;
    std::FILE* m_localFile = nullptr;
    std::int64_t m_localSize = 0; // of the open local file
    long m_status = 0;
    std::int64_t m_contentLength = 0;
    fs::path m_page;
    fs::path m_semiHtml;
    fs::path m_textOnly;
    bool m_handedOver = false;
    std::unique_ptr<ExtractionItem> m_current; // the item being extracted
};

// ---------------------------------------------------------------------------------------------
// The setup worker.

class SetupWorker : WorkerBase {
public:
    explicit SetupWorker(DownloadJob& job) : WorkerBase(job) {}

    void run() {
        try {
            download();
        } catch (const std::exception& e) {
            reportFailure(e.what(), m_parsed.object);
        }
        finish();
    }

private:
    void download() {
        if (!m_job.m_bStartReported)
            report(DOWNLOAD_INITIALIZED);
        m_parsed = parseDownloadUrl(m_job.m_szURL);
        // The release archive is only taken over a verified https connection.
        if (m_parsed.service != ParsedUrl::Service::Https) {
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_INCORRECT_URL);
            return;
        }
        m_http.emplace(transferSettings(m_job.m_Options, true));
        report(DOWNLOAD_CONNECTING);
        const auto opened = m_http->open(m_job.m_szURL, requestDeadline(kSetupTimeLimitSeconds), &g_bAbortDownloads);
        if (!answered(opened, *m_http, m_parsed.object))
            return;
        const long status = m_http->status();
        const std::int64_t contentLength = m_http->contentLength().value_or(0);
        if (status == 404) {
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_FILE_NOT_FOUND);
            return;
        }
        if (status >= 300) {
            report(DOWNLOAD_ERROR, answerErrorDetail(status));
            return;
        }
        report(DOWNLOAD_CONNECTED);
        if (aborted()) {
            report(DOWNLOAD_ABORTED);
            return;
        }
        CVR_LOG(LOG_LEVEL_DEBUG, "Connected to '%s', starting download of '%s'...", m_parsed.server.c_str(),
                m_parsed.object.c_str());

        // A private folder (mode 0700) of this download, never a fixed path in the shared
        // temporary folder that another user could prepare.
        if (auto folder = paths::createTempFolder("CVR"))
            m_folder = *folder;
        std::optional<fs::path> archive;
        if (!m_folder.empty())
            archive = createDownloadFile(m_folder, "Error: Could not generate temporary file name!");
        if (!archive) {
            m_message = "Error: Could not create temporary download file!";
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_MESSAGE);
            return;
        }
        m_archive = *archive;

        BodySource source(*m_http);
        const auto start = SteadyClock::now();
        const auto deadline = start + std::chrono::milliseconds(kSetupTimeLimitSeconds * 1000LL + 500);
        const BodyResult body = receiveBody(
            source, m_archive, std::numeric_limits<std::int64_t>::max(), kSetupProgressStep, start, deadline,
            [](SteadyClock::duration elapsed) { return roundedSeconds(elapsed) > kSetupTimeLimitSeconds; },
            [&](std::int64_t bytes) {
                PostDownloadStatus(m_job, DOWNLOAD_PROGRESS, 0, m_message, kilobytes(bytes), kilobytes(contentLength));
            });
        if (body.kind == BodyResult::TimedOut) {
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_TIMEOUT);
            return;
        }
        if (body.kind == BodyResult::ReadFailed) {
            reportFailure(body.error, m_parsed.object);
            return;
        }
        PostDownloadStatus(m_job, DOWNLOAD_PROGRESS, 0, m_message, kilobytes(body.bytes), kilobytes(contentLength));
        m_http->close();
        if (aborted() || body.kind == BodyResult::Aborted) {
            report(DOWNLOAD_ABORTED);
            return;
        }
        if (body.kind == BodyResult::WriteFailed) {
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_WRITE_FAILED);
            return;
        }
        CVR_LOG(LOG_LEVEL_DEBUG, "Finished downloading file '%s' (%li Bytes).", m_parsed.object.c_str(),
                static_cast<long>(body.bytes));
        unpack();
    }

    void unpack() {
        const fs::path destination = m_folder / kSetupProgramName;
        bool extracted = false;
        ZipReader::Handle archive;
        if (ZipReader::OpenFile(archive, m_archive.c_str(), nullptr) == ZIP_OK) {
            CVR_LOG(LOG_LEVEL_DEBUG, "Unzipping document '%s'...", m_archive.c_str());
            ZipEntry entry;
            if (ZipReader::FindItem(archive, kSetupProgramName, &entry, ZipReader::kIgnoreCase) == ZIP_OK) {
                removeFile(destination);
                extracted = ZipReader::UnzipItemToFile(archive, destination.c_str(), &entry) == ZIP_OK;
            }
            ZipReader::Close(archive);
        }
        if (!extracted) {
            m_message = "Error: Could not unzip downloaded file!";
            report(DOWNLOAD_ERROR, DOWNLOAD_DETAIL_MESSAGE);
            return;
        }
        CVR_LOG(LOG_LEVEL_DEBUG, "Finished unzipping %s file from '%s' to '%s'.", kSetupProgramName,
                m_parsed.object.c_str(), destination.c_str());
        m_delivered = true;
        postJobRecord(m_job, DOWNLOAD_FINISHED, destination.string(), {}, {});
    }

    void finish() {
        if (m_http)
            m_http->close();
        m_http.reset();
        removeFile(m_archive);
        // Nothing is left behind unless the setup program was handed over.
        if (!m_delivered && !m_folder.empty()) {
            std::error_code ec;
            fs::remove_all(m_folder, ec);
        }
        m_job.FreeItems();
    }

    std::optional<HttpTransfer> m_http;
    fs::path m_folder;
    fs::path m_archive;
    bool m_delivered = false;
};

} // namespace

int DownloadQuotationThread(std::unique_ptr<DownloadJob> job) {
    if (!job)
        return 0;
    QuotationWorker(*job).run();
    return 0;
}

int DownloadSetupThread(std::unique_ptr<DownloadJob> job) {
    if (!job)
        return 0;
    SetupWorker(*job).run();
    return 0;
}
