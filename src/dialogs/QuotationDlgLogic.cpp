#include "dialogs/QuotationDlgLogic.h"

#include "formula/Parser.h"
#include "log/NumberFormat.h"
#include "portfolio/PortfolioText.h"
#include "portfolio/WPapierDoc.h"

#include <algorithm>

OleDate QuotationTimeForDate(const OleDate& date, const Clock& clock) {
    const OleDate now = OleDate::GetCurrentTime(clock);
    const bool today = date.GetStatus() == OleDate::valid && date.GetYear() == now.GetYear() &&
                       date.GetMonth() == now.GetMonth() && date.GetDay() == now.GetDay();
    return OleDate(2000, 1, 1, today ? now.GetHour() : 20, 0, 0);
}

OleDate QuotationDateTime(const OleDate& date, const OleDate& time) {
    OleDate result;
    // A part of an invalid value is -1, which SetDateTime refuses.
    if (result.SetDateTime(date.GetYear(), date.GetMonth(), date.GetDay(), time.GetHour(), time.GetMinute(),
                           time.GetSecond()) != OleDate::valid)
        result.SetStatus(OleDate::invalid);
    return result;
}

std::string FormulaCaption(std::string_view itemName) {
    return "Apply formula to '" + std::string(itemName) + "'";
}

std::string FormulaRefusalText(std::string_view formula, bool applied) {
    if (applied)
        return {};
    const std::string shown(formula);
    if (!ParseFunction<double>(formula, "X"))
        return "The formula f(x) = " + shown +
               " cannot be read: write it in x with numbers, the operators + - * / ^, balanced parentheses and "
               "functions such as SQRT(x) or LN(x).\nThe quotations were not changed.";
    return "The formula f(x) = " + shown +
           " gives no finite value for some of the quotations chosen (a division by zero, or a function outside "
           "its range).\nThe quotations were not changed.";
}

std::string FormulaRangeEntry(const CKurs& quotation) {
    return quotation.m_dtDate.Format(OleDate::kUserDateTime) + "   " +
           FormatNumberGrouped("%3.4lf", quotation.m_dClose);
}

bool FormulaRangeValid(int first, int last) {
    return first <= last;
}

std::vector<FactorItemEntry> MultiplyFactorItems(const CWPapierDoc& doc, ItemPos self) {
    std::vector<FactorItemEntry> entries;
    const CWPapierDoc::ListLock lock(doc);
    ItemPos pos = doc.GetHeadPosition();
    while (pos != kNoItemPos) {
        const ItemPos at = pos;
        const CWPapier* item = doc.GetNextItem(pos);
        if (item && !item->m_bInvestmentHistory && at != self)
            entries.push_back({item->m_strName, at});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const FactorItemEntry& a, const FactorItemEntry& b) {
        return compareNoCase(a.name, b.name) < 0;
    });
    return entries;
}
