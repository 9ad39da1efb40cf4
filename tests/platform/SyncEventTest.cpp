#include "platform/SyncEvent.h"

#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using Mode = TEvent::TResetMode;

TEST(SyncEvent, ManualResetStaysSetForEveryWaiterUntilReset) {
    TEvent Event(Mode::Manual);
    EXPECT_FALSE(Event.Wait(0));
    Event.Set();
    EXPECT_TRUE(Event.Wait(0));
    EXPECT_TRUE(Event.Wait(0));
    Event.Reset();
    EXPECT_FALSE(Event.IsSet());
    EXPECT_FALSE(Event.Wait(1));
}

TEST(SyncEvent, AutoResetReleasesOneWaitThenClears) {
    TEvent Event(Mode::Auto, true);
    EXPECT_TRUE(Event.Wait(0));
    EXPECT_FALSE(Event.Wait(0));
}

TEST(SyncEvent, SetBeforeWaitIsNotLost) {
    TEvent Event(Mode::Auto);
    Event.Set();
    std::thread Waiter([&] { EXPECT_TRUE(Event.Wait()); });
    Waiter.join();
}

TEST(SyncEvent, WakesAThreadBlockedWithoutTimeLimit) {
    TEvent Event(Mode::Manual);
    std::atomic<bool> Woken{false};
    std::thread Waiter([&] {
        Event.Wait();
        Woken = true;
    });
    Event.Set();
    Waiter.join();
    EXPECT_TRUE(Woken);
}

TEST(SyncEvent, AutoResetHandsEachSetToOneOfManyWaiters) {
    TEvent Event(Mode::Auto);
    constexpr int Waiters = 4;
    std::atomic<int> Released{0};
    std::vector<std::thread> Threads;
    for (int I = 0; I < Waiters; ++I) {
        Threads.emplace_back([&] {
            if (Event.Wait(TestWaitBoundMs)) {
                ++Released;
            }
        });
    }
    for (int I = 0; I < Waiters; ++I) {
        Event.Set();
        EXPECT_TRUE(WaitUntil([&] { return Released.load() > I; })) << "set " << I;
    }
    for (auto& Thread : Threads) {
        Thread.join();
    }
    EXPECT_EQ(Released.load(), Waiters);
}
