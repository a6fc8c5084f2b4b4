#include "controls/Artwork.h"

#include "controls/AppIcons.h"
#include "controls/PictureIds.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>
#include <functional>
#include <map>
#include <mutex>

namespace {

using namespace pictures;

// ---- colours: a rich value for true-colour pictures, a 16-colour value for the menu bitmaps ----

enum class C { None, Ink, Paper, Shade, Dark, Navy, Blue, Sky, Green, Lime, Maroon, Red, Olive, Yellow, Gold, Teal };

struct Ink {
    QRgb rich;
    QRgb vga;
};

Ink inkOf(C c) {
    switch (c) {
    case C::Ink:
        return {qRgb(32, 32, 32), qRgb(0, 0, 0)};
    case C::Paper:
        return {qRgb(255, 255, 255), qRgb(255, 255, 255)};
    case C::Shade:
        return {qRgb(200, 200, 200), qRgb(128, 128, 128)};
    case C::Dark:
        return {qRgb(110, 110, 110), qRgb(128, 128, 128)};
    case C::Navy:
        return {qRgb(30, 60, 140), qRgb(0, 0, 128)};
    case C::Blue:
        return {qRgb(50, 115, 215), qRgb(0, 0, 255)};
    case C::Sky:
        return {qRgb(170, 205, 245), qRgb(0, 255, 255)};
    case C::Green:
        return {qRgb(30, 140, 55), qRgb(0, 128, 0)};
    case C::Lime:
        return {qRgb(120, 205, 90), qRgb(0, 255, 0)};
    case C::Maroon:
        return {qRgb(140, 25, 25), qRgb(128, 0, 0)};
    case C::Red:
        return {qRgb(215, 45, 40), qRgb(255, 0, 0)};
    case C::Olive:
        return {qRgb(150, 105, 40), qRgb(128, 128, 0)};
    case C::Yellow:
        return {qRgb(250, 205, 70), qRgb(255, 255, 0)};
    case C::Gold:
        return {qRgb(215, 155, 30), qRgb(128, 128, 0)};
    case C::Teal:
        return {qRgb(0, 128, 128), qRgb(0, 128, 128)};
    case C::None:
        break;
    }
    return {0, 0};
}

// The 16 colours of the menu bitmaps.
constexpr std::array<QRgb, 16> kVga = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF,
};
constexpr int kVgaBackground = 7; // (192,192,192)

// ---- drawing in a 16-unit box ----

class Pen {
public:
    Pen(QPainter& painter, bool vga) : m_p(painter), m_vga(vga) {}

    QColor col(C c) const {
        return c == C::None ? QColor(Qt::transparent) : QColor::fromRgb(m_vga ? inkOf(c).vga : inkOf(c).rich);
    }

    void fill(double x, double y, double w, double h, C c) { m_p.fillRect(QRectF(x, y, w, h), col(c)); }

    // A rectangle over whole units with a one-unit outline.
    void box(double x, double y, double w, double h, C fillColour, C line) {
        if (line != C::None)
            fill(x, y, w, h, line);
        if (fillColour != C::None)
            fill(x + 1, y + 1, w - 2, h - 2, fillColour);
    }

    void poly(std::initializer_list<QPointF> points, C fillColour, C line = C::None, double width = 1) {
        setup(fillColour, line, width);
        m_p.drawPolygon(QPolygonF(QList<QPointF>(points)));
    }

    void lines(std::initializer_list<QPointF> points, C line, double width = 1) {
        setup(C::None, line, width);
        m_p.drawPolyline(QPolygonF(QList<QPointF>(points)));
    }

    void line(double x1, double y1, double x2, double y2, C c, double width = 1) {
        lines({{x1, y1}, {x2, y2}}, c, width);
    }

    void ellipse(double x, double y, double w, double h, C fillColour, C line = C::None, double width = 1) {
        setup(fillColour, line, width);
        m_p.drawEllipse(QRectF(x, y, w, h));
    }

