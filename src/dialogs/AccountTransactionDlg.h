#pragma once
// "Cash Account Transaction": one transaction of the cash account -- a credit or a debit -- with
// its date and time, amount, taxes, an optional recurrence with an optional end, and a note. The
// total shows the effect on the balance while the user types. Opened by the Statement and the
// Transactions pages, which set m_dBalance (the account's balance, 0 when they have none):
// choosing "Debit" proposes it as the amount. Interests open as "Credit" and are stored so.

#include "dialogs/TransactionDlgBase.h"

class CAccountTransactionDlg : public TransactionDlgBase {
public:
    explicit CAccountTransactionDlg(Services services, QWidget* parent = nullptr);
    ~CAccountTransactionDlg() override;

    std::string m_strAmount = "0";
    double m_dAmount = 0.0;
    QLineEdit* m_edAmount = nullptr;
    double m_dBalance = 0.0;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnSelchangeType() override;

    double& unitsMember() override { return m_dAmount; }
    std::vector<unsigned> numberFields() const override;
    FormulaVariables fieldVariables() const override;
};
