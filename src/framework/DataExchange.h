#pragma once
// Data exchange between a dialog's members and its controls, both ways, in one function per
// dialog or page:
//
//   void DoDataExchange(DataExchange& dx) override {
//       DDX_Text(dx, IDC_TIMEOUT, m_nTimeout);
//       DDV_MinMaxInt(dx, m_nTimeout, 1, 600);
//       DDX_Text(dx, IDC_NAME, m_strName);
//   }
//
// Loading (m_bSaveAndValidate false) shows each member in its control; saving reads each control
// into its member, in the order of the calls, and stops at the first value it refuses: the
// user is told why ("Please enter a number.", "Please enter an integer.", "Please enter an integer
// between %1 and %2."), the focus goes back to that control with its text selected, and the calls
// after it change nothing. Controls are found by their object name "idc_<id>".
//
// Numbers follow one policy both ways: doubles are shown with FormatNumberGrouped ("%.15g") in the
// user's locale and read back by its twin ParseNumberGrouped (NumberInput.h); whole numbers are
// shown plain and read the same way.

#include "platform/OleDate.h"

#include <string>
#include <string_view>

class MessageBoxes;
class QWidget;

class DataExchange {
public:
    // `dialog` holds the controls; refusals are told through `boxes`.
    DataExchange(QWidget& dialog, bool saveAndValidate, MessageBoxes& boxes);

    const bool m_bSaveAndValidate;

    QWidget& dialog() const { return m_dialog; }
    // The control "idc_<id>" of the dialog, which the validations after it refer to; null (logged)
    // when the dialog has none.
    QWidget* PrepareCtrl(unsigned id);
    // The control the last exchange used.
    unsigned lastControl() const { return m_lastControl; }

    // Whether a value was refused; the exchange does nothing more then.
    bool failed() const { return m_failed; }
    // Refuses the value of the last control: shows `message`, puts the focus back in the control
    // with its text selected, and stops the exchange.
    void Fail(std::string_view message);

private:
    QWidget& m_dialog;
    MessageBoxes& m_boxes;
    QWidget* m_control = nullptr;
    unsigned m_lastControl = 0;
    bool m_failed = false;
};

// Text fields (QLineEdit, QPlainTextEdit, QTextEdit, an editable QComboBox; a QLabel is shown
// only). Text is UTF-8.
void DDX_Text(DataExchange& dx, unsigned id, std::string& value);
// A whole number: refused with "Please enter an integer." unless the text is one.
void DDX_Text(DataExchange& dx, unsigned id, int& value);
// A number: refused with "Please enter a number." unless the text is one; shown with `format`.
void DDX_Text(DataExchange& dx, unsigned id, double& value, const char* format = "%.15g");
// A check box: 0 unchecked, 1 checked, 2 indeterminate (a tri-state box).
void DDX_Check(DataExchange& dx, unsigned id, int& value);
// A group of radio buttons: the QButtonGroup of button `firstId`, buttons counted in the order they
// were added; -1 none checked (shown with no button checked).
void DDX_Radio(DataExchange& dx, unsigned firstId, int& value);
// The selected entry of a combo box; -1 none.
void DDX_CBIndex(DataExchange& dx, unsigned id, int& index);
// The text of a combo box: loading selects the entry of exactly that text (an editable one shows
// the text whatever the entries are); saving reads the shown text.
void DDX_CBString(DataExchange& dx, unsigned id, std::string& value);
// A date, time or date-time picker (QDateTimeEdit and its QDateEdit and QTimeEdit): the whole
// date-time goes both ways (a picker that shows only the date keeps the member's time and vice
// versa). A member that is no valid date leaves the picker as it is on loading.
void DDX_DateTimeCtrl(DataExchange& dx, unsigned id, OleDate& value);

// Refuses a whole number outside min..max (saving only): "Please enter an integer between %1 and
// %2." with the two bounds.
void DDV_MinMaxInt(DataExchange& dx, int value, int minValue, int maxValue);
