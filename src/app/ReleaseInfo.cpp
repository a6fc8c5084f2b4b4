#include "app/ReleaseInfo.h"

#include "framework/MessageBoxes.h"
#include "log/Log.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/TextCodec.h"
#include "retrieval/download.h"

#include <chrono>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The longest transfer error text a box shows.
constexpr std::size_t kMaxErrorChars = 1024;

// The modification time of `path` as a local date; nothing when its status cannot be read.
std::optional<OleDate> modificationDate(const fs::path& path) {
    std::error_code ec;
    const auto written = fs::last_write_time(path, ec);
    if (ec)
        return std::nullopt;
    const auto system = std::chrono::file_clock::to_sys(written);
    const OleDate date = OleDate::fromTimeT(std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(system)));
    if (date.GetStatus() != OleDate::valid)
        return std::nullopt;
    return date;
}

} // namespace

fs::path programDataFolder() {
    return paths::programPath().parent_path();
}

void GetInstalledReleaseDate(OleDate& out, const fs::path& dataFolder, const fs::path& programFile) {
    const fs::path releaseNotes = dataFolder / "release.txt";
    for (const fs::path& candidate : {releaseNotes, programFile}) {
        if (candidate.empty())
            continue;
        if (const auto date = modificationDate(candidate)) {
            out = *date;
            LogMessage(LOG_LEVEL_INFO, kReleaseLogSource, "Installed CVR release date: %s (%s)",
                       out.Format("%x").c_str(), candidate.c_str());
            return;
        }
    }
    out = OleDate(2006, 1, 1, 0, 0, 0);
    LogMessage(LOG_LEVEL_INFO, kReleaseLogSource, "Installed CVR release date: Unknown! (couldn't open '%s')",
               releaseNotes.c_str());
}

std::string releaseCheckText(ReleaseCheckOutcome outcome, const std::string& errorText) {
    switch (outcome) {
    case ReleaseCheckOutcome::NotFound:
        return kReleaseNotFoundText;
    case ReleaseCheckOutcome::NoReleaseDate:
        return kNoReleaseDateText;
    case ReleaseCheckOutcome::TransferError:
        return kReleaseCheckErrorPrefix + textcodec::truncateUtf8Chars(errorText, kMaxErrorChars);
    case ReleaseCheckOutcome::UpToDate:
        return kUpToDateText;
    case ReleaseCheckOutcome::NewerRelease:
        break;
    }
    return {};
}

unsigned releaseCheckIcon(ReleaseCheckOutcome outcome) {
    return outcome == ReleaseCheckOutcome::UpToDate ? MB_ICONINFORMATION : MB_ICONEXCLAMATION;
}

bool storesLastUpToDateCheck(ReleaseCheckOutcome outcome) {
    return outcome == ReleaseCheckOutcome::UpToDate || outcome == ReleaseCheckOutcome::NewerRelease;
}

ReleaseComparison compareReleaseDates(const OleDate& installed, const OleDate& server) {
    ReleaseComparison result;
    if (installed.GetStatus() != OleDate::valid || server.GetStatus() != OleDate::valid)
        return result;
    result.days = (server - installed).GetDays();
    result.newer = dateLater(server, installed) && result.days >= 2;
    return result;
}

std::string releaseNotesForDisplay(std::string notes) {
    if (notes.find("\r\n") != std::string::npos)
        return notes;
    std::string out;
    out.reserve(notes.size() + notes.size() / 16);
    for (const char c : notes) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string newVersionStatusText(const DownloadStatus& record, const std::string& current) {
    switch (record.m_nStatus) {
    case DOWNLOAD_INITIALIZED:
    case DOWNLOAD_CONNECTING:
    case DOWNLOAD_CONNECTED:
    case DOWNLOAD_PROGRESS:
    case DOWNLOAD_AWAITING:
    case DOWNLOAD_ABORTED:
        return DownloadStatusText(record);
    case DOWNLOAD_FINISHED:
        return textcodec::formatText("Finished downloading '%s'.", record.m_szURL.c_str());
    case DOWNLOAD_ERROR:
        switch (record.m_nDetail) {
        case DOWNLOAD_DETAIL_FILE_NOT_FOUND:
            return "Error: File not found: " + record.m_szURL;
        case DOWNLOAD_DETAIL_MESSAGE:
            return record.m_szMessage;
        default:
            if (record.m_nDetail >= DOWNLOAD_DETAIL_SOCKET && record.m_nDetail <= DOWNLOAD_DETAIL_SERVER_ERROR)
                return DownloadErrorText(record.m_nDetail, record.m_szURL, record.m_szMessage);
            return current;
        }
    default:
        return current;
    }
}

std::string installedServerSettingsName(const SettingsStore& store) {
    const std::string name = store.readString("Server Version", "Version name");
    return name.empty() ? std::string("unknown") : name;
}

std::string makerMailLink() {
    return std::string("mailto:") + kMakerMailAddress + "?subject=Corvana";
}
