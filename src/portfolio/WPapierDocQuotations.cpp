// Quotation operations: adding, replacing and deleting an item's quotations, with the investment
// history following every change that can alter the current value of the holdings.

#include "portfolio/DocLog.h"
#include "portfolio/WPapierDoc.h"

int CWPapierDoc::AddQuotationToItem(ItemPos pos, const CKurs& quotation, bool bSameDay, bool bUpdateViews) {
    // Asked before the list is locked: the chart draws under its own locks and then locks the
    // list, so the list lock must never be held while the chart's are taken.
    DocumentObserver* chart = bUpdateViews && m_portfolioHost ? m_portfolioHost->chartView() : nullptr;
    const bool shownInChart = chart && m_portfolioHost->isItemShownInChart(pos);
    const ListLock lock(*this);
    CWPapier* item = itemLocked(pos);
    if (!item)
        return -1;
    const int index = item->AddQuotation(quotation, bSameDay);
    // The values kept for the total stay, with this item's taken anew.
    retakeHoldingValueLocked(pos, OleDate::GetCurrentTime());
    // Only a new newest value of an ordinary item with units changes the current total.
    bool historyChanged = false;
    if (index == item->GetQuotationCount() - 1 && !item->m_bInvestmentHistory && !item->m_bCashAccount &&
        item->m_dUnits > 0.0) {
        updateSumInvestValueLocked();
        historyChanged = true;
    }
    if (bUpdateViews) {
        // The base's flag only: the change is in the kept values already.
        Document::SetModifiedFlag(true);
        // The chart is told only when it shows the item.
        DocumentObserver* sender = chart && !shownInChart ? chart : nullptr;
        UpdateAllViews(sender, pos);
        const ItemPos history = FindInvestmentHistoryItem();
        if (historyChanged && history != kNoItemPos)
            UpdateAllViews(sender, history);
    }
    return index;
}

bool CWPapierDoc::DeleteQuotation(ItemPos pos, int index) {
    const ListLock lock(*this);
    CWPapier* item = itemLocked(pos);
    if (!item || !item->DeleteQuotation(index))
        return false;
    if (!item->m_bInvestmentHistory)
        UpdateSumInvestValue();
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
    return true;
}

int CWPapierDoc::ReplaceQuotation(ItemPos pos, int index, const CKurs& quotation) {
    const ListLock lock(*this);
    CWPapier* item = itemLocked(pos);
    if (!item)
        return -1;
    const int result = item->ReplaceQuotation(index, quotation);
    if (result < 0)
        return -1;
    if (!item->m_bInvestmentHistory)
        UpdateSumInvestValue();
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
    return result;
}

namespace {

template <class Operation> bool changeQuotations(CWPapierDoc& doc, CWPapier* item, Operation&& operation) {
    if (!item || !operation(*item))
        return false;
    doc.SetModifiedFlag();
    doc.UpdateAllViews(nullptr, 0);
    return true;
}

} // namespace

bool CWPapierDoc::DeleteAllQuotations(ItemPos pos) {
    const ListLock lock(*this);
    return changeQuotations(*this, itemLocked(pos), [](CWPapier& item) { return item.DeleteAllQuotations(); });
}

bool CWPapierDoc::DeleteQuotationInterval(ItemPos pos, const OleDate& from, const OleDate& to) {
    const ListLock lock(*this);
    return changeQuotations(*this, itemLocked(pos),
                            [&](CWPapier& item) { return item.DeleteQuotationInterval(from, to); });
}

bool CWPapierDoc::DeleteMultipleQuotations(ItemPos pos, int mode) {
    const ListLock lock(*this);
    return changeQuotations(*this, itemLocked(pos),
                            [mode](CWPapier& item) { return item.DeleteMultipleQuotations(mode); });
}
