#pragma once
// What the transaction dialogs compute without their widgets: the investment dialog
// (CTransactionDlg), the cash-account dialog (CAccountTransactionDlg) and the formula dialog
// (CDlgTransactionMathExpr). Totals and their texts, amounts read as the user writes them, the
// formulas of the number fields, the defaults a change of type puts into the fields, the time and
// end date that follow a change of the date, the recurrence list, and the values the openers hand
// to the dialogs and take back.

#include "log/NumberFormat.h"
#include "platform/OleDate.h"
#include "portfolio/Transaction.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// ---------------------------------------------------------------- amounts the user types

// Reads an amount written in the user's locale: blanks around it, an optional sign, digits with
// the locale's thousands separator between groups of three ("1,234,567" in en_US; a separator is
// optional, but where one is written every group after the first has three digits), the locale's
// decimal point with further digits, an optional exponent. Nothing when `text` holds anything
// else. The separators are those FormatNumberGrouped uses, so a shown amount reads back.
std::optional<double> readGroupedNumber(std::string_view text);
std::optional<double> readGroupedNumber(std::string_view text, const NumberSeparators& separators);
// The amount at the start of `text`, read the same way; the rest is ignored; 0 when the text does
// not start with one (the standard text-to-double rule of the number fields).
double leadingGroupedNumber(std::string_view text);
double leadingGroupedNumber(std::string_view text, const NumberSeparators& separators);

// ---------------------------------------------------------------- totals

// The cash effect the investment dialog shows: buy -(units x quotation) - taxes, sell and
// dividends units x quotation - taxes, any other type 0.
double investmentTransactionTotal(int type, double units, double quotation, double taxes);
// The cash-account dialog's: credit and interests amount - taxes, debit -amount - taxes, any other
// type 0.
double accountTransactionTotal(int type, double amount, double taxes);
// The total as control 1115 shows it: "%+4.2lf", grouped.
std::string transactionTotalText(double total);
// A number field's text: "%.4lf", grouped.
std::string transactionFieldText(double value);

// ---------------------------------------------------------------- formulas of the number fields

// The values of the formula letters u (units or amount), q (quotation or dividend) and t (taxes
// and commission). A letter without a value (q in the cash-account dialog) stays a letter, which
// the formula engine does not know.
struct FormulaVariables {
    std::optional<double> u;
    std::optional<double> q;
    std::optional<double> t;
};

// The variables as the three fields hold them: each field's amount, its leading amount when the
// text is not an amount, 0 without one.
FormulaVariables formulaVariablesFromFields(std::string_view units, std::string_view quotation, std::string_view taxes);
// The cash-account dialog's: u the amount, t the taxes, no q.
FormulaVariables formulaVariablesFromFields(std::string_view amount, std::string_view taxes);

// `formula` with every free-standing u, q and t (either case; no letter, digit or '_' on either
// side) replaced by its value, written so the formula engine reads it whatever the locale:
// "sqrt(q)" keeps its t, "u*q" becomes "10*25", a negative value goes in parentheses.
std::string substituteFormulaVariables(std::string_view formula, const FormulaVariables& variables);

// The value of a text typed into a number field or the formula dialog: an amount as
// readGroupedNumber reads it, else the formula engine's value of the text with the letters
// substituted (variable "X" at 0). Nothing for an empty text, a text that does not parse, or a
// value that is not finite.
std::optional<double> evaluateNumberOrFormula(std::string_view text, const FormulaVariables& variables);

// What a number field does when it loses the focus: a text that is not an amount is evaluated as
// a formula; the new number of the field, or nothing when nothing changes (an amount, an empty
// text, a formula that does not evaluate). The dialog then writes all its fields again with
// transactionFieldText.
std::optional<double> evaluateFieldOnFocusOut(std::string_view text, const FormulaVariables& variables);

// The formula dialog's result field for the formula text: "%.4lf" of its value, "" when it has
// none. The three variables are the texts the dialog was opened with.
std::string mathExprResultText(std::string_view expression, std::string_view u, std::string_view q, std::string_view t);

