// The portfolio document: lifecycle, locks, notices and item access.

#include "portfolio/WPapierDoc.h"

#include "portfolio/DocLog.h"

#include <algorithm>

namespace {

std::shared_ptr<CountingSemaphore> downloadSlots(const PortfolioHost* host) {
    return makeDownloadSemaphore(host ? host->programOptions().NumberDownloads : ProgramOptions{}.NumberDownloads);
}

const char* noticeKindText(PortfolioNotice::Kind kind) {
    switch (kind) {
    case PortfolioNotice::Kind::Warning:
        return "warning";
    case PortfolioNotice::Kind::Error:
        return "error";
    case PortfolioNotice::Kind::Information:
        break;
    }
    return "information";
}

} // namespace

CWPapierDoc::CWPapierDoc(PortfolioHost* host) : m_SemaphoreDownloads(downloadSlots(host)), m_portfolioHost(host) {
    setHost(host);
}

CWPapierDoc::~CWPapierDoc() {
    const ListLock lock(*this);
    m_places.clear();
    m_WPList.clear();
}

void CWPapierDoc::setPortfolioHost(PortfolioHost* host) {
    m_portfolioHost = host;
    setHost(host);
}

ProgramOptions CWPapierDoc::programOptions() const {
    return m_portfolioHost ? m_portfolioHost->programOptions() : ProgramOptions{};
}

// ---------------------------------------------------------------- locks and notices

CWPapierDoc::ListLock::ListLock(const CWPapierDoc& doc) : m_doc(doc) {
    m_doc.enterLock();
}

CWPapierDoc::ListLock::~ListLock() {
    m_doc.leaveLock();
}

void CWPapierDoc::enterLock() const {
    m_MutexWPList.lock();
    ++m_lockDepth;
}

void CWPapierDoc::leaveLock() const {
    std::vector<PortfolioNotice> ready;
    if (--m_lockDepth == 0)
        ready.swap(m_pendingNotices);
    m_MutexWPList.unlock();
    for (const PortfolioNotice& notice : ready)
        deliver(notice);
}

void CWPapierDoc::notifyUser(PortfolioNotice::Kind kind, std::string text) const {
    PortfolioNotice notice{kind, std::move(text)};
    {
        const std::lock_guard guard(m_MutexWPList);
        if (m_lockDepth > 0) {
            m_pendingNotices.push_back(std::move(notice));
            return;
        }
    }
    deliver(notice);
}

void CWPapierDoc::deliver(const PortfolioNotice& notice) const {
    if (m_portfolioHost)
        m_portfolioHost->showNotice(notice);
    else
        DOC_LOG(notice.kind == PortfolioNotice::Kind::Error ? LOG_LEVEL_ERROR : LOG_LEVEL_INFO, "Notice (%s): %s",
                noticeKindText(notice.kind), notice.text.c_str());
}

// ---------------------------------------------------------------- lifecycle

bool CWPapierDoc::OnNewDocument() {
    {
        const ListLock lock(*this);
        Document::OnNewDocument(); // DeleteContents, unmodified
        InitializeNewPortfolio();
    }
    UpdateAllViews(nullptr, 0);
    return true;
}

void CWPapierDoc::DeleteContents() {
    const ListLock lock(*this);
    m_places.clear();
    m_WPList.clear();
}

void CWPapierDoc::OnCloseDocument() {
    const ProgramOptions options = programOptions();
    if (options.Autoupdate && m_portfolioHost)
        m_portfolioHost->setUpdateTimer(options.UpdateIntervall);
    g_bAbortDownloads.store(0);
    Document::OnCloseDocument();
    UpdateAllViews(nullptr, 0);
}

bool CWPapierDoc::CanCloseFrame() {
    if (!programOptions().AutosaveOnExit)
        return Document::CanCloseFrame();
    if (!IsModified())
        return true;
    return DoFileSave();
}

// ---------------------------------------------------------------- item access

CWPapier* CWPapierDoc::itemLocked(ItemPos pos) const {
    if (pos == kNoItemPos)
        return nullptr;
    const std::size_t place = m_places.find(pos);
    return place == ItemPlaceIndex::npos ? nullptr : m_WPList[place].get();
}

std::vector<CWPapier*> CWPapierDoc::itemPointersLocked() const {
    std::vector<CWPapier*> items;
    items.reserve(m_WPList.size());
    for (const auto& item : m_WPList)
        items.push_back(item.get());
    return items;
}

void CWPapierDoc::rebuildIndexLocked() {
    m_places.clear();
    m_places.reserve(m_WPList.size());
    for (std::size_t i = 0; i < m_WPList.size(); ++i)
        m_places.set(m_WPList[i]->id(), i);
}

void CWPapierDoc::replaceItemsLocked(std::vector<std::unique_ptr<CWPapier>> items) {
    std::vector<std::unique_ptr<CWPapier>> old = std::move(m_WPList);
    m_WPList = std::move(items);
    rebuildIndexLocked();
    old.clear();
}

CWPapier* CWPapierDoc::GetItem(ItemPos pos) const {
    const ListLock lock(*this);
    return itemLocked(pos);
}

