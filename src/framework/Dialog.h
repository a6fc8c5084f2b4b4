#pragma once
// The base of the program's dialogs: a QDialog named "dlg_<resource id>" whose controls are named
// "idc_<id>" (OK "idc_1", Cancel "idc_2"), with one data-exchange function (DataExchange.h) and
// the services bundle of its owner.
//
// The run: DoModal runs OnInitDialog once (the base loads the controls: UpdateData(false)), then
// the dialog through the bundle's modal runner, and returns how it ended (IDOK, IDCANCEL or what
// EndDialog was given). OK -- the OK button, Return -- runs OnOK (the base saves the controls and
// ends with IDOK unless a value is refused); Cancel, Escape and the close button run OnCancel
// (the base ends with IDCANCEL). In a multi-line field Tab moves on and Ctrl+Tab inserts a tab.

#include "framework/DataExchange.h"
#include "framework/Services.h"

#include <QDialog>
#include <QString>

#include <functional>

class Dialog : public QDialog {
public:
    Dialog(unsigned resourceId, Services services, QWidget* parent = nullptr);
    ~Dialog() override;

    unsigned resourceId() const { return m_resourceId; }
    const Services& services() const { return m_services; }

    // "idc_<id>".
    static QString controlName(unsigned id);
    // The control "idc_<id>" as a W; null when there is none.
    template <class W = QWidget> W* control(unsigned id) const { return findChild<W*>(controlName(id)); }
    // Names `widget` "idc_<id>" and returns it.
    template <class W> static W* withId(W* widget, unsigned id) {
        widget->setObjectName(controlName(id));
        return widget;
    }

    // Loads the controls (false) or saves them into the members (true); false when a value was
    // refused.
    bool UpdateData(bool saveAndValidate = true);
    // Runs the dialog modally; how it ended.
    int DoModal();
    // Ends the dialog with `result`.
    void EndDialog(int result);
    // Return and Enter in `widget` run `action` instead of ending the dialog with OK (a list whose
    // Return edits its row).
    static void redirectReturn(QWidget* widget, std::function<void()> action);
    // The keys of a dialog's multi-line fields (QPlainTextEdit, QTextEdit) in and below `root`:
    // Tab and Shift+Tab leave the field for the next or previous control, Ctrl+Tab inserts a tab
    // character. Every dialog and page does this for its fields as it shows.
    static void useDialogTabKeys(QWidget* root);

    // QDialog's ends, routed to OnOK and OnCancel.
    void accept() override;
    void reject() override;

protected:
    // The members <-> controls, in the dialog's order.
    virtual void DoDataExchange(DataExchange& dx);
    // Before the dialog first shows; the base loads the controls. True.
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    void showEvent(QShowEvent* event) override;

private:
    // OnInitDialog, once.
    void initDialog();

    unsigned m_resourceId;
    Services m_services;
    bool m_initialised = false;
};
