#include "dialogs/DlgServerProp.h"

#include "dialogs/DialogIds.h"
#include "dialogs/DlgDownloadContinue.h"
#include "dialogs/DlgRegExpSearch.h"
#include "dialogs/DlgSaveServerProp.h"
#include "framework/HelpPages.h"
#include "framework/NumberInput.h"
#include "framework/StringTable.h"
#include "log/Log.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "retrieval/PlaceHolders.h"
#include "retrieval/ServerConfigStore.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>

namespace {

// The tips of the editor's controls.
constexpr const char* kConversionTip = "Enable/disable web page convertion prior to quotation extraction";
constexpr DialogTip kTips[] = {
    {IDC_SERVER_URL, "Server URL, e.g. https://quotes.example.com/quote.asp?id=[&symbol] or "
                     "file:///home/user/quotes/[&symbol].html"},
    {IDC_OPEN_URL, "Press this button to open URL in web browser"},
    {IDC_TIMEOUT, "Web page download timeout"},
    {IDC_FORMAT_NONE, kConversionTip},
    {IDC_FORMAT_SEMI_HTML, kConversionTip},
    {IDC_FORMAT_TEXT_ONLY, kConversionTip},
    {IDC_TEXT_BEFORE, "Text that appears on the web page before the quotation - might contain CVR variables such as "
                      "[&symbol] and [&name]"},
    {IDC_TAGS_TO_SKIP, "Number of HTML tags to skip after the text above is found, so that the quotation can be "
                       "located"},
    {IDC_NUMBERS_TO_SKIP, "Number of values to skip after the text above is found and the HTML tags are skipped, so "
                          "that the quotation can be located"},
    {IDC_REGEXP, kRegExpTipText},
};
constexpr DialogTipTable kTipTable = {true, 30000, kTips, std::size(kTips)};

constexpr const char* kHelpPage = "ServerSettings.html";

// An up-down control beside its buddy edit: the arrows (and the arrow keys in the edit) step the
// whole number in the edit within the control's range. The edit itself takes any text; the range
// is the arrows' only.
class UpDown final : public QWidget {
public:
    UpDown(QLineEdit* buddy, int minimum, int maximum) : m_buddy(buddy), m_min(minimum), m_max(maximum) {
        auto* up = new QToolButton(this);
        up->setArrowType(Qt::UpArrow);
        auto* down = new QToolButton(this);
        down->setArrowType(Qt::DownArrow);
        for (QToolButton* button : {up, down}) {
            button->setAutoRepeat(true);
            button->setFocusPolicy(Qt::NoFocus);
            button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
            button->setFixedWidth(16);
        }
        up->setObjectName(QStringLiteral("up"));
        down->setObjectName(QStringLiteral("down"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(up);
        layout->addWidget(down);
        setFixedHeight(buddy->sizeHint().height());
        connect(up, &QToolButton::clicked, this, [this] { step(1); });
        connect(down, &QToolButton::clicked, this, [this] { step(-1); });
        buddy->installEventFilter(this);
    }

    void step(int delta) {
        int value = m_last;
        if (const auto shown = ParseIntegerGrouped(m_buddy->text().toStdString()))
            value = *shown;
        value = std::clamp(value, m_min, m_max);
        value = std::clamp(value + delta, m_min, m_max);
        m_last = value;
        m_buddy->setText(QString::number(value));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_buddy && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                step(key == Qt::Key_Up ? 1 : -1);
                return true;
            }
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    QLineEdit* m_buddy;
    int m_min;
    int m_max;
    int m_last = 0;
};

QLabel* note(const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit* numberEdit(unsigned id) {
    auto* edit = Dialog::withId(new QLineEdit, id);
    edit->setMaximumWidth(60);
    return edit;
}

} // namespace

const DialogTipTable& CDlgServerProp::Tips() {
    return kTipTable;
}

CDlgServerProp::CDlgServerProp(Services services, ServerPropDocument& document, QWidget* parent)
    : Dialog(IDD_SERVER_PROP, std::move(services), parent), m_document(document),
      m_ToolTip(LinkServices::of(Dialog::services())) {
    // Address and time-out.
    auto* openUrl = withId(new QPushButton(QStringLiteral("Download URL:")), IDC_OPEN_URL);
    auto* url = withId(new QLineEdit, IDC_SERVER_URL);
    url->setMinimumWidth(420);
    auto* timeout = numberEdit(IDC_TIMEOUT);
    auto* spin = withId(new UpDown(timeout, 0, 300), IDC_TIMEOUT_SPIN);
    auto* top = new QGridLayout;
    top->addWidget(openUrl, 0, 0);
    top->addWidget(url, 0, 1, 1, 4);
    top->addWidget(new QLabel(QStringLiteral("Download timeout:")), 1, 0);
    auto* timeoutRow = new QHBoxLayout;
    timeoutRow->setSpacing(0);
    timeoutRow->addWidget(timeout);
    timeoutRow->addWidget(spin);
    timeoutRow->addSpacing(6);
    timeoutRow->addWidget(new QLabel(QStringLiteral("seconds")));
    timeoutRow->addStretch(1);
    top->addLayout(timeoutRow, 1, 1, 1, 4);

    // File conversion and quotation format.
    auto* conversion = new QGroupBox(QStringLiteral("File conversion"));
    auto* conversionRadios = new QButtonGroup(this);
    auto* conversionLayout = new QVBoxLayout(conversion);
    const std::pair<unsigned, const char*> conversions[] = {
        {IDC_FORMAT_NONE, "None"},
        {IDC_FORMAT_SEMI_HTML, "Convert to semi-html (remove html tag contents, i.e. leave html tags empty \"<>\")"},
        {IDC_FORMAT_TEXT_ONLY, "Convert to text-only (remove html tags completely)"},
    };
    for (const auto& [id, text] : conversions) {
        auto* radio = withId(new QRadioButton(QString::fromUtf8(text)), id);
        conversionRadios->addButton(radio);
        conversionLayout->addWidget(radio);
    }
    auto* format = new QGroupBox(QStringLiteral("Quotation format"));
    auto* formatLayout = new QVBoxLayout(format);
    auto* separators = withId(new QComboBox, IDC_SEPARATORS);
    FillSeparatorCombo(*separators);
    formatLayout->addWidget(new QLabel(QStringLiteral("Thousands/decimal separator format:")));
    formatLayout->addWidget(separators);
    formatLayout->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(conversion, 3);
    middle->addWidget(format, 1);

    // Extraction rules.
    auto* rules = withId(new QGroupBox(QStringLiteral("Quotation extraction rules")), IDC_EXTRACTION_GROUP);
    auto* rulesLayout = new QVBoxLayout(rules);
    rulesLayout->addWidget(withId(
        new QCheckBox(QStringLiteral("Case insensitive search (don't differentiate lower case and capital letters)")),
        IDC_CASE_INSENSITIVE));
    auto* methods = new QButtonGroup(this);
    auto* standard = withId(new QRadioButton(QStringLiteral("Standard Search")), IDC_STANDARD_SEARCH);
    auto* advanced = withId(new QRadioButton(QStringLiteral("Advanced Search")), IDC_ADVANCED_SEARCH);
    methods->addButton(standard);
    methods->addButton(advanced);
    rulesLayout->addWidget(standard);
    auto* anchor = new QGridLayout;
    anchor->setContentsMargins(20, 0, 0, 0);
    anchor->addWidget(new QLabel(QStringLiteral("Start searching for quotation after the following text:")), 0, 0, 1,
                      6);
    anchor->addWidget(withId(new QLineEdit, IDC_TEXT_BEFORE), 1, 0, 1, 6);
    anchor->addWidget(new QLabel(QStringLiteral("and")), 2, 0);
    anchor->addWidget(numberEdit(IDC_TAGS_TO_SKIP), 2, 1);
    anchor->addWidget(new QLabel(QStringLiteral("html tags and")), 2, 2);
    anchor->addWidget(numberEdit(IDC_NUMBERS_TO_SKIP), 2, 3);
    anchor->addWidget(new QLabel(QStringLiteral("numbers.")), 2, 4);
    anchor->setColumnStretch(5, 1);
    rulesLayout->addLayout(anchor);
    rulesLayout->addWidget(advanced);
    auto* expression = withId(new QGroupBox(QStringLiteral("Regular expression (extended by CVR place holders and "
                                                           "variables)")),
                              IDC_REGEXP_GROUP);
    auto* expressionLayout = new QVBoxLayout(expression);
    expressionLayout->addWidget(withId(new QLineEdit, IDC_REGEXP));
    expressionLayout->addWidget(withId(note("Note:\nYou must specify the exact data format, including spaces and "
                                            "separators such as commas, periods, colons, quotes, etc."),
                                       IDC_REGEXP_NOTE1));
    expressionLayout->addWidget(
        withId(note("Use the place holders [&day], [&month], [&year], [&hour], [&minute]; [&quotation_open], "
                    "[&quotation_close],\n[&quotation_high], [&quotation_low] and [&volume] to specify quotation "
                    "date/time,open,close,high,low and vol. positions."),
               IDC_REGEXP_NOTE2));
    expressionLayout->addWidget(
        withId(note("You can use the place holder [&dummyvalue] to specify values to be skipped (e.g. previous day "
                    "quotation, etc.).\nThe place holder [&symbol] can be used to match selected item's symbol/ISIN."),
               IDC_REGEXP_NOTE3));
    rulesLayout->addWidget(expression);
    m_advancedParts = {standard, advanced, expression};

    // Buttons.
    m_btnAdvanced = withId(new QPushButton(QStringLiteral("Advanced <<")), IDC_ADVANCED_TOGGLE);
    auto* test = withId(new QPushButton(QStringLiteral("&Test Configuration...")), IDC_TEST_CONFIGURATION);
    auto* saveAs = withId(new QPushButton(QStringLiteral("Save Configuration &As...")), IDC_SAVE_AS);
    auto* help = withId(new QPushButton(QStringLiteral("Help")), IDC_HELP_BUTTON);
    auto* ok = withId(new QPushButton(QStringLiteral("OK")), IDOK);
    auto* cancel = withId(new QPushButton(QStringLiteral("Cancel")), IDCANCEL);
    for (QPushButton* button : {openUrl, m_btnAdvanced, test, saveAs, help, cancel})
        button->setAutoDefault(false);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btnAdvanced);
    buttons->addStretch(1);
    buttons->addWidget(test);
    buttons->addWidget(saveAs);
    buttons->addWidget(help);
    buttons->addSpacing(12);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addWidget(rules);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(openUrl, &QPushButton::clicked, this, [this] { OnOpenUrl(); });
    connect(help, &QPushButton::clicked, this, [this] { OnHelp(); });
    connect(test, &QPushButton::clicked, this, [this] { OnTestConfiguration(); });
    connect(saveAs, &QPushButton::clicked, this, [this] { OnSaveAs(); });
    connect(m_btnAdvanced, &QPushButton::clicked, this, [this] { OnToggleAdvanced(); });
    connect(standard, &QRadioButton::clicked, this, [this] { OnStandardSearch(); });
    connect(advanced, &QRadioButton::clicked, this, [this] { OnAdvancedSearch(); });
    connect(control<QRadioButton>(IDC_FORMAT_NONE), &QRadioButton::clicked, this, [this] { OnConversionNoTags(); });
    connect(control<QRadioButton>(IDC_FORMAT_TEXT_ONLY), &QRadioButton::clicked, this,
            [this] { OnConversionNoTags(); });
    connect(control<QRadioButton>(IDC_FORMAT_SEMI_HTML), &QRadioButton::clicked, this,
            [this] { OnConversionSemiHtml(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CDlgServerProp::~CDlgServerProp() = default;

void CDlgServerProp::SetSettings(const ServerSettings& s) {
    m_strUrl = s.m_strURL;
    m_nTimeout = s.m_nTimeout;
    m_strThousandsSep = s.m_strThousands;
    m_strDecimalSep = s.m_strDecimal;
    m_nFormat = s.m_nFormat;
    m_strTextBefore = s.m_strTextBeforeValue;
    m_nTagsToSkip = s.m_nHtmlBeforeValue;
    m_nNumbersToSkip = s.m_nNumbersBeforeValue;
    m_bCaseInsensitive = s.m_bNoCaseSensitive;
    m_nSearchMethod = s.m_nFiltering;
    m_strRegExp = s.m_strRegExp;
}

ServerSettings CDlgServerProp::GetSettings() const {
    ServerSettings s;
    s.m_strName = m_strTemplateName;
    s.m_strURL = m_strUrl;
    s.m_nTimeout = m_nTimeout;
    s.m_strThousands = m_strThousandsSep;
    s.m_strDecimal = m_strDecimalSep;
    s.m_nFormat = m_nFormat;
    s.m_strTextBeforeValue = m_strTextBefore;
    s.m_nHtmlBeforeValue = m_nTagsToSkip;
    s.m_nNumbersBeforeValue = m_nNumbersToSkip;
    s.m_bNoCaseSensitive = m_bCaseInsensitive;
    s.m_nFiltering = m_nSearchMethod;
    s.m_strRegExp = m_strRegExp;
    return s;
}

void CDlgServerProp::DoDataExchange(DataExchange& dx) {
    DDX_Text(dx, IDC_TEXT_BEFORE, m_strTextBefore);
    DDX_Text(dx, IDC_SERVER_URL, m_strUrl);
    DDX_Radio(dx, IDC_FORMAT_NONE, m_nFormat);
    DDX_Text(dx, IDC_TAGS_TO_SKIP, m_nTagsToSkip);
    DDV_MinMaxInt(dx, m_nTagsToSkip, 0, 10000);
    DDX_Text(dx, IDC_TIMEOUT, m_nTimeout);
    DDV_MinMaxInt(dx, m_nTimeout, 1, 600);
    DDX_Text(dx, IDC_NUMBERS_TO_SKIP, m_nNumbersToSkip);
    DDV_MinMaxInt(dx, m_nNumbersToSkip, 0, 10000);
    DDX_Check(dx, IDC_CASE_INSENSITIVE, m_bCaseInsensitive);
    DDX_Text(dx, IDC_REGEXP, m_strRegExp);
    DDX_Radio(dx, IDC_STANDARD_SEARCH, m_nSearchMethod);
    DDX_Separators(dx, IDC_SEPARATORS, m_strThousandsSep, m_strDecimalSep);
}

void CDlgServerProp::enable(unsigned id, bool on) {
    if (QWidget* widget = control(id))
        widget->setEnabled(on);
}

bool CDlgServerProp::OnInitDialog() {
    Dialog::OnInitDialog();
    enable(IDC_REGEXP, m_nSearchMethod == 1);
    enable(IDC_TEXT_BEFORE, m_nSearchMethod == 0);
    enable(IDC_NUMBERS_TO_SKIP, m_nSearchMethod == 0);
    enable(IDC_TAGS_TO_SKIP, m_nSearchMethod == 0 && m_nFormat == 1);
    m_bAdvanced = m_nSearchMethod == 1 ? 1 : 0;
    m_btnAdvanced->setEnabled(m_nSearchMethod != 1);
    relayout();
    setTitle();
    InstallDialogTips(m_ToolTip, *this, Tips());
    return true;
}

void CDlgServerProp::setTitle() {
    const std::string& shown = ShownConfigurationName(m_strTemplateName, m_strItemName);
    setWindowTitle(
        QString::fromStdString(textcodec::formatText(LoadString(IDS_SERVER_PROPERTIES_TITLE).c_str(), shown.c_str())));
}

void CDlgServerProp::relayout() {
    m_btnAdvanced->setText(m_bAdvanced ? QStringLiteral("Advanced <<") : QStringLiteral("Advanced >>"));
    for (QWidget* part : m_advancedParts)
        part->setVisible(m_bAdvanced != 0);
    // The layout drops what is hidden; the dialog takes the size of what is left.
    layout()->activate();
    adjustSize();
}

void CDlgServerProp::OnToggleAdvanced() {
    m_bAdvanced = m_bAdvanced ? 0 : 1;
    relayout();
}

void CDlgServerProp::OnStandardSearch() {
    enable(IDC_REGEXP, false);
    enable(IDC_TEXT_BEFORE, true);
    enable(IDC_NUMBERS_TO_SKIP, true);
    enable(IDC_TAGS_TO_SKIP, control<QRadioButton>(IDC_FORMAT_SEMI_HTML)->isChecked());
    m_btnAdvanced->setEnabled(true);
}

void CDlgServerProp::OnAdvancedSearch() {
    m_bAdvanced = 1;
    enable(IDC_REGEXP, true);
    enable(IDC_TEXT_BEFORE, false);
    enable(IDC_TAGS_TO_SKIP, false);
    enable(IDC_NUMBERS_TO_SKIP, false);
    // The advanced section can no longer be hidden.
    m_btnAdvanced->setEnabled(false);
}

void CDlgServerProp::OnConversionNoTags() {
    enable(IDC_TAGS_TO_SKIP, false);
}

void CDlgServerProp::OnConversionSemiHtml() {
    enable(IDC_TAGS_TO_SKIP, !m_bAdvanced);
}

void CDlgServerProp::OnOpenUrl() {
    if (!UpdateData(true))
        return;
    const auto now = std::chrono::system_clock::to_time_t(services().clock->now());
    OleDate date = OleDate::fromTimeT(now);
    std::string dated, url;
    ExpandDatePlaceHolders(m_strUrl, dated, date, 0);
    ReplaceNameSymbolInUrl(dated, url, m_strItemName, m_strItemSymbol);
    // Only web pages and plain files are opened; anything else is refused by the shell.
    if (!services().shell->openUrl(url))
        CVR_LOG(LOG_LEVEL_WARNING, "Could not open '%s'", url.c_str());
}

void CDlgServerProp::OnHelp() {
    openHelpPage(services(), kHelpPage);
}

void CDlgServerProp::OnTestConfiguration() {
    if (!UpdateData(true))
        return;
    const ServerSettings settings = GetSettings();
    if (m_nSearchMethod != 1) {
        // The result is shown by the list view; the editor does not wait for it.
        m_document.StartTestDownload(m_posItem, settings);
        return;
    }
    std::string url;
    ReplaceNameSymbolInUrl(m_strUrl, url, m_strItemName, m_strItemSymbol);
    CDlgDownloadContinue download(services(), m_document, this);
    download.m_strItemName = m_strItemName;
    download.m_strItemSymbol = m_strItemSymbol;
    download.m_strUrl = url;
    if (download.DoModal() != IDOK)
        return;
    // The page files are deleted when the test is over.
    const PageFiles files = download.TakePageFiles();
    CDlgRegExpSearch test(services(), this);
    test.m_strItemName = m_strItemName;
    test.m_strItemSymbol = m_strItemSymbol;
    test.m_strTemplateName = m_strTemplateName;
    test.m_nPageFormat = m_nFormat;
    test.m_strRegExp = m_strRegExp;
    test.m_strDecimalSep = m_strDecimalSep;
    test.m_strThousandsSep = m_strThousandsSep;
    test.m_strRawFile = files.paths().raw;
    test.m_strSemiHtmlFile = files.paths().semiHtml;
    test.m_strTextFile = files.paths().text;
    if (test.DoModal() != IDOK)
        return;
    m_nFormat = test.m_nPageFormat;
    m_strRegExp = test.m_strRegExp;
    UpdateData(false);
}

void CDlgServerProp::OnSaveAs() {
    CDlgSaveServerProp save(services(), this);
    if (!UpdateData(true))
        return;
    const std::string local = LoadString(IDS_LOCAL_DEFINITION);
    if (m_strTemplateName != local)
        save.m_strSaveName = m_strTemplateName;
    if (save.DoModal() != IDOK)
        return;
    ServerSettings settings = GetSettings();
    settings.m_strName.clear();
    m_strTemplateName = save.m_strSaveName;
    if (m_strTemplateName != local) {
        setTitle();
        if (!SaveServerSettings(m_strTemplateName, &settings, *services().settings))
            CVR_LOG(LOG_LEVEL_ERROR, "Could not save server settings '%s'", m_strTemplateName.c_str());
    } else {
        // Written into the item at once, not only when the editor is left with OK.
        m_document.SetItemServerSettings(m_posItem, settings);
        setTitle();
    }
}
