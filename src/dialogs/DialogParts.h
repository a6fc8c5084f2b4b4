#pragma once
// Small parts the quotation and import dialogs are built from: the OK/Cancel row, date and time
// pickers in the user's formats, and UTF-8 text for the widgets.

#include <QString>

#include <string>
#include <string_view>

class Dialog;
class QDateEdit;
class QHBoxLayout;
class QTimeEdit;

// UTF-8 text as a QString.
QString toQString(std::string_view text);

// A row of OK (1, the default button) and Cancel (2), right-aligned; OK runs the dialog's OnOK,
// Cancel its OnCancel.
QHBoxLayout* okCancelRow(Dialog& dialog);

// "Item:" and the item's name in the plain-text label "idc_1009", as a row.
QHBoxLayout* itemNameRow();
// `before`, the date picker `fromId`, `between`, the date picker `toId`, as a row.
QHBoxLayout* dateRangeRow(const QString& before, unsigned fromId, const QString& between, unsigned toId);

// A date picker "idc_<id>" in the user's short date format, with a calendar to choose from.
QDateEdit* makeDatePicker(unsigned id);
// A time picker "idc_<id>" in the user's time format, with seconds.
QTimeEdit* makeTimePicker(unsigned id);

// The Qt display format that shows what the strftime format `format` writes ("%m/%d/%y" gives
// "MM/dd/yy"); empty when it holds a conversion a picker cannot show.
QString displayFormatOfStrftime(std::string_view format);
// The formats of the pickers: those of the C locale's "%x" and "%X", so a picker shows a date and
// a time as the lists, pages and printouts write them (OleDate::kUserDateTime); the locale's own
// short formats where they cannot be shown.
QString userDateDisplayFormat();
QString userTimeDisplayFormat();
