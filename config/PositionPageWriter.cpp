#include "config/ConfigPageWriters.h"
#include "fieldbus/TypedValues.h"
#include "platform/Ui.h"

namespace config {

using fieldbus::DeviceAccess;

namespace {

// The recommended least second deviation time; -1 switches the second time off.
constexpr float kMinimumTime2 = 10.0f;

// A float of the transducer block that has no typed accessor of its own.
ChangeWriter::DeviceWrite TbFloat(const char* name, float value) {
    return [name, value](DeviceAccess& d) {
        return fieldbus::WriteTypedValue(d, d.BlockOf(fieldbus::BlockKind::TB), name, value, fieldbus::Wire::F32);
    };
}

}  // namespace

void PositionPageWriter::Run(const SheetEdits& edits, ChangeWriter& w, bool interactive) {
    const PositionGroup& e = edits.data.position;
    PositionGroup& r = w.Record().position;
    w.Field(e.servoGain, r.servoGain, &DeviceAccess::WriteTbServoGain);
    w.Field(e.servoReset, r.servoReset, &DeviceAccess::WriteTbServoReset);
    w.Field(e.servoRate, r.servoRate, &DeviceAccess::WriteTbServoRate);
    w.Field(e.tightShutoff, r.tightShutoff, &DeviceAccess::WriteTbFinalValueCuttoffLo);
    w.Field(e.fullOpen, r.fullOpen, &DeviceAccess::WriteTbFinalValueCuttoffHi);
    // The position range goes as one: both ends when either changed.
    const float eu0 = e.positionLowerLimit, eu100 = e.positionUpperLimit;
    w.Step(!SameFloat(eu0, r.positionLowerLimit) || !SameFloat(eu100, r.positionUpperLimit),
           [eu0, eu100](DeviceAccess& d) {
               const int status = d.WriteTbFinalValueRangeEu0(eu0);
               return status != 0 ? status : d.WriteTbFinalValueRangeEu100(eu100);
           },
           [&r, eu0, eu100] {
               r.positionLowerLimit = eu0;
               r.positionUpperLimit = eu100;
           });
    w.Field(e.nearCloseValue, r.nearCloseValue, &DeviceAccess::WriteTbNearCloseThreshold);
    w.Field(e.limitSwitchLow, r.limitSwitchLow, &DeviceAccess::WriteTbLimswLoLim);
    w.Field(e.limitSwitchHigh, r.limitSwitchHigh, &DeviceAccess::WriteTbLimswHiLim);
    w.Field(e.deviationLimit, r.deviationLimit, &DeviceAccess::WriteTbDeviationLim);

    // Both deviation times go together; a short second time is written only when the user
    // insists, otherwise it keeps the record's value and the first goes as entered.
    std::array<float, 2> times = e.deviationTimeThreshold;
    if (interactive && !w.Failed() && !SameFloat(times[1], r.deviationTimeThreshold[1]) && times[1] != -1.0f &&
        times[1] < kMinimumTime2) {
        const std::string question =
            platform::Format("WARNING: The Time 2 value for position fault control in Position Page is to be "
                             "modified as %4.2f ",
                             times[1]) +
            platform::Format("\nwhich is less than the recommended minimum of %4.2f (sec).",
                             static_cast<double>(kMinimumTime2)) +
            "\n\nChange it anyway ?";
        if (platform::ShowMessage(question, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
            platform::IDYES)
            times[1] = r.deviationTimeThreshold[1];
    }
    w.Step(!SameFloat(times[0], r.deviationTimeThreshold[0]) || !SameFloat(times[1], r.deviationTimeThreshold[1]),
           [wire = FloatPairWire(times)](DeviceAccess& d) { return d.WriteTbDeviationTimeTh(wire); },
           [&r, times] { r.deviationTimeThreshold = times; });

    if (edits.data.general.extendedServoParameters == 0) return;
    w.Field(e.servoWarnHigh, r.servoWarnHigh, TbFloat("SERVO_WARN_HI_LIM", e.servoWarnHigh));
    w.Field(e.servoWarnLow, r.servoWarnLow, TbFloat("SERVO_WARN_LO_LIM", e.servoWarnLow));
    w.Field(e.servoWarnTime, r.servoWarnTime, TbFloat("SERVO_TIME_TH", e.servoWarnTime));
}

}  // namespace config
