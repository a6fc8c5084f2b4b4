#include "platform/Sync.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(CountingSemaphore, LimitsHoldersToItsCount) {
    CountingSemaphore semaphore(3);
    std::atomic<int> inside{0}, most{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 12; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                ASSERT_TRUE(semaphore.acquire());
                const int now = ++inside;
                int seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                std::this_thread::yield();
                --inside;
                semaphore.release();
            }
        });
    for (auto& th : threads)
        th.join();
    EXPECT_LE(most, 3);
    EXPECT_EQ(semaphore.available(), 3);
}

TEST(CountingSemaphore, CountsSlotsAndRefusesOverRelease) {
    CountingSemaphore semaphore(2);
    EXPECT_FALSE(semaphore.release()); // nothing taken
    EXPECT_TRUE(semaphore.tryAcquire());
    EXPECT_TRUE(semaphore.acquire(nullptr, 0ms));
    EXPECT_FALSE(semaphore.tryAcquire());
    EXPECT_TRUE(semaphore.release());
    EXPECT_TRUE(semaphore.tryAcquire());
    EXPECT_EQ(semaphore.available(), 0);
    EXPECT_EQ(semaphore.maximum(), 2);
    EXPECT_EQ(CountingSemaphore(0).maximum(), 1); // a zero option still lets downloads run
}

TEST(CountingSemaphore, WaiterGetsTheSlotAnotherThreadReleases) {
    CountingSemaphore semaphore(1);
    ASSERT_TRUE(semaphore.acquire());
    std::atomic<bool> got{false};
    std::thread waiter([&] { got = semaphore.acquire(); });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(got);
    semaphore.release();
    waiter.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(semaphore.available(), 0);
}

TEST(CountingSemaphore, AbortWakesEveryWaiter) {
    CountingSemaphore semaphore(1);
    ASSERT_TRUE(semaphore.acquire());
    std::atomic<int> abort{0};
    std::atomic<int> failed{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            if (!semaphore.acquire(&abort)) // no time limit: only the abort ends the wait
                ++failed;
        });
    std::this_thread::sleep_for(20ms);
    abort = 1;
    semaphore.wakeAll();
    for (auto& th : waiters)
        th.join();
    EXPECT_EQ(failed, 4);
    EXPECT_EQ(semaphore.available(), 0); // still held by this thread only

    // A flag already set fails at once, even with a free slot.
    semaphore.release();
    EXPECT_FALSE(semaphore.acquire(&abort));
    EXPECT_EQ(semaphore.available(), 1);
}

