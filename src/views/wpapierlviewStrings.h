#pragma once
// String-table texts of the list view: column captions and the status-bar texts of the selection
// and of the total investment. Captions shared with the printed legend are defined there
// (views/wpapierlviewPrint.h).

// Column captions.
inline constexpr const char* IDS_ITEM_CAPTION = "Item"; // string 40001
inline constexpr const char* IDS_CATEGORY = "Category";
inline constexpr const char* IDS_LAST_CLOSE = "Last/Close";
inline constexpr const char* IDS_UNITS_INVESTED = "# Units Invested";
inline constexpr const char* IDS_INVESTMENT = "Investment";
inline constexpr const char* IDS_INVESTMENT_CHANGE = "+- Investment";
inline constexpr const char* IDS_USER_DEFINED_VALUE = "User-defined Value";

// The selection's investment volume (string 118 holds the volume, or string 121 filled with the
// volume and its share of the total).
inline constexpr const char* IDS_SELECTION_VOLUME = "Current selection's investment volume: %s"; // string 118
inline constexpr const char* IDS_SELECTION_SHARE = "%s (%.2lf%% of total investment)";           // string 121
inline constexpr const char* IDS_READY = "Ready";                                                // string 22

// The total investment.
inline constexpr const char* IDS_TOTAL_INVESTMENT = "Total investment: %s";         // string 40042
inline constexpr const char* IDS_TOTAL_INVESTMENT_PERCENT = "Total investment: %s"; // string 40049
inline constexpr const char* IDS_TOTAL_INVESTMENT_PERCENT_LAST = "Total investment: %s (Last: %+2.2lf%%)"; // 40051
inline constexpr const char* IDS_TOTAL_INVESTMENT_AMOUNT = "Total investment: %s";                 // string 40055
inline constexpr const char* IDS_TOTAL_INVESTMENT_AMOUNT_LAST = "Total investment: %s (Last: %s)"; // string 40056
