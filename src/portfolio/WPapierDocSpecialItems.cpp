// Items the document creates: the cash account (or its repair from a legacy "Liquidity" item), the
// investment history, new items with the server configuration of the user's country, exchange-rate
// items; and the switch that aborts all downloads.

#include "platform/TextCodec.h"
#include "platform/UserLocale.h"
#include "portfolio/DocLog.h"
#include "portfolio/ItemDefaults.h"
#include "portfolio/WPapierDoc.h"

#include <array>
#include <string_view>

namespace {

constexpr const char* kCashAccountName = " Cash Account";
constexpr const char* kInvestmentHistoryName = " Investment History";
constexpr const char* kExchangeRateServer = "Yahoo Currencies";
constexpr const char* kDefaultCountryServer = "US-Yahoo";

struct CountryRow {
    std::array<const char*, 4> names; // null-terminated early where a row has fewer
    const char* server;
};

// The ISO code of the United Kingdom is GB; the row names UK as well, as it always did.
const std::array<CountryRow, 10> kCountryTable = {{
    {{"DE", "Germany", "Deutschland", nullptr}, "DE-Tradegate"},
    {{"AT", "Austria", "\xC3\x96sterreich", nullptr}, "AT-Wiener Boerse"},
    {{"CH", "Switzerland", "Schweiz", nullptr}, "CH-SWX"},
    {{"PT", "Portugal", nullptr, nullptr}, "PT-BVL"},
    {{"BR", "Brazil", "Brasil", nullptr}, "BR-Yahoo"},
    {{"US", "United States", nullptr, nullptr}, "US-Yahoo"},
    {{"UK", "GB", "United Kingdom", nullptr}, "UK-Yahoo Finance"},
    {{"FR", "France", nullptr, nullptr}, "FR-Yahoo Finance"},
    {{"ES", "Spain", nullptr, nullptr}, "ES-Yahoo Finanzas"},
    {{"IT", "Italy", "Italia", nullptr}, "IT-Yahoo Finanza"},
}};

// Case folding of Latin letters (ASCII and the Latin-1 letters, so "Österreich" matches
// "ÖSTERREICH").
std::u16string folded(std::string_view text) {
    std::u16string out = textcodec::utf8ToUtf16(text);
    for (char16_t& c : out)
        if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            c = static_cast<char16_t>(c + 32);
    return out;
}

} // namespace

void CWPapierDoc::applyCreatedItemDefaults(CWPapier& item, SpecialKind kind) {
    switch (kind) {
    case SpecialKind::CashAccount:
    case SpecialKind::InvestmentHistory:
        item.m_strName = kind == SpecialKind::CashAccount ? kCashAccountName : kInvestmentHistoryName;
        item.m_strSymbol.clear();
        item.m_Server.m_strName = kLocalDefinitionName;
        item.m_crColor = kind == SpecialKind::CashAccount ? 0xFF0000 : 0x000000;
        break;
    case SpecialKind::ExchangeRate:
        // Name and symbol are the caller's.
        item.m_Server.m_strName = kExchangeRateServer;
        item.m_crColor = 0x7F7F7F;
        break;
    }
    item.m_bCashAccount = kind == SpecialKind::CashAccount ? 1 : 0;
    item.m_bInvestmentHistory = kind == SpecialKind::InvestmentHistory ? 1 : 0;
    item.m_bDownloadEnabled = kind == SpecialKind::ExchangeRate ? 1 : 0;
    item.m_strNote.clear();
    item.m_bDownloadPending = 0;

    ServerSettings& s = item.m_Server;
    s.m_strURL = "http://";
    s.m_nTimeout = 180;
    s.m_nFormat = 0;
    s.m_strTextBeforeValue = "[&symbol]";
    s.m_nHtmlBeforeValue = 0;
    s.m_nNumbersBeforeValue = 0;
    s.m_bNoCaseSensitive = 1;
    s.m_nFiltering = 0;
    s.m_bRegExpExtractDate = 0;
    setDefaultItemRegExp(s);

    item.m_bChartEnabled = 1;
    item.m_bGrid = 1;
    item.m_nGraphValues = 0;
    item.m_nAxisValues = 1;
    const OleDate now = OleDate::GetCurrentTime();
    item.m_dtBegin = now;
    item.m_dtEnd = now + OleDateSpan(365, 0, 0, 0);
    item.m_bBegin = 0;
    item.m_bEnd = 0;
    item.m_bBreakEvenLine = 0;
    item.m_bTransactionMarks = 0;
    item.m_bAlarmAbove = 0;
    item.m_bAlarmBelow = 0;
    item.m_bAlarmBreakEven = 0;
    item.m_dAlarmAbove = 0.0;
    item.m_dAlarmBelow = 0.0;
    item.m_dAlarmBreakEvenPercent = 20.0;
    item.m_dUnits = 0.0;
    item.m_dBreakEven = 0.0;
    item.m_dAveragePrice = 0.0;
    item.m_bConvertCurrency = false;
    item.m_pCurrencyItem = nullptr;
    item.m_strFormula.clear();
    item.m_bFormulaPercent = false;
    item.m_pFormulaItemX = &item;
    item.m_pFormulaItemY = &item;
    item.m_nFormulaValueX = 0;
    item.m_nFormulaValueY = 0;
}

