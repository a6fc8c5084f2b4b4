#pragma once
// "Delete multiple quotations": whether one quotation per calendar day (m_nMode 0) or per
// calendar month (1) is to remain. The caller reads m_nMode after IDOK.

#include "framework/Dialog.h"

class CDlgDeleteMultipleQuotations : public Dialog {
public:
    explicit CDlgDeleteMultipleQuotations(Services services, QWidget* parent = nullptr);

    int m_nMode = 0;

protected:
    void DoDataExchange(DataExchange& dx) override;
};
