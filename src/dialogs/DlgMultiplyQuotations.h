#pragma once
// "Multiply Item's Quotations": the item whose quotations multiply those of the item at
// m_posItem. The caller sets m_pDocument, m_posItem and m_strItemName, runs DoModal and, after
// IDOK, reads m_posFactorItem. Every item is offered but the investment history and the item
// itself, sorted by name; the first is preselected. OK waits for an item to choose.

#include "framework/Dialog.h"
#include "portfolio/ItemPos.h"

#include <string>

class CWPapierDoc;
class QComboBox;

class CDlgMultiplyQuotations : public Dialog {
public:
    explicit CDlgMultiplyQuotations(Services services, QWidget* parent = nullptr);

    CWPapierDoc* m_pDocument = nullptr; // the portfolio whose items are offered
    QComboBox* m_cbItems = nullptr;
    std::string m_strItemName;
    int m_nFactorIndex = -1;
    ItemPos m_posItem = kNoItemPos;
    ItemPos m_posFactorItem = kNoItemPos;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    void FillItemList();
};
