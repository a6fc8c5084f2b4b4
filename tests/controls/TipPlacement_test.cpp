// Placement of the balloon tip on an 800 by 800 screen: a body of 124 by 44, anchor height and
// margin 16.

#include "controls/TipPlacement.h"

#include <gtest/gtest.h>

namespace {

TEST(TipPlacement, TheBalloonStaysOnTheScreen) {
    const QRect screen(0, 0, 800, 800);
    const struct {
        QPoint cursor;
        int direction;
        QSize body;
        int finalDirection;
        QPoint anchor;
        QPoint windowPos;
    } cases[] = {
        // Room everywhere: above the cursor, anchor near the left end of the bottom edge.
        {{400, 400}, 0x10, {124, 44}, 0x10, {16, 60}, {384, 340}},
        // Near the top: below the cursor, anchor on the top edge.
        {{400, 30}, 0x10, {124, 44}, 0x00, {16, 0}, {384, 30}},
        // Near the right edge: anchor at the right end, then pushed so the body ends at the edge.
        {{790, 400}, 0x10, {124, 44}, 0x11, {114, 60}, {676, 340}},
        // Neither end fits: centred, then shifted to stay on the screen.
        {{600, 400}, 0x10, {700, 44}, 0x12, {500, 60}, {100, 340}},
        // Near the bottom: above the cursor instead of below.
        {{400, 780}, 0x00, {124, 44}, 0x10, {16, 60}, {384, 720}},
        // Centred near the left edge: the anchor goes to the left end, kept on the screen.
        {{10, 400}, 0x12, {124, 44}, 0x10, {10, 60}, {0, 340}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cursor.x() << "," << c.cursor.y() << " dir " << c.direction);
        const QRect body(QPoint(0, 0), c.body);
        const TipPlacement p = PlaceTip(c.cursor, screen, c.direction, body, body.adjusted(12, 12, -12, -12), 16, 16);
        EXPECT_EQ(p.direction, c.finalDirection);
        EXPECT_EQ(p.anchor, c.anchor);
        EXPECT_EQ(p.windowPos, c.windowPos);
        EXPECT_EQ(p.window, QRect(0, 0, c.body.width(), c.body.height() + 16));
        // Below the cursor the body and text lie under the anchor strip.
        const int shift = (p.direction & 0xF0) == 0x00 ? 16 : 0;
        EXPECT_EQ(p.body, body.translated(0, shift));
        EXPECT_EQ(p.text, body.adjusted(12, 12, -12, -12).translated(0, shift));
    }
}

// The side flips only when the balloon with its anchor (44 + 16 = 60 high) would leave the screen:
// a window that ends exactly at the top or bottom edge still fits. The screen may begin below 0.
TEST(TipPlacement, TheSideChangesExactlyWhereTheBalloonWouldLeaveTheScreen) {
    const struct {
        QRect screen;
        int y;
        int direction;
        int finalDirection;
    } cases[] = {
        {{0, 0, 800, 800}, 60, kTipAbove, kTipAbove},    // window from 0 to 60
        {{0, 0, 800, 800}, 59, kTipAbove, kTipBelow},    // it would start at -1
        {{0, 0, 800, 800}, 50, kTipAbove, kTipBelow},    // the body alone would fit, the anchor not
        {{0, 0, 800, 800}, 740, kTipBelow, kTipBelow},   // window from 740 to 800
        {{0, 0, 800, 800}, 741, kTipBelow, kTipAbove},   // it would end at 801
        {{0, 200, 800, 800}, 260, kTipAbove, kTipAbove}, // a screen whose top is at 200
        {{0, 200, 800, 800}, 259, kTipAbove, kTipBelow},
        {{0, 200, 800, 800}, 940, kTipBelow, kTipBelow}, // ... and whose bottom is at 1000
        {{0, 200, 800, 800}, 941, kTipBelow, kTipAbove},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "y " << c.y << " on a screen from " << c.screen.top());
        const QRect body(0, 0, 124, 44);
        const TipPlacement p =
            PlaceTip({400, c.y}, c.screen, c.direction, body, body.adjusted(12, 12, -12, -12), 16, 16);
        EXPECT_EQ(p.direction, c.finalDirection);
        const QRect onScreen = p.window.translated(p.windowPos);
        EXPECT_TRUE(c.screen.contains(onScreen)) << onScreen.top() << ".." << onScreen.bottom();
    }
}

TEST(TipPlacement, AVirtualScreenLeftOfTheOrigin) {
    const TipPlacement p =
        PlaceTip({-790, 400}, QRect(-800, 0, 1600, 800), 0x11, QRect(0, 0, 124, 44), QRect(12, 12, 100, 20), 16, 16);
    EXPECT_EQ(p.direction, 0x10);
    EXPECT_EQ(p.windowPos.x(), -800);
}

} // namespace
