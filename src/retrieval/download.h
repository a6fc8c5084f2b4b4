#pragma once
// Downloads: the job a starter hands to a download worker, the items a job serves, the reports
// a worker posts, and the two worker procedures (quotations and pages; the setup archive).
//
// Every download runs on a worker thread of its own (see DownloadManager) and talks to the rest
// of the program only through these records: the starter builds a DownloadJob and gives it away
// with the start; the worker posts DownloadStatus records through the message target, and the
// last receiver that handles a record owns it. Items are named by their ItemPos; a receiver that
// no longer has the item drops the result. Besides the records, workers share only the abort flag
// and the events that make an item wait for its exchange-rate item's result.

#include "platform/MessageTarget.h"
#include "platform/OleDate.h"
#include "platform/Sync.h"
#include "portfolio/DownloadControl.h"
#include "portfolio/ItemPos.h"
#include "portfolio/Kurs.h"
#include "retrieval/filtering.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// --- Messages and codes ----------------------------------------------------------------------

// Update and test reports to the main frame; every final report of an item carries this number.
inline constexpr std::uint32_t WMU_DOWNLOAD_STATUS = 0x0400 + 100; // WM_USER + 100
// Reports of a page download to the dialog that asked for the page.
inline constexpr std::uint32_t WMU_PAGE_DOWNLOAD_STATUS = 0x0400 + 101; // WM_USER + 101
// Reports of the setup download to the new-version dialog.
inline constexpr std::uint32_t WMU_SETUP_DOWNLOAD_STATUS = 0x0400 + 103; // WM_USER + 103

// DownloadStatus::m_nStatus. 8 to 13 are final: each item of a job receives exactly one of them.
enum DownloadStatusCode : int {
    DOWNLOAD_INITIALIZED = 1,     // the worker started
    DOWNLOAD_CONNECTING = 2,      // http or https: about to connect
    DOWNLOAD_CONNECTED = 3,       // the server answered below 300, or the local file is open
    DOWNLOAD_PROGRESS = 4,        // m_nKBDone of m_nKBTotal (0: length unknown)
    DOWNLOAD_AWAITING = 5,        // the item waits for its exchange-rate item
    DOWNLOAD_EXTRACTING = 6,      // extracting the item's quotation
    DOWNLOAD_CONVERTING = 7,      // converting the page for the item
    DOWNLOAD_FINISHED = 8,        // the item's quotation (m_pKurs), or the files of a page or setup job
    DOWNLOAD_NOT_FOUND = 9,       // no quotation on the page
    DOWNLOAD_INVALID_VALUE = 10,  // the number did not convert
    DOWNLOAD_TEXT_NOT_FOUND = 11, // the anchor text is not on the page
    DOWNLOAD_ERROR = 12,          // with m_nDetail
    DOWNLOAD_ABORTED = 13,        // aborted by the user
};

inline bool isFinalDownloadStatus(int status) {
    return status >= DOWNLOAD_FINISHED && status <= DOWNLOAD_ABORTED;
}

// DownloadStatus::m_nDetail with status 12.
enum DownloadErrorDetail : int {
    DOWNLOAD_DETAIL_WRITE_FAILED = -1, // writing the temporary file failed (no text)
    DOWNLOAD_DETAIL_NONE = 0,
    DOWNLOAD_DETAIL_SOCKET = 1,         // not posted by our workers; receivers know the text
    DOWNLOAD_DETAIL_HOST_NOT_FOUND = 2, // not posted
    DOWNLOAD_DETAIL_NO_CONNECTION = 3,  // not posted
    DOWNLOAD_DETAIL_PORT = 4,           // not posted
    DOWNLOAD_DETAIL_INCORRECT_URL = 5,  // not parsable, or a scheme the worker does not take
    DOWNLOAD_DETAIL_FILE_NOT_FOUND = 6, // HTTP 404, or a local file that cannot be opened
    DOWNLOAD_DETAIL_SOCKET_ERROR = 7,   // not posted
    DOWNLOAD_DETAIL_TIMEOUT = 8,        // the job's time limit was reached
    DOWNLOAD_DETAIL_BAD_URL = 9,        // HTTP 400 to 499 (other than 404)
    DOWNLOAD_DETAIL_SERVER_ERROR = 10,  // HTTP 500 to 599
    DOWNLOAD_DETAIL_MESSAGE = 11,       // m_szMessage tells
};

// The process-wide abort flag of all downloads, g_bAbortDownloads (portfolio/DownloadControl.h):
// set by AbortAllDownloads (the document's AbortDownloads, DownloadManager::abortAll); workers
// check it at every step and inside transfers and waits. It returns to 0 by itself once no item
// is downloading and no worker is alive.

// --- Report --------------------------------------------------------------------------------

