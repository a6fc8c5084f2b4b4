// Transaction operations: adding, replacing and deleting transactions with what depends on them
// (due recurring instances, the cash account's balance quotations, the investment history), the
// cash transactions that mirror investment transactions, the combined transaction list, and the
// notices these operations leave for the user.

#include "platform/TextCodec.h"
#include "portfolio/DocLog.h"
#include "portfolio/WPapierDoc.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>
#include <utility>

using textcodec::formatText;

namespace {

// The signed amount a mirror moves: what a buy costs, what a sale or dividend brings.
std::optional<double> mirroredAmount(const CTransaction& t) {
    switch (t.m_nType) {
    case CTransaction::kBuy:
        return t.m_dUnits * t.m_dQuotation + t.m_dTaxes;
    case CTransaction::kSell:
    case CTransaction::kDividend:
        return t.m_dUnits * t.m_dQuotation - t.m_dTaxes;
    default:
        return std::nullopt;
    }
}

} // namespace

// ---------------------------------------------------------------- notices

CWPapierDoc::NoticeBatch::NoticeBatch(CWPapierDoc& doc) : m_doc(doc), m_lock(doc) {
    ++m_doc.m_noticeCollection.depth;
}

CWPapierDoc::NoticeBatch::~NoticeBatch() {
    if (--m_doc.m_noticeCollection.depth == 0)
        m_doc.flushNoticeCollection();
    // m_lock ends after this: the notices reach the host once the outermost lock is released.
}

void CWPapierDoc::flushNoticeCollection() {
    NoticeCollection c = std::move(m_noticeCollection);
    m_noticeCollection = NoticeCollection{};

    std::vector<std::string> parts;
    if (c.recurringItems.size() == 1) {
        parts.push_back(formatText("Successfully updated recurring\ninvestment transaction for\n'%s'.",
                                   c.recurringItems.front().c_str()));
    } else if (c.recurringItems.size() > 1) {
        std::string names;
        for (const std::string& name : c.recurringItems)
            names += (names.empty() ? "'" : "',\n'") + name;
        parts.push_back("Successfully updated recurring\ninvestment transactions for\n" + names + "'.");
    }
    const int mirrors = c.created + c.updated;
    if (mirrors == 1) {
        parts.push_back(c.singleText);
    } else if (mirrors > 1) {
        const char* how = c.updated == 0 ? "created" : c.created == 0 ? "updated" : "created or updated";
        parts.push_back(std::to_string(mirrors) + " concerned cash account transactions\nwere successfully " + how +
                        " (" + std::to_string(c.credits) + (c.credits == 1 ? " credit, " : " credits, ") +
                        std::to_string(c.debits) + (c.debits == 1 ? " debit)." : " debits)."));
    }
    if (!parts.empty()) {
        std::string text;
        for (const std::string& part : parts)
            text += (text.empty() ? "" : "\n\n") + part;
        notifyUser(PortfolioNotice::Kind::Information, std::move(text));
    }
    if (c.failed == 1)
        notifyUser(PortfolioNotice::Kind::Warning, c.singleFailure);
    else if (c.failed > 1)
        notifyUser(
            PortfolioNotice::Kind::Warning,
            std::to_string(c.failed) +
                " concerned cash account transactions\ncould not be created: the portfolio has no cash account.");
}

// ---------------------------------------------------------------- the cash account's balance

void CWPapierDoc::rebuildCashBalance(CWPapier& cash) {
    cash.RecalculateCashAccountQuotationList();
    CashBalanceMemo memo;
    memo.item = cash.id();
    memo.quotationGeneration = cash.quotationListGeneration();
    memo.transactionCount = static_cast<std::size_t>(cash.GetTransactionCount());
    memo.ordered = true;
    for (std::size_t k = 0; k < memo.transactionCount && memo.ordered; ++k) {
        const OleDate& date = cash.GetTransactionAt(static_cast<int>(k))->m_dtDate;
        memo.ordered =
            k == 0 ? QuotationList::regular(date)
                   : QuotationList::followsDistinctly(cash.GetTransactionAt(static_cast<int>(k - 1))->m_dtDate, date);
    }
    m_cashBalanceMemo = memo;
}

