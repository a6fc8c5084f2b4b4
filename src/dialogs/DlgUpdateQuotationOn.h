#pragma once
// "Update items' quotations for date...": the date and the time of day for which the quotations
// of the selected items are fetched. The opener sets both members before DoModal and reads both
// after IDOK: the date part of m_dtDate with the time part of m_dtTime.

#include "framework/Dialog.h"
#include "platform/OleDate.h"

class CDlgUpdateQuotationOn : public Dialog {
public:
    explicit CDlgUpdateQuotationOn(Services services, QWidget* parent = nullptr);

    OleDate m_dtDate{0.0}; // the date (its date part is meant)
    OleDate m_dtTime{0.0}; // the time of day (its time part is meant)

protected:
    void DoDataExchange(DataExchange& dx) override;
};
