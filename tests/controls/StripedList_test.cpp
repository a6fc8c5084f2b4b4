// The striped report list: stripes by row number wherever the rows stand, the window colour below
// them, and the rows' text colours from their item data when switched on.
#include "ControlsPalette.h"
#include "controls/StripedList.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>

namespace {

constexpr QRgb kEven = 0xFFEBEBEBu;
constexpr QRgb kWindow = 0xFFFFFFFFu;

struct StripedFixture {
    controlstest::FixedPalette palette;
    CColoredListCtrl list;

    explicit StripedFixture(int rows) {
        QFont font("DejaVu Sans");
        font.setPixelSize(12);
        font.setStyleStrategy(QFont::NoAntialias);
        list.setFont(font);
        list.setColumnCount(2);
        list.setHeaderLabels({"Date", "Value"});
        for (int i = 0; i < rows; ++i) {
            auto* item = new QTreeWidgetItem(&list, {QStringLiteral("row %1").arg(i), QStringLiteral("%1.00").arg(i)});
            item->setData(0, Qt::UserRole, static_cast<uint>(RGB(200, 0, 0)));
        }
        list.resize(300, 160);
        list.show();
        QApplication::processEvents();
        list.clearFocus(); // no focus frame on the current row
    }

    QImage rows() { return list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QRect rowRect(int row) { return list.visualRect(list.model()->index(row, 0)); }
    // A pixel of the row's band without text: right of the columns.
    QRgb band(const QImage& image, int row) { return image.pixel(image.width() - 2, rowRect(row).center().y()); }
};

int countColour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

} // namespace

TEST(StripedList, StripesRowsByTheirNumberAlsoAfterScrolling) {
    StripedFixture f(3);
    QImage image = f.rows();
    testsupport::saveRendering(image, "three-rows");
    EXPECT_EQ(f.band(image, 0), kEven);
    EXPECT_EQ(f.band(image, 1), kWindow);
    EXPECT_EQ(f.band(image, 2), kEven);
    EXPECT_EQ(image.pixel(5, f.rowRect(0).top()), kEven);        // in the text's column too, above its ink
    EXPECT_EQ(image.pixel(5, image.height() - 2), kWindow);      // below the last row

    StripedFixture many(30);
    many.list.verticalScrollBar()->setValue(1); // row 1 at the top
    image = many.rows();
    testsupport::saveRendering(image, "scrolled-by-one");
    ASSERT_EQ(many.rowRect(1).top(), 0);
    EXPECT_EQ(many.band(image, 1), kWindow);
    EXPECT_EQ(many.band(image, 2), kEven);
    EXPECT_EQ(many.band(image, 3), kWindow);
}

TEST(StripedList, TakesTheTextColourFromTheItemDataWhenSwitchedOn) {
    StripedFixture f(2);
    EXPECT_EQ(countColour(f.rows(), qRgb(200, 0, 0)), 0);
    EXPECT_GT(countColour(f.rows(), qRgb(0, 0, 0)), 0);
    f.list.SetItemDataTextColor(true);
    const QImage image = f.rows();
    testsupport::saveRendering(image, "item-colours");
    EXPECT_GT(countColour(image, qRgb(200, 0, 0)), 0);
    EXPECT_EQ(countColour(image, qRgb(0, 0, 0)), 0);
}
