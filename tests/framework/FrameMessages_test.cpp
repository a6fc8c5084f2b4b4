#include "framework/FrameWnd.h"
#include "framework/ResourceIds.h"
#include "platform/MessageTarget.h"
#include "support/FakeMessageBoxes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace {

std::atomic<int> g_liveRecords{0};

// A record as a worker posts it (a download status, say), counting its instances.
struct StatusRecord : MessageRecord {
    explicit StatusRecord(int n) : number(n) { ++g_liveRecords; }
    ~StatusRecord() override { --g_liveRecords; }
    int number;
};

constexpr unsigned WMU_STATUS = WM_USER + 100;

// Keeps what it receives, and where.
class ReceivingFrame : public FrameWnd {
public:
    std::intptr_t OnMessage(Message& message) override {
        onGuiThread = onGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        messages.push_back(message.message);
        if (auto* record = message.recordAs<StatusRecord>())
            numbers.push_back(record->number);
        if (keepRecords)
            kept.push_back(std::move(message.record));
        return 17;
    }
    void OnTimer(unsigned id) override {
        ticks.push_back(id);
        if (id == stopAfterTick)
            KillTimer(id);
    }

    bool onGuiThread = true;
    bool keepRecords = false;
    std::vector<unsigned> messages;
    std::vector<int> numbers;
    std::vector<std::unique_ptr<MessageRecord>> kept;
    std::vector<unsigned> ticks;
    unsigned stopAfterTick = 0;
};

class FrameMessagesTest : public testing::Test {
protected:
    void SetUp() override { g_liveRecords = 0; }
    void TearDown() override { EXPECT_EQ(g_liveRecords, 0) << "records leaked"; }
};

TEST_F(FrameMessagesTest, RecordsPostedByWorkersReachTheFrameOnItsThreadInOrder) {
    ReceivingFrame frame;
    frame.keepRecords = true;
    const ReceiverId id = frame.messageTargetId();
    ASSERT_NE(id, 0u);

    constexpr int kWorkers = 4, kEach = 50;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w)
        workers.emplace_back([id, w] {
            for (int i = 0; i < kEach; ++i)
                MessageTarget::instance().post(id, WMU_STATUS, std::make_unique<StatusRecord>(w * 1000 + i));
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_TRUE(frame.numbers.empty()); // nothing arrives outside the event loop

    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.numbers.size() == kWorkers * kEach; }, 5000));
    EXPECT_TRUE(frame.onGuiThread);
    for (int w = 0; w < kWorkers; ++w) { // each worker's records in the order it posted them
        int last = -1;
        for (int n : frame.numbers)
            if (n / 1000 == w) {
                EXPECT_GT(n, last);
                last = n;
            }
    }
    EXPECT_EQ(g_liveRecords, kWorkers * kEach); // the frame keeps them
    frame.kept.clear();

    // A record the frame does not keep ends with the delivery; a sent message is answered at once.
    frame.keepRecords = false;
    EXPECT_EQ(MessageTarget::instance().send(id, WMU_STATUS, std::make_unique<StatusRecord>(1)), 17);
    EXPECT_EQ(g_liveRecords, 0);
}

TEST_F(FrameMessagesTest, ARecordForAFrameThatIsGoneIsDestroyed) {
    auto frame = std::make_unique<ReceivingFrame>();
    const ReceiverId id = frame->messageTargetId();
    std::thread([id] {
        EXPECT_TRUE(MessageTarget::instance().post(id, WMU_STATUS, std::make_unique<StatusRecord>(1)));
    }).join();
    EXPECT_EQ(g_liveRecords, 1); // queued
    frame.reset();
    EXPECT_EQ(g_liveRecords, 0);
    QCoreApplication::processEvents();

    std::thread([id] {
        EXPECT_FALSE(MessageTarget::instance().post(id, WMU_STATUS, std::make_unique<StatusRecord>(2)));
    }).join();
    EXPECT_EQ(g_liveRecords, 0);

    // A new frame never gets an old frame's id.
    ReceivingFrame next;
    EXPECT_NE(next.messageTargetId(), id);
}

// Shows a message box while it handles the first record, as a handler that reports a missing
// exchange rate does; the box runs the events posted meanwhile, as a real one does.
class BoxShowingFrame : public FrameWnd {
public:
    BoxShowingFrame() { boxes.runEventsWhileShown(); }
    std::intptr_t OnMessage(Message& message) override {
        ++depth;
        deepest = std::max(deepest, depth);
        if (auto* record = message.recordAs<StatusRecord>())
            numbers.push_back(record->number);
        if (numbers.size() == 1)
            boxes.messageBox("Currency quotation is missing!");
        --depth;
        if (numbers.size() == 1 && afterBox) {
            const std::function<void()> act = afterBox;
            act(); // may destroy the frame: nothing of it is touched after this
        }
        return 0;
    }

    testsupport::FakeMessageBoxes boxes;
    std::function<void()> afterBox;
    int depth = 0;
    int deepest = 0;
    std::vector<int> numbers;
};

TEST_F(FrameMessagesTest, RecordsArrivingWhileTheHandlerRunsWaitForItAndFollowInOrder) {
    BoxShowingFrame frame;
    for (int n = 1; n <= 3; ++n)
        MessageTarget::instance().post(frame.messageTargetId(), WMU_STATUS, std::make_unique<StatusRecord>(n));
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.numbers.size() == 3; }, 5000));
    EXPECT_EQ(frame.deepest, 1);
    EXPECT_EQ(frame.numbers, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(frame.boxes.texts().size(), 1u);
}

TEST_F(FrameMessagesTest, AFrameItsHandlerDestroysDropsTheRecordsThatWaited) {
    auto frame = std::make_unique<BoxShowingFrame>();
    std::vector<int>* numbers = &frame->numbers;
    std::vector<int> seen;
    frame->afterBox = [&] {
        seen = *numbers;
        frame.reset();
    };
    for (int n = 1; n <= 3; ++n)
        MessageTarget::instance().post(frame->messageTargetId(), WMU_STATUS, std::make_unique<StatusRecord>(n));
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame == nullptr; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, std::vector<int>{1}); // the other two waited and went with the frame
    EXPECT_EQ(g_liveRecords, 0);
}

TEST(FrameTimers, TickByIdUntilKilledAndRestartWithANewPeriod) {
    ReceivingFrame frame;
    EXPECT_EQ(frame.SetTimer(0, 10), 0u);
    EXPECT_EQ(frame.SetTimer(116, 15), 116u);
    EXPECT_EQ(frame.SetTimer(4096, 15), 4096u);
    frame.stopAfterTick = 4096; // kills itself in its first tick
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::count(frame.ticks.begin(), frame.ticks.end(), 116u) >= 3; }, 5000));
    EXPECT_EQ(std::count(frame.ticks.begin(), frame.ticks.end(), 4096u), 1);
    EXPECT_FALSE(frame.timerInterval(4096));
    EXPECT_FALSE(frame.KillTimer(4096));

    // Setting a running timer again replaces its period.
    frame.SetTimer(116, 60 * 60000);
    EXPECT_EQ(frame.timerInterval(116), 60u * 60000u);
    frame.ticks.clear();
    QTest::qWait(60);
    EXPECT_TRUE(frame.ticks.empty());

    frame.SetTimer(116, 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame.ticks.empty(); }, 5000));
    EXPECT_TRUE(frame.KillTimer(116));
    frame.ticks.clear();
    QTest::qWait(50);
    EXPECT_TRUE(frame.ticks.empty());
}

} // namespace
