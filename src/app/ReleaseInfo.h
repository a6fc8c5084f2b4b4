#pragma once
// What the program knows about its own release: the installed release date, the rules and texts
// of the up-to-date check, the status texts of the new-version dialog and the texts of the About
// box. No widgets and no network here: the check itself is UpToDateCheck, the dialogs show these.

#include "platform/OleDate.h"

#include <filesystem>
#include <string>

class SettingsStore;
struct DownloadStatus;

// The release check's log lines carry the application's source name.
inline constexpr const char* kReleaseLogSource = "WPapier.cpp";

// --- installed release -----------------------------------------------------------------------

// The folder of the program's release notes: the program's folder (the help pages lie in
// helpPagesFolder()).
std::filesystem::path programDataFolder();

// The installed release date, always valid: the modification time of "release.txt" in
// `dataFolder`, else that of `programFile`, else 1 January 2006 00:00. Logs which one it took.
void GetInstalledReleaseDate(OleDate& out, const std::filesystem::path& dataFolder,
                             const std::filesystem::path& programFile);

// --- the up-to-date check --------------------------------------------------------------------

// How a check ended.
enum class ReleaseCheckOutcome {
    NotFound,      // the server answered 404
    NoReleaseDate, // the answer had no Last-Modified date that converts
    TransferError, // the request failed (no connection, certificate, time-out, ...)
    UpToDate,      // the server's release is not newer
    NewerRelease,  // a newer release: the new-version dialog with its notes
};

inline constexpr const char* kReleaseNotFoundText = "Up-to-date check error:\nfile not found on server!";
inline constexpr const char* kNoReleaseDateText = "Up-to-date check error:\nCould not retrieve current release date!";
inline constexpr const char* kReleaseCheckErrorPrefix = "Up-to-date check error:\n";
inline constexpr const char* kUpToDateText = "Corvana is up-to-date!  ";

// The box text of an outcome other than NewerRelease; `errorText` is the transfer's error (at
// most 1024 characters of it are shown).
std::string releaseCheckText(ReleaseCheckOutcome outcome, const std::string& errorText);
// The icon of that box: information for UpToDate, exclamation for the errors.
unsigned releaseCheckIcon(ReleaseCheckOutcome outcome);
// Whether the check stores today as `LastUpToDateCheck`: after the up-to-date answer and after the
// new-version dialog, whichever way it ended; never after a failure, so the check is offered again.
bool storesLastUpToDateCheck(ReleaseCheckOutcome outcome);

// The server's release compared with the installed one.
struct ReleaseComparison {
    bool newer = false;
    long long days = 0; // whole days from installed to server (half a second added)
};
// Newer when both dates are valid, the server's is later and at least 2 whole days lie between.
ReleaseComparison compareReleaseDates(const OleDate& installed, const OleDate& server);

// The release notes as the dialog shows them: a text without any CR LF gets CR LF for each LF.
std::string releaseNotesForDisplay(std::string notes);

// --- the new-version dialog ------------------------------------------------------------------

inline constexpr const char* kNewVersionAvailableText = "A new version of Corvana is available for download.";
inline constexpr const char* kDownloadItNowText = "Download it now";
// After the setup download: nothing is run; the user is told where the setup program lies.
inline constexpr const char* kNewVersionDownloadedToText = "A new version of Corvana has been downloaded to:\n%s";

// The dialog's status text after a setup download record; `current` stays where the record
// changes nothing (status 5 to 7, 9 to 11, unknown codes and error details).
std::string newVersionStatusText(const DownloadStatus& record, const std::string& current);

// --- About box -------------------------------------------------------------------------------

inline constexpr const char* kAboutCaption = "About Corvana";
inline constexpr const char* kAboutVersionText = "Corvana         v4.77";
inline constexpr const char* kInstalledServerSettingsLabel = "Installed server settings:";
// The maker's support address and web page (the string IDS_MAKER_WEB_PAGE), shown as plain text
// beside the links.
inline constexpr const char* kMakerMailAddress = "support@velmora.example";
inline constexpr unsigned IDS_MAKER_WEB_PAGE = 40028;

// `Server Version`\`Version name`, or "unknown" when it is missing or empty.
std::string installedServerSettingsName(const SettingsStore& store);
// "mailto:<support address>?subject=Corvana".
std::string makerMailLink();
