// Values of an item computed on demand from its lists: quotations in force on a date, changes
// against a reference quotation, time-frame changes, minimum and maximum, units held.

#include "portfolio/WPapierItem.h"

#include <mutex>

// The newest quotation dated on or before `date`, as a walk from the newest finds it.
std::optional<std::size_t> CWPapier::indexOnOrBefore(const OleDate& date) const {
    const QuotationList& list = m_QuotationList;
    if (list.empty())
        return std::nullopt;
    if (list.ordered()) {
        if (QuotationList::regular(date)) {
            const std::size_t count = list.countBelow(QuotationList::key(date) + kOleHalfSecond);
            return count ? std::optional<std::size_t>(count - 1) : std::nullopt;
        }
        // Every date of the list is valid: none is equal to or earlier than a date that is not.
        if (date.m_status != OleDate::valid)
            return std::nullopt;
    }
    for (std::size_t i = list.size(); i-- > 0;)
        if (dateEarlierOrEqual(list[i].m_dtDate, date))
            return i;
    return std::nullopt;
}

std::optional<std::size_t> CWPapier::referenceIndex(const OleDate& date, bool previousDay) const {
    return referenceIndexOf(indexOnOrBefore(date), previousDay);
}

// The reference of the quotation at index k (the one in force on the date asked for).
std::optional<std::size_t> CWPapier::referenceIndexOf(std::optional<std::size_t> k, bool previousDay) const {
    if (!k || *k == 0)
        return std::nullopt;
    if (!previousDay)
        return *k - 1;
    // The newest older quotation at least one whole day, or else 10 whole hours, before K.
    const OleDate kDate = m_QuotationList[*k].m_dtDate;
    for (std::size_t j = *k; j-- > 0;) {
        const OleDateSpan span = kDate - m_QuotationList[j].m_dtDate;
        if (span.GetDays() >= 1 || span.GetHours() >= 10)
            return j;
    }
    return std::nullopt;
}

bool CWPapier::GetFirstQuotation(CKurs& out) const {
    std::lock_guard lock(m_csQuotations);
    if (m_QuotationList.empty())
        return false;
    out = m_QuotationList.front();
    return true;
}

bool CWPapier::GetPreviousQuotation(CKurs& out) const {
    std::lock_guard lock(m_csQuotations);
    const std::size_t n = m_QuotationList.size();
    if (n < 2)
        return false;
    out = m_QuotationList[n - 2];
    return true;
}

bool CWPapier::GetFirstQuotationDate(OleDate& out) const {
    std::lock_guard lock(m_csQuotations);
    if (m_QuotationList.empty()) {
        out = fallbackDate();
        return false;
    }
    out = m_QuotationList.front().m_dtDate;
    return true;
}

bool CWPapier::GetLastQuotationDate(OleDate& out) const {
    std::lock_guard lock(m_csQuotations);
    if (m_QuotationList.empty()) {
        out = fallbackDate();
        return false;
    }
    out = m_QuotationList.back().m_dtDate;
    return true;
}

bool CWPapier::GetQuotationOnOrBefore(const OleDate& date, CKurs& out) const {
    std::lock_guard lock(m_csQuotations);
    out.m_dClose = 0.0;
    const auto i = indexOnOrBefore(date);
    if (!i)
        return false;
    out = m_QuotationList[*i];
    return true;
}

bool CWPapier::GetQuotationDateOnOrBefore(const OleDate& date, OleDate& out) const {
    std::lock_guard lock(m_csQuotations);
    const auto i = indexOnOrBefore(date);
    if (!i)
        return false;
    out = m_QuotationList[*i].m_dtDate;
    return true;
}

bool CWPapier::GetNextQuotationAfter(const OleDate& date, CKurs& out) const {
    std::lock_guard lock(m_csQuotations);
    out.m_dClose = 0.0;
    if (m_QuotationList.empty())
        return false;
    const auto i = indexOnOrBefore(date);
    const std::size_t next = i ? *i + 1 : 0;
    if (next >= m_QuotationList.size())
        return false;
    out = m_QuotationList[next];
    return true;
}

bool CWPapier::GetReferenceQuotation(const OleDate& date, CKurs& out, bool bPreviousDay) const {
    std::lock_guard lock(m_csQuotations);
    out.m_dClose = 0.0;
    const auto r = referenceIndex(date, bPreviousDay);
    if (!r)
        return false;
    out = m_QuotationList[*r];
    return true;
}

bool CWPapier::GetReferenceQuotationDate(const OleDate& date, OleDate& out, bool bPreviousDay) const {
    std::lock_guard lock(m_csQuotations);
    const auto r = referenceIndex(date, bPreviousDay);
    if (!r)
        return false;
    out = m_QuotationList[*r].m_dtDate;
    return true;
}

