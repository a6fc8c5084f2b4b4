#pragma once
// A receiver that keeps every message it gets, records included. Thread-safe. Header only: the
// test executable links the message target.

#include "platform/MessageTarget.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace testsupport {

class RecordingReceiver : public MessageReceiver {
public:
    std::intptr_t onMessage(Message& message) override {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(std::move(message));
        return m_result;
    }
    // Takes the messages received so far, oldest first.
    std::vector<Message> take() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_messages, {});
    }
    std::size_t count() const {
        std::lock_guard lock(m_mutex);
        return m_messages.size();
    }
    // The result onMessage returns.
    void setResult(std::intptr_t result) {
        std::lock_guard lock(m_mutex);
        m_result = result;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
    std::intptr_t m_result = 0;
};

} // namespace testsupport
