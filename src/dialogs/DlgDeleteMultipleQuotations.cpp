#include "dialogs/DlgDeleteMultipleQuotations.h"

#include "dialogs/DialogParts.h"
#include "dialogs/ImportDialogIds.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

CDlgDeleteMultipleQuotations::CDlgDeleteMultipleQuotations(Services services, QWidget* parent)
    : Dialog(IDD_DELETE_MULTIPLE_QUOTATIONS, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Delete multiple quotations"));
    auto* layout = new QVBoxLayout(this);
    auto* box = new QGroupBox(QStringLiteral("Filter out multiple quotations on a:"));
    auto* boxLayout = new QVBoxLayout(box);
    auto* modes = new QButtonGroup(this);
    for (const auto& [id, text] : {std::pair{IDC_DELETE_DAILY, "Daily basis"}, {IDC_DELETE_MONTHLY, "Monthly basis"}}) {
        auto* radio = withId(new QRadioButton(QString::fromLatin1(text)), id);
        modes->addButton(radio);
        boxLayout->addWidget(radio);
    }
    layout->addWidget(box);
    layout->addLayout(okCancelRow(*this));
}

void CDlgDeleteMultipleQuotations::DoDataExchange(DataExchange& dx) {
    DDX_Radio(dx, IDC_DELETE_DAILY, m_nMode);
}
