#include "platform/AtomicFile.h"

#include "platform/Paths.h"

#include <QSaveFile>
#include <QString>

#include <cerrno>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Makes the rename itself durable: sync the folder that holds the new entry.
void syncFolder(const std::filesystem::path& file) {
#ifndef _WIN32
    auto folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    (void)file;
#endif
}

// The folder that holds `file`.
std::filesystem::path folderOf(const std::filesystem::path& file) {
    const auto folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// Whether a failure to create a file beside `file` with the error number `number` lies with the
// folder: one that may not be written (permissions, a read-only file system).
bool folderRefusesNewFiles(const std::filesystem::path& file, int number) {
#ifndef _WIN32
    if (number != EACCES && number != EPERM && number != EROFS)
        return false;
    return ::access(folderOf(file).c_str(), W_OK | X_OK) != 0;
#else
    (void)file;
    (void)number;
    return false;
#endif
}

} // namespace

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target) : m_target(std::move(target)) {}

// QSaveFile removes an uncommitted temporary file without touching the target.
AtomicFileWriter::~AtomicFileWriter() = default;

bool AtomicFileWriter::setError(const std::string& what, int number) {
    m_error = "Cannot save '" + m_target.string() + "': " + what;
    m_errorNumber = number;
    return false;
}

bool AtomicFileWriter::open() {
    m_error.clear();
    m_errorNumber = 0;
    m_file = std::make_unique<QSaveFile>(paths::toQString(m_target));
    // Never fall back to writing the target in place.
    m_file->setDirectWriteFallback(false);
    errno = 0;
    if (!m_file->open(QIODevice::WriteOnly)) {
        int number = errno; // taken at once, before anything else can change it
        std::error_code ec;
        if (number == 0 && std::filesystem::is_directory(m_target, ec))
            number = EISDIR; // refused by the check before any system call
        const std::string reason = m_file->errorString().toStdString();
        m_file.reset();
        if (folderRefusesNewFiles(m_target, number)) {
            // The temporary file could not be made: the folder is the cause, not the file.
            m_error = "Cannot save in the folder '" + folderOf(m_target).string() + "': " + reason;
            m_errorNumber = number;
            return false;
        }
        return setError(reason, number);
    }
    return true;
}

bool AtomicFileWriter::write(std::string_view bytes) {
    if (!m_error.empty())
        return false;
    if (!m_file)
        return setError("the file is not open");
    while (!bytes.empty()) {
        errno = 0;
        const qint64 written = m_file->write(bytes.data(), static_cast<qint64>(bytes.size()));
        if (written <= 0) {
            const int number = errno;
            return setError(m_file->errorString().toStdString(), number);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

int AtomicFileWriter::descriptor() const {
    return m_file ? m_file->handle() : -1;
}

void AtomicFileWriter::fail(std::string reason) {
    if (m_error.empty())
        setError(reason.empty() ? "writing was given up" : reason);
}

bool AtomicFileWriter::commit() {
    if (!m_error.empty()) {
        m_file.reset(); // discards the temporary file
        return false;
    }
    if (!m_file)
        return setError("the file is not open");
    errno = 0;
    const bool ok = m_file->commit();
    const int number = errno;
    const std::string reason = ok ? std::string() : m_file->errorString().toStdString();
    m_file.reset();
    if (!ok)
        return setError(reason, number);
    syncFolder(m_target);
    return true;
}

bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string* error) {
    return writeFileAtomically(
        target, [bytes](AtomicFileWriter& writer) { return writer.write(bytes); }, error);
}

bool writeFileAtomically(const std::filesystem::path& target, const std::function<bool(AtomicFileWriter&)>& produce,
                         std::string* error) {
    AtomicFileWriter writer(target);
    bool ok = writer.open();
    if (ok && !produce(writer)) {
        writer.fail("");
        ok = false;
    }
    if (ok)
        ok = writer.commit();
    if (error)
        *error = ok ? std::string() : writer.errorText();
    return ok;
}
