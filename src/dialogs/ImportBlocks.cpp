#include "dialogs/ImportBlocks.h"

#include "dialogs/ImportDialogIds.h"
#include "framework/StringTable.h"
#include "platform/TextCodec.h"
#include "retrieval/download.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

using textcodec::formatText;

// --- URL ---------------------------------------------------------------------------------------

namespace {

constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::string TrimImportUrl(std::string_view url) {
    while (!url.empty() && isBlank(url.front()))
        url.remove_prefix(1);
    while (!url.empty() && isBlank(url.back()))
        url.remove_suffix(1);
    return std::string(url);
}

bool IsUsableImportUrl(std::string_view url) {
    return url.size() >= 8 && (url.starts_with("http://") || url.starts_with("https://") || url.starts_with("file://"));
}

std::string ExpandImportDatePlaceHolders(std::string_view url, const OleDate& begin, const OleDate& end) {
    struct Token {
        std::string_view text;
        int value;
    };
    // The getters give -1 for an invalid date; so does its year modulo 100.
    const auto shortYear = [](const OleDate& d) { return d.GetYear() < 0 ? -1 : d.GetYear() % 100; };
    const std::array<Token, 10> tokens = {{
        {"[&day_begin]", begin.GetDay()},
        {"[&month_begin]", begin.GetMonth()},
        {"[&year_begin]", begin.GetYear()},
        {"[&month_begin-1]", begin.GetMonth() - 1},
        {"[&year_begin_short]", shortYear(begin)},
        {"[&day_end]", end.GetDay()},
        {"[&month_end]", end.GetMonth()},
        {"[&year_end]", end.GetYear()},
        {"[&month_end-1]", end.GetMonth() - 1},
        {"[&year_end_short]", shortYear(end)},
    }};
    std::string out;
    std::size_t i = 0;
    while (i < url.size()) {
        const std::size_t at = url.find("[&", i);
        if (at == std::string_view::npos) {
            out.append(url.substr(i));
            break;
        }
        out.append(url.substr(i, at - i));
        i = at;
        bool replaced = false;
        for (const Token& t : tokens)
            if (url.substr(at).starts_with(t.text)) {
                out += std::to_string(t.value);
                i += t.text.size();
                replaced = true;
                break;
            }
        if (!replaced)
            out += url[i++];
    }
    return out;
}

ImportBlockToken ParseImportBlockToken(std::string_view url) {
    constexpr std::string_view kToken = "[&chunk_";
    ImportBlockToken token;
    token.url = std::string(url);
    const std::size_t at = url.find(kToken);
    if (at == std::string_view::npos || at == 0)
        return token;
    const std::size_t close = url.find(']', at + kToken.size());
    if (close == std::string_view::npos)
        return token;
    const std::string_view number = url.substr(at + kToken.size(), close - at - kToken.size());
    // A number that does not fit, or lies outside one day to a hundred years, gives the default.
    long long days = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), days);
    (void)end;
    token.found = true;
    token.days = ec == std::errc() && days >= 1 && days <= kMaxImportBlockDays ? static_cast<int>(days)
                                                                               : kDefaultImportBlockDays;
    token.url.erase(at, close + 1 - at);
    return token;
}

// --- Files -------------------------------------------------------------------------------------

std::string& ImportPageFiles::forConversion(int conversion) {
    return conversion == 1 ? m_strSemiHtmlFile : conversion == 2 ? m_strTextFile : m_strRawFile;
}

const std::string& ImportPageFiles::forConversion(int conversion) const {
    return conversion == 1 ? m_strSemiHtmlFile : conversion == 2 ? m_strTextFile : m_strRawFile;
}

namespace {

void deleteFile(std::string& path) {
    if (path.empty())
        return;
    std::error_code ec;
    std::filesystem::remove(path, ec);
    path.clear();
}

// Appends the file `from` to the file `to`; returns the bytes appended.
std::uintmax_t appendFile(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty())
        return 0;
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::app);
    if (!in || !out)
        return 0;
    std::uintmax_t total = 0;
    std::array<char, 1024> piece{};
    while (in) {
        in.read(piece.data(), piece.size());
        const std::streamsize got = in.gcount();
        if (got <= 0)
            break;
        if (!out.write(piece.data(), got))
            break;
        total += static_cast<std::uintmax_t>(got);
    }
    return total;
}

} // namespace

void ImportPageFiles::deleteAll() {
    deleteFile(m_strRawFile);
    deleteFile(m_strSemiHtmlFile);
    deleteFile(m_strTextFile);
}

// --- Status texts ------------------------------------------------------------------------------

std::optional<std::string> ImportErrorText(const DownloadStatus& record) {
    switch (record.m_nDetail) {
    case DOWNLOAD_DETAIL_INCORRECT_URL:
        return LoadString(IDS_IMPORT_INCORRECT_URL);
    case DOWNLOAD_DETAIL_FILE_NOT_FOUND:
        // The text of every page download without a URL is the bare prefix; here the whole URL follows.
        return DownloadErrorText(DOWNLOAD_DETAIL_FILE_NOT_FOUND, {}, {}) + record.m_szURL;
    default:
        if (record.m_nDetail >= DOWNLOAD_DETAIL_SOCKET && record.m_nDetail <= DOWNLOAD_DETAIL_MESSAGE)
            return DownloadErrorText(record.m_nDetail, record.m_szURL, record.m_szMessage);
        return std::nullopt;
    }
}

// --- Chain -------------------------------------------------------------------------------------

ImportBlockDownload::ImportBlockDownload(Starter starter) : m_start(std::move(starter)) {}

ImportBlockDownload::~ImportBlockDownload() {
    m_files.deleteAll();
}