// The balance list adds one quotation per transaction in list order, replacing the newest when
// the dates are equal. On transactions in date order with distinct dates that makes one quotation
// per run of equal dates, holding the balance after the run; so the list up to the run before the
// first changed transaction is still right, and only the rest is added again.
void CWPapierDoc::refreshCashBalance(CWPapier& cash, std::optional<std::size_t> firstChanged, std::size_t countBefore) {
    const CashBalanceMemo& memo = m_cashBalanceMemo;
    const std::size_t n = static_cast<std::size_t>(cash.GetTransactionCount());
    if (!firstChanged || *firstChanged > n || memo.item != cash.id() || !memo.ordered ||
        memo.transactionCount != countBefore || memo.quotationGeneration != cash.quotationListGeneration()) {
        rebuildCashBalance(cash);
        return;
    }
    const auto date = [&cash](std::size_t k) -> const OleDate& {
        return cash.GetTransactionAt(static_cast<int>(k))->m_dtDate;
    };
    const std::size_t changed = *firstChanged;
    // The first transaction of the run of equal dates that ends the unchanged part.
    std::size_t start = changed;
    if (start > 0) {
        start = changed - 1;
        while (start > 0 && date(start - 1).m_dt == date(start).m_dt)
            --start;
    }
    // The changed part must keep the order.
    for (std::size_t k = changed; k < n; ++k) {
        if (k == 0 ? !QuotationList::regular(date(0)) : !QuotationList::followsDistinctly(date(k - 1), date(k))) {
            rebuildCashBalance(cash);
            return;
        }
    }
    // The quotation of that run, and the balance before it.
    int kept = 0;
    double balance = 0.0;
    if (start > 0) {
        const double value = QuotationList::key(date(start));
        int lo = 0;
        int hi = cash.GetQuotationCount();
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (QuotationList::key(cash.GetQuotationAt(mid)->m_dtDate) < value)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == 0 || lo >= cash.GetQuotationCount() ||
            QuotationList::key(cash.GetQuotationAt(lo)->m_dtDate) != value) {
            rebuildCashBalance(cash);
            return;
        }
        kept = lo;
        balance = cash.GetQuotationAt(lo - 1)->m_dClose;
    }
    DOC_LOG(LOG_LEVEL_DEBUG, "Updating cash-account balance from transaction %i...", static_cast<int>(start));
    for (int k = cash.GetQuotationCount() - 1; k >= kept; --k)
        cash.DeleteQuotation(k);
    for (std::size_t k = start; k < n; ++k) {
        const CTransaction& t = *cash.GetTransactionAt(static_cast<int>(k));
        balance = CWPapier::CashBalanceAfter(balance, t);
        cash.AddQuotation(CKurs(t.m_dtDate, balance), false);
    }
    m_cashBalanceMemo.quotationGeneration = cash.quotationListGeneration();
    m_cashBalanceMemo.transactionCount = n;
}

// ---------------------------------------------------------------- transaction operations

void CWPapierDoc::transactionFollowUp(ItemPos pos, CWPapier& item, bool recurs, std::optional<std::size_t> firstChanged,
                                      std::size_t countBefore) {
    if (recurs)
        UpdateRecurringTransactions(pos);
    if (item.m_bCashAccount) {
        refreshCashBalance(item, firstChanged, countBefore);
        item.RecalculateAverageInvestPrice();
    }
    if (!item.m_bInvestmentHistory) {
        if (m_catchUpDepth > 0)
            m_sumInvestDue = true;
        else
            UpdateSumInvestValue();
    }
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
}

int CWPapierDoc::AddTransaction(ItemPos pos, const CTransaction& transaction) {
    const NoticeBatch batch(*this);
    CWPapier* item = itemLocked(pos);
    if (!item)
        return -1;
    const CTransaction t(transaction); // the argument may be a record of the list
    const auto before = static_cast<std::size_t>(item->GetTransactionCount());
    const int index = item->AddTransaction(t);
    transactionFollowUp(pos, *item, t.m_nRecurrence != 0, static_cast<std::size_t>(index), before);
    return index;
}

bool CWPapierDoc::DeleteTransaction(ItemPos pos, int index) {
    const NoticeBatch batch(*this);
    CWPapier* item = itemLocked(pos);
    if (!item)
        return false;
    const auto before = static_cast<std::size_t>(item->GetTransactionCount());
    const bool deleted = item->DeleteTransaction(index);
    transactionFollowUp(pos, *item, false, deleted ? static_cast<std::size_t>(index) : before, before);
    return deleted;
}

