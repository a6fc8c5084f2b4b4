#include "platform/MessageTarget.h"
#include "support/Bounded.h"
#include "support/RecordingReceiver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

using testsupport::RecordingReceiver;

std::atomic<int> g_liveRecords{0};

// A record that counts its instances, so a test sees when records are destroyed.
struct CountedRecord : MessageRecord {
    explicit CountedRecord(int v = 0, int t = 0) : value(v), thread(t) { ++g_liveRecords; }
    ~CountedRecord() override { --g_liveRecords; }
    int value;
    int thread;
};

std::unique_ptr<MessageRecord> record(int value, int thread = 0) {
    return std::make_unique<CountedRecord>(value, thread);
}

int valueOf(const Message& m) {
    return m.recordAs<CountedRecord>()->value;
}

class MessageTargetTest : public testing::Test {
protected:
    void SetUp() override { g_liveRecords = 0; }
    void TearDown() override { EXPECT_EQ(g_liveRecords, 0) << "records leaked"; }

    MessageTarget target;
    std::shared_ptr<ManualMessageQueue> queue = std::make_shared<ManualMessageQueue>();
};

TEST_F(MessageTargetTest, PostedMessagesArriveInOrderOnlyWhenTheQueueRuns) {
    RecordingReceiver receiver;
    ReceiverRegistration reg(target, receiver, queue);
    ASSERT_NE(reg.id(), 0u);
    EXPECT_TRUE(target.post(reg.id(), 1124, record(1), 7, -8));
    EXPECT_TRUE(target.post(reg.id(), 1125, record(2)));
    EXPECT_TRUE(target.post(reg.id(), 1124));
    EXPECT_EQ(receiver.count(), 0u);
    EXPECT_EQ(queue->pending(), 3u);

    EXPECT_EQ(queue->drain(), 3u);
    auto got = receiver.take();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].message, 1124u);
    EXPECT_EQ(got[0].wParam, 7);
    EXPECT_EQ(got[0].lParam, -8);
    EXPECT_EQ(valueOf(got[0]), 1);
    EXPECT_EQ(got[1].message, 1125u);
    EXPECT_EQ(valueOf(got[1]), 2);
    EXPECT_EQ(got[2].record, nullptr);
    // The receiver took the records: they live as long as it keeps them.
    EXPECT_EQ(g_liveRecords, 2);
}

TEST_F(MessageTargetTest, RecordsTheReceiverLeavesAreDestroyedAfterDelivery) {
    struct Peeker : MessageReceiver {
        std::intptr_t onMessage(Message& m) override {
            seen.push_back(valueOf(m));
            alive.push_back(g_liveRecords.load());
            return 0;
        }
        std::vector<int> seen, alive;
    } receiver;
    ReceiverRegistration reg(target, receiver, queue);
    target.post(reg.id(), 1, record(10));
    target.post(reg.id(), 1, record(11));
    queue->drain();
    EXPECT_EQ(receiver.seen, (std::vector<int>{10, 11}));
    EXPECT_EQ(receiver.alive, (std::vector<int>{2, 1}));
    EXPECT_EQ(g_liveRecords, 0);
}

TEST_F(MessageTargetTest, RecordsForAReceiverThatIsGoneAreDestroyed) {
    RecordingReceiver receiver;
    ReceiverId id;
    {
        ReceiverRegistration reg(target, receiver, queue);
        id = reg.id();
        for (int i = 0; i < 5; ++i)
            target.post(id, 1, record(i));
        EXPECT_EQ(g_liveRecords, 5);
    } // the receiver goes while its messages are queued
    EXPECT_FALSE(target.contains(id));
    EXPECT_FALSE(target.post(id, 1, record(99))); // gone already: destroyed at once
    EXPECT_EQ(g_liveRecords, 5);
    queue->drain();
    EXPECT_EQ(receiver.count(), 0u);
    EXPECT_EQ(g_liveRecords, 0);

    EXPECT_EQ(target.send(id, 1, record(100)), std::nullopt);
    EXPECT_EQ(g_liveRecords, 0);
}

TEST_F(MessageTargetTest, AQueueDroppedWithPendingMessagesFreesTheirRecords) {
    RecordingReceiver receiver;
    auto own = std::make_shared<ManualMessageQueue>();
    const ReceiverId id = target.add(receiver, own);
    target.post(id, 1, record(1));
    target.post(id, 1, record(2));
    target.remove(id);
    own.reset(); // never drained: the queued deliveries go with the queue
    EXPECT_EQ(g_liveRecords, 0);
}

TEST_F(MessageTargetTest, IdsAreNeverReused) {
    RecordingReceiver receiver;
    std::set<ReceiverId> ids;
    ReceiverId first = 0;
    for (int i = 0; i < 1000; ++i) {
        const ReceiverId id = target.add(receiver, queue);
        if (i == 0)
            first = id;
        EXPECT_NE(id, 0u);
        EXPECT_TRUE(ids.insert(id).second) << "id " << id << " given twice";
        target.remove(id);
    }
    // A message for the first, long gone receiver never reaches a later one.
    const ReceiverId live = target.add(receiver, queue);
    EXPECT_FALSE(target.post(first, 1, record(1)));
    queue->drain();
    EXPECT_EQ(receiver.count(), 0u);
    target.remove(live);
}

