// The download records and their small operations: reports, events, jobs and items.
#include "retrieval/download.h"

#include "platform/TextCodec.h"

// --- DownloadStatus --------------------------------------------------------------------------

std::unique_ptr<DownloadStatus> DownloadStatus::copyTakingQuotation() {
    auto copy = std::make_unique<DownloadStatus>();
    copy->m_dwThreadId = m_dwThreadId;
    copy->m_nJobId = m_nJobId;
    copy->m_nStatus = m_nStatus;
    copy->m_nDetail = m_nDetail;
    copy->m_nKBDone = m_nKBDone;
    copy->m_nKBTotal = m_nKBTotal;
    copy->m_szName = m_szName;
    copy->m_szURL = m_szURL;
    copy->m_szFile = m_szFile;
    copy->m_szSemiHtmlFile = m_szSemiHtmlFile;
    copy->m_szTextFile = m_szTextFile;
    copy->m_szMessage = m_szMessage;
    copy->m_szPreview = m_szPreview;
    copy->m_posItem = m_posItem;
    copy->m_pKurs = std::move(m_pKurs);
    return copy;
}

std::string DownloadErrorText(int detail, std::string_view url, std::string_view message) {
    switch (detail) {
    case DOWNLOAD_DETAIL_SOCKET:
        return "Error: Could not create socket!";
    case DOWNLOAD_DETAIL_HOST_NOT_FOUND:
        return "Error: Host not found!";
    case DOWNLOAD_DETAIL_NO_CONNECTION:
        return "Error: No connection!";
    case DOWNLOAD_DETAIL_PORT:
        return "Error: Incorrect port number!";
    case DOWNLOAD_DETAIL_INCORRECT_URL:
        return "Error: Incorrect URL!";
    case DOWNLOAD_DETAIL_FILE_NOT_FOUND: {
        std::string text = "Error: File not found: ";
        if (url.size() > 7) {
            const auto slash = url.find('/', 7);
            if (slash != std::string_view::npos)
                text += url.substr(slash);
        }
        return text;
    }
    case DOWNLOAD_DETAIL_SOCKET_ERROR:
        return "Error: SOCKET_ERROR!";
    case DOWNLOAD_DETAIL_TIMEOUT:
        return "Error: Timeout!";
    case DOWNLOAD_DETAIL_BAD_URL:
        return "Error: Bad URL!";
    case DOWNLOAD_DETAIL_SERVER_ERROR:
        return "Error: Internal Server Error!";
    case DOWNLOAD_DETAIL_MESSAGE: {
        std::string text;
        for (const char c : message) {
            if (c == '\r')
                continue;
            if (c == '\n')
                text += ". ";
            else
                text += c;
        }
        return text;
    }
    default:
        return {};
    }
}

std::string DownloadStatusText(const DownloadStatus& status) {
    switch (status.m_nStatus) {
    case DOWNLOAD_INITIALIZED:
        return "Initialized";
    case DOWNLOAD_CONNECTING:
        return "Connecting...";
    case DOWNLOAD_CONNECTED:
        return "Connected";
    case DOWNLOAD_PROGRESS:
        if (status.m_nKBTotal > 0)
            return textcodec::formatText("Download %i KB / %i KB", status.m_nKBDone, status.m_nKBTotal);
        return textcodec::formatText("Download %i KB", status.m_nKBDone);
    case DOWNLOAD_AWAITING:
        return "Awaiting dependencies...";
    case DOWNLOAD_EXTRACTING:
        return "Extracting quotation...";
    case DOWNLOAD_CONVERTING:
        return "Converting file...";
    case DOWNLOAD_NOT_FOUND:
        if (status.m_szPreview.empty())
            return "Error: Quotation not found!!";
        return "Error: Quotation not found!! (" + status.m_szPreview + ")";
    case DOWNLOAD_INVALID_VALUE:
        return "Error: Invalid value!";
    case DOWNLOAD_TEXT_NOT_FOUND:
        return "Error: Text not found!";
    case DOWNLOAD_ERROR:
        return DownloadErrorText(status.m_nDetail, status.m_szURL, status.m_szMessage);
    case DOWNLOAD_ABORTED:
        return "Download aborted!";
    default:
        return {};
    }
}

std::optional<std::string> DownloadErrorText(int detail, std::string_view url, std::string_view message,
                                             DownloadTextVariant variant) {
    switch (detail) {
    case DOWNLOAD_DETAIL_WRITE_FAILED:
        return std::string(kWriteFailedText);
    case DOWNLOAD_DETAIL_FILE_NOT_FOUND:
        if (variant == DownloadTextVariant::WholeUrl)
            return "Error: File not found: " + std::string(url);
        return DownloadErrorText(detail, url, message);
    case DOWNLOAD_DETAIL_MESSAGE:
        return std::string(message);
    default:
        if (detail >= DOWNLOAD_DETAIL_SOCKET && detail <= DOWNLOAD_DETAIL_SERVER_ERROR)
            return DownloadErrorText(detail, url, message);
        return std::nullopt;
    }
}

