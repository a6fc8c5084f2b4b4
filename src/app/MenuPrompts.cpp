#include "app/MenuPrompts.h"

#include "framework/StatusBar.h"
#include "framework/StringTable.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusTipEvent>

#include <algorithm>

MenuPrompts::MenuPrompts(QWidget& window, CStatusBar& bar, std::function<QString()> idleText)
    : m_window(window), m_bar(&bar), m_idleText(std::move(idleText)) {
    // Tips of context menus stop at the menu, tips of the menu bar and the toolbar reach the
    // window: the application's filter sees them all.
    qApp->installEventFilter(this);
}

MenuPrompts::~MenuPrompts() {
    qApp->removeEventFilter(this);
}

QString MenuPrompts::promptOf(unsigned id) {
    return QString::fromStdString(LoadCommandStrings(id).prompt);
}

void MenuPrompts::watch(QMenu* menu) {
    std::erase_if(m_watched, [](const QPointer<QMenu>& m) { return m.isNull(); });
    if (std::find(m_watched.begin(), m_watched.end(), menu) != m_watched.end())
        return;
    m_watched.emplace_back(menu);
    connect(menu, &QMenu::hovered, this, [this] { showPrompt(currentEntry()); });
    connect(menu, &QMenu::aboutToHide, this, [this, menu] { menuHiding(menu); });
    // A menu destroyed while open sends no aboutToHide.
    connect(menu, &QObject::destroyed, this, [this] { menuHiding(nullptr); });
}

void MenuPrompts::menuOpening(QMenu* menu) {
    if (!menu || !m_bar)
        return;
    watch(menu);
    if (std::find(m_open.begin(), m_open.end(), menu) == m_open.end())
        m_open.emplace_back(menu);
    if (!m_savedLayout) {
        PaneLayout layout;
        m_bar->GetPaneInfo(0, layout.id, layout.style, layout.width);
        m_savedLayout = layout;
        // Width 0: the pane takes the room the others leave, however narrow its own layout was,
        // and never pushes them off the bar.
        m_bar->SetPaneInfo(0, layout.id, SBPS_STRETCH | SBPS_NOBORDERS, 0);
    }
    showPrompt(currentEntry());
}

void MenuPrompts::menuHiding(QMenu* menu) {
    std::erase_if(m_open, [menu](const QPointer<QMenu>& m) { return m.isNull() || m == menu; });
    if (!m_savedLayout)
        return;
    if (std::any_of(m_open.begin(), m_open.end(), [](const QPointer<QMenu>& m) { return m->isVisible(); })) {
        // A submenu closed; its parent is still open.
        showPrompt(currentEntry());
        return;
    }
    m_open.clear();
    m_pointerMenu.clear();
    m_pointerEntry.clear();
    if (m_bar) {
        const PaneLayout layout = *m_savedLayout;
        m_bar->SetPaneInfo(0, layout.id, layout.style, layout.width);
    }
    m_savedLayout.reset();
    uncover();
}

QAction* MenuPrompts::currentEntry() const {
    for (auto it = m_open.rbegin(); it != m_open.rend(); ++it) {
        QMenu* menu = *it;
        if (!menu || !menu->isVisible())
            continue;
        if (QAction* active = menu->activeAction())
            return active;
        if (menu == m_pointerMenu && m_pointerEntry)
            return m_pointerEntry;
    }
    return nullptr;
}

void MenuPrompts::showPrompt(const QAction* entry) {
    QString prompt;
    if (entry && !entry->menu() && !entry->isSeparator())
        prompt = promptOf(entry->data().toUInt());
    if (prompt.isEmpty() && m_idleText)
        prompt = m_idleText();
    cover(prompt);
}

void MenuPrompts::cover(const QString& prompt) {
    if (!m_bar)
        return;
    if (!m_savedText)
        m_savedText = m_bar->GetPaneText(0);
    m_bar->SetPaneText(0, prompt);
}

void MenuPrompts::uncover() {
    if (!m_savedText)
        return;
    const QString text = *m_savedText;
    m_savedText.reset();
    if (m_bar)
        m_bar->SetPaneText(0, text);
}

void MenuPrompts::setText(const QString& text) {
    if (m_savedText)
        m_savedText = text;
    else if (m_bar)
        m_bar->SetPaneText(0, text);
}

bool MenuPrompts::isOurs(QObject* object) const {
    const auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->window() == &m_window;
}

bool MenuPrompts::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && browsing()) {
        auto* menu = qobject_cast<QMenu*>(watched);
        if (menu && std::find(m_open.begin(), m_open.end(), menu) != m_open.end()) {
            m_pointerMenu = menu;
            m_pointerEntry = menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            showPrompt(currentEntry());
        }
        return false;
    }
    if (event->type() != QEvent::StatusTip)
        return false;
    if (browsing()) {
        // The open menus say which entry is current (the tip of an entry left is empty and may
        // go to the menu, the window or the action's owner); the tip itself goes no further.
        showPrompt(currentEntry());
    } else if (isOurs(watched)) {
        // A toolbar button: its tip while the pointer is on it, an empty one when it leaves.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (tip.isEmpty())
            uncover();
        else
            cover(tip);
    } else {
        return false;
    }
    event->accept();
    return true;
}
