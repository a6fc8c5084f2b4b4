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

// Timers of the main frame.
inline constexpr unsigned ID_TIMER_UPDATE = 116;
// The time limit of an unattended update, and the grace period after its abort.
inline constexpr unsigned ID_TIMER_UNATTENDED_LIMIT = 117;
inline constexpr unsigned ID_TIMER_UNATTENDED_GRACE = 118;

// Strings (framework/StringTable.h).
inline constexpr unsigned IDS_PROGRESS = 40032; // the progress pane: "Update: %i/%i"
