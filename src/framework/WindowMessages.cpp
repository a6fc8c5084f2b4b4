#include "framework/WindowMessages.h"

#include "log/Log.h"

#include <deque>
#include <exception>
#include <utility>

struct WindowMessageLink::State {
    Handler handler;
    bool running = false;     // the handler is on the stack
    bool unlinked = false;    // the link is gone: nothing more is handed on
    std::deque<Message> held; // arrived while the handler ran

    std::intptr_t call(Message& message) {
        // Exceptions never cross the event loop.
        try {
            return handler(message);
        } catch (const std::exception& e) {
            CVR_LOG(LOG_LEVEL_ERROR, "Message %u failed: %s", message.message, e.what());
        } catch (...) {
            CVR_LOG(LOG_LEVEL_ERROR, "Message %u failed", message.message);
        }
        return 0;
    }
};

WindowMessageLink::WindowMessageLink(QObject& window, Handler handler, MessageTarget& target)
    : m_state(std::make_shared<State>()), m_registration(target, *this, std::make_shared<QtMessageQueue>(&window)) {
    m_state->handler = std::move(handler);
}

WindowMessageLink::~WindowMessageLink() {
    m_registration.reset();
    m_state->unlinked = true;
    m_state->held.clear();
}

std::intptr_t WindowMessageLink::onMessage(Message& message) {
    // The state, not the link: the handler may destroy its window and with it the link.
    const std::shared_ptr<State> state = m_state;
    if (state->running) {
        state->held.push_back(std::move(message));
        return 0;
    }
    state->running = true;
    const std::intptr_t result = state->call(message);
    while (!state->unlinked && !state->held.empty()) {
        Message next = std::move(state->held.front());
        state->held.pop_front();
        state->call(next);
    }
    state->running = false;
    return result;
}
