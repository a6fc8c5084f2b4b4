#include "formula/MathString.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace formula_text {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

static bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// True when the "(" at the start of the text is closed by the ")" at its end.
static bool enclosedByParentheses(std::string_view text) {
    if (text.size() < 2 || text.front() != '(' || text.back() != ')')
        return false;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(')
            ++depth;
        else if (text[i] == ')')
            --depth;
        if (depth <= 0 && i + 1 < text.size())
            return false;
    }
    return depth == 0;
}

std::string_view stripEnclosing(std::string_view text) {
    while (enclosedByParentheses(text))
        text = text.substr(1, text.size() - 2);
    return text;
}

bool startsWithFunctionName(std::string_view text, std::string_view name) {
    return !name.empty() && text.size() > name.size() && iequals(text.substr(0, name.size()), name) &&
           (text[name.size()] == '(' || text[name.size()] == ' ');
}

std::size_t scanNumber(std::string_view t) {
    std::size_t i = 0;
    const std::size_t n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < n && isDigit(t[i])) {
        ++i;
        ++digits;
    }
    if (i < n && (t[i] == '.' || t[i] == ',')) {
        ++i;
        while (i < n && isDigit(t[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < n && (t[j] == '+' || t[j] == '-'))
            ++j;
        std::size_t expDigits = 0;
        while (j < n && isDigit(t[j])) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            i = j;
    }
    return i;
}

// For a literal that does not fit a double: +-infinity when its magnitude is too large,
// +-0 when it is too small. The decimal exponent of the leading digit decides.
static double outOfRange(std::string_view lit, bool negative) {
    long long exponent10 = 0;
    bool seenNonZero = false, afterPoint = false;
    std::size_t i = (!lit.empty() && (lit[0] == '+' || lit[0] == '-')) ? 1 : 0;
    for (; i < lit.size() && lit[i] != 'e' && lit[i] != 'E'; ++i) {
        const char c = lit[i];
        if (c == '.' || c == ',') {
            afterPoint = true;
        } else if (!seenNonZero) {
            if (c != '0')
                seenNonZero = true;
            else if (afterPoint)
                --exponent10;
            if (seenNonZero && !afterPoint)
                ++exponent10;
        } else if (!afterPoint) {
            ++exponent10;
        }
    }
    if (i < lit.size()) {
        ++i;
        bool expNegative = false;
        if (i < lit.size() && (lit[i] == '+' || lit[i] == '-'))
            expNegative = lit[i++] == '-';
        long long e = 0;
        for (; i < lit.size(); ++i)
            e = std::min<long long>(e * 10 + (lit[i] - '0'), 1000000000LL);
        exponent10 += expNegative ? -e : e;
    }
    const double magnitude = (seenNonZero && exponent10 > 0) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

double convertNumber(std::string_view lit) {
    bool negative = false;
    std::string_view body = lit;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    std::array<char, 64> small{};
    std::string large;
    char* first = small.data();
    if (body.size() > small.size()) {
        large.assign(body);
        first = large.data();
    } else {
        std::copy(body.begin(), body.end(), first);
    }
    char* last = first + body.size();
    std::replace(first, last, ',', '.');
    double value = 0;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        return outOfRange(lit, negative);
    return negative ? -value : value;
}

} // namespace formula_text

using namespace formula_text;

namespace {

const NamedConstant kNamedConstants[] = {
    {"M_E", 2.718281828459045},      {"M_LOG2E", 1.4426950408889634},    {"M_LOG10E", 0.4342944819032518},
    {"M_LN2", 0.6931471805599453},   {"M_LN10", 2.302585092994046},      {"M_PI_2", 1.5707963267948966},
    {"M_PI_4", 0.7853981633974483},  {"M_PI", 3.141592653589793},        {"M_1_PI", 0.3183098861837907},
    {"M_2_PI", 0.6366197723675814},  {"M_1_SQRTPI", 0.5641895835477563}, {"M_2_SQRTPI", 1.1283791670955126},
    {"M_SQRT2", 1.4142135623730951}, {"M_SQRT_2", 0.7071067811865476},   {"PI", 3.141592653589793},
};

std::size_t skipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

} // namespace

const NamedConstant* findNamedConstant(std::string_view text) {
    for (const auto& constant : kNamedConstants)
        if (iequals(text, constant.name))
            return &constant;
    return nullptr;
}

CMathString::CMathString(double value, int precision) {
    if (precision < 0)
        precision = 6; // as printf treats a negative precision
    precision = std::min(precision, 40);
    std::array<char, 128> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, precision);
    for (char* p = buffer.data(); p != result.ptr; ++p)
        if (*p >= 'a' && *p <= 'z')
            *p = static_cast<char>(*p - 'a' + 'A');
    assign(buffer.data(), result.ptr);
}

