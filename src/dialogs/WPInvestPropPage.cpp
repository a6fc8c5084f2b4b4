#include "dialogs/WPInvestPropPage.h"

#include "controls/StripedList.h"
#include "dialogs/DialogParts.h"
#include "dialogs/TransactionDlg.h"
#include "dialogs/TransactionIds.h"
#include "dialogs/TransactionListCommon.h"
#include "dialogs/WPInvestPropPageLogic.h"
#include "framework/StringTable.h"
#include "portfolio/WPapierDoc.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The rows of one fill, formatted cell by cell when the list wants them.
class InvestRowTexts final : public TransactionRowTexts {
public:
    explicit InvestRowTexts(std::vector<InvestRow> rows) : m_rows(std::move(rows)) {}
    QString text(int row, int column) const override {
        return toQString(investCellText(m_rows[static_cast<std::size_t>(row)], column));
    }
    const std::vector<InvestRow>& rows() const { return m_rows; }

private:
    std::vector<InvestRow> m_rows;
};

} // namespace

const TransactionPageBase::Column CWPInvestPropPage::kColumns[9] = {
    {IDS_INVEST_COL_TRANSACTION, false}, {IDS_INVEST_COL_DATE, false},        {IDS_INVEST_COL_NOTE, false},
    {IDS_INVEST_COL_UNITS, true},        {IDS_INVEST_COL_QUOTATION, true},    {IDS_INVEST_COL_TAXES, true},
    {IDS_INVEST_COL_VOLUME, true},       {IDS_INVEST_COL_TRANS_RESULT, true}, {IDS_INVEST_COL_INVEST_RESULT, true},
};

std::vector<std::vector<std::string>> CWPInvestPropPage::columnSamples() {
    std::vector<std::string> kinds = transactionKindNames(false);
    for (const unsigned label : {IDS_ROW_BREAK_EVEN, IDS_ROW_HYPOTHETICAL_SELL, IDS_ROW_OPEN_TOTAL})
        kinds.push_back(LoadString(label));
    const std::string amount = widestAmountText("%4.2lf");
    const std::string percent = widestAmountText("%+4.2lf%%");
    return {
        kinds,    {widestDateText(false)},       {},        {amount},  {amount},
        {amount}, {widestAmountText("%+4.2lf")}, {percent}, {percent},
    };
}

int CWPInvestPropPage::ExtraListWidth(const QWidget& host, const SettingsStore& settings) {
    // A list like the page's, never shown, measured as the page will size its own.
    CColoredListCtrl probe;
    probe.setFont(host.font());
    probe.setIconSize(QSize(16, 16));
    const std::vector<int> stored = readColumnWidths(settings, kInvestColumnsSection, kInvestColumnWidths);
    const std::vector<std::vector<std::string>> samples = columnSamples();
    applyColumns(probe, kColumns, stored, samples);
    return std::max(0, widthForColumns(probe) - widthForDefaults(probe, kInvestColumnWidths));
}

CWPInvestPropPage::CWPInvestPropPage(Services services)
    : TransactionPageBase(IDD_PROPPAGE_INVEST, std::move(services), IDS_PAGE_INVESTMENT) {
    m_LastQuotation = CKurs(now(), 0.0);
}

void CWPInvestPropPage::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* transactions = new QGroupBox(QStringLiteral("Transactions"));
    auto* inner = new QVBoxLayout(transactions);
    inner->addWidget(makeListArea(true, kInvestColumnWidths));
    layout->addWidget(transactions, 1);
    // The columns are sized before the sheet measures the page, so that it makes room for all of
    // them and the scroll bar the rows need.
    setupColumns(kColumns, kInvestColumnsSection, kInvestColumnWidths, columnSamples());
    fitListToColumns();

    auto* limits = new QGroupBox(QStringLiteral("Limit Warning (\"!\" icon on items' entry in main list view)"));
    auto* grid = new QGridLayout(limits);
    const auto alarm = [&](int row, const char* text, unsigned checkId, unsigned editId, QCheckBox*& check,
                           QLineEdit*& edit) {
        check = withId(new QCheckBox(QString::fromUtf8(text)), checkId);
        edit = withId(new QLineEdit, editId);
        edit->setAlignment(Qt::AlignRight);
        grid->addWidget(check, row, 0);
        grid->addWidget(edit, row, 1);
    };
    alarm(0, "whenever quotation below:", IDC_ALARM_BELOW, IDC_ALARM_BELOW_VALUE, m_btnAlarmBelow, m_edAlarmBelow);
    alarm(1, "whenever quotation above:", IDC_ALARM_ABOVE, IDC_ALARM_ABOVE_VALUE, m_btnAlarmAbove, m_edAlarmAbove);
    alarm(2, "whenever quotation differs more than", IDC_ALARM_BREAK_EVEN, IDC_ALARM_BREAK_EVEN_PERCENT,
          m_btnAlarmBreakEven, m_edAlarmBreakEvenPercent);
    grid->addWidget(new QLabel(QStringLiteral("% comparing to investment's break-even.")), 2, 2);
    grid->setColumnStretch(3, 1);
    layout->addWidget(limits);

    connect(m_btnAlarmBelow, &QCheckBox::clicked, this, [this] { OnAlarmBelow(); });
    connect(m_btnAlarmAbove, &QCheckBox::clicked, this, [this] { OnAlarmAbove(); });
    connect(m_btnAlarmBreakEven, &QCheckBox::clicked, this, [this] { OnAlarmBreakEven(); });
}

