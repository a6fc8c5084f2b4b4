#include "controls/BCMenu.h"

#include "controls/Artwork.h"
#include "controls/MenuImages.h"
#include "controls/MenuStyle.h"
#include "framework/FrameWnd.h"

#include <QActionEvent>
#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace {

// The process-wide part: the shared image store and the popup handles of every BCMenu.
struct Store {
    CImageList images;
    std::vector<CommandId> ids;
    std::vector<QMenu*> popupHandles;
};

Store& store() {
    static Store* instance = new Store; // lives until exit
    if (!instance->images.isCreated())
        instance->images.Create(kMenuImageWidth, kMenuImageHeight);
    return *instance;
}

void forgetHandle(const QMenu* handle) {
    std::erase(store().popupHandles, handle);
}

QFont menuFont() {
    return QApplication::font("QMenu");
}

// The label of a text: the part before its first tab.
QString labelOf(const QString& text) {
    const qsizetype tab = text.indexOf(u'\t');
    return tab < 0 ? text : text.left(tab);
}

} // namespace

// ---------------------------------------------------------------- handle

BCMenuHandle::BCMenuHandle(BCMenu* owner) : m_owner(owner) {
    setStyle(BCMenuStyle::instance());
}

void BCMenuHandle::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    BCMenuStyle::handOver(option, this, m_owner, m_owner ? m_owner->recordOf(action) : nullptr);
}

bool BCMenuHandle::isContextMenu() const {
    // Up the popups this one opens from, to a menu bar or to none.
    const QMenu* menu = this;
    for (int depth = 0; menu && depth < 32; ++depth) {
        const QMenu* parent = nullptr;
        for (QObject* object : menu->menuAction()->associatedObjects()) {
            if (qobject_cast<QMenuBar*>(object))
                return false;
            if (auto* candidate = qobject_cast<QMenu*>(object); candidate && candidate != menu)
                parent = candidate;
        }
        menu = parent;
    }
    return true;
}

int BCMenuHandle::shortcutColumnWidth() const {
    if (m_shortcutWidth >= 0)
        return m_shortcutWidth;
    // As the menu measures it: over the visible items that are no separators.
    const QFontMetrics metrics = fontMetrics();
    const bool context = isContextMenu();
    int width = 0;
    for (const QAction* action : actions()) {
        if (!action->isVisible() || action->isSeparator())
            continue;
        const QString text = action->text();
        const qsizetype tab = text.indexOf(u'\t');
        if (tab >= 0) {
            width = std::max(width, metrics.horizontalAdvance(text.mid(tab + 1)));
        } else if (action->isShortcutVisibleInContextMenu() || !context) {
            const QKeySequence keys = action->shortcut();
            if (!keys.isEmpty())
                width = std::max(width, metrics.horizontalAdvance(keys.toString(QKeySequence::NativeText)));
        }
    }
    m_shortcutWidth = width;
    return width;
}

void BCMenuHandle::actionEvent(QActionEvent* event) {
    m_shortcutWidth = -1;
    QMenu::actionEvent(event);
}

void BCMenuHandle::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_shortcutWidth = -1;
    QMenu::changeEvent(event);
}

void BCMenuHandle::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool letter = text.size() == 1 && text.at(0).isPrint() && !text.at(0).isSpace() &&
                        !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (!letter || !m_owner) {
        QMenu::keyPressEvent(event);
        return;
    }
    event->accept();
    const std::int64_t result = BCMenu::FindMenuChar(text.at(0), MF_POPUP, this);
    if (result == 0)
        return; // no item has the letter: nothing happens
    QAction* action = actions().value(static_cast<int>(result & 0xFFFF));
    if (!action || !action->isVisible() || !action->isEnabled())
        return;
    // Execute the item as the keyboard does: open its popup, or run its command.
    setActiveAction(action);
    QKeyEvent key(QEvent::KeyPress, action->menu() ? Qt::Key_Right : Qt::Key_Return, Qt::NoModifier);
    QMenu::keyPressEvent(&key);
}

// ---------------------------------------------------------------- version and switches

int BCMenu::windowsVersionCode(bool family9x, int major, int minor) {
    if (family9x) {
        if (major < 4)
            return 0;
        if (major == 4 && minor == 10)
            return 3;
        if (major == 4 && minor == 90)
            return 4;
        return 2;
    }
    if (major == 4)
        return 5;
    if (major == 5)
        return minor == 0 ? 6 : minor == 1 ? 7 : 1;
    return 1;
}

