#include "platform/UserLocale.h"

#include <QLocale>
#include <QString>

#include <cstdlib>

namespace userlocale {

namespace {

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::optional<std::string> territoryOfLocaleName(std::string_view name) {
    // language[_territory][.codeset][@modifier]
    name = name.substr(0, name.find_first_of(".@"));
    const std::size_t underscore = name.find('_');
    if (underscore == std::string_view::npos)
        return std::nullopt;
    const std::string_view territory = name.substr(underscore + 1);
    if (territory.size() != 2 || !isAsciiLetter(territory[0]) || !isAsciiLetter(territory[1]))
        return std::nullopt;
    return std::string{upper(territory[0]), upper(territory[1])};
}

std::optional<std::string> territoryFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value)
            continue;
        if (auto territory = territoryOfLocaleName(value))
            return territory;
    }
    return std::nullopt;
}

std::optional<std::string> userCountry() {
    const QLocale system = QLocale::system();
    if (system.territory() != QLocale::AnyTerritory) {
        const std::string code = QLocale::territoryToCode(system.territory()).toStdString();
        if (code.size() == 2)
            return code;
    }
    return territoryFromEnvironment();
}

} // namespace userlocale
