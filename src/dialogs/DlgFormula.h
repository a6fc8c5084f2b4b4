#pragma once
// "Apply formula": a formula f(x) and the range of an item's quotations it is to be applied to.
// The caller sets m_pItem (the item whose quotations are listed) and the range m_nFirst..m_nLast
// to preselect, runs DoModal and, after IDOK, reads m_strFormula and the range. The formula list
// offers "x/2" ... "1/x" and opens with "x/2" whatever was used before; the range lists show the
// quotations oldest first, so an entry's index is its quotation's. OK waits for a range whose
// first quotation is not after its last.

#include "framework/Dialog.h"

#include <string>

class CWPapier;
class QComboBox;
class QuotationRangeModel;

class CDlgFormula : public Dialog {
public:
    explicit CDlgFormula(Services services, QWidget* parent = nullptr);

    const CWPapier* m_pItem = nullptr;
    QComboBox* m_cbFormula = nullptr;
    std::string m_strFormula;
    QComboBox* m_cbFirst = nullptr;
    QComboBox* m_cbLast = nullptr;
    int m_nFirst = 0;
    int m_nLast = 0;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    void FillLists();
    void updateOk();

    QuotationRangeModel* m_quotations = nullptr; // the entries of both range lists
};
