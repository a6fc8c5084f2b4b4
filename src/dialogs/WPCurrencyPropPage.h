#pragma once
// "Currency Conversion" (30743): whether the item's downloaded quotations are converted by the
// quotations of an exchange-rate item, and which. The list offers every other item of the
// portfolio; "Create exchange rate item..." creates one from two currencies (dialog 203), which
// stays in the portfolio even when the sheet is cancelled.
//
// The launcher sets m_pDoc, m_posItem, m_bConvertCurrency and m_posCurrencyItem and reads the
// last two back after OK. The exchange-rate item is held by its position: an item that has left
// the portfolio is not selected, and once the page was shown OK stores none.

#include "framework/PropertyPage.h"
#include "portfolio/ItemPos.h"

class CWPapierDoc;
class QComboBox;
class QPushButton;
class QCheckBox;

class CWPCurrencyPropPage : public PropertyPage {
public:
    explicit CWPCurrencyPropPage(Services services);

    QComboBox* m_cbCurrencyItems = nullptr;
    int m_bConvertCurrency = 0;
    ItemPos m_posCurrencyItem = kNoItemPos; // the exchange-rate item
    CWPapierDoc* m_pDoc = nullptr;
    ItemPos m_posItem = kNoItemPos; // the item being edited
    QCheckBox* m_btnConvert = nullptr;
    QPushButton* m_btnCreateItem = nullptr;

    void OnConvert();
    void OnCreateExchangeRateItem();

protected:
    void DoDataExchange(DataExchange& dx) override;
    void BuildControls() override;
    bool OnInitDialog() override;

private:
    void FillItemList();
};
