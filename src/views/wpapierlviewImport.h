#pragma once
// The list view's import of historical quotations and its portfolio export: which selected items
// the import wizard runs for, what the view hands the two wizard pages, the wizard for one item
// with its import, and the export's file dialog.

#include "dialogs/DlgImportLogic.h"
#include "framework/FileDialogs.h"
#include "framework/Services.h"
#include "platform/Settings.h"
#include "portfolio/ItemPos.h"
#include "retrieval/QuotationImport.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CWPapierDoc;
class QWidget;

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

// The rules of the page's data format for its symbol, separators and case flag
// (MakeQuotationImportRules): the symbol is put in as a literal before the place holders become
// capture groups.
QuotationImportRules ImportRulesOfPage(const ImportPageValues& page);

// The name of the page's file as the user knows it: the local file's path for a "file://"
// address, else the address itself (the file imported is a temporary copy of either).
std::string ImportShownName(const ImportPageValues& page);

// Imports the page's file into the item at `pos` by ImportRulesOfPage, within the page's time
// frame; the time-frame question is asked unless the page was left with "Finish". Messages name
// the file by ImportShownName. Then the downloaded files are deleted, whatever the import did.
// True when the import ran.
bool ImportFromImportPage(CWPapierDoc& doc, ItemPos pos, const ImportPageValues& page, ImportPageFiles& files);

// The two wizard pages' values that last from one import to the next: the choices the user made
// (template, file, time frame, URL and rules, the data formats used) are offered again. Its owner
// presets the first page once (PresetImportSource).
struct ImportWizardPages {
    ImportSourceValues source;
    ImportPageValues page;
};

enum class ImportWizardOutcome {
    Imported,  // the item's quotations were imported
    Skipped,   // the second page was cancelled, or the item is gone: the next item may follow
    Cancelled, // the first page was cancelled: the whole import ends
};

// The import wizard for the item at `pos`: the first page, then the second, each run through the
// bundle's modal runner, and the import of what the second page loaded. "< Back" (and "&Delete")
// on the second page, a declined time frame and a failed import bring the first page back for the
// same item -- in a loop, never by running the wizard inside itself. The downloaded files are
// deleted after each pass, whatever became of them.
ImportWizardOutcome RunImportWizard(CWPapierDoc& doc, ItemPos pos, ImportWizardPages& pages, const Services& services,
                                    QWidget* parent = nullptr);

// The portfolio export's save dialog: the document's path with a 4-character extension (".cvr")
// of its file name cut (the document's title without a path), the filters "Excel Files (*.xls)"
// and "Text Files (*.txt)", default extension "xls".
FileDialogRequest PortfolioExportRequest(const std::filesystem::path& documentPath, const std::string& documentTitle);
