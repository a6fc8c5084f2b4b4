#pragma once
// "Transaction Math Expression": computes one number field of a transaction dialog from a formula
// in u (units or amount), q (quotation or dividend) and t (taxes and commission). The opener sets
// the title, the formula last used and the three values as texts, runs DoModal and, after IDOK
// ("Apply"), reads m_strResult (empty when the formula has no value); it reads m_strExpression in
// every case. The result follows every change of the formula; the values cannot be changed here.

#include "controls/PPToolTip.h"
#include "framework/Dialog.h"

#include <string>

class QLineEdit;

class CDlgTransactionMathExpr : public Dialog {
public:
    explicit CDlgTransactionMathExpr(Services services, QWidget* parent = nullptr);
    ~CDlgTransactionMathExpr() override;

    std::string m_strTitle; // "Transaction Math Expression" until the opener sets its own
    std::string m_strExpression;
    std::string m_strU;
    std::string m_strQ;
    std::string m_strT;
    std::string m_strResult;
    QLineEdit* m_edExpression = nullptr;
    QLineEdit* m_edResult = nullptr;
    CPPToolTip m_ToolTip;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    // The formula changed: the result shows its value, or nothing.
    void OnChangeExpression();
};
