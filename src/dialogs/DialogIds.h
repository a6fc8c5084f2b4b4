#pragma once
// Resource ids of the dialogs: dialog templates (objectName "dlg_<id>"), their controls
// (objectName "idc_<id>") and the strings they show (framework/StringTable.h).

// The Downloads window.
inline constexpr unsigned IDD_CONNECTION = 140;
inline constexpr unsigned IDC_CONNECTION_LIST = 1020;
inline constexpr unsigned IDC_HIDE = 1021;
inline constexpr unsigned IDC_ABORT_DOWNLOADS = 1078;
// The main frame's command that its "&Abort Downloads" button sends: abort all downloads.
inline constexpr unsigned ID_ABORT_DOWNLOADS = 32797;

// Column headers of the Downloads window.
inline constexpr unsigned IDS_DOWNLOAD_ID = 40000;
inline constexpr unsigned IDS_ITEM = 40001;
inline constexpr unsigned IDS_STATUS = 40002;

// Captions the main frame gives the Downloads window (filled with the document's title).
inline constexpr unsigned IDS_DOWNLOADS_CAPTION = 40023;
inline constexpr unsigned IDS_ABORT_DOWNLOADS_CAPTION = 40024;