// One report of a worker. Posted with the job's message (the final report of an item always
// with WMU_DOWNLOAD_STATUS) and owned by the receiver from then on.
struct DownloadStatus : MessageRecord {
    std::uint32_t m_dwThreadId = 0; // the worker that posted it (DownloadManager's worker id)
    int m_nJobId = 0;               // the job's id: 1 marks a test job
    int m_nStatus = 0;              // DownloadStatusCode
    int m_nDetail = 0;              // DownloadErrorDetail with status 12, else 0
    int m_nKBDone = 0;              // status 4: kilobytes received
    int m_nKBTotal = 0;             // status 4: kilobytes announced (0: no length given)
    std::string m_szName;           // the item's name; empty in the one record of a page or setup job
    std::string m_szURL;            // the job's URL at the time of the report
    std::string m_szFile;           // page job: the page; setup job: the setup program
    std::string m_szSemiHtmlFile;   // page job: the semi-html conversion
    std::string m_szTextFile;       // page job: the text-only conversion; final item report: the file read
    std::string m_szMessage;        // the error text of status 12 with detail 11
    std::string m_szPreview;        // failed extraction: the page text where the search failed
    ItemPos m_posItem = 0;          // the item; 0 in the one record of a page or setup job
    std::unique_ptr<CKurs> m_pKurs; // status 8 of an item: the quotation

    // A copy of every field, taking the quotation over from this record (for the list view,
    // while this record goes on to the Downloads window, which never uses the quotation).
    std::unique_ptr<DownloadStatus> copyTakingQuotation();
};

// The text the receivers show for an error detail: "Error: Timeout!", ...; detail 6 appends
// the URL's part from its first '/' at or after the eighth character; detail 11 is `message`
// without carriage returns and with line feeds as ". ".
std::string DownloadErrorText(int detail, std::string_view url, std::string_view message);

// The status text of a report as the Downloads window shows it ("Initialized", "Download %i KB",
// "Error: Quotation not found!! (preview)", ...); empty for status 8 and unknown codes.
std::string DownloadStatusText(const DownloadStatus& status);

// The one table of status texts that every window fetching a single page shows (the page download,
// the wizard, the import and the new-version dialogs), in the wording of each kind of receiver.
// Unlike the Downloads window, these windows keep their text where a report has none for them.
enum class DownloadTextVariant {
    // The page download dialog and the wizard: detail 6 names the URL from its first '/' at or
    // after the eighth character, detail 11 is the message as it is.
    PageDialog,
    // The import and new-version dialogs: as PageDialog, but detail 6 names the whole URL.
    WholeUrl,
};

// The text of a page receiver for an error detail (status 12); nothing for a detail without text
// (the shown text stays). Detail -1 (the temporary file could not be written) has its own text.
std::optional<std::string> DownloadErrorText(int detail, std::string_view url, std::string_view message,
                                             DownloadTextVariant variant);

// The text of a page receiver for a report: status 1 to 7, 9 to 11 and 13 by the table, 12 by
// its detail; nothing for status 8 (each receiver handles its success itself), for unknown codes
// and for a detail without text.
std::optional<std::string> DownloadStatusText(const DownloadStatus& status, DownloadTextVariant variant);

// Detail -1 in a page receiver.
inline constexpr const char* kWriteFailedText = "Error: Could not write temporary file!";

// --- Events between items ------------------------------------------------------------------

// A manual-reset event that links an item waiting for its exchange-rate item to that item: the
// waiting item holds it as its wait event, the other among its events to signal. Both share it;
// it is released when both are done.
class DownloadEvent {
public:
    explicit DownloadEvent(std::uint32_t id) : m_id(id) {}
    ~DownloadEvent();
    DownloadEvent(const DownloadEvent&) = delete;
    DownloadEvent& operator=(const DownloadEvent&) = delete;

    void set();
    bool isSet() const;
    std::uint32_t id() const { return m_id; }

private:
    std::uint32_t m_id;
};
using DownloadEventHandle = std::shared_ptr<DownloadEvent>;

// A new event, not signalled.
DownloadEventHandle CreateManualResetEvent();

// The board on which every download event is signalled and waited for.
EventBoard& downloadEventBoard();

// --- Job -----------------------------------------------------------------------------------

// What a worker needs of the program's options, copied into the job when it is built: nothing
// that the user interface may change meanwhile is shared with the worker.
struct DownloadOptions {
    bool standardProxy = true;          // "StandardProxy": the environment's proxy
    std::string proxyAddress = "proxy"; // "ProxyAddress"
    int proxyPort = 80;                 // "ProxyPort"
    bool showFileOnError = false;       // "ShowFileOnError": keep the file of a failed extraction
    bool unattendedMode = false;        // the program runs an unattended update (switch u)
    // Certificates to trust instead of the system's store; never set by the program (tests).
    std::string caFile;
};

// One portfolio item served by a job: how to read its quotation from the page. Its base holds the
// capture-group numbers of the pattern's value place holders (-1: none), as RegExpExpandPlaceHolders
// sets them.
class ExtractionItem : public RegExpGroupIndexes {
public:
    ItemPos m_posItem = 0;           // the item; every report names it by this
    std::string m_szName;            // for reports and the log
    std::string m_szThousands;       // thousands separator of numbers on the page
    std::string m_szDecimal;         // decimal separator
    int m_bNoCaseSensitive = 0;      // match anchor text and pattern without regard to case
    std::string m_szTextBeforeValue; // anchor text, name and symbol expanded
    int m_nFormat = 0;               // 0 original, 1 semi-html, 2 text-only
    int m_nHtmlBeforeValue = 0;      // tags to skip after the anchor
    int m_nNumbersBeforeValue = 0;   // numbers to skip
    int m_nFiltering = 0;            // 0 anchor text, else regular expression
    std::string m_szRegExp;          // the pattern with its place holders expanded

