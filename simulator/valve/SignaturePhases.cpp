#include "simulator/valve/SignaturePhases.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <utility>
#include <vector>

#include "simulator/valve/ValveFaults.h"

namespace simulator::valve {

namespace {

constexpr double kSignatureRestTimeoutS = 20.0;
constexpr double kLearnS = 5.0;          // expected time to hold one end of the stroke
constexpr double kToStartS = 2.0;        // expected time to reach the start of the stroke
constexpr double kRampBeyond = 0.1;      // the ramp runs this share of the stroke beyond the learned ends
constexpr double kMinFastRampKpaS = 10.0;
constexpr double kStandardTail = 2.0;    // s the standard ramp may run on for its last crossing
constexpr double kMovedPct = 2.0;        // less travel than this in a stroke: the valve did not move
constexpr uint32_t kStandardPoints = 18;
constexpr uint32_t kExtendedPoints = 100;
constexpr uint32_t kStepSamplesBefore = 10;
// The valve must rest at the step's initial set point within this long plus a few of its
// full-stroke times, or the step is not measured.
constexpr double kStepRestBaseS = 10.0;
constexpr double kStepRestStrokes = 4.0;
constexpr double kStepStillBandPct = 0.1;  // the position stays within this band while still
constexpr double kStepStillS = 1.0;        // still this long before the step
// A valve held by friction while its servo output is off the relay's null is still, but its
// pressure moves on towards a slip: it is at rest only once the pressure moves less than this
// in kStepStillS.
constexpr double kStepRestDriftKpa = 0.1;

bool Rested(PhasedActivity& a, double t) { return t >= 1.5 && a.Rest().RestedFor(1.0); }

// Whether the valve rests at the step's initial set point. At rest: still, its pressure no
// longer moving. A valve that never gets there (stick-slip with integral action keeps it
// slipping around the set point) is taken, once kStepRestBaseS have passed, at the moment it
// has been still for kStepStillS after a slip in the step's direction: the furthest it gets
// from its next slip, with friction taken up the way the step goes. Halfway to `limitS`
// (past which the step is refused) a valve still for kStepStillS is taken as it is.
class StepRest {
public:
    explicit StepRest(double stepSign) : stepSign_(stepSign) {}
    bool Add(double t, double position, double pressure, double limitS) {
        if (pressures_.empty() || std::fabs(position - anchor_) > kStepStillBandPct) {
            lastMove_ = pressures_.empty() ? 0.0 : position - anchor_;
            anchor_ = position;
            stillSince_ = t;
        }
        pressures_.push_back({t, pressure});
        while (t - pressures_.front().first > kStepStillS + 1e-9) pressures_.pop_front();
        const double still = t - stillSince_;
        if (still + 1e-9 < kStepStillS) return false;
        if (std::fabs(pressure - pressures_.front().second) < kStepRestDriftKpa) return true;
        if (t >= (kStepRestBaseS + limitS) / 2.0) return true;
        return t >= kStepRestBaseS && still < kStepStillS + 1.5 * kStepS && lastMove_ * stepSign_ >= 0.0;
    }

private:
    double stepSign_;
    double lastMove_ = 0.0;  // the last slip (%): its sign is its direction
    double anchor_ = 0.0, stillSince_ = 0.0;
    std::deque<std::pair<double, double>> pressures_;  // (t, kPa) over the last kStepStillS
};

void BeginPart(SignatureRun& run, SignaturePart part) {
    run.part = part;
    run.percent = 0.0;
    run.counter = 0;
}

// The part's progress from the time spent in it against the time it is expected to take.
void Progress(SignatureRun& run, double spentS, double expectedS) {
    run.percent = std::clamp(expectedS > 0 ? spentS / expectedS * 100.0 : 0.0, run.percent, 99.0);
}

// Starts the record of a part in its database.
StoredSignature& StartRecord(SignatureRun& run, int database, bool ring, const float* settings, size_t count) {
    StoredSignature& s = run.store->Database(database);
    s.Clear(ring);
    s.header[0] = run.setup.temperature;
    for (size_t i = 0; i < count && i + 1 < s.header.size(); ++i) s.header[i + 1] = settings[i];
    s.date = run.Now();
    return s;
}

// What the actuator signature keeps between its steps.
struct ActuatorScratch {
    SignaturePart part = SignaturePart::Standard;
    bool standard = true;
    double lowPos = 5.0, highPos = 95.0;  // ends of the stroke (position %)
    double scanS = 60.0;
    double pLow = 0.0, pHigh = 0.0;       // pressures learned at the ends (kPa)
    double pStart = 0.0, pEnd = 0.0;      // the ramp's ends
    double target = 0.0;                  // pressure the relay follows
    double spentS = 0.0;                  // in the part so far
    // Standard: the positions passed going up, then coming down.
    std::vector<double> crossings;
    size_t next = 0;
    bool turned = false;
    double endedS = -1.0;                 // when the falling ramp reached its last pressure
    double prevPos = 0.0, prevP = 0.0;
    bool havePrev = false;
    // Extended and high resolution: samples evenly spread in time.
    double sampleS = 1.0;
    uint32_t samples = kExtendedPoints;
    uint32_t taken = 0;
    double minPos = 1e9, maxPos = -1e9;
    StoredSignature* record = nullptr;

