#pragma once
// The owner-drawn menu. A BCMenu loads a menu resource (MenuTemplate.h) into a menu handle, a
// QMenu, whose items are the frame's command actions (one QAction per command, QAction::data()
// holding the id); every item of its popups carries a BCMenuData record (text, image slot, flags)
// kept here, keyed by the item's action. The records are drawn by BCMenuStyle (MenuStyle.h), a
// style proxy on the popups: it measures each item with MeasureItem and paints it with DrawItem,
// in the flat style (an image bar at the left, a light selection with a frame) or the classic one.
//
// All menus of the process share one image store: 16 x 15 images whose slots carry the command id
// they belong to, so a command shows one image wherever it stands; in the flat style each command
// owns four slots (normal, faded, shadow, greyed). The images are the button images of the
// toolbars (LoadToolbarImages). The store, the popup handle list and the switches live until exit.
//
// How a frame uses it:
//  - main menu: LoadMenu(127), LoadToolbarImages({132, 129}), then Detach() and
//    showAsMenuBar(frame, handle): the top level becomes the window's QMenuBar (not owner-drawn);
//    the popups stay owned by this object, which must outlive the window's use of them;
//  - the frame's OnInitMenuPopup calls SyncPopupMenu for a popup IsBCMenuHandle knows, so items
//    others added or removed (the recent files) get records in position order;
//  - context menus: GetSubMenu(0) of a loaded menu, shown with TrackPopupMenu; the chosen command
//    runs through the owner frame's command routing.
// Keyboard mnemonics of the popups follow FindMenuChar: the first item whose text holds "&" and
// the letter runs; a letter no item has does nothing. GUI thread only.

#include "controls/ImageList.h"
#include "controls/MenuTemplate.h"
#include "controls/WinGdi.h"
#include "framework/CommandTarget.h"

#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

class FrameWnd;
class QMainWindow;
class QPainter;
class BCMenu;

// The record of one menu item.
struct BCMenuData {
    QString text;              // null: none
    int global_offset = -1;    // first slot of the command's image in the shared store; -1 none
    unsigned nFlags = 0;       // MF_ flags the item was last appended or modified with
    CommandId nID = 0;         // 0 for a separator and a popup entry
    QMenu* popup = nullptr;    // a popup entry's menu handle
    bool syncflag = false;     // used while synchronising
    QAction* action = nullptr; // the item
    QString actionText;        // the action's text when the record last took it
};

// A menu handle: the QMenu of a BCMenu. It hands each item's record to the style and runs the
// mnemonic search on typed letters.
class BCMenuHandle : public QMenu {
    Q_OBJECT
public:
    explicit BCMenuHandle(BCMenu* owner);
    // The object the handle belongs to (the class library's permanent handle map); null once
    // detached from it.
    BCMenu* menuObject() const { return m_owner; }
    void detachObject() { m_owner = nullptr; }

    // The width QMenu adds to every item for the shortcuts of its actions (the text after a tab,
    // or the action's keys). An owner-drawn item's text holds its accelerator already, so the style
    // takes this width off each item again.
    int shortcutColumnWidth() const;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void actionEvent(QActionEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Whether QMenu counts this popup as a context menu: it is not opened from a menu bar.
    bool isContextMenu() const;

    BCMenu* m_owner;
    mutable int m_shortcutWidth = -1; // -1: to be measured
};

// What DrawItem paints: one item in its rectangle and state.
struct BCMenuDrawItem {
    QRect rect;
    bool selected = false;
    bool greyed = false;
    bool checked = false;
    bool radio = false; // the check shows as a dot
    const BCMenuData* data = nullptr;
};

class BCMenu {
public:
    // Items are the actions of `owner`'s command registry; without an owner each item gets an
    // action of its own (owned by the handle).
    explicit BCMenu(FrameWnd* owner = nullptr);
    virtual ~BCMenu();
    BCMenu(const BCMenu&) = delete;
    BCMenu& operator=(const BCMenu&) = delete;

