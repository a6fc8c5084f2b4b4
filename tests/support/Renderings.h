#pragma once
// Saves an image a test checks, for a person to look at:
// <CORVANA_TEST_BINARY_DIR>/renderings/<suite>/<test>-<name>.png, the suite and test being the
// running GoogleTest's (characters other than letters, digits, '-' and '_' become '_'). Without
// CORVANA_TEST_BINARY_DIR the root is the build folder. Returns the path, empty when the image
// could not be written.

#include <QImage>

#include <filesystem>
#include <string>

class QPixmap;
class QWidget;

namespace testsupport {

std::filesystem::path saveRendering(const QImage& image, const std::string& name);
std::filesystem::path saveRendering(const QPixmap& pixmap, const std::string& name);
// The widget as it paints itself (QWidget::grab()).
std::filesystem::path saveRendering(QWidget& widget, const std::string& name);

// The folder of one suite's renderings (created), for tools that write outside a running test.
std::filesystem::path renderingsFolder(const std::string& suite);

} // namespace testsupport
