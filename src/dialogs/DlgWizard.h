#pragma once
// The second page of the server configuration wizard (173): the user types the quotation as the
// page shows it and its separator format; Get Configuration runs the rule search on a worker
// thread, which proposes anchor-text rules one by one; the user picks one (the page text it finds is
// highlighted) and presses Next.
//
//   CDlgWizard rules(services, this);
//   rules.m_strItemName = ...; rules.m_strTemplateName = ...; rules.m_nPageFormat = 1;
//   rules.m_strThousandsSep = "."; rules.m_strDecimalSep = ",";
//   rules.m_strRawFile = ...; rules.m_strSemiHtmlFile = ...; rules.m_strTextFile = ...;
//   switch (rules.DoModal()) {
//   case IDOK: ... m_nPageFormat, m_strThousandsSep, m_strDecimalSep, m_strAnchorText,
//                  m_nTagsToSkip, m_nNumbersToSkip
//   case IDCANCEL: if (rules.m_bBack) ... back to the first page
//   }
//
// The page reads the page files; it neither owns nor deletes them. Results of a search it no
// longer waits for (after a new search, another page form, or once it is closed) are dropped, and
// that search is told to stop.

#include "dialogs/DlgPageDisplay.h"
#include "dialogs/DlgPageDownload.h"
#include "framework/Dialog.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CExtractionRule;
class QComboBox;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class WizardResult;

inline constexpr const char* kEnterQuotationText = "Please enter the quotation to be extracted!";
inline constexpr const char* kCorrectSeparatorsText = "Please correct quotation's thousands/decimal separator format!";
inline constexpr const char* kQuotationNotOnPageText = "Quotation doesn't exist in the specified web page!";

// The wizard offers the first six separator formats.
inline constexpr int kWizardSeparatorRows = 6;
// Numbers the search passes at most, tags on a semi-html page.
inline constexpr int kWizardNumbersLimit = 5;
inline constexpr int kWizardSemiHtmlTagsLimit = 15;
// The quotation handed to the search is cut to this many bytes (at a character's start).
inline constexpr std::size_t kWizardQuotationBytes = 259;

// How a rule reads in the list: "find text \"%s\" and skip %i number(s)", ...
std::string RuleText(const CExtractionRule& rule);

class CDlgWizard : public Dialog {
public:
    explicit CDlgWizard(Services services, QWidget* parent = nullptr);
    ~CDlgWizard() override;

    std::string m_strQuotation; // edit 1152
    int m_nPageFormat = -1;     // combo 1156
    int m_bAwaitFirstRule = 0;  // the first rule of a search gets selected
    int m_bBack = 0;            // "< Back" ended the page
    std::string m_strTemplateName;
    std::string m_strItemName;
    std::string m_strThousandsSep; // combo 1150
    std::string m_strDecimalSep;
    std::string m_strAnchorText; // after IDOK: the chosen rule
    int m_nTagsToSkip = 0;
    int m_nNumbersToSkip = 0;
    std::string m_strRawFile;
    std::string m_strSemiHtmlFile;
    std::string m_strTextFile;
    std::vector<std::unique_ptr<CExtractionRule>> m_Rules; // in arrival order = list order

    // Button 1153 "Get &Configuration".
    void OnGetConfiguration();
    // Button 1155 "< Back".
    void OnBack();
    // A rule chosen in list 1154.
    void OnRuleSelect();
    // A page form chosen in combo 1156.
    void OnPageFormatChange();
    // A result of the search (WMU_WIZARD_RESULT); the page owns it.
    void OnWizardResult(std::unique_ptr<WizardResult> result);

    // Where the search reports, and the number of the search the page waits for.
    ReceiverId resultTarget() const { return m_link.id(); }
    std::uint64_t searchId() const { return m_searchId; }
    const PageForms& pages() const { return m_pages; }

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    // Empties the list and the rules; Next waits for a rule again.
    void clearRules();
    // Stops waiting for the running search and tells it to stop.
    void stopSearch();
    int messageBox(const char* text);

    PageForms m_pages;
    QPushButton* m_btnNext = nullptr;
    QProgressBar* m_progress = nullptr;
    QComboBox* m_cbPageFormat = nullptr;
    QPlainTextEdit* m_view = nullptr;
    QListWidget* m_list = nullptr;
    std::uint64_t m_searchId = 0;
    std::shared_ptr<std::atomic<bool>> m_stop;
    DialogLink m_link; // last: it goes first, before what its handler uses
};
