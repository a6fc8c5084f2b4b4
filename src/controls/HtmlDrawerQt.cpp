#include "controls/HtmlDrawerQt.h"

#include "controls/Artwork.h"
#include "controls/PPDrawManager.h"
#include "controls/WinGdi.h"
#include "framework/StringTable.h"

#include <QHash>
#include <QIcon>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>

namespace {

// Heights beyond any screen's reach are cut, so markup cannot ask for a font of a million pixels.
constexpr int kMaxFontHeight = 1000;
// Styles kept at most; a text with more starts the cache afresh.
constexpr qsizetype kMaxCachedFaces = 256;
// The icon size when markup asks for none.
constexpr int kIconSize = 32;

const QImage& imageOf(const HtmlPicture& picture) {
    return static_cast<const HtmlImagePicture&>(picture).image();
}

} // namespace

struct HtmlFontMeasurer::Face {
    explicit Face(const QFont& made) : font(made), metrics(made) {
        ascent = metrics.ascent();
        descent = metrics.descent();
        xHeight = metrics.xHeight();
    }
    QFont font;
    QFontMetrics metrics;
    int ascent = 0;
    int descent = 0;
    int xHeight = 0;
};

namespace {

std::shared_ptr<const HtmlFontMeasurer::Face> faceOf(const HtmlFont& style) {
    static QHash<HtmlFont, std::shared_ptr<const HtmlFontMeasurer::Face>> cache;
    const auto found = cache.constFind(style);
    if (found != cache.cend())
        return found.value();
    QFont font(style.face);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(style.weight, 1, 1000)));
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    font.setStrikeOut(style.strikeout);
    font = fontWithLogHeight(font, std::clamp(style.height, -kMaxFontHeight, kMaxFontHeight));
    if (cache.size() >= kMaxCachedFaces)
        cache.clear();
    auto face = std::make_shared<const HtmlFontMeasurer::Face>(font);
    cache.insert(style, face);
    return face;
}

} // namespace

HtmlFontMeasurer::HtmlFontMeasurer(const QPaintDevice* device) : m_dpiY(logPixelsY(device)) {}

void HtmlFontMeasurer::setFont(const HtmlFont& font) {
    m_face = faceOf(font);
}

int HtmlFontMeasurer::advance(const QString& text) {
    return m_face ? m_face->metrics.horizontalAdvance(text) : 0;
}

int HtmlFontMeasurer::ascent() {
    return m_face ? m_face->ascent : 0;
}

int HtmlFontMeasurer::descent() {
    return m_face ? m_face->descent : 0;
}

int HtmlFontMeasurer::xHeight() {
    return m_face ? m_face->xHeight : 0;
}

int HtmlFontMeasurer::dpiY() {
    return m_dpiY;
}

const QFont& HtmlFontMeasurer::font() const {
    static const QFont none;
    return m_face ? m_face->font : none;
}

// ---- the canvas ----

HtmlPainterCanvas::HtmlPainterCanvas(QPainter& painter, CPPDrawManager& drawManager)
    : m_painter(painter), m_drawManager(drawManager), m_measurer(painter.device()) {}

void HtmlPainterCanvas::setFont(const HtmlFont& font) {
    m_measurer.setFont(font);
    m_painter.setFont(m_measurer.font());
}

void HtmlPainterCanvas::text(int x, int y, const QString& text, QRgb colour) {
    m_painter.setPen(QColor(colour));
    m_painter.drawText(x, y + m_measurer.ascent(), text);
}

void HtmlPainterCanvas::line(QPoint from, QPoint to, QRgb colour, int penKind, int penWidth) {
    m_drawManager.PaintLine(m_painter, from.x(), from.y(), to.x(), to.y(), colorRefOf(colour), penKind, penWidth);
}

void HtmlPainterCanvas::fill(const QRect& rect, const HtmlFill& fill) {
    m_drawManager.FillBackground(m_painter, fill.effect, RECT::fromQRect(rect), colorRefOf(fill.begin),
                                 colorRefOf(fill.middle), colorRefOf(fill.end), fill.granularity, fill.colouring);
}

