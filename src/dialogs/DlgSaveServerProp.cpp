#include "dialogs/DlgSaveServerProp.h"

#include "dialogs/DialogIds.h"
#include "framework/StringTable.h"
#include "platform/Settings.h"
#include "retrieval/ServerConfigStore.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

CDlgSaveServerProp::CDlgSaveServerProp(Services services, QWidget* parent)
    : Dialog(IDD_SAVE_SERVER_PROP, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Server Configuration"));
    auto* group = new QGroupBox(QStringLiteral("Save as:"));
    auto* itemSpecific =
        withId(new QRadioButton(QStringLiteral("Item-specific configuration                \"-- Local definition / "
                                               "Non-template --\"")),
               IDC_SAVE_ITEM_SPECIFIC);
    auto* asTemplate = withId(new QRadioButton(QStringLiteral("Template configuration")), IDC_SAVE_TEMPLATE);
    auto* radios = new QButtonGroup(this);
    radios->addButton(itemSpecific);
    radios->addButton(asTemplate);
    auto* names = withId(new QComboBox, IDC_SAVE_NAME);
    names->setEditable(true);
    names->setInsertPolicy(QComboBox::NoInsert);
    names->setMinimumContentsLength(30);
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(itemSpecific);
    inner->addWidget(asTemplate);
    auto* nameRow = new QHBoxLayout;
    nameRow->addSpacing(20);
    nameRow->addWidget(names, 1);
    inner->addLayout(nameRow);

    auto* ok = withId(new QPushButton(QStringLiteral("OK")), IDOK);
    ok->setDefault(true);
    auto* cancel = withId(new QPushButton(QStringLiteral("Cancel")), IDCANCEL);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
}

CDlgSaveServerProp::~CDlgSaveServerProp() = default;

void CDlgSaveServerProp::DoDataExchange(DataExchange& dx) {
    DDX_CBString(dx, IDC_SAVE_NAME, m_strSaveName);
    DDX_Radio(dx, IDC_SAVE_ITEM_SPECIFIC, m_nSaveAs);
    if (dx.m_bSaveAndValidate && !dx.failed() && m_nSaveAs == 0)
        m_strSaveName = LoadString(IDS_LOCAL_DEFINITION);
}

bool CDlgSaveServerProp::OnInitDialog() {
    std::vector<std::string> names;
    EnumServerNames(names, *services().settings);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
    });
    auto* combo = control<QComboBox>(IDC_SAVE_NAME);
    for (const std::string& name : names)
        combo->addItem(QString::fromStdString(name));
    return Dialog::OnInitDialog();
}

void CDlgSaveServerProp::OnOK() {
    if (!UpdateData(true))
        return;
    if (m_nSaveAs == 1) {
        // A template needs a name; blanks around it are no part of it.
        m_strSaveName = trimmed(m_strSaveName);
        if (m_strSaveName.empty()) {
            services().boxes->messageBox(kEnterTemplateNameText, MB_OK | MB_ICONEXCLAMATION);
            auto* combo = control<QComboBox>(IDC_SAVE_NAME);
            combo->setFocus(Qt::OtherFocusReason);
            combo->lineEdit()->selectAll();
            return;
        }
    }
    EndDialog(IDOK);
}
