#pragma once
// "Comparison chart properties": the time frame and the grid of the comparison chart. The opener
// fills the five values from the chart view's comparison settings, runs DoModal and on IDOK reads
// them back. Each date picker is enabled exactly while its check box is ticked.

#include "framework/Dialog.h"
#include "platform/OleDate.h"

class QAbstractButton;
class QDateEdit;

inline constexpr unsigned IDD_COMP_GRAPH_PROP = 165;
inline constexpr unsigned IDC_COMP_BEGIN = 1043;      // check box "Begin"
inline constexpr unsigned IDC_COMP_BEGIN_DATE = 1122; // first day of the comparison
inline constexpr unsigned IDC_COMP_END = 1052;        // check box "End"
inline constexpr unsigned IDC_COMP_END_DATE = 1124;   // last day of the comparison
inline constexpr unsigned IDC_COMP_GRID = 1063;       // check box "Display grid lines"

class CDlgCompGraphProp : public Dialog {
public:
    explicit CDlgCompGraphProp(Services services, QWidget* parent = nullptr);

    QDateEdit* m_dtcEnd = nullptr;
    QDateEdit* m_dtcBegin = nullptr;
    QAbstractButton* m_btnEnd = nullptr;
    QAbstractButton* m_btnBegin = nullptr;
    int m_bBegin = 0;
    int m_bEnd = 0;
    int m_bGrid = 0;
    OleDate m_dtBegin;
    OleDate m_dtEnd;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    void OnBegin();
    void OnEnd();
};
