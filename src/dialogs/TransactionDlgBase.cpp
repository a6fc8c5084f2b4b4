#include "dialogs/TransactionDlgBase.h"

#include "dialogs/DialogParts.h"
#include "dialogs/DlgTransactionMathExpr.h"
#include "dialogs/TransactionIds.h"
#include "framework/NumberInput.h"
#include "framework/StringTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>


namespace {

QTime qtime(const OleDate& date) {
    return QTime(date.GetHour(), date.GetMinute(), date.GetSecond());
}

QDate qdate(const OleDate& date) {
    return QDate(date.GetYear(), date.GetMonth(), date.GetDay());
}

} // namespace

TransactionDlgBase::TransactionDlgBase(unsigned resourceId, Services services, QWidget* parent)
    : Dialog(resourceId, std::move(services), parent) {
    // Now, as the constructor of the dialogs takes it.
    m_dtDate = m_dtTime = now();
    m_dtUntil = OleDate(0.0);
}

TransactionDlgBase::~TransactionDlgBase() = default;

OleDate TransactionDlgBase::now() const {
    return services().localNow();
}

void TransactionDlgBase::SetValues(const TransactionDlgValues& values) {
    m_nType = values.type;
    m_strNote = values.note;
    m_dtDate = values.date;
    m_dtTime = values.time;
    unitsMember() = values.units;
    if (double* quotation = quotationMember())
        *quotation = values.quotation;
    m_dTaxes = values.taxes;
    m_bRecurrence = values.recurrence ? 1 : 0;
    m_nRecurrence = values.recurrenceMonths;
    m_bUntil = values.until ? 1 : 0;
    m_dtUntil = values.untilDate;
}

TransactionDlgValues TransactionDlgBase::Values() const {
    auto& self = const_cast<TransactionDlgBase&>(*this);
    TransactionDlgValues values;
    values.type = m_nType;
    values.note = m_strNote;
    values.date = m_dtDate;
    values.time = m_dtTime;
    values.units = self.unitsMember();
    if (const double* quotation = self.quotationMember())
        values.quotation = *quotation;
    values.taxes = m_dTaxes;
    values.recurrence = m_bRecurrence != 0;
    values.recurrenceMonths = m_nRecurrence;
    values.until = m_bUntil != 0;
    values.untilDate = m_dtUntil;
    return values;
}

double& TransactionDlgBase::numberMember(unsigned fieldId) {
    if (fieldId == IDC_TRANSACTION_UNITS)
        return unitsMember();
    if (fieldId == IDC_TRANSACTION_QUOTATION && quotationMember())
        return *quotationMember();
    return m_dTaxes;
}

// ---------------------------------------------------------------- rows

void TransactionDlgBase::addTypeRow(QGridLayout* grid, int row) {
    grid->addWidget(new QLabel(QStringLiteral("Transaction type:")), row, 0);
    m_cbType = withId(new QComboBox, IDC_TRANSACTION_TYPE);
    grid->addWidget(m_cbType, row, 1);
    // Only the user's choice fills in defaults: programmatic selections tell nobody.
    connect(m_cbType, &QComboBox::activated, this, [this] { OnSelchangeType(); });
}

void TransactionDlgBase::addNoteRow(QGridLayout* grid, int row) {
    grid->addWidget(new QLabel(QStringLiteral("Note:")), row, 0);
    grid->addWidget(withId(new QLineEdit, IDC_TRANSACTION_NOTE), row, 1, 1, 3);
}

void TransactionDlgBase::addDateRow(QGridLayout* grid, int row) {
    grid->addWidget(new QLabel(QStringLiteral("Date/Time:")), row, 0);
    QDateEdit* date = makeDatePicker(IDC_TRANSACTION_DATE);
    grid->addWidget(date, row, 1);
    m_dtcTime = makeTimePicker(IDC_TRANSACTION_TIME);
    grid->addWidget(m_dtcTime, row, 2);
    connect(date, &QDateEdit::dateChanged, this, [this] {
        if (!loading())
            OnDatetimechangeDate();
    });
}

void TransactionDlgBase::addRecurrenceRow(QGridLayout* grid, int row) {
    m_btnRecurrence = withId(new QCheckBox(QStringLiteral("Recurrence")), IDC_TRANSACTION_RECURRENCE);
    grid->addWidget(m_btnRecurrence, row, 0);
    m_cbRecurrence = withId(new QComboBox, IDC_TRANSACTION_RECURRENCE_INTERVAL);
    grid->addWidget(m_cbRecurrence, row, 1);
    auto* until = new QHBoxLayout;
    m_btnUntil = withId(new QCheckBox(QStringLiteral("Until")), IDC_TRANSACTION_UNTIL);
    until->addWidget(m_btnUntil);
    m_dtcUntil = makeDatePicker(IDC_TRANSACTION_UNTIL_DATE);
    m_dtcUntil->setMinimumWidth(m_dtcUntil->sizeHint().width() + 16);
    until->addWidget(m_dtcUntil, 1);
    grid->addLayout(until, row, 2, 1, 2);
    connect(m_btnRecurrence, &QCheckBox::clicked, this, [this] { OnRecurrence(); });
    connect(m_btnUntil, &QCheckBox::clicked, this, [this] { OnRecurrence(); });
}

QLineEdit* TransactionDlgBase::addNumberRow(QGridLayout* grid, int row, QWidget* label, unsigned fieldId,
                                            unsigned buttonId, unsigned titleId) {
    grid->addWidget(label, row, 0);
    auto* field = withId(new QLineEdit, fieldId);
    field->setAlignment(Qt::AlignRight);
    grid->addWidget(field, row, 1);
    auto* button = withId(new QPushButton(QStringLiteral("Math Expr...")), buttonId);
    button->setAutoDefault(false);
    grid->addWidget(button, row, 2, Qt::AlignLeft);
    // Every change shows the total; leaving the field evaluates a formula in it (also for the
    // "Math Expr..." button, which takes the focus first).
    connect(field, &QLineEdit::textChanged, this, [this] { OnChangeNumber(); });
    field->installEventFilter(this);
    connect(button, &QPushButton::clicked, this, [this, fieldId, titleId] { OnMathExpr(fieldId, titleId); });
    return field;
}

