#pragma once
// The status prompts of a window's menus. While a menu of the window is open (its menu bar's
// popups, the context menus and the tray menu it binds), pane 0 of the status bar shows the prompt
// of the entry under the pointer or the keyboard: the string table's text of the entry's command
// before "\n"; an entry without one, a submenu or no entry at all shows the window's idle text.
// While menus are browsed, pane 0 stretches without borders over the room the other panes leave
// (they stay in view); when the last open menu closes, pane 0's layout and its own text come back,
// before the chosen command runs. A toolbar button under the pointer shows its prompt in pane 0
// the same way, for as long as the pointer stays on it.
//
// Qt's own route for status tips is closed for the window: a tip never becomes the bar's temporary
// message, which would take pane 0 over until the next tip and hide what the window put there.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class CStatusBar;
class QAction;
class QMenu;
class QWidget;

class MenuPrompts : public QObject {
public:
    // Prompts for the menus of `window` in pane 0 of `bar`; `idleText` is what pane 0 shows for an
    // entry without a prompt.
    MenuPrompts(QWidget& window, CStatusBar& bar, std::function<QString()> idleText);
    ~MenuPrompts() override;

    // A menu of the window is about to open (each time, submenus too).
    void menuOpening(QMenu* menu);
    // Pane 0's own text: shown at once, or, while a prompt covers the pane, kept to come back.
    void setText(const QString& text);
    // Whether menus of the window are open.
    bool browsing() const { return m_savedLayout.has_value(); }

    // The prompt of command `id`: its string's text before "\n"; empty when it has none.
    static QString promptOf(unsigned id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct PaneLayout {
        unsigned id = 0;
        unsigned style = 0;
        int width = 0;
    };

    void watch(QMenu* menu);
    void menuHiding(QMenu* menu);
    // The entry the user is on in the innermost open menu that has one: its active entry, else the
    // entry under the pointer; null when none.
    QAction* currentEntry() const;
    void showPrompt(const QAction* entry);
    // A prompt goes over pane 0's own text, which is kept; uncover brings it back.
    void cover(const QString& prompt);
    void uncover();
    bool isOurs(QObject* object) const;

    QWidget& m_window;
    QPointer<CStatusBar> m_bar;
    std::function<QString()> m_idleText;
    std::vector<QPointer<QMenu>> m_watched; // menus whose signals lead here
    std::vector<QPointer<QMenu>> m_open;    // in the order they opened
    // The entry under the pointer and its menu: a disabled entry never becomes the menu's active
    // one, yet its prompt shows while the pointer is on it.
    QPointer<QMenu> m_pointerMenu;
    QPointer<QAction> m_pointerEntry;
    std::optional<PaneLayout> m_savedLayout;
    std::optional<QString> m_savedText; // pane 0's own text while a prompt covers it
};
