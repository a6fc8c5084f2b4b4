#include "retrieval/PlaceHolders.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

namespace {

enum class StepUnit { none, days, hours, minutes };

struct DatePlaceHolder {
    std::string_view token;
    std::uint16_t SystemTime::*field; // the calendar field it shows
    StepUnit unit;
    bool twoDigits; // a number with a leading zero below 10
    int names;      // month-name table, or -1 for the number
};

// The order of one pass; it decides which place holder applies a step back.
constexpr std::array<DatePlaceHolder, 12> kDatePlaceHolders{{
    {"[&d]", &SystemTime::wDay, StepUnit::days, true, -1},
    {"[&dw]", &SystemTime::wDayOfWeek, StepUnit::days, false, -1},
    {"[&m]", &SystemTime::wMonth, StepUnit::none, true, -1},
    {"[&mstr]", &SystemTime::wMonth, StepUnit::none, false, 0},
    {"[&mstr.de]", &SystemTime::wMonth, StepUnit::none, false, 1},
    {"[&mstr.pt]", &SystemTime::wMonth, StepUnit::none, false, 2},
    {"[&mstr_long]", &SystemTime::wMonth, StepUnit::none, false, 3},
    {"[&mstr_long.de]", &SystemTime::wMonth, StepUnit::none, false, 4},
    {"[&mstr_long.pt]", &SystemTime::wMonth, StepUnit::none, false, 5},
    {"[&y]", &SystemTime::wYear, StepUnit::none, false, -1},
    {"[&h]", &SystemTime::wHour, StepUnit::hours, true, -1},
    {"[&min]", &SystemTime::wMinute, StepUnit::minutes, true, -1},
}};

// Month names, January first. Text is UTF-8 here, so "ä" is written as such.
constexpr std::array<std::array<std::string_view, 12>, 6> kMonthNames{{
    {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"},
    {"jan", "feb", "m\xC3\xA4r", "apr", "mai", "jun", "jul", "aug", "sep", "okt", "nov", "dez"},
    {"jan", "fev", "mar", "abr", "mai", "jun", "jul", "ago", "set", "out", "nov", "dez"},
    {"january", "february", "march", "april", "may", "june", "july", "august", "september", "october", "november",
     "december"},
    {"januar", "februar", "m\xC3\xA4rz", "april", "mai", "juni", "juli", "august", "september", "oktober", "november",
     "dezember"},
    {"janeiro", "fevereiro", "marco", "abril", "maio", "junho", "julho", "agosto", "setembro", "outubro", "novembro",
     "dezembro"},
}};

std::string dateValue(const DatePlaceHolder& ph, const OleDate& date) {
    SystemTime st;
    if (date.GetStatus() != OleDate::valid || !date.GetAsSystemTime(st))
        return ph.field == &SystemTime::wDayOfWeek ? "-2" : "-1";
    const int value = st.*ph.field;
    if (ph.names >= 0)
        return std::string(kMonthNames[ph.names][value - 1]);
    return textcodec::formatText(ph.twoDigits ? "%02d" : "%d", value);
}

void stepDateBack(OleDate& date, StepUnit unit, int count) {
    switch (unit) {
    case StepUnit::days:
        date -= OleDateSpan(static_cast<long long>(count), 0, 0, 0);
        break;
    case StepUnit::hours:
        date -= OleDateSpan(0, count, 0, 0);
        break;
    case StepUnit::minutes:
        date -= OleDateSpan(0, 0, count, 0);
        break;
    case StepUnit::none:
        break;
    }
}

// atoi-like: blanks, an optional sign, digits up to the first other character; no digits give 0.
long long readInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value > INT_MAX ? value : value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Characters `start` to `start + count` of UTF-8 text (a stray continuation byte belongs to the
// character before it).
std::string_view characterRange(std::string_view text, long long start, long long count) {
    std::size_t pos = 0;
    for (long long n = 0; n < start && pos < text.size(); ++n)
        for (++pos; pos < text.size() && isContinuationByte(text[pos]); ++pos) {
        }
    std::size_t end = pos;
    for (long long n = 0; n < count && end < text.size(); ++n)
        for (++end; end < text.size() && isContinuationByte(text[end]); ++end) {
        }
    return text.substr(pos, end - pos);
}

// The value of "[&symbol(" inner "]": the symbol part named by inner (the text between).
std::string_view symbolPart(std::string_view symbol, std::string_view inner) {
    const std::size_t comma = inner.find(',');
    if (comma == std::string_view::npos)
        return {};
    const long long start = std::max(0LL, readInteger(inner.substr(0, comma)));
    const long long count = std::max(0LL, readInteger(inner.substr(comma + 1)));
    return characterRange(symbol, start, count);
}

} // namespace

int ExpandDatePlaceHolders(std::string_view src, std::string& dst, OleDate& date, int stepBack) {
    std::string text(src);
    int replacedAny = 0;
    // Passes until one replaces nothing. Every replacement removes one "[&" and the values hold
    // none, so this ends.
    for (bool replaced = true; replaced;) {
        replaced = false;
        for (const auto& ph : kDatePlaceHolders) {
            const std::size_t pos = text.find(ph.token);
            if (pos == std::string::npos)
                continue;
            if (ph.unit != StepUnit::none && stepBack > 0) {
                stepDateBack(date, ph.unit, stepBack);
                stepBack = 0;
            }
            text.replace(pos, ph.token.size(), dateValue(ph, date));
            replaced = true;
            replacedAny = 1;
        }
    }
    dst = std::move(text);
    return replacedAny;
}

int ExpandDatePlaceHoldersNow(std::string_view src, std::string& dst, int stepBack) {
    OleDate now = OleDate::GetCurrentTime();
    return ExpandDatePlaceHolders(src, dst, now, stepBack);
}

std::string EscapeNameSymbolForRegExp(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\\')
            out += '\\';
        else if (c == '^' || c == '$' || c == '(' || c == ')' || c == '[' || c == ']')
            out += '\\';
        out += c;
    }
    return out;
}

namespace {

// One scan from left to right: [&name], [&symbol] and [&symbol(start,count)] get `encode` of the
// value (the part of the symbol is taken before it is encoded); inserted values are not looked at
// again.
template <class Encode>
int replaceNameSymbolWith(std::string_view src, std::string& dst, std::string_view name, std::string_view symbol,
                          Encode encode) {
    constexpr std::string_view kName = "[&name]", kSymbol = "[&symbol]", kSymbolPart = "[&symbol(";
    std::string out;
    out.reserve(src.size() + name.size() + symbol.size());
    int replaced = 0;
    std::size_t i = 0;
    while (i < src.size()) {
        const std::size_t at = src.find("[&", i);
        if (at == std::string_view::npos) {
            out.append(src.substr(i));
            break;
        }
        out.append(src.substr(i, at - i));
        const std::string_view rest = src.substr(at);
        if (rest.starts_with(kName)) {
            out.append(encode(name));
            i = at + kName.size();
            replaced = 1;
        } else if (rest.starts_with(kSymbol)) {
            out.append(encode(symbol));
            i = at + kSymbol.size();
            replaced = 1;
        } else if (const std::size_t close = rest.find(']');
                   rest.starts_with(kSymbolPart) && close != std::string_view::npos) {
            out.append(encode(symbolPart(symbol, rest.substr(kSymbolPart.size(), close - kSymbolPart.size()))));
            i = at + close + 1;
            replaced = 1;
        } else {
            out += '[';
            i = at + 1;
        }
    }
    dst = std::move(out);
    return replaced;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = text[i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != prefix[i])
            return false;
    }
    return true;
}

} // namespace

