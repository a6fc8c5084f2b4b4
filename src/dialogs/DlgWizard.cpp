#include "dialogs/DlgWizard.h"

#include "dialogs/DialogIds.h"
#include "dialogs/DlgServerProp.h"
#include "dialogs/DlgWizardUrl.h"
#include "framework/StringTable.h"
#include "log/Log.h"
#include "platform/TextCodec.h"
#include "retrieval/filtering.h"
#include "retrieval/wizard.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// At most `limit` bytes of `text`, never ending inside a UTF-8 character.
std::string cutAtCharacter(const std::string& text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

std::string RuleText(const CExtractionRule& rule) {
    const char* anchor = rule.m_strText.c_str();
    if (rule.m_nTags == 0)
        return textcodec::formatText("find text \"%s\" and skip %i number(s)", anchor, rule.m_nNumbers);
    if (rule.m_nNumbers != 0)
        return textcodec::formatText("find text \"%s\", skip %i html tag(s) and then skip %i number(s)", anchor,
                                     rule.m_nTags, rule.m_nNumbers);
    return textcodec::formatText("find text \"%s\" and skip %i html tag(s)", anchor, rule.m_nTags);
}

CDlgWizard::CDlgWizard(Services services, QWidget* parent)
    : Dialog(IDD_WIZARD, std::move(services), parent), m_link([this](Message& message) {
          if (message.message == WMU_WIZARD_RESULT && message.recordAs<WizardResult>())
              OnWizardResult(std::unique_ptr<WizardResult>(static_cast<WizardResult*>(message.record.release())));
      }) {
    setWindowTitle(QStringLiteral("Server configuration wizard"));

    auto* quotation = withId(new QLineEdit, IDC_WIZARD_QUOTATION);
    auto* getConfiguration = withId(new QPushButton(QStringLiteral("Get &Configuration")), IDC_GET_CONFIGURATION);
    getConfiguration->setDefault(true);
    auto* separators = withId(new QComboBox, IDC_SEPARATORS);
    for (int row = 0; row < kWizardSeparatorRows; ++row)
        separators->addItem(QString::fromUtf8(kSeparatorFormats[static_cast<std::size_t>(row)].text));
    m_cbPageFormat = withId(new QComboBox, IDC_PAGE_FORMAT);
    for (const char* name : kPageFormNames)
        m_cbPageFormat->addItem(QString::fromUtf8(name));
    m_progress = withId(new QProgressBar, IDC_WIZARD_PROGRESS);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(14);
    m_list = withId(new QListWidget, IDC_RULE_LIST);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMaximumHeight(110);
    m_view = makePageView(IDC_PAGE_DISPLAY);

    auto* back = withId(new QPushButton(QStringLiteral("< Back")), IDC_WIZARD_BACK);
    m_btnNext = withId(new QPushButton(QStringLiteral("Next >")), IDOK);
    m_btnNext->setEnabled(false);
    auto* cancel = withId(new QPushButton(QStringLiteral("Cancel")), IDCANCEL);
    for (QPushButton* button : {back, m_btnNext, cancel})
        button->setAutoDefault(false);

    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Quotation that is to be extracted from the web page:\n(actual value "
                                               "displayed on the web page in browser, e.g. 1.234,56)")));
    auto* quotationRow = new QHBoxLayout;
    quotationRow->addWidget(quotation, 1);
    quotationRow->addWidget(getConfiguration);
    right->addLayout(quotationRow);
    auto* formats = new QHBoxLayout;
    formats->addWidget(new QLabel(QStringLiteral("Quotation's thousands/decimal separator format:")));
    formats->addWidget(separators);
    formats->addSpacing(16);
    formats->addWidget(new QLabel(QStringLiteral("Web page format:")));
    formats->addWidget(m_cbPageFormat);
    formats->addWidget(new QLabel(QStringLiteral("(standard = convert to semi-html)")));
    formats->addStretch(1);
    right->addLayout(formats);
    right->addWidget(m_progress);
    right->addWidget(
        new QLabel(QStringLiteral("Select quotation extraction rule (related web page text will be highlighted):")));
    right->addWidget(m_list);
    right->addWidget(m_view, 1);
    LayOutWizardPage(*this, right, {back, m_btnNext}, cancel);
    resize(900, 640);

    connect(getConfiguration, &QPushButton::clicked, this, [this] { OnGetConfiguration(); });
    connect(back, &QPushButton::clicked, this, [this] { OnBack(); });
    connect(m_btnNext, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int) { OnRuleSelect(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { OnRuleSelect(); });
    // Return in the list picks the rule; it neither searches again nor ends the page.
    redirectReturn(m_list, [this] { OnRuleSelect(); });
    connect(m_cbPageFormat, &QComboBox::activated, this, [this](int) { OnPageFormatChange(); });
}

CDlgWizard::~CDlgWizard() {
    stopSearch();
}

void CDlgWizard::DoDataExchange(DataExchange& dx) {
    DDX_Text(dx, IDC_WIZARD_QUOTATION, m_strQuotation);
    DDX_CBIndex(dx, IDC_PAGE_FORMAT, m_nPageFormat);
    DDX_Separators(dx, IDC_SEPARATORS, m_strThousandsSep, m_strDecimalSep, kWizardSeparatorRows);
    if (dx.m_bSaveAndValidate && !dx.failed()) {
        const int row = m_list->currentRow();
        if (row >= 0 && row < static_cast<int>(m_Rules.size())) {
            const CExtractionRule& rule = *m_Rules[static_cast<std::size_t>(row)];
            m_strAnchorText = rule.m_strText;
            m_nTagsToSkip = rule.m_nTags;
            m_nNumbersToSkip = rule.m_nNumbers;
        }
    }
}

