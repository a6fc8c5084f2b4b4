#pragma once
// "Item quotation": one quotation of an item, entered or edited -- its day, its time and five
// values. The caller sets the members (SetDateTime for the moment), runs DoModal and, after IDOK,
// reads GetDateTime() and the values; the dialog changes nothing else.
//
// Choosing another day proposes a time: the current full hour for today, 20:00:00 for any other
// day. Only the user's choice does; showing the members does not.

#include "framework/Dialog.h"
#include "platform/OleDate.h"

#include <string>

class QTimeEdit;

class CDlgKurs : public Dialog {
public:
    explicit CDlgKurs(Services services, QWidget* parent = nullptr);

    double m_dClose = 0;
    std::string m_strItemName;
    OleDate m_dtTime;
    OleDate m_dtDate;
    QTimeEdit* m_dtpTime = nullptr; // the time picker
    double m_dOpen = 0;
    double m_dVolume = 0;
    double m_dLow = 0;
    double m_dHigh = 0;

    // Sets both the day and the time.
    void SetDateTime(const OleDate& dateTime);
    // The day of m_dtDate at the time of m_dtTime; invalid when either is.
    OleDate GetDateTime() const;

protected:
    void DoDataExchange(DataExchange& dx) override;
    // The user chose another day.
    void OnDateChange();
};