int BCMenu::DetectWindowsVersion() {
    // This desktop counts as an NT after 5.1: not themed, old shell.
    return windowsVersionCode(false, 6, 1);
}

bool BCMenu::IsNewShell() {
    return windows_version >= 2;
}

bool BCMenu::isClassicThemeName(const QString& themeFile) {
    return themeFile.endsWith(QStringLiteral("Windows Classic.theme"), Qt::CaseInsensitive);
}

bool BCMenu::IsWindowsClassicTheme() {
    // No theme file names the desktop's theme here: read once, not classic.
    static const bool classic = isClassicThemeName(QString());
    return classic;
}

bool BCMenu::IsWinXPLuna() {
    return windows_version == 7 && !IsWindowsClassicTheme();
}

bool BCMenu::IsFlatStyleActive() {
    return IsWinXPLuna() ? xp_drawmode == 1 : original_drawmode == 1;
}

bool BCMenu::selectDisabledItems() {
    return IsFlatStyleActive() ? xp_select_disabled : original_select_disabled;
}

// ---------------------------------------------------------------- life

BCMenu::BCMenu(FrameWnd* owner) : m_owner(owner) {}

BCMenu::~BCMenu() {
    DestroyMenu();
}

void BCMenu::DestroyMenu() {
    if (m_handle)
        forgetHandle(m_handle.get());
    if (m_detached) {
        forgetHandle(m_detached);
        m_detached->detachObject();
        m_detached = nullptr;
    }
    for (auto it = m_SubMenus.rbegin(); it != m_SubMenus.rend(); ++it)
        forgetHandle(*it);
    m_SubMenus.clear();
    // The popups' objects destroy their own popups and handles.
    while (!m_popups.empty())
        m_popups.pop_back();
    m_MenuItems.clear();
    m_byAction.clear();
    m_handle.reset();
    m_loaded = false;
}

QMenu* BCMenu::Detach() {
    if (!m_handle)
        return nullptr;
    m_detached = m_handle.release();
    return m_detached;
}

void BCMenu::showAsMenuBar(QMainWindow& window, QMenu* handle) {
    if (!handle)
        return;
    handle->setParent(&window, handle->windowFlags());
    // Our drawing shows in every desktop's menus: no menu bar of the platform.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    auto* bar = new QMenuBar(&window);
    bar->setNativeMenuBar(false);
    bar->setObjectName(QStringLiteral("idc_menubar"));
    bar->addActions(handle->actions());
    window.setMenuBar(bar);
}

QMenu* BCMenu::GetSubMenu(int position) const {
    if (!m_handle && !m_detached)
        return nullptr;
    const QMenu* handle = m_handle ? m_handle.get() : m_detached.data();
    const QAction* action = handle->actions().value(position);
    return action ? action->menu() : nullptr;
}

BCMenu* BCMenu::subMenuObject(int position) const {
    const auto* handle = qobject_cast<BCMenuHandle*>(GetSubMenu(position));
    return handle ? handle->menuObject() : nullptr;
}

BCMenuData* BCMenu::recordOf(const QAction* action) const {
    const auto it = m_byAction.find(action);
    return it == m_byAction.end() ? nullptr : it->second;
}

void BCMenu::reindex() {
    m_byAction.clear();
    for (const auto& record : m_MenuItems)
        if (record->action)
            m_byAction.emplace(record->action, record.get());
}

bool BCMenu::IsBCMenuHandle(const QMenu* menu) {
    const auto& handles = store().popupHandles;
    return menu && std::find(handles.begin(), handles.end(), menu) != handles.end();
}

// ---------------------------------------------------------------- loading

bool BCMenu::LoadMenu(unsigned resourceId) {
    const std::vector<std::uint8_t>* resource = findMenuResource(resourceId);
    return resource && LoadMenu(*resource);
}

