#include "dialogs/DialogParts.h"

#include "dialogs/ImportDialogIds.h"
#include "framework/Dialog.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QHBoxLayout* okCancelRow(Dialog& dialog) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* ok = Dialog::withId(new QPushButton(QStringLiteral("OK")), IDOK);
    ok->setDefault(true);
    auto* cancel = Dialog::withId(new QPushButton(QStringLiteral("Cancel")), IDCANCEL);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

QHBoxLayout* itemNameRow() {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Item:")));
    auto* name = Dialog::withId(new QLabel, IDC_ITEM_NAME);
    name->setTextFormat(Qt::PlainText);
    row->addWidget(name, 1);
    return row;
}

QHBoxLayout* dateRangeRow(const QString& before, unsigned fromId, const QString& between, unsigned toId) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(before));
    row->addWidget(makeDatePicker(fromId));
    row->addWidget(new QLabel(between));
    row->addWidget(makeDatePicker(toId));
    row->addStretch(1);
    return row;
}

QDateEdit* makeDatePicker(unsigned id) {
    auto* picker = Dialog::withId(new QDateEdit, id);
    // The members are local calendar values; Qt's date and time pickers would count in UTC.
    picker->setTimeSpec(Qt::LocalTime);
    picker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    picker->setCalendarPopup(true);
    return picker;
}

QTimeEdit* makeTimePicker(unsigned id) {
    auto* picker = Dialog::withId(new QTimeEdit, id);
    picker->setTimeSpec(Qt::LocalTime);
    // The long format without its time zone ("h:mm:ss AP t" -> "h:mm:ss AP").
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    picker->setDisplayFormat(format.trimmed());
    return picker;
}
