#include "dialogs/AccountTransactionDlg.h"

#include "dialogs/DialogParts.h"
#include "dialogs/TransactionIds.h"
#include "framework/NumberInput.h"
#include "framework/StringTable.h"
#include "portfolio/Transaction.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CAccountTransactionDlg::CAccountTransactionDlg(Services services, QWidget* parent)
    : TransactionDlgBase(IDD_ACCOUNT_TRANSACTION, std::move(services), parent) {
    setWindowTitle(toQString(LoadString(IDS_ACCOUNT_TRANSACTION_CAPTION)));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    addTypeRow(grid, 0);
    addNoteRow(grid, 1);
    addDateRow(grid, 2);
    addRecurrenceRow(grid, 3);
    m_edAmount = addNumberRow(grid, 4, new QLabel(QStringLiteral("Amount:")), IDC_TRANSACTION_UNITS,
                              IDC_MATH_EXPR_UNITS, IDS_MATH_EXPR_AMOUNT_TITLE);
    addNumberRow(grid, 5, new QLabel(QStringLiteral("Taxes:")), IDC_TRANSACTION_TAXES, IDC_MATH_EXPR_TAXES,
                 IDS_MATH_EXPR_TAXES_TITLE);
    addTotalRow(grid, 6);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);
    layout->addLayout(okCancelRow(*this));
}

CAccountTransactionDlg::~CAccountTransactionDlg() = default;

std::vector<unsigned> CAccountTransactionDlg::numberFields() const {
    return {IDC_TRANSACTION_UNITS, IDC_TRANSACTION_TAXES};
}

FormulaVariables CAccountTransactionDlg::fieldVariables() const {
    const auto text = [this](unsigned id) { return control<QLineEdit>(id)->text().toStdString(); };
    return formulaVariablesFromFields(text(IDC_TRANSACTION_UNITS), text(IDC_TRANSACTION_TAXES));
}

void CAccountTransactionDlg::DoDataExchange(DataExchange& dx) {
    const LoadingGuard guard(*this, !dx.m_bSaveAndValidate);
    if (!dx.m_bSaveAndValidate) {
        m_strAmount = transactionFieldText(m_dAmount);
        m_strTaxes = transactionFieldText(m_dTaxes);
    }
    exchangeDates(dx);
    DDX_Text(dx, IDC_TRANSACTION_UNITS, m_strAmount);
    DDX_Text(dx, IDC_TRANSACTION_TAXES, m_strTaxes);
    // The list holds "Credit" and "Debit": interests show (and are stored) as a credit.
    int typeIndex = accountTypeIndex(m_nType);
    DDX_CBIndex(dx, IDC_TRANSACTION_TYPE, typeIndex);
    if (dx.m_bSaveAndValidate)
        m_nType = typeIndex == 1 ? CTransaction::kSell : CTransaction::kBuy;
    exchangeRecurrenceAndNote(dx);
    if (dx.m_bSaveAndValidate) {
        m_dAmount = LeadingNumberGrouped(m_strAmount);
        m_dTaxes = LeadingNumberGrouped(m_strTaxes);
    }
    showTotal(accountTransactionTotal(m_nType, m_dAmount, m_dTaxes));
}

bool CAccountTransactionDlg::OnInitDialog() {
    TransactionDlgBase::OnInitDialog();
    for (int type = 0; type < kAccountTypeCount; ++type)
        m_cbType->addItem(toQString(CTransaction::typeName(type, true)));
    m_cbType->setCurrentIndex(accountTypeIndex(m_nType));
    return true;
}

void CAccountTransactionDlg::OnSelchangeType() {
    UpdateData(true);
    m_edAmount->setText(toQString(accountTypeDefaultAmount(m_cbType->currentIndex(), m_dBalance)));
}