bool BCMenu::LoadMenu(std::span<const std::uint8_t> menuTemplate) {
    const auto items = readMenuTemplate(menuTemplate);
    DestroyMenu();
    if (!items)
        return false;
    m_handle = std::make_unique<BCMenuHandle>(this);

    // The stack of open menus (this one at the bottom) and whether each has ended.
    std::vector<BCMenu*> stack{this};
    std::vector<bool> ended{false};
    for (const MenuTemplateItem& item : *items) {
        if (stack.empty())
            break;
        const unsigned flags = item.options & ~MF_END;
        if (item.options & MF_POPUP) {
            auto popup = std::make_unique<BCMenu>(m_owner);
            popup->m_handle = std::make_unique<BCMenuHandle>(popup.get());
            BCMenu* raw = popup.get();
            stack.back()->AppendMenuItem(item.text, flags, std::move(popup));
            if (item.options & MF_END)
                ended.back() = true;
            stack.push_back(raw);
            ended.push_back(false);
        } else {
            stack.back()->AppendMenuItem(item.text, flags, item.id, -1);
            if (item.options & MF_END)
                ended.back() = true;
            while (!stack.empty() && ended.back()) {
                stack.back()->AlignAccelerators();
                stack.pop_back();
                ended.pop_back();
            }
        }
    }

    // The top level holds plain items: the menu bar is not owner-drawn.
    for (const auto& record : m_MenuItems)
        record->nFlags = record->popup ? (MF_BYPOSITION | MF_POPUP) : MF_BYPOSITION;
    m_loaded = true;
    return true;
}

QAction* BCMenu::actionFor(CommandId id, const QString& text) {
    QAction* action = nullptr;
    if (m_owner) {
        action = m_owner->commandAction(id);
    } else {
        action = new QAction(m_handle.get());
        action->setData(id);
    }
    // An action without a name takes the item's label.
    if (action->text().isEmpty() && !text.isEmpty())
        action->setText(labelOf(text));
    return action;
}

bool BCMenu::AppendMenuItem(const QString& text, unsigned flags, CommandId id, int toolbarId) {
    return appendItem(text, flags & ~MF_POPUP, id, nullptr, toolbarId);
}

bool BCMenu::AppendMenuItem(const QString& text, unsigned flags, std::unique_ptr<BCMenu> popup) {
    if (!popup)
        return false;
    if (!popup->m_handle)
        popup->m_handle = std::make_unique<BCMenuHandle>(popup.get());
    BCMenu* raw = popup.get();
    m_popups.push_back(std::move(popup));
    return appendItem(text, flags | MF_POPUP, 0, raw, -1);
}

bool BCMenu::appendItem(const QString& text, unsigned flags, CommandId id, BCMenu* popup, int toolbarId) {
    if (!m_handle)
        m_handle = std::make_unique<BCMenuHandle>(this);
    if (!popup && id == 0)
        flags = (flags & MF_BYPOSITION) | MF_SEPARATOR | MF_OWNERDRAW;
    else
        flags |= MF_OWNERDRAW;

    auto record = std::make_unique<BCMenuData>();
    record->text = text;
    if (popup) {
        QMenu* handle = popup->m_handle.get();
        store().popupHandles.push_back(handle);
        m_SubMenus.push_back(handle);
        handle->setTitle(labelOf(text));
        record->popup = handle;
        record->action = handle->menuAction();
    } else if (id == 0) {
        record->action = new QAction(m_handle.get());
        record->action->setSeparator(true);
    } else {
        record->action = actionFor(id, text);
        if (toolbarId < 0) {
            record->global_offset = FindGlobalImage(id);
        } else {
            CImageList list;
            list.Create(kMenuImageWidth, kMenuImageHeight);
            int index = 0;
            const std::span<const unsigned> buttons = toolbarButtons(static_cast<unsigned>(toolbarId));
            int image = 0;
            for (std::size_t i = 0; i < buttons.size(); ++i) {
                if (buttons[i] == id) {
                    index = image > 0 ? image : static_cast<int>(i);
                    break;
                }
                if (buttons[i] != 0)
                    ++image;
            }
            if (LoadBitmapIntoImageList(list, static_cast<unsigned>(toolbarId)))
                record->global_offset = StoreGlobalImage(list, index, id);
        }
    }
    record->nFlags = flags;
    record->nID = id;
    record->actionText = record->action->text();
    m_handle->addAction(record->action);
    m_byAction[record->action] = record.get();
    m_MenuItems.push_back(std::move(record));
    if (m_loaded)
        RestoreTopLevelItems();
    return true;
}

void BCMenu::RestoreTopLevelItems() {
    // Popups appended to a loaded menu stand at its top level: plain popup items.
    for (const auto& record : m_MenuItems)
        if (record->popup)
            record->nFlags = MF_BYPOSITION | MF_POPUP;
}

