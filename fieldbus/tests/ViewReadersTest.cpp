// The view readers and the process poll of a device on the simulated segment hosted
// in-process: the records against the typed reads, the transducer view by member name in any
// order, a view lacking a member, the report lines, and stopping a slow device in time.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <regex>
#include <thread>

#include "fieldbus/BlockKind.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/MessageLog.h"
#include "nifb/Backend.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "simulator/InProcessSegment.h"
#include "support/DeviceTestBed.h"

namespace fieldbus::testing {
namespace {

using Clock = std::chrono::steady_clock;

const char* const kReaderSegment = R"({"name":"reader test","settleMs":0,"responseTimeoutMs":4000,
  "interfaces":[{"name":"Interface0-0","description":"H1 LINK 0","devices":[
    {"kind":"positioner","family":"RPX","deviceType":1,"deviceRevision":2,"serial":"J0000010",
     "tag":"FV-101","address":20,"blockTagPrefix":"FV101","pid":true},
    {"kind":"positioner","family":"KPX","deviceType":7,"deviceRevision":2,"serial":"J0000006",
     "tag":"KV-201","address":21,"blockTagPrefix":"KV201","pid":true}]}]})";

constexpr int kSlot = 4;

// The link as the workers see it: read from their threads while the test changes it.
class SharedLink : public LinkContext {
public:
    nifDesc_t LinkDescriptor() const override { return link; }
    bool IsLinkHealthy() const override { return healthy; }
    platform::WindowHandle NotifyWindow() const override { return window; }
    nifDesc_t link = 0;
    std::atomic<bool> healthy{true};
    platform::WindowHandle window = 0;
};

class ViewReadersTest : public ::testing::Test {
protected:
    void Load(bool realTime) {
        simulator::LoadOptions options;
        options.manualClock = !realTime;
        options.latency = 0;
        options.settleMs = 0;
        std::string error;
        backend = simulator::UseInProcessSegment(kReaderSegment, options, error);
        ASSERT_TRUE(backend) << error;
        ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
        nifInterfaceInfo interfaces[4] = {};
        uint16_t count = 4;
        ASSERT_EQ(nifGetInterfaceList(session, &count, interfaces), E_OK);
        ASSERT_EQ(nifOpenLink(session, 0, interfaces[0].interfaceName, 0, &link.link), E_OK);
        platform::MessageDispatcher::Instance().DeliverPending();
        link.window = platform::MessageDispatcher::Instance().Register(&window);
        device.SetLink(&link);
        for (int i = 0; i < kDeviceThreadCount; ++i) device.SetThreadPeriod(static_cast<DeviceThread>(i), 20);
        MessageLog::Instance().Clear();
    }

    void TearDown() override {
        device.CloseDevice();
        EXPECT_EQ(device.AnyThreadAlive(), 0);
        nifClose(session);
        nifb::UseInProcessBackend(nullptr);
        platform::MessageDispatcher::Instance().Unregister(link.window);
        MessageLog::Instance().Clear();
        ResetBlockIds();
    }

    void Open(const std::string& tag) {
        nifLiveListEntry entries[32] = {};
        uint16_t count = 32;
        ASSERT_EQ(nifGetDeviceList(link.link, entries, &count, nullptr), E_OK);
        for (uint16_t i = 0; i < count; ++i)
            if (tag == entries[i].pdTag) device.BindSlot(kSlot, entries[i].deviceId, entries[i].pdTag);
        ASSERT_EQ(device.Tag(), tag);
        ASSERT_EQ(device.OpenDevice(), 0);
        ui.Clear();
    }

    // Changes the order of the members of a device's transducer VIEW_3.
    void EditTbView3(const std::string& tag, const std::function<void(std::vector<std::string>&)>& edit) {
        backend->GetSegment().WithDevice(tag, [&](simulator::Device* d) {
            ASSERT_NE(d, nullptr);
            simulator::Block* tb = d->BlockByKind("TB");
            ASSERT_NE(tb, nullptr);
            edit(tb->Obj("VIEW_3")->viewMemberNames);
            std::string error;
            ASSERT_TRUE(tb->Layout(error)) << error;
        });
    }

    bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < deadline) {
            platform::MessageDispatcher::Instance().DeliverPending();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    void Let(int ms) { WaitFor([] { return false; }, ms); }
    size_t Count(unsigned msg) const {
        size_t n = 0;
        for (const PostedMessage& m : window.messages) n += m.msg == msg;
        return n;
    }

    // The record the TB reader publishes first.
    TbView3Record ReadTbRecord() {
        window.messages.clear();
        EXPECT_EQ(device.StartTbView3(link.window), 0);
        EXPECT_TRUE(WaitFor([&] { return Count(WM_TBVIEW3_UPDATED) == 1; }));
        device.StopTbView3();
        TbView3Record record{};
        device.GetTbView3(record);
        return record;
    }

    // The transducer view as the device sends it.
    std::vector<uint8_t> TbViewImage() {
        std::vector<uint8_t> image(256);
        uint16_t size = 0;
        EXPECT_EQ(device.ReadParameter(device.BlockOf(BlockKind::TB), "VIEW_3", image.data(), size), 0);
        image.resize(size);
        return image;
    }

    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;  // the open's pauses pass at once
    std::shared_ptr<simulator::SegmentBackend> backend;
    nifDesc_t session = 0;
    SharedLink link;
    RecordingWindow window;
    FieldbusDevice device;
};

TEST_F(ViewReadersTest, TheTransducerRecordHoldsTheMembersOfTheDevicesView) {
    Load(false);
    Open("FV-101");
    const TbView3Record record = ReadTbRecord();
    StatusValue finalValue, finalPosition;
    float electTemp = 0, outPressure = 0, servo = 0;
    uint8_t xdError = 0, actual = 0;
    ASSERT_EQ(device.ReadTbFinalValue(finalValue), 0);
    ASSERT_EQ(device.ReadTbFinalPositionValue(finalPosition), 0);
    ASSERT_EQ(device.ReadTbElectTemp(electTemp), 0);
    ASSERT_EQ(device.ReadTbOutPressure(outPressure), 0);
    ASSERT_EQ(device.ReadTbServoOutputSignal(servo), 0);
    ASSERT_EQ(device.ReadTbXdError(xdError), 0);
    uint16_t size = 1;
    ASSERT_EQ(device.ReadParameter(device.BlockOf(BlockKind::TB), "MODE_BLK.ACTUAL", &actual, size), 0);
    EXPECT_EQ(float{record.finalValue}, finalValue.value);
    EXPECT_EQ(record.finalValueStatus, finalValue.status);
    EXPECT_EQ(float{record.finalPositionValue}, finalPosition.value);
    EXPECT_EQ(record.finalPositionStatus, finalPosition.status);
    EXPECT_EQ(float{record.electTemp}, electTemp);
    EXPECT_EQ(float{record.outPressure}, outPressure);
    EXPECT_EQ(float{record.servoOutputSignal}, servo);
    EXPECT_EQ(record.xdError, xdError);
    EXPECT_EQ(record.modeBlk[1], actual);
    EXPECT_EQ(uint16_t{record.transducerType}, 106);  // what the segment's positioners report
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(MessageLog::Instance().Size(), 0u);
}

TEST_F(ViewReadersTest, AnUnchangedTransducerViewIsPostedOnceThenOnRefreshAndOnChange) {
    Load(false);
    Open("FV-101");
    ASSERT_EQ(device.StartTbView3(link.window), 0);
    ASSERT_TRUE(WaitFor([&] { return Count(WM_TBVIEW3_UPDATED) == 1; }));
    Let(200);  // ten periods
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].wParam, static_cast<uintptr_t>(kSlot));
    EXPECT_EQ(window.messages[0].lParam, 0);

    device.RequestRefreshTbView3(true);
    ASSERT_TRUE(WaitFor([&] { return Count(WM_TBVIEW3_UPDATED) == 2; }));
    EXPECT_FALSE(device.RefreshRequested(DeviceThread::TbView3));
    Let(100);
    EXPECT_EQ(window.messages.size(), 2u);

    const uint8_t oos = 0x01;
    ASSERT_EQ(device.WriteParameter(device.BlockOf(BlockKind::TB), "MODE_BLK.TARGET", &oos, 1), 0);
    ASSERT_TRUE(WaitFor([&] {
        TbView3Record record{};
        device.GetTbView3(record);
        return record.modeBlk[1] == oos;
    }));
    EXPECT_GE(Count(WM_TBVIEW3_UPDATED), 3u);
    device.StopTbView3();
    EXPECT_TRUE(device.IsTbView3Ended());
}

