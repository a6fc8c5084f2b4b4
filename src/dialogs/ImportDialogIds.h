#pragma once
// Resource ids of the quotation dialogs and of the quotation import: the five dialogs that change
// an item's quotations, the two wizard pages, the template's save dialog and the import interval
// question, with their controls and the strings they show (framework/StringTable.h).

// --- Quotation dialogs ---------------------------------------------------------------------------

inline constexpr unsigned IDD_KURS = 3214;                      // "Item quotation"
inline constexpr unsigned IDD_FORMULA = 190;                    // "Apply formula"
inline constexpr unsigned IDD_MULTIPLY_QUOTATIONS = 176;        // "Multiply Item's Quotations"
inline constexpr unsigned IDD_DELETE_MULTIPLE_QUOTATIONS = 193; // "Delete multiple quotations"
inline constexpr unsigned IDD_DELETE_QUOTATIONS_INTERVAL = 142; // "Delete Quotations"

// The item's name, shown by the quotation dialogs and the import interval question.
inline constexpr unsigned IDC_ITEM_NAME = 1009;

// Item quotation.
inline constexpr unsigned IDC_KURS_CLOSE = 1019;
inline constexpr unsigned IDC_KURS_TIME = 1125;
inline constexpr unsigned IDC_KURS_DATE = 1012;
inline constexpr unsigned IDC_KURS_OPEN = 1022;
inline constexpr unsigned IDC_KURS_VOLUME = 1023;
inline constexpr unsigned IDC_KURS_LOW = 1020;
inline constexpr unsigned IDC_KURS_HIGH = 1021;

// Apply formula.
inline constexpr unsigned IDC_FORMULA = 1301;
inline constexpr unsigned IDC_FORMULA_FIRST = 1302;
inline constexpr unsigned IDC_FORMULA_LAST = 1303;

// Multiply quotations.
inline constexpr unsigned IDC_MULTIPLY_ITEMS = 1168;

// Delete multiple quotations: the radio group "Daily basis", "Monthly basis".
inline constexpr unsigned IDC_DELETE_DAILY = 1311;
inline constexpr unsigned IDC_DELETE_MONTHLY = 1312;

// Delete quotations of an interval, and the import interval question: the time frame.
inline constexpr unsigned IDC_INTERVAL_FROM = 1182;
inline constexpr unsigned IDC_INTERVAL_TO = 1014;

// --- Import ----------------------------------------------------------------------------------------

inline constexpr unsigned IDD_IMPORT_SOURCE = 194;               // "Import Quotations": source, symbol, time frame
inline constexpr unsigned IDD_IMPORT = 3207;                     // "Import Quotations": URL, rules, download
inline constexpr unsigned IDD_IMPORT_SERVER_SAVE_AS = 30735;     // "Save Import Server Template As..."
inline constexpr unsigned IDD_IMPORT_QUOTATIONS_INTERVAL = 3215; // "Import Quotations": the time frame question

// Buttons both wizard pages have.
inline constexpr unsigned IDC_IMPORT_BACK = 1155;   // "< Back"
inline constexpr unsigned IDC_IMPORT_FINISH = 1190; // "Finish"

// The first page.
inline constexpr unsigned IDC_IMPORT_SOURCE_DOWNLOAD = 1163; // "Internet download" (source 0)
inline constexpr unsigned IDC_IMPORT_SOURCE_FILE = 1162;     // "Local file" (source 1)
inline constexpr unsigned IDC_IMPORT_TEMPLATE = 1074;        // the template list; also the save dialog's name
inline constexpr unsigned IDC_IMPORT_SYMBOL = 1011;
inline constexpr unsigned IDC_IMPORT_TEMPLATE_INFO = 1189;
inline constexpr unsigned IDC_IMPORT_SELECT_FILE = 1164; // "File path"
inline constexpr unsigned IDC_IMPORT_FILE_PATH = 1161;
inline constexpr unsigned IDC_IMPORT_BEGIN = 1122;
inline constexpr unsigned IDC_IMPORT_END = 1124;
inline constexpr unsigned IDC_IMPORT_SOURCE_NEXT = 3; // "Next >"

// The second page.
inline constexpr unsigned IDC_IMPORT_URL = 1143;
inline constexpr unsigned IDC_IMPORT_CONVERSION_NONE = 1024;
inline constexpr unsigned IDC_IMPORT_CONVERSION_SEMI_HTML = 1025;
inline constexpr unsigned IDC_IMPORT_CONVERSION_TEXT = 1026;
inline constexpr unsigned IDC_IMPORT_SEPARATORS = 1150;
inline constexpr unsigned IDC_IMPORT_CASE_INSENSITIVE = 1073;
inline constexpr unsigned IDC_IMPORT_DATA_FORMAT = 1140;
inline constexpr unsigned IDC_IMPORT_STATUS = 1159;
inline constexpr unsigned IDC_IMPORT_VIEW_TEXT = 1165;    // "View file in Notepad"
inline constexpr unsigned IDC_IMPORT_VIEW_BROWSER = 1169; // "View file in Browser"
inline constexpr unsigned IDC_IMPORT_TEMPLATE_NAME = 1313;
inline constexpr unsigned IDC_IMPORT_SAVE_AS = 1312;  // "Save &As..."
inline constexpr unsigned IDC_IMPORT_DELETE = 1119;   // "&Delete"
inline constexpr unsigned IDC_IMPORT_DOWNLOAD = 1166; // "Next >" before the data is loaded (the default)
// "Next >" once the data is loaded is the OK button (1).

// The import interval question.
inline constexpr unsigned IDC_IMPORT_QUOTATIONS = 1013; // the first and the last quotation found
inline constexpr unsigned IDC_IMPORT_FOUND = 1183;      // "%i quotations found:"

// Texts of the import page's status. The page's other status texts are those of every page
// download (retrieval/download.h).
inline constexpr unsigned IDS_IMPORT_DOWNLOADING_BLOCK = 40064; // "Downloading block %i: %i KB"
inline constexpr unsigned IDS_IMPORT_INCORRECT_URL = 40065;     // "Error: Incorrect Import URL!"
inline constexpr unsigned IDS_IMPORT_FILE_LOADED = 41003;       // loaded; "Next" imports
