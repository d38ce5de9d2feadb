// The valve population campaign: on every positioner of a population segment the program runs
// what a technician runs (stop finding, travel calibration, self check, auto tune, the
// standard and extended actuator signatures, a step-response series and Measure ALL) and each
// figure is compared with the valve's truth from the segment file. A valve that cannot be
// measured must say why, never give a false diagnosis. The table of every figure is printed
// at the end; a missed target fails the valve's test.
//
//   population_campaign [--gtest_filter=*PV_03*]     (TESSARO_POPULATION=<segment file>)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "calibration/RunProcedure.h"
#include "diagnostics/SignatureKind.h"
#include "diagnostics/SignatureSettings.h"
#include "simulator/valve/ValveSettings.h"
#include "tools/population/CampaignBed.h"
#include "tools/population/CampaignTable.h"
#include "tools/population/ValveTruth.h"

namespace population {
namespace {

using diagnostics::KindBit;
using simulator::valve::MeasureStep;
using simulator::valve::StepFigures;
using simulator::valve::TimedValue;

std::string SegmentFile() {
    const char* file = std::getenv("TESSARO_POPULATION");
    return file && *file ? file : TESSARO_POPULATION_FILE;
}

// A positioner of the segment with the valve behind it, as the file makes it.
struct Member {
    std::string tag;
    simulator::valve::ValveSettings valve;
};

void PrintTo(const Member& m, std::ostream* out) { *out << m.tag; }

std::vector<Member> ReadPopulation() {
    std::ifstream in(SegmentFile());
    std::stringstream text;
    text << in.rdbuf();
    simulator::JsonValue root;
    std::string error;
    std::vector<Member> members;
    if (!simulator::ParseJson(text.str(), root, error)) return members;
    for (const auto& link : root["interfaces"])
        for (const auto& device : link["devices"]) {
            if (device.value("kind", std::string("positioner")) != "positioner") continue;
            const uint32_t id = device.value("family", std::string("RPX")) == "KPX" ? 0x4B5445 : 0x42524B;
            Member m{device["tag"].get<std::string>(), simulator::valve::DefaultValveSettings(id)};
            if (device.contains("valve") && !simulator::valve::ReadValveSettings(device["valve"], m.valve, error))
                continue;
            members.push_back(m);
        }
    return members;
}

// Valves the campaign meets with a fault: what is wrong, and the error stop finding must name.
struct Fault {
    const char* tag;
    const char* members;
    int stopsCode;
    const char* cause;  // what the result's text must name
};
constexpr Fault kFaults[] = {
    {"KV-06", R"("fault":"lowSupply","kPa":95)", 130, "supply pressure too low"},  // below the spring's high end
    {"KV-07", R"("fault":"stuck")", 100, "no movement"},                            // a seized stem
};

const Fault* FaultOf(const std::string& tag) {
    for (const Fault& f : kFaults)
        if (tag == f.tag) return &f;
    return nullptr;
}

// The step's figures: overshoot (% of the step), T86 (s), the time to the first tenth of the
// step (the apparent dead time, s), and the largest swing over its last `tailS` seconds.
struct StepView {
    StepFigures figures;
    double t10S = -1.0;
    double tailSwing = 0.0;
};

StepView ViewStep(const std::vector<TimedValue>& record, double from, double to, double tailS) {
    StepView v;
    v.figures = MeasureStep(record, from, to, 5.0);
    for (const TimedValue& s : record)
        if (std::fabs(s.value - from) >= 0.1 * std::fabs(to - from)) {
            v.t10S = s.t;
            break;
        }
    if (record.empty()) return v;
    double low = 1e9, high = -1e9;
    for (const TimedValue& s : record)
        if (s.t >= record.back().t - tailS) low = std::min(low, s.value), high = std::max(high, s.value);
    v.tailSwing = high - low;
    return v;
}

class ValveCampaign : public ::testing::TestWithParam<Member> {
protected:
    void SetUp() override {
        member_ = GetParam();
        name_ = member_.tag;
        std::string error;
        ASSERT_TRUE(bed_.Open(SegmentFile(), name_, error)) << error;
        truth_ = TruthOf(bed_.Valve());
    }
    void TearDown() override { CampaignTable::Instance().PrintValve(stdout, name_); }

    // Time for the valve to cross its stroke and come to rest.
    double RestS() const { return 2.0 * member_.valve.strokeTimeS + 4.0; }
    double Tol(double value, double share, double floor) const { return std::max(std::fabs(value) * share, floor); }

    bool Compare(const std::string& figure, double truth, double measured, double tolerance, const char* unit) {
        return CampaignTable::Instance().Compare(name_, figure, truth, measured, tolerance, unit);
    }
    bool Expect(const std::string& figure, const std::string& wanted, const std::string& got, bool met) {
        return CampaignTable::Instance().Expect(name_, figure, wanted, got, met);
    }
    std::string Code(const ProcedureEnd& end) { return std::to_string(end.code) + " " + end.text; }

