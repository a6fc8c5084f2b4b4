#pragma once
// The list view's rows as values: the thirteen cell texts and the icon of one item, computed from
// the item and the view's settings at one moment; what a refresh of a row changes and whether the
// list must be sorted again; and the four questions the drawing base asks of a row (the item's
// colour, the status colour of columns 3 and 6, bold and grey rows). The list's model keeps one
// ListRow per item and applies what UpdateItemRow reports.

#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"
#include "views/wpapierlviewColumns.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CWPapier;
class CWPapierDoc;

// Colours as 0x00BBGGRR.
constexpr std::uint32_t listRgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) | static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b) << 16;
}
inline constexpr std::uint32_t kRisenColor = listRgb(0, 120, 0);
inline constexpr std::uint32_t kFallenColor = listRgb(180, 0, 0);
// The item colour reported when the item cannot be found.
inline constexpr std::uint32_t kMissingItemColor = listRgb(255, 0, 0);

// Row icons: images of the row-icon strip.
enum ListRowIcon : int {
    ICON_UNCHANGED = 0,
    ICON_FALLEN = 1,
    ICON_RISEN = 2,
    ICON_ALARM = 3,
    ICON_ALARM_FALLEN = 4,
    ICON_ALARM_RISEN = 5,
    ICON_CASH_ACCOUNT = 6,
};

// Formatted cell texts are cut to this many bytes, never inside a UTF-8 character.
inline constexpr std::size_t kMaxFormattedCellBytes = 254;
std::string formattedCellText(std::string_view text);

// What a row's texts depend on besides the item.
struct ListRowContext {
    OleDate now;
    int decimalCases = 2;
    bool procentualValue = true;
    int timeFrameDays = 365;
};
ListRowContext listRowContext(const ListViewOptions& options, const OleDate& now);

// "%3.<d>lf" and "%+3.<d>lf": the value and signed formats of `decimalCases` decimals.
std::string valueFormat(int decimalCases);
std::string signedFormat(int decimalCases);

struct ListRow {
    std::array<std::string, kListColumnCount> texts;
    int icon = ICON_UNCHANGED;

    bool operator==(const ListRow&) const = default;
};

// The row of `item` now. Names and categories are shown whole; formatted texts are cut at
// kMaxFormattedCellBytes. An item without a quotation on or before now shows its name alone.
ListRow buildListRow(const CWPapier& item, const ListRowContext& context);

struct ListRowUpdate {
    ListRow row;
    std::uint16_t changedCells = 0; // bit n: column n's text differs from the current row's
    bool iconChanged = false;
    bool resortDue = false; // a new row, a changed name, or a changed cell of the sort column
};

// Adds or refreshes the row of `item`: `current` is its row as shown, null for an item that has
// no row yet. Logs "Adding '%s' to ListView..." or "Updating '%s' in ListView...".
ListRowUpdate UpdateItemRow(const ListRow* current, const CWPapier& item, const ListRowContext& context,
                            int sortColumn);

// Whole calendar days from `date` to `now`, one more when now is later and the date's time of day
// is later than now's: the age that column 2 shows.
long long calendarDaysSince(const OleDate& date, const OleDate& now);
// Column 2: "%H:%M" today, "%A   %H:%M" 1 to 6 days ago, else "%x   %H:%M".
std::string lastUpdateText(const OleDate& date, const OleDate& now);
// Whole days from `reference` to `date`, one more when the span's hours past the days are 10 or
// more; 0 when either date is missing.
long long changeAgeDays(const std::optional<OleDate>& date, const std::optional<OleDate>& reference);
// "<change> (<age> Days)", "(<months> Months)" from 3 months, "(<years> Years)" from 3 years; the
// change grouped in the signed format, or "%+2.2lf%%" in percent.
std::string changeText(double change, long long ageDays, bool percent, int decimalCases);
// Whether an alarm limit of the item is crossed at `close`. An item whose break-even is 0 has no
// break-even alarm.
bool isAlarm(const CWPapier& item, double close);

// The four questions of the drawing base, by item and with their log lines for a missing item.
// The status colour: nothing stands for the window's text colour.
std::optional<std::uint32_t> itemStatusColor(const CWPapier& item, const OleDate& now);
std::uint32_t GetItemColor(const CWPapierDoc* doc, ItemPos pos);
std::optional<std::uint32_t> GetItemStatusColor(const CWPapierDoc* doc, ItemPos pos, const OleDate& now);
bool IsItemTypeBold(const CWPapierDoc* doc, ItemPos pos);
bool IsItemTypeDarkBackground(const CWPapierDoc* doc, ItemPos pos);