void HtmlPainterCanvas::frame(const QRect& rect, QRgb topLeft, QRgb bottomRight, int penKind, int penWidth) {
    m_drawManager.PaintFrame(m_painter, RECT::fromQRect(rect), colorRefOf(topLeft), colorRefOf(bottomRight), penKind,
                             penWidth);
}

void HtmlPainterCanvas::picture(const HtmlPicture& picture, const HtmlPictureDraw& draw) {
    const QImage& image = imageOf(picture);
    const int x = draw.at.x();
    const int y = draw.at.y();
    const int width = draw.size.width();
    const int height = draw.size.height();
    const unsigned effects = static_cast<unsigned>(draw.effects);
    const int dx = draw.shadowOffset.x();
    const int dy = draw.shadowOffset.y();
    const COLORREF colour = colorRefOf(draw.colour);
    switch (draw.kind) {
    case HtmlPictureDraw::Kind::Bitmap:
        m_drawManager.PaintBitmap(m_painter, x, y, width, height, &image, draw.useMask, colorRefOf(draw.maskColour),
                                  effects, draw.shadow, dx, dy, draw.blur.width(), draw.blur.height(), colour);
        break;
    case HtmlPictureDraw::Kind::Icon:
        m_drawManager.PaintIcon(m_painter, x, y, width, height, &image, effects, draw.shadow, dx, dy, draw.blur.width(),
                                draw.blur.height(), colour);
        break;
    case HtmlPictureDraw::Kind::StripFrame:
        m_drawManager.PaintStripImage(m_painter, x, y, width, height, &image, draw.frame, draw.frameSize.width(),
                                      draw.frameSize.height(), draw.useMask, colorRefOf(draw.maskColour), effects,
                                      draw.shadow, dx, dy, draw.blur.width(), draw.blur.height(), colour);
        break;
    }
}

void HtmlPainterCanvas::tile(const HtmlPicture& picture, const QRect& area) {
    const QImage& image = imageOf(picture);
    m_drawManager.TileBlit(m_painter, area.x(), area.y(), area.width(), area.height(), image, 0, 0, image.width(),
                           image.height());
}

// ---- pictures and strings ----

namespace {

std::unique_ptr<HtmlPicture> pictureOf(QImage image) {
    if (image.isNull())
        return nullptr;
    return std::make_unique<HtmlImagePicture>(std::move(image));
}

QSize iconSize(QSize requested) {
    return QSize(requested.width() > 0 ? std::min(requested.width(), kMaxFontHeight) : kIconSize,
                 requested.height() > 0 ? std::min(requested.height(), kMaxFontHeight) : kIconSize);
}

} // namespace

std::unique_ptr<HtmlPicture> HtmlArtworkPictures::bitmap(int id) {
    return id > 0 ? pictureOf(artworkBitmap(static_cast<unsigned>(id))) : nullptr;
}

std::unique_ptr<HtmlPicture> HtmlArtworkPictures::bitmapFile(const QString& path) {
    return pictureOf(QImage(path));
}

std::unique_ptr<HtmlPicture> HtmlArtworkPictures::icon(int id, QSize requested) {
    if (id <= 0)
        return nullptr;
    const QIcon icon = artworkIcon(static_cast<unsigned>(id));
    if (icon.isNull())
        return nullptr;
    const QSize size = iconSize(requested);
    return pictureOf(icon.pixmap(size).toImage().scaled(size));
}

std::unique_ptr<HtmlPicture> HtmlArtworkPictures::iconFile(const QString& path, QSize requested) {
    const QImage image(path);
    if (image.isNull())
        return nullptr;
    const QSize size = iconSize(requested);
    return pictureOf(CPPDrawManager::ResizeIcon(image, size.width(), size.height()));
}

QString HtmlProgramStrings::string(unsigned id) const {
    return QString::fromStdString(LoadString(id));
}
