#pragma once
// A window's link to the message target: while the link lives, messages posted to its id from any
// thread reach `handler` on the window's thread, through Qt's event loop. A message still queued
// when the window (or the link) is gone is dropped and its record destroyed.
//
// The handler is never entered twice: a message that arrives while it runs -- a message box or a
// modal dialog it shows runs an event loop, which delivers the queue -- is held and handed to the
// handler once it has returned, in the order of arrival. (A message sent while the handler runs is
// held the same way and answered 0.)
//
//   m_link = std::make_unique<WindowMessageLink>(*this, [this](Message& m) { return OnMessage(m); });
//   ... a worker:  MessageTarget::instance().post(linkId, WM_USER + 100, std::move(record));

#include "platform/MessageTarget.h"

#include <cstdint>
#include <functional>
#include <memory>

class QObject;

class WindowMessageLink final : public MessageReceiver {
public:
    using Handler = std::function<std::intptr_t(Message&)>;

    // Registers with `target`; deliveries run on the thread of `window`, which must outlive the link.
    WindowMessageLink(QObject& window, Handler handler, MessageTarget& target = MessageTarget::instance());
    // Unregisters: no delivery reaches the handler once this returns; held messages are destroyed.
    ~WindowMessageLink() override;
    WindowMessageLink(const WindowMessageLink&) = delete;
    WindowMessageLink& operator=(const WindowMessageLink&) = delete;

    // The id to post to (stands for the window's handle).
    ReceiverId id() const { return m_registration.id(); }

    // Calls the handler, then hands it the messages that arrived meanwhile; an exception it throws
    // is logged and ends there (result 0).
    std::intptr_t onMessage(Message& message) override;

    struct State;

private:
    std::shared_ptr<State> m_state; // outlives the link while its handler runs
    ReceiverRegistration m_registration;
};