bool CWPapier::change(const OleDate& date, bool percent, double& out, bool previousDay) const {
    std::lock_guard lock(m_csQuotations);
    out = 0.0;
    const auto k = indexOnOrBefore(date);
    const auto r = referenceIndexOf(k, previousDay);
    if (!k || !r)
        return false;
    const double close = m_QuotationList[*k].m_dClose;
    const double reference = m_QuotationList[*r].m_dClose;
    if (!percent) {
        out = close - reference;
        return true;
    }
    if (reference == 0.0)
        return false;
    out = close * 100.0 / reference - 100.0;
    return true;
}

bool CWPapier::GetChange(const OleDate& date, double& out, bool bPreviousDay) const {
    return change(date, false, out, bPreviousDay);
}

bool CWPapier::GetChangePercent(const OleDate& date, double& out, bool bPreviousDay) const {
    return change(date, true, out, bPreviousDay);
}

bool CWPapier::GetMinMaxUntil(const OleDate& date, double& min, double& max) const {
    std::lock_guard lock(m_csQuotations);
    min = max = 0.0;
    bool found = false;
    const auto take = [&](const CKurs& q) {
        if (!found) {
            min = max = q.m_dClose;
            found = true;
        } else if (q.m_dClose > max) {
            max = q.m_dClose;
        } else if (q.m_dClose < min) {
            min = q.m_dClose;
        }
    };
    const QuotationList& list = m_QuotationList;
    if (list.ordered() && (QuotationList::regular(date) || date.m_status != OleDate::valid)) {
        // The quotations on or before the date are a leading run of the list.
        const auto last = indexOnOrBefore(date);
        if (last)
            list.forEach(0, *last + 1, [&](const CKurs& q, std::size_t) { take(q); });
    } else {
        list.forEach(0, list.size(), [&](const CKurs& q, std::size_t) {
            if (dateEarlierOrEqual(q.m_dtDate, date))
                take(q);
        });
    }
    return found;
}

bool CWPapier::timeFrame(const OleDate& date, std::int64_t days, bool percent, double& out,
                         std::int64_t& ageDays) const {
    std::lock_guard lock(m_csQuotations);
    out = 0.0;
    ageDays = 0;
    if (m_QuotationList.empty())
        return false;
    const auto k = indexOnOrBefore(date);
    if (!k)
        return false;
    const CKurs& current = m_QuotationList[*k];
    if (current.m_dClose == 0.0)
        return false;
    std::size_t p = 0; // days <= 0: the whole history
    if (days > 0) {
        const auto before = indexOnOrBefore(current.m_dtDate - OleDateSpan(days, 0, 0, 0));
        if (!before)
            return false;
        p = *before;
    }
    const CKurs& reference = m_QuotationList[p];
    if (percent && reference.m_dClose == 0.0)
        return false;
    const OleDateSpan span = current.m_dtDate - reference.m_dtDate;
    ageDays = span.GetDays() + (span.GetHours() >= 10 ? 1 : 0);
    out = percent ? current.m_dClose * 100.0 / reference.m_dClose - 100.0 : current.m_dClose - reference.m_dClose;
    return true;
}

bool CWPapier::GetTimeFrameChange(const OleDate& date, std::int64_t days, double& out, std::int64_t& ageDays) const {
    return timeFrame(date, days, false, out, ageDays);
}

bool CWPapier::GetTimeFrameChangePercent(const OleDate& date, std::int64_t days, double& out,
                                         std::int64_t& ageDays) const {
    return timeFrame(date, days, true, out, ageDays);
}

// ---------------------------------------------------------------- transactions

double CWPapier::unitsOnDateLocked(const OleDate& date) const {
    if (const auto count = transactionsOnOrBefore(date))
        return m_bCashAccount ? (*count > 0 ? 1.0 : 0.0) : figuresAfter(*count).units;
    double units = 0.0;
    for (const auto& t : m_TransactionList) {
        if (!dateEarlierOrEqual(t.m_dtDate, date))
            continue;
        if (m_bCashAccount)
            return 1.0;
        if (t.m_nType == CTransaction::kBuy)
            units += t.m_dUnits;
        else if (t.m_nType == CTransaction::kSell)
            units -= t.m_dUnits;
    }
    return units;
}

double CWPapier::GetUnitsOnDate(const OleDate& date) const {
    std::lock_guard lock(m_csTransactions);
    return unitsOnDateLocked(date);
}

void CWPapier::GetLastTransactionDate(const OleDate& date, OleDate& out) const {
    std::lock_guard lock(m_csTransactions);
    out = fallbackDate();
    if (const auto count = transactionsOnOrBefore(date)) {
        if (*count > 0)
            out = m_TransactionList[*count - 1].m_dtDate;
        return;
    }
    for (const auto& t : m_TransactionList)
        if (dateEarlierOrEqual(t.m_dtDate, date))
            out = t.m_dtDate;
}
