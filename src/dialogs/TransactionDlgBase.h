#pragma once
// What the investment and the cash-account transaction dialogs share: the type list, the note,
// the date and time pickers with their rule (the user's choice of a day proposes a time and an end
// date), the recurrence with its interval and end date, the number fields that evaluate a formula
// when they lose the focus, their "Math Expr..." buttons, and the live total.
//
// The dialogs work on plain members: the opener sets them (or SetValues) before DoModal and reads
// them (or Values) after IDOK; the dialogs never touch the document.

#include "dialogs/TransactionDlgLogic.h"
#include "framework/Dialog.h"
#include "platform/OleDate.h"

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QTimeEdit;

class TransactionDlgBase : public Dialog {
public:
    TransactionDlgBase(unsigned resourceId, Services services, QWidget* parent);
    ~TransactionDlgBase() override;

    // The members the openers set and read, all at once. In the cash-account dialog units are the
    // amount and the quotation is not used.
    void SetValues(const TransactionDlgValues& values);
    TransactionDlgValues Values() const;

    std::string m_strMathExpr; // the last formula of the formula dialog, shared by the buttons
    OleDate m_dtDate;          // its day is used
    OleDate m_dtTime;          // its time of day is used
    std::string m_strTaxes = "0";
    double m_dTaxes = 0.0;
    QComboBox* m_cbType = nullptr;
    int m_nType = 0;
    QTimeEdit* m_dtcTime = nullptr;
    std::string m_strTotal;
    QCheckBox* m_btnRecurrence = nullptr;
    int m_bRecurrence = 0;
    QComboBox* m_cbRecurrence = nullptr;
    int m_nRecurrence = 0;      // months: 1, 3, 6 or 12
    int m_nRecurrenceIndex = 0; // 0 "Monthly", 1 "every 3 Months", 2 "every 6 Months", 3 "Yearly"
    QCheckBox* m_btnUntil = nullptr;
    int m_bUntil = 0;
    OleDate m_dtUntil;
    QDateEdit* m_dtcUntil = nullptr;
    std::string m_strNote;

protected:
    // The units (amount) and the quotation as the dialog keeps them; the cash-account dialog has no
    // quotation.
    virtual double& unitsMember() = 0;
    virtual double* quotationMember() { return nullptr; }
    // The number fields, in the order units, quotation, taxes (no quotation in the cash account).
    virtual std::vector<unsigned> numberFields() const = 0;
    // The formula variables the fields hold now.
    virtual FormulaVariables fieldVariables() const = 0;
    // The member of a number field.
    double& numberMember(unsigned fieldId);

    // Builders of the shared rows, into `grid` at `row`.
    void addTypeRow(QGridLayout* grid, int row);
    void addNoteRow(QGridLayout* grid, int row);
    void addDateRow(QGridLayout* grid, int row);
    void addRecurrenceRow(QGridLayout* grid, int row);
    // A number field with its label and "Math Expr..." button; the button opens the formula
    // dialog titled by string `titleId` for the field.
    QLineEdit* addNumberRow(QGridLayout* grid, int row, QWidget* label, unsigned fieldId, unsigned buttonId,
                            unsigned titleId);
    void addTotalRow(QGridLayout* grid, int row);

    // Data exchange of the shared controls, in the dialogs' order: before the number fields (date
    // and time) and after them (the recurrence, the end date, the note).
    void exchangeDates(DataExchange& dx);
    void exchangeRecurrenceAndNote(DataExchange& dx);
    // Whether the controls are being loaded (changes of the fields are no user's changes then).
    bool loading() const { return m_loading; }
    struct LoadingGuard {
        explicit LoadingGuard(TransactionDlgBase& dialog, bool active);
        ~LoadingGuard();
        TransactionDlgBase& dialog;
        bool previous;
    };
    void showTotal(double total);

    bool OnInitDialog() override;
    // A formula in the field that has the focus counts as if the focus had left it.
    void OnOK() override;

    // The handlers.
    // The user chose another type.
    virtual void OnSelchangeType() = 0;
    void OnDatetimechangeDate();
    void OnRecurrence();
    void OnChangeNumber();
    // A number field lost the focus: a formula in it becomes its value.
    void OnKillfocusNumber(unsigned fieldId);
    // "Math Expr..." of a number field.
    void OnMathExpr(unsigned fieldId, unsigned titleId);

    bool eventFilter(QObject* watched, QEvent* event) override;

    OleDate now() const;

private:
    bool m_loading = false;
};
