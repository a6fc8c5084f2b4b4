#pragma once
// String-table ids of the list view's texts: column captions and the status-bar texts of the
// selection and of the total investment (framework/StringTable.cpp holds the texts). Captions
// shared with the printed legend are in views/wpapierlviewPrint.h.

// Column captions.
inline constexpr unsigned IDS_ITEM_CAPTION = 40001; // "Item"
inline constexpr unsigned IDS_CATEGORY = 40003;
inline constexpr unsigned IDS_LAST_CLOSE = 40005;
inline constexpr unsigned IDS_UNITS_INVESTED = 40090;
inline constexpr unsigned IDS_INVESTMENT = 40091;
inline constexpr unsigned IDS_INVESTMENT_CHANGE = 40092;
inline constexpr unsigned IDS_USER_DEFINED_VALUE = 40093;

// The selection's investment volume (118 holds the volume, or 121 filled with the volume and its
// share of the total).
inline constexpr unsigned IDS_SELECTION_VOLUME = 118;
inline constexpr unsigned IDS_SELECTION_SHARE = 121;
inline constexpr unsigned IDS_READY = 22;

// The total investment.
inline constexpr unsigned IDS_TOTAL_INVESTMENT = 40042;
inline constexpr unsigned IDS_TOTAL_INVESTMENT_PERCENT = 40049;
inline constexpr unsigned IDS_TOTAL_INVESTMENT_PERCENT_LAST = 40051;
inline constexpr unsigned IDS_TOTAL_INVESTMENT_AMOUNT = 40055;
inline constexpr unsigned IDS_TOTAL_INVESTMENT_AMOUNT_LAST = 40056;
