// One client's catch-up of a device after idle time, made long on purpose, while another
// client reads a different device over and over: the other client's calls do not wait for
// the catch-up (they are served between its steps, not after it).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "simulator/tests/DeviceFixture.h"
#include "simulator/tests/SlowCatchUp.h"

namespace simulator::testing {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// true: client 1 catches the device up through a live-list scan (every device of the link);
// false: through a read of the device itself.
class CatchUpConcurrency : public DeviceFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(CatchUpConcurrency, AnotherClientsCallsToAnotherDeviceDoNotWaitForTheCatchUp) {
    Segment& segment = backend_->GetSegment();
    // 100 catch-up steps of 4 ms: FV-101 takes 400 ms to catch up after any longer gap.
    auto slow = MakeSlowToCatchUp(segment, "FV-101", 4);
    ASSERT_TRUE(slow);
    segment.latency = true;
    const nifDesc_t x = OpenVfd("FV-101");
    // Client 2 has a session of its own.
    nifDesc_t session2 = 0, link2 = 0, dev2 = 0, y = 0;
    ASSERT_EQ(nifOpenSession(nullptr, &session2), E_OK);
    ASSERT_EQ(nifOpenLink(session2, 0, "Interface0-0", 0, &link2), E_OK);
    ASSERT_EQ(nifOpenPhysicalDevice(link2, NIF_BY_TAG, "KV-201", &dev2), E_OK);
    ASSERT_EQ(nifOpenVfd(dev2, makeIndex(0), &y), E_OK);
    Read(x, "FV101_TB.FINAL_VALUE");
    segment.clock.Advance(60 * 1000);
    Read(y, "KV201_TB.FINAL_VALUE");  // client 2 catches its own device up first

    std::atomic<bool> done{false};
    double client1Ms = 0;
    std::thread client1([&] {
        const auto start = Clock::now();
        if (GetParam())
            LiveList();
        else
            Read(x, "FV101_TB.FINAL_VALUE");
        client1Ms = MsSince(start);
        done = true;
    });
    const auto limit = Clock::now() + std::chrono::seconds(10);
    while (slow->slowSteps == 0 && Clock::now() < limit) std::this_thread::sleep_for(std::chrono::microseconds(200));
    double worstMs = 0;
    int calls = 0;
    while (!done && Clock::now() < limit) {
        const auto start = Clock::now();
        Read(y, "KV201_TB.FINAL_VALUE");
        worstMs = std::max(worstMs, MsSince(start));
        ++calls;
    }
    client1.join();
    std::printf("catch-up %.1f ms; client 2: %d calls meanwhile, the longest %.2f ms\n", client1Ms, calls, worstMs);
    EXPECT_GE(client1Ms, 300.0);  // the catch-up was long indeed
    EXPECT_GE(calls, 5);          // and client 2 was served while it ran
    // On the manual clock the modelled bus time of client 2's reads costs no wall time.
    EXPECT_LT(worstMs, 50.0);
    nifClose(session2);
}

INSTANTIATE_TEST_SUITE_P(ByReadAndByLiveList, CatchUpConcurrency, ::testing::Bool());

// Restarts the device starts itself (a RESTART write, served without the segment lock), the
// live-list scans that ask every device whether it answers, and restarts and silences injected
// through control commands, all at once from three clients: every call answers as the device
// stands, and afterwards the device is back on the live list and answers.
class SeveralClients : public DeviceFixture {};

TEST_F(SeveralClients, RestartsScansAndInjectedFaultsAtOnce) {
    const nifDesc_t x = OpenVfd("FV-101");
    std::atomic<bool> stop{false};
    std::atomic<int> unexpected{0};
    auto expected = [&](int st) {
        if (st != E_OK && st != E_TIMEOUT) ++unexpected;
    };
    std::thread writer([&] {
        for (int i = 0; i < 100 && !stop; ++i) expected(WriteU8(x, "FV101_RES.RESTART", 4));
    });
    std::thread faults([&] {
        for (int i = 0; i < 100 && !stop; ++i) {
            if (Control(i % 2 ? R"({"command":"restart","device":"FV-101"})"
                              : R"({"command":"silence","device":"FV-101","afterMs":0,"forMs":300})") != E_OK)
                ++unexpected;
        }
    });
    for (int i = 0; i < 100; ++i) {
        std::vector<nifLiveListEntry> list(32);
        uint16_t n = 32;
        expected(nifGetDeviceList(link_, list.data(), &n, nullptr));
    }
    stop = true;
    writer.join();
    faults.join();
    EXPECT_EQ(unexpected, 0);
    Advance(5000);
    const auto live = LiveList();
    EXPECT_TRUE(std::any_of(live.begin(), live.end(), [](const nifLiveListEntry& e) { return e.pdTag == std::string("FV-101"); }));
    int st = 0;
    Read(x, "FV101_RES.RESTART", &st);
    EXPECT_EQ(st, E_OK);
}

}  // namespace
}  // namespace simulator::testing
