#include "framework/DataExchange.h"

#include "framework/MessageBoxes.h"
#include "framework/NumberInput.h"
#include "log/Log.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include <string>

namespace {

constexpr const char* kEnterInteger = "Please enter an integer.";
constexpr const char* kEnterNumber = "Please enter a number.";
constexpr const char* kEnterIntegerBetween = "Please enter an integer between %1 and %2.";

QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The text a control shows; nothing for a control that shows none.
std::optional<QString> controlText(const QWidget* control) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(control))
        return plain->toPlainText();
    if (const auto* rich = qobject_cast<const QTextEdit*>(control))
        return rich->toPlainText();
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    return std::nullopt;
}

// An editable combo box's text, shown from its beginning: a text longer than the field is cut at
// its end, as the user reads it, not at its start.
void setEditText(QComboBox& combo, const QString& text) {
    combo.setEditText(text);
    if (QLineEdit* edit = combo.lineEdit())
        edit->setCursorPosition(0);
}

bool setControlText(QWidget* control, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->setPlainText(text);
    else if (auto* rich = qobject_cast<QTextEdit*>(control))
        rich->setPlainText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable())
        setEditText(*combo, text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else
        return false;
    return true;
}

// The control of `id` for an exchange that goes on; null when it stopped or there is none.
QWidget* prepare(DataExchange& dx, unsigned id) {
    return dx.failed() ? nullptr : dx.PrepareCtrl(id);
}

// Reads the control's text as UTF-8; false (logged) when the control shows no text.
bool readText(QWidget* control, unsigned id, std::string& text) {
    const auto shown = controlText(control);
    if (!shown) {
        CVR_LOG(LOG_LEVEL_ERROR, "Control %u holds no text", id);
        return false;
    }
    text = shown->toStdString();
    return true;
}

void showText(QWidget* control, unsigned id, const std::string& text) {
    if (!setControlText(control, toQString(text)))
        CVR_LOG(LOG_LEVEL_ERROR, "Control %u shows no text", id);
}

// A number both ways: `shown` on loading; on saving what `parse` reads, else refused with `refusal`.
template <class T, class Parse>
void exchangeNumber(DataExchange& dx, unsigned id, T& value, const std::string& shown, Parse parse,
                    const char* refusal) {
    QWidget* control = prepare(dx, id);
    if (!control)
        return;
    if (!dx.m_bSaveAndValidate) {
        showText(control, id, shown);
        return;
    }
    std::string text;
    if (!readText(control, id, text))
        return;
    if (const auto number = parse(text))
        value = *number;
    else
        dx.Fail(refusal);
}

} // namespace

DataExchange::DataExchange(QWidget& dialog, bool saveAndValidate, MessageBoxes& boxes)
    : m_bSaveAndValidate(saveAndValidate), m_dialog(dialog), m_boxes(boxes) {}

QWidget* DataExchange::PrepareCtrl(unsigned id) {
    m_lastControl = id;
    m_control = m_dialog.findChild<QWidget*>(QStringLiteral("idc_%1").arg(id));
    if (!m_control)
        CVR_LOG(LOG_LEVEL_ERROR, "The dialog %s has no control %u", m_dialog.objectName().toUtf8().constData(), id);
    return m_control;
}

void DataExchange::Fail(std::string_view message) {
    m_failed = true;
    m_boxes.messageBox(message, MB_OK | MB_ICONEXCLAMATION);
    if (!m_control)
        return;
    m_control->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(m_control))
        edit->selectAll();
    else if (auto* combo = qobject_cast<QComboBox*>(m_control); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(m_control))
        plain->selectAll();
    else if (auto* rich = qobject_cast<QTextEdit*>(m_control))
        rich->selectAll();
}

void DDX_Text(DataExchange& dx, unsigned id, std::string& value) {
    QWidget* control = prepare(dx, id);
    if (!control)
        return;
    if (dx.m_bSaveAndValidate)
        readText(control, id, value);
    else
        showText(control, id, value);
}

void DDX_Text(DataExchange& dx, unsigned id, int& value) {
    exchangeNumber(dx, id, value, std::to_string(value), ParseIntegerGrouped, kEnterInteger);
}

