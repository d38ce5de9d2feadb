#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/WindowMessages.h"

using namespace platform;

namespace {
struct Recorder : MessageTarget {
    std::vector<unsigned> got;
    std::thread::id deliveredOn;
    void OnMessage(unsigned msg, uintptr_t, intptr_t) override {
        got.push_back(msg);
        deliveredOn = std::this_thread::get_id();
    }
};
}  // namespace

TEST(WindowMessages, PostsFromWorkersArriveInOrderOnTheDeliveringThread) {
    auto& d = MessageDispatcher::Instance();
    Recorder r;
    WindowHandle h = d.Register(&r);
    std::thread worker([h] {
        for (unsigned i = 0; i < 100; ++i) PostMessage(h, 0x400 + i);
    });
    worker.join();
    EXPECT_TRUE(r.got.empty());  // nothing is delivered until the UI thread drains the queue
    EXPECT_EQ(100u, d.DeliverPending());
    ASSERT_EQ(100u, r.got.size());
    for (unsigned i = 0; i < 100; ++i) EXPECT_EQ(0x400 + i, r.got[i]);
    EXPECT_EQ(std::this_thread::get_id(), r.deliveredOn);
    d.Unregister(h);
}

TEST(WindowMessages, PostsToAClosedTargetAreDropped) {
    auto& d = MessageDispatcher::Instance();
    Recorder r;
    WindowHandle h = d.Register(&r);
    EXPECT_TRUE(PostMessage(h, 0x40E));
    d.Unregister(h);  // queued message goes with it
    EXPECT_FALSE(PostMessage(h, 0x419));
    EXPECT_EQ(0u, d.DeliverPending());
    EXPECT_TRUE(r.got.empty());
}

TEST(WindowMessages, AMessagePostedWhileDeliveringWaitsForTheNextRound) {
    auto& d = MessageDispatcher::Instance();
    struct Reposter : MessageTarget {
        WindowHandle self = 0;
        int count = 0;
        void OnMessage(unsigned, uintptr_t, intptr_t) override {
            if (++count < 3) PostMessage(self, 0x402);
        }
    } r;
    r.self = d.Register(&r);
    PostMessage(r.self, 0x402);
    EXPECT_EQ(1u, d.DeliverPending());
    EXPECT_EQ(1u, d.DeliverPending());
    EXPECT_EQ(1u, d.DeliverPending());
    EXPECT_EQ(0u, d.DeliverPending());
    d.Unregister(r.self);
}