void BCMenu::AlignAccelerators() {
    const QFontMetrics metrics(menuFont());
    int target = 0;
    for (const auto& record : m_MenuItems)
        target = std::max(target, metrics.horizontalAdvance(labelOf(record->text) + u' '));
    const int space = metrics.horizontalAdvance(QStringLiteral(" "));
    if (space <= 0)
        return;
    for (const auto& record : m_MenuItems) {
        const qsizetype tab = record->text.indexOf(u'\t');
        if (tab < 0)
            continue;
        QString label = record->text.left(tab);
        int width = metrics.horizontalAdvance(label);
        if (width < target) {
            // All but the last space or two at once, from the space's width; then one at a time
            // while a space still widens the label (a label the font lays out oddly, with a
            // character it draws as nothing, may not grow at all).
            label += QString(std::max(0, (target - width) / space - 1), u' ');
            width = metrics.horizontalAdvance(label);
            while (width < target) {
                const int wider = metrics.horizontalAdvance(label + u' ');
                if (wider <= width)
                    break;
                label += u' ';
                width = wider;
            }
        }
        record->text = label + record->text.mid(tab);
    }
}

// ---------------------------------------------------------------- finding commands

bool BCMenu::hasCommand(CommandId id) const {
    return const_cast<BCMenu*>(this)->FindCommand(id).menu != nullptr;
}

BCMenu::Occurrence BCMenu::FindCommand(CommandId id, const std::vector<Occurrence>& skip) {
    const QMenu* handle = m_handle ? m_handle.get() : m_detached.data();
    if (!handle || id == 0)
        return {};
    const QList<QAction*> actions = handle->actions();
    for (int position = 0; position < actions.size(); ++position) {
        const QAction* action = actions[position];
        if (const auto* popup = qobject_cast<const BCMenuHandle*>(action->menu()); popup && popup->menuObject()) {
            const Occurrence found = popup->menuObject()->FindCommand(id, skip);
            if (found.menu)
                return found;
            continue;
        }
        if (action->isSeparator() || action->menu() || action->data().toUInt() != id)
            continue;
        const bool handled = std::any_of(skip.begin(), skip.end(),
                                         [&](const Occurrence& o) { return o.menu == this && o.position == position; });
        if (!handled)
            return {this, position};
    }
    return {};
}

bool BCMenu::GetItemText(unsigned positionOrId, QString& out, unsigned flags) const {
    if (flags & MF_BYPOSITION) {
        if (positionOrId >= m_MenuItems.size())
            return false;
        out = m_MenuItems[positionOrId]->text;
        return true;
    }
    const Occurrence found = const_cast<BCMenu*>(this)->FindCommand(positionOrId);
    return found.menu && found.menu->GetItemText(static_cast<unsigned>(found.position), out, MF_BYPOSITION);
}

bool BCMenu::SetItemImage(const QString& text, CommandId id, const CImageList* list, int index) {
    std::vector<Occurrence> done;
    BCMenuData* last = nullptr;
    for (Occurrence at = FindCommand(id); at.menu; at = FindCommand(id, done)) {
        done.push_back(at);
        const QMenu* handle = at.menu->m_handle ? at.menu->m_handle.get() : at.menu->m_detached.data();
        BCMenuData* record = at.menu->recordOf(handle->actions().value(at.position));
        if (!record)
            continue;
        last = record;
        if (!text.isNull())
            record->text = text;
        if (list) {
            record->global_offset = StoreGlobalImage(*list, index, id);
            if (m_owner && record->global_offset >= 0)
                m_owner->commands().setImageSlot(id, record->global_offset);
        }
        record->nID = id;
        record->nFlags = (record->nFlags & ~MF_BYPOSITION) | MF_OWNERDRAW;
    }
    if (done.empty()) {
        // A record of its own for a command the menu does not show.
        auto record = std::make_unique<BCMenuData>();
        record->text = text;
        record->nID = id;
        record->nFlags = MF_OWNERDRAW;
        if (list)
            record->global_offset = StoreGlobalImage(*list, index, id);
        m_MenuItems.push_back(std::move(record));
        return false;
    }
    return last != nullptr;
}

// ---------------------------------------------------------------- toolbar images

bool BCMenu::LoadToolbarImages(std::span<const unsigned> toolbarIds) {
    bool all = true;
    for (const unsigned id : toolbarIds)
        all = AddToolbarImages(id) && all;
    return all;
}

