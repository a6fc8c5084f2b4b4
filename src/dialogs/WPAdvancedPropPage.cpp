#include "dialogs/WPAdvancedPropPage.h"

#include "dialogs/DialogParts.h"
#include "dialogs/ItemSheetIds.h"
#include "dialogs/ItemSheetParts.h"
#include "portfolio/WPapierDoc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CWPAdvancedPropPage::CWPAdvancedPropPage(Services services) : PropertyPage(IDD_PROPPAGE_ADVANCED, std::move(services)) {
    setWindowTitle(QStringLiteral("Advanced"));
}

void CWPAdvancedPropPage::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("User-defined value column"));
    auto* inner = new QVBoxLayout(group);
    auto* formulaRow = new QHBoxLayout;
    formulaRow->addWidget(new QLabel(QStringLiteral("Formula:")));
    auto* formula = withId(new QLineEdit, IDC_ADV_FORMULA);
    formula->setToolTip(QStringLiteral(
        "Formula to be used as calculation basis for the User-Defined Value column, e.g. \"x/y\" or \"x*y\""));
    formulaRow->addWidget(formula, 1);
    inner->addLayout(formulaRow);
    inner->addWidget(withId(new QCheckBox(QStringLiteral("Format as percentual value")), IDC_ADV_PERCENT));

    auto* variables = new QGroupBox(QStringLiteral("Variables"));
    auto* grid = new QGridLayout(variables);
    m_cbItemX = withId(new QComboBox, IDC_ADV_ITEM_X);
    m_cbItemY = withId(new QComboBox, IDC_ADV_ITEM_Y);
    m_cbValueX = withId(new QComboBox, IDC_ADV_VALUE_X);
    m_cbValueY = withId(new QComboBox, IDC_ADV_VALUE_Y);
    m_cbItemX->setEnabled(false);
    for (QComboBox* combo : {m_cbItemX, m_cbItemY})
        combo->setMinimumContentsLength(22);
    grid->addWidget(withId(new QLabel(QStringLiteral("Item")), IDC_ADV_ITEM_HEAD), 0, 1);
    grid->addWidget(withId(new QLabel(QStringLiteral("Value")), IDC_ADV_VALUE_HEAD), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("x = ")), 1, 0);
    grid->addWidget(m_cbItemX, 1, 1);
    grid->addWidget(m_cbValueX, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("y = ")), 2, 0);
    grid->addWidget(m_cbItemY, 2, 1);
    grid->addWidget(m_cbValueY, 2, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    inner->addWidget(variables);
    layout->addWidget(group);
    layout->addStretch(1);
}

void CWPAdvancedPropPage::DoDataExchange(DataExchange& dx) {
    DDX_Text(dx, IDC_ADV_FORMULA, m_strFormula);
    DDX_Check(dx, IDC_ADV_PERCENT, m_bFormulaPercent);
    if (dx.m_bSaveAndValidate) {
        m_posFormulaItemX = SelectedItemEntry(*m_cbItemX);
        m_nFormulaValueX = m_cbValueX->currentIndex();
        m_posFormulaItemY = SelectedItemEntry(*m_cbItemY);
        m_nFormulaValueY = m_cbValueY->currentIndex();
    }
}

bool CWPAdvancedPropPage::OnInitDialog() {
    PropertyPage::OnInitDialog();
    FillLists();
    SelectItemEntry(*m_cbItemX, m_posFormulaItemX);
    m_cbValueX->setCurrentIndex(m_nFormulaValueX >= 0 && m_nFormulaValueX < 4 ? m_nFormulaValueX : -1);
    SelectItemEntry(*m_cbItemY, m_posFormulaItemY);
    m_cbValueY->setCurrentIndex(m_nFormulaValueY >= 0 && m_nFormulaValueY < 4 ? m_nFormulaValueY : -1);
    return true;
}

void CWPAdvancedPropPage::FillLists() {
    for (QComboBox* combo : {m_cbItemX, m_cbItemY, m_cbValueX, m_cbValueY})
        combo->clear();
    if (m_pDoc) {
        const std::vector<ItemEntry> entries = ItemEntries(*m_pDoc);
        FillItemCombo(*m_cbItemX, entries);
        FillItemCombo(*m_cbItemY, entries);
    }
    for (const char* kind : kFormulaValueKinds) {
        m_cbValueX->addItem(QString::fromUtf8(kind));
        m_cbValueY->addItem(QString::fromUtf8(kind));
    }
}
