// The owner-drawn report list: shortening of texts, the rows as the four questions of the derived
// view paint them, the highlight across the whole width, and the header's sort arrow.
#include "ControlsPalette.h"
#include "controls/ListViewEx.h"
#include "framework/ItemTableModel.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTest>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr QRgb kWindow = 0xFFFFFFFFu;
constexpr QRgb kDark = 0xFFDCDCDCu;
constexpr QRgb kHighlight = 0xFF0078D7u; // the fixed COLOR_HIGHLIGHT (0,120,215)
constexpr QRgb kHighlightText = 0xFFFFFFFFu;
constexpr QRgb kGrayText = 0xFF6D6D6Du; // the fixed palette's disabled text
constexpr COLORREF kStatus = RGB(0, 0, 160);
constexpr COLORREF kDot = RGB(200, 0, 0);
constexpr COLORREF kOtherDot = RGB(0, 160, 0);

QFont fixedFont(const char* family = "DejaVu Sans") {
    QFont font(family);
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Rows keyed by item: item i's texts are "c<column>" in every column unless set otherwise; columns
// 11 and 12 have right-aligned captions.
class Items : public ItemTableModel {
public:
    explicit Items(int columns = 13) : ItemTableModel(columns), m_columns(columns) {}

    std::map<ItemPos, std::map<int, QString>> texts;
    std::map<ItemPos, int> images;
    std::map<ItemPos, unsigned> states;

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal)
            return {};
        if (role == Qt::DisplayRole)
            return QStringLiteral("Col %1").arg(section);
        if (role == Qt::TextAlignmentRole && section >= 11)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }

protected:
    std::vector<QString> rowTexts(ItemPos pos) const override {
        std::vector<QString> row;
        for (int c = 0; c < m_columns; ++c) {
            const auto item = texts.find(pos);
            const auto cell = item == texts.end() ? std::map<int, QString>::const_iterator() : item->second.find(c);
            row.push_back(item != texts.end() && cell != item->second.end() ? cell->second
                                                                            : QStringLiteral("c%1").arg(c));
        }
        return row;
    }
    QVariant cellData(int row, int column, int role) const override {
        if (column != 0)
            return {};
        const ItemPos pos = itemAt(row);
        if (role == CListViewEx::ImageRole && images.count(pos))
            return images.at(pos);
        if (role == CListViewEx::StateRole && states.count(pos))
            return states.at(pos);
        return {};
    }

private:
    int m_columns;
};

// The derived view's answers: item 2 has its own dot colour, item 3 is bold and dark, item 4 dark.
class TestList : public CListViewEx {
public:
    COLORREF GetItemColor(std::intptr_t item) const override { return item == 2 ? kOtherDot : kDot; }
    COLORREF GetItemStatusColor(std::intptr_t) const override { return kStatus; }
    bool IsItemTypeBold(std::intptr_t item) const override { return item == 3; }
    bool IsItemTypeDarkBackground(std::intptr_t item) const override { return item == 3 || item == 4; }
};

// Five rows (items 1 to 5) over 13 columns: column 0 150 pixels, the others 80, in a list wider
// than its columns.
struct ListFixture {
    controlstest::FixedPalette palette;
    Items model;
    TestList view;

    explicit ListFixture(int columns = 13) : model(columns) {
        view.setFont(fixedFont());
        view.GetListCtrl().setModel(&model);
        model.reconcile({1, 2, 3, 4, 5});
        auto* header = view.GetListCtrl().header();
        header->resizeSection(0, 150);
        for (int c = 1; c < columns; ++c)
            header->resizeSection(c, 80);
        view.resize(150 + 80 * (columns - 1) + 120, 200);
        view.OnInitialUpdate();
        view.show();
        QApplication::processEvents();
        // Shown, the window takes the focus; the tests give it where they want it.
        list().clearFocus();
    }

