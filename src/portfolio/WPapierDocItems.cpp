// Operations on whole items: adding, deleting, setting properties and server settings, repairing
// links.

#include "portfolio/DocLog.h"
#include "portfolio/ItemPointerSet.h"
#include "portfolio/PortfolioArchive.h"
#include "portfolio/WPapierDoc.h"

#include <optional>

void CWPapierDoc::copyServerSettings(ServerSettings& target, const ServerSettings& source, bool withName) {
    if (withName)
        target.m_strName = source.m_strName;
    target.m_strURL = source.m_strURL;
    target.m_nTimeout = source.m_nTimeout;
    target.m_strThousands = source.m_strThousands;
    target.m_strDecimal = source.m_strDecimal;
    target.m_nFormat = source.m_nFormat;
    target.m_strTextBeforeValue = source.m_strTextBeforeValue;
    target.m_nHtmlBeforeValue = source.m_nHtmlBeforeValue;
    target.m_nNumbersBeforeValue = source.m_nNumbersBeforeValue;
    target.m_bNoCaseSensitive = source.m_bNoCaseSensitive;
    target.m_nFiltering = source.m_nFiltering;
    target.m_strRegExp = source.m_strRegExp;
    target.m_nRegExpQuotationIndex = source.m_nRegExpQuotationIndex;
    target.m_bRegExpExtractDate = source.m_bRegExpExtractDate;
    target.m_nRegExpDayIndex = source.m_nRegExpDayIndex;
    target.m_nRegExpMonthIndex = source.m_nRegExpMonthIndex;
    target.m_nRegExpYearIndex = source.m_nRegExpYearIndex;
    target.m_bRegExpExtractTime = source.m_bRegExpExtractTime;
    target.m_nRegExpHourIndex = source.m_nRegExpHourIndex;
    target.m_nRegExpMinuteIndex = source.m_nRegExpMinuteIndex;
    // The reserved integers, the symbol information and the symbol look-up address stay.
}

void CWPapierDoc::appendItemLocked(std::unique_ptr<CWPapier> item) {
    const ItemPos pos = item->id();
    DOC_LOG(LOG_LEVEL_DEBUG, "Adding item '%s'", item->m_strName.c_str());
    m_WPList.push_back(std::move(item));
    m_places.set(pos, m_WPList.size() - 1);
}

void CWPapierDoc::removeItemLocked(ItemPos pos) {
    const std::size_t place = m_places.find(pos);
    if (place == ItemPlaceIndex::npos)
        return;
    std::unique_ptr<CWPapier> removed = std::move(m_WPList[place]);
    m_WPList.erase(m_WPList.begin() + static_cast<std::ptrdiff_t>(place));
    rebuildIndexLocked();
    DOC_LOG(LOG_LEVEL_DEBUG, "Deleting item '%s'", removed->m_strName.c_str());
    // Nothing may name the item once it is gone.
    RepairItemLinks();
    removed.reset();
}

ItemPos CWPapierDoc::AddItem(std::unique_ptr<CWPapier> item) {
    if (!item)
        return kNoItemPos;
    const ListLock lock(*this);
    item->m_bDownloadPending = 0;
    // A portfolio holds one cash account and one investment history: an item claiming to be a
    // second one comes in as an ordinary item.
    if (item->m_bCashAccount && FindCashAccountItem() != kNoItemPos)
        item->m_bCashAccount = 0;
    if (item->m_bInvestmentHistory && FindInvestmentHistoryItem() != kNoItemPos)
        item->m_bInvestmentHistory = 0;
    const ItemPos pos = item->id();
    appendItemLocked(std::move(item));
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
    return pos;
}

std::vector<ItemPos> CWPapierDoc::AddItems(std::vector<std::unique_ptr<CWPapier>> items) {
    std::vector<ItemPos> positions;
    positions.reserve(items.size());
    const ListLock lock(*this);
    // The list is searched for a special item only when an appended item claims to be one, and
    // once: after that only the items appended here can add one.
    std::optional<bool> haveCashAccount;
    std::optional<bool> haveHistory;
    m_WPList.reserve(m_WPList.size() + items.size());
    m_places.reserve(m_WPList.size() + items.size());
    for (auto& item : items) {
        if (!item)
            continue;
        item->m_bDownloadPending = 0;
        if (item->m_bCashAccount) {
            if (!haveCashAccount)
                haveCashAccount = FindCashAccountItem() != kNoItemPos;
            if (*haveCashAccount)
                item->m_bCashAccount = 0;
            haveCashAccount = true;
        }
        if (item->m_bInvestmentHistory) {
            if (!haveHistory)
                haveHistory = FindInvestmentHistoryItem() != kNoItemPos;
            if (*haveHistory)
                item->m_bInvestmentHistory = 0;
            haveHistory = true;
        }
        positions.push_back(item->id());
        appendItemLocked(std::move(item));
    }
    if (positions.empty())
        return positions;
    SetModifiedFlag();
    // Each new item by its position: a list adds their rows and keeps the others.
    for (const ItemPos pos : positions)
        UpdateAllViews(nullptr, static_cast<std::int64_t>(pos));
    return positions;
}

