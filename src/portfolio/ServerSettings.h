#pragma once
// Where and how quotations are found on a page: a server configuration (URL template, page
// conversion, anchor-text or regular-expression extraction) and an import template for whole
// quotation histories. Plain records, copied by value.

#include <string>

struct ServerSettings {
    std::string m_strName;            // template name; empty: the item's own fields are used
    std::string m_strURL;             // URL template with place holders, or a "file://" path
    int m_nTimeout = 0;               // download time-out in seconds
    std::string m_strThousands;       // thousands separator of numbers on the page
    std::string m_strDecimal;         // decimal separator of numbers on the page
    int m_nFormat = 0;                // 0 original, 1 semi-html, 2 text-only
    std::string m_strTextBeforeValue; // anchor text
    int m_nHtmlBeforeValue = 0;       // HTML tags to skip after the anchor
    int m_nNumbersBeforeValue = 0;    // numbers to skip after the tags
    int m_bNoCaseSensitive = 0;       // match without regard to case
    int m_nFiltering = 0;             // 0 anchor text, 1 regular expression
    std::string m_strRegExp;          // regular expression with value place holders
    int m_nRegExpQuotationIndex = 0;  // capture group of the closing value
    int m_nReserved[4] = {0, 0, 0, 0};
    int m_bRegExpExtractDate = 0;
    int m_nRegExpDayIndex = 0;
    int m_nRegExpMonthIndex = 0;
    int m_nRegExpYearIndex = 0;
    int m_bRegExpExtractTime = 0;
    int m_nRegExpHourIndex = 0;
    int m_nRegExpMinuteIndex = 0;
    std::string m_strSymbolInfo;      // what symbol format the server expects
    std::string m_strSymbolSearchUrl; // the server's symbol look-up page
};

struct ImportServerSettings {
    std::string m_strName;
    std::string m_strURL;
    std::string m_strThousands;
    std::string m_strDecimal;
    int m_nFormat = 0;
    int m_bNoCaseSensitive = 0;
    std::string m_strRegExp; // yields one quotation per match
    std::string m_strSymbolInfo;
    std::string m_strSymbolSearchUrl;
};

// The name an item's server settings carry when they are its own definition rather than a
// template (shown in the template lists; the two special items store it as their name).
extern const char* const kLocalDefinitionName;
