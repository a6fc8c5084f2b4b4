#include "Renderings.h"

#include <gtest/gtest.h>

#include <QPixmap>
#include <QWidget>

#include <cstdlib>
#include <system_error>

namespace testsupport {

namespace {

std::string safe(std::string text) {
    for (char& c : text) {
        const bool ok =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!ok)
            c = '_';
    }
    return text;
}

} // namespace

std::filesystem::path renderingsFolder(const std::string& suite) {
    const char* root = std::getenv("CORVANA_TEST_BINARY_DIR");
    const std::filesystem::path folder =
        std::filesystem::path(root && *root ? root : CORVANA_BUILD_FOLDER) / "renderings" / safe(suite);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

std::filesystem::path saveRendering(const QImage& image, const std::string& name) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string suite = info ? info->test_suite_name() : "no_test";
    const std::string test = info ? info->name() : "none";
    const std::filesystem::path path = renderingsFolder(suite) / (safe(test) + "-" + safe(name) + ".png");
    if (image.isNull() || !image.save(QString::fromStdString(path.string()), "PNG"))
        return {};
    return path;
}

std::filesystem::path saveRendering(const QPixmap& pixmap, const std::string& name) {
    return saveRendering(pixmap.toImage(), name);
}

std::filesystem::path saveRendering(QWidget& widget, const std::string& name) {
    return saveRendering(widget.grab(), name);
}

} // namespace testsupport
