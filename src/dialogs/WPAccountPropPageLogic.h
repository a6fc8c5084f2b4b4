#pragma once
// The Statement page of the cash account (CWPAccountPropPage) without its widgets: the rows of its
// list with the running balance and the total row.

#include "platform/OleDate.h"
#include "portfolio/Transaction.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr int kAccountColumnCount = 5;

struct AccountRow {
    bool total = false;
    int transaction = -1; // index in the page's list; -1 on the total row
    int image = 0;
    std::string label; // "Credit", "Debit", "Interests", "Total"
    OleDate date;
    bool dateAfterNow = false;
    std::string note;
    double volume = 0.0;           // the change of the balance; the balance on the total row
    std::optional<double> balance; // the balance after the row; none on the total row
};

// A row per transaction (in list order; every one counts, whatever its date) with its change of
// the balance (credit and interests amount - taxes, debit -amount - taxes) and the running
// balance, then "Total" with the last date (`now` without transactions) and the balance.
std::vector<AccountRow> computeAccountRows(std::span<const CTransaction> transactions, const OleDate& now);

// The five cell texts: the date "%x   %H:%M:%S" (in parentheses after now), amounts "%4.2lf"
// grouped; the total row's balance column stays empty.
std::array<std::string, kAccountColumnCount> accountRowTexts(const AccountRow& row);
