#include "dialogs/TransactionDlgLogic.h"

#include "dialogs/TransactionIds.h"
#include "formula/Parser.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A byte that may be part of a name in a formula: a letter, a digit, '_' or any byte of a
// multi-byte character.
bool isNameByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return isDigit(c) || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || c == '_' || u >= 0x80;
}

bool digitsAt(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size())
        return false;
    for (std::size_t k = at; k < at + count; ++k)
        if (!isDigit(text[k]))
            return false;
    return true;
}

struct ScannedAmount {
    double value = 0.0;
    std::size_t end = 0; // the byte after the amount
};

// The longest amount at the start of `text` (after blanks), in the locale's writing.
std::optional<ScannedAmount> scanAmount(std::string_view text, const NumberSeparators& separators) {
    const std::string_view thousands = separators.thousandsSeparator;
    const std::string_view point = separators.decimalPoint.empty() ? "." : separators.decimalPoint;
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    std::string ascii; // the same number for from_chars
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            ascii += '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ascii += text[i++];
        ++digits;
    }
    // Groups of three after a first group of one to three digits; a separator that no group
    // follows ends the amount before it.
    if (!thousands.empty() && digits >= 1 && digits <= 3) {
        while (text.substr(i).starts_with(thousands) && digitsAt(text, i + thousands.size(), 3) &&
               !digitsAt(text, i + thousands.size() + 3, 1)) {
            ascii.append(text.substr(i + thousands.size(), 3));
            i += thousands.size() + 3;
            digits += 3;
        }
    }
    if (text.substr(i).starts_with(point)) {
        std::size_t k = i + point.size();
        const std::size_t first = k;
        while (k < text.size() && isDigit(text[k]))
            ++k;
        if (k > first) {
            ascii += '.';
            ascii.append(text.substr(first, k - first));
            digits += k - first;
            i = k;
        } else if (digits > 0) {
            i = k; // "5." is 5
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        std::string exponent = "e";
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) {
            if (text[k] == '-')
                exponent += '-';
            ++k;
        }
        const std::size_t first = k;
        while (k < text.size() && isDigit(text[k]))
            exponent += text[k++];
        if (k > first) {
            ascii += exponent;
            i = k;
        }
    }
    ScannedAmount result;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), result.value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(result.value))
        return std::nullopt;
    result.end = i;
    return result;
}

// A value as the formula engine reads it in any locale; negative values in parentheses, so that
// "u^2" and "q-u" keep their meaning.
std::string formulaNumber(double value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text = error == std::errc() ? std::string(buffer, end) : std::string("0");
    if (!text.empty() && text.front() == '-')
        return "(" + text + ")";
    return text;
}

double fieldAmount(std::string_view text) {
    if (const auto value = readGroupedNumber(text))
        return *value;
    return leadingGroupedNumber(text);
}

} // namespace

// ---------------------------------------------------------------- amounts the user types

std::optional<double> readGroupedNumber(std::string_view text, const NumberSeparators& separators) {
    const auto scanned = scanAmount(text, separators);
    if (!scanned)
        return std::nullopt;
    std::size_t i = scanned->end;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i != text.size())
        return std::nullopt;
    return scanned->value;
}

std::optional<double> readGroupedNumber(std::string_view text) {
    return readGroupedNumber(text, numberSeparators());
}

double leadingGroupedNumber(std::string_view text, const NumberSeparators& separators) {
    const auto scanned = scanAmount(text, separators);
    return scanned ? scanned->value : 0.0;
}

double leadingGroupedNumber(std::string_view text) {
    return leadingGroupedNumber(text, numberSeparators());
}

// ---------------------------------------------------------------- totals

double investmentTransactionTotal(int type, double units, double quotation, double taxes) {
    switch (type) {
    case CTransaction::kBuy:
        return -(units * quotation) - taxes;
    case CTransaction::kSell:
    case CTransaction::kDividend:
        return units * quotation - taxes;
    default:
        return 0.0;
    }
}

