// The owner-drawn menu: loading templates, the shared image store, synchronisation with items
// others add, mnemonics, context menus, and measuring and painting in the flat and classic styles.
#include "ControlsPalette.h"
#include "controls/Artwork.h"
#include "controls/BCMenu.h"
#include "controls/MenuImages.h"
#include "controls/MenuStyle.h"
#include "framework/FrameWnd.h"
#include "framework/RecentFileList.h"
#include "framework/WinApp.h"
#include "support/Bounded.h"
#include "support/HangWatch.h"
#include "support/Renderings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMenuBar>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

using E = MenuEntry;

constexpr QRgb kBack = 0xFFF9F9F9u;      // (249,249,249): white blended toward black by 0.02
constexpr QRgb kBar = 0xFFF3F3F3u;       // (243,243,243): #f0f0f0 toward white by 0.25
constexpr QRgb kSelection = 0xFFD8EAF9u; // (216,234,249): the highlight toward white by 0.85
constexpr QRgb kHighlight = 0xFF0078D7u; // (0,120,215)

std::vector<MenuEntry> testMenu() {
    return {
        E::submenu("&File",
                   {E::command("&New\tCtrl+N", 57600), E::command("&Open...\tCtrl+O", 57601), E::separator(),
                    E::command("Update &all quotations\tCtrl+U", 32781), E::command("&Save\tCtrl+S", 57603),
                    E::separator(), E::command("Recent File", 57616), E::separator(), E::command("E&xit", 57665)}),
        E::submenu("&Item", {E::command("&Copy\tCtrl+C", 57634),
                             E::submenu("&More", {E::command("Nested &deep", 40001),
                                                  E::submenu("Dee&per", {E::command("&Leaf", 40002)})}),
                             E::command("&Paste\tCtrl+V", 57637)}),
        E::submenu("&Help", {E::command("&About Corvana...", 57664), E::command("C&opy again", 57634)}),
    };
}

// A frame that brings its owner-drawn popups in step when they open, as the main frame does.
class MenuFrame : public FrameWnd {
public:
    void OnInitMenuPopup(QMenu* popup) override {
        FrameWnd::OnInitMenuPopup(popup);
        if (BCMenu::IsBCMenuHandle(popup))
            BCMenu::SyncPopupMenu(popup);
    }
};

// The drawing switches as a test sets them, restored afterwards.
class Switches {
public:
    explicit Switches(bool flat) { BCMenu::original_drawmode = flat ? 1 : 0; }
    ~Switches() { BCMenu::original_drawmode = m_saved; }
    Switches(const Switches&) = delete;
    Switches& operator=(const Switches&) = delete;

private:
    int m_saved = BCMenu::original_drawmode;
};

QStringList texts(const BCMenu& menu) {
    QStringList out;
    for (const auto& record : menu.items())
        out << record->text;
    return out;
}

QString label(const QString& text) {
    return text.section(u'\t', 0, 0);
}

class OwnerDrawnMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = std::make_unique<MenuFrame>();
        menu = std::make_unique<BCMenu>(frame.get());
        bytes = buildMenuTemplate(testMenu());
        ASSERT_FALSE(bytes.empty());
        ASSERT_TRUE(menu->LoadMenu(bytes));
    }

    BCMenu& file() { return *menu->subMenuObject(0); }
    BCMenu& item() { return *menu->subMenuObject(1); }
    BCMenu& help() { return *menu->subMenuObject(2); }

    controlstest::FixedPalette palette;
    Switches flat{true};
    std::unique_ptr<MenuFrame> frame;
    std::unique_ptr<BCMenu> menu;
    std::vector<std::uint8_t> bytes;
};

// Paints one item of `menu`'s record `index` into an image of `size`.
QImage paintItem(const BCMenu& menu, const BCMenuData& record, QSize size, bool selected = false, bool greyed = false,
                 bool checked = false, bool radio = false) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 255));
    QPainter painter(&image);
    menu.DrawItem(painter, {QRect(QPoint(0, 0), size), selected, greyed, checked, radio, &record});
    painter.end();
    return image;
}

} // namespace

