#include "app/OptionsValidation.h"

#include "app/WPapier.h"

#include <charconv>

namespace {

std::string_view trimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Reads one number field into `value`: a refusal for no whole number or one outside `range`.
std::optional<EntryRefusal> readInRange(std::string_view typed, const IntegerRange& range, int& value) {
    const auto number = parseIntegerEntry(typed);
    if (!number)
        return EntryRefusal{range.control, kEnterIntegerText};
    value = *number;
    if (value < range.min || value > range.max)
        return EntryRefusal{range.control, enterIntegerBetweenText(range.min, range.max)};
    return std::nullopt;
}

} // namespace

std::string enterIntegerBetweenText(int min, int max) {
    std::string text = kEnterIntegerBetweenText;
    text.replace(text.find("%1"), 2, std::to_string(min));
    text.replace(text.find("%2"), 2, std::to_string(max));
    return text;
}

std::optional<int> parseIntegerEntry(std::string_view text) {
    text = trimBlanks(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

OleDate optionsTimeOfDay(int hour, int minute) {
    return OleDate(2000, 1, 1, hour, minute, 0);
}

OptionsPageValues optionsPageValues(const CWPapierApp& app) {
    OptionsPageValues pages;
    pages.NumberDownloads = app.NumberDownloads;
    pages.DownloadStatus = app.DownloadStatus;
    pages.ShowFileOnError = app.ShowFileOnError;
    pages.Autoupdate = app.Autoupdate;
    pages.Autoupdate_Time = app.Autoupdate_Time;
    pages.startTime = optionsTimeOfDay(app.Hour1, app.Minute1);
    pages.endTime = optionsTimeOfDay(app.Hour2, app.Minute2);
    pages.UpdateIntervall = app.UpdateIntervall;
    pages.DisableIntraday = app.DisableIntraday;
    pages.proxyChoice = 1 - app.StandardProxy;
    pages.ProxyAddress = app.ProxyAddress;
    pages.ProxyPort = app.ProxyPort;
    pages.CheckUpToDate = app.CheckUpToDate;
    pages.AutosaveWindows = app.AutosaveWindows;
    pages.AutosaveOnExit = app.AutosaveOnExit;
    pages.ZipFile = app.ZipFile;
    pages.AutoCreateCashAccountTransactions = app.AutoCreateCashAccountTransactions;
    pages.AutoSaveAfterAutoUpdate = app.AutoSaveAfterAutoUpdate;
    return pages;
}

void applyOptionsPageValues(const OptionsPageValues& pages, CWPapierApp& app) {
    app.NumberDownloads = pages.NumberDownloads;
    app.DownloadStatus = pages.DownloadStatus;
    app.ShowFileOnError = pages.ShowFileOnError;
    app.Autoupdate = pages.Autoupdate;
    app.Autoupdate_Time = pages.Autoupdate_Time;
    // GetHour and GetMinute give -1 for a time that is no valid date.
    app.Hour1 = pages.startTime.GetHour();
    app.Minute1 = pages.startTime.GetMinute();
    app.Hour2 = pages.endTime.GetHour();
    app.Minute2 = pages.endTime.GetMinute();
    app.UpdateIntervall = pages.UpdateIntervall;
    app.DisableIntraday = pages.DisableIntraday;
    app.StandardProxy = 1 - pages.proxyChoice;
    app.ProxyAddress = pages.ProxyAddress;
    app.ProxyPort = pages.ProxyPort;
    app.CheckUpToDate = pages.CheckUpToDate;
    app.AutosaveWindows = pages.AutosaveWindows;
    app.AutosaveOnExit = pages.AutosaveOnExit;
    app.ZipFile = pages.ZipFile;
    app.AutoCreateCashAccountTransactions = pages.AutoCreateCashAccountTransactions;
    app.AutoSaveAfterAutoUpdate = pages.AutoSaveAfterAutoUpdate;
}

std::optional<EntryRefusal> readGeneralPageNumbers(std::string_view numberDownloads, std::string_view updateIntervall,
                                                   OptionsPageValues& values) {
    if (auto refused = readInRange(numberDownloads, kNumberDownloadsRange, values.NumberDownloads))
        return refused;
    return readInRange(updateIntervall, kUpdateIntervalRange, values.UpdateIntervall);
}

std::optional<EntryRefusal> readProxyPort(std::string_view port, OptionsPageValues& values) {
    const auto number = parseIntegerEntry(port);
    if (!number)
        return EntryRefusal{IDC_OPT_PROXY_PORT, kEnterIntegerText};
    values.ProxyPort = *number;
    return std::nullopt;
}

GeneralPageEnabling generalPageEnabling(bool autoupdate, bool onlyBetween) {
    return {autoupdate, autoupdate, autoupdate && onlyBetween};
}

int updateTimerMinutes(const CWPapierApp& app) {
    return app.Autoupdate ? app.UpdateIntervall : 0;
}
