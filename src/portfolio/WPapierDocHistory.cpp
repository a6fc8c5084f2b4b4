// The investment history: the total value of the holdings as of now, its incremental update after
// every change, and the full rebuild from all items' transactions and quotations.

#include "portfolio/DocLog.h"
#include "portfolio/WPapierDoc.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <memory>
#include <mutex>

namespace {

std::string shortDate(const OleDate& date) {
    return date.Format("%x");
}

// Whole minutes from `from` to `to`: the difference rounded by half a second, truncated toward 0.
long long wholeMinutes(const OleDate& from, const OleDate& to) {
    return (to - from).GetTotalMinutes();
}

// The end of the one-year window after `date`: the same calendar day a year later at 23:59:59; for
// 29 February, 28 February.
OleDate oneYearLater(const OleDate& date) {
    const int day = date.GetMonth() == 2 && date.GetDay() == 29 ? 28 : date.GetDay();
    return OleDate(date.GetYear() + 1, date.GetMonth(), day, 23, 59, 59);
}

// ---------------------------------------------------------------- the rebuild

// A value of the history: it holds from its date until the next one.
struct Point {
    OleDate date;
    double value = 0.0;
};

// What one item brings to the rebuild.
struct HistoryInput {
    const CWPapier* item = nullptr; // its quotations are read in place, oldest first
    std::string name;
    bool cashAccount = false;
    std::vector<CTransaction> transactions; // buys and sells, none after now, in list order
    double alignment = 0.0;                 // units held now times the quotation in force now
};

double unitsAfter(double units, const CTransaction& t, bool cashAccount) {
    if (cashAccount)
        return 1.0;
    if (t.m_nType == CTransaction::kBuy)
        return units + t.m_dUnits;
    if (t.m_nType == CTransaction::kSell)
        return units - t.m_dUnits;
    return units;
}

// An item's value list holds one value per date: a later value of the same date replaces the
// earlier one (two buys of one day give the value after both, not their sum).
void addPoint(std::vector<Point>& points, const OleDate& date, double value, const char* remark = "") {
    if (debugLogWanted())
        DOC_LOG(LOG_LEVEL_DEBUG, "    -> %s: %.4f%s", docLogDate(date).c_str(), value, remark);
    if (!points.empty() && datesEqual(points.back().date, date))
        points.back() = Point{date, value};
    else
        points.push_back(Point{date, value});
}

void logInterval(const HistoryInput& in, const OleDate& from, const OleDate& to, double units, bool first) {
    if (!debugLogWanted())
        return;
    DOC_LOG(LOG_LEVEL_DEBUG, "RecomputeSumInvestValueHistory: \"%s\" [%s,%s): number invest items: %.4f",
            in.name.c_str(), docLogDate(from).c_str(), docLogDate(to).c_str(), units);
    if (first)
        DOC_LOG(LOG_LEVEL_DEBUG, "RecomputeSumInvestValueHistory: removing quotations before %s...",
                docLogDate(from).c_str());
    DOC_LOG(LOG_LEVEL_DEBUG, "*** Building invest quotation list for item \"%s\":", in.name.c_str());
}

// Whether the dates are regular, in order, and distinct ones at least half a second apart
// (QuotationList::followsDistinctly).
template <class Range, class DateOf> bool ordered(Range& range, DateOf dateOf) {
    for (std::size_t i = 0; i < range.size(); ++i)
        if (i == 0 ? !QuotationList::regular(dateOf(range[0]))
                   : !QuotationList::followsDistinctly(dateOf(range[i - 1]), dateOf(range[i])))
            return false;
    return true;
}

// datesEqual() for two different values; values a second or more apart are never equal, which
// spares the call for nearly every pair of neighbours.
bool nearAndEqual(const OleDate& a, const OleDate& b) {
    return std::abs(a.m_dt - b.m_dt) < 2 * kOleHalfSecond && datesEqual(a, b);
}

// Whether the item's transaction dates (and now) and quotation dates `q` together are in that form.
// The quotations are in order and regular (QuotationList::ordered()); whether distinct ones lie at
// least half a second apart the walk over both lists finds, since a transaction between two
// quotations lies within half a second of one of them whenever those two do.
template <class Quotations> bool regularInput(const HistoryInput& in, Quotations& q, const OleDate& now) {
    const auto& t = in.transactions;
    if (!QuotationList::regular(now) || !ordered(t, [](const CTransaction& x) { return x.m_dtDate; }) ||
        (!t.empty() && !QuotationList::followsDistinctly(t.back().m_dtDate, now)))
        return false;
    // The two lists merged.
    std::size_t i = 0;
    std::size_t k = 0;
    const OleDate* previous = nullptr;
    while (i <= t.size() || k < q.size()) {
        const OleDate* next;
        const OleDate& transactionDate = i < t.size() ? t[i].m_dtDate : now;
        if (i <= t.size() &&
            (k >= q.size() || QuotationList::key(transactionDate) <= QuotationList::key(q[k].m_dtDate))) {
            next = &transactionDate;
            ++i;
        } else {
            next = &q[k++].m_dtDate;
        }
        if (previous && previous->m_dt != next->m_dt && nearAndEqual(*previous, *next))
            return false;
        previous = next;
    }
    return true;
}

// The date whose key is `key`.
OleDate dateOfKey(double key) {
    return OleDate(OleDate::fromContinuous(key));
}

// An item's values on regular dates: date keys (QuotationList::key) strictly ascending, one value
// each.
struct ValueList {
    std::vector<double> dates;
    std::vector<double> values;

