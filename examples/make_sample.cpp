// Writes the sample portfolio of the README's run command. Its items read the pages in a folder
// of local pages (examples/pages) by file:// URLs with absolute paths, so the file is made for the
// folder it is given:
//
//   corvana_make_sample <pages folder> <portfolio.cvr> [YYYY-MM-DD]
//
// - "Acme Industries": a regular expression over the page's table row (symbol, price, volume);
// - "Greenfield Balanced Fund": the number after an anchor text;
// - "USD/EUR": an exchange rate, read by a regular expression;
// - "Northwind Corp.": a price in dollars, converted to euros by the USD/EUR item of the same run;
// - "Old Savings Bond": downloads disabled; its quotations stay as they are.
//
// Every item holds a year of daily closes (weekdays, 17:30) up to the day before the given day
// (today when none is given), so the window shows charts at once. The closes come from a fixed
// generator: the same day gives the same file. Each history ends near the value its page serves,
// so today's update continues it. Transactions: a deposit on the cash account, buys of three items,
// a sale and a dividend, each mirrored on the cash account; the investment history is built from
// them.

#include "platform/Clock.h"
#include "portfolio/WPapierDoc.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace {

// 0x00BBGGRR
constexpr std::uint32_t rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r | (g << 8) | (b << 16));
}

std::unique_ptr<CWPapier> makeItem(const std::string& name, const std::string& symbol, const std::string& url,
                                   std::uint32_t colour) {
    auto item = std::make_unique<CWPapier>();
    item->m_crColor = colour;
    item->m_strName = name;
    item->m_strSymbol = symbol;
    item->m_strCategory = "Sample";
    item->m_bDownloadEnabled = 1;
    item->m_Server.m_strURL = url;
    item->m_Server.m_nTimeout = 30;
    item->m_Server.m_strThousands = ",";
    item->m_Server.m_strDecimal = ".";
    item->m_Server.m_nFormat = 0;
    return item;
}

void byRegExp(CWPapier& item, const std::string& pattern) {
    item.m_Server.m_nFiltering = 1;
    item.m_Server.m_strRegExp = pattern;
}

void byAnchor(CWPapier& item, const std::string& anchor, int tags, int numbers) {
    item.m_Server.m_nFiltering = 0;
    item.m_Server.m_nFormat = 1; // anchor texts are searched in the semi-html form
    item.m_Server.m_strTextBeforeValue = anchor;
    item.m_Server.m_nHtmlBeforeValue = tags;
    item.m_Server.m_nNumbersBeforeValue = numbers;
}

// Uniform numbers in [0, 1) from a 32-bit Mersenne twister, whose sequence the standard fixes
// (unlike the distributions' algorithms), so every build writes the same closes.
class Generator {
public:
    explicit Generator(std::uint32_t seed) : m_engine(seed) {}
    double uniform() { return m_engine() / 4294967296.0; }
    // Roughly normal: the sum of twelve uniforms, less six.
    double normal() {
        double sum = 0.0;
        for (int i = 0; i < 12; ++i)
            sum += uniform();
        return sum - 6.0;
    }

private:
    std::mt19937 m_engine;
};

// The trading days (Monday to Friday) of the year before the day `end`, oldest first, at 17:30.
std::vector<OleDate> tradingDays(const OleDate& end) {
    std::vector<OleDate> days;
    const OleDate last(end.GetYear(), end.GetMonth(), end.GetDay(), 17, 30, 0);
    for (int back = 365; back >= 1; --back) {
        const OleDate day = last - OleDateSpan(static_cast<long long>(back), 0, 0, 0);
        const int weekday = day.GetDayOfWeek(); // 1 Sunday to 7 Saturday
        if (weekday != 1 && weekday != 7)
            days.push_back(day);
    }
    return days;
}

// The day of a "YYYY-MM-DD" text; an invalid date when it is none.
OleDate dayOf(const char* text) {
    int year = 0, month = 0, day = 0;
    char end = 0;
    if (std::sscanf(text, "%4d-%2d-%2d%c", &year, &month, &day, &end) != 3) {
        OleDate none;
        none.SetStatus(OleDate::invalid);
        return none;
    }
    return OleDate(year, month, day, 0, 0, 0);
}

