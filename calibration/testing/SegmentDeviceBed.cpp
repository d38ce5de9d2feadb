#include "calibration/testing/SegmentDeviceBed.h"

#include "calibration/RunProcedure.h"
#include "fieldbus/BlockKind.h"
#include "fieldbus/MessageLog.h"
#include "nifb/Backend.h"
#include "simulator/InProcessSegment.h"
#include "simulator/Json.h"

namespace calibration::testing {

namespace {

class Dialog : public ProcedureDialog {
public:
    Dialog(platform::WindowHandle handle, int& closed) : handle_(handle), closed_(closed) {}
    platform::WindowHandle Handle() const override { return handle_; }
    void Close() override { ++closed_; }

private:
    platform::WindowHandle handle_;
    int& closed_;
};

}  // namespace

ScriptedDialogs::ScriptedDialogs() { handle_ = platform::MessageDispatcher::Instance().Register(this); }
ScriptedDialogs::~ScriptedDialogs() { platform::MessageDispatcher::Instance().Unregister(handle_); }

std::unique_ptr<ProcedureDialog> ScriptedDialogs::OpenProgressCancel(const std::string& action, bool& cancel) {
    if (failToOpen) return nullptr;
    opened.push_back(action);
    cancel_ = &cancel;
    confirm_ = nullptr;
    return std::make_unique<Dialog>(handle_, closed);
}

std::unique_ptr<ProcedureDialog> ScriptedDialogs::OpenConfirmCancel(const std::string& action, const std::string&,
                                                                    const std::string&, const std::string&,
                                                                    bool& cancel, bool& confirm) {
    if (failToOpen) return nullptr;
    opened.push_back(action);
    cancel_ = &cancel;
    confirm_ = &confirm;
    return std::make_unique<Dialog>(handle_, closed);
}

void ScriptedDialogs::OnMessage(unsigned msg, uintptr_t wParam, intptr_t) {
    if (msg == WM_PROCEDURE_SILENT) {
        silentSeconds.push_back(static_cast<int>(wParam));
        return;
    }
    progress.push_back(static_cast<int>(wParam));
    if (onProgress) onProgress(static_cast<int>(wParam));
}

void SegmentDeviceBed::Open(const std::string& deviceTag, const std::string& segmentJson) {
    tag = deviceTag;
    simulator::LoadOptions options;
    options.manualClock = true;
    options.latency = 0;
    options.settleMs = 0;  // modes follow at once: the mode waits need no time to pass
    std::string error, text = segmentJson;
    std::shared_ptr<simulator::Segment> segment =
        text.empty() ? simulator::LoadSegmentFile(NIFB_DEFAULT_SEGMENT_FILE, options, error)
                     : simulator::LoadSegment(text, options, error);
    ASSERT_TRUE(segment) << error;
    backend = simulator::UseInProcessSegment(segment);
    // The program's waits move the segment's clock: its sleeps are the time that passes.
    clock.OnSleep([this, last = clock.NowMs()](uint64_t now) mutable {
        backend->GetSegment().clock.Advance(now - last);
        last = now;
        if (onTime) onTime(now);
    });
    ui.DeliverPostedMessages(true);
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    nifInterfaceInfo interfaces[4] = {};
    uint16_t count = 4;
    ASSERT_EQ(nifGetInterfaceList(session, &count, interfaces), E_OK);
    ASSERT_EQ(nifOpenLink(session, 0, interfaces[0].interfaceName, 0, &link.link), E_OK);
    device.SetLink(&link);
    nifLiveListEntry entries[32] = {};
    count = 32;
    ASSERT_EQ(nifGetDeviceList(link.link, entries, &count, nullptr), E_OK);
    for (uint16_t i = 0; i < count; ++i)
        if (tag == entries[i].pdTag) device.BindSlot(1, entries[i].deviceId, entries[i].pdTag);
    ASSERT_EQ(device.Tag(), tag);
    ASSERT_EQ(device.OpenDevice(), 0);
    ASSERT_EQ(device.ReadBackBlockTags(), 0);
    ui.Clear();
}

void SegmentDeviceBed::TearDown() {
    device.CloseDevice();
    if (session) nifClose(session);
    clock.OnSleep(nullptr);
    nifb::UseInProcessBackend(nullptr);
    fieldbus::MessageLog::Instance().Clear();
    fieldbus::ResetBlockIds();
}

void SegmentDeviceBed::Advance(uint64_t ms) { clock.SleepMs(static_cast<uint32_t>(ms)); }

int SegmentDeviceBed::Control(const std::string& json) {
    std::string answer;
    return nifb::SendControl(session, json, answer);
}

std::string SegmentDeviceBed::ValveState(const std::string& member) {
    std::string answer, error;
    nifb::SendControl(session, R"({"command":"valveState","device":")" + tag + "\"}", answer);
    simulator::JsonValue v;
    if (!simulator::ParseJson(answer, v, error) || !v.contains(member)) return {};
    return simulator::DumpJson(v[member]);
}

}  // namespace calibration::testing
