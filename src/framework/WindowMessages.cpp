#include "framework/WindowMessages.h"

#include "log/Log.h"

#include <exception>
#include <memory>
#include <utility>

WindowMessageLink::WindowMessageLink(QObject& window, Handler handler, MessageTarget& target)
    : m_handler(std::move(handler)), m_registration(target, *this, std::make_shared<QtMessageQueue>(&window)) {}

WindowMessageLink::~WindowMessageLink() {
    m_registration.reset();
}

std::intptr_t WindowMessageLink::onMessage(Message& message) {
    // Exceptions never cross the event loop.
    try {
        return m_handler(message);
    } catch (const std::exception& e) {
        CVR_LOG(LOG_LEVEL_ERROR, "Message %u failed: %s", message.message, e.what());
    } catch (...) {
        CVR_LOG(LOG_LEVEL_ERROR, "Message %u failed", message.message);
    }
    return 0;
}
