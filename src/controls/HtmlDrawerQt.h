#pragma once
// The HTML drawer's devices and services in the windowed program: text measured with
// QFontMetrics and painted with QPainter, pictures, fills, frames and lines through the drawer's
// draw manager (the painter should paint on a 32-bit QImage, where the draw manager works on the
// pixels directly); pictures of the program's artwork by number and image files by name; texts of
// the program's string table; links opened like the hyperlink control opens them.
//
// Font heights follow the logical-font rule (fontWithLogHeight): a height of 16 is a 16-pixel
// character cell. Fonts and their metrics are made once per style and kept (GUI thread only).

#include "controls/HtmlDrawerDevice.h"
#include "controls/HyperLink.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>

#include <memory>

class CPPDrawManager;
class QPaintDevice;
class QPainter;

class HtmlFontMeasurer : public HtmlTextMeasurer {
public:
    // Lengths in points and inches by the device's logical dots per inch (96 without a device).
    explicit HtmlFontMeasurer(const QPaintDevice* device = nullptr);

    void setFont(const HtmlFont& font) override;
    int advance(const QString& text) override;
    int ascent() override;
    int descent() override;
    int xHeight() override;
    int dpiY() override;
    // Fonts of one style are the same pixel-sized fonts on any device: the family is the dpi, which
    // decides the lengths in points.
    int metricsFamily() const override { return m_dpiY; }

    // The font last set, made for painting.
    const QFont& font() const;

    struct Face; // a font with its metrics

private:
    std::shared_ptr<const Face> m_face;
    int m_dpiY = 96;
};

class HtmlPainterCanvas : public HtmlCanvas {
public:
    // Paints with the painter; pictures, fills, frames and lines with the draw manager (the
    // drawer's own, CPPHtmlDrawer::Painter()). Pictures must come from HtmlArtworkPictures.
    HtmlPainterCanvas(QPainter& painter, CPPDrawManager& drawManager);

    void setFont(const HtmlFont& font) override;
    int advance(const QString& text) override { return m_measurer.advance(text); }
    int ascent() override { return m_measurer.ascent(); }
    int descent() override { return m_measurer.descent(); }
    int xHeight() override { return m_measurer.xHeight(); }
    int dpiY() override { return m_measurer.dpiY(); }
    int metricsFamily() const override { return m_measurer.metricsFamily(); }

    void text(int x, int y, const QString& text, QRgb colour) override;
    void line(QPoint from, QPoint to, QRgb colour, int penKind, int penWidth) override;
    void fill(const QRect& rect, const HtmlFill& fill) override;
    void frame(const QRect& rect, QRgb topLeft, QRgb bottomRight, int penKind, int penWidth) override;
    void picture(const HtmlPicture& picture, const HtmlPictureDraw& draw) override;
    void tile(const HtmlPicture& picture, const QRect& area) override;

private:
    QPainter& m_painter;
    CPPDrawManager& m_drawManager;
    HtmlFontMeasurer m_measurer;
};

// A picture as a QImage.
class HtmlImagePicture : public HtmlPicture {
public:
    explicit HtmlImagePicture(QImage image) : m_image(std::move(image)) {}
    QSize size() const override { return m_image.size(); }
    const QImage& image() const { return m_image; }

private:
    QImage m_image;
};

// Bitmaps and icons of the program's artwork by their resource numbers; image files by path.
class HtmlArtworkPictures : public HtmlPictureSource {
public:
    std::unique_ptr<HtmlPicture> bitmap(int id) override;
    std::unique_ptr<HtmlPicture> bitmapFile(const QString& path) override;
    std::unique_ptr<HtmlPicture> icon(int id, QSize requested) override;
    std::unique_ptr<HtmlPicture> iconFile(const QString& path, QSize requested) override;
};

// The program's string table (framework/StringTable.h).
class HtmlProgramStrings : public HtmlStringTable {
public:
    QString string(unsigned id) const override;
};

// Opens a link's address as the hyperlink control does: through the shell, with the beep and the
// notice when it cannot.
class HtmlHyperlinkOpener : public HtmlLinkOpener {
public:
    explicit HtmlHyperlinkOpener(LinkServices links) : m_links(std::move(links)) {}
    void openUrl(const QString& address) override { OpenHyperlink(m_links, address); }

private:
    LinkServices m_links;
};
