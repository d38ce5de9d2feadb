#include "cli/CascadeInput.h"

#include "controller/PidController.h"

namespace cli {

CascadeInput CascadeInputOf(fieldbus::FieldbusDevice& device, int block) {
    const fieldbus::BlockRecord record = device.GetBlockRecord(block);
    int relative = -1;
    for (int r = 1; r <= record.numParameters && relative < 0; ++r)
        if (device.GetParameterName(block, r) == "CAS_IN") relative = r;
    if (relative < 0 || record.startIndex == 0) return CascadeInput::Unknown;
    const int index = record.startIndex + relative;
    // The link objects the PID controller looks through for the one feeding PID IN.
    for (int n = 0; n < controller::PidController::kLinkObjectCount; ++n) {
        fieldbus::LinkObject link;
        if (device.ReadLinkObject(controller::PidController::kFirstLinkObject + n, link) != 0)
            return CascadeInput::Unknown;
        if (link.localIndex == index) return CascadeInput::Linked;
    }
    return CascadeInput::NotLinked;
}

}  // namespace cli
