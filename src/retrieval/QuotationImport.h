#pragma once
// The import of a quotation history from a file into an item by the rules of the import page: the
// data format (a regular expression whose place holders mark date, time and values), the
// separators of the numbers and the case flag. The file is read by RegExpImportQuotations; what it
// finds goes to the document's import (CWPapierDoc::ImportQuotations), which asks the user for the
// time frame, converts by the exchange-rate item and adds the quotations. Main thread.

#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/filtering.h"

#include <filesystem>
#include <string>
#include <string_view>

// The rules of one import: the data format with its place holders expanded, the capture groups
// they became, whether date and time are read, and how numbers and letters are compared.
struct QuotationImportRules {
    std::string pattern;
    RegExpGroupIndexes indexes;
    bool dateWanted = false;
    bool timeWanted = false;
    std::string recordMarker; // the symbol when the format holds [&symbol]: every record line has it
    bool caseInsensitive = true;
    std::string thousands;
    std::string decimal;
};

// The rules of a data format as the import page holds it: every [&symbol] becomes `symbol` with
// every regular-expression metacharacter escaped (EscapeRegExpMetacharacters), then the value,
// date and time place holders become sub-patterns built with the separators
// (RegExpExpandPlaceHolders). The symbol goes in first, so whatever it holds ("(", "|", "^",
// "[&day]") neither shifts the capture groups nor changes the pattern's structure. The date is
// read when the format has a day, month or year place holder, the time when it has an hour or
// minute place holder.
QuotationImportRules MakeQuotationImportRules(std::string_view dataFormat, std::string_view symbol,
                                              std::string_view thousands, std::string_view decimal,
                                              bool caseInsensitive);

// The document's reader of an import file by the rules (RegExpImportQuotations). When it finds
// nothing, the error is the import's message ("No match found for specified data format!" when
// the file gave none, as an empty file does). Lines without a quotation are counted as skipped
// (RegExpImportSkips; a line without the symbol of a format that names it is another item's).
CWPapierDoc::QuotationReader RegExpQuotationReader(QuotationImportRules rules);

// Imports `file` into the item at `pos` by `rules`: CWPapierDoc::ImportQuotations with the reader
// above. `from` and `to` are the time frame asked for (with `confirm` the proposal of the
// question; without, the frame itself, written back in order and widened to whole days). True
// when the import ran; false when the item is gone, nothing was found or the user declined.
// Messages name the file `shownName` (the user's file or address, when `file` is a copy of it).
bool ImportQuotationsFromFile(CWPapierDoc& doc, ItemPos pos, const std::filesystem::path& file,
                              const QuotationImportRules& rules, OleDate& from, OleDate& to, bool confirm,
                              const std::string& shownName = {});
