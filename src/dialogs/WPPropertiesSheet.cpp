#include "dialogs/WPPropertiesSheet.h"

#include "dialogs/DialogIds.h"
#include "dialogs/DialogParts.h"
#include "dialogs/DlgPageDownload.h"
#include "dialogs/ItemSheetIds.h"
#include "framework/StringTable.h"
#include "platform/Settings.h"
#include "portfolio/WPapierDoc.h"

#include <algorithm>

ItemKind ItemKindOf(const CWPapier& item) {
    if (item.m_bInvestmentHistory)
        return ItemKind::InvestmentHistory;
    if (item.m_bCashAccount)
        return ItemKind::CashAccount;
    return ItemKind::Ordinary;
}

std::vector<ItemSheetPage> ItemSheetPages(ItemKind kind) {
    using P = ItemSheetPage;
    switch (kind) {
    case ItemKind::InvestmentHistory:
        return {P::Chart, P::Quotations, P::Transactions, P::Advanced};
    case ItemKind::CashAccount:
        return {P::Chart, P::Statement, P::Advanced};
    case ItemKind::Ordinary:
        break;
    }
    return {P::General, P::Currency, P::Chart, P::Quotations, P::Investment, P::Advanced};
}

QSize ItemSheetPageSize(ItemSheetPage which, const QFontMetrics& metrics) {
    // Average character widths by line heights, a little above what each page asks for.
    QSize units;
    switch (which) {
    case ItemSheetPage::General:
        units = {75, 27};
        break;
    case ItemSheetPage::Currency:
        units = {85, 14};
        break;
    case ItemSheetPage::Chart:
        units = {69, 28};
        break;
    case ItemSheetPage::Quotations:
        units = {127, 24};
        break;
    case ItemSheetPage::Investment:
        units = {122, 28};
        break;
    case ItemSheetPage::Statement:
        units = {110, 19};
        break;
    case ItemSheetPage::Transactions:
        units = {116, 16};
        break;
    case ItemSheetPage::Advanced:
        units = {66, 17};
        break;
    }
    return {units.width() * metrics.averageCharWidth(), units.height() * metrics.height()};
}

int ItemSheetStartIndex(ItemKind kind, int wanted) {
    if (kind == ItemKind::InvestmentHistory && wanted >= 2 && wanted <= 4)
        return wanted - 2;
    if (kind == ItemKind::CashAccount && wanted >= 2 && wanted <= 4)
        return wanted == 2 ? 0 : 1;
    return wanted;
}

std::string TemplateNameShown(const std::string& serverName) {
    return serverName.empty() ? LoadString(IDS_LOCAL_DEFINITION) : serverName;
}

std::string ServerNameStored(const std::string& templateName) {
    return templateName == LoadString(IDS_LOCAL_DEFINITION) ? std::string() : templateName;
}

ItemProperties ItemPropertiesOf(const CWPapier& item) {
    ItemProperties p;
    p.m_strName = item.m_strName;
    p.m_strSymbol = item.m_strSymbol;
    p.m_strCategory = item.m_strCategory;
    p.m_strNote = item.m_strNote;
    p.m_bDownloadEnabled = item.m_bDownloadEnabled != 0;
    p.m_Server = item.m_Server;
    p.m_bChartEnabled = item.m_bChartEnabled;
    p.m_bGrid = item.m_bGrid;
    p.m_nGraphValues = item.m_nGraphValues;
    p.m_nAxisValues = item.m_nAxisValues;
    p.m_dtBegin = item.m_dtBegin;
    p.m_dtEnd = item.m_dtEnd;
    p.m_bBegin = item.m_bBegin;
    p.m_bEnd = item.m_bEnd;
    p.m_crColor = item.m_crColor;
    p.m_bBreakEvenLine = item.m_bBreakEvenLine;
    p.m_bTransactionMarks = item.m_bTransactionMarks;
    p.m_bAlarmAbove = item.m_bAlarmAbove;
    p.m_bAlarmBelow = item.m_bAlarmBelow;
    p.m_bAlarmBreakEven = item.m_bAlarmBreakEven;
    p.m_dAlarmAbove = item.m_dAlarmAbove;
    p.m_dAlarmBelow = item.m_dAlarmBelow;
    p.m_dAlarmBreakEvenPercent = item.m_dAlarmBreakEvenPercent;
    p.m_dUnits = item.m_dUnits;
    p.m_dBreakEven = item.m_dBreakEven;
    p.m_dAveragePrice = item.m_dAveragePrice;
    p.m_bConvertCurrency = item.m_bConvertCurrency;
    p.m_pCurrencyItem = item.m_pCurrencyItem;
    p.m_strFormula = item.m_strFormula;
    p.m_bFormulaPercent = item.m_bFormulaPercent;
    p.m_pFormulaItemX = item.m_pFormulaItemX;
    p.m_nFormulaValueX = item.m_nFormulaValueX;
    p.m_pFormulaItemY = item.m_pFormulaItemY;
    p.m_nFormulaValueY = item.m_nFormulaValueY;
    return p;
}

