// Markup of the HTML drawer: the tokenizer, inline tags, lines, wrapping and justification.

#include "HtmlDrawerTestKit.h"

using namespace htmltest;

namespace {

class HtmlDrawerMarkup : public ::testing::Test {
protected:
    // Positions and texts of what was painted: "text@x,y" per call.
    static std::vector<std::string> placed(const Rendering& r) {
        std::vector<std::string> out;
        for (const TextCall& call : r.canvas.texts)
            out.push_back(QStringLiteral("%1@%2,%3").arg(call.text).arg(call.x).arg(call.y).toStdString());
        return out;
    }
    using Strings = std::vector<std::string>;

    CPPHtmlDrawer drawer;
};

TEST_F(HtmlDrawerMarkup, EmptyAndTaglessMarkup) {
    RecordingCanvas measurer;
    EXPECT_EQ(drawer.MeasureMarkup(measurer, QString()), QSize(0, 0));
    RecordingCanvas canvas;
    drawer.RenderMarkup(canvas, QRect(0, 0, 100, 100));
    EXPECT_TRUE(canvas.nothingPainted());

    // Only unknown tags: 1 by 1, and nothing is painted afterwards.
    const Rendering r = render(drawer, QStringLiteral("<xyz><B></xyz>"));
    EXPECT_EQ(r.size, QSize(1, 1));
    EXPECT_TRUE(r.canvas.nothingPainted());

    EXPECT_EQ(render(drawer, QStringLiteral("ab")).size, QSize(17, 16));
}

TEST_F(HtmlDrawerMarkup, LessThanSignsAndEntities) {
    const struct {
        const char* markup;
        const char* painted;
    } cases[] = {
        {"a<<b", "a<b"},
        {"&lt;b&gt;", "<b>"},
        {"&amp;lt;", "<"}, // entities are replaced in order, "&amp;" first
        {"&euro;&copy;&bull;&trade;&nbsp;&quot;", "\u20AC\u00A9\u2022\u2122 \""},
        {"a<>b", "a>b"}, // a "<" with ">" right after it disappears
        {"a<b c", "a"},  // a stray "<" opens a tag that runs to the next ">"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        EXPECT_EQ(render(drawer, QString::fromUtf8(c.markup)).canvas.paintedText(), QString::fromUtf8(c.painted));
    }
}

TEST_F(HtmlDrawerMarkup, FormattingTagsAndTheirClosing) {
    auto weights = [&](const char* markup) {
        std::vector<int> out;
        for (const TextCall& call : render(drawer, QString::fromLatin1(markup)).canvas.texts)
            out.push_back(call.font.weight);
        return out;
    };
    EXPECT_EQ(weights("<B>x</B>"), std::vector<int>{400}); // capitals are no tag
    EXPECT_EQ(weights("<b>x</b>y"), (std::vector<int>{800, 400}));
    EXPECT_EQ(weights("<b><b>x</b>y</b>z"), (std::vector<int>{900, 800, 400}));

    // A closing tag that is not the innermost one changes nothing.
    const Rendering r = render(drawer, QStringLiteral("<i>a</b>b</i>c"));
    ASSERT_EQ(r.canvas.texts.size(), 3u);
    EXPECT_TRUE(r.canvas.texts[1].font.italic);
    EXPECT_FALSE(r.canvas.texts[2].font.italic);

    const Rendering s = render(drawer, QStringLiteral("<em>a</i><u>b</u><strike>c</s>"
                                                      "<font face=Arial style=bu-b>d</font>"));
    ASSERT_EQ(s.canvas.texts.size(), 4u);
    EXPECT_FALSE(s.canvas.texts[1].font.italic); // "em" and "i" share their style name
    EXPECT_TRUE(s.canvas.texts[1].font.underline);
    EXPECT_TRUE(s.canvas.texts[2].font.strikeout);
    EXPECT_EQ(s.canvas.texts[3].font.face, QStringLiteral("Arial"));
    EXPECT_TRUE(s.canvas.texts[3].font.underline);
    EXPECT_EQ(s.canvas.texts[3].font.weight, 400); // "-b" switched bold off again
}

TEST_F(HtmlDrawerMarkup, LineBreaksAndTabs) {
    const struct {
        const char* markup;
        Strings placed;
    } cases[] = {
        {"a<br=2>b", {"a@0,0", "b@0,30"}},        {"a</br=2>b", {"a@0,0", "b@0,30"}}, // the closing form breaks alike
        {"x <br 3>y", {"x @0,0", "y@0,15"}},      {"a\nb", {"a@0,0", "b@0,15"}},
        {"aaaaa<t>b", {"aaaaa@0,0", "b@64,0"}},   {"aaaaa\tb", {"aaaaa@0,0", "b@64,0"}},
        {"aaaaa<t=2>b", {"aaaaa@0,0", "b@96,0"}}, {"aaaa<t>b", {"aaaa@0,0", "b@64,0"}}, // at a tab stop: a whole tab
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        EXPECT_EQ(placed(render(drawer, QString::fromLatin1(c.markup))), c.placed);
    }
    EXPECT_EQ(render(drawer, QStringLiteral("a<br=2>b")).size.height(), 46);

    drawer.TranslateControlChars(false);
    EXPECT_EQ(placed(render(drawer, QStringLiteral("a\nb\tc"))), (Strings{"abc@0,0"}));
}

TEST_F(HtmlDrawerMarkup, WrappingAtTheMaximumWidth) {
    const QString sentence = QStringLiteral("aaaa bbbb cccc dddd eeee ffff gggg hhhh");
    const Rendering unlimited = render(drawer, sentence);
    EXPECT_EQ(unlimited.canvas.texts.size(), 1u);
    EXPECT_EQ(unlimited.size, QSize(8 * sentence.size() + 1, 16));

    drawer.SetMaxWidth(100);
    const Rendering wrapped = render(drawer, QStringLiteral("aaaa bbbb cccc"));
    EXPECT_EQ(placed(wrapped), (Strings{"aaaa bbbb@0,0", "cccc@0,15"}));
    EXPECT_EQ(wrapped.size, QSize(73, 31));

    // The measured width never exceeds the maximum width.
    drawer.SetMaxWidth(40);
    EXPECT_EQ(render(drawer, QStringLiteral("<t=3>x")).size.width(), 41);
}

// A canvas whose "a" before a blank kerns by `kern` pixels: a prefix is narrower (or wider) than
// its pieces between the break points together. The whole prefix's width decides the break.
class KerningCanvas : public RecordingCanvas {
public:
    explicit KerningCanvas(int kern) : m_kern(kern) {}
    int advance(const QString& text) override {
        return RecordingCanvas::advance(text) + m_kern * static_cast<int>(text.count(QStringLiteral("a ")));
    }

private:
    int m_kern;
};

TEST_F(HtmlDrawerMarkup, TheWholePrefixDecidesWhereALineBreaks) {
    const struct {
        int kern;
        int width;
        const char* firstLine;
    } cases[] = {
        {-3, 70, "aaaa bbbb"}, // 69 wide, though its pieces measure 72
        {3, 73, "aaaa"},       // 75 wide, though its pieces measure 72
        {0, 72, "aaaa bbbb"},
        {0, 71, "aaaa"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firstLine);
        drawer.SetMaxWidth(c.width);
        KerningCanvas measurer(c.kern);
        const QSize size = drawer.MeasureMarkup(measurer, QStringLiteral("aaaa bbbb cccc"));
        KerningCanvas canvas(c.kern);
        drawer.RenderMarkup(canvas, QRect(QPoint(0, 0), size));
        ASSERT_FALSE(canvas.texts.empty());
        EXPECT_EQ(canvas.texts[0].text, QString::fromLatin1(c.firstLine));
    }

    // A run far longer than a line wraps word by word all along.
    drawer.SetMaxWidth(100);
    const Rendering r = render(drawer, QStringLiteral("abcd ").repeated(40).trimmed());
    ASSERT_EQ(r.canvas.texts.size(), 20u);
    for (const TextCall& call : r.canvas.texts)
        EXPECT_EQ(call.text, QStringLiteral("abcd abcd"));
}

// A device of a metrics family: devices of one family measure alike, so the painting pass may
// take the widths the measuring pass found.
class FamilyCanvas : public RecordingCanvas {
public:
    FamilyCanvas(int advance, int family) : m_advance(advance), m_family(family) {}
    int advance(const QString& text) override { return m_advance * static_cast<int>(text.size()); }
    int metricsFamily() const override { return m_family; }

private:
    int m_advance;
    int m_family;
};

TEST_F(HtmlDrawerMarkup, ThePaintingPassTakesMeasuredWidthsOnlyFromItsFamily) {
    for (const int paintingFamily : {7, 8, 0}) {
        SCOPED_TRACE(paintingFamily);
        FamilyCanvas measurer(8, 7);
        const QSize size = drawer.MeasureMarkup(measurer, QStringLiteral("ab <b>cd</b>"));
        FamilyCanvas canvas(10, paintingFamily);
        drawer.RenderMarkup(canvas, QRect(QPoint(0, 0), size));
        ASSERT_EQ(canvas.texts.size(), 2u);
        EXPECT_EQ(canvas.texts[1].x, paintingFamily == 7 ? 24 : 30);
    }
}

TEST_F(HtmlDrawerMarkup, ALongWordIsCutOnlyOnAnEmptyLine) {
    drawer.SetMaxWidth(40);
    EXPECT_EQ(placed(render(drawer, QStringLiteral("aaaaaaaaaaaa"))), (Strings{"aaaaa@0,0", "aaaaa@0,15", "aa@0,30"}));
    // Behind text on the line the word moves on whole, and is cut on the next line.
    EXPECT_EQ(placed(render(drawer, QStringLiteral("bb<i>cccccccccc</i>"))),
              (Strings{"bb@0,0", "ccccc@0,15", "ccccc@0,30"}));
}

TEST_F(HtmlDrawerMarkup, AlignmentAndJustification) {
    drawer.SetMaxWidth(71);
    // 7 missing pixels over the 2 blanks of the wrapped line: 4 to the first, 3 to the second.
    EXPECT_EQ(placed(render(drawer, QStringLiteral("<justify>aa bb cc dddddddd</justify>"), 71)),
              (Strings{"aa @0,0", "bb @28,0", "cc@55,0", "dddddddd@0,15"}));
    // A justified line whose text ends with a blank before the next run.
    EXPECT_EQ(placed(render(drawer, QStringLiteral("<justify>aa bb <b>cccccccccc</b></justify>"), 71)),
              (Strings{"aa @0,0", "bb@55,0", "cccccccc@0,15", "cc@0,30"}));

    drawer.SetMaxWidth(0);
    EXPECT_EQ(placed(render(drawer, QStringLiteral("<center>ab</center>"), 100)), (Strings{"ab@42,0"}));
    EXPECT_EQ(placed(render(drawer, QStringLiteral("<right>ab</right>"), 100)), (Strings{"ab@84,0"}));
}

TEST_F(HtmlDrawerMarkup, VerticalPlacementOnALine) {
    // A 30-pixel picture and the text's 3-pixel descent make the line 33 high.
    FakePictureSource pictures;
    pictures.sizes[1] = QSize(10, 30);
    drawer.SetPictureSource(&pictures);
    EXPECT_EQ(placed(render(drawer, QStringLiteral("<bmp idres=1>a<top>b</top><vcenter>c</vcenter>"
                                                   "<bottom>d</bottom>"))),
              (Strings{"a@10,18", "b@18,0", "c@26,9", "d@34,21"}));
}

TEST_F(HtmlDrawerMarkup, HorizontalRules) {
    const Rendering r = render(drawer, QStringLiteral("aaaa<hr width=50%>"), 100);
    EXPECT_EQ(r.size, QSize(51, 16)); // 32 + 50 percent of the width found
    ASSERT_EQ(r.canvas.lines.size(), 1u);
    EXPECT_EQ(r.canvas.lines[0].from, QPoint(32, 7));
    EXPECT_EQ(r.canvas.lines[0].to, QPoint(82, 7));
    EXPECT_EQ(r.canvas.lines[0].penWidth, 1);

    const Rendering fixed = render(drawer, QStringLiteral("<hr width=20 size=12 color=red>"));
    EXPECT_EQ(fixed.size, QSize(21, 21)); // 12 + 8 high
    ASSERT_EQ(fixed.canvas.lines.size(), 1u);
    EXPECT_EQ(fixed.canvas.lines[0].from, QPoint(0, 10));
    EXPECT_EQ(fixed.canvas.lines[0].to, QPoint(20, 10));
    EXPECT_EQ(fixed.canvas.lines[0].penWidth, 12);
    EXPECT_EQ(fixed.canvas.lines[0].colour, qRgb(255, 0, 0));
}

TEST_F(HtmlDrawerMarkup, OverlineIsALineAboveTheText) {
    const Rendering r = render(drawer, QStringLiteral("<font style=o>ab</font><b><font style=o>c</font></b>"));
    ASSERT_EQ(r.canvas.lines.size(), 2u);
    EXPECT_EQ(r.canvas.lines[0].from, QPoint(0, 0));
    EXPECT_EQ(r.canvas.lines[0].to, QPoint(16, 0));
    EXPECT_EQ(r.canvas.lines[0].penWidth, 1);
    EXPECT_EQ(r.canvas.lines[1].penWidth, 2); // bold text
}

// A centred word longer than the line: the painting pass starts the line off the left edge, and
// must still cut the word instead of breaking empty lines for ever.
TEST_F(HtmlDrawerMarkup, ACentredLongWordIsCutInThePaintingPassToo) {
    drawer.SetMaxWidth(44);
    EXPECT_EQ(placed(render(drawer, QStringLiteral("<center>aaaaaaaaaaaa</center>"), 44)),
              (Strings{"aaaaa@2,0", "aaaaa@2,15", "aa@14,30"}));
}

// Painting into a narrower rectangle than was measured gives more lines than were recorded.
TEST_F(HtmlDrawerMarkup, PaintingMoreLinesThanMeasuredPaintsThemAll) {
    drawer.SetMaxWidth(100);
    const Rendering r = render(drawer, QStringLiteral("aaaa bbbb cccc dddd"), 40);
    EXPECT_EQ(r.canvas.paintedText(), QStringLiteral("aaaabbbbccccdddd"));
}

TEST_F(HtmlDrawerMarkup, CountsOfBreaksAndTabsAreBounded) {
    EXPECT_EQ(placed(render(drawer, QStringLiteral("a<br=99999999999>b"))), (Strings{"a@0,0", "b@0,15000"}));
    EXPECT_EQ(placed(render(drawer, QStringLiteral("<t=99999999999>b"))), (Strings{"b@32000,0"}));
}

} // namespace
