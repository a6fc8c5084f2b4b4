#pragma once
// One portfolio item (a security, fund, index, currency rate, or one of the two special items:
// the cash account and the investment history) with its settings, its investment figures and two
// owned, date-ordered lists: quotations and transactions.
//
// Dates follow the model's rules (platform/OleDate.h): "on or before" is earlier, or equal within
// half a second. Quotations are kept oldest first; where the list is in date order the item finds
// places by binary search, which gives exactly the result of walking the list from its oldest
// record.
//
// Locks: each list has its own re-entrant lock, taken by every operation below for its whole run.
// Operations that need both take the transaction lock first and then the quotation lock; anything
// else that holds both must keep that order.
//
// The item is an archive object (class "CWPapier", schema 22): its file record is written and
// read by Serialize (WPapierItemSerialize.cpp).

#include "platform/Archive.h"
#include "platform/OleDate.h"
#include "platform/Sync.h"
#include "portfolio/ItemPos.h"
#include "portfolio/Kurs.h"
#include "portfolio/QuotationList.h"
#include "portfolio/ServerSettings.h"
#include "portfolio/Transaction.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CWPapier : public ArchiveObject {
public:
    static constexpr std::string_view kClassName = "CWPapier";
    // Validity marker of a live item.
    static constexpr int kMagic = 0x42F69715;
    // Where a query finds nothing: 23 January 1975 00:00:00.
    static OleDate fallbackDate();

    // --- settings and identity (plain fields; the document guards them) ---
    std::string m_strName;     // list column 0; the special items' names start with a blank
    std::string m_strSymbol;   // symbol or ISIN, put in for [&symbol]
    std::string m_strCategory; // free category text
    std::string m_strNote;
    ServerSettings m_Server; // own settings; m_strName names the template in use, empty for these fields

    int m_bChartEnabled = 0;
    int m_bGrid = 0;
    int m_nGraphValues = 0; // 0 none, 1 percent, 2 nominal, 3 square mark
    int m_nAxisValues = 0;  // 0 percent, 1 nominal
    OleDate m_dtBegin;      // chart interval
    OleDate m_dtEnd;
    int m_bBegin = 0;
    int m_bEnd = 0;
    std::uint32_t m_crColor = 0; // 0x00BBGGRR
    int m_bBreakEvenLine = 0;
    int m_bTransactionMarks = 0;

    int m_bAlarmAbove = 0;
    int m_bAlarmBelow = 0;
    int m_bAlarmBreakEven = 0;
    double m_dAlarmAbove = 0.0;
    double m_dAlarmBelow = 0.0;
    double m_dAlarmBreakEvenPercent = 0.0;

    // Computed from the transactions (RecalculateAverageInvestPrice); units 1 on the cash account.
    double m_dUnits = 0.0;
    double m_dBreakEven = 0.0;
    double m_dAveragePrice = 0.0;

    bool m_bConvertCurrency = false;
    CWPapier* m_pCurrencyItem = nullptr; // exchange-rate item, not owned
    ItemPos m_nCurrencyItemId = 0;       // id of the exchange-rate item at the last save

    std::string m_strFormula; // user-defined value in x and y
    bool m_bFormulaPercent = false;
    CWPapier* m_pFormulaItemX = nullptr; // not owned
    int m_nFormulaValueX = 0;            // 0 last quotation, 1 investment volume, 2 units, 3 annualised change
    CWPapier* m_pFormulaItemY = nullptr; // not owned
    ItemPos m_nFormulaItemYId = 0;       // id of the y item at the last save
    int m_nFormulaValueY = 0;

    int m_bDownloadPending = 0; // a download job for the item exists
    int m_bInvestmentHistory = 0;
    int m_bCashAccount = 0;
    int m_bDownloadEnabled = 0;
    int m_nMagic = kMagic;

    // Texts empty, dates 0.0 valid, numbers 0, links none, lists empty; a new id.
    CWPapier();
    ~CWPapier() override;
    CWPapier(const CWPapier&) = delete;
    CWPapier& operator=(const CWPapier&) = delete;

    // The item's id: never 0, never given to another item in this run.
    ItemPos id() const { return m_id; }

    // --- file record ---
    std::string_view archiveClassName() const override { return kClassName; }
    std::uint16_t archiveSchema() const override { return 22; }
    // Stores the record at schema 22, or loads it in the schema the archive reports for it (1 to
    // 22; 0 and anything above 22 read as 22). Storing holds the transaction lock and then the
    // quotation lock up to the lists, not while linked items are written. Loading expects a freshly
    // constructed item that no other thread can reach.
    void Serialize(Archive& ar) override;
    // The schema this item's record was read in (22 for an item that was not read from a file).
    int loadSchema() const { return m_nLoadSchema; }

    // --- quotation list ---
    // Inserts a copy in date order or replaces a quotation of the same date-time (within half a
    // second); with bSameDay a quotation of the same calendar day next to the place is replaced.
    // Returns the index of the inserted or replaced quotation (0 = oldest).
    int AddQuotation(const CKurs& quotation, bool bSameDay);
    bool DeleteQuotation(int index);
    // Delete then add; -1 (and nothing changes) when there is no quotation at `index`.
    int ReplaceQuotation(int index, const CKurs& quotation);
    bool DeleteAllQuotations();
    // Deletes the quotations dated on or after `from` and on or before `to`; false when the list
    // was empty.
    bool DeleteQuotationInterval(const OleDate& from, const OleDate& to);
    // Keeps one quotation per calendar day (mode 0) or per calendar month (mode 1), the newest of
    // each; other modes delete nothing. False when the list was empty.
    bool DeleteMultipleQuotations(int mode);
    // Takes over a whole list (the caller hands it over in date order), then recomputes the
    // investment figures.
    bool ReplaceQuotationList(std::vector<CKurs> quotations);

    int GetQuotationCount() const;
    bool IsQuotationListEmpty() const;
    // The item's own record (no copy), valid until the list changes; null when out of range.
    const CKurs* GetQuotationAt(int index) const;
    const CKurs* GetLastQuotationPtr() const;
    // Copy of the newest quotation; false with the five values of `out` set to 0 (date kept).
    bool GetLastQuotation(CKurs& out) const;
    // Copy of the oldest quotation; false and `out` unchanged when there is none.
    bool GetFirstQuotation(CKurs& out) const;
    // Copy of the second newest quotation; false with fewer than two.
    bool GetPreviousQuotation(CKurs& out) const;
    // Date of the oldest / newest quotation; the fallback date and false when there is none.
    bool GetFirstQuotationDate(OleDate& out) const;
    bool GetLastQuotationDate(OleDate& out) const;
    // The newest quotation dated on or before `date` (out.m_dClose is set to 0 first).
    bool GetQuotationOnOrBefore(const OleDate& date, CKurs& out) const;
    // Its date; `out` unchanged when there is none.
    bool GetQuotationDateOnOrBefore(const OleDate& date, OleDate& out) const;
    // The quotation after the newest one on or before `date` (the oldest when none is on or
    // before it); out.m_dClose is set to 0 first; false when there is none.
    bool GetNextQuotationAfter(const OleDate& date, CKurs& out) const;
    // The quotation a change on `date` is measured against: the one before the quotation in force
    // on `date`, or with bPreviousDay the newest one at least 10 hours older than it.
    bool GetReferenceQuotation(const OleDate& date, CKurs& out, bool bPreviousDay) const;
    bool GetReferenceQuotationDate(const OleDate& date, OleDate& out, bool bPreviousDay) const;
    // Close in force on `date` minus (or in percent of) the reference close; 0 and false when a
    // quotation is missing (or, in percent, the reference close is 0).
    bool GetChange(const OleDate& date, double& out, bool bPreviousDay) const;
    bool GetChangePercent(const OleDate& date, double& out, bool bPreviousDay) const;
    // Lowest and highest close dated on or before `date`; both 0 and false when there is none.
    bool GetMinMaxUntil(const OleDate& date, double& min, double& max) const;
    // Change between the quotation in force on `date` and the one in force `days` whole days
    // before it (days <= 0: the oldest quotation); ageDays is the whole days between the two, one
    // more for a remainder of 10 hours or more.
    bool GetTimeFrameChange(const OleDate& date, std::int64_t days, double& out, std::int64_t& ageDays) const;
    bool GetTimeFrameChangePercent(const OleDate& date, std::int64_t days, double& out, std::int64_t& ageDays) const;
    // Copies of all quotations, oldest first.
    std::vector<CKurs> GetQuotationListCopy() const;
    // Returns read(list) for the item's own quotation list, read in place under its lock (by
    // walks over many items that need no copies).
    template <class Read> auto readQuotations(Read&& read) const {
        std::lock_guard lock(m_csQuotations);
        return read(static_cast<const QuotationList&>(m_QuotationList));
    }
    // Grows with every change of the quotation list: an equal value means an unchanged list.
    std::uint64_t quotationListGeneration() const;

    // --- transaction list ---
    // Inserts a copy in date order (after transactions of an equal date, but before the newest
    // when equal to it), recomputes the investment figures and returns the new index.
    int AddTransaction(const CTransaction& transaction);
    bool DeleteTransaction(int index);
    int ReplaceTransaction(int index, const CTransaction& transaction);
    bool ReplaceTransactionList(std::vector<CTransaction> transactions);
    bool IsTransactionListEmpty() const;
    int GetTransactionCount() const;
    // The item's own record (no copy), valid until the list changes; null when out of range.
    const CTransaction* GetTransactionAt(int index) const;
    // Copies of all transactions, in list order; each copy holds no origin.
    std::vector<CTransaction> GetTransactionListCopy() const;
    // Units held on `date` (1.0 or 0 on the cash account).
    double GetUnitsOnDate(const OleDate& date) const;
    // Date of the last transaction (in list order) on or before `date`; the fallback date when none.
    void GetLastTransactionDate(const OleDate& date, OleDate& out) const;

    // --- derived values ---
    // Recomputes units, break-even and average price from the transactions dated up to now;
    // true when one of them changed.
    bool RecalculateAverageInvestPrice();
    // Cash account: rebuilds the quotations as the running balance of the transactions.
    void RecalculateCashAccountQuotationList();
    // One step of the cash account's running balance: credits and interests add their amount less
    // taxes, debits take amount and taxes away.
    static double CashBalanceAfter(double balance, const CTransaction& t);
    // Adds the next due instance of the first due recurring transaction; true (and `out` holds a
    // copy of the instance, `index` where it went) when one was added. The investment figures
    // follow at once unless `recalculate` is false: a catch-up of many instances recomputes them
    // once at its end (RecalculateAverageInvestPrice), as each recomputation may walk every
    // transaction.
    bool AddRecurringTransaction(CTransaction& out, int* index = nullptr, bool recalculate = true);

    std::uint32_t GetColor() const { return m_crColor; }

    // --- user-defined value, comparison and transformations (WPapierItemFormula.cpp) ---
    // The value of m_strFormula at x and y (what m_pFormulaItemX/Y supply by m_nFormulaValueX/Y)
    // and its display text: "%4.2f%" in percent display, else `numberFormat` grouped. False (0,
    // empty text) for an empty formula, or when x or y is needed but unavailable.
    bool GetUserDefinedValue(double& value, std::string& text, const char* numberFormat) const;
    // The formula with every 'y' and 'Y' replaced by "(y)", y printed "%.6f" whatever the locale.
    static std::string FormulaWithY(std::string_view formula, double y);
    // Sort order by list column 0..12: 1, -1 or the name comparison (1 when `other` is null). The
    // change columns follow the list view's percent display and time frame.
    int CompareItems(const CWPapier* other, int column, bool procentualValue, int timeFrameDays) const;
    // What CompareItems reads of one item at the moment `now`, taken once: a sort of many items
    // computes each item's key once (for one column, or for all columns with the row's texts) and
    // compares keys, in the order CompareItems gives for the same moment (ties and the special
    // items included). A key holds copies, never the item: it may outlive the item.
    static constexpr int kSortColumns = 13;
    struct SortKey {
        bool present = false; // false: no item; compares equal to every key
        bool cashAccount = false;
        bool investmentHistory = false;
        double units = 0.0; // m_dUnits (column 11)
        // foldedText of the name and the category: they compare as compareNoCase compares the
        // texts, at a fraction of its cost.
        std::u32string name;
        std::u32string category;
        OleDate date;                              // column 2: the newest quotation's date
        std::array<double, kSortColumns> values{}; // columns 3 to 12: the compared value
    };
    // The key of `column` alone (the other values stay 0).
    SortKey GetSortKey(int column, bool procentualValue, int timeFrameDays, const OleDate& now) const;
    // The key of every column.
    SortKey GetSortKeys(bool procentualValue, int timeFrameDays, const OleDate& now) const;
    // CompareItems of the two keys' items by `column`; both keys taken for that column. A value
    // that does not compare (NaN, as a user formula "0/0" gives) sorts below every number and
    // equal to another NaN, so the order stays a strict weak order.
    static int CompareSortKeys(const SortKey& a, const SortKey& b, int column);
    // Applies a formula in x to close, open, high and low of the quotations first..last (0 =
    // oldest); the split presets "x/2".."x/10" and "x*2".."x*10" also divide volumes, the units of
    // the transactions in that range and m_dUnits by f(1) and map prices, break-even, average and
    // alarm limits by f; "1/x" leaves zeros alone. False, and nothing changes, when the formula is
    // empty or does not parse, the range holds no quotation, or a result would not be finite.
    bool ApplyFunction(int first, int last, const std::string& formula);
    // Multiplies each quotation by the close of the factor item's newest quotation not later than
    // it (none: left as it is). False when the factor is null or this item, or a list is empty,
    // or a product would not be finite (nothing changes then).
    bool MultiplyByItem(CWPapier* factorItem);
    // --- end of user-defined value, comparison and transformations ---

