#include "portfolio/WPapierItem.h"

#include "portfolio/ItemLog.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

namespace {

int transactionDescent(const CTransaction& a, const CTransaction& b) {
    return QuotationList::key(a.m_dtDate) > QuotationList::key(b.m_dtDate) ? 1 : 0;
}

int transactionIrregular(const CTransaction& t) {
    return QuotationList::regular(t.m_dtDate) ? 0 : 1;
}

ItemPos nextItemId() {
    static std::atomic<ItemPos> counter{1};
    ItemPos id = counter.fetch_add(1, std::memory_order_relaxed);
    while (id == kNoItemPos) // after 2^32 items the counter wraps; 0 stays "no item"
        id = counter.fetch_add(1, std::memory_order_relaxed);
    return id;
}

} // namespace

OleDate CWPapier::fallbackDate() {
    return OleDate(1975, 1, 23, 0, 0, 0);
}

CWPapier::CWPapier() : m_id(nextItemId()) {}

CWPapier::~CWPapier() = default;

// ---------------------------------------------------------------- quotation list

int CWPapier::AddQuotation(const CKurs& quotation, bool bSameDay) {
    std::lock_guard lock(m_csQuotations);
    return addQuotationLocked(quotation, bSameDay);
}

int CWPapier::addQuotationLocked(const CKurs& quotation, bool sameDay) {
    QuotationList& list = m_QuotationList;
    const CKurs q = quotation; // the argument may be one of the list's own records
    const std::size_t n = list.size();
    if (n == 0 || dateEarlier(q.m_dtDate, list.front().m_dtDate)) {
        list.insert(0, q);
        return 0;
    }

    // C: where a walk from the oldest stops, at the first quotation that is not on or before q;
    // the newest quotation is never tested. On a list in date order that is a binary search, and
    // after the newest a single comparison.
    std::size_t c = 0;
    if (list.ordered() && QuotationList::regular(q.m_dtDate)) {
        const double bound = QuotationList::key(q.m_dtDate) + kOleHalfSecond; // on or before q <=> key below bound
        if (n < 2 || QuotationList::key(list[n - 2].m_dtDate) < bound)
            c = n - 1;
        else
            c = std::min(list.countBelow(bound), n - 1);
    } else {
        while (c + 1 < n && dateEarlierOrEqual(list[c].m_dtDate, q.m_dtDate))
            ++c;
    }

    const auto logLine = [&](const char* format, std::size_t index) {
        if (debugLogWanted())
            ITEM_LOG(LOG_LEVEL_DEBUG, format, m_strName.c_str(), itemLogDate(q.m_dtDate).c_str(), q.m_dClose,
                     static_cast<int>(index));
    };
    const auto replaceAt = [&](std::size_t index, bool newest) {
        list.replace(index, q);
        logLine(newest ? "Updated latest quotation for '%s': %s %3.4lf at index %i"
                       : "Updated quotation for '%s': %s %3.4lf at index %i",
                index);
        return static_cast<int>(index);
    };

    const OleDate current = list[c].m_dtDate;
    const bool hasPrevious = c > 0;
    const OleDate previous = hasPrevious ? list[c - 1].m_dtDate : OleDate();

    if (datesEqual(current, q.m_dtDate))
        return replaceAt(c, true);
    if (hasPrevious && datesEqual(previous, q.m_dtDate))
        return replaceAt(c - 1, false);
    if (sameDay) {
        const OleDate first = dayStart(q.m_dtDate);
        const OleDate last = dayEnd(q.m_dtDate);
        const auto withinDay = [&](const OleDate& x) {
            return dateLaterOrEqual(x, first) && dateEarlierOrEqual(x, last);
        };
        if (withinDay(current))
            return replaceAt(c, true);
        if (hasPrevious && withinDay(previous))
            return replaceAt(c - 1, false);
    }
    if (dateLater(q.m_dtDate, current)) {
        // Only the newest quotation can be earlier than q where the walk stopped.
        list.insert(c + 1, q);
        logLine("Added new latest quotation to '%s':  %s %3.4lf at index %i", c + 1);
        return static_cast<int>(c + 1);
    }
    list.insert(c, q);
    logLine("Added new quotation to '%s':  %s %3.4lf at index %i", c);
    return static_cast<int>(c);
}