bool BCMenu::AddToolbarImages(unsigned toolbarId) {
    const std::span<const unsigned> buttons = toolbarButtons(toolbarId);
    if (buttons.empty())
        return false;
    CImageList list;
    list.Create(kMenuImageWidth, kMenuImageHeight);
    if (!LoadBitmapIntoImageList(list, toolbarId))
        return false;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const CommandId id = buttons[i];
        if (id == 0 || !hasCommand(id))
            continue;
        // The first button of the command: its image index, or its position when that is 0.
        int image = 0;
        std::size_t first = 0;
        for (std::size_t j = 0; j < buttons.size(); ++j) {
            if (buttons[j] == id) {
                first = j;
                break;
            }
            if (buttons[j] != 0)
                ++image;
        }
        SetItemImage(QString(), id, &list, image > 0 ? image : static_cast<int>(first));
    }
    return true;
}

bool BCMenu::LoadBitmapIntoImageList(CImageList& list, unsigned bitmapId) {
    return LoadBitmapIntoImageList(list, artworkBitmap(bitmapId));
}

bool BCMenu::LoadBitmapIntoImageList(CImageList& list, const QImage& bitmap) {
    if (bitmap.isNull() || !list.isCreated())
        return false;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int added = -1;
    if (bitmap.format() == QImage::Format_Indexed8 && bitmap.colorCount() == 16) {
        // The class library's system-colour mapping of the colour table.
        QImage mapped = bitmap;
        QList<QRgb> table = mapped.colorTable();
        for (QRgb& entry : table) {
            switch (entry & 0xFFFFFFu) {
            case 0x000000u:
                entry = rgbOf(GetSysColor(COLOR_BTNTEXT));
                break;
            case 0x808080u:
                entry = rgbOf(GetSysColor(COLOR_BTNSHADOW));
                break;
            case 0xC0C0C0u:
                entry = rgbOf(face);
                break;
            case 0xFFFFFFu:
                entry = rgbOf(GetSysColor(COLOR_BTNHIGHLIGHT));
                break;
            default:
                break;
            }
        }
        mapped.setColorTable(table);
        added = list.Add(mapped.convertToFormat(QImage::Format_RGB32), face);
    } else {
        hicolor_bitmaps = true;
        QImage copy = bitmap.convertToFormat(QImage::Format_RGB32);
        ReplaceGreyBackground(copy);
        added = list.Add(copy, face);
    }
    if (added < 0)
        return false;
    if (IsFlatStyleActive() && image_variants) {
        const QImage base = ImageToBitmap(list, 0);
        QImage faded = base, shadow = base, greyed = base;
        MakeFadedBitmap(faded);
        MakeShadowBitmap(shadow, IsWinXPLuna());
        MakeGreyedBitmap(greyed, 0);
        list.Add(faded, face);
        list.Add(shadow, face);
        list.Add(greyed, face);
    }
    return true;
}

// ---------------------------------------------------------------- the image store

const CImageList& BCMenu::globalImages() {
    return store().images;
}

const std::vector<CommandId>& BCMenu::globalImageIds() {
    return store().ids;
}

int BCMenu::FindGlobalImage(CommandId id) {
    const auto& ids = store().ids;
    const auto it = std::find(ids.begin(), ids.end(), id);
    return it == ids.end() ? -1 : static_cast<int>(it - ids.begin());
}

bool BCMenu::HasImageVariants(int slot) {
    const auto& ids = store().ids;
    if (slot < 0 || static_cast<std::size_t>(slot) + 2 >= ids.size())
        return false;
    const auto s = static_cast<std::size_t>(slot);
    return ids[s + 1] == ids[s] && ids[s + 2] == ids[s];
}

int BCMenu::StoreGlobalImage(const CImageList& list, int index, CommandId id) {
    Store& s = store();
    if (index < 0 || index >= list.GetImageCount())
        return -1;
    const QImage icon = list.image(index);
    const bool variants = IsFlatStyleActive() && image_variants;
    QImage faded, shadow, greyed;
    if (variants) {
        faded = shadow = greyed = ImageToBitmap(list, index);
        MakeFadedBitmap(faded);
        MakeShadowBitmap(shadow, IsWinXPLuna());
        MakeGreyedBitmap(greyed, 0);
    }
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const int found = FindGlobalImage(id);
    if (found >= 0) {
        s.images.Replace(found, icon);
        if (variants && HasImageVariants(found)) {
            s.images.Replace(found + 1, faded, face);
            s.images.Replace(found + 2, shadow, face);
            s.images.Replace(found + 3, greyed, face);
        }
        return found;
    }
    const int slot = s.images.Add(icon);
    if (slot < 0)
        return -1;
    s.ids.push_back(id);
    if (variants) {
        for (const QImage* variant : {&faded, &shadow, &greyed}) {
            s.images.Add(*variant, face);
            s.ids.push_back(id);
        }
    }
    return slot;
}