int ImportBlockDownload::blockNumber() const {
    if (!m_blockMode || m_blockDays <= 0)
        return 0;
    return static_cast<int>(m_blockOffset / m_blockDays + 1);
}

void ImportBlockDownload::forget() {
    m_running = false;
    m_job = 0;
}

bool ImportBlockDownload::start(std::string_view url, const OleDate& begin, const OleDate& end) {
    forget();
    m_begin = begin;
    m_end = end;
    const ImportBlockToken token = ParseImportBlockToken(url);
    m_workUrl = token.url;
    m_blockMode = token.found;
    m_blockDays = token.found ? token.days : 0;
    m_blockOffset = 0;
    if (!m_blockMode)
        return launch(begin, end);
    OleDate blockEnd = begin + OleDateSpan(static_cast<long long>(m_blockDays), 0, 0, 0);
    // A frame that one block covers (within half a second) is one plain download.
    if (!dateEarlier(blockEnd, end) || datesEqual(blockEnd, end)) {
        blockEnd = end;
        m_blockMode = false;
    }
    return launch(begin, blockEnd);
}

bool ImportBlockDownload::launch(const OleDate& blockBegin, const OleDate& blockEnd) {
    const std::uint32_t job = m_start ? m_start(ExpandImportDatePlaceHolders(m_workUrl, blockBegin, blockEnd)) : 0;
    m_job = job;
    m_running = job != 0;
    return m_running;
}

ImportDownloadStep ImportBlockDownload::loaded(bool mayFinish) {
    forget();
    ImportDownloadStep step;
    step.kind = ImportDownloadStep::Kind::Loaded;
    step.mayFinish = mayFinish;
    return step;
}

ImportDownloadStep ImportBlockDownload::onStatus(std::unique_ptr<DownloadStatus> record) {
    using Kind = ImportDownloadStep::Kind;
    ImportDownloadStep step;
    if (!record)
        return step;
    if (!m_running || record->m_dwThreadId != m_job) {
        // The page of a download nobody waits for any more is not left behind.
        if (record->m_nStatus == DOWNLOAD_FINISHED) {
            deleteFile(record->m_szFile);
            deleteFile(record->m_szSemiHtmlFile);
            deleteFile(record->m_szTextFile);
        }
        return step;
    }
    switch (record->m_nStatus) {
    case DOWNLOAD_NOT_FOUND:
        record->m_szPreview.clear(); // the page shows the text alone
        [[fallthrough]];
    case DOWNLOAD_INITIALIZED:
    case DOWNLOAD_CONNECTING:
    case DOWNLOAD_CONNECTED:
    case DOWNLOAD_INVALID_VALUE:
    case DOWNLOAD_TEXT_NOT_FOUND:
        step.kind = Kind::Progress;
        step.text = DownloadStatusText(*record);
        return step;
    case DOWNLOAD_PROGRESS:
        step.kind = Kind::Progress;
        step.text = m_blockMode
                        ? formatText(LoadString(IDS_IMPORT_DOWNLOADING_BLOCK).c_str(), blockNumber(), record->m_nKBDone)
                        : DownloadStatusText(*record);
        return step;
    case DOWNLOAD_FINISHED:
        return finished(*record);
    case DOWNLOAD_ERROR:
        if (m_blockMode && m_blockOffset > 0)
            return loaded(false);
        forget();
        step.kind = Kind::Failed;
        step.text = ImportErrorText(*record);
        return step;
    case DOWNLOAD_ABORTED:
        forget();
        step.kind = Kind::Failed;
        step.text = DownloadStatusText(*record);
        return step;
    default: // 5 to 7: the text stays
        step.kind = Kind::Progress;
        return step;
    }
}

ImportDownloadStep ImportBlockDownload::finished(DownloadStatus& record) {
    std::uintmax_t appended = 0;
    if (!m_blockMode || m_blockOffset == 0) {
        m_files.deleteAll();
        m_files.m_strRawFile = std::exchange(record.m_szFile, {});
        m_files.m_strSemiHtmlFile = std::exchange(record.m_szSemiHtmlFile, {});
        m_files.m_strTextFile = std::exchange(record.m_szTextFile, {});
        if (!m_blockMode)
            return loaded(true);
    } else {
        appended += appendFile(record.m_szFile, m_files.m_strRawFile);
        appended += appendFile(record.m_szSemiHtmlFile, m_files.m_strSemiHtmlFile);
        appended += appendFile(record.m_szTextFile, m_files.m_strTextFile);
        deleteFile(record.m_szFile);
        deleteFile(record.m_szSemiHtmlFile);
        deleteFile(record.m_szTextFile);
    }

    const auto daysFromBegin = [this](std::int64_t days) {
        return m_begin + OleDateSpan(static_cast<long long>(days), 0, 0, 0);
    };
    const std::int64_t nextOffset = m_blockOffset + m_blockDays;
    const OleDate nextBegin = daysFromBegin(nextOffset);
    const bool nearlyEmpty = m_blockOffset > 0 && appended <= kImportBlockEndBytes;
    const bool lastBlock = m_blockOffset >= static_cast<std::int64_t>(kMaxImportBlocks - 1) * m_blockDays;
    // A block that would begin after the frame's end asks for an inverted range.
    const bool beyondEnd = dateLater(nextBegin, m_end) && !datesEqual(nextBegin, m_end);
    if (nearlyEmpty || lastBlock || beyondEnd)
        return loaded(true);

    m_blockOffset = nextOffset;
    OleDate blockEnd = daysFromBegin(nextOffset + m_blockDays);
    if (!dateEarlier(blockEnd, m_end))
        blockEnd = m_end;
    if (!launch(nextBegin, blockEnd))
        return loaded(false);
    ImportDownloadStep step;
    step.kind = ImportDownloadStep::Kind::Progress;
    return step;
}
