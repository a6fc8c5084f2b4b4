#pragma once
// "Advanced" (30742): the item's user-defined value, a formula in x and y, each one kind of value
// of one portfolio item, and whether it shows as a percentage. The x item is the item itself (its
// list is disabled). The launcher sets and reads m_strFormula, m_bFormulaPercent and the items
// (by position) and value kinds; a kind outside 0..3 leaves its list without selection and comes
// back as -1.

#include "framework/PropertyPage.h"
#include "portfolio/ItemPos.h"

#include <array>
#include <string>

class CWPapierDoc;
class QComboBox;

// The value kinds, as list index and text.
inline constexpr std::array<const char*, 4> kFormulaValueKinds = {
    "Last quotation", "Investment volume", "Investment units", "Annualized quotation variation in current year"};

class CWPAdvancedPropPage : public PropertyPage {
public:
    explicit CWPAdvancedPropPage(Services services);

    QComboBox* m_cbItemX = nullptr;
    QComboBox* m_cbItemY = nullptr;
    QComboBox* m_cbValueX = nullptr;
    QComboBox* m_cbValueY = nullptr;
    std::string m_strFormula;
    int m_bFormulaPercent = 0;
    ItemPos m_posFormulaItemX = kNoItemPos;
    int m_nFormulaValueX = 0;
    ItemPos m_posFormulaItemY = kNoItemPos;
    int m_nFormulaValueY = 0;
    CWPapierDoc* m_pDoc = nullptr;

protected:
    void DoDataExchange(DataExchange& dx) override;
    void BuildControls() override;
    bool OnInitDialog() override;

private:
    void FillLists();
};
