#include "log/NumberFormat.h"

#include "platform/TextCodec.h"

#include <clocale>
#include <langinfo.h>
#include <locale.h>
#include <memory>
#include <mutex>
#include <optional>

namespace {

// The locale read at start-up, with its separators.
struct GroupingLocale {
    locale_t locale = nullptr;
    NumberSeparators separators;

    GroupingLocale() = default;
    GroupingLocale(const GroupingLocale&) = delete;
    GroupingLocale& operator=(const GroupingLocale&) = delete;
    ~GroupingLocale() {
        if (locale)
            freelocale(locale);
    }
};

std::mutex g_mutex;
std::shared_ptr<const GroupingLocale> g_locale;

std::shared_ptr<const GroupingLocale> readLocale(const char* name, bool& found) {
    auto result = std::make_shared<GroupingLocale>();
    result->locale = newlocale(LC_ALL_MASK, name ? name : "", nullptr);
    found = result->locale != nullptr;
    if (!found)
        result->locale = newlocale(LC_ALL_MASK, "C", nullptr);
    // Without any locale object, the C locale's separators.
    const char* decimalPoint = result->locale ? nl_langinfo_l(RADIXCHAR, result->locale) : ".";
    const char* thousandsSeparator = result->locale ? nl_langinfo_l(THOUSEP, result->locale) : "";
    result->separators = NumberSeparators{decimalPoint, thousandsSeparator};
    return result;
}

std::shared_ptr<const GroupingLocale> currentLocale() {
    std::lock_guard lock(g_mutex);
    if (!g_locale) {
        bool found = false;
        g_locale = readLocale("", found);
    }
    return g_locale;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The parts of a format with one double conversion: literal text before and
// after (with "%%" already reduced) and the conversion itself.
struct FormatParts {
    std::string prefix;
    std::string conversion;
    std::string suffix;
};

std::optional<FormatParts> splitFormat(const char* format) {
    if (!format)
        return std::nullopt;
    FormatParts parts;
    std::string* literal = &parts.prefix;
    for (const char* p = format; *p;) {
        if (*p != '%') {
            *literal += *p++;
            continue;
        }
        if (p[1] == '%') {
            *literal += '%';
            p += 2;
            continue;
        }
        if (!parts.conversion.empty())
            return std::nullopt; // a second conversion
        const char* start = p++;
        while (*p && std::string_view("-+ #0'").find(*p) != std::string_view::npos)
            ++p;
        while (isDigit(*p))
            ++p;
        if (*p == '.') {
            ++p;
            while (isDigit(*p))
                ++p;
        }
        // "l" is valid and means nothing for a double; "L" (long double), "h" and "ll" are refused.
        if (*p == 'l' && p[1] != 'l')
            ++p;
        if (!*p || std::string_view("aAeEfFgG").find(*p) == std::string_view::npos)
            return std::nullopt; // not a conversion for one double
        ++p;
        parts.conversion.assign(start, p);
        literal = &parts.suffix;
    }
    if (parts.conversion.empty())
        return std::nullopt;
    return parts;
}

std::string formatInLocale(const std::string& conversion, double value, locale_t locale) {
    // uselocale affects only this thread, so other threads and the global locale are left alone.
    const locale_t previous = locale ? uselocale(locale) : nullptr;
    std::string text = textcodec::formatText(conversion.c_str(), value);
    if (previous)
        uselocale(previous);
    return text;
}

} // namespace

bool initNumberGrouping(const char* localeName) {
    bool found = false;
    auto locale = readLocale(localeName, found);
    std::lock_guard lock(g_mutex);
    g_locale = std::move(locale);
    return found;
}

NumberSeparators numberSeparators() {
    return currentLocale()->separators;
}

std::string groupDigits(std::string text, std::string_view separator) {
    if (separator.empty())
        return text;
    std::size_t first = 0;
    while (first < text.size() && !isDigit(text[first]))
        ++first;
    std::size_t end = first;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    // From the right, so an insertion never moves the positions still to come.
    for (std::size_t n = end; n >= first + 4; n -= 3)
        text.insert(n - 3, separator);
    return text;
}

std::string FormatNumberGrouped(const char* format, double value) {
    const auto parts = splitFormat(format);
    if (!parts)
        return {};
    const auto locale = currentLocale();
    std::string number = formatInLocale(parts->conversion, value, locale->locale);
    return parts->prefix + groupDigits(std::move(number), locale->separators.thousandsSeparator) + parts->suffix;
}
