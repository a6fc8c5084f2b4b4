#include "dialogs/WPPropPage.h"

#include "controls/PPToolTip.h"
#include "dialogs/DialogIds.h"
#include "dialogs/DialogParts.h"
#include "dialogs/DlgSaveServerProp.h"
#include "dialogs/DlgServerProp.h"
#include "dialogs/DlgWizard.h"
#include "dialogs/DlgWizardUrl.h"
#include "dialogs/DlgZoomNote.h"
#include "dialogs/ItemSheetIds.h"
#include "dialogs/ItemSheetParts.h"
#include "framework/PropertySheet.h"
#include "framework/StringTable.h"
#include "log/Log.h"
#include "platform/Settings.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/PageFiles.h"
#include "retrieval/ServerConfigStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

std::string fillPercentS(std::string text, const std::string& value) {
    const std::size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n\f\v");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n\f\v");
    return text.substr(first, last - first + 1);
}

} // namespace

CWPPropPage::CWPPropPage(Services services, ServerPropDocument* serverDoc)
    : PropertyPage(IDD_PROPPAGE_GENERAL, std::move(services)), m_pServerDoc(serverDoc) {
    setWindowTitle(QStringLiteral("General"));
}

void CWPPropPage::BuildControls() {
    auto* layout = new QGridLayout(this);
    int row = 0;

    m_editName = withId(new QLineEdit, IDC_GEN_NAME);
    layout->addWidget(new QLabel(QStringLiteral("Name:")), row, 0);
    layout->addWidget(m_editName, row++, 1, 1, 2);

    auto* symbolRow = new QHBoxLayout;
    symbolRow->addWidget(withId(new QLineEdit, IDC_GEN_SYMBOL), 1);
    m_btnSymbolLookup = withId(new QPushButton(QStringLiteral("Symbol Look-up")), IDC_GEN_SYMBOL_LOOKUP);
    m_btnSymbolLookup->setMinimumWidth(120);
    symbolRow->addWidget(m_btnSymbolLookup);
    layout->addWidget(new QLabel(QStringLiteral("Symbol:")), row, 0);
    layout->addLayout(symbolRow, row++, 1, 1, 2);

    m_stcServerHint = withId(new QLabel, IDC_GEN_SERVER_HINT);
    m_stcServerHint->setTextFormat(Qt::PlainText);
    m_stcServerHint->setWordWrap(true);
    m_stcServerHint->setMinimumHeight(m_stcServerHint->fontMetrics().height() * 3);
    m_stcServerHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_stcServerHint, row++, 1, 1, 2);

    m_cbCategory = withId(new QComboBox, IDC_GEN_CATEGORY);
    m_cbCategory->setEditable(true);
    m_cbCategory->setInsertPolicy(QComboBox::NoInsert);
    layout->addWidget(new QLabel(QStringLiteral("Category:")), row, 0);
    layout->addWidget(m_cbCategory, row++, 1, 1, 2);

    auto* note = withId(new QPlainTextEdit, IDC_GEN_NOTE);
    note->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    note->setFixedHeight(note->fontMetrics().height() * 4 + 10);
    m_btnZoomNote = withId(new QPushButton(QStringLiteral("...")), IDC_GEN_ZOOM_NOTE);
    m_btnZoomNote->setFixedWidth(28);
    layout->addWidget(new QLabel(QStringLiteral("Note:")), row, 0, Qt::AlignTop);
    layout->addWidget(note, row, 1);
    layout->addWidget(m_btnZoomNote, row++, 2, Qt::AlignTop);

    auto* server = new QGroupBox(QStringLiteral("Quotation server"));
    auto* serverLayout = new QGridLayout(server);
    serverLayout->addWidget(withId(new QCheckBox(QStringLiteral("Enable quotation download")), IDC_GEN_DOWNLOAD), 0,
                            0, 1, 4);
    m_cbTemplates = withId(new QComboBox, IDC_GEN_TEMPLATES);
    m_cbTemplates->setMinimumContentsLength(30);
    serverLayout->addWidget(new QLabel(QStringLiteral("Server configuration:")), 1, 0);
    serverLayout->addWidget(m_cbTemplates, 1, 1, 1, 3);
    m_btnWizard = withId(new QPushButton(QStringLiteral("Wizard")), IDC_GEN_WIZARD);
    m_btnEdit = withId(new QPushButton(QStringLiteral("Edit")), IDC_GEN_EDIT_SERVER);
    m_btnDelete = withId(new QPushButton(QStringLiteral("Delete")), IDC_GEN_DELETE_SERVER);
    for (QPushButton* button : {m_btnWizard, m_btnEdit, m_btnDelete})
        button->setMinimumWidth(72);
    serverLayout->addWidget(m_btnWizard, 2, 1);
    serverLayout->addWidget(m_btnEdit, 2, 2);
    serverLayout->addWidget(m_btnDelete, 2, 3);
    m_btnOpenWebPage = withId(new QPushButton(QStringLiteral("Open web page")), IDC_GEN_OPEN_WEB_PAGE);
    m_btnTest = withId(new QPushButton(QStringLiteral("Test quotation update")), IDC_GEN_TEST);
    for (QPushButton* button : {m_btnOpenWebPage, m_btnTest})
        button->setMinimumWidth(120);
    auto* actions = new QHBoxLayout;
    actions->addStretch(1);
    actions->addWidget(m_btnOpenWebPage);
    actions->addWidget(m_btnTest);
    serverLayout->addLayout(actions, 3, 0, 1, 4);
    layout->addWidget(server, row++, 0, 1, 3);
    layout->setRowStretch(row, 1);
    layout->setColumnStretch(1, 1);

    for (QPushButton* button :
         {m_btnSymbolLookup, m_btnZoomNote, m_btnWizard, m_btnEdit, m_btnDelete, m_btnOpenWebPage, m_btnTest})
        button->setAutoDefault(false);


    connect(m_editName, &QLineEdit::textChanged, this, [this] { OnChangeName(); });
    // activated: only the user's choice, not the programmatic selections of the exchange.
    connect(m_cbTemplates, &QComboBox::activated, this, [this] { UpdateServerHint(); });
    connect(m_btnZoomNote, &QPushButton::clicked, this, [this] { OnZoomNote(); });
    connect(m_btnSymbolLookup, &QPushButton::clicked, this, [this] { OnSymbolLookup(); });
    connect(m_btnOpenWebPage, &QPushButton::clicked, this, [this] { OnOpenWebPage(); });
    connect(m_btnTest, &QPushButton::clicked, this, [this] { OnTestQuotationUpdate(); });
    connect(m_btnEdit, &QPushButton::clicked, this, [this] { OnEditServer(); });
    connect(m_btnDelete, &QPushButton::clicked, this, [this] { OnDeleteServer(); });
    connect(m_btnWizard, &QPushButton::clicked, this, [this] { OnWizard(); });
}