TEST_F(MessageTargetTest, SendCallsTheReceiverAtOnce) {
    RecordingReceiver receiver;
    receiver.setResult(42);
    ReceiverRegistration reg(target, receiver, queue);
    EXPECT_EQ(target.send(reg.id(), 1126, record(5), 1, 2), 42);
    EXPECT_EQ(queue->pending(), 0u);
    auto got = receiver.take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, 1126u);
    EXPECT_EQ(valueOf(got[0]), 5);
}

TEST_F(MessageTargetTest, AReceiverMayRemoveItselfAndPostFromItsHandler) {
    struct SelfRemover : MessageReceiver {
        std::intptr_t onMessage(Message& m) override {
            ++calls;
            if (m.message == 1)
                target->post(*id, 2, record(2)); // queued behind, never delivered
            target->remove(*id);
            return 0;
        }
        MessageTarget* target = nullptr;
        ReceiverId* id = nullptr;
        int calls = 0;
    } receiver;
    ReceiverId id = target.add(receiver, queue);
    receiver.target = &target;
    receiver.id = &id;
    target.post(id, 1, record(1));
    target.post(id, 3, record(3));
    queue->drain();
    EXPECT_EQ(receiver.calls, 1);
    EXPECT_FALSE(target.contains(id));
}

TEST_F(MessageTargetTest, PostsFromManyThreadsKeepEachThreadsOrder) {
    constexpr int kThreads = 8;
    constexpr int kPerThread = 500;
    RecordingReceiver receiver;
    ReceiverRegistration reg(target, receiver, queue);
    std::atomic<int> running{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i)
                target.post(reg.id(), 1, record(i, t));
            --running;
        });
    // The receiver's thread drains while the workers post.
    while (running > 0)
        queue->drain();
    for (auto& th : threads)
        th.join();
    queue->drain();

    const auto got = receiver.take();
    ASSERT_EQ(got.size(), std::size_t(kThreads * kPerThread));
    std::vector<int> next(kThreads, 0);
    for (const auto& m : got) {
        const auto* r = m.recordAs<CountedRecord>();
        ASSERT_EQ(r->value, next[r->thread]) << "thread " << r->thread;
        ++next[r->thread];
    }
}

TEST_F(MessageTargetTest, RemovalWaitsForADeliveryRunningOnAnotherThread) {
    struct Slow : MessageReceiver {
        std::intptr_t onMessage(Message&) override {
            entered = true;
            testsupport::becomesTrue([this] { return release.load(); });
            finished = true;
            return 0;
        }
        std::atomic<bool> entered{false}, release{false}, finished{false};
    } receiver;
    const ReceiverId id = target.add(receiver, queue);
    target.post(id, 1);
    std::thread gui([&] { queue->drain(); });
    EXPECT_TRUE(testsupport::becomesTrue([&] { return receiver.entered.load(); })) << "no delivery began";
    std::atomic<bool> finishedWhenRemoved{false};
    std::thread remover([&] {
        target.remove(id);
        finishedWhenRemoved = receiver.finished.load();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    receiver.release = true;
    remover.join();
    EXPECT_TRUE(finishedWhenRemoved) << "remove() returned while the receiver was still running";
    gui.join();
}

// --- delivery through Qt's event loop ---

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "corvana_platform_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
    return *static_cast<QCoreApplication*>(app);
}

TEST_F(MessageTargetTest, QtQueueDeliversOnTheEventLoopThread) {
    QCoreApplication& app = application();
    QObject context;
    struct OnLoop : MessageReceiver {
        std::intptr_t onMessage(Message& m) override {
            threads.insert(std::this_thread::get_id());
            values.push_back(valueOf(m));
            if (values.size() == 200)
                QCoreApplication::quit();
            return 0;
        }
        std::set<std::thread::id> threads;
        std::vector<int> values;
    } receiver;
    ReceiverRegistration reg(target, receiver, std::make_shared<QtMessageQueue>(&context));

    std::thread worker([&] {
        for (int i = 0; i < 200; ++i)
            target.post(reg.id(), 1, record(i));
    });
    // The limit lives as long as this test: an earlier run's must not end a later run's loop.
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    limit.start(testsupport::kWaitLimit);
    EXPECT_EQ(app.exec(), 0) << "messages did not arrive";
    worker.join();

    EXPECT_EQ(receiver.threads, std::set<std::thread::id>{std::this_thread::get_id()});
    ASSERT_EQ(receiver.values.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(receiver.values[i], i);
}

TEST_F(MessageTargetTest, QtQueueDropsDeliveriesWhenItsContextGoes) {
    application();
    RecordingReceiver receiver;
    auto context = std::make_unique<QObject>();
    ReceiverRegistration reg(target, receiver, std::make_shared<QtMessageQueue>(context.get()));
    target.post(reg.id(), 1, record(1));
    target.post(reg.id(), 1, record(2));
    EXPECT_EQ(g_liveRecords, 2);
    reg.reset();
    context.reset(); // pending events of the context are discarded with it
    EXPECT_EQ(g_liveRecords, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.count(), 0u);
}

} // namespace