    QTreeView& list() { return view.GetListCtrl(); }
    QImage rows() { return list().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QImage header() { return list().header()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QRect rowRect(int row) {
        const QRect r = list().visualRect(model.index(row, 0));
        return QRect(0, r.top(), list().viewport()->width(), r.height());
    }
    // The cell of `column` in `row` (columns in their own order).
    QRect cell(int row, int column) {
        const auto* h = list().header();
        return QRect(h->sectionViewportPosition(column), rowRect(row).top(), h->sectionSize(column),
                     rowRect(row).height());
    }
    void select(int row) {
        list().selectionModel()->select(model.index(row, 0),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
};

int countColour(const QImage& image, const QRect& area, QRgb colour) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

// The columns of `area` holding ink: first and last; (-1, -1) for none.
template <typename Ink> std::pair<int, int> inkColumns(const QImage& image, const QRect& area, Ink isInk) {
    int first = -1, last = -1;
    const QRect r = area.intersected(image.rect());
    for (int x = r.left(); x <= r.right(); ++x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (isInk(image.pixel(x, y))) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}
// Ink on a plain background: any other colour.
auto notColour(QRgb background) {
    return [background](QRgb p) { return p != background; };
}
// The header's caption: black text on the style's shaded face; the arrow's grey is no caption.
bool captionInk(QRgb p) {
    return qGray(p) < 90;
}

} // namespace

TEST(ListViewEx, ShortensWithThreeFullStopsKeepingWholeCharacters) {
    const QFontMetrics m(fixedFont("DejaVu Sans Mono"));
    const auto w = [&](const QString& s) { return m.horizontalAdvance(s); };
    const QString dots = QStringLiteral("...");
    const QString x300(300, QLatin1Char('x'));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two UTF-16 units
    struct Case {
        QString text;
        int width;
        int offset;
        QString expected;
    };
    const Case cases[] = {
        {QString(), 0, 12, QString()},
        {"abc", w("abc") + 4, 4, "abc"},                                     // exact fit
        {"abcdef", w("abcdef") + 3, 4, "ab..."},                             // "ab..." fits, "abc..." does not
        {"abcdef", w("ab" + dots) + 4 - 1, 4, "a..."},                       // one pixel short of "ab..."
        {"x", w("x") + 11, 12, "x..."},                                      // one character, one pixel over
        {"abcdef", 0, 12, "a..."},                                           // nothing fits: one character stays
        {x300, w(x300.left(280)) + w(dots) + 12, 12, x300.left(280) + dots}, // no limit of 260
        {x300, w(x300) + 12, 12, x300},
        {emoji + emoji, 1, 0, emoji + dots},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CListViewEx::MakeShortString(m, c.text, c.width, c.offset), c.expected)
            << c.text.left(20).toStdString() << " in " << c.width;
}

TEST(ListViewEx, PaintsRowsFromTheDerivedViewsAnswers) {
    ListFixture f;
    f.model.texts[5][1] = QString(); // an empty cell draws nothing
    f.model.texts[1][4] = QStringLiteral("1234");
    f.model.texts[1][2] = QStringLiteral("left");
    f.model.reconcile({1, 2, 3, 4, 5});
    const QImage image = f.rows();
    testsupport::saveRendering(f.view, "rows");

    // Backgrounds: window, and the grey of the dark rows (item 3 bold too), empty cells included.
    EXPECT_EQ(countColour(image, f.cell(4, 1), kWindow), f.cell(4, 1).width() * f.cell(4, 1).height());
    EXPECT_EQ(image.pixel(f.cell(3, 1).topLeft()), kDark);
    EXPECT_EQ(image.pixel(f.cell(2, 1).center()), kDark);
    EXPECT_EQ(image.pixel(f.rowRect(2).right(), f.rowRect(2).center().y()), kDark);

    // Columns 3 and 6 in the status colour, the others in the window text colour.
    const QRgb status = rgbOf(kStatus);
    EXPECT_GT(countColour(image, f.cell(0, 3), status), 0);
    EXPECT_GT(countColour(image, f.cell(0, 6), status), 0);
    EXPECT_EQ(countColour(image, f.cell(0, 5), status), 0);
    EXPECT_GT(countColour(image, f.cell(0, 5), qRgb(0, 0, 0)), 0);

    // Right-aligned text ends 6 pixels before the cell's edge, left-aligned starts 6 after it.
    const QRect right = f.cell(0, 4);
    const auto [rFirst, rLast] = inkColumns(image, right, notColour(kWindow));
    EXPECT_LE(rLast, right.right() - 6);
    EXPECT_GE(rLast, right.right() - 8);
    const QRect left = f.cell(0, 2);
    const auto [lFirst, lLast] = inkColumns(image, left, notColour(kWindow));
    EXPECT_GE(lFirst, left.left() + 6);
    EXPECT_LE(lFirst, left.left() + 7 + std::max(0, QFontMetrics(f.view.font()).leftBearing(QChar('l'))));

    // The bold row's text has more ink than the same text in a plain row (and is no narrower: a
    // fixed-pitch font keeps the width).
    const auto plain = inkColumns(image, f.cell(0, 7), notColour(kWindow));
    const auto bold = inkColumns(image, f.cell(2, 7), notColour(kDark));
    EXPECT_GE(bold.second - bold.first, plain.second - plain.first);
    const int plainInk = f.cell(0, 7).width() * f.cell(0, 7).height() - countColour(image, f.cell(0, 7), kWindow);
    const int boldInk = f.cell(2, 7).width() * f.cell(2, 7).height() - countColour(image, f.cell(2, 7), kDark);
    EXPECT_GT(boldInk, plainInk);

    // The dot at the label's right end: d = row height - 4, from label right - d to label right - 2,
    // 4 pixels in from top and bottom; filled in the row's colour, outlined in black.
    for (const auto& [row, colour] : {std::pair{0, kDot}, std::pair{1, kOtherDot}}) {
        const QRect label = f.cell(row, 0);
        const int d = label.height() - 4;
        const int l = label.right() + 1 - d, r = label.right() + 1 - 2;
        const int t = label.top() + 4, b = label.bottom() + 1 - 4;
        EXPECT_EQ(image.pixel((l + r) / 2, (t + b) / 2), rgbOf(colour)) << row;
        EXPECT_EQ(image.pixel(l, (t + b) / 2), qRgb(0, 0, 0)) << row;
        EXPECT_EQ(image.pixel(r, (t + b) / 2), kWindow) << row;
    }
}

TEST(ListViewEx, HighlightsSelectedRowsToTheRightEdgeWhenShownAlways) {
    ListFixture f;
    f.select(2); // dark and bold
    const QRect row = f.rowRect(2);
    const int y = row.center().y();

    // Without the focus a selected row looks like the others, unless the selection shows always.
    QImage image = f.rows();
    EXPECT_EQ(image.pixel(row.right(), y), kDark);
    EXPECT_GT(countColour(image, f.cell(2, 3), rgbOf(kStatus)), 0);

    f.view.SetShowSelectionAlways(true);
    image = f.rows();
    testsupport::saveRendering(image, "selected");
    EXPECT_EQ(image.pixel(row.right(), y), kHighlight); // past the last column
    EXPECT_EQ(image.pixel(f.cell(2, 1).topLeft()), kHighlight);
    EXPECT_EQ(countColour(image, f.cell(2, 3), rgbOf(kStatus)), 0);
    EXPECT_GT(countColour(image, f.cell(2, 3), kHighlightText), 0);
    EXPECT_EQ(image.pixel(f.rowRect(3).right(), f.rowRect(3).center().y()), kDark);
}

TEST(ListViewEx, ASelectionChangeRepaintsTheWholeWidthOfItsRows) {
    ListFixture f;
    f.view.SetShowSelectionAlways(true);
    QApplication::processEvents();
    // The regions the viewport is asked to paint.
    struct PaintSpy : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } spy;
    f.list().viewport()->installEventFilter(&spy);
    f.select(1);
    QTRY_VERIFY(!spy.painted.isEmpty());
    const QRect row = f.rowRect(1);
    EXPECT_TRUE(spy.painted.contains(QPoint(row.right(), row.center().y())));
    EXPECT_TRUE(spy.painted.contains(QPoint(row.left(), row.center().y())));
    f.list().viewport()->removeEventFilter(&spy);
}

TEST(ListViewEx, RowImagesFollowTheStateAndBlendWhenHighlightedOrCut) {
    ListFixture f;
    CImageList small, states;
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(qRgb(200, 0, 0));
    small.Create(16, 16);
    small.Add(red, RGB(0, 255, 0));
    QImage green(12, 16, QImage::Format_RGB32);
    green.fill(qRgb(0, 200, 0));
    states.Create(12, 16);
    states.Add(green, RGB(255, 0, 255));
    f.view.SetImageList(&small, LVSIL_SMALL);
    f.view.SetImageList(&states, LVSIL_STATE);
    f.view.SetShowSelectionAlways(true);
    f.model.images = {{1, 0}, {2, 0}, {3, 0}};
    f.model.states = {{1, 0x1000}, {3, LVIS_CUT}};
    f.model.reconcile({1, 2, 3, 4, 5});
    f.select(1);
    const QImage image = f.rows();
    testsupport::saveRendering(image, "images");

    const QRect first = f.cell(0, 0);
    EXPECT_EQ(image.pixel(first.left() + 2, first.top() + 2), qRgb(0, 200, 0)); // state image 1
    const int iconX = first.left() + 12 + 8, iconY = first.center().y();
    EXPECT_EQ(image.pixel(iconX, iconY), qRgb(200, 0, 0));
    // Highlighted: half the highlight; cut: half the background.
    EXPECT_EQ(image.pixel(iconX, f.cell(1, 0).center().y()), qRgb((200 + 0) / 2, (0 + 120) / 2, (0 + 215) / 2));
    EXPECT_EQ(image.pixel(iconX, f.cell(2, 0).center().y()), qRgb((200 + 255) / 2, 255 / 2, 255 / 2));
    // No image without an image index.
    EXPECT_EQ(image.pixel(iconX, f.cell(3, 0).center().y()), kDark);
}

TEST(ListViewEx, HeaderShowsTheArrowAtTheSortColumnOnly) {
    ListFixture f;
    struct Case {
        int column;
        bool reverse;
    };
    QImage ascending;
    for (const Case c : {Case{4, false}, Case{11, false}, Case{11, true}, Case{2, true}}) {
        f.view.m_nSortColumn = c.column;
        f.view.m_bSortReverse = c.reverse;
        f.view.UpdateSortHeader();
        const QImage image = f.header();
        testsupport::saveRendering(image, "arrow-" + std::to_string(c.column) + (c.reverse ? "-down" : "-up"));
        const auto* h = f.list().header();
        for (int s = 0; s < h->count(); ++s) {
            const QRect section(h->sectionViewportPosition(s), 0, h->sectionSize(s), image.height());
            const int grey = countColour(image, section, kGrayText);
            if (s != c.column) {
                EXPECT_EQ(grey, 0) << "section " << s << " sorted by " << c.column;
                continue;
            }
            EXPECT_GT(grey, 0) << c.column;
            // The arrow lies right of the caption.
            const QRect arrow = [&] {
                QRect r;
                for (int y = 0; y < image.height(); ++y)
                    for (int x = section.left(); x <= section.right(); ++x)
                        if (image.pixel(x, y) == kGrayText)
                            r |= QRect(x, y, 1, 1);
                return r;
            }();
            EXPECT_LE(arrow.width(), 9);
            EXPECT_LE(arrow.height(), 5);
            const auto caption = inkColumns(image, section, captionInk);
            EXPECT_LT(caption.second, arrow.left()) << c.column;
            EXPECT_GE(caption.first, section.left()) << c.column;
        }
    }
    // The two directions differ.
    f.view.m_nSortColumn = 4;
    f.view.m_bSortReverse = false;
    f.view.UpdateSortHeader();
    const QRect s4(f.list().header()->sectionViewportPosition(4), 0, 80, f.header().height());
    const QImage up = f.header().copy(s4);
    f.view.m_bSortReverse = true;
    f.view.UpdateSortHeader();
    EXPECT_NE(f.header().copy(s4), up);
}

TEST(ListViewEx, CaptionsKeepTheirAlignment) {
    ListFixture f;
    f.view.m_nSortColumn = 11;
    f.view.UpdateSortHeader();
    const QImage image = f.header();
    const auto* h = f.list().header();
    const auto inkOf = [&](int s) {
        const QRect section(h->sectionViewportPosition(s) + 2, 3, h->sectionSize(s) - 4, image.height() - 6);
        return std::pair{section, inkColumns(image, section, [](QRgb p) { return captionInk(p) || p == kGrayText; })};
    };
    const auto [leftSection, leftInk] = inkOf(3);      // left-aligned caption
    const auto [rightSection, rightInk] = inkOf(12);   // right-aligned caption
    const auto [sortedSection, sortedInk] = inkOf(11); // right-aligned with the arrow
    EXPECT_LT(leftInk.first - leftSection.left(), 10);
    EXPECT_GT(leftSection.right() - leftInk.second, 20);
    EXPECT_LT(rightSection.right() - rightInk.second, 10);
    EXPECT_GT(rightInk.first - rightSection.left(), 20);
    EXPECT_LT(sortedSection.right() - sortedInk.second, 10); // the arrow ends the block at the right
}

TEST(ListViewEx, PaintsAndSortsEveryColumnOfTheHeaderBeyondThirteen) {
    ListFixture f(15);
    f.model.texts[1][14] = QStringLiteral("far");
    f.model.reconcile({1, 2, 3, 4, 5});
    f.view.m_nSortColumn = 14;
    f.view.UpdateSortHeader();
    const auto* h = f.list().header();
    const QRect section(h->sectionViewportPosition(14), 0, h->sectionSize(14), f.header().height());
    EXPECT_GT(countColour(f.header(), section, kGrayText), 0);
    const auto ink = inkColumns(f.rows(), f.cell(0, 14), notColour(kWindow));
    EXPECT_GE(ink.first, f.cell(0, 14).left() + 6);
}

TEST(ListViewEx, TheFocusHighlightsTheSelectionAndMarksTheCurrentRow) {
    ListFixture f;
    f.list().setCurrentIndex(f.model.index(1, 0));
    f.select(1);
    const QRect row = f.rowRect(1);
    const QPoint inside(f.cell(1, 1).left() + 2, row.center().y());
    EXPECT_EQ(f.rows().pixel(inside), kWindow);

    f.view.activateWindow();
    f.list().setFocus();
    QTRY_VERIFY(f.list().hasFocus());
    QImage image = f.rows();
    testsupport::saveRendering(image, "focused");
    EXPECT_EQ(image.pixel(inside), kHighlight);
    // The focus rectangle: every other pixel of the row's edge inverted.
    const QRgb inverted = qRgb(255 - 0, 255 - 120, 255 - 215);
    EXPECT_EQ(image.pixel(row.left(), row.top()), inverted);
    EXPECT_EQ(image.pixel(row.left() + 1, row.top()), kHighlight);
    EXPECT_EQ(image.pixel(row.left() + 2, row.bottom()), inverted);
    EXPECT_EQ(f.rows().pixel(f.rowRect(0).left(), f.rowRect(0).top()), kWindow);

    f.list().clearFocus();
    image = f.rows();
    EXPECT_EQ(image.pixel(inside), kWindow);
    EXPECT_EQ(image.pixel(row.left(), row.top()), kWindow);
}

TEST(ListViewEx, DestroyingAShownFocusedListWithNewRowsCallsNothingOfTheGoneView) {
    // Closing the window lays out the rows still waiting for it and takes the focus from the list;
    // the list and its delegate must not reach the view any more. Such a call lands on an object
    // whose destructor has run but whose memory is still held (the widget base destroys the list),
    // so no build can tell it from a good one by what it does: only the sanitizer build's check
    // of the object's dynamic type in a member call reports it. Every build checks that the test
    // sets the scene up: a focused list with a row just added.
    auto f = std::make_unique<ListFixture>();
    f->view.activateWindow();
    f->list().setFocus();
    QTRY_VERIFY(f->list().hasFocus());
    f->select(1);
    f->model.reconcile({5, 4, 3, 2, 1, 6});
    ASSERT_EQ(f->model.rowCount(), 6);
    ASSERT_TRUE(f->list().hasFocus());
    f.reset();
}