TEST_F(OwnerDrawnMenuTest, TemplatesReadBackAndATruncatedOneLoadsNothing) {
    const auto items = readMenuTemplate(bytes);
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 20u);
    EXPECT_EQ(items->front().text, "&File");
    EXPECT_EQ(items->front().options, MF_POPUP);
    EXPECT_EQ(items->back().text, "C&opy again");
    EXPECT_EQ(items->back().options, MF_END);

    for (std::size_t length = 0; length < bytes.size(); ++length) {
        const std::span<const std::uint8_t> prefix(bytes.data(), length);
        ASSERT_FALSE(readMenuTemplate(prefix)) << length;
        BCMenu truncated;
        ASSERT_FALSE(truncated.LoadMenu(prefix)) << length;
        ASSERT_TRUE(truncated.items().empty());
        ASSERT_EQ(truncated.GetMenu(), nullptr);
    }
    const std::uint8_t farOffset[] = {0, 0, 0xFF, 0x7F, 0x80, 0, 1, 0, 0, 0};
    EXPECT_FALSE(readMenuTemplate(farOffset));
    EXPECT_TRUE(buildMenuTemplate({E::submenu("&Empty", {})}).empty());

    registerMenuResource(9001, bytes);
    BCMenu byId(frame.get());
    EXPECT_TRUE(byId.LoadMenu(9001u));
    EXPECT_EQ(byId.items().size(), 3u);
    EXPECT_FALSE(byId.LoadMenu(9002u));
}

TEST_F(OwnerDrawnMenuTest, NestedPopupsLoadTheRightTree) {
    ASSERT_EQ(menu->items().size(), 3u);
    EXPECT_EQ(texts(*menu), (QStringList{"&File", "&Item", "&Help"}));
    for (const auto& record : menu->items())
        EXPECT_EQ(record->nFlags, MF_BYPOSITION | MF_POPUP) << "the top level is not owner-drawn";

    ASSERT_EQ(file().items().size(), 9u);
    const BCMenuData& separator = *file().items()[2];
    EXPECT_EQ(separator.nFlags, MF_SEPARATOR | MF_OWNERDRAW);
    EXPECT_EQ(separator.nID, 0u);
    const BCMenuData& update = *file().items()[3];
    EXPECT_EQ(update.nID, 32781u);
    EXPECT_EQ(update.action, frame->actionFor(32781)) << "items are the frame's command actions";
    EXPECT_TRUE(update.nFlags & MF_OWNERDRAW);

    BCMenu& more = *item().subMenuObject(1);
    EXPECT_EQ(label(item().items()[1]->text), "&More");
    EXPECT_EQ(texts(more), (QStringList{"Nested &deep", "Dee&per"}));
    ASSERT_NE(more.subMenuObject(1), nullptr);
    EXPECT_EQ(texts(*more.subMenuObject(1)), (QStringList{"&Leaf"}));
    EXPECT_TRUE(BCMenu::IsBCMenuHandle(more.GetMenu()));
    QMenu plain;
    EXPECT_FALSE(BCMenu::IsBCMenuHandle(&plain));

    // Accelerators line up: every label before a tab is padded to the widest label plus a space.
    const QFontMetrics metrics(QApplication::font("QMenu"));
    int target = 0;
    for (const auto& record : file().items())
        target = std::max(target, metrics.horizontalAdvance(label(record->text).trimmed() + ' '));
    for (const auto& record : file().items()) {
        if (!record->text.contains('\t'))
            continue;
        const int width = metrics.horizontalAdvance(label(record->text));
        EXPECT_GE(width, target) << record->text.toStdString();
        EXPECT_LT(width, target + metrics.horizontalAdvance(' ')) << record->text.toStdString();
    }

    QString text;
    EXPECT_TRUE(menu->GetItemText(40002, text, MF_BYCOMMAND));
    EXPECT_EQ(text, "&Leaf");
    EXPECT_FALSE(menu->GetItemText(7, text, MF_BYPOSITION));

    // The main window's menu bar: the top level's popups, drawn by the style of the bar.
    QMenu* top = menu->Detach();
    ASSERT_NE(top, nullptr);
    BCMenu::showAsMenuBar(*frame, top);
    QStringList titles;
    for (const QAction* action : frame->menuBar()->actions())
        titles << action->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Item", "&Help"}));
    EXPECT_EQ(frame->menuBar()->actions()[0]->menu(), file().GetMenu());
    EXPECT_FALSE(frame->menuBar()->isNativeMenuBar());
    EXPECT_EQ(top->parent(), frame.get()) << "the window owns the detached handle";

    QMenu* handle = more.GetMenu();
    menu->DestroyMenu();
    EXPECT_TRUE(frame->menuBar()->actions().isEmpty()) << "the popups went with their menu";
    EXPECT_FALSE(BCMenu::IsBCMenuHandle(handle));
    EXPECT_TRUE(menu->items().empty());
}

