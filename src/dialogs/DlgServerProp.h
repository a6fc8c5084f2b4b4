#pragma once
// The server configuration editor (112): edits one server configuration -- a named template or an
// item's own definition -- opens its address in the browser and the help page, tests it (a test
// download for the anchor-text search; the page download and the regular-expression test for the
// regular-expression search) and saves it under another name (the save dialog 163).
//
//   CDlgServerProp editor(services, document, this);
//   editor.m_posItem = pos; editor.m_strItemName = name; editor.m_strItemSymbol = symbol;
//   editor.m_strTemplateName = templateName;  // or LoadString(IDS_LOCAL_DEFINITION)
//   editor.SetSettings(settings);             // or the members one by one
//   if (editor.DoModal() == IDOK) ... editor.m_strTemplateName, editor.GetSettings()

#include "dialogs/DialogTips.h"
#include "dialogs/DlgPageDownload.h"
#include "framework/Dialog.h"
#include "portfolio/ItemPos.h"
#include "portfolio/ServerSettings.h"

#include <array>
#include <string>
#include <string_view>

class QPushButton;
class QWidget;

// The thousands/decimal separator formats (combo 1150): the text shown and the pair it stands for.
// The wizard offers the first six.
struct SeparatorFormat {
    const char* text;
    const char* thousands;
    const char* decimal;
};
inline constexpr std::array<SeparatorFormat, 8> kSeparatorFormats = {{
    {"9.999,99", ".", ","},
    {" 9999,99", "", ","},
    {"9,999.99", ",", "."},
    {" 9999.99", "", "."},
    {"9'999.99", "'", "."},
    {"9'999,99", "'", ","},
    {"9 999.99", " ", "."},
    {"9 999,99", " ", ","},
}};

// The first of the first `rows` rows whose pair equals (thousands, decimal) exactly; -1 for none.
int SeparatorRow(std::string_view thousands, std::string_view decimal, int rows = 8);
// The separator combo both ways: loading selects the row of the pair (nothing when none matches);
// saving takes the pair of the selected row, or "" and "," without one.
void DDX_Separators(DataExchange& dx, unsigned id, std::string& thousands, std::string& decimal, int rows = 8);

class CDlgServerProp : public Dialog {
public:
    CDlgServerProp(Services services, ServerPropDocument& document, QWidget* parent = nullptr);
    ~CDlgServerProp() override;

    std::string m_strTextBefore;   // edit 1008: Text_before_Value
    std::string m_strThousandsSep; // combo 1150: TAUSEND
    std::string m_strDecimalSep = ",";
    std::string m_strUrl;           // edit 1006
    int m_nFormat = -1;             // radios 1024-1026
    int m_nTagsToSkip = 0;          // edit 1027, 0 to 10000
    int m_nTimeout = 0;             // edit 1029 with the up-down 1031, 1 to 600
    int m_nNumbersToSkip = 0;       // edit 1033, 0 to 10000
    int m_bCaseInsensitive = 1;     // check 1073
    std::string m_strRegExp;        // edit 1010
    int m_nSearchMethod = -1;       // radios 1133/1134: 0 anchor text, 1 regular expression
    ItemPos m_posItem = kNoItemPos; // the item whose configuration this is
    std::string m_strItemName;      // for [&name] and the title
    std::string m_strItemSymbol;    // for [&symbol]
    std::string m_strTemplateName;  // the template's name, or string 40035 for the item's own
    int m_bAdvanced = 0;            // the advanced section is shown

    // Fills the settings members from a configuration, and back.
    void SetSettings(const ServerSettings& settings);
    ServerSettings GetSettings() const;

    // Buttons and radios.
    void OnOpenUrl();
    void OnHelp();
    void OnTestConfiguration();
    void OnSaveAs();
    void OnToggleAdvanced();
    void OnStandardSearch();
    void OnAdvancedSearch();
    void OnConversionNoTags();
    void OnConversionSemiHtml();

    // The dialog's tips.
    static const DialogTipTable& Tips();

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    // Shows or hides the advanced section by m_bAdvanced and fits the dialog to what is shown.
    void relayout();
    void setTitle();
    void enable(unsigned id, bool on);

    ServerPropDocument& m_document;
    QPushButton* m_btnAdvanced = nullptr;
    std::array<QWidget*, 3> m_advancedParts{}; // radios 1133 and 1134, group 1148 with the notes
};
