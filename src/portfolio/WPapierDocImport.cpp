// Quotation import into an item: the quotations a reader found in a file are shown to the user (the
// first and the last, converted when the item converts by an exchange-rate item), the time frame is
// confirmed and narrowed through the host, then every quotation within it is converted and added
// through AddQuotationToItem, so that the investment history follows.
//
// The question and every notice reach the host while the document's lock is free; the host of an
// unattended run answers without waiting.

#include "platform/TextCodec.h"
#include "portfolio/DocLog.h"
#include "portfolio/WPapierDoc.h"

#include <utility>

using textcodec::formatText;

bool CWPapierDoc::ImportQuotations(ItemPos pos, const std::filesystem::path& file, const QuotationReader& read,
                                   OleDate& from, OleDate& to, bool confirm, const std::string& shownName) {
    // The exchange-rate item is kept by its position and looked up at every use.
    bool convert = false;
    ItemPos rateItem = kNoItemPos;
    {
        const ListLock lock(*this);
        const CWPapier* item = itemLocked(pos);
        if (!item)
            return false;
        if (item->m_bConvertCurrency && item->m_pCurrencyItem) {
            convert = true;
            rateItem = GetItemPosition(item->m_pCurrencyItem);
        }
    }
    // The close of the exchange-rate item's quotation on or before `date`; 0 when there is none
    // (also when the exchange-rate item is no longer in the portfolio).
    const auto rateOn = [&](const OleDate& date) {
        const ListLock lock(*this);
        CKurs rate;
        if (const CWPapier* x = itemLocked(rateItem))
            x->GetQuotationOnOrBefore(date, rate);
        return rate.m_dClose;
    };

    QuotationReading reading;
    {
        const WaitCursor wait(m_portfolioHost);
        if (read)
            reading = read(file);
    }
    std::vector<CKurs>& found = reading.found;
    // Lines of the file that were left out, for the user.
    const std::string skippedNote =
        reading.skipped > 0 ? formatText("Quotations read: %i, lines of the file skipped: %i. The first skipped: %s",
                                         static_cast<int>(found.size()), reading.skipped, reading.skipReason.c_str())
                            : std::string();
    if (found.empty()) {
        const std::string& error = skippedNote.empty() ? reading.error : skippedNote;
        std::string text = formatText(
            "Error importing quotations from file \"%s\":\n%s\n\nPlease check quotation's thousands/decimal "
            "separator and general data format specification.\nNote: all separators (including spaces) used must be "
            "specified in the data format (import rules).",
            (shownName.empty() ? file.string() : shownName).c_str(), error.c_str());
        DOC_LOG(LOG_LEVEL_INFO, "%s", text.c_str());
        notifyUser(PortfolioNotice::Kind::Error, std::move(text));
        return false;
    }

    OleDate begin;
    OleDate end;
    if (confirm) {
        // Of the first and the last record, the later one is the newest.
        const bool firstIsNewest = dateLater(found.front().m_dtDate, found.back().m_dtDate);
        const CKurs& newest = firstIsNewest ? found.front() : found.back();
        const CKurs& oldest = firstIsNewest ? found.back() : found.front();
        const auto line = [&](const CKurs& k) {
            const std::string day = k.m_dtDate.Format("%x");
            if (!convert)
                return formatText("%s  %3.4f", day.c_str(), k.m_dClose);
            const double rate = rateOn(k.m_dtDate);
            return formatText("%s  %3.4f x (Currency: %3.4f) = %3.4f", day.c_str(), k.m_dClose, rate,
                              k.m_dClose * rate);
        };
        ImportIntervalQuestion question;
        question.summary = line(oldest) + "\n...\n" + line(newest);
        if (convert) {
            int withoutRate = 0;
            for (const CKurs& k : found)
                if (rateOn(k.m_dtDate) == 0.0)
                    ++withoutRate;
            if (withoutRate > 0)
                question.summary += formatText("\n\n%i of these quotations have no exchange rate on or before their "
                                               "date and will not be imported.",
                                               withoutRate);
        }
        const int count = static_cast<int>(found.size());
        DOC_LOG(LOG_LEVEL_INFO, "Import engine found %i quotations in file:\n\n%s\n\nAdd quotations to item?", count,
                question.summary.c_str());

        question.itemName = GetItemName(pos);
        question.countLine = formatText("%i quotations found:", count);
        const OleDate rangeStart = dayStart(oldest.m_dtDate);
        const OleDate rangeEnd = dayEnd(newest.m_dtDate);
        question.begin = dateLater(from, rangeStart) ? from : rangeStart;
        question.end = dateEarlier(to, rangeEnd) ? to : rangeEnd;
        // Without a host nobody can confirm: the import counts as declined.
        if (!m_portfolioHost || !m_portfolioHost->askImportInterval(question))
            return false;
        begin = question.begin;
        end = question.end;
        DOC_LOG(LOG_LEVEL_INFO, "Importing quotations within: %s - %s", docLogDate(begin).c_str(),
                docLogDate(end).c_str());
    } else {
        if (dateLater(from, to))
            std::swap(from, to);
        from = dayStart(from);
        to = dayEnd(to);
        begin = from;
        end = to;
    }

    const bool sameDay = programOptions().DisableIntraday != 0;
    int skipped = 0;
    {
        const WaitCursor wait(m_portfolioHost);
        const ListLock lock(*this);
        for (auto record = found.rbegin(); record != found.rend(); ++record) {
            CKurs& k = *record;
            if (confirm)
                DOC_LOG(LOG_LEVEL_INFO, "Checking quotation %s %3.4lf", docLogDate(k.m_dtDate).c_str(), k.m_dClose);
            if (!dateLaterOrEqual(k.m_dtDate, begin) || !dateEarlierOrEqual(k.m_dtDate, end))
                continue;
            if (convert) {
                // Without a rate the value cannot be converted: the record is left out, not
                // imported as 0.
                const double rate = rateOn(k.m_dtDate);
                if (rate == 0.0) {
                    DOC_LOG(LOG_LEVEL_INFO, "Skipping quotation %s %3.4lf: no exchange rate",
                            docLogDate(k.m_dtDate).c_str(), k.m_dClose);
                    ++skipped;
                    continue;
                }
                k.scalePrices(rate);
                DOC_LOG(LOG_LEVEL_INFO, "Converted quotation currency to %s %3.4lf", docLogDate(k.m_dtDate).c_str(),
                        k.m_dClose);
            }
            AddQuotationToItem(pos, k, sameDay, false);
        }
        SetModifiedFlag();
        UpdateAllViews(nullptr, pos);
        const ItemPos history = FindInvestmentHistoryItem();
        if (history != kNoItemPos && history != pos)
            UpdateAllViews(nullptr, history);
    }
    // Told once the views are up to date, the lock is free and the wait cursor is gone.
    if (!skippedNote.empty()) {
        DOC_LOG(LOG_LEVEL_INFO, "%s", skippedNote.c_str());
        notifyUser(PortfolioNotice::Kind::Warning, skippedNote);
    }
    if (skipped > 0) {
        std::string text = formatText("%i quotations were not imported into \"%s\": the exchange-rate item \"%s\" has "
                                      "no quotation (or one of 0) on or before their dates.",
                                      skipped, GetItemName(pos).c_str(), GetItemName(rateItem).c_str());
        DOC_LOG(LOG_LEVEL_INFO, "%s", text.c_str());
        notifyUser(PortfolioNotice::Kind::Warning, std::move(text));
    }
    return true;
}
