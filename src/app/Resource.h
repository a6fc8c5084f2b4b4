#pragma once
// Resource, command and timer ids of the application shell.

// The document template (menu, accelerators, icon and document string).
inline constexpr unsigned IDR_MAINFRAME = 127;

// Icons of the notification area: normal, and while downloads are being aborted.
inline constexpr unsigned IDI_TRAY = 145;
inline constexpr unsigned IDI_TRAY_ABORT = 146;

// Commands of the main frame; abort downloads (32797) is in dialogs/DialogIds.h, since the
// Downloads window sends it too.
inline constexpr unsigned ID_UPDATE_ALL = 32781;        // "Update &all quotations\tCtrl+U"
inline constexpr unsigned ID_CONNECTION_STATUS = 32785; // "&Connection status"
inline constexpr unsigned ID_SAVE_VIEW_OPTIONS = 32794; // "S&ave view options"
inline constexpr unsigned ID_EXPORT_QUOTATIONS = 32935; // "&Export quotations...\tCtrl+E"
inline constexpr unsigned ID_EXPORT_PORTFOLIO = 32793;  // "Export portfolio..."
inline constexpr unsigned ID_IMPORT_ALL = 32934;        // "Import historical quotations for all items..."
inline constexpr unsigned ID_WEB_PAGE = 32808;          // "Corvana on the &Web"
inline constexpr unsigned ID_EXPORT_SERVER_SETTINGS = 32809;
inline constexpr unsigned ID_OPTIONS = 32810;              // "&Options..."
inline constexpr unsigned ID_CHECK_FOR_UPDATES = 32811;    // "&Check for Updates..."
inline constexpr unsigned ID_COMPARE_ALL = 32819;          // "Compare all" (Ctrl+A)
inline constexpr unsigned ID_TOGGLE_PERCENTUAL = 32828;    // "Toggle &Percentual/Nominal values"
inline constexpr unsigned ID_HELP_FAQ = 32830;             // "&Frequently Asked Questions (FAQ)" (F1)
inline constexpr unsigned ID_HELP_SERVER_SETTINGS = 32831; // "&Server Configuration Info"
inline constexpr unsigned ID_DECREASE_DECIMALS = 32850;
inline constexpr unsigned ID_INCREASE_DECIMALS = 32851;
inline constexpr unsigned ID_CALCULATOR = 32861; // "Open &Calculator..."
// Chart commands (the chart view's).
inline constexpr unsigned ID_CHART_COMMAND_1 = 32859;
inline constexpr unsigned ID_CHART_COMMAND_2 = 32860;

// Status-bar panes: total investment, connection and progress, time; the clock's timer.
inline constexpr unsigned ID_INDICATOR_INVESTMENT = 119;
inline constexpr unsigned ID_INDICATOR_CONNECTION = 120;
inline constexpr unsigned ID_INDICATOR_TIME = 109;
inline constexpr unsigned ID_TIMER_CLOCK = 4096;

// The true-colour strip of toolbar 127 and the toolbars that give the menus their images.
inline constexpr unsigned IDB_TOOLBAR_STRIP = 183;

// Timers of the main frame.
inline constexpr unsigned ID_TIMER_UPDATE = 116;
// The time limit of an unattended update, and the grace period after its abort.
inline constexpr unsigned ID_TIMER_UNATTENDED_LIMIT = 117;
inline constexpr unsigned ID_TIMER_UNATTENDED_GRACE = 118;

// Strings (framework/StringTable.h).
inline constexpr unsigned IDS_PROGRESS = 40032;            // the progress pane: "Update: %i/%i"
inline constexpr unsigned IDS_TOTAL_INVESTMENT_PANE = 119; // "Total investment:" and blanks: the pane's first width
inline constexpr unsigned IDS_TIME_PANE = 109;             // "Time"