ItemPos CWPapierDoc::GetHeadPosition() const {
    const ListLock lock(*this);
    return m_WPList.empty() ? kNoItemPos : m_WPList.front()->id();
}

CWPapier* CWPapierDoc::GetNextItem(ItemPos& pos) const {
    if (pos == kNoItemPos)
        return nullptr;
    const ListLock lock(*this);
    const std::size_t place = m_places.find(pos);
    if (place == ItemPlaceIndex::npos) {
        pos = kNoItemPos;
        return nullptr;
    }
    pos = place + 1 < m_WPList.size() ? m_WPList[place + 1]->id() : kNoItemPos;
    return m_WPList[place].get();
}

int CWPapierDoc::GetItemCount() const {
    const ListLock lock(*this);
    return static_cast<int>(m_WPList.size());
}

std::vector<CWPapier*> CWPapierDoc::GetItemPointers() const {
    const ListLock lock(*this);
    return itemPointersLocked();
}

bool CWPapierDoc::IsWPListEmpty() const {
    const ListLock lock(*this);
    return m_WPList.empty();
}

bool CWPapierDoc::IsItemInList(const CWPapier* item) const {
    return GetItemPosition(item) != kNoItemPos;
}

ItemPos CWPapierDoc::GetItemPosition(const CWPapier* item) const {
    if (!item)
        return kNoItemPos;
    const ListLock lock(*this);
    // Pointers only: `item` may be an item that is gone.
    for (const auto& member : m_WPList)
        if (member.get() == item)
            return member->id();
    return kNoItemPos;
}

ItemPos CWPapierDoc::FindInvestmentHistoryItem() const {
    const ListLock lock(*this);
    // Where it was found last time, when it is still there (a loaded file without it gets it
    // appended, so it often sits last). Added and pasted items are never the history, so the
    // portfolio holds one at most.
    const std::size_t hint = m_historyPlaceHint;
    if (hint < m_WPList.size() && m_WPList[hint]->m_bInvestmentHistory)
        return m_WPList[hint]->id();
    for (std::size_t place = 0; place < m_WPList.size(); ++place)
        if (m_WPList[place]->m_bInvestmentHistory) {
            m_historyPlaceHint = place;
            return m_WPList[place]->id();
        }
    return kNoItemPos;
}

ItemPos CWPapierDoc::FindCashAccountItem() const {
    const ListLock lock(*this);
    for (const auto& item : m_WPList)
        if (item->m_bCashAccount)
            return item->id();
    return kNoItemPos;
}

std::string CWPapierDoc::GetItemName(ItemPos pos) const {
    const ListLock lock(*this);
    const CWPapier* item = itemLocked(pos);
    return item ? item->m_strName : std::string();
}

double CWPapierDoc::GetCashAccountBalance() const {
    const ListLock lock(*this);
    const CWPapier* cash = itemLocked(FindCashAccountItem());
    if (!cash)
        return 0.0;
    CKurs last;
    cash->GetLastQuotation(last); // 0 when there is none
    return last.m_dClose;
}

std::optional<std::vector<CKurs>> CWPapierDoc::GetQuotationListCopy(ItemPos pos) const {
    // The copy is taken under the list lock too, so the item cannot be deleted meanwhile.
    const ListLock lock(*this);
    const CWPapier* item = itemLocked(pos);
    if (!item)
        return std::nullopt;
    return item->GetQuotationListCopy();
}

// GetAllTransactionsSorted: WPapierDocTransactions.cpp.

// ---------------------------------------------------------------- download flags
// ---- downloads: the items' flags and the abort of all downloads ----

bool CWPapierDoc::IsDownloadInProgress(ItemPos pos) const {
    const ListLock lock(*this);
    const CWPapier* item = itemLocked(pos);
    return item ? item->m_bDownloadPending != 0 : true;
}

void CWPapierDoc::SetDownloadInProgress(ItemPos pos) {
    const ListLock lock(*this);
    if (CWPapier* item = itemLocked(pos)) {
        item->m_bDownloadPending = 1;
        m_downloadingItems.set(true);
    }
}

void CWPapierDoc::clearAbortFlagWhenIdleLocked() {
    // The flag itself falls back once no worker is alive either (DownloadActivity). The search
    // starts where an item still downloading was found last time, so while an update runs it
    // mostly ends at its first look.
    const std::size_t count = m_WPList.size();
    bool downloading = false;
    for (std::size_t step = 0; step < count && !downloading; ++step) {
        const std::size_t place = (m_pendingPlaceHint + step) % count;
        if (m_WPList[place]->m_bDownloadPending != 0) {
            downloading = true;
            m_pendingPlaceHint = place;
        }
    }
    m_downloadingItems.set(downloading);
}

void CWPapierDoc::ResetDownloadFlag(CWPapier* item) {
    const ListLock lock(*this);
    if (IsItemInList(item))
        item->m_bDownloadPending = 0;
    clearAbortFlagWhenIdleLocked();
}

void CWPapierDoc::ResetDownloadFlagAt(ItemPos pos) {
    const ListLock lock(*this);
    if (CWPapier* item = itemLocked(pos))
        item->m_bDownloadPending = 0;
    clearAbortFlagWhenIdleLocked();
}

// ---- end of downloads ----
