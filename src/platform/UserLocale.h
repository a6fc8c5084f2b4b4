#pragma once
// The user's country, for choices that depend on where the user lives (the default server
// configuration of a new item): the territory of the system locale, else the territory named by
// the locale environment variables.

#include <optional>
#include <string>
#include <string_view>

namespace userlocale {

// The territory of a POSIX locale name, as its two upper-case letters: "de_DE.UTF-8@euro" gives
// "DE", "pt_BR" gives "BR". Nothing for "C", "POSIX", an empty name or a name without a
// two-letter territory.
std::optional<std::string> territoryOfLocaleName(std::string_view name);

// The territory named by LC_ALL, else LC_MESSAGES, else LANG: the first of them that names one.
std::optional<std::string> territoryFromEnvironment();

// The two-letter code of the system locale's territory; when that locale names none (the "C"
// locale), territoryFromEnvironment().
std::optional<std::string> userCountry();

} // namespace userlocale