TEST_F(OwnerDrawnMenuTest, PaddingBeforeAnAcceleratorIsBoundedWhateverTheLabelHolds) {
    // Labels whose width a space may not change, or only oddly: control characters the font
    // draws as nothing, before the tab and alone.
    const QString odd[] = {QString("Ab") + QChar(0x9C), QString(QChar(0x9C)), QString("x") + QChar(0x200B),
                           QString(QChar(0x85)) + "y"};
    std::vector<MenuEntry> items = {E::command("A rather long label for the width\tCtrl+L", 40020)};
    for (unsigned i = 0; i < std::size(odd); ++i)
        items.push_back(E::command(odd[i] + "\tCtrl+" + QChar('1' + i), 40021 + i));
    BCMenu hostile(frame.get());
    {
        // Padding that never stops growing a label hangs here: reported by name, not left to run.
        const testsupport::HangLimit limit(testsupport::kWaitLimit, "padding the odd labels");
        ASSERT_TRUE(hostile.LoadMenu(buildMenuTemplate({E::submenu("&Odd", items)})));
    }

    const QFontMetrics metrics(QApplication::font("QMenu"));
    const int target = metrics.horizontalAdvance(QStringLiteral("A rather long label for the width "));
    const BCMenu& popup = *hostile.subMenuObject(0);
    ASSERT_EQ(popup.items().size(), items.size());
    for (std::size_t i = 1; i < items.size(); ++i) {
        const QString text = popup.items()[i]->text;
        SCOPED_TRACE(text.toStdString());
        EXPECT_TRUE(text.startsWith(odd[i - 1]));
        EXPECT_TRUE(text.endsWith(QString("\tCtrl+") + QChar('1' + int(i) - 1)));
        // No more spaces than the widest label is wide in spaces, plus one.
        EXPECT_LE(label(text).size() - odd[i - 1].size(), target / metrics.horizontalAdvance(' ') + 1);
    }
}

TEST_F(OwnerDrawnMenuTest, ToolbarImagesGoToSharedSlots) {
    const unsigned menuToolbar = 132, extraToolbar = 129;
    ASSERT_TRUE(menu->LoadToolbarImages(std::span(&menuToolbar, 1)));
    const int copy = item().items()[0]->global_offset;
    ASSERT_GE(copy, 0);
    EXPECT_EQ(help().items()[1]->global_offset, copy) << "a command in two popups shares one slot";
    EXPECT_EQ(BCMenu::FindGlobalImage(57634), copy);
    EXPECT_EQ(frame->commands().info(57634).imageSlot, copy);
    EXPECT_TRUE(BCMenu::HasImageVariants(copy));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(BCMenu::globalImageIds()[static_cast<std::size_t>(copy + i)], 57634u);
    EXPECT_EQ(BCMenu::globalImages().imageSize(), QSize(16, 15));

    EXPECT_EQ(file().items()[2]->global_offset, -1) << "separator";
    EXPECT_EQ(item().subMenuObject(1)->items()[0]->global_offset, -1) << "a command on no toolbar";
    EXPECT_EQ(BCMenu::FindGlobalImage(32935), -1) << "a toolbar command the menu does not have";

    // About is on both toolbars: 129, loaded last, leaves its image in the same slots.
    const int about = help().items()[0]->global_offset;
    ASSERT_GE(about, 0);
    CImageList list132, list129;
    list132.Create(16, 15);
    list129.Create(16, 15);
    ASSERT_TRUE(BCMenu::LoadBitmapIntoImageList(list132, 132));
    ASSERT_TRUE(BCMenu::LoadBitmapIntoImageList(list129, 129));
    const auto imageIndex = [](unsigned toolbar, unsigned id) {
        int image = 0;
        for (const unsigned button : toolbarButtons(toolbar)) {
            if (button == id)
                return image;
            image += button != 0;
        }
        return -1;
    };
    EXPECT_EQ(BCMenu::globalImages().image(about), list132.image(imageIndex(132, 57664)));
    ASSERT_TRUE(menu->LoadToolbarImages(std::span(&extraToolbar, 1)));
    EXPECT_EQ(help().items()[0]->global_offset, about);
    EXPECT_EQ(BCMenu::globalImages().image(about), list129.image(imageIndex(129, 57664)));
    EXPECT_NE(list129.image(imageIndex(129, 57664)), list132.image(imageIndex(132, 57664)));
    // Exit comes from 129 only. The slots live as long as the program, so an earlier test may have
    // made its slot already: what counts is that it holds 129's image.
    const int exit = file().items()[8]->global_offset;
    ASSERT_GE(exit, 0);
    EXPECT_EQ(BCMenu::globalImageIds()[static_cast<std::size_t>(exit)], 57665u);
    EXPECT_EQ(BCMenu::globalImages().image(exit), list129.image(imageIndex(129, 57665)));

    const unsigned unknown = 4242;
    EXPECT_FALSE(menu->LoadToolbarImages(std::span(&unknown, 1)));
}

