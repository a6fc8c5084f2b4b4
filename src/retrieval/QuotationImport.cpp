#include "retrieval/QuotationImport.h"

#include "retrieval/PlaceHolders.h"

#include <memory>
#include <utility>
#include <vector>

QuotationImportRules MakeQuotationImportRules(std::string_view dataFormat, std::string_view symbol,
                                              std::string_view thousands, std::string_view decimal,
                                              bool caseInsensitive) {
    // The symbol goes in first, as a literal: whatever it holds ("(", "|", "^", "[&day]") neither
    // shifts the capture groups the place holders become nor changes the pattern's structure.
    constexpr std::string_view kSymbol = "[&symbol]";
    const std::string escaped = EscapeRegExpMetacharacters(symbol);
    QuotationImportRules rules;
    rules.pattern = std::string(dataFormat);
    for (std::size_t at = rules.pattern.find(kSymbol); at != std::string::npos;
         at = rules.pattern.find(kSymbol, at + escaped.size()))
        rules.pattern.replace(at, kSymbol.size(), escaped);
    RegExpExpandPlaceHolders(rules.pattern, rules.indexes, decimal, thousands);
    const RegExpGroupIndexes& ix = rules.indexes;
    rules.dateWanted = ix.m_nDayIndex >= 0 || ix.m_nMonthIndex >= 0 || ix.m_nYearIndex >= 0;
    rules.timeWanted = ix.m_nHourIndex >= 0 || ix.m_nMinuteIndex >= 0;
    // With the symbol in the format, a line without it is another item's record, not a skipped one.
    if (std::string_view(dataFormat).find(kSymbol) != std::string_view::npos)
        rules.recordMarker = std::string(symbol);
    rules.caseInsensitive = caseInsensitive;
    rules.thousands = std::string(thousands);
    rules.decimal = std::string(decimal);
    return rules;
}

CWPapierDoc::QuotationReader RegExpQuotationReader(QuotationImportRules rules) {
    return [rules = std::move(rules)](const std::filesystem::path& file) {
        std::vector<std::unique_ptr<CKurs>> list;
        int code = EXTRACT_OK;
        std::string message;
        RegExpImportSkips skips;
        skips.lineMarker = rules.recordMarker;
        // The import usually ends at the first search without a match; what counts is what it found.
        RegExpImportQuotations(file, list, rules.pattern, rules.indexes, rules.dateWanted, rules.timeWanted,
                               rules.caseInsensitive, rules.thousands, rules.decimal, code, message, &skips);
        CWPapierDoc::QuotationReading reading;
        reading.found.reserve(list.size());
        for (const auto& quotation : list)
            reading.found.push_back(*quotation);
        if (reading.found.empty())
            reading.error = message.empty() ? "No match found for specified data format!" : message;
        reading.skipped = skips.count;
        reading.skipReason = std::move(skips.firstReason);
        return reading;
    };
}

bool ImportQuotationsFromFile(CWPapierDoc& doc, ItemPos pos, const std::filesystem::path& file,
                              const QuotationImportRules& rules, OleDate& from, OleDate& to, bool confirm,
                              const std::string& shownName) {
    return doc.ImportQuotations(pos, file, RegExpQuotationReader(rules), from, to, confirm, shownName);
}
