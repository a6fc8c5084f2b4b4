#include "dialogs/WPGlobalTransactionsPropPage.h"

#include "dialogs/AccountTransactionDlg.h"
#include "dialogs/TransactionDlg.h"
#include "dialogs/TransactionIds.h"
#include "dialogs/TransactionListCommon.h"
#include "dialogs/WPGlobalTransactionsPropPageLogic.h"
#include "dialogs/WPInvestPropPageLogic.h"
#include "framework/StringTable.h"
#include "portfolio/WPapierDoc.h"

#include <QPushButton>
#include <QVBoxLayout>

CWPGlobalTransactionsPropPage::CWPGlobalTransactionsPropPage(Services services)
    : TransactionPageBase(IDD_PROPPAGE_TRANSACTIONS, std::move(services), IDS_PAGE_TRANSACTIONS) {}

void CWPGlobalTransactionsPropPage::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeListArea(false, kGlobalColumnWidths));
}

CWPGlobalTransactionsPropPage::~CWPGlobalTransactionsPropPage() = default;

void CWPGlobalTransactionsPropPage::SetTransactionList(std::vector<CTransaction> transactions) {
    // Moved whole: the copies keep their origins (a copied transaction would not).
    m_pTransactionList = std::make_unique<std::vector<CTransaction>>(std::move(transactions));
}

bool CWPGlobalTransactionsPropPage::OnInitDialog() {
    PropertyPage::OnInitDialog();
    static constexpr Column kColumns[] = {
        {IDS_GLOBAL_COL_TRANSACTION, false}, {IDS_GLOBAL_COL_DATE, false},  {IDS_GLOBAL_COL_ITEM, false},
        {IDS_GLOBAL_COL_NOTE, false},        {IDS_GLOBAL_COL_VOLUME, true},
    };
    std::vector<std::string> kinds = transactionKindNames(false);
    for (const std::string& name : transactionKindNames(true))
        kinds.push_back(name);
    const std::vector<std::string> samples[] = {kinds, {widestDateText(true)}, {}, {}, {widestAmountText("%4.2lf")}};
    setupColumns(kColumns, kGlobalColumnsSection, kGlobalColumnWidths, samples);
    FillTransactionList();
    setTips(0, IDS_TIP_DELETE_ALL_ACCOUNT);
    return true;
}

void CWPGlobalTransactionsPropPage::FillTransactionList() {
    beginFill();
    if (m_pDoc && m_pTransactionList)
        for (const GlobalTransactionRow& row : computeGlobalTransactionRows(*m_pDoc, *m_pTransactionList, now())) {
            const auto texts = globalTransactionRowTexts(row);
            addRow(texts, row.image, row.transaction);
        }
    endFill();
}

void CWPGlobalTransactionsPropPage::refresh() {
    if (!m_pDoc)
        return;
    SetTransactionList(m_pDoc->GetAllTransactionsSorted());
    FillTransactionList();
}

void CWPGlobalTransactionsPropPage::OnEditTransaction() {
    const int row = selectedRow();
    const auto index = rowTransaction(row);
    if (!m_pDoc || !index || !m_pTransactionList || *index >= static_cast<int>(m_pTransactionList->size()))
        return;
    const CTransaction& listed = (*m_pTransactionList)[static_cast<std::size_t>(*index)];
    const ItemPos item = listed.m_posOriginItem;
    const int origin = listed.m_nOriginIndex;
    const TransactionEditor editor = editorForTransaction(*m_pDoc, listed);
    if (editor == TransactionEditor::None)
        return;
    std::optional<std::string> warning;
    if (editor == TransactionEditor::CashAccount) {
        CAccountTransactionDlg dialog(services(), this);
        dialog.SetValues(transactionDlgValues(listed));
        dialog.m_dBalance = 0.0;
        if (dialog.DoModal() == IDOK)
            m_pDoc->ReplaceTransaction(item, origin, transactionFromDlgValues(dialog.Values(), true));
    } else {
        const CTransaction previous = listed;
        const CWPapier* owner = m_pDoc->GetItemAt(item);
        const std::string name = owner ? owner->m_strName : std::string();
        CTransactionDlg dialog(services(), this);
        dialog.SetValues(transactionDlgValues(previous));
        dialog.m_strName = name;
        dialog.m_dDefaultQuotation = 0.0;
        dialog.m_dDefaultUnits = 0.0;
        if (dialog.DoModal() == IDOK)
            warning = replaceInvestmentTransaction(*m_pDoc, item, origin, name, previous,
                                                   transactionFromDlgValues(dialog.Values(), false),
                                                   m_bAutoCreateCashAccountTransactions);
    }
    // Also after Cancel: the rows show the document's current state.
    m_nSelectTransaction = row;
    refresh();
    warn(warning);
}

void CWPGlobalTransactionsPropPage::OnDeleteTransaction() {
    const int row = selectedRow();
    const auto index = rowTransaction(row);
    if (!m_pDoc || !index || !m_pTransactionList || *index >= static_cast<int>(m_pTransactionList->size()))
        return;
    const CTransaction& listed = (*m_pTransactionList)[static_cast<std::size_t>(*index)];
    m_pDoc->DeleteTransaction(listed.m_posOriginItem, listed.m_nOriginIndex);
    m_nSelectTransaction = row;
    refresh();
}

void CWPGlobalTransactionsPropPage::OnDeleteAllTransactions() {
    if (!m_pDoc)
        return;
    m_pDoc->DeleteAllTransactions();
    m_nSelectTransaction = -1;
    refresh();
}
