#pragma once
// The frame's commands as actions: one QAction per command id, which the menus, the toolbar, the
// context menus and the tray menu all insert, so that a command has one text, one enabled state,
// one check or radio mark and one set of keys wherever it shows.
//
// An action is made on first use, with the command's status prompt and tool tip from the string
// table ("prompt\ntip"), QAction::data() holding the command id. It belongs to the owner window
// and is added to it, so its keys work while that window is active also when no menu shows the
// command. Keys are set only here; a key already given to another command is refused, since two
// actions with one key make Qt run neither ("Ambiguous shortcut overload").

#include "framework/CommandTarget.h"

#include <QKeySequence>
#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <vector>

class QAction;
class QActionGroup;
class QWidget;

class CommandRegistry {
public:
    // How the command's mark shows: none, a check mark, a radio mark.
    enum class Mark { None, Check, Radio };

    // What the registry keeps of a command besides its action.
    struct Info {
        CommandId id = 0;
        QString prompt;     // status-bar prompt
        QString toolTip;    // tool tip of its toolbar button
        int imageSlot = -1; // its picture in the menus' image store; -1 none
        Mark mark = Mark::None;
    };

    using Trigger = std::function<void(CommandId)>;

    // `owner` holds the actions; `trigger` runs a command when its action is triggered.
    CommandRegistry(QWidget& owner, Trigger trigger);
    ~CommandRegistry();
    CommandRegistry(const CommandRegistry&) = delete;
    CommandRegistry& operator=(const CommandRegistry&) = delete;

    // The action of command `id`, made when it has none.
    QAction* action(CommandId id);
    // The action of command `id`; null when it has none.
    QAction* find(CommandId id) const;
    // Makes `action` (owned by the caller) the action of `id` when the command has none yet, and
    // returns it; a command that has one keeps it, and that one is returned.
    QAction* adopt(QAction* action, CommandId id);

    // The menu text ("&Open...\tCtrl+O"); the command's action is made when needed.
    void setText(CommandId id, const QString& text);
    // The command's keys, replacing its earlier ones; a key another command has is left out
    // (logged). False when a key was left out.
    bool setShortcuts(CommandId id, const QList<QKeySequence>& keys);
    // The command a key belongs to; 0 when none.
    CommandId commandOfKey(const QKeySequence& key) const;
    void setImageSlot(CommandId id, int slot);

    // The command's record; a default record (id 0) for a command the registry does not know.
    Info info(CommandId id) const;
    // The commands that have an action, in the order they got it.
    std::vector<CommandId> ids() const;

    // Shows what an update handler gave: enabled state, text, and the check or radio mark
    // (cleared when it set neither).
    void applyState(CommandId id, const CmdUI& ui);

private:
    struct Entry {
        Info info;
        QPointer<QAction> action;
        QPointer<QActionGroup> radioGroup; // its own exclusive group, which makes the radio mark
        QList<QKeySequence> keys;
    };
    Entry& entry(CommandId id);
    void attach(Entry& e, QAction* action);

    QWidget& m_owner;
    Trigger m_trigger;
    std::map<CommandId, Entry> m_entries;
    std::vector<CommandId> m_order;
    std::map<QString, CommandId> m_keys; // portable key text -> command
};