    void add(double date, double value, bool logged, const char* remark = "") {
        if (logged)
            DOC_LOG(LOG_LEVEL_DEBUG, "    -> %s: %.4f%s", docLogDate(dateOfKey(date)).c_str(), value, remark);
        if (!dates.empty() && dates.back() == date) {
            values.back() = value; // one value per date: the later one
        } else {
            dates.push_back(date);
            values.push_back(value);
        }
    }
};

// The item's values, as the step-by-step walk below finds them, in one pass over the quotations
// `q`, into `list`. Expects regularInput().
template <class Quotations>
void valueList(const HistoryInput& in, Quotations& q, const OleDate& now, ValueList& list) {
    const auto& t = in.transactions;
    const std::size_t n = q.size();
    const auto at = [&q](std::size_t i) { return QuotationList::key(q[i].m_dtDate); };
    const bool logged = debugLogWanted();
    list.dates.clear();
    list.values.clear();
    list.dates.reserve(n + t.size() + 1);
    list.values.reserve(n + t.size() + 1);
    double units = 0.0;
    std::size_t head = 0;   // the first quotation kept
    std::size_t cursor = 0; // the first quotation not before `from`
    for (std::size_t j = 0; j < t.size(); ++j) {
        const double from = QuotationList::key(t[j].m_dtDate);
        const double to = QuotationList::key(j + 1 < t.size() ? t[j + 1].m_dtDate : now);
        units = unitsAfter(units, t[j], in.cashAccount);
        if (logged)
            logInterval(in, t[j].m_dtDate, j + 1 < t.size() ? t[j + 1].m_dtDate : now, units, j == 0);
        if (j == 0) {
            // Quotations before the first transaction, except the one in force then.
            while (head + 1 < n && at(head) < from && at(head + 1) <= from)
                ++head;
            cursor = head;
        }
        while (cursor < n && at(cursor) < from)
            ++cursor;
        // The quotation in force at `from`, when none falls on it.
        if (cursor > head && (cursor == n || at(cursor) > from))
            list.add(from, q[cursor - 1].m_dClose * units, logged);
        for (; cursor < n && at(cursor) < to; ++cursor)
            list.add(at(cursor), q[cursor].m_dClose * units, logged);
    }
    list.add(QuotationList::key(now), in.alignment, logged, " (adding \"alignment\" quotation)");
}

// The sum of the items' step functions merged so far: every date of any of them (keys, ascending)
// and the sum in force at each, each value added up in item order, as merging the value lists one
// after the other adds it.
struct SumList {
    std::unique_ptr<double[]> dates;
    std::unique_ptr<double[]> totals;
    std::size_t size = 0;
    std::size_t capacity = 0;