CWPPropPage::~CWPPropPage() = default;

ServerSettings CWPPropPage::LocalDefinition() const {
    ServerSettings s;
    ApplyLocalDefinition(s);
    return s;
}

void CWPPropPage::ApplyLocalDefinition(ServerSettings& s) const {
    s.m_strURL = m_strUrl;
    s.m_strThousands = m_strThousandsSep;
    s.m_strDecimal = m_strDecimalSep;
    s.m_nTimeout = m_nTimeout;
    s.m_strTextBeforeValue = m_strTextBefore;
    s.m_nFormat = m_nFormat;
    s.m_nHtmlBeforeValue = m_nTagsToSkip;
    s.m_nNumbersBeforeValue = m_nNumbersToSkip;
    s.m_bNoCaseSensitive = m_bCaseInsensitive;
    s.m_nFiltering = m_nSearchMethod;
    s.m_strRegExp = m_strRegExp;
}

void CWPPropPage::SetLocalDefinition(const ServerSettings& s) {
    m_strUrl = s.m_strURL;
    m_strThousandsSep = s.m_strThousands;
    m_strDecimalSep = s.m_strDecimal;
    m_nTimeout = s.m_nTimeout;
    m_strTextBefore = s.m_strTextBeforeValue;
    m_nFormat = s.m_nFormat;
    m_nTagsToSkip = s.m_nHtmlBeforeValue;
    m_nNumbersToSkip = s.m_nNumbersBeforeValue;
    m_bCaseInsensitive = s.m_bNoCaseSensitive;
    m_nSearchMethod = s.m_nFiltering;
    m_strRegExp = s.m_strRegExp;
}

