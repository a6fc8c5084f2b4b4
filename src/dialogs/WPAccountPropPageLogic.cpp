#include "dialogs/WPAccountPropPageLogic.h"

#include "dialogs/TransactionDlgLogic.h"
#include "dialogs/TransactionIds.h"
#include "dialogs/TransactionListCommon.h"
#include "log/NumberFormat.h"

std::vector<AccountRow> computeAccountRows(std::span<const CTransaction> transactions, const OleDate& now) {
    std::vector<AccountRow> rows;
    rows.reserve(transactions.size() + 1);
    double balance = 0.0;
    OleDate lastDate = now;
    for (std::size_t k = 0; k < transactions.size(); ++k) {
        const CTransaction& t = transactions[k];
        AccountRow& row = rows.emplace_back();
        row.transaction = static_cast<int>(k);
        row.image = transactionRowImage(t.m_nType, t.m_nRecurrence);
        row.label = CTransaction::typeName(t.m_nType, true);
        row.date = t.m_dtDate;
        row.dateAfterNow = dateAfterNow(t.m_dtDate, now);
        row.note = t.m_strNote;
        row.volume = accountTransactionTotal(t.m_nType, t.m_dUnits, t.m_dTaxes);
        balance += row.volume;
        row.balance = balance;
        lastDate = t.m_dtDate;
    }
    AccountRow& total = rows.emplace_back();
    total.total = true;
    total.image = kImageSum;
    total.label = IDS_ROW_TOTAL;
    total.date = lastDate;
    total.dateAfterNow = dateAfterNow(lastDate, now);
    total.volume = balance;
    return rows;
}

std::array<std::string, kAccountColumnCount> accountRowTexts(const AccountRow& row) {
    return {row.label, transactionDateTimeText(row.date, row.dateAfterNow), row.note,
            FormatNumberGrouped("%4.2lf", row.volume),
            row.balance ? FormatNumberGrouped("%4.2lf", *row.balance) : std::string()};
}
