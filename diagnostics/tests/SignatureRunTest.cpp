// Signature runs from the signature page against the `nifb` server process on its manual
// clock: the worker's pauses move the server's time, so measurements of minutes run at once.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "calibration/RunProcedure.h"
#include "calibration/testing/SegmentDeviceBed.h"
#include "diagnostics/SignatureAnalyser.h"
#include "diagnostics/SignatureCancelCheck.h"
#include "diagnostics/SignatureLoader.h"
#include "diagnostics/SignatureMessages.h"
#include "diagnostics/SignatureProcedureState.h"
#include "diagnostics/SignaturePage.h"
#include "diagnostics/StoredSignatureUpload.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/MessageLog.h"
#include "nifb/Backend.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "simulator/InProcessSegment.h"
#include "simulator/Json.h"
#include "simulator/tests/SegmentClock.h"
#include "simulator/tests/ServerProcess.h"
#include "simulator/tests/TestSegments.h"
#include "simulator/valve/StepFigures.h"
#include "diagnostics/StepResponsePercent.h"
#include "platform/ProfileFile.h"

namespace diagnostics {
namespace {

// The page's window as a test sees it: what the progress window showed, the records handed
// to the graph, and the load timer, fired by the test's loop.
class RecordingView : public SignaturePageView {
public:
    bool OpenProgress(bool) override { return progressOpen = true; }
    void ShowProgress() override { ++shown; }
    void UpdateProgress(const SignatureProgressUpdate& u) override {
        updates.push_back(u);
        if (onUpdate) onUpdate(u);
    }
    void CloseProgress() override { progressOpen = false; }
    void EnablePage(bool enable) override { pageEnabled = enable; }
    void EnableControls(bool go, bool) override { goEnabled = go; }
    int CloseGraph() override { return 0; }
    int AddToGraph(const CSignatureData& record) override {
        graph.push_back(record);
        graph.back().AnalyseOnce(86.0f);
        return 0;
    }
    void RedrawGraph() override {}
    void ShowLoadingNotice(bool show) override { notice = show; }
    void StartLoadTimer(uint32_t ms) override { timerMs = ms; }

    bool progressOpen = false, pageEnabled = true, goEnabled = true, notice = false;
    int shown = 0;
    uint32_t timerMs = 0;
    std::vector<SignatureProgressUpdate> updates;
    std::vector<CSignatureData> graph;
    std::function<void(const SignatureProgressUpdate&)> onUpdate;

    std::vector<int> Kinds() const {
        std::vector<int> kinds;
        for (const CSignatureData& r : graph) kinds.push_back(r.kind);
        return kinds;
    }
};

class SignatureRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<simulator::testing::ServerProcess>(
            NIFB_SERVER_BINARY, dir_.File("nifb.sock"), SegmentFile(), dir_.File("server.log"),
            std::vector<std::string>{"--manual-clock", "--latency", "on"});
        ASSERT_TRUE(server_->Answering());
        nifUseServer();
        ASSERT_EQ(E_OK, nifOpenSession(nullptr, &session_));
        clock_.OnSleep(simulator::testing::AdvanceSegmentOnSleep(session_, clock_.NowMs()));
        nifInterfaceInfo interfaces[4] = {};
        uint16_t count = 4;
        ASSERT_EQ(E_OK, nifGetInterfaceList(session_, &count, interfaces));
        ASSERT_EQ(E_OK, nifOpenLink(session_, 0, interfaces[0].interfaceName, 0, &link_.link));
        device_.SetLink(&link_);
        nifLiveListEntry entries[32] = {};
        count = 32;
        ASSERT_EQ(E_OK, nifGetDeviceList(link_.link, entries, &count, nullptr));
        for (uint16_t i = 0; i < count; ++i)
            if (DeviceTag() == entries[i].pdTag) device_.BindSlot(1, entries[i].deviceId, entries[i].pdTag);
        ASSERT_EQ(0, device_.OpenDevice());
        ASSERT_EQ(0, device_.ReadBackBlockTags());
        procedure_ = std::make_shared<SignatureProcedure>(device_);
        procedure_->SetProfileFile(dir_.File("Tessaro.ini"));
        page_.SetDevice(procedure_, DeviceTag());
        ASSERT_EQ(0, page_.ReadSettingsFromDevice());
        // Short runs: scan times of 20 s, a positioner signature of 9 points.
        page_.Settings().At(0, 1) = 20.0f;
        page_.Settings().At(1, 3) = 20.0f;
        page_.Settings().At(2, kStepSamples) = 60.0f;
        page_.Settings().At(3, 2) = 4.0f;
        ui_.Clear();
    }
    // The device the test works on, and the segment file that holds it.
    virtual std::string DeviceTag() const { return "FV-101"; }
    virtual std::string SegmentFile() { return NIFB_DEFAULT_SEGMENT_FILE; }
    void TearDown() override {
        procedure_->StopSignature();
        device_.CloseDevice();
        clock_.OnSleep(nullptr);
        nifClose(session_);
        fieldbus::MessageLog::Instance().Clear();
        fieldbus::ResetBlockIds();
    }

