// The item's user-defined value, its sort order by a list column, and the two operations that
// transform its quotations: a formula in x (with the stock-split presets) and the multiplication by
// another item's quotations.

#include "formula/Formula.h"
#include "log/NumberFormat.h"
#include "portfolio/ItemLog.h"
#include "portfolio/PortfolioText.h"
#include "portfolio/WPapierItem.h"

#include <cmath>
#include <mutex>
#include <optional>

namespace {

// What the user-defined value's x or y stands for (m_nFormulaValueX/Y).
constexpr int kValueLastQuotation = 0;
constexpr int kValueInvestment = 1;
constexpr int kValueUnits = 2;
constexpr int kValueYearChange = 3;

// A sort value that stands for "not available" in the time-frame and user-defined columns.
constexpr double kUnavailableSortValue = -1000000.0;

int sign(int v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// NaN has one place: below every number, equal to another NaN.
int compareNumbers(double a, double b) {
    if (a > b)
        return 1;
    if (a < b)
        return -1;
    const bool aNan = std::isnan(a);
    const bool bNan = std::isnan(b);
    return aNan == bNan ? 0 : aNan ? -1 : 1;
}

// ---------------------------------------------------------------- user-defined value

// x or y of the user-defined value: what `item` supplies as `kind`, now.
std::optional<double> formulaVariable(const CWPapier* item, int kind, const OleDate& now) {
    if (!item)
        return std::nullopt;
    if (kind == kValueInvestment && (item->m_bCashAccount || item->m_bInvestmentHistory))
        kind = kValueLastQuotation;
    CKurs last;
    switch (kind) {
    case kValueInvestment:
        if (!item->GetLastQuotation(last))
            return std::nullopt;
        return item->GetUnitsOnDate(now) * last.m_dClose;
    case kValueUnits:
        return item->GetUnitsOnDate(now);
    case kValueYearChange: {
        // Annualised change since the start of the current year.
        const OleDate yearStart(now.GetYear(), 1, 1, 0, 0, 0);
        CKurs k1;
        CKurs k2;
        if (!item->GetQuotationOnOrBefore(yearStart, k1) && !item->GetNextQuotationAfter(yearStart, k1))
            return std::nullopt;
        if (!item->GetQuotationOnOrBefore(now, k2) || k1.m_dClose == 0.0)
            return std::nullopt;
        const OleDateSpan span = k2.m_dtDate - k1.m_dtDate;
        const double t = static_cast<double>(span.GetDays()) + span.GetHours() / 24.0;
        if (!(t > 1.0))
            return std::nullopt;
        const double v = (std::pow((k2.m_dClose / k1.m_dClose - 1.0) * 100.0 / 100.0 + 1.0, 365.0 / t) - 1.0) * 100.0;
        if (!(std::fabs(v) < 100000.0))
            return std::nullopt;
        return v;
    }
    default:
        if (!item->GetLastQuotation(last))
            return std::nullopt;
        return last.m_dClose;
    }
}

bool containsLetter(std::string_view text, char lower) {
    const char upper = static_cast<char>(lower - 'a' + 'A');
    return text.find(lower) != std::string_view::npos || text.find(upper) != std::string_view::npos;
}

// The user-defined value in percent display: "%4.2f%" with the user's decimal point.
std::string percentText(double value) {
    std::string number = fixedText(value, 2);
    if (const auto dot = number.find('.'); dot != std::string::npos)
        number.replace(dot, 1, numberSeparators().decimalPoint);
    if (number.size() < 4)
        number.insert(0, 4 - number.size(), ' ');
    return number + "%";
}

// ---------------------------------------------------------------- transformations

enum class FormulaPreset { None, Split, Reciprocal };

// "x/2".."x/10", "x*2".."x*10" are the split presets, "1/x" the reciprocal; case is ignored.
FormulaPreset presetOf(std::string_view formula) {
    std::string lower(formula);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (lower == "1/x")
        return FormulaPreset::Reciprocal;
    for (int n = 2; n <= 10; ++n) {
        const std::string number = std::to_string(n);
        if (lower == "x/" + number || lower == "x*" + number)
            return FormulaPreset::Split;
    }
    return FormulaPreset::None;
}

bool allFinite(std::initializer_list<double> values) {
    for (const double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

} // namespace

// ---------------------------------------------------------------- user-defined value

std::string CWPapier::FormulaWithY(std::string_view formula, double y) {
    const std::string value = "(" + fixedText(y, 6) + ")";
    std::string result;
    result.reserve(formula.size());
    for (const char c : formula) {
        if (c == 'y' || c == 'Y')
            result += value;
        else
            result += c;
    }
    return result;
}

bool CWPapier::GetUserDefinedValue(double& value, std::string& text, const char* numberFormat) const {
    value = 0.0;
    text.clear();
    if (m_strFormula.empty())
        return false;
    const OleDate now = OleDate::GetCurrentTime();
    const std::optional<double> x = formulaVariable(m_pFormulaItemX, m_nFormulaValueX, now);
    const std::optional<double> y = formulaVariable(m_pFormulaItemY, m_nFormulaValueY, now);
    // A plain search for the letters: a function name holding one counts too.
    if (!x && containsLetter(m_strFormula, 'x'))
        return false;
    if (!y && containsLetter(m_strFormula, 'y'))
        return false;

    const FunctionPtr<double> function = ParseFunction<double>(FormulaWithY(m_strFormula, y.value_or(0.0)), "X");
    if (!function)
        return true; // value 0, no text
    value = function->Evaluate(x.value_or(0.0));
    text = m_bFormulaPercent ? percentText(value) : FormatNumberGrouped(numberFormat ? numberFormat : "", value);
    return true;
}

// ---------------------------------------------------------------- comparison

int CWPapier::CompareItems(const CWPapier* other, int column, bool procentualValue, int timeFrameDays) const {
    if (!other)
        return 1;
    const OleDate now = OleDate::GetCurrentTime();
    return CompareSortKeys(GetSortKey(column, procentualValue, timeFrameDays, now),
                           other->GetSortKey(column, procentualValue, timeFrameDays, now), column);
}

namespace {

// The value of `column` (3 to 12) in a sort key.
double sortValue(const CWPapier& item, int column, bool procentualValue, int timeFrameDays, const OleDate& now) {
    double v = 0.0;
    double min = 0.0;
    double max = 0.0;
    CKurs q;
    std::int64_t age = 0;
    switch (column) {
    case 3:
        item.GetLastQuotation(q);
        return q.m_dClose;
    case 4:
        item.GetMinMaxUntil(now, min, max);
        return min;
    case 5:
        item.GetMinMaxUntil(now, min, max);
        return max;
    case 6:
        item.GetChangePercent(now, v, true);
        return v;
    case 7:
        if (procentualValue)
            item.GetChangePercent(now, v, false);
        else
            item.GetChange(now, v, false);
        return v;
    case 8: {
        const bool found = procentualValue ? item.GetTimeFrameChangePercent(now, timeFrameDays, v, age)
                                           : item.GetTimeFrameChange(now, timeFrameDays, v, age);
        return found ? v : kUnavailableSortValue;
    }
    case 9:
        return item.GetUnitsOnDate(now);
    case 10:
        item.GetQuotationOnOrBefore(now, q);
        return item.GetUnitsOnDate(now) * q.m_dClose;
    case 11:
        item.GetQuotationOnOrBefore(now, q);
        if (!procentualValue)
            return (q.m_dClose - item.m_dBreakEven) * item.m_dUnits;
        if (item.m_dAveragePrice == 0.0 || item.m_dUnits == 0.0)
            return 0.0;
        return (item.m_dAveragePrice + q.m_dClose - item.m_dBreakEven) / item.m_dAveragePrice;
    case 12: {
        std::string text;
        return item.GetUserDefinedValue(v, text, "") ? v : kUnavailableSortValue;
    }
    default:
        return 0.0;
    }
}

} // namespace

CWPapier::SortKey CWPapier::GetSortKey(int column, bool procentualValue, int timeFrameDays, const OleDate& now) const {
    SortKey key;
    key.present = true;
    key.cashAccount = m_bCashAccount != 0;
    key.investmentHistory = m_bInvestmentHistory != 0;
    key.units = m_dUnits;
    key.name = foldedText(m_strName);
    key.category = foldedText(m_strCategory);
    if (column == 2)
        GetLastQuotationDate(key.date);
    else if (column >= 3 && column < kSortColumns)
        key.values[static_cast<std::size_t>(column)] = sortValue(*this, column, procentualValue, timeFrameDays, now);
    return key;
}

CWPapier::SortKey CWPapier::GetSortKeys(bool procentualValue, int timeFrameDays, const OleDate& now) const {
    SortKey key = GetSortKey(2, procentualValue, timeFrameDays, now);
    double min = 0.0;
    double max = 0.0;
    GetMinMaxUntil(now, min, max);
    for (int column = 3; column < kSortColumns; ++column)
        key.values[static_cast<std::size_t>(column)] =
            column == 4   ? min
            : column == 5 ? max
                          : sortValue(*this, column, procentualValue, timeFrameDays, now);
    return key;
}

int CWPapier::CompareSortKeys(const SortKey& a, const SortKey& b, int column) {
    const auto special = [&]() -> int {
        // The cash account comes after the investment history, whatever their names.
        if (a.cashAccount && b.investmentHistory)
            return 1;
        if (a.investmentHistory && b.cashAccount)
            return -1;
        return 0;
    };
    const auto byName = [&] {
        const int s = special();
        return s ? s : sign(a.name.compare(b.name));
    };
    const double va = column >= 3 && column < kSortColumns ? a.values[static_cast<std::size_t>(column)] : 0.0;
    const double vb = column >= 3 && column < kSortColumns ? b.values[static_cast<std::size_t>(column)] : 0.0;
    // A greater value of this item sorts after; equal values sort by name.
    const auto byValue = [&] {
        const int result = compareNumbers(va, vb);
        return result ? result : byName();
    };

    switch (column) {
    case 0:
        return byName();
    case 1: {
        const int s = special();
        return s ? s : sign(a.category.compare(b.category));
    }
    case 2:
        if (datesEqual(a.date, b.date))
            return byName();
        if (dateLater(a.date, b.date))
            return 1;
        if (dateEarlier(a.date, b.date))
            return -1;
        return byName();
    case 10:
        // No investment at all sorts below every investment, negative ones included.
        if (va == 0.0 || vb == 0.0)
            return va == vb ? byName() : (va == 0.0 ? -1 : 1);
        return byValue();
    case 11:
        // Items holding no units sort below every item holding some.
        if (a.units == 0.0 || b.units == 0.0)
            return a.units == b.units ? byName() : (a.units == 0.0 ? -1 : 1);
        return byValue();
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 12:
        return byValue();
    default:
        return byName();
    }
}

// ---------------------------------------------------------------- transformations

bool CWPapier::ApplyFunction(int first, int last, const std::string& formula) {
    if (formula.empty())
        return false;
    const FunctionPtr<double> f = ParseFunction<double>(formula, "X");
    if (!f) {
        ITEM_LOG(LOG_LEVEL_WARNING, "Function f(x)=%s does not parse; quotations of '%s' unchanged", formula.c_str(),
                 m_strName.c_str());
        return false;
    }
    const FormulaPreset preset = presetOf(formula);
    const bool split = preset == FormulaPreset::Split;
    const auto apply = [&](double v) { return preset == FormulaPreset::Reciprocal && v == 0.0 ? v : f->Evaluate(v); };

    std::lock_guard transactionLock(m_csTransactions);
    std::lock_guard quotationLock(m_csQuotations);
    const long long count = static_cast<long long>(m_QuotationList.size());
    const long long begin = std::max<long long>(first, 0);
    const long long end = std::min<long long>(last, count - 1); // inclusive
    if (begin > end)
        return false; // no quotation in the range: nothing to do, no split to adjust

    // Everything is worked out first and stored only when every result is a finite number.
    const double perUnit = split ? f->Evaluate(1.0) : 1.0;
    const auto refuse = [&](const char* what) {
        ITEM_LOG(LOG_LEVEL_WARNING, "Function f(x)=%s gives no finite value for %s of '%s'; nothing changed",
                 formula.c_str(), what, m_strName.c_str());
        return false;
    };
    if (!std::isfinite(perUnit) || perUnit == 0.0)
        return refuse("one unit");

    std::vector<CKurs> changed;
    changed.reserve(static_cast<std::size_t>(end - begin + 1));
    m_QuotationList.forEach(static_cast<std::size_t>(begin), static_cast<std::size_t>(end + 1),
                            [&](const CKurs& q, std::size_t) {
                                CKurs n = q;
                                n.m_dClose = apply(q.m_dClose);
                                n.m_dOpen = apply(q.m_dOpen);
                                n.m_dLow = apply(q.m_dLow);
                                n.m_dHigh = apply(q.m_dHigh);
                                if (split)
                                    n.m_dVolume = q.m_dVolume / perUnit;
                                changed.push_back(n);
                            });
    for (const CKurs& n : changed)
        if (!allFinite({n.m_dClose, n.m_dOpen, n.m_dLow, n.m_dHigh, n.m_dVolume}))
            return refuse("a quotation");

    const OleDate firstDate = changed.front().m_dtDate;
    const OleDate lastDate = changed.back().m_dtDate;
    std::vector<CTransaction> transactions = m_TransactionList;
    std::vector<bool> adjusted(transactions.size(), false);
    double units = m_dUnits;
    double breakEven = m_dBreakEven;
    double average = m_dAveragePrice;
    double alarmAbove = m_dAlarmAbove;
    double alarmBelow = m_dAlarmBelow;
    if (split) {
        for (std::size_t k = 0; k < transactions.size(); ++k) {
            CTransaction& t = transactions[k];
            if (dateLaterOrEqual(t.m_dtDate, firstDate) && dateEarlierOrEqual(t.m_dtDate, lastDate)) {
                adjusted[k] = true;
                t.m_dQuotation = f->Evaluate(t.m_dQuotation);
                t.m_dUnits /= perUnit;
                if (!allFinite({t.m_dQuotation, t.m_dUnits}))
                    return refuse("a transaction");
            }
        }
        units /= perUnit;
        breakEven = f->Evaluate(breakEven);
        average = f->Evaluate(average);
        alarmAbove = f->Evaluate(alarmAbove);
        alarmBelow = f->Evaluate(alarmBelow);
        if (!allFinite({units, breakEven, average, alarmAbove, alarmBelow}))
            return refuse("the investment figures");
    }

    const bool logWanted = debugLogWanted();
    for (std::size_t k = 0; k < changed.size(); ++k) {
        const std::size_t index = static_cast<std::size_t>(begin) + k;
        if (logWanted)
            ITEM_LOG(LOG_LEVEL_DEBUG, "Applied function f(x)=%s to quotation -> f(%.4f)=%.4f", formula.c_str(),
                     m_QuotationList[index].m_dClose, changed[k].m_dClose);
        m_QuotationList.replace(index, changed[k]);
    }
    if (split) {
        for (std::size_t k = 0; k < transactions.size(); ++k) {
            if (!adjusted[k])
                continue;
            const CTransaction& before = m_TransactionList[k];
            const CTransaction& after = transactions[k];
            if (logWanted)
                ITEM_LOG(LOG_LEVEL_DEBUG, "Applying function to transaction %.4fx%.4f -> %.4fx%.4f", before.m_dUnits,
                         before.m_dQuotation, after.m_dUnits, after.m_dQuotation);
            m_TransactionList[k] = after;
        }
        m_runningFigures.clear(); // units and prices of transactions changed; their dates did not
        // The investment figures are adjusted as a split changes them, not recomputed.
        m_dUnits = units;
        m_dBreakEven = breakEven;
        m_dAveragePrice = average;
        m_dAlarmAbove = alarmAbove;
        m_dAlarmBelow = alarmBelow;
    }
    return true;
}

bool CWPapier::MultiplyByItem(CWPapier* factorItem) {
    // An item is never its own factor: that would square its quotations.
    if (!factorItem || factorItem == this)
        return false;
    // Both quotation locks at once, so two items multiplied by each other cannot deadlock.
    std::scoped_lock locks(m_csQuotations, factorItem->m_csQuotations);
    const QuotationList& factors = factorItem->m_QuotationList;
    if (m_QuotationList.empty() || factors.empty())
        return false;

    // For each quotation Q, oldest first: F is the quotation before the first factor quotation
    // later than Q (the newest when none is later). On lists in date order that place only moves
    // forward, so one cursor serves all quotations.
    const bool ordered = m_QuotationList.ordered() && factors.ordered();
    const std::size_t factorCount = factors.size();
    std::size_t cursor = 0; // the first factor quotation later than Q
    std::vector<std::optional<std::size_t>> factorIndex(m_QuotationList.size());
    m_QuotationList.forEach(0, m_QuotationList.size(), [&](const CKurs& q, std::size_t i) {
        if (!ordered)
            cursor = 0;
        while (cursor < factorCount && !dateLater(factors[cursor].m_dtDate, q.m_dtDate))
            ++cursor;
        if (cursor == 0)
            return; // every factor quotation is later
        const std::size_t f = cursor - 1;
        if (!dateLater(factors[f].m_dtDate, q.m_dtDate))
            factorIndex[i] = f;
    });

    std::vector<CKurs> changed;
    changed.reserve(m_QuotationList.size());
    for (std::size_t i = 0; i < m_QuotationList.size(); ++i) {
        CKurs q = m_QuotationList[i];
        if (factorIndex[i]) {
            const double factor = factors[*factorIndex[i]].m_dClose;
            q.scalePrices(factor);
            if (!allFinite({q.m_dClose, q.m_dOpen, q.m_dHigh, q.m_dLow})) {
                ITEM_LOG(LOG_LEVEL_WARNING, "Multiplying '%s' by '%s' gives no finite value; nothing changed",
                         m_strName.c_str(), factorItem->m_strName.c_str());
                return false;
            }
        }
        changed.push_back(q);
    }

    const bool logWanted = debugLogWanted();
    for (std::size_t i = 0; i < changed.size(); ++i) {
        if (logWanted) {
            const CKurs& q = m_QuotationList[i];
            ITEM_LOG(LOG_LEVEL_DEBUG, "Searching for factor for %3.4lf %s", q.m_dClose,
                     q.m_dtDate.Format("%x %H:%M").c_str());
            if (factorIndex[i]) {
                const CKurs& f = factors[*factorIndex[i]];
                ITEM_LOG(LOG_LEVEL_DEBUG, "Using factor %3.4lf %s", f.m_dClose, f.m_dtDate.Format("%x %H:%M").c_str());
            }
        }
        if (factorIndex[i])
            m_QuotationList.replace(i, changed[i]);
    }
    return true;
}
