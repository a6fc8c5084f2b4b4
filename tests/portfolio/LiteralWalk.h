#pragma once
// The item's list rules written as plain walks over a vector, step by step as the rules read:
// the reference the item's faster searches are checked against.

#include "portfolio/Kurs.h"
#include "portfolio/Transaction.h"

#include <optional>
#include <vector>

namespace literal {

// Adding a quotation: head insertion, then a walk from the oldest that stops at the first
// quotation not on or before q (never testing the newest), then the merges and the insertion.
inline int addQuotation(std::vector<CKurs>& v, const CKurs& q, bool sameDay) {
    if (v.empty()) {
        v.push_back(q);
        return 0;
    }
    if (dateEarlier(q.m_dtDate, v.front().m_dtDate)) {
        v.insert(v.begin(), q);
        return 0;
    }
    std::size_t c = 0;
    while (c + 1 < v.size() && (dateEarlier(v[c].m_dtDate, q.m_dtDate) || datesEqual(v[c].m_dtDate, q.m_dtDate)))
        ++c;
    const bool hasP = c > 0;
    if (datesEqual(v[c].m_dtDate, q.m_dtDate)) {
        v[c] = q;
        return static_cast<int>(c);
    }
    if (hasP && datesEqual(v[c - 1].m_dtDate, q.m_dtDate)) {
        v[c - 1] = q;
        return static_cast<int>(c - 1);
    }
    if (sameDay) {
        const OleDate& d = q.m_dtDate;
        const OleDate from(d.GetYear(), d.GetMonth(), d.GetDay(), 0, 0, 0);
        const OleDate to(d.GetYear(), d.GetMonth(), d.GetDay(), 23, 59, 59);
        const auto within = [&](const OleDate& x) {
            return (dateLater(x, from) || datesEqual(x, from)) && (dateEarlier(x, to) || datesEqual(x, to));
        };
        if (within(v[c].m_dtDate)) {
            v[c] = q;
            return static_cast<int>(c);
        }
        if (hasP && within(v[c - 1].m_dtDate)) {
            v[c - 1] = q;
            return static_cast<int>(c - 1);
        }
    }
    if (dateLater(q.m_dtDate, v[c].m_dtDate)) {
        v.push_back(q); // at the tail
        return static_cast<int>(c + 1);
    }
    v.insert(v.begin() + static_cast<std::ptrdiff_t>(c), q);
    return static_cast<int>(c);
}

// The newest quotation on or before `date`, walking from the newest.
inline std::optional<std::size_t> onOrBefore(const std::vector<CKurs>& v, const OleDate& date) {
    for (std::size_t i = v.size(); i-- > 0;)
        if (dateEarlier(v[i].m_dtDate, date) || datesEqual(v[i].m_dtDate, date))
            return i;
    return std::nullopt;
}

inline std::optional<std::size_t> nextAfter(const std::vector<CKurs>& v, const OleDate& date) {
    if (v.empty())
        return std::nullopt;
    const auto k = onOrBefore(v, date);
    const std::size_t next = k ? *k + 1 : 0;
    return next < v.size() ? std::optional<std::size_t>(next) : std::nullopt;
}

inline std::optional<std::size_t> reference(const std::vector<CKurs>& v, const OleDate& date, bool previousDay) {
    const auto k = onOrBefore(v, date);
    if (!k || *k == 0)
        return std::nullopt;
    if (!previousDay)
        return *k - 1;
    for (std::size_t j = *k; j-- > 0;) {
        const OleDateSpan span = v[*k].m_dtDate - v[j].m_dtDate;
        if (span.GetDays() >= 1 || span.GetHours() >= 10)
            return j;
    }
    return std::nullopt;
}

inline bool minMax(const std::vector<CKurs>& v, const OleDate& date, double& min, double& max) {
    bool found = false;
    min = max = 0;
    for (const auto& q : v) {
        if (!(dateEarlier(q.m_dtDate, date) || datesEqual(q.m_dtDate, date)))
            continue;
        if (!found) {
            min = max = q.m_dClose;
            found = true;
        } else if (q.m_dClose > max) {
            max = q.m_dClose;
        } else if (q.m_dClose < min) {
            min = q.m_dClose;
        }
    }
    return found;
}

inline bool timeFrame(const std::vector<CKurs>& v, const OleDate& date, long long days, double& out, long long& age) {
    out = 0;
    age = 0;
    if (v.empty())
        return false;
    const auto k = onOrBefore(v, date);
    if (!k || v[*k].m_dClose == 0)
        return false;
    std::size_t p = 0;
    if (days > 0) {
        const auto before = onOrBefore(v, v[*k].m_dtDate - OleDateSpan(days, 0, 0, 0));
        if (!before)
            return false;
        p = *before;
    }
    const OleDateSpan span = v[*k].m_dtDate - v[p].m_dtDate;
    age = span.GetDays() + (span.GetHours() >= 10 ? 1 : 0);
    out = v[*k].m_dClose - v[p].m_dClose;
    return true;
}

// Adding a transaction: head insertion; else a walk from the oldest past every transaction on or
// before t (the newest only tested for being earlier), then the insertion.
inline int addTransaction(std::vector<CTransaction>& v, const CTransaction& t) {
    if (v.empty() || dateEarlier(t.m_dtDate, v.front().m_dtDate)) {
        v.insert(v.begin(), t);
        return 0;
    }
    std::size_t c = 0;
    while (c + 1 < v.size() && (dateLater(t.m_dtDate, v[c].m_dtDate) || datesEqual(t.m_dtDate, v[c].m_dtDate)))
        ++c;
    if (dateLater(t.m_dtDate, v[c].m_dtDate)) {
        v.push_back(t);
        return static_cast<int>(v.size() - 1);
    }
    v.insert(v.begin() + static_cast<std::ptrdiff_t>(c), t);
    return static_cast<int>(c);
}

inline bool onOrBefore(const OleDate& a, const OleDate& b) {
    return dateEarlier(a, b) || datesEqual(a, b);
}

// Units held on a date: buys and sells on or before it, in list order.
inline double units(const std::vector<CTransaction>& v, const OleDate& date) {
    double u = 0;
    for (const auto& t : v) {
        if (!onOrBefore(t.m_dtDate, date))
            continue;
        if (t.m_nType == CTransaction::kBuy)
            u += t.m_dUnits;
        else if (t.m_nType == CTransaction::kSell)
            u -= t.m_dUnits;
    }
    return u;
}

// The investment figures from the transactions on or before `now`, in list order.
inline void figures(const std::vector<CTransaction>& v, const OleDate& now, double& units, double& breakEven,
                    double& average) {
    units = breakEven = average = 0;
    for (const auto& t : v) {
        if (!onOrBefore(t.m_dtDate, now))
            continue;
        const double u = t.m_dUnits, p = t.m_dQuotation, tax = t.m_dTaxes;
        if (t.m_nType == CTransaction::kBuy) {
            if (u + units != 0) {
                breakEven = (u * p + units * breakEven + tax) / (u + units);
                average = (u * p + average * units + tax) / (u + units);
            }
            units += u;
        } else if (t.m_nType == CTransaction::kSell) {
            units -= u;
        } else if (t.m_nType == CTransaction::kDividend && units != 0) {
            breakEven = (units * breakEven - (p * u - tax)) / units;
        }
    }
}

} // namespace literal
