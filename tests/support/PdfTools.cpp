#include "support/PdfTools.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cctype>

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

int PdfPageImage::inked(double x0, double y0, double x1, double y1) const {
    int count = 0;
    const int left = static_cast<int>(x0 * width), right = static_cast<int>(x1 * width);
    const int top = static_cast<int>(y0 * height), bottom = static_cast<int>(y1 * height);
    for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
        for (int x = std::max(left, 0); x < std::min(right, width); ++x)
            count +=
                gray[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] < 250;
    return count;
}

PdfPageImage pdfPage(const std::filesystem::path& file, int page, int dpi) {
    PdfPageImage image;
    QProcess process;
    const QString number = QString::number(page);
    process.start("pdftoppm", {"-gray", "-r", QString::number(dpi), "-f", number, "-l", number,
                               QString::fromStdString(file.string())});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return image;
    // A binary PGM: "P5", width, height, maximum value, one white-space byte, then the pixels.
    const QByteArray data = process.readAllStandardOutput();
    int at = 0;
    const auto field = [&]() -> QByteArray {
        while (at < data.size() && std::isspace(static_cast<unsigned char>(data[at])))
            ++at;
        const int start = at;
        while (at < data.size() && !std::isspace(static_cast<unsigned char>(data[at])))
            ++at;
        return data.mid(start, at - start);
    };
    if (field() != "P5")
        return image;
    const int width = field().toInt(), height = field().toInt(), maximum = field().toInt();
    ++at;
    if (width <= 0 || height <= 0 || maximum != 255 || data.size() - at < qsizetype(width) * height)
        return image;
    image.width = width;
    image.height = height;
    image.gray.assign(data.begin() + at, data.begin() + at + qsizetype(width) * height);
    return image;
}

} // namespace testsupport