// ---------------------------------------------------------------- synchronisation

QString BCMenu::itemText(const QAction* action) const {
    // An item this menu drew has no text of its own unless someone changed the action's text since.
    if (const BCMenuData* record = recordOf(action))
        return action->text() == record->actionText ? QString() : action->text();
    return action->text();
}

void BCMenu::SynchronizeItems() {
    QMenu* handle = m_handle ? m_handle.get() : m_detached.data();
    if (!handle)
        return;
    for (const auto& record : m_MenuItems)
        record->syncflag = false;
    // The first record of the action whose marker is clear.
    const auto take = [this](const QAction* action) -> std::unique_ptr<BCMenuData>* {
        for (auto& record : m_MenuItems)
            if (record && record->action == action && !record->syncflag) {
                record->syncflag = true;
                return &record;
            }
        return nullptr;
    };
    std::vector<std::unique_ptr<BCMenuData>> fresh;
    const QList<QAction*> actions = handle->actions();
    for (QAction* action : actions) {
        const QString text = itemText(action);
        const unsigned state = (action->isEnabled() ? 0u : MF_GRAYED) | (action->isChecked() ? MF_CHECKED : 0u);
        std::unique_ptr<BCMenuData>* old = take(action);
        std::unique_ptr<BCMenuData> record;
        if (old) {
            record = std::move(*old);
            if (!text.isEmpty())
                record->text = text;
        } else {
            record = std::make_unique<BCMenuData>();
            record->text = text;
            record->action = action;
        }
        if (action->menu()) {
            record->popup = action->menu();
            if (!old)
                record->nFlags = (state & 0xEF) | MF_BYPOSITION | MF_OWNERDRAW | MF_POPUP;
        } else if (action->isSeparator()) {
            if (!old)
                record->nFlags = state | MF_BYPOSITION | MF_SEPARATOR | MF_OWNERDRAW;
            record->nID = 0;
        } else {
            record->nID = action->data().toUInt();
            record->nFlags = state | MF_BYPOSITION | MF_OWNERDRAW;
            if (!old && record->global_offset < 0)
                record->global_offset = FindGlobalImage(record->nID);
        }
        record->actionText = action->text();
        fresh.push_back(std::move(record));
    }
    // Records still in the old array belong to items that are gone.
    m_MenuItems = std::move(fresh);
    reindex();
}

bool BCMenu::SyncPopupMenu(QMenu* menu) {
    const auto* handle = qobject_cast<BCMenuHandle*>(menu);
    if (!handle || !handle->menuObject())
        return false;
    handle->menuObject()->SynchronizeItems();
    return true;
}

std::int64_t BCMenu::FindMenuChar(QChar character, unsigned flags, QMenu* menu) {
    const auto* handle = qobject_cast<BCMenuHandle*>(menu);
    if (!handle || !handle->menuObject() || !(flags & MF_POPUP))
        return 0;
    BCMenu& object = *handle->menuObject();
    const QString key = (QStringLiteral("&") + character).toLower();
    if (static_cast<std::size_t>(menu->actions().size()) != object.m_MenuItems.size())
        object.SynchronizeItems();
    for (std::size_t position = 0; position < object.m_MenuItems.size(); ++position) {
        QString text;
        if (object.GetItemText(static_cast<unsigned>(position), text, MF_BYPOSITION) && text.toLower().contains(key))
            return MAKELRESULT(static_cast<int>(position), MNC_EXECUTE);
    }
    return 0;
}

// ---------------------------------------------------------------- context menus

CommandId BCMenu::TrackPopupMenu(unsigned, QPoint screenPoint, FrameWnd* owner) {
    QMenu* handle = m_handle ? m_handle.get() : m_detached.data();
    if (!handle)
        return 0;
    if (owner) {
        // The owner's menu hooks (command states, synchronisation) run as each popup opens.
        const std::function<void(QMenu*)> bind = [&](QMenu* menu) {
            owner->bindMenu(menu);
            for (QAction* action : menu->actions())
                if (action->menu())
                    bind(action->menu());
        };
        bind(handle);
    }
    QAction* chosen = handle->exec(screenPoint);
    if (!chosen || chosen->isSeparator() || chosen->menu())
        return 0;
    const CommandId id = chosen->data().toUInt();
    // A registry action has run its command through the owner already; another goes there now.
    if (owner && id != 0 && owner->actionFor(id) != chosen)
        owner->SendCommand(id);
    return id;
}