    // Room for `n` dates, the ones held dropped; neither copied nor initialised, since a merge
    // writes every date it keeps. Grows by half again at least, as the sum grows with every item.
    void makeRoom(std::size_t n) {
        size = 0;
        if (n <= capacity)
            return;
        capacity = std::max(n, capacity + capacity / 2);
        dates.reset(new double[capacity]);
        totals.reset(new double[capacity]);
    }
};

// Merges the next item's value list into `sum`, using `scratch` for the result: at every date of
// either, the sum in force plus the list's value in force (0 before its first date). The first
// list becomes the sum. False when two distinct dates lie less than half a second apart.
bool mergeInto(SumList& sum, SumList& scratch, const ValueList& list, bool first) {
    if (!first)
        DOC_LOG(LOG_LEVEL_DEBUG, "sum invest list: ************ processing invest quotation list... ************");
    const std::size_t ns = first ? 0 : sum.size;
    const std::size_t nl = list.dates.size();
    scratch.makeRoom(ns + nl);
    const double* sumDates = sum.dates.get();
    const double* sumTotals = sum.totals.get();
    const double* listDates = list.dates.data();
    const double* listValues = list.values.data();
    double* dates = scratch.dates.get();
    double* totals = scratch.totals.get();
    std::size_t i = 0;
    std::size_t j = 0;
    std::size_t n = 0;
    double sumValue = 0.0;
    double listValue = 0.0;
    while (i < ns || j < nl) {
        double date;
        if (j == nl || (i < ns && sumDates[i] < listDates[j])) {
            date = sumDates[i];
            sumValue = sumTotals[i++];
        } else if (i == ns || listDates[j] < sumDates[i]) {
            date = listDates[j];
            listValue = listValues[j++];
        } else {
            date = sumDates[i];
            sumValue = sumTotals[i++];
            listValue = listValues[j++];
        }
        // Keys of regular dates less than half a second apart are dates equal within half a second.
        if (n > 0 && date - dates[n - 1] < kOleHalfSecond)
            return false;
        dates[n] = date;
        totals[n] = first ? listValue : sumValue + listValue;
        ++n;
    }
    scratch.size = n;
    std::swap(sum, scratch);
    return true;
}

// The rebuild walked step by step: used where dates are invalid, out of order or less than half a
// second apart, where the simple rules above do not hold.
std::vector<Point> valueListStepByStep(const HistoryInput& in, const OleDate& now) {
    std::vector<CKurs> q = in.item->GetQuotationListCopy();
    const auto& t = in.transactions;
    std::vector<Point> points;
    double units = 0.0;
    for (std::size_t j = 0; j < t.size(); ++j) {
        const OleDate& from = t[j].m_dtDate;
        const OleDate& to = j + 1 < t.size() ? t[j + 1].m_dtDate : now;
        units = unitsAfter(units, t[j], in.cashAccount);
        logInterval(in, from, to, units, j == 0);
        if (j == 0) {
            std::size_t drop = 0;
            while (drop + 1 < q.size() && dateEarlier(q[drop].m_dtDate, from) &&
                   dateEarlierOrEqual(q[drop + 1].m_dtDate, from))
                ++drop;
            q.erase(q.begin(), q.begin() + static_cast<std::ptrdiff_t>(drop));
        }
        for (std::size_t i = 0; i < q.size() && dateEarlier(q[i].m_dtDate, to); ++i) {
            if (dateLaterOrEqual(q[i].m_dtDate, from))
                addPoint(points, q[i].m_dtDate, q[i].m_dClose * units);
            else if (i + 1 == q.size() || dateLater(q[i + 1].m_dtDate, from))
                addPoint(points, from, q[i].m_dClose * units);
        }
    }
    addPoint(points, now, in.alignment, " (adding \"alignment\" quotation)");
    return points;
}

std::vector<Point> sumStepByStep(const std::vector<std::vector<Point>>& lists, const OleDate& now) {
    struct SumPoint {
        OleDate date;
        double value;
        double before;    // the value the point had before the list now merged
        bool preexisting; // the point was there before that list
    };
    std::vector<SumPoint> sum;
    for (std::size_t l = 0; l < lists.size(); ++l) {
        const std::vector<Point>& list = lists[l];
        if (l == 0) {
            for (const Point& p : list)
                sum.push_back(SumPoint{p.date, p.value, p.value, true});
            continue;
        }
        DOC_LOG(LOG_LEVEL_DEBUG, "sum invest list: ************ processing invest quotation list... ************");
        for (SumPoint& s : sum) {
            s.before = s.value;
            s.preexisting = true;
        }
        for (std::size_t p = 0; p < list.size(); ++p) {
            const OleDate& k = list[p].date;
            const double v = list[p].value;
            const OleDate& next = p + 1 < list.size() ? list[p + 1].date : now;
            // The sum before this list, at k: the latest point before k that was there then.
            double b = 0.0;
            const SumPoint* latest = nullptr;
            for (const SumPoint& s : sum)
                if (s.preexisting && dateEarlier(s.date, k) && (!latest || !dateEarlier(s.date, latest->date)))
                    latest = &s;
            if (latest)
                b = latest->before;
            if (sum.empty() || dateEarlier(k, sum.front().date)) {
                sum.insert(sum.begin(), SumPoint{k, v, 0.0, false});
            } else {
                std::size_t i = 0;
                while (i + 1 < sum.size() && dateEarlierOrEqual(sum[i].date, k))
                    ++i;
                SumPoint& passed = sum[i > 0 ? i - 1 : 0];
                SumPoint& stop = sum[i];
                if (datesEqual(k, passed.date))
                    passed.value += v;
                else if (datesEqual(k, stop.date))
                    stop.value += v;
                else if (dateEarlier(stop.date, k))
                    sum.push_back(SumPoint{k, b + v, b, false});
                else
                    sum.insert(sum.begin() + static_cast<std::ptrdiff_t>(i), SumPoint{k, b + v, b, false});
            }
            for (SumPoint& s : sum)
                if (dateLater(s.date, k) && dateEarlier(s.date, next))
                    s.value += v;
        }
    }
    std::vector<Point> out;
    out.reserve(sum.size());
    for (const SumPoint& s : sum)
        out.push_back(Point{s.date, s.value});
    return out;
}

// At most one value per hour: whenever two neighbours lie 60 whole minutes apart or less, the
// earlier goes. Going back after each removal finds the pairs the walk from the start would.
void thin(std::vector<CKurs>& sum) {
    // The values kept so far are the first `kept`, never more than those read: done in place.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < sum.size(); ++i) {
        const CKurs& p = sum[i];
        while (kept > 0 && std::llabs(wholeMinutes(sum[kept - 1].m_dtDate, p.m_dtDate)) <= 60) {
            if (debugLogWanted())
                DOC_LOG(LOG_LEVEL_DEBUG,
                        "RecomputeSumInvestValueHistory sum invest list: removing quotation %s %.4f (relevant %s %.4f)",
                        docLogDate(sum[kept - 1].m_dtDate).c_str(), sum[kept - 1].m_dClose,
                        docLogDate(p.m_dtDate).c_str(), p.m_dClose);
            --kept;
        }
        if (kept != i)
            sum[kept] = p;
        ++kept;
    }
    sum.erase(sum.begin() + static_cast<std::ptrdiff_t>(kept), sum.end());
}

