#include "diagnostics/DiagnosticModes.h"

#include "fieldbus/OperationState.h"
#include "platform/Ui.h"

namespace diagnostics {

using fieldbus::BlockKind;

namespace {
int ReadTarget(fieldbus::DeviceAccess& device, BlockKind kind, const char* name, uint8_t& mode) {
    if (device.ReadTargetMode(device.BlockOf(kind), mode) == 0) return 0;
    platform::ShowMessage(std::string("Raed MODE_BLK.TARGET of ") + name + " error",
                          platform::MB_OK | platform::MB_ICONSTOP);
    return 1;
}
}  // namespace

int CheckDiagnosticModes(fieldbus::DeviceAccess& device, bool& bothOos) {
    bothOos = false;
    uint8_t ao = 0, tb = 0;
    if (ReadTarget(device, BlockKind::AO, "AO", ao) != 0 || ReadTarget(device, BlockKind::TB, "TB", tb) != 0) return 1;
    bothOos = ao == fieldbus::kModeOos && tb == fieldbus::kModeOos;
    return 0;
}

int SetDiagnosticModes(fieldbus::DeviceAccess& device) {
    for (auto [kind, name] : {std::pair{BlockKind::AO, "AO"}, std::pair{BlockKind::TB, "TB"}}) {
        uint8_t mode = 0;
        if (ReadTarget(device, kind, name, mode) != 0) return 1;
        if (mode == fieldbus::kModeOos) continue;
        if (device.SetBlockMode(device.BlockOf(kind), fieldbus::kModeOos) != 0) {
            platform::ShowMessage(std::string("Can not set MODE_BLK.TARGET of ") + name + " to OOS",
                                  platform::MB_OK | platform::MB_ICONSTOP);
            return 1;
        }
    }
    return 0;
}

}  // namespace diagnostics