int CWPapierDoc::ReplaceTransaction(ItemPos pos, int index, const CTransaction& transaction) {
    const NoticeBatch batch(*this);
    CWPapier* item = itemLocked(pos);
    if (!item)
        return -1;
    const CTransaction t(transaction);
    const auto before = static_cast<std::size_t>(item->GetTransactionCount());
    const int result = item->ReplaceTransaction(index, t);
    const std::size_t firstChanged = result >= 0 ? static_cast<std::size_t>(std::min(index, result)) : before;
    transactionFollowUp(pos, *item, t.m_nRecurrence != 0, firstChanged, before);
    return result;
}

void CWPapierDoc::DeleteAllTransactions() {
    const NoticeBatch batch(*this);
    // Every item's list goes at once; what depends on the transactions is brought up to date once
    // they are all gone.
    bool historyFollows = false;
    for (CWPapier* item : itemPointersLocked()) {
        if (item->IsTransactionListEmpty())
            continue;
        DOC_LOG(LOG_LEVEL_DEBUG, "Deleting all %i transactions of '%s'...", item->GetTransactionCount(),
                item->m_strName.c_str());
        item->ReplaceTransactionList({});
        if (item->m_bCashAccount) {
            rebuildCashBalance(*item);
            item->RecalculateAverageInvestPrice();
        }
        if (!item->m_bInvestmentHistory)
            historyFollows = true;
    }
    if (historyFollows)
        UpdateSumInvestValue();
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
}

int CWPapierDoc::DeleteItemTransactions(ItemPos pos) {
    const NoticeBatch batch(*this);
    CWPapier* item = itemLocked(pos);
    if (!item)
        return -1;
    const auto before = static_cast<std::size_t>(item->GetTransactionCount());
    if (before > 0) {
        DOC_LOG(LOG_LEVEL_DEBUG, "Deleting all %i transactions of '%s'...", static_cast<int>(before),
                item->m_strName.c_str());
        item->ReplaceTransactionList({});
    }
    transactionFollowUp(pos, *item, false, std::size_t{0}, before);
    return static_cast<int>(before);
}

std::optional<std::vector<CTransaction>> CWPapierDoc::GetTransactionListCopy(ItemPos pos) {
    if (pos == kNoItemPos)
        return std::nullopt;
    const NoticeBatch batch(*this);
    CWPapier* item = itemLocked(pos);
    if (!item)
        return std::nullopt;
    UpdateRecurringTransactions(pos);
    return item->GetTransactionListCopy();
}

// ---------------------------------------------------------------- mirrors and recurring transactions

std::optional<CTransaction> CWPapierDoc::MakeCashAccountMirror(const CTransaction& investment,
                                                               const std::string& itemName) {
    const std::optional<double> amount = mirroredAmount(investment);
    if (!amount)
        return std::nullopt;
    const bool buy = investment.m_nType == CTransaction::kBuy;
    // A buy takes money from the account, a sale or dividend brings it; a negative amount moves it
    // the other way, so it flips the kind and the mirror holds its size.
    const bool debit = buy ? *amount >= 0.0 : *amount < 0.0;
    CTransaction mirror;
    mirror.m_nType = debit ? CTransaction::kSell : CTransaction::kBuy;
    mirror.m_dtDate = investment.m_dtDate;
    mirror.m_dUnits = std::fabs(*amount);
    mirror.m_dQuotation = 0.0;
    mirror.m_dTaxes = 0.0;
    mirror.m_nRecurrence = CTransaction::kRecurrenceNone;
    mirror.m_bUntil = investment.m_bUntil;
    mirror.m_dtUntil = investment.m_dtUntil;
    mirror.m_strNote = "->" + std::string(CTransaction::typeName(investment.m_nType, false)) + " \"" + itemName + "\"";
    return mirror;
}