// The history's values before thinning, as quotations (the date and the close).
std::vector<CKurs> rebuildHistory(const std::vector<HistoryInput>& inputs, const OleDate& now) {
    std::vector<CKurs> out;
    {
        // One pass per item over its quotations in place, merged into the sum as it goes. The
        // buffers of the merge stay with the thread for its next rebuild: allocated afresh, their
        // few hundred KB came as new pages from the system on every rebuild, which cost more than
        // the merge itself.
        bool regular = QuotationList::regular(now);
        thread_local SumList sum;
        thread_local SumList scratch;
        thread_local ValueList list;
        sum.size = 0; // no item: no value
        for (std::size_t i = 0; i < inputs.size() && regular; ++i) {
            const HistoryInput& in = inputs[i];
            regular = in.item->readQuotations([&](const QuotationList& quotations) {
                QuotationList::Reader q(quotations);
                if (!quotations.ordered() || !regularInput(in, q, now))
                    return false;
                valueList(in, q, now, list);
                return true;
            });
            regular = regular && mergeInto(sum, scratch, list, i == 0);
        }
        if (regular) {
            out.reserve(sum.size);
            for (std::size_t k = 0; k < sum.size; ++k)
                out.emplace_back(dateOfKey(sum.dates[k]), sum.totals[k]);
            return out;
        }
    }
    DOC_LOG(LOG_LEVEL_DEBUG, "RecomputeSumInvestValueHistory: irregular dates, merging step by step");
    std::vector<std::vector<Point>> lists;
    lists.reserve(inputs.size());
    for (const HistoryInput& in : inputs)
        lists.push_back(valueListStepByStep(in, now));
    const std::vector<Point> sum = sumStepByStep(lists, now);
    out.reserve(sum.size());
    for (const Point& p : sum)
        out.emplace_back(p.date, p.value);
    return out;
}

} // namespace

