#include "dialogs/WPGlobalTransactionsPropPageLogic.h"

#include "dialogs/TransactionDlgLogic.h"
#include "dialogs/TransactionListCommon.h"
#include "log/NumberFormat.h"
#include "portfolio/WPapierDoc.h"

double globalTransactionVolume(int kind, bool cashAccount, double units, double quotation, double taxes) {
    if (cashAccount)
        return accountTransactionTotal(kind, units, taxes);
    switch (kind) {
    case CTransaction::kBuy:
        return units * quotation + taxes;
    case CTransaction::kSell:
        return -(units * quotation) - taxes;
    case CTransaction::kDividend:
        return units * quotation - taxes;
    default:
        return 0.0;
    }
}

std::vector<GlobalTransactionRow>
computeGlobalTransactionRows(const CWPapierDoc& doc, std::span<const CTransaction> transactions, const OleDate& now) {
    std::vector<GlobalTransactionRow> rows;
    rows.reserve(transactions.size());
    for (std::size_t k = 0; k < transactions.size(); ++k) {
        const CTransaction& t = transactions[k];
        GlobalTransactionRow& row = rows.emplace_back();
        row.transaction = static_cast<int>(k);
        if (const CWPapier* item = doc.GetItemAt(t.m_posOriginItem)) {
            row.itemName = item->m_strName;
            row.cashAccount = item->m_bCashAccount != 0;
        }
        row.image = transactionRowImage(t.m_nType, t.m_nRecurrence);
        row.label = CTransaction::typeName(t.m_nType, row.cashAccount);
        row.date = t.m_dtDate;
        row.dateAfterNow = dateAfterNow(t.m_dtDate, now);
        row.note = t.m_strNote;
        row.volume = globalTransactionVolume(t.m_nType, row.cashAccount, t.m_dUnits, t.m_dQuotation, t.m_dTaxes);
    }
    return rows;
}

std::array<std::string, kGlobalColumnCount> globalTransactionRowTexts(const GlobalTransactionRow& row) {
    return {row.label, transactionDateTimeText(row.date, row.dateAfterNow), row.itemName, row.note,
            FormatNumberGrouped("%4.2lf", row.volume)};
}

TransactionEditor editorForTransaction(const CWPapierDoc& doc, const CTransaction& transaction) {
    const CWPapier* item = doc.GetItemAt(transaction.m_posOriginItem);
    if (!item)
        return TransactionEditor::None;
    return item->m_bCashAccount ? TransactionEditor::CashAccount : TransactionEditor::Investment;
}
