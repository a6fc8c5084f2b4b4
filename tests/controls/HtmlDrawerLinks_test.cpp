// Pictures, string-table texts, links and the mouse in the HTML drawer.

#include "HtmlDrawerTestKit.h"

using namespace htmltest;

namespace {

class HtmlDrawerLinks : public ::testing::Test {
protected:
    void SetUp() override {
        drawer.SetPictureSource(&pictures);
        drawer.SetLinkOpener(&opener);
        drawer.SetStringTable(&strings);
        drawer.SetHoverNotify([this](int link) { hovers.push_back(link); });
    }

    CPPHtmlDrawer drawer;
    FakePictureSource pictures;
    FakeLinkOpener opener;
    FakeStrings strings;
    std::vector<int> hovers;
};

// "aa" is link 0 at x 0..16, "bb" link 1 at x 24..40, both 15 high.
constexpr auto kTwoLinks = u"<a href=x>aa</a> <a href=y>bb</a>";

TEST_F(HtmlDrawerLinks, HoveringTellsTheOwnerWhenTheLinkUnderTheCursorChanges) {
    const Rendering r = render(drawer, QString::fromUtf16(kTwoLinks));
    EXPECT_TRUE(drawer.TrackCursor(QPoint(30, 5)));
    EXPECT_TRUE(drawer.TrackCursor(QPoint(40, 15))); // edges belong to the link
    EXPECT_FALSE(drawer.TrackCursor(QPoint(100, 5)));
    EXPECT_FALSE(drawer.TrackCursor(QPoint(20, 5))); // the blank between is no link
    EXPECT_EQ(hovers, (std::vector<int>{1, -2}));
    EXPECT_TRUE(drawer.TrackCursor(QPoint(0, 0)));
    EXPECT_EQ(hovers, (std::vector<int>{1, -2, 0}));
    EXPECT_EQ(drawer.HoveredLink(), 0);

    // Painted again, the hovered link shows the hover style (underlined), the other does not.
    const Rendering again = paintAgain(drawer, r.size);
    ASSERT_EQ(again.canvas.texts.size(), 3u);
    EXPECT_TRUE(again.canvas.texts[0].font.underline);
    EXPECT_FALSE(again.canvas.texts[2].font.underline);
    EXPECT_EQ(again.canvas.texts[2].colour, qRgb(0, 0, 255));
}

TEST_F(HtmlDrawerLinks, AClickOpensTheLinksAddress) {
    render(drawer, QString::fromUtf16(kTwoLinks));
    drawer.ClickAt(QPoint(30, 5));
    drawer.ClickAt(QPoint(20, 5));
    EXPECT_EQ(opener.opened, (std::vector<QString>{QStringLiteral("y")}));
}

TEST_F(HtmlDrawerLinks, LinksWithoutAnAddressAreInert) {
    render(drawer, QStringLiteral("<a>zz</a><a msg=note>mm</a>"));
    EXPECT_FALSE(drawer.TrackCursor(QPoint(4, 4))); // no target: no link cursor
    EXPECT_EQ(hovers, std::vector<int>{0});         // but it is hovered
    drawer.ClickAt(QPoint(4, 4));
    drawer.ClickAt(QPoint(20, 4)); // a message link has no receiver here
    EXPECT_TRUE(opener.opened.empty());
}

// The owner repaints from the hover callback: the hot areas it hit are recorded afresh then.
TEST_F(HtmlDrawerLinks, RepaintingInTheHoverCallbackIsSafe) {
    const Rendering r = render(drawer, QString::fromUtf16(kTwoLinks));
    drawer.SetHoverNotify([&](int) { paintAgain(drawer, r.size); });
    EXPECT_TRUE(drawer.TrackCursor(QPoint(30, 5)));
    EXPECT_FALSE(drawer.TrackCursor(QPoint(100, 5)));
}

TEST_F(HtmlDrawerLinks, HotAreasAreThoseOfTheLastPainting) {
    const Rendering r = render(drawer, QString::fromUtf16(kTwoLinks));
    ASSERT_EQ(drawer.HotAreas().size(), 2u);
    paintAgain(drawer, r.size);
    paintAgain(drawer, r.size);
    EXPECT_EQ(drawer.HotAreas().size(), 2u);
    EXPECT_EQ(drawer.HotAreas()[1].target, QStringLiteral("y"));
    EXPECT_EQ(drawer.HotAreas()[1].linkNumber, 1);
}

TEST_F(HtmlDrawerLinks, BitmapsWithEffectsAndShadow) {
    pictures.sizes[3] = QSize(16, 16);
    const Rendering r = render(drawer, QStringLiteral("<a href=p><bmp idres=3 style=gs></a>x"));
    EXPECT_EQ(r.size, QSize(20 + 8 + 1, 16 + 3 + 1)); // occupied with the 4-by-4 shadow
    ASSERT_EQ(r.canvas.pictures.size(), 1u);
    const HtmlPictureDraw& draw = r.canvas.pictures[0].draw;
    EXPECT_EQ(draw.kind, HtmlPictureDraw::Kind::Bitmap);
    EXPECT_EQ(draw.effects, kHtmlEffectGrey | kHtmlEffectBlurredShadow);
    EXPECT_TRUE(draw.shadow);
    EXPECT_EQ(draw.size, QSize(16, 16));
    EXPECT_EQ(draw.shadowOffset, QPoint(4, 4));
    EXPECT_EQ(draw.colour, qRgb(128, 128, 128)); // 50 percent darkness
    ASSERT_EQ(drawer.HotAreas().size(), 1u);
    EXPECT_EQ(drawer.HotAreas()[0].right - drawer.HotAreas()[0].left, 20);
    EXPECT_EQ(drawer.HotAreas()[0].bottom - drawer.HotAreas()[0].top, 20);
    EXPECT_EQ(r.canvas.find(QStringLiteral("x"))->x, 20);

    // Without a shadow offset the letter s does nothing.
    drawer.ConfigureImageShadow(0, 0, 50, true, 7, 7);
    const Rendering flat = render(drawer, QStringLiteral("<bmp idres=3 style=gs>"));
    EXPECT_EQ(flat.size.width(), 17);
    EXPECT_EQ(flat.canvas.pictures.at(0).draw.effects, kHtmlEffectGrey);
}

TEST_F(HtmlDrawerLinks, HoveredAndDisabledPictureEffects) {
    pictures.sizes[3] = QSize(16, 16);
    const QString markup = QStringLiteral("<a href=p><bmp idres=3 style=s hotstyle=l></a>");
    const Rendering r = render(drawer, markup);
    EXPECT_EQ(r.canvas.pictures.at(0).draw.effects, kHtmlEffectBlurredShadow);
    drawer.TrackCursor(QPoint(2, 2));
    EXPECT_EQ(paintAgain(drawer, r.size).canvas.pictures.at(0).draw.effects, kHtmlEffectLighter);

    // Disabled: the disabled effect and colour, the shadow kept, hovered or not.
    drawer.EnableColours(false);
    drawer.SetDisabledColour(qRgb(9, 9, 9));
    const Rendering disabled = paintAgain(drawer, r.size);
    EXPECT_EQ(disabled.canvas.pictures.at(0).draw.effects, kHtmlEffectDisabled);
    EXPECT_EQ(disabled.canvas.pictures.at(0).draw.colour, qRgb(9, 9, 9));
    drawer.TrackCursor(QPoint(200, 200));
    EXPECT_EQ(paintAgain(drawer, r.size).canvas.pictures.at(0).draw.effects,
              kHtmlEffectDisabled | kHtmlEffectBlurredShadow);
}

TEST_F(HtmlDrawerLinks, PictureSizesAndSources) {
    pictures.sizes[3] = QSize(16, 16);
    pictures.files[QStringLiteral("p.png")] = 3;
    const struct {
        const char* markup;
        QSize drawn; // empty: nothing painted
    } cases[] = {
        {"<bmp idres=3 width=200% height=8>", QSize(32, 8)},
        {"<bmp file=p.png>", QSize(16, 16)},
        {"<bmp idres=4>", QSize()}, // nothing loads
        {"<bmp iddll=3 srcdll=other.so>", QSize()},
        {"<bmp iddll=3>", QSize()},
        {"<bmp handle=12345>", QSize()},
        {"<bmp>", QSize()},
        {"<icon idres=3 width=50%>", QSize(16, 32)}, // percent of the 32-pixel icon size
        {"<ilst index=0>", QSize()},                 // the drawer has no image list
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        const Rendering r = render(drawer, QString::fromLatin1(c.markup));
        if (c.drawn.isEmpty()) {
            EXPECT_TRUE(r.canvas.pictures.empty());
        } else {
            ASSERT_EQ(r.canvas.pictures.size(), 1u);
            EXPECT_EQ(r.canvas.pictures[0].draw.size, c.drawn);
            EXPECT_EQ(r.canvas.pictures[0].id, 3);
        }
    }
}

TEST_F(HtmlDrawerLinks, ImageStripFramesAndAnimation) {
    pictures.sizes[7] = QSize(48, 16); // three 16-by-16 frames
    EXPECT_TRUE(render(drawer, QStringLiteral("<ilst idres=7 index=3>")).canvas.pictures.empty());
    const Rendering still = render(drawer, QStringLiteral("<ilst idres=7 index=2 cx=16>"));
    ASSERT_EQ(still.canvas.pictures.size(), 1u);
    EXPECT_EQ(still.canvas.pictures[0].draw.kind, HtmlPictureDraw::Kind::StripFrame);
    EXPECT_EQ(still.canvas.pictures[0].draw.frame, 2);
    EXPECT_EQ(still.canvas.pictures[0].draw.frameSize, QSize(16, 16));
    EXPECT_FALSE(drawer.StepAnimation()); // no animated strip

    const Rendering animated = render(drawer, QStringLiteral("<ilst idres=7 speed=2>"));
    ASSERT_EQ(drawer.Animations().size(), 1u);
    EXPECT_EQ(drawer.Animations()[0].frameCount, 3);
    std::vector<int> frames;
    for (int step = 0; step < 6; ++step) {
        const bool changed = drawer.StepAnimation();
        EXPECT_EQ(changed, step % 2 == 1) << step;
        frames.push_back(paintAgain(drawer, animated.size).canvas.pictures.at(0).draw.frame);
    }
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 1, 2, 2, 0}));
}

TEST_F(HtmlDrawerLinks, AnEmptyStripDrawsNothing) {
    pictures.sizes[8] = QSize(0, 16);
    EXPECT_TRUE(render(drawer, QStringLiteral("<ilst idres=8>x")).canvas.pictures.empty());
}

TEST_F(HtmlDrawerLinks, StringsFromTheStringTable) {
    strings.texts[9] = QStringLiteral("one <b>two</b>");
    strings.texts[10] = QStringLiteral("first\nsecond");
    const Rendering r = render(drawer, QStringLiteral("<string idres=9>|<string iddll=10>"));
    EXPECT_EQ(r.canvas.paintedText(), QStringLiteral("one <b>two</b>|first\nsecond")); // as it is
    EXPECT_EQ(drawer.LoadResourceLine(10, 1), QStringLiteral("second"));
    EXPECT_EQ(drawer.LoadResourceLine(10, 2), QString());
    EXPECT_EQ(drawer.LoadResourceLine(0, 0), QString());
    EXPECT_EQ(drawer.LoadResourceLine(11, 0), QString());
}

} // namespace
