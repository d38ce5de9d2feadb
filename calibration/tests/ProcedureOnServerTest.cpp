// The procedure protocol against the `nifb` server process on its manual clock: the program's
// waits move the server's time, so a stop finding of seconds runs at once.
#include <gtest/gtest.h>

#include "calibration/RunProcedure.h"
#include "calibration/testing/SegmentDeviceBed.h"
#include "fieldbus/BlockKind.h"
#include "fieldbus/MessageLog.h"
#include "fieldbus/TypedValues.h"
#include "nifb/Backend.h"
#include "platform/testing/TempDir.h"
#include "simulator/InProcessSegment.h"
#include "simulator/tests/ServerProcess.h"

namespace calibration::testing {
namespace {

class ProgressWindow : public platform::MessageTarget {
public:
    ProgressWindow() { handle = platform::MessageDispatcher::Instance().Register(this); }
    ~ProgressWindow() override { platform::MessageDispatcher::Instance().Unregister(handle); }
    void OnMessage(unsigned msg, uintptr_t wParam, intptr_t) override {
        if (msg != WM_PROCEDURE_PROGRESS) return;
        progress.push_back(static_cast<int>(wParam));
        if (cancelAt > 0 && static_cast<int>(wParam) >= cancelAt) cancel = true;
    }
    platform::WindowHandle handle = 0;
    std::vector<int> progress;
    int cancelAt = 0;
    bool cancel = false;
};

TEST(ProcedureOnServerTest, StopFindingEndsWithItsResultAndACancelShowsTheDevicesLabel) {
    platform::testing::TempDir dir;
    simulator::testing::ServerProcess server(NIFB_SERVER_BINARY, dir.File("nifb.sock"), NIFB_DEFAULT_SEGMENT_FILE,
                                             dir.File("server.log"), {"--manual-clock", "--latency", "on"});
    ASSERT_TRUE(server.Answering());
    nifUseServer();
    platform::testing::ScriptedUi ui;
    ui.DeliverPostedMessages(true);
    platform::testing::FakeClock clock;
    nifDesc_t session = 0;
    ASSERT_EQ(E_OK, nifOpenSession(nullptr, &session));
    clock.OnSleep([&, last = clock.NowMs()](uint64_t now) mutable {
        std::string answer;
        nifb::SendControl(session, R"({"command":"advance","ms":)" + std::to_string(now - last) + "}", answer);
        last = now;
    });
    nifInterfaceInfo interfaces[4] = {};
    uint16_t count = 4;
    fieldbus::DirectLink link;
    ASSERT_EQ(E_OK, nifGetInterfaceList(session, &count, interfaces));
    ASSERT_EQ(E_OK, nifOpenLink(session, 0, interfaces[0].interfaceName, 0, &link.link));
    fieldbus::FieldbusDevice device;
    device.SetLink(&link);
    nifLiveListEntry entries[32] = {};
    count = 32;
    ASSERT_EQ(E_OK, nifGetDeviceList(link.link, entries, &count, nullptr));
    for (uint16_t i = 0; i < count; ++i)
        if (std::string("FV-101") == entries[i].pdTag) device.BindSlot(1, entries[i].deviceId, entries[i].pdTag);
    ASSERT_EQ(0, device.OpenDevice());
    ASSERT_EQ(0, device.ReadBackBlockTags());

    ProgressWindow window;
    std::string text;
    uint8_t code = 0;
    ASSERT_EQ(0, RunProcedure(device, kFindStops, window.cancel, text, window.handle, nullptr, &code));
    EXPECT_EQ("Success", text);
    EXPECT_EQ(1, code);
    EXPECT_FALSE(window.progress.empty());
    EXPECT_TRUE(std::is_sorted(window.progress.begin(), window.progress.end()));
    uint8_t mode = 0;
    EXPECT_EQ(0, device.ReadActualMode(device.BlockOf(fieldbus::BlockKind::TB), mode));
    EXPECT_EQ(0x01, mode);  // put out of service without a question
    EXPECT_TRUE(ui.Messages().empty());

    window.progress.clear();
    window.cancelAt = 15;
    ASSERT_EQ(0, RunProcedure(device, kAutoTune, window.cancel, text, window.handle, nullptr, &code));
    EXPECT_EQ("Cancelled", text);
    EXPECT_EQ(2, code);
    uint8_t exec = 0;
    EXPECT_EQ(0, device.ReadTbAutoTuneExec(exec));
    EXPECT_EQ(1, exec);

    device.CloseDevice();
    clock.OnSleep(nullptr);
    nifClose(session);
    fieldbus::MessageLog::Instance().Clear();
    fieldbus::ResetBlockIds();
}

}  // namespace
}  // namespace calibration::testing
