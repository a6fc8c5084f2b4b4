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
#include "portfolio/ItemPlaceIndex.h"
#include "portfolio/ItemPos.h"
#include "portfolio/ItemProperties.h"
#include "portfolio/PortfolioHost.h"
#include "portfolio/WPapierItem.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CWPapierDoc : public Document {
public:
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
    // The items in list order; the pointers stay valid only while the caller holds the list lock.
    std::vector<CWPapier*> GetItemPointers() const;
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
    // Appends the items in their order as AddItem appends each (a second cash account or
    // investment history among them comes in as an ordinary item), under one lock, with one
    // modified flag and a notice to the views naming each new item (a list adds their rows and
    // keeps the others). Returns their positions in that order; null items are skipped. Nothing,
    // and no notice, when no item is given.
    std::vector<ItemPos> AddItems(std::vector<std::unique_ptr<CWPapier>> items);
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

    // --- comparison and transformations of items (WPapierDocTransform.cpp) ---
    // The list's sort order of two items by column 0..12, with the list view's current settings;
    // 0 when either position holds no item.
    int CompareItems(ItemPos a, ItemPos b, int column) const;
    // CWPapier::ApplyFunction / MultiplyByItem on the items; on success modified and all views
    // (hint 0), no investment-history update. False when a position holds no item or the item
    // refuses.
    bool ApplyFunction(ItemPos pos, int first, int last, const std::string& formula);
    bool MultiplyItems(ItemPos item, ItemPos factor);
    // --- end of comparison and transformations ---

    // --- exports (WPapierDocExport.cpp; locked, main thread; the document is not changed) ---
    // Every export file is written complete or not at all; an older file at the target stays until
    // the new one is done. Failures are logged and told to the user (in the export mode only
    // logged); the functions return false then.
    // The quotation file of the export mode: the portfolio's path with its extension replaced by
    // ".csv" (appended when there is none, or when it is ".csv" already); empty for an empty path.
    static std::filesystem::path quotationExportPath(const std::filesystem::path& portfolioPath);
    // The n-th (n >= 2) worksheet file of a portfolio export: "p.xls" -> "p_2.xls".
    static std::filesystem::path worksheetExportPath(const std::filesystem::path& path, int number);
    // Writes the quotations of all items as semicolon-separated text. In the export mode it then
    // logs "Finished FileExportQuotations" and asks the host to exit, also after a failure: the
    // program's exit status should follow the result.
    bool FileExportQuotations(const std::filesystem::path& path);
    // Writes quotations and transactions of all items as worksheet files when the extension is
    // ".xls" (any case), else quotations as text. False also when a worksheet had to leave rows out.
    bool ExportQuotationsXls(const std::filesystem::path& path);

    // ===== Quotation import (WPapierDocImport.cpp; main thread) =====
    // What a reader made of an import file.
    struct QuotationReading {
        std::vector<CKurs> found; // in file order
        std::string error;        // the reason for the user when nothing was found
        int skipped = 0;          // lines of the file that could not be read and were left out
        std::string skipReason;   // why the first of them was
    };
    // Reads the quotations of an import file. The caller supplies it (the regular-expression import
    // of the retrieval: retrieval/QuotationImport.h), so the document does not depend on how files
    // are read.
    using QuotationReader = std::function<QuotationReading(const std::filesystem::path& file)>;
    // Imports a history of quotations from `file` into the item at `pos`. Nothing found: the user
    // is told why (naming the file `shownName`, the one the user chose, when given; else `file`),
    // false. Lines the reader left out are counted, with the first reason, in one warning after the
    // import (the question's texts stay as they are). With `confirm` the host is asked
    // (askImportInterval) with the first and last quotation found and the time frame [from, to] narrowed to the days
    // found; a decline adds nothing, false. Without `confirm` [from, to] is put in order, widened to whole days and
    // written back. Every quotation within the time frame is converted by the item's exchange-rate
    // item when it converts (a quotation without a rate on or before its date is not imported; the
    // user is told how many) and added by AddQuotationToItem (DisableIntraday, views not told one
    // by one), so the investment history follows. Then modified; the views are told the item's
    // position, then the investment history's. False, nothing else, when `pos` holds no item.
    bool ImportQuotations(ItemPos pos, const std::filesystem::path& file, const QuotationReader& read, OleDate& from,
                          OleDate& to, bool confirm, const std::string& shownName = {});
    // ===== end of quotation import =====

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
    // Serialises the investment-history update; always taken while m_MutexWPList is held, so the
    // two are never taken in the other order.
    mutable RecursiveMutex m_CritSectSumInvest;

    // ---- downloads: slots and the abort of all downloads (shared with the download workers) ----
    // The download slots of update jobs (sized once from NumberDownloads, 1 to 500); each update
    // job holds this very semaphore, and its worker a slot of it while it connects and downloads.
    std::shared_ptr<CountingSemaphore> m_SemaphoreDownloads;
    // The abort of all downloads is AbortDownloads (below): it sets the process-wide flag
    // g_bAbortDownloads, which returns to 0 once no item of any portfolio is downloading and no
    // download worker is alive, and when the document is closed.

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
    void resetAfterFailedOpen();

    // Notices (WPapierDoc.cpp).
    void enterLock() const;
    void leaveLock() const;
    void deliver(const PortfolioNotice& notice) const;

    PortfolioHost* m_portfolioHost = nullptr;
    std::vector<std::unique_ptr<CWPapier>> m_WPList;   // the items in list order
    ItemPlaceIndex m_places;                           // item id -> index in m_WPList
    int m_nLoadSchema = 22;

    // Guarded by m_MutexWPList.
    mutable int m_lockDepth = 0;
    mutable std::vector<PortfolioNotice> m_pendingNotices;

    // ===== Transactions, cash-account mirrors, quotations, the investment history, special items ==
    // WPapierDocTransactions.cpp, WPapierDocQuotations.cpp, WPapierDocHistory.cpp,
    // WPapierDocSpecialItems.cpp. All on the main thread; "locked" means m_MutexWPList is held for the
    // whole run. Notices of these operations reach the host once the outermost lock is released;
    // several notices of one operation (a chain of recurring instances and their mirrors, the
    // initialisation of a loaded portfolio) arrive as one summary.
