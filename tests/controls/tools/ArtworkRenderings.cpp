// Writes every artwork picture as <build>/renderings/artwork/<id>.png and <id>-x4.png (enlarged
// without smoothing), plus the toolbar strip's normal and disabled looks.
#include "controls/Artwork.h"
#include "controls/PictureIds.h"
#include "controls/ToolbarBitmap.h"
#include "support/Renderings.h"

#include <QApplication>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool save(const QImage& image, const std::string& name) {
    const std::filesystem::path folder = testsupport::renderingsFolder("artwork");
    const QImage big = image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const bool ok = image.save(QString::fromStdString((folder / (name + ".png")).string()), "PNG") &&
                    big.save(QString::fromStdString((folder / (name + "-x4.png")).string()), "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", (folder / (name + ".png")).string().c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    bool ok = true;
    for (const unsigned id : artworkBitmapIds())
        ok = save(artworkBitmap(id), std::to_string(id)) && ok;
    for (const unsigned id : artworkIconIds())
        ok = save(artworkIcon(id).pixmap(32, 32).toImage(), "icon-" + std::to_string(id)) && ok;
    CEnBitmap disabled, normal;
    if (disabled.LoadBitmap(pictures::IDB_TOOLBAR24) && MakeDisabledBitmap(disabled, RGB(255, 0, 255)))
        ok = save(disabled.image(), "183-disabled") && ok;
    if (normal.LoadBitmap(pictures::IDB_TOOLBAR24) && MakeLightBitmap(normal, RGB(255, 0, 255)))
        ok = save(normal.image(), "183-normal") && ok;
    return ok ? 0 : 1;
}