    void arc(double x, double y, double w, double h, double startDeg, double spanDeg, C line, double width) {
        setup(C::None, line, width);
        m_p.drawArc(QRectF(x, y, w, h), static_cast<int>(startDeg * 16), static_cast<int>(spanDeg * 16));
    }

    void path(const QPainterPath& path, C fillColour, C line = C::None, double width = 1) {
        setup(fillColour, line, width);
        m_p.drawPath(path);
    }

private:
    void setup(C fillColour, C line, double width) {
        m_p.setBrush(fillColour == C::None ? QBrush(Qt::NoBrush) : QBrush(col(fillColour)));
        m_p.setPen(line == C::None ? QPen(Qt::NoPen)
                                   : QPen(col(line), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }

    QPainter& m_p;
    bool m_vga;
};

using Glyph = std::function<void(Pen&)>;

// ---- shared pieces ----

void page(Pen& g, double x = 3, double y = 0.5, double w = 10, double h = 14) {
    const double r = x + w, b = y + h;
    g.poly({{x, y}, {r - 3, y}, {r, y + 3}, {r, b}, {x, b}}, C::Paper, C::Ink);
    g.poly({{r - 3, y}, {r - 3, y + 3}, {r, y + 3}}, C::Shade, C::Ink);
}

void pageLines(Pen& g, double x, double y, double w, int count) {
    for (int i = 0; i < count; ++i)
        g.line(x, y + 2 * i, x + w, y + 2 * i, C::Dark);
}

void plus(Pen& g, double cx, double cy, C colour) {
    g.ellipse(cx - 3.5, cy - 3.5, 7, 7, colour, C::Paper);
    g.line(cx - 2, cy, cx + 2, cy, C::Paper, 1.4);
    g.line(cx, cy - 2, cx, cy + 2, C::Paper, 1.4);
}

void arrow(Pen& g, QPointF from, QPointF to, C colour, double width = 2, double head = 3.5) {
    const QLineF l(from, to);
    QLineF back(to, from);
    back.setLength(head);
    const QLineF unit = back.normalVector();
    QPointF n(unit.dx(), unit.dy());
    n /= std::max(1e-9, std::hypot(n.x(), n.y()));
    const QPointF base = back.p2();
    g.line(from.x(), from.y(), base.x(), base.y(), colour, width);
    g.poly({to, base + n * head * 0.8, base - n * head * 0.8}, colour, colour, 0.8);
    (void)l;
}

void floppy(Pen& g) {
    g.poly({{1.5, 1.5}, {13.5, 1.5}, {14.5, 2.5}, {14.5, 14.5}, {1.5, 14.5}}, C::Navy, C::Ink);
    g.box(4, 2, 8, 6, C::Paper, C::None);
    g.line(5, 4, 11, 4, C::Shade);
    g.line(5, 6, 11, 6, C::Shade);
    g.box(4, 10, 8, 5, C::Shade, C::None);
    g.fill(9, 11, 2, 3, C::Navy);
}

void coins(Pen& g, double x, double y) {
    for (int i = 2; i >= 0; --i) {
        g.ellipse(x, y + 3 * i + 1, 9, 4, C::Gold, C::Olive);
        g.ellipse(x, y + 3 * i, 9, 4, C::Yellow, C::Olive);
    }
}

void circularArrows(Pen& g, C colour, bool both) {
    if (!both) {
        // One arrow nearly around the circle.
        g.arc(2.5, 2.5, 11, 11, 100, 290, colour, 2);
        g.poly({{0.5, 7}, {5.5, 7}, {3, 10.5}}, colour, colour, 0.5);
        return;
    }
    g.arc(2.5, 2.5, 11, 11, 100, 150, colour, 2);
    g.poly({{0.5, 7}, {5.5, 7}, {3, 10.5}}, colour, colour, 0.5);
    {
        g.arc(2.5, 2.5, 11, 11, 280, 150, colour, 2);
        g.poly({{10.5, 9}, {15.5, 9}, {13, 5.5}}, colour, colour, 0.5);
    }
}

void axes(Pen& g) {
    g.lines({{1.5, 1}, {1.5, 14.5}, {15, 14.5}}, C::Ink);
}

void letterR(Pen& g, double x, double y, C colour) {
    // A 4 x 6 capital R drawn on whole pixels.
    g.fill(x, y, 1, 6, colour);
    g.fill(x + 1, y, 2, 1, colour);
    g.fill(x + 3, y + 1, 1, 2, colour);
    g.fill(x + 1, y + 3, 2, 1, colour);
    g.fill(x + 2, y + 4, 1, 1, colour);
    g.fill(x + 3, y + 5, 1, 1, colour);
}

void zero(Pen& g, double x, double y, C colour) {
    g.ellipse(x + 0.5, y + 0.5, 3, 6, C::None, colour, 1.2);
}

void gear(Pen& g, double cx, double cy, double r, C body) {
    QPainterPath teeth;
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        tooth.addRect(QRectF(-1.3, -r - 1.6, 2.6, 3.2));
        QTransform t;
        t.translate(cx, cy);
        t.rotate(45.0 * i);
        teeth.addPath(t.map(tooth));
    }
    QPainterPath ring;
    ring.addEllipse(QPointF(cx, cy), r, r);
    QPainterPath hole;
    hole.addEllipse(QPointF(cx, cy), r * 0.4, r * 0.4);
    g.path(teeth.united(ring).subtracted(hole), body, C::Ink, 0.8);
}

void globe(Pen& g) {
    g.ellipse(1.5, 1.5, 12, 12, C::Sky, C::Navy);
    g.ellipse(4.5, 1.5, 6, 12, C::None, C::Navy);
    g.line(1.5, 7.5, 13.5, 7.5, C::Navy);
    g.line(7.5, 1.5, 7.5, 13.5, C::Navy);
}

void redCross(Pen& g, double x, double y, double s) {
    g.line(x, y, x + s, y + s, C::Red, 2.6);
    g.line(x + s, y, x, y + s, C::Red, 2.6);
}

void chartTile(Pen& g, C tile) {
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    g.path(rounded, tile);
    g.lines({{3, 11.5}, {6, 8}, {9, 10}, {13, 4.5}}, C::Paper, 1.8);
}

// ---- toolbar 127 (and 132): the main window's commands ----

const std::map<unsigned, Glyph>& commandGlyphs() {
    static const std::map<unsigned, Glyph> glyphs = {
        {57600, [](Pen& g) { page(g); }},
        {57601,
         [](Pen& g) {
             g.poly({{0.5, 2.5}, {5.5, 2.5}, {6.5, 3.5}, {12.5, 3.5}, {12.5, 13.5}, {0.5, 13.5}}, C::Gold, C::Olive);
             g.poly({{3.5, 6.5}, {15.5, 6.5}, {12.5, 13.5}, {0.5, 13.5}}, C::Yellow, C::Olive);
         }},
        {57603, [](Pen& g) { floppy(g); }},
        {32775,
         [](Pen& g) {
             page(g, 1.5, 0.5, 10, 13);
             pageLines(g, 3.5, 5.5, 5, 3);
             plus(g, 11.5, 10.5, C::Green);
         }},
        {57635,
         [](Pen& g) {
             g.line(5, 9, 11, 0.5, C::Dark, 1.6);
             g.line(11, 9, 5, 0.5, C::Dark, 1.6);
             g.ellipse(1.5, 8.5, 5, 5, C::None, C::Ink, 1.6);
             g.ellipse(9.5, 8.5, 5, 5, C::None, C::Ink, 1.6);
         }},
        {57634,
         [](Pen& g) {
             g.box(1, 1, 9, 11, C::Paper, C::Ink);
             pageLines(g, 2.5, 3.5, 5, 3);
             g.box(6, 4, 9, 11, C::Paper, C::Ink);
             pageLines(g, 7.5, 6.5, 5, 4);
         }},
        {57637,
         [](Pen& g) {
             g.box(1, 2, 10, 13, C::Gold, C::Olive);
             g.box(4, 0, 4, 4, C::Shade, C::Ink);
             g.box(6, 6, 9, 9, C::Paper, C::Ink);
             pageLines(g, 7.5, 8.5, 5, 3);
         }},
        {32781, [](Pen& g) { circularArrows(g, C::Green, true); }},
        {32797,
         [](Pen& g) {
             g.poly({{5, 0.5}, {11, 0.5}, {15.5, 5}, {15.5, 11}, {11, 15.5}, {5, 15.5}, {0.5, 11}, {0.5, 5}}, C::Red,
                    C::Maroon);
             g.line(5, 5, 11, 11, C::Paper, 2);
             g.line(11, 5, 5, 11, C::Paper, 2);
         }},
        {32803,
         [](Pen& g) {
             axes(g);
             g.lines({{3, 12}, {6, 9}, {8, 10}}, C::Blue, 1.4);
             g.poly({{8, 11.5}, {14, 2.5}, {15.5, 3.5}, {9.5, 12.5}, {7.5, 13.5}}, C::Yellow, C::Ink, 0.8);
             g.poly({{7.5, 13.5}, {8, 11.5}, {9.5, 12.5}}, C::Ink, C::Ink, 0.5);
         }},
        {32814,
         [](Pen& g) {
             g.box(1, 6, 14, 9, C::Paper, C::Ink);
             g.line(1.5, 10.5, 14.5, 10.5, C::Dark);
             g.line(6.5, 6.5, 6.5, 14.5, C::Dark);
             arrow(g, {10.5, 0}, {10.5, 9}, C::Blue, 2.2, 4);
         }},
        {32901,
         [](Pen& g) {
             coins(g, 0.5, 3);
             plus(g, 12, 4.5, C::Green);
         }},
        {32828,
         [](Pen& g) {
             g.ellipse(1.5, 1.5, 4, 4, C::None, C::Navy, 1.4);
             g.ellipse(10.5, 9.5, 4, 4, C::None, C::Navy, 1.4);
             g.line(12.5, 1.5, 3.5, 13.5, C::Navy, 1.6);
         }},
        {32850,
         [](Pen& g) {
             g.fill(1, 6, 2, 2, C::Ink);
             zero(g, 4, 1, C::Ink);
             zero(g, 9, 1, C::Ink);
             arrow(g, {14, 12}, {3, 12}, C::Red, 1.8, 3.5);
         }},
        {32851,
         [](Pen& g) {
             g.fill(1, 6, 2, 2, C::Ink);
             zero(g, 4, 1, C::Ink);
             zero(g, 8, 1, C::Ink);
             zero(g, 12, 1, C::Ink);
             arrow(g, {2, 12}, {13, 12}, C::Green, 1.8, 3.5);
         }},
        {32819,
         [](Pen& g) {
             axes(g);
             g.lines({{3, 11}, {7, 7}, {10, 9}, {14.5, 3}}, C::Red, 1.4);
             g.lines({{3, 8}, {6, 9}, {10, 5}, {14.5, 6}}, C::Blue, 1.4);
             g.lines({{3, 13}, {7, 12}, {11, 12}, {14.5, 9}}, C::Green, 1.4);
         }},
        {32821,
         [](Pen& g) {
             axes(g);
             g.lines({{3, 11}, {7, 8}, {10, 9}, {14.5, 4}}, C::Blue, 1.4);
             g.line(4.5, 2, 4.5, 13, C::Red, 1.2);
             g.line(12.5, 2, 12.5, 13, C::Red, 1.2);
         }},
        {57609,
         [](Pen& g) {
             page(g, 1.5, 0.5, 10, 13);
             g.ellipse(6, 5, 6, 6, C::Sky, C::Ink, 1.2);
             g.line(11.5, 10.5, 14.5, 13.5, C::Ink, 2.2);
         }},
        {32861,
         [](Pen& g) {
             g.box(2, 0, 12, 15, C::Shade, C::Ink);
             g.box(4, 2, 8, 3, C::Sky, C::Ink);
             for (int row = 0; row < 3; ++row)
                 for (int col = 0; col < 3; ++col)
                     g.fill(4 + 3 * col, 6 + 3 * row, 2, 2, col == 2 && row == 2 ? C::Red : C::Ink);
         }},
        {57664,
         [](Pen& g) {
             g.ellipse(0.5, 0.5, 14, 14, C::Blue, C::Navy);
             g.fill(6.5, 3, 2, 2, C::Paper);
             g.fill(6.5, 6, 2, 6, C::Paper);
         }},
    };
    return glyphs;
}

// ---- toolbar 129: further menu commands ----

const std::map<unsigned, Glyph>& extraGlyphs() {
    static const std::map<unsigned, Glyph> glyphs = {
        {57604,
         [](Pen& g) {
             floppy(g);
             g.poly({{9, 13.5}, {14.5, 6}, {15.5, 7}, {10.5, 14.5}, {8.5, 15}}, C::Yellow, C::Ink, 0.8);
         }},
        {57607,
         [](Pen& g) {
             g.box(4, 0, 8, 6, C::Paper, C::Ink);
             g.box(1, 5, 14, 7, C::Shade, C::Ink);
             g.fill(11, 7, 2, 1, C::Lime);
             g.box(3, 9, 10, 6, C::Paper, C::Ink);
             pageLines(g, 4.5, 11.5, 6, 2);
         }},
        {32780, [](Pen& g) { redCross(g, 3, 2, 10); }},
        {32778, [](Pen& g) { circularArrows(g, C::Green, false); }},
        {32779,
         [](Pen& g) {
             g.box(1, 1, 14, 13, C::Paper, C::Ink);
             g.fill(2, 2, 12, 2, C::Navy);
             for (int i = 0; i < 3; ++i)
                 g.line(1.5, 6.5 + 2.5 * i, 14.5, 6.5 + 2.5 * i, C::Dark);
             g.line(6.5, 4, 6.5, 13.5, C::Dark);
         }},
        {32774,
         [](Pen& g) {
             g.box(1, 1, 14, 13, C::Paper, C::Ink);
             g.fill(2, 2, 12, 2, C::Navy);
             for (int i = 0; i < 3; ++i) {
                 g.box(3, 5 + 3 * i, 3, 3, C::Paper, C::Ink);
                 g.line(7.5, 6.5 + 3 * i, 12.5, 6.5 + 3 * i, C::Dark);
             }
         }},
        {32935,
         [](Pen& g) {
             page(g, 0.5, 0.5, 10, 14);
             pageLines(g, 2.5, 5.5, 5, 4);
             arrow(g, {6, 10.5}, {15.5, 10.5}, C::Green, 2, 3.5);
         }},
        {32785, [](Pen& g) { globe(g); }},
        {32810, [](Pen& g) { gear(g, 8, 7.5, 4.5, C::Shade); }},
        {32830,
         [](Pen& g) {
             g.ellipse(0.5, 0.5, 14, 14, C::Yellow, C::Olive);
             g.arc(5, 3, 5, 5, -60, 240, C::Ink, 1.8);
             g.line(7.5, 7.8, 7.5, 9.5, C::Ink, 1.8);
             g.fill(6.5, 11, 2, 2, C::Ink);
         }},
        {32834, [](Pen& g) { circularArrows(g, C::Blue, true); }},
        {57665,
         [](Pen& g) {
             g.box(2, 0, 9, 15, C::Gold, C::Olive);
             g.poly({{2.5, 0.5}, {7.5, 2.5}, {7.5, 14.5}, {2.5, 14.5}}, C::Olive, C::Ink, 0.8);
             arrow(g, {8, 7.5}, {15.5, 7.5}, C::Red, 1.8, 3.5);
         }},
        {57664, [](Pen& g) { chartTile(g, C::Blue); }},
    };
    return glyphs;
}

// ---- row images ----

void upArrow(Pen& g, C c) {
    arrow(g, {3, 13}, {13, 3}, c, 2.4, 5);
}
void downArrow(Pen& g, C c) {
    arrow(g, {3, 3}, {13, 13}, c, 2.4, 5);
}
void flatArrow(Pen& g, C c) {
    arrow(g, {2, 8}, {14, 8}, c, 2.4, 5);
}
void alarmMark(Pen& g) {
    g.box(11, 0, 5, 16, C::Yellow, C::Red);
    g.fill(13, 2, 1, 8, C::Red);
    g.fill(13, 12, 1, 2, C::Red);
}

const std::vector<Glyph>& downloadGlyphs() {
    static const std::vector<Glyph> glyphs = {
        [](Pen& g) {
            g.ellipse(1.5, 1.5, 13, 13, C::Paper, C::Dark, 1.2);
            g.lines({{8, 4}, {8, 8}, {11, 10}}, C::Ink, 1.4);
        },
        [](Pen& g) { gear(g, 8, 8, 4.5, C::Yellow); },
        [](Pen& g) { globe(g); },
        [](Pen& g) {
            arrow(g, {8, 1}, {8, 12}, C::Green, 2.6, 5.5);
            g.line(2, 14.5, 14, 14.5, C::Dark, 1.2);
        },
        [](Pen& g) {
            g.ellipse(1, 1, 14, 14, C::Red, C::Maroon);
            g.line(5, 5, 11, 11, C::Paper, 2.2);
            g.line(11, 5, 5, 11, C::Paper, 2.2);
        },
    };
    return glyphs;
}

const std::vector<Glyph>& itemGlyphs() {
    static const std::vector<Glyph> glyphs = {
        [](Pen& g) { flatArrow(g, C::Dark); },
        [](Pen& g) { downArrow(g, C::Red); },
        [](Pen& g) { upArrow(g, C::Green); },
        [](Pen& g) {
            arrow(g, {1, 8}, {10, 8}, C::Dark, 2.2, 4);
            alarmMark(g);
        },
        [](Pen& g) {
            arrow(g, {1, 3}, {10, 12}, C::Red, 2.2, 4.5);
            alarmMark(g);
        },
        [](Pen& g) {
            arrow(g, {1, 12}, {10, 3}, C::Green, 2.2, 4.5);
            alarmMark(g);
        },
        [](Pen& g) {
            g.box(0, 3, 16, 10, C::Lime, C::Green);
            g.ellipse(5, 5, 6, 6, C::Paper, C::Green);
            g.fill(7.5, 6, 1, 4, C::Green);
        },
    };
    return glyphs;
}

const std::vector<Glyph>& transactionGlyphs() {
    const auto rightArrow = [](Pen& g, C c) { arrow(g, {1, 10}, {15, 10}, c, 2.6, 5.5); };
    const auto leftArrow = [](Pen& g, C c) { arrow(g, {15, 10}, {1, 10}, c, 2.6, 5.5); };
    static const std::vector<Glyph> glyphs = {
        [=](Pen& g) {
            rightArrow(g, C::Blue);
            letterR(g, 1, 0, C::Ink);
        },
        [=](Pen& g) { rightArrow(g, C::Blue); },
        [=](Pen& g) {
            leftArrow(g, C::Red);
            letterR(g, 11, 0, C::Ink);
        },
        [=](Pen& g) { leftArrow(g, C::Red); },
        [](Pen& g) {
            coins(g, 0.5, 3);
            letterR(g, 12, 0, C::Ink);
        },
        [](Pen& g) { coins(g, 3.5, 3); },
        [](Pen& g) {
            g.fill(3, 5, 10, 2, C::Ink);
            g.fill(3, 9, 10, 2, C::Ink);
        },
        [](Pen& g) {
            g.ellipse(3.5, 3.5, 9, 9, C::None, C::Navy, 1.6);
            g.line(2.5, 13.5, 13.5, 2.5, C::Navy, 1.6);
        },
        [=](Pen& g) { leftArrow(g, C::Maroon); },
        [](Pen& g) {
            g.lines({{12.5, 3}, {3.5, 3}, {8.5, 8}, {3.5, 13}, {12.5, 13}}, C::Ink, 1.8);
        },
    };
    return glyphs;
}

// ---- rendering ----

// One glyph drawn antialiased on transparency, `size` pixels for the 16-unit box.
QImage renderGlyph(const Glyph& glyph, int size, bool vga) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    Pen pen(painter, vga);
    glyph(pen);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Edge pixels that are mostly covered are mixed over the colour the picture is usually seen on;
// the rest becomes the key colour.
QRgb flatten(QRgb p, QRgb key, QRgb matte) {
    const int a = qAlpha(p);
    if (a < 64)
        return key;
    if (a == 255)
        return p | 0xFF000000u;
    const auto mix = [a](int c, int m) { return (c * a + m * (255 - a)) / 255; };
    return qRgb(mix(qRed(p), qRed(matte)), mix(qGreen(p), qGreen(matte)), mix(qBlue(p), qBlue(matte)));
}

// A strip of 16x16 (or size) cells on a key colour, 24 bits.
QImage keyedStrip(const std::vector<const Glyph*>& glyphs, int size, QRgb key, QRgb matte) {
    QImage strip(size * static_cast<int>(glyphs.size()), size, QImage::Format_RGB888);
    strip.fill(key);
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const QImage cell = renderGlyph(*glyphs[i], size, false);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                strip.setPixel(static_cast<int>(i) * size + x, y, flatten(cell.pixel(x, y), key, matte));
    }
    return strip;
}