void DDX_Text(DataExchange& dx, unsigned id, double& value, const char* format) {
    exchangeNumber(dx, id, value, FormatNumberForInput(value, format), ParseNumberGrouped, kEnterNumber);
}

void DDX_Check(DataExchange& dx, unsigned id, int& value) {
    auto* box = qobject_cast<QCheckBox*>(prepare(dx, id));
    if (!box)
        return;
    if (dx.m_bSaveAndValidate) {
        value = box->checkState() == Qt::Checked ? 1 : box->checkState() == Qt::PartiallyChecked ? 2 : 0;
        return;
    }
    if (value == 2 && !box->isTristate())
        box->setTristate(true);
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void DDX_Radio(DataExchange& dx, unsigned firstId, int& value) {
    auto* first = qobject_cast<QAbstractButton*>(prepare(dx, firstId));
    if (!first)
        return;
    QButtonGroup* group = first->group();
    const QList<QAbstractButton*> buttons = group ? group->buttons() : QList<QAbstractButton*>{first};
    if (dx.m_bSaveAndValidate) {
        value = -1;
        for (qsizetype i = 0; i < buttons.size(); ++i)
            if (buttons[i]->isChecked())
                value = static_cast<int>(i);
        return;
    }
    // An exclusive group keeps one button checked: showing none needs the rule off meanwhile.
    const bool exclusive = group && group->exclusive();
    if (exclusive)
        group->setExclusive(false);
    for (qsizetype i = 0; i < buttons.size(); ++i)
        buttons[i]->setChecked(i == value);
    if (exclusive)
        group->setExclusive(true);
}

void DDX_CBIndex(DataExchange& dx, unsigned id, int& index) {
    auto* combo = qobject_cast<QComboBox*>(prepare(dx, id));
    if (!combo)
        return;
    if (dx.m_bSaveAndValidate)
        index = combo->currentIndex();
    else
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void DDX_CBString(DataExchange& dx, unsigned id, std::string& value) {
    auto* combo = qobject_cast<QComboBox*>(prepare(dx, id));
    if (!combo)
        return;
    if (dx.m_bSaveAndValidate) {
        value = combo->currentText().toStdString();
        return;
    }
    const QString text = toQString(value);
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
    if (combo->isEditable())
        setEditText(*combo, text);
}

void DDX_DateTimeCtrl(DataExchange& dx, unsigned id, OleDate& value) {
    auto* picker = qobject_cast<QDateTimeEdit*>(prepare(dx, id));
    if (!picker)
        return;
    const QDateTimeEdit::Sections sections = picker->displayedSections();
    const bool showsDate = (sections & QDateTimeEdit::DateSections_Mask) != 0;
    const bool showsTime = (sections & QDateTimeEdit::TimeSections_Mask) != 0;
    const bool memberValid = value.GetStatus() == OleDate::valid;
    if (!dx.m_bSaveAndValidate) {
        if (!memberValid)
            return;
        // The member is a local calendar value and the picker shows its own time base (Qt gives
        // date-only and time-only pickers UTC): the value goes in as that base's wall clock, so
        // the picker shows exactly the member's fields and converts nothing.
        QDateTime shown = picker->dateTime();
        shown.setDate(QDate(value.GetYear(), value.GetMonth(), value.GetDay()));
        shown.setTime(QTime(value.GetHour(), value.GetMinute(), value.GetSecond()));
        picker->setDateTime(shown);
        return;
    }
    // The fields the picker shows, in its own time base: what the user sees is what comes back.
    const QDateTime shown = picker->dateTime();
    QDate date = shown.date();
    QTime time = shown.time();
    if (!showsDate && memberValid)
        date = QDate(value.GetYear(), value.GetMonth(), value.GetDay());
    if (!showsTime && memberValid)
        time = QTime(value.GetHour(), value.GetMinute(), value.GetSecond());
    value = OleDate(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second());
}

void DDV_MinMaxInt(DataExchange& dx, int value, int minValue, int maxValue) {
    if (!dx.m_bSaveAndValidate || dx.failed() || (value >= minValue && value <= maxValue))
        return;
    std::string message = kEnterIntegerBetween;
    message.replace(message.find("%1"), 2, std::to_string(minValue));
    message.replace(message.find("%2"), 2, std::to_string(maxValue));
    dx.Fail(message);
}
