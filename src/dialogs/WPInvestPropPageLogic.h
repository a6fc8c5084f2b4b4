#pragma once
// The Investment page (CWPInvestPropPage) without its widgets: the rows of its transaction list
// with the running figures of the investment, and what New and Edit do to the document (the
// transaction, its mirror in the cash account and the balance warning the page shows afterwards).

#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"
#include "portfolio/Kurs.h"
#include "portfolio/Transaction.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CWPapierDoc;

inline constexpr int kInvestColumnCount = 9;

struct InvestRow {
    enum class Kind { Transaction, BreakEven, HypotheticalSell, Total };
    Kind kind = Kind::Transaction;
    int transaction = -1; // index in the page's list; -1 on the summary rows
    int image = 0;
    std::string label; // column 0
    OleDate date;      // column 1
    bool dateAfterNow = false;
    std::string note; // column 2
    // Columns 3 to 8: units, quotation, taxes, volume, transaction result (percent), investment
    // result (percent); an empty cell has no value.
    std::optional<double> units, quotation, taxes, volume, transactionResult, investmentResult;
};

struct InvestRows {
    std::vector<InvestRow> rows;
    // The running figures after the last transaction: units held, break-even, average price.
    double units = 0.0;
    double breakEven = 0.0;
    double averagePrice = 0.0;
};

// The list of the page for the item's transactions (in date order) and its newest quotation
// (close 0 when it has none): a row per transaction with its volume and results, then
// "Break-even", "Hypothetical Sell" while units are held, and "Total" ("(Total)" while units are
// held). `now` is the moment the list is filled; dates after it are shown in parentheses.
// Percentages whose divisor is 0 stay empty; the total's is 0 then.
InvestRows computeInvestRows(std::span<const CTransaction> transactions, const CKurs& lastQuotation,
                             const OleDate& now);

// The nine cell texts of a row: amounts "%4.2lf", volumes "%+4.2lf", results "%+4.2lf%%", all
// grouped; the date "%x", or "(%x)" after now.
std::array<std::string, kInvestColumnCount> investRowTexts(const InvestRow& row);
// One of them (column 0 to 8; empty for any other), for a list that formats a cell only when it
// is shown.
std::string investCellText(const InvestRow& row, int column);

// New: adds `transaction` to the item and, with `mirror` (the option
// AutoCreateCashAccountTransactions) when its units or taxes are not 0, mirrors it into the cash
// account. Returns the new index (-1 without an item) and the warning to show once the document
// is done, when the mirror made the balance negative and lower.
struct InvestNewResult {
    int index = -1;
    std::optional<std::string> warning;
};
InvestNewResult addInvestmentTransaction(CWPapierDoc& doc, ItemPos item, const std::string& itemName,
                                         const CTransaction& transaction, bool mirror);

// Edit (also the Transactions page's edit of an investment transaction): replaces the transaction
// at `index` by `changed` and, with `mirror`, replaces the mirror of `previous` by the mirror of
// `changed`. Returns the warning to show when the balance turned negative.
std::optional<std::string> replaceInvestmentTransaction(CWPapierDoc& doc, ItemPos item, int index,
                                                        const std::string& itemName, const CTransaction& previous,
                                                        const CTransaction& changed, bool mirror);
