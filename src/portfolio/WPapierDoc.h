#pragma once
// The portfolio document: owns the item list, reads and writes the portfolio file (plain, or as
// the entry "portfolio.cvr" of a zip archive) and guards the list for the views, dialogs and the
// update orchestration.
//
// Items are addressed by their ItemPos (the item's id): a position of an item that was deleted, or
// that belongs to another portfolio, finds no item. The list keeps the order; an id -> place index
// finds an item at once.
//
// Locks: m_MutexWPList (re-entrant) is held by every operation that walks or changes the list and
// briefly by every item accessor; other code takes it through LockList(). The document's locks come
// before an item's own locks (an item: transaction lock, then quotation lock). Notices for the user
// raised inside a locked operation are queued and handed to the host after the outermost lock is
// released, so no message box ever waits inside a locked operation.
//
// Views are told through UpdateAllViews with no sender and hint 0 after every change, except where
// an operation names an item's position as hint (adding or importing a quotation). Every change
// sets the modified flag.
//
// The class is defined in several files: WPapierDoc.cpp (lifecycle, locks, item access),
// WPapierDocFile.cpp (the portfolio file), WPapierDocItems.cpp (operations on whole items) and
// WPapierDocInit.cpp (what completes a new or loaded portfolio); further groups of operations
// (transactions, quotations and the investment history, special items, formulas) get files of
// their own.

#include "platform/Archive.h"
#include "platform/Document.h"
#include "platform/Sync.h"
#include "portfolio/DownloadControl.h"
#include "portfolio/ItemPos.h"
#include "portfolio/ItemProperties.h"
#include "portfolio/PortfolioHost.h"
#include "portfolio/WPapierItem.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class CWPapierDoc : public Document {
public:
    // Download slots at most, whatever the option says.
    static constexpr int kMaxDownloadSlots = 500;
    // Name of the one entry of a zipped portfolio file.
    static constexpr const char* kZipEntryName = "portfolio.cvr";

    // `host` (not owned; may be null: default options, nobody to tell) is also the document host
    // of the save questions. The download slots are sized once, from the option NumberDownloads
    // (clamped to 1 to 500).
    explicit CWPapierDoc(PortfolioHost* host = nullptr);
    ~CWPapierDoc() override;

    // --- host ---
    PortfolioHost* portfolioHost() const { return m_portfolioHost; }
    // Replaces the host; the download slots keep their size.
    void setPortfolioHost(PortfolioHost* host);
    // The host's options, or the defaults without a host.
    ProgramOptions programOptions() const;
    // Tells the user now, or, inside a locked operation, once it is done. Without a host the notice
    // is only logged.
    void notifyUser(PortfolioNotice::Kind kind, std::string text) const;

    // --- framework steps (main thread) ---
    // Empties the document; then completes the new portfolio (InitializeNewPortfolio). True.
    bool OnNewDocument() override;
    // Reads the portfolio file, plain or zipped whatever the option ZipFile says. False when the
    // file cannot be read (the document is unchanged) or is damaged (the document is then a new,
    // untitled portfolio); the user is told why.
    bool OnOpenDocument(const std::filesystem::path& path) override;
    // Writes the portfolio, zipped when the option ZipFile is on, through a temporary file beside
    // the target that replaces it only when complete. False, with the user told why and the
    // previous file untouched, on any failure.
    bool OnSaveDocument(const std::filesystem::path& path) override;
    // Restarts the update timer when Autoupdate is on, clears the abort flag, then closes.
    void OnCloseDocument() override;
    // Destroys every item (locked).
    void DeleteContents() override;
    // With AutosaveOnExit on, saves a modified portfolio without asking (false when that fails);
    // otherwise asks the host whether to save.
    bool CanCloseFrame() override;
    // Stores the item list into `ar`, or loads it from `ar` (an archive on
    // portfolioClassRegistry()) in place of the current items, then completes the loaded
    // portfolio. Loading reads the whole list before it replaces anything: on ArchiveError the
    // items stay as they were. Locked.
    void Serialize(Archive& ar);
    // The schema of the last item record of the last load (22 when it held none).
    int LoadSchema() const { return m_nLoadSchema; }

    // --- item access (locked unless said) ---
    // The item at `pos`; null for kNoItemPos or a position that holds no item. GetItemAt is the
    // same.
    CWPapier* GetItem(ItemPos pos) const;
    CWPapier* GetItemAt(ItemPos pos) const { return GetItem(pos); }
    // The position of the first item, kNoItemPos when the list is empty.
    ItemPos GetHeadPosition() const;
    // The item at `pos`, moving `pos` on to the next item (kNoItemPos after the last). Null, and
    // `pos` kNoItemPos, when `pos` holds no item.
    CWPapier* GetNextItem(ItemPos& pos) const;
    int GetItemCount() const;
    bool IsWPListEmpty() const;
    // Whether `item` is an item of the list (compared as a pointer; it is never read).
    bool IsItemInList(const CWPapier* item) const;
    // The position of `item` when it is in the list, else kNoItemPos.
    ItemPos GetItemPosition(const CWPapier* item) const;
    // The first item with the investment-history (cash-account) flag, kNoItemPos when none.
    ItemPos FindInvestmentHistoryItem() const;
    ItemPos FindCashAccountItem() const;
    // A copy of the item's name; empty when there is no item.
    std::string GetItemName(ItemPos pos) const;
    // The newest close of the cash-account item; 0 when there is none.
    double GetCashAccountBalance() const;
    // Copies of the item's quotations, oldest first; nothing when there is no item.
    std::optional<std::vector<CKurs>> GetQuotationListCopy(ItemPos pos) const;
    // Copies of every item's transactions in date order, each with its item's position and its
    // index in that item's list. Transactions whose units and taxes are both 0 are left out (their
    // index still counts).
    std::vector<CTransaction> GetAllTransactionsSorted() const;

    // --- download flags ---
    // The item's download-pending flag; true when there is no item.
    bool IsDownloadInProgress(ItemPos pos) const;
    // Sets the item's flag (the orchestration calls it while holding the list lock).
    void SetDownloadInProgress(ItemPos pos);
    // Clears the flag of `item` (when it is an item of the list), then the abort flag when no item
    // is downloading any more.
    void ResetDownloadFlag(CWPapier* item);
    // The same for a position (kNoItemPos: only the abort flag check).
    void ResetDownloadFlagAt(ItemPos pos);

    // --- operations on items (locked, main thread; modified and all views unless said) ---
    // Appends the item (the document owns it from now on) with its download flag cleared; returns
    // its position (kNoItemPos and nothing else for a null item).
    ItemPos AddItem(std::unique_ptr<CWPapier> item);
    // Removes the item, repairs the links to it and destroys it. False (nothing changes) when
    // there is no item.
    bool DeleteItem(ItemPos pos);
    // Deletes the listed items that are in the list, not downloading and not special; links to
    // them are repaired. Modified and all views even when nothing was deleted. Returns the number
    // deleted.
    int DeleteItems(const std::vector<CWPapier*>& items);
    // Applies the record to the item (server settings as SetItemServerSettings copies them), then
    // recomputes units, break-even and average price from its transactions. A link to an item
    // that is not in the list is not taken (exchange rate: none, conversion off; formula items:
    // the item itself). False when there is no item.
    bool SetItemProperties(ItemPos pos, const ItemProperties& properties);
    // Copies the configuration fields of `server` into the item's own settings; its reserved
    // integers, symbol information and symbol look-up address stay. False when there is no item.
    bool SetItemServerSettings(ItemPos pos, const ServerSettings& server);
    // Makes every link name an item of the list (see repairItemLinks). No modified flag, no views.
    void RepairItemLinks();

    // --- locks and shared state ---
    // Holds m_MutexWPList; notices queued meanwhile are handed to the host when the outermost
    // lock of the thread ends.
    class ListLock {
    public:
        explicit ListLock(const CWPapierDoc& doc);
        ~ListLock();
        ListLock(const ListLock&) = delete;
        ListLock& operator=(const ListLock&) = delete;

    private:
        const CWPapierDoc& m_doc;
    };
    [[nodiscard]] ListLock LockList() const { return ListLock(*this); }

    // Guards the item list and the items' places in it. Prefer LockList(), which keeps notices out
    // of the locked run.
    mutable RecursiveMutex m_MutexWPList;
    // Serialises the investment-history update; taken before m_MutexWPList.
    mutable RecursiveMutex m_CritSectSumInvest;

    // ---- downloads: slots and the abort of all downloads (shared with the download workers) ----
    // The download slots of update jobs (sized once from NumberDownloads, 1 to 500); each update
    // job holds this very semaphore, and its worker a slot of it while it connects and downloads.
    std::shared_ptr<CountingSemaphore> m_SemaphoreDownloads;
    // Sets the process-wide abort flag g_bAbortDownloads and wakes every waiting download worker.
    // The flag returns to 0 once no item of any portfolio is downloading and no worker is alive,
    // and when the document is closed.
    void AbortDownloads();

