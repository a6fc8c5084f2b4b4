#include "dialogs/DlgCompGraphProp.h"

#include "dialogs/DialogParts.h"
#include "framework/DataExchange.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

CDlgCompGraphProp::CDlgCompGraphProp(Services services, QWidget* parent)
    : Dialog(IDD_COMP_GRAPH_PROP, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Comparison chart properties"));
    auto* layout = new QVBoxLayout(this);
    auto* frame = new QGroupBox(QStringLiteral("Chart time frame"));
    auto* grid = new QGridLayout(frame);
    m_btnBegin = withId(new QCheckBox(QStringLiteral("Begin")), IDC_COMP_BEGIN);
    m_dtcBegin = makeDatePicker(IDC_COMP_BEGIN_DATE);
    m_btnEnd = withId(new QCheckBox(QStringLiteral("End")), IDC_COMP_END);
    m_dtcEnd = makeDatePicker(IDC_COMP_END_DATE);
    grid->addWidget(m_btnBegin, 0, 0);
    grid->addWidget(m_dtcBegin, 0, 1);
    grid->addWidget(m_btnEnd, 1, 0);
    grid->addWidget(m_dtcEnd, 1, 1);
    grid->setColumnStretch(2, 1);
    layout->addWidget(frame);
    layout->addWidget(withId(new QCheckBox(QStringLiteral("Display grid lines")), IDC_COMP_GRID));
    layout->addStretch(1);
    layout->addLayout(okCancelRow(*this));
    // clicked, not toggled: the box's own data exchange must not count as a click.
    connect(m_btnBegin, &QAbstractButton::clicked, this, [this] { OnBegin(); });
    connect(m_btnEnd, &QAbstractButton::clicked, this, [this] { OnEnd(); });
}

void CDlgCompGraphProp::DoDataExchange(DataExchange& dx) {
    DDX_Check(dx, IDC_COMP_BEGIN, m_bBegin);
    DDX_Check(dx, IDC_COMP_END, m_bEnd);
    DDX_Check(dx, IDC_COMP_GRID, m_bGrid);
    DDX_DateTimeCtrl(dx, IDC_COMP_BEGIN_DATE, m_dtBegin);
    DDX_DateTimeCtrl(dx, IDC_COMP_END_DATE, m_dtEnd);
}

bool CDlgCompGraphProp::OnInitDialog() {
    Dialog::OnInitDialog();
    m_dtcBegin->setEnabled(m_bBegin != 0);
    m_dtcEnd->setEnabled(m_bEnd != 0);
    return true;
}

void CDlgCompGraphProp::OnBegin() {
    m_dtcBegin->setEnabled(m_btnBegin->isChecked());
}

void CDlgCompGraphProp::OnEnd() {
    m_dtcEnd->setEnabled(m_btnEnd->isChecked());
}
