#include "retrieval/PageFiles.h"

#include "log/Log.h"
#include "retrieval/download.h"

#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

void removeFile(const std::string& path) {
    if (path.empty())
        return;
    std::error_code ec;
    fs::remove(fs::path(path), ec);
}

} // namespace

PageFiles::~PageFiles() {
    deleteAll();
}

PageFiles::PageFiles(PageFiles&& other) noexcept : m_paths(other.take()) {}

PageFiles& PageFiles::operator=(PageFiles&& other) noexcept {
    if (this != &other)
        adopt(other.take());
    return *this;
}

void PageFiles::adopt(PageFilePaths paths) {
    deleteAll();
    m_paths = std::move(paths);
}

void PageFiles::adopt(const DownloadStatus& record) {
    adopt(PageFilePaths{record.m_szFile, record.m_szSemiHtmlFile, record.m_szTextFile});
}

PageFilePaths PageFiles::take() {
    return std::exchange(m_paths, PageFilePaths{});
}

void PageFiles::deleteAll() {
    removeFile(m_paths.raw);
    removeFile(m_paths.semiHtml);
    removeFile(m_paths.text);
    m_paths = {};
}

fs::path htmlPathOf(const fs::path& page) {
    fs::path html = page;
    html.replace_extension(".html");
    return html;
}

bool PageFiles::renameRawToHtml() {
    if (m_paths.raw.empty())
        return false;
    const fs::path from(m_paths.raw);
    const fs::path to = htmlPathOf(from);
    if (to == from)
        return true;
    std::error_code ec;
    // Only that one name is cleared; a folder of that name is never touched.
    if (fs::is_regular_file(fs::symlink_status(to, ec)) || fs::is_symlink(fs::symlink_status(to, ec)))
        fs::remove(to, ec);
    fs::rename(from, to, ec);
    if (ec) {
        CVR_LOG(LOG_LEVEL_ERROR, "Could not rename '%s' to '%s': %s", from.c_str(), to.c_str(), ec.message().c_str());
        return false;
    }
    m_paths.raw = to.string();
    return true;
}

void DeletePageFilesOf(const DownloadStatus& record) {
    removeFile(record.m_szFile);
    removeFile(record.m_szSemiHtmlFile);
    removeFile(record.m_szTextFile);
}
