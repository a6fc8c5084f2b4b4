#include "dialogs/DialogParts.h"

#include "dialogs/ImportDialogIds.h"
#include "framework/Dialog.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>

#include <algorithm>
#include <iterator>
#include <string>

#if __has_include(<langinfo.h>)
#include <langinfo.h>
#endif

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
    picker->setDisplayFormat(userDateDisplayFormat());
    picker->setCalendarPopup(true);
    return picker;
}

QTimeEdit* makeTimePicker(unsigned id) {
    auto* picker = Dialog::withId(new QTimeEdit, id);
    picker->setDisplayFormat(userTimeDisplayFormat());
    return picker;
}

namespace {

// The strftime conversions a picker can show, with the display format that shows them.
struct StrftimeField {
    char conversion;
    const char* display;
};
constexpr StrftimeField kFields[] = {
    {'d', "dd"},       {'e', "d"},          {'m', "MM"},    {'y', "yy"},       {'Y', "yyyy"},
    {'b', "MMM"},      {'h', "MMM"},        {'B', "MMMM"},  {'a', "ddd"},      {'A', "dddd"},
    {'D', "MM/dd/yy"}, {'F', "yyyy-MM-dd"}, {'H', "HH"},    {'I', "hh"},       {'M', "mm"},
    {'S', "ss"},       {'p', "AP"},         {'R', "HH:mm"}, {'T', "HH:mm:ss"}, {'r', "hh:mm:ss AP"},
};

} // namespace

QString displayFormatOfStrftime(std::string_view format) {
    QString result;
    std::string literal; // UTF-8, as the locale writes it
    const auto flushLiteral = [&] {
        if (literal.empty())
            return;
        // Quoted, a quote doubled; letters unquoted would be taken as fields.
        result +=
            QLatin1Char('\'') + toQString(literal).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
        literal.clear();
    };
    const auto field = [&](const char* qt) {
        flushLiteral();
        result += QLatin1String(qt);
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            literal += format[i];
            continue;
        }
        if (++i == format.size())
            return {};
        char c = format[i];
        // The alternative forms (%Ey, %Od, ...) are shown in the plain ones.
        if ((c == 'E' || c == 'O') && i + 1 < format.size())
            c = format[++i];
        if (c == 'n' || c == 't') {
            literal += ' ';
            continue;
        }
        if (c == '%') {
            literal += '%';
            continue;
        }
        const auto known = std::find_if(std::begin(kFields), std::end(kFields),
                                        [c](const StrftimeField& f) { return f.conversion == c; });
        if (known == std::end(kFields))
            return {};
        field(known->display);
    }
    flushLiteral();
    return result;
}

namespace {

// The C locale's format of a strftime conversion ("%x" or "%X"); empty where it cannot be read.
std::string localeFormat([[maybe_unused]] bool date) {
#if __has_include(<langinfo.h>)
    const char* format = nl_langinfo(date ? D_FMT : T_FMT);
    return format ? format : "";
#else
    return {};
#endif
}

} // namespace

QString userDateDisplayFormat() {
    const QString format = displayFormatOfStrftime(localeFormat(true));
    return format.isEmpty() ? QLocale().dateFormat(QLocale::ShortFormat) : format;
}

QString userTimeDisplayFormat() {
    QString format = displayFormatOfStrftime(localeFormat(false));
    if (format.isEmpty()) {
        // The locale's long format without its time zone ("h:mm:ss AP t" -> "h:mm:ss AP").
        format = QLocale().timeFormat(QLocale::LongFormat);
        format.remove(QLatin1Char('t'));
        format = format.trimmed();
    }
    return format;
}