TEST_F(ViewReadersTest, AViewWithItsMembersInAnotherOrderGivesTheSameRecord) {
    Load(false);
    Open("FV-101");
    const TbView3Record usual = ReadTbRecord();
    const std::vector<uint8_t> usualImage = TbViewImage();
    device.CloseDevice();
    EditTbView3("FV-101", [](std::vector<std::string>& members) { std::reverse(members.begin(), members.end()); });
    Open("FV-101");
    ASSERT_NE(TbViewImage(), usualImage);
    const TbView3Record reversed = ReadTbRecord();
    EXPECT_EQ(std::memcmp(&usual, &reversed, sizeof usual), 0);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ViewReadersTest, AViewLackingAMemberAbortsTheReaderWithTheLocateMessage) {
    Load(false);
    EditTbView3("FV-101", [](std::vector<std::string>& members) {
        members.erase(std::find(members.begin(), members.end(), "ELECT_TEMP"));
    });
    Open("FV-101");
    device.StartTbView3(link.window);
    // The abort shows its notice before it posts its log line; wait for both.
    ASSERT_TRUE(WaitFor([&] {
        return device.IsTbView3Ended() && !ui.Messages().empty() && Count(WM_DEVICE_MESSAGE) >= 1;
    }));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Failed to locate parameter name in TB_VIEW3."});
    const std::vector<std::string> lines = MessageLog::Instance().Peek();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("Device FV-101 TB View3 Aborted  @ \\d\\d:\\d\\d:\\d\\d\r\n")))
        << lines[0];
    EXPECT_EQ(Count(WM_TBVIEW3_UPDATED), 0u);
    EXPECT_EQ(Count(WM_DEVICE_MESSAGE), 1u);
}

TEST_F(ViewReadersTest, EveryReaderOfALinkMasterDevicePostsItsViewOnce) {
    Load(false);
    Open("KV-201");
    device.StartTbView3(link.window);
    device.StartAoView1(link.window);
    device.StartRbView1(link.window);
    device.StartPidView3(link.window);
    device.StartDi1View1(link.window);
    device.StartDi2View1(link.window);
    device.StartSpltView1(link.window);
    const unsigned messages[] = {WM_TBVIEW3_UPDATED,  WM_AOVIEW1_UPDATED,  WM_RBVIEW1_UPDATED,  WM_PIDVIEW3_UPDATED,
                                 WM_DI1VIEW1_UPDATED, WM_DI2VIEW1_UPDATED, WM_SPLTVIEW1_UPDATED};
    ASSERT_TRUE(WaitFor([&] { return window.messages.size() >= 7; }));
    Let(100);
    for (unsigned msg : messages) EXPECT_EQ(Count(msg), 1u) << std::hex << msg;
    device.StopTbView3();
    device.StopAoView1();
    device.StopRbView1();
    device.StopPidView3();
    device.StopDi1View1();
    device.StopDi2View1();
    device.StopSpltView1();
    EXPECT_EQ(device.AnyThreadAlive(), 0);

    // The AO and PID views carry their values in host order.
    RawRecord33 ao{};
    RawRecord83 pid{};
    device.GetAoView1(ao);
    device.GetPidView3(pid);
    StatusValue aoPv, aoSp, pidPv, pidSp;
    ASSERT_EQ(device.ReadAoPv(aoPv), 0);
    ASSERT_EQ(device.ReadAoSp(aoSp), 0);
    ASSERT_EQ(device.ReadPidPv(pidPv), 0);
    ASSERT_EQ(device.ReadPidSp(pidSp), 0);
    EXPECT_EQ(ViewFloat(ao.data(), 9), aoPv.value);
    EXPECT_EQ(ViewFloat(ao.data(), 14), aoSp.value);
    EXPECT_EQ(ViewFloat(pid.data(), 9), pidPv.value);
    EXPECT_EQ(ViewFloat(pid.data(), 14), pidSp.value);
    TbView3Record tb{};
    device.GetTbView3(tb);
    EXPECT_EQ(tb.modeBlk[1], 0x10);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ViewReadersTest, AFailedAoReadIsReportedWithTheDeviceLine) {
    Load(false);
    Open("FV-101");
    device.StartAoView1(link.window);
    ASSERT_TRUE(WaitFor([&] { return Count(WM_AOVIEW1_UPDATED) == 1; }));
    window.messages.clear();
    link.healthy = false;  // reads now fail without a library status of their own
    ASSERT_TRUE(WaitFor([&] { return MessageLog::Instance().Size() >= 1; }));
    device.StopAoView1();
    link.healthy = true;
    Let(20);
    const std::vector<std::string> lines = MessageLog::Instance().Peek();
    ASSERT_GE(lines.size(), 1u);
    for (const std::string& line : lines)
        EXPECT_TRUE(std::regex_match(line, std::regex("Device FV-101 Error Reading AO View1  @ \\d\\d:\\d\\d:\\d\\d\r\n")))
            << line;
    EXPECT_EQ(Count(WM_DEVICE_MESSAGE), lines.size());
    for (const PostedMessage& m : window.messages) {
        EXPECT_EQ(m.msg, WM_DEVICE_MESSAGE);
        EXPECT_EQ(m.wParam, static_cast<uintptr_t>(kSlot));
    }
}

