// The portfolio file: opening (plain or zipped), saving (plain or zipped, never destroying the
// previous file) and the item list archive.

#include "platform/AtomicFile.h"
#include "platform/FileIo.h"
#include "portfolio/DocLog.h"
#include "portfolio/PortfolioArchive.h"
#include "portfolio/WPapierDoc.h"
#include "portfolio/ZipReader.h"
#include "portfolio/ZipWriter.h"

#include <cerrno>
#include <limits>
#include <new>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string zipError(const char* step, int code) {
    return std::string(step) + " failed (zip error " + std::to_string(code) + ")";
}

// Writes `bytes` as the one entry of a zip archive that replaces `target` only when complete: the
// archive is written once, into the temporary file beside the target that is then renamed over it.
// A failed write names its cause ("No space left on device") as the plain save does.
bool writeZippedFile(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes, std::string& error) {
    if (bytes.size() > std::numeric_limits<unsigned>::max()) {
        error = "the portfolio is too large for a zip archive";
        return false;
    }
    AtomicFileWriter file(target);
    if (!file.open()) {
        error = file.errorText();
        return false;
    }
    ZipWriter::Handle zip;
    if (const int code = ZipWriter::CreateOnDescriptor(zip, file.descriptor(), nullptr); code != ZIP_OK) {
        error = zipError("creating the zip archive", code);
        return false;
    }
    ZipWriter::AddBuffer(zip, CWPapierDoc::kZipEntryName, bytes.data(), static_cast<unsigned>(bytes.size()));
    int systemError = 0;
    if (const int code = ZipWriter::Close(zip, &systemError); code != ZIP_OK) {
        // The first error stands; the temporary file is discarded with the writer.
        file.fail(systemError != 0 ? fileio::errorText(systemError) : zipError("writing the zip archive", code));
        error = file.errorText();
        return false;
    }
    if (!file.commit()) {
        error = file.errorText();
        return false;
    }
    return true;
}

// What openRegularFile gives for a file that is neither a regular file nor a folder.
constexpr int kNotRegularFile = -1;