bool CWPapierDoc::AddCashAccountTransaction(const CTransaction& investment, const std::string& itemName, bool updated) {
    const NoticeBatch batch(*this);
    const std::optional<CTransaction> mirror = MakeCashAccountMirror(investment, itemName);
    if (!mirror) {
        DOC_LOG(LOG_LEVEL_WARNING, "Transaction of kind %i of '%s' is not mirrored into the cash account",
                investment.m_nType, itemName.c_str());
        return false;
    }
    DOC_LOG(LOG_LEVEL_DEBUG, "Adding cash-account transaction related to investment credit/debit '%s'...",
            mirror->m_strNote.c_str());
    const bool credit = mirror->m_nType == CTransaction::kBuy;
    const std::string kind = credit ? "credit" : "debit";
    NoticeCollection& notices = m_noticeCollection;
    if (AddTransaction(FindCashAccountItem(), *mirror) < 0) {
        DOC_LOG(LOG_LEVEL_WARNING, "No cash account: the %s transaction related to '%s' was not added", kind.c_str(),
                itemName.c_str());
        ++notices.failed;
        notices.singleFailure = formatText(
            "The concerned cash account %s transaction\ncould not be created: the portfolio has no cash account.",
            kind.c_str());
        return false;
    }
    ++(updated ? notices.updated : notices.created);
    ++(credit ? notices.credits : notices.debits);
    notices.singleText = formatText(updated ? "The concerned cash account %s transaction\nwas successfully updated."
                                            : "The concerned cash account %s transaction\nwas successfully created.",
                                    kind.c_str());
    return true;
}

bool CWPapierDoc::UpdateCashAccountTransaction(const std::string& itemName, const CTransaction& oldTransaction,
                                               const CTransaction& newTransaction) {
    const NoticeBatch batch(*this);
    bool found = false;
    const std::optional<CTransaction> oldMirror = MakeCashAccountMirror(oldTransaction, itemName);
    const ItemPos cash = FindCashAccountItem();
    if (oldMirror && cash != kNoItemPos) {
        // Mirrors written before the amount was kept as its size hold a negative amount.
        const double signedAmount = *mirroredAmount(oldTransaction);
        if (const auto copies = GetTransactionListCopy(cash)) {
            for (std::size_t i = 0; i < copies->size(); ++i) {
                const CTransaction& t = (*copies)[i];
                if (datesEqual(t.m_dtDate, oldTransaction.m_dtDate) && t.m_nType == oldMirror->m_nType &&
                    (t.m_dUnits == oldMirror->m_dUnits || t.m_dUnits == signedAmount)) {
                    DOC_LOG(LOG_LEVEL_DEBUG, "Deleting cash-account transaction related to investment credit/debit...");
                    DeleteTransaction(cash, static_cast<int>(i));
                    found = true;
                    break;
                }
            }
        }
    }
    return AddCashAccountTransaction(newTransaction, itemName, found);
}

bool CWPapierDoc::UpdateRecurringTransactions(ItemPos pos) {
    const NoticeBatch batch(*this);
    CWPapier* item = itemLocked(pos);
    if (!item)
        return false;
    DOC_LOG(LOG_LEVEL_DEBUG, "Checking recurring transactions for '%s'...", item->m_strName.c_str());
    bool added = false;
    CTransaction instance;
    auto countBefore = static_cast<std::size_t>(item->GetTransactionCount());
    int index = 0;
    // What each instance would bring up to date -- the item's investment figures, the investment
    // total after each mirror -- follows once, after the last instance: the catch-up of a plan
    // that started long ago stays in proportion to its instances.
    {
        struct CatchUp {
            int& depth;
            explicit CatchUp(int& d) : depth(d) { ++depth; }
            ~CatchUp() { --depth; }
        } catchUp(m_catchUpDepth);
        while (item->AddRecurringTransaction(instance, &index, false)) {
            added = true;
            if (item->m_bCashAccount) {
                // The balances before the new instance stay; the rest are added again.
                refreshCashBalance(*item, static_cast<std::size_t>(index), countBefore);
                countBefore = static_cast<std::size_t>(item->GetTransactionCount());
            } else {
                AddCashAccountTransaction(instance, item->m_strName, false);
            }
        }
    }
    if (added)
        item->RecalculateAverageInvestPrice();
    if (m_catchUpDepth == 0 && std::exchange(m_sumInvestDue, false))
        UpdateSumInvestValue();
    return added;
}

// ---------------------------------------------------------------- the combined transaction list

