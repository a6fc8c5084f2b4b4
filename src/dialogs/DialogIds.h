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

// Server configuration tools: the page download dialog, the regular-expression test, the server
// configuration editor with its save dialog, and the two pages of the configuration wizard.
inline constexpr unsigned IDD_SERVER_PROP = 112;
inline constexpr unsigned IDD_SAVE_SERVER_PROP = 163;
inline constexpr unsigned IDD_WIZARD = 173;
inline constexpr unsigned IDD_REGEXP_SEARCH = 191;
inline constexpr unsigned IDD_DOWNLOAD_CONTINUE = 192;
inline constexpr unsigned IDD_WIZARD_URL = 3210;

// Buttons of these dialogs besides OK (1) and Cancel (2).
inline constexpr unsigned IDC_WIZARD_BACK_DISABLED = 3; // the URL page's "< Back", always disabled
inline constexpr unsigned IDC_SAVE_AS = 4;              // "Save Configuration &As..."
inline constexpr unsigned IDC_HELP_BUTTON = 5;          // "Help"

// The server configuration editor (112).
inline constexpr unsigned IDC_SERVER_URL = 1006;
inline constexpr unsigned IDC_TEXT_BEFORE = 1008;
inline constexpr unsigned IDC_REGEXP = 1010; // also the expression of the regular-expression test
inline constexpr unsigned IDC_FORMAT_NONE = 1024;
inline constexpr unsigned IDC_FORMAT_SEMI_HTML = 1025;
inline constexpr unsigned IDC_FORMAT_TEXT_ONLY = 1026;
inline constexpr unsigned IDC_TAGS_TO_SKIP = 1027;
inline constexpr unsigned IDC_TIMEOUT = 1029;
inline constexpr unsigned IDC_TIMEOUT_SPIN = 1031;
inline constexpr unsigned IDC_NUMBERS_TO_SKIP = 1033;
inline constexpr unsigned IDC_OPEN_URL = 1070;
inline constexpr unsigned IDC_CASE_INSENSITIVE = 1073;
inline constexpr unsigned IDC_STANDARD_SEARCH = 1133;
inline constexpr unsigned IDC_ADVANCED_SEARCH = 1134;
inline constexpr unsigned IDC_TEST_CONFIGURATION = 1135;
inline constexpr unsigned IDC_EXTRACTION_GROUP = 1146;
inline constexpr unsigned IDC_ADVANCED_TOGGLE = 1147;
inline constexpr unsigned IDC_REGEXP_GROUP = 1148;
inline constexpr unsigned IDC_SEPARATORS = 1150; // also the wizard's separator format
inline constexpr unsigned IDC_REGEXP_NOTE1 = 1322;
inline constexpr unsigned IDC_REGEXP_NOTE2 = 1323;
inline constexpr unsigned IDC_REGEXP_NOTE3 = 1324;

// The save dialog of the editor (163).
inline constexpr unsigned IDC_SAVE_NAME = 1074;
inline constexpr unsigned IDC_SAVE_ITEM_SPECIFIC = 1317;
inline constexpr unsigned IDC_SAVE_TEMPLATE = 1318;

// The page display and page form of the regular-expression test (191) and the wizard (173).
inline constexpr unsigned IDC_PAGE_DISPLAY = 1151;
inline constexpr unsigned IDC_PAGE_FORMAT = 1156;

// The regular-expression test (191): "Search" and its read-only result fields.
inline constexpr unsigned IDC_RESULT_CLOSE = 1152;
inline constexpr unsigned IDC_RESULT_DAY = 1153;
inline constexpr unsigned IDC_RESULT_MONTH = 1154;
inline constexpr unsigned IDC_RESULT_YEAR = 1155;
inline constexpr unsigned IDC_RESULT_HOUR = 1157;
inline constexpr unsigned IDC_RESULT_MINUTE = 1158;
inline constexpr unsigned IDC_RESULT_OPEN = 1159;
inline constexpr unsigned IDC_RESULT_HIGH = 1161;
inline constexpr unsigned IDC_RESULT_LOW = 1163;
inline constexpr unsigned IDC_RESULT_VOLUME = 1165;
inline constexpr unsigned IDC_SEARCH = 1308;
inline constexpr unsigned IDC_RESULT_MATCH = 1310;

// The page download dialog (192) and the wizard's URL page (3210): the status text.
inline constexpr unsigned IDC_DOWNLOAD_STATUS = 1159;
// The wizard's URL page (3210): the address is IDC_SERVER_URL.
inline constexpr unsigned IDC_WIZARD_DOWNLOAD = 1157;
// The wizard's rule page (173).
inline constexpr unsigned IDC_WIZARD_QUOTATION = 1152;
inline constexpr unsigned IDC_GET_CONFIGURATION = 1153;
inline constexpr unsigned IDC_RULE_LIST = 1154;
inline constexpr unsigned IDC_WIZARD_BACK = 1155;
inline constexpr unsigned IDC_WIZARD_PROGRESS = 1158;
// Both wizard pages: the picture.
inline constexpr unsigned IDC_WIZARD_PICTURE = 1174;

// Strings of these dialogs.
inline constexpr unsigned IDS_SERVER_PROPERTIES_TITLE = 40034; // "Server properties - [%s]"
inline constexpr unsigned IDS_LOCAL_DEFINITION = 40035;        // the item's own definition
inline constexpr unsigned IDS_WIZARD_PAGE_DOWNLOADED = 41002;  // the wizard's URL page after success
inline constexpr unsigned IDS_PAGE_DOWNLOAD_SUCCEEDED = 41008; // the page download dialog after success
