#pragma once
// Resource ids and string-table texts of the quotation import: the two wizard pages, the
// template's save dialog and the import interval question.

// Dialog templates.
inline constexpr unsigned IDD_IMPORT_SOURCE = 194;               // "Import Quotations": source, symbol, time frame
inline constexpr unsigned IDD_IMPORT = 3207;                     // "Import Quotations": URL, rules, download
inline constexpr unsigned IDD_IMPORT_SERVER_SAVE_AS = 30735;     // "Save Import Server Template As..."
inline constexpr unsigned IDD_IMPORT_QUOTATIONS_INTERVAL = 3215; // "Import Quotations": the time frame question

// Texts of the import page's status.
inline constexpr const char* IDS_IMPORT_DOWNLOADING_BLOCK = "Downloading block %i: %i KB"; // string 40064
inline constexpr const char* IDS_IMPORT_INCORRECT_URL = "Error: Incorrect Import URL!";    // string 40065
inline constexpr const char* IDS_IMPORT_FILE_NOT_FOUND = "Error: File not found: ";        // string 40019
inline constexpr const char* IDS_IMPORT_DOWNLOAD_ABORTED = "Download aborted!";            // string 40022
inline constexpr const char* IDS_IMPORT_FILE_LOADED =
    "The file has been successfully loaded.\r\nPress \"Next\" to import quotations."; // string 41003