TEST_F(ViewReadersTest, ReportLinesNameTheDeviceAndTheStatus) {
    Load(false);
    Open("FV-101");
    device.ReportText("TB View3 Aborted");
    device.ReportLibraryError(E_COMM_ERROR);
    device.ReportLibraryError(E_TIMEOUT);
    Let(5);
    const std::vector<std::string> lines = MessageLog::Instance().Peek();
    ASSERT_EQ(lines.size(), 3u);
    const std::string time = " @ \\d\\d:\\d\\d:\\d\\d\r\n";
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("Device FV-101 TB View3 Aborted " + time))) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex("Device FV-101 Comm Error \\(-11\\): E_COMM_ERROR" + time)))
        << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], std::regex("Device FV-101 Error \\(-4\\): E_TIMEOUT" + time))) << lines[2];
    ASSERT_EQ(window.messages.size(), 3u);
    for (const PostedMessage& m : window.messages) {
        EXPECT_EQ(m.msg, WM_DEVICE_MESSAGE);
        EXPECT_EQ(m.wParam, static_cast<uintptr_t>(kSlot));
    }
}

TEST_F(ViewReadersTest, TheProcessPollPostsEveryPeriodWithAllChannelsOff) {
    Load(false);
    Open("FV-101");
    device.SetProcessChannels(ProcessChannels{});
    device.SetProcessPollPeriod(20);
    ASSERT_EQ(device.StartProcessPollIfIdle(link.window), 1);
    ASSERT_TRUE(WaitFor([&] { return Count(WM_PROCESS_POLLED) >= 5; }));
    ProcessRecord record{};
    device.GetProcessPoll(record);
    const ProcessRecord zero{};
    EXPECT_EQ(std::memcmp(&record, &zero, sizeof record), 0);

    ProcessChannels all;
    all.fill(true);
    device.SetProcessChannels(all);
    window.messages.clear();
    ASSERT_TRUE(WaitFor([&] { return Count(WM_PROCESS_POLLED) >= 2; }));
    device.StopProcessPoll();
    EXPECT_TRUE(device.IsProcessPollEnded());
    device.GetProcessPoll(record);
    StatusValue pidSp, finalValue;
    float outPressure = 0;
    ASSERT_EQ(device.ReadPidSp(pidSp), 0);
    ASSERT_EQ(device.ReadTbFinalValue(finalValue), 0);
    ASSERT_EQ(device.ReadTbOutPressure(outPressure), 0);
    EXPECT_EQ(float{record.pidSp}, pidSp.value);
    EXPECT_EQ(float{record.finalValue}, finalValue.value);
    EXPECT_EQ(float{record.outPressure}, outPressure);
    EXPECT_EQ(MessageLog::Instance().Size(), 0u);
}

// Latency on: every transaction takes bus time, and eight workers share the bus.
TEST_F(ViewReadersTest, AllThreadsStartAndStopInTimeOnASlowDevice) {
    Load(true);
    Open("KV-201");
    simulator::JsonValue command;
    std::string error, answer;
    ASSERT_TRUE(simulator::ParseJson(R"({"command":"latency","on":true})", command, error));
    ASSERT_EQ(backend->GetSegment().Control(command, answer), 0) << answer;
    for (int i = 0; i < kDeviceThreadCount; ++i) {
        const auto thread = static_cast<DeviceThread>(i);
        device.SetThreadPeriod(thread, ThreadInfo(thread).periodMs);
    }
    ProcessChannels all;
    all.fill(true);
    device.SetProcessChannels(all);
    const auto start = Clock::now();
    device.StartTbView3(link.window);
    device.StartAoView1(link.window);
    device.StartRbView1(link.window);
    device.StartPidView3(link.window);
    device.StartDi1View1(link.window);
    device.StartDi2View1(link.window);
    device.StartSpltView1(link.window);
    device.StartProcessPoll(link.window);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
    ASSERT_TRUE(WaitFor([&] { return window.messages.size() >= 8; }));

    const auto stop = Clock::now();
    device.StopTbView3();
    device.StopAoView1();
    device.StopRbView1();
    device.StopPidView3();
    device.StopDi1View1();
    device.StopDi2View1();
    device.StopSpltView1();
    device.StopProcessPoll();
    EXPECT_LT(Clock::now() - stop, std::chrono::milliseconds(3000));
    EXPECT_EQ(device.AnyThreadAlive(), 0);
    EXPECT_TRUE(ui.Messages().empty());
}

}  // namespace
}  // namespace fieldbus::testing
