#pragma once
// Command ids of the list view's and the chart's item commands, shared by both views and the frame.

// Commands of the list view (the column and time-frame commands are in wpapierlviewColumns.h).
inline constexpr unsigned ID_UPDATE_QUOTATION = 32778;    // "Upda&te quotation\tCtrl+Y"
inline constexpr unsigned ID_IMPORT_QUOTATIONS = 32814;   // "&Import historical quotations...\tCtrl+R"
inline constexpr unsigned ID_TEST_UPDATE = 32829;         // "&Test quotation &update\tCtrl+T"
inline constexpr unsigned ID_UPDATE_QUOTATION_ON = 32833; // "Update quotation for a specific date...\tCtrl+D"
inline constexpr unsigned ID_REFRESH = 32834;             // "&Refresh"

// Item commands (their handlers come with the item property sheet).
inline constexpr unsigned ID_ITEM_PROPERTIES = 32774;     // "P&roperties\tEnter"
inline constexpr unsigned ID_NEW_ITEM = 32775;            // "Insert &new item\tIns"
inline constexpr unsigned ID_DISPLAY_QUOTATIONS = 32779;  // "Display &quotations\tCtrl+Q"
inline constexpr unsigned ID_DELETE_ITEM = 32780;         // "&Delete item\tDel"
inline constexpr unsigned ID_CHART_PROPERTIES = 32796;    // "&Properties\tEnter" (chart)
inline constexpr unsigned ID_ADD_QUOTATION = 32803;       // "&Manually add new quotation\tCtrl+M"
inline constexpr unsigned ID_OPEN_WEB_PAGE = 32824;       // "&Open web page\tCtrl+G"
inline constexpr unsigned ID_RECALCULATE_HISTORY = 32848; // "&Recalculate investment history"
inline constexpr unsigned ID_DISPLAY_INVESTMENT = 32849;  // "Display &investment"
inline constexpr unsigned ID_TRANSACTION_FIRST = 32853;   // the three transaction buttons 32853-32855
inline constexpr unsigned ID_TRANSACTION_LAST = 32855;
inline constexpr unsigned ID_ADD_TRANSACTION = 32901; // "Add new &investment transaction\tCtrl+I"
