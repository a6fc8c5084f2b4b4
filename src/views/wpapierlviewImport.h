#pragma once
// The list view's import of historical quotations and its portfolio export, as far as they do not
// depend on widgets: which selected items the import wizard runs for, what the view hands the two
// wizard pages, the import of one item from the second page's result, and the export's file
// dialog.

#include "dialogs/DlgImportLogic.h"
#include "framework/FileDialogs.h"
#include "platform/Settings.h"
#include "portfolio/ItemPos.h"
#include "retrieval/QuotationImport.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CWPapierDoc;

// The template the first page proposes at the view's first initial update.
inline constexpr const char* kInitialImportTemplate = "Yahoo Finance";

// The items the wizard runs for, in the selection's order: every selected item that is neither
// the cash account nor, with 3 or more items selected, the investment history. Positions that
// hold no item are left out.
std::vector<ItemPos> ImportItems(const CWPapierDoc& doc, std::span<const ItemPos> selected);

// Whether the import command is offered: some selected item is not the cash account.
bool ImportCommandEnabled(const CWPapierDoc& doc, std::span<const ItemPos> selected);

// The first page's title: "Import historical quotations for \"%s\"" with the item's name.
std::string ImportSourceTitle(std::string_view itemName);

// The first page before its first run: the time frame from 30 days before `now` to `now`, the
// template kInitialImportTemplate.
void PresetImportSource(ImportSourceValues& source, const OleDate& now);

// What the second page gets from the first before it runs: for a local file the URL "file://"
// followed by the path and the template name kImportTemplateLocalFile; for a stored template its
// URL, conversion, separators, case flag and data format (kImportTemplateNew keeps the page's own
// values) and its name; in any case the first page's title, time frame, symbol and finish flag.
void PrepareImportPage(const ImportSourceValues& source, ImportPageValues& page,
                       const SettingsStore& store = settingsStore());

// The rules of the page's data format for the symbol: every "[&symbol]" becomes the symbol with
// every special character escaped, then the value, date and time place holders become sub-patterns
// built with the page's separators. The symbol goes in first, so whatever it holds ("(", "|",
// "^", "[&day]") neither shifts the capture groups nor changes the pattern's structure.
QuotationImportRules ImportRulesOfPage(const ImportPageValues& page);

// `text` as a literal of a regular expression: a backslash before every ASCII punctuation
// character.
std::string EscapeRegExpLiteral(std::string_view text);

// Imports the page's file into the item at `pos` by ImportRulesOfPage, within the page's time
// frame; the time-frame question is asked unless the page was left with "Finish". Then the
// downloaded files are deleted, whatever the import did. True when the import ran.
bool ImportFromImportPage(CWPapierDoc& doc, ItemPos pos, const ImportPageValues& page, ImportPageFiles& files);

// The portfolio export's save dialog: the document's path with a 4-character extension (".cvr")
// of its file name cut (the document's title without a path), the filters "Excel Files (*.xls)"
// and "Text Files (*.txt)", default extension "xls".
FileDialogRequest PortfolioExportRequest(const std::filesystem::path& documentPath, const std::string& documentTitle);
