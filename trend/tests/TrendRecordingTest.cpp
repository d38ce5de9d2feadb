// Recording: the rules of scaling, age text, value range and time axis, and a recording on
// a positioner of the simulated segment hosted in-process.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "fieldbus/BlockKind.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/LinkContext.h"
#include "fieldbus/MessageLog.h"
#include "fieldbus/OperationState.h"
#include "logon/CurrentUser.h"
#include "nifb/Backend.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "simulator/InProcessSegment.h"
#include "trend/TrendRecorder.h"

namespace trend {
namespace {

TEST(TrendRules, ScalingAgeTextAndValueRange) {
    EXPECT_EQ(PercentOfRange(10.0f, 10.0f).factor, 1.0f);
    EXPECT_EQ(PercentOfRange(5.0f, 10.0f).offset, 0.0f);
    EXPECT_FLOAT_EQ(PercentOfRange(150.0f, 50.0f).Apply(100.0f), 50.0f);
    EXPECT_EQ(PercentOfFullScale(0.0f).factor, 1.0f);
    EXPECT_FLOAT_EQ(PercentOfFullScale(40.0f).Apply(10.0f), 25.0f);

    EXPECT_EQ(AgeText(3725), "( Age:  1 hour, 2 minutes and 5 seconds ) ->|");
    EXPECT_EQ(AgeText(7261), "( Age:  2 hours, 1 minute and 1 second ) ->|");
    EXPECT_EQ(ShortAgeText(3725), "(Age: 1h, 2m, 5s)->|");

    EXPECT_EQ(MakeValueRange(100.0f, 100.0f).min, 99.99f);
    EXPECT_EQ(MakeValueRange(100.0f, 100.0f).max, 100.0f);
    EXPECT_FLOAT_EQ(MakeValueRange(50.0f, 50.0f).max, 50.01f);
    EXPECT_EQ(MakeValueRange(50.0f, 50.0f).min, 50.0f);
}

TEST(TrendRules, TimeAxisScopeAndTrimming) {
    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
    TrendRecorder recorder({}, dir.File("Tessaro.ini"));  // channels 1 and 2 by default
    EXPECT_EQ(recorder.Title(), "Trend (No Device Attached)");
    EXPECT_FALSE(recorder.StartStopEnabled());
    EXPECT_EQ(recorder.Start(), 1);

    // A history shorter than the span is raised to the span; the view goes to the end.
    ScopeSettings scope = recorder.Scope();
    scope.hours = 0;
    scope.minutes = 1;
    EXPECT_TRUE(recorder.ApplyScope(scope));
    EXPECT_EQ(recorder.HistorySeconds(), 180);
    EXPECT_EQ(recorder.ScrollLimit(), 0);
    scope.minutes = 10;
    scope.spanSeconds = 90;
    scope.valueMax = 20.0f;  // swapped with the minimum
    scope.valueMin = 80.0f;
    EXPECT_TRUE(recorder.ApplyScope(scope));
    EXPECT_EQ(recorder.ScrollLimit(), 600 - 90);
    EXPECT_EQ(recorder.Range().max, 80.0f);
    EXPECT_EQ(recorder.Range().min, 20.0f);
    EXPECT_FALSE(recorder.ApplyBand(40.0f, 40.00005f));
    EXPECT_TRUE(recorder.ApplyBand(30.0f, 60.0f));
    EXPECT_EQ(recorder.Range().max, 60.0f);

    // One sample set a second for 700 s: only the history (600 s) is kept.
    fieldbus::ProcessRecord record{};
    for (int t = 0; t <= 700; ++t) {
        record.finalPositionValue = static_cast<float>(t % 100);
        ASSERT_TRUE(recorder.AddSamples(record, 1000.0f + static_cast<float>(t)));
    }
    EXPECT_EQ(recorder.Channel(kActualPosition).size(), 601u);
    EXPECT_EQ(recorder.Channel(kActualPosition).front().x, 1100.0f);
    EXPECT_TRUE(recorder.Channel(kProcessPv).empty());

    // At the end the chart shows the last 90 s (and one sample beyond the left edge);
    // scrolled fully back its right edge is 510 s old.
    std::vector<TrendSample> visible;
    recorder.VisibleSamples(kActualPosition, visible);
    ASSERT_EQ(visible.size(), 92u);
    EXPECT_EQ(visible.back().x, 0.0f);
    EXPECT_EQ(visible.front().x, -91.0f);
    recorder.SetScrollPosition(-5);
    EXPECT_EQ(recorder.ScrollPosition(), 0);
    EXPECT_EQ(recorder.AgeSeconds(), 510);
    recorder.VisibleSamples(kActualPosition, visible);
    EXPECT_EQ(visible.back().x, 1.0f);  // the neighbour beyond the right edge
    EXPECT_FLOAT_EQ(visible.back().y, static_cast<float>((700 - 510 + 1) % 100));

    // A recording clock that went backwards (as after loading a file) moves the old samples
    // far into the past, and the next trim drops them.
    ASSERT_TRUE(recorder.AddSamples(record, 5.0f));
    EXPECT_EQ(recorder.Channel(kActualPosition).size(), 1u);
    EXPECT_EQ(recorder.Channel(kActualPosition).front().x, 5.0f);

    // Clearing asks first when there is data.
    ui.Answer(platform::IDNO, "Are you sure about clearing all the trend data in memory ?");
    EXPECT_EQ(recorder.ClearAllData(), 2);
    EXPECT_TRUE(recorder.HasSamples());
    ui.Answer(platform::IDYES, "clearing all the trend data");
    EXPECT_EQ(recorder.ClearAllData(), 0);
    EXPECT_FALSE(recorder.HasSamples());
    EXPECT_EQ(recorder.StatusText(), "");
}

class Window : public platform::MessageTarget {
public:
    void OnMessage(unsigned msg, uintptr_t wParam, intptr_t) override { messages.emplace_back(msg, wParam); }
    std::vector<std::pair<unsigned, uintptr_t>> messages;
};

TEST(TrendOnSegment, RecordsAPositionerAndChangesItsOutputInManual) {
    simulator::LoadOptions options;
    options.manualClock = true;
    options.latency = 1;  // every transaction moves the segment's clock
    std::string error;
    auto segment = simulator::LoadSegmentFile(NIFB_DEFAULT_SEGMENT_FILE, options, error);
    ASSERT_TRUE(segment) << error;
    auto backend = simulator::UseInProcessSegment(segment);
    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;  // waits of the device's procedures pass at once
    logon::CurrentUser::SetLevel(1);
    nifDesc_t session = 0;
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    nifInterfaceInfo interfaces[4] = {};
    uint16_t count = 4;
    ASSERT_EQ(nifGetInterfaceList(session, &count, interfaces), E_OK);
    fieldbus::DirectLink link;
    ASSERT_EQ(nifOpenLink(session, 0, interfaces[0].interfaceName, 0, &link.link), E_OK);
    fieldbus::FieldbusDevice device;
    device.SetLink(&link);
    nifLiveListEntry entries[32] = {};
    count = 32;
    ASSERT_EQ(nifGetDeviceList(link.link, entries, &count, nullptr), E_OK);
    for (uint16_t i = 0; i < count; ++i)
        if (std::string("FV-101") == entries[i].pdTag) device.BindSlot(4, entries[i].deviceId, entries[i].pdTag);
    ASSERT_EQ(device.OpenDevice(), 0);
    ASSERT_EQ(device.ReadBackBlockTags(), 0);

    Window parent, poll;
    auto& dispatcher = platform::MessageDispatcher::Instance();
    const platform::WindowHandle parentHandle = dispatcher.Register(&parent);
    const platform::WindowHandle pollHandle = dispatcher.Register(&poll);
    {
        TrendRecorder recorder({4, &device, "FV-101", [](int slot) { return slot == 4; }}, dir.File("Tessaro.ini"));
        EXPECT_EQ(recorder.Title(), "Trend (FV-101)");
        recorder.SetNotifyWindow(pollHandle);
        recorder.SetSampleInterval(100);
        ASSERT_EQ(recorder.Start(), 0);
        EXPECT_STREQ(recorder.StartStopText(), "&Stop");
        EXPECT_TRUE(recorder.IsUnsaved());

        int samples = 0;
        for (int tries = 0; tries < 200 && samples < 3; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            dispatcher.DeliverPending();
            for (auto [msg, slot] : poll.messages)
                if (msg == fieldbus::WM_PROCESS_POLLED && recorder.OnProcessPolled(static_cast<int>(slot))) ++samples;
            poll.messages.clear();
        }
        ASSERT_EQ(samples, 3);
        const TrendSampleArray& position = recorder.Channel(kActualPosition);
        ASSERT_EQ(position.size(), 3u);
        EXPECT_EQ(position[0].flag, 1u);  // a new stretch starts
        EXPECT_EQ(position[1].flag, 0u);
        EXPECT_GT(position[0].y, 0.0f);
        EXPECT_EQ(recorder.Channel(kTargetPosition).size(), 3u);
        EXPECT_TRUE(recorder.Channel(kOutPressure).empty());
        EXPECT_EQ(recorder.StatusText().rfind("Last Update @ ", 0), 0u);

        // A second start while the poll runs is refused by the device.
        TrendRecorder second({4, &device, "FV-101", nullptr}, dir.File("Tessaro.ini"));
        EXPECT_EQ(second.Start(), 1);
        EXPECT_EQ(ui.Last().text, "The Trend thread is already running");

        // The query goes to the parent window.
        EXPECT_EQ(recorder.QueryDevice(parentHandle), 0);
        dispatcher.DeliverPending();
        ASSERT_FALSE(parent.messages.empty());
        EXPECT_EQ(parent.messages.back(), std::make_pair(WM_QUERY_DEVICE, uintptr_t{4}));

        // In NORMAL STATE the output cannot be changed; in MANUAL STATE it can, within the
        // transducer scale and 10 % beyond.
        EXPECT_FALSE(recorder.BeginPositionSetPoint().allowed);
        ui.Answer(platform::IDYES, "MANUAL operation state");
        ASSERT_EQ(device.SetOperationState(fieldbus::kManualState, fieldbus::kWarnStateChange, true, false), 0);
        PositionSetPointEntry entry = recorder.BeginPositionSetPoint();
        ASSERT_TRUE(entry.allowed) << entry.reason;
        EXPECT_EQ(recorder.ApplyPositionSetPoint(entry, 111.0f), 1);
        EXPECT_EQ(ui.Last().text, "Please enter number between -10.0 and 110.0");
        EXPECT_EQ(recorder.ApplyPositionSetPoint(entry, 37.5f), 0);
        fieldbus::StatusValue out;
        ASSERT_EQ(device.ReadAoOut(out), 0);
        EXPECT_FLOAT_EQ(out.value, 37.5f);

        // Closing with unsaved samples asks; No keeps the window, Yes discards and stops.
        ui.Answer(platform::IDNO, "Do you want to save trend data ?");
        EXPECT_EQ(recorder.QueryClose(), 2);
        EXPECT_TRUE(recorder.IsRunning());
        ui.Answer(platform::IDYES, "(To save the data, select No, make sure stopping the trend");
        EXPECT_EQ(recorder.QueryClose(), 0);
        EXPECT_FALSE(recorder.IsRunning());
        EXPECT_TRUE(device.IsProcessPollEnded());

        // A device closed under a running recording: the window notices and stops.
        ASSERT_EQ(recorder.Start(), 0);
        EXPECT_FALSE(recorder.NoticePollEnd());
        device.CloseDevice();
        EXPECT_TRUE(recorder.NoticePollEnd());
        EXPECT_FALSE(recorder.IsRunning());
    }
    dispatcher.Unregister(parentHandle);
    dispatcher.Unregister(pollHandle);
    device.CloseDevice();
    nifClose(session);
    nifb::UseInProcessBackend(nullptr);
    fieldbus::MessageLog::Instance().Clear();
    fieldbus::ResetBlockIds();
    logon::CurrentUser::Reset();
}

}  // namespace
}  // namespace trend
