#pragma once
// "Investment": the page of an ordinary item in its property sheet. The upper part lists the
// item's transactions with their cash effect and results, then "Break-even", "Hypothetical Sell"
// (while units are held) and the total of the investment, and offers New, Edit, Delete and Delete
// All, each of which reaches the document at once (with the option to mirror investment
// transactions into the cash account, New and Edit mirror and warn when the balance turns
// negative). The lower part holds the item's limit warnings, which the launcher stores in the item
// when the sheet is confirmed.
//
// The launcher sets m_pDoc, m_posItem, m_strName, the six alarm members, the three computed
// doubles, the transaction list (SetTransactionList with the document's GetTransactionListCopy),
// m_LastQuotation when the item has quotations, and m_bAutoCreateCashAccountTransactions from the
// program options; after IDOK it reads the six alarm members.

#include "dialogs/TransactionPageBase.h"
#include "platform/Settings.h"
#include "portfolio/ItemPos.h"
#include "portfolio/Kurs.h"
#include "portfolio/Transaction.h"

#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;

class CWPInvestPropPage : public TransactionPageBase {
public:
    explicit CWPInvestPropPage(Services services);
    ~CWPInvestPropPage() override;

    // How much wider than the room of its default column widths the page's list will be (its
    // columns and a vertical scroll bar in `host`'s font), for a sheet sized before the page is
    // built.
    static int ExtraListWidth(const QWidget& host, const SettingsStore& settings);

    // Replaces the page's copies of the transactions (in date order).
    void SetTransactionList(std::vector<CTransaction> transactions);
    // Rebuilds the list from the page's copies and shows the members in the controls.
    void FillTransactionList();

    std::string m_strName;
    CKurs m_LastQuotation; // close 0 and the page's construction time until the launcher sets it
    QLineEdit* m_edAlarmBreakEvenPercent = nullptr;
    QCheckBox* m_btnAlarmBreakEven = nullptr;
    QLineEdit* m_edAlarmBelow = nullptr;
    QLineEdit* m_edAlarmAbove = nullptr;
    QCheckBox* m_btnAlarmBelow = nullptr;
    QCheckBox* m_btnAlarmAbove = nullptr;
    int m_bAlarmAbove = 0;
    int m_bAlarmBelow = 0;
    double m_dAlarmAbove = 0.0;
    double m_dAlarmBelow = 0.0;
    double m_dUnits = 0.0;
    double m_dBreakEven = 0.0;
    double m_dAveragePrice = 0.0;
    int m_bAlarmBreakEven = 0;
    double m_dAlarmBreakEvenPercent = 0.0;
    std::unique_ptr<std::vector<CTransaction>> m_pTransactionList;
    ItemPos m_posItem = kNoItemPos;
    // The program option AutoCreateCashAccountTransactions.
    bool m_bAutoCreateCashAccountTransactions = false;

protected:
    void DoDataExchange(DataExchange& dx) override;
    void BuildControls() override;
    bool OnInitDialog() override;

    void OnNewTransaction() override;
    void OnEditTransaction() override;
    void OnDeleteTransaction() override;
    void OnDeleteAllTransactions() override;
    void refresh() override;
    void OnAlarmBelow();
    void OnAlarmAbove();
    void OnAlarmBreakEven();

private:
    // The list's columns, and the longest texts each shows.
    static const Column kColumns[9];
    static std::vector<std::vector<std::string>> columnSamples();
    // Rebuilds the rows only; the alarm fields keep what the user typed.
    void fillRows();
};