// ---------------------------------------------------------------- type, recurrence, title

// What a change of the type puts into the number fields of the investment dialog (a field without
// a text keeps its own) and the label of field 1109.
struct TypeDefaults {
    std::optional<std::string> units;
    std::optional<std::string> quotation;
    const char* quotationLabel = nullptr;
};
// Buy: units "0", the quotation default; Sell: the held units and the quotation default;
// Dividends/Interests: the held units and "0".
TypeDefaults investmentTypeDefaults(int type, double defaultUnits, double defaultQuotation);
// The cash-account dialog's amount after a change of the type: "0" for Credit (entry 0), the
// balance for Debit (entry 1).
std::string accountTypeDefaultAmount(int typeIndex, double balance);

// The entries of the two type lists.
inline constexpr std::array<const char*, 3> kInvestmentTypeNames = {"Buy", "Sell", "Dividends/Interests"};
inline constexpr std::array<const char*, 2> kAccountTypeNames = {"Credit", "Debit"};
// The entry selected for a type: the investment dialog's type itself, -1 (none) for another
// value; the cash-account dialog shows interests (and any unknown type) as Credit.
int investmentTypeIndex(int type);
int accountTypeIndex(int type);
// "Quotation:" for buy and sell, "Dividends/Interests:" otherwise.
const char* quotationLabelForType(int type);
// "Transaction [<name>]".
std::string transactionDlgTitle(std::string_view itemName);

// The entries of the interval list, and the mapping between entries and months: 1, 3, 6 months
// are the entries 0, 1, 2; every other number (0 and 12 among them) shows "Yearly", and every
// other entry stores 12.
inline constexpr std::array<const char*, 4> kRecurrenceNames = {"Monthly", "every 3 Months", "every 6 Months",
                                                                "Yearly"};
int recurrenceIndexForMonths(int months);
int recurrenceMonthsForIndex(int index);

// ---------------------------------------------------------------- dates

// The date and time the pickers hold after the user chose `chosen` as the date: a day before
// today at 20:00:00, today at the current hour (minutes and seconds 0), a later day at 20:00:00.
OleDate timeForChosenDate(const OleDate& chosen, const OleDate& now);
// The end date that follows: the same month and day five years on, at 23:59:59; nothing when that
// day does not exist (29 February), the end-date picker then keeps its value.
std::optional<OleDate> untilForChosenDate(const OleDate& chosen);
// The end date a new transaction opens with: five years after `now` as above, on 28 February when
// `now` is 29 February, so the picker always gets a real date.
OleDate newTransactionUntil(const OleDate& now);
// The transaction's date: year, month and day of `date` with hour, minute and second of `time`.
OleDate joinDateAndTime(const OleDate& date, const OleDate& time);

// ---------------------------------------------------------------- what the openers hand over

// The members the openers set before the dialog runs and read after OK. In the cash-account
// dialog `units` is the amount and `quotation` is not used.
struct TransactionDlgValues {
    int type = CTransaction::kBuy;
    std::string note;
    OleDate date; // its day is used
    OleDate time; // its time of day is used
    double units = 0.0;
    double quotation = 0.0;
    double taxes = 0.0;
    bool recurrence = false;
    int recurrenceMonths = CTransaction::kRecurrenceYearly;
    bool until = false;
    OleDate untilDate;
};

// A new transaction: type 0, now, no units, the quotation given (0 for the cash account), no
// taxes, no recurrence with 12 months preselected, no end (end date newTransactionUntil).
TransactionDlgValues newTransactionValues(const OleDate& now, double quotation);
// An existing transaction: its fields; "Recurrence" ticked when it recurs, its months or 12.
TransactionDlgValues transactionDlgValues(const CTransaction& transaction);
// The transaction after OK: the joined date, the recurrence months only while "Recurrence" is
// ticked. For the cash account the quotation is 0.
CTransaction transactionFromDlgValues(const TransactionDlgValues& values, bool cashAccount);