int nearestVga(QRgb p) {
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < 16; ++i) {
        if (i == kVgaBackground)
            continue;
        const QRgb v = kVga[static_cast<std::size_t>(i)];
        const int dr = qRed(p) - qRed(v), dg = qGreen(p) - qGreen(v), db = qBlue(p) - qBlue(v);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// A strip of 16x16 menu cells in the 16 colours on the grey background; the bottom row of every
// cell stays background (the menus show 16 x 15).
QImage vgaStrip(const std::vector<const Glyph*>& glyphs) {
    QImage strip(16 * static_cast<int>(glyphs.size()), 16, QImage::Format_Indexed8);
    strip.setColorTable(QList<QRgb>(kVga.begin(), kVga.end()));
    strip.fill(kVgaBackground);
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const QImage cell = renderGlyph(*glyphs[i], 16, true);
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb p = cell.pixel(x, y);
                if (qAlpha(p) >= 128)
                    strip.setPixel(static_cast<int>(i) * 16 + x, y, static_cast<uint>(nearestVga(p)));
            }
    }
    return strip;
}

constexpr unsigned kToolbar127[] = {57600, 57601, 57603, 0,     32775, 0,     57635, 57634, 57637, 0,
                                    32781, 32797, 32803, 32814, 0,     32901, 0,     32828, 32850, 32851,
                                    0,     32819, 32821, 0,     57609, 0,     32861, 0,     57664};
