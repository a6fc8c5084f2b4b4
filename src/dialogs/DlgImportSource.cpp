#include "dialogs/DlgImportSource.h"

#include "dialogs/DialogParts.h"
#include "dialogs/ImportDialogIds.h"
#include "retrieval/ServerConfigStore.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CDlgImportSource::CDlgImportSource(Services services, QWidget* parent)
    : Dialog(IDD_IMPORT_SOURCE, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Import Quotations"));
    auto* layout = new QVBoxLayout(this);

    auto* source = new QGroupBox(QStringLiteral("Import source"));
    auto* grid = new QGridLayout(source);
    auto* sources = new QButtonGroup(this);
    auto* download = withId(new QRadioButton(QStringLiteral("Internet download")), IDC_IMPORT_SOURCE_DOWNLOAD);
    auto* file = withId(new QRadioButton(QStringLiteral("Local file")), IDC_IMPORT_SOURCE_FILE);
    sources->addButton(download); // source 0
    sources->addButton(file);     // source 1
    m_cbTemplate = withId(new QComboBox, IDC_IMPORT_TEMPLATE);
    m_cbTemplate->setMinimumContentsLength(24);
    auto* info = withId(new QLabel, IDC_IMPORT_TEMPLATE_INFO);
    info->setTextFormat(Qt::PlainText);
    info->setWordWrap(true);
    auto* selectFile = withId(new QPushButton(QStringLiteral("File path")), IDC_IMPORT_SELECT_FILE);
    selectFile->setAutoDefault(false);
    grid->addWidget(download, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Import server template:")), 1, 1);
    grid->addWidget(m_cbTemplate, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Item's symbol:")), 2, 1);
    grid->addWidget(withId(new QLineEdit, IDC_IMPORT_SYMBOL), 2, 2);
    grid->addWidget(info, 3, 1, 1, 2);
    grid->addWidget(file, 4, 0, 1, 3);
    grid->addWidget(selectFile, 5, 1);
    grid->addWidget(withId(new QLineEdit, IDC_IMPORT_FILE_PATH), 5, 2);
    grid->setColumnMinimumWidth(0, 16);
    grid->setColumnStretch(2, 1);
    layout->addWidget(source);

    auto* frame = new QGroupBox(QStringLiteral("Time frame"));
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addLayout(
        dateRangeRow(QStringLiteral("Quotations' time frame:"), IDC_IMPORT_BEGIN, QStringLiteral("_"), IDC_IMPORT_END));
    layout->addWidget(frame);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* back = withId(new QPushButton(QStringLiteral("< Back")), IDC_IMPORT_BACK);
    back->setEnabled(false);
    auto* next = withId(new QPushButton(QStringLiteral("Next >")), IDC_IMPORT_SOURCE_NEXT);
    auto* finish = withId(new QPushButton(QStringLiteral("Finish")), IDC_IMPORT_FINISH);
    finish->setDefault(true);
    auto* cancel = withId(new QPushButton(QStringLiteral("Cancel")), IDCANCEL);
    for (QPushButton* button : {back, next, finish, cancel})
        buttons->addWidget(button);
    layout->addLayout(buttons);

    connect(sources, &QButtonGroup::buttonClicked, this, [this] { OnSourceChange(); });
    connect(selectFile, &QPushButton::clicked, this, [this] { OnSelectFile(); });
    connect(m_cbTemplate, &QComboBox::activated, this, [this] { OnTemplateChange(); });
    connect(next, &QPushButton::clicked, this, [this] { OnNext(); });
    connect(finish, &QPushButton::clicked, this, [this] { OnFinish(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDlgImportSource::DoDataExchange(DataExchange& dx) {
    DDX_Text(dx, IDC_IMPORT_FILE_PATH, m_strFilePath);
    DDX_Radio(dx, IDC_IMPORT_SOURCE_DOWNLOAD, m_nSource);
    DDX_Text(dx, IDC_IMPORT_SYMBOL, m_strSymbol);
    DDX_CBString(dx, IDC_IMPORT_TEMPLATE, m_strTemplate);
    DDX_DateTimeCtrl(dx, IDC_IMPORT_BEGIN, m_dtBegin);
    DDX_DateTimeCtrl(dx, IDC_IMPORT_END, m_dtEnd);
    DDX_Text(dx, IDC_IMPORT_TEMPLATE_INFO, m_strTemplateInfo);
}

bool CDlgImportSource::OnInitDialog() {
    setWindowTitle(toQString(m_strTitle));
    std::vector<std::string> stored;
    EnumImportServerNames(stored, *services().settings);
    const std::vector<std::string> choices = ImportTemplateChoices(std::move(stored));
    m_cbTemplate->clear();
    for (const std::string& choice : choices)
        m_cbTemplate->addItem(toQString(choice));
    m_strTemplate = SelectImportTemplate(choices, m_strTemplate);
    m_strTemplateInfo = templateInfo(m_strTemplate);
    UpdateData(false);
    OnSourceChange();
    return true;
}

std::string CDlgImportSource::templateInfo(const std::string& name) const {
    if (name == kImportTemplateNew)
        return {};
    ImportServerSettings stored;
    LoadImportServerSettings(name, &stored, *services().settings);
    return ImportTemplateInfo(name, stored.m_strSymbolInfo);
}

void CDlgImportSource::OnSourceChange() {
    const bool download = control<QRadioButton>(IDC_IMPORT_SOURCE_DOWNLOAD)->isChecked();
    for (const unsigned id : {IDC_IMPORT_TEMPLATE, IDC_IMPORT_SYMBOL, IDC_IMPORT_TEMPLATE_INFO})
        control(id)->setEnabled(download);
    for (const unsigned id : {IDC_IMPORT_FILE_PATH, IDC_IMPORT_SELECT_FILE})
        control(id)->setEnabled(!download);
}

void CDlgImportSource::OnSelectFile() {
    if (!UpdateData(true))
        return;
    const auto chosen = services().files->openFileName(ImportFileRequest(m_strFilePath));
    if (!chosen)
        return;
    m_strFilePath = chosen->string();
    UpdateData(false);
}

void CDlgImportSource::OnTemplateChange() {
    if (!UpdateData(true))
        return;
    m_strTemplateInfo = templateInfo(m_strTemplate);
    UpdateData(false);
}

void CDlgImportSource::OnNext() {
    m_bFinish = false;
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDlgImportSource::OnFinish() {
    m_bFinish = true;
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDlgImportSource::OnOK() {
    OnFinish();
}