// Closes for `days` that drift by `drift` a day on average with a daily spread of `volatility`,
// walked back from a last close near `last`; rounded to `decimals` places.
std::vector<double> walk(Generator& random, std::size_t days, double last, double drift, double volatility,
                         int decimals) {
    std::vector<double> closes(days);
    const double scale = std::pow(10.0, decimals);
    double value = last * std::exp(volatility * random.normal());
    for (std::size_t i = days; i-- > 0;) {
        closes[i] = std::round(value * scale) / scale;
        value /= std::exp(drift + volatility * random.normal());
    }
    return closes;
}

// The quotations of `closes` on `days`: the open is the close before, high and low a little
// beyond both, a volume when `volume` is above 0.
void addQuotations(CWPapier& item, Generator& random, const std::vector<OleDate>& days,
                   const std::vector<double>& closes, double volume) {
    for (std::size_t i = 0; i < days.size(); ++i) {
        CKurs quotation(days[i], closes[i]);
        quotation.m_dOpen = i > 0 ? closes[i - 1] : closes[i];
        quotation.m_dHigh = std::max(quotation.m_dOpen, closes[i]) * (1.0 + 0.006 * random.uniform());
        quotation.m_dLow = std::min(quotation.m_dOpen, closes[i]) * (1.0 - 0.006 * random.uniform());
        if (volume > 0)
            quotation.m_dVolume = std::round(volume * (0.5 + random.uniform()));
        item.AddQuotation(quotation, false);
    }
}