    // GO with the questions answered Yes (out of service, the valve will move).
    int Go(uint8_t mask, bool outOfServiceQuestion = true) {
        page_.SetSelection(mask);
        if (outOfServiceQuestion) ui_.Answer(platform::IDYES, "must be in OOS");
        ui_.Answer(platform::IDYES, "The valve will move");
        const int result = page_.Go();
        ui_.Clear();
        return result;
    }
    // Delivers the page's messages and fires its load timer until the run and its loads are
    // over (or 30 s of wall time have passed).
    bool RunToEnd() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < end) {
            platform::MessageDispatcher::Instance().DeliverPending();
            if (view_.timerMs) {
                view_.timerMs = 0;
                page_.OnLoadTimer();
            }
            if (!page_.IsRunning() && page_.QueuedLoads() == 0 && procedure_->IsSignatureEnded()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    simulator::JsonValue Valve() {
        std::string answer, error;
        nifb::SendControl(session_, R"({"command":"valveState","device":")" + DeviceTag() + R"("})", answer);
        simulator::JsonValue v;
        simulator::ParseJson(answer, v, error);
        return v;
    }
    int Fault(const std::string& members) {
        std::string answer;
        return nifb::SendControl(session_, R"({"command":"valveFault","device":"FV-101",)" + members + "}", answer);
    }
    // The step the valve makes from `from` to `to` (position %) when its set point jumps, read
    // every 10 ms: overshoot (% of the step) and T86 (s), what a step test should find.
    int SetPoint(float v) {
        uint8_t bytes[4];
        uint32_t bits = 0;
        std::memcpy(&bits, &v, 4);
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(bits >> (24 - 8 * i));
        return device_.WriteParameter(device_.BlockOf(fieldbus::BlockKind::TB), "FINAL_VALUE.VALUE", bytes, 4);
    }
    // The valve at rest at `position` (the transducer block out of service).
    int PutValve(float position, int restMs = 10000) {
        const uint8_t oos = 0x01;  // out of service
        std::string answer;
        if (device_.WriteParameter(device_.BlockOf(fieldbus::BlockKind::AO), "MODE_BLK.TARGET", &oos, 1) != 0 ||
            device_.WriteParameter(device_.BlockOf(fieldbus::BlockKind::TB), "MODE_BLK.TARGET", &oos, 1) != 0 ||
            nifb::SendControl(session_, R"({"command":"advance","ms":2000})", answer) != 0 || SetPoint(position) != 0)
            return 1;
        return nifb::SendControl(session_, R"({"command":"advance","ms":)" + std::to_string(restMs) + "}", answer);
    }
    // `seconds`: how long the step is followed (and at least how long the valve rests at
    // `from` before); `out` receives what was read.
    simulator::valve::StepFigures ModelStep(float from, float to, double seconds = 3.0,
                                            std::vector<simulator::valve::TimedValue>* out = nullptr) {
        std::string answer;
        std::vector<simulator::valve::TimedValue> record;
        if (PutValve(from, static_cast<int>(seconds * 1000.0) + 10000) != 0 || SetPoint(to) != 0) return {};
        for (int i = 1; i <= static_cast<int>(seconds * 100.0); ++i) {
            // Read through the server's own window on the valve: a bus read would move the
            // clock by its transaction time.
            nifb::SendControl(session_, R"({"command":"advance","ms":10})", answer);
            const double position = Valve()["position"];
            record.push_back({i * 0.01, position});
        }
        if (out) *out = record;
        return simulator::valve::MeasureStep(record, from, to, 2.0);
    }
    bool Logged(const std::string& text) {
        for (const std::string& line : fieldbus::MessageLog::Instance().Peek())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    platform::testing::TempDir dir_;
    std::unique_ptr<simulator::testing::ServerProcess> server_;
    platform::testing::ScriptedUi ui_;
    platform::testing::FakeClock clock_;
    nifDesc_t session_ = 0;
    fieldbus::DirectLink link_;
    fieldbus::FieldbusDevice device_;
    std::shared_ptr<SignatureProcedure> procedure_;
    RecordingView view_;
    SignaturePage page_{view_};
};

TEST_F(SignatureRunTest, MeasureAllWritesTheSettingsLoadsEachKindAndPutsTheValveBack) {
    fieldbus::StatusValue before;
    ASSERT_EQ(0, device_.ReadTbFinalPositionValue(before));
    ASSERT_EQ(0, Go(kMeasureAll));
    const float pretest = page_.PretestPosition();
    EXPECT_NEAR(before.value, pretest, 0.5f);
    EXPECT_TRUE(view_.progressOpen);
    EXPECT_FALSE(view_.pageEnabled);
    ASSERT_TRUE(RunToEnd());

    // All four settings parameters were written; the run was the device's "all" command.
    std::vector<float> step;
    ASSERT_EQ(0, procedure_->ReadSignatureSettings(8, step));
    EXPECT_EQ(60.0f, step[3]);
    std::vector<float> positioner;
    ASSERT_EQ(0, procedure_->ReadSignatureSettings(16, positioner));
    EXPECT_EQ(4.0f, positioner[2]);
    // Standard, extended, step response and positioner, never high resolution, each with the
    // count its header gives.
    ASSERT_EQ((std::vector<int>{0, 1, 3, 4}), view_.Kinds());
    EXPECT_EQ(18u, view_.graph[0].curve1.size());
    EXPECT_TRUE(view_.graph[0].results.valid);
    EXPECT_EQ("FV-101", view_.graph[0].name);
    EXPECT_EQ(100u, view_.graph[1].curve1.size());
    EXPECT_TRUE(view_.graph[1].results.valid);
    EXPECT_EQ(60u, view_.graph[2].curve1.size());
    EXPECT_EQ(9u, view_.graph[3].curve1.size());
    // The step starts with the valve at rest at its initial set point, wherever the actuator
    // signatures left it: its figures are the valve's own.
    const CSignatureData& stepRecord = view_.graph[2];
    for (size_t i = 0; i < 10; ++i) EXPECT_NEAR(stepRecord.header[1], stepRecord.curve1[i].y, 1.0f) << i;
    ASSERT_TRUE(stepRecord.results.valid) << stepRecord.results.message;
    EXPECT_GT(stepRecord.results.stepResponseTime, 0.0);
    EXPECT_LT(stepRecord.results.overshoot, 30.0);
    EXPECT_TRUE(ui_.Texts().empty()) << ui_.Last().text;

    // The progress window followed the kinds; the valve went back to where it was.
    std::vector<std::string> titles;
    for (const auto& u : view_.updates)
        if (titles.empty() || titles.back() != u.title) titles.push_back(u.title);
    EXPECT_EQ((std::vector<std::string>{"Offset Measurement", "Standard Actuator Signature",
                                        "Extended Actuator Signature", "Step Response Test", "Positioner Signature"}),
              titles);
    EXPECT_FALSE(view_.progressOpen);
    EXPECT_TRUE(view_.pageEnabled);
    EXPECT_TRUE(view_.goEnabled);
    fieldbus::StatusValue set;
    ASSERT_EQ(0, device_.ReadTbFinalValue(set));
    EXPECT_FLOAT_EQ(pretest, set.value);
    EXPECT_FALSE(std::isfinite(page_.PretestPosition()));
}

TEST_F(SignatureRunTest, CancellingTheThirdKindOfMeasureAllLoadsTheFirstTwo) {
    view_.onUpdate = [this](const SignatureProgressUpdate& u) {
        if (u.title == "Step Response Test") platform::PostMessage(page_.Handle(), WM_SIG_CANCEL_CURRENT);
    };
    ASSERT_EQ(0, Go(kMeasureAll));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ((std::vector<int>{0, 1}), view_.Kinds());
    uint8_t result = 0;
    uint16_t size = 1;
    ASSERT_EQ(0, device_.ReadParameter(device_.BlockOf(fieldbus::BlockKind::TB), "SIGN_MEAS_RESULT", &result, size));
    EXPECT_EQ(2, result);
    EXPECT_FALSE(std::isfinite(page_.PretestPosition()));
}

TEST_F(SignatureRunTest, CancellingAllOfMeasureAllStillLoadsTheKindsMeasuredBefore) {
    // Ctrl+C on the command line and the window's Cancel end the whole run, not one kind.
    view_.onUpdate = [this](const SignatureProgressUpdate& u) {
        if (u.title == "Step Response Test") platform::PostMessage(page_.Handle(), WM_SIG_CANCEL_ALL);
    };
    ASSERT_EQ(0, Go(kMeasureAll));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ((std::vector<int>{0, 1}), view_.Kinds());
    EXPECT_FALSE(page_.RunFailed());
    EXPECT_FALSE(std::isfinite(page_.PretestPosition()));
}

TEST_F(SignatureRunTest, ADeviceThatStopsAnsweringEndsTheRunWithItsMessages) {
    bool silenced = false;
    view_.onUpdate = [&](const SignatureProgressUpdate& u) {
        if (silenced || u.status != "RUNNING" || u.percent < 30.0f) return;
        silenced = true;
        std::string answer;
        nifb::SendControl(session_, R"({"command":"silence","device":"FV-101","forMs":600000})", answer);
    };
    ASSERT_EQ(0, Go(1 | 16));
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(silenced);
    EXPECT_TRUE(view_.graph.empty());
    ASSERT_EQ(2u, ui_.Texts().size());
    EXPECT_EQ("An error occured during Measure Actuator Signature.\n The signature procedure has been stoped.",
              ui_.Texts()[0]);
    EXPECT_EQ(0u, ui_.Texts()[1].find("Valve can not go back to it's original position"));
    EXPECT_TRUE(Logged("Signature : Read Real Time Data Error"));
    EXPECT_TRUE(page_.RunFailed());  // a front end must not call this run a success
    EXPECT_FALSE(view_.progressOpen);
    EXPECT_TRUE(view_.pageEnabled);
    EXPECT_TRUE(view_.goEnabled);
}

TEST_F(SignatureRunTest, TheSettingsAreReadOneRequestPerParameter) {
    // Each settings parameter is read whole: four bus requests for the 18 device floats.
    auto transactions = [this] {
        std::string answer;
        nifb::SendControl(session_, R"({"command":"status"})", answer);
        const std::string key = "\"modelledTransactions\":";
        return std::strtoull(answer.c_str() + answer.find(key) + key.size(), nullptr, 10);
    };
    page_.Settings().At(2, kStepSize) = 7.0f;  // the program's own floats keep their values
    const auto before = transactions();
    ASSERT_EQ(0, page_.ReadSettingsFromDevice());
    EXPECT_EQ(4u, transactions() - before);
    std::vector<float> extended, step;
    ASSERT_EQ(0, procedure_->ReadSignatureSettings(2, extended));
    ASSERT_EQ(0, procedure_->ReadSignatureSettings(8, step));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(extended[static_cast<size_t>(i)], page_.Settings().At(1, i)) << i;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(step[static_cast<size_t>(i)], page_.Settings().At(2, i)) << i;
    EXPECT_EQ(7.0f, page_.Settings().At(2, kStepSize));
}

TEST_F(SignatureRunTest, AnUploadReadsXAndYAtEachPointerPositionAndSelectsTheDatabaseOnce) {
    auto transactions = [this] {
        std::string answer;
        nifb::SendControl(session_, R"({"command":"status"})", answer);
        const std::string key = "\"modelledTransactions\":";
        return std::strtoull(answer.c_str() + answer.find(key) + key.size(), nullptr, 10);
    };
    ASSERT_EQ(0, Go(2));
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(1u, view_.graph.size());
    const CSignatureData& loaded = view_.graph[0];
    ASSERT_EQ(100u, loaded.curve1.size());

    SignatureLoadRequest request;
    request.kind = KindExtended;
    CSignatureData again;
    std::string error;
    const auto before = transactions();
    ASSERT_EQ(0, UploadSignature(*procedure_, request, again, error)) << error;
    // The page's own load selected the database a moment ago: date (1), header (1), five
    // windows of pointer, Y and X (15), spring and position ranges (2), open stop (1).
    EXPECT_EQ(20u, transactions() - before);
    ASSERT_EQ(loaded.curve1.size(), again.curve1.size());
    for (size_t i = 0; i < again.curve1.size(); ++i) {
        EXPECT_EQ(loaded.curve1[i].x, again.curve1[i].x) << i;
        EXPECT_EQ(loaded.curve1[i].y, again.curve1[i].y) << i;
    }

    // A selection made longer ago is made again, once for the whole upload.
    clock_.Advance(SignatureProcedure::State::kSelectionFreshMs);
    const auto later = transactions();
    ASSERT_EQ(0, UploadSignature(*procedure_, request, again, error)) << error;
    EXPECT_EQ(21u, transactions() - later);
    EXPECT_EQ(loaded.curve1.size(), again.curve1.size());
}

TEST_F(SignatureRunTest, TheStoredBaselineUploadsAsTheCurveItWasSavedFromAndAnEmptyRecordIsSaid) {
    CSignatureData stored;
    std::string error;
    ASSERT_EQ(0, Go(1));
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(1u, view_.graph.size());
    // Nothing kept as record yet: said so, not an empty curve.
    EXPECT_EQ(StoredEmpty, UploadStoredSignature(*procedure_, false, stored, error)) << error;
    ASSERT_EQ(0, procedure_->SaveSignatureInDevice(false));

    // A later measurement changes the latest signature, not the baseline.
    view_.graph.clear();
    ASSERT_EQ(0, Go(1, false));
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(1u, view_.graph.size());
    const CSignatureData today = view_.graph[0];
    ASSERT_EQ(StoredUploaded, UploadStoredSignature(*procedure_, true, stored, error)) << error;
    EXPECT_EQ(SourceBaseline, stored.dataSource);
    EXPECT_EQ(1, stored.saved);
    EXPECT_EQ("FV-101", stored.name);
    EXPECT_EQ(18u, stored.curve1.size());
    EXPECT_NE(today.DateText(), stored.DateText());
    EXPECT_EQ(0u, stored.CurveTitle().find("FV-101 @ "));
    EXPECT_TRUE(stored.AnalyseOnce(86.0f));
    EXPECT_TRUE(stored.results.valid) << stored.results.message;
    EXPECT_EQ(StoredEmpty, UploadStoredSignature(*procedure_, false, stored, error));
}

TEST_F(SignatureRunTest, ACancelCountsOnlyOnceTheDeviceIsIdleAgain) {
    bool asked = false, silence = false;
    view_.onUpdate = [&](const SignatureProgressUpdate& u) {
        if (asked || u.status != "RUNNING" || u.percent < 20.0f) return;
        asked = true;
        std::string answer;
        if (silence)
            nifb::SendControl(session_, R"({"command":"silence","device":"FV-101","forMs":600000})", answer);
        platform::PostMessage(page_.Handle(), WM_SIG_CANCEL_ALL);
    };
    ASSERT_EQ(0, Go(1));
    ASSERT_TRUE(RunToEnd());
    ASSERT_TRUE(asked);
    EXPECT_TRUE(WaitCancelConfirmed(*procedure_, false));

    // A device that falls silent when the cancel is sent never confirms it: the wait ends
    // at its limit with no claim.
    asked = false;
    silence = true;
    ASSERT_EQ(0, Go(1, false));
    ASSERT_TRUE(RunToEnd());
    ASSERT_TRUE(asked);
    const uint64_t start = clock_.NowMs();
    EXPECT_FALSE(WaitCancelConfirmed(*procedure_, false));
    EXPECT_GE(clock_.NowMs() - start, kCancelConfirmMs);
}

TEST_F(SignatureRunTest, AnErrorResultIsShownAndTheRunGoesOnAShortStrokeLoadsWhatWasMeasured) {
    // A stuck valve: the standard signature ends with an error, the positioner signature
    // still runs and loads.
    ASSERT_EQ(E_OK, Fault(R"("fault":"stuck")"));
    ASSERT_EQ(0, Go(1 | 16));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(std::vector<int>{4}, view_.Kinds());
    EXPECT_EQ(9u, view_.graph[0].curve1.size());
    ASSERT_EQ(1u, ui_.Texts().size());
    EXPECT_EQ("The Signature Procedure  Error\nStandard Actuator Signature: Error: no movement", ui_.Texts()[0]);
    EXPECT_EQ("The Signature Procedure  Error", page_.DeviceErrorText());
    EXPECT_TRUE(Logged("The Signature Procedure  Error"));

    // Too little supply to open the valve beyond about half: the stroke stops short, the
    // device keeps what it measured, the rest reads +infinity and ends the upload there.
    ASSERT_EQ(E_OK, Fault(R"("fault":"none")"));
    ASSERT_EQ(E_OK, Fault(R"("fault":"lowSupply","kPa":60)"));
    view_.graph.clear();
    ui_.Clear();
    ASSERT_EQ(0, Go(1, false));
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(std::vector<int>{0}, view_.Kinds());
    const CSignatureData& shortStroke = view_.graph[0];
    EXPECT_GT(shortStroke.curve1.size(), 2u);
    EXPECT_LT(shortStroke.curve1.size(), 18u);
    for (const CFloatPT& p : shortStroke.curve1) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    EXPECT_FALSE(shortStroke.results.valid);  // not the 18 points the analysis needs
    EXPECT_TRUE(ui_.Texts().empty());
}

TEST_F(SignatureRunTest, AStandardSignatureGivesTheValvesSpringRangeAndFriction) {
    // With the stops found, positions are the valve's true travel.
    bool cancel = false;
    std::string text;
    ASSERT_EQ(0, calibration::RunProcedure(device_, calibration::kFindStops, cancel, text, 0));
    page_.Settings().At(0, 1) = 60.0f;
    ASSERT_EQ(0, Go(1, false));
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(std::vector<int>{0}, view_.Kinds());
    const SignatureResults& r = view_.graph[0].results;
    ASSERT_TRUE(r.valid);
    const simulator::JsonValue v = Valve();
    const double low = v["springRangeKpa"][0], high = v["springRangeKpa"][1], friction = v["frictionKpa"];
    const double span = high - low;
    EXPECT_NEAR(r.springRangeLow, low, 0.02 * span);
    EXPECT_NEAR(r.springRangeHigh, high, 0.02 * span);
    EXPECT_NEAR(r.avgFriction, friction, 0.1 * friction);
    std::printf("spring range %.2f-%.2f kPa (true %.2f-%.2f), friction %.3f kPa (true %.3f)\n", r.springRangeLow,
                r.springRangeHigh, low, high, r.avgFriction, friction);

    // Kept as baseline in the device; a save while the device still saves writes nothing.
    EXPECT_EQ(0, procedure_->SaveSignatureInDevice(false));
    const uint8_t saving = 2;
    ASSERT_EQ(0, device_.WriteParameter(device_.BlockOf(fieldbus::BlockKind::TB), "SIGN_DATA_SAVE", &saving, 1));
    fieldbus::MessageLog::Instance().Clear();
    EXPECT_EQ(1, procedure_->SaveSignatureInDevice(true));
    EXPECT_TRUE(Logged("SIGN_DATA_SAVE status is not OFF"));
    EXPECT_FALSE(Logged("Write SIGN_DATA_SAVE"));
    CSignatureData baseline(KindStandard);
    baseline.dataSource = SourceBaseline;
    std::string error;
    ASSERT_EQ(0, UploadSignature(*procedure_, {KindStandard, false, false, 0, 0, false}, baseline, error)) << error;
    ASSERT_EQ(18u, baseline.curve1.size());
    EXPECT_EQ(view_.graph[0].curve1[4].x, baseline.curve1[4].x);
    EXPECT_EQ(view_.graph[0].DateText(), baseline.DateText());
}

TEST_F(SignatureRunTest, AStepSeriesSettlesAtItsStartMeasuresEachStepAndMatchesTheModel) {
    bool cancel = false;
    std::string text;
    ASSERT_EQ(0, calibration::RunProcedure(device_, calibration::kFindStops, cancel, text, 0));
    // At rest at the start, as the model's own step below starts.
    ASSERT_EQ(0, PutValve(20.0f));
    SignatureSettings& s = page_.Settings();
    s.At(2, kStepStart) = 20.0f;
    s.At(2, kStepEnd) = 80.0f;
    s.At(2, kStepSampling) = 20.0f;
    s.At(2, kStepSamples) = 100.0f;
    s.At(2, kStepSize) = 20.0f;
    s.At(2, kStepRoundTrip) = 1.0f;
    s.At(2, kStepErrorLimit) = 0.1f;
    s.At(2, kStepTimeLimit) = 30.0f;
    ASSERT_EQ(0, Go(8, false));
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(ui_.Texts().empty()) << ui_.Last().text;

    // Six steps, out and back, in one record.
    ASSERT_EQ(std::vector<int>{3}, view_.Kinds());
    const CSignatureData& series = view_.graph[0];
    ASSERT_EQ(600u, series.curve1.size());
    std::vector<float> setPoints;
    for (size_t step = 0; step < 6; ++step) {
        if (step == 0) setPoints.push_back(series.curve2[0].y);
        setPoints.push_back(series.curve2[step * 100 + 10].y);
        EXPECT_NEAR(series.curve2[step * 100 + 99].y, series.curve1[step * 100 + 99].y, 1.5f) << step;
    }
    EXPECT_EQ((std::vector<float>{20, 40, 60, 80, 60, 40, 20}), setPoints);
    EXPECT_NEAR(series.curve1[5].y, 20.0f, 1.0f);
    fieldbus::StatusValue set;
    ASSERT_EQ(0, device_.ReadTbFinalValue(set));
    EXPECT_FLOAT_EQ(page_.PretestPosition(), INFINITY);

    // The first step analysed as the model makes it.
    const SignatureResults& r = series.results;
    ASSERT_TRUE(r.valid);
    ASSERT_TRUE(r.found);
    // The model's own figures vary a little with where friction lets the valve rest: three
    // steps averaged.
    simulator::valve::StepFigures model;
    for (int k = 0; k < 3; ++k) {
        const simulator::valve::StepFigures one = ModelStep(20.0f, 40.0f);
        model.overshootPct += one.overshootPct / 3.0;
        model.t86S += (one.t86S + 1.0) / 3.0;  // from the -1 it starts with
    }
    std::printf("overshoot %.2f %% (model %.2f), T86 %.3f s (model %.3f)\n", r.overshoot, model.overshootPct,
                r.stepResponseTime, model.t86S);
    EXPECT_NEAR(r.overshoot, model.overshootPct, std::max(0.1 * std::fabs(model.overshootPct), 0.5));
    EXPECT_NEAR(r.stepResponseTime, model.t86S, 0.1 * model.t86S + 0.02);
}

TEST_F(SignatureRunTest, TheDeadBandTestRunsWithoutIntegralActionAndPutsItBack) {
    float reset = 0.0f;
    ASSERT_EQ(0, device_.ReadTbServoReset(reset));
    ASSERT_GT(reset, 0.0f);
    ASSERT_EQ(0, PutValve(40.0f));
    SignatureSettings& s = page_.Settings();
    s.At(2, kStepStart) = 50.0f;
    s.At(2, kStepEnd) = 54.0f;
    s.At(2, kStepSampling) = 50.0f;
    s.At(2, kStepSamples) = 60.0f;
    s.At(2, kStepSize) = 2.0f;
    s.At(2, kStepRoundTrip) = 2.0f;  // one cycle around the start
    s.At(2, kStepErrorLimit) = 0.5f;
    s.At(2, kStepTimeLimit) = 30.0f;
    page_.SetResetOff(true);
    std::vector<float> resetsSeen;
    view_.onUpdate = [&](const SignatureProgressUpdate& u) {
        float v = -1;
        if (u.status == "RUNNING" && device_.ReadTbServoReset(v) == 0) resetsSeen.push_back(v);
    };
    ASSERT_EQ(0, Go(8, false));
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(std::vector<int>{3}, view_.Kinds());
    // The valve was first brought to the start of the series.
    bool stabilizing = false;
    for (const auto& u : view_.updates) stabilizing |= u.status == "STABILIZING" && u.title == "Step Response Test";
    EXPECT_TRUE(stabilizing);
    ASSERT_FALSE(resetsSeen.empty());
    for (float v : resetsSeen) EXPECT_EQ(0.0f, v);
    float after = 0.0f;
    ASSERT_EQ(0, device_.ReadTbServoReset(after));
    EXPECT_EQ(reset, after);
    // Eight steps of 2 %, every one of which moved the valve: no dead band.
    const CSignatureData& series = view_.graph[0];
    EXPECT_EQ(8u * 60u, series.curve1.size());
    ASSERT_TRUE(series.results.valid);
    EXPECT_NEAR(series.results.deadBand, 0.0, 0.1);

    // A mirrored series goes below the start: the device takes set points down to -40 %.
    const float below[4] = {-20.0f, -40.0f, 50.0f, 60.0f};
    ASSERT_EQ(0, procedure_->WriteSignatureSettings(8, below));
    std::vector<float> back;
    ASSERT_EQ(0, procedure_->ReadSignatureSettings(8, back));
    EXPECT_EQ(-40.0f, back[1]);

    // An automatic series without any step size is refused before anything moves.
    s.At(2, kStepSize) = 0.0f;
    s.At(2, kStepRoundTrip) = -1.0f;
    platform::WritePrivateProfileString("Signature", "DefaultStepSize", "0", ProgramProfileFile());
    page_.SetSelection(8);
    ui_.Answer(platform::IDYES, "The valve will move");
    EXPECT_EQ(1, page_.Go());
    EXPECT_EQ("Error: The automatic step response series needs a step size above 0.", ui_.Last().text);
    platform::WritePrivateProfileString("Signature", "DefaultStepSize", "5", ProgramProfileFile());
}

TEST_F(SignatureRunTest, APositionThatCannotBeReadWhileSettlingIsAnErrorAndAServoNotPutBackIsSaid) {
    ASSERT_EQ(0, PutValve(30.0f));
    SignatureSettings& s = page_.Settings();
    s.At(2, kStepStart) = 50.0f;
    s.At(2, kStepEnd) = 54.0f;
    s.At(2, kStepSize) = 2.0f;
    s.At(2, kStepRoundTrip) = 2.0f;
    s.At(2, kStepErrorLimit) = 0.1f;
    page_.SetResetOff(true);
    // The bus fails while the valve settles: nothing answers any more, the reset neither.
    view_.onUpdate = [&](const SignatureProgressUpdate& u) {
        std::string answer;
        if (u.status == "STABILIZING")
            nifb::SendControl(session_, R"({"command":"commErrors","device":"FV-101","rate":1})", answer);
    };
    ASSERT_EQ(0, Go(8, false));
    ASSERT_TRUE(RunToEnd());
    std::string answer;
    nifb::SendControl(session_, R"({"command":"commErrors","device":"FV-101","rate":0})", answer);
    EXPECT_TRUE(view_.graph.empty());
    EXPECT_TRUE(Logged("Signature : Read Real Time Data Error"));
    std::vector<std::string> texts = ui_.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ("An error occured during Measure Step Response Test.\n The signature procedure has been stoped.", texts[0]);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Error: Failed to restore servo parameters."), texts.end());
    float reset = -1;
    ASSERT_EQ(0, device_.ReadTbServoReset(reset));
    EXPECT_EQ(0.0f, reset);  // as the message says
}

TEST_F(SignatureRunTest, HighResolutionLoadsInChunksWhileItRunsAndAnOverrunCancels) {
    SignatureSettings& s = page_.Settings();
    s.At(1, 3) = 46.0f;   // scan time: 231 points at 200 ms
    s.At(1, 5) = 200.0f;
    ASSERT_EQ(0, Go(4));
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(std::vector<int>{2}, view_.Kinds());
    const CSignatureData& hires = view_.graph[0];
    EXPECT_EQ(231u, hires.curve1.size());
    for (const CFloatPT& p : hires.curve1) ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    EXPECT_TRUE(hires.results.valid);
    EXPECT_TRUE(ui_.Texts().empty()) << ui_.Last().text;

    // The device runs 30 s ahead of the loads: its ring has overwritten what was not loaded.
    view_.graph.clear();
    bool jumped = false;
    view_.onUpdate = [&](const SignatureProgressUpdate& u) {
        if (jumped || u.title != "High Resolution Signature" || u.percent < 20.0f) return;
        jumped = true;
        std::string answer;
        nifb::SendControl(session_, R"({"command":"advance","ms":30000})", answer);
    };
    ASSERT_EQ(0, Go(4, false));
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(view_.graph.empty());
    ASSERT_FALSE(ui_.Texts().empty());
    EXPECT_EQ("High Resolution data is overlayed. Measurement will be canceled", ui_.Texts()[0]);
    uint8_t result = 0;
    uint16_t size = 1;
    ASSERT_EQ(0, device_.ReadParameter(device_.BlockOf(fieldbus::BlockKind::TB), "SIGN_MEAS_RESULT", &result, size));
    EXPECT_EQ(2, result);
}

// A slow valve with a long dead time: a 30 s stroke, 400 ms before the loop reacts.
class SlowValveSignatureTest : public SignatureRunTest {
protected:
    std::string SegmentFile() override {
        const std::string file = dir_.File("slow.json");
        std::ofstream(file) << simulator::testing::SmallSegmentJson(
            0, R"(,"valve":{"strokeTimeS":30,"deadTimeMs":400})");
        return file;
    }
    // When the valve first covered `share` of the step, between the samples around it.
    static double TimeTo(const std::vector<simulator::valve::TimedValue>& r, double from, double to, double share) {
        const double mark = from + (to - from) * share;
        for (size_t i = 1; i < r.size(); ++i)
            if ((r[i].value - mark) * (to - from) >= 0)
                return r[i - 1].t + (r[i].t - r[i - 1].t) * (mark - r[i - 1].value) / (r[i].value - r[i - 1].value);
        return -1.0;
    }
};

TEST_F(SlowValveSignatureTest, StepFiguresMatchTheModelAndASeriesTooShortToSettleIsRefused) {
    bool cancel = false;
    std::string text;
    ASSERT_EQ(0, calibration::RunProcedure(device_, calibration::kFindStops, cancel, text, 0));
    // Friction makes the valve's start depend on the side it came from: below, for the
    // measurement as for the model's step.
    ASSERT_EQ(0, PutValve(10.0f, 30000));
    SignatureSettings& s = page_.Settings();
    s.At(2, kStepStart) = 20.0f;
    s.At(2, kStepEnd) = 40.0f;
    s.At(2, kStepSampling) = 100.0f;
    s.At(2, kStepSamples) = 150.0f;
    s.At(2, kStepSize) = 0.0f;
    s.At(2, kStepRoundTrip) = 0.0f;
    s.At(2, kStepErrorLimit) = 0.2f;
    s.At(2, kStepTimeLimit) = 60.0f;
    ASSERT_EQ(0, Go(8, false));
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(ui_.Texts().empty()) << ui_.Last().text;
    ASSERT_EQ(std::vector<int>{3}, view_.Kinds());
    CSignatureData step = view_.graph[0];
    ASSERT_TRUE(step.results.valid) << step.results.message;
    ASSERT_TRUE(step.results.found);
    const double t86 = step.results.stepResponseTime;
    // The dead time: until the valve has covered 5 % of the step.
    AnalyseSignature(step, 5.0f);
    ASSERT_TRUE(step.results.found);
    const double dead = step.results.stepResponseTime;

    std::vector<simulator::valve::TimedValue> record;
    ASSERT_EQ(0, PutValve(10.0f, 30000));
    ModelStep(20.0f, 40.0f, 14.0, &record);
    const double model86 = TimeTo(record, 20.0, 40.0, 0.86), modelDead = TimeTo(record, 20.0, 40.0, 0.05);
    std::printf("dead time %.3f s (model %.3f), T86 %.3f s (model %.3f)\n", dead, modelDead, t86, model86);
    ASSERT_GT(modelDead, 0.0);
    EXPECT_NEAR(dead, modelDead, 0.2 * modelDead);
    EXPECT_NEAR(t86, model86, 0.2 * model86);

    // A calibration series whose steps get 3 s each: the valve is still on its way at the end
    // of most of them. No accuracy, hysteresis or dead band is made of that.
    s.At(2, kStepEnd) = 60.0f;
    s.At(2, kStepSampling) = 50.0f;
    s.At(2, kStepSamples) = 60.0f;
    s.At(2, kStepSize) = 20.0f;
    s.At(2, kStepRoundTrip) = 2.0f;
    view_.graph.clear();
    ASSERT_EQ(0, Go(8, false));
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(std::vector<int>{3}, view_.Kinds());
    const SignatureResults& series = view_.graph[0].results;
    EXPECT_EQ(8u * 60u, view_.graph[0].curve1.size());
    EXPECT_FALSE(series.valid);
    EXPECT_EQ("Error: the valve did not settle within the samples of each step.", series.message);
}

// A positioner without the signature option: the program strokes the valve itself.
class HostSignatureTest : public SignatureRunTest {
protected:
    std::string DeviceTag() const override { return "KV-201"; }
};

TEST_F(HostSignatureTest, AStandardSignatureDrivenByTheProgramGivesTheSpringRangeAndRestoresTheServo) {
    float gain = 0, reset = 0;
    ASSERT_EQ(0, device_.ReadTbServoGain(gain));
    ASSERT_EQ(0, device_.ReadTbServoReset(reset));
    page_.Settings().At(0, 1) = 60.0f;
    page_.SetPcControlled(true);
    std::vector<std::pair<float, float>> servoSeen;
    // Position against true travel (the factory calibration of the travel sensor), seen at two
    // places of the stroke.
    std::vector<std::pair<double, double>> travelAt;
    view_.onUpdate = [&](const SignatureProgressUpdate& u) {
        if ((travelAt.empty() && u.percent >= 20.0f) || (travelAt.size() == 1 && u.percent >= 40.0f)) {
            const simulator::JsonValue v = Valve();
            travelAt.push_back({v["position"], v["travel"]});
        }
        float g = 0, r = 0;
        if (servoSeen.empty() && u.status == "RUNNING" && u.percent > 0 && device_.ReadTbServoGain(g) == 0 &&
            device_.ReadTbServoReset(r) == 0)
            servoSeen.push_back({g, r});
    };
    const uint64_t start = clock_.NowMs();
    ASSERT_EQ(0, Go(1));
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(ui_.Texts().empty()) << ui_.Last().text;
    ASSERT_EQ(std::vector<int>{0}, view_.Kinds());

    // Softened during the run, put back afterwards.
    ASSERT_FALSE(servoSeen.empty());
    EXPECT_FLOAT_EQ(std::max(gain * 0.1f, 0.5f), servoSeen.back().first);
    EXPECT_FLOAT_EQ(std::min(reset * 3.0f, 50.0f), servoSeen.back().second);
    float g = 0, r = 0;
    ASSERT_EQ(0, device_.ReadTbServoGain(g));
    ASSERT_EQ(0, device_.ReadTbServoReset(r));
    EXPECT_EQ(gain, g);
    EXPECT_EQ(reset, r);

    // 0 to 100 % and back at 1 % every 300 ms: about a minute; nine points up, nine down.
    const CSignatureData& sig = view_.graph[0];
    ASSERT_EQ(18u, sig.curve1.size());
    for (size_t i = 1; i < 9; ++i) EXPECT_GT(sig.curve1[i].y, sig.curve1[i - 1].y) << i;
    for (size_t i = 10; i < 18; ++i) EXPECT_LT(sig.curve1[i].y, sig.curve1[i - 1].y) << i;
    for (size_t i = 0; i < 9; ++i) EXPECT_NEAR(10.0f * (i + 1), sig.curve1[i].y, 1.5f) << i;
    const double minutes = (clock_.NowMs() - start) / 60000.0;
    EXPECT_GT(minutes, 1.0);
    EXPECT_LT(minutes, 2.0);
    const SignatureResults& res = sig.results;
    ASSERT_TRUE(res.valid);
    const simulator::JsonValue v = Valve();
    ASSERT_EQ(2u, travelAt.size());
    const double perPosition = (travelAt[1].second - travelAt[0].second) / (travelAt[1].first - travelAt[0].first);
    auto pressureAt = [&](double position) {
        const double travel = travelAt[0].second + (position - travelAt[0].first) * perPosition;
        return double(v["springRangeKpa"][0]) + (double(v["springRangeKpa"][1]) - double(v["springRangeKpa"][0])) * travel / 100.0;
    };
    const double low = pressureAt(0.0), high = pressureAt(100.0);
    std::printf("spring range %.2f-%.2f kPa (true %.2f-%.2f)\n", res.springRangeLow, res.springRangeHigh, low, high);
    EXPECT_NEAR(res.springRangeLow, low, 0.03 * (high - low));
    EXPECT_NEAR(res.springRangeHigh, high, 0.03 * (high - low));
    // The falling stroke's points are all taken on the way down: the friction is the valve's,
    // between its sliding friction and the break-away force of its stick-slip.
    const double friction = v["frictionKpa"], breakAway = friction + double(v["stickSlipKpa"]);
    std::printf("friction %.3f-%.3f kPa (true %.3f-%.3f)\n", res.minFriction, res.maxFriction, friction, breakAway);
    EXPECT_GE(res.minFriction, 0.95 * friction);
    EXPECT_LE(res.maxFriction, 1.05 * breakAway);

    // Cancelled half way: nothing loaded, the servo back as it was.
    view_.graph.clear();
    bool cancelled = false;
    view_.onUpdate = [&](const SignatureProgressUpdate& u) {
        if (!cancelled && u.percent >= 30.0f) {
            cancelled = true;
            platform::PostMessage(page_.Handle(), WM_SIG_CANCEL_CURRENT);
        }
    };
    ASSERT_EQ(0, Go(1, false));
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(view_.graph.empty());
    ASSERT_EQ(0, device_.ReadTbServoGain(g));
    ASSERT_EQ(0, device_.ReadTbServoReset(r));
    EXPECT_EQ(gain, g);
    EXPECT_EQ(reset, r);
}

}  // namespace
}  // namespace diagnostics
