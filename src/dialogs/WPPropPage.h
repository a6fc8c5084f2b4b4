#pragma once
// "General" (143): the item's name, symbol, category and note, whether it takes part in
// downloads, and its server configuration -- a named template of the store or the item's own
// definition ("-- Local definition / Non-template --", string 40035), which the page holds field by
// field. From here the user looks up the symbol on the server's search site, opens the server's
// page, tests the configuration, edits or deletes the template, or derives one with the wizard.
//
// The launcher fills the members and reads them after OK. Template edits, deletions and wizard
// results reach the store at once; Test writes name, symbol and the currency settings into the item
// before it starts.

#include "framework/PropertyPage.h"
#include "portfolio/ItemPos.h"
#include "portfolio/ServerSettings.h"

#include <functional>
#include <memory>
#include <string>

class CPPToolTip;
class CWPapier;
class CWPapierDoc;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ServerPropDocument;
class SettingsStore;

// The category box's entries before the item's own.
inline constexpr const char* kItemCategories[] = {"Equity",     "Bond",      "Certificate",
                                                  "Currency",   "Fund equity", "Fund fixed-income",
                                                  "Fund money market", "Index", "Warrant"};

class CWPPropPage : public PropertyPage {
public:
    CWPPropPage(Services services, ServerPropDocument* serverDoc = nullptr);
    ~CWPPropPage() override;

    QPushButton* m_btnWizard = nullptr;
    QPushButton* m_btnZoomNote = nullptr;
    QPushButton* m_btnSymbolLookup = nullptr;
    QPushButton* m_btnEdit = nullptr;
    QPushButton* m_btnDelete = nullptr;
    std::string m_strName;
    std::string m_strTemplateName;
    std::string m_strSymbol;
    QComboBox* m_cbTemplates = nullptr;
    QLineEdit* m_editName = nullptr;
    std::string m_strNote; // as the item keeps it, "\r\n" line ends
    ItemPos m_posItem = kNoItemPos;
    // The local definition.
    std::string m_strThousandsSep;
    std::string m_strDecimalSep = ",";
    std::string m_strTextBefore;
    std::string m_strUrl;
    int m_nFormat = 0;
    int m_nTagsToSkip = 0;
    int m_nTimeout = 0;
    int m_nNumbersToSkip = 0;
    int m_bCaseInsensitive = 0;
    int m_nSearchMethod = 0;
    std::string m_strRegExp;
    std::string m_strTemplateBackup;
    std::string m_strSymbolSearchUrl;
    QLabel* m_stcServerHint = nullptr;
    int m_bDownloadEnabled = 0;
    QComboBox* m_cbCategory = nullptr;
    std::string m_strCategory;
    QPushButton* m_btnOpenWebPage = nullptr;
    QPushButton* m_btnTest = nullptr;

    CWPapierDoc* m_pDoc = nullptr;
    // A brand-new item of the insert command: its template, chosen by the user's country, may
    // well be missing here, and that is not reported.
    bool m_bNewItem = false;
    // Writes the Currency Conversion page's settings into the item before a test download.
    std::function<void(CWPapier&)> m_applyCurrencySettings;

    // The local definition as a record, and back (the name is not touched).
    ServerSettings LocalDefinition() const;
    // Writes the local definition's fields into `settings` (its other fields stay).
    void ApplyLocalDefinition(ServerSettings& settings) const;
    void SetLocalDefinition(const ServerSettings& settings);

    void OnChangeName();
    void UpdateServerHint();
    void OnZoomNote();
    void OnSymbolLookup();
    void OnOpenWebPage();
    void OnTestQuotationUpdate();
    void OnEditServer();
    void OnDeleteServer();
    void OnWizard();

protected:
    void DoDataExchange(DataExchange& dx) override;
    void BuildControls() override;
    bool OnInitDialog() override;

private:
    bool FillTemplateList();
    bool isLocalDefinition(const std::string& name) const;
    // The store of the templates: the bundle's, else the program's.
    SettingsStore& store() const;
    // The settings of the template named `name` (the store's defaults for an unknown name).
    ServerSettings loadTemplate(const std::string& name) const;
    // Writes `settings` under m_strTemplateName; a refusal is shown.
    void saveTemplate(const ServerSettings& settings);
    // The wizard once; true when it is to run again (Back on its second page).
    bool runWizardOnce();

    ServerPropDocument* m_pServerDoc;
    std::unique_ptr<CPPToolTip> m_ToolTip;
};
