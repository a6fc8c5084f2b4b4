#pragma once
// What the three transaction lists (Investment, Statement and Transactions pages) share: the row
// images, the date texts, the column widths kept in the settings, and the warning after a mirrored
// investment transaction turned the cash account's balance negative.

#include "platform/OleDate.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class SettingsStore;

// ---------------------------------------------------------------- row images

// Images of the strip of bitmap 179 (16 x 16, mask colour RGB(0,255,0)): a transaction row shows
// kind x 2, plus 1 without recurrence (so recurring rows show the images marked "R").
inline constexpr int kImageBreakEven = 7;
inline constexpr int kImageHypotheticalSell = 8;
inline constexpr int kImageSum = 9;
int transactionRowImage(int kind, int recurrenceMonths);

// ---------------------------------------------------------------- dates

// Whether `date` lies after `now`; dates within half a second count as equal.
bool dateAfterNow(const OleDate& date, const OleDate& now);
// A list's date texts: the short date "%x" (Investment page) or "%x   %H:%M:%S" (three blanks;
// Statement and Transactions pages), in parentheses when the date lies after now.
std::string transactionDateText(const OleDate& date, bool afterNow);
std::string transactionDateTimeText(const OleDate& date, bool afterNow);

// ---------------------------------------------------------------- column widths

// The lists' widths are read from the value "Columns" of a section per list and never written.
inline constexpr const char* kColumnsEntry = "Columns";
inline constexpr const char* kInvestColumnsSection = "TransactionDialog";
inline constexpr const char* kAccountColumnsSection = "AccountDialog";
inline constexpr const char* kGlobalColumnsSection = "GlobalTransactionsDialog";
inline constexpr std::array<int, 9> kInvestColumnWidths = {80, 70, 40, 50, 70, 50, 75, 75, 80};
inline constexpr std::array<int, 5> kAccountColumnWidths = {80, 120, 150, 70, 100};
inline constexpr std::array<int, 5> kGlobalColumnWidths = {80, 120, 140, 140, 100};
// A width above this is taken for a damaged value.
inline constexpr int kMaxColumnWidth = 2000;

// The widths a "Columns" text gives: its first 255 characters split at commas, one decimal width
// per column in order. A width that is missing, unreadable, negative or above kMaxColumnWidth is
// that column's default; the others stand. Widths beyond the columns are ignored.
std::vector<int> parseColumnWidths(std::string_view text, std::span<const int> defaults);
// The same from the settings (`section`\"Columns"); the defaults when the value is missing.
std::vector<int> readColumnWidths(const SettingsStore& store, const char* section, std::span<const int> defaults);

// Texts as wide as the widest a list shows, so that its columns can be made wide enough: the
// kind names of investment or cash-account transactions, a date after now in either date form,
// and a large amount in `format`.
std::vector<std::string> transactionKindNames(bool cashAccount);
std::string widestDateText(bool withTime);
std::string widestAmountText(const char* format);

// ---------------------------------------------------------------- balance warnings

// After a new investment transaction was mirrored: the warning when the balance is negative and
// fell (balance1 < 0 and balance1 < balance0), filled with balance1.
std::optional<std::string> balanceWarningAfterNew(double balance0, double balance1);
// After a changed one: the warning when the balance turned negative (balance1 < 0 and balance0 >= 0).
std::optional<std::string> balanceWarningAfterEdit(double balance0, double balance1);