public:
    // --- transactions (locked; modified and all views) ---
    // Adds a copy in date order and returns its index (-1, nothing else, when there is no item).
    // Then: the due instances when it recurs (UpdateRecurringTransactions); on the cash account its
    // balance quotations and figures; unless the item is the investment history, the history
    // (UpdateSumInvestValue).
    int AddTransaction(ItemPos pos, const CTransaction& transaction);
    // Deletes the transaction at `index`; the same follow-up as AddTransaction (without the
    // recurring update), also when there was no such transaction. False when there is none.
    bool DeleteTransaction(ItemPos pos, int index);
    // Delete, then add; the follow-up of AddTransaction whatever the result. The new index, -1 when
    // there is no item or no transaction at `index`.
    int ReplaceTransaction(ItemPos pos, int index, const CTransaction& transaction);
    // Deletes every transaction of every item, then brings the cash account's balance and the
    // investment history up to date once.
    void DeleteAllTransactions();
    // Deletes every transaction of one item at once, then runs DeleteTransaction's follow-up once
    // (also when the item had none). The number deleted; -1, nothing else, when there is no item.
    int DeleteItemTransactions(ItemPos pos);
    // First adds the item's due recurring transactions, then copies its transactions in list
    // order. Nothing for a position without an item.
    std::optional<std::vector<CTransaction>> GetTransactionListCopy(ItemPos pos);

    // --- cash-account mirrors and recurring transactions ---
    // The cash transaction that mirrors an investment transaction of the item `itemName`: a debit
    // of what a buy costs, a credit of what a sale or dividend brings (units x price, with taxes
    // added to a buy and taken from a sale or dividend); a negative amount flips the kind and is
    // kept as its size. Date and end date as the investment's; no price, taxes or recurrence; the
    // note "->Buy ", "->Sell " or "->Dividends/Interests " and the name in quotation marks.
    // Nothing for a kind other than buy, sell and dividend.
    static std::optional<CTransaction> MakeCashAccountMirror(const CTransaction& investment,
                                                             const std::string& itemName);
    // Adds the mirror of `investment` to the cash account and tells the user ("created", or
    // "updated" with `updated`). False, with a warning for the user, when nothing was added (no
    // cash account, or a kind that is not mirrored).
    bool AddCashAccountTransaction(const CTransaction& investment, const std::string& itemName, bool updated);
    // Deletes the mirror of `oldTransaction` when the cash account holds one (same date, kind and
    // amount), then adds the mirror of `newTransaction`, told as "updated" when a mirror was
    // replaced. Returns what AddCashAccountTransaction returns.
    bool UpdateCashAccountTransaction(const std::string& itemName, const CTransaction& oldTransaction,
                                      const CTransaction& newTransaction);
    // Adds every due instance of the item's recurring transactions, each mirrored into the cash
    // account (on the cash account itself: its balance follows). True when one was added. Neither
    // the modified flag nor the views. Locked.
    bool UpdateRecurringTransactions(ItemPos pos);

    // --- quotations (locked) ---
    // Adds a copy (or replaces the quotation of the same date-time, or with bSameDay of the same
    // day next to its place) and returns its index, -1 when there is no item. When it is the
    // newest quotation of an ordinary item holding units, the investment history follows. With
    // bUpdateViews: modified, and the views told with the item's position as hint (then the
    // history's, when it changed), the chart left out when it does not show the item.
    int AddQuotationToItem(ItemPos pos, const CKurs& quotation, bool bSameDay, bool bUpdateViews);
    // Deletes the quotation at `index`; the history follows unless the item is the history itself;
    // modified, all views. False (nothing else) when there is no item or no such quotation.
    bool DeleteQuotation(ItemPos pos, int index);
    // Delete, then add; the index where the quotation now stands; follow-up as DeleteQuotation.
    // -1 (nothing else) when there is no item or no quotation at `index`.
    int ReplaceQuotation(ItemPos pos, int index, const CKurs& quotation);
    // The item operations of the same names; modified and all views when they succeed. False when
    // there is no item or the item operation fails. No history update.
    bool DeleteAllQuotations(ItemPos pos);
    bool DeleteQuotationInterval(ItemPos pos, const OleDate& from, const OleDate& to);
    bool DeleteMultipleQuotations(ItemPos pos, int mode);

    // --- investment history ---
    // The total value of the holdings as of now: the sum over all items of the units held now
    // times the quotation in force now; out's date is the latest of the quotation and last
    // transaction dates used (from 23 January 1975), its close the sum. False when no item holds
    // units and quotations. Locked.
    bool ComputeSumInvestValue(CKurs& out) const;
    // The same total from the values kept since the last change where they still hold (taken anew
    // where they do not), without dropping them: for callers that ask often, such as the list's
    // status-bar total after every refresh. A change made on an item past the document is seen
    // only once SetModifiedFlag announces it, as every change does. Locked.
    bool CurrentSumInvestValue(CKurs& out) const;
    // Marks the document modified (or not). Every change of an item marks the document, so the
    // values kept for the total of the holdings are dropped here.
    void SetModifiedFlag(bool modified = true) override;
    // Brings the history's newest value up to date with the total as of now: a total dated before
    // the history's newest value first removes the values from its date to a year later; within
    // five minutes of the newest value the total replaces it, else it is added in date order.
    void UpdateSumInvestValue();
    // Rebuilds the whole history from every item's transactions and quotations (one value per
    // hour at most), then modified and all views. Leaves the history as it is when no item
    // contributes. Locked.
    void RecomputeSumInvestValueHistory();

    // --- special, new and exchange-rate items ---
    // Makes sure the portfolio has its cash account: turns a legacy item named "Liquidity..." into
    // it (when there is no cash account, or only one without transactions, which is then removed
    // once the links to it are repaired), or creates one. Neither modified nor views. Locked.
    void CheckCashAccount();
    // Appends the investment-history item unless the portfolio has one; its position either way.
    // Neither modified nor views. Locked.
    ItemPos CreateInvestmentHistoryItem();
    // Creates an ordinary item from the record, with the server configuration of the user's
    // country, appends it (modified, all views) and returns its position. Links to items that are
    // not in the list are not taken.
    ItemPos AddNewItem(const ItemProperties& properties);
    // Creates and appends the exchange-rate item of two currencies ("Euro (EUR)" and "US Dollar
    // (USD)" give "Euro (EUR) / US Dollar (USD)" and the symbol "EURUSD"); modified, all views.
    // The document owns it.
    CWPapier* CreateExchangeRateItem(const std::string& currency, const std::string& currency2);
    // Asks every running download to stop: sets the abort flag (g_bAbortDownloads) and wakes every
    // waiting download worker and the download slots.
    void AbortDownloads();
    // The server configuration of a new item for a country text (a two-letter code or a name,
    // compared whole and without regard to case); "US-Yahoo" when no row names it.
    static std::string ServerConfigurationForCountry(std::string_view country);
    // The code inside the first parentheses of a currency text ("Euro (EUR)" gives "EUR") when at
    // least two characters stand there, else the whole text.
    static std::string CurrencyCode(std::string_view currencyText);
    // Where AddNewItem gets the user's country (userlocale::userCountry unless replaced).
    using CountryProvider = std::function<std::optional<std::string>()>;
    void setCountryProvider(CountryProvider provider);

