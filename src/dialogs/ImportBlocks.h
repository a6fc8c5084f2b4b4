#pragma once
// The download of the import page: the URL rule, the date place holders of an import URL, the
// block token [&chunk_N] and the chain of page downloads that fetches a long time frame in blocks
// of N days and appends them into one set of files.
//
// The chain is driven by the page download's reports: the page hands it every
// WMU_PAGE_DOWNLOAD_STATUS record it receives and shows what the answer says. A record of a job
// the chain no longer waits for (an earlier press of "Next >", a download it forgot) is dropped,
// the files of its success deleted, so no two chains ever write into the same files.

#include "platform/OleDate.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct DownloadStatus;

// The URL with its leading and trailing white space removed, as the page keeps it.
std::string TrimImportUrl(std::string_view url);

// Whether an import URL (trimmed) may be downloaded: at least 8 characters, starting with
// "http://", "https://" or "file://" in exactly this case.
bool IsUsableImportUrl(std::string_view url);

// `url` with the date place holders of an import replaced, each value printed with "%i" (no
// leading zeros): [&day_begin], [&month_begin], [&year_begin], [&month_begin-1] (month minus 1),
// [&year_begin_short] (year modulo 100) for `begin`, and the same with "_end" for `end`. An
// invalid date gives -1 for each value, -2 for the month minus 1.
std::string ExpandImportDatePlaceHolders(std::string_view url, const OleDate& begin, const OleDate& end);

inline constexpr int kDefaultImportBlockDays = 200;         // [&chunk_0], no number, or one out of range
inline constexpr int kMaxImportBlockDays = 36500;           // a hundred years
inline constexpr int kMaxImportBlocks = 21;                 // the last block begins at 20 x N days
inline constexpr std::uintmax_t kImportBlockEndBytes = 200; // a block that adds no more ends the chain

// The block token of an import URL.
struct ImportBlockToken {
    bool found = false; // "[&chunk_" after the first character, closed by "]"
    int days = 0;       // N within 1 to 36500, else 200
    std::string url;    // the URL without the token (unchanged when there is none)
};
ImportBlockToken ParseImportBlockToken(std::string_view url);

// The three files of a downloaded page (or of the blocks appended): the page as it came, its
// semi-html and its text-only conversion. Empty paths name no file.
struct ImportPageFiles {
    std::string m_strRawFile;
    std::string m_strSemiHtmlFile;
    std::string m_strTextFile;

    // The file read for a conversion: 0 none (the raw page), 1 semi-html, 2 text-only.
    std::string& forConversion(int conversion);
    const std::string& forConversion(int conversion) const;
    // Deletes every named file and clears the paths.
    void deleteAll();
};

// What the page does with one record.
struct ImportDownloadStep {
    enum class Kind {
        Ignored,  // not a record of the download the chain waits for
        Progress, // the download goes on; show `text` when there is one
        Loaded,   // the data is there: the loaded state
        Failed,   // the download state, showing `text` when there is one
    };
    Kind kind = Kind::Ignored;
    std::optional<std::string> text; // the new status text; nothing: it stays as it is
    // Loaded: the page may close at once when it was asked to finish; false when a block after the
    // first failed and the blocks fetched so far are offered instead.
    bool mayFinish = false;
};

class ImportBlockDownload {
public:
    // Starts one page download of an expanded URL reporting to the page; returns the job's worker
    // id (the m_dwThreadId of its records), 0 when nothing was started.
    using Starter = std::function<std::uint32_t(const std::string& url)>;

    explicit ImportBlockDownload(Starter starter);
    // Deletes the files it still holds.
    ~ImportBlockDownload();
    ImportBlockDownload(const ImportBlockDownload&) = delete;
    ImportBlockDownload& operator=(const ImportBlockDownload&) = delete;

    // Downloads `url` for the time frame `begin` to `end`: with a block token in blocks of N days
    // (a frame not longer than one block is one plain download of the URL without the token),
    // otherwise once with the frame's dates. A download still running is forgotten first. False
    // when the first download could not be started (nothing runs then).
    bool start(std::string_view url, const OleDate& begin, const OleDate& end);

    // Stops waiting for the running download: its records are dropped from now on.
    void forget();

    // Takes one record of a page download. Status 1 to 4 and 9 to 11 give their text (4 in a
    // block download "Downloading block %i: %i KB"); 5 to 7 change nothing. Status 8 takes the
    // page's files over (deleting those of an earlier download) or, for a later block, appends
    // them to those files; then the next block starts, or the chain ends as loaded: after a block
    // that added 200 bytes or fewer (all three files together), after the block at 20 x N days,
    // or when the next block would begin after the end of the frame. Status 12 ends the chain:
    // for a block after the first as loaded with the blocks fetched so far, else as failed with
    // the error's text; 13 as failed with "Download aborted!".
    ImportDownloadStep onStatus(std::unique_ptr<DownloadStatus> record);

    // A download is running: the page's "Next >" and "Finish" wait for it.
    bool running() const { return m_running; }
    bool blockMode() const { return m_blockMode; }
    int blockDays() const { return m_blockDays; }
    std::int64_t blockOffset() const { return m_blockOffset; }
    // The number of the block being fetched (1 for the first); 0 outside a block download.
    int blockNumber() const;
    // The URL of the download without its block token.
    const std::string& workUrl() const { return m_workUrl; }

    // The files of the last download; the page renames them for viewing, the import deletes them.
    ImportPageFiles& files() { return m_files; }
    const ImportPageFiles& files() const { return m_files; }

private:
    bool launch(const OleDate& blockBegin, const OleDate& blockEnd);
    ImportDownloadStep finished(DownloadStatus& record);
    ImportDownloadStep loaded(bool mayFinish);

    Starter m_start;
    bool m_running = false;
    std::uint32_t m_job = 0;
    std::string m_workUrl;
    OleDate m_begin;
    OleDate m_end;
    bool m_blockMode = false;
    int m_blockDays = 0;
    std::int64_t m_blockOffset = 0;
    ImportPageFiles m_files;
};

// The import page's text for an error record (status 12) by its detail: string 40065 for an
// incorrect URL, string 40019 with the whole URL for a missing file, the texts of every page
// download for the others; nothing for a detail without a text.
std::optional<std::string> ImportErrorText(const DownloadStatus& record);