CWPPropertiesSheet::CWPPropertiesSheet(Services services, CWPapierDoc* doc, ServerPropDocument* serverDoc,
                                       QWidget* parent)
    : PropertySheet(IDS_PROPERTIES, toQString(LoadString(IDS_PROPERTIES)), services, parent),
      m_pageGeneral(services, serverDoc), m_pageChart(services), m_pageQuotations(services),
      m_pageInvestment(services), m_pageStatement(services), m_pageTransactions(services), m_pageCurrency(services),
      m_pageAdvanced(services), m_pDoc(doc) {
    m_pageGeneral.m_pDoc = doc;
    m_pageGeneral.m_applyCurrencySettings = [this](CWPapier& item) {
        // The Currency page's values as of its last exchange (or as the launcher set them).
        item.m_bConvertCurrency = m_pageCurrency.m_bConvertCurrency != 0;
        item.m_pCurrencyItem = m_pDoc ? m_pDoc->GetItem(m_pageCurrency.m_posCurrencyItem) : nullptr;
    };
    m_pageQuotations.m_getName = [this] { return m_pageGeneral.m_strName; };
    m_pageQuotations.m_getSymbol = [this] { return m_pageGeneral.m_strSymbol; };
    m_pageQuotations.m_refreshInvestment = [this] { refreshInvestmentPage(); };
    m_pageInvestment.m_pDoc = doc;
    m_pageStatement.m_pDoc = doc;
    m_pageTransactions.m_pDoc = doc;
    m_pageCurrency.m_pDoc = doc;
    m_pageAdvanced.m_pDoc = doc;
}

CWPPropertiesSheet::~CWPPropertiesSheet() {
    ReleasePages(); // the member pages go next
}

ItemKind CWPPropertiesSheet::kind() const {
    if (m_bInvestmentHistoryItem)
        return ItemKind::InvestmentHistory;
    if (m_bCashAccountItem)
        return ItemKind::CashAccount;
    return ItemKind::Ordinary;
}

PropertyPage* CWPPropertiesSheet::page(ItemSheetPage which) {
    switch (which) {
    case ItemSheetPage::General:
        return &m_pageGeneral;
    case ItemSheetPage::Currency:
        return &m_pageCurrency;
    case ItemSheetPage::Chart:
        return &m_pageChart;
    case ItemSheetPage::Advanced:
        return &m_pageAdvanced;
    case ItemSheetPage::Quotations:
    case ItemSheetPage::Investment:
    case ItemSheetPage::Statement:
    case ItemSheetPage::Transactions:
        break;
    }
    // The pages that act on the document only with a document and an item.
    if (!m_pageQuotations.m_pDoc || m_pageQuotations.m_posItem == kNoItemPos)
        return nullptr;
    switch (which) {
    case ItemSheetPage::Quotations:
        return &m_pageQuotations;
    case ItemSheetPage::Investment:
        return &m_pageInvestment;
    case ItemSheetPage::Statement:
        return &m_pageStatement;
    case ItemSheetPage::Transactions:
        return &m_pageTransactions;
    default:
        return nullptr;
    }
}