double accountTransactionTotal(int type, double amount, double taxes) {
    switch (type) {
    case CTransaction::kBuy:      // credit
    case CTransaction::kDividend: // interests
        return amount - taxes;
    case CTransaction::kSell: // debit
        return -amount - taxes;
    default:
        return 0.0;
    }
}

std::string transactionTotalText(double total) {
    return FormatNumberGrouped("%+4.2lf", total);
}

std::string transactionFieldText(double value) {
    return FormatNumberGrouped("%.4lf", value);
}

// ---------------------------------------------------------------- formulas of the number fields

FormulaVariables formulaVariablesFromFields(std::string_view units, std::string_view quotation,
                                            std::string_view taxes) {
    return FormulaVariables{fieldAmount(units), fieldAmount(quotation), fieldAmount(taxes)};
}

FormulaVariables formulaVariablesFromFields(std::string_view amount, std::string_view taxes) {
    return FormulaVariables{fieldAmount(amount), std::nullopt, fieldAmount(taxes)};
}

std::string substituteFormulaVariables(std::string_view formula, const FormulaVariables& variables) {
    std::string result;
    result.reserve(formula.size() + 16);
    for (std::size_t i = 0; i < formula.size(); ++i) {
        const char c = formula[i];
        const std::optional<double>* value = nullptr;
        switch (c) {
        case 'u':
        case 'U':
            value = &variables.u;
            break;
        case 'q':
        case 'Q':
            value = &variables.q;
            break;
        case 't':
        case 'T':
            value = &variables.t;
            break;
        default:
            break;
        }
        const bool alone =
            (i == 0 || !isNameByte(formula[i - 1])) && (i + 1 == formula.size() || !isNameByte(formula[i + 1]));
        if (value && *value && alone)
            result += formulaNumber(**value);
        else
            result += c;
    }
    return result;
}