constexpr unsigned kToolbar129[] = {57604, 57607, 0,     32780, 32778, 32779, 32774, 32935, 0,
                                    32785, 32810, 32834, 0,     32830, 57664, 0,     57665};

std::vector<const Glyph*> glyphsOf(std::span<const unsigned> buttons, const std::map<unsigned, Glyph>& table) {
    std::vector<const Glyph*> glyphs;
    for (const unsigned id : buttons)
        if (id != 0)
            glyphs.push_back(&table.at(id));
    return glyphs;
}

std::vector<const Glyph*> pointers(const std::vector<Glyph>& glyphs) {
    std::vector<const Glyph*> out;
    for (const Glyph& g : glyphs)
        out.push_back(&g);
    return out;
}

QImage sortArrow(bool ascending) {
    QImage image(9, 5, QImage::Format_RGB888);
    image.fill(Qt::white);
    for (int row = 0; row < 5; ++row) {
        const int half = ascending ? row : 4 - row;
        for (int x = 4 - half; x <= 4 + half; ++x)
            image.setPixel(x, row, qRgb(0, 0, 0));
    }
    return image;
}

QImage drawBitmap(unsigned id) {
    constexpr QRgb kGreen = 0xFF00FF00u;
    constexpr QRgb kWhite = 0xFFFFFFFFu;
    switch (id) {
    case IDB_TOOLBAR24:
        return keyedStrip(glyphsOf(kToolbar127, commandGlyphs()), 24, 0xFFFF00FFu, qRgb(240, 240, 240));
    case IDR_TOOLBAR_MENU:
        return vgaStrip(glyphsOf(kToolbar127, commandGlyphs()));
    case IDR_TOOLBAR_MENU_EXTRA:
        return vgaStrip(glyphsOf(kToolbar129, extraGlyphs()));
    case IDB_DOWNLOAD_STATES:
        return keyedStrip(pointers(downloadGlyphs()), 16, kGreen, kWhite);
    case IDB_ITEM_STATES:
        return keyedStrip(pointers(itemGlyphs()), 16, kGreen, kWhite);
    case IDB_TRANSACTIONS:
        return keyedStrip(pointers(transactionGlyphs()), 16, kGreen, kWhite);
    case IDB_SORT_ASCENDING:
        return sortArrow(true);
    case IDB_SORT_DESCENDING:
        return sortArrow(false);
    default:
        return {};
    }
}