    // --- loading ---
    // Loads the registered menu resource `id`; false when there is none or it does not read.
    virtual bool LoadMenu(unsigned resourceId);
    // Loads a menu template; false (the menu empty) when it is truncated or malformed.
    virtual bool LoadMenu(std::span<const std::uint8_t> menuTemplate);
    // Empties the menu: its popups' objects and handles, its records and its handle.
    virtual void DestroyMenu();
    // Attaches the images of each toolbar to the commands of this menu; true when every toolbar
    // loaded.
    bool LoadToolbarImages(std::span<const unsigned> toolbarIds);

    // --- items ---
    // Appends a command (id != 0) or a separator (id 0), owner-drawn; with a toolbar id the
    // command's image comes from that toolbar, otherwise an image the command has already.
    bool AppendMenuItem(const QString& text, unsigned flags, CommandId id, int toolbarId = -1);
    // Appends a popup; this menu owns it from here on.
    bool AppendMenuItem(const QString& text, unsigned flags, std::unique_ptr<BCMenu> popup);
    // Gives command `id` the image `index` of `list` (and the text, when not null) wherever it
    // stands in this menu's tree; false when it stands nowhere.
    bool SetItemImage(const QString& text, CommandId id, const CImageList* list, int index);
    // The text of the record at a position (MF_BYPOSITION) or of a command; false when none.
    bool GetItemText(unsigned positionOrId, QString& out, unsigned flags) const;
    // Rebuilds the records from the handle's items in position order (items added or removed by
    // others); records of items that are gone are deleted.
    void SynchronizeItems();

    // --- handles ---
    QMenu* GetMenu() const { return m_handle.get(); }
    // The handle of the popup at `position`; null when that item is no popup.
    QMenu* GetSubMenu(int position) const;
    // The object of the popup at `position`; null when none.
    BCMenu* subMenuObject(int position) const;
    // Hands the handle to the caller (who owns it then); the object keeps its records and popups.
    QMenu* Detach();
    // Shows the top level of `handle` as the window's menu bar (the handle becomes the window's).
    static void showAsMenuBar(QMainWindow& window, QMenu* handle);
    // Shows this (popup) menu at `screenPoint` and waits; the chosen command runs through `owner`'s
    // command routing. Returns the command chosen, 0 for none.
    CommandId TrackPopupMenu(unsigned flags, QPoint screenPoint, FrameWnd* owner);

    // The records in position order.
    const std::vector<std::unique_ptr<BCMenuData>>& items() const { return m_MenuItems; }
    // The record of an item; null when the action is none of this menu's.
    BCMenuData* recordOf(const QAction* action) const;
    bool isLoaded() const { return m_loaded; }

    // --- measuring and drawing (the style's) ---
    virtual QSize MeasureItem(const BCMenuData& data) const;
    virtual void DrawItem(QPainter& painter, const BCMenuDrawItem& item) const;

    // --- process-wide ---
    static bool IsBCMenuHandle(const QMenu* menu);
    // SynchronizeItems of the menu's object when it is a BCMenu handle; false otherwise.
    static bool SyncPopupMenu(QMenu* menu);
    // The mnemonic search: MAKELRESULT(position, MNC_EXECUTE) of the first item whose text holds
    // "&" + `character` (case-insensitive); 0 when none, the menu is no BCMenu handle or `flags`
    // lacks MF_POPUP.
    static std::int64_t FindMenuChar(QChar character, unsigned flags, QMenu* menu);

    // Version code of the desktop: 0-4 the 9x family, 5-7 NT 4, 5.0, 5.1; 1 every later NT.
    static int windowsVersionCode(bool family9x, int major, int minor);
    // This desktop's code: an NT after 5.1, so 1.
    static int DetectWindowsVersion();
    static bool IsNewShell();
    static bool IsWinXPLuna();
    // Whether a theme file name is the classic theme's (its tail "Windows Classic.theme").
    static bool isClassicThemeName(const QString& themeFile);
    static bool IsWindowsClassicTheme();
    // The flat style is active: its switch is 1 (the themed one on a themed desktop).
    static bool IsFlatStyleActive();
    // Whether a disabled item can be the active one (classic style only).
    static bool selectDisabledItems();

