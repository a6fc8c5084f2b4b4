#pragma once
// "Currency exchange rate" (203): two currencies of the currency table (CurrencyTable.h) from
// which the document creates an exchange-rate item. The caller runs DoModal and reads
// m_strFromCurrency and m_strToCurrency after IDOK; the same currency may be chosen twice.

#include "framework/Dialog.h"

#include <string>

class QComboBox;

class DlgCreateCurrencyExchangeItem : public Dialog {
public:
    explicit DlgCreateCurrencyExchangeItem(Services services, QWidget* parent = nullptr);

    QComboBox* m_cbFromCurrency = nullptr;
    QComboBox* m_cbToCurrency = nullptr;
    std::string m_strFromCurrency;
    std::string m_strToCurrency;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    void FillCurrencyLists();
};