std::optional<double> evaluateNumberOrFormula(std::string_view text, const FormulaVariables& variables) {
    if (text.find_first_not_of(" \t") == std::string_view::npos)
        return std::nullopt;
    if (const auto amount = readGroupedNumber(text))
        return amount;
    const FunctionPtr<double> tree = ParseFunction<double>(substituteFormulaVariables(text, variables), "X");
    if (!tree)
        return std::nullopt;
    const double value = tree->Evaluate(0.0);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> evaluateFieldOnFocusOut(std::string_view text, const FormulaVariables& variables) {
    if (readGroupedNumber(text))
        return std::nullopt;
    return evaluateNumberOrFormula(text, variables);
}

std::string mathExprResultText(std::string_view expression, std::string_view u, std::string_view q,
                               std::string_view t) {
    if (expression.empty())
        return {};
    const auto value = evaluateNumberOrFormula(expression, formulaVariablesFromFields(u, q, t));
    return value ? transactionFieldText(*value) : std::string();
}

// ---------------------------------------------------------------- type, recurrence, title

TypeDefaults investmentTypeDefaults(int type, double defaultUnits, double defaultQuotation) {
    TypeDefaults defaults;
    switch (type) {
    case CTransaction::kBuy:
        defaults.units = "0";
        defaults.quotation = transactionFieldText(defaultQuotation);
        break;
    case CTransaction::kSell:
        defaults.units = transactionFieldText(defaultUnits);
        defaults.quotation = transactionFieldText(defaultQuotation);
        break;
    case CTransaction::kDividend:
        defaults.units = transactionFieldText(defaultUnits);
        defaults.quotation = "0";
        break;
    default:
        break;
    }
    defaults.quotationLabel = quotationLabelForType(type);
    return defaults;
}

std::string accountTypeDefaultAmount(int typeIndex, double balance) {
    return typeIndex == 1 ? transactionFieldText(balance) : std::string("0");
}

int investmentTypeIndex(int type) {
    return type >= CTransaction::kBuy && type <= CTransaction::kDividend ? type : -1;
}

int accountTypeIndex(int type) {
    return type == CTransaction::kSell ? 1 : 0;
}

const char* quotationLabelForType(int type) {
    return type == CTransaction::kBuy || type == CTransaction::kSell ? IDS_QUOTATION_LABEL : IDS_DIVIDENDS_LABEL;
}

std::string transactionDlgTitle(std::string_view itemName) {
    return "Transaction [" + std::string(itemName) + "]";
}

int recurrenceIndexForMonths(int months) {
    switch (months) {
    case CTransaction::kRecurrenceMonthly:
        return 0;
    case CTransaction::kRecurrenceQuarterly:
        return 1;
    case CTransaction::kRecurrenceHalfYearly:
        return 2;
    default:
        return 3;
    }
}

int recurrenceMonthsForIndex(int index) {
    switch (index) {
    case 0:
        return CTransaction::kRecurrenceMonthly;
    case 1:
        return CTransaction::kRecurrenceQuarterly;
    case 2:
        return CTransaction::kRecurrenceHalfYearly;
    default:
        return CTransaction::kRecurrenceYearly;
    }
}

// ---------------------------------------------------------------- dates

OleDate timeForChosenDate(const OleDate& chosen, const OleDate& now) {
    const double chosenDay = dayStart(chosen).m_dt;
    const double today = dayStart(now).m_dt;
    const int hour = chosenDay == today ? now.GetHour() : 20;
    return OleDate(chosen.GetYear(), chosen.GetMonth(), chosen.GetDay(), hour, 0, 0);
}

std::optional<OleDate> untilForChosenDate(const OleDate& chosen) {
    const OleDate until(chosen.GetYear() + 5, chosen.GetMonth(), chosen.GetDay(), 23, 59, 59);
    if (chosen.GetStatus() != OleDate::valid || until.GetStatus() != OleDate::valid)
        return std::nullopt;
    return until;
}

OleDate newTransactionUntil(const OleDate& now) {
    if (const auto until = untilForChosenDate(now))
        return *until;
    return OleDate(now.GetYear() + 5, now.GetMonth(), 28, 23, 59, 59);
}

OleDate joinDateAndTime(const OleDate& date, const OleDate& time) {
    return OleDate(date.GetYear(), date.GetMonth(), date.GetDay(), time.GetHour(), time.GetMinute(), time.GetSecond());
}

// ---------------------------------------------------------------- what the openers hand over

TransactionDlgValues newTransactionValues(const OleDate& now, double quotation) {
    TransactionDlgValues values;
    values.date = now;
    values.time = now;
    values.quotation = quotation;
    values.untilDate = newTransactionUntil(now);
    return values;
}

TransactionDlgValues transactionDlgValues(const CTransaction& transaction) {
    TransactionDlgValues values;
    values.type = transaction.m_nType;
    values.note = transaction.m_strNote;
    values.date = transaction.m_dtDate;
    values.time = transaction.m_dtDate;
    values.units = transaction.m_dUnits;
    values.quotation = transaction.m_dQuotation;
    values.taxes = transaction.m_dTaxes;
    values.recurrence = transaction.m_nRecurrence != CTransaction::kRecurrenceNone;
    values.recurrenceMonths = values.recurrence ? transaction.m_nRecurrence : CTransaction::kRecurrenceYearly;
    values.until = transaction.m_bUntil;
    values.untilDate = transaction.m_dtUntil;
    return values;
}

CTransaction transactionFromDlgValues(const TransactionDlgValues& values, bool cashAccount) {
    return CTransaction(values.type, joinDateAndTime(values.date, values.time), values.units,
                        cashAccount ? 0.0 : values.quotation, values.taxes,
                        values.recurrence ? values.recurrenceMonths : CTransaction::kRecurrenceNone, values.until,
                        values.untilDate, values.note);
}