TEST(MenuBitmaps, ASixteenColourStripFollowsThePaletteAHighColourOneOnlyLosesItsGrey) {
    controlstest::FixedPalette fixed;
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Dark, QColor(100, 0, 0));
    palette.setColor(QPalette::Light, QColor(250, 250, 250));
    QApplication::setPalette(palette);
    Switches flat(true);

    const QRgb sources[] = {qRgb(0, 0, 0), qRgb(128, 128, 128), qRgb(192, 192, 192), qRgb(255, 255, 255),
                            qRgb(255, 0, 0)};
    QImage indexed(32, 16, QImage::Format_Indexed8);
    QList<QRgb> table(16, qRgb(0, 0, 128));
    for (int i = 0; i < 5; ++i)
        table[i] = sources[i];
    indexed.setColorTable(table);
    indexed.fill(2);
    for (int i = 0; i < 5; ++i)
        indexed.setPixel(i, 0, static_cast<uint>(i));
    const QImage high = indexed.convertToFormat(QImage::Format_RGB32);

    struct Case {
        const QImage* bitmap;
        QRgb expected[5]; // 0: transparent
        bool hicolor;
    };
    const Case cases[] = {
        {&indexed,
         {rgbOf(GetSysColor(COLOR_BTNTEXT)), qRgb(100, 0, 0), 0, qRgb(250, 250, 250), qRgb(255, 0, 0)},
         false},
        {&high, {qRgb(0, 0, 0), qRgb(128, 128, 128), 0, qRgb(255, 255, 255), qRgb(255, 0, 0)}, true},
    };
    for (const Case& c : cases) {
        BCMenu::hicolor_bitmaps = false;
        CImageList list;
        list.Create(16, 15);
        ASSERT_TRUE(BCMenu::LoadBitmapIntoImageList(list, *c.bitmap));
        EXPECT_EQ(BCMenu::hicolor_bitmaps, c.hicolor);
        ASSERT_EQ(list.GetImageCount(), 2 + 3) << "two cells, then the first one's three variants";
        const QImage first = list.image(0);
        EXPECT_EQ(first.size(), QSize(16, 15));
        for (int i = 0; i < 5; ++i) {
            if (c.expected[i] == 0)
                EXPECT_EQ(qAlpha(first.pixel(i, 0)), 0) << i;
            else
                EXPECT_EQ(first.pixel(i, 0), c.expected[i]) << i << " hicolor " << c.hicolor;
        }
        EXPECT_EQ(qAlpha(first.pixel(8, 8)), 0) << "the grey background is the mask";
    }
    BCMenu::hicolor_bitmaps = false;
    CImageList none;
    none.Create(16, 15);
    EXPECT_FALSE(BCMenu::LoadBitmapIntoImageList(none, 4242));
}

TEST_F(OwnerDrawnMenuTest, TheFileMenuReopenedAfterTheRecentFilesChangedHasItsRecordsInPositionOrder) {
    WinApp app;
    app.LoadStdProfileSettings(8);
    QMenu* popup = file().GetMenu();
    frame->bindRecentFileMenu(popup, frame->actionFor(57616));
    const auto check = [&](int recentFiles) {
        emit popup->aboutToShow(); // as the menu opens
        const QList<QAction*> actions = popup->actions();
        ASSERT_EQ(file().items().size(), static_cast<std::size_t>(actions.size()));
        for (int i = 0; i < actions.size(); ++i)
            ASSERT_EQ(file().items()[static_cast<std::size_t>(i)]->action, actions[i]) << i;
        ASSERT_EQ(actions.size(), 9 + recentFiles);
        EXPECT_TRUE(file().items()[6]->text.startsWith("&1 ")) << file().items()[6]->text.toStdString();
        EXPECT_EQ(file().items()[6]->nID, 57616u);
        EXPECT_TRUE(file().items()[6]->nFlags & MF_OWNERDRAW);
        const BCMenuData& placeholder = *file().items()[static_cast<std::size_t>(6 + recentFiles)];
        EXPECT_EQ(placeholder.text, "Recent File");
        EXPECT_TRUE(label(file().items()[3]->text).startsWith("Update &all quotations"));
        EXPECT_TRUE(file().items()[3]->text.endsWith("\tCtrl+U")) << "an item's own text stays";
    };
    const std::string first = "/tmp/first.cvr", second = "/tmp/second.cvr", third = "/tmp/third.cvr";
    app.AddToRecentFileList(first);
    app.AddToRecentFileList(second);
    check(2);
    app.AddToRecentFileList(third);
    check(3);
    EXPECT_EQ(BCMenu::FindMenuChar('x', MF_POPUP, popup), MAKELRESULT(11, MNC_EXECUTE)) << "Exit after the files";
}

