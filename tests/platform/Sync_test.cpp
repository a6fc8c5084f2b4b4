#include "platform/Sync.h"
#include "support/Bounded.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// How long a test waits for a thread it expects to end.
constexpr auto kBound = testsupport::kWaitLimit;

// A wait run on a thread of its own, given an abort flag of its own. The test asks for its result
// with a bound and fails by name when it does not come; the helper's end sets the flag and wakes
// the waiters, so a failing test never hangs.
template <class Result> class BoundedWait {
public:
    BoundedWait(std::function<Result(const std::atomic<int>&)> wait, std::function<void()> wake)
        : m_wake(std::move(wake)) {
        m_result = m_promise.get_future();
        m_thread = std::thread([this, wait = std::move(wait)] { m_promise.set_value(wait(m_abort)); });
    }
    ~BoundedWait() {
        abort();
        m_thread.join();
    }
    BoundedWait(const BoundedWait&) = delete;
    BoundedWait& operator=(const BoundedWait&) = delete;

    // Sets its flag and wakes the waiters.
    void abort() {
        m_abort = 1;
        m_wake();
    }
    // Sets its flag only: it sees it when something else wakes it.
    void setFlagOnly() { m_abort = 1; }
    bool ended(std::chrono::milliseconds within = kBound) const {
        return m_result.wait_for(within) == std::future_status::ready;
    }
    // The result; a failure of the test (and a default value) when the wait did not end in time.
    Result result(const char* what) {
        if (!ended()) {
            ADD_FAILURE() << what << ": the wait did not end within " << kBound.count() << " ms";
            return Result{};
        }
        return m_result.get();
    }

private:
    std::function<void()> m_wake;
    std::atomic<int> m_abort{0};
    std::promise<Result> m_promise;
    std::future<Result> m_result;
    std::thread m_thread;
};

// A slot of `semaphore` asked for on a thread of its own.
struct SlotWait : BoundedWait<bool> {
    explicit SlotWait(CountingSemaphore& semaphore)
        : BoundedWait<bool>([&semaphore](const std::atomic<int>& abort) { return semaphore.acquire(&abort); },
                            [&semaphore] { semaphore.wakeAll(); }) {}
};

// Waits until `count` threads wait for a slot of `semaphore`.
void awaitWaiting(const CountingSemaphore& semaphore, int count) {
    testsupport::becomesTrue([&] { return semaphore.waiting() >= count; });
    ASSERT_EQ(semaphore.waiting(), count) << "waiters did not queue";
}

} // namespace

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
    SlotWait waiter(semaphore);
    awaitWaiting(semaphore, 1);
    EXPECT_FALSE(waiter.ended(20ms));
    semaphore.release();
    EXPECT_TRUE(waiter.result("the waiter after the release"));
    EXPECT_EQ(semaphore.available(), 0);
}

TEST(CountingSemaphore, AbortWakesEveryWaiter) {
    CountingSemaphore semaphore(1);
    ASSERT_TRUE(semaphore.acquire());
    std::atomic<int> abort{0};
    std::vector<std::unique_ptr<BoundedWait<bool>>> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.push_back(std::make_unique<BoundedWait<bool>>(
            // no time limit: only the shared abort flag (or the helper's own at its end) ends the wait
            [&](const std::atomic<int>&) { return semaphore.acquire(&abort); },
            [&] {
                abort = 1;
                semaphore.wakeAll();
            }));
    awaitWaiting(semaphore, 4);
    abort = 1;
    semaphore.wakeAll();
    for (auto& waiter : waiters)
        EXPECT_FALSE(waiter->result("a waiter after the abort"));
    EXPECT_EQ(semaphore.available(), 0); // still held by this thread only

    // A flag already set fails at once, even with a free slot.
    semaphore.release();
    EXPECT_FALSE(semaphore.acquire(&abort));
    EXPECT_EQ(semaphore.available(), 1);
}

TEST(CountingSemaphore, SlotsGoToTheWaitersInTheOrderTheyAsked) {
    CountingSemaphore semaphore(1);
    ASSERT_TRUE(semaphore.acquire());
    std::mutex mutex;
    std::vector<int> order;
    std::vector<std::unique_ptr<BoundedWait<bool>>> waiters;
    for (int i = 0; i < 6; ++i) {
        waiters.push_back(std::make_unique<BoundedWait<bool>>(
            [&, i](const std::atomic<int>& abort) {
                if (!semaphore.acquire(&abort))
                    return false;
                {
                    std::lock_guard lock(mutex);
                    order.push_back(i);
                }
                semaphore.release();
                return true;
            },
            [&] { semaphore.wakeAll(); }));
        awaitWaiting(semaphore, i + 1);
    }
    EXPECT_FALSE(semaphore.tryAcquire()); // nobody jumps the queue
    semaphore.release();
    for (auto& waiter : waiters)
        EXPECT_TRUE(waiter->result("a waiter in line"));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(semaphore.available(), 1);
    EXPECT_EQ(semaphore.waiting(), 0);
}