void TransactionDlgBase::addTotalRow(QGridLayout* grid, int row) {
    grid->addWidget(new QLabel(QStringLiteral("Total:")), row, 0);
    auto* total = withId(new QLineEdit, IDC_TRANSACTION_TOTAL);
    total->setReadOnly(true);
    total->setAlignment(Qt::AlignRight);
    total->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(total, row, 1);
}

// ---------------------------------------------------------------- data exchange

TransactionDlgBase::LoadingGuard::LoadingGuard(TransactionDlgBase& d, bool active) : dialog(d), previous(d.m_loading) {
    if (active)
        d.m_loading = true;
}

TransactionDlgBase::LoadingGuard::~LoadingGuard() {
    dialog.m_loading = previous;
}

void TransactionDlgBase::exchangeDates(DataExchange& dx) {
    DDX_DateTimeCtrl(dx, IDC_TRANSACTION_DATE, m_dtDate);
    DDX_DateTimeCtrl(dx, IDC_TRANSACTION_TIME, m_dtTime);
}

void TransactionDlgBase::exchangeRecurrenceAndNote(DataExchange& dx) {
    if (!dx.m_bSaveAndValidate)
        m_nRecurrenceIndex = recurrenceIndexForMonths(m_nRecurrence);
    DDX_Check(dx, IDC_TRANSACTION_RECURRENCE, m_bRecurrence);
    DDX_CBIndex(dx, IDC_TRANSACTION_RECURRENCE_INTERVAL, m_nRecurrenceIndex);
    DDX_Check(dx, IDC_TRANSACTION_UNTIL, m_bUntil);
    DDX_DateTimeCtrl(dx, IDC_TRANSACTION_UNTIL_DATE, m_dtUntil);
    DDX_Text(dx, IDC_TRANSACTION_NOTE, m_strNote);
    if (dx.m_bSaveAndValidate)
        m_nRecurrence = recurrenceMonthsForIndex(m_nRecurrenceIndex);
}

void TransactionDlgBase::showTotal(double total) {
    m_strTotal = transactionTotalText(total);
    if (auto* field = control<QLineEdit>(IDC_TRANSACTION_TOTAL))
        field->setText(toQString(m_strTotal));
}

// ---------------------------------------------------------------- handlers

bool TransactionDlgBase::OnInitDialog() {
    Dialog::OnInitDialog();
    for (int i = 0; i < kRecurrenceEntryCount; ++i)
        m_cbRecurrence->addItem(toQString(recurrenceName(i)));
    m_cbRecurrence->setCurrentIndex(m_nRecurrenceIndex);
    OnRecurrence();
    return true;
}

void TransactionDlgBase::OnOK() {
    if (QWidget* focused = focusWidget())
        for (unsigned id : numberFields())
            if (focused == control(id))
                OnKillfocusNumber(id);
    Dialog::OnOK();
}

void TransactionDlgBase::OnDatetimechangeDate() {
    UpdateData(true);
    const OleDate time = timeForChosenDate(m_dtDate, now());
    m_dtcTime->setTime(qtime(time));
    if (const auto until = untilForChosenDate(m_dtDate)) {
        m_dtUntil = *until;
        m_dtcUntil->setDate(qdate(*until));
    }
}

void TransactionDlgBase::OnRecurrence() {
    const bool recurrence = m_btnRecurrence->isChecked();
    m_cbRecurrence->setEnabled(recurrence);
    m_btnUntil->setEnabled(recurrence);
    m_dtcUntil->setEnabled(recurrence && m_btnUntil->isChecked());
}

void TransactionDlgBase::OnChangeNumber() {
    if (!loading())
        UpdateData(true);
}

void TransactionDlgBase::OnKillfocusNumber(unsigned fieldId) {
    UpdateData(true);
    auto* field = control<QLineEdit>(fieldId);
    if (!field)
        return;
    const auto value = evaluateFieldOnFocusOut(field->text().toStdString(), fieldVariables());
    if (!value)
        return;
    // The field shows four decimals; its number is what it shows.
    numberMember(fieldId) = LeadingNumberGrouped(transactionFieldText(*value));
    UpdateData(false);
}

void TransactionDlgBase::OnMathExpr(unsigned fieldId, unsigned titleId) {
    CDlgTransactionMathExpr formula(services(), this);
    formula.m_strTitle = LoadString(titleId);
    formula.m_strExpression = m_strMathExpr;
    UpdateData(true);
    formula.m_strU = transactionFieldText(unitsMember());
    formula.m_strQ = quotationMember() ? transactionFieldText(*quotationMember()) : std::string("0");
    formula.m_strT = transactionFieldText(m_dTaxes);
    if (formula.DoModal() == IDOK) {
        numberMember(fieldId) = LeadingNumberGrouped(formula.m_strResult);
        UpdateData(false);
    }
    m_strMathExpr = formula.m_strExpression;
}

bool TransactionDlgBase::eventFilter(QObject* watched, QEvent* event) {
    // A field that loses the focus while the dialog is still up (not as it closes) evaluates.
    if (event->type() == QEvent::FocusOut && isVisible() && !loading())
        for (unsigned id : numberFields())
            if (watched == control(id)) {
                OnKillfocusNumber(id);
                break;
            }
    return Dialog::eventFilter(watched, event);
}