    double ExpectedS() const { return 2 * kLearnS + kToStartS + scanS; }
    // The standard ramp's pace: the learned stroke and its margins in half the scan time.
    double StandardRateKpaS() const { return std::fabs(pEnd - pStart) / (scanS / 2.0); }
    // The pressure the ramp asks for `t` seconds into the stroke.
    double RampAt(double t) const {
        const double half = scanS / 2.0;
        const double u = t < half ? t / half : std::max(0.0, 2.0 - t / half);
        // Standard goes up first, extended and high resolution down first.
        return standard ? pStart + (pEnd - pStart) * u : pEnd + (pStart - pEnd) * u;
    }
};

void SetUpActuator(ActuatorScratch& s, const SignatureSetup& setup, SignaturePart part) {
    s.part = part;
    s.standard = part == SignaturePart::Standard;
    if (s.standard) {
        const double margin = std::clamp<double>(setup.standard[2], 2.0, 10.0);
        s.lowPos = 10.0 - margin;
        s.highPos = 90.0 + margin;
        s.scanS = std::clamp<double>(setup.standard[1], 10.0, 3600.0);
        for (int k = 1; k <= 9; ++k) s.crossings.push_back(10.0 * k);
        for (int k = 9; k >= 1; --k) s.crossings.push_back(10.0 * k);
        return;
    }
    const double lower = std::min(setup.extended[0], setup.extended[1]);
    const double higher = std::max(setup.extended[0], setup.extended[1]);
    const double margin = std::clamp<double>(setup.extended[4], 0.0, 20.0);
    s.lowPos = std::max(lower - margin, -10.0);
    s.highPos = std::min(std::max(higher + margin, s.lowPos + 5.0), 110.0);
    s.scanS = std::clamp<double>(setup.extended[3], 10.0, 3600.0);
    if (part == SignaturePart::HighResolution) {
        s.sampleS = std::clamp<double>(setup.extended[5], 20.0, 5000.0) / 1000.0;
        s.samples = static_cast<uint32_t>(s.scanS / s.sampleS + 1e-9) + 1;
    } else {
        s.sampleS = s.scanS / (kExtendedPoints - 1);
        s.samples = kExtendedPoints;
    }
}

// A standard crossing between the previous sample and this one: the pressure interpolated to
// the position passed.
void RecordCrossings(ActuatorScratch& s, SignatureRun& run, double position, double pressure) {
    const size_t half = kStandardPoints / 2;
    if (s.havePrev) {
        while (s.next < s.crossings.size()) {
            const double target = s.crossings[s.next];
            const bool up = s.next < half;
            if (up && s.turned) {
                s.next = half;  // the way up has ended; what it did not pass stays missing
                continue;
            }
            // The way down begins at the turn: before it, a position falling back past a mark
            // (sensor noise just after the valve passed it going up) is no falling crossing.
            if (!up && !s.turned) break;
            // Coming down, positions the valve never got above are skipped.
            if (!up && s.maxPos <= target) {
                ++s.next;
                continue;
            }
            const bool passed = up ? (s.prevPos < target && position >= target)
                                   : (s.prevPos > target && position <= target);
            if (!passed) break;
            const double share = (target - s.prevPos) / (position - s.prevPos);
            const double p = s.prevP + share * (pressure - s.prevP);
            s.record->Add(static_cast<float>(p * run.setup.pressureFactor), static_cast<float>(target));
            run.counter = s.record->total;
            ++s.next;
        }
    }
    s.prevPos = position;
    s.prevP = pressure;
    s.havePrev = true;
}

// One step of the standard ramp. It runs at the pace of the scan time, and on beyond the
// learned end pressures until the valve has passed the far end of the recorded stroke: the
// friction loop of a sticky valve may be wider than any fixed margin. It turns there, or
// where the supply (going up) or the atmosphere (going down) stops it, and ends likewise at
// the start of the stroke.
void StandardRampStep(ActuatorScratch& s, const ActivityContext& ctx, double position, double strokeS) {
    const double supply = std::max(ctx.env.supplyKpa, 0.0);
    const double rate = s.StandardRateKpaS() * kStepS;
    const double sign = s.pEnd >= s.pStart ? 1.0 : -1.0;  // pressure sense of an opening valve
    if (!s.turned) {
        const double bound = sign > 0 ? supply : 0.0;
        s.target = sign > 0 ? std::min(bound, s.target + rate) : std::max(bound, s.target - rate);
        const bool pastEnd = (s.target - s.pEnd) * sign >= 0.0;
        s.turned = (pastEnd && position >= s.highPos) || s.target == bound;
        return;
    }
    const double bound = sign > 0 ? 0.0 : supply;
    s.target = sign > 0 ? std::max(bound, s.target - rate) : std::min(bound, s.target + rate);
    const bool pastStart = (s.pStart - s.target) * sign >= 0.0;
    if (s.endedS < 0 && ((pastStart && position <= s.lowPos) || s.target == bound)) s.endedS = strokeS;
}

}  // namespace

void AddOffsetMeasurement(PhasedActivity& a, std::shared_ptr<SignatureRun> run) {
    PhasedActivity* activity = &a;
    a.AddPhase(
        4.0, [](const ActivityContext&, double) { return Drive::Vent(); },
        [activity, run](ActivityContext&, double t) {
            if (t <= kStepS * 1.5) BeginPart(*run, SignaturePart::Offset);
            run->clockS += kStepS;
            Progress(*run, t, 4.0);
            return Rested(*activity, t) || t >= kSignatureRestTimeoutS / 2;
        });
}

void AddActuatorSignature(PhasedActivity& a, std::shared_ptr<SignatureRun> run, SignaturePart part) {
    PhasedActivity* activity = &a;
    auto s = std::make_shared<ActuatorScratch>();
    SetUpActuator(*s, run->setup, part);
    // Standard learns the top first and ends at the bottom, where its ramp starts; the others
    // the other way round.
    const double firstEnd = s->standard ? s->highPos : s->lowPos;
    const double secondEnd = s->standard ? s->lowPos : s->highPos;

    auto learn = [activity, run, s](bool first, bool atHigh) {
        return [activity, run, s, first, atHigh](ActivityContext& ctx, double t) {
            if (first && t <= kStepS * 1.5) BeginPart(*run, s->part);
            run->clockS += kStepS;
            s->spentS += kStepS;
            Progress(*run, s->spentS, s->ExpectedS());
            if (!Rested(*activity, t) && t < kSignatureRestTimeoutS) return false;
            (atHigh ? s->pHigh : s->pLow) = ctx.model.PressureKpa();
            return true;
        };
    };
    a.AddPhase(kLearnS, [firstEnd](const ActivityContext&, double) { return Drive::Servo(firstEnd); },
               learn(true, s->standard));
    a.AddPhase(kLearnS, [secondEnd](const ActivityContext&, double) { return Drive::Servo(secondEnd); },
               learn(false, !s->standard));

    // To the start of the ramp at a fast pace, then at rest there.
    a.AddPhase(
        kToStartS, [s](const ActivityContext&, double) { return Drive::Pressure(s->target); },
        [activity, run, s](ActivityContext& ctx, double t) {
            const double supply = std::max(ctx.env.supplyKpa, 0.0);
            const double span = s->pHigh - s->pLow;
            if (t <= kStepS * 1.5) {
                s->pStart = std::clamp(s->pLow - kRampBeyond * span, 0.0, supply);
                s->pEnd = std::clamp(s->pHigh + kRampBeyond * span, 0.0, supply);
                s->target = ctx.model.PressureKpa();
            }
            run->clockS += kStepS;
            s->spentS += kStepS;
            Progress(*run, s->spentS, s->ExpectedS());
            const double rate = std::max(std::fabs(span) / 2.0, kMinFastRampKpaS) * kStepS;
            // The standard ramp records the stroke from its start: a valve whose friction holds
            // it above the start at the learned pressure is vented on (or, air to close, filled
            // on) at the fast pace until it is there, and the ramp begins from that pressure.
            const double sign = s->pEnd >= s->pStart ? 1.0 : -1.0;
            const double bound = sign > 0 ? 0.0 : supply;
            if (s->standard && s->target == s->pStart && ctx.model.Position() > s->lowPos && s->pStart != bound)
                s->pStart = sign > 0 ? std::max(bound, s->pStart - rate) : std::min(bound, s->pStart + rate);
            const double goal = s->standard ? s->pStart : s->pEnd;
            s->target = s->target < goal ? std::min(goal, s->target + rate) : std::max(goal, s->target - rate);
            return (s->target == goal && t >= 0.5 && activity->Rest().RestedFor(0.5)) || t >= kSignatureRestTimeoutS;
        });

    // The stroke, recorded.
    a.AddPhase(
        s->scanS, [s](const ActivityContext&, double) { return Drive::Pressure(s->target); },
        [activity, run, s](ActivityContext& ctx, double t) {
            if (t <= kStepS * 1.5) {
                const bool ring = s->part == SignaturePart::HighResolution;
                const int database = s->standard ? kDbStandard : kDbExtended;
                s->record = s->standard ? &StartRecord(*run, database, ring, run->setup.standard.data(), 3)
                                        : &StartRecord(*run, database, ring, run->setup.extended.data(), 6);
            }
            run->clockS += kStepS;
            s->spentS += kStepS;
            Progress(*run, s->spentS, s->ExpectedS());
            const double strokeS = t - kStepS;  // the first step of the phase is at time 0
            if (!s->standard) s->target = s->RampAt(strokeS);
            const double position = ctx.model.Position();
            const double pressure = ctx.model.PressureKpa();
            s->minPos = std::min(s->minPos, position);
            s->maxPos = std::max(s->maxPos, position);
            bool done = false;
            if (s->standard) {
                StandardRampStep(*s, ctx, position, strokeS);
                RecordCrossings(*s, *run, position, pressure);
                done = s->next >= s->crossings.size() || (s->endedS >= 0 && strokeS >= s->endedS + kStandardTail);
            } else {
                while (s->taken < s->samples && strokeS + 1e-9 >= s->taken * s->sampleS) {
                    s->record->Add(static_cast<float>(pressure * run->setup.pressureFactor),
                                   static_cast<float>(position));
                    ++s->taken;
                }
                run->counter = s->record->total;
                done = s->taken >= s->samples;
            }
            if (!done) return false;
            const uint32_t recorded = s->record->total;
            if (s->maxPos - s->minPos < kMovedPct || recorded == 0) {
                activity->Stop(kSignNoMovement);
            } else if (s->standard && recorded < kStandardPoints) {
                run->warning = kSignIncomplete;
            }
            return true;
        });
}

void AddStepResponse(PhasedActivity& a, std::shared_ptr<SignatureRun> run) {
    const SignatureSetup& setup = run->setup;
    const float from = setup.step[0], to = setup.step[1];
    const double sampleS = std::clamp<double>(setup.step[2], 20.0, 1000.0) / 1000.0;
    const uint32_t samples = static_cast<uint32_t>(std::clamp<double>(setup.step[3], kStepSamplesBefore + 1,
                                                                      static_cast<double>(kMostStoredPoints)));
    struct Scratch {
        uint32_t taken = 0;
        StoredSignature* record = nullptr;
    };
    auto s = std::make_shared<Scratch>();
    PhasedActivity* activity = &a;
    // First at rest at the initial set point: the samples before the step show the valve
    // where the step starts, not on its way there from wherever the last measurement left it.
    // A valve that does not come to rest in time has no step to measure.
    auto rest = std::make_shared<StepRest>(to >= from ? 1.0 : -1.0);
    a.AddPhase(
        kStepRestBaseS, [from](const ActivityContext&, double) { return Drive::Servo(from); },
        [activity, run, rest](ActivityContext& ctx, double t) {
            if (t <= kStepS * 1.5) {
                BeginPart(*run, SignaturePart::StepResponse);
                run->store->Database(kDbStepResponse).Clear(false);
            }
            run->clockS += kStepS;
            const double limitS = kStepRestBaseS + kStepRestStrokes * ctx.model.Settings().strokeTimeS;
            if (rest->Add(t, ctx.model.Position(), ctx.model.PressureKpa(), limitS)) return true;
            if (t >= limitS) activity->Stop(kSignNotAtRest);
            return false;
        });
    a.AddPhase(
        samples * sampleS,
        [s, from, to](const ActivityContext&, double) {
            return Drive::Servo(s->taken < kStepSamplesBefore ? from : to);
        },
        [run, s, from, to, sampleS, samples](ActivityContext& ctx, double t) {
            if (t <= kStepS * 1.5) s->record = &StartRecord(*run, kDbStepResponse, false, run->setup.step.data(), 4);
            run->clockS += kStepS;
            const double at = t - kStepS;
            while (s->taken < samples && at + 1e-9 >= s->taken * sampleS) {
                s->record->Add(s->taken < kStepSamplesBefore ? from : to, static_cast<float>(ctx.model.Position()));
                ++s->taken;
            }
            run->counter = s->record->total;
            Progress(*run, s->taken, samples);
            if (s->taken < samples) return false;
            run->finalSetPoint = to;
            run->setsFinalValue = true;
            return true;
        });
}

void AddPositionerSignature(PhasedActivity& a, std::shared_ptr<SignatureRun> run) {
    const SignatureSetup& setup = run->setup;
    const double lower = setup.positioner[0], higher = setup.positioner[1];
    const int intervals = static_cast<int>(std::clamp<double>(setup.positioner[2], 1.0, 20.0));
    const double waitS = std::clamp<double>(setup.positioner[4], 1.0, 300.0);
    const int points = 2 * intervals + 1;
    auto inputOf = [lower, higher, intervals](int i) {
        const int k = i <= intervals ? i : 2 * intervals - i;
        return lower + (higher - lower) * k / intervals;
    };
    struct Scratch {
        int index = 0;
        double since = 0.0;
        StoredSignature* record = nullptr;
    };
    auto s = std::make_shared<Scratch>();
    a.AddPhase(
        points * waitS, [s, inputOf](const ActivityContext&, double) { return Drive::Servo(inputOf(s->index)); },
        [run, s, inputOf, points, waitS](ActivityContext& ctx, double t) {
            if (t <= kStepS * 1.5) {
                BeginPart(*run, SignaturePart::Positioner);
                s->record = &StartRecord(*run, kDbPositioner, false, run->setup.positioner.data(), 5);
            }
            run->clockS += kStepS;
            s->since += kStepS;
            Progress(*run, s->index * waitS + s->since, points * waitS);
            if (s->since + 1e-9 < waitS) return false;
            s->record->Add(static_cast<float>(inputOf(s->index)), static_cast<float>(ctx.model.Position()));
            run->counter = s->record->total;
            s->since = 0.0;
            return ++s->index >= points;
        });
}

}  // namespace simulator::valve
