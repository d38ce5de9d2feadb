#include "config/ConfigPageWriters.h"
#include "config/PageWriterSupport.h"
#include "platform/Ui.h"

namespace config {

using fieldbus::BlockKind;
using fieldbus::DeviceAccess;

void ControllerPageWriter::Run(const SheetEdits& edits, ChangeWriter& w, bool interactive) {
    const PidBlockGroup& e = edits.data.pid;
    PidBlockGroup& r = w.Record().pid;
    // The PV scale's ends go together.
    const float eu100 = e.pvRangeHigh, eu0 = e.pvRangeLow;
    w.Step(!SameFloat(eu100, r.pvRangeHigh) || !SameFloat(eu0, r.pvRangeLow),
           [eu100, eu0](DeviceAccess& d) {
               const int status = d.WritePidPvScaleEu100(eu100);
               return status != 0 ? status : d.WritePidPvScaleEu0(eu0);
           },
           [&r, eu100, eu0] {
               r.pvRangeHigh = eu100;
               r.pvRangeLow = eu0;
           });
    if (!edits.choices.pvUnitChosen) {
        if (interactive && !w.Failed())
            platform::ShowMessage("WARNING: No PID Controller PV Unit selected; The parameter remains unchanged.");
    } else {
        EnumField(w, BlockKind::PID, "PV_SCALE/UNITS_INDEX", e.pvUnit, r.pvUnit, 2);
    }
    BitsField(w, BlockKind::PID, "CONTROL_OPTS", e.controlOptions, r.controlOptions);
    BitsField(w, BlockKind::PID, "STATUS_OPTS", e.statusOptions, r.statusOptions);
    w.Field(e.gain, r.gain, &DeviceAccess::WritePidGain);
    w.Field(e.reset, r.reset, &DeviceAccess::WritePidReset);
    w.Field(e.rate, r.rate, &DeviceAccess::WritePidRate);
    w.Field(e.ffGain, r.ffGain, [v = e.ffGain](DeviceAccess& d) { return d.WritePidFfGain(v); });
    w.Field(e.spHighLimit, r.spHighLimit, &DeviceAccess::WritePidSpHiLim);
    w.Field(e.spLowLimit, r.spLowLimit, &DeviceAccess::WritePidSpLoLim);
    w.Field(e.outHighLimit, r.outHighLimit, &DeviceAccess::WritePidOutHiLim);
    w.Field(e.outLowLimit, r.outLowLimit, &DeviceAccess::WritePidOutLoLim);
}

}  // namespace config
