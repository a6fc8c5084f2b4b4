#include "framework/NumberInput.h"

#include "log/NumberFormat.h"

#include <charconv>
#include <climits>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The number at the start of `text` in the plain form from_chars reads ("-1234.5e3"), and how many
// bytes of `text` it took; `integral` when it had neither decimal point nor exponent.
struct Scanned {
    std::string plain;
    std::size_t used = 0;
    bool integral = true;
};

std::optional<Scanned> scan(std::string_view text) {
    const NumberSeparators separators = numberSeparators();
    const std::string_view point = separators.decimalPoint.empty() ? std::string_view(".") : separators.decimalPoint;
    const std::string_view thousands = separators.thousandsSeparator;
    Scanned s;
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            s.plain += '-';
        ++i;
    }
    // The whole part: digits, with a separator only before a group of exactly three digits.
    std::size_t digits = 0;
    std::size_t group = 0;
    bool grouped = false;
    while (i < text.size()) {
        if (isDigit(text[i])) {
            s.plain += text[i++];
            ++digits;
            ++group;
            continue;
        }
        if (!thousands.empty() && digits > 0 && text.substr(i).starts_with(thousands)) {
            const std::size_t next = i + thousands.size();
            std::size_t run = 0;
            while (next + run < text.size() && isDigit(text[next + run]))
                ++run;
            if (run == 3 && (grouped || group <= 3)) {
                grouped = true;
                group = 0;
                i = next;
                continue;
            }
        }
        break;
    }
    std::size_t fraction = 0;
    if (text.substr(i).starts_with(point)) {
        std::size_t j = i + point.size();
        while (j < text.size() && isDigit(text[j]))
            ++j;
        fraction = j - i - point.size();
        if (digits > 0 || fraction > 0) {
            if (fraction > 0) {
                s.plain += '.';
                s.plain.append(text.substr(i + point.size(), fraction));
            }
            s.integral = false;
            i = j;
        }
    }
    if (digits == 0 && fraction == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        const std::size_t start = j;
        while (j < text.size() && isDigit(text[j]))
            ++j;
        if (j > start) {
            s.plain.append(text.substr(i, j - i));
            s.integral = false;
            i = j;
        }
    }
    s.used = i;
    return s;
}

bool restIsBlank(std::string_view text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i)
        if (!isBlank(text[i]))
            return false;
    return true;
}

std::optional<double> toDouble(const std::string& plain) {
    double value = 0.0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || end != plain.data() + plain.size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> ParseNumberGrouped(std::string_view text) {
    const auto scanned = scan(text);
    if (!scanned || !restIsBlank(text, scanned->used))
        return std::nullopt;
    return toDouble(scanned->plain);
}

std::optional<int> ParseIntegerGrouped(std::string_view text) {
    const auto scanned = scan(text);
    if (!scanned || !scanned->integral || !restIsBlank(text, scanned->used))
        return std::nullopt;
    long long value = 0;
    const std::string& plain = scanned->plain;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || end != plain.data() + plain.size() || value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

double LeadingNumberGrouped(std::string_view text) {
    const auto scanned = scan(text);
    if (!scanned)
        return 0.0;
    return toDouble(scanned->plain).value_or(0.0);
}

std::string FormatNumberForInput(double value, const char* format) {
    return FormatNumberGrouped(format, value);
}
