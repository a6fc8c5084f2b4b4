// Completing a new or a loaded portfolio: every portfolio holds one cash account and one
// investment history; a loaded one gets its due recurring transactions and its investment figures.

#include "portfolio/DocLog.h"
#include "portfolio/WPapierDoc.h"

// Called by OnNewDocument (and after a failed open) on the emptied document, under the list lock.
// Neither sets the modified flag nor tells the views.
void CWPapierDoc::InitializeNewPortfolio() {
    CheckCashAccount();
    CreateInvestmentHistoryItem();
}

// Called under the list lock once a file's item list has replaced the document's items (also for
// an empty file); `loadSchema` is the schema of the last item record read (22 when none). The items
// arrive complete: their lists were taken over and their investment figures recomputed when they
// were read.
void CWPapierDoc::InitializeLoadedPortfolio(int loadSchema) {
    // The notices of the recurring updates and their mirrors come as one, after the load.
    const NoticeBatch batch(*this);
    // Files before schema 8 have no investment history; any file may lack it.
    if (FindInvestmentHistoryItem() == kNoItemPos) {
        DOC_LOG(LOG_LEVEL_INFO, "Init portfolio: creating investment history...");
        CreateInvestmentHistoryItem();
    }
    DOC_LOG(LOG_LEVEL_INFO, "Init portfolio: checking cash account...");
    CheckCashAccount();
    if (loadSchema >= 13) {
        DOC_LOG(LOG_LEVEL_INFO, "Init portfolio: updating recurring transactions...");
        for (CWPapier* item : itemPointersLocked()) {
            if (item->IsTransactionListEmpty())
                continue;
            if (UpdateRecurringTransactions(item->id()))
                m_noticeCollection.recurringItems.push_back(item->m_strName);
        }
    }
    DOC_LOG(LOG_LEVEL_INFO, "Init portfolio: recalculating average investment price for all items...");
    for (CWPapier* item : itemPointersLocked())
        if (!item->IsTransactionListEmpty())
            item->RecalculateAverageInvestPrice();
}