private:
    // Whether any item of this document is downloading, for the abort flag's account; kept by
    // SetDownloadInProgress and the two resets.
    DownloadingItemsShare m_downloadingItems;
    // ---- end of downloads ----

private:
    // Completing a new portfolio (OnNewDocument) and a loaded one (Serialize, under the lock);
    // WPapierDocInit.cpp.
    void InitializeNewPortfolio();
    void InitializeLoadedPortfolio(int loadSchema);

    // Helpers expecting m_MutexWPList to be held.
    CWPapier* itemLocked(ItemPos pos) const;
    std::vector<CWPapier*> itemPointersLocked() const;
    void rebuildIndexLocked();
    void replaceItemsLocked(std::vector<std::unique_ptr<CWPapier>> items);
    void clearAbortFlagWhenIdleLocked();
    static void copyServerSettings(ServerSettings& target, const ServerSettings& source, bool withName);

    // The portfolio file (WPapierDocFile.cpp).
    bool readPortfolioBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, bool& zipped,
                            std::string& error) const;
    void resetAfterFailedOpen();

    // Notices (WPapierDoc.cpp).
    void enterLock() const;
    void leaveLock() const;
    void deliver(const PortfolioNotice& notice) const;

    PortfolioHost* m_portfolioHost = nullptr;
    std::vector<std::unique_ptr<CWPapier>> m_WPList;   // the items in list order
    std::unordered_map<ItemPos, std::size_t> m_places; // item id -> index in m_WPList
    int m_nLoadSchema = 22;

    // Guarded by m_MutexWPList.
    mutable int m_lockDepth = 0;
    mutable std::vector<PortfolioNotice> m_pendingNotices;
};