// Waits until `count` threads wait for a slot of `semaphore`.
void awaitWaiting(const CountingSemaphore& semaphore, int count) {
    for (int i = 0; i < 1000 && semaphore.waiting() < count; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(semaphore.waiting(), count);
}

TEST(CountingSemaphore, SlotsGoToTheWaitersInTheOrderTheyAsked) {
    CountingSemaphore semaphore(1);
    ASSERT_TRUE(semaphore.acquire());
    std::mutex mutex;
    std::vector<int> order;
    std::vector<std::thread> waiters;
    for (int i = 0; i < 6; ++i) {
        waiters.emplace_back([&, i] {
            ASSERT_TRUE(semaphore.acquire());
            {
                std::lock_guard lock(mutex);
                order.push_back(i);
            }
            semaphore.release();
        });
        awaitWaiting(semaphore, i + 1);
    }
    EXPECT_FALSE(semaphore.tryAcquire()); // nobody jumps the queue
    semaphore.release();
    for (auto& th : waiters)
        th.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(semaphore.available(), 1);
    EXPECT_EQ(semaphore.waiting(), 0);
}

TEST(CountingSemaphore, EverySlotFreedAtOnceFindsAWaiterAndAnAbortedOneLetsTheNextGo) {
    CountingSemaphore semaphore(2);
    ASSERT_TRUE(semaphore.acquire());
    ASSERT_TRUE(semaphore.acquire());
    std::atomic<int> abortFirst{0};
    auto first = std::async(std::launch::async, [&] { return semaphore.acquire(&abortFirst); });
    awaitWaiting(semaphore, 1);
    auto second = std::async(std::launch::async, [&] { return semaphore.acquire(); });
    awaitWaiting(semaphore, 2);
    auto third = std::async(std::launch::async, [&] { return semaphore.acquire(); });
    awaitWaiting(semaphore, 3);

    // The first in line gives up: the others keep waiting for a slot.
    abortFirst = 1;
    semaphore.wakeAll();
    ASSERT_EQ(first.wait_for(10s), std::future_status::ready);
    EXPECT_FALSE(first.get());
    awaitWaiting(semaphore, 2);

    // Two slots freed one right after the other: both waiters get one.
    semaphore.release();
    semaphore.release();
    ASSERT_EQ(second.wait_for(10s), std::future_status::ready);
    ASSERT_EQ(third.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(second.get());
    EXPECT_TRUE(third.get());
    EXPECT_EQ(semaphore.available(), 0);
}

TEST(CountingSemaphore, TimesOut) {
    CountingSemaphore semaphore(1);
    ASSERT_TRUE(semaphore.acquire());
    std::atomic<int> abort{0};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(semaphore.acquire(&abort, 50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST(SemaphoreSlot, ReleasesWhenLeftAndAllowsEarlyRelease) {
    CountingSemaphore semaphore(1);
    {
        SemaphoreSlot slot(&semaphore);
        EXPECT_TRUE(slot.acquire());
        EXPECT_TRUE(slot.held());
        EXPECT_EQ(semaphore.available(), 0);
        slot.release();
        EXPECT_EQ(semaphore.available(), 1);
        EXPECT_TRUE(slot.acquire());
    }
    EXPECT_EQ(semaphore.available(), 1);

    std::atomic<int> abort{0};
    SemaphoreSlot unlimited(nullptr);
    EXPECT_TRUE(unlimited.acquire(&abort));
    abort = 1;
    SemaphoreSlot aborted(nullptr);
    EXPECT_FALSE(aborted.acquire(&abort));
}

TEST(EventBoard, SignalReleasesEveryWaiterOfThatIdOnly) {
    EventBoard board;
    std::atomic<int> done{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            if (board.wait(7) == EventBoard::WaitResult::Signalled)
                ++done;
        });
    board.signal(8);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(done, 0);
    board.signal(7);
    for (auto& th : waiters)
        th.join();
    EXPECT_EQ(done, 4);
    // Manual reset: it stays set until reset.
    EXPECT_EQ(board.wait(7, 0ms), EventBoard::WaitResult::Signalled);
    board.reset(7);
    EXPECT_FALSE(board.isSignalled(7));
    EXPECT_EQ(board.wait(7, 10ms), EventBoard::WaitResult::Timeout);
}

TEST(EventBoard, AbortEndsWaitsButASetEventWins) {
    EventBoard board;
    std::atomic<int> abort{0};
    std::atomic<int> aborted{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (board.wait(1, kWaitForever, &abort) == EventBoard::WaitResult::Aborted)
                ++aborted;
        });
    std::this_thread::sleep_for(20ms);
    abort = 1;
    board.wakeAll();
    for (auto& th : waiters)
        th.join();
    EXPECT_EQ(aborted, 3);

    board.signal(2);
    EXPECT_EQ(board.wait(2, kWaitForever, &abort), EventBoard::WaitResult::Signalled);
    EXPECT_EQ(board.wait(3, kWaitForever, &abort), EventBoard::WaitResult::Aborted);
}

TEST(EventBoard, WaitAnyReturnsTheLowestSignalledIndex) {
    EventBoard board;
    const std::uint32_t ids[] = {10, 20, 30};
    EXPECT_EQ(board.waitAny(ids, 10ms).result, EventBoard::WaitResult::Timeout);

    std::thread signaller([&] {
        std::this_thread::sleep_for(20ms);
        board.signal(30);
    });
    const auto first = board.waitAny(ids);
    signaller.join();
    EXPECT_EQ(first.result, EventBoard::WaitResult::Signalled);
    EXPECT_EQ(first.index, 2u);

    board.signal(20);
    const auto second = board.waitAny(ids, 0ms);
    EXPECT_EQ(second.result, EventBoard::WaitResult::Signalled);
    EXPECT_EQ(second.index, 1u);
}

TEST(RecursiveMutex, IsReentrantForItsHolder) {
    RecursiveMutex mutex;
    std::lock_guard outer(mutex);
    std::lock_guard inner(mutex);
    std::atomic<bool> other{true};
    std::thread([&] { other = mutex.try_lock(); }).join();
    EXPECT_FALSE(other);
}
