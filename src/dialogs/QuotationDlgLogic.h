#pragma once
// The rules of the five quotation dialogs (enter one quotation, apply a formula, multiply by
// another item, thin out, delete an interval) that do not depend on their widgets: the time a
// chosen day proposes, the assembled date-time, the formula presets and range entries, and the
// items a multiplication may use. None of them changes the document.

#include "platform/Clock.h"
#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"
#include "portfolio/Kurs.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

class CWPapierDoc;

// --- Item quotation ---------------------------------------------------------------------------

// The time of day the quotation dialog proposes when the user picks `date`: the current full hour
// (minutes and seconds 0) when `date` is today by `clock`, else 20:00:00. The value carries the
// date 1 January 2000, of which only the time is used.
OleDate QuotationTimeForDate(const OleDate& date, const Clock& clock = currentClock());

// The quotation's moment: year, month and day of `date`, hour, minute and second of `time`.
// Invalid when either value is not a valid date.
OleDate QuotationDateTime(const OleDate& date, const OleDate& time);

// --- Apply formula ----------------------------------------------------------------------------

// The formulas offered, in this order; the first is selected whenever the dialog opens.
inline constexpr std::array<const char*, 7> kFormulaPresets = {"x/2", "x/3", "x/4", "x*2", "x*3", "x*4", "1/x"};

// "Apply formula to '%s'" with the item's name.
std::string FormulaCaption(std::string_view itemName);

// The range entry of a quotation: its date-time in the user's short form, three blanks and its close as "%3.4lf"
// with thousands separators. The range lists hold one per quotation, oldest first, so an entry's
// index is its quotation's.
std::string FormulaRangeEntry(const CKurs& quotation);

// Why a formula the user chose was not applied, for the message box: a text that is no formula in
// x, or one that gives no finite value for the quotations chosen (x/0, LN(x-1000) below 1000).
// Empty when `applied`.
std::string FormulaRefusalText(std::string_view formula, bool applied);

// Whether OK may be pressed: the first index is not above the last (a reversed range would still
// rescale units and limits as for a split).
bool FormulaRangeValid(int first, int last);

// --- Multiply quotations ----------------------------------------------------------------------

struct FactorItemEntry {
    std::string name;
    ItemPos pos = kNoItemPos;

    bool operator==(const FactorItemEntry&) const = default;
};

// The items whose quotations may multiply those of the item at `self`: every item of the
// document except the investment-history item and `self` (the cash account is offered), sorted by
// name without regard to case as the list shows them (items of equal names keep the document's
// order). Entry 0 is the preselected factor item; with no entry, OK stays disabled.
std::vector<FactorItemEntry> MultiplyFactorItems(const CWPapierDoc& doc, ItemPos self);
