#include "dialogs/TransactionListCommon.h"

#include "dialogs/TransactionIds.h"
#include "framework/StringTable.h"
#include "log/NumberFormat.h"
#include "platform/Settings.h"
#include "platform/TextCodec.h"
#include "portfolio/Transaction.h"

#include <charconv>
#include <system_error>

int transactionRowImage(int kind, int recurrenceMonths) {
    return kind * 2 + (recurrenceMonths == CTransaction::kRecurrenceNone ? 1 : 0);
}

bool dateAfterNow(const OleDate& date, const OleDate& now) {
    return dateLater(date, now) && !datesEqual(date, now);
}

namespace {

std::string inParentheses(std::string text, bool wanted) {
    return wanted ? "(" + text + ")" : text;
}

// One width of a "Columns" text: decimal digits with blanks around them and an optional '+'.
std::optional<int> readWidth(std::string_view piece) {
    const std::size_t first = piece.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    const std::size_t last = piece.find_last_not_of(" \t");
    piece = piece.substr(first, last - first + 1);
    if (piece.front() == '+')
        piece.remove_prefix(1);
    int width = 0;
    const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), width);
    if (piece.empty() || piece.front() == '-' || error != std::errc() || end != piece.data() + piece.size())
        return std::nullopt;
    return width;
}

} // namespace

std::string transactionDateText(const OleDate& date, bool afterNow) {
    return inParentheses(date.Format("%x"), afterNow);
}

std::string transactionDateTimeText(const OleDate& date, bool afterNow) {
    return inParentheses(date.Format("%x   %H:%M:%S"), afterNow);
}

std::vector<std::string> transactionKindNames(bool cashAccount) {
    std::vector<std::string> names;
    for (const int kind : {CTransaction::kBuy, CTransaction::kSell, CTransaction::kDividend})
        names.emplace_back(CTransaction::typeName(kind, cashAccount));
    return names;
}

std::string widestDateText(bool withTime) {
    // Two-digit days and months and a two-digit hour in the afternoon, in parentheses.
    const OleDate date(2024, 12, 28, 20, 48, 58);
    return withTime ? transactionDateTimeText(date, true) : transactionDateText(date, true);
}

std::string widestAmountText(const char* format) {
    return FormatNumberGrouped(format, -88888.88);
}

std::vector<int> parseColumnWidths(std::string_view text, std::span<const int> defaults) {
    std::vector<int> widths(defaults.begin(), defaults.end());
    text = text.substr(0, 255);
    std::size_t column = 0;
    while (column < widths.size()) {
        const std::size_t comma = text.find(',');
        const auto width = readWidth(text.substr(0, comma));
        if (width && *width <= kMaxColumnWidth)
            widths[column] = *width;
        ++column;
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return widths;
}

std::vector<int> readColumnWidths(const SettingsStore& store, const char* section, std::span<const int> defaults) {
    if (!store.hasValue(section, kColumnsEntry))
        return std::vector<int>(defaults.begin(), defaults.end());
    return parseColumnWidths(store.readString(section, kColumnsEntry), defaults);
}

std::optional<std::string> balanceWarningAfterNew(double balance0, double balance1) {
    if (balance1 < 0.0 && balance1 < balance0)
        return textcodec::formatText(LoadString(IDS_NEGATIVE_BALANCE_AFTER_NEW).c_str(), balance1);
    return std::nullopt;
}

std::optional<std::string> balanceWarningAfterEdit(double balance0, double balance1) {
    if (balance1 < 0.0 && balance0 >= 0.0)
        return textcodec::formatText(LoadString(IDS_NEGATIVE_BALANCE_AFTER_EDIT).c_str(), balance1);
    return std::nullopt;
}