// ---------------------------------------------------------------- the total as of now

// The value of each item is taken as the total always took it; the total sums the values in
// list order, so it is the same number to the last bit whether the values were just taken or kept.

CWPapierDoc::HoldingValue CWPapierDoc::holdingValue(const CWPapier& item, const OleDate& now, OleDate& until) {
    const auto narrow = [&until](const OleDate& date) {
        if (until.GetStatus() != OleDate::valid || dateEarlier(date, until))
            until = date;
    };
    // A quotation or transaction dated later changes the value once the clock reaches it.
    item.readQuotations([&](const QuotationList& quotations) {
        if (quotations.size() == 0)
            return;
        if (!quotations.ordered()) {
            narrow(now); // irregular dates: nothing is kept for this item's sake
            return;
        }
        for (std::size_t i = quotations.size(); i-- > 0 && dateLater(quotations[i].m_dtDate, now);)
            narrow(quotations[i].m_dtDate);
    });
    const int transactions = item.GetTransactionCount();
    for (int i = 0; i < transactions; ++i)
        if (const CTransaction* t = item.GetTransactionAt(i); t && dateLater(t->m_dtDate, now))
            narrow(t->m_dtDate);

    HoldingValue value;
    value.item = &item;
    const double units = item.GetUnitsOnDate(now);
    if (units == 0.0 || item.IsQuotationListEmpty())
        return value;
    CKurs current;
    item.GetQuotationOnOrBefore(now, current);
    OleDate lastTransaction;
    item.GetLastTransactionDate(now, lastTransaction);
    value.date = current.m_dtDate;
    if (dateLater(lastTransaction, value.date))
        value.date = lastTransaction;
    value.value = units * current.m_dClose;
    value.counts = true;
    return value;
}

namespace {

// The key of a date for "later than" as dateLater compares valid dates; -inf for a date that is not
// valid, which is never later.
double laterKey(const OleDate& date) {
    return date.GetStatus() == OleDate::valid ? OleDate::toContinuous(date.m_dt)
                                              : -std::numeric_limits<double>::infinity();
}

} // namespace

bool CWPapierDoc::holdingValuesHoldLocked(const OleDate& now) const {
    const HoldingValues& kept = m_holdingValues;
    if (!kept.valid || kept.items.size() != m_WPList.size() || dateEarlier(now, kept.takenAt))
        return false;
    if (kept.validUntil.GetStatus() == OleDate::valid && !dateEarlier(now, kept.validUntil))
        return false;
    const std::size_t count = m_WPList.size();
    const CWPapier* const* items = kept.items.data();
    for (std::size_t i = 0; i < count; ++i)
        if (items[i] != m_WPList[i].get())
            return false;
    return true;
}