bool CWPPropPage::isLocalDefinition(const std::string& name) const {
    return name == LoadString(IDS_LOCAL_DEFINITION);
}

SettingsStore& CWPPropPage::store() const {
    return services().settings ? *services().settings : settingsStore();
}

ServerSettings CWPPropPage::loadTemplate(const std::string& name) const {
    ServerSettings settings;
    LoadServerSettings(name, &settings, store());
    return settings;
}

void CWPPropPage::saveTemplate(const ServerSettings& settings) {
    std::string error;
    if (!SaveServerSettings(m_strTemplateName, &settings, store(), &error) && !error.empty())
        services().boxes->messageBox(error, MB_OK | MB_ICONEXCLAMATION);
}

void CWPPropPage::DoDataExchange(DataExchange& dx) {
    m_strTemplateBackup = m_strTemplateName;
    DDX_Text(dx, IDC_GEN_NAME, m_strName);
    DDX_CBString(dx, IDC_GEN_TEMPLATES, m_strTemplateName);
    DDX_Text(dx, IDC_GEN_SYMBOL, m_strSymbol);
    DDX_NoteText(dx, IDC_GEN_NOTE, m_strNote);
    if (dx.m_bSaveAndValidate) {
        if (m_strTemplateName.empty())
            m_strTemplateName = m_strTemplateBackup;
        m_strSymbol = trimmed(m_strSymbol);
    }
    DDX_Check(dx, IDC_GEN_DOWNLOAD, m_bDownloadEnabled);
    DDX_CBString(dx, IDC_GEN_CATEGORY, m_strCategory);
}

bool CWPPropPage::OnInitDialog() {
    PropertyPage::OnInitDialog();

    m_cbCategory->clear();
    QStringList categories;
    for (const char* category : kItemCategories)
        categories << QString::fromUtf8(category);
    const QString own = toQString(m_strCategory);
    if (!own.isEmpty() && !categories.contains(own))
        categories << own;
    categories.sort(Qt::CaseInsensitive);
    m_cbCategory->addItems(categories);
    m_cbCategory->setCurrentIndex(m_cbCategory->findText(own, Qt::MatchExactly | Qt::MatchCaseSensitive));
    m_cbCategory->setEditText(own);

    if (FillTemplateList()) {
        m_cbTemplates->setCurrentIndex(
            m_cbTemplates->findText(toQString(m_strTemplateName), Qt::MatchExactly | Qt::MatchCaseSensitive));
    } else {
        m_cbTemplates->setCurrentIndex(m_cbTemplates->count() > 0 ? 0 : -1);
        if (!m_bNewItem && (!m_strName.empty() || !m_strNote.empty()))
            services().boxes->messageBox(fillPercentS(LoadString(IDS_SERVER_MISSING), m_strTemplateName),
                                         MB_OK | MB_ICONEXCLAMATION);
    }

    // The tips, shown whenever the pointer rests on their control.
    m_ToolTip = std::make_unique<CPPToolTip>(LinkServices::of(services()));
    m_ToolTip->Create(this, false);
    const std::pair<QWidget*, const char*> tips[] = {
        {m_editName, "Investment item name/description, e.g. \"Siemens AG\""},
        {m_btnSymbolLookup, "Press button to open symbol search web site"},
        {control<QWidget>(IDC_GEN_SYMBOL), "Item's symbol or ID to be used for quotation update, e.g. DE0007236101 or "
                                           "SIE.F - required symbol might depend on quotation server used"},
        {m_cbTemplates, "Select server configuration template or use \"-- Local Definition / Non-Template --\""},
        {m_btnWizard, "Start server configuration wizard to update or create a new quotation server configuration"},
        {m_btnEdit, "Manually edit quotation server configuration"},
        {m_btnDelete, "Delete obsolete quotation server configuration"},
        {m_btnOpenWebPage, "Open web page of selected quotation server"},
    };
    for (auto [widget, tip] : tips)
        m_ToolTip->AddTool(widget, QString::fromUtf8(tip));

    UpdateServerHint();

    const QIcon lookup = style()->standardIcon(QStyle::SP_FileDialogContentsView);
    if (lookup.isNull())
        CVR_LOG(LOG_LEVEL_ERROR, "Could not load IDI_SYMBOL_SEARCH icon!");
    else
        m_btnSymbolLookup->setIcon(lookup);
    m_btnSymbolLookup->setVisible(!m_strSymbolSearchUrl.empty());
    return true;
}

