// Simulated time: the speed factor and the bus time each transaction takes when latency is on.
#include <gtest/gtest.h>

#include <thread>

#include "simulator/SimClock.h"
#include "simulator/tests/DeviceFixture.h"

namespace simulator::testing {
namespace {

TEST(SimClock, RunsAtItsSpeedAndKeepsItsTimeWhenTheSpeedChanges) {
    SimClock clock(10.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    uint64_t t = clock.NowMs();
    EXPECT_GE(t, 1000u);
    EXPECT_LT(t, 3000u);
    clock.SetSpeed(1.0);
    EXPECT_GE(clock.NowMs(), t);
    SimClock manual(1.0, true);
    EXPECT_EQ(manual.NowMs(), 0u);
    manual.Advance(250);
    EXPECT_EQ(manual.NowMs(), 250u);
}

class BusTimingTest : public DeviceFixture {
protected:
    uint64_t Now() { return backend_->GetSegment().clock.NowMs(); }
};

TEST_F(BusTimingTest, EachTransactionTakesItsBusTimeAtThirtyOneKilobits) {
    nifDesc_t vfd = OpenVfd("FV-101");
    backend_->GetSegment().latency = true;
    uint64_t before = Now();
    Read(vfd, "FV101_TB.FINAL_VALUE");  // 5 bytes and 40 bytes of framing: 360 bits
    uint64_t one = Now() - before;
    EXPECT_EQ(one, 10u + 11u);          // scheduling overhead and 11.5 ms on the wire
    before = Now();
    Read(vfd, "FV101_PID.VIEW_3");      // 83 bytes
    EXPECT_EQ(Now() - before, 10u + 31u);
    backend_->GetSegment().latency = false;
    before = Now();
    Read(vfd, "FV101_TB.FINAL_VALUE");
    EXPECT_EQ(Now(), before);
}

}  // namespace
}  // namespace simulator::testing