TEST(CountingSemaphore, EverySlotFreedAtOnceFindsAWaiterAndAnAbortedOneLetsTheNextGo) {
    CountingSemaphore semaphore(2);
    ASSERT_TRUE(semaphore.acquire());
    ASSERT_TRUE(semaphore.acquire());
    SlotWait first(semaphore);
    awaitWaiting(semaphore, 1);
    SlotWait second(semaphore);
    awaitWaiting(semaphore, 2);
    SlotWait third(semaphore);
    awaitWaiting(semaphore, 3);

    // The first in line gives up: the others keep waiting for a slot.
    first.abort();
    EXPECT_FALSE(first.result("the first waiter after its abort"));
    awaitWaiting(semaphore, 2);

    // Two slots freed one right after the other: both waiters get one.
    semaphore.release();
    semaphore.release();
    EXPECT_TRUE(second.result("the second waiter"));
    EXPECT_TRUE(third.result("the third waiter"));
    EXPECT_EQ(semaphore.available(), 0);
}

// A waiter woken for a freed slot that leaves because of its abort flag passes the slot on to the
// next in line: nobody else would wake that one.
TEST(CountingSemaphore, AWokenWaiterThatLeavesPassesTheSlotOn) {
    CountingSemaphore semaphore(1);
    ASSERT_TRUE(semaphore.acquire());
    SlotWait leaving(semaphore);
    awaitWaiting(semaphore, 1);
    SlotWait next(semaphore);
    awaitWaiting(semaphore, 2);

    leaving.setFlagOnly(); // as a worker's own abort: nobody wakes the waiters for it
    semaphore.release();   // wakes the first in line, which leaves
    EXPECT_FALSE(leaving.result("the waiter whose flag is set"));
    EXPECT_TRUE(next.result("the next waiter, after the first left"));
    EXPECT_EQ(semaphore.available(), 0);
    EXPECT_EQ(semaphore.waiting(), 0);
}

// Every slot freed at once goes to a waiter at once: three slots released together while three
// waiters queue, each gets one, none is left waiting for a wake that never comes.
TEST(CountingSemaphore, SlotsFreedTogetherEachWakeAWaiter) {
    CountingSemaphore semaphore(3);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(semaphore.acquire());
    std::vector<std::unique_ptr<SlotWait>> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.push_back(std::make_unique<SlotWait>(semaphore));
        awaitWaiting(semaphore, i + 1);
    }
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(semaphore.release());
    for (auto& waiter : waiters)
        EXPECT_TRUE(waiter->result("a waiter for a freed slot"));
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
    std::vector<std::unique_ptr<BoundedWait<EventBoard::WaitResult>>> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.push_back(std::make_unique<BoundedWait<EventBoard::WaitResult>>(
            [&](const std::atomic<int>& abort) { return board.wait(7, kWaitForever, &abort); },
            [&] { board.wakeAll(); }));
    board.signal(8);
    for (auto& waiter : waiters)
        EXPECT_FALSE(waiter->ended(5ms)) << "another id's event ended a wait";
    board.signal(7);
    for (auto& waiter : waiters)
        EXPECT_EQ(waiter->result("a waiter for the signalled id"), EventBoard::WaitResult::Signalled);
    // Manual reset: it stays set until reset.
    EXPECT_EQ(board.wait(7, 0ms), EventBoard::WaitResult::Signalled);
    board.reset(7);
    EXPECT_FALSE(board.isSignalled(7));
    EXPECT_EQ(board.wait(7, 10ms), EventBoard::WaitResult::Timeout);
}

TEST(EventBoard, AbortEndsWaitsButASetEventWins) {
    EventBoard board;
    std::atomic<int> abort{0};
    std::vector<std::unique_ptr<BoundedWait<EventBoard::WaitResult>>> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.push_back(std::make_unique<BoundedWait<EventBoard::WaitResult>>(
            [&](const std::atomic<int>&) { return board.wait(1, kWaitForever, &abort); },
            [&] {
                abort = 1;
                board.wakeAll();
            }));
    std::this_thread::sleep_for(20ms);
    abort = 1;
    board.wakeAll();
    for (auto& waiter : waiters)
        EXPECT_EQ(waiter->result("a waiter after the abort"), EventBoard::WaitResult::Aborted);

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
    const auto first = board.waitAny(ids, kBound);
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
