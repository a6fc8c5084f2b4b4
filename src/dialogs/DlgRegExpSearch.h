#pragma once
// The regular-expression test (191): tries a regular expression with place holders on a page just
// downloaded, in one of its three forms, with the matching the quotation download uses; shows the
// values, date and time it extracts and highlights what it matched. When the whole expression
// does not match, the longest leading part that does is shown, with how far it gets.
//
//   CDlgRegExpSearch test(services, this);
//   test.m_strItemName = ...; test.m_strItemSymbol = ...; test.m_strTemplateName = ...;
//   test.m_nPageFormat = 1; test.m_strRegExp = ...; test.m_strDecimalSep = ","; test.m_strThousandsSep = ".";
//   test.m_strRawFile = ...; test.m_strSemiHtmlFile = ...; test.m_strTextFile = ...;
//   if (test.DoModal() == IDOK) ... test.m_nPageFormat, test.m_strRegExp
//
// The dialog reads the page files; it neither owns nor deletes them.

#include "dialogs/DialogTips.h"
#include "dialogs/DlgPageDisplay.h"
#include "framework/Dialog.h"
#include "portfolio/Kurs.h"
#include "retrieval/filtering.h"

#include <cstdint>
#include <string>
#include <string_view>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// The tip of a regular-expression field (also the server configuration editor's).
inline constexpr const char* kRegExpTipText =
    "Regular expression specifying how to extract quotation info from web page (CVR variables [&symbol] and "
    "[&name] allowed):\n\nYou should use the place holders [&day], [&month], [&year], [&hour] and [&minute] to "
    "specify quotation date/time position and \nthe place holders [&quotation_open], [&quotation_close], "
    "[&quotation_high], [&quotation_low] and [&volume] to specify the value positions\n\ne.g.: "
    "[&symbol],[&quotation_close],[&month]/[&day]/[&year],[&dummyvalue],[&quotation_open],[&quotation_high],"
    "[&quotation_low],[&volume]\n\nNote that only the place holder [&quotation_close] is mandatory.";

// What one Search found on a page.
struct RegExpSearchOutcome {
    bool matched = false;       // the expression, or a leading part of it, matched
    std::string matchedPattern; // that part (the whole expression when it matched whole)
    int matchStart = 0;         // what it matched: bytes of the page
    int matchLength = 0;
    CKurs quotation;           // what it extracted; 20:00 for another day without a time
    RegExpGroupIndexes groups; // the place holders' groups
    bool hasDate = false;      // day and month groups
    bool hasTime = false;      // hour and minute groups
    int errorCode = 0;         // the whole expression failed other than by no match: nothing shortened
    std::string errorMessage;
    int tries = 0; // patterns tried
};

// The search of the test: the expression with name and symbol put in as literals and its place
// holders expanded is matched on the page; while it does not match, its last byte is dropped. The
// quotation's date starts as `now`. A first try that fails other than by no match (the pattern
// does not compile, a group is missing) ends the search with that error.
RegExpSearchOutcome SearchLongestMatch(std::string_view page, std::string expression, std::string_view name,
                                       std::string_view symbol, std::string_view decimal, std::string_view thousands,
                                       const OleDate& now);

class CDlgRegExpSearch : public Dialog {
public:
    explicit CDlgRegExpSearch(Services services, QWidget* parent = nullptr);
    ~CDlgRegExpSearch() override;

    std::string m_strItemName;     // for [&name] and the title
    std::string m_strItemSymbol;   // for [&symbol]
    std::string m_strTemplateName; // the template's name, or the item's own definition (string 40035)
    int m_nPageFormat = 0;         // combo 1156: 0 original, 1 semi-html, 2 text-only
    std::string m_strDecimalSep;
    std::string m_strThousandsSep;
    std::string m_strRawFile;
    std::string m_strSemiHtmlFile;
    std::string m_strTextFile;
    std::string m_strRegExp; // edit 1010
    std::uint8_t m_bInitialising = 1;
    // The read-only result fields.
    std::string m_strClose = "--";
    std::string m_strDay = "--";
    std::string m_strMonth = "--";
    std::string m_strYear = "--";
    std::string m_strHour = "--";
    std::string m_strMinute = "--";
    std::string m_strMatch = "--";
    std::string m_strOpen = "--";
    std::string m_strHigh = "--";
    std::string m_strLow = "--";
    std::string m_strVolume = "--";

    // Button 1308 "Search".
    void OnSearch();
    // A page form chosen in 1156.
    void OnPageFormatChange();
    // The user edited the expression.
    void OnRegExpChange();

    const PageForms& pages() const { return m_pages; }

    // The dialog's tip: the expression field.
    static const DialogTipTable& Tips();

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    void resetValueFields();

    PageForms m_pages;
    QComboBox* m_cbPageFormat = nullptr;
    QPlainTextEdit* m_view = nullptr;
    QLineEdit* m_editRegExp = nullptr;
};