std::optional<std::string> DownloadStatusText(const DownloadStatus& status, DownloadTextVariant variant) {
    switch (status.m_nStatus) {
    case DOWNLOAD_FINISHED:
        return std::nullopt;
    case DOWNLOAD_NOT_FOUND: // the page windows show no preview
        return std::string("Error: Quotation not found!!");
    case DOWNLOAD_ERROR:
        return DownloadErrorText(status.m_nDetail, status.m_szURL, status.m_szMessage, variant);
    default:
        if (status.m_nStatus >= DOWNLOAD_INITIALIZED && status.m_nStatus <= DOWNLOAD_ABORTED)
            return DownloadStatusText(status);
        return std::nullopt;
    }
}

// --- Events ----------------------------------------------------------------------------------

EventBoard& downloadEventBoard() {
    static EventBoard board;
    // An abort wakes every item that waits for another item's result.
    static const bool woken = (DownloadActivity::instance().addWakeHook([] { board.wakeAll(); }), true);
    (void)woken;
    return board;
}

namespace {
std::atomic<std::uint32_t> g_lastEventId{0};
}

DownloadEventHandle CreateManualResetEvent() {
    std::uint32_t id = ++g_lastEventId;
    if (id == 0) // after wrapping around; 0 stays unused
        id = ++g_lastEventId;
    return std::make_shared<DownloadEvent>(id);
}

DownloadEvent::~DownloadEvent() {
    downloadEventBoard().reset(m_id);
}

void DownloadEvent::set() {
    downloadEventBoard().signal(m_id);
}

bool DownloadEvent::isSet() const {
    return downloadEventBoard().isSignalled(m_id);
}

// --- ExtractionItem --------------------------------------------------------------------------

void ExtractionItem::AddSignalEvent(DownloadEventHandle event) {
    if (event)
        m_SignalEvents.push_back(std::move(event));
}

void ExtractionItem::SignalAll() {
    for (auto& event : m_SignalEvents)
        event->set();
    m_SignalEvents.clear();
}

void ExtractionItem::SignalAllAndFree() {
    SignalAll();
    m_SignalEvents.shrink_to_fit();
}

// --- DownloadJob -----------------------------------------------------------------------------

void DownloadJob::AddItem(std::unique_ptr<ExtractionItem> item) {
    if (item)
        m_Items.push_back(std::move(item));
}

ExtractionItem* DownloadJob::NextItem(int& index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_Items.size())
        return nullptr;
    return m_Items[static_cast<std::size_t>(index++)].get();
}

ExtractionItem* DownloadJob::FindItem(ItemPos pos) const {
    for (const auto& item : m_Items)
        if (item->m_posItem == pos)
            return item.get();
    return nullptr;
}

std::unique_ptr<ExtractionItem> DownloadJob::WaitForAnyItem(std::chrono::milliseconds timeout,
                                                            const std::atomic<int>* abort) {
    if (m_Items.empty())
        return nullptr;
    const auto take = [this](std::size_t index) {
        auto item = std::move(m_Items[index]);
        m_Items.erase(m_Items.begin() + static_cast<std::ptrdiff_t>(index));
        return item;
    };
    for (std::size_t i = 0; i < m_Items.size(); ++i)
        if (!m_Items[i]->GetWaitEvent())
            return take(i);
    std::vector<std::uint32_t> ids;
    ids.reserve(m_Items.size());
    for (const auto& item : m_Items)
        ids.push_back(item->GetWaitEvent()->id());
    const auto result = downloadEventBoard().waitAny(ids, timeout, abort);
    if (result.result != EventBoard::WaitResult::Signalled)
        return nullptr;
    return take(result.index);
}

void DownloadJob::FreeItems() {
    while (!m_Items.empty()) {
        auto item = std::move(m_Items.front());
        m_Items.erase(m_Items.begin());
        item->SignalAllAndFree();
    }
    m_Items.shrink_to_fit();
}

// --- Reports ---------------------------------------------------------------------------------

int PostDownloadStatus(DownloadJob& job, int status, int detail, std::string_view message, int kbDone, int kbTotal) {
    return PostDownloadStatusAs(currentDownloadWorkerId(), job, status, detail, message, kbDone, kbTotal);
}

int PostDownloadStatusAs(std::uint32_t workerId, DownloadJob& job, int status, int detail, std::string_view message,
                         int kbDone, int kbTotal) {
    const auto makeRecord = [&] {
        auto record = std::make_unique<DownloadStatus>();
        record->m_dwThreadId = workerId;
        record->m_nJobId = job.m_nJobId;
        record->m_nStatus = status;
        record->m_nDetail = detail;
        record->m_nKBDone = kbDone;
        record->m_nKBTotal = kbTotal;
        record->m_szURL = job.m_szURL;
        record->m_szMessage = std::string(message);
        return record;
    };
    MessageTarget& target = MessageTarget::instance();
    if (job.m_bConvertAll || job.m_bDownloadOnly) {
        target.post(job.m_hWnd, job.m_nMessage, makeRecord());
        return 1;
    }
    for (const auto& item : job.m_Items) {
        if (status == DOWNLOAD_AWAITING && !item->GetWaitEvent())
            continue;
        auto record = makeRecord();
        record->m_szName = item->m_szName;
        record->m_posItem = item->m_posItem;
        target.post(job.m_hWnd, job.m_nMessage, std::move(record));
    }
    return 1;
}
