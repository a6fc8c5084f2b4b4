// Markup gone wrong or written to harm: the drawer lays it out and paints it without failing,
// within bounds. Run under the sanitizers (make test PRESET=asan).

#include "HtmlDrawerTestKit.h"
#include "controls/HtmlDrawerMarkup.h"
#include "controls/HtmlDrawerMath.h"

#include <random>

using namespace htmltest;

namespace {

void measureAndPaint(const QString& markup, int maxWidth) {
    CPPHtmlDrawer drawer;
    FakePictureSource pictures;
    pictures.sizes[1] = QSize(48, 16);
    pictures.sizes[2] = QSize(0, 0);
    drawer.SetPictureSource(&pictures);
    drawer.SetMaxWidth(maxWidth);
    const Rendering r = render(drawer, markup);
    EXPECT_GE(r.size.width(), 0);
    EXPECT_GE(r.size.height(), 0);
    // A narrower painting than was measured reads beyond the recorded lines.
    RecordingCanvas narrow;
    drawer.RenderMarkup(narrow, QRect(0, 0, r.size.width() / 3, r.size.height()));
    drawer.TrackCursor(QPoint(5, 5));
    drawer.ClickAt(QPoint(5, 5));
    drawer.StepAnimation();
}

TEST(HtmlDrawerHostile, MalformedAndExtremeMarkup) {
    const char* const cases[] = {
        "<",
        ">",
        "<<",
        "<<<",
        "</",
        "<=",
        "< >",
        "<b",
        "</b></b></b>",
        "<br=",
        "<t=>",
        "<br=-5>",
        "<table",
        "<table>",
        "<table></table>x",
        "</table><table><tr>",
        "<table><tr><td",
        "<table><td>x</td></table>",
        "<table><tr><td colspan=0 rowspan=0>x</td></tr></table>",
        "<table><tr><td colspan=99999999999 rowspan=99999999999>x</td><td>y</td></tr><tr><td>z</td></tr></table>",
        "<table><tr><td width=99999999999>x</td><td width=99999999999>y</td></tr></table>",
        "<table cellspacing=99999999999 border=99999999999><tr><td>x</td></tr></table>",
        "<table><tr><tr><tr><td><tr></td></tr></table>",
        "<td>x</td></tr></table>",
        "<font size=99999999999px>x</font><font size=99999999999in>y</font>",
        "<font color=#>x</font>",
        "<font color=99999999999999>x</font>",
        "<hr width=99999999999%><hr size=-99999999999>",
        "<ilst idres=1 cx=99999999999 cy=1><ilst idres=1 index=-3 speed=1><ilst idres=2 speed=5>",
        "<bmp idres=1 width=99999999999% height=99999999999>",
        "<a href='unterminated>x",
        "<a href=\"x\">y",
        "<span class=>x</span><span class>y</span>",
        "<string idres=99999999999>",
        "&amp;&amp;lt;&lt;&lt;b>",
        "<justify>a b c d e f g h i j k l m n o p q r s t u v w x y z</justify>",
        "<center>aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa</center>",
    };
    for (const char* markup : cases) {
        SCOPED_TRACE(markup);
        for (const int maxWidth : {0, 1, 37, 300})
            measureAndPaint(QString::fromLatin1(markup), maxWidth);
    }
}

TEST(HtmlDrawerHostile, DeeplyNestedTablesAndStyles) {
    QString tables;
    for (int i = 0; i < 200; ++i)
        tables += QStringLiteral("<table border=1><tr><td>%1").arg(i);
    for (int i = 0; i < 200; ++i)
        tables += QStringLiteral("</td></tr></table>");
    measureAndPaint(tables, 0);
    measureAndPaint(tables, 200);
    measureAndPaint(QStringLiteral("<b><i>x").repeated(5000), 0);
}

// Tables nested past the depth the layout goes into are not read at all: 20,000 of them lay out
// and paint exactly as the tables down to the first one past the limit do, which the outer tables
// would otherwise count rows of, one scan of the whole text per row.
TEST(HtmlDrawerHostile, TablesNestedPastTheLimitAreNotRead) {
    const auto nested = [](int depth, bool closed) {
        QString text;
        for (int i = 0; i < depth; ++i)
            text += QStringLiteral("<table border=1 cellspacing=2><tr><td>%1 ").arg(i);
        if (closed)
            for (int i = 0; i < depth; ++i)
                text += QStringLiteral("</td></tr></table>");
        return text;
    };
    const int limit = htmldrawer::kMaxTableDepth;
    for (const bool closed : {true, false}) {
        SCOPED_TRACE(closed ? "closed" : "never closed");
        CPPHtmlDrawer drawer;
        const Rendering deep = render(drawer, nested(20000, closed));
        const Rendering atTheLimit = render(drawer, nested(limit + 1, closed));
        EXPECT_EQ(deep.size, atTheLimit.size);
        EXPECT_EQ(deep.canvas.paintedText(), atTheLimit.canvas.paintedText());
        ASSERT_EQ(deep.canvas.frames.size(), atTheLimit.canvas.frames.size());
        for (size_t i = 0; i < deep.canvas.frames.size(); ++i)
            EXPECT_EQ(deep.canvas.frames[i].rect, atTheLimit.canvas.frames[i].rect) << i;
        // The tables down to the limit are all there, the one past it is not.
        EXPECT_EQ(deep.canvas.frames.size(), static_cast<size_t>(2 * limit)); // each table and its cell
        EXPECT_TRUE(deep.canvas.paintedText().contains(QStringLiteral("%1 ").arg(limit - 1)));
        EXPECT_FALSE(deep.canvas.paintedText().contains(QStringLiteral("%1 ").arg(limit)));
    }
}

// Spacings, paddings, borders, cell sizes, rules and pictures stop at what a screen can show: a
// few bytes of markup no longer lay out millions of pixels. Up to that limit a length counts.
TEST(HtmlDrawerHostile, LengthsStopAtWhatAScreenCanShow) {
    struct Case {
        const char* markup; // %1: the length
        const char* rule;   // a style sheet rule "selector" "declarations" with %1, or none
        const char* declarations;
    };
    const Case cases[] = {
        {"<table cellspacing=%1><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>", nullptr, nullptr},
        {"<table cellpadding=%1><tr><td>a</td></tr></table>", nullptr, nullptr},
        {"<table border=%1><tr><td>a</td></tr></table>", nullptr, nullptr},
        {"<table><tr><td width=%1 height=%1>a</td></tr></table>", nullptr, nullptr},
        {"<table><tr><td>a</td></tr></table>", "table", "padding: %1px"},
        {"<table><tr><td>a</td></tr></table>", "td", "margin: %1px; border-width: %1px"},
        {"x<hr width=%1 size=%1>y", nullptr, nullptr},
        {"<bmp idres=1 width=%1 height=%1>", nullptr, nullptr},
    };
    const int limit = htmldrawer::kHtmlMaxLength;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.markup);
        const auto withLength = [](const char* text, int length) {
            return QString::fromLatin1(text).replace(QStringLiteral("%1"), QString::number(length));
        };
        const auto sizeWith = [&](int length) {
            CPPHtmlDrawer drawer;
            FakePictureSource pictures;
            pictures.sizes[1] = QSize(16, 16);
            drawer.SetPictureSource(&pictures);
            if (c.rule)
                drawer.AddStyleRule(QString::fromLatin1(c.rule), withLength(c.declarations, length));
            const Rendering r = render(drawer, withLength(c.markup, length));
            for (const PictureCall& picture : r.canvas.pictures) {
                EXPECT_LE(picture.draw.size.width(), limit);
                EXPECT_LE(picture.draw.size.height(), limit);
            }
            return r.size;
        };
        const QSize huge = sizeWith(2000020);
        EXPECT_EQ(huge, sizeWith(limit));
        EXPECT_NE(huge, sizeWith(limit / 2));
        EXPECT_LE(huge.width(), 4 * limit);
        EXPECT_LE(huge.height(), 4 * limit);
    }
}