bool CWPapier::DeleteQuotation(int index) {
    std::lock_guard lock(m_csQuotations);
    if (index < 0 || static_cast<std::size_t>(index) >= m_QuotationList.size())
        return false;
    const CKurs deleted = m_QuotationList[static_cast<std::size_t>(index)];
    m_QuotationList.erase(static_cast<std::size_t>(index));
    if (debugLogWanted())
        ITEM_LOG(LOG_LEVEL_DEBUG, "Deleted quotation for '%s': %s %3.4lf at index %i", m_strName.c_str(),
                 itemLogDate(deleted.m_dtDate).c_str(), deleted.m_dClose, index);
    return true;
}

int CWPapier::ReplaceQuotation(int index, const CKurs& quotation) {
    std::lock_guard lock(m_csQuotations);
    const CKurs replacement = quotation; // may be the record about to be deleted
    if (!DeleteQuotation(index))
        return -1;
    return addQuotationLocked(replacement, false);
}

bool CWPapier::DeleteAllQuotations() {
    std::lock_guard lock(m_csQuotations);
    m_QuotationList.clear();
    return true;
}

bool CWPapier::DeleteQuotationInterval(const OleDate& from, const OleDate& to) {
    std::lock_guard lock(m_csQuotations);
    if (m_QuotationList.empty())
        return false;
    std::vector<CKurs> kept;
    kept.reserve(m_QuotationList.size());
    bool deleted = false;
    m_QuotationList.forEach(0, m_QuotationList.size(), [&](const CKurs& q, std::size_t) {
        if (dateLaterOrEqual(q.m_dtDate, from) && dateEarlierOrEqual(q.m_dtDate, to)) {
            deleted = true;
            if (debugLogWanted())
                ITEM_LOG(LOG_LEVEL_DEBUG, "Deleted quotation for '%s': %s %3.4lf", m_strName.c_str(),
                         itemLogDate(q.m_dtDate).c_str(), q.m_dClose);
        } else {
            kept.push_back(q);
        }
    });
    if (deleted)
        m_QuotationList.assign(std::move(kept));
    return true;
}

bool CWPapier::DeleteMultipleQuotations(int mode) {
    std::lock_guard lock(m_csQuotations);
    const std::size_t n = m_QuotationList.size();
    if (n == 0)
        return false;
    if (mode != 0 && mode != 1)
        return true;

    // From the newest to the oldest; R is the quotation kept last.
    std::vector<char> keep(n, 1);
    std::size_t r = n - 1;
    bool deletedAny = false;
    for (std::size_t i = n - 1; i-- > 0;) {
        const OleDate& rDate = m_QuotationList[r].m_dtDate;
        const CKurs& q = m_QuotationList[i];
        bool sameUnit;
        if (mode == 0) {
            sameUnit = q.m_dtDate.GetDay() == rDate.GetDay() && (rDate - q.m_dtDate).GetDays() == 0;
        } else {
            // The same month of the same year (not of any year less than 365 days away).
            sameUnit = q.m_dtDate.GetStatus() == OleDate::valid && rDate.GetStatus() == OleDate::valid &&
                       q.m_dtDate.GetYear() == rDate.GetYear() && q.m_dtDate.GetMonth() == rDate.GetMonth();
        }
        if (sameUnit) {
            keep[i] = 0;
            deletedAny = true;
            if (debugLogWanted())
                ITEM_LOG(LOG_LEVEL_DEBUG, "Deleted quotation for '%s': %s %3.4lf", m_strName.c_str(),
                         itemLogDate(q.m_dtDate).c_str(), q.m_dClose);
        } else {
            r = i;
        }
    }
    if (deletedAny) {
        std::vector<CKurs> kept;
        kept.reserve(n);
        m_QuotationList.forEach(0, n, [&](const CKurs& q, std::size_t i) {
            if (keep[i])
                kept.push_back(q);
        });
        m_QuotationList.assign(std::move(kept));
    }
    return true;
}

bool CWPapier::ReplaceQuotationList(std::vector<CKurs> quotations) {
    std::lock_guard transactionLock(m_csTransactions);
    std::lock_guard quotationLock(m_csQuotations);
    ITEM_LOG(LOG_LEVEL_DEBUG, "Updating/replacing quotation list %i -> %i", static_cast<int>(m_QuotationList.size()),
             static_cast<int>(quotations.size()));
    m_QuotationList.assign(std::move(quotations));
    RecalculateAverageInvestPrice();
    return true;
}

