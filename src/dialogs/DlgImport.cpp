#include "dialogs/DlgImport.h"

#include "dialogs/DialogParts.h"
#include "dialogs/DlgImportServerSaveAs.h"
#include "dialogs/ImportDialogIds.h"
#include "framework/StringTable.h"
#include "framework/WindowMessages.h"
#include "log/Log.h"
#include "retrieval/UpdateOrchestration.h"
#include "retrieval/download.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

const std::array<ImportToolTip, 5> kImportToolTips = {{
    {IDC_IMPORT_CONVERSION_NONE, false, "Enable/Disable file conversion prior to quotation extraction"},
    {IDC_IMPORT_CONVERSION_SEMI_HTML, false, "Enable/Disable file conversion prior to quotation extraction"},
    {IDC_IMPORT_CONVERSION_TEXT, false, "Enable/Disable file conversion prior to quotation extraction"},
    {IDC_IMPORT_SEPARATORS, false, "Quotation separators format used by the server"},
    {IDC_IMPORT_DATA_FORMAT, true,
     "<b><center>Data Format</center></b><br>You must specify the exact data format, including spaces and "
     "separators such as commas, periods, colons, quotes, tabs (\"\\t\"), etc.<br><br>Use the place holders [&day], "
     "[&month], [&year], [&hour], [&minute], [&quotation_open], [&quotation_close], [&quotation_high], "
     "[&quotation_low] and [&volume] to specify quotation date/time and value positions.<br>Regular expressions are "
     "also allowed in the format definition.<br><br>You can use the place holder [&dummyvalue] to specify values to "
     "be skipped (e.g. last day quotation, etc.).\nThe place holder [&symbol] can be used to match selected item's "
     "symbol/ISIN."},
}};

// While it lives, records wait; when the last one goes, they are handled in the order they came.
class CDlgImport::HoldRecords {
public:
    explicit HoldRecords(CDlgImport& page) : m_page(page) { ++m_page.m_holdDepth; }
    ~HoldRecords() {
        if (--m_page.m_holdDepth > 0)
            return;
        while (!m_page.m_held.empty() && m_page.m_holdDepth == 0) {
            std::unique_ptr<DownloadStatus> record = std::move(m_page.m_held.front());
            m_page.m_held.pop_front();
            m_page.OnPageDownloadStatus(std::move(record));
        }
    }
    HoldRecords(const HoldRecords&) = delete;
    HoldRecords& operator=(const HoldRecords&) = delete;

private:
    CDlgImport& m_page;
};