void CWPPropertiesSheet::addPages() {
    if (m_bPagesAdded)
        return;
    m_bPagesAdded = true;
    const std::vector<ItemSheetPage> pages = ItemSheetPages(kind());
    const ItemSheetPage start = pages.at(std::clamp(m_nStartIndex, 0, int(pages.size()) - 1));
    int startIndex = 0;
    QSize room(0, 0);
    for (ItemSheetPage which : pages)
        if (PropertyPage* p = page(which)) {
            if (which == start)
                startIndex = GetPageCount();
            AddPage(p);
            QSize needs = ItemSheetPageSize(which, fontMetrics());
            // The Investment page's list shows all its columns and the scroll bar.
            if (which == ItemSheetPage::Investment)
                needs.rwidth() += CWPInvestPropPage::ExtraListWidth(*this, *services().settings);
            room = room.expandedTo(needs);
        }
    m_psh.nStartPage = startIndex;
    // The pages build their controls as they are first shown; the sheet has room for them all.
    SetMinimumPageSize(room);
}

void CWPPropertiesSheet::FillFromItem(const CWPapier& item, ItemPos pos, int quotationIndex) {
    CWPPropPage& g = m_pageGeneral;
    g.m_strName = item.m_strName;
    g.m_strSymbol = item.m_strSymbol;
    g.m_strCategory = item.m_strCategory;
    g.m_strNote = item.m_strNote;
    g.m_bDownloadEnabled = item.m_bDownloadEnabled;
    g.m_strTemplateName = TemplateNameShown(item.m_Server.m_strName);
    g.m_posItem = pos;
    g.SetLocalDefinition(item.m_Server);

    m_pageQuotations.m_pDoc = m_pDoc;
    m_pageQuotations.m_posItem = pos;
    m_pageQuotations.m_nSelectQuotation = quotationIndex;

    CWPGraphPropertyPage& c = m_pageChart;
    c.m_bCashAccount = item.m_bCashAccount;
    c.m_bInvestmentHistory = item.m_bInvestmentHistory;
    c.m_dtBegin = item.m_dtBegin;
    c.m_dtEnd = item.m_dtEnd;
    c.m_bBegin = item.m_bBegin;
    c.m_bEnd = item.m_bEnd;
    c.m_nGraphValues = item.m_nGraphValues;
    c.m_nAxisValues = item.m_nAxisValues;
    c.m_bChartEnabled = item.m_bChartEnabled;
    c.m_bGrid = item.m_bGrid;
    c.m_crColor = item.m_crColor;
    c.m_bBreakEvenLine = item.m_bBreakEvenLine;
    c.m_bTransactionMarks = item.m_bTransactionMarks;

    m_pageCurrency.m_posItem = pos;
    m_pageCurrency.m_bConvertCurrency = item.m_bConvertCurrency;
    m_pageCurrency.m_posCurrencyItem = item.m_pCurrencyItem ? item.m_pCurrencyItem->id() : kNoItemPos;

    CWPAdvancedPropPage& a = m_pageAdvanced;
    a.m_strFormula = item.m_strFormula;
    a.m_bFormulaPercent = item.m_bFormulaPercent;
    a.m_posFormulaItemX = item.m_pFormulaItemX ? item.m_pFormulaItemX->id() : kNoItemPos;
    a.m_nFormulaValueX = item.m_nFormulaValueX;
    a.m_posFormulaItemY = item.m_pFormulaItemY ? item.m_pFormulaItemY->id() : kNoItemPos;
    a.m_nFormulaValueY = item.m_nFormulaValueY;

    // The alarm fields travel through the Investment page whatever the kind: OK stores them back.
    CWPInvestPropPage& i = m_pageInvestment;
    i.m_bAlarmAbove = item.m_bAlarmAbove;
    i.m_bAlarmBelow = item.m_bAlarmBelow;
    i.m_bAlarmBreakEven = item.m_bAlarmBreakEven;
    i.m_dAlarmAbove = item.m_dAlarmAbove;
    i.m_dAlarmBelow = item.m_dAlarmBelow;
    i.m_dAlarmBreakEvenPercent = item.m_dAlarmBreakEvenPercent;

    const auto transactionsOf = [&] {
        if (m_pDoc)
            if (std::optional<std::vector<CTransaction>> copy = m_pDoc->GetTransactionListCopy(pos))
                return std::move(*copy);
        return item.GetTransactionListCopy();
    };
    CKurs newest;
    const bool hasQuotation = item.GetLastQuotation(newest);
    switch (ItemKindOf(item)) {
    case ItemKind::Ordinary:
        i.m_posItem = pos;
        i.m_strName = item.m_strName;
        i.m_dUnits = item.m_dUnits;
        i.m_dBreakEven = item.m_dBreakEven;
        i.m_dAveragePrice = item.m_dAveragePrice;
        i.SetTransactionList(transactionsOf());
        if (hasQuotation)
            i.m_LastQuotation = newest;
        break;
    case ItemKind::CashAccount: {
        CWPAccountPropPage& s = m_pageStatement;
        s.m_posItem = pos;
        s.m_strName = item.m_strName;
        s.m_nSelectTransaction = quotationIndex;
        s.SetTransactionList(transactionsOf());
        if (hasQuotation)
            s.m_LastQuotation = newest;
        break;
    }
    case ItemKind::InvestmentHistory:
        m_pageTransactions.m_nSelectTransaction = -1;
        if (m_pDoc)
            m_pageTransactions.SetTransactionList(m_pDoc->GetAllTransactionsSorted());
        break;
    }
}