// A transaction at 10:00 on trading day `day`.
CTransaction transaction(int type, const OleDate& day, double units, double price, double taxes) {
    const OleDate at(day.GetYear(), day.GetMonth(), day.GetDay(), 10, 0, 0);
    return CTransaction(type, at, units, price, taxes, CTransaction::kRecurrenceNone, false, OleDate(), "");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fputs("usage: corvana_make_sample <pages folder> <portfolio.cvr> [YYYY-MM-DD]\n", stderr);
        return 2;
    }
    const OleDate today = argc == 4 ? dayOf(argv[3]) : OleDate::GetCurrentTime();
    if (today.GetStatus() != OleDate::valid) {
        std::fprintf(stderr, "corvana_make_sample: %s is no day (YYYY-MM-DD)\n", argv[3]);
        return 2;
    }
    // A given day also stands for "now" wherever the portfolio asks the clock (its investment
    // history ends at now), so the same day always gives the same file.
    FixedClock dayClock;
    std::optional<ScopedClock> fixedNow;
    if (argc == 4) {
        const auto noon = OleDate(today.GetYear(), today.GetMonth(), today.GetDay(), 12, 0, 0).toTimeT();
        if (noon) {
            dayClock.set(std::chrono::system_clock::from_time_t(*noon));
            fixedNow.emplace(dayClock);
        }
    }
    std::error_code ec;
    const std::filesystem::path pages = std::filesystem::absolute(argv[1], ec).lexically_normal();
    const std::filesystem::path target = argv[2];
    for (const char* page : {"acme.html", "greenfield-fund.html", "usd-eur.html", "northwind.html"}) {
        if (!std::filesystem::is_regular_file(pages / page, ec)) {
            std::fprintf(stderr, "corvana_make_sample: %s is missing\n", (pages / page).c_str());
            return 1;
        }
    }
    const auto url = [&pages](const char* page) { return "file://" + (pages / page).string(); };

    const std::vector<OleDate> days = tradingDays(today);
    const std::size_t n = days.size();
    Generator random(20240517u);

    CWPapierDoc doc(nullptr);
    doc.OnNewDocument();

    // Each history ends near the value its page serves.
    auto acme = makeItem("Acme Industries", "ACME", url("acme.html"), rgb(0, 90, 200));
    byRegExp(*acme, "<td>[&symbol]</td><td>[^<]*</td><td>[&quotation_close]</td><td>[&volume]</td>");
    const std::vector<double> acmeCloses = walk(random, n, 1234.56, 0.0012, 0.014, 2);
    addQuotations(*acme, random, days, acmeCloses, 48200);
    CWPapier* acmeItem = acme.get();
    doc.AddItem(std::move(acme));

    auto fund = makeItem("Greenfield Balanced Fund", "GBF", url("greenfield-fund.html"), rgb(30, 140, 60));
    byAnchor(*fund, "Net asset value per share:", 1, 0);
    const std::vector<double> fundCloses = walk(random, n, 87.12, 0.0003, 0.004, 2);
    addQuotations(*fund, random, days, fundCloses, 0);
    CWPapier* fundItem = fund.get();
    doc.AddItem(std::move(fund));

    auto rate = makeItem("USD/EUR", "USDEUR", url("usd-eur.html"), rgb(120, 120, 120));
    byRegExp(*rate, "<td>USD/EUR</td><td>[&quotation_close]</td>");
    const std::vector<double> rates = walk(random, n, 0.92, -0.0001, 0.003, 4);
    addQuotations(*rate, random, days, rates, 0);
    CWPapier* rateItem = rate.get();
    doc.AddItem(std::move(rate));

    // Held in euros: the dollar price of each day times that day's rate.
    auto northwind = makeItem("Northwind Corp.", "NWC", url("northwind.html"), rgb(200, 60, 40));
    byAnchor(*northwind, "Last price (USD):", 1, 0);
    northwind->m_bConvertCurrency = true;
    northwind->m_pCurrencyItem = rateItem;
    std::vector<double> northwindCloses = walk(random, n, 50.0, -0.0004, 0.02, 2);
    for (std::size_t i = 0; i < n; ++i)
        northwindCloses[i] = std::round(northwindCloses[i] * rates[i] * 100.0) / 100.0;
    addQuotations(*northwind, random, days, northwindCloses, 125000);
    CWPapier* northwindItem = northwind.get();
    doc.AddItem(std::move(northwind));

    auto bond = makeItem("Old Savings Bond", "OSB", url("old-savings-bond.html"), rgb(150, 90, 10));
    bond->m_bDownloadEnabled = 0;
    addQuotations(*bond, random, days, walk(random, n, 101.25, 0.00005, 0.0008, 2), 0);
    doc.AddItem(std::move(bond));

    // The money first, then what it bought; every investment transaction mirrored on the cash
    // account.
    const ItemPos cash = doc.FindCashAccountItem();
    if (cash != kNoItemPos)
        doc.AddTransaction(cash, transaction(CTransaction::kBuy, days[0], 30000.0, 0.0, 0.0));
    const auto invest = [&doc](CWPapier* item, const CTransaction& t) {
        ItemPos pos = kNoItemPos;
        for (ItemPos p = doc.GetHeadPosition(); p != kNoItemPos;) {
            const ItemPos here = p;
            if (doc.GetNextItem(p) == item)
                pos = here;
        }
        doc.AddTransaction(pos, t);
        doc.AddCashAccountTransaction(t, item->m_strName, false);
    };
    const auto at = [&days](double share) { return std::min(days.size() - 1, std::size_t(share * days.size())); };
    std::size_t d = at(0.05);
    invest(acmeItem, transaction(CTransaction::kBuy, days[d], 8, acmeCloses[d], 9.90));
    d = at(0.08);
    invest(fundItem, transaction(CTransaction::kBuy, days[d], 120, fundCloses[d], 0.0));
    d = at(0.30);
    invest(northwindItem, transaction(CTransaction::kBuy, days[d], 60, northwindCloses[d], 9.90));
    d = at(0.45);
    invest(acmeItem, transaction(CTransaction::kBuy, days[d], 4, acmeCloses[d], 9.90));
    d = at(0.60);
    invest(acmeItem, transaction(CTransaction::kDividend, days[d], 12, 14.50, 3.80));
    d = at(0.80);
    invest(acmeItem, transaction(CTransaction::kSell, days[d], 3, acmeCloses[d], 9.90));
    doc.RecomputeSumInvestValueHistory();

    if (!doc.OnSaveDocument(target)) {
        std::fprintf(stderr, "corvana_make_sample: cannot write %s\n", target.c_str());
        return 1;
    }
    return 0;
}