int CWPapier::GetQuotationCount() const {
    std::lock_guard lock(m_csQuotations);
    return static_cast<int>(m_QuotationList.size());
}

bool CWPapier::IsQuotationListEmpty() const {
    std::lock_guard lock(m_csQuotations);
    return m_QuotationList.empty();
}

const CKurs* CWPapier::GetQuotationAt(int index) const {
    std::lock_guard lock(m_csQuotations);
    if (index < 0 || static_cast<std::size_t>(index) >= m_QuotationList.size())
        return nullptr;
    return &m_QuotationList[static_cast<std::size_t>(index)];
}

const CKurs* CWPapier::GetLastQuotationPtr() const {
    std::lock_guard lock(m_csQuotations);
    return m_QuotationList.empty() ? nullptr : &m_QuotationList.back();
}

bool CWPapier::GetLastQuotation(CKurs& out) const {
    std::lock_guard lock(m_csQuotations);
    if (m_QuotationList.empty()) {
        out.m_dOpen = out.m_dClose = out.m_dHigh = out.m_dLow = out.m_dVolume = 0.0;
        return false;
    }
    out = m_QuotationList.back();
    return true;
}

std::vector<CKurs> CWPapier::GetQuotationListCopy() const {
    std::lock_guard lock(m_csQuotations);
    return m_QuotationList.toVector();
}

std::uint64_t CWPapier::quotationListGeneration() const {
    std::lock_guard lock(m_csQuotations);
    return m_QuotationList.generation();
}

// ---------------------------------------------------------------- transaction list

int CWPapier::AddTransaction(const CTransaction& transaction) {
    std::lock_guard lock(m_csTransactions);
    const int index = addTransactionLocked(transaction);
    RecalculateAverageInvestPrice();
    return index;
}

int CWPapier::addTransactionLocked(const CTransaction& transaction) {
    auto& list = m_TransactionList;
    const CTransaction t(transaction); // a copy without origin; the argument may be in the list
    const std::size_t n = list.size();
    const auto logLine = [&](const char* format, std::size_t index) {
        if (debugLogWanted())
            ITEM_LOG(LOG_LEVEL_DEBUG, format, m_strName.c_str(), itemLogDate(t.m_dtDate).c_str(), t.m_nType,
                     static_cast<int>(index));
    };

    const auto added = [this, &t](std::size_t at) {
        transactionInserted(at);
        m_lastAddedIndex = at;
        m_lastAddedDate = t.m_dtDate;
    };
    if (n == 0 || dateEarlier(t.m_dtDate, list.front().m_dtDate)) {
        list.insert(list.begin(), t);
        added(0);
        logLine("Added new 1st transaction to '%s': %s [type %i] at index %i", 0);
        return 0;
    }
    // C: where a walk from the oldest stops, at the first transaction not on or before t (the
    // newest is never tested). An equal date goes after the equal ones, but before the newest. On
    // a list in date order that is a binary search.
    std::size_t c = 0;
    if (const auto onOrBefore = transactionsOnOrBefore(t.m_dtDate)) {
        c = std::min(*onOrBefore, n - 1);
    } else {
        // Every transaction the walk passed for the last one added (and that one) is on or before
        // a date more than three days later too: whatever their dates, they lie within half a
        // second of it or earlier, which on the time scale is less than two days and a second
        // later at most. So the walk for such a date goes on from there.
        if (m_lastAddedIndex < n && t.m_dtDate.m_status == OleDate::valid &&
            m_lastAddedDate.m_status == OleDate::valid &&
            QuotationList::key(t.m_dtDate) > QuotationList::key(m_lastAddedDate) + 3.0)
            c = std::min(m_lastAddedIndex + 1, n - 1);
        while (c + 1 < n && dateLaterOrEqual(t.m_dtDate, list[c].m_dtDate))
            ++c;
    }
    if (dateLater(t.m_dtDate, list[c].m_dtDate)) {
        list.push_back(t);
        added(n);
        logLine("Added new latest transaction to '%s': %s [type %i] at index %i", n);
        return static_cast<int>(n);
    }
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(c), t);
    added(c);
    logLine("Added transaction to '%s': %s [type %i] at index %i", c);
    return static_cast<int>(c);
}

