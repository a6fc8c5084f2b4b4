#include "dialogs/WPGraphPropertyPage.h"

#include "controls/ColourButton.h"
#include "controls/WinGdi.h"
#include "dialogs/DialogParts.h"
#include "dialogs/ItemSheetIds.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QButtonGroup* radioGroup(QWidget* owner, QLayout* layout, std::initializer_list<std::pair<unsigned, const char*>> radios) {
    auto* group = new QButtonGroup(owner);
    for (auto [id, text] : radios) {
        auto* radio = Dialog::withId(new QRadioButton(QString::fromUtf8(text)), id);
        group->addButton(radio);
        layout->addWidget(radio);
    }
    return group;
}

} // namespace

CWPGraphPropertyPage::CWPGraphPropertyPage(Services services) : PropertyPage(IDD_PROPPAGE_CHART, std::move(services)) {
    setWindowTitle(QStringLiteral("Chart"));
}

void CWPGraphPropertyPage::BuildControls() {
    auto* layout = new QGridLayout(this);

    auto* drawing = new QGroupBox(QStringLiteral("Drawing Options"));
    auto* drawingLayout = new QGridLayout(drawing);
    auto* colorLabel = withId(new QPushButton(QStringLiteral("Chart color:")), IDC_CHART_COLOR_LABEL);
    colorLabel->setFlat(true);
    m_btnColor = withId(new CButtonColor, IDC_CHART_COLOR);
    m_btnColor->setText(QStringLiteral("Color"));
    m_btnColor->setMinimumWidth(60);
    drawingLayout->addWidget(colorLabel, 0, 0);
    drawingLayout->addWidget(m_btnColor, 0, 1);
    drawingLayout->addWidget(withId(new QCheckBox(QStringLiteral("Display grid")), IDC_CHART_GRID), 1, 0, 1, 2);
    layout->addWidget(drawing, 0, 0);

    auto* frame = new QGroupBox(QStringLiteral("Time Frame"));
    auto* frameLayout = new QGridLayout(frame);
    frameLayout->addWidget(withId(new QCheckBox(QStringLiteral("Begin")), IDC_CHART_BEGIN_CHECK), 0, 0);
    frameLayout->addWidget(makeDatePicker(IDC_CHART_BEGIN), 0, 1);
    frameLayout->addWidget(withId(new QCheckBox(QStringLiteral("End")), IDC_CHART_END_CHECK), 1, 0);
    frameLayout->addWidget(makeDatePicker(IDC_CHART_END), 1, 1);
    layout->addWidget(frame, 0, 1);

    auto* axes = new QGroupBox(QStringLiteral("Values on Axes"));
    auto* axesLayout = new QVBoxLayout(axes);
    radioGroup(this, axesLayout, {{IDC_CHART_AXIS_PERCENT, "Percentual"}, {IDC_CHART_AXIS_NOMINAL, "Nominal"}});
    axesLayout->addStretch(1);
    layout->addWidget(axes, 1, 0);

    auto* graphic = new QGroupBox(QStringLiteral("Values on Graphic"));
    auto* graphicLayout = new QVBoxLayout(graphic);
    radioGroup(this, graphicLayout,
               {{IDC_CHART_GRAPH_NONE, "None"},
                {IDC_CHART_GRAPH_PERCENT, "Percentual"},
                {IDC_CHART_GRAPH_NOMINAL, "Nominal"},
                {IDC_CHART_GRAPH_SQUARE, "Square mark"}});
    layout->addWidget(graphic, 1, 1);

    auto* investment = new QGroupBox(QStringLiteral("Display Investment Info"));
    auto* investmentLayout = new QVBoxLayout(investment);
    investmentLayout->addWidget(
        withId(new QCheckBox(QStringLiteral("- - - - -: break-even line")), IDC_CHART_BREAK_EVEN));
    investmentLayout->addWidget(withId(new QCheckBox(QStringLiteral("[B]: buy transaction\n[S]: sell transaction\n"
                                                                    "[$]: dividends/interest payment")),
                                       IDC_CHART_MARKS));
    layout->addWidget(investment, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);

    connect(control<QCheckBox>(IDC_CHART_BEGIN_CHECK), &QCheckBox::clicked, this, [this] { OnBegin(); });
    connect(control<QCheckBox>(IDC_CHART_END_CHECK), &QCheckBox::clicked, this, [this] { OnEnd(); });
    connect(m_btnColor, &QPushButton::clicked, this, [this] { OnColor(); });
    connect(colorLabel, &QPushButton::clicked, this, [this] { OnColor(); });
}

void CWPGraphPropertyPage::DoDataExchange(DataExchange& dx) {
    DDX_Check(dx, IDC_CHART_END_CHECK, m_bEnd);
    DDX_Check(dx, IDC_CHART_BEGIN_CHECK, m_bBegin);
    DDX_Radio(dx, IDC_CHART_GRAPH_NONE, m_nGraphValues);
    DDX_Radio(dx, IDC_CHART_AXIS_PERCENT, m_nAxisValues);
    DDX_Check(dx, IDC_CHART_GRID, m_bGrid);
    DDX_DateTimeCtrl(dx, IDC_CHART_BEGIN, m_dtBegin);
    DDX_DateTimeCtrl(dx, IDC_CHART_END, m_dtEnd);
    DDX_Check(dx, IDC_CHART_MARKS, m_bTransactionMarks);
    DDX_Check(dx, IDC_CHART_BREAK_EVEN, m_bBreakEvenLine);
}

bool CWPGraphPropertyPage::OnInitDialog() {
    PropertyPage::OnInitDialog();
    m_bChartEnabled = 1;
    control<QWidget>(IDC_CHART_BEGIN)->setEnabled(m_bBegin != 0);
    control<QWidget>(IDC_CHART_END)->setEnabled(m_bEnd != 0);
    control<QWidget>(IDC_CHART_GRID)->setEnabled(true);
    for (unsigned id : {IDC_CHART_AXIS_PERCENT, IDC_CHART_AXIS_NOMINAL, IDC_CHART_GRAPH_NONE, IDC_CHART_GRAPH_PERCENT,
                        IDC_CHART_GRAPH_NOMINAL, IDC_CHART_GRAPH_SQUARE})
        control<QWidget>(id)->setEnabled(!m_bCashAccount);
    for (unsigned id : {IDC_CHART_BREAK_EVEN, IDC_CHART_MARKS})
        control<QWidget>(id)->setEnabled(!m_bCashAccount && !m_bInvestmentHistory);
    m_btnColor->SetColor(m_crColor);
    return true;
}

void CWPGraphPropertyPage::OnBegin() {
    control<QWidget>(IDC_CHART_BEGIN)->setEnabled(control<QCheckBox>(IDC_CHART_BEGIN_CHECK)->isChecked());
}

void CWPGraphPropertyPage::OnEnd() {
    control<QWidget>(IDC_CHART_END)->setEnabled(control<QCheckBox>(IDC_CHART_END_CHECK)->isChecked());
}

void CWPGraphPropertyPage::OnColor() {
    if (!services().colors)
        return;
    ColorRequest request;
    request.initial = toQColor(m_crColor);
    request.customColors.assign(16, QColor(Qt::white));
    request.customColors[0] = request.initial;
    const std::optional<QColor> chosen = services().colors->chooseColor(request);
    if (!chosen)
        return;
    m_crColor = colorRefOf(chosen->rgb());
    m_btnColor->SetColor(m_crColor);
    m_btnColor->repaint();
}
