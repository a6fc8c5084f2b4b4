// The hyperlink control: opening its address, the notice when that fails, its colours, underline
// modes and fitting.

#include "ControlsPalette.h"
#include "controls/HyperLink.h"
#include "framework/MessageBoxes.h"
#include "support/FakeServices.h"
#include "support/Renderings.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QTest>

#include <memory>

namespace {

class HyperLinkTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(dir() / "settings.conf");
        window.setGeometry(100, 100, 400, 200);
        QTest::mouseMove(&window, QPoint(390, 190));
    }

    // A link on the window, in a font without antialiasing so its text has the exact colour.
    CHyperLink* makeLink(const QString& text, LinkServices links, QRect geometry = QRect(20, 20, 100, 30)) {
        auto* link = new CHyperLink(text, std::move(links), &window);
        QFont font = link->font();
        font.setStyleStrategy(QFont::NoAntialias);
        font.setPixelSize(16);
        link->setFont(font);
        link->setGeometry(geometry);
        return link;
    }

    void showWindow() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    std::unique_ptr<testsupport::FakeServices> services;
    controlstest::FixedPalette palette;
    QWidget window;
};

int pixelsOf(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == colour ? 1 : 0;
    return count;
}

// A row of the colour across most of the width: the underline.
bool underlined(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x)
            run += image.pixel(x, y) == colour ? 1 : 0;
        if (run >= image.width() * 8 / 10)
            return true;
    }
    return false;
}

TEST_F(HyperLinkTest, WithoutAnAddressItOpensItsTextAndTurnsVisited) {
    CHyperLink* link = makeLink(QStringLiteral("https://example.org/"), LinkServices::of(services->bundle()));
    link->setMargin(2);
    showWindow();
    EXPECT_EQ(link->toolTip(), QStringLiteral("https://example.org/"));
    QImage before = link->grab().toImage();
    EXPECT_EQ(before.pixel(0, 0), qRgb(240, 240, 240)); // the button face behind the text
    EXPECT_GT(pixelsOf(before, CHyperLink::kLinkColour), 20);
    EXPECT_EQ(pixelsOf(before, CHyperLink::kVisitedColour), 0);

    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(services->shell->opened(), std::vector<std::string>{"https://example.org/"});
    EXPECT_TRUE(link->GetVisited());
    const QImage after = link->grab().toImage();
    testsupport::saveRendering(after, "visited");
    EXPECT_EQ(pixelsOf(after, CHyperLink::kLinkColour), 0);
    EXPECT_GT(pixelsOf(after, CHyperLink::kVisitedColour), 20);
    EXPECT_TRUE(services->boxes->texts().empty());
}

TEST_F(HyperLinkTest, AFailureBeepsAndSaysWhy) {
    int beeps = 0;
    std::vector<QString> asked;
    LinkServices links;
    links.shellOpen = [&](const QString& address) {
        asked.push_back(address);
        return 2;
    };
    links.beep = [&] { ++beeps; };
    links.boxes = services->boxes;
    CHyperLink* link = makeLink(QStringLiteral("Quotes"), links);
    link->SetURL(QStringLiteral("https://example.org/quotes"));
    showWindow();

    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(asked, std::vector<QString>{QStringLiteral("https://example.org/quotes")});
    EXPECT_EQ(beeps, 1);
    ASSERT_EQ(services->boxes->shown().size(), 1u);
    EXPECT_EQ(services->boxes->shown()[0].text, "Unable to open hyperlink:\n\nThe specified file was not found.");
    EXPECT_EQ(messageBoxIcon(services->boxes->shown()[0].type), MB_ICONEXCLAMATION);
    EXPECT_FALSE(link->GetVisited());
    EXPECT_GT(pixelsOf(link->grab().toImage(), CHyperLink::kLinkColour), 20);
}

TEST(HyperLink, ErrorTexts) {
    EXPECT_EQ(HyperlinkErrorText(26), QStringLiteral("A sharing violation occurred. "));
    EXPECT_EQ(HyperlinkErrorText(31),
              QStringLiteral("There is no application associated\nwith the given filename extension."));
    EXPECT_EQ(HyperlinkErrorText(99), QStringLiteral("Unknown Error (99) occurred."));
    EXPECT_EQ(HyperlinkErrorText(-1), QStringLiteral("Unknown Error (-1) occurred."));
}

