// Styles of the HTML drawer: lengths, colours, declarations and the style sheet, seen through the
// font and colour of the painted text.

#include "HtmlDrawerTestKit.h"

#include <QGuiApplication>
#include <QPalette>

using namespace htmltest;

namespace {

// The first painted text of `markup` with the style sheet `sheet` (which replaces the default one,
// so the base font height is 16).
TextCall firstText(const QString& sheet, const QString& markup, bool coloursEnabled = true) {
    CPPHtmlDrawer drawer;
    drawer.LoadStyleSheet(sheet);
    drawer.EnableColours(coloursEnabled);
    drawer.SetDisabledColour(qRgb(1, 2, 3));
    Rendering r = render(drawer, markup);
    EXPECT_FALSE(r.canvas.texts.empty()) << markup.toStdString();
    return r.canvas.texts.empty() ? TextCall{} : r.canvas.texts.front();
}

TEST(HtmlDrawerStyle, FontSizesAreLengthsOfTheEnclosingHeight) {
    const struct {
        const char* value;
        int height;
    } cases[] = {
        {"65%", 10},               // 16 * 65 / 100 rounded
        {"3", 12},                 // HTML sizes 1..7
        {"8", 8},                  // beyond them: pixels
        {"+2", 10},                // the sign is dropped, so this is size 2
        {"10pt", 13},              // 10 * 96 / 72
        {"12px", 12}, {"2em", 30}, // twice the current font's cell height (15)
        {"2ex", 14},               // twice its x height (7)
        {"1in", 96},  {"2cm", 75}, // 2 * 96 / 2.54, truncated
        {"0x10", 16},              // a bare number has an automatic base
        {"", 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const TextCall text = firstText(QStringLiteral(".t {font-size: %1}").arg(QLatin1StringView(c.value)),
                                        QStringLiteral("<span class=t>x</span>"));
        EXPECT_EQ(text.font.height, c.height);
    }
}

TEST(HtmlDrawerStyle, ColoursFromNumbersAndNames) {
    const QRgb unchanged = qRgb(0, 0, 0);
    const struct {
        const char* value;
        QRgb colour;
    } cases[] = {
        {"#ff9900", qRgb(255, 153, 0)},
        {"#f90", unchanged},      // only the six-digit form
        {"255", qRgb(255, 0, 0)}, // a number is 0x00BBGGRR
        {"0xff0000", qRgb(0, 0, 255)},
        {"lightgray", unchanged}, // only the "lightgrey" spelling is known
        {"lightgrey", qRgb(211, 211, 211)},
        {"darkseagreen", qRgb(143, 188, 139)},
        {"Red", unchanged}, // attributes keep their case, names are lower case
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const TextCall text =
            firstText(QString(), QStringLiteral("<font color=%1>x</font>").arg(QLatin1StringView(c.value)));
        EXPECT_EQ(text.colour, c.colour);
    }
    // Declarations are read in lower case, so there the capital name works.
    EXPECT_EQ(firstText(QStringLiteral(".c {COLOR: Red}"), QStringLiteral("<span class=c>x</span>")).colour,
              qRgb(255, 0, 0));
}

TEST(HtmlDrawerStyle, SystemColourNamesFollowThePalette) {
    const QPalette palette = QGuiApplication::palette();
    EXPECT_EQ(firstText(QString(), QStringLiteral("<font color=infotext>x</font>")).colour,
              palette.color(QPalette::Active, QPalette::ToolTipText).rgb());
    EXPECT_EQ(firstText(QString(), QStringLiteral("<font color=window>x</font>")).colour,
              palette.color(QPalette::Active, QPalette::Base).rgb());
}

TEST(HtmlDrawerStyle, ALaterRuleForTheSameSelectorReplacesTheEarlierWhole) {
    CPPHtmlDrawer drawer;
    drawer.AddStyleRule(QStringLiteral(".x"), QStringLiteral("color:red; font-weight:bold"));
    drawer.AddStyleRule(QStringLiteral(".X"), QStringLiteral("color:blue"));
    const Rendering r = render(drawer, QStringLiteral("<span class=x>a</span>"));
    ASSERT_EQ(r.canvas.texts.size(), 1u);
    EXPECT_EQ(r.canvas.texts[0].colour, qRgb(0, 0, 255));
    EXPECT_EQ(r.canvas.texts[0].font.weight, 400);
}

TEST(HtmlDrawerStyle, DeclarationsSetFontAndDecoration) {
    const TextCall text =
        firstText(QStringLiteral(".d {font-family:\"Courier New\"; font-weight:bolder; font-style:oblique; "
                                 "text-decoration:underline, line-through; text-transform:uppercase}"),
                  QStringLiteral("<span class=d>ab cd</span>"));
    EXPECT_EQ(text.font.face, QStringLiteral("courier new")); // declarations are read in lower case
    EXPECT_EQ(text.font.weight, 900);
    EXPECT_TRUE(text.font.italic);
    EXPECT_TRUE(text.font.underline);
    EXPECT_TRUE(text.font.strikeout);
    EXPECT_EQ(text.text, QStringLiteral("AB CD"));
    EXPECT_EQ(
        firstText(QStringLiteral(".c {text-transform:capitalize}"), QStringLiteral("<span class=c>hELLO wORLD</span>"))
            .text,
        QStringLiteral("Hello World"));
}

TEST(HtmlDrawerStyle, BorderStyleAloneGivesAOnePixelBorderAndWidthZeroNone) {
    const QString table = QStringLiteral("<table><tr><td>x</td></tr></table>");
    {
        CPPHtmlDrawer drawer;
        drawer.LoadStyleSheet(QStringLiteral("table {border-style:solid}"));
        const Rendering r = render(drawer, table);
        ASSERT_FALSE(r.canvas.frames.empty());
        EXPECT_EQ(r.canvas.frames[0].penKind, kHtmlBorderSolid);
        EXPECT_EQ(r.canvas.frames[0].penWidth, 1);
    }
    {
        CPPHtmlDrawer drawer;
        drawer.LoadStyleSheet(QStringLiteral("table {border-style:solid; border-width:0}"));
        EXPECT_TRUE(render(drawer, table).canvas.frames.empty());
    }
}

TEST(HtmlDrawerStyle, DisabledColoursReplaceColoursAndDropBackgrounds) {
    const QString sheet = QStringLiteral(".b {background-color:yellow}");
    const QString markup = QStringLiteral("<span class=b><font color=red>x</font></span>");
    {
        CPPHtmlDrawer drawer;
        drawer.LoadStyleSheet(sheet);
        const Rendering r = render(drawer, markup);
        ASSERT_EQ(r.canvas.fills.size(), 1u); // the opaque text cell
        EXPECT_EQ(r.canvas.fills[0].rect, QRect(0, 0, 8, 15));
        EXPECT_EQ(r.canvas.fills[0].fill.begin, qRgb(255, 255, 0));
        EXPECT_EQ(r.canvas.texts.at(0).colour, qRgb(255, 0, 0));
    }
    {
        const TextCall text = firstText(sheet, markup, false);
        EXPECT_EQ(text.colour, qRgb(1, 2, 3));
        CPPHtmlDrawer drawer;
        drawer.LoadStyleSheet(sheet);
        drawer.EnableColours(false);
        EXPECT_TRUE(render(drawer, markup).canvas.fills.empty());
    }
}

TEST(HtmlDrawerStyle, TheDefaultSheetStylesHeadingsAndBody) {
    CPPHtmlDrawer drawer;
    const Rendering r = render(drawer, QStringLiteral("a<h2>b</h2><small>c</small>"));
    ASSERT_EQ(r.canvas.texts.size(), 3u);
    EXPECT_EQ(r.canvas.texts[0].font.height, 13); // body: 10pt
    EXPECT_EQ(r.canvas.texts[0].font.face, QStringLiteral("verdana"));
    EXPECT_EQ(r.canvas.texts[1].font.height, 17); // h2: 13pt
    EXPECT_EQ(r.canvas.texts[1].font.weight, 700);
    EXPECT_EQ(r.canvas.texts[1].colour, qRgb(255, 153, 0));
    EXPECT_EQ(r.canvas.texts[2].font.height, 10); // 75% of 13
}

} // namespace
