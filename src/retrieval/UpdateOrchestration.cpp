// The document's download operations: update of items, test download, page download.
#include "retrieval/UpdateOrchestration.h"

#include "portfolio/DocLog.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/DownloadManager.h"
#include "retrieval/PlaceHolders.h"
#include "retrieval/ServerConfigStore.h"
#include "retrieval/download.h"
#include "retrieval/filtering.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace {

std::mutex g_routingMutex;
DownloadRouting g_routing;

DownloadManager& managerOf(const DownloadRouting& routing) {
    return routing.manager ? *routing.manager : DownloadManager::instance();
}

// What a worker needs of the program's options, copied into its job.
DownloadOptions jobOptions(const CWPapierDoc& doc) {
    const ProgramOptions options = doc.programOptions();
    DownloadOptions out;
    out.standardProxy = options.StandardProxy != 0;
    out.proxyAddress = options.ProxyAddress;
    out.proxyPort = options.ProxyPort;
    out.showFileOnError = options.ShowFileOnError != 0;
    out.unattendedMode = options.m_bUpdateMode;
    return out;
}

// The templates of one update by name, each loaded from the store once (every value read is a
// settings-file access, and many items usually share a few templates).
using TemplateCache = std::unordered_map<std::string, ServerSettings>;

// The rules an item is downloaded by: the template its configuration names, loaded from the
// store (a name without a key gives the defaults, whose empty URL the worker reports as an
// incorrect URL), or, with an empty name, its own settings.
ServerSettings rulesOf(const CWPapier& item, TemplateCache& templates) {
    const std::string& name = item.m_Server.m_strName;
    if (name.empty())
        return item.m_Server;
    const auto [at, added] = templates.try_emplace(name);
    if (added)
        LoadServerSettings(name, &at->second);
    return at->second;
}

// The extraction part of a job for one item: the rules' fields, the anchor text and the pattern
// with name and symbol put in (the pattern escaped for regular-expression search), and the
// pattern's value place holders turned into capture groups.
std::unique_ptr<ExtractionItem> makeExtractionItem(ItemPos pos, std::string_view name, std::string_view symbol,
                                                   const ServerSettings& rules) {
    auto item = std::make_unique<ExtractionItem>();
    item->m_posItem = pos;
    item->m_szName = std::string(name);
    item->m_szThousands = rules.m_strThousands;
    item->m_szDecimal = rules.m_strDecimal;
    item->m_bNoCaseSensitive = rules.m_bNoCaseSensitive;
    item->m_nFormat = rules.m_nFormat;
    item->m_nHtmlBeforeValue = rules.m_nHtmlBeforeValue;
    item->m_nNumbersBeforeValue = rules.m_nNumbersBeforeValue;
    item->m_nFiltering = rules.m_nFiltering;
    ReplaceNameSymbol(rules.m_strTextBeforeValue, item->m_szTextBeforeValue, name, symbol, false);
    ReplaceNameSymbol(rules.m_strRegExp, item->m_szRegExp, name, symbol, rules.m_nFiltering == 1);
    RegExpExpandPlaceHolders(item->m_szRegExp, *item, item->m_szDecimal, item->m_szThousands);
    return item;
}

// One entry of the update list with what the update needs of it, worked out once per update: its
// position, its rules and its URL with name and symbol put in (date place holders stay).
struct Candidate {
    CWPapier* item = nullptr;
    ItemPos pos = kNoItemPos;
    std::optional<ServerSettings> rules; // only for items that may be downloaded at all
    std::string url;
};

// Whether the item takes part in downloads now (it is not downloading already).
bool mayDownload(const CWPapier& item) {
    return !item.m_bDownloadPending && !item.m_bInvestmentHistory && !item.m_bCashAccount && item.m_bDownloadEnabled;
}

// The positions of the document's items by their address, made once per update: a list of
// thousands of items would otherwise be searched through once per item. Expects the list lock.
class Positions {
public:
    explicit Positions(const CWPapierDoc& doc) {
        m_places.reserve(static_cast<std::size_t>(doc.GetItemCount()));
        for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;) {
            const ItemPos at = pos;
            if (const CWPapier* item = doc.GetNextItem(pos))
                m_places.emplace(item, at);
        }
    }
    // Compares addresses only: `item` may be a stale pointer, which finds nothing.
    ItemPos of(const CWPapier* item) const {
        const auto it = m_places.find(item);
        return it == m_places.end() ? kNoItemPos : it->second;
    }

private:
    std::unordered_map<const CWPapier*, ItemPos> m_places;
};