// Opens `path` for reading when it is a regular file, with its size; -1 otherwise, with the error
// number in `error` (EISDIR for a folder, kNotRegularFile for anything else that is not a regular
// file). The open does not wait: a FIFO without a writer or a device is refused instead of blocking.
int openRegularFile(const std::filesystem::path& path, std::uint64_t& size, int& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        error = errno;
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

// Where a portfolio is read from: the bytes of a zipped file's entry, or a plain file that the
// archive reads in chunks as it goes, so the file is never held whole beside the items made from it.
class PortfolioInput {
public:
    PortfolioInput() = default;
    ~PortfolioInput() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PortfolioInput(const PortfolioInput&) = delete;
    PortfolioInput& operator=(const PortfolioInput&) = delete;

    bool open(const std::filesystem::path& path, std::string& error);
    std::uint64_t size() const { return m_size; }
    void makeArchive(std::optional<Archive>& ar);
    // The error number of a failed read of the file, 0 when none failed.
    int readError() const { return m_readError; }

private:
    std::vector<std::uint8_t> m_bytes; // a zipped file's entry
    int m_fd = -1;                     // a plain regular file, read by the archive
    std::uint64_t m_size = 0;
    int m_readError = 0;
};

// The portfolio's entry when `path` is a zip archive: true with the entry's bytes; false for any
// other file (also a damaged archive, which is then read as it is).
bool readZippedPortfolio(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
    ZipReader::Handle zip;
    if (ZipReader::OpenFile(zip, path.c_str(), nullptr) != ZIP_OK)
        return false;
    DOC_LOG(LOG_LEVEL_INFO, "Unzipping document '%s'...", path.c_str());
    bool zipped = false;
    // Entry 0 holds the portfolio, whatever its name.
    ZipEntry entry;
    entry.index = 0;
    if (const int code = ZipReader::GetItem(zip, &entry); code == ZIP_OK) {
        try {
            std::vector<std::uint8_t> buffer(entry.uncompressedSize);
            ZipEntry part = entry;
            const int unzipCode = buffer.empty()
                                      ? ZIP_OK
                                      : ZipReader::UnzipItemToBuffer(zip, buffer.data(), entry.uncompressedSize, &part);
            if (unzipCode == ZIP_OK && (buffer.empty() || part.compressedSize == entry.uncompressedSize)) {
                bytes = std::move(buffer);
                zipped = true;
            } else {
                DOC_LOG(LOG_LEVEL_WARNING, "Cannot unzip '%s' (zip error %d); reading it as it is", path.c_str(),
                        unzipCode);
            }
        } catch (const std::bad_alloc&) {
            DOC_LOG(LOG_LEVEL_WARNING, "No memory to unzip '%s'; reading it as it is", path.c_str());
        }
    } else {
        DOC_LOG(LOG_LEVEL_WARNING, "Cannot read the first entry of '%s' (zip error %d); reading it as it is",
                path.c_str(), code);
    }
    ZipReader::Close(zip);
    return zipped;
}

bool PortfolioInput::open(const std::filesystem::path& path, std::string& error) {
    if (readZippedPortfolio(path, m_bytes)) {
        m_size = m_bytes.size();
        return true;
    }
    // Replaced by something else since it was looked at: refused as before.
    int failure = 0;
    m_fd = openRegularFile(path, m_size, failure);
    if (m_fd < 0) {
        error = failure == kNotRegularFile ? "not a regular file" : fileio::errorText(failure);
        return false;
    }
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

void PortfolioInput::makeArchive(std::optional<Archive>& ar) {
    if (m_fd < 0) {
        ar.emplace(std::move(m_bytes), portfolioClassRegistry());
        return;
    }
    const int fd = m_fd;
    ar.emplace(
        [this, fd](std::uint8_t* buffer, std::size_t size) -> std::size_t {
            for (;;) {
                const ssize_t got = ::read(fd, buffer, size);
                if (got >= 0)
                    return static_cast<std::size_t>(got);
                if (errno != EINTR) {
                    m_readError = errno;
                    throw ArchiveError(fileio::errorText(m_readError));
                }
            }
        },
        m_size, portfolioClassRegistry());
}

} // namespace

bool CWPapierDoc::OnOpenDocument(const std::filesystem::path& path) {
    const std::string name = path.string();
    DOC_LOG(LOG_LEVEL_DEBUG, "Loading file '%s'...", name.c_str());

    // A file that cannot be opened leaves the document as it is. Only a regular file is read: the
    // open does not wait, so a FIFO without a writer or a device is refused instead of blocking.
    {
        std::uint64_t size = 0;
        int failure = 0;
        const int fd = openRegularFile(path, size, failure);
        if (fd >= 0)
            ::close(fd);
        const std::string reason = failure == EISDIR   ? std::string("it is a folder")
                                   : failure == kNotRegularFile ? std::string("not a regular file")
                                   : failure != 0      ? fileio::errorText(failure)
                                                       : std::string();
        if (!reason.empty()) {
            DOC_LOG(LOG_LEVEL_ERROR, "Cannot open file '%s': %s", name.c_str(), reason.c_str());
            notifyUser(PortfolioNotice::Kind::Error, "Cannot open the portfolio '" + name + "':\n" + reason);
            return false;
        }
    }

    if (!IsWPListEmpty()) {
        DOC_LOG(LOG_LEVEL_DEBUG, "Deleting previous document...");
        DeleteContents();
        UpdateAllViews(nullptr, 0);
    }

    DOC_LOG(LOG_LEVEL_INFO, "Checking file format '%s'...", name.c_str());
    std::string failure;
    {
        const WaitCursor wait(m_portfolioHost);
        DeleteContents();
        SetModifiedFlag(true);
        PortfolioInput input;
        std::string readError;
        bool opened = false;
        try {
            opened = input.open(path, readError);
        } catch (const std::bad_alloc&) {
            readError = "not enough memory";
        }
        if (!opened) {
            failure = readError;
        } else if (input.size() == 0) {
            // An empty file is an empty portfolio; it is completed like any loaded one.
            const ListLock lock(*this);
            m_nLoadSchema = 22;
            InitializeLoadedPortfolio(m_nLoadSchema);
        } else {
            try {
                std::optional<Archive> ar;
                input.makeArchive(ar);
                Serialize(*ar);
                if (ar->remaining() > 0)
                    DOC_LOG(LOG_LEVEL_WARNING, "Ignoring %zu bytes after the item list of '%s'", ar->remaining(),
                            name.c_str());
            } catch (const ArchiveError& e) {
                if (input.readError() != 0)
                    failure = fileio::errorText(input.readError());
                else
                    failure = std::string("the file is damaged or not a portfolio (") + e.what() + ")";
            } catch (const std::bad_alloc&) {
                failure = "not enough memory";
            } catch (const std::exception& e) {
                failure = e.what();
            }
        }
    }

    if (!failure.empty()) {
        DOC_LOG(LOG_LEVEL_ERROR, "Cannot open file '%s': %s", name.c_str(), failure.c_str());
        resetAfterFailedOpen();
        notifyUser(PortfolioNotice::Kind::Error, "Cannot open the portfolio '" + name + "':\n" + failure);
        return false;
    }

    SetModifiedFlag(false);
    if (m_portfolioHost) {
        const ProgramOptions options = programOptions();
        if (options.Autoupdate)
            m_portfolioHost->setUpdateTimer(options.UpdateIntervall);
        m_portfolioHost->clearDownloadsList();
        // The title the document takes from this path.
        std::string title = path.filename().string();
        if (title.empty())
            title = kUntitled;
        m_portfolioHost->setDownloadsTitle(title);
    }
    UpdateAllViews(nullptr, 0);
    return true;
}

void CWPapierDoc::resetAfterFailedOpen() {
    // Nothing of the damaged file stays; the document is a new, untitled portfolio, so a later
    // save cannot overwrite the previous portfolio's file with it.
    {
        const ListLock lock(*this);
        DeleteContents();
        InitializeNewPortfolio();
    }
    SetPathName({});
    SetModifiedFlag(false);
    UpdateAllViews(nullptr, 0);
}

bool CWPapierDoc::OnSaveDocument(const std::filesystem::path& path) {
    const ProgramOptions options = programOptions();
    const std::string name = path.string();
    const bool zip = options.ZipFile != 0;
    if (zip)
        DOC_LOG(LOG_LEVEL_INFO, "Saving portfolio as '%s' (compressed format)...", name.c_str());
    else
        DOC_LOG(LOG_LEVEL_INFO, "Saving portfolio as '%s'  (standard format)...", name.c_str());

    std::string failure;
    {
        const WaitCursor wait(m_portfolioHost);
        const auto serialize = [this, &failure](Archive& ar) {
            try {
                Serialize(ar);
                ar.flush();
                return true;
            } catch (const std::bad_alloc&) {
                failure = "not enough memory";
            } catch (const std::exception& e) {
                failure = e.what();
            }
            return false;
        };
        if (zip) {
            // The zip entry is made from the whole stream at once.
            Archive ar;
            if (serialize(ar)) {
                DOC_LOG(LOG_LEVEL_DEBUG, "Zipping serialized archive to file '%s'...", name.c_str());
                if (writeZippedFile(path, ar.takeBuffer(), failure))
                    DOC_LOG(LOG_LEVEL_DEBUG, "Zip file successful!");
            }
        } else {
            // The stream goes to the temporary file in chunks as it is made; the previous file is
            // replaced only when all of it was written.
            AtomicFileWriter writer(path);
            if (!writer.open()) {
                failure = writer.errorText();
            } else {
                Archive ar([&writer](const std::uint8_t* data, std::size_t size) {
                    if (!writer.write(std::string_view(reinterpret_cast<const char*>(data), size)))
                        throw ArchiveError(writer.errorText());
                });
                if (serialize(ar) && !writer.commit())
                    failure = writer.errorText();
            }
        }
    }
    if (!failure.empty()) {
        DOC_LOG(LOG_LEVEL_ERROR, "Cannot save file '%s': %s", name.c_str(), failure.c_str());
        notifyUser(PortfolioNotice::Kind::Error, "Cannot save the portfolio '" + name + "':\n" + failure);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CWPapierDoc::Serialize(Archive& ar) {
    const ListLock lock(*this);
    if (ar.isStoring()) {
        const std::vector<CWPapier*> items = itemPointersLocked();
        // A link never names an item outside the portfolio; were one left over, the record would
        // name freed memory.
        if (const int repaired = repairItemLinks(items))
            DOC_LOG(LOG_LEVEL_WARNING, "Reset %i item links to items outside the portfolio before saving", repaired);
        writeItemList(ar, items);
        DOC_LOG(LOG_LEVEL_INFO, "Finished saving file.");
        return;
    }

    ItemListReadResult read = readItemList(ar);
    if (read.repairedLinks > 0)
        DOC_LOG(LOG_LEVEL_WARNING, "Reset %i item links to items that are not in the portfolio", read.repairedLinks);
    replaceItemsLocked(std::move(read.items));
    m_nLoadSchema = read.lastItemSchema;
    DOC_LOG(LOG_LEVEL_INFO, "Finished loading file.");
    InitializeLoadedPortfolio(m_nLoadSchema);
}