TEST(HtmlDrawerHostile, ALargeGridIsBounded) {
    // 2000 rows of a cell spanning 1000 columns: the grid stops at 1000 by 1000.
    const QString rows = QStringLiteral("<tr><td colspan=1000 rowspan=1000>x</td></tr>").repeated(2000);
    CPPHtmlDrawer drawer;
    const Rendering r = render(drawer, QStringLiteral("<table>") + rows + QStringLiteral("</table>"));
    EXPECT_EQ(r.canvas.paintedText(), QStringLiteral("x")); // the first cell covers the whole grid
}

TEST(HtmlDrawerHostile, RandomMarkup) {
    const char* const pieces[] = {"<table",
                                  "<table>",
                                  "</table>",
                                  "<tr>",
                                  "<tr",
                                  "</tr>",
                                  "<td>",
                                  "<td colspan=3>",
                                  "<td rowspan=2>",
                                  "</td>",
                                  "<b>",
                                  "</b>",
                                  "<i>",
                                  "</font>",
                                  "<font size=7 color=red>",
                                  "<br>",
                                  "<br=3>",
                                  "<t=2>",
                                  "<hr width=30%>",
                                  "<a href=u>",
                                  "</a>",
                                  "<center>",
                                  "<justify>",
                                  "<right>",
                                  "<ilst idres=1 speed=1>",
                                  "<bmp idres=1 style=s>",
                                  "<",
                                  ">",
                                  "<<",
                                  "&lt;",
                                  "&amp;",
                                  "\n",
                                  "\t",
                                  " ",
                                  "word",
                                  "x-y.z,",
                                  "longlonglonglongword",
                                  "=",
                                  "\"",
                                  "'"};
    std::mt19937 random(20240521);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    for (int round = 0; round < 300; ++round) {
        QString markup;
        const int length = 1 + static_cast<int>(random() % 60);
        for (int i = 0; i < length; ++i)
            markup += QString::fromLatin1(pieces[pick(random)]);
        SCOPED_TRACE(markup.toStdString());
        measureAndPaint(markup, static_cast<int>(random() % 3) * 60);
    }
}

} // namespace