int ReplaceNameSymbol(std::string_view src, std::string& dst, std::string_view name, std::string_view symbol,
                      bool regexEscape) {
    if (!regexEscape)
        return replaceNameSymbolWith(src, dst, name, symbol, [](std::string_view v) { return v; });
    // The values are escaped before a part of the symbol is taken, as the downloads always did.
    const std::string escapedName = EscapeNameSymbolForRegExp(name);
    const std::string escapedSymbol = EscapeNameSymbolForRegExp(symbol);
    return replaceNameSymbolWith(src, dst, escapedName, escapedSymbol, [](std::string_view v) { return v; });
}

std::string EscapeRegExpMetacharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        switch (c) {
        case '\\':
        case '^':
        case '$':
        case '.':
        case '|':
        case '?':
        case '*':
        case '+':
        case '(':
        case ')':
        case '[':
        case ']':
        case '{':
        case '}':
            out += '\\';
            break;
        default:
            break;
        }
        out += c;
    }
    return out;
}

std::string PercentEncodeUrlText(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                                byte == '~';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

int ReplaceNameSymbolAsLiteral(std::string_view src, std::string& dst, std::string_view name, std::string_view symbol) {
    return replaceNameSymbolWith(src, dst, name, symbol,
                                 [](std::string_view v) { return EscapeRegExpMetacharacters(v); });
}

int ReplaceNameSymbolInUrl(std::string_view src, std::string& dst, std::string_view name, std::string_view symbol) {
    std::string_view trimmed = src;
    while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t'))
        trimmed.remove_prefix(1);
    if (startsWithNoCase(trimmed, "file://"))
        return replaceNameSymbolWith(src, dst, name, symbol, [](std::string_view v) { return v; });
    return replaceNameSymbolWith(src, dst, name, symbol, [](std::string_view v) { return PercentEncodeUrlText(v); });
}
