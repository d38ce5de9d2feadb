#include "config/ConfigPageWriters.h"
#include "config/PageWriterSupport.h"

namespace config {

using fieldbus::DeviceAccess;

namespace {

// A two-valued member (0 or 1) written as its device code (1 or 2).
ChangeWriter::DeviceWrite CodeWrite(int (DeviceAccess::*write)(const uint8_t&), uint32_t flag) {
    const uint8_t code = ActuatorGroup::DeviceCodeFromFlag(flag);
    return [write, code](DeviceAccess& d) { return (d.*write)(code); };
}

}  // namespace

void ActuatorPageWriter::Run(const SheetEdits& edits, ChangeWriter& w, bool) {
    const ActuatorGroup& e = edits.data.actuator;
    ActuatorGroup& r = w.Record().actuator;
    w.Field(e.valveAction, r.valveAction, CodeWrite(&DeviceAccess::WriteTbActFailAction, e.valveAction));
    w.Field(e.valveType, r.valveType, CodeWrite(&DeviceAccess::WriteTbValveType, e.valveType));
    w.Field(e.actuatorType, r.actuatorType, CodeWrite(&DeviceAccess::WriteTbActuatorType, e.actuatorType));

    // The valve historian limits go together.
    const bool limitsChanged = e.travelLimit != r.travelLimit || e.cycleCountLimit != r.cycleCountLimit ||
                               e.openTimeLimit != r.openTimeLimit || e.closeTimeLimit != r.closeTimeLimit ||
                               e.nearCloseTimeLimit != r.nearCloseTimeLimit;
    w.Step(limitsChanged,
           [e](DeviceAccess& d) {
               int status = d.WriteTbTravelLim(e.travelLimit);
               if (status == 0) status = d.WriteTbCycleCountLim(e.cycleCountLimit);
               if (status == 0) status = d.WriteTbOpenTimeLim(e.openTimeLimit);
               if (status == 0) status = d.WriteTbCloseTimeLim(e.closeTimeLimit);
               if (status == 0) status = d.WriteTbNearCloseTimeLim(e.nearCloseTimeLimit);
               return status;
           },
           [&r, e] {
               r.travelLimit = e.travelLimit;
               r.cycleCountLimit = e.cycleCountLimit;
               r.openTimeLimit = e.openTimeLimit;
               r.closeTimeLimit = e.closeTimeLimit;
               r.nearCloseTimeLimit = e.nearCloseTimeLimit;
           });

    const GeneralGroup& eg = edits.data.general;
    GeneralGroup& rg = w.Record().general;
    w.Field(eg.valveModel, rg.valveModel, &DeviceAccess::WriteTbValveModelNum);
    w.Field(eg.valveSerialNumber, rg.valveSerialNumber, &DeviceAccess::WriteTbValveSn);
    w.Field(eg.actuatorModel, rg.actuatorModel, &DeviceAccess::WriteTbActModelNum);
    w.Field(eg.actuatorSerialNumber, rg.actuatorSerialNumber, &DeviceAccess::WriteTbActSn);
    EnumField(w, fieldbus::BlockKind::TB, "VALVE_MAN_ID", eg.valveManufacturer, rg.valveManufacturer, 4);
    EnumField(w, fieldbus::BlockKind::TB, "ACT_MAN_ID", eg.actuatorManufacturer, rg.actuatorManufacturer, 4);
}

}  // namespace config