bool CWPapierDoc::DeleteItem(ItemPos pos) {
    const ListLock lock(*this);
    if (!itemLocked(pos))
        return false;
    removeItemLocked(pos);
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
    return true;
}

int CWPapierDoc::DeleteItems(const std::vector<CWPapier*>& items) {
    const ListLock lock(*this);
    // Membership is checked before anything of a listed item is read: the list may name items
    // that are gone.
    const ItemPointerSet members(itemPointersLocked());
    ItemPointerSet doomed;
    for (const CWPapier* candidate : items) {
        if (!candidate || !members.contains(candidate) || doomed.contains(candidate))
            continue;
        if (candidate->m_bDownloadPending || candidate->m_bInvestmentHistory || candidate->m_bCashAccount)
            continue;
        doomed.insert(candidate);
    }
    std::vector<std::unique_ptr<CWPapier>> removed;
    if (!doomed.empty()) {
        std::vector<std::unique_ptr<CWPapier>> kept;
        kept.reserve(m_WPList.size() - doomed.size());
        for (auto& item : m_WPList) {
            if (doomed.contains(item.get())) {
                DOC_LOG(LOG_LEVEL_DEBUG, "Deleting item '%s'", item->m_strName.c_str());
                removed.push_back(std::move(item));
            } else {
                kept.push_back(std::move(item));
            }
        }
        m_WPList = std::move(kept);
        rebuildIndexLocked();
        RepairItemLinks();
        removed.clear();
    }
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
    return static_cast<int>(doomed.size());
}

bool CWPapierDoc::SetItemServerSettings(ItemPos pos, const ServerSettings& server) {
    const ListLock lock(*this);
    CWPapier* item = itemLocked(pos);
    if (!item)
        return false;
    copyServerSettings(item->m_Server, server, true);
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
    return true;
}

void CWPapierDoc::applyPropertiesLocked(CWPapier& item, const ItemProperties& p) const {
    item.m_strName = p.m_strName;
    item.m_strSymbol = p.m_strSymbol;
    item.m_strCategory = p.m_strCategory;
    item.m_strNote = p.m_strNote;
    item.m_bDownloadEnabled = p.m_bDownloadEnabled ? 1 : 0;

    item.m_bChartEnabled = p.m_bChartEnabled;
    item.m_bGrid = p.m_bGrid;
    item.m_nGraphValues = p.m_nGraphValues;
    item.m_nAxisValues = p.m_nAxisValues;
    item.m_dtBegin = p.m_dtBegin;
    item.m_dtEnd = p.m_dtEnd;
    item.m_bBegin = p.m_bBegin;
    item.m_bEnd = p.m_bEnd;
    item.m_crColor = p.m_crColor;
    item.m_bBreakEvenLine = p.m_bBreakEvenLine;
    item.m_bTransactionMarks = p.m_bTransactionMarks;

    item.m_bAlarmAbove = p.m_bAlarmAbove;
    item.m_bAlarmBelow = p.m_bAlarmBelow;
    item.m_bAlarmBreakEven = p.m_bAlarmBreakEven;
    item.m_dAlarmAbove = p.m_dAlarmAbove;
    item.m_dAlarmBelow = p.m_dAlarmBelow;
    item.m_dAlarmBreakEvenPercent = p.m_dAlarmBreakEvenPercent;
    item.m_dUnits = p.m_dUnits;
    item.m_dBreakEven = p.m_dBreakEven;
    item.m_dAveragePrice = p.m_dAveragePrice;

    // Links are taken only to items of this portfolio.
    const bool currencyKnown = IsItemInList(p.m_pCurrencyItem);
    item.m_bConvertCurrency = currencyKnown && p.m_bConvertCurrency;
    item.m_pCurrencyItem = currencyKnown ? p.m_pCurrencyItem : nullptr;
    item.m_strFormula = p.m_strFormula;
    item.m_bFormulaPercent = p.m_bFormulaPercent;
    item.m_pFormulaItemX = IsItemInList(p.m_pFormulaItemX) ? p.m_pFormulaItemX : &item;
    item.m_nFormulaValueX = p.m_nFormulaValueX;
    item.m_pFormulaItemY = IsItemInList(p.m_pFormulaItemY) ? p.m_pFormulaItemY : &item;
    item.m_nFormulaValueY = p.m_nFormulaValueY;
}

bool CWPapierDoc::SetItemProperties(ItemPos pos, const ItemProperties& p) {
    const ListLock lock(*this);
    CWPapier* item = itemLocked(pos);
    if (!item)
        return false;
    applyPropertiesLocked(*item, p);
    copyServerSettings(item->m_Server, p.m_Server, true);
    // Units, break-even and average price follow from the transactions.
    item->RecalculateAverageInvestPrice();
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
    return true;
}

void CWPapierDoc::RepairItemLinks() {
    const ListLock lock(*this);
    repairItemLinks(itemPointersLocked());
}
