// Tables of the HTML drawer: grid, spans, widths and heights, borders, backgrounds, stretching.

#include "HtmlDrawerTestKit.h"

using namespace htmltest;

namespace {

class HtmlDrawerTable : public ::testing::Test {
protected:
    // Where the text `piece` was painted.
    static QPoint at(const Rendering& r, const char* piece) {
        const TextCall* call = r.canvas.find(QString::fromLatin1(piece));
        EXPECT_NE(call, nullptr) << piece;
        return call ? QPoint(call->x, call->y) : QPoint(-1, -1);
    }

    CPPHtmlDrawer drawer;
};

TEST_F(HtmlDrawerTable, CellWidthsAndPaddingMakeTheTableWidth) {
    // 0 spacing + 1 pixel between the columns + (70 + 2 * 2) + (130 + 2 * 2) = 209, plus 1.
    const Rendering r =
        render(drawer, QStringLiteral("<table><tr><td width=70>a</td><td width=130>b</td></tr></table>"));
    EXPECT_EQ(r.size, QSize(210, 20)); // one row: 15 + 2 * 2, plus 1
    EXPECT_EQ(at(r, "a"), QPoint(2, 2));
    EXPECT_EQ(at(r, "b"), QPoint(77, 2));
    EXPECT_TRUE(r.canvas.frames.empty());
    EXPECT_TRUE(r.canvas.fills.empty());
}

TEST_F(HtmlDrawerTable, ASpanWiderThanItsColumnsWidensThem) {
    // The colspan cell needs 33 pixels over two columns of 14: 5 more, 2 to each and 1 more to the
    // last column.
    const Rendering cols = render(drawer, QStringLiteral("<table><tr><td width=10>a</td><td width=10>b</td></tr>"
                                                         "<tr><td colspan=2 width=29>c</td></tr></table>"));
    EXPECT_EQ(cols.size.width(), 35);
    EXPECT_EQ(at(cols, "b").x(), 17 + 2);
    EXPECT_EQ(at(cols, "c"), QPoint(2, 20 + 2));

    // The rowspan cell needs 61 pixels over three rows of 19: 4 more, 1 to each and 1 more to the
    // first row.
    const Rendering rows = render(drawer, QStringLiteral("<table><tr><td rowspan=3 height=57>r</td><td>a</td></tr>"
                                                         "<tr><td>b</td></tr><tr><td>c</td></tr></table>"));
    EXPECT_EQ(rows.size.height(), 64);
    EXPECT_EQ(at(rows, "a").y(), 2);
    EXPECT_EQ(at(rows, "b").y(), 22 + 2);
    EXPECT_EQ(at(rows, "c").y(), 43 + 2);
    EXPECT_EQ(at(rows, "b").x(), at(rows, "a").x()); // rows below a rowspan move right of it
}

// A cell spanning rows and columns covers its whole block: the next row's cell goes beside it,
// not under it.
TEST_F(HtmlDrawerTable, ABlockSpanCoversItsWholeBlock) {
    const Rendering r = render(drawer, QStringLiteral("<table><tr><td rowspan=2 colspan=2>x</td><td>a</td></tr>"
                                                      "<tr><td>b</td></tr></table>"));
    EXPECT_EQ(at(r, "a").x(), 16);
    EXPECT_EQ(at(r, "b").x(), 16);
}

// Spans past the grid are cut at its edges, cells past the counted columns are left out, and a
// colspan of 0 is one column.
TEST_F(HtmlDrawerTable, SpansAndCellsStayInsideTheGrid) {
    const Rendering past = render(drawer, QStringLiteral("<table><tr><td rowspan=5 colspan=9>x</td><td>y</td></tr>"
                                                         "<tr><td>z</td><td>w</td></tr></table>"));
    EXPECT_EQ(past.canvas.paintedText(), QStringLiteral("xyz"));

    const Rendering zero = render(drawer, QStringLiteral("<table><tr><td colspan=0>a</td><td>b</td></tr></table>"));
    EXPECT_EQ(at(zero, "a").x(), 2);
    EXPECT_EQ(at(zero, "b").x(), 12 + 1 + 2);
}

// A table without rows has no extent (not one pixel less than none).
TEST_F(HtmlDrawerTable, AnEmptyTableTakesNoRoom) {
    const Rendering r = render(drawer, QStringLiteral("<table>      </table>x"));
    EXPECT_EQ(r.size, QSize(9, 16));
    EXPECT_EQ(at(r, "x"), QPoint(0, 0));
}

TEST_F(HtmlDrawerTable, BorderWidthsOfTablesRowsAndCells) {
    const struct {
        const char* markup;
        int width;        // measured
        int tablePenKind; // 0: no table frame
        int tablePenWidth;
    } cases[] = {
        {"<table><tr><td>x</td></tr></table>", 13, 0, 0},
        {"<table><tr><td border=3>x</td></tr></table>", 15, 0, 0}, // a cell's border is 1
        {"<table border=3><tr><td>x</td></tr></table>", 21, kHtmlBorderSolid, 3},
        {"<table border=3 borderstyle=dotted><tr><td>x</td></tr></table>", 17, kHtmlBorderDotted, 1},
        {"<table border=1 borderstyle=double><tr><td>x</td></tr></table>", 21, kHtmlBorderDouble, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        const Rendering r = render(drawer, QString::fromLatin1(c.markup));
        EXPECT_EQ(r.size.width(), c.width);
        const bool tableFrame = c.tablePenKind != 0;
        // With a table border, the cells inherit a 1-pixel border of their own.
        ASSERT_EQ(r.canvas.frames.size(),
                  tableFrame ? 2u : (QString::fromLatin1(c.markup).contains("td border") ? 1u : 0u));
        if (tableFrame) {
            // Painted into the measured width, the table's one column takes the extra pixel.
            EXPECT_EQ(r.canvas.frames[0].rect, QRect(0, 0, c.width, r.size.height() - 1));
            EXPECT_EQ(r.canvas.frames[0].penKind, c.tablePenKind);
            EXPECT_EQ(r.canvas.frames[0].penWidth, c.tablePenWidth);
            EXPECT_EQ(r.canvas.frames[1].penWidth, 1);
        }
    }
}

TEST_F(HtmlDrawerTable, RaisedTableAndSunkenCells) {
    const Rendering r = render(drawer, QStringLiteral("<table border=2 bordercolorlight=white bordercolordark=gray>"
                                                      "<tr><td>x</td></tr></table>"));
    ASSERT_EQ(r.canvas.frames.size(), 2u);
    EXPECT_EQ(r.canvas.frames[0].topLeft, qRgb(255, 255, 255));
    EXPECT_EQ(r.canvas.frames[0].bottomRight, qRgb(128, 128, 128));
    EXPECT_EQ(r.canvas.frames[1].topLeft, qRgb(128, 128, 128));
    EXPECT_EQ(r.canvas.frames[1].bottomRight, qRgb(255, 255, 255));
    EXPECT_EQ(r.canvas.frames[1].rect, QRect(2, 2, 14 + 1, 21)); // inside the 2-pixel border, stretched
}

TEST_F(HtmlDrawerTable, BackgroundsFollowTheColourSwitch) {
    const QString markup = QStringLiteral("<table><tr><td bgcolor=red>x</td><td>y</td></tr></table>");
    const Rendering enabled = render(drawer, markup);
    ASSERT_EQ(enabled.canvas.fills.size(), 1u);
    EXPECT_EQ(enabled.canvas.fills[0].rect, QRect(0, 0, 12, 19));
    EXPECT_EQ(enabled.canvas.fills[0].fill.effect, 0);
    EXPECT_EQ(enabled.canvas.fills[0].fill.begin, qRgb(255, 0, 0));

    drawer.EnableColours(false);
    EXPECT_TRUE(render(drawer, markup).canvas.fills.empty());

    // A table's colour and effect fill the whole table; the cells inherit them.
    drawer.EnableColours(true);
    const Rendering effect = render(drawer, QStringLiteral("<table bgcolor=#000010 bgendcolor=white bgeffect=vgradient>"
                                                           "<tr><td>x</td></tr></table>"));
    ASSERT_EQ(effect.canvas.fills.size(), 2u);
    EXPECT_EQ(effect.canvas.fills[0].fill.effect, 2);
    EXPECT_EQ(effect.canvas.fills[0].fill.begin, qRgb(0, 0, 16));
    EXPECT_EQ(effect.canvas.fills[0].fill.end, qRgb(255, 255, 255));
    EXPECT_EQ(effect.canvas.fills[0].fill.granularity, 5);
}

TEST_F(HtmlDrawerTable, ABackgroundPictureIsTiledOverTheTable) {
    FakePictureSource pictures;
    pictures.sizes[5] = QSize(4, 4);
    pictures.files[QStringLiteral("a b.png")] = 5;
    drawer.SetPictureSource(&pictures);
    for (const char* background : {"idres:5", "file:\"a b.png\""}) {
        SCOPED_TRACE(background);
        const Rendering r = render(
            drawer,
            QStringLiteral("<table background='%1'><tr><td>x</td></tr></table>").arg(QLatin1StringView(background)),
            12);
        ASSERT_EQ(r.canvas.tiles.size(), 1u);
        EXPECT_EQ(r.canvas.tiles[0].id, 5);
        EXPECT_EQ(r.canvas.tiles[0].area, QRect(0, 0, 12, 19));
    }
}

TEST_F(HtmlDrawerTable, ANarrowTableStretchesOrIsAligned) {
    // The missing width goes to the column without a width of its own.
    const Rendering stretched =
        render(drawer, QStringLiteral("<table><tr><td>a</td><td width=20>b</td></tr></table>"), 100);
    EXPECT_EQ(stretched.size.width(), 38);
    EXPECT_EQ(at(stretched, "b").x(), 12 + 63 + 1 + 2);

    // Shared among several such columns, the last ones take the remainders: 62 = 20 + 21 + 21.
    const Rendering shared =
        render(drawer, QStringLiteral("<table><tr><td>a</td><td>b</td><td>c</td></tr></table>"), 100);
    EXPECT_EQ(at(shared, "b").x(), 32 + 1 + 2);
    EXPECT_EQ(at(shared, "c").x(), 32 + 1 + 33 + 1 + 2);

    // Fixed columns only: the table is placed by its alignment (which its cells inherit).
    const Rendering centred =
        render(drawer, QStringLiteral("<table align=center><tr><td width=20>b</td></tr></table>"), 100);
    EXPECT_EQ(at(centred, "b").x(), 38 + 2 + (20 - 8) / 2);
}

TEST_F(HtmlDrawerTable, CellsAlignTheirContent) {
    const Rendering r = render(drawer,
                               QStringLiteral("<table><tr><td height=40 valign=middle>m</td>"
                                              "<td valign=bottom>b</td><td align=right width=30>r</td>"
                                              "</tr></table>"),
                               60);
    EXPECT_EQ(at(r, "m").y(), 2 + (40 - 15) / 2);
    // At the bottom of the cell, and the text placed at the bottom of its line: ascent above it.
    EXPECT_EQ(at(r, "b").y(), 44 - 2 - 15 + (15 - 12));
    EXPECT_EQ(at(r, "r").x(), 12 + 1 + 12 + 1 + 2 + 30 - 8);
}

TEST_F(HtmlDrawerTable, TablesNestAndTextFlowsAroundThem) {
    const Rendering r = render(drawer, QStringLiteral("top<table cellpadding=0><tr><td>a<table cellspacing=3>"
                                                      "<tr><td>b</td></tr></table>c</td></tr></table>end"));
    EXPECT_EQ(r.canvas.paintedText(), QStringLiteral("topabcend"));
    // The inner table inherits the cell padding 0 and spaces its cell by 3: 3 + 15 + 3 high.
    EXPECT_EQ(at(r, "a"), QPoint(0, 15));
    EXPECT_EQ(at(r, "b"), QPoint(3, 15 + 15 + 3));
    EXPECT_EQ(at(r, "c"), QPoint(0, 15 + 15 + 21));
    // The inner table's row is counted as an empty second row of the outer table: 1 pixel more.
    EXPECT_EQ(at(r, "end"), QPoint(0, 15 + 15 + 21 + 15 + 1));
}

} // namespace
