#include "dialogs/TransactionDlg.h"

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

CTransactionDlg::CTransactionDlg(Services services, QWidget* parent)
    : TransactionDlgBase(IDD_TRANSACTION, std::move(services), parent) {
    setWindowTitle(toQString(LoadString(IDS_TRANSACTION_CAPTION)));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Item:")), 0, 0);
    auto* name = withId(new QLabel, IDC_TRANSACTION_ITEM_NAME);
    name->setTextFormat(Qt::PlainText);
    grid->addWidget(name, 0, 1, 1, 3);
    addTypeRow(grid, 1);
    addNoteRow(grid, 2);
    addDateRow(grid, 3);
    addRecurrenceRow(grid, 4);
    m_edUnits = addNumberRow(grid, 5, new QLabel(QStringLiteral("Units:")), IDC_TRANSACTION_UNITS, IDC_MATH_EXPR_UNITS,
                             IDS_MATH_EXPR_UNITS_TITLE);
    m_stQuotationLabel = withId(new QLabel(QStringLiteral("Quotation:")), IDC_TRANSACTION_QUOTATION_LABEL);
    m_edQuotation = addNumberRow(grid, 6, m_stQuotationLabel, IDC_TRANSACTION_QUOTATION, IDC_MATH_EXPR_QUOTATION,
                                 IDS_MATH_EXPR_QUOTATION_TITLE);
    addNumberRow(grid, 7, new QLabel(QStringLiteral("Comission / Taxes:")), IDC_TRANSACTION_TAXES, IDC_MATH_EXPR_TAXES,
                 IDS_MATH_EXPR_TAXES_TITLE);
    addTotalRow(grid, 8);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);
    layout->addLayout(okCancelRow(*this));
}

CTransactionDlg::~CTransactionDlg() = default;

std::vector<unsigned> CTransactionDlg::numberFields() const {
    return {IDC_TRANSACTION_UNITS, IDC_TRANSACTION_QUOTATION, IDC_TRANSACTION_TAXES};
}

FormulaVariables CTransactionDlg::fieldVariables() const {
    const auto text = [this](unsigned id) { return control<QLineEdit>(id)->text().toStdString(); };
    return formulaVariablesFromFields(text(IDC_TRANSACTION_UNITS), text(IDC_TRANSACTION_QUOTATION),
                                      text(IDC_TRANSACTION_TAXES));
}

void CTransactionDlg::DoDataExchange(DataExchange& dx) {
    const LoadingGuard guard(*this, !dx.m_bSaveAndValidate);
    if (!dx.m_bSaveAndValidate) {
        m_strUnits = transactionFieldText(m_dUnits);
        m_strQuotation = transactionFieldText(m_dQuotation);
        m_strTaxes = transactionFieldText(m_dTaxes);
    }
    exchangeDates(dx);
    DDX_Text(dx, IDC_TRANSACTION_UNITS, m_strUnits);
    DDX_Text(dx, IDC_TRANSACTION_QUOTATION, m_strQuotation);
    DDX_Text(dx, IDC_TRANSACTION_TAXES, m_strTaxes);
    DDX_CBIndex(dx, IDC_TRANSACTION_TYPE, m_nType);
    DDX_Text(dx, IDC_TRANSACTION_ITEM_NAME, m_strName);
    exchangeRecurrenceAndNote(dx);
    if (dx.m_bSaveAndValidate) {
        m_dUnits = LeadingNumberGrouped(m_strUnits);
        m_dQuotation = LeadingNumberGrouped(m_strQuotation);
        m_dTaxes = LeadingNumberGrouped(m_strTaxes);
    }
    showTotal(investmentTransactionTotal(m_nType, m_dUnits, m_dQuotation, m_dTaxes));
}

bool CTransactionDlg::OnInitDialog() {
    TransactionDlgBase::OnInitDialog();
    setWindowTitle(toQString(transactionDlgTitle(m_strName)));
    for (int type = 0; type < kInvestmentTypeCount; ++type)
        m_cbType->addItem(toQString(CTransaction::typeName(type, false)));
    m_cbType->setCurrentIndex(investmentTypeIndex(m_nType));
    m_stQuotationLabel->setText(toQString(quotationLabelForType(m_nType)));
    return true;
}

void CTransactionDlg::OnSelchangeType() {
    UpdateData(true);
    const TypeDefaults defaults = investmentTypeDefaults(m_nType, m_dDefaultUnits, m_dDefaultQuotation);
    if (defaults.units)
        m_edUnits->setText(toQString(*defaults.units));
    if (defaults.quotation)
        m_edQuotation->setText(toQString(*defaults.quotation));
    m_stQuotationLabel->setText(toQString(defaults.quotationLabel));
}