void CWPapierDoc::keepHoldingValueLocked(std::size_t place, const HoldingValue& value) const {
    HoldingValues& kept = m_holdingValues;
    kept.items[place] = value.item;
    kept.values[place] = value.value;
    kept.counts[place] = value.counts ? 1 : 0;
    kept.dates[place] = value.date;
    kept.dateKeys[place] = laterKey(value.date);
}

void CWPapierDoc::takeHoldingValuesLocked(const OleDate& now) const {
    HoldingValues& kept = m_holdingValues;
    const std::size_t count = m_WPList.size();
    kept.items.assign(count, nullptr);
    kept.values.assign(count, 0.0);
    kept.counts.assign(count, 0);
    kept.dates.assign(count, OleDate());
    kept.dateKeys.assign(count, 0.0);
    kept.validUntil = OleDate();
    kept.validUntil.SetStatus(OleDate::invalid);
    for (std::size_t place = 0; place < count; ++place)
        keepHoldingValueLocked(place, holdingValue(*m_WPList[place], now, kept.validUntil));
    kept.takenAt = now;
    kept.valid = true;
}

void CWPapierDoc::retakeHoldingValueLocked(ItemPos pos, const OleDate& now) const {
    HoldingValues& kept = m_holdingValues;
    if (!holdingValuesHoldLocked(now))
        return; // taken anew when next asked for
    const std::size_t place = m_places.find(pos);
    if (place == ItemPlaceIndex::npos || place >= kept.items.size())
        return;
    keepHoldingValueLocked(place, holdingValue(*m_WPList[place], now, kept.validUntil));
    kept.takenAt = now; // the values hold from the latest time one was taken
}

bool CWPapierDoc::sumHoldingValuesLocked(CKurs& out) const {
    // In list order, as a walk over the items adds them: the same sum to the last bit. The date is
    // the latest one (dateLater), the first of equal ones, from the fallback on.
    const HoldingValues& kept = m_holdingValues;
    out.m_dtDate = CWPapier::fallbackDate();
    // A fallback that is not valid is never replaced, as dateLater compares only valid dates.
    const double startKey = out.m_dtDate.GetStatus() == OleDate::valid ? OleDate::toContinuous(out.m_dtDate.m_dt)
                                                                       : std::numeric_limits<double>::infinity();
    const std::size_t count = kept.values.size();
    const double* values = kept.values.data();
    const double* keys = kept.dateKeys.data();
    const unsigned char* counts = kept.counts.data();
    double sum = 0.0;
    double latestKey = startKey;
    std::size_t latest = count;
    bool contributed = false;
    for (std::size_t i = 0; i < count; ++i) {
        if (!counts[i])
            continue;
        sum += values[i];
        if (keys[i] > latestKey) {
            latestKey = keys[i];
            latest = i;
        }
        contributed = true;
    }
    out.m_dClose = sum;
    if (latest < count)
        out.m_dtDate = kept.dates[latest];
    return contributed;
}

bool CWPapierDoc::computeSumInvestValueLocked(CKurs& out, const OleDate& now) const {
    if (!holdingValuesHoldLocked(now))
        takeHoldingValuesLocked(now);
    return sumHoldingValuesLocked(out);
}

bool CWPapierDoc::ComputeSumInvestValue(CKurs& out) const {
    const ListLock lock(*this);
    // Every value taken anew: the items may have changed in any way since the last call.
    m_holdingValues.valid = false;
    return computeSumInvestValueLocked(out, OleDate::GetCurrentTime());
}

bool CWPapierDoc::CurrentSumInvestValue(CKurs& out) const {
    const ListLock lock(*this);
    return computeSumInvestValueLocked(out, OleDate::GetCurrentTime());
}

void CWPapierDoc::SetModifiedFlag(bool modified) {
    {
        const ListLock lock(*this);
        m_holdingValues.valid = false;
    }
    Document::SetModifiedFlag(modified);
}

