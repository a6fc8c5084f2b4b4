#pragma once
// The editable fields of one item, handed by value from the item property sheet to the document
// (CWPapierDoc::SetItemProperties, CWPapierDoc::AddNewItem). The fields are the item's own, in its
// order, with the download flag right after the note.

#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"
#include "portfolio/ServerSettings.h"

#include <cstdint>
#include <string>

class CWPapier;

struct ItemProperties {
    std::string m_strName;
    std::string m_strSymbol;
    std::string m_strCategory;
    std::string m_strNote;
    bool m_bDownloadEnabled = false;
    ServerSettings m_Server;

    int m_bChartEnabled = 0;
    int m_bGrid = 0;
    int m_nGraphValues = 0;
    int m_nAxisValues = 0;
    OleDate m_dtBegin;
    OleDate m_dtEnd;
    int m_bBegin = 0;
    int m_bEnd = 0;
    std::uint32_t m_crColor = 0;
    int m_bBreakEvenLine = 0;
    int m_bTransactionMarks = 0;

    int m_bAlarmAbove = 0;
    int m_bAlarmBelow = 0;
    int m_bAlarmBreakEven = 0;
    double m_dAlarmAbove = 0.0;
    double m_dAlarmBelow = 0.0;
    double m_dAlarmBreakEvenPercent = 0.0;
    double m_dUnits = 0.0;
    double m_dBreakEven = 0.0;
    double m_dAveragePrice = 0.0;

    bool m_bConvertCurrency = false;
    CWPapier* m_pCurrencyItem = nullptr;
    ItemPos m_nCurrencyItemId = kNoItemPos; // not applied to the item

    std::string m_strFormula;
    bool m_bFormulaPercent = false;
    CWPapier* m_pFormulaItemX = nullptr;
    int m_nFormulaValueX = 0;
    CWPapier* m_pFormulaItemY = nullptr;
    ItemPos m_nFormulaItemYId = kNoItemPos; // not applied to the item
    int m_nFormulaValueY = 0;
};
