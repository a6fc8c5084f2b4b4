#include "platform/Paths.h"

#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace paths {
namespace {

std::optional<std::filesystem::path> existingFolder(QStandardPaths::StandardLocation where) {
    const QString location = QStandardPaths::writableLocation(where);
    if (location.isEmpty())
        return std::nullopt;
    std::filesystem::path folder = fromQString(location);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return std::nullopt;
    return folder;
}

} // namespace

QString toQString(const std::filesystem::path& path) {
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

std::filesystem::path fromQString(const QString& path) {
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

std::optional<std::filesystem::path> documentsFolder(bool create) {
    if (!create)
        return existingFolder(QStandardPaths::DocumentsLocation);
    const QString location = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (location.isEmpty())
        return std::nullopt;
    std::filesystem::path folder = fromQString(location);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec))
        return std::nullopt;
    return folder;
}

std::optional<std::filesystem::path> desktopFolder() {
    return existingFolder(QStandardPaths::DesktopLocation);
}

std::optional<std::filesystem::path> stateFolder() {
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        base = state;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "state";
    else
        return std::nullopt;
    const auto folder = base / "corvana";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec))
        return std::nullopt;
    return folder;
}

std::filesystem::path programPath() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path{} : p;
}

std::filesystem::path tempFolder() {
    std::error_code ec;
    auto p = std::filesystem::temp_directory_path(ec);
    return ec ? std::filesystem::path("/tmp") : p;
}

std::optional<std::filesystem::path> createTempFile(const std::string& prefix, const std::string& suffix,
                                                    const std::filesystem::path& folder) {
    const auto dir = folder.empty() ? tempFolder() : folder;
    std::string templ = (dir / (prefix + "XXXXXX" + suffix)).string();
    const int fd = mkstemps(templ.data(), static_cast<int>(suffix.size()));
    if (fd < 0)
        return std::nullopt;
    ::close(fd);
    return std::filesystem::path(templ);
}

std::optional<std::filesystem::path> createTempFolder(const std::string& prefix) {
    std::string templ = (tempFolder() / (prefix + "XXXXXX")).string();
    if (mkdtemp(templ.data()) == nullptr)
        return std::nullopt;
    return std::filesystem::path(templ);
}

} // namespace paths
