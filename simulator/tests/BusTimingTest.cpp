// Simulated time: the speed factor and the bus time each transaction takes when latency is on.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "simulator/SimClock.h"
#include "simulator/tests/CheckingBuild.h"
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

// A segment left idle: the first call afterwards brings every device up to date, and that
// must not cost in proportion to the idle time (an hour used to take seconds on a full link,
// and so did some minutes, caught up in a hundred pieces of a few seconds each).
class IdleCatchUp : public ::testing::TestWithParam<uint64_t> {};

TEST_P(IdleCatchUp, AnIdleFullLinkIsCaughtUpQuicklyAndCompletely) {
    const uint64_t idleMs = GetParam();
    LoadOptions opt;
    opt.manualClock = true;
    std::string error;
    auto segment = LoadSegmentFile(NIFB_FULL_LINK_SEGMENT_FILE, opt, error);
    ASSERT_TRUE(segment) << error;
    auto backend = UseInProcessSegment(segment);
    nifDesc_t session = 0, link = 0, dev = 0, vfd = 0;
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    ASSERT_EQ(nifOpenLink(session, 0, "Interface0-0", 0, &link), E_OK);
    std::vector<nifLiveListEntry> live(64);
    uint16_t n = 64;
    ASSERT_EQ(nifGetDeviceList(link, live.data(), &n, nullptr), E_OK);
    EXPECT_EQ(n, 41);  // the host interface and 40 devices
    // Send FV-116 (the last positioner to be caught up) towards 80 %, then leave the link idle.
    ASSERT_EQ(nifOpenPhysicalDevice(link, NIF_BY_TAG, "FV-116", &dev), E_OK);
    ASSERT_EQ(nifOpenVfd(dev, makeIndex(0), &vfd), E_OK);
    uint8_t automatic = 0x10, sp[5] = {0x80, 0x42, 0xA0, 0x00, 0x00};  // good, 80.0
    ASSERT_EQ(nifWriteObject(vfd, "FV116_AO.MODE_BLK.TARGET", &automatic, 1), E_OK);
    segment->clock.Advance(1000);
    ASSERT_EQ(nifWriteObject(vfd, "FV116_AO.SP", sp, 5), E_OK);
    segment->clock.Advance(idleMs);

    auto start = std::chrono::steady_clock::now();
    n = 64;
    ASSERT_EQ(nifGetDeviceList(link, live.data(), &n, nullptr), E_OK);
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    // Idle time costs a few steps per device, not the idle time's steps (which took seconds):
    // any gap is caught up within half a second (about 25 ms in an optimised build; the
    // thread checker's build takes about 500 ms).
    std::printf("idle %llu s caught up in %lld ms\n", static_cast<unsigned long long>(idleMs / 1000),
                static_cast<long long>(took.count()));
    EXPECT_LE(took.count(), kCheckingBuild ? 2000 : 500);
    uint8_t pos[5];
    uint16_t size = 5;
    ASSERT_EQ(nifReadObject(vfd, "FV116_TB.FINAL_POSITION_VALUE", pos, &size), E_OK);
    uint32_t bits = (uint32_t(pos[1]) << 24) | (uint32_t(pos[2]) << 16) | (uint32_t(pos[3]) << 8) | pos[4];
    float value;
    std::memcpy(&value, &bits, 4);
    EXPECT_NEAR(value, 80.0f, 0.1f);
    nifClose(session);
    nifUseServer();
}

INSTANTIATE_TEST_SUITE_P(Gaps, IdleCatchUp, ::testing::Values(3600 * 1000, 499 * 1000, 120 * 1000));

}  // namespace
}  // namespace simulator::testing
