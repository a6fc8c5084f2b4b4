// The intake of a downloaded quotation.
#include "retrieval/DownloadIntake.h"

#include "platform/TextCodec.h"
#include "portfolio/DocLog.h"
#include "portfolio/WPapierDoc.h"

int WPKursThreadUpdate(CWPapierDoc& doc, ItemPos pos, std::unique_ptr<CKurs> quotation) {
    if (pos == kNoItemPos)
        return 1;
    const auto lock = doc.LockList();
    CWPapier* item = doc.GetItem(pos);
    if (!item || item->m_nMagic != CWPapier::kMagic || !quotation) {
        // Dropped. The item's flag (when it is still there) and the abort flag's account are
        // brought up to date all the same, so nothing stays marked as downloading.
        doc.ResetDownloadFlagAt(pos);
        return 1;
    }
    if (g_bAbortDownloads.load() != 0) {
        doc.ResetDownloadFlag(item);
        return 1;
    }
    CWPapier* rateItem = item->m_pCurrencyItem;
    if (item->m_bConvertCurrency && rateItem && doc.IsItemInList(rateItem)) {
        // A rate of 0 cannot convert either: the quotation would be stored as 0.
        CKurs rate;
        if (!rateItem->GetQuotationOnOrBefore(quotation->m_dtDate, rate) || rate.m_dClose == 0.0) {
            const std::string date = quotation->m_dtDate.Format("%x at %X");
            DOC_LOG(LOG_LEVEL_INFO,
                    "WPKursThreadUpdate: Could not update quotation for '%s'. Currency quotation on %s is missing!",
                    item->m_strName.c_str(), date.c_str());
            doc.notifyUser(
                PortfolioNotice::Kind::Warning,
                textcodec::formatText("Could not update quotation for '%s'.\n\nCurrency quotation on %s is missing!",
                                      item->m_strName.c_str(), date.c_str()));
            doc.ResetDownloadFlag(item);
            return 0;
        }
        quotation->scalePrices(rate.m_dClose);
    }
    // A copy is stored under the item's quotation lock; the investment history follows when it is
    // the item's newest quotation and the item holds units; the views are told.
    doc.AddQuotationToItem(pos, *quotation, doc.programOptions().DisableIntraday != 0, true);
    doc.ResetDownloadFlag(item);
    return 1;
}