// The entries of the list that may be downloaded, in list order; the others are left out here
// (a portfolio of thousands of items may have only a few that download). `history` tells whether
// the list names the investment-history item.
std::vector<Candidate> candidatesOf(const Positions& positions, const std::vector<CWPapier*>& items, bool& history) {
    std::vector<Candidate> candidates;
    TemplateCache templates;
    history = false;
    for (CWPapier* item : items) {
        const ItemPos pos = positions.of(item);
        if (pos == kNoItemPos)
            continue;
        history = history || item->m_bInvestmentHistory;
        // Items that may not be downloaded now never become eligible during the update.
        if (!mayDownload(*item) || (item->m_Server.m_strName.empty() && item->m_Server.m_strURL.empty()))
            continue;
        Candidate& c = candidates.emplace_back();
        c.item = item;
        c.pos = pos;
        c.rules = rulesOf(*item, templates);
        ReplaceItemPlaceHolders(c.rules->m_strURL, c.url, item, false);
    }
    return candidates;
}

// The candidates that may be downloaded, in list order, by their URL (byte for byte, date place
// holders unexpanded): a job's partners are looked up instead of searched for in the whole list.
using CandidatesByUrl = std::unordered_map<std::string_view, std::vector<const Candidate*>>;

CandidatesByUrl candidatesByUrl(const std::vector<Candidate>& candidates) {
    CandidatesByUrl byUrl;
    for (const Candidate& c : candidates)
        if (c.rules)
            byUrl[c.url].push_back(&c);
    return byUrl;
}

// Adds to the job every further item of the list whose URL is the job's URL, byte for byte (date
// place holders unexpanded on both sides), marking each as downloading. The job's time limit
// becomes the largest of its items' (compared as unsigned numbers).
void AddItemsWithSameUrl(CWPapierDoc& doc, DownloadJob& job, const CandidatesByUrl& byUrl) {
    const auto lock = doc.LockList();
    const auto sameUrl = byUrl.find(job.m_szURL);
    if (sameUrl == byUrl.end())
        return;
    for (const Candidate* candidate : sameUrl->second) {
        const Candidate& c = *candidate;
        if (!mayDownload(*c.item))
            continue;
        doc.SetDownloadInProgress(c.pos);
        job.AddItem(makeExtractionItem(c.pos, c.item->m_strName, c.item->m_strSymbol, *c.rules));
        if (static_cast<unsigned>(c.rules->m_nTimeout) > static_cast<unsigned>(job.m_nTimeout))
            job.m_nTimeout = c.rules->m_nTimeout;
    }
}

// Makes each listed item that converts by an exchange-rate item downloaded in the same update
// wait for that item's result, within one job or across jobs. Two items converting by each other
// are not linked; a link that would close a longer cycle of waiting items is not made (the
// cycle would wait until the user aborts), with a warning.
void LinkCurrencyJobs(CWPapierDoc& doc, const Positions& positions, const std::vector<CWPapier*>& items,
                      const std::vector<std::unique_ptr<DownloadJob>>& jobs) {
    const auto lock = doc.LockList();
    std::unordered_set<const CWPapier*> inList;
    std::unordered_map<ItemPos, ExtractionItem*> extraction; // the first item of each position
    for (const auto& job : jobs)
        for (const auto& item : job->m_Items)
            extraction.try_emplace(item->m_posItem, item.get());
    const auto extractionOf = [&extraction](ItemPos pos) -> ExtractionItem* {
        const auto it = extraction.find(pos);
        return it == extraction.end() ? nullptr : it->second;
    };
    std::unordered_map<ItemPos, ItemPos> waitsFor; // the links made so far
    for (CWPapier* a : items) {
        const ItemPos posA = positions.of(a);
        if (posA == kNoItemPos || !a->m_bConvertCurrency || !a->m_pCurrencyItem)
            continue;
        CWPapier* r = a->m_pCurrencyItem;
        if (inList.empty())
            inList.insert(items.begin(), items.end());
        if (!inList.contains(r))
            continue;
        const ItemPos posR = positions.of(r);
        if (posR == kNoItemPos || (r->m_bConvertCurrency && r->m_pCurrencyItem == a))
            continue;
        ExtractionItem* waiting = extractionOf(posA);
        ExtractionItem* rate = extractionOf(posR);
        if (!waiting || !rate || waiting->GetWaitEvent())
            continue;
        bool cycle = false;
        for (auto at = waitsFor.find(posR); at != waitsFor.end(); at = waitsFor.find(at->second))
            if (at->second == posA) {
                cycle = true;
                break;
            }
        if (cycle) {
            DOC_LOG(LOG_LEVEL_WARNING,
                    "LinkCurrencyJobs: '%s' does not wait for its exchange-rate item '%s': the exchange-rate links "
                    "of the update would form a cycle!",
                    a->m_strName.c_str(), r->m_strName.c_str());
            continue;
        }
        const DownloadEventHandle event = CreateManualResetEvent();
        waiting->SetWaitEvent(event);
        rate->AddSignalEvent(event);
        waitsFor[posA] = posR;
    }
}

SystemTime now() {
    SystemTime st;
    OleDate::GetCurrentTime().GetAsSystemTime(st);
    return st;
}

} // namespace

void SetDownloadRouting(const DownloadRouting& routing) {
    std::lock_guard lock(g_routingMutex);
    g_routing = routing;
}

DownloadRouting GetDownloadRouting() {
    std::lock_guard lock(g_routingMutex);
    return g_routing;
}

