#pragma once
// "Statement": the page of the cash-account item in its property sheet. It lists the account's
// credits, debits and interests (among them the entries mirrored from investment transactions)
// with the running balance, ends with the total, and offers New, Edit, Delete and Delete All, each
// of which reaches the document at once.
//
// The launcher sets m_pDoc, m_posItem, m_strName, m_nSelectTransaction, the transaction list
// (SetTransactionList with the document's GetTransactionListCopy) and, when the account has
// quotations, m_LastQuotation (whose close is the balance "Debit" proposes). It reads nothing back.

#include "dialogs/TransactionPageBase.h"
#include "portfolio/ItemPos.h"
#include "portfolio/Kurs.h"
#include "portfolio/Transaction.h"

#include <memory>
#include <string>
#include <vector>

class CWPAccountPropPage : public TransactionPageBase {
public:
    explicit CWPAccountPropPage(Services services);
    ~CWPAccountPropPage() override;

    void SetTransactionList(std::vector<CTransaction> transactions);
    // Rebuilds the list from the page's copies.
    void FillTransactionList();

    std::string m_strName;
    CKurs m_LastQuotation; // close 0 and the page's construction time until the launcher sets it
    std::unique_ptr<std::vector<CTransaction>> m_pTransactionList;
    ItemPos m_posItem = kNoItemPos;

protected:
    void BuildControls() override;
    bool OnInitDialog() override;

    void OnNewTransaction() override;
    void OnEditTransaction() override;
    void OnDeleteTransaction() override;
    void OnDeleteAllTransactions() override;
    void refresh() override;
};
