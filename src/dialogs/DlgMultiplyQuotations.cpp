#include "dialogs/DlgMultiplyQuotations.h"

#include "dialogs/DialogParts.h"
#include "dialogs/ImportDialogIds.h"
#include "dialogs/QuotationDlgLogic.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CDlgMultiplyQuotations::CDlgMultiplyQuotations(Services services, QWidget* parent)
    : Dialog(IDD_MULTIPLY_QUOTATIONS, std::move(services), parent) {
    setWindowTitle(QStringLiteral("Multiply Item's Quotations"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    auto* itemName = withId(new QLabel, IDC_ITEM_NAME);
    itemName->setTextFormat(Qt::PlainText);
    m_cbItems = withId(new QComboBox, IDC_MULTIPLY_ITEMS);
    m_cbItems->setMinimumContentsLength(24);
    grid->addWidget(new QLabel(QStringLiteral("Multiply quotations of:")), 0, 0);
    grid->addWidget(itemName, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("by quotations of item:")), 1, 0);
    grid->addWidget(m_cbItems, 1, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addWidget(new QLabel(
        QStringLiteral("Note: This feature can be used e.g. for converting the item's quotation currency.")));
    layout->addLayout(okCancelRow(*this));
}

void CDlgMultiplyQuotations::DoDataExchange(DataExchange& dx) {
    DDX_Text(dx, IDC_ITEM_NAME, m_strItemName);
    DDX_CBIndex(dx, IDC_MULTIPLY_ITEMS, m_nFactorIndex);
    if (dx.m_bSaveAndValidate && m_nFactorIndex >= 0)
        m_posFactorItem = m_cbItems->itemData(m_nFactorIndex).value<ItemPos>();
}

bool CDlgMultiplyQuotations::OnInitDialog() {
    Dialog::OnInitDialog();
    FillItemList();
    return true;
}

void CDlgMultiplyQuotations::FillItemList() {
    m_cbItems->clear();
    if (m_pDocument)
        for (const FactorItemEntry& entry : MultiplyFactorItems(*m_pDocument, m_posItem))
            m_cbItems->addItem(toQString(entry.name), QVariant::fromValue<ItemPos>(entry.pos));
    m_posFactorItem = m_cbItems->count() > 0 ? m_cbItems->itemData(0).value<ItemPos>() : kNoItemPos;
    m_cbItems->setCurrentIndex(m_cbItems->count() > 0 ? 0 : -1);
    // Without an item to multiply by there is nothing to confirm.
    control<QPushButton>(IDOK)->setEnabled(m_cbItems->count() > 0);
}
