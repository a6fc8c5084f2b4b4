#include "dialogs/DlgTransactionMathExpr.h"

#include "controls/HyperLink.h"
#include "dialogs/DialogParts.h"
#include "dialogs/TransactionDlgLogic.h"
#include "dialogs/TransactionIds.h"
#include "framework/StringTable.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CDlgTransactionMathExpr::CDlgTransactionMathExpr(Services services, QWidget* parent)
    : Dialog(IDD_TRANSACTION_MATH_EXPR, services, parent), m_strTitle(LoadString(IDS_MATH_EXPR_TITLE)),
      m_ToolTip(LinkServices::of(services)) {
    setWindowTitle(toQString(m_strTitle));
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(QStringLiteral("Math Expression:")));
    auto* formulaRow = new QHBoxLayout;
    m_edExpression = withId(new QLineEdit, IDC_MATH_EXPRESSION);
    m_edExpression->setMinimumWidth(220);
    formulaRow->addWidget(m_edExpression, 3);
    formulaRow->addWidget(withId(new QLabel(QStringLiteral("=")), IDC_MATH_EQUALS));
    m_edResult = withId(new QLineEdit, IDC_MATH_RESULT);
    m_edResult->setReadOnly(true);
    m_edResult->setAlignment(Qt::AlignRight);
    formulaRow->addWidget(m_edResult, 2);
    layout->addLayout(formulaRow);

    auto* variables = withId(new QGroupBox(QStringLiteral("Variables")), IDC_MATH_VARIABLES);
    auto* grid = new QGridLayout(variables);
    const auto addVariable = [&](int row, const char* label, unsigned labelId, unsigned id) {
        grid->addWidget(withId(new QLabel(QString::fromUtf8(label)), labelId), row, 0);
        auto* value = withId(new QLineEdit, id);
        value->setReadOnly(true);
        value->setAlignment(Qt::AlignRight);
        grid->addWidget(value, row, 1);
    };
    addVariable(0, "# Units:  u = ", IDC_MATH_U_LABEL, IDC_MATH_U);
    addVariable(1, "Quotation/Dividends:  q = ", IDC_MATH_Q_LABEL, IDC_MATH_Q);
    addVariable(2, "Tax/Comission:  t = ", IDC_MATH_T_LABEL, IDC_MATH_T);
    layout->addWidget(variables);

    layout->addLayout(okCancelRow(*this));
    control<QPushButton>(IDOK)->setText(QStringLiteral("Apply"));

    connect(m_edExpression, &QLineEdit::textChanged, this, [this] { OnChangeExpression(); });
}

CDlgTransactionMathExpr::~CDlgTransactionMathExpr() = default;

void CDlgTransactionMathExpr::DoDataExchange(DataExchange& dx) {
    // The formula first and the result last: loading a remembered formula shows no result until
    // the formula is edited.
    DDX_Text(dx, IDC_MATH_EXPRESSION, m_strExpression);
    DDX_Text(dx, IDC_MATH_U, m_strU);
    DDX_Text(dx, IDC_MATH_Q, m_strQ);
    DDX_Text(dx, IDC_MATH_T, m_strT);
    DDX_Text(dx, IDC_MATH_RESULT, m_strResult);
}

bool CDlgTransactionMathExpr::OnInitDialog() {
    Dialog::OnInitDialog();
    setWindowTitle(toQString(m_strTitle));
    m_ToolTip.Create(this, true);
    m_ToolTip.AddTool(m_edExpression, toQString(LoadString(IDS_MATH_EXPR_TIP)));
    return true;
}

void CDlgTransactionMathExpr::OnChangeExpression() {
    const std::string expression = m_edExpression->text().toStdString();
    m_edResult->setText(toQString(mathExprResultText(expression, m_strU, m_strQ, m_strT)));
}
