#pragma once
// What the HTML drawer lays out and paints on, and the services it calls out to. The drawer is a
// layout engine: it asks a text measurer for advances and font metrics and tells a canvas what to
// paint where. The windowed program implements these on QFontMetrics and QPainter; the tests on a
// fixed-advance measurer and a canvas that records its calls, so layout numbers are exact.
//
// Coordinates are device pixels. Rectangles handed to the canvas are QRect(x, y, width, height).

#include <QHashFunctions>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QtGui/qrgb.h>

#include <memory>

// The font of a style: height is the cell height in pixels (ascent plus descent), weight 100..900.
struct HtmlFont {
    QString face;
    int height = 16;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;

    bool operator==(const HtmlFont&) const = default;
};

inline size_t qHash(const HtmlFont& font, size_t seed = 0) {
    return qHashMulti(seed, font.face, font.height, font.weight, font.italic, font.underline, font.strikeout);
}

// Measures text in the font last set.
class HtmlTextMeasurer {
public:
    virtual ~HtmlTextMeasurer() = default;

    // The font of the following questions (and, on a canvas, of the following text).
    virtual void setFont(const HtmlFont& font) = 0;
    // Width in pixels of the text in the current font.
    virtual int advance(const QString& text) = 0;
    virtual int ascent() = 0;
    virtual int descent() = 0;
    // Height of a lower-case x, for "ex" lengths.
    virtual int xHeight() = 0;
    // Vertical pixels per inch of the device, for "pt", "in", "cm" lengths.
    virtual int dpiY() = 0;
    // Measurers of one family give the same advances for the same font and text, so the painting
    // pass may take the widths the measuring pass measured; 0 (the default) belongs to no family.
    virtual int metricsFamily() const { return 0; }
};

// A picture a picture source loaded; the canvas that belongs to the same source draws it.
class HtmlPicture {
public:
    virtual ~HtmlPicture() = default;
    virtual QSize size() const = 0;
};

// Image effect flags of pictures.
inline constexpr int kHtmlEffectGrey = 1;
inline constexpr int kHtmlEffectDarker = 2;
inline constexpr int kHtmlEffectLighter = 4;
inline constexpr int kHtmlEffectDisabled = 8;
inline constexpr int kHtmlEffectShadow = 256;
inline constexpr int kHtmlEffectBlurredShadow = 512;

// How one picture is painted.
struct HtmlPictureDraw {
    enum class Kind { Bitmap, Icon, StripFrame };
    Kind kind = Kind::Bitmap;
    QPoint at;            // top-left corner
    QSize size;           // drawn size (the picture, or the frame, is scaled to it)
    int frame = 0;        // StripFrame: frame number, frames left to right, then top to bottom
    QSize frameSize;      // StripFrame: size of one frame in the strip
    int effects = 0;      // kHtmlEffect* flags
    bool useMask = false; // pixels of maskColour are transparent
    QRgb maskColour = 0;
    bool shadow = false; // a drop shadow is painted at shadowOffset
    QPoint shadowOffset;
    QSize blur;      // blur depths of a blurred shadow
    QRgb colour = 0; // shadow colour, or the disabled colour with kHtmlEffectDisabled
};

// Background fill of a table or cell: effect -1 none, 0 solid with begin, 1..15 gradients and patterns.
struct HtmlFill {
    int effect = 0;
    QRgb begin = 0;
    QRgb middle = 0;
    QRgb end = 0;
    int granularity = 5;
    int colouring = 0; // colouring percent of the patterns
};

// Pen kinds of lines and frames: 1 solid, 2 dotted, 3 dashed, 6 double.
class HtmlCanvas : public HtmlTextMeasurer {
public:
    // Text in the current font; (x, y) is the top-left corner of its cell, the baseline lies at
    // y + ascent().
    virtual void text(int x, int y, const QString& text, QRgb colour) = 0;
    virtual void line(QPoint from, QPoint to, QRgb colour, int penKind, int penWidth) = 0;
    virtual void fill(const QRect& rect, const HtmlFill& fill) = 0;
    // A rectangle's frame: upper and left edges in topLeft, lower and right edges in bottomRight.
    virtual void frame(const QRect& rect, QRgb topLeft, QRgb bottomRight, int penKind, int penWidth) = 0;
    virtual void picture(const HtmlPicture& picture, const HtmlPictureDraw& draw) = 0;
    // Covers the area with copies of the picture from its top-left corner, clipped at the edges.
    virtual void tile(const HtmlPicture& picture, const QRect& area) = 0;
};

// Loads the pictures that markup names: bitmaps and icons of the program's artwork by number, or
// image files. Each returns null when nothing loads.
class HtmlPictureSource {
public:
    virtual ~HtmlPictureSource() = default;
    virtual std::unique_ptr<HtmlPicture> bitmap(int id) = 0;
    virtual std::unique_ptr<HtmlPicture> bitmapFile(const QString& path) = 0;
    virtual std::unique_ptr<HtmlPicture> icon(int id, QSize requested) = 0;
    virtual std::unique_ptr<HtmlPicture> iconFile(const QString& path, QSize requested) = 0;
};

// Opens the address of a clicked link (the shell's "open").
class HtmlLinkOpener {
public:
    virtual ~HtmlLinkOpener() = default;
    virtual void openUrl(const QString& address) = 0;
};

// The program's string table: the text of a string id, empty when there is none.
class HtmlStringTable {
public:
    virtual ~HtmlStringTable() = default;
    virtual QString string(unsigned id) const = 0;
};
