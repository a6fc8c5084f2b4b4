#include "framework/CommandTarget.h"

#include <utility>

void CommandTarget::addCommand(CommandId id, Handler handler) {
    addCommandRange(id, id, [handler = std::move(handler)](CommandId) { handler(); });
}

void CommandTarget::addCommandRange(CommandId first, CommandId last, RangeHandler handler) {
    m_commands.push_back({first, last, std::move(handler)});
}

void CommandTarget::addUpdateHandler(CommandId id, UpdateHandler handler) {
    addUpdateHandlerRange(id, id, std::move(handler));
}

void CommandTarget::addUpdateHandlerRange(CommandId first, CommandId last, UpdateHandler handler) {
    m_updates.push_back({first, last, std::move(handler)});
}

template <class H> const H* CommandTarget::find(const std::vector<Entry<H>>& entries, CommandId id) {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->first <= id && id <= it->last)
            return &it->handler;
    return nullptr;
}

bool CommandTarget::hasCommand(CommandId id) const {
    return find(m_commands, id) != nullptr;
}

bool CommandTarget::runCommand(CommandId id) {
    const RangeHandler* found = find(m_commands, id);
    if (!found)
        return false;
    // A copy: the handler may register or replace handlers of this target.
    const RangeHandler handler = *found;
    handler(id);
    return true;
}

bool CommandTarget::runUpdateHandler(CmdUI& ui) {
    const UpdateHandler* found = find(m_updates, ui.m_nID);
    if (!found)
        return false;
    const UpdateHandler handler = *found;
    handler(ui);
    return true;
}

bool routeCommandUpdate(const std::vector<CommandTarget*>& route, CmdUI& ui) {
    for (CommandTarget* target : route)
        if (target && target->runUpdateHandler(ui))
            return true;
    for (CommandTarget* target : route) {
        if (target && target->hasCommand(ui.m_nID)) {
            ui.Enable(true);
            return true;
        }
    }
    ui.Enable(false);
    return false;
}

bool routeCommand(const std::vector<CommandTarget*>& route, CommandId id) {
    for (CommandTarget* target : route)
        if (target && target->runCommand(id))
            return true;
    return false;
}
