#include "dialogs/DlgKurs.h"

#include "dialogs/DialogParts.h"
#include "dialogs/ImportDialogIds.h"
#include "dialogs/QuotationDlgLogic.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QVBoxLayout>

CDlgKurs::CDlgKurs(Services services, QWidget* parent) : Dialog(IDD_KURS, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Item quotation"));
    auto* layout = new QVBoxLayout(this);

    layout->addLayout(itemNameRow());

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(new QLabel(QStringLiteral("Quotation on ")));
    auto* date = makeDatePicker(IDC_KURS_DATE);
    dateRow->addWidget(date);
    dateRow->addWidget(new QLabel(QStringLiteral("at")));
    m_dtpTime = makeTimePicker(IDC_KURS_TIME);
    dateRow->addWidget(m_dtpTime);
    dateRow->addWidget(new QLabel(QStringLiteral("h:")));
    dateRow->addStretch(1);
    layout->addLayout(dateRow);

    auto* values = new QGridLayout;
    const auto addValue = [&](int row, int column, const char* label, unsigned id) {
        values->addWidget(new QLabel(QString::fromUtf8(label)), row, column * 2);
        values->addWidget(withId(new QLineEdit, id), row, column * 2 + 1);
    };
    addValue(0, 0, "Last/Close quotation:", IDC_KURS_CLOSE);
    addValue(0, 1, "Open quotation:", IDC_KURS_OPEN);
    addValue(1, 0, "High:", IDC_KURS_HIGH);
    addValue(1, 1, "Low:", IDC_KURS_LOW);
    addValue(2, 0, "Volume:", IDC_KURS_VOLUME);
    layout->addLayout(values);
    layout->addLayout(okCancelRow(*this));

    connect(date, &QDateEdit::dateChanged, this, [this] { OnDateChange(); });
}

void CDlgKurs::SetDateTime(const OleDate& dateTime) {
    m_dtTime = dateTime;
    m_dtDate = dateTime;
}

OleDate CDlgKurs::GetDateTime() const {
    return QuotationDateTime(m_dtDate, m_dtTime);
}

void CDlgKurs::DoDataExchange(DataExchange& dx) {
    // Showing the day is no choice of the user's: the picker tells nobody meanwhile.
    const QSignalBlocker quiet(control(IDC_KURS_DATE));
    DDX_Text(dx, IDC_KURS_CLOSE, m_dClose);
    DDX_Text(dx, IDC_ITEM_NAME, m_strItemName);
    DDX_DateTimeCtrl(dx, IDC_KURS_TIME, m_dtTime);
    DDX_DateTimeCtrl(dx, IDC_KURS_DATE, m_dtDate);
    DDX_Text(dx, IDC_KURS_OPEN, m_dOpen);
    DDX_Text(dx, IDC_KURS_VOLUME, m_dVolume);
    DDX_Text(dx, IDC_KURS_LOW, m_dLow);
    DDX_Text(dx, IDC_KURS_HIGH, m_dHigh);
}

void CDlgKurs::OnDateChange() {
    // Only the chosen day is read: a value refused elsewhere must not interrupt choosing a day.
    const QDate day = control<QDateEdit>(IDC_KURS_DATE)->date();
    const OleDate time = QuotationTimeForDate(OleDate(day.year(), day.month(), day.day(), 0, 0, 0), *services().clock);
    m_dtpTime->setTime(QTime(time.GetHour(), time.GetMinute(), time.GetSecond()));
}