TEST_F(HyperLinkTest, UnderlineByMode) {
    const struct {
        int mode;
        bool resting;
        bool hovered;
    } cases[] = {{-1, false, true}, {1, true, true}, {0, false, false}};
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        CHyperLink* link =
            makeLink(QStringLiteral("Quotes online"), LinkServices{}, QRect(20, 20 + 50 * row++, 100, 30));
        link->SetUnderline(c.mode);
        showWindow();
        link->show();
        EXPECT_EQ(underlined(link->grab().toImage(), CHyperLink::kLinkColour), c.resting);

        QTest::mouseMove(link, QPoint(10, 8));
        const QImage hovered = link->grab().toImage();
        testsupport::saveRendering(hovered, "hovered-" + std::to_string(c.mode));
        EXPECT_EQ(underlined(hovered, CHyperLink::kHoverColour), c.hovered);

        // The hover timer finds the pointer gone.
        QTest::mouseMove(&window, QPoint(390, 190));
        QTest::qWait(250);
        EXPECT_EQ(underlined(link->grab().toImage(), CHyperLink::kLinkColour), c.resting);
    }
}

// The pointer over a link shows the hover colour whether or not the link was visited; once it has
// gone, the link shows whether it was.
TEST_F(HyperLinkTest, HoverColourComesBeforeVisitedColour) {
    int row = 0;
    for (const bool visited : {false, true}) {
        SCOPED_TRACE(visited ? "visited" : "not visited");
        CHyperLink* link =
            makeLink(QStringLiteral("Quotes online"), LinkServices{}, QRect(20, 20 + 50 * row++, 100, 30));
        link->SetVisited(visited);
        showWindow();
        link->show();
        const QRgb resting = visited ? CHyperLink::kVisitedColour : CHyperLink::kLinkColour;
        EXPECT_GT(pixelsOf(link->grab().toImage(), resting), 20);

        QTest::mouseMove(link, QPoint(10, 8));
        const QImage hovered = link->grab().toImage();
        EXPECT_GT(pixelsOf(hovered, CHyperLink::kHoverColour), 20);
        EXPECT_EQ(pixelsOf(hovered, resting), 0);

        // The hover timer finds the pointer gone.
        QTest::mouseMove(&window, QPoint(390, 190));
        EXPECT_TRUE(QTest::qWaitFor([&] { return pixelsOf(link->grab().toImage(), CHyperLink::kHoverColour) == 0; }));
        EXPECT_GT(pixelsOf(link->grab().toImage(), resting), 20);
    }
}

TEST_F(HyperLinkTest, FittingKeepsTheEdgeTheAlignmentNames) {
    const struct {
        Qt::Alignment align;
        int keptX; // of QRect(50, 20, 200, 40): left 50, centre 150, right 250
    } cases[] = {{Qt::AlignLeft, 50}, {Qt::AlignHCenter, 150}, {Qt::AlignRight, 250}};
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.align));
        CHyperLink* link = makeLink(QStringLiteral("Velmora"), LinkServices{}, QRect(50, 20 + 50 * row, 200, 40));
        link->setAlignment(c.align | (row == 1 ? Qt::AlignVCenter : Qt::AlignTop));
        showWindow();
        link->show();
        QFont underlinedFont = link->font();
        underlinedFont.setUnderline(true);
        const QSize text = QFontMetrics(underlinedFont).size(0, link->text());
        const QRect fitted = link->geometry();
        EXPECT_EQ(fitted.size(), text);
        const int x = c.align == Qt::AlignLeft    ? fitted.left()
                      : c.align == Qt::AlignRight ? fitted.left() + fitted.width()
                                                  : fitted.left() + fitted.width() / 2;
        EXPECT_NEAR(x, c.keptX, 1);
        // The top stays, or the vertical centre with AlignVCenter.
        const int top = 20 + 50 * row;
        EXPECT_NEAR(row == 1 ? fitted.top() + fitted.height() / 2 : fitted.top(), row == 1 ? top + 20 : top, 1);
        ++row;
    }
}

} // namespace
