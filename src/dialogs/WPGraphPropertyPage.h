#pragma once
// "Chart" (113): how the chart draws the item -- colour, grid, an optional time frame, the values
// on the axes and on the curve, the break-even line and the transaction marks. Opening the page
// switches the item's chart on (m_bChartEnabled 1). For the cash account only colour, grid and
// time frame can be changed; for the investment history the break-even and mark boxes are off.

#include "framework/PropertyPage.h"
#include "platform/OleDate.h"

#include <cstdint>

class CButtonColor;
class QCheckBox;
class QDateEdit;

class CWPGraphPropertyPage : public PropertyPage {
public:
    explicit CWPGraphPropertyPage(Services services);

    std::uint32_t m_crColor = 0; // COLORREF
    int m_bEnd = 0;
    int m_bBegin = 0;
    int m_nGraphValues = -1; // 0 none, 1 percent, 2 nominal, 3 square mark
    int m_bChartEnabled = 0;
    int m_nAxisValues = -1; // 0 percent, 1 nominal
    int m_bGrid = 0;
    OleDate m_dtBegin{0.0};
    OleDate m_dtEnd{0.0};
    int m_bCashAccount = 0;
    int m_bInvestmentHistory = 0;
    int m_bTransactionMarks = 0;
    int m_bBreakEvenLine = 0;

    CButtonColor* m_btnColor = nullptr;

    OleDate GetBeginDate() const { return m_dtBegin; }
    OleDate GetEndDate() const { return m_dtEnd; }

    void OnBegin();
    void OnEnd();
    void OnColor();

protected:
    void DoDataExchange(DataExchange& dx) override;
    void BuildControls() override;
    bool OnInitDialog() override;
};
