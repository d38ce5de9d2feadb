#include <gtest/gtest.h>

#include <thread>

#include "platform/Event.h"
#include "platform/testing/FakeClock.h"

using namespace platform;

TEST(Event, ManualResetStaysSetUntilReset) {
    Event e;
    EXPECT_FALSE(e.Wait(1));
    std::thread t([&] { e.Set(); });
    EXPECT_TRUE(e.Wait(5000));
    t.join();
    EXPECT_TRUE(e.Wait(0));  // still set: wakes every waiter, not just one
    e.Reset();
    EXPECT_FALSE(e.IsSet());
}

TEST(FakeClock, SleepingAdvancesTimeAndRunsTheHook) {
    platform::testing::FakeClock clock;
    uint64_t start = GetClock().NowMs();
    uint64_t seen = 0;
    clock.OnSleep([&](uint64_t now) { seen = now; });
    GetClock().SleepMs(1000);
    EXPECT_EQ(start + 1000, GetClock().NowMs());
    EXPECT_EQ(start + 1000, seen);
}
