#include "framework/CommandRegistry.h"

#include "framework/StringTable.h"
#include "log/Log.h"

#include <QAction>
#include <QActionGroup>
#include <QWidget>

#include <algorithm>
#include <utility>

CommandRegistry::CommandRegistry(QWidget& owner, Trigger trigger) : m_owner(owner), m_trigger(std::move(trigger)) {}

CommandRegistry::~CommandRegistry() = default;

CommandRegistry::Entry& CommandRegistry::entry(CommandId id) {
    auto [it, inserted] = m_entries.try_emplace(id);
    if (inserted) {
        it->second.info.id = id;
        const CommandStrings strings = LoadCommandStrings(id);
        it->second.info.prompt = QString::fromStdString(strings.prompt);
        it->second.info.toolTip = QString::fromStdString(strings.toolTip);
    }
    return it->second;
}

void CommandRegistry::attach(Entry& e, QAction* action) {
    const CommandId id = e.info.id;
    e.action = action;
    action->setData(id);
    if (!e.info.prompt.isEmpty())
        action->setStatusTip(e.info.prompt);
    if (!e.info.toolTip.isEmpty())
        action->setToolTip(e.info.toolTip);
    action->setShortcuts(e.keys);
    action->setShortcutContext(Qt::WindowShortcut);
    // Keys work while the owner is active, whether or not a menu shows the action.
    m_owner.addAction(action);
    QObject::connect(action, &QAction::triggered, &m_owner, [this, id] { m_trigger(id); });
    std::erase(m_order, id);
    m_order.push_back(id);
}

QAction* CommandRegistry::action(CommandId id) {
    Entry& e = entry(id);
    if (!e.action)
        attach(e, new QAction(&m_owner));
    return e.action;
}

QAction* CommandRegistry::find(CommandId id) const {
    const auto it = m_entries.find(id);
    return it == m_entries.end() ? nullptr : it->second.action.data();
}

QAction* CommandRegistry::adopt(QAction* action, CommandId id) {
    if (!action)
        return nullptr;
    Entry& e = entry(id);
    if (e.action && e.action != action) {
        CVR_LOG(LOG_LEVEL_WARNING, "Command %u has an action already; a second one is not bound", id);
        return e.action;
    }
    if (!e.action)
        attach(e, action);
    return action;
}

void CommandRegistry::setText(CommandId id, const QString& text) {
    action(id)->setText(text);
}

bool CommandRegistry::setShortcuts(CommandId id, const QList<QKeySequence>& keys) {
    Entry& e = entry(id);
    for (const QKeySequence& old : e.keys)
        m_keys.erase(old.toString(QKeySequence::PortableText));
    e.keys.clear();
    bool all = true;
    for (const QKeySequence& key : keys) {
        const QString name = key.toString(QKeySequence::PortableText);
        const auto [it, inserted] = m_keys.try_emplace(name, id);
        if (!inserted && it->second != id) {
            const QByteArray text = name.toUtf8();
            CVR_LOG(LOG_LEVEL_ERROR, "Key %s of command %u is command %u's already", text.constData(), id, it->second);
            all = false;
            continue;
        }
        if (!e.keys.contains(key))
            e.keys.append(key);
    }
    action(id)->setShortcuts(e.keys);
    return all;
}

CommandId CommandRegistry::commandOfKey(const QKeySequence& key) const {
    const auto it = m_keys.find(key.toString(QKeySequence::PortableText));
    return it == m_keys.end() ? 0 : it->second;
}

void CommandRegistry::setImageSlot(CommandId id, int slot) {
    entry(id).info.imageSlot = slot;
}

CommandRegistry::Info CommandRegistry::info(CommandId id) const {
    const auto it = m_entries.find(id);
    return it == m_entries.end() ? Info{} : it->second.info;
}

std::vector<CommandId> CommandRegistry::ids() const {
    std::vector<CommandId> live;
    live.reserve(m_order.size());
    for (const CommandId id : m_order)
        if (find(id))
            live.push_back(id);
    return live;
}

void CommandRegistry::applyState(CommandId id, const CmdUI& ui) {
    const auto it = m_entries.find(id);
    if (it == m_entries.end() || !it->second.action)
        return;
    Entry& e = it->second;
    QAction* action = e.action;
    if (action->isEnabled() != ui.enabled())
        action->setEnabled(ui.enabled());
    if (ui.text()) {
        const QString text = QString::fromStdString(*ui.text());
        if (action->text() != text)
            action->setText(text);
    }

    const Mark mark = ui.radio() ? Mark::Radio : ui.check() ? Mark::Check : Mark::None;
    const bool checked = ui.radio() ? *ui.radio() : ui.check() ? *ui.check() != 0 : false;
    if (mark == Mark::Radio && !e.radioGroup) {
        e.radioGroup = new QActionGroup(action);
        e.radioGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    }
    if (mark == Mark::Radio && action->actionGroup() != e.radioGroup)
        action->setActionGroup(e.radioGroup);
    if (mark != Mark::Radio && action->actionGroup() && action->actionGroup() == e.radioGroup)
        action->setActionGroup(nullptr);
    if (mark == Mark::None) {
        if (action->isChecked())
            action->setChecked(false);
        if (action->isCheckable())
            action->setCheckable(false);
    } else {
        if (!action->isCheckable())
            action->setCheckable(true);
        if (action->isChecked() != checked)
            action->setChecked(checked);
    }
    e.info.mark = mark;
}