void CWPapierDoc::UpdateSumInvestValue() {
    const ListLock lock(*this);
    m_holdingValues.valid = false;
    updateSumInvestValueLocked();
}

void CWPapierDoc::updateSumInvestValueLocked() {
    const ListLock lock(*this);
    const std::lock_guard historyLock(m_CritSectSumInvest);
    DOC_LOG(LOG_LEVEL_DEBUG, "UpdateSumInvestValue SingleLock granted***");
    CKurs total;
    const ItemPos historyPos = FindInvestmentHistoryItem();
    CWPapier* history = itemLocked(historyPos);
    const OleDate now = OleDate::GetCurrentTime();
    if (computeSumInvestValueLocked(total, now) && history) {
        OleDate newest;
        history->GetLastQuotationDate(newest);
        if (dateEarlier(total.m_dtDate, newest)) {
            DOC_LOG(LOG_LEVEL_DEBUG, "UpdateSumInvestValue removing values after %s...",
                    shortDate(total.m_dtDate).c_str());
            history->DeleteQuotationInterval(total.m_dtDate, oneYearLater(total.m_dtDate));
            history->GetLastQuotationDate(newest);
        }
        // Within five minutes after the newest value the total takes its place; otherwise, also
        // when values more than a year later are left, the total goes in in date order.
        if (!history->IsQuotationListEmpty() && !dateEarlier(total.m_dtDate, newest) &&
            wholeMinutes(newest, total.m_dtDate) < 5) {
            DOC_LOG(LOG_LEVEL_DEBUG, "UpdateSumInvestValue updating value on %s to %.2lf",
                    shortDate(total.m_dtDate).c_str(), total.m_dClose);
            CKurs last;
            history->GetLastQuotation(last);
            last.m_dtDate = total.m_dtDate;
            last.m_dClose = total.m_dClose;
            history->ReplaceQuotation(history->GetQuotationCount() - 1, last);
        } else {
            DOC_LOG(LOG_LEVEL_DEBUG, "UpdateSumInvestValue adding value on %s: %.2lf",
                    shortDate(total.m_dtDate).c_str(), total.m_dClose);
            AddQuotationToItem(historyPos, CKurs(total.m_dtDate, total.m_dClose), programOptions().DisableIntraday != 0,
                               true);
        }
        // The history's own value (it rarely holds units) follows its new values.
        retakeHoldingValueLocked(historyPos, now);
    }
    DOC_LOG(LOG_LEVEL_DEBUG, "UpdateSumInvestValue finished***");
}

// ---------------------------------------------------------------- the rebuild

void CWPapierDoc::RecomputeSumInvestValueHistory() {
    const WaitCursor wait(m_portfolioHost);
    const ListLock lock(*this);
    const OleDate now = OleDate::GetCurrentTime();

    std::vector<HistoryInput> inputs;
    for (CWPapier* item : itemPointersLocked()) {
        if (item->IsQuotationListEmpty() || item->IsTransactionListEmpty())
            continue;
        DOC_LOG(LOG_LEVEL_DEBUG, "#*# RecomputeSumInvestValueHistory: \"%s\"", item->m_strName.c_str());
        HistoryInput in;
        in.item = item;
        in.name = item->m_strName;
        in.cashAccount = item->m_bCashAccount != 0;
        // Dividends do not change what is held; transactions to come do not count yet.
        for (const CTransaction& t : item->GetTransactionListCopy())
            if (t.m_nType != CTransaction::kDividend && !dateLater(t.m_dtDate, now))
                in.transactions.push_back(t);
        if (in.transactions.empty())
            continue;
        CKurs current;
        item->GetQuotationOnOrBefore(now, current);
        in.alignment = item->GetUnitsOnDate(now) * current.m_dClose;
        inputs.push_back(std::move(in));
    }

    std::vector<CKurs> quotations = rebuildHistory(inputs, now);
    thin(quotations);
    CWPapier* history = itemLocked(FindInvestmentHistoryItem());
    if (quotations.empty() || !history)
        return;
    history->ReplaceQuotationList(std::move(quotations));
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
}