// Copies are inserted one by one, each item's in list order: before the head when earlier; else
// after every entry on or before it and before the first later one, except that at the last entry
// it goes after it only when later. Where all dates are regular and distinct dates lie at least
// half a second apart, that yields the copies in date order, and among copies of one date the
// order of insertion, except that a copy whose date was the latest inserted so far goes before
// the last of its date. So the copies are merged by date, each group of one date ordered by that
// rule; otherwise they are inserted one by one.
std::vector<CTransaction> CWPapierDoc::GetAllTransactionsSorted() const {
    const ListLock lock(*this);
    struct Entry {
        const CTransaction* transaction;
        ItemPos item;
        int index;
        bool afterEqual; // a later date was inserted before it: it goes after the copies of its date
    };
    std::vector<std::vector<CTransaction>> copies;
    copies.reserve(m_WPList.size());
    std::vector<std::vector<Entry>> runs; // per item, in insertion order
    std::size_t total = 0;
    bool mergeable = true;
    double latest = -std::numeric_limits<double>::infinity();
    for (const auto& item : m_WPList) {
        copies.push_back(item->GetTransactionListCopy());
        std::vector<Entry>& run = runs.emplace_back();
        int index = 0;
        for (const CTransaction& t : copies.back()) {
            const Entry entry{&t, item->id(), index++, false};
            if (t.m_dUnits == 0.0 && t.m_dTaxes == 0.0)
                continue;
            if (!QuotationList::regular(t.m_dtDate))
                mergeable = false;
            run.push_back(entry);
            run.back().afterEqual = latest > QuotationList::key(t.m_dtDate);
            latest = std::max(latest, QuotationList::key(t.m_dtDate));
            ++total;
        }
    }

    std::vector<const Entry*> order;
    order.reserve(total);
    if (mergeable) {
        // Merge the runs by date; equal dates keep the order of insertion (item order, then list
        // order). A run that is not in date order is sorted first.
        std::vector<std::vector<const Entry*>> sorted(runs.size());
        for (std::size_t r = 0; r < runs.size(); ++r) {
            for (const Entry& entry : runs[r])
                sorted[r].push_back(&entry);
            std::stable_sort(sorted[r].begin(), sorted[r].end(), [](const Entry* a, const Entry* b) {
                return QuotationList::key(a->transaction->m_dtDate) < QuotationList::key(b->transaction->m_dtDate);
            });
        }
        using Head = std::pair<double, std::size_t>; // date key, run
        std::priority_queue<Head, std::vector<Head>, std::greater<>> heads;
        std::vector<std::size_t> next(runs.size(), 0);
        for (std::size_t r = 0; r < runs.size(); ++r)
            if (!sorted[r].empty())
                heads.emplace(QuotationList::key(sorted[r].front()->transaction->m_dtDate), r);
        std::vector<const Entry*> group;
        const auto flush = [&] {
            order.insert(order.end(), group.begin(), group.end());
            group.clear();
        };
        while (!heads.empty()) {
            const auto [value, r] = heads.top();
            heads.pop();
            const Entry* entry = sorted[r][next[r]++];
            if (next[r] < sorted[r].size())
                heads.emplace(QuotationList::key(sorted[r][next[r]]->transaction->m_dtDate), r);
            if (!group.empty()) {
                const OleDate& previous = group.back()->transaction->m_dtDate;
                if (QuotationList::key(previous) != value) {
                    if (datesEqual(previous, entry->transaction->m_dtDate)) {
                        mergeable = false; // dates less than half a second apart
                        break;
                    }
                    flush();
                }
            }
            if (group.empty() || entry->afterEqual)
                group.push_back(entry);
            else
                group.insert(group.end() - 1, entry);
        }
        flush();
    }
    if (!mergeable) {
        order.clear();
        for (const auto& run : runs) {
            for (const Entry& entry : run) {
                const OleDate& date = entry.transaction->m_dtDate;
                const std::size_t n = order.size();
                std::size_t at = 0;
                if (n > 0 && !dateEarlier(date, order.front()->transaction->m_dtDate)) {
                    std::size_t c = 0;
                    while (c + 1 < n && dateEarlierOrEqual(order[c]->transaction->m_dtDate, date))
                        ++c;
                    if (c + 1 < n)
                        at = c;
                    else
                        at = dateLater(date, order[c]->transaction->m_dtDate) ? n : c;
                }
                order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), &entry);
            }
        }
    }

    std::vector<CTransaction> result;
    result.reserve(order.size());
    for (const Entry* entry : order) {
        CTransaction& t = result.emplace_back(*entry->transaction);
        t.m_posOriginItem = entry->item;
        t.m_nOriginIndex = entry->index;
    }
    return result;
}
