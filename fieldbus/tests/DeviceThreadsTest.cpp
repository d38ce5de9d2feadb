// The worker threads of a device over a scripted host: read failures, the process poll, and
// the stop protocol with its limit.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "fieldbus/DeviceThreads.h"
#include "platform/testing/ScriptedUi.h"
#include "support/DeviceTestBed.h"

namespace fieldbus::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Views whose bytes the test sets; a read can be made to fail or to wait at a gate.
class ScriptedHost : public DeviceThreadHost {
public:
    int ReadView(DeviceThread thread, uint8_t* image) override {
        gate.WaitForever();
        std::lock_guard<std::mutex> lock(mutex);
        ++reads;
        if (failReads) return 1;
        std::memcpy(image, views[static_cast<int>(thread)].data(), ThreadInfo(thread).recordSize);
        return 0;
    }
    int ReadProcessValue(ProcessChannel channel, uint8_t& status, float& value) override {
        gate.WaitForever();
        std::lock_guard<std::mutex> lock(mutex);
        if (failReads) return 1;
        status = 0x80;
        value = 10.0f * static_cast<float>(channel + 1);
        return 0;
    }
    void ReportText(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex);
        reports.push_back(text);
    }
    int GetSlot() const override { return 5; }

    void SetByte(DeviceThread thread, size_t offset, uint8_t value) {
        std::lock_guard<std::mutex> lock(mutex);
        views[static_cast<int>(thread)][offset] = value;
    }
    void SetFail(bool fail) {
        std::lock_guard<std::mutex> lock(mutex);
        failReads = fail;
    }
    std::vector<std::string> Reports() {
        std::lock_guard<std::mutex> lock(mutex);
        return reports;
    }
    int Reads() {
        std::lock_guard<std::mutex> lock(mutex);
        return reads;
    }

    platform::Event gate{true};

private:
    std::mutex mutex;
    std::array<std::array<uint8_t, kLargestThreadRecord>, kDeviceThreadCount> views{};
    std::vector<std::string> reports;
    bool failReads = false;
    int reads = 0;
};

class DeviceThreadsTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::MessageDispatcher::Instance().DeliverPending();
        handle = platform::MessageDispatcher::Instance().Register(&window);
        for (int i = 0; i < kDeviceThreadCount; ++i) threads.SetPeriod(static_cast<DeviceThread>(i), 10);
    }
    void TearDown() override {
        host.gate.Set();
        threads.EndAll();
        platform::MessageDispatcher::Instance().Unregister(handle);
    }

    // Delivers posted messages until `done` holds or two seconds passed.
    bool WaitFor(const std::function<bool()>& done) {
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (Clock::now() < deadline) {
            platform::MessageDispatcher::Instance().DeliverPending();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    // Lets `periods` periods of 10 ms pass while delivering.
    void Let(int periods) {
        const auto until = Clock::now() + std::chrono::milliseconds(10 * periods);
        while (Clock::now() < until) {
            platform::MessageDispatcher::Instance().DeliverPending();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        platform::MessageDispatcher::Instance().DeliverPending();
    }
    size_t Count(unsigned msg) const {
        size_t n = 0;
        for (const PostedMessage& m : window.messages) n += m.msg == msg;
        return n;
    }

    platform::testing::ScriptedUi ui;
    ScriptedHost host;
    DeviceThreads threads{host};
    RecordingWindow window;
    platform::WindowHandle handle = 0;
};

TEST_F(DeviceThreadsTest, AFailedFirstReadAbortsTheReaderAndLaterFailuresKeepTheLastValues) {
    host.SetFail(true);
    threads.Start(DeviceThread::TbView3, handle);
    ASSERT_TRUE(WaitFor([&] { return threads.IsEnded(DeviceThread::TbView3); }));
    EXPECT_EQ(host.Reports(), std::vector<std::string>{"TB View3 Aborted"});
    EXPECT_TRUE(window.messages.empty());

    host.SetFail(false);
    host.SetByte(DeviceThread::Di2View1, 3, 9);
    threads.Start(DeviceThread::Di2View1, handle);
    ASSERT_TRUE(WaitFor([&] { return Count(WM_DI2VIEW1_UPDATED) == 1; }));
    host.SetFail(true);
    host.SetByte(DeviceThread::Di2View1, 3, 10);
    ASSERT_TRUE(WaitFor([&] { return host.Reports().size() >= 3; }));
    threads.RequestRefresh(DeviceThread::Di2View1, true);
    ASSERT_TRUE(WaitFor([&] { return Count(WM_DI2VIEW1_UPDATED) == 2; }));
    threads.Stop(DeviceThread::Di2View1);
    const std::vector<std::string> reports = host.Reports();
    for (size_t i = 1; i < reports.size(); ++i) EXPECT_EQ(reports[i], "Error Reading DI2 View1");
    RawRecord22 record{};
    threads.GetRecord(DeviceThread::Di2View1, record.data(), record.size());
    EXPECT_EQ(record[3], 9);
}

TEST_F(DeviceThreadsTest, TheProcessPollPostsEveryPeriodAndKeepsValuesThatFailToRead) {
    ASSERT_EQ(threads.StartProcessPollIfIdle(handle), 1);
    EXPECT_EQ(threads.StartProcessPollIfIdle(handle), 0);
    ASSERT_TRUE(WaitFor([&] { return Count(WM_PROCESS_POLLED) >= 4; }));
    ProcessRecord record{};
    threads.GetRecord(DeviceThread::ProcessPoll, &record, sizeof record);
    const ProcessRecord zero{};
    EXPECT_EQ(std::memcmp(&record, &zero, sizeof record), 0);
    EXPECT_EQ(host.Reads(), 0);

    ProcessChannels channels{};
    channels[kChannelPidSp] = channels[kChannelServoOutputSignal] = true;
    threads.SetProcessChannels(channels);
    ASSERT_TRUE(WaitFor([&] {
        threads.GetRecord(DeviceThread::ProcessPoll, &record, sizeof record);
        return record.servoOutputSignal == 60.0f;
    }));
    EXPECT_EQ(float{record.pidSp}, 10.0f);
    EXPECT_EQ(record.pidSpStatus, 0x80);
    EXPECT_EQ(float{record.pidPv}, 0.0f);

    host.SetFail(true);
    ASSERT_TRUE(WaitFor([&] { return host.Reports().size() >= 2; }));
    threads.Stop(DeviceThread::ProcessPoll);
    EXPECT_EQ(host.Reports()[0], "Error Reading PID SP");
    EXPECT_EQ(host.Reports()[1], "Error Reading TB Servo Output Signal");
    threads.GetRecord(DeviceThread::ProcessPoll, &record, sizeof record);
    EXPECT_EQ(float{record.pidSp}, 10.0f);
    EXPECT_EQ(threads.StartProcessPollIfIdle(handle), 1);
}

TEST_F(DeviceThreadsTest, StopInterruptsTheWaitBetweenReads) {
    for (int i = 0; i < kDeviceThreadCount; ++i) {
        const auto thread = static_cast<DeviceThread>(i);
        threads.SetPeriod(thread, ThreadInfo(thread).periodMs);
        threads.Start(thread, handle);
    }
    ASSERT_TRUE(WaitFor([&] { return window.messages.size() == kDeviceThreadCount; }));
    const auto start = Clock::now();
    threads.StopAll();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(threads.AnyThreadAlive(), 0);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(DeviceThreadsTest, AWorkerStuckInAReadIsAbandonedAtTheLimitAndReportedUntilItEnds) {
    threads.SetStopLimit(100);
    threads.Start(DeviceThread::TbView3, handle);
    threads.Start(DeviceThread::SpltView1, handle);
    ASSERT_TRUE(WaitFor([&] { return window.messages.size() == 2; }));
    host.gate.Reset();
    Let(5);  // both readers are now waiting at the gate

    const auto start = Clock::now();
    threads.Stop(DeviceThread::TbView3);
    threads.Stop(DeviceThread::SpltView1);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(190));
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    EXPECT_FALSE(threads.IsEnded(DeviceThread::TbView3));

    // The SPLT reader counts without a box of its own.
    EXPECT_EQ(threads.AnyThreadAlive(), 1);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"TBView3Alive"});

    // A new start (for another window) while the old worker is still stuck: the old one,
    // once released with a changed view, ends on its own stop request without publishing into
    // the new window, and leaves the new worker's flags alone.
    RecordingWindow restarted;
    const platform::WindowHandle restartedHandle = platform::MessageDispatcher::Instance().Register(&restarted);
    threads.Start(DeviceThread::TbView3, restartedHandle);
    host.SetByte(DeviceThread::TbView3, 5, 42);
    host.gate.Set();
    ASSERT_TRUE(WaitFor([&] { return threads.IsEnded(DeviceThread::SpltView1); }));
    Let(5);
    EXPECT_EQ(restarted.messages.size(), 1u);  // the new worker's first read only
    EXPECT_FALSE(threads.IsEnded(DeviceThread::TbView3));
    threads.Stop(DeviceThread::TbView3);
    platform::MessageDispatcher::Instance().Unregister(restartedHandle);
    ui.Clear();
    EXPECT_EQ(threads.AnyThreadAlive(), 0);
    EXPECT_TRUE(ui.Messages().empty());

    // A process poll abandoned in a read does not keep the next one from starting.
    ProcessChannels channels{};
    channels[kChannelPidSp] = true;
    threads.SetProcessChannels(channels);
    ASSERT_EQ(threads.StartProcessPollIfIdle(handle), 1);
    ASSERT_TRUE(WaitFor([&] { return Count(WM_PROCESS_POLLED) >= 1; }));
    host.gate.Reset();
    Let(5);
    threads.Stop(DeviceThread::ProcessPoll);
    EXPECT_EQ(threads.StartProcessPollIfIdle(handle), 1);
    host.gate.Set();
}

}  // namespace
}  // namespace fieldbus::testing