CWPInvestPropPage::~CWPInvestPropPage() = default;

void CWPInvestPropPage::SetTransactionList(std::vector<CTransaction> transactions) {
    m_pTransactionList = std::make_unique<std::vector<CTransaction>>(std::move(transactions));
}

void CWPInvestPropPage::DoDataExchange(DataExchange& dx) {
    DDX_Check(dx, IDC_ALARM_ABOVE, m_bAlarmAbove);
    DDX_Check(dx, IDC_ALARM_BELOW, m_bAlarmBelow);
    DDX_Text(dx, IDC_ALARM_ABOVE_VALUE, m_dAlarmAbove);
    DDX_Text(dx, IDC_ALARM_BELOW_VALUE, m_dAlarmBelow);
    DDX_Check(dx, IDC_ALARM_BREAK_EVEN, m_bAlarmBreakEven);
    DDX_Text(dx, IDC_ALARM_BREAK_EVEN_PERCENT, m_dAlarmBreakEvenPercent);
}

bool CWPInvestPropPage::OnInitDialog() {
    PropertyPage::OnInitDialog();
    m_nSelectTransaction = -1;
    fillRows();
    OnAlarmBelow();
    OnAlarmAbove();
    OnAlarmBreakEven();
    setTips(IDS_TIP_NEW_INVESTMENT, IDS_TIP_DELETE_ALL_INVESTMENT);
    return true;
}

void CWPInvestPropPage::FillTransactionList() {
    fillRows();
    UpdateData(false);
    OnAlarmBelow();
    OnAlarmAbove();
    OnAlarmBreakEven();
}

void CWPInvestPropPage::fillRows() {
    static const std::vector<CTransaction> kNone;
    const std::vector<CTransaction>& transactions = m_pTransactionList ? *m_pTransactionList : kNone;
    InvestRows rows = computeInvestRows(transactions, m_LastQuotation, now());
    m_dUnits = rows.units;
    m_dBreakEven = rows.breakEven;
    m_dAveragePrice = rows.averagePrice;
    // The figures are all computed now; a cell's text is formatted when the list first shows it.
    const auto texts = std::make_shared<const InvestRowTexts>(std::move(rows.rows));
    beginFill();
    for (std::size_t r = 0; r < texts->rows().size(); ++r) {
        const InvestRow& row = texts->rows()[r];
        addRow(texts, static_cast<int>(r), row.image,
               row.transaction >= 0 ? std::optional<int>(row.transaction) : std::nullopt);
    }
    endFill();
}

void CWPInvestPropPage::refresh() {
    if (!m_pDoc)
        return;
    SetTransactionList(m_pDoc->GetTransactionListCopy(m_posItem).value_or(std::vector<CTransaction>{}));
    fillRows();
}

void CWPInvestPropPage::OnNewTransaction() {
    if (!m_pDoc)
        return;
    CTransactionDlg dialog(services(), this);
    dialog.SetValues(newTransactionValues(now(), m_LastQuotation.m_dClose));
    dialog.m_strName = m_strName;
    dialog.m_dDefaultQuotation = m_LastQuotation.m_dClose;
    dialog.m_dDefaultUnits = m_dUnits;
    if (dialog.DoModal() != IDOK)
        return;
    const CTransaction transaction = transactionFromDlgValues(dialog.Values(), false);
    const InvestNewResult result =
        addInvestmentTransaction(*m_pDoc, m_posItem, m_strName, transaction, m_bAutoCreateCashAccountTransactions);
    m_nSelectTransaction = result.index;
    refresh();
    warn(result.warning);
}

void CWPInvestPropPage::OnEditTransaction() {
    const int row = selectedRow();
    const auto index = rowTransaction(row);
    if (!m_pDoc || !index || !m_pTransactionList || *index >= static_cast<int>(m_pTransactionList->size()))
        return;
    const CTransaction previous = (*m_pTransactionList)[static_cast<std::size_t>(*index)];
    CTransactionDlg dialog(services(), this);
    dialog.SetValues(transactionDlgValues(previous));
    dialog.m_strName = m_strName;
    dialog.m_dDefaultQuotation = m_LastQuotation.m_dClose;
    dialog.m_dDefaultUnits = m_dUnits;
    if (dialog.DoModal() != IDOK)
        return;
    const CTransaction changed = transactionFromDlgValues(dialog.Values(), false);
    const auto warning = replaceInvestmentTransaction(*m_pDoc, m_posItem, *index, m_strName, previous, changed,
                                                      m_bAutoCreateCashAccountTransactions);
    m_nSelectTransaction = row;
    refresh();
    warn(warning);
}

void CWPInvestPropPage::OnDeleteTransaction() {
    deleteSelectedOf(m_posItem);
}

void CWPInvestPropPage::OnDeleteAllTransactions() {
    deleteAllOf(m_posItem);
}

void CWPInvestPropPage::OnAlarmBelow() {
    m_edAlarmBelow->setEnabled(m_btnAlarmBelow->isChecked());
}

void CWPInvestPropPage::OnAlarmAbove() {
    m_edAlarmAbove->setEnabled(m_btnAlarmAbove->isChecked());
}

void CWPInvestPropPage::OnAlarmBreakEven() {
    m_edAlarmBreakEvenPercent->setEnabled(m_btnAlarmBreakEven->isChecked());
}
