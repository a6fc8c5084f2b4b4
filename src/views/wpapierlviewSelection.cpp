#include "views/wpapierlviewSelection.h"
#include "framework/StringTable.h"

#include "log/NumberFormat.h"
#include "platform/TextCodec.h"
#include "portfolio/WPapierDoc.h"
#include "views/GraphViewLayout.h"
#include "views/wpapierlviewLog.h"
#include "views/wpapierlviewStrings.h"

#include <algorithm>

namespace {

// The change of `total` since an earlier value; no percentage against 0.
void changeSince(double total, double earlier, double& change, double& percent) {
    change = total - earlier;
    if (earlier != 0.0)
        percent = total * 100.0 / earlier - 100.0;
}

} // namespace

RowSelectionState newRowSelectionState(const ListSelection& selection, ItemPos pos) {
    if (pos != kNoItemPos && pos == selection.m_posCurrentItem)
        return {true, true};
    const auto& selected = selection.m_SelectedItems;
    return {false, std::find(selected.begin(), selected.end(), pos) != selected.end()};
}

SelectionCheck OnSelectionChanged(ListSelection& selection, const ListRowsSelection& rows, CWPapierDoc& doc,
                                  const OleDate& now) {
    const std::size_t previousCount = selection.m_SelectedItems.size();
    const ItemPos previousCurrent = selection.m_posCurrentItem;
    const bool previousCurrentSelected = selection.m_bCurrentItemSelected;
    selection.m_SelectedItems.clear();
    selection.m_ChartItems.clear();
    selection.m_posCurrentItem = rows.focused;
    selection.m_bCurrentItemSelected = rows.focused != kNoItemPos && rows.focusedSelected;

    {
        const auto lock = doc.LockList();
        for (ItemPos pos : rows.selected) {
            if (!doc.GetItem(pos))
                continue;
            selection.m_SelectedItems.push_back(pos);
            selection.m_ChartItems.push_back(pos);
        }
        if (selection.m_ChartItems.size() > 1)
            std::erase_if(selection.m_ChartItems, [&](ItemPos pos) { return doc.GetItem(pos)->m_bCashAccount != 0; });
    }

    SelectionCheck check;
    check.changed = selection.m_posCurrentItem != previousCurrent ||
                    selection.m_SelectedItems.size() != previousCount ||
                    selection.m_bCurrentItemSelected != previousCurrentSelected;
    if (!check.changed)
        return check;
    LV_LOG(LOG_LEVEL_DEBUG, "Modified ListView selection: %i items selected",
           static_cast<int>(selection.m_SelectedItems.size()));
    if (selection.m_SelectedItems.empty())
        return check;
    const double volume = selectionVolume(doc, selection.m_SelectedItems, now);
    // The total only matters, and the history is only brought up to date, for a volume to share.
    const double total = volume > 0.0 ? GetInvestmentTotals(doc).total : 0.0;
    check.text = selectionSumText(volume, total);
    return check;
}

double selectionVolume(const CWPapierDoc& doc, std::span<const ItemPos> items, const OleDate& now) {
    const auto lock = doc.LockList();
    double volume = 0.0;
    for (ItemPos pos : items) {
        const CWPapier* item = doc.GetItem(pos);
        if (!item)
            continue;
        const double units = item->GetUnitsOnDate(now);
        if (units == 0.0 || item->IsQuotationListEmpty())
            continue;
        CKurs quotation;
        item->GetQuotationOnOrBefore(now, quotation);
        volume += units * quotation.m_dClose;
    }
    return volume;
}

std::string selectionSumText(double volume, double total) {
    if (!(volume > 0.0))
        return LoadString(IDS_READY);
    const std::string amount = FormatNumberGrouped("%.2lf", volume);
    // Without a positive total there is no share to show.
    if (!(total > 0.0))
        return textcodec::formatText(LoadString(IDS_SELECTION_VOLUME).c_str(), amount.c_str());
    const std::string share =
        textcodec::formatText(LoadString(IDS_SELECTION_SHARE).c_str(), amount.c_str(), volume * 100.0 / total);
    return textcodec::formatText(LoadString(IDS_SELECTION_VOLUME).c_str(), share.c_str());
}

InvestmentTotals GetInvestmentTotals(CWPapierDoc& doc) {
    InvestmentTotals t;
    const auto lock = doc.LockList();
    const ItemPos historyPos = doc.FindInvestmentHistoryItem();
    if (!doc.GetItemAt(historyPos))
        return t;
    // From the values the document keeps: a refresh after one new quotation then costs no walk
    // over every item's quotations and transactions.
    CKurs computed;
    doc.CurrentSumInvestValue(computed);
    CKurs latest;
    if (!doc.GetItemAt(historyPos)->GetLastQuotation(latest))
        return t;
    LV_LOG(LOG_LEVEL_DEBUG, "Total investment current: %s %.2lf, latest on list: %s %.2lf",
           computed.m_dtDate.Format("%x").c_str(), computed.m_dClose, latest.m_dtDate.Format("%x").c_str(),
           latest.m_dClose);
    if (dateEarlier(latest.m_dtDate, computed.m_dtDate) ||
        (datesEqual(latest.m_dtDate, computed.m_dtDate) && latest.m_dClose != computed.m_dClose)) {
        doc.UpdateSumInvestValue();
        doc.GetItemAt(historyPos)->GetLastQuotation(latest);
    }
    const CWPapier& history = *doc.GetItemAt(historyPos);
    t.total = latest.m_dClose;
    CKurs previous;
    t.havePrevious = history.GetPreviousQuotation(previous);
    if (t.havePrevious)
        changeSince(t.total, previous.m_dClose, t.changeSincePrevious, t.percentSincePrevious);
    CKurs first;
    t.haveFirst = history.GetFirstQuotation(first);
    if (t.haveFirst)
        changeSince(t.total, first.m_dClose, t.changeSinceFirst, t.percentSinceFirst);
    return t;
}

std::string totalInvestmentText(const InvestmentTotals& t, bool procentualValue) {
    const std::string total = FormatNumberGrouped("%4.2lf", t.total);
    if (!t.haveFirst)
        return textcodec::formatText(LoadString(IDS_TOTAL_INVESTMENT).c_str(), total.c_str());
    if (!t.havePrevious)
        return textcodec::formatText(
            LoadString(procentualValue ? IDS_TOTAL_INVESTMENT_PERCENT : IDS_TOTAL_INVESTMENT_AMOUNT).c_str(),
            total.c_str());
    if (procentualValue)
        return textcodec::formatText(LoadString(IDS_TOTAL_INVESTMENT_PERCENT_LAST).c_str(), total.c_str(),
                                     t.percentSincePrevious);
    const std::string change = FormatNumberGrouped("%+4.2lf", t.changeSincePrevious);
    return textcodec::formatText(LoadString(IDS_TOTAL_INVESTMENT_AMOUNT_LAST).c_str(), total.c_str(), change.c_str());
}
