#pragma once
// Values an item gets where neither the user nor its file record sets them.

#include "portfolio/ServerSettings.h"

#include <string>
#include <string_view>

// The regular expression of an item's own settings before the user writes one (112 characters):
// the symbol, the close, the date as day/month/year and the time as hour:minute, each pair
// separated by a run of blanks, quotes, semicolons, commas, tabs and line breaks.
inline constexpr std::string_view kDefaultItemRegExp =
    R"([&symbol][ "';, \t\r\n]*[&quotation_close][ "';, \t\r\n]*[&day]/[&month]/[&year][ "';, \t\r\n]*[&hour]:[&minute])";
static_assert(kDefaultItemRegExp.size() == 112);

// The capture groups that pattern gives: the close first, then day, month, year, hour and minute.
inline constexpr int kDefaultRegExpQuotationIndex = 1;
inline constexpr int kDefaultRegExpDayIndex = 2;
inline constexpr int kDefaultRegExpMonthIndex = 3;
inline constexpr int kDefaultRegExpYearIndex = 4;
inline constexpr int kDefaultRegExpHourIndex = 5;
inline constexpr int kDefaultRegExpMinuteIndex = 6;

// Puts that pattern and its capture groups into `s`, with the time extraction off (the date
// extraction is left as it is).
inline void setDefaultItemRegExp(ServerSettings& s) {
    s.m_strRegExp = std::string(kDefaultItemRegExp);
    s.m_nRegExpQuotationIndex = kDefaultRegExpQuotationIndex;
    s.m_nRegExpDayIndex = kDefaultRegExpDayIndex;
    s.m_nRegExpMonthIndex = kDefaultRegExpMonthIndex;
    s.m_nRegExpYearIndex = kDefaultRegExpYearIndex;
    s.m_bRegExpExtractTime = 0;
    s.m_nRegExpHourIndex = kDefaultRegExpHourIndex;
    s.m_nRegExpMinuteIndex = kDefaultRegExpMinuteIndex;
}

// Chart colour of items from files that stored none (0x00BBGGRR).
inline constexpr unsigned kDefaultItemColor = 0xAA0000;

// Note of the buy that stands for the units of files written before items had transactions.
inline constexpr std::string_view kAutomaticBuyNote = "automatically created, please check date";
