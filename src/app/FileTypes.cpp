#include "app/FileTypes.h"

#include "log/Log.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <fstream>
#include <sstream>
#include <system_error>

namespace {

std::string xmlEscaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped().toStdString();
}

// An argument of a desktop entry's Exec key: quoted, with the characters that the quoting
// reserves escaped; then the backslashes doubled once more for the entry's string value.
std::string execArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (const char c : quoted) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '%')
            value += "%%";
        else
            value += c;
    }
    return value;
}

// Writes `text` to `path` unless the file holds exactly that already. True when written.
bool writeWhenDifferent(const std::filesystem::path& path, const std::string& text, bool& failed) {
    std::ifstream in(path, std::ios::binary);
    if (in) {
        std::ostringstream current;
        current << in.rdbuf();
        if (current.str() == text)
            return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::string error;
    if (ec || !writeFileAtomically(path, std::string_view(text), &error)) {
        CVR_LOG(LOG_LEVEL_WARNING, "Cannot register the file type in '%s': %s", path.c_str(),
                ec ? ec.message().c_str() : error.c_str());
        failed = true;
        return false;
    }
    return true;
}

} // namespace

std::string mimePackageText(const FileTypeRegistration& r) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" +
           xmlEscaped(r.mimeType) +
           "\">\n"
           "    <comment>" +
           xmlEscaped(r.typeName) +
           "</comment>\n"
           "    <glob pattern=\"*." +
           xmlEscaped(r.extension) +
           "\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string desktopEntryText(const FileTypeRegistration& r) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           r.programName +
           "\n"
           "Comment=" +
           r.typeName +
           "\n"
           "Exec=" +
           execArgument(r.program.string()) +
           " %f\n"
           "MimeType=" +
           r.mimeType +
           ";\n"
           "Terminal=false\n"
           "Categories=Office;Finance;\n";
}

FileTypeResult registerFileTypes(const FileTypeRegistration& registration, const std::filesystem::path& dataFolder) {
    FileTypeResult result;
    if (dataFolder.empty()) {
        CVR_LOG(LOG_LEVEL_WARNING, "Cannot register the file type: no data folder");
        result.failed = true;
        return result;
    }
    const std::filesystem::path mimeFolder = dataFolder / "mime";
    result.mimePackageWritten =
        writeWhenDifferent(mimeFolder / "packages" / "corvana.xml", mimePackageText(registration), result.failed);
    result.desktopEntryWritten = writeWhenDifferent(dataFolder / "applications" / "corvana.desktop",
                                                    desktopEntryText(registration), result.failed);
    if (result.mimePackageWritten) {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (!tool.isEmpty()) {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            process.setStandardErrorFile(QProcess::nullDevice());
            process.start(tool, {paths::toQString(mimeFolder)});
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(1000);
                CVR_LOG(LOG_LEVEL_WARNING, "update-mime-database did not finish");
            }
        }
    }
    return result;
}
