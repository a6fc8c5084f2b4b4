#pragma once
// Resource ids of the program's own pictures and toolbars (drawn by controls/Artwork).

namespace pictures {

// Toolbars: 127 is the main window's 24x24 toolbar (its strip is bitmap 183); 132 and 129 only
// supply the 16x16 menu images.
inline constexpr unsigned IDR_MAINFRAME = 127;
inline constexpr unsigned IDR_TOOLBAR_MENU = 132;
inline constexpr unsigned IDR_TOOLBAR_MENU_EXTRA = 129;

// The true-colour strip of toolbar 127: 20 images of 24x24 on magenta.
inline constexpr unsigned IDB_TOOLBAR24 = 183;

// Row image strips (16x16 cells on green RGB(0,255,0)).
inline constexpr unsigned IDB_DOWNLOAD_STATES = 137; // the Downloads window: 5 images
inline constexpr unsigned IDB_ITEM_STATES = 154;     // the item list: 7 images
inline constexpr unsigned IDB_TRANSACTIONS = 179;    // the transaction pages: 10 images

// Sort arrows of list headers: 9x5, black on white.
inline constexpr unsigned IDB_SORT_ASCENDING = 1997;
inline constexpr unsigned IDB_SORT_DESCENDING = 1998;

// Icons of the notification area: normal, and while downloads are being aborted.
inline constexpr unsigned IDI_TRAY = 145;
inline constexpr unsigned IDI_TRAY_ABORT = 146;

// Images of the Downloads window's rows (strip 137).
inline constexpr int kDownloadInitialized = 0;
inline constexpr int kDownloadWorking = 1;
inline constexpr int kDownloadConnecting = 2;
inline constexpr int kDownloadReceiving = 3;
inline constexpr int kDownloadFailed = 4;

// Images of the item list's rows (strip 154).
inline constexpr int kItemNoChange = 0;
inline constexpr int kItemFallen = 1;
inline constexpr int kItemRisen = 2;
inline constexpr int kItemAlarm = 3;
inline constexpr int kItemAlarmFallen = 4;
inline constexpr int kItemAlarmRisen = 5;
inline constexpr int kItemCashAccount = 6;

// Images of the transaction rows (strip 179); a transaction shows kind x 2, plus 1 when it does
// not recur.
inline constexpr int kTransactionBuyRecurring = 0;
inline constexpr int kTransactionBuy = 1;
inline constexpr int kTransactionSellRecurring = 2;
inline constexpr int kTransactionSell = 3;
inline constexpr int kTransactionDividendRecurring = 4;
inline constexpr int kTransactionDividend = 5;
inline constexpr int kTransactionEquals = 6;
inline constexpr int kTransactionBreakEven = 7;
inline constexpr int kTransactionHypotheticalSell = 8;
inline constexpr int kTransactionTotal = 9;

} // namespace pictures