// ---------------------------------------------------------------- the special items

void CWPapierDoc::CheckCashAccount() {
    const ListLock lock(*this);
    CWPapier* cash = nullptr;
    CWPapier* legacy = nullptr;
    for (const auto& item : m_WPList) {
        if (item->m_bCashAccount) {
            if (!cash)
                cash = item.get();
        } else if (!item->m_bInvestmentHistory &&
                   textcodec::startsWithIgnoringAsciiCase(item->m_strName, "Liquidity")) {
            legacy = item.get(); // the last one counts
        }
    }
    if (legacy && (!cash || cash->IsTransactionListEmpty())) {
        // A file written before the cash account had its flag: its "Liquidity" item is the
        // account, with its category, quotations and transactions.
        DOC_LOG(LOG_LEVEL_INFO, "Turning '%s' into the cash account", legacy->m_strName.c_str());
        applyCreatedItemDefaults(*legacy, SpecialKind::CashAccount);
        rebuildCashBalance(*legacy);
        legacy->RecalculateAverageInvestPrice();
        if (cash)
            removeItemLocked(cash->id());
    } else if (!legacy && !cash) {
        auto created = std::make_unique<CWPapier>();
        applyCreatedItemDefaults(*created, SpecialKind::CashAccount);
        appendItemLocked(std::move(created));
    }
}

ItemPos CWPapierDoc::CreateInvestmentHistoryItem() {
    const ListLock lock(*this);
    if (const ItemPos existing = FindInvestmentHistoryItem(); existing != kNoItemPos)
        return existing;
    auto created = std::make_unique<CWPapier>();
    applyCreatedItemDefaults(*created, SpecialKind::InvestmentHistory);
    const ItemPos pos = created->id();
    appendItemLocked(std::move(created));
    return pos;
}

// ---------------------------------------------------------------- new and exchange-rate items

std::string CWPapierDoc::ServerConfigurationForCountry(std::string_view country) {
    const std::u16string wanted = folded(country);
    for (const CountryRow& row : kCountryTable)
        for (const char* name : row.names)
            if (name && folded(name) == wanted)
                return row.server;
    return kDefaultCountryServer;
}

void CWPapierDoc::setCountryProvider(CountryProvider provider) {
    m_countryProvider = std::move(provider);
}

ItemPos CWPapierDoc::AddNewItem(const ItemProperties& p) {
    auto item = std::make_unique<CWPapier>();
    CWPapier& it = *item;
    it.m_bDownloadPending = 0;
    it.m_bInvestmentHistory = 0;
    it.m_bCashAccount = 0;

    const std::optional<std::string> country = m_countryProvider ? m_countryProvider() : userlocale::userCountry();
    if (country && !country->empty()) {
        DOC_LOG(LOG_LEVEL_INFO, "** Local country: %s", country->c_str());
        it.m_Server.m_strName = ServerConfigurationForCountry(*country);
    } else {
        it.m_Server.m_strName = kDefaultCountryServer;
    }
    copyServerSettings(it.m_Server, p.m_Server, false);

    const ListLock lock(*this);
    applyPropertiesLocked(it, p);

    const ItemPos pos = it.id();
    appendItemLocked(std::move(item));
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
    return pos;
}

std::string CWPapierDoc::CurrencyCode(std::string_view text) {
    const std::size_t open = text.find('(');
    const std::size_t close = text.find(')');
    const long long c = open == std::string_view::npos ? 0 : static_cast<long long>(open) + 1;
    const long long e = close == std::string_view::npos ? -1 : static_cast<long long>(close);
    if (c < e - 1)
        return std::string(text.substr(static_cast<std::size_t>(c), static_cast<std::size_t>(e - c)));
    return std::string(text);
}

CWPapier* CWPapierDoc::CreateExchangeRateItem(const std::string& currency, const std::string& currency2) {
    auto item = std::make_unique<CWPapier>();
    applyCreatedItemDefaults(*item, SpecialKind::ExchangeRate);
    item->m_strName = currency + " / " + currency2;
    item->m_strSymbol = CurrencyCode(currency) + CurrencyCode(currency2);
    CWPapier* created = item.get();
    const ListLock lock(*this);
    appendItemLocked(std::move(item));
    SetModifiedFlag();
    UpdateAllViews(nullptr, 0);
    return created;
}

// ---------------------------------------------------------------- aborting downloads

void CWPapierDoc::AbortDownloads() {
    AbortAllDownloads(); // also wakes whoever waits for one of m_SemaphoreDownloads
}
