#include "platform/MessageTarget.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#if defined(__SANITIZE_THREAD__)
#define CORVANA_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define CORVANA_TSAN 1
#endif
#endif
#ifdef CORVANA_TSAN
#include <sanitizer/tsan_interface.h>
#endif

#include <stdexcept>
#include <utility>

struct MessageTarget::Entry {
    // Held while the receiver is called, so remove() on another thread waits for the call to end;
    // re-entrant, so a receiver may remove itself or be sent to from its own handler.
    std::recursive_mutex callMutex;
    MessageReceiver* receiver; // null once removed
    std::shared_ptr<MessageQueue> queue;

    std::optional<std::intptr_t> deliver(Message& message) {
        std::lock_guard lock(callMutex);
        if (!receiver)
            return std::nullopt;
        return receiver->onMessage(message);
    }
};

// --- queues ---

// The deliveries wait in a queue of our own; Qt's event loop is only told, by one event per
// delivery, to run the oldest. The pump object lives on the context's thread as its child.
struct QtMessageQueue::State {
    std::mutex mutex;
    std::deque<Delivery> deliveries;
    QObject* pump = nullptr; // null once the pump is gone
};

namespace {

// Qt's event queue is not instrumented, so the thread sanitizer is told that posting an event
// happens before its handling.
void announcePost([[maybe_unused]] void* state) {
#ifdef CORVANA_TSAN
    __tsan_release(state);
#endif
}
void announceHandling([[maybe_unused]] void* state) {
#ifdef CORVANA_TSAN
    __tsan_acquire(state);
#endif
}

class DeliveryPump final : public QObject {
public:
    DeliveryPump(std::shared_ptr<QtMessageQueue::State> state, QObject* parent)
        : QObject(parent), m_state(std::move(state)) {}

    ~DeliveryPump() override {
        std::deque<MessageQueue::Delivery> dropped;
        {
            std::lock_guard lock(m_state->mutex);
            m_state->pump = nullptr;
            dropped.swap(m_state->deliveries);
        }
    }

protected:
    // Each posted event (a user-type event, never read here) runs the oldest delivery.
    void customEvent(QEvent*) override {
        announceHandling(m_state.get());
        MessageQueue::Delivery delivery;
        {
            std::lock_guard lock(m_state->mutex);
            if (m_state->deliveries.empty())
                return;
            delivery = std::move(m_state->deliveries.front());
            m_state->deliveries.pop_front();
        }
        delivery();
    }

private:
    std::shared_ptr<QtMessageQueue::State> m_state;
};

} // namespace

QtMessageQueue::QtMessageQueue(QObject* context) : m_state(std::make_shared<State>()) {
    m_state->pump = new DeliveryPump(m_state, context); // owned by the context
}

QtMessageQueue::~QtMessageQueue() {
    std::lock_guard lock(m_state->mutex);
    if (m_state->pump)
        m_state->pump->deleteLater();
}

void QtMessageQueue::enqueue(Delivery delivery) {
    std::lock_guard lock(m_state->mutex);
    if (!m_state->pump)
        return; // the context is gone: the delivery is dropped
    m_state->deliveries.push_back(std::move(delivery));
    auto* wake = new QEvent(QEvent::User);
    announcePost(m_state.get());
    // Under the mutex, so the pump cannot be destroyed meanwhile.
    QCoreApplication::postEvent(m_state->pump, wake);
}

void ManualMessageQueue::enqueue(Delivery delivery) {
    std::lock_guard lock(m_mutex);
    m_deliveries.push_back(std::move(delivery));
}

bool ManualMessageQueue::runOne() {
    Delivery delivery;
    {
        std::lock_guard lock(m_mutex);
        if (m_head == m_deliveries.size())
            return false;
        delivery = std::move(m_deliveries[m_head++]);
        if (m_head == m_deliveries.size()) {
            m_deliveries.clear();
            m_head = 0;
        }
    }
    delivery();
    return true;
}

std::size_t ManualMessageQueue::drain() {
    std::size_t count = 0;
    while (runOne())
        ++count;
    return count;
}

std::size_t ManualMessageQueue::pending() const {
    std::lock_guard lock(m_mutex);
    return m_deliveries.size() - m_head;
}

// --- MessageTarget ---

MessageTarget::MessageTarget() = default;
MessageTarget::~MessageTarget() = default;

MessageTarget& MessageTarget::instance() {
    static MessageTarget target;
    return target;
}

ReceiverId MessageTarget::add(MessageReceiver& receiver, std::shared_ptr<MessageQueue> queue) {
    if (!queue)
        throw std::invalid_argument("message receiver without a queue");
    auto entry = std::make_shared<Entry>();
    entry->receiver = &receiver;
    entry->queue = std::move(queue);
    std::lock_guard lock(m_mutex);
    if (m_lastId == UINT32_MAX)
        throw std::overflow_error("message receiver ids exhausted");
    const ReceiverId id = ++m_lastId;
    m_entries.emplace(id, std::move(entry));
    return id;
}

void MessageTarget::remove(ReceiverId id) {
    std::shared_ptr<Entry> entry;
    std::shared_ptr<MessageQueue> queue; // released last, outside both locks
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_entries.find(id);
        if (it == m_entries.end())
            return;
        entry = std::move(it->second);
        m_entries.erase(it);
        // Deliveries still queued keep the entry alive; they must not keep the queue alive too.
        queue = std::move(entry->queue);
    }
    // Outside the registry's mutex: a handler running now may post or send.
    std::lock_guard lock(entry->callMutex);
    entry->receiver = nullptr;
}

bool MessageTarget::contains(ReceiverId id) const {
    return find(id) != nullptr;
}

std::shared_ptr<MessageTarget::Entry> MessageTarget::find(ReceiverId id) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(id);
    return it == m_entries.end() ? nullptr : it->second;
}

bool MessageTarget::post(ReceiverId id, std::uint32_t message, std::unique_ptr<MessageRecord> record,
                         std::intptr_t wParam, std::intptr_t lParam) {
    // Queued under the registry's mutex, so nothing is queued for a receiver after remove() returns.
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(id);
    if (it == m_entries.end())
        return false;
    auto queued = std::make_shared<Message>(Message{message, wParam, lParam, std::move(record)});
    it->second->queue->enqueue([entry = it->second, queued] {
        entry->deliver(*queued);
        queued->record.reset();
    });
    return true;
}

std::optional<std::intptr_t> MessageTarget::send(ReceiverId id, std::uint32_t message,
                                                 std::unique_ptr<MessageRecord> record, std::intptr_t wParam,
                                                 std::intptr_t lParam) {
    const std::shared_ptr<Entry> entry = find(id);
    if (!entry)
        return std::nullopt;
    Message sent{message, wParam, lParam, std::move(record)};
    return entry->deliver(sent);
}

// --- ReceiverRegistration ---

ReceiverRegistration::ReceiverRegistration(ReceiverRegistration&& other) noexcept
    : m_target(std::exchange(other.m_target, nullptr)), m_id(std::exchange(other.m_id, 0)) {}

ReceiverRegistration& ReceiverRegistration::operator=(ReceiverRegistration&& other) noexcept {
    if (this != &other) {
        reset();
        m_target = std::exchange(other.m_target, nullptr);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

void ReceiverRegistration::reset() {
    if (m_target && m_id)
        m_target->remove(m_id);
    m_target = nullptr;
    m_id = 0;
}
