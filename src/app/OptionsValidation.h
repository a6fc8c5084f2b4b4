#pragma once
// The program options as the three pages of the options sheet hold them (General, Connection,
// Advanced), the copy between them and the application's options, and the checks of what the
// user typed into the number fields, in the order the pages exchange their values. No widgets:
// the pages show and read these values.

#include "platform/OleDate.h"

#include <optional>
#include <string>
#include <string_view>

class CWPapierApp;

// The pages and the controls whose values are checked.
inline constexpr unsigned IDD_OPT_GENERAL = 107;
inline constexpr unsigned IDD_OPT_CONNECTION = 30736;
inline constexpr unsigned IDD_OPT_ADVANCED = 30737;
inline constexpr unsigned IDC_OPT_NUMBER_DOWNLOADS = 1132;
inline constexpr unsigned IDC_OPT_UPDATE_INTERVAL = 1084;
inline constexpr unsigned IDC_OPT_PROXY_PORT = 1173;

inline constexpr const char* kEnterIntegerText = "Please enter an integer.";
inline constexpr const char* kEnterIntegerBetweenText = "Please enter an integer between %1 and %2.";

// A whole number field with its allowed range.
struct IntegerRange {
    unsigned control;
    int min;
    int max;
};
inline constexpr IntegerRange kNumberDownloadsRange{IDC_OPT_NUMBER_DOWNLOADS, 1, 500};
inline constexpr IntegerRange kUpdateIntervalRange{IDC_OPT_UPDATE_INTERVAL, 5, 500};

// "Please enter an integer between <min> and <max>."
std::string enterIntegerBetweenText(int min, int max);

// A whole number as typed: blanks around it allowed, an optional sign, decimal digits, within
// the range of int; nothing for any other text.
std::optional<int> parseIntegerEntry(std::string_view text);

// A value the page refuses: the control that keeps the focus and the message the user is shown.
struct EntryRefusal {
    unsigned control = 0;
    std::string message;
    bool operator==(const EntryRefusal&) const = default;
};

// The pages' members, each page in its exchange order.
struct OptionsPageValues {
    // General
    int NumberDownloads = 0;
    int DownloadStatus = 0;
    int ShowFileOnError = 0;
    int Autoupdate = 0;
    int Autoupdate_Time = 0;
    OleDate startTime; // 1 January 2000 at Hour1:Minute1:00
    OleDate endTime;   // 1 January 2000 at Hour2:Minute2:00
    int UpdateIntervall = 0;
    int DisableIntraday = 0;
    // Connection
    int proxyChoice = 0; // 0 the system's proxy settings, 1 the address and port below
    std::string ProxyAddress;
    int ProxyPort = 0;
    // Advanced
    int CheckUpToDate = 0;
    int AutosaveWindows = 0;
    int AutosaveOnExit = 0;
    int ZipFile = 0;
    int AutoCreateCashAccountTransactions = 0;
    int AutoSaveAfterAutoUpdate = 0;
};

// The application's options as the pages show them (proxy choice = 1 - StandardProxy).
OptionsPageValues optionsPageValues(const CWPapierApp& app);
// The pages' values back into the application's options after OK: a time that does not convert
// gives -1 for its hour and minute; StandardProxy = 1 - proxy choice. Saving the options and the
// timer are the caller's.
void applyOptionsPageValues(const OptionsPageValues& pages, CWPapierApp& app);

// The time of day a time field shows: 1 January 2000 at hour:minute:00 (invalid when they do not
// make a time).
OleDate optionsTimeOfDay(int hour, int minute);

// The General page's two number fields as typed, read in exchange order (1132, then 1084) into
// `values`: the first refused one stops the reading, with "Please enter an integer." for a text
// that is no whole number and the range message for one outside its range.
std::optional<EntryRefusal> readGeneralPageNumbers(std::string_view numberDownloads, std::string_view updateIntervall,
                                                   OptionsPageValues& values);
// The Connection page's port as typed: any whole number is stored as entered (no range).
std::optional<EntryRefusal> readProxyPort(std::string_view port, OptionsPageValues& values);

// What the General page enables: "Only between" and the interval with automatic updates on; the
// two times only when "Only between" is ticked too.
struct GeneralPageEnabling {
    bool onlyBetween = false;
    bool interval = false;
    bool times = false;
};
GeneralPageEnabling generalPageEnabling(bool autoupdate, bool onlyBetween);

// The update timer after OK: the interval with automatic updates on, else 0 (stopped).
int updateTimerMinutes(const CWPapierApp& app);
