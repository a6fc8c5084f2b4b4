#pragma once
// "Transactions": the page of the investment-history item in its property sheet. It lists the
// transactions of every item of the portfolio in date order with the item each belongs to and its
// volume, and offers Edit, Delete and Delete All (transactions are created on the items' own
// pages). A cash-account transaction is edited in the cash-account dialog, any other in the
// investment dialog; after each operation the whole sorted list is fetched again.
//
// The launcher sets m_pDoc, m_nSelectTransaction (-1), the list (SetTransactionList with the
// document's GetAllTransactionsSorted) and m_bAutoCreateCashAccountTransactions from the program
// options. It reads nothing back.

#include "dialogs/TransactionPageBase.h"
#include "portfolio/Transaction.h"

#include <memory>
#include <vector>

class CWPGlobalTransactionsPropPage : public TransactionPageBase {
public:
    explicit CWPGlobalTransactionsPropPage(Services services);
    ~CWPGlobalTransactionsPropPage() override;

    // The document's sorted copies, each with its item and its index there.
    void SetTransactionList(std::vector<CTransaction> transactions);
    void FillTransactionList();

    std::unique_ptr<std::vector<CTransaction>> m_pTransactionList;
    bool m_bAutoCreateCashAccountTransactions = false;

protected:
    void BuildControls() override;
    bool OnInitDialog() override;

    void OnEditTransaction() override;
    void OnDeleteTransaction() override;
    void OnDeleteAllTransactions() override;
    void refresh() override;
};
