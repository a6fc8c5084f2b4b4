#include "dialogs/WPAccountPropPage.h"

#include "dialogs/AccountTransactionDlg.h"
#include "dialogs/TransactionIds.h"
#include "dialogs/TransactionListCommon.h"
#include "dialogs/WPAccountPropPageLogic.h"
#include "framework/StringTable.h"
#include "portfolio/WPapierDoc.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

CWPAccountPropPage::CWPAccountPropPage(Services services)
    : TransactionPageBase(IDD_PROPPAGE_ACCOUNT, std::move(services), IDS_PAGE_STATEMENT) {
    m_LastQuotation = CKurs(now(), 0.0);
}

void CWPAccountPropPage::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* transactions = new QGroupBox(QStringLiteral("Transactions"));
    auto* inner = new QVBoxLayout(transactions);
    inner->addWidget(makeListArea(true, kAccountColumnWidths));
    layout->addWidget(transactions, 1);

    // The columns get their widths here, before the sheet measures the page: the stored widths,
    // wider where a header or the widest text needs it. The list makes room for all of them and
    // for the vertical scroll bar, so the sheet opens with the Balance column whole.
    static constexpr Column kColumns[] = {
        {IDS_ACCOUNT_COL_TRANSACTION, false}, {IDS_ACCOUNT_COL_DATE, false},   {IDS_ACCOUNT_COL_NOTE, false},
        {IDS_ACCOUNT_COL_VOLUME, true},       {IDS_ACCOUNT_COL_BALANCE, true},
    };
    std::vector<std::string> kinds = transactionKindNames(true);
    kinds.push_back(LoadString(IDS_ROW_TOTAL));
    const std::string amount = widestAmountText("%4.2lf");
    const std::vector<std::string> samples[] = {kinds, {widestDateText(true)}, {}, {amount}, {amount}};
    setupColumns(kColumns, kAccountColumnsSection, kAccountColumnWidths, samples);
    fitListToColumns();
}

CWPAccountPropPage::~CWPAccountPropPage() = default;

void CWPAccountPropPage::SetTransactionList(std::vector<CTransaction> transactions) {
    m_pTransactionList = std::make_unique<std::vector<CTransaction>>(std::move(transactions));
}

bool CWPAccountPropPage::OnInitDialog() {
    PropertyPage::OnInitDialog();
    FillTransactionList();
    setTips(IDS_TIP_NEW_ACCOUNT, IDS_TIP_DELETE_ALL_ACCOUNT);
    return true;
}

void CWPAccountPropPage::FillTransactionList() {
    static const std::vector<CTransaction> kNone;
    const std::vector<CTransaction>& transactions = m_pTransactionList ? *m_pTransactionList : kNone;
    beginFill();
    for (const AccountRow& row : computeAccountRows(transactions, now())) {
        const auto texts = accountRowTexts(row);
        addRow(texts, row.image, row.total ? std::nullopt : std::optional<int>(row.transaction));
    }
    endFill();
}

void CWPAccountPropPage::refresh() {
    if (!m_pDoc)
        return;
    SetTransactionList(m_pDoc->GetTransactionListCopy(m_posItem).value_or(std::vector<CTransaction>{}));
    FillTransactionList();
}

void CWPAccountPropPage::OnNewTransaction() {
    if (!m_pDoc)
        return;
    CAccountTransactionDlg dialog(services(), this);
    dialog.SetValues(newTransactionValues(now(), 0.0));
    dialog.m_dBalance = m_LastQuotation.m_dClose;
    if (dialog.DoModal() != IDOK)
        return;
    m_nSelectTransaction = m_pDoc->AddTransaction(m_posItem, transactionFromDlgValues(dialog.Values(), true));
    refresh();
}

void CWPAccountPropPage::OnEditTransaction() {
    const int row = selectedRow();
    const auto index = rowTransaction(row);
    if (!m_pDoc || !index || !m_pTransactionList || *index >= static_cast<int>(m_pTransactionList->size()))
        return;
    CAccountTransactionDlg dialog(services(), this);
    dialog.SetValues(transactionDlgValues((*m_pTransactionList)[static_cast<std::size_t>(*index)]));
    dialog.m_dBalance = m_LastQuotation.m_dClose;
    if (dialog.DoModal() != IDOK)
        return;
    m_pDoc->ReplaceTransaction(m_posItem, *index, transactionFromDlgValues(dialog.Values(), true));
    m_nSelectTransaction = row;
    refresh();
}

void CWPAccountPropPage::OnDeleteTransaction() {
    deleteSelectedOf(m_posItem);
}

void CWPAccountPropPage::OnDeleteAllTransactions() {
    deleteAllOf(m_posItem);
}
