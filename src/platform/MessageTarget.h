#pragma once
// Messages from workers to windows. A receiver (a window, a dialog) registers with a queue that
// runs on its thread and gets an id that is never reused (0 = none). Anyone, on any thread, may
// post to an id: the message, with the record it carries, is queued to the receiver's thread.
// A record that reaches no receiver -- the receiver was gone when it was posted or went before
// the message was delivered -- is destroyed; so is a record the receiver left in the message.
// send() calls the receiver at once, on the caller's thread, which must be the receiver's.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

class QObject;

using ReceiverId = std::uint32_t;

// Base of every record carried by a message.
class MessageRecord {
public:
    virtual ~MessageRecord() = default;
};

struct Message {
    std::uint32_t message = 0; // message number (WM_USER + n)
    std::intptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::unique_ptr<MessageRecord> record; // moved out by a receiver that keeps it

    // The record as a T when it is one (ownership stays in the message).
    template <class T> T* recordAs() const { return dynamic_cast<T*>(record.get()); }
};

// Something that receives messages. Called on the thread of its queue only.
class MessageReceiver {
public:
    virtual ~MessageReceiver() = default;
    virtual std::intptr_t onMessage(Message& message) = 0;
};

// Runs deliveries on one thread in the order they were queued. enqueue() is called from any thread.
class MessageQueue {
public:
    using Delivery = std::function<void()>;
    virtual ~MessageQueue() = default;
    virtual void enqueue(Delivery delivery) = 0;
};

// Delivers through Qt's event loop of the thread that owns `context`; construct it on that thread.
// Deliveries still pending when the context is destroyed are dropped (their records destroyed).
class QtMessageQueue final : public MessageQueue {
public:
    explicit QtMessageQueue(QObject* context);
    ~QtMessageQueue() override;
    void enqueue(Delivery delivery) override;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

// A queue the owner drains by hand (tests, unattended runs without an event loop).
class ManualMessageQueue final : public MessageQueue {
public:
    void enqueue(Delivery delivery) override;
    // Runs the oldest delivery; false when there was none.
    bool runOne();
    // Runs deliveries until the queue is empty, including those queued meanwhile; returns how many.
    std::size_t drain();
    std::size_t pending() const;

private:
    mutable std::mutex m_mutex;
    std::vector<Delivery> m_deliveries;
    std::size_t m_head = 0;
};

// The registry of receivers. Thread-safe.
class MessageTarget {
public:
    MessageTarget();
    ~MessageTarget();
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;

    // The program's registry.
    static MessageTarget& instance();

    // Registers `receiver` (not owned) to be called through `queue`; returns its new id.
    ReceiverId add(MessageReceiver& receiver, std::shared_ptr<MessageQueue> queue);
    // Unregisters; no call reaches the receiver once this returns (a call running on another
    // thread is waited for). Messages still queued for it are dropped when their turn comes.
    void remove(ReceiverId id);
    bool contains(ReceiverId id) const;

    // Queues a message for the receiver; false (the record destroyed) when there is none.
    bool post(ReceiverId id, std::uint32_t message, std::unique_ptr<MessageRecord> record = nullptr,
              std::intptr_t wParam = 0, std::intptr_t lParam = 0);
    // Calls the receiver now; its result, or nothing (the record destroyed) when there is none.
    std::optional<std::intptr_t> send(ReceiverId id, std::uint32_t message,
                                      std::unique_ptr<MessageRecord> record = nullptr, std::intptr_t wParam = 0,
                                      std::intptr_t lParam = 0);

private:
    struct Entry;
    std::shared_ptr<Entry> find(ReceiverId id) const;

    mutable std::mutex m_mutex;
    ReceiverId m_lastId = 0;
    std::unordered_map<ReceiverId, std::shared_ptr<Entry>> m_entries;
};

// A receiver's registration for the lifetime of the object that holds it.
class ReceiverRegistration {
public:
    ReceiverRegistration() = default;
    ReceiverRegistration(MessageTarget& target, MessageReceiver& receiver, std::shared_ptr<MessageQueue> queue)
        : m_target(&target), m_id(target.add(receiver, std::move(queue))) {}
    ~ReceiverRegistration() { reset(); }
    ReceiverRegistration(ReceiverRegistration&& other) noexcept;
    ReceiverRegistration& operator=(ReceiverRegistration&& other) noexcept;

    ReceiverId id() const { return m_id; }
    void reset();

private:
    MessageTarget* m_target = nullptr;
    ReceiverId m_id = 0;
};