bool CWPPropPage::FillTemplateList() {
    m_cbTemplates->clear();
    std::vector<std::string> names;
    EnumServerNames(names, store());
    names.push_back(LoadString(IDS_LOCAL_DEFINITION));
    const bool found = std::find(names.begin(), names.end(), m_strTemplateName) != names.end();
    QStringList entries;
    for (const std::string& name : names)
        entries << toQString(name);
    entries.sort(Qt::CaseInsensitive);
    m_cbTemplates->addItems(entries);
    return found;
}

void CWPPropPage::OnChangeName() {
    if (PropertySheet* sheet = GetSheet())
        sheet->SetTitle(toQString(LoadString(IDS_PROPERTIES_OF)) + m_editName->text());
}

void CWPPropPage::UpdateServerHint() {
    m_strSymbolSearchUrl.clear();
    std::string hint;
    if (m_cbTemplates->currentIndex() >= 0) {
        const std::string name = m_cbTemplates->currentText().toStdString();
        const ServerSettings settings = loadTemplate(name);
        hint = ServerHintText(name, settings.m_strSymbolInfo, settings.m_strSymbolSearchUrl, m_strSymbolSearchUrl);
    }
    m_stcServerHint->setText(toQString(hint));
    m_btnSymbolLookup->setVisible(!m_strSymbolSearchUrl.empty());
}

void CWPPropPage::OnZoomNote() {
    if (!UpdateData(true))
        return;
    CDlgZoomNote dialog(services(), this);
    dialog.m_strNote = m_strNote;
    if (dialog.DoModal() == IDOK) {
        m_strNote = dialog.m_strNote;
        UpdateData(false);
    }
}

void CWPPropPage::OnSymbolLookup() {
    if (!UpdateData(true) || m_strSymbolSearchUrl.empty())
        return;
    std::string templateUrl;
    if (m_strSymbolSearchUrl.find("[&url]") != std::string::npos && m_cbTemplates->currentIndex() >= 0)
        templateUrl = loadTemplate(m_cbTemplates->currentText().toStdString()).m_strURL;
    if (services().shell)
        services().shell->openWebPage(SymbolLookupUrl(m_strSymbolSearchUrl, templateUrl, m_strName));
}

void CWPPropPage::OnOpenWebPage() {
    if (!UpdateData(true))
        return;
    const std::string url = isLocalDefinition(m_strTemplateName) ? m_strUrl : loadTemplate(m_strTemplateName).m_strURL;
    if (services().shell)
        services().shell->openWebPage(WebPageUrl(url, m_strName, m_strSymbol));
}

void CWPPropPage::OnTestQuotationUpdate() {
    if (!UpdateData(true))
        return;
    if (!m_pDoc || !m_pServerDoc)
        return;
    ServerSettings settings;
    {
        const auto lock = m_pDoc->LockList();
        CWPapier* item = m_pDoc->GetItem(m_posItem);
        if (!item)
            return;
        if (isLocalDefinition(m_strTemplateName)) {
            // The page's fields over the item's own (its regular expression's groups stay).
            settings = item->m_Server;
            ApplyLocalDefinition(settings);
            settings.m_strName = m_strTemplateName;
        } else {
            settings = loadTemplate(m_strTemplateName);
        }
        item->m_strName = m_strName;
        item->m_strSymbol = m_strSymbol;
        if (m_applyCurrencySettings)
            m_applyCurrencySettings(*item);
    }
    m_pServerDoc->StartTestDownload(m_posItem, settings);
}

