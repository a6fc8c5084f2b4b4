// The HTML sizes 1 to 7 of the font tag and of "font-size": 8, 10, 12, 14, 18, 24 and 36 pixels;
// other numbers are pixels.

#include "HtmlDrawerTestKit.h"

using namespace htmltest;

namespace {

// The font height of the first text of `markup`, with `sheet` in place of the default style sheet
// (so the base height is 16).
int heightOf(const QString& markup, const QString& sheet = QString()) {
    CPPHtmlDrawer drawer;
    drawer.LoadStyleSheet(sheet);
    Rendering r = render(drawer, markup);
    EXPECT_FALSE(r.canvas.texts.empty()) << markup.toStdString();
    return r.canvas.texts.empty() ? 0 : r.canvas.texts.front().font.height;
}

TEST(HtmlFontSizes, TheSevenHtmlSizesAndPlainNumbers) {
    const struct {
        const char* size;
        int height;
    } cases[] = {{"1", 8}, {"2", 10}, {"3", 12}, {"4", 14}, {"5", 18}, {"6", 24}, {"7", 36}, {"8", 8}, {"0", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(heightOf(QStringLiteral("<font size=%1>x</font>").arg(QLatin1StringView(c.size))), c.height);
        EXPECT_EQ(heightOf(QStringLiteral("<span class=t>x</span>"),
                           QStringLiteral(".t {font-size: %1}").arg(QLatin1StringView(c.size))),
                  c.height);
    }
}

} // namespace
