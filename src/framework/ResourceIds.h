#pragma once
// Command and string ids of the window framework itself, with the numbers the menus, toolbars and
// accelerators of the program use. The views, dialogs and the application keep theirs in their own
// headers.

// First private window message number; workers report with WM_USER + n.
inline constexpr unsigned WM_USER = 0x0400;

// File menu.
inline constexpr unsigned ID_FILE_NEW = 57600;
inline constexpr unsigned ID_FILE_OPEN = 57601;
inline constexpr unsigned ID_FILE_CLOSE = 57602;
inline constexpr unsigned ID_FILE_SAVE = 57603;
inline constexpr unsigned ID_FILE_SAVE_AS = 57604;
inline constexpr unsigned ID_FILE_PRINT_SETUP = 57606;
inline constexpr unsigned ID_FILE_PRINT = 57607;
inline constexpr unsigned ID_FILE_PRINT_DIRECT = 57608;
inline constexpr unsigned ID_FILE_PRINT_PREVIEW = 57609;
inline constexpr unsigned ID_FILE_SEND_MAIL = 57612;
// The recent-file entries of the File menu: first and last command.
inline constexpr unsigned ID_FILE_MRU_FILE1 = 57616;
inline constexpr unsigned ID_FILE_MRU_LAST = 57631;

// Edit menu.
inline constexpr unsigned ID_EDIT_COPY = 57634;
inline constexpr unsigned ID_EDIT_CUT = 57635;
inline constexpr unsigned ID_EDIT_PASTE = 57637;
inline constexpr unsigned ID_EDIT_UNDO = 57643;

// Application.
inline constexpr unsigned ID_APP_ABOUT = 57664;
inline constexpr unsigned ID_APP_EXIT = 57665;

// Moving the focus between the panes of a split window.
inline constexpr unsigned ID_NEXT_PANE = 57680;
inline constexpr unsigned ID_PREV_PANE = 57681;

// View menu: showing and hiding the frame's toolbar and status bar.
inline constexpr unsigned ID_VIEW_TOOLBAR = 59392;
inline constexpr unsigned ID_VIEW_STATUS_BAR = 59393;

// The status bar's message-pane text when no prompt is shown (the program has no such string, so
// the pane stays empty).
inline constexpr unsigned IDS_IDLEMESSAGE = 57345;
