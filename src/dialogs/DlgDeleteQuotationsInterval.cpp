#include "dialogs/DlgDeleteQuotationsInterval.h"

#include "dialogs/DialogParts.h"
#include "dialogs/ImportDialogIds.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CDlgDeleteQuotationsInterval::CDlgDeleteQuotationsInterval(Services services, QWidget* parent)
    : Dialog(IDD_DELETE_QUOTATIONS_INTERVAL, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Delete Quotations"));
    auto* layout = new QVBoxLayout(this);
    auto* itemRow = new QHBoxLayout;
    itemRow->addWidget(new QLabel(QStringLiteral("Item:")));
    auto* itemName = withId(new QLabel, IDC_ITEM_NAME);
    itemName->setTextFormat(Qt::PlainText);
    itemRow->addWidget(itemName, 1);
    layout->addLayout(itemRow);
    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(QStringLiteral("From")));
    range->addWidget(makeDatePicker(IDC_INTERVAL_FROM));
    range->addWidget(new QLabel(QStringLiteral("to")));
    range->addWidget(makeDatePicker(IDC_INTERVAL_TO));
    range->addStretch(1);
    layout->addLayout(range);
    layout->addLayout(okCancelRow(*this));
}

void CDlgDeleteQuotationsInterval::DoDataExchange(DataExchange& dx) {
    DDX_Text(dx, IDC_ITEM_NAME, m_strItemName);
    DDX_DateTimeCtrl(dx, IDC_INTERVAL_FROM, m_dtFrom);
    DDX_DateTimeCtrl(dx, IDC_INTERVAL_TO, m_dtTo);
}