private:
    // Notices of mirrors and recurring updates collected while a batch is open (guarded by
    // m_MutexWPList); the outermost batch hands them over as one summary.
    struct NoticeCollection {
        int depth = 0;
        int created = 0;
        int updated = 0;
        int credits = 0;
        int debits = 0;
        std::string singleText; // the text of a single mirror notice
        int failed = 0;
        std::string singleFailure;
        std::vector<std::string> recurringItems;
    };
    class NoticeBatch {
    public:
        explicit NoticeBatch(CWPapierDoc& doc);
        ~NoticeBatch();
        NoticeBatch(const NoticeBatch&) = delete;
        NoticeBatch& operator=(const NoticeBatch&) = delete;

    private:
        CWPapierDoc& m_doc;
        ListLock m_lock;
    };
    void flushNoticeCollection();

    // The total of the holdings item by item, in list order, as ComputeSumInvestValue sums it: a
    // new quotation of one item then costs its own value and a sum over the kept values instead
    // of a walk over every item's quotations and transactions. The kept values hold while the
    // list holds the same items, nothing else changed them (SetModifiedFlag, which every other
    // change of an item calls, and every public investment-history call but CurrentSumInvestValue
    // drop them), and the clock stays before the first quotation or transaction dated after the
    // time they were taken.
    // Guarded by m_MutexWPList.
    struct HoldingValue {
        const CWPapier* item = nullptr;
        bool counts = false; // holds units and has quotations
        double value = 0.0;  // units times the close in force
        OleDate date;        // the later of that close's date and the last transaction's
    };
    // Kept column by column, so that the checks and the sum after each quotation run over packed
    // arrays: the items (in list order, to compare with the list), and for each its value, whether
    // it counts, its date and that date's key for comparisons (-inf for a date that is not valid).
    struct HoldingValues {
        std::vector<const CWPapier*> items;
        std::vector<double> values;
        std::vector<unsigned char> counts;
        std::vector<double> dateKeys;
        std::vector<OleDate> dates;
        bool valid = false;
        OleDate takenAt;    // the time of the oldest value
        OleDate validUntil; // the first quotation or transaction dated after it (invalid: none)
    };
    // One item's value as of `now`; widens nothing, narrows `until` to its first later date.
    static HoldingValue holdingValue(const CWPapier& item, const OleDate& now, OleDate& until);
    // Keeps `value` at `place` (locked).
    void keepHoldingValueLocked(std::size_t place, const HoldingValue& value) const;
    // Whether the kept values hold for `now` (locked).
    bool holdingValuesHoldLocked(const OleDate& now) const;
    // Takes every item's value as of `now` (locked).
    void takeHoldingValuesLocked(const OleDate& now) const;
    // Takes `pos`'s value anew after its quotations changed, when the others are kept (locked).
    void retakeHoldingValueLocked(ItemPos pos, const OleDate& now) const;
    // The total from the kept values (locked).
    bool sumHoldingValuesLocked(CKurs& out) const;
    // ComputeSumInvestValue with the kept values where they hold (locked).
    bool computeSumInvestValueLocked(CKurs& out, const OleDate& now) const;
    // UpdateSumInvestValue with the kept values where they hold (locked).
    void updateSumInvestValueLocked();
    mutable HoldingValues m_holdingValues;
    // Where the investment history and the first item still downloading were last found (hints).
    mutable std::size_t m_historyPlaceHint = 0;
    std::size_t m_pendingPlaceHint = 0;

    // The cash account's balance quotations are rebuilt from the first changed transaction on
    // when they still are what the last rebuild left (same item, unchanged quotation list, the
    // expected number of transactions, transactions in date order with distinct dates); otherwise
    // from scratch.
    struct CashBalanceMemo {
        ItemPos item = kNoItemPos;
        std::uint64_t quotationGeneration = 0;
        std::size_t transactionCount = 0;
        bool ordered = false;
    };
    void rebuildCashBalance(CWPapier& cash);
    void refreshCashBalance(CWPapier& cash, std::optional<std::size_t> firstChanged, std::size_t countBefore);
    void transactionFollowUp(ItemPos pos, CWPapier& item, bool recurs, std::optional<std::size_t> firstChanged,
                             std::size_t countBefore);
    // Created-item defaults (WPapierDocSpecialItems.cpp).
    enum class SpecialKind { CashAccount, InvestmentHistory, ExchangeRate };
    static void applyCreatedItemDefaults(CWPapier& item, SpecialKind kind);
    // The list's one way in and out for an item (WPapierDocItems.cpp); removing repairs the links
    // to the item before it is destroyed.
    void appendItemLocked(std::unique_ptr<CWPapier> item);
    void removeItemLocked(ItemPos pos);
    // The fields of the record except its server settings (SetItemProperties and AddNewItem copy
    // those each their own way); a link to an item that is not in the list is not taken.
    void applyPropertiesLocked(CWPapier& item, const ItemProperties& properties) const;

    NoticeCollection m_noticeCollection;
    CashBalanceMemo m_cashBalanceMemo;
    // Within a catch-up of recurring instances (UpdateRecurringTransactions): the investment total
    // is brought up to date once at its end, not after each mirror.
    int m_catchUpDepth = 0;
    bool m_sumInvestDue = false;
    CountryProvider m_countryProvider;
};
