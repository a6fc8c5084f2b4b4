#pragma once
// What the item property sheet's pages share that does not depend on their widgets: the note's
// line ends, the addresses Symbol Look-up and Open web page open, and the lists of items a page
// offers (linked items are held and selected by their position, never by name).

#include "framework/DataExchange.h"
#include "portfolio/ItemPos.h"

#include <string>
#include <string_view>
#include <vector>

class CWPapierDoc;
class QComboBox;

// A note as the editor shows it ("\n" line ends) and as the item keeps it ("\r\n").
std::string NoteForEditor(std::string_view note);
std::string NoteForItem(std::string_view edited);
// A note edit both ways with these line ends.
void DDX_NoteText(DataExchange& dx, unsigned id, std::string& note);

// Symbol Look-up: `searchUrl` with "[&url]" replaced by `templateUrl` and "[&name]" by the
// percent-encoded name, each blank as "+".
std::string SymbolLookupUrl(std::string_view searchUrl, std::string_view templateUrl, std::string_view name);
// Open web page: the date place holders expanded for now, then [&name] and [&symbol]
// percent-encoded (ReplaceNameSymbolInUrl).
std::string WebPageUrl(std::string_view url, std::string_view name, std::string_view symbol);

struct ItemEntry {
    std::string name;
    ItemPos pos = kNoItemPos;
    bool operator==(const ItemEntry&) const = default;
};
// The document's items in list order, but `except`.
std::vector<ItemEntry> ItemEntries(const CWPapierDoc& doc, ItemPos except = kNoItemPos);
// Fills a sorted combo box with the entries, each with its position as data.
void FillItemCombo(QComboBox& combo, const std::vector<ItemEntry>& entries);
// Selects the entry of `pos` (none when no entry has it); whether one was found.
bool SelectItemEntry(QComboBox& combo, ItemPos pos);
// The position of the selected entry; kNoItemPos without a selection.
ItemPos SelectedItemEntry(const QComboBox& combo);

// The General page's hint below the symbol for the template `name` and its settings: "For server
// \"<name>\" " and "try using Ticker, ISIN or WKN as symbol." or the template's SymbolInfo, with
// the Symbol Look-up line when the template also has a look-up address, which `searchUrl` then
// takes (else it is emptied).
std::string ServerHintText(const std::string& name, const std::string& symbolInfo, const std::string& symbolSearchUrl,
                           std::string& searchUrl);

// The wizard's anchor text made general: the item's name becomes "[&name]", then its symbol
// "[&symbol]" (empty name or symbol: left alone).
std::string GeneraliseAnchorText(std::string text, const std::string& name, const std::string& symbol);
// The wizard's page form for a URL: 0 (original) when, lower-cased, it holds ".txt", ".csv" or
// ".asc" after its first character, else 1 (semi-html).
int WizardPageFormat(std::string_view url);