void CWPPropPage::OnEditServer() {
    if (!m_pServerDoc || !UpdateData(true))
        return;
    CDlgServerProp editor(services(), *m_pServerDoc, this);
    editor.m_posItem = m_posItem;
    editor.m_strItemName = m_strName;
    editor.m_strItemSymbol = m_strSymbol;
    editor.m_strTemplateName = m_strTemplateName;
    editor.SetSettings(isLocalDefinition(m_strTemplateName) ? LocalDefinition() : loadTemplate(m_strTemplateName));
    if (editor.DoModal() == IDOK) {
        m_strTemplateName = editor.m_strTemplateName;
        const ServerSettings edited = editor.GetSettings();
        if (isLocalDefinition(m_strTemplateName)) {
            SetLocalDefinition(edited);
        } else if (services().boxes->messageBox(
                       fillPercentS("Are you sure you want to save modifications to server settings template\n\"%s\"?",
                                    m_strTemplateName),
                       MB_YESNO | MB_ICONQUESTION) == IDYES) {
            saveTemplate(edited);
        }
    }
    FillTemplateList();
    UpdateData(false);
    UpdateServerHint();
}

void CWPPropPage::OnDeleteServer() {
    if (!UpdateData(true))
        return;
    if (!isLocalDefinition(m_strTemplateName))
        DeleteServerSettings(m_strTemplateName, store());
    FillTemplateList();
    UpdateData(false);
    UpdateServerHint();
}

void CWPPropPage::OnWizard() {
    while (runWizardOnce()) {
    }
}

bool CWPPropPage::runWizardOnce() {
    if (!m_pServerDoc || !UpdateData(true))
        return false;
    const bool local = isLocalDefinition(m_strTemplateName);
    ServerSettings working = local ? LocalDefinition() : loadTemplate(m_strTemplateName);

    CDlgWizardUrl urlPage(services(), *m_pServerDoc, this);
    urlPage.m_strUrl = working.m_strURL;
    urlPage.m_strItemName = m_strName;
    urlPage.m_strItemSymbol = m_strSymbol;
    urlPage.m_strTemplateName = m_strTemplateName;
    if (urlPage.DoModal() != IDOK)
        return false;
    // This round's three files; deleted when the round ends, also before a Back restarts it.
    PageFiles files = urlPage.TakePageFiles();

    CDlgWizard rules(services(), this);
    rules.m_strItemName = m_strName;
    rules.m_strTemplateName = m_strTemplateName;
    rules.m_strThousandsSep = working.m_strThousands;
    rules.m_strDecimalSep = working.m_strDecimal;
    rules.m_strRawFile = urlPage.m_strRawFile;
    rules.m_strSemiHtmlFile = urlPage.m_strSemiHtmlFile;
    rules.m_strTextFile = urlPage.m_strTextFile;
    rules.m_nPageFormat = WizardPageFormat(urlPage.m_strUrl);
    const int result = rules.DoModal();
    if (result != IDOK)
        return rules.m_bBack != 0;

    ServerSettings found = working;
    found.m_nFiltering = 0;
    found.m_bNoCaseSensitive = 1;
    found.m_strURL = urlPage.m_strUrl;
    found.m_strThousands = rules.m_strThousandsSep;
    found.m_strDecimal = rules.m_strDecimalSep;
    found.m_nFormat = rules.m_nPageFormat;
    found.m_strTextBeforeValue = GeneraliseAnchorText(rules.m_strAnchorText, m_strName, m_strSymbol);
    found.m_nHtmlBeforeValue = rules.m_nTagsToSkip;
    found.m_nNumbersBeforeValue = rules.m_nNumbersToSkip;

    if (local) {
        SetLocalDefinition(found);
    } else {
        CDlgSaveServerProp save(services(), this);
        save.m_strSaveName = m_strTemplateName;
        if (save.DoModal() != IDOK)
            return false;
        m_strTemplateName = save.m_strSaveName;
        if (isLocalDefinition(m_strTemplateName)) {
            SetLocalDefinition(found);
        } else {
            saveTemplate(found);
        }
        FillTemplateList();
    }
    UpdateData(false);
    UpdateServerHint();
    OnEditServer();
    return false;
}