    void SetWaitEvent(DownloadEventHandle event) { m_hWaitEvent = std::move(event); }
    const DownloadEventHandle& GetWaitEvent() const { return m_hWaitEvent; }
    void AddSignalEvent(DownloadEventHandle event);
    // Whether an item of another job waits for this one.
    bool HasSignalEvents() const { return !m_SignalEvents.empty(); }
    // Sets every event to signal, front first, and lets go of it.
    void SignalAll();
    void SignalAllAndFree();

private:
    DownloadEventHandle m_hWaitEvent;                // signalled when this item may be extracted
    std::vector<DownloadEventHandle> m_SignalEvents; // one per item that waits for this one
};

// The parameters of one worker. Built by the starter, owned by the worker once started.
class DownloadJob {
public:
    std::string m_szURL;          // http://, https:// or file://; date place holders still in it
    int m_nTimeout = 0;           // limit of each request and of the transfer, in seconds
    int m_nJobId = 0;             // 0 update, page and setup job; 1 test job (results only shown)
    int m_bConvertAll = 0;        // page job: hand over the page and both conversions
    int m_bDownloadOnly = 0;      // hand over the downloaded file
    int m_bUseGivenDate = 0;      // 0: the worker takes the current date and may step back
    int m_bStartReported = 0;     // the starter posted status 1 already; the worker does not post it again
    SystemTime m_stReferenceDate; // for the date place holders and undated quotations
    std::shared_ptr<CountingSemaphore> m_pSemaphore; // download slots of update jobs; null: no limit
    ReceiverId m_hWnd = 0;                           // the receiver of the job's reports
    std::uint32_t m_nMessage = WMU_DOWNLOAD_STATUS;
    DownloadOptions m_Options;
    std::vector<std::unique_ptr<ExtractionItem>> m_Items; // in the order they were added

    void AddItem(std::unique_ptr<ExtractionItem> item);
    // The item at `index` (and index + 1), or null (index unchanged) when index is out of range.
    ExtractionItem* NextItem(int& index) const;
    ExtractionItem* FindItem(ItemPos pos) const;
    bool HasNoItems() const { return m_Items.empty(); }
    // The next item that may be extracted, taken out of the job: the first without a wait event,
    // else the first whose wait event is set within `timeout`. Null when there is none in time,
    // or when `abort` is or becomes non-zero.
    std::unique_ptr<ExtractionItem> WaitForAnyItem(std::chrono::milliseconds timeout,
                                                   const std::atomic<int>* abort = nullptr);
    // Takes out every item left, front first, and signals its events (so items of other jobs
    // that wait for it go on).
    void FreeItems();
};

// The slots of update jobs are the document's m_SemaphoreDownloads, made by makeDownloadSemaphore
// (portfolio/DownloadControl.h) with NumberDownloads clamped to 1 to 500. Workers get them in
// the order they asked; an abort of all downloads wakes those that wait.

// Posts one report of a job: a page or download-only job posts one record; any other job one
// record per item still in the job (status 5 only to items with a wait event); a job without
// items posts nothing. Always 1.
int PostDownloadStatus(DownloadJob& job, int status, int detail, std::string_view message, int kbDone, int kbTotal);

// PostDownloadStatus with the given worker id in the records (for reports a starter posts on
// behalf of a worker it is about to start).
int PostDownloadStatusAs(std::uint32_t workerId, DownloadJob& job, int status, int detail, std::string_view message,
                         int kbDone, int kbTotal);

// The id of the download worker running on this thread (0 elsewhere).
std::uint32_t currentDownloadWorkerId();

// Tells the download manager that the worker on this thread has its page and wants no download
// slot any more (it only extracts now, or waits for an exchange-rate item): the starter may hand
// out another job of the same slots. Nothing on other threads.
void downloadWorkerLeavesSlots();

// --- Workers -------------------------------------------------------------------------------

// A quotation or page job refuses a page longer than kMaxPageBytes (filtering.h) with 12/11; the
// transfer stops there.

// The quotation and page worker: waits for a download slot, fetches the job's URL (retrying
// server errors, stepping the date back for missing pages), then hands the page to the receiver
// or extracts one quotation per item. Run by DownloadManager::startQuotationDownload. A local
// file is read only when it is a regular file: a FIFO or a device would block the worker.
int DownloadQuotationThread(std::unique_ptr<DownloadJob> job);

// The setup worker: fetches the release archive (https only) into a private folder and unpacks
// the setup program into it; never runs it. Run by DownloadManager::startSetupDownload.
int DownloadSetupThread(std::unique_ptr<DownloadJob> job);

// The name of the setup program inside the release archive.
inline constexpr const char* kSetupProgramName = "CVRSetup.exe";
