// The program's pictures: sizes, palettes, masks and the toolbar button lists.
#include "controls/AppIcons.h"
#include "controls/Artwork.h"
#include "controls/ImageList.h"
#include "controls/PictureIds.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace pictures;

namespace {

int buttonCount(unsigned toolbar) {
    const auto buttons = toolbarButtons(toolbar);
    return static_cast<int>(std::count_if(buttons.begin(), buttons.end(), [](unsigned id) { return id != 0; }));
}

} // namespace

TEST(Artwork, EveryBitmapLoadsAtItsSize) {
    struct Case {
        unsigned id;
        QSize size;
    };
    for (const Case c :
         {Case{IDB_TOOLBAR24, {480, 24}}, Case{IDR_TOOLBAR_MENU, {16 * buttonCount(IDR_TOOLBAR_MENU), 16}},
          Case{IDR_TOOLBAR_MENU_EXTRA, {16 * buttonCount(IDR_TOOLBAR_MENU_EXTRA), 16}},
          Case{IDB_DOWNLOAD_STATES, {80, 16}}, Case{IDB_ITEM_STATES, {112, 16}}, Case{IDB_TRANSACTIONS, {160, 16}},
          Case{IDB_SORT_ASCENDING, {9, 5}}, Case{IDB_SORT_DESCENDING, {9, 5}}}) {
        const QImage image = artworkBitmap(c.id);
        EXPECT_EQ(image.size(), c.size) << c.id;
        testsupport::saveRendering(image, std::to_string(c.id));
    }
    EXPECT_EQ(artworkBitmap(IDB_TOOLBAR24).depth(), 24);
    EXPECT_EQ(artworkBitmap(IDB_TRANSACTIONS).depth(), 24);
    EXPECT_TRUE(artworkBitmap(4711).isNull());
    const std::vector<unsigned> ids = artworkBitmapIds();
    EXPECT_EQ(std::set<unsigned>(ids.begin(), ids.end()).size(), 8u);
}

TEST(Artwork, MenuStripsHaveSixteenColoursOnTheGreyBackground) {
    for (const unsigned id : {IDR_TOOLBAR_MENU, IDR_TOOLBAR_MENU_EXTRA}) {
        SCOPED_TRACE(id);
        const QImage strip = artworkBitmap(id);
        ASSERT_EQ(strip.format(), QImage::Format_Indexed8);
        ASSERT_EQ(strip.colorCount(), 16);
        const QList<QRgb> table = strip.colorTable();
        for (const QRgb needed : {qRgb(0, 0, 0), qRgb(128, 128, 128), qRgb(255, 255, 255), qRgb(192, 192, 192)})
            EXPECT_TRUE(table.contains(needed)) << std::hex << needed;
        // Every cell has a picture, and its bottom row is background (the menus show 16 x 15).
        for (int cell = 0; cell < strip.width() / 16; ++cell) {
            int drawn = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    if (strip.pixel(cell * 16 + x, y) != qRgb(192, 192, 192))
                        drawn += y == 15 ? 1000 : 1;
            EXPECT_GT(drawn, 20) << "cell " << cell;
            EXPECT_LT(drawn, 1000) << "cell " << cell;
        }
    }
}

TEST(Artwork, ToolbarListsMatchTheirStrips) {
    const auto main = toolbarButtons(IDR_MAINFRAME);
    const std::vector<unsigned> expected = {57600, 57601, 57603, 0,     32775, 0,     57635, 57634, 57637, 0,
                                            32781, 32797, 32803, 32814, 0,     32901, 0,     32828, 32850, 32851,
                                            0,     32819, 32821, 0,     57609, 0,     32861, 0,     57664};
    EXPECT_EQ(std::vector<unsigned>(main.begin(), main.end()), expected);
    EXPECT_EQ(toolbarButtonSize(IDR_MAINFRAME), QSize(24, 24));
    EXPECT_EQ(toolbarButtonSize(IDR_TOOLBAR_MENU_EXTRA), QSize(16, 16));
    EXPECT_TRUE(toolbarButtons(4711).empty());
    // 132 holds toolbar 127's commands; 129 further ones, with at least one command in both.
    const auto menu = toolbarButtons(IDR_TOOLBAR_MENU);
    EXPECT_TRUE(std::equal(menu.begin(), menu.end(), main.begin(), main.end()));
    const auto extra = toolbarButtons(IDR_TOOLBAR_MENU_EXTRA);
    const std::set<unsigned> first(menu.begin(), menu.end());
    int shared = 0, own = 0;
    for (const unsigned id : extra)
        if (id != 0)
            (first.count(id) ? shared : own) += 1;
    EXPECT_GE(shared, 1);
    EXPECT_GE(own, 5);
}

TEST(Artwork, MaskColoursBecomeTransparentInTheImageLists) {
    struct Case {
        unsigned id;
        QSize cell;
        COLORREF mask;
        int images;
    };
    for (const Case c :
         {Case{IDB_TOOLBAR24, {24, 24}, RGB(255, 0, 255), 20}, Case{IDB_DOWNLOAD_STATES, {16, 16}, RGB(0, 255, 0), 5},
          Case{IDB_ITEM_STATES, {16, 16}, RGB(0, 255, 0), 7}, Case{IDB_TRANSACTIONS, {16, 16}, RGB(0, 255, 0), 10},
          Case{IDR_TOOLBAR_MENU, {16, 15}, RGB(192, 192, 192), 20}}) {
        SCOPED_TRACE(c.id);
        CImageList list;
        list.Create(c.cell.width(), c.cell.height());
        ASSERT_EQ(list.Add(artworkBitmap(c.id), c.mask), 0);
        ASSERT_EQ(list.GetImageCount(), c.images);
        for (int i = 0; i < c.images; ++i) {
            const QImage image = list.image(i);
            int transparent = 0, opaque = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    (qAlpha(image.pixel(x, y)) == 0 ? transparent : opaque) += 1;
            EXPECT_GT(transparent, 0) << i;
            EXPECT_GT(opaque, 10) << i;
            // Each image is its own picture.
            if (i > 0) {
                EXPECT_NE(image, list.image(i - 1)) << i;
            }
        }
    }
}

TEST(Artwork, SortArrowsAndTrayIcons) {
    const QImage up = artworkBitmap(IDB_SORT_ASCENDING).convertToFormat(QImage::Format_RGB32);
    const QImage down = artworkBitmap(IDB_SORT_DESCENDING).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(up.pixel(4, 0), qRgb(0, 0, 0));
    EXPECT_EQ(up.pixel(3, 0), qRgb(255, 255, 255));
    EXPECT_EQ(up.pixel(0, 4), qRgb(0, 0, 0));
    EXPECT_EQ(down.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(down.pixel(4, 4), qRgb(0, 0, 0));
    EXPECT_EQ(down.pixel(3, 4), qRgb(255, 255, 255));

    const QImage tray = programIcon(IDI_TRAY).pixmap(16, 16).toImage();
    const QImage abort = programIcon(IDI_TRAY_ABORT).pixmap(16, 16).toImage();
    ASSERT_EQ(tray.size(), QSize(16, 16));
    EXPECT_GT(qBlue(tray.pixel(2, 8)), qRed(tray.pixel(2, 8)));
    EXPECT_GT(qRed(abort.pixel(2, 8)), qBlue(abort.pixel(2, 8)));
    EXPECT_EQ(programIcon(999).pixmap(16, 16).toImage(), tray);
    EXPECT_TRUE(artworkIcon(4711).isNull());
}
