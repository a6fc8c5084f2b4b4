#include "dialogs/DlgPageDownload.h"

#include "dialogs/DialogIds.h"
#include "framework/StringTable.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/PageFiles.h"
#include "retrieval/UpdateOrchestration.h"
#include "retrieval/download.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPlainTextEdit>

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

// --- The portfolio document --------------------------------------------------------------------

std::uint32_t WPapierDocOperations::StartPageDownload(std::string_view name, std::string_view symbol,
                                                      std::string_view url, ReceiverId target) {
    return ::StartPageDownload(m_doc, name, symbol, url, target);
}

void WPapierDocOperations::AbortDownloads() {
    m_doc.AbortDownloads();
}

void WPapierDocOperations::ResetDownloadFlagAt(ItemPos pos) {
    m_doc.ResetDownloadFlagAt(pos);
}

std::uint32_t WPapierDocOperations::StartTestDownload(ItemPos pos, const ServerSettings& settings) {
    return ::StartTestDownload(m_doc, m_doc.GetItem(pos), settings);
}

bool WPapierDocOperations::SetItemServerSettings(ItemPos pos, const ServerSettings& settings) {
    return m_doc.SetItemServerSettings(pos, settings);
}

// --- The status text -----------------------------------------------------------------------------

// The status edit shows CR LF as one line break; it is only ever loaded.
void DDX_StatusText(DataExchange& dx, unsigned id, const std::string& value) {
    if (dx.m_bSaveAndValidate || dx.failed())
        return;
    if (auto* edit = qobject_cast<QPlainTextEdit*>(dx.PrepareCtrl(id))) {
        QString text = QString::fromStdString(value);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (edit->toPlainText() != text)
            edit->setPlainText(text);
    }
}

void SetPageStatusText(std::string& status, const DownloadStatus& record) {
    if (auto text = DownloadStatusText(record, DownloadTextVariant::PageDialog))
        status = std::move(*text);
}

const std::string& ShownConfigurationName(const std::string& templateName, const std::string& itemName) {
    return templateName == LoadString(IDS_LOCAL_DEFINITION) ? itemName : templateName;
}

// --- The link ----------------------------------------------------------------------------------

struct DialogLinkState final : MessageReceiver, std::enable_shared_from_this<DialogLinkState> {
    DialogLink::Handler handler; // null once the dialog is gone
    int busy = 0;
    std::deque<Message> held;
    std::optional<std::uint32_t> awaited;
    ReceiverRegistration registration;

    // Deliveries run on the user-interface thread; they go on after the dialog is gone.
    void registerNow() {
        registration = ReceiverRegistration(MessageTarget::instance(), *this,
                                            std::make_shared<QtMessageQueue>(QCoreApplication::instance()));
    }

    std::intptr_t onMessage(Message& message) override {
        if (!handler) {
            discard(message);
            releaseWhenDone();
            return 0;
        }
        if (busy > 0) {
            held.push_back(std::move(message));
            return 0;
        }
        const auto self = shared_from_this(); // the handler may end the dialog and its link
        dispatch(message);
        drain();
        return 0;
    }

    // The page download record of the message when it is one.
    static DownloadStatus* pageRecord(Message& message) {
        return message.message == WMU_PAGE_DOWNLOAD_STATUS ? message.recordAs<DownloadStatus>() : nullptr;
    }

    // Whether the record belongs to the awaited download; its end stops the waiting.
    bool accept(const DownloadStatus& record) {
        if (!awaited || record.m_dwThreadId != *awaited)
            return false;
        if (isFinalDownloadStatus(record.m_nStatus))
            awaited.reset();
        return true;
    }

    // A message nobody handles: the files of a success go; the awaited download's end is noted.
    void discard(Message& message) {
        if (DownloadStatus* record = pageRecord(message)) {
            accept(*record);
            if (record->m_nStatus == DOWNLOAD_FINISHED)
                DeletePageFilesOf(*record);
        }
    }

    void dispatch(Message& message) {
        ++busy;
        if (DownloadStatus* record = pageRecord(message); record && !accept(*record)) {
            if (record->m_nStatus == DOWNLOAD_FINISHED)
                DeletePageFilesOf(*record);
        } else {
            handler(message);
        }
        --busy;
    }

    void drain() {
        const auto self = shared_from_this();
        while (handler && busy == 0 && !held.empty()) {
            Message next = std::move(held.front());
            held.pop_front();
            dispatch(next);
        }
    }

    // The dialog is gone: what still waits is discarded; the link stays registered while its
    // download runs.
    void detach();
    void releaseWhenDone();
};

namespace {

// Links whose dialog is gone while their download runs.
std::vector<std::shared_ptr<DialogLinkState>>& orphans() {
    MessageTarget::instance(); // outlives the orphans
    static std::vector<std::shared_ptr<DialogLinkState>> links;
    return links;
}

} // namespace

void DialogLinkState::detach() {
    handler = nullptr;
    std::deque<Message> dropped;
    dropped.swap(held);
    for (Message& message : dropped)
        discard(message);
    if (awaited)
        orphans().push_back(shared_from_this());
    else
        registration.reset();
}

void DialogLinkState::releaseWhenDone() {
    if (awaited)
        return;
    auto& links = orphans();
    const auto it = std::find(links.begin(), links.end(), shared_from_this());
    if (it == links.end())
        return;
    std::shared_ptr<DialogLinkState> self = std::move(*it);
    links.erase(it);
    // Not destroyed inside its own delivery: later, on the same thread.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [self]() mutable { self.reset(); }, Qt::QueuedConnection);
}

DialogLink::DialogLink(Handler handler) : m_state(std::make_shared<DialogLinkState>()) {
    m_state->handler = std::move(handler);
    m_state->registerNow();
}

DialogLink::~DialogLink() {
    m_state->detach();
}

ReceiverId DialogLink::id() const {
    return m_state->registration.id();
}

void DialogLink::expectDownload(std::uint32_t workerId) {
    m_state->awaited = workerId;
}

void DialogLink::forgetDownload() {
    m_state->awaited.reset();
}

bool DialogLink::downloadAwaited() const {
    return m_state->awaited.has_value();
}

std::size_t DialogLink::waiting() const {
    return m_state->held.size();
}

DialogLink::Hold::Hold(DialogLink& link) : m_state(link.m_state) {
    ++m_state->busy;
}

DialogLink::Hold::~Hold() {
    if (--m_state->busy == 0)
        m_state->drain();
}