int UpdateAllItems(CWPapierDoc& doc) {
    std::vector<CWPapier*> items;
    const auto lock = doc.LockList();
    items.reserve(static_cast<std::size_t>(doc.GetItemCount()));
    for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;)
        items.push_back(doc.GetNextItem(pos));
    return UpdateItemsNow(doc, items);
}

int UpdateItemsNow(CWPapierDoc& doc, const std::vector<CWPapier*>& items) {
    return WPListUpdate(doc, items, now(), false);
}

int WPListUpdate(CWPapierDoc& doc, const std::vector<CWPapier*>& items, const SystemTime& referenceDate,
                 bool useGivenDate) {
    DOC_LOG(LOG_LEVEL_DEBUG, "-- WPListUpdate -- Begin");
    const DownloadRouting routing = GetDownloadRouting();
    // Without a window for the reports nobody could take the results in, and the items would
    // stay marked as downloading: nothing is downloaded then.
    const bool reported = MessageTarget::instance().contains(routing.mainWindow);
    bool unreported = false;
    const DownloadOptions options = jobOptions(doc);
    std::vector<std::unique_ptr<DownloadJob>> jobs;
    int scheduled = 0;
    {
        const auto lock = doc.LockList();
        const Positions positions(doc);
        bool skippedHistory = false; // the investment-history item is never downloaded
        const std::vector<Candidate> candidates = candidatesOf(positions, items, skippedHistory);
        const CandidatesByUrl byUrl = candidatesByUrl(candidates);
        for (const Candidate& c : candidates) {
            if (!mayDownload(*c.item)) // taken by an earlier job of this update
                continue;
            if (!reported) {
                unreported = true;
                continue;
            }
            auto job = std::make_unique<DownloadJob>();
            job->m_nJobId = 0;
            job->m_pSemaphore = doc.m_SemaphoreDownloads;
            job->m_hWnd = routing.mainWindow;
            job->m_nMessage = WMU_DOWNLOAD_STATUS;
            job->m_bUseGivenDate = useGivenDate ? 1 : 0;
            job->m_stReferenceDate = referenceDate;
            job->m_Options = options;
            job->m_szURL = c.url;
            job->m_nTimeout = c.rules->m_nTimeout;
            doc.SetDownloadInProgress(c.pos);
            job->AddItem(makeExtractionItem(c.pos, c.item->m_strName, c.item->m_strSymbol, *c.rules));
            AddItemsWithSameUrl(doc, *job, byUrl);

            DOC_LOG(LOG_LEVEL_DEBUG, "-- WP download list:");
            for (const auto& item : job->m_Items)
                DOC_LOG(LOG_LEVEL_DEBUG, "   - %s", item->m_szName.c_str());
            scheduled += static_cast<int>(job->m_Items.size());
            jobs.push_back(std::move(job));
        }
        if (unreported)
            DOC_LOG(LOG_LEVEL_ERROR,
                    "-- WPListUpdate -- No window receives the download reports; nothing is downloaded.");
        if (skippedHistory && items.size() == 1) {
            doc.UpdateSumInvestValue();
            doc.SetModifiedFlag();
            doc.UpdateAllViews(nullptr, 0);
        }
        LinkCurrencyJobs(doc, positions, items, jobs);
        // Every served item is announced (status 1) before any worker starts.
        if (!jobs.empty())
            managerOf(routing).startQuotationDownloads(std::move(jobs));
        DOC_LOG(LOG_LEVEL_DEBUG, "-- WPListUpdate -- End");
    }
    return scheduled;
}

std::uint32_t StartTestDownload(CWPapierDoc& doc, const CWPapier* item, const ServerSettings& settings) {
    if (!item)
        return 0;
    const DownloadRouting routing = GetDownloadRouting();
    auto job = std::make_unique<DownloadJob>();
    job->m_nJobId = 1;
    job->m_hWnd = routing.mainWindow;
    job->m_nMessage = WMU_DOWNLOAD_STATUS;
    job->m_Options = jobOptions(doc);
    job->m_nTimeout = settings.m_nTimeout;
    ReplaceNameSymbol(settings.m_strURL, job->m_szURL, item->m_strName, item->m_strSymbol, false);
    job->AddItem(makeExtractionItem(doc.GetItemPosition(item), item->m_strName, item->m_strSymbol, settings));
    return managerOf(routing).startQuotationDownload(std::move(job));
}

std::uint32_t StartPageDownload(CWPapierDoc& doc, std::string_view name, std::string_view symbol, std::string_view url,
                                ReceiverId target) {
    auto job = std::make_unique<DownloadJob>();
    job->m_nJobId = 0;
    job->m_bConvertAll = 1;
    job->m_nTimeout = 300;
    job->m_hWnd = target;
    job->m_nMessage = WMU_PAGE_DOWNLOAD_STATUS;
    job->m_Options = jobOptions(doc);
    ReplaceNameSymbol(url, job->m_szURL, name, symbol, false);
    return managerOf(GetDownloadRouting()).startQuotationDownload(std::move(job));
}
