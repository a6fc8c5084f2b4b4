#pragma once
// "Delete Quotations": the interval whose quotations are deleted. The caller sets m_strItemName
// and proposes m_dtFrom and m_dtTo, runs DoModal and reads both after IDOK.

#include "framework/Dialog.h"
#include "platform/OleDate.h"

#include <string>

class CDlgDeleteQuotationsInterval : public Dialog {
public:
    explicit CDlgDeleteQuotationsInterval(Services services, QWidget* parent = nullptr);

    OleDate m_dtFrom;
    OleDate m_dtTo;
    std::string m_strItemName;

protected:
    void DoDataExchange(DataExchange& dx) override;
};
