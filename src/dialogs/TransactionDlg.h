#pragma once
// "Transaction": one transaction of an investment item -- a buy, a sell or a dividend -- with its
// date and time, units, quotation or dividend per unit, taxes and commission, an optional
// recurrence with an optional end, and a note. The total shows the cash effect while the user
// types. Opened by the Investment and the Transactions pages, which set m_dDefaultQuotation and
// m_dDefaultUnits (the item's newest quotation and held units, 0 when they have none): a change of
// the type fills them in.

#include "dialogs/TransactionDlgBase.h"

class QLabel;

class CTransactionDlg : public TransactionDlgBase {
public:
    explicit CTransactionDlg(Services services, QWidget* parent = nullptr);
    ~CTransactionDlg() override;

    std::string m_strUnits = "0";
    std::string m_strQuotation = "0";
    double m_dUnits = 0.0;
    double m_dQuotation = 0.0;
    std::string m_strName;
    QLabel* m_stQuotationLabel = nullptr;
    QLineEdit* m_edUnits = nullptr;
    QLineEdit* m_edQuotation = nullptr;
    double m_dDefaultQuotation = 0.0;
    double m_dDefaultUnits = 0.0;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnSelchangeType() override;

    double& unitsMember() override { return m_dUnits; }
    double* quotationMember() override { return &m_dQuotation; }
    std::vector<unsigned> numberFields() const override;
    FormulaVariables fieldVariables() const override;
};
