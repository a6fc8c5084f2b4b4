#pragma once
// The three files of a downloaded page -- the page as it came, its semi-html and its text-only
// conversion -- held by one owner that deletes them when it lets go of them, unless a caller took
// them over. A page download's success record hands them to the window that asked for the page;
// that window keeps them here, so no path of a cancelled, failed or replaced download is left
// behind in the temporary folder.

#include <filesystem>
#include <string>

struct DownloadStatus;

// The paths of a page's files; an empty path names no file.
struct PageFilePaths {
    std::string raw;
    std::string semiHtml;
    std::string text;
};

class PageFiles {
public:
    PageFiles() = default;
    explicit PageFiles(PageFilePaths paths) : m_paths(std::move(paths)) {}
    // Deletes the files it holds.
    ~PageFiles();
    PageFiles(PageFiles&& other) noexcept;
    PageFiles& operator=(PageFiles&& other) noexcept;
    PageFiles(const PageFiles&) = delete;
    PageFiles& operator=(const PageFiles&) = delete;

    // Deletes the files held so far, then holds `paths`.
    void adopt(PageFilePaths paths);
    // The files of a success record (status 8 of a page download).
    void adopt(const DownloadStatus& record);
    // Hands the files over: the caller owns them now; this holds none.
    PageFilePaths take();
    // Deletes every file held and forgets the paths.
    void deleteAll();

    const PageFilePaths& paths() const { return m_paths; }
    bool empty() const { return m_paths.raw.empty() && m_paths.semiHtml.empty() && m_paths.text.empty(); }

    // Gives the page file the extension ".html" (a browser then shows it as a page): the file
    // name's extension is replaced, or added when it has none; a file of that name is removed
    // first. The new path is held from then on. False, with the old path kept, when it failed.
    bool renameRawToHtml();

private:
    PageFilePaths m_paths;
};

// The page file's path with the extension ".html" in place of the file name's own.
std::filesystem::path htmlPathOf(const std::filesystem::path& page);

// Deletes the files a success record names (a record nobody takes over).
void DeletePageFilesOf(const DownloadStatus& record);