void CWPPropertiesSheet::refreshInvestmentPage() {
    CWPInvestPropPage& page = m_pageInvestment;
    if (!m_pDoc || page.m_posItem == kNoItemPos)
        return;
    std::optional<std::vector<CTransaction>> transactions = m_pDoc->GetTransactionListCopy(page.m_posItem);
    {
        const auto lock = m_pDoc->LockList();
        const CWPapier* item = m_pDoc->GetItemAt(page.m_posItem);
        if (!item)
            return;
        page.m_dAlarmAbove = item->m_dAlarmAbove;
        page.m_dAlarmBelow = item->m_dAlarmBelow;
        CKurs newest;
        if (item->GetLastQuotation(newest))
            page.m_LastQuotation = newest;
    }
    page.SetTransactionList(std::move(transactions).value_or(std::vector<CTransaction>{}));
    if (page.IsCreated())
        page.FillTransactionList();
}

ItemProperties CWPPropertiesSheet::PropertiesFromPages(ItemProperties p) const {
    if (kind() == ItemKind::Ordinary)
        storeGeneral(p);

    const CWPGraphPropertyPage& c = m_pageChart;
    p.m_bChartEnabled = c.m_bChartEnabled;
    p.m_bGrid = c.m_bGrid;
    p.m_nGraphValues = c.m_nGraphValues;
    p.m_nAxisValues = c.m_nAxisValues;
    p.m_dtBegin = c.GetBeginDate();
    p.m_dtEnd = c.GetEndDate();
    p.m_bBegin = c.m_bBegin;
    p.m_bEnd = c.m_bEnd;
    p.m_crColor = c.m_crColor;
    p.m_bBreakEvenLine = c.m_bBreakEvenLine;
    p.m_bTransactionMarks = c.m_bTransactionMarks;

    const CWPInvestPropPage& i = m_pageInvestment;
    p.m_bAlarmAbove = i.m_bAlarmAbove;
    p.m_bAlarmBelow = i.m_bAlarmBelow;
    p.m_bAlarmBreakEven = i.m_bAlarmBreakEven;
    p.m_dAlarmAbove = i.m_dAlarmAbove;
    p.m_dAlarmBelow = i.m_dAlarmBelow;
    p.m_dAlarmBreakEvenPercent = i.m_dAlarmBreakEvenPercent;

    p.m_bConvertCurrency = m_pageCurrency.m_bConvertCurrency != 0;
    p.m_pCurrencyItem = m_pDoc ? m_pDoc->GetItem(m_pageCurrency.m_posCurrencyItem) : nullptr;

    const CWPAdvancedPropPage& a = m_pageAdvanced;
    p.m_strFormula = a.m_strFormula;
    p.m_bFormulaPercent = a.m_bFormulaPercent != 0;
    p.m_pFormulaItemX = m_pDoc ? m_pDoc->GetItem(a.m_posFormulaItemX) : nullptr;
    p.m_nFormulaValueX = a.m_nFormulaValueX;
    p.m_pFormulaItemY = m_pDoc ? m_pDoc->GetItem(a.m_posFormulaItemY) : nullptr;
    p.m_nFormulaValueY = a.m_nFormulaValueY;
    return p;
}