    void StopFinding();
    void TravelCalibration();
    void SelfCheck();
    void AutoTune();
    void ActuatorSignatures();
    void StepSeries();
    void MeasureAll();
    bool Approach(float from, float to, float side);
    StepView ModelStep(float from, float to, float side, double seconds);
    void ScanTimes(diagnostics::SignatureSettings& s) const;

    Member member_;
    std::string name_;
    ValveTruth truth_;
    CampaignBed bed_;
};

void ValveCampaign::StopFinding() {
    const ProcedureEnd end = bed_.Procedure(calibration::kFindStops);
    // A stroke slower than the device's 15 s limit is its warning; anything else is not this valve.
    const bool slow = member_.valve.strokeTimeS > 15.0;
    const bool met = end.status == 0 && (end.code == 1 || (slow && end.code == 21));
    EXPECT_TRUE(Expect("stop finding", slow ? "1 or 21 (slow)" : "1 Success", Code(end), met));
}

void ValveCampaign::TravelCalibration() {
    std::string zero, span;
    const bool at0 = bed_.HoldAt(0.0f, RestS()) == 0 && bed_.TravelCalibration(calibration::kZeroCalibration, zero) == 0;
    const bool at100 = bed_.HoldAt(100.0f, RestS()) == 0 && bed_.TravelCalibration(calibration::kSpanCalibration, span) == 0;
    EXPECT_TRUE(Expect("travel calibration", "Success", zero + " / " + span, at0 && at100));
    ASSERT_EQ(0, bed_.HoldAt(50.0f, RestS()));
    const simulator::JsonValue v = bed_.Valve();
    EXPECT_TRUE(Compare("position at 50 %", v["travel"].get<double>(), v["position"].get<double>(), 1.0, "%"));
}

void ValveCampaign::SelfCheck() {
    const ProcedureEnd end = bed_.Procedure(calibration::kSelfCheck);
    // The device flags a hysteresis above a fifth of the spring range as high friction.
    const bool sticky = truth_.HysteresisKpa() > 0.2 * truth_.SpanKpa();
    const bool met = end.status == 0 && end.code == (sticky ? 23 : 1);
    EXPECT_TRUE(Expect("self check", sticky ? "23 high friction" : "1 Success", Code(end), met));
    const double high = bed_.TbFloat("MEAS_SPRING_RANGE", 0), low = bed_.TbFloat("MEAS_SPRING_RANGE", 4);
    const double span = truth_.SpanKpa();
    EXPECT_TRUE(Compare("self check spring low", truth_.springLowKpa, low, 0.02 * span, "kPa"));
    EXPECT_TRUE(Compare("self check spring high", truth_.springHighKpa, high, 0.02 * span, "kPa"));
    EXPECT_TRUE(Compare("self check hysteresis", truth_.HysteresisKpa(), bed_.TbFloat("VALVE_HYS"),
                        Tol(truth_.HysteresisKpa(), 0.1, 0.1), "kPa"));
    EXPECT_TRUE(Compare("self check slip width", truth_.SlipPct(), bed_.TbFloat("VALVE_SLIP_WIDTH"),
                        Tol(truth_.SlipPct(), 0.1, 0.05), "%"));
    EXPECT_TRUE(Compare("self check supply", truth_.supplyKpa, bed_.TbFloat("MEAS_PRESS_SUPPLY"),
                        0.02 * truth_.supplyKpa, "kPa"));
}

void ValveCampaign::AutoTune() {
    const ProcedureEnd end = bed_.Procedure(calibration::kAutoTune);
    const bool ran = end.status == 0 && end.code != 2 && end.code < 100;
    EXPECT_TRUE(Expect("auto tune", "success or a warning", Code(end), ran));
    // A 10 % step up and down with what the tune left: modest overshoot, no hunting.
    const double stepS = std::max(8.0, 0.3 * member_.valve.strokeTimeS + 6.0);
    ASSERT_EQ(0, bed_.HoldAt(45.0f, RestS()));
    const StepView up = ViewStep(bed_.StepTo(55.0f, stepS), 45.0, 55.0, 3.0);
    const StepView down = ViewStep(bed_.StepTo(45.0f, stepS), 55.0, 45.0, 3.0);
    const double overshoot = std::max(up.figures.overshootPct, down.figures.overshootPct);
    EXPECT_TRUE(Compare("tuned overshoot (10 % step)", 0.0, overshoot, 15.0, "%"));
    EXPECT_TRUE(Compare("tuned swing at rest", 0.0, std::max(up.tailSwing, down.tailSwing), 0.5, "%"));
}

void ValveCampaign::ScanTimes(diagnostics::SignatureSettings& s) const {
    // A technician scans a slow valve slowly: a ramp that outruns the stroke measures its lag.
    const float scan = static_cast<float>(std::max(60.0, 12.0 * member_.valve.strokeTimeS));
    s.At(0, 1) = scan;
    s.At(1, 3) = scan;
}

void ValveCampaign::ActuatorSignatures() {
    const bool own = bed_.HasSignatureOption();
    for (int kind : {diagnostics::KindStandard, diagnostics::KindExtended}) {
        std::string error;
        const std::vector<diagnostics::CSignatureData> records =
            bed_.Signatures(KindBit(kind), !own, [this](diagnostics::SignatureSettings& s) { ScanTimes(s); }, error);
        const std::string title = diagnostics::KindTitle(kind);
        if (records.size() != 1 || !records[0].results.valid) {
            if (records.size() == 1)
                error += platform::Format("%s%zu points, not analysed", error.empty() ? "" : " | ",
                                          records[0].curve1.size());
            ADD_FAILURE() << title << ": " << error;
            Expect(title, "analysed", error.empty() ? "no analysis" : error, false);
            continue;
        }
        const diagnostics::SignatureResults& r = records[0].results;
        const double span = truth_.SpanKpa();
        const double low = std::min(r.springRangeLow, r.springRangeHigh);
        const double high = std::max(r.springRangeLow, r.springRangeHigh);
        const std::string what = kind == diagnostics::KindStandard ? "standard" : "extended";
        EXPECT_TRUE(Compare(what + " spring low", truth_.springLowKpa, low, 0.02 * span, "kPa"));
        EXPECT_TRUE(Compare(what + " spring high", truth_.springHighKpa, high, 0.02 * span, "kPa"));
        EXPECT_TRUE(Compare(what + " friction", truth_.frictionKpa, r.avgFriction, Tol(truth_.frictionKpa, 0.1, 0.1),
                            "kPa"));
    }
}

bool ValveCampaign::Approach(float from, float to, float side) {
    // The valve comes to `from` from `side` (+1 above, -1 below) and rests there as the
    // device's step wants it.
    return bed_.HoldAt(from + side * 5.0f, RestS()) == 0 && bed_.HoldAt(from, RestS()) == 0 &&
           bed_.AwaitRest(10.0 + 4.0 * member_.valve.strokeTimeS, to >= from ? 1.0 : -1.0);
}

StepView ValveCampaign::ModelStep(float from, float to, float side, double seconds) {
    // The valve's own step, watched through the server's window: what the record should show.
    if (!Approach(from, to, side)) return {};
    return ViewStep(bed_.StepTo(to, seconds), from, to, 1.0);
}

void ValveCampaign::StepSeries() {
    if (!bed_.HasSignatureOption()) return;  // the device's own test
    const double stroke = member_.valve.strokeTimeS;
    const float samplingMs = static_cast<float>(std::clamp(20.0 * std::ceil(stroke / 2.0), 20.0, 400.0));
    ASSERT_TRUE(Approach(20.0f, 40.0f, -1.0f));
    const float errorLimit = static_cast<float>(std::max(0.5, 2.0 * truth_.SlipPct()));
    std::string error;
    const std::vector<diagnostics::CSignatureData> records = bed_.Signatures(
        KindBit(diagnostics::KindStepResponse), false,
        [samplingMs, stroke, errorLimit](diagnostics::SignatureSettings& s) {
            s.At(2, diagnostics::kStepStart) = 20.0f;
            s.At(2, diagnostics::kStepEnd) = 40.0f;
            s.At(2, diagnostics::kStepSampling) = samplingMs;
            s.At(2, diagnostics::kStepSamples) = 100.0f;
            s.At(2, diagnostics::kStepSize) = 20.0f;
            s.At(2, diagnostics::kStepRoundTrip) = 0.0f;
            // A sticky valve holds its set point no closer than its slips.
            s.At(2, diagnostics::kStepErrorLimit) = errorLimit;
            s.At(2, diagnostics::kStepTimeLimit) = static_cast<float>(std::max(30.0, 4.0 * stroke));
        },
        error);
    if (records.size() != 1 || !records[0].results.valid || !records[0].results.found) {
        ADD_FAILURE() << "step series: " << error;
        Expect("step series", "T86 found", error.empty() ? "not found" : error, false);
        return;
    }
    const diagnostics::CSignatureData& series = records[0];
    // The first step of the record seen as the model's own step is seen: time from the jump.
    // Each sample carries the set point it was taken at; the device changes the set point
    // right after the last sample at the old one, so the step begins at that sample's time
    // (the analysis counts T86 from it too), not at the first sample showing the new one.
    std::vector<TimedValue> first;
    double jump = -1.0;
    for (size_t i = 0; i < series.curve1.size() && i < series.curve2.size(); ++i) {
        if (jump < 0 && i > 0 && series.curve2[i].y > 30.0f) {
            jump = series.curve1[i - 1].x;
            first.push_back({0.0, series.curve1[i - 1].y});
        }
        if (jump >= 0) first.push_back({series.curve1[i].x - jump, series.curve1[i].y});
    }
    const StepView device = ViewStep(first, 20.0, 40.0, 0.5);
    // How long a sticky valve takes to start after a step depends on which way friction was
    // taken up when it came to rest: up to twice the friction must be made up before it
    // moves, and a valve that slips around its set point rests either way. The model's own
    // steps from both sides give the range of the truth; the record must lie in it (a valve
    // without friction gives one figure from both sides).
    const double window = 100 * samplingMs / 1000.0;
    double t86Low = 1e9, t86High = -1e9, t10Low = 1e9, t10High = -1e9;
    for (float side : {-1.0f, 1.0f})
        for (int k = 0; k < 2; ++k) {
            const StepView model = ModelStep(20.0f, 40.0f, side, window);
            if (model.figures.t86S < 0 || model.t10S < 0) continue;
            t86Low = std::min(t86Low, model.figures.t86S), t86High = std::max(t86High, model.figures.t86S);
            t10Low = std::min(t10Low, model.t10S), t10High = std::max(t10High, model.t10S);
        }
    ASSERT_LE(t10Low, t10High) << "the model's own step did not rest or did not arrive";
    const double sample = samplingMs / 1000.0;
    const double t86 = (t86Low + t86High) / 2.0, t10 = (t10Low + t10High) / 2.0;
    EXPECT_TRUE(Compare(platform::Format("step T86 (analysis), model %.2f-%.2f", t86Low, t86High), t86,
                        series.results.stepResponseTime, (t86High - t86Low) / 2.0 + 0.2 * t86Low + sample, "s"));
    EXPECT_TRUE(Compare(platform::Format("step dead time (record), model %.2f-%.2f", t10Low, t10High), t10,
                        device.t10S, (t10High - t10Low) / 2.0 + 0.2 * t10Low + sample, "s"));
}

void ValveCampaign::MeasureAll() {
    if (!bed_.HasSignatureOption()) return;  // the device's own sequence
    std::string error;
    const std::vector<diagnostics::CSignatureData> records =
        bed_.Signatures(diagnostics::kMeasureAll, false, [this](diagnostics::SignatureSettings& s) { ScanTimes(s); },
                        error);
    const diagnostics::CSignatureData* step = nullptr;
    for (const diagnostics::CSignatureData& r : records)
        if (r.kind == diagnostics::KindStepResponse) step = &r;
    if (!step) {
        ADD_FAILURE() << "Measure ALL: " << error;
        Expect("Measure ALL step", "a step record", error.empty() ? "none" : error, false);
        return;
    }
    const diagnostics::SignatureResults& r = step->results;
    const bool sound = r.valid && r.found && std::isfinite(r.stepResponseTime) && r.stepResponseTime > 0 &&
                       std::isfinite(r.overshoot) && r.overshoot >= 0;
    EXPECT_TRUE(Expect("Measure ALL step figures", "finite, T86 > 0",
                       platform::Format("T86 %.2f s, overshoot %.2f %%", r.stepResponseTime, r.overshoot), sound));
}

TEST_P(ValveCampaign, MeasuresTheValveAsItIs) {
    if (const Fault* fault = FaultOf(name_)) {
        // The valve cannot be measured: the first procedure must name the cause, and the
        // campaign stops there as a technician would.
        ASSERT_EQ(E_OK, bed_.Control(R"({"command":"valveFault","device":")" + name_ + "\"," + fault->members + "}"));
        const ProcedureEnd end = bed_.Procedure(calibration::kFindStops);
        EXPECT_TRUE(Expect("stop finding (fault)", std::to_string(fault->stopsCode) + " " + fault->cause, Code(end),
                           end.status == 0 && end.code == fault->stopsCode &&
                               end.text.find(fault->cause) != std::string::npos));
        return;
    }
    StopFinding();
    TravelCalibration();
    SelfCheck();
    AutoTune();
    ActuatorSignatures();
    StepSeries();
    MeasureAll();
}

std::string NameOf(const ::testing::TestParamInfo<Member>& info) {
    std::string name = info.param.tag;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Population, ValveCampaign, ::testing::ValuesIn(ReadPopulation()), NameOf);

// The whole table once every valve has run.
class TablePrinter : public ::testing::Environment {
public:
    void TearDown() override {
        if (CampaignTable::Instance().Rows().empty()) return;
        std::printf("\nValve population campaign (%s)\n", SegmentFile().c_str());
        CampaignTable::Instance().Print(stdout);
    }
};
const auto* const kPrinter = ::testing::AddGlobalTestEnvironment(new TablePrinter);

}  // namespace
}  // namespace population
