#include "support/PdfTools.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace testsupport {

namespace {

QString runTool(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

PdfInfo pdfInfo(const std::filesystem::path& file) {
    PdfInfo info;
    const QString text = runTool("pdfinfo", {QString::fromStdString(file.string())});
    const auto pages = QRegularExpression(R"(Pages:\s+(\d+))").match(text);
    if (pages.hasMatch())
        info.pages = pages.captured(1).toInt();
    const auto size = QRegularExpression(R"(Page size:\s+([\d.]+) x ([\d.]+))").match(text);
    if (size.hasMatch()) {
        info.width = size.captured(1).toDouble();
        info.height = size.captured(2).toDouble();
    }
    return info;
}

QString pdfText(const std::filesystem::path& file) {
    return runTool("pdftotext", {"-layout", QString::fromStdString(file.string()), "-"});
}

} // namespace testsupport