void CWPPropertiesSheet::storeGeneral(ItemProperties& p) const {
    const CWPPropPage& g = m_pageGeneral;
    p.m_strName = g.m_strName;
    p.m_strSymbol = g.m_strSymbol;
    p.m_strCategory = g.m_strCategory;
    p.m_strNote = g.m_strNote;
    p.m_bDownloadEnabled = g.m_bDownloadEnabled != 0;
    // Over the item's own settings: the fields the page does not hold (the regular expression's
    // groups, the symbol texts) stay as they are.
    g.ApplyLocalDefinition(p.m_Server);
    p.m_Server.m_strName = ServerNameStored(g.m_strTemplateName);
}

int CWPPropertiesSheet::DoModal() {
    addPages();
    return PropertySheet::DoModal();
}

void CWPPropertiesSheet::OnPageActivated(int index) {
    PropertySheet::OnPageActivated(index);
    // The pages that mirror buys into the cash account take the option as the options sheet last
    // stored it, read once, when the first of them shows (a launch that never shows them reads no
    // settings).
    const PropertyPage* active = GetPage(index);
    if (m_bCashOptionRead || (active != &m_pageInvestment && active != &m_pageTransactions))
        return;
    m_bCashOptionRead = true;
    const bool autoCash =
        !services().settings ||
        services().settings->readInt("GeneralOptions", "AutoCreateCashAccountTransactions", 1) != 0;
    m_pageInvestment.m_bAutoCreateCashAccountTransactions = autoCash;
    m_pageTransactions.m_bAutoCreateCashAccountTransactions = autoCash;
}

bool CWPPropertiesSheet::OnInitDialog() {
    PropertySheet::OnInitDialog();
    SetTitle(toQString(LoadString(IDS_PROPERTIES_OF) + m_pageGeneral.m_strName));
    return true;
}

int ShowItemProperties(CWPapierDoc& doc, ItemPos pos, int wanted, int quotationIndex, const Services& services,
                       const ItemSheetHooks& hooks, QWidget* parent, ItemSheetLaunch launch) {
    ItemKind kind = ItemKind::Ordinary;
    ItemProperties base;
    WPapierDocOperations operations(doc);
    CWPPropertiesSheet sheet(services, &doc, &operations, parent);
    {
        const auto lock = doc.LockList();
        const CWPapier* item = doc.GetItemAt(pos);
        if (!item)
            return 0;
        kind = ItemKindOf(*item);
        base = ItemPropertiesOf(*item);
        sheet.FillFromItem(*item, pos, quotationIndex);
    }
    sheet.SetInvestmentHistoryItem(kind == ItemKind::InvestmentHistory);
    sheet.SetCashAccountItem(kind == ItemKind::CashAccount);
    sheet.SetStartIndex(ItemSheetStartIndex(kind, wanted));
    sheet.m_pageGeneral.m_bNewItem = launch == ItemSheetLaunch::NewItem;
    sheet.m_pageQuotations.m_importItem = hooks.importItem;

    const int result = sheet.DoModal();
    if (result == IDOK) {
        doc.SetItemProperties(pos, sheet.PropertiesFromPages(base));
        if (sheet.m_pageQuotations.m_bUpdateRequested && hooks.updateItem)
            hooks.updateItem(pos);
    } else if (kind != ItemKind::InvestmentHistory) {
        {
            const auto lock = doc.LockList();
            if (CWPapier* item = doc.GetItemAt(pos))
                item->RecalculateAverageInvestPrice();
        }
        doc.UpdateAllViews(nullptr, 0);
    }
    return result;
}
