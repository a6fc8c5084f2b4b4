#include "dialogs/DlgImportServerSaveAs.h"

#include "dialogs/DialogParts.h"
#include "dialogs/ImportDialogIds.h"
#include "retrieval/ServerConfigStore.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CDlgImportServerSaveAs::CDlgImportServerSaveAs(Services services, QWidget* parent)
    : Dialog(IDD_IMPORT_SERVER_SAVE_AS, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Save Import Server Template As..."));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Save as:")));
    m_cbName = withId(new QComboBox, IDC_IMPORT_TEMPLATE);
    m_cbName->setEditable(true);
    m_cbName->setInsertPolicy(QComboBox::NoInsert);
    m_cbName->setMinimumContentsLength(28);
    row->addWidget(m_cbName, 1);
    layout->addLayout(row);
    layout->addLayout(okCancelRow(*this));
    connect(m_cbName, &QComboBox::editTextChanged, this, [this] { updateOk(); });
}

void CDlgImportServerSaveAs::DoDataExchange(DataExchange& dx) {
    DDX_CBString(dx, IDC_IMPORT_TEMPLATE, m_strSaveName);
}

bool CDlgImportServerSaveAs::OnInitDialog() {
    std::vector<std::string> names;
    EnumImportServerNames(names, *services().settings);
    QStringList sorted;
    for (const std::string& name : names)
        sorted.push_back(toQString(name));
    sorted.sort(Qt::CaseInsensitive);
    m_cbName->addItems(sorted);
    Dialog::OnInitDialog();
    updateOk();
    return true;
}

void CDlgImportServerSaveAs::updateOk() {
    // A blank name would name no template (the empty one is the section of all of them).
    control<QPushButton>(IDOK)->setEnabled(!m_cbName->currentText().trimmed().isEmpty());
}