QPixmap drawTile(int size, C tile) {
    const QImage image = renderGlyph([tile](Pen& g) { chartTile(g, tile); }, size, false);
    return QPixmap::fromImage(image);
}

std::mutex g_cacheMutex;

} // namespace

QImage artworkBitmap(unsigned id) {
    static std::map<unsigned, QImage> cache;
    const std::lock_guard lock(g_cacheMutex);
    auto it = cache.find(id);
    if (it == cache.end())
        it = cache.emplace(id, drawBitmap(id)).first;
    return it->second;
}

QIcon artworkIcon(unsigned id) {
    if (id != IDI_TRAY && id != IDI_TRAY_ABORT && id != IDR_MAINFRAME)
        return {};
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64})
        icon.addPixmap(drawTile(size, id == IDI_TRAY_ABORT ? C::Red : C::Blue));
    return icon;
}

QIcon programIcon(unsigned iconId) {
    return artworkIcon(iconId == IDI_TRAY_ABORT ? IDI_TRAY_ABORT : IDI_TRAY);
}

std::span<const unsigned> toolbarButtons(unsigned toolbarId) {
    switch (toolbarId) {
    case IDR_MAINFRAME:
    case IDR_TOOLBAR_MENU:
        return kToolbar127;
    case IDR_TOOLBAR_MENU_EXTRA:
        return kToolbar129;
    default:
        return {};
    }
}

QSize toolbarButtonSize(unsigned toolbarId) {
    switch (toolbarId) {
    case IDR_MAINFRAME:
        return {24, 24};
    case IDR_TOOLBAR_MENU:
    case IDR_TOOLBAR_MENU_EXTRA:
        return {16, 16};
    default:
        return {};
    }
}

std::vector<unsigned> artworkBitmapIds() {
    return {IDB_TOOLBAR24,   IDR_TOOLBAR_MENU, IDR_TOOLBAR_MENU_EXTRA, IDB_DOWNLOAD_STATES,
            IDB_ITEM_STATES, IDB_TRANSACTIONS, IDB_SORT_ASCENDING,     IDB_SORT_DESCENDING};
}

std::vector<unsigned> artworkIconIds() {
    return {IDI_TRAY, IDI_TRAY_ABORT};
}