std::optional<std::size_t> CWPapier::transactionsOnOrBefore(const OleDate& date) const {
    if (!transactionsOrdered() || !QuotationList::regular(date))
        return std::nullopt;
    const double bound = QuotationList::key(date) + kOleHalfSecond; // on or before <=> key below bound
    const auto end = std::partition_point(m_TransactionList.begin(), m_TransactionList.end(),
                                          [bound](const CTransaction& t) { return QuotationList::key(t.m_dtDate) < bound; });
    return static_cast<std::size_t>(end - m_TransactionList.begin());
}

void CWPapier::transactionInserted(std::size_t i) {
    const auto& list = m_TransactionList;
    const std::size_t n = list.size();
    if (i > 0 && i + 1 < n)
        m_transactionDescents -= transactionDescent(list[i - 1], list[i + 1]);
    if (i > 0)
        m_transactionDescents += transactionDescent(list[i - 1], list[i]);
    if (i + 1 < n)
        m_transactionDescents += transactionDescent(list[i], list[i + 1]);
    m_transactionsIrregular += transactionIrregular(list[i]);
    if (m_runningFigures.size() > i)
        m_runningFigures.resize(i);
    m_recurrenceSearchFrom = std::min(m_recurrenceSearchFrom, i);
    m_lastAddedIndex = static_cast<std::size_t>(-1);
}

void CWPapier::transactionErasing(std::size_t i) {
    const auto& list = m_TransactionList;
    const std::size_t n = list.size();
    if (i > 0)
        m_transactionDescents -= transactionDescent(list[i - 1], list[i]);
    if (i + 1 < n)
        m_transactionDescents -= transactionDescent(list[i], list[i + 1]);
    if (i > 0 && i + 1 < n)
        m_transactionDescents += transactionDescent(list[i - 1], list[i + 1]);
    m_transactionsIrregular -= transactionIrregular(list[i]);
    if (m_runningFigures.size() > i)
        m_runningFigures.resize(i);
    if (m_recurrenceSearchFrom > i)
        --m_recurrenceSearchFrom;
    m_lastAddedIndex = static_cast<std::size_t>(-1);
}

void CWPapier::transactionsReplaced() {
    m_transactionsIrregular = 0;
    m_transactionDescents = 0;
    for (std::size_t i = 0; i < m_TransactionList.size(); ++i) {
        m_transactionsIrregular += transactionIrregular(m_TransactionList[i]);
        if (i > 0)
            m_transactionDescents += transactionDescent(m_TransactionList[i - 1], m_TransactionList[i]);
    }
    m_runningFigures.clear();
    m_recurrenceSearchFrom = 0;
    m_lastAddedIndex = static_cast<std::size_t>(-1);
}

bool CWPapier::DeleteTransaction(int index) {
    std::lock_guard lock(m_csTransactions);
    if (index < 0 || static_cast<std::size_t>(index) >= m_TransactionList.size())
        return false;
    const CTransaction deleted = m_TransactionList[static_cast<std::size_t>(index)];
    transactionErasing(static_cast<std::size_t>(index));
    m_TransactionList.erase(m_TransactionList.begin() + index);
    if (debugLogWanted())
        ITEM_LOG(LOG_LEVEL_DEBUG, "Deleted transaction for '%s': %s [type %i] at index %i", m_strName.c_str(),
                 itemLogDate(deleted.m_dtDate).c_str(), deleted.m_nType, index);
    RecalculateAverageInvestPrice();
    return true;
}

int CWPapier::ReplaceTransaction(int index, const CTransaction& transaction) {
    std::lock_guard lock(m_csTransactions);
    const CTransaction replacement(transaction);
    if (!DeleteTransaction(index))
        return -1;
    return AddTransaction(replacement);
}

