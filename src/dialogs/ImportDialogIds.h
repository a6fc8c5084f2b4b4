#pragma once
// Resource ids and string-table texts of the quotation import: the two wizard pages, the
// template's save dialog and the import interval question.

// Dialog templates.
inline constexpr unsigned IDD_IMPORT_SOURCE = 194;               // "Import Quotations": source, symbol, time frame
inline constexpr unsigned IDD_IMPORT = 3207;                     // "Import Quotations": URL, rules, download
inline constexpr unsigned IDD_IMPORT_SERVER_SAVE_AS = 30735;     // "Save Import Server Template As..."
inline constexpr unsigned IDD_IMPORT_QUOTATIONS_INTERVAL = 3215; // "Import Quotations": the time frame question

// Texts of the import page's status, with their numbers in the string table.
inline constexpr const char* kImportDownloadingBlockText = "Downloading block %i: %i KB"; // string 40064
inline constexpr const char* kImportIncorrectUrlText = "Error: Incorrect Import URL!";    // string 40065
inline constexpr const char* kImportFileNotFoundText = "Error: File not found: ";         // string 40019
inline constexpr const char* kImportDownloadAbortedText = "Download aborted!";            // string 40022
inline constexpr const char* kImportFileLoadedText =
    "The file has been successfully loaded.\r\nPress \"Next\" to import quotations."; // string 41003