private:
    // Helpers expecting the list's lock to be held.
    int addQuotationLocked(const CKurs& quotation, bool sameDay);
    std::optional<std::size_t> indexOnOrBefore(const OleDate& date) const;
    std::optional<std::size_t> referenceIndex(const OleDate& date, bool previousDay) const;
    std::optional<std::size_t> referenceIndexOf(std::optional<std::size_t> current, bool previousDay) const;
    bool timeFrame(const OleDate& date, std::int64_t days, bool percent, double& out, std::int64_t& ageDays) const;
    bool change(const OleDate& date, bool percent, double& out, bool previousDay) const;
    int addTransactionLocked(const CTransaction& transaction);
    double unitsOnDateLocked(const OleDate& date) const;

    // What makes searches by date valid on the transaction list, kept as QuotationList keeps it
    // for the quotations: transactions whose date is not regular, and neighbours whose date goes
    // down. Where both are 0, the transactions on or before a regular date are a leading run.
    bool transactionsOrdered() const { return m_transactionsIrregular == 0 && m_transactionDescents == 0; }
    // The number of leading transactions dated on or before `date`, when transactionsOrdered()
    // and `date` is regular; nothing otherwise.
    std::optional<std::size_t> transactionsOnOrBefore(const OleDate& date) const;
    void transactionInserted(std::size_t index);
    void transactionErasing(std::size_t index);
    void transactionsReplaced();

    // Units, break-even and average price after the transactions 0..k, in list order, as
    // RecalculateAverageInvestPrice computes them from all transactions up to one; kept for a
    // leading run of the list and cut back where the list changes, so adding transactions at the
    // end (as the catch-up of a savings plan does) costs no walk over the older ones.
    struct RunningFigures {
        double units = 0.0;
        double breakEven = 0.0;
        double average = 0.0;
    };
    RunningFigures figuresAfter(std::size_t count) const;

    // The record readers (WPapierItemSerialize.cpp).
    void storeRecord(Archive& ar);
    void loadRecord(Archive& ar, int schema);

    ItemPos m_id;
    int m_nLoadSchema = 22;
    mutable RecursiveMutex m_csQuotations;
    mutable RecursiveMutex m_csTransactions;
    QuotationList m_QuotationList;               // oldest first
    std::vector<CTransaction> m_TransactionList; // date order
    std::size_t m_transactionsIrregular = 0;
    std::size_t m_transactionDescents = 0;
    mutable std::vector<RunningFigures> m_runningFigures; // after each transaction of a leading run
    // No transaction before this index recurs: the search for a due recurrence starts here.
    std::size_t m_recurrenceSearchFrom = 0;
    // Where the last transaction added went and its date, while the list has not changed since
    // otherwise: the walk that places a later transaction in a list out of date order (the
    // instances of a recurring plan, one after the other) starts after it instead of at the oldest.
    std::size_t m_lastAddedIndex = static_cast<std::size_t>(-1);
    OleDate m_lastAddedDate;
};

// A selection of items handed around sorted (not owning).
class CWPVector : public std::vector<CWPapier*> {
public:
    CWPVector() = default;
    virtual ~CWPVector() = default;
};