bool CMathString::IsNumber(std::string_view text) {
    if (findNamedConstant(trim(text)))
        return true;
    if (text.empty())
        return true;
    const std::string_view rest = text.substr(skipBlanks(text));
    const std::size_t length = scanNumber(rest);
    return length > 0 && length == rest.size();
}

double CMathString::GetNumber(std::string_view text) {
    if (const NamedConstant* constant = findNamedConstant(trim(text)))
        return constant->value;
    const std::string_view rest = text.substr(skipBlanks(text));
    const std::size_t length = scanNumber(rest);
    return length > 0 ? convertNumber(rest.substr(0, length)) : 0.0;
}

bool readFormulaNumber(std::string_view text, double& value) {
    text = trim(text);
    if (text.empty())
        return false;
    if (const NamedConstant* constant = findNamedConstant(text)) {
        value = constant->value;
        return true;
    }
    if (scanNumber(text) != text.size())
        return false;
    value = convertNumber(text);
    return true;
}

bool MatchFunctionOfNumber(std::string& text, std::string_view name) {
    if (!startsWithFunctionName(text, name))
        return false;
    std::string_view argument = std::string_view(text).substr(name.size() + 1);
    if (text[name.size()] == '(') {
        if (text.back() != ')')
            return false;
        argument.remove_suffix(1);
    }
    if (!CMathString::IsNumber(argument))
        return false;
    text = std::string(argument);
    return true;
}

bool MatchFunctionOfVariable(std::string_view text, std::string_view name, std::string_view variable) {
    return startsWithFunctionName(text, name) && IsVariable(text.substr(name.size()), variable);
}

bool MatchFunctionName(std::string& text, std::string_view name) {
    if (!startsWithFunctionName(text, name))
        return false;
    int depth = 0;
    for (std::size_t i = name.size(); i < text.size(); ++i) {
        if (text[i] == '(')
            ++depth;
        else if (text[i] == ')')
            --depth;
        if (depth == 0 && i + 1 < text.size())
            return false;
    }
    if (depth != 0)
        return false;
    text.erase(0, name.size());
    return true;
}

bool IsVariable(std::string_view text, std::string_view variable) {
    text = stripEnclosing(text);
    while (!text.empty() && (text.front() == '+' || text.front() == ' '))
        text.remove_prefix(1);
    return iequals(text, variable);
}

void StripEnclosingParentheses(std::string& text) {
    const std::string_view inner = stripEnclosing(text);
    if (inner.size() != text.size())
        text = std::string(inner);
}

int ReplaceAll(std::string& text, std::string_view find, std::string_view replacement) {
    if (find.empty())
        return 0;
    int count = 0;
    std::size_t position = text.find(find);
    while (position != std::string::npos) {
        text.replace(position, find.size(), replacement);
        ++count;
        position = text.find(find, position + replacement.size());
    }
    return count;
}

void ReplaceAt(std::string& text, int position, int length, std::string_view replacement) {
    const std::size_t size = text.size();
    const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(std::max(position, 0)), size);
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(std::max(length, 0)), size - at);
    text.replace(at, count, replacement);
}