    // Draw-mode switches: 1 selects the flat style; the main frame sets both to 1.
    static inline int xp_drawmode = 1;       // themed desktops
    static inline int original_drawmode = 0; // other desktops
    // Greyed items selectable: off in the flat style, on in the classic one.
    static inline bool xp_select_disabled = false;
    static inline bool original_select_disabled = true;
    // The flat style's image variants: four slots per command.
    static inline bool image_variants = true;
    // Set once a toolbar bitmap that is not a 16-colour one was loaded.
    static inline bool hicolor_bitmaps = false;
    // This desktop's version code.
    static inline int windows_version = DetectWindowsVersion();

    // --- the image store ---
    static const CImageList& globalImages();
    static const std::vector<CommandId>& globalImageIds();
    // The first slot of command `id`; -1 when it has none.
    static int FindGlobalImage(CommandId id);
    // Slots slot+1 and slot+2 exist and belong to slot's command.
    static bool HasImageVariants(int slot);
    // Stores image `index` of `list` for command `id` (with its variants in the flat style),
    // replacing the command's slots when it has some; the first slot, -1 when there is no image.
    static int StoreGlobalImage(const CImageList& list, int index, CommandId id);
    // Loads a toolbar bitmap (16 x 15 images): a 16-colour bitmap takes the system colours, any
    // other has its RGB(192,192,192) pixels become the button face; false when it does not load.
    static bool LoadBitmapIntoImageList(CImageList& list, unsigned bitmapId);
    static bool LoadBitmapIntoImageList(CImageList& list, const QImage& bitmap);

    // --- drawing helpers ---
    // Seven vertical strokes, 21 pixels, in `colour`; `narrow` ends each stroke a pixel higher.
    static void DrawCheckMark(QPainter& painter, int x, int y, COLORREF colour, bool narrow = false);
    // A filled dot bounded by (x, y, x + 6, y + 6).
    static void DrawRadioDot(QPainter& painter, int x, int y, COLORREF colour);
    // The arrow of an item that opens a popup, at the right end of the item's rectangle `item`.
    static void DrawSubmenuArrow(QPainter& painter, const QRect& item, COLORREF colour);
    // The width the menu adds to such an item for its arrow.
    static constexpr int kSubmenuArrowRoom = 16;

protected:
    void DrawItemFlat(QPainter& painter, const BCMenuDrawItem& item) const;
    void DrawItemClassic(QPainter& painter, const BCMenuDrawItem& item) const;
    void DrawFlatCheck(QPainter& painter, const QRect& box, bool radio, COLORREF highlight, bool selected) const;
    void DrawClassicCheck(QPainter& painter, const QRect& box, bool selected, bool radio) const;

private:
    friend class BCMenuHandle;

    QAction* actionFor(CommandId id, const QString& text);
    bool appendItem(const QString& text, unsigned flags, CommandId id, BCMenu* popup, int toolbarId);
    bool AddToolbarImages(unsigned toolbarId);
    bool hasCommand(CommandId id) const; // anywhere in the tree
    // The first (menu, position) of command `id` in this tree that is not in `skip`.
    struct Occurrence {
        BCMenu* menu = nullptr;
        int position = -1;
    };
    Occurrence FindCommand(CommandId id, const std::vector<Occurrence>& skip = {});
    void AlignAccelerators();
    void RestoreTopLevelItems();
    void reindex();
    QString itemText(const QAction* action) const;

    FrameWnd* m_owner = nullptr;
    std::unique_ptr<BCMenuHandle> m_handle; // null once detached
    QPointer<BCMenuHandle> m_detached;      // the handle the caller took (not owned)
    std::vector<std::unique_ptr<BCMenuData>> m_MenuItems;
    std::vector<std::unique_ptr<BCMenu>> m_popups; // the popups' objects this menu created or took
    std::vector<QMenu*> m_SubMenus;                // own popup handles
    std::unordered_map<const QAction*, BCMenuData*> m_byAction;
    bool m_loaded = false;
};

// Menu-character result parts.
inline constexpr int MNC_EXECUTE = 2;
inline constexpr std::int64_t MAKELRESULT(int low, int high) {
    return static_cast<std::int64_t>(static_cast<std::uint32_t>((low & 0xFFFF) | ((high & 0xFFFF) << 16)));
}

// TrackPopupMenu flags.
inline constexpr unsigned TPM_LEFTALIGN = 0x0000;
inline constexpr unsigned TPM_RIGHTBUTTON = 0x0002;
