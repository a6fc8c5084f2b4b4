#include "dialogs/WPCurrencyPropPage.h"

#include "dialogs/DialogParts.h"
#include "dialogs/DlgCreateCurrencyExchangeItem.h"
#include "dialogs/ItemSheetIds.h"
#include "dialogs/ItemSheetParts.h"
#include "portfolio/WPapierDoc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CWPCurrencyPropPage::CWPCurrencyPropPage(Services services) : PropertyPage(IDD_PROPPAGE_CURRENCY, std::move(services)) {
    setWindowTitle(QStringLiteral("Currency Conversion"));
}

void CWPCurrencyPropPage::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Automatic currency conversion"));
    auto* inner = new QVBoxLayout(group);
    // The check box's long text wraps only in a label beside the box.
    m_btnConvert = withId(new QCheckBox, IDC_CUR_CONVERT);
    auto* convertText = new QLabel(QStringLiteral("Upon download automatically convert quotation currency by "
                                                  "multiplying it by the exchange rate provided by:"));
    convertText->setWordWrap(true);
    convertText->setBuddy(m_btnConvert);
    auto* convertRow = new QHBoxLayout;
    convertRow->addWidget(m_btnConvert, 0, Qt::AlignTop);
    convertRow->addWidget(convertText, 1);
    inner->addLayout(convertRow);
    auto* itemRow = new QHBoxLayout;
    m_cbCurrencyItems = withId(new QComboBox, IDC_CUR_ITEMS);
    m_cbCurrencyItems->setMinimumContentsLength(28);
    m_btnCreateItem = withId(new QPushButton(QStringLiteral("Create exchange rate item...")), IDC_CUR_CREATE);
    itemRow->addSpacing(20);
    itemRow->addWidget(m_cbCurrencyItems, 1);
    itemRow->addWidget(m_btnCreateItem);
    inner->addLayout(itemRow);
    for (auto [id, text] : {std::pair{IDC_CUR_NOTE1, "Note: When you update all items at the same time, Corvana will "
                                                     "automatically update the currency quotation before updating this "
                                                     "item."},
                            std::pair{IDC_CUR_NOTE2, "When you update this item separetly (e.g. by importing "
                                                     "quotations), you must make sure that the currency quotation has "
                                                     "been previously updated."}}) {
        auto* note = withId(new QLabel(QString::fromUtf8(text)), id);
        note->setWordWrap(true);
        inner->addWidget(note);
    }
    layout->addWidget(group);
    layout->addStretch(1);

    connect(m_btnConvert, &QCheckBox::clicked, this, [this] { OnConvert(); });
    connect(m_btnCreateItem, &QPushButton::clicked, this, [this] { OnCreateExchangeRateItem(); });
}

void CWPCurrencyPropPage::DoDataExchange(DataExchange& dx) {
    DDX_Check(dx, IDC_CUR_CONVERT, m_bConvertCurrency);
    if (dx.m_bSaveAndValidate)
        m_posCurrencyItem = SelectedItemEntry(*m_cbCurrencyItems);
}

bool CWPCurrencyPropPage::OnInitDialog() {
    PropertyPage::OnInitDialog();
    FillItemList();
    if (m_pDoc && m_posCurrencyItem != kNoItemPos && m_pDoc->GetItem(m_posCurrencyItem))
        SelectItemEntry(*m_cbCurrencyItems, m_posCurrencyItem);
    else
        m_cbCurrencyItems->setCurrentIndex(-1);
    OnConvert();
    return true;
}

void CWPCurrencyPropPage::FillItemList() {
    m_cbCurrencyItems->clear();
    if (m_pDoc)
        FillItemCombo(*m_cbCurrencyItems, ItemEntries(*m_pDoc, m_posItem));
}

void CWPCurrencyPropPage::OnConvert() {
    const bool on = m_btnConvert->isChecked();
    m_cbCurrencyItems->setEnabled(on);
    m_btnCreateItem->setEnabled(on);
}

void CWPCurrencyPropPage::OnCreateExchangeRateItem() {
    DlgCreateCurrencyExchangeItem dialog(services(), this);
    if (dialog.DoModal() != IDOK || !m_pDoc)
        return;
    const CWPapier* created = m_pDoc->CreateExchangeRateItem(dialog.m_strFromCurrency, dialog.m_strToCurrency);
    if (!created)
        return;
    m_posCurrencyItem = created->id();
    FillItemList();
    SelectItemEntry(*m_cbCurrencyItems, m_posCurrencyItem);
}
