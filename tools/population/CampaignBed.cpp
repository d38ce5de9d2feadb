#include "tools/population/CampaignBed.h"

#include <chrono>
#include <cmath>
#include <deque>
#include <utility>
#include <cstring>
#include <limits>
#include <thread>

#include "calibration/RunProcedure.h"
#include "fieldbus/BlockKind.h"
#include "fieldbus/MessageLog.h"
#include "fieldbus/TypedValues.h"
#include "nifb/Backend.h"
#include "platform/WindowMessages.h"
#include "simulator/InProcessSegment.h"
#include "simulator/SegmentLoader.h"
#include "simulator/tests/SegmentClock.h"
#include "diagnostics/SignatureSelection.h"

namespace population {

namespace {

uint8_t kOutOfService = 0x01;

}  // namespace

int AgreeingUi::MessageBox(const std::string& text, const std::string& caption, int flags) {
    if ((flags & 0x0F) != platform::MB_OK) Answer(platform::IDYES);
    return ScriptedUi::MessageBox(text, caption, flags);
}

int CampaignView::AddToGraph(const diagnostics::CSignatureData& record) {
    graph.push_back(record);
    graph.back().AnalyseOnce(86.0f);
    return 0;
}

CampaignBed::CampaignBed() = default;

CampaignBed::~CampaignBed() {
    if (open_) device_.CloseDevice();
    if (session_) nifClose(session_);
    clock_.OnSleep(nullptr);
    nifb::UseInProcessBackend(nullptr);
    fieldbus::MessageLog::Instance().Clear();
    fieldbus::ResetBlockIds();
}

bool CampaignBed::Open(const std::string& segmentFile, const std::string& tag, std::string& error) {
    tag_ = tag;
    simulator::LoadOptions options;
    options.manualClock = true;
    options.latency = 0;
    options.settleMs = 0;  // modes follow at once: the program's mode waits need no time to pass
    std::shared_ptr<simulator::Segment> segment = simulator::LoadSegmentFile(segmentFile, options, error);
    if (!segment) return false;
    backend_ = simulator::UseInProcessSegment(segment);
    clock_.OnSleep(simulator::testing::AdvanceSegmentOnSleep(session_, clock_.NowMs()));
    if (nifOpenSession(nullptr, &session_) != E_OK) return error = "no session", false;
    nifInterfaceInfo interfaces[4] = {};
    uint16_t count = 4;
    if (nifGetInterfaceList(session_, &count, interfaces) != E_OK ||
        nifOpenLink(session_, 0, interfaces[0].interfaceName, 0, &link_.link) != E_OK)
        return error = "the link does not open", false;
    device_.SetLink(&link_);
    nifLiveListEntry entries[32] = {};
    count = 32;
    if (nifGetDeviceList(link_.link, entries, &count, nullptr) != E_OK) return error = "no live list", false;
    for (uint16_t i = 0; i < count; ++i)
        if (tag == entries[i].pdTag) device_.BindSlot(1, entries[i].deviceId, entries[i].pdTag);
    if (device_.Tag() != tag) return error = tag + " is not on the segment", false;
    if (device_.OpenDevice() != 0 || device_.ReadBackBlockTags() != 0) return error = tag + " does not open", false;
    open_ = true;
    ui_.Clear();
    return true;
}

simulator::JsonValue CampaignBed::Valve() {
    std::string answer, error;
    nifb::SendControl(session_, R"({"command":"valveState","device":")" + tag_ + R"("})", answer);
    simulator::JsonValue v;
    simulator::ParseJson(answer, v, error);
    return v;
}

int CampaignBed::Control(const std::string& json) {
    std::string answer;
    return nifb::SendControl(session_, json, answer);
}

void CampaignBed::Advance(uint64_t ms) { clock_.SleepMs(static_cast<uint32_t>(ms)); }

ProcedureEnd CampaignBed::Procedure(uint8_t command) {
    ProcedureEnd end;
    bool cancel = false;
    uint8_t code = 0;
    end.status = calibration::RunProcedure(device_, command, cancel, end.text, 0, nullptr, &code);
    end.code = code;
    return end;
}

int CampaignBed::TravelCalibration(uint8_t command, std::string& text) {
    uint8_t code = 0;
    return calibration::RunTravelCalibration(device_, command, code, text) == 0 && code == 1 ? 0 : 1;
}

float CampaignBed::TbFloat(const std::string& name, size_t offset) {
    uint8_t bytes[16] = {};
    uint16_t size = sizeof bytes;
    if (device_.ReadParameter(device_.BlockOf(fieldbus::BlockKind::TB), name, bytes, size) != 0 || size < offset + 4)
        return std::numeric_limits<float>::quiet_NaN();
    const uint32_t bits = (uint32_t(bytes[offset]) << 24) | (uint32_t(bytes[offset + 1]) << 16) |
                          (uint32_t(bytes[offset + 2]) << 8) | bytes[offset + 3];
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

bool CampaignBed::HasSignatureOption() {
    return diagnostics::ReadSignatureCapabilities(device_).measuresItself;
}

int CampaignBed::HoldAt(float position, double seconds) {
    const int ao = device_.BlockOf(fieldbus::BlockKind::AO), tb = device_.BlockOf(fieldbus::BlockKind::TB);
    if (device_.WriteParameter(ao, "MODE_BLK.TARGET", &kOutOfService, 1) != 0 ||
        device_.WriteParameter(tb, "MODE_BLK.TARGET", &kOutOfService, 1) != 0)
        return 1;
    Advance(1000);
    uint8_t bytes[4];
    uint32_t bits = 0;
    std::memcpy(&bits, &position, 4);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(bits >> (24 - 8 * i));
    if (device_.WriteParameter(tb, "FINAL_VALUE.VALUE", bytes, 4) != 0) return 1;
    Advance(static_cast<uint64_t>(seconds * 1000.0));
    return 0;
}

bool CampaignBed::AwaitRest(double limitS, double stepSign) {
    std::deque<std::pair<double, double>> pressures;  // (s, kPa) over the last second
    double anchor = 0.0, stillSince = 0.0, lastMove = 0.0;
    std::string answer;
    for (int i = 1; i <= static_cast<int>(limitS * 100.0); ++i) {
        nifb::SendControl(session_, R"({"command":"advance","ms":10})", answer);
        const double t = i * 0.01;
        const simulator::JsonValue v = Valve();
        const double position = v["position"].get<double>(), pressure = v["pressureKpa"].get<double>();
        if (pressures.empty() || std::fabs(position - anchor) > 0.1) {
            lastMove = pressures.empty() ? 0.0 : position - anchor;
            anchor = position;
            stillSince = t;
        }
        pressures.push_back({t, pressure});
        while (t - pressures.front().first > 1.0 + 1e-9) pressures.pop_front();
        const double still = t - stillSince;
        if (still + 1e-9 < 1.0) continue;
        if (std::fabs(pressure - pressures.front().second) < 0.1) return true;
        if (t >= (10.0 + limitS) / 2.0) return true;
        if (t >= 10.0 && still < 1.0 + 0.005 && lastMove * stepSign >= 0.0) return true;
    }
    return false;
}

std::vector<simulator::valve::TimedValue> CampaignBed::StepTo(float to, double seconds) {
    std::vector<simulator::valve::TimedValue> record;
    uint8_t bytes[4];
    uint32_t bits = 0;
    std::memcpy(&bits, &to, 4);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(bits >> (24 - 8 * i));
    if (device_.WriteParameter(device_.BlockOf(fieldbus::BlockKind::TB), "FINAL_VALUE.VALUE", bytes, 4) != 0)
        return record;
    std::string answer;
    for (int i = 1; i <= static_cast<int>(seconds * 100.0); ++i) {
        nifb::SendControl(session_, R"({"command":"advance","ms":10})", answer);
        record.push_back({i * 0.01, Valve()["position"].get<double>()});
    }
    return record;
}

std::vector<diagnostics::CSignatureData> CampaignBed::Signatures(
    uint8_t mask, bool pcControlled, const std::function<void(diagnostics::SignatureSettings&)>& adjust,
    std::string& error) {
    CampaignView view;
    std::shared_ptr<diagnostics::SignatureProcedure> procedure = std::make_shared<diagnostics::SignatureProcedure>(device_);
    procedure->SetProfileFile(dir_.File("Tessaro.ini"));
    {
        diagnostics::SignaturePage page(view);
        page.SetDevice(procedure, tag_);
        if (page.ReadSettingsFromDevice() != 0) {
            error = "the signature settings could not be read";
            return {};
        }
        if (adjust) adjust(page.Settings());
        page.SetSelection(mask);
        page.SetPcControlled(pcControlled);
        ui_.Clear();
        if (page.Go() != 0) {
            error = "the signature test did not start";
            return {};
        }
        // The page's load timer fires as soon as it is started.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (std::chrono::steady_clock::now() < end) {
            platform::MessageDispatcher::Instance().DeliverPending();
            if (view.timerMs) {
                view.timerMs = 0;
                page.OnLoadTimer();
            }
            if (!page.IsRunning() && page.QueuedLoads() == 0 && procedure->IsSignatureEnded()) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (page.IsRunning()) error = "the signature test did not end within two minutes of wall time";
        if (!page.DeviceErrorText().empty()) error = page.DeviceErrorText();
        procedure->StopSignature();
    }
    // What the run told the technician, in full: the device's errors and the page's notes.
    for (const platform::testing::ShownMessage& m : ui_.Messages())
        if (m.buttons == platform::MB_OK) error += (error.empty() ? "" : " | ") + m.text;
    if (view.graph.empty() && error.empty()) error = "nothing was uploaded";
    for (const diagnostics::CSignatureData& r : view.graph)
        if (!r.results.valid && !r.results.message.empty()) error += (error.empty() ? "" : " | ") + r.results.message;
    return view.graph;
}

}  // namespace population
