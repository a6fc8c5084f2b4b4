#pragma once
// The values and rules of the import wizard's two pages that do not depend on their widgets: the
// members the list view hands over, the template names with their note, the separator choices,
// saving and deleting a template, viewing a downloaded file, and the values of the import
// interval question.

#include "dialogs/ImportBlocks.h"
#include "framework/FileDialogs.h"
#include "platform/OleDate.h"
#include "platform/Settings.h"
#include "portfolio/PortfolioHost.h"
#include "portfolio/ServerSettings.h"

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The names the template lists show beside the stored templates.
inline constexpr const char* kImportTemplateNew = "-- New --";
inline constexpr const char* kImportTemplateLocalFile = "-- Local File --";

// The data format of a new import page.
inline constexpr const char* kDefaultImportDataFormat =
    "[&day]-[&month]-[&year],[&quotation_open],[&quotation_high],[&quotation_low],[&quotation_close],[&volume]";

// The values of the first page (source, symbol, template, time frame).
struct ImportSourceValues {
    std::string m_strTitle;
    std::string m_strFilePath;
    int m_nSource = 0; // 0 internet download, 1 local file
    std::string m_strSymbol;
    std::string m_strTemplate; // a template's name or kImportTemplateNew
    OleDate m_dtBegin;
    OleDate m_dtEnd;
    std::string m_strTemplateInfo;
    bool m_bFinish = false; // left with "Finish"
};

// The values of the second page (URL and rules) that its caller sets and reads. The downloaded
// files are the page's block download's (ImportBlocks.h).
struct ImportPageValues {
    std::string m_strDataFormat = kDefaultImportDataFormat;
    int m_bCaseInsensitive = 1;
    std::string m_strUrl;
    std::string m_strStatus;
    std::string m_strItemName;
    std::string m_strSymbol;
    std::string m_strTitle;
    std::string m_strDecimalSep = ".";
    std::string m_strThousandsSep;
    std::string m_strImportFile;
    std::vector<std::string> m_DataFormats; // data formats used before, in order
    int m_bBack = 0;                        // left to return to the first page
    int m_bFileLoaded = 0;
    bool m_bFinish = false; // finish without stopping at the loaded state
    OleDate m_dtBegin;
    OleDate m_dtEnd;
    int m_nConversion = 0; // 0 none, 1 semi-html, 2 text-only
    std::string m_strTemplateName;
};

// The first page's "File path" question: the open-file dialog starting at `currentPath`, one
// filter "All Files (*.*)" that shows every file (also those without an extension), no default
// extension.
FileDialogRequest ImportFileRequest(const std::string& currentPath);

// --- Templates ---------------------------------------------------------------------------------

// The entries of the first page's template list: the stored names and kImportTemplateNew, sorted
// without regard to case as the list shows them.
std::vector<std::string> ImportTemplateChoices(std::vector<std::string> storedNames);

// The entry the list selects for `wanted`: the first that starts with it without regard to case,
// else kImportTemplateNew.
std::string SelectImportTemplate(std::span<const std::string> choices, std::string_view wanted);

// The note under the template: "For server \"%s\" %s" with the template's name and its symbol
// information; empty for kImportTemplateNew and a template without symbol information.
std::string ImportTemplateInfo(std::string_view templateName, std::string_view symbolInfo);

// Whether "&Delete" is offered when the page opens: for a stored template only.
bool ImportTemplateDeletable(std::string_view templateName);

// "Save &As...": writes the page's URL (place holders and block token kept), separators,
// conversion, case flag and data format as the template `name`; the page's template becomes that
// name. A name that is empty after trimming is refused (false, nothing written), as is a failed
// write.
bool SaveImportTemplate(std::string_view name, ImportPageValues& page, SettingsStore& store = settingsStore());

// "&Delete": deletes the page's template without asking and tells the page to return to the
// first page (true). A local file, a new template and the name "" delete nothing (false).
bool DeleteImportTemplate(const ImportPageValues& page, SettingsStore& store = settingsStore());

// --- Separators --------------------------------------------------------------------------------

struct ImportSeparatorChoice {
    const char* text;
    const char* thousands;
    const char* decimal;
};

// The six choices of the separator list, in order.
inline constexpr std::array<ImportSeparatorChoice, 6> kImportSeparatorChoices = {{
    {"9.999,99", ".", ","},
    {" 9999,99", "", ","},
    {"9,999.99", ",", "."},
    {" 9999.99", "", "."},
    {"9'999.99", "'", "."},
    {"9'999,99", "'", ","},
}};

// The choice of a separator pair; -1 when none matches.
int FindImportSeparatorChoice(std::string_view thousands, std::string_view decimal);

// The separators of a choice; no choice (or one out of range) gives "" and ",".
void ImportSeparatorsOfChoice(int choice, std::string& thousands, std::string& decimal);

// --- Viewing a downloaded file -----------------------------------------------------------------

// Gives the file the page imports (the one of its conversion) the extension `extension` (".txt",
// ".html") so the system's viewer takes it: unless its extension is that one already (without
// regard to case), the file is renamed, an older file of the new name removed first, and both
// `page.m_strImportFile` and the path of the conversion in `files` name it from then on. Returns
// the path to open; empty when there is no file or it could not be renamed.
std::filesystem::path PrepareImportFileForViewer(ImportPageValues& page, ImportPageFiles& files,
                                                 std::string_view extension);

// The rename itself: only the extension of the file's name is replaced (or added). Nothing when
// the file could not be renamed.
std::optional<std::filesystem::path> RenameImportFileExtension(const std::filesystem::path& file,
                                                               std::string_view extension);

// --- Import interval question ------------------------------------------------------------------

// The values of the question, in the order the dialog exchanges them.
struct ImportIntervalValues {
    std::string m_strItemName;
    std::string m_strQuotations; // "%s\n...\n%s": the first and the last quotation found
    OleDate m_dtBegin;
    OleDate m_dtEnd;
    std::string m_strFound; // "%i quotations found:"
};

// The dialog's values from the document's question, and the chosen time frame back into it.
ImportIntervalValues ImportIntervalValuesOf(const ImportIntervalQuestion& question);
void ApplyImportInterval(const ImportIntervalValues& values, ImportIntervalQuestion& question);
