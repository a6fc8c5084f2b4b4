#pragma once
// Commands by numeric id. A command target (the application, a frame, a view, the document's
// command table) keeps handlers per command id or id range, and update handlers that say whether
// a command is enabled and checked. The frame routes every command along its targets (FrameWnd.h).
//
// Within one target a later registration for an id comes before earlier ones, so a derived class
// that registers in its constructor overrides what its base registered.

#include <functional>
#include <optional>
#include <string>
#include <vector>

using CommandId = unsigned;

// The state an update handler gives its command: enabled, check mark or radio mark, text. The
// setters are virtual, in this order, so a user-interface object of its own (a status-bar pane)
// can take them.
class CmdUI {
public:
    explicit CmdUI(CommandId id) : m_nID(id) {}
    virtual ~CmdUI() = default;
    CmdUI(const CmdUI&) = default;
    CmdUI& operator=(const CmdUI&) = delete;

    const CommandId m_nID;

    virtual void Enable(bool on = true) {
        m_enabled = on;
        m_enableSet = true;
    }
    // 0 unchecked, 1 checked, 2 indeterminate (shown checked).
    virtual void SetCheck(int check = 1) {
        m_check = check;
        m_radio.reset();
    }
    // A radio mark: the command is one choice of several.
    virtual void SetRadio(bool on = true) {
        m_radio = on;
        m_check.reset();
    }
    virtual void SetText(std::string text) { m_text = std::move(text); }

    bool enabled() const { return m_enabled; }
    // Whether an update handler called Enable.
    bool enableSet() const { return m_enableSet; }
    // The check mark, when an update handler set one.
    const std::optional<int>& check() const { return m_check; }
    // The radio mark, when an update handler set one.
    const std::optional<bool>& radio() const { return m_radio; }
    const std::optional<std::string>& text() const { return m_text; }

private:
    bool m_enabled = true;
    bool m_enableSet = false;
    std::optional<int> m_check;
    std::optional<bool> m_radio;
    std::optional<std::string> m_text;
};

class CommandTarget {
public:
    using Handler = std::function<void()>;
    using RangeHandler = std::function<void(CommandId)>;
    using UpdateHandler = std::function<void(CmdUI&)>;

    CommandTarget() = default;
    virtual ~CommandTarget() = default;
    CommandTarget(const CommandTarget&) = delete;
    CommandTarget& operator=(const CommandTarget&) = delete;

    void addCommand(CommandId id, Handler handler);
    // One handler for the commands first..last, given the command's id.
    void addCommandRange(CommandId first, CommandId last, RangeHandler handler);
    void addUpdateHandler(CommandId id, UpdateHandler handler);
    void addUpdateHandlerRange(CommandId first, CommandId last, UpdateHandler handler);

    bool hasCommand(CommandId id) const;

    // Runs this target's handler of `id`; false when it has none.
    bool runCommand(CommandId id);
    // Runs this target's update handler of ui.m_nID; false when it has none.
    bool runUpdateHandler(CmdUI& ui);

private:
    template <class H> struct Entry {
        CommandId first, last;
        H handler;
    };
    // The handler of `id` registered last, or null.
    template <class H> static const H* find(const std::vector<Entry<H>>& entries, CommandId id);

    std::vector<Entry<RangeHandler>> m_commands;
    std::vector<Entry<UpdateHandler>> m_updates;
};

// Routing along targets in order (null entries are skipped).
//
// The update step asks the first target that has an update handler for the id; when none has one,
// the command is enabled if some target has a handler for it, disabled otherwise. Returns false
// when no target knows the command at all.
bool routeCommandUpdate(const std::vector<CommandTarget*>& route, CmdUI& ui);
// Runs the handler of the first target that has one; false when none has.
bool routeCommand(const std::vector<CommandTarget*>& route, CommandId id);