bool CDlgWizard::OnInitDialog() {
    m_bBack = 0;
    Dialog::OnInitDialog();
    const std::string& shown = ShownConfigurationName(m_strTemplateName, m_strItemName);
    setWindowTitle(QString::fromStdString(textcodec::formatText("Server Configuration Wizard - [%s]", shown.c_str())));
    m_progress->hide();
    m_link.holding([this] { m_pages.read({m_strRawFile, m_strSemiHtmlFile, m_strTextFile}, *services().boxes); });
    m_pages.show(*m_view, m_nPageFormat);
    return true;
}

int CDlgWizard::messageBox(const char* text) {
    // Results that arrive while the box is open wait for it.
    return m_link.holding([&] { return services().boxes->messageBox(text, MB_OK | MB_ICONEXCLAMATION); });
}

void CDlgWizard::stopSearch() {
    if (m_stop)
        *m_stop = true;
    m_stop.reset();
    ++m_searchId; // what the old search still sends is dropped
}

void CDlgWizard::clearRules() {
    m_list->clear();
    m_Rules.clear();
    m_btnNext->setEnabled(false);
}

void CDlgWizard::OnGetConfiguration() {
    if (!UpdateData(true))
        return;
    if (m_strQuotation.empty()) {
        messageBox(kEnterQuotationText);
        return;
    }
    const bool usesPoint = m_strThousandsSep == "." || m_strDecimalSep == ".";
    const bool usesComma = m_strThousandsSep == "," || m_strDecimalSep == ",";
    const bool hasPoint = m_strQuotation.find('.') != std::string::npos;
    const bool hasComma = m_strQuotation.find(',') != std::string::npos;
    if ((hasPoint && !usesPoint) || (hasComma && !usesComma)) {
        messageBox(kCorrectSeparatorsText);
        return;
    }
    const int form = m_nPageFormat;
    if (!m_pages.loaded(form)) {
        messageBox(kCouldNotOpenText);
        return;
    }
    const std::string& page = m_pages.bytes(form);
    const int tagsLimit = form == FORMAT_SEMI_HTML ? kWizardSemiHtmlTagsLimit : 0;
    if (page.find(m_strQuotation) == std::string::npos) {
        messageBox(kQuotationNotOnPageText);
        return;
    }

    stopSearch();
    clearRules();
    m_progress->setRange(0, 24 * (tagsLimit + 1));
    m_progress->setValue(0);
    m_progress->show();
    m_bAwaitFirstRule = 1;
    m_stop = std::make_shared<std::atomic<bool>>(false);

    auto job = std::make_unique<WizardSearchJob>();
    job->m_nFormat = form;
    job->m_nTagsLimit = tagsLimit;
    job->m_nNumbersLimit = kWizardNumbersLimit;
    job->m_strQuotation = cutAtCharacter(m_strQuotation, kWizardQuotationBytes);
    job->m_strPage = page;
    job->m_bPoint = usesPoint;
    job->m_bComma = usesComma;
    job->m_hWnd = m_link.id();
    job->m_nMessage = WMU_WIZARD_RESULT;
    job->m_nSearchId = m_searchId;
    job->m_pStop = m_stop;
    StartWizardSearch(std::move(job));
}

void CDlgWizard::OnWizardResult(std::unique_ptr<WizardResult> result) {
    if (!result || result->m_nSearchId != m_searchId)
        return; // a search the page no longer waits for
    if (result->m_pRule) {
        const std::string text = RuleText(*result->m_pRule);
        CVR_LOG(LOG_LEVEL_INFO, "%s", text.c_str());
        m_Rules.push_back(std::move(result->m_pRule));
        m_list->addItem(QString::fromStdString(text));
        if (m_bAwaitFirstRule) {
            m_bAwaitFirstRule = 0;
            m_list->setCurrentRow(0);
            OnRuleSelect();
        }
    }
    m_progress->setValue(std::min(m_progress->value() + 1, m_progress->maximum()));
    if (result->m_bLastTry == 1) {
        m_progress->hide();
        m_stop.reset();
    }
}

void CDlgWizard::OnRuleSelect() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_Rules.size())) {
        m_btnNext->setEnabled(false);
        return;
    }
    const CExtractionRule& rule = *m_Rules[static_cast<std::size_t>(row)];
    m_pages.select(*m_view, m_cbPageFormat->currentIndex(), static_cast<std::size_t>(std::max(rule.m_nMatchStart, 0)),
                   static_cast<std::size_t>(std::max(rule.m_nMatchLength, 0)));
    m_btnNext->setEnabled(true);
}

void CDlgWizard::OnPageFormatChange() {
    UpdateData(true);
    m_pages.show(*m_view, m_nPageFormat);
    m_view->viewport()->repaint();
    stopSearch();
    m_progress->hide();
    clearRules();
}

void CDlgWizard::OnBack() {
    m_bBack = 1;
    EndDialog(IDCANCEL);
}