bool CWPapier::ReplaceTransactionList(std::vector<CTransaction> transactions) {
    std::lock_guard lock(m_csTransactions);
    ITEM_LOG(LOG_LEVEL_DEBUG, "Updating/replacing transaction list %i -> %i",
             static_cast<int>(m_TransactionList.size()), static_cast<int>(transactions.size()));
    m_TransactionList = std::move(transactions);
    for (auto& t : m_TransactionList) {
        t.m_nOriginIndex = -1;
        t.m_posOriginItem = kNoItemPos;
    }
    transactionsReplaced();
    RecalculateAverageInvestPrice();
    return true;
}

bool CWPapier::IsTransactionListEmpty() const {
    std::lock_guard lock(m_csTransactions);
    return m_TransactionList.empty();
}

int CWPapier::GetTransactionCount() const {
    std::lock_guard lock(m_csTransactions);
    return static_cast<int>(m_TransactionList.size());
}

const CTransaction* CWPapier::GetTransactionAt(int index) const {
    std::lock_guard lock(m_csTransactions);
    if (index < 0 || static_cast<std::size_t>(index) >= m_TransactionList.size())
        return nullptr;
    return &m_TransactionList[static_cast<std::size_t>(index)];
}

std::vector<CTransaction> CWPapier::GetTransactionListCopy() const {
    std::lock_guard lock(m_csTransactions);
    std::vector<CTransaction> copy;
    copy.reserve(m_TransactionList.size());
    for (const auto& t : m_TransactionList)
        copy.emplace_back(t);
    return copy;
}

// ---------------------------------------------------------------- investment figures

namespace {

// One transaction's step of the investment figures.
void applyTransaction(double& units, double& breakEven, double& average, const CTransaction& t) {
    const double u = t.m_dUnits;
    const double p = t.m_dQuotation;
    const double taxes = t.m_dTaxes;
    switch (t.m_nType) {
    case CTransaction::kBuy:
        // Taxes and commission of a buy raise both prices.
        if (u + units != 0.0) {
            breakEven = (u * p + units * breakEven + taxes) / (u + units);
            average = (u * p + average * units + taxes) / (u + units);
        }
        units += u;
        break;
    case CTransaction::kSell:
        units -= u;
        break;
    case CTransaction::kDividend:
        // The net dividend lowers the break-even.
        if (units != 0.0)
            breakEven = (units * breakEven - (p * u - taxes)) / units;
        break;
    default:
        break;
    }
}

} // namespace

CWPapier::RunningFigures CWPapier::figuresAfter(std::size_t count) const {
    if (count == 0)
        return {};
    while (m_runningFigures.size() < count) {
        RunningFigures next = m_runningFigures.empty() ? RunningFigures{} : m_runningFigures.back();
        applyTransaction(next.units, next.breakEven, next.average, m_TransactionList[m_runningFigures.size()]);
        m_runningFigures.push_back(next);
    }
    return m_runningFigures[count - 1];
}

bool CWPapier::RecalculateAverageInvestPrice() {
    std::lock_guard lock(m_csTransactions);
    const double oldUnits = m_dUnits;
    const double oldBreakEven = m_dBreakEven;
    const double oldAverage = m_dAveragePrice;
    const OleDate now = OleDate::GetCurrentTime();
    double units = 0.0;
    double breakEven = 0.0;
    double average = 0.0;

    if (m_bCashAccount) {
        // The balance is the newest balance quotation up to now.
        units = 1.0;
        CKurs balance;
        if (GetQuotationOnOrBefore(now, balance))
            breakEven = average = balance.m_dClose;
    } else if (const auto count = transactionsOnOrBefore(now)) {
        // The transactions up to now are a leading run: their figures are kept.
        const RunningFigures figures = figuresAfter(*count);
        units = figures.units;
        breakEven = figures.breakEven;
        average = figures.average;
    } else {
        for (const auto& t : m_TransactionList)
            if (dateEarlierOrEqual(t.m_dtDate, now)) // later ones do not count yet
                applyTransaction(units, breakEven, average, t);
    }

    m_dUnits = units;
    m_dBreakEven = breakEven;
    m_dAveragePrice = average;
    if (units != oldUnits || breakEven != oldBreakEven || average != oldAverage) {
        ITEM_LOG(LOG_LEVEL_DEBUG,
                 "RecalculateAverageInvestPrice modified '%s' units=%2.lf avg-quotation=%.2lf breakeven=%.2lf",
                 m_strName.c_str(), units, average, breakEven);
        return true;
    }
    return false;
}
