#include "framework/CommandTarget.h"

#include <utility>

void CommandTarget::addCommand(CommandId id, Handler handler) {
    m_commands.push_back({id, id, [handler = std::move(handler)](CommandId) { handler(); }});
}

void CommandTarget::addCommandRange(CommandId first, CommandId last, RangeHandler handler) {
    m_commands.push_back({first, last, std::move(handler)});
}

void CommandTarget::addUpdateHandler(CommandId id, UpdateHandler handler) {
    m_updates.push_back({id, id, std::move(handler)});
}

void CommandTarget::addUpdateHandlerRange(CommandId first, CommandId last, UpdateHandler handler) {
    m_updates.push_back({first, last, std::move(handler)});
}

const CommandTarget::CommandEntry* CommandTarget::findCommand(CommandId id) const {
    for (auto it = m_commands.rbegin(); it != m_commands.rend(); ++it)
        if (it->first <= id && id <= it->last)
            return &*it;
    return nullptr;
}

const CommandTarget::UpdateEntry* CommandTarget::findUpdate(CommandId id) const {
    for (auto it = m_updates.rbegin(); it != m_updates.rend(); ++it)
        if (it->first <= id && id <= it->last)
            return &*it;
    return nullptr;
}

bool CommandTarget::hasCommand(CommandId id) const {
    return findCommand(id) != nullptr;
}

bool CommandTarget::hasUpdateHandler(CommandId id) const {
    return findUpdate(id) != nullptr;
}

bool CommandTarget::runCommand(CommandId id) {
    const CommandEntry* entry = findCommand(id);
    if (!entry)
        return false;
    // A copy: the handler may register or replace handlers of this target.
    const RangeHandler handler = entry->handler;
    handler(id);
    return true;
}

bool CommandTarget::runUpdateHandler(CmdUI& ui) {
    const UpdateEntry* entry = findUpdate(ui.m_nID);
    if (!entry)
        return false;
    const UpdateHandler handler = entry->handler;
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