TEST_F(OwnerDrawnMenuTest, ALetterRunsTheFirstItemWithItsMnemonicAndAnUnmatchedOneNothing) {
    struct Case {
        int popup;
        char letter;
        int position; // -1: none
    };
    for (const Case c : {Case{0, 'a', 3}, Case{0, 'A', 3}, Case{0, 'o', 1}, Case{0, 'x', 8}, Case{0, 'z', -1},
                         Case{2, 'o', 1}, Case{1, 'm', 1}, Case{2, 'c', -1}}) {
        QMenu* popup = menu->GetSubMenu(c.popup);
        EXPECT_EQ(BCMenu::FindMenuChar(QChar(c.letter), MF_POPUP, popup),
                  c.position < 0 ? 0 : MAKELRESULT(c.position, MNC_EXECUTE))
            << c.popup << " " << c.letter;
    }
    EXPECT_EQ(BCMenu::FindMenuChar('a', 0, menu->GetSubMenu(0)), 0);
    QMenu plain;
    EXPECT_EQ(BCMenu::FindMenuChar('a', MF_POPUP, &plain), 0);

    int updates = 0, exits = 0;
    frame->addCommand(32781, [&] { ++updates; });
    frame->addCommand(57665, [&] { ++exits; });
    frame->show();
    QMenu* popup = menu->GetSubMenu(0);
    frame->bindMenu(popup);
    popup->popup(frame->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
    QTest::keyClick(popup, Qt::Key_Z);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(updates + exits, 0);
    QTest::keyClick(popup, Qt::Key_A);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(exits, 0);
    EXPECT_FALSE(popup->isVisible());
}

TEST_F(OwnerDrawnMenuTest, AContextMenuRoutesTheChosenCommandThroughItsOwner) {
    BCMenu context(frame.get());
    ASSERT_TRUE(context.LoadMenu(buildMenuTemplate(
        {E::submenu("Item", {E::command("Cu&t\tCtrl+X", 57635), E::separator(), E::command("&Delete item", 32780)})})));
    int deletes = 0;
    frame->addCommand(32780, [&] { ++deletes; });
    frame->show();
    BCMenu* popup = context.subMenuObject(0);
    ASSERT_NE(popup, nullptr);
    QTimer::singleShot(50, [] {
        if (QWidget* open = QApplication::activePopupWidget())
            QTest::keyClick(open, Qt::Key_D);
    });
    EXPECT_EQ(popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, frame->mapToGlobal(QPoint(20, 20)), frame.get()),
              32780u);
    EXPECT_EQ(deletes, 1);
}

TEST(MenuVersion, TheVersionCodeTable) {
    struct Case {
        bool family9x;
        int major, minor, code;
    };
    for (const Case c : {Case{true, 3, 95, 0}, Case{true, 4, 0, 2}, Case{true, 4, 10, 3}, Case{true, 4, 90, 4},
                         Case{true, 5, 0, 2}, Case{false, 3, 51, 1}, Case{false, 4, 0, 5}, Case{false, 5, 0, 6},
                         Case{false, 5, 1, 7}, Case{false, 5, 2, 1}, Case{false, 6, 0, 1}, Case{false, 10, 0, 1}}) {
        EXPECT_EQ(BCMenu::windowsVersionCode(c.family9x, c.major, c.minor), c.code)
            << c.family9x << " " << c.major << "." << c.minor;
    }
    EXPECT_EQ(BCMenu::DetectWindowsVersion(), 1);
    EXPECT_FALSE(BCMenu::IsNewShell());
    EXPECT_FALSE(BCMenu::IsWinXPLuna());
    EXPECT_FALSE(BCMenu::IsWindowsClassicTheme());
    EXPECT_TRUE(BCMenu::isClassicThemeName("C:\\WINDOWS\\Resources\\Themes\\windows classic.THEME"));
    EXPECT_FALSE(BCMenu::isClassicThemeName("C:\\WINDOWS\\Resources\\Themes\\Luna.theme"));
    EXPECT_FALSE(BCMenu::isClassicThemeName("Classic.theme"));
}

