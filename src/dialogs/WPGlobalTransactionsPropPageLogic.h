#pragma once
// The Transactions page of the investment-history item (CWPGlobalTransactionsPropPage) without its
// widgets: the rows of the list of all transactions with their items and volumes, and which
// dialog edits a row's transaction.

#include "platform/OleDate.h"
#include "portfolio/Transaction.h"

#include <array>
#include <span>
#include <string>
#include <vector>

class CWPapierDoc;

inline constexpr int kGlobalColumnCount = 5;

struct GlobalTransactionRow {
    int transaction = -1; // index in the page's list
    int image = 0;
    bool cashAccount = false; // the transaction belongs to the cash account
    std::string label;        // the kind in the item's vocabulary
    OleDate date;
    bool dateAfterNow = false;
    std::string itemName; // empty when the item is gone
    std::string note;
    double volume = 0.0;
};

// The volume the page shows: on the cash account credit and interests u - t, debit -u - t; on
// another item buy u x q + t, sell -(u x q) - t, dividends u x q - t; 0 for another kind.
double globalTransactionVolume(int kind, bool cashAccount, double units, double quotation, double taxes);

// A row per transaction of the document's sorted list (GetAllTransactionsSorted), its item looked
// up by the transaction's origin; no total row.
std::vector<GlobalTransactionRow>
computeGlobalTransactionRows(const CWPapierDoc& doc, std::span<const CTransaction> transactions, const OleDate& now);

// The five cell texts: the date "%x   %H:%M:%S" (in parentheses after now), the volume "%4.2lf"
// grouped.
std::array<std::string, kGlobalColumnCount> globalTransactionRowTexts(const GlobalTransactionRow& row);

// The dialog that edits a transaction of the list: none when its item is gone, the cash-account
// dialog for the cash account's, the investment dialog for any other.
enum class TransactionEditor { None, CashAccount, Investment };
TransactionEditor editorForTransaction(const CWPapierDoc& doc, const CTransaction& transaction);
