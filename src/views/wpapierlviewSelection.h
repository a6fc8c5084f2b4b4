#pragma once
// The list view's selection as the rest of the program sees it: the selected items, the items the
// chart shows, the focused item; the selection check that keeps them and makes the selection's
// status text; and the figures and text of the total investment. The list's widget reports what
// its rows show; these decide what follows.

#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"

#include <span>
#include <string>
#include <vector>

class CWPapierDoc;

struct ListSelection {
    std::vector<ItemPos> m_SelectedItems;  // every selected item, in row order
    std::vector<ItemPos> m_ChartItems;     // the same without the cash account when more are selected
    ItemPos m_posCurrentItem = kNoItemPos; // the focused row's item
    bool m_bCurrentItemSelected = false;   // whether the focused row is selected
};

// What the list's rows show at the moment of a selection check.
struct ListRowsSelection {
    ItemPos focused = kNoItemPos; // the focused row's item; none without a focused row
    bool focusedSelected = false;
    std::vector<ItemPos> selected; // the selected rows' items, in row order
};

// The state a row gets when it is added: focused and selected for the current item, selected for
// an item of the selection.
struct RowSelectionState {
    bool focused = false;
    bool selected = false;
};
RowSelectionState newRowSelectionState(const ListSelection& selection, ItemPos pos);

struct SelectionCheck {
    // The focused item, the number of selected items or the focused row's selected state changed:
    // the text goes to the status bar and the chart must follow.
    bool changed = false;
    std::string text;
};

// The selection check: refills the selection from the rows (positions that hold no item are left
// out). On a change it logs "Modified ListView selection: %i items selected" and makes the text:
// empty without a selected item, else the selection's investment volume (selectionSumText).
SelectionCheck OnSelectionChanged(ListSelection& selection, const ListRowsSelection& rows, CWPapierDoc& doc,
                                  const OleDate& now);

// The value of the selected holdings at `now`: units held times the close in force, over the items
// that hold units and have quotations.
double selectionVolume(const CWPapierDoc& doc, std::span<const ItemPos> items, const OleDate& now);
// The status text of a non-empty selection: "Ready" for a volume of 0 or less, else the volume with
// its share of `total`; the volume alone when the total is 0 or less.
std::string selectionSumText(double volume, double total);

// The investment-history item's figures.
struct InvestmentTotals {
    double total = 0.0;
    bool haveFirst = false;
    double changeSinceFirst = 0.0;
    double percentSinceFirst = 0.0;
    bool havePrevious = false;
    double changeSincePrevious = 0.0;
    double percentSincePrevious = 0.0;

    bool operator==(const InvestmentTotals&) const = default;
};

// The history's newest value (brought up to date first when the portfolio's current sum is newer,
// or differs on the same date) and its changes since the previous and the first value.
InvestmentTotals GetInvestmentTotals(CWPapierDoc& doc);
// The total-investment status text: with the change since the previous value in percent or as an
// amount, when there is one.
std::string totalInvestmentText(const InvestmentTotals& totals, bool procentualValue);
