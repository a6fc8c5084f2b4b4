#include "dialogs/DlgDeleteQuotationsInterval.h"

#include "dialogs/DialogParts.h"
#include "dialogs/ImportDialogIds.h"

#include <QVBoxLayout>

CDlgDeleteQuotationsInterval::CDlgDeleteQuotationsInterval(Services services, QWidget* parent)
    : Dialog(IDD_DELETE_QUOTATIONS_INTERVAL, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Delete Quotations"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(itemNameRow());
    layout->addLayout(dateRangeRow(QStringLiteral("From"), IDC_INTERVAL_FROM, QStringLiteral("to"), IDC_INTERVAL_TO));
    layout->addLayout(okCancelRow(*this));
}

void CDlgDeleteQuotationsInterval::DoDataExchange(DataExchange& dx) {
    DDX_Text(dx, IDC_ITEM_NAME, m_strItemName);
    DDX_DateTimeCtrl(dx, IDC_INTERVAL_FROM, m_dtFrom);
    DDX_DateTimeCtrl(dx, IDC_INTERVAL_TO, m_dtTo);
}
