#pragma once
// The list view's thirteen columns and its display settings: captions, widths, column order, sort
// column and direction, percent or amount display, decimals and the time frame of column 8; their
// values in the section "ListView", and the show/hide and time-frame commands as rules on them.
// The list's model and header apply what these decide.

#include "portfolio/PortfolioHost.h"

#include <array>
#include <optional>
#include <string>

class SettingsStore;

inline constexpr int kListColumnCount = 13;

// Sub-item numbers of the columns.
enum ListColumn : int {
    LIST_COLUMN_NAME = 0,
    LIST_COLUMN_CATEGORY = 1,
    LIST_COLUMN_LAST_UPDATE = 2,
    LIST_COLUMN_CLOSE = 3,
    LIST_COLUMN_LOW = 4,
    LIST_COLUMN_HIGH = 5,
    LIST_COLUMN_LAST_DAY = 6,
    LIST_COLUMN_LAST = 7,
    LIST_COLUMN_TIME_FRAME = 8,
    LIST_COLUMN_UNITS = 9,
    LIST_COLUMN_INVESTMENT = 10,
    LIST_COLUMN_INVESTMENT_CHANGE = 11,
    LIST_COLUMN_USER_VALUE = 12,
};

// Show/hide commands of the columns (column 8 is shown and hidden by the time-frame commands).
inline constexpr unsigned ID_COLUMN_NAME = 32888;
inline constexpr unsigned ID_COLUMN_CATEGORY = 32889;
inline constexpr unsigned ID_COLUMN_LAST_UPDATE = 32890;
inline constexpr unsigned ID_COLUMN_CLOSE = 32891;
inline constexpr unsigned ID_COLUMN_LOW = 32892;
inline constexpr unsigned ID_COLUMN_HIGH = 32893;
inline constexpr unsigned ID_COLUMN_LAST_DAY = 32894;
inline constexpr unsigned ID_COLUMN_LAST = 32895;
inline constexpr unsigned ID_COLUMN_UNITS = 32897;
inline constexpr unsigned ID_COLUMN_INVESTMENT = 32898;
inline constexpr unsigned ID_COLUMN_INVESTMENT_CHANGE = 32905;
inline constexpr unsigned ID_COLUMN_USER_VALUE = 32933;

// Time-frame commands of column 8: "30 Days" to "5 Years", then "Max".
inline constexpr unsigned ID_TIMEFRAME_FIRST = 32915;
inline constexpr unsigned ID_TIMEFRAME_LAST = 32923;

struct ListColumnSpec {
    const char* caption; // header caption (string-table text)
    int defaultWidth;    // the width in the default of "ColumnsXWidth"
    int standardWidth;   // for a missing width and when a hidden column is shown again
    bool rightAlignedHeader;
    bool rightAlignedCells; // the cells' text; the base draws it so
    unsigned toggleCommand; // 0 for column 8 (time-frame commands)
    const char* menuText;   // entry of the context menu's show/hide popup
};

extern const std::array<ListColumnSpec, kListColumnCount> kListColumns;

struct TimeFrameSpec {
    unsigned command;
    const char* menuText;
    int days; // -1: the whole history
};

extern const std::array<TimeFrameSpec, 9> kTimeFrames;

// The time frame of a command 32915-32923; nothing for any other command.
std::optional<TimeFrameSpec> timeFrameOfCommand(unsigned command);
// The column a show/hide command toggles; nothing for any other command.
std::optional<int> columnOfToggleCommand(unsigned command);

inline constexpr const char* kListViewSection = "ListView";
inline constexpr const char* kDefaultColumnsXWidth = "245,0,130,87,75,82,127,0,153,71,94,100,75";
inline constexpr const char* kDefaultColumnsXOrder = "0,1,2,3,4,5,6,7,8,9,10,11,12";

// The view's display settings as "ListView" keeps them.
struct ListViewOptions {
    std::array<int, kListColumnCount> m_nColumnWidth{245, 0, 130, 87, 75, 82, 127, 0, 153, 71, 94, 100, 75};
    // Display position -> sub-item.
    std::array<int, kListColumnCount> m_nColumnOrder{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    int m_nSortColumn = 0; // 0..12
    bool m_bSortReverse = true;
    bool m_bProcentualValue = true;
    int m_nDecimalCases = 2; // 0..6
    int m_nTimeFrameDays = 365;

    bool operator==(const ListViewOptions&) const = default;

    bool isShown(int column) const;
    // What the document's item comparison reads of these.
    ListViewSettings documentSettings() const { return {m_bProcentualValue, m_nTimeFrameDays}; }
};

// Reads the section with its defaults, checking what was stored: a width token that is no number
// is 0 (a hidden column), a missing, negative or too large one (above 2000) the standard width; an
// empty width string gives every column its standard width; an order that is no permutation of
// 0..12 gives 0..12; a sort column outside 0..12 gives 0; decimals are held within 0..6.
ListViewOptions loadListViewOptions(const SettingsStore& store);
// Writes all seven values; the two strings as "%i" then ",%i" for each further column.
void saveListViewOptions(SettingsStore& store, const ListViewOptions& options);

// The widths of a "ColumnsXWidth" text, with the checks above.
std::array<int, kListColumnCount> parseColumnWidths(const std::string& text);
// The order of a "ColumnsXOrder" text: a missing n-th token is n; no permutation gives 0..12.
std::array<int, kListColumnCount> parseColumnOrder(const std::string& text);
std::string joinColumnNumbers(const std::array<int, kListColumnCount>& numbers);

// Show/hide of a column: a shown one gets width 0, a hidden one its standard width.
void OnToggleColumn(ListViewOptions& options, int column);
// A time-frame command: choosing the shown time frame again hides column 8 (false). Otherwise the
// time frame is taken, column 8 is shown at its standard width when it was hidden, and the rows
// must be rebuilt (true).
bool OnTimeFrame(ListViewOptions& options, int days);
// Check marks of the commands' menu entries (both are always enabled).
bool isToggleColumnChecked(const ListViewOptions& options, int column);
bool isTimeFrameChecked(const ListViewOptions& options, int days);
