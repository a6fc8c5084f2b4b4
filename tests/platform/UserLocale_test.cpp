// The user's country from the locale: the territory of a locale name, and the environment
// variables in their order.

#include "platform/UserLocale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets (or, for null, removes) an environment variable for the scope; restores it afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        set(value);
    }
    ~ScopedVariable() { set(m_old ? m_old->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void set(const char* value) {
        if (value)
            setenv(m_name, value, 1);
        else
            unsetenv(m_name);
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(UserLocaleTest, TerritoryOfALocaleName) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"de_DE.UTF-8", "DE"},  {"pt_BR", "BR"},           {"de_AT.UTF-8@euro", "AT"}, {"en_gb.utf8", "GB"},
        {"C", std::nullopt},    {"C.UTF-8", std::nullopt}, {"POSIX", std::nullopt},    {"", std::nullopt},
        {"de", std::nullopt},   {"de_", std::nullopt},     {"es_419", std::nullopt},   {"de_DEU", std::nullopt},
        {"x_1A", std::nullopt},
    };
    for (const auto& [name, territory] : cases)
        EXPECT_EQ(userlocale::territoryOfLocaleName(name), territory) << name;
}

TEST(UserLocaleTest, TheFirstVariableThatNamesATerritory) {
    struct Case {
        const char* all;
        const char* messages;
        const char* lang;
        std::optional<std::string> territory;
    };
    const Case cases[] = {
        {"it_IT.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "IT"},
        {"C.UTF-8", "pt_PT.UTF-8", "fr_FR.UTF-8", "PT"},
        {"", nullptr, "es_ES.UTF-8", "ES"},
        {nullptr, "C", "de_CH.UTF-8", "CH"},
        {"C", "POSIX", "C.UTF-8", std::nullopt},
        {nullptr, nullptr, nullptr, std::nullopt},
    };
    for (const Case& c : cases) {
        const ScopedVariable all("LC_ALL", c.all);
        const ScopedVariable messages("LC_MESSAGES", c.messages);
        const ScopedVariable lang("LANG", c.lang);
        EXPECT_EQ(userlocale::territoryFromEnvironment(), c.territory)
            << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " " << (c.lang ? c.lang : "-");
    }
}

// The tests run in the C locale, which names no territory: the variables decide.
TEST(UserLocaleTest, UserCountryFallsBackToTheVariables) {
    const ScopedVariable all("LC_ALL", "C.UTF-8");
    const ScopedVariable messages("LC_MESSAGES", nullptr);
    {
        const ScopedVariable lang("LANG", "pt_PT.UTF-8");
        EXPECT_EQ(userlocale::userCountry(), std::optional<std::string>("PT"));
    }
    const ScopedVariable lang("LANG", nullptr);
    EXPECT_EQ(userlocale::userCountry(), std::nullopt);
}
