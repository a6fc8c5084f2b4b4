#include "dialogs/DlgUpdateQuotationOn.h"

#include "dialogs/DialogIds.h"
#include "dialogs/DialogParts.h"
#include "framework/DataExchange.h"

#include <QDateEdit>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QLabel* wrappedLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

CDlgUpdateQuotationOn::CDlgUpdateQuotationOn(Services services, QWidget* parent)
    : Dialog(IDD_UPDATE_QUOTATION_ON, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Update items' quotations for date..."));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wrappedLabel(QStringLiteral("Update selected items' quotations for the following date/time:")));
    auto* pickers = new QHBoxLayout;
    auto* date = withId(new QDateEdit, IDC_UPDATE_DATE);
    date->setCalendarPopup(true);
    date->setDisplayFormat(userDateDisplayFormat());
    // A date-time picker showing the time alone: its date goes along unseen, so the time of day is
    // never moved by a time zone's change between that date and another.
    auto* time = withId(new QDateTimeEdit, IDC_UPDATE_TIME);
    time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    pickers->addWidget(date);
    pickers->addWidget(time);
    pickers->addStretch(1);
    layout->addLayout(pickers);
    layout->addWidget(wrappedLabel(QStringLiteral(
        "Note: This will only work correctly for items that have a server configuration that uses date/time "
        "variables such as [&day],[&month],[&year],[&h] and [&min].")));
    layout->addWidget(wrappedLabel(QStringLiteral(
        "Otherwise latest quotations will be simply downloaded and the date/time defined above will be assigned to "
        "them.")));
    layout->addLayout(okCancelRow(*this));
    setMinimumWidth(420);
}

void CDlgUpdateQuotationOn::DoDataExchange(DataExchange& dx) {
    DDX_DateTimeCtrl(dx, IDC_UPDATE_DATE, m_dtDate);
    DDX_DateTimeCtrl(dx, IDC_UPDATE_TIME, m_dtTime);
}
