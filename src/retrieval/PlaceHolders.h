#pragma once
// Place holders in URL templates, anchor texts and regular expressions: the item's name and
// symbol ([&name], [&symbol], [&symbol(start,count)]) and a date-time ([&d], [&dw], [&m],
// [&mstr] and its variants, [&y], [&h], [&min]). Plain functions without state: any thread may
// call them at any time. The results are whole strings; nothing is ever cut.

#include "platform/OleDate.h"

#include <string>
#include <string_view>

// Copies `src` to `dst` with every date place holder replaced by the fields of `date`. With
// `stepBack` above 0 the date is first moved back by that many units of the first of [&d],
// [&dw], [&h], [&min] met during the replacement (days, days, hours, minutes); `date` keeps the
// moved value. An invalid date yields "-1" ("-2" for [&dw] and "-1" for month names).
// Returns 1 when at least one place holder was replaced, else 0.
int ExpandDatePlaceHolders(std::string_view src, std::string& dst, OleDate& date, int stepBack);

// The same with the current local date-time of the program's clock; the moved date is dropped.
int ExpandDatePlaceHoldersNow(std::string_view src, std::string& dst, int stepBack);

// Copies `src` to `dst` with [&name], [&symbol] and [&symbol(start,count)] replaced. The part of
// the symbol starts at character `start` (0 = first) and is `count` characters long; without a
// count it is empty. With `regexEscape` name and symbol are escaped for a regular expression
// first (backslash doubled; \ put before ^ $ ( ) [ ]). Inserted values are not scanned again, so
// a name that itself holds a place holder stays as it is. Returns 1 when anything was replaced.
int ReplaceNameSymbol(std::string_view src, std::string& dst, std::string_view name, std::string_view symbol,
                      bool regexEscape);

// ReplaceNameSymbol with the name and symbol of a portfolio item (anything with m_strName and
// m_strSymbol). A null item returns 0 and leaves `dst` as it was.
template <class Item>
int ReplaceItemPlaceHolders(std::string_view src, std::string& dst, const Item* item, bool regexEscape) {
    if (item == nullptr)
        return 0;
    return ReplaceNameSymbol(src, dst, item->m_strName, item->m_strSymbol, regexEscape);
}

// The escaping ReplaceNameSymbol applies to name and symbol with `regexEscape`.
std::string EscapeNameSymbolForRegExp(std::string_view text);

// `text` as a literal inside a regular expression: a backslash before every character that has a
// meaning there (\ ^ $ . | ? * + ( ) [ ] { }).
std::string EscapeRegExpMetacharacters(std::string_view text);

// `text` percent-encoded for a URL: every byte but letters, digits and - . _ ~ becomes %XX.
std::string PercentEncodeUrlText(std::string_view text);

// ReplaceNameSymbol with every inserted value (a part of the symbol taken first) escaped by
// EscapeRegExpMetacharacters, so a name such as "S&P 500 (USD)+" matches only itself.
int ReplaceNameSymbolAsLiteral(std::string_view src, std::string& dst, std::string_view name, std::string_view symbol);

// ReplaceNameSymbol for an address the user opens or downloads: inserted values are
// percent-encoded, so a name with '&', '?', '#' or blanks stays one value of the query. A "file://"
// address takes them as they are: the download reads its path literally.
int ReplaceNameSymbolInUrl(std::string_view src, std::string& dst, std::string_view name, std::string_view symbol);