namespace {

QPushButton* button(const char* text, unsigned id) {
    return Dialog::withId(new QPushButton(QString::fromUtf8(text)), id);
}

QLabel* note(const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

CDlgImport::CDlgImport(Services services, QWidget* parent)
    : Dialog(IDD_IMPORT, std::move(services), parent), m_download([this](const std::string& url) -> std::uint32_t {
          if (!m_pDocument || !m_link)
              return 0;
          return StartPageDownload(*m_pDocument, m_strItemName, m_strSymbol, url, m_link->id());
      }) {
    setWindowTitle(QStringLiteral("Import Quotations"));
    auto* layout = new QVBoxLayout(this);

    auto* urlBox = new QGroupBox(QStringLiteral("Import URL"));
    auto* urlRow = new QHBoxLayout(urlBox);
    urlRow->addWidget(new QLabel(QStringLiteral("URL:")));
    auto* url = withId(new QLineEdit, IDC_IMPORT_URL);
    url->setMinimumWidth(480);
    urlRow->addWidget(url, 1);
    layout->addWidget(urlBox);

    auto* middle = new QHBoxLayout;
    auto* conversionBox = new QGroupBox(QStringLiteral("File conversion"));
    auto* conversionColumn = new QVBoxLayout(conversionBox);
    auto* conversions = new QButtonGroup(this);
    for (const auto& [id, text] :
         {std::pair{IDC_IMPORT_CONVERSION_NONE, "None"},
          {IDC_IMPORT_CONVERSION_SEMI_HTML,
           "Convert to semi-html (remove html tag contents, i.e. leave html tags empty \"<>\")"},
          {IDC_IMPORT_CONVERSION_TEXT, "Convert to text-only (remove html tags completely)"}}) {
        auto* radio = withId(new QRadioButton(QString::fromUtf8(text)), id);
        conversions->addButton(radio);
        conversionColumn->addWidget(radio);
    }
    middle->addWidget(conversionBox, 1);
    auto* formatBox = new QGroupBox(QStringLiteral("Quotation format"));
    auto* formatColumn = new QVBoxLayout(formatBox);
    formatColumn->addWidget(new QLabel(QStringLiteral("Thousands/decimal separator format:")));
    m_cbSeparators = withId(new QComboBox, IDC_IMPORT_SEPARATORS);
    for (const ImportSeparatorChoice& choice : kImportSeparatorChoices)
        m_cbSeparators->addItem(QString::fromLatin1(choice.text));
    formatColumn->addWidget(m_cbSeparators);
    formatColumn->addStretch(1);
    middle->addWidget(formatBox);
    layout->addLayout(middle);

    auto* rulesBox = new QGroupBox(QStringLiteral("Import rules"));
    auto* rules = new QVBoxLayout(rulesBox);
    rules->addWidget(withId(
        new QCheckBox(QStringLiteral("Case insensitive search (don't differentiate lower case and capital letters)")),
        IDC_IMPORT_CASE_INSENSITIVE));
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(new QLabel(QStringLiteral("Data format:")));
    m_cbDataFormat = withId(new QComboBox, IDC_IMPORT_DATA_FORMAT);
    m_cbDataFormat->setEditable(true);
    m_cbDataFormat->setInsertPolicy(QComboBox::NoInsert);
    m_cbDataFormat->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cbDataFormat->setMinimumContentsLength(40);
    formatRow->addWidget(m_cbDataFormat, 1);
    rules->addLayout(formatRow);
    rules->addWidget(note("Note:\nYou must specify the exact data format, including spaces and separators such as "
                          "commas, periods, colons, quotes, etc."));
    rules->addWidget(note("Use the place holders [&day], [&month], [&year], [&hour], [&minute]; [&quotation_open], "
                          "[&quotation_close],\n[&quotation_high], [&quotation_low] and [&volume] to specify "
                          "quotation date/time, open, close, high, low and volume positions."));
    rules->addWidget(note("Regular expressions are also allowed in the format definition.\n\nYou can use the place "
                          "holder [&dummyvalue] to specify values to be skipped (e.g. previous day quotation, "
                          "etc.).\nThe place holder [&symbol] can be used to match selected item's symbol/ISIN."));
    layout->addWidget(rulesBox);

    auto* statusRow = new QGridLayout;
    statusRow->addWidget(new QLabel(QStringLiteral("Status:")), 0, 0, Qt::AlignTop);
    auto* status = withId(new QPlainTextEdit, IDC_IMPORT_STATUS);
    status->setReadOnly(true);
    status->setFixedHeight(status->fontMetrics().lineSpacing() * 3 + 12);
    statusRow->addWidget(status, 0, 1);
    auto* viewColumn = new QVBoxLayout;
    for (QPushButton* view : {button("View file in Notepad", IDC_IMPORT_VIEW_TEXT),
                              button("View file in Browser", IDC_IMPORT_VIEW_BROWSER)}) {
        view->setEnabled(false);
        view->setAutoDefault(false);
        viewColumn->addWidget(view);
    }
    statusRow->addLayout(viewColumn, 0, 2);
    statusRow->setColumnStretch(1, 1);
    layout->addLayout(statusRow);

    auto* templateBox = new QGroupBox(QStringLiteral("Template"));
    auto* templateRow = new QHBoxLayout(templateBox);
    auto* templateName = withId(new QLabel, IDC_IMPORT_TEMPLATE_NAME);
    templateName->setTextFormat(Qt::PlainText);
    templateRow->addWidget(templateName, 1);
    auto* saveAs = button("Save &As...", IDC_IMPORT_SAVE_AS);
    auto* remove = button("&Delete", IDC_IMPORT_DELETE);
    for (QPushButton* b : {saveAs, remove}) {
        b->setAutoDefault(false);
        templateRow->addWidget(b);
    }
    layout->addWidget(templateBox);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* back = button("< Back", IDC_IMPORT_BACK);
    auto* next = button("Next >", IDOK);
    next->hide();
    auto* download = button("Next >", IDC_IMPORT_DOWNLOAD);
    download->setDefault(true);
    auto* finish = button("Finish", IDC_IMPORT_FINISH);
    auto* cancel = button("Cancel", IDCANCEL);
    for (QPushButton* b : {back, next, download, finish, cancel})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(url, &QLineEdit::textChanged, this, [this] {
        // A URL loaded with the other controls is handled once all of them show their values.
        if (m_loadDepth > 0)
            m_urlChangedWhileLoading = true;
        else
            OnUrlChange();
    });
    connect(conversions, &QButtonGroup::buttonClicked, this, [this] { OnConversion(); });
    connect(download, &QPushButton::clicked, this, [this] {
        // Pressed by the user, "Next >" stops at the loaded data even after a "Finish" that failed.
        m_bFinish = false;
        OnDownload();
    });
    connect(finish, &QPushButton::clicked, this, [this] { OnFinish(); });
    connect(next, &QPushButton::clicked, this, &QDialog::accept);
    connect(back, &QPushButton::clicked, this, [this] { OnBack(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(control<QPushButton>(IDC_IMPORT_VIEW_TEXT), &QPushButton::clicked, this, [this] { OnView(".txt"); });
    connect(control<QPushButton>(IDC_IMPORT_VIEW_BROWSER), &QPushButton::clicked, this, [this] { OnView(".html"); });
    connect(saveAs, &QPushButton::clicked, this, [this] { OnSaveAs(); });
    connect(remove, &QPushButton::clicked, this, [this] { OnDeleteTemplate(); });
    redirectReturn(m_cbDataFormat->lineEdit(), [this] { returnInDataFormat(); });

    m_link = std::make_unique<WindowMessageLink>(*this, [this](Message& message) -> std::intptr_t {
        if (message.message != WMU_PAGE_DOWNLOAD_STATUS || !message.recordAs<DownloadStatus>())
            return 0;
        OnPageDownloadStatus(std::unique_ptr<DownloadStatus>(static_cast<DownloadStatus*>(message.record.release())));
        return 0;
    });
}

CDlgImport::~CDlgImport() {
    m_link.reset(); // no record reaches the page from here on
}

void CDlgImport::DoDataExchange(DataExchange& dx) {
    struct Loading {
        CDlgImport& page;
        const bool active;
        Loading(CDlgImport& p, bool loading) : page(p), active(loading) { page.m_loadDepth += active ? 1 : 0; }
        ~Loading() {
            if (active && --page.m_loadDepth == 0 && std::exchange(page.m_urlChangedWhileLoading, false))
                page.OnUrlChange();
        }
    } loading(*this, !dx.m_bSaveAndValidate);
    DDX_CBString(dx, IDC_IMPORT_DATA_FORMAT, m_strDataFormat);
    DDX_Check(dx, IDC_IMPORT_CASE_INSENSITIVE, m_bCaseInsensitive);
    DDX_Text(dx, IDC_IMPORT_URL, m_strUrl);
    DDX_Text(dx, IDC_IMPORT_STATUS, m_strStatus);
    int separators = FindImportSeparatorChoice(m_strThousandsSep, m_strDecimalSep);
    DDX_CBIndex(dx, IDC_IMPORT_SEPARATORS, separators);
    if (dx.m_bSaveAndValidate && !dx.failed()) {
        ImportSeparatorsOfChoice(separators, m_strThousandsSep, m_strDecimalSep);
        // The formats used before, then the one typed when it is none of them.
        m_DataFormats.clear();
        for (int i = 0; i < m_cbDataFormat->count(); ++i)
            m_DataFormats.push_back(m_cbDataFormat->itemText(i).toStdString());
        const QString typed = m_cbDataFormat->currentText();
        if (!typed.isEmpty() && m_cbDataFormat->findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
            m_DataFormats.push_back(m_strDataFormat);
    }
    DDX_Radio(dx, IDC_IMPORT_CONVERSION_NONE, m_nConversion);
    DDX_Text(dx, IDC_IMPORT_TEMPLATE_NAME, m_strTemplateName);
}

bool CDlgImport::OnInitDialog() {
    setWindowTitle(toQString(m_strTitle));
    m_bFileLoaded = 0;
    m_bBack = 0;
    control(IDC_IMPORT_FINISH)->show();
    control(IDC_IMPORT_DELETE)->setEnabled(ImportTemplateDeletable(m_strTemplateName));
    m_cbDataFormat->clear();
    for (const std::string& format : m_DataFormats)
        m_cbDataFormat->addItem(toQString(format));
    UpdateData(false);
    m_cbDataFormat->lineEdit()->setCursorPosition(0); // the format from its start
    OnUrlChange();
    if (m_bFinish)
        OnFinish();
    return true;
}

void CDlgImport::done(int result) {
    // A download still running reports to nobody any more; its files are not left behind.
    m_download.forget();
    Dialog::done(result);
}

void CDlgImport::OnUrlChange() {
    // Loading the controls below sets the URL again, which reports a change of its own.
    if (m_inUrlChange)
        return;
    m_inUrlChange = true;
    UpdateData(true);
    m_strUrl = TrimImportUrl(m_strUrl);
    // What a download of the old URL brings is not this URL's data.
    m_download.forget();
    const bool usable = IsUsableImportUrl(m_strUrl);
    control(IDC_IMPORT_DOWNLOAD)->show();
    control(IDOK)->hide();
    control(IDC_IMPORT_FINISH)->setVisible(usable);
    for (const unsigned id : {IDC_IMPORT_VIEW_TEXT, IDC_IMPORT_VIEW_BROWSER})
        control(id)->setEnabled(false);
    m_strStatus.clear();
    m_bFileLoaded = 0;
    UpdateData(false);
    updateDownloadButtons();
    m_inUrlChange = false;
}

void CDlgImport::OnDownload() {
    if (!UpdateData(true))
        return;
    if (!m_download.start(m_strUrl, m_dtBegin, m_dtEnd))
        CVR_LOG(LOG_LEVEL_ERROR, "The import download of %s could not be started", m_strUrl.c_str());
    updateDownloadButtons();
}

void CDlgImport::OnFinish() {
    m_bFinish = true;
    control(IDC_IMPORT_DOWNLOAD)->setEnabled(false);
    control(IDOK)->setEnabled(false);
    control(IDC_IMPORT_FINISH)->hide();
    if (!control(IDOK)->isHidden())
        finishWithOk();
    else
        OnDownload();
}

void CDlgImport::OnOK() {
    m_bFinish = false;
    finishWithOk();
}

void CDlgImport::finishWithOk() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDlgImport::OnBack() {
    if (!m_bFileLoaded) {
        m_bBack = 1;
        EndDialog(IDCANCEL);
        return;
    }
    UpdateData(true);
    setDownloadState();
    m_strStatus.clear();
    m_bFileLoaded = 0;
    UpdateData(false);
    updateDownloadButtons();
}

void CDlgImport::OnView(const char* extension) {
    const std::filesystem::path file = PrepareImportFileForViewer(*this, files(), extension);
    if (file.empty()) {
        CVR_LOG(LOG_LEVEL_WARNING, "No import file to show as %s", extension);
        return;
    }
    services().shell->openFile(file);
}

void CDlgImport::OnConversion() {
    const QList<QAbstractButton*> buttons = control<QRadioButton>(IDC_IMPORT_CONVERSION_NONE)->group()->buttons();
    for (qsizetype i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked())
            m_nConversion = static_cast<int>(i);
    m_strImportFile = files().forConversion(m_nConversion);
}

void CDlgImport::OnSaveAs() {
    const HoldRecords hold(*this);
    if (!UpdateData(true))
        return;
    CDlgImportServerSaveAs saveAs(services(), this);
    if (saveAs.DoModal() == IDOK && SaveImportTemplate(saveAs.m_strSaveName, *this, *services().settings))
        // The page now shows a stored template, which can be deleted again.
        control(IDC_IMPORT_DELETE)->setEnabled(ImportTemplateDeletable(m_strTemplateName));
    UpdateData(false);
}

void CDlgImport::OnDeleteTemplate() {
    if (!DeleteImportTemplate(*this, *services().settings))
        return;
    m_bBack = 1;
    EndDialog(IDCANCEL);
}

void CDlgImport::OnPageDownloadStatus(std::unique_ptr<DownloadStatus> record) {
    if (m_holdDepth > 0) {
        m_held.push_back(std::move(record));
        return;
    }
    const ImportDownloadStep step = m_download.onStatus(std::move(record));
    switch (step.kind) {
    case ImportDownloadStep::Kind::Ignored:
        return;
    case ImportDownloadStep::Kind::Progress:
        if (step.text) {
            m_strStatus = *step.text;
            showStatus();
        }
        break;
    case ImportDownloadStep::Kind::Loaded:
        m_strImportFile = files().forConversion(m_nConversion);
        setLoadedState();
        updateDownloadButtons();
        if (m_bFinish && step.mayFinish)
            finishWithOk();
        return;
    case ImportDownloadStep::Kind::Failed:
        setDownloadState();
        if (step.text)
            m_strStatus = *step.text;
        showStatus();
        break;
    }
    updateDownloadButtons();
}

void CDlgImport::setLoadedState() {
    m_strStatus = LoadString(IDS_IMPORT_FILE_LOADED);
    m_bFileLoaded = 1;
    control(IDC_IMPORT_DOWNLOAD)->hide();
    control(IDOK)->setEnabled(true);
    control(IDOK)->show();
    control(IDC_IMPORT_FINISH)->show();
    for (const unsigned id : {IDC_IMPORT_VIEW_TEXT, IDC_IMPORT_VIEW_BROWSER})
        control(id)->setEnabled(true);
    showStatus();
}

void CDlgImport::setDownloadState() {
    control(IDC_IMPORT_DOWNLOAD)->show();
    control(IDOK)->hide();
    control(IDC_IMPORT_FINISH)->show();
    for (const unsigned id : {IDC_IMPORT_VIEW_TEXT, IDC_IMPORT_VIEW_BROWSER})
        control(id)->setEnabled(false);
}

void CDlgImport::updateDownloadButtons() {
    // A second download would append into the same files as the first: both wait for it.
    const bool running = m_download.running();
    control(IDC_IMPORT_DOWNLOAD)->setEnabled(!running && IsUsableImportUrl(m_strUrl));
    control(IDC_IMPORT_FINISH)->setEnabled(!running);
}

void CDlgImport::showStatus() {
    control<QPlainTextEdit>(IDC_IMPORT_STATUS)->setPlainText(toQString(m_strStatus));
}

void CDlgImport::returnInDataFormat() {
    // Return never ends the page here: it does what the default button does, while it is shown.
    auto* download = control<QPushButton>(IDC_IMPORT_DOWNLOAD);
    if (!download->isHidden() && download->isEnabled())
        download->click();
}