TEST_F(OwnerDrawnMenuTest, EachItemGetsItsOwnSizeInTheMenu) {
    const unsigned toolbars[] = {132, 129};
    menu->LoadToolbarImages(toolbars);
    const int menuHeight = GetSystemMetrics(SM_CYMENU);
    const QFontMetrics metrics(QApplication::font("QMenu"));
    struct Case {
        bool flat;
        int separatorHeight, itemHeight, extraWidth; // item width = text width + extra
    };
    for (const Case c : {Case{true, 3, std::max(menuHeight, 22), 16 + 15},
                         Case{false, std::max(menuHeight / 2, 19 / 2), std::max(menuHeight, 19), 2 * 16 + 1}}) {
        Switches style(c.flat);
        BCMenu local(frame.get());
        ASSERT_TRUE(local.LoadMenu(bytes));
        BCMenu& file = *local.subMenuObject(0);
        QMenu* popup = file.GetMenu();
        // A command with keys of its own: the menu would widen every item by their text.
        frame->commands().setShortcuts(57600, {QKeySequence("Ctrl+Shift+Alt+N")});
        frame->bindMenu(popup);
        frame->show();
        popup->popup(frame->mapToGlobal(QPoint(0, 0)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
        int widest = 0;
        for (const auto& record : file.items()) {
            const QRect geometry = popup->actionGeometry(record->action);
            if (record->nFlags & MF_SEPARATOR) {
                EXPECT_EQ(geometry.height(), c.separatorHeight) << c.flat;
                continue;
            }
            EXPECT_EQ(geometry.height(), c.itemHeight) << record->text.toStdString();
            QString text = record->text;
            const QSize measured = file.MeasureItem(*record);
            EXPECT_EQ(measured.width(), metrics.horizontalAdvance(text.replace('\t', ' ')) + c.extraWidth);
            widest = std::max(widest, measured.width());
        }
        // Every item takes the widest item's width.
        EXPECT_EQ(popup->actionGeometry(file.items()[0]->action).width(), widest);
        testsupport::saveRendering(*popup, c.flat ? "flat" : "classic");
        popup->hide();
    }
}

namespace {

// A record as the loader makes it.
BCMenuData record(const QString& text, int slot = -1, unsigned flags = MF_OWNERDRAW) {
    BCMenuData data;
    data.text = text;
    data.global_offset = slot;
    data.nFlags = flags;
    return data;
}

// The first opaque pixel of an image, row by row.
QPoint firstOpaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255)
                return {x, y};
    return {-1, -1};
}

// The image as rows of '#' (pixels of `ink`) and '.'.
std::vector<std::string> asciiOf(const QImage& image, QRgb ink) {
    std::vector<std::string> rows;
    for (int y = 0; y < image.height(); ++y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x)
            row += image.pixel(x, y) == ink ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST_F(OwnerDrawnMenuTest, TheFlatStylesColoursAndPlaces) {
    const QSize size(200, 22);
    const BCMenuData text = record("MMMM");
    struct Probe {
        int x, y;
        QRgb colour;
    };
    struct Case {
        const char* name;
        bool selected, greyed;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {"plain",
         false,
         false,
         {{0, 0, kBar}, {199, 0, kBack}, {5, 10, kBar}, {22, 10, kBar}, {23, 10, kBack}, {150, 10, kBack}}},
        {"selected",
         true,
         false,
         {{0, 0, kHighlight}, {199, 21, kHighlight}, {5, 10, kSelection}, {150, 10, kSelection}}},
        {"greyed", true, true, {{0, 0, kBar}, {199, 21, kBack}, {5, 10, kBar}, {150, 10, kBack}}},
    };
    for (const Case& c : cases) {
        const QImage image = paintItem(*menu, text, size, c.selected, c.greyed);
        testsupport::saveRendering(image, c.name);
        for (const Probe& p : c.probes)
            EXPECT_EQ(image.pixel(p.x, p.y), p.colour) << c.name << " at " << p.x << "," << p.y;
        // The text starts at left + 31 (its first inked column a pixel or two inside).
        int firstInk = size.width();
        for (int y = 1; y < 21; ++y)
            for (int x = 23; x < 80; ++x)
                if (image.pixel(x, y) != image.pixel(150, 10)) {
                    firstInk = std::min(firstInk, x);
                    break;
                }
        EXPECT_GE(firstInk, 31) << c.name;
        EXPECT_LE(firstInk, 33) << c.name;
    }

    // Separator: 3 high, the etched line from the bar's end + 7 to the right edge.
    const QImage separator = paintItem(*menu, record({}, -1, MF_SEPARATOR | MF_OWNERDRAW), QSize(200, 3));
    EXPECT_EQ(separator.pixel(10, 1), kBar);
    EXPECT_EQ(separator.pixel(29, 1), kBack);
    EXPECT_EQ(separator.pixel(30, 1), qRgb(160, 160, 160));
    EXPECT_EQ(separator.pixel(199, 1), qRgb(160, 160, 160));
    EXPECT_EQ(separator.pixel(30, 2), qRgb(255, 255, 255));
    EXPECT_EQ(separator.pixel(30, 0), kBack);

    // Several tabs: the part before the first and after the last.
    EXPECT_EQ(paintItem(*menu, record("&Label\tmiddle\tCtrl+Q"), size),
              paintItem(*menu, record("&Label\tCtrl+Q"), size));
    EXPECT_NE(paintItem(*menu, record("&Label\tCtrl+Q"), size), paintItem(*menu, record("&Label"), size));
}

TEST_F(OwnerDrawnMenuTest, TheFlatStylesImagesAndChecks) {
    const unsigned toolbars[] = {132};
    menu->LoadToolbarImages(toolbars);
    const int slot = BCMenu::FindGlobalImage(57634);
    ASSERT_GE(slot, 0);
    const QImage normal = BCMenu::globalImages().image(slot);
    const QImage faded = BCMenu::globalImages().image(slot + 1);
    const QImage shadow = BCMenu::globalImages().image(slot + 2);
    const QPoint ink = firstOpaque(normal);
    ASSERT_GE(ink.x(), 0);
    const BCMenuData copy = record("&Copy", slot);
    const QSize size(200, 22);

    struct Case {
        const char* name;
        bool selected, checked;
        QPoint at;           // where the image's top-left lies
        const QImage* shown; // which image
        QRgb boxFill;        // pixel (2, 2) inside the image box
    };
    const Case cases[] = {
        {"image", false, false, {4, 4}, &faded, kBar},
        {"image-selected", true, false, {3, 3}, &normal, kSelection},
        {"image-checked", false, true, {3, 3}, &normal, kSelection},
    };
    for (const Case& c : cases) {
        const QImage image = paintItem(*menu, copy, size, c.selected, false, c.checked);
        testsupport::saveRendering(image, c.name);
        const QPoint first = firstOpaque(*c.shown);
        EXPECT_EQ(image.pixel(c.at + first), c.shown->pixel(first)) << c.name;
        EXPECT_EQ(image.pixel(2, 2), c.boxFill) << c.name;
        if (c.checked) {
            EXPECT_EQ(image.pixel(1, 1), kHighlight) << "the box is framed";
        }
    }
    // Selected: a shadow one down and right of the raised image.
    const QImage raised = paintItem(*menu, copy, size, true);
    // A pixel where only the shadow lies (the image, two up and left of it, leaves it free).
    QPoint below(-1, -1);
    for (int y = 0; y < 15 && below.x() < 0; ++y)
        for (int x = 0; x < 16 && below.x() < 0; ++x) {
            const QPoint image(x + 2, y + 2);
            const bool free = image.x() >= 16 || image.y() >= 15 || qAlpha(normal.pixel(image)) == 0;
            if (qAlpha(shadow.pixel(x, y)) == 255 && free)
                below = QPoint(x, y);
        }
    ASSERT_GE(below.x(), 0);
    EXPECT_EQ(raised.pixel(below + QPoint(5, 5)), shadow.pixel(below));

    // A checked item without an image: the check in its tinted box, 21 pixels in the menu text.
    const QRgb menuText = rgbOf(GetSysColor(COLOR_MENUTEXT));
    for (const bool radio : {false, true}) {
        const QImage image = paintItem(*menu, record("&Grid"), size, false, false, true, radio);
        testsupport::saveRendering(image, radio ? "radio" : "check");
        EXPECT_EQ(image.pixel(2, 2), kSelection);
        EXPECT_EQ(image.pixel(1, 1), kHighlight);
        const QImage box = image.copy(8, 8, radio ? 6 : 7, radio ? 6 : 7);
        int inked = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 22; ++x)
                inked += image.pixel(x, y) == menuText;
        EXPECT_EQ(inked, radio ? 32 : 21) << radio;
        EXPECT_EQ(box.pixel(radio ? 2 : 6, 0), menuText) << radio;
    }
}

TEST(MenuMarks, CheckMarkAndRadioDotAsGoldenImages) {
    QImage check(9, 9, QImage::Format_RGB32);
    check.fill(Qt::white);
    QPainter painter(&check);
    BCMenu::DrawCheckMark(painter, 1, 1, RGB(0, 0, 0));
    painter.end();
    EXPECT_EQ(asciiOf(check, qRgb(0, 0, 0)), (std::vector<std::string>{
                                                 ".........", // y
                                                 ".......#.", //
                                                 "......##.", //
                                                 ".#...###.", //
                                                 ".##.###..", //
                                                 ".#####...", //
                                                 "..###....", //
                                                 "...#.....", //
                                                 ".........", //
                                             }));
    QImage dot(8, 8, QImage::Format_RGB32);
    dot.fill(Qt::white);
    painter.begin(&dot);
    BCMenu::DrawRadioDot(painter, 1, 1, RGB(0, 0, 0));
    painter.end();
    testsupport::saveRendering(dot.scaled(64, 64), "dot");
    EXPECT_EQ(asciiOf(dot, qRgb(0, 0, 0)), (std::vector<std::string>{
                                               "........", //
                                               "..####..", //
                                               ".######.", //
                                               ".######.", //
                                               ".######.", //
                                               ".######.", //
                                               "..####..", //
                                               "........", //
                                           }));
}

TEST_F(OwnerDrawnMenuTest, TheClassicStylesColoursAndChecks) {
    Switches classic(false);
    const QSize size(200, 22);
    const QRgb menuColour = qRgb(230, 230, 230); // the palette's Window
    struct Probe {
        int x, y;
        QRgb colour;
    };
    struct Case {
        const char* name;
        bool selected, greyed, checked;
        std::vector<Probe> probes;
    };
    const QRgb tinted = qRgb(245, 245, 245); // the menu colour toward white by 0.6
    const Case cases[] = {
        // The fill right of the label, above the accelerator's ink in any font.
        {"classic-plain", false, false, false, {{0, 0, menuColour}, {150, 1, menuColour}}},
        {"classic-selected", true, false, false, {{0, 0, kHighlight}, {150, 1, kHighlight}}},
        {"classic-greyed-selected", true, true, false, {{0, 0, kHighlight}, {150, 1, kHighlight}}},
        // Checked: the box (1, 3)-(17, 18), the mark at (5, 7), the highlight from x 21 on.
        {"classic-checked", false, false, true, {{2, 4, tinted}, {5, 9, qRgb(0, 0, 0)}, {0, 10, menuColour}}},
        {"classic-checked-selected", true, false, true, {{2, 4, menuColour}, {21, 10, kHighlight}}},
    };
    for (const Case& c : cases) {
        const QImage image = paintItem(*menu, record("&Grid\tCtrl+G"), size, c.selected, c.greyed, c.checked);
        testsupport::saveRendering(image, c.name);
        for (const Probe& p : c.probes)
            EXPECT_EQ(image.pixel(p.x, p.y), p.colour) << c.name << " at " << p.x << "," << p.y;
    }
    const QImage separator = paintItem(*menu, record({}, -1, MF_SEPARATOR | MF_OWNERDRAW), QSize(200, 9));
    EXPECT_EQ(separator.pixel(0, 4), qRgb(160, 160, 160)) << "the etched line spans the item";
    EXPECT_EQ(separator.pixel(199, 5), qRgb(255, 255, 255));
}

TEST_F(OwnerDrawnMenuTest, ADisabledItemIsNeverHighlightedInTheFlatStyleButIsInTheClassic) {
    const unsigned toolbars[] = {132, 129};
    for (const CommandId id : {57600u, 57601u, 32781u, 57665u})
        frame->addCommand(id, [] {});
    frame->addUpdateHandler(57601, [](CmdUI& ui) { ui.SetCheck(1); });
    frame->show();
    for (const bool flat : {true, false}) {
        Switches style(flat);
        BCMenu local(frame.get());
        ASSERT_TRUE(local.LoadMenu(bytes));
        local.LoadToolbarImages(toolbars);
        QMenu* popup = local.GetSubMenu(0);
        frame->bindMenu(popup);
        popup->popup(frame->mapToGlobal(QPoint(0, 0)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
        QAction* save = local.subMenuObject(0)->items()[4]->action; // no handler: disabled
        ASSERT_FALSE(save->isEnabled());
        const QRect where = popup->actionGeometry(save);
        // The menu takes a move as a hover once the mouse moved far enough or often enough.
        for (int dx = 0; dx < 8; ++dx)
            QTest::mouseMove(popup, where.center() + QPoint(dx, 0));
        QApplication::processEvents();
        EXPECT_EQ(popup->activeAction() == save, !flat) << flat;
        const QImage image = popup->grab().toImage();
        testsupport::saveRendering(image, flat ? "flat-hover-disabled" : "classic-hover-disabled");
        EXPECT_EQ(image.pixel(where.right() - 2, where.center().y()) == kHighlight, !flat) << flat;

        // An enabled item is highlighted in both.
        QAction* update = local.subMenuObject(0)->items()[3]->action;
        popup->setActiveAction(update);
        const QImage active = popup->grab().toImage();
        testsupport::saveRendering(active, flat ? "flat-active" : "classic-active");
        const QRect row = popup->actionGeometry(update);
        EXPECT_EQ(active.pixel(row.right() - 2, row.center().y()), flat ? kSelection : kHighlight) << flat;
        popup->hide();
    }
}
