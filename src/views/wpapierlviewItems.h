#pragma once
// The list view's commands on single items, the parts that need no window: the record a new item
// starts from and the row that takes the focus after a deletion.

#include "controls/WinGdi.h"
#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"
#include "portfolio/ItemProperties.h"

#include <array>
#include <string_view>
#include <vector>

class CWPapier;
class CWPapierDoc;

// A new item takes one of these colours, drawn at random.
inline constexpr std::array<COLORREF, 10> kNewItemColours = {
    RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(0, 0, 255),   RGB(127, 127, 127), RGB(190, 200, 0),
    RGB(127, 0, 127), RGB(0, 100, 100), RGB(255, 150, 0), RGB(0, 180, 220),   RGB(220, 0, 150)};

// A new item's own server configuration: URL "http://", time-out 180 s, anchor "[&symbol]",
// case-insensitive, anchor filtering, the pattern kDefaultItemRegExp (its "\t", "\r" and "\n"
// two characters each, as the user would type them) with no capture groups chosen; no template
// name, no separators.
ServerSettings NewItemServerSettings();

// The record a new item is created from: "New Item", downloads on, the configuration above, its
// chart on with grid, break-even line and transaction marks in `colour`, from `now` to 365 days
// later (both limits off), every alarm off with a break-even alarm of 20 percent.
ItemProperties NewItemProperties(COLORREF colour, const OleDate& now);

// The row that gets the focus after the selected rows were deleted: from `focusedRow` down the
// first row not selected, else from there up the first row not selected, else row 0.
// `selected` holds one flag per row; a focused row of -1 (none) searches from row 0.
int RowToFocusAfterDelete(const std::vector<bool>& selected, int focusedRow);

// The items at `positions` that are still items of the document, in that order.
std::vector<CWPapier*> ItemsAt(CWPapierDoc& doc, const std::vector<ItemPos>& positions);
