// Derived transaction data: the cash account's balance quotations and the due instances of
// recurring transactions.

#include "portfolio/ItemLog.h"
#include "portfolio/WPapierItem.h"

#include <algorithm>
#include <mutex>

namespace {

// The next date of a recurrence: months added (carrying into the year), the day cut to the
// length of the month the way the schedule has always done it (28 in February, also in leap
// years; 30 in April, June, September, November); the time of day kept. Invalid when no date
// can be formed.
OleDate nextRecurrenceDate(const OleDate& date, int months) {
    if (date.GetStatus() != OleDate::valid || date.GetYear() < 0) {
        OleDate invalid;
        invalid.SetStatus(OleDate::invalid);
        return invalid;
    }
    int year = date.GetYear();
    int month = date.GetMonth();
    int day = date.GetDay();
    if (months == 12) {
        ++year;
    } else {
        month += months;
        if (month > 12) {
            month -= 12;
            ++year;
        }
    }
    if (month == 2 && day > 28)
        day = 28;
    else if ((month == 4 || month == 6 || month == 9 || month == 11) && day > 30)
        day = 30;
    return OleDate(year, month, day, date.GetHour(), date.GetMinute(), date.GetSecond());
}

// A recurrence that repeats (every 1, 3, 6 or 12 months); kRecurrenceNone and any other number do not.
bool isRecurrence(int months) {
    return months != CTransaction::kRecurrenceNone &&
           std::ranges::find(CTransaction::kRecurrences, months) != CTransaction::kRecurrences.end();
}

} // namespace

double CWPapier::CashBalanceAfter(double balance, const CTransaction& t) {
    switch (t.m_nType) {
    case CTransaction::kBuy:      // credit
    case CTransaction::kDividend: // interests
        return balance + (t.m_dUnits - t.m_dTaxes);
    case CTransaction::kSell: // debit
        return balance - (t.m_dTaxes + t.m_dUnits);
    default:
        return balance;
    }
}

void CWPapier::RecalculateCashAccountQuotationList() {
    std::lock_guard transactionLock(m_csTransactions);
    std::lock_guard quotationLock(m_csQuotations);
    ITEM_LOG(LOG_LEVEL_DEBUG, "RecalculateCashAccountQuotationList...");
    m_dUnits = 1.0;
    m_QuotationList.clear();

    // One pass in list order. Each balance goes in as a quotation would be added, so equal dates
    // (within half a second) leave the balance after the last of them; in date order every step
    // is an append or a replacement of the newest quotation.
    double balance = 0.0;
    for (const auto& t : m_TransactionList) {
        balance = CashBalanceAfter(balance, t);
        addQuotationLocked(CKurs(t.m_dtDate, balance), false);
    }
    ITEM_LOG(LOG_LEVEL_DEBUG, "RecalculateCashAccountQuotationList finished.");
}

bool CWPapier::AddRecurringTransaction(CTransaction& out, int* index, bool recalculate) {
    std::lock_guard lock(m_csTransactions);
    const OleDate now = OleDate::GetCurrentTime();

    // Transactions before m_recurrenceSearchFrom do not recur; the search starts after the leading
    // run of those, so adding the instances of one plan costs no walk over the older ones.
    std::size_t& from = m_recurrenceSearchFrom;
    while (from < m_TransactionList.size() && !isRecurrence(m_TransactionList[from].m_nRecurrence))
        ++from;
    std::size_t due = m_TransactionList.size();
    OleDate next;
    for (std::size_t i = from; i < m_TransactionList.size(); ++i) {
        const CTransaction& t = m_TransactionList[i];
        if (!isRecurrence(t.m_nRecurrence))
            continue;
        next = nextRecurrenceDate(t.m_dtDate, t.m_nRecurrence);
        if (dateEarlierOrEqual(next, now) && (!t.m_bUntil || dateEarlierOrEqual(next, t.m_dtUntil))) {
            due = i;
            break;
        }
    }
    if (due == m_TransactionList.size())
        return false;

    CTransaction instance(m_TransactionList[due]);
    instance.m_dtDate = next;
    if (instance.m_nType == CTransaction::kBuy || instance.m_nType == CTransaction::kSell) {
        if (m_bCashAccount) {
            instance.m_dQuotation = 1.0;
        } else {
            CKurs quotation;
            if (GetQuotationOnOrBefore(next, quotation))
                instance.m_dQuotation = quotation.m_dClose;
        }
    } else if (instance.m_nType == CTransaction::kDividend && !m_bCashAccount) {
        // Dividends are paid on the units held then. Interest on the cash account keeps its amount
        // (its "units" are the amount of money, not units held).
        instance.m_dUnits = unitsOnDateLocked(next);
    }
    // The chain goes on from the newest instance only.
    m_TransactionList[due].m_nRecurrence = CTransaction::kRecurrenceNone;

    ITEM_LOG(LOG_LEVEL_DEBUG, "Adding recurring transaction...");
    out = instance;
    const int added = addTransactionLocked(instance);
    if (index)
        *index = added;
    if (recalculate)
        RecalculateAverageInvestPrice();
    return true;
}
